// What the staff dialog tests share: a new piece in a document with a number
// of staves (and measures when asked), scripted dialogs and prompts, and
// recorders of the commands and the 1200 edits applied to its performance.
#pragma once

#include "model/basiccommands.h"
#include "model/command.h"
#include "model/commandmgr.h"
#include "model/conductor.h"
#include "model/editstates.h"
#include "model/eventtypes.h"
#include "model/performance.h"
#include "model/staff.h"
#include "platform/ui/dialog_script.h"
#include "platform/ui/prompt_script.h"
#include "sequencer/sequence.h"
#include "tests/interface/document/doc_support.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <vector>

namespace staff_test {

// Runs the posted commands and states.
inline void Pump() {
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

// The track commands each batch brings (at their prepare phase): the id, for
// an add-track its insert position and the staff types of its new staves, for
// a remove-track its staves. The plain adds that new staves bring with them
// (their first clefs and the like) are left out.
struct CommandRecorder {
    struct Seen {
        int id = 0;
        int position = 0;
        std::vector<int> staffTypes;
        std::vector<ECBase*> removed;
    };
    static int Handler(ECBase*, int phase, void* batch, void* user) {
        if (phase != CMD_PHASE_PREPARE)
            return 1;
        auto* self = static_cast<CommandRecorder*>(user);
        auto* list = static_cast<MCCommandList*>(batch);
        for (POSITION position = list->GetHeadPosition(); position;) {
            CCBase* command = list->GetNext(position);
            if (command->GetCommandId() != CMD_ADDTRACK && command->GetCommandId() != CMD_REMOVETRACK)
                continue;
            Seen seen;
            seen.id = command->GetCommandId();
            if (auto* add = dynamic_cast<CCAddTrack*>(command)) {
                seen.position = add->GetInsertPosition();
                MCAddItemList* items = add->GetAddList();
                for (POSITION item = items->GetHeadPosition(); item;)
                    if (auto* staff = dynamic_cast<ECStaff*>(items->GetNext(item)->GetChild()))
                        seen.staffTypes.push_back(staff->GetStaffType());
            } else if (auto* remove = dynamic_cast<CCRemove*>(command)) {
                MCEventList* events = remove->GetRemoveList();
                for (POSITION item = events->GetHeadPosition(); item;)
                    seen.removed.push_back(events->GetNext(item));
            }
            self->seen.push_back(seen);
        }
        return 1;
    }
    std::vector<Seen> seen;
};

// The 1200 edits delivered: the items of each, event and kind.
struct EditRecorder {
    struct Item {
        ECBase* event;
        int kind;
    };
    static int Handler(ECBase*, int, void* state, void* user) {
        auto* edit = dynamic_cast<SCEventEdit*>(static_cast<SCBase*>(state));
        if (!edit || edit->GetCode() != STATE_EVENTS_EDITED)
            return 1;
        std::vector<Item> items;
        MCPtrList& list = edit->GetEditList();
        for (POSITION position = list.GetHeadPosition(); position;) {
            auto* item = static_cast<SCEventEditItem*>(list.GetNext(position));
            items.push_back({item->GetEvent(), item->GetEditCode()});
        }
        static_cast<EditRecorder*>(user)->edits.push_back(items);
        return 1;
    }
    std::vector<std::vector<Item>> edits;
};

class StaffPiece : public ::testing::Test, protected doc_support::DocumentParts {
protected:
    StaffPiece() {
        NewPiece();
        conductor = doc->GetSequence()->GetConductor();
        performance = doc->GetBaseEvent();
        conductor->GetMaxTrackNumber(TRACK_STAFF);   // the conductor staff, as a piece opened has it
        performance->AddCommandHandler(&CommandRecorder::Handler, &commands);
        performance->AddStateHandler(&EditRecorder::Handler, &edits);
    }
    ~StaffPiece() override {
        performance->RemoveCommandHandler(&CommandRecorder::Handler, &commands);
        performance->RemoveStateHandler(&EditRecorder::Handler, &edits);
    }

    // `count` new staves of type 0, appended as the program appends them.
    void MakeStaves(int count) {
        auto* add = new CCAddTrack;
        add->AddMidiTrack(0, count);
        add->SetSynchronous(1);
        ASSERT_EQ(add->Apply(performance), 1);
        commands.seen.clear();
    }
    // Measures until the piece has `count` (4/4, one per four quarters).
    void MakeMeasures(int count) {
        conductor->GetMeasure(0, MCTime(4.0f * static_cast<float>(count) - 1.0f), 1, 1);
        ASSERT_EQ(conductor->GetMaxMeasureNumber(), count);
    }
    // The staves in the conductor's order.
    std::vector<ECStaff*> Staves() {
        std::vector<ECStaff*> staves;
        for (int n = 1; n <= conductor->GetMaxTrackNumber(TRACK_STAFF); ++n)
            staves.push_back(static_cast<ECStaff*>(conductor->GetTrack(TRACK_STAFF, n, 0)));
        return staves;
    }

    CPromptScript prompts;
    CDialogScript dialogs;
    ECConductor* conductor = nullptr;
    ECPerformance* performance = nullptr;
    CommandRecorder commands;
    EditRecorder edits;
};

}  // namespace staff_test
