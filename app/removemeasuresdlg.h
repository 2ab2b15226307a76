// The Remove Measures dialog: a run of measures of the active piece, given
// by any two of count, first ("from") and last ("to") measure, to delete with
// everything in them.
//
// The three fields are linked: whenever one loses the focus it becomes the
// most recently edited, the values are held in the piece (from at least 1, to
// at least from and at most the last measure, from and to in order), and the
// field edited longest ago is derived from the other two. Start sets from to
// 1, End sets to to the last measure; both then link as an edit would. The
// two buttons lie outside the tab order.
//
// Run keeps the document, runs the dialog and, after OK, applies one
// CCRemoveMeasure (count, 0-based index of the first measure) to the
// document's performance and marks the document modified; a count of 0 or
// less builds nothing, and Cancel changes nothing. OK links the field that
// holds the focus first (Enter leaves no field), then holds from to the
// piece and cuts the count to the measures from there; a run over every
// measure keeps the first one, so the piece never loses all its measures.
// User-interface thread only.
#pragma once

#include "platform/ui/dialog.h"

#include <array>

class MCOpusDoc;

enum : UINT {
    IDD_REMOVE_MEASURES = 1420,
    IDC_REMMEAS_COUNT = 1425,
    IDC_REMMEAS_FROM = 1426,
    IDC_REMMEAS_START = 1427,
    IDC_REMMEAS_TO = 1428,
    IDC_REMMEAS_END = 1429,
};

class CRemoveMeasuresDlg : public CDialog {
    DECLARE_DYNAMIC(CRemoveMeasuresDlg)
public:
    explicit CRemoveMeasuresDlg(CWnd* parent = nullptr);

    // Runs the dialog on `doc`; after OK applies the command (when there is
    // something to remove) and marks the document modified. Answers the
    // dialog's result (IDOK, IDCANCEL).
    int Run(MCOpusDoc* doc);

    // The run OK removes: from held to 1 .. last, the count cut to the
    // measures from there, a run over every measure starting at measure 2.
    // The count may come out 0 or less (nothing to remove).
    static void HoldRun(int& count, int& from, int last);

    // The three fields' ids, most recently edited first.
    const std::array<int, 3>& GetEditOrder() const { return m_editOrder; }

    int m_nCount = 1;
    int m_nFrom = 1;
    int m_nTo = 1;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void DoDataExchange(CDataExchange* pDX) override;

    afx_msg void OnKillFocusCount();
    afx_msg void OnKillFocusFrom();
    afx_msg void OnKillFocusTo();
    afx_msg void OnStart();
    afx_msg void OnEnd();
    DECLARE_MESSAGE_MAP()

private:
    // Makes `field` the most recently edited.
    void RecordEdit(int field);
    // Holds the three values in the piece and derives the oldest field.
    void LinkFields();
    // Records `field`, links, then selects all of it and gives it the focus.
    void LinkAndFocus(int field);

    int m_nLastMeasure = 0;
    std::array<int, 3> m_editOrder{IDC_REMMEAS_COUNT, IDC_REMMEAS_FROM, IDC_REMMEAS_TO};
    MCOpusDoc* m_pDoc = nullptr;   // borrowed: set by Run
};
