// Keys before the widget (PreTranslateMessage, accelerators), popup menus and
// the context menu, the thread's main window, and the idle updates of the
// controls bound to commands.
#include "platform/ui/accel.h"
#include "platform/ui/button.h"
#include "platform/ui/cmdui.h"
#include "platform/ui/dialog_script.h"
#include "platform/ui/keys.h"
#include "platform/ui/menu.h"
#include "platform/ui/msgmap.h"
#include "platform/ui/winthread.h"
#include "platform/ui/wnd.h"

#include "tests/platform/messaging_support.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

constexpr UINT IDR_INPUT = 3301;
constexpr WORD ID_OPEN = 40101;
constexpr WORD ID_CUT = 40102;
constexpr WORD ID_GRAYED = 40103;     // disabled by its update handler
constexpr WORD ID_NOBODY = 40104;     // handled nowhere
constexpr WORD ID_CHECKED = 40105;    // checked by its update handler
constexpr UINT WM_TESTSTATE = WM_USER + 21;

const AcceleratorTable kKeys = {{{FVIRTKEY | FCONTROL, 'O', ID_OPEN}}};
ACCELERATOR_RESOURCE(IDR_INPUT, kKeys);

// A top-level window that notes the commands, context menus and popup
// preparations it gets, and may take keys in PreTranslateMessage.
class CNotingFrame : public CWnd {
public:
    CNotingFrame() { EXPECT_TRUE(Create(nullptr, "Frame", WS_VISIBLE, CRect(0, 0, 300, 200), nullptr, 0)); }

    std::vector<WPARAM> commands;            // WM_COMMAND's wParam, in order
    std::vector<MSG> preTranslated;          // the key messages offered
    UINT takeKey = 0;                        // a virtual key PreTranslateMessage takes
    std::vector<std::pair<HWND, CPoint>> contextMenus;
    int popupsPrepared = 0;
    LRESULT stateMessages = 0;

    BOOL PreTranslateMessage(MSG* pMsg) override {
        preTranslated.push_back(*pMsg);
        if (takeKey != 0 && pMsg->message == WM_KEYDOWN && pMsg->wParam == takeKey)
            return TRUE;
        return CWnd::PreTranslateMessage(pMsg);
    }
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
        commands.push_back(wParam);
        return CWnd::OnCommand(wParam, lParam);
    }
    afx_msg void OnContextMenu(CWnd* pWnd, CPoint pos) {
        contextMenus.emplace_back(pWnd ? pWnd->m_hWnd : nullptr, pos);
    }
    afx_msg void OnInitMenuPopup(CMenu* pPopupMenu, UINT, BOOL) {
        ++popupsPrepared;
        RunMenuCmdUI(pPopupMenu, this);
    }
    afx_msg LRESULT OnTestState(WPARAM, LPARAM) { return ++stateMessages; }
    afx_msg void OnCommandHandled() {}
    afx_msg void OnUpdateGrayed(CCmdUI* pCmdUI) { pCmdUI->Enable(FALSE); }
    afx_msg void OnUpdateChecked(CCmdUI* pCmdUI) { pCmdUI->SetCheck(1); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CNotingFrame, CWnd)
    ON_WM_CONTEXTMENU()
    ON_WM_INITMENUPOPUP()
    ON_MESSAGE(WM_TESTSTATE, &CNotingFrame::OnTestState)
    ON_COMMAND(ID_OPEN, &CNotingFrame::OnCommandHandled)
    ON_COMMAND(ID_CUT, &CNotingFrame::OnCommandHandled)
    ON_COMMAND(ID_GRAYED, &CNotingFrame::OnCommandHandled)
    ON_COMMAND(ID_CHECKED, &CNotingFrame::OnCommandHandled)
    ON_UPDATE_COMMAND_UI(ID_GRAYED, &CNotingFrame::OnUpdateGrayed)
    ON_UPDATE_COMMAND_UI(ID_CHECKED, &CNotingFrame::OnUpdateChecked)
END_MESSAGE_MAP()

// A child window over a line edit that notes the key messages reaching it.
class CNotingEdit : public CWnd {
public:
    explicit CNotingEdit(CWnd& parent) : edit(new QLineEdit(parent.GetWidget())) {
        EXPECT_TRUE(SubclassWidget(edit));
    }
    QLineEdit* edit;   // owned by its parent widget
    std::vector<WPARAM> keys;   // the keys and characters, Shift and Control aside

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if ((message == WM_KEYDOWN || message == WM_CHAR) && wParam != VK_SHIFT && wParam != VK_CONTROL)
            keys.push_back(wParam);
        return CWnd::WindowProc(message, wParam, lParam);
    }
};

TEST(PreTranslateMessage, AKeyTakenAboveNeverReachesTheFocusWindow) {
    const struct {
        const char* name;
        Qt::Key key;
        bool ownWindow;         // the line edit has a CWnd of its own
        bool taken;
    } cases[] = {
        {"taken, own window", Qt::Key_A, true, true},
        {"passed, own window", Qt::Key_B, true, false},
        {"taken, plain widget", Qt::Key_A, false, true},
        {"passed, plain widget", Qt::Key_B, false, false},
    };
    for (const auto& c : cases) {
        CNotingFrame frame;
        frame.takeKey = 'A';
        CNotingEdit child(frame);
        QLineEdit* target = child.edit;
        if (!c.ownWindow)
            child.UnsubclassWindow();
        QTest::keyClick(target, c.key);

        EXPECT_EQ(target->text().isEmpty(), c.taken) << c.name;
        EXPECT_EQ(child.keys.empty(), c.taken || !c.ownWindow) << c.name;
        ASSERT_FALSE(frame.preTranslated.empty()) << c.name;
        // The message is addressed to the focus window, or the nearest above a plain widget.
        EXPECT_EQ(frame.preTranslated.front().hwnd, c.ownWindow ? child.m_hWnd : frame.m_hWnd) << c.name;
        EXPECT_EQ(frame.preTranslated.front().message, static_cast<UINT>(WM_KEYDOWN)) << c.name;
    }
}

TEST(PreTranslateMessage, AnAcceleratorArrivesAsACommandFromAKey) {
    const struct {
        const char* name;
        Qt::KeyboardModifiers modifiers;
        bool command;
    } cases[] = {
        {"Ctrl+O", Qt::ControlModifier, true},
        {"O", Qt::NoModifier, false},
        {"Ctrl+Shift+O", Qt::ControlModifier | Qt::ShiftModifier, false},
    };
    for (const auto& c : cases) {
        CNotingFrame frame;
        ASSERT_TRUE(frame.LoadAccelTable(IDR_INPUT));
        CNotingEdit child(frame);
        QTest::keyClick(child.edit, Qt::Key_O, c.modifiers);

        if (c.command) {
            ASSERT_EQ(frame.commands.size(), 1u) << c.name;
            EXPECT_EQ(LOWORD(frame.commands[0]), ID_OPEN) << c.name;
            EXPECT_EQ(HIWORD(frame.commands[0]), 1) << c.name;   // from an accelerator
            EXPECT_TRUE(child.keys.empty()) << c.name;          // the key went no further
        } else {
            EXPECT_TRUE(frame.commands.empty()) << c.name;
        }
    }
}

TEST(PreTranslateMessage, TranslateAcceleratorTakesOnlyAKeyDownOfTheTable) {
    CNotingFrame frame;
    HACCEL table = LoadAccelerators(IDR_INPUT);
    MSG msg;
    msg.hwnd = frame.m_hWnd;
    msg.message = WM_KEYUP;
    msg.wParam = 'O';
    EXPECT_FALSE(TranslateAccelerator(frame.m_hWnd, table, &msg));   // Control is not down either
    msg.message = WM_KEYDOWN;
    EXPECT_FALSE(TranslateAccelerator(frame.m_hWnd, nullptr, &msg));
    EXPECT_TRUE(frame.commands.empty());
}

TEST(TrackPopupMenu, AScriptedChoiceReachesTheOwner) {
    const struct {
        const char* name;
        UINT queued;           // 0: nothing queued
        UINT flags;
        int answer;
        UINT arrives;          // the WM_COMMAND expected; 0: none
    } cases[] = {
        {"chosen", ID_CUT, 0, TRUE, ID_CUT},
        {"nothing queued", 0, 0, TRUE, 0},
        {"grayed by its update handler", ID_GRAYED, 0, TRUE, 0},
        {"not in the menu", ID_OPEN, 0, TRUE, 0},
        {"returned", ID_CUT, TPM_RETURNCMD, ID_CUT, 0},
        {"no notification", ID_CUT, TPM_NONOTIFY, TRUE, 0},
    };
    for (const auto& c : cases) {
        CNotingFrame owner;
        CMenu menu;
        menu.AppendMenu(MF_STRING, ID_CUT, "Cu&t");
        menu.AppendMenu(MF_SEPARATOR);
        menu.AppendMenu(MF_STRING, ID_GRAYED, "&Grayed");
        CDialogScript script;
        if (c.queued != 0)
            script.QueueMenuChoice(c.queued);

        EXPECT_EQ(menu.TrackPopupMenu(c.flags | TPM_RIGHTBUTTON, 10, 10, &owner), c.answer) << c.name;
        EXPECT_EQ(owner.popupsPrepared, 1) << c.name;
        EXPECT_EQ(script.GetPendingMenuChoices(), 0u) << c.name;
        if (c.arrives != 0) {
            ASSERT_TRUE(messaging_test::PumpUntil([&] { return !owner.commands.empty(); })) << c.name;
        }
        messaging_test::PumpPending();
        if (c.arrives != 0) {
            ASSERT_EQ(owner.commands.size(), 1u) << c.name;
            EXPECT_EQ(owner.commands[0], MAKEWPARAM(static_cast<WORD>(c.arrives), 0)) << c.name;
        } else {
            EXPECT_TRUE(owner.commands.empty()) << c.name;
        }
    }
}

// A child window that shows its own context menu: the event goes no further.
class CMenuChild : public CWnd {
public:
    int asked = 0;
    afx_msg void OnContextMenu(CWnd*, CPoint) { ++asked; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CMenuChild, CWnd)
    ON_WM_CONTEXTMENU()
END_MESSAGE_MAP()

TEST(ContextMenu, AQtContextMenuEventAsksTheWindowsUpFromTheOneClicked) {
    CNotingFrame frame;
    CWnd child;   // no handler: the default hands it up
    ASSERT_TRUE(child.Create(nullptr, "", WS_CHILD | WS_VISIBLE, CRect(10, 10, 110, 60), &frame, 7));
    CMenuChild ownMenu;
    ASSERT_TRUE(ownMenu.Create(nullptr, "", WS_CHILD | WS_VISIBLE, CRect(10, 70, 110, 120), &frame, 8));
    QContextMenuEvent taken(QContextMenuEvent::Mouse, QPoint(5, 5), QPoint(215, 200));
    QApplication::sendEvent(ownMenu.GetWidget(), &taken);
    EXPECT_EQ(ownMenu.asked, 1);
    EXPECT_TRUE(frame.contextMenus.empty());

    const struct {
        const char* name;
        QContextMenuEvent::Reason reason;
        CPoint expected;
    } cases[] = {
        {"mouse", QContextMenuEvent::Mouse, CPoint(215, 140)},
        {"keyboard", QContextMenuEvent::Keyboard, CPoint(-1, -1)},
    };
    for (const auto& c : cases) {
        frame.contextMenus.clear();
        QContextMenuEvent event(c.reason, QPoint(5, 5), QPoint(215, 140));
        QApplication::sendEvent(child.GetWidget(), &event);
        ASSERT_EQ(frame.contextMenus.size(), 1u) << c.name;
        EXPECT_EQ(frame.contextMenus[0].first, child.m_hWnd) << c.name;
        EXPECT_EQ(frame.contextMenus[0].second, c.expected) << c.name;
    }
}

TEST(MainWnd, IsTheThreadsMainWindowForTheMessaging) {
    {
        CNotingFrame main;
        SetMainWnd(&main);
        EXPECT_EQ(AfxGetMainWnd(), &main);
        EXPECT_EQ(GetMainWindow(), main.m_hWnd);
        // What is addressed to the thread (a state applied without a performance) reaches it.
        EXPECT_EQ(::SendMessage(GetMainWindow(), WM_TESTSTATE, 0, 0), 1);
        main.DestroyWindow();
        EXPECT_EQ(AfxGetMainWnd(), nullptr);
    }
    SetMainWnd(nullptr);
    EXPECT_EQ(GetMainWindow(), nullptr);
}

TEST(RunIdleUpdates, BoundControlsFollowTheirCommands) {
    CNotingFrame frame;
    CWnd bar;
    ASSERT_TRUE(bar.Create(nullptr, "", WS_CHILD | WS_VISIBLE, CRect(0, 0, 300, 30), &frame, 0));
    CWnd hiddenBar;   // not visible: not updated
    ASSERT_TRUE(hiddenBar.Create(nullptr, "", WS_CHILD, CRect(0, 30, 300, 60), &frame, 0));
    const struct {
        WORD id;
        bool enabled;
        int check;
    } cases[] = {
        {ID_NOBODY, false, BST_UNCHECKED},
        {ID_CUT, true, BST_UNCHECKED},
        {ID_CHECKED, true, BST_CHECKED},
        {ID_GRAYED, false, BST_UNCHECKED},
    };
    std::vector<std::unique_ptr<CButton>> buttons;
    std::vector<std::unique_ptr<CButton>> hiddenButtons;
    int x = 0;
    for (const auto& c : cases) {
        for (auto* list : {&buttons, &hiddenButtons}) {
            auto& button = list->emplace_back(std::make_unique<CButton>());
            ASSERT_TRUE(button->Create("", BS_AUTOCHECKBOX | WS_VISIBLE, CRect(x, 0, x + 20, 20),
                                       list == &buttons ? &bar : &hiddenBar, c.id));
        }
        x += 25;
    }
    AddIdleUpdateWindow(&bar);
    AddIdleUpdateWindow(&hiddenBar);
    AddIdleUpdateWindow(&bar);   // once only
    RunIdleUpdates();
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(buttons[i]->IsWindowEnabled() != FALSE, cases[i].enabled) << cases[i].id;
        EXPECT_EQ(buttons[i]->GetCheck(), cases[i].check) << cases[i].id;
        EXPECT_TRUE(hiddenButtons[i]->IsWindowEnabled()) << cases[i].id;
    }
    RemoveIdleUpdateWindow(&bar);
    RemoveIdleUpdateWindow(&hiddenBar);
}

}  // namespace
