// The MIDI score manager on a real piece (performance, conductor, sequence):
// the event each message makes and where it hangs, note pairing, performers
// given through the sequence's command handler, precedence, each meta-event
// adder, and the two mends of the pairing (a stray note-off shifts nothing; a
// pending note removed meanwhile is never used).
#include "sequencer/scoremgr.h"

#include "model/basiccommands.h"
#include "model/command.h"
#include "model/commandmgr.h"
#include "model/conductor.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/groupmarks.h"
#include "model/markings.h"
#include "model/measure.h"
#include "model/meter.h"
#include "model/midievents.h"
#include "model/notes.h"
#include "model/performance.h"
#include "model/staff.h"
#include "model/states.h"
#include "model/tempo.h"
#include "model/textmarks.h"
#include "platform/devices/capture.h"
#include "platform/devices/portavel.h"
#include "sequencer/performers.h"
#include "sequencer/sequence.h"
#include "sequencer/staffperformer.h"
#include "tests/platform/messaging_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using messaging_test::PumpUntil;

namespace {

FCMidi Word(unsigned status, unsigned data1 = 0, unsigned data2 = 0) {
    return FCMidi(static_cast<uint32_t>(status | data1 << 8 | data2 << 16));
}
FCMidi On(unsigned key, unsigned channel = 0) { return Word(0x90 | channel, key, 100); }
FCMidi Off(unsigned key, unsigned channel = 0) { return Word(0x80 | channel, key, 64); }

MCVoiceTrack Track(int track) { return MCVoiceTrack(0, track); }

float TimeOf(ECBase* event) { return event->GetTime()->GetSeconds(); }
ECBase* ParentOf(ECBase* event) { return event->GetParents()->GetHead(); }

// The events of a type under the root, in walk (time) order.
std::vector<ECBase*> Find(ECBase* root, int type) {
    ACFindEvents find;
    find.AddEvtType(type);
    find.Apply(root);
    std::vector<ECBase*> found;
    MCEventList& events = find.GetEvents();
    for (POSITION pos = events.GetHeadPosition(); pos;)
        found.push_back(events.GetNext(pos));
    return found;
}

// Counts the STATE_COMMANDS_DONE states the performance announces.
int OnState(ECBase*, int, void* data, void* user) {
    if (static_cast<SCBase*>(data)->GetCode() == STATE_COMMANDS_DONE)
        ++*static_cast<int*>(user);
    return 1;
}

// A piece with its conductor and an attached sequence, whose score manager
// adds synchronously unless told otherwise. The capture backend stands in
// for the devices that new staves greet.
class Piece {
public:
    explicit Piece(int loading = 1) {
        RegisterPerformers();
        m_portavel = std::make_unique<CPortavel>(std::make_unique<CCaptureBackend>());
        performance = new ECPerformance;
        performance->Ref();
        conductor = new ECConductor;
        performance->AddChild(conductor, SORTED);
        sequence = std::make_unique<CSequence>();
        sequence->Attach(performance);
        mgr = sequence->GetMidiScoreMgr();
        mgr->SetFileLoading(loading);
        performance->AddStateHandler(OnState, &doneStates);
    }
    ~Piece() {
        performance->RemoveStateHandler(OnState, &doneStates);
        sequence->Detach();
        mgr->Attach(nullptr);
        performance->RemoveChildren(1);
        performance->Unref(1);
    }
    Piece(const Piece&) = delete;
    Piece& operator=(const Piece&) = delete;

    ECBase* Staff(int number) { return conductor->GetTrack(TRACK_STAFF, number, 0); }
    ECBase* ConductorStaff() { return conductor->GetTrack(TRACK_CONDUCTOR, 0, 0); }
    ECBase* Add(float time, const FCMidi& word, int track = 1, unsigned device = 0) {
        return mgr->AddMidiEvent(MCTime(time), Track(track), word, device, MCTime::TimeNull());
    }
    std::vector<ECBase*> Notes() { return Find(performance, ET_NOTE); }

    ECPerformance* performance = nullptr;
    ECConductor* conductor = nullptr;
    std::unique_ptr<CSequence> sequence;
    CMidiScoreMgr* mgr = nullptr;
    int doneStates = 0;

private:
    std::unique_ptr<CPortavel> m_portavel;
};

// ---- pairing ----

struct Message {
    float time;
    FCMidi word;
    unsigned device = 0;
};

TEST(ScoreMgr, NotesPairFirstInFirstOutPerKey) {
    const struct {
        const char* name;
        std::vector<Message> messages;
        std::vector<float> starts, lengths;
        int stillPending;
    } cases[] = {
        {"overlapping notes of one key close in the order they began",
         {{0, On(60)}, {1, On(60)}, {1.5f, Off(60)}, {4, Off(60)}}, {0, 1}, {1.5f, 3}, 0},
        {"a stray note-off takes no place from later notes",
         {{0, Off(60)}, {1, On(60)}, {3, Off(60)}, {4, Off(60)}, {5, On(60)}, {6, Off(60)}},
         {1, 5}, {2, 1}, 0},
        {"a note-on of velocity 0 is a note-off", {{0, On(60)}, {2, Word(0x90, 60, 0)}}, {0}, {2}, 0},
        {"a note-off at the note's own start leaves it a tenth", {{1, On(60)}, {1, Off(60)}}, {1}, {0.1f}, 0},
        {"another key, channel or input device closes nothing",
         {{0, On(60)}, {1, Off(61)}, {1, Off(60, 1)}, {1, Off(60), 1}, {3, Off(60)}}, {0}, {3}, 0},
        {"a note never closed keeps its quarter", {{0, On(60)}, {2, On(62)}, {3, Off(62)}}, {0, 2}, {1, 1}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Piece piece;
        for (const Message& m : c.messages)
            piece.Add(m.time, m.word, 1, m.device);
        const std::vector<ECBase*> notes = piece.Notes();
        ASSERT_EQ(notes.size(), c.starts.size());
        for (size_t i = 0; i < notes.size(); ++i) {
            EXPECT_FLOAT_EQ(TimeOf(notes[i]), c.starts[i]) << i;
            EXPECT_FLOAT_EQ(notes[i]->GetDuration()->GetSeconds(), c.lengths[i]) << i;
        }
        EXPECT_EQ(piece.mgr->GetPendingCount(), c.stillPending);
    }
}

TEST(ScoreMgr, NoteOffAnswersTheNoteItClosedAndMakesNoEvent) {
    Piece piece;
    ECBase* note = piece.Add(0, On(64));
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(piece.Add(2, Off(64)), note);
    EXPECT_EQ(piece.Add(3, Off(64)), nullptr);   // nothing pending: no event
    EXPECT_EQ(piece.Notes().size(), 1u);
    // A note given its length is not pending at all.
    ECBase* step = piece.mgr->AddMidiEvent(MCTime(4.0f), Track(1), On(64), 0, MCTime(0.5f));
    ASSERT_NE(step, nullptr);
    EXPECT_FLOAT_EQ(step->GetDuration()->GetSeconds(), 0.5f);
    EXPECT_EQ(piece.mgr->GetPendingCount(), 0);
}

// A note-on that cannot be added still holds its place, so its own note-off
// cannot close the next note of the key.
TEST(ScoreMgr, NoteWithoutParentIsReleasedAndItsNoteOffConsumesItsPlace) {
    Piece piece;
    EXPECT_EQ(piece.Add(0, On(60), TRACK_NONE), nullptr);
    EXPECT_EQ(piece.mgr->GetPendingCount(), 1);
    EXPECT_NE(piece.Add(1, On(60)), nullptr);
    EXPECT_EQ(piece.Add(2, Off(60)), nullptr);   // the first note's note-off
    ECBase* note = piece.Add(5, Off(60));
    ASSERT_NE(note, nullptr);
    EXPECT_FLOAT_EQ(TimeOf(note), 1);
    EXPECT_FLOAT_EQ(note->GetDuration()->GetSeconds(), 4);
    EXPECT_EQ(piece.mgr->GetPendingCount(), 0);
    EXPECT_EQ(piece.Notes().size(), 1u);
}

TEST(ScoreMgr, PendingNoteRemovedMeanwhileIsNeverUsed) {
    Piece piece;
    ECBase* removed = piece.Add(0, On(60));
    ASSERT_NE(removed, nullptr);
    auto* remove = new CCRemove(removed);
    remove->SetSynchronous(1);
    remove->Apply(piece.performance);
    ASSERT_TRUE(piece.Notes().empty());

    // Its note-off finds the place, lets the note go (the table held it
    // alive until now) and answers nothing; the next note pairs as usual.
    EXPECT_EQ(piece.Add(2, Off(60)), nullptr);
    EXPECT_EQ(piece.mgr->GetPendingCount(), 0);
    piece.Add(3, On(60));
    ECBase* next = piece.Add(4.5f, Off(60));
    ASSERT_NE(next, nullptr);
    EXPECT_FLOAT_EQ(next->GetDuration()->GetSeconds(), 1.5f);
}

TEST(ScoreMgr, ClearMatchTableLeavesHeldNotesTheirLength) {
    Piece piece;
    ECBase* held = piece.Add(0, On(60));
    piece.mgr->ClearMatchTable();
    EXPECT_EQ(piece.mgr->GetPendingCount(), 0);
    EXPECT_EQ(piece.Add(3, Off(60)), nullptr);
    EXPECT_FLOAT_EQ(held->GetDuration()->GetSeconds(), 1);
}

// ---- events and their parents ----

TEST(ScoreMgr, EachMessageMakesItsEventWithItsPerformer) {
    const struct {
        FCMidi word;
        int type;
    } cases[] = {
        {Word(0xA2, 60, 30), ET_POLYPRESSURE},  {Word(0xB0, 0, 1), ET_BANKMSB},
        {Word(0xB0, 32, 2), ET_BANKLSB},        {Word(0xB0, 64, 127), ET_PEDAL},
        {Word(0xB0, 120, 0), ET_CHANNELMODE},   {Word(0xB0, 121, 0), ET_CHANNELMODE},
        {Word(0xB0, 127, 0), ET_CHANNELMODE},   {Word(0xB0, 10, 64), ET_CONTROLCHANGE},
        {Word(0xB0, 119, 5), ET_CONTROLCHANGE}, {Word(0xC3, 40), ET_PROGRAMCHANGE},
        {Word(0xD0, 90), ET_CHANNELPRESSURE},   {Word(0xE0, 0, 64), ET_PITCHBEND},
    };
    Piece piece;
    float time = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        time += 1;
        ECBase* event = piece.Add(time, c.word);
        ASSERT_NE(event, nullptr);
        EXPECT_EQ(event->GetClassType(), c.type);
        EXPECT_FLOAT_EQ(TimeOf(event), time);
        EXPECT_EQ(event->GetVoiceTrack()->GetTrack(), 1);
        EXPECT_EQ(ParentOf(event), piece.Staff(1));
        // The command's word reached the performer through the handler.
        auto* data = dynamic_cast<DCsqMidi*>(DCsqBase::GetPerformer(event, 0));
        ASSERT_NE(data, nullptr);
        EXPECT_EQ(data->GetMidiData().GetValue().dwData, c.word.GetValue().dwData);
    }
    EXPECT_EQ(piece.Add(time, Word(0)), nullptr);   // no status: no event
}

TEST(ScoreMgr, VolumeControllerBecomesADynamicOfItsLevel) {
    Piece piece;
    ECBase* event = piece.Add(1, Word(0xB1, 7, 100));
    ASSERT_NE(event, nullptr);
    ASSERT_EQ(event->GetClassType(), ET_DYNAMIC);
    EXPECT_EQ(static_cast<ECDynamic*>(event)->GetDynamicType(), 7);   // 99 to 112
    auto* data = dynamic_cast<DCsqDynamic*>(DCsqBase::GetPerformer(event, 0));
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->GetMidiData().GetValue().dwData, Word(0xB1, 7, 100).GetValue().dwData);
}

TEST(ScoreMgr, SystemMessagesHangOnTheConductorStaffKeepingTheirTrack) {
    Piece piece;
    const unsigned char reset[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    FCMidiSysEx sysEx(reset, sizeof reset);
    ECBase* event = piece.mgr->AddMidiEvent(MCTime(0.0f), Track(2), sysEx, 0, MCTime::TimeNull());
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(event->GetClassType(), ET_SYSTEMMESSAGE);
    EXPECT_EQ(ParentOf(event), piece.ConductorStaff());
    EXPECT_EQ(event->GetVoiceTrack()->GetTrack(), 2);
    auto* data = dynamic_cast<DCsqSysMsg*>(DCsqBase::GetPerformer(event, 0));
    ASSERT_NE(data, nullptr);
    EXPECT_FALSE(data->GetMidiData().HasData());   // so the buffer is what plays
    ASSERT_EQ(data->GetSysExData().GetSysExBufLength(), sizeof reset);
    EXPECT_EQ(std::vector<unsigned char>(data->GetSysExData().GetSysExBuf(),
                                         data->GetSysExData().GetSysExBuf() + sizeof reset),
              std::vector<unsigned char>(reset, reset + sizeof reset));

    // A short system message travels in the word.
    ECBase* clock = piece.Add(1, Word(0xF8));
    ASSERT_NE(clock, nullptr);
    auto* clockData = dynamic_cast<DCsqSysMsg*>(DCsqBase::GetPerformer(clock, 0));
    ASSERT_NE(clockData, nullptr);
    EXPECT_EQ(clockData->GetMidiData().GetStatusByte(), 0xF8);
}

TEST(ScoreMgr, ParentsAreMadeThroughTheConductor) {
    Piece piece;
    // A note at 10.5 on an empty piece: staff 1, and measures of 4/4 up to
    // the one that holds the note.
    ECBase* note = piece.Add(10.5f, On(60));
    ASSERT_NE(note, nullptr);
    ASSERT_NE(piece.Staff(1), nullptr);
    ECBase* measure = ParentOf(note);
    ASSERT_EQ(measure->GetClassType(), ET_MEASURE);
    EXPECT_EQ(measure, piece.conductor->GetMeasure(1, 3));
    EXPECT_EQ(piece.conductor->GetMaxMeasureNumber(), 3);
    // A controller of the next track makes staff 2 and hangs on it.
    ECBase* controller = piece.Add(1, Word(0xB0, 10, 0), 2);
    ASSERT_NE(controller, nullptr);
    EXPECT_EQ(ParentOf(controller), piece.Staff(2));
    // A track that would leave a gap gets no staff of its number.
    EXPECT_EQ(piece.Add(1, Word(0xB0, 10, 0), 9), nullptr);
    EXPECT_EQ(piece.Staff(9), nullptr);
    // Without a track nothing is added.
    EXPECT_EQ(piece.Add(1, Word(0xC0, 1), TRACK_NONE), nullptr);

    piece.mgr->CapMeasures(MCTime(20.0f));
    EXPECT_EQ(piece.conductor->GetMaxMeasureNumber(), 6);   // 20 lies in measure 6
}

// ---- meta events ----

TEST(ScoreMgr, MetaEventAddersMakeTheirMarks) {
    Piece piece;
    const MCTime zero(0.0f);

    ECFlowControl* number = piece.mgr->AddSequenceNumber(zero, Track(0), 513);
    ECFlowControl* end = piece.mgr->AddTrackEnd(MCTime(8.0f), Track(0));
    ECFlowControl* smpte = piece.mgr->AddSMPTEOffset(zero, Track(0), 1, 2, 3, 4, 5);
    ASSERT_TRUE(number && end && smpte);
    EXPECT_EQ(number->GetFlowControlType(), 14);
    EXPECT_EQ(number->GetSequenceNumber(), 513);
    EXPECT_EQ(end->GetFlowControlType(), 15);
    EXPECT_FLOAT_EQ(TimeOf(end), 8);
    EXPECT_EQ(smpte->GetFlowControlType(), 13);
    // Marks of the conductor staff stay there whatever the track.
    ECFlowControl* trackEnd = piece.mgr->AddTrackEnd(MCTime(8.0f), Track(3));
    ASSERT_NE(trackEnd, nullptr);
    for (ECBase* mark : {static_cast<ECBase*>(number), static_cast<ECBase*>(trackEnd)})
        EXPECT_EQ(ParentOf(mark), piece.ConductorStaff());
    EXPECT_EQ(trackEnd->GetVoiceTrack()->GetTrack(), 3);

    ECTempo* tempo = piece.mgr->AddTempoEvent(MCTime(4.0f), Track(0), 90.0f, 1.0f);
    ASSERT_NE(tempo, nullptr);
    EXPECT_FLOAT_EQ(tempo->GetTempo(1.0f), 90.0f);
    EXPECT_EQ(ParentOf(tempo), piece.ConductorStaff());
    EXPECT_EQ(piece.mgr->AddTempoEvent(MCTime(5.0f), Track(0), 0.0f, 1.0f), nullptr);

    ECKey* key = piece.mgr->AddKeySignature(MCTime(4.0f), Track(1), -3, 1);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->GetAccidentals(), -3);
    EXPECT_EQ(key->GetMode(), 1);
    EXPECT_EQ(ParentOf(key), piece.conductor->GetMeasure(1, 2));
    EXPECT_EQ(piece.mgr->AddKeySignature(MCTime(4.0f), Track(1), 9, 0), nullptr);
}

TEST(ScoreMgr, TextKindFollowsTheMetaTypeAndTrack) {
    Piece piece;
    piece.Add(0, Word(0xC0, 0));   // staff 1
    const unsigned char name[] = {'C', 'a', 'f', 0xE9, '!'};   // Windows-1252
    const struct {
        int metaType, track, kind;
        int parentType;
    } cases[] = {
        {3, 0, 8, ET_CONDUCTORSTAFF},   // the piece's title
        {3, 1, 3, ET_STAFF},            // a track name
        {4, 1, 4, ET_STAFF},
        {6, 0, 5, ET_CONDUCTORSTAFF},   // a marker
        {1, 1, 0, ET_STAFF},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.metaType);
        ECText* text = piece.mgr->AddTextEvent(MCTime(1.0f), Track(c.track), name, 4, c.metaType);
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(text->GetTextType(), c.kind);
        EXPECT_EQ(text->GetText(), "Caf\xC3\xA9");   // the length given, not the fifth byte
        EXPECT_EQ(ParentOf(text)->GetClassType(), c.parentType);
    }
}

// Every lyric goes into the measure of its track at its time, whether its
// note came before it, comes after it or never comes.
TEST(ScoreMgr, LyricsGoIntoTheMeasureAtTheirTime) {
    const unsigned char la[] = {'l', 'a'};
    const struct {
        const char* what;
        float time;
        bool noteBefore, noteAfter;
        int bar;
    } cases[] = {
        {"after its note-on", 2.0f, true, false, 1},
        {"before its note-on", 2.0f, false, true, 1},
        {"with no note", 2.5f, false, false, 1},
        {"on a later bar line, before its note-on", 8.0f, false, true, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Piece piece;
        ECBase* note = c.noteBefore ? piece.Add(c.time, On(60)) : nullptr;
        ECLyric* lyric = piece.mgr->AddLyricEvent(MCTime(c.time), Track(1), la, 2);
        if (c.noteAfter)
            note = piece.Add(c.time, On(60));
        ASSERT_NE(lyric, nullptr);
        EXPECT_EQ(lyric->GetText(), "la");
        EXPECT_EQ(*lyric->GetTime(), MCTime(c.time));
        EXPECT_EQ(lyric->GetParents()->GetCount(), 1);
        EXPECT_EQ(ParentOf(lyric), piece.conductor->GetMeasure(1, c.bar));
        if (note) {
            EXPECT_EQ(ParentOf(note), ParentOf(lyric));
        }
    }
}

TEST(ScoreMgr, MetersGoThroughTheMeterCommand) {
    Piece piece;
    piece.Add(0, On(60));   // a measure of 4/4 to re-bar
    ECMeter* meter = piece.mgr->AddMeterEvent(MCTime(4.0f), Track(0), 3, 8);
    ASSERT_NE(meter, nullptr);
    EXPECT_EQ(meter->GetNumerator(), 3);
    EXPECT_EQ(meter->GetDenominator(), 8);
    EXPECT_FLOAT_EQ(TimeOf(meter), 4);
    EXPECT_EQ(ParentOf(meter), piece.ConductorStaff());
    EXPECT_EQ(piece.conductor->GetMeterAtTime(MCTime(5.0f)), meter);
    EXPECT_NE(dynamic_cast<DCsqMeter*>(DCsqBase::GetPerformer(meter, 0)), nullptr);
    // One at the very time of another takes its place.
    ECMeter* replacing = piece.mgr->AddMeterEvent(MCTime(4.0f), Track(0), 2, 4);
    ASSERT_NE(replacing, nullptr);
    EXPECT_EQ(piece.conductor->GetMeterAtTime(MCTime(5.0f)), replacing);
    // Fractions the meter refuses, or that would wrap a byte, make nothing.
    EXPECT_EQ(piece.mgr->AddMeterEvent(MCTime(8.0f), Track(0), 3, 6), nullptr);
    EXPECT_EQ(piece.mgr->AddMeterEvent(MCTime(8.0f), Track(0), 3, 256), nullptr);
    EXPECT_EQ(piece.mgr->AddMeterEvent(MCTime(8.0f), Track(0), 0, 4), nullptr);
}

// ---- commands ----

TEST(ScoreMgr, FileLoadingAddsAtOnceAndSilently) {
    Piece piece;
    // A staff is made as the conductor makes one, announced; not so the adds.
    piece.Add(0, Word(0xC0, 0));
    messaging_test::PumpPending();
    piece.doneStates = 0;
    ECBase* note = piece.Add(0, On(60));
    ASSERT_NE(note, nullptr);
    EXPECT_FALSE(note->GetParents()->IsEmpty());   // in the tree on return
    messaging_test::PumpPending();
    EXPECT_EQ(piece.doneStates, 0);
}

TEST(ScoreMgr, RecordedEventsArePostedAndAnnounced) {
    Piece piece(0);
    ECBase* note = piece.Add(1, On(60));
    ASSERT_NE(note, nullptr);
    // The note-off may come before the add command has run.
    EXPECT_EQ(piece.Add(2.5f, Off(60)), note);
    ASSERT_TRUE(PumpUntil([&] { return !piece.Notes().empty(); }));
    EXPECT_EQ(piece.Notes().front(), note);
    EXPECT_FLOAT_EQ(note->GetDuration()->GetSeconds(), 1.5f);
    ASSERT_TRUE(PumpUntil([&] { return piece.doneStates > 0; }));
    auto* data = dynamic_cast<DCsqNote*>(DCsqBase::GetPerformer(note, 0));
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->GetNoteOnData().GetValue().dwData, On(60).GetValue().dwData);
}

// The input thread adds while the user-interface thread runs the commands:
// a missing staff is made by a synchronous command the other thread runs
// under the performance's lock, which the input thread must not hold then.
TEST(ScoreMgr, InputThreadMakesStavesWithoutBlockingTheTree) {
    Piece piece(0);
    std::atomic<bool> done{false};
    ECBase* note = nullptr;
    std::thread input([&] {
        note = piece.Add(0.5f, On(67), 1);
        piece.Add(1.5f, Off(67), 1);
        piece.Add(2.0f, Word(0xB0, 10, 20), 2);
        done = true;
    });
    const bool finished = PumpUntil([&] { return done.load(); });
    input.join();
    ASSERT_TRUE(finished);
    ASSERT_TRUE(PumpUntil([&] { return Find(piece.performance, ET_CONTROLCHANGE).size() == 1; }));
    ASSERT_NE(note, nullptr);
    std::lock_guard<CCriticalSection> lock(piece.performance->GetLock());
    EXPECT_EQ(piece.Notes().front(), note);
    EXPECT_FLOAT_EQ(note->GetDuration()->GetSeconds(), 1.0f);
    EXPECT_NE(piece.Staff(2), nullptr);
}

// ---- performers ----

TEST(ScoreMgr, AnEventTheTreeRefusesLeavesNoPerformerBehind) {
    Piece piece;
    ECTempo* first = piece.mgr->AddTempoEvent(MCTime(4.0f), Track(0), 90.0f, 1.0f);
    ASSERT_NE(first, nullptr);
    // The conductor holds one tempo at a time: the second is refused and freed.
    EXPECT_EQ(piece.mgr->AddTempoEvent(MCTime(4.0f), Track(0), 60.0f, 1.0f), nullptr);
    int tempos = 0;
    for (DCsqBase* p = piece.sequence->GetHead(); p; p = p->GetNext()) {
        ECBase* owner = p->GetOwner();
        ASSERT_NE(owner, nullptr);
        EXPECT_FALSE(owner->GetParents()->IsEmpty());
        tempos += owner->GetClassType() == ET_TEMPO;
    }
    EXPECT_EQ(tempos, 1);
    EXPECT_FLOAT_EQ(first->GetTempo(1.0f), 90.0f);
}

TEST(ScoreMgr, NoteWordsGoToTheNoteAndItsGraceNotes) {
    Piece piece;
    ECBase* measure = piece.conductor->GetMeasure(1, MCTime(0.0f), 1, 1);
    ASSERT_NE(measure, nullptr);
    auto* note = new ECNote(MCTime(1.0f), MCTime(1.0f));
    note->SetVoiceTrack(0, 1);
    auto* grace = new ECGraceNote(MCTime(1.0f), MCTime(0.25f));
    grace->SetVoiceTrack(0, 1);
    note->AddChild(grace, SORTED);
    auto* add = new CCAdd(note, measure, On(62));
    add->SetSynchronous(1);
    add->Apply(piece.performance);

    auto* noteData = dynamic_cast<DCsqNote*>(DCsqBase::GetPerformer(note, 0));
    auto* graceData = dynamic_cast<DCsqNote*>(DCsqBase::GetPerformer(grace, 0));
    ASSERT_TRUE(noteData && graceData);
    EXPECT_EQ(noteData->GetNoteOnData().GetValue().dwData, On(62).GetValue().dwData);
    EXPECT_EQ(noteData->GetNoteOffData().GetValue().dwData, Word(0x90, 62, 0).GetValue().dwData);
    EXPECT_EQ(graceData->GetNoteOnData().GetDataByte1(), 62);

    // Again with another key: a grace note that has its performer keeps its
    // own key; a note-off word sets only the note-off.
    graceData->SetNoteOnData(On(61));
    EXPECT_EQ(piece.mgr->AddEventData(note, On(64)), noteData);
    EXPECT_EQ(graceData->GetNoteOnData().GetDataByte1(), 61);
    EXPECT_EQ(piece.mgr->AddEventData(note, Off(65)), noteData);
    EXPECT_EQ(noteData->GetNoteOnData().GetDataByte1(), 64);
    EXPECT_EQ(noteData->GetNoteOffData().GetValue().dwData, Off(65).GetValue().dwData);
    // Neither an empty word nor a controller is a note's.
    EXPECT_EQ(piece.mgr->AddEventData(note, FCMidi()), nullptr);
    EXPECT_EQ(piece.mgr->AddEventData(note, Word(0xB0, 1, 1)), nullptr);
}

TEST(ScoreMgr, TupletNotesKeepTheirIntervals) {
    Piece piece;
    ECBase* measure = piece.conductor->GetMeasure(1, MCTime(0.0f), 1, 1);
    auto* tuplet = new ECTuplet;
    tuplet->SetVoiceTrack(0, 1);
    const MCTime start(0.0f);
    tuplet->SetTime(&start);
    auto* add = new CCAdd(tuplet, measure, FCMidi::MidiNull());
    add->SetSynchronous(1);
    add->Apply(piece.performance);

    const int keys[] = {60, -1, 67};   // -1: no performer yet
    std::vector<ECNote*> notes;
    for (int i = 0; i < 3; ++i) {
        auto* note = new ECNote(MCTime(i / 3.0f), MCTime(1 / 3.0f));
        note->SetVoiceTrack(0, 1);
        auto* addNote = new CCAdd(note, tuplet, FCMidi::MidiNull());
        addNote->SetSynchronous(1);
        addNote->Apply(piece.performance);
        if (keys[i] >= 0)
            static_cast<DCsqNote*>(DCsqBase::GetPerformer(note, 1))->SetNoteOnData(On(keys[i]));
        notes.push_back(note);
    }
    EXPECT_EQ(piece.mgr->AddEventData(tuplet, On(62)), nullptr);
    const int expected[] = {62, 62, 69};
    for (int i = 0; i < 3; ++i) {
        auto* data = dynamic_cast<DCsqNote*>(DCsqBase::GetPerformer(notes[i], 0));
        ASSERT_NE(data, nullptr) << i;
        EXPECT_EQ(data->GetNoteOnData().GetDataByte1(), expected[i]) << i;
    }
}

TEST(ScoreMgr, EventTypesGetTheirPerformersOrNone) {
    Piece piece;
    piece.Add(0, Word(0xC0, 0));   // staff 1 with its performer
    EXPECT_NE(dynamic_cast<DCsqStaff*>(DCsqBase::GetPerformer(piece.Staff(1), 0)), nullptr);
    // Marks that play nothing of their own still get one; a rest none.
    ECBase* measure = piece.conductor->GetMeasure(1, MCTime(0.0f), 1, 1);
    auto* rest = new ECRest;
    rest->SetVoiceTrack(0, 1);
    auto* add = new CCAdd(rest, measure, FCMidi::MidiNull());
    add->SetSynchronous(1);
    add->Apply(piece.performance);
    EXPECT_EQ(piece.mgr->AddEventData(rest, On(60)), nullptr);
    EXPECT_EQ(DCsqBase::GetPerformer(rest, 0), nullptr);
    ECKey* key = piece.mgr->AddKeySignature(MCTime(0.0f), Track(1), 2, 0);
    ASSERT_NE(key, nullptr);
    EXPECT_NE(dynamic_cast<DCsqKey*>(DCsqBase::GetPerformer(key, 0)), nullptr);
    // A controller without a word gets none.
    EXPECT_EQ(piece.mgr->AddEventData(piece.Add(1, Word(0xB0, 10, 1)), FCMidi()), nullptr);
    EXPECT_EQ(piece.mgr->AddEventData(nullptr, On(60)), nullptr);
}

// ---- gathering ----

// The piece as text: every list of the tree in order (each event's class,
// time, word and, for a note, its length, children indented under it), then
// the sequence's performers in order.
std::string Dump(Piece& piece) {
    std::ostringstream out;
    const auto dump = [&out](const auto& self, ECBase* event, int depth) -> void {
        out << std::string(static_cast<size_t>(depth) * 2, ' ') << event->GetClassType();
        if (const MCTime* time = event->GetTime())
            out << " @" << time->GetSeconds();
        if (const MCVoiceTrack* word = event->GetVoiceTrack())
            out << " w" << word->GetValue();
        if (const MCTime* length = event->GetDuration())
            out << " ~" << length->GetSeconds();
        out << "\n";
        if (MCEventList* children = event->GetChildren())
            for (POSITION pos = children->GetHeadPosition(); pos;)
                self(self, children->GetNext(pos), depth + 1);
    };
    dump(dump, piece.performance, 0);
    for (DCsqBase* performer = piece.sequence->GetHead(); performer; performer = performer->GetNext())
        out << "performer " << performer->GetClassType() << " @" << TimeOf(performer->GetOwner()) << " w"
            << performer->GetOwner()->GetVoiceTrack()->GetValue() << "\n";
    out << "pending " << piece.mgr->GetPendingCount() << "\n";
    return out.str();
}

// A file's worth of messages on three staves: notes (overlapping ones of one
// key, one never closed), controllers, programs and pitch bends, a system
// message, and now and then a lyric, a tempo, a meter at a bar line and a
// note for a staff that cannot be made, which all come between gathered
// events; more events than one gathered command holds.
void FeedAFile(Piece& piece) {
    const unsigned char la[] = {'l', 'a'};
    for (int step = 0; step < 700; ++step) {
        const auto t = static_cast<float>(step) * 0.25f;
        const int track = 1 + step % 3;
        const unsigned key = 48 + static_cast<unsigned>(step * 5 % 24);
        piece.Add(t, On(key, static_cast<unsigned>(track)), track);
        if (step % 4 != 3)
            piece.Add(t + 0.75f, Off(key, static_cast<unsigned>(track)), track);   // some overlap the next
        if (step % 7 == 0)
            piece.Add(t, Word(0xB0 | static_cast<unsigned>(track), 10, static_cast<unsigned>(step % 128)), track);
        if (step % 11 == 0)
            piece.Add(t, Word(0xC0 | static_cast<unsigned>(track), static_cast<unsigned>(step % 128)), track);
        if (step % 13 == 0)
            piece.Add(t, Word(0xE0 | static_cast<unsigned>(track), 0, 64), track);
        if (step == 300)
            piece.Add(t, Word(0xF8), track);
        if (step % 50 == 10)
            piece.mgr->AddLyricEvent(MCTime(t), Track(track), la, 2);
        if (step % 90 == 20)
            piece.mgr->AddTempoEvent(MCTime(t), Track(0), 100.0f + static_cast<float>(step % 40), 1.0f);
        if (step == 400)
            piece.mgr->AddMeterEvent(MCTime(112.0f), Track(0), 3, 4);
        if (step % 120 == 60)
            piece.Add(t, On(60, 9), 9);   // no staff 4 to put staff 9 after
    }
    piece.Add(200.0f, On(70));   // never closed
}

// Gathered while a file loads, the events come out where, and in the order,
// adding them one by one puts them: every list of the tree and the
// sequence's performers alike.
TEST(ScoreMgr, GatheredAddsMakeTheTreeAddingOneByOneMakes) {
    const auto read = [](int gather) {
        Piece piece;
        piece.mgr->SetGatherAdds(gather);
        FeedAFile(piece);
        piece.mgr->SetGatherAdds(0);
        piece.mgr->CapMeasures(MCTime(210.0f));
        return Dump(piece);
    };
    const std::string oneByOne = read(0);
    EXPECT_GT(std::count(oneByOne.begin(), oneByOne.end(), '\n'), 2500);
    EXPECT_EQ(read(1), oneByOne);
}

// A gathered event stands in the tree once its command ran: when gathering
// ends, when anything else is added, or with file loading off. One left
// waiting when the sequence changes goes with its command.
TEST(ScoreMgr, GatheredEventsWaitForTheirCommand) {
    Piece piece;
    piece.mgr->SetGatherAdds(1);
    ECBase* first = piece.Add(0, On(60));
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->GetParents()->IsEmpty());
    const unsigned char la[] = {'l', 'a'};
    ECLyric* lyric = piece.mgr->AddLyricEvent(MCTime(0.0f), Track(1), la, 2);
    EXPECT_FALSE(first->GetParents()->IsEmpty());
    ASSERT_NE(lyric, nullptr);
    EXPECT_EQ(ParentOf(lyric), ParentOf(first));   // the note went in first, into the lyric's measure

    ECBase* second = piece.Add(1, On(62));
    EXPECT_TRUE(second->GetParents()->IsEmpty());
    piece.mgr->SetFileLoading(0);
    EXPECT_FALSE(second->GetParents()->IsEmpty());
    piece.mgr->SetFileLoading(1);

    // Dropped, with the events it held, when the sequence changes.
    ECBase* third = piece.Add(2, On(64));
    ASSERT_NE(third, nullptr);
    third->Ref();
    piece.mgr->Attach(nullptr);
    EXPECT_TRUE(third->GetParents()->IsEmpty());
    EXPECT_EQ(third->Unref(1), 0);
    EXPECT_EQ(piece.Notes().size(), 2u);
}

// ---- precedence ----

TEST(ScoreMgr, PrecedenceRanksPerformersOfOneTime) {
    const struct {
        std::unique_ptr<DCsqBase> data;
        int rank;
    } cases[] = {
        {std::make_unique<DCsqStaff>(), 90},         {std::make_unique<DCsqFlowControl>(), 80},
        {std::make_unique<DCsqDynamic>(), 70},       {std::make_unique<DCsqMeter>(), 70},
        {std::make_unique<DCsqTempo>(), 70},         {std::make_unique<DCsqTranspose>(), 70},
        {std::make_unique<DCsqSysMsg>(), 50},        {std::make_unique<DCsqBankMSB>(), 32},
        {std::make_unique<DCsqBankLSB>(), 31},       {std::make_unique<DCsqProgram>(), 30},
        {std::make_unique<DCsqText>(), 20},          {std::make_unique<DCsqNote>(), 10},
        {std::make_unique<DCsqMidi>(), 10},          {std::make_unique<DCsqKey>(), 10},
        // Inheritance does not carry the rank: each class's own kind counts.
        {std::make_unique<DCsqLyric>(), 10},         {std::make_unique<DCsqConductorStaff>(), 10},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CMidiScoreMgr::GetPrecedence(c.data.get()), c.rank) << c.data->GetClassType();
    EXPECT_EQ(CMidiScoreMgr::GetPrecedence(nullptr), 10);
}

}  // namespace

namespace {

// Commands gathered into one batch, as a command rate gathers them while
// recording: a staff added before a removal in the batch greets its device
// with set-up events, which go into the tree through a nested command. The
// nested batch must leave the outer batch's gathered removals alone, or the
// removed note's performer stays in the sequence after the note is gone.
TEST(ScoreMgr, AStaffAddedInTheBatchOfARemovalLeavesNoPerformerOfTheRemovedNote) {
    Piece piece(0);
    ECBase* measure = piece.conductor->GetMeasure(1, MCTime(0.0f), 1, 1);
    ASSERT_NE(measure, nullptr);
    auto* note = new ECNote(MCTime(1.0f), MCTime(1.0f));
    note->SetVoiceTrack(0, 1);
    auto* add = new CCAdd(note, measure, On(62));
    add->SetSynchronous(1);
    add->Apply(piece.performance);
    ASSERT_NE(DCsqBase::GetPerformer(note, 0), nullptr);
    note->Ref();   // kept to look at after the removal

    constexpr unsigned kGatherAll = 3600000;
    piece.performance->SetCommandRate(kGatherAll);
    auto* staff = new CCAddTrack;
    staff->AddMidiTrack(0, 1);
    ASSERT_EQ(MCCommandMgr::ApplyCommand(staff, piece.performance), 1);
    ASSERT_EQ(MCCommandMgr::ApplyCommand(new CCRemove(note), piece.performance), 1);
    messaging_test::PumpPending();
    piece.performance->SetCommandRate(0);   // the gathered batch runs
    messaging_test::PumpPending();

    EXPECT_NE(piece.Staff(2), nullptr) << "the staff was added";
    EXPECT_TRUE(note->GetParents()->IsEmpty()) << "the note was removed";
    int linked = 0;
    for (DCsqBase* performer = piece.sequence->GetHead(); performer; performer = performer->GetNext())
        linked += performer->GetOwner() == note;
    EXPECT_EQ(linked, 0) << "the removed note's performer is still in the sequence";
    note->Unref(1);
}

}  // namespace
