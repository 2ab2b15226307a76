// The select and erase tools (see selectcursor.h).
#include "notation/tools/selectcursor.h"

#include "interface/document/opusdoc.h"
#include "model/appstates.h"
#include "model/conductorstaff.h"
#include "model/eventtypes.h"
#include "model/lists.h"
#include "model/measure.h"
#include "model/performance.h"
#include "model/states.h"
#include "notation/display/conductormeasure.h"
#include "notation/tools/toolcursors.h"
#include "notation/tools/toolselection.h"
#include "notation/view/cantrel.h"
#include "notation/view/findactions.h"
#include "platform/gdi/gdiobj.h"
#include "platform/ui/caret.h"
#include "platform/ui/messages.h"
#include "platform/ui/paint.h"

#include <algorithm>
#include <mutex>

namespace {

// A click hits with a box this small, and takes one element (with its tie chain).
constexpr int kClickHitSize = 2;

// The caret follows the conductor measure's own divisions, not a borrowed pulse.
constexpr WORD kDisplayPulse = DCctConductorMeasure::NO_BORROWED_PULSE;

// What a select band gathers; an erase band takes notes only.
const std::vector<int> kSelectBandTypes = {ET_NOTE, ET_TUPLET, ET_ACCENT, ET_TRILL, ET_ORNAMENT, ET_MORDENT};
const std::vector<int> kEraseBandTypes = {ET_NOTE};

int IsControl(UINT flags) {
    return (flags & MK_CONTROL) != 0;
}

}  // namespace

// ---- the caret ------------------------------------------------------------------------------

void CToolCaret::Reset() {
    top = bottom = drawnTop = drawnBottom = CPoint(0, 0);
}

void CToolCaret::Position(ECConductorMeasure* measure, const CPoint& point, int snap) {
    auto* display = measure ? dynamic_cast<DCctConductorMeasure*>(measure->GetData(DK_NOTATION, 0)) : nullptr;
    if (display)
        display->CalcCursorPosition(point, &top, &bottom, snap, kDisplayPulse);
}

void CToolCaret::Invert(CCantrel& view, CDC* dc) const {
    CPoint ends[2] = {drawnTop, drawnBottom};
    view.VPtoDP(dc, ends, 2);
    const int saved = dc->SaveDC();
    // In client pixels: the bar is one device pixel wide at every zoom.
    dc->SetMapMode(MM_TEXT);
    dc->SetWindowOrg(0, 0);
    dc->SetViewportOrg(0, 0);
    CRgn clip;
    clip.CreateRectRgnIndirect(&view.GetViewArea());
    dc->SelectClipRgn(&clip, RGN_COPY);
    dc->SelectObject(CDC::GetHalftoneBrush());
    const int y = std::min(ends[0].y, ends[1].y);
    dc->PatBlt(ends[0].x, y, 1, std::abs(ends[1].y - ends[0].y), PATINVERT);
    dc->RestoreDC(saved);
}

void CToolCaret::Erase(CCantrel& view) const {
    CPoint ends[2] = {drawnTop, drawnBottom};
    view.VPtoLP(ends, 2);
    CClientDC dc(&view);
    view.OnPrepareDC(&dc);
    view.Refresh(&dc, ends[0], ends[1]);
}

void FindClicked(CCantrel& view, const std::vector<int>& types, const CPoint& viewPoint, MCEventList& hits) {
    ECPerformance* performance = view.GetBaseEvent();
    if (!performance)
        return;
    MCEventList visible;
    view.GetVisibleEvents(visible, nullptr);
    std::vector<int> wanted;
    std::copy_if(types.begin(), types.end(), std::back_inserter(wanted),
                 [](int type) { return type != ET_MEASURE && type != ET_STAFF; });
    std::lock_guard lock(performance->GetLock());
    ACFindInRect find;
    find.AddEvtTypes(wanted);
    find.SetHitSize(kClickHitSize, kClickHitSize);
    find.SetMaxEventCount(1);
    find.SetPoint(viewPoint.x, viewPoint.y);
    find.Apply(visible, 0);
    hits.AddTail(&find.GetEvents());
}

// ---- the select tool ------------------------------------------------------------------------

const std::vector<int>& CSelectCursor::SelectTypes() {
    static const std::vector<int> types = {
        ET_ACCENT, ET_ACCIDENTAL, ET_ARPEGGIO, ET_BRAC,   ET_CHORDSYMBOL, ET_CLEF,   ET_DYNAMIC, ET_FLOWCONTROL,
        ET_FRAME,  ET_GRACENOTE,  ET_KEY,      ET_LYRIC,  ET_METER,       ET_MIRROR, ET_MORDENT, ET_NOTE,
        ET_ORNAMENT, ET_PEDAL,    ET_REPEAT,   ET_REST,   ET_SLUR,        ET_TEMPO,  ET_TEXT,    ET_TIE,
        ET_TRANSPOSE, ET_TREMOLO, ET_TRILL,    ET_TUPLET, ET_TURN,        ET_BARLINE, ET_MEASURE, ET_STAFF,
    };
    return types;
}

void CCaretCursor::Reset() {
    CMusicCursor::Reset();
    m_caret.Reset();
}

void CCaretCursor::Draw(CDC* dc) {
    if (m_bVisible && dc)
        m_caret.Invert(*m_pView, dc);
}

void CCaretCursor::UpdatePosition(CDC* /*dc*/, CPoint& point) {
    m_caret.Position(GetConductorMeasure(point), point, m_bSnap);
}

void CCaretCursor::EraseCaret() {
    if (m_pView->GetSafeHwnd())
        m_caret.Erase(*m_pView);
}

CSelectCursor::CSelectCursor(CCantrel* view, const std::vector<int>* /*parentTypes*/)
    : CCaretCursor(view, &SelectTypes()) {
    m_bSnap = 1;
    m_bVisible = 0;
    m_caret.Reset();
}

CSelectCursor::~CSelectCursor() {
    KillBlink();
}

int CSelectCursor::CanInsert(int /*eventType*/) {
    return 0;
}

void CSelectCursor::KillBlink() {
    if (m_nTimer != 0 && m_pView->GetSafeHwnd())
        m_pView->KillTimer(m_nTimer);
    m_nTimer = 0;
}

void CSelectCursor::Show() {
    if (m_bVisible)
        return;
    m_bVisible = 1;
    if (!m_pView->GetSafeHwnd())
        return;
    DrawOnView();
    if (m_nTimer == 0)
        m_nTimer = m_pView->SetTimer(CCantrel::ID_TIMER_BLINK, GetCaretBlinkTime());
}

void CSelectCursor::Hide() {
    if (!m_bVisible)
        return;
    m_bVisible = 0;
    KillBlink();
    EraseCaret();
}

void CSelectCursor::Update(CPoint& point, int show) {
    CMusicCursor::Update(point, show);
    m_position = ToView(point);
    // Hovering moves only the caret and the status text.
    const MCTime time = m_time;
    ECBase* parent = m_pParent;
    UpdateTime(nullptr, m_position);
    UpdateParents(nullptr, m_position);
    UpdatePosition(nullptr, m_position);
    std::string text = FormatTime(m_time);
    NotifyStatus(text);
    m_time = time;
    m_pParent = parent;
}

void CSelectCursor::OnMouseDragBegin(UINT flags, CPoint& point) {
    Hide();
    MCEventList hits;
    FindClicked(*m_pView, SelectTypes(), ToView(point), hits);
    m_pView->FilterSelection(hits);
    const int control = IsControl(flags);
    if (hits.IsEmpty()) {
        if (!control) {
            ApplySelection(m_pPerformance, STATE_SELECTION_CLEAR, nullptr, 1);
            m_pView->SetFocus();
        }
        m_pView->MCScrollView::OnMouseDragBegin(flags, point);
        return;
    }
    MCOpusDoc* document = GetOpusDocument();
    int anySelected = 0;
    if (document) {
        MCEventList& selected = document->GetSelection(0).GetEvents(0);
        for (POSITION pos = hits.GetHeadPosition(); pos && !anySelected;)
            anySelected = selected.Find(hits.GetNext(pos)) != nullptr;
    }
    if (anySelected && control) {
        ApplySelection(m_pPerformance, STATE_SELECTION_REMOVE, &hits, 0);
        m_pView->SetFocus();
        return;
    }
    if (!anySelected) {
        ApplySelection(m_pPerformance, control ? STATE_SELECTION_ADD : STATE_SELECTION_REPLACE, &hits, 0);
        m_pView->SetFocus();
    }
    m_pView->DoDrag(point);
}

void CSelectCursor::OnMouseDragContinue(UINT flags, CPoint& point) {
    m_pView->MCScrollView::OnMouseDragContinue(flags, point);
    Update(point, 1);
    MCEventList found;
    FindInBand(*m_pView, kSelectBandTypes, found);
    m_pView->FilterSelection(found);
    if (!found.IsEmpty()) {
        ApplySelection(m_pPerformance, IsControl(flags) ? STATE_SELECTION_ADD : STATE_SELECTION_REPLACE, &found, 1);
        m_pView->SetFocus();
    } else if (!IsControl(flags)) {
        ApplySelection(m_pPerformance, STATE_SELECTION_CLEAR, nullptr, 1);
        m_pView->SetFocus();
    }
}

void CSelectCursor::OnMouseDragEnd(UINT flags, CPoint& point) {
    m_pView->MCScrollView::OnMouseDragEnd(flags, point);
    // A new pointer position: what the last move found may lie elsewhere.
    CMusicCursor::Update(point, 0);
    m_position = ToView(point);
    UpdateTime(nullptr, m_position);
    UpdateParents(nullptr, m_position);
    UpdatePosition(nullptr, m_position);
    ApplySelection(m_pPerformance, STATE_SELECTION_ADD, nullptr, 0);
    m_pView->SetFocus();
    MCOpusDoc* document = GetOpusDocument();
    if (document && !document->GetSelection(0).IsEmpty()) {
        m_caret.Reset();
    } else {
        if (ECMeasure* measure = GetMeasure(m_position))
            m_pParent = measure;
        else
            m_caret.top = m_caret.bottom = CPoint(0, 0);
        m_caret.drawnTop = m_caret.top;
        m_caret.drawnBottom = m_caret.bottom;
    }
    Show();
}

// ---- the erase tool -------------------------------------------------------------------------

const std::vector<int>& CEraseCursor::EraseTypes() {
    static const std::vector<int> types = [] {
        std::vector<int> all = CSelectCursor::SelectTypes();
        all.erase(std::remove(all.begin(), all.end(), static_cast<int>(ET_GRACENOTE)), all.end());
        return all;
    }();
    return types;
}

CEraseCursor::CEraseCursor(CCantrel* view, const std::vector<int>* /*parentTypes*/)
    : CCaretCursor(view, &EraseTypes()) {
    m_bSnap = 1;
    m_bVisible = 0;
    m_hCursor = LoadResourceCursor(IDC_ERASE_TOOL);
    m_caret.Reset();
}

int CEraseCursor::CanInsert(int /*eventType*/) {
    return 0;
}

void CEraseCursor::Show() {
    if (m_bVisible)
        return;
    m_bVisible = 1;
    DrawOnView();
}

void CEraseCursor::Hide() {
    if (!m_bVisible)
        return;
    m_bVisible = 0;
    EraseCaret();
}

void CEraseCursor::Update(CPoint& point, int show) {
    CMusicCursor::Update(point, show);
    m_position = ToView(point);
    UpdateTime(nullptr, m_position);
    UpdateParents(nullptr, m_position);
    UpdatePosition(nullptr, m_position);
    std::string text = FormatTime(m_time);
    NotifyStatus(text);
}

void CEraseCursor::OnMouseDragBegin(UINT flags, CPoint& point) {
    Hide();
    MCEventList hits;
    FindClicked(*m_pView, EraseTypes(), ToView(point), hits);
    if (hits.IsEmpty()) {
        ApplySelection(m_pPerformance, STATE_SELECTION_CLEAR, nullptr, 1);
        m_pView->MCScrollView::OnMouseDragBegin(flags, point);
        return;
    }
    if (m_pPerformance) {
        auto* selection = new SCSelection(STATE_SELECTION_REPLACE);
        selection->AddToSelection(&hits);
        selection->Apply(m_pPerformance);
    }
    m_pView->OnEditDelete();
}

void CEraseCursor::OnMouseDragContinue(UINT flags, CPoint& point) {
    m_pView->MCScrollView::OnMouseDragContinue(flags, point);
    Update(point, 1);
    MCEventList found;
    FindInBand(*m_pView, kEraseBandTypes, found);
    if (!found.IsEmpty())
        ApplySelection(m_pPerformance, IsControl(flags) ? STATE_SELECTION_ADD : STATE_SELECTION_REPLACE, &found, 1);
    else if (!IsControl(flags))
        ApplySelection(m_pPerformance, STATE_SELECTION_CLEAR, nullptr, 1);
}

void CEraseCursor::OnMouseDragEnd(UINT flags, CPoint& point) {
    m_pView->MCScrollView::OnMouseDragEnd(flags, point);
    CMusicCursor::Update(point, 0);
    m_position = ToView(point);
    UpdateTime(nullptr, m_position);
    UpdateParents(nullptr, m_position);
    UpdatePosition(nullptr, m_position);
    ApplySelection(m_pPerformance, STATE_SELECTION_ADD, nullptr, 0);
    m_pView->OnEditDelete();
    Hide();
    Reset();
    Show();
}
