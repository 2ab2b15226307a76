// The player: its queue of records, its states (stop and pause against their
// drains), the levels and highlights it reports, where playback ends, fast
// forward and speed changes against the device clock, and relocation, which
// sounds nothing but the chase.
#include "sequencer/player.h"

#include "model/appstates.h"
#include "model/basiccommands.h"
#include "model/conductor.h"
#include "model/eventtypes.h"
#include "model/midievents.h"
#include "model/performance.h"
#include "model/plugin.h"
#include "model/staff.h"
#include "platform/core/clock.h"
#include "platform/devices/capture.h"
#include "platform/devices/portavel.h"
#include "sequencer/enginestates.h"
#include "sequencer/levels.h"
#include "sequencer/performers.h"
#include "sequencer/scoremgr.h"
#include "sequencer/seqevent.h"
#include "sequencer/sequence.h"
#include "sequencer/staffperformer.h"
#include "tests/sequencer/engine_support.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <memory>
#include <thread>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(SeqEventQueue, RecordsStandInTimeOrderAndEqualTimesInTheOrderQueued) {
    CSeqEventQueue queue;
    const float times[] = {2.0f, 1.0f, 2.0f, 0.5f, 1.0f, 3.0f, 2.0f};
    for (std::size_t i = 0; i < std::size(times); ++i)
        queue.Merge(MCTime(times[i]), nullptr, CPVEventData::MakeShort(0, 0, static_cast<DWORD>(i)), 0);
    std::vector<DWORD> order;
    for (const auto& record : queue.GetRecords())
        order.push_back(static_cast<DWORD>(record->GetData()->data));
    EXPECT_EQ(order, (std::vector<DWORD>{3, 1, 4, 0, 2, 6, 5}));

    // Held records go back in front; the rest follow in their order.
    CSeqEventQueue held;
    held.Merge(MCTime(9.0f), nullptr, CPVEventData::MakeShort(0, 0, 100), 0);
    queue.PrependAll(held);
    EXPECT_TRUE(held.IsEmpty());
    EXPECT_EQ(queue.GetHead()->GetData()->data, 100u);
    queue.MoveAllTo(held);
    EXPECT_TRUE(queue.IsEmpty());
    EXPECT_EQ(held.GetCount(), std::size(times) + 1);
    EXPECT_EQ(held.RemoveHead()->GetData()->data, 100u);
}

TEST(SeqEventQueue, TheReportByteBecomesTheFlagBits) {
    const struct {
        unsigned reports;
        unsigned flags;
    } cases[] = {
        {0, 0},
        {SEQ_REPORT_LEVEL, CSeqEvent::SE_STAMP | CSeqEvent::SE_LEVEL},
        {SEQ_REPORT_LEVEL | SEQ_REPORT_HIGHLIGHT_ON, CSeqEvent::SE_STAMP | CSeqEvent::SE_LEVEL | CSeqEvent::SE_HIGHLIGHT_ON},
        {SEQ_REPORT_HIGHLIGHT_OFF, CSeqEvent::SE_STAMP | CSeqEvent::SE_HIGHLIGHT_OFF},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CSeqEvent(MCTime(0.0f), nullptr, nullptr, c.reports).GetFlags(), c.flags) << c.reports;
}

// Staff 1 on output 0, channel 1, tempo 60 (a quarter note a second), played
// to the capture backend on a manual clock; the states the performance
// delivers are logged and forwarded to the sequence as a document does.
class PlayerTest : public ::testing::Test, protected engine_support::EngineParts {
protected:
    PlayerTest() {
        portavel = engine_support::OpenCapture(capture, true);
        engine_support::MakePiece(performance, conductor, sequence);
        sequence->SetAutoRewind(0);
        performance->AddStateHandler(&PlayerTest::OnState, this);
        conductor->GetTrack(TRACK_STAFF, 1, 1);
        player = sequence->GetPlaySequencer();
    }
    ~PlayerTest() override {
        if (player->GetState() != PLAYER_STOPPED) {
            sequence->Stop();
            RunUntilIdle();
        }
        QCoreApplication::processEvents();
        performance->RemoveStateHandler(&PlayerTest::OnState, this);
        engine_support::ClosePiece(performance, sequence);
    }

    static int OnState(ECBase*, int, void* data, void* user) {
        auto* self = static_cast<PlayerTest*>(user);
        auto* state = static_cast<SCBase*>(data);
        self->codes.push_back(state->GetCode());
        self->sequence->OnUpdate(static_cast<long>(state->GetCode()), state);
        return 0;
    }

    // A note (one quarter long) or another message on staff 1, then the file
    // opened so that the staff is set up.
    void Add(float quarter, std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
        CMidiScoreMgr* score = sequence->GetMidiScoreMgr();
        score->SetFileLoading(1);
        notes.push_back(score->AddMidiEvent(MCTime(quarter), MCVoiceTrack(0, 1), FCMidi(PackShortMsg(status, data1, data2)),
                                            0, status == 0x90 ? MCTime(1.0f) : MCTime::TimeNull()));
        score->SetFileLoading(0);
    }
    void Open() {
        SCFile opened(STATE_FILE_OPENED);
        sequence->OnUpdate(STATE_FILE_OPENED, &opened);
        QCoreApplication::processEvents();
        capture->Clear();
        codes.clear();
    }

    // SetLocation waits for the chase: another thread moves the clock.
    void Locate(float quarter) {
        std::atomic<bool> done{false};
        std::thread mover([&] {
            while (!done.load()) {
                clock.Advance(1);
                portavel->WaitForDeviceThread();
            }
        });
        sequence->SetLocation(MCTime(quarter));
        done = true;
        mover.join();
        RunTo(Now() + 100);
    }

    DWORD Now() const { return static_cast<DWORD>(GetClockMs() - portavel->GetPlayStartTime()); }
    void RunTo(DWORD deviceMs) {
        while (Now() < deviceMs) {
            clock.Advance(1);
            portavel->WaitForDeviceThread();
            QCoreApplication::processEvents();   // the user-interface loop runs meanwhile
        }
        QCoreApplication::processEvents();
    }
    void RunUntilIdle() {
        for (int i = 0; i < 4000 && player->WaitForIdle(0) != WAIT_OBJECT_0; ++i)
            RunTo(Now() + 5);
        RunTo(Now() + 50);
    }
    void Play() {
        start = portavel->GetBufferTime();
        sequence->Play();
        portavel->WaitForDeviceThread();
    }

    // The note-ons performed: (device time, key).
    std::vector<std::pair<DWORD, int>> NoteOns() const {
        std::vector<std::pair<DWORD, int>> ons;
        for (const auto& r : capture->GetMidi())
            if (r.origin == PV_ORIGIN_PERFORMED && r.bytes.size() == 3 && (r.bytes[0] & 0xF0) == 0x90 && r.bytes[2])
                ons.push_back({static_cast<DWORD>(r.time), r.bytes[1]});
        return ons;
    }

    CSeqPlay* player = nullptr;   // the sequence's main player
    std::vector<ECBase*> notes;   // borrowed: the tree holds them
    std::vector<unsigned> codes;  // the states delivered
    DWORD start = 0;              // device time the location plays at
};

TEST_F(PlayerTest, StopWhilePausingWaitsForTheDrainAndStopWhilePausedIsAtOnce) {
    for (float q : {0.0f, 1.0f, 2.0f, 3.0f})
        Add(q, 0x90, 60, 100);
    Open();

    Play();
    RunTo(start + 1500);
    sequence->Pause();
    EXPECT_EQ(player->GetState(), PLAYER_PAUSING);
    sequence->Stop();
    EXPECT_EQ(player->GetState(), PLAYER_STOPPING);   // the drain still runs
    RunUntilIdle();
    EXPECT_EQ(player->GetState(), PLAYER_STOPPED);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), STATE_PERFORM_STOP), 1);

    codes.clear();
    sequence->SetLocation(MCTime(0.0f));
    Play();
    RunTo(start + 1500);
    sequence->Pause();
    RunUntilIdle();
    EXPECT_EQ(player->GetState(), PLAYER_PAUSED);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), STATE_PERFORM_STOP), 0);
    sequence->Stop();
    EXPECT_EQ(player->GetState(), PLAYER_STOPPED);   // no poll needed
    EXPECT_EQ(sequence->GetIdleEvent().Wait(0), WAIT_OBJECT_0);
    QCoreApplication::processEvents();
    EXPECT_EQ(std::count(codes.begin(), codes.end(), STATE_PERFORM_STOP), 1);
}

// A note the filters silence still shows its level and its light; a
// controller in the same poll as a note-on reports no level of its own.
TEST_F(PlayerTest, LevelsComeFromNoteOnsAndSurviveTheFilters) {
    Add(0.0f, 0xB0, 10, 127);   // pan 127 at the same time as the note
    Add(0.0f, 0x90, 60, 64);
    Add(2.0f, 0x90, 62, 96);
    Open();
    sequence->GetHighlightMgr()->EnableHighlighting(1);
    CMeterLevelMgr* levels = sequence->GetMeterLevelMgr();
    ASSERT_GE(levels->GetTrackCount(), 2);

    Play();
    RunTo(start + 100);
    EXPECT_FLOAT_EQ(levels->GetCurrentLevels()[1], 64.0f / 128.0f);
    MCEventList& on = sequence->GetHighlightMgr()->GetHighlightOnList();
    ASSERT_EQ(on.GetCount(), 1);
    EXPECT_EQ(on.GetHead(), notes[1]);

    // Muted: no message leaves, but the level and the light still do.
    SCTrack mute(STATE_TRACK_MUTE);
    mute.SetTrack(1);
    mute.SetTrackType(TT_STAFF);
    mute.SetValue(1);
    sequence->OnUpdate(STATE_TRACK_MUTE, &mute);
    capture->Clear();
    RunTo(start + 2100);
    EXPECT_TRUE(NoteOns().empty());
    EXPECT_FLOAT_EQ(levels->GetCurrentLevels()[1], 96.0f / 128.0f);
    MCEventList& lit = sequence->GetHighlightMgr()->GetHighlightOnList();
    ASSERT_EQ(lit.GetCount(), 1);
    EXPECT_EQ(lit.GetHead(), notes[2]);
    RunTo(start + 3100);
    MCEventList& dark = sequence->GetHighlightMgr()->GetHighlightOffList(0);
    ASSERT_EQ(dark.GetCount(), 2);
    EXPECT_EQ(dark.GetTail(), notes[2]);
}

// The last performer is taken at once; playback still runs to the end of
// the last measure (quarter 4, 4 s in).
TEST_F(PlayerTest, PlaybackEndsAtTheEndOfTheLastMeasure) {
    Add(0.0f, 0x90, 60, 100);
    Open();
    Play();
    RunTo(start + 3950);
    EXPECT_EQ(player->GetState(), PLAYER_PLAYING);
    RunTo(start + 4050);
    EXPECT_EQ(player->GetState(), PLAYER_STOPPED);
    EXPECT_EQ(sequence->GetState(), SEQUENCE_IDLE);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), STATE_PERFORM_STOP), 1);
}

// Fast forward plays at four times the speed; back at normal speed, or at a
// new playback speed, what follows keeps to the new pace from where the
// change happened. The model: each change at device time B (the buffer
// time) starts a stretch at speed s from the quarter R that stood there; a
// quarter q of that stretch plays at B + (q - R) / s seconds.
TEST_F(PlayerTest, SpeedChangesMoveOnlyWhatFollows) {
    for (float q : {0.0f, 1.0f, 2.0f, 3.0f, 4.0f, 5.0f})
        Add(q, 0x90, static_cast<std::uint8_t>(60 + q), 100);
    Open();
    struct Stretch {
        double from;     // B, device ms
        double quarter;  // R
        double speed;    // s
    };
    std::vector<Stretch> stretches;
    auto change = [&](double speed) {
        const double from = portavel->GetBufferTime();
        const Stretch& last = stretches.back();
        stretches.push_back({from, last.quarter + (from - last.from) / 1000.0 * last.speed, speed});
    };

    Play();
    stretches.push_back({static_cast<double>(start), 0.0, 1.0});
    change(4.0);
    sequence->Forward();
    EXPECT_EQ(player->GetState(), PLAYER_FASTFORWARD);
    RunTo(start + 600);
    change(1.0);
    sequence->Forward();   // back to normal speed
    EXPECT_EQ(player->GetState(), PLAYER_PLAYING);
    RunTo(start + 1500);
    change(2.0);
    sequence->SetPlaybackSpeed(2.0);
    RunUntilIdle();

    const auto ons = NoteOns();
    ASSERT_EQ(ons.size(), 6u);
    std::vector<std::size_t> used;
    for (std::size_t q = 0; q < ons.size(); ++q) {
        std::size_t i = 0;
        while (i + 1 < stretches.size() && stretches[i + 1].quarter <= static_cast<double>(q))
            ++i;
        used.push_back(i);
        const Stretch& st = stretches[i];
        EXPECT_NEAR(static_cast<double>(ons[q].first), st.from + (static_cast<double>(q) - st.quarter) * 1000.0 / st.speed, 1.0)
            << "quarter " << q;
    }
    // Every stretch played some of the piece.
    EXPECT_EQ(used, (std::vector<std::size_t>{0, 1, 1, 2, 3, 3}));
}

// Relocating sounds the chase and nothing else: notes before the new place
// are skipped, and no level or light is reported for them.
TEST_F(PlayerTest, ARelocationSoundsOnlyTheChase) {
    Add(0.0f, 0x90, 60, 100);
    Add(1.0f, 0xB0, 10, 30);
    Add(2.0f, 0x90, 62, 100);
    Add(3.0f, 0x90, 64, 100);
    Open();
    sequence->GetHighlightMgr()->EnableHighlighting(1);

    Locate(2.5f);

    EXPECT_EQ(player->GetState(), PLAYER_STOPPED);
    EXPECT_TRUE(NoteOns().empty());
    std::vector<Bytes> chased;
    for (const auto& r : capture->GetMidi())
        if (r.origin == PV_ORIGIN_PERFORMED)
            chased.push_back(r.bytes);
    EXPECT_EQ(chased, (std::vector<Bytes>{{0xB0, 0, 0}, {0xB0, 32, 0}, {0xC0, 0}, {0xB0, 10, 30}}));
    EXPECT_EQ(sequence->GetMeterLevelMgr()->GetPendingCount(), 0);
    EXPECT_EQ(sequence->GetHighlightMgr()->GetHighlightOnList().GetCount(), 0);
    EXPECT_EQ(sequence->GetHighlightMgr()->GetHighlightOffList(1).GetCount(), 0);

    capture->Clear();
    Play();
    RunUntilIdle();
    const auto ons = NoteOns();
    ASSERT_EQ(ons.size(), 1u);
    EXPECT_EQ(ons[0], (std::pair<DWORD, int>{start + 500, 64}));
}

// A wave clip plays on the sequence's wave output at its time, with its
// file, track and the player's performance; started inside the clip, it
// plays at once from where it would have begun.
TEST_F(PlayerTest, WaveClipsPlayAtTheirTimeAndFromInsideThem) {
    Add(0.0f, 0x90, 60, 100);
    ECTrack* waveTrack = conductor->GetTrack(TRACK_WAVE, 1, 1);
    ASSERT_NE(waveTrack, nullptr);
    auto* wave = new ECWave(MCTime(1.0f), "clip.wav");
    const MCTime length(2.0f);
    wave->SetDuration(&length);
    wave->SetVoiceTrack(0, 1);
    auto* add = new CCAdd(wave, waveTrack);
    add->SetSynchronous(1);
    add->Apply(performance);
    Open();

    auto wavesPlayed = [&] {
        std::vector<CCaptureBackend::Record> played;
        for (const auto& r : capture->GetRecords())
            if (r.kind == CCaptureBackend::WAVE_PLAY)
                played.push_back(r);
        return played;
    };
    Play();
    RunTo(start + 1100);
    auto played = wavesPlayed();
    ASSERT_EQ(played.size(), 1u);
    EXPECT_EQ(played[0].fileName, "clip.wav");
    EXPECT_EQ(played[0].time, start + 1000u);
    EXPECT_EQ(played[0].params.track, 1);
    EXPECT_EQ(played[0].tag, player->GetTag());
    sequence->Stop();
    RunUntilIdle();

    Locate(2.0f);   // a second into the clip
    capture->Clear();
    Play();
    RunTo(start + 100);
    played = wavesPlayed();
    ASSERT_EQ(played.size(), 1u);
    EXPECT_EQ(played[0].fileName, "clip.wav");
    EXPECT_EQ(played[0].time, start - 1000u);
}

}   // namespace
