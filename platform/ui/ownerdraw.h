// Owner-drawn controls: what a control drawn by its owner tells the owner.
//
// A button made with BS_OWNERDRAW, and a list or combo box made with
// LBS_OWNERDRAWFIXED / CBS_OWNERDRAWFIXED, draws nothing of its own: each
// time it is painted it sends WM_DRAWITEM to its parent with a DRAWITEMSTRUCT
// (lParam) whose DC draws on the control's own painted surface, in its client
// coordinates. A list or combo box asks the height of its items first with
// WM_MEASUREITEM (MEASUREITEMSTRUCT, lParam). The parent offers both to the
// control first (its OnChildNotify: CButton::DrawItem, CListBox::DrawItem and
// MeasureItem ...); what the control does not take goes to the parent's own
// message map (ON_WM_DRAWITEM, ON_WM_MEASUREITEM).
//
// The DC and the structures live for the one message: a handler keeps no
// pointer to them. User-interface thread only.
#pragma once

#include "platform/ui/geometry.h"
#include "platform/ui/messages.h"

#include <cstdint>

class CDC;

inline constexpr UINT WM_MEASUREITEM = 0x002C;

// The kind of control (CtlType).
enum : UINT { ODT_MENU = 1, ODT_LISTBOX = 2, ODT_COMBOBOX = 3, ODT_BUTTON = 4, ODT_STATIC = 5 };
// What to draw (itemAction).
enum : UINT { ODA_DRAWENTIRE = 0x0001, ODA_SELECT = 0x0002, ODA_FOCUS = 0x0004 };
// The item's state (itemState), bits.
enum : UINT {
    ODS_SELECTED = 0x0001,   // a button pressed, an item selected
    ODS_GRAYED = 0x0002,
    ODS_DISABLED = 0x0004,
    ODS_CHECKED = 0x0008,
    ODS_FOCUS = 0x0010,
    ODS_DEFAULT = 0x0020,
    ODS_COMBOBOXEDIT = 0x1000,
};

struct DRAWITEMSTRUCT {
    UINT CtlType = 0;
    UINT CtlID = 0;
    UINT itemID = 0;            // the item's index; (UINT)-1 for an empty list
    UINT itemAction = ODA_DRAWENTIRE;
    UINT itemState = 0;
    HWND hwndItem = nullptr;    // the control
    CDC* hDC = nullptr;         // borrowed for the message
    RECT rcItem{};              // in the control's client coordinates
    std::uintptr_t itemData = 0;
};
using LPDRAWITEMSTRUCT = DRAWITEMSTRUCT*;

struct MEASUREITEMSTRUCT {
    UINT CtlType = 0;
    UINT CtlID = 0;
    UINT itemID = 0;
    UINT itemWidth = 0;
    UINT itemHeight = 0;        // the owner fills it in
    std::uintptr_t itemData = 0;
};
using LPMEASUREITEMSTRUCT = MEASUREITEMSTRUCT*;

// ---- platform use (the controls' widgets) ----------------------------------------------

class QAbstractItemView;
class QPainter;
class QRect;
class QWidget;

// Asks the owner of `control` to draw one item on `painter` at `rect` (the
// control's coordinates, as rcItem gives them).
void PaintOwnerDrawnItem(QPainter* painter, QWidget* control, UINT ctlType, int itemID, const QRect& rect,
                         UINT itemState, std::uintptr_t itemData);
// The items of `view` are drawn and measured by the owner of `control` (all
// alike with one measure, or each measured when `variable`).
void InstallOwnerDraw(QAbstractItemView* view, QWidget* control, UINT ctlType, bool variable);
