// Help: F1 asks the focus window and those above it for help, Shift+F1 then
// a click asks the window clicked, and what they answer reaches WinHelp.
#include "platform/ui/help.h"

#include "platform/core/resources.h"
#include "platform/ui/app.h"
#include "platform/ui/frame.h"
#include "platform/ui/menu.h"
#include "platform/ui/statusprompt.h"

#include <QApplication>
#include <QMainWindow>
#include <QTest>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

constexpr UINT IDR_HELP_FRAME = 6310;
constexpr UINT IDC_HELP_PANE = 6311;
constexpr UINT IDC_HELP_KNOWING = 6312;   // answers both help messages itself
constexpr UINT IDC_HELP_SILENT = 6313;    // answers neither
STRING_TABLE({IDR_HELP_FRAME, "Help"});

using HelpCall = std::pair<DWORD_PTR, UINT>;

// A window that may know its help: WM_COMMANDHELP shows `commandContext`
// (the class library's way: the window calls WinHelp and answers TRUE),
// WM_HELPHITTEST answers `hitContext`. It notes the clicks it gets.
class CHelpfulWnd : public CWnd {
public:
    DWORD_PTR commandContext = 0;
    LRESULT hitContext = 0;
    CPoint hitPoint{-1, -1};
    int clicks = 0;

    LRESULT OnCommandHelp(WPARAM, LPARAM) {
        if (commandContext == 0)
            return FALSE;
        AfxGetApp()->WinHelp(commandContext);
        return TRUE;
    }
    LRESULT OnHelpHitTest(WPARAM, LPARAM lParam) {
        hitPoint = CPoint(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return hitContext;
    }
    void OnLButtonDown(UINT, CPoint) { ++clicks; }
    void OnLButtonUp(UINT, CPoint) { ++clicks; }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CHelpfulWnd, CWnd)
    ON_MESSAGE(WM_COMMANDHELP, &CHelpfulWnd::OnCommandHelp)
    ON_MESSAGE(WM_HELPHITTEST, &CHelpfulWnd::OnHelpHitTest)
    ON_WM_LBUTTONDOWN()
    ON_WM_LBUTTONUP()
END_MESSAGE_MAP()

// A main frame from its resources holding a pane with two controls; the
// help handler notes what WinHelp is asked.
class Help : public testing::Test {
protected:
    void SetUp() override {
        previous = CWinApp::SetWinHelpHandler([this](DWORD_PTR data, UINT command) { calls.emplace_back(data, command); });
        frame = new CFrameWnd;   // deletes itself with its window
        ASSERT_TRUE(frame->LoadFrame(IDR_HELP_FRAME));
        hFrame = frame->m_hWnd;
        app.m_pMainWnd = frame;
        ASSERT_TRUE(pane.Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, CRect(0, 0, 300, 200), frame, IDC_HELP_PANE));
        static_cast<QMainWindow*>(frame->GetWidget())->setCentralWidget(pane.GetWidget());
        ASSERT_TRUE(knowing.Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE | WS_TABSTOP, CRect(10, 10, 110, 40), &pane,
                                   IDC_HELP_KNOWING));
        ASSERT_TRUE(silent.Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE | WS_TABSTOP, CRect(10, 60, 110, 90), &pane,
                                  IDC_HELP_SILENT));
        for (CWnd* control : {static_cast<CWnd*>(&knowing), static_cast<CWnd*>(&silent)})
            control->GetWidget()->setFocusPolicy(Qt::StrongFocus);
        knowing.commandContext = 77;
        knowing.hitContext = 88;
        frame->ShowWindow(SW_SHOW);
        frame->GetWidget()->activateWindow();
        QApplication::processEvents();
    }
    void TearDown() override {
        if (CWnd::FromHandle(hFrame) == frame)
            frame->DestroyWindow();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        CWinApp::SetWinHelpHandler(previous);
    }
    // F1 (with `modifiers`) pressed in the focus window.
    static void PressF1(CWnd& focus, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        focus.SetFocus();
        QTest::keyClick(focus.GetWidget(), Qt::Key_F1, modifiers);
    }

    CWinApp app;
    CFrameWnd* frame = nullptr;
    HWND hFrame = nullptr;
    CHelpfulWnd pane, knowing, silent;
    std::vector<HelpCall> calls;
    CWinApp::WinHelpHandler previous;
};

TEST_F(Help, F1AsksTheFocusWindowAndThoseAboveItUntilOneAnswers) {
    const struct {
        DWORD_PTR paneContext;   // what the pane shows (0: it does not answer)
        CHelpfulWnd* focus;
        HelpCall expected;
    } cases[] = {
        {0, &knowing, {77, CWinApp::HELP_CONTEXT}},    // the focus window answers
        {55, &silent, {55, CWinApp::HELP_CONTEXT}},    // the window above it
        {0, &silent, {HID_BASE_RESOURCE + IDR_HELP_FRAME, CWinApp::HELP_CONTEXT}},   // the frame's resource
    };
    for (const auto& c : cases) {
        calls.clear();
        pane.commandContext = c.paneContext;
        PressF1(*c.focus);
        EXPECT_EQ(calls, std::vector<HelpCall>{c.expected}) << c.focus->GetDlgCtrlID() << " " << c.paneContext;
    }
}

TEST_F(Help, F1OnAHoveredMenuItemShowsItsCommandsHelp) {
    CMenu menu;
    frame->SendMessage(WM_MENUSELECT, MAKEWPARAM(40311, 0), reinterpret_cast<LPARAM>(&menu));
    frame->SendMessage(WM_COMMAND, ID_HELP);
    EXPECT_EQ(calls, (std::vector<HelpCall>{{HID_BASE_COMMAND + 40311, CWinApp::HELP_CONTEXT}}));
    calls.clear();
    frame->SendMessage(WM_MENUSELECT, MAKEWPARAM(0, MENUSELECT_CLOSED), 0);
    PressF1(knowing);
    EXPECT_EQ(calls, (std::vector<HelpCall>{{77, CWinApp::HELP_CONTEXT}}));
}

TEST_F(Help, HelpWithoutAContextOpensTheHelpFinder) {
    // A frame made without a resource knows no context of its own.
    auto* bare = new CFrameWnd;
    ASSERT_TRUE(bare->Create(nullptr, "Bare"));
    const HWND hBare = bare->m_hWnd;
    if (QWidget* focus = QApplication::focusWidget())
        focus->clearFocus();   // no window of the other frame is asked
    bare->SendMessage(WM_COMMAND, ID_HELP);
    EXPECT_EQ(calls, (std::vector<HelpCall>{{0, CWinApp::HELP_FINDER}}));
    calls.clear();
    frame->SendMessage(WM_COMMAND, ID_HELP_INDEX);
    EXPECT_EQ(calls, (std::vector<HelpCall>{{0, CWinApp::HELP_INDEX}}));
    if (CWnd::FromHandle(hBare) == bare)
        bare->DestroyWindow();
}

TEST_F(Help, ShiftF1ThenAClickAsksTheClickedWindowWhichGetsNoClick) {
    PressF1(silent, Qt::ShiftModifier);
    EXPECT_TRUE(frame->m_bHelpMode);
    EXPECT_EQ(GetHelpModeFrame(), frame);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WhatsThisCursor);
    EXPECT_TRUE(calls.empty());   // nothing until the click

    QTest::mouseClick(knowing.GetWidget(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 6));
    EXPECT_EQ(calls, (std::vector<HelpCall>{{88, CWinApp::HELP_CONTEXT}}));
    EXPECT_EQ(knowing.hitPoint, CPoint(5, 6));
    EXPECT_EQ(knowing.clicks, 0);
    EXPECT_FALSE(frame->m_bHelpMode);
    EXPECT_EQ(GetHelpModeFrame(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // Out of help mode, a click is a click again.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QTest::mouseClick(knowing.GetWidget(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 6));
    EXPECT_EQ(knowing.clicks, 2);
    EXPECT_EQ(calls.size(), 1u);
}

TEST_F(Help, AClickThatNobodyAnswersOpensTheFinderAndEscapeLeavesHelpMode) {
    pane.hitContext = 0;
    frame->SendMessage(WM_COMMAND, ID_CONTEXT_HELP);
    QTest::mouseClick(silent.GetWidget(), Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
    EXPECT_EQ(calls, (std::vector<HelpCall>{{0, CWinApp::HELP_FINDER}}));
    EXPECT_EQ(silent.clicks, 0);

    // The click's point goes up in each window's own coordinates.
    calls.clear();
    pane.hitContext = 66;
    frame->SendMessage(WM_COMMAND, ID_CONTEXT_HELP);
    QTest::mouseClick(silent.GetWidget(), Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
    EXPECT_EQ(calls, (std::vector<HelpCall>{{66, CWinApp::HELP_CONTEXT}}));
    EXPECT_EQ(pane.hitPoint, CPoint(13, 63));

    calls.clear();
    frame->SendMessage(WM_COMMAND, ID_CONTEXT_HELP);
    EXPECT_TRUE(frame->m_bHelpMode);
    QTest::keyClick(silent.GetWidget(), Qt::Key_Escape);
    EXPECT_FALSE(frame->m_bHelpMode);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    QTest::mouseClick(silent.GetWidget(), Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(silent.clicks, 2);
}

}  // namespace
