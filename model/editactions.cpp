// The actions that change events in place (see editactions.h).
#include "model/editactions.h"

#include <limits>

#include "model/event.h"
#include "model/eventtypes.h"
#include "model/lists.h"
#include "model/viewdata.h"

// ---- ACSortChildren ---------------------------------------------------------

int ACSortChildren::DoAction(ECBase* event) {
    if (IsWantedType(event->GetClassType())) {
        if (MCEventList* children = event->GetChildren())
            children->Sort();
    }
    return AC_CONTINUE;
}

// ---- ACDeltaTime ------------------------------------------------------------

ACDeltaTime::ACDeltaTime() : ACDeltaTime(MCTime::TimeZero()) {}

ACDeltaTime::ACDeltaTime(const MCTime& delta)
    : ACDeltaTime(delta, MCTime(std::numeric_limits<float>::lowest())) {}

ACDeltaTime::ACDeltaTime(const MCTime& delta, const MCTime& start)
    : ACDeltaTime(delta, start, MCTime::TimeMax()) {}

ACDeltaTime::ACDeltaTime(const MCTime& delta, const MCTime& start, const MCTime& end)
    : m_delta(delta), m_start(start), m_end(end) {}

namespace {

// The events that belong at the very start of the piece: a shift leaves them
// at time zero (their children are still shifted).
bool StaysAtZero(int type) {
    switch (type) {
    case ET_BANKLSB:
    case ET_BANKMSB:
    case ET_CLEF:
    case ET_CONDUCTORSTAFF:
    case ET_FLOWCONTROL:
    case ET_KEY:
    case ET_METER:
    case ET_PERFORMANCE:
    case ET_PROGRAMCHANGE:
    case ET_STAFF:
    case ET_TEMPO:
    case ET_TEXT:
        return true;
    default:
        return false;
    }
}

// The containers whose children are kept in time order by the shift.
bool SortsChildren(int type) {
    return type == ET_CONDUCTORSTAFF || type == ET_STAFF || type == ET_TRACK ||
           type == ET_WAVETRACK;
}

}  // namespace

bool ACDeltaTime::Moves(ECBase* event) const {
    const MCTime* time = event->GetTime();
    if (time == nullptr)
        return false;
    const int type = event->GetClassType();
    if (*time == MCTime::TimeZero() && StaysAtZero(type))
        return false;
    // Every track begins with the piece, as the staves do; a wave track moved
    // away from zero would leave the tree with the first run of measures
    // deleted over its new time. It is sorted below all the same.
    const bool trackAtZero = (type == ET_TRACK || type == ET_WAVETRACK) && *time == MCTime::TimeZero();
    return !trackAtZero && *time >= m_start && *time < m_end;
}

bool ACDeltaTime::IsSettled(ECBase* event) const {
    const int type = event->GetClassType();
    if (type != ET_MEASURE && type != ET_CONDUCTORMEASURE)
        return false;
    const MCTime* time = event->GetTime();
    return time && *time < m_settledBefore;
}

int ACDeltaTime::DoAction(ECBase* event) {
    const MCTime* time = event->GetTime();
    if (time == nullptr)
        return AC_CONTINUE;
    if (IsSettled(event))
        return AC_SKIP;
    const int type = event->GetClassType();
    if (*time == MCTime::TimeZero() && StaysAtZero(type))
        return AC_CONTINUE;

    if (Moves(event)) {
        // Float times only: a bar/pulse/tick operand gives time zero.
        MCTime moved;
        if (time->GetMode() != TM_BPT && m_delta.GetMode() != TM_BPT) {
            moved = *time;
            moved += m_delta;
        }
        if (moved < MCTime::TimeZero())
            moved = MCTime::TimeZero();
        event->SetTime(&moved);
    }

    // The container is sorted when it is met, before its children move.
    if (SortsChildren(type)) {
        if (MCEventList* children = event->GetChildren())
            children->Sort();
    }
    return AC_CONTINUE;
}

// ---- ACFindDeltaTime --------------------------------------------------------

ACFindDeltaTime::ACFindDeltaTime(const MCTime& start, const MCTime& end)
    : m_shift(MCTime::TimeZero(), start, end) {}

int ACFindDeltaTime::DoAction(ECBase* event) {
    bool changes = m_shift.Moves(event);
    if (!changes && m_shift.IsSettled(event))
        return AC_SKIP;
    const int type = event->GetClassType();
    if (!changes && SortsChildren(type)) {
        const MCEventList* children = event->GetChildren();
        changes = children && !children->IsSorted();
    }
    if (!changes)
        return AC_CONTINUE;
    m_found = event;
    return AC_STOP;
}

// ---- ACPostSerialize --------------------------------------------------------

int ACPostSerialize::DoAction(ECBase* event) {
    // Grouping events are completed through their members' containers.
    const int type = event->GetClassType();
    if (type == ET_BEAM || type == ET_SLUR || type == ET_TIE)
        return AC_SKIP;

    event->PostSerialize(*m_archive);
    for (DCBase* data : event->GetData()) {
        if (data != nullptr)
            data->PostSerialize(*m_archive);
    }
    return AC_CONTINUE;
}
