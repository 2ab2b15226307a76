// Filling a glyph cache of the music font: every code of the face measured
// once (its black box, on the device the font is selected into), as the view
// does for each size mode when the font or the zoom changes. A fill must take
// under 20 ms, so that a zoom step does not stall.
#include "notation/layout/musicfont.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/gdiobj.h"

#include <benchmark/benchmark.h>

namespace {

void BM_FillGlyphCache(benchmark::State& state) {
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    CDC screen;
    CBitmap bitmap;
    bitmap.CreateCompatibleBitmap(&screen, 64, 64);
    dc.SelectObject(&bitmap);
    MCMusicFont& font = MCMusicFont::GetMusicFont();
    font.SelectFont(&dc, FONT_NORMAL);      // realized once, outside the timing
    font.DeselectFont(&dc);
    for (auto _ : state) {
        font.SetExtentDirty(1, FONT_NORMAL);
        font.SelectFont(&dc, FONT_NORMAL);
        font.DeselectFont(&dc);
    }
    state.SetLabel("limit 20 ms a fill");
}
BENCHMARK(BM_FillGlyphCache)->Unit(benchmark::kMillisecond);

}  // namespace
