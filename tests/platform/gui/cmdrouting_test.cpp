// Commands through a chain of targets delegating as the frames do (view,
// document, template, child frame, main frame, application), and the menu
// updates that ask the same chain when a drop-down opens.
#include "platform/ui/cmdtarget.h"
#include "platform/ui/cmdui.h"
#include "platform/ui/menu.h"
#include "platform/ui/menu_qt.h"
#include "platform/ui/msgmap.h"
#include "platform/ui/wnd.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr UINT ID_ROUTED = 40001;    // handled at every level
constexpr UINT ID_NOBODY = 40002;    // handled nowhere
constexpr UINT ID_CHECKED = 40003;   // the document checks it
constexpr UINT ID_RANGE_FIRST = 40010;

// One level of the chain: the targets it passes to first (a frame its active
// view or child), its own table unless its handler is "removed", then the
// targets it passes to after (a view its document, a frame the application).
class CLevel {
public:
    explicit CLevel(std::string name) : m_name(std::move(name)) {}
    std::string m_name;
    bool m_removed = false;
    std::vector<CCmdTarget*> m_before;
    std::vector<CCmdTarget*> m_after;
    std::vector<std::string>* m_log = nullptr;

    BOOL Route(CCmdTarget& self, UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
        for (CCmdTarget* target : m_before)
            if (target->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo))
                return TRUE;
        if (!m_removed && self.CCmdTarget::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo))
            return TRUE;
        for (CCmdTarget* target : m_after)
            if (target->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo))
                return TRUE;
        return FALSE;
    }
    void Answer() { m_log->push_back(m_name); }
};

// A target that is not a window (document, template, application).
class CTestTarget : public CCmdTarget, public CLevel {
public:
    using CLevel::CLevel;
    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override {
        return Route(*this, nID, nCode, pExtra, pHandlerInfo);
    }
    afx_msg void OnRouted() { Answer(); }
    afx_msg void OnUpdateChecked(CCmdUI* pCmdUI) {
        if (m_name == "document")
            pCmdUI->SetCheck(1);
        else
            pCmdUI->ContinueRouting();
    }
    // Lets the routing go on, unless told to disable the command.
    afx_msg void OnUpdateRouted(CCmdUI* pCmdUI) {
        if (m_disablesRouted)
            pCmdUI->Enable(FALSE);
        else
            pCmdUI->ContinueRouting();
    }
    bool m_disablesRouted = false;
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CTestTarget, CCmdTarget)
    ON_COMMAND(ID_ROUTED, &CTestTarget::OnRouted)
    ON_UPDATE_COMMAND_UI(ID_ROUTED, &CTestTarget::OnUpdateRouted)
    ON_UPDATE_COMMAND_UI(ID_CHECKED, &CTestTarget::OnUpdateChecked)
END_MESSAGE_MAP()

// A window level (view, child frame, main frame); the main frame runs the
// menu updates when a drop-down of its opens, as frames do.
class CTestWnd : public CWnd, public CLevel {
public:
    using CLevel::CLevel;
    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override {
        return Route(*this, nID, nCode, pExtra, pHandlerInfo);
    }
    afx_msg void OnRouted() { Answer(); }
    afx_msg void OnRange(UINT nID) { m_log->push_back(m_name + " " + std::to_string(nID - ID_RANGE_FIRST)); }
    afx_msg void OnInitMenuPopup(CMenu* pPopupMenu, UINT, BOOL bSysMenu) {
        if (!bSysMenu)
            RunMenuCmdUI(pPopupMenu, this, TRUE);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CTestWnd, CWnd)
    ON_COMMAND(ID_ROUTED, &CTestWnd::OnRouted)
    ON_COMMAND_RANGE(ID_RANGE_FIRST, ID_RANGE_FIRST + 4, &CTestWnd::OnRange)
    ON_WM_INITMENUPOPUP()
END_MESSAGE_MAP()

class CommandRouting : public ::testing::Test {
protected:
    CommandRouting() {
        // As the frames will pass a command on: the main frame to its active
        // child frame first, the child frame to its view first, the view to
        // its document, the document to its template; the main frame to the
        // application last.
        mainFrame.m_before = {&childFrame};
        mainFrame.m_after = {&app};
        childFrame.m_before = {&view};
        view.m_after = {&document};
        document.m_after = {&docTemplate};
        for (CLevel* level : std::initializer_list<CLevel*>{&view, &document, &docTemplate, &childFrame, &mainFrame, &app})
            level->m_log = &log;
        EXPECT_TRUE(mainFrame.Create(nullptr, "Main", 0, CRect(0, 0, 200, 100), nullptr, 0));
    }

    std::vector<std::string> log;
    CTestWnd view{"view"};
    CTestTarget document{"document"};
    CTestTarget docTemplate{"template"};
    CTestWnd childFrame{"child frame"};
    CTestWnd mainFrame{"main frame"};
    CTestTarget app{"application"};
};

TEST_F(CommandRouting, EachLevelAnswersOnceTheLevelsBeforeItHaveNoHandler) {
    CLevel* levels[] = {&view, &document, &docTemplate, &childFrame, &mainFrame, &app};
    const char* expected[] = {"view", "document", "template", "child frame", "main frame", "application"};
    for (int removed = 0; removed <= 6; ++removed) {
        for (int i = 0; i < 6; ++i)
            levels[i]->m_removed = i < removed;
        log.clear();
        // A menu command arrives at the main frame as WM_COMMAND without a control.
        mainFrame.SendMessage(WM_COMMAND, MAKEWPARAM(ID_ROUTED, 0), 0);
        if (removed < 6)
            EXPECT_EQ(log, std::vector<std::string>{expected[removed]}) << removed << " removed";
        else
            EXPECT_TRUE(log.empty());
        AFX_CMDHANDLERINFO info;
        EXPECT_EQ(mainFrame.OnCmdMsg(ID_ROUTED, CN_COMMAND, nullptr, &info), removed < 6 ? TRUE : FALSE);
    }
}

TEST_F(CommandRouting, ARangeHandlerReceivesTheId) {
    mainFrame.SendMessage(WM_COMMAND, MAKEWPARAM(ID_RANGE_FIRST + 3, 0), 0);
    EXPECT_EQ(log, std::vector<std::string>{"view 3"});
}

TEST_F(CommandRouting, AnOpenedMenuShowsWhatTheChainAnswers) {
    auto popup = std::make_unique<CMenu>();
    popup->AppendMenu(MF_STRING, ID_ROUTED, "&Routed");
    popup->AppendMenu(MF_SEPARATOR);
    popup->AppendMenu(MF_STRING, ID_NOBODY, "&Nobody");
    popup->AppendMenu(MF_STRING, ID_CHECKED, "&Checked");
    QMenu* qmenu = CreateQtMenu(popup.get(), &mainFrame, mainFrame.GetWidget());
    qmenu->popup(QPoint(0, 0));

    const auto actions = qmenu->actions();
    ASSERT_EQ(actions.size(), 4);
    EXPECT_TRUE(actions[0]->isEnabled());
    EXPECT_FALSE(actions[0]->isChecked());
    EXPECT_TRUE(actions[1]->isSeparator());
    EXPECT_FALSE(actions[2]->isEnabled());   // nobody handles it
    EXPECT_EQ(actions[2]->data().toUInt(), ID_NOBODY);
    EXPECT_TRUE(actions[3]->isChecked());    // the document's update handler
    EXPECT_TRUE(actions[3]->isEnabled());    // it has an update handler: not disabled
    EXPECT_EQ(popup->GetMenuState(ID_NOBODY, MF_BYCOMMAND) & MF_GRAYED, static_cast<UINT>(MF_GRAYED));
    qmenu->close();

    // Choosing an item posts the command to the owner.
    view.m_removed = true;
    actions[0]->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(log, std::vector<std::string>{"document"});
}

TEST_F(CommandRouting, ACommandItsUpdateHandlerDisablesIsNotRun) {
    document.m_disablesRouted = true;
    mainFrame.SendMessage(WM_COMMAND, MAKEWPARAM(ID_ROUTED, 0), 0);
    EXPECT_TRUE(log.empty());
    document.m_disablesRouted = false;
    mainFrame.SendMessage(WM_COMMAND, MAKEWPARAM(ID_ROUTED, 0), 0);
    EXPECT_EQ(log, std::vector<std::string>{"view"});
}

}  // namespace
