// What the staff measure decides for a note through the clef in force (stem
// length, stem and tie direction, ledger lines), and notes in the measure's
// sample drawing.
#include "notation/display/measure.h"

#include "model/markings.h"
#include "tests/notation/display/display_support.h"
#include "tests/notation/display/note_support.h"

#include <gtest/gtest.h>

namespace {

using namespace note_test;

TEST(MeasureNotateTest, ClefDecidesStemTieAndLedgerLines) {
    ClefLinksScope links;
    measure_test::Score score(0, 1);
    DCctMeasure* measure = score.Display(1);
    ECClef* treble = score.AddClef(1, 0, 0);
    ECClef bass(3);
    const struct {
        ECClef* clef;
        int key;
        int direction, tie, ledger;
    } cases[] = {
        {treble, 72, 1, 0, 0}, {treble, 71, 0, 1, 0}, {treble, 81, 1, 0, 1}, {treble, 60, 0, 1, 1},
        {&bass, 52, 1, 0, 0},  {&bass, 40, 0, 1, 1},
    };
    for (const auto& c : cases) {
        DCctNote* note = AddNote(score, 1, c.key, 256);
        measure->SetStemDirectionByPitch(note, c.clef);
        measure->SetTieDirectionByPitch(note, c.clef);
        measure->SetLedgerLines(note, c.clef);
        EXPECT_EQ(note->GetStemDirection(), c.direction) << c.key;
        EXPECT_EQ(note->GetTieDirection(), c.direction == 1 ? 0 : 1) << c.key;
        EXPECT_EQ(note->GetLedgerLineCount(), c.ledger) << c.key;
    }
}

TEST(MeasureNotateTest, StemReachesTheMiddleLineFromFarAway) {
    ClefLinksScope links;
    measure_test::Score score(0, 1);
    DCctMeasure* measure = score.Display(1);
    ECClef* treble = score.AddClef(1, 0, 0);
    const struct {
        int key, ticks, length, result;
    } cases[] = {
        {60, 256, 7, 7},     // C4: six steps below the middle line
        {59, 256, 7, 7},     // B3: seven
        {57, 256, 7, 8},     // A3: eight, the stem reaches the middle line
        {48, 256, 7, 13},    // C3
        {48, 256, 6, 6},     // the short length stays
        {57, 32, 7, 10},     // a 32nd adds its extra
    };
    for (const auto& c : cases) {
        DCctNote* note = AddNote(score, 1, c.key, c.ticks);
        measure->SetStemLength(note, static_cast<BYTE>(c.length), treble);
        EXPECT_EQ(note->GetStemLength(), c.result) << c.key << " " << c.length;
    }

    // A clef without a display: the length as asked; no note: nothing.
    GetNotateClefLinks().clefDisplay = nullptr;
    DCctNote* note = AddNote(score, 1, 48, 256);
    measure->SetStemLength(note, 7, treble);
    EXPECT_EQ(note->GetStemLength(), 7);
    measure->SetStemLength(nullptr, 7, treble);
    measure->SetLedgerLines(note, treble);
    EXPECT_EQ(note->GetLedgerLineCount(), 0);
}

TEST(MeasureNotateTest, SampleDrawingPutsNotesAtTheirPitch) {
    MusicFontScope font(12);
    measure_test::LinksScope links;
    measure_test::Score score(0, 1);
    score.ColumnDisplay(1);
    DCctMeasure* measure = score.Display(1);
    DCctNote* note = AddNote(score, 1, 67, 256);
    DisplayCanvas canvas(300, 200, 0, 100);
    CRect rect(10, 60, 290, -60);
    ASSERT_EQ(measure->DrawInRect(&canvas.dc, &rect), 1);
    // At the sample's size (a space a quarter of the rectangle's 120) the
    // pitch's steps above the drum clef's top line.
    MCPitch pitch = Pitch(67);
    const int steps = measure->GetYPositionForPitch(pitch, 0, 8) / (12 / 2);
    EXPECT_EQ(note->GetY(), steps * (120 / 4) / 2);
    EXPECT_EQ(note->PositionDirty(), 0);
    EXPECT_FALSE(InkRows(canvas.Copy()).empty());
}

}  // namespace
