// The whole engine playing a piece to the capture backend on a manual clock:
// a two-staff piece (bank, program and notes on two outputs and channels,
// tempo 120 changing to 60 at quarter 4) built through the conductor, the
// score manager and the commands, its sequence attached as a document does.
// Every test reads what the device library was handed (time, output, bytes)
// and checks it against what the score and the tempo map say, computed here
// from the score alone.
#include "model/appstates.h"
#include "model/basiccommands.h"
#include "model/conductor.h"
#include "model/conductorcache.h"
#include "model/performance.h"
#include "model/plugin.h"
#include "model/tempo.h"
#include "platform/core/clock.h"
#include "platform/devices/capture.h"
#include "platform/devices/portavel.h"
#include "sequencer/enginestates.h"
#include "sequencer/midifilters.h"
#include "sequencer/performers.h"
#include "sequencer/player.h"
#include "sequencer/scoremgr.h"
#include "sequencer/sequence.h"
#include "sequencer/staffperformer.h"
#include "tests/sequencer/engine_support.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <map>
#include <memory>
#include <ostream>
#include <thread>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// One message the device library was handed: when, to which output, what.
struct Sent {
    DWORD ms;
    int device;
    Bytes bytes;
    bool operator==(const Sent&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Sent& s) {
    out << "{" << s.ms << " dev " << s.device << ":" << std::hex;
    for (auto b : s.bytes)
        out << " " << int{b};
    return out << std::dec << "}";
}

// A staff: its output, channel and instrument.
struct StaffSpec {
    int device;
    int channel;
    int msb, lsb, program;
};

// A note of the score.
struct NoteSpec {
    int staff;   // 1 or 2
    float start;
    float length;
    int key;
    int velocity;
};

// A controller or program change of the score: status without channel.
struct EventSpec {
    int staff;
    float time;
    std::uint8_t status, data1, data2;
};

const StaffSpec kStaves[] = {
    {0, 0, 1, 2, 40},   // staff 1: output 0, channel 1
    {1, 3, 5, 6, 73},   // staff 2: output 1, channel 4
};

const NoteSpec kNotes[] = {
    {1, 0.0f, 1.0f, 60, 100}, {2, 0.0f, 2.0f, 48, 90},  {1, 1.0f, 0.5f, 62, 91}, {1, 2.0f, 2.0f, 64, 80},
    {2, 3.0f, 2.0f, 50, 70},  {1, 4.5f, 1.0f, 65, 71},  {2, 6.0f, 1.5f, 52, 60}, {1, 6.0f, 1.0f, 67, 61},
};

// The tempo map of every piece here: 120 to quarter 4, then 60.
double RealTime(double quarter) {
    return quarter < 4.0 ? quarter * 0.5 : 2.0 + (quarter - 4.0);
}

class Playback : public ::testing::Test, protected engine_support::EngineParts {
protected:
    Playback() {
        portavel = engine_support::OpenCapture(capture, false);
        engine_support::MakePiece(performance, conductor, sequence);
        sequence->SetAutoRewind(0);   // no reset flood at the end: tested on its own
        // The document forwards every state to its sequence.
        performance->AddStateHandler(&Playback::OnState, this);
    }

    ~Playback() override {
        Halt();
        performance->RemoveStateHandler(&Playback::OnState, this);
        engine_support::ClosePiece(performance, sequence);
    }

    static int OnState(ECBase*, int, void* data, void* user) {
        auto* state = static_cast<SCBase*>(data);
        static_cast<Playback*>(user)->sequence->OnUpdate(static_cast<long>(state->GetCode()), state);
        return 0;
    }

    // The two staves with their notes, controllers and tempos, opened as a
    // file is (the instrument sent), each staff mapped to its output and
    // channel; then the instruments set, which sends them at once.
    void Build(const std::vector<EventSpec>& events = {}) {
        for (int n = 1; n <= 2; ++n)
            conductor->GetTrack(TRACK_STAFF, n, 1);
        CMidiScoreMgr* score = sequence->GetMidiScoreMgr();
        score->SetFileLoading(1);
        score->AddTempoEvent(MCTime(0.0f), MCVoiceTrack(0, 0), 120.0f, 1.0f);
        score->AddTempoEvent(MCTime(4.0f), MCVoiceTrack(0, 0), 60.0f, 1.0f);
        for (const auto& e : events)
            score->AddMidiEvent(MCTime(e.time), MCVoiceTrack(0, e.staff), FCMidi(PackShortMsg(e.status, e.data1, e.data2)),
                                0, MCTime::TimeNull());
        for (const auto& n : kNotes)
            notes.push_back(AddNote(n));
        score->SetFileLoading(0);
        SCFile opened(STATE_FILE_OPENED);
        sequence->OnUpdate(STATE_FILE_OPENED, &opened);
        ASSERT_FLOAT_EQ(conductor->GetCache()->TranslateTime(MCTime(6.0f)).GetSeconds(), 4.0f);
        for (int n = 1; n <= 2; ++n) {
            const StaffSpec& s = kStaves[n - 1];
            for (int voice = 0; voice < LCMidiVoiceMap::VOICE_COUNT; ++voice)
                Staff(n)->GetVoiceMapFilter()->SetVoiceDevChan(voice, s.device, s.channel);
        }
        capture->Clear();
        built = Now();
        for (int n = 1; n <= 2; ++n) {
            const StaffSpec& s = kStaves[n - 1];
            Staff(n)->SetInstrument(s.msb, s.lsb, s.program);
        }
    }

    ECBase* AddNote(const NoteSpec& n) {
        CMidiScoreMgr* score = sequence->GetMidiScoreMgr();
        const int loading = score->GetFileLoading();
        score->SetFileLoading(1);   // the add command runs at once
        ECBase* note = score->AddMidiEvent(MCTime(n.start), MCVoiceTrack(0, n.staff),
                                           FCMidi(PackShortMsg(0x90, static_cast<std::uint8_t>(n.key),
                                                               static_cast<std::uint8_t>(n.velocity))),
                                           0, MCTime(n.length));
        score->SetFileLoading(loading);
        return note;
    }

    void Remove(ECBase* event) {
        auto* command = new CCRemove(event);
        command->SetSynchronous(1);
        command->Apply(performance);
    }

    DCsqStaff* Staff(int n) {
        return static_cast<DCsqStaff*>(DCsqTrack::GetTrackData(static_cast<unsigned>(n), TT_STAFF, sequence.get()));
    }

    DWORD Now() const { return static_cast<DWORD>(GetClockMs() - portavel->GetPlayStartTime()); }

    // Moves the clock in small steps, the device thread following each.
    void Run(std::uint64_t ms) {
        for (std::uint64_t done = 0; done < ms; done += 5) {
            clock.Advance(5);
            portavel->WaitForDeviceThread();
            QCoreApplication::processEvents();   // the user-interface loop runs meanwhile
        }
        QCoreApplication::processEvents();
    }
    void RunTo(DWORD deviceMs) {
        while (Now() < deviceMs) {
            clock.Advance(1);
            portavel->WaitForDeviceThread();
            QCoreApplication::processEvents();   // the user-interface loop runs meanwhile
        }
        QCoreApplication::processEvents();
    }
    // Until the main player rests (stopped or paused), at most `limit` ms.
    void RunUntilIdle(std::uint64_t limit = 20000) {
        for (std::uint64_t done = 0; done < limit && sequence->GetPlaySequencer()->WaitForIdle(0) != WAIT_OBJECT_0; done += 5)
            Run(5);
        Run(50);   // what the rest still hands over
    }
    // Stops whatever plays and lets it drain.
    void Halt() {
        if (sequence->GetPlaySequencer()->GetState() != PLAYER_STOPPED) {
            sequence->Stop();
            RunUntilIdle();
        }
        QCoreApplication::processEvents();
    }

    // Starts playback; the device thread has taken the first window when it
    // returns. `start` is the device time the location plays at.
    void Play() {
        start = portavel->GetBufferTime();
        playedAt = Now();
        sequence->Play();
        portavel->WaitForDeviceThread();
    }

    // Runs `action` on this thread (the user-interface thread) while another
    // moves the clock, for actions that wait for the device thread.
    template <class Action>
    void WhileClockRuns(Action action) {
        std::atomic<bool> done{false};
        std::thread mover([&] {
            while (!done.load()) {
                clock.Advance(1);
                portavel->WaitForDeviceThread();
            }
        });
        action();
        done = true;
        mover.join();
        QCoreApplication::processEvents();
    }

    std::vector<Sent> Captured(PV_Origin origin) const {
        std::vector<Sent> sent;
        for (const auto& r : capture->GetMidi())
            if (r.origin == origin)
                sent.push_back({static_cast<DWORD>(r.time), r.device, r.bytes});
        return sent;
    }
    std::vector<Sent> CapturedAll() const {
        std::vector<Sent> sent;
        for (const auto& r : capture->GetMidi())
            sent.push_back({static_cast<DWORD>(r.time), r.device, r.bytes});
        return sent;
    }

    // What playback from quarter `from` should hand over, by the score: at
    // quarter 0 the staves' bank MSBs, bank LSBs and programs, then every
    // note from `from` on with its note-off; each at the device time of its
    // quarter in the tempo map. Events of one time leave in the order they
    // were asked for: set-up first, then notes in the order they were
    // written, a note-off before a note-on of the same time.
    std::vector<Sent> ExpectedPerformance(double from, const std::vector<int>& staves = {1, 2}) const {
        auto at = [&](double quarter) {
            return static_cast<DWORD>(start + std::lround((RealTime(quarter) - RealTime(from)) * 1000.0));
        };
        auto plays = [&](int staff) { return std::find(staves.begin(), staves.end(), staff) != staves.end(); };
        std::vector<Sent> sent;
        if (from == 0.0) {
            for (int part = 0; part < 3; ++part)
                for (int n = 1; n <= 2; ++n) {
                    const StaffSpec& s = kStaves[n - 1];
                    const auto status = static_cast<std::uint8_t>((part == 2 ? 0xC0 : 0xB0) | s.channel);
                    const Bytes bytes = part == 0   ? Bytes{status, 0, static_cast<std::uint8_t>(s.msb)}
                                        : part == 1 ? Bytes{status, 32, static_cast<std::uint8_t>(s.lsb)}
                                                    : Bytes{status, static_cast<std::uint8_t>(s.program)};
                    if (plays(n))
                        sent.push_back({at(0.0), s.device, bytes});
                }
        }
        std::vector<NoteSpec> notesInOrder(std::begin(kNotes), std::end(kNotes));
        std::stable_sort(notesInOrder.begin(), notesInOrder.end(),
                         [](const NoteSpec& a, const NoteSpec& b) { return a.start < b.start; });
        for (const auto& n : notesInOrder) {
            if (n.start < from || !plays(n.staff))
                continue;
            const StaffSpec& s = kStaves[n.staff - 1];
            const auto status = static_cast<std::uint8_t>(0x90 | s.channel);
            sent.push_back({at(n.start), s.device, {status, static_cast<std::uint8_t>(n.key), static_cast<std::uint8_t>(n.velocity)}});
            sent.push_back({at(n.start + n.length), s.device, {status, static_cast<std::uint8_t>(n.key), 0}});
        }
        std::stable_sort(sent.begin(), sent.end(), [](const Sent& a, const Sent& b) { return a.ms < b.ms; });
        return sent;
    }

    std::vector<ECBase*> notes;   // in kNotes order; the tree holds them
    DWORD built = 0;              // device time of the instruments' sends
    DWORD start = 0;              // device time the location plays at
    DWORD playedAt = 0;           // device time Play was called
};

// Note-ons and note-offs by (output, status low nibble, key): the times each
// started and ended.
struct Sounding {
    std::map<std::vector<int>, std::vector<DWORD>> ons, offs;
};

Sounding Notes(const std::vector<Sent>& sent) {
    Sounding s;
    for (const auto& m : sent) {
        if (m.bytes.size() != 3 || (m.bytes[0] & 0xF0) != 0x90)
            continue;
        const std::vector<int> key{m.device, m.bytes[0] & 0x0F, m.bytes[1]};
        (m.bytes[2] ? s.ons : s.offs)[key].push_back(m.ms);
    }
    return s;
}

TEST_F(Playback, APieceLeavesAsItsScoreAndTempoMapSay) {
    Build();
    Play();
    RunUntilIdle();

    std::vector<Sent> expected;
    // The instruments, sent at once when set: bank MSB, bank LSB, program.
    for (const StaffSpec& s : kStaves) {
        expected.push_back({built, s.device, {static_cast<std::uint8_t>(0xB0 | s.channel), 0, static_cast<std::uint8_t>(s.msb)}});
        expected.push_back({built, s.device, {static_cast<std::uint8_t>(0xB0 | s.channel), 32, static_cast<std::uint8_t>(s.lsb)}});
        expected.push_back({built, s.device, {static_cast<std::uint8_t>(0xC0 | s.channel), static_cast<std::uint8_t>(s.program)}});
    }
    // Each staff's gain as its channel volume, at once when playback reaches
    // the staff: 100 at gain 1.
    for (const StaffSpec& s : kStaves)
        expected.push_back({playedAt, s.device, {static_cast<std::uint8_t>(0xB0 | s.channel), 7, 100}});
    for (const Sent& sent : ExpectedPerformance(0.0))
        expected.push_back(sent);
    EXPECT_EQ(CapturedAll(), expected);

    // The end of the last measure (quarter 8, 6 s in) ended playback.
    EXPECT_EQ(sequence->GetState(), SEQUENCE_IDLE);
    EXPECT_NEAR(sequence->GetLocation().GetSeconds(), 8.0, 0.05);
}

TEST_F(Playback, MuteAndSoloChooseWhatIsPerformed) {
    Build();
    const struct {
        const char* name;
        unsigned code;
        std::vector<int> staves;
    } cases[] = {
        {"staff 2 muted", STATE_TRACK_MUTE, {1}},
        {"staff 2 soloed", STATE_TRACK_SOLO, {2}},
    };
    for (const auto& c : cases) {
        SCTrack on(c.code);
        on.SetTrack(2);
        on.SetTrackType(TT_STAFF);
        on.SetValue(1);
        sequence->OnUpdate(static_cast<long>(c.code), &on);
        sequence->SetLocation(MCTime(0.0f));
        capture->Clear();
        Play();
        RunUntilIdle();
        EXPECT_EQ(Captured(PV_ORIGIN_PERFORMED), ExpectedPerformance(0.0, c.staves)) << c.name;
        SCTrack off(c.code);
        off.SetTrack(2);
        off.SetTrackType(TT_STAFF);
        off.SetValue(0);
        sequence->OnUpdate(static_cast<long>(c.code), &off);
    }
}

TEST_F(Playback, StoppingInTheMiddleOfANoteStillEndsIt) {
    Build();
    Play();
    // Quarter 3.5: staff 1's key 64 (2 to 4) and staff 2's key 50 (3 to 5) sound.
    RunTo(start + 1750);
    sequence->Stop();
    const DWORD stoppedAt = Now();
    RunUntilIdle();
    EXPECT_EQ(sequence->GetState(), SEQUENCE_IDLE);

    const auto sent = Captured(PV_ORIGIN_PERFORMED);
    const Sounding s = Notes(sent);
    for (const auto& [key, ons] : s.ons) {
        ASSERT_TRUE(s.offs.count(key)) << "key " << key[2];
        EXPECT_EQ(ons.size(), s.offs.at(key).size()) << "every started note ends: key " << key[2];
        EXPECT_LT(ons.back(), stoppedAt) << "nothing starts after the stop";
    }
    for (int key : {64, 50}) {
        const StaffSpec& staff = kStaves[key == 64 ? 0 : 1];
        const auto& offs = s.offs.at({staff.device, staff.channel, key});
        EXPECT_GE(offs.back(), stoppedAt) << key;
        EXPECT_LT(offs.back(), start + 2000) << "ended at the stop, not at its written end: " << key;
    }
    // Then all notes off on each channel that played.
    std::vector<Sent> soundOff;
    for (const auto& m : sent)
        if (m.bytes.size() == 3 && (m.bytes[0] & 0xF0) == 0xB0 && m.bytes[1] == 123)
            soundOff.push_back(m);
    ASSERT_EQ(soundOff.size(), 2u);
    EXPECT_EQ(soundOff[0].device, 0);
    EXPECT_EQ(soundOff[0].bytes, (Bytes{0xB0, 123, 0}));
    EXPECT_EQ(soundOff[1].device, 1);
    EXPECT_EQ(soundOff[1].bytes, (Bytes{0xB3, 123, 0}));
    EXPECT_GE(soundOff[0].ms, stoppedAt);
}

TEST_F(Playback, PauseAndResumeContinueWithoutDuplicates) {
    Build();
    Play();
    RunTo(start + 1750);   // quarter 3.5
    sequence->Pause();
    RunUntilIdle();
    EXPECT_EQ(sequence->GetPlaySequencer()->GetState(), PLAYER_PAUSED);
    const DWORD pausedAt = Now();
    const double location = sequence->GetLocation().GetSeconds();
    EXPECT_NEAR(location, 3.5, 0.1);
    Run(700);   // nothing is performed while paused
    for (const auto& m : Captured(PV_ORIGIN_PERFORMED))
        EXPECT_LT(m.ms, pausedAt + 50) << m;
    const std::size_t beforeResume = Captured(PV_ORIGIN_PERFORMED).size();

    const DWORD resumedAt = portavel->GetBufferTime();
    sequence->Pause();   // a second pause resumes
    RunUntilIdle();
    EXPECT_EQ(sequence->GetState(), SEQUENCE_IDLE);

    const auto sent = Captured(PV_ORIGIN_PERFORMED);
    const Sounding s = Notes(sent);
    for (const NoteSpec& n : kNotes) {
        const StaffSpec& staff = kStaves[n.staff - 1];
        const std::vector<int> key{staff.device, staff.channel, n.key};
        ASSERT_TRUE(s.ons.count(key)) << n.key;
        EXPECT_EQ(s.ons.at(key).size(), 1u) << "started once: " << n.key;
        EXPECT_EQ(s.offs.at(key).size(), 1u) << "ended once: " << n.key;
    }
    // After the resume the piece goes on from where it paused, in its own time.
    const auto resumed = std::vector<Sent>(sent.begin() + static_cast<long>(beforeResume), sent.end());
    for (const auto& m : resumed) {
        if (m.bytes.size() != 3 || (m.bytes[0] & 0xF0) != 0x90 || m.bytes[2] == 0)
            continue;
        for (const NoteSpec& n : kNotes) {
            if (n.key != m.bytes[1])
                continue;
            const double expectedMs = resumedAt + (RealTime(n.start) - RealTime(location)) * 1000.0;
            EXPECT_NEAR(static_cast<double>(m.ms), expectedMs, 2.0) << n.key;
        }
    }
    // Nothing of the set-up came again.
    std::size_t programs = 0;
    for (const auto& m : sent)
        programs += (m.bytes[0] & 0xF0) == 0xC0;
    EXPECT_EQ(programs, 2u);
}

TEST_F(Playback, RelocatingChasesControllersThenPlaysFromThere) {
    Build({
        {1, 1.0f, 0xB0, 10, 20},   // pan
        {2, 1.5f, 0xB0, 10, 100},
        {1, 2.0f, 0xB0, 10, 40},   // pan again: only this one is chased
        {1, 2.5f, 0xC0, 5, 0},     // a second program on staff 1
        {1, 3.0f, 0xB0, 11, 90},   // expression
    });
    capture->Clear();
    MCTime located;
    WhileClockRuns([&] { located = sequence->SetLocation(MCTime(4.5f)); });
    Run(100);   // the last chase messages were handed over ahead of their time
    EXPECT_EQ(located, MCTime(4.5f));
    EXPECT_EQ(sequence->GetState(), SEQUENCE_IDLE);

    // The chase: the last value of everything sent before quarter 4.5, in the
    // order it was sent, 3 ms apart and 20 ms after a program change.
    const auto chase = Captured(PV_ORIGIN_PERFORMED);
    const std::vector<std::pair<int, Bytes>> expected = {
        {0, {0xB0, 0, 1}},  {1, {0xB3, 0, 5}},  {0, {0xB0, 32, 2}}, {1, {0xB3, 32, 6}}, {1, {0xC3, 73}},
        {1, {0xB3, 10, 100}}, {0, {0xB0, 10, 40}}, {0, {0xC0, 5}},    {0, {0xB0, 11, 90}},
    };
    const DWORD offsets[] = {0, 3, 6, 9, 12, 32, 35, 38, 58};
    ASSERT_EQ(chase.size(), std::size(expected)) << ::testing::PrintToString(chase);
    for (std::size_t i = 0; i < chase.size(); ++i) {
        EXPECT_EQ(chase[i].device, expected[i].first) << i;
        EXPECT_EQ(chase[i].bytes, expected[i].second) << i;
        EXPECT_EQ(chase[i].ms - chase[0].ms, offsets[i]) << i;
    }

    capture->Clear();
    Play();
    RunUntilIdle();
    EXPECT_EQ(Captured(PV_ORIGIN_PERFORMED), ExpectedPerformance(4.5));
}

TEST_F(Playback, NotesAddedAndRemovedWhilePlayingAreHeardOrSilenced) {
    Build();
    Play();
    RunTo(start + 500);   // quarter 1: keys 60 and 48 have started
    const NoteSpec added{1, 3.0f, 1.0f, 66, 77};
    ECBase* note = AddNote(added);
    ASSERT_NE(note, nullptr);
    Remove(notes[3]);   // key 64 at quarter 2: not reached yet
    Remove(notes[1]);   // key 48: sounding since quarter 0
    RunUntilIdle();

    const Sounding s = Notes(Captured(PV_ORIGIN_PERFORMED));
    const std::vector<int> added66{0, 0, 66}, removed64{0, 0, 64}, sounding48{1, 3, 48};
    ASSERT_TRUE(s.ons.count(added66));
    EXPECT_EQ(s.ons.at(added66), (std::vector<DWORD>{start + 1500}));
    EXPECT_EQ(s.offs.at(added66), (std::vector<DWORD>{start + 2000}));
    EXPECT_FALSE(s.ons.count(removed64));
    EXPECT_FALSE(s.offs.count(removed64));
    // The removed sounding note still ends, at its written end.
    EXPECT_EQ(s.ons.at(sounding48).size(), 1u);
    EXPECT_EQ(s.offs.at(sounding48), (std::vector<DWORD>{start + 1000}));
    // The rest of the piece is untouched.
    const std::vector<int> later{0, 0, 65};
    EXPECT_EQ(s.ons.at(later), (std::vector<DWORD>{start + 2500}));
}

TEST_F(Playback, RewindAtTheEndResetsTheControllersAndReturnsToTheLocatedTime) {
    Build();
    sequence->SetAutoRewind(1);
    Play();
    RunUntilIdle();
    QCoreApplication::processEvents();
    EXPECT_EQ(sequence->GetLocation(), MCTime(0.0f));
    // The controllers are reset at once on every channel of each output:
    // volume 100, then reset-all-controllers (bank selects, the only
    // controllers played, have no reset of their own).
    std::vector<Sent> resets;
    for (const auto& m : Captured(PV_ORIGIN_IMMEDIATE))
        if (m.bytes.size() == 3 && (m.bytes[1] == 121 || (m.bytes[1] == 7 && m.ms > playedAt)))
            resets.push_back(m);
    ASSERT_EQ(resets.size(), 2u * 16u * 2u);
    for (std::size_t i = 0; i < resets.size(); ++i) {
        const int device = static_cast<int>(i / 32);
        const auto channel = static_cast<std::uint8_t>((i % 32) / 2);
        EXPECT_EQ(resets[i].device, device) << i;
        EXPECT_EQ(resets[i].bytes, (Bytes{static_cast<std::uint8_t>(0xB0 | channel), static_cast<std::uint8_t>(i % 2 ? 121 : 7),
                                          static_cast<std::uint8_t>(i % 2 ? 0 : 100)}))
            << i;
    }
}

}   // namespace
