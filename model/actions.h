// Tree actions: visitors over the event tree.
//
// An action derives from ACBase; its Apply walks from one event (or from each
// event of a list) down through the children, or up through the parents when
// the action is reversed, and calls DoAction for every event it meets. What
// DoAction answers steers the walk (the AC_ codes below). The event tree is a
// graph: an event reached through two parents is met twice, except that the
// walk does not enter beams, slurs and ties by default (type clipping), so the
// notes under them are met once, through their measure, chord or tuplet.
//
// ACBase holds a flag word (begun, reverse, list mode, clipping, the maximum
// and the current depth) and the clip types. ACRelativesFirst walks the same
// relatives but visits each event after them. ACWithTypes adds the type slots
// of the actions that look for certain event types (counting, finding,
// sorting).
//
// Actions take no lock: a caller walking a performance's tree that another
// thread may touch holds the performance's lock. One thread uses an action at
// a time.
#pragma once

#include <cstdint>
#include <vector>

class ECBase;
class MCEventList;

// Per-event results of DoAction and of Apply.
enum {
    AC_ABORT = -1,          // end the walk at once; Apply answers -1
    AC_CONTINUE = 0,        // go on into the event's relatives
    AC_SKIP = 1,            // do not enter the event's relatives
    AC_STOP = 2,            // end the whole walk
    AC_STOP_SIBLINGS = 3,   // skip the event's following siblings
};

// The base of every tree action. Not a CObject: actions are built by their
// user on the stack or the heap, applied and read. The list walk calls the
// single-event Apply virtually, so an override of it serves both forms; a
// class overriding one Apply brings the other in with `using ACBase::Apply`.
class ACBase {
public:
    ACBase();
    explicit ACBase(int reverse);
    virtual ~ACBase();

    ACBase(const ACBase&) = default;
    ACBase& operator=(const ACBase&) = default;

    // Called once before the first event (again after Reset). The base sets
    // the current depth to 0 and answers 1; an answer with bit 0 clear makes
    // Apply answer AC_ABORT without visiting anything.
    virtual int BeginAction();
    // Walks every non-null event of the list in list order. Sets list mode
    // for the life of the action (the single-event walks then call no
    // EndAction) and calls EndAction once at the end. With flag 0 an
    // AC_STOP_SIBLINGS from an entry ends the list with AC_STOP; with a
    // non-zero flag the list goes on.
    virtual int Apply(MCEventList& list, int flag);
    // Walks from one event: the event first, then its relatives depth first
    // in list order (children lists are in time order).
    virtual int Apply(ECBase* event);
    // The work for one event; the base answers AC_CONTINUE.
    virtual int DoAction(ECBase* event);
    // Called after an event's relatives outside list mode, and once at the
    // end of a list walk. The base does nothing.
    virtual void EndAction();
    // Clears the begun bit, so that the next Apply calls BeginAction again.
    virtual void Reset();

    int IsReverse() const { return (m_flags & FLAG_REVERSE) != 0; }
    void SetReverse(int reverse);

    // The maximum depth: 0 visits only the start event, 1 also its direct
    // relatives; the default 255 is, in practice, no limit.
    unsigned char GetDepth() const { return static_cast<unsigned char>(m_flags >> 16); }
    void SetDepth(unsigned char depth);

    // -1 empties the clip types and turns clipping off; any other type is
    // appended to the clip types and turns clipping on.
    void ClipEvtType(int type);
    // Empties the clip types and turns clipping off.
    void ClipNone();

protected:
    // Whether clipping is on and the event's type is one of the clip types.
    int ShouldClip(ECBase* event) const;

    // The pieces of the walk that actions overriding Apply (ECBase*) reuse.
    // Calls BeginAction when the begun bit is clear; 0 when it failed.
    int EnsureBegun();
    // The event's parents (reversed) or children; null when it has none.
    MCEventList* GetRelatives(ECBase* event) const;
    // One level down; 0 (with the depth left as it was) when that goes
    // beyond the maximum depth.
    int EnterLevel();
    void LeaveLevel();
    int IsListMode() const { return (m_flags & FLAG_LIST) != 0; }
    unsigned char GetCurrentDepth() const { return static_cast<unsigned char>(m_flags >> 24); }
    void SetCurrentDepth(unsigned char depth);

private:
    static constexpr uint32_t FLAG_BEGUN = 0x1;
    static constexpr uint32_t FLAG_REVERSE = 0x2;
    static constexpr uint32_t FLAG_LIST = 0x4;
    static constexpr uint32_t FLAG_CLIP = 0x8;

    // Bit 0 begun, 1 reverse, 2 list mode, 3 clipping; bits 16-23 the
    // maximum depth, bits 24-31 the current depth.
    uint32_t m_flags;
    // Event types whose relatives the walk does not enter.
    std::vector<int> m_clipTypes;
};

// Walks each event's relatives before the event itself (post-order). A
// clipped event's relatives are walked too; the clipping only turns the
// event's own AC_CONTINUE into AC_SKIP. Its list walk is the base one.
class ACRelativesFirst : public ACBase {
public:
    ACRelativesFirst() = default;
    explicit ACRelativesFirst(int reverse) : ACBase(reverse) {}

    using ACBase::Apply;
    int Apply(ECBase* event) override;
};

// The type slots of the actions that look for certain event types. A type
// count of 0 wants every type; otherwise the event's type must be among the
// first type-count slots. Unused slots hold -1.
class ACWithTypes : public ACBase {
public:
    // Writes the type into the first unused slot (adding a slot when all
    // are used).
    void AddEvtType(int type);
    // Removes the first used slot holding the type; later slots move down.
    void RemoveEvtType(int type);
    // Sets every slot to -1: every type is wanted again.
    void RemoveEvtTypes();

protected:
    explicit ACWithTypes(int slots, int reverse = 0);

    // The index of the type among the used slots, -1 when absent.
    int FindEvtType(int type) const;
    // Whether an event of this type is wanted.
    int IsWantedType(int type) const;
    int GetTypeCount() const { return m_typeCount; }
    const std::vector<int>& GetTypeSlots() const { return m_types; }

private:
    int m_typeCount = 0;
    std::vector<int> m_types;
};
