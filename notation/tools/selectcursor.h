// The select tool (edit mode select) and the erase tool (edit mode erase).
//
// Select picks elements by a click or a rubber band; Ctrl adds to the
// selection, and Ctrl on a selected element takes it out; a click on an
// element already selected hands the selection to the view's drag; a click
// that selects nothing places a blinking caret at the nearest ruler
// division of the measure under the pointer. Hovering moves only the caret
// position and the status text: the tool's time and parent stay.
//
// Erase deletes the element clicked, or the notes inside a rubber band when
// the button is released, through the view's Delete; it shows no caret.
//
// Both look for a fixed table of element types, snap to the ruler, and keep
// a caret (CToolCaret) of two points computed as the insert line is. The
// blink is the view's timer 1000, started by Show and killed by Hide and
// the destructor. UI thread only.
#pragma once

#include "notation/tools/musiccursor.h"

class ECBase;
class MCEventList;

// The caret both tools keep: where it would stand now and where it is drawn,
// view units; every point (0, 0) when there is none.
struct CToolCaret {
    CPoint top, bottom;
    CPoint drawnTop, drawnBottom;

    void Reset();
    // The caret at the nearest division of the conductor measure (none:
    // unchanged).
    void Position(ECConductorMeasure* measure, const CPoint& point, int snap);
    // A one-pixel bar from the drawn top to the drawn bottom inverted on
    // `dc`, clipped to the view's drawing area: twice restores the score.
    void Invert(CCantrel& view, CDC* dc) const;
    // The drawn caret's area repainted from the score.
    void Erase(CCantrel& view) const;
};

// What both tools share: the caret, placed at the nearest division under
// the pointer, inverted by Draw and repainted away by EraseCaret.
class CCaretCursor : public CMusicCursor {
public:
    using CMusicCursor::CMusicCursor;

    void Reset() override;
    // Inverts the caret once (the select tool's blink).
    void Draw(CDC* dc) override;
    // The caret as drawn (tests).
    const CToolCaret& GetCaret() const { return m_caret; }

protected:
    virtual void UpdatePosition(CDC* dc, CPoint& point);
    // The drawn caret's area repainted from the score (none without a window).
    void EraseCaret();

    CToolCaret m_caret;
};

class CSelectCursor : public CCaretCursor {
public:
    // The view's parent types are not used: the tool's types are its own.
    CSelectCursor(CCantrel* view, const std::vector<int>* parentTypes);
    ~CSelectCursor() override;

    int CanInsert(int eventType) override;
    // Draws the caret and starts the blink.
    void Show() override;
    // Stops the blink and repaints the caret's area.
    void Hide() override;
    using CMusicCursor::Update;
    void Update(CPoint& point, int show) override;
    void OnMouseDragBegin(UINT flags, CPoint& point) override;
    void OnMouseDragContinue(UINT flags, CPoint& point) override;
    void OnMouseDragEnd(UINT flags, CPoint& point) override;

    // The element types a click looks for, in order.
    static const std::vector<int>& SelectTypes();
    UINT_PTR GetBlinkTimer() const { return m_nTimer; }

private:
    void KillBlink();

    UINT_PTR m_nTimer = 0;
};

class CEraseCursor : public CCaretCursor {
public:
    CEraseCursor(CCantrel* view, const std::vector<int>* parentTypes);

    int CanInsert(int eventType) override;
    void Show() override;
    void Hide() override;
    using CMusicCursor::Update;
    void Update(CPoint& point, int show) override;
    void OnMouseDragBegin(UINT flags, CPoint& point) override;
    void OnMouseDragContinue(UINT flags, CPoint& point) override;
    void OnMouseDragEnd(UINT flags, CPoint& point) override;

    // The select tool's types without grace notes.
    static const std::vector<int>& EraseTypes();
};

// The elements of `types` (measures and staves left out) under the device
// point among the view's visible elements, hit with a 2 x 2 box, one at
// most (with its tie chain). Shared by both tools' clicks.
void FindClicked(CCantrel& view, const std::vector<int>& types, const CPoint& viewPoint, MCEventList& hits);
