// The tools that join notes with a tie or a slur.
//
// The user picks notes by clicking one or by dragging a rectangle over
// several: each pick replaces the document's selection. When the button is
// released over two or more selected notes, a new mark from the palette is
// inserted over them and the selection cleared. The view's Tie Notes and
// Slur Notes commands go through the same Insert, over the notes the user
// selected beforehand.
//
// CJoinCursor holds what both tools share: the note under the pointer shown
// selected while the pointer rests on it, the time in the status bar, the
// picking and the insertion. The two differ only in which selected notes
// the mark takes:
//   CSlurCursor   every selected element;
//   CTieCursor    the first two notes a tie can join (FilterSelection).
//
// Insert takes the mark as the other tools take their elements: answering
// 1, the mark went into a command (which holds it); 0, it was refused and
// stays the caller's, joined to nothing. The caller's references are left
// as they were. The members are linked under the mark (under the
// performance's lock) before the mark itself is added by command, so that
// the engine sees a whole tie or slur.
//
// Neither tool inserts anything the view offers (paste, drop): CanInsert
// answers 0, as the erase tool does. The cross cursor. UI thread only.
#pragma once

#include "notation/tools/musiccursor.h"
#include "notation/tools/toolselection.h"

class MCEventList;

class CJoinCursor : public CMusicCursor {
public:
    // Parent types: notes alone (the parent is the note under the pointer);
    // `parentTypes` is not used. Snap on, not visible, the cross cursor.
    CJoinCursor(CCantrel* view, const std::vector<int>* parentTypes);

    // The note shown selected let go (the view hides the tool before each
    // command and before the tool goes).
    void Hide() override;
    // The base reset; nothing shown.
    void Reset() override;
    // The note under the pointer shown selected in place of the one shown before.
    void Draw(CDC* dc) override;
    using CMusicCursor::Update;
    // Time and note under the point; the note shown when `show` is set; the
    // time in the status bar.
    void Update(CPoint& point, int show) override;
    // The mark over the document's selection, chosen by ChooseMembers: it
    // takes the first member's time and voice/track word and goes under that
    // member's staff, into `command` when given, else by a command of its
    // own applied here (the document marked modified). 0, nothing changed,
    // for no mark, a selection the tool cannot join, a first member off any
    // staff, or a mark the command refuses.
    int Insert(ECBase* mark, CCAdd* command) override;
    // The note clicked (none: nothing) becomes the selection; a rectangle begins.
    void OnMouseDragBegin(UINT flags, CPoint& point) override;
    // The notes inside the rectangle become the selection.
    void OnMouseDragContinue(UINT flags, CPoint& point) override;
    // With two or more selected, a new mark from the palette inserted (and
    // released when refused); the selection cleared then, either way.
    void OnMouseDragEnd(UINT flags, CPoint& point) override;

    ECBase* GetShown() const { return m_shown.element; }

protected:
    // Leaves in `members` (a copy of the selection) the elements the mark
    // joins; whether they are enough.
    virtual int ChooseMembers(MCEventList& members) = 0;

private:
    // The selection replaced by `picked`, as a pick in progress.
    void Pick(const MCEventList& picked);

    CToolHighlight m_shown;   // the note shown selected under the pointer
};

class CSlurCursor : public CJoinCursor {
public:
    using CJoinCursor::CJoinCursor;

protected:
    // Every selected element; at least two.
    int ChooseMembers(MCEventList& members) override;
};

class CTieCursor : public CJoinCursor {
public:
    using CJoinCursor::CJoinCursor;

    // Keeps the first two notes of `list` that a tie can join, in order.
    // Notes (with a display object) are read in order: one that already
    // starts a tie goes; the first remaining one sets the spelling; a later
    // one of another spelling or on another track than the note before it
    // goes; one that does not start where the note before it ends (within
    // 8 ticks at 256 a quarter) goes. Elements without a note display stay.
    // Then elements are taken from the end until at most two are left;
    // whether two are left.
    int FilterSelection(MCEventList& list);

    // Two starts closer than this to the first note's length apart (ticks at
    // 256 a quarter) still follow one another.
    static constexpr int kGapTolerance = 8;

protected:
    int ChooseMembers(MCEventList& members) override;
};
