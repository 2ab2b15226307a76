// The event tree at document size: building, saving and loading 100,000
// events (a performance over 20 staves of 500 measures of 9 notes). Loading
// is what users feel when they open a document.
#include "model/event.h"
#include "model/performance.h"

#include "platform/core/archive.h"
#include "tests/model/document_support.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

constexpr int STAVES = 20;
constexpr int MEASURES = 500;
constexpr int NOTES = 9;
constexpr int EVENTS = 1 + STAVES * (1 + MEASURES * (1 + NOTES));

ECPerformance* Build() {
    auto* performance = new ECPerformance;
    performance->Ref();
    for (int s = 0; s < STAVES; ++s) {
        auto* staff = new ECWithTimeChild;
        staff->SetVoiceTrack(14, s + 1);
        performance->AddChild(staff, SORTED);
        for (int m = 0; m < MEASURES; ++m) {
            auto* measure = new ECWithTimeChild;
            MCTime start(static_cast<float>(4 * m));
            measure->SetTime(&start);
            staff->AddChild(measure, SORTED);
            for (int n = 0; n < NOTES; ++n) {
                auto* note = new ECWithTime;
                MCTime at(static_cast<float>(4 * m) + 0.5f * static_cast<float>(n));
                note->SetTime(&at);
                note->SetVoiceTrack(n % 4, s + 1);
                measure->AddChild(note, SORTED);
            }
        }
    }
    return performance;
}

std::vector<uint8_t> Save(ECPerformance* performance) {
    CMemFile file(1 << 20);
    CArchive ar(&file, CArchive::store);
    performance->Serialize(ar);
    ar.Close();
    return file.Detach();
}

ECPerformance* Load(const std::vector<uint8_t>& bytes) {
    return document::ReadPerformance(bytes, [](CArchive& ar, ECPerformance* performance) {
        ar.SetLoadParams(1024);
        performance->Serialize(ar);
    });
}

void SetRate(benchmark::State& state) {
    state.counters["events/s"] =
        benchmark::Counter(static_cast<double>(EVENTS), benchmark::Counter::kIsIterationInvariantRate);
}

void BM_BuildEventTree(benchmark::State& state) {
    for (auto _ : state) {
        ECPerformance* performance = Build();
        state.PauseTiming();
        document::FreeTree(performance);
        state.ResumeTiming();
    }
    SetRate(state);
}
BENCHMARK(BM_BuildEventTree)->Unit(benchmark::kMillisecond);

void BM_SaveEventTree(benchmark::State& state) {
    ECPerformance* performance = Build();
    size_t size = 0;
    for (auto _ : state)
        size = Save(performance).size();
    document::FreeTree(performance);
    SetRate(state);
    state.counters["bytes"] = static_cast<double>(size);
}
BENCHMARK(BM_SaveEventTree)->Unit(benchmark::kMillisecond);

void BM_LoadEventTree(benchmark::State& state) {
    ECPerformance* original = Build();
    const std::vector<uint8_t> bytes = Save(original);
    document::FreeTree(original);
    for (auto _ : state) {
        ECPerformance* performance = Load(bytes);
        state.PauseTiming();
        document::FreeTree(performance);
        state.ResumeTiming();
    }
    SetRate(state);
}
BENCHMARK(BM_LoadEventTree)->Unit(benchmark::kMillisecond);

void BM_FreeEventTree(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        ECPerformance* performance = Build();
        state.ResumeTiming();
        document::FreeTree(performance);
    }
    SetRate(state);
}
BENCHMARK(BM_FreeEventTree)->Unit(benchmark::kMillisecond);

}  // namespace
