#include "platform/gdi/fontengine.h"

#include "platform/core/codepage.h"
#include "platform/gdi/pathshape.h"
#include "platform/gdi/symbolface.h"

#include <QFont>
#include <QGlyphRun>
#include <QPainter>
#include <QPainterPath>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>

namespace {

// The faces the system names, and the metric-compatible faces that stand for them.
struct FaceAlias {
    const char* name;
    const char* family;
};
constexpr FaceAlias kFaceAliases[] = {
    {"Times New Roman", "Liberation Serif"},
    {"Arial", "Liberation Sans"},
    {"MS Sans Serif", "Liberation Sans"},
    {"MS Shell Dlg", "Liberation Sans"},
    {"Helv", "Liberation Sans"},
    {"Courier", "Liberation Mono"},
    {"Courier New", "Liberation Mono"},
};

// Big-endian fields of a font table; 0 past its end.
int ReadS16(const QByteArray& table, int offset) {
    if (offset < 0 || offset + 2 > table.size())
        return 0;
    const auto* bytes = reinterpret_cast<const uint8_t*>(table.constData()) + offset;
    return static_cast<int16_t>((bytes[0] << 8) | bytes[1]);
}
int ReadU16(const QByteArray& table, int offset) {
    return static_cast<uint16_t>(ReadS16(table, offset));
}

// The design measures of a face, in em, from its tables: the ascent and descent
// the face gives for clipping (the ones the system's metrics report), its line
// gap, average and greatest advance, and underline and strike-out lines.
struct DesignMetrics {
    double ascent = 0.8, descent = 0.2, lineGap = 0;
    double averageWidth = 0.5, maxWidth = 1;
    double underlinePosition = -0.1, underlineThickness = 0.05;
    double strikeoutPosition = 0.25, strikeoutThickness = 0.05;
    bool fixedPitch = false;
};

DesignMetrics ReadDesignMetrics(const QRawFont& font) {
    DesignMetrics m;
    const double upm = font.unitsPerEm() > 0 ? font.unitsPerEm() : 1000;
    const QByteArray os2 = font.fontTable("OS/2");
    const QByteArray hhea = font.fontTable("hhea");
    const QByteArray post = font.fontTable("post");
    if (os2.size() >= 78) {
        m.averageWidth = ReadS16(os2, 2) / upm;
        m.strikeoutThickness = ReadS16(os2, 26) / upm;
        m.strikeoutPosition = ReadS16(os2, 28) / upm;
        m.ascent = ReadU16(os2, 74) / upm;
        m.descent = ReadU16(os2, 76) / upm;
    } else if (font.pixelSize() > 0) {
        m.ascent = font.ascent() / font.pixelSize();
        m.descent = font.descent() / font.pixelSize();
        m.averageWidth = font.averageCharWidth() / font.pixelSize();
    }
    if (hhea.size() >= 12) {
        m.lineGap = std::max(0, ReadS16(hhea, 8)) / upm;
        m.maxWidth = ReadU16(hhea, 10) / upm;
    }
    if (post.size() >= 16) {
        m.underlinePosition = ReadS16(post, 8) / upm;
        m.underlineThickness = ReadS16(post, 10) / upm;
        m.fixedPitch = post[12] || post[13] || post[14] || post[15];
    }
    return m;
}

// Realized fonts are kept for reuse: a device context realizes its font at each
// selection, and realizing reads the font database.
struct RealizedCache {
    std::mutex lock;
    std::map<std::string, std::shared_ptr<const CRealizedFont>> fonts;
};
constexpr size_t kCacheLimit = 128;

// The em a font is realized at, in device pixels, and how far a width may stretch it.
constexpr double kMinimumEm = 1.0 / 64;
constexpr double kMaximumEm = 16384;
constexpr double kMaximumStretch = 64;

// A character a symbol face has no code for.
constexpr uint32_t kNoCode = 0xFFFFFFFF;

std::string CacheKey(const LOGFONT& logFont, const FontDeviceScale& scale) {
    std::string key(reinterpret_cast<const char*>(&logFont), sizeof logFont);
    key.append(reinterpret_cast<const char*>(&scale.x), sizeof scale.x);
    key.append(reinterpret_cast<const char*>(&scale.y), sizeof scale.y);
    key.append(reinterpret_cast<const char*>(&scale.logPixelsY), sizeof scale.logPixelsY);
    return key;
}

}  // namespace

std::string MapFaceName(std::string_view faceName) {
    for (const FaceAlias& alias : kFaceAliases)
        if (SameFaceName(faceName, alias.name))
            return alias.family;
    return std::string(faceName);
}

std::shared_ptr<const CRealizedFont> CRealizedFont::Create(const LOGFONT& logFont,
                                                           const FontDeviceScale& scale) {
    static RealizedCache cache;
    const std::string key = CacheKey(logFont, scale);
    {
        std::lock_guard guard(cache.lock);
        if (auto found = cache.fonts.find(key); found != cache.fonts.end())
            return found->second;
    }
    std::shared_ptr<CRealizedFont> font(new CRealizedFont);
    font->m_logFont = logFont;
    font->m_logFont.lfFaceName[LF_FACESIZE - 1] = '\0';
    font->m_scale = scale;
    font->m_scale.x = std::abs(scale.x) > 0 ? std::abs(scale.x) : 1.0;
    font->m_scale.y = std::abs(scale.y) > 0 ? std::abs(scale.y) : 1.0;
    font->m_scale.logPixelsY = scale.logPixelsY > 0 ? scale.logPixelsY : 96;
    font->m_symbolFace = FindSymbolFace(GetFaceName(font->m_logFont));
    if (font->m_symbolFace)
        font->RealizeSymbol();
    else
        font->RealizeText();
    std::lock_guard guard(cache.lock);
    if (cache.fonts.size() >= kCacheLimit)
        cache.fonts.clear();
    cache.fonts.emplace(key, font);
    return font;
}

namespace {

// The em, in device pixels, of a height in logical units: a character height
// (negative), a cell height (positive: the em is that part of it which the
// face's em is of its ascent + descent), or the default of twelve points.
double EmOf(int32_t lfHeight, const FontDeviceScale& scale, double cellInEm) {
    double em = 12.0 * scale.logPixelsY / 72.0;
    if (lfHeight < 0)
        em = -static_cast<double>(lfHeight) * scale.y;
    else if (lfHeight > 0)
        em = lfHeight * scale.y / (cellInEm > 0 ? cellInEm : 1.0);
    // A description read from a file may ask for anything; outlines hold
    // device units in 16 bits.
    return std::clamp(em, kMinimumEm, kMaximumEm);
}

QFont DescribedFont(const QString& family, const LOGFONT& logFont) {
    QFont font(family);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setStyleStrategy(QFont::StyleStrategy(QFont::PreferOutline | QFont::NoFontMerging));
    const int weight = logFont.lfWeight == FW_DONTCARE ? FW_NORMAL : logFont.lfWeight;
    font.setWeight(static_cast<QFont::Weight>(std::clamp(weight, 1, 1000)));
    font.setItalic(logFont.lfItalic != 0);
    font.setPixelSize(64);
    return font;
}

}  // namespace

void CRealizedFont::RealizeText() {
    const QString family = QString::fromStdString(MapFaceName(GetFaceName(m_logFont)));
    m_text = QRawFont::fromFont(DescribedFont(family, m_logFont));
    const DesignMetrics design = ReadDesignMetrics(m_text);
    m_em = EmOf(m_logFont.lfHeight, m_scale, design.ascent + design.descent);
    m_text.setPixelSize(m_em);
    m_textAdvances.Read(m_text);
    m_ascent = design.ascent * m_em;
    m_descent = design.descent * m_em;
    m_externalLeading = design.lineGap * m_em;
    m_averageWidth = design.averageWidth * m_em;
    m_maxWidth = design.maxWidth * m_em;
    m_fixedPitch = design.fixedPitch;
    const QByteArray maxp = m_text.fontTable("maxp");
    m_glyphCount = maxp.size() >= 6 ? static_cast<uint32_t>(ReadU16(maxp, 4)) : 0xFFFF;
    if (m_logFont.lfWidth != 0 && m_averageWidth > 0)
        m_stretch = std::clamp(std::abs(static_cast<double>(m_logFont.lfWidth)) * m_scale.x / m_averageWidth,
                               1 / kMaximumStretch, kMaximumStretch);
}

void CRealizedFont::RealizeSymbol() {
    const CSymbolFace& face = *m_symbolFace;
    m_em = EmOf(m_logFont.lfHeight, m_scale, face.GetAscentEm() + face.GetDescentEm());
    m_ascent = face.GetAscentEm() * m_em;
    m_descent = face.GetDescentEm() * m_em;
    // One raw font per file and scale the table uses; file 0 at full size first.
    auto add = [&](int file, double scale) {
        if (file < 0 || static_cast<size_t>(file) >= face.GetFileCount() || SymbolFontFor(file, scale))
            return;
        SymbolFont symbolFont{file, scale, QRawFont::fromFont(DescribedFont(face.GetFamily(file), LOGFONT())), {}};
        symbolFont.font.setPixelSize(m_em * scale);
        symbolFont.advances.Read(symbolFont.font);
        m_symbolFonts.push_back(std::move(symbolFont));
    };
    add(0, 1.0);
    for (unsigned code = face.GetFirstChar(); code <= face.GetLastChar(); ++code)
        if (const SymbolCode* entry = face.Find(static_cast<uint8_t>(code)))
            for (const SymbolGlyph& glyph : entry->glyphs)
                add(glyph.file, DrawnAsText(*entry, glyph) ? glyph.sx : 1.0);
    if (!m_symbolFonts.empty()) {
        const DesignMetrics design = ReadDesignMetrics(m_symbolFonts.front().font);
        m_averageWidth = design.averageWidth * m_em;
        m_maxWidth = design.maxWidth * m_em;
    }
    // Scores draw symbol by symbol: each code is found once, here.
    std::vector<Character> codes(256);
    for (uint32_t code = 0; code < codes.size(); ++code)
        codes[code] = Find(code, false);
    m_codes = std::move(codes);
}

const CRealizedFont::SymbolFont* CRealizedFont::SymbolFontFor(int file, double scale) const {
    for (const SymbolFont& font : m_symbolFonts)
        if (font.file == file && font.scale == scale)
            return &font;
    return nullptr;
}

void CRealizedFont::DesignAdvances::Read(const QRawFont& font) {
    const QByteArray hhea = font.fontTable("hhea");
    hmtx = font.fontTable("hmtx");
    count = std::min(hhea.size() >= 36 ? ReadU16(hhea, 34) : 0, static_cast<int>(hmtx.size() / 4));
    unitsPerEm = font.unitsPerEm();
}

double CRealizedFont::DesignAdvances::Of(const QRawFont& font, uint32_t glyph) const {
    if (count > 0 && unitsPerEm > 0) {
        // Glyphs past the table's advances share its last one.
        const int entry = glyph < static_cast<uint32_t>(count) ? static_cast<int>(glyph) : count - 1;
        return ReadU16(hmtx, entry * 4) / unitsPerEm * font.pixelSize();
    }
    const quint32 index = glyph;
    QPointF advance;
    font.advancesForGlyphIndexes(&index, &advance, 1, QRawFont::UseDesignMetrics);
    return advance.x();
}

// The characters of `text`: code points of a text face; Windows-1252 codes of a
// symbol face (bytes that are not UTF-8 are taken as codes as they stand), with
// kNoCode for a character that has none.
std::vector<uint32_t> CRealizedFont::Characters(std::string_view text) const {
    std::vector<uint32_t> characters;
    Characters(text, characters);
    return characters;
}

void CRealizedFont::Characters(std::string_view text, std::vector<uint32_t>& characters) const {
    characters.clear();
    if (std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }) ||
        (m_symbolFace && !IsValidUtf8(text))) {
        for (char byte : text)
            characters.push_back(static_cast<unsigned char>(byte));
        return;
    }
    if (!IsValidUtf8(text)) {
        // A text face shows what the toolkit makes of broken sequences.
        for (uint point : QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toUcs4())
            characters.push_back(point);
        return;
    }
    // Valid UTF-8, decoded in place: scores draw a symbol at a time, and each
    // call must not pay for a string of the toolkit's.
    for (size_t at = 0; at < text.size();) {
        const auto lead = static_cast<unsigned char>(text[at]);
        const int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        uint32_t point = length == 1 ? lead : lead & (0x7F >> length);
        for (int i = 1; i < length; ++i)
            point = (point << 6) | (static_cast<unsigned char>(text[at + i]) & 0x3F);
        at += static_cast<size_t>(length);
        if (m_symbolFace) {
            const int code = CodePointToCp1252(point);
            characters.push_back(code < 0 ? kNoCode : static_cast<uint32_t>(code));
        } else {
            characters.push_back(point);
        }
    }
}

const CRealizedFont::Character& CRealizedFont::Lookup(uint32_t ch, Character& scratch) const {
    if (ch < m_codes.size())
        return m_codes[ch];
    scratch = Find(ch, false);
    return scratch;
}

CRealizedFont::Character CRealizedFont::Find(uint32_t ch, bool glyphIndex) const {
    Character character;
    if (!m_symbolFace) {
        quint32 glyph = ch;
        if (!glyphIndex) {
            const char32_t point = ch;
            int count = 1;
            const QString one = QString::fromUcs4(&point, 1);
            if (!m_text.glyphIndexesForChars(one.constData(), static_cast<int>(one.size()), &glyph, &count))
                glyph = 0;
        }
        character.pieces.push_back({&m_text, glyph, {}, {}});
        character.advance = m_textAdvances.Of(m_text, glyph);
        character.exists = glyph != 0 && glyph < m_glyphCount;
        return character;
    }
    if (glyphIndex) {
        // A glyph index addresses the face's first file.
        const SymbolFont* font = SymbolFontFor(0, 1.0);
        const QByteArray maxp = font ? font->font.fontTable("maxp") : QByteArray();
        if (font && ch != 0 && maxp.size() >= 6 && ch < static_cast<uint32_t>(ReadU16(maxp, 4))) {
            character.pieces.push_back({&font->font, ch, {}, {}});
            character.advance = font->advances.Of(font->font, ch);
            character.exists = true;
        }
        return character;
    }
    const SymbolCode* entry = ch <= 0xFF ? m_symbolFace->Find(static_cast<uint8_t>(ch)) : nullptr;
    if (!entry)
        return character;
    character.exists = true;
    if (entry->fitBox) {
        FitBox(*entry, character);
        return character;
    }
    for (const SymbolGlyph& glyph : entry->glyphs) {
        const QPointF offset(glyph.x * m_em, -glyph.y * m_em);
        if (glyph.name.empty()) {
            const QTransform place = QTransform::fromScale(glyph.sx * m_em, -glyph.sy * m_em) *
                                     QTransform::fromTranslate(offset.x(), offset.y());
            character.pieces.push_back({nullptr, 0, {}, place.map(SymbolShapePath(glyph))});
            continue;
        }
        const bool asText = DrawnAsText(*entry, glyph);
        const SymbolFont* font = SymbolFontFor(glyph.file, asText ? glyph.sx : 1.0);
        if (!font || glyph.index == 0)
            continue;
        if (asText) {
            character.pieces.push_back({&font->font, glyph.index, offset, {}});
        } else {
            // Stretched or mirrored: its outline, drawn as a path.
            const QTransform place = QTransform::fromScale(glyph.sx, glyph.sy) *
                                     QTransform::fromTranslate(offset.x(), offset.y());
            QPainterPath path = place.map(font->font.pathForGlyph(glyph.index));
            path.setFillRule(Qt::WindingFill);
            character.pieces.push_back({nullptr, 0, {}, std::move(path)});
        }
    }
    character.advance = entry->resolvedAdvance * m_em;
    return character;
}

bool CRealizedFont::DrawnAsText(const SymbolCode& code, const SymbolGlyph& glyph) {
    return !code.fitBox && !glyph.name.empty() && glyph.sx == glyph.sy && glyph.sx > 0;
}

void CRealizedFont::FitBox(const SymbolCode& code, Character& character) const {
    const SymbolFont* font = SymbolFontFor(1, 1.0);
    const double height = m_em;
    const double width = m_logFont.lfWidth != 0 ? std::abs(static_cast<double>(m_logFont.lfWidth)) * m_scale.x
                                                : m_em / 8;
    const double wanted = height / width;
    const SymbolGlyph* best = nullptr;
    double bestDistance = 0;
    for (const SymbolGlyph& glyph : code.glyphs) {
        if (glyph.index == 0 || glyph.ink.IsEmpty() || glyph.ink.right <= glyph.ink.left)
            continue;
        const double ratio = (glyph.ink.top - glyph.ink.bottom) / (glyph.ink.right - glyph.ink.left);
        const double distance = std::abs(std::log(ratio / wanted));
        if (!best || distance < bestDistance) {
            best = &glyph;
            bestDistance = distance;
        }
    }
    if (!font || !best)
        return;
    const SymbolBox& ink = best->ink;
    const double sx = width / ((ink.right - ink.left) * m_em);
    const double sy = height / ((ink.top - ink.bottom) * m_em);
    // The glyph's path runs y down: its ink's middle is at -(bottom + top) / 2 em.
    const QTransform place = QTransform::fromTranslate(-ink.left * m_em, (ink.bottom + ink.top) / 2 * m_em) *
                             QTransform::fromScale(sx, sy);
    QPainterPath path = place.map(font->font.pathForGlyph(best->index));
    path.setFillRule(Qt::WindingFill);
    character.pieces.push_back({nullptr, 0, {}, std::move(path)});
    character.advance = width;
}

std::vector<double> CRealizedFont::GetAdvances(std::string_view text) const {
    std::vector<double> advances;
    Character scratch;
    for (uint32_t ch : Characters(text))
        advances.push_back(ch == kNoCode ? 0.0 : Lookup(ch, scratch).advance * m_stretch);
    return advances;
}

double CRealizedFont::GetTextWidth(std::string_view text) const {
    double width = 0;
    for (double advance : GetAdvances(text))
        width += advance;
    return width;
}

int CRealizedFont::ToLogicalX(double device) const {
    return static_cast<int>(std::lround(device / m_scale.x));
}

int CRealizedFont::ToLogicalY(double device) const {
    return static_cast<int>(std::lround(device / m_scale.y));
}

void CRealizedFont::FillMetrics(TEXTMETRIC& tm, double perLogicalX, double perLogicalY) const {
    auto x = [&](double device) { return static_cast<LONG>(std::lround(device / perLogicalX)); };
    auto y = [&](double device) { return static_cast<LONG>(std::lround(device / perLogicalY)); };
    tm = TEXTMETRIC();
    tm.tmAscent = y(m_ascent);
    tm.tmDescent = y(m_descent);
    tm.tmHeight = tm.tmAscent + tm.tmDescent;
    tm.tmInternalLeading = m_symbolFace ? 0 : std::max<LONG>(0, tm.tmHeight - y(m_em));
    tm.tmExternalLeading = y(m_externalLeading);
    tm.tmAveCharWidth = x(m_averageWidth * m_stretch);
    tm.tmMaxCharWidth = x(m_maxWidth * m_stretch);
    tm.tmWeight = m_logFont.lfWeight == FW_DONTCARE ? FW_NORMAL : m_logFont.lfWeight;
    tm.tmDigitizedAspectX = tm.tmDigitizedAspectY = m_scale.logPixelsY;
    if (m_symbolFace) {
        tm.tmFirstChar = m_symbolFace->GetFirstChar();
        tm.tmLastChar = m_symbolFace->GetLastChar();
        tm.tmDefaultChar = tm.tmFirstChar;
        tm.tmBreakChar = m_symbolFace->Find(' ') ? ' ' : tm.tmFirstChar;
        tm.tmCharSet = SYMBOL_CHARSET;
    } else {
        tm.tmFirstChar = 0x1E;
        tm.tmLastChar = 0xFF;
        tm.tmDefaultChar = 0x1F;
        tm.tmBreakChar = ' ';
        tm.tmCharSet = m_logFont.lfCharSet;
    }
    tm.tmItalic = m_logFont.lfItalic ? 0xFF : 0;
    tm.tmUnderlined = m_logFont.lfUnderline ? 0xFF : 0;
    tm.tmStruckOut = m_logFont.lfStrikeOut ? 0xFF : 0;
    tm.tmPitchAndFamily = static_cast<BYTE>((m_logFont.lfPitchAndFamily & 0xF0) | TMPF_VECTOR |
                                            TMPF_TRUETYPE | (m_fixedPitch ? 0 : TMPF_FIXED_PITCH));
}

void CRealizedFont::GetTextMetrics(TEXTMETRIC& metrics) const {
    FillMetrics(metrics, 1.0, 1.0);
}

void CRealizedFont::GetLogicalTextMetrics(TEXTMETRIC& metrics) const {
    FillMetrics(metrics, m_scale.x, m_scale.y);
}

SIZE CRealizedFont::GetTextExtent(std::string_view text) const {
    return SIZE{ToLogicalX(GetTextWidth(text)), ToLogicalY(m_ascent) + ToLogicalY(m_descent)};
}

int CRealizedFont::GetCharWidth(unsigned first, unsigned last, int* widths) const {
    if (last < first || !widths)
        return 0;
    for (unsigned ch = first; ch <= last; ++ch) {
        // A text face's codes below 256 are Windows-1252 characters.
        const uint32_t point = !m_symbolFace && ch <= 0xFF ? Cp1252ToCodePoint(static_cast<unsigned char>(ch)) : ch;
        widths[ch - first] = ToLogicalX(Find(point, false).advance * m_stretch);
    }
    return 1;
}

QPainterPath CRealizedFont::CharacterPath(const Character& character) const {
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    for (const Piece& piece : character.pieces)
        path.addPath(piece.font ? piece.font->pathForGlyph(piece.glyph).translated(piece.offset) : piece.shape);
    return path;
}

DWORD CRealizedFont::GetGlyphOutline(unsigned ch, unsigned format, GLYPHMETRICS* metrics,
                                     DWORD size, void* buffer, const MAT2* matrix) const {
    const bool byIndex = (format & GGO_GLYPH_INDEX) != 0;
    format &= ~GGO_GLYPH_INDEX;
    if (!metrics || !matrix || (format != GGO_METRICS && format != GGO_NATIVE))
        return GDI_ERROR;
    const bool identity = matrix->eM11.value == 1 && matrix->eM11.fract == 0 && matrix->eM22.value == 1 &&
                          matrix->eM22.fract == 0 && matrix->eM12.value == 0 && matrix->eM12.fract == 0 &&
                          matrix->eM21.value == 0 && matrix->eM21.fract == 0;
    const bool remembered = format == GGO_METRICS && identity && !byIndex && ch < m_codes.size();
    if (remembered) {
        std::lock_guard hold(m_upright.lock);
        if (ch < m_upright.known.size() && m_upright.known[ch]) {
            *metrics = m_upright.metrics[ch];
            return 1;
        }
    }
    uint32_t point = ch;
    if (!byIndex && !m_symbolFace && ch <= 0xFF)
        point = Cp1252ToCodePoint(static_cast<unsigned char>(ch));
    Character scratch;
    const Character& character = byIndex ? (scratch = Find(point, true)) : Lookup(point, scratch);
    if (!character.exists)
        return GDI_ERROR;
    // The matrix works y up; the toolkit's paths run y down.
    const QTransform flip = QTransform::fromScale(1, -1);
    const QTransform matrixDown = flip * Mat2ToTransform(*matrix) * flip;
    const QTransform transform = QTransform::fromScale(m_stretch, 1) * matrixDown;
    const QPainterPath path = transform.map(CharacterPath(character));
    const QPointF advance = matrixDown.map(QPointF(character.advance * m_stretch, 0));
    *metrics = MeasureGlyphOutline(path, advance.x(), advance.y());
    if (remembered) {
        std::lock_guard hold(m_upright.lock);
        if (m_upright.known.size() < m_codes.size()) {
            m_upright.known.resize(m_codes.size(), false);
            m_upright.metrics.resize(m_codes.size());
        }
        m_upright.metrics[ch] = *metrics;
        m_upright.known[ch] = true;
    }
    if (format == GGO_METRICS)
        return 1;
    return WriteNativeOutline(path, buffer, size);
}

QPointF CRealizedFont::GetBaselineOrigin(QPointF devicePoint, std::string_view text,
                                         unsigned align) const {
    QPointF origin = devicePoint;
    if ((align & TA_CENTER) == TA_CENTER)
        origin.rx() -= GetTextWidth(text) / 2;
    else if (align & TA_RIGHT)
        origin.rx() -= GetTextWidth(text);
    if ((align & TA_BASELINE) == TA_BASELINE)
        ;   // the point is on the baseline
    else if (align & TA_BOTTOM)
        origin.ry() -= m_descent;
    else
        origin.ry() += m_ascent;
    return origin;
}

double CRealizedFont::DrawText(QPainter& painter, QPointF devicePoint, std::string_view text,
                               unsigned align) const {
    // Upright and unstretched text is laid out in device units as it stands;
    // otherwise along an unstretched baseline from 0 that the painter turns
    // and stretches.
    const bool decorated = !m_symbolFace && (m_logFont.lfUnderline || m_logFont.lfStrikeOut);
    const bool transformed = m_logFont.lfEscapement != 0 || m_stretch != 1.0 || decorated;
    const QPointF baseline = GetBaselineOrigin(devicePoint, text, align);
    const QPointF start = transformed ? QPointF() : baseline;

    // One run per font, built in buffers kept from call to call: a score
    // draws symbol by symbol, so a call must not allocate.
    struct Run {
        const QRawFont* font = nullptr;
        std::vector<quint32> glyphs;
        std::vector<QPointF> positions;
    };
    thread_local std::vector<uint32_t> characters;
    thread_local std::vector<Run> runs;
    size_t runCount = 0;
    Characters(text, characters);
    QPainterPath shapes;    // the filled shapes of compositions, drawn as paths
    double pen = 0;
    Character scratch;
    for (uint32_t ch : characters) {
        if (ch == kNoCode)
            continue;
        const Character& character = Lookup(ch, scratch);
        for (const Piece& piece : character.pieces) {
            if (!piece.font) {
                if (shapes.isEmpty())
                    shapes.setFillRule(Qt::WindingFill);
                shapes.addPath(piece.shape.translated(start + QPointF(pen, 0)));
                continue;
            }
            size_t run = 0;
            while (run < runCount && runs[run].font != piece.font)
                ++run;
            if (run == runCount) {
                if (runs.size() == runCount)
                    runs.emplace_back();
                runs[run].font = piece.font;
                runs[run].glyphs.clear();
                runs[run].positions.clear();
                ++runCount;
            }
            runs[run].glyphs.push_back(piece.glyph);
            runs[run].positions.push_back(start + QPointF(pen, 0) + piece.offset);
        }
        pen += character.advance;
    }
    const double width = pen * m_stretch;

    auto drawRuns = [&] {
        for (size_t i = 0; i < runCount; ++i) {
            const Run& run = runs[i];
            QGlyphRun glyphRun;
            glyphRun.setRawFont(*run.font);
            // The run refers to the buffers, which outlive it.
            glyphRun.setRawData(run.glyphs.data(), run.positions.data(), static_cast<int>(run.glyphs.size()));
            painter.drawGlyphRun(QPointF(0, 0), glyphRun);
        }
        if (const QRectF box = TracedRectangle(shapes); !box.isEmpty())
            painter.fillRect(box, painter.pen().color());   // a bar or a line: the common composition
        else if (!shapes.isEmpty())
            painter.fillPath(shapes, painter.pen().color());
    };
    if (!transformed) {
        drawRuns();
        return width;
    }
    painter.save();
    painter.translate(devicePoint);
    if (m_logFont.lfEscapement != 0)
        painter.rotate(-m_logFont.lfEscapement / 10.0);     // counter-clockwise on the page
    painter.translate(baseline - devicePoint);
    painter.scale(m_stretch, 1);
    drawRuns();
    if (decorated && pen > 0) {
        const DesignMetrics design = ReadDesignMetrics(m_text);
        const QColor colour = painter.pen().color();
        auto line = [&](double positionEm, double thicknessEm) {
            const double thickness = std::max(1.0, thicknessEm * m_em);
            painter.fillRect(QRectF(0, -positionEm * m_em - thickness / 2, pen, thickness), colour);
        };
        if (m_logFont.lfUnderline)
            line(design.underlinePosition, design.underlineThickness);
        if (m_logFont.lfStrikeOut)
            line(design.strikeoutPosition, design.strikeoutThickness);
    }
    painter.restore();
    return width;
}
