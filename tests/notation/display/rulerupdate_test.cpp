// A staff measure's ruler entered and withdrawn by element type: a note
// occupies the mark of its tick start with its widths and duration; types
// without a handler leave the ruler alone; the clef, key and mirror go to
// their handlers.

#include "model/markings.h"
#include "model/meter.h"
#include "model/mirror.h"
#include "model/groupmarks.h"
#include "model/modifiers.h"
#include "notation/display/accidental.h"
#include "notation/display/tuplet.h"
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

// A note with a sign takes the sign's reach and a quarter space more left
// of its mark; a note without one takes nothing there. Spaced, the sign
// stands that quarter space clear of the note before.
TEST(RulerUpdateTest, ASignTakesItsReachAndAQuarterSpaceLeftOfItsMark) {
    MusicFontScope font(40);
    measure_test::Score score(0, 1);
    FourFour four;
    DCctNote* plain = AddNote(score, 1, 64, 128);
    DCctNote* sharp = AddNote(score, 1, 66, 128);
    for (DCctNote* note : {plain, sharp}) {
        note->SetTickStart(note == plain ? 0 : 128);
        note->SetTickDuration(128);
        note->SetSize(nullptr);
    }
    measure_test::RegistryCell cell(ET_ACCIDENTAL, RUNTIME_CLASS(DCctAccidental));
    auto* sign = new ECAccidental(0);
    sharp->GetOwner()->AddChild(sign, 1);
    ASSERT_NE(sign->GetData(DK_NOTATION, 1), nullptr);
    const int reach = sharp->GetTotalWidthLeft();
    ASSERT_GT(reach, 0);
    const int quarter = MCRuler::GetNoteheadHeight() / 4;
    ASSERT_EQ(quarter, 10);

    EXPECT_EQ(four.ruler.UpdateRuler(plain->GetOwner(), 0), 1);
    EXPECT_EQ(four.ruler.UpdateRuler(sharp->GetOwner(), 0), 1);
    EXPECT_EQ(four.Marks()[0].GetLeftExtent(), 0);
    EXPECT_EQ(four.Marks()[2].GetLeftExtent(), reach + quarter);
    four.ruler.CleanUpRuler();
    const MCRuler::RulerDiv& before = four.Marks()[0];
    EXPECT_GE(four.Marks()[2].x - reach - (before.x + before.GetRightExtent()), quarter);
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

// A tuplet enters its children on its borrowed group by their own ticks,
// rests as well as notes; withdrawn, their marks are freed.
TEST(RulerUpdateTest, TupletMarksItsNotesAndRestsOnItsBorrowedGroup) {
    MusicFontScope font(12);
    measure_test::Score score(0, 1);
    FourFour four;
    four.ruler.AddBorrowedDivMarks(&four.meter, 384, 256, 64);
    MCRuler::RulerGroup* group = four.ruler.FindPulseGroup(384);
    ASSERT_NE(group, nullptr);
    ECMeasure* measure = score.Measure(1);
    auto* event = new ECTuplet(3, 2, 3);
    event->SetVoiceTrack(0, 1);
    event->SetTime(measure->GetTime());
    ASSERT_EQ(measure->AddChild(event, 1), 1);
    measure_test::RegistryCell tupletCell(ET_TUPLET, RUNTIME_CLASS(DCctTuplet));
    measure_test::RegistryCell noteCell(ET_NOTE, RUNTIME_CLASS(DCctNote));
    measure_test::RegistryCell restCell(ET_REST, RUNTIME_CLASS(DCctNotate));
    auto* tuplet = dynamic_cast<DCctTuplet*>(event->GetData(DK_NOTATION, 1));
    ASSERT_NE(tuplet, nullptr);
    tuplet->SetBase(384, 256);

    const struct {
        bool rest;
        WORD start;
    } children[] = {{false, 0}, {true, 128}, {false, 256}};
    std::vector<DCctNotate*> displays;
    for (size_t i = 0; i < std::size(children); ++i) {
        ECBase* child = children[i].rest ? static_cast<ECBase*>(new ECRest) : new ECNote;
        child->SetVoiceTrack(0, 1);
        const MCTime at(static_cast<float>(i) / 3.0f);
        child->SetTime(&at);
        ASSERT_EQ(event->AddChild(child, 1), 1);
        auto* display = dynamic_cast<DCctNotate*>(child->GetData(DK_NOTATION, 1));
        ASSERT_NE(display, nullptr);
        display->SetValue(128, 0);
        display->SetBase(384, 256);
        display->SetTickStart(children[i].start);
        display->SetTickDuration(128);
        display->SetSize(nullptr);
        displays.push_back(display);
    }

    EXPECT_EQ(four.ruler.UpdateRuler(event, 0), 1);
    std::vector<WORD> occupied;
    for (size_t i = 0; i < group->marks.size(); ++i)
        if (group->marks[i].IsOccupied())
            occupied.push_back(static_cast<WORD>(i));
    std::vector<WORD> expected;
    for (const auto& c : children)
        expected.push_back(four.ruler.GetDivMarkForTick(c.start, 384));
    EXPECT_EQ(occupied, expected);
    const MCRuler::RulerDiv& first = group->marks[expected[0]];
    EXPECT_EQ(first.GetRightExtent(), displays[0]->GetTotalWidthRight());
    EXPECT_GT(first.GetRightExtent(), 0);
    EXPECT_EQ(first.GetDurationCode(), MCRuler::ConvertDuration(128));
    for (const auto& mark : four.Marks())
        EXPECT_FALSE(mark.IsOccupied()) << "the plain group stays free";

    EXPECT_EQ(four.ruler.UpdateRuler(event, 1), 1);
    for (const auto& mark : group->marks)
        EXPECT_FALSE(mark.IsOccupied());

    // Without its display object the tuplet enters nothing.
    ECTuplet bare(3, 2, 3);
    four.ruler.SetDirty(0);
    EXPECT_EQ(four.ruler.UpdateRuler(&bare, 0), 0);
    EXPECT_EQ(four.ruler.IsDirty(), 0);
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
