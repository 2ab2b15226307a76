// The performance: the root event of a document's tree.
//
// ECPerformance (type ET_PERFORMANCE) holds the conductor and the frames, and
// through them the whole tree. It carries
//   the file version  of the document being loaded or saved; every timed event
//                     reads its time with the version of the *active*
//                     performance, so a loader makes its performance active
//                     and sets the version before the tree is read;
//   the lock          a re-entrant critical section that guards the whole tree:
//                     commands, serialization, import and export, the engine's
//                     edit handling, the notation engine, pagination and
//                     drawing take it around their work;
//   the managers      the document's command manager and state manager
//                     (owned), both made with the performance, which is
//                     their owner (the first one on the user-interface
//                     thread makes the process's command and state windows);
//   the conductor     cached on first look-up and kept while the performance
//                     lives, also when the conductor leaves the tree; only a
//                     removal that frees the conductor (a document letting go
//                     of its tree) clears the cache, which would otherwise
//                     point at nothing.
// One performance is the active one (a process-wide static): the first one
// constructed becomes active when none is; destroying the active one leaves
// none active.
//
// Threads: the tree is the user-interface thread's; any other thread takes
// the lock first (player lock, then performance lock). The active performance
// is set on the user-interface thread.
#pragma once

#include "model/event.h"
#include "model/ptrlists.h"
#include "platform/core/sync.h"

#include <functional>
#include <memory>

class CArchive;
class ECConductor;
class MCCommandMgr;
class MCStateMgr;

class ECPerformance : public ECWithTimeChild {
    DECLARE_SERIAL(ECPerformance)
public:
    // The file version the system writes.
    static constexpr int CURRENT_VERSION = 2;

    // Time zero, version 0, no conductor cached; becomes active when none is.
    ECPerformance();
    ~ECPerformance() override;

    // Under the lock: the ECWithTimeChild part (flag byte, view data, the
    // children and through them the tree, time, voice/track word). The
    // performance adds no bytes of its own; loading fills the conductor
    // cache and, should the data be damaged, frees what it read but could
    // not link.
    void Serialize(CArchive& ar) override;

    int GetClassType() const override;
    // As ECWithChild's, clearing the conductor cache when the removal freed
    // the conductor: a command still queued when the document let go of its
    // tree then finds no conductor and is refused, rather than linking its
    // events under loose parts of the old tree (which would then hold each
    // other for good).
    int RemoveChild(ECBase* child, int deep) override;
    int RemoveChildren(int deep) override;

    int GetVersion() const { return m_nVersion; }
    void SetVersion(int version) { m_nVersion = version; }

    // Re-entrant: the same thread may lock several times and unlocks as often.
    void Lock() { m_lock.Lock(); }
    void Unlock() { m_lock.Unlock(); }
    // For std::lock_guard.
    CCriticalSection& GetLock() { return m_lock; }

    // References taken and released by the managers on any thread (a command
    // or state in flight keeps its performance alive). Counted under the
    // lock, since the user-interface thread may be releasing others at the
    // same moment; a performance whose last reference goes is deleted after
    // the lock is given back, since the lock dies with it.
    void RefLocked();
    static void ReleaseLocked(ECPerformance* performance, int count = 1);

    // The conductor: looked up (GetDescendant(ET_CONDUCTOR, -1)) while none is
    // cached, so a tree without one is searched again on each call.
    // GetConductor answers null for an event of that type that is not an
    // ECConductor; GetConductorEvent gives the event whatever its class.
    ECConductor* GetConductor();
    ECBase* GetConductorEvent();

    // The managers, made with the performance, which is their owner.
    MCCommandMgr* GetCommandMgr() const { return m_pCommandMgr.get(); }
    MCStateMgr* GetStateMgr() const { return m_pStateMgr.get(); }

    // State handlers (model/states.h), called (this, 0, state, user) for
    // every state applied to this performance, in registration order.
    // User-interface thread.
    void AddStateHandler(MCCallback handler, void* user);
    // Removes the first record of this handler with this user data; answers
    // whether there was one. Safe while a state is being delivered.
    int RemoveStateHandler(MCCallback handler, void* user);
    void RemoveStateHandlers();

    // Command handlers (model/commandmgr.h), called (this, phase, batch,
    // user) for every batch of commands applied to this performance, in
    // registration order. User-interface thread.
    void AddCommandHandler(MCCallback handler, void* user);
    // Removes the first record of this handler with this user data; answers
    // whether there was one. Safe while a batch runs.
    int RemoveCommandHandler(MCCallback handler, void* user);
    void RemoveCommandHandlers();
    // Gathers posted commands into batches of `ms` milliseconds (recording
    // sets 100); 0 runs each at once again, after what was gathered.
    // User-interface thread.
    void SetCommandRate(unsigned ms);

    static ECPerformance* GetActivePerformance() { return s_pActivePerformance; }
    // Makes p active (null: none); returns the one active before.
    static ECPerformance* SetActivePerformance(ECPerformance* performance);

private:
    // Runs a removal of children holding the cached conductor meanwhile (when
    // it hangs under this performance), and clears the cache when nothing but
    // that hold was left on it.
    int RemoveKeepingTheCacheSound(const std::function<int()>& removal);

    int m_nVersion = 0;
    CCriticalSection m_lock;
    std::unique_ptr<MCCommandMgr> m_pCommandMgr;   // owned; its owner is this performance
    std::unique_ptr<MCStateMgr> m_pStateMgr;   // owned; its owner is this performance
    ECBase* m_pConductor = nullptr;   // borrowed: the tree holds it

    static ECPerformance* s_pActivePerformance;
};
