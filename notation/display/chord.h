// DCctChord: the notation display object of a chord (ECChord, whose children
// are its notes and their markings).
//
// A chord draws nothing of its own: each note draws its head, stem, flag,
// accidentals and dots. The chord decides how its notes stand together:
// which heads step aside in seconds, in which columns the accidentals stand,
// on which side of a staff line each dot sits, which one note carries the
// shared stem (the anchor: the bottom note of a stem-up chord, the top note
// of a stem-down one), how long that stem is, and which way each tie curves.
// Value, ticks and spelling are answered from the notes.
//
// Notehead positions (kept by each note): 0 normal, 1 one head width to the
// left, 2 one head width to the right. Accidental columns are counted
// leftwards from the notes (offsets 0 or below, logical units) and handed to
// each accidental as its user offset.
//
// The top and bottom notes are cached, and found again while the chord is
// dirty: whoever changes a chord's notes marks it dirty. A cached note that
// has left the chord is never answered: it is found again then too.
//
// Archive form: the DCctBase head only. The duration fields of a chord are
// not stored; PostSerialize takes the bases from the first note and the
// track from the measure.
// Ownership and threads as DCctBase.
#pragma once

#include "model/lists.h"
#include "notation/display/notate.h"

#include <vector>

class DCctNote;
class ECNote;
class MCEventList;

class DCctChord : public DCctNotate {
    DECLARE_SERIAL(DCctChord)
public:
    enum NoteheadPosition : BYTE { HEAD_NORMAL = 0, HEAD_LEFT = 1, HEAD_RIGHT = 2 };
    enum TieDirection : int { TIE_OVER = 0, TIE_UNDER = 1 };

    DCctChord();
    // The DCctNotate copy; both caches start empty.
    DCctChord(const DCctChord& other);
    ~DCctChord() override;

    // ---- virtual operations -------------------------------------------------

    // The DCctBase head only.
    void Serialize(CArchive& ar) override;
    // Both bases from the first note; the voice/track word keeps its voice
    // and takes the measure's track.
    void PostSerialize(CArchive& ar) override;
    // Sizes the chord and draws nothing: DRAW_NOTHING.
    int Draw(CDC* dc, CPoint point, CRect* clip) override;
    // Finds the clef in force and places the dots. 1; 0 without a clef or
    // its display.
    int Position(ECConductor* conductor, ECStaff* staff, ECMeasure* measure, ECBase* parent) override;
    BYTE PositioningType() override { return 1; }
    // The box of the notes and their markings, when the frame is dirty.
    void SetSize(CDC* dc) override;
    // Notehead sides and accidental columns; leaves the chord clean.
    void Assemble() override;
    // Two head widths when a head stands aside, else one.
    int GetWidth() override;
    BYTE GetVoice() override { return 0; }

    // A chord stands where its notes do.
    void SetPosition(int, int) override {}
    void SetPosition(CSize) override {}
    void SetPosition(CPoint) override {}
    void SetOffset(int, int) override {}
    void SetOffset(CSize) override {}
    void SetOffset(CPoint) override {}

    // ---- answers from the notes -----------------------------------------------

    // The first note's; a quarter without notes.
    WORD GetValue() override;
    // The note at the stem's free end: the top note when the stem is up.
    MCPitch& GetSpelling() override;
    // The first note's; 0 and a quarter without notes.
    WORD GetTickStart(int mode) override;
    WORD GetTickDuration(int mode) override;

    // Every stem hidden, then the anchor's as asked: only the anchor shows one.
    void HideStem(int hide, int flag) override;
    int IsStemHidden() override;
    int GetStemSide() override { return 0; }
    void SetStemSideOverride(int on) override;
    // Every note's stem reaches `length` half-spaces beyond the far note.
    void SetStemLength(BYTE length, int add, int override) override;
    BYTE GetStemLength() override;
    void SetStemDirection(int direction, int override) override;
    int GetStemDirection() override;
    void SetStemDirectionOverride(int on) override;
    // Even voices up, odd voices down.
    void SetStemDirectionByVoice() override;
    // By the count of notes above and at or below the middle line; on equal
    // counts the note farther from it decides.
    void SetStemDirectionByPitch(DCctClef* clef) override;
    void SetStemEnd(int y) override;
    int GetStemHeight() override;
    CPoint GetStemPosition() override;
    void SetLedgerLines(DCctClef* clef) override;
    void SetTieDirectionByPitch(DCctClef* clef) override;
    void SetFlag(int on) override;
    int GetFlag() override;
    short GetTotalWidthLeft() override;
    short GetTotalWidthRight() override;
    short GetTotalWidth() override;

    // ---- the notes ---------------------------------------------------------------

    // Highest and lowest note (by spelling once the first note is spelled,
    // else by key); the first of equal notes wins. Null without notes.
    DCctNote* GetTopNote();
    DCctNote* GetBottomNote();
    // The note carrying the stem; null without notes.
    DCctNote* GetAnchorNote();
    // A note event's display; null for none or another kind of event.
    static DCctNote* NoteDisplayOf(ECBase* event);
    // The x of the first note's display; 0 without one.
    int GetNoteX();

protected:
    // Appends the chord's note children (child order) to `list`; their count.
    int FindNoteChildren(MCEventList& list);
    // Calls `action` with the display of each note (child order) that has one.
    template <class Action>
    void ForEachNote(Action action) {
        MCEventList notes;
        FindNoteChildren(notes);
        for (POSITION pos = notes.GetHeadPosition(); pos;)
            if (DCctNote* note = NoteDisplayOf(notes.GetNext(pos)))
                action(note);
    }
    ECNote* FindFirstNoteChild();
    DCctNote* FirstNoteDisplay();

    // The dot pass with the clef in force.
    void _Position(DCctClef* clef);
    // Neighbours of `sorted` a unison or second apart.
    int IsIntervalOfSecond(MCEventList& sorted);
    // One accidental into the column at `offset` (logical units, <= 0).
    void SetAlignPosition(ECBase* note, ECBase* accidental, int offset);
    // An accidental of the chord with the note it belongs to.
    struct AccidentalEntry {
        ECBase* accidental = nullptr;
        ECBase* note = nullptr;
    };
    // Columns for `list` (in the sorted note order: lowest first when
    // `down` is 0, highest first when 1) from `offset` leftwards; the list is
    // used up.
    void AlignAccidentals(std::vector<AccidentalEntry>& list, int offset, int down);
    void AlignDots(MCEventList& dots, MCEventList& sorted, int right, DCctClef* clef);

private:
    // The note event of the highest (top 1) or lowest note, by the rule above.
    ECBase* FindExtreme(int top);
    // The cached note while it is still one of the chord's notes, else null.
    ECBase* StillANote(ECBase* cached);

    ECBase* m_pTopNote = nullptr;      // cache, borrowed (compared, not read, until found a child)
    ECBase* m_pBottomNote = nullptr;   // cache, borrowed
};
