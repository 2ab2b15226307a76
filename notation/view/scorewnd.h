// The score window: CScoreWnd, the child frame that holds one notation view,
// and CScoreBar, the bar docked across its top.
//
// CScoreWnd keeps its placement in the profile under "Views\Music Score":
// read at its first activation, written when it goes. With none stored the
// first window has the main frame tile its children horizontally (stacked,
// full width) and keeps the place that gave it. It hands WM_TRACKLAYOUT
// (posted when the document's track layouts change) to its view's OnLayout.
//
// CScoreBar holds the zoom combo with its two buttons, the ruler button, the
// voice combo and the tracks combo (a track box listing "All Tracks" and the
// document's tracks). The bar keeps the values the view reads and sets;
// UpdateData exchanges them with the controls. The controls' commands reach
// the view through the frame's routing: the bar handles none itself, but
// for enabling the zoom buttons at the ends of the zoom list.
//
// Ownership: the bar is the window's member and goes with it; the bar's
// buttons and track box are its members. User-interface thread only.
#pragma once

#include "interface/controls/button.h"
#include "interface/controls/dialogbar.h"
#include "interface/controls/trackpickers.h"
#include "interface/document/opuswnd.h"
#include "platform/ui/msgmap.h"

#include <array>
#include <string>

class CCantrel;
class CCmdUI;
class CDataExchange;
class MCOpusDoc;

class CScoreBar : public MCDialogBar {
    DECLARE_DYNAMIC(CScoreBar)
public:
    // The zoom combo's "100%" and its last entry.
    static constexpr int kDefaultZoomIndex = 2;
    static constexpr int kMaxZoomIndex = 4;

    CScoreBar();
    ~CScoreBar() override;

    using MCDialogBar::Create;
    // The bar from template 13344 on `parent`, docked at the top with tips
    // and fly-by texts (a tip is the string of the control's id, the text
    // before its newline), its controls bound (InitBar). 0 on failure.
    virtual int Create(CWnd* parent);
    // Binds the three picture buttons and the track box; the ruler starts
    // pressed (the ruler shows) and the tracks combo on its first item.
    void InitBar() override;
    // TRUE: controls to values; FALSE: values to controls (the track box
    // refilled from the document, "All Tracks" first).
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
    virtual void DoDataExchange(CDataExchange* pDX);

    int m_nViewMode = 1;
    int m_nMaxZoom = kMaxZoomIndex;
    int m_nTrackLayout = 0;
    MCOpusDoc* m_pDocument = nullptr;   // borrowed, null until the view sets it
    int m_nZoom = kDefaultZoomIndex;
    int m_nVoice = 0;

    int NeedsUpdate() const { return m_bNeedsUpdate; }
    void SetNeedsUpdate(int needs) { m_bNeedsUpdate = needs; }

    MCButton& GetZoomOutButton() { return m_buttons[0]; }
    MCButton& GetZoomInButton() { return m_buttons[1]; }
    MCButton& GetRulerButton() { return m_buttons[2]; }
    MCTrackBox& GetTrackBox() { return m_trackBox; }

protected:
    afx_msg void OnUpdateZoom(CCmdUI* pCmdUI);
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
    afx_msg void OnLButtonDblClk(UINT nFlags, CPoint point);
    DECLARE_MESSAGE_MAP()

private:
    int m_bNeedsUpdate = 0;
    // Zoom out, zoom in, ruler; the last two are kept unbound.
    std::array<MCButton, 5> m_buttons;
    MCTrackBox m_trackBox;
};

class CScoreWnd : public MCOpusWnd {
    DECLARE_DYNCREATE(CScoreWnd)
public:
    CScoreWnd();
    ~CScoreWnd() override;

    // The placement stored under `name`; with none, the children tiled
    // horizontally and this window's place then.
    WINDOWPLACEMENT GetDefaultPlacement(const char* name, int& showCmd) override;
    void LoadPrefs(const char* section, int showCmd) override;
    void SavePrefs(const char* section) override;
    // The first activation restores the placement first.
    void ActivateFrame(int nCmdShow = -1) override;

    CScoreBar& GetScoreBar() { return m_wndScoreBar; }
    // "Views\" + the view's title: where the window keeps its settings.
    static std::string GetSettingsSection();

protected:
    afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct);
    afx_msg void OnDestroy();
    afx_msg LRESULT OnTrackLayout(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

private:
    CScoreBar m_wndScoreBar;
};
