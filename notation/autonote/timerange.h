// The notation engine's own tree actions over a time window, and the
// dirty-list action.
//
// ACTimeRange limits a walk to a time window and remembers where in the tree
// the walk is: the conductor, staff and measure it is in and the last other
// element met. Its subclasses share one window test: with no window every
// element is acted on; an element before the start is passed over (its
// children are still visited); one after the end stops its list of siblings
// (children lists are in time order); the start and the end themselves are
// inside.
//
// ACSetDirty marks the display objects of the elements it meets dirty by a
// list of dirty kinds (DCctBase::DirtyKind), in the order added, repeats
// included. An element without a time of its own (a lyric) takes the window
// test by its first parent's time.
//
// Both are short-lived: built on the caller's stack, set up, applied and
// destroyed. They take no lock: the engine holds the performance's while
// it walks. UI thread.
#pragma once

#include <cstdint>
#include <vector>

#include "model/actions.h"
#include "model/time.h"

class ECBase;
class ECConductor;

class ACTimeRange : public ACBase {
public:
    ACTimeRange();

    // Notes the element's place (a conductor restarts the staff and measure,
    // a staff the measure and element, a measure the element; anything else
    // is the element), then walks as ACBase does.
    using ACBase::Apply;
    int Apply(ECBase* event) override;

    // From now on only elements in [start, end] are acted on.
    virtual void SetTimeRange(const MCTime& start, const MCTime& end);
    virtual void SetConductor(ECConductor* conductor);

    ECConductor* GetConductor() const { return m_conductor; }
    ECBase* GetStaff() const { return m_staff; }
    ECBase* GetMeasure() const { return m_measure; }
    ECBase* GetElement() const { return m_element; }

protected:
    // The window test for an element whose time is `time` (null: none of its
    // own, which always passes): -1 to act on the element, else the walk's
    // answer without acting (AC_CONTINUE before the start, AC_STOP_SIBLINGS
    // after the end).
    int WindowTest(const MCTime* time) const;

    MCTime m_start;
    MCTime m_end;
    int m_rangeOn = 0;
    ECConductor* m_conductor = nullptr;   // borrowed, may be null
    ECBase* m_staff = nullptr;            // borrowed: the walk's staff
    ECBase* m_measure = nullptr;          // borrowed: the walk's measure
    ECBase* m_element = nullptr;          // borrowed: the last other element
};

class ACSetDirty : public ACTimeRange {
public:
    // Room for the low byte of `n` kinds; none in use.
    explicit ACSetDirty(int n);

    // Appends a kind (0-11; any other sets nothing when applied). A full
    // list grows to the count in use + 5.
    void AddDirtyKind(uint8_t kind);
    int GetDirtyKindCount() const { return m_count; }

    int DoAction(ECBase* event) override;

private:
    std::vector<uint8_t> m_kinds;   // the first m_count are in use
    uint8_t m_count = 0;
};
