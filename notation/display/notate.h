// DCctNotate: the display base of every element with a notated duration
// (notes, rests, chords).
//
// It adds to DCctBase, for one event: the note value and the note-value base
// of the meter division the element is notated in (plain, or borrowed inside
// a tuplet), the written pitch, the element's tick start and tick duration
// inside its measure, the stem (direction, side, length in half-spaces with a
// remainder in logical units, hiding, where it attaches) and the ledger lines.
// Automatic notation sets these; the display classes and the rulers read them
// back.
//
// Ticks: 256 to a quarter note, unsigned 16-bit. A tick quantity is read in
// mode 1 as stored (in the element's own, possibly borrowed, division) or in
// any other mode scaled to the plain division of the meter.
//
// Overrides: the stem setters that take an override argument ignore a call
// without it (override != 1) once the user set the value; the user's choice
// thereby survives renotation.
//
// Class bits of the state word: 20 has a stem, 21 stem hidden, 22 in the
// space beyond the outermost ledger line, 23 ledger lines below the staff.
//
// Archive form: the DCctBase head, then 16 bytes: spelling word (2), MIDI key
// (1), tick start (2), value word (4; the code in bits 8-15), base (1),
// borrowed base (1), stem word (4), ledger line count (1). The tick duration
// is not stored: PostSerialize rebuilds it from the value and the first dot
// child.
//
// The clef's line pitches are reached through GetNotateClefLinks (see
// notateclef.h), so that this file depends on no clef file.
// Ownership and threads as DCctBase.
#pragma once

#include "model/fields.h"
#include "notation/display/base.h"
#include "notation/layout/fields.h"
#include "notation/layout/pitch.h"

#include <cstdint>

using WORD = std::uint16_t;

class DCctClef;

class DCctNotate : public DCctBase {
    DECLARE_SERIAL(DCctNotate)
public:
    // Value codes: the value member and the low 4 bits of a VALUE_BASE.
    enum : BYTE {
        VALUE_DOUBLE_WHOLE = 0,
        VALUE_WHOLE = 1,
        VALUE_HALF = 2,
        VALUE_QUARTER = 3,
        VALUE_8TH = 4,
        VALUE_16TH = 5,
        VALUE_32ND = 6,
        VALUE_64TH = 7,
        VALUE_128TH = 8,
        VALUE_NONE = 9,
    };
    // A division base: value code in bits 0-3, count in bits 4-7 (0x13 a
    // quarter, 0x34 a dotted quarter).
    using VALUE_BASE = BYTE;

    enum NotateBit : int {
        BIT_HAS_STEM = 20,
        BIT_STEM_HIDDEN = 21,
        BIT_LEDGER_SPACE = 22,
        BIT_LEDGER_BELOW = 23,
    };

    // A stemmed quarter: stem up on the right side, length 7; bases one
    // quarter; ticks, ledger lines and stem offsets 0.
    DCctNotate();
    // The DCctBase copy; the stem's length, fraction, direction and side, the
    // value and both bases. Spelling, offsets, ledger lines and ticks start
    // anew; bits 22 and 23 cleared.
    DCctNotate(const DCctNotate& other);
    ~DCctNotate() override;

    void Serialize(CArchive& ar) override;
    // Tick duration := value ticks plus, for each dot of the owner's first
    // dot child, the value halved once more.
    void PostSerialize(CArchive& ar) override;
    void Assemble() override {}

    // ---- value, bases, ticks ---------------------------------------------------

    // value := TicksToValue(ticks); a stem with codes 2-8, none (and hidden)
    // for 0, 1 and 9.
    virtual void SetValue(WORD ticks, int unused);
    virtual WORD GetValue();
    virtual MCPitch& GetSpelling();
    virtual int GetYPositionForPitch(BYTE pitch);
    virtual void SetTickStart(WORD ticks);
    virtual WORD GetTickStart(int mode);
    virtual void SetTickDuration(WORD ticks);
    virtual WORD GetTickDuration(int mode);

    void SetBase(WORD borrowedTicks, WORD baseTicks);
    // 1: the borrowed base; 2: the borrowed base when borrowed, else the base;
    // anything else: the base. In ticks.
    WORD GetBase(WORD which);
    WORD IsBorrowed();
    BYTE GetValueCode() const { return m_value.GetValue(); }

    // ---- stem -----------------------------------------------------------------

    virtual void HideStem(int hide, int unused);
    virtual int IsStemHidden();
    virtual void SetStemSide(int side, int override);
    virtual int GetStemSide();
    virtual void SetStemSideOverride(int on);
    virtual int IsStemSideOverride();
    // length + (add ? AddToStemLength() : 0); fraction 0.
    virtual void SetStemLength(BYTE length, int add, int override);
    virtual BYTE GetStemLength();
    virtual void SetStemLengthDirty(int on);
    virtual int IsStemLengthDirty();
    virtual void SetStemLengthOverride(int on);
    virtual int IsStemLengthOverride();
    virtual void SetStemDirection(int direction, int override);
    virtual int GetStemDirection();
    virtual void SetStemDirectionDirty(int on);
    virtual int IsStemDirectionDirty();
    virtual void SetStemDirectionOverride(int on);
    virtual int IsStemDirectionOverride();
    // Odd voices (and 15) down on the left, even voices up on the right.
    virtual void SetStemDirectionByVoice();
    // Above the clef's middle line down, else up; nothing without the clef's
    // middle line.
    virtual void SetStemDirectionByPitch(DCctClef* clef);
    // The length that puts the stem's end at `y` (unless the user fixed it).
    virtual void SetStemEnd(int y);
    // Signed: negative for a stem pointing down.
    virtual int GetStemHeight();
    // The outer edge of the stem and its far end.
    virtual CPoint GetStemPosition();
    // Ledger lines outside the clef's staff; nothing without the clef's lines.
    virtual void SetLedgerLines(DCctClef* clef);
    virtual void SetTieDirectionByPitch(DCctClef*) {}
    virtual void SetFlag(int) {}
    virtual int GetFlag() { return 0; }
    virtual short GetTotalWidthLeft() { return 0; }
    virtual short GetTotalWidthRight() { return 0; }
    virtual short GetTotalWidth() { return 0; }

    void GetStemFrame(CRect* rect);
    void SetLedgerLineDirection(int below) { SetBit(BIT_LEDGER_BELOW, below); }
    int GetLedgerLineDirection() const { return Bit(BIT_LEDGER_BELOW); }
    int GetLedgerLineCount() const { return m_nLedgerLines; }
    int IsInLedgerSpace() const { return Bit(BIT_LEDGER_SPACE); }
    int HasStem() const { return Bit(BIT_HAS_STEM); }
    CPoint GetStemOffset() const { return CPoint(m_nStemX, m_nStemY); }
    BYTE GetStemFraction() const { return m_stem.GetFraction(); }

    static WORD ValueToTicks(BYTE code);
    static BYTE TicksToValue(WORD ticks);
    static WORD BaseToTicks(VALUE_BASE base);
    static VALUE_BASE TicksToBase(WORD ticks);

protected:
    // The element's first dot child, and that dot's display; null when none.
    ECBase* FindDotChild();
    DCctBase* FindDotDisplay();
    void SetStem(int on) { SetBit(BIT_HAS_STEM, on); }
    // Half-spaces a short value's stem grows by: 0 down to a sixteenth, 2 for
    // a 32nd, 4 for a 64th, 6 for a 128th or no value.
    BYTE AddToStemLength();
    virtual void AttachStem() {}
    // A stored tick number in the plain division (tick mode 0).
    WORD ScaleTicks(WORD stored);

    // The packed words with their raw bits reachable for the archive.
    struct StemWord : FCStem {
        uint32_t Word() const { return m_flags; }
        void SetWord(uint32_t word) { m_flags = word; }
    };
    struct ValueWord : FCByte {
        uint32_t Word() const { return m_flags; }
        void SetWord(uint32_t word) { m_flags = word; }
    };

    StemWord m_stem;
    ValueWord m_value;
    uint8_t m_nLedgerLines = 0;
    MCPitch m_spelling;
    uint16_t m_nTickStart = 0;
    uint16_t m_nTickDuration = 0;
    VALUE_BASE m_base = 0x13;
    VALUE_BASE m_borrowedBase = 0x13;
    int16_t m_nStemX = 0;
    int16_t m_nStemY = 0;
};
