// Paths and clipping.
//
// A path is recorded in device pixels (each point rounded as it is drawn) and
// stroked or filled as a figure is. The clipping region is kept in device
// pixels: SelectClipRgn takes device units, IntersectClipRect,
// ExcludeClipRect and OffsetClipRgn logical ones.
#include "platform/gdi/dc.h"

#include "platform/gdi/dc_private.h"
#include "platform/gdi/pathshape.h"

#include <QPainterPathStroker>

QRegion PathPixels(const QPainterPath& path, Qt::FillRule rule) {
    const QRect box = path.boundingRect().toAlignedRect().adjusted(-1, -1, 1, 1);
    if (box.isEmpty())
        return {};
    // The raster engine without antialiasing takes in a pixel whose centre is
    // inside, which is the platform's rule for regions.
    QImage mask(box.size(), QImage::Format_RGB32);
    mask.fill(Qt::white);
    {
        QPainter painter(&mask);
        painter.translate(-box.left(), -box.top());
        QPainterPath filled = path;
        filled.setFillRule(rule);
        painter.fillPath(filled, Qt::black);
    }
    QRegion region;
    for (int y = 0; y < mask.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(mask.constScanLine(y));
        int x = 0;
        while (x < mask.width()) {
            while (x < mask.width() && (row[x] & 0xFFFFFF) != 0)
                ++x;
            const int start = x;
            while (x < mask.width() && (row[x] & 0xFFFFFF) == 0)
                ++x;
            if (x > start)
                region += QRect(box.left() + start, box.top() + y, x - start, 1);
        }
    }
    return region;
}

bool PolygonsPath(const POINT* points, const int* counts, int polygons,
                  const std::function<QPointF(POINT)>& place, QPainterPath* path) {
    if (!points || !counts || polygons < 1)
        return false;
    const POINT* p = points;
    for (int i = 0; i < polygons; ++i) {
        if (counts[i] < 2)
            return false;
        QPolygonF polygon;
        for (int k = 0; k < counts[i]; ++k, ++p)
            polygon << place(*p);
        polygon << polygon.front();
        path->addPolygon(polygon);
        path->closeSubpath();
    }
    return true;
}

// ---- paths --------------------------------------------------------------------------------

int CDC::BeginPath() {
    m_pathOpen = true;
    m_pathReady = false;
    m_path = QPainterPath();
    return 1;
}

int CDC::EndPath() {
    if (!m_pathOpen)
        return 0;
    m_pathOpen = false;
    m_pathReady = true;
    return 1;
}

int CDC::AbortPath() {
    m_pathOpen = false;
    m_pathReady = false;
    m_path = QPainterPath();
    return 1;
}

int CDC::CloseFigure() {
    if (!m_pathOpen)
        return 0;
    m_path.closeSubpath();
    return 1;
}

bool CDC::TakePath(QPainterPath* path) {
    if (!m_pathReady || !path)
        return false;
    *path = m_path;
    path->setFillRule(m_state.polyFillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
    m_path = QPainterPath();
    m_pathReady = false;
    return true;
}

namespace {

enum class PathUse { Stroke, Fill, Both };

// A rectangle filled and outlined in one colour by a one-pixel pen covers
// the filled rectangle and the outline's half-pixel-shifted band: filled
// once, the picture is the same and a printed page holds one shape instead
// of two.
bool FillOutlinedRectangle(QPainter& painter, const QPainterPath& path, const QBrush& brush, const QPen& pen) {
    if (pen.widthF() != 1 || pen.style() != Qt::SolidLine || pen.joinStyle() != Qt::MiterJoin ||
        brush.style() != Qt::SolidPattern || brush.color() != pen.color() ||
        painter.compositionMode() != QPainter::CompositionMode_SourceOver)
        return false;
    const QRectF box = TracedRectangle(path);
    if (box.isEmpty())
        return false;
    const double offset = CDCAccess::StrokeOffset(1);
    painter.fillRect(box.adjusted(0, 0, 2 * offset, 2 * offset), brush);
    return true;
}

int UsePath(CDC& dc, PathUse use) {
    QPainterPath path;
    if (!dc.TakePath(&path))
        return 0;
    const int width = CDCAccess::PenPixels(dc);
    QPainter* painter = CDCAccess::Prepare(dc);
    if (!painter)
        return 1;
    if (use == PathUse::Both && width == 1 &&
        FillOutlinedRectangle(*painter, path, CDCAccess::MakeBrush(dc), CDCAccess::MakePen(dc, width)))
        return 1;
    if (use != PathUse::Stroke) {
        const QBrush brush = CDCAccess::MakeBrush(dc);
        if (brush.style() != Qt::NoBrush)
            painter->fillPath(path, brush);
    }
    if (use != PathUse::Fill && width) {
        const double offset = CDCAccess::StrokeOffset(width);
        painter->strokePath(path.translated(offset, offset), CDCAccess::MakePen(dc, width));
    }
    return 1;
}

}  // namespace

int CDC::StrokePath() { return UsePath(*this, PathUse::Stroke); }
int CDC::FillPath() { return UsePath(*this, PathUse::Fill); }
int CDC::StrokeAndFillPath() { return UsePath(*this, PathUse::Both); }

int CDC::FlattenPath() {
    if (!m_pathReady)
        return 0;
    QPainterPath flat;
    for (const QPolygonF& polygon : m_path.toSubpathPolygons())
        flat.addPolygon(polygon);
    m_path = flat;
    return 1;
}

int CDC::WidenPath() {
    if (!m_pathReady)
        return 0;
    QPainterPathStroker stroker(CDCAccess::MakePen(*this, std::max(1, CDCAccess::PenPixels(*this))));
    m_path = stroker.createStroke(m_path).simplified();
    return 1;
}

int CDC::SelectClipPath(int mode) {
    QPainterPath path;
    if (!TakePath(&path))
        return 0;
    CRgn region;
    region.CreateFromRegion(PathPixels(path, path.fillRule()));
    return SelectClipRgn(&region, mode) != RGN_ERROR;
}

// ---- clipping -------------------------------------------------------------------------------

namespace {

QRegion Surface(CDC& dc) {
    const QImage* image = dc.GetImage();
    if (image)
        return QRegion(image->rect());
    QPainter* painter = dc.GetPainter();
    return painter ? QRegion(QRect(0, 0, painter->device()->width(), painter->device()->height())) : QRegion();
}

// The region drawing may reach now: the clipping region or the whole surface.
QRegion Current(CDC& dc) {
    const auto& state = CDCAccess::State(dc);
    return state.clipped ? state.clip : Surface(dc);
}

int SetClip(CDC& dc, const QRegion& region) {
    auto& state = CDCAccess::State(dc);
    state.clipped = true;
    state.clip = region;
    CDCAccess::ApplyClip(dc);
    return CRgn::RegionType(region);
}

}  // namespace

int CDC::SelectClipRgn(CRgn* region) { return SelectClipRgn(region, RGN_COPY); }

int CDC::SelectClipRgn(CRgn* region, int mode) {
    if (!region || !region->IsCreated()) {
        if (mode != RGN_COPY)
            return RGN_ERROR;
        m_state.clipped = false;
        m_state.clip = QRegion();
        ApplyClip();
        return SIMPLEREGION;
    }
    const QRegion& given = region->GetRegion();
    switch (mode) {
    case RGN_COPY: return SetClip(*this, given);
    case RGN_AND: return SetClip(*this, Current(*this).intersected(given));
    case RGN_OR: return SetClip(*this, Current(*this).united(given));
    case RGN_XOR: return SetClip(*this, Current(*this).xored(given));
    case RGN_DIFF: return SetClip(*this, Current(*this).subtracted(given));
    default: return RGN_ERROR;
    }
}

int CDC::IntersectClipRect(int x1, int y1, int x2, int y2) {
    return SetClip(*this, Current(*this).intersected(CDCAccess::ToDeviceRect(*this, x1, y1, x2, y2)));
}

int CDC::ExcludeClipRect(int x1, int y1, int x2, int y2) {
    return SetClip(*this, Current(*this).subtracted(CDCAccess::ToDeviceRect(*this, x1, y1, x2, y2)));
}

int CDC::OffsetClipRgn(int dx, int dy) {
    if (!m_state.clipped)
        return SIMPLEREGION;
    const int x = MulDiv(dx, m_state.viewportExt.cx, m_state.windowExt.cx);
    const int y = MulDiv(dy, m_state.viewportExt.cy, m_state.windowExt.cy);
    return SetClip(*this, m_state.clip.translated(x, y));
}

int CDC::GetClipBox(RECT* rect) const {
    if (!rect)
        return RGN_ERROR;
    CDC& self = const_cast<CDC&>(*this);
    const QRegion region = Current(self);
    const QRect box = region.boundingRect();
    if (region.isEmpty()) {
        *rect = RECT{};
        return NULLREGION;
    }
    POINT corners[2] = {{box.left(), box.top()}, {box.right() + 1, box.bottom() + 1}};
    DPtoLP(corners, 2);
    *rect = RECT{corners[0].x, corners[0].y, corners[1].x, corners[1].y};
    return CRgn::RegionType(region);
}

int CDC::GetClipRgn(CRgn* region) const {
    if (!region)
        return -1;
    if (!m_state.clipped)
        return 0;
    if (region->IsCreated())
        region->DeleteObject();
    region->CreateFromRegion(m_state.clip);
    return 1;
}

bool CDC::PtVisible(int x, int y) const {
    const QPoint p = CDCAccess::ToDevice(*this, x, y);
    return Current(const_cast<CDC&>(*this)).contains(p);
}

bool CDC::RectVisible(const RECT* rect) const {
    if (!rect)
        return false;
    return Current(const_cast<CDC&>(*this))
        .intersects(CDCAccess::ToDeviceRect(*this, rect->left, rect->top, rect->right, rect->bottom));
}
