// CCommonDialog: what the common dialogs (file, colour, font) share. Each is
// a toolkit dialog this object takes over as its window for the length of
// DoModal, run by the modal loop (modal_loop.h: nested, or scripted under a
// CDialogScript by the dialog's class, with no template id) until EndDialog.
// Its OK and Cancel buttons are the controls IDOK and IDCANCEL, so scripts
// press them as in any dialog. User-interface thread only.
#pragma once

#include "platform/ui/modal_loop.h"
#include "platform/ui/prompt.h"   // IDOK, IDCANCEL
#include "platform/ui/wnd.h"

#include <memory>
#include <string>
#include <vector>

// The controls of the common dialogs, numbered as they always were.
inline constexpr int chx1 = 0x0410;   // 1040: the font's strikeout
inline constexpr int chx2 = 0x0411;   // 1041: the font's underline; the print's collation
inline constexpr int cmb1 = 0x0470;   // 1136: the file types; the font faces
inline constexpr int cmb2 = 0x0471;   // 1137: the font styles
inline constexpr int cmb3 = 0x0472;   // 1138: the font sizes
inline constexpr int cmb4 = 0x0473;   // 1139: the font colours
inline constexpr int edt1 = 0x0480;   // 1152: the file name
inline constexpr int edt3 = 0x0482;   // 1154: the print's copies
inline constexpr int psh2 = 0x0401;   // 1025: the printer's properties

class QDialog;
class QWidget;

// Whether a common dialog may write `path`, asked as the program asks:
// through the prompts (prompt.h), under `caption`. A folder, or a place that
// cannot be written, is told and refused; an existing file is replaced only
// when the user answers Yes.
bool MayWriteFile(const std::string& path, const std::string& caption);

class CCommonDialog : public CWnd {
    DECLARE_DYNAMIC(CCommonDialog)
public:
    explicit CCommonDialog(CWnd* pParentWnd = nullptr) : m_pParentWnd(pParentWnd) {}
    ~CCommonDialog() override;

    // Ends the dialog with `nResult` (IDOK, IDCANCEL) and hides it.
    void EndDialog(int nResult);

protected:
    // Takes `dialog` over as this window, shows it and runs its loop; then
    // destroys it. Answers IDOK or IDCANCEL (-1 when a window is open already).
    INT_PTR RunModal(QDialog* dialog);
    // Gives a control of the dialog an id (its object name) and a window of
    // its own (`window`, kept while the dialog lives), so GetDlgItem finds it.
    void AdoptControl(QWidget* widget, int nID, std::unique_ptr<CWnd> window = nullptr);
    // The OK and Cancel buttons of a dialog's button box become IDOK and IDCANCEL.
    void AdoptButtons(QDialog* dialog);
    // The widget the dialog's window belongs to: the parent's, else none.
    QWidget* GetParentWidget() const;
    // The dialog while it is open; null before and after.
    QDialog* GetDialog() const { return m_pDialog; }

    // A dialog whose window went meanwhile ends as cancelled.
    void PostNcDestroy() override;

    CWnd* m_pParentWnd;   // borrowed, may be null

private:
    QDialog* m_pDialog = nullptr;                  // this window's widget while open
    std::vector<std::unique_ptr<CWnd>> m_items;   // the windows of the adopted controls
    CModalLoop m_loop;
};
