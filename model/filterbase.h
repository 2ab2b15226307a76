// LCBase: the archived base of the MIDI filters that the performance engine
// runs on performed messages (voice map, transposition, velocity, volume,
// accent, quantize and the preference filter derive from it).
//
// Holds two bytes, in this order: the enabled flag (1 after construction) and
// the priority (0). Its archive part is those two bytes, enabled then
// priority; derived filters append their own fields after it. The class is
// serial with schema 2, versionable, so filters written with another schema
// still load.
//
// A filter belongs to whoever owns the list it sits in; it has no lock of its
// own (see the filter manager for the threads that touch it).
#pragma once

#include "platform/core/object.h"

#include <cstdint>

class LCBase : public CObject {
    DECLARE_SERIAL(LCBase)

public:
    LCBase() = default;
    ~LCBase() override;

    void Serialize(CArchive& ar) override;

    int IsEnabled() const { return m_enabled; }
    void SetEnabled(int enabled) { m_enabled = static_cast<uint8_t>(enabled); }
    int GetPriority() const { return m_priority; }
    void SetPriority(int priority) { m_priority = static_cast<uint8_t>(priority); }

private:
    uint8_t m_enabled = 1;
    uint8_t m_priority = 0;
};
