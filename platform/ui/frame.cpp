#include "platform/ui/frame.h"

#include "platform/core/resources.h"
#include "platform/core/trace.h"
#include "platform/ui/app.h"
#include "platform/ui/cmdui.h"
#include "platform/ui/document.h"
#include "platform/ui/help.h"
#include "platform/ui/menu.h"
#include "platform/ui/menu_qt.h"
#include "platform/ui/statusbar.h"
#include "platform/ui/statusprompt.h"
#include "platform/ui/tooltip.h"
#include "platform/ui/uiresources.h"

#include <QAction>
#include <QMainWindow>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>

#include <vector>

namespace {

// A frame made with the default rectangle gets this size.
constexpr int kDefaultWidth = 800;
constexpr int kDefaultHeight = 600;

}  // namespace

// ---- CWnd's frames ----------------------------------------------------------------------

CFrameWnd* CWnd::GetParentFrame() const {
    // Through the widgets only: a top-level window's owner is no frame of it.
    if (!GetWidget())
        return nullptr;
    for (QWidget* widget = GetWidget()->parentWidget(); widget; widget = widget->parentWidget())
        if (auto* frame = DYNAMIC_DOWNCAST(CFrameWnd, FromWidget(widget)))
            return frame;
    return nullptr;
}

CFrameWnd* CWnd::GetTopLevelFrame() const {
    auto* frame = DYNAMIC_DOWNCAST(CFrameWnd, const_cast<CWnd*>(this));
    if (!frame)
        frame = GetParentFrame();
    while (frame)
        if (CFrameWnd* above = frame->GetParentFrame())
            frame = above;
        else
            break;
    return frame;
}

void CWnd::SendMessageToDescendants(UINT message, WPARAM wParam, LPARAM lParam, BOOL bDeep) {
    if (!GetWidget())
        return;
    // Handles first: a handler may destroy windows.
    std::vector<HWND> targets;
    for (QWidget* widget : GetWidget()->findChildren<QWidget*>()) {
        CWnd* wnd = FromWidget(widget);
        if (!wnd)
            continue;
        if (!bDeep) {
            CWnd* above = nullptr;
            for (QWidget* up = widget->parentWidget(); up && !above; up = up->parentWidget())
                above = FromWidget(up);
            if (above != this)
                continue;
        }
        targets.push_back(wnd->m_hWnd);
    }
    for (HWND target : targets)
        ::SendMessage(target, message, wParam, lParam);
}

// ---- CFrameWnd --------------------------------------------------------------------------

IMPLEMENT_DYNCREATE(CFrameWnd, CWnd)

BEGIN_MESSAGE_MAP(CFrameWnd, CWnd)
    ON_WM_CREATE()
    ON_WM_CLOSE()
    ON_WM_NCDESTROY()
    ON_WM_INITMENUPOPUP()
    // Prompts, help and dropped files.
    ON_WM_MENUSELECT()
    ON_MESSAGE(WM_SETMESSAGESTRING, &CFrameWnd::OnSetMessageString)
    ON_NOTIFY_EX(TTN_NEEDTEXT, 0, &CFrameWnd::OnToolTipText)
    ON_MESSAGE(WM_COMMANDHELP, &CFrameWnd::OnCommandHelp)
    ON_COMMAND(ID_HELP, &CFrameWnd::OnHelp)
    ON_COMMAND(ID_CONTEXT_HELP, &CFrameWnd::OnContextHelp)
    ON_WM_DROPFILES()
END_MESSAGE_MAP()

CFrameWnd::CFrameWnd() = default;

CFrameWnd::~CFrameWnd() = default;

QWidget* CFrameWnd::CreateWidget(QWidget* parent, DWORD) {
    auto* window = new QMainWindow(parent);
    // The frame's object goes with its window; Qt must not delete the widget first.
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    return window;
}

BOOL CFrameWnd::Create(const char* lpszClassName, const char* lpszWindowName, DWORD dwStyle, const RECT& rect,
                       CWnd* pParentWnd, UINT nIDMenu, CCreateContext* pContext) {
    // A frame adding the document's title puts it first, as users read titles.
    if (dwStyle & FWS_ADDTOTITLE)
        dwStyle |= FWS_PREFIXTITLE;
    m_dwFrameStyle = dwStyle;
    if (lpszWindowName && m_strTitle.empty())
        m_strTitle = lpszWindowName;
    if (nIDMenu) {
        m_pMenuDefault = LoadMenu(nIDMenu);
        if (!m_pMenuDefault)
            Trace("CFrameWnd::Create: no menu %u\n", nIDMenu);
    }
    // A window refused by its creation deletes the frame (PostNcDestroy); a
    // window never made must not leave the frame behind either, so a failed
    // Create always ends the object.
    bool deleted = false;
    m_pDeletedFlag = &deleted;
    const BOOL created =
        CWnd::Create(lpszClassName, lpszWindowName, dwStyle & ~WS_VISIBLE, rect, pParentWnd, 0, pContext);
    if (deleted)
        return FALSE;
    m_pDeletedFlag = nullptr;
    if (!created) {
        Trace("CFrameWnd::Create: the window could not be made\n");
        delete this;
        return FALSE;
    }
    if (CRect(rect).IsRectEmpty() && GetWidget()->isWindow())
        GetWidget()->resize(kDefaultWidth, kDefaultHeight);
    ShowMenu(m_pMenuDefault.get());
    if (dwStyle & WS_VISIBLE)
        ShowWindow(SW_SHOW);
    return TRUE;
}

BOOL CFrameWnd::LoadFrame(UINT nIDResource, DWORD dwDefaultStyle, CWnd* pParentWnd, CCreateContext* pContext) {
    m_nIDHelp = nIDResource;
    std::string full;
    if (LoadString(nIDResource, full))
        m_strTitle = full.substr(0, full.find('\n'));
    const bool hasMenu = FindResource(RT_MENU, nIDResource).data != nullptr;
    if (!Create(nullptr, m_strTitle.c_str(), dwDefaultStyle, rectDefault, pParentWnd, hasMenu ? nIDResource : 0,
                pContext))
        return FALSE;
    LoadAccelTable(nIDResource);
    if (!pContext)
        SendMessageToDescendants(WM_INITIALUPDATE);
    return TRUE;
}

int CFrameWnd::OnCreate(LPCREATESTRUCT lpCreateStruct) {
    auto* context = lpCreateStruct ? static_cast<CCreateContext*>(lpCreateStruct->lpCreateParams) : nullptr;
    if (!OnCreateClient(lpCreateStruct, context))
        return -1;
    // Posted, so the message bar a derived frame makes after this finds it.
    PostMessage(WM_SETMESSAGESTRING, AFX_IDS_IDLEMESSAGE);
    return 0;
}

BOOL CFrameWnd::OnCreateClient(LPCREATESTRUCT, CCreateContext* pContext) {
    if (pContext && pContext->m_pNewViewClass)
        return CreateView(pContext, AFX_IDW_PANE_FIRST) != nullptr;
    return TRUE;
}

CWnd* CFrameWnd::CreateView(CCreateContext* pContext, UINT nID) {
    if (!pContext || !pContext->m_pNewViewClass)
        return nullptr;
    CObject* made = pContext->m_pNewViewClass->CreateObject();
    auto* view = DYNAMIC_DOWNCAST(CWnd, made);
    if (!view) {
        Trace("CFrameWnd::CreateView: %s is no creatable window\n", pContext->m_pNewViewClass->m_lpszClassName);
        delete made;
        return nullptr;
    }
    const HWND hFrame = m_hWnd;
    if (!view->Create(nullptr, nullptr, WS_CHILD, CRect(0, 0, 0, 0), this, nID, pContext)) {
        // A view refused after its window existed deleted itself (PostNcDestroy).
        if (!view->m_hWnd && CWnd::FromHandle(hFrame) == this && !view->GetWidget())
            Trace("CFrameWnd::CreateView: the view's window was refused\n");
        return nullptr;
    }
    // The view fills the frame's client (a child frame's: inside its caption, between its bars).
    QWidget* client = GetWidget();
    if (auto* sub = qobject_cast<QMdiSubWindow*>(client))
        client = sub->widget() ? sub->widget() : client;
    if (auto* window = qobject_cast<QMainWindow*>(client))
        window->setCentralWidget(view->GetWidget());
    else if (auto* sub = qobject_cast<QMdiSubWindow*>(client))
        sub->setWidget(view->GetWidget());
    view->GetWidget()->show();
    return view;
}

void CFrameWnd::SetActiveView(CView* pView, BOOL bNotify) {
    CView* old = m_pViewActive;
    if (pView == old)
        return;
    m_pViewActive = pView;
    if (bNotify && old)
        old->OnActivateView(FALSE, pView, old);
    if (bNotify && pView)
        pView->OnActivateView(TRUE, pView, old);
}

CDocument* CFrameWnd::GetActiveDocument() {
    CFrameWnd* frame = GetActiveFrame();
    CView* view = frame ? frame->GetActiveView() : nullptr;
    return view ? view->GetDocument() : nullptr;
}

void CFrameWnd::InitialUpdateFrame(CDocument* pDoc, BOOL bMakeVisible) {
    CView* view = nullptr;
    if (!GetActiveView()) {
        view = DYNAMIC_DOWNCAST(CView, GetDlgItem(AFX_IDW_PANE_FIRST));
        if (view)
            SetActiveView(view, FALSE);
    }
    if (bMakeVisible) {
        SendMessageToDescendants(WM_INITIALUPDATE);
        int nCmdShow = -1;
        if (CWinApp* app = AfxGetApp(); app && AfxGetMainWnd() == this) {
            nCmdShow = app->m_nCmdShow;   // the program's first showing, once
            app->m_nCmdShow = -1;
        }
        ActivateFrame(nCmdShow);
        if (view)
            view->OnActivateView(TRUE, view, view);
    }
    if (pDoc)
        pDoc->UpdateFrameCounts();
    OnUpdateFrameTitle(TRUE);
}

void CFrameWnd::ActivateFrame(int nCmdShow) {
    if (nCmdShow == -1)
        nCmdShow = IsWindowVisible() ? SW_SHOW : SW_SHOWNORMAL;
    ShowWindow(nCmdShow);
    if (QWidget* widget = GetWidget()) {
        widget->raise();
        if (widget->isWindow())
            widget->activateWindow();
    }
}

void CFrameWnd::OnUpdateFrameTitle(BOOL bAddToTitle) {
    if (!(m_dwFrameStyle & FWS_ADDTOTITLE))
        return;
    CDocument* document = GetActiveDocument();
    if (bAddToTitle && document)
        UpdateFrameTitleForDocument(document->GetTitle().c_str());
    else
        UpdateFrameTitleForDocument(nullptr);
}

void CFrameWnd::UpdateFrameTitleForDocument(const char* lpszDocName) {
    std::string text = m_strTitle;
    if (lpszDocName) {
        std::string document = lpszDocName;
        if (m_nWindow > 0)
            document += ":" + std::to_string(m_nWindow);
        if (m_strTitle.empty())
            text = document;
        else if (m_dwFrameStyle & FWS_PREFIXTITLE)
            text = document + " - " + m_strTitle;
        else
            text = m_strTitle + " - " + document;
    }
    SetWindowText(text.c_str());
}

void CFrameWnd::ShowMenu(CMenu* menu) {
    m_pMenuShown = menu;
    DrawMenuBar();
}

namespace {

// The character after the single "&" of a menu text, lower-cased; 0 when none.
QChar MnemonicOf(const QString& text) {
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != u'&')
            continue;
        if (text[i + 1] != u'&')
            return text[i + 1].toLower();
        ++i;   // "&&" shows an ampersand
    }
    return QChar();
}

}  // namespace

LRESULT CFrameWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_SYSCHAR)
        return CWnd::DefWindowProc(message, wParam, lParam);
    auto* window = qobject_cast<QMainWindow*>(GetWidget());
    QMenuBar* bar = window && window->menuWidget() ? window->menuBar() : nullptr;
    if (!bar || bar->actions().isEmpty()) {
        CFrameWnd* top = GetTopLevelFrame();
        if (top && top != this)
            return top->SendMessage(message, wParam, lParam);
        return CWnd::DefWindowProc(message, wParam, lParam);
    }
    const QChar typed = QChar(static_cast<char16_t>(wParam)).toLower();
    for (QAction* action : bar->actions()) {
        if (action->isVisible() && action->isEnabled() && action->menu() && MnemonicOf(action->text()) == typed) {
            window->activateWindow();
            bar->setActiveAction(action);   // opens its drop-down
            return 0;
        }
    }
    return CWnd::DefWindowProc(message, wParam, lParam);
}

void CFrameWnd::DrawMenuBar() {
    auto* window = qobject_cast<QMainWindow*>(GetWidget());
    if (!window)
        return;
    QMenuBar* bar = window->menuBar();
    // The drop-downs made for the last menu go with their actions.
    for (QMenu* old : bar->findChildren<QMenu*>(QString(), Qt::FindDirectChildrenOnly))
        old->deleteLater();
    bar->clear();
    CMenu* menu = m_pMenuShown;
    if (!menu)
        return;
    const HWND owner = m_hWnd;
    for (int position = 0; position < menu->GetMenuItemCount(); ++position) {
        const QString text = QString::fromStdString(menu->GetMenuString(position));
        QAction* action = nullptr;
        if (CMenu* submenu = menu->GetSubMenu(position)) {
            QMenu* dropDown = CreateQtMenu(submenu, this, bar, static_cast<UINT>(position), menu);
            dropDown->setTitle(text);
            action = bar->addMenu(dropDown);
        } else {
            const UINT id = menu->GetMenuItemID(position);
            if (id == 0)
                continue;   // no separators on a menu bar
            action = bar->addAction(text);
            action->setData(id);
            QObject::connect(action, &QAction::triggered, action, [owner, id] {
                ::PostMessage(owner, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), 0), 0);
            });
        }
        const UINT state = menu->GetMenuState(static_cast<UINT>(position), MF_BYPOSITION);
        action->setEnabled((state & (MF_GRAYED | MF_DISABLED)) == 0);
    }
}

CWnd* CFrameWnd::GetMessageBar() {
    return GetDlgItem(AFX_IDW_STATUS_BAR);
}

void CFrameWnd::SetMessageText(const char* lpszText) {
    if (CWnd* bar = GetMessageBar())
        bar->SendMessage(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpszText ? lpszText : ""));
}

BOOL CFrameWnd::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
    if (CView* view = GetActiveView(); view && view->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo))
        return TRUE;
    if (CWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo))
        return TRUE;
    // The application comes last, after the main window: a child frame's
    // commands reach it through the main window.
    CWinApp* app = AfxGetApp();
    return app && AfxGetMainWnd() == this && app->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

void CFrameWnd::OnInitMenuPopup(CMenu* pPopupMenu, UINT, BOOL bSysMenu) {
    if (bSysMenu)
        return;
    RunMenuCmdUI(pPopupMenu, this, m_bAutoMenuEnable);
}

void CFrameWnd::OnClose() {
    CDocument* document = GetActiveDocument();
    CWinApp* app = AfxGetApp();
    if (app && AfxGetMainWnd() == this) {
        // The main window closes the program: every modified document is
        // asked once (an MDI frame's active document is only one of them),
        // and one its template does not know is asked as this frame's.
        if (!app->SaveAllModified())
            return;
        if (document && !document->GetDocTemplate() && !document->CanCloseFrame(this))
            return;
        const HWND hWnd = m_hWnd;
        app->CloseAllDocuments(FALSE);
        if (CWnd::FromHandle(hWnd) != this)
            return;   // the documents' frames took this one with them
        document = GetActiveDocument();
    } else if (document && !document->CanCloseFrame(this)) {
        return;
    }
    if (document && document->m_bAutoDelete) {
        bool otherFrame = false;
        for (CView* view : document->GetViews())
            if (view->GetParentFrame() != this)
                otherFrame = true;
        if (!otherFrame) {
            // The last frame of the document: closing the document closes it.
            document->OnCloseDocument();
            return;
        }
        document->PreCloseFrame(this);
    }
    DestroyWindow();
}

void CFrameWnd::OnNcDestroy() {
    // The main window going ends the program's loop.
    if (AfxGetMainWnd() == this) {
        SetMainWnd(nullptr);
        AfxPostQuitMessage(0);
    }
    CWnd::OnNcDestroy();
}

void CFrameWnd::PostNcDestroy() {
    if (m_pDeletedFlag)
        *m_pDeletedFlag = true;
    delete this;
}
