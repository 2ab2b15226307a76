// DCBase: the base of view data.
#include "model/viewdata.h"

#include "model/event.h"
#include "platform/core/archive.h"

IMPLEMENT_SERIAL(DCBase, CObject, VERSIONABLE_SCHEMA | 2)

namespace {
constexpr int DIRTY_BIT = 0;
}

DCBase::DCBase() {
    m_flags.SetBitValue(DIRTY_BIT, 1);
}

DCBase::DCBase(const DCBase& other) : CObject(), m_flags(other.m_flags) {}

DCBase::~DCBase() = default;

void DCBase::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        // The first word carries nothing; readers skip it.
        const DWORD fieldFlags = static_cast<DWORD>(m_flags.IsDirty() | (m_flags.IsOverride() << 1));
        ar << DWORD{0} << fieldFlags << static_cast<LONG>(m_flags.GetValue());
        ar.WriteObject(m_pOwner);
        return;
    }
    ECLoadGuard::NoteLoaded(this);
    DWORD unused = 0;
    DWORD fieldFlags = 0;
    LONG value = 0;
    ar >> unused >> fieldFlags >> value;
    m_flags.SetDirty(static_cast<int>(fieldFlags & 1));
    m_flags.SetOverride(static_cast<int>((fieldFlags >> 1) & 1));
    m_flags.SetValue(value);
    // Normally a back reference to the event whose data is being read.
    m_pOwner = ECBase::ReadEvent(ar, 0);
}

void DCBase::OnReadFailed() {
    if (!m_bLoadNoted)
        delete this;
}

void DCBase::PostSerialize(CArchive& /*ar*/) {}

int DCBase::IsDirty() const {
    return m_flags.GetBitValue(DIRTY_BIT);
}

void DCBase::SetDirty(int dirty) {
    m_flags.SetBitValue(DIRTY_BIT, dirty);
}

void DCBase::SetOwner(ECBase* owner) {
    m_pOwner = owner;
}
