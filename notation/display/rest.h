// DCctRest: the notation display object of a rest (ECRest).
//
// On top of DCctNotate it draws the rest's glyph by value, places the rest on
// its measure's ruler (a whole rest at the start of the measure centred in
// the measure's music) and on its staff by voice, gives half, whole and
// double whole rests outside the staff one ledger line, keeps the mark the
// rest pass sets on a rest shown for several voices, gives a beam over the
// rest a point to end on, and steps a rest out of the way of its beam.
//
// A new rest is a whole rest. Rests are always drawn at normal size, cue and
// grace marks notwithstanding, and measured at the size they are drawn.
//
// Class bits of the state word (beyond DCctNotate's): 23 for a rest means
// the ledger line lies above the staff (1) or below it (0); 24 consolidated.
// The ledger line count is 0 or 1.
//
// Archive form: exactly the DCctNotate form; PostSerialize rebuilds the tick
// duration from the value and the rest's dots, except for a whole-measure
// rest (a whole rest at the measure's start, alone in its voice there),
// which takes its measure's length whatever the meter.
// Ownership and threads as DCctBase.
#pragma once

#include "notation/display/notate.h"

class DCctRest : public DCctNotate {
    DECLARE_SERIAL(DCctRest)
public:
    enum RestBit : int {
        BIT_LEDGER_ABOVE = 23,
        BIT_CONSOLIDATED = 24,
    };

    // The DCctNotate defaults as a whole rest; not consolidated, no ledger line.
    DCctRest();
    // The DCctNotate copy; not consolidated, no ledger line.
    DCctRest(const DCctRest& other);
    ~DCctRest() override;

    void Serialize(CArchive& ar) override;
    // After a load: the length of the value, or of the measure it fills.
    void PostSerialize(CArchive& ar) override;
    // The glyph at GetPosition + point, and its ledger line. 1.
    int Draw(CDC* dc, CPoint point, CRect* clip) override;
    // x from the measure's ruler at the tick start (a whole rest at tick 0
    // centred), y from the measure by voice, the ledger line of a half or
    // whole rest off a one-staff measure. 1 when placed; 0 when the measure,
    // its display or the conductor measure's ruler is missing.
    int Position(ECConductor* conductor, ECStaff* staff, ECMeasure* measure, ECBase* parent) override;
    // Measures the glyph at normal size when the frame is dirty.
    void SetSize(CDC* dc) override;
    // Where a beam over the rest ends, when the stem side or size changed.
    void Assemble() override;
    void GetFrame(CRect* rect, int selector) override;
    UINT GetFontFromType() override;
    int AdjustForFont(int height) override { return AdjustForLargeFont(height); }
    // Its width, or past its dot with half a space between.
    short GetTotalWidthRight() override;
    // A rest reaches nothing on its left.
    short GetTotalWidth() override { return GetTotalWidthRight(); }

    // The DCctNotate value; a new value is a new glyph, measured again.
    void SetValue(WORD ticks, int unused) override;
    void SetValue(WORD ticks) { SetValue(ticks, 0); }

    // A rest under the line of the beam it belongs to, closer to the beam
    // than half a staff space, moves away from it (down under a beam above,
    // up over a beam below) by whole staff spaces until it is that clear.
    // Nothing when the rest is in no beam, lies beside the beam's span, or
    // the beam is not placed yet (it places its rests when it is).
    void ClearBeam();

    void SetConsolidated(int on) { SetBit(BIT_CONSOLIDATED, on); }
    int GetConsolidated() const { return Bit(BIT_CONSOLIDATED); }

protected:
    // The right edge (less a barline width) on stem side 1, the left edge on
    // side 0, at the rest's y.
    void AttachStem() override;
};
