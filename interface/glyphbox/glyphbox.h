// The Glyphbox library: the symbol palette, the tool window of the music
// symbols a user inserts.
//
// InitGlyphbox is the library's start-up function: it registers the palette's
// pages (CPluginMusic records, interface/document/pluginrecords.h) and
// installs the prototype-event function of SCMode. The program calls it
// before making the window.
//
// The prototype. The palette keeps one prototype event (held by one
// reference), the quarter note at start. Clicking a symbol button makes that
// button the only checked one, makes its event the prototype and sets the
// insert tool's event type (MCMusicPage::SetEventType: STATE_MODE_INSERT,
// applied with no performance). SCMode::GetEvent answers, in insert mode only,
// a new copy of the prototype with its children (made through a memory
// archive), on which the palette keeps no reference: the caller owns it.
//
// CMusicWnd is an MCToolWnd (interface/document/toolwnd.h) titled
// "Music Palette", placed from the profile section "Components\Palette"
// (kPaletteSection), with one tab for each music record in the records'
// order, holding MCMusicButtons. The program tells it of the states it routes
// (OnUpdate):
// - the file states (1300 ... 1306) refresh every page: the buttons are
//   enabled only while a document is active;
// - 1500 (select) and 1503 (erase) uncheck every button; 1501 (insert)
//   checks the button of the prototype.
// The buttons' faces come from the music buttons' draw-item function, which
// the notation installs; until then they are blank, with their tool tips.
//
// Ownership: made with new; the window deletes the object as every tool
// window does. The pages are their records'; their windows go with the
// window. The frame and the MDI client are borrowed. User-interface thread only.
#pragma once

#include "interface/document/toolwnd.h"

#include <vector>

class CFrameWnd;
class ECBase;
class MCMusicButton;
class MCMusicPage;
class QTabWidget;

// The library's start-up; 1. Registers once, however often called.
int InitGlyphbox();

inline constexpr const char* kPaletteSection = "Components\\Palette";

// The window's resources: its template, caption string and icon share one id.
inline constexpr UINT IDD_MUSICPALETTE = 31920;

// The symbol ids of the buttons tests and callers name.
inline constexpr UINT IDC_SYMBOL_QUARTER_NOTE = 31932;
inline constexpr UINT IDC_SYMBOL_HALF_NOTE = 31931;
inline constexpr UINT IDC_SYMBOL_TRIPLET = 31941;
// Every symbol id lies in this range.
inline constexpr UINT IDC_SYMBOL_FIRST = 31930;
inline constexpr UINT IDC_SYMBOL_LAST = 32002;

// The palette's prototype (held; the quarter note at start) and the symbol
// id of its button.
ECBase* GetGlyphboxPrototype();
UINT GetGlyphboxPrototypeId();

class CMusicWnd : public MCToolWnd {
    DECLARE_DYNAMIC(CMusicWnd)
public:
    // Makes the window on `frame` (its owner too) and places it from
    // kPaletteSection, hidden. Without a window when that fails.
    CMusicWnd(CFrameWnd* frame, CWnd* mdiClient);

    // The state update (see above); `state` is the routed state, unused.
    virtual void OnUpdate(long code, CObject* state);

    int GetPageCount() const { return static_cast<int>(m_pages.size()); }
    MCMusicPage* GetPage(int index) const;
    std::string GetPageTitle(int index) const;
    // The button of symbol `id` on any page; null when none.
    MCMusicButton* FindButton(UINT id) const;

protected:
    afx_msg void OnDestroy();
    DECLARE_MESSAGE_MAP()

private:
    CWnd* m_pMDIClient;                     // borrowed
    QTabWidget* m_pTabs = nullptr;          // the window's widget owns it
    std::vector<MCMusicPage*> m_pages;      // the records'; one per tab
};
