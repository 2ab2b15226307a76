// ANStem: directions, lengths, ledger lines, ties and flags of a measure's
// stems.
#include "notation/autonote/stem.h"

#include "model/event.h"
#include "model/eventtypes.h"
#include "model/measure.h"
#include "model/staff.h"
#include "notation/autonote/notatelinks.h"
#include "notation/display/measure.h"
#include "notation/display/notate.h"
#include "notation/display/staff.h"

namespace {

constexpr int STEM_UP = 0;
constexpr int NOT_OVERRIDE = 0;
constexpr int SHOW = 0;
constexpr int FLAG_ON = 1;
// Values shorter than a quarter carry a flag (unless a beam takes it).
constexpr unsigned FLAGGED_BELOW = 256;
constexpr unsigned FIRST_LOWER_VOICE = 4;

DCctNotate* NotateOf(ECBase* element) {
    return dynamic_cast<DCctNotate*>(GetNotateData(element));
}

bool HasGraceChild(ECBase* element) {
    MCEventList* children = element->GetChildren();
    return children && children->FindEvent(ET_GRACENOTE) != nullptr;
}

// A member of a beam: the beam stands for its flag, also when the stems are
// made again without the beams (a beam broken in place).
bool InBeam(ECBase* element) {
    MCEventList* parents = element->GetParents();
    return parents && parents->FindEvent(ET_BEAM) != nullptr;
}

}  // namespace

void ANStem::DoMeasure(ECStaff* staff, ECMeasure* measure) {
    auto* display = measure ? dynamic_cast<DCctMeasure*>(measure->GetData(DK_NOTATION, 0)) : nullptr;
    if (!display || !display->StemDirty())
        return;
    CalculateStems(display->GetNumberOfVoices(), staff, display, measure);
    display->SetStemDirty(0);
}

void ANStem::CalculateStems(int /*voices*/, ECStaff* staff, DCctMeasure* measure, ECBase* parent) {
    MCEventList* children = parent ? parent->GetChildren() : nullptr;
    if (!measure || !children)
        return;
    for (POSITION pos = children->GetHeadPosition(); pos;) {
        ECBase* element = children->GetNext(pos);
        switch (element->GetClassType()) {
        case ET_TUPLET: {
            MCEventList* members = element->GetChildren();
            for (POSITION at = members ? members->GetHeadPosition() : nullptr; at;) {
                ECBase* member = members->GetNext(at);
                const int type = member->GetClassType();
                if (type != ET_NOTE && type != ET_REST && type != ET_CHORD)
                    continue;
                if (!StemElement(member, staff, measure))
                    return;   // a member without a display ends the whole walk
                StemGraceChildren(member, staff, measure);
            }
            break;
        }
        case ET_NOTE:
        case ET_REST:
        case ET_CHORD:
        case ET_GRACENOTE:
            if (!StemElement(element, staff, measure))
                return;
            StemGraceChildren(element, staff, measure);
            break;
        default:
            break;
        }
    }
}

bool ANStem::StemElement(ECBase* element, ECStaff* staff, DCctMeasure* measure) {
    DCctNotate* display = NotateOf(element);
    if (!display)
        return false;
    const unsigned voice = GetVoice(element);
    const BYTE lower = measure->GetType() == DCctMeasure::STAFF_GRAND && voice >= FIRST_LOWER_VOICE &&
                               voice != 15
                           ? 1
                           : 0;
    MCTime time = *element->GetTime();
    ECClef* clef = DCctStaff::GetClefAtTime(staff, time, lower);
    const bool single = measure->IsSingleVoice(lower) != 0;

    if (element->GetClassType() == ET_GRACENOTE) {
        if (single)
            display->SetStemDirection(STEM_UP, NOT_OVERRIDE);
        else
            display->SetStemDirectionByVoice();
        measure->SetStemLength(display, STEM_LENGTH_SHARED, clef);
    } else if (single) {
        measure->SetStemDirectionByPitch(display, clef);
        measure->SetStemLength(display, STEM_LENGTH_SINGLE, clef);
    } else {
        display->SetStemDirectionByVoice();
        measure->SetStemLength(display, STEM_LENGTH_SHARED, clef);
    }

    measure->SetLedgerLines(display, clef);
    measure->SetTieDirectionByPitch(display, clef);
    display->HideStem(SHOW, 0);
    if (display->GetValue() < FLAGGED_BELOW && !InBeam(element))
        display->SetFlag(FLAG_ON);
    return true;
}

void ANStem::StemGraceChildren(ECBase* element, ECStaff* staff, DCctMeasure* measure) {
    if (element->GetClassType() == ET_NOTE) {
        if (HasGraceChild(element))
            CalculateStems(0, staff, measure, element);
        return;
    }
    if (element->GetClassType() != ET_CHORD)
        return;
    MCEventList* notes = element->GetChildren();
    for (POSITION pos = notes ? notes->GetHeadPosition() : nullptr; pos;) {
        ECBase* note = notes->GetNext(pos);
        if (note->GetClassType() == ET_NOTE && HasGraceChild(note))
            CalculateStems(0, staff, measure, note);
    }
}
