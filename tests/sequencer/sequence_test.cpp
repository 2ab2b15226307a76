// The sequence: its performer list (time, then precedence), the location and
// its clamps, the markers, speeds, tempo changes, step recording, the state
// codes it follows, its command handler's registration and its archive.
#include "sequencer/sequence.h"

#include "model/appstates.h"
#include "model/basiccommands.h"
#include "model/command.h"
#include "model/conductor.h"
#include "model/editstates.h"
#include "model/eventtypes.h"
#include "model/measurecommands.h"
#include "model/midievents.h"
#include "model/notes.h"
#include "model/performance.h"
#include "model/staff.h"
#include "model/plugin.h"
#include "model/tempo.h"
#include "model/textmarks.h"
#include "platform/core/archive.h"
#include "platform/core/clock.h"
#include "platform/devices/capture.h"
#include "platform/devices/portavel.h"
#include "sequencer/enginestates.h"
#include "sequencer/midimessage.h"
#include "sequencer/performers.h"
#include "sequencer/player.h"
#include "sequencer/ramps.h"
#include "sequencer/scoremgr.h"
#include "sequencer/staffperformer.h"
#include "tests/sequencer/engine_support.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <thread>
#include <vector>

namespace {

// An event of a type at a time, referenced by the test.
ECBase* MakeEvent(int type, float time) {
    // The bank selects have no class of their own in the type table.
    ECBase* event = type == ET_BANKMSB   ? new ECBankMSB
                    : type == ET_BANKLSB ? new ECBankLSB
                                         : ECBase::CreateEvent(type);
    event->Ref();
    const MCTime at(time);
    event->SetTime(&at);
    return event;
}

std::vector<ECBase*> ListOrder(const CSequence& sequence) {
    std::vector<ECBase*> order;
    for (DCsqBase* p = sequence.GetHead(); p; p = p->GetNext())
        order.push_back(p->GetOwner());
    return order;
}

std::vector<ECBase*> ListOrderBackwards(const CSequence& sequence) {
    std::vector<ECBase*> order;
    for (DCsqBase* p = sequence.GetTail(); p; p = p->GetPrev())
        order.insert(order.begin(), p->GetOwner());
    return order;
}

// Performers of loose events (no tree, no device library needed).
class PerformerList : public ::testing::Test {
protected:
    PerformerList() { RegisterPerformers(); }
    ~PerformerList() override {
        for (ECBase* event : events) {
            sequence.RemoveData(DCsqBase::GetPerformer(event, 0));
            event->Unref(1);
        }
    }
    ECBase* Insert(int type, float time) {
        ECBase* event = MakeEvent(type, time);
        events.push_back(event);
        sequence.InsertData(DCsqBase::GetPerformer(event, 1));
        return event;
    }
    CSequence sequence;
    std::vector<ECBase*> events;
};

TEST_F(PerformerList, PerformersStandByTimeThenByDescendingPrecedence) {
    ECBase* note1 = Insert(ET_NOTE, 1.0f);
    ECBase* program = Insert(ET_PROGRAMCHANGE, 1.0f);
    ECBase* note0 = Insert(ET_NOTE, 0.0f);
    ECBase* msb = Insert(ET_BANKMSB, 1.0f);
    ECBase* lsb = Insert(ET_BANKLSB, 1.0f);
    ECBase* text = Insert(ET_TEXT, 0.5f);
    ECBase* note1b = Insert(ET_NOTE, 1.0f);   // equal time and precedence: after those there
    ECBase* tempo = Insert(ET_TEMPO, 1.0f);
    ECBase* late = Insert(ET_NOTE, 7.0f);
    ECBase* negative = Insert(ET_CONTROLCHANGE, -2.0f);   // placed at 0

    const std::vector<ECBase*> expected{note0, negative, text, tempo, msb, lsb, program, note1, note1b, late};
    EXPECT_EQ(ListOrder(sequence), expected);
    EXPECT_EQ(ListOrderBackwards(sequence), expected);
    EXPECT_EQ(*negative->GetTime(), MCTime(0.0f));

    // A performer already in the list is not inserted again.
    sequence.InsertData(DCsqBase::GetPerformer(tempo, 0));
    EXPECT_EQ(ListOrder(sequence), expected);
}

TEST_F(PerformerList, RemovingMovesTheEndsAndPositionsOff) {
    ECBase* a = Insert(ET_NOTE, 0.0f);
    ECBase* b = Insert(ET_NOTE, 1.0f);
    ECBase* c = Insert(ET_NOTE, 2.0f);
    DCsqBase* pa = DCsqBase::GetPerformer(a, 0);
    DCsqBase* pb = DCsqBase::GetPerformer(b, 0);
    DCsqBase* pc = DCsqBase::GetPerformer(c, 0);
    sequence.SetPlayPosition(pb);
    sequence.SetRecordPosition(pb);

    sequence.RemoveData(pb);
    EXPECT_EQ(pb->GetPrev(), nullptr);
    EXPECT_EQ(pb->GetNext(), nullptr);
    EXPECT_EQ(pa->GetNext(), pc);
    EXPECT_EQ(pc->GetPrev(), pa);
    // The play position goes on to the next performer: going back would
    // play the one before again. The insertion cursor steps back.
    EXPECT_EQ(sequence.GetPlayPosition(), pc);
    EXPECT_EQ(sequence.GetRecordPosition(), pa);

    sequence.RemoveData(pa);
    EXPECT_EQ(sequence.GetHead(), pc);
    sequence.RemoveData(pc);
    EXPECT_EQ(sequence.GetHead(), nullptr);
    EXPECT_EQ(sequence.GetTail(), nullptr);
    EXPECT_EQ(sequence.GetPlayPosition(), nullptr);
    EXPECT_EQ(sequence.GetRecordPosition(), nullptr);
}

TEST_F(PerformerList, ANewcomerThePlayerHasNotReachedIsTheNextToPlay) {
    Insert(ET_NOTE, 0.0f);
    ECBase* two = Insert(ET_NOTE, 2.0f);
    sequence.SetPlayPosition(DCsqBase::GetPerformer(two, 0));
    sequence.SetTakenUntil(MCTime(1.0f));   // performers before 1 were taken

    ECBase* passed = Insert(ET_NOTE, 0.5f);
    EXPECT_EQ(sequence.GetPlayPosition(), DCsqBase::GetPerformer(two, 0));
    EXPECT_EQ(DCsqBase::GetPerformer(passed, 0)->GetNext(), DCsqBase::GetPerformer(two, 0));
    ECBase* ahead = Insert(ET_NOTE, 1.5f);
    EXPECT_EQ(sequence.GetPlayPosition(), DCsqBase::GetPerformer(ahead, 0));
}

TEST(SequenceRules, RecommendedTrackCountFollowsTheProcessors) {
    const struct {
        unsigned processors;
        int tracks;
    } cases[] = {{0, 12}, {1, 2}, {2, 4}, {3, 8}, {4, 8}, {5, 12}, {7, 12}, {8, 16}, {64, 16}};
    for (const auto& c : cases)
        EXPECT_EQ(CSequence::GetRecommendedTrackCount(c.processors), c.tracks) << c.processors;
    EXPECT_GE(CSequence::GetRecommendedTrackCount(), 2);
}

TEST(SequenceRules, SpeedsNotAboveZeroBecomeATenth) {
    CSequence sequence;
    const double speeds[] = {0.0, -1.0, 0.5, 2.0};
    for (double speed : speeds) {
        const double expected = speed > 0.0 ? speed : 0.1;
        sequence.SetPlaybackSpeed(speed);
        EXPECT_EQ(sequence.GetPlaybackSpeed(), expected) << speed;
        sequence.SetTempoFactor(speed);
        EXPECT_EQ(sequence.GetTempoFactor(), expected) << speed;
        sequence.SetFastSpeed(speed);
        EXPECT_EQ(sequence.GetFastSpeed(), expected) << speed;
    }
}

// A document: performance, conductor, staff 1 with notes, the sequence
// attached, the states it is sent logged (and, when asked, forwarded to it as
// the document does), the capture backend on a manual clock.
class SequenceTest : public ::testing::Test, protected engine_support::EngineParts {
protected:
    SequenceTest() {
        portavel = engine_support::OpenCapture(capture, false);
        engine_support::MakePiece(performance, conductor, sequence);
        performance->AddStateHandler(&SequenceTest::OnState, this);
    }
    ~SequenceTest() override {
        sequence->StopSequences();
        for (int i = 0; i < 40 && AnyPlayerBusy(); ++i)
            Run(5);
        QCoreApplication::processEvents();
        performance->RemoveStateHandler(&SequenceTest::OnState, this);
        engine_support::ClosePiece(performance, sequence);
    }

    bool AnyPlayerBusy() {
        return sequence->GetPlaySequencer()->WaitForIdle(0) != WAIT_OBJECT_0 ||
               sequence->GetTempoSequencer()->WaitForIdle(0) != WAIT_OBJECT_0;
    }

    static int OnState(ECBase*, int, void* data, void* user) {
        auto* self = static_cast<SequenceTest*>(user);
        auto* state = static_cast<SCBase*>(data);
        if (auto* time = dynamic_cast<SCTime*>(state))
            self->times.push_back({state->GetCode(), time->GetTime().GetSeconds()});
        if (self->forward)
            self->sequence->OnUpdate(static_cast<long>(state->GetCode()), state);
        return 0;
    }

    // Staff 1 with a note at each given quarter (one quarter long), tempo 60.
    void Build(const std::vector<float>& quarters) {
        conductor->GetTrack(TRACK_STAFF, 1, 1);
        CMidiScoreMgr* score = sequence->GetMidiScoreMgr();
        score->SetFileLoading(1);
        for (float q : quarters)
            score->AddMidiEvent(MCTime(q), MCVoiceTrack(0, 1), FCMidi(PackShortMsg(0x90, 60, 100)), 0, MCTime(1.0f));
        score->SetFileLoading(0);
        SCFile opened(STATE_FILE_OPENED);
        sequence->OnUpdate(STATE_FILE_OPENED, &opened);
        QCoreApplication::processEvents();
        times.clear();
    }

    void Run(std::uint64_t ms) {
        for (std::uint64_t done = 0; done < ms; done += 5) {
            clock.Advance(5);
            portavel->WaitForDeviceThread();
            QCoreApplication::processEvents();   // the user-interface loop runs meanwhile
        }
    }

    // SetLocation waits for the device thread to play the chase: another
    // thread moves the clock meanwhile.
    MCTime Locate(const MCTime& time) {
        std::atomic<bool> done{false};
        std::thread mover([&] {
            while (!done.load()) {
                clock.Advance(1);
                portavel->WaitForDeviceThread();
            }
        });
        const MCTime located = sequence->SetLocation(time);
        done = true;
        mover.join();
        QCoreApplication::processEvents();
        return located;
    }

    struct TimeState {
        unsigned code;
        float time;
        bool operator==(const TimeState&) const = default;
    };

    std::vector<TimeState> times;   // the time states delivered
    bool forward = false;
};

TEST_F(SequenceTest, WithoutPerformersTheLocationStaysAndNothingIsAnnounced) {
    EXPECT_EQ(sequence->SetLocation(MCTime(2.5f)), MCTime(2.5f));
    QCoreApplication::processEvents();
    EXPECT_TRUE(times.empty());
}

TEST_F(SequenceTest, TheLocationIsHeldInsideThePiece) {
    Build({0.0f, 1.0f, 5.0f});   // two 4/4 measures: the piece ends at quarter 8
    const struct {
        float asked;
        float located;
    } cases[] = {
        {-3.0f, 0.0f}, {2.5f, 2.5f}, {100.0f, 8.0f}, {std::numeric_limits<float>::max(), std::numeric_limits<float>::max()},
    };
    for (const auto& c : cases) {
        times.clear();
        EXPECT_EQ(Locate(MCTime(c.asked)), MCTime(c.located)) << c.asked;
        EXPECT_EQ(sequence->GetLocation(), MCTime(c.located)) << c.asked;
        EXPECT_EQ(sequence->GetState(), SEQUENCE_IDLE);
        // Announced once as the new play position.
        std::size_t positions = 0;
        for (const auto& t : times)
            positions += t.code == STATE_TIME_POSITION && t.time == c.located;
        EXPECT_EQ(positions, 1u) << c.asked;
    }
}

TEST_F(SequenceTest, NextAndPreviousStopAtMarkersOnly) {
    Build({0.0f, 5.0f});
    ECBase* conductorStaff = conductor->GetTrack(TRACK_CONDUCTOR, 0, 0);
    ASSERT_NE(conductorStaff, nullptr);
    const struct {
        unsigned char type;
        float time;
    } texts[] = {{5, 2.0f}, {14, 6.0f}, {3, 3.0f}, {6, 0.0f}, {15, 4.0f}};
    for (const auto& t : texts) {
        auto* text = new ECText(t.type, "marker");
        const MCTime at(t.time);
        text->SetTime(&at);
        conductorStaff->AddChild(text, SORTED);
    }
    const struct {
        float from;
        unsigned code;
        float target;
    } cases[] = {
        {2.0f, STATE_PERFORM_NEXT, 4.0f},      // type 3 at 3 is no marker
        {6.0f, STATE_PERFORM_NEXT, 8.0f},      // none after: the end of the last measure
        {4.0f, STATE_PERFORM_PREVIOUS, 2.0f},
        {2.0f, STATE_PERFORM_PREVIOUS, 0.0f},  // the marker at 0 is never a target
    };
    for (const auto& c : cases) {
        Locate(MCTime(c.from));
        times.clear();
        SCPerform perform(c.code);
        sequence->OnUpdate(static_cast<long>(c.code), &perform);
        QCoreApplication::processEvents();
        EXPECT_EQ(times, (std::vector<TimeState>{{STATE_TIME_LOCATE, c.target}})) << c.from << " " << c.code;
    }
}

TEST_F(SequenceTest, StateCodesOutsideTheTableChangeNothing) {
    Build({0.0f});
    const MCTime location = sequence->GetLocation();
    SCMaster tempo(STATE_MASTER_TEMPO);
    tempo.SetBPM(200.0f);
    sequence->OnUpdate(STATE_MASTER_TEMPO, &tempo);
    SCTime position(STATE_TIME_POSITION, MCTime(3.0f));
    sequence->OnUpdate(STATE_TIME_POSITION, &position);
    sequence->OnUpdate(-7, nullptr);
    sequence->OnUpdate(STATE_TRACK_ACTIVE, nullptr);
    QCoreApplication::processEvents();
    EXPECT_EQ(sequence->GetLocation(), location);
    EXPECT_EQ(sequence->GetPlaybackSpeed(), 1.0);
    EXPECT_TRUE(times.empty());
}

TEST_F(SequenceTest, MasterVolumeScalesEveryStaffAsAFloat) {
    Build({0.0f});
    capture->Clear();
    SCMaster volume(STATE_MASTER_VOLUME);
    volume.SetVolume(50);
    sequence->OnUpdate(STATE_MASTER_VOLUME, &volume);
    EXPECT_FLOAT_EQ(sequence->GetMasterLevel(), 0.5f);
    // Staff 1's gain of 1 sends volume 100 x 0.5 at once.
    const auto sent = capture->GetMidi();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].bytes, (std::vector<std::uint8_t>{0xB0, 7, 50}));
}

TEST_F(SequenceTest, ChangeTempoStartsARampOrSetsTheFactor) {
    Build({0.0f});
    CMidiScoreMgr* score = sequence->GetMidiScoreMgr();
    score->SetFileLoading(1);
    score->AddTempoEvent(MCTime(0.0f), MCVoiceTrack(0, 0), 120.0f, 1.0f);
    score->SetFileLoading(0);
    const struct {
        unsigned char type;
        double percent;
        double factorBefore;
        bool ramp;
        double target;   // the ramp's target, or the factor after
        int autoReset;
    } cases[] = {
        {ECTempo::TEMPO_ACCEL, 25.0, 1.0, true, 1.25, 0},
        {ECTempo::TEMPO_RALL, -20.0, 2.0, true, 1.6, 0},
        {ECTempo::TEMPO_GP, -99.0, 1.0, true, 0.05, 1},   // held to 0.05
        {ECTempo::TEMPO_A_TEMPO, 0.0, 1.5, false, 1.0, 0},
        {ECTempo::TEMPO_RUBATO, 0.0, 1.5, false, 1.5, 0},
        {5, 0.0, 1.5, false, 1.0, 0},                      // a named tempo
    };
    for (const auto& c : cases) {
        ECTempo tempo(c.type, MCTime(3.0f));
        const MCTime at(2.0f), span(3.0f);
        tempo.SetTime(&at);
        tempo.SetDuration(&span);
        sequence->SetTempoFactor(c.factorBefore);
        sequence->ChangeTempo(c.percent, &tempo);
        CSeqTempo* ramp = sequence->GetTempoSequencer();
        if (c.ramp) {
            EXPECT_NEAR(ramp->GetTargetTempoFactor(), c.target, 1e-9) << int{c.type};
            EXPECT_EQ(ramp->GetBeginTime(), MCTime(2.0f));
            EXPECT_EQ(ramp->GetDuration(), MCTime(3.0f));
            EXPECT_EQ(ramp->GetAutoReset(), c.autoReset) << int{c.type};
            EXPECT_EQ(ramp->GetState(), PLAYER_PLAYING);
            // A gradual change starts from the tempo in force before it.
            EXPECT_FLOAT_EQ(tempo.GetTempo(1.0f), 120.0f);
            sequence->StopSequences();
            Run(50);
            EXPECT_EQ(ramp->GetState(), PLAYER_STOPPED);
        } else {
            EXPECT_EQ(sequence->GetTempoFactor(), c.target) << int{c.type};
            EXPECT_EQ(ramp->GetState(), PLAYER_STOPPED);
        }
    }
}

TEST_F(SequenceTest, StepRecordTimeSnapsToWholeQuarters) {
    ECNote* prototype = new ECNote(MCTime(0.0f), MCTime(1.0f / 3.0f));
    prototype->Ref();
    SCMode::SetMode(STATE_MODE_INSERT);
    SCMode::SetEventType(ET_NOTE);
    SCMode::SetEventFunc([](void* data) { return static_cast<ECBase*>(data); }, prototype);
    SCMode insert(STATE_MODE_INSERT);
    sequence->OnUpdate(STATE_MODE_INSERT, &insert);
    SCMode::SetEventFunc(nullptr, nullptr);
    SCMode::SetEventType(-1);
    EXPECT_EQ(sequence->GetStepRecordValue(), MCTime(1.0f / 3.0f));

    std::vector<float> steps;
    for (int i = 0; i < 5; ++i)
        steps.push_back(sequence->GetStepRecordTime().GetSeconds());
    EXPECT_FLOAT_EQ(steps[1], 1.0f / 3.0f);
    EXPECT_EQ(steps[3], 1.0f);   // three thirds make exactly one quarter
    EXPECT_FLOAT_EQ(sequence->GetLocation().GetSeconds(), 5.0f / 3.0f);
    SCMode::SetMode(STATE_MODE_SELECT);
    prototype->Unref(1);
}

TEST_F(SequenceTest, EditsMoveAndDropPerformers) {
    Build({0.0f, 1.0f, 2.0f});
    std::vector<ECBase*> notes;
    for (DCsqBase* p = sequence->GetHead(); p; p = p->GetNext())
        if (p->GetOwner()->GetClassType() == ET_NOTE)
            notes.push_back(p->GetOwner());
    ASSERT_EQ(notes.size(), 3u);
    ECBase* first = notes[0];
    {
        SCEventEdit edit(STATE_EVENTS_EDITED);
        edit.SetTarget(performance);
        edit.AddItem(first, nullptr, MCTime(3.0f));   // the first note moves behind the others
        edit.AddToDeleteList(notes[1]);
        sequence->OnUpdate(STATE_EVENTS_EDITED, &edit);
        EXPECT_EQ(*first->GetTime(), MCTime(0.0f));   // placed by its new time, which it gets later
        std::vector<ECBase*> order;
        for (DCsqBase* p = sequence->GetHead(); p; p = p->GetNext())
            if (p->GetOwner()->GetClassType() == ET_NOTE)
                order.push_back(p->GetOwner());
        EXPECT_EQ(order, (std::vector<ECBase*>{notes[2], first}));
    }
    EXPECT_EQ(*first->GetTime(), MCTime(3.0f));
}

// An event another handler discards with a command (as the notation engine
// takes out a key that a removal made a repetition of) leaves the tree with
// the command, and its performer leaves the list: a list naming an event
// out of the piece would be written so and could not be read back.
TEST_F(SequenceTest, EventsACommandDiscardsLeaveTheList) {
    Build({0.0f, 1.0f, 2.0f});
    std::vector<ECBase*> notes;
    for (DCsqBase* p = sequence->GetHead(); p; p = p->GetNext())
        if (p->GetOwner()->GetClassType() == ET_NOTE)
            notes.push_back(p->GetOwner());
    ASSERT_EQ(notes.size(), 3u);
    struct Discarding {
        ECBase* event;
        static int OnCommand(ECBase*, int phase, void* batch, void* user) {
            if (phase != CMD_PHASE_PREPARE)
                return 1;
            auto& commands = *static_cast<MCCommandList*>(batch);
            for (POSITION pos = commands.GetHeadPosition(); pos;)
                commands.GetNext(pos)->Discard(static_cast<Discarding*>(user)->event);
            return 1;
        }
    } discarding{notes[1]};
    performance->AddCommandHandler(&Discarding::OnCommand, &discarding);
    auto* command = new CCBase;
    command->SetSynchronous(1);
    EXPECT_EQ(command->Apply(performance), 1);
    performance->RemoveCommandHandler(&Discarding::OnCommand, &discarding);
    std::vector<ECBase*> left;
    for (DCsqBase* p = sequence->GetHead(); p; p = p->GetNext())
        if (p->GetOwner()->GetClassType() == ET_NOTE)
            left.push_back(p->GetOwner());
    EXPECT_EQ(left, (std::vector<ECBase*>{notes[0], notes[2]}));
}

// The preferences reach a sequence through the reader the start-up
// installs: at attach and at every preference change.
TEST_F(SequenceTest, PreferencesAreReadAtAttachAndOnEveryChange) {
    static int reads = 0;
    static CSequence* read = nullptr;
    reads = 0;
    const auto before = CSequence::SetPreferencesHook([](CSequence* s) {
        ++reads;
        read = s;
    });
    sequence->Attach(performance);
    SCPrefs changed;
    sequence->OnUpdate(STATE_PREFS_CHANGED, &changed);
    CSequence::SetPreferencesHook(before);
    EXPECT_EQ(reads, 2);
    EXPECT_EQ(read, sequence.get());
}

// The MIDI text dump reads bar, pulse and tick through the sequence.
TEST_F(SequenceTest, MidiLinesShowBarPulseTickThroughTheSequence) {
    Build({0.0f, 5.0f});
    MCMidiParse withSequence(sequence.get());
    const std::string line =
        withSequence.ParseMidi(MCTime(5.0f), MCVoiceTrack(0, 1), 1, FCMidi(PackShortMsg(0x90, 60, 100)));
    EXPECT_EQ(line.rfind("  1: 1:  0 -- trk  1(0)", 0), 0u) << line;
}

// Registered once per attach, however often the document is saved, and a
// detach takes only this sequence's handler away.
TEST_F(SequenceTest, TheCommandHandlerIsRegisteredOnceAndRemovedAlone) {
    CSequence other;
    other.Attach(performance);
    for (int save = 0; save < 3; ++save) {
        CMemFile file;
        CArchive ar(&file, CArchive::store);
        sequence->Serialize(ar);
        ar.Close();
    }
    EXPECT_EQ(performance->RemoveCommandHandler(&CSequence::_OnCommand, sequence.get()), 1);
    EXPECT_EQ(performance->RemoveCommandHandler(&CSequence::_OnCommand, sequence.get()), 0);
    performance->AddCommandHandler(&CSequence::_OnCommand, sequence.get());

    other.Detach();
    EXPECT_EQ(performance->RemoveCommandHandler(&CSequence::_OnCommand, &other), 0);
    EXPECT_EQ(performance->RemoveCommandHandler(&CSequence::_OnCommand, sequence.get()), 1);
    performance->AddCommandHandler(&CSequence::_OnCommand, sequence.get());
}

// The archive: the performance, the conductor, the list's head and tail by
// reference, then the playback speed.
class SequenceArchive : public SequenceTest {
protected:
    // Stores the sequence after the four objects were entered (as the
    // document's tree entered them before it).
    std::vector<std::uint8_t> Store() {
        CMemFile file;
        CArchive ar(&file, CArchive::store);
        MapTree(ar);
        sequence->Serialize(ar);
        ar.Close();
        return file.Detach();
    }
    void MapTree(CArchive& ar) {
        ar.MapObject(performance);
        ar.MapObject(conductor);
        ar.MapObject(sequence->GetHead());
        ar.MapObject(sequence->GetTail());
    }
    void Load(CSequence& loaded, std::vector<std::uint8_t> bytes) {
        CMemFile file(std::move(bytes));
        CArchive ar(&file, CArchive::load);
        MapTree(ar);
        loaded.Serialize(ar);
    }
};

TEST_F(SequenceArchive, GoldenBytesAndTheirReturn) {
    Build({0.0f, 1.0f});
    sequence->SetPlaybackSpeed(1.5);
    const auto bytes = Store();
    std::vector<std::uint8_t> expected{0x01, 0x00, 0x02, 0x00, 0x03, 0x00, 0x04, 0x00};
    const double speed = 1.5;
    std::uint8_t raw[8];
    std::memcpy(raw, &speed, 8);
    expected.insert(expected.end(), raw, raw + 8);
    EXPECT_EQ(bytes, expected);

    CSequence loaded;
    Load(loaded, bytes);
    EXPECT_EQ(loaded.GetPerformance(), performance);
    EXPECT_EQ(loaded.GetConductor(), conductor);
    EXPECT_EQ(loaded.GetHead(), sequence->GetHead());
    EXPECT_EQ(loaded.GetTail(), sequence->GetTail());
    EXPECT_EQ(loaded.GetPlaybackSpeed(), 1.5);
    // Attached, with its own command handler.
    EXPECT_EQ(performance->RemoveCommandHandler(&CSequence::_OnCommand, &loaded), 1);
    performance->AddCommandHandler(&CSequence::_OnCommand, &loaded);
    loaded.Detach();
    sequence->Attach(performance);   // the staves' performers are this sequence's again
}

TEST_F(SequenceArchive, DamagedDataIsRefusedOrRepaired) {
    Build({0.0f, 1.0f});
    const auto good = Store();
    auto withSpeed = [&](double speed) {
        auto bytes = good;
        std::memcpy(bytes.data() + 8, &speed, 8);
        return bytes;
    };
    const struct {
        const char* name;
        std::vector<std::uint8_t> bytes;
        int cause;       // the exception's cause, or -1 when loading succeeds
        double speed;    // the speed loaded
    } cases[] = {
        {"cut short", std::vector<std::uint8_t>(good.begin(), good.end() - 1), CArchiveException::endOfFile, 0},
        {"the performance as head", {0x01, 0x00, 0x02, 0x00, 0x01, 0x00, 0x04, 0x00, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F},
         CArchiveException::badClass, 0},
        {"tail and head swapped", {0x01, 0x00, 0x02, 0x00, 0x04, 0x00, 0x03, 0x00, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F},
         CArchiveException::badIndex, 0},
        {"a head without a tail", {0x01, 0x00, 0x02, 0x00, 0x03, 0x00, 0x00, 0x00, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F},
         CArchiveException::badIndex, 0},
        {"a negative speed", withSpeed(-2.0), -1, 0.1},
        {"no speed at all", withSpeed(std::numeric_limits<double>::quiet_NaN()), -1, 1.0},
    };
    for (const auto& c : cases) {
        CSequence loaded;
        int cause = -1;
        try {
            Load(loaded, c.bytes);
        } catch (const CArchiveException& e) {
            cause = e.m_cause;
        }
        EXPECT_EQ(cause, c.cause) << c.name;
        if (c.cause < 0) {
            EXPECT_EQ(loaded.GetPlaybackSpeed(), c.speed) << c.name;
        }
        // A refused load leaves nothing attached.
        EXPECT_EQ(performance->RemoveCommandHandler(&CSequence::_OnCommand, &loaded), c.cause < 0 ? 1 : 0) << c.name;
        if (c.cause < 0) {
            performance->AddCommandHandler(&CSequence::_OnCommand, &loaded);
            loaded.Detach();
        }
    }
    sequence->Attach(performance);
}

}   // namespace

// Closing a document while it plays, just as it stops, or while its stop
// is still being told: the sequence is detached and destroyed while another
// thread keeps the clock moving, so the device thread polls, stops and
// raises notices all the while. Nothing of a notice may run on that thread
// or after the sequence has gone.
class SequenceShutdown : public ::testing::Test {
protected:
    SequenceShutdown() { portavel = engine_support::OpenCapture(capture, false); }

    // One short piece (a note on each beat of a 4/4 measure on staff 1),
    // played from the start with auto-rewind on, then closed once the clock
    // has moved `closeAfterMs`. With `stepRecording`, step recording is
    // armed before playback starts.
    void PlayAndClose(std::uint64_t closeAfterMs, bool stepRecording) {
        ECPerformance* performance = nullptr;
        ECConductor* conductor = nullptr;
        std::unique_ptr<CSequence> sequence;
        engine_support::MakePiece(performance, conductor, sequence, 1);
        CMidiScoreMgr* score = sequence->GetMidiScoreMgr();
        score->SetFileLoading(1);
        for (float q : {0.0f, 1.0f, 2.0f, 3.0f})
            score->AddMidiEvent(MCTime(q), MCVoiceTrack(0, 1), FCMidi(PackShortMsg(0x90, 60, 100)), 0, MCTime(0.5f));
        score->SetFileLoading(0);
        SCFile opened(STATE_FILE_OPENED);
        sequence->OnUpdate(STATE_FILE_OPENED, &opened);
        sequence->SetAutoRewind(1);
        if (stepRecording) {
            sequence->Step();
            sequence->Record();
        }

        std::atomic<bool> done{false};
        std::thread mover([&] {
            while (!done.load()) {
                clock.Advance(3);
                portavel->WaitForDeviceThread();
            }
        });
        const std::uint64_t start = GetClockMs();
        sequence->Play();
        while (GetClockMs() < start + closeAfterMs)
            QCoreApplication::processEvents();   // the user-interface loop runs meanwhile
        engine_support::ClosePiece(performance, sequence);
        done = true;
        mover.join();
        QCoreApplication::processEvents();   // what was posted to the sequence's window meanwhile
    }

    CManualClock clock{1000};
    CCaptureBackend* capture = nullptr;
    std::unique_ptr<CPortavel> portavel;
};

TEST_F(SequenceShutdown, ClosingWhilePlayingOrAsPlaybackStopsIsSafe) {
    // The measure lasts 2000 ms at the default tempo: the closes fall before,
    // around and after the end of playback.
    for (int repeat = 0; repeat < 200; ++repeat)
        PlayAndClose(static_cast<std::uint64_t>(repeat) * 13 % 2600, false);
}

TEST_F(SequenceShutdown, PlaybackEndingWithStepRecordingArmedIsSafeToClose) {
    for (int repeat = 0; repeat < 200; ++repeat)
        PlayAndClose(1700 + static_cast<std::uint64_t>(repeat) * 3 % 900, true);
}

// A notice raised off the sequence's thread waits for that thread's loop;
// one raised after Detach is dropped.
TEST_F(SequenceShutdown, NoticesRunOnTheSequencesThreadAndNotAfterDetach) {
    ECPerformance* performance = nullptr;
    ECConductor* conductor = nullptr;
    std::unique_ptr<CSequence> sequence;
    engine_support::MakePiece(performance, conductor, sequence, 1);
    sequence->SetAutoRewind(0);

    sequence->GetIdleEvent().Reset();
    std::thread([&] { sequence->PostNotice(CSeqPlay::NOTICE_STOPPED); }).join();
    EXPECT_FALSE(sequence->GetIdleEvent().IsSignalled());
    QCoreApplication::processEvents();
    EXPECT_TRUE(sequence->GetIdleEvent().IsSignalled());

    sequence->Detach();
    sequence->GetIdleEvent().Reset();
    std::thread([&] { sequence->PostNotice(CSeqPlay::NOTICE_STOPPED); }).join();
    QCoreApplication::processEvents();
    sequence->DeliverNotices();
    EXPECT_FALSE(sequence->GetIdleEvent().IsSignalled());
    engine_support::ClosePiece(performance, sequence);
}

namespace {

// Whether the event hangs in the performance's tree: its first parents lead
// up to it.
bool InTree(ECBase* event, ECPerformance* performance) {
    for (ECBase* at = event; at;) {
        if (at == performance)
            return true;
        MCEventList* parents = at->GetParents();
        at = parents && !parents->IsEmpty() ? parents->GetHead() : nullptr;
    }
    return false;
}

}  // namespace

// A note played in while recording goes in by a command that waits for the
// user-interface loop; a measure removed meanwhile takes the note's measure
// out of the piece. The note must not go into the removed measure: its
// performer would name an event outside the piece, which a save writes and
// a load cannot link.
TEST_F(SequenceTest, ANoteWaitingForItsMeasureWhileTheMeasureIsRemovedStaysOutOfTheList) {
    Build({0.0f, 1.0f, 2.0f, 5.0f});
    CMidiScoreMgr* score = sequence->GetMidiScoreMgr();
    ECBase* played = score->AddMidiEvent(MCTime(1.5f), MCVoiceTrack(0, 1), FCMidi(PackShortMsg(0x90, 64, 90)), 0,
                                         MCTime::TimeNull());
    ASSERT_NE(played, nullptr);
    played->Ref();
    auto* remove = new CCRemoveMeasure(1, 0);
    remove->SetSynchronous(1);
    ASSERT_EQ(remove->Apply(performance), 1);
    QCoreApplication::processEvents();   // the waiting add runs now
    score->AddMidiEvent(MCTime(1.75f), MCVoiceTrack(0, 1), FCMidi(PackShortMsg(0x80, 64, 0)), 0, MCTime::TimeNull());
    QCoreApplication::processEvents();

    EXPECT_FALSE(InTree(played, performance));
    int notes = 0;
    for (DCsqBase* p = sequence->GetHead(); p; p = p->GetNext()) {
        EXPECT_TRUE(InTree(p->GetOwner(), performance)) << "a performer of type " << p->GetOwner()->GetClassType();
        EXPECT_NE(p->GetOwner(), played);
        notes += p->GetOwner()->GetClassType() == ET_NOTE;
    }
    EXPECT_EQ(notes, 1);   // the note of the second measure, now the first
    played->Unref(1);
}
