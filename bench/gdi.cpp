// Drawing speed through the device context: the notation view draws every
// staff line, stem and barline of a page through CDC, so its mapping, grid
// rounding and state handling must cost little beside the painter's own work.
// The lines through CDC should stay within 1.5x of the same lines drawn with
// QPainter directly. ScrollDC moves the view's whole off-screen bitmap at each
// scroll step. A score page is drawn glyph by glyph as well: 10,000 music
// glyphs through CDC against the same glyph runs drawn with the painter.
//
// Every pass starts on a fresh white page: ink drawn again and again
// on the same spots turns its edges solid, and solid ink blends faster than
// antialiased edges, so a path that ran more passes would seem the faster one.
#include "platform/gdi/dc.h"
#include "platform/gdi/font.h"
#include "platform/gdi/symbolface.h"

#include <QGlyphRun>
#include <QImage>
#include <QPainter>
#include <QRawFont>

#include <benchmark/benchmark.h>

#include <vector>

namespace {

// A Letter page at 96 pixels per inch, in twips: 12,240 x 15,840.
constexpr int kPageWidth = 816;
constexpr int kPageHeight = 1056;
constexpr int kLines = 10000;

struct Line {
    int x1, y1, x2, y2;   // twips, y up
};

// Staff lines, stems and slanted beams spread over the page.
std::vector<Line> PageLines() {
    std::vector<Line> lines;
    lines.reserve(kLines);
    unsigned seed = 12345;
    auto next = [&](int range) {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int>((seed >> 8) % static_cast<unsigned>(range));
    };
    for (int i = 0; i < kLines; ++i) {
        const int x = next(11000) + 200;
        const int y = -(next(14500) + 300);
        switch (i % 3) {
        case 0: lines.push_back({x, y, x + next(1000) + 50, y}); break;         // staff line piece
        case 1: lines.push_back({x, y, x, y - next(500) - 50}); break;          // stem
        default: lines.push_back({x, y, x + 300, y - next(200)}); break;        // beam edge
        }
    }
    return lines;
}

void SetPage(CDC& dc) {
    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetWindowExt(1440, 1440);
    dc.SetViewportExt(96, -96);
}

// A page-sized memory DC of 96 pixels per inch mapped as a page (SetPage).
struct PageDC {
    PageDC() {
        dc.CreateCompatibleDC(&screen);
        page.CreateCompatibleBitmap(&screen, kPageWidth, kPageHeight);
        dc.SelectObject(&page);
        Clear();
        SetPage(dc);
    }
    // Paints the page white (a page is white, and ink on ink blends differently).
    void Clear() { dc.GetImage()->fill(Qt::white); }
    CDC screen;
    CDC dc;
    CBitmap page;
};

void BM_LinesThroughCDC(benchmark::State& state) {
    const std::vector<Line> lines = PageLines();
    PageDC target;
    CDC& dc = target.dc;
    CPen pen(PS_SOLID, 15, RGB(0, 0, 0));   // a pixel at this zoom, as staff lines are
    dc.SelectObject(&pen);
    for (auto _ : state) {
        target.Clear();
        for (const Line& line : lines) {
            dc.MoveTo(line.x1, line.y1);
            dc.LineTo(line.x2, line.y2);
        }
        benchmark::DoNotOptimize(dc.GetImage()->constBits());
    }
    state.SetItemsProcessed(state.iterations() * kLines);
}
BENCHMARK(BM_LinesThroughCDC)->Unit(benchmark::kMillisecond);

// The same lines, converted to pixels once, straight through a painter.
void BM_LinesThroughQPainter(benchmark::State& state) {
    const std::vector<Line> lines = PageLines();
    QImage page(kPageWidth, kPageHeight, QImage::Format_RGB32);
    page.fill(Qt::white);
    std::vector<QLineF> device;
    for (const Line& line : lines)
        device.emplace_back(line.x1 * 96 / 1440 + 0.5, -line.y1 * 96 / 1440 + 0.5, line.x2 * 96 / 1440 + 0.5,
                            -line.y2 * 96 / 1440 + 0.5);
    QPainter painter(&page);
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(Qt::black, 1);
    pen.setCapStyle(Qt::FlatCap);
    for (auto _ : state) {
        page.fill(Qt::white);
        for (const QLineF& line : device) {
            painter.setPen(pen);
            painter.drawLine(line);
        }
        benchmark::DoNotOptimize(page.constBits());
    }
    state.SetItemsProcessed(state.iterations() * kLines);
}
BENCHMARK(BM_LinesThroughQPainter)->Unit(benchmark::kMillisecond);

// ---- music glyphs ----------------------------------------------------------------------

constexpr int kGlyphs = 10000;
constexpr int kGlyphEm = 480;                 // twips: 32 pixels at 96 per inch
constexpr char kNotehead[] = "\xC3\x8F";     // code 207, the black notehead

// Where glyph `i` stands on the page, in twips (y up): rows of 100.
POINT GlyphPoint(int i) { return {300 + (i % 100) * 110, -(600 + (i / 100) * 150)}; }

// The music face's glyph run of the black notehead at the benchmark's size, or
// an empty run when the face is not installed.
QGlyphRun NoteheadRun() {
    QGlyphRun run;
    const CSymbolFace* face = FindSymbolFace("Norvane2");
    if (!face || !face->Find(207))
        return run;
    // Realized as the device context realizes its fonts: unhinted, so measures
    // follow the zoom.
    QFont font(face->GetFamily(0));
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setStyleStrategy(QFont::NoFontMerging);
    QRawFont raw = QRawFont::fromFont(font);
    raw.setPixelSize(kGlyphEm * 96.0 / 1440);
    run.setRawFont(raw);
    run.setGlyphIndexes({face->Find(207)->glyphs.front().index});
    run.setPositions({QPointF(0, 0)});
    return run;
}

void BM_GlyphsThroughCDC(benchmark::State& state) {
    PageDC target;
    CDC& dc = target.dc;
    CFont music;
    music.CreateFont(-kGlyphEm, 0, 0, 0, FW_NORMAL, 0, 0, 0, SYMBOL_CHARSET, 0, 0, 0, 0, "Norvane2");
    dc.SelectObject(&music);
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextAlign(TA_BASELINE);
    for (auto _ : state) {
        target.Clear();
        for (int i = 0; i < kGlyphs; ++i) {
            const POINT at = GlyphPoint(i);
            dc.TextOut(at.x, at.y, kNotehead);
        }
        benchmark::DoNotOptimize(dc.GetImage()->constBits());
    }
    state.SetItemsProcessed(state.iterations() * kGlyphs);
}
BENCHMARK(BM_GlyphsThroughCDC)->Unit(benchmark::kMillisecond);

// The same glyph, positions converted to pixels once, as glyph runs of the
// registered face.
void BM_GlyphsThroughQPainter(benchmark::State& state) {
    const QGlyphRun run = NoteheadRun();
    if (run.glyphIndexes().isEmpty()) {
        state.SkipWithError("the music font is not installed");
        return;
    }
    std::vector<QPointF> device;
    for (int i = 0; i < kGlyphs; ++i) {
        const POINT at = GlyphPoint(i);
        device.emplace_back(at.x * 96 / 1440, -at.y * 96 / 1440);
    }
    QImage page(kPageWidth, kPageHeight, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter painter(&page);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::black);
    for (auto _ : state) {
        page.fill(Qt::white);
        for (const QPointF& at : device)
            painter.drawGlyphRun(at, run);
        benchmark::DoNotOptimize(page.constBits());
    }
    state.SetItemsProcessed(state.iterations() * kGlyphs);
}
BENCHMARK(BM_GlyphsThroughQPainter)->Unit(benchmark::kMillisecond);

// One scroll step of a full-screen view: 1920 x 1080 moved up by 40 pixels.
void BM_ScrollDC(benchmark::State& state) {
    CDC screen;
    CDC dc;
    dc.CreateCompatibleDC(&screen);
    CBitmap surface;
    surface.CreateCompatibleBitmap(&screen, 1920, 1080);
    dc.SelectObject(&surface);
    const RECT all{0, 0, 1920, 1080};
    for (auto _ : state) {
        RECT uncovered;
        dc.ScrollDC(0, -40, &all, &all, nullptr, &uncovered);
        benchmark::DoNotOptimize(uncovered);
    }
}
BENCHMARK(BM_ScrollDC)->Unit(benchmark::kMicrosecond);

}  // namespace
