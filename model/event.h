// Events: the musical objects of a document and the graph they form.
//
// Every object of the music (performance, conductor, staves, measures, notes,
// markings, MIDI events) derives from ECBase. An event keeps a list of its
// parents and, when it can hold children (ECWithChild), a list of children;
// both are MCEventLists, so each link is a counted reference and links are made
// and broken in pairs. An event may have several parents: the tree is a
// directed acyclic graph.
//
// ECBase holds
//   the flag word   bit 0 has persistent view data, bit 1 has children, bit 2
//                   has time, bit 3 ignored, bit 4 display only; bits 16-31 the
//                   reference count (16 bits). Only the low byte is archived.
//   the view data   one DCBase per view kind (model/viewdata.h), owned, made on
//                   demand through the data registry; entries may be null.
//   the parents     an MCEventList.
// ECWithTime adds a time and a voice/track word, ECWithChild the children list,
// ECWithTimeChild both.
//
// Ownership. An event lives while some list or holder references it. A new
// event has count 0: whoever creates it and never puts it into a list releases
// it with Unref(1). A subtree is freed by detaching it (RemoveChildren(1), or
// RemoveFromParents), never by deleting an event: an event that loses its last
// parent detaches its own children, and each event is deleted when its last
// reference goes.
//
// Threads: events carry no lock. A document's tree is guarded by its
// performance's lock (model/performance.h); a caller that reads or changes
// links or counts from another thread than the user-interface thread takes it.
#pragma once

#include "model/lists.h"
#include "model/time.h"
#include "platform/core/object.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <type_traits>
#include <vector>

class CArchive;
class DCBase;

// The storage of an event's view-data array: an array of one or two entries
// (a performer, and with it a display object), which nearly every event has,
// comes from a pool of its own (model/recordpool.h); a longer one from the
// general heap. A file read gives a hundred thousand events their performers.
class MCViewDataAllocator {
public:
    using value_type = DCBase*;
    // Only ever its own kind: the array holds nothing else.
    template <class Other>
    struct rebind {
        static_assert(std::is_same_v<Other, DCBase*>);
        using other = MCViewDataAllocator;
    };

    MCViewDataAllocator() noexcept = default;
    DCBase** allocate(std::size_t count);
    void deallocate(DCBase** entries, std::size_t count) noexcept;
    friend bool operator==(const MCViewDataAllocator&, const MCViewDataAllocator&) { return true; }
};

// An event's view data, one entry per view kind (model/plugin.h).
using MCViewDataArray = std::vector<DCBase*, MCViewDataAllocator>;

class ECBase : public CObject {
    DECLARE_SERIAL(ECBase)
public:
    // Flag bits.
    enum : uint32_t {
        EF_PERSISTENT_DATA = 0x01,   // a serializable view-data object is held
        EF_CHILDREN = 0x02,          // the children list is not empty
        EF_TIME = 0x04,              // a timed class
        EF_IGNORED = 0x08,
        EF_DISPLAY_ONLY = 0x10,
    };

    ECBase();
    // Copies nothing of the source: no parents, children, view data; count 0.
    ECBase(const ECBase& other);
    ECBase& operator=(const ECBase&) = delete;
    // Deletes the view data. Called only through Unref (or for an event that
    // never entered a list).
    ~ECBase() override;

    // One byte, the low byte of the flag word; when its bit 0 is set, the
    // view-data array (count, then each object by reference, null allowed).
    void Serialize(CArchive& ar) override;
    // An event whose reading failed: the load guard that noted it when its
    // reading began frees it with the rest of the load. Read with no guard
    // active (or failed before its ECBase part), it is freed here as the
    // guard would free it: its children detached, then let go.
    void OnReadFailed() override;

    // The EventType of the class (model/eventtypes.h).
    virtual int GetClassType() const;
    // Appends the allowed parent types of the class (from the type table);
    // 1 when any were appended.
    virtual int GetParentTypes(std::vector<int>& types) const;
    // Whether `type` is among the allowed parent types (what GetParentTypes
    // appends), answered without a list: every event added asks it. A class
    // that overrides GetParentTypes overrides this to agree.
    virtual bool MayHangUnder(int type) const;

    // Time, duration and voice/track word: null where the class has none.
    // The setters of a class without one do nothing; a null argument is ignored.
    virtual MCTime* GetTime();
    virtual void SetTime(const MCTime* time);
    virtual MCTime* GetDuration();
    virtual void SetDuration(const MCTime* duration);
    virtual MCVoiceTrack* GetVoiceTrack();
    // The word becomes voice & 15 plus the track shifted left by 4.
    virtual void SetVoiceTrack(int voice, int track);
    virtual void SetVoiceTrack(const MCVoiceTrack* word);

    virtual MCEventList* GetParents();
    // The first event of the type up through the parents (depth -1: up to 255
    // levels, else depth & 255), or null. Defined with the tree actions.
    virtual ECBase* GetAncestor(int type, int depth);
    // Appends p to the parents list; 1.
    virtual int AddParent(ECBase* parent);
    // 0 when p is not a parent; else removes it and, when no parent is left,
    // detaches this event's children (RemoveChildren(0)); 1.
    virtual int RemoveParent(ECBase* parent);
    // Each parent's RemoveChild(this, 0), from the head; 1.
    virtual int RemoveFromParents();

    // Null for a class without children.
    virtual MCEventList* GetChildren();
    // The first descendant of the type (beams, slurs and ties are not
    // entered), or null; depth as GetAncestor. Defined with the tree actions.
    virtual ECBase* GetDescendant(int type, int depth);
    // ECBase refuses children: 0.
    virtual int AddChild(ECBase* child, int sorted);
    virtual int RemoveChild(ECBase* child, int deep);
    virtual int RemoveChildren(int deep);

    // The view data of a kind: the object held, else (with create set) a new
    // one from the data registry, owned by this event; null when none.
    virtual DCBase* GetData(int kind, int create);
    // The whole array, indexed by view kind (entries may be null).
    virtual const MCViewDataArray& GetData();
    // Deletes every view-data object, empties the array, clears bit 0.
    virtual void RemoveData();
    // Deletes the view-data object of one kind, when there is one; bit 0
    // stays set while another object that is archived is left.
    void DeleteData(int kind);

    // Run by the post-load pass after a document was read; nothing here.
    virtual void PostSerialize(CArchive& ar);

    // Reference counting. Ref answers the new count; Unref(destroy) lowers a
    // count above 0 and, with destroy set, deletes the event when the count is
    // (now or already) 0, answering 0. The count saturates at 65535: further
    // references are kept aside (and traced) so that none is lost.
    // The common cases are answered here, inline: every list an event
    // enters or leaves references it.
    int Ref() {
        if ((m_flags >> 16) >= MAX_REFS)
            return RefSaturated();
        m_flags += 0x10000u;
        return static_cast<int>(m_flags >> 16);
    }
    int Unref(int destroy) {
        const uint32_t count = m_flags >> 16;
        if (m_extraRefs != 0 || count <= 1)
            return UnrefLast(destroy);
        m_flags -= 0x10000u;
        return static_cast<int>(count - 1);
    }
    int GetRefCount() const { return static_cast<int>(m_flags >> 16); }

    // Both setters store the lowest bit of their argument.
    int IsIgnored() const { return (m_flags & EF_IGNORED) != 0; }
    void SetIgnored(int ignored) { SetFlag(EF_IGNORED, ignored & 1); }
    int IsDisplayOnly() const { return (m_flags & EF_DISPLAY_ONLY) != 0; }
    void SetDisplayOnly(int displayOnly) { SetFlag(EF_DISPLAY_ONLY, displayOnly & 1); }
    // The flag bits 0-7 (the archived byte).
    unsigned GetFlags() const { return m_flags & 0xFF; }

    // Clears flag bits 0-4 and the count and empties the view-data array
    // (deleting what it held).
    void InitECBase();

    // The class of an event type by its name in the run-time class registry,
    // or null (types 3, 4, 22 and numbers outside the table).
    static const CRuntimeClass* GetEventRuntimeClass(int type);
    // A new event of that type (count 0), or null.
    static ECBase* CreateEvent(int type);
    // The display name of the type; empty where it has none.
    static std::string GetEventString(int type);

    // Reads an event by reference (null allowed). An event read here for the
    // first time is whole when this returns. With `link` set the event is about
    // to become a child: one whose own reading is still under way would make an
    // event its own descendant, and is refused with CArchiveException(badIndex).
    // Every reader of events in an event archive uses this, not ReadObject.
    static ECBase* ReadEvent(CArchive& ar, int link);

protected:
    void SetFlag(uint32_t bit, bool on) { m_flags = on ? (m_flags | bit) : (m_flags & ~bit); }

    // Flag bits never archived. EF_LOADING: set from the start of this event's
    // loading until its reader has it whole (see ReadEvent). EF_DYING: the
    // event is being destroyed; Unref no longer deletes it.
    static constexpr uint32_t EF_LOADING = 0x100;
    static constexpr uint32_t EF_DYING = 0x200;

    bool IsLoading() const { return (m_flags & EF_LOADING) != 0; }
    // The direct reader of a root event (ECPerformance) marks it whole.
    void EndLoading() { m_flags &= ~EF_LOADING; }

private:
    friend class ECLoadGuard;

    static constexpr uint32_t MAX_REFS = 0xFFFF;
    // Ref at the top of the count, and Unref of a reference kept aside or of
    // the last one (which may delete).
    int RefSaturated();
    int UnrefLast(int destroy);
    // Moves on each time an event begins to load on this thread.
    static uint32_t GetLoadCounter();

    uint32_t m_flags = 0;
    uint32_t m_extraRefs = 0;          // references beyond 65535
    MCViewDataArray m_viewData;        // owned, indexed by view kind, may hold nulls
    MCEventList m_parents;
};

// A time in an event archive: stored in the current form (version -1),
// loaded with the file version of the active performance (the current one
// when none is active, as for clipboard data), so that documents older than
// version 1 read a bare float. Event times and the durations of notes,
// waves and markings all go through here.
void SerializeEventTime(CArchive& ar, MCTime& time);

// The time (null after construction) and the voice/track word (voice 15,
// track 2047: none) that ECWithTime adds to ECBase and ECWithTimeChild to
// ECWithChild; both archive them after their base's part.
void SerializeTimeAndWord(CArchive& ar, MCTime& time, MCVoiceTrack& word);

template <class Base>
class ECTimed : public Base {
public:
    MCTime* GetTime() override { return &m_time; }
    void SetTime(const MCTime* time) override {
        if (time)
            m_time = *time;
    }
    MCVoiceTrack* GetVoiceTrack() override { return &m_voiceTrack; }
    // The normal form: voice & 15, track shifted left by 4.
    void SetVoiceTrack(int voice, int track) override { m_voiceTrack = MCVoiceTrack(voice, track); }
    void SetVoiceTrack(const MCVoiceTrack* word) override {
        if (word)
            m_voiceTrack = *word;
    }

protected:
    ECTimed() {
        this->SetFlag(ECBase::EF_TIME, true);
        m_time = MCTime::TimeNull();
    }
    // Copies the time and the word; nothing else of the source.
    ECTimed(const ECTimed& other) : Base(other), m_time(other.m_time), m_voiceTrack(other.m_voiceTrack) {
        this->SetFlag(ECBase::EF_TIME, true);
    }
    // The time (loading: with the active performance's file version), then the
    // 16-bit voice/track word.
    void SerializeTime(CArchive& ar) { SerializeTimeAndWord(ar, m_time, m_voiceTrack); }

    MCTime m_time;
    MCVoiceTrack m_voiceTrack;
};

// An event with a time and a voice/track word.
class ECWithTime : public ECTimed<ECBase> {
    DECLARE_SERIAL(ECWithTime)
public:
    ECWithTime() = default;
    ECWithTime(const ECWithTime& other) = default;   // copies time and word

    // The ECBase part, the time, the 16-bit voice/track word.
    void Serialize(CArchive& ar) override;

    int GetClassType() const override;
};

// An event with children. Holds a reference on each child (and each child
// one on it, through its parents list).
class ECWithChild : public ECBase {
    DECLARE_SERIAL(ECWithChild)
public:
    ECWithChild();
    ECWithChild(const ECWithChild& other);   // no children are copied
    // Detaches every child deeply (RemoveChildren(1)).
    ~ECWithChild() override;

    // The ECBase part; then, when flag bit 1 is set, the children (count,
    // then each child by reference; loading links each both ways).
    void Serialize(CArchive& ar) override;

    int GetClassType() const override;
    MCEventList* GetChildren() override { return &m_children; }
    // Adds the child (sorted by time, or at the tail) and this event to the
    // child's parents; 1. The parent-type table is not consulted here.
    int AddChild(ECBase* child, int sorted) override;
    // The ECWithChild addition in time order from a known place (see
    // MCEventList::AddEventAfter): for a run of children added in time order,
    // each after the one before. Answers the child's place, null when it was
    // refused. Only for children an override of AddChild does nothing more
    // for (measures of a staff, the conductor staff's columns): overrides are
    // not run.
    POSITION AddChildAfter(ECBase* child, POSITION after);
    // 0 when not a child; else, holding a reference on the child: its
    // RemoveChildren(1) when deep, its RemoveParent(this), and the child
    // leaves the list when that succeeded; 1.
    int RemoveChild(ECBase* child, int deep) override;
    // Detaches every child from the tail (deeply when asked); 1.
    int RemoveChildren(int deep) override;

protected:
    void UpdateChildrenFlag() { SetFlag(EF_CHILDREN, !m_children.IsEmpty()); }

    MCEventList m_children;
};

// An event with children, a time and a voice/track word.
class ECWithTimeChild : public ECTimed<ECWithChild> {
    DECLARE_SERIAL(ECWithTimeChild)
public:
    ECWithTimeChild() = default;
    ECWithTimeChild(const ECWithTimeChild& other) = default;   // time and word, no children

    // The ECWithChild part, then the time and the voice/track word.
    void Serialize(CArchive& ar) override;

    int GetClassType() const override;
};

// Guards a load of events from an archive on this thread. Every event read
// while it lives is noted; when the load fails (the guard ends without
// Commit), the events that were read but never linked under a parent (the
// ones whose reading failed), other than `root`, are detached and freed, so
// that a damaged file leaves nothing behind but what its holders own. The
// same goes for view-data objects no event took. The guard is the one owner
// of that clean-up for what it noted: the archive's OnReadFailed of events
// and view data leaves those to it. Only the outermost guard of a thread
// acts; nested guards do nothing.
// ECPerformance::Serialize keeps one; readers of other event archives
// (clipboard data) keep their own around ReadObject.
class ECLoadGuard {
public:
    explicit ECLoadGuard(ECBase* root = nullptr);
    ~ECLoadGuard();
    ECLoadGuard(const ECLoadGuard&) = delete;
    ECLoadGuard& operator=(const ECLoadGuard&) = delete;

    // The load succeeded: nothing is freed.
    void Commit();

    // Called by ECBase::Serialize and DCBase::Serialize for each event and
    // view-data object they load.
    static void NoteLoaded(ECBase* event);
    static void NoteLoaded(DCBase* data);

    // Runs `action` when the outermost guard of this thread ends, after a
    // failed load's clean-up as after a successful one (for what only the
    // whole load can settle). False, and nothing queued, when no guard is
    // active.
    static bool AtEnd(std::function<void()> action);
    // Whether a guard is active on this thread (then it frees, after a failed
    // load, every event read that nothing took).
    static bool IsActive();

private:
    // After a failed load: frees what no parent took.
    void FreeUnlinked();

    ECBase* m_root;                  // borrowed: kept by its holder
    bool m_active;                   // the outermost guard of this thread
    bool m_committed = false;
    // A deque: it grows in small blocks, so a large load never asks the heap
    // for one large block after another.
    std::deque<ECBase*> m_loaded;       // borrowed until the guard ends
    std::deque<DCBase*> m_loadedData;   // borrowed; those no event took are freed on failure
    std::vector<std::function<void()>> m_atEnd;
};

// ---- MCEventList's typed accessors ------------------------------------------

inline ECBase* MCEventList::Event(CObject* object) { return static_cast<ECBase*>(object); }
inline ECBase* MCEventList::GetHead() const { return Event(MCObList::GetHead()); }
inline ECBase* MCEventList::GetTail() const { return Event(MCObList::GetTail()); }
inline ECBase* MCEventList::GetNext(POSITION& pos) const { return Event(MCObList::GetNext(pos)); }
inline ECBase* MCEventList::GetPrev(POSITION& pos) const { return Event(MCObList::GetPrev(pos)); }
inline ECBase* MCEventList::GetNext(POSITION& pos, const CRuntimeClass* filter) const {
    return Event(MCObList::GetNext(pos, filter));
}
inline ECBase* MCEventList::GetPrev(POSITION& pos, const CRuntimeClass* filter) const {
    return Event(MCObList::GetPrev(pos, filter));
}
inline ECBase* MCEventList::GetAt(POSITION pos) const { return Event(MCObList::GetAt(pos)); }
// The event is typed before its node goes: dropping the node may delete it.
inline ECBase* MCEventList::RemoveHead() { return RemoveAt(GetHeadPosition()); }
inline ECBase* MCEventList::RemoveTail() { return RemoveAt(GetTailPosition()); }
inline ECBase* MCEventList::RemoveAt(POSITION pos) {
    if (!pos)
        return nullptr;
    ECBase* event = GetAt(pos);
    MCObList::RemoveAt(pos);
    return event;
}
