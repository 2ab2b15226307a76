// DCctDot: the notation display object of the augmentation dots (ECDot, a
// child of a note, chord or rest; its kind byte is the number of dots). One
// glyph per dot, half a notehead height apart.
//
// A chord places its notes' dots by column and by side of the staff line:
// SetAlignPosition and SetVerticalAlign. Positions are relative to the owner.
//
// FIXME: placing a note's or rest's dots by themselves (Position), the frame
// widened by each further dot and the drawing of more than one dot are not
// built yet; until they are, a dot stands where a chord put it and draws one
// glyph.
//
// Archive form: the DCctBase head only.
// Ownership and threads as DCctBase.
#pragma once

#include "notation/display/base.h"

class DCctDot : public DCctBase {
    DECLARE_SERIAL(DCctDot)
public:
    // Vertical places against the note.
    enum VerticalAlign : int { ALIGN_BELOW = 0, ALIGN_ON = 1, ALIGN_ABOVE = 2 };

    DCctDot();
    DCctDot(const DCctDot& other);
    ~DCctDot() override;

    UINT GetFontFromType() override;

    // x in column `column` (0 nearest the head), a quarter notehead height
    // further right past a flag on an up stem.
    void SetAlignPosition(int column);
    // y half a space below, on, or half a space above the note; other values
    // leave y.
    void SetVerticalAlign(int align);
};
