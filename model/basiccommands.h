// The basic edit commands: what puts events into the tree and takes them out.
//
//   CCAdd              (CMD_ADD)             events under given parents
//   CCAddNoteModifier  (CMD_ADDNOTEMODIFIER) note modifiers; an accent or a
//                                            tremolo on a chord is spread over
//                                            the chord's notes
//   CCAddTrack         (CMD_ADDTRACK)        staves, wave tracks and the
//                                            conductor staff, into the conductor
//   CCRemove           (CMD_REMOVE)          events out of all their parents;
//                                            a clef or key takes its mirrors
//   CCRemoveTrack      (CMD_REMOVETRACK)     staves and wave tracks out of the
//                                            conductor
// Each is filled by its caller and applied like every command (model/command.h).
// The work is done in Process; Prepare and Finish are the base ones (the
// conductor is fetched; nothing). None raises a state of its own: the command
// manager announces them. Measures and meters have commands of their own,
// which is why the plain add and remove refuse them. Handlers read the add
// list (GetAddList) and the remove list (GetRemoveList) before the events
// change (Prepare) and after (Process).
//
// What an add may carry: a child and a parent, the parent's type among the
// child's allowed parent types (ECBase::GetParentTypes) — AddChild itself
// checks nothing, so the command does. Add refuses anything else (null, no
// item); Process skips an item that a setter has made invalid since. Track
// items have no parent by design; CCAddTrack places them itself.
//
// Ownership:
//   CCAddItem   holds one reference on its child and one on its parent, from
//               construction (and from every setter or copy) until they are
//               replaced or the item is deleted;
//   CCAdd       owns its items, so it keeps everything it adds alive until it
//               is deleted; from then on the tree holds what was added;
//   CCRemove    holds one reference on every event of its remove list, so
//               removed events stay valid for the handlers and the done-state
//               and go with the command when nothing else holds them.
// A note modifier given to CCAddNoteModifier for a chord is handed over: the
// command adds copies and releases the caller's modifier (it is deleted when
// nothing else holds it). In every other case the caller keeps its own
// references as with any add.
//
// Threads: a command is filled on any thread and runs on the user-interface
// thread under its performance's lock (model/commandmgr.h). Filling reads
// only the events' types, except CCAddNoteModifier::Add for a chord, which
// walks the chord's children: off the user-interface thread, fill it under
// the performance's lock.
#pragma once

#include "model/command.h"
#include "model/midifields.h"
#include "model/recordpool.h"

#include <cstddef>
#include <cstdint>

class ECBase;
class ECTrack;

// One event to add: the child, the parent that receives it (null for a track)
// and a MIDI word carried for the handlers (the command does not read it).
class CCAddItem {
public:
    // No child, no parent, the empty MIDI word.
    CCAddItem();
    // References the non-null pointers; copies the MIDI word.
    CCAddItem(ECBase* child, ECBase* parent, const FCMidi& midi);
    // The copy holds references of its own.
    CCAddItem(const CCAddItem& other);
    CCAddItem& operator=(const CCAddItem& other);
    // Releases both references (deleting what nothing else holds).
    ~CCAddItem();

    // A file read gathers hundreds of events into one add command: its
    // items come from a pool (model/recordpool.h).
    DECLARE_POOLED_RECORDS()

    ECBase* GetChild() const { return m_pChild; }
    ECBase* GetParent() const { return m_pParent; }
    // Each setter references the new event, then releases the old one.
    void SetChild(ECBase* child);
    void SetParent(ECBase* parent);

    const FCMidi& GetMidiData() const { return m_midiData; }
    void SetMidiData(const FCMidi& midi) { m_midiData = midi; }
    // Whether the parent hung in a piece when it was set: an add waiting
    // for its turn (a recorded note) finds it removed if it no longer does.
    bool WasParentInPiece() const { return m_bParentInPiece; }
    // From a 32-bit MIDI word, the status in the lowest byte.
    void SetMidiData(uint32_t word) { m_midiData.SetValue(word); }

private:
    // Makes `slot` hold `event`: the new reference first, so that setting an
    // event to itself never frees it.
    static void Hold(ECBase*& slot, ECBase* event);

    ECBase* m_pChild = nullptr;    // referenced
    ECBase* m_pParent = nullptr;   // referenced; null for a track
    bool m_bParentInPiece = false;
    FCMidi m_midiData;
};

// The add list: the items in the order of adding. The command that holds it
// owns the items; the list itself only points at them.
class MCAddItemList : public MCPtrList {
public:
    explicit MCAddItemList(int blockSize = 10) : MCPtrList(blockSize) {}

    CCAddItem* GetHead() const { return static_cast<CCAddItem*>(MCPtrList::GetHead()); }
    CCAddItem* GetTail() const { return static_cast<CCAddItem*>(MCPtrList::GetTail()); }
    CCAddItem* GetNext(POSITION& pos) const { return static_cast<CCAddItem*>(MCPtrList::GetNext(pos)); }
    CCAddItem* GetAt(POSITION pos) const { return static_cast<CCAddItem*>(MCPtrList::GetAt(pos)); }
};

// Adds events under given parents.
class CCAdd : public CCBase {
public:
    CCAdd();
    // Add(child, parent, midi).
    CCAdd(ECBase* child, ECBase* parent, const FCMidi& midi = FCMidi::MidiNull());
    // Deletes the items, releasing what they hold.
    ~CCAdd() override;

    int GetCommandId() const override;
    // The base Process (the discard list), then each item in list order: the
    // parent's AddChild(child, SORTED), which keeps the parent's caches. What
    // AddChild answers is not looked at. 0 only when the base refused.
    int Process() override;

    // Appends an item and returns it; null, adding nothing, for a conductor
    // staff, measure, meter or staff (they have commands of their own), and
    // for an add the parent cannot hold (see CanHold).
    virtual CCAddItem* Add(ECBase* child, ECBase* parent, const FCMidi& midi);

    MCAddItemList* GetAddList() { return &m_addList; }

    // Whether `parent` may receive `child`: both set, and the parent's type
    // among the child's allowed parent types.
    static int CanHold(ECBase* parent, ECBase* child);
    // Whether the event is a performance or hangs under one.
    static bool IsInPiece(ECBase* event);

protected:
    // Appends an item as it comes (the subclasses' own checks are done).
    CCAddItem* AppendItem(ECBase* child, ECBase* parent, const FCMidi& midi);

private:
    MCAddItemList m_addList{10};   // owns its items
};

// Adds note modifiers. An accent or a tremolo whose parent is a chord is
// spread over the chord: a copy of the same class goes under each note of the
// chord, and the given modifier is released (it never enters the tree). A
// tremolo stays a tremolo: each note is given one as it shakes on its own.
class CCAddNoteModifier : public CCAdd {
public:
    CCAddNoteModifier();
    // Add(modifier, parent, the empty MIDI word).
    CCAddNoteModifier(ECBase* modifier, ECBase* parent);

    int GetCommandId() const override;
    // The MIDI word is ignored: every item carries the empty one.
    //   accent or tremolo, parent a chord: the spread above; the last item
    //     made, null for a chord without notes;
    //   accent or tremolo under anything else, accidental, arpeggio, mordent,
    //     ornament, trill, turn: CCAdd::Add;
    //   a dot and every other type: null, nothing added.
    CCAddItem* Add(ECBase* modifier, ECBase* parent, const FCMidi& midi) override;
};

// Adds tracks to the conductor: the conductor staff, staves and wave tracks.
// Its items have no parent: the conductor places each track itself.
class CCAddTrack : public CCAdd {
public:
    // Insert position -1: each track goes where the conductor puts a track
    // without position (staves and wave tracks are appended).
    CCAddTrack();
    // AddTrack(track), then the insert position.
    CCAddTrack(ECTrack* track, int position);

    int GetCommandId() const override;
    // The base Process, then each item in order by its child's type: the
    // conductor staff into the conductor; a staff at the running staff
    // position, a wave track at the running wave-track position, each
    // position then one past where the track went. So consecutive staves (and
    // wave tracks) land one after another from the insert position on.
    // 0 when the base refused or the target has no conductor.
    int Process() override;

    // Appends an item for a conductor staff, staff or wave track; anything
    // else (and null) is ignored.
    void AddTrack(ECTrack* track);
    // `count` new staves of that staff type.
    void AddMidiTrack(unsigned char staffType, int count);
    // `count` new wave tracks.
    void AddWaveTrack(int count);

    int GetInsertPosition() const { return m_nInsertPosition; }
    void SetInsertPosition(int position) { m_nInsertPosition = position; }

private:
    int m_nInsertPosition = -1;
};

// Takes events out of all their parents.
class CCRemove : public CCBase {
public:
    CCRemove();
    // Remove(event).
    explicit CCRemove(ECBase* event);
    ~CCRemove() override;

    int GetCommandId() const override;
    // The base Process (the discard list), then every event of the remove
    // list, head first, leaves all its parents (a clef's, key's or meter's
    // mirrors with it). 0 only when the base refused.
    int Process() override;

    // Appends the event unless it is listed already. A conductor staff,
    // measure, meter or staff is refused (they have commands of their own);
    // a clef or key first lists every mirror that shows it. Null is ignored.
    virtual void Remove(ECBase* event);

    MCEventList* GetRemoveList() { return &m_removeList; }

private:
    MCEventList m_removeList{10};   // a reference on each event
};

// Takes staves and wave tracks out of the conductor. A staff leaves the
// conductor staff's array, the staff groups and the conductor's children; a
// wave track leaves the wave-track array and the conductor's children, so
// that a removed track of either kind is out of the tree. Their own children
// go with them.
class CCRemoveTrack : public CCRemove {
public:
    CCRemoveTrack();
    // RemoveTrack(track).
    explicit CCRemoveTrack(ECBase* track);

    int GetCommandId() const override;
    // The base command's Process (the discard list), then the conductor's
    // RemoveTrack for each event of the remove list, in order. The remove
    // list is not detached as CCRemove does: the conductor takes the tracks
    // out. 0 when the base refused or the target has no conductor.
    int Process() override;

    // Appends a staff or wave track not listed yet; anything else is ignored.
    void RemoveTrack(ECBase* track);
};
