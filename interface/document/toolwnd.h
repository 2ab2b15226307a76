// MCToolWnd: the base of the floating tool windows (the mixer, the inspector,
// the symbol palette).
//
// One resource id names a tool window's dialog template, its caption string
// and its small icon. InitToolLayout makes the bar from them under its frame,
// floating only (docking enabled on no side). Its place is kept in a profile
// section as "x" and "y", the top-left corner of its floating window on the
// screen: LoadPrefs floats it there (hidden: the frame's saved bar layout or a
// command shows it), SavePrefs stores where it is. With no place stored (-1 in
// either value) it goes against the owner's right edge just below its top,
// and that place is stored at once.
//
// Keys: while a tool window has the focus, the frame's accelerators still
// work, and a system key (Alt with a letter, F10) goes on to the owner with
// the focus, so the owner's menu bar takes Alt+F as it would in the frame.
// Alt alone stays with the tool window.
//
// Ownership: made with new by its owner; the object goes with its window
// (PostNcDestroy). The owner is borrowed. User-interface thread only.
#pragma once

#include "platform/ui/dialogbar.h"

class MCToolWnd : public CDialogBar {
    DECLARE_DYNCREATE(MCToolWnd)
public:
    MCToolWnd();
    // `pOwner` (borrowed, may be null): the window keys and placing refer to.
    explicit MCToolWnd(CWnd* pOwner);

    CWnd* GetOwnerWnd() const { return m_pOwnerWnd; }

    // The bar from template `nID` under `pParent` (CBRS_TOOLWND_STYLE, child
    // id `nID`), captioned by string `nID`, with icon `nID` as its small
    // icon, floating only. 0 when the bar could not be made, else 1.
    virtual int InitToolLayout(CWnd* pParent, UINT nID);
    // The stored place of the section, screen coordinates; see above.
    virtual CPoint GetDefaultPosition(const char* section);
    // With a parent frame: hidden, floated at GetDefaultPosition, horizontal.
    virtual void LoadPrefs(const char* section);
    // Stores the floating window's top-left corner as "x" and "y".
    virtual void SavePrefs(const char* section);

    // Adds the context-help style.
    BOOL PreCreateWindow(CREATESTRUCT& cs) override;
    // The parent frame's accelerators; then a system key but Alt goes to the
    // owner (its handle in the message, its PreTranslateMessage's answer) and
    // the focus with it; anything else as any bar.
    BOOL PreTranslateMessage(MSG* pMsg) override;

    // The bar styles of a tool window: on a horizontal edge with its borders,
    // tips, fly-by prompts, floating in a frame of several bars.
    static constexpr DWORD CBRS_TOOLWND_STYLE = 0xAA70;

protected:
    void PostNcDestroy() override;

    // Two sizes kept for the windows built on this one; this class reads neither.
    int m_nDefaultWidth = 100;
    int m_nDefaultHeight = 100;
    CWnd* m_pOwnerWnd = nullptr;   // borrowed, may be null
};
