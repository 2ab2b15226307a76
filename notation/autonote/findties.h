// ACFindTiesInRange: gathers the tie chains that reach into a time window.
//
// For every note in [start, end] (the walk does not enter beams, slurs and
// ties, so each note is met through its measure, chord or tuplet), the ties
// of the note's chain and the notes they lead to, backward and forward, are
// appended to the result list (ACFindEvents::GetEvents): the ties of every
// chain that touches the window and the tied-to notes of those chains, never
// a chain's first note. An element may be listed more than once (a note met
// in its own right and again through a neighbour's chain). The tie range
// widens to the span of every chain found (a note tied to nothing is no
// chain and widens nothing).
//
// A walk along a chain stops at a note it has already met, so ties that loop
// in a damaged file end. Short-lived, UI thread, under the performance's lock.
#pragma once

#include "model/findactions.h"
#include "model/time.h"

class ACFindTiesInRange : public ACFindTime {
public:
    // Over [start, end], both included; the tie range starts as the window.
    ACFindTiesInRange(const MCTime& start, const MCTime& end);

    // The result list emptied; notes the only wanted type.
    int BeginAction() override;
    // Beams, slurs and ties answer AC_SKIP unvisited.
    using ACFindTime::Apply;
    int Apply(ECBase* event) override;
    int DoAction(ECBase* event) override;

    void GetTieRange(MCTime& start, MCTime& end) const;

private:
    MCTime m_tieStart;
    MCTime m_tieEnd;
};
