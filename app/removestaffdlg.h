// The Remove Staff dialog: the staves to take out, checked in a list.
//
// Run keeps the document and shows the dialog. On OK the checked staves are
// gathered in list order; when they are every staff of the piece the first
// of them is kept, so one staff always remains. Run then applies one
// CCRemoveTrack of those staves (empty when nothing was checked) to the
// document's performance and marks the document modified. Cancel changes
// nothing. User-interface thread only.
#pragma once

#include "interface/controls/trackpickers.h"
#include "model/lists.h"
#include "platform/ui/dialog.h"

class MCOpusDoc;

enum : UINT {
    IDD_REMOVESTAFF = 1260,
    IDC_REMOVESTAFF_LIST = 1265,
    IDC_REMOVESTAFF_ALL = 1266,
    IDC_REMOVESTAFF_NONE = 1267,
};

class CRemoveStaffDlg : public CDialog {
    DECLARE_DYNAMIC(CRemoveStaffDlg)
public:
    explicit CRemoveStaffDlg(CWnd* parent = nullptr);

    // Shows the dialog on `doc` and applies its command after OK; answers
    // IDOK or IDCANCEL (IDCANCEL at once without a document).
    int Run(MCOpusDoc* doc);

    // The staves chosen by the last OK, in list order.
    MCEventList& GetStaves() { return m_staves; }

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;

    afx_msg void OnSelectNone();
    afx_msg void OnSelectAll();
    DECLARE_MESSAGE_MAP()

private:
    // Every item checked (non-zero) or cleared.
    void CheckAll(int check);

    MCOpusDoc* m_pDoc = nullptr;   // borrowed: set by Run
    MCTrackCheckList m_checkList;  // control 1265 while the window lives
    MCEventList m_staves;          // a reference on each chosen staff
};
