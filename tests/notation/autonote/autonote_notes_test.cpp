// The engine's note handlers, end to end: a bar of quarters C4 D4 E4 F4, a
// bar holding a C5 quarter, an empty bar and a C4 quarter in bar 4, read from
// a MIDI file and notated, then edited by command batches as the view runs
// them, and read back from the dump.
//   - An added eighth inside D4 cuts D4, marked value- and time-dirty before
//     the command runs; a note touching another leaves it alone; a removed
//     note leaves a rest, unless an earlier element of the batch handled it.
//   - An added note cutting a note tied over the bar line unmakes the chain
//     and renotates both bars.
//   - While real-time recording, a note into a measure window already
//     cleared for its staff clears nothing more; the first note into a new
//     window clears that one.
//   - A note added with a grace note that asks for a slur gets a slur on its
//     staff holding both.
//   - A modifier is grace-sized on a grace note and keeps the renotation its
//     note asked for; a tuplet's note clears its measures' rests.
// And the overlap rule of EditNotesThatIntersect on its own: spans that
// only touch do not overlap.
#include "model/basiccommands.h"
#include "model/conductor.h"
#include "model/eventtypes.h"
#include "model/groupmarks.h"
#include "model/measure.h"
#include "model/modifiers.h"
#include "model/notes.h"
#include "model/performance.h"
#include "model/staff.h"
#include "notation/autonote/autonote.h"
#include "notation/autonote/clearing.h"
#include "notation/display/base.h"
#include "notation/display/gracenote.h"
#include "notation/display/note.h"
#include "sequencer/enginestates.h"
#include "tests/notation/autonote/autonote_support.h"
#include "tests/notation/support/melody.h"
#include "tests/notation/support/notation_fixture.h"
#include "tests/notation/support/voicecheck.h"

#include <gtest/gtest.h>

#include <functional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int Q = 256;   // the file's division and the notation's ticks a quarter
constexpr int STAFF = 1;
constexpr int VOICE = 0;
constexpr int VELOCITY = 90;
constexpr uint32_t NOTE_ON = 0x90;   // channel 1

// A note-on word for the add command: the performer the sequence gives the
// note plays this key.
FCMidi NoteOn(int key) {
    return FCMidi(NOTE_ON | (static_cast<uint32_t>(key) << 8) | (static_cast<uint32_t>(VELOCITY) << 16));
}

MCTime Ticks(int ticks) {
    MCTime time;
    time.SetTicks(ticks, Q);
    return time;
}

// A bar line of the dump in short: each element as pitch (or "rest") and
// value, a beam number after a colon when beamed; "?" where the dump has it.
std::string Brief(const std::string& dump, int bar) {
    const std::regex line("^staff " + std::to_string(STAFF) + " bar " + std::to_string(bar) +
                          " voice " + std::to_string(VOICE) + ": (.*)$");
    static const std::regex kElement(R"((note|rest)\(at=-?\d+ (?:key=\S+ pitch=(\S+) )?value=(\S+)[^)]* beam=(\S+)\))");
    std::istringstream lines(dump);
    for (std::string text; std::getline(lines, text);) {
        std::smatch found;
        if (!std::regex_match(text, found, line))
            continue;
        std::string brief;
        const std::string body = found[1];
        for (std::sregex_iterator it(body.begin(), body.end(), kElement), end; it != end; ++it) {
            const std::smatch& element = *it;
            brief += brief.empty() ? "" : " ";
            brief += element[1] == "rest" ? std::string("rest") : element[2].str();
            brief += " " + element[3].str();
            if (element[4] != "-")
                brief += ":" + element[4].str();
        }
        return brief;
    }
    return "(no line)";
}

// A piece of one staff in 4/4 read from a melody, and edits run on it.
class NoteEditTest : public notation_test::NotationFixture {
protected:
    void Load(const std::vector<notation_test::PlayedNote>& melody) {
        ASSERT_EQ(LoadMidi(notation_test::MelodyFile(melody, Q, {4, 2})), 1);
    }
    void TearDown() override { StopWatching(); }

    ECMeasure* Bar(int number) { return Conductor()->GetMeasure(STAFF, number); }
    // The note of the staff standing at `ticks` from the piece's start.
    ECNote* NoteAt(int ticks) {
        ECMeasure* bar = Conductor()->GetMeasure(STAFF, Ticks(ticks), 0, 1);
        MCEventList* children = bar ? bar->GetChildren() : nullptr;
        for (POSITION pos = children ? children->GetHeadPosition() : nullptr; pos;) {
            ECBase* child = children->GetNext(pos);
            if (child->GetClassType() == ET_NOTE && *child->GetTime() == Ticks(ticks))
                return static_cast<ECNote*>(child);
        }
        return nullptr;
    }
    static ECNote* NewNote(int ticks, int length) {
        auto* note = new ECNote(Ticks(ticks), Ticks(length));
        note->SetVoiceTrack(VOICE, STAFF);
        return note;
    }
    CCAdd* AddNote(int key, int ticks, int length) {
        ECNote* note = NewNote(ticks, length);
        return new CCAdd(note, Conductor()->GetMeasure(STAFF, Ticks(ticks), 0, 1), NoteOn(key));
    }
    static int Rests(ECBase* measure) {
        int rests = 0;
        MCEventList* children = measure->GetChildren();
        for (POSITION pos = children ? children->GetHeadPosition() : nullptr; pos;)
            rests += children->GetNext(pos)->GetClassType() == ET_REST;
        return rests;
    }

    // From here on, `onPrepare` runs in the Prepare phase of each batch,
    // after the engine prepared it and before the commands run.
    void WatchPrepare(std::function<void(MCCommandList&)> onPrepare) {
        m_onPrepare = std::move(onPrepare);
        if (!m_watching)
            Performance()->AddCommandHandler(&OnPrepare, this);
        m_watching = true;
    }
    void StopWatching() {
        if (m_watching)
            Performance()->RemoveCommandHandler(&OnPrepare, this);
        m_watching = false;
    }

private:
    static int OnPrepare(ECBase*, int phase, void* batch, void* user) {
        auto& self = *static_cast<NoteEditTest*>(user);
        if (phase == CMD_PHASE_PREPARE && self.m_onPrepare)
            self.m_onPrepare(*static_cast<MCCommandList*>(batch));
        return 1;
    }

    std::function<void(MCCommandList&)> m_onPrepare;
    bool m_watching = false;
};

class NoteHandlerTest : public NoteEditTest {
protected:
    void SetUp() override {
        Load({{60, 0, Q}, {62, Q, Q}, {64, 2 * Q, Q}, {65, 3 * Q, Q}, {72, 4 * Q, Q}, {60, 12 * Q, Q}});
        const std::string dump = Dump();
        ASSERT_EQ(Brief(dump, 1), "C4 1/4 D4 1/4 E4 1/4 F4 1/4") << dump;
        ASSERT_EQ(Brief(dump, 2), "C5 1/4 rest 1/4 rest 1/2") << dump;
        ASSERT_EQ(Brief(dump, 3), "rest 1/1") << dump;
    }
};

TEST_F(NoteHandlerTest, AnAddedEighthCutsTheNoteItOverlaps) {
    ECNote* d4 = NoteAt(Q);
    ASSERT_NE(d4, nullptr);
    int valueDirty = -1;
    int timeDirty = -1;
    WatchPrepare([&](MCCommandList&) {
        DCctBase* display = NotationDisplayOf(d4);
        valueDirty = display ? display->ValueDirty() : -1;
        timeDirty = display ? display->TimeDirty() : -1;
    });
    RunBatch({AddNote(67, Q + Q / 2, Q / 2)});
    EXPECT_EQ(valueDirty, 1);
    EXPECT_EQ(timeDirty, 1);
    const std::string dump = Dump();
    EXPECT_EQ(Brief(dump, 1), "C4 1/4 D4 1/8:1 G4 1/8:1 E4 1/4 F4 1/4") << dump;
    EXPECT_NE(dump.find("key=67 pitch=G4"), std::string::npos) << dump;
}

TEST_F(NoteHandlerTest, ANoteAddedBesideOthersLeavesThemAlone) {
    // Right after C5, touching it.
    ECNote* c5 = NoteAt(4 * Q);
    ASSERT_NE(c5, nullptr);
    int c5Dirty = -1;
    WatchPrepare([&](MCCommandList&) { c5Dirty = NotationDisplayOf(c5)->ValueDirty(); });
    RunBatch({AddNote(67, 5 * Q, Q)});
    EXPECT_EQ(c5Dirty, 0);
    const std::string dump = Dump();
    EXPECT_EQ(Brief(dump, 2), "C5 1/4 G4 1/4 rest 1/2") << dump;
}

TEST_F(NoteHandlerTest, ARemovedNoteLeavesARest) {
    ECNote* d4 = NoteAt(Q);
    ASSERT_NE(d4, nullptr);
    RunBatch({new CCRemove(d4)});
    const std::string dump = Dump();
    EXPECT_EQ(Brief(dump, 1), "C4 1/4 rest 1/4 E4 1/4 F4 1/4") << dump;
}

// A note already value- and time-dirty was made over by an earlier element
// of the batch: removing it clears nothing more.
TEST_F(NoteHandlerTest, ARemovedNoteAlreadyHandledClearsNothing) {
    const struct {
        const char* what;
        int valueDirty, timeDirty;
        bool clears;
    } cases[] = {
        {"clean", 0, 0, true},
        {"value-dirty only", 1, 0, true},
        {"time-dirty only", 0, 1, true},
        {"value- and time-dirty", 1, 1, false},
    };
    for (const auto& c : cases) {
        ECNote* e4 = NoteAt(2 * Q);
        ASSERT_NE(e4, nullptr) << c.what;
        CCRemove remove(e4);
        DCctBase* display = NotationDisplayOf(e4);
        display->SetValueDirty(c.valueDirty);
        display->SetTimeDirty(c.timeDirty);
        Engine().GetNotateInfo().Reset();
        Engine().RemoveNote(&remove, e4, nullptr);
        EXPECT_EQ(Engine().GetNotateInfo().GetNotateRange() == NOTATE_EVENTS, c.clears) << c.what;
        EXPECT_EQ(Engine().GetNotateInfo().GetStaffWindowCount() == 1, c.clears) << c.what;
        display->SetValueDirty(0);
        display->SetTimeDirty(0);
        Engine().GetNotateInfo().Reset();
    }
}

TEST_F(NoteHandlerTest, ARecordedNoteClearsEachWindowOnce) {
    SCBase record(STATE_PERFORM_RECORD);
    Notify(record);
    ASSERT_TRUE(Engine().GetNotateInfo().IsRealTimeRecording());
    ECMeasure* bar2 = Bar(2);
    ASSERT_EQ(Rests(bar2), 2);

    // The first note into bar 2's window clears it: the rests go.
    RunBatch({AddNote(67, 5 * Q, Q)});
    EXPECT_EQ(Rests(bar2), 0);

    // A rest put back by hand stays while the notes go on into that window:
    // it was cleared already.
    auto* rest = new ECRest;
    const MCTime restTime = Ticks(7 * Q);
    rest->SetTime(&restTime);
    rest->SetVoiceTrack(VOICE, STAFF);
    RunBatch({new CCAdd(rest, bar2)});
    ASSERT_EQ(Rests(bar2), 1);
    std::vector<int> discarded;
    WatchPrepare([&](MCCommandList& batch) {
        for (POSITION pos = batch.GetHeadPosition(); pos;)
            discarded.push_back(batch.GetNext(pos)->GetDiscardList()->GetCount());
    });
    RunBatch({AddNote(69, 6 * Q, Q)});
    EXPECT_EQ(Rests(bar2), 1);
    EXPECT_EQ(discarded, std::vector<int>{0});

    // A note into the next window clears that one.
    ECMeasure* bar3 = Bar(3);
    ASSERT_NE(bar3, nullptr);
    ASSERT_EQ(Rests(bar3), 1);
    discarded.clear();
    RunBatch({AddNote(71, 8 * Q, Q)});
    EXPECT_EQ(Rests(bar3), 0);
    EXPECT_EQ(discarded, std::vector<int>{1});

    SCBase stop(STATE_PERFORM_STOP);
    Notify(stop);
}

// The slur of the staff that holds `note`, or null.
ECBase* SlurOver(ECBase* note) {
    MCEventList* parents = note->GetParents();
    for (POSITION pos = parents ? parents->GetHeadPosition() : nullptr; pos;) {
        ECBase* parent = parents->GetNext(pos);
        if (parent->GetClassType() == ET_SLUR)
            return parent;
    }
    return nullptr;
}

TEST_F(NoteHandlerTest, ANoteAddedWithAGraceNoteIsSlurredToIt) {
    const struct {
        const char* what;
        int slur;       // the grace note's slur flag
        bool slurred;   // whether the add made a slur
    } cases[] = {
        {"a grace note asking for a slur", 1, true},
        {"a grace note asking for none", 0, false},
    };
    constexpr int BAR = 3;
    int at = 8 * Q;
    for (const auto& c : cases) {
        ECNote* note = NewNote(at, Q);
        auto* grace = new ECGraceNote(Ticks(at), Ticks(Q / 2));
        grace->SetVoiceTrack(VOICE, STAFF);
        note->AddChild(grace, SORTED);
        auto* display = dynamic_cast<DCctGraceNote*>(grace->GetData(DK_NOTATION, 1));
        ASSERT_NE(display, nullptr) << c.what;
        display->SetSlur(c.slur, 1);
        RunBatch({new CCAdd(note, Bar(BAR), NoteOn(72))});
        ECBase* slur = SlurOver(note);
        EXPECT_EQ(slur != nullptr, c.slurred) << c.what;
        if (slur) {
            EXPECT_EQ(SlurOver(grace), slur) << c.what;
            MCEventList* staffParents = slur->GetParents();
            ASSERT_EQ(staffParents->GetCount(), 1) << c.what;
            EXPECT_EQ(staffParents->GetHead(), Conductor()->GetTrack(TRACK_STAFF, STAFF, 0)) << c.what;
            EXPECT_EQ(*slur->GetTime(), *grace->GetTime()) << c.what;
        }
        at += 2 * Q;
    }
}

// A note and the accent on it, added in one batch: the accent asks for no
// renotation of its own and takes back none the note asked for.
TEST_F(NoteHandlerTest, AnAccentAddedWithItsNoteLeavesTheNoteNotated) {
    ECNote* note = NewNote(5 * Q, Q);
    auto* accent = new ECAccent;
    RunBatch({new CCAdd(note, Bar(2), NoteOn(67)), new CCAddNoteModifier(accent, note)});
    const std::string dump = Dump();
    EXPECT_EQ(Brief(dump, 2), "C5 1/4 G4 1/4 rest 1/2") << dump;
    EXPECT_EQ(accent->GetParents()->GetHead(), note);
}

TEST_F(NoteHandlerTest, AModifierOnAGraceNoteIsGraceSized) {
    // The accent's own display class is not here yet: a plain one carries
    // the grace bit.
    autonote_test::DisplayClasses standIn({ET_ACCENT}, RUNTIME_CLASS(DCctBase));
    ECNote* host = NoteAt(Q);
    ASSERT_NE(host, nullptr);
    auto* grace = new ECGraceNote(Ticks(Q), Ticks(Q / 2));
    grace->SetVoiceTrack(VOICE, STAFF);
    RunBatch({new CCAdd(grace, host)});
    const struct {
        const char* what;
        ECBase* parent;
        int grace;
    } cases[] = {
        {"on a note", host, 0},
        {"on a grace note", grace, 1},
    };
    for (const auto& c : cases) {
        auto* accent = new ECAccent;
        RunBatch({new CCAddNoteModifier(accent, c.parent)});
        ASSERT_NE(NotationDisplayOf(accent), nullptr) << c.what;
        EXPECT_EQ(NotationDisplayOf(accent)->IsGrace(), c.grace) << c.what;
    }
}

TEST_F(NoteHandlerTest, AnAddMergesWhereItsParentHoldsNotesAlready) {
    const struct {
        const char* what;
        int bar;
        int merges;
    } cases[] = {
        {"into a bar of notes", 1, 1},
        {"into a bar of rests alone", 3, 0},
    };
    for (const auto& c : cases) {
        CCAdd add(NewNote(0, Q), Bar(c.bar), NoteOn(60));
        EXPECT_EQ(Engine().IsMergeAdd(&add), c.merges) << c.what;
    }
    // A note already standing first in its parent is not merged with itself.
    ECNote* c4 = NoteAt(0);
    CCAdd again(c4, Bar(1), NoteOn(60));
    EXPECT_EQ(Engine().IsMergeAdd(&again), 0);
}

// C4 a dotted half, then F4 held over the bar line (notated F4 q~ | F4 q).
class TiedOverBarTest : public NoteEditTest {
protected:
    void SetUp() override {
        Load({{60, 0, 3 * Q}, {65, 3 * Q, 2 * Q}});
        const std::string dump = Dump();
        ASSERT_EQ(Brief(dump, 1), "C4 1/2. F4 1/4") << dump;
        ASSERT_EQ(Brief(dump, 2), "F4 1/4 rest 1/4 rest 1/2") << dump;
        ASSERT_NE(dump.find("pitch=F4 value=1/4 tie=~"), std::string::npos) << dump;
    }
};

// The tie chain the new note cuts runs on into bar 2: the measures are
// gathered again over the chain, the chain is unmade and the window
// renotated reaches the end of bar 2, whose rests are made afresh.
TEST_F(TiedOverBarTest, ANoteIntoATieChainRenotatesTheWholeChain) {
    const struct {
        const char* what;
        int at, length;   // the added G4
        const char* bar1;
        const char* bar2;
    } cases[] = {
        // Only the head of the chain lies in the new note's span.
        {"inside the head", 3 * Q + Q / 2, Q / 2, "C4 1/2. F4 1/8:1 G4 1/8:1", "rest 1/1"},
        // The continuation lies in it too.
        {"over the bar line", 3 * Q + Q / 2, Q, "C4 1/2. F4 1/8:1 G4 1/8:1", "G4 1/8 rest 1/8 rest 1/4 rest 1/2"},
        // Only the continuation lies in it: the head, which plays the
        // whole chain, is cut all the same.
        {"inside the continuation", 4 * Q + Q / 2, Q / 4, "C4 1/2. F4 1/4", "F4 1/8:1 G4 1/16:1 rest 1/16 rest 1/4 rest 1/2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Load({{60, 0, 3 * Q}, {65, 3 * Q, 2 * Q}});   // read afresh
        ASSERT_EQ(Conductor()->GetMaxTrackNumber(TRACK_STAFF), 1);
        ASSERT_EQ(Brief(Dump(), 2), "F4 1/4 rest 1/4 rest 1/2");
        MCTime measureEnd;
        MCTime timeEnd;
        WatchPrepare([&](MCCommandList&) {
            const CNotateInfo::StaffInfo& window = Engine().GetNotateInfo().GetStaffWindows().front();
            measureEnd = window.measureEnd;
            timeEnd = window.timeEnd;
        });
        RunBatch({AddNote(67, c.at, c.length)});
        EXPECT_EQ(timeEnd, Ticks(5 * Q));
        EXPECT_EQ(measureEnd, Ticks(8 * Q));
        const std::string dump = Dump();
        EXPECT_EQ(Brief(dump, 1), c.bar1) << dump;
        EXPECT_EQ(Brief(dump, 2), c.bar2) << dump;
        StopWatching();
    }
}

// Notes added and removed one batch after another in a bar of rests: every
// gap is rested once. The rests a voice keeps from before are shared out
// among the gaps they stand in (the first rest of a gap was stretched over
// the whole gap and divided there, beside the kept rest further on).
TEST_F(NoteEditTest, AddsAndRemovesRestEveryGapOnce) {
    Load({{60, 7 * Q, Q}});
    RunBatch({AddNote(49, Q, Q)});
    RunBatch({AddNote(80, 7 * Q / 4, Q)});
    RunBatch({AddNote(83, Q / 2, Q / 4)});
    EXPECT_EQ(Brief(Dump(), 1), "rest 1/8 B5 1/16 rest 1/16 Db3! 1/8.:1 Ab5! 1/16:1 Ab5! 1/8. rest 1/16 rest 1/4");
    const std::vector<ECNote*> notes = notation_check::NotesIn(Bar(1));
    ASSERT_EQ(notes.size(), 4u);
    RunBatch({new CCRemove(notes[1])});
    RunBatch({new CCRemove(notes[3])});   // a continuation: its head ties it again
    RunBatch({AddNote(61, Q, 85)});
    RunBatch({AddNote(49, Q / 4, Q / 4)});
    EXPECT_EQ(Brief(Dump(), 1),
              "rest 1/16 Db3! 1/16:1 B5 1/16:1 rest 1/16 Db4! 1/16:2 rest 1/16:2 rest 1/16:2 Ab5! 1/16:2 Ab5! 1/8. "
              "rest 1/16 rest 1/4");
}

// Removing the head of the chain takes its tie and continuation with it.
TEST_F(TiedOverBarTest, ARemovedTiedNoteTakesItsChainAlong) {
    ECNote* f4 = NoteAt(3 * Q);
    ASSERT_NE(f4, nullptr);
    RunBatch({new CCRemove(f4)});
    const std::string dump = Dump();
    EXPECT_EQ(Brief(dump, 1), "C4 1/2. rest 1/4") << dump;
    EXPECT_EQ(Brief(dump, 2), "rest 1/1") << dump;
}

// A note of an added tuplet: every rest of its measures goes, whatever its
// voice, and an accidental it carries keeps the note as spelled.
TEST_F(NoteHandlerTest, ATupletNoteClearsTheRestsOfItsMeasures) {
    ECNote* note = NewNote(5 * Q, Q / 2);
    auto* sharp = new ECAccidental;
    note->AddChild(sharp, SORTED);
    CCAdd add(note, Bar(2), NoteOn(68));
    ASSERT_NE(note->GetData(DK_NOTATION, 1), nullptr);
    ASSERT_NE(sharp->GetData(DK_NOTATION, 1), nullptr);
    Engine().AddNote(&add, note, Bar(2));
    EXPECT_EQ(add.GetDiscardList()->GetCount(), Rests(Bar(2)));
    EXPECT_EQ(static_cast<DCctNote*>(NotationDisplayOf(note))->IsUserSpelled(), 1);
    const CNotateInfo::StaffInfo& window = Engine().GetNotateInfo().GetStaffWindows().front();
    EXPECT_EQ(window.measureStart, Ticks(4 * Q));
    EXPECT_EQ(window.measureEnd, Ticks(8 * Q));
    Engine().GetNotateInfo().Reset();
    note->RemoveChildren(1);   // the command never ran: the note is taken apart here
}

// ---- the overlap rule ----------------------------------------------------------

class IntersectTest : public autonote_test::AutonoteTest {
protected:
    void SetUp() override {
        AutonoteTest::SetUp();
        MakeStaves(1);
        MakeMeasures(1);
        measures.AddEvent(Bar(1, 0.0f), UNSORTED);
    }
    // The handled note, not in the tree: [1, 2) quarters.
    ECNote* Handled() {
        auto* note = new ECNote(MCTime(1.0f), MCTime(1.0f));
        held.AddEvent(note, UNSORTED);
        return note;
    }
    MCEventList measures;
    MCEventList held;   // keeps the notes made outside the tree
    CAutoNote engine;
};

TEST_F(IntersectTest, SpansThatOnlyTouchDoNotOverlap) {
    const struct {
        const char* what;
        float at, length;   // the other note, in quarters
        int voice;
        unsigned filter;
        int overlaps;
        float start, end;   // the span afterwards, from [1, 2)
    } cases[] = {
        {"ending where it starts", 0.0f, 1.0f, 0, 0, 0, 1.0f, 2.0f},
        {"starting where it ends", 2.0f, 1.0f, 0, 0, 0, 1.0f, 2.0f},
        {"reaching into it", 0.5f, 1.0f, 0, 0, 1, 0.5f, 2.0f},
        {"reaching out of it", 1.5f, 1.0f, 0, 0, 1, 1.0f, 2.5f},
        {"around it", 0.0f, 4.0f, 0, 0, 1, 0.0f, 4.0f},
        {"inside it", 1.25f, 0.25f, 0, 0, 1, 1.0f, 2.0f},
        {"without length at its start", 1.0f, 0.0f, 0, 0, 0, 1.0f, 2.0f},
        {"without length inside it", 1.5f, 0.0f, 0, 0, 1, 1.0f, 2.0f},
        {"in another voice", 0.5f, 1.0f, 1, 0, 0, 1.0f, 2.0f},
        {"in another voice, every voice asked", 0.5f, 1.0f, 1, VOICE_ALL, 1, 0.5f, 2.0f},
    };
    for (const auto& c : cases) {
        ECNote* other = PutNote(Bar(1, 0.0f), c.at, c.length, c.voice);
        DCctBase* display = Display(other, 1);
        display->SetValueDirty(0);
        display->SetTimeDirty(0);
        MCTime start(1.0f);
        MCTime end(2.0f);
        EXPECT_EQ(engine.EditNotesThatIntersect(nullptr, Handled(), measures, start, end, c.filter), c.overlaps)
            << c.what;
        EXPECT_EQ(display->ValueDirty(), c.overlaps) << c.what;
        EXPECT_EQ(display->TimeDirty(), c.overlaps) << c.what;
        EXPECT_EQ(start, MCTime(c.start)) << c.what;
        EXPECT_EQ(end, MCTime(c.end)) << c.what;
        Bar(1, 0.0f)->RemoveChild(other, 1);
    }
}

TEST_F(IntersectTest, AChordIsMarkedForItsOverlappingNote) {
    ECBase* bar = Bar(1, 0.0f);
    auto* chord = Put(bar, new ECChord, 0.0f);
    DCctBase* chordDisplay = Display(chord, 1);
    chordDisplay->SetValueDirty(0);
    ECNote* shortNote = PutNote(chord, 0.0f, 1.0f);   // touches the handled note
    ECNote* longNote = PutNote(chord, 0.0f, 3.0f);    // reaches over it
    for (ECNote* note : {shortNote, longNote})
        Display(note, 1)->SetValueDirty(0);
    ECNote* handled = Handled();
    MCTime start(1.0f);
    MCTime end(2.0f);
    EXPECT_EQ(engine.EditNotesThatIntersect(nullptr, handled, measures, start, end, 0), 1);
    EXPECT_EQ(chordDisplay->ValueDirty(), 1);
    // The mark reaches every note under the chord.
    EXPECT_EQ(Display(shortNote)->ValueDirty(), 1);
    EXPECT_EQ(start, MCTime(0.0f));
    EXPECT_EQ(end, MCTime(3.0f));

    // The handled note itself, standing in the measure, is not its own overlap.
    MCEventList alone;
    auto* lone = PutNote(Bar(1, 0.0f), 3.0f, 1.0f);
    MCTime from(3.0f);
    MCTime to(4.0f);
    alone.AddEvent(Bar(1, 0.0f), UNSORTED);
    bar->RemoveChild(chord, 1);
    EXPECT_EQ(engine.EditNotesThatIntersect(nullptr, lone, alone, from, to, 0), 0);
}

}  // namespace
