// notation/display/accidental.cpp and dot.cpp: the glyphs, the stored align
// position and where a column puts an accidental or a dot; the user-spelled
// mark kept by the accidental's note.
#include "tests/notation/display/chord_support.h"

#include "platform/core/archive.h"
#include "tests/notation/display/structure_support.h"

namespace {

using namespace chord_test;

using AccidentalTest = ChordFixture;

TEST_F(AccidentalTest, GlyphsBesideAndAbove) {
    AddChord({60});
    const struct {
        unsigned char kind;
        UINT beside, above;
    } cases[] = {
        {0, 35, 73}, {1, 98, 105}, {3, 186, 211}, {4, 110, 233}, {5, 97, 91},
        {9, 78, 210}, {10, 36, 36}, {12, 125, 125}, {13, 0, 0}, {200, 0, 0},
    };
    for (const auto& c : cases) {
        DCctAccidental* accidental = AddAccidental(0, c.kind);
        EXPECT_EQ(accidental->GetFontFromType(), c.beside) << int(c.kind);
        accidental->SetLocation(1, 0);
        EXPECT_EQ(accidental->GetFontFromType(), c.above) << int(c.kind);
    }
    DCctAccidental orphan;
    EXPECT_EQ(orphan.GetFontFromType(), 35u);   // no owner reads as kind 0
}

TEST_F(AccidentalTest, AlignPositionPlacesTheSignBesideItsNote) {
    AddChord({60});
    const int h = H();
    const struct {
        unsigned char kind;
        int column;
        int extra;   // beyond -3h/2 - (column - 1) h: 1 half the width, 2 the wide kinds' rule
    } cases[] = {
        {0, 1, 0}, {0, 3, 0}, {1, 2, 0}, {3, 1, 1}, {5, 1, 2}, {12, 2, 2},
    };
    for (const auto& c : cases) {
        DCctAccidental* accidental = AddAccidental(0, c.kind);
        accidental->SetPositionDirty(1);
        accidental->SetAlignPosition(c.column);
        accidental->SetSize(nullptr);
        const int width = accidental->GetWidth();
        ASSERT_GT(width, 0);
        int x = -3 * h / 2;
        if (c.extra == 1)
            x -= width / 2;
        else if (c.extra == 2)
            x = -width - h / 4;
        if (c.column >= 2)
            x -= (c.column - 1) * h;
        EXPECT_EQ(accidental->GetX(), x) << int(c.kind) << " column " << c.column;
        EXPECT_EQ(accidental->GetAlignPosition(), c.column);
        EXPECT_EQ(accidental->PositionDirty(), 0);
    }
    // Above the note a column means nothing.
    DCctAccidental* above = AddAccidental(0, 0);
    above->SetLocation(1, 0);
    above->SetX(7);
    above->SetAlignPosition(3);
    EXPECT_EQ(above->GetX(), 7);
    EXPECT_EQ(above->GetAlignPosition(), 1);
}

TEST_F(AccidentalTest, AlignPositionTravelsInTheTailAndWithACopy) {
    DCctAccidental accidental;
    accidental.SetAlignPosition(4);
    accidental.SetCourtesy(1, 0);
    const std::vector<uint8_t> bytes = StoreBytes(&accidental);
    DCctBase head;
    const size_t headSize = StoreBytes(&head).size();
    ASSERT_EQ(bytes.size(), headSize + 1);
    EXPECT_EQ(bytes.back(), 4);
    DCctAccidental loaded;
    LoadBytes(&loaded, bytes);
    EXPECT_EQ(loaded.GetAlignPosition(), 4);
    EXPECT_EQ(loaded.IsCourtesy(), 1);

    DCctAccidental copy(accidental);
    EXPECT_EQ(copy.GetAlignPosition(), 4);
    EXPECT_EQ(copy.GetStateWord(), accidental.GetStateWord());

    DCctAccidental fresh;
    EXPECT_EQ(fresh.GetAlignPosition(), 1);
    EXPECT_EQ(fresh.IsAbove(), 0);
    EXPECT_EQ(fresh.IsCourtesy(), 0);
}

TEST_F(AccidentalTest, UserSpelledIsTheNotesMark) {
    AddChord({63});
    DCctAccidental* accidental = AddAccidental(0, FLAT);
    EXPECT_EQ(accidental->IsUserSpelled(), 0);
    accidental->SetUserSpelled(1);
    EXPECT_EQ(Note(0)->IsUserSpelled(), 1);
    EXPECT_EQ(accidental->IsUserSpelled(), 1);
    accidental->SetUserSpelled(0);
    EXPECT_EQ(Note(0)->IsUserSpelled(), 0);

    DCctAccidental orphan;
    orphan.SetUserSpelled(1);
    EXPECT_EQ(orphan.IsUserSpelled(), 0);
}

// ---- dots ------------------------------------------------------------------------------

TEST_F(AccidentalTest, DotColumnsAndSidesOfTheLine) {
    AddChord({67});
    const int h = H();
    const int w = W();
    DCctDot* dot = AddDot(0);
    EXPECT_EQ(dot->GetFontFromType(), 107u);
    const struct {
        int column;
        bool flag;
        int x;
    } columns[] = {
        {0, false, h + w}, {1, false, h + 2 * w}, {-1, false, h}, {0, true, h + w + h / 4},
    };
    for (const auto& c : columns) {
        Note(0)->SetFlag(c.flag ? 1 : 0);
        dot->SetPositionDirty(1);
        dot->SetAlignPosition(c.column);
        EXPECT_EQ(dot->GetX(), c.x) << c.column << " flag " << c.flag;
        EXPECT_EQ(dot->PositionDirty(), 0);
    }
    // A flag on a down stem hangs left of the dot's way.
    Note(0)->SetFlag(1);
    Note(0)->SetStemDirection(DOWN, 1);
    dot->SetAlignPosition(0);
    EXPECT_EQ(dot->GetX(), h + w);

    const struct {
        int align;
        int y;
    } sides[] = {{DCctDot::ALIGN_BELOW, -h / 2}, {DCctDot::ALIGN_ON, 0}, {DCctDot::ALIGN_ABOVE, h / 2}, {7, h / 2}};
    for (const auto& c : sides) {
        dot->SetPositionDirty(1);
        dot->SetVerticalAlign(c.align);
        EXPECT_EQ(dot->GetY(), c.y) << c.align;
        EXPECT_EQ(dot->PositionDirty(), 0);
    }
}

}  // namespace
