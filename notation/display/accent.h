// DCctAccent: the notation display object of an accent-family marking
// (ECAccent, a child of a note): one music-font glyph above or below the
// note, or beyond the end of its stem.
//
// The glyph comes from the accent's kind and, for the signs that have two
// forms, from its placement. A chord shows its accents once, at the note that
// carries the stem: the accents of its other notes hide themselves.
//
// Class bit of the state word: 20 placed below the note (0, above, at
// construction). The copy keeps the source's whole state word.
//
// Sized at the small-sample rule (5/3 of a rectangle's height) when drawn in
// a rectangle. Archive form: the DCctBase head only.
// Ownership and threads as DCctBase.
#pragma once

#include "notation/display/base.h"

class DCctAccent : public DCctBase {
    DECLARE_SERIAL(DCctAccent)
public:
    enum AccentBit : int { BIT_BELOW = 20 };
    enum Placement : int { PLACE_ABOVE = 0, PLACE_BELOW = 1 };

    // Placed above.
    DCctAccent();
    // The DCctBase copy, then the source's whole state word.
    DCctAccent(const DCctAccent& other);
    ~DCctAccent() override;

    // Relative to its note: 3h/2 above (below), beyond the stem's end when
    // the stem points that way; centred on the head, or on the stem for the
    // signs that belong to it. Hidden (and 1) on a chord note that does not
    // carry the stem; 0 without a parent.
    int Position(ECConductor* conductor, ECStaff* staff, ECMeasure* measure, ECBase* parent) override;
    // The base's sample, the music font's colour put back.
    int DrawInRect(CDC* dc, CRect* rect) override;
    // The glyph; nothing (128) while hidden.
    int Draw(CDC* dc, CPoint point, CRect* clip) override;
    // The glyph of the kind in its placement; 0 for a kind without one.
    UINT GetFontFromType() override;
    int AdjustForFont(int height) override { return AdjustForSmallFont(height); }

    // 0 above, 1 below; the second argument is not used.
    void SetLocation(int location, int);
    int GetLocation() const { return Bit(BIT_BELOW); }

    // The glyph of kind `type` placed above or below; 0 for none.
    static UINT GlyphFor(BYTE type, int below);

protected:
    // The kind byte of the owning accent; 0 without one.
    BYTE GetType();
};
