// The preference sheet: a modal sheet with the preference pages of one
// category, registered by the libraries (CPluginPrefs). Each category
// remembers the page last shown, under "Settings" keyed by the sheet's title.
// OK and Apply tell every window that the preferences changed (state 1600,
// applied with no performance), after the pages saved their values.
//
// The sheet owns its pages: each run makes new ones. InitPrefs registers this
// library's pages once at start-up. User-interface thread only.
#pragma once

#include "platform/ui/propsheet.h"

#include <memory>
#include <vector>

class CMenu;

inline constexpr UINT IDS_PREFERENCES = 8192;
// The titles: 8420 + category ("General Preferences" ...).
inline constexpr UINT IDS_PREFS_TITLE_BASE = 8420;
// The sheet's context menu; its pages become commands 8852 + index.
inline constexpr UINT IDR_PREFS_CONTEXT = 8850;
inline constexpr UINT ID_PREFS_PAGE_FIRST = 8852;
inline constexpr UINT ID_PREFS_PAGE_LAST = 9108;

class CPrefsWnd : public CPropertySheet {
    DECLARE_DYNAMIC(CPrefsWnd)
public:
    // A sheet of the pages registered for `category` (PREFS_GENERAL ...,
    // interface/document/pluginrecords.h), in the registry's order,
    // on the page remembered for it.
    explicit CPrefsWnd(int category);
    ~CPrefsWnd() override;

    int GetCategory() const { return m_nCategory; }
    // The title of `category`'s sheet, which is also its page's key.
    static std::string GetCategoryTitle(int category);

    // OK and Apply, after the sheet handled them: state 1600 without a performance.
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

protected:
    afx_msg void OnDestroy();
    afx_msg void OnContextMenu(CWnd* pWnd, CPoint point);
    afx_msg void OnShowPage(UINT nID);
    DECLARE_MESSAGE_MAP()

private:
    int m_nCategory;
    std::vector<std::unique_ptr<CPropertyPage>> m_pages;   // owned, in the sheet's order
};

// Registers the pages of this library and reads the selection colour; answers
// the number of pages registered.
int InitPrefs();
