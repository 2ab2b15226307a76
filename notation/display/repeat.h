// DCctRepeat: a measure-repeat sign (ECRepeat, a child of a staff measure).
//
// One music-font glyph chosen by the repeat's type byte (0-2 the one-bar
// sign, 3 the two-bar sign, 4 and 5 the signs centred in their bar; any
// other type draws nothing). Placing it hides the display objects of every
// rest of its measure: the sign stands for the bar's music, and a rest drawn
// under it would read as part of it.
//
// Archive form: the DCctBase head alone. Ownership and threads as DCctBase.
#pragma once

#include "notation/display/base.h"

class DCctRepeat : public DCctBase {
    DECLARE_SERIAL(DCctRepeat)
public:
    DCctRepeat() = default;
    DCctRepeat(const DCctRepeat& other) = default;
    ~DCctRepeat() override;

    // x: types 4 and 5 half the closing barline's x, others the x of the
    // sign's tick in the conductor measure's ruler; y three spaces below the
    // staff's top line (of the lower staff for a voice above 3). Hides the
    // measure's rests. 0, nothing done, without a measure, conductor
    // measure, its display object or ruler; else 1.
    int Position(ECConductor* conductor, ECStaff* staff, ECMeasure* measure, ECBase* parent) override;
    UINT GetFontFromType() override;
    int AdjustForFont(int height) override;
};
