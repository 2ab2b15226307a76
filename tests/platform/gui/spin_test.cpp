// The up-down control: steps toward the upper end wherever it lies, the
// UDN_DELTAPOS that may suppress a step, wrapping, the buddy, and a held arrow
// accelerating on the manual clock.
#include "platform/ui/edit.h"
#include "platform/ui/spin.h"

#include "platform/core/clock.h"
#include "tests/platform/gui/control_support.h"
#include "tests/platform/messaging_support.h"

#include <QTest>

#include <string>

namespace {

using control_test::CNotedParent;

constexpr UINT IDC_SPIN = 1020;
constexpr UINT IDC_BUDDY = 1021;

QPoint UpArrow(const CSpinButtonCtrl& spin) {
    return QPoint(spin.GetWidget()->width() / 2, 2);
}
QPoint DownArrow(const CSpinButtonCtrl& spin) {
    return QPoint(spin.GetWidget()->width() / 2, spin.GetWidget()->height() - 3);
}

class UpDown : public ::testing::Test {
protected:
    UpDown() { EXPECT_TRUE(spin.Create(WS_VISIBLE, CRect(10, 10, 26, 50), &parent, IDC_SPIN)); }
    void Click(QPoint at) { QTest::mouseClick(spin.GetWidget(), Qt::LeftButton, Qt::NoModifier, at); }
    int Pos() { return static_cast<SHORT>(LOWORD(static_cast<DWORD>(spin.GetPos()))); }

    CNotedParent parent;
    CSpinButtonCtrl spin;
};

TEST_F(UpDown, UpMovesTowardTheUpperEndWhereverItLies) {
    const struct {
        short lower, upper, start;
        bool up;
        int expected;
    } cases[] = {
        {0, 10, 5, true, 6},   {0, 10, 5, false, 4},
        {10, 0, 5, true, 4},   {10, 0, 5, false, 6},     // the upper end below the lower
        {0, 10, 10, true, 10}, {10, 0, 0, true, 0},      // at the end, no wrap: stays
        {-12, 12, -5, true, -4},
    };
    for (const auto& c : cases) {
        spin.SetRange(c.lower, c.upper);
        spin.SetPos(c.start);
        Click(c.up ? UpArrow(spin) : DownArrow(spin));
        EXPECT_EQ(Pos(), c.expected) << c.lower << ".." << c.upper << " from " << c.start << (c.up ? " up" : " down");
    }
}

TEST_F(UpDown, SetPosTakesALowWordAndSetPos32AWholeInt) {
    spin.SetRange32(-100000, 100000);
    const struct {
        int set;
        bool whole;
        int expected;
    } cases[] = {
        {0xFFFB, false, -5},   // the low word read as a signed number
        {0x1FFFB, false, -5},
        {-5, false, -5},
        {70000, true, 70000},
        {-70000, true, -70000},
    };
    for (const auto& c : cases) {
        if (c.whole)
            spin.SetPos32(c.set);
        else
            spin.SetPos(c.set);
        EXPECT_EQ(spin.GetPos32(), c.expected) << c.set;
    }
}

TEST_F(UpDown, TheDefaultRangeRunsFromAHundredDownToZero) {
    int lower = 0;
    int upper = 0;
    spin.GetRange(lower, upper);
    EXPECT_EQ(lower, 100);
    EXPECT_EQ(upper, 0);
    EXPECT_EQ(spin.GetRange(), MAKELONG(0, 100));
}

TEST_F(UpDown, EachStepAsksTheParentFirstWhichMaySuppressIt) {
    spin.SetRange(0, 10);
    spin.SetPos(3);
    NMUPDOWN seen;
    parent.answer = [&](NMHDR* header) -> LRESULT {
        seen = *reinterpret_cast<NMUPDOWN*>(header);
        return 1;   // suppressed
    };
    Click(UpArrow(spin));
    EXPECT_EQ(Pos(), 3);
    EXPECT_EQ(seen.hdr.code, UDN_DELTAPOS);
    EXPECT_EQ(seen.hdr.idFrom, IDC_SPIN);
    EXPECT_EQ(seen.iPos, 3);
    EXPECT_EQ(seen.iDelta, 1);
    // Nothing moved: the release alone is told.
    EXPECT_EQ(parent.Of(WM_VSCROLL), (std::vector<control_test::Note>{{WM_VSCROLL, 0, SB_ENDSCROLL, 3}}));
    parent.notes.clear();

    parent.answer = nullptr;
    Click(UpArrow(spin));
    EXPECT_EQ(Pos(), 4);
    EXPECT_EQ(parent.Of(WM_VSCROLL), (std::vector<control_test::Note>{{WM_VSCROLL, 0, SB_THUMBPOSITION, 4},
                                                                      {WM_VSCROLL, 0, SB_ENDSCROLL, 4}}));
}

TEST(UpDownWrap, PastAnEndTheWrappingControlGoesToTheOther) {
    CNotedParent parent;
    CSpinButtonCtrl spin;
    ASSERT_TRUE(spin.Create(WS_VISIBLE | UDS_WRAP, CRect(10, 10, 26, 50), &parent, IDC_SPIN));
    spin.SetRange(1, 4);
    spin.SetPos(4);
    QTest::mouseClick(spin.GetWidget(), Qt::LeftButton, Qt::NoModifier, UpArrow(spin));
    EXPECT_EQ(spin.GetPos(), 1);
    QTest::mouseClick(spin.GetWidget(), Qt::LeftButton, Qt::NoModifier, DownArrow(spin));
    EXPECT_EQ(spin.GetPos(), 4);
}

TEST_F(UpDown, AHeldArrowAcceleratesByTheSecondsHeld) {
    CManualClock clock;
    const UDACCEL steps[] = {{0, 1}, {2, 5}};
    spin.SetAccel(2, steps);
    spin.SetRange(0, 1000);
    spin.SetPos(0);
    QTest::mousePress(spin.GetWidget(), Qt::LeftButton, Qt::NoModifier, UpArrow(spin));
    EXPECT_EQ(Pos(), 1);   // the first step at once
    // Then a repeat after 400 ms and every 100 ms: by 1 until 2 s are held, then by 5.
    std::vector<int> positions;
    for (int ms = 100; ms <= 2300; ms += 100) {
        clock.Advance(100);
        messaging_test::PumpPending();
        positions.push_back(Pos());
    }
    QTest::mouseRelease(spin.GetWidget(), Qt::LeftButton, Qt::NoModifier, UpArrow(spin));
    const std::vector<int> expected = {1, 1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 22, 27, 32, 37};
    EXPECT_EQ(positions, expected);
    // Released: no more steps.
    clock.Advance(500);
    messaging_test::PumpPending();
    EXPECT_EQ(Pos(), 37);
}

TEST(UpDownBuddy, TheBuddyShowsThePositionAndItsKeysStep) {
    CNotedParent parent;
    CEdit edit;
    ASSERT_TRUE(edit.Create(WS_VISIBLE, CRect(10, 10, 110, 30), &parent, IDC_BUDDY));
    CSpinButtonCtrl spin;
    ASSERT_TRUE(spin.Create(WS_VISIBLE | UDS_ALIGNRIGHT | UDS_SETBUDDYINT | UDS_ARROWKEYS, CRect(), &parent, IDC_SPIN));
    spin.SetRange(0, 2000);
    spin.SetBuddy(&edit);
    EXPECT_EQ(spin.GetBuddy(), &edit);
    // Aligned at the buddy's right edge, the buddy narrower by the arrows' width.
    const QRect arrows = spin.GetWidget()->geometry();
    const QRect field = edit.GetWidget()->geometry();
    EXPECT_EQ(arrows.left(), field.right() + 1);
    EXPECT_EQ(arrows.right(), 109);
    EXPECT_EQ(arrows.height(), field.height());

    spin.SetPos(1234);
    std::string text;
    edit.GetWindowText(text);
    EXPECT_EQ(text, "1,234");
    QTest::keyClick(edit.GetWidget(), Qt::Key_Down);
    edit.GetWindowText(text);
    EXPECT_EQ(text, "1,233");

    // A number typed into the buddy is the position; another text is an error.
    edit.SetWindowText("17");
    EXPECT_EQ(spin.GetPos(), 17);
    edit.SetWindowText("seventeen");
    EXPECT_EQ(HIWORD(static_cast<DWORD>(spin.GetPos())), 1);
    EXPECT_EQ(LOWORD(static_cast<DWORD>(spin.GetPos())), 17);
}

}  // namespace
