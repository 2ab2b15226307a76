// DCctAccidental: the notation display object of an accidental (ECAccidental,
// a child of a note or grace note): one music-font glyph beside its note, or
// small above it.
//
// The glyph comes from the accidental's kind (0 sharp, 1 flat, 2 double
// sharp, 3 double flat, 4 natural, 5-9 the same five in their second form,
// 10-12 further signs). A chord puts its accidentals into columns through
// their user offsets; the align position is the column a user gave.
//
// Class bits of the state word: 21 shown above the note, 22 courtesy; both 0
// at construction.
//
// Beside its note a sign stands a fixed distance left of the head (a wide
// sign its own width off); above, it stands small over the head, or over the
// stem's end when the stem is up. Drawn as the base draws one glyph; sized at
// the small-sample rule (5/3) in a rectangle.
//
// Archive form: the DCctBase head, then the align position (1 byte).
// Ownership and threads as DCctBase.
#pragma once

#include "notation/display/base.h"

class DCctNote;

class DCctAccidental : public DCctBase {
    DECLARE_SERIAL(DCctAccidental)
public:
    enum AccidentalBit : int {
        BIT_UNUSED = 20,
        BIT_ABOVE = 21,
        BIT_COURTESY = 22,
    };

    // Beside the note, not a courtesy sign, align position 1.
    DCctAccidental();
    // The DCctBase copy, then the source's whole state word and its align
    // position.
    DCctAccidental(const DCctAccidental& other);
    ~DCctAccidental() override;

    void Serialize(CArchive& ar) override;
    // The glyph of the kind: the beside form, or the small one above.
    UINT GetFontFromType() override;
    int AdjustForFont(int height) override { return AdjustForSmallFont(height); }
    // Above: over its note (align position 0); beside: at its place left of
    // the head, y 0. 1, also for a sign above without a note (not moved).
    int Position(ECConductor* conductor, ECStaff* staff, ECMeasure* measure, ECBase* parent) override;
    // The base's sample, the music font's colour put back.
    int DrawInRect(CDC* dc, CRect* rect) override;
    // The glyph; nothing (128) while hidden (a sign the spelling does not show).
    int Draw(CDC* dc, CPoint point, CRect* clip) override;

    void SetLocation(int above, int) { SetBit(BIT_ABOVE, above); }
    int GetLocation() const { return Bit(BIT_ABOVE); }
    int IsAbove() const { return Bit(BIT_ABOVE); }
    void SetCourtesy(int on, int) { SetBit(BIT_COURTESY, on); }
    int IsCourtesy() const { return Bit(BIT_COURTESY); }

    // Nothing above the note. Beside it: the column `n` (1 the nearest), its
    // x left of the note by the sign's own place and (n - 1) notehead
    // heights more.
    void SetAlignPosition(int n);
    BYTE GetAlignPosition() const { return m_nAlignPosition; }

    // The user-spelled mark of the note the accidental belongs to (its first
    // note parent); 0 without one.
    void SetUserSpelled(int on);
    int IsUserSpelled();

    // The glyph of kind `type` beside the note or small above it; 0 for none.
    static UINT GlyphFor(BYTE type, int above);

protected:
    // The kind byte of the owning accidental; 0 without one.
    BYTE GetType();
    // Where the sign stands beside its note, for a notehead `h` high.
    int GetBesideX(int h);
    DCctNote* FindNoteParent();

private:
    BYTE m_nAlignPosition = 1;
};
