// The engine's preparation of an edit made in place: the loop over the
// edit's items and the steps for an element's own data (its properties, what
// is played, how it is drawn, an accidental respelled), with the helpers the
// steps share.
#include "notation/autonote/autonote.h"

#include "model/command.h"
#include "model/conductor.h"
#include "model/editstates.h"
#include "model/eventtypes.h"
#include "model/staff.h"
#include "notation/autonote/buildrulers.h"
#include "notation/display/base.h"

int CAutoNote::PrepareForEdit(SCEventEdit* edit) {
    if (!edit)
        return 0;
    MCPtrList& items = edit->GetEditList();
    for (POSITION pos = items.GetHeadPosition(); pos;) {
        auto* item = static_cast<SCEventEditItem*>(items.GetNext(pos));
        ECBase* element = item ? item->GetEvent() : nullptr;
        if (!element)
            continue;
        // Whatever changed, the element's division marks were entered for its
        // old state: they leave the rulers now and the renotation enters
        // them again.
        ACBuildRulers rulers;
        rulers.SetRemove(1);
        rulers.SetConductor(GetConductor());
        rulers.Apply(element);
        switch (item->GetEditCode()) {
        case EDITITEM_EVENT:
            PrepareEditEvent(edit, item, element);
            break;
        case EDITITEM_SEQUENCER_DATA:
            PrepareEditSQ(edit, item, element);
            break;
        case EDITITEM_NOTATION_DATA:
            PrepareEditSV(edit, item, element);
            break;
        case EDITITEM_TIME:
            PrepareEditTime(edit, item, element);
            break;
        case EDITITEM_ENHARMONIC:
            PrepareEditEnharmonic(edit, item, element);
            break;
        case EDITITEM_VOICETRACK:
            PrepareEditVoiceTrack(edit, item, element);
            break;
        // FIXME: kinds 105-110 (staff name, type, order and transpose, tie
        // consolidation, beam break) are wired here as their steps land.
        default:   // nothing else needs preparing
            break;
        }
    }
    return 0;
}

void CAutoNote::DiscardsToDeleteList(CCBase& scratch, SCEventBase* event) {
    if (!event)
        return;
    MCEventList* gathered = scratch.GetDiscardList();
    for (POSITION pos = gathered->GetHeadPosition(); pos;)
        event->AddToDeleteList(gathered->GetNext(pos));
}

void CAutoNote::MarkFrame(ECBase* element) {
    DCctBase* display = NotationDisplayOf(element);
    if (!display)
        return;
    display->SetPositionDirty(1);
    display->SetFrameDirty(1);
    AddRectsToDirtyList(element, 1);
    m_dirtyRect.AddEvent(element);
}

void CAutoNote::AddStaffWindow(ECBase* staff, const MCTime& start, const MCTime& end) {
    ECConductor* conductor = GetConductor();
    if (!conductor || !staff || staff->GetClassType() != ET_STAFF)
        return;
    const int track = conductor->GetTrackNumber(TRACK_STAFF, static_cast<ECStaff*>(staff));
    if (track > 0)
        m_notateInfo.AddTrack(track, start, end, start, end);
}

void CAutoNote::PrepareEditEvent(SCEventEdit*, SCEventEditItem*, ECBase*) {
    // FIXME: the steps by element type come in the next commits.
}

void CAutoNote::PrepareEditSQ(SCEventEdit*, SCEventEditItem*, ECBase*) {
    // FIXME: the steps by element type come in the next commits.
}

void CAutoNote::PrepareEditSV(SCEventEdit*, SCEventEditItem*, ECBase*) {
    // FIXME: the steps by element type come in the next commits.
}

void CAutoNote::PrepareEditEnharmonic(SCEventEdit*, SCEventEditItem*, ECBase*) {
    // FIXME: the steps by element type come in the next commits.
}

void CAutoNote::CleanUpBetween(const MCTime&, const MCTime&) {}

void CAutoNote::CleanUpMeasureBetween(ECStaff*, ECMeasure*, const MCTime&, const MCTime&) {}

void CAutoNote::MoveLyrics(ECBase*) {}
