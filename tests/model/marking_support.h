// Test support for the marking events: the bytes of the timed bases' part,
// and stand-ins for the containers (staff, measure) the markings hang under.
#pragma once

#include "tests/model/eventio_support.h"
#include "model/event.h"
#include "model/eventtypes.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace marktest {

using eventio::operator+;

// A float as the archive writes it.
inline std::vector<uint8_t> FloatBytes(float value) {
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return {static_cast<uint8_t>(bits), static_cast<uint8_t>(bits >> 8), static_cast<uint8_t>(bits >> 16),
            static_cast<uint8_t>(bits >> 24)};
}

// A musical time in the current form: mode 0, then the float.
inline std::vector<uint8_t> TimeBytes(float time) {
    return std::vector<uint8_t>{0x00} + FloatBytes(time);
}

// The part of a timed event without children or view data: the flag byte
// (has time), the time, the voice/track word.
inline std::vector<uint8_t> TimedPart(float time, uint16_t word) {
    return std::vector<uint8_t>{0x04} + TimeBytes(time) +
           std::vector<uint8_t>{static_cast<uint8_t>(word), static_cast<uint8_t>(word >> 8)};
}

using eventio::Place;

// A new clef or key (any mark with a hand) at `time` on track 1, voice 0, for
// `hand`; the caller takes it.
template <class Mark>
Mark* MakeMark(float time, unsigned char hand) {
    auto* mark = new Mark;
    Place(mark, time, 0, 1);
    mark->SetHand(hand);
    return mark;
}

// A container answering a chosen type (a staff, a measure) without the
// container classes.
class Container : public ECWithTimeChild {
public:
    explicit Container(int type) : m_type(type) {
        const MCTime zero(0.0f);
        SetTime(&zero);
    }
    int GetClassType() const override { return m_type; }

private:
    int m_type;
};

// Whether `list` holds `event`.
inline bool Holds(MCEventList* list, ECBase* event) {
    return list && list->Find(event) != nullptr;
}

}  // namespace marktest
