// CCBase: the flag word and phase, the base phases, the discard list and the
// walks over mirrors.
#include "model/command.h"

#include "model/commandmgr.h"
#include "model/event.h"
#include "model/eventtypes.h"
#include "model/performance.h"

CCBase::MirrorListFinder CCBase::s_mirrorListFinder = nullptr;

CCBase::CCBase() = default;

CCBase::~CCBase() {
    m_discarded.clear();
    m_discardList.RemoveAll();
}

int CCBase::GetCommandId() const {
    return CMD_BASE;
}

int CCBase::GetCommandPhase() const {
    return static_cast<int>(m_flags >> 16);
}

void CCBase::SetCommandPhase(int phase) {
    m_flags = (m_flags & ~CF_PHASE_MASK) | (static_cast<uint32_t>(phase) << 16);
}

int CCBase::Apply(ECPerformance* performance) {
    return MCCommandMgr::ApplyCommand(this, performance);
}

int CCBase::Prepare() {
    m_pConductor = m_pTarget ? m_pTarget->GetConductorEvent() : nullptr;
    return m_pConductor != nullptr;
}

int CCBase::Process() {
    RemoveFromParents(&m_discardList);
    return 1;
}

int CCBase::Finish() {
    return 1;
}

void CCBase::Abort() {}

void CCBase::Discard(ECBase* event) {
    if (!event || event->GetClassType() == ET_METER || !m_discarded.insert(event).second)
        return;
    m_discardList.AddTail(event);
}

CCBase::MirrorListFinder CCBase::SetMirrorListFinder(MirrorListFinder finder) {
    MirrorListFinder previous = s_mirrorListFinder;
    s_mirrorListFinder = finder;
    return previous;
}

MCEventList* CCBase::GetMirrorList(ECBase* event) {
    return s_mirrorListFinder ? s_mirrorListFinder(event) : nullptr;
}

void CCBase::RemoveFromParents(MCEventList* events) {
    if (!events)
        return;
    for (POSITION pos = events->GetHeadPosition(); pos;) {
        ECBase* event = events->GetNext(pos);
        const int type = event->GetClassType();
        // A mirror shows its clef, key or meter elsewhere in the score; it
        // cannot stay once the event it shows is gone. A tempo's mirrors are
        // left to the tempo's own removal.
        if (type == ET_CLEF || type == ET_KEY || type == ET_METER) {
            if (MCEventList* mirrors = GetMirrorList(event)) {
                // From a copy: a detached mirror may leave the list it is on.
                MCEventList copy(10);
                copy.AddTail(mirrors);
                RemoveFromParents(&copy);
            }
        }
        event->RemoveFromParents();
    }
}

void CCBase::FindMirrors(MCEventList* events, MCEventList* mirrors) {
    if (!events || !mirrors)
        return;
    for (POSITION pos = events->GetHeadPosition(); pos;) {
        ECBase* event = events->GetNext(pos);
        const int type = event->GetClassType();
        if (type != ET_CLEF && type != ET_KEY && type != ET_METER && type != ET_TEMPO)
            continue;
        if (MCEventList* shown = GetMirrorList(event))
            mirrors->AddTail(shown);
    }
}
