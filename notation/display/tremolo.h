// DCctTremolo: a tremolo mark (ECTremolo) on the stem of its note or chord.
//
// One music-font glyph by the tremolo's type byte (0-2; any other type draws
// nothing), placed on the side of the parent's stem: above the head for a
// stem up, below it for a stem down. A tremolo under anything but a note or
// a chord has no stem to sit on and is not placed.
//
// The parent's stem direction (0 up, 1 down) is read through
// s_stemDirectionOf, which asks the parent's notated-duration display
// (DCctNotate); tests may answer in its place.
//
// Archive form: the DCctBase head alone. Ownership and threads as DCctBase.
#pragma once

#include "notation/display/base.h"

class DCctTremolo : public DCctBase {
    DECLARE_SERIAL(DCctTremolo)
public:
    DCctTremolo() = default;
    DCctTremolo(const DCctTremolo& other) = default;
    ~DCctTremolo() override;

    // 1 when placed; 0 when the first parent is not a note or chord.
    int Position(ECConductor* conductor, ECStaff* staff, ECMeasure* measure, ECBase* parent) override;
    UINT GetFontFromType() override;
    int AdjustForFont(int height) override;

    // The stem direction (0 up, 1 down) of a note's or chord's display
    // object, which may be null.
    using StemDirectionQuery = int (*)(DCctBase* parentDisplay);
    static StemDirectionQuery s_stemDirectionOf;
};
