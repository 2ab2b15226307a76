// CComboBox and CListBox: lists of strings, over QComboBox and QListWidget.
//
// Entries are strings (UTF-8) with an item data value each (0 until set).
// Searches (FindString, SelectString) look for a string that begins with the
// text, without regard to case, from the entry after `nStartAfter` to the
// end and on from the first (-1: from the first); FindStringExact for the
// whole string. With CBS_SORT or LBS_SORT AddString keeps the list sorted.
//
// Setting the selection from code (SetCurSel, SelectString) notifies nothing.
// What the user does is told to the parent with WM_COMMAND and the control's
// handle: the combo box sends CBN_SELCHANGE and then CBN_SELENDOK for a
// choice, CBN_EDITCHANGE for a typed change of its field, CBN_DROPDOWN and
// CBN_CLOSEUP as its list opens and closes; the list box sends LBN_SELCHANGE
// and LBN_DBLCLK, but only with LBS_NOTIFY.
//
// Owner-drawn lists (LBS_OWNERDRAWFIXED, CBS_OWNERDRAWFIXED and the VARIABLE
// forms): the owner draws each item and tells its height (ownerdraw.h);
// WM_DRAWITEM and WM_MEASUREITEM go to the control's DrawItem and
// MeasureItem first. A combo box's field is drawn as its current item with
// ODS_COMBOBOXEDIT. User-interface thread only.
#pragma once

#include "platform/ui/msgmap.h"
#include "platform/ui/ownerdraw.h"
#include "platform/ui/wnd.h"

#include <string>

inline constexpr int CB_ERR = -1;
inline constexpr int LB_ERR = -1;

inline constexpr DWORD CBS_SIMPLE = 0x0001;
inline constexpr DWORD CBS_DROPDOWN = 0x0002;
inline constexpr DWORD CBS_DROPDOWNLIST = 0x0003;
inline constexpr DWORD CBS_OWNERDRAWFIXED = 0x0010;
inline constexpr DWORD CBS_OWNERDRAWVARIABLE = 0x0020;
inline constexpr DWORD CBS_AUTOHSCROLL = 0x0040;
inline constexpr DWORD CBS_SORT = 0x0100;
inline constexpr DWORD CBS_HASSTRINGS = 0x0200;
inline constexpr DWORD LBS_NOTIFY = 0x0001;
inline constexpr DWORD LBS_SORT = 0x0002;
inline constexpr DWORD LBS_MULTIPLESEL = 0x0008;
inline constexpr DWORD LBS_OWNERDRAWFIXED = 0x0010;
inline constexpr DWORD LBS_OWNERDRAWVARIABLE = 0x0020;
inline constexpr DWORD LBS_HASSTRINGS = 0x0040;
inline constexpr DWORD LBS_EXTENDEDSEL = 0x0800;
inline constexpr DWORD LBS_STANDARD = 0x00A00003;

enum : UINT {
    CBN_SELCHANGE = 1,
    CBN_DBLCLK = 2,
    CBN_SETFOCUS = 3,
    CBN_KILLFOCUS = 4,
    CBN_EDITCHANGE = 5,
    CBN_EDITUPDATE = 6,
    CBN_DROPDOWN = 7,
    CBN_CLOSEUP = 8,
    CBN_SELENDOK = 9,
    CBN_SELENDCANCEL = 10,

    LBN_SELCHANGE = 1,
    LBN_DBLCLK = 2,
};

#define ON_CBN_SELCHANGE(id, memberFxn) ON_CONTROL(CBN_SELCHANGE, id, memberFxn)
#define ON_CBN_SELENDOK(id, memberFxn) ON_CONTROL(CBN_SELENDOK, id, memberFxn)
#define ON_CBN_EDITCHANGE(id, memberFxn) ON_CONTROL(CBN_EDITCHANGE, id, memberFxn)
#define ON_CBN_DROPDOWN(id, memberFxn) ON_CONTROL(CBN_DROPDOWN, id, memberFxn)
#define ON_CBN_CLOSEUP(id, memberFxn) ON_CONTROL(CBN_CLOSEUP, id, memberFxn)
#define ON_LBN_SELCHANGE(id, memberFxn) ON_CONTROL(LBN_SELCHANGE, id, memberFxn)
#define ON_LBN_DBLCLK(id, memberFxn) ON_CONTROL(LBN_DBLCLK, id, memberFxn)

class CComboBox : public CWnd {
    DECLARE_DYNAMIC(CComboBox)
public:
    CComboBox() = default;

    // The box at `rect` in the parent (WS_CHILD is implied); the rectangle's
    // height includes the dropped list's, as it always did: the box itself
    // takes the height of one line.
    virtual BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

    int GetCount() const;
    int AddString(const char* lpszString);
    int InsertString(int nIndex, const char* lpszString);   // -1: at the end
    int DeleteString(UINT nIndex);                          // answers the count left, or CB_ERR
    void ResetContent();
    int GetLBText(int nIndex, std::string& text) const;     // answers the length, or CB_ERR
    int GetLBTextLen(int nIndex) const;
    int FindString(int nStartAfter, const char* lpszString) const;
    int FindStringExact(int nStartAfter, const char* lpszString) const;
    // Selects the entry FindString finds; answers its index or CB_ERR (the
    // selection then stays as it was).
    int SelectString(int nStartAfter, const char* lpszString);
    int GetCurSel() const;
    int SetCurSel(int nSelect);   // -1 clears; answers the index or CB_ERR
    DWORD_PTR GetItemData(int nIndex) const;
    int SetItemData(int nIndex, DWORD_PTR dwItemData);
    void* GetItemDataPtr(int nIndex) const { return reinterpret_cast<void*>(GetItemData(nIndex)); }
    int SetItemDataPtr(int nIndex, void* pData) { return SetItemData(nIndex, reinterpret_cast<DWORD_PTR>(pData)); }
    // The dropped list's least width, in pixels; answers it, or CB_ERR.
    int SetDroppedWidth(UINT nWidth);
    int GetDroppedWidth() const;
    void ShowDropDown(BOOL bShowIt = TRUE);
    BOOL GetDroppedState() const;
    BOOL LimitText(int nMaxChars);

    // An owner-drawn control's items (see above); the bases do nothing.
    virtual void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct);
    virtual void MeasureItem(LPMEASUREITEMSTRUCT lpMeasureItemStruct);
    // Takes WM_DRAWITEM and WM_MEASUREITEM when owner-drawn.
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

protected:
    QWidget* CreateWidget(QWidget* parent, DWORD dwStyle) override;

private:
    DWORD m_dwStyle = 0;
};

class CListBox : public CWnd {
    DECLARE_DYNAMIC(CListBox)
public:
    CListBox() = default;

    virtual BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

    int GetCount() const;
    int AddString(const char* lpszString);
    int InsertString(int nIndex, const char* lpszString);
    int DeleteString(UINT nIndex);
    void ResetContent();
    int GetText(int nIndex, std::string& text) const;
    int GetTextLen(int nIndex) const;
    int FindString(int nStartAfter, const char* lpszString) const;
    int FindStringExact(int nStartAfter, const char* lpszString) const;
    int SelectString(int nStartAfter, const char* lpszString);
    // One selection (a list without LBS_MULTIPLESEL or LBS_EXTENDEDSEL).
    int GetCurSel() const;
    int SetCurSel(int nSelect);
    // Selections of a multiple-selection list; nIndex -1 is every entry.
    int GetSel(int nIndex) const;
    int SetSel(int nIndex, BOOL bSelect = TRUE);
    int GetSelCount() const;
    int GetSelItems(int nMaxItems, int* rgIndex) const;
    DWORD_PTR GetItemData(int nIndex) const;
    int SetItemData(int nIndex, DWORD_PTR dwItemData);
    void* GetItemDataPtr(int nIndex) const { return reinterpret_cast<void*>(GetItemData(nIndex)); }
    int SetItemDataPtr(int nIndex, void* pData) { return SetItemData(nIndex, reinterpret_cast<DWORD_PTR>(pData)); }
    int GetTopIndex() const;
    int SetTopIndex(int nIndex);

    // An owner-drawn control's items (see above); the bases do nothing.
    virtual void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct);
    virtual void MeasureItem(LPMEASUREITEMSTRUCT lpMeasureItemStruct);
    // Takes WM_DRAWITEM and WM_MEASUREITEM when owner-drawn.
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

protected:
    QWidget* CreateWidget(QWidget* parent, DWORD dwStyle) override;

private:
    DWORD m_dwStyle = 0;
};
