// The time edit as the user meets it: groups chosen by click, Space and the
// arrow keys with the arrows' range of each, digits typed into a group, the
// arrows' step, the duration menu, the clock, no document at all, and the
// one notification it sends.
#include "interface/controls/timeedit.h"

#include "interface/controls/ddx.h"
#include "model/notes.h"
#include "platform/ui/dialog_script.h"
#include "tests/interface/controls/piece_support.h"
#include "tests/platform/messaging_support.h"

#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr UINT kId = 612;

// Notes the codes of the commands its children send.
class CNotingParent : public CWnd {
public:
    CNotingParent() { EXPECT_TRUE(Create(nullptr, "Parent", WS_VISIBLE, CRect(0, 0, 300, 100), nullptr, 0)); }
    std::vector<UINT> codes;
    // The codes other than the platform edit's own (EN_CHANGE, focus news).
    std::vector<UINT> Own() const {
        std::vector<UINT> own;
        for (UINT code : codes)
            if (code != EN_CHANGE && code != EN_SETFOCUS && code != EN_KILLFOCUS)
                own.push_back(code);
        return own;
    }
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
        if (LOWORD(wParam) == kId)
            codes.push_back(HIWORD(wParam));
        return CWnd::OnCommand(wParam, lParam);
    }
};

class TimeEdit : public ::testing::Test, public time_test::ActivePiece {
protected:
    void SetUp() override {
        ASSERT_TRUE(edit.Create(WS_VISIBLE, CRect(10, 10, 200, 34), &parent, kId, MCSpinEdit::SPIN_ALIGN_RIGHT));
        edit.SetTimeFormat(TIMEFMT_BAR_BEAT_TICK);
    }
    void Show(int format, const MCTime& time) {
        edit.SetTimeFormat(format);
        edit.SetTimeValue(time, 1);
        parent.codes.clear();
    }
    std::string Text() {
        std::string text;
        edit.GetWindowText(text);
        return text;
    }
    std::pair<int, int> Range() {
        int lower = 0;
        int upper = 0;
        edit.GetRange(lower, upper);
        return {lower, upper};
    }
    // A point over character `index` of the text.
    QPoint OverCharacter(int index) {
        const int middle = edit.GetWidget()->height() / 2;
        for (int x = 0; x < edit.GetWidget()->width(); ++x)
            if (LOWORD(static_cast<DWORD>(edit.CharFromPos(CPoint(x, middle)))) == index)
                return QPoint(x + 1, middle);
        ADD_FAILURE() << "no point over character " << index;
        return {};
    }
    void Click(int index) { QTest::mouseClick(edit.GetWidget(), Qt::LeftButton, {}, OverCharacter(index)); }
    void Key(Qt::Key key) { QTest::keyClick(edit.GetWidget(), key); }

    CNotingParent parent;
    MCTimeEdit edit;
};

TEST_F(TimeEdit, AClickSelectsTheGroupUnderItWithItsRange) {
    // Bar 6 lies in 3/4: its beat runs 1 to 3.
    Show(TIMEFMT_BAR_BEAT_TICK, At(6, 2, 120));
    ASSERT_EQ(Text(), "006:02:120");
    const struct { int character; int group; DWORD selection; std::pair<int, int> range; int position; } cases[] = {
        {5, 1, MAKELONG(4, 6), {1, 3}, 2},
        {1, 0, MAKELONG(0, 3), {1, 999}, 6},
        {8, 2, MAKELONG(7, 10), {0, 480}, 120},
        {4, 1, MAKELONG(4, 6), {1, 3}, 2},
    };
    for (const auto& c : cases) {
        Click(c.character);
        EXPECT_EQ(edit.GetCurrentGroup(), c.group) << c.character;
        EXPECT_EQ(edit.GetSel(), c.selection) << c.character;
        EXPECT_EQ(Range(), c.range) << c.character;
        EXPECT_EQ(edit.GetValue(), c.position) << c.character;
    }
    // A bar in 4/4 counts four beats.
    Show(TIMEFMT_BAR_BEAT_TICK, At(2, 4, 0));
    Click(5);
    EXPECT_EQ(Range(), std::make_pair(1, 4));
    // Thousandths run to 999 whatever the PPQ (480 would hold ".500" at 480).
    Show(TIMEFMT_BAR_BEAT_FRACTION, At(6, 2, 240));
    Click(8);
    EXPECT_EQ(Range(), std::make_pair(0, 999));
    EXPECT_EQ(edit.GetValue(), 500);
    EXPECT_TRUE(parent.Own().empty());
}

TEST_F(TimeEdit, SpaceAndTheArrowKeysStepThroughTheGroups) {
    const struct { int format; int from; Qt::Key key; int group; DWORD selection; } cases[] = {
        {TIMEFMT_BAR_BEAT_TICK, 0, Qt::Key_Right, 1, MAKELONG(4, 6)},
        {TIMEFMT_BAR_BEAT_TICK, 1, Qt::Key_Space, 2, MAKELONG(7, 10)},
        {TIMEFMT_BAR_BEAT_TICK, 2, Qt::Key_Right, 0, MAKELONG(0, 3)},
        {TIMEFMT_BAR_BEAT_TICK, 0, Qt::Key_Left, 2, MAKELONG(7, 10)},
        {TIMEFMT_BAR_BEAT_FRACTION, 0, Qt::Key_Left, 2, MAKELONG(7, 10)},   // 7-11, to the end
        // Two groups: the third stands for the first.
        {TIMEFMT_BAR_BEAT, 0, Qt::Key_Left, 2, MAKELONG(0, 3)},
        {TIMEFMT_BAR_BEAT, 2, Qt::Key_Left, 1, MAKELONG(4, 6)},
        {TIMEFMT_BEAT_FRACTION, 1, Qt::Key_Right, 2, MAKELONG(0, 2)},
    };
    for (const auto& c : cases) {
        Show(c.format, At(12, 3, 240));
        edit.SetGroup(c.from, 1);
        Key(c.key);
        EXPECT_EQ(edit.GetCurrentGroup(), c.group) << c.format << " from " << c.from;
        EXPECT_EQ(edit.GetSel(), c.selection) << c.format << " from " << c.from;
    }
    // The third group of two also takes the first's range and position.
    Show(TIMEFMT_BAR_BEAT, At(12, 3, 0));
    edit.SetGroup(1, 1);
    Key(Qt::Key_Right);
    EXPECT_EQ(Range(), std::make_pair(1, 999));
    EXPECT_EQ(edit.GetValue(), 12);
}

TEST_F(TimeEdit, DigitsReplaceTheGroupAndEveryChangeTellsMcten) {
    Show(TIMEFMT_BAR_BEAT_TICK, At(12, 3, 5));
    edit.SetGroup(0, 1);
    // A dialog's select-all is refused; any other selection is taken.
    EXPECT_EQ(edit.SendMessage(EM_SETSEL, 0, -1), 1);
    EXPECT_EQ(edit.GetSel(), MAKELONG(0, 3));

    QTest::keyClick(edit.GetWidget(), 'a');
    EXPECT_EQ(Text(), "012:03:005");
    EXPECT_TRUE(parent.Own().empty());
    QTest::keyClick(edit.GetWidget(), '7');
    EXPECT_EQ(Text(), "7:03:005");
    EXPECT_EQ(edit.GetTimeValue(), At(7, 3, 5));
    EXPECT_EQ(parent.Own(), std::vector<UINT>{MCTEN_CHANGE});

    // The arrows step the selected group, written to its width.
    Show(TIMEFMT_BAR_BEAT_TICK, At(12, 3, 5));
    edit.SetGroup(2, 1);
    edit.GetSpin().SetPos(17);
    edit.SendMessage(WM_COMMAND, MAKEWPARAM(kId, MCSPN_DELTAPOS), reinterpret_cast<LPARAM>(edit.GetSpin().m_hWnd));
    EXPECT_EQ(Text(), "012:03:017");
    EXPECT_EQ(edit.GetSel(), MAKELONG(7, 10));
    EXPECT_EQ(edit.GetTimeValue(), At(12, 3, 17));
    EXPECT_EQ(parent.Own(), std::vector<UINT>{MCTEN_CHANGE});
}

TEST_F(TimeEdit, WithoutADocumentTheEmptyFormStandsAndTypingChangesNothing) {
    MCOpusDoc::SetActiveDoc(nullptr);
    const char* empty[] = {"---:--", "---:--:---", "---:--.---", "--.---", "-:--:--:--"};
    for (int format = TIMEFMT_BAR_BEAT; format <= TIMEFMT_CLOCK; ++format) {
        std::string text;
        EXPECT_EQ(MCTimeEdit::FormatTimeString(text, MCTime(4.0f), format, 0, 0), 1);
        EXPECT_EQ(text, empty[format]);
    }
    Show(TIMEFMT_BAR_BEAT_TICK, MCTime(6.0f));
    EXPECT_EQ(Text(), "---:--:---");
    edit.SetGroup(0, 1);
    QTest::keyClick(edit.GetWidget(), '4');
    EXPECT_EQ(edit.GetTimeValue(), MCTime(6.0f));
    Key(Qt::Key_Right);
    EXPECT_EQ(Text(), "---:--:---");
    EXPECT_EQ(edit.GetTimeValue(), MCTime(6.0f));
}

TEST_F(TimeEdit, TheClockShowsAndReadsRealTime) {
    MCTime real(3725.5f);
    real.SetMode(TM_REAL);
    Show(TIMEFMT_CLOCK, real);
    EXPECT_EQ(Text(), "1:02:05.50");
    Key(Qt::Key_Right);   // reads and rewrites
    EXPECT_EQ(Text(), "1:02:05.50");
    EXPECT_EQ(edit.GetTimeValue().GetMode(), TM_REAL);
    EXPECT_FLOAT_EQ(edit.GetTimeValue().GetSeconds(), 3725.5f);
    // The units command switches to the clock; a position goes through the
    // tempo map (120 a minute).
    Show(TIMEFMT_BAR_BEAT_TICK, MCTime(8.0f));
    edit.SendMessage(WM_COMMAND, MCTimeEdit::ID_UNITS_CLOCK);
    EXPECT_EQ(edit.GetTimeFormatA(), TIMEFMT_CLOCK);
    EXPECT_EQ(Text(), "0:00:04.00");
}

MCTime Doubled(const MCTime* duration, void*) {
    return MCTime(duration->GetSeconds() * 2);
}

TEST_F(TimeEdit, TheDurationMenuGoesThroughTheScaling) {
    edit.SetShowDuration(1);
    Show(TIMEFMT_BAR_BEAT_TICK, MCTime(2.5f));
    EXPECT_EQ(Text(), "0002:240");
    edit.SetIndeterminate(1);
    ECNote::SetDurationFuncs(Doubled, nullptr, nullptr);
    {
        CDialogScript script;
        script.QueueMenuChoice(11625);   // "Dotted Quarter Note"
        edit.SendMessage(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(edit.m_hWnd), MAKELPARAM(20, 20));
        ASSERT_TRUE(messaging_test::PumpUntil([&] { return !parent.Own().empty(); }));
    }
    ECNote::SetDurationFuncs(nullptr, nullptr, nullptr);
    EXPECT_EQ(edit.GetTimeValue(), MCTime(3.0f));
    EXPECT_EQ(Text(), "0003:000");
    EXPECT_FALSE(edit.GetIndeterminate());
    EXPECT_EQ(parent.Own(), std::vector<UINT>{MCTEN_CHANGE});
}

TEST_F(TimeEdit, DataExchangeMovesTheTime) {
    MCTime member = At(3, 2, 0);
    CDataExchange load(&parent, FALSE);
    DDX_TimeEdit(&load, kId, member);
    EXPECT_EQ(Text(), "003:02:000");
    edit.SetTimeValue(At(9, 1, 0), 0);
    CDataExchange save(&parent, TRUE);
    DDX_TimeEdit(&save, kId, member);
    EXPECT_EQ(member, At(9, 1, 0));
}

}  // namespace
