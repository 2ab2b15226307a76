// ECMeasure (type ET_MEASURE): one measure of one staff. It holds the notes,
// rests, chords, clefs, keys and the other events of measure level.
//
// The conductor makes every measure (model/conductorstaff.h): it gives it the
// time of its column of the measure grid and the track of its staff. A
// measure has no fields of its own; its archive form is the ECWithTimeChild
// part. What it adds is the upkeep of its staff's clef and key cache: a clef
// or key entering the measure is cached by the staff above it with the
// event's own hand, one leaving it is uncached first. A measure not (yet)
// under a staff caches nowhere; the staff picks such clefs up when its cache
// is rebuilt. A refusal by the cache (a second clef of a hand at the same
// time) keeps the event in the measure all the same.
//
// UI thread, under the performance's lock like the rest of the tree.
#pragma once

#include "model/event.h"

class ECStaff;

class ECMeasure : public ECWithTimeChild {
    DECLARE_SERIAL(ECMeasure)
public:
    // Voice 14, track 2047; no time until the conductor gives it one.
    ECMeasure();
    // Time and voice/track word; no children.
    ECMeasure(const ECMeasure& other);
    ~ECMeasure() override;

    int GetClassType() const override;

    // The ECWithChild addition; then a clef or key is cached by the staff
    // above. 0 only when the addition failed.
    int AddChild(ECBase* child, int sorted) override;
    // A clef or key is uncached from the staff above first; then the
    // ECWithChild removal and its result.
    int RemoveChild(ECBase* child, int deep) override;
    // Clefs and keys are uncached from the staff above, then every child is
    // detached (its own children first when deep). 1.
    int RemoveChildren(int deep) override;

    // Takes the clefs and keys among the children out of the staff's cache
    // (nothing for null). The staff does so for a measure it lets go.
    void UncacheMarks(ECStaff* staff);

protected:
    // The staff above this measure, or null (also for a container that
    // answers ET_STAFF without being a staff).
    ECStaff* GetStaff();
};

// Whether the event is of a type the staff caches (a clef or a key).
bool IsCachedMark(const ECBase* event);
// The hand a clef or key is cached with; 0 for every other event.
unsigned char GetCacheHand(ECBase* event);
