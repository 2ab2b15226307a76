// The font engine: a logical font realized on a device, measured and drawn.
//
// A device context realizes the font it selects: a LOGFONT (sizes in logical
// units) plus the device's pixels per logical unit in x and y becomes a
// CRealizedFont, which measures and draws in device units. Nothing here knows
// mapping modes: the device context converts its points to device units before
// calling, so text stands upright in every mapping mode.
//
// How the description becomes a face at a size:
// - Face names: "Times New Roman" is Liberation Serif; "Arial", "MS Sans Serif",
//   "MS Shell Dlg" and "Helv" Liberation Sans; "Courier" and "Courier New" Liberation Mono;
//   a symbol face (symbolface.h) its own files; any other name whatever the
//   font database finds for it.
// - Height: a negative lfHeight is the character (em) height, a positive one
//   the cell height (ascent + descent), 0 twelve points at the device's
//   resolution. The face is realized unhinted at that exact (fractional) size,
//   so measures follow the zoom and differ between zooms by rounding only.
// - Width: a non-zero lfWidth stretches a text face horizontally by lfWidth
//   over its average character width at that height, in drawing, extents and
//   outlines. A symbol face keeps its proportions; only a code that fills a
//   box (the brace) takes its width from lfWidth.
// - Weight, italic, underline, strike-out as described; lfEscapement (tenths
//   of a degree, counter-clockwise) turns drawn text about its reference point.
//
// Text is UTF-8. A symbol face reads each character as its Windows-1252 byte,
// the face's character code (a text that is not UTF-8 is read byte by byte). Text is not shaped: each character is its glyph
// at the advance of the face's design, with neither kerning nor ligatures, so
// the extent of a string is the sum of its characters' widths.
//
// Measures come in two forms: exact device units (doubles, for drawing and for
// device contexts that keep their own rounding) and the logical, rounded
// integers the system's calls answer (each figure divided by the device's
// scale and rounded once).
//
// Threads: realizing needs the application's font database (a GUI application
// object). A realized font is immutable and may be shared; a QPainter is used
// by one thread at a time.
#pragma once

#include "platform/gdi/glyphoutline.h"
#include "platform/ui/geometry.h"
#include "platform/ui/metrics.h"

#include <QPainterPath>
#include <QRawFont>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

class CSymbolFace;
struct SymbolCode;
struct SymbolGlyph;
class QPainter;

// The text metrics record.
struct TEXTMETRIC {
    LONG tmHeight = 0;              // ascent + descent
    LONG tmAscent = 0;
    LONG tmDescent = 0;
    LONG tmInternalLeading = 0;     // height less the em
    LONG tmExternalLeading = 0;
    LONG tmAveCharWidth = 0;
    LONG tmMaxCharWidth = 0;
    LONG tmWeight = 0;
    LONG tmOverhang = 0;
    LONG tmDigitizedAspectX = 0;
    LONG tmDigitizedAspectY = 0;
    BYTE tmFirstChar = 0;
    BYTE tmLastChar = 0;
    BYTE tmDefaultChar = 0;
    BYTE tmBreakChar = 0;
    BYTE tmItalic = 0;
    BYTE tmUnderlined = 0;
    BYTE tmStruckOut = 0;
    BYTE tmPitchAndFamily = 0;
    BYTE tmCharSet = 0;
};

// tmPitchAndFamily bits. TMPF_FIXED_PITCH is set for a *variable*-pitch face.
enum : BYTE { TMPF_FIXED_PITCH = 0x01, TMPF_VECTOR = 0x02, TMPF_TRUETYPE = 0x04 };

// Text alignment: one horizontal and one vertical choice, plus whether the
// device context's current position is used and moved (the context's business).
enum : unsigned {
    TA_NOUPDATECP = 0,
    TA_UPDATECP = 1,
    TA_LEFT = 0,
    TA_RIGHT = 2,
    TA_CENTER = 6,
    TA_TOP = 0,
    TA_BOTTOM = 8,
    TA_BASELINE = 24,
};

// Where a device stands: its pixels per logical unit and its resolution.
struct FontDeviceScale {
    double x = 1.0;             // device pixels per logical unit, horizontally
    double y = 1.0;             // and vertically (positive)
    int logPixelsY = 96;        // device pixels per inch, for the default height
};

// The family a face name is drawn with ("Arial" -> "Liberation Sans"); other
// names as given.
std::string MapFaceName(std::string_view faceName);

class CRealizedFont {
public:
    // Realizes `logFont` on a device. Never null: an unknown face falls back to
    // what the font database offers.
    static std::shared_ptr<const CRealizedFont> Create(const LOGFONT& logFont,
                                                       const FontDeviceScale& scale);

    const LOGFONT& GetLogFont() const { return m_logFont; }
    const FontDeviceScale& GetScale() const { return m_scale; }
    // The symbol face drawn, or null for a text face.
    const CSymbolFace* GetSymbolFace() const { return m_symbolFace; }
    // The text face's family as realized.
    QString GetFamily() const { return m_text.familyName(); }

    // ---- exact device measures
    double GetEmHeight() const { return m_em; }
    double GetAscent() const { return m_ascent; }
    double GetDescent() const { return m_descent; }
    // The horizontal stretch lfWidth asks for (1 without one).
    double GetStretch() const { return m_stretch; }
    // The advance of each character of `text`, stretched.
    std::vector<double> GetAdvances(std::string_view text) const;
    // The width of `text`: the sum of its advances.
    double GetTextWidth(std::string_view text) const;

    // ---- what the system's calls answer
    // Metrics in device units.
    void GetTextMetrics(TEXTMETRIC& metrics) const;
    // Metrics in logical units.
    void GetLogicalTextMetrics(TEXTMETRIC& metrics) const;
    // The width of `text` and the font's height, in logical units.
    SIZE GetTextExtent(std::string_view text) const;
    // The logical advances of the characters `first`..`last` (character codes:
    // Windows-1252 for a text face) into `widths`; 0 when last < first.
    int GetCharWidth(unsigned first, unsigned last, int* widths) const;

    // The glyph of character `ch` (a Windows-1252 code, or a glyph index with
    // GGO_GLYPH_INDEX): GGO_METRICS fills `metrics` and answers 1; GGO_NATIVE
    // also writes the outline into `buffer` and answers its size (a null buffer
    // or a zero size asks only the size). GDI_ERROR for another format, a null
    // `matrix` or `metrics`, a too small buffer or a character without a glyph.
    // Device units, y up, the stretch and `matrix` applied.
    DWORD GetGlyphOutline(unsigned ch, unsigned format, GLYPHMETRICS* metrics, DWORD size,
                          void* buffer, const MAT2* matrix) const;

    // Draws `text` with its reference point at `devicePoint` (device units) in
    // the painter's pen colour, aligned by `align` (TA_ values; TA_UPDATECP is
    // ignored here). Answers the drawn width in device units along the baseline.
    double DrawText(QPainter& painter, QPointF devicePoint, std::string_view text,
                    unsigned align) const;

    // The baseline start of `text` drawn at `devicePoint` with `align`, in
    // device units (before escapement turns it about `devicePoint`).
    QPointF GetBaselineOrigin(QPointF devicePoint, std::string_view text, unsigned align) const;

private:
    CRealizedFont() = default;

    // A glyph to draw: which raw font and where, relative to the character's
    // origin, unstretched, y down.
    struct Piece {
        const QRawFont* font = nullptr;     // null: `shape` is drawn
        uint32_t glyph = 0;
        QPointF offset;
        QPainterPath shape;                 // placed, device units, y down
    };
    struct Character {
        std::vector<Piece> pieces;
        double advance = 0;         // unstretched
        bool exists = false;        // false: the face has no glyph for it
    };

    void RealizeText();
    void RealizeSymbol();
    void FillMetrics(TEXTMETRIC& metrics, double perLogicalX, double perLogicalY) const;
    std::vector<uint32_t> Characters(std::string_view text) const;
    // The same into `characters`, reusing its storage.
    void Characters(std::string_view text, std::vector<uint32_t>& characters) const;
    Character Find(uint32_t ch, bool glyphIndex) const;
    // The character, from the code table of a symbol face, else found into `scratch`.
    const Character& Lookup(uint32_t ch, Character& scratch) const;
    QPainterPath CharacterPath(const Character& character) const;
    int ToLogicalX(double device) const;
    int ToLogicalY(double device) const;

    LOGFONT m_logFont;
    FontDeviceScale m_scale;
    const CSymbolFace* m_symbolFace = nullptr;      // borrowed from the registry
    // A face's advances in its design units ('hmtx'), so that advances are
    // exact at any size (the toolkit rounds each to 1/64 pixel).
    struct DesignAdvances {
        QByteArray hmtx;
        int count = 0;              // advances the table holds
        double unitsPerEm = 0;
        void Read(const QRawFont& font);
        double Of(const QRawFont& font, uint32_t glyph) const;     // pixels
    };

    QRawFont m_text;                                // a text face, at the em
    DesignAdvances m_textAdvances;
    // A symbol face's fonts: one per file and glyph scale its table uses.
    struct SymbolFont {
        int file = 0;
        double scale = 1;
        QRawFont font;
        DesignAdvances advances;
    };
    std::vector<SymbolFont> m_symbolFonts;
    std::vector<Character> m_codes;                 // a symbol face: each code, found once
    // A symbol face's codes measured upright (the identity matrix, the ask a
    // layout makes of every symbol it places), each measured once.
    struct UprightMetrics {
        std::mutex lock;
        std::vector<GLYPHMETRICS> metrics;
        std::vector<bool> known;
    };
    mutable UprightMetrics m_upright;
    const SymbolFont* SymbolFontFor(int file, double scale) const;
    // Whether a symbol face's item is a glyph drawn as text (upright, unstretched).
    static bool DrawnAsText(const SymbolCode& code, const SymbolGlyph& glyph);
    // A box-filling code (the brace) at this font's height and width.
    void FitBox(const SymbolCode& code, Character& character) const;
    double m_em = 0;
    double m_ascent = 0;
    double m_descent = 0;
    double m_externalLeading = 0;
    double m_averageWidth = 0;      // unstretched
    double m_maxWidth = 0;          // unstretched
    double m_stretch = 1;
    uint32_t m_glyphCount = 0;      // a text face's glyphs
    bool m_fixedPitch = false;
};
