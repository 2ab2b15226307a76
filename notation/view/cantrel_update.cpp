// The notation view's attachment to its performance and its answers to the
// document's states: the editing window around edits and command batches,
// files opened and closed, edit modes, preferences, selections, the play
// position and the transport.
#include "notation/view/cantrel.h"

#include "interface/document/opusdoc.h"
#include "model/appstates.h"
#include "model/conductor.h"
#include "model/editstates.h"
#include "model/eventtypes.h"
#include "model/measure.h"
#include "model/performance.h"
#include "model/states.h"
#include "notation/autonote/timerange.h"
#include "notation/display/base.h"
#include "notation/layout/musicfont.h"
#include "notation/layout/pagelayout.h"
#include "notation/layout/textfonts.h"
#include "notation/tools/playcursor.h"
#include "notation/view/scorewnd.h"
#include "platform/ui/paint.h"

#include <mutex>

namespace {

// The current measure scrolled into view while following playback carries a
// margin of this fraction of its width on either side, and of its height
// above and below.
constexpr int kFollowMarginWidthDivisor = 8;
constexpr int kFollowMarginHeightDivisor = 4;

// The staff whose measures stand for the play position.
constexpr int kFollowedStaff = 1;

// The highlight kinds the view uses for a selection change.
constexpr int kHighlightSelected = 2;
constexpr int kHighlightDeselected = 3;

bool Contains(MCEventList& list, ECBase* element) {
    return list.Find(element) != nullptr;
}

}  // namespace

// ---- attachment ---------------------------------------------------------------------------------

void CCantrel::SetBaseEvent(ECPerformance* performance) {
    if (!performance) {
        RegisterCommandHandler(nullptr);
        m_pBaseEvent = nullptr;
        m_bPaginatedOnce = 0;
        return;
    }
    m_pBaseEvent = performance;
    RegisterCommandHandler(performance);
    if (m_pScoreBar) {
        m_pScoreBar->m_pDocument = DYNAMIC_DOWNCAST(MCOpusDoc, GetDocument());
        m_pScoreBar->UpdateData(FALSE);
    }
    UpdateMusicCursor();
    if (!m_bPaginatedOnce) {
        m_autoNote.ProcessFileLoad();
        m_pagenate.SetNotateInfo(&m_autoNote.GetNotateInfo(), &m_autoNote.GetDirtyRect());
        if (GetSafeHwnd()) {
            CClientDC dc(this);
            OnPrepareDC(&dc);
            m_pagenate.Prepare(&dc);
            m_pagenate.BeginPagenate();
        }
        m_bPaginatedOnce = 1;
    }
    if (GetSafeHwnd())
        Invalidate(FALSE);
}

void CCantrel::LetGoOfAReplacedTree() {
    // A file read into the document gives it a new tree and takes the old
    // one apart on another thread: a view still showing the old one lets it
    // go before reading it (the document's next file state attaches it again).
    auto* document = DYNAMIC_DOWNCAST(MCOpusDoc, GetDocument());
    if (m_pBaseEvent && document && m_pBaseEvent != document->GetBaseEvent())
        SetBaseEvent(nullptr);
}

void CCantrel::RegisterCommandHandler(ECPerformance* performance) {
    // One record per performance: a second attachment to the same one would
    // otherwise show every command to the engine twice.
    if (performance == m_pCommandTarget)
        return;
    if (ECPerformance* previous = m_pCommandTarget) {
        m_pCommandTarget = nullptr;
        previous->RemoveCommandHandler(&CCantrel::_OnCommand, this);
        ECPerformance::ReleaseLocked(previous);
    }
    if (!performance)
        return;
    // Referenced while registered, so that taking the record off again never
    // reaches a performance its document has already let go.
    performance->RefLocked();
    performance->AddCommandHandler(&CCantrel::_OnCommand, this);
    m_pCommandTarget = performance;
}

CCantrel::~CCantrel() {
    DeleteCursors();
    RegisterCommandHandler(nullptr);
}

// ---- states -------------------------------------------------------------------------------------

void CCantrel::OnUpdate(CView* /*sender*/, long hint, CObject* hintObject) {
    auto* document = DYNAMIC_DOWNCAST(MCOpusDoc, GetDocument());
    if (!document)
        return;
    LetGoOfAReplacedTree();
    if (!hintObject) {
        SetBaseEvent(document->GetBaseEvent());
        return;
    }
    CNotateInfo& info = m_autoNote.GetNotateInfo();
    const int recording = info.IsRecording();
    switch (hint) {
    case STATE_COMMANDS_DONE:
        if (GetSafeHwnd())
            SetRedraw(TRUE);
        m_bEditing = 0;
        m_autoNote.Finish(nullptr);
        // The tool forgets what it found under the pointer before the
        // repaint draws it: the commands may have taken that out.
        if (!recording)
            HideCursor(1);
        Repaginate();
        if (!recording)
            ShowCursor();
        RefreshBarIfNeeded();
        break;
    case STATE_EVENTS_EDITED:
        m_autoNote.PrepareForEdit(dynamic_cast<SCEventEdit*>(hintObject));
        if (!recording)
            HideCursor(0);
        if (GetSafeHwnd())
            SetRedraw(FALSE);
        m_bEditing = 1;
        break;
    case STATE_EDIT_DONE:
        if (GetSafeHwnd())
            SetRedraw(TRUE);
        m_bEditing = 0;
        m_autoNote.Process(nullptr);
        // As after commands: renotation may have replaced the element the
        // tool found under the pointer.
        if (!recording)
            HideCursor(1);
        Repaginate();
        if (!recording)
            ShowCursor();
        if (GetSafeHwnd())
            Invalidate(FALSE);
        RefreshBarIfNeeded();
        break;
    case STATE_FILE_NEW:
    case STATE_FILE_OPENED:
        SetBaseEvent(document->GetBaseEvent());
        break;
    case STATE_FILE_CLOSED:
        SetBaseEvent(nullptr);
        break;
    case STATE_MODE_SELECT:
    case STATE_MODE_INSERT:
    case STATE_MODE_ERASE:
        HideCursor(1);
        UpdateMusicCursor();
        ShowCursor();
        break;
    case STATE_PREFS_CHANGED:
        OnPreferencesChanged();
        break;
    case STATE_SELECTION_CLEAR:
    case STATE_SELECTION_REPLACE:
    case STATE_SELECTION_ADD:
    case STATE_SELECTION_REMOVE:
        OnSelectionChanged();
        break;
    case STATE_TIME_POSITION:
        if (auto* position = dynamic_cast<SCTime*>(hintObject))
            OnTimePosition(position->GetTime());
        break;
    case STATE_PERFORM_STOP:
        OnPerformStop();
        break;
    case STATE_PERFORM_PLAY:
        if (!m_pPlayCursor)
            m_pPlayCursor = new CPlayCursor(this);
        break;
    case STATE_PERFORM_STEP:
        info.SetStepRecording(1);
        break;
    case STATE_PERFORM_RECORD:
        info.SetRealTimeRecording(1);
        break;
    default:
        break;
    }
}

void CCantrel::Repaginate() {
    m_pagenate.SetNotateInfo(&m_autoNote.GetNotateInfo(), &m_autoNote.GetDirtyRect());
    // Pagination measures on the screen: without a window there is none,
    // and what the engine marked waits for the next pagination.
    if (!GetSafeHwnd())
        return;
    CClientDC dc(this);
    OnPrepareDC(&dc);
    m_pagenate.Prepare(&dc);
    m_pagenate.BeginPagenate();
    SetNeedsDraw(TRUE);
}

void CCantrel::RefreshBarIfNeeded() {
    if (!m_pScoreBar || !m_pScoreBar->NeedsUpdate())
        return;
    m_pScoreBar->UpdateData(FALSE);
    m_pScoreBar->SetNeedsUpdate(0);
}

void CCantrel::OnPreferencesChanged() {
    m_autoNote.UpdatePreferences();
    if (GetSafeHwnd()) {
        // Fonts may have changed face or size: every glyph is measured again.
        CClientDC dc(this);
        OnPrepareDC(&dc);
        MCMusicFont& music = MCMusicFont::GetMusicFont();
        music.SetExtentDirty(1, FONT_ALL);
        music.SelectFont(&dc, FONT_NORMAL);
        music.DeselectFont(&dc);
        for (MCFont* text : std::initializer_list<MCFont*>{&MCTextFont::GetTextFont(),
                                                          &MCExpressionFont::GetExpressionFont(),
                                                          &MCLyricFont::GetLyricFont()}) {
            text->SelectFont(&dc);
            text->DeselectFont(&dc);
        }
    }
    if (m_pBaseEvent) {
        std::lock_guard lock(m_pBaseEvent->GetLock());
        ACSetDirty dirty(4);
        for (const uint8_t kind : {DCctBase::DIRTY_FRAME, DCctBase::DIRTY_POSITION, DCctBase::DIRTY_ASSEMBLE,
                                   DCctBase::DIRTY_COLLISION})
            dirty.AddDirtyKind(kind);
        dirty.Apply(m_pBaseEvent);
    }
    LoadPreferences();
    MCPageLayout::GetPageLayout().LoadPageSize();
    m_pagenate.SetRepagenateAll(1);
    if (!GetSafeHwnd())
        return;
    {
        CClientDC dc(this);
        OnPrepareDC(&dc);
        m_pagenate.Prepare(&dc);
        m_pagenate.BeginPagenate();
    }
    SetNeedsDraw(TRUE);
    Invalidate(FALSE);
}

void CCantrel::OnSelectionChanged() {
    auto* document = DYNAMIC_DOWNCAST(MCOpusDoc, GetDocument());
    if (!document)
        return;
    MCEventList& current = document->GetSelection(0).GetEvents(1);
    MCEventList& previous = document->GetSelection(1).GetEvents(1);
    MCEventList leaving;
    for (POSITION pos = previous.GetHeadPosition(); pos;) {
        ECBase* element = previous.GetNext(pos);
        if (!Contains(current, element))
            leaving.AddTail(element);
    }
    // A frame that stays selected is drawn selected again: its handles
    // stand over what the frame shows, which may have been redrawn.
    MCEventList entering;
    for (POSITION pos = current.GetHeadPosition(); pos;) {
        ECBase* element = current.GetNext(pos);
        if (element->GetClassType() == ET_FRAME || !Contains(previous, element))
            entering.AddTail(element);
    }
    if (!GetSafeHwnd()) {
        HighlightEvents(leaving, nullptr, kHighlightDeselected);
        HighlightEvents(entering, nullptr, kHighlightSelected);
        return;
    }
    {
        CClientDC dc(this);
        OnPrepareDC(&dc);
        HighlightEvents(leaving, &dc, kHighlightDeselected);
        HighlightEvents(entering, &dc, kHighlightSelected);
    }
    UpdateWindow();
}

void CCantrel::OnTimePosition(const MCTime& time) {
    ECConductor* conductor = m_pBaseEvent ? m_pBaseEvent->GetConductor() : nullptr;
    if (m_bFollowScore && conductor && conductor->GetMaxTrackNumber(TRACK_STAFF) >= kFollowedStaff) {
        int number = conductor->GetMeasureNumberBeforeTime(time);
        if (number == 0)
            number = 1;   // before the first measure: the first
        ECMeasure* measure = conductor->GetMeasure(kFollowedStaff, number);
        auto* display = measure ? dynamic_cast<DCctBase*>(measure->GetData(DK_NOTATION, 0)) : nullptr;
        if (display) {
            CRect rect;
            display->GetFrame(&rect, 0);
            rect.NormalizeRect();
            rect.InflateRect(rect.Width() / kFollowMarginWidthDivisor, rect.Height() / kFollowMarginHeightDivisor);
            // An open edit has redrawing off; the scroll must still show.
            const bool redrawOff = m_bEditing && GetSafeHwnd();
            if (redrawOff)
                SetRedraw(TRUE);
            ScrollRectToVisible(rect);
            if (redrawOff)
                SetRedraw(FALSE);
        }
    }
    if (m_pPlayCursor) {
        MCTime at = time;
        m_pPlayCursor->UpdateTime(at);
    }
}

void CCantrel::OnPerformStop() {
    delete m_pPlayCursor;
    m_pPlayCursor = nullptr;
    CNotateInfo& info = m_autoNote.GetNotateInfo();
    if (info.IsStepRecording()) {
        info.SetStepRecording(0);
        info.SetRealTimeRecording(0);
        m_pagenate.SetRepagenateAll(1);
        Repaginate();
        if (GetSafeHwnd())
            UpdateWindow();
    } else if (info.IsRealTimeRecording()) {
        info.SetStepRecording(0);
        info.SetRealTimeRecording(0);
        m_autoNote.PrepareAfterRecord();
        m_autoNote.Process(nullptr);
        m_pagenate.SetRepagenateAfterRecord(1);
        m_pagenate.SetRepagenateAll(1);
        Repaginate();
        if (GetSafeHwnd())
            UpdateWindow();
    }
    info.ResetRecordInfo();
}
