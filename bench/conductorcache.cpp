// Time conversions through the conductor cache on a map of 1,000 tempo
// changes (and a meter change every 50 bars). The player converts on every
// poll at times that move forward a little each time; layout and the views
// convert at scattered times. Conversions per second are the items per second.
// Also: one tempo change near the start followed by a conversion near the end,
// which recomputes the real and bar/pulse/tick starts of every later point.
#include "model/conductorcache.h"

#include "model/lists.h"
#include "model/meter.h"
#include "model/tempo.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

namespace {

constexpr int TEMPOS = 1000;

struct TempoMap {
    MCEventList events;   // references every meter and tempo
    MCConductorCache cache;
    float end = 0.0f;     // musical time of the last change plus a bar

    TempoMap() {
        std::mt19937 random(1);
        float at = 0.0f;
        for (int i = 0; i < TEMPOS; ++i) {
            auto* tempo = new ECTempo;
            tempo->SetTempo(40.0f + static_cast<float>(random() % 200), 1.0f);
            Add(tempo, at);
            if (i % 50 == 0)
                Add(new ECMeter(static_cast<unsigned char>(i % 100 == 0 ? 4 : 6), i % 100 == 0 ? 4 : 8, 255), at);
            // Tempo changes every one to eight eighths, as an edited
            // accelerando leaves them.
            at += static_cast<float>(1 + random() % 8) * 0.5f;
        }
        end = at + 4.0f;
    }

    void Add(ECWithTime* event, float at) {
        const MCTime time(at);
        event->SetTime(&time);
        events.AddEvent(event, UNSORTED);
        cache.CacheEvent(event);
    }

    std::vector<MCTime> ScatteredTimes(int count) const {
        std::mt19937 random(2);
        std::vector<MCTime> times;
        for (int i = 0; i < count; ++i)
            times.emplace_back(static_cast<float>(random() % 1000000) / 1000000.0f * end);
        return times;
    }
};

TempoMap& Map() {
    static TempoMap map;
    return map;
}

// Converts each time of the list in turn, round and round.
template <class Convert>
void RunOver(benchmark::State& state, const std::vector<MCTime>& times, Convert convert) {
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(convert(times[i]));
        if (++i == times.size())
            i = 0;
    }
    state.SetItemsProcessed(state.iterations());
}

std::vector<MCTime> PollTimes() {
    // A poll every 10 ms at about two quarters per second.
    std::vector<MCTime> times;
    for (float t = 0.0f; t < Map().end; t += 0.02f)
        times.emplace_back(t);
    return times;
}

void BM_TranslateTimeAscending(benchmark::State& state) {
    static const auto times = PollTimes();
    RunOver(state, times, [](const MCTime& t) { return Map().cache.TranslateTime(t); });
}
BENCHMARK(BM_TranslateTimeAscending);

void BM_TranslateTimeScattered(benchmark::State& state) {
    static const auto times = Map().ScatteredTimes(4096);
    RunOver(state, times, [](const MCTime& t) { return Map().cache.TranslateTime(t); });
}
BENCHMARK(BM_TranslateTimeScattered);

void BM_NormalizeRealTimeScattered(benchmark::State& state) {
    static const auto times = [] {
        std::vector<MCTime> real;
        for (const MCTime& t : Map().ScatteredTimes(4096))
            real.push_back(Map().cache.TranslateTime(t));
        return real;
    }();
    RunOver(state, times, [](const MCTime& t) { return Map().cache.NormalizeTime(t); });
}
BENCHMARK(BM_NormalizeRealTimeScattered);

void BM_BarPulseTickScattered(benchmark::State& state) {
    static const auto times = Map().ScatteredTimes(4096);
    RunOver(state, times, [](const MCTime& t) { return Map().cache.BarPulseTick(t, MCTime::GlobalPPQ); });
}
BENCHMARK(BM_BarPulseTickScattered);

void BM_NormalizeBarPulseTickScattered(benchmark::State& state) {
    static const auto times = [] {
        std::vector<MCTime> bpt;
        for (const MCTime& t : Map().ScatteredTimes(4096))
            bpt.push_back(Map().cache.BarPulseTick(t, MCTime::GlobalPPQ));
        return bpt;
    }();
    RunOver(state, times, [](const MCTime& t) { return Map().cache.NormalizeTime(t); });
}
BENCHMARK(BM_NormalizeBarPulseTickScattered);

// An edit near the start drops every later start; the next conversion at the
// end computes them again.
void BM_ChangeThenTranslateAtTheEnd(benchmark::State& state) {
    TempoMap& map = Map();
    MCEventList kept;
    auto* tempo = new ECTempo;
    const MCTime at(0.25f);
    tempo->SetTime(&at);
    kept.AddEvent(tempo, UNSORTED);
    const MCTime last(map.end);
    for (auto _ : state) {
        map.cache.CacheEvent(tempo);
        benchmark::DoNotOptimize(map.cache.TranslateTime(last));
        map.cache.UncacheEvent(tempo);
        benchmark::DoNotOptimize(map.cache.TranslateTime(last));
    }
    state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_ChangeThenTranslateAtTheEnd);

} // namespace
