// Accidentals added and removed by command: the edit accidental (type 12)
// turns the note's accidental into its second form or goes away, any other
// accidental becomes the note's only one and its user spelling, and a
// removed accidental leaves the note sounding what its place reads.
#include "notation/autonote/autonote.h"

#include "model/conductor.h"
#include "model/measure.h"
#include "model/modifiers.h"
#include "model/notes.h"
#include "notation/display/measure.h"
#include "notation/display/note.h"
#include "sequencer/performers.h"
#include "tests/notation/autonote/batch_support.h"
#include "tests/notation/support/notation_fixture.h"
#include "tests/support/smf_support.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using autonote_test::BatchTest;
using autonote_test::DisplayClasses;

constexpr unsigned char ACCIDENTAL_EDIT = 12;
constexpr int NONE = -1;

// The accidental types under the note, in child order.
std::vector<int> AccidentalTypes(ECBase* note) {
    std::vector<int> types;
    MCEventList* children = note->GetChildren();
    for (POSITION pos = children ? children->GetHeadPosition() : nullptr; pos;)
        if (auto* accidental = dynamic_cast<ECAccidental*>(children->GetNext(pos)))
            types.push_back(accidental->GetAccidentalType());
    return types;
}

class AccidentalHandlerTest : public BatchTest {
protected:
    // A quarter note at 0 on staff 1, with an accidental of `type` unless NONE.
    ECNote* NoteWith(int type) {
        auto* note = new ECNote;
        const MCTime length(1.0f);
        note->SetDuration(&length);
        PutOn(1, note, 0.0f);
        if (type != NONE) {
            auto* accidental = new ECAccidental(static_cast<unsigned char>(type));
            note->AddChild(accidental, SORTED);
            Display(accidental, 1);
        }
        return note;
    }
};

// The edit accidental takes the second form of a plain sign, keeps a second
// form or another sign, leaves 12 for a type the display does not know, and
// without a sign to edit is not added at all.
TEST_F(AccidentalHandlerTest, TheEditAccidentalEditsTheOneThere) {
    const struct {
        int old;
        std::vector<int> after;
    } cases[] = {
        {2, {7}}, {0, {5}}, {4, {9}}, {7, {7}}, {11, {11}}, {200, {12}}, {NONE, {}},
    };
    MakePiece(1, 1);
    Attach();
    for (const auto& c : cases) {
        ECNote* note = NoteWith(c.old);
        Run(new CCAdd(new ECAccidental(ACCIDENTAL_EDIT), note));
        EXPECT_EQ(AccidentalTypes(note), c.after) << c.old;
        Run(new CCRemove(note));
    }
}

// Any other accidental is the user's spelling: it is the note's only one
// afterwards, the note keeps the spelling, and on a grace note the sign is
// grace-sized.
TEST_F(AccidentalHandlerTest, AnyOtherAccidentalIsTheUsersSpelling) {
    DisplayClasses notes({ET_NOTE}, RUNTIME_CLASS(DCctNote));
    MakePiece(1, 1);
    Attach();
    ECNote* note = NoteWith(0);
    auto* flat = new ECAccidental(1);
    Run(new CCAdd(flat, note));
    EXPECT_EQ(AccidentalTypes(note), std::vector<int>{1});
    auto* display = dynamic_cast<DCctNote*>(Display(note));
    ASSERT_NE(display, nullptr);
    EXPECT_TRUE(display->IsUserSpelled());
    EXPECT_EQ(prepared.notateRange, NOTATE_EVENTS);
    EXPECT_EQ(prepared.pagenateRange, PAGENATE_MEASURES);
    EXPECT_FALSE(Display(flat)->IsGrace());

    auto* grace = new ECGraceNote(MCTime(0.0f), MCTime(0.25f));
    grace->SetVoiceTrack(0, 1);
    note->AddChild(grace, SORTED);
    Display(grace, 1);
    auto* sharp = new ECAccidental(0);
    Run(new CCAdd(sharp, grace));
    EXPECT_EQ(AccidentalTypes(grace), std::vector<int>{0});
    EXPECT_TRUE(Display(sharp)->IsGrace());
}

// C4 D4 E4 F#4 in C major; with the F#4 placed on its staff, the sharp is
// taken off: the note plays the F its line reads.
class AccidentalRemovalTest : public notation_test::NotationFixture {
protected:
    static constexpr int DIVISION = 256;

    void SetUp() override {
        smf_support::Track conductor;
        conductor.TimeSignature(0, 4, 2).End();
        smf_support::Track melody;
        melody.KeySignature(0, 0, 0);
        for (int key : {60, 62, 64, 66})
            melody.NoteOn(0, 0, key, 90).NoteOff(DIVISION, 0, key);
        ASSERT_EQ(LoadMidi(smf_support::File(1, DIVISION).Add(conductor).Add(melody.End()).GetBytes()), 1);
    }
    static int KeyPlayed(ECBase* note) {
        auto* performer = dynamic_cast<DCsqNote*>(note->GetData(DK_SEQUENCER, 0));
        return performer ? performer->GetNoteOnData().GetDataByte1() : -1;
    }
};

TEST_F(AccidentalRemovalTest, TheNotePlaysWhatItsPlaceReads) {
    ECMeasure* bar = Conductor()->GetMeasure(1, 1);
    ECBase* fSharp = nullptr;
    MCEventList* children = bar->GetChildren();
    for (POSITION pos = children->GetHeadPosition(); pos;) {
        ECBase* child = children->GetNext(pos);
        if (child->GetClassType() == ET_NOTE && KeyPlayed(child) == 66)
            fSharp = child;
    }
    ASSERT_NE(fSharp, nullptr);
    ASSERT_EQ(AccidentalTypes(fSharp).size(), 1u);
    auto* display = dynamic_cast<DCctNote*>(fSharp->GetData(DK_NOTATION, 0));
    ASSERT_NE(display, nullptr);
    ASSERT_EQ(display->Position(nullptr, nullptr, nullptr, nullptr), 1);

    RunBatch({new CCRemove(fSharp->GetChildren()->GetHead())});
    EXPECT_EQ(KeyPlayed(fSharp), 65);
    EXPECT_TRUE(AccidentalTypes(fSharp).empty());
}

}  // namespace
