// What the tools share to change the selection and to show an element as
// selected: a selection state applied to the performance, the elements a
// rubber band gathers, and the element a tool shows selected while the
// pointer rests on it. UI thread only.
#pragma once

#include <vector>

class CCantrel;
class CDC;
class ECBase;
class ECPerformance;
class MCEventList;

// A selection state of `code` with `events` (null: none) applied to the
// performance, `dynamic` passed on to its receivers (a band's changes come
// one after another). Sent: done on return. Nothing without a performance.
void ApplySelection(ECPerformance* performance, unsigned code, const MCEventList* events, int dynamic);

// The elements of `types` inside the view's drag rectangle, appended to
// `found`: among `among` when given, else in the whole performance.
void FindInBand(CCantrel& view, const std::vector<int>& types, MCEventList& found,
                MCEventList* among = nullptr);

// The element a tool shows in the selected state while the pointer rests on
// it: shown on the view's off-screen picture and the window repainted at
// once, shown again as the selection has it when let go. The element is
// referenced while shown: an edit may take it out of the piece meanwhile
// (renotation replaces notes), and then it is let go without drawing.
struct CToolHighlight {
    ECBase* element = nullptr;   // referenced, may be null; set through Hold
    int drawing = 0;             // set while the window is repainted

    CToolHighlight() = default;
    ~CToolHighlight() { Hold(nullptr); }
    CToolHighlight(const CToolHighlight&) = delete;
    CToolHighlight& operator=(const CToolHighlight&) = delete;

    // `target` (may be null) shown selected in place of the element shown
    // before; nothing while repainting or when it is that element already.
    void Switch(CCantrel& view, ECBase* target, CDC* dc);
    // The element shown unselected, unless the user selected it or it has
    // left the piece; none shown.
    void LetGo(CCantrel& view, CDC* dc);
    // LetGo on a prepared client context of the view (none without a window).
    void LetGoOnView(CCantrel& view);
    // Forgets the element without drawing (the view repaints afresh).
    void Reset() {
        Hold(nullptr);
        drawing = 0;
    }

private:
    void Hold(ECBase* target);
};
