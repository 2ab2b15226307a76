// MCRulerRuler: the ruler of one measure across all staves (the conductor ruler).
//
// The conductor measure feeds it each shown staff's measure ruler in turn:
// the first is taken over by assignment, each later one is mediated, so every
// gap of the result is the widest any staff needs and simultaneous events
// line up across the system. Pagination then stretches it to the measure's
// width (SetWidth), display elements take their x from it, the edit tools map
// an x back to a time (GetTime), and the view can draw it above the measure.
//
// Holds, beyond MCRuler, the group Draw shows (1 at construction) and the
// width the last mediation reached, the narrowest SetWidth accepts unforced.
// UI thread only.
#pragma once

#include "notation/layout/ruler.h"

#include "platform/ui/geometry.h"

class CDC;
class MCTime;

class MCRulerRuler : public MCRuler {
public:
    MCRulerRuler();
    // Copy what MCRuler's assignment copies, plus the displayed group.
    MCRulerRuler(const MCRulerRuler& other);
    MCRulerRuler& operator=(const MCRulerRuler& other);
    // From a staff's ruler: MCRuler's assignment; the displayed group becomes 1.
    MCRulerRuler& operator=(const MCRuler& other);
    ~MCRulerRuler() override;

    // Stores nothing (AddRulerInfo).
    void Serialize(CArchive& ar) override;
    using MCRuler::CalculateMinimumWidth;
    // The minimum width with this staff's ruler mediated at `squeeze`; the
    // conductor's own squeeze level is kept.
    virtual void CalculateMinimumWidth(MCRuler& staffRuler, BYTE squeeze);

    // Merges one staff's ruler: spaces it at this ruler's squeeze level, then
    // every prologue slot, postlogue slot and gap becomes the larger of the two.
    void MediateRulers(MCRuler& staffRuler);
    // 1 when the ruler has the width afterwards; 0, unchanged, for a width
    // below the mediated width unless forced. Stretches every mark in proportion.
    int SetWidth(short width, int force);
    int GetMediatedWidth() const { return m_mediatedWidth; }
    // The time at x: the nearest mark's when snapping (at 256 per quarter),
    // else interpolated between the marks around x (at the global PPQ).
    // pulse 0x4000 stands for the active group's base pulse.
    MCTime GetTime(int x, int snap, WORD pulse);
    void SetDisplayBorrowed(int on, WORD pulse);
    WORD GetDisplayedGroup() const { return m_displayedGroup; }
    // Notehead height x 2.25, truncated.
    int GetHeight() const;
    // The outline and one tick per mark of the displayed group (group 0 when
    // it names none), in the staff colour; y grows upwards, so ticks hang
    // from `at` to at.y - length. The clip rectangle is not used.
    void Draw(CDC* dc, CPoint at, const CRect* clip);

private:
    void AddRulerInfo() {}
    // Step 7 of mediation for one pulse group.
    void MediateGroup(MCRuler& staffRuler, WORD pulse);

    WORD m_displayedGroup = 1;
    int m_mediatedWidth = 0;
};
