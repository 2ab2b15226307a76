#include "platform/ui/ddx.h"

#include "platform/ui/edit.h"

#include "platform/core/trace.h"
#include "platform/ui/button.h"
#include "platform/ui/dialog.h"
#include "platform/ui/dlgctrl.h"
#include "platform/ui/lists.h"
#include "platform/ui/prompt.h"

#include <QString>
#include <QWidget>

#include <limits>
#include <cstdio>

namespace {

// What the user is told, with the icon such warnings have always had.
void Tell(const std::string& text) {
    ShowPrompt(text, MB_OK | MB_ICONEXCLAMATION);
}

std::string Format(const char* format, auto... values) {
    char text[128];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

std::string FormatDouble(double value) {
    return Format("%.15g", value);
}

CWnd* Control(CDataExchange* pDX, int nIDC) {
    return pDX->m_pDlgWnd ? pDX->m_pDlgWnd->GetDlgItem(nIDC) : nullptr;
}

std::string ControlText(CDataExchange* pDX, int nIDC) {
    std::string text;
    if (CWnd* control = Control(pDX, nIDC))
        control->GetWindowText(text);
    return text;
}

void SetControlText(CDataExchange* pDX, int nIDC, const std::string& text) {
    if (CWnd* control = Control(pDX, nIDC))
        control->SetWindowText(text.c_str());
}

// Saves an integer text into `value` when it is one within [minVal, maxVal]
// (the member's own range); else tells `failure` and fails.
template <typename T>
void SaveInteger(CDataExchange* pDX, int nIDC, T& value, bool bSigned, const char* failure) {
    long long parsed = 0;
    if (!ParseDialogInteger(ControlText(pDX, nIDC), bSigned, parsed) ||
        parsed < static_cast<long long>(std::numeric_limits<T>::min()) ||
        parsed > static_cast<long long>(std::numeric_limits<T>::max())) {
        Tell(failure);
        pDX->Fail();
    }
    value = static_cast<T>(parsed);
}

template <typename T>
void ExchangeInteger(CDataExchange* pDX, int nIDC, T& value, bool bSigned, const char* failure) {
    pDX->PrepareEditCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
        SaveInteger(pDX, nIDC, value, bSigned, failure);
    else
        SetControlText(pDX, nIDC, std::to_string(value));
}

// Saving: a value outside [minVal, maxVal] is told and fails.
template <typename T>
void CheckRange(CDataExchange* pDX, T value, T minVal, T maxVal, const std::string& told) {
    if (pDX->m_bSaveAndValidate && (value < minVal || value > maxVal)) {
        Tell(told);
        pDX->Fail();
    }
}

bool IsRadio(const QWidget* widget) {
    const DWORD type = GetWidgetStyle(widget) & BS_TYPEMASK;
    return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}

}  // namespace

// ---- CDataExchange --------------------------------------------------------------------

HWND CDataExchange::PrepareCtrl(int nIDC) {
    m_idLastControl = nIDC;
    m_bEditLastControl = FALSE;
    CWnd* control = Control(this, nIDC);
    if (!control)
        Trace("DDX: the dialog has no control %d\n", nIDC);
    return control ? control->m_hWnd : nullptr;
}

HWND CDataExchange::PrepareEditCtrl(int nIDC) {
    HWND hWnd = PrepareCtrl(nIDC);
    m_bEditLastControl = TRUE;
    return hWnd;
}

void CDataExchange::Fail() {
    if (!m_bSaveAndValidate)
        Trace("DDX: a check failed while loading the controls\n");
    if (CWnd* control = Control(this, m_idLastControl)) {
        if (m_bEditLastControl) {
            FocusDialogControl(control->GetWidget());
        } else {
            control->SetFocus();
        }
    }
    throw CUserException();
}

// ---- exchanges ------------------------------------------------------------------------

void DDX_Text(CDataExchange* pDX, int nIDC, int& value) {
    ExchangeInteger(pDX, nIDC, value, true, "Please enter an integer.");
}

void DDX_Text(CDataExchange* pDX, int nIDC, UINT& value) {
    ExchangeInteger(pDX, nIDC, value, false, "Please enter a positive integer.");
}

void DDX_Text(CDataExchange* pDX, int nIDC, long& value) {
    ExchangeInteger(pDX, nIDC, value, true, "Please enter an integer.");
}

void DDX_Text(CDataExchange* pDX, int nIDC, double& value) {
    pDX->PrepareEditCtrl(nIDC);
    if (!pDX->m_bSaveAndValidate) {
        SetControlText(pDX, nIDC, FormatDouble(value));
        return;
    }
    double parsed = 0;
    if (!ParseDialogNumber(ControlText(pDX, nIDC), parsed)) {
        Tell("Please enter a number.");
        pDX->Fail();
    }
    value = parsed;
}

void DDX_Text(CDataExchange* pDX, int nIDC, std::string& value) {
    pDX->PrepareEditCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
        value = ControlText(pDX, nIDC);
    else
        SetControlText(pDX, nIDC, value);
}

void DDX_Check(CDataExchange* pDX, int nIDC, int& value) {
    HWND hWnd = pDX->PrepareCtrl(nIDC);
    if (!hWnd)
        return;
    if (pDX->m_bSaveAndValidate)
        value = static_cast<int>(SendMessage(hWnd, BM_GETCHECK, 0, 0));
    else
        SendMessage(hWnd, BM_SETCHECK, static_cast<WPARAM>(value), 0);
}

void DDX_Radio(CDataExchange* pDX, int nIDC, int& value) {
    pDX->PrepareCtrl(nIDC);
    CWnd* first = Control(pDX, nIDC);
    QWidget* firstWidget = first ? first->GetWidget() : nullptr;
    if (!firstWidget || !firstWidget->parentWidget())
        return;
    if (!(GetWidgetStyle(firstWidget) & WS_GROUP))
        Trace("DDX_Radio: control %d does not start a group\n", nIDC);
    const QList<QWidget*> siblings = firstWidget->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    if (pDX->m_bSaveAndValidate)
        value = -1;
    int index = 0;
    for (qsizetype i = siblings.indexOf(firstWidget); i < siblings.size(); ++i) {
        QWidget* widget = siblings[i];
        if (widget != firstWidget && (GetWidgetStyle(widget) & WS_GROUP))
            break;
        CWnd* button = CWnd::FromWidget(widget);
        if (!button || !IsRadio(widget))
            continue;
        if (pDX->m_bSaveAndValidate) {
            if (button->SendMessage(BM_GETCHECK) != BST_UNCHECKED)
                value = index;
        } else {
            button->SendMessage(BM_SETCHECK, index == value ? BST_CHECKED : BST_UNCHECKED);
        }
        ++index;
    }
}

void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index) {
    pDX->PrepareCtrl(nIDC);
    auto* combo = DYNAMIC_DOWNCAST(CComboBox, Control(pDX, nIDC));
    if (!combo)
        return;
    if (pDX->m_bSaveAndValidate)
        index = combo->GetCurSel();
    else
        combo->SetCurSel(index);
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
    if (rControl.GetSafeHwnd())
        return;   // taken over by an earlier exchange
    pDX->PrepareCtrl(nIDC);
    auto* dialog = DYNAMIC_DOWNCAST(CDialog, pDX->m_pDlgWnd);
    const BOOL taken = dialog ? dialog->TakeOverDlgItem(nIDC, rControl) : rControl.SubclassDlgItem(nIDC, pDX->m_pDlgWnd);
    if (!taken)
        Trace("DDX_Control: control %d could not be taken over\n", nIDC);
}

// ---- checks ---------------------------------------------------------------------------

void DDV_MinMaxInt(CDataExchange* pDX, int value, int minVal, int maxVal) {
    CheckRange(pDX, value, minVal, maxVal, Format("Please enter an integer between %d and %d.", minVal, maxVal));
}

void DDV_MinMaxUInt(CDataExchange* pDX, UINT value, UINT minVal, UINT maxVal) {
    CheckRange(pDX, value, minVal, maxVal, Format("Please enter an integer between %u and %u.", minVal, maxVal));
}

void DDV_MinMaxLong(CDataExchange* pDX, long value, long minVal, long maxVal) {
    CheckRange(pDX, value, minVal, maxVal, Format("Please enter an integer between %ld and %ld.", minVal, maxVal));
}

void DDV_MinMaxDouble(CDataExchange* pDX, double value, double minVal, double maxVal) {
    CheckRange(pDX, value, minVal, maxVal,
               "Please enter a number between " + FormatDouble(minVal) + " and " + FormatDouble(maxVal) + ".");
}

void DDV_MaxChars(CDataExchange* pDX, const std::string& value, int nChars) {
    CWnd* control = Control(pDX, pDX->m_idLastControl);
    if (!pDX->m_bSaveAndValidate) {
        if (control)
            control->SendMessage(EM_LIMITTEXT, static_cast<WPARAM>(nChars));
        return;
    }
    if (QString::fromStdString(value).size() > nChars) {
        Tell(Format("Please enter no more than %d characters.", nChars));
        pDX->Fail();
    }
}
