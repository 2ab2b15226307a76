// What the DC's drawing files share: the painter set up for an operation, the
// pen and brush as Qt draws them, and device coordinates. Internal to
// platform/gdi.
#pragma once

#include "platform/gdi/dc.h"

#include <QPen>

#include <functional>
#include <set>

class CDCAccess {
public:
    // The device point of a logical one (LPtoDP's rounding).
    static QPoint ToDevice(const CDC& dc, int x, int y);
    // A logical rectangle as device pixels, normalized: [left, right) x [top, bottom).
    static QRect ToDeviceRect(const CDC& dc, int x1, int y1, int x2, int y2);

    // The colour a COLORREF draws as on this DC (black or white on a monochrome surface).
    static QColor DrawColor(const CDC& dc, COLORREF color);
    static bool IsMonochrome(const CDC& dc);
    // Whether the raster mix inverts or combines (no antialiasing then).
    static bool IsRasterMix(int rop2);

    // The pen's width in device pixels (at least 1); 0 for a null pen.
    static int PenPixels(const CDC& dc);
    // Where a stroke's centre lies inside a pixel: 0.5 for odd widths, 0 for even.
    static double StrokeOffset(int width) { return (width % 2) ? 0.5 : 0.0; }
    static QPen MakePen(const CDC& dc, int width);
    // The selected brush as Qt fills with it (Qt::NoBrush for a hollow one).
    static QBrush MakeBrush(const CDC& dc);
    static QBrush MakeBrush(const CDC& dc, const CBrush& brush);

    // The painter, ready to draw with the current mix; null when there is no
    // device or the mix draws nothing (R2_NOP).
    static QPainter* Prepare(CDC& dc);
    // The painter ready to draw, or records `path` into the open path and answers null.
    static QPainter* PrepareOrRecord(CDC& dc, const QPainterPath& path);
    // Fills and strokes a figure's path (device units), as a figure is drawn:
    // the inside with the brush, the outline with the pen.
    static void DrawFigure(CDC& dc, const QPainterPath& outline, const QPainterPath& inside);
    static void MarkDrawn(CDC& dc);

    static CDC::State& State(CDC& dc) { return dc.m_state; }
    static const CDC::State& State(const CDC& dc) { return dc.m_state; }
    static bool PathOpen(const CDC& dc) { return dc.m_pathOpen; }
    static QPainterPath& Path(CDC& dc) { return dc.m_path; }
    static QImage* Image(CDC& dc) { return dc.m_image; }
    static void EndPainter(CDC& dc) { dc.EndPainter(); }
    static void ApplyClip(CDC& dc) { dc.ApplyClip(); }

    // A memory DC's DIB section (null without one): its image brought up to
    // date with its bits, and its drawing written back.
    static CBitmap::DibSection* Section(CDC& dc) { return dc.m_state.section.get(); }
    static void SyncSection(CDC& dc);
    static void FlushSection(CDC& dc);
    // Every DC holding a DIB section, for GdiFlush.
    static void FlushAllSections();
};

// The pixels whose centres lie inside a filled path (device units), as the
// raster engine fills it without antialiasing.
QRegion PathPixels(const QPainterPath& path, Qt::FillRule rule);

// Closed polygons of `counts[i]` points each, through `place` (a point's
// position in the path); false for no points or a polygon of fewer than 2.
bool PolygonsPath(const POINT* points, const int* counts, int polygons,
                  const std::function<QPointF(POINT)>& place, QPainterPath* path);

