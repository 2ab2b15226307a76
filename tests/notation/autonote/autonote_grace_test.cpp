// Grace notes added to and removed from a note, run through the command
// manager as the notation view runs them: the slur joining grace notes to
// their main note, the grace note kept as spelled, and what is prepared.
#include "notation/autonote/autonote.h"

#include "model/basiccommands.h"
#include "model/groupmarks.h"
#include "model/markings.h"
#include "model/modifiers.h"
#include "model/notes.h"
#include "model/staff.h"
#include "notation/display/accidental.h"
#include "notation/display/gracenote.h"
#include "tests/notation/autonote/batch_support.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using autonote_test::BatchTest;

// A bar of quarters C4 D4 E4 F4 in voice 0 on one staff of two bars,
// notated.
class GraceNoteEditTest : public BatchTest {
protected:
    void SetUp() override {
        BatchTest::SetUp();
        MakePiece(1, 2);
        for (int i = 0; i < 4; ++i) {
            auto* note = new ECNote;
            const MCTime length(1.0f);
            note->SetDuration(&length);
            notes.push_back(PutOn(1, note, static_cast<float>(i)));
        }
        Attach();
    }
    // A sixteenth grace note a sixteenth before `note`.
    static ECGraceNote* GraceFor(ECNote* note) {
        MCTime time = *note->GetTime();
        time -= MCTime(0.25f);
        return new ECGraceNote(time, MCTime(0.25f));
    }
    // The slurs standing in the staff.
    std::vector<ECBase*> Slurs() {
        std::vector<ECBase*> slurs;
        MCEventList* children = Staff(1)->GetChildren();
        for (POSITION pos = children->GetHeadPosition(); pos;) {
            ECBase* child = children->GetNext(pos);
            if (child->GetClassType() == ET_SLUR)
                slurs.push_back(child);
        }
        return slurs;
    }
    static std::vector<ECBase*> Members(ECBase* slur) {
        std::vector<ECBase*> members;
        for (POSITION pos = slur->GetChildren()->GetHeadPosition(); pos;)
            members.push_back(slur->GetChildren()->GetNext(pos));
        return members;
    }

    std::vector<ECNote*> notes;
};

// The first grace note of a note makes one slur holding the two, in the
// staff, at the grace note's time and in the note's voice; the next grace
// note joins it.
TEST_F(GraceNoteEditTest, AGraceNoteAddedToANoteWithoutOneIsSlurredToIt) {
    ECNote* d4 = notes[1];
    ECGraceNote* first = GraceFor(d4);
    Run(new CCAdd(first, d4));
    std::vector<ECBase*> slurs = Slurs();
    ASSERT_EQ(slurs.size(), 1u);
    ECBase* slur = slurs[0];
    EXPECT_EQ(Members(slur), (std::vector<ECBase*>{first, d4}));
    EXPECT_EQ(*slur->GetTime(), *first->GetTime());
    EXPECT_EQ(*slur->GetVoiceTrack(), *d4->GetVoiceTrack());
    EXPECT_TRUE(Holds(d4, first));
    EXPECT_EQ(prepared.notateRange, NOTATE_EVENTS);
    EXPECT_EQ(prepared.pagenateRange, PAGENATE_MEASURES);
    EXPECT_EQ(prepared.timeStart, MCTime(0.0f));
    EXPECT_EQ(prepared.timeEnd, MCTime(4.0f));

    ECGraceNote* second = GraceFor(d4);
    Run(new CCAdd(second, d4));
    ASSERT_EQ(Slurs().size(), 1u);
    EXPECT_EQ(Members(slur).size(), 3u);
    EXPECT_TRUE(slur->GetChildren()->Find(second));
}

// The grace note keeps the spelling it was entered with; its accidental is
// drawn at the grace size.
TEST_F(GraceNoteEditTest, TheGraceNoteAndItsAccidentalStayAsSpelled) {
    autonote_test::DisplayClasses accidentals({ET_ACCIDENTAL}, RUNTIME_CLASS(DCctAccidental));
    ECGraceNote* grace = GraceFor(notes[2]);
    auto* sharp = new ECAccidental(2);
    grace->AddChild(sharp, SORTED);
    Display(sharp, 1);
    Run(new CCAdd(grace, notes[2]));
    auto* display = dynamic_cast<DCctGraceNote*>(Display(grace));
    ASSERT_NE(display, nullptr);
    EXPECT_EQ(display->IsUserSpelled(), 1);
    ASSERT_NE(Display(sharp), nullptr);
    EXPECT_EQ(Display(sharp)->IsGrace(), 1);
}

// A grace note whose display says it is not slurred gets no slur.
TEST_F(GraceNoteEditTest, AGraceNoteTheUserUnslurredGetsNoSlur) {
    ECGraceNote* grace = GraceFor(notes[1]);
    auto* display = dynamic_cast<DCctGraceNote*>(grace->GetData(DK_NOTATION, 1));
    ASSERT_NE(display, nullptr);
    display->SetSlur(0, 1);
    Run(new CCAdd(grace, notes[1]));
    EXPECT_TRUE(Slurs().empty());
    EXPECT_TRUE(Holds(notes[1], grace));
}

// Removing one of two grace notes leaves the slur over the other and the
// note; removing the last takes the slur with it.
TEST_F(GraceNoteEditTest, TheSlurGoesWithTheLastGraceNote) {
    ECNote* d4 = notes[1];
    ECGraceNote* first = GraceFor(d4);
    ECGraceNote* second = GraceFor(d4);
    Run(new CCAdd(first, d4));
    Run(new CCAdd(second, d4));
    ASSERT_EQ(Slurs().size(), 1u);
    ECBase* slur = Slurs()[0];

    Run(new CCRemove(first));
    EXPECT_FALSE(Holds(d4, first));
    ASSERT_EQ(Slurs().size(), 1u);
    EXPECT_EQ(Members(slur), (std::vector<ECBase*>{second, d4}));
    EXPECT_EQ(prepared.notateRange, NOTATE_EVENTS);
    EXPECT_EQ(prepared.pagenateRange, PAGENATE_MEASURES);
    EXPECT_EQ(prepared.measureStart, MCTime(0.0f));
    EXPECT_EQ(prepared.measureEnd, MCTime(4.0f));

    Run(new CCRemove(second));
    EXPECT_FALSE(Holds(d4, second));
    EXPECT_TRUE(Slurs().empty());
    EXPECT_TRUE(Holds(Bar(1, 1.0f), d4));
}

}  // namespace
