// CMusicCursor: the tools' shared lookups of parent, time and measure.
#include "notation/tools/musiccursor.h"

#include "interface/controls/timeedit.h"
#include "interface/document/opusdoc.h"
#include "model/appstates.h"
#include "model/basiccommands.h"
#include "model/conductor.h"
#include "model/conductorstaff.h"
#include "model/eventtypes.h"
#include "model/measure.h"
#include "model/midifields.h"
#include "model/performance.h"
#include "model/states.h"
#include "notation/display/base.h"
#include "notation/display/conductor.h"
#include "notation/display/conductormeasure.h"
#include "notation/view/cantrel.h"
#include "notation/view/findactions.h"
#include "platform/ui/document.h"
#include "platform/ui/paint.h"

#include <memory>
#include <mutex>

namespace {

// Measures are hit-tested with a box this small around the point.
constexpr int kMeasureHitSize = 2;

// The user's time display format, without durations or indeterminate parts.
constexpr int kTimeFormatUser = 1;

}  // namespace

CMusicCursor::CMusicCursor(CCantrel* view, const std::vector<int>* parentTypes)
    : m_hCursor(LoadStandardCursor(IDC_ARROW)), m_pView(view), m_pPerformance(view->GetBaseEvent()) {
    if (parentTypes)
        m_eventTypes = *parentTypes;
}

CMusicCursor::~CMusicCursor() = default;

int CMusicCursor::CanInsert(int /*eventType*/) {
    return 0;
}

void CMusicCursor::Show() {}

void CMusicCursor::Hide() {}

void CMusicCursor::Reset() {
    m_position = CPoint(0, 0);
    m_time = MCTime();
    m_pParent = nullptr;
    m_pConductorMeasure = nullptr;
    m_pMeasure = nullptr;
}

void CMusicCursor::Draw(CDC* /*dc*/) {}

int CMusicCursor::Update(CPoint& /*point*/, CSelectionOffset& /*offset*/) {
    return 0;
}

void CMusicCursor::Update(CPoint& /*point*/, int /*show*/) {
    m_pConductorMeasure = nullptr;
    m_pMeasure = nullptr;
}

int CMusicCursor::Insert(ECBase* /*event*/, CCAdd* /*command*/) {
    return 0;
}

HCURSOR CMusicCursor::GetCursor() {
    return m_hCursor;
}

void CMusicCursor::OnMouseDragBegin(UINT flags, CPoint& point) {
    if (m_pPerformance)
        (new SCSelection(STATE_SELECTION_CLEAR))->Apply(m_pPerformance);
    m_pView->MCScrollView::OnMouseDragBegin(flags, point);
}

void CMusicCursor::OnMouseDragContinue(UINT flags, CPoint& point) {
    m_pView->MCScrollView::OnMouseDragContinue(flags, point);
}

void CMusicCursor::OnMouseDragEnd(UINT flags, CPoint& point) {
    m_pView->MCScrollView::OnMouseDragEnd(flags, point);
}

// ---- lookups --------------------------------------------------------------------------------

CPoint CMusicCursor::ToView(const CPoint& point) const {
    CPoint converted = point;
    CClientDC dc(m_pView);
    m_pView->OnPrepareDC(&dc);
    m_pView->DPtoVP(&dc, &converted);
    return converted;
}

std::string CMusicCursor::FormatTime(const MCTime& time) {
    std::string text;
    MCTimeEdit::FormatTimeString(text, time, kTimeFormatUser, 0, 0);
    return text;
}

int CMusicCursor::ParentMayHold(int eventType) const {
    if (eventType == -2)
        return m_pParent != nullptr;
    if (eventType == -1 || !m_pParent)
        return 0;
    ECBase* probe = ECBase::CreateEvent(eventType);
    if (!probe)
        return 0;
    probe->Ref();
    const int may = probe->MayHangUnder(m_pParent->GetClassType()) ? 1 : 0;
    probe->Unref(1);
    return may;
}

MCLine CMusicCursor::ToLogical(const MCLine& line) const {
    CPoint ends[2] = {line.Top(), line.Bottom()};
    m_pView->VPtoLP(ends, 2);
    return MCLine(ends[0], ends[1]);
}

void CMusicCursor::EraseLine(const MCLine& line, CDC* dc) {
    if (line.IsEmpty() || !m_pView->GetSafeHwnd())
        return;
    MCLine logical = ToLogical(line);
    if (dc) {
        m_pView->Refresh(dc, logical.Top(), logical.Bottom());
        return;
    }
    CClientDC client(m_pView);
    m_pView->OnPrepareDC(&client);
    m_pView->Refresh(&client, logical.Top(), logical.Bottom());
}

int CMusicCursor::AddUnder(ECBase* element, ECBase* parent, const FCMidi& midi, CCAdd* command) {
    if (command)
        return command->Add(element, parent, midi) ? 1 : 0;
    auto add = std::make_unique<CCAdd>();
    if (!add->Add(element, parent, midi))
        return 0;
    add.release()->Apply(m_pPerformance);   // the command manager's from here
    MarkModified();
    return 1;
}

void CMusicCursor::MarkModified() {
    if (CDocument* document = m_pView->GetDocument())
        document->SetModifiedFlag(TRUE);
}

MCOpusDoc* CMusicCursor::GetOpusDocument() const {
    return DYNAMIC_DOWNCAST(MCOpusDoc, m_pView->GetDocument());
}

int CMusicCursor::TrackOf(ECBase* element) {
    const MCVoiceTrack* word = element ? element->GetVoiceTrack() : nullptr;
    return word ? word->GetTrack() : TRACK_NONE;
}

ECConductorStaff* CMusicCursor::GetConductorStaff() {
    if (!m_pConductorStaff && m_pPerformance)
        if (ECConductor* conductor = m_pPerformance->GetConductor())
            m_pConductorStaff = dynamic_cast<ECConductorStaff*>(conductor->GetDescendant(ET_CONDUCTORSTAFF, -1));
    return m_pConductorStaff;
}

ECConductorMeasure* CMusicCursor::GetConductorMeasure(CPoint& point) {
    if (m_pConductorMeasure)
        return m_pConductorMeasure;
    ECConductorStaff* staff = GetConductorStaff();
    auto* display = staff ? dynamic_cast<DCctConductorStaff*>(staff->GetData(DK_NOTATION, 0)) : nullptr;
    if (display)
        m_pConductorMeasure = display->FindRulerMeasureAtPoint(point);
    return m_pConductorMeasure;
}

ECMeasure* CMusicCursor::GetMeasure(CPoint& point) {
    if (m_pMeasure)
        return m_pMeasure;
    ECConductorStaff* conductorStaff = GetConductorStaff();
    if (!conductorStaff || !m_pPerformance)
        return nullptr;
    // Only the page under the point is searched: the other pages' measures
    // can never lie there.
    CPagenate& pagenate = m_pView->GetPagenate();
    const int page = pagenate.GetPageAtPoint(point);
    const MCTime from = pagenate.GetPages().GetPageStartTime(page);
    const MCTime to = pagenate.GetPages().GetPageStartTime(page + 1);
    std::lock_guard lock(m_pPerformance->GetLock());
    for (int number = 1; number <= conductorStaff->GetMaxStaffNumber(); ++number) {
        ECStaff* staff = conductorStaff->GetStaff(number, 0);
        auto* display = staff ? dynamic_cast<DCctBase*>(staff->GetData(DK_NOTATION, 0)) : nullptr;
        if (!display || display->IsHidden())
            continue;
        MCEventList measures;
        conductorStaff->GetMeasures(number, from, to, measures);
        ACFindInRect find;
        find.AddEvtType(ET_MEASURE);
        find.SetHitSize(kMeasureHitSize, kMeasureHitSize);
        find.SetMaxEventCount(1);
        find.SetPoint(point.x, point.y);
        find.Apply(measures, 0);
        if (!find.GetEvents().IsEmpty()) {
            m_pMeasure = static_cast<ECMeasure*>(find.GetEvents().GetHead());
            break;
        }
    }
    return m_pMeasure;
}

void CMusicCursor::UpdateParents(CDC* /*dc*/, CPoint& point) {
    ECBase* found = nullptr;
    const int first = m_eventTypes.empty() ? -1 : m_eventTypes.front();
    if (first == ET_CONDUCTORSTAFF) {
        found = GetConductorStaff();
    } else if (first == ET_MEASURE) {
        found = GetMeasure(point);
    } else if (first == ET_STAFF) {
        ECMeasure* measure = GetMeasure(point);
        found = measure ? measure->GetAncestor(ET_STAFF, -1) : nullptr;
    } else if (ECMeasure* measure = GetMeasure(point); measure && m_pPerformance) {
        std::lock_guard lock(m_pPerformance->GetLock());
        ACFindInRect find;
        find.AddEvtTypes(m_eventTypes);
        find.SetMaxEventCount(1);
        find.SetPoint(point.x, point.y);
        find.Apply(measure);
        if (!find.GetEvents().IsEmpty())
            found = find.GetEvents().GetHead();
    }
    if (found != m_pParent) {
        m_pParent = found;
        m_bChanged = 1;
    }
}

void CMusicCursor::UpdateTime(CDC* /*dc*/, CPoint& point) {
    ECConductorMeasure* measure = GetConductorMeasure(point);
    auto* display = measure ? dynamic_cast<DCctConductorMeasure*>(measure->GetData(DK_NOTATION, 0)) : nullptr;
    if (!display)
        return;
    const MCTime time = display->GetTimeForXPosition(point.x, m_bSnap);
    if (time != m_time) {
        m_time = time;
        m_bChanged = 1;
    }
}

void CMusicCursor::NotifyStatus(std::string& text) {
    if (!m_pPerformance || SCStatus::s_actionCount >= kMaxStatusTasks)
        return;
    (new SCStatus(STATE_STATUS_TEXT, text))->Apply(m_pPerformance);
}

void CMusicCursor::DrawOnView() {
    if (!m_pView->GetSafeHwnd())
        return;
    CClientDC dc(m_pView);
    m_pView->OnPrepareDC(&dc);
    Draw(&dc);
}
