// The spin edit: the 16-bit value, the key filter and its notifications, the
// arrows wrapping or stopping and speeding up on the manual clock, the
// indeterminate field, the first click, the fonts, and its data exchange.
#include "interface/controls/ddx.h"
#include "interface/controls/spinedit.h"

#include "platform/core/clock.h"
#include "platform/gdi/dc.h"
#include "tests/platform/messaging_support.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr UINT kId = 1201;

// A shown top-level window that notes each command its controls send.
class CSpinParent : public CWnd {
public:
    struct Command {
        UINT id;
        UINT code;
        LPARAM from;
        bool operator==(const Command&) const = default;
    };
    CSpinParent() { EXPECT_TRUE(Create(nullptr, "Parent", WS_VISIBLE, CRect(0, 0, 300, 120), nullptr, 0)); }

    std::vector<Command> commands;

    std::vector<Command> Changes() const {
        std::vector<Command> changes;
        for (const Command& command : commands)
            if (command.code == MCSEN_CHANGE)
                changes.push_back(command);
        return changes;
    }
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
        commands.push_back({LOWORD(wParam), HIWORD(wParam), lParam});
        return CWnd::OnCommand(wParam, lParam);
    }
};

class SpinEdit : public ::testing::Test {
protected:
    void Make(int lower, int upper, int flags = MCSpinEdit::SPIN_ALIGN_RIGHT) {
        ASSERT_TRUE(edit.Create(WS_VISIBLE, CRect(10, 10, 110, 34), &parent, kId, flags));
        edit.SetRange(lower, upper);
        parent.commands.clear();
    }
    std::string Text() const {
        std::string text;
        edit.GetWindowText(text);
        return text;
    }
    void Type(const char* keys) { QTest::keyClicks(edit.GetWidget(), keys); }
    QWidget* Arrows() { return edit.GetSpin().GetWidget(); }
    QPoint UpArrow() { return {Arrows()->width() / 2, 2}; }
    void ClickUp() { QTest::mouseClick(Arrows(), Qt::LeftButton, Qt::NoModifier, UpArrow()); }
    LPARAM Self() const { return reinterpret_cast<LPARAM>(edit.m_hWnd); }

    CSpinParent parent;
    MCSpinEdit edit;
};

TEST_F(SpinEdit, TheValueReadsBackAsSetNegativeRangesIncluded) {
    const struct {
        int lower, upper, set, expected;
        const char* text;
    } cases[] = {
        {-12, 12, -5, -5, "-5"},
        {-12, 12, -12, -12, "-12"},
        {0, 127, 100, 100, "100"},
        {-32768, 32767, 32767, 32767, "32767"},
        {-32768, 32767, -32768, -32768, "-32768"},
    };
    Make(0, 0);
    for (const auto& c : cases) {
        edit.SetRange(c.lower, c.upper);
        edit.SetValue(c.set);
        EXPECT_EQ(edit.GetValue(), c.expected) << c.lower << ".." << c.upper << " set " << c.set;
        EXPECT_EQ(Text(), c.text);
    }
    int lower = 0;
    int upper = 0;
    edit.SetRange(-12, 12);
    edit.GetRange(lower, upper);
    EXPECT_EQ(lower, -12);
    EXPECT_EQ(upper, 12);
    EXPECT_TRUE(parent.Changes().empty());   // set by the program: nothing to tell
}

TEST_F(SpinEdit, OnlyTheKeysOfANumberPassAndEachTellsTheParentOnce) {
    const struct {
        int lower;
        const char* keys;
        const char* text;   // after typing at the end of "1"
        size_t changes;
    } cases[] = {
        {0, "7", "17", 1},
        {0, "x", "1", 0},
        {0, "+ ", "1", 0},
        {0, ".", "1.", 1},
        {0, "-", "1", 0},      // the range has no negative numbers
        {-12, "-", "1-", 1},
        {0, "\b", "", 1},
    };
    Make(0, 0);
    for (const auto& c : cases) {
        edit.SetRange(c.lower, 100);
        edit.SetValue(1);
        edit.SetSel(1, 1);
        parent.commands.clear();
        Type(c.keys);
        EXPECT_EQ(Text(), c.text) << c.keys;
        const std::vector<CSpinParent::Command> expected(c.changes, {kId, MCSEN_CHANGE, Self()});
        EXPECT_EQ(parent.Changes(), expected) << c.keys;
    }
    // A minus typed first in a negative range reads as typed.
    edit.SetRange(-12, 12);
    edit.SetSel(0, -1);
    Type("-3");
    EXPECT_EQ(edit.GetValue(), -3);
}

TEST_F(SpinEdit, ATypedValueOutsideTheRangeCountsAsTheNearerEnd) {
    const struct {
        int lower, upper;
        const char* typed;
        int expected;
    } cases[] = {
        {0, 127, "200", 127},
        {0, 127, "65541", 127},                  // its low 16 bits would read 5
        {0, 127, "99999999999999999999", 127},   // too long for an int
        {-12, 12, "-99", -12},
        {-12, 12, "-99999999999999999999", -12},
        {0, 127, "64", 64},
    };
    Make(0, 0);
    for (const auto& c : cases) {
        edit.SetRange(c.lower, c.upper);
        edit.SetSel(0, -1);
        Type(c.typed);
        EXPECT_EQ(edit.GetValue(), c.expected) << c.typed;
        EXPECT_EQ(Text(), c.typed);   // the text stays as typed
    }
}

TEST(SpinEditWrap, TheArrowsWrapRoundOnlyWhenAsked) {
    const struct {
        int flags;
        int expected;
        size_t changes;
    } cases[] = {
        {MCSpinEdit::SPIN_ALIGN_RIGHT | MCSpinEdit::SPIN_WRAP, 0, 1},
        {MCSpinEdit::SPIN_ALIGN_RIGHT, 5, 0},
    };
    for (const auto& c : cases) {
        CSpinParent parent;
        MCSpinEdit edit;
        ASSERT_TRUE(edit.Create(WS_VISIBLE, CRect(10, 10, 110, 34), &parent, kId, c.flags));
        edit.SetRange(0, 5);
        edit.SetValue(5);
        parent.commands.clear();
        QWidget* arrows = edit.GetSpin().GetWidget();
        QTest::mouseClick(arrows, Qt::LeftButton, Qt::NoModifier, QPoint(arrows->width() / 2, 2));
        EXPECT_EQ(edit.GetValue(), c.expected) << c.flags;
        std::string text;
        edit.GetWindowText(text);
        EXPECT_EQ(text, std::to_string(c.expected));
        EXPECT_EQ(parent.Changes().size(), c.changes) << c.flags;
    }
}

TEST_F(SpinEdit, AStepBelowTheLowerEndWrapsToTheUpper) {
    Make(-3, 3, MCSpinEdit::SPIN_ALIGN_RIGHT | MCSpinEdit::SPIN_WRAP);
    edit.SetValue(-3);
    QTest::mouseClick(Arrows(), Qt::LeftButton, Qt::NoModifier, QPoint(Arrows()->width() / 2, Arrows()->height() - 3));
    EXPECT_EQ(edit.GetValue(), 3);
    EXPECT_EQ(Text(), "3");
    EXPECT_EQ(parent.Changes(), (std::vector<CSpinParent::Command>{{kId, MCSEN_CHANGE, Self()}}));
}

TEST_F(SpinEdit, AHeldArrowStepsByOneThenTwoAfterTwoSecondsThenTen) {
    CManualClock clock;
    Make(0, 1000);
    edit.SetValue(0);
    QTest::mousePress(Arrows(), Qt::LeftButton, Qt::NoModifier, UpArrow());
    EXPECT_EQ(edit.GetValue(), 1);
    // The arrow repeats after 400 ms and then every 100 ms.
    std::vector<int> steps;
    int last = edit.GetValue();
    for (int ms = 100; ms <= 3200; ms += 100) {
        clock.Advance(100);
        messaging_test::PumpPending();
        if (edit.GetValue() != last)
            steps.push_back(edit.GetValue() - last);
        last = edit.GetValue();
    }
    QTest::mouseRelease(Arrows(), Qt::LeftButton, Qt::NoModifier, UpArrow());
    std::vector<int> expected(16, 1);                 // 400 .. 1900 ms
    expected.insert(expected.end(), 10, 2);           // 2000 .. 2900 ms
    expected.insert(expected.end(), 3, 10);           // 3000 .. 3200 ms
    EXPECT_EQ(steps, expected);
    EXPECT_EQ(Text(), std::to_string(last));
    EXPECT_EQ(parent.Changes().size(), expected.size() + 1);
}

TEST_F(SpinEdit, AnIndeterminateFieldIgnoresSetValueUntilTypedInto) {
    Make(0, 100);
    edit.SetValue(40);
    edit.SetIndeterminate(1);
    EXPECT_EQ(Text(), "");
    EXPECT_FALSE(edit.GetSpin().IsWindowEnabled());
    edit.SetValue(7);
    EXPECT_EQ(Text(), "");
    EXPECT_EQ(edit.GetValue(), 40);
    EXPECT_EQ(edit.GetIndeterminate(), 1);

    Type("9");
    EXPECT_EQ(edit.GetIndeterminate(), 0);
    EXPECT_TRUE(edit.GetSpin().IsWindowEnabled());
    EXPECT_EQ(edit.GetValue(), 9);
    edit.SetValue(12);
    EXPECT_EQ(Text(), "12");
}

TEST_F(SpinEdit, TheFirstClickSelectsTheWholeText) {
    Make(0, 1000);
    edit.SetValue(123);
    parent.GetWidget()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(parent.GetWidget()));
    CEdit other;
    ASSERT_TRUE(other.Create(WS_VISIBLE, CRect(200, 10, 250, 30), &parent, 1300));
    other.SetFocus();
    ASSERT_EQ(CWnd::GetFocus(), &other);

    QTest::mouseClick(edit.GetWidget(), Qt::LeftButton, Qt::NoModifier, QPoint(20, 12));
    EXPECT_EQ(CWnd::GetFocus(), &edit);
    EXPECT_EQ(edit.GetSel(), static_cast<DWORD>(MAKELONG(0, 3)));   // start, end
    // A click into the focused field places the caret.
    QTest::mouseClick(edit.GetWidget(), Qt::LeftButton, Qt::NoModifier, QPoint(60, 12));
    int start = 0;
    int end = 0;
    edit.GetSel(start, end);
    EXPECT_EQ(start, end);
}

TEST(SpinEditFont, TheDefaultGuiFontOrAnArialOfFourFifthsOfTheHeight) {
    CSpinParent parent;
    // The arrows take 16 of the field's 100 pixels.
    MCSpinEdit plain;
    ASSERT_TRUE(plain.Create(WS_VISIBLE, CRect(10, 10, 110, 34), &parent, kId, MCSpinEdit::SPIN_ALIGN_RIGHT));
    EXPECT_EQ(plain.GetFont(), GetStockFont(DEFAULT_GUI_FONT));
    CRect format;
    plain.GetRect(&format);
    EXPECT_EQ(format, CRect(2, 2, 84 - 6 + 2, 24 - 6 + 2));

    MCSpinEdit own;
    ASSERT_TRUE(own.Create(WS_VISIBLE, CRect(10, 50, 110, 74), &parent, kId + 1, MCSpinEdit::SPIN_OWN_FONT));
    own.GetRect(&format);
    EXPECT_EQ(format, CRect(3, 3, 100 - 4 + 3, 24 - 4 + 3));
    ASSERT_NE(own.GetFont(), nullptr);
    LOGFONT description;
    ASSERT_TRUE(own.GetFont()->GetLogFont(&description));
    EXPECT_EQ(GetFaceName(description), "Arial");
    EXPECT_EQ(description.lfHeight, -16);   // 12 points: four fifths of 20 pixels
    EXPECT_EQ(own.GetWidget()->font().pixelSize(), 16);
}

// A field whose value is twice what its arrows hold, as a derived edit may keep it.
class CDoubledSpinEdit : public MCSpinEdit {
public:
    int GetValue() override { return 2 * MCSpinEdit::GetValue(); }
    void SetValue(int value) override { MCSpinEdit::SetValue(value / 2); }
};

TEST(SpinEditExchange, MembersGoThroughTheVirtualValue) {
    CSpinParent parent;
    CDoubledSpinEdit doubled;
    ASSERT_TRUE(doubled.Create(WS_VISIBLE, CRect(10, 10, 110, 34), &parent, kId, 0));
    doubled.SetRange(-100, 200);
    MCSpinEdit bytes;
    ASSERT_TRUE(bytes.Create(WS_VISIBLE, CRect(10, 50, 110, 74), &parent, kId + 1, 0));
    bytes.SetRange(0, 255);

    int member = -40;
    BYTE small = 200;
    EXPECT_TRUE(RunDataExchange(&parent, FALSE, [&](CDataExchange* pDX) {
        DDX_SpinEdit(pDX, kId, member);
        DDX_SpinEdit(pDX, kId + 1, small);
    }));
    EXPECT_EQ(doubled.MCSpinEdit::GetValue(), -20);
    EXPECT_EQ(bytes.GetValue(), 200);

    doubled.MCSpinEdit::SetValue(31);
    bytes.SetValue(17);
    EXPECT_TRUE(RunDataExchange(&parent, TRUE, [&](CDataExchange* pDX) {
        DDX_SpinEdit(pDX, kId, member);
        DDX_SpinEdit(pDX, kId + 1, small);
    }));
    EXPECT_EQ(member, 62);
    EXPECT_EQ(small, 17);

    // Another kind of control is left alone.
    CWnd plain;
    ASSERT_TRUE(plain.Create(nullptr, "", WS_VISIBLE, CRect(0, 80, 10, 90), &parent, kId + 2));
    int untouched = 5;
    EXPECT_TRUE(RunDataExchange(&parent, TRUE, [&](CDataExchange* pDX) { DDX_SpinEdit(pDX, kId + 2, untouched); }));
    EXPECT_EQ(untouched, 5);
}

}  // namespace
