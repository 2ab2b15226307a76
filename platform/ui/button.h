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
// BS_OWNERDRAW: a push button that draws nothing itself; each paint sends
// WM_DRAWITEM to its parent (ownerdraw.h), which offers it to the button's
// DrawItem first. The item state has ODS_SELECTED while the button is down,
// ODS_FOCUS with the focus, ODS_DISABLED when disabled. BM_SETSTATE sets
// the pushed look by hand, BM_GETSTATE answers it (BST_PUSHED).
//
// User-interface thread only.
#pragma once

#include "platform/ui/ownerdraw.h"
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
inline constexpr DWORD BS_OWNERDRAW = 0x000B;
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

    // BM_SETSTATE: the pushed look (non-zero) or not; BM_GETSTATE answers
    // BST_PUSHED while pushed, with the check state.
    UINT GetState() const;
    void SetState(BOOL bHighlight);

    // An owner-drawn button's face; the base draws nothing.
    virtual void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct);
    // Takes WM_DRAWITEM for DrawItem; anything else as any window.
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    QWidget* CreateWidget(QWidget* parent, DWORD dwStyle) override;
};
