// DCctRest: construction, archive, glyphs, measuring, the beam's end point,
// placing and drawing.
#include "notation/display/rest.h"
#include "notation/display/beam.h"
#include "notation/display/drawsteps.h"

#include "model/conductor.h"
#include "model/event.h"
#include "model/eventtypes.h"
#include "model/lists.h"
#include "model/measure.h"
#include "model/meter.h"
#include "model/staff.h"
#include "notation/display/measure.h"
#include "notation/display/measurelinks.h"
#include "notation/layout/rulerruler.h"
#include "platform/core/archive.h"
#include "platform/gdi/dc.h"

#include <algorithm>
#include <string_view>
#include <vector>

IMPLEMENT_SERIAL(DCctRest, DCctNotate, VERSIONABLE_SCHEMA | 2)

namespace {

// Music-font codes.
constexpr UINT kLedgerLine = 95;
// Rest glyphs by value code, double whole to 128th. The double whole rest has
// a glyph of its own: code 87 is the double whole notehead.
constexpr UINT kRestGlyph[] = {227, 183, 238, 206, 228, 197, 168, 244, 229};

// Rests are drawn, and so measured, at normal size whatever their cue and
// grace marks say.
constexpr BYTE kRestSize = FONT_NORMAL;

constexpr WORD kQuarterTicks = 256;
constexpr WORD kHalfTicks = 512;
constexpr WORD kWholeTicks = 1024;
constexpr WORD kDoubleWholeTicks = 2048;

}  // namespace

DCctRest::DCctRest() {
    m_value.SetValue(VALUE_WHOLE);
    SetBit(BIT_CONSOLIDATED, 0);
    m_nLedgerLines = 0;
}

DCctRest::DCctRest(const DCctRest& other) : DCctNotate(other) {
    SetBit(BIT_CONSOLIDATED, 0);
    m_nLedgerLines = 0;
}

DCctRest::~DCctRest() = default;

void DCctRest::Serialize(CArchive& ar) {
    DCctNotate::Serialize(ar);
}

void DCctRest::PostSerialize(CArchive& ar) {
    DCctNotate::PostSerialize(ar);
    if (ar.IsStoring() || GetTickDuration(1) != kWholeTicks || GetTickStart(1) != 0)
        return;
    // The rest pass fills a voice with nothing in a measure with one whole
    // rest of the measure's length: read back, it is that length again.
    ECBase* rest = GetOwner();
    ECBase* measure = rest ? rest->GetAncestor(ET_MEASURE, -1) : nullptr;
    auto* conductor = measure ? static_cast<ECConductor*>(measure->GetAncestor(ET_CONDUCTOR, -1)) : nullptr;
    ECMeter* meter = conductor && measure->GetTime() ? conductor->GetMeterAtTime(*measure->GetTime()) : nullptr;
    MCVoiceTrack* word = rest->GetVoiceTrack();
    if (!meter || !word)
        return;
    MCEventList* children = measure->GetChildren();
    for (POSITION pos = children ? children->GetHeadPosition() : nullptr; pos;) {
        ECBase* child = children->GetNext(pos);
        const int type = child->GetClassType();
        const bool notated = type == ET_NOTE || type == ET_REST || type == ET_CHORD || type == ET_TUPLET;
        MCVoiceTrack* other = child->GetVoiceTrack();
        if (child != rest && notated && other && other->GetVoice() == word->GetVoice())
            return;   // a whole rest beside other music of its voice
    }
    SetTickDuration(static_cast<WORD>(meter->GetTicksPerMeasure(kQuarterTicks)));
}

void DCctRest::SetValue(WORD ticks, int unused) {
    DCctNotate::SetValue(ticks, unused);
    SetFrameDirty(1);
}

UINT DCctRest::GetFontFromType() {
    const BYTE code = GetValueCode();
    return code < std::size(kRestGlyph) ? kRestGlyph[code] : 0;
}

void DCctRest::GetFrame(CRect* rect, int) {
    DCctBase::GetFrame(rect, 0);
}

// ---- size and the beam's end point ------------------------------------------------

void DCctRest::SetSize(CDC*) {
    if (!FrameDirty())
        return;
    const UINT glyph = GetFontFromType();
    m_metrics = glyph ? MCMusicFont::GetMusicFont().GetMusicMetrics(glyph, kRestSize) : MCMusicFont::MusicFontMetrics();
    SetFrameDirty(0);
    SetAssembleDirty(1);
}

void DCctRest::Assemble() {
    if (!AssembleDirty())
        return;
    AttachStem();
    SetAssembleDirty(0);
}

void DCctRest::AttachStem() {
    CRect frame;
    GetFrame(&frame, 0);
    const int barline = MCMusicFont::GetMusicFont().GetBarlineWidth(kRestSize);
    m_nStemX = static_cast<int16_t>(GetStemSide() == 1 ? frame.right - frame.left - barline : 0);
    m_nStemY = 0;
}

short DCctRest::GetTotalWidthRight() {
    DCctBase* dot = FindDotDisplay();
    if (!dot)
        return static_cast<short>(GetWidth());
    const int h = MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_CURRENT);
    return static_cast<short>(GetWidth() + dot->GetWidth() + h / 2);
}

// ---- placing ---------------------------------------------------------------------------

int DCctRest::Position(ECConductor* conductor, ECStaff* staff, ECMeasure* measure, ECBase*) {
    ECBase* owner = GetOwner();
    if (!measure && owner)
        measure = static_cast<ECMeasure*>(owner->GetAncestor(ET_MEASURE, -1));
    if (!measure)
        return 0;
    auto* measureDisplay = dynamic_cast<DCctMeasure*>(measure->GetData(DK_NOTATION, 0));
    if (!measureDisplay)
        return 0;
    if (!conductor)
        conductor = GetConductor();
    if (!conductor)
        return 0;
    ECMeasure* column = conductor->GetMeasure(0, *measure->GetTime(), 0, 1);
    DCBase* columnDisplay = column ? column->GetData(DK_NOTATION, 0) : nullptr;
    auto rulerOf = GetMeasureLinks().conductorRuler;
    MCRuler* ruler = columnDisplay && rulerOf ? rulerOf(columnDisplay) : nullptr;
    if (!ruler)
        return 0;

    const WORD key = GetBase(2);
    int x = 0;
    if (GetValue() != kWholeTicks || GetTickStart(1) != 0) {
        x = ruler->GetXPositionForTick(static_cast<short>(GetTickStart(1)), key);
    } else {
        // A whole rest at the start of the measure stands for the whole
        // measure: centred in its music, past the clef, key and meter when
        // the measure shows them.
        SetSize(nullptr);
        const int barline = ruler->GetBarlineX();
        if (ruler->IsKeyInProlog() || ruler->IsClefInProlog() || ruler->IsMeterInProlog()) {
            const int start = ruler->GetXPositionForTick(0, key);
            x = start + (barline - start) / 2 - GetWidth() / 2;
        } else {
            x = barline / 2 - GetWidth() / 2;
        }
    }
    SetX(x);

    MCVoiceTrack* word = owner ? owner->GetVoiceTrack() : nullptr;
    const int voice = word ? word->GetVoice() : 0;
    SetY(measureDisplay->GetYPositionForRest(voice, GetConsolidated()));
    ClearBeam();

    const WORD value = GetValue();
    if (value != kHalfTicks && value != kWholeTicks && value != kDoubleWholeTicks) {
        // Only a half or whole rest touches a line of its own. The stem pass
        // gives every member of a beam its pitch's ledger lines, a rest's
        // default pitch included, and a quarter or shorter rest drew that
        // stray line over itself.
        m_nLedgerLines = 0;
        return 1;
    }
    if (!staff && word)
        staff = static_cast<ECStaff*>(conductor->GetTrack(1, word->GetTrack(), 0));
    if (!staff)
        return 1;
    // A grand staff's voices rest between its two staves: no ledger line.
    if (staff->GetStaffType() == DCctMeasure::STAFF_GRAND) {
        m_nLedgerLines = 0;
    } else if (GetY() > 0) {
        m_nLedgerLines = 1;
        SetBit(BIT_LEDGER_ABOVE, 1);
    } else if (GetY() < -measureDisplay->GetHeight()) {
        m_nLedgerLines = 1;
        SetBit(BIT_LEDGER_ABOVE, 0);
    } else {
        m_nLedgerLines = 0;
    }
    return 1;
}

void DCctRest::ClearBeam() {
    ECBase* owner = GetOwner();
    MCEventList* parents = owner ? owner->GetParents() : nullptr;
    const POSITION pos = parents ? parents->FindEvent(ET_BEAM) : nullptr;
    auto* beam = pos ? dynamic_cast<DCctBeam*>(parents->GetAt(pos)->GetData(DK_NOTATION, 0)) : nullptr;
    if (!beam || beam->PositionDirty())
        return;
    const std::vector<DCctBeam::Level>& levels = beam->GetLevels();
    if (levels.empty() || levels.front().columns.size() < 2)
        return;
    const CPoint from = levels.front().columns.front().point;
    const CPoint to = levels.front().columns.back().point;
    SetSize(nullptr);
    CRect frame;
    GetFrame(&frame, 0);
    const int left = std::min(frame.left, frame.right);
    const int right = std::max(frame.left, frame.right);
    if (left == right || right <= from.x || left >= to.x)
        return;
    const int top = std::max(frame.top, frame.bottom);
    const int bottom = std::min(frame.top, frame.bottom);
    // The beam's band over the rest: its outer line through the stem ends,
    // then every level's thickness toward the noteheads.
    const int h = MCMusicFont::GetMusicFont().GetNoteheadHeight(kRestSize);
    const int depth = beam->GetBandDepth();
    const double slope = levels.front().slope;
    auto line = [&](int x) { return from.y + static_cast<int>((x - from.x) * slope); };
    const int clearance = h / 2;
    if (h <= 0)
        return;
    if (beam->GetDirection() == 0) {
        // Stems up: the band hangs above the rest.
        const int inner = std::min(line(left), line(right)) - depth;
        const int over = top + clearance - inner;
        if (over > 0)
            SetY(GetY() - (over + h - 1) / h * h);
    } else {
        const int inner = std::max(line(left), line(right)) + depth;
        const int under = inner + clearance - bottom;
        if (under > 0)
            SetY(GetY() + (under + h - 1) / h * h);
    }
}

// ---- drawing -----------------------------------------------------------------------------

int DCctRest::Draw(CDC* dc, CPoint point, CRect*) {
    MCMusicFont& font = MCMusicFont::GetMusicFont();
    font.SetFontColor(GetColor(dc));
    font.SelectFont(dc, kRestSize);
    SetSize(dc);
    Assemble();
    CPoint q = GetPosition();
    q.Offset(point.x, point.y);
    q = SnapToDevice(dc, q);
    const int ascent = font.GetAscent(FONT_CURRENT);
    // (The ledger's cell overlaps the rest: glyphs are drawn transparent.)
    DrawMusicGlyph(dc, q.x, q.y + ascent, GetFontFromType());
    if (GetLedgerLineCount() != 0) {
        // The line the rest touches: a half rest stands on it, a whole or
        // double whole rest hangs from the line a space above its y.
        const int h = font.GetNoteheadHeight(FONT_CURRENT);
        const int o = GetValue() == kHalfTicks ? 0 : h;
        DrawMusicGlyph(dc, q.x, q.y + o + ascent, kLedgerLine);
    }
    font.DeselectFont(dc);
    return DRAW_DONE;
}
