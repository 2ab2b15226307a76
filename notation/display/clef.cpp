// DCctClef: clef glyphs, line pitches, staff positions to pitches, placing
// and drawing.
#include "notation/display/clef.h"
#include "notation/display/drawsteps.h"

#include "model/eventtypes.h"
#include "model/markings.h"
#include "model/measure.h"
#include "notation/display/key.h"
#include "notation/display/measurelookup.h"
#include "notation/layout/pitch.h"
#include "notation/layout/pitchutils.h"
#include "notation/layout/ruler.h"
#include "platform/core/archive.h"
#include "platform/gdi/dc.h"

#include <string>

// Named as DCBase's: what reaches a clef through the run-time records sees
// the data base; the display base is reached by C++ casts.
IMPLEMENT_SERIAL(DCctClef, DCBase, VERSIONABLE_SCHEMA | 2)

namespace {

struct ClefRow {
    UINT glyph;
    BYTE staffLine;
    BYTE topLine;
    BYTE middleLine;
    BYTE referenceDegree;   // the degree of the top line, C = 0
};

constexpr ClefRow kClefs[] = {
    {38, 3, 77, 71, 3},    // treble
    {160, 3, 89, 83, 3},   // treble, an octave up
    {86, 3, 65, 59, 3},    // treble, an octave down
    {63, 1, 57, 50, 5},    // bass
    {114, 1, 69, 62, 5},   // bass, an octave up
    {116, 1, 45, 38, 5},   // bass, an octave down
    {66, 1, 64, 57, 2},    // tenor
    {66, 2, 67, 60, 4},    // alto
    {214, 2, 29, 23, 3},   // drum (its pitches come from the percussion map)
};
constexpr BYTE kClefCount = sizeof kClefs / sizeof kClefs[0];
constexpr BYTE kNoClefDegree = 3;

const ClefRow* Row(BYTE type) {
    return type < kClefCount ? &kClefs[type] : nullptr;
}

// A staff position drawn below the drum clef's top line is the staff degree
// 17 above it (the percussion map counts staff degrees from its own origin).
constexpr int kDrumTopLineDegree = 17;

}  // namespace

DCctClef::DCctClef() {
    SetFullSize(1);
}

DCctClef::DCctClef(const DCctClef& other) : DCctBase(other), m_staffLine(other.m_staffLine) {
    // A clef copied with its measure shows exactly as the original did.
    SetStateWord(other.GetStateWord());
}

DCctClef::~DCctClef() = default;

// ---- the owner ------------------------------------------------------------------

BYTE DCctClef::GetType() {
    auto* clef = dynamic_cast<ECClef*>(GetOwner());
    return clef ? clef->GetClefType() : static_cast<BYTE>(CLEF_NONE);
}

BYTE DCctClef::GetHand() {
    auto* clef = dynamic_cast<ECClef*>(GetOwner());
    return clef ? clef->GetHand() : 0;
}

BYTE DCctClef::GetStaffLine() {
    if (const ClefRow* row = Row(GetType()))
        m_staffLine = row->staffLine;
    return m_staffLine;
}

int DCctClef::LowerStaffOffset() {
    if (GetHand() != 1)
        return 0;
    return MeasureLeftHandOffset(MeasureParent(GetOwner()));
}

UINT DCctClef::GetFontFromType() {
    const ClefRow* row = Row(GetType());
    return row ? row->glyph : 0;
}

// ---- pitches ----------------------------------------------------------------------

BYTE DCctClef::TopLineMidiPitch(BYTE type) {
    const ClefRow* row = Row(type);
    return row ? row->topLine : 0;
}

BYTE DCctClef::MiddleLineMidiPitch(BYTE type) {
    const ClefRow* row = Row(type);
    return row ? row->middleLine : 0;
}

BYTE DCctClef::GetTopLineMidiPitch() {
    return TopLineMidiPitch(GetType());
}

BYTE DCctClef::GetMiddleLineMidiPitch() {
    return MiddleLineMidiPitch(GetType());
}

BYTE DCctClef::GetBottomLineMidiPitch() {
    // 13 below for every clef: see the header.
    return static_cast<BYTE>(GetTopLineMidiPitch() - 13);
}

BYTE DCctClef::StaffLineToMidiPitch(short position, DCctKey* key) {
    return StaffLineToMidiPitch(GetType(), position, key);
}

BYTE DCctClef::StaffLineToMidiPitch(BYTE type, short position, DCctKey* key) {
    if (type == CLEF_DRUM)
        return MCPitch::StaffDegreeToMidiPitch(static_cast<uint8_t>(position + kDrumTopLineDegree));
    const ClefRow* row = Row(type);
    const int r = row ? row->referenceDegree : kNoClefDegree;
    const signed char* diatonic = DCctKey::GetDiatonicVector();
    // A staff without a key reads as one without accidentals.
    const signed char* keyed = key ? key->GetKeyVector() : diatonic;
    int offset = 0;
    if (position >= 0) {
        const int octaves = position / 7;
        const int t = (r + position % 7) % 7;
        int step = diatonic[t] - diatonic[r];
        if (step < 0)
            step += 12;
        offset = step + (keyed[t] - diatonic[t]) + 12 * octaves;
    } else {
        // Both divisions truncate toward zero, as the steps below the top
        // line are counted from it downward.
        const int octaves = position / -7;
        const int t = (position % 7 + r + 7) % 7;
        int step = diatonic[r] - diatonic[t];
        if (step < 0)
            step += 12;
        offset = -(step - (keyed[t] - diatonic[t]) + 12 * octaves);
    }
    return static_cast<BYTE>((row ? row->topLine : 0) + offset);
}

int DCctClef::GetDistanceFromMiddleLine(MCPitch& pitch) {
    const MCPitch middle(GetMiddleLineMidiPitch(), 0);
    return MCPitchUtils().UnorderedDiatonic(middle, pitch);
}

int DCctClef::InSpace(MCPitch& pitch) {
    if (GetType() == CLEF_DRUM)
        return 1;
    return GetDistanceFromMiddleLine(pitch) % 2;
}

// ---- placing ------------------------------------------------------------------------

int DCctClef::Position(ECConductor* conductor, ECStaff*, ECMeasure* measure, ECBase* parent) {
    ECBase* owner = GetOwner();
    measure = PositioningMeasure(measure, parent, owner);
    if (!measure || !owner || !owner->GetTime() || !measure->GetTime())
        return 0;
    MCRuler* ruler = ConductorRulerAt(conductor, measure);
    if (!ruler)
        return 0;
    int x = 0;
    if (*owner->GetTime() == MCTime::TimeZero()) {
        x = ruler->GetPrologX(MCRuler::PROLOG_CLEF);
    } else {
        const int ticks = owner->GetTime()->GetTicks(256) - measure->GetTime()->GetTicks(256);
        const int width = GetWidth() + MCMusicFont::GetMusicFont().GetNoteheadWidth(FONT_CURRENT) / 2;
        x = ruler->GetMidClefX(static_cast<short>(ticks), static_cast<short>(width));
    }
    SetPosition(x, 0);
    return 1;
}

void DCctClef::GetFrame(CRect* rect, int /*selector*/) {
    DCctBase::GetFrame(rect, 0);
    const int down = GetStaffLine() * MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_CURRENT);
    rect->OffsetRect(0, LowerStaffOffset() - down);
}

// ---- drawing --------------------------------------------------------------------------

int DCctClef::Draw(CDC* dc, CPoint point, CRect*) {
    MCMusicFont& font = MCMusicFont::GetMusicFont();
    const int h = font.GetNoteheadHeight(FONT_CURRENT);
    const bool small = !IsFullSize();
    LOGFONT savedFont;
    MCMusicFont::NoteMetrics savedMetrics;
    if (small) {
        font.SaveLogFont(&savedFont, &savedMetrics);
        // The smaller size must not refill the glyph caches the score
        // measures with.
        font.SetExtentDirty(0, FONT_ALL);
        font.SetFontPointSize(font.GetFontPointSize(1440) * 3 / 4, 1440);
    }
    font.SetFontColor(GetColor(dc));
    font.SelectFont(dc, FONT_NORMAL);
    const int ascent = font.GetAscent(FONT_CURRENT);
    SetSize(dc);
    CPoint at = GetPosition();
    at.Offset(point.x, point.y);
    at = SnapToDevice(dc, at);
    at.y += LowerStaffOffset();
    DrawMusicGlyph(dc, at.x, at.y + ascent - GetStaffLine() * h, GetFontFromType());
    font.DeselectFont(dc);
    if (small)
        font.RestoreLogFont(savedFont, savedMetrics);   // the next selection makes the full size again
    return DRAW_DONE;
}

int DCctClef::DrawInRect(CDC* dc, CRect*) {
    MCMusicFont& font = MCMusicFont::GetMusicFont();
    font.SetExtentDirty(0, FONT_ALL);
    font.SelectFont(dc, FONT_NORMAL);
    m_metrics = font.GetMusicExtent(dc, GetFontFromType());
    font.DeselectFont(dc);
    SetFrameDirty(0);
    SetAssembleDirty(1);
    Draw(dc, CPoint(0, 0), nullptr);
    return 1;
}
