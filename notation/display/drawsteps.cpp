#include "notation/display/drawsteps.h"

#include "interface/controls/mcfont.h"
#include "platform/core/codepage.h"
#include "platform/gdi/dc.h"

#include <string>
#include <string_view>

namespace {

// One code of the music font's table as the text the device context takes.
std::string GlyphText(UINT glyph) {
    const char code = static_cast<char>(glyph);
    return Cp1252ToUtf8(std::string_view(&code, 1));
}

}  // namespace

CPoint SnapToDevice(CDC* dc, CPoint point) {
    dc->LPtoDP(&point, 1);
    dc->DPtoLP(&point, 1);
    return point;
}

void DrawMusicGlyph(CDC* dc, int x, int y, UINT glyph) {
    if (glyph == 0 || glyph > 255)
        return;
    // A glyph's cell overlaps its neighbours (a ledger line, a stem, a dot):
    // drawn opaque it would wipe them.
    const int oldMode = dc->SetBkMode(TRANSPARENT);
    dc->TextOut(x, y, GlyphText(glyph));
    dc->SetBkMode(oldMode);
}

int MusicGlyphWidth(CDC* dc, UINT glyph) {
    if (glyph == 0 || glyph > 255)
        return 0;
    return dc->GetTextExtent(GlyphText(glyph)).cx;
}

FontColorScope::FontColorScope(MCFont& font)
    : m_font(font), m_color(font.GetFontColor()), m_hadColor((font.GetFlags() & MCFont::FLAG_COLOR_SET) != 0) {}

FontColorScope::~FontColorScope() {
    if (m_hadColor)
        m_font.SetFontColor(m_color);
}

MeasuringDC::MeasuringDC(CDC* dc) : m_dc(dc) {
    if (m_dc)
        return;
    m_scratch = std::make_unique<CDC>();
    m_scratch->CreateCompatibleDC(nullptr);
    m_dc = m_scratch.get();
}

MeasuringDC::~MeasuringDC() = default;
