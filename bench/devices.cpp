// The performed-event path of the device library: polled performances answer dense
// MIDI (note-ons and note-offs spread over each 10 ms window, out of order), the
// library queues them in time order and hands each to the capture backend when due.
// A manual clock moves one second per iteration, so what is measured is the work per
// event (poll, queue, perform), never a wait. Events per second are the items per
// second of real time (the work runs on the library's thread); a dense orchestral
// passage needs some thousands.
#include "platform/core/clock.h"
#include "platform/devices/capture.h"
#include "platform/devices/portavel.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

// Answers `perWindow` events in every window, at times spread over it back to front.
struct Dense {
    int perWindow = 0;
    int device = 0;
    CPVEventList answer;

    static CPVEventList* Proc(void* user, int, DWORD from, DWORD to) {
        auto& dense = *static_cast<Dense*>(user);
        const DWORD span = to - from;
        for (int i = dense.perWindow; i-- > 0;) {
            const DWORD time = from + static_cast<DWORD>(i) % span;
            const auto key = static_cast<std::uint8_t>(36 + i % 60);
            const DWORD message = PackShortMsg(i % 2 ? 0x90 : 0x80, key, i % 2 ? 90 : 0);
            dense.answer.AddTail(CPVEventData::MakeShort(time, dense.device, message));
        }
        return &dense.answer;
    }
};

// One second of performance per iteration; the state's first argument is the events per
// window, the second the number of performances at once.
void BM_PolledPerformance(benchmark::State& state) {
    CManualClock clock(1000);
    auto backend = std::make_unique<CCaptureBackend>();
    CCaptureBackend* capture = backend.get();
    CPortavel portavel(std::move(backend));
    portavel.EnableDevice(PV_MIDI, PV_OUTPUT, PV_ALL_DEVICES, 1);
    portavel.OpenDevices();

    const int performances = static_cast<int>(state.range(1));
    std::vector<std::unique_ptr<Dense>> dense;
    for (int i = 0; i < performances; ++i) {
        dense.push_back(std::make_unique<Dense>());
        dense.back()->perWindow = static_cast<int>(state.range(0));
        dense.back()->device = i % 2;
        portavel.StartPolledPerformance(&Dense::Proc, dense.back().get());
    }

    std::size_t performed = 0;
    for (auto _ : state) {
        clock.Advance(1000);
        state.PauseTiming();
        performed += capture->GetMidi().size();
        capture->Clear();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(performed));
}
BENCHMARK(BM_PolledPerformance)->Args({10, 1})->Args({100, 1})->Args({25, 4})->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
