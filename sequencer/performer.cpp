// DCsqBase: the performer base and its place in the sequence's list.
#include "sequencer/performer.h"

#include "model/event.h"
#include "model/performance.h"
#include "model/plugin.h"
#include "platform/core/archive.h"

IMPLEMENT_SERIAL(DCsqBase, DCBase, VERSIONABLE_SCHEMA | 2)

DCsqBase::DCsqBase() = default;

DCsqBase::DCsqBase(const DCsqBase& other) : DCBase(other), m_pPrev(other.m_pPrev), m_pNext(other.m_pNext) {}

DCsqBase::~DCsqBase() = default;

void DCsqBase::Serialize(CArchive& ar) {
    DCBase::Serialize(ar);
}

void DCsqBase::PostSerialize(CArchive& ar) {
    DCBase::PostSerialize(ar);
    if (ar.IsStoring()) {
        ar.WriteObject(m_pPrev);
        ar.WriteObject(m_pNext);
        return;
    }
    // Both links name performers that were read with their events; a class
    // that is no performer throws badClass in ReadObject.
    auto* prev = static_cast<DCsqBase*>(ar.ReadObject(RUNTIME_CLASS(DCsqBase)));
    auto* next = static_cast<DCsqBase*>(ar.ReadObject(RUNTIME_CLASS(DCsqBase)));
    m_pPrev = prev;
    m_pNext = next;
}

int DCsqBase::GetClassType() const {
    return DT_BASE;
}

MCMidiFilterList* DCsqBase::GetFilters() {
    return nullptr;
}

DCsqBase* DCsqBase::GetPerformer(ECBase* event, int create) {
    if (!event)
        return nullptr;
    return DYNAMIC_DOWNCAST(DCsqBase, event->GetData(DK_SEQUENCER, create));
}

int DCsqBase::GetFileVersion() {
    const ECPerformance* active = ECPerformance::GetActivePerformance();
    return active ? active->GetVersion() : ECPerformance::CURRENT_VERSION;
}
