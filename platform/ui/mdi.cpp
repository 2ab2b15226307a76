#include "platform/ui/mdi.h"

#include "platform/core/resources.h"
#include "platform/core/trace.h"
#include "platform/ui/accel.h"
#include "platform/ui/cmdui.h"
#include "platform/ui/doctemplate.h"
#include "platform/ui/document.h"
#include "platform/ui/menu.h"
#include "platform/ui/uiresources.h"
#include "platform/ui/winthread.h"

#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>

#include <algorithm>

namespace {

// The size of a child made with the default rectangle.
constexpr int kChildWidth = 400;
constexpr int kChildHeight = 300;
// The window list shows this many children.
constexpr UINT kListedChildren = 9;

}  // namespace

// ---- the client -------------------------------------------------------------------------

// The MDI client: the QMdiArea's window, which keeps the active child and
// takes the MDI messages.
class CMDIClientWnd : public CWnd {
public:
    CMDIChildWnd* GetActive() const { return DYNAMIC_DOWNCAST(CMDIChildWnd, FromHandle(m_hActive)); }

    // Makes `child` the active one (null: none), telling the loser, then the winner.
    void Activate(CMDIChildWnd* child) {
        CMDIChildWnd* old = GetActive();
        if (child == old)
            return;
        const HWND hOld = old ? old->m_hWnd : nullptr;
        const HWND hNew = child ? child->m_hWnd : nullptr;
        m_hActive = hNew;
        if (child)
            if (auto* sub = qobject_cast<QMdiSubWindow*>(child->GetWidget())) {
                m_bActivating = true;
                Area()->setActiveSubWindow(sub);
                m_bActivating = false;
            }
        if (hOld)
            ::SendMessage(hOld, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(hOld), reinterpret_cast<LPARAM>(hNew));
        if (hNew)
            ::SendMessage(hNew, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(hOld), reinterpret_cast<LPARAM>(hNew));
    }

    std::vector<CMDIChildWnd*> Children() const {
        std::vector<CMDIChildWnd*> children;
        if (QMdiArea* area = Area())
            for (QMdiSubWindow* sub : area->subWindowList(QMdiArea::CreationOrder))
                if (auto* child = DYNAMIC_DOWNCAST(CMDIChildWnd, FromWidget(sub)))
                    children.push_back(child);
        return children;
    }

    // The child after (or before) `from` among the visible ones, wrapping round.
    CMDIChildWnd* Next(CMDIChildWnd* from, bool previous) const {
        std::vector<CMDIChildWnd*> visible;
        for (CMDIChildWnd* child : Children())
            if (child->IsWindowVisible())
                visible.push_back(child);
        if (visible.empty())
            return nullptr;
        auto at = std::find(visible.begin(), visible.end(), from);
        if (at == visible.end())
            return visible.front();
        const std::size_t index = static_cast<std::size_t>(at - visible.begin());
        const std::size_t count = visible.size();
        return visible[previous ? (index + count - 1) % count : (index + 1) % count];
    }

    // A child going away: the last other visible child takes over, or none.
    void ChildGone(CMDIChildWnd* child) {
        if (GetActive() != child)
            return;
        CMDIChildWnd* next = nullptr;
        for (CMDIChildWnd* other : Children())
            if (other != child && other->IsWindowVisible())
                next = other;
        Activate(next);
    }

    QMdiArea* Area() const { return qobject_cast<QMdiArea*>(GetWidget()); }

    // Tiled horizontally: the visible children that are not minimized, in
    // creation order, stacked top to bottom, each the area's full width and
    // an equal share of its height (the last takes what rounding leaves).
    static void StackSubWindows(QMdiArea& area) {
        QList<QMdiSubWindow*> shown;
        for (QMdiSubWindow* sub : area.subWindowList(QMdiArea::CreationOrder))
            if (sub->isVisible() && !sub->isMinimized())
                shown.append(sub);
        if (shown.isEmpty())
            return;
        const QRect client = area.viewport()->rect();
        const int share = client.height() / static_cast<int>(shown.size());
        int top = client.top();
        for (qsizetype i = 0; i < shown.size(); ++i) {
            const int height = i + 1 == shown.size() ? client.bottom() + 1 - top : share;
            shown[i]->showNormal();
            shown[i]->setGeometry(client.left(), top, client.width(), height);
            top += height;
        }
    }

protected:
    QWidget* CreateWidget(QWidget* parent, DWORD) override {
        auto* area = new QMdiArea(parent);
        // The user's activations (a click, Qt's own after a close) become ours.
        // Through the widget, not `this`: the area outlives its window while
        // Qt deletes it later, and may still report activations meanwhile.
        QObject::connect(area, &QMdiArea::subWindowActivated, area, [area](QMdiSubWindow* sub) {
            auto* client = static_cast<CMDIClientWnd*>(FromWidget(area));
            if (!client || client->m_bActivating || !sub)
                return;   // null: the main window lost the focus, not a change of child
            if (auto* child = DYNAMIC_DOWNCAST(CMDIChildWnd, FromWidget(sub)))
                client->Activate(child);
        });
        return area;
    }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
        case WM_MDIACTIVATE:
            Activate(DYNAMIC_DOWNCAST(CMDIChildWnd, FromHandle(reinterpret_cast<HWND>(wParam))));
            return 0;
        case WM_MDIGETACTIVE:
            return reinterpret_cast<LRESULT>(GetActive() ? m_hActive : nullptr);
        case WM_MDINEXT: {
            auto* from = DYNAMIC_DOWNCAST(CMDIChildWnd, FromHandle(reinterpret_cast<HWND>(wParam)));
            if (CMDIChildWnd* next = Next(from ? from : GetActive(), lParam != 0))
                Activate(next);
            return 0;
        }
        case WM_MDITILE:
            if (QMdiArea* area = Area()) {
                if (wParam & MDITILE_HORIZONTAL)
                    StackSubWindows(*area);
                else
                    area->tileSubWindows();
            }
            return 0;
        case WM_MDICASCADE:
            if (QMdiArea* area = Area())
                area->cascadeSubWindows();
            return 0;
        case WM_MDIDESTROY:
            if (CWnd* child = DYNAMIC_DOWNCAST(CMDIChildWnd, FromHandle(reinterpret_cast<HWND>(wParam))))
                child->DestroyWindow();
            return 0;
        default:
            return CWnd::WindowProc(message, wParam, lParam);
        }
    }

private:
    HWND m_hActive = nullptr;
    bool m_bActivating = false;   // our own setActiveSubWindow is under way
};

// ---- CMDIFrameWnd -----------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CMDIFrameWnd, CFrameWnd)

BEGIN_MESSAGE_MAP(CMDIFrameWnd, CFrameWnd)
    ON_WM_INITMENUPOPUP()
    ON_COMMAND_EX(ID_WINDOW_ARRANGE, &CMDIFrameWnd::OnMDIWindowCmd)
    ON_COMMAND_EX(ID_WINDOW_CASCADE, &CMDIFrameWnd::OnMDIWindowCmd)
    ON_COMMAND_EX(ID_WINDOW_TILE_HORZ, &CMDIFrameWnd::OnMDIWindowCmd)
    ON_COMMAND_EX(ID_WINDOW_TILE_VERT, &CMDIFrameWnd::OnMDIWindowCmd)
    ON_UPDATE_COMMAND_UI(ID_WINDOW_ARRANGE, &CMDIFrameWnd::OnUpdateMDIWindowCmd)
    ON_UPDATE_COMMAND_UI(ID_WINDOW_CASCADE, &CMDIFrameWnd::OnUpdateMDIWindowCmd)
    ON_UPDATE_COMMAND_UI(ID_WINDOW_TILE_HORZ, &CMDIFrameWnd::OnUpdateMDIWindowCmd)
    ON_UPDATE_COMMAND_UI(ID_WINDOW_TILE_VERT, &CMDIFrameWnd::OnUpdateMDIWindowCmd)
END_MESSAGE_MAP()

CMDIFrameWnd::CMDIFrameWnd() = default;

CMDIFrameWnd::~CMDIFrameWnd() = default;

BOOL CMDIFrameWnd::OnCreateClient(LPCREATESTRUCT lpcs, CCreateContext* pContext) {
    m_pClient = std::make_unique<CMDIClientWnd>();
    if (!m_pClient->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, CRect(0, 0, 0, 0), this, AFX_IDW_PANE_FIRST))
        return FALSE;
    m_hWndMDIClient = m_pClient->m_hWnd;
    if (auto* window = qobject_cast<QMainWindow*>(GetWidget()))
        window->setCentralWidget(m_pClient->GetWidget());
    // A view of the main window itself is unusual but allowed.
    return CFrameWnd::OnCreateClient(lpcs, pContext);
}

CMDIChildWnd* CMDIFrameWnd::MDIGetActive(BOOL* pbMaximized) const {
    CMDIChildWnd* child = DYNAMIC_DOWNCAST(
        CMDIChildWnd, FromHandle(reinterpret_cast<HWND>(::SendMessage(m_hWndMDIClient, WM_MDIGETACTIVE, 0, 0))));
    if (pbMaximized)
        *pbMaximized = child && child->GetWidget() && child->GetWidget()->isMaximized();
    return child;
}

void CMDIFrameWnd::MDIActivate(CWnd* pWndActivate) {
    ::SendMessage(m_hWndMDIClient, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(pWndActivate ? pWndActivate->m_hWnd : nullptr),
                  0);
}

void CMDIFrameWnd::MDINext() { ::SendMessage(m_hWndMDIClient, WM_MDINEXT, 0, 0); }

void CMDIFrameWnd::MDIPrev() { ::SendMessage(m_hWndMDIClient, WM_MDINEXT, 0, 1); }

void CMDIFrameWnd::MDITile(UINT nType) { ::SendMessage(m_hWndMDIClient, WM_MDITILE, nType, 0); }

void CMDIFrameWnd::MDICascade() { ::SendMessage(m_hWndMDIClient, WM_MDICASCADE, 0, 0); }

std::vector<CMDIChildWnd*> CMDIFrameWnd::GetMDIChildren() const {
    return m_pClient && m_pClient->m_hWnd ? m_pClient->Children() : std::vector<CMDIChildWnd*>{};
}

std::vector<CMDIChildWnd*> CMDIFrameWnd::VisibleChildren() const {
    std::vector<CMDIChildWnd*> visible;
    for (CMDIChildWnd* child : GetMDIChildren())
        if (child->IsWindowVisible())
            visible.push_back(child);
    return visible;
}

CFrameWnd* CMDIFrameWnd::GetActiveFrame() {
    CMDIChildWnd* child = MDIGetActive();
    return child ? static_cast<CFrameWnd*>(child) : this;
}

BOOL CMDIFrameWnd::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
    if (CMDIChildWnd* child = MDIGetActive(); child && child->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo))
        return TRUE;
    return CFrameWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

BOOL CMDIFrameWnd::PreTranslateMessage(MSG* pMsg) {
    // The child's keys are translated here, so that the command starts at the
    // main window and reaches the whole route.
    if (CMDIChildWnd* child = MDIGetActive(); child && m_hWnd &&
                                              TranslateAccelerator(m_hWnd, child->GetDefaultAccelerator(), pMsg))
        return TRUE;
    return CFrameWnd::PreTranslateMessage(pMsg);
}

BOOL CMDIFrameWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
    const UINT nID = LOWORD(wParam);
    if (lParam == 0 && nID >= AFX_IDM_FIRST_MDICHILD && nID < AFX_IDM_FIRST_MDICHILD + kListedChildren) {
        const std::vector<CMDIChildWnd*> visible = VisibleChildren();
        const std::size_t index = nID - AFX_IDM_FIRST_MDICHILD;
        if (index < visible.size())
            MDIActivate(visible[index]);
        return TRUE;
    }
    return CFrameWnd::OnCommand(wParam, lParam);
}

BOOL CMDIFrameWnd::OnMDIWindowCmd(UINT nID) {
    switch (nID) {
    case ID_WINDOW_CASCADE: MDICascade(); break;
    case ID_WINDOW_TILE_HORZ: MDITile(MDITILE_HORIZONTAL); break;
    case ID_WINDOW_TILE_VERT: MDITile(MDITILE_VERTICAL); break;
    default: break;   // arranging icons: Qt's children have none
    }
    return TRUE;
}

void CMDIFrameWnd::OnUpdateMDIWindowCmd(CCmdUI* pCmdUI) {
    pCmdUI->Enable(MDIGetActive() != nullptr);
}

void CMDIFrameWnd::OnUpdateFrameMenu(CMenu* hMenuAlt) {
    if (!hMenuAlt)
        if (CMDIChildWnd* child = MDIGetActive())
            hMenuAlt = child->m_hMenuShared;
    ShowMenu(hMenuAlt ? hMenuAlt : GetDefaultMenu());
}

CMenu* CMDIFrameWnd::GetWindowMenuPopup(CMenu* menuBar) {
    if (!menuBar)
        return nullptr;
    // The last drop-down holding a window command, as menus keep "Window" last.
    for (int position = menuBar->GetMenuItemCount() - 1; position >= 0; --position)
        if (CMenu* popup = menuBar->GetSubMenu(position))
            for (int item = 0; item < popup->GetMenuItemCount(); ++item) {
                const UINT id = popup->GetMenuItemID(item);
                if (id >= AFX_IDM_WINDOW_FIRST && id <= AFX_IDM_WINDOW_LAST)
                    return popup;
            }
    return nullptr;
}

void CMDIFrameWnd::UpdateWindowList(CMenu* popup) const {
    // The list of the last opening goes first, with the separator before it.
    for (int position = popup->GetMenuItemCount() - 1; position >= 0; --position) {
        const UINT id = popup->GetMenuItemID(position);
        if (id >= AFX_IDM_FIRST_MDICHILD && id != CMenu::NO_ITEM) {
            popup->RemoveMenu(static_cast<UINT>(position), MF_BYPOSITION);
            if (position > 0 && popup->GetMenuItemID(position - 1) == 0 &&
                position - 1 == popup->GetMenuItemCount() - 1)
                popup->RemoveMenu(static_cast<UINT>(position - 1), MF_BYPOSITION);
        }
    }
    const std::vector<CMDIChildWnd*> visible = VisibleChildren();
    if (visible.empty())
        return;
    popup->AppendMenu(MF_SEPARATOR);
    CMDIChildWnd* active = MDIGetActive();
    for (UINT index = 0; index < visible.size() && index < kListedChildren; ++index) {
        std::string title;
        visible[index]->GetWindowText(title);
        popup->AppendMenu(MF_STRING | (visible[index] == active ? MF_CHECKED : MF_UNCHECKED),
                          AFX_IDM_FIRST_MDICHILD + index, "&" + std::to_string(index + 1) + " " + title);
    }
}

void CMDIFrameWnd::OnInitMenuPopup(CMenu* pPopupMenu, UINT nIndex, BOOL bSysMenu) {
    if (!bSysMenu && pPopupMenu && pPopupMenu == GetWindowMenuPopup(GetMenu()))
        UpdateWindowList(pPopupMenu);
    CFrameWnd::OnInitMenuPopup(pPopupMenu, nIndex, bSysMenu);
}

// ---- CMDIChildWnd -----------------------------------------------------------------------

IMPLEMENT_DYNCREATE(CMDIChildWnd, CFrameWnd)

BEGIN_MESSAGE_MAP(CMDIChildWnd, CFrameWnd)
    ON_WM_DESTROY()
    ON_MESSAGE(WM_MDIACTIVATE, &CMDIChildWnd::OnMDIActivateMessage)
END_MESSAGE_MAP()

CMDIChildWnd::CMDIChildWnd() = default;

CMDIChildWnd::~CMDIChildWnd() = default;

QWidget* CMDIChildWnd::CreateWidget(QWidget* parent, DWORD) {
    auto* sub = new QMdiSubWindow;
    // The frame's object goes with its window; closing asks the frame (WM_CLOSE).
    sub->setAttribute(Qt::WA_DeleteOnClose, false);
    // Inside the caption and border, a frame of its own: the view in its
    // middle and the child's bars docked at its edges, below the caption.
    auto* inner = new QMainWindow(nullptr, Qt::Widget);
    sub->setWidget(inner);
    if (auto* area = qobject_cast<QMdiArea*>(parent))
        area->addSubWindow(sub);
    else
        sub->setParent(parent);
    sub->hide();
    return sub;
}

BOOL CMDIChildWnd::Create(const char* lpszClassName, const char* lpszWindowName, DWORD dwStyle, const RECT& rect,
                          CMDIFrameWnd* pParentWnd, CCreateContext* pContext) {
    CMDIFrameWnd* frame = pParentWnd ? pParentWnd : DYNAMIC_DOWNCAST(CMDIFrameWnd, AfxGetMainWnd());
    CWnd* client = frame ? FromHandle(frame->m_hWndMDIClient) : nullptr;
    if (!client) {
        Trace("CMDIChildWnd::Create: no MDI frame to hold the child\n");
        delete this;   // as a frame whose window failed (see CFrameWnd::Create)
        return FALSE;
    }
    if (!CFrameWnd::Create(lpszClassName, lpszWindowName, dwStyle | WS_CHILD, rect, client, 0, pContext))
        return FALSE;
    if (CRect(rect).IsRectEmpty())
        GetWidget()->resize(kChildWidth, kChildHeight);
    return TRUE;
}

BOOL CMDIChildWnd::LoadFrame(UINT nIDResource, DWORD dwDefaultStyle, CWnd* pParentWnd, CCreateContext* pContext) {
    m_nIDHelp = nIDResource;
    if (auto* docTemplate = pContext ? DYNAMIC_DOWNCAST(CMultiDocTemplate, pContext->m_pNewDocTemplate) : nullptr) {
        m_hMenuShared = docTemplate->GetSharedMenu();
        m_hAccelTable = docTemplate->m_hAccelTable;
    } else {
        m_pMenuOwned = LoadMenu(nIDResource);
        m_hMenuShared = m_pMenuOwned.get();
        LoadAccelTable(nIDResource);
    }
    std::string full;
    if (LoadString(nIDResource, full))
        m_strTitle = full.substr(0, full.find('\n'));
    return Create(nullptr, m_strTitle.c_str(), dwDefaultStyle, rectDefault, DYNAMIC_DOWNCAST(CMDIFrameWnd, pParentWnd),
                  pContext);
}

CMDIFrameWnd* CMDIChildWnd::GetMDIFrame() const {
    return DYNAMIC_DOWNCAST(CMDIFrameWnd, GetParentFrame());
}

void CMDIChildWnd::MDIActivate() {
    if (CMDIFrameWnd* frame = GetMDIFrame())
        frame->MDIActivate(this);
}

void CMDIChildWnd::MDIDestroy() {
    if (CMDIFrameWnd* frame = GetMDIFrame())
        ::SendMessage(frame->m_hWndMDIClient, WM_MDIDESTROY, reinterpret_cast<WPARAM>(m_hWnd), 0);
}

void CMDIChildWnd::ActivateFrame(int nCmdShow) {
    if (nCmdShow == -1 || !IsWindowVisible())
        ShowWindow(nCmdShow == -1 ? int{SW_SHOWNORMAL} : nCmdShow);
    MDIActivate();
    if (CMDIFrameWnd* frame = GetMDIFrame(); frame && !frame->IsWindowVisible())
        frame->ActivateFrame();
}

BOOL CMDIChildWnd::PreTranslateMessage(MSG*) {
    return FALSE;
}

void CMDIChildWnd::OnUpdateFrameTitle(BOOL bAddToTitle) {
    if (CMDIFrameWnd* frame = GetMDIFrame())
        frame->OnUpdateFrameTitle(bAddToTitle);
    if (!(m_dwFrameStyle & FWS_ADDTOTITLE))
        return;
    CDocument* document = GetActiveDocument();
    if (!bAddToTitle || !document)
        return;
    std::string title = document->GetTitle();
    if (m_nWindow > 0)
        title += ":" + std::to_string(m_nWindow);
    SetWindowText(title.c_str());
}

LRESULT CMDIChildWnd::OnMDIActivateMessage(WPARAM wParam, LPARAM lParam) {
    const auto hActivate = reinterpret_cast<HWND>(lParam);
    OnMDIActivate(hActivate == m_hWnd, FromHandle(hActivate), FromHandle(reinterpret_cast<HWND>(wParam)));
    return 0;
}

void CMDIChildWnd::OnMDIActivate(BOOL bActivate, CWnd* pActivateWnd, CWnd*) {
    CView* view = GetActiveView();
    if (!bActivate && view)
        view->OnActivateView(FALSE, view, view);
    OnUpdateFrameMenu(bActivate, pActivateWnd, nullptr);
    if (bActivate && view)
        view->OnActivateView(TRUE, view, view);
    if (CMDIFrameWnd* frame = GetMDIFrame())
        frame->OnUpdateFrameTitle(TRUE);
}

void CMDIChildWnd::OnUpdateFrameMenu(BOOL bActivate, CWnd* pActivateWnd, CMenu* hMenuAlt) {
    CMDIFrameWnd* frame = GetMDIFrame();
    if (!frame)
        return;
    if (!hMenuAlt && bActivate)
        hMenuAlt = m_hMenuShared;
    if (bActivate)
        frame->OnUpdateFrameMenu(hMenuAlt);
    else if (!pActivateWnd)
        frame->OnUpdateFrameMenu(nullptr);   // the last active child went: the main window's own menu
}

void CMDIChildWnd::OnDestroy() {
    if (CMDIFrameWnd* frame = GetMDIFrame())
        if (auto* client = static_cast<CMDIClientWnd*>(FromHandle(frame->m_hWndMDIClient)))
            client->ChildGone(this);
    CFrameWnd::OnDestroy();
}
