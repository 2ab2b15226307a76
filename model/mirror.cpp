// ECMirror, the mirror lists of the events that keep them, and the look-ups
// this file installs for the lists and the commands.
#include "model/mirror.h"

#include "model/command.h"
#include "model/eventtypes.h"
#include "model/markings.h"
#include "model/meter.h"
#include "model/tempo.h"
#include "platform/core/archive.h"
#include "platform/core/trace.h"

#include <unordered_map>
#include <unordered_set>

IMPLEMENT_SERIAL(ECMirror, ECWithTime, VERSIONABLE_SCHEMA | 2)

namespace {

// The event a mirror shows, for MCEventList::ReplaceMirrors. An event that
// only answers the mirror's type shows nothing.
ECBase* ShownEvent(ECBase* mirror) {
    const ECMirror* real = DYNAMIC_DOWNCAST(ECMirror, mirror);
    return real ? real->GetMirrorEvent() : nullptr;
}

// Both hooks are plain function pointers, set before any caller can run.
[[maybe_unused]] const bool s_installed = [] {
    MCEventList::SetMirrorResolver(&ShownEvent);
    CCBase::SetMirrorListFinder(&GetMirrorList);
    return true;
}();

}  // namespace

int ECMirror::GetClassType() const {
    return ET_MIRROR;
}

void ECMirror::SetMirrorEvent(ECBase* event, int registerMirror) {
    m_pMirror = event;
    if (!registerMirror || !event)
        return;
    // The shown event points the mirror back at itself as it lists it.
    switch (event->GetClassType()) {
    case ET_CLEF:
        if (auto* clef = DYNAMIC_DOWNCAST(ECClef, event))
            clef->AddMirror(this);
        break;
    case ET_KEY:
        if (auto* key = DYNAMIC_DOWNCAST(ECKey, event))
            key->AddMirror(this);
        break;
    case ET_METER:
        if (auto* meter = DYNAMIC_DOWNCAST(ECMeter, event))
            meter->AddMirror(this);
        break;
    case ET_TEMPO:
        if (auto* tempo = DYNAMIC_DOWNCAST(ECTempo, event))
            tempo->AddMirror(this);
        break;
    default:
        break;
    }
}

void ECMirror::PostSerialize(CArchive& ar) {
    if (ar.IsStoring()) {
        // Every event a mirror may show hangs in the tree; one that has left
        // it would be written here as a new object no one holds on loading.
        const bool inTree = m_pMirror && !m_pMirror->GetParents()->IsEmpty();
        ar.WriteObject(inTree ? m_pMirror : nullptr);
        return;
    }

    ECBase* shown = ECBase::ReadEvent(ar, 0);
    if (!shown) {
        m_pMirror = nullptr;
        return;
    }
    if (shown->GetParents()->IsEmpty() && shown->GetRefCount() == 0) {
        // Not a back reference into the tree read before this pass but an
        // event of its own that nothing holds. The archive is given up at
        // once, so no later reference can reach the freed event.
        shown->Ref();
        shown->Unref(1);
        throw CArchiveException(CArchiveException::badIndex);
    }
    if (!GetMirrorList(shown)) {
        Trace("ECMirror: a mirror of an event of type %d is not linked\n", shown->GetClassType());
        m_pMirror = nullptr;
        return;
    }
    SetMirrorEvent(shown, 1);
}

// ---- mirror lists --------------------------------------------------------------

MCEventList* GetMirrorList(ECBase* event) {
    if (!event)
        return nullptr;
    switch (event->GetClassType()) {
    case ET_CLEF:
        if (auto* clef = DYNAMIC_DOWNCAST(ECClef, event))
            return clef->GetMirrors();
        break;
    case ET_KEY:
        if (auto* key = DYNAMIC_DOWNCAST(ECKey, event))
            return key->GetMirrors();
        break;
    case ET_METER:
        if (auto* meter = DYNAMIC_DOWNCAST(ECMeter, event))
            return meter->GetMirrors();
        break;
    case ET_TEMPO:
        if (auto* tempo = DYNAMIC_DOWNCAST(ECTempo, event))
            return tempo->GetMirrors();
        break;
    default:
        break;
    }
    return nullptr;
}

void ReleaseMirrors(MCEventList& mirrors, const ECBase* shown) {
    for (POSITION pos = mirrors.GetHeadPosition(); pos;) {
        auto* mirror = DYNAMIC_DOWNCAST(ECMirror, mirrors.GetNext(pos));
        if (mirror && mirror->GetMirrorEvent() == shown)
            mirror->SetMirrorEvent(nullptr, 0);
    }
    mirrors.RemoveAll();
}

void UnlistMirrors(const MCEventList& mirrors) {
    std::unordered_map<ECBase*, std::unordered_set<const ECBase*>> byShown;
    for (POSITION pos = mirrors.GetHeadPosition(); pos;) {
        auto* mirror = DYNAMIC_DOWNCAST(ECMirror, mirrors.GetNext(pos));
        if (mirror && mirror->GetMirrorEvent())
            byShown[mirror->GetMirrorEvent()].insert(mirror);
    }
    for (const auto& [shown, gone] : byShown) {
        MCEventList* list = GetMirrorList(shown);
        for (POSITION pos = list ? list->GetHeadPosition() : nullptr; pos;) {
            POSITION here = pos;
            if (gone.count(list->GetNext(pos)))
                list->RemoveAt(here);
        }
    }
}
