// The Add Staff dialog: new staves of one type, before or after a chosen
// staff or after the last one.
//
// Run keeps the document and shows the dialog. After OK (the count checked
// to lie in 1 to 1000) it applies one CCAddTrack of `count` new staves of the
// chosen type at the insert position (the chosen staff's number n for
// Before, n + 1 for After, -1 for After Last Staff) to the document's
// performance and marks the document modified. Cancel changes nothing. In a
// piece without staves the location controls are disabled and the staves are
// appended. User-interface thread only.
#pragma once

#include "interface/controls/trackpickers.h"
#include "platform/ui/dialog.h"

class MCOpusDoc;
struct NMHDR;

enum : UINT {
    IDD_ADDSTAFF = 1240,
    IDC_ADDSTAFF_COUNT = 1245,
    IDC_ADDSTAFF_TYPE = 1246,
    IDC_ADDSTAFF_BEFORE = 1247,
    IDC_ADDSTAFF_AFTER = 1248,
    IDC_ADDSTAFF_LAST = 1249,
    IDC_ADDSTAFF_STAFF = 1250,
};

class CAddStaffDlg : public CDialog {
    DECLARE_DYNAMIC(CAddStaffDlg)
public:
    enum Location { LOCATION_BEFORE = 0, LOCATION_AFTER = 1, LOCATION_LAST = 2 };

    explicit CAddStaffDlg(CWnd* parent = nullptr);

    // Shows the dialog on `doc` and applies its command after OK; answers
    // IDOK or IDCANCEL (IDCANCEL at once without a document).
    int Run(MCOpusDoc* doc);

    // The staff type byte of a row of the type list (0 for a row out of range).
    static unsigned char GetStaffType(int row);
    // Where the staves go: -1 appends.
    int GetInsertPosition() const;

    int m_nLocation = LOCATION_LAST;
    int m_nStaffType = 0;    // row of the type list
    int m_nCount = 1;
    int m_nStaffIndex = 0;   // 0-based, the staff Before/After refer to

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;

    afx_msg void OnLocation();
    afx_msg BOOL OnToolTipNotify(UINT id, NMHDR* pNMHDR, LRESULT* pResult);
    DECLARE_MESSAGE_MAP()

private:
    MCOpusDoc* m_pDoc = nullptr;   // borrowed: set by Run
    MCTrackBox m_trackBox;         // control 1250 while the window lives
};
