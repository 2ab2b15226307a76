// CLyricCursor: the lyric tool. A click does not place the palette's lyric:
// it opens a small edit box (CLyricEdit) on the lyric line under the note,
// rest or chord nearest in time to the pointer, showing that note's
// syllable. The user types and moves on with keys (Tab, Space or Insert to
// the next note, Shift+Tab to the one before, Enter to close, Escape to
// close without storing); each move stores the syllable of the note it
// leaves, so the text reaches the document note by note.
//
// A syllable is an ECLyric under the note's measure at the note's time (not
// under the note: renotation may replace the note, the time stays). A note's
// lyric is the first lyric in its measure at its time. Storing: a new text
// goes in by a synchronous add command, a changed one is edited in place
// (one edit state 1200), an emptied one is removed by a synchronous remove
// command; the document is marked modified.
//
// The stops of a measure are its notes, rests and chords in time order, one
// for each time. The lists hold a reference on each stop; after anything is
// stored the lists are read again (renotation may replace rests and chords)
// and the note being edited is found again by its time.
//
// The edit box is owned and lives only while editing. The view and the
// measures are borrowed; the measure being edited is referenced while it is
// edited. UI thread only.
#pragma once

#include "model/lists.h"
#include "notation/tools/insertcursor.h"

#include <memory>

class CLyricEdit;
class ECLyric;

class CLyricCursor : public CInsertCursor {
public:
    // How EndEditing leaves the note.
    enum EndMode {
        END_STORE = 0,      // store, close the box
        END_NEXT = 1,       // store, go to the next stop (wrapping to measure 1)
        END_PREVIOUS = 2,   // store, go to the stop before (wrapping to the last measure)
        END_DISCARD = 3,    // close without storing
    };

    // Looks for measures only; snap on; the I-beam.
    CLyricCursor(CCantrel* view, const std::vector<int>* parentTypes);
    // The box closed without storing.
    ~CLyricCursor() override;

    // A lyric with a parent (-2: whether a parent is set).
    int CanInsert(int eventType) override;
    // Stores and closes an open box (not while a store is running), then
    // the insert line's hiding.
    void Hide() override;
    // The base reset, and the stop under the pointer forgotten: what the
    // tool found may be renotated away.
    void Reset() override;
    // Adds the lyric under the measure at the tool's time and voice, on the
    // measure's track (as the insert tool does); the hover list read again.
    int Insert(ECBase* event, CCAdd* command) override;
    // Stores and closes an open box; over a measure with a stop, opens the
    // box on that stop.
    void OnMouseDragBegin(UINT flags, CPoint& point) override;

    // Leaves the note being edited (EndMode). Called by the box's keys.
    void EndEditing(int mode);

    CLyricEdit* GetEditBox() const { return m_pEditBox.get(); }
    // The stop nearest the pointer, the one being edited, and its measure;
    // null when none.
    ECBase* GetTarget() const { return m_pTarget; }
    ECBase* GetEditedNote() const { return m_pEditedNote; }
    ECBase* GetEditedMeasure() const { return m_pEditedMeasure; }
    // The y (view units) of the lyric line of the measure under the pointer.
    int GetLyricY() const { return m_nLyricY; }

protected:
    // The measure under the point; the hover list read when it changed.
    void UpdateParents(CDC* dc, CPoint& point) override;
    // The stop nearest in time to the point (ties to the earlier) becomes
    // the target, its time the tool's.
    void UpdateTime(CDC* dc, CPoint& point) override;
    // The insert line at the target's time (none without a target), and
    // the lyric line's y.
    void UpdatePosition(CDC* dc, CPoint& point) override;

    // The extent of "Lyric" in the lyric font (logical units), measured once.
    CSize GetLyricSize();
    // The box of the note's syllable, view units: from the note's x on the
    // lyric line, as high and wide as GetLyricSize.
    void GetLyricBox(ECBase* note, CRect& box);
    // That box in device pixels of the view, normalised, 50 pixels wider
    // on the right for typing.
    void GetEditBox(CRect& box);
    // The stops of the measure: its notes, rests and chords, sorted by time,
    // one for each time (the first of the sorted ones), none without a time.
    static void FindEvents(ECBase* measure, MCEventList& list);
    // The first lyric under the measure at the time; null when none.
    static ECLyric* FindLyric(ECBase* measure, const MCTime& time);
    // Opens the box on the edited note with its syllable; with none, closes.
    void BeginEditing();
    // Deletes the box and forgets the edited note and measure.
    void FinishEditing();

private:
    // The syllable typed for the edited note stored as the box's text says.
    void StoreText(const std::string& text);
    // Adds a new lyric holding the text for the edited note.
    void AddLyric(const std::string& text);
    // The stop after (or before) the edited note, moving on to the next (or
    // previous) measure of its staff at the end; null when there is none.
    ECBase* FindNextStop(bool forward);
    // The edited measure becomes `measure` (referenced), its stops read.
    void SetEditedMeasure(ECBase* measure);
    // The stop of the list at the time; null when none.
    static ECBase* StopAt(MCEventList& list, const MCTime& time);

    ECBase* m_pListed = nullptr;          // borrowed: the measure of the hover list
    ECBase* m_pEditedMeasure = nullptr;   // referenced while editing
    MCEventList m_hoverList;              // a reference on each stop
    MCEventList m_editList;               // a reference on each stop
    ECBase* m_pTarget = nullptr;          // held by the hover list; may be null
    ECBase* m_pEditedNote = nullptr;      // held by the edit list; null when not editing
    MCTime m_editedTime;                  // the edited note's time
    int m_nLyricLine = 0;                 // always the first line
    int m_bEnding = 0;                    // set while EndEditing runs
    CSize m_lyricSize{0, 0};              // logical units; 0, 0 until measured
    int m_nLyricY = 0;                    // view units
    std::unique_ptr<CLyricEdit> m_pEditBox;   // owned; null when not editing
};
