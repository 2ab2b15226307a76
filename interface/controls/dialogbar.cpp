#include "interface/controls/dialogbar.h"

#include "platform/core/resources.h"
#include "platform/ui/app.h"
#include "platform/ui/button.h"
#include "platform/ui/help.h"
#include "platform/ui/placement.h"
#include "platform/ui/tooltip.h"

#include <QAbstractButton>
#include <QWidget>

IMPLEMENT_DYNAMIC(MCDialogBar, CDialogBar)

BEGIN_MESSAGE_MAP(MCDialogBar, CDialogBar)
    ON_MESSAGE(WM_COMMANDHELP, &MCDialogBar::OnCommandHelp)
    ON_MESSAGE(WM_HELPHITTEST, &MCDialogBar::OnHelpHitTest)
END_MESSAGE_MAP()

namespace {

// The bar's child windows, in the order they were made.
template <class Visit>
void ForEachChild(const CWnd& bar, Visit visit) {
    if (QWidget* widget = bar.GetWidget())
        for (QObject* object : widget->children())
            if (auto* child = qobject_cast<QWidget*>(object))
                if (CWnd* wnd = CWnd::FromWidget(child))
                    if (!visit(*wnd, *child))
                        return;
}

// Whether the child calls itself a button (the tip goes beside a button,
// centred under anything else).
bool IsButton(CWnd& child, const QWidget& widget) {
    return child.IsKindOf(RUNTIME_CLASS(CButton)) || qobject_cast<const QAbstractButton*>(&widget);
}

}  // namespace

MCDialogBar::MCDialogBar() = default;
MCDialogBar::~MCDialogBar() = default;

int MCDialogBar::Create(CWnd* parent, UINT id) {
    constexpr UINT style = WS_CHILD | WS_VISIBLE | CBRS_TOP | CBRS_TOOLTIPS | CBRS_FLYBY;
    if (!CDialogBar::Create(parent, id, style, id))
        return 0;
    InitBar();
    std::string title;
    if (LoadString(id, title))
        SetWindowText(title.c_str());
    return 1;
}

void MCDialogBar::InitBar() {}

DWORD MCDialogBar::GetHelpContext() const {
    return static_cast<DWORD>(GetDlgCtrlID()) + HID_BASE_RESOURCE;
}

LRESULT MCDialogBar::OnCommandHelp(WPARAM, LPARAM lParam) {
    const DWORD_PTR context = lParam ? static_cast<DWORD_PTR>(lParam) : GetHelpContext();
    if (CWinApp* app = AfxGetApp())
        app->WinHelp(context, CWinApp::HELP_CONTEXT);
    return 1;
}

LRESULT MCDialogBar::OnHelpHitTest(WPARAM, LPARAM) {
    return static_cast<LRESULT>(GetHelpContext());
}

CSize MCDialogBar::CalcFixedLayout(BOOL, BOOL) {
    return m_sizeDefault;
}

void MCDialogBar::ShowChildren(int nCmdShow) {
    ForEachChild(*this, [nCmdShow](CWnd& child, QWidget&) {
        child.ShowWindow(nCmdShow);
        return true;
    });
}

INT_PTR MCDialogBar::OnToolHitTest(CPoint point, TOOLINFO* pTI) const {
    ClientToScreen(&point);
    INT_PTR hit = -1;
    ForEachChild(*this, [&](CWnd& child, QWidget& widget) {
        const int id = child.GetDlgCtrlID();
        if (!widget.isVisible() || id == -1)
            return true;
        CRect rect;
        child.GetWindowRect(&rect);
        if (!rect.PtInRect(point))
            return true;
        hit = id & 0xFFFF;
        if (pTI && pTI->cbSize >= 40) {
            pTI->hwnd = GetSafeHwnd();
            pTI->uId = reinterpret_cast<UINT_PTR>(child.GetSafeHwnd());
            pTI->uFlags |= TTF_IDISHWND;
            pTI->lpszText = LPSTR_TEXTCALLBACK;
            if (!IsButton(child, widget))
                pTI->uFlags |= TTF_NOTBUTTON | TTF_CENTERTIP;
        }
        return false;
    });
    return hit;
}
