// Rests drawn where their measure places them, into an image through a
// memory DC, y up, checked by where the ink lies: each value's glyph on its
// line, a whole rest at the start of a measure midway between the music's
// start and the barline, and one ledger line where a half or whole rest
// leaves the staff, touching the rest.
#include "notation/display/rest.h"

#include "notation/display/drawsteps.h"
#include "tests/notation/display/rest_support.h"
#include "tests/notation/display/structure_support.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace rest_test;

constexpr int TOP_ROW = 150;   // the device row of the staff's top line (logical y 0)
constexpr int LEFT = 60;       // where the measure starts on the canvas

int Row(int y) {
    return TOP_ROW - y;
}

// A rest placed by its measure, then drawn as the view draws it.
struct DrawnRest {
    QImage image;
    DCctRest* rest = nullptr;
    InkBox ink;
};

DrawnRest Draw(RestScore& score, int ticks, int start, int voice) {
    DrawnRest drawn;
    drawn.rest = score.Add(ticks, start, voice);
    EXPECT_EQ(drawn.rest->Position(nullptr, nullptr, nullptr, nullptr), 1);
    DisplayCanvas canvas(400, 320, 0, TOP_ROW);
    EXPECT_EQ(drawn.rest->Draw(&canvas.dc, CPoint(LEFT, 0), nullptr), 1);
    drawn.image = canvas.Copy();
    drawn.ink = FindInk(drawn.image, 0, drawn.image.height());
    return drawn;
}

// Rows whose ink starts left of `left`: a ledger line reaches a quarter space
// and more past the rest's x on both sides, further than any rest glyph.
std::vector<int> RowsReachingLeftOf(const QImage& image, int left) {
    std::vector<int> rows;
    for (int row = 0; row < image.height(); ++row) {
        const InkBox box = FindInk(image, row, row + 1);
        if (!box.Empty() && box.left < left)
            rows.push_back(row);
    }
    return rows;
}

// The music font's ledger line glyph drawn alone, its cell's left at `x`, at
// the size rests are drawn: the columns and rows it inks.
InkBox LedgerGlyphAlone(int x) {
    constexpr UINT kLedgerGlyph = 95;
    DisplayCanvas canvas(400, 320, 0, TOP_ROW);
    MCMusicFont& font = MCMusicFont::GetMusicFont();
    font.SelectFont(&canvas.dc, FONT_NORMAL);
    DrawMusicGlyph(&canvas.dc, x, font.GetAscent(FONT_NORMAL), kLedgerGlyph);
    font.DeselectFont(&canvas.dc);
    const QImage image = canvas.Copy();
    return FindInk(image, 0, image.height());
}

TEST(RestDrawTest, EachValueOnItsLine) {
    RestScore score;
    score.Measure()->GetVoiceTable() = {0};
    const int h = score.h;
    const int y = -2 * h;   // one voice: the middle line

    // Whole rest: hangs from the line above, 5/8 of a space deep.
    const DrawnRest whole = Draw(score, 1024, 256, 0);
    EXPECT_EQ(whole.rest->GetFontFromType(), 183u);
    EXPECT_NEAR(whole.ink.top, Row(y + h), 1);
    EXPECT_NEAR(whole.ink.bottom, Row(y + h - 5 * h / 8), 1);
    EXPECT_NEAR(whole.ink.right - whole.ink.left + 1, 3 * h / 2, 2);

    // Half rest: stands on the line, as deep as the whole rest.
    const DrawnRest half = Draw(score, 512, 256, 0);
    EXPECT_EQ(half.rest->GetFontFromType(), 238u);
    EXPECT_NEAR(half.ink.bottom, Row(y), 1);
    EXPECT_NEAR(half.ink.top, Row(y + 5 * h / 8), 1);

    // Double whole rest: the rest's block filling a space, not a notehead
    // centred on the line.
    const DrawnRest doubleWhole = Draw(score, 2048, 256, 0);
    EXPECT_NEAR(doubleWhole.ink.top, Row(y + h), 1);
    EXPECT_NEAR(doubleWhole.ink.bottom, Row(y), 1);
    EXPECT_LT(doubleWhole.ink.right - doubleWhole.ink.left + 1, h);

    // Quarter, eighth and sixteenth rests: across the middle line, the
    // quarter tallest, the sixteenth's second hook below the eighth's.
    const DrawnRest quarter = Draw(score, 256, 256, 0);
    const DrawnRest eighth = Draw(score, 128, 256, 0);
    const DrawnRest sixteenth = Draw(score, 64, 256, 0);
    const struct {
        const DrawnRest& drawn;
        UINT glyph;
    } shorter[] = {{quarter, 206}, {eighth, 228}, {sixteenth, 197}};
    for (const auto& s : shorter) {
        EXPECT_EQ(s.drawn.rest->GetFontFromType(), s.glyph);
        EXPECT_LT(s.drawn.ink.top, Row(y)) << s.glyph;
        EXPECT_GT(s.drawn.ink.bottom, Row(y)) << s.glyph;
        EXPECT_NEAR(s.drawn.ink.left, LEFT + s.drawn.rest->GetX(), 3) << s.glyph;
    }
    EXPECT_GT(quarter.ink.bottom - quarter.ink.top, 5 * h / 2);
    EXPECT_GT(sixteenth.ink.bottom, eighth.ink.bottom + h / 2);
    }

TEST(RestDrawTest, AWholeRestAtTheStartSitsMidwayToTheBarline) {
    RestScore score;
    MCRulerRuler& ruler = score.Ruler();
    ruler.SetPrologWidth(MCRuler::PROLOG_METER, 40);
    const int start = ruler.GetXPositionForTick(0, 256);
    const int barline = ruler.GetBarlineX();
    const DrawnRest whole = Draw(score, 1024, 0, 0);
    EXPECT_NEAR(whole.ink.CenterX2(), 2 * LEFT + start + barline, 3);
    // A whole rest later in the measure stands at its tick.
    const DrawnRest later = Draw(score, 1024, 512, 0);
    EXPECT_NEAR(later.ink.left, LEFT + ruler.GetXPositionForTick(512, 256), 1);
}

TEST(RestDrawTest, OneLedgerLineWhereAHalfOrWholeRestLeavesTheStaff) {
    const struct {
        int kind;
        std::vector<BYTE> voices;
        int voice, ticks;
        int line;   // the ledger line's y in spaces from the top line; 0: none
    } cases[] = {
        {0, {0, 1}, 0, 512, 1},     // a half rest above the staff stands on its line
        {0, {0, 1}, 1, 512, -6},    // and below it
        {0, {0, 1}, 0, 1024, 2},    // a whole rest hangs from the line a space above
        {0, {0, 1}, 1, 1024, -5},
        {0, {0, 1}, 1, 2048, -5},
        {0, {0}, 0, 512, 0},        // on the staff
        {0, {0, 1}, 1, 256, 0},     // a quarter rest below the staff
        {1, {0, 1, 2, 4}, 2, 512, 0},   // a grand staff never
    };
    for (const auto& c : cases) {
        RestScore score(c.kind);
        score.Measure()->GetVoiceTable() = c.voices;
        const DrawnRest drawn = Draw(score, c.ticks, 256, c.voice);
        const int restLeft = LEFT + drawn.rest->GetX();
        const std::vector<int> rows = RowsReachingLeftOf(drawn.image, restLeft - score.h / 4);
        if (c.line == 0) {
            EXPECT_TRUE(rows.empty()) << c.kind << " voice " << c.voice << " " << c.ticks;
            continue;
        }
        ASSERT_FALSE(rows.empty()) << "voice " << c.voice << " " << c.ticks;
        EXPECT_LE(rows.back() - rows.front(), 3) << "one line, voice " << c.voice << " " << c.ticks;
        EXPECT_NEAR((rows.front() + rows.back()) / 2, Row(c.line * score.h), 1) << "voice " << c.voice << " " << c.ticks;
        // The line is the font's ledger glyph: as wide and as thick as that
        // glyph drawn alone at the rest's x.
        const InkBox glyph = LedgerGlyphAlone(restLeft);
        ASSERT_FALSE(glyph.Empty());
        const InkBox line = FindInk(drawn.image, rows.front(), rows.back() + 1);
        EXPECT_EQ(line.left, glyph.left) << "voice " << c.voice << " " << c.ticks;
        EXPECT_EQ(line.right, glyph.right) << "voice " << c.voice << " " << c.ticks;
        EXPECT_EQ(rows.back() - rows.front(), glyph.bottom - glyph.top) << "voice " << c.voice << " " << c.ticks;
        // The rest itself is whole under its line: every row of its own ink
        // is as wide as the glyph.
        const int width = drawn.rest->GetWidth();
        for (int row = drawn.ink.top; row <= drawn.ink.bottom; ++row) {
            const InkBox line = FindInk(drawn.image, row, row + 1);
            if (!line.Empty() && line.left >= restLeft - 1 && c.ticks != 2048) {
                EXPECT_GE(line.right - line.left + 1, width - 2) << "row " << row << " " << c.ticks;
            }
        }
    }
}

}  // namespace
