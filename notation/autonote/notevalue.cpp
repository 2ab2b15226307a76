// ANNote: the measure pass, the walk over the metric levels, the value rules
// and grace notes. Cutting, tying and moving: notevalue_split.cpp.
#include "notation/autonote/notevalue.h"

#include "model/eventtypes.h"
#include "model/groupmarks.h"
#include "model/measure.h"
#include "model/meter.h"
#include "model/modifiers.h"
#include "model/notes.h"
#include "model/performance.h"
#include "model/plugin.h"
#include "notation/display/measure.h"
#include "notation/display/notate.h"
#include "notation/display/tuplet.h"
#include "notation/layout/digits.h"
#include "notation/view/dirtyrect.h"

#include <mutex>
#include <vector>

namespace {

constexpr int OWN_SCALE = DCctTuplet::TICKS_OWN;
// A grace note's value: one alone is an eighth, two or three sixteenths,
// more are thirty-seconds, or half the main note's value under a sixteenth.
constexpr WORD kSingleGrace = 128;
constexpr WORD kFewGraces = 64;
constexpr WORD kManyGraces = 32;
constexpr int kFewestMany = 4;
constexpr WORD kShortestMainForMany = 63;

bool IsRest(ECBase* element) {
    return element && element->GetClassType() == ET_REST;
}

bool IsSimpleMeter(ECMeter* meter) {
    return meter && meter->GetMeterType() <= 2;
}

DCctNotate* NotateOf(ECBase* element, int create) {
    return element ? dynamic_cast<DCctNotate*>(element->GetData(DK_NOTATION, create)) : nullptr;
}

// The staff measure holding a tuplet, or null.
ECBase* MeasureOf(ECBase* tuplet) {
    MCEventList* parents = tuplet->GetParents();
    for (POSITION pos = parents->GetHeadPosition(); pos;) {
        ECBase* parent = parents->GetNext(pos);
        if (parent->GetClassType() == ET_MEASURE)
            return parent;
    }
    return nullptr;
}

// The notes among a parent's children and those of its chords, by time.
void FlattenList(ECBase* parent, MCEventList& notes) {
    MCEventList* children = parent->GetChildren();
    for (POSITION pos = children ? children->GetHeadPosition() : nullptr; pos;) {
        ECBase* child = children->GetNext(pos);
        if (child->GetClassType() == ET_NOTE) {
            notes.AddEvent(child, SORTED);
        } else if (child->GetClassType() == ET_CHORD) {
            MCEventList* chordNotes = child->GetChildren();
            for (POSITION at = chordNotes->GetHeadPosition(); at;) {
                ECBase* note = chordNotes->GetNext(at);
                if (note->GetClassType() == ET_NOTE)
                    notes.AddEvent(note, SORTED);
            }
        }
    }
}

}  // namespace

// ---- lengths and dots ------------------------------------------------------------

int ANNote::Dotted(unsigned ticks) {
    const unsigned p = static_cast<unsigned>(HighestPowerOfTwo(static_cast<int>(ticks), 0));
    if (p == 0 || p > LONGEST_DOTTED_BASE)
        return 0;
    if (ticks == p + p / 2)
        return 1;
    if (ticks == p + p / 2 + p / 4)
        return 2;
    return 0;
}

unsigned ANNote::UndottedValue(unsigned ticks, int dots) {
    switch (dots) {
    case 1:
        return ticks * 2 / 3;
    case 2:
        return ticks * 4 / 7;
    case 3:
        return ticks * 8 / 15;
    default:
        return ticks;
    }
}

int ANNote::DotRuleForMeter(ECMeter* meter, uint16_t resolution) {
    if (!meter)
        return DOTS_NOTES;
    switch (meter->GetMeterType()) {
    case 0:
    case 1:
    case 2:
        return DOTS_NOTES;
    case 5:
    case 6:
        return DOTS_STRESS;
    default:
        return meter->GetPulseTicks(TICKS_PER_QUARTER) == resolution ? DOTS_STRESS : DOTS_ALL;
    }
}

// ---- the measure pass ----------------------------------------------------------------

void ANNote::DoMeasure(ECConductor* conductor, ECStaff* staff, ECMeasure* measure, ECMeter* meter) {
    if (!staff || !measure || !meter)
        return;
    SetConductor(conductor);
    if (auto* display = dynamic_cast<DCctMeasure*>(measure->GetData(DK_NOTATION, 0))) {
        const WORD resolution = display->GetRuler().GetResolution(MCRuler::ACTIVE_GROUP);
        if (resolution != 0)
            m_resolution = resolution;
    }
    m_pStaff = staff;
    m_pMeter = meter;
    MCTime measureTime = *measure->GetTime();
    auto inRange = [&](ECBase* note) {
        const MCTime* time = note->GetTime();
        return m_timeRangeStart <= *time && *time <= m_timeRangeEnd;
    };

    // Values the notes of `group` (the measure or a tuplet) in `groupMeter`,
    // within [start, end] of a tuplet when given.
    auto valueGroup = [&](ECBase* group, ECMeter* groupMeter, uint16_t* start, uint16_t* end) {
        MCEventList notes;   // holds each note while the walk relinks it
        FlattenList(group, notes);
        for (POSITION pos = notes.GetHeadPosition(); pos;) {
            ECBase* note = notes.GetNext(pos);
            DCctNotate* display = NotateOf(note, 0);
            if (!display || !inRange(note))
                continue;
            if (display->ValueDirty()) {
                DCctNotate* walked = display;
                // A note moved on into the next measure is valued there.
                if (DoMeasureDivisions(walked, groupMeter, measure, measureTime, 1, start, end) != VALUE_AFTER)
                    display->SetValueDirty(0);
            }
            DoGraceNote(note, display);
        }
    };
    valueGroup(measure, meter, nullptr, nullptr);

    // Tuplets are gathered now: the walk above may have made or filled some.
    MCEventList tuplets;
    MCEventList* children = measure->GetChildren();
    for (POSITION pos = children->GetHeadPosition(); pos;) {
        ECBase* child = children->GetNext(pos);
        if (child->GetClassType() == ET_TUPLET)
            tuplets.AddEvent(child, UNSORTED);
    }
    for (POSITION pos = tuplets.GetHeadPosition(); pos;) {
        ECBase* tuplet = tuplets.GetNext(pos);
        auto* tupletDisplay = dynamic_cast<DCctTuplet*>(tuplet->GetData(DK_NOTATION, 0));
        if (!tupletDisplay)
            continue;
        uint16_t start = tupletDisplay->GetTickStart(OWN_SCALE);
        uint16_t end = static_cast<uint16_t>(start + tupletDisplay->GetTickDuration(OWN_SCALE));
        ECMeter borrowed;
        if (!tupletDisplay->GetBorrowedMeter(meter, &borrowed))
            continue;
        valueGroup(tuplet, &borrowed, &start, &end);
    }
    m_pStaff = nullptr;
    m_pMeter = nullptr;
}

void ANNote::SetValue(ECNote* note, uint16_t ticks) {
    DCctNotate* display = NotateOf(note, 1);
    if (!display)
        return;
    display->SetTickDuration(ticks);
    SetNoteValue(note, display, Dotted(ticks));
    display->SetTimeDirty(1);
}

// ---- the walk ------------------------------------------------------------------------

int ANNote::DoMeasureDivisions(DCctNotate*& display, ECMeter* meter, ECBase* measure, MCTime& measureTime,
                               int markRemainder, uint16_t* tupletStart, uint16_t* tupletEnd) {
    ECBase* element = display ? display->GetOwner() : nullptr;
    // A caller may hand in an element's tuplet as its parent: parts and
    // moves are placed from the tuplet's measure.
    if (measure && measure->GetClassType() == ET_TUPLET)
        measure = MeasureOf(measure);
    if (!element || !meter || !measure)
        return VALUE_SPLIT_FAILED;
    Walk walk;
    walk.element = element;
    walk.display = display;
    walk.meter = meter;
    walk.measure = measure;
    walk.measureTime = measureTime;
    walk.measureEnd = meter->GetTicksPerMeasure(TICKS_PER_QUARTER);
    walk.inTuplet = tupletStart != nullptr;
    walk.tupletStart = tupletStart ? *tupletStart : 0;
    walk.tupletEnd = tupletEnd ? *tupletEnd : walk.measureEnd;

    Division division;
    division.a = walk.tupletStart;
    division.b = walk.measureEnd;
    const int s = display->GetTickStart(OWN_SCALE);
    division.dotMode = IsRest(element) && IsSimpleMeter(meter) && s == 0 ? DOTS_ALL : DOTS_NOTES;
    ECBase* remainder = nullptr;
    int result = DoNoteValue(division, walk, remainder);
    if (result == VALUE_SPLIT && markRemainder == 1)
        if (DCctNotate* later = NotateOf(remainder, 0))
            later->SetTimeDirty(1);   // the next run reads it again in its new measure

    switch (result) {
    case VALUE_FINER:
        result = DoStressDivisions(walk);
        break;
    case VALUE_SPLIT: {
        DCctNotate* first = display;
        DoMeasureDivisions(first, meter, measure, measureTime, 0, tupletStart, tupletEnd);
        ECMeter* nextMeter = nullptr;
        ECMeasure* next = NextMeasure(measure, measureTime, nextMeter);
        if (next && nextMeter) {
            DoSplit(element, remainder, next, nextMeter, StaffOf(measure), 1);
            display = NotateOf(remainder, 0);
        } else {
            remainder->Unref(1);   // nowhere to go: dropped
        }
        break;
    }
    case VALUE_AFTER:
        DoMove(walk);
        break;
    default:
        break;
    }
    if (result != VALUE_SPLIT)
        display = walk.display;
    return result;
}

int ANNote::DoStressDivisions(Walk& walk) {
    ECMeter* meter = walk.meter;
    const int stresses = meter->GetStressPulsesPerMeasure();
    int result = VALUE_FINER;
    int a = 0;
    for (int i = 0; i < stresses; ++i) {
        const int length = meter->GetStressTicks(i, TICKS_PER_QUARTER);
        Division division;
        division.a = a;
        division.b = a + length;
        a = division.b;
        if (division.a < walk.tupletStart)
            continue;
        if (division.a >= walk.tupletEnd)
            break;
        const int s = walk.display->GetTickStart(OWN_SCALE);
        division.dotMode = IsRest(walk.element) && IsSimpleMeter(meter) && s == division.a
                               ? DOTS_ALL
                               : DotRuleForMeter(meter, m_resolution);
        division.syncopation = 1;
        bool done = false;
        result = TestDivision(walk, Level::Stress, i, division, done);
        if (done)
            return result;
    }
    return result;
}

int ANNote::DoPulseDivisions(Walk& walk, int stress, int a, int length) {
    const int pulses = walk.meter->GetPulsesPerStress(stress);
    if (pulses == 0)
        return VALUE_SETTLED;
    const int pulse = length / pulses;
    int result = VALUE_FINER;
    for (int i = 0; i < pulses; ++i) {
        Division division;
        division.a = a + i * pulse;
        division.b = division.a + pulse;
        division.dotMode = DOTS_ALL;
        division.syncopation = 1;
        // Compound and irregular meters take any plain value inside a pulse,
        // a rest only from a pulse's start (the quarter rest after an
        // eighth in 6/8 stays whole).
        const int s = walk.display->GetTickStart(OWN_SCALE);
        division.lenient = !IsSimpleMeter(walk.meter) && (!IsRest(walk.element) || s == division.a);
        bool done = false;
        result = TestDivision(walk, Level::Pulse, i, division, done);
        if (done)
            return result;
    }
    return result;
}

int ANNote::DoSubPulseDivisions(Walk& walk, int n, int a) {
    if (n < m_resolution)
        return VALUE_SETTLED;
    const int half = n / 2;
    int result = VALUE_FINER;
    for (int i = 0; i < 2; ++i) {
        Division division;
        division.a = a + i * half;
        division.b = division.a + half;
        division.dotMode = DOTS_NOTES;
        division.syncopation = 1;
        bool done = false;
        result = TestDivision(walk, Level::SubPulse, i, division, done);
        if (done)
            return result;
    }
    return result;
}

int ANNote::GoFiner(Walk& walk, Level level, int index, const Division& division) {
    switch (level) {
    case Level::Stress:
        return DoPulseDivisions(walk, index, division.a, division.b - division.a);
    case Level::Pulse:
    case Level::SubPulse:
        return DoSubPulseDivisions(walk, division.b - division.a, division.a);
    }
    return VALUE_FINER;
}

int ANNote::TestDivision(Walk& walk, Level level, int index, const Division& division, bool& done) {
    ECBase* remainder = nullptr;
    const int result = DoNoteValue(division, walk, remainder);
    switch (result) {
    case VALUE_SETTLED:
    case VALUE_SPLIT_FAILED:
        done = true;
        return result;
    case VALUE_FINER:
        // The element lies inside this division: no other one of the level holds it.
        done = true;
        return GoFiner(walk, level, index, division);
    case VALUE_SPLIT: {
        ECBase* first = walk.element;
        DCctNotate* firstDisplay = walk.display;
        bool ignored = false;
        TestDivision(walk, level, index, division, ignored);   // the first part now ends at b
        walk.element = first;
        walk.display = firstDisplay;
        if (DoSplit(first, remainder, walk.measure, walk.meter, StaffOf(walk.measure), 0) == 1) {
            done = true;
            return VALUE_SETTLED;
        }
        walk.element = remainder;
        walk.display = NotateOf(remainder, 0);
        // A rest cut at a plain length may go on inside the same division.
        if (walk.display && walk.display->GetTickStart(OWN_SCALE) < division.b)
            return TestDivision(walk, level, index, division, done);
        return result;
    }
    case VALUE_AFTER:
        // Only a note past the bar line leaves; any other goes on to the next stress.
        if (level == Level::Stress && DoMove(walk)) {
            done = true;
            return result;
        }
        return result;
    default:
        return result;
    }
}

// ---- the rules -------------------------------------------------------------------------

bool ANNote::PowerOfTwoRule(int s, int t, const Division& division) const {
    if (!IsPowerOfTwo(t))
        return false;
    return division.lenient || (s == division.a && s + t <= division.b) || t == m_resolution;
}

bool ANNote::SyncopationRule(ECBase* element, int s, int t, const Division& division) const {
    if (IsRest(element) || !IsPowerOfTwo(t))
        return false;
    return (s - division.a) * 2 == t || (division.b - s - t) * 2 == t;
}

int ANNote::DotRule(ECBase* element, int s, int t, const Division& division) const {
    const int dots = Dotted(static_cast<unsigned>(t));
    if (dots == 0)
        return -1;
    if (division.lenient)
        return dots;
    if (s + t > division.b)
        return -1;
    const int a = division.a;
    if (dots == 1)
        return s == a || s == a + t / 3 || s + t == division.b ? dots : -1;
    if (IsRest(element))
        return s == a ? dots : -1;
    return s == a || s == a + t / 7 ? dots : -1;
}

int ANNote::DotRuleForStress(ECBase* element, int s, int t, const Division& division) const {
    const int dots = Dotted(static_cast<unsigned>(t));
    if (dots == 0)
        return -1;
    if (division.lenient)
        return dots;
    if (s + t > division.b)
        return -1;
    if (dots == 1 || !IsRest(element))
        return dots;
    return s == division.a ? dots : -1;
}

int ANNote::DoNoteValue(const Division& division, Walk& walk, ECBase*& remainder) {
    ECBase* element = walk.element;
    DCctNotate* display = walk.display;
    remainder = nullptr;
    if (!element || !display)
        return VALUE_SPLIT_FAILED;
    const int s = display->GetTickStart(OWN_SCALE);
    const int t = display->GetTickDuration(OWN_SCALE);
    const int a = division.a;
    const int b = division.b;

    // A grace length.
    if (t == 0) {
        SetNoteValue(element, display, 0);
        return VALUE_SETTLED;
    }
    if (s < a)
        return VALUE_SETTLED;   // left to the division that holds its start
    if (PowerOfTwoRule(s, t, division)) {
        SetNoteValue(element, display, 0);
        return VALUE_SETTLED;
    }
    const bool note = !IsRest(element);
    int dots = -1;
    if (division.dotMode == DOTS_ALL)
        dots = DotRule(element, s, t, division);
    else if (division.dotMode == DOTS_NOTES && note)
        dots = DotRule(element, s, t, division);
    else if (division.dotMode == DOTS_STRESS && note)
        dots = DotRuleForStress(element, s, t, division);
    if (dots > 0) {
        SetNoteValue(element, display, dots);
        return VALUE_SETTLED;
    }
    if (division.syncopation && SyncopationRule(element, s, t, division)) {
        SetNoteValue(element, display, 0);
        return VALUE_SETTLED;
    }
    if (division.lenient && !note) {
        remainder = SplitNote(element, s + HighestPowerOfTwo(t, 0), walk.measureTime);
        return remainder ? VALUE_SPLIT : VALUE_SPLIT_FAILED;
    }
    if (s < b && b < s + t) {
        remainder = SplitNote(element, b, walk.measureTime);
        return remainder ? VALUE_SPLIT : VALUE_SPLIT_FAILED;
    }
    if (s >= a && s + t <= b)
        return VALUE_FINER;
    if (s >= b)
        return VALUE_AFTER;
    return VALUE_BEFORE;
}

// ---- values ----------------------------------------------------------------------------

void ANNote::SetNoteValue(ECBase* element, DCctNotate* display, int dots) {
    const unsigned t = display->GetTickDuration(OWN_SCALE);
    display->SetValue(static_cast<WORD>(UndottedValue(t, dots)), 0);
    SetDots(element, dots);
    display->SetValueDirty(0);
}

void ANNote::SetDots(ECBase* element, int dots) {
    // A dot child left from an earlier valuation is reused or taken away, so
    // that an element never shows two.
    MCEventList* children = element->GetChildren();
    const POSITION found = children ? children->FindEvent(ET_DOT) : nullptr;
    auto* dot = found ? static_cast<ECDot*>(children->GetAt(found)) : nullptr;
    if (dots == 0 && !dot)
        return;
    std::unique_lock<CCriticalSection> lock;
    if (m_pPerformance)
        lock = std::unique_lock<CCriticalSection>(m_pPerformance->GetLock());
    if (dots == 0) {
        element->RemoveChild(dot, 1);
        return;
    }
    if (!dot) {
        dot = new ECDot(static_cast<unsigned char>(dots));
        element->AddChild(dot, SORTED);
    } else {
        dot->SetDotType(static_cast<unsigned char>(dots));
    }
    dot->GetData(DK_NOTATION, 1);
    if (m_pUpdate)
        m_pUpdate->AddEvent(dot);
}

void ANNote::DoGraceNote(ECBase* element, DCctNotate* display) {
    MCEventList* children = element->GetChildren();
    if (!children)
        return;
    std::vector<ECBase*> graces;
    for (POSITION pos = children->GetHeadPosition(); pos;) {
        ECBase* child = children->GetNext(pos);
        if (child->GetClassType() == ET_GRACENOTE)
            graces.push_back(child);
    }
    if (graces.empty())
        return;
    WORD value = kFewGraces;
    if (graces.size() == 1) {
        value = kSingleGrace;
    } else if (graces.size() >= kFewestMany) {
        const WORD main = display->GetValue();
        value = main > kShortestMainForMany ? kManyGraces : static_cast<WORD>(main / 2);
    }
    for (ECBase* grace : graces) {
        DCctNotate* graceDisplay = NotateOf(grace, 1);
        if (!graceDisplay || graceDisplay->GetValue() == value)
            continue;
        graceDisplay->SetValue(value, 0);
        graceDisplay->SetValueDirty(0);
    }
}
