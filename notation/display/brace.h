// DCctBrac: the notation display object of a brace or bracket (ECBrac, a
// child of a conductor measure) in front of a group of staves.
//
// The owner's type byte chooses the shape: 0 a brace, any other value a
// bracket. Its height (the span of staves it covers, logical units) comes
// from pagination (SetHeight). A bracket's position is the top of its line,
// with its hooks beyond both ends; a brace's is its middle: the brace glyph
// is drawn with the music font set to the brace's height and to two notehead
// heights wide, and the font is put back afterwards.
//
// Drawn in the staff colour. Archive form: the DCctBase head only.
// Ownership and threads as DCctBase.
#pragma once

#include "notation/display/base.h"

#include <cstdint>

class DCctBrac : public DCctBase {
    DECLARE_SERIAL(DCctBrac)
public:
    enum Shape : BYTE { SHAPE_BRACE = 0 };

    DCctBrac();
    DCctBrac(const DCctBrac& other);
    ~DCctBrac() override;

    // A sample: two thirds of the rectangle high, centred across it. 1.
    int DrawInRect(CDC* dc, CRect* rect) override;
    // The brace or the bracket. 1.
    int Draw(CDC* dc, CPoint point, CRect* clip) override;
    // Pagination places it: nothing to do. 1.
    int Position(ECConductor*, ECStaff*, ECMeasure*, ECBase*) override { return 1; }
    // Bracket: its hooks' width, H plus both hooks high. Brace: the glyph's
    // width at the brace's size, H high, its top H/2 above the position.
    void SetSize(CDC* dc) override;
    // The staff colour rule of staff-drawn elements.
    COLORREF GetColor(CDC* dc) override;

    void SetHeight(int height);
    int GetBracHeight() const { return m_nHeight; }

protected:
    BYTE GetType();
    void DrawBrace(CDC* dc, CPoint point);
    void DrawBracket(CDC* dc, CPoint point);

private:
    int16_t m_nHeight = 0;
};
