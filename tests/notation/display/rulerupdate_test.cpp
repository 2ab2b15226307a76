// A staff measure's ruler entered and withdrawn by element type: a note
// occupies the mark of its tick start with its widths and duration; types
// without a handler leave the ruler alone; the clef, key and mirror go to
// their handlers.

#include "model/markings.h"
#include "model/meter.h"
#include "model/mirror.h"
#include "model/modifiers.h"
#include "notation/layout/ruler.h"
#include "tests/notation/display/display_support.h"
#include "tests/notation/display/note_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using namespace note_test;

// A 4/4 ruler at resolution 64: 16 marks, a sixteenth apart.
struct FourFour {
    ECMeter meter{4, 4, 255};
    MCRuler ruler;
    FourFour() {
        ruler.CreateDivMarks(&meter, 64);
        ruler.SetDirty(0);
    }
    std::vector<MCRuler::RulerDiv>& Marks() { return ruler.GetRulerGroup()[0].marks; }
    std::vector<uint32_t> Words() {
        std::vector<uint32_t> words;
        for (const auto& mark : Marks())
            words.push_back(mark.word);
        return words;
    }
};

TEST(RulerUpdateTest, NoteOccupiesItsMarkAndWithdrawingClearsIt) {
    MusicFontScope font(12);
    measure_test::Score score(0, 1);
    FourFour four;
    ASSERT_EQ(four.Marks().size(), 16u);
    DCctNote* note = AddNote(score, 1, 64, 128);
    note->SetTickStart(256);
    note->SetTickDuration(128);
    note->SetSize(nullptr);
    const int right = note->GetTotalWidthRight();
    ASSERT_GT(right, 0);

    EXPECT_EQ(four.ruler.UpdateRuler(note->GetOwner(), 0), 1);
    const MCRuler::RulerDiv& mark = four.Marks()[4];
    EXPECT_TRUE(mark.IsOccupied());
    EXPECT_EQ(mark.GetLeftExtent(), note->GetTotalWidthLeft());
    EXPECT_EQ(mark.GetRightExtent(), right);
    EXPECT_EQ(mark.GetDurationCode(), MCRuler::ConvertDuration(128));
    EXPECT_EQ(four.ruler.IsDirty(), 1);
    for (size_t i = 0; i < four.Marks().size(); ++i)
        EXPECT_EQ(four.Marks()[i].IsOccupied(), i == 4) << i;

    four.ruler.SetDirty(0);
    EXPECT_EQ(four.ruler.UpdateRuler(note->GetOwner(), 1), 1);
    EXPECT_FALSE(mark.IsOccupied());
    EXPECT_EQ(mark.GetLeftExtent(), 0);
    EXPECT_EQ(mark.GetRightExtent(), 0);
    EXPECT_EQ(four.ruler.IsDirty(), 1);
}

TEST(RulerUpdateTest, NoteInATupletMarksItsBorrowedGroup) {
    measure_test::Score score(0, 1);
    FourFour four;
    four.ruler.AddBorrowedDivMarks(&four.meter, 3, 64);
    DCctNote* note = AddNote(score, 1, 64, 128);
    note->SetBase(384, 256);   // triplet eighths: the 384-tick group
    note->SetTickStart(128);
    note->SetTickDuration(128);
    ASSERT_EQ(four.ruler.UpdateRuler(note->GetOwner(), 0), 1);
    MCRuler::RulerGroup* group = four.ruler.FindPulseGroup(384);
    ASSERT_NE(group, nullptr);
    const WORD index = four.ruler.GetDivMarkForTick(128, 384);
    EXPECT_TRUE(group->marks[index].IsOccupied());
    EXPECT_FALSE(four.Marks()[2].IsOccupied());   // the plain group's eighth stays free
}

TEST(RulerUpdateTest, WithoutDisplayObjectOrHandler) {
    FourFour four;
    const std::vector<uint32_t> before = four.Words();

    ECNote bare;   // no display object
    EXPECT_EQ(four.ruler.UpdateRuler(&bare, 0), 0);
    ECMeter meter(3, 4, 255);
    EXPECT_EQ(four.ruler.UpdateRuler(&meter, 0), 0);

    ECDot dot(1);   // no handler for its type
    EXPECT_EQ(four.ruler.UpdateRuler(&dot, 0), 1);
    EXPECT_EQ(four.ruler.UpdateRuler(nullptr, 0), 1);
    EXPECT_EQ(four.Words(), before);
    EXPECT_EQ(four.ruler.IsDirty(), 0);
}

TEST(RulerUpdateTest, ClefKeyAndMirrorGoToTheirHandlers) {
    FourFour four;
    // The clef's and key's handlers: without display objects, 0.
    ECClef clef(0);
    ECKey key(2, 0);
    EXPECT_EQ(four.ruler.UpdateRuler(&clef, 0), 0);
    EXPECT_EQ(four.ruler.UpdateRuler(&key, 0), 0);

    // The mirror's: without a display object, 0 as well.
    ECMirror mirror;
    EXPECT_EQ(four.ruler.UpdateRuler(&mirror, 0), 0);
}

}  // namespace
