// Playback of a document of 100,000 notes (four staves of 25,000 sixteenth
// notes at 240 beats a minute): how many performers the main player
// schedules per second of work, and how long it takes to start playback in
// the middle of the piece (the relocation walk over half the piece, the chase
// and the first window). The device library runs on the capture backend under
// a manual clock, so no wait is measured: the first benchmark asks the player
// for its windows itself, as the device thread does, one after another; the
// second moves the clock on another thread while the chase plays.
#include "model/conductor.h"
#include "model/performance.h"
#include "model/plugin.h"
#include "platform/core/clock.h"
#include "platform/devices/capture.h"
#include "platform/devices/portavel.h"
#include "sequencer/performers.h"
#include "sequencer/player.h"
#include "sequencer/scoremgr.h"
#include "sequencer/sequence.h"
#include "tests/sequencer/engine_support.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <memory>
#include <thread>

namespace {

constexpr int STAVES = 4;
constexpr int NOTES_PER_STAFF = 25000;
constexpr int NOTES = STAVES * NOTES_PER_STAFF;
constexpr float STEP = 0.25f;                              // a sixteenth note
constexpr float MIDDLE = NOTES_PER_STAFF * STEP / 2.0f;    // quarter 3125
constexpr DWORD WINDOW_MS = 10;                            // the device library's window

class PlaybackPiece : public benchmark::Fixture {
public:
    void SetUp(const benchmark::State&) override {
        clock = std::make_unique<CManualClock>(1000);
        portavel = engine_support::OpenCapture(capture, false);
        ECConductor* conductor = nullptr;
        engine_support::MakePiece(performance, conductor, sequence);
        for (int staff = 1; staff <= STAVES; ++staff)
            conductor->GetTrack(TRACK_STAFF, staff, 1);
        // Read as a file is: every add command runs at once, in time order.
        CMidiScoreMgr* score = sequence->GetMidiScoreMgr();
        score->SetFileLoading(1);
        score->AddTempoEvent(MCTime(0.0f), MCVoiceTrack(0, 0), 240.0f, 1.0f);
        for (int n = 0; n < NOTES_PER_STAFF; ++n)
            for (int staff = 1; staff <= STAVES; ++staff) {
                const auto key = static_cast<std::uint8_t>(36 + (n * 7 + staff * 5) % 60);
                score->AddMidiEvent(MCTime(static_cast<float>(n) * STEP), MCVoiceTrack(n % 4, staff),
                                    FCMidi(PackShortMsg(0x90, key, 90)), 0, MCTime(STEP));
            }
        score->SetFileLoading(0);
        sequence->SetLocation(MCTime(0.0f));
        for (DCsqBase* performer = sequence->GetHead(); performer; performer = performer->GetNext())
            ++performers;
    }

    void TearDown(const benchmark::State&) override {
        Halt();
        // Detaching waits for the player to come to rest, at most its
        // timeout on the manual clock: the clock has to move meanwhile.
        WhileClockRuns([&] { engine_support::ClosePiece(performance, sequence); });
        portavel.reset();
        clock.reset();
    }

    // Moves the clock on another thread while `action` runs here.
    template <class Action>
    void WhileClockRuns(Action action) {
        std::atomic<bool> done{false};
        std::thread mover([&] {
            while (!done.load()) {
                clock->Advance(1);
                portavel->WaitForDeviceThread();
            }
        });
        action();
        done = true;
        mover.join();
        capture->Clear();
    }

    // Stops what plays and lets it drain.
    void Halt() {
        CSeqPlay* player = sequence->GetPlaySequencer();
        if (player->GetState() == PLAYER_STOPPED)
            return;
        WhileClockRuns([&] {
            sequence->Stop();
            player->WaitForIdle();
        });
    }

    std::unique_ptr<CManualClock> clock;   // made first, gone last
    CCaptureBackend* capture = nullptr;    // owned by the library
    std::unique_ptr<CPortavel> portavel;
    ECPerformance* performance = nullptr;
    std::unique_ptr<CSequence> sequence;
    int performers = 0;   // in the sequence's list after the build
};

// The whole piece, window by window, as the device thread polls it.
BENCHMARK_DEFINE_F(PlaybackPiece, PerformersScheduled)(benchmark::State& state) {
    if (performers < NOTES)
        state.SkipWithError("the piece was not built");
    CSeqPlay* player = sequence->GetPlaySequencer();
    std::size_t events = 0;
    for (auto _ : state) {
        DWORD from = portavel->GetBufferTime();
        sequence->Play();
        const int tag = player->GetTag();
        while (CPVEventList* answer = CSeqPlay::PerformProc(player, tag, from, from + WINDOW_MS)) {
            events += answer->TakeAll().size();
            from += WINDOW_MS;
        }
        state.PauseTiming();
        Halt();
        capture->Clear();
        // Every pass plays the whole piece from its start.
        sequence->SetLocation(MCTime(0.0f));
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * NOTES);
    // Each note leaves as a note-on and a note-off.
    state.counters["events per pass"] = static_cast<double>(events) / static_cast<double>(state.iterations());
}
BENCHMARK_REGISTER_F(PlaybackPiece, PerformersScheduled)->Iterations(3)->Unit(benchmark::kMillisecond);

// From the first quarter to playing from the middle: the relocation walk, the
// chase and the first window.
BENCHMARK_DEFINE_F(PlaybackPiece, StartInTheMiddle)(benchmark::State& state) {
    if (performers < NOTES)
        state.SkipWithError("the piece was not built");
    for (auto _ : state) {
        WhileClockRuns([&] {
            sequence->SetLocation(MCTime(MIDDLE));
            sequence->Play();
            portavel->WaitForDeviceThread();
        });
        state.PauseTiming();
        Halt();
        sequence->SetLocation(MCTime(0.0f));
        state.ResumeTiming();
    }
}
BENCHMARK_REGISTER_F(PlaybackPiece, StartInTheMiddle)->Iterations(10)->Unit(benchmark::kMillisecond);

}   // namespace
