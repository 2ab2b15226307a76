#include "platform/ui/tooltip.h"

#include "platform/core/resources.h"
#include "platform/ui/control_support.h"
#include "platform/ui/wnd_private.h"

#include <QHelpEvent>
#include <QToolTip>
#include <QWidget>

#include <cstring>

namespace {

// The text a tool shows: its own, a string id's, or what its owner answers.
QString TipText(const CWnd& wnd, const CWnd& tipWnd, const TOOLINFO& tool) {
    const auto value = reinterpret_cast<std::uintptr_t>(tool.lpszText);
    if (tool.lpszText == nullptr)
        return {};
    if (tool.lpszText != LPSTR_TEXTCALLBACK) {
        if (value < 0x10000)
            return QString::fromStdString(LoadString(static_cast<unsigned>(value)));
        return QString::fromUtf8(tool.lpszText);
    }
    TOOLTIPTEXT ask;
    ask.uFlags = tool.uFlags;
    ask.lParam = tool.lParam;
    ask.hdr.hwndFrom = tipWnd.GetSafeHwnd();
    ask.hdr.idFrom = tool.uId;
    ask.hdr.code = TTN_NEEDTEXT;
    CWnd* owner = CWnd::FromHandle(tool.hwnd);
    if (!owner)
        owner = const_cast<CWnd*>(&wnd);
    owner->SendMessage(WM_NOTIFY, ask.hdr.idFrom, reinterpret_cast<LPARAM>(&ask));
    if (ask.lpszText && ask.lpszText != LPSTR_TEXTCALLBACK && ask.lpszText != ask.szText) {
        const auto id = reinterpret_cast<std::uintptr_t>(ask.lpszText);
        return id < 0x10000 ? QString::fromStdString(LoadString(static_cast<unsigned>(id)))
                            : QString::fromUtf8(ask.lpszText);
    }
    ask.szText[sizeof(ask.szText) - 1] = '\0';   // a handler may have filled it to the brim
    return QString::fromUtf8(ask.szText);
}

// Shows the tips of one window: the toolkit's tip events over it and its
// child widgets come here.
class CToolTipFilter : public QObject {
public:
    CToolTipFilter(QWidget* widget, HWND wnd) : QObject(widget), m_hWnd(wnd) {
        m_tipWnd.Create(nullptr, nullptr, 0, CRect(), nullptr, 0);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::ToolTip)
            return QObject::eventFilter(watched, event);
        CWnd* wnd = CWnd::FromHandle(m_hWnd);
        if (!wnd || !wnd->GetWidget())
            return false;
        auto* help = static_cast<QHelpEvent*>(event);
        const QPoint point = wnd->GetWidget()->mapFromGlobal(help->globalPos());
        TOOLINFO tool;
        const INT_PTR hit = wnd->OnToolHitTest(CPoint(point.x(), point.y()), &tool);
        const QString text = hit == -1 ? QString() : TipText(*wnd, m_tipWnd, tool);
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), text, wnd->GetWidget());
        return true;
    }

private:
    HWND m_hWnd;
    // The sender of TTN_NEEDTEXT: a hidden window of id 0, as a tip control is.
    CWnd m_tipWnd;
};

}  // namespace

char* lstrcpyn(char* dest, const char* source, int nMax) {
    if (!dest || nMax <= 0)
        return dest;
    platform_detail::CopyText(source ? std::string_view(source) : std::string_view(), dest,
                              static_cast<std::size_t>(nMax));
    return dest;
}

BOOL CWnd::EnableToolTips(BOOL bEnable) {
    const BOOL was = m_bToolTips ? TRUE : FALSE;
    if (!m_pWidget)
        return was;
    // (Not findChildren: the filter has no meta-object of its own to be told apart by.)
    for (QObject* child : m_pWidget->children())
        if (auto* filter = dynamic_cast<CToolTipFilter*>(child)) {
            m_pWidget->removeEventFilter(filter);
            delete filter;
            break;
        }
    m_bToolTips = bEnable != FALSE;
    if (m_bToolTips)
        m_pWidget->installEventFilter(new CToolTipFilter(m_pWidget, m_hWnd));
    return was;
}

INT_PTR CWnd::OnToolHitTest(CPoint point, TOOLINFO* pTI) const {
    if (!m_pWidget)
        return -1;
    for (QObject* object : m_pWidget->children()) {
        auto* widget = qobject_cast<QWidget*>(object);
        CWnd* child = widget ? FromWidget(widget) : nullptr;
        if (!child || !widget->isVisible() || !widget->geometry().contains(point.x, point.y))
            continue;
        const int id = child->GetDlgCtrlID();
        if (pTI && pTI->cbSize >= 40) {
            pTI->hwnd = m_hWnd;
            pTI->uId = reinterpret_cast<UINT_PTR>(child->m_hWnd);
            pTI->uFlags |= TTF_IDISHWND;
            pTI->lpszText = LPSTR_TEXTCALLBACK;
        }
        return id;
    }
    return -1;
}
