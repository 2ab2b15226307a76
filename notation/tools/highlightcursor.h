// The tools that act on an element already in the score.
//
// CHighlightCursor shows the element under the pointer (found by the
// prototype's parent types, as every tool finds its parent) in the selected
// state while the pointer rests on it, and a click hands the palette's
// prototype to it. What it does besides finding its place and inserting
// stands in CHighlightBase, which the key and meter tools share
// (notation/tools/signaturecursors.h): they are its siblings, not kinds of it.
//
// CNoteModifierCursor marks notes with articulations and ornaments (accent,
// arpeggio, mordent, ornament, tremolo, trill, turn): a click marks the
// note under the pointer; a click beside every note starts a rubber band
// that selects notes and grace notes, and its release marks each selected
// one, all in one command. Its time is its parent's.
// CAccidentalCursor puts an accidental on a note or grace note.
// CDotCursor dots a note, or every note of a chord, by lengthening it in
// place (an edit, not a command): 1, 2 or 3 dots make it 1.5, 1.75 or
// 1.875 times as long; the dot itself never enters the score.
//
// Insert takes the caller's element as the insert tool does: answering 1,
// the element went into a command (which holds it, or keeps copies of an
// accent spread over a chord) or, for the dot, was read; 0, it was refused
// and stays the caller's. The caller's references are left as they were.
//
// The highlighted element is borrowed: it is let go (shown as the
// selection has it) when the pointer leaves it and when the tool hides,
// which the view does before every command and before the tool goes.
// UI thread only.
#pragma once

#include "notation/tools/musiccursor.h"
#include "notation/tools/toolselection.h"

class CCAddNoteModifier;
class ECNote;

// What the highlight tool shares with its siblings, the key and meter
// tools: the parent shown selected while the pointer rests on it, the voice
// and pitch under the pointer, and a click that offers the palette's
// prototype to Insert.
class CHighlightBase : public CMusicCursor {
public:
    // The parent types (may be null); the standard arrow.
    CHighlightBase(CCantrel* view, const std::vector<int>* parentTypes);

    // The highlighted element let go.
    void Hide() override;
    // The base reset; nothing highlighted.
    void Reset() override;
    // The parent shown selected in place of the element shown before.
    void Draw(CDC* dc) override;
    using CMusicCursor::Update;
    // Parent, time and position under the point; the highlight when `show`
    // is set; the time in the status bar (empty without one).
    void Update(CPoint& point, int show) override;
    // The palette's prototype inserted (none: nothing).
    void OnMouseDragBegin(UINT flags, CPoint& point) override;
    // Nothing: a click does its work as the button goes down.
    void OnMouseDragContinue(UINT flags, CPoint& point) override;
    void OnMouseDragEnd(UINT flags, CPoint& point) override;

    ECBase* GetHighlighted() const { return m_highlight.element; }
    int GetVoice() const { return m_nVoice; }
    int GetPitch() const { return m_pitch; }

protected:
    // The voice and pitch under the point and the position, when a conductor
    // measure lies there.
    virtual void UpdatePosition(CDC* dc, CPoint& point);

    // A new copy of the palette's prototype offered to Insert and released
    // unless taken; kNoPrototype without a prototype.
    int InsertPrototype(CCAdd* command);
    static constexpr int kNoPrototype = -1;

    CToolHighlight m_highlight;
    int m_nVoice = 0;
    BYTE m_pitch = 0;
};

class CHighlightCursor : public CHighlightBase {
public:
    // The prototype's parent types (may be null); the standard arrow.
    CHighlightCursor(CCantrel* view, const std::vector<int>* parentTypes);

    // -2: whether a parent is set; else whether an element of the type may
    // go under the parent.
    int CanInsert(int eventType) override;
    // Under the parent, at the tool's time, in the tool's voice and the
    // parent's track; into `command` when given, else by a command of its
    // own applied here (the document marked modified). 0 refused.
    int Insert(ECBase* element, CCAdd* command) override;

protected:
    // The command a click makes when none is given.
    virtual CCAdd* NewCommand();
    // `element` given the tool's time and voice and the parent's track.
    void PlaceElement(ECBase* element);
    // `element` added under the parent into `command`, or by a command of
    // its own applied to the performance; 0 when the command refused it.
    int AddElement(ECBase* element, CCAdd* command);
};

class CNoteModifierCursor : public CHighlightCursor {
public:
    CNoteModifierCursor(CCantrel* view, const std::vector<int>* parentTypes);

    // A click on a note marks it; elsewhere the selection is cleared and a
    // rubber band starts.
    void OnMouseDragBegin(UINT flags, CPoint& point) override;
    // The band selects the notes and grace notes inside it (Ctrl adds).
    void OnMouseDragContinue(UINT flags, CPoint& point) override;
    // The band's end marks every selected element, in one command.
    void OnMouseDragEnd(UINT flags, CPoint& point) override;

protected:
    CCAdd* NewCommand() override;
    // The parent's time; none without a parent.
    void UpdateTime(CDC* dc, CPoint& point) override;

private:
    int m_bBand = 0;   // a rubber band runs (the click found no parent)
};

class CAccidentalCursor : public CNoteModifierCursor {
public:
    using CNoteModifierCursor::CNoteModifierCursor;

    int CanInsert(int eventType) override;
    // Under a note or grace note only; its time and voice are the note's.
    int Insert(ECBase* element, CCAdd* command) override;

protected:
    // A plain add: an accidental is no articulation.
    CCAdd* NewCommand() override;
};

class CDotCursor : public CNoteModifierCursor {
public:
    using CNoteModifierCursor::CNoteModifierCursor;

    int CanInsert(int eventType) override;
    // The parent note, or each note of the parent chord, lengthened by the
    // dot's count in one edit message; `command` is not used and the dot
    // is not added. 1 with a parent.
    int Insert(ECBase* element, CCAdd* command) override;

    // The performed duration of a note given `dots` dots: its notated length
    // (read back through the duration functions) times 1.5, 1.75 or 1.875,
    // played again; unchanged for any other count.
    static MCTime DottedDuration(const MCTime& performed, int dots);
};
