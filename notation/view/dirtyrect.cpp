#include "notation/view/dirtyrect.h"

#include "interface/document/scrollview.h"
#include "model/event.h"
#include "model/plugin.h"
#include "notation/display/base.h"
#include "notation/layout/musicfont.h"
#include "platform/ui/paint.h"

namespace {

constexpr BOOL NO_ERASE = FALSE;

}  // namespace

void DirtyRect::ScrollViewTarget::InvalidateAll() {
    m_view.Invalidate(NO_ERASE);
}

void DirtyRect::ScrollViewTarget::InvalidateLogical(CDC* dc, const CRect& rect) {
    CRect device = rect;
    if (dc) {
        m_view.VPtoDP(dc, &device);
    } else {
        CClientDC own(&m_view);
        m_view.OnPrepareDC(&own);
        m_view.VPtoDP(&own, &device);
    }
    device.NormalizeRect();
    m_view.InvalidateRect(&device, NO_ERASE);
}

DirtyRect::DirtyRect() = default;

DirtyRect::~DirtyRect() {
    Clear();
}

void DirtyRect::AddEvent(ECBase* event) {
    if (event)
        m_events.AddEvent(event, UNSORTED);
}

void DirtyRect::AddEvents(const MCObList* events) {
    if (!events)
        return;
    for (POSITION pos = events->GetHeadPosition(); pos;)
        AddEvent(dynamic_cast<ECBase*>(events->GetNext(pos)));
}

void DirtyRect::AddRect(const CRect& rect) {
    if (m_rectCount >= static_cast<int>(m_rects.size()))
        m_rects.resize(m_rects.size() + GROW_BY);
    m_rects[static_cast<size_t>(m_rectCount++)] = rect;
}

MCEventList& DirtyRect::GetEvents() {
    // An element deleted from the score while listed is held by nothing but
    // this list: sizing or placing it would read an element without parents.
    for (POSITION pos = m_events.GetHeadPosition(); pos;) {
        const POSITION at = pos;
        if (m_events.GetNext(pos)->GetRefCount() == 1)
            m_events.RemoveAt(at);
    }
    return m_events;
}

void DirtyRect::Invalidate(Target* view, CDC* dc) {
    if (view && m_redrawAll) {
        view->InvalidateAll();
    } else if (view) {
        const int margin = 3 * MCMusicFont::GetMusicFont().GetNoteheadWidth(FONT_CURRENT);
        // y grows upward: a negative vertical inflation raises the top and
        // lowers the bottom.
        const auto flush = [&](CRect rect) {
            rect.InflateRect(margin, -margin);
            view->InvalidateLogical(dc, rect);
        };
        for (int i = 0; i < m_rectCount; ++i)
            flush(m_rects[static_cast<size_t>(i)]);
        for (POSITION pos = m_events.GetHeadPosition(); pos;) {
            auto* display = dynamic_cast<DCctBase*>(m_events.GetNext(pos)->GetData(DK_NOTATION, 0));
            if (!display)
                continue;
            CRect frame;
            display->GetVirtualFrame(&frame, 0);
            flush(frame);
        }
    }
    m_redrawAll = 0;
    Clear();
}

void DirtyRect::Clear() {
    m_rects.clear();
    m_rectCount = 0;
    m_events.RemoveAll();
}
