// CTie: walks along chains of notes joined by ties.
//
// A tie (ECTie) holds the two notes it joins as its children, the earlier
// first (children lists are in time order); each note has the tie among its
// parents. A chain is the run of notes linked this way. The walks stop at a
// note already visited, so a damaged file whose ties form a loop ends
// instead of spinning.
//
// Built narrowly for the notation engine: the queries below. Stateless; UI
// thread, under the performance's lock like any tree read.
#pragma once

class ECBase;
class ECNote;
class ECTie;
class MCTime;

class CTie {
public:
    CTie() = default;

    // The tie that starts at the note (direction 0) or ends at it (1); null.
    ECTie* FindTieParent(ECBase* note, int direction);
    // The note at the tie's later end (direction 0) or earlier end (1); null.
    ECNote* FindNoteChild(ECTie* tie, int direction);
    // The tie's other note than `note`; null when `note` is not one of its two.
    ECNote* FindOther(ECTie* tie, ECBase* note);
    // The first note of the chain that holds the note (the note itself when
    // no tie ends at it), or of the tie's chain.
    ECNote* GetHeadOfTie(ECNote* note);
    ECNote* GetHeadOfTie(ECTie* tie);
    // The last note of the chain that holds the note.
    ECNote* GetTailOfTie(ECNote* note);
    // From the head's time to the end of the tail's duration.
    void GetTieRange(ECNote* note, MCTime& start, MCTime& end);
};
