// The Go To dialog: where the active document's current location moves.
//
// The user types a bar:beat:tick time, jumps to the beginning or to the end
// of the last measure, or picks one of the piece's markers, rehearsal marks,
// texts or cue points from a list (the "advanced" lower part, which folds
// away). OK applies one SCTime STATE_TIME_LOCATE (1901) with the chosen time
// to the document's performance, which the views and the time bar follow;
// nothing is marked modified. Cancel sends nothing.
//
// A time past the end of the last measure is moved to that end with message
// 1085, on OK and on every click of a filter check box.
//
// Settings, section "Settings\Goto": "ShowMarkers" (1), "ShowRehearsal" (1),
// "ShowText" (0) and "ShowCue" (1) are read when the dialog is made,
// "Advanced" (0) when it opens; all five are written when its window goes,
// whichever button ended it. User-interface thread only.
#pragma once

#include "interface/controls/timeedit.h"
#include "model/time.h"
#include "platform/ui/dialog.h"
#include "platform/ui/lists.h"

class MCOpusDoc;

enum : UINT {
    IDD_GOTO = 1056,
    IDC_GOTO_TIME = 1057,
    IDC_GOTO_BEGINNING = 1058,
    IDC_GOTO_ADVANCED = 1059,
    IDC_GOTO_END = 1060,
    IDC_GOTO_EVENTS = 1061,
    IDC_GOTO_MARKERS = 1065,
    IDC_GOTO_REHEARSAL = 1066,
    IDC_GOTO_CUE = 1067,
    IDC_GOTO_TEXT = 1068,
    IDS_GOTO_ADVANCED_MORE = 1080,   // "&Advanced >>": the lower part is folded away
    IDS_GOTO_ADVANCED_LESS = 1081,   // "&Advanced <<"
    IDS_GOTO_PAST_END = 1085,
};

class CGotoDlg : public CDialog {
    DECLARE_DYNAMIC(CGotoDlg)
public:
    // The kinds of text (ECText's kind byte) the list may show; other kinds
    // (titles, credits ...) are never listed.
    enum : int {
        TEXT_PLAIN = 0,
        TEXT_MARKER = 5,
        TEXT_CUE_POINT = 6,
        TEXT_TITLE = 8,
        TEXT_REHEARSAL_LETTER = 14,
        TEXT_REHEARSAL_NUMBER = 15,
    };

    // `current`: the time the field starts from. Reads the four filters.
    CGotoDlg(CWnd* frame, const MCTime& current);

    // Runs the dialog on `doc`; after OK applies the 1901 to its performance.
    // Answers the dialog's result (IDOK, IDCANCEL).
    int Run(MCOpusDoc* doc);

    const MCTime& GetTime() const { return m_time; }
    int IsAdvanced() const { return m_bAdvanced; }
    // Unfolds (non-zero) or folds the lower part; nothing when it already is.
    void SetAdvanced(int advanced);

    int m_bShowMarkers;
    int m_bShowRehearsal;
    int m_bShowText;
    int m_bShowCue;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;

    afx_msg void OnBeginning();
    afx_msg void OnEnd();
    afx_msg void OnAdvanced();
    afx_msg void OnFilter();
    afx_msg void OnSelChangeEvents();
    afx_msg void OnDestroy();
    DECLARE_MESSAGE_MAP()

private:
    // The piece's texts of the kinds shown, in time order, into the list.
    void FillEventList();
    MCTime GetEndTime() const;

    MCOpusDoc* m_pDoc = nullptr;   // borrowed: set by Run
    MCTime m_time;
    MCTimeEdit m_timeEdit;
    CListBox m_eventList;
    int m_bAdvanced = 1;
    CRect m_rectFolded;   // the window, screen coordinates
    CRect m_rectFull;
    CSize m_sizeFrame;    // the frame's part of both, when they were taken
};
