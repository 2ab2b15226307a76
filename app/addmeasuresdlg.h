// The Add Measures dialog: how many empty measures go into the active piece,
// and where (before or after a measure, or at the end of the score).
//
// Run keeps the document, runs the dialog and, after OK, applies one
// CCAddMeasure (count, insert index) to the document's performance and marks
// the document modified; Cancel changes nothing. The count must lie in
// 1 .. 1000 (the standard range message keeps the dialog open). A measure
// number past the piece's last measure, whatever the position, asks (1413)
// whether the measures should go at the end instead: OK takes the last
// measure as the measure number, Cancel keeps the dialog open.
//
// The insert index is the number of the measure after which the new ones go:
// Before n gives n - 1, After n gives n, At End the last measure number.
// The dialog's controls tip with the string of their id. User-interface
// thread only.
#pragma once

#include "platform/ui/dialog.h"

class MCOpusDoc;

enum : UINT {
    IDD_ADD_MEASURES = 1400,
    IDC_ADDMEAS_COUNT = 1405,
    IDC_ADDMEAS_BEFORE = 1406,
    IDC_ADDMEAS_AFTER = 1407,
    IDC_ADDMEAS_AT_END = 1408,
    IDC_ADDMEAS_MEASURE = 1409,
    IDS_ADDMEAS_PAST_END = 1413,
};

class CAddMeasuresDlg : public CDialog {
    DECLARE_DYNAMIC(CAddMeasuresDlg)
public:
    // Where the measures go (the radio buttons' order).
    enum : int { POSITION_BEFORE = 0, POSITION_AFTER = 1, POSITION_AT_END = 2 };

    explicit CAddMeasuresDlg(CWnd* parent = nullptr);

    // Runs the dialog on `doc`; after OK applies the command and marks the
    // document modified. Answers the dialog's result (IDOK, IDCANCEL).
    int Run(MCOpusDoc* doc);

    // The insert index for a position and measure number, with `last` the
    // piece's last measure number.
    static int GetInsertIndex(int position, int measure, int last);

    int m_nCount = 1;
    int m_nPosition = POSITION_AT_END;
    int m_nMeasure = 1;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void DoDataExchange(CDataExchange* pDX) override;

    afx_msg void OnPositionBefore();
    afx_msg void OnPositionAfter();
    afx_msg void OnPositionAtEnd();
    afx_msg BOOL OnToolTipNotify(UINT id, NMHDR* pNMHDR, LRESULT* pResult);
    DECLARE_MESSAGE_MAP()

private:
    int GetLastMeasure() const;
    void EnableMeasure(BOOL enable);

    MCOpusDoc* m_pDoc = nullptr;   // borrowed: set by Run
};
