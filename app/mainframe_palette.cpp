// The shared palette and the choice of the button-face library.
//
// The palette comes from the splash picture (bitmap 200). No display is
// palette-based here, so entry 245 always takes the button-face colour, and the
// face's brightness picks the light or the dark faces.
#include "app/mainframe.h"

#include "interface/controls/bitmap.h"
#include "interface/controls/imagemgr.h"
#include "interface/controls/palette.h"
#include "platform/core/profile.h"
#include "platform/core/resources.h"
#include "platform/ui/paint.h"
#include "platform/ui/syscolor.h"

#include <memory>

namespace {

constexpr UINT IDB_SPLASH = 200;
constexpr UINT kButtonFaceEntry = 245;

}  // namespace

void CMainFrame::BuildSharedPalette() {
    auto bitmap = std::make_unique<MCBitmap>();
    if (!bitmap->Create(MAKEINTRESOURCE(IDB_SPLASH)))
        return;   // the stored (or default) button library stays in use
    auto palette = std::make_unique<MCPalette>(bitmap.get());
    {
        CClientDC dc(this);
        palette->Normalize(&dc);
    }
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    if (palette->GetEntryCount() > static_cast<int>(kButtonFaceEntry)) {
        PALETTEENTRY entry;
        entry.peRed = GetRValue(face);
        entry.peGreen = GetGValue(face);
        entry.peBlue = GetBValue(face);
        entry.peFlags = PC_RESERVED | PC_NOCOLLAPSE;
        palette->SetPaletteEntries(kButtonFaceEntry, 1, &entry);
    }
    MCPalette* old = MCPalette::GetSharedPalette();
    MCPalette::SetSharedPalette(palette.release());
    MCImageMgr::GetImageMgr()->SetPalette(MCPalette::GetSharedPalette());
    delete old;

    const double brightness = (GetRValue(face) / 255.0 + GetGValue(face) / 255.0 + GetBValue(face) / 255.0) / 3.0;
    WriteProfileString("Resources", "Buttons", brightness >= 0.5 ? "Buttons1.DLL" : "Buttons2.DLL");
}

BOOL CMainFrame::RealizePalette(BOOL bForeground) {
    if (!MCPalette::GetSharedPalette())
        BuildSharedPalette();
    if (!MCPalette::GetSharedPalette())
        return FALSE;
    UINT changed = 0;
    {
        CClientDC dc(this);
        CPalette* old = dc.SelectPalette(MCPalette::GetSharedPalette(), !bForeground);
        changed = dc.RealizePalette();
        if (old) {
            dc.SelectPalette(old, TRUE);
            dc.RealizePalette();
        }
    }
    if (!changed && bForeground)
        return FALSE;
    for (CWnd* wnd : {static_cast<CWnd*>(this), static_cast<CWnd*>(&m_wndMusicEditBar),
                      static_cast<CWnd*>(&m_wndTransportBar)})
        if (wnd->GetWidget()) {
            wnd->Invalidate();
            wnd->UpdateWindow();
        }
    return changed != 0;
}
