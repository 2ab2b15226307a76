// The metronome on a playing sequence: a piece in 3/4 at 60 beats a minute,
// one long note keeping the main player busy, played to the capture backend
// on the manual clock. The clicks are read from what the device library was
// handed; the beat states from a state handler of the performance, which
// notes the thread each arrived on.
#include "sequencer/metronome.h"

#include "model/appstates.h"
#include "model/performance.h"
#include "platform/core/beep.h"
#include "platform/core/clock.h"
#include "platform/core/thread.h"
#include "platform/core/window.h"
#include "platform/devices/capture.h"
#include "platform/devices/portavel.h"
#include "sequencer/player.h"
#include "sequencer/scoremgr.h"
#include "sequencer/sequence.h"
#include "tests/sequencer/engine_support.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <ostream>
#include <thread>
#include <vector>

namespace {

constexpr std::uint8_t kPrimaryKey = 64;     // the default pulses
constexpr std::uint8_t kSecondaryKey = 50;

// One click or note-off as handed to the device library, relative to the
// device time the location plays at.
struct Click {
    int ms;
    std::uint8_t key;
    std::uint8_t velocity;
    bool operator==(const Click&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Click& c) {
    return out << "{" << c.ms << " key " << int{c.key} << " vel " << int{c.velocity} << "}";
}

// A beat state as the performance's handler saw it.
struct Beat {
    int ms;
    bool onUIThread;
};

class Metronome : public ::testing::Test, protected engine_support::EngineParts {
protected:
    Metronome() {
        portavel = engine_support::OpenCapture(capture, false);
        engine_support::MakePiece(performance, conductor, sequence, 1);
        sequence->SetAutoRewind(0);
        previousActive = ECPerformance::SetActivePerformance(performance);
        performance->AddStateHandler(&Metronome::OnState, this);
        CMidiScoreMgr* score = sequence->GetMidiScoreMgr();
        score->SetFileLoading(1);
        score->AddTempoEvent(MCTime(0.0f), MCVoiceTrack(0, 0), 60.0f, 1.0f);
        score->AddMeterEvent(MCTime(0.0f), MCVoiceTrack(0, 0), 3, 4);
        score->AddMidiEvent(MCTime(0.0f), MCVoiceTrack(0, 1), FCMidi(PackShortMsg(0x90, 72, 90)), 0, MCTime(16.0f));
        score->SetFileLoading(0);
        // Bars to quarter 18: the main player plays on past every test.
        conductor->GetMeasure(1, MCTime(15.0f), 1, 1);
        metronome = sequence->GetMetronome();
        metronome->EnableMetroPlay(1);
    }

    ~Metronome() override {
        if (sequence->GetPlaySequencer()->GetState() != PLAYER_STOPPED || metronome->GetState() != PLAYER_STOPPED) {
            sequence->Stop();
            for (int n = 0; n < 400 && (sequence->GetPlaySequencer()->WaitForIdle(0) != WAIT_OBJECT_0 ||
                                        metronome->WaitForIdle(0) != WAIT_OBJECT_0);
                 ++n)
                Run(5);
        }
        DeliverBeats();
        performance->RemoveStateHandler(&Metronome::OnState, this);
        ECPerformance::SetActivePerformance(previousActive);
        engine_support::ClosePiece(performance, sequence);
    }

    static int OnState(ECBase*, int, void* data, void* user) {
        auto* state = static_cast<SCBase*>(data);
        auto* self = static_cast<Metronome*>(user);
        if (state->GetCode() == STATE_TIME_POSITION) {
            if (auto* time = dynamic_cast<SCTime*>(state)) {
                std::lock_guard lock(self->beatsLock);
                self->beats.push_back({time->GetTime().GetMSec(), IsUIThread()});
            }
        }
        return 0;
    }

    void Run(std::uint64_t ms) {
        for (std::uint64_t done = 0; done < ms; done += 5) {
            clock.Advance(5);
            portavel->WaitForDeviceThread();
            QCoreApplication::processEvents();   // the user-interface loop runs meanwhile
        }
        QCoreApplication::processEvents();
    }

    // The metronome's thread sends each beat to this thread; let it through
    // until the thread has nothing more on its way (bounded, not timed).
    void DeliverBeats() {
        for (int idle = 0, n = 0; idle < 20 && n < 2000; ++n) {
            QCoreApplication::processEvents();
            idle = DeliverSentMessages() ? 0 : idle + 1;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    // Plays from the location: the sequence starts its metronome beside the
    // main player.
    void Play() {
        start = portavel->GetBufferTime();
        sequence->Play();
        portavel->WaitForDeviceThread();
    }

    // Moves the location; the main player's chase needs the clock running.
    void Locate(float quarters) {
        std::atomic<bool> done{false};
        std::thread mover([&] {
            while (!done.load()) {
                clock.Advance(1);
                portavel->WaitForDeviceThread();
            }
        });
        sequence->SetLocation(MCTime(quarters));
        done = true;
        mover.join();
        QCoreApplication::processEvents();
    }

    std::vector<Click> Clicks() const {
        std::vector<Click> clicks;
        for (const auto& r : capture->GetMidi())
            if (r.bytes.size() == 3 && (r.bytes[1] == kPrimaryKey || r.bytes[1] == kSecondaryKey))
                clicks.push_back({static_cast<int>(r.time) - static_cast<int>(start), r.bytes[1], r.bytes[2]});
        return clicks;
    }

    std::vector<Beat> Beats() {
        std::lock_guard lock(beatsLock);
        return beats;
    }

    CSeqMetronome* metronome = nullptr;   // the sequence's
    ECPerformance* previousActive = nullptr;
    DWORD start = 0;
    std::mutex beatsLock;
    std::vector<Beat> beats;
};

// The clicks of beats at `ms` offsets with their keys: each click and its
// note-off 250 ms later.
std::vector<Click> Expected(const std::vector<std::pair<int, std::uint8_t>>& at) {
    std::vector<Click> clicks;
    for (const auto& [ms, key] : at) {
        clicks.push_back({ms, key, static_cast<std::uint8_t>(key == kPrimaryKey ? 127 : 111)});
        clicks.push_back({ms + METRONOME_CLICK_MS, key, 0});
    }
    return clicks;
}

TEST_F(Metronome, ClicksEveryBeatWithTheDownbeatPrimaryAndANoteOffAfter250ms) {
    ASSERT_TRUE(metronome->IsThreadRunning());
    Play();
    ASSERT_TRUE(metronome->IsSounding());
    Run(3400);
    auto clicks = Clicks();
    std::erase_if(clicks, [](const Click& c) { return c.ms > 3000 + METRONOME_CLICK_MS; });
    EXPECT_EQ(clicks, Expected({{0, kPrimaryKey}, {1000, kSecondaryKey}, {2000, kSecondaryKey}, {3000, kPrimaryKey}}));
}

TEST_F(Metronome, StartingBetweenBeatsClicksOnTheNextBeatAndOnABeatAtOnce) {
    const struct {
        float location;
        std::vector<std::pair<int, std::uint8_t>> expected;
    } cases[] = {
        {0.5f, {{500, kSecondaryKey}, {1500, kSecondaryKey}, {2500, kPrimaryKey}}},
        {2.75f, {{250, kPrimaryKey}, {1250, kSecondaryKey}, {2250, kSecondaryKey}}},
        {2.0f, {{0, kSecondaryKey}, {1000, kPrimaryKey}, {2000, kSecondaryKey}}},
    };
    for (const auto& c : cases) {
        if (sequence->GetPlaySequencer()->GetState() != PLAYER_STOPPED || metronome->GetState() != PLAYER_STOPPED) {
            sequence->Stop();
            for (int n = 0; n < 400 && (sequence->GetPlaySequencer()->WaitForIdle(0) != WAIT_OBJECT_0 ||
                                        metronome->WaitForIdle(0) != WAIT_OBJECT_0);
                 ++n)
                Run(5);
        }
        Run(2 * METRONOME_CLICK_MS);   // the last note-off leaves
        Locate(c.location);
        capture->Clear();
        Play();
        Run(2900);
        auto clicks = Clicks();
        std::erase_if(clicks, [](const Click& click) { return click.ms > 2500 + METRONOME_CLICK_MS; });
        EXPECT_EQ(clicks, Expected(c.expected)) << c.location;
    }
}

TEST_F(Metronome, BeatStatesArriveOnTheUserInterfaceThreadIncludingTheOneDueAtOnce) {
    Play();
    Run(2100);
    DeliverBeats();
    std::vector<int> times;
    for (const auto& beat : Beats()) {
        EXPECT_TRUE(beat.onUIThread) << beat.ms;
        times.push_back(beat.ms);
    }
    // The beat at 0 is due as the poll reaches it: announced, not dropped,
    // and the beats after it still come.
    EXPECT_EQ(times, (std::vector<int>{0, 1000, 2000}));
}

TEST_F(Metronome, SilentUnlessEnabledForWhatTheSequenceDoes) {
    metronome->EnableMetroPlay(0);
    metronome->EnableMetroRecord(1);
    Play();
    EXPECT_FALSE(metronome->IsSounding());
    Run(1100);
    EXPECT_TRUE(Clicks().empty());
    // The beats are still announced: the display follows playback either way.
    DeliverBeats();
    EXPECT_FALSE(Beats().empty());
}

TEST_F(Metronome, WithoutTheMidiSourceEachBeatBeepsInsteadOfClicking) {
    std::atomic<int> beeps{0};
    // The beep comes from the metronome's thread.
    BeepHandler previous = SetBeepHandler([&beeps](UINT type) {
        if (type == SIMPLE_BEEP)
            ++beeps;
    });
    metronome->SetMetronomeMidi(0);
    Play();
    ASSERT_TRUE(metronome->IsSounding());
    Run(2100);
    DeliverBeats();
    SetBeepHandler(std::move(previous));
    EXPECT_EQ(beeps.load(), 3);   // the beats at 0, 1000 and 2000
    EXPECT_TRUE(Clicks().empty());
}

}   // namespace
