// DCctTuplet: the notation display object of a tuplet.
//
// So far only the static conversion the measure rulers need: the meter a
// borrowed pulse implies inside a measure (a triplet of eighths in 4/4 reads
// as twelve eighths in stresses of three). The display object itself (ratio,
// bracket, number) is added around it. UI thread only.
#pragma once

class ECMeter;

class DCctTuplet {
public:
    // Fills `result` with the meter of a borrowed division inside `meter`:
    // a is the plain base and b the borrowed base in ticks, c the tuplet unit
    // (the grid), d the stress size in units (-1: the borrowed units per
    // plain base). Answers 1 when `result` was set; 0, leaving it untouched,
    // when d, c or the meter's denominator is 0, when the borrowed base holds
    // no whole unit, or when the meter does not fit a fraction.
    static int GetBorrowedMeter(ECMeter* meter, ECMeter* result, int a, int b, int c, int d);
};
