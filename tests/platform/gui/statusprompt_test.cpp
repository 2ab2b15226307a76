// Prompts: a frame's message pane shows the message of the menu item or the
// fly-by bar control under the pointer and "Ready" after; a bar control's tip
// is the rest of its prompt.
#include "platform/ui/statusprompt.h"

#include "platform/core/resources.h"
#include "platform/ui/dialogbar.h"
#include "platform/ui/frame.h"
#include "platform/ui/menu.h"
#include "platform/ui/statusbar.h"
#include "platform/ui/uiresources.h"

#include <QAction>
#include <QApplication>
#include <QEnterEvent>
#include <QHelpEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolTip>

#include <gtest/gtest.h>

namespace {

constexpr UINT IDR_PROMPT_FRAME = 6300;
constexpr UINT IDD_PROMPT_BAR = 6301;
constexpr UINT ID_PROMPT_OPEN = 40301;    // a message and a tip
constexpr UINT ID_PROMPT_PLAIN = 40302;   // a message only
constexpr UINT ID_PROMPT_NONE = 40303;    // no string at all

const MenuTemplate kMenu = {{
    {MF_POPUP, 0, "&File", {
        {MF_STRING, ID_PROMPT_OPEN, "&Open"},
        {MF_STRING, ID_PROMPT_PLAIN, "&Plain"},
        {MF_STRING, ID_PROMPT_NONE, "&None"},
        {MF_POPUP, 0, "&More", {{MF_STRING, ID_PROMPT_PLAIN, "P&lain"}}},
    }},
}};
MENU_RESOURCE(IDR_PROMPT_FRAME, kMenu);
STRING_TABLE({IDR_PROMPT_FRAME, "Prompts"}, {ID_PROMPT_OPEN, "Open a score\nOpen"},
             {ID_PROMPT_PLAIN, "Plain prompt"});
const DialogTemplate kBar = {"", {
    {ID_PROMPT_OPEN, DialogControlKind::Push, "O", {2, 2, 20, 14}},
    {ID_PROMPT_PLAIN, DialogControlKind::Push, "P", {24, 2, 20, 14}},
}, {60, 18}};

// A frame from its resources with a status bar, shown.
class Prompts : public testing::Test {
protected:
    void SetUp() override {
        frame = new CFrameWnd;   // deletes itself with its window
        ASSERT_TRUE(frame->LoadFrame(IDR_PROMPT_FRAME));
        hFrame = frame->m_hWnd;
        ASSERT_TRUE(status.Create(frame));
        const UINT panes[] = {ID_SEPARATOR, ID_SEPARATOR};
        ASSERT_TRUE(status.SetIndicators(panes, 2));
        frame->ShowWindow(SW_SHOW);
        status.SetPaneText(0, "before");
    }
    void TearDown() override {
        if (CWnd::FromHandle(hFrame) == frame)
            frame->DestroyWindow();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    std::string MessagePane() const { return status.GetPaneText(0); }

    QMenu* OpenFileMenu() const {
        auto* window = static_cast<QMainWindow*>(frame->GetWidget());
        for (QAction* action : window->menuBar()->actions())
            if (action->text() == "&File" && action->menu()) {
                action->menu()->popup(QPoint(0, 0));
                return action->menu();
            }
        return nullptr;
    }
    static QAction* ActionAt(QMenu* menu, int position) { return menu->actions().value(position); }

    CFrameWnd* frame = nullptr;
    HWND hFrame = nullptr;
    CStatusBar status;
};

TEST_F(Prompts, AHoveredMenuItemShowsItsMessageAndTheClosedMenuReady) {
    QMenu* menu = OpenFileMenu();
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 4);
    const struct {
        int position;
        const char* shown;
    } cases[] = {
        {0, "Open a score"},   // the text before "\n"
        {1, "Plain prompt"},
        {2, ""},               // no prompt: the pane goes blank
        {0, "Open a score"},
        {3, ""},               // a submenu has none
    };
    for (const auto& c : cases) {
        ActionAt(menu, c.position)->hover();
        EXPECT_EQ(MessagePane(), c.shown) << c.position;
    }
    EXPECT_EQ(frame->m_nIDTracking, 0u);
    ActionAt(menu, 1)->hover();
    EXPECT_EQ(frame->m_nIDTracking, ID_PROMPT_PLAIN);
    menu->hide();
    EXPECT_EQ(MessagePane(), "Ready");
    EXPECT_EQ(frame->m_nIDTracking, 0u);
}

TEST_F(Prompts, AFlyByBarControlShowsItsMessageWhileThePointerIsOverIt) {
    CDialogBar flyBy;
    ASSERT_TRUE(flyBy.CreateIndirect(frame, kBar, WS_VISIBLE | CBRS_TOP | CBRS_FLYBY | CBRS_TOOLTIPS, 0xE810));
    CDialogBar quiet;   // no CBRS_FLYBY
    ASSERT_TRUE(quiet.CreateIndirect(frame, kBar, WS_VISIBLE | CBRS_TOP, 0xE811));

    auto enter = [](CWnd& bar, UINT id) {
        QEnterEvent event(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
        QApplication::sendEvent(bar.GetDlgItem(static_cast<int>(id))->GetWidget(), &event);
    };
    auto leave = [](CWnd& bar, UINT id) {
        QEvent event(QEvent::Leave);
        QApplication::sendEvent(bar.GetDlgItem(static_cast<int>(id))->GetWidget(), &event);
    };
    enter(quiet, ID_PROMPT_OPEN);
    EXPECT_EQ(MessagePane(), "before");
    enter(flyBy, ID_PROMPT_OPEN);
    EXPECT_EQ(MessagePane(), "Open a score");
    leave(flyBy, ID_PROMPT_OPEN);
    EXPECT_EQ(MessagePane(), "Ready");
    enter(flyBy, ID_PROMPT_PLAIN);
    EXPECT_EQ(MessagePane(), "Plain prompt");
    // The direct message: a text, and a string id whose message is shown.
    frame->SendMessage(WM_SETMESSAGESTRING, 0, reinterpret_cast<LPARAM>("Loading..."));
    EXPECT_EQ(MessagePane(), "Loading...");
    EXPECT_EQ(frame->SendMessage(WM_SETMESSAGESTRING, ID_PROMPT_OPEN), 0);   // a text was shown before
    EXPECT_EQ(frame->SendMessage(WM_SETMESSAGESTRING, AFX_IDS_IDLEMESSAGE), static_cast<LRESULT>(ID_PROMPT_OPEN));
    EXPECT_EQ(MessagePane(), "Ready");
}

TEST_F(Prompts, ABarControlsTipIsThePromptAfterTheNewline) {
    CDialogBar bar;
    ASSERT_TRUE(bar.CreateIndirect(frame, kBar, WS_VISIBLE | CBRS_TOP | CBRS_FLYBY | CBRS_TOOLTIPS, 0xE810));
    frame->GetWidget()->show();
    QApplication::processEvents();
    auto tipOver = [&](UINT id) {
        // The last tip hidden at once (the toolkit's own hiding waits for a timer).
        for (QWidget* window : QApplication::topLevelWidgets())
            if (window->objectName() == "qtooltip_label")
                window->hide();
        QWidget* control = bar.GetDlgItem(static_cast<int>(id))->GetWidget();
        const QPoint point = control->geometry().center();
        QHelpEvent event(QEvent::ToolTip, point, bar.GetWidget()->mapToGlobal(point));
        QApplication::sendEvent(bar.GetWidget(), &event);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    EXPECT_EQ(tipOver(ID_PROMPT_OPEN), "Open");
    EXPECT_EQ(tipOver(ID_PROMPT_PLAIN), "");   // a prompt without a tip shows none
}

}  // namespace
