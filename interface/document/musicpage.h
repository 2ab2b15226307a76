// The pages of the symbol palette and their buttons.
//
// MCMusicPage: the base of a page of music-symbol buttons, registered as a
// CPluginMusic record (pluginrecords.h). Its buttons are enabled only while
// a document is active (UpdatePage, and on activation). Choosing a symbol
// (SetEventType) makes this page the symbol page, sets the current event type
// and applies STATE_MODE_INSERT with no performance, which the main frame
// passes to every open document. The symbols chosen are ids kept in one
// array for all pages (AddSymbol, FindSymbol); in the select and erase modes
// none counts as found. Help requests are taken and nothing is shown; a
// control's tip is the string of its id, whole.
//
// MCMusicButton: a toggle bound to one music event (the button holds one
// reference on it) whose face the notation paints through the draw-item
// function installed with SetMusicDrawItemFunc; until one is installed, a
// button without bitmaps draws nothing. The image of index 1 (pressed or
// checked) gets a frame in the highlight colour. Serialize writes the
// window's placement, the button's fields and the event's own bytes; reading
// needs the event already held (its bytes cannot be skipped): a button
// without one throws CArchiveException.
//
// User-interface thread only.
#pragma once

#include "interface/controls/button.h"
#include "interface/document/pagebases.h"

#include <cstdint>
#include <vector>

class ECBase;

class MCMusicPage : public CPropertyPage {
    DECLARE_DYNCREATE(MCMusicPage)
public:
    MCMusicPage();
    explicit MCMusicPage(UINT nIDTemplate);

    // 1 in the base; runs on the first data exchange of each window.
    virtual BOOL InitPage();
    // Enables every child window with an active document, disables them all
    // without one, each redrawn at once.
    virtual void UpdatePage();
    // The page's current prototype; null in the base.
    virtual ECBase* GetEvent();
    // Chooses `type` as the insert tool's event type (see above).
    virtual void SetEventType(int type);
    // WM_COMMANDHELP: 1. WM_HELPHITTEST: INSPECTOR_HELP_HIT.
    afx_msg virtual LRESULT OnCommandHelp(WPARAM wParam, LPARAM lParam);
    afx_msg virtual LRESULT OnHelpHitTest(WPARAM wParam, LPARAM lParam);
    // TTN_NEEDTEXT: the string of the control's id, whole, cut to the buffer.
    afx_msg virtual BOOL OnToolTipNotify(UINT id, NMHDR* pNMHDR, LRESULT* pResult);

    // The activation enables or disables the children as UpdatePage does.
    BOOL OnSetActive() override;

    // Shows every child window without activating it.
    void ShowChildWindows();
    // Enables or disables every child window and redraws it at once.
    void EnableChildWindows(BOOL bEnable);

    // 0 in the select and erase modes; else whether `id` is a chosen symbol.
    static int FindSymbol(UINT id);
    // Appends `id`, emptying the array first when `reset` is non-zero.
    static void AddSymbol(UINT id, int reset);
    // Outside the select and erase modes, removes the first `id`.
    static void RemoveSymbol(UINT id);
    static std::vector<UINT>& GetSymbols() { return s_arraySymbols; }
    // The page that last chose an event type; null before any.
    static MCMusicPage* GetSymbolPage() { return s_pSymbolPage; }

protected:
    // InitPage the first time; UpdatePage on every exchange that fills the controls.
    void DoDataExchange(CDataExchange* pDX) override;
    afx_msg void OnDestroy();

    enum : uint8_t { PAGE_INITIALIZED = 0x01 };
    uint8_t m_nFlags = 0;

    static std::vector<UINT> s_arraySymbols;
    static MCMusicPage* s_pSymbolPage;   // borrowed; cleared when that page goes

    DECLARE_MESSAGE_MAP()
};

class MCMusicButton : public MCButton {
    DECLARE_DYNCREATE(MCMusicButton)
public:
    // Toggle style, hover tracking with the command on press, transparent
    // colour pure red, disabled image 2; no event, code 0.
    MCMusicButton();
    // Releases the event (SetEvent(null, 0)).
    ~MCMusicButton() override;

    // The one draw-item function of all music buttons; null until the
    // notation installs its own.
    static void SetMusicDrawItemFunc(DrawItemFunc function) { s_pfnDrawItemFunc = function; }
    static DrawItemFunc GetMusicDrawItemFunc() { return s_pfnDrawItemFunc; }
    static DrawItemFunc s_pfnDrawItemFunc;

    // Takes over control `id` of `parent` bound to `event` (code -1); 0 when
    // the control cannot be subclassed.
    virtual int SubclassMusicButton(UINT id, CWnd* parent, ECBase* event);
    ECBase* GetEvent() const { return m_pEvent; }
    int GetEventCode() const { return m_nEventCode; }
    // Holds `event` (may be null) with `code`, releasing the previous one;
    // the faces are built again. Safe when `event` is the one held.
    virtual void SetEvent(ECBase* event, int code);
    // Three empty image slots.
    virtual void InitWindow();

    using MCButton::LoadBitmaps;
    // Subclasses the control, InitWindow, then LoadBitmaps(id).
    int AutoLoad(UINT id, CWnd* parent) override;
    // Bitmap `id` twice (two slots); 0 when it does not load.
    int LoadBitmaps(UINT id) override;
    void Serialize(CArchive& ar) override;

protected:
    afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct);
    CBitmap* CreateImage(DRAWITEMSTRUCT* item) override;
    DECLARE_MESSAGE_MAP()

    ECBase* m_pEvent = nullptr;   // one reference held
    int m_nEventCode = 0;
};
