// The MDI client of the main frame: it draws the wallpaper, tiled from the
// client's origin over whatever part is repainted, and shows the frame's View
// menu on a right click.
//
// The wallpaper is bitmap 0x6000 + "Settings\Background"/"Image" of the library
// named by "Module" ("Wallpaper.DLL"); an image number below 0 means none, and
// a missing library or bitmap leaves the ordinary background. It is loaded at
// the first erase and again by LoadWallpaper (the frame calls it on 1600).
//
// Ownership: the bitmap is owned. User-interface thread only.
#pragma once

#include "platform/ui/wnd.h"

#include <memory>

class CDC;
class MCBitmap;

inline constexpr UINT kWallpaperBase = 0x6000;

class CClientWnd : public CWnd {
    DECLARE_DYNAMIC(CClientWnd)
public:
    CClientWnd();
    ~CClientWnd() override;

    // Reads the profile, loads the bitmap and redraws the client.
    void LoadWallpaper();
    // Tiles the wallpaper over `dc`'s clip box; FALSE when there is none to draw.
    BOOL DrawWallpaper(CDC* dc);

    // Null when no wallpaper is chosen.
    MCBitmap* GetWallpaper() const { return m_pWallpaper.get(); }
    int GetImageNumber() const { return m_nImage; }

protected:
    afx_msg BOOL OnEraseBkgnd(CDC* pDC);
    afx_msg void OnContextMenu(CWnd* pWnd, CPoint point);
    DECLARE_MESSAGE_MAP()

private:
    bool m_bLoaded = false;
    int m_nImage = -1;
    std::unique_ptr<MCBitmap> m_pWallpaper;
};
