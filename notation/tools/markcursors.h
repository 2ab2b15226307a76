// The insert tools that place one mark at the pointer's time: a clef, a flow
// control mark (coda, segno, endings ...) or a text. Each follows the
// pointer as the insert tool does and places the palette's prototype under
// the parent found by the prototype's own parent types (a clef in a staff's
// measure, a flow mark on the conductor staff, a text on its staff or the
// conductor staff). Clef and flow marks stand on the nearest division of
// the measure; a text stands where it is clicked.
//
// A clef is for the hand its voice shows (the lower staff of a grand staff
// for voices 4 and up) and replaces the clef of that hand standing at the
// same time. One placed on the very start of a measure belongs to the
// measure before it (it is drawn at that measure's end, before the
// barline), keeping the start time; on the piece's first measure it stays.
// A clef equal to the one in force there is refused: nothing is sent and
// the document stays unmodified.
//
// Insert takes the caller's element as the insert tool does: 1, it went
// into a command; 0, refused, it stays the caller's. UI thread only.
#pragma once

#include "notation/tools/insertcursor.h"

class CClefCursor : public CInsertCursor {
public:
    // The prototype's parent types (a staff's measure); snap on, the
    // signature cursor.
    CClefCursor(CCantrel* view, const std::vector<int>* parentTypes);

    // A clef while a parent lies under the pointer; -2 whether one does.
    int CanInsert(int eventType) override;
    // The clef for the hand of the tool's voice at the tool's time; the clef
    // of that hand standing there is taken out first, by a command of its
    // own carried out at once. 0, sending nothing, without a clef or a
    // parent, or when the same clef is in force there already.
    int Insert(ECBase* element, CCAdd* command) override;

protected:
    // A click on the very start of a measure (not the first) makes the
    // measure before it, on the same track, the parent.
    void AdjustParent();
};

class CFlowCursor : public CInsertCursor {
public:
    // The prototype's parent types (the conductor staff); snap on.
    CFlowCursor(CCantrel* view, const std::vector<int>* parentTypes);

    // A flow control mark while a parent lies under the pointer; -2 whether
    // one does.
    int CanInsert(int eventType) override;
};

class CTextCursor : public CInsertCursor {
public:
    // The prototype's parent types (by its text type: a staff or the
    // conductor staff); snap off.
    CTextCursor(CCantrel* view, const std::vector<int>* parentTypes);

    // A text while a parent lies under the pointer; -2 whether one does.
    int CanInsert(int eventType) override;
};
