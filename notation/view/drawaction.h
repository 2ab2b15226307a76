// The drawing walks of the notation view: ACDraw draws display objects,
// ACHighlight changes their highlight or selection state and repaints just
// them.
//
// Both carry an accumulated offset: the origin, in view coordinates (logical
// units, y up), of the parent of the element being walked. Each element's
// display object is drawn at that offset and then adds its own position
// for its children; the offset is saved before an element's subtree is
// walked and restored after, so it always belongs to the subtree at hand and
// no absolute position is computed while drawing.
//
// ACDraw: set the device context, the origin (the first accumulated offset)
// and optionally a clip rectangle; apply to the visible elements (a list
// walk that goes on past AC_STOP_SIBLINGS) or to one element. Hidden
// elements are not drawn and their children are skipped; an element whose
// drawing reports that it lies wholly outside the area skips its children.
//
// ACHighlight (kind: HIGHLIGHT_ON, HIGHLIGHT_OFF, SELECT_ON, SELECT_OFF):
// sets the state bit on every element it is applied to (the view applies
// it with depth 0, so only the given elements change), then, for an element
// in the score whose staff and own display object are shown, draws it into
// the view's off-screen bitmap at its place and invalidates that area of the
// view without erasing: the view copies the bitmap out on its next paint.
// Without a bitmap (the view has not painted yet) nothing is drawn and the
// area is still invalidated; without a view only the state bits change.
//
// Short-lived, one thread: the user-interface thread, under the caller's
// hold on the performance.
#pragma once

#include "model/actions.h"
#include "platform/gdi/dc.h"
#include "platform/ui/geometry.h"

#include <memory>

class CBitmap;
class CClientDC;
class ECConductor;
class MCScrollView;

class ACDraw : public ACBase {
public:
    ACDraw();
    ~ACDraw() override;

    // Saves the accumulated offset, walks as ACBase does, restores it.
    using ACBase::Apply;
    int Apply(ECBase* event) override;
    int DoAction(ECBase* event) override;
    // The DC is told when no element's drawing is under way any more (see
    // CDC::SetDrawingObject): what is drawn after the walk is no element's.
    void EndAction() override;

    // Borrowed.
    virtual void SetDC(CDC* dc) { m_pDC = dc; }
    // Borrowed; ACHighlight finds an element's staff through it.
    virtual void SetConductor(ECConductor* conductor) { m_pConductor = conductor; }
    // The origin, which is also where the accumulated offset starts.
    virtual void SetOrigin(int x, int y);
    // Borrowed; null draws unclipped.
    virtual void SetClipRect(CRect* clip) { m_pClip = clip; }

    CPoint GetOffset() const { return m_offset; }
    CPoint GetOrigin() const { return m_origin; }

protected:
    CDC* m_pDC = nullptr;                 // borrowed
    CPoint m_offset;
    CPoint m_origin;
    CRect* m_pClip = nullptr;             // borrowed
    ECConductor* m_pConductor = nullptr;  // borrowed
};

class ACHighlight : public ACDraw {
public:
    enum Kind : int {
        HIGHLIGHT_ON = 0,
        HIGHLIGHT_OFF = 1,
        SELECT_ON = 2,
        SELECT_OFF = 3,
    };

    explicit ACHighlight(int kind);
    ~ACHighlight() override;

    // Opens a DC on the view prepared as its paint prepares one, and a memory
    // DC like the view's own over its off-screen bitmap. 1.
    int BeginAction() override;
    int DoAction(ECBase* event) override;

    // Borrowed; null changes the state bits only.
    virtual void SetView(MCScrollView* view) { m_pView = view; }
    // Borrowed: the view's off-screen bitmap; null draws nothing.
    virtual void SetBitmap(CBitmap* bitmap) { m_pBitmap = bitmap; }

private:
    // Whether the element's staff is shown (no conductor, or no staff
    // named by the element: shown).
    bool StaffShown(ECBase* event) const;

    int m_kind;
    MCScrollView* m_pView = nullptr;        // borrowed
    CBitmap* m_pBitmap = nullptr;           // borrowed, the view's
    std::unique_ptr<CClientDC> m_pClientDC; // owned, while the action lives
    CDC m_memoryDC;                         // over the bitmap, while the action lives
    bool m_memoryReady = false;
};
