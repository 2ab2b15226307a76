// Edits made in place, prepared by the engine before they are delivered: a
// MIDI bar notated as the view notates it, an edit (state 1200) applied to
// the performance, and what the receivers see (the delete list) and what the
// renotation after it (1201) makes of the bar.
#include "model/conductor.h"
#include "model/editstates.h"
#include "model/eventtypes.h"
#include "model/groupmarks.h"
#include "model/measure.h"
#include "model/modifiers.h"
#include "model/notes.h"
#include "model/performance.h"
#include "model/states.h"
#include "notation/autonote/autonote.h"
#include "notation/autonote/buildrulers.h"
#include "notation/display/gracenote.h"
#include "notation/display/measure.h"
#include "notation/display/notate.h"
#include "sequencer/performers.h"
#include "tests/notation/autonote/autonote_support.h"
#include "tests/notation/support/melody.h"
#include "tests/notation/support/notation_fixture.h"

#include <gtest/gtest.h>

#include <functional>
#include <regex>
#include <string>
#include <vector>

namespace {

using notation_test::PlayedNote;

constexpr int TICKS = 256;   // a quarter, in the file and in the notation
constexpr int C4 = 60, D4 = 62, E4 = 64, F4 = 65, FSHARP4 = 66;

// A notated bar of 4/4 (C4 D4 E4 F4 quarters unless the test plays
// another), edits sent to it as the view's tools send them, and a receiver
// after the view that records the delete list it is shown.
class EditTest : public notation_test::NotationFixture {
protected:
    void Play(const std::vector<PlayedNote>& notes) {
        ASSERT_EQ(LoadMidi(notation_test::MelodyFile(notes, TICKS, {4, 2})), 1);
        Performance()->AddStateHandler(&OnState, this);
    }
    void PlayQuarters(int last = F4) {
        Play({{C4, 0, TICKS}, {D4, TICKS, TICKS}, {E4, 2 * TICKS, TICKS}, {last, 3 * TICKS, TICKS}});
    }
    void TearDown() override {
        if (Performance())
            Performance()->RemoveStateHandler(&OnState, this);
    }

    ECMeasure* Bar(int number = 1) { return Conductor()->GetMeasure(1, number); }
    // The note of the bar that starts at the tick (from the bar's start).
    ECNote* NoteAt(int tick, int bar = 1) {
        ECMeasure* measure = Bar(bar);
        MCEventList* children = measure->GetChildren();
        for (POSITION pos = children->GetHeadPosition(); pos;) {
            ECBase* child = children->GetNext(pos);
            MCTime at = *child->GetTime();
            at -= *measure->GetTime();
            if (child->GetClassType() == ET_NOTE && at.GetTicks(TICKS) == tick)
                return static_cast<ECNote*>(child);
        }
        return nullptr;
    }
    // The dump's line of bar 1 and a voice, every element in short form: "C4 q",
    // "rest e", a "~" for a tie on, "/f" for a flag, "[n]" for beam n.
    std::string BarLine(int voice = 0) {
        const std::string dump = Dump();
        std::smatch line;
        if (!std::regex_search(dump, line, std::regex("staff 1 bar 1 voice " + std::to_string(voice) + ":([^\\n]*)")))
            return dump;
        static const std::regex element(
            "(note|rest)\\(at=-?\\d+(?: key=\\d+ pitch=(\\S+))? value=(\\S+)(?: tie=(\\S))?"
            "(?: stem=\\S+ flag=(\\S+))? beam=(\\S+)\\)");
        std::string out;
        const std::string text = line[1];
        for (auto it = std::sregex_iterator(text.begin(), text.end(), element); it != std::sregex_iterator(); ++it) {
            const std::smatch& m = *it;
            static const std::vector<std::pair<std::string, std::string>> values = {
                {"1/1", "w"}, {"1/2", "h"}, {"1/4", "q"}, {"1/8", "e"}, {"1/16", "s"}};
            std::string value = m[3];
            const size_t dots = value.find('.');
            const std::string plain = value.substr(0, dots);
            for (const auto& [from, to] : values)
                if (plain == from)
                    value = to + (dots == std::string::npos ? "" : value.substr(dots));
            out += out.empty() ? "" : ", ";
            out += (m[1] == "rest" ? std::string("rest") : std::string(m[2])) + " " + value;
            if (m[4] == "~")
                out += "~";
            if (m[5] == "yes")
                out += "/f";
            if (m[6] != "-")
                out += "[" + std::string(m[6]) + "]";
        }
        return out;
    }

    // Sends the edit; what a receiver after the view saw is in `seen`.
    void Send(SCEventEdit* edit) {
        seen = {};
        SendState(edit);
    }
    SCEventEdit* NewEdit() { return new SCEventEdit(STATE_EVENTS_EDITED); }

    // What a receiver after the view saw of an edit.
    struct Seen {
        int edits = 0;
        std::vector<ECBase*> deleteList;
        std::vector<int> deleteTypes;
        bool deletedStillInTree = true;   // every listed element still had its parents then
    } seen;
    // Run when a receiver after the view gets the edit.
    std::function<void()> atDelivery;

    // How many division marks of the bar's ruler an element occupies.
    int OccupiedMarks() {
        auto* display = dynamic_cast<DCctMeasure*>(Bar()->GetData(DK_NOTATION, 0));
        if (!display)
            return -1;
        int occupied = 0;
        for (const auto& group : display->GetRuler().GetRulerGroup())
            for (const auto& mark : group.marks)
                occupied += mark.IsOccupied();
        return occupied;
    }

    static bool InTree(ECBase* element) {
        MCEventList* parents = element->GetParents();
        return parents && !parents->IsEmpty();
    }

private:
    static int OnState(ECBase*, int, void* data, void* user) {
        auto& self = *static_cast<EditTest*>(user);
        auto* edit = dynamic_cast<SCEventEdit*>(static_cast<SCBase*>(data));
        if (!edit || edit->GetCode() != STATE_EVENTS_EDITED)
            return 0;
        ++self.seen.edits;
        MCEventList& doomed = edit->GetDeleteList();
        for (POSITION pos = doomed.GetHeadPosition(); pos;) {
            ECBase* element = doomed.GetNext(pos);
            self.seen.deleteList.push_back(element);
            self.seen.deleteTypes.push_back(element->GetClassType());
            self.seen.deletedStillInTree &= InTree(element);
        }
        if (self.atDelivery)
            self.atDelivery();
        return 0;
    }
};

TEST_F(EditTest, AnItemOfAKindWithoutAStepOnlyReleasesTheElementsRulerMarks) {
    PlayQuarters();
    const std::string before = Dump();
    // The bar's elements in its ruler, as laying out the page enters them.
    ACBuildRulers enter;
    enter.SetConductor(Conductor());
    enter.Apply(Bar());
    ASSERT_EQ(OccupiedMarks(), 4);
    SCEventEdit* edit = NewEdit();
    constexpr int NO_STEP = 101;
    edit->AddItem(NoteAt(2 * TICKS), NO_STEP);
    Send(edit);
    EXPECT_EQ(seen.edits, 1);
    EXPECT_TRUE(seen.deleteList.empty());
    EXPECT_EQ(Dump(), before);
    EXPECT_EQ(OccupiedMarks(), 3);   // only the element's own mark is free
}

TEST_F(EditTest, ANewPitchIsSpelledAfreshAndItsOldAccidentalGoesAfterTheEdit) {
    PlayQuarters(FSHARP4);
    ECNote* last = NoteAt(3 * TICKS);
    ASSERT_NE(last->GetDescendant(ET_ACCIDENTAL, 1), nullptr);
    ECBase* sharp = last->GetDescendant(ET_ACCIDENTAL, 1);
    sharp->Ref();
    auto* performer = dynamic_cast<DCsqNote*>(last->GetData(DK_SEQUENCER, 0));
    ASSERT_NE(performer, nullptr);
    performer->ChangeMidiPitch(F4);
    SCEventEdit* edit = NewEdit();
    edit->AddItem(last, EDITITEM_SEQUENCER_DATA);
    Send(edit);
    // The receivers saw the sharp listed and still in place; it went after.
    EXPECT_EQ(seen.deleteList, std::vector<ECBase*>{sharp});
    EXPECT_TRUE(seen.deletedStillInTree);
    EXPECT_FALSE(InTree(sharp));
    sharp->Unref(1);
    EXPECT_EQ(BarLine(), "C4 q, D4 q, E4 q, F4 q");
}


TEST_F(EditTest, ANoteLengthenedInPlaceIsValuedAgain) {
    Play({{C4, 0, TICKS}, {D4, 2 * TICKS, TICKS}});
    ASSERT_EQ(BarLine(), "C4 q, rest q, D4 q, rest q");
    ECNote* first = NoteAt(0);
    MCTime dotted;
    dotted.SetTicks(TICKS * 3 / 2, TICKS);
    first->SetDuration(&dotted);
    SCEventEdit* edit = NewEdit();
    edit->AddItem(first, EDITITEM_SEQUENCER_DATA);
    Send(edit);
    EXPECT_EQ(BarLine(), "C4 q., rest e, D4 q, rest q");
}

// The accidental of the bar's last note (played F sharp), its type set to
// one the spelling would not give, and the note spelled with each
// accidental field in turn.
class EnharmonicTest : public EditTest {
protected:
    void SetUp() override {
        PlayQuarters(FSHARP4);
        note = NoteAt(3 * TICKS);
        accidental = dynamic_cast<ECAccidental*>(note->GetDescendant(ET_ACCIDENTAL, 1));
        ASSERT_NE(accidental, nullptr);
    }
    void Spell(int field) {
        auto* display = dynamic_cast<DCctNotate*>(note->GetData(DK_NOTATION, 0));
        ASSERT_NE(display, nullptr);
        display->GetSpelling().SetAccidental(static_cast<signed char>(field - 2));
    }
    void SendItem(ECBase* element, int kind) {
        SCEventEdit* edit = NewEdit();
        edit->AddItem(element, kind);
        Send(edit);
    }
    static constexpr unsigned char UNSET = 11;
    ECNote* note = nullptr;
    ECAccidental* accidental = nullptr;
};

TEST_F(EnharmonicTest, TheSignFollowsTheSpellingsAccidental) {
    const struct {
        int field;   // double flat 0 ... double sharp 4
        unsigned char type;
    } cases[] = {{0, 3}, {1, 1}, {2, 4}, {3, 0}, {4, 2}};
    for (const auto& c : cases) {
        accidental->SetAccidentalType(UNSET);
        Spell(c.field);
        SendItem(accidental, EDITITEM_ENHARMONIC);
        EXPECT_EQ(accidental->GetAccidentalType(), c.type) << c.field;
    }
}

// Each item runs the step of its kind only: an accidental under a beam break
// or a pitch change is not respelled as the enharmonic item would.
TEST_F(EnharmonicTest, OtherKindsLeaveTheSignAlone) {
    Spell(1);
    constexpr int NO_STEP = 101;
    for (int kind : {int{EDITITEM_BREAK_BEAM}, int{EDITITEM_CONSOLIDATE_TIES}, int{EDITITEM_NOTATION_DATA}, NO_STEP}) {
        accidental->SetAccidentalType(UNSET);
        SendItem(accidental, kind);
        EXPECT_EQ(accidental->GetAccidentalType(), UNSET) << kind;
    }
}


// A grace note before the bar's third note (E4), slurred or not as its
// display says; a drawing item on it keeps the slur in step.
TEST_F(EditTest, AGraceNotesSlurFollowsItsChoice) {
    PlayQuarters();
    ECNote* note = NoteAt(2 * TICKS);
    auto* grace = new ECGraceNote(*note->GetTime(), MCTime(0.125f));
    grace->SetVoiceTrack(note->GetVoiceTrack());
    note->AddChild(grace, SORTED);
    auto* display = dynamic_cast<DCctGraceNote*>(grace->GetData(DK_NOTATION, 1));
    ASSERT_NE(display, nullptr);
    const auto slurOf = [](ECBase* element) { return element->GetAncestor(ET_SLUR, 1); };
    const auto sendDrawingItem = [&] {
        SCEventEdit* edit = NewEdit();
        edit->AddItem(grace, EDITITEM_NOTATION_DATA);
        Send(edit);
    };
    ASSERT_EQ(slurOf(grace), nullptr);

    sendDrawingItem();
    ECBase* slur = slurOf(grace);
    ASSERT_NE(slur, nullptr);
    EXPECT_EQ(slurOf(note), slur);
    EXPECT_EQ(slur->GetAncestor(ET_STAFF, 1), note->GetAncestor(ET_STAFF, -1));
    EXPECT_TRUE(seen.deleteList.empty());

    // Slurred already: kept.
    sendDrawingItem();
    EXPECT_EQ(slurOf(grace), slur);

    // The user takes the slur off: it goes once the edit is delivered.
    display->SetSlur(0, 1);
    slur->Ref();
    sendDrawingItem();
    EXPECT_EQ(seen.deleteList, std::vector<ECBase*>{slur});
    EXPECT_FALSE(InTree(slur));
    EXPECT_EQ(slurOf(note), nullptr);
    slur->Unref(1);
}


// A note moved by a time item: its old place is renotated as if it were
// removed there and its new one as if it were added there.
TEST_F(EditTest, AMovedNoteIsTakenOutWhereItWasAndMergedWhereItGoes) {
    PlayQuarters();
    ECNote* moved = NoteAt(2 * TICKS);
    SCEventEdit* edit = NewEdit();
    edit->AddItem(moved, nullptr, MCTime(2.5f));
    Send(edit);
    EXPECT_EQ(NoteAt(640), moved);
    EXPECT_EQ(BarLine(), "C4 q, D4 q, rest e, E4 e/f, F4 q") << Dump();

}

// A property page shortened a note: renotated where it stands.
TEST_F(EditTest, ANoteChangedOnItsPageIsRenotatedWhereItStands) {
    PlayQuarters();
    ECNote* shortened = NoteAt(TICKS);
    const MCTime eighth(0.5f);
    shortened->SetDuration(&eighth);
    SCEventEdit* edit = NewEdit();
    edit->AddItem(shortened, EDITITEM_EVENT);
    Send(edit);
    EXPECT_EQ(BarLine(), "C4 q, D4 e/f, rest e, E4 q, F4 q");
}

// The receivers see the structure as it was: the note and the beam it
// hangs under, shifted while the new place was prepared, are back.
TEST_F(EditTest, AMovedBeamedNoteIsBackInPlaceWhenTheEditIsDelivered) {
    std::vector<PlayedNote> eighths;
    for (int i = 0; i < 8; ++i)
        eighths.push_back({C4 + i, i * TICKS / 2, TICKS / 2});
    Play(eighths);
    ECNote* moved = NoteAt(TICKS / 2);
    ECBase* beam = moved->GetAncestor(ET_BEAM, 1);
    ASSERT_NE(beam, nullptr);
    const MCTime beamTime = *beam->GetTime();
    MCTime noteTime, beamTimeSeen;
    atDelivery = [&] {
        noteTime = *moved->GetTime();
        beamTimeSeen = *beam->GetTime();
    };
    SCEventEdit* edit = NewEdit();
    edit->AddItem(moved, nullptr, MCTime(0.75f));
    Send(edit);
    EXPECT_EQ(noteTime, MCTime(0.5f));
    EXPECT_EQ(beamTimeSeen, beamTime);
    EXPECT_EQ(NoteAt(3 * TICKS / 4), moved);
    EXPECT_EQ(BarLine(), "C4 e[1], rest s[1], C#4! s[1], D4 e[2], Eb4! e[2], E4 e[3], F4 e[3], F#4! e[3], G4 e[3]");
}

// A beam-break item breaks the beam and does nothing else: the bar's signs
// keep the types they had.
TEST_F(EditTest, ABeamBreakItemRunsOnlyTheBeamStep) {
    std::vector<PlayedNote> eighths;
    for (int i = 0; i < 8; ++i)
        eighths.push_back({C4 + i, i * TICKS / 2, TICKS / 2});
    Play(eighths);
    ASSERT_EQ(BarLine(), "C4 e[1], C#4! e[1], D4 e[1], Eb4! e[1], E4 e[2], F4 e[2], F#4! e[2], G4 e[2]");
    std::vector<std::pair<ECAccidental*, unsigned char>> signs;
    for (int tick : {TICKS / 2, 3 * TICKS / 2, 3 * TICKS})
        if (auto* sign = dynamic_cast<ECAccidental*>(NoteAt(tick)->GetDescendant(ET_ACCIDENTAL, 1)))
            signs.push_back({sign, sign->GetAccidentalType()});
    ASSERT_EQ(signs.size(), 3u);
    SCEventEdit* edit = NewEdit();
    edit->AddItem(NoteAt(TICKS), EDITITEM_BREAK_BEAM);
    Send(edit);
    EXPECT_EQ(BarLine(), "C4 e[1], C#4! e[1], D4 e[2], Eb4! e[2], E4 e[3], F4 e[3], F#4! e[3], G4 e[3]");
    for (const auto& [sign, type] : signs)
        EXPECT_EQ(sign->GetAccidentalType(), type);
}

// A note's stem or offset changed: it and its beam are drawn again, and the
// measure's beams are redone at the next renotation.
TEST_F(EditTest, ADrawingItemOnABeamedNoteMarksItsBeam) {
    std::vector<PlayedNote> eighths;
    for (int i = 0; i < 8; ++i)
        eighths.push_back({C4, i * TICKS / 2, TICKS / 2});
    Play(eighths);
    ECNote* note = NoteAt(TICKS / 2);
    ECBase* beam = note->GetAncestor(ET_BEAM, 1);
    ASSERT_NE(beam, nullptr);
    auto* beamDisplay = dynamic_cast<DCctBase*>(beam->GetData(DK_NOTATION, 0));
    auto* barDisplay = dynamic_cast<DCctBase*>(Bar()->GetData(DK_NOTATION, 0));
    ASSERT_TRUE(beamDisplay && barDisplay);
    auto* noteDisplay = dynamic_cast<DCctBase*>(note->GetData(DK_NOTATION, 0));
    beamDisplay->SetBeamDirty(0);
    barDisplay->SetBeamDirty(0);
    noteDisplay->SetStemDirty(0);
    SCEventEdit* edit = NewEdit();
    edit->AddItem(note, EDITITEM_NOTATION_DATA);
    Send(edit);
    EXPECT_TRUE(beamDisplay->BeamDirty());
    EXPECT_TRUE(barDisplay->BeamDirty());
    EXPECT_TRUE(noteDisplay->StemDirty());
}

// A note given another voice: the voice it leaves and the voice it joins
// are both renotated.
TEST_F(EditTest, ANoteGivenAnotherVoiceLeavesARestInItsOldVoice) {
    PlayQuarters();
    ECNote* moved = NoteAt(TICKS);
    moved->GetVoiceTrack()->SetVoice(1);
    SCEventEdit* edit = NewEdit();
    edit->AddItem(moved, EDITITEM_VOICETRACK);
    Send(edit);
    EXPECT_EQ(BarLine(0), "C4 q, rest q, E4 q, F4 q");
    EXPECT_EQ(BarLine(1), "rest q, D4 q, rest h");
    EXPECT_EQ(moved->GetVoiceTrack()->GetVoice(), 1);

}

}  // namespace
