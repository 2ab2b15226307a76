// Music glyphs through the font engine: 10,000 black noteheads drawn one by
// one into a page-sized image (A4 at 96 dpi) through a realized "Norvane2"
// font, against the same glyphs drawn with the toolkit directly (one glyph run
// each, of the same registered face). A score page is drawn glyph by glyph, so
// the engine's cost per call is what scrolling and printing feel.
#include "platform/gdi/fontengine.h"
#include "platform/gdi/symbolface.h"

#include <QGlyphRun>
#include <QImage>
#include <QPainter>
#include <QRawFont>

#include <benchmark/benchmark.h>

namespace {

constexpr int kGlyphs = 10000;
constexpr int kPageWidth = 794, kPageHeight = 1123;
constexpr int kEm = 32;
constexpr char kNotehead[] = "\xC3\x8F";      // code 207

QPointF Where(int i) {
    return QPointF(20 + (i % 100) * 7.5, 40 + (i / 100) * 10.5);
}

LOGFONT MusicFont() {
    LOGFONT logFont;
    logFont.lfHeight = -kEm;
    SetFaceName(logFont, "Norvane2");
    return logFont;
}

// Draws the page of glyphs once per iteration, each glyph by `draw(painter, point)`.
template <typename Draw>
void DrawPages(benchmark::State& state, Draw draw) {
    QImage page(kPageWidth, kPageHeight, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        page.fill(Qt::white);
        QPainter painter(&page);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::black);
        for (int i = 0; i < kGlyphs; ++i)
            draw(painter, Where(i));
    }
    state.SetItemsProcessed(state.iterations() * kGlyphs);
}

void ThroughEngine(benchmark::State& state) {
    const auto font = CRealizedFont::Create(MusicFont(), {});
    DrawPages(state, [&](QPainter& painter, QPointF at) {
        font->DrawText(painter, at, kNotehead, TA_BASELINE);
    });
}
BENCHMARK(ThroughEngine)->Unit(benchmark::kMillisecond);

void Directly(benchmark::State& state) {
    const CSymbolFace* face = FindSymbolFace("Norvane2");
    if (!face) {
        state.SkipWithError("the music font is not installed");
        return;
    }
    QRawFont raw = QRawFont::fromFont(QFont(face->GetFamily(0)));
    raw.setPixelSize(kEm);
    QGlyphRun run;
    run.setRawFont(raw);
    run.setGlyphIndexes({face->Find(207)->glyphs.front().index});
    run.setPositions({QPointF(0, 0)});
    DrawPages(state, [&](QPainter& painter, QPointF at) { painter.drawGlyphRun(at, run); });
}
BENCHMARK(Directly)->Unit(benchmark::kMillisecond);

}  // namespace
