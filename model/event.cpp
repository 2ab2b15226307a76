// ECBase and the three intermediate bases: reference counting, the links of
// parents and children, view data, and their archive forms.
//
// GetAncestor and GetDescendant are declared with ECBase but defined with the
// tree actions (model/findactions.cpp): they run the find-first action.
#include "model/event.h"

#include "model/eventtypes.h"
#include "model/performance.h"
#include "model/plugin.h"
#include "model/recordpool.h"
#include "model/viewdata.h"
#include "platform/core/archive.h"
#include "platform/core/trace.h"

#include <algorithm>
#include <cassert>
#include <utility>

IMPLEMENT_SERIAL(ECBase, CObject, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(ECWithTime, ECBase, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(ECWithChild, ECBase, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(ECWithTimeChild, ECWithChild, VERSIONABLE_SCHEMA | 2)

namespace {

// Both are touched for every event loaded. Lodemar is linked with the
// program, never loaded later, so the fast model of thread-local storage holds.
#define LOADER_TLS thread_local __attribute__((tls_model("initial-exec")))
// Moves on each time an event begins to load on this thread (see ReadEvent).
LOADER_TLS uint32_t t_loadCounter = 0;
// The outermost load guard of this thread, if any.
LOADER_TLS ECLoadGuard* t_loadGuard = nullptr;
#undef LOADER_TLS

// The file version timed events are read with: the active performance's. An
// event archive read with no performance active (clipboard data) is in the
// current format.
int LoadVersion() {
    const ECPerformance* performance = ECPerformance::GetActivePerformance();
    return performance ? performance->GetVersion() : ECPerformance::CURRENT_VERSION;
}

// Refuses a view-data object that the file hands to another event than the
// one whose array it was read for (it is held already, or names another
// owner). A load guard frees what its failed load read. Without one, what
// the refusal leaves nobody to free goes here, or it is lost: the object
// when no event holds it, and `ownerAlone`, the owner it names when that
// was made for it alone (read with everything under it).
[[noreturn]] void RefuseData(DCBase* data, bool held, ECBase* ownerAlone) {
    if (!ECLoadGuard::IsActive()) {
        // First the object, whose destructor may look at its owner.
        if (!held)
            delete data;
        if (ownerAlone) {
            ownerAlone->Ref();
            ownerAlone->RemoveChildren(0);
            ownerAlone->Unref(1);   // with its view data (the object, when it holds it)
        }
    }
    // The archive is given up at once: no later reference reaches what went.
    throw CArchiveException(CArchiveException::badIndex);
}

}  // namespace

// ---- ECBase: life and references ------------------------------------------------

ECBase::ECBase() : m_parents(10) {
    InitECBase();
}

ECBase::ECBase(const ECBase& /*other*/) : CObject(), m_parents(10) {
    InitECBase();
}

ECBase::~ECBase() {
    m_flags |= EF_DYING;
    RemoveData();
    // The parents list drops its references as it goes.
}

void ECBase::InitECBase() {
    // Run by the constructors, where the array is empty; anyone else calling
    // it must not leak what the array held.
    ECBase::RemoveData();
    m_flags &= ~(0x1Fu | 0xFFFF0000u);
    m_extraRefs = 0;
}

int ECBase::RefSaturated() {
    // Sixteen bits hold the count. Further references are kept aside, so
    // that the event is neither freed early nor kept forever.
    assert(!"ECBase::Ref: more than 65535 references");
    if (m_extraRefs++ == 0)
        Trace("ECBase::Ref: %s holds more than 65535 references\n", GetRuntimeClass()->m_lpszClassName);
    return static_cast<int>(MAX_REFS);
}

int ECBase::UnrefLast(int destroy) {
    if (m_extraRefs > 0) {
        --m_extraRefs;
        return static_cast<int>(MAX_REFS);
    }
    uint32_t count = m_flags >> 16;
    if (count > 0) {
        --count;
        m_flags -= 0x10000u;
    }
    if (destroy && count == 0 && !(m_flags & EF_DYING)) {
        m_flags |= EF_DYING;   // links dropped while it is destroyed must not delete it again
        delete this;
        return 0;
    }
    return static_cast<int>(count);
}

// ---- ECBase: the plain slots --------------------------------------------------

int ECBase::GetClassType() const {
    return ET_BASE;
}

int ECBase::GetParentTypes(std::vector<int>& types) const {
    const std::span<const int> parents = GetEventParentTypes(GetClassType());
    types.insert(types.end(), parents.begin(), parents.end());
    return parents.empty() ? 0 : 1;
}

// ---- the view-data array's storage --------------------------------------------

namespace {

constexpr std::size_t kPooledViewData = 2;

// Never destroyed: an event freed while static objects go still finds it.
MCRecordPool& ViewDataPool() {
    static MCRecordPool& pool = *new MCRecordPool(kPooledViewData * sizeof(DCBase*));
    return pool;
}

}  // namespace

DCBase** MCViewDataAllocator::allocate(std::size_t count) {
    if (count <= kPooledViewData)
        return static_cast<DCBase**>(ViewDataPool().Allocate(kPooledViewData * sizeof(DCBase*)));
    return static_cast<DCBase**>(::operator new(count * sizeof(DCBase*)));
}

void MCViewDataAllocator::deallocate(DCBase** entries, std::size_t count) noexcept {
    if (count <= kPooledViewData)
        ViewDataPool().Free(entries, kPooledViewData * sizeof(DCBase*));
    else
        ::operator delete(entries);
}

bool ECBase::MayHangUnder(int type) const {
    const std::span<const int> parents = GetEventParentTypes(GetClassType());
    return std::find(parents.begin(), parents.end(), type) != parents.end();
}

MCTime* ECBase::GetTime() {
    return nullptr;
}

void ECBase::SetTime(const MCTime* /*time*/) {}

MCTime* ECBase::GetDuration() {
    return nullptr;
}

void ECBase::SetDuration(const MCTime* /*duration*/) {}

MCVoiceTrack* ECBase::GetVoiceTrack() {
    return nullptr;
}

void ECBase::SetVoiceTrack(int /*voice*/, int /*track*/) {}

void ECBase::SetVoiceTrack(const MCVoiceTrack* /*word*/) {}

MCEventList* ECBase::GetParents() {
    return &m_parents;
}

MCEventList* ECBase::GetChildren() {
    return nullptr;
}

void ECBase::PostSerialize(CArchive& /*ar*/) {}

// ---- ECBase: links ----------------------------------------------------------------
//
// Each operation that may drop the last reference on this event holds one of
// its own meanwhile, so that it never runs on a deleted object; releasing it
// at the end deletes the event when nothing else holds it, as dropping that
// last link would have.

int ECBase::AddParent(ECBase* parent) {
    m_parents.AddTail(parent);
    return 1;
}

int ECBase::RemoveParent(ECBase* parent) {
    POSITION pos = m_parents.Find(parent);
    if (!pos)
        return 0;
    Ref();
    m_parents.RemoveAt(pos);
    if (m_parents.IsEmpty())
        RemoveChildren(0);   // an event without parents lets go of its children
    Unref(1);
    return 1;
}

int ECBase::RemoveFromParents() {
    Ref();
    while (!m_parents.IsEmpty()) {
        ECBase* parent = m_parents.GetHead();
        if (!parent->RemoveChild(this, 0)) {
            // A parent that does not list this event as its child: the link
            // is one-sided, so drop this side of it.
            m_parents.RemoveHead();
        }
    }
    Unref(1);
    return 1;
}

int ECBase::AddChild(ECBase* /*child*/, int /*sorted*/) {
    return 0;
}

int ECBase::RemoveChild(ECBase* /*child*/, int /*deep*/) {
    return 0;
}

int ECBase::RemoveChildren(int /*deep*/) {
    return 0;
}

// ---- ECBase: view data ------------------------------------------------------------

DCBase* ECBase::GetData(int kind, int create) {
    if (kind >= 0 && static_cast<size_t>(kind) < m_viewData.size() && m_viewData[kind])
        return m_viewData[kind];
    if (!create || kind < 0)
        return nullptr;
    DCBase* data = CPluginData::CreateData(kind, this);
    if (!data)
        return nullptr;
    if (static_cast<size_t>(kind) >= m_viewData.size())
        m_viewData.resize(static_cast<size_t>(kind) + 1, nullptr);
    m_viewData[kind] = data;
    data->m_bHeld = true;
    if (data->IsSerializable())
        m_flags |= EF_PERSISTENT_DATA;
    return data;
}

const MCViewDataArray& ECBase::GetData() {
    return m_viewData;
}

void ECBase::RemoveData() {
    // Taken out first: a view-data object's destructor may look at its owner.
    MCViewDataArray data;
    data.swap(m_viewData);
    m_flags &= ~EF_PERSISTENT_DATA;
    for (DCBase* item : data)
        delete item;
}

void ECBase::DeleteData(int kind) {
    if (kind < 0 || static_cast<size_t>(kind) >= m_viewData.size() || !m_viewData[kind])
        return;
    // Taken out first: a view-data object's destructor may look at its owner.
    DCBase* data = m_viewData[kind];
    m_viewData[kind] = nullptr;
    m_flags &= ~EF_PERSISTENT_DATA;
    for (const DCBase* left : m_viewData)
        if (left && left->IsSerializable())
            m_flags |= EF_PERSISTENT_DATA;
    delete data;
}

// ---- ECBase: archive ----------------------------------------------------------------

uint32_t ECBase::GetLoadCounter() {
    return t_loadCounter;
}

ECBase* ECBase::ReadEvent(CArchive& ar, int link) {
    // A read that leaves the counter where it was met an event seen before in
    // this archive; one that moves it read a new event, now whole.
    const uint32_t before = t_loadCounter;
    auto* event = static_cast<ECBase*>(ar.ReadObject(RUNTIME_CLASS(ECBase)));
    if (!event)
        return nullptr;
    if (t_loadCounter != before)
        event->EndLoading();
    else if (link && event->IsLoading())
        throw CArchiveException(CArchiveException::badIndex);
    return event;
}

void ECBase::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        const BYTE flags = static_cast<BYTE>(m_flags & 0xFF);
        ar << flags;
        if (flags & EF_PERSISTENT_DATA) {
            // An object that cannot be archived is written as null: the
            // array's places stay, and loading finds no class it cannot make.
            ar.WriteCount(m_viewData.size());
            for (const DCBase* data : m_viewData)
                ar.WriteObject(data && data->IsSerializable() ? data : nullptr);
        }
        return;
    }

    ++t_loadCounter;
    m_flags |= EF_LOADING;
    ECLoadGuard::NoteLoaded(this);

    BYTE flags = 0;
    ar >> flags;
    if (flags & EF_PERSISTENT_DATA) {
        RemoveData();
        const DWORD count = ar.ReadCount(2);   // each element takes its 2-byte tag at least
        // The owner a refused object names, when it is an event of its own
        // that nothing holds but its children (each through its parents
        // list); one still loading is an event this one is part of.
        const auto ownerAlone = [this](const DCBase* refused) -> ECBase* {
            ECBase* owner = refused->GetOwner();
            if (!owner || owner == this || owner->IsLoading() || !owner->GetParents()->IsEmpty() ||
                owner->IsKindOf(RUNTIME_CLASS(ECPerformance)))
                return nullptr;
            const MCEventList* children = owner->GetChildren();
            return owner->GetRefCount() == (children ? children->GetCount() : 0) ? owner : nullptr;
        };
        for (DWORD i = 0; i < count; ++i) {
            auto* data = static_cast<DCBase*>(ar.ReadObject(RUNTIME_CLASS(DCBase)));
            if (data) {
                // Each object belongs to one event; a file that hands one to
                // two places would have it deleted twice.
                if (data->m_bHeld)
                    RefuseData(data, data->m_bHeld, ownerAlone(data));
                // Its owner is this event. A damaged file could name another
                // event, made for it alone, which then holds what holds it.
                if (!data->GetOwner())
                    data->SetOwner(this);
                else if (data->GetOwner() != this)
                    RefuseData(data, data->m_bHeld, ownerAlone(data));
                data->m_bHeld = true;
            }
            m_viewData.push_back(data);
        }
    }
    m_flags = (m_flags & ~0xFFu) | flags;
}

void ECBase::OnReadFailed() {
    // Noted by the guard, which frees it: this thread's guard was active when
    // the reading began, as it still is.
    if (IsLoading() && ECLoadGuard::IsActive())
        return;
    Ref();
    if (GetParents()->IsEmpty())
        RemoveChildren(0);
    Unref(1);
}

// ---- ECWithTime ---------------------------------------------------------------------

void SerializeEventTime(CArchive& ar, MCTime& time) {
    time.Serialize(ar, ar.IsStoring() ? -1 : LoadVersion());
}

void SerializeTimeAndWord(CArchive& ar, MCTime& time, MCVoiceTrack& word) {
    SerializeEventTime(ar, time);
    if (ar.IsStoring()) {
        ar << static_cast<WORD>(word.GetValue());
    } else {
        WORD value = 0;
        ar >> value;
        word.SetValue(value);
    }
}

int ECWithTime::GetClassType() const {
    return ET_WITHTIME;
}

void ECWithTime::Serialize(CArchive& ar) {
    ECBase::Serialize(ar);
    SerializeTime(ar);
}

// ---- ECWithChild --------------------------------------------------------------------

ECWithChild::ECWithChild() : m_children(10) {}

ECWithChild::ECWithChild(const ECWithChild& other) : ECBase(other), m_children(10) {}

ECWithChild::~ECWithChild() {
    SetFlag(EF_DYING, true);
    RemoveChildren(1);
}

int ECWithChild::GetClassType() const {
    return ET_WITHCHILD;
}

int ECWithChild::AddChild(ECBase* child, int sorted) {
    // An event cannot be its own child; the parent-type table is the
    // callers' to consult.
    if (!child || child == this)
        return 0;
    m_children.AddEvent(child, sorted);
    child->AddParent(this);
    UpdateChildrenFlag();
    return 1;
}

POSITION ECWithChild::AddChildAfter(ECBase* child, POSITION after) {
    if (!child || child == this)
        return nullptr;
    POSITION place = m_children.AddEventAfter(child, after);
    child->AddParent(this);
    UpdateChildrenFlag();
    return place;
}

int ECWithChild::RemoveChild(ECBase* child, int deep) {
    POSITION pos = child ? m_children.Find(child) : nullptr;
    if (!pos)
        return 0;
    Ref();
    child->Ref();
    if (deep) {
        child->RemoveChildren(1);
        pos = m_children.Find(child);   // the subtree's leaving may have reached this list
    }
    // Letting go of a parent touches only the child's links and its subtree,
    // so the place found stands (a staff's list is long: searched once).
    if (child->RemoveParent(this) && pos)
        m_children.RemoveAt(pos);
    child->Unref(1);
    UpdateChildrenFlag();
    Unref(1);
    return 1;
}

int ECWithChild::RemoveChildren(int deep) {
    Ref();
    while (!m_children.IsEmpty()) {
        ECBase* child = m_children.GetTail();
        child->Ref();
        if (deep)
            child->RemoveChildren(1);
        // A child that does not list this event as its parent holds a
        // one-sided link; it leaves the list all the same, or the loop
        // would never end.
        child->RemoveParent(this);
        POSITION tail = m_children.GetTailPosition();
        if (tail && m_children.GetAt(tail) == child)
            m_children.RemoveAt(tail);
        else
            m_children.RemoveEvent(child);
        child->Unref(1);
    }
    UpdateChildrenFlag();
    Unref(1);
    return 1;
}

void ECWithChild::Serialize(CArchive& ar) {
    ECBase::Serialize(ar);
    if (GetFlags() & EF_CHILDREN)
        m_children.SerializeFromParent(ar, this);
    if (ar.IsLoading())
        UpdateChildrenFlag();   // what is saved next is what the list holds
}

// ---- ECWithTimeChild --------------------------------------------------------------

int ECWithTimeChild::GetClassType() const {
    return ET_WITHTIMECHILD;
}

void ECWithTimeChild::Serialize(CArchive& ar) {
    ECWithChild::Serialize(ar);
    SerializeTime(ar);
}

// ---- ECLoadGuard --------------------------------------------------------------------

ECLoadGuard::ECLoadGuard(ECBase* root) : m_root(root), m_active(t_loadGuard == nullptr) {
    if (m_active)
        t_loadGuard = this;
}

ECLoadGuard::~ECLoadGuard() {
    if (!m_active)
        return;
    t_loadGuard = nullptr;
    if (!m_committed)
        FreeUnlinked();
    for (const auto& action : m_atEnd)
        action();
}

void ECLoadGuard::FreeUnlinked() {
    // The load failed. Hold every event read, so that none goes while the
    // others are detached; detach the children of each that no parent took
    // (its reading failed, or its parent's did); then let go, which frees
    // whatever nothing else holds. The root belongs to its holder.
    std::deque<ECBase*> loaded;
    loaded.swap(m_loaded);
    for (DCBase* data : m_loadedData) {
        if (!data->m_bHeld)
            delete data;   // its reading failed before an event took it
    }
    m_loadedData.clear();
    for (ECBase* event : loaded) {
        if (event != m_root)
            event->Ref();
    }
    for (ECBase* event : loaded) {
        if (event != m_root && event->GetParents()->IsEmpty())
            event->RemoveChildren(0);
    }
    for (ECBase* event : loaded) {
        if (event != m_root)
            event->Unref(1);
    }
}

void ECLoadGuard::Commit() {
    m_committed = true;
    m_loaded.clear();
    m_loadedData.clear();
}

void ECLoadGuard::NoteLoaded(ECBase* event) {
    if (t_loadGuard)
        t_loadGuard->m_loaded.push_back(event);
}

bool ECLoadGuard::IsActive() {
    return t_loadGuard != nullptr;
}

bool ECLoadGuard::AtEnd(std::function<void()> action) {
    if (!t_loadGuard)
        return false;
    t_loadGuard->m_atEnd.push_back(std::move(action));
    return true;
}

void ECLoadGuard::NoteLoaded(DCBase* data) {
    if (!t_loadGuard)
        return;
    t_loadGuard->m_loadedData.push_back(data);
    data->m_bLoadNoted = true;
}
