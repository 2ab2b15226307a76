// The tie and slur tools (see tiecursor.h).
#include "notation/tools/tiecursor.h"

#include "interface/document/opusdoc.h"
#include "model/appstates.h"
#include "model/basiccommands.h"
#include "model/conductor.h"
#include "model/eventtypes.h"
#include "model/lists.h"
#include "model/midifields.h"
#include "model/notes.h"
#include "model/performance.h"
#include "model/states.h"
#include "notation/display/note.h"
#include "notation/tools/selectcursor.h"
#include "notation/tools/tie.h"
#include "notation/view/cantrel.h"
#include "platform/ui/paint.h"

#include <cstdlib>
#include <memory>
#include <mutex>
#include <optional>

namespace {

// Display objects count ticks at this many a quarter.
constexpr int kTicksPerQuarter = 256;
// Ticks as the note's own measure reads them, outside any tuplet's division.
constexpr int kPlainTicks = 0;

// A join needs two members at least.
constexpr int kFewestMembers = 2;

// Where a note starts, in ticks from the start of the piece.
int StartInPiece(ECBase* note, DCctNote& display) {
    ECBase* measure = note->GetAncestor(ET_MEASURE, -1);
    const MCTime* time = measure ? measure->GetTime() : nullptr;
    return (time ? time->GetTicks(kTicksPerQuarter) : 0) + display.GetTickStart(kPlainTicks);
}

// The note that a tie may follow on from: its spelling is the chain's.
struct PreviousNote {
    ECBase* note = nullptr;
    DCctNote* display = nullptr;
};

}  // namespace

// ---- what both tools share ----------------------------------------------------------------

CJoinCursor::CJoinCursor(CCantrel* view, const std::vector<int>* /*parentTypes*/) : CMusicCursor(view, nullptr) {
    m_eventTypes = {ET_NOTE};
    m_bSnap = 1;
    m_bVisible = 0;
    m_hCursor = LoadStandardCursor(IDC_CROSS);
}

void CJoinCursor::Hide() {
    m_shown.LetGoOnView(*m_pView);
}

void CJoinCursor::Reset() {
    CMusicCursor::Reset();
    m_shown.Reset();
}

void CJoinCursor::Draw(CDC* dc) {
    m_shown.Switch(*m_pView, m_pParent, dc);
}

void CJoinCursor::Update(CPoint& point, int show) {
    CMusicCursor::Update(point, show);
    CClientDC dc(m_pView);
    m_pView->OnPrepareDC(&dc);
    CPoint at = point;
    m_pView->DPtoVP(&dc, &at);
    UpdateTime(&dc, at);
    UpdateParents(&dc, at);
    if (show)
        Draw(&dc);
    std::string text = FormatTime(m_time);
    NotifyStatus(text);
}

void CJoinCursor::Pick(const MCEventList& picked) {
    ApplySelection(m_pPerformance, STATE_SELECTION_REPLACE, &picked, 1);
}

void CJoinCursor::OnMouseDragBegin(UINT flags, CPoint& point) {
    MCEventList hits;
    FindClicked(*m_pView, m_eventTypes, ToView(point), hits);
    Pick(hits);
    m_pView->MCScrollView::OnMouseDragBegin(flags, point);
}

void CJoinCursor::OnMouseDragContinue(UINT flags, CPoint& point) {
    m_pView->MCScrollView::OnMouseDragContinue(flags, point);
    MCEventList visible;
    m_pView->GetVisibleEvents(visible, nullptr);
    MCEventList inside;
    FindInBand(*m_pView, m_eventTypes, inside, &visible);
    Pick(inside);
}

void CJoinCursor::OnMouseDragEnd(UINT flags, CPoint& point) {
    m_pView->MCScrollView::OnMouseDragEnd(flags, point);
    MCOpusDoc* document = GetOpusDocument();
    if (!document || document->GetSelection(0).GetEvents(0).GetCount() < kFewestMembers)
        return;
    // The palette hands out a new mark at each call, ours to release.
    ECBase* mark = SCMode::GetEvent();
    if (!mark)
        return;
    mark->Ref();
    Insert(mark, nullptr);
    mark->Unref(1);
    ApplySelection(m_pPerformance, STATE_SELECTION_CLEAR, nullptr, 0);
}

int CJoinCursor::Insert(ECBase* mark, CCAdd* command) {
    MCOpusDoc* document = GetOpusDocument();
    if (!mark || !document || !m_pPerformance)
        return 0;
    MCEventList members;
    members.AddTail(&document->GetSelection(0).GetEvents(0));
    if (members.GetCount() < kFewestMembers || !ChooseMembers(members))
        return 0;
    ECBase* first = members.GetHead();
    ECBase* staff = first->GetAncestor(ET_STAFF, -1);
    const MCTime* time = first->GetTime();
    const MCVoiceTrack* word = first->GetVoiceTrack();
    if (!staff || !time || !word || !mark->GetTime() || !mark->GetVoiceTrack())
        return 0;
    mark->SetTime(time);
    *mark->GetVoiceTrack() = *word;
    {
        // The engine reads the members while it renotates: they are joined
        // before the mark enters the piece.
        std::lock_guard lock(m_pPerformance->GetLock());
        for (POSITION pos = members.GetHeadPosition(); pos;)
            mark->AddChild(members.GetNext(pos), SORTED);
    }
    if (AddUnder(mark, staff, FCMidi::MidiNull(), command))
        return 1;
    // Refused: the mark goes back to the caller joined to nothing, so that
    // no note keeps a mark outside the piece.
    std::lock_guard lock(m_pPerformance->GetLock());
    mark->Ref();   // an emptied mark would let itself go
    mark->RemoveChildren(0);
    mark->Unref(0);
    return 0;
}

// ---- the slur tool ------------------------------------------------------------------------

int CSlurCursor::ChooseMembers(MCEventList& members) {
    return members.GetCount() >= kFewestMembers;
}

// ---- the tie tool -------------------------------------------------------------------------

int CTieCursor::ChooseMembers(MCEventList& members) {
    return FilterSelection(members);
}

int CTieCursor::FilterSelection(MCEventList& list) {
    CTie ties;
    std::optional<MCPitch> reference;
    PreviousNote previous;
    for (POSITION pos = list.GetHeadPosition(); pos;) {
        const POSITION at = pos;
        ECBase* element = list.GetNext(pos);
        auto* note = dynamic_cast<ECNote*>(element);
        auto* display = note ? dynamic_cast<DCctNote*>(note->GetData(DK_NOTATION, 0)) : nullptr;
        if (!display)
            continue;
        // A note starts one tie at most.
        if (ties.GetNext(note, TIE_FORWARD)) {
            list.RemoveAt(at);
            continue;
        }
        if (!reference) {
            reference = display->GetSpelling();
        } else if (display->GetSpelling() != *reference || TrackOf(note) != TrackOf(previous.note)) {
            list.RemoveAt(at);
            continue;
        } else {
            // Tied notes follow one another: this one starts where the one
            // before it ends.
            const int gap = previous.note->GetAncestor(ET_MEASURE, -1) == note->GetAncestor(ET_MEASURE, -1)
                                ? display->GetTickStart(kPlainTicks) - previous.display->GetTickStart(kPlainTicks)
                                : StartInPiece(note, *display) - StartInPiece(previous.note, *previous.display);
            if (std::abs(gap - previous.display->GetTickDuration(kPlainTicks)) >= kGapTolerance) {
                list.RemoveAt(at);
                if (gap < 0 && display->GetTickStart(kPlainTicks) != 0)
                    continue;
            }
        }
        previous = {note, display};
    }
    while (list.GetCount() > kFewestMembers)
        list.RemoveTail();
    return list.GetCount() == kFewestMembers;
}
