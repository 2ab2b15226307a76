// DCctTie: the notation display object of a tie (ECTie, whose children are
// the tied notes): a flat curve from the first note to the last.
//
// Its side comes from the voices of the staff, else the notes' own tie
// directions when they agree, else the first note's pitch against the clef's
// middle line (only a note on the line goes above); two beamed notes with
// stems alike take the side away from the stems. A user's choice, given with
// override, stays. The ends stand 3h/4 above or below the noteheads, beside
// them as the stems and the chords' notehead positions leave room. Across a
// system end the tie is one piece per system, each moved with the ends.
//
// A tie whose measures or notes have no display object yet is not placed:
// Position answers 0 and leaves it position-dirty. The split flag and the
// clipped drawing are the slur's (DCctCurve).
//
// State-word bits: 20 split, 21 type (1 dashed), 22 direction (1 below), 23
// direction chosen with override.
//
// Archive form: the DCctSplit form (the DCctBase head alone).
// Ownership and threads as DCctBase.
#pragma once

#include "notation/display/slur.h"

class DCctNote;
class MCEventList;

class DCctTie : public DCctCurve {
    DECLARE_SERIAL(DCctTie)
public:
    // Solid, above, no override.
    DCctTie();
    // The DCctCurve copy.
    DCctTie(const DCctTie& other);
    ~DCctTie() override;

    // ---- virtual operations -------------------------------------------------

    // A level sample across the rectangle's middle, in the permanent colour. 1.
    int DrawInRect(CDC* dc, CRect* rect) override;
    // Every piece (curvature h). 128: the tied notes are drawn by their measure.
    int Draw(CDC* dc, CPoint origin, CRect* clip) override;
    // 1 when placed; 0 with fewer than two notes, or when the conductor, the
    // staff, a measure or a note (or its display object) is missing.
    int Position(ECConductor* conductor, ECStaff* staff, ECMeasure* measure, ECBase* parent) override;
    // When placed and frame-dirty: width 0, height h, top 0 below the notes
    // or h above them.
    void SetSize(CDC* dc) override;
    void Group(ECConductor*, ECStaff*) {}

    void SetTieType(int type) { SetCurveType(type); }
    int GetTieType() const { return GetCurveType(); }
    void SetTieDirection(int direction, int override) { SetCurveDirection(direction, override); }
    int GetTieDirection() const { return GetCurveDirection(); }

protected:
    void CalculateTieDirection(MCEventList& children, ECStaff* staff, MCEventList& measures);
    // Moves the pieces' ends to the noteheads of F and L; `left` and `right`
    // come in as F's and L's page positions.
    void PositionTieEnds(CPoint left, CPoint right, DCctNote* first, DCctNote* last);
};
