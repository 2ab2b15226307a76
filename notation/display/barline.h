// DCctBarline: the display object of a barline (ECBarline, a child of a
// conductor measure).
//
// One barline object draws its measure's bar line through every staff of the
// system: down each group of the conductor staff's primary grouping table
// that is in use (a staff keeps at least its own plain group, so every staff
// gets a line; a free slot draws nothing), so the staves a group joins are
// joined by one line through the gaps between them. Styles, by the owner's
// type:
//   0 single   one thin line at x
//   1 double   thin lines at x and x - h/2
//   2 dotted   a dot in every staff space, h apart
//   3 final    thin at x - h, h/2 wide ending at x, thin at x
//   4 system   one thin line at x 0 from the first staff to the last shown
// (h the notehead height; lines lie to the left of their x). Position byte
// 1 puts the line at the measure's barline x, anything else at its start.
//
// Colours follow the staff's rule: window text on paper, grey text when
// ghosted, the selection colour when selected, else the staff colour; the
// permanent colour is not used.
//
// A measure, staff or display object looked up may be missing in a
// half-built score: then the barline is not placed (Position 0) or nothing is
// drawn (Draw 64).
//
// Archive form: the DCctBase head alone. Ownership and threads as DCctBase.
#pragma once

#include "notation/display/base.h"

class ECConductorMeasure;
class ECConductorStaff;
class MCStaffRuler;
class MCTime;

class DCctBarline : public DCctBase {
    DECLARE_SERIAL(DCctBarline)
public:
    enum BarlineType : BYTE {
        BARLINE_SINGLE = 0,
        BARLINE_DOUBLE = 1,
        BARLINE_DOTTED = 2,
        BARLINE_FINAL = 3,
        BARLINE_SYSTEM = 4,
    };
    // The music-font dot of the dotted style.
    static constexpr UINT GLYPH_DOT = 107;

    DCctBarline() = default;
    DCctBarline(const DCctBarline& other) : DCctBase(other) {}
    ~DCctBarline() override;

    void Serialize(CArchive& ar) override;
    // Through the staves of the system at GetPosition + point, snapped to a
    // device pixel. 1; 64 when the tree gives nothing to draw through.
    int Draw(CDC* dc, CPoint point, CRect* clip) override;
    // At the measure's barline x or start, the height of the system's staves;
    // 0 when the conductor measure or its display object is missing.
    int Position(ECConductor* conductor, ECStaff* staff, ECMeasure* measure, ECBase* parent) override;
    // When the frame kind is dirty: the width of the style (the system line
    // keeps its own).
    void SetSize(CDC* dc) override;
    COLORREF GetColor(CDC* dc) override;

    void SetHeight(int height);
    // The owner's first parent that is a conductor measure, else its
    // conductor-measure ancestor; null when there is none.
    ECConductorMeasure* FindMeasureParent();
    // That measure's first parent that is the conductor staff, else the
    // owner's conductor-staff ancestor; null when there is none.
    ECConductorStaff* FindStaffParent();

protected:
    BYTE GetBarlineType();
    BYTE GetBarlinePos();
    // Steps after the lookups: the system line, the one shown staff, or each
    // group in use, drawn at p (snapped); `point` is the parent's drawing
    // point, `parentY` the y of the conductor measure's display object.
    // 1 when anything was drawn.
    int DrawThroughStaves(CDC* dc, CPoint p, CPoint point, int parentY, ECConductorStaff* staff,
                          const MCStaffRuler& staffRuler, const MCTime& time, COLORREF color);
    // One span of the style at x, from `top` down by `length`.
    void DrawStyle(CDC* dc, int x, int top, int length, COLORREF color);
};
