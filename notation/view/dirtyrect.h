// DirtyRect: the update list, what must be redrawn after an edit.
//
// It collects rectangles (logical units, y up: a rectangle's top is its larger
// y) and elements whose frames must be refreshed, and a flag that asks for the
// whole window. The engine owns one; its passes add to it while they change
// the score, pagination sizes and places the elements listed, and the flush
// (Invalidate) hands every area to the view and empties the list.
//
// The element list holds a reference on each element, so an element taken out
// of the score while listed is still alive here: GetEvents drops every
// element only this list still holds before handing the list out.
//
// The view is reached through DirtyRect::Target: ScrollViewTarget is that of
// a scroll view such as the notation view (its view coordinates are the
// list's logical units: each rectangle goes through the view's VPtoDP with
// the flush's DC and is invalidated without erasing). User-interface thread
// only.
#pragma once

#include "model/lists.h"
#include "platform/ui/geometry.h"

#include <vector>

class CDC;
class ECBase;
class MCObList;
class MCScrollView;

class DirtyRect {
public:
    // What the flush needs of the view.
    class Target {
    public:
        virtual ~Target() = default;
        // The whole client area, without erasing.
        virtual void InvalidateAll() = 0;
        // A rectangle in logical units, converted for `dc`, without erasing.
        virtual void InvalidateLogical(CDC* dc, const CRect& rect) = 0;
    };

    // A scroll view as the flush's target (borrowed; it must outlive this).
    class ScrollViewTarget : public Target {
    public:
        explicit ScrollViewTarget(MCScrollView& view) : m_view(view) {}
        void InvalidateAll() override;
        void InvalidateLogical(CDC* dc, const CRect& rect) override;

    private:
        MCScrollView& m_view;
    };

    DirtyRect();
    virtual ~DirtyRect();
    DirtyRect(const DirtyRect&) = delete;
    DirtyRect& operator=(const DirtyRect&) = delete;

    // Null is ignored.
    void AddEvent(ECBase* event);
    // Every event of the list (other objects and a null list are ignored).
    void AddEvents(const MCObList* events);
    void AddRect(const CRect& rect);
    void SetRedrawAll(int redrawAll) { m_redrawAll = redrawAll; }
    int GetRedrawAll() const { return m_redrawAll; }

    // The rectangles in use.
    int GetRectCount() const { return m_rectCount; }
    const CRect& GetRect(int index) const { return m_rects[static_cast<size_t>(index)]; }

    // The element list, after dropping every element whose only holder is
    // this list (it has left the score).
    MCEventList& GetEvents();

    // The flush. With the redraw-everything flag the whole window once;
    // otherwise each rectangle, then the virtual frame of each listed element
    // that has a display object, widened by three noteheads on every side.
    // Then the flag is cleared and the list emptied. A null view only empties.
    void Invalidate(Target* view, CDC* dc);
    // Frees the rectangles and empties the element list.
    void Clear();

private:
    // The rectangle array grows this many entries at a time.
    static constexpr int GROW_BY = 10;

    std::vector<CRect> m_rects;
    int m_rectCount = 0;
    MCEventList m_events{10};   // holds a reference on each element
    int m_redrawAll = 0;
};
