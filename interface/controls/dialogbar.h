// MCDialogBar: the base of the main frame's tool bars — a dialog bar that
// keeps its template's size wherever it is docked, and gives context help for
// itself and tool tips for its controls.
//
// Create makes the bar from the template of its id, visible, docked at the
// top, with tool tips and fly-by status texts; a derived bar makes and loads
// its controls in InitBar; the string of the same id becomes the bar's title.
// Help, by F1 (WM_COMMANDHELP) or by a Shift+F1 click (WM_HELPHITTEST), is
// the bar's resource context: its id + HID_BASE_RESOURCE, shown through the
// application's WinHelp.
//
// User-interface thread only.
#pragma once

#include "platform/ui/dialogbar.h"
#include "platform/ui/msgmap.h"

class MCDialogBar : public CDialogBar {
    DECLARE_DYNAMIC(MCDialogBar)
public:
    MCDialogBar();
    ~MCDialogBar() override;

    using CDialogBar::Create;
    // From template `id`, with `id` as the bar's id; 0 when that fails.
    virtual int Create(CWnd* parent, UINT id);
    // Derived bars make their controls here; the base has none to make.
    virtual void InitBar();
    // lParam is the help context; 0 asks for the bar's. Answers 1: shown.
    afx_msg virtual LRESULT OnCommandHelp(WPARAM wParam, LPARAM lParam);
    // The bar's help context, wherever it was clicked.
    afx_msg virtual LRESULT OnHelpHitTest(WPARAM wParam, LPARAM lParam);

    // The template's size, docked or not: the bar never stretches along the frame.
    CSize CalcFixedLayout(BOOL bStretch, BOOL bHorz) override;
    // Shows every child window with `nCmdShow` (the frame passes SW_SHOWNOACTIVATE).
    void ShowChildren(int nCmdShow);
    // The first visible child with an id (not -1) whose window holds the
    // point; fills `pTI` for a tip asked of the bar by callback.
    INT_PTR OnToolHitTest(CPoint point, TOOLINFO* pTI) const override;

    // The help context of the bar's resource.
    DWORD GetHelpContext() const;

    DECLARE_MESSAGE_MAP()
};
