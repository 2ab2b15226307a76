// ACTimeRange and ACSetDirty: the window over the walk and the dirty list.
#include "notation/autonote/timerange.h"

#include "model/conductor.h"
#include "model/event.h"
#include "model/eventtypes.h"
#include "model/lists.h"
#include "notation/display/base.h"

// ---- ACTimeRange --------------------------------------------------------------

ACTimeRange::ACTimeRange() : ACBase(0) {}

void ACTimeRange::SetTimeRange(const MCTime& start, const MCTime& end) {
    m_start = start;
    m_end = end;
    m_rangeOn = 1;
}

void ACTimeRange::SetConductor(ECConductor* conductor) {
    m_conductor = conductor;
}

int ACTimeRange::Apply(ECBase* event) {
    if (event) {
        switch (event->GetClassType()) {
        case ET_CONDUCTOR:
            m_conductor = static_cast<ECConductor*>(event);
            m_staff = nullptr;
            m_measure = nullptr;
            break;
        case ET_STAFF:
            m_staff = event;
            m_measure = nullptr;
            m_element = nullptr;
            break;
        case ET_MEASURE:
            m_measure = event;
            m_element = nullptr;
            break;
        default:
            m_element = event;
            break;
        }
    }
    return ACBase::Apply(event);
}

int ACTimeRange::WindowTest(const MCTime* time) const {
    if (!m_rangeOn || time == nullptr)
        return -1;
    if (*time < m_start)
        return AC_CONTINUE;
    if (*time > m_end)
        return AC_STOP_SIBLINGS;
    return -1;
}

// ---- ACSetDirty ---------------------------------------------------------------

ACSetDirty::ACSetDirty(int n) : m_kinds(static_cast<uint8_t>(n)) {}

void ACSetDirty::AddDirtyKind(uint8_t kind) {
    if (m_count >= m_kinds.size())
        m_kinds.resize(static_cast<size_t>(m_count) + 5);
    m_kinds[m_count++] = kind;
}

int ACSetDirty::DoAction(ECBase* event) {
    if (m_rangeOn) {
        // A lyric, accidental or dot is as early or late as the note it hangs on.
        MCTime* time = event->GetTime();
        if (!time) {
            MCEventList* parents = event->GetParents();
            if (parents && !parents->IsEmpty())
                time = parents->GetHead()->GetTime();
        }
        const int answer = WindowTest(time);
        if (answer >= 0)
            return answer;
    }
    auto* display = dynamic_cast<DCctBase*>(event->GetData(DK_NOTATION, 0));
    if (!display)
        return AC_CONTINUE;
    for (uint8_t i = 0; i < m_count; ++i)
        display->SetDirtyKind(m_kinds[i], 1);
    return AC_CONTINUE;
}
