// LCBase (see filterbase.h for the contract).
#include "model/filterbase.h"

#include "platform/core/archive.h"

IMPLEMENT_SERIAL(LCBase, CObject, VERSIONABLE_SCHEMA | 2)

LCBase::~LCBase() = default;

void LCBase::Serialize(CArchive& ar)
{
    CObject::Serialize(ar);
    if (ar.IsStoring()) {
        ar << m_enabled << m_priority;
    } else {
        // Read both before changing either: a short file leaves the filter as it was.
        BYTE enabled = 0;
        BYTE priority = 0;
        ar >> enabled >> priority;
        m_enabled = enabled;
        m_priority = priority;
    }
}
