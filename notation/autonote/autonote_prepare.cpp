// The engine's preparation of added and removed elements and staves, and the
// batch's renotation bucket by bucket.
#include "notation/autonote/autonote.h"

#include "model/basiccommands.h"
#include "model/conductor.h"
#include "model/eventtypes.h"
#include "model/measurecommands.h"
#include "model/metercommands.h"
#include "model/staff.h"
#include "notation/autonote/buildrulers.h"
#include "notation/autonote/displaydata.h"

#include <array>

namespace {

// The buckets of a batch's renotation, in the order they run.
enum Bucket : int {
    BUCKET_EDITS = 0,            // one renotation of what the edits prepared
    BUCKET_ADD_MEASURE = 1,      // each insert-measure command
    BUCKET_REMOVE_MEASURE = 2,   // each remove-measure command
    BUCKET_ADD_STAFF = 3,        // the new staves, once
    BUCKET_REMOVE_STAFF = 4,     // nothing is left to notate
    BUCKET_ADD_METER = 5,        // each meter added
    BUCKET_REMOVE_METER = 6,     // each meter removed
    BUCKET_COUNT = 7,
    BUCKET_NONE = -1,
};

Bucket BucketOf(int commandId) {
    switch (commandId) {
    case CMD_ADDMEASURE:
        return BUCKET_ADD_MEASURE;
    case CMD_REMOVEMEASURE:
        return BUCKET_REMOVE_MEASURE;
    case CMD_ADDTRACK:
        return BUCKET_ADD_STAFF;
    case CMD_REMOVETRACK:
        return BUCKET_REMOVE_STAFF;
    case CMD_ADDMETER:
        return BUCKET_ADD_METER;
    case CMD_REMOVEMETER:
        return BUCKET_REMOVE_METER;
    case CMD_ADD:
    case CMD_ADDNOTEMODIFIER:
    case CMD_BASE:
    case CMD_EDIT:
    case CMD_REMOVE:
        return BUCKET_EDITS;
    default:
        // Commands of other modules (ids past the model's) change events the
        // way an edit does.
        return commandId > CMD_REMOVETRACK ? BUCKET_EDITS : BUCKET_NONE;
    }
}

}  // namespace

int CAutoNote::Add(CCAdd* command) {
    if (!command)
        return 0;
    ACUpdateDisplayData display;
    display.SetConductor(GetConductor());
    display.SetResolution(m_resolution);
    display.SetCreateAll(1);
    MCAddItemList* items = command->GetAddList();
    for (POSITION pos = items->GetHeadPosition(); pos;) {
        CCAddItem* item = items->GetNext(pos);
        ECBase* element = item->GetChild();
        if (!element)
            continue;
        display.Apply(element);
        display.Reset();
        m_dirtyRect.AddEvent(element);
        AddByType(command, element, item->GetParent());
    }
    return 0;
}

void CAutoNote::AddByType([[maybe_unused]] CCAdd* command, ECBase* element, [[maybe_unused]] ECBase* parent) {
    switch (element->GetClassType()) {
    case ET_NOTE:
        if (m_notateInfo.IsRealTimeRecording())
            RecordNote(command, element, parent);
        else
            MergeNote(command, element, parent);
        break;
    case ET_ACCENT:
    case ET_MORDENT:
    case ET_TREMOLO:
    case ET_TRILL:
        AddNoteModifier(command, element, parent);
        break;
    case ET_ACCIDENTAL:
        AddAccidental(command, element, parent);
        break;
    case ET_CLEF:
        AddClef(command, element, parent);
        break;
    case ET_KEY:
        AddKey(command, element, parent);
        break;
    case ET_GRACENOTE:
        AddGraceNote(command, element, parent);
        break;
    case ET_TUPLET:
        AddTuplet(command, element, parent);
        break;
    case ET_TIE:
        AddTie(command, element, parent);
        break;
    case ET_SLUR:
        AddSlur(command, element, parent);
        break;
    case ET_LYRIC:
        AddLyric(command, element, parent);
        break;
    default:   // a turn and every other type: nothing to prepare
        break;
    }
}

void CAutoNote::RemoveByType([[maybe_unused]] CCRemove* command, ECBase* element) {
    switch (element->GetClassType()) {
    case ET_NOTE:
        RemoveNote(command, element, nullptr);
        break;
    case ET_ACCIDENTAL:
        RemoveAccidental(command, element, nullptr);
        break;
    case ET_BRAC:
        RemoveGroup(command, element, nullptr);
        break;
    case ET_CLEF:
        RemoveClef(command, element, nullptr);
        break;
    case ET_KEY:
        RemoveKey(command, element, nullptr);
        break;
    case ET_GRACENOTE:
        RemoveGraceNote(command, element, nullptr);
        break;
    case ET_TUPLET:
        RemoveTuplet(command, element, nullptr);
        break;
    case ET_TIE:
        RemoveTie(command, element, nullptr);
        break;
    case ET_SLUR:
        RemoveSlur(command, element, nullptr);
        break;
    case ET_LYRIC:
        RemoveLyric(command, element, nullptr);
        break;
    default:
        break;
    }
}

int CAutoNote::Remove(CCRemove* command) {
    if (!command)
        return 0;
    // Each element leaves its measure's ruler on its own: its children go
    // with it and are not entered anywhere.
    ACBuildRulers rulers;
    rulers.SetRemove(1);
    rulers.SetDepth(0);
    rulers.SetConductor(GetConductor());
    MCEventList* removed = command->GetRemoveList();
    for (POSITION pos = removed->GetHeadPosition(); pos;) {
        ECBase* element = removed->GetNext(pos);
        rulers.Apply(element);
        rulers.Reset();
        AddRectsToDirtyList(element, 1);
        if (MCEventList* children = element->GetChildren())
            AddRectsToDirtyList(*children, 1);
        RemoveByType(command, element);
    }
    return 0;
}

int CAutoNote::AddStaff(CCAddTrack* command) {
    if (!command)
        return 0;
    MCAddItemList* items = command->GetAddList();
    for (POSITION pos = items->GetHeadPosition(); pos;) {
        ECBase* track = items->GetNext(pos)->GetChild();
        if (track && track->GetClassType() == ET_STAFF) {
            m_notateInfo.SetNotateRange(NOTATE_ADD_STAFF);
            m_notateInfo.SetPagenateRange(PAGENATE_REPAGENATE_ALL);
        }
    }
    return 0;
}

int CAutoNote::RemoveStaff(CCRemoveTrack*) {
    // The staves left keep their notation; only the pages change.
    m_notateInfo.SetNotateRange(NOTATE_NONE);
    m_notateInfo.SetPagenateRange(PAGENATE_REPAGENATE_ALL);
    return 0;
}

int CAutoNote::Edit(CCBase*) {
    return 0;
}

namespace {

// The preparation of one command, when the command is of the class its id
// names (a command of another class under a known id is passed over).
template <class Command>
void PrepareAs(CCBase* command, CAutoNote& engine, int (CAutoNote::*operation)(Command*)) {
    if (auto* typed = dynamic_cast<Command*>(command))
        (engine.*operation)(typed);
}

}  // namespace

void CAutoNote::PrepareBatch(MCCommandList& batch) {
    for (POSITION pos = batch.GetHeadPosition(); pos;) {
        CCBase* command = batch.GetNext(pos);
        switch (command->GetCommandId()) {
        case CMD_ADD:
        case CMD_ADDNOTEMODIFIER:
            PrepareAs(command, *this, &CAutoNote::Add);
            break;
        case CMD_ADDMEASURE:
            PrepareAs(command, *this, &CAutoNote::AddMeasure);
            break;
        case CMD_ADDMETER:
            PrepareAs(command, *this, &CAutoNote::AddMeter);
            break;
        case CMD_ADDTRACK:
            PrepareAs(command, *this, &CAutoNote::AddStaff);
            break;
        case CMD_REMOVE:
            PrepareAs(command, *this, &CAutoNote::Remove);
            break;
        case CMD_REMOVEMEASURE:
            PrepareAs(command, *this, &CAutoNote::RemoveMeasure);
            break;
        case CMD_REMOVEMETER:
            PrepareAs(command, *this, &CAutoNote::RemoveMeter);
            break;
        case CMD_REMOVETRACK:
            PrepareAs(command, *this, &CAutoNote::RemoveStaff);
            break;
        default:
            break;
        }
    }
}

int CAutoNote::BatchProcess(MCCommandList& batch) {
    std::array<int, BUCKET_COUNT> counts{};
    for (POSITION pos = batch.GetHeadPosition(); pos;) {
        const Bucket bucket = BucketOf(batch.GetNext(pos)->GetCommandId());
        if (bucket != BUCKET_NONE)
            ++counts[bucket];
    }
    // Runs `process` on each command of the batch with the id, in batch order.
    const auto eachCommand = [&batch](int id, auto process) {
        for (POSITION pos = batch.GetHeadPosition(); pos;) {
            CCBase* command = batch.GetNext(pos);
            if (command->GetCommandId() == id)
                process(command);
        }
    };
    for (int bucket = 0; bucket < BUCKET_COUNT; ++bucket) {
        if (counts[bucket] == 0)
            continue;
        switch (bucket) {
        case BUCKET_EDITS:
            Process(nullptr);
            break;
        case BUCKET_ADD_MEASURE:
            eachCommand(CMD_ADDMEASURE, [this](CCBase* c) { ProcessAddMeasure(static_cast<CCAddMeasure*>(c)); });
            break;
        case BUCKET_REMOVE_MEASURE:
            eachCommand(CMD_REMOVEMEASURE,
                        [this](CCBase* c) { ProcessRemoveMeasure(static_cast<CCRemoveMeasure*>(c)); });
            break;
        case BUCKET_ADD_STAFF:
            ProcessAddStaff(batch);
            break;
        case BUCKET_ADD_METER:
            eachCommand(CMD_ADDMETER, [this](CCBase* c) { ProcessAddMeter(static_cast<CCAddMeter*>(c)); });
            break;
        case BUCKET_REMOVE_METER:
            eachCommand(CMD_REMOVEMETER, [this](CCBase* c) { ProcessRemoveMeter(static_cast<CCRemoveMeter*>(c)); });
            break;
        default:   // removed staves: nothing to notate
            break;
        }
    }
    return 1;
}

int CAutoNote::ProcessAddStaff(MCCommandList& batch) {
    ECConductor* conductor = GetConductor();
    if (!conductor)
        return 0;
    ACUpdateDisplayData display;
    display.SetConductor(conductor);
    display.SetResolution(m_resolution);
    for (POSITION pos = batch.GetHeadPosition(); pos;) {
        CCBase* command = batch.GetNext(pos);
        if (command->GetCommandId() != CMD_ADDTRACK)
            continue;
        MCAddItemList* items = static_cast<CCAddTrack*>(command)->GetAddList();
        for (POSITION at = items->GetHeadPosition(); at;) {
            ECBase* child = items->GetNext(at)->GetChild();
            if (!child || child->GetClassType() != ET_STAFF)
                continue;
            auto* staff = static_cast<ECStaff*>(child);
            display.Apply(staff);
            display.Reset();
            GuessClefAndKey(staff);
            // A staff taken out again in the same batch has no number: it is
            // not notated.
            const int track = conductor->GetTrackNumber(TRACK_STAFF, staff);
            if (track > 0)
                m_notateInfo.AddTrack(track, MCTime::TimeZero(), MCTime::TimeMax(), MCTime::TimeZero(),
                                      MCTime::TimeMax());
        }
    }
    AttachBaseEvent();
    SetDirtyRect();
    NotateNextChunk();
    return 0;
}
