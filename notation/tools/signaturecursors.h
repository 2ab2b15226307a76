// The key and meter tools: a click puts the palette's key or meter at the
// start of the measure under the pointer, wherever in the measure it is.
// While the pointer rests on a staff's measure that measure shows selected
// (as the highlight tool shows its element: CHighlightBase) and the status
// bar tells the time there: the time under the pointer for the key tool,
// the measure's start for the meter tool.
//
// A key is for the hand of the tool's voice (the lower staff of a grand
// staff for voices 4 and up), on the measure's track, and replaces the key
// of that hand standing at the measure's start. A meter goes on the
// conductor staff with voice 0 and track 0; the add-meter command replaces
// a meter standing there and rebars the measures after it. A key or meter
// equal to the one in force at the measure's start is refused: nothing is
// sent and the document stays unmodified.
//
// Neither tool places a pasted key or meter at an offset (Update with a
// CSelectionOffset answers 0). Insert takes the caller's element as the
// insert tool does: 1, it went into a command; 0, refused, it stays the
// caller's. UI thread only.
#pragma once

#include "notation/tools/highlightcursor.h"

class CKeyCursor : public CHighlightBase {
public:
    // The parent is always the staff's measure under the pointer, whatever
    // the prototype allows (`parentTypes` is not used); the signature cursor.
    CKeyCursor(CCantrel* view, const std::vector<int>* parentTypes);

    // A key, with or without a measure under the pointer.
    int CanInsert(int eventType) override;
    // The key at the start of the parent measure (see above). 0, sending
    // nothing, without a key or a measure, or when the same key is in force
    // there.
    int Insert(ECBase* element, CCAdd* command) override;
};

class CMeterCursor : public CHighlightBase {
public:
    // As the key tool.
    CMeterCursor(CCantrel* view, const std::vector<int>* parentTypes);

    // A meter, with or without a measure under the pointer.
    int CanInsert(int eventType) override;
    // The meter at the tool's time (a measure's start) on the conductor
    // staff, by an add-meter command of its own; a given command (a plain
    // add) refuses meters. 0, sending nothing, without a meter or a
    // measure, or when the same meter is in force there.
    int Insert(ECBase* element, CCAdd* command) override;

protected:
    // The start of the measure under the pointer; kept off every measure.
    void UpdateTime(CDC* dc, CPoint& point) override;
};
