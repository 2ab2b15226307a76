// DCctConductorMeasure's mirrors: a clef, key or meter shown again in every
// staff measure of the column, and the clefs and keys in force carried into
// the measures that begin a system.
#include "notation/display/conductormeasure.h"

#include "interface/document/opusdoc.h"
#include "model/conductorstaff.h"
#include "model/eventtypes.h"
#include "model/lists.h"
#include "model/markings.h"
#include "model/mirror.h"
#include "model/performance.h"
#include "model/staff.h"

#include <mutex>

namespace {

// The key display's state bit that marks a key cancelling the one before it
// (its naturals are shown, it is not carried on).
constexpr int KEY_CANCELS_PREVIOUS_BIT = 20;

// The measure's first parent that is a staff, or null.
ECStaff* StaffOf(ECMeasure* measure) {
    MCEventList* parents = measure->GetParents();
    const POSITION pos = parents ? parents->FindEvent(ET_STAFF) : nullptr;
    return pos ? static_cast<ECStaff*>(parents->GetAt(pos)) : nullptr;
}

// The measure's first parent, when it is a staff.
ECStaff* FirstParentStaff(ECMeasure* measure) {
    MCEventList* parents = measure->GetParents();
    ECBase* first = parents && !parents->IsEmpty() ? parents->GetHead() : nullptr;
    return first && first->GetClassType() == ET_STAFF ? static_cast<ECStaff*>(first) : nullptr;
}

bool IsChildOf(ECBase* event, ECBase* parent) {
    MCEventList* parents = event->GetParents();
    return parents && parents->Find(parent) != nullptr;
}

}  // namespace

ECBase* DCctConductorMeasure::NewMirror(ECBase* shown, ECMeasure* measure, const MCTime& time, int prolog,
                                        int location) {
    auto* mirror = new ECMirror;
    mirror->SetTime(&time);
    if (!measure->AddChild(mirror, 1)) {
        mirror->Unref(1);
        return nullptr;
    }
    auto* display = dynamic_cast<DCctBase*>(mirror->GetData(DK_NOTATION, 1));
    auto* shownDisplay = dynamic_cast<DCctBase*>(shown->GetData(DK_NOTATION, 1));
    if (display && Links().setMirror)
        Links().setMirror(display, shownDisplay, prolog, location);
    mirror->SetMirrorEvent(shown, 1);
    return mirror;
}

void DCctConductorMeasure::AddMirror(ECBase* event, int prolog) {
    ECPerformance* performance = GetBaseEvent();
    if (!performance || !event)
        return;
    std::lock_guard lock(performance->GetLock());
    for (int i = 0; ECMeasure* measure = StaffMeasure(i); ++i) {
        const MCTime measureTime = *measure->GetTime();
        NewMirror(event, measure, measureTime, prolog, -1);
        // A grand staff shows it on its lower staff as well.
        ECStaff* staff = StaffOf(measure);
        if (staff && staff->GetStaffType() == 1) {
            const MCTime* own = event->GetTime();
            NewMirror(event, measure, own ? *own : measureTime, prolog, 0);
        }
    }
}

void DCctConductorMeasure::AddClefToMeasures() {
    MirrorInForce(false);
}

void DCctConductorMeasure::AddKeyToMeasures() {
    MirrorInForce(true);
}

void DCctConductorMeasure::MirrorInForce(bool keys) {
    // Keys are added under the active document's lock, clefs under this
    // element's own performance's.
    MCOpusDoc* doc = keys ? MCOpusDoc::GetActiveDoc() : nullptr;
    ECPerformance* performance = keys ? (doc ? doc->GetBaseEvent() : nullptr) : GetBaseEvent();
    if (!performance)
        return;
    std::lock_guard lock(performance->GetLock());
    for (int i = 0; ECMeasure* measure = StaffMeasure(i); ++i) {
        ECStaff* staff = keys ? FirstParentStaff(measure) : StaffOf(measure);
        if (!staff)
            continue;
        const MCTime time = *measure->GetTime();
        for (unsigned char half = 0; half < 2; ++half) {
            ECBase* shown = keys ? static_cast<ECBase*>(staff->GetKeyAtTime(time, half))
                                 : static_cast<ECBase*>(staff->GetClefAtTime(time, half));
            if (!shown || IsChildOf(shown, measure))
                continue;
            if (keys) {
                auto* display = dynamic_cast<DCctBase*>(shown->GetData(DK_NOTATION, 1));
                if (display && (display->GetStateWord() >> KEY_CANCELS_PREVIOUS_BIT & 1u))
                    continue;
            }
            ECBase* mirror = NewMirror(shown, measure, time, -1, -1);
            MCRuler* ruler = MeasureRuler(measure);
            if (mirror && ruler && Links().doMirror)
                Links().doMirror(*ruler, mirror, 0);
        }
    }
}
