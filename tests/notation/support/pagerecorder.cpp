// The recording printer: a paint engine that measures instead of drawing,
// and a print engine that answers the paper and counts the pages.
#include "tests/notation/support/pagerecorder.h"

#include "notation/layout/pagelayout.h"
#include "platform/gdi/dc.h"
#include "platform/ui/print.h"

#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QPageLayout>
#include <QPrintEngine>
#include <QTransform>

#include <climits>
#include <map>

namespace page_check {

namespace {

// Fills and strokes this light are the paper's colour, not ink.
constexpr int kPaperLightness = 250;

bool IsInk(const QColor& colour) { return colour.alpha() > 0 && colour.lightness() < kPaperLightness; }

// Whether a path is an upright rectangle: its box says all of it.
bool IsUprightBox(const QPainterPath& path) {
    const QRectF box = path.boundingRect();
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        if (e.isCurveTo() || (e.x != box.left() && e.x != box.right()) || (e.y != box.top() && e.y != box.bottom()))
            return false;
    }
    return true;
}

}  // namespace

class RecordingPrinter::Engine : public QPaintEngine, public QPrintEngine, public CDrawingObserver {
public:
    explicit Engine(const QPageSize& paper)
        : QPaintEngine(AllFeatures),
          m_layout(paper, QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)) {}

    // ---- the observer ----------------------------------------------------------------------
    void OnDrawObject(const CObject* object) override { m_element = object; }
    void OnTextBegin(std::string_view text, const LOGFONT& font) override {
        m_text = std::string(text);
        m_face = font.lfFaceName;
        m_inText = true;
        ++m_runs;
    }
    void OnTextEnd() override {
        m_inText = false;
        m_text.clear();
        m_face.clear();
    }

    // ---- the paint engine ------------------------------------------------------------------
    bool begin(QPaintDevice*) override {
        m_state = QPrinter::Active;
        m_page = 1;
        m_element = nullptr;
        return true;
    }
    bool end() override {
        m_state = QPrinter::Idle;
        return true;
    }
    Type type() const override { return User; }

    void updateState(const QPaintEngineState& state) override {
        const DirtyFlags dirty = state.state();
        if (dirty & DirtyTransform)
            m_transform = state.transform();
        if (dirty & DirtyPen)
            m_pen = state.pen();
        if (dirty & DirtyBrush)
            m_brush = state.brush();
        if (dirty & (DirtyClipRegion | DirtyClipPath | DirtyClipEnabled)) {
            // Clipping is set in the painter's coordinates of the moment.
            m_clipped = state.isClipEnabled() && state.clipOperation() != Qt::NoClip;
            if (dirty & DirtyClipRegion)
                m_clip = m_transform.mapRect(QRectF(state.clipRegion().boundingRect()));
            else if (dirty & DirtyClipPath)
                m_clip = m_transform.map(state.clipPath()).boundingRect();
            if (state.clipOperation() == Qt::NoClip)
                m_clipped = false;
        }
    }

    void drawPath(const QPainterPath& path) override { Shape(path, true); }
    void drawRects(const QRectF* rects, int count) override {
        for (int i = 0; i < count; ++i) {
            QPainterPath path;
            path.addRect(rects[i]);
            Shape(path, true);
        }
    }
    void drawLines(const QLineF* lines, int count) override {
        for (int i = 0; i < count; ++i) {
            QPainterPath path(lines[i].p1());
            path.lineTo(lines[i].p2());
            Shape(path, false);
        }
    }
    void drawEllipse(const QRectF& rect) override {
        QPainterPath path;
        path.addEllipse(rect);
        Shape(path, true);
    }
    void drawPoints(const QPointF* points, int count) override {
        for (int i = 0; i < count; ++i) {
            QPainterPath path(points[i]);
            path.lineTo(points[i]);
            Shape(path, false);
        }
    }
    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override {
        if (count <= 0)
            return;
        QPainterPath path(points[0]);
        for (int i = 1; i < count; ++i)
            path.lineTo(points[i]);
        if (mode != PolylineMode)
            path.closeSubpath();
        Shape(path, mode != PolylineMode);
    }
    void drawPixmap(const QRectF& rect, const QPixmap&, const QRectF&) override { Picture(rect); }
    void drawImage(const QRectF& rect, const QImage&, const QRectF&, Qt::ImageConversionFlags) override {
        Picture(rect);
    }
    void drawTiledPixmap(const QRectF& rect, const QPixmap&, const QPointF&) override { Picture(rect); }
    // The base turns a run into its glyphs' outlines and fills them through
    // drawPath, which keeps them as one mark.
    void drawTextItem(const QPointF& point, const QTextItem& item) override {
        m_glyphs = true;
        m_run = QRectF();
        m_runOutline = QPainterPath();
        QPaintEngine::drawTextItem(point, item);
        m_glyphs = false;
        if (!m_run.isEmpty())
            Keep(m_run, InkMark::Shape::Glyphs, m_runOutline);
    }

    // ---- the print engine --------------------------------------------------------------------
    void setProperty(PrintEnginePropertyKey key, const QVariant& value) override {
        if (key == PPK_QPageLayout)
            m_layout = value.value<QPageLayout>();
        else if (key == PPK_QPageSize)
            m_layout.setPageSize(value.value<QPageSize>());
        else
            m_properties[key] = value;
    }
    QVariant property(PrintEnginePropertyKey key) const override {
        switch (key) {
        case PPK_QPageLayout: return QVariant::fromValue(m_layout);
        case PPK_QPageSize: return QVariant::fromValue(m_layout.pageSize());
        case PPK_Resolution: return kDotsPerInch;
        case PPK_FullPage: return true;
        case PPK_PaperRect:
        case PPK_PageRect: return m_layout.fullRectPixels(kDotsPerInch);
        default: {
            const auto found = m_properties.find(key);
            return found == m_properties.end() ? QVariant() : found->second;
        }
        }
    }
    bool newPage() override {
        ++m_page;
        m_element = nullptr;
        return true;
    }
    bool abort() override {
        m_state = QPrinter::Aborted;
        return true;
    }
    int metric(QPaintDevice::PaintDeviceMetric id) const override {
        const QRect pixels = m_layout.fullRectPixels(kDotsPerInch);
        const QRectF millimetres = m_layout.fullRect(QPageLayout::Millimeter);
        switch (id) {
        case QPaintDevice::PdmWidth: return pixels.width();
        case QPaintDevice::PdmHeight: return pixels.height();
        case QPaintDevice::PdmWidthMM: return qRound(millimetres.width());
        case QPaintDevice::PdmHeightMM: return qRound(millimetres.height());
        case QPaintDevice::PdmNumColors: return INT_MAX;
        case QPaintDevice::PdmDepth: return 32;
        case QPaintDevice::PdmDpiX:
        case QPaintDevice::PdmDpiY:
        case QPaintDevice::PdmPhysicalDpiX:
        case QPaintDevice::PdmPhysicalDpiY: return kDotsPerInch;
        case QPaintDevice::PdmDevicePixelRatio: return 1;
        case QPaintDevice::PdmDevicePixelRatioScaled: return static_cast<int>(QPaintDevice::devicePixelRatioFScale());
        default: return 0;
        }
    }
    QPrinter::PrinterState printerState() const override { return m_state; }

    std::vector<InkMark> marks;
    int m_page = 0;

private:
    void Shape(const QPainterPath& path, bool closed) {
        const bool filled = closed && m_brush.style() != Qt::NoBrush && IsInk(m_brush.color());
        const bool stroked = m_pen.style() != Qt::NoPen && IsInk(m_pen.color());
        if (!filled && !stroked)
            return;
        QPainterPath outline = m_transform.map(path);
        if (stroked) {
            // A cosmetic or zero-width pen draws one device pixel.
            QPainterPathStroker stroker;
            stroker.setWidth(std::max(1.0, m_pen.widthF() * (m_pen.isCosmetic() ? 1.0 : m_transform.m11())));
            stroker.setCapStyle(m_pen.capStyle());
            stroker.setJoinStyle(m_pen.joinStyle());
            const QPainterPath line = stroker.createStroke(outline);
            outline = filled ? outline.united(line) : line;
        }
        const QRectF box = outline.boundingRect();
        if (m_glyphs) {
            m_run = m_run.isEmpty() ? box : m_run.united(box);
            m_runOutline.addPath(outline);
            return;
        }
        Keep(box, stroked && !filled ? InkMark::Shape::Stroke : InkMark::Shape::Fill,
             IsUprightBox(outline) ? QPainterPath() : outline);
    }
    void Picture(const QRectF& rect) { Keep(m_transform.mapRect(rect), InkMark::Shape::Picture, {}); }
    void Keep(QRectF box, InkMark::Shape shape, const QPainterPath& outline) {
        if (m_clipped) {
            if (!box.intersects(m_clip))
                return;   // clipped away
            box = box.intersected(m_clip);
        }
        InkMark mark;
        mark.page = m_page;
        mark.box = box;
        mark.shape = shape;
        mark.element = m_element;
        if (!outline.isEmpty())
            mark.outline = m_clipped ? outline.intersected(ClipPath()) : outline;
        if (m_inText) {
            mark.text = m_text;
            mark.face = m_face;
            mark.run = m_runs;
        }
        marks.push_back(std::move(mark));
    }

    QPainterPath ClipPath() const {
        QPainterPath clip;
        clip.addRect(m_clip);
        return clip;
    }

    QPageLayout m_layout;
    std::map<PrintEnginePropertyKey, QVariant> m_properties;
    QPrinter::PrinterState m_state = QPrinter::Idle;
    QTransform m_transform;
    QPen m_pen;
    QBrush m_brush;
    bool m_clipped = false;
    QRectF m_clip;
    bool m_glyphs = false;   // inside a glyph run: its outlines make one mark
    QRectF m_run;
    QPainterPath m_runOutline;
    const CObject* m_element = nullptr;
    bool m_inText = false;
    int m_runs = 0;
    std::string m_text;
    std::string m_face;
};

RecordingPrinter::RecordingPrinter(const QPageSize& paper) : m_engine(std::make_unique<Engine>(paper)) {
    setEngines(m_engine.get(), m_engine.get());
}

RecordingPrinter::~RecordingPrinter() = default;

CDrawingObserver& RecordingPrinter::Observer() { return *m_engine; }

const std::vector<InkMark>& RecordingPrinter::Marks() const { return m_engine->marks; }

int RecordingPrinter::PageCount() const { return m_engine->m_page; }

QPageSize LayoutPaper() {
    constexpr double kTwipsPerPoint = 20;
    const CRect& paper = MCPageLayout::GetPageLayout().GetPaperRect();
    return QPageSize(QSizeF(std::abs(paper.Width()) / kTwipsPerPoint, std::abs(paper.Height()) / kTwipsPerPoint),
                     QPageSize::Point, QString(), QPageSize::ExactMatch);
}

RecordedPages RecordPrint(CView& view) {
    RecordingPrinter printer(LayoutPaper());
    RecordedPages recorded;
    recorded.printed = PrintViewOn(view, printer, &printer.Observer());
    recorded.pages = printer.PageCount();
    recorded.marks = printer.Marks();
    return recorded;
}

}  // namespace page_check
