// The static text: the "&" prefix read as the label shows it, its text kept
// as given, and the dialog's labels made as CStatic with the access key's
// buddy (none with SS_NOPREFIX); the dialogs' other common controls made as
// their own classes.
#include "platform/ui/dlgctrl.h"
#include "platform/ui/scrollctrl.h"
#include "platform/ui/static.h"
#include "platform/ui/treectrl.h"

#include "tests/platform/gui/control_support.h"

#include <QLabel>
#include <QTest>

#include <string>

namespace {

using control_test::CNotedParent;

TEST(Static, ThePrefixShowsItsCharacterAndNoPrefixShowsTheTextAsItIs) {
    const struct {
        const char* text;
        DWORD style;
        const char* shown;
    } cases[] = {
        {"&Name", 0, "Name"},          {"Na&me", 0, "Name"},       {"A && B", 0, "A & B"},
        {"&&&x", 0, "&x"},             {"Tail&", 0, "Tail"},       {"", 0, ""},
        {"&Name", SS_NOPREFIX, "&Name"}, {"A && B", SS_NOPREFIX, "A && B"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StaticShownText(c.text, c.style), c.shown) << c.text << " " << c.style;
}

TEST(Static, KeepsItsTextAsGivenAndTellsClicksOnlyWithNotify) {
    CNotedParent parent;
    CStatic plain;
    CStatic notifying;
    ASSERT_TRUE(plain.Create("&Tempo:", WS_VISIBLE, CRect(0, 0, 80, 20), &parent, 1050));
    ASSERT_TRUE(notifying.Create("Link", WS_VISIBLE | SS_NOTIFY, CRect(0, 30, 80, 50), &parent, 1051));
    std::string text;
    plain.GetWindowText(text);
    EXPECT_EQ(text, "&Tempo:");
    QTest::mouseClick(plain.GetWidget(), Qt::LeftButton);
    QTest::mouseClick(notifying.GetWidget(), Qt::LeftButton);
    EXPECT_EQ(parent.notes, (std::vector<control_test::Note>{{WM_COMMAND, 1051, STN_CLICKED, 0}}));
}

TEST(DialogControls, TheCommonControlsAreMadeAsTheirOwnClasses) {
    CNotedParent parent;
    const DialogTemplate dialog("Controls",
                                {
                                    {1060, DialogControlKind::Static, "&Name", {4, 4, 40, 10}},
                                    {1061, DialogControlKind::Edit, "", {50, 4, 60, 12}, WS_TABSTOP},
                                    {1062, DialogControlKind::Static, "&Raw", {4, 20, 40, 10}, SS_NOPREFIX},
                                    {1063, DialogControlKind::Edit, "", {50, 20, 60, 12}, WS_TABSTOP},
                                    {1064, DialogControlKind::Tree, "", {4, 40, 100, 60}},
                                    {1065, DialogControlKind::Slider, "", {4, 104, 100, 14}},
                                    {1066, DialogControlKind::ScrollBar, "", {4, 120, 100, 10}},
                                    {1067, DialogControlKind::Progress, "", {4, 134, 100, 10}},
                                },
                                SIZE{120, 150});
    auto controls = CreateDialogControls(parent, dialog, CDialogUnits(6, 13));
    ASSERT_EQ(controls.size(), 8u);
    EXPECT_NE(dynamic_cast<CStatic*>(controls[0].window.get()), nullptr);
    EXPECT_NE(dynamic_cast<CTreeCtrl*>(controls[4].window.get()), nullptr);
    EXPECT_NE(dynamic_cast<CSliderCtrl*>(controls[5].window.get()), nullptr);
    EXPECT_NE(dynamic_cast<CScrollBar*>(controls[6].window.get()), nullptr);
    EXPECT_NE(dynamic_cast<CProgressCtrl*>(controls[7].window.get()), nullptr);
    // The access key focuses the control after the label; "&" as text gives none.
    EXPECT_EQ(qobject_cast<QLabel*>(controls[0].widget)->buddy(), controls[1].widget);
    EXPECT_EQ(qobject_cast<QLabel*>(controls[2].widget)->buddy(), nullptr);
}

}  // namespace
