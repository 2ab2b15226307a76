// Systems on pages: a system's height and the spacing of its staves, how
// many systems a page holds and where each stands (a template for page 1 and
// one for every later page), the step from one system to the next and the
// start of each new page.
#include "notation/view/pagenate.h"

#include "model/conductor.h"
#include "model/conductorstaff.h"
#include "model/staff.h"
#include "notation/display/conductormeasure.h"
#include "notation/display/measure.h"
#include "notation/display/staff.h"
#include "notation/layout/musicfont.h"
#include "notation/layout/pagelayout.h"
#include "notation/layout/staffruler.h"

#include <algorithm>

namespace {

// A keyboard staff sets its first lyric line in the middle of the staff.
constexpr unsigned char KEYBOARD_STAFF = 1;

DCctMeasure* StaffMeasureDisplay(ECConductorMeasure* column, int index) {
    ECMeasure* measure = column ? column->GetMeasureOnTrack(index + 1) : nullptr;
    return measure ? dynamic_cast<DCctMeasure*>(measure->GetData(DK_NOTATION, 1)) : nullptr;
}

}  // namespace

CRect CPagenate::PrintableRect(int page) const {
    return GetPageLayout().GetPageRect(page, GetPageLayout().GetPrintableRect());
}

void CPagenate::Pagenate() {
    if (!m_pConductorStaff && !GetConductorStaffChildren())
        return;
    m_nCurrentPage = 1;
    m_nSystemIndex = 0;
    m_pages.SetPageCount(1);
    m_nCurrentX = m_nIndentX;
    m_nCurrentY = m_nIndentY;
    m_posNextSystem = GetStartPosition();
    CalculateSystemHeight();
    InitPageTemplates();
    const CRect printable = PrintableRect(1);
    const CPoint start(printable.left + m_firstTemplate[0].x, printable.top + m_firstTemplate[0].y);
    SetStartMeasureXY(start);
    if (MCStaffRuler* ruler = GetStaffRuler())
        ruler->GetSystem(0).y = start.y;
    PagenateSystems();
    NumberMeasures();
}

void CPagenate::CalculateSystemHeight() {
    MCStaffRuler* ruler = GetStaffRuler();
    if (!ruler || !m_pConductorStaff)
        return;
    const int nh = MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_CURRENT);
    int a = 2 * nh;        // the room for lyrics below a staff
    const int b = 3 * nh;  // the staff's margin above and below
    const CRect printable = PrintableRect(1);
    const int P = printable.top - printable.bottom;
    ECConductorMeasure* first = MeasureAt(GetStartPosition());

    int S = 0;
    for (int i = 0; i < ruler->GetStaffCount(); ++i) {
        if (!ruler->IsStaffShown(i))
            continue;
        DCctMeasure* measure = StaffMeasureDisplay(first, i);
        S += (measure ? measure->GetHeight() : 0) + 2 * b;
    }
    if (S == 0)
        return;
    int fit = P / S;
    if (m_nSystemsPerPage < fit)
        fit = m_nSystemsPerPage;
    const int n = m_pConductorStaff->GetMaxStaffNumber();
    if (n == 0)
        return;
    int extra = 0;
    if (fit > 0 && S * fit <= P + m_nIndentY)
        extra = (P + m_nIndentY - S * fit) / (n * fit * 2);
    for (int staffNumber = 1; staffNumber <= n; ++staffNumber) {
        ECStaff* staff = m_pConductorStaff->GetStaff(staffNumber, 0);
        if (auto* display = dynamic_cast<DCctStaff*>(staff ? staff->GetData(DK_NOTATION, 1) : nullptr)) {
            display->SetLegerHeightAbove(b + extra);
            display->SetLegerHeightBelow(b + extra);
        }
    }
    if (b + extra > a + nh)
        a += nh;

    int height = 0;
    int y = 0;
    for (int i = 0; i < ruler->GetStaffCount(); ++i) {
        if (!ruler->IsStaffShown(i))
            continue;
        DCctMeasure* measure = StaffMeasureDisplay(first, i);
        const int h = measure ? measure->GetHeight() : 0;
        const int above = measure ? measure->GetLegerHeightAbove() : 0;
        const int below = measure ? measure->GetLegerHeightBelow() : 0;
        height += h + above + below;
        y -= above;
        ruler->SetStaffY(i, y);
        ruler->SetSpaceBelow(i, -(h + a));
        ruler->SetSpaceAbove(i, a);
        ECStaff* staff = m_pConductorStaff->GetStaff(i + 1, 0);
        ruler->SetLyricY(i, staff && staff->GetStaffType() == KEYBOARD_STAFF ? -h / 2 : -(h + a));
        y -= h + below;
    }
    m_nSystemHeight = height;
    ruler->SetSystemHeight(height);
}

void CPagenate::InitPageTemplates() {
    CalculatePageLayout(1, m_firstTemplate, CPoint(m_nIndentX, m_nIndentY));
    CalculatePageLayout(2, m_nextTemplate, CPoint(0, 0));
}

void CPagenate::CalculatePageLayout(int page, std::vector<CPoint>& pageTemplate, CPoint indent) {
    pageTemplate.clear();
    const MCPageLayout& layout = GetPageLayout();
    const CRect R = layout.GetPageRect(page, layout.GetPageRect());
    const CRect Q = PrintableRect(page);
    const int H = Q.top - Q.bottom;
    const int h = m_nSystemHeight;
    const int ix = indent.x;
    const int iy = indent.y;

    if (h - iy <= H) {
        // As many systems as fit; a system without height (no staff shown)
        // takes a page of its own.
        int count = h > 0 ? std::max(1, (H + iy) / h) : 1;
        if (m_nSystemsPerPage != NO_SYSTEM_LIMIT && m_nSystemsPerPage < count)
            count = m_nSystemsPerPage;
        const int spare = H - (count * h - iy);
        int y = iy + R.top;
        int gap = 0;
        if (page == 1) {
            if (count < 2) {
                y -= spare / 2;   // one system stands centred
            } else {
                gap = spare / count;
                y -= gap;
            }
        } else {
            gap = count < 2 ? 0 : spare / (count - 1);
        }
        for (int i = 0; i < count; ++i) {
            pageTemplate.emplace_back(i == 0 ? R.left + ix : R.left, y);
            y -= h + gap;
        }
        return;
    }

    // One system is taller than the page: the staves that do not fit are hidden.
    pageTemplate.emplace_back(R.left + ix, iy + R.top);
    MCStaffRuler* ruler = GetStaffRuler();
    ECConductorMeasure* first = MeasureAt(GetStartPosition());
    DCctConductorMeasure* column = ColumnDisplay(first);
    if (!ruler || !column)
        return;
    int total = column->GetRulerHeight();
    int y = 0;
    for (int i = 0; i < ruler->GetStaffCount(); ++i) {
        if (!ruler->IsStaffShown(i))
            continue;
        DCctMeasure* measure = StaffMeasureDisplay(first, i);
        const int sh = measure ? measure->GetHeight() : 0;
        const int above = measure ? measure->GetLegerHeightAbove() : 0;
        const int below = measure ? measure->GetLegerHeightBelow() : 0;
        total += above + sh + below;
        y -= above;
        ruler->SetStaffY(i, y);
        ruler->SetLyricY(i, -(sh + below / 2));
        y -= sh + below;
        if (H < total - iy) {
            total -= sh + below + above;
            for (int j = i; j < ruler->GetStaffCount(); ++j) {
                ruler->SetStaffShown(j, 0);
                ECStaff* staff = m_pConductorStaff ? m_pConductorStaff->GetStaff(j + 1, 0) : nullptr;
                if (auto* display = dynamic_cast<DCctBase*>(staff ? staff->GetData(DK_NOTATION, 1) : nullptr))
                    display->SetHidden(1);
            }
            break;
        }
    }
    m_nSystemHeight = total;
    ruler->SetSystemHeight(total);
}

void CPagenate::IncrementYPosition() {
    const CRect Q = PrintableRect(m_nCurrentPage);
    ++m_nSystemIndex;
    MCStaffRuler* ruler = GetStaffRuler();
    const int x = Q.left;
    int y = Q.top;
    const int firstCount = static_cast<int>(m_firstTemplate.size());
    const int nextCount = static_cast<int>(m_nextTemplate.size());
    if (m_nSystemIndex < firstCount) {
        y = Q.top + m_firstTemplate[m_nSystemIndex].y;
    } else if (nextCount > 0) {
        const int k = (m_nSystemIndex - firstCount) % nextCount;
        if (k == 0)
            y = Q.top + m_nextTemplate[0].y;   // the template lies one page down: the next page
        else
            y = PrintableRect(m_nCurrentPage - 1).top + m_nextTemplate[k].y;
    }
    if (ruler)
        ruler->GetSystem(m_nSystemIndex).y = y;
    m_nCurrentX = x;
    m_nCurrentY = y;
    if (y < Q.bottom && m_posNextSystem) {
        ++m_nCurrentPage;
        if (ECConductorMeasure* next = MeasureAt(m_posNextSystem))
            m_pages.AddPageStartTime(m_nCurrentPage, *next->GetTime());
    }
}

void CPagenate::SetCurrentPage(POSITION position) {
    DCctConductorMeasure* display = ColumnDisplay(MeasureAt(position));
    if (!display)
        return;
    m_nCurrentPage = static_cast<uint16_t>(GetPageAtPoint(display->GetPosition()));
}

void CPagenate::SetStartMeasureXY(CPoint point) {
    if (DCctConductorMeasure* display = ColumnDisplay(MeasureAt(GetStartPosition())))
        display->SetPosition(point);
    m_nCurrentX = point.x;
    m_nCurrentY = point.y;
}
