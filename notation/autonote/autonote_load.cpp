// The engine's whole-piece runs: notating a performance when the view
// attaches it, and preparing a renotation after a recording.
#include "notation/autonote/autonote.h"

#include "model/conductor.h"
#include "model/performance.h"
#include "model/states.h"
#include "notation/autonote/displaydata.h"
#include "notation/autonote/timerange.h"
#include "notation/display/base.h"
#include "notation/view/cantrel.h"
#include "platform/core/resources.h"

#include <mutex>

namespace {

// Only the measures themselves: their contents keep what they had.
constexpr unsigned char kMeasuresOnly = 0;
// The measures and what they hold directly.
constexpr unsigned char kMeasuresAndContents = 1;

void SetWholePiece(CNotateInfo& info) {
    info.SetNotateRange(NOTATE_ALL);
    info.SetTimeStart(MCTime::TimeZero());
    info.SetMeasureStart(MCTime::TimeZero());
    info.SetTimeEnd(MCTime::TimeMax());
    info.SetMeasureEnd(MCTime::TimeMax());
    info.SetPagenateRange(PAGENATE_ALL);
}

// The action to the measures of one staff, over the whole piece.
void MarkStaffMeasures(ECConductor* conductor, int track, ACSetDirty& action) {
    MCEventList measures;
    conductor->GetMeasures(track, MCTime::TimeZero(), MCTime::TimeMax(), measures);
    action.Reset();
    action.Apply(measures, 1);
}

}  // namespace

int CAutoNote::ProcessFileLoad() {
    PrepareForLoad();
    ECConductor* conductor = GetConductor();
    ECPerformance* performance = GetBaseEvent();
    const bool report = !m_notateInfo.IsRecording();
    if (report)
        SendProgress(STATE_PROGRESS_BEGIN, LoadString(IDS_NOTATING_FILE), 0,
                     conductor ? conductor->GetMaxMeasureNumber() : 0);
    SetResolution(m_resolution);
    SetLookForTuplet(m_lookForTuplet);
    AttachBaseEvent();
    if (conductor && performance) {
        // Every element the notation shows gets its display object. The
        // walk runs outside any command batch, so it takes the lock the
        // player's thread reads the tree under.
        std::lock_guard<CCriticalSection> lock(performance->GetLock());
        ACUpdateDisplayData displayData;
        displayData.SetConductor(conductor);
        displayData.SetResolution(m_resolution);
        displayData.Apply(performance);
    }
    // Each staff's clef and key are guessed here (tracks 1 to the last),
    // once the guessing passes exist; until then a file keeps its clefs.
    NotateNextChunk();
    // The voice pass's single-voice setting is switched off here once it exists.
    if (report)
        SendProgress(STATE_PROGRESS_END, "", 0, 0);
    return 0;
}

void CAutoNote::PrepareForLoad() {
    SetWholePiece(m_notateInfo);
    // The voice pass takes input 0 and split 60 here once it exists.
    ECConductor* conductor = GetConductor();
    if (!conductor || !m_pView || !m_pView->IsDocumentModified())
        return;
    // A piece changed since it was read may hold notation made stale by the
    // changes: each measure is told so, and its passes look again.
    ACSetDirty action(6);
    action.SetDepth(kMeasuresOnly);
    for (uint8_t kind : {DCctBase::DIRTY_TIME, DCctBase::DIRTY_MULTIVOICE, DCctBase::DIRTY_VALUE,
                         DCctBase::DIRTY_SPELLING, DCctBase::DIRTY_STEM, DCctBase::DIRTY_BEAM})
        action.AddDirtyKind(kind);
    const int staves = conductor->GetMaxTrackNumber(TRACK_STAFF);
    for (int track = 1; track <= staves; ++track)
        MarkStaffMeasures(conductor, track, action);
}

void CAutoNote::PrepareAfterRecord() {
    SetWholePiece(m_notateInfo);
    ECConductor* conductor = GetConductor();
    if (!conductor)
        return;
    ACSetDirty action(7);
    action.SetDepth(kMeasuresAndContents);
    for (uint8_t kind : {DCctBase::DIRTY_TIME, DCctBase::DIRTY_MULTIVOICE, DCctBase::DIRTY_VALUE,
                         DCctBase::DIRTY_SPELLING, DCctBase::DIRTY_STEM, DCctBase::DIRTY_BEAM,
                         DCctBase::DIRTY_CHORD})
        action.AddDirtyKind(kind);
    for (const CNotateInfo::StaffInfo& entry : m_notateInfo.GetRecordTracks())
        if (entry.track != -1)
            MarkStaffMeasures(conductor, entry.track, action);
}
