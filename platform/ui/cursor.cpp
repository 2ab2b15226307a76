// Cursors (see cursor.h).
#include "platform/ui/cursor.h"

#include "platform/ui/uiresources.h"
#include "platform/ui/wnd_private.h"

#include <QApplication>
#include <QCursor>
#include <QWidget>

#include <functional>
#include <map>
#include <memory>

namespace {

// The window WM_SETCURSOR is asking, while it is asked.
HWND t_asking = nullptr;
HCURSOR t_current = nullptr;
QPoint t_cursorPos;

Qt::CursorShape ShapeOf(unsigned idc) {
    switch (idc) {
    case IDC_IBEAM: return Qt::IBeamCursor;
    case IDC_WAIT: return Qt::WaitCursor;
    case IDC_CROSS: return Qt::CrossCursor;
    case IDC_UPARROW: return Qt::UpArrowCursor;
    case IDC_SIZENWSE: return Qt::SizeFDiagCursor;
    case IDC_SIZENESW: return Qt::SizeBDiagCursor;
    case IDC_SIZEWE: return Qt::SizeHorCursor;
    case IDC_SIZENS: return Qt::SizeVerCursor;
    case IDC_SIZEALL: return Qt::SizeAllCursor;
    case IDC_NO: return Qt::ForbiddenCursor;
    case IDC_HAND: return Qt::PointingHandCursor;
    case IDC_APPSTARTING: return Qt::BusyCursor;
    case IDC_HELP: return Qt::WhatsThisCursor;
    default: return Qt::ArrowCursor;
    }
}

// Handles are kept for the process, so that one id answers one handle.
template <typename Key>
HCURSOR Keep(std::map<Key, std::unique_ptr<QCursor>>& kept, Key key, const std::function<QCursor()>& make) {
    auto& slot = kept[key];
    if (!slot)
        slot = std::make_unique<QCursor>(make());
    return slot.get();
}

}  // namespace

HCURSOR LoadStandardCursor(unsigned idc) {
    static std::map<int, std::unique_ptr<QCursor>> standard;
    const Qt::CursorShape shape = ShapeOf(idc);
    return Keep<int>(standard, static_cast<int>(shape), [shape] { return QCursor(shape); });
}

HCURSOR LoadResourceCursor(unsigned id) {
    static std::map<unsigned, std::unique_ptr<QCursor>> resources;
    return Keep<unsigned>(resources, id, [id] { return LoadCursor(id); });
}

HCURSOR SetCursor(HCURSOR cursor) {
    const HCURSOR previous = GetCursor();
    t_current = cursor ? cursor : LoadStandardCursor(IDC_ARROW);
    CWnd* wnd = CWnd::FromHandle(t_asking);
    if (!wnd)
        wnd = CWnd::GetCapture();
    QWidget* widget = wnd ? wnd->GetWidget() : QApplication::widgetAt(QCursor::pos());
    if (widget)
        widget->setCursor(*t_current);
    return previous;
}

HCURSOR GetCursor() {
    return t_current ? t_current : LoadStandardCursor(IDC_ARROW);
}

CWaitCursor::CWaitCursor() {
    QApplication::setOverrideCursor(*LoadStandardCursor(IDC_WAIT));
    m_bShown = true;
}

CWaitCursor::~CWaitCursor() {
    if (m_bShown)
        QApplication::restoreOverrideCursor();
}

void CWaitCursor::Restore() {
    if (m_bShown)
        QApplication::changeOverrideCursor(*LoadStandardCursor(IDC_WAIT));
}

BOOL GetCursorPos(POINT* point) {
    if (point)
        *point = POINT{t_cursorPos.x(), t_cursorPos.y()};
    return TRUE;
}

namespace platform_detail {

void NoteCursorPos(QPoint global) {
    t_cursorPos = global;
}

void SendSetCursor(CWnd& wnd) {
    const HWND previous = t_asking;
    t_asking = wnd.m_hWnd;
    wnd.SendMessage(WM_SETCURSOR, reinterpret_cast<WPARAM>(wnd.m_hWnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    t_asking = previous;
}

LRESULT DefaultSetCursorProc(CWnd& wnd, WPARAM wParam, LPARAM lParam) {
    // The parent first: it may set the cursor for its children.
    if (CWnd* parent = wnd.GetParent(); parent && !wnd.GetWidget()->isWindow())
        return parent->SendMessage(WM_SETCURSOR, wParam, lParam);
    return FALSE;
}

}  // namespace platform_detail

BOOL CWnd::OnSetCursor(CWnd*, UINT, UINT) {
    return static_cast<BOOL>(Default());
}
