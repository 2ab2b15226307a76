// DCctArpeggio: the notation display object of an arpeggio line (ECArpeggio,
// under a chord): a column of wavy segments left of the chord, from its top
// note to its bottom note, ended by an arrow head for the kinds that have one.
//
// Kinds (the arpeggio's type byte): 0 plain, 1 with an arrow at the top (its
// first segment is glyph 134), 2 with an arrow at the bottom (the column is
// walked upward from the bottom and its first segment is glyph 133); any
// other kind is drawn plain.
//
// Its height is the span SetPoints gives (the chord's notes plus a notehead
// height at each end); SetSize measures only the width and the top.
// Sized at the small-sample rule (5/3) in a rectangle. Archive form: the
// DCctBase head only; the copy copies only the DCctBase part.
// Ownership and threads as DCctBase.
#pragma once

#include "notation/display/base.h"

class DCctArpeggio : public DCctBase {
    DECLARE_SERIAL(DCctArpeggio)
public:
    enum Kind : BYTE { KIND_PLAIN = 0, KIND_ARROW_UP = 1, KIND_ARROW_DOWN = 2 };

    DCctArpeggio();
    DCctArpeggio(const DCctArpeggio& other);
    ~DCctArpeggio() override;

    // A sample: centred across the rectangle, its middle third high. 1.
    int DrawInRect(CDC* dc, CRect* rect) override;
    // The column of segments from the top down (kind 2: from the bottom up). 1.
    int Draw(CDC* dc, CPoint point, CRect* clip) override;
    // Left of the chord (the base when it is a chord, else the arpeggio's
    // chord parent), from its top note's y to its bottom note's; 0 without
    // a chord.
    int Position(ECConductor* conductor, ECStaff* staff, ECMeasure* measure, ECBase* base) override;
    // Width and top from the glyph; the height stays as SetPoints set it.
    void SetSize(CDC* dc) override;
    UINT GetFontFromType() override;
    int AdjustForFont(int height) override { return AdjustForSmallFont(height); }

    // The glyph that starts the column of kind `kind`.
    static UINT GlyphFor(BYTE kind);

protected:
    // Placed at `top`, as high as from `top` to `bottom` plus two notehead
    // heights.
    void SetPoints(CPoint top, CPoint bottom);
    BYTE GetType();
};
