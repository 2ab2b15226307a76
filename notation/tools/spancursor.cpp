// CSpanCursor and its three tools (see spancursor.h).
#include "notation/tools/spancursor.h"

#include "interface/controls/timeedit.h"
#include "interface/controls/timeformat.h"
#include "model/appstates.h"
#include "model/basiccommands.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/markings.h"
#include "model/performance.h"
#include "model/tempo.h"
#include "notation/view/cantrel.h"
#include "platform/gdi/gdiobj.h"
#include "platform/ui/paint.h"

#include <memory>
#include <mutex>

namespace {

// ACFindTime: both bounds of the range included.
constexpr int kBoundsIncluded = 0;

const std::vector<int> kStaffParent = {ET_STAFF};
const std::vector<int> kConductorStaffParent = {ET_CONDUCTORSTAFF};

}  // namespace

CSpanCursor::CSpanCursor(CCantrel* view, const std::vector<int>* parentTypes, int hasDuration)
    : CInsertCursor(view, parentTypes), m_bHasDuration(hasDuration ? 1 : 0) {}

CSpanCursor::~CSpanCursor() {
    // A tool replaced while a stretch is open must not leave the view
    // sending every move and release as a drag.
    if (m_bSpanOpen)
        m_pView->SetMouseDrag(0);
}

// ---- showing ------------------------------------------------------------------------------------

void CSpanCursor::Draw(CDC* dc) {
    if (!m_bVisible || !dc)
        return;
    CInsertCursor::Draw(dc);
    if (!m_bSpanOpen || m_spanStartLine.IsEmpty())
        return;
    // Drawn after the insert line: erasing where the dotted line was may
    // have repainted the first end's strip.
    const MCLine start = ToLogical(m_spanStartLine);
    CPen pen(PS_SOLID, 1, SCSelection::GetColor());
    CPen* previous = dc->SelectObject(&pen);
    dc->MoveTo(start.Top());
    dc->LineTo(start.Bottom());
    dc->SelectObject(previous);
}

void CSpanCursor::Hide() {
    CInsertCursor::Hide();
    if (!m_bSpanOpen)
        return;
    EraseLine(m_spanStartLine);
    m_pView->SetMouseDrag(0);
}

void CSpanCursor::Reset() {
    CInsertCursor::Reset();
    if (!m_bHasDuration)
        return;
    m_bSpanOpen = 0;
    m_spanStartTime = MCTime();
    m_spanStartLine.Reset();
}

// ---- following the pointer -------------------------------------------------------------------

void CSpanCursor::Update(CPoint& point, int show) {
    Follow(point, show);
    std::string text;
    if (m_bSpanOpen) {
        const bool startFirst = m_spanStartTime <= m_time;
        const MCTime& earlier = startFirst ? m_spanStartTime : m_time;
        const MCTime& later = startFirst ? m_time : m_spanStartTime;
        std::string from, to;
        MCTimeEdit::FormatTimeString(from, earlier, TIMEFMT_BAR_BEAT_FRACTION, 0, 0);
        MCTimeEdit::FormatTimeString(to, later, TIMEFMT_BAR_BEAT_FRACTION, 0, 0);
        text = from + " --> " + to;
    } else {
        text = FormatTime(m_time);
    }
    NotifyStatus(text);
}

void CSpanCursor::ShowChanges(CDC* dc, int show) {
    if (!show || !m_bChanged)
        return;
    if (m_pParent) {
        Draw(dc);
    } else if (!m_bSpanOpen) {
        Hide();
        Reset();
        Show();
    } else {
        return;   // off the staves with a stretch open: shown as it stands
    }
    m_bChanged = 0;
}

void CSpanCursor::UpdatePosition(CDC* dc, CPoint& point) {
    if (m_bSpanOpen && !GetConductorMeasure(point))
        return;
    CInsertCursor::UpdatePosition(dc, point);
}

// ---- the mouse --------------------------------------------------------------------------------

void CSpanCursor::OnMouseDragBegin(UINT /*flags*/, CPoint& /*point*/) {
    if (!m_pParent)
        return;
    if (!m_bHasDuration || m_bSpanOpen) {
        InsertSpan();
        return;
    }
    m_bSpanOpen = 1;
    m_spanStartLine = m_insertLine;
    m_spanStartTime = m_time;
    m_pView->SetMouseDrag(1);
    DrawOnView();
}

void CSpanCursor::OnMouseDragContinue(UINT /*flags*/, CPoint& point) {
    Update(point, 1);
}

void CSpanCursor::OnMouseDragEnd(UINT /*flags*/, CPoint& /*point*/) {
    // Released where it was pressed: a click, the stretch waits for its
    // second end.
    if (!m_bSpanOpen || m_insertLine == m_spanStartLine)
        return;
    InsertSpan();
}

void CSpanCursor::InsertSpan() {
    ECBase* prototype = SCMode::GetEvent();
    if (!prototype)
        return;
    AdjustDuration(prototype);
    InsertPrototype(prototype);
    Hide();
    Reset();
    Show();
}

void CSpanCursor::AdjustDuration(ECBase* element) {
    if (!m_bHasDuration || !element)
        return;
    if (m_time > m_spanStartTime)
        std::swap(m_time, m_spanStartTime);
    // Zero when either end is in bar/pulse/tick form.
    const MCTime duration = m_spanStartTime - m_time;
    element->SetDuration(&duration);
}

// ---- the three tools --------------------------------------------------------------------------

CDynamicCursor::CDynamicCursor(CCantrel* view, ECDynamic* prototype)
    : CSpanCursor(view, &kStaffParent, prototype && ECDynamic::HasDuration(prototype->GetDynamicType())) {}

CTempoCursor::CTempoCursor(CCantrel* view, ECTempo* prototype)
    : CSpanCursor(view, &kConductorStaffParent, prototype && prototype->HasDuration()) {}

int CTempoCursor::Insert(ECBase* element, CCAdd* command) {
    if (!element || !m_pParent)
        return 0;
    std::unique_ptr<CCRemove> remove;
    if (m_pPerformance) {
        std::lock_guard lock(m_pPerformance->GetLock());
        ACFindTime find(m_time, m_time, kBoundsIncluded);
        find.AddEvtType(ET_TEMPO);
        find.Apply(m_pParent);
        for (POSITION pos = find.GetEvents().GetHeadPosition(); pos;) {
            ECBase* tempo = find.GetEvents().GetNext(pos);
            if (!remove)
                remove = std::make_unique<CCRemove>(tempo);
            else
                remove->Remove(tempo);
        }
    }
    // Posted like the add that follows, and so applied before it.
    if (remove)
        remove.release()->Apply(m_pPerformance);   // the command manager's from here
    return CInsertCursor::Insert(element, command);
}

CInsertRangeCursor::CInsertRangeCursor(CCantrel* view, const std::vector<int>* parentTypes)
    : CSpanCursor(view, parentTypes, 1) {}
