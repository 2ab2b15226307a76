// MCFont: a font description — a logical font and a text colour — that makes
// its platform font only when something has changed, and selects itself into a
// device context together with its colour.
//
// Every setter marks the description changed (the face name alone does not:
// a caller sets it beside a size or a style); the platform font is made again
// at the next GetFont or SelectFont. A new description is Arial, character
// height 14, normal weight, the default character set, and no colour: a font
// without a colour leaves the DC's text colour alone.
//
// SelectFont keeps the font and colour it replaced in s_pFontLast and
// s_colorLast, shared by every MCFont, so a SelectFont must be paired with
// its DeselectFont on the same DC before another MCFont is selected.
//
// Ownership: the platform font is the object's (deleted with it); the fonts
// kept in s_pFontLast are borrowed from whoever selected them.
// User-interface thread only.
#pragma once

#include "platform/gdi/font.h"
#include "platform/ui/geometry.h"

#include <cstdint>
#include <string>

class CDC;

class MCFont : public CFont {
public:
    // The bits of the flags byte.
    enum : uint8_t { FLAG_CHANGED = 1, FLAG_COLOR_SET = 2, FLAG_SELECTED = 4 };

    MCFont();
    virtual ~MCFont();

    // The face, as much of it as the record's 32 bytes hold; not a change.
    void SetFontName(const std::string& name);
    void SetFontHeight(int height);
    void SetFontWidth(int width);
    // A cell height of points x resolution / 72, rounded as MulDiv rounds.
    void SetFontPointSize(int points, int resolution);
    int GetFontPointSize(int resolution) const;
    void SetFontStyle(int bold, int italic, int underline);
    void SetFontColor(COLORREF color);

    const LOGFONT& GetLogFont() const { return m_logFont; }
    COLORREF GetFontColor() const { return m_color; }
    uint8_t GetFlags() const { return m_flags; }

    // The platform font, made again first when the description changed.
    virtual CFont* GetFont(CDC* dc);
    // Selects the font (and its colour, when set) into `dc`; answers the font
    // it replaced, which is also kept in s_pFontLast.
    virtual CFont* SelectFont(CDC* dc);
    // Puts back the font and colour the last SelectFont replaced; answers this
    // description's platform font.
    virtual CFont* DeselectFont(CDC* dc);
    virtual void SaveLogFont(LOGFONT* out) const;
    virtual void RestoreLogFont(LOGFONT logFont);

    static CFont* s_pFontLast;     // borrowed: the font the last SelectFont replaced
    static COLORREF s_colorLast;   // the text colour it replaced

private:
    CFont m_font;                  // owned; empty until first needed
    LOGFONT m_logFont;
    COLORREF m_color = 0;          // meaningful with FLAG_COLOR_SET
    uint8_t m_flags = FLAG_CHANGED;
};
