// The MDI client of the main frame: it draws the wallpaper, tiled from the
// client's origin over whatever part is repainted, and shows the frame's View
// menu on a right click.
//
// The wallpaper is bitmap 0x6000 + "Settings\Background"/"Image" of the library
// named by "Module" ("Wallpaper.DLL"); an image number below 0 means none, and
// a missing library or bitmap leaves the ordinary background. It is loaded at
// the first erase and again by LoadWallpaper (the frame calls it on 1600).
//
// The client is the MDI frame's own window (mdi.h), so this object takes over
// its background painting and its context menu through SubclassClient rather
// than owning a window; the frame keeps the client window.
//
// Ownership: the bitmap and the event hook are owned; the client borrowed.
// User-interface thread only.
#pragma once

#include "platform/ui/wnd.h"

#include <memory>

class CDC;
class CMDIFrameWnd;
class MCBitmap;
class QObject;

inline constexpr UINT kWallpaperBase = 0x6000;

class CClientWnd : public CWnd {
    DECLARE_DYNAMIC(CClientWnd)
public:
    CClientWnd();
    ~CClientWnd() override;

    // Takes over the background and the context menu of `frame`'s MDI client;
    // FALSE when the frame has no client.
    BOOL SubclassClient(CMDIFrameWnd* frame);

    // Reads the profile, loads the bitmap and redraws the client.
    void LoadWallpaper();
    // Tiles the wallpaper over `dc`'s clip box; FALSE when there is none to draw.
    BOOL DrawWallpaper(CDC* dc);

    // Null when no wallpaper is chosen.
    MCBitmap* GetWallpaper() const { return m_pWallpaper.get(); }
    int GetImageNumber() const { return m_nImage; }

    // The client's background: the wallpaper on the first call loaded, then
    // tiled; FALSE leaves the ordinary background.
    BOOL OnEraseBkgnd(CDC* pDC);
    // Shows the frame's View menu at `point` (screen coordinates).
    void OnContextMenu(CWnd* pWnd, CPoint point);

private:
    CMDIFrameWnd* m_pFrame = nullptr;          // borrowed
    CWnd* m_pClient = nullptr;                 // borrowed: the frame's client
    std::unique_ptr<QObject> m_pHook;          // the client's paint and menu events
    bool m_bLoaded = false;
    int m_nImage = -1;
    std::unique_ptr<MCBitmap> m_pWallpaper;
};
