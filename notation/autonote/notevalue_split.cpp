// ANNote: cutting an element, placing and tying its remainder, moving an
// element into the next measure, and the tuplets a remainder joins or takes
// a copy of.
#include "notation/autonote/notevalue.h"

#include "model/conductor.h"
#include "model/eventtypes.h"
#include "model/groupmarks.h"
#include "model/measure.h"
#include "model/meter.h"
#include "model/notes.h"
#include "model/performance.h"
#include "model/plugin.h"
#include "model/staff.h"
#include "notation/autonote/timecorrect.h"
#include "notation/display/measure.h"
#include "notation/display/notate.h"
#include "notation/display/note.h"
#include "notation/display/tuplet.h"
#include "notation/tools/tie.h"
#include "notation/view/dirtyrect.h"

#include <mutex>

namespace {

constexpr int OWN_SCALE = DCctTuplet::TICKS_OWN;
constexpr int NORMAL_SCALE = DCctTuplet::TICKS_NORMAL;
constexpr WORD PLAIN_BASE = DCctTuplet::BASE_PLAIN;
constexpr WORD BORROWED_BASE = DCctTuplet::BASE_BORROWED;

DCctNotate* NotateOf(ECBase* element, int create) {
    return element ? dynamic_cast<DCctNotate*>(element->GetData(DK_NOTATION, create)) : nullptr;
}

DCctTuplet* TupletDisplay(ECBase* tuplet) {
    return tuplet ? dynamic_cast<DCctTuplet*>(tuplet->GetData(DK_NOTATION, 0)) : nullptr;
}

// The tuplet an element is a member of, or null.
ECTuplet* TupletOf(ECBase* element) {
    MCEventList* parents = element->GetParents();
    for (POSITION pos = parents->GetHeadPosition(); pos;) {
        ECBase* parent = parents->GetNext(pos);
        if (parent->GetClassType() == ET_TUPLET)
            return static_cast<ECTuplet*>(parent);
    }
    return nullptr;
}

// After the event's time changed: it takes its place by time again in each
// parent's children list. Its links to its parents stay as they are.
void KeepInTimeOrder(ECBase* event) {
    event->Ref();
    MCEventList* parents = event->GetParents();
    for (POSITION pos = parents->GetHeadPosition(); pos;) {
        MCEventList* siblings = parents->GetNext(pos)->GetChildren();
        if (siblings && siblings->RemoveEvent(event))
            siblings->AddEvent(event, SORTED);
    }
    event->Unref(1);
}

// Adds a tie to its holder's children where AddChild(tie, SORTED) puts it.
// A staff holds every one of its measures and the ties between them, so
// there the place is sought forward from the measure of the tie's first note
// (a child of the staff no later than the tie, found through the list's
// index) instead of back from the staff's last measure: in a list in time
// order both find the same place.
void AddTieInTimeOrder(ECBase* holder, ECTie* tie, ECBase* first) {
    ECBase* measure = holder->GetClassType() == ET_STAFF ? first->GetAncestor(ET_MEASURE, -1) : nullptr;
    MCEventList* children = holder->GetChildren();
    const MCTime* from = measure ? measure->GetTime() : nullptr;
    POSITION at = from && children && tie->GetTime() && *from <= *tie->GetTime() ? children->Find(measure) : nullptr;
    if (at)
        static_cast<ECWithChild*>(holder)->AddChildAfter(tie, at);
    else
        holder->AddChild(tie, SORTED);
}

}  // namespace

ECStaff* ANNote::StaffOf(ECBase* measure) {
    MCEventList* parents = measure ? measure->GetParents() : nullptr;
    for (POSITION pos = parents ? parents->GetHeadPosition() : nullptr; pos;) {
        ECBase* parent = parents->GetNext(pos);
        if (parent->GetClassType() == ET_STAFF)
            return static_cast<ECStaff*>(parent);
    }
    return nullptr;
}

int ANNote::OffsetTicks(ECBase* element, ECBase* container) {
    const MCTime* time = element ? element->GetTime() : nullptr;
    const MCTime* from = container ? container->GetTime() : nullptr;
    if (!time || !from)
        return 0;
    MCTime offset = *time;
    offset -= *from;
    const int ticks = offset.GetTicks(TICKS_PER_QUARTER);
    return ticks < 0 ? 0 : ticks;
}

int ANNote::RoundTicks(int ticks) const {
    return ANTimeCorrect::RoundToResolution(ticks, m_resolution, nullptr);
}

ECMeter* ANNote::MeasureMeter(const MCTime& measureTime) {
    if (m_pMeter)
        return m_pMeter;
    return m_pConductor ? m_pConductor->GetMeterAtTime(measureTime) : nullptr;
}

ECMeasure* ANNote::NextMeasure(ECBase* measure, const MCTime& measureTime, ECMeter*& nextMeter) {
    nextMeter = nullptr;
    ECMeter* meter = MeasureMeter(measureTime);
    ECStaff* staff = StaffOf(measure);
    if (!m_pConductor || !meter || !staff)
        return nullptr;
    const int track = m_pConductor->GetTrackNumber(TRACK_STAFF, staff);
    if (track < 0)
        return nullptr;
    MCTime end = measureTime;
    end += MCTime(meter->GetMeasureLength());
    ECMeasure* next = m_pConductor->GetMeasure(track, end, 0, 1);
    if (!next || next == measure)
        return nullptr;
    nextMeter = m_pConductor->GetMeterAtTime(*next->GetTime());
    return next;
}

void ANNote::Relink(ECBase* child, ECBase* parent, ECBase* from) {
    std::unique_lock<CCriticalSection> lock;
    if (m_pPerformance)
        lock = std::unique_lock<CCriticalSection>(m_pPerformance->GetLock());
    // Joins its new parent before it leaves the old one, so it is never without one.
    parent->AddChild(child, SORTED);
    if (from)
        from->RemoveChild(child, 0);
    if (m_pUpdate)
        m_pUpdate->AddEvent(child);
}

// ---- cutting -----------------------------------------------------------------------

ECBase* ANNote::SplitNote(ECBase* element, int at, const MCTime& measureTime) {
    DCctNotate* display = NotateOf(element, 0);
    const int type = element ? element->GetClassType() : -1;
    if (!display || (type != ET_NOTE && type != ET_REST))
        return nullptr;
    int scale = TICKS_PER_QUARTER;
    if (display->IsBorrowed()) {
        const int groupPulse = display->GetBase(PLAIN_BASE);
        if (groupPulse == 0)
            return nullptr;
        scale = display->GetBase(BORROWED_BASE) * TICKS_PER_QUARTER / groupPulse;
    }
    const int s = display->GetTickStart(OWN_SCALE);
    const int t = display->GetTickDuration(OWN_SCALE);

    MCTime time = measureTime;
    time.AddTicks(at, scale);
    ECBase* later = type == ET_NOTE ? static_cast<ECBase*>(new ECNote(time, MCTime::TimeZero())) : new ECRest;
    later->SetTime(&time);
    later->SetVoiceTrack(element->GetVoiceTrack());
    DCctNotate* laterDisplay = NotateOf(later, 1);
    if (!laterDisplay) {
        later->Unref(1);
        return nullptr;
    }
    laterDisplay->SetTickStart(static_cast<WORD>(at));
    laterDisplay->SetTickDuration(static_cast<WORD>(s + t - at));
    laterDisplay->SetStemLength(display->GetStemLength(), 0, 0);
    laterDisplay->SetStemDirection(display->GetStemDirection(), 0);
    laterDisplay->SetStemSide(display->GetStemSide(), 0);
    laterDisplay->SetBase(display->GetBase(BORROWED_BASE), display->GetBase(PLAIN_BASE));
    laterDisplay->SetTimeDirty(0);
    auto* head = dynamic_cast<DCctNote*>(display);
    auto* laterHead = dynamic_cast<DCctNote*>(laterDisplay);
    if (head && laterHead)
        laterHead->SetNoteheadStyle(head->GetNoteheadStyle(), 0);
    display->SetTickDuration(static_cast<WORD>(at - s));
    return later;
}

// ---- placing a remainder -------------------------------------------------------------

void ANNote::TieNotes(ECBase* first, ECBase* remainder, ECBase* container, ECStaff* staff) {
    ECBase* holder = container;
    if (container->GetClassType() == ET_MEASURE)
        holder = staff ? staff : StaffOf(container);
    if (!holder)
        holder = container;
    auto* tie = new ECTie;
    // The file's display data was made before the notation ran: a tie made
    // here has no display object unless it gets one now, and is never drawn.
    tie->GetData(DK_NOTATION, 1);
    ECTie* onward = nullptr;
    {
        std::unique_lock<CCriticalSection> lock;
        if (m_pPerformance)
            lock = std::unique_lock<CCriticalSection>(m_pPerformance->GetLock());
        // The remainder joins the chain of `first` where its time puts it:
        // after the last piece that starts before it. A piece past the bar
        // line is cut off before the part in front of it is divided, so that
        // piece may lie several ties on from `first`.
        CTie chain;
        ECBase* from = first;
        if (first->GetClassType() == ET_NOTE)
            from = chain.GetTailBefore(static_cast<ECNote*>(first), *remainder->GetTime());
        // A tie that piece already starts goes on from the remainder, so
        // that no note starts two ties.
        if (from->GetClassType() == ET_NOTE) {
            onward = chain.FindTieParent(static_cast<ECNote*>(from), TIE_FORWARD);
            if (onward && *onward->GetTime() != *from->GetTime())
                onward = nullptr;
        }
        if (onward) {
            onward->AddChild(remainder, SORTED);
            onward->RemoveChild(from, 0);
            onward->SetTime(remainder->GetTime());
            KeepInTimeOrder(onward);
        }
        tie->SetTime(from->GetTime());
        tie->SetVoiceTrack(from->GetVoiceTrack());
        AddTieInTimeOrder(holder, tie, from);
        tie->AddChild(from, SORTED);
        tie->AddChild(remainder, SORTED);
    }
    if (m_pUpdate) {
        m_pUpdate->AddEvent(remainder);
        m_pUpdate->AddEvent(tie);
        if (onward)
            m_pUpdate->AddEvent(onward);
    }
}

int ANNote::DoSplit(ECBase* first, ECBase* remainder, ECBase* container, ECMeter* meter, ECStaff* staff,
                    int crossing) {
    DCctNotate* display = NotateOf(remainder, 0);
    if (!first || !remainder || !container || !display) {
        if (remainder && remainder->GetParents()->IsEmpty())
            remainder->Unref(1);   // never placed: dropped
        return 1;
    }
    MCEventList held;   // the remainder lives while it moves between parents
    held.AddEvent(remainder, UNSORTED);
    if (remainder->GetClassType() != ET_REST)
        TieNotes(first, remainder, container, staff);

    const unsigned voice = GetVoice(remainder);
    const int start = crossing ? 0 : OffsetTicks(remainder, container);
    const int length = display->GetTickDuration(NORMAL_SCALE);
    ECTuplet* tuplet = TupletOf(first);
    ECTuplet* holder = FindExistingTuplet(container, voice, start);

    if (holder && holder == tuplet) {
        Relink(remainder, holder, nullptr);   // the same division: its ticks stand
        return 0;
    }
    if (holder) {
        JoinTuplet(remainder, holder, start, length);
        return 1;   // valued with its tuplet
    }
    if (!tuplet) {
        const WORD base = GetBase(meter);
        display->SetBase(base, base);
        if (crossing)
            display->SetTickStart(0);
        Relink(remainder, container, nullptr);
        return 0;
    }

    DCctTuplet* tupletDisplay = TupletDisplay(tuplet);
    ECMeter* measureMeter = crossing ? meter : MeasureMeter(*container->GetTime());
    if (tupletDisplay && remainder->GetClassType() == ET_NOTE &&
        length < tupletDisplay->GetTickDuration(NORMAL_SCALE) &&
        !IsEventsInNextTupletRange(tuplet, container, start, remainder)) {
        if (crossing)
            display->SetTickStart(0);
        CopyTupletFor(remainder, tuplet, container, measureMeter, start, *remainder->GetTime());
        return 1;
    }

    // It leaves the tuplet for the measure's own division.
    const WORD base = GetBase(measureMeter);
    display->SetBase(base, base);
    display->SetTickStart(static_cast<WORD>(start));
    display->SetTickDuration(static_cast<WORD>(RoundTicks(length)));
    Relink(remainder, container, nullptr);
    if (!crossing && measureMeter) {
        DCctNotate* walked = display;
        MCTime containerTime = *container->GetTime();
        DoMeasureDivisions(walked, measureMeter, container, containerTime, 0, nullptr, nullptr);
    }
    return 1;
}

ECTuplet* ANNote::FindExistingTuplet(ECBase* container, unsigned voice, int start) {
    MCEventList* children = container->GetChildren();
    for (POSITION pos = children ? children->GetHeadPosition() : nullptr; pos;) {
        ECBase* child = children->GetNext(pos);
        if (child->GetClassType() != ET_TUPLET || GetVoice(child) != voice)
            continue;
        DCctTuplet* display = TupletDisplay(child);
        if (!display)
            continue;
        const int from = display->GetTickStart(NORMAL_SCALE);
        if (from <= start && start < from + display->GetTickDuration(NORMAL_SCALE))
            return static_cast<ECTuplet*>(child);
    }
    return nullptr;
}

bool ANNote::IsEventsInNextTupletRange(ECTuplet* tuplet, ECBase* container, int start, ECBase* except) {
    DCctTuplet* display = TupletDisplay(tuplet);
    if (!display)
        return true;
    const int end = start + display->GetTickDuration(NORMAL_SCALE);
    const unsigned voice = GetVoice(tuplet);
    auto startsInRange = [&](ECBase* element) {
        if (element == except || !IsNotatedType(element->GetClassType()) || GetVoice(element) != voice)
            return false;
        const int at = OffsetTicks(element, container);
        return start <= at && at < end;
    };
    MCEventList* children = container->GetChildren();
    for (POSITION pos = children ? children->GetHeadPosition() : nullptr; pos;) {
        ECBase* child = children->GetNext(pos);
        if (child->GetClassType() == ET_TUPLET) {
            MCEventList* members = child->GetChildren();
            for (POSITION at = members->GetHeadPosition(); at;)
                if (startsInRange(members->GetNext(at)))
                    return true;
        } else if (startsInRange(child)) {
            return true;
        }
    }
    return false;
}

void ANNote::JoinTuplet(ECBase* element, ECTuplet* tuplet, int start, int length) {
    DCctNotate* display = NotateOf(element, 0);
    DCctTuplet* tupletDisplay = TupletDisplay(tuplet);
    ECBase* from = TupletOf(element);
    const int base = tupletDisplay ? tupletDisplay->GetBase(PLAIN_BASE) : 0;
    if (display && base != 0) {
        const int borrowed = tupletDisplay->GetBase(BORROWED_BASE);
        display->SetBase(static_cast<WORD>(borrowed), static_cast<WORD>(base));
        display->SetTickStart(static_cast<WORD>(RoundTicks(start * borrowed / base)));
        display->SetTickDuration(static_cast<WORD>(RoundTicks(length * borrowed / base)));
    }
    Relink(element, tuplet, from);
}

void ANNote::CopyTupletFor(ECBase* element, ECTuplet* tuplet, ECBase* container, ECMeter* meter, int start,
                           const MCTime& time) {
    DCctTuplet* display = TupletDisplay(tuplet);
    auto* copy = new ECTuplet(*tuplet);
    MCEventList held;   // until the container holds it
    held.AddEvent(copy, UNSORTED);
    copy->SetTime(&time);
    auto* copyDisplay = dynamic_cast<DCctTuplet*>(copy->GetData(DK_NOTATION, 1));
    if (copyDisplay && display) {
        copyDisplay->SetTuplet(tuplet->GetIrregular(), tuplet->GetNormal());
        copyDisplay->SetBase(display->GetBase(BORROWED_BASE), display->GetBase(PLAIN_BASE));
        copyDisplay->SetTickDuration(display->GetTickDuration(NORMAL_SCALE));
        copyDisplay->SetTickStart(static_cast<WORD>(start));
    }
    Relink(copy, container, nullptr);
    Relink(element, copy, TupletOf(element));
    auto* measureDisplay = dynamic_cast<DCctMeasure*>(container->GetData(DK_NOTATION, 0));
    if (measureDisplay && display && meter)
        measureDisplay->GetRuler().AddBorrowedDivMarks(meter, display->GetBase(BORROWED_BASE),
                                                       display->GetBase(PLAIN_BASE), m_resolution);
}

// ---- moving ------------------------------------------------------------------------------

bool ANNote::DoMove(Walk& walk) {
    DCctNotate* display = walk.display;
    const int s = display->GetTickStart(OWN_SCALE);
    if (s < walk.measureEnd)
        return false;
    ECMeter* nextMeter = nullptr;
    ECMeasure* next = NextMeasure(walk.measure, walk.measureTime, nextMeter);
    if (!next || !nextMeter)
        return false;
    ECBase* element = walk.element;
    MCEventList held;   // the element lives while it changes parents
    held.AddEvent(element, UNSORTED);
    ECTuplet* tuplet = walk.inTuplet ? TupletOf(element) : nullptr;
    if (!tuplet) {
        display->SetTickStart(static_cast<WORD>(RoundTicks(s - walk.measureEnd)));
        const WORD base = GetBase(nextMeter);
        display->SetBase(base, base);
        Relink(element, next, walk.measure);
        return true;
    }
    // In the tuplet's scale the borrowed meter's measure is the measure itself.
    const int plain = display->GetBase(PLAIN_BASE);
    const int borrowed = display->GetBase(BORROWED_BASE);
    if (borrowed == 0)
        return false;
    const int start = RoundTicks((s - walk.measureEnd) * plain / borrowed);
    const int length = display->GetTickDuration(NORMAL_SCALE);
    if (ECTuplet* holder = FindExistingTuplet(next, GetVoice(element), start)) {
        JoinTuplet(element, holder, start, length);
        return true;
    }
    display->SetTickStart(static_cast<WORD>(RoundTicks(s - walk.measureEnd)));
    MCTime time = *next->GetTime();
    time.AddTicks(start, TICKS_PER_QUARTER);
    CopyTupletFor(element, tuplet, next, nextMeter, start, time);
    return true;
}
