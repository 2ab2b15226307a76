// Lines, curves, figures and filled rectangles on the device grid.
//
// Every logical point is first rounded to its device pixel (LPtoDP). A stroke
// of odd width runs through pixel centres (+0.5), one of even width along pixel
// edges, so it inks whole rows and columns. A one-pixel line inks its start
// pixel and leaves out its end pixel; a figure bounded by (l, t, r, b) inks
// l .. r-1 and t .. b-1, its outline centred on the outermost pixels.
#include "platform/gdi/dc.h"

#include "platform/gdi/dc_private.h"
#include "platform/gdi/dib.h"

#include <QPainterPathStroker>

#include <cmath>
#include <numbers>

// ---- colours, pens, brushes ----------------------------------------------------------------

bool CDCAccess::IsMonochrome(const CDC& dc) {
    return dc.m_kind == DCKind::Memory && dc.m_state.mono;
}

QColor CDCAccess::DrawColor(const CDC& dc, COLORREF color) {
    if ((color >> 24) == 0x01) {
        // An index into the selected palette.
        const auto& entries = dc.m_state.paletteEntries;
        const size_t index = color & 0xFFFF;
        if (entries && index < entries->size())
            color = RGB((*entries)[index].peRed, (*entries)[index].peGreen, (*entries)[index].peBlue);
        else
            color = 0;
    }
    color &= 0x00FFFFFF;
    if (IsMonochrome(dc)) {
        // The nearer of black and white by intensity.
        const int intensity = GetRValue(color) * 30 + GetGValue(color) * 59 + GetBValue(color) * 11;
        return intensity >= 128 * 100 ? QColor(Qt::white) : QColor(Qt::black);
    }
    return QColor(GetRValue(color), GetGValue(color), GetBValue(color));
}

bool CDCAccess::IsRasterMix(int rop2) {
    return rop2 != R2_COPYPEN && rop2 != R2_BLACK && rop2 != R2_WHITE && rop2 != R2_NOTCOPYPEN;
}

namespace {

// The colour a pen or brush colour becomes under the mixes that replace the
// destination outright.
QColor MixColor(int rop2, QColor color) {
    switch (rop2) {
    case R2_BLACK: return Qt::black;
    case R2_WHITE: return Qt::white;
    case R2_NOTCOPYPEN: return QColor(255 - color.red(), 255 - color.green(), 255 - color.blue());
    default: return color;
    }
}

QPainter::CompositionMode MixMode(int rop2) {
    switch (rop2) {
    case R2_NOTMERGEPEN: return QPainter::RasterOp_NotSourceAndNotDestination;
    case R2_MASKNOTPEN: return QPainter::RasterOp_NotSourceAndDestination;
    case R2_MASKPENNOT: return QPainter::RasterOp_SourceAndNotDestination;
    case R2_NOT: return QPainter::RasterOp_NotDestination;
    case R2_XORPEN: return QPainter::RasterOp_SourceXorDestination;
    case R2_NOTMASKPEN: return QPainter::RasterOp_NotSourceOrNotDestination;
    case R2_MASKPEN: return QPainter::RasterOp_SourceAndDestination;
    case R2_NOTXORPEN: return QPainter::RasterOp_NotSourceXorDestination;
    case R2_MERGENOTPEN: return QPainter::RasterOp_NotSourceOrDestination;
    case R2_MERGEPENNOT: return QPainter::RasterOp_SourceOrNotDestination;
    case R2_MERGEPEN: return QPainter::RasterOp_SourceOrDestination;
    default: return QPainter::CompositionMode_SourceOver;
    }
}

}  // namespace

int CDCAccess::PenPixels(const CDC& dc) {
    const CDC::State& s = dc.m_state;
    if ((s.penStyle & PS_STYLE_MASK) == PS_NULL)
        return 0;
    if (s.penWidth <= 1 && (s.penStyle & PS_TYPE_MASK) != PS_GEOMETRIC)
        return 1;
    const int pixels = std::abs(MulDiv(s.penWidth, s.viewportExt.cx, s.windowExt.cx));
    return std::max(1, pixels);
}

QPen CDCAccess::MakePen(const CDC& dc, int width) {
    const CDC::State& s = dc.m_state;
    QPen pen(MixColor(s.rop2, DrawColor(dc, s.penColor)), width);
    if (width == 1) {
        pen.setCapStyle(Qt::FlatCap);
        pen.setJoinStyle(Qt::MiterJoin);
        // The platform's one-pixel dash patterns, in pixels.
        switch (s.penStyle & PS_STYLE_MASK) {
        case PS_DASH: pen.setDashPattern({18, 6}); break;
        case PS_DOT: pen.setDashPattern({3, 3}); break;
        case PS_DASHDOT: pen.setDashPattern({9, 6, 3, 6}); break;
        case PS_DASHDOTDOT: pen.setDashPattern({9, 3, 3, 3, 3, 3}); break;
        case PS_ALTERNATE: pen.setDashPattern({1, 1}); break;
        default: break;
        }
        return pen;
    }
    switch (s.penStyle & PS_ENDCAP_MASK) {
    case PS_ENDCAP_SQUARE: pen.setCapStyle(Qt::SquareCap); break;
    case PS_ENDCAP_FLAT: pen.setCapStyle(Qt::FlatCap); break;
    default: pen.setCapStyle(Qt::RoundCap); break;
    }
    switch (s.penStyle & PS_JOIN_MASK) {
    case PS_JOIN_BEVEL: pen.setJoinStyle(Qt::BevelJoin); break;
    case PS_JOIN_MITER: pen.setJoinStyle(Qt::MiterJoin); pen.setMiterLimit(s.miterLimit); break;
    default: pen.setJoinStyle(Qt::RoundJoin); break;
    }
    return pen;
}

namespace {

QImage MonoPattern(const QImage& pattern, QColor zero, QColor one) {
    QImage out(pattern.size(), QImage::Format_RGB32);
    for (int y = 0; y < pattern.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(pattern.constScanLine(y));
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < pattern.width(); ++x)
            row[x] = (in[x] & 0xFFFFFF) == 0xFFFFFF ? one.rgb() : zero.rgb();
    }
    return out;
}

QBrush BrushFrom(const CDC& dc, UINT style, COLORREF color, int hatch, const QImage* pattern, bool monoPattern) {
    const int rop2 = CDCAccess::State(dc).rop2;
    switch (style) {
    case BS_NULL: return Qt::NoBrush;
    case BS_HATCHED: {
        static const Qt::BrushStyle kHatches[] = {Qt::HorPattern, Qt::VerPattern, Qt::FDiagPattern,
                                                  Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern};
        return QBrush(MixColor(rop2, CDCAccess::DrawColor(dc, color)), kHatches[hatch]);
    }
    case BS_PATTERN:
        if (!pattern)
            return Qt::NoBrush;
        if (monoPattern)
            return QBrush(MonoPattern(*pattern, CDCAccess::DrawColor(dc, dc.GetTextColor()),
                                      CDCAccess::DrawColor(dc, dc.GetBkColor())));
        return QBrush(*pattern);
    default: return QBrush(MixColor(rop2, CDCAccess::DrawColor(dc, color)));
    }
}

}  // namespace

QBrush CDCAccess::MakeBrush(const CDC& dc) {
    const CDC::State& s = dc.m_state;
    return BrushFrom(dc, s.brushStyle, s.brushColor, s.brushHatch, s.brushPattern.get(), s.brushMonoPattern);
}

QBrush CDCAccess::MakeBrush(const CDC& dc, const CBrush& brush) {
    return BrushFrom(dc, brush.GetStyle(), brush.GetColor(), brush.GetHatch(), brush.GetPattern(),
                     brush.IsMonochromePattern());
}

void CDCAccess::MarkDrawn(CDC& dc) {
    if (dc.m_state.section) {
        SyncSection(dc);   // what the caller wrote into the bits first
        dc.m_state.section->imageDrawn = true;
    }
}

QPainter* CDCAccess::Prepare(CDC& dc) {
    const int rop2 = dc.m_state.rop2;
    if (rop2 == R2_NOP)
        return nullptr;
    QPainter* painter = dc.GetPainter();
    if (!painter)
        return nullptr;
    // Raster mixes exist only on images; elsewhere (printer, PDF) they copy.
    const bool raster = IsRasterMix(rop2) && dc.m_image;
    painter->setCompositionMode(raster ? MixMode(rop2) : QPainter::CompositionMode_SourceOver);
    // Inversions are exact (drawn twice they restore every pixel); masks stay
    // two-coloured.
    painter->setRenderHint(QPainter::Antialiasing, !raster && !IsMonochrome(dc));
    const CPoint org = dc.m_state.brushOrg;
    painter->setBrushOrigin(org.x, org.y);
    MarkDrawn(dc);
    return painter;
}

QPainter* CDCAccess::PrepareOrRecord(CDC& dc, const QPainterPath& path) {
    if (dc.m_pathOpen) {
        dc.m_path.addPath(path);
        return nullptr;
    }
    return Prepare(dc);
}

void CDCAccess::DrawFigure(CDC& dc, const QPainterPath& outline, const QPainterPath& inside) {
    const int width = PenPixels(dc);
    if (dc.m_pathOpen) {
        dc.m_path.addPath(width ? outline : inside);
        return;
    }
    QPainter* painter = Prepare(dc);
    if (!painter)
        return;
    const QBrush brush = MakeBrush(dc);
    if (brush.style() != Qt::NoBrush && !inside.isEmpty()) {
        QPainterPath fill = inside;
        fill.setFillRule(dc.m_state.polyFillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
        // Under a mix the outline must not cover the inside twice.
        if (width && IsRasterMix(dc.m_state.rop2)) {
            QPainterPathStroker stroker;
            stroker.setWidth(width);
            fill = fill.subtracted(stroker.createStroke(outline));
        }
        if (dc.m_state.brushStyle == BS_HATCHED && dc.m_state.bkMode == OPAQUE)
            painter->fillPath(fill, MixColor(dc.m_state.rop2, DrawColor(dc, dc.m_state.bkColor)));
        painter->fillPath(fill, brush);
    }
    if (width)
        painter->strokePath(outline, MakePen(dc, width));
}

// ---- lines and curves ------------------------------------------------------------------------

namespace {

QPointF Centre(QPoint point, double offset) { return QPointF(point.x() + offset, point.y() + offset); }

// Moves a point half a pixel back along the direction from `from` to `to`.
QPointF HalfBack(QPointF point, QPointF from, QPointF to) {
    const QPointF d = to - from;
    const double length = std::hypot(d.x(), d.y());
    return length > 0 ? point - d * (0.5 / length) : point;
}

}  // namespace

CPoint CDC::MoveTo(int x, int y) {
    const CPoint old = m_state.position;
    m_state.position = {x, y};
    if (m_pathOpen) {
        const QPoint d = CDCAccess::ToDevice(*this, x, y);
        m_path.moveTo(d);
    }
    return old;
}

// A polyline through device points with the pen: a one-pixel line takes in its
// first pixel and leaves out its last, as each segment of the platform's does.
static int StrokeDevicePolyline(CDC& dc, const std::vector<QPoint>& points) {
    if (points.size() < 2)
        return 1;
    QPainterPath path;
    const int width = CDCAccess::PenPixels(dc);
    const double offset = CDCAccess::StrokeOffset(std::max(width, 1));
    QPolygonF line;
    for (const QPoint& p : points)
        line << Centre(p, offset);
    if (CDCAccess::PathOpen(dc)) {
        QPainterPath& recorded = CDCAccess::Path(dc);
        if (recorded.elementCount() == 0 || recorded.currentPosition() != QPointF(points.front()))
            recorded.moveTo(points.front());
        for (size_t i = 1; i < points.size(); ++i)
            recorded.lineTo(points[i]);
        return 1;
    }
    if (!width)
        return 1;
    if (width == 1) {
        const auto n = line.size();
        line[0] = HalfBack(line[0], line[0], line[1]);
        line[n - 1] = HalfBack(line[n - 1], line[n - 2], line[n - 1]);
    }
    QPainter* painter = CDCAccess::Prepare(dc);
    if (!painter)
        return 1;
    painter->setPen(CDCAccess::MakePen(dc, width));
    painter->setBrush(Qt::NoBrush);
    if (line.size() == 2)
        painter->drawLine(line[0], line[1]);
    else
        painter->drawPolyline(line);
    return 1;
}

int CDC::LineTo(int x, int y) {
    const CPoint from = m_state.position;
    m_state.position = {x, y};
    return StrokeDevicePolyline(*this, {CDCAccess::ToDevice(*this, from.x, from.y), CDCAccess::ToDevice(*this, x, y)});
}

int CDC::Polyline(const POINT* points, int count) {
    if (!points || count < 2)
        return 0;
    std::vector<QPoint> device;
    device.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        device.push_back(CDCAccess::ToDevice(*this, points[i].x, points[i].y));
    return StrokeDevicePolyline(*this, device);
}

int CDC::PolylineTo(const POINT* points, int count) {
    if (!points || count < 1)
        return 0;
    std::vector<QPoint> device{CDCAccess::ToDevice(*this, m_state.position.x, m_state.position.y)};
    for (int i = 0; i < count; ++i)
        device.push_back(CDCAccess::ToDevice(*this, points[i].x, points[i].y));
    m_state.position = points[count - 1];
    return StrokeDevicePolyline(*this, device);
}

int CDC::PolyPolyline(const POINT* points, const DWORD* counts, int polylines) {
    if (!points || !counts || polylines < 1)
        return 0;
    for (int i = 0; i < polylines; ++i) {
        if (!Polyline(points, static_cast<int>(counts[i])))
            return 0;
        points += counts[i];
    }
    return 1;
}

namespace {

// Cubic Béziers through device points appended to a path that stands at
// points[0].
void AddBeziers(QPainterPath& path, const std::vector<QPointF>& points) {
    for (size_t i = 1; i + 2 < points.size(); i += 3)
        path.cubicTo(points[i], points[i + 1], points[i + 2]);
}

}  // namespace

static int StrokeBeziers(CDC& dc, std::vector<QPoint> device) {
    const int width = CDCAccess::PenPixels(dc);
    const double offset = CDCAccess::StrokeOffset(std::max(width, 1));
    std::vector<QPointF> points;
    for (const QPoint& p : device)
        points.push_back(CDCAccess::PathOpen(dc) ? QPointF(p) : Centre(p, offset));
    if (CDCAccess::PathOpen(dc)) {
        // Curves that start away from where the path stands begin a figure
        // of their own: nothing joins them to the one before (connecting
        // the two would draw a line between them).
        QPainterPath& recorded = CDCAccess::Path(dc);
        if (recorded.elementCount() == 0 || recorded.currentPosition() != points.front())
            recorded.moveTo(points.front());
        AddBeziers(recorded, points);
        return 1;
    }
    QPainterPath path(points.front());
    AddBeziers(path, points);
    if (!width)
        return 1;
    if (QPainter* painter = CDCAccess::Prepare(dc))
        painter->strokePath(path, CDCAccess::MakePen(dc, width));
    return 1;
}

int CDC::PolyBezier(const POINT* points, int count) {
    if (!points || count < 4 || (count - 1) % 3 != 0)
        return 0;
    std::vector<QPoint> device;
    for (int i = 0; i < count; ++i)
        device.push_back(CDCAccess::ToDevice(*this, points[i].x, points[i].y));
    return StrokeBeziers(*this, std::move(device));
}

int CDC::PolyBezierTo(const POINT* points, int count) {
    if (!points || count < 3 || count % 3 != 0)
        return 0;
    std::vector<QPoint> device{CDCAccess::ToDevice(*this, m_state.position.x, m_state.position.y)};
    for (int i = 0; i < count; ++i)
        device.push_back(CDCAccess::ToDevice(*this, points[i].x, points[i].y));
    m_state.position = points[count - 1];
    return StrokeBeziers(*this, std::move(device));
}

// ---- arcs --------------------------------------------------------------------------------------

namespace {

// The ellipse of a bounding box (device units) through pixel centres, and the
// Qt angles (degrees, counter-clockwise on the screen) of the rays through two points.
struct ArcGeometry {
    QRectF box;
    double start = 0;
    double sweep = 360;
    QPointF startPoint;
    QPointF endPoint;
};

ArcGeometry MakeArc(const CDC& dc, const QRect& box, QPoint start, QPoint end, double offset) {
    ArcGeometry arc;
    arc.box = QRectF(box.left() + offset, box.top() + offset, std::max(0, box.width() - 1), std::max(0, box.height() - 1));
    const QPointF c = arc.box.center();
    auto angle = [&](QPoint p) {
        const double a = std::atan2(-(p.y() + offset - c.y()), p.x() + offset - c.x()) * 180.0 / std::numbers::pi;
        return a < 0 ? a + 360.0 : a;
    };
    arc.start = angle(start);
    const double stop = angle(end);
    double sweep = stop - arc.start;
    if (dc.GetArcDirection() == AD_COUNTERCLOCKWISE) {
        while (sweep <= 0)
            sweep += 360.0;
    } else {
        while (sweep >= 0)
            sweep -= 360.0;
    }
    arc.sweep = sweep;
    QPainterPath probe;
    probe.arcMoveTo(arc.box, arc.start);
    arc.startPoint = probe.currentPosition();
    probe.arcMoveTo(arc.box, arc.start + arc.sweep);
    arc.endPoint = probe.currentPosition();
    return arc;
}

}  // namespace

int CDC::Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    const int width = CDCAccess::PenPixels(*this);
    const ArcGeometry arc = MakeArc(*this, CDCAccess::ToDeviceRect(*this, x1, y1, x2, y2), CDCAccess::ToDevice(*this, x3, y3),
                                    CDCAccess::ToDevice(*this, x4, y4), CDCAccess::StrokeOffset(std::max(width, 1)));
    QPainterPath path;
    path.arcMoveTo(arc.box, arc.start);
    path.arcTo(arc.box, arc.start, arc.sweep);
    if (m_pathOpen) {
        m_path.addPath(path);
        return 1;
    }
    if (width)
        if (QPainter* painter = CDCAccess::Prepare(*this))
            painter->strokePath(path, CDCAccess::MakePen(*this, width));
    return 1;
}

int CDC::Arc(const RECT* rect, POINT start, POINT end) {
    return rect ? Arc(rect->left, rect->top, rect->right, rect->bottom, start.x, start.y, end.x, end.y) : 0;
}

// Strokes a figure that starts at the current position (ArcTo, AngleArc)
// and moves the position to its end.
static int StrokeFromPosition(CDC& dc, const QPainterPath& path, double offset) {
    POINT last{static_cast<LONG>(std::lround(path.currentPosition().x() - offset)),
               static_cast<LONG>(std::lround(path.currentPosition().y() - offset))};
    dc.DPtoLP(&last);
    CDCAccess::State(dc).position = last;
    if (CDCAccess::PathOpen(dc)) {
        CDCAccess::Path(dc).connectPath(path);
        return 1;
    }
    const int width = CDCAccess::PenPixels(dc);
    if (width)
        if (QPainter* painter = CDCAccess::Prepare(dc))
            painter->strokePath(path, CDCAccess::MakePen(dc, width));
    return 1;
}

int CDC::ArcTo(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    const int width = CDCAccess::PenPixels(*this);
    const double offset = CDCAccess::StrokeOffset(std::max(width, 1));
    const ArcGeometry arc = MakeArc(*this, CDCAccess::ToDeviceRect(*this, x1, y1, x2, y2), CDCAccess::ToDevice(*this, x3, y3),
                                    CDCAccess::ToDevice(*this, x4, y4), offset);
    QPainterPath path(Centre(CDCAccess::ToDevice(*this, m_state.position.x, m_state.position.y), offset));
    path.lineTo(arc.startPoint);
    path.arcTo(arc.box, arc.start, arc.sweep);
    return StrokeFromPosition(*this, path, offset);
}

int CDC::ArcTo(const RECT* rect, POINT start, POINT end) {
    return rect ? ArcTo(rect->left, rect->top, rect->right, rect->bottom, start.x, start.y, end.x, end.y) : 0;
}

int CDC::AngleArc(int x, int y, int radius, float startAngle, float sweepAngle) {
    if (radius < 0)
        return 0;
    const int width = CDCAccess::PenPixels(*this);
    const double offset = CDCAccess::StrokeOffset(std::max(width, 1));
    const QPoint centre = CDCAccess::ToDevice(*this, x, y);
    SIZE r{radius, radius};
    LPtoDP(&r);
    const QRectF box(centre.x() + offset - r.cx, centre.y() + offset - r.cy, 2.0 * r.cx, 2.0 * r.cy);
    QPainterPath path(Centre(CDCAccess::ToDevice(*this, m_state.position.x, m_state.position.y), offset));
    QPainterPath probe;
    probe.arcMoveTo(box, startAngle);
    path.lineTo(probe.currentPosition());
    path.arcTo(box, startAngle, sweepAngle);
    return StrokeFromPosition(*this, path, offset);
}

// ---- figures -------------------------------------------------------------------------------------

namespace {

// A figure's bounding box in device pixels; a PS_INSIDEFRAME pen keeps its
// whole width inside it.
QRect FigureBox(const CDC& dc, int x1, int y1, int x2, int y2) {
    QRect box = CDCAccess::ToDeviceRect(dc, x1, y1, x2, y2);
    const int width = CDCAccess::PenPixels(dc);
    if ((CDCAccess::State(dc).penStyle & PS_STYLE_MASK) == PS_INSIDEFRAME && width > 1)
        box.adjust(width / 2, width / 2, -((width - 1) / 2), -((width - 1) / 2));
    return box;
}

// The outline through the outermost pixels' centres (by pen width) and, for a
// null pen, the area one pixel short on the right and bottom, as the platform
// fills it.
QRectF OutlineBox(const QRect& box, int width) {
    const double offset = CDCAccess::StrokeOffset(std::max(width, 1));
    return QRectF(box.left() + offset, box.top() + offset, box.width() - 1, box.height() - 1);
}

}  // namespace

int CDC::Rectangle(int x1, int y1, int x2, int y2) {
    const QRect box = FigureBox(*this, x1, y1, x2, y2);
    if (box.width() < 1 || box.height() < 1)
        return 1;
    const int width = CDCAccess::PenPixels(*this);
    QPainterPath outline;
    QPainterPath inside;
    if (width) {
        const QRectF line = OutlineBox(box, width);
        outline.addRect(line);
        const QRectF inner = line.adjusted(width / 2.0, width / 2.0, -width / 2.0, -width / 2.0);
        if (inner.width() > 0 && inner.height() > 0)
            inside.addRect(inner);
    } else {
        inside.addRect(QRectF(box.left(), box.top(), box.width() - 1, box.height() - 1));
    }
    if (m_pathOpen) {
        // In a path the rectangle is its area, so that a clip or fill path of
        // it covers the pixels a FillRect would.
        m_path.addRect(QRectF(box));
        return 1;
    }
    // The inside and the outline do not overlap: fill each once.
    QPainter* painter = CDCAccess::Prepare(*this);
    if (!painter)
        return 1;
    const QBrush brush = CDCAccess::MakeBrush(*this);
    if (brush.style() != Qt::NoBrush && !inside.isEmpty()) {
        if (m_state.brushStyle == BS_HATCHED && m_state.bkMode == OPAQUE)
            painter->fillPath(inside, CDCAccess::DrawColor(*this, m_state.bkColor));
        painter->fillPath(inside, brush);
    }
    if (width)
        painter->strokePath(outline, CDCAccess::MakePen(*this, width));
    return 1;
}

int CDC::RoundRect(int x1, int y1, int x2, int y2, int x3, int y3) {
    const QRect box = FigureBox(*this, x1, y1, x2, y2);
    if (box.width() < 1 || box.height() < 1)
        return 1;
    SIZE corner{x3, y3};
    LPtoDP(&corner);
    const QRectF line = OutlineBox(box, CDCAccess::PenPixels(*this));
    QPainterPath path;
    path.addRoundedRect(line, std::abs(corner.cx) / 2.0, std::abs(corner.cy) / 2.0);
    CDCAccess::DrawFigure(*this, path, path);
    return 1;
}

int CDC::RoundRect(const RECT* rect, POINT corner) {
    return rect ? RoundRect(rect->left, rect->top, rect->right, rect->bottom, corner.x, corner.y) : 0;
}

int CDC::Ellipse(int x1, int y1, int x2, int y2) {
    const QRect box = FigureBox(*this, x1, y1, x2, y2);
    if (box.width() < 1 || box.height() < 1)
        return 1;
    QPainterPath path;
    path.addEllipse(OutlineBox(box, CDCAccess::PenPixels(*this)));
    CDCAccess::DrawFigure(*this, path, path);
    return 1;
}

static int ArcFigure(CDC& dc, bool pie, int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    const int width = CDCAccess::PenPixels(dc);
    const ArcGeometry arc = MakeArc(dc, FigureBox(dc, x1, y1, x2, y2), CDCAccess::ToDevice(dc, x3, y3),
                                    CDCAccess::ToDevice(dc, x4, y4), CDCAccess::StrokeOffset(std::max(width, 1)));
    QPainterPath path;
    if (pie) {
        path.moveTo(arc.box.center());
        path.lineTo(arc.startPoint);
    } else {
        path.arcMoveTo(arc.box, arc.start);
    }
    path.arcTo(arc.box, arc.start, arc.sweep);
    path.closeSubpath();
    CDCAccess::DrawFigure(dc, path, path);
    return 1;
}

int CDC::Chord(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    return ArcFigure(*this, false, x1, y1, x2, y2, x3, y3, x4, y4);
}

int CDC::Chord(const RECT* rect, POINT start, POINT end) {
    return rect ? Chord(rect->left, rect->top, rect->right, rect->bottom, start.x, start.y, end.x, end.y) : 0;
}

int CDC::Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    return ArcFigure(*this, true, x1, y1, x2, y2, x3, y3, x4, y4);
}

int CDC::Pie(const RECT* rect, POINT start, POINT end) {
    return rect ? Pie(rect->left, rect->top, rect->right, rect->bottom, start.x, start.y, end.x, end.y) : 0;
}

int CDC::Polygon(const POINT* points, int count) { return PolyPolygon(points, &count, 1); }

int CDC::PolyPolygon(const POINT* points, const int* counts, int polygons) {
    if (!points || !counts || polygons < 1)
        return 0;
    const int width = CDCAccess::PenPixels(*this);
    // Without a pen the area lies between the points themselves, so a filled
    // polygon meets a FillRect of the same corners exactly.
    const double offset = width ? CDCAccess::StrokeOffset(width) : 0.0;
    QPainterPath path;
    if (!PolygonsPath(points, counts, polygons, [&](POINT p) { return Centre(CDCAccess::ToDevice(*this, p.x, p.y), offset); }, &path))
        return 0;
    path.setFillRule(m_state.polyFillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
    CDCAccess::DrawFigure(*this, path, path);
    return 1;
}

// ---- rectangles with a brush or a colour (no pen, no mix) -------------------------------------------

namespace {

// The painter for a fill that ignores the mix (FillRect is a pattern copy).
QPainter* PrepareCopy(CDC& dc) {
    QPainter* painter = dc.GetPainter();
    if (!painter)
        return nullptr;
    painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter->setRenderHint(QPainter::Antialiasing, false);
    const CPoint org = CDCAccess::State(dc).brushOrg;
    painter->setBrushOrigin(org.x, org.y);
    CDCAccess::MarkDrawn(dc);
    return painter;
}

void FillDeviceRect(CDC& dc, const QRect& rect, const CBrush& brush) {
    if (rect.isEmpty())
        return;
    QPainter* painter = PrepareCopy(dc);
    if (!painter)
        return;
    if (brush.GetStyle() == BS_HATCHED && dc.GetBkMode() == OPAQUE)
        painter->fillRect(rect, CDCAccess::DrawColor(dc, dc.GetBkColor()));
    painter->fillRect(rect, CDCAccess::MakeBrush(dc, brush));
}

}  // namespace

void CDC::FillRect(const RECT* rect, CBrush* brush) {
    if (!rect || !brush || !brush->IsCreated())
        return;
    FillDeviceRect(*this, CDCAccess::ToDeviceRect(*this, rect->left, rect->top, rect->right, rect->bottom), *brush);
}

void CDC::FillSolidRect(const RECT* rect, COLORREF color) {
    if (!rect)
        return;
    // The class library fills through the background colour and leaves it set;
    // callers that draw text next rely on it.
    SetBkColor(color);
    const QRect device = CDCAccess::ToDeviceRect(*this, rect->left, rect->top, rect->right, rect->bottom);
    if (device.isEmpty())
        return;
    if (QPainter* painter = PrepareCopy(*this))
        painter->fillRect(device, CDCAccess::DrawColor(*this, color));
}

void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF color) {
    const RECT rect{x, y, x + cx, y + cy};
    FillSolidRect(&rect, color);
}

void CDC::FrameRect(const RECT* rect, CBrush* brush) {
    if (!rect || !brush || !brush->IsCreated())
        return;
    const QRect r = CDCAccess::ToDeviceRect(*this, rect->left, rect->top, rect->right, rect->bottom);
    if (r.isEmpty())
        return;
    FillDeviceRect(*this, QRect(r.left(), r.top(), r.width(), 1), *brush);
    FillDeviceRect(*this, QRect(r.left(), r.bottom(), r.width(), 1), *brush);
    FillDeviceRect(*this, QRect(r.left(), r.top() + 1, 1, r.height() - 2), *brush);
    FillDeviceRect(*this, QRect(r.right(), r.top() + 1, 1, r.height() - 2), *brush);
}

void CDC::Draw3dRect(const RECT* rect, COLORREF topLeft, COLORREF bottomRight) {
    if (rect)
        Draw3dRect(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, topLeft, bottomRight);
}

void CDC::Draw3dRect(int x, int y, int cx, int cy, COLORREF topLeft, COLORREF bottomRight) {
    FillSolidRect(x, y, cx - 1, 1, topLeft);
    FillSolidRect(x, y, 1, cy - 1, topLeft);
    FillSolidRect(x + cx, y, -1, cy, bottomRight);
    FillSolidRect(x, y + cy, cx, -1, bottomRight);
}

int CDC::FillRgn(CRgn* region, CBrush* brush) {
    if (!region || !region->IsCreated() || !brush || !brush->IsCreated())
        return 0;
    for (const QRect& r : region->GetRegion())
        FillDeviceRect(*this, CDCAccess::ToDeviceRect(*this, r.left(), r.top(), r.right() + 1, r.bottom() + 1), *brush);
    return 1;
}

int CDC::PaintRgn(CRgn* region) {
    return m_state.brush ? FillRgn(region, m_state.brush) : 0;
}

int CDC::FrameRgn(CRgn* region, CBrush* brush, int width, int height) {
    if (!region || !region->IsCreated() || !brush || !brush->IsCreated() || width < 1 || height < 1)
        return 0;
    // The frame: the region less itself shrunk by the frame's width and height.
    const QRegion& whole = region->GetRegion();
    QRegion shrunk = whole;
    for (int dx = -width; dx <= width; dx += width)
        for (int dy = -height; dy <= height; dy += height)
            shrunk = shrunk.intersected(whole.translated(dx, dy));
    CRgn frame;
    frame.CreateFromRegion(whole.subtracted(shrunk));
    return FillRgn(&frame, brush);
}

COLORREF CDC::SetPixel(int x, int y, COLORREF color) {
    const QPoint p = CDCAccess::ToDevice(*this, x, y);
    if (!m_image || !m_image->rect().contains(p))
        return CLR_INVALID;
    if (m_state.clipped && !m_state.clip.contains(p))
        return CLR_INVALID;
    const QColor drawn = CDCAccess::DrawColor(*this, color);
    reinterpret_cast<QRgb*>(m_image->scanLine(p.y()))[p.x()] = drawn.rgb();
    CDCAccess::MarkDrawn(*this);
    return RGB(static_cast<BYTE>(drawn.red()), static_cast<BYTE>(drawn.green()), static_cast<BYTE>(drawn.blue()));
}

COLORREF CDC::GetPixel(int x, int y) const {
    const QPoint p = CDCAccess::ToDevice(*this, x, y);
    if (!m_image || !m_image->rect().contains(p))
        return CLR_INVALID;
    const QRgb pixel = reinterpret_cast<const QRgb*>(m_image->constScanLine(p.y()))[p.x()];
    return RGB(static_cast<BYTE>(qRed(pixel)), static_cast<BYTE>(qGreen(pixel)), static_cast<BYTE>(qBlue(pixel)));
}
