// notation/display/brace.cpp and frame.cpp: a bracket from its top hook down
// its height, a brace spanning its height, the music font put back after
// either; an embedded object's frame sized from its item and drawn as its
// outline, nothing without an item.
#include "notation/display/brace.h"
#include "notation/display/frame.h"

#include "model/frame.h"
#include "model/markings.h"
#include "platform/gdi/gdiobj.h"
#include "tests/notation/display/marks_support.h"

#include <vector>

namespace {

using namespace marks_test;

class BraceTest : public ::testing::Test {
protected:
    // A brace (0) or bracket of height `height` at (0, 0).
    DCctBrac* Make(unsigned char type, int height) {
        m_event = std::make_unique<ECBrac>(type);
        m_display = std::make_unique<DCctBrac>();
        m_display->SetOwner(m_event.get());
        m_display->SetHeight(height);
        m_display->SetPosition(0, 0);
        return m_display.get();
    }
    void TearDown() override {
        if (m_display)
            m_display->SetOwner(nullptr);
    }

    MusicFontScope font{NOTEHEAD};

private:
    std::unique_ptr<ECBrac> m_event;
    std::unique_ptr<DCctBrac> m_display;
};

TEST_F(BraceTest, BracketFromItsTopHookDownItsHeight) {
    const int height = 3000;
    DCctBrac* bracket = Make(1, height);
    bracket->SetSize(nullptr);
    const MCMusicFont& music = MCMusicFont::GetMusicFont();
    const MCMusicFont::MusicFontMetrics top = music.GetMusicMetrics(154, FONT_NORMAL);
    const MCMusicFont::MusicFontMetrics bottom = music.GetMusicMetrics(155, FONT_NORMAL);
    EXPECT_EQ(bracket->GetHeight(), static_cast<int>(top.GetHeight() + bottom.GetHeight()) + height);
    EXPECT_EQ(bracket->GetMetrics().GetTop(), static_cast<int>(top.GetHeight()));

    TenthCanvas canvas(200, 500, 50, 100);
    ASSERT_EQ(bracket->Draw(&canvas.dc, CPoint(0, 0), nullptr), 1);
    const InkBox ink = canvas.Ink();
    ASSERT_FALSE(ink.Empty());
    EXPECT_NEAR(ink.top, GlyphBox(canvas, 154, CPoint(0, 0)).top, 1) << "the top hook";
    EXPECT_NEAR(ink.bottom, GlyphBox(canvas, 155, CPoint(0, -height)).bottom, 1) << "the bottom hook";
    // The line runs unbroken from the position down the height.
    const int column = canvas.Column(music.GetMusicMetrics(153, FONT_NORMAL).GetWidth() / 2);
    for (int row = canvas.Row(0); row <= canvas.Row(-height); ++row)
        EXPECT_NE(canvas.Pixel(column, row), 0xFFFFFFu) << row;
}

TEST_F(BraceTest, BraceSpansItsHeightAndPutsTheFontBack) {
    const int height = 3000;
    DCctBrac* brace = Make(0, height);
    MCMusicFont& music = MCMusicFont::GetMusicFont();
    LOGFONT before;
    MCMusicFont::NoteMetrics metricsBefore;
    music.SaveLogFont(&before, &metricsBefore);

    const MCMusicFont::MusicFontMetrics glyphBefore = music.GetMusicMetrics(62, FONT_NORMAL);
    TenthCanvas canvas(200, 500, 50, 250);
    ASSERT_EQ(brace->Draw(&canvas.dc, CPoint(0, 0), nullptr), 1);
    EXPECT_EQ(brace->GetHeight(), height);
    EXPECT_NEAR(brace->GetWidth(), 2 * NOTEHEAD, NOTEHEAD / 5) << "the face narrowed to two noteheads";
    EXPECT_EQ(music.GetMusicMetrics(62, FONT_NORMAL), glyphBefore) << "the score's glyph boxes kept";
    EXPECT_EQ(brace->GetMetrics().GetTop(), height / 2);
    EXPECT_GT(brace->GetWidth(), 0);
    const InkBox ink = canvas.Ink();
    ASSERT_FALSE(ink.Empty());
    EXPECT_NEAR(ink.bottom - ink.top, height / SCALE, 3);
    EXPECT_NEAR(ink.top + ink.bottom, 2 * canvas.Row(0), 3) << "centred on its position";
    EXPECT_LE(ink.right - ink.left, 2 * NOTEHEAD / SCALE + 1) << "two noteheads wide at most";

    LOGFONT after;
    MCMusicFont::NoteMetrics metricsAfter;
    music.SaveLogFont(&after, &metricsAfter);
    EXPECT_EQ(after.lfHeight, before.lfHeight);
    EXPECT_EQ(after.lfWidth, before.lfWidth);
    EXPECT_EQ(metricsAfter, metricsBefore);
}

// ---- frames ----------------------------------------------------------------------------------

class FrameTest : public ::testing::Test {
protected:
    // A canvas at 1440 units an inch (96 pixels an inch: 15 units a pixel).
    struct TwipsCanvas : MemoryCanvas {
        TwipsCanvas() : MemoryCanvas(300, 200) {
            dc.SetMapMode(MM_ANISOTROPIC);
            dc.SetWindowExt(15, 15);
            dc.SetViewportExt(1, -1);
            dc.SetViewportOrg(20, 20);
        }
    };
};

TEST_F(FrameTest, WithoutAnItemNothingIsDrawn) {
    ECFrame event;
    DCctFrame frame;
    frame.SetOwner(&event);
    TwipsCanvas canvas;
    EXPECT_EQ(frame.Draw(&canvas.dc, CPoint(0, 0), nullptr), 64);
    EXPECT_TRUE(FindInk(canvas.Image(), 0, 200).Empty());
    frame.SetOwner(nullptr);
}

TEST_F(FrameTest, SizedFromTheItemsExtentAndDrawnByTheInstalledDrawing) {
    auto event = std::make_unique<ECFrame>();
    auto* item = new CScoreCntrItem;
    item->SetExtent(2540, -1270);   // an inch by half an inch, HIMETRIC
    event->SetClientItem(item);
    DCctFrame frame;
    frame.SetOwner(event.get());
    frame.SetPosition(300, -150);

    TwipsCanvas canvas;
    CSize size;
    CScoreItemDrawing::GetSizeL(item, &canvas.dc, size);
    EXPECT_EQ(size, CSize(1440, 720));
    CScoreItemDrawing::GetSizeL(item, nullptr, size);
    EXPECT_EQ(size, CSize(0, 0));

    // An installed drawing gets the item and its bounds; one that draws
    // nothing leaves the canvas blank.
    static CScoreCntrItem* drawnItem;
    static CRect drawnBounds;
    drawnItem = nullptr;
    const CScoreItemDrawing::DrawFunc previous =
        CScoreItemDrawing::SetDrawFunc([](CScoreCntrItem* item, CDC*, const RECT* bounds, const RECT*, int) {
            drawnItem = item;
            drawnBounds = *bounds;
            return 0;
        });
    ASSERT_EQ(frame.Draw(&canvas.dc, CPoint(0, 0), nullptr), 1);
    EXPECT_EQ(frame.GetWidth(), 1440);
    EXPECT_EQ(frame.GetHeight(), 720);
    EXPECT_EQ(drawnItem, item);
    EXPECT_EQ(drawnBounds, CRect(300, -150, 1740, -870));
    EXPECT_TRUE(FindInk(canvas.Image(), 0, 200).Empty());

    // Without one (no view was ever made), the framed bounds: pixels
    // (40, 30) - (136, 78) on this canvas.
    CScoreItemDrawing::SetDrawFunc(nullptr);
    TwipsCanvas plain;
    ASSERT_EQ(frame.Draw(&plain.dc, CPoint(0, 0), nullptr), 1);
    const InkBox ink = FindInk(plain.Image(), 0, 200);
    EXPECT_NEAR(ink.left, 40, 1);
    EXPECT_NEAR(ink.top, 30, 1);
    EXPECT_NEAR(ink.right, 136, 1);
    EXPECT_NEAR(ink.bottom, 78, 1);
    CScoreItemDrawing::SetDrawFunc(previous);
    frame.SetOwner(nullptr);
}

}  // namespace
