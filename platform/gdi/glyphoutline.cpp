#include "platform/gdi/glyphoutline.h"

#include <QPainterPath>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

FIXED DoubleToFixed(double value) {
    const double clamped = std::clamp(value, -32768.0, 32767.0 + 65535.0 / 65536.0);
    const auto raw = static_cast<int32_t>(std::lround(clamped * 65536.0));
    FIXED fixed;
    fixed.fract = static_cast<WORD>(raw & 0xFFFF);
    fixed.value = static_cast<int16_t>(raw >> 16);
    return fixed;
}

double FixedToDouble(FIXED value) {
    return value.value + value.fract / 65536.0;
}

QTransform Mat2ToTransform(const MAT2& m) {
    return QTransform(FixedToDouble(m.eM11), FixedToDouble(m.eM12), FixedToDouble(m.eM21),
                      FixedToDouble(m.eM22), 0, 0);
}

namespace {

// Builds the native buffer in memory, record by record.
class NativeWriter {
public:
    void BeginPolygon(QPointF start) {
        EndPolygon();
        m_polygonStart = m_bytes.size();
        TTPOLYGONHEADER header;
        header.dwType = TT_POLYGON_TYPE;
        header.pfxStart = ToFx(start);
        Append(&header, sizeof header);
        m_current = start;
        m_recordStart = 0;
        m_recordType = 0;
        m_segments = 0;
    }

    void LineTo(QPointF to) {
        const POINTFX point = ToFx(to);
        if (SameFx(point, ToFx(m_current)))
            return;     // a zero-length closing line adds nothing: polygons close themselves
        if (m_recordType != TT_PRIM_LINE)
            BeginRecord(TT_PRIM_LINE);
        AddPoint(point);
        m_current = to;
    }

    void QuadTo(QPointF control, QPointF to) {
        // Each quadratic is a record of its own: merging two needs their shared
        // point to be the midpoint of the controls, which a split cubic rarely is.
        BeginRecord(TT_PRIM_QSPLINE);
        AddPoint(ToFx(control));
        AddPoint(ToFx(to));
        m_current = to;
    }

    void CubicTo(QPointF c1, QPointF c2, QPointF to, int depth = 0) {
        const QPointF p0 = m_current;
        // A TrueType quadratic comes back from the toolkit as its exact
        // elevation: both controls then name the same quadratic control.
        const QPointF q1 = (3 * c1 - p0) / 2;
        const QPointF q2 = (3 * c2 - to) / 2;
        const QPointF third = to - 3 * c2 + 3 * c1 - p0;
        const double error = std::sqrt(3.0) / 36.0 * std::hypot(third.x(), third.y());
        if (error <= kQuadraticTolerance || depth >= 12) {
            QuadTo((q1 + q2) / 2, to);
            return;
        }
        // Halve the cubic (de Casteljau) and try each half.
        const QPointF a = (p0 + c1) / 2, b = (c1 + c2) / 2, c = (c2 + to) / 2;
        const QPointF ab = (a + b) / 2, bc = (b + c) / 2;
        const QPointF mid = (ab + bc) / 2;
        CubicTo(a, ab, mid, depth + 1);
        CubicTo(bc, c, to, depth + 1);
    }

    std::vector<uint8_t> Finish() {
        EndPolygon();
        return std::move(m_bytes);
    }

private:
    static POINTFX ToFx(QPointF p) {
        // The toolkit's paths run y down; the records run y up.
        return POINTFX{DoubleToFixed(p.x()), DoubleToFixed(-p.y())};
    }
    static bool SameFx(const POINTFX& a, const POINTFX& b) {
        return std::memcmp(&a, &b, sizeof a) == 0;
    }

    void Append(const void* data, size_t size) {
        const auto* bytes = static_cast<const uint8_t*>(data);
        m_bytes.insert(m_bytes.end(), bytes, bytes + size);
    }

    void BeginRecord(WORD type) {
        m_recordStart = m_bytes.size();
        m_recordType = type;
        const WORD header[2] = {type, 0};
        Append(header, sizeof header);
        ++m_segments;
    }

    void AddPoint(const POINTFX& point) {
        Append(&point, sizeof point);
        WORD count;
        std::memcpy(&count, m_bytes.data() + m_recordStart + 2, sizeof count);
        ++count;
        std::memcpy(m_bytes.data() + m_recordStart + 2, &count, sizeof count);
    }

    void EndPolygon() {
        if (m_polygonStart == kNone)
            return;
        if (m_segments == 0) {
            m_bytes.resize(m_polygonStart);     // a lone move draws nothing
        } else {
            const auto cb = static_cast<DWORD>(m_bytes.size() - m_polygonStart);
            std::memcpy(m_bytes.data() + m_polygonStart, &cb, sizeof cb);
        }
        m_polygonStart = kNone;
    }

    static constexpr size_t kNone = static_cast<size_t>(-1);
    std::vector<uint8_t> m_bytes;
    size_t m_polygonStart = kNone;
    size_t m_recordStart = 0;
    WORD m_recordType = 0;
    int m_segments = 0;
    QPointF m_current;
};

}  // namespace

DWORD WriteNativeOutline(const QPainterPath& path, void* buffer, DWORD size) {
    NativeWriter writer;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element element = path.elementAt(i);
        switch (element.type) {
        case QPainterPath::MoveToElement:
            writer.BeginPolygon(element);
            break;
        case QPainterPath::LineToElement:
            writer.LineTo(element);
            break;
        case QPainterPath::CurveToElement:
            if (i + 2 < path.elementCount()) {
                writer.CubicTo(element, path.elementAt(i + 1), path.elementAt(i + 2));
                i += 2;
            }
            break;
        case QPainterPath::CurveToDataElement:
            break;      // consumed with its curve
        }
    }
    const std::vector<uint8_t> bytes = writer.Finish();
    const auto needed = static_cast<DWORD>(bytes.size());
    if (!buffer || size == 0)
        return needed;
    if (size < needed)
        return GDI_ERROR;
    if (needed)
        std::memcpy(buffer, bytes.data(), needed);
    return needed;
}

GLYPHMETRICS MeasureGlyphOutline(const QPainterPath& path, double advanceX, double advanceY) {
    GLYPHMETRICS metrics;
    auto cell = [](double advance) {
        return static_cast<int16_t>(std::clamp<long>(std::lround(advance), INT16_MIN, INT16_MAX));
    };
    metrics.gmCellIncX = cell(advanceX);
    metrics.gmCellIncY = cell(-advanceY);
    const QRectF ink = path.boundingRect();
    if (path.isEmpty() || ink.isNull()) {
        metrics.gmBlackBoxX = metrics.gmBlackBoxY = 1;
        return metrics;
    }
    // Whole pixels around the ink, y up.
    const auto left = static_cast<LONG>(std::floor(ink.left()));
    const auto right = static_cast<LONG>(std::ceil(ink.right()));
    const auto top = static_cast<LONG>(std::ceil(-ink.top()));
    const auto bottom = static_cast<LONG>(std::floor(-ink.bottom()));
    metrics.gmBlackBoxX = static_cast<uint32_t>(std::max<LONG>(1, right - left));
    metrics.gmBlackBoxY = static_cast<uint32_t>(std::max<LONG>(1, top - bottom));
    metrics.gmptGlyphOrigin = POINT{left, top};
    return metrics;
}
