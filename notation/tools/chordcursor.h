// CChordCursor: the tool that places chord symbols over a staff.
//
// It follows the pointer as the insert tool does (the dotted line at the
// nearest division, the time in the status bar). A click over a measure
// opens the chord picker (chordsymboldlg.h); the chord chosen there goes in
// at the clicked division under that measure, by one add command, and the
// document is modified. Cancel adds nothing. The palette's prototype plays
// no part: the picker makes the chord. A click elsewhere does nothing (no
// rubber band). Snaps to the divisions; the chord cursor.
// UI thread only.
#pragma once

#include "notation/tools/insertcursor.h"

class CChordCursor : public CInsertCursor {
public:
    // The prototype's parent types: measures.
    CChordCursor(CCantrel* view, const std::vector<int>* parentTypes);

    // A chord symbol, with a measure under the pointer.
    int CanInsert(int eventType) override;
    // Over a measure the picker runs, its main window the owner; the chord
    // picked is inserted (released when refused).
    void OnMouseDragBegin(UINT flags, CPoint& point) override;
};
