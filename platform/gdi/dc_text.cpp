// The DC's text members. The colours and modes are complete; drawing and
// measuring text wait for the font engine (fontengine.h), which realizes the
// selected CFont: until then they draw nothing and measure nothing.
#include "platform/gdi/dc.h"

#include "platform/gdi/font.h"

COLORREF CDC::SetTextColor(COLORREF color) {
    const COLORREF old = m_state.textColor;
    m_state.textColor = color;
    return old;
}

COLORREF CDC::SetBkColor(COLORREF color) {
    const COLORREF old = m_state.bkColor;
    m_state.bkColor = color;
    return old;
}

int CDC::SetBkMode(int mode) {
    if (mode != TRANSPARENT && mode != OPAQUE)
        return 0;
    const int old = m_state.bkMode;
    m_state.bkMode = mode;
    return old;
}

UINT CDC::SetTextAlign(UINT flags) {
    const UINT old = m_state.textAlign;
    m_state.textAlign = flags;
    return old;
}

int CDC::SetTextCharacterExtra(int extra) {
    const int old = m_state.charExtra;
    m_state.charExtra = extra;
    return old;
}

CFont* GetStockFont(int) {
    return nullptr;   // FIXME: the font engine
}

CFont* CDC::SelectObject(CFont* font) {
    // FIXME: the font engine (realize the font for this DC)
    if (!font || !font->IsCreated())
        return nullptr;
    CFont* old = m_state.font;
    m_state.font = font;
    return old;
}

int CDC::TextOut(int, int, std::string_view) {
    return 1;   // FIXME: the font engine
}

int CDC::ExtTextOut(int, int, UINT, const RECT*, std::string_view, const int*) {
    return 1;   // FIXME: the font engine
}

int CDC::DrawText(std::string_view, RECT*, UINT) {
    return 0;   // FIXME: the font engine
}

CSize CDC::GetTextExtent(std::string_view) const {
    return {};   // FIXME: the font engine
}

int CDC::GetTextMetrics(TEXTMETRIC* metrics) const {
    if (metrics)
        *metrics = TEXTMETRIC{};   // FIXME: the font engine
    return 0;
}

int CDC::GetCharWidth(UINT, UINT, int*) const {
    return 0;   // FIXME: the font engine
}

int CDC::GetTextFace(int, char*) const {
    return 0;   // FIXME: the font engine
}

DWORD CDC::GetGlyphOutline(UINT, UINT, GLYPHMETRICS*, DWORD, void*, const MAT2*) const {
    return GDI_ERROR;   // FIXME: the font engine
}
