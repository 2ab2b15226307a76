// ACDraw and ACHighlight: drawing and repainting display objects.
#include "notation/view/drawaction.h"

#include "interface/document/scrollview.h"
#include "model/conductor.h"
#include "model/event.h"
#include "model/eventtypes.h"
#include "model/lists.h"
#include "model/staff.h"
#include "notation/display/base.h"
#include "platform/gdi/gdiobj.h"
#include "platform/ui/paint.h"

namespace {

// The bits of Draw's answer the walk reads (their meaning is the display
// objects'): an element outside the drawn area answers DRAW_OUTSIDE with
// the side it lies on.
constexpr int DRAW_OUTSIDE = 2;
constexpr int DRAW_LOW_Y = 4;
constexpr int DRAW_HIGH_X = 0x10;

constexpr BOOL NO_ERASE = FALSE;

}  // namespace

// ---- ACDraw -------------------------------------------------------------------

ACDraw::ACDraw() : ACBase(0) {}

ACDraw::~ACDraw() = default;

void ACDraw::SetOrigin(int x, int y) {
    m_origin = CPoint(x, y);
    m_offset = m_origin;
}

int ACDraw::Apply(ECBase* event) {
    const CPoint saved = m_offset;
    const int result = ACBase::Apply(event);
    m_offset = saved;
    return result;
}

int ACDraw::DoAction(ECBase* event) {
    DCctBase* display = NotationDisplayOf(event);
    if (!display)
        return AC_CONTINUE;
    if (m_pDC)
        m_pDC->SetDrawingObject(display);
    const int flags = display->IsHidden() ? DCctBase::DRAW_HIDDEN : display->Draw(m_pDC, m_offset, m_pClip);
    // Children stand relative to this element, hidden or not.
    const CPoint position = display->GetPosition();
    m_offset.Offset(position.x, position.y);
    if (flags & DCctBase::DRAW_HIDDEN)
        return AC_SKIP;
    // Wholly beyond the area: nothing below it can be inside.
    if ((flags & DRAW_OUTSIDE) && (flags & (DRAW_HIGH_X | DRAW_LOW_Y)))
        return AC_SKIP;
    return AC_CONTINUE;
}

void ACDraw::EndAction() {
    if (m_pDC)
        m_pDC->SetDrawingObject(nullptr);
}

// ---- ACHighlight ----------------------------------------------------------------

ACHighlight::ACHighlight(int kind) : m_kind(kind) {}

ACHighlight::~ACHighlight() {
    if (m_memoryReady)
        m_memoryDC.DeleteDC();
}

int ACHighlight::BeginAction() {
    ACDraw::BeginAction();
    if (!m_pView || m_memoryReady || !m_pView->GetSafeHwnd())
        return 1;
    m_pClientDC = std::make_unique<CClientDC>(m_pView);
    m_pView->OnPrepareDC(m_pClientDC.get());
    // The same memory DC the view paints through, so that what is drawn
    // here lands where the view's own drawing does.
    m_memoryDC.CreateCompatibleDC(m_pClientDC.get());
    m_memoryDC.SetMapMode(m_pClientDC->GetMapMode());
    m_memoryDC.SetWindowExt(m_pClientDC->GetWindowExt());
    m_memoryDC.SetViewportExt(m_pClientDC->GetViewportExt());
    m_memoryDC.SetBkMode(m_pClientDC->GetBkMode());
    if (m_pBitmap)
        m_memoryDC.SelectObject(m_pBitmap);
    m_memoryReady = true;
    return 1;
}

bool ACHighlight::StaffShown(ECBase* event) const {
    const MCVoiceTrack* word = event->GetVoiceTrack();
    if (!m_pConductor || !word)
        return true;
    // A converted word names no track (2047).
    ECTrack* staff = m_pConductor->GetTrack(TRACK_STAFF, word->GetTrack(), 0);
    DCctBase* staffDisplay = NotationDisplayOf(staff);
    return !(staffDisplay && staffDisplay->IsHidden());
}

int ACHighlight::DoAction(ECBase* event) {
    DCctBase* display = NotationDisplayOf(event);
    if (!display)
        return AC_CONTINUE;
    // The state is the caller's to set even where nothing can be shown.
    switch (m_kind) {
    case HIGHLIGHT_ON:
        display->SetHighlighted(1);
        break;
    case HIGHLIGHT_OFF:
        display->SetHighlighted(0);
        break;
    case SELECT_ON:
        display->SetSelected(1);
        break;
    case SELECT_OFF:
        display->SetSelected(0);
        break;
    default:
        break;
    }
    MCEventList* parents = event->GetParents();
    if (!parents || parents->IsEmpty())
        return AC_SKIP;   // out of the score: nowhere to show it
    // The parent's origin in view coordinates.
    const CPoint at = m_offset + (display->GetVirtualPosition() - display->GetPosition());
    if (!StaffShown(event) || display->IsHidden())
        return AC_SKIP;
    if (!m_memoryReady)
        return AC_CONTINUE;
    if (m_pBitmap)
        display->Draw(&m_memoryDC, at, m_pClip);
    CRect frame;
    display->GetFrame(&frame, 0);
    frame.OffsetRect(at);
    m_pView->LPtoVP(&frame);
    m_pView->VPtoDP(&m_memoryDC, &frame);
    frame.NormalizeRect();
    m_pView->InvalidateRect(&frame, NO_ERASE);
    return AC_CONTINUE;
}
