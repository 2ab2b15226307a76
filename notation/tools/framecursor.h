// CFrameCursor: the tool for frames, the elements that hold embedded objects
// on the page.
//
// While a frame is dragged over the view or pasted, the tool shows the
// frame's outline following the pointer: a one-unit border inverted on the
// screen through the halftone brush, so one more inversion takes it away
// and moving it takes one inversion of the old and new borders together.
// The view gives the frame's size and the grab point (where inside the
// frame the pointer holds it) before it moves the tool; the outline's
// corner is the pointer minus the grab point. The parent is always the
// performance. Inserting a frame places its display at the outline and
// sizes it; its time and voice/track stay as they came. A click inserts
// nothing: the outline goes and the view's rubber band starts.
//
// Sizes, offsets and rectangles are in view units. UI thread only.
#pragma once

#include "notation/tools/musiccursor.h"

class CFrameCursor : public CMusicCursor {
public:
    explicit CFrameCursor(CCantrel* view);

    CSize& GetFrameSize() { return m_frameSize; }
    void SetFrameSize(CSize size) { m_frameSize = size; }
    CSize& GetFrameOffset() { return m_frameOffset; }
    void SetFrameOffset(CSize offset) { m_frameOffset = offset; }
    // The outline for the pointer, and the outline last drawn (view units).
    const CRect& GetFrameRect() const { return m_frameRect; }
    const CRect& GetDrawnRect() const { return m_drawnRect; }

    // A frame, with a parent set.
    int CanInsert(int eventType) override;
    void Show() override;
    // The view repainted at once over the outline last drawn.
    void Hide() override;
    // The base's, and the size, grab point and drawn outline made zero.
    void Reset() override;
    // Inverts the new outline, together with the old one when it moved.
    void Draw(CDC* dc) override;
    // The pointer moved by the element's display distance; always 1.
    int Update(CPoint& point, CSelectionOffset& offset) override;
    void Update(CPoint& point, int show) override;
    // The frame's display placed at the outline's corner and sized, then
    // the frame added under the performance.
    int Insert(ECBase* element, CCAdd* command) override;
    // The outline gone, then the view's own rubber band.
    void OnMouseDragBegin(UINT flags, CPoint& point) override;

private:
    CSize m_frameSize;
    CSize m_frameOffset;
    CRect m_frameRect;   // for the pointer's position
    CRect m_drawnRect;   // last drawn
};
