// ECPerformance: the root of a document's tree, its lock and version, and the
// active performance.
#include "model/performance.h"

#include "model/commandmgr.h"
#include "model/conductor.h"
#include "model/eventtypes.h"
#include "model/states.h"
#include "platform/core/archive.h"

#include <mutex>

IMPLEMENT_SERIAL(ECPerformance, ECWithTimeChild, VERSIONABLE_SCHEMA | 2)

ECPerformance* ECPerformance::s_pActivePerformance = nullptr;

ECPerformance::ECPerformance()
    : m_pCommandMgr(std::make_unique<MCCommandMgr>()), m_pStateMgr(std::make_unique<MCStateMgr>()) {
    m_pCommandMgr->SetOwner(this);
    m_pStateMgr->SetOwner(this);
    m_time = MCTime::TimeZero();
    if (!s_pActivePerformance)
        s_pActivePerformance = this;
}

ECPerformance::~ECPerformance() {
    if (s_pActivePerformance == this)
        s_pActivePerformance = nullptr;
}

int ECPerformance::GetClassType() const {
    return ET_PERFORMANCE;
}

int ECPerformance::RemoveChild(ECBase* child, int deep) {
    return RemoveKeepingTheCacheSound([&] { return ECWithTimeChild::RemoveChild(child, deep); });
}

int ECPerformance::RemoveChildren(int deep) {
    return RemoveKeepingTheCacheSound([&] { return ECWithTimeChild::RemoveChildren(deep); });
}

int ECPerformance::RemoveKeepingTheCacheSound(const std::function<int()>& removal) {
    // Only a conductor still hanging under this performance is known to live;
    // one that left before is left cached as it is.
    ECBase* conductor = m_pConductor && m_children.Find(m_pConductor) ? m_pConductor : nullptr;
    if (!conductor)
        return removal();
    conductor->Ref();
    const int result = removal();
    if (conductor->GetRefCount() == 1)
        m_pConductor = nullptr;   // this hold is the last: the conductor goes now
    conductor->Unref(1);
    return result;
}

void ECPerformance::AddStateHandler(MCCallback handler, void* user) {
    m_pStateMgr->AddStateHandler(handler, user);
}

int ECPerformance::RemoveStateHandler(MCCallback handler, void* user) {
    return m_pStateMgr->RemoveStateHandler(handler, user);
}

void ECPerformance::RemoveStateHandlers() {
    m_pStateMgr->RemoveStateHandlers();
}

void ECPerformance::AddCommandHandler(MCCallback handler, void* user) {
    m_pCommandMgr->AddCommandHandler(handler, user, 0x7FFFFFFF);   // after all others
}

int ECPerformance::RemoveCommandHandler(MCCallback handler, void* user) {
    return m_pCommandMgr->RemoveCommandHandler(handler, user);
}

void ECPerformance::RemoveCommandHandlers() {
    m_pCommandMgr->RemoveCommandHandlers();
}

void ECPerformance::SetCommandRate(unsigned ms) {
    m_pCommandMgr->SetCommandRate(ms);
}

ECPerformance* ECPerformance::SetActivePerformance(ECPerformance* performance) {
    ECPerformance* previous = s_pActivePerformance;
    s_pActivePerformance = performance;
    return previous;
}

ECConductor* ECPerformance::GetConductor() {
    return DYNAMIC_DOWNCAST(ECConductor, GetConductorEvent());
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

void ECPerformance::RefLocked() {
    std::lock_guard lock(m_lock);
    Ref();
}

void ECPerformance::ReleaseLocked(ECPerformance* performance, int count) {
    if (!performance || count <= 0)
        return;
    int remaining = 0;
    {
        std::lock_guard lock(performance->m_lock);
        for (int i = 0; i < count; ++i)
            performance->Unref(0);
        remaining = performance->GetRefCount();
    }
    if (remaining == 0)
        performance->Unref(1);
}
