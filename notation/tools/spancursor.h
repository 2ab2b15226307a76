// The tools that place a mark covering a stretch of time: dynamics
// (CDynamicCursor; hairpins and the other dynamics whose type lasts),
// pedal and transposition marks (CInsertRangeCursor), and tempo changes
// (CTempoCursor; gradual ones last).
//
// The stretch is given by dragging from one end to the other, or by two
// clicks, the first at one end and the second at the other; whichever end
// is earlier becomes the mark's time and the distance between them its
// duration. A mark whose type does not last goes in at the first click.
// While a stretch is open its first end shows as a solid line beside the
// dotted insert line, the status bar reads "start --> end", and the tool
// holds the view's drag flag, so that the pointer's moves and the release
// come to it as a drag whether the button is held or not.
//
// CSpanCursor holds what the three share; they differ only in the parent
// they look for, whether their mark lasts, and the tempo tool's removal of
// the tempo it replaces. UI thread only.
#pragma once

#include "notation/tools/insertcursor.h"

class ECDynamic;
class ECTempo;

class CSpanCursor : public CInsertCursor {
public:
    ~CSpanCursor() override;

    // The insert tool's redraw, then the open stretch's first end solid.
    void Draw(CDC* dc) override;
    // The insert tool's; an open stretch's first end erased too and the
    // view's drag flag let go.
    void Hide() override;
    // The insert tool's; a tool whose mark lasts also closes its stretch.
    void Reset() override;
    // Parent, time and position under the point, redrawn when `show` is set;
    // the status text (both ends while a stretch is open).
    void Update(CPoint& point, int show) override;
    using CInsertCursor::Update;
    // Over a parent: a mark that does not last, or the second end of an open
    // stretch, inserts the palette's element; else a stretch opens here.
    // Nowhere else does anything happen (no band either).
    void OnMouseDragBegin(UINT flags, CPoint& point) override;
    // The pointer followed while the button is held.
    void OnMouseDragContinue(UINT flags, CPoint& point) override;
    // Released where the stretch began: it stays open for a second click.
    // Elsewhere the palette's element goes in over the stretch.
    void OnMouseDragEnd(UINT flags, CPoint& point) override;

    // Whether the tool's marks last (a stretch is given for them).
    int HasDuration() const { return m_bHasDuration; }
    int IsSpanOpen() const { return m_bSpanOpen; }
    const MCTime& GetSpanStartTime() const { return m_spanStartTime; }
    const MCLine& GetSpanStartLine() const { return m_spanStartLine; }   // view units

    // Gives the element the stretch's length, when the tool's marks last:
    // the tool's time becomes the earlier end and the stretch's start time
    // the later. A bar/pulse/tick end gives length zero.
    void AdjustDuration(ECBase* element);

protected:
    // `hasDuration`: whether the marks last.
    CSpanCursor(CCantrel* view, const std::vector<int>* parentTypes, int hasDuration);

    // Over no parent while a stretch is open, everything stays as it is.
    void ShowChanges(CDC* dc, int show) override;
    // Off the rulers while a stretch is open, the tool keeps its line.
    void UpdatePosition(CDC* dc, CPoint& point) override;

private:
    // The palette's element over the stretch (or at the click), then the
    // tool hidden, reset and shown afresh.
    void InsertSpan();

    int m_bHasDuration;
    int m_bSpanOpen = 0;
    MCTime m_spanStartTime;
    MCLine m_spanStartLine;   // view units
};

// Dynamics, under the staff. Given the palette's dynamic.
class CDynamicCursor : public CSpanCursor {
public:
    CDynamicCursor(CCantrel* view, ECDynamic* prototype);
};

// Tempo changes, under the conductor staff. Given the palette's tempo.
class CTempoCursor : public CSpanCursor {
public:
    CTempoCursor(CCantrel* view, ECTempo* prototype);

    // The tempo changes standing at the tool's time leave first, by one
    // remove command applied ahead of the add (the conductor staff holds
    // one tempo at a time); then the insert tool's. 0 without an element or
    // a parent.
    int Insert(ECBase* element, CCAdd* command) override;
};

// Pedal and transposition marks, under the parents the view gives. They
// always last.
class CInsertRangeCursor : public CSpanCursor {
public:
    CInsertRangeCursor(CCantrel* view, const std::vector<int>* parentTypes);

    void SetEventDuration(ECBase* element) { AdjustDuration(element); }
};
