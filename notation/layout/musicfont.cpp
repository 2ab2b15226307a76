#include "notation/layout/musicfont.h"
#include "notation/layout/rulermetrics.h"

#include "notation/layout/fontsize.h"
#include "platform/core/profile.h"
#include "platform/gdi/dc.h"
#include "platform/ui/syscolor.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr const char* kDefaultFace = "Norvane2";
constexpr int kDefaultSize = -32;
constexpr unsigned kNotehead = 207;     // its advance is the notehead width
constexpr unsigned kStem = 92;          // its advance is the barline width
constexpr unsigned kFlagUp = 106;       // its outline carries the stem's thickness
constexpr int kCacheSize = 256;

// The user's choice of face and size, as the preference page writes it (the
// music font reads the first two fields).
std::vector<std::string> MusicFontPreference() {
    return SplitFontPreference(GetProfileString("Settings\\Font", "Music Font"));
}

std::string CodeText(unsigned ch) {
    return std::string(1, static_cast<char>(ch));
}

const MAT2 kIdentity = {DoubleToFixed(1), DoubleToFixed(0), DoubleToFixed(0), DoubleToFixed(1)};

}  // namespace

// Built at load in this order: the font, then its caches (normal, cue, grace).
static MCMusicFont s_musicFont;
static MCMusicFont::MusicFontMetrics s_normalCache[kCacheSize];
static MCMusicFont::MusicFontMetrics s_cueCache[kCacheSize];
static MCMusicFont::MusicFontMetrics s_graceCache[kCacheSize];

MCMusicFont& MCMusicFont::GetMusicFont() {
    return s_musicFont;
}

// The rulers space by this font's notehead in its current size mode.
[[maybe_unused]] static const NoteheadMetricsSource s_rulersBefore = SetNoteheadMetricsSource([] {
    const MCMusicFont& font = MCMusicFont::GetMusicFont();
    return NoteheadMetrics{font.GetNoteheadWidth(3), font.GetNoteheadHeight(3),
                           static_cast<int>(font.GetMusicMetrics(98, 3).GetWidth())};   // the flat
});

MCMusicFont::MCMusicFont() {
    m_normal = {135, 120, 15, 15, 630, 1};
    std::string face = kDefaultFace;
    int size = kDefaultSize;
    const std::vector<std::string> fields = MusicFontPreference();
    if (!fields.empty()) {
        face = fields[0];
        size = ReadFontSize(fields, kDefaultSize);
    }
    const int resolution = GetFontResolution();
    if (resolution == 0)
        return;     // unsized: the description stays as it was made
    LOGFONT logFont;
    logFont.lfHeight = FontPointsToHeight(FontPoints(size, resolution));
    logFont.lfCharSet = SYMBOL_CHARSET;
    MCFont::RestoreLogFont(logFont);
    SetFontName(face);
    SetFontColor(GetSysColor(COLOR_WINDOWTEXT));
}

MCMusicFont::~MCMusicFont() = default;

MCMusicFont::NoteMetrics& MCMusicFont::Metrics(uint8_t mode) {
    if (mode == FONT_CURRENT)
        mode = m_currentMode;
    return mode == FONT_GRACE ? m_grace : mode == FONT_CUE ? m_cue : m_normal;
}

const MCMusicFont::NoteMetrics& MCMusicFont::Metrics(uint8_t mode) const {
    return const_cast<MCMusicFont*>(this)->Metrics(mode);
}

MCMusicFont::MusicFontMetrics* MCMusicFont::Cache(uint8_t mode) {
    return mode == FONT_GRACE ? s_graceCache : mode == FONT_CUE ? s_cueCache : s_normalCache;
}

MCMusicFont::MusicFontMetrics MCMusicFont::GetMusicMetrics(unsigned ch, uint8_t mode) const {
    if (ch >= kCacheSize)
        return {};
    return Cache(mode == FONT_CURRENT ? m_currentMode : mode)[ch];
}

void MCMusicFont::SetExtentDirty(int dirty, uint8_t mode) {
    if (mode == FONT_ALL) {
        m_normal.extentDirty = m_grace.extentDirty = m_cue.extentDirty = dirty;
    } else if (mode <= FONT_CUE) {
        Metrics(mode).extentDirty = dirty;
    }
}

void MCMusicFont::SaveLogFont(LOGFONT* logFont, NoteMetrics* metrics) const {
    MCFont::SaveLogFont(logFont);
    if (metrics)
        *metrics = m_normal;
}

void MCMusicFont::RestoreLogFont(LOGFONT logFont, NoteMetrics metrics) {
    MCFont::RestoreLogFont(logFont);
    m_normal = metrics;
}

CFont* MCMusicFont::SelectFont(CDC* dc, uint8_t mode) {
    int force = (GetFlags() & FLAG_CHANGED) != 0;
    if (mode != m_currentMode) {
        ChangeFontSize(mode);
        force = 1;
    }
    CFont* previous = MCFont::SelectFont(dc);     // made again first when changed
    SetMetrics(dc, Metrics(FONT_CURRENT), force);
    return previous;
}

CFont* MCMusicFont::DeselectFont(CDC* dc) {
    CFont* font = MCFont::DeselectFont(dc);
    if (m_saved == 1) {
        m_saved = 0;
        RestoreLogFont(m_savedLogFont, m_savedMetrics);
        m_currentMode = m_previousMode;
    }
    return font;
}

void MCMusicFont::ChangeFontSize(uint8_t mode) {
    SaveLogFont(&m_savedLogFont, &m_savedMetrics);
    m_saved = 1;
    int size = kDefaultSize;
    if (const std::vector<std::string> fields = MusicFontPreference(); !fields.empty())
        size = ReadFontSize(fields, kDefaultSize);
    const int resolution = GetFontResolution();
    if (resolution == 0)
        return;
    int points = FontPoints(size, resolution);
    if (mode == FONT_CUE)
        points = static_cast<int>(static_cast<long long>(points) * m_cuePercent / 100);
    else if (mode == FONT_GRACE)
        points = static_cast<int>(static_cast<long long>(points) * m_gracePercent / 100);
    SetFontHeight(FontPointsToHeight(points));
    m_previousMode = m_currentMode;
    m_currentMode = mode;
}

void MCMusicFont::SetMetrics(CDC* dc, NoteMetrics& metrics, int force) {
    TEXTMETRIC tm;
    if (force || metrics.extentDirty) {
        dc->GetTextMetrics(&tm);
        SetNoteMetrics(dc, tm, metrics);
    }
    if (metrics.extentDirty) {
        CalculateFontMetrics(dc, m_currentMode);
        dc->GetTextMetrics(&tm);
        SetNoteMetrics(dc, tm, metrics);
        metrics.extentDirty = 0;
    }
}

void MCMusicFont::SetNoteMetrics(CDC* dc, const TEXTMETRIC& tm, NoteMetrics& metrics) {
    metrics.ascent = tm.tmAscent;
    metrics.noteheadWidth = dc->GetTextExtent(CodeText(kNotehead)).cx;
    metrics.noteheadHeight = (tm.tmHeight - tm.tmInternalLeading) / 4;
    metrics.stemWidth = static_cast<int>(GetMusicExtent(dc, kStem).GetWidth());
    metrics.barlineWidth = dc->GetTextExtent(CodeText(kStem)).cx;
}

void MCMusicFont::CalculateFontMetrics(CDC* dc, uint8_t mode) {
    TEXTMETRIC tm;
    dc->GetTextMetrics(&tm);
    // The size now selected, into the normal metrics: a pending size change
    // puts the normal ones back at the deselection.
    m_normal.noteheadWidth = dc->GetTextExtent(CodeText(kNotehead)).cx;
    m_normal.noteheadHeight = (tm.tmHeight - tm.tmInternalLeading) / 4;
    auto fill = [&](MusicFontMetrics* cache) {
        for (unsigned ch = tm.tmFirstChar; ch <= tm.tmLastChar; ++ch)
            cache[ch] = GetMusicExtent(dc, ch);
    };
    if (mode == FONT_NORMAL || mode == FONT_ALL)
        fill(s_normalCache);
    if (mode == FONT_CUE || mode == FONT_ALL)
        fill(s_cueCache);
    if (mode == FONT_GRACE || mode == FONT_ALL)
        fill(s_graceCache);
}

MCMusicFont::MusicFontMetrics MCMusicFont::GetMusicExtent(CDC* dc, unsigned ch) const {
    MusicFontMetrics result;
    if (ch == kStem) {
        std::vector<POINT> points;
        GetOutlinePoints(dc, kFlagUp, points);
        int thickness = GetStemWidth(points);
        if (const CSize viewport = dc->GetViewportExt(); viewport.cx != 0)
            thickness = static_cast<int>(static_cast<long long>(thickness) * dc->GetWindowExt().cx / viewport.cx);
        result.SetWidth(std::abs(thickness));
        return result;
    }
    GLYPHMETRICS gm;
    if (dc->GetGlyphOutline(ch, GGO_METRICS, &gm, 0, nullptr, &kIdentity) == GDI_ERROR)
        gm = GLYPHMETRICS();
    SIZE size{static_cast<LONG>(gm.gmBlackBoxX), static_cast<LONG>(gm.gmBlackBoxY)};
    dc->DPtoLP(&size);
    // The glyph origin is a distance from the drawing point, not a place:
    // converted as the difference of two points, so the DC's origins (a
    // scrolled view, a sample drawn in a rectangle) do not enter it.
    POINT origin[2] = {gm.gmptGlyphOrigin, {0, 0}};
    dc->DPtoLP(origin, 2);
    origin[0].x -= origin[1].x;
    origin[0].y -= origin[1].y;
    result.SetWidth(size.cx);
    result.SetHeight(size.cy);
    result.SetLeft(origin[0].x);
    result.SetTop(-origin[0].y);
    if (ch == kNotehead) {
        result.SetWidth(dc->GetTextExtent(CodeText(kNotehead)).cx);
        result.SetHeight(m_normal.noteheadHeight);
    }
    return result;
}

int MCMusicFont::IntFromFixed(FIXED value) {
    return value.value + ((value.fract & 0x8000) ? 1 : 0);
}

FIXED MCMusicFont::fxDiv2(FIXED a, FIXED b) {
    auto raw = [](FIXED f) { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint16_t>(f.value)) << 16 | f.fract); };
    const int32_t half = static_cast<int32_t>((static_cast<int64_t>(raw(a)) + raw(b)) / 2);
    FIXED result;
    result.fract = static_cast<WORD>(half & 0xFFFF);
    result.value = static_cast<int16_t>(half >> 16);
    return result;
}

void MCMusicFont::QSpline2Polyline(std::vector<POINT>& out, const POINTFX& control, const POINTFX& end) {
    out.push_back(POINT{IntFromFixed(control.x), IntFromFixed(control.y)});
    out.push_back(POINT{IntFromFixed(end.x), IntFromFixed(end.y)});
}

void MCMusicFont::GetOutlinePoints(CDC* dc, unsigned ch, std::vector<POINT>& points) const {
    points.clear();
    GLYPHMETRICS gm;
    const DWORD size = dc->GetGlyphOutline(ch, GGO_NATIVE, &gm, 0, nullptr, &kIdentity);
    if (size == GDI_ERROR || size == 0)
        return;
    std::vector<uint8_t> buffer(size);
    if (dc->GetGlyphOutline(ch, GGO_NATIVE, &gm, size, buffer.data(), &kIdentity) != size)
        return;
    size_t at = 0;
    while (at + sizeof(TTPOLYGONHEADER) <= buffer.size()) {
        TTPOLYGONHEADER header;
        std::memcpy(&header, buffer.data() + at, sizeof header);
        if (header.cb < sizeof header || at + header.cb > buffer.size())
            break;      // a malformed outline ends the walk
        const size_t end = at + header.cb;
        const size_t first = points.size();
        size_t record = at + sizeof header;
        while (record + 4 <= end) {
            WORD type, count;
            std::memcpy(&type, buffer.data() + record, 2);
            std::memcpy(&count, buffer.data() + record + 2, 2);
            const size_t pointsAt = record + 4;
            if (pointsAt + static_cast<size_t>(count) * sizeof(POINTFX) > end)
                break;
            std::vector<POINTFX> fx(count);
            if (count)
                std::memcpy(fx.data(), buffer.data() + pointsAt, count * sizeof(POINTFX));
            if (type == TT_PRIM_LINE) {
                for (const POINTFX& p : fx)
                    points.push_back(POINT{IntFromFixed(p.x), IntFromFixed(p.y)});
            } else if (type == TT_PRIM_QSPLINE) {
                // Between two controls the on-curve point is implied: their midpoint.
                for (size_t i = 0; i + 1 < fx.size(); ++i) {
                    POINTFX endPoint = fx[i + 1];
                    if (i + 2 < fx.size())
                        endPoint = POINTFX{fxDiv2(fx[i].x, fx[i + 1].x), fxDiv2(fx[i].y, fx[i + 1].y)};
                    QSpline2Polyline(points, fx[i], endPoint);
                }
            }
            record = pointsAt + static_cast<size_t>(count) * sizeof(POINTFX);
        }
        // Closed: back to the start, then the first point again.
        points.push_back(POINT{IntFromFixed(header.pfxStart.x), IntFromFixed(header.pfxStart.y)});
        if (points.size() > first + 1)
            points.push_back(points[first]);
        at = end;
    }
}

int MCMusicFont::GetStemWidth(const std::vector<POINT>& points) {
    int thickness = 0;
    for (size_t i = 1; i < points.size(); ++i)
        if (points[i].y == points[i - 1].y && points[i].x != points[i - 1].x)
            thickness = points[i - 1].x - points[i].x;
    return thickness;
}
