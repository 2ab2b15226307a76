// CGraceNoteCursor: the tool that places grace notes.
//
// Instead of an insert line it shows the note a grace note would go under
// in the selected state (the first note or chord of the pointer's voice at
// or after the pointer's time; in a chord, the note nearest the pointer's
// pitch by staff steps), with the ledger lines of the pointer's pitch. On
// release the grace note, a 64th long, goes under that note just before
// it: placed right of a grace note already there it takes that one's
// place, and every grace note before it moves back to make room.
// Pitch, voice, sounding and the status text are the note tool's. The
// ruler does not snap; the cursor is the cross.
//
// The note shown is borrowed: it is let go when the pointer leaves it and
// when the tool hides, which the view does before every command and
// before the tool goes. UI thread only.
#pragma once

#include "notation/tools/notecursor.h"
#include "notation/tools/toolselection.h"

class CGraceNoteCursor : public CNoteCursor {
public:
    CGraceNoteCursor(CCantrel* view, const std::vector<int>* parentTypes);

    // A grace note, with a parent set.
    int CanInsert(int eventType) override;
    // The note tool's, and the note shown let go.
    void Hide() override;
    void Reset() override;
    // The parent shown selected in place of the note shown before (nothing
    // under the pointer: the tool starts afresh), then the ledger lines.
    void Draw(CDC* dc) override;
    // The insert base's paste placement, then the parent found afresh.
    int Update(CPoint& point, CSelectionOffset& offset) override;
    // As the note tool's, the time found before the parent (the parent
    // search needs it).
    void Update(CPoint& point, int show) override;
    // Timed before its note (earlier grace notes moved back), then added as
    // the note tool adds.
    int Insert(ECBase* element, CCAdd* command) override;
    // Over a note the palette's grace note, a 64th long, goes in; then the
    // tool starts afresh.
    void OnMouseDragEnd(UINT flags, CPoint& point) override;

    // The note a grace note at the point would go under; null without a time
    // or a measure there.
    ECBase* FindParent(CPoint& point);
    ECBase* GetHighlighted() const { return m_highlight.element; }

    // How far before its note a grace note stands, and its length: a 64th
    // (ticks at 256 a quarter).
    static constexpr int kGraceTicks = 16;

protected:
    // The note found by FindParent when the tool looks for notes.
    void UpdateParents(CDC* dc, CPoint& point) override;

private:
    // The tool's time for a new grace note of the parent, earlier grace
    // notes moved back.
    void SetGraceNoteTime();

    CToolHighlight m_highlight;
};
