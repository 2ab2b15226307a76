// DCctFlowControl: the notation display object of a flow-control mark
// (ECFlowControl, a child of the conductor staff): repeat bars with their
// dots through the staves of the system, first and second endings with their
// number, the segno and coda signs, and the written jumps ("Fine", "D.C." ...).
//
// By the mark's type:
//   0, 1    repeat bars (IsBracket): 0 starts a repeat (thick bar, thin bar,
//           dots) at its measure's start, after a key, meter or clef there;
//           1 ends one (dots, thin bar, thick bar) at the barline of the
//           measure before its time
//   2       an ending (IsEnding) over its measure, with its number
//   3, 4    the segno and the coda, music glyphs (IsSymbol)
//   5-12    the written jumps, in the expression font (IsExpression)
//   13-16   nothing drawn (IsNonDisplay)
// A first ending reaches to the next end repeat when that lies within two
// measures, closed by a hook at its right; farther away, and for later
// endings, it covers its first measure and stays open.
//
// Class bits of the state word: 20 location (0 above the top staff, 1 below
// the bottom staff; 1 at construction), 21 open ending (set by placing an
// ending to what its end repeat decides). A copy takes the whole state word.
//
// Archive form: the DCctBase head alone (the bits travel in its state word).
// Ownership and threads as DCctBase.
#pragma once

#include "notation/display/base.h"

#include <string>

class ECConductorStaff;
class ECFlowControl;
class MCStaffRuler;
class MCTime;

class DCctFlowControl : public DCctBase {
    DECLARE_SERIAL(DCctFlowControl)
public:
    enum FlowBit : int { BIT_LOCATION = 20, BIT_OPEN_ENDING = 21 };
    enum Location : int { LOCATION_ABOVE = 0, LOCATION_BELOW = 1 };
    enum FlowType : BYTE {
        FLOW_START_REPEAT = 0,
        FLOW_END_REPEAT = 1,
        FLOW_ENDING = 2,
        FLOW_SEGNO = 3,
        FLOW_CODA = 4,
        FLOW_FIRST_EXPRESSION = 5,   // "Fine"
        FLOW_LAST_EXPRESSION = 12,   // "D.S. al Coda"
        FLOW_FIRST_HIDDEN = 13,
        FLOW_LAST_HIDDEN = 16,
    };
    // Music glyphs.
    enum : UINT {
        GLYPH_SEGNO = 37,
        GLYPH_CODA = 222,
        GLYPH_REPEAT_DOT = 107,
        GLYPH_THICK_BAR = 153,   // its width is the thick bar's
        GLYPH_ENDING_POINT = 46,
    };

    DCctFlowControl();
    DCctFlowControl(const DCctFlowControl& other);
    ~DCctFlowControl() override;

    // A palette sample centred in `rect`; the fonts are put back. 1.
    int DrawInRect(CDC* dc, CRect* rect) override;
    // By type (see above). 1.
    int Draw(CDC* dc, CPoint point, CRect* clip) override;
    // By type; the not-displayed types at (0, 0). 0 when a repeat bar or an
    // ending finds no conductor or no display object of its conductor
    // measure; else 1.
    int Position(ECConductor* conductor, ECStaff* staff, ECMeasure* measure, ECBase* parent) override;
    // When the frame is dirty: a sign's glyph box, a repeat bar's width, an
    // ending's height (its width comes from placing), a jump's text extent.
    void SetSize(CDC* dc) override;
    // 37 for the segno, 222 for the coda, else 0.
    UINT GetFontFromType() override;

    void SetLocation(int location, int /*unused*/) { SetBit(BIT_LOCATION, location); }
    int GetLocation() const { return Bit(BIT_LOCATION); }
    int IsOpenEnding() const { return Bit(BIT_OPEN_ENDING); }

    // The owner's type byte; 16 (nothing drawn) without an owner.
    BYTE GetType();
    bool IsBracket() { return GetType() <= FLOW_END_REPEAT; }
    bool IsEnding() { return GetType() == FLOW_ENDING; }
    bool IsSymbol() { return GetType() == FLOW_SEGNO || GetType() == FLOW_CODA; }
    bool IsExpression() { return GetType() >= FLOW_FIRST_EXPRESSION && GetType() <= FLOW_LAST_EXPRESSION; }
    bool IsNonDisplay() { return GetType() >= FLOW_FIRST_HIDDEN; }
    // The owner's text and ending number (empty and 0 without an owner).
    std::string GetExpression();
    int GetEndingNumber();
    // The ending's label: its number in small digits and a point; the point
    // alone for a number below 0 or from 1000 on.
    std::string GetEndingLabel();

    // The owner's first parent that is the conductor staff, else its
    // conductor-staff ancestor; null when there is none.
    ECConductorStaff* FindStaffParent();
    // Where the mark is drawn in time: an end repeat at the measure before its
    // time (its bar closes that measure), every other type at its own time.
    MCTime GetTime(ECConductor* conductor);
    MCTime GetTime(ECConductorStaff* conductorStaff);
    // The x of `time` in its conductor measure (0 without one); the y of staff
    // 1's measure there, or with `below` the bottom line of the last staff's.
    CPoint GetPositionForTime(ECConductor* conductor, const MCTime& time, int below);

protected:
    int DrawSymbol(CDC* dc, CPoint point, CRect* clip);
    int DrawBracket(CDC* dc, CPoint point);
    int DrawEnding(CDC* dc, CPoint point);
    int DrawExpression(CDC* dc, CPoint point);
    // One repeat bar at x from `top` down by `height`: thick bar (`thick`
    // wide) and thin bar in the type's order.
    void DrawRepeatBar(CDC* dc, int x, int thick, int top, int height, COLORREF color);
    // The two dots in the middle spaces of a staff measure's staff (and of
    // its lower staff on a grand staff), at x.
    void DrawDotsForMeasure(CDC* dc, CPoint point, int x, ECMeasure* measure, ECConductorStaff* conductorStaff);

private:
    ECFlowControl* GetFlowControl();
    template <class Grid>
    MCTime TimeOnGrid(Grid* grid);
    int PositionBracket(ECConductor* conductor, const MCTime& time);
    int PositionEnding(ECConductor* conductor, const MCTime& time);
    // The thick bar's width in the current size mode.
    static int ThickBarWidth();
};
