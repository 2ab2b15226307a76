// DCctConductorMeasure's drawing: the measure number and the ruler strip.
#include "notation/display/conductormeasure.h"

#include "notation/display/conductor.h"
#include "notation/layout/musicfont.h"
#include "notation/layout/textfonts.h"
#include "platform/gdi/dc.h"

#include <string>

namespace {

// Whether a measure shows its number under the option (0 heads of systems,
// 1 every measure, n every n-th index).
bool ShowsNumber(int option, int index, int headOfSystem) {
    if (option == 0)
        return headOfSystem != 0;
    if (option == 1)
        return true;
    return index % option == 0;
}

}  // namespace

int DCctConductorMeasure::Draw(CDC* dc, CPoint point, CRect* clip) {
    if (IsCollapsedMember())
        return DRAW_HIDDEN;
    SetSize(dc);
    const CPoint position = GetPosition();
    CPoint at(position.x + point.x, position.y + point.y);
    at.y += m_nDisplayOffset;
    DrawMeasureNumber(dc, point, at);
    DCctConductorStaff* staff = GetConductorStaffDisplay();
    if (!dc->IsPrinting() && !(staff && staff->IsRulerHidden()))
        m_ruler.Draw(dc, at, clip);
    return DRAW_DONE;
}

void DCctConductorMeasure::DrawMeasureNumber(CDC* dc, CPoint point, CPoint at) {
    const int place = DCctConductorStaff::s_nMeasureNum;
    if (place == 0 || !ShowsNumber(DCctConductorStaff::s_nMeasureNumOpt, m_nMeasureIndex, m_bHeadOfSystem))
        return;
    MCExpressionFont& font = MCExpressionFont::GetExpressionFont();
    LOGFONT saved;
    font.SaveLogFont(&saved);
    // A negative size asks for the character height: a fifteenth of a staff
    // space in points at the layout's 1440 units an inch.
    font.SetFontPointSize(MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_CURRENT) / -15, 1440);
    font.SetFontColor(GetPermanentColor());
    font.SelectFont(dc);
    const std::string text = std::to_string(m_nMeasureIndex);
    const CSize extent = dc->GetTextExtent(text);
    const int firstStaff = point.y + GetYPositionForMeasure(1);
    const int y = place == 1 ? firstStaff + extent.cy : firstStaff - GetTopToBottomStaffHeight();
    int x = at.x - extent.cx / 2;
    const auto& groups = m_ruler.GetRulerGroup();
    if (!groups.empty() && groups[0].marks.size() >= 2 && groups[0].marks[0].x != groups[0].marks[1].x)
        x = at.x + (groups[0].marks[1].x - extent.cx);
    dc->TextOut(x, y, text);
    font.DeselectFont(dc);
    font.RestoreLogFont(saved);
}
