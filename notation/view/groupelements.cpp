// ACGroupElements: beams, chords and notes regrouped before pagination.
#include "notation/view/groupelements.h"

#include "model/conductor.h"
#include "model/event.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/lists.h"
#include "model/staff.h"
#include "notation/display/beam.h"
#include "notation/display/note.h"

namespace {

// Below a measure: measure -> tuplet -> chord -> note.
constexpr unsigned char MEASURE_CONTENT_DEPTH = 3;

}  // namespace

ECConductor* ACGroupElements::ConductorFor(ECBase* event) const {
    if (m_conductor)
        return m_conductor;
    return static_cast<ECConductor*>(event->GetAncestor(ET_CONDUCTOR, -1));
}

ECStaff* ACGroupElements::StaffFor(ECBase* event, ECConductor* conductor) const {
    if (auto* staff = dynamic_cast<ECStaff*>(m_staff))
        return staff;
    const MCVoiceTrack* word = event->GetVoiceTrack();
    if (!conductor || !word)
        return nullptr;
    // A converted word reads track 2047: no staff.
    return dynamic_cast<ECStaff*>(conductor->GetTrack(TRACK_STAFF, word->GetTrack(), 0));
}

void ACGroupElements::GroupOne(ECBase* event, ECConductor* conductor, ECStaff* staff) {
    DCctBase* display = NotationDisplayOf(event);
    if (!display)
        return;
    switch (event->GetClassType()) {
    case ET_BEAM:
        if (auto* beam = dynamic_cast<DCctBeam*>(display))
            beam->Group(conductor, staff);
        break;
    case ET_CHORD:
        display->Assemble();
        break;
    case ET_NOTE:
        if (auto* note = dynamic_cast<DCctNote*>(display))
            note->Group(conductor, staff);
        break;
    default:
        break;
    }
}

int ACGroupElements::DoAction(ECBase* event) {
    const int window = WindowTest(event->GetTime());
    if (window >= 0)
        return window;

    const int type = event->GetClassType();
    if (type != ET_BEAM && type != ET_CHORD && type != ET_NOTE && type != ET_MEASURE)
        return AC_CONTINUE;
    ECConductor* conductor = ConductorFor(event);
    ECStaff* staff = StaffFor(event, conductor);
    if (type != ET_MEASURE) {
        GroupOne(event, conductor, staff);
        return AC_CONTINUE;
    }

    // Beams hang beside the notes they group: found from the measure they
    // are met once each, and the walk need not enter the measure.
    ACFindEvents find(3);
    find.AddEvtType(ET_CHORD);
    find.AddEvtType(ET_BEAM);
    find.AddEvtType(ET_NOTE);
    find.SetDepth(MEASURE_CONTENT_DEPTH);
    find.Apply(event);
    MCEventList& found = find.GetEvents();
    for (POSITION pos = found.GetHeadPosition(); pos;)
        GroupOne(found.GetNext(pos), conductor, staff);
    return AC_SKIP;
}
