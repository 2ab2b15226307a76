// ACGroupElements: regroups the notation of a stretch of the score before
// pagination lays its systems out.
//
// Over a conductor (or one measure, or a list of them) and within the
// ACTimeRange window it groups every beam against the meter and clef in force
// (DCctBeam::Group), assembles every chord again (seconds and stems) and lets
// every note group its grace notes (DCctNote::Group). A measure is handled at
// once: its chords, beams and notes down to three levels are found and
// treated, and the walk does not enter it further.
//
// The conductor is the walk's, else the element's own; the staff is the
// walk's, else the one the element's voice/track word names. Elements
// without a notation display object are passed over (none is made).
//
// Short-lived; no lock taken (the caller holds the performance's).
// User-interface thread.
#pragma once

#include "notation/autonote/timerange.h"

class ECBase;
class ECConductor;
class ECStaff;

class ACGroupElements : public ACTimeRange {
public:
    ACGroupElements() = default;

    int DoAction(ECBase* event) override;

private:
    // Groups, assembles or does nothing, by the element's type.
    static void GroupOne(ECBase* event, ECConductor* conductor, ECStaff* staff);
    // The walk's conductor and staff, else those the element names.
    ECConductor* ConductorFor(ECBase* event) const;
    ECStaff* StaffFor(ECBase* event, ECConductor* conductor) const;
};
