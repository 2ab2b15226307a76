// MCMusicFont: the one font of music symbols every notation element draws with.
//
// It is the face and size the user chose ("Settings\Font" "Music Font", face
// and size; "Norvane2" at -32 without one), scaled to grace (70 %) and cue
// (80 %) notes on request, and it keeps what layout measures of it: per size
// mode the note metrics (notehead width and height, barline and stem widths,
// ascent) and a cache of every glyph's black box. Measures are in the view's
// layout units; nothing is assumed of the face but what is measured on the
// device context it is selected into.
//
// A selection in another size mode saves the description and the normal note
// metrics and must be paired with DeselectFont, which puts them back; a second
// change of mode before the deselection overwrites what was saved.
//
// Ownership: one object per process (GetMusicFont), a static of the plug-in
// built at load, before the three glyph caches (normal, cue, grace), which the
// process shares. User-interface thread only.
#pragma once

#include "interface/controls/mcfont.h"
#include "platform/gdi/fontengine.h"
#include "platform/gdi/glyphoutline.h"

#include <cstdint>
#include <vector>

// Size modes.
enum : uint8_t {
    FONT_NORMAL = 0,
    FONT_GRACE = 1,
    FONT_CUE = 2,
    FONT_CURRENT = 3,   // the mode the font is in (getters and GetMusicMetrics)
    FONT_ALL = 4,       // all three (SetExtentDirty only)
};

class MCMusicFont : public MCFont {
public:
    // Six 32-bit fields, in this order.
    struct NoteMetrics {
        int32_t noteheadWidth = 0;
        int32_t noteheadHeight = 0;
        int32_t barlineWidth = 0;
        int32_t stemWidth = 0;
        int32_t ascent = 0;
        int32_t extentDirty = 0;    // non-zero: the mode's glyph cache is filled at the next selection
        bool operator==(const NoteMetrics&) const = default;
    };

    // A glyph's black box in two words: width (bits 0-15) and height (16-31),
    // unsigned; left (0-15) and top (16-31), signed, from the drawing point.
    class MusicFontMetrics {
    public:
        unsigned GetWidth() const { return m_size & 0xFFFF; }
        unsigned GetHeight() const { return m_size >> 16; }
        int GetLeft() const { return static_cast<int16_t>(m_place & 0xFFFF); }
        int GetTop() const { return static_cast<int16_t>(m_place >> 16); }
        void SetWidth(int width) { m_size = (m_size & 0xFFFF0000u) | (static_cast<uint32_t>(width) & 0xFFFF); }
        void SetHeight(int height) { m_size = (m_size & 0xFFFF) | (static_cast<uint32_t>(height) << 16); }
        void SetLeft(int left) { m_place = (m_place & 0xFFFF0000u) | (static_cast<uint32_t>(left) & 0xFFFF); }
        void SetTop(int top) { m_place = (m_place & 0xFFFF) | (static_cast<uint32_t>(top) << 16); }
        bool operator==(const MusicFontMetrics&) const = default;

    private:
        uint32_t m_size = 0;
        uint32_t m_place = 0;
    };

    MCMusicFont();
    ~MCMusicFont() override;

    static MCMusicFont& GetMusicFont();

    using MCFont::SelectFont;
    // Selects the font in size mode `mode` (0-2); answers the font it replaced.
    CFont* SelectFont(CDC* dc, uint8_t mode);
    // Deselects, and puts back the description and normal metrics a mode change saved.
    CFont* DeselectFont(CDC* dc) override;

    // The fields of mode `mode`'s metrics (3: the current mode; other than 1
    // and 2: normal).
    int GetNoteheadHeight(uint8_t mode) const { return Metrics(mode).noteheadHeight; }
    int GetNoteheadWidth(uint8_t mode) const { return Metrics(mode).noteheadWidth; }
    int GetStemWidth(uint8_t mode) const { return Metrics(mode).stemWidth; }
    int GetBarlineWidth(uint8_t mode) const { return Metrics(mode).barlineWidth; }
    int GetAscent(uint8_t mode) const { return Metrics(mode).ascent; }

    // The cached box of `ch` in mode `mode` (as above); empty for a code past 255.
    MusicFontMetrics GetMusicMetrics(unsigned ch, uint8_t mode) const;
    // Measures `ch` in the font now selected into `dc` (no cache).
    MusicFontMetrics GetMusicExtent(CDC* dc, unsigned ch) const;

    // Stores `dirty` into the metrics of mode 0, 1 or 2, or all three for 4.
    void SetExtentDirty(int dirty, uint8_t mode);

    using MCFont::SaveLogFont;
    using MCFont::RestoreLogFont;
    // Copies out the description and the normal note metrics.
    void SaveLogFont(LOGFONT* logFont, NoteMetrics* metrics) const;
    // Puts both back and marks the font changed.
    void RestoreLogFont(LOGFONT logFont, NoteMetrics metrics);

    void SetCuePercent(int percent) { m_cuePercent = percent; }
    int GetCuePercent() const { return m_cuePercent; }
    void SetGracePercent(int percent) { m_gracePercent = percent; }
    int GetGracePercent() const { return m_gracePercent; }

    uint8_t GetCurrentMode() const { return m_currentMode; }

protected:
    void ChangeFontSize(uint8_t mode);
    void SetMetrics(CDC* dc, NoteMetrics& metrics, int force);
    void SetNoteMetrics(CDC* dc, const TEXTMETRIC& tm, NoteMetrics& metrics);
    void CalculateFontMetrics(CDC* dc, uint8_t mode);
    // The native outline of `ch` as points: every line point, splines walked
    // into their on-curve points, each polygon closed. The whole outline is read.
    void GetOutlinePoints(CDC* dc, unsigned ch, std::vector<POINT>& points) const;
    // The thickness the last level pair of `points` gives (0 without one), in
    // device units and signed as found.
    static int GetStemWidth(const std::vector<POINT>& points);
    static int IntFromFixed(FIXED value);
    static FIXED fxDiv2(FIXED a, FIXED b);
    static void QSpline2Polyline(std::vector<POINT>& out, const POINTFX& control, const POINTFX& end);

private:
    NoteMetrics& Metrics(uint8_t mode);
    const NoteMetrics& Metrics(uint8_t mode) const;
    // Mode `mode`'s glyph cache (as the getters read modes).
    static MusicFontMetrics* Cache(uint8_t mode);

    NoteMetrics m_normal;
    NoteMetrics m_grace;
    NoteMetrics m_cue;
    NoteMetrics m_savedMetrics;
    LOGFONT m_savedLogFont;
    int m_saved = 0;
    uint8_t m_currentMode = FONT_NORMAL;
    uint8_t m_previousMode = FONT_NORMAL;
    int m_cuePercent = 80;
    int m_gracePercent = 70;
};
