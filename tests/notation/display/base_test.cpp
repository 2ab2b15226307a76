// The display element base: state word, font class, frames, hit tests,
// offsets and copying.
#include "notation/display/base.h"

#include "model/appstates.h"
#include "platform/ui/syscolor.h"
#include "tests/notation/display/display_support.h"

#include <gtest/gtest.h>

namespace {

// The base with its protected helpers in reach and a box of its own.
class Probe : public DCctBase {
public:
    using DCctBase::GetFontSize;
    // A 100 x 50 box whose top-left lies at (-10, +20) from the drawing point.
    void PlaceBox(int x, int y) {
        MCMusicFont::MusicFontMetrics box;
        box.SetWidth(100);
        box.SetHeight(50);
        box.SetLeft(-10);
        box.SetTop(20);
        SetMetrics(box);
        SetPosition(x, y);
        SetFrameDirty(0);
        SetPositionDirty(0);
    }
};

TEST(DisplayBaseTest, NewElementIsDirtyEverywhereAndShowsNothingSpecial) {
    DCctBase element;
    for (int kind = 0; kind < DCctBase::DIRTY_KIND_COUNT; ++kind)
        EXPECT_EQ(element.IsDirtyKind(kind), 1) << kind;
    EXPECT_EQ(element.IsDirty(), 1);
    EXPECT_EQ(element.GetStateWord() & 0x7E000u, 0u);   // no display bit
    EXPECT_EQ(element.GetPermanentColor(), GetSysColor(COLOR_WINDOWTEXT));
    DisplayCanvas canvas(8, 8, 0, 0);
    EXPECT_EQ(element.GetColor(&canvas.dc), GetSysColor(COLOR_WINDOWTEXT));
    EXPECT_EQ(element.GetVoice(), 255);
    EXPECT_EQ(element.GetFontFromType(), 0u);
}

TEST(DisplayBaseTest, KindNumbersAreNotBitNumbers) {
    // kind -> bit, as files and the engine each fix them.
    const int bits[] = {1, 3, 2, 7, 5, 6, 4, 8, 9, 10, 11, 12};
    for (int kind = 0; kind < 12; ++kind) {
        EXPECT_EQ(DCctBase::DirtyKindBit(kind), bits[kind]) << kind;
        DCctBase element;
        element.SetStateWord(0);
        element.SetDirtyKind(kind, 1);
        EXPECT_EQ(element.GetStateWord(), 1u << bits[kind]) << kind;
    }
    EXPECT_EQ(DCctBase::DirtyKindBit(12), -1);
    DCctBase element;
    element.SetStateWord(0);
    element.SetStemDirty(1);     // kind 2, bit 2
    element.SetChordDirty(1);    // kind 1, bit 3
    element.SetMultivoiceDirty(1);
    EXPECT_EQ(element.GetStateWord(), (1u << 2) | (1u << 3) | (1u << 4));
    element.SetDirtyKind(40, 1);
    EXPECT_EQ(element.IsDirtyKind(40), 0);
}

TEST(DisplayBaseTest, FontClassCueWinsOverGrace) {
    const struct {
        int cue, grace;
        BYTE size;
    } cases[] = {{0, 0, FONT_NORMAL}, {0, 1, FONT_GRACE}, {1, 0, FONT_CUE}, {1, 1, FONT_CUE}};
    for (const auto& c : cases) {
        Probe element;
        element.SetCue(c.cue);
        element.SetGrace(c.grace);
        EXPECT_EQ(element.GetFontSize(), c.size) << c.cue << c.grace;
    }
}

TEST(DisplayBaseTest, FrameAndPointHitTests) {
    Probe element;
    element.PlaceBox(1000, 2000);
    CRect frame;
    element.GetFrame(&frame, 0);
    EXPECT_EQ(frame, CRect(990, 2020, 1090, 1970));   // y up: top is the larger y

    const CPoint none(0, 0);
    const struct {
        CPoint probe;
        int result;
    } cases[] = {
        {{1000, 2000}, 1},
        {{990, 1970}, 1},      // left and (normalised) top edges count
        {{1090, 2000}, 2},     // the right and upper edges are outside, in no direction
        {{1000, 2020}, 2},
        {{1200, 1900}, 22},    // right and below
        {{900, 2100}, 42},     // left and above
    };
    for (const auto& c : cases)
        EXPECT_EQ(element.HitTest(c.probe, none, 0), c.result) << c.probe.x << "," << c.probe.y;
    // The offset moves the frame.
    EXPECT_EQ(element.HitTest(CPoint(1100, 2000), CPoint(100, 0), 0), 1);

    element.SetPositionDirty(1);
    EXPECT_EQ(element.HitTest(CPoint(1000, 2000), none, 0), 64);
    CRect probe(0, 0, 10, 10);
    EXPECT_EQ(element.IsIn(&probe, none, 1, 0), 64);
    element.SetPositionDirty(0);
    element.SetFrameDirty(1);
    EXPECT_EQ(element.HitTest(CPoint(1000, 2000), none, 0), 64);
}

TEST(DisplayBaseTest, RectangleTests) {
    Probe element;
    element.PlaceBox(1000, 2000);   // frame 990..1090 x 1970..2020
    const CPoint none(0, 0);
    const struct {
        CRect rect;
        int detail;
        int result;
    } cases[] = {
        {{0, 0, 0, 0}, 1, 1},                    // null rectangle
        {{1000, 1980, 1010, 1990}, 1, 1},        // inside
        {{1200, 1800, 1300, 1900}, 1, 22},       // right and below
        {{800, 2100, 900, 2200}, 1, 42},         // left and above
        {{1200, 1800, 1300, 1900}, 0, 2},        // no detail
    };
    for (const auto& c : cases) {
        CRect rect = c.rect;
        EXPECT_EQ(element.IsIn(&rect, none, c.detail, 0), c.result) << c.rect.left;
    }
    CRect rect(1200, 1800, 1300, 1900);
    EXPECT_EQ(element.HitTest(&rect, none, 0), 22);

    Probe empty;
    empty.SetFrameDirty(0);
    empty.SetPositionDirty(0);
    EXPECT_EQ(empty.HitTest(CPoint(0, 0), none, 0), 64);
    EXPECT_EQ(empty.IsIn(&rect, none, 1, 0), 64);
    CRect frame(1, 2, 3, 4);
    empty.GetFrame(&frame, 0);
    EXPECT_EQ(frame, CRect(0, 0, 0, 0));
}

TEST(DisplayBaseTest, HiddenKeepsItsFrameButHasNoSize) {
    Probe element;
    element.PlaceBox(0, 0);
    element.SetHidden(1);
    EXPECT_EQ(element.GetWidth(), 0);
    EXPECT_EQ(element.GetHeight(), 0);
    CRect frame;
    element.GetFrame(&frame, 0);
    EXPECT_EQ(frame, CRect(-10, 20, 90, -30));
    EXPECT_EQ(element.HitTest(CPoint(0, 0), CPoint(0, 0), 0), 1);
    element.SetHidden(0);
    EXPECT_EQ(element.GetWidth(), 100);
    EXPECT_EQ(element.GetHeight(), 50);
}

TEST(DisplayBaseTest, OffsetsInTenthsStoredInUnits) {
    MusicFontScope notehead(100);
    ASSERT_EQ(MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_CURRENT), 100);
    const struct {
        int tenths;
        int stored;
        int read;
    } cases[] = {
        {1000, 10000, 1000},
        {10000, 32767, 3276},     // clamped to 16 bits
        {-10000, -32768, -3276},
        {7, 70, 7},
        {-3, -30, -3},
    };
    for (const auto& c : cases) {
        DCctBase element;
        element.SetPosition(5, 6);
        element.SetOffset(c.tenths, -c.tenths);
        EXPECT_EQ(element.GetStoredOffset().cx, c.stored) << c.tenths;
        EXPECT_EQ(element.GetOffset().x, c.read) << c.tenths;
        EXPECT_EQ(element.GetPosition(), CPoint(5 + c.stored, 6 + element.GetStoredOffset().cy));
    }
    // The other forms store alike; positions leave the offset alone.
    DCctBase element;
    element.SetOffset(CSize(10, 20));
    EXPECT_EQ(element.GetStoredOffset(), CSize(100, 200));
    element.SetOffset(CPoint(-10, 0));
    EXPECT_EQ(element.GetStoredOffset(), CSize(-100, 0));
    element.SetX(7);
    element.SetY(8);
    EXPECT_EQ(element.GetX(), -93);
    EXPECT_EQ(element.GetY(), 8);
}

TEST(DisplayBaseTest, OffsetReadsZeroWhenATenthIsNoUnit) {
    MusicFontScope notehead(100);
    DCctBase element;
    element.SetOffset(10, 10);
    MusicFontScope tiny(8);
    EXPECT_EQ(element.GetOffset(), CPoint(0, 0));
}

TEST(DisplayBaseTest, CopyResetsTransientState) {
    DCctBase original;
    original.SetStateWord(0);
    original.SetHighlighted(1);
    original.SetGhosted(1);
    original.SetSelected(1);
    original.SetHidden(1);
    original.SetCue(1);
    original.SetGrace(1);
    original.SetStateWord(original.GetStateWord() | (1u << 20) | 1u);
    original.SetPosition(11, 22);
    original.SetStoredOffset(CSize(3, 4));
    original.SetColor(RGB(1, 2, 3));
    MCMusicFont::MusicFontMetrics box;
    box.SetWidth(9);
    original.SetMetrics(box);

    DCctBase copy(original);
    EXPECT_EQ(copy.GetStateWord(), 1u | 0x1FFEu | (1u << 17) | (1u << 18) | (1u << 20));
    EXPECT_EQ(copy.GetPosition(), CPoint(14, 26));
    EXPECT_EQ(copy.GetStoredOffset(), CSize(3, 4));
    EXPECT_EQ(copy.GetPermanentColor(), RGB(1, 2, 3));
    EXPECT_EQ(copy.GetMetrics(), MCMusicFont::MusicFontMetrics());
    EXPECT_EQ(copy.GetOwner(), nullptr);
}

TEST(DisplayBaseTest, ColourByState) {
    DCctBase element;
    element.SetColor(RGB(10, 20, 30));
    DisplayCanvas screen(8, 8, 0, 0);
    EXPECT_EQ(element.GetColor(&screen.dc), RGB(10, 20, 30));
    element.SetHighlighted(1);
    EXPECT_EQ(element.GetColor(&screen.dc), RGB(10, 20, 30));
    element.SetSelected(1);
    EXPECT_EQ(element.GetColor(&screen.dc), SCSelection::s_color);
    element.SetGhosted(1);
    EXPECT_EQ(element.GetColor(&screen.dc), GetSysColor(COLOR_GRAYTEXT));
}

}  // namespace
