// The tip of the day: a modal dialog that shows one tip of the tips file at a
// time, with Next and Previous buttons that wrap round and a check box that
// says whether the tips come at start-up.
//
// The tips file is plain text, one tip per line, read in pieces of at most
// 511 bytes: a piece ends after a line end or after 511 bytes, and every piece
// is one tip, so a longer line makes several tips. "\r\n" reads as "\n".
//
// The main frame runs it (command 33310 and at start-up) on the tip after the
// one stored and stores what it leaves, whether it ended with OK or Cancel.
// User-interface thread only.
#pragma once

#include "platform/ui/dialog.h"

#include <string>

inline constexpr UINT IDD_TIPOFDAY = 20481;
inline constexpr int IDC_TIPPANEL = 20546;   // the group box the white panel covers
inline constexpr int IDC_TIPOK = 20541;
inline constexpr int IDC_NEXTTIP = 20542;
inline constexpr int IDC_PREVTIP = 20543;
inline constexpr int IDC_TIPHELP = 20544;
inline constexpr int IDC_TIPSTARTUP = 20545;
inline constexpr UINT IDI_TIPOFDAY = 20521;

// The pieces a tip is read in: at most this many bytes each.
inline constexpr int kTipPieceBytes = 511;

// The number of tips in the file; -1 when it cannot be opened.
int CountTips(const std::string& path);
// Tip `n` (1-based) of the file, with its line end; empty when there are
// fewer tips or the file cannot be opened.
std::string ReadTip(const std::string& path, int n);

class SECTipOfDay : public CDialog {
    DECLARE_DYNAMIC(SECTipOfDay)
public:
    SECTipOfDay(const std::string& path, int tipNumber, int showAtStartup, CWnd* pParentWnd = nullptr);
    ~SECTipOfDay() override;

    int GetShowAtStartup() const { return m_bShowAtStartup; }
    int GetTipNumber() const { return m_nTip; }
    int GetTipCount() const { return m_nTipCount; }
    // The tip shown (with its line end), or the warning when the file is missing.
    const std::string& GetTipText() const { return m_tipText; }
    // Where the tip is drawn, in client coordinates (set at the first paint).
    const CRect& GetTextRect() const { return m_textRect; }

    BOOL OnInitDialog() override;

protected:
    afx_msg void OnPaint();
    afx_msg void OnNextTip();
    afx_msg void OnPrevTip();
    afx_msg void OnStartup();
    afx_msg void OnTipOK();
    afx_msg void OnHelp();
    DECLARE_MESSAGE_MAP()

private:
    // Loads tip m_nTip, first wrapping it into 1..count.
    void LoadTip();
    // After Next or Previous: only the text is repainted.
    void ShowTip(int step);
    // The white panel over the group box, in client coordinates.
    CRect GetPanelRect() const;

    int m_bShowAtStartup;
    int m_nTip;
    int m_nTipCount = -1;
    std::string m_path;
    std::string m_tipText;
    std::string m_heading = "Did you know...";
    CRect m_textRect;
    UINT m_nIconId = IDI_TIPOFDAY;
};
