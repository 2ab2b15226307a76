// The status bar: the message pane stretches with the bar and the other panes
// follow it; the window text is the message pane's; indicators take their
// strings and follow their commands on idle; a control sits over a pane.
#include "platform/ui/statusbar.h"

#include "platform/core/resources.h"
#include "platform/ui/winthread.h"

#include "tests/platform/gui/frame_support.h"

#include <QFontMetrics>
#include <QStatusBar>

#include <gtest/gtest.h>

namespace {

using bar_test::CTestFrame;

constexpr UINT ID_INDICATOR_MODE = 23301;
constexpr UINT ID_INDICATOR_REC = 23302;
constexpr UINT ID_INDICATOR_NONE = 23303;   // no string
STRING_TABLE({ID_INDICATOR_MODE, "Select Mode"}, {ID_INDICATOR_REC, "REC"});

TEST(StatusBar, TheSeparatorPaneStretchesAndTheOtherPanesFollowIt) {
    CTestFrame frame(600, 400);
    CStatusBar bar;
    ASSERT_TRUE(bar.Create(&frame));
    EXPECT_EQ(frame.Main()->statusBar(), bar.GetWidget());
    const UINT ids[] = {ID_SEPARATOR, ID_INDICATOR_MODE, ID_SEPARATOR};
    ASSERT_TRUE(bar.SetIndicators(ids, 3));
    bar.SetPaneInfo(2, ID_SEPARATOR, SBPS_NORMAL, 100);
    EXPECT_EQ(bar.GetPaneText(1), "Select Mode");
    EXPECT_EQ(bar.CommandToIndex(ID_INDICATOR_MODE), 1);
    EXPECT_EQ(bar.CommandToIndex(ID_INDICATOR_REC), -1);
    UINT id = 0, style = 0;
    int width = 0;
    bar.GetPaneInfo(0, id, style, width);
    EXPECT_EQ(style, SBPS_STRETCH | SBPS_NOBORDERS);
    bar.GetPaneInfo(1, id, style, width);
    EXPECT_EQ(width, bar.GetWidget()->fontMetrics().horizontalAdvance("Select Mode"));
    // The message pane never gets narrower than its own width: a small one.
    bar.SetPaneInfo(0, ID_SEPARATOR, SBPS_STRETCH | SBPS_NOBORDERS, 100);

    frame.LayOut();
    CRect before;
    bar.GetClientRect(&before);
    CRect narrow[3];
    for (int i = 0; i < 3; ++i)
        bar.GetItemRect(i, &narrow[i]);
    frame.Resize(before.Width() + 200, 400);
    CRect client;
    bar.GetClientRect(&client);
    ASSERT_EQ(client.Width(), before.Width() + 200);
    CRect wide[3];
    for (int i = 0; i < 3; ++i)
        bar.GetItemRect(i, &wide[i]);

    // The message pane takes the 200 pixels more; the others move along unchanged.
    EXPECT_EQ(wide[0].left, narrow[0].left);
    EXPECT_EQ(wide[0].Width(), narrow[0].Width() + 200);
    for (int i = 1; i < 3; ++i) {
        EXPECT_EQ(wide[i].left, narrow[i].left + 200) << i;
        EXPECT_EQ(wide[i].Size(), narrow[i].Size()) << i;
        EXPECT_GT(wide[i].left, wide[i - 1].right) << i;
    }
    // The panes fill the bar but for its borders.
    EXPECT_GT(wide[2].right, client.right - 8);
    EXPECT_LE(wide[2].right, client.right);
    CRect none;
    bar.GetItemRect(3, &none);
    EXPECT_TRUE(none.IsRectEmpty());
}

TEST(StatusBar, TheWindowTextIsTheMessagePanes) {
    CTestFrame frame;
    CStatusBar bar;
    ASSERT_TRUE(bar.Create(&frame));
    const UINT ids[] = {ID_SEPARATOR, ID_INDICATOR_REC};
    ASSERT_TRUE(bar.SetIndicators(ids, 2));
    bar.SetWindowText("Opening the score...");
    EXPECT_EQ(bar.GetPaneText(0), "Opening the score...");
    EXPECT_EQ(bar.GetPaneText(1), "REC");
    ::SendMessage(bar.m_hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(LoadString(AFX_IDS_IDLEMESSAGE).c_str()));
    std::string text;
    bar.GetWindowText(text);
    EXPECT_EQ(text, "Ready");
    EXPECT_EQ(bar.GetPaneText(0), "Ready");

    // Without a message pane the text goes nowhere.
    CTestFrame other;
    CStatusBar indicators;
    ASSERT_TRUE(indicators.Create(&other));
    ASSERT_TRUE(indicators.SetIndicators(ids + 1, 1));
    indicators.SetWindowText("lost");
    EXPECT_EQ(indicators.GetPaneText(0), "REC");
}

TEST(StatusBar, IndicatorsFollowTheirCommandsOnIdleAndAControlSitsOverAPane) {
    CTestFrame frame;
    frame.handled = ID_INDICATOR_MODE;
    frame.updateDisables = true;
    CStatusBar bar;
    ASSERT_TRUE(bar.Create(&frame));
    const UINT ids[] = {ID_SEPARATOR, ID_INDICATOR_MODE, ID_INDICATOR_REC, ID_INDICATOR_NONE};
    EXPECT_FALSE(bar.SetIndicators(ids, 4));   // one indicator without a string
    EXPECT_EQ(bar.GetPaneText(3), "");
    frame.LayOut();
    RunIdleUpdates();
    // Disabled by its update handler; a pane nobody answers for stays as it is.
    EXPECT_EQ(bar.GetPaneStyle(1) & SBPS_DISABLED, SBPS_DISABLED);
    EXPECT_EQ(bar.GetPaneStyle(2) & SBPS_DISABLED, 0u);

    CWnd progress;
    ASSERT_TRUE(progress.Create(nullptr, "", WS_CHILD | WS_VISIBLE, CRect(), &bar, 1));
    CRect pane;
    bar.GetItemRect(2, &pane);
    progress.MoveWindow(pane);
    const QRect placed = progress.GetWidget()->geometry();
    EXPECT_EQ(CRect(placed.left(), placed.top(), placed.right() + 1, placed.bottom() + 1), pane);
    // The status bar's own layout leaves it there.
    frame.Resize(700, 500);
    EXPECT_EQ(progress.GetWidget()->geometry(), placed);
}

}  // namespace
