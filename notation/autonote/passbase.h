// ANBase: the common base of the automatic notation engine's passes.
//
// A pass works on one measure at a time. The base holds what every pass needs
// for that: the performance and its conductor, the time window of the current
// run, the notation resolution (the finest notated division, 64 ticks = a
// sixteenth note), a small time tolerance (the hidden threshold, 16 ticks = a
// sixty-fourth note) and the update list that passes add what they redraw to.
// It offers the gatherings the passes share: notated elements by voice or by
// tick slice, the borrowed (re-timed) elements, the voices present, the
// counting unit of a meter and the unit of a tuplet.
//
// Ticks here count 256 per quarter note whatever MCTime::GlobalPPQ is.
//
// Each pass keeps its own settings: the engine sets the resolution only of
// the passes that read it, and its own threshold setter never reaches the
// passes, so they run with the defaults above.
//
// The performance, conductor and update list are borrowed. Elements without a
// notation display object are passed over by the gatherings (a slice ends at
// the first one). User-interface thread, inside the engine's run, which holds
// the performance's lock; no lock is taken here.
#pragma once

#include "model/lists.h"
#include "model/time.h"

#include <cstdint>
#include <vector>

class DirtyRect;
class ECConductor;
class ECMeter;
class ECPerformance;
class ECTuplet;

class ANBase {
public:
    // The defaults, at 256 ticks per quarter note.
    static constexpr uint16_t DEFAULT_RESOLUTION = 64;
    static constexpr int DEFAULT_THRESHOLD_TICKS = 16;
    static constexpr int TICKS_PER_QUARTER = 256;

    ANBase();
    ANBase(const ANBase&) = delete;
    ANBase& operator=(const ANBase&) = delete;
    ~ANBase();

    // Stores the performance and its conductor (null with a null performance).
    void Attach(ECPerformance* performance);
    void SetConductor(ECConductor* conductor) { m_pConductor = conductor; }
    ECPerformance* GetBaseEvent() const { return m_pPerformance; }
    ECConductor* GetConductor() const { return m_pConductor; }

    void SetTimeRange(const MCTime& start, const MCTime& end);
    const MCTime& GetTimeRangeStart() const { return m_timeRangeStart; }
    const MCTime& GetTimeRangeEnd() const { return m_timeRangeEnd; }
    void SetHiddenThreshold(const MCTime& threshold) { m_hiddenThreshold = threshold; }
    const MCTime& GetHiddenThreshold() const { return m_hiddenThreshold; }
    void SetUpdateRect(DirtyRect* update) { m_pUpdate = update; }
    DirtyRect* GetUpdateRect() const { return m_pUpdate; }
    // Read by the note moving and time correction passes and the ruler
    // creation.
    void SetResolution(uint16_t resolution) { m_resolution = resolution; }
    uint16_t GetResolution() const { return m_resolution; }

    // Empties `out`, then appends the notated elements (notes, chords, rests,
    // tuplets, grace notes) of `in` in `voice` (or in low..high), in order.
    void GetDataByVoice(MCEventList& out, const MCEventList& in, unsigned voice);
    void GetDataByVoice(MCEventList& out, const MCEventList& in, unsigned low, unsigned high);
    // The number of distinct voices 0-7 among the elements.
    int CountVoices(const MCEventList& list);
    // Appends (without emptying `out`) the elements of `in`, a list in time
    // order, whose tick start (in `mode`) lies in [from, to); stops at the
    // first element at or after `to` and at the first without notated data.
    void GetDataByTimeSlice(MCEventList& out, const MCEventList& in, uint16_t from, uint16_t to, int mode);
    // Appends the borrowed elements of `in` to `borrowed` (taking them out of
    // `in` when `remove` is 1) and gathers their distinct borrowed bases in
    // first-seen order. Elements without notated data are passed over.
    void GetBorrowedEvents(MCEventList& in, MCEventList& borrowed, std::vector<uint16_t>& bases, int remove);
    // The meter's counting unit in ticks; 256 for a null meter.
    uint16_t GetBase(ECMeter* meter);
    // The tuplet's unit in ticks (the whole 1024 ... the 128th 8); 128 for
    // any other unit and for a null tuplet.
    uint16_t GetTupletUnitDuration(ECTuplet* tuplet);

    // The voice of an element: 15 for a converted word or none, else bits 0-3.
    static unsigned GetVoice(ECBase* event);
    // Whether the element is one the by-voice gatherings collect.
    static bool IsNotatedType(int type);

protected:
    ECPerformance* m_pPerformance = nullptr;   // borrowed, may be null
    ECConductor* m_pConductor = nullptr;       // borrowed, may be null
    uint16_t m_resolution = DEFAULT_RESOLUTION;
    MCTime m_hiddenThreshold;
    MCTime m_timeRangeStart;
    MCTime m_timeRangeEnd;
    DirtyRect* m_pUpdate = nullptr;            // borrowed, may be null
};
