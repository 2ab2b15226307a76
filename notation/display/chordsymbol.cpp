// DCctChordSymbol: spelling a chord's name, choosing its chart, placing,
// measuring and drawing them, and the names of the chord types.
#include "notation/display/chordsymbol.h"

#include "model/conductor.h"
#include "model/conductorstaff.h"
#include "model/event.h"
#include "model/markings.h"
#include "model/measure.h"
#include "model/time.h"
#include "notation/display/conductor.h"
#include "notation/display/conductormeasure.h"
#include "notation/display/drawsteps.h"
#include "notation/display/samplefont.h"
#include "notation/layout/staffruler.h"
#include "notation/layout/textfonts.h"
#include "platform/core/archive.h"
#include "platform/core/codepage.h"
#include "platform/core/resources.h"
#include "platform/gdi/dc.h"

#include <algorithm>
#include <iterator>
#include <string_view>

IMPLEMENT_SERIAL(DCctChordSymbol, DCctBase, VERSIONABLE_SCHEMA | 2)

STRING_TABLE({IDS_CHORD_TYPE_FIRST + 0, "Major"},
             {IDS_CHORD_TYPE_FIRST + 1, "Minor"},
             {IDS_CHORD_TYPE_FIRST + 2, "7"},
             {IDS_CHORD_TYPE_FIRST + 3, "Diminished"},
             {IDS_CHORD_TYPE_FIRST + 4, "Minor 6th"},
             {IDS_CHORD_TYPE_FIRST + 5, "Minor 7th"},
             {IDS_CHORD_TYPE_FIRST + 6, "6"},
             {IDS_CHORD_TYPE_FIRST + 7, "9"},
             {IDS_CHORD_TYPE_FIRST + 8, "Major 7th"},
             {IDS_CHORD_TYPE_FIRST + 9, "Add 9"},
             {IDS_CHORD_TYPE_FIRST + 10, "Major 7 Add 9"},
             {IDS_CHORD_TYPE_FIRST + 11, "6 9"},
             {IDS_CHORD_TYPE_FIRST + 12, "Minor 9"},
             {IDS_CHORD_TYPE_FIRST + 13, "Minor 6 9"},
             {IDS_CHORD_TYPE_FIRST + 14, "Minor 7 Flat 5"},
             {IDS_CHORD_TYPE_FIRST + 15, "Sus"},
             {IDS_CHORD_TYPE_FIRST + 16, "7 Sus"},
             {IDS_CHORD_TYPE_FIRST + 17, "Aug"},
             {IDS_CHORD_TYPE_FIRST + 18, "Undefined"});

namespace {

// The track of an event whose voice/track word is unset.
constexpr int kNoTrack = 0x7FF;
// Where the chart stands over the position, how much of the frame it takes
// and how far it lifts a name drawn with it, in notehead heights.
constexpr int kChartTop = 2;
constexpr int kChartFrame = 3;
constexpr int kChartLift = 4;

// Root and bass codes run 1 to 21, three to a letter from C (code 21 is C
// flat, after B sharp): code / 3 is the letter, code % 3 the accidental.
constexpr int kLastNoteCode = 21;
constexpr const char* kLetters[] = {"C", "D", "E", "F", "G", "A", "B", "C"};
constexpr int kLetterPitchClass[] = {0, 2, 4, 5, 7, 9, 11, 0};
enum NoteAccidental : int { ACC_FLAT = 0, ACC_NONE = 1, ACC_SHARP = 2 };
constexpr const char* kAccidentals[] = {"b", "", "#"};

bool IsNoteCode(int code) {
    return code >= 1 && code <= kLastNoteCode;
}

// The chord types: quality, extension and the chart's place among a root's.
struct ChordType {
    const char* flavor;
    const char* extension;
    UINT chartOffset;
};
constexpr ChordType kChordTypes[] = {
    {"", "", 0},            // major
    {"min", "", 2},
    {"", "7", 1},
    {"o", "7", 3},          // diminished
    {"min", "6", 4},
    {"min", "7", 5},
    {"", "6", 7},
    {"", "9", 8},
    {"maj", "7", 9},
    {"add", "(add 9)", 10},
    {"maj", "7(add 9)", 11},
    {"", "6(add 9)", 12},
    {"min", "7(add 9)", 13},
    {"min", "6(add 9)", 14},
    {"min", "b5", 15},
    {"sus", "4", 16},
    {"", "7sus4", 17},
    {"+", "7", 6},          // augmented
};
// Types past the table (18, "Undefined", and up) show no quality and the
// major chart.
constexpr ChordType kUndefinedType = {"", "", 0};

const ChordType& TypeOf(int code) {
    return code >= 0 && code < static_cast<int>(std::size(kChordTypes)) ? kChordTypes[code] : kUndefinedType;
}

// The characters of a name drawn from the music font, and their glyphs.
struct NameGlyph {
    char character;
    UINT glyph;
};
constexpr NameGlyph kNameGlyphs[] = {
    {'b', 105},     // flat
    {'#', 73},      // sharp
    {'o', 111},     // diminished
    {'+', 246},     // augmented
};

UINT MusicGlyphOf(char c) {
    for (const NameGlyph& entry : kNameGlyphs)
        if (entry.character == c)
            return entry.glyph;
    return 0;
}

// One character of a font's table as the text the device context takes.
std::string CharacterText(UINT code) {
    const char byte = static_cast<char>(code);
    return Cp1252ToUtf8(std::string_view(&byte, 1));
}

int NoteheadHeight() {
    return MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_CURRENT);
}

}  // namespace

DCctChordSymbol::DCctChordSymbol() = default;

DCctChordSymbol::DCctChordSymbol(const DCctChordSymbol& other) : DCctBase(other), m_name(other.m_name) {}

DCctChordSymbol::~DCctChordSymbol() = default;

std::string DCctChordSymbol::GetTypeName(int type) {
    if (type < 0 || type >= CHORD_TYPE_COUNT)
        return {};
    return LoadString(IDS_CHORD_TYPE_FIRST + static_cast<unsigned>(type));
}

uint32_t DCctChordSymbol::GetChordWord() {
    auto* chord = dynamic_cast<ECChordSymbol*>(GetOwner());
    return chord ? chord->GetChordType() : 0;
}

// ---- the name's parts ----------------------------------------------------------------

std::string DCctChordSymbol::GetRoot() {
    const int code = GetChordWord() & 0xFF;
    return IsNoteCode(code) ? kLetters[code / 3] : "";
}

std::string DCctChordSymbol::GetRootAccidental() {
    const int code = GetChordWord() & 0xFF;
    return IsNoteCode(code) ? kAccidentals[code % 3] : "";
}

std::string DCctChordSymbol::GetFlavor() {
    return TypeOf((GetChordWord() >> 16) & 0xFF).flavor;
}

std::string DCctChordSymbol::GetExtension() {
    return TypeOf((GetChordWord() >> 16) & 0xFF).extension;
}

std::string DCctChordSymbol::GetBass() {
    const int code = (GetChordWord() >> 8) & 0xFF;
    return IsNoteCode(code) ? kLetters[code / 3] : "";
}

std::string DCctChordSymbol::GetBassAccidental() {
    const int code = (GetChordWord() >> 8) & 0xFF;
    return IsNoteCode(code) ? kAccidentals[code % 3] : "";
}

UINT DCctChordSymbol::GetFontFromType() {
    const uint32_t word = GetChordWord();
    const int root = word & 0xFF;
    // Enharmonic roots share their charts: the base goes by pitch class.
    int pitchClass = 0;
    if (IsNoteCode(root)) {
        const int shift = root % 3 == ACC_SHARP ? 1 : root % 3 == ACC_FLAT ? -1 : 0;
        pitchClass = (kLetterPitchClass[root / 3] + shift + 12) % 12;
    }
    return CHART_FIRST + CHARTS_PER_ROOT * static_cast<UINT>(pitchClass) + TypeOf((word >> 16) & 0xFF).chartOffset;
}

// ---- placing ------------------------------------------------------------------------------

int DCctChordSymbol::Position(ECConductor* conductor, ECStaff* staff, ECMeasure*, ECBase*) {
    ECBase* owner = GetOwner();
    if (!conductor)
        conductor = GetConductor();
    if (!owner || !conductor || !owner->GetTime())
        return 0;
    MCVoiceTrack* word = owner->GetVoiceTrack();
    const int track = word ? word->GetTrack() : kNoTrack;
    if (!staff && !conductor->GetTrack(1, track, 0))
        return 0;
    auto* condStaff = dynamic_cast<DCctConductorStaff*>(NotationDisplayOf(conductor->GetTrack(1, 0, 0)));
    ECMeasure* column = conductor->GetMeasure(0, *owner->GetTime(), 0, 1);
    auto* columnDisplay = dynamic_cast<DCctConductorMeasure*>(NotationDisplayOf(column));
    if (!condStaff || !columnDisplay || !column->GetTime())
        return 0;
    SetSize(nullptr);     // centred by its width
    const int x = columnDisplay->GetXForTime(*owner->GetTime()) - GetWidth() / 2;
    const int y = condStaff->GetRuler().GetSpaceAbove(track - 1);
    SetPosition(x, y);
    return 1;
}

// ---- measuring ----------------------------------------------------------------------------

void DCctChordSymbol::SetSize(CDC* dc) {
    if (!FrameDirty())
        return;
    MeasuringDC measuring(dc);
    const uint32_t word = GetChordWord();
    int width = 0;
    int height = 0;
    int gridWidth = 0;
    int gridHeight = 0;
    if (word & SHOW_CHART) {
        MCChartFont& chart = MCChartFont::GetChartFont();
        chart.SelectFont(measuring.Get());
        gridWidth = measuring.Get()->GetTextExtent(CharacterText(GetFontFromType())).cx;
        chart.DeselectFont(measuring.Get());
        gridHeight = kChartFrame * NoteheadHeight();
    }
    if (word & SHOW_NAME) {
        m_name.clear();
        for (const std::string& part : {GetRoot(), GetRootAccidental(), GetFlavor(), GetExtension(), GetBass(),
                                        GetBassAccidental()})
            m_name += part;
        MCTextFont& text = MCTextFont::GetTextFont();
        text.SelectFont(measuring.Get());
        const CSize extent = measuring.Get()->GetTextExtent(m_name);
        text.DeselectFont(measuring.Get());
        width = extent.cx;
        height = extent.cy;
    }
    width = std::max(width, gridWidth);
    height += gridHeight;
    m_metrics.SetWidth(width);
    m_metrics.SetHeight(height);
    m_metrics.SetTop(height);     // the frame runs up from the position
    SetFrameDirty(0);
}

// ---- drawing ------------------------------------------------------------------------------

int DCctChordSymbol::Draw(CDC* dc, CPoint point, CRect*) {
    SetSize(dc);
    const uint32_t word = GetChordWord();
    int height = 0;
    int width = 0;
    if (word & SHOW_CHART)
        DrawGrid(dc, point, height, width);
    if (word & SHOW_NAME)
        DrawName(dc, point, height, width);
    return DRAW_DONE;
}

void DCctChordSymbol::DrawGrid(CDC* dc, CPoint point, int& height, int& width) {
    MCChartFont& chart = MCChartFont::GetChartFont();
    FontColorScope color(chart);
    chart.SetFontColor(GetColor(dc));
    chart.SelectFont(dc);
    const int h = NoteheadHeight();
    CPoint at = GetPosition();
    at.Offset(point.x, point.y + kChartTop * h);
    at = SnapToDevice(dc, at);
    const UINT glyph = GetFontFromType();
    width = dc->GetTextExtent(CharacterText(glyph)).cx;
    if (width < GetWidth())
        at.x += (GetWidth() - width) / 2;     // centred over a wider name
    DrawMusicGlyph(dc, at.x, at.y, glyph);
    chart.DeselectFont(dc);
    height += kChartLift * h;
}

void DCctChordSymbol::DrawName(CDC* dc, CPoint point, int& height, int& width) {
    MCTextFont& text = MCTextFont::GetTextFont();
    MCMusicFont& music = MCMusicFont::GetMusicFont();
    FontColorScope textColor(text);
    FontColorScope musicColor(music);
    const COLORREF color = GetColor(dc);
    text.SetFontColor(color);
    music.SetFontColor(color);

    CPoint start = GetPosition();
    start.Offset(point.x, point.y + (height != 0 ? height : static_cast<int>(m_metrics.GetHeight())));
    start = SnapToDevice(dc, start);
    text.SelectFont(dc);
    const int nameWidth = dc->GetTextExtent(m_name).cx;
    text.DeselectFont(dc);
    if (nameWidth < GetWidth())
        start.x += (GetWidth() - nameWidth) / 2;

    // Character by character: the signs come from the music font, each
    // font selected alone (the fonts share the record of what they replaced).
    int x = start.x;
    for (const char c : m_name) {
        if (const UINT glyph = MusicGlyphOf(c)) {
            music.SelectFont(dc, FONT_NORMAL);
            DrawMusicGlyph(dc, x, start.y + music.GetAscent(FONT_CURRENT), glyph);
            x += dc->GetTextExtent(CharacterText(glyph)).cx;
            music.DeselectFont(dc);
        } else {
            text.SelectFont(dc);
            const std::string one(1, c);
            const int oldMode = dc->SetBkMode(TRANSPARENT);
            dc->TextOut(x, start.y, one);
            dc->SetBkMode(oldMode);
            x += dc->GetTextExtent(one).cx;
            text.DeselectFont(dc);
        }
    }
    width = x - start.x;
}

int DCctChordSymbol::DrawInRect(CDC* dc, CRect* rect) {
    // The chart takes the sample's size; the name's text and its signs, and
    // the chart's frame (measured in noteheads), shrink with it.
    MCChartFont& chart = MCChartFont::GetChartFont();
    MCTextFont& text = MCTextFont::GetTextFont();
    LOGFONT savedChart;
    LOGFONT savedText;
    chart.SaveLogFont(&savedChart);
    text.SaveLogFont(&savedText);
    FontColorScope chartColor(chart);
    FontColorScope textColor(text);
    const int before = savedChart.lfHeight;
    const int after = AdjustForTextFont(rect->top - rect->bottom);
    auto scaled = [&](int height) {
        return before == 0 ? height : static_cast<int>(static_cast<long long>(height) * after / before);
    };
    chart.SetFontHeight(after);
    chart.SetFontColor(GetColor(dc));
    text.SetFontHeight(scaled(savedText.lfHeight));
    {
        MusicFontSample music(dc, scaled(MCMusicFont::GetMusicFont().GetLogFont().lfHeight), GetColor(dc));
        // Measured at the sample's size; the score measures it again afterwards.
        SetFrameDirty(1);
        SetSize(dc);
        CenterPosition(dc, rect);
        Draw(dc, CPoint(0, 0), nullptr);
    }
    SetFrameDirty(1);
    text.RestoreLogFont(savedText);
    chart.RestoreLogFont(savedChart);
    return 1;
}
