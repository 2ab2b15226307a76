// ANMultivoice: the conflict test and the removal of overlaps in a voice.
//
// Two tests of one rule. Tolerant (for guessing), only a note that lasts
// beyond the end of the other conflicts, so a legato line stays in one
// voice. Untolerant (for overlap removal), any overlap does.
#include "notation/autonote/multivoice.h"

#include "model/eventtypes.h"
#include "model/groupmarks.h"
#include "model/notes.h"
#include "model/performance.h"
#include "model/plugin.h"
#include "notation/autonote/notatelinks.h"
#include "notation/display/base.h"
#include "notation/display/notate.h"
#include "notation/tools/tie.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>

namespace {

// The two scales a notated element's ticks are read in.
constexpr int NORMAL_SCALE = 0;
constexpr int OWN_SCALE = 1;
// The base NotateBase reads: 1 the borrowed pulse, 0 the normal one.
constexpr int BORROWED_BASE = 1;
constexpr int NORMAL_BASE = 0;

constexpr bool COLLECT_ALL = true;
constexpr bool UNTOLERANT = false;
constexpr bool ROUND = true;
constexpr bool EXACT = false;

// Normal-scale ticks in the element's borrowed scale (group pulse not 0).
int ToOwnScale(int normalTicks, int pulse, int groupPulse) {
    return normalTicks * pulse / groupPulse;
}

// Whether the note has performance data (was played or entered, not made
// by splitting another).
bool IsPlayed(ECBase* note) {
    return note->GetData(DK_SEQUENCER, 0) != nullptr;
}

}  // namespace

ANMultivoice::Span ANMultivoice::SpanOf(ECBase* element) {
    Span span;
    DCBase* display = GetNotateData(element);
    if (!display)
        return span;
    if (element->GetClassType() == ET_TUPLET) {
        // A tuplet is weighed in the normal scale from its first child on.
        span.tuplet = true;
        span.tupletStart = NotateTickStart(display, NORMAL_SCALE);
        const int end = span.tupletStart + NotateTickDuration(display, NORMAL_SCALE);
        span.start = span.tupletStart;
        MCEventList* children = element->GetChildren();
        if (children && !children->IsEmpty()) {
            const int first = NotateTickStart(GetNotateData(children->GetHead()), NORMAL_SCALE);
            if (first >= 0)
                span.start = first;
        }
        span.duration = end - span.start;
        span.ownStart = span.start;
        span.ownDuration = span.duration;
        span.valid = span.tupletStart >= 0;
        return span;
    }
    span.start = NotateTickStart(display, NORMAL_SCALE);
    span.duration = NotateTickDuration(display, NORMAL_SCALE);
    span.ownStart = NotateTickStart(display, OWN_SCALE);
    span.ownDuration = NotateTickDuration(display, OWN_SCALE);
    span.borrowed = NotateIsBorrowed(display) != 0;
    span.pulse = NotateBase(display, BORROWED_BASE);
    span.groupPulse = NotateBase(display, NORMAL_BASE);
    span.valid = span.start >= 0 && span.duration >= 0;
    return span;
}

bool ANMultivoice::TakesPart(ECBase* element) {
    if (element->GetClassType() == ET_TUPLET)
        return GetNotateData(element) != nullptr;
    return NotateTickDuration(GetNotateData(element), OWN_SCALE) > 0;
}

bool ANMultivoice::Conflicts(const Span& a, const Span& c, bool tolerant) const {
    const bool bothNotes = !a.tuplet && !c.tuplet;
    if (a.start == c.start) {
        if (!bothNotes || a.duration == c.duration)
            return false;
        // Nearly equal notes struck together are one line (a chord to be).
        if (tolerant && (a.ownDuration == m_resolution || c.ownDuration == m_resolution ||
                         std::abs(a.duration - c.duration) <= m_resolution))
            return false;
        return true;
    }
    if (a.start < c.start) {
        if (a.tuplet)
            return false;
        const int from = c.tuplet ? c.tupletStart : c.start;
        return a.start + a.duration > from + (tolerant ? c.duration : 0);
    }
    if (c.tuplet)
        return false;
    return a.start + (tolerant ? a.duration : 0) < c.start + c.duration;
}

bool ANMultivoice::TimeConflict(ECBase* element, bool collectAll, bool tolerant) {
    const Span a = SpanOf(element);
    if (!a.valid || a.duration <= 0 || m_voiceList.empty())
        return false;
    bool found = false;
    for (ECBase* entry : m_voiceList) {
        if (entry == element)
            continue;
        const Span c = SpanOf(entry);
        if (!c.valid || !Conflicts(a, c, tolerant))
            continue;
        m_conflictList.push_back(entry);
        found = true;
        if (!collectAll)
            break;
    }
    return found;
}

bool ANMultivoice::IsRemoved(ECBase* element) const {
    return m_removed.Find(element) != nullptr;
}

void ANMultivoice::SingleVoiceVoice(int from, int to, const MCEventList& list) {
    for (int voice = from; voice < to; ++voice) {
        m_voiceList.clear();
        for (POSITION pos = list.GetHeadPosition(); pos;) {
            ECBase* element = list.GetNext(pos);
            if (static_cast<int>(GetVoice(element)) == voice && TakesPart(element) && !IsRemoved(element))
                m_voiceList.push_back(element);
        }
        YieldContinuations(m_voiceList);
        const std::vector<ECBase*> elements = m_voiceList;
        for (ECBase* element : elements) {
            if (TimeConflict(element, COLLECT_ALL, UNTOLERANT))
                FixTimeConflict(element);
            m_conflictList.clear();
        }
    }
    m_voiceList.clear();
}

void ANMultivoice::YieldContinuations(std::vector<ECBase*>& voice) {
    // A note carried over the bar line by the value pass that meets a played
    // note of its voice at the downbeat would cut that note to its own length
    // (or make a chord with it): the played note wins, and the note before
    // the bar line simply ends there. Only a chain's last note gives way, so
    // no later part of the chain is left without its tie.
    std::vector<ECBase*> yielding;
    for (ECBase* element : voice) {
        if (element->GetClassType() != ET_NOTE || IsPlayed(element))
            continue;
        auto* note = static_cast<ECNote*>(element);
        CTie ties;
        if (!ties.FindTieParent(note, TIE_BACKWARD) || ties.FindTieParent(note, TIE_FORWARD))
            continue;
        const Span span = SpanOf(note);
        const bool facesPlayed = std::any_of(voice.begin(), voice.end(), [&](ECBase* other) {
            return other != element && other->GetClassType() == ET_NOTE && IsPlayed(other) &&
                   SpanOf(other).start == span.start;
        });
        if (facesPlayed)
            yielding.push_back(element);
    }
    if (yielding.empty())
        return;

    ECPerformance* performance = GetBaseEvent();
    std::unique_lock<CCriticalSection> lock;
    if (performance)
        lock = std::unique_lock<CCriticalSection>(performance->GetLock());
    for (ECBase* element : yielding) {
        auto* note = static_cast<ECNote*>(element);
        m_removed.AddEvent(note, UNSORTED);   // holds it while it leaves
        CTie ties;
        if (ECTie* tie = ties.FindTieParent(note, TIE_BACKWARD))
            tie->RemoveFromParents();
        note->RemoveFromParents();
        voice.erase(std::find(voice.begin(), voice.end(), element));
    }
}

int ANMultivoice::RoundToGrid(int ticks) const {
    if (m_resolution == 0)
        return ticks;
    return (ticks + m_resolution / 2) / m_resolution * m_resolution;
}

bool ANMultivoice::LengthTo(const Span& from, int target, const Span* targetNote, bool round, int& length) const {
    if (!from.borrowed) {
        // A normal note ends at the target's normal start, on the grid when
        // the target is borrowed or a tuplet.
        length = target - from.start;
        if (round || (targetNote && targetNote->borrowed))
            length = RoundToGrid(length);
        return true;
    }
    if (targetNote && targetNote->borrowed) {
        length = targetNote->ownStart - from.ownStart;
        return true;
    }
    if (from.groupPulse == 0)
        return false;
    length = RoundToGrid(ToOwnScale(target, from.pulse, from.groupPulse) - from.ownStart);
    return true;
}

void ANMultivoice::SetLength(ECBase* element, int ownTicks) {
    auto* display = dynamic_cast<DCctNotate*>(GetNotateData(element));
    if (!display)
        return;
    display->SetTickDuration(static_cast<WORD>(std::max(ownTicks, 0)));
    display->SetValueDirty(1);
}

void ANMultivoice::FixTimeConflict(ECBase* element) {
    for (ECBase* entry : m_conflictList) {
        const Span e = SpanOf(element);
        const Span x = SpanOf(entry);
        if (!e.valid || !x.valid)
            continue;
        const int b = e.start, c = e.duration;
        const int ex = x.start, g = x.duration;
        int length = 0;
        if (!x.tuplet && ex < b && b < ex + g) {
            // The earlier note ends where this one starts.
            if (!LengthTo(x, b, e.tuplet ? nullptr : &e, e.tuplet ? ROUND : EXACT, length))
                return;
            SetLength(entry, length);
        } else if (!e.tuplet && !x.tuplet && ex == b && c != g) {
            // Struck together: both take the shorter length.
            if (e.borrowed && x.borrowed) {
                length = std::min(e.ownDuration, x.ownDuration);
                SetLength(element, length);
                SetLength(entry, length);
            } else if (!e.borrowed && !x.borrowed) {
                SetLength(element, std::min(c, g));
                SetLength(entry, std::min(c, g));
            } else {
                const Span& borrowed = e.borrowed ? e : x;
                const Span& normal = e.borrowed ? x : e;
                if (borrowed.groupPulse == 0)
                    return;
                // The normal note takes the shorter length on its grid (never
                // none), the borrowed one at most that length in its own
                // scale: both then end together and the pair is settled
                // whichever of them is weighed first.
                int plain = RoundToGrid(std::min(normal.duration, borrowed.duration));
                if (plain == 0)
                    plain = m_resolution;
                const int own = std::min(ToOwnScale(plain, borrowed.pulse, borrowed.groupPulse), borrowed.ownDuration);
                SetLength(e.borrowed ? entry : element, plain);
                SetLength(e.borrowed ? element : entry, own);
            }
        } else if (!e.tuplet && b < ex && ex < b + c) {
            // This note ends where the later one (or its tuplet) starts.
            const int target = x.tuplet ? x.tupletStart : ex;
            if (!LengthTo(e, target, x.tuplet ? nullptr : &x, x.tuplet ? ROUND : EXACT, length))
                return;
            SetLength(element, length);
        } else if (x.tuplet && !e.tuplet && !e.borrowed && b < x.tupletStart && x.tupletStart < b + c) {
            SetLength(element, x.tupletStart - b);
        }
    }
}
