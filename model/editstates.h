// The states that announce changes made to events in place (not by commands).
//
// SCEventBase carries a delete list: events that go out of the tree when the
// state is destroyed, after every receiver has seen them. Adding a clef, key
// or meter also adds every mirror of the tree that shows it. The list holds a
// reference on each event.
//
// SCEventEdit (STATE_EVENTS_EDITED 1200, sent) lists the changed events as
// SCEventEditItems. An item of code EDIT_MOVE (100) is a move: a new time and
// possibly a new parent. The receivers see the 1200 with the old structure;
// when the state is destroyed (after delivery) the delete list is cleared,
// then the moves are carried out, then a STATE_EDIT_DONE (1201) is applied to
// the same performance (posted unless SetAsynchronous(0) was called on the
// 1200). The 1201 itself sets off nothing.
//
// Threads: made on any thread; destroyed on the user-interface thread after
// delivery (or by a sender that turned auto-delete off). Clearing the delete
// list and the moves take the target performance's lock.
#pragma once

#include "model/lists.h"
#include "model/states.h"
#include "model/time.h"

class ECBase;

// The edit code of a move; other codes are agreed between senders and receivers.
inline constexpr int EDIT_MOVE = 100;

// A state with a delete list. Its asynchronous setter chooses the follow-up
// state's delivery (SCEventEdit), not its own. Not copyable.
class SCEventBase : public SCBase {
public:
    explicit SCEventBase(unsigned code);
    SCEventBase(const SCEventBase&) = delete;
    SCEventBase& operator=(const SCEventBase&) = delete;
    // Clears the delete list (see ClearDeleteList).
    ~SCEventBase() override;

    // Stores the argument as the follow-up's asynchronous flag; this state's
    // own delivery stays as it is.
    void SetAsynchronous(int asynchronous) override;
    int GetFollowUpAsynchronous() const { return m_nFollowUpAsync; }

    // Nothing for null or for an event already listed. A clef, key or meter
    // brings every mirror of its performance that shows it.
    void AddToDeleteList(ECBase* event);
    void RemoveFromDeleteList(ECBase* event);
    MCEventList& GetDeleteList() { return m_deleteList; }

protected:
    // Under the target's lock: detaches every listed event from all its
    // parents, then empties the list (which may delete them).
    virtual void ClearDeleteList();

private:
    int m_nFollowUpAsync = 1;
    MCEventList m_deleteList{10};   // a reference on each event
};

// One change inside an SCEventEdit. Holds a reference on its event and on
// its new parent (when there is one) for as long as it has them; the setters
// and copies keep those references right.
class SCEventEditItem {
public:
    // A change of the given code: no new parent, both times null.
    SCEventEditItem(ECBase* event, int editCode);
    // A move (EDIT_MOVE) to `newTime` under `newParent` (null: the parent
    // stays); the old time is the event's time now (null when it has none).
    SCEventEditItem(ECBase* event, ECBase* newParent, const MCTime& newTime);
    SCEventEditItem(const SCEventEditItem& other);
    SCEventEditItem& operator=(const SCEventEditItem& other);
    ~SCEventEditItem();

    ECBase* GetEvent() const { return m_pEvent; }
    void SetEvent(ECBase* event);
    int GetEditCode() const { return m_nEditCode; }
    void SetEditCode(int editCode) { m_nEditCode = editCode; }
    ECBase* GetNewParent() const { return m_pNewParent; }
    void SetNewParent(ECBase* newParent);
    const MCTime& GetNewTime() const { return m_newTime; }
    void SetNewTime(const MCTime& time) { m_newTime = time; }
    const MCTime& GetOldTime() const { return m_oldTime; }
    void SetOldTime(const MCTime& time) { m_oldTime = time; }

private:
    ECBase* m_pEvent = nullptr;       // referenced
    int m_nEditCode = 0;
    ECBase* m_pNewParent = nullptr;   // referenced when not null
    MCTime m_newTime;
    MCTime m_oldTime;
};

// Events changed in place. Code 1200 is sent; any other code posted. Owns its
// items.
class SCEventEdit : public SCEventBase {
public:
    explicit SCEventEdit(unsigned code);
    // Code 1200: delete list cleared, moves carried out, 1201 applied to the
    // target. Then the items are deleted.
    ~SCEventEdit() override;

    // Append a new item and return it (owned by this state).
    SCEventEditItem* AddItem(ECBase* event, int editCode);
    SCEventEditItem* AddItem(ECBase* event, ECBase* newParent, const MCTime& newTime);
    // The items (SCEventEditItem*), in the order added.
    MCPtrList& GetEditList() { return m_editList; }

protected:
    // Carries out the moves, in list order: the new time, with the event's
    // place among the children of each of its parents following it; then,
    // when the item names a new parent that is not already the event's
    // parent of that type, the event leaves that old parent (keeping its own
    // children) and joins the new one in time order.
    void FinishEdit();

private:
    MCPtrList m_editList{10};   // owned SCEventEditItem*
};
