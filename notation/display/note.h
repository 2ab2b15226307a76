// DCctNote: the notation display object of a note (ECNote).
//
// On top of DCctNotate it keeps the notehead (its place beside the stem
// column, its style, and its kind by value: black, half, whole, double whole,
// no value), the flag, the tie direction and the courtesy-accidental and
// user-spelled marks; it places the note on its measure's ruler and staff and
// draws notehead, stem, flag and ledger lines. Chords draw and place their
// notes through it; grace notes derive from it.
//
// Notehead styles: 0 Normal, 1 Diamond, 2 Square, 3 X, 4 Slash, 5 Triangle,
// 6 Cross, 7 None (stem, flag and ledger lines without a head); 8 and above
// draw the black head with no stem offset.
//
// A note whose spelling has MIDI key 0 is not spelled yet: it is neither
// placed (Position answers 0) nor drawn (Draw answers 128).
//
// Class bits of the state word (beyond DCctNotate's): 24 flag, 26 tie
// direction (0 over), 27 courtesy accidental, 28 spelled by the user.
//
// Archive form: the DCctNotate form, then the notehead word (4) and the flag
// type (1). The measured extents are rebuilt by SetSize.
// Ownership and threads as DCctBase.
#pragma once

#include "notation/display/notate.h"

class DCctNote : public DCctNotate {
    DECLARE_SERIAL(DCctNote)
public:
    enum NoteBit : int {
        BIT_FLAG = 24,
        BIT_UNUSED = 25,
        BIT_TIE_DIRECTION = 26,
        BIT_COURTESY = 27,
        BIT_USER_SPELLED = 28,
    };
    enum NoteheadKind : BYTE { HEAD_BLACK = 0, HEAD_HALF = 1, HEAD_WHOLE = 2, HEAD_DOUBLE_WHOLE = 3, HEAD_NONE = 4 };
    enum : BYTE { STYLE_NORMAL = 0, STYLE_SLASH = 4, STYLE_NONE = 7 };
    // Ledger line glyphs: the wide one under and over whole and double
    // whole notes.
    enum : UINT { GLYPH_LEDGER = 95, GLYPH_WIDE_LEDGER = 96 };

    DCctNote();
    // The DCctNotate copy, then the source's whole state word; the notehead
    // starts anew, flag type 6, extents 0.
    DCctNote(const DCctNote& other);
    ~DCctNote() override;

    // ---- virtual operations (notedraw.cpp: DrawInRect, Draw) --------------------

    void Serialize(CArchive& ar) override;
    // In place when the note stands in a measure; else a sample middle C
    // centred in the rectangle. 1.
    int DrawInRect(CDC* dc, CRect* rect) override;
    // Ledger lines, stem, flag and notehead at GetPosition + point. 1; 128 for
    // a note not spelled yet.
    int Draw(CDC* dc, CPoint point, CRect* clip) override;
    // x from the measure's ruler at the tick start, y from the measure for
    // the clef in force. 1 when placed; 0 when not spelled yet or when the
    // measure, the conductor measure's ruler, the staff or the clef is missing.
    int Position(ECConductor* conductor, ECStaff* staff, ECMeasure* measure, ECBase* parent) override;
    // Measures notehead and flag when the frame is dirty, then assembles.
    void SetSize(CDC* dc) override;
    // Stem offsets, then width, height and baseline from head, flag and stem.
    void Assemble() override;
    void GetFrame(CRect* rect, int selector) override;
    using DCctBase::HitTest;
    // The tests of DCctBase against the notehead frame.
    int HitTest(CPoint point, CPoint offset, int selector) override;
    int HitTest(CRect* rect, CPoint offset, int selector) override;
    void UpdateData() override { SetAssembleDirty(1); }
    UINT GetFontFromType() override;

    // Value code, notehead kind, flag, and the standard stem length (plus the
    // extra for short values) unless the user fixed it.
    void SetValue(WORD ticks, int unused) override;
    // y of the spelling against a clef type's top line (types above 9 keep
    // the last reference).
    int GetYPositionForPitch(BYTE clefType) override;
    void SetTieDirectionByPitch(DCctClef* clef) override;
    void SetFlag(int on) override;
    int GetFlag() override { return Bit(BIT_FLAG); }
    // How far the note's accidentals and grace notes reach left of it.
    short GetTotalWidthLeft() override;
    // To the right: its width, or past its dots, and at least to the end of
    // its ledger lines.
    short GetTotalWidthRight() override;
    // The ledger line glyph for the note's value.
    UINT GetLedgerGlyph();
    short GetTotalWidth() override;

    // ---- notehead and marks -------------------------------------------------------

    void SetNoteheadPosition(BYTE position);
    BYTE GetNoteheadPosition() const { return m_notehead.GetPosition(); }
    void SetNoteheadStyle(BYTE style, int override);
    BYTE GetNoteheadStyle() const { return m_notehead.GetStyle(); }
    BYTE GetNoteheadKind() const { return m_notehead.GetNotehead(); }
    void SetNoteheadStyleDirty(int on) { m_notehead.SetStyleDirty(on); }
    int IsNoteheadStyleDirty() const { return m_notehead.IsStyleDirty(); }
    void SetTieDirection(int under) { SetBit(BIT_TIE_DIRECTION, under); }
    int GetTieDirection() const { return Bit(BIT_TIE_DIRECTION); }
    void SetCourtesyAccidental(int on, int) { SetBit(BIT_COURTESY, on); }
    int GetCourtesyAccidental() const { return Bit(BIT_COURTESY); }
    void SetUserSpelled(int on) { SetBit(BIT_USER_SPELLED, on); }
    int IsUserSpelled() const { return Bit(BIT_USER_SPELLED); }
    void SetPitch(MCPitch& pitch) { m_spelling = pitch; }
    BYTE GetFlagType() const { return m_nFlagType; }

    // Notehead box at the note's position (top is the larger y).
    void GetNoteheadFrame(CRect* rect);
    void GetFlagFrame(CRect* rect);

    // ---- the grace notes before the note (gracenote.cpp) ---------------------------

    // Lays out the note's grace notes leftward from its shown accidental (or
    // from the note), a grace notehead width apart, each followed by its own
    // accidentals; every grace note but the last found loses its slash, the
    // user's choice included. A beam over them is made grace-sized and
    // regrouped first. Nothing without a grace-note child.
    void Group(ECConductor* conductor, ECStaff* staff);

protected:
    // Drawn where it stands, its size measured anew (DrawInRect of an element
    // in the score). 1.
    int DrawInPlace(CDC* dc);
    // A free prototype's head, flag and stem measured in `font` (selected in
    // `dc` at the sample's height); answers the height of its frame.
    int MeasurePrototype(CDC* dc, MCMusicFont& font);
    void SetNotehead(BYTE kind) { m_notehead.SetNotehead(kind); }
    void SetFlagType(BYTE type) { m_nFlagType = type; }
    // Signed flag height: below the stem end for a stem pointing down.
    int GetFlagLength();
    // Flags a value carries: eighth 1 ... 128th 5; none from a quarter up.
    BYTE GetFlagFromValue();
    // The flag glyph for the number of flags and the stem direction; 0 none.
    UINT GetFontFromFlagType();
    void AttachStem() override;

    struct NoteheadWord : FCNotehead {
        uint32_t Word() const { return m_flags; }
        void SetWord(uint32_t word) { m_flags = word; }
    };

    NoteheadWord m_notehead;
    uint8_t m_nFlagType = 6;
    int16_t m_nNoteheadWidth = 0;
    int16_t m_nNoteheadHeight = 0;
    int16_t m_nFlagWidth = 0;
    int16_t m_nFlagHeight = 0;
};
