#include "interface/document/opusheader.h"

#include "platform/core/archive.h"

#include <cstring>

IMPLEMENT_SERIAL(MCOpusHeader, CObject, 1)

namespace {
constexpr char kMagic[4] = {'M', 'M', 'M', 'F'};
constexpr char kOldMagic[4] = {'O', 'P', 'U', 'S'};
}  // namespace

void MCOpusHeader::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.Write(kMagic, sizeof kMagic);
        ar << static_cast<LONG>(m_nVersion);
        return;
    }
    char magic[4] = {};
    const size_t got = ar.Read(magic, sizeof magic);
    if (got == sizeof magic && std::memcmp(magic, kMagic, sizeof magic) == 0) {
        LONG version = 0;
        ar >> version;
        m_nVersion = version;
        m_nFormat = DF_NATIVE;
    } else if (got == sizeof magic && std::memcmp(magic, kOldMagic, sizeof magic) == 0) {
        m_nVersion = 0;
        m_nFormat = DF_NATIVE;
    } else {
        m_nVersion = -1;
        m_nFormat = DF_UNKNOWN;
    }
}
