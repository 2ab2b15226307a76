// DCctStaff: the display object of a staff (ECStaff).
//
// It draws nothing itself. It keeps the room ledger lines need above and below
// the staff (pagination sets it; not archived), answers rectangle tests
// through the display object of its first measure, and gives the clef and key
// look-ups every display class uses: on a grand staff (kind 1) the `lower`
// argument picks the lower staff's hand, on any other kind it is ignored.
//
// s_staffColor is the notation's one staff colour (notation/layout/staffcolor.h),
// the holder the rulers draw with, not a copy of it.
//
// Archive form: the DCctBase head alone; a loaded staff is never hidden.
// Ownership and threads as DCctBase.
#pragma once

#include "notation/display/base.h"

class ECClef;
class ECKey;
class MCStaffColor;
class MCTime;

class DCctStaff : public DCctBase {
    DECLARE_SERIAL(DCctStaff)
public:
    DCctStaff() = default;
    // The DCctBase part only; the ledger heights start at 0.
    DCctStaff(const DCctStaff& other) : DCctBase(other) {}
    ~DCctStaff() override;

    void Serialize(CArchive& ar) override;
    // Nothing drawn: 128 when hidden, else 64.
    int Draw(CDC* dc, CPoint point, CRect* clip) override;
    // The first measure's display object's answer; 0 without one.
    int IsIn(CRect* rect, CPoint offset, int detail, int selector) override;

    void SetLegerHeightAbove(int height) { m_nLegerAbove = static_cast<int16_t>(height); }
    int GetLegerHeightAbove() const { return m_nLegerAbove; }
    void SetLegerHeightBelow(int height) { m_nLegerBelow = static_cast<int16_t>(height); }
    int GetLegerHeightBelow() const { return m_nLegerBelow; }

    // The staff's clef or key at or before `time` for the hand `lower` picks;
    // null for a null staff or none in force.
    static ECClef* GetClefAtTime(ECStaff* staff, MCTime& time, BYTE lower);
    static ECClef* GetClefBeforeTime(ECStaff* staff, MCTime& time, BYTE lower);
    static ECKey* GetKeyAtTime(ECStaff* staff, MCTime& time, BYTE lower);
    static ECKey* GetKeyBeforeTime(ECStaff* staff, MCTime& time, BYTE lower);

    static MCStaffColor& s_staffColor;
    // The colour of staff-drawn elements (staff lines, barlines): window text
    // when printing, grey when ghosted, the selection colour when selected,
    // else the staff colour.
    static COLORREF GetStaffElementColor(CDC* dc, const DCctBase& element);

private:
    int16_t m_nLegerAbove = 0;
    int16_t m_nLegerBelow = 0;
};
