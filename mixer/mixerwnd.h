// The mixer tool window: a bar docked at the bottom of the main frame that
// follows the active document through the states the frame routes to it.
//
// This is the window and its sizes; its strips (one per staff track) and the
// master strip come with their own work, in the places its template keeps for
// them (placeholders 5121 and 5122 of dialog 5120). Its floating width is kept
// as "Components\Mixer" / "FloatWidth".
//
// Ownership: made with new by the main frame; the object goes with its window
// (MCToolWnd). The frame and the MDI client are borrowed. User-interface thread
// only.
#pragma once

#include "interface/document/toolwnd.h"

class CSequence;
class ECConductor;
class MCOpusDoc;

inline constexpr UINT IDD_MIXER = 5120;
inline constexpr int IDC_MIXER_MASTER = 5121;   // where the master strip goes
inline constexpr int IDC_MIXER_STRIP = 5122;    // the size of one strip

class CMixerWnd : public MCToolWnd {
public:
    // Builds the whole window at once under `frame`; `mdiClient` (may be null)
    // gives the docked width.
    CMixerWnd(CWnd* frame, CWnd* mdiClient);
    ~CMixerWnd() override;

    // The routed states: binds the active document on 1300, 1301 and 1704,
    // lets it go on 1303; the others are for the strips.
    virtual void OnUpdate(long code, CObject* state);

    CSequence* GetSequence() const { return m_pSequence; }
    MCOpusDoc* GetDocument() const { return m_pDocument; }
    int GetState() const { return m_nState; }
    bool IsReady() const { return m_bReady; }
    int GetBarWidth() const { return m_nBarWidth; }
    int GetBarHeight() const { return m_nBarHeight; }
    // One strip's size (the placeholder's), and the master strip's place.
    CSize GetStripSize() const { return m_sizeStrip; }
    const CRect& GetMasterRect() const { return m_rectMaster; }

    int InitToolLayout(CWnd* pParent, UINT nID) override;
    // "FloatWidth" (the default width when absent), then docked at the bottom.
    void LoadPrefs(const char* section) override;
    void SavePrefs(const char* section) override;
    // The MDI client's width (the bar's own without one) and the bar's height.
    virtual CSize SizeToMdi();
    CSize CalcFixedLayout(BOOL bStretch, BOOL bHorz) override;
    CSize CalcDynamicLayout(int nLength, DWORD dwMode) override;

protected:
    afx_msg void OnDestroy();
    DECLARE_MESSAGE_MAP()

private:
    // Binds `doc` (may be null) with its sequence and conductor.
    void UpdateDocument(MCOpusDoc* doc);

    CWnd* m_pMDIClient;                 // borrowed, may be null
    int m_nBarWidth = 0;                // the floating width, pixels
    int m_nBarHeight = 0;
    CSize m_sizeDocked;                 // kept for docking requests
    bool m_bReady = false;              // the layout is complete
    int m_nState = 1;
    CSize m_sizeStrip{66, 117};         // before the first mixer is built
    CRect m_rectMaster;
    MCOpusDoc* m_pDocument = nullptr;   // borrowed, may be null
    CSequence* m_pSequence = nullptr;   // the document's
    ECConductor* m_pConductor = nullptr;
};
