// MCCheckList: a one-column list whose items carry check boxes; the base of
// the track check list.
//
// An item's check is its state image: 1 unchecked, 2 checked (the item-state
// bits under LVIS_STATEIMAGEMASK). A click on an item's box toggles it and
// then goes on to the list, which selects the item as any click does; a click
// on the text only selects. The space bar toggles the first selected item (in
// index order) and goes no further; with nothing selected it is the list's,
// as is every other key. The list sends nothing of its own: its item-change
// notifications (LVN_ITEMCHANGED) report the new state images.
//
// The boxes are bitmap 11590 of this library (two 16-pixel images, red the
// mask); until that artwork is present a strip of the same layout is drawn here.
//
// Ownership: the state image list is the control's. User-interface thread only.
#pragma once

#include "platform/ui/imagelist.h"
#include "platform/ui/listctrl.h"
#include "platform/ui/msgmap.h"

class MCCheckList : public CListCtrl {
    DECLARE_DYNAMIC(MCCheckList)
public:
    // The check boxes' strip.
    static constexpr UINT IDB_CHECKBOXES = 11590;
    enum : int { STATE_UNCHECKED = 1, STATE_CHECKED = 2 };

    MCCheckList();
    ~MCCheckList() override;

    using CListCtrl::Create;
    // Makes the list, then InitWindow(checkFlag); 0 when the list was refused.
    virtual int Create(DWORD style, const RECT& rect, CWnd* parent, UINT id, int checkFlag);
    // Takes over control `id` of `parent` (a dialog's or a dialog bar's made
    // control, or any child widget of that id), then InitWindow(checkFlag).
    int SubclassCheckList(UINT id, CWnd* parent, int checkFlag);

    int GetCheck(int item) const;
    void SetCheck(int item, int check);
    void ToggleCheck(int item);

protected:
    // The column "Items" across the client (less a vertical scroll bar and two
    // borders) and, with `checkFlag`, the boxes as the state images.
    virtual void InitWindow(int checkFlag);

    afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
    afx_msg void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);

    CImageList m_stateImages;   // empty until InitWindow fills it

    DECLARE_MESSAGE_MAP()
};
