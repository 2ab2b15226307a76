// DCctTuplet: construction, archive, ratio and ticks, the conversions, and
// the layout of the bracket from the notes of the group.
#include "notation/display/tuplet.h"

#include "model/conductor.h"
#include "model/event.h"
#include "model/eventtypes.h"
#include "model/groupmarks.h"
#include "model/lists.h"
#include "model/markings.h"
#include "model/measure.h"
#include "model/meter.h"
#include "model/performance.h"
#include "model/staff.h"
#include "notation/display/chord.h"
#include "notation/display/measure.h"
#include "notation/display/notate.h"
#include "notation/display/note.h"
#include "notation/display/staff.h"
#include "notation/layout/curves.h"
#include "notation/layout/digits.h"
#include "notation/layout/pitchutils.h"
#include "platform/core/archive.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

IMPLEMENT_SERIAL(DCctTuplet, DCctBase, VERSIONABLE_SCHEMA | 2)

namespace {

// The music font's ratio sign between n and d.
constexpr char kRatioSign = static_cast<char>(171);

// The bracket lies this many staff spaces beyond the notes (or the staff).
constexpr int kClearanceSpaces = 2;

DCctNotate* NotateOf(ECBase* event) {
    return dynamic_cast<DCctNotate*>(NotationDisplayOf(event));
}

bool IsNoteOrChord(ECBase* event) {
    const int type = event ? event->GetClassType() : -1;
    return type == ET_NOTE || type == ET_CHORD;
}

// The x an element of the group stands at: a chord's note column, a note's
// (or any element's) own x.
int ColumnX(ECBase* event) {
    DCctBase* display = NotationDisplayOf(event);
    if (auto* chord = dynamic_cast<DCctChord*>(display))
        return chord->GetNoteX();
    return display ? display->GetX() : 0;
}

// The head the bracket keeps clear of: a note's own, or a chord's note
// nearest the bracket (its bottom note below, its top note above).
DCctBase* HeadOf(ECBase* event, bool below) {
    DCctBase* display = NotationDisplayOf(event);
    if (auto* chord = dynamic_cast<DCctChord*>(display))
        return below ? static_cast<DCctBase*>(chord->GetBottomNote()) : chord->GetTopNote();
    return display;
}

int VoiceOf(ECBase* event) {
    MCVoiceTrack* word = event ? event->GetVoiceTrack() : nullptr;
    return word ? word->GetVoice() : 0;
}

}  // namespace

DCctTuplet::DCctTuplet() {
    SetBit(BIT_BELOW, 0);
    SetBit(BIT_NUMBER_IN_GAP, 1);
    SetBit(BIT_NUMBER_ONLY, 0);
    SetBit(BIT_FIGURE, 0);
    SetBit(BIT_USER_LOCATION, 0);
}

DCctTuplet::DCctTuplet(const DCctTuplet& other) : DCctBase(other) {
    SetStateWord(other.GetStateWord());
}

DCctTuplet::~DCctTuplet() = default;

// ---- archive --------------------------------------------------------------------

void DCctTuplet::Serialize(CArchive& ar) {
    DCctBase::Serialize(ar);
    if (ar.IsStoring()) {
        ar << static_cast<WORD>(m_nBase) << static_cast<WORD>(m_nBorrowedBase) << static_cast<WORD>(m_nTickDuration)
           << static_cast<BYTE>(m_nRatioN) << static_cast<BYTE>(m_nRatioD);
        return;
    }
    ar >> m_nBase >> m_nBorrowedBase >> m_nTickDuration >> m_nRatioN >> m_nRatioD;
    ReInitMembers();
    // The first files had no automatic placement of tuplets: where the
    // bracket stands there, the user put it.
    const ECPerformance* performance = ECPerformance::GetActivePerformance();
    if (performance && performance->GetVersion() == 0)
        SetBit(BIT_USER_LOCATION, 1);
}

void DCctTuplet::PostSerialize(CArchive& ar) {
    DCctBase::PostSerialize(ar);
    ECBase* owner = GetOwner();
    MCEventList* parents = owner ? owner->GetParents() : nullptr;
    const POSITION pos = parents ? parents->FindEvent(ET_MEASURE) : nullptr;
    ECBase* measure = pos ? parents->GetAt(pos) : nullptr;
    if (!measure || !owner->GetTime() || !measure->GetTime())
        return;
    // A tuplet read from a file may stand outside its measure; the start is
    // kept within what the field holds.
    const int ticks = owner->GetTime()->GetTicks(256) - measure->GetTime()->GetTicks(256);
    m_nTickStart = static_cast<WORD>(std::clamp(ticks, 0, 0xFFFF));
}

// ---- ratio, bases, ticks -----------------------------------------------------------

WORD DCctTuplet::GetBase(WORD which) {
    switch (which) {
    case BASE_BORROWED:
        return m_nBorrowedBase;
    case BASE_IN_EFFECT:
        return IsBorrowed() ? m_nBorrowedBase : m_nBase;
    default:
        return m_nBase;
    }
}

WORD DCctTuplet::GetTickStart(int scale) {
    if (scale == TICKS_NORMAL)
        return m_nTickStart;
    return m_nBase == 0 ? 0 : static_cast<WORD>(static_cast<uint32_t>(m_nTickStart) * m_nBorrowedBase / m_nBase);
}

WORD DCctTuplet::GetTickDuration(int scale) {
    if (scale == TICKS_NORMAL)
        return m_nTickDuration;
    return m_nBase == 0 ? 0 : static_cast<WORD>(static_cast<uint32_t>(m_nTickDuration) * m_nBorrowedBase / m_nBase);
}

// ---- layout choices -------------------------------------------------------------------

void DCctTuplet::SetClassBit(int bit, int on) {
    SetBit(bit, on);
    SetDirty(1);
    SetFrameDirty(1);
}

void DCctTuplet::SetTupletLocation(int below, int user) {
    SetBit(BIT_USER_LOCATION, user);
    SetClassBit(BIT_BELOW, below);
}

void DCctTuplet::SetNumberLocation(int inGap) {
    SetClassBit(BIT_NUMBER_IN_GAP, inGap);
}

void DCctTuplet::SetBracket(int numberOnly, int) {
    SetClassBit(BIT_NUMBER_ONLY, numberOnly);
}

void DCctTuplet::SetFigure(int figure) {
    SetClassBit(BIT_FIGURE, figure);
}

void DCctTuplet::SetBracketPoints(CPoint left, CPoint right, int numberX) {
    m_left = left;
    m_right = right;
    m_nNumberX = numberX;
    SetDirty(1);
    SetFrameDirty(1);
}

// ---- conversions ------------------------------------------------------------------------

WORD DCctTuplet::GetUnitTickDuration(ECTuplet* tuplet) {
    const int code = tuplet ? tuplet->GetUnits() : -1;
    return code >= 0 && code <= 7 ? static_cast<WORD>(1024 >> code) : 128;
}

BYTE DCctTuplet::ConvertToUnit(WORD ticks) {
    switch (ticks) {
    case 1024:
        return 0;
    case 512:
        return 1;
    case 256:
        return 2;
    case 64:
        return 4;
    case 32:
        return 5;
    case 16:
        return 6;
    case 8:
        return 7;
    default:
        return 3;   // the eighth, and every length without its own code
    }
}

int DCctTuplet::GetBorrowedMeter(ECMeter* meter, ECMeter* result, int a, int b, int c, int d) {
    if (!meter || !result || d == 0 || c == 0 || meter->GetDenominator() == 0)
        return 0;
    // Double the borrowed base until whole units fit it; k remembers how often.
    int k = 1;
    while (b % c != 0) {
        k *= 2;
        b *= 2;
        if (b > 0xFFFF)   // a unit with an odd factor the base lacks never fits
            return 0;
    }
    b /= c;
    if (b == 0)
        return 0;
    const int numerator = meter->GetNumerator();
    const int plainUnits = a / (1024 / meter->GetDenominator());
    int count = 0;
    int denominator = 0;
    switch (meter->GetMeterType()) {
    case 3:
        count = b * meter->GetBeatsPerMeasure();
        denominator = 1024 / c * k;
        break;
    case 5:
        count = numerator * b;
        denominator = 1024 / c * plainUnits * k;
        break;
    default:
        count = numerator * b / k;
        denominator = 1024 / c * plainUnits;
        break;
    }
    const int stress = d == -1 ? b : d;
    if (stress <= 0 || stress > 255 || denominator <= 0 || denominator > 255)
        return 0;
    const std::vector<unsigned char> numerators(count / stress, static_cast<unsigned char>(stress));
    const std::vector<unsigned char> denominators{static_cast<unsigned char>(denominator)};
    return result->SetMeter(numerators, denominators, 1);
}

int DCctTuplet::GetBorrowedMeter(ECMeter* meter, ECMeter* result) {
    auto* tuplet = dynamic_cast<ECTuplet*>(GetOwner());
    if (!tuplet || !meter || !result)
        return 0;
    const int n = tuplet->GetIrregular();
    const int m = tuplet->GetNormal();
    if (m == 0 || m_nBase == 0 || m_nTickDuration == 0)
        return 0;
    const int unit = m_nTickDuration / m;   // one note of the normal count
    if (unit == 0 || n == 0)
        return 0;
    int count = 0;
    int denominator = 0;
    switch (meter->GetMeterType()) {
    case 3:
        count = n * meter->GetBeatsPerMeasure();
        denominator = 1024 / unit;
        break;
    case 5:
        count = meter->GetNumerator() * n;
        denominator = (m_nTickDuration / m_nBase) * (1024 / unit);
        break;
    default:
        count = meter->GetNumerator() * n * m_nBase / m_nTickDuration;
        denominator = 1024 / unit;
        break;
    }
    if (count / n == 0 || n > 255 || denominator <= 0 || denominator > 255)
        return 0;
    const std::vector<unsigned char> numerators(count / n, static_cast<unsigned char>(n));
    const std::vector<unsigned char> denominators{static_cast<unsigned char>(denominator)};
    return result->SetMeter(numerators, denominators, 1);
}

// ---- number and stems ------------------------------------------------------------------

void DCctTuplet::ParseTupletNumber(int n, int d, std::string& text, int figure) {
    NumberToMusicDigits(n, text);
    if (figure != 1)
        return;
    text += kRatioSign;
    NumberToMusicDigits(d, text);
}

BYTE DCctTuplet::GetStemDirection(MCEventList& events) {
    int first = -1;
    for (POSITION pos = events.GetHeadPosition(); pos;) {
        ECBase* event = events.GetNext(pos);
        DCctNotate* notate = IsNoteOrChord(event) ? NotateOf(event) : nullptr;
        if (!notate)
            continue;
        const int direction = notate->GetStemDirection();
        if (first < 0)
            first = direction;
        else if (direction != first)
            return STEMS_MIXED;
    }
    return first > 0 ? STEMS_DOWN : STEMS_UP;
}

int DCctTuplet::GetLineY(CPoint left, CPoint right, int x) const {
    return GetYOnLine(left.x, left.y, x, GetSlope(left.x, left.y, right.x, right.y));
}

bool DCctTuplet::HasGroup() {
    ECBase* owner = GetOwner();
    MCEventList* children = owner ? owner->GetChildren() : nullptr;
    return children && !children->IsEmpty();
}

bool DCctTuplet::IsEmptied() {
    ECBase* owner = GetOwner();
    MCEventList* parents = owner ? owner->GetParents() : nullptr;
    return parents && parents->FindEvent(ET_MEASURE) && !HasGroup();
}

// ---- placing ------------------------------------------------------------------------------

int DCctTuplet::Position(ECConductor* conductor, ECStaff* staff, ECMeasure* measure, ECBase*) {
    SetPosition(0, 0);
    if (!HasGroup())
        return 1;
    ECBase* owner = GetOwner();
    if (!measure || measure->GetClassType() != ET_MEASURE)
        measure = static_cast<ECMeasure*>(owner->GetAncestor(ET_MEASURE, -1));
    auto* measureDisplay = measure ? dynamic_cast<DCctMeasure*>(measure->GetData(DK_NOTATION, 0)) : nullptr;
    if (!measureDisplay)
        return 0;
    if (!conductor)
        conductor = GetConductor();
    MCVoiceTrack* word = owner->GetVoiceTrack();
    if ((!staff || staff->GetClassType() != ET_STAFF) && conductor && word)
        staff = static_cast<ECStaff*>(conductor->GetTrack(1, word->GetTrack(), 0));
    if (!staff || staff->GetClassType() != ET_STAFF)
        return 0;
    MCTime time = owner->GetTime() ? *owner->GetTime() : *measure->GetTime();
    const int voice = word ? word->GetVoice() : 0;
    const BYTE lower = staff->GetStaffType() == DCctMeasure::STAFF_GRAND && voice > 3 ? 1 : 0;
    ECClef* clef = DCctStaff::GetClefAtTime(staff, time, lower);
    if (!clef || !clef->GetData(DK_NOTATION, 0))
        return 0;
    Layout(measureDisplay);
    return 1;
}

void DCctTuplet::Layout(DCctMeasure* measureDisplay) {
    MCEventList& children = *GetOwner()->GetChildren();
    ECBase* first = nullptr;
    ECBase* last = nullptr;
    for (POSITION pos = children.GetHeadPosition(); pos;) {
        ECBase* child = children.GetNext(pos);
        if (!IsNoteOrChord(child) || !NotateOf(child))
            continue;
        if (!first)
            first = child;
        last = child;
    }
    DCctNotate* b = NotateOf(first);
    DCctNotate* c = NotateOf(last);

    MCMusicFont& font = MCMusicFont::GetMusicFont();
    const int h = font.GetNoteheadHeight(FONT_CURRENT);
    const int w = font.GetNoteheadWidth(FONT_CURRENT);
    const int clearance = kClearanceSpaces * h;
    const int leftX = ColumnX(children.GetHead());
    const int rightX = ColumnX(children.GetTail()) + w;

    // With other voices in the staff, odd voices keep below and even ones
    // above, unless the user placed the bracket.
    const int voice = VoiceOf(first ? first : children.GetHead());
    if (!measureDisplay->IsSingleVoice(voice > 3 ? 1 : 0) && !Bit(BIT_USER_LOCATION))
        SetBit(BIT_BELOW, voice % 2);
    const bool below = Bit(BIT_BELOW) != 0;

    int yL = 0;
    int yR = 0;
    if (!b || !c) {
        // Rests only: the bracket keeps clear of the staff of the voice.
        const bool lowerStaff = measureDisplay->GetType() == DCctMeasure::STAFF_GRAND && voice > 3;
        const int top = lowerStaff ? measureDisplay->GetLeftHandOffset() : 0;
        yL = yR = below ? top - 4 * h - clearance : top + clearance;
    } else {
        const BYTE stems = GetStemDirection(children);
        const int bEnd = b->GetStemPosition().y;
        const int cEnd = c->GetStemPosition().y;
        // Where the stems point away from the bracket it follows their ends
        // (or the heads, on a mixed group); where they point toward it, it
        // runs parallel to their ends past the outermost head.
        if (below && stems == STEMS_MIXED) {
            yL = b->GetStemDirection() == 1 ? bEnd : b->GetY();
            yR = c->GetStemDirection() == 1 ? cEnd : c->GetY();
            const int lowest = std::min(yL, yR);
            if (c->GetY() >= b->GetY())
                yL = lowest;
            else
                yR = lowest;
            yL -= clearance;
            yR -= clearance;
        } else if (below && stems == STEMS_DOWN) {
            yL = bEnd - clearance;
            yR = cEnd - clearance;
        } else if (!below && stems == STEMS_MIXED) {
            yL = b->GetStemDirection() == 0 ? bEnd : b->GetY();
            yR = c->GetStemDirection() == 0 ? cEnd : c->GetY();
            const int highest = std::max(yL, yR);
            if (c->GetY() >= b->GetY())
                yR = highest;
            else
                yL = highest;
            yL += clearance;
            yR += clearance;
        } else if (!below && stems == STEMS_UP) {
            yL = bEnd + clearance;
            yR = cEnd + clearance;
        } else {
            // Stems toward the bracket: past the lowest (below) or highest
            // head.
            yL = bEnd;
            yR = cEnd;
            ECBase* extreme = MCPitchUtils().GetExtreme(children, 1, below ? 1 : 0);
            DCctBase* head = HeadOf(extreme, below);
            if (head) {
                const int lineY = GetLineY(CPoint(leftX, yL), CPoint(rightX, yR), head->GetX());
                const int v = below ? lineY - head->GetY() : head->GetY() - lineY;
                const int shift = below ? -(v + clearance) : v + clearance;
                yL += shift;
                yR += shift;
            }
        }
    }

    SetBracketPoints(CPoint(leftX, yL), CPoint(rightX, yR), NumberX(leftX, rightX));
}

int DCctTuplet::NumberX(int leftX, int rightX) {
    MCEventList& children = *GetOwner()->GetChildren();
    if (children.GetCount() <= 2)
        return leftX + (rightX - leftX) / 2;
    // Over the middle of the group: the middle note of an odd count, between
    // the two middle ones of an even count.
    auto* tuplet = dynamic_cast<ECTuplet*>(GetOwner());
    const int n = tuplet ? tuplet->GetIrregular() : m_nRatioN;
    const int unit = GetUnitTickDuration(tuplet);
    const int target = GetTickStart(TICKS_OWN) + (n % 2 == 0 ? (n - 1) * unit / 2 : (n / 2) * unit);
    const int halfHead = MCMusicFont::GetMusicFont().GetNoteheadWidth(FONT_CURRENT) / 2;
    ECBase* previous = nullptr;
    for (POSITION pos = children.GetHeadPosition(); pos;) {
        ECBase* child = children.GetNext(pos);
        DCctNotate* notate = NotateOf(child);
        if (!notate)
            continue;
        const int start = notate->GetTickStart(TICKS_OWN);
        if (start >= target) {
            if (start == target || !previous)
                return ColumnX(child) + halfHead;
            return (ColumnX(child) + ColumnX(previous)) / 2 + halfHead;
        }
        previous = child;
    }
    POSITION pos = children.GetTailPosition();
    ECBase* lastChild = children.GetPrev(pos);
    ECBase* beforeLast = pos ? children.GetAt(pos) : lastChild;
    return (ColumnX(lastChild) + ColumnX(beforeLast)) / 2 + halfHead;
}
