// The layout walks: the tree actions that bring display objects up to date
// before they are drawn.
//
//   ACSetSize        measures every frame-dirty display object (SetSize with
//                    the device context given, or none);
//   ACClearCollision clears the collision-dirty marks (a mirror's mark is
//                    that of the element it shows);
//   ACSetFrameDirty  marks every display object frame- and assemble-dirty,
//                    as a new zoom needs; it has no time window;
//   ACPosition       places every position-dirty display object, children
//                    before their parent, and the elements hung on others
//                    (accents, lyrics, ornaments, slurs, texts, ties,
//                    transpositions, trills) only in PositionDeferred, once
//                    the notes and measures they are drawn against stand.
//
// Pagination applies them to the conductor (with a time window), to one
// element or to the update list's elements; the view applies ACSetSize and
// ACSetFrameDirty to the conductor when the zoom changes, and ACPosition to
// the visible elements before drawing. Each reads the event's existing
// notation display object (never making one); events without one are passed
// over. Hidden display objects are never positioned and stay position-dirty.
//
// The time window (SetTimeRange) is ACTimeRange's: an element before the
// start is passed over while its children are still visited, one after the
// end ends its list of siblings, an element without a time is always acted
// on. A mirror is tested by its own time, its place among its siblings.
//
// Short-lived: built on the caller's stack, applied, destroyed. No lock is
// taken: the caller holds the performance's while it walks the tree.
// User-interface thread.
#pragma once

#include "model/actions.h"
#include "model/lists.h"
#include "model/time.h"
#include "notation/autonote/timerange.h"

class CDC;
class ECBase;
class ECConductor;
class ECMeasure;
class ECStaff;

class ACSetSize : public ACTimeRange {
public:
    ACSetSize() = default;

    // Borrowed; null sizes without a device (the frame from the font's
    // metrics).
    void SetDC(CDC* dc) { m_pDC = dc; }

    int DoAction(ECBase* event) override;

private:
    CDC* m_pDC = nullptr;
};

class ACClearCollision : public ACTimeRange {
public:
    ACClearCollision() = default;

    int DoAction(ECBase* event) override;
};

class ACSetFrameDirty : public ACBase {
public:
    ACSetFrameDirty() : ACBase(0) {}

    int DoAction(ECBase* event) override;
};

class ACPosition : public ACRelativesFirst {
public:
    ACPosition();
    ~ACPosition() override;

    // Notes where the walk is (a conductor restarts the context; a staff or
    // measure becomes the current one while the track context is on; any
    // other element the current element) and puts the deferred kinds aside
    // without entering them; then walks relatives first.
    using ACRelativesFirst::Apply;
    int Apply(ECBase* event) override;
    // List members come without their staff and measure: the track context
    // is turned off for the rest of the action's life.
    int Apply(MCEventList& list, int flag) override;
    int DoAction(ECBase* event) override;

    // From now on only elements in [start, end] are placed.
    void SetTimeRange(const MCTime& start, const MCTime& end);
    // The conductor placed against when the action is applied to a list.
    void SetConductor(ECConductor* conductor);

    // Places the elements put aside, in the order they were met, against
    // the conductor alone, and forgets them. 1.
    int PositionDeferred();

    // The elements put aside so far (for the callers' checks).
    const MCEventList& GetDeferred() const { return m_deferred; }

private:
    // Whether elements of this type are placed after the walk.
    static bool IsDeferredType(int type);

    ECConductor* m_pConductor = nullptr;   // borrowed
    ECStaff* m_pStaff = nullptr;           // borrowed
    ECMeasure* m_pMeasure = nullptr;       // borrowed
    ECBase* m_pElement = nullptr;          // borrowed
    MCEventList m_deferred{10};            // holds a reference on each element
    MCTime m_start;
    MCTime m_end;
    int m_rangeOn = 0;
    int m_trackContext = 1;
};
