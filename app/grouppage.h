// The Group Staves page of the Change Staff dialog: checked staves grouped
// with a bracket or a brace.
//
// Apply groups every staff from the first to the last checked one (the
// checked staves need not be adjacent) with the chosen style through the
// conductor staff and announces it as one state 1200 with the conductor
// staff (kind -1). With nothing checked it groups nothing and announces
// nothing. User-interface thread only.
#pragma once

#include "app/changestaffdlg.h"
#include "interface/controls/trackpickers.h"
#include "model/lists.h"

enum : UINT {
    IDD_GROUPSTAVES = 1310,
    IDC_GROUP_LIST = 1311,
    IDC_GROUP_NONE = 1312,
    IDC_GROUP_ALL = 1313,
    IDC_GROUP_BRACKET = 1314,
    IDC_GROUP_BRACE = 1315,
};

class CGroupStavesPage : public CStaffPage {
    DECLARE_DYNAMIC(CGroupStavesPage)
public:
    enum Style { STYLE_BRACKET = 0, STYLE_BRACE = 1 };

    explicit CGroupStavesPage(MCOpusDoc* doc);

    ApplyResult Apply() override;

    MCTrackCheckList& GetList() { return m_list; }

    int m_nStyle = STYLE_BRACKET;

protected:
    void DoDataExchange(CDataExchange* pDX) override;

    afx_msg void OnSelectNone();
    afx_msg void OnSelectAll();
    DECLARE_MESSAGE_MAP()

private:
    MCTrackCheckList m_list;   // control 1311
    MCEventList m_staves;      // the checked staves of the last save; a reference on each
};
