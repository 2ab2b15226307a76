// DCctLyric: placing, measuring and drawing a syllable; the ruler's room for it.
#include "notation/display/lyric.h"

#include "model/conductor.h"
#include "model/event.h"
#include "model/eventtypes.h"
#include "model/measure.h"
#include "model/textmarks.h"
#include "model/time.h"
#include "notation/display/conductormeasure.h"
#include "notation/display/drawsteps.h"
#include "notation/layout/ruler.h"
#include "notation/layout/textfonts.h"
#include "platform/core/archive.h"
#include "platform/gdi/dc.h"

#include <algorithm>

IMPLEMENT_SERIAL(DCctLyric, DCctText, VERSIONABLE_SCHEMA | 2)

DCctLyric::DCctLyric() = default;

DCctLyric::DCctLyric(const DCctLyric& other) : DCctText(other) {}

DCctLyric::~DCctLyric() = default;

namespace {

// The measure a lyric stands in: its parent, or, for a lyric that an older
// document keeps under its note, the note's measure.
ECMeasure* MeasureOfLyric(ECBase* lyric) {
    if (ECMeasure* measure = DCctConductorMeasure::FindMeasureParent(lyric))
        return measure;
    return lyric ? static_cast<ECMeasure*>(lyric->GetAncestor(ET_MEASURE, -1)) : nullptr;
}

}  // namespace

ECMeasure* DCctLyric::FindMeasureParent() {
    return MeasureOfLyric(GetOwner());
}

WORD DCctLyric::GetTickStart(int) {
    ECBase* owner = GetOwner();
    ECMeasure* measure = FindMeasureParent();
    if (!measure || !owner->GetTime() || !measure->GetTime())
        return 0;
    const int ticks = owner->GetTime()->GetTicks(256) - measure->GetTime()->GetTicks(256);
    return static_cast<WORD>(std::clamp(ticks, 0, 0xFFFF));
}

void DCctLyric::SetSize(CDC* dc) {
    if (!FrameDirty())
        return;
    MeasuringDC measuring(dc);
    MCLyricFont& font = MCLyricFont::GetLyricFont();
    LOGFONT saved;
    font.SaveLogFont(&saved);
    FontColorScope color(font);
    ApplyStyle(font, dc, false);
    font.SelectFont(measuring.Get());
    const CSize extent = measuring.Get()->GetTextExtent(GetText());
    font.DeselectFont(measuring.Get());
    font.RestoreLogFont(saved);
    m_metrics.SetWidth(extent.cx);
    m_metrics.SetHeight(extent.cy);
    m_metrics.SetTop(0);
    SetFrameDirty(0);
}

int DCctLyric::Position(ECConductor* conductor, ECStaff*, ECMeasure* measure, ECBase*) {
    if (!measure)
        measure = FindMeasureParent();
    if (!conductor)
        conductor = GetConductor();
    if (!measure || !conductor || !measure->GetTime())
        return 0;
    ECMeasure* column = conductor->GetMeasure(0, *measure->GetTime(), 0, 1);
    auto* columnDisplay = dynamic_cast<DCctConductorMeasure*>(NotationDisplayOf(column));
    if (!columnDisplay)
        return 0;
    MCRuler& ruler = columnDisplay->GetRuler();
    WORD mark = 0;
    WORD pulse = 0;
    ruler.GetDivMarkForTick(GetTickStart(1), mark, pulse);
    SetSize(nullptr);
    // Centred under the head, which starts at the mark's x.
    const int head = MCMusicFont::GetMusicFont().GetNoteheadWidth(FONT_CURRENT);
    const int x = ruler.GetCurrentX(mark, pulse) + head / 2 - GetWidth() / 2;
    SetPosition(x, columnDisplay->GetYOffsetForLyric(measure));
    return 1;
}

int DCctLyric::Draw(CDC* dc, CPoint point, CRect*) {
    SetSize(dc);
    MCLyricFont& font = MCLyricFont::GetLyricFont();
    LOGFONT saved;
    font.SaveLogFont(&saved);
    FontColorScope color(font);
    ApplyStyle(font, dc, false);
    font.SelectFont(dc);
    CPoint p = GetPosition();
    p.Offset(point.x, point.y);
    if (GetBoxText())
        DrawBoxText(dc, p, 0, 0);
    const int oldMode = dc->SetBkMode(TRANSPARENT);   // the box runs through the text's cell
    dc->TextOut(p.x, p.y, GetText());
    dc->SetBkMode(oldMode);
    font.DeselectFont(dc);
    font.RestoreLogFont(saved);
    return DRAW_DONE;
}

// ---- the measure's ruler -----------------------------------------------------------------

int MCRuler::DoLyric(ECBase* element, int clear) {
    auto* lyric = dynamic_cast<DCctLyric*>(NotationDisplayOf(element));
    if (!lyric)
        return 0;
    if (!MeasureOfLyric(element))
        return 1;   // a lyric outside a measure has no mark
    // The mark nearest the syllable's time, in whichever group lies nearest.
    WORD mark = 0;
    WORD pulse = 0;
    GetDivMarkForTick(lyric->GetTickStart(1), mark, pulse);
    if (clear) {
        SetDivOccupied(mark, 0, 0, 0, 0, pulse);
        return 1;
    }
    lyric->SetSize(nullptr);
    const int half = lyric->GetWidth() / 2 + GetNoteheadWidth() / 2;
    SetDivOccupied(mark, 1, static_cast<short>(half), static_cast<short>(half), 0, pulse);
    return 1;
}
