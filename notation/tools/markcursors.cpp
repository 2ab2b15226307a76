// The clef, flow control and text tools (see markcursors.h).
#include "notation/tools/markcursors.h"

#include "model/conductorstaff.h"
#include "model/eventtypes.h"
#include "model/markings.h"
#include "model/measure.h"
#include "model/performance.h"
#include "model/staff.h"
#include "notation/tools/staffmarks.h"
#include "notation/tools/toolcursors.h"
#include "platform/ui/cursor.h"

#include <mutex>

namespace {

constexpr int kSnapOn = 1;
// CanInsert's question whether a parent is set.
constexpr int kAskParent = -2;

// What the tools placing one type answer to CanInsert: their type, or the
// question about the parent, while a parent lies under the pointer.
int OwnTypeWithParent(int asked, int own, const ECBase* parent) {
    return (asked == own || asked == kAskParent) && parent != nullptr;
}

}  // namespace

// ---- the clef tool --------------------------------------------------------------------------

CClefCursor::CClefCursor(CCantrel* view, const std::vector<int>* parentTypes) : CInsertCursor(view, parentTypes) {
    SetSnap(kSnapOn);
    m_hCursor = LoadResourceCursor(IDC_SIGNATURE_TOOL);
}

int CClefCursor::CanInsert(int eventType) {
    return OwnTypeWithParent(eventType, ET_CLEF, m_pParent);
}

void CClefCursor::AdjustParent() {
    const MCTime* start = m_pParent ? m_pParent->GetTime() : nullptr;
    ECConductorStaff* conductorStaff = GetConductorStaff();
    const MCVoiceTrack* word = m_pParent ? m_pParent->GetVoiceTrack() : nullptr;
    if (!start || *start != m_time || !conductorStaff || !word || !m_pPerformance)
        return;
    std::lock_guard lock(m_pPerformance->GetLock());
    // The number of the measure before the start; 0 on the first measure.
    const int before = conductorStaff->GetMeasureNumberBeforeTime(m_time);
    if (before < 1)
        return;
    if (ECMeasure* previous = conductorStaff->GetMeasure(word->GetTrack(), before))
        m_pParent = previous;
}

int CClefCursor::Insert(ECBase* element, CCAdd* command) {
    auto* clef = dynamic_cast<ECClef*>(element);
    if (!clef || !m_pParent)
        return 0;
    ECBase* clicked = m_pParent;
    AdjustParent();
    ECStaff* staff = StaffOfMeasure(GetConductorStaff(), m_pParent);
    clef->SetHand(HandForVoice(staff, m_nVoice));
    // The clef in force at the time, one standing there included: a clef
    // there is what the new one would replace, so an equal one changes
    // nothing.
    auto* inForce = dynamic_cast<ECClef*>(MarkInForce(m_pPerformance, staff, ET_CLEF, m_time, clef->GetHand()));
    if (inForce && *inForce == *clef)
        return 0;
    // A clef of the hand at the time may stand in either measure: the tool
    // puts one on a measure's start into the measure before, files and the
    // engine into the measure itself.
    RemoveMarksAt(*m_pView, m_pPerformance, {dynamic_cast<ECMeasure*>(m_pParent), dynamic_cast<ECMeasure*>(clicked)},
                  ET_CLEF, m_time, clef->GetHand());
    return CInsertCursor::Insert(clef, command);
}

// ---- the flow control and text tools ----------------------------------------------------------

CFlowCursor::CFlowCursor(CCantrel* view, const std::vector<int>* parentTypes) : CInsertCursor(view, parentTypes) {
    SetSnap(kSnapOn);
}

int CFlowCursor::CanInsert(int eventType) {
    return OwnTypeWithParent(eventType, ET_FLOWCONTROL, m_pParent);
}

CTextCursor::CTextCursor(CCantrel* view, const std::vector<int>* parentTypes) : CInsertCursor(view, parentTypes) {}

int CTextCursor::CanInsert(int eventType) {
    return OwnTypeWithParent(eventType, ET_TEXT, m_pParent);
}
