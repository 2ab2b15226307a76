// The tempo and volume ramps, polled by the device library on the capture
// backend while the manual clock moves: each poll's value against the
// straight line computed here from the poll's musical time, the volume
// messages captured (time, output, bytes), clamping, auto-reset, the end and
// a ramp without length.
#include "sequencer/ramps.h"

#include "model/basiccommands.h"
#include "model/conductor.h"
#include "model/markings.h"
#include "model/performance.h"
#include "model/staff.h"
#include "model/plugin.h"
#include "platform/core/clock.h"
#include "platform/devices/capture.h"
#include "platform/devices/portavel.h"
#include "sequencer/enginestates.h"
#include "sequencer/midifilters.h"
#include "sequencer/performers.h"
#include "sequencer/sequence.h"
#include "sequencer/staffperformer.h"
#include "tests/sequencer/engine_support.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// One poll of a ramp as the probe saw it.
struct Poll {
    int fromMs;
    double musical;   // of the window's end
    double value;     // what the probe's `read` finds after the poll
    bool answered;
    unsigned state;
};

// A ramp that notes, after each poll, the window, the window end's musical
// time, the value the ramp left and its answer.
template <class Ramp>
class Probe : public Ramp {
public:
    using Ramp::Ramp;

    CPVEventList* GetOutputEvents(const MCTime& from, const MCTime& to) override {
        CPVEventList* answer = Ramp::GetOutputEvents(from, to);
        const double musical = this->GetSequence()->NormalizeTime(to).GetSeconds();
        std::lock_guard lock(mutex);
        polls.push_back({from.GetMSec(), musical, read(), answer != nullptr, this->GetState()});
        return answer;
    }

    std::vector<Poll> Polls() {
        std::lock_guard lock(mutex);
        return polls;
    }

    std::function<double()> read;

private:
    std::mutex mutex;
    std::vector<Poll> polls;
};

// The straight line from start to target over [begin, begin + duration].
double RampValue(double musical, double begin, double duration, double start, double target) {
    const double f = (musical - begin) / duration;
    if (f < 0.0)
        return start;
    if (f >= 1.0)
        return target;
    return start + f * (target - start);
}

// A piece with staff 1, its sequence, and the capture backend's two outputs.
class RampTest : public ::testing::Test, protected engine_support::EngineParts {
protected:
    RampTest() {
        portavel = engine_support::OpenCapture(capture, false);
        engine_support::MakePiece(performance, conductor, sequence, 1);
        staff = static_cast<DCsqStaff*>(DCsqTrack::GetTrackData(1u, TT_STAFF, sequence.get()));
        capture->Clear();
    }
    ~RampTest() override {
        sequence->StopSequences();   // the test's ramps go before the sequence
        sequence->Detach();
        sequence.reset();
        if (dynamicEvent)
            dynamicEvent->Unref(1);
        performance->RemoveChildren(1);
        performance->Unref(1);
    }

    // Moves the clock in steps, letting the device thread catch up at each.
    void Run(std::uint64_t ms) {
        for (std::uint64_t done = 0; done < ms; done += 50) {
            clock.Advance(50);
            portavel->WaitForDeviceThread();
            QCoreApplication::processEvents();   // the user-interface loop runs meanwhile
        }
    }

    // The musical time where the next poll window starts: ramps of a test
    // begin after it.
    float NextWindowMusical() {
        MCTime next;
        next.SetMSec(static_cast<int>(portavel->GetBufferTime()));
        next.SetMode(TM_PLAY);
        return sequence->NormalizeTime(next).GetSeconds();
    }

    // A dynamic of a type and percent change on staff 1, spanning
    // [begin, begin + duration], whose volume performer sends controller 7.
    DCsqDynamic* MakeDynamic(unsigned char type, float percent, float begin, float duration) {
        dynamicEvent = new ECDynamic(type, MCTime(duration));
        dynamicEvent->Ref();
        const MCTime time(begin);
        dynamicEvent->SetTime(&time);
        dynamicEvent->SetVoiceTrack(0, 1);
        auto* dynamic = static_cast<DCsqDynamic*>(dynamicEvent->GetData(DK_SEQUENCER, 1));
        dynamic->GetVolumeObject(FCMidi(PackShortMsg(0xB0, 7, 0)));
        dynamic->SetPercentChange(percent);
        return dynamic;
    }

    // A crescendo of eight quarters on the staff event `staffEvent` (staff
    // 1), from the next window on, its ramp started as playback starts it.
    ECDynamic* PlayCrescendo(ECBase* staffEvent) {
        auto* hairpin = new ECDynamic(11, MCTime(8.0f));
        const MCTime at(NextWindowMusical());
        hairpin->SetTime(&at);
        hairpin->SetVoiceTrack(0, 1);
        staffEvent->AddChild(hairpin, SORTED);
        auto* swell = static_cast<DCsqDynamic*>(hairpin->GetData(DK_SEQUENCER, 1));
        swell->GetVolumeObject(FCMidi(PackShortMsg(0xB0, 7, 0)));
        swell->SetPercentChange(50.0f);
        swell->UpdateVolume(sequence.get());
        return hairpin;
    }

    DCsqStaff* staff = nullptr;           // staff 1's performer
    ECDynamic* dynamicEvent = nullptr;
};

// Polls before the begin change nothing, then the value follows the line,
// the poll whose window reaches the end sets the final value and stops the
// ramp, and the next poll ends it. `stored` is what the value becomes where
// the ramp puts it (a float for the score factor).
double AsDouble(double value) { return value; }
double AsFloat(double value) { return static_cast<float>(value); }

void ExpectLine(const std::vector<Poll>& polls, double begin, double duration, double start, double target,
                double final, double (*stored)(double)) {
    ASSERT_GE(polls.size(), 3u);
    EXPECT_LT(polls.front().musical, begin);   // the run starts before the ramp
    for (std::size_t i = 0; i + 1 < polls.size(); ++i) {
        const auto& poll = polls[i];
        EXPECT_TRUE(poll.answered) << i;
        const bool ended = poll.musical >= begin + duration;
        EXPECT_EQ(poll.value, stored(ended ? final : RampValue(poll.musical, begin, duration, start, target)))
            << "poll " << i << " at " << poll.musical;
        EXPECT_EQ(poll.state, ended ? PLAYER_STOPPED : PLAYER_PLAYING) << i;
        EXPECT_EQ(ended, i + 2 == polls.size()) << "only the last answered poll ends the ramp: " << i;
    }
    EXPECT_FALSE(polls.back().answered);   // reported done: the library polls no more
}

TEST_F(RampTest, TempoRampMovesTheFactorAlongTheLineToTheTargetOrBack) {
    for (int autoReset : {0, 1}) {
        sequence->SetTempoFactor(1.0);
        Probe<CSeqTempo> tempo;
        tempo.read = [this] { return sequence->GetTempoFactor(); };
        tempo.Attach(sequence.get());
        tempo.SetTargetTempoFactor(1.5);
        const float begin = NextWindowMusical() + 1.0f;
        tempo.SetBeginTime(MCTime(begin));
        tempo.SetDuration(MCTime(2.0f));
        tempo.SetAutoReset(autoReset);
        sequence->PlaySequence(&tempo);
        Run(4000);   // past the ramp's end, two quarter notes after its begin
        const double final = autoReset ? 1.0 : 1.5;
        ExpectLine(tempo.Polls(), begin, 2.0, 1.0, 1.5, final, AsDouble);
        EXPECT_EQ(sequence->GetTempoFactor(), final) << autoReset;
        EXPECT_EQ(tempo.GetEndTime(), MCTime(begin + 2.0f));
        sequence->StopSequences();
    }
}

// A diminuendo halves the staff's volume; a crescendo past full is sent as
// 127, through the staff's voice map to another output and channel.
TEST_F(RampTest, VolumeRampSendsTheStaffsVolumeAlongTheSpanOfItsDynamic) {
    const struct {
        const char* name;
        unsigned char type;   // 12 diminuendo, 11 crescendo
        float percent;
        double target;
        int device, channel;
    } cases[] = {
        {"diminuendo by half", 12, -50.0f, 0.5, 0, 0},
        {"crescendo to double, clamped", 11, 100.0f, 2.0, 1, 5},
    };
    for (const auto& c : cases) {
        staff->SetScoreFactor(1.0f);
        staff->GetVoiceMapFilter()->SetVoiceDevChan(0, c.device, c.channel);
        Probe<CSeqVolume> volume(staff);
        volume.read = [this] { return staff->GetScoreFactor(); };
        volume.Attach(sequence.get());
        const float begin = NextWindowMusical() + 1.0f;
        volume.AttachClient(MakeDynamic(c.type, c.percent, begin, 4.0f));
        EXPECT_EQ(volume.GetTargetScoreFactor(), c.target) << c.name;
        EXPECT_EQ(volume.GetBeginTime(), MCTime(begin));
        EXPECT_EQ(volume.GetDuration(), MCTime(4.0f));
        capture->Clear();
        sequence->PlaySequence(&volume);
        Run(7000);   // past the span's end, four quarter notes after its begin

        const auto polls = volume.Polls();
        ExpectLine(polls, begin, 4.0, 1.0, c.target, c.target, AsFloat);

        // One controller 7 per poll from the begin on, leaving at the
        // window's start: last document volume (100) x gain (1) x score
        // factor, cut to a whole number, at most 127.
        std::vector<std::pair<std::uint64_t, Bytes>> expected;
        for (std::size_t i = 0; i + 1 < polls.size(); ++i) {
            if (polls[i].musical < begin)
                continue;
            const float volumeFactor = 1.0f * static_cast<float>(polls[i].value);
            const double value = std::min(127.0, std::trunc(100.0 * static_cast<double>(volumeFactor)));
            expected.push_back({static_cast<std::uint64_t>(polls[i].fromMs),
                                Bytes{static_cast<std::uint8_t>(0xB0 | c.channel), 7, static_cast<std::uint8_t>(value)}});
        }
        std::vector<std::pair<std::uint64_t, Bytes>> captured;
        for (const auto& record : capture->GetMidi()) {
            EXPECT_EQ(record.device, c.device) << c.name;
            captured.push_back({record.time, record.bytes});
        }
        EXPECT_EQ(captured, expected) << c.name;
        EXPECT_EQ(staff->GetLastPerformedVolume(), std::min(127, static_cast<int>(100 * c.target))) << c.name;
        sequence->StopSequences();
        dynamicEvent->Unref(1);
        dynamicEvent = nullptr;
    }
}

TEST_F(RampTest, RampsWithoutLengthEndAtOnceAndChangeNothing) {
    Probe<CSeqTempo> tempo;
    tempo.read = [this] { return sequence->GetTempoFactor(); };
    tempo.Attach(sequence.get());
    tempo.SetTargetTempoFactor(3.0);
    tempo.SetDuration(MCTime(0.0f));
    Probe<CSeqVolume> volume(staff);
    volume.read = [this] { return staff->GetScoreFactor(); };
    volume.Attach(sequence.get());
    volume.SetTargetScoreFactor(2.0);
    volume.SetDuration(MCTime(0.0f));
    sequence->PlaySequence(&tempo);
    sequence->PlaySequence(&volume);
    Run(500);
    for (const auto& polls : {tempo.Polls(), volume.Polls()}) {
        ASSERT_EQ(polls.size(), 1u);
        EXPECT_FALSE(polls[0].answered);
        EXPECT_EQ(polls[0].value, 1.0);
        EXPECT_EQ(polls[0].state, PLAYER_STOPPED);   // never left counting as playing
    }
    EXPECT_TRUE(capture->GetMidi().empty());
    sequence->StopSequences();   // the ramps are this test's own and go before the fixture
}

}   // namespace

// A staff removed while its volume ramp plays: the staff's performer goes
// inside the command, under the performance's lock, which a poll of the ramp
// takes after the ramp's own. The sequence takes the ramp over and stops it
// once that lock is free: no lock is taken out of order, nothing waits on a
// poll that waits on it, and the ramp sends nothing after its staff has gone.
TEST_F(RampTest, RemovingAStaffWhileItsRampPlaysStopsTheRampSafely) {
    ECBase* staffEvent = conductor->GetTrack(TRACK_STAFF, 1, 0);
    ASSERT_NE(staffEvent, nullptr);
    PlayCrescendo(staffEvent);
    ASSERT_EQ(staff->GetVolumeSequencer()->GetState(), PLAYER_PLAYING);

    std::atomic<bool> done{false};
    std::thread mover([&] {
        while (!done.load()) {
            clock.Advance(1);
            portavel->WaitForDeviceThread();
        }
    });
    while (capture->GetMidi().empty())
        QCoreApplication::processEvents();   // the ramp sounds
    auto* remove = new CCRemoveTrack(staffEvent);
    remove->SetSynchronous(1);
    remove->Apply(performance);
    QCoreApplication::processEvents();   // the sequence stops and frees the ramp
    // A pass that took its events before the removal may still be handing
    // them to the device: count from after it.
    portavel->WaitForDeviceThread();
    const std::size_t sent = capture->GetMidi().size();
    const std::uint64_t later = GetClockMs() + 200;
    while (GetClockMs() < later)
        QCoreApplication::processEvents();
    done = true;
    mover.join();

    EXPECT_EQ(DCsqTrack::GetTrackData(1u, TT_STAFF, sequence.get()), nullptr);
    EXPECT_EQ(capture->GetMidi().size(), sent);
    staff = nullptr;
}

// A dynamic removed while its ramp plays: the ramp plays on with the volume
// word it started with and never reads the dynamic's performer again.
TEST_F(RampTest, ADynamicRemovedWhileItsRampPlaysIsNotReadAgain) {
    ECDynamic* hairpin = PlayCrescendo(conductor->GetTrack(TRACK_STAFF, 1, 0));
    ASSERT_EQ(staff->GetVolumeSequencer()->GetState(), PLAYER_PLAYING);
    Run(200);
    ASSERT_FALSE(capture->GetMidi().empty());

    auto* remove = new CCRemove(hairpin);
    remove->SetSynchronous(1);
    remove->Apply(performance);
    QCoreApplication::processEvents();
    capture->Clear();
    Run(200);   // the ramp goes on: controller 7 on the staff's channel
    const auto sent = capture->GetMidi();
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.back().bytes[1], 7);
    sequence->StopSequences();
    Run(100);   // the ramp comes to rest
}
