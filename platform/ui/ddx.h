// Dialog data exchange and validation: a dialog's DoDataExchange names, for
// each control, the member that holds its value and the checks that value
// must pass.
//
//     void CGoToDialog::DoDataExchange(CDataExchange* pDX) {
//         DDX_Text(pDX, IDC_MEASURE, m_nMeasure);
//         DDV_MinMaxInt(pDX, m_nMeasure, 1, 1000);
//         DDX_Check(pDX, IDC_SELECT, m_bSelect);
//     }
//
// UpdateData(FALSE) loads the controls from the members; UpdateData(TRUE)
// saves them back and checks them. A text that is not a number of the
// member's kind, or a value a DDV_ check refuses, tells the user through the
// prompts (prompt.h) — "Please enter an integer.", "Please enter an integer
// between %d and %d." and the like — then Fail gives that control the focus
// (an edit's text selected with EM_SETSEL (0, -1)) and throws CUserException,
// which UpdateData turns into FALSE: the dialog stays.
//
// DDX_Radio's control is the first radio button of a group (the one with
// WS_GROUP); the value is the index of the checked button among the radio
// buttons up to the next control with WS_GROUP, -1 when none is checked.
// DDX_Control hands a control's widget to a member object on the first
// exchange. A DDV_ check acts only when saving, on the control last named.
//
// User-interface thread only.
#pragma once

#include "platform/core/exceptions.h"
#include "platform/ui/wnd.h"

#include <string>

class CDataExchange {
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate) : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}

    BOOL m_bSaveAndValidate;   // TRUE: controls to members, checked
    CWnd* m_pDlgWnd;           // borrowed: the dialog

    // Names the control the next checks concern; answers its handle (null
    // when the dialog has no such control).
    HWND PrepareCtrl(int nIDC);
    HWND PrepareEditCtrl(int nIDC);
    // Focuses the control last named and throws CUserException.
    [[noreturn]] void Fail();

    int m_idLastControl = 0;
    BOOL m_bEditLastControl = FALSE;
};

// Runs `exchange(&dx)` with a data exchange of `wnd` in the direction asked
// (UpdateData of dialogs and form views); FALSE when a check failed, the user
// told and the control focused already.
template <class Exchange>
BOOL RunDataExchange(CWnd* wnd, BOOL bSaveAndValidate, Exchange exchange) {
    CDataExchange dx(wnd, bSaveAndValidate);
    try {
        exchange(&dx);
    } catch (const CUserException&) {
        return FALSE;
    }
    return TRUE;
}


void DDX_Text(CDataExchange* pDX, int nIDC, int& value);
void DDX_Text(CDataExchange* pDX, int nIDC, UINT& value);
void DDX_Text(CDataExchange* pDX, int nIDC, long& value);
void DDX_Text(CDataExchange* pDX, int nIDC, double& value);
void DDX_Text(CDataExchange* pDX, int nIDC, std::string& value);
void DDX_Check(CDataExchange* pDX, int nIDC, int& value);
void DDX_Radio(CDataExchange* pDX, int nIDC, int& value);
// The index of a combo box's selection, -1 for none; loading an index out of
// the list's range clears the selection.
void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index);
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);

void DDV_MinMaxInt(CDataExchange* pDX, int value, int minVal, int maxVal);
void DDV_MinMaxUInt(CDataExchange* pDX, UINT value, UINT minVal, UINT maxVal);
void DDV_MinMaxLong(CDataExchange* pDX, long value, long minVal, long maxVal);
void DDV_MinMaxDouble(CDataExchange* pDX, double value, double minVal, double maxVal);
// Loading limits the edit to `nChars` characters (EM_LIMITTEXT); saving
// refuses a longer text.
void DDV_MaxChars(CDataExchange* pDX, const std::string& value, int nChars);
