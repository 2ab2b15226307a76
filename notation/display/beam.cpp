// DCctBeam: construction, archive, the beam word, and the grouping of the
// members: stem direction, slant and stem lengths, and the secondary levels.
#include "notation/display/beam.h"

#include "model/conductor.h"
#include "model/event.h"
#include "model/eventtypes.h"
#include "model/lists.h"
#include "model/meter.h"
#include "model/staff.h"
#include "notation/display/chord.h"
#include "notation/display/measure.h"
#include "notation/display/note.h"
#include "notation/display/notate.h"
#include "notation/display/notateclef.h"
#include "notation/display/rest.h"
#include "notation/display/staff.h"
#include "notation/layout/pitchutils.h"
#include "platform/core/archive.h"

#include <algorithm>
#include <array>
#include <cstdlib>

IMPLEMENT_SERIAL(DCctBeam, DCctBase, VERSIONABLE_SCHEMA | 2)

namespace {

// The bits of the beam word the beam uses (2-10).
constexpr uint32_t kBeamWordBits = 0x7FC;

// The override argument of the stem and direction setters: the beam's own
// choices give way to the user's, except for the beam's record of the
// direction it was laid out with.
constexpr int kAutomatic = 0;
constexpr int kFixed = 1;

// SetStemLength's second argument: the length given is the whole length.
constexpr int kNoExtra = 0;

// A stem length is a byte of steps.
constexpr int kLongestStem = 255;

// The steps of stem a beam leaves beyond the notes it reaches over.
constexpr int kStemReach = 4;

// Notes at least this many steps from the middle line lie far out: their
// stems reach the middle line instead of their usual length.
constexpr int kFarOutSteps = 7;

DCctNotate* NotateOf(ECBase* event) {
    return event ? dynamic_cast<DCctNotate*>(event->GetData(DK_NOTATION, 0)) : nullptr;
}

bool IsRest(ECBase* event) {
    return event && event->GetClassType() == ET_REST;
}

// The members a beam groups: notes, chords and grace notes (a beam over the
// grace notes before a note holds nothing else).
bool IsNoteChordOrGrace(ECBase* event) {
    const int type = event ? event->GetClassType() : -1;
    return type == ET_NOTE || type == ET_CHORD || type == ET_GRACENOTE;
}

MCPitch PitchOfKey(int key) {
    MCPitch pitch;
    pitch.SetPitch(static_cast<uint8_t>(key), 0, 0);
    return pitch;
}

BYTE StemLength(int steps) {
    return static_cast<BYTE>(std::clamp(steps, 0, kLongestStem));
}

bool IsPowerOfTwo(int v) {
    return v > 0 && (v & (v - 1)) == 0;
}

// Steps between the clef's middle line and the pitch, never negative; -1
// when the clef cannot tell.
int DistanceFromMiddleLine(DCctClef* clef, MCPitch& pitch) {
    auto entry = GetNotateClefLinks().distanceFromMiddleLine;
    return entry && clef ? entry(clef, pitch) : -1;
}

}  // namespace

DCctBeam::DCctBeam() = default;

DCctBeam::DCctBeam(const DCctBeam& other) : DCctBase(other), m_beam(other.m_beam) {}

DCctBeam::~DCctBeam() = default;

// ---- archive and beam word -----------------------------------------------------

uint32_t DCctBeam::GetBeamWord() const {
    return m_beam.Word() & kBeamWordBits;
}

void DCctBeam::Serialize(CArchive& ar) {
    DCctBase::Serialize(ar);
    if (ar.IsStoring()) {
        ar << static_cast<DWORD>(GetBeamWord());
        return;
    }
    DWORD word = 0;
    ar >> word;
    m_beam.SetWord((m_beam.Word() & ~kBeamWordBits) | (word & kBeamWordBits));
    // The levels are rebuilt when the loaded (dirty) beam is first placed.
    m_levels.clear();
    m_nMembers = 0;
}

void DCctBeam::SetDirection(int direction, int override) {
    if (override != 1 && m_beam.GetDirectionOverride())
        return;
    m_beam.SetDirection(direction);
    m_beam.SetDirectionOverride(override);
}

// ---- members ----------------------------------------------------------------------

void DCctBeam::FindBeamChildren(std::vector<ECBase*>& out, int kind) {
    out.clear();
    ECBase* owner = GetOwner();
    MCEventList* children = owner ? owner->GetChildren() : nullptr;
    if (!children)
        return;
    for (POSITION pos = children->GetHeadPosition(); pos;) {
        ECBase* child = children->GetNext(pos);
        if (IsNoteChordOrGrace(child) || (kind == WITH_RESTS && IsRest(child)))
            out.push_back(child);
    }
}

DCctNotate* DCctBeam::FindAnchorNote(ECBase* member) {
    if (!member)
        return nullptr;
    switch (member->GetClassType()) {
    case ET_NOTE:
    case ET_GRACENOTE:
    case ET_REST:
        return NotateOf(member);
    case ET_CHORD: {
        // A chord speaks through the note that carries its stem.
        auto* chord = dynamic_cast<DCctChord*>(NotateOf(member));
        return chord ? chord->GetAnchorNote() : nullptr;
    }
    default:
        return nullptr;
    }
}

ECBase* DCctBeam::GetFirstNoteOrChord(const std::vector<ECBase*>& members) {
    for (ECBase* member : members)
        if (IsNoteChordOrGrace(member))
            return member;
    return nullptr;
}

ECBase* DCctBeam::GetLastNoteOrChord(const std::vector<ECBase*>& members) {
    for (auto it = members.rbegin(); it != members.rend(); ++it)
        if (IsNoteChordOrGrace(*it))
            return *it;
    return nullptr;
}

WORD DCctBeam::GetTickRange() {
    std::vector<ECBase*> members;
    FindBeamChildren(members, NOTES_ONLY);
    DCctNotate* first = NotateOf(GetFirstNoteOrChord(members));
    DCctNotate* last = NotateOf(GetLastNoteOrChord(members));
    if (!first || !last)
        return 0;
    const int end = last->GetTickStart(1) + last->GetTickDuration(1);
    return static_cast<WORD>(std::clamp(end - first->GetTickStart(1), 0, 0xFFFF));
}

// ---- values ------------------------------------------------------------------------

int DCctBeam::NumberOfBeams(int value) {
    if (value <= 0)
        return 0;
    int count = 0;
    for (int p = 256; p > value; p /= 2)
        ++count;
    return count;
}

int DCctBeam::AdjustForSecondary(int value) {
    switch (value) {
    case 8:
        return 5;
    case 16:
        return 4;
    case 32:
        return 3;
    case 64:
        return 2;
    default:
        return 0;
    }
}

bool DCctBeam::IsFraction(int a, int b) {
    return (a & b) != 0 && a != b && IsPowerOfTwo(a + b);
}

int DCctBeam::NumberOfBeamGroups(const std::vector<ECBase*>& members) {
    int shortest = 256;
    for (ECBase* member : members) {
        DCctNotate* anchor = FindAnchorNote(member);
        if (!anchor)
            return 0;
        shortest = std::min<int>(shortest, anchor->GetValue());
    }
    return NumberOfBeams(shortest);
}

// ---- grouping -------------------------------------------------------------------------

void DCctBeam::Group(ECConductor* conductor, ECStaff* staff) {
    if (IsDirty()) {
        m_levels.clear();
        m_nMembers = 0;
        SetPositionDirty(1);
    }
    ECBase* owner = GetOwner();
    MCEventList* children = owner ? owner->GetChildren() : nullptr;
    if (children && !children->IsEmpty()) {
        MCTime* time = owner->GetTime();
        ECMeter* meter = time && conductor ? conductor->GetMeterAtTime(*time) : nullptr;
        if (!meter || !staff)
            return;
        MCVoiceTrack* word = owner->GetVoiceTrack();
        const int voice = word ? word->GetVoice() : 0;
        const BYTE lower = staff->GetStaffType() == DCctMeasure::STAFF_GRAND && voice > 3 ? 1 : 0;
        ECClef* clef = DCctStaff::GetClefAtTime(staff, *time, lower);
        auto clefDisplay = GetNotateClefLinks().clefDisplay;
        DCctClef* display = clef && clefDisplay ? clefDisplay(clef) : nullptr;
        if (!display)
            return;
        _Group(*children, display, meter);
    }
    SetDirty(0);
}

void DCctBeam::_Group(MCEventList& children, DCctClef* clef, ECMeter* meter) {
    std::vector<ECBase*> all;
    std::vector<ECBase*> members;
    for (POSITION pos = children.GetHeadPosition(); pos;) {
        ECBase* child = children.GetNext(pos);
        if (IsNoteChordOrGrace(child) || IsRest(child))
            all.push_back(child);
        if (IsNoteChordOrGrace(child))
            members.push_back(child);
    }
    m_nMembers = static_cast<int>(members.size());
    if (members.empty())
        return;
    const int levels = NumberOfBeamGroups(members);
    m_levels.assign(static_cast<size_t>(levels), Level{});
    for (size_t i = 0; i < m_levels.size(); ++i) {
        m_levels[i].flag = i == 0 ? 0 : 1;
        m_levels[i].columns.assign(members.size(), Column{});
    }
    CalculateStemDirections(members, clef);
    BeamAngle(members, clef);
    SetBeamTypes(all, meter);
}

void DCctBeam::CalculateStemDirections(const std::vector<ECBase*>& members, DCctClef* clef) {
    // The user's stem directions win when they agree.
    int agreed = -1;
    bool disagree = false;
    for (ECBase* member : members) {
        DCctNotate* display = NotateOf(member);
        if (!display || !display->IsStemDirectionOverride())
            continue;
        if (agreed < 0)
            agreed = display->GetStemDirection();
        else if (display->GetStemDirection() != agreed)
            disagree = true;
    }
    if (agreed >= 0 && !disagree) {
        SetStemDirection(agreed);
        return;
    }

    const int middleKey = ClefLinePitch(GetNotateClefLinks().middleLinePitch, clef);
    if (middleKey < 0)
        return;
    const MCPitch middle = PitchOfKey(middleKey);
    MCPitchUtils utils;
    int up = 0;
    int down = 0;
    int largest = 0;
    int smallest = 0;
    int sum = 0;
    for (ECBase* member : members) {
        DCctNotate* anchor = FindAnchorNote(member);
        if (!anchor)
            continue;
        const int d = utils.OrderedDiatonic(middle, anchor->GetSpelling());
        largest = std::max(largest, d);
        smallest = std::min(smallest, d);
        sum += d;
        // A note on the middle line has no say in the count.
        if (member->GetClassType() == ET_CHORD || d != 0)
            (anchor->GetStemDirection() ? down : up) += 1;
    }
    int direction = 0;
    if (up != down)
        direction = down > up ? 1 : 0;
    else if (largest != -smallest)
        direction = largest > -smallest ? 1 : 0;   // away from the farthest note
    else
        direction = sum > 0 ? 1 : 0;
    SetStemDirection(direction);
}

void DCctBeam::SetStemDirection(int direction) {
    ECBase* owner = GetOwner();
    MCEventList* children = owner ? owner->GetChildren() : nullptr;
    if (!children)
        return;
    for (POSITION pos = children->GetHeadPosition(); pos;) {
        ECBase* child = children->GetNext(pos);
        DCctNotate* display = IsNoteChordOrGrace(child) || IsRest(child) ? NotateOf(child) : nullptr;
        if (!display)
            continue;
        display->SetStemDirection(direction, kAutomatic);
        display->SetStemSide(direction ? 0 : 1, kAutomatic);   // up: the stem on the right
        // A chord lays its noteheads out again around the new stem.
        if (child->GetClassType() == ET_CHORD)
            display->Position(nullptr, nullptr, nullptr, nullptr);
    }
}

int DCctBeam::FindBeamSlant(const std::vector<ECBase*>& members) {
    DCctNotate* first = FindAnchorNote(GetFirstNoteOrChord(members));
    DCctNotate* last = FindAnchorNote(GetLastNoteOrChord(members));
    if (!first || !last)
        return 0;
    if (first->GetSpelling() == last->GetSpelling())
        return SLANT_REPEATED;
    // A figure that keeps returning to one key reads as level.
    std::array<int, 128> counts{};
    int number = 0;
    for (ECBase* member : members) {
        DCctNotate* anchor = FindAnchorNote(member);
        if (!anchor)
            continue;
        ++counts[anchor->GetSpelling().GetMidiPitch() & 0x7F];
        ++number;
    }
    const int most = *std::max_element(counts.begin(), counts.end());
    const int repeated = number > 2 && most * 2 >= number ? SLANT_REPEATED : 0;
    return repeated + (first->GetSpelling() > last->GetSpelling() ? SLANT_FALLING : SLANT_RISING);
}

void DCctBeam::BeamAngle(const std::vector<ECBase*>& members, DCctClef* clef) {
    const int slant = FindBeamSlant(members);
    // Lengths are worked out on the members themselves: a chord answers
    // with its note nearest the beam and gives its stem the chord's span on
    // top of the length asked, so the beam clears every head of it (its
    // anchor note alone would take the length from the far note).
    DCctNotate* first = NotateOf(GetFirstNoteOrChord(members));
    DCctNotate* last = NotateOf(GetLastNoteOrChord(members));
    if (!first || !last)
        return;
    std::vector<DCctNotate*> anchors;
    int shortest = 256;
    for (ECBase* member : members) {
        if (DCctNotate* anchor = FindAnchorNote(member) ? NotateOf(member) : nullptr) {
            anchors.push_back(anchor);
            shortest = std::min<int>(shortest, anchor->GetValue());
        }
    }

    // From three beams on, the stems grow so that the innermost beam keeps
    // clear of the noteheads; values that already carry the extra keep it.
    const int extra = NumberOfBeams(shortest) - 2;
    if (extra > 0) {
        for (DCctNotate* anchor : anchors) {
            const int own = std::max(0, NumberOfBeams(anchor->GetValue()) - 2);
            anchor->SetStemLength(StemLength(anchor->GetStemLength() - own + extra), kNoExtra, kAutomatic);
        }
    }

    // The member that reaches farthest toward the beam on its far side.
    MCPitchUtils utils;
    const bool level = slant == SLANT_REPEATED;
    const bool rising = (slant & SLANT_RISING) != 0;
    const bool falling = (slant & SLANT_FALLING) != 0;
    DCctNotate* extreme = nullptr;
    int best = 0;
    if (first->GetStemDirection() == 0) {
        if (level || rising) {
            for (DCctNotate* anchor : anchors) {
                const int d = utils.OrderedDiatonic(first->GetSpelling(), anchor->GetSpelling());
                if (d >= 0 && std::abs(d) >= best) {
                    extreme = anchor;
                    best = std::abs(d);
                }
            }
            if (extreme && extreme->GetSpelling() >= last->GetSpelling())
                extreme = nullptr;
            AdjustStems(first, last, extreme, slant, best, shortest, clef);
        } else if (falling) {
            for (auto it = anchors.rbegin(); it != anchors.rend(); ++it) {
                const int d = std::abs(utils.OrderedDiatonic(last->GetSpelling(), (*it)->GetSpelling()));
                if (d >= best) {
                    extreme = *it;
                    best = d;
                }
            }
            if (extreme && extreme->GetSpelling() >= first->GetSpelling())
                extreme = nullptr;
            AdjustStems(last, first, extreme, slant, best, shortest, clef);
        }
    } else {
        if (level || falling) {
            for (DCctNotate* anchor : anchors) {
                const int d = utils.OrderedDiatonic(first->GetSpelling(), anchor->GetSpelling());
                if (d <= 0 && std::abs(d) >= best) {
                    extreme = anchor;
                    best = std::abs(d);
                }
            }
            if (extreme && extreme->GetSpelling() <= last->GetSpelling())
                extreme = nullptr;
            AdjustStems(first, last, extreme, slant, best, shortest, clef);
        } else if (rising) {
            for (auto it = anchors.rbegin(); it != anchors.rend(); ++it) {
                const int d = utils.UnorderedDiatonic(last->GetSpelling(), (*it)->GetSpelling());
                if (d >= best) {
                    extreme = *it;
                    best = d;
                }
            }
            if (extreme && extreme->GetSpelling() <= first->GetSpelling())
                extreme = nullptr;
            AdjustStems(last, first, extreme, slant, best, shortest, clef);
        }
    }
}

bool DCctBeam::UseDistanceFromMiddleLine(DCctNotate* member, DCctClef* clef) {
    const int middleKey = ClefLinePitch(GetNotateClefLinks().middleLinePitch, clef);
    if (!member || middleKey < 0)
        return false;
    const MCPitch middle = PitchOfKey(middleKey);
    return member->GetStemDirection() ? member->GetSpelling() >= middle : member->GetSpelling() < middle;
}

void DCctBeam::AdjustStems(DCctNotate* a, DCctNotate* b, DCctNotate* extreme, int slant, int e, int shortest,
                           DCctClef* clef) {
    const int middleKey = ClefLinePitch(GetNotateClefLinks().middleLinePitch, clef);
    const int distA = DistanceFromMiddleLine(clef, a->GetSpelling());
    const int distB = DistanceFromMiddleLine(clef, b->GetSpelling());
    if (middleKey < 0 || distA < 0 || distB < 0)
        return;
    const int s = std::max(AdjustForSecondary(shortest), AdjustForSecondary(extreme ? extreme->GetValue() : b->GetValue()));
    const int t = 4 - s;
    const int keyA = a->GetSpelling().GetMidiPitch();
    const int keyB = b->GetSpelling().GetMidiPitch();
    // Both ends well outside the staff on one side: their stems reach the
    // middle line rather than running the beam far off the staff.
    const bool farOut = distA >= kFarOutSteps && distB >= kFarOutSteps &&
                        ((keyA > middleKey && keyB > middleKey) || (keyA < middleKey && keyB < middleKey));
    const bool repeated = (slant & SLANT_REPEATED) != 0;
    const int span = MCPitchUtils().UnorderedDiatonic(a->GetSpelling(), b->GetSpelling());
    int lengthA = a->GetStemLength();
    int lengthB = b->GetStemLength();
    bool far = false;
    auto toMiddleLine = [&] {
        lengthA = distA;
        lengthB = distB;
        far = true;
    };

    if (!extreme) {
        if (span > t || e > t) {
            if (farOut && UseDistanceFromMiddleLine(a, clef))
                toMiddleLine();
            else {
                lengthA = span + s + kStemReach;
                lengthB = s + kStemReach;
            }
        } else if (!repeated) {
            if (farOut && UseDistanceFromMiddleLine(a, clef))
                toMiddleLine();
        } else {
            lengthA = span + lengthB;
        }
    } else if (e > t) {
        const int keyX = extreme->GetSpelling().GetMidiPitch();
        const bool outside = distB >= kFarOutSteps &&
                             ((keyB >= middleKey && keyX >= middleKey) || (keyB <= middleKey && keyX <= middleKey));
        if (outside) {
            lengthA = distA + s;
            lengthB = distB + s;
        } else {
            MCPitchUtils utils;
            int p = utils.UnorderedDiatonic(a->GetSpelling(), extreme->GetSpelling());
            int q = utils.UnorderedDiatonic(a->GetSpelling(), b->GetSpelling());
            // Small notes step in small steps: the distances count at full size.
            const MCMusicFont& font = MCMusicFont::GetMusicFont();
            const int percent = a->IsCue() ? font.GetCuePercent() : a->IsGrace() ? font.GetGracePercent() : 100;
            if (percent > 0 && percent != 100) {
                p = p * 100 / percent;
                q = q * 100 / percent;
            }
            lengthA = p + kStemReach + s;
            lengthB = lengthA - q;
        }
    } else if (!repeated) {
        if (farOut)
            toMiddleLine();
    } else {
        lengthA = span + lengthB;
    }

    if (!repeated) {
        if (e > t)
            ++lengthB;
        if (far)
            ++lengthB;
    }
    a->SetStemLength(StemLength(lengthA), kNoExtra, kAutomatic);
    b->SetStemLength(StemLength(lengthB), kNoExtra, kAutomatic);
}

// ---- secondary levels -------------------------------------------------------------------

void DCctBeam::SetBeam(int c, int d, int column, int type) {
    const int nc = NumberOfBeams(c);
    const int nd = NumberOfBeams(d);
    const int n = std::max(nc, nd);
    const int k = std::abs(nc - nd);
    if (column < 0)
        return;
    for (int level = 1; level < n && level < static_cast<int>(m_levels.size()); ++level) {
        std::vector<Column>& columns = m_levels[static_cast<size_t>(level)].columns;
        if (column >= static_cast<int>(columns.size()))
            continue;
        columns[static_cast<size_t>(column)].type = level < n - k ? SEGMENT_FULL : type;
    }
}

void DCctBeam::RemoveHalfBeams(int column) {
    RemoveHalfBeamLeft(column);
    RemoveHalfBeamRight(column);
}

void DCctBeam::RemoveHalfBeamLeft(int column) {
    for (size_t level = 1; level < m_levels.size(); ++level) {
        std::vector<Column>& columns = m_levels[level].columns;
        if (column >= 0 && column < static_cast<int>(columns.size()) &&
            columns[static_cast<size_t>(column)].type == SEGMENT_STUB_RIGHT)
            columns[static_cast<size_t>(column)].type = SEGMENT_NONE;
    }
}

void DCctBeam::RemoveHalfBeamRight(int column) {
    for (size_t level = 1; level < m_levels.size(); ++level) {
        std::vector<Column>& columns = m_levels[level].columns;
        if (column >= 0 && column < static_cast<int>(columns.size()) &&
            columns[static_cast<size_t>(column)].type == SEGMENT_STUB_LEFT)
            columns[static_cast<size_t>(column)].type = SEGMENT_NONE;
    }
}

void DCctBeam::SetBeamTypes(const std::vector<ECBase*>& children, ECMeter*) {
    if (m_levels.size() < 2)
        return;
    ECBase* lastMember = GetLastNoteOrChord(children);
    DCctNotate* prev = nullptr;
    int a = 0;        // the first note's value and the rests after it
    int b = 0;        // carry
    bool full = false;
    bool pending = false;
    bool started = false;
    int column = 0;
    for (ECBase* child : children) {
        DCctNotate* y = FindAnchorNote(child);
        if (!y)
            continue;
        if (IsRest(child)) {
            if (a != 0)
                a += y->GetValue();
            prev = y;
            continue;
        }
        if (!started) {
            started = true;
            a = y->GetValue();
            prev = y;
            continue;
        }
        const int c = prev ? prev->GetValue() : 0;
        const int d = y->GetValue();
        const bool last = child == lastMember;
        if (pending && !last) {
            SetBeam(c == d ? 2 * c : c, c == d ? 2 * d : d, column, SEGMENT_NONE);
            pending = false;
            prev = y;
            ++column;
            continue;
        }
        if (b == 0 && a != c)
            b = a;
        int carry = 0;
        if (IsFraction(c, d)) {
            // A dotted value and its complement: the stub points at the short one.
            const int type = c < d ? (!full && !pending ? SEGMENT_STUB_RIGHT : SEGMENT_NONE) : SEGMENT_STUB_LEFT;
            SetBeam(c, d, column, type);
            carry = 0;
            full = false;
            pending = true;
        } else {
            carry = a + d + b;
            if (d < c) {
                int type = SEGMENT_NONE;
                if (pending && a == c) {
                    RemoveHalfBeamRight(column - 1);
                    pending = false;
                    type = SEGMENT_STUB_LEFT;
                } else if (IsFraction(b, d) || last) {
                    carry = 0;
                    pending = true;
                    type = SEGMENT_STUB_LEFT;
                }
                SetBeam(c, d, column, type);
                full = false;
            } else if (d == c) {
                if (pending) {
                    RemoveHalfBeams(column - 1);
                    pending = false;
                }
                SetBeam(c, d, column, SEGMENT_FULL);
                full = true;
            } else if (full || pending) {
                if (pending && NumberOfBeams(c) == NumberOfBeams(d))
                    RemoveHalfBeamRight(column - 1);
                SetBeam(c, d, column, SEGMENT_NONE);
                full = true;
                pending = false;
                if (b != 0) {
                    const bool completes = IsPowerOfTwo(d + b);
                    if (completes)
                        carry = 0;
                    full = !completes;
                    pending = completes;
                }
            } else {
                SetBeam(c, d, column, SEGMENT_STUB_RIGHT);
                full = false;
                pending = false;
            }
        }
        b = carry;
        prev = y;
        ++column;
    }
}

void DCctBeam::BreakFullBeam(const std::vector<ECBase*>& members, int a, BYTE b) {
    if (a <= 0)
        return;
    int from = 0;
    for (int v = b; v > 3; v /= 4)
        ++from;
    from = std::max(from, 1);
    for (size_t k = 1; k < members.size(); ++k) {
        DCctNotate* display = NotateOf(members[k]);
        if (!display || display->GetTickStart(1) % a != 0)
            continue;
        for (size_t level = static_cast<size_t>(from); level < m_levels.size(); ++level) {
            std::vector<Column>& columns = m_levels[level].columns;
            if (k - 1 < columns.size() && columns[k - 1].type == SEGMENT_FULL)
                columns[k - 1].type = SEGMENT_NONE;
        }
    }
}

void DCctBeam::RemoveFlags(ECBase* element) {
    if (DCctNotate* display = NotateOf(element))
        display->SetFlag(0);
}

// ---- placing -------------------------------------------------------------------------------

int DCctBeam::Position(ECConductor* conductor, ECStaff* staff, ECMeasure*, ECBase*) {
    std::vector<ECBase*> members;
    FindBeamChildren(members, NOTES_ONLY);
    if (members.empty())
        return 0;
    if (IsDirty()) {
        if (!conductor)
            conductor = GetConductor();
        if ((!staff || staff->GetClassType() != ET_STAFF) && conductor) {
            MCVoiceTrack* word = GetOwner()->GetVoiceTrack();
            staff = static_cast<ECStaff*>(conductor->GetTrack(1, word ? word->GetTrack() : 0, 0));
        }
        if (staff && staff->GetClassType() != ET_STAFF)
            staff = nullptr;
        Group(conductor, staff);
    }
    InterpolateStemLengths(members);
    SetPositionDirty(0);
    // The stem ends moved: the box is measured again.
    SetFrameDirty(1);
    SetSize(nullptr);
    // And the rests under the beam are placed again, clear of it.
    std::vector<ECBase*> rests;
    FindBeamChildren(rests, WITH_RESTS);
    for (ECBase* member : rests)
        if (auto* rest = member->GetClassType() == ET_REST ? dynamic_cast<DCctRest*>(NotateOf(member)) : nullptr)
            rest->Position(conductor, nullptr, nullptr, nullptr);
    return 1;
}

void DCctBeam::InterpolateStemLengths(const std::vector<ECBase*>& members) {
    DCctNotate* first = FindAnchorNote(GetFirstNoteOrChord(members));
    DCctNotate* last = FindAnchorNote(GetLastNoteOrChord(members));
    if (!first || !last)
        return;
    SetDirection(first->GetStemDirection(), kFixed);
    if (m_levels.empty() || m_levels[0].columns.size() < members.size())
        return;

    Level& main = m_levels[0];
    CPoint start = first->GetStemPosition();
    CPoint end = last->GetStemPosition();
    // Every stem below is set to the line: moving its ends lengthens them all.
    const int shift = ClearanceShift(members, start, end);
    start.y += shift;
    end.y += shift;
    main.columns.front().point = start;
    main.columns[members.size() - 1].point = end;
    main.slope = end.x != start.x ? static_cast<double>(end.y - start.y) / (end.x - start.x) : 0.0;

    const int h = MCMusicFont::GetMusicFont().GetNoteheadHeight(GetFontSize()) * 3 / 4;
    const int g = GetDirection() ? 1 : -1;   // secondary levels lie toward the noteheads
    for (size_t k = 0; k < members.size(); ++k) {
        DCctNotate* anchor = FindAnchorNote(members[k]);
        if (!anchor)
            break;
        anchor->SetFlag(0);
        const int x = anchor->GetStemPosition().x;
        const int rise = static_cast<int>(main.slope * (x - start.x));
        anchor->SetStemEnd(start.y + rise);
        main.columns[k].point = anchor->GetStemPosition();
        if (GetFlared())
            continue;
        for (size_t level = 1; level < m_levels.size(); ++level) {
            m_levels[level].slope = main.slope;
            if (k < m_levels[level].columns.size())
                m_levels[level].columns[k].point = CPoint(x, start.y + rise + static_cast<int>(level) * g * h);
        }
    }
    SetPosition(main.columns.front().point);
}
