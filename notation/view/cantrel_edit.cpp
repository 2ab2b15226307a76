// The notation view's edit commands: Delete (and the erase tool's removal),
// Select All, and the view's filters applied to what a tool picks.
#include "notation/view/cantrel.h"

#include "interface/document/opusdoc.h"
#include "model/appstates.h"
#include "model/basiccommands.h"
#include "model/conductor.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/meter.h"
#include "model/metercommands.h"
#include "model/performance.h"
#include "model/states.h"
#include "model/textmarks.h"
#include "notation/view/scorewnd.h"
#include "platform/ui/cmdui.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace {

// Texts of this kind stand on every page: deleting never takes them.
constexpr unsigned char kPageText = 3;

// The voice and track a voice/track word names, as the filters read them.
constexpr int kNoVoice = 15;
constexpr int kAnyTrack = 0;
constexpr int kEveryTrack = 2046;
constexpr int kNoTrack = 2047;

bool AtStart(ECBase* element) {
    const MCTime* time = element->GetTime();
    return !time || *time <= MCTime();
}

// What deleting a selection leaves in place: the score's frame, the
// opening clef and key, texts on every page.
bool StaysWhenDeleted(ECBase* element) {
    switch (element->GetClassType()) {
    case ET_CONDUCTORMEASURE:
    case ET_CONDUCTORSTAFF:
    case ET_MEASURE:
    case ET_PERFORMANCE:
    case ET_STAFF:
        return true;
    case ET_CLEF:
    case ET_KEY:
        return AtStart(element);
    case ET_TEXT:
        return static_cast<ECText*>(element)->GetTextType() == kPageText;
    default:
        return false;
    }
}

}  // namespace

void CCantrel::DoCut(DWORD /*flags*/, MCEventList* list) {
    auto* document = DYNAMIC_DOWNCAST(MCOpusDoc, GetDocument());
    if (!m_pBaseEvent)
        return;
    // A copy: clearing the selection below would empty the selection's own list.
    MCEventList elements;
    if (list) {
        elements.AddTail(list);
        elements.ReplaceMirrors(0);
    } else if (document) {
        elements.AddTail(&document->GetSelection(0).GetEvents(1));
    }
    if (elements.IsEmpty())
        return;
    CCRemove* remove = nullptr;
    std::vector<ECMeter*> meters;
    for (POSITION pos = elements.GetHeadPosition(); pos;) {
        ECBase* element = elements.GetNext(pos);
        if (StaysWhenDeleted(element))
            continue;
        if (element->GetClassType() == ET_METER) {
            // The meter at the start sets the whole score's bars: it stays.
            if (!AtStart(element))
                meters.push_back(static_cast<ECMeter*>(element));
            continue;
        }
        if (!remove)
            remove = new CCRemove;
        remove->Remove(element);
    }
    (new SCSelection(STATE_SELECTION_CLEAR))->Apply(m_pBaseEvent);
    if (GetSafeHwnd())
        SetFocus();
    if (remove)
        remove->Apply(m_pBaseEvent);
    // The latest first: removing a meter re-bars what follows it, and the
    // later meters keep their places while the earlier ones wait.
    std::stable_sort(meters.begin(), meters.end(),
                     [](ECMeter* a, ECMeter* b) { return *a->GetTime() < *b->GetTime(); });
    for (auto meter = meters.rbegin(); meter != meters.rend(); ++meter)
        (new CCRemoveMeter(*meter))->Apply(m_pBaseEvent);
    // A deletion is an edit like any other: closing must offer to save it.
    if (document && (remove || !meters.empty()))
        document->SetModifiedFlag(TRUE);
}

void CCantrel::OnEditDelete() {
    DoCut(0, nullptr);
}

void CCantrel::OnUpdateEditDelete(CCmdUI* pCmdUI) {
    auto* document = DYNAMIC_DOWNCAST(MCOpusDoc, GetDocument());
    pCmdUI->Enable(document && !document->GetSelection(0).IsEmpty());
}

void CCantrel::OnEditSelectAll() {
    ECConductor* conductor = m_pBaseEvent ? m_pBaseEvent->GetConductor() : nullptr;
    if (!conductor)
        return;
    MCEventList notes;
    {
        std::lock_guard lock(m_pBaseEvent->GetLock());
        ACFindEvents find;
        find.AddEvtType(ET_NOTE);
        find.Apply(conductor);
        notes.AddTail(&find.GetEvents());
    }
    FilterSelection(notes);
    (new SCSelection(STATE_SELECTION_REPLACE, &notes))->Apply(m_pBaseEvent);
    if (GetSafeHwnd())
        SetFocus();
}

void CCantrel::OnUpdateEditSelectAll(CCmdUI* pCmdUI) {
    pCmdUI->Enable(GetDocument() != nullptr);
}

void CCantrel::FilterSelection(MCEventList& list) {
    const int track = m_pScoreBar ? m_pScoreBar->m_nTrackLayout : 0;
    if (m_nVoice == VOICE_ALL && track == kAnyTrack)
        return;
    for (POSITION pos = list.GetHeadPosition(); pos;) {
        const POSITION at = pos;
        ECBase* element = list.GetNext(pos);
        const MCVoiceTrack* word = element ? element->GetVoiceTrack() : nullptr;
        if (!word)
            continue;
        const int voice = word->IsConverted() ? kNoVoice : word->GetVoice();
        const int ownTrack = word->IsConverted() ? kNoTrack : word->GetTrack();
        const bool voiceShown = m_nVoice == VOICE_ALL || voice == VOICE_ALL || voice == kNoVoice || voice == m_nVoice;
        const bool trackShown = track == kAnyTrack || ownTrack == kAnyTrack || ownTrack == kEveryTrack ||
                                ownTrack == kNoTrack || ownTrack == track;
        if (!voiceShown || !trackShown)
            list.RemoveAt(at);
    }
}
