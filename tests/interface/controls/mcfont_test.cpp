// The font description: what a new one selects, point sizes, and what the DC
// holds while a selected font is changed.
#include "interface/controls/mcfont.h"

#include "platform/gdi/fontengine.h"
#include "tests/platform/gui/dc_support.h"

#include <gtest/gtest.h>

namespace {

std::string FaceIn(const CDC& dc) {
    char face[LF_FACESIZE] = {};
    dc.GetTextFace(LF_FACESIZE, face);
    return face;
}

LOGFONT CurrentDescription(const CDC& dc) {
    LOGFONT description;
    EXPECT_TRUE(dc.GetCurrentFont() && dc.GetCurrentFont()->GetLogFont(&description));
    return description;
}

TEST(MCFontTest, ANewFontSelectsAsArialOfFourteenUnitsNormalWeight) {
    MemoryCanvas canvas(40, 20);
    MCFont font;
    CFont* before = canvas.dc.GetCurrentFont();

    EXPECT_EQ(font.SelectFont(&canvas.dc), before);
    EXPECT_EQ(MCFont::s_pFontLast, before);
    EXPECT_EQ(FaceIn(canvas.dc), "Arial");
    const LOGFONT selected = CurrentDescription(canvas.dc);
    EXPECT_EQ(selected.lfHeight, -14);
    EXPECT_EQ(selected.lfWeight, FW_NORMAL);
    EXPECT_EQ(selected.lfCharSet, DEFAULT_CHARSET);
    TEXTMETRIC metrics;
    ASSERT_TRUE(canvas.dc.GetTextMetrics(&metrics));
    EXPECT_EQ(metrics.tmHeight - metrics.tmInternalLeading, 14);
    EXPECT_TRUE(font.GetFlags() & MCFont::FLAG_SELECTED);

    EXPECT_EQ(font.DeselectFont(&canvas.dc), font.GetFont(&canvas.dc));
    EXPECT_EQ(canvas.dc.GetCurrentFont(), before);
    EXPECT_FALSE(font.GetFlags() & MCFont::FLAG_SELECTED);
}

TEST(MCFontTest, PointSizesRoundTripThroughTheResolution) {
    const struct { int points, resolution, height; } cases[] = {
        {12, 96, 16}, {10, 96, 13}, {9, 96, 12}, {12, 72, 12}, {8, 1440, 160},
    };
    for (const auto& c : cases) {
        MCFont font;
        font.SetFontPointSize(c.points, c.resolution);
        EXPECT_EQ(font.GetLogFont().lfHeight, c.height) << c.points << " pt at " << c.resolution;
        EXPECT_EQ(font.GetFontPointSize(c.resolution), c.points) << c.points << " pt at " << c.resolution;
    }
}

TEST(MCFontTest, OnlyChangesOfSizeOrStyleMakeTheFontAgain) {
    MemoryCanvas canvas(40, 20);
    MCFont font;
    font.GetFont(&canvas.dc);
    ASSERT_FALSE(font.GetFlags() & MCFont::FLAG_CHANGED);

    font.SetFontName("Times New Roman");
    EXPECT_FALSE(font.GetFlags() & MCFont::FLAG_CHANGED) << "a name alone";
    font.SetFontColor(RGB(1, 2, 3));
    EXPECT_FALSE(font.GetFlags() & MCFont::FLAG_CHANGED) << "a colour alone";

    font.SetFontStyle(1, 1, 0);
    EXPECT_TRUE(font.GetFlags() & MCFont::FLAG_CHANGED);
    LOGFONT made;
    ASSERT_TRUE(font.GetFont(&canvas.dc)->GetLogFont(&made));
    EXPECT_EQ(GetFaceName(made), "Times New Roman");
    EXPECT_EQ(made.lfWeight, FW_BOLD);
    EXPECT_EQ(made.lfItalic, 1);
    EXPECT_EQ(made.lfUnderline, 0);

    LOGFONT saved;
    font.SaveLogFont(&saved);
    saved.lfHeight = -30;
    font.RestoreLogFont(saved);
    ASSERT_TRUE(font.GetFont(&canvas.dc)->GetLogFont(&made));
    EXPECT_EQ(made.lfHeight, -30);
}

// A selected font changed and made again: the DC goes back to the font the
// selection replaced first, so it never holds the deleted one.
TEST(MCFontTest, ChangingASelectedFontPutsThePreviousFontBackFirst) {
    MemoryCanvas canvas(40, 20);
    CFont* before = canvas.dc.GetCurrentFont();
    MCFont font;
    font.SelectFont(&canvas.dc);

    font.SetFontHeight(-20);
    CFont* made = font.GetFont(&canvas.dc);
    EXPECT_EQ(canvas.dc.GetCurrentFont(), before);
    EXPECT_TRUE(made->IsCreated());

    // Selected again, the font to go back to is still the DC's first one.
    EXPECT_EQ(font.SelectFont(&canvas.dc), before);
    EXPECT_EQ(CurrentDescription(canvas.dc).lfHeight, -20);
    font.DeselectFont(&canvas.dc);
    EXPECT_EQ(canvas.dc.GetCurrentFont(), before);
}

// Two selections without a deselection between, then a change: the second
// selection must not note the font itself as the one to go back to.
TEST(MCFontTest, ASecondSelectionKeepsTheFontToGoBackTo) {
    MemoryCanvas canvas(40, 20);
    CFont* before = canvas.dc.GetCurrentFont();
    MCFont font;
    font.SetFontColor(RGB(200, 0, 0));
    const COLORREF ink = canvas.dc.GetTextColor();

    font.SelectFont(&canvas.dc);
    EXPECT_EQ(font.SelectFont(&canvas.dc), before);
    EXPECT_EQ(MCFont::s_colorLast, ink);
    font.SetFontHeight(-18);
    font.GetFont(&canvas.dc);
    EXPECT_EQ(canvas.dc.GetCurrentFont(), before);

    font.SelectFont(&canvas.dc);
    font.DeselectFont(&canvas.dc);
    EXPECT_EQ(canvas.dc.GetCurrentFont(), before);
    EXPECT_EQ(canvas.dc.GetTextColor(), ink);
}

TEST(MCFontTest, TheTextColourChangesOnlyWhenTheFontHasOne) {
    MemoryCanvas canvas(40, 20);
    canvas.dc.SetTextColor(RGB(0, 0, 255));

    MCFont plain;
    plain.SelectFont(&canvas.dc);
    EXPECT_EQ(canvas.dc.GetTextColor(), RGB(0, 0, 255));
    plain.DeselectFont(&canvas.dc);
    EXPECT_EQ(canvas.dc.GetTextColor(), RGB(0, 0, 255));

    MCFont red;
    red.SetFontColor(RGB(255, 0, 0));
    red.SelectFont(&canvas.dc);
    EXPECT_EQ(canvas.dc.GetTextColor(), RGB(255, 0, 0));
    EXPECT_EQ(MCFont::s_colorLast, RGB(0, 0, 255));
    red.DeselectFont(&canvas.dc);
    EXPECT_EQ(canvas.dc.GetTextColor(), RGB(0, 0, 255));
}

}  // namespace
