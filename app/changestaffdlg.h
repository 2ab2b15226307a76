// The Change Staff dialog and the base of its pages.
//
// CChangeStaffDlg lists what can be changed (Reorder Staves, Group Staves,
// Transpose Staff; the list entries' item data are the page indexes) and
// shows one page at a time on the rectangle of a hidden placeholder frame.
// Each page is made the first time it is shown, with its controls filled
// from its members. Apply (12321) applies the shown page; OK applies it and
// closes the dialog, unless the page refused its data (the user was told);
// Cancel closes without applying (what earlier Apply clicks did stays done).
// Pages visited before are never applied. A page that changed the piece
// marks the document modified.
//
// CStaffPage: a page of the dialog, a child form view bound to the document
// (borrowed). It answers a mouse activation with no activation, so a click
// into it leaves the dialog active.
//
// Ownership: the dialog owns its pages; their windows are children of the
// dialog's and go with it, and the next run makes them again.
// User-interface thread only.
#pragma once

#include "platform/ui/dialog.h"
#include "platform/ui/formview.h"

#include <array>
#include <memory>

class ECConductor;
class MCOpusDoc;
struct NMHDR;

enum : UINT {
    IDD_CHANGESTAFF = 1280,
    IDC_CHANGESTAFF_LIST = 1281,
    IDC_CHANGESTAFF_PLACE = 1282,
    IDC_CHANGESTAFF_APPLY = 12321,
    IDS_CHANGESTAFF_REORDER = 1290,
    IDS_CHANGESTAFF_GROUP = 1291,
    IDS_CHANGESTAFF_TRANSPOSE = 1292,
    IDS_CHANGESTAFF_COPY = 1293,
};

// The mouse-activation message and the answer that refuses the activation.
inline constexpr UINT WM_STAFFPAGE_MOUSEACTIVATE = 0x0021;
inline constexpr LRESULT STAFFPAGE_NOACTIVATE = 3;

class CStaffPage : public CFormView {
    DECLARE_DYNAMIC(CStaffPage)
public:
    // What an apply did.
    enum class ApplyResult {
        Refused,   // the page's data failed a check (the user was told)
        Nothing,   // nothing to change
        Done,      // the piece was changed
    };

    CStaffPage(UINT nIDTemplate, MCOpusDoc* doc);

    // Makes the page's window (child only, hidden) at `rect` of `parent`;
    // FALSE when it could not be made.
    BOOL CreatePage(CWnd* parent, const CRect& rect);
    virtual ApplyResult Apply() = 0;

    MCOpusDoc* GetDoc() const { return m_pDoc; }

protected:
    // The document's conductor; null without one.
    ECConductor* GetConductor() const;
    // Frees control `nID` from the object the form made for it, so that a
    // control class can subclass it.
    void ReleaseDlgItem(int nID, CWnd& control);

    // The object is the dialog's, not its window's.
    void PostNcDestroy() override {}
    afx_msg LRESULT OnMouseActivate(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

    MCOpusDoc* m_pDoc;   // borrowed
};

class CChangeStaffDlg : public CDialog {
    DECLARE_DYNAMIC(CChangeStaffDlg)
public:
    enum Page { PAGE_REORDER = 0, PAGE_GROUP = 1, PAGE_TRANSPOSE = 2, PAGE_COUNT = 3 };

    explicit CChangeStaffDlg(CWnd* parent = nullptr);
    ~CChangeStaffDlg() override;

    // Shows the dialog on `doc`; answers IDOK or IDCANCEL (IDCANCEL at once
    // without a document).
    int Run(MCOpusDoc* doc);

    // Shows page `index` (made when needed); nothing for the page shown.
    void ShowPage(int index);
    int GetShownPage() const { return m_nShownPage; }
    // The page object, null until it was first shown.
    CStaffPage* GetPage(int index) const;
    // Applies the shown page; the document is marked modified when it
    // changed the piece.
    CStaffPage::ApplyResult ApplyPage();

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;

    afx_msg void OnApply();
    afx_msg void OnSelChange();
    afx_msg BOOL OnToolTipNotify(UINT id, NMHDR* pNMHDR, LRESULT* pResult);
    DECLARE_MESSAGE_MAP()

private:
    std::unique_ptr<CStaffPage> MakePage(int index) const;

    MCOpusDoc* m_pDoc = nullptr;                                 // borrowed: set by Run
    CRect m_rectPage;                                            // the placeholder's, in client coordinates
    std::array<std::unique_ptr<CStaffPage>, PAGE_COUNT> m_pages; // owned; null until shown
    int m_nShownPage = -1;
};
