// CInsertCursor: the base of every tool that places a new element, and the
// tool the view uses as it is for an insertable type with no tool of its
// own and for placing pasted and dropped elements.
//
// It follows the pointer with a dotted vertical line (the selection colour)
// at the nearest ruler division of the measure under it, tracks the parent,
// time, voice and pitch there, shows the time in the status bar, and on a
// click adds the palette's prototype under the parent with one add command.
// A paste places each element at its offset from the insertion point
// (Update with a CSelectionOffset) and adds it into the paste's command.
//
// The insert line and the line drawn are kept in view units; the line
// drawn is what the screen shows, so erasing repaints exactly that.
// UI thread only.
#pragma once

#include "interface/controls/line.h"
#include "notation/tools/musiccursor.h"

class FCMidi;

class CInsertCursor : public CMusicCursor {
public:
    // The prototype's allowed parent types (may be null); the insert cursor.
    CInsertCursor(CCantrel* view, const std::vector<int>* parentTypes);
    ~CInsertCursor() override;

    // -2: whether a parent is set. Else whether an element of the type may
    // stand under the parent (none for -1 or without a parent).
    int CanInsert(int eventType) override;
    // Draws the line.
    void Show() override;
    // Repaints the drawn line's area from the score.
    void Hide() override;
    // The base reset, both lines emptied (nothing erased: callers hide first).
    void Reset() override;
    // While visible: the old line erased when it moved, the line drawn dotted.
    void Draw(CDC* dc) override;
    // Places the tool for one element of a paste: the pointer's update
    // without drawing, then the offsets: time added, pitch moved and held to
    // 0-127, voice moved; a measure parent becomes its staff's measure at
    // the new time. 0 without a parent or under any other parent than a
    // staff, the conductor staff or a measure.
    int Update(CPoint& point, CSelectionOffset& offset) override;
    // Parent, time and position under the point; the line redrawn when
    // `show` is set and anything changed; the time as status text.
    void Update(CPoint& point, int show) override;
    // Adds the element (itself, no copy) under the parent at the tool's time
    // and voice, on the parent's track: into `command` when given, else by
    // a command of its own, applied, the document then modified. 0, adding
    // nothing, without an element or a parent or when the parent may not
    // hold it; the element stays the caller's then.
    int Insert(ECBase* element, CCAdd* command) override;
    // Over a parent the prototype is inserted (a refused copy is released);
    // elsewhere the base's band.
    void OnMouseDragBegin(UINT flags, CPoint& point) override;

    int GetVoice() const { return m_nVoice; }
    int GetPitch() const { return m_nPitch; }
    // View units.
    const MCLine& GetInsertLine() const { return m_insertLine; }
    const MCLine& GetDrawnLine() const { return m_drawnLine; }

protected:
    // The line at the nearest division under the point, and the voice and
    // pitch there; nothing under it: hidden, reset, shown.
    virtual void UpdatePosition(CDC* dc, CPoint& point);
    // The MIDI message the element is added with; 0: none (MidiNull).
    virtual int GetMidiData(ECBase* element, FCMidi& midi);

    // The pointer's update without the status text: parent, time and
    // position under the point, the line redrawn when `show` is set.
    void Follow(CPoint& point, int show);
    // The end of Follow: when `show` is set and anything changed, the line
    // redrawn over a parent, else the tool hidden, reset and shown; the
    // changed flag cleared.
    virtual void ShowChanges(CDC* dc, int show);
    // The insert line at the column's nearest division to the point (view
    // units); 0, nothing changed, without the column's display.
    int PlaceLine(ECConductorMeasure* column, CPoint& point);
    // The voice and pitch of the measure at the point, the engine's voice
    // hint set; 0, nothing changed, without the measure's display.
    int PlaceVoiceAndPitch(ECMeasure* measure, CPoint& point);

    // Inserts the palette's prototype (a new copy, ours); a refused copy is
    // released. 1 when it went in.
    int InsertPrototype(ECBase* prototype);

    MCLine m_insertLine;   // view units
    MCLine m_drawnLine;    // view units: what the screen shows
    int m_nVoice = 0;
    int m_nPitch = 0;      // 0-127; -1 after a paste without a pitch
};
