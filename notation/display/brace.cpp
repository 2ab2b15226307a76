// DCctBrac: measuring and drawing a brace or a bracket.
#include "notation/display/brace.h"

#include "model/markings.h"
#include "notation/display/drawsteps.h"
#include "notation/display/staff.h"
#include "notation/layout/curves.h"
#include "platform/core/archive.h"
#include "platform/gdi/dc.h"

IMPLEMENT_SERIAL(DCctBrac, DCctBase, VERSIONABLE_SCHEMA | 2)

namespace {
constexpr UINT kBraceGlyph = 132;
constexpr UINT kBraceSecondHalf = 131;
constexpr UINT kThickBar = 153;     // its width is the bracket line's
constexpr UINT kBracketTop = 154;
constexpr UINT kBracketBottom = 155;

// The music font at the brace's size: H high, two notehead heights wide
// (the width narrows the face), selected into `dc` and put back when the
// scope ends. The glyph caches the score measures with are left alone.
class BraceFontScope {
public:
    BraceFontScope(CDC* dc, int height, COLORREF color, bool withColor)
        : m_dc(dc), m_color(MCMusicFont::GetMusicFont()) {
        MCMusicFont& font = MCMusicFont::GetMusicFont();
        font.SaveLogFont(&m_font, &m_metrics);
        const int h = font.GetNoteheadHeight(FONT_CURRENT);
        font.SetFontHeight(height);
        font.SetFontWidth(2 * h);
        if (withColor)
            font.SetFontColor(color);
        font.SetExtentDirty(0, FONT_ALL);
        font.SelectFont(dc, FONT_NORMAL);
    }
    ~BraceFontScope() {
        MCMusicFont& font = MCMusicFont::GetMusicFont();
        font.DeselectFont(m_dc);
        font.RestoreLogFont(m_font, m_metrics);
    }
    BraceFontScope(const BraceFontScope&) = delete;
    BraceFontScope& operator=(const BraceFontScope&) = delete;

private:
    CDC* m_dc;
    FontColorScope m_color;
    LOGFONT m_font;
    MCMusicFont::NoteMetrics m_metrics;
};
}  // namespace

DCctBrac::DCctBrac() = default;

DCctBrac::DCctBrac(const DCctBrac& other) : DCctBase(other), m_nHeight(other.m_nHeight) {}

DCctBrac::~DCctBrac() = default;

BYTE DCctBrac::GetType() {
    auto* brac = dynamic_cast<ECBrac*>(GetOwner());
    return brac ? brac->GetBracType() : static_cast<BYTE>(SHAPE_BRACE);
}

void DCctBrac::SetHeight(int height) {
    m_nHeight = static_cast<int16_t>(height);
    SetFrameDirty(1);
}

COLORREF DCctBrac::GetColor(CDC* dc) {
    return DCctStaff::GetStaffElementColor(dc, *this);
}

void DCctBrac::SetSize(CDC* dc) {
    if (!FrameDirty())
        return;
    const int height = m_nHeight;
    if (GetType() != SHAPE_BRACE) {
        const MCMusicFont& font = MCMusicFont::GetMusicFont();
        const MCMusicFont::MusicFontMetrics top = font.GetMusicMetrics(kBracketTop, FONT_CURRENT);
        const MCMusicFont::MusicFontMetrics bottom = font.GetMusicMetrics(kBracketBottom, FONT_CURRENT);
        m_metrics.SetWidth(static_cast<int>(top.GetWidth()));
        m_metrics.SetHeight(static_cast<int>(top.GetHeight() + bottom.GetHeight()) + height);
        m_metrics.SetTop(static_cast<int>(top.GetHeight()));
    } else {
        MeasuringDC measuring(dc);
        BraceFontScope brace(measuring.Get(), height, 0, false);
        const MCMusicFont::MusicFontMetrics glyph =
            MCMusicFont::GetMusicFont().GetMusicExtent(measuring.Get(), kBraceGlyph);
        m_metrics.SetWidth(static_cast<int>(glyph.GetWidth()));
        m_metrics.SetTop(height / 2);
        m_metrics.SetHeight(height);
    }
    SetFrameDirty(0);
}

int DCctBrac::Draw(CDC* dc, CPoint point, CRect*) {
    if (GetType() == SHAPE_BRACE)
        DrawBrace(dc, point);
    else
        DrawBracket(dc, point);
    return DRAW_DONE;
}

void DCctBrac::DrawBracket(CDC* dc, CPoint point) {
    MCMusicFont& font = MCMusicFont::GetMusicFont();
    const COLORREF color = GetColor(dc);
    FontColorScope colorScope(font);
    font.SetFontColor(color);
    font.SelectFont(dc, FONT_NORMAL);
    SetSize(dc);
    CPoint p = GetPosition();
    p.Offset(point.x, point.y);
    const int ascent = font.GetAscent(FONT_CURRENT);
    DrawMusicGlyph(dc, p.x, p.y + ascent, kBracketTop);
    DrawMusicGlyph(dc, p.x, p.y + ascent - m_nHeight, kBracketBottom);
    const int thickness = static_cast<int>(font.GetMusicMetrics(kThickBar, FONT_CURRENT).GetWidth());
    DrawLine line;
    line.Draw(dc, p, CPoint(p.x, p.y - m_nHeight), thickness, color, DrawLine::POSITIVE_SIDE, 0);
    font.DeselectFont(dc);
}

void DCctBrac::DrawBrace(CDC* dc, CPoint point) {
    SetSize(dc);
    BraceFontScope brace(dc, m_nHeight, GetColor(dc), true);
    CPoint p = GetPosition();
    p.Offset(point.x, point.y);
    const int ascent = MCMusicFont::GetMusicFont().GetAscent(FONT_CURRENT);
    DrawMusicGlyph(dc, p.x, p.y + ascent, kBraceGlyph);
    DrawMusicGlyph(dc, p.x, p.y + ascent, kBraceSecondHalf);
}

int DCctBrac::DrawInRect(CDC* dc, CRect* rect) {
    MCMusicFont& font = MCMusicFont::GetMusicFont();
    LOGFONT savedFont;
    MCMusicFont::NoteMetrics savedMetrics;
    font.SaveLogFont(&savedFont, &savedMetrics);
    FontColorScope color(font);
    font.SetFontColor(GetColor(dc));
    font.SetFontHeight(rect->bottom - rect->top);
    // The sample's height must not refill the caches the score measures with.
    font.SetExtentDirty(0, FONT_ALL);
    font.SelectFont(dc, FONT_NORMAL);
    m_metrics = font.GetMusicExtent(dc, GetFontFromType());
    SetHeight((rect->top - rect->bottom) * 2 / 3);
    SetFrameDirty(0);
    SetAssembleDirty(1);
    SetPosition(rect->left + (rect->right - rect->left) / 2, rect->top + (rect->bottom - rect->top) / 6);
    Draw(dc, CPoint(0, 0), nullptr);
    font.DeselectFont(dc);
    font.RestoreLogFont(savedFont, savedMetrics);
    // The score measures it again at its own height.
    SetFrameDirty(1);
    return 1;
}
