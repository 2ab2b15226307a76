// CTimeBar: the main frame's fourth bar ("Time", dialog 1024), which holds
// the time display and keeps its own size fitted around it.
//
// The frame's routing tells the bar of documents made, opened, activated and
// closed and of play positions (OnUpdate); only the active document's
// positions move the readout. The bar's context menu (1035) chooses the
// units, the background colour and the two fonts; each choice lays the bar
// out again and has the frame rearrange its docking rows.
//
// Ownership: the display is a member, made into a window by InitBar.
// User-interface thread only.
#pragma once

#include "app/timedisplay.h"
#include "interface/controls/dialogbar.h"

class CFrameWnd;
class CObject;

// The bar's dialog and caption string, and its context menu.
inline constexpr UINT IDD_TIMEBAR = 1024;
inline constexpr UINT IDR_TIMEBAR_MENU = 1035;

// The commands of menu 1035.
inline constexpr UINT ID_TIME_UNITS = 32794;
inline constexpr UINT ID_TIME_BACKGROUND = 32795;
inline constexpr UINT ID_TIME_TIMEFONT = 33796;
inline constexpr UINT ID_TIME_UNITSFONT = 32797;

class CTimeBar : public MCDialogBar {
    DECLARE_DYNAMIC(CTimeBar)
public:
    CTimeBar();
    ~CTimeBar() override;

    // Makes the bar on `frame` from dialog 1024; 0 when that fails.
    virtual int CreateBar(CFrameWnd* frame);
    // Makes the display (visible, id 1029) at (5, 5), lays the bar out and
    // shows it.
    void InitBar() override;
    // Fits the bar around the display (5 pixels each side) where it stands,
    // and has the frame lay its bars out again without notifying.
    void LayoutBar();
    // 1300, 1301, 1704: time zero; 1303: the null time (the empty form);
    // 1900, 1902: the state's time when it is the active document's.
    virtual void OnUpdate(long code, CObject* state);

    // The time shown, for Go To.
    const MCTime& GetTime() const { return m_wndDisplay.GetTime(); }
    CTimeDisplay& GetDisplay() { return m_wndDisplay; }

    afx_msg void OnContextMenu(CWnd* pWnd, CPoint point);
    afx_msg void OnDisplayUnits();
    afx_msg void OnBackground();
    afx_msg void OnTimeFont();
    afx_msg void OnUnitsFont();
    DECLARE_MESSAGE_MAP()

private:
    // The font dialog on `font` and `color`; on OK the chosen font and
    // colour are answered through them. FALSE on Cancel.
    BOOL ChooseFont(const CFont* font, std::unique_ptr<CFont>& chosen, COLORREF& color);

    CTimeDisplay m_wndDisplay;
};
