// The basic edit commands: add, add note modifier, add track, remove, remove
// track.
#include "model/basiccommands.h"

#include "model/conductor.h"
#include "model/event.h"
#include "model/eventtypes.h"
#include "model/modifiers.h"
#include "model/recordpool.h"
#include "model/staff.h"
#include "platform/core/trace.h"

#include <algorithm>
#include <vector>

namespace {

// The types that leave and enter the tree only through their own commands
// (measures and meters) or through the track commands (staves).
bool HasOwnCommands(int type) {
    return type == ET_CONDUCTORSTAFF || type == ET_MEASURE || type == ET_METER || type == ET_STAFF;
}

bool IsTrackType(int type) {
    return type == ET_CONDUCTORSTAFF || type == ET_STAFF || type == ET_WAVETRACK;
}

// The conductor the base Prepare fetched, when it is one.
ECConductor* ConductorOf(const CCBase& command) {
    ECBase* event = command.GetConductorEvent();
    return event && event->GetClassType() == ET_CONDUCTOR ? dynamic_cast<ECConductor*>(event) : nullptr;
}

// A new modifier of the same class as `modifier` (an accent or a tremolo),
// copied from it; null for anything else.
ECBase* CopyModifier(ECBase* modifier) {
    if (auto* accent = dynamic_cast<ECAccent*>(modifier))
        return new ECAccent(*accent);
    if (auto* tremolo = dynamic_cast<ECTremolo*>(modifier))
        return new ECTremolo(*tremolo);
    return nullptr;
}

}  // namespace

// ---- CCAddItem ----

IMPLEMENT_POOLED_RECORDS(CCAddItem)

CCAddItem::CCAddItem() : m_midiData(FCMidi::MidiNull()) {}

CCAddItem::CCAddItem(ECBase* child, ECBase* parent, const FCMidi& midi) : m_midiData(midi) {
    Hold(m_pChild, child);
    SetParent(parent);
}

CCAddItem::CCAddItem(const CCAddItem& other) : CCAddItem(other.m_pChild, other.m_pParent, other.m_midiData) {
    m_bParentInPiece = other.m_bParentInPiece;
}

CCAddItem& CCAddItem::operator=(const CCAddItem& other) {
    Hold(m_pChild, other.m_pChild);
    Hold(m_pParent, other.m_pParent);
    m_bParentInPiece = other.m_bParentInPiece;
    m_midiData = other.m_midiData;
    return *this;
}

CCAddItem::~CCAddItem() {
    Hold(m_pChild, nullptr);
    Hold(m_pParent, nullptr);
}

void CCAddItem::SetChild(ECBase* child) {
    Hold(m_pChild, child);
}

void CCAddItem::SetParent(ECBase* parent) {
    Hold(m_pParent, parent);
    m_bParentInPiece = CCAdd::IsInPiece(parent);
}

void CCAddItem::Hold(ECBase*& slot, ECBase* event) {
    if (event)
        event->Ref();
    ECBase* old = slot;
    slot = event;
    if (old)
        old->Unref(1);
}

// ---- CCAdd ----

CCAdd::CCAdd() = default;

CCAdd::CCAdd(ECBase* child, ECBase* parent, const FCMidi& midi) {
    CCAdd::Add(child, parent, midi);
}

CCAdd::~CCAdd() {
    while (!m_addList.IsEmpty())
        delete static_cast<CCAddItem*>(m_addList.RemoveHead());
}

int CCAdd::GetCommandId() const {
    return CMD_ADD;
}

int CCAdd::CanHold(ECBase* parent, ECBase* child) {
    if (!parent || !child)
        return 0;
    return child->MayHangUnder(parent->GetClassType());
}

bool CCAdd::IsInPiece(ECBase* event) {
    return event && (event->GetClassType() == ET_PERFORMANCE || event->GetAncestor(ET_PERFORMANCE, -1));
}

CCAddItem* CCAdd::Add(ECBase* child, ECBase* parent, const FCMidi& midi) {
    if (!child || HasOwnCommands(child->GetClassType()))
        return nullptr;
    // AddChild takes whatever it is given; an event under a parent of the
    // wrong type (or under none) would corrupt the tree's shape.
    if (!CanHold(parent, child))
        return nullptr;
    return AppendItem(child, parent, midi);
}

CCAddItem* CCAdd::AppendItem(ECBase* child, ECBase* parent, const FCMidi& midi) {
    auto* item = new CCAddItem(child, parent, midi);
    m_addList.AddTail(item);
    return item;
}

int CCAdd::Process() {
    if (!CCBase::Process())
        return 0;
    for (POSITION pos = m_addList.GetHeadPosition(); pos;) {
        CCAddItem* item = m_addList.GetNext(pos);
        ECBase* child = item->GetChild();
        ECBase* parent = item->GetParent();
        // Add checked the item; a setter may have changed it since.
        if (!CanHold(parent, child)) {
            Trace("CCAdd::Process -- item skipped: its parent cannot hold its child\n");
            continue;
        }
        // An add that waited (a note recorded while the user edits) finds its
        // parent taken out of the piece meanwhile, a removed measure, say:
        // under it the event would be out of the piece, yet listed to play
        // and to save.
        if (item->WasParentInPiece() && !IsInPiece(parent)) {
            Trace("CCAdd::Process -- item skipped: its parent left the piece\n");
            continue;
        }
        parent->AddChild(child, SORTED);
    }
    return 1;
}

// ---- CCAddNoteModifier ----

CCAddNoteModifier::CCAddNoteModifier() = default;

CCAddNoteModifier::CCAddNoteModifier(ECBase* modifier, ECBase* parent) {
    CCAddNoteModifier::Add(modifier, parent, FCMidi::MidiNull());
}

int CCAddNoteModifier::GetCommandId() const {
    return CMD_ADDNOTEMODIFIER;
}

CCAddItem* CCAddNoteModifier::Add(ECBase* modifier, ECBase* parent, const FCMidi&) {
    if (!modifier)
        return nullptr;
    const FCMidi& none = FCMidi::MidiNull();
    switch (modifier->GetClassType()) {
    case ET_ACCENT:
    case ET_TREMOLO:
        if (parent && parent->GetClassType() == ET_CHORD)
            break;
        return CCAdd::Add(modifier, parent, none);
    case ET_ACCIDENTAL:
    case ET_ARPEGGIO:
    case ET_MORDENT:
    case ET_ORNAMENT:
    case ET_TRILL:
    case ET_TURN:
        return CCAdd::Add(modifier, parent, none);
    default:
        return nullptr;   // a dot, and anything that is no modifier
    }

    // Spread over the chord: a chord's accent marks each of its notes, and a
    // tremolo on a chord shakes each note, so every note gets its own copy.
    // The copies are made first, the chord's children are not touched here.
    CCAddItem* last = nullptr;
    MCEventList* children = parent->GetChildren();
    for (POSITION pos = children ? children->GetHeadPosition() : nullptr; pos;) {
        ECBase* note = children->GetNext(pos);
        if (note->GetClassType() != ET_NOTE)
            continue;
        ECBase* copy = CopyModifier(modifier);
        if (!copy)
            break;   // a stand-in answering a modifier's type: nothing to copy
        if (CCAddItem* item = CCAdd::Add(copy, note, none))
            last = item;
        else
            copy->Unref(1);
    }
    // The given modifier never enters the tree: the caller's reference ends
    // here, and with it a modifier nothing else holds.
    modifier->Unref(1);
    return last;
}

// ---- CCAddTrack ----

CCAddTrack::CCAddTrack() = default;

CCAddTrack::CCAddTrack(ECTrack* track, int position) : m_nInsertPosition(position) {
    AddTrack(track);
}

int CCAddTrack::GetCommandId() const {
    return CMD_ADDTRACK;
}

void CCAddTrack::AddTrack(ECTrack* track) {
    if (!track || !IsTrackType(track->GetClassType()))
        return;
    AppendItem(track, nullptr, FCMidi::MidiNull());
}

void CCAddTrack::AddMidiTrack(unsigned char staffType, int count) {
    for (int i = 0; i < count; ++i)
        AddTrack(new ECStaff(staffType));
}

void CCAddTrack::AddWaveTrack(int count) {
    for (int i = 0; i < count; ++i)
        AddTrack(new ECWaveTrack);
}

int CCAddTrack::Process() {
    if (!CCBase::Process())
        return 0;
    ECConductor* conductor = ConductorOf(*this);
    if (!conductor)
        return 0;
    int staffPosition = m_nInsertPosition;
    int wavePosition = m_nInsertPosition;
    MCAddItemList* items = GetAddList();
    for (POSITION pos = items->GetHeadPosition(); pos;) {
        auto* track = dynamic_cast<ECTrack*>(items->GetNext(pos)->GetChild());
        if (!track)
            continue;
        switch (track->GetClassType()) {
        case ET_CONDUCTORSTAFF:
            conductor->InsertTrack(track, -1);
            break;
        case ET_STAFF:
            staffPosition = conductor->InsertTrack(track, staffPosition) + 1;
            break;
        case ET_WAVETRACK:
            wavePosition = conductor->InsertTrack(track, wavePosition) + 1;
            break;
        default:
            break;   // an item added through CCAdd::Add: no track to place
        }
    }
    return 1;
}

// ---- CCRemove ----

CCRemove::CCRemove() = default;

CCRemove::CCRemove(ECBase* event) {
    CCRemove::Remove(event);
}

CCRemove::~CCRemove() {
    m_removeList.RemoveAll();
}

int CCRemove::GetCommandId() const {
    return CMD_REMOVE;
}

void CCRemove::Remove(ECBase* event) {
    if (!event || m_removeList.Find(event))
        return;
    const int type = event->GetClassType();
    if (HasOwnCommands(type))
        return;
    // A mirror cannot outlive the clef or key it shows; handlers see it
    // among the removed events, ahead of what it shows.
    if (type == ET_CLEF || type == ET_KEY) {
        if (MCEventList* mirrors = GetMirrorList(event)) {
            for (POSITION pos = mirrors->GetHeadPosition(); pos;) {
                ECBase* mirror = mirrors->GetNext(pos);
                if (!m_removeList.Find(mirror))
                    m_removeList.AddTail(mirror);
            }
        }
    }
    m_removeList.AddTail(event);
}

int CCRemove::Process() {
    if (!CCBase::Process())
        return 0;
    RemoveFromParents(&m_removeList);
    return 1;
}

// ---- CCRemoveTrack ----

CCRemoveTrack::CCRemoveTrack() = default;

CCRemoveTrack::CCRemoveTrack(ECBase* track) {
    RemoveTrack(track);
}

int CCRemoveTrack::GetCommandId() const {
    return CMD_REMOVETRACK;
}

void CCRemoveTrack::RemoveTrack(ECBase* track) {
    if (!track || GetRemoveList()->Find(track))
        return;
    const int type = track->GetClassType();
    if (type == ET_STAFF || type == ET_WAVETRACK)
        GetRemoveList()->AddTail(track);
}

int CCRemoveTrack::Process() {
    if (!CCBase::Process())
        return 0;
    ECConductor* conductor = ConductorOf(*this);
    if (!conductor)
        return 0;
    MCEventList* tracks = GetRemoveList();
    for (POSITION pos = tracks->GetHeadPosition(); pos;) {
        ECBase* event = tracks->GetNext(pos);
        auto* track = dynamic_cast<ECTrack*>(event);
        if (!track)
            continue;
        conductor->RemoveTrack(track);
        // The conductor lets a wave track go from its numbering only; a
        // removed wave track leaves the tree as a removed staff does, or it
        // would still play and still be saved.
        if (track->GetClassType() == ET_WAVETRACK)
            conductor->RemoveChild(track, 0);
    }
    return 1;
}
