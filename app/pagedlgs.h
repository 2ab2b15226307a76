// The Add Page and Remove Page dialogs: a count of pages and a place (before
// or after a page, or at the end of the score). They hold no data and act on
// nothing: whichever button ends them, nothing follows. No menu item or key
// opens them. User-interface thread only.
#pragma once

#include "platform/ui/dialog.h"

enum : UINT {
    IDD_ADD_PAGE = 1200,
    IDD_REMOVE_PAGE = 1220,
    IDC_PAGE_COUNT = 1541,
    IDC_PAGE_BEFORE = 1542,
    IDC_PAGE_AFTER = 1543,
    IDC_PAGE_NUMBER = 1545,
    IDC_PAGE_AT_END = 1546,
};

class CAddPageDlg : public CDialog {
    DECLARE_DYNAMIC(CAddPageDlg)
public:
    explicit CAddPageDlg(CWnd* parent = nullptr);
};

class CRemovePageDlg : public CDialog {
    DECLARE_DYNAMIC(CRemovePageDlg)
public:
    explicit CRemovePageDlg(CWnd* parent = nullptr);
};
