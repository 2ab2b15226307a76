// Curves, thick lines and plane geometry for the display elements.
//
// DrawCurve builds the crescent outline of a slur or tie: an inner cubic
// Bezier from the start to the end point bowed above (or below) the chord
// between them, and an outer one pushed further out by the thickness; the
// band between the two is filled. DrawLine draws straight thick lines and
// polylines as filled rectangles or wide pens, so that their thickness
// follows the zoom.
//
// Coordinates are the view's logical units (1440 per inch, y upward).
// User-interface thread (they draw on a device context).
#pragma once

#include "platform/gdi/dc.h"
#include "platform/ui/geometry.h"

#include <vector>

class DrawCurve {
public:
    virtual ~DrawCurve();

    // The largest height of the curve above its chord (a 16-bit value).
    void SetCurvature(int limit) { m_curvature = limit; }
    // Draws a dotted single curve instead of the filled crescent.
    void SetDotted(int dotted) { m_dotted = dotted; }

    // Builds both outlines from (x1, y1) to (x2, y2). Direction 0 bows the
    // curve toward positive y, any other value toward negative y. The long
    // form has three segments with a flat middle (10 points), the short one a
    // single segment (4 points).
    void Calculate(int x1, int y1, int x2, int y2, int direction, int thickness, int longForm);
    // Draws the curve moved by (dx, dy). The outlines stay moved: callers
    // calculate again before each drawing.
    void Draw(CDC* dc, int dx, int dy, COLORREF color);

    const std::vector<CPoint>& GetInner() const { return m_inner; }
    const std::vector<CPoint>& GetOuter() const { return m_outer; }

private:
    std::vector<CPoint> m_inner;
    std::vector<CPoint> m_outer;
    int m_dotted = 0;
    int m_curvature = 16384;
};

class DrawLine {
public:
    // Where a thick line lies against the line given.
    enum Alignment { CENTERED = 0, POSITIVE_SIDE = 1, NEGATIVE_SIDE = 2 };

    virtual ~DrawLine();

    // A straight line `width` units thick. Thinner than two device pixels, or
    // sloped, it is stroked with a pen of that width; otherwise it is filled
    // as a rectangle. Answers 0 when nothing could be drawn (a window extent
    // of 0).
    int Draw(CDC* dc, CPoint from, CPoint to, int width, COLORREF color, int alignment, int unused = 0);
    // A polyline `width` units wide, with flat ends and round joins.
    int Draw(CDC* dc, const POINT* points, int count, int width, int unused, COLORREF color);
};

// |dx| or |dy| for an axis-parallel line, else the Euclidean length, truncated.
int GetLineLength(int x1, int y1, int x2, int y2);
// dy / dx; 0 for a vertical line.
double GetSlope(int x1, int y1, int x2, int y2);
// y1 + (x2 - x1) x slope, the product truncated toward zero.
int GetYOnLine(int x1, int y1, int x2, double slope);
// Rotates each point about the origin by the angle of the slope, truncating.
void RotatePoints(double slope, const POINT* source, POINT* destination, int count);
