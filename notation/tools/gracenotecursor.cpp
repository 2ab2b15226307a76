// The grace-note tool (see gracenotecursor.h).
#include "notation/tools/gracenotecursor.h"

#include "model/appstates.h"
#include "model/editactions.h"
#include "model/eventtypes.h"
#include "model/lists.h"
#include "model/measure.h"
#include "model/notes.h"
#include "model/performance.h"
#include "notation/display/base.h"
#include "notation/display/notate.h"
#include "notation/layout/pitch.h"
#include "notation/layout/pitchutils.h"
#include "notation/view/cantrel.h"
#include "platform/ui/paint.h"

#include <mutex>

namespace {

constexpr int kTicksPerQuarter = 256;
// Farther than any two notes of a chord lie in staff steps.
constexpr int kNoDistance = 128;

int VoiceOf(ECBase* element) {
    const MCVoiceTrack* word = element->GetVoiceTrack();
    return word ? word->GetVoice() : 15;
}

bool IsNoteOrChord(ECBase* element) {
    const int type = element->GetClassType();
    return type == ET_NOTE || type == ET_CHORD;
}

// The first note or chord of `children` at or after `time`, of `voice`
// unless `anyVoice`; a tuplet of the voice is searched the same way among
// its own notes.
ECBase* FirstAtOrAfter(MCEventList* children, const MCTime& time, int voice, bool anyVoice) {
    for (POSITION pos = children ? children->GetHeadPosition() : nullptr; pos;) {
        ECBase* child = children->GetNext(pos);
        if (!anyVoice && VoiceOf(child) != voice)
            continue;
        if (child->GetClassType() == ET_TUPLET) {
            if (ECBase* found = FirstAtOrAfter(child->GetChildren(), time, voice, true))
                return found;
            continue;
        }
        const MCTime* at = child->GetTime();
        if (IsNoteOrChord(child) && at && *at >= time)
            return child;
    }
    return nullptr;
}

MCTime Ticks(int ticks) {
    MCTime time;
    time.SetTicks(ticks, kTicksPerQuarter);
    return time;
}

}  // namespace

CGraceNoteCursor::CGraceNoteCursor(CCantrel* view, const std::vector<int>* parentTypes)
    : CNoteCursor(view, parentTypes) {
    m_bSnap = 0;
    m_hCursor = LoadStandardCursor(IDC_CROSS);
}

int CGraceNoteCursor::CanInsert(int eventType) {
    if (eventType == -2)
        return m_pParent != nullptr;
    return eventType == ET_GRACENOTE && m_pParent != nullptr;
}

void CGraceNoteCursor::Hide() {
    CNoteCursor::Hide();
    m_highlight.LetGoOnView(*m_pView);
}

void CGraceNoteCursor::Reset() {
    CNoteCursor::Reset();
    m_highlight.Reset();
}

void CGraceNoteCursor::Draw(CDC* dc) {
    if (m_highlight.drawing)
        return;
    if (m_pParent != m_highlight.element && !m_pParent) {
        // Nothing under the pointer: no note shown, no ledger lines.
        Hide();
        Reset();
        Show();
        m_bChanged = 0;
        if (dc)
            EraseLedgerLines(dc);
    }
    m_highlight.Switch(*m_pView, m_pParent, dc);
    if (m_pParent && dc)
        DrawLedgerLines(dc);
}

int CGraceNoteCursor::Update(CPoint& point, CSelectionOffset& offset) {
    CNoteCursor::Update(point, offset);
    CPoint at = ToView(point);
    m_pParent = FindParent(at);
    return m_pParent != nullptr;
}

void CGraceNoteCursor::Update(CPoint& point, int show) {
    CMusicCursor::Update(point, show);
    CClientDC dc(m_pView);
    m_pView->OnPrepareDC(&dc);
    CPoint at = point;
    m_pView->DPtoVP(&dc, &at);
    UpdateTime(&dc, at);
    UpdateParents(&dc, at);
    UpdatePosition(&dc, at);
    if (show && m_bChanged)
        Draw(&dc);
    m_bChanged = 0;
    SoundAndReport();
}

void CGraceNoteCursor::UpdateParents(CDC* dc, CPoint& point) {
    if (m_eventTypes.empty() || m_eventTypes.front() != ET_NOTE) {
        CNoteCursor::UpdateParents(dc, point);
        return;
    }
    ECBase* found = FindParent(point);
    if (found != m_pParent) {
        m_pParent = found;
        m_bChanged = 1;
    }
}

ECBase* CGraceNoteCursor::FindParent(CPoint& point) {
    if (m_time == MCTime::TimeNull() || !m_pPerformance)
        return nullptr;
    ECMeasure* measure = GetMeasure(point);
    if (!measure)
        return nullptr;
    std::lock_guard lock(m_pPerformance->GetLock());
    ECBase* found = FirstAtOrAfter(measure->GetChildren(), m_time, m_nVoice, false);
    if (!found || found->GetClassType() == ET_NOTE)
        return found;
    // In a chord, the note nearest the pointer's pitch in staff steps (the
    // first of equals).
    MCPitch pointer;
    pointer.SetPitch(static_cast<uint8_t>(m_nPitch), 0, 1);
    const MCPitchUtils utils;
    ECBase* nearest = nullptr;
    int best = kNoDistance;
    MCEventList* notes = found->GetChildren();
    for (POSITION pos = notes ? notes->GetHeadPosition() : nullptr; pos;) {
        ECBase* note = notes->GetNext(pos);
        auto* display = note->GetClassType() == ET_NOTE
                            ? dynamic_cast<DCctNotate*>(note->GetData(DK_NOTATION, 0))
                            : nullptr;
        if (!display)
            continue;
        pointer.SetPercussion(display->GetSpelling().IsPercussion());
        const int distance = utils.UnorderedDiatonic(pointer, display->GetSpelling());
        if (distance < best) {
            best = distance;
            nearest = note;
        }
    }
    return nearest;
}

void CGraceNoteCursor::SetGraceNoteTime() {
    const MCTime* parentTime = m_pParent ? m_pParent->GetTime() : nullptr;
    if (!parentTime || !m_pPerformance)
        return;
    const MCTime unit = Ticks(kGraceTicks);
    std::lock_guard lock(m_pPerformance->GetLock());
    // The grace notes and grace chords standing before the note, in order.
    std::vector<ECBase*> graces;
    MCEventList* children = m_pParent->GetChildren();
    for (POSITION pos = children ? children->GetHeadPosition() : nullptr; pos;) {
        ECBase* child = children->GetNext(pos);
        if (child->GetClassType() == ET_GRACENOTE || child->GetClassType() == ET_CHORD)
            graces.push_back(child);
    }
    m_time = *parentTime - unit;
    if (graces.empty())
        return;
    // Placed right of a grace note already there, the new one takes its
    // place: that one and every one before it move back.
    size_t moved = graces.size();
    for (size_t i = 0; i < graces.size(); ++i) {
        auto* display = dynamic_cast<DCctBase*>(graces[i]->GetData(DK_NOTATION, 0));
        if (graces[i]->GetClassType() == ET_GRACENOTE && display &&
            display->GetVirtualPosition().x > m_position.x) {
            m_time = *graces[i]->GetTime() - unit;
            moved = i;
            break;
        }
    }
    // Before the place found (or all, none found) move back two units.
    ACDeltaTime back(-(2.0f * unit));
    for (size_t i = 0; i < moved; ++i)
        back.Apply(graces[i]);
    children->Sort();
}

int CGraceNoteCursor::Insert(ECBase* element, CCAdd* command) {
    SetGraceNoteTime();
    return CNoteCursor::Insert(element, command);
}

void CGraceNoteCursor::OnMouseDragEnd(UINT /*flags*/, CPoint& /*point*/) {
    if (m_pParent) {
        if (ECBase* prototype = SCMode::GetEvent()) {
            const MCTime written = Ticks(kGraceTicks);
            const MCTime performed = CCantrel::DurFunc(&written, nullptr);
            prototype->SetDuration(&performed);
            InsertPrototype(prototype);
        }
    }
    SetPlayNotes(0);
    Hide();
    Reset();
    Show();
}
