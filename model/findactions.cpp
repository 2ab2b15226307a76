// The counting and finding actions (see findactions.h), and the ancestor and
// descendant look-ups of events, which are find-first walks.
#include "model/findactions.h"

#include "model/event.h"
#include "model/voicetrackactions.h"

// ---- ACCount ----------------------------------------------------------------

int ACCount::BeginAction() {
    const int begun = ACWithTypes::BeginAction();
    m_count = 0;
    return begun;
}

int ACCount::DoAction(ECBase* event) {
    if (IsWantedType(event->GetClassType()))
        ++m_count;
    return AC_CONTINUE;
}

// ---- ACFindEvents -----------------------------------------------------------

int ACFindEvents::BeginAction() {
    const int begun = ACCount::BeginAction();
    m_events.RemoveAll();
    return begun;
}

int ACFindEvents::DoAction(ECBase* event) {
    if (!IsWantedType(event->GetClassType()))
        return AC_CONTINUE;
    AddFound(event);
    ++m_count;
    return m_count >= m_maxCount ? AC_STOP : AC_CONTINUE;
}

void ACFindEvents::AddEvtTypes(const std::vector<int>& types) {
    for (int type : types)
        AddEvtType(type);
}

void ACFindEvents::AddFound(ECBase* event) {
    m_events.AddEvent(event, 0);
}

// ---- ACFindFirstEvent -------------------------------------------------------

int ACFindFirstEvent::BeginAction() {
    const int begun = ACWithTypes::BeginAction();
    m_event = nullptr;
    return begun;
}

int ACFindFirstEvent::DoAction(ECBase* event) {
    if (!IsWantedType(event->GetClassType()))
        return AC_CONTINUE;
    m_event = event;
    return AC_STOP;
}

// ---- ACFindData -------------------------------------------------------------

int ACFindData::DoAction(ECBase* event) {
    // Only a display object already there counts: the search creates none.
    if (event->GetData(m_viewCode, 0) == nullptr)
        return AC_CONTINUE;
    return ACFindEvents::DoAction(event);
}

// ---- ACFindTime -------------------------------------------------------------

ACFindTime::ACFindTime(const MCTime& start, const MCTime& end, int mode)
    : m_start(start), m_end(end), m_mode(mode) {}

void ACFindTime::SetTimeRange(const MCTime& start, const MCTime& end, int mode) {
    m_start = start;
    m_end = end;
    m_mode = mode;
}

int ACFindTime::DoAction(ECBase* event) {
    const MCTime* time = event->GetTime();
    if (time == nullptr)
        return AC_CONTINUE;
    const MCTime& t = *time;
    if (t > m_end)
        return AC_STOP_SIBLINGS;

    bool inRange = false;
    switch (m_mode) {
    case 0: inRange = t >= m_start && t <= m_end; break;
    case 1: inRange = t > m_start && t < m_end; break;
    case 2: inRange = t > m_start && t <= m_end; break;
    case 3: inRange = t >= m_start && t < m_end; break;
    default: break;
    }
    if (inRange && IsWantedType(event->GetClassType()))
        AddFound(event);
    return AC_CONTINUE;
}

// ---- ACFindTrackEvents ------------------------------------------------------

int ACFindTrackEvents::DoAction(ECBase* event) {
    // The word of the event itself or of its nearest ancestor; none at all
    // reads as track 2047, as does a converted word.
    ACGetVoiceTrack find;
    find.Apply(event);
    if (find.GetVoiceTrack().GetTrack() != m_track)
        return AC_SKIP;
    return ACFindEvents::DoAction(event);
}

// ---- ACFindObjects ----------------------------------------------------------

ACFindObjects::ACFindObjects(ECBase* event) {
    AddObject(event);
}

ACFindObjects::ACFindObjects(const MCEventList& events) {
    AddObjects(events);
}

int ACFindObjects::BeginAction() {
    const int begun = ACBase::BeginAction();
    m_found = 0;
    return begun;
}

int ACFindObjects::DoAction(ECBase* event) {
    if (m_objects.Find(event) == nullptr)
        return AC_CONTINUE;
    m_found = 1;
    return AC_STOP;
}

void ACFindObjects::AddObject(ECBase* event) {
    if (event != nullptr)
        m_objects.AddEvent(event, 0);
}

void ACFindObjects::AddObjects(const MCEventList& events) {
    m_objects.AddEvents(&events, 0);
}

void ACFindObjects::RemoveObject(ECBase* event) {
    m_objects.RemoveEvent(event);
}

void ACFindObjects::RemoveObjects(const MCEventList& events) {
    m_objects.RemoveEvents(&events);
}

// ---- ECBase look-ups --------------------------------------------------------

namespace {

// A find-first walk from `from` for one type; depth -1 keeps the default
// limit of 255 levels, any other value limits the walk to depth & 255.
ECBase* FindFirst(ECBase* from, int type, int depth, int reverse) {
    ACFindFirstEvent find;
    find.AddEvtType(type);
    if (depth != -1)
        find.SetDepth(static_cast<unsigned char>(depth & 255));
    if (reverse) {
        // Upward, every parent counts: a note's beam leads to its measure too.
        find.SetReverse(1);
        find.ClipNone();
    }
    find.Apply(from);
    return find.GetEvent();
}

}  // namespace

// Declared in model/event.h; defined here because they are walks.
ECBase* ECBase::GetAncestor(int type, int depth) {
    return FindFirst(this, type, depth, 1);
}

ECBase* ECBase::GetDescendant(int type, int depth) {
    return FindFirst(this, type, depth, 0);
}
