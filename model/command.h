// Edit commands: every insertion or removal of events in a performance's tree.
//
// A command (CCBase and its subclasses) is made by its caller, filled, and
// applied once to a performance (Apply, or MCCommandMgr::ApplyCommand). The
// performance's command manager (model/commandmgr.h) runs it, alone or in a
// batch with others, in three phases with the performance locked:
//   Prepare (phase 0)  the base fetches the target's conductor, which the
//                      subclasses work on; without one the command refuses;
//   Process (phase 1)  the base detaches every event of the discard list from
//                      all its parents (the notation engine fills that list
//                      while it renotates what the command touches); each
//                      subclass does its own work after that;
//   Finish  (phase 2)  nothing in the base.
// A phase answers 0 to refuse; the manager then calls Abort on the command and
// announces it as STATE_COMMAND_ABORTED. There is no undo: a command has no
// inverse.
//
// CCBase holds
//   the flag word  bit 0 auto-delete (on): whoever ends the command's life
//                  (the manager, or the state that carries it) deletes it;
//                  bit 1 state-notify (on): when finished, the command is
//                  carried by the batch's STATE_COMMANDS_DONE; bit 2
//                  synchronous (off): ApplyCommand sends instead of posting,
//                  and the command timer never holds it; bits 16-31 the phase;
//   the target     the performance it was applied to (borrowed);
//   the conductor  the target's conductor, from the base Prepare on (borrowed);
//   the discard list  events to detach before Process does its work (holds a
//                  reference on each), in the order they were discarded, which
//                  is the order they leave their parents in; beside it the set
//                  of the same events, which answers whether one is held
//                  already (the notation engine discards every rest, beam and
//                  tie of a whole piece through one command when a meter
//                  change re-bars it).
// Ownership: from ApplyCommand on, an auto-delete command belongs to the
// manager and its caller must not touch it again (a synchronous one that
// finished is gone when ApplyCommand returns); a command with auto-delete off
// stays its caller's to delete once it ran. Commands are never copied.
//
// Threads: a command is filled on any thread, then runs on the user-interface
// thread under its performance's lock; a phase may apply further synchronous
// commands, which run nested at once under the same lock.
#pragma once

#include "model/lists.h"
#include "model/ptrlists.h"

#include <cstdint>
#include <unordered_set>

class ECBase;
class ECConductor;
class ECPerformance;

// Command ids (GetCommandId). No command answers 6.
enum : int {
    CMD_ADD = 0,
    CMD_ADDMEASURE = 1,
    CMD_ADDNOTEMODIFIER = 2,
    CMD_ADDMETER = 3,
    CMD_ADDTRACK = 4,
    CMD_BASE = 5,
    CMD_REMOVE = 7,
    CMD_REMOVEMEASURE = 8,
    CMD_REMOVEMETER = 9,
    CMD_REMOVETRACK = 10,
    CMD_COPY = 0x9800,   // the document's copy command
};

// The phases, as GetCommandPhase answers them and as handlers are told them.
enum : int {
    CMD_PHASE_PREPARE = 0,
    CMD_PHASE_PROCESS = 1,
    CMD_PHASE_FINISH = 2,
};

// The base of every command. Not a CObject; never archived.
class CCBase {
public:
    enum : uint32_t {
        CF_AUTODELETE = 0x01,
        CF_STATENOTIFY = 0x02,
        CF_SYNCHRONOUS = 0x04,
        CF_PHASE_MASK = 0xFFFF0000u,
    };

    // Auto-delete and state-notify on, posted, phase 0; no target, no
    // conductor, an empty discard list.
    CCBase();
    CCBase(const CCBase&) = delete;
    CCBase& operator=(const CCBase&) = delete;
    // Empties the discard list, releasing its references.
    virtual ~CCBase();

    // CMD_BASE here; each subclass its own id.
    virtual int GetCommandId() const;
    // Bits 16-31 of the flag word.
    virtual int GetCommandPhase() const;
    // Stores the phase in bits 16-31, keeping bits 0-15.
    virtual void SetCommandPhase(int phase);
    // MCCommandMgr::ApplyCommand(this, performance); see there.
    virtual int Apply(ECPerformance* performance);

    // The phases (see the top of this file): 1 to go on, 0 to refuse.
    virtual int Prepare();
    virtual int Process();
    virtual int Finish();
    // Called by the manager on the command that refused a phase. Nothing here.
    virtual void Abort();

    // Each setter stores bit 0 of its argument.
    int GetAutoDelete() const { return (m_flags & CF_AUTODELETE) != 0; }
    void SetAutoDelete(int autoDelete) { SetFlag(CF_AUTODELETE, autoDelete & 1); }
    int GetStateNotify() const { return (m_flags & CF_STATENOTIFY) != 0; }
    void SetStateNotify(int stateNotify) { SetFlag(CF_STATENOTIFY, stateNotify & 1); }
    int IsSynchronous() const { return (m_flags & CF_SYNCHRONOUS) != 0; }
    void SetSynchronous(int synchronous) { SetFlag(CF_SYNCHRONOUS, synchronous & 1); }

    ECPerformance* GetTarget() const { return m_pTarget; }
    void SetTarget(ECPerformance* target) { m_pTarget = target; }

    // The conductor the base Prepare fetched (null before). ECConductor* at
    // call sites that know that class (a template, so that this header needs
    // no more than its name); GetConductorEvent gives the event.
    template <class Conductor = ECConductor>
    Conductor* GetConductor() const { return static_cast<Conductor*>(m_pConductor); }
    ECBase* GetConductorEvent() const { return m_pConductor; }

    // Appends the event unless it is held already or is a Meter (meters are
    // never discarded: they leave through their own commands).
    void Discard(ECBase* event);
    // Read only: the list changes through Discard alone, so that the set
    // beside it stays the same events.
    const MCEventList* GetDiscardList() const { return &m_discardList; }

    // How a command reaches the mirrors that show an event: the mirror class
    // (model/mirror.h) installs, when the library loads, a finder answering
    // the list a Clef, Key, Meter or Tempo keeps (null for any other event);
    // without a finder no event has mirrors. Returns the finder installed
    // before (tests put their own in place for a while).
    using MirrorListFinder = MCEventList* (*)(ECBase* event);
    static MirrorListFinder SetMirrorListFinder(MirrorListFinder finder);

protected:
    // For each event, head first: a Clef, Key or Meter first has its mirrors
    // detached the same way (a Tempo's mirrors are not followed here), then
    // the event is detached from every parent.
    virtual void RemoveFromParents(MCEventList* events);

    // For each event of `events` that is a Clef, Key, Meter or Tempo, appends
    // every mirror that shows it to `mirrors`.
    void FindMirrors(MCEventList* events, MCEventList* mirrors);

    // The list of mirrors that show a Clef, Key, Meter or Tempo (null for any
    // other event), through the finder installed below.
    static MCEventList* GetMirrorList(ECBase* event);

private:
    void SetFlag(uint32_t bit, bool on) { m_flags = on ? (m_flags | bit) : (m_flags & ~bit); }

    uint32_t m_flags = CF_AUTODELETE | CF_STATENOTIFY;
    ECPerformance* m_pTarget = nullptr;   // borrowed; ApplyCommand referenced it
    ECBase* m_pConductor = nullptr;       // borrowed: the tree holds it
    MCEventList m_discardList{10};        // a reference on each event
    std::unordered_set<const ECBase*> m_discarded;   // the events of the list; their references keep them alive

    static MirrorListFinder s_mirrorListFinder;   // set once, when the mirror class loads
};

// A batch of commands: an untyped pointer list whose every element is a
// command. The command manager hands one to each handler call (as its data
// pointer); the command timer queues into one. Holds no command.
class MCCommandList : public MCPtrList {
public:
    explicit MCCommandList(int blockSize = 10) : MCPtrList(blockSize) {}

    CCBase* GetHead() const { return static_cast<CCBase*>(MCPtrList::GetHead()); }
    CCBase* GetNext(POSITION& pos) const { return static_cast<CCBase*>(MCPtrList::GetNext(pos)); }
    CCBase* GetAt(POSITION pos) const { return static_cast<CCBase*>(MCPtrList::GetAt(pos)); }
};
