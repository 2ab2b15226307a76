// DCctConductor and DCctConductorStaff: the display objects at the top of the
// notation tree, of the conductor (ECConductor) and of its staff
// (ECConductorStaff, track 0). Neither draws anything (Draw answers 64).
//
// The conductor staff's display owns the staff ruler, the vertical layout of
// a system that pagination fills and the conductor measures read; it finds
// the conductor measure at a time or under a point, and carries the
// measure-number settings the conductor measures draw by. Bit 20 of its state
// word hides the measures' rulers (persisted with the word).
//
// The two settings start at 1 (numbers above the first staff, every measure)
// until the view loads them from its preferences.
//
// Archive form: the DCctBase head alone for both; the staff ruler is not
// stored (pagination builds it again). Ownership and threads as DCctBase.
#pragma once

#include "notation/display/base.h"
#include "notation/layout/staffruler.h"

class ECConductorMeasure;
class MCTime;

class DCctConductor : public DCctBase {
    DECLARE_SERIAL(DCctConductor)
public:
    DCctConductor() = default;
    DCctConductor(const DCctConductor& other) : DCctBase(other) {}
    ~DCctConductor() override;

    void Serialize(CArchive& ar) override;
    // Nothing to draw: 64.
    int Draw(CDC* dc, CPoint point, CRect* clip) override;
};

class DCctConductorStaff : public DCctBase {
    DECLARE_SERIAL(DCctConductorStaff)
public:
    // The ruler-hidden flag's bit of the state word.
    static constexpr int RULER_HIDDEN_BIT = 20;

    DCctConductorStaff() = default;
    // The DCctBase part; a fresh staff ruler.
    DCctConductorStaff(const DCctConductorStaff& other) : DCctBase(other) {}
    ~DCctConductorStaff() override;

    void Serialize(CArchive& ar) override;
    // Nothing to draw: 64.
    int Draw(CDC* dc, CPoint point, CRect* clip) override;

    MCStaffRuler& GetRuler() { return m_staffRuler; }
    void HideRuler(int hide) { SetBit(RULER_HIDDEN_BIT, hide); }
    int IsRulerHidden() const { return Bit(RULER_HIDDEN_BIT); }

    // The owner's conductor measure at `time`; null without one.
    ECConductorMeasure* FindRulerMeasureAtTime(MCTime* time);
    // The first conductor measure, in child order, whose area holds the point
    // (x from GetX to GetX + GetWidth, y from GetY - GetSystemHeight to GetY,
    // ends included); collapsed members are passed over. A measure without a
    // display object ends the search: null.
    ECConductorMeasure* FindRulerMeasureAtPoint(CPoint point);

    // Where measure numbers go: 0 none, 1 above the first staff, other values
    // below the last one.
    static int s_nMeasureNum;
    // Which measures: 0 the first of each system, 1 every one, n every n-th
    // by measure index.
    static int s_nMeasureNumOpt;

private:
    MCStaffRuler m_staffRuler;   // owned; rebuilt by pagination, not archived
};
