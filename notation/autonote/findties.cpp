// ACFindTiesInRange: tie chains around a window.
#include "notation/autonote/findties.h"

#include <algorithm>
#include <vector>

#include "model/event.h"
#include "model/eventtypes.h"
#include "model/groupmarks.h"
#include "model/notes.h"
#include "notation/tools/tie.h"

ACFindTiesInRange::ACFindTiesInRange(const MCTime& start, const MCTime& end)
    : ACFindTime(start, end, 0), m_tieStart(start), m_tieEnd(end) {}

int ACFindTiesInRange::BeginAction() {
    const int begun = ACFindTime::BeginAction();
    if (!(begun & 1))
        return begun;
    RemoveEvtTypes();
    AddEvtType(ET_NOTE);
    return begun;
}

int ACFindTiesInRange::Apply(ECBase* event) {
    if (event) {
        const int type = event->GetClassType();
        if (type == ET_BEAM || type == ET_SLUR || type == ET_TIE)
            return AC_SKIP;
    }
    return ACFindTime::Apply(event);
}

int ACFindTiesInRange::DoAction(ECBase* event) {
    MCEventList& found = GetEvents();
    const int before = found.GetCount();
    const int answer = ACFindTime::DoAction(event);
    if (found.GetCount() == before || event->GetClassType() != ET_NOTE)
        return answer;

    auto* note = static_cast<ECNote*>(event);
    CTie ties;
    // Only a chain widens the range: a note tied to nothing is no chain,
    // and its own span (a note starting at the window's end, say) would
    // draw its neighbours into what the caller clears.
    if (ties.FindTieParent(note, TIE_BACKWARD) || ties.FindTieParent(note, TIE_FORWARD)) {
        MCTime chainStart = m_tieStart;
        MCTime chainEnd = m_tieEnd;
        ties.GetTieRange(note, chainStart, chainEnd);
        if (chainStart < m_tieStart)
            m_tieStart = chainStart;
        if (chainEnd > m_tieEnd)
            m_tieEnd = chainEnd;
    }

    std::vector<ECBase*> seen{note};
    auto firstVisit = [&seen](ECBase* element) {
        if (std::find(seen.begin(), seen.end(), element) != seen.end())
            return false;
        seen.push_back(element);
        return true;
    };

    // Backward: every tie before the note and the notes between, not the head.
    if (ECTie* tie = ties.FindTieParent(note, TIE_BACKWARD)) {
        AddFound(tie);
        for (;;) {
            ECNote* earlier = ties.FindNoteChild(tie, TIE_BACKWARD);
            if (!earlier || !firstVisit(earlier))
                break;
            ECTie* before = ties.FindTieParent(earlier, TIE_BACKWARD);
            if (!before)
                break;   // `earlier` heads the chain
            AddFound(earlier);
            AddFound(before);
            tie = before;
        }
    } else {
        // A note is collected only as the continuation of a tie.
        found.RemoveTail();
    }

    // Forward: every tie after the note and the notes it leads to.
    if (ECTie* tie = ties.FindTieParent(note, TIE_FORWARD)) {
        AddFound(tie);
        for (;;) {
            ECNote* later = ties.FindNoteChild(tie, TIE_FORWARD);
            if (!later || !firstVisit(later))
                break;
            AddFound(later);
            tie = ties.FindTieParent(later, TIE_FORWARD);
            if (!tie)
                break;
            AddFound(tie);
        }
    }
    return answer;
}

void ACFindTiesInRange::GetTieRange(MCTime& start, MCTime& end) const {
    start = m_tieStart;
    end = m_tieEnd;
}
