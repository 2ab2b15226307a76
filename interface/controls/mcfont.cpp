#include "interface/controls/mcfont.h"

#include "platform/gdi/dc.h"

CFont* MCFont::s_pFontLast = nullptr;
COLORREF MCFont::s_colorLast = 0;

MCFont::MCFont() {
    m_logFont.lfHeight = -14;
    m_logFont.lfWeight = FW_NORMAL;
    m_logFont.lfCharSet = DEFAULT_CHARSET;
    SetFaceName(m_logFont, "Arial");
}

MCFont::~MCFont() {
    m_font.DeleteObject();
}

void MCFont::SetFontName(const std::string& name) {
    SetFaceName(m_logFont, name);
}

void MCFont::SetFontHeight(int height) {
    m_logFont.lfHeight = height;
    m_flags |= FLAG_CHANGED;
}

void MCFont::SetFontWidth(int width) {
    m_logFont.lfWidth = width;
    m_flags |= FLAG_CHANGED;
}

void MCFont::SetFontPointSize(int points, int resolution) {
    m_logFont.lfHeight = MulDiv(points, resolution, 72);
    m_flags |= FLAG_CHANGED;
}

int MCFont::GetFontPointSize(int resolution) const {
    return MulDiv(m_logFont.lfHeight, 72, resolution);
}

void MCFont::SetFontStyle(int bold, int italic, int underline) {
    m_logFont.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    m_logFont.lfItalic = italic ? 1 : 0;
    m_logFont.lfUnderline = underline ? 1 : 0;
    m_flags |= FLAG_CHANGED;
}

void MCFont::SetFontColor(COLORREF color) {
    m_color = color;
    m_flags |= FLAG_COLOR_SET;
}

CFont* MCFont::GetFont(CDC* dc) {
    if (m_flags & FLAG_CHANGED) {
        // The DC must not be left on the font about to be deleted: put back the
        // one our selection replaced (the system font when that one is gone),
        // and its colour with it, so that the next SelectFont saves what the DC
        // had before rather than this font's own colour.
        if (dc && dc->GetCurrentFont() == &m_font) {
            if (!dc->SelectObject(s_pFontLast))
                dc->SelectObject(GetStockFont(SYSTEM_FONT));
            if (m_flags & FLAG_COLOR_SET)
                dc->SetTextColor(s_colorLast);
        }
        m_font.DeleteObject();
        m_font.CreateFontIndirect(&m_logFont);
        m_flags &= static_cast<uint8_t>(~FLAG_CHANGED);
    }
    return &m_font;
}

CFont* MCFont::SelectFont(CDC* dc) {
    CFont* font = GetFont(dc);
    // Selected again without a deselection between: what the first selection
    // replaced is still the font to go back to, not this one.
    const bool again = dc->GetCurrentFont() == font;
    if (m_flags & FLAG_COLOR_SET) {
        const COLORREF old = dc->SetTextColor(m_color);
        if (!again)
            s_colorLast = old;
    }
    CFont* replaced = dc->SelectObject(font);
    if (!again)
        s_pFontLast = replaced;
    m_flags |= FLAG_SELECTED;
    return s_pFontLast;
}

CFont* MCFont::DeselectFont(CDC* dc) {
    if (m_flags & FLAG_COLOR_SET)
        dc->SetTextColor(s_colorLast);
    if (!dc->SelectObject(s_pFontLast) && dc->GetCurrentFont() == &m_font)
        dc->SelectObject(GetStockFont(SYSTEM_FONT));
    m_flags &= static_cast<uint8_t>(~FLAG_SELECTED);
    return &m_font;
}

void MCFont::SaveLogFont(LOGFONT* out) const {
    if (out)
        *out = m_logFont;
}

void MCFont::RestoreLogFont(LOGFONT logFont) {
    m_logFont = logFont;
    m_flags |= FLAG_CHANGED;
}
