// CListCtrl: a list of items with columns, over a Qt tree view without
// branches (the report view, LVS_REPORT), or the items' first column only in
// rows of small icons and labels flowing across and wrapping (LVS_SMALLICON)
// or in columns flowing down (LVS_LIST), over a Qt list view.
//
// Each item has a text per column, an image of the small image list, item
// data and a state: LVIS_SELECTED, LVIS_FOCUSED and a state image in the bits
// under LVIS_STATEIMAGEMASK (0xF000; INDEXTOSTATEIMAGEMASK(1) is the first
// image of the state image list, 0 none). The state image is drawn before the
// item's image; HitTest tells it apart (LVHT_ONITEMSTATEICON) from the image
// and the label.
//
// Every change of an item's state, by code (SetItemState) or by the user
// (selecting, or clicking the state image with LVS_EX_CHECKBOXES, which
// toggles it between 1 and 2 and leaves the selection alone), sends the
// parent one WM_NOTIFY with LVN_ITEMCHANGED (NMLISTVIEW: old and new state,
// LVIF_STATE). A click on the state image reaches the control's handlers as
// WM_LBUTTONDOWN first, so a derived list may toggle it itself.
//
// LVS_ICON (large icons) is not built: it shows as the report view's first
// column. User-interface thread only.
#pragma once

#include "platform/ui/imagelist.h"
#include "platform/ui/wnd.h"

#include <memory>
#include <string>

inline constexpr DWORD LVS_ICON = 0x0000;
inline constexpr DWORD LVS_REPORT = 0x0001;
inline constexpr DWORD LVS_SMALLICON = 0x0002;
inline constexpr DWORD LVS_LIST = 0x0003;
inline constexpr DWORD LVS_TYPEMASK = 0x0003;
inline constexpr DWORD LVS_SINGLESEL = 0x0004;
inline constexpr DWORD LVS_SHOWSELALWAYS = 0x0008;
inline constexpr DWORD LVS_NOCOLUMNHEADER = 0x4000;
inline constexpr DWORD LVS_EX_CHECKBOXES = 0x0004;
inline constexpr DWORD LVS_EX_FULLROWSELECT = 0x0020;

enum : UINT {
    LVIS_FOCUSED = 0x0001,
    LVIS_SELECTED = 0x0002,
    LVIS_STATEIMAGEMASK = 0xF000,
    LVIF_TEXT = 0x0001,
    LVIF_IMAGE = 0x0002,
    LVIF_PARAM = 0x0004,
    LVIF_STATE = 0x0008,
    LVSIL_NORMAL = 0,
    LVSIL_SMALL = 1,
    LVSIL_STATE = 2,
    LVHT_NOWHERE = 0x0001,
    LVHT_ONITEMICON = 0x0002,
    LVHT_ONITEMLABEL = 0x0004,
    LVHT_ONITEMSTATEICON = 0x0008,
    LVHT_ONITEM = 0x000E,
    LVNI_ALL = 0x0000,
    LVNI_FOCUSED = 0x0001,
    LVNI_SELECTED = 0x0002,
    LVCFMT_LEFT = 0x0000,
    LVCFMT_RIGHT = 0x0001,
    LVCFMT_CENTER = 0x0002,
};

inline constexpr UINT LVN_ITEMCHANGED = static_cast<UINT>(-101);

// What LVN_ITEMCHANGED carries.
struct NMLISTVIEW {
    NMHDR hdr;
    int iItem = -1;
    int iSubItem = 0;
    UINT uNewState = 0;
    UINT uOldState = 0;
    UINT uChanged = 0;   // LVIF_STATE
    POINT ptAction;
    LPARAM lParam = 0;   // the item's data
};

class CListCtrl : public CWnd {
    DECLARE_DYNAMIC(CListCtrl)
public:
    CListCtrl();
    ~CListCtrl() override;

    virtual BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

    DWORD SetExtendedStyle(DWORD dwNewStyle);
    DWORD GetExtendedStyle() const { return m_dwExStyle; }

    int InsertColumn(int nCol, const char* lpszColumnHeading, int nFormat = LVCFMT_LEFT, int nWidth = -1,
                     int nSubItem = -1);
    BOOL DeleteColumn(int nCol);
    int GetColumnWidth(int nCol) const;
    BOOL SetColumnWidth(int nCol, int cx);

    int GetItemCount() const;
    int InsertItem(int nItem, const char* lpszItem, int nImage = -1);
    BOOL DeleteItem(int nItem);
    BOOL DeleteAllItems();
    BOOL SetItemText(int nItem, int nSubItem, const char* lpszText);
    std::string GetItemText(int nItem, int nSubItem) const;
    BOOL SetItemData(int nItem, DWORD_PTR dwData);
    DWORD_PTR GetItemData(int nItem) const;
    BOOL SetItemState(int nItem, UINT nState, UINT nMask);
    UINT GetItemState(int nItem, UINT nMask) const;
    // The state image is 2 (checked) or 1 (unchecked).
    BOOL GetCheck(int nItem) const;
    BOOL SetCheck(int nItem, BOOL fCheck = TRUE);
    int GetNextItem(int nItem, int nFlags) const;
    UINT GetSelectedCount() const;
    BOOL EnsureVisible(int nItem, BOOL bPartialOK);

    // Answers the previous list (which stays the caller's); the control does
    // not own its image lists.
    CImageList* SetImageList(CImageList* pImageList, int nImageListType);
    CImageList* GetImageList(int nImageList) const;

    // The item at the point (client coordinates), -1 for none; pFlags says
    // where on the item (LVHT_*).
    int HitTest(CPoint pt, UINT* pFlags = nullptr) const;

protected:
    QWidget* CreateWidget(QWidget* parent, DWORD dwStyle) override;
    // A click on a state image with LVS_EX_CHECKBOXES.
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    friend class CListSync;   // listctrl.cpp: the user's selection into the items' states

    // Sets the state bits and tells the parent; the one path of every change.
    void ChangeState(int nItem, UINT nNewState, bool fromView);
    void UpdateDecoration(int nItem);
    void UpdateIconSize();

    DWORD m_dwStyle = 0;
    DWORD m_dwExStyle = 0;
    CImageList* m_pSmallImages = nullptr;   // borrowed, may be null
    CImageList* m_pStateImages = nullptr;   // borrowed, may be null
    CImageList* m_pNormalImages = nullptr;  // borrowed, may be null
    std::unique_ptr<CImageList> m_checkImages;   // owned: the check boxes of LVS_EX_CHECKBOXES
    bool m_bApplying = false;               // a change by code is being shown in the view
};
