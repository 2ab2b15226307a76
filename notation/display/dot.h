// DCctDot: the notation display object of the augmentation dots (ECDot, a
// child of a note, chord or rest; its kind byte is the number of dots). One
// glyph per dot, half a notehead height apart.
//
// Positions are relative to the owner (the dotted note, chord or rest). A
// note's dots stand right of its head: in the space the head sits in, or,
// for a head on a line, half a space above (below for the odd voice where
// the staff half holds more than one). A chord places its notes' dots by
// column and by side of the staff line: SetAlignPosition and
// SetVerticalAlign.
//
// Archive form: the DCctBase head only.
// Ownership and threads as DCctBase.
#pragma once

#include "notation/display/base.h"

class DCctNote;

class DCctDot : public DCctBase {
    DECLARE_SERIAL(DCctDot)
public:
    // Vertical places against the note.
    enum VerticalAlign : int { ALIGN_BELOW = 0, ALIGN_ON = 1, ALIGN_ABOVE = 2 };

    DCctDot();
    DCctDot(const DCctDot& other);
    ~DCctDot() override;

    // A sample: the dots centred in the rectangle, at a font height of
    // 10/4 of its height, in the permanent colour. 1.
    int DrawInRect(CDC* dc, CRect* rect) override;
    // Each dot's glyph, h/2 apart. 1.
    int Draw(CDC* dc, CPoint point, CRect* clip) override;
    // Right of the note's head (see above), or right of a chord's or rest's
    // width, half a space up. 0 when the note's staff, measure or clef is
    // missing.
    int Position(ECConductor* conductor, ECStaff* staff, ECMeasure* measure, ECBase* parent) override;
    // The glyph's box, widened on the right by h/2 for each dot.
    void GetFrame(CRect* rect, int selector) override;
    UINT GetFontFromType() override;

    // x in column `column` (0 nearest the head), a quarter notehead height
    // further right past a flag on an up stem.
    void SetAlignPosition(int column);
    // y half a space below, on, or half a space above the note; other values
    // leave y.
    void SetVerticalAlign(int align);

protected:
    // The number of dots: the owner's kind byte (0 without an owner).
    BYTE GetType();

private:
    // The dotted event (the owner's first parent), and its note display
    // when it is a note.
    ECBase* FindDotted();
    DCctNote* FindNoteParent();
    // A flag on an up stem stands right of the head: the dots keep clear of it.
    static bool FlagOnTheRight(DCctNote* note);
};
