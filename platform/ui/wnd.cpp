#include "platform/ui/wnd.h"

#include "platform/core/window.h"
#include "platform/ui/captureloop.h"
#include "platform/ui/cmdui.h"
#include "platform/ui/ownerdraw.h"
#include "platform/ui/wnd_private.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QVariant>
#include <QWidget>

#include <algorithm>
#include <mutex>
#include <unordered_map>
#include <vector>

IMPLEMENT_DYNAMIC(CWnd, CCmdTarget)

namespace {

// The shortest elapse a window timer runs at.
constexpr UINT kMinTimerElapse = 10;

// A plain window's widget: it takes the input it is given, so that what its
// CWnd hands to the default handling does not travel on to a parent widget.
class CWndWidget : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void mousePressEvent(QMouseEvent* event) override { event->accept(); }
    void mouseReleaseEvent(QMouseEvent* event) override { event->accept(); }
    void mouseDoubleClickEvent(QMouseEvent* event) override { event->accept(); }
    void mouseMoveEvent(QMouseEvent* event) override { event->accept(); }
    void keyPressEvent(QKeyEvent* event) override { event->accept(); }
    void keyReleaseEvent(QKeyEvent* event) override { event->accept(); }
};

// The windows of the user-interface thread, by handle and by widget.
struct CWindowTable {
    std::unordered_map<HWND, CWnd*> byHandle;
    std::unordered_map<const QWidget*, CWnd*> byWidget;
};

CWindowTable& Table() {
    static CWindowTable table;
    return table;
}

HWND g_capture = nullptr;   // the window holding the mouse capture

// The messages being handled on this thread, innermost last.
thread_local std::vector<MSG> t_messages;

// A message made from a Qt event, and whether it reached the default handling.
struct CEventMessage {
    HWND hWnd;
    UINT message;
    std::size_t depth;   // the depth of t_messages while its handler runs
    bool defaultWanted;
};
thread_local std::vector<CEventMessage> t_events;

std::mutex g_hookMutex;
WndProcExceptionHook g_hook;   // guarded by g_hookMutex; empty: the default

LRESULT DefaultWndProcException(std::exception_ptr error, const MSG& msg) {
    ReportHandlerError(error);
    return msg.message == WM_CREATE ? -1 : 0;   // a window whose creation failed is refused
}

QString IdName(int nID) {
    return QString::number(nID);
}

bool HasTextProperty(const QWidget* widget) {
    return widget->metaObject()->indexOfProperty("text") >= 0;
}

}  // namespace

// The hidden window behind a CWnd's handle: what reaches the handle reaches
// the CWnd's WindowProc.
class CWnd::Handle : public CMsgWindow {
public:
    explicit Handle(CWnd& owner) : m_owner(owner) {}
    QMetaObject::Connection widgetGone;   // the widget's destroyed signal

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        return platform_detail::CallWndProc(m_owner, message, wParam, lParam);
    }

private:
    CWnd& m_owner;   // owns this handle
};

// ---- the handling of one message ------------------------------------------------------

WndProcExceptionHook SetWndProcExceptionHook(WndProcExceptionHook hook) {
    std::lock_guard lock(g_hookMutex);
    std::swap(g_hook, hook);
    return hook;
}

namespace platform_detail {

LRESULT CallWndProc(CWnd& wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (OfferToCaptureLoop(wnd.m_hWnd, message, wParam, lParam))
        return 0;
    MSG current;
    current.hwnd = wnd.m_hWnd;
    current.message = message;
    current.wParam = wParam;
    current.lParam = lParam;
    t_messages.push_back(current);
    LRESULT result = 0;
    try {
        result = wnd.WindowProc(message, wParam, lParam);   // may destroy `wnd`
    } catch (...) {
        WndProcExceptionHook hook;
        {
            std::lock_guard lock(g_hookMutex);
            hook = g_hook;
        }
        try {
            result = hook ? hook(std::current_exception(), current)
                          : DefaultWndProcException(std::current_exception(), current);
        } catch (...) {
            ReportHandlerError(std::current_exception());   // the hook failed: never past here
        }
    }
    t_messages.pop_back();
    return result;
}

bool DeliverEventMessage(CWnd& wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const HWND hWnd = wnd.m_hWnd;
    if (!hWnd)
        return true;
    t_events.push_back({hWnd, message, t_messages.size() + 1, false});
    const std::size_t index = t_events.size() - 1;
    ::SendMessage(hWnd, message, wParam, lParam);
    const bool wanted = t_events[index].defaultWanted;
    t_events.pop_back();
    return wanted;
}

bool TakeEventDefault(const CWnd& wnd, UINT message) {
    if (t_events.empty())
        return false;
    CEventMessage& event = t_events.back();
    if (event.hWnd != wnd.m_hWnd || event.message != message || event.depth != t_messages.size())
        return false;
    event.defaultWanted = true;
    return true;
}

void SendToTopLevelWindows(UINT message, WPARAM wParam, LPARAM lParam) {
    // Handles first: a handler may destroy windows meanwhile.
    std::vector<HWND> windows;
    for (const auto& [hWnd, wnd] : Table().byHandle)
        if (wnd->GetWidget() && wnd->GetWidget()->isWindow())
            windows.push_back(hWnd);
    for (HWND hWnd : windows)
        ::SendMessage(hWnd, message, wParam, lParam);
}

}  // namespace platform_detail

// ---- creation and destruction ---------------------------------------------------------

CWnd::CWnd() = default;

CWnd::~CWnd() {
    if (m_hWnd)
        EndWindow(true);
}

CWnd* CWnd::FromHandle(HWND hWnd) {
    const auto& byHandle = Table().byHandle;
    auto found = byHandle.find(hWnd);
    return found == byHandle.end() ? nullptr : found->second;
}

CWnd* CWnd::FromWidget(const QWidget* widget) {
    const auto& byWidget = Table().byWidget;
    auto found = byWidget.find(widget);
    return found == byWidget.end() ? nullptr : found->second;
}

QWidget* CWnd::CreateWidget(QWidget* parent, DWORD) {
    return new CWndWidget(parent);
}

void CWnd::Attach(QWidget* widget) {
    m_pWidget = widget;
    // A window hears the pointer move over it with no button held too: the
    // score's tools follow it (time, pitch, the insert line) before a click.
    widget->setMouseTracking(true);
    m_handle = std::make_unique<Handle>(*this);
    m_hWnd = m_handle->GetSafeHwnd();
    Table().byHandle[m_hWnd] = this;
    Table().byWidget[widget] = this;
    // A widget deleted by Qt (with its parent) ends the window; the widget is
    // gone by then, so nothing may touch it.
    m_handle->widgetGone = QObject::connect(widget, &QObject::destroyed, [this] {
        Table().byWidget.erase(m_pWidget);
        m_pWidget = nullptr;
        EndWindow(false);
    });
    platform_detail::EnsureWindowEvents();
}

BOOL CWnd::Create(const char* lpszClassName, const char* lpszWindowName, DWORD dwStyle, const RECT& rect,
                  CWnd* pParentWnd, UINT nID, void* pContext) {
    if (m_hWnd)
        return FALSE;
    const CRect place(rect);
    CREATESTRUCT create;
    create.lpCreateParams = pContext;
    create.hwndParent = pParentWnd ? pParentWnd->m_hWnd : nullptr;
    create.hMenu = (dwStyle & WS_CHILD) ? nID : 0;
    create.x = place.left;
    create.y = place.top;
    create.cx = place.Width();
    create.cy = place.Height();
    create.style = dwStyle;
    create.lpszName = lpszWindowName;
    create.lpszClass = lpszClassName;
    if (!PreCreateWindow(create))
        return FALSE;
    dwStyle = create.style;
    m_dwExStyle = create.dwExStyle;

    QWidget* parentWidget = pParentWnd ? pParentWnd->m_pWidget : nullptr;
    const bool child = (dwStyle & WS_CHILD) != 0;
    if (child && !parentWidget)
        return FALSE;
    QWidget* widget = CreateWidget(child ? parentWidget : nullptr, dwStyle);
    if (!widget)
        return FALSE;
    if (!child && pParentWnd)
        m_hWndOwner = pParentWnd->m_hWnd;   // an owned top-level window
    if (child)
        widget->setObjectName(IdName(static_cast<int>(nID)));
    widget->setGeometry(place.left, place.top, std::max(place.Width(), 0), std::max(place.Height(), 0));
    Attach(widget);
    if (lpszWindowName)
        SetWindowText(lpszWindowName);

    if (SendMessage(WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
        DestroyWindow();
        return FALSE;
    }
    if (!m_pWidget)
        return FALSE;   // destroyed by its own creation handler
    if (dwStyle & WS_DISABLED)
        m_pWidget->setEnabled(false);
    if (dwStyle & WS_VISIBLE)
        m_pWidget->show();
    return TRUE;
}

BOOL CWnd::PreCreateWindow(CREATESTRUCT&) {
    return TRUE;
}

BOOL CWnd::SubclassWidget(QWidget* widget) {
    if (!widget || m_hWnd || FromWidget(widget))
        return FALSE;
    Attach(widget);
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent) {
    if (!pParent || !pParent->m_pWidget)
        return FALSE;
    for (QWidget* widget : pParent->m_pWidget->findChildren<QWidget*>(IdName(static_cast<int>(nID)))) {
        if (!FromWidget(widget))
            return SubclassWidget(widget);
    }
    return FALSE;
}

QWidget* CWnd::UnsubclassWindow() {
    QWidget* widget = m_pWidget;
    if (!widget)
        return nullptr;
    if (g_capture == m_hWnd)
        g_capture = nullptr;
    QObject::disconnect(m_handle->widgetGone);
    Table().byWidget.erase(widget);
    Table().byHandle.erase(m_hWnd);
    m_pWidget = nullptr;
    m_handle.reset();
    m_hWnd = nullptr;
    return widget;
}

BOOL CWnd::DestroyWindow() {
    if (!m_hWnd)
        return FALSE;
    EndWindow(true);
    return TRUE;
}

void CWnd::EndWindow(bool destroyWidget) {
    const HWND hWnd = m_hWnd;
    if (!hWnd)
        return;
    if (g_capture == hWnd)
        g_capture = nullptr;   // a window going away loses the capture quietly
    SendMessage(WM_DESTROY);
    // Then the child windows, as they go with it.
    if (m_pWidget) {
        std::vector<HWND> children;
        for (QWidget* widget : m_pWidget->findChildren<QWidget*>())
            if (CWnd* child = FromWidget(widget))
                children.push_back(child->m_hWnd);
        for (HWND child : children)
            if (CWnd* wnd = FromHandle(child))
                wnd->EndWindow(false);   // its widget goes with ours
    }
    if (QWidget* widget = m_pWidget) {
        QObject::disconnect(m_handle->widgetGone);
        Table().byWidget.erase(widget);
        m_pWidget = nullptr;
        if (destroyWidget) {
            widget->hide();
            widget->deleteLater();
        }
    }
    SendMessage(WM_NCDESTROY);
    Table().byHandle.erase(hWnd);
    m_handle.reset();
    m_hWnd = nullptr;
    PostNcDestroy();   // may delete this object: nothing after it
}

void CWnd::PostNcDestroy() {}

// ---- messages -------------------------------------------------------------------------

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
    return ::SendMessage(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
    return ::PostMessage(m_hWnd, message, wParam, lParam) ? TRUE : FALSE;
}

const MSG* CWnd::GetCurrentMessage() {
    static const MSG none;
    return t_messages.empty() ? &none : &t_messages.back();
}

LRESULT CWnd::Default() {
    const MSG* current = GetCurrentMessage();
    return DefWindowProc(current->message, current->wParam, current->lParam);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result))
        result = DefWindowProc(message, wParam, lParam);
    return result;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    LRESULT result = 0;
    BOOL handled = FALSE;
    if (message == WM_COMMAND) {
        handled = OnCommand(wParam, lParam);
    } else if (message == WM_NOTIFY) {
        handled = OnNotify(wParam, lParam, &result);
    } else if ((message == WM_DRAWITEM || message == WM_MEASUREITEM) &&
               OfferOwnerDraw(message, wParam, lParam, &result)) {
        handled = TRUE;   // the owner-drawn control took it before the map (ownerdraw.h)
    } else if (const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(message, 0, 0)) {
        AFX_MSGCALL call;
        call.wParam = wParam;
        call.lParam = lParam;
        result = entry->pfn(this, call);
        handled = TRUE;
    }
    if (handled && pResult)
        *pResult = result;
    return handled;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // A character typed with Alt is never text: a child hands it up to its
    // frame, whose menu bar may have it as a mnemonic.
    if (message == WM_SYSCHAR) {
        if (m_pWidget && !m_pWidget->isWindow())
            if (CWnd* parent = GetParent())
                return parent->SendMessage(message, wParam, lParam);
        return 0;
    }
    if (platform_detail::TakeEventDefault(*this, message))
        return 0;   // the widget acts on its event
    switch (message) {
    case WM_PAINT:
    case WM_ERASEBKGND:
        return platform_detail::DefaultPaintProc(*this, message, wParam, lParam);
    case WM_SETCURSOR:
        return platform_detail::DefaultSetCursorProc(*this, wParam, lParam);
    case WM_SETTEXT:
        if (m_pWidget) {
            const QString text = QString::fromUtf8(lParam ? reinterpret_cast<const char*>(lParam) : "");
            if (HasTextProperty(m_pWidget))
                m_pWidget->setProperty("text", text);
            else
                m_pWidget->setWindowTitle(text);
        }
        return TRUE;
    case WM_GETTEXTLENGTH:
    case WM_GETTEXT: {
        if (!m_pWidget)
            return 0;
        const QString value = HasTextProperty(m_pWidget) ? m_pWidget->property("text").toString()
                                                         : m_pWidget->windowTitle();
        const QByteArray utf8 = value.toUtf8();
        if (message == WM_GETTEXTLENGTH)
            return utf8.size();
        return static_cast<LRESULT>(platform_detail::CopyText(utf8.toStdString(), reinterpret_cast<char*>(lParam),
                                                              static_cast<std::size_t>(wParam)));
    }
    case WM_CLOSE:
        DestroyWindow();
        return 0;
    case WM_CONTEXTMENU:
        // A child window nobody asked goes to its parent.
        if (m_pWidget && !m_pWidget->isWindow())
            if (CWnd* parent = GetParent())
                return parent->SendMessage(WM_CONTEXTMENU, wParam, lParam);
        return 0;
    case WM_IDLEUPDATECMDUI: {
        CWnd* owner = GetOwner();
        OnUpdateCmdUI(owner ? static_cast<CCmdTarget*>(owner) : this, static_cast<BOOL>(wParam));
        return 0;
    }
    default:
        return 0;
    }
}

namespace {

// Asks a command's update handler only whether it is enabled.
class CTestCmdUI : public CCmdUI {
public:
    void Enable(BOOL bOn) override {
        m_bEnabled = bOn;
        m_bEnableChanged = TRUE;
    }
    void SetCheck(int) override {}
    void SetRadio(BOOL) override {}
    void SetText(const char*) override {}
    BOOL m_bEnabled = TRUE;
};

}  // namespace

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
    const UINT nID = LOWORD(wParam);
    const auto hWndCtrl = reinterpret_cast<HWND>(lParam);
    int nCode = HIWORD(wParam);
    if (!hWndCtrl) {
        // A menu or an accelerator: a command its update handler disables is not run.
        nCode = CN_COMMAND;
        CTestCmdUI state;
        state.m_nID = nID;
        OnCmdMsg(nID, CN_UPDATE_COMMAND_UI, &state, nullptr);
        if (!state.m_bEnabled)
            return TRUE;
    } else if (ReflectLastMsg(hWndCtrl)) {
        return TRUE;   // the control took its own notification
    }
    return OnCmdMsg(nID, nCode, nullptr, nullptr);
}

BOOL CWnd::OnNotify(WPARAM, LPARAM lParam, LRESULT* pResult) {
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (!header)
        return FALSE;
    if (header->hwndFrom && ReflectLastMsg(header->hwndFrom, pResult))
        return TRUE;
    AFX_NOTIFY notify;
    notify.pResult = pResult;
    notify.pNMHDR = header;
    // Routed by the id of the window that sent it, where that is one of ours: a
    // tool tip names its tool by handle in idFrom and routes as its own id.
    const CWnd* sender = header->hwndFrom ? FromHandle(header->hwndFrom) : nullptr;
    const UINT nID = sender ? static_cast<UINT>(sender->GetDlgCtrlID()) : static_cast<UINT>(header->idFrom);
    return OnCmdMsg(nID, static_cast<int>(MAKELONG(static_cast<WORD>(header->code), WM_NOTIFY)), &notify, nullptr);
}

BOOL CWnd::OfferOwnerDraw(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (!lParam)
        return FALSE;
    CWnd* control = nullptr;
    if (message == WM_DRAWITEM)
        control = FromHandle(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->hwndItem);
    else
        control = GetDlgItem(static_cast<int>(reinterpret_cast<const MEASUREITEMSTRUCT*>(lParam)->CtlID));
    return control && control != this ? control->OnChildNotify(message, wParam, lParam, pResult) : FALSE;
}

BOOL CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    return ReflectChildNotify(message, wParam, lParam, pResult);
}

BOOL CWnd::ReflectChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    switch (message) {
    case WM_COMMAND:
        return OnCmdMsg(0, static_cast<int>(MAKELONG(HIWORD(wParam), WM_REFLECT_BASE + WM_COMMAND)), nullptr, nullptr);
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (!header)
            return FALSE;
        AFX_NOTIFY notify;
        notify.pResult = pResult;
        notify.pNMHDR = header;
        return OnCmdMsg(0, static_cast<int>(MAKELONG(static_cast<WORD>(header->code), WM_REFLECT_BASE + WM_NOTIFY)),
                        &notify, nullptr);
    }
    case WM_DRAWITEM:
    case WM_HSCROLL:
    case WM_VSCROLL:
        // Reflected as messages of their own (ON_MESSAGE(WM_REFLECT_BASE + WM_HSCROLL, ...)).
        return OnWndMsg(WM_REFLECT_BASE + message, wParam, lParam, pResult);
    default:
        return FALSE;
    }
}

BOOL CWnd::ReflectLastMsg(HWND hWndChild, LRESULT* pResult) {
    CWnd* child = FromHandle(hWndChild);
    return child ? child->SendChildNotifyLastMsg(pResult) : FALSE;
}

BOOL CWnd::SendChildNotifyLastMsg(LRESULT* pResult) {
    const MSG* current = GetCurrentMessage();
    return OnChildNotify(current->message, current->wParam, current->lParam, pResult);
}

// ---- state and geometry ---------------------------------------------------------------

BOOL CWnd::ShowWindow(int nCmdShow) {
    if (!m_pWidget)
        return FALSE;
    const BOOL wasVisible = m_pWidget->isVisible();
    switch (nCmdShow) {
    case SW_HIDE: m_pWidget->hide(); break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE: m_pWidget->showMinimized(); break;
    case SW_SHOWMAXIMIZED: m_pWidget->showMaximized(); break;
    case SW_RESTORE: m_pWidget->showNormal(); break;
    case SW_SHOWNOACTIVATE:
    case SW_SHOWNA:
        m_pWidget->setAttribute(Qt::WA_ShowWithoutActivating);
        m_pWidget->show();
        break;
    default: m_pWidget->show(); break;
    }
    return wasVisible;
}

BOOL CWnd::IsWindowVisible() const {
    return m_pWidget && m_pWidget->isVisible();
}

BOOL CWnd::EnableWindow(BOOL bEnable) {
    if (!m_pWidget)
        return FALSE;
    const BOOL wasDisabled = !m_pWidget->isEnabled();
    m_pWidget->setEnabled(bEnable != FALSE);
    return wasDisabled;
}

BOOL CWnd::IsWindowEnabled() const {
    return m_pWidget && m_pWidget->isEnabled();
}

void CWnd::MoveWindow(int x, int y, int nWidth, int nHeight, BOOL) {
    if (m_pWidget)
        m_pWidget->setGeometry(x, y, std::max(nWidth, 0), std::max(nHeight, 0));
}

void CWnd::MoveWindow(const RECT& rect, BOOL bRepaint) {
    MoveWindow(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, bRepaint);
}

void CWnd::GetClientRect(RECT* rect) const {
    if (!rect)
        return;
    *rect = m_pWidget ? RECT{0, 0, m_pWidget->width(), m_pWidget->height()} : RECT{};
}

void CWnd::GetWindowRect(RECT* rect) const {
    if (!rect)
        return;
    if (!m_pWidget) {
        *rect = RECT{};
        return;
    }
    QRect frame = m_pWidget->isWindow() ? m_pWidget->frameGeometry()
                                        : QRect(m_pWidget->mapToGlobal(QPoint(0, 0)), m_pWidget->size());
    *rect = RECT{frame.left(), frame.top(), frame.left() + frame.width(), frame.top() + frame.height()};
}

void CWnd::ClientToScreen(POINT* point) const {
    if (!point || !m_pWidget)
        return;
    const QPoint screen = m_pWidget->mapToGlobal(QPoint(point->x, point->y));
    *point = POINT{screen.x(), screen.y()};
}

void CWnd::ScreenToClient(POINT* point) const {
    if (!point || !m_pWidget)
        return;
    const QPoint client = m_pWidget->mapFromGlobal(QPoint(point->x, point->y));
    *point = POINT{client.x(), client.y()};
}

void CWnd::SetWindowText(const char* text) {
    SendMessage(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : ""));
}

void CWnd::GetWindowText(std::string& text) const {
    // Through the messages, so that a control keeping its text elsewhere answers for it.
    text.clear();
    const auto length = SendMessage(WM_GETTEXTLENGTH);
    if (length <= 0)
        return;
    std::string buffer(static_cast<std::size_t>(length) + 1, '\0');
    const auto copied = SendMessage(WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()));
    buffer.resize(static_cast<std::size_t>(std::max<LRESULT>(copied, 0)));
    text = std::move(buffer);
}

int CWnd::GetDlgCtrlID() const {
    if (!m_pWidget)
        return 0;
    bool ok = false;
    const int id = m_pWidget->objectName().toInt(&ok);
    return ok ? id : 0;
}

int CWnd::SetDlgCtrlID(int nID) {
    const int previous = GetDlgCtrlID();
    if (m_pWidget)
        m_pWidget->setObjectName(IdName(nID));
    return previous;
}

CWnd* CWnd::GetDlgItem(int nID) const {
    if (!m_pWidget)
        return nullptr;
    for (QWidget* widget : m_pWidget->findChildren<QWidget*>(IdName(nID)))
        if (CWnd* wnd = FromWidget(widget))
            return wnd;
    return nullptr;
}

CWnd* CWnd::GetParent() const {
    if (!m_pWidget)
        return nullptr;
    if (m_pWidget->isWindow())
        return FromHandle(m_hWndOwner);
    for (QWidget* above = m_pWidget->parentWidget(); above; above = above->parentWidget())
        if (CWnd* wnd = FromWidget(above))
            return wnd;
    return nullptr;
}

CWnd* CWnd::GetOwner() const {
    if (CWnd* owner = FromHandle(m_hWndOwner))
        return owner;
    return GetParent();
}

// Invalidate and UpdateWindow: paint.cpp.

int CWnd::GetWindowPlacement(WINDOWPLACEMENT* placement) const {
    if (!placement || !m_pWidget)
        return 0;
    WINDOWPLACEMENT filled;
    if (m_pWidget->isMinimized())
        filled.showCmd = SW_SHOWMINIMIZED;
    else if (m_pWidget->isMaximized())
        filled.showCmd = SW_SHOWMAXIMIZED;
    else
        filled.showCmd = m_pWidget->isVisible() ? SW_SHOWNORMAL : SW_HIDE;
    // The normal place is the frame the window has when neither minimized nor maximized.
    QRect normal = m_pWidget->isWindow() ? m_pWidget->frameGeometry() : m_pWidget->geometry();
    if (m_pWidget->isMinimized() || m_pWidget->isMaximized())
        normal = m_pWidget->normalGeometry();
    filled.rcNormalPosition = DesktopRect{normal.left(), normal.top(), normal.left() + normal.width(),
                                          normal.top() + normal.height()};
    *placement = filled;
    return 1;
}

int CWnd::SetWindowPlacement(const WINDOWPLACEMENT* placement) {
    if (!placement || !m_pWidget)
        return 0;
    const DesktopRect& normal = placement->rcNormalPosition;
    const QRect frame(normal.left, normal.top, normal.Width(), normal.Height());
    // The normal place first: a window minimized or maximized afterwards
    // comes back to it.
    if (m_pWidget->isMinimized() || m_pWidget->isMaximized())
        m_pWidget->showNormal();
    if (m_pWidget->isWindow()) {
        const QSize decoration = m_pWidget->frameGeometry().size() - m_pWidget->size();
        m_pWidget->move(frame.topLeft());
        m_pWidget->resize(frame.size() - decoration);
    } else {
        m_pWidget->setGeometry(frame);
    }
    switch (placement->showCmd) {
    case SW_HIDE:
        break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
        m_pWidget->showMinimized();
        break;
    case SW_SHOWMAXIMIZED:
        m_pWidget->showMaximized();
        break;
    default:
        m_pWidget->showNormal();
        break;
    }
    return 1;
}

// ---- focus, capture, timers -----------------------------------------------------------

CWnd* CWnd::SetFocus() {
    CWnd* previous = GetFocus();
    if (m_pWidget)
        m_pWidget->setFocus(Qt::OtherFocusReason);
    return previous;
}

CWnd* CWnd::GetFocus() {
    for (QWidget* widget = QApplication::focusWidget(); widget; widget = widget->parentWidget())
        if (CWnd* wnd = FromWidget(widget))
            return wnd;
    return nullptr;
}

CWnd* CWnd::SetCapture() {
    const HWND previous = g_capture;
    if (!m_hWnd)
        return FromHandle(previous);
    g_capture = m_hWnd;
    if (previous && previous != m_hWnd)
        ::SendMessage(previous, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(m_hWnd));
    return FromHandle(previous);
}

CWnd* CWnd::GetCapture() {
    return FromHandle(g_capture);
}

BOOL ReleaseCapture() {
    const HWND holder = g_capture;
    if (!holder)
        return FALSE;
    g_capture = nullptr;
    ::SendMessage(holder, WM_CAPTURECHANGED, 0, 0);
    return TRUE;
}

UINT_PTR CWnd::SetTimer(UINT_PTR nIDEvent, UINT nElapse) {
    if (!m_handle)
        return 0;
    // A timer restarted from its own handler at 0 ms would otherwise tick without end.
    return m_handle->SetTimer(nIDEvent, std::max(nElapse, kMinTimerElapse));
}

BOOL CWnd::KillTimer(UINT_PTR nIDEvent) {
    return m_handle && m_handle->KillTimer(nIDEvent) ? TRUE : FALSE;
}

// ---- the default handlers -------------------------------------------------------------

int CWnd::OnCreate(LPCREATESTRUCT) { return static_cast<int>(Default()); }
void CWnd::OnDestroy() { Default(); }
void CWnd::OnNcDestroy() { Default(); }
void CWnd::OnClose() { Default(); }
void CWnd::OnSize(UINT, int, int) { Default(); }
void CWnd::OnMove(int, int) { Default(); }
void CWnd::OnShowWindow(BOOL, UINT) { Default(); }
void CWnd::OnEnable(BOOL) { Default(); }
void CWnd::OnSetFocus(CWnd*) { Default(); }
void CWnd::OnKillFocus(CWnd*) { Default(); }
void CWnd::OnTimer(UINT_PTR) { Default(); }
void CWnd::OnActivateApp(BOOL, DWORD) { Default(); }
void CWnd::OnSysColorChange() { Default(); }
void CWnd::OnCancelMode() { Default(); }
void CWnd::OnCaptureChanged(CWnd*) { Default(); }
void CWnd::OnInitMenu(CMenu*) { Default(); }
void CWnd::OnInitMenuPopup(CMenu*, UINT, BOOL) { Default(); }
void CWnd::OnKeyDown(UINT, UINT, UINT) { Default(); }
void CWnd::OnKeyUp(UINT, UINT, UINT) { Default(); }
void CWnd::OnChar(UINT, UINT, UINT) { Default(); }
void CWnd::OnSysKeyDown(UINT, UINT, UINT) { Default(); }
void CWnd::OnSysKeyUp(UINT, UINT, UINT) { Default(); }
void CWnd::OnSysChar(UINT, UINT, UINT) { Default(); }
void CWnd::OnMouseMove(UINT, CPoint) { Default(); }
void CWnd::OnLButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnLButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnLButtonDblClk(UINT, CPoint) { Default(); }
void CWnd::OnRButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnRButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnRButtonDblClk(UINT, CPoint) { Default(); }
void CWnd::OnMButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnMButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnMButtonDblClk(UINT, CPoint) { Default(); }
BOOL CWnd::OnMouseWheel(UINT, short, CPoint) { return static_cast<BOOL>(Default()); }
void CWnd::OnContextMenu(CWnd*, CPoint) { Default(); }
