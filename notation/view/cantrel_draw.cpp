// The notation view's drawing: page backgrounds, positioning what is in view
// (positions are worked out lazily: the engine and the pagination only mark
// elements position-dirty), the elements through the view's drawing walk,
// and the copy back from the off-screen bitmap that tools erase with.
#include "notation/view/cantrel.h"

#include "model/conductor.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/performance.h"
#include "model/staff.h"
#include "notation/autonote/notateinfo.h"
#include "notation/display/base.h"
#include "notation/layout/pagelayout.h"
#include "notation/layout/scorepages.h"
#include "notation/tools/musiccursor.h"
#include "notation/tools/playcursor.h"
#include "notation/view/drawaction.h"
#include "notation/view/findactions.h"
#include "notation/view/layoutactions.h"
#include "platform/ui/paint.h"
#include "platform/ui/syscolor.h"

namespace {

// A printed page is white whatever the screen's colours.
constexpr COLORREF kPaperWhite = 0xFFFFFF;

CRect Normalized(CRect rect) {
    rect.NormalizeRect();
    return rect;
}

// Positions `display` when it is shown and position-dirty; the mark goes
// when positioning succeeds.
void PositionIfDirty(DCctBase* display, ECConductor* conductor, ECStaff* staff) {
    if (!display || display->IsHidden() || !display->PositionDirty())
        return;
    if (display->Position(conductor, staff, nullptr, nullptr))
        display->SetPositionDirty(0);
}

}  // namespace

void CCantrel::OnDraw(CDC* pDC) {
    LetGoOfAReplacedTree();
    if (!GetDocument() || !m_pBaseEvent)
        return;
    // A printed page is drawn whole: the view rectangle is the screen's
    // extent, which a layout made for the printer's sheet may outgrow.
    CRect area = Normalized(m_drawRect);
    if (!pDC->IsPrinting() && !area.IntersectRect(area, Normalized(m_viewRect)))
        return;
    VPtoLP(&area);
    area.NormalizeRect();
    if (!pDC->IsPrinting() && m_nViewMode != VIEWMODE_PAGE)
        return;   // FIXME: the track view's strip of music is not drawn yet (its margin paints itself)

    const MCPageLayout& layout = MCPageLayout::GetPageLayout();
    const MCScorePages& pages = m_pagenate.GetPages();
    const COLORREF background = pDC->IsPrinting() ? kPaperWhite : GetSysColor(COLOR_WINDOW);
    int firstShown = 0;
    int lastShown = 0;
    for (int page = 1;; ++page) {
        CRect rect = layout.GetPageRect(page, layout.GetPageRect());
        VPtoLP(&rect);
        rect.NormalizeRect();
        if (rect.bottom < area.top)
            break;   // wholly below the area, and so is every later page
        CRect meet;
        if (meet.IntersectRect(rect, area)) {
            pDC->FillSolidRect(&meet, background);
            firstShown = firstShown ? firstShown : page;
            lastShown = page;
        }
    }

    const CNotateInfo& info = m_autoNote.GetNotateInfo();
    if (info.IsPagenating() || info.IsAutoNotating())
        return;
    PositionVisibleEvents(pDC);

    const CPoint origin(-m_scrollPos.x, -m_scrollPos.y);
    ACFindVisible visible;
    visible.SetRect(&area);
    visible.SetOffset(origin.x, origin.y);
    // Only the pages in the area are searched (while their times are known).
    if (firstShown && firstShown <= pages.GetPageCount() &&
        pages.GetPageStartTime(firstShown) != MCTime::TimeMax())
        visible.SetTimeWindow(pages.GetPageStartTime(firstShown), pages.GetPageStartTime(lastShown + 1));
    visible.Apply(m_pBaseEvent);
    if (IsSingleSelect())
        MoveSelectedFrameLast(visible.GetEvents());

    ACDraw draw;
    draw.SetDC(pDC);
    draw.SetConductor(m_pBaseEvent->GetConductor());
    draw.SetOrigin(origin.x, origin.y);
    draw.SetClipRect(&area);
    draw.Apply(visible.GetEvents(), 1);

    // Each staff once more over its contents.
    if (ECBase* conductor = m_pBaseEvent->GetConductorEvent()) {
        ACFindEvents staves;
        staves.AddEvtType(ET_STAFF);
        staves.SetDepth(1);
        staves.Apply(conductor);
        draw.SetDepth(0);
        draw.SetOrigin(origin.x, origin.y);
        draw.Apply(staves.GetEvents(), 1);
    }
}

void CCantrel::MoveSelectedFrameLast(MCEventList& events) {
    // Frames lead the list (they are the performance's direct children);
    // the first selected one among them goes to the end, drawn on top.
    for (POSITION pos = events.GetHeadPosition(); pos;) {
        ECBase* event = events.GetNext(pos);
        if (event->GetClassType() != ET_FRAME)
            return;
        auto* display = dynamic_cast<DCctBase*>(event->GetData(DK_NOTATION, 0));
        if (display && display->IsSelected()) {
            events.AddEvent(event, UNSORTED);   // at the end, before the first node goes
            events.RemoveEvent(event);
            return;
        }
    }
}

void CCantrel::PositionVisibleEvents(CDC* pDC) {
    if (!m_pBaseEvent)
        return;
    ECConductor* conductor = m_pBaseEvent->GetConductor();
    if (!conductor)
        return;
    CRect client;
    GetClientRect(&client);
    pDC->DPtoLP(&client);
    client.NormalizeRect();
    client.OffsetRect(m_scrollPos);

    const MCPageLayout& layout = MCPageLayout::GetPageLayout();
    const MCScorePages& pages = m_pagenate.GetPages();
    const int first = m_pagenate.GetPageAtPoint(CPoint(client.left, client.bottom));
    int last = m_pagenate.GetPageAtPoint(CPoint(client.left, client.top));
    // Below the last page there is no page at the point: the area's lower
    // edge lies past the end of the score, whose last page is then in view.
    const CRect lastPage = Normalized(layout.GetPageRect(pages.GetPageCount(), layout.GetPageRect()));
    if (client.top < lastPage.top)
        last = pages.GetPageCount();
    last = std::max(last, first);
    const MCTime start = pages.GetPageStartTime(first);
    const MCTime end = pages.GetPageStartTime(last + 1);

    const int tracks = conductor->GetMaxTrackNumber(TRACK_STAFF);
    for (int track = 0; track <= tracks; ++track) {
        MCEventList measures;
        conductor->GetMeasures(track, start, end, measures);
        if (!m_autoNote.GetNotateInfo().IsRealTimeRecording()) {
            ACPosition position;
            position.SetConductor(conductor);
            position.Apply(measures, 1);
            position.PositionDeferred();
        }
        // The conductor staff holds the marks over the system (tempos, flow
        // controls, words) beside its measures: they are placed as a staff's
        // elements are, after the measures they stand against.
        auto* staff = dynamic_cast<ECStaff*>(
            track == 0 ? conductor->GetTrack(TRACK_CONDUCTOR, 0, 0) : conductor->GetTrack(TRACK_STAFF, track, 0));
        if (!staff)
            continue;
        // The staff's elements are in time order: the walk begins at the
        // window's first measure, and ends past the window.
        MCEventList* elements = staff->GetChildren();
        ECBase* first = measures.IsEmpty() ? nullptr : measures.GetHead();
        const POSITION from = elements ? FirstPlaceFrom(*elements, first, start) : nullptr;
        for (POSITION pos = from; pos;) {
            ECBase* element = elements->GetNext(pos);
            if (!element->GetTime())
                continue;
            const TimePlace place = PlaceInTimeWindow(element, start, end);
            if (place == TimePlace::After)
                break;
            if (place == TimePlace::Within)
                PositionIfDirty(NotationDisplayOf(element), conductor, staff);
        }
        // Ties and slurs begun before the window that reach into it have
        // pieces here too (a tie's continuation at the top of a page).
        POSITION back = from;
        if (back)
            elements->GetPrev(back);   // the window's first element, placed above
        while (back) {
            ECBase* element = elements->GetPrev(back);
            if (RunsIntoWindow(element, start))
                PositionIfDirty(NotationDisplayOf(element), conductor, staff);
        }
    }
    MCEventList* children = m_pBaseEvent->GetChildren();
    for (POSITION pos = children ? children->GetHeadPosition() : nullptr; pos;) {
        ECBase* child = children->GetNext(pos);
        if (!child || child->GetClassType() != ET_FRAME)
            continue;
        DCctBase* display = NotationDisplayOf(child);
        if (!display)
            continue;
        if (display->PositionDirty() && display->Position(nullptr, nullptr, nullptr, nullptr))
            display->SetPositionDirty(0);
        if (display->FrameDirty()) {
            display->SetSize(pDC);
            display->SetFrameDirty(0);
        }
    }
}

void CCantrel::OnPostPaint(CDC* pDC) {
    MCScrollView::OnPostPaint(pDC);
    if (m_pCursor)
        m_pCursor->Draw(pDC);
    // The paint copied the score over the play line: it is drawn again.
    if (m_pPlayCursor)
        m_pPlayCursor->Draw(pDC);
}

void CCantrel::PerformScroll(CDC* pDC) { MCScrollView::PerformScroll(pDC); }

void CCantrel::Refresh(CDC* pDC, CPoint& from, CPoint& to) {
    CBitmap* bitmap = GetOffscreenBitmap();
    if (!bitmap)
        return;
    CDC memory;
    memory.CreateCompatibleDC(pDC);
    memory.SetMapMode(pDC->GetMapMode());
    memory.SetWindowExt(pDC->GetWindowExt());
    memory.SetViewportExt(pDC->GetViewportExt());
    memory.SetBkMode(pDC->GetBkMode());
    CBitmap* previous = memory.SelectObject(bitmap);
    CSize size(to.x - from.x, to.y - from.y);
    if (size.cx == 0) {
        CSize pixel(1, 0);
        pDC->DPtoLP(&pixel);
        size.cx = pixel.cx;
    }
    pDC->BitBlt(from.x, from.y, size.cx, size.cy, &memory, from.x, from.y, SRCCOPY);
    memory.SelectObject(previous);
    memory.DeleteDC();
}
