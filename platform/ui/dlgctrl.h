// The controls of a dialog template: one small factory by kind that makes each
// control's window (a CWnd with its handle, over its widget), so every
// control's notifications reach the window that holds it.
//
// Each DialogControlKind has a maker: push buttons, check boxes, radio buttons
// and group boxes are CButtons; a label is a CStatic; an edit is a
// CEdit, whose selection messages pass through its handlers (which may refuse
// them) before its default handling; a combo box, a list box, a list view, a
// tree, an up-down (with UDS_AUTOBUDDY: the control made before it as its
// buddy), a slider, a scroll bar and a progress bar are CComboBox, CListBox,
// CListCtrl, CTreeCtrl, CSpinButtonCtrl, CSliderCtrl, CScrollBar and
// CProgressCtrl, each made with the template's style. A custom control is a
// plain window, so its id exists and a class may take it over. A library may
// put a maker of its own in place of any of these with SetDialogControlMaker.
//
// CreateDialogControls makes the controls of a template in a parent window, in
// tab order, with the template's font; each widget's object name is its id and
// its style is noted (GetWidgetStyle). A label (without SS_NOPREFIX) takes the
// next control that can have the focus as its buddy, so its access key ("&Name") focuses that
// control. The objects made are owned by the caller; a class that wants a
// control as its own object takes its widget over (TakeOverDlgItem).
//
// User-interface thread only.
#pragma once

#include "platform/ui/dlgtemplate.h"
#include "platform/ui/wnd.h"

#include <memory>
#include <string>
#include <vector>

// Edit messages the plain edit handles: EM_LIMITTEXT; EM_GETSEL answers MAKELONG(start, end)
// and fills the DWORDs wParam and lParam point to (when not null); EM_SETSEL
// selects from wParam to lParam (-1 as start removes the selection, -1 as end
// selects to the end).

// Makes the window of one control at `rect` (pixels) in `parent`; null when it
// could not be made.
using DialogControlMaker = std::unique_ptr<CWnd> (*)(const DialogItem& item, const CRect& rect, CWnd* parent);

// Registers the maker of a kind (null restores the plain one); answers the previous.
DialogControlMaker SetDialogControlMaker(DialogControlKind kind, DialogControlMaker maker);
DialogControlMaker GetDialogControlMaker(DialogControlKind kind);

// The controls of a template made in a window.
struct DialogControl {
    int id = 0;
    DialogControlKind kind = DialogControlKind::Static;
    QWidget* widget = nullptr;      // owned by the parent's widget
    std::unique_ptr<CWnd> window;   // the window made for it; null once a class took it over
};

// Makes the template's controls in `parent`, mapped with `units`; answers them
// in tab order. A control whose maker fails is left out.
std::vector<DialogControl> CreateDialogControls(CWnd& parent, const DialogTemplate& dialogTemplate,
                                                const CDialogUnits& units);

// Puts `control` in place of the window made for the control `nID`: the made
// window lets go of the widget and `control` takes it over. FALSE when there is
// no such control or `control` has a window already.
BOOL TakeOverDlgItem(std::vector<DialogControl>& controls, int nID, CWnd& control);

// A control's text as an integer, as dialogs read numbers: blanks before and
// after allowed, a sign ('-' only when `bSigned`), decimal digits; false when
// it is none (or out of a long long's range).
bool ParseDialogInteger(const std::string& text, bool bSigned, long long& value);
// The same for a decimal number (with a fraction and an exponent allowed).
bool ParseDialogNumber(const std::string& text, double& value);

// Whether a widget is one that takes typed text (an edit), to which the dialog
// sends EM_SETSEL (0, -1) when it is focused by Tab.
bool IsEditWidget(const QWidget* widget);

// ---- the focus of a dialog ----------------------------------------------------------

// Gives a control the focus; an edit then gets EM_SETSEL (0, -1) through its
// window's handlers, which may refuse it.
void FocusDialogControl(QWidget* control);
// Moves the focus to the next (or previous) control of the dialog window
// `dialog` that Tab reaches: visible, enabled and taking the focus by Tab, in
// tab order, wrapping round. Answers the control focused, null when none.
QWidget* MoveDialogFocus(QWidget* dialog, bool previous);
// The first control Tab reaches in `dialog`; null when none.
QWidget* FirstDialogTabStop(QWidget* dialog);

// The widget of a dialog window (CDialog, CPropertySheet): a child one for a
// page, else a top-level dialog that turns Escape and closing into the command
// IDCANCEL to its window and moves the focus on Tab with MoveDialogFocus.
QWidget* CreateDialogWidget(QWidget* parent, bool child);
