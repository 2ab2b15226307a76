// CButton: a button, over the toolkit's buttons: push buttons (QPushButton),
// check boxes (QCheckBox), radio buttons (QRadioButton) and group boxes
// (QGroupBox, a titled frame that takes no input).
//
// A button made with Create has its id as object name and tells its parent
// window of a click with WM_COMMAND (id, BN_CLICKED) and its own handle; the
// parent offers it back to the button first (ON_CONTROL_REFLECT) and then
// routes it as a command (ON_BN_CLICKED, or ON_COMMAND of the id).
//
// The check state travels as messages (BM_GETCHECK, BM_SETCHECK) through the
// button's handlers to the widget, so a handler may watch or refuse them.
// BS_AUTOCHECKBOX and BS_AUTORADIOBUTTON check themselves when clicked; an
// automatic radio button then clears the other automatic radio buttons of its
// group: its siblings (in the order they were made) from the nearest one at
// or before it with WS_GROUP up to the next one with WS_GROUP. The plain
// forms (BS_CHECKBOX, BS_RADIOBUTTON) leave the check to their parent.
//
// User-interface thread only.
#pragma once

#include "platform/ui/wnd.h"

class QWidget;

// Constants rather than an enumeration, so that they combine with WS_ styles.
inline constexpr DWORD BS_PUSHBUTTON = 0x0000;
inline constexpr DWORD BS_DEFPUSHBUTTON = 0x0001;
inline constexpr DWORD BS_CHECKBOX = 0x0002;
inline constexpr DWORD BS_AUTOCHECKBOX = 0x0003;
inline constexpr DWORD BS_RADIOBUTTON = 0x0004;
inline constexpr DWORD BS_GROUPBOX = 0x0007;
inline constexpr DWORD BS_AUTORADIOBUTTON = 0x0009;
inline constexpr DWORD BS_TYPEMASK = 0x000F;

class CButton : public CWnd {
    DECLARE_DYNAMIC(CButton)
public:
    CButton() = default;

    // The button at `rect` in the parent (WS_CHILD is implied); its kind is
    // the style's BS_ type.
    BOOL Create(const char* lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

    // BST_CHECKED, BST_UNCHECKED (BST_INDETERMINATE is kept as checked).
    int GetCheck() const;
    void SetCheck(int nCheck);

    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    QWidget* CreateWidget(QWidget* parent, DWORD dwStyle) override;
};
