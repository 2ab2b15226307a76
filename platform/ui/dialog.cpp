#include "platform/ui/dialog.h"

#include "platform/core/trace.h"
#include "platform/ui/button.h"
#include "platform/ui/ddx.h"
#include "platform/ui/wnd_private.h"

#include <QApplication>
#include <QDialog>
#include <QFont>
#include <QScreen>
#include <QWidget>

#include <cstdint>

IMPLEMENT_DYNAMIC(CDialog, CWnd)

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_COMMAND(IDOK, &CDialog::OnOK)
    ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
    ON_MESSAGE(WM_INITDIALOG, &CDialog::HandleInitDialog)
    ON_MESSAGE(WM_NEXTDLGCTL, &CDialog::HandleNextDlgCtl)
END_MESSAGE_MAP()

CDialog::CDialog() = default;

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd) : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

CDialog::~CDialog() {
    if (m_hWnd)
        DestroyWindow();   // while this is still a dialog: its loop ends
}

// ---- making the window ----------------------------------------------------------------

QWidget* CDialog::CreateWidget(QWidget* parent, DWORD dwStyle) {
    return CreateDialogWidget(parent, (dwStyle & WS_CHILD) != 0);
}

BOOL CDialog::CreateFromTemplate(const DialogTemplate& dialogTemplate, CWnd* pParentWnd, bool modal) {
    if (m_hWnd)
        return FALSE;
    m_pTemplate = &dialogTemplate;
    m_units = CDialogUnits(dialogTemplate.font);
    m_controls.clear();
    m_loop.Reset();
    const DWORD style = AdjustStyle(dialogTemplate.style) & ~WS_VISIBLE;
    const CRect place(CPoint(0, 0), m_units.MapDialogSize(dialogTemplate.size));
    if (!CWnd::Create(nullptr, dialogTemplate.caption.c_str(), style, place, pParentWnd, m_nIDTemplate))
        return FALSE;
    QWidget* widget = GetWidget();
    widget->setFont(MakeDialogFont(dialogTemplate.font));
    if (auto* dialog = qobject_cast<QDialog*>(widget)) {
        dialog->setModal(modal);
        dialog->setFixedSize(place.Width(), place.Height());
    }
    m_controls = CreateDialogControls(*this, dialogTemplate, m_units);
    // The first control Tab reaches, for WM_INITDIALOG's handler.
    SendMessage(WM_INITDIALOG, 0, 0);
    return m_hWnd != nullptr;
}

void CDialog::ShowAndFocus() {
    QWidget* widget = GetWidget();
    if (!widget)
        return;
    if (widget->isWindow()) {
        // Over the owner's window, else the screen, as the system centres dialogs.
        QWidget* owner = m_pParentWnd && m_pParentWnd->GetWidget() ? m_pParentWnd->GetWidget()->window() : nullptr;
        const QRect area = owner && owner->isVisible() ? owner->frameGeometry()
                           : widget->screen()              ? widget->screen()->availableGeometry()
                                                           : QRect();
        if (area.isValid())
            widget->move(area.center() - QPoint(widget->width() / 2, widget->height() / 2));
    }
    widget->show();
    if (widget->isWindow())
        widget->activateWindow();
    if (m_bFocusFirst) {
        m_bFocusFirst = false;
        FocusDialogControl(FirstDialogTabStop(widget->window()));
    }
}

INT_PTR CDialog::DoModal() {
    const DialogTemplate* dialogTemplate = FindDialogTemplate(m_nIDTemplate);
    if (!dialogTemplate) {
        Trace("CDialog::DoModal: no dialog template %u\n", m_nIDTemplate);
        return -1;
    }
    if (!CreateFromTemplate(*dialogTemplate, m_pParentWnd, true))
        return -1;
    if (!m_loop.IsEnded())
        ShowAndFocus();
    const int result = m_loop.Run(*this, m_nIDTemplate, [this] {
        SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    });
    DestroyWindow();
    return result;
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd) {
    const DialogTemplate* dialogTemplate = FindDialogTemplate(nIDTemplate);
    if (!dialogTemplate) {
        Trace("CDialog::Create: no dialog template %u\n", nIDTemplate);
        return FALSE;
    }
    m_nIDTemplate = nIDTemplate;
    return CreateIndirect(*dialogTemplate, pParentWnd);
}

BOOL CDialog::CreateIndirect(const DialogTemplate& dialogTemplate, CWnd* pParentWnd) {
    m_pParentWnd = pParentWnd;
    if (!CreateFromTemplate(dialogTemplate, pParentWnd, false))
        return FALSE;
    if (dialogTemplate.style & WS_VISIBLE)
        ShowAndFocus();
    return TRUE;
}

void CDialog::EndDialog(int nResult) {
    m_loop.End(nResult);
    if (QWidget* widget = GetWidget(); widget && widget->isWindow())
        widget->hide();
}

void CDialog::PostNcDestroy() {
    if (m_loop.IsRunning() && !m_loop.IsEnded())
        m_loop.End(m_loop.GetResult());
}

void CDialog::MapDialogRect(RECT* rect) const {
    m_units.MapDialogRect(rect);
}

// ---- messages -------------------------------------------------------------------------

LRESULT CDialog::HandleInitDialog(WPARAM, LPARAM) {
    // The focus goes to the first control once the window shows (ShowAndFocus).
    m_bFocusFirst = OnInitDialog() != FALSE;
    return m_bFocusFirst ? TRUE : FALSE;
}

LRESULT CDialog::HandleNextDlgCtl(WPARAM wParam, LPARAM lParam) {
    QWidget* widget = GetWidget();
    if (!widget)
        return 0;
    if (LOWORD(static_cast<std::uintptr_t>(lParam)) != 0) {
        if (CWnd* control = CWnd::FromHandle(reinterpret_cast<HWND>(wParam)))
            FocusDialogControl(control->GetWidget());
    } else {
        MoveDialogFocus(widget->window(), wParam != 0);
    }
    return 0;
}

LRESULT CDialog::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE && !platform_detail::TakeEventDefault(*this, message)) {
        // Closing a dialog is its Cancel (the close box reaches the same through the widget).
        SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        return 0;
    }
    return CWnd::DefWindowProc(message, wParam, lParam);
}

BOOL CDialog::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
    if (CWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo))
        return TRUE;
    if (nCode != CN_COMMAND && nCode != CN_UPDATE_COMMAND_UI)
        return FALSE;
    if (nID == 0 || nID >= 0xF000)
        return FALSE;   // not a command, or a system command
    CWnd* owner = GetOwner();
    return owner && owner != this ? owner->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo) : FALSE;
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    if (!UpdateData(TRUE))
        return;   // the user was told; the dialog stays
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate) {
    return RunDataExchange(this, bSaveAndValidate, [this](CDataExchange* pDX) { DoDataExchange(pDX); });
}

// ---- controls -------------------------------------------------------------------------

LRESULT CDialog::SendDlgItemMessage(int nID, UINT message, WPARAM wParam, LPARAM lParam) const {
    CWnd* control = GetDlgItem(nID);
    return control ? control->SendMessage(message, wParam, lParam) : 0;
}

int CDialog::GetDlgItemText(int nID, std::string& text) const {
    text.clear();
    if (CWnd* control = GetDlgItem(nID))
        control->GetWindowText(text);
    return static_cast<int>(text.size());
}

void CDialog::SetDlgItemText(int nID, const char* text) {
    if (CWnd* control = GetDlgItem(nID))
        control->SetWindowText(text);
}

UINT CDialog::GetDlgItemInt(int nID, BOOL* lpTrans, BOOL bSigned) const {
    if (lpTrans)
        *lpTrans = FALSE;
    std::string text;
    if (!GetDlgItem(nID))
        return 0;
    GetDlgItemText(nID, text);
    long long value = 0;
    if (!ParseDialogInteger(text, bSigned != FALSE, value))
        return 0;
    const bool fits = bSigned ? value >= INT32_MIN && value <= INT32_MAX : value >= 0 && value <= UINT32_MAX;
    if (!fits)
        return 0;
    if (lpTrans)
        *lpTrans = TRUE;
    return static_cast<UINT>(value);
}

void CDialog::SetDlgItemInt(int nID, UINT nValue, BOOL bSigned) {
    const std::string text = bSigned ? std::to_string(static_cast<int>(nValue)) : std::to_string(nValue);
    SetDlgItemText(nID, text.c_str());
}

void CDialog::CheckDlgButton(int nID, UINT nCheck) {
    SendDlgItemMessage(nID, BM_SETCHECK, nCheck);
}

UINT CDialog::IsDlgButtonChecked(int nID) const {
    return static_cast<UINT>(SendDlgItemMessage(nID, BM_GETCHECK));
}

void CDialog::CheckRadioButton(int nIDFirst, int nIDLast, int nIDCheck) {
    for (int nID = nIDFirst; nID <= nIDLast; ++nID)
        SendDlgItemMessage(nID, BM_SETCHECK, nID == nIDCheck ? BST_CHECKED : BST_UNCHECKED);
}

void CDialog::NextDlgCtrl() const {
    SendMessage(WM_NEXTDLGCTL, 0, 0);
}

void CDialog::PrevDlgCtrl() const {
    SendMessage(WM_NEXTDLGCTL, 1, 0);
}

void CDialog::GotoDlgCtrl(CWnd* pWndCtrl) {
    if (pWndCtrl)
        SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(pWndCtrl->m_hWnd), TRUE);
}

BOOL CDialog::TakeOverDlgItem(int nID, CWnd& control) {
    return ::TakeOverDlgItem(m_controls, nID, control);
}
