// CPlayCursor (see playcursor.h).
#include "notation/tools/playcursor.h"

#include "model/conductor.h"
#include "model/measure.h"
#include "model/performance.h"
#include "model/preferences.h"
#include "notation/display/conductormeasure.h"
#include "notation/view/cantrel.h"
#include "platform/gdi/gdiobj.h"
#include "platform/ui/paint.h"

namespace {

// Display objects keep ticks at this resolution.
constexpr int kDisplayTicksPerQuarter = 256;
constexpr WORD kDisplayPulse = DCctConductorMeasure::NO_BORROWED_PULSE;
constexpr int kSnapToTick = 1;

}  // namespace

CPlayCursor::CPlayCursor(CCantrel* view)
    : CMusicCursor(view, nullptr),
      m_color(static_cast<COLORREF>(LoadIntPreference("Settings\\Color", "Highlight", static_cast<int>(kDefaultColor)))) {}

CPlayCursor::~CPlayCursor() {
    Hide();
}

int CPlayCursor::CanInsert(int /*eventType*/) {
    return 0;
}

void CPlayCursor::DrawNow() {
    if (!m_pView->GetSafeHwnd())
        return;
    CClientDC dc(m_pView);
    m_pView->OnPrepareDC(&dc);
    Draw(&dc);
}

void CPlayCursor::Show() {
    if (m_bVisible)
        return;
    m_bVisible = 1;
    DrawNow();
}

void CPlayCursor::Hide() {
    if (!m_bVisible)
        return;
    m_bVisible = 0;
    EraseLine(m_drawnLine);
}

void CPlayCursor::Reset() {
    CMusicCursor::Reset();
    m_line.Reset();
    m_drawnLine.Reset();
}

void CPlayCursor::Draw(CDC* dc) {
    if (!m_bVisible || !dc)
        return;
    MCLine line = ToLogical(m_line);
    if (line != ToLogical(m_drawnLine)) {
        EraseLine(m_drawnLine, dc);
        m_drawnLine = m_line;
    }
    if (line.IsEmpty())
        return;
    CPen pen(PS_SOLID, 1, m_color);
    CPen* previous = dc->SelectObject(&pen);
    dc->MoveTo(line.Top());
    dc->LineTo(line.Bottom());
    dc->SelectObject(previous);
}

void CPlayCursor::UpdateTime(MCTime& time) {
    ECConductor* conductor = m_pPerformance ? m_pPerformance->GetConductor() : nullptr;
    ECMeasure* measure = conductor ? conductor->GetMeasure(0, time, 0, 1) : nullptr;
    auto* display = measure ? dynamic_cast<DCctConductorMeasure*>(measure->GetData(DK_NOTATION, 0)) : nullptr;
    if (!display)
        return;
    const MCTime* start = measure->GetTime();
    const int offset = MCTime(time).GetTicks(kDisplayTicksPerQuarter) -
                       (start ? MCTime(*start).GetTicks(kDisplayTicksPerQuarter) : 0);
    MCLine line;
    display->CalcCursorPosition(static_cast<WORD>(offset), &line.Top(), &line.Bottom(), kSnapToTick, kDisplayPulse);
    if (line != m_line) {
        m_line = line;
        m_bChanged = 1;
    }
    if (m_bChanged) {
        DrawNow();
        m_bChanged = 0;
    }
    m_time = time;
    std::string text = FormatTime(m_time);
    NotifyStatus(text);
}
