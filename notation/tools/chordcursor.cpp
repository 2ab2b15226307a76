// CChordCursor (see chordcursor.h).
#include "notation/tools/chordcursor.h"

#include "model/eventtypes.h"
#include "model/markings.h"
#include "notation/tools/chordsymboldlg.h"
#include "notation/tools/toolcursors.h"
#include "platform/ui/cursor.h"

namespace {

// Chord symbols stand on the measure's divisions.
constexpr int kSnapOn = 1;

}  // namespace

CChordCursor::CChordCursor(CCantrel* view, const std::vector<int>* parentTypes) : CInsertCursor(view, parentTypes) {
    SetSnap(kSnapOn);
    m_hCursor = LoadResourceCursor(IDC_CHORD_TOOL);
}

int CChordCursor::CanInsert(int eventType) {
    return eventType == ET_CHORDSYMBOL && m_pParent ? 1 : 0;
}

void CChordCursor::OnMouseDragBegin(UINT /*flags*/, CPoint& /*point*/) {
    if (!m_pParent)
        return;
    CChordSymbolDlg picker(nullptr);
    InsertPrototype(picker.PickChordSymbol());
}
