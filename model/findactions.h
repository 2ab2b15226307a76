// The tree actions that count, find and collect events.
//
// ACCount counts the events of the wanted types; ACFindEvents collects them
// in walk order (up to a maximum count); ACFindFirstEvent stops at the first.
// ACFindData, ACFindTime and ACFindTrackEvents collect, of one wanted type by
// default, the events that have view data of one kind, whose time lies in a
// range, or that lie on one track. ACFindObjects tells whether a walk meets
// one of a given set of events.
//
// The collecting actions own their lists, which hold a reference on each
// event (see MCEventList); destroying the action releases them. Results
// accumulate over several Apply calls until Reset (then BeginAction empties
// them). UI thread, or the holder of the performance's lock.
#pragma once

#include <vector>

#include "model/actions.h"
#include "model/lists.h"
#include "model/time.h"

// Counts the visited events of the wanted types.
class ACCount : public ACWithTypes {
public:
    ACCount() : ACCount(1) {}
    explicit ACCount(int slots) : ACWithTypes(slots) {}

    int BeginAction() override;
    int DoAction(ECBase* event) override;

    int GetEventCount() const { return m_count; }

protected:
    int m_count = 0;
};

// Collects the visited events of the wanted types, in walk order, and ends
// the walk (AC_STOP) once the maximum count is reached.
class ACFindEvents : public ACCount {
public:
    ACFindEvents() : ACFindEvents(1) {}
    explicit ACFindEvents(int slots) : ACCount(slots) {}

    int BeginAction() override;
    int DoAction(ECBase* event) override;

    // Adds each type of the array as AddEvtType does.
    void AddEvtTypes(const std::vector<int>& types);
    // The type slots; only the first ones, as many as were added, are used.
    const std::vector<int>& GetEventTypes() const { return GetTypeSlots(); }

    MCEventList& GetEvents() { return m_events; }
    int GetMaxEventCount() const { return m_maxCount; }
    void SetMaxEventCount(int maxCount) { m_maxCount = maxCount; }

protected:
    // Appends the event to the events without counting it.
    void AddFound(ECBase* event);

    int m_maxCount = 0x7FFFFFFF;
    MCEventList m_events;   // owned; holds a reference on each event
};

// Ends the walk at the first visited event of a wanted type.
class ACFindFirstEvent : public ACWithTypes {
public:
    ACFindFirstEvent() : ACFindFirstEvent(1) {}
    explicit ACFindFirstEvent(int slots) : ACWithTypes(slots) {}

    int BeginAction() override;
    int DoAction(ECBase* event) override;

    // The event found, or null. Borrowed: the action takes no reference.
    ECBase* GetEvent() const { return m_event; }

private:
    ECBase* m_event = nullptr;
};

// Collects the events of the wanted type that have a display object of one
// view kind (without creating any).
class ACFindData : public ACFindEvents {
public:
    ACFindData() = default;
    explicit ACFindData(int viewCode) : m_viewCode(viewCode) {}

    int DoAction(ECBase* event) override;

    int GetViewCode() const { return m_viewCode; }
    void SetViewCode(int viewCode) { m_viewCode = viewCode; }

private:
    int m_viewCode = 0;
};

// Collects the events of the wanted type whose time lies in [start, end],
// the bounds included or not by the mode: 0 both, 1 neither, 2 the end only,
// 3 the start only; other modes collect nothing. An event after the end
// answers AC_STOP_SIBLINGS: children lists are in time order, so its later
// siblings are after the end too. Found events are not counted and never
// reach the maximum.
class ACFindTime : public ACFindEvents {
public:
    ACFindTime(const MCTime& start, const MCTime& end, int mode);

    int DoAction(ECBase* event) override;

    void SetTimeRange(const MCTime& start, const MCTime& end, int mode);

private:
    MCTime m_start;
    MCTime m_end;
    int m_mode;
};

// Collects the events of the wanted type that lie on one track: the track of
// the event's voice/track word, or of its nearest ancestor's (a converted
// word counts as track 2047). The subtree of an event on another track is
// skipped.
class ACFindTrackEvents : public ACFindEvents {
public:
    explicit ACFindTrackEvents(int track) : m_track(track) {}

    int DoAction(ECBase* event) override;

    void SetTrack(int track) { m_track = track; }

private:
    int m_track;
};

// Tells whether a walk meets one of a set of events; stops at the first.
class ACFindObjects : public ACBase {
public:
    explicit ACFindObjects(ECBase* event);
    explicit ACFindObjects(const MCEventList& events);

    int BeginAction() override;
    int DoAction(ECBase* event) override;

    int ObjectsFound() const { return m_found; }
    MCEventList& GetObjects() { return m_objects; }
    void AddObject(ECBase* event);
    // Appended in their order, unsorted.
    void AddObjects(const MCEventList& events);
    void RemoveObject(ECBase* event);
    void RemoveObjects(const MCEventList& events);

private:
    int m_found = 0;
    MCEventList m_objects;   // owned; holds a reference on each event
};
