// Windows that paint: each window draws on a retained surface, a QImage of its
// client size that Qt shows.
//
// A window's surface is made on first use (a DC on it, an invalidation, its
// first paint) and kept across resizes: what was drawn stays, and the area a
// window grows by joins the update region. CPaintDC (inside OnPaint) and
// CClientDC (at any moment) draw on it in client pixels, at 96 pixels per inch.
//
// The update region grows with InvalidateRect and InvalidateRgn and shrinks
// with ValidateRect and BeginPaint. While it is not empty, the next Qt paint
// of the widget sends WM_PAINT first; UpdateWindow sends it at once. BeginPaint
// sends WM_ERASEBKGND (with the paint DC) when an invalidation asked for an
// erase. A WM_PAINT handler that validates nothing has its region validated
// after it, so a window never paints in a loop.
//
// A plain window (CWnd's own widget) always shows its surface. A Qt control
// (a dialog too) whose message map handles WM_PAINT gets it at its first
// paint. A Qt control shows its surface once something draws on it (a handled WM_PAINT, a client
// DC), except at a paint whose WM_PAINT goes to the default handling; until
// then it paints itself as it always does, at every paint (an invalidation
// alone gives it no picture). A subclassed widget that is a scrolled area (the
// MDI client) gets WM_ERASEBKGND before it paints: an erase its handler takes
// becomes the area's background.
//
// User-interface thread only.
#pragma once

#include "platform/gdi/dc.h"
#include "platform/ui/wnd.h"

// What BeginPaint answers.
struct PAINTSTRUCT {
    HDC hdc = nullptr;
    BOOL fErase = FALSE;   // the background still needs erasing (WM_ERASEBKGND was not handled)
    RECT rcPaint{};        // the update region's box, client coordinates
    BOOL fRestore = FALSE;
    BOOL fIncUpdate = FALSE;
};

// A DC on the whole client area of a window; it shows what it drew when it ends.
class CClientDC : public CDC {
public:
    explicit CClientDC(CWnd* pWnd);
    ~CClientDC() override;

protected:
    HWND m_hWnd = nullptr;

private:
    long long m_surfaceKey = 0;   // the surface's image as attached: drawn on when it changed
};

// The window DC: here the client area too (a window draws no frame of its own).
class CWindowDC : public CClientDC {
public:
    explicit CWindowDC(CWnd* pWnd) : CClientDC(pWnd) {}
};

// BeginPaint in its constructor, EndPaint in its destructor: for OnPaint.
class CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* pWnd);
    ~CPaintDC() override;

    PAINTSTRUCT m_ps;

protected:
    HWND m_hWnd = nullptr;
};

namespace platform_detail {

// Platform use: attaches `dc` to the window's surface (made or resized as
// needed), clipped to nothing; false without a window.
bool AttachWindowSurface(CWnd& wnd, CDC& dc);
// Platform use: the window's surface (null when it has none yet).
const QImage* WindowSurface(const CWnd& wnd);

}  // namespace platform_detail
