// The base's drawing: one glyph at its snapped position, in the colour of its
// state, nothing for glyph 0, and the sample drawn centred in a rectangle
// that leaves the score's font as it was.
#include "notation/display/base.h"

#include "model/appstates.h"
#include "platform/ui/syscolor.h"
#include "tests/notation/display/display_support.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

constexpr UINT kNotehead = 207;
constexpr UINT kSharp = 35;   // boxed by its ink (the notehead's box is the staff space)

class Glyph : public DCctBase {
public:
    explicit Glyph(UINT glyph) : m_glyph(glyph) {}
    UINT GetFontFromType() override { return m_glyph; }

private:
    UINT m_glyph;
};

// The box of the ink, in device pixels (left, top, right, bottom inclusive);
// all -1 without ink. Faint antialiased edges do not count.
struct Ink {
    int left = -1, top = -1, right = -1, bottom = -1;
};
Ink InkBox(const QImage& image) {
    Ink ink;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(image.pixel(x, y)) > 160)
                continue;
            if (ink.left < 0 || x < ink.left)
                ink.left = x;
            if (ink.right < x)
                ink.right = x;
            if (ink.top < 0)
                ink.top = y;
            ink.bottom = y;
        }
    return ink;
}

// The darkest pixel's colour: the glyph's solid middle.
QRgb Darkest(const QImage& image) {
    QRgb darkest = 0xFFFFFF;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y) & 0xFFFFFF;
            if (qRed(p) + qGreen(p) + qBlue(p) < qRed(darkest) + qGreen(darkest) + qBlue(darkest))
                darkest = p;
        }
    return darkest;
}

QRgb AsQRgb(COLORREF color) {
    return static_cast<QRgb>((GetRValue(color) << 16) | (GetGValue(color) << 8) | GetBValue(color));
}

TEST(DisplayDrawTest, TheGlyphLiesInItsFrame) {
    MusicFontScope notehead(20);
    DisplayCanvas canvas(200, 200, 50, 150);
    Glyph head(kSharp);
    head.SetPosition(40, 10);
    EXPECT_EQ(head.Draw(&canvas.dc, CPoint(3, -4), nullptr), 1);
    EXPECT_EQ(head.FrameDirty(), 0);
    EXPECT_EQ(head.GetMetrics(), MCMusicFont::GetMusicFont().GetMusicMetrics(kSharp, FONT_NORMAL));

    CRect frame;
    head.GetFrame(&frame, 0);
    frame.OffsetRect(3, -4);
    const Ink ink = InkBox(canvas.Image());
    ASSERT_GE(ink.left, 0);
    // Device x = 50 + x, y = 150 - y; the frame's top is its larger y.
    EXPECT_NEAR(ink.left, 50 + frame.left, 1);
    EXPECT_NEAR(ink.right, 50 + frame.right - 1, 1);
    EXPECT_NEAR(ink.top, 150 - frame.top, 1);
    EXPECT_NEAR(ink.bottom, 150 - frame.bottom - 1, 1);
}

TEST(DisplayDrawTest, GlyphZeroDrawsNothing) {
    MusicFontScope notehead(20);
    DisplayCanvas canvas(64, 64, 10, 50);
    DCctBase nothing;
    EXPECT_EQ(nothing.Draw(&canvas.dc, CPoint(0, 0), nullptr), 1);
    EXPECT_EQ(InkBox(canvas.Image()).left, -1);
}

TEST(DisplayDrawTest, SnappedToADevicePixelAtAnyScale) {
    MusicFontScope notehead(60);
    // Three logical units a pixel: -1, 0 and 1 round to the same pixel, and
    // the glyph is drawn there, not a third of a pixel beside it.
    QImage first;
    for (int x : {0, -1, 1}) {
        DisplayCanvas canvas(64, 64, 10, 50);
        canvas.dc.SetWindowExt(3, 3);
        Glyph head(kNotehead);
        head.SetPosition(x, 0);
        head.Draw(&canvas.dc, CPoint(0, 0), nullptr);
        ASSERT_GE(InkBox(canvas.Image()).left, 0);
        if (x == 0)
            first = canvas.Copy();
        else
            EXPECT_TRUE(canvas.Image() == first) << x;
    }
}

TEST(DisplayDrawTest, GlyphBoxesDoNotDependOnTheOrigin) {
    MusicFontScope notehead(20);
    MCMusicFont& font = MCMusicFont::GetMusicFont();
    DisplayCanvas plain(64, 64, 0, 0);
    DisplayCanvas scrolled(64, 64, 17, 200);
    font.SelectFont(&plain.dc, FONT_NORMAL);
    const MCMusicFont::MusicFontMetrics here = font.GetMusicExtent(&plain.dc, 35);
    font.DeselectFont(&plain.dc);
    font.SelectFont(&scrolled.dc, FONT_NORMAL);
    const MCMusicFont::MusicFontMetrics there = font.GetMusicExtent(&scrolled.dc, 35);
    font.DeselectFont(&scrolled.dc);
    EXPECT_GT(here.GetHeight(), 0u);
    EXPECT_EQ(here, there);
}

TEST(DisplayDrawTest, ColoursOnScreenAndOnPaper) {
    MusicFontScope notehead(20);
    const COLORREF permanent = RGB(200, 0, 0);
    const uint32_t selection = SCSelection::s_color;
    const struct {
        DCKind kind;
        int selected, ghosted;
        COLORREF color;
    } cases[] = {
        {DCKind::Display, 0, 0, permanent},
        {DCKind::Display, 1, 0, selection},
        {DCKind::Display, 1, 1, GetSysColor(COLOR_GRAYTEXT)},
        {DCKind::Pdf, 1, 1, permanent},   // paper shows no transient state
    };
    for (const auto& c : cases) {
        QImage image(80, 80, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            CDC dc;   // done with the image when it goes
            dc.AttachImage(&image, c.kind);
            dc.SetMapMode(MM_ANISOTROPIC);
            dc.SetWindowExt(1, 1);
            dc.SetViewportExt(1, -1);
            dc.SetViewportOrg(20, 40);
            Glyph head(kNotehead);
            head.SetColor(permanent);
            head.SetSelected(c.selected);
            head.SetGhosted(c.ghosted);
            head.Draw(&dc, CPoint(0, 0), nullptr);
        }
        EXPECT_EQ(Darkest(image), AsQRgb(c.color)) << static_cast<int>(c.kind) << c.selected << c.ghosted;
    }
}

TEST(DisplayDrawTest, DrawInRectCentresAndLeavesTheFontAlone) {
    MusicFontScope notehead(20);
    MCMusicFont& font = MCMusicFont::GetMusicFont();
    LOGFONT logBefore;
    MCMusicFont::NoteMetrics metricsBefore;
    font.SaveLogFont(&logBefore, &metricsBefore);
    const MCMusicFont::MusicFontMetrics cachedBefore = font.GetMusicMetrics(kNotehead, FONT_NORMAL);

    DisplayCanvas canvas(200, 200, 0, 200);
    Glyph head(kNotehead);
    CRect rect(40, 160, 160, 40);   // 120 x 120, y up
    EXPECT_EQ(head.DrawInRect(&canvas.dc, &rect), 1);
    EXPECT_EQ(head.FrameDirty(), 0);
    EXPECT_EQ(head.AssembleDirty(), 1);

    // Centred: the ink's middle at the rectangle's middle (device 100, 100).
    const Ink ink = InkBox(canvas.Image());
    ASSERT_GE(ink.left, 0);
    EXPECT_NEAR((ink.left + ink.right) / 2, 100, 2);
    EXPECT_NEAR((ink.top + ink.bottom) / 2, 100, 2);
    // Drawn larger than the score's notehead: at the rectangle's height.
    EXPECT_GT(ink.right - ink.left, 3 * font.GetNoteheadWidth(FONT_NORMAL) / 2);

    LOGFONT logAfter;
    MCMusicFont::NoteMetrics metricsAfter;
    font.SaveLogFont(&logAfter, &metricsAfter);
    EXPECT_EQ(std::memcmp(&logBefore, &logAfter, sizeof logBefore), 0);
    EXPECT_EQ(metricsAfter.noteheadHeight, metricsBefore.noteheadHeight);
    EXPECT_EQ(font.GetMusicMetrics(kNotehead, FONT_NORMAL), cachedBefore);
}

}  // namespace
