// Mapping modes: logical units to device pixels and back.
//
// device = (logical - window origin) * viewport extent / window extent + viewport origin,
// the product and quotient taken by MulDiv, so every point lands on the pixel
// the platform's rounding gives.
#include "platform/gdi/dc.h"

#include "platform/gdi/dc_private.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

int MulDiv(int number, int numerator, int denominator) {
    if (denominator == 0)
        return -1;
    long long product = static_cast<long long>(number) * numerator;
    long long divisor = denominator;
    if (divisor < 0) {
        divisor = -divisor;
        product = -product;
    }
    // Halves away from zero.
    const long long half = divisor / 2;
    const long long quotient = product >= 0 ? (product + half) / divisor : -((-product + half) / divisor);
    if (quotient > INT_MAX || quotient < INT_MIN)
        return -1;
    return static_cast<int>(quotient);
}

namespace {

// Units per inch of the fixed modes (y up in all of them).
int UnitsPerInch(int mode) {
    switch (mode) {
    case MM_LOMETRIC: return 254;
    case MM_HIMETRIC: return 2540;
    case MM_LOENGLISH: return 100;
    case MM_HIENGLISH: return 1000;
    case MM_TWIPS: return 1440;
    default: return 0;
    }
}

int Sign(int value) { return value < 0 ? -1 : 1; }

}  // namespace

int CDC::SetMapMode(int mode) {
    if (mode < MM_TEXT || mode > MM_ANISOTROPIC)
        return 0;
    const int old = m_state.mapMode;
    m_state.mapMode = mode;
    if (mode == MM_TEXT) {
        m_state.windowExt = {1, 1};
        m_state.viewportExt = {1, 1};
    } else if (const int units = UnitsPerInch(mode)) {
        m_state.windowExt = {units, units};
        m_state.viewportExt = {m_dpiX, -m_dpiY};
    } else if (mode == MM_ISOTROPIC && old != MM_ISOTROPIC && old != MM_ANISOTROPIC) {
        // Starts as the metric mode does, then keeps units square.
        m_state.windowExt = {254, 254};
        m_state.viewportExt = {m_dpiX, -m_dpiY};
    }
    return old;
}

int CDC::GetMapMode() const { return m_state.mapMode; }

CPoint CDC::SetWindowOrg(int x, int y) {
    const CPoint old = m_state.windowOrg;
    m_state.windowOrg = {x, y};
    return old;
}

CPoint CDC::GetWindowOrg() const { return m_state.windowOrg; }

CPoint CDC::OffsetWindowOrg(int dx, int dy) {
    return SetWindowOrg(m_state.windowOrg.x + dx, m_state.windowOrg.y + dy);
}

CPoint CDC::SetViewportOrg(int x, int y) {
    const CPoint old = m_state.viewportOrg;
    m_state.viewportOrg = {x, y};
    return old;
}

CPoint CDC::GetViewportOrg() const { return m_state.viewportOrg; }

CPoint CDC::OffsetViewportOrg(int dx, int dy) {
    return SetViewportOrg(m_state.viewportOrg.x + dx, m_state.viewportOrg.y + dy);
}

namespace {

// In MM_ISOTROPIC the larger of the two scales shrinks to the smaller, so a
// logical unit is as wide as it is high.
void KeepSquare(const CSize& window, CSize& viewport) {
    if (window.cx == 0 || window.cy == 0 || viewport.cx == 0 || viewport.cy == 0)
        return;
    const long long across = std::llabs(static_cast<long long>(viewport.cx) * window.cy);
    const long long down = std::llabs(static_cast<long long>(viewport.cy) * window.cx);
    if (across < down)
        viewport.cy = Sign(viewport.cy) * MulDiv(std::abs(viewport.cx), std::abs(window.cy), std::abs(window.cx));
    else if (down < across)
        viewport.cx = Sign(viewport.cx) * MulDiv(std::abs(viewport.cy), std::abs(window.cx), std::abs(window.cy));
}

}  // namespace

CSize CDC::SetWindowExt(int cx, int cy) {
    const CSize old = m_state.windowExt;
    if (m_state.mapMode != MM_ISOTROPIC && m_state.mapMode != MM_ANISOTROPIC)
        return old;
    if (cx == 0 || cy == 0)
        return old;   // refused, as the platform refuses it: the mapping stays usable
    m_state.windowExt = {cx, cy};
    if (m_state.mapMode == MM_ISOTROPIC)
        KeepSquare(m_state.windowExt, m_state.viewportExt);
    return old;
}

CSize CDC::GetWindowExt() const { return m_state.windowExt; }

CSize CDC::ScaleWindowExt(int xNum, int xDenom, int yNum, int yDenom) {
    return SetWindowExt(MulDiv(m_state.windowExt.cx, xNum, xDenom), MulDiv(m_state.windowExt.cy, yNum, yDenom));
}

CSize CDC::SetViewportExt(int cx, int cy) {
    const CSize old = m_state.viewportExt;
    if (m_state.mapMode != MM_ISOTROPIC && m_state.mapMode != MM_ANISOTROPIC)
        return old;
    if (cx == 0 || cy == 0)
        return old;
    m_state.viewportExt = {cx, cy};
    if (m_state.mapMode == MM_ISOTROPIC)
        KeepSquare(m_state.windowExt, m_state.viewportExt);
    return old;
}

CSize CDC::GetViewportExt() const { return m_state.viewportExt; }

CSize CDC::ScaleViewportExt(int xNum, int xDenom, int yNum, int yDenom) {
    return SetViewportExt(MulDiv(m_state.viewportExt.cx, xNum, xDenom),
                          MulDiv(m_state.viewportExt.cy, yNum, yDenom));
}

void CDC::LPtoDP(POINT* points, int count) const {
    if (!points)
        return;
    const State& s = m_state;
    for (int i = 0; i < count; ++i) {
        points[i].x = MulDiv(points[i].x - s.windowOrg.x, s.viewportExt.cx, s.windowExt.cx) + s.viewportOrg.x;
        points[i].y = MulDiv(points[i].y - s.windowOrg.y, s.viewportExt.cy, s.windowExt.cy) + s.viewportOrg.y;
    }
}

void CDC::DPtoLP(POINT* points, int count) const {
    if (!points)
        return;
    const State& s = m_state;
    for (int i = 0; i < count; ++i) {
        points[i].x = MulDiv(points[i].x - s.viewportOrg.x, s.windowExt.cx, s.viewportExt.cx) + s.windowOrg.x;
        points[i].y = MulDiv(points[i].y - s.viewportOrg.y, s.windowExt.cy, s.viewportExt.cy) + s.windowOrg.y;
    }
}

void CDC::LPtoDP(SIZE* size) const {
    if (!size)
        return;
    size->cx = MulDiv(size->cx, std::abs(m_state.viewportExt.cx), std::abs(m_state.windowExt.cx));
    size->cy = MulDiv(size->cy, std::abs(m_state.viewportExt.cy), std::abs(m_state.windowExt.cy));
}

void CDC::DPtoLP(SIZE* size) const {
    if (!size)
        return;
    size->cx = MulDiv(size->cx, std::abs(m_state.windowExt.cx), std::abs(m_state.viewportExt.cx));
    size->cy = MulDiv(size->cy, std::abs(m_state.windowExt.cy), std::abs(m_state.viewportExt.cy));
}

void CDC::LPtoHIMETRIC(SIZE* size) const {
    if (!size)
        return;
    LPtoDP(size);
    size->cx = MulDiv(size->cx, 2540, m_dpiX);
    size->cy = MulDiv(size->cy, 2540, m_dpiY);
}

void CDC::HIMETRICtoLP(SIZE* size) const {
    if (!size)
        return;
    size->cx = MulDiv(size->cx, m_dpiX, 2540);
    size->cy = MulDiv(size->cy, m_dpiY, 2540);
    DPtoLP(size);
}

// ---- device coordinates for the drawing files --------------------------------------------------

QPoint CDCAccess::ToDevice(const CDC& dc, int x, int y) {
    POINT point{x, y};
    dc.LPtoDP(&point);
    return {point.x, point.y};
}

QRect CDCAccess::ToDeviceRect(const CDC& dc, int x1, int y1, int x2, int y2) {
    POINT corners[2] = {{x1, y1}, {x2, y2}};
    dc.LPtoDP(corners, 2);
    const int left = std::min(corners[0].x, corners[1].x);
    const int right = std::max(corners[0].x, corners[1].x);
    const int top = std::min(corners[0].y, corners[1].y);
    const int bottom = std::max(corners[0].y, corners[1].y);
    return QRect(left, top, right - left, bottom - top);
}
