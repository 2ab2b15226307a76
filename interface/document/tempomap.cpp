#include "interface/document/tempomap.h"

#include <algorithm>
#include <limits>

namespace {

// Microseconds per minute, times ten: the numerator for tenths of a beat.
constexpr int64_t kTenthsPerMinuteUs = 600000000;
// Ticks per beat times the microseconds of a millisecond.
constexpr int32_t kTickUsPerMs = MCTempoMap::TICKS_PER_BEAT * 1000;

int32_t Saturate(int64_t value) {
    return static_cast<int32_t>(
        std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

}  // namespace

void MCTempoMap::SetTempo(short tenthsBpm) {
    if (tenthsBpm <= 0)
        return;
    m_lTempo = static_cast<int32_t>(kTenthsPerMinuteUs / tenthsBpm);
}

void MCTempoMap::SetBase(const MCTempoMap& previous) {
    // Held in 64 bits: a damaged file may put two points far apart.
    const int64_t ticks = int64_t{m_lTickPosition} - previous.m_lTickPosition;
    const int64_t span = ticks * previous.m_lTempo / kTickUsPerMs;
    m_lBaseTime = Saturate(previous.m_lBaseTime + span);
}

float MCTempoMap::GetBeatsPerMinute() const {
    return m_lTempo > 0 ? 60000000.0f / static_cast<float>(m_lTempo) : 0.0f;
}

int32_t MCTempoMap::muldiv32(int32_t a, int32_t b, int32_t c) {
    if (c == 0)
        return 0;
    return Saturate(int64_t{a} * b / c);
}
