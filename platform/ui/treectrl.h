// CTreeCtrl: a tree of items, each with a text and item data, over a Qt tree
// widget.
//
// Every item is expandable: it shows its button before it has children, so a
// parent may fill its children when it opens. The user's opening or closing
// of an item first sends the parent WM_NOTIFY with TVN_ITEMEXPANDING
// (NMTREEVIEW: the action TVE_EXPAND or TVE_COLLAPSE and the item, still in
// its old state); an answer other than 0 vetoes it. Otherwise the item opens
// (closes) and TVN_ITEMEXPANDED follows. Expand from code tells nobody.
//
// A change of the selected item, by the user or by SelectItem, first sends
// TVN_SELCHANGING (the old item in itemOld, the new in itemNew); an answer
// other than 0 refuses it and the old item stays selected. Otherwise
// TVN_SELCHANGED follows with the same items. Each item
// deleted, by DeleteItem (the item and everything under it, the children
// first), DeleteAllItems or the end of the window, sends TVN_DELETEITEM with
// the item and its data in itemOld, so the parent can free the data; when the
// selection is in what goes, it goes to no item first (TVN_SELCHANGING, whose
// refusal does not keep it, and TVN_SELCHANGED).
//
// Images: each item shows its image (its selected image while selected) from
// the normal image list, after its state image (the state bits under
// TVIS_STATEIMAGEMASK, 1-based, 0 for none) from the state image list; the
// lists are borrowed (SetImageList) and must outlive their use here.
//
// Items are HTREEITEM handles, valid until the item is deleted.
// User-interface thread only.
#pragma once

#include "platform/ui/imagelist.h"
#include "platform/ui/wnd.h"

#include <string>
struct TREEITEM;
using HTREEITEM = TREEITEM*;

inline const HTREEITEM TVI_ROOT = reinterpret_cast<HTREEITEM>(static_cast<intptr_t>(-0x10000));
inline const HTREEITEM TVI_FIRST = reinterpret_cast<HTREEITEM>(static_cast<intptr_t>(-0x0FFFF));
inline const HTREEITEM TVI_LAST = reinterpret_cast<HTREEITEM>(static_cast<intptr_t>(-0x0FFFE));

inline constexpr DWORD TVS_HASBUTTONS = 0x0001;
inline constexpr DWORD TVS_HASLINES = 0x0002;
inline constexpr DWORD TVS_LINESATROOT = 0x0004;
inline constexpr DWORD TVS_SHOWSELALWAYS = 0x0020;

enum : UINT {
    TVE_COLLAPSE = 0x0001,
    TVE_EXPAND = 0x0002,
    TVE_TOGGLE = 0x0003,
    TVIS_SELECTED = 0x0002,
    TVIS_EXPANDED = 0x0020,
    TVIS_STATEIMAGEMASK = 0xF000,
    TVSIL_NORMAL = 0,
    TVSIL_STATE = 2,
    TVIF_TEXT = 0x0001,
    TVIF_STATE = 0x0008,
    TVIF_HANDLE = 0x0010,
    TVIF_PARAM = 0x0004,
    TVC_UNKNOWN = 0x0000,
    TVC_BYMOUSE = 0x0001,
    TVC_BYKEYBOARD = 0x0002,
    TVGN_ROOT = 0x0000,
    TVGN_NEXT = 0x0001,
    TVGN_PREVIOUS = 0x0002,
    TVGN_PARENT = 0x0003,
    TVGN_CHILD = 0x0004,
    TVGN_CARET = 0x0009,
};

inline constexpr UINT TVN_SELCHANGING = static_cast<UINT>(-401);
inline constexpr UINT TVN_SELCHANGED = static_cast<UINT>(-402);
inline constexpr UINT TVN_ITEMEXPANDING = static_cast<UINT>(-405);
inline constexpr UINT TVN_ITEMEXPANDED = static_cast<UINT>(-406);
inline constexpr UINT TVN_DELETEITEM = static_cast<UINT>(-409);

struct TVITEM {
    UINT mask = 0;
    HTREEITEM hItem = nullptr;
    UINT state = 0;
    UINT stateMask = 0;
    LPARAM lParam = 0;   // the item's data
};

// What the tree's notifications carry.
struct NMTREEVIEW {
    NMHDR hdr;
    UINT action = 0;   // TVE_* for the expansions, TVC_* for the selection
    TVITEM itemOld;
    TVITEM itemNew;
    POINT ptDrag;
};

class CTreeCtrl : public CWnd {
    DECLARE_DYNAMIC(CTreeCtrl)
public:
    CTreeCtrl() = default;
    ~CTreeCtrl() override;

    virtual BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

    // After `hInsertAfter` (an item of the parent, TVI_FIRST or TVI_LAST)
    // under `hParent` (TVI_ROOT: at the top); null when the parent or the
    // place is no item of this tree.
    HTREEITEM InsertItem(const char* lpszItem, HTREEITEM hParent = TVI_ROOT, HTREEITEM hInsertAfter = TVI_LAST);
    // The same with the item's image and selected image.
    HTREEITEM InsertItem(const char* lpszItem, int nImage, int nSelectedImage, HTREEITEM hParent = TVI_ROOT,
                         HTREEITEM hInsertAfter = TVI_LAST);
    BOOL DeleteItem(HTREEITEM hItem);
    BOOL DeleteAllItems();
    UINT GetCount() const;

    std::string GetItemText(HTREEITEM hItem) const;
    BOOL SetItemText(HTREEITEM hItem, const char* lpszItem);
    DWORD_PTR GetItemData(HTREEITEM hItem) const;
    BOOL SetItemData(HTREEITEM hItem, DWORD_PTR dwData);
    UINT GetItemState(HTREEITEM hItem, UINT nStateMask) const;
    // Only the state image (TVIS_STATEIMAGEMASK) is set here; the selection
    // and expansion have their own calls.
    BOOL SetItemState(HTREEITEM hItem, UINT nState, UINT nStateMask);
    BOOL SetItemImage(HTREEITEM hItem, int nImage, int nSelectedImage);
    BOOL GetItemImage(HTREEITEM hItem, int& nImage, int& nSelectedImage) const;
    // TVSIL_NORMAL or TVSIL_STATE; answers the list it replaces.
    CImageList* SetImageList(CImageList* pImageList, int nImageListType);
    CImageList* GetImageList(int nImageListType) const;
    BOOL ItemHasChildren(HTREEITEM hItem) const;

    HTREEITEM GetRootItem() const;
    HTREEITEM GetChildItem(HTREEITEM hItem) const;
    HTREEITEM GetNextSiblingItem(HTREEITEM hItem) const;
    HTREEITEM GetPrevSiblingItem(HTREEITEM hItem) const;
    HTREEITEM GetParentItem(HTREEITEM hItem) const;
    HTREEITEM GetNextItem(HTREEITEM hItem, UINT nCode) const;
    HTREEITEM GetSelectedItem() const;

    // Sends TVN_SELCHANGING and TVN_SELCHANGED when the selection changes;
    // null selects nothing. FALSE when the change was refused.
    BOOL SelectItem(HTREEITEM hItem);
    // TVE_EXPAND, TVE_COLLAPSE or TVE_TOGGLE; tells nobody.
    BOOL Expand(HTREEITEM hItem, UINT nCode);
    BOOL EnsureVisible(HTREEITEM hItem);

protected:
    QWidget* CreateWidget(QWidget* parent, DWORD dwStyle) override;
    // Notes whether the mouse or the keyboard is acting (until the widget has
    // acted); deletes the items at WM_DESTROY.
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    friend class CTreeSync;   // treectrl.cpp: the user's acts into notifications

    // TVN_DELETEITEM for the item and all under it (the children first), then it goes.
    void DeleteWithNotice(HTREEITEM hItem);
    // Draws the item's state image and image (of its selection) as its icon.
    void UpdateImages(HTREEITEM hItem);
    void UpdateAllImages();

    UINT m_nAction = TVC_UNKNOWN;   // how the current selection change came
    bool m_bQuiet = false;          // an expansion by code or by a veto: nobody is told
    bool m_bRefusing = false;       // putting back a selection a handler refused
    bool m_bMustChange = false;     // the selection leaves an item being deleted: no refusal
    CImageList* m_pNormalImages = nullptr;   // borrowed, may be null
    CImageList* m_pStateImages = nullptr;    // borrowed, may be null
};
