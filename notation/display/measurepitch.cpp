// DCctMeasure: vertical positions. The staff position under a y, the pitch
// under a point, the y of a pitch and of a rest, and ledger lines.
#include "notation/display/measure.h"

#include "interface/controls/line.h"
#include "model/conductor.h"
#include "model/event.h"
#include "model/markings.h"
#include "model/staff.h"
#include "notation/display/measurelinks.h"
#include "notation/display/staff.h"
#include "notation/layout/pitch.h"
#include "notation/layout/pitchutils.h"
#include "notation/layout/rulerruler.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace {

int NoteheadHeight() {
    return MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_CURRENT);
}

// d in units of q, the nearest whole number, halves away from zero.
int RoundHalfAway(int d, int q) {
    if (q <= 0)
        return 0;   // a font too small to have half-spaces
    const int magnitude = d < 0 ? -d : d;
    const int rounded = (magnitude + q / 2) / q * q / q;
    return d < 0 ? -rounded : rounded;
}

// The top line's MIDI pitch by clef-type code. Codes above 9 (no clef) read
// as a treble clef, whose lines every reader knows.
constexpr BYTE TOP_LINE_PITCH[] = {77, 89, 65, 57, 69, 45, 64, 67, 29, 30};
constexpr BYTE DEFAULT_TOP_LINE_PITCH = 77;

// Rest slots in spaces, by voice index in the table (8 places).
using Slots = std::array<signed char, 8>;

Slots OneStaffSlots(size_t n) {
    switch (n) {
    case 1:
        return {-2};
    case 2:
        return {1, -6};
    case 3:
        return {1, -2, -6};
    default:
        return {1, -2, -6, -6, -6, -6, -6, -6};
    }
}

// On a grand staff the table holds both staves' voices; which slots a voice
// gets depends on how many of them lie on the lower staff.
Slots GrandStaffSlots(const std::vector<BYTE>& table) {
    const size_t n = table.size();
    switch (n) {
    case 1:   // a table built for the staff always has two; one alone sits on the middle line
    case 2:
        return {-2, -2};
    case 3:
        if (table[1] > 3)
            return {-2, 1, -6};
        return {1, -6, -2};
    case 4:
        if (table[2] > 3 && table[1] > 3)
            return {-2, 1, -2, -6};
        if (table[2] > 3)
            return {1, -2, -6, -2};
        return {1, -6, 1, -6};
    case 5:
        if (table[3] <= 3)
            return {1, -2, -6, 1, -6};
        if (table[2] >= 4)
            return {1, -6, 1, -2, -6};
        return {1, -2, -6, 1, -2, -6};
    case 6:
        return {1, -2, -6, 1, -2, -6};
    default:
        return {1, -2, -6, 1, -2, -6, -6, -6};
    }
}

}  // namespace

int DCctMeasure::StaffTopFor(int voice) {
    return GetType() == STAFF_GRAND && voice > 3 ? GetY() + m_nLeftHandOffset : GetY();
}

int DCctMeasure::GetStaffLineForYPosition(int y, UINT& voice, BYTE& lower) {
    int d = y - GetY();
    if (GetType() != STAFF_GRAND) {
        if (voice == VOICE_BY_POSITION)
            voice = 0;
    } else if (voice == VOICE_BY_POSITION) {
        const int16_t half = static_cast<int16_t>(GetHeight() / 2);
        if (d < -half) {
            lower = 1;
            voice = 4;
            d = y - (GetY() + m_nLeftHandOffset);
        } else {
            voice = 0;
        }
    } else if (voice >= 4 && voice <= 7) {
        lower = 1;
        d = y - (GetY() + m_nLeftHandOffset);
    }
    return RoundHalfAway(d, NoteheadHeight() / 2);
}

BYTE DCctMeasure::GetMidiPitchForYPosition(CPoint point, UINT& voice) {
    BYTE lower = 0;
    const int line = GetStaffLineForYPosition(point.y, voice, lower);
    const MeasureLinks& links = GetMeasureLinks();
    DCBase* column = FindConductorMeasureDisplay();
    MCRulerRuler* ruler = column && links.conductorRuler ? links.conductorRuler(column) : nullptr;
    ECStaff* staff = FindStaffParent();
    if (!ruler || !staff || !links.staffLineToMidiPitch)
        return 0;
    // The ruler counts from the measure's start; the clef and key are looked
    // up at the score's time.
    MCTime time = *GetOwner()->GetTime();
    time += ruler->GetTime(point.x - GetX(), 0, MCRuler::ACTIVE_GROUP);
    ECClef* clef = DCctStaff::GetClefAtTime(staff, time, lower);
    ECKey* key = DCctStaff::GetKeyAtTime(staff, time, lower);
    const int found = clef ? links.staffLineToMidiPitch(clef, static_cast<short>(line), key) : -1;
    if (found < 0)
        return 0;
    const BYTE pitch = static_cast<BYTE>(found);
    if (GetType() == STAFF_PERCUSSION) {
        MCPitch drum(pitch, 0);
        drum.SetPercussion(1);
        voice = static_cast<UINT>(drum.GetVoiceFromPercussionPitch());
    }
    return pitch;
}

int DCctMeasure::GetYPositionForPitch(MCPitch& pitch, int voice, BYTE clefType) {
    const BYTE top = clefType < std::size(TOP_LINE_PITCH) ? TOP_LINE_PITCH[clefType] : DEFAULT_TOP_LINE_PITCH;
    const MCPitch reference(top, 0);
    const int offset = StaffTopFor(voice) - GetY();
    return offset + MCPitchUtils().OrderedDiatonic(reference, pitch) * NoteheadHeight() / 2;
}

int DCctMeasure::GetYPositionForRest(int voice, int whole) {
    const int h = NoteheadHeight();
    const int offset = StaffTopFor(voice) - GetY();
    if (whole != 0)
        return offset - 2 * h;
    const auto found = std::find(m_voices.begin(), m_voices.end(), static_cast<BYTE>(voice));
    if (found == m_voices.end())
        return 0;
    const Slots slots = GetType() == STAFF_GRAND ? GrandStaffSlots(m_voices) : OneStaffSlots(m_voices.size());
    // Voices appended beyond eight share the last slot.
    const size_t index = std::min<size_t>(static_cast<size_t>(found - m_voices.begin()), slots.size() - 1);
    return slots[index] * h + offset;
}

void DCctMeasure::GetLedgerLines(std::vector<MCLine>& lines, BYTE pitch, int voice, MCTime& time) {
    ECStaff* staff = FindStaffParent();
    if (!staff)
        return;
    ECClef* clef = DCctStaff::GetClefAtTime(staff, time, voice > 3 ? 1 : 0);
    const MeasureLinks& links = GetMeasureLinks();
    if (!clef || !links.middleLinePitch || !links.topLinePitch || !links.bottomLinePitch)
        return;
    const int middlePitch = links.middleLinePitch(clef);
    const int topPitch = links.topLinePitch(clef);
    const int bottomPitch = links.bottomLinePitch(clef);
    if (middlePitch < 0 || topPitch < 0 || bottomPitch < 0)
        return;

    MCPitch middle(static_cast<BYTE>(middlePitch), 0);
    MCPitch note(pitch, 0);
    if (GetType() == STAFF_PERCUSSION) {
        middle.SetPercussion(1);
        note.SetPercussion(1);
    }
    const bool above = middle < note;
    const MCPitchUtils utils;
    const int steps = above ? utils.OrderedDiatonic(MCPitch(static_cast<BYTE>(topPitch), 0), note)
                            : utils.OrderedDiatonic(note, MCPitch(static_cast<BYTE>(bottomPitch), 0));
    const int count = steps > 1 ? steps / 2 : 0;
    lines.assign(static_cast<size_t>(count), MCLine());

    MCMusicFont& font = MCMusicFont::GetMusicFont();
    const int h = font.GetNoteheadHeight(FONT_CURRENT);
    const int length = font.GetNoteheadWidth(FONT_CURRENT) * 3 / 2;
    const int thickness = font.GetStemWidth(FONT_CURRENT);
    int base = 0;
    if (above)
        base = StaffTopFor(voice);
    else if (GetType() == STAFF_GRAND && voice <= 3)
        base = GetY() - 4 * h;   // the upper staff's bottom line
    else
        base = GetY() - GetHeight();
    for (int i = 0; i < count; ++i) {
        const int y = above ? base + h * (i + 1) : base - h * (i + 1);
        lines[static_cast<size_t>(i)] = MCLine(0, y, length, thickness);
    }
}
