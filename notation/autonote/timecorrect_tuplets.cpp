// ANTimeCorrect: the tuplets of a measure. Changed tuplets are re-timed onto
// the stress of their borrowed meter that holds their first note; a tuplet
// that borrows nothing (or a tuplet of three in a compound meter, whose
// beats are already threes) gives its notes back to the measure; tuplets of
// one voice that overlap become one.
#include "notation/autonote/timecorrect.h"

#include "model/eventtypes.h"
#include "model/groupmarks.h"
#include "model/measure.h"
#include "model/meter.h"
#include "model/notes.h"
#include "model/performance.h"
#include "notation/autonote/timerange.h"
#include "notation/display/notate.h"
#include "notation/display/tuplet.h"
#include "notation/layout/ruler.h"
#include "notation/view/dirtyrect.h"

#include <mutex>

namespace {

constexpr int kNormalScale = ANBase::TICKS_PER_QUARTER;
// Tick scales of the tuplet and note displays, and the tuplet's bases.
constexpr int NORMAL_SCALE = DCctTuplet::TICKS_NORMAL;
constexpr int OWN_SCALE = DCctTuplet::TICKS_OWN;
constexpr WORD PLAIN_BASE = DCctTuplet::BASE_PLAIN;
constexpr WORD BORROWED_BASE = DCctTuplet::BASE_BORROWED;
constexpr int NO_TRACK = 2047;
constexpr int NO_VOICE = 15;
constexpr int kCompoundMeter = 3;

bool IsPowerOfTwo(int n) {
    return n > 0 && (n & (n - 1)) == 0;
}

// The element's children, held while they move.
std::vector<ECBase*> ChildrenOf(ECBase* element) {
    std::vector<ECBase*> out;
    MCEventList* children = element->GetChildren();
    for (POSITION pos = children ? children->GetHeadPosition() : nullptr; pos;)
        out.push_back(children->GetNext(pos));
    return out;
}

void MarkTimeDirty(ECBase* element) {
    ACSetDirty dirty(1);
    dirty.AddDirtyKind(DCctBase::DIRTY_TIME);
    dirty.Apply(element);
}

// Calls `f` with the note display of a note child, or of each note of a
// chord child; elements without one are passed over.
template <class F>
void ForEachNoteOf(ECBase* child, F f) {
    if (child->GetClassType() == ET_NOTE) {
        if (auto* display = dynamic_cast<DCctNotate*>(child->GetData(DK_NOTATION, 1)))
            f(static_cast<ECNote*>(child), display);
        return;
    }
    if (child->GetClassType() != ET_CHORD)
        return;
    for (ECBase* note : ChildrenOf(child)) {
        if (note->GetClassType() != ET_NOTE)
            continue;
        if (auto* display = dynamic_cast<DCctNotate*>(note->GetData(DK_NOTATION, 1)))
            f(static_cast<ECNote*>(note), display);
    }
}

}  // namespace

DCctTuplet* ANTimeCorrect::TupletDisplay(ECBase* tuplet) {
    return tuplet ? dynamic_cast<DCctTuplet*>(tuplet->GetData(DK_NOTATION, 1)) : nullptr;
}

int ANTimeCorrect::GetTupletTickStart(ECTuplet* tuplet, uint16_t pulse, uint16_t groupPulse) {
    if (groupPulse == 0)
        return 0;
    return pulse * OffsetTicks(tuplet, m_pMeasure, kNormalScale) / groupPulse;
}

void ANTimeCorrect::MoveChildren(ECTuplet* from, ECTuplet* to, int markDirty) {
    MCEventList held;   // `from` lets go of its last child and of itself
    held.AddEvent(from, UNSORTED);
    for (ECBase* child : ChildrenOf(from)) {
        if (markDirty)
            MarkTimeDirty(child);
        std::unique_lock<CCriticalSection> lock;
        if (m_pPerformance)
            lock = std::unique_lock<CCriticalSection>(m_pPerformance->GetLock());
        to->AddChild(child, SORTED);
        from->RemoveChild(child, 0);
    }
}

void ANTimeCorrect::SetTupletTime(ECTuplet* tuplet, const MCTime& time) {
    MCEventList* children = m_pMeasure->GetChildren();
    if (!children->Find(tuplet)) {
        tuplet->SetTime(&time);
        return;
    }
    // The measure's children stay in time order.
    std::unique_lock<CCriticalSection> lock;
    if (m_pPerformance)
        lock = std::unique_lock<CCriticalSection>(m_pPerformance->GetLock());
    tuplet->SetTime(&time);
    children->Sort();
}

void ANTimeCorrect::DoExistingTuplets(MCEventList& voiceList) {
    std::vector<ECTuplet*> tuplets;
    MCEventList held;   // the voice list lets go of them here
    for (POSITION pos = voiceList.GetHeadPosition(); pos;) {
        const POSITION here = pos;
        ECBase* element = voiceList.GetNext(pos);
        if (element->GetClassType() != ET_TUPLET)
            continue;
        tuplets.push_back(static_cast<ECTuplet*>(element));
        held.AddEvent(element, UNSORTED);
        voiceList.RemoveAt(here);
    }
    for (size_t i = 0; i < tuplets.size(); ++i) {
        ECTuplet* tuplet = tuplets[i];
        DCctTuplet* display = TupletDisplay(tuplet);
        if (!display)
            continue;
        if (display->TimeDirty())
            TimeCorrectTuplet(tuplet);
        const bool borrowsNothing = display->GetBase(PLAIN_BASE) == display->GetBase(BORROWED_BASE);
        // A compound meter's beats are already threes.
        const bool compoundThrees =
            m_pMeter->GetMeterType() == kCompoundMeter && !IsPowerOfTwo(tuplet->GetIrregular());
        if (borrowsNothing || compoundThrees)
            DissolveTuplet(tuplet);
        else
            AddToTuplet(tuplet, tuplets, i + 1);
    }
}

void ANTimeCorrect::DissolveTuplet(ECTuplet* tuplet) {
    for (ECBase* child : ChildrenOf(tuplet)) {
        {
            std::unique_lock<CCriticalSection> lock;
            if (m_pPerformance)
                lock = std::unique_lock<CCriticalSection>(m_pPerformance->GetLock());
            m_pMeasure->AddChild(child, SORTED);
            tuplet->RemoveChild(child, 0);
        }
        TimeCorrectNormal(child);
    }
}

void ANTimeCorrect::AddToTuplet(ECTuplet* tuplet, std::vector<ECTuplet*>& later, size_t from) {
    DCctTuplet* display = TupletDisplay(tuplet);
    const WORD groupPulse = display->GetBase(PLAIN_BASE);
    const WORD pulse = display->GetBase(BORROWED_BASE);
    if (groupPulse == 0)
        return;
    const int begin = GetTupletTickStart(tuplet, pulse, groupPulse);
    const int end = begin + display->GetTickDuration(OWN_SCALE);

    ECTuplet* receiving = tuplet;
    for (size_t j = from; j < later.size();) {
        ECTuplet* other = later[j];
        DCctTuplet* otherDisplay = TupletDisplay(other);
        if (!otherDisplay) {
            ++j;
            continue;
        }
        if (otherDisplay->TimeDirty())
            TimeCorrectTuplet(other);
        const int start = GetTupletTickStart(other, pulse, groupPulse);
        if (start < begin || start >= end) {
            ++j;
            continue;
        }
        DCctTuplet* receivingDisplay = TupletDisplay(receiving);
        const WORD receivingLength = receivingDisplay->GetTickDuration(NORMAL_SCALE);
        const WORD otherLength = otherDisplay->GetTickDuration(NORMAL_SCALE);
        if (start == begin && receivingLength == otherLength) {
            MoveChildren(other, receiving, 0);   // the same group, nothing to re-time
        } else if (receivingLength < otherLength) {
            // The longer tuplet takes the shorter one's notes.
            MoveChildren(receiving, other, 1);
            TimeCorrectTupletChildren(other);
            receiving = other;
        } else {
            MoveChildren(other, receiving, 1);
            TimeCorrectTupletChildren(receiving);
        }
        if (m_pUpdate)
            m_pUpdate->AddEvent(receiving);
        later.erase(later.begin() + static_cast<std::ptrdiff_t>(j));
    }

    TimeCorrectTupletChildren(receiving);
    DCctTuplet* receivingDisplay = TupletDisplay(receiving);
    m_pRuler->AddBorrowedDivMarks(m_pMeter, receivingDisplay->GetBase(BORROWED_BASE),
                                  receivingDisplay->GetBase(PLAIN_BASE), m_resolution);
}

void ANTimeCorrect::TimeCorrectTuplet(ECTuplet* tuplet) {
    DCctTuplet* display = TupletDisplay(tuplet);
    if (!display)
        return;
    display->SetTuplet(tuplet->GetIrregular(), tuplet->GetNormal());

    MCEventList* children = tuplet->GetChildren();
    ECBase* first = children->IsEmpty() ? nullptr : children->GetHead();
    const MCVoiceTrack* word = tuplet->GetVoiceTrack();
    if (first && (word->GetTrack() == NO_TRACK || word->GetVoice() == NO_VOICE)) {
        // A new tuplet is where its first note is.
        tuplet->SetVoiceTrack(first->GetVoiceTrack());
        SetTupletTime(tuplet, *first->GetTime());
    }

    const WORD groupPulse = m_pRuler->GetGroupPulse(0);
    const WORD pulse = m_pRuler->GetBorrowedPulse(m_pMeter, tuplet->GetIrregular());
    display->SetBase(pulse, groupPulse);
    if (groupPulse == 0)
        return;
    if (first)
        TimeCorrectNote(first, m_pMeasure, m_pMeter, pulse * kNormalScale / groupPulse, pulse, groupPulse);
    display->SetTickDuration(static_cast<WORD>(GetTupletUnitDuration(tuplet) * tuplet->GetNormal()));

    // The tuplet starts on the stress of its borrowed meter that holds its
    // first note.
    int firstStart = -1;
    if (first)
        ForEachNoteOf(first, [&](ECNote*, DCctNotate* notate) {
            if (firstStart < 0)
                firstStart = notate->GetTickStart(OWN_SCALE);
        });
    ECMeter borrowed;
    if (firstStart >= 0 && pulse != 0 && display->GetBorrowedMeter(m_pMeter, &borrowed)) {
        int stressStart = 0;
        for (int i = 0; i < borrowed.GetStressPulsesPerMeasure(); ++i) {
            const int length = borrowed.GetStressTicks(i, kNormalScale);
            if (firstStart < stressStart + length) {
                display->SetTickStart(static_cast<WORD>(stressStart * groupPulse / pulse));
                MCTime time = *m_pMeasure->GetTime();
                time.AddTicks(display->GetTickStart(NORMAL_SCALE), kNormalScale);
                SetTupletTime(tuplet, time);
                break;
            }
            stressStart += length;
        }
    }
    display->SetTimeDirty(0);
}

void ANTimeCorrect::TimeCorrectTupletChildren(ECTuplet* tuplet) {
    DCctTuplet* display = TupletDisplay(tuplet);
    if (!display)
        return;
    const WORD groupPulse = display->GetBase(PLAIN_BASE);
    const WORD pulse = display->GetBase(BORROWED_BASE);
    if (groupPulse == 0)
        return;
    const int scale = pulse * kNormalScale / groupPulse;
    if (scale <= 0)
        return;
    // Inside a tuplet no bar-line cut: the tuplet's own span bounds its notes.
    for (ECBase* child : ChildrenOf(tuplet)) {
        ForEachNoteOf(child, [&](ECNote* note, DCctNotate* notate) {
            if (!notate->TimeDirty())
                return;
            Length length;
            if (!QuantizeLength(note, notate, scale, pulse, groupPulse, length))
                return;
            notate->SetTickStart(
                static_cast<WORD>(RoundToResolution(OffsetTicks(note, m_pMeasure, scale), m_resolution, nullptr)));
            notate->SetTickDuration(static_cast<WORD>(length.ticks));
            notate->SetBase(pulse, groupPulse);
            if (!length.negative)
                notate->SetTimeDirty(0);
        });
        if (child->GetClassType() == ET_CHORD)
            if (auto* chordDisplay = dynamic_cast<DCctBase*>(child->GetData(DK_NOTATION, 0)))
                chordDisplay->SetTimeDirty(0);
    }
}

void ANTimeCorrect::TimeCorrectTupletAndChildren(ECTuplet* tuplet, int start, int end) {
    TimeCorrectTuplet(tuplet);
    for (ECBase* child : ChildrenOf(tuplet))
        MarkTimeDirty(child);
    TimeCorrectTupletChildren(tuplet);
    if (m_pUpdate)
        m_pUpdate->AddEvent(tuplet);
    AddTupletToMeasure(tuplet);

    DCctTuplet* display = TupletDisplay(tuplet);
    if (!display)
        return;
    const WORD groupPulse = display->GetBase(PLAIN_BASE);
    const WORD pulse = display->GetBase(BORROWED_BASE);
    // Rounding may carry a note over the edge of the stress it was found
    // in: it is kept inside.
    for (ECBase* child : ChildrenOf(tuplet)) {
        ForEachNoteOf(child, [&](ECNote*, DCctNotate* notate) {
            const int tick = notate->GetTickStart(OWN_SCALE);
            if (tick >= end) {
                notate->SetTickStart(static_cast<WORD>(end - m_resolution));
                return;
            }
            if (tick >= start)
                return;
            notate->SetTickStart(static_cast<WORD>(start));
            if (display->GetTickStart(OWN_SCALE) >= start || pulse == 0)
                return;
            display->SetTickStart(static_cast<WORD>(start * groupPulse / pulse));
            MCTime time = *m_pMeasure->GetTime();
            time.AddTicks(display->GetTickStart(NORMAL_SCALE), kNormalScale);
            SetTupletTime(tuplet, time);
        });
    }
}
