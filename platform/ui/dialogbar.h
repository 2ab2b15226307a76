// CDialogBar: a control bar laid out from a dialog template (dlgtemplate.h),
// the base of the frame's tool bars and of the floating tool windows.
//
// Create makes the bar's window the template's size (m_sizeDefault, in the
// template font's dialog units) with its controls made as a dialog makes them
// (dlgctrl.h), the template's caption as the bar's text (its title when
// floating). The bar keeps that size: CalcFixedLayout answers it, or the
// frame's whole width (height) with bStretch on a horizontal (vertical) edge;
// CalcDynamicLayout answers the same for the docked modes and the template
// size when floating.
//
// A control's notifications go to the bar's owner (the frame), as every
// control bar's do; on idle each control bound to a command asks the owner's
// update handlers, and a button whose command nobody handles is disabled.
//
// The objects made for the controls are the bar's and go with its window.
// User-interface thread only.
#pragma once

#include "platform/ui/controlbar.h"
#include "platform/ui/dlgctrl.h"
#include "platform/ui/dlgtemplate.h"

#include <vector>

class CDialogBar : public CControlBar {
    DECLARE_DYNAMIC(CDialogBar)
public:
    CDialogBar();
    ~CDialogBar() override;

    // From the template `nIDTemplate`, with the CBRS_ and WS_ bits of `nStyle`
    // and the id `nID`. FALSE when there is no such template or the window was refused.
    virtual BOOL Create(CWnd* pParentWnd, UINT nIDTemplate, UINT nStyle, UINT nID);
    // The same from a template given here (borrowed while the window lives).
    BOOL CreateIndirect(CWnd* pParentWnd, const DialogTemplate& dialogTemplate, UINT nStyle, UINT nID);

    CSize CalcFixedLayout(BOOL bStretch, BOOL bHorz) override;
    CSize CalcDynamicLayout(int nLength, DWORD dwMode) override;

    // Puts `control` in place of the object the bar made for the control
    // `nID` (dlgctrl.h); FALSE when there is no such control.
    BOOL TakeOverDlgItem(int nID, CWnd& control);

    CSize m_sizeDefault;   // the template's size, in pixels

private:
    std::vector<DialogControl> m_controls;   // the objects made for the controls
};
