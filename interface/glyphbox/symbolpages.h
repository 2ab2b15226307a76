// The palette's pages: each a table of symbols (id, prototype, tip) shown as
// a grid of music buttons, made when the page's window is made.
//
// A click on a button (its command, on press) chooses that symbol: the
// palette (glyphbox.cpp) keeps its event as the prototype. User-interface
// thread only.
#pragma once

#include "interface/document/musicpage.h"

#include <memory>
#include <span>
#include <vector>

class ECBase;

// One symbol of a page: its button id (also its tip's string id) and a maker
// of a new prototype event (count 0: the caller references it).
struct GlyphSymbol {
    UINT id;
    ECBase* (*make)();
};

class CGlyphPage : public MCMusicPage {
    DECLARE_DYNAMIC(CGlyphPage)
public:
    CGlyphPage(UINT nIDTemplate, std::span<const GlyphSymbol> symbols);
    ~CGlyphPage() override;

    // The button of symbol `id`; null when this page has none (or no window).
    MCMusicButton* FindButton(UINT id) const;
    // Each button checked exactly when FindSymbol says so.
    void UpdateChecks();
    // Every button unchecked.
    void UncheckAll();
    // The prototype of the symbol page's chosen button; null when none.
    ECBase* GetEvent() override;

    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

protected:
    afx_msg void OnDestroy();
    DECLARE_MESSAGE_MAP()

private:
    std::span<const GlyphSymbol> m_symbols;                  // the page class's constant table
    std::vector<std::unique_ptr<MCMusicButton>> m_buttons;   // owned; exist with the window
};

// The ordered records of the pages; registered by InitGlyphbox.
void RegisterGlyphPages();
// Detaches a prototype's children, when it has any, as its last holder lets
// it go: they reference it back, so the tree would never go by itself.
void DetachGlyphChildren(ECBase* event);
// The quarter note's prototype, the palette's first.
ECBase* MakeQuarterNote();

// The palette (glyphbox.cpp): the symbol `id` chosen with `event` on `page`.
void ChooseGlyphSymbol(CGlyphPage* page, UINT id, ECBase* event);
