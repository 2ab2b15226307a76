// CPropertySheet and CPropertyPage: a dialog of tabbed pages with OK, Cancel
// and Apply (ID_APPLY_NOW, 12321).
//
// A page is a child dialog made from its own template (its caption titles its
// tab unless a caption string is given). A page is made when it is first
// shown, so a page the user never visits never runs its OnInitDialog, nor its
// OnOK: leaving a page asks it (OnKillActive, the base saves and checks its
// data) and stays on it when it refuses; the page shown gets OnSetActive
// (the base reloads its data on each showing after the first).
//
// OK asks the page shown (OnKillActive), then OnApply (the base calls OnOK) of
// each page made, in order, and ends the sheet with IDOK; a page whose
// OnApply answers FALSE keeps the sheet open. Cancel asks the page shown
// (OnQueryCancel), then OnReset (the base calls OnCancel) of each page made,
// and ends with IDCANCEL. Apply is enabled while a page has called
// SetModified(TRUE); it runs the same as OK without ending, and clears every
// page's modified state.
//
// Pages are borrowed: they must outlive the sheet's window. DoModal runs the
// modal loop as CDialog's does (a CDialogScript action for the sheet's class
// runs once the first page is shown). User-interface thread only.
#pragma once

#include "platform/ui/button.h"
#include "platform/ui/dialog.h"
#include "platform/ui/modal_loop.h"

#include <memory>
#include <string>
#include <vector>

class QTabWidget;

inline constexpr UINT ID_APPLY_NOW = 0x3021;
inline constexpr UINT IDHELP = 9;

// The buttons PressButton presses.
enum : int {
    PSBTN_OK = 3,
    PSBTN_APPLYNOW = 4,
    PSBTN_CANCEL = 5,
};

class CPropertySheet;

class CPropertyPage : public CDialog {
    DECLARE_DYNAMIC(CPropertyPage)
public:
    explicit CPropertyPage(UINT nIDTemplate, UINT nIDCaption = 0);

    // The tab's title: the caption string, else the template's caption.
    std::string GetTitle() const;
    // Marks the page changed (enabling Apply) or not.
    void SetModified(BOOL bChanged = TRUE);
    BOOL IsModified() const { return m_bModified ? TRUE : FALSE; }
    // The sheet holding the page; null before it is added.
    CPropertySheet* GetSheet() const { return m_pSheet; }

    virtual BOOL OnSetActive();
    virtual BOOL OnKillActive();
    virtual BOOL OnApply();
    virtual void OnReset();
    virtual BOOL OnQueryCancel();
    // A page's OK and Cancel end nothing: the sheet's buttons end the sheet.
    void OnOK() override;
    void OnCancel() override;

protected:
    DWORD AdjustStyle(DWORD dwStyle) const override;

private:
    friend class CPropertySheet;

    UINT m_nIDCaption;
    CPropertySheet* m_pSheet = nullptr;   // borrowed
    bool m_bModified = false;
    bool m_bFirstSetActive = true;
};

class CPropertySheet : public CWnd {
    DECLARE_DYNAMIC(CPropertySheet)
public:
    explicit CPropertySheet(const char* pszCaption, CWnd* pParentWnd = nullptr, UINT iSelectPage = 0);
    explicit CPropertySheet(UINT nIDCaption, CWnd* pParentWnd = nullptr, UINT iSelectPage = 0);
    ~CPropertySheet() override;

    void AddPage(CPropertyPage* pPage);
    int GetPageCount() const { return static_cast<int>(m_pages.size()); }
    CPropertyPage* GetPage(int nPage) const;
    int GetPageIndex(const CPropertyPage* pPage) const;
    CPropertyPage* GetActivePage() const;
    int GetActiveIndex() const;
    // Shows the page (made if it was not); FALSE when the page shown refused
    // to be left, or there is no such page. Before DoModal: the first page shown.
    BOOL SetActivePage(int nPage);
    BOOL SetActivePage(CPropertyPage* pPage);
    void SetTitle(const char* pszText);

    virtual INT_PTR DoModal();
    void EndDialog(int nResult);
    // Presses one of the sheet's buttons (PSBTN_OK, PSBTN_APPLYNOW, PSBTN_CANCEL).
    void PressButton(int nButton);

    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

protected:
    QWidget* CreateWidget(QWidget* parent, DWORD dwStyle) override;
    void PostNcDestroy() override;

private:
    friend class CPropertyPage;   // SetModified updates Apply

    void Build();
    // Makes the page at `index` when it was not; answers whether it exists.
    bool EnsurePage(int index);
    void TabChanged(int index);
    void UpdateApply();
    // OK and Apply: FALSE when the page shown or a page's OnApply refused.
    bool Apply();
    void OnSheetOK();
    void OnSheetCancel();

    std::string m_strCaption;
    CWnd* m_pParentWnd;                   // borrowed, may be null
    std::vector<CPropertyPage*> m_pages;  // borrowed
    int m_nStartPage;
    int m_nActive = -1;                   // the page shown
    bool m_bSwitching = false;            // a refused change is being undone
    QTabWidget* m_pTabs = nullptr;        // owned by the window's widget
    std::vector<std::unique_ptr<CButton>> m_buttons;   // OK, Cancel, Apply
    CModalLoop m_loop;
};
