// ECPerformance: the root of a document's tree, its lock and version, and the
// active performance.
#include "model/performance.h"

#include "model/eventtypes.h"
#include "platform/core/archive.h"

#include <mutex>

IMPLEMENT_SERIAL(ECPerformance, ECWithTimeChild, VERSIONABLE_SCHEMA | 2)

ECPerformance* ECPerformance::s_pActivePerformance = nullptr;

ECPerformance::ECPerformance() {
    m_time = MCTime::TimeZero();
    if (!s_pActivePerformance)
        s_pActivePerformance = this;
}

ECPerformance::~ECPerformance() {
    if (s_pActivePerformance == this)
        s_pActivePerformance = nullptr;
    // The managers join with the command and state machinery; they are
    // deleted here once they exist (both slots are null until then).
}

int ECPerformance::GetClassType() const {
    return ET_PERFORMANCE;
}

ECPerformance* ECPerformance::SetActivePerformance(ECPerformance* performance) {
    ECPerformance* previous = s_pActivePerformance;
    s_pActivePerformance = performance;
    return previous;
}

ECBase* ECPerformance::GetConductorEvent() {
    if (!m_pConductor)
        m_pConductor = GetDescendant(ET_CONDUCTOR, -1);
    return m_pConductor;
}

void ECPerformance::Serialize(CArchive& ar) {
    std::lock_guard lock(m_lock);
    if (ar.IsStoring()) {
        ECWithTimeChild::Serialize(ar);
        return;
    }
    ECLoadGuard guard(this);
    ECWithTimeChild::Serialize(ar);
    EndLoading();   // read directly, not through ReadEvent
    guard.Commit();
    GetConductorEvent();
}
