// The Reorder Staves page of the Change Staff dialog: the staves in a list
// the user orders with the arrow buttons.
//
// Move up and Move down shift the selected entry by one (nothing at either
// end or without a selection); Reset lists the staves as the piece has them
// again. Apply numbers the staves 1, 2, 3 ... from the top of the list down
// (their tracks, with their children), has the conductor order its staves
// by those numbers and announces the new order as one state 1200 with the
// conductor (kind 107). User-interface thread only.
#pragma once

#include "app/changestaffdlg.h"
#include "interface/controls/button.h"
#include "interface/controls/trackpickers.h"

enum : UINT {
    IDD_REORDERSTAVES = 1300,
    IDC_REORDER_LIST = 1301,
    IDC_REORDER_RESET = 1302,
    IDC_REORDER_UP = 1303,
    IDC_REORDER_DOWN = 1304,
};

class CReorderStavesPage : public CStaffPage {
    DECLARE_DYNAMIC(CReorderStavesPage)
public:
    explicit CReorderStavesPage(MCOpusDoc* doc);

    ApplyResult Apply() override;

    MCTrackList& GetList() { return m_list; }

protected:
    void DoDataExchange(CDataExchange* pDX) override;

    afx_msg void OnReset();
    afx_msg void OnMoveUp();
    afx_msg void OnMoveDown();
    DECLARE_MESSAGE_MAP()

private:
    // Moves the selected entry by `delta` rows, kept inside the list.
    void MoveSelection(int delta);

    MCTrackList m_list;     // control 1301
    MCButton m_moveUp;      // control 1303
    MCButton m_moveDown;    // control 1304
};
