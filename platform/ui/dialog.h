// CDialog: a dialog window made from its template (dlgtemplate.h), over a
// QDialog (a child widget for a page of a property sheet).
//
// The window is made with the template's caption, its client size in the
// template font's dialog units and that font; each control is made through
// the factory by kind (dlgctrl.h) and has its own CWnd and handle, so its
// notifications (BN_CLICKED ...) reach the dialog's message map. Then
// WM_INITDIALOG calls OnInitDialog (the base loads the data, UpdateData(FALSE));
// answering TRUE gives the focus to the first control Tab reaches.
//
// DoModal makes the window and runs its modal loop (modal_loop.h: nested, or
// scripted under a CDialogScript) until EndDialog; it destroys the window and
// answers EndDialog's result (-1 when the window could not be made or was
// destroyed without it). Create makes a modeless dialog, shown when its
// template has WS_VISIBLE.
//
// IDOK and IDCANCEL (buttons, Escape, the close box, WM_CLOSE) run OnOK and
// OnCancel: OnOK saves and checks the data (UpdateData(TRUE)), keeping the
// dialog open when that fails, then ends it with IDOK; OnCancel ends it with
// IDCANCEL. A command the dialog does not handle goes on to its owner.
//
// Focus: an edit given the focus by Tab (or as the first control, or by
// NextDlgCtrl, or when its data failed to check) gets EM_SETSEL (0, -1)
// through its window's handlers, which may refuse it.
//
// Controls taken over by a member object (DDX_Control, SubclassDlgItem) stay
// the dialog's widgets; the objects the dialog made for its controls are its
// own and go with its window. User-interface thread only.
#pragma once

#include "platform/ui/dlgctrl.h"
#include "platform/ui/dlgtemplate.h"
#include "platform/ui/modal_loop.h"
#include "platform/ui/prompt.h"
#include "platform/ui/wnd.h"

#include <cstdint>
#include <string>
#include <vector>

class CDataExchange;

using INT_PTR = std::intptr_t;

class CDialog : public CWnd {
    DECLARE_DYNAMIC(CDialog)
public:
    // A modeless dialog's object, made with Create.
    CDialog();
    // A modal dialog from the template `nIDTemplate`, owned by `pParentWnd`.
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    ~CDialog() override;

    virtual INT_PTR DoModal();
    // A modeless dialog from the template `nIDTemplate`; FALSE when there is
    // no such template or the window was refused.
    virtual BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    // The same from a template given here (borrowed while the window lives).
    BOOL CreateIndirect(const DialogTemplate& dialogTemplate, CWnd* pParentWnd = nullptr);
    // Ends the modal loop with `nResult` and hides the window.
    void EndDialog(int nResult);

    UINT GetTemplateID() const { return m_nIDTemplate; }
    // The template the window was made from; null before.
    const DialogTemplate* GetTemplate() const { return m_pTemplate; }
    // Dialog units to pixels in this dialog's font.
    void MapDialogRect(RECT* rect) const;

    // Moves data between the controls and the members (DoDataExchange): TRUE
    // to save and check it. FALSE when a check failed (the user was told).
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    // ---- controls --------------------------------------------------------------------

    LRESULT SendDlgItemMessage(int nID, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    // The control's text; answers its length in bytes (0 when there is no such control).
    int GetDlgItemText(int nID, std::string& text) const;
    void SetDlgItemText(int nID, const char* text);
    // The control's text as a number: leading and trailing blanks allowed, a
    // sign only when `bSigned`. *lpTrans tells whether it was one (0 answered when not).
    UINT GetDlgItemInt(int nID, BOOL* lpTrans = nullptr, BOOL bSigned = TRUE) const;
    void SetDlgItemInt(int nID, UINT nValue, BOOL bSigned = TRUE);
    void CheckDlgButton(int nID, UINT nCheck);
    UINT IsDlgButtonChecked(int nID) const;
    // Checks `nIDCheck` and clears the other buttons from `nIDFirst` to `nIDLast`.
    void CheckRadioButton(int nIDFirst, int nIDLast, int nIDCheck);
    // Moves the focus as Tab and Shift+Tab do; GotoDlgCtrl to one control.
    void NextDlgCtrl() const;
    void PrevDlgCtrl() const;
    void GotoDlgCtrl(CWnd* pWndCtrl);
    // Puts `control` in place of the object the dialog made for the control
    // `nID` (see dlgctrl.h); FALSE when there is no such control.
    BOOL TakeOverDlgItem(int nID, CWnd& control);

    // ---- handlers ----------------------------------------------------------------------

    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();

    // Own table, then the owner's (commands and their updates only).
    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    virtual void DoDataExchange(CDataExchange* pDX);
    // The window style the template's style becomes (a page makes it a child's).
    virtual DWORD AdjustStyle(DWORD dwStyle) const { return dwStyle; }
    QWidget* CreateWidget(QWidget* parent, DWORD dwStyle) override;
    // Ends a modal loop whose window went; a class that overrides it calls it.
    void PostNcDestroy() override;

    afx_msg LRESULT HandleInitDialog(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT HandleNextDlgCtl(WPARAM wParam, LPARAM lParam);

    UINT m_nIDTemplate = 0;
    CWnd* m_pParentWnd = nullptr;   // borrowed: the owner, may be null
    DECLARE_MESSAGE_MAP()

private:
    // Makes the window and its controls and initializes it; `modal` keeps it
    // hidden for DoModal to show.
    BOOL CreateFromTemplate(const DialogTemplate& dialogTemplate, CWnd* pParentWnd, bool modal);
    void ShowAndFocus();

    const DialogTemplate* m_pTemplate = nullptr;   // borrowed: registered, or given to CreateIndirect
    CDialogUnits m_units{0, 0};
    std::vector<DialogControl> m_controls;         // the objects made for the controls
    CModalLoop m_loop;
    bool m_bFocusFirst = false;                    // OnInitDialog asked for the first control's focus
};
