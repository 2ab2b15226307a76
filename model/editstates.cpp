// SCEventBase, SCEventEditItem and SCEventEdit: the delete list, the items of
// an edit and the moves carried out once every receiver has seen them.
#include "model/editstates.h"

#include "model/event.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/performance.h"

#include <mutex>
#include <optional>

namespace {

// Whether `mirror` shows `event`, asked through the mirror resolver the list
// of mirrors answers to (a mirror whose shown event is unknown shows nothing).
bool Shows(ECBase* mirror, ECBase* event) {
    MCEventList one(1);
    one.AddEvent(mirror, UNSORTED);
    one.ReplaceMirrors(0);
    return one.GetHead() == event;
}

// The event's first direct parent of the type, or null. The event itself is
// not its own old parent, even when it is of the new parent's type: it would
// otherwise join the new parent without leaving the old one.
ECBase* ParentOfType(ECBase* event, int type) {
    MCEventList* parents = event->GetParents();
    if (parents == nullptr)
        return nullptr;
    POSITION pos = parents->FindEvent(type);
    return pos != nullptr ? parents->GetAt(pos) : nullptr;
}

// After the event's time changed: it takes the place its new time gives it
// among the children of each of its parents (held meanwhile, so that
// leaving a list frees nothing). Its links stay as they are.
void KeepInTimeOrder(ECBase* event) {
    MCEventList* parents = event->GetParents();
    if (parents == nullptr)
        return;
    event->Ref();
    for (POSITION pos = parents->GetHeadPosition(); pos != nullptr;) {
        MCEventList* siblings = parents->GetNext(pos)->GetChildren();
        if (siblings != nullptr && siblings->RemoveEvent(event))
            siblings->AddEvent(event, SORTED);
    }
    event->Unref(1);
}

// Holds the performance's lock while it lives, when there is a performance.
class CTargetLock {
public:
    explicit CTargetLock(ECPerformance* performance) {
        if (performance != nullptr)
            m_lock.emplace(performance->GetLock());
    }

private:
    std::optional<std::lock_guard<CCriticalSection>> m_lock;
};

}  // namespace

// ---- SCEventBase ----------------------------------------------------------------

SCEventBase::SCEventBase(unsigned code) : SCBase(code) {}

SCEventBase::~SCEventBase() {
    SCEventBase::ClearDeleteList();
}

void SCEventBase::SetAsynchronous(int asynchronous) {
    m_nFollowUpAsync = asynchronous;
}

void SCEventBase::AddToDeleteList(ECBase* event) {
    if (event == nullptr || m_deleteList.Find(event) != nullptr)
        return;
    m_deleteList.AddEvent(event, UNSORTED);

    // A clef, key or meter shown elsewhere through mirrors takes them along:
    // a mirror of a deleted event would show nothing.
    const int type = event->GetClassType();
    if (type != ET_CLEF && type != ET_KEY && type != ET_METER)
        return;
    ECBase* performance = event->GetAncestor(ET_PERFORMANCE, -1);
    if (performance == nullptr)
        return;
    ACFindEvents find;
    find.AddEvtType(ET_MIRROR);
    find.Apply(performance);
    MCEventList& mirrors = find.GetEvents();
    POSITION pos = mirrors.GetHeadPosition();
    while (pos != nullptr) {
        ECBase* mirror = mirrors.GetNext(pos);
        if (Shows(mirror, event) && m_deleteList.Find(mirror) == nullptr)
            m_deleteList.AddEvent(mirror, UNSORTED);
    }
}

void SCEventBase::RemoveFromDeleteList(ECBase* event) {
    if (event != nullptr)
        m_deleteList.RemoveEvent(event);
}

void SCEventBase::ClearDeleteList() {
    if (m_deleteList.IsEmpty())
        return;
    CTargetLock lock(GetTarget());
    POSITION pos = m_deleteList.GetHeadPosition();
    while (pos != nullptr)
        m_deleteList.GetNext(pos)->RemoveFromParents();
    m_deleteList.RemoveAll();
}

// ---- SCEventEditItem ------------------------------------------------------------

SCEventEditItem::SCEventEditItem(ECBase* event, int editCode)
    : m_nEditCode(editCode), m_newTime(MCTime::TimeNull()), m_oldTime(MCTime::TimeNull()) {
    SetEvent(event);
}

SCEventEditItem::SCEventEditItem(ECBase* event, ECBase* newParent, const MCTime& newTime)
    : m_nEditCode(EDIT_MOVE), m_newTime(newTime), m_oldTime(MCTime::TimeNull()) {
    SetEvent(event);
    SetNewParent(newParent);
    if (event != nullptr) {
        if (const MCTime* time = event->GetTime())
            m_oldTime = *time;
    }
}

SCEventEditItem::SCEventEditItem(const SCEventEditItem& other)
    : m_nEditCode(other.m_nEditCode), m_newTime(other.m_newTime), m_oldTime(other.m_oldTime) {
    SetEvent(other.m_pEvent);
    SetNewParent(other.m_pNewParent);
}

SCEventEditItem& SCEventEditItem::operator=(const SCEventEditItem& other) {
    SetEvent(other.m_pEvent);
    SetNewParent(other.m_pNewParent);
    m_nEditCode = other.m_nEditCode;
    m_newTime = other.m_newTime;
    m_oldTime = other.m_oldTime;
    return *this;
}

SCEventEditItem::~SCEventEditItem() {
    SetNewParent(nullptr);
    SetEvent(nullptr);
}

// Each item keeps one reference per pointer it holds, so that copies and
// setters can never release an event twice. The new one is referenced before
// the old one is released, so setting the same event again is safe.
void SCEventEditItem::SetEvent(ECBase* event) {
    if (event != nullptr)
        event->Ref();
    if (m_pEvent != nullptr)
        m_pEvent->Unref(1);
    m_pEvent = event;
}

void SCEventEditItem::SetNewParent(ECBase* newParent) {
    if (newParent != nullptr)
        newParent->Ref();
    if (m_pNewParent != nullptr)
        m_pNewParent->Unref(1);
    m_pNewParent = newParent;
}

// ---- SCEventEdit ----------------------------------------------------------------

SCEventEdit::SCEventEdit(unsigned code) : SCEventBase(code) {
    // An edit is sent: the receivers must see the old structure, and the
    // moves follow at once when the state is destroyed.
    if (code == STATE_EVENTS_EDITED)
        SCBase::SetAsynchronous(0);
}

SCEventEdit::~SCEventEdit() {
    if (GetCode() == STATE_EVENTS_EDITED) {
        ClearDeleteList();
        FinishEdit();
        auto* done = new SCEventEdit(STATE_EDIT_DONE);
        done->SCBase::SetAsynchronous(GetFollowUpAsynchronous());
        done->Apply(GetTarget());
    }
    while (!m_editList.IsEmpty())
        delete static_cast<SCEventEditItem*>(m_editList.RemoveHead());
}

SCEventEditItem* SCEventEdit::AddItem(ECBase* event, int editCode) {
    auto* item = new SCEventEditItem(event, editCode);
    m_editList.AddTail(item);
    return item;
}

SCEventEditItem* SCEventEdit::AddItem(ECBase* event, ECBase* newParent, const MCTime& newTime) {
    auto* item = new SCEventEditItem(event, newParent, newTime);
    m_editList.AddTail(item);
    return item;
}

void SCEventEdit::FinishEdit() {
    // The tree changes links here; the playback thread reads them under the
    // performance's lock, so the moves take it too.
    CTargetLock lock(GetTarget());
    POSITION pos = m_editList.GetHeadPosition();
    while (pos != nullptr) {
        auto* item = static_cast<SCEventEditItem*>(m_editList.GetNext(pos));
        ECBase* event = item->GetEvent();
        if (item->GetEditCode() != EDIT_MOVE || event == nullptr)
            continue;
        event->SetTime(&item->GetNewTime());
        // A move within its parent still changes its place there: the
        // children of a measure are read in time order.
        KeepInTimeOrder(event);
        ECBase* newParent = item->GetNewParent();
        if (newParent == nullptr)
            continue;
        ECBase* oldParent = ParentOfType(event, newParent->GetClassType());
        if (oldParent == newParent)
            continue;
        // Joins the new parent before it leaves the old one: an event that
        // loses its last parent lets its own children go, and a moved event
        // keeps them. So it is never without a parent (nor a reference).
        newParent->AddChild(event, SORTED);
        if (oldParent != nullptr)
            oldParent->RemoveChild(event, 0);
    }
}
