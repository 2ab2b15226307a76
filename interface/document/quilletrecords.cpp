#include "interface/document/quilletrecords.h"

#include <algorithm>

MCQuilletTickClock::MCQuilletTickClock() : m_stretches{{0, 0.0, TICKS_PER_BEAT}} {}

void MCQuilletTickClock::SetBeatTicks(int64_t tick, int beatTicks) {
    if (beatTicks <= 0 || tick < m_stretches.back().tick)
        return;
    const int resolution = std::max(1, TICK_RULE / beatTicks);
    if (tick == m_stretches.back().tick) {
        m_stretches.back().resolution = resolution;
        return;
    }
    m_stretches.push_back({tick, QuartersAt(tick), resolution});
}

const MCQuilletTickClock::Stretch& MCQuilletTickClock::StretchAt(int64_t tick) const {
    // The last stretch that begins at or before the tick; the first for any
    // tick before it.
    auto after = std::upper_bound(m_stretches.begin(), m_stretches.end(), tick,
                                  [](int64_t t, const Stretch& stretch) { return t < stretch.tick; });
    return after == m_stretches.begin() ? m_stretches.front() : *(after - 1);
}

double MCQuilletTickClock::QuartersAt(int64_t tick) const {
    const Stretch& stretch = StretchAt(tick);
    return stretch.quarters + static_cast<double>(tick - stretch.tick) / stretch.resolution;
}

int MCQuilletTickClock::GetResolution(int64_t tick) const {
    return StretchAt(tick).resolution;
}

MCTime MCQuilletTickClock::GetTime(int64_t tick) const {
    return MCTime(static_cast<float>(QuartersAt(tick)));
}

MCTime MCQuilletTickClock::GetDuration(int64_t tick, int64_t ticks) const {
    return MCTime(static_cast<float>(QuartersAt(tick + ticks) - QuartersAt(tick)));
}

float MCQuilletTickClock::GetBeat(int64_t tick) const {
    return static_cast<float>(TICKS_PER_BEAT) / static_cast<float>(StretchAt(tick).resolution);
}
