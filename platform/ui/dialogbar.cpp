#include "platform/ui/dialogbar.h"

#include <QWidget>

IMPLEMENT_DYNAMIC(CDialogBar, CControlBar)

namespace {

constexpr int kStretched = 32767;

}  // namespace

CDialogBar::CDialogBar() = default;

CDialogBar::~CDialogBar() {
    // The controls' objects go before the bar's window (see ~CControlBar).
    m_controls.clear();
}

BOOL CDialogBar::Create(CWnd* pParentWnd, UINT nIDTemplate, UINT nStyle, UINT nID) {
    const DialogTemplate* dialogTemplate = FindDialogTemplate(nIDTemplate);
    return dialogTemplate ? CreateIndirect(pParentWnd, *dialogTemplate, nStyle, nID) : FALSE;
}

BOOL CDialogBar::CreateIndirect(CWnd* pParentWnd, const DialogTemplate& dialogTemplate, UINT nStyle, UINT nID) {
    if (GetSafeHwnd())
        return FALSE;
    const CDialogUnits units(dialogTemplate.font);
    m_sizeDefault = units.MapDialogSize(dialogTemplate.size);
    // Hidden until its controls are made; then shown as the style says.
    if (!CreateBar(pParentWnd, nStyle & ~WS_VISIBLE, nID, CRect(CPoint(0, 0), m_sizeDefault)))
        return FALSE;
    GetWidget()->setFont(MakeDialogFont(dialogTemplate.font));
    m_controls = CreateDialogControls(*this, dialogTemplate, units);
    SetWindowText(dialogTemplate.caption.c_str());
    if (nStyle & WS_VISIBLE) {
        if (CWnd* frame = GetDockingFrame())
            ShowControlBar(frame, this, TRUE, FALSE);
        else
            ShowWindow(SW_SHOW);
    }
    return TRUE;
}

CSize CDialogBar::CalcFixedLayout(BOOL bStretch, BOOL bHorz) {
    if (!bStretch)
        return m_sizeDefault;
    return bHorz ? CSize(kStretched, m_sizeDefault.cy) : CSize(m_sizeDefault.cx, kStretched);
}

CSize CDialogBar::CalcDynamicLayout(int, DWORD dwMode) {
    if (dwMode & (LM_HORZDOCK | LM_VERTDOCK))
        return CalcFixedLayout((dwMode & LM_STRETCH) != 0, (dwMode & LM_HORZ) != 0);
    return m_sizeDefault;   // floating: the template's size, never stretched
}

BOOL CDialogBar::TakeOverDlgItem(int nID, CWnd& control) {
    return ::TakeOverDlgItem(m_controls, nID, control);
}
