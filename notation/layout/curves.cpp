// Slur and tie outlines, thick lines, and the geometry they use.
#include "notation/layout/curves.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

// ---- geometry -----------------------------------------------------------------------

int GetLineLength(int x1, int y1, int x2, int y2) {
    if (y1 == y2)
        return std::abs(x2 - x1);
    if (x1 == x2)
        return std::abs(y2 - y1);
    const double dx = x2 - x1;
    const double dy = y2 - y1;
    return static_cast<int>(std::sqrt(dx * dx + dy * dy));
}

double GetSlope(int x1, int y1, int x2, int y2) {
    if (x1 == x2)
        return 0.0;
    return static_cast<double>(y2 - y1) / static_cast<double>(x2 - x1);
}

int GetYOnLine(int x1, int y1, int x2, double slope) {
    return y1 + static_cast<int>((x2 - x1) * slope);
}

void RotatePoints(double slope, const POINT* source, POINT* destination, int count) {
    const double angle = std::atan(slope);
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    for (int i = 0; i < count; ++i) {
        const double x = source[i].x;
        const double y = source[i].y;
        destination[i].x = static_cast<LONG>(x * c - y * s);
        destination[i].y = static_cast<LONG>(x * s + y * c);
    }
}

// ---- DrawCurve ----------------------------------------------------------------------

DrawCurve::~DrawCurve() = default;

void DrawCurve::Calculate(int x1, int y1, int x2, int y2, int direction, int thickness, int longForm) {
    const int count = longForm ? 10 : 4;
    const int insetDivisor = longForm ? 30 : 6;
    const int heightDivisor = longForm ? 18 : 6;

    // A sloped curve is built flat along the x axis and turned afterwards.
    const bool level = y1 == y2;
    const CPoint start = level ? CPoint(x1, y1) : CPoint(0, 0);
    const CPoint end = level ? CPoint(x2, y2) : CPoint(GetLineLength(x1, y1, x2, y2), 0);

    const int w = end.x - start.x;
    const int inset = w / insetDivisor;
    // The limit is a 16-bit shape value; a wide curve stops rising there.
    const int limit = static_cast<int16_t>(m_curvature);
    int height = w / heightDivisor < limit ? w / heightDivisor : limit;
    const int side = direction == 0 ? 1 : -1;
    height *= side;

    m_inner.assign(count, CPoint());
    m_inner.front() = start;
    m_inner.back() = end;
    m_inner[1] = CPoint(start.x + inset, start.y + height);
    m_inner[count - 2] = CPoint(end.x - inset, end.y + height);
    if (longForm) {
        const int16_t spacing = static_cast<int16_t>((m_inner[count - 2].x - m_inner[1].x) / 7);
        for (int k = 1; k <= 6; ++k)
            m_inner[1 + k] = CPoint(m_inner[1].x + k * spacing, m_inner[1].y);
    }

    m_outer = m_inner;
    for (int i = 1; i < count - 1; ++i)
        m_outer[i].y += side * thickness;

    if (!level) {
        const double slope = GetSlope(x1, y1, x2, y2);
        for (auto* outline : {&m_inner, &m_outer}) {
            RotatePoints(slope, outline->data(), outline->data(), count);
            for (auto& point : *outline)
                point.Offset(x1, y1);
            // Truncation in the turn must not leave the curve short of its end.
            outline->back() = CPoint(x2, y2);
        }
    }
}

void DrawCurve::Draw(CDC* dc, int dx, int dy, COLORREF color) {
    if (m_inner.empty())
        return;
    for (auto& point : m_inner)
        point.Offset(dx, dy);
    const int count = static_cast<int>(m_inner.size());

    if (m_dotted) {
        CPen pen(PS_DOT, 1, color);
        CPen* oldPen = dc->SelectObject(&pen);
        dc->BeginPath();
        dc->PolyBezier(m_inner.data(), count);
        dc->EndPath();
        dc->StrokePath();
        dc->SelectObject(oldPen);
        return;
    }

    for (auto& point : m_outer)
        point.Offset(dx, dy);
    CPen pen(PS_SOLID, 1, color);
    CBrush brush(color);
    CPen* oldPen = dc->SelectObject(&pen);
    CBrush* oldBrush = dc->SelectObject(&brush);

    // The stroke keeps a thin crescent's ends visible at any zoom.
    dc->BeginPath();
    dc->PolyBezier(m_inner.data(), count);
    dc->PolyBezier(m_outer.data(), count);
    dc->EndPath();
    dc->StrokePath();

    // The band between the curves as one closed figure: out along the outer
    // curve, back along the inner one, whatever the fill mode.
    // (PolyBezier leaves the current position alone, so the figure is drawn
    // from a MoveTo.)
    std::vector<CPoint> back(m_inner.rbegin() + 1, m_inner.rend());
    dc->BeginPath();
    const CPoint previous = dc->MoveTo(m_outer.front());
    dc->PolyBezierTo(m_outer.data() + 1, count - 1);
    dc->PolyBezierTo(back.data(), static_cast<int>(back.size()));
    dc->CloseFigure();
    dc->EndPath();
    dc->FillPath();
    dc->MoveTo(previous);

    dc->SelectObject(oldBrush);
    dc->SelectObject(oldPen);
}

// ---- DrawLine -----------------------------------------------------------------------

DrawLine::~DrawLine() = default;

int DrawLine::Draw(CDC* dc, CPoint from, CPoint to, int width, COLORREF color, int alignment, int) {
    const CSize window = dc->GetWindowExt();
    if (window.cx == 0)
        return 0;
    const CSize viewport = dc->GetViewportExt();
    const int devicePixels = std::abs(static_cast<int>(static_cast<long long>(width) * viewport.cx / window.cx));
    const bool vertical = from.x == to.x;
    const bool horizontal = from.y == to.y;

    if (devicePixels < 2 || (!vertical && !horizontal)) {
        const int shift = alignment == POSITIVE_SIDE ? width / 2 : alignment == NEGATIVE_SIDE ? -width / 2 : 0;
        CPen pen(PS_SOLID, width, color);
        CPen* oldPen = dc->SelectObject(&pen);
        dc->MoveTo(from.x + shift, from.y);
        dc->LineTo(to.x + shift, to.y);
        dc->SelectObject(oldPen);
        return 1;
    }

    CRect area;
    if (vertical) {
        area.top = from.y;
        area.bottom = to.y;
        area.left = alignment == POSITIVE_SIDE ? from.x : alignment == NEGATIVE_SIDE ? from.x - width : from.x - width / 2;
        area.right = area.left + width;
    } else {
        area.left = from.x;
        area.right = to.x;
        area.top = alignment == POSITIVE_SIDE ? from.y - width : alignment == NEGATIVE_SIDE ? from.y : from.y - width / 2;
        area.bottom = area.top + width;
    }
    CPen pen(PS_SOLID, 1, color);
    CBrush brush(color);
    CPen* oldPen = dc->SelectObject(&pen);
    CBrush* oldBrush = dc->SelectObject(&brush);
    dc->BeginPath();
    dc->Rectangle(area.left, area.top, area.right, area.bottom);
    dc->EndPath();
    dc->StrokeAndFillPath();
    dc->SelectObject(oldBrush);
    dc->SelectObject(oldPen);
    return 1;
}

int DrawLine::Draw(CDC* dc, const POINT* points, int count, int width, int, COLORREF color) {
    if (count < 2)
        return 0;
    CPen pen;
    if (width < 2) {
        pen.CreatePen(PS_SOLID, 1, color);
    } else {
        LOGBRUSH brush;
        brush.lbStyle = BS_SOLID;
        brush.lbColor = color;
        pen.CreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_FLAT | PS_JOIN_ROUND, width, &brush);
    }
    CPen* oldPen = dc->SelectObject(&pen);
    if (width < 2) {
        dc->Polyline(points, count);
    } else {
        dc->BeginPath();
        dc->Polyline(points, count);
        dc->EndPath();
        dc->StrokePath();
    }
    dc->SelectObject(oldPen);
    return 1;
}
