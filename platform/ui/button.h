// CButton: a push button, over QPushButton.
//
// A button made with Create has its id as object name and tells its parent
// window of a click with WM_COMMAND (id, BN_CLICKED) and its own handle; the
// parent offers it back to the button first (ON_CONTROL_REFLECT) and then
// routes it as a command (ON_BN_CLICKED, or ON_COMMAND of the id).
//
// Only push buttons so far: BS_PUSHBUTTON and BS_DEFPUSHBUTTON (the default
// button of its window). User-interface thread only.
#pragma once

#include "platform/ui/wnd.h"

enum : DWORD {
    BS_PUSHBUTTON = 0x0000,
    BS_DEFPUSHBUTTON = 0x0001,
};

class CButton : public CWnd {
    DECLARE_DYNAMIC(CButton)
public:
    CButton() = default;

    // The button at `rect` in the parent (WS_CHILD is implied).
    BOOL Create(const char* lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

protected:
    QWidget* CreateWidget(QWidget* parent, DWORD dwStyle) override;
};
