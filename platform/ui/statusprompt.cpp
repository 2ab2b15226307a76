// Prompts in a frame's message pane and the tips of bar controls (see statusprompt.h).
#include "platform/ui/statusprompt.h"

#include "platform/core/resources.h"
#include "platform/ui/controlbar.h"
#include "platform/ui/frame.h"
#include "platform/ui/menu.h"
#include "platform/ui/statusbar.h"
#include "platform/ui/tooltip.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

namespace {

// The control bar a widget is a control of, with the control's window; null
// when the widget is no bar's control.
CControlBar* BarOfControl(QWidget* widget, CWnd*& control) {
    control = CWnd::FromWidget(widget);
    if (!control)
        return nullptr;
    return DYNAMIC_DOWNCAST(CControlBar, control->GetParent());
}

// Tells a fly-by bar's owner where the pointer is: the control entered, or
// the idle message when it leaves one. One filter on the application sees
// every bar's controls, however they were made.
class CBarPromptFilter : public QObject {
public:
    bool eventFilter(QObject* object, QEvent* event) override {
        const QEvent::Type type = event->type();
        if ((type != QEvent::Enter && type != QEvent::Leave) || !object->isWidgetType())
            return false;
        CWnd* control = nullptr;
        CControlBar* bar = BarOfControl(static_cast<QWidget*>(object), control);
        if (!bar || !(bar->m_dwStyle & CBRS_FLYBY))
            return false;
        const int id = control->GetDlgCtrlID();
        CWnd* owner = bar->GetOwner();
        if (!owner || id <= 0)
            return false;
        owner->SendMessage(WM_SETMESSAGESTRING, type == QEvent::Enter ? static_cast<WPARAM>(id) : AFX_IDS_IDLEMESSAGE);
        return false;
    }
};

}  // namespace

std::string PromptMessage(UINT nID) {
    std::string text;
    if (!LoadString(nID, text))
        return {};
    return text.substr(0, text.find('\n'));
}

std::string PromptTip(UINT nID) {
    std::string text;
    if (!LoadString(nID, text))
        return {};
    const std::size_t newline = text.find('\n');
    return newline == std::string::npos ? std::string() : text.substr(newline + 1);
}

namespace platform_detail {

void WatchBarPrompts(CControlBar& bar) {
    static CBarPromptFilter* filter = nullptr;   // lives as long as the application
    if (!filter && QCoreApplication::instance()) {
        filter = new CBarPromptFilter;
        filter->setParent(QCoreApplication::instance());
        QCoreApplication::instance()->installEventFilter(filter);
        QObject::connect(filter, &QObject::destroyed, [] { filter = nullptr; });
    }
    if (bar.m_dwStyle & CBRS_TOOLTIPS)
        bar.EnableToolTips(TRUE);
}

}  // namespace platform_detail

// ---- the frame's side ---------------------------------------------------------------------

void CFrameWnd::GetMessageString(UINT nID, std::string& rMessage) const {
    rMessage = PromptMessage(nID);
}

void CFrameWnd::OnMenuSelect(UINT nItemID, UINT nFlags, CMenu* pMenu) {
    if (nFlags == MENUSELECT_CLOSED && !pMenu) {
        m_nIDTracking = 0;
        SendMessage(WM_SETMESSAGESTRING, AFX_IDS_IDLEMESSAGE);
        return;
    }
    // A submenu or a separator has no prompt: the pane goes blank, as it
    // does for a command without one.
    m_nIDTracking = (nFlags & (MF_POPUP | MF_SEPARATOR)) ? 0 : nItemID;
    SendMessage(WM_SETMESSAGESTRING, m_nIDTracking);
}

LRESULT CFrameWnd::OnSetMessageString(WPARAM wParam, LPARAM lParam) {
    const UINT previous = m_nIDLastMessage;
    CWnd* bar = GetMessageBar();
    if (!bar) {
        // A child frame's messages show in the frame around it.
        CFrameWnd* above = GetParentFrame();
        return above ? above->SendMessage(WM_SETMESSAGESTRING, wParam, lParam) : previous;
    }
    std::string text;
    if (lParam) {
        text = reinterpret_cast<const char*>(lParam);
    } else if (wParam) {
        GetMessageString(static_cast<UINT>(wParam), text);
    }
    m_nIDLastMessage = lParam ? 0 : static_cast<UINT>(wParam);
    SetMessageText(text.c_str());
    return previous;
}

BOOL CFrameWnd::OnToolTipText(UINT, NMHDR* pNMHDR, LRESULT* pResult) {
    auto* tip = reinterpret_cast<TOOLTIPTEXT*>(pNMHDR);
    if (!tip)
        return FALSE;
    UINT_PTR id = tip->hdr.idFrom;
    if (tip->uFlags & TTF_IDISHWND) {
        const CWnd* control = CWnd::FromHandle(reinterpret_cast<HWND>(id));
        id = control ? static_cast<UINT_PTR>(control->GetDlgCtrlID()) : 0;
    }
    if (id == 0 || id > 0xFFFF)
        return FALSE;   // no command: another handler may know the tool
    lstrcpyn(tip->szText, PromptTip(static_cast<UINT>(id)).c_str(), static_cast<int>(sizeof(tip->szText)));
    tip->lpszText = tip->szText;
    if (pResult)
        *pResult = 0;
    return TRUE;
}
