// MCLine: a line between two points, a plain value — ledger lines and the
// other short strokes of the notation. Top is the start, Bottom the end
// (whatever their order on the page); an empty line has both at (0, 0).
// Plain data; any thread.
#pragma once

#include "platform/ui/geometry.h"

#include <cstdlib>

class MCLine {
public:
    MCLine() = default;
    MCLine(const MCLine&) = default;
    MCLine(CPoint start, CPoint end) : m_top(start), m_bottom(end) {}
    // Ends at start + size.
    MCLine(CPoint start, CSize size) : m_top(start), m_bottom(start + size) {}
    MCLine(int x1, int y1, int x2, int y2) : m_top(x1, y1), m_bottom(x2, y2) {}
    MCLine& operator=(const MCLine&) = default;

    void Reset() { m_top = CPoint(0, 0); m_bottom = CPoint(0, 0); }

    CPoint& Top() { return m_top; }
    CPoint& Bottom() { return m_bottom; }
    const CPoint& Top() const { return m_top; }
    const CPoint& Bottom() const { return m_bottom; }

    int Width() const { return std::abs(m_bottom.x - m_top.x); }
    int Height() const { return std::abs(m_bottom.y - m_top.y); }
    // Non-zero when the two ends coincide: the line has no length to draw.
    int IsEmpty() const { return m_top == m_bottom ? 1 : 0; }

    bool operator==(const MCLine& other) const { return m_top == other.m_top && m_bottom == other.m_bottom; }
    bool operator!=(const MCLine& other) const { return !(*this == other); }

private:
    CPoint m_top;      // the start
    CPoint m_bottom;   // the end
};
