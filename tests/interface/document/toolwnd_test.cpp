// The tool window base: where it floats with and without a stored place, what
// it stores, and the keys it passes on to its frame while it has the focus.
#include "interface/document/toolwnd.h"

#include "model/preferences.h"
#include "platform/core/resources.h"
#include "platform/ui/frame.h"
#include "platform/ui/keys.h"
#include "platform/ui/metrics.h"
#include "platform/ui/uiresources.h"

#include <QApplication>
#include <QAction>
#include <QDockWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr UINT IDD_TEST_TOOL = 21790;
constexpr int IDC_TOOL_EDIT = 21791;
constexpr UINT IDR_TOOL_FRAME = 21795;
constexpr UINT ID_TOOL_KEY = 21796;   // the frame's command for Ctrl+K

const DialogTemplate kToolTemplate = {"Template caption", {{IDC_TOOL_EDIT, DialogControlKind::Edit, "", {4, 4, 60, 12}}},
                                      {120, 40}};
DIALOG_RESOURCE(IDD_TEST_TOOL, kToolTemplate);
STRING_TABLE({IDD_TEST_TOOL, "Test Tool"});
const AcceleratorTable kFrameKeys = {{{FVIRTKEY | FCONTROL, 'K', ID_TOOL_KEY}}};
ACCELERATOR_RESOURCE(IDR_TOOL_FRAME, kFrameKeys);
const MenuTemplate kFrameMenu = {{
    {MF_POPUP, 0, "&Edit", {{MF_STRING, ID_TOOL_KEY, "&Key"}}},
    {MF_POPUP, 0, "&File", {{MF_STRING, ID_TOOL_KEY, "&Key"}}},
}};
MENU_RESOURCE(IDR_TOOL_FRAME, kFrameMenu);

// A frame noting the key messages offered to it and the commands it receives.
class CKeyFrame : public CFrameWnd {
public:
    struct Offered {
        UINT message;
        WPARAM key;
        bool addressedHere;   // the message names this frame's window
    };
    std::vector<Offered> offered;
    std::vector<UINT> commands;

    BOOL PreTranslateMessage(MSG* pMsg) override {
        offered.push_back({pMsg->message, pMsg->wParam, pMsg->hwnd == m_hWnd});
        return CFrameWnd::PreTranslateMessage(pMsg);
    }
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
        commands.push_back(LOWORD(wParam));
        return CFrameWnd::OnCommand(wParam, lParam);
    }
    bool SawOwnSystemKey(WPARAM key) const {
        for (const Offered& o : offered)
            if (o.message == WM_SYSKEYDOWN && o.key == key && o.addressedHere)
                return true;
        return false;
    }
};

// A frame at (100, 100)-(1100, 800) and a tool window it owns, laid out.
struct ToolFixture {
    ToolFixture() {
        frame = new CKeyFrame;   // goes with its window
        const CRect place(100, 100, 1100, 800);
        EXPECT_TRUE(frame->Create(nullptr, "Main", WS_OVERLAPPEDWINDOW, place, nullptr, IDR_TOOL_FRAME));
        frame->LoadAccelTable(IDR_TOOL_FRAME);
        frame->ShowWindow(SW_SHOW);
        // Shown, the window's rectangle, its frame included, is `place`.
        CRect outer;
        frame->GetWindowRect(&outer);
        const QRect inner = frame->GetWidget()->geometry();
        frame->GetWidget()->setGeometry(inner.left() + place.left - outer.left, inner.top() + place.top - outer.top,
                                        inner.width() + place.Width() - outer.Width(),
                                        inner.height() + place.Height() - outer.Height());
        tool = new MCToolWnd(frame);   // goes with its window
        EXPECT_EQ(tool->InitToolLayout(frame, IDD_TEST_TOOL), 1);
    }
    ~ToolFixture() {
        if (frame->GetSafeHwnd())
            frame->DestroyWindow();   // the tool window with it
    }
    CPoint FloatingAt() const {
        CRect rect;
        EXPECT_TRUE(tool->GetFloatingWindowRect(&rect));
        return rect.TopLeft();
    }

    CKeyFrame* frame;
    MCToolWnd* tool;
};

}  // namespace

TEST(ToolWnd, LayoutIsAFloatingOnlyBarCaptionedByItsString) {
    ToolFixture fixture;
    MCToolWnd& tool = *fixture.tool;
    // Made on the top edge, then floated: the alignment is the edge's.
    EXPECT_EQ(tool.GetBarStyle() & ~CBRS_ALIGN_ANY, MCToolWnd::CBRS_TOOLWND_STYLE & ~CBRS_ALIGN_ANY);
    EXPECT_EQ(tool.GetDockStyle(), 0u);
    EXPECT_EQ(tool.GetDlgCtrlID(), static_cast<int>(IDD_TEST_TOOL));
    EXPECT_TRUE(tool.GetExStyle() & WS_EX_CONTEXTHELP);
    std::string caption;
    tool.GetWindowText(caption);
    EXPECT_EQ(caption, "Test Tool");

    MCToolWnd orphan;   // no template of that id: no window, 0
    EXPECT_EQ(orphan.InitToolLayout(fixture.frame, 21799), 0);
}

TEST(ToolWnd, FloatsAtItsStoredPlaceOrAgainstTheOwnersRightEdge) {
    ToolFixture fixture;
    CRect frameRect;
    fixture.frame->GetWindowRect(&frameRect);
    ASSERT_EQ(frameRect, CRect(100, 100, 1100, 800));
    const int width = fixture.tool->m_sizeDefault.cx;
    const CPoint corner(1100 - GetSystemMetrics(SM_CXFRAME) - width - GetSystemMetrics(SM_CXEDGE),
                        100 + GetSystemMetrics(SM_CYEDGE));
    const struct {
        const char* section;
        int x, y;   // stored first; -2: nothing stored
        CPoint expected;
    } cases[] = {
        {"Tests\\Tool empty", -2, -2, corner},
        {"Tests\\Tool no x", -1, 250, corner},
        {"Tests\\Tool no y", 250, -1, corner},
        {"Tests\\Tool stored", 300, 200, CPoint(300, 200)},
    };
    for (const auto& c : cases) {
        if (c.x != -2) {
            SaveIntPreference(c.section, "x", c.x);
            SaveIntPreference(c.section, "y", c.y);
        }
        fixture.tool->LoadPrefs(c.section);
        EXPECT_TRUE(fixture.tool->IsFloating()) << c.section;
        EXPECT_FALSE(fixture.tool->IsVisible()) << c.section;   // the frame's layout shows it
        EXPECT_EQ(fixture.FloatingAt(), c.expected) << c.section;
        // Stored at once.
        EXPECT_EQ(LoadIntPreference(c.section, "x", -5), c.expected.x) << c.section;
        EXPECT_EQ(LoadIntPreference(c.section, "y", -5), c.expected.y) << c.section;
    }

    // Moved by the user, then saved: the floating window's corner.
    fixture.tool->GetWidget()->window()->move(420, 310);
    fixture.tool->SavePrefs("Tests\\Tool saved");
    EXPECT_EQ(LoadIntPreference("Tests\\Tool saved", "x", -5), 420);
    EXPECT_EQ(LoadIntPreference("Tests\\Tool saved", "y", -5), 310);

    MCToolWnd ownerless;   // no owner: the corner of the screen
    EXPECT_EQ(ownerless.GetDefaultPosition("Tests\\Tool ownerless"), CPoint(0, 0));
    EXPECT_EQ(LoadIntPreference("Tests\\Tool ownerless", "x", -5), 0);
}

TEST(ToolWnd, KeysInTheToolWindowReachTheFrame) {
    ToolFixture fixture;
    fixture.tool->LoadPrefs("Tests\\Tool keys");
    ShowControlBar(fixture.frame, fixture.tool, TRUE, FALSE);
    CWnd* edit = fixture.tool->GetDlgItem(IDC_TOOL_EDIT);
    ASSERT_NE(edit, nullptr);

    // Alt alone stays with the tool window.
    edit->SetFocus();
    ASSERT_NE(fixture.frame->GetWidget()->focusWidget(), fixture.frame->GetWidget());
    QTest::keyClick(edit->GetWidget(), Qt::Key_Alt, Qt::AltModifier);
    EXPECT_FALSE(fixture.frame->SawOwnSystemKey(VK_MENU));
    EXPECT_TRUE(fixture.frame->commands.empty());

    // The frame's accelerator.
    QTest::keyClick(edit->GetWidget(), Qt::Key_K, Qt::ControlModifier);
    EXPECT_EQ(fixture.frame->commands, std::vector<UINT>{ID_TOOL_KEY});

    // Alt+F: the frame is offered the key as its own, takes the focus and
    // opens its File menu.
    fixture.frame->offered.clear();
    QTest::keyClick(edit->GetWidget(), Qt::Key_F, Qt::AltModifier);
    EXPECT_TRUE(fixture.frame->SawOwnSystemKey('F'));
    EXPECT_EQ(fixture.frame->GetWidget()->focusWidget(), fixture.frame->GetWidget());
    QMenuBar* bar = static_cast<QMainWindow*>(fixture.frame->GetWidget())->menuBar();
    ASSERT_NE(bar->activeAction(), nullptr);
    EXPECT_EQ(bar->activeAction()->text(), "&File");
    ASSERT_NE(bar->activeAction()->menu(), nullptr);
    EXPECT_TRUE(bar->activeAction()->menu()->isVisible());
    bar->activeAction()->menu()->close();
}
