// The Transpose Staff page of the Change Staff dialog: one staff's
// performed pitches moved up or down over a range of measures.
//
// Each load of the controls sets the range to the whole piece (start 1, end
// the last measure, duration end - start; the duration is shown only).
// Apply checks the amount (0 to 127) and the start (1 to the last measure)
// with the standard range message and then transposes the chosen staff by
// the amount in half steps or octaves, up or down, from the start of the
// start measure to the start of the measure after the end one (the end of
// the piece past the last measure), through ACTranspose, and announces it as
// one state 1200 with the staff (kind 108) to the staff's performance, so the
// notation renotates it. Entire Piece sets the range to the whole piece
// again. User-interface thread only.
#pragma once

#include "app/changestaffdlg.h"
#include "interface/controls/trackpickers.h"

class ECStaff;

enum : UINT {
    IDD_TRANSPOSESTAFF = 1320,
    IDC_TRANSPOSE_STAFF = 1321,
    IDC_TRANSPOSE_UP = 1322,
    IDC_TRANSPOSE_DOWN = 1323,
    IDC_TRANSPOSE_AMOUNT = 1324,
    IDC_TRANSPOSE_HALFSTEPS = 1325,
    IDC_TRANSPOSE_OCTAVES = 1326,
    IDC_TRANSPOSE_START = 1327,
    IDC_TRANSPOSE_DURATION = 1328,
    IDC_TRANSPOSE_END = 1329,
    IDC_TRANSPOSE_ENTIRE = 1330,
};

class CTransposeStaffPage : public CStaffPage {
    DECLARE_DYNAMIC(CTransposeStaffPage)
public:
    enum Units { UNITS_HALFSTEPS = 0, UNITS_OCTAVES = 1 };
    enum Direction { DIRECTION_UP = 0, DIRECTION_DOWN = 1 };

    explicit CTransposeStaffPage(MCOpusDoc* doc);

    ApplyResult Apply() override;

    // The signed semitones of the members.
    int GetSemitones() const;

    int m_nUnits = UNITS_HALFSTEPS;
    int m_nDirection = DIRECTION_UP;
    int m_nAmount = 0;
    int m_nStartMeasure = 1;
    int m_nEndMeasure = 0;
    int m_nDuration = 0;
    ECStaff* m_pStaff = nullptr;   // borrowed: the chosen entry's staff

protected:
    void DoDataExchange(CDataExchange* pDX) override;

    afx_msg void OnEntirePiece();
    DECLARE_MESSAGE_MAP()

private:
    MCTrackBox m_trackBox;   // control 1321
};
