// The tool bars' base: made from its template with its title and controls,
// never stretched along the frame, its help context and its controls' tips.
#include "interface/controls/dialogbar.h"

#include "platform/ui/app.h"
#include "platform/ui/help.h"
#include "platform/ui/placement.h"
#include "platform/ui/tooltip.h"
#include "tests/platform/gui/frame_support.h"

#include <QWidget>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

using bar_test::CTestFrame;

// The bar's template and string, and its controls: a button and two edits.
enum : UINT { IDD_TEST_BAR = 23501, ID_BAR_PLAY, IDC_BAR_TEMPO, IDC_BAR_HIDDEN };

const DialogTemplate kBar = {"Template caption",
                             {
                                 {ID_BAR_PLAY, DialogControlKind::Push, "Play", {4, 4, 40, 14}},
                                 {IDC_BAR_TEMPO, DialogControlKind::Edit, "120", {48, 4, 30, 12}},
                                 {IDC_BAR_HIDDEN, DialogControlKind::Edit, "", {82, 4, 30, 12}},
                             },
                             {120, 22}};
DIALOG_RESOURCE(IDD_TEST_BAR, kBar);
STRING_TABLE({IDD_TEST_BAR, "Test Bar"});

class CCountingBar : public MCDialogBar {
public:
    int initialized = 0;
    void InitBar() override { ++initialized; }
};

class DialogBarTest : public testing::Test {
protected:
    void SetUp() override {
        previous = CWinApp::SetWinHelpHandler([this](DWORD_PTR data, UINT command) { help.emplace_back(data, command); });
        ASSERT_EQ(bar.Create(&frame, IDD_TEST_BAR), 1);
        frame.LayOut();
    }
    void TearDown() override { CWinApp::SetWinHelpHandler(previous); }

    // The centre of a control, in the bar's client coordinates.
    CPoint CentreOf(UINT id) {
        const QRect geometry = bar.GetDlgItem(static_cast<int>(id))->GetWidget()->geometry();
        return CPoint(geometry.center().x(), geometry.center().y());
    }

    CWinApp app;
    CWinApp::WinHelpHandler previous;
    std::vector<std::pair<DWORD_PTR, UINT>> help;
    CTestFrame frame{1200, 600};
    CCountingBar bar;
};

TEST_F(DialogBarTest, IsMadeFromItsTemplateWithItsStringAsTitle) {
    EXPECT_EQ(bar.initialized, 1);
    EXPECT_EQ(bar.GetDlgCtrlID(), static_cast<int>(IDD_TEST_BAR));
    EXPECT_TRUE(bar.IsWindowVisible());
    EXPECT_TRUE(bar.GetBarStyle() & CBRS_ALIGN_TOP);
    EXPECT_TRUE(bar.GetBarStyle() & CBRS_TOOLTIPS);
    std::string title;
    bar.GetWindowText(title);
    EXPECT_EQ(title, "Test Bar");

    MCDialogBar missing;
    EXPECT_EQ(missing.Create(&frame, IDD_TEST_BAR + 99), 0);
}

TEST_F(DialogBarTest, ADockedBarKeepsItsTemplateSizeAlongAWideFrame) {
    const CSize size = CDialogUnits(kBar.font).MapDialogSize(kBar.size);
    for (BOOL stretch : {FALSE, TRUE})
        for (BOOL horizontal : {FALSE, TRUE})
            EXPECT_EQ(bar.CalcFixedLayout(stretch, horizontal), size) << stretch << horizontal;
    EXPECT_EQ(bar.CalcDynamicLayout(-1, LM_HORZDOCK | LM_HORZ | LM_STRETCH), size);
    EXPECT_EQ(bar.GetWidget()->size(), QSize(size.cx, size.cy));
}

TEST_F(DialogBarTest, HelpIsTheBarsResourceContextUnlessOneIsGiven) {
    const DWORD context = IDD_TEST_BAR + 0x20000;
    EXPECT_EQ(SendMessage(bar.GetSafeHwnd(), WM_HELPHITTEST, 0, MAKELPARAM(5, 5)), static_cast<LRESULT>(context));

    EXPECT_EQ(SendMessage(bar.GetSafeHwnd(), WM_COMMANDHELP, 0, 0), 1);
    EXPECT_EQ(SendMessage(bar.GetSafeHwnd(), WM_COMMANDHELP, 0, 4711), 1);
    const std::vector<std::pair<DWORD_PTR, UINT>> expected = {{context, CWinApp::HELP_CONTEXT},
                                                              {4711, CWinApp::HELP_CONTEXT}};
    EXPECT_EQ(help, expected);
}

TEST_F(DialogBarTest, ToolHitTestNamesTheVisibleControlUnderThePoint) {
    bar.GetDlgItem(static_cast<int>(IDC_BAR_HIDDEN))->ShowWindow(SW_HIDE);
    const struct {
        const char* name;
        CPoint point;
        INT_PTR id;
        UINT flags;
    } cases[] = {
        {"button", CentreOf(ID_BAR_PLAY), ID_BAR_PLAY, TTF_IDISHWND},
        {"edit: no button", CentreOf(IDC_BAR_TEMPO), IDC_BAR_TEMPO, TTF_IDISHWND | 0x80000002},
        {"hidden", CentreOf(IDC_BAR_HIDDEN), -1, 0},
        {"between", CPoint(1, 1), -1, 0},
    };
    for (const auto& c : cases) {
        TOOLINFO info;
        EXPECT_EQ(bar.OnToolHitTest(c.point, &info), c.id) << c.name;
        EXPECT_EQ(info.uFlags, c.flags) << c.name;
        if (c.id != -1) {
            EXPECT_EQ(info.hwnd, bar.GetSafeHwnd()) << c.name;
            EXPECT_EQ(info.uId, reinterpret_cast<UINT_PTR>(bar.GetDlgItem(static_cast<int>(c.id))->GetSafeHwnd()));
            EXPECT_EQ(info.lpszText, LPSTR_TEXTCALLBACK) << c.name;
        }
    }
    // Without a record to fill, or with one too small, the id alone.
    EXPECT_EQ(bar.OnToolHitTest(CentreOf(IDC_BAR_TEMPO), nullptr), IDC_BAR_TEMPO);
    TOOLINFO small;
    small.cbSize = 36;
    EXPECT_EQ(bar.OnToolHitTest(CentreOf(IDC_BAR_TEMPO), &small), IDC_BAR_TEMPO);
    EXPECT_EQ(small.uFlags, 0u);
}

TEST_F(DialogBarTest, ShowChildrenShowsOrHidesEveryControl) {
    bar.ShowChildren(SW_HIDE);
    for (UINT id : {ID_BAR_PLAY, IDC_BAR_TEMPO, IDC_BAR_HIDDEN})
        EXPECT_FALSE(bar.GetDlgItem(static_cast<int>(id))->IsWindowVisible()) << id;
    bar.ShowChildren(SW_SHOWNOACTIVATE);
    for (UINT id : {ID_BAR_PLAY, IDC_BAR_TEMPO, IDC_BAR_HIDDEN})
        EXPECT_TRUE(bar.GetDlgItem(static_cast<int>(id))->IsWindowVisible()) << id;
}

}  // namespace
