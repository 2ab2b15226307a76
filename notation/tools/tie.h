// CTie: questions about chains of tied notes.
//
// A tie (ECTie, a child of the staff) has the two notes it joins as its
// children, and a note may end one tie and start the next, so tied notes
// form chains. The time of a tie is the time of its start note, which is how
// the tie starting at a note is told from the tie ending at it.
//
// Directions: 0 forward (the tie starting at a note, the later note of a
// tie), 1 backward (the tie ending at a note, the earlier note of a tie).
//
// Every walk along a chain stops at a note it has already met, so a damaged
// chain (a tie whose only note is its start note, a loop of ties) ends.
//
// A CTie is a list that receives the answers of the list queries; a caller
// makes one on the stack for a query. The list holds a reference on each
// event in it. User-interface thread, under the performance's lock like the
// rest of the tree.
#pragma once

#include "model/lists.h"

class ECMeasure;
class ECMeter;
class ECNote;
class ECTie;
class MCTime;

enum : int {
    TIE_FORWARD = 0,
    TIE_BACKWARD = 1,
};

class CTie : public MCEventList {
public:
    CTie();
    ~CTie() override;

    // The tie that starts at the note (forward) or ends at it (backward), or
    // null.
    ECTie* FindTieParent(ECNote* note, int direction);
    // The tie's later (forward) or earlier (backward) note, or null.
    ECNote* FindNoteChild(ECTie* tie, int direction);
    // The rule both of the above use, reading only the first and the last
    // candidate. One candidate: forward when its time equals the event's,
    // backward when it differs. Several: the later (forward) or earlier
    // (backward) of the first and the last. Null when there is none, and for
    // an event or candidate without a time.
    ECBase* FindOther(ECBase* event, MCEventList& candidates, int direction);

    // The note across the tie starting at the note (forward) or ending at it
    // (backward), or null.
    ECNote* GetNext(ECNote* note, int direction);

    // The first note of the chain that holds the note (the note itself when
    // nothing is tied to it from before).
    ECNote* GetHeadOfTie(ECNote* note);
    // The first note of the chain the tie belongs to; null when the tie has
    // no start note or its start note's time is not the tie's.
    ECNote* GetHeadOfTie(ECTie* tie);
    // The last note of the chain that holds the note.
    ECNote* GetTailOfTie(ECNote* note);
    // From the note onward, the last note of its chain that starts before
    // `time` (the note itself when the note after it does not): where a
    // note starting at `time` joins the chain.
    ECNote* GetTailBefore(ECNote* note, const MCTime& time);
    // Appends to this list the notes of the note's chain after its head, in
    // chain order, then drops repeated entries; the head is never among them,
    // so a note tied to nothing adds nothing. This list is the answer.
    CTie& GetTiePartners(ECNote* note);
    // The chain's span: from the head's time to the tail's time plus the
    // tail's notated duration (256 ticks a quarter; none known: the tail's
    // time). Start and end stay as they are for a null note.
    void GetTieRange(ECNote* note, MCTime& start, MCTime& end);

    // A measure's ties are the ties of its staff timed from the measure's
    // start to one measure of the meter later, both ends included. Nothing
    // is appended for a null measure or meter, or a measure off any staff.
    //
    // Appends the head of each chain that has a tie in the measure, once.
    // This list is the answer.
    CTie& GetTies(ECMeasure* measure, ECMeter* meter);
    // Appends each of the measure's ties whose first note starts before the
    // measure's end and whose last note at or after it: the ties across its
    // closing barline. This list is the answer.
    CTie& GetTiesOverBarline(ECMeasure* measure, ECMeter* meter);

private:
    // The walk of GetTailOfTie, stopping before a note that does not start
    // before `before` when one is given.
    ECNote* TailOf(ECNote* note, const MCTime* before);
};
