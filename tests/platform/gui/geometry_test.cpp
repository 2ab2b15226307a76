// Rectangles with their right and bottom edges outside, the empty-rectangle
// rules of intersection and union, colours from the Fusion palette and the
// screen's metrics.
#include "platform/ui/geometry.h"
#include "platform/ui/screen.h"
#include "platform/ui/syscolor.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPalette>
#include <QScreen>
#include <QStyle>

#include <gtest/gtest.h>

namespace {

TEST(Rect, RightAndBottomLieOutside) {
    const CRect rect(0, 0, 10, 5);
    EXPECT_EQ(rect.Width(), 10);
    EXPECT_EQ(rect.Height(), 5);
    const struct {
        POINT point;
        bool inside;
    } cases[] = {
        {{0, 0}, true}, {{9, 4}, true}, {{10, 4}, false}, {{9, 5}, false}, {{-1, 0}, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(rect.PtInRect(c.point), c.inside) << c.point.x << "," << c.point.y;
}

TEST(Rect, NormalizeSwapsEdgesGivenTheWrongWayRound) {
    CRect rect(10, 20, 0, 5);
    EXPECT_TRUE(rect.IsRectEmpty());
    rect.NormalizeRect();
    EXPECT_EQ(rect, CRect(0, 5, 10, 20));
    EXPECT_FALSE(rect.IsRectEmpty());
}

TEST(Rect, IntersectionAndUnionLeaveEmptyRectanglesOut) {
    const struct {
        CRect a, b;
        bool intersects;
        CRect intersection;
        bool unites;
        CRect united;
    } cases[] = {
        // Overlapping.
        {{0, 0, 10, 10}, {5, 5, 20, 20}, true, {5, 5, 10, 10}, true, {0, 0, 20, 20}},
        // Touching at an edge: no common point, as the right edge is outside.
        {{0, 0, 10, 10}, {10, 0, 20, 10}, false, {0, 0, 0, 0}, true, {0, 0, 20, 10}},
        // An empty rectangle far away does not widen the union.
        {{0, 0, 10, 10}, {50, 50, 50, 60}, false, {0, 0, 0, 0}, true, {0, 0, 10, 10}},
        // Inside another but empty: no intersection.
        {{0, 0, 10, 10}, {2, 2, 2, 8}, false, {0, 0, 0, 0}, true, {0, 0, 10, 10}},
        // Both empty: the null rectangle.
        {{5, 5, 5, 9}, {1, 1, 0, 0}, false, {0, 0, 0, 0}, false, {0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        CRect out(1, 2, 3, 4);
        EXPECT_EQ(out.IntersectRect(c.a, c.b), c.intersects);
        EXPECT_EQ(out, c.intersection);
        CRect joined(1, 2, 3, 4);
        EXPECT_EQ(joined.UnionRect(c.a, c.b), c.unites);
        EXPECT_EQ(joined, c.united);
    }
}

TEST(Rect, ArithmeticOfPointsSizesAndRectangles) {
    CRect rect(CPoint(10, 20), CSize(30, 40));
    EXPECT_EQ(rect, CRect(10, 20, 40, 60));
    rect.OffsetRect(CPoint(-10, -20));
    EXPECT_EQ(rect, CRect(0, 0, 30, 40));
    rect.InflateRect(1, 2);
    EXPECT_EQ(rect, CRect(-1, -2, 31, 42));
    rect.DeflateRect(1, 2, 3, 4);
    EXPECT_EQ(rect, CRect(0, 0, 28, 38));
    EXPECT_EQ(CPoint(5, 7) - CPoint(2, 3), CSize(3, 4));
    EXPECT_EQ(rect.CenterPoint(), CPoint(14, 19));
}

TEST(SysColor, ReadsTheApplicationPaletteAsBgr) {
    EXPECT_EQ(RGB(0x12, 0x34, 0x56), 0x563412u);
    const QPalette palette = QApplication::palette();
    const struct {
        int index;
        QColor expected;
    } cases[] = {
        {COLOR_WINDOW, palette.color(QPalette::Active, QPalette::Base)},
        {COLOR_WINDOWTEXT, palette.color(QPalette::Active, QPalette::Text)},
        {COLOR_BTNFACE, palette.color(QPalette::Active, QPalette::Button)},
        {COLOR_HIGHLIGHT, palette.color(QPalette::Active, QPalette::Highlight)},
        {COLOR_GRAYTEXT, palette.color(QPalette::Disabled, QPalette::Text)},
    };
    for (const auto& c : cases) {
        const COLORREF color = GetSysColor(c.index);
        EXPECT_EQ(GetRValue(color), c.expected.red()) << c.index;
        EXPECT_EQ(GetGValue(color), c.expected.green()) << c.index;
        EXPECT_EQ(GetBValue(color), c.expected.blue()) << c.index;
    }
    // Fusion's light palette: white windows, black text.
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), RGB(255, 255, 255));
    EXPECT_EQ(GetSysColor(COLOR_WINDOWTEXT), RGB(0, 0, 0));
}

TEST(ScreenMetrics, InstalledTheyAnswerForTheScreen) {
    CDesktopMetrics* previous = InstallScreenMetrics();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), screen.width());
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), screen.height());
    EXPECT_EQ(GetWorkArea().Width(), work.width());
    EXPECT_EQ(GetSystemMetrics(SM_CXVSCROLL), QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    SetDesktopMetrics(previous);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1920);   // the headless desktop again
}

}  // namespace
