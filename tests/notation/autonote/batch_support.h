// What the engine's batch tests share: a piece shown by a notation view and
// commands run on it as the view runs them. A command handler on the
// performance shows each command of a batch to the engine's preparation by
// its command id before the batch runs and answers the engine's
// BatchProcess after it; a state handler finishes the engine when the batch
// is done and resets the notate info, as pagination will, prepares an edit
// made in place (1200) and renotates once it has been delivered (1201), and
// records the progress states with the time end the notate info held at each begin.
#pragma once

#include "model/appstates.h"
#include "model/basiccommands.h"
#include "model/commandmgr.h"
#include "model/editstates.h"
#include "model/measurecommands.h"
#include "model/metercommands.h"
#include "model/performance.h"
#include "model/states.h"
#include "notation/display/conductormeasure.h"
#include "notation/display/measure.h"
#include "notation/view/cantrel.h"
#include "tests/notation/autonote/autonote_support.h"
#include "tests/platform/messaging_support.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace autonote_test {

// What the notate info held once a batch was prepared.
struct Prepared {
    int notateRange = -1;
    int pagenateRange = -1;
    MCTime timeStart, timeEnd, measureStart, measureEnd;
};

// A progress state seen during a batch; `timeEnd` the notate info's time end
// when a progress began.
struct SeenProgress {
    unsigned code = 0;
    MCTime timeEnd;
};

class BatchTest : public AutonoteTest {
protected:
    // `staves` staves of `measures` 4/4 measures.
    void MakePiece(int staves, int measures) {
        MakeStaves(staves);
        MakeMeasures(measures);
    }
    // The piece attached to the view, whose load makes the display objects
    // and notates everything; the handlers on from here.
    void Attach() {
        view.BindBaseEvent(m_performance);
        engine().ProcessFileLoad();
        info().Reset();
        m_performance->AddCommandHandler(&OnCommand, this);
        m_performance->AddStateHandler(&OnState, this);
        m_attached = true;
    }
    void TearDown() override {
        if (m_attached) {
            m_performance->RemoveCommandHandler(&OnCommand, this);
            m_performance->RemoveStateHandler(&OnState, this);
        }
        engine().GetDirtyRect().Clear();
        view.BindBaseEvent(nullptr);
        AutonoteTest::TearDown();
    }

    // `event` at a time (quarters) on staff `track`, voice 0, in the measure
    // holding the time, with its display object.
    template <class Event>
    Event* PutOn(int track, Event* event, float quarters) {
        piece::Place(event, quarters, 0, track);
        Bar(track, quarters)->AddChild(event, SORTED);
        Display(event, 1);
        return event;
    }

    CAutoNote& engine() { return view.GetAutoNote(); }
    CNotateInfo& info() { return engine().GetNotateInfo(); }

    // Runs the commands as one batch: queued while a command rate is set,
    // then run together when the rate is cleared. Clears what earlier
    // batches left in the logs first.
    void RunBatch(const std::vector<CCBase*>& commands) {
        progress.clear();
        answers.clear();
        m_performance->SetCommandRate(kQueueForever);
        for (CCBase* command : commands)
            ASSERT_EQ(MCCommandMgr::ApplyCommand(command, m_performance), 1);
        messaging_test::PumpPending();
        m_performance->SetCommandRate(0);
        messaging_test::PumpPending();
    }
    void Run(CCBase* command) { RunBatch({command}); }

    // The staff measure's or column's ruler marks in group 0; -1 without a
    // display object.
    static int Marks(ECBase* measure) {
        MCRuler* ruler = nullptr;
        if (auto* column = dynamic_cast<DCctConductorMeasure*>(measure->GetData(DK_NOTATION, 0)))
            ruler = &column->GetRuler();
        else if (auto* staff = dynamic_cast<DCctMeasure*>(measure->GetData(DK_NOTATION, 0)))
            ruler = &staff->GetRuler();
        if (!ruler)
            return -1;
        return ruler->GetNumberOfRulerGroups() ? static_cast<int>(ruler->GetRulerGroup()[0].marks.size()) : 0;
    }
    static MCRuler* RulerOf(ECBase* measure) {
        auto* display = dynamic_cast<DCctMeasure*>(measure->GetData(DK_NOTATION, 0));
        return display ? &display->GetRuler() : nullptr;
    }
    ECMeasure* Measure(int track, int number) { return m_conductor->GetMeasure(track, number); }

    // How many of the eight notation passes' dirty kinds the element's
    // display object carries; -1 without one.
    static int NotationKindsSet(ECBase* element) {
        DCctBase* display = Display(element);
        if (!display)
            return -1;
        int set = 0;
        for (int kind = DCctBase::DIRTY_TIME; kind <= DCctBase::DIRTY_REST; ++kind)
            set += display->IsDirtyKind(kind) != 0;
        return set;
    }
    // Every staff measure clean of the notation passes' kinds (new display
    // objects start out dirty).
    void CleanMeasures() {
        MCEventList all;
        m_conductor->GetMeasures(TRACK_ALL, 1, m_conductor->GetMaxMeasureNumber(), all);
        for (POSITION pos = all.GetHeadPosition(); pos;)
            if (DCctBase* display = Display(all.GetNext(pos)))
                for (int kind = DCctBase::DIRTY_TIME; kind <= DCctBase::DIRTY_REST; ++kind)
                    display->SetDirtyKind(kind, 0);
    }
    static bool Holds(ECBase* parent, ECBase* child) {
        MCEventList* children = parent->GetChildren();
        return children && children->Find(child) != nullptr;
    }

    // The progress codes seen, in order.
    std::vector<unsigned> ProgressCodes(bool withSteps) const {
        std::vector<unsigned> codes;
        for (const SeenProgress& seen : progress)
            if (withSteps || seen.code != STATE_PROGRESS_TEXT)
                codes.push_back(seen.code);
        return codes;
    }

    CCantrel view;
    Prepared prepared;                    // the last batch's
    std::vector<SeenProgress> progress;   // the last batch's
    std::vector<int> answers;             // what the handler answered after Process
    std::function<void()> afterPrepare;   // run once a batch is prepared

private:
    // Long enough that no timer runs the queue before the test does.
    static constexpr unsigned kQueueForever = 3600000;

    static int OnCommand(ECBase*, int phase, void* batch, void* user) {
        auto& self = *static_cast<BatchTest*>(user);
        auto& commands = *static_cast<MCCommandList*>(batch);
        CAutoNote& engine = self.engine();
        if (phase == CMD_PHASE_PROCESS) {
            const int answer = engine.BatchProcess(commands);
            self.answers.push_back(answer);
            return answer;
        }
        engine.PrepareBatch(commands);
        CNotateInfo& info = engine.GetNotateInfo();
        self.prepared = {info.GetNotateRange(), info.GetPagenateRange(), info.GetTimeStart(), info.GetTimeEnd(),
                         info.GetMeasureStart(), info.GetMeasureEnd()};
        if (self.afterPrepare)
            self.afterPrepare();
        return 1;
    }

    static int OnState(ECBase*, int, void* data, void* user) {
        auto& self = *static_cast<BatchTest*>(user);
        auto* state = static_cast<SCBase*>(data);
        const unsigned code = state->GetCode();
        if (code == STATE_COMMANDS_DONE) {
            self.engine().Finish(nullptr);
            self.info().Reset();
        } else if (code == STATE_EVENTS_EDITED) {
            if (auto* edit = dynamic_cast<SCEventEdit*>(state))
                self.engine().PrepareForEdit(edit);
        } else if (code == STATE_EDIT_DONE) {
            self.engine().Process(nullptr);
            self.info().Reset();
        } else if (code >= STATE_PROGRESS_BEGIN && code <= STATE_PROGRESS_END) {
            self.progress.push_back({code, self.info().GetTimeEnd()});
        }
        return 1;
    }

    bool m_attached = false;
};

}  // namespace autonote_test
