// What the notation view does around its engine (see viewdriver.h).
#include "tests/notation/support/viewdriver.h"

#include "model/appstates.h"
#include "model/basiccommands.h"
#include "model/command.h"
#include "model/commandmgr.h"
#include "model/editstates.h"
#include "model/measurecommands.h"
#include "model/metercommands.h"
#include "model/performance.h"
#include "model/states.h"
#include "notation/view/cantrel.h"
#include "notation/view/pagenate.h"
#include "sequencer/enginestates.h"
#include "tests/platform/messaging_support.h"

namespace notation_test {
namespace {

// Long enough that nothing posted is run by the rate's timer before the
// driver flushes the queue.
constexpr unsigned GATHERING_RATE_MS = 60000;

}  // namespace

ViewDriver::ViewDriver(CCantrel& view) : m_view(view) {}

ViewDriver::~ViewDriver() {
    Detach();
}

CAutoNote& ViewDriver::Engine() {
    return m_view.GetAutoNote();
}

void ViewDriver::AfterRun() {
    if (!m_pLayoutDC) {
        Engine().GetNotateInfo().Reset();
        return;
    }
    // As the view repaginates: sized first, then laid out; the pagination
    // resets the notate info when it is done.
    CPagenate& pagenate = m_view.GetPagenate();
    pagenate.SetNotateInfo(&Engine().GetNotateInfo(), &Engine().GetDirtyRect());
    pagenate.Prepare(m_pLayoutDC);
    pagenate.BeginPagenate();
}

int ViewDriver::Attach(ECPerformance* performance) {
    Detach();
    if (!performance)
        return 0;
    m_view.BindBaseEvent(performance);
    performance->AddCommandHandler(&ViewDriver::OnCommand, this);
    performance->AddStateHandler(&ViewDriver::OnState, this);
    m_pAttached = performance;
    ClearStates();
    const int answer = Engine().ProcessFileLoad();
    AfterRun();
    return answer;
}

void ViewDriver::Detach() {
    if (!m_pAttached)
        return;
    m_pAttached->RemoveCommandHandler(&ViewDriver::OnCommand, this);
    m_pAttached->RemoveStateHandler(&ViewDriver::OnState, this);
    m_pAttached = nullptr;
    m_view.BindBaseEvent(nullptr);
    messaging_test::PumpPending();
}

int ViewDriver::RunBatch(const std::vector<CCBase*>& commands) {
    if (!m_pAttached) {
        for (CCBase* command : commands)
            delete command;
        return 0;
    }
    int taken = 1;
    if (commands.size() == 1) {
        commands.front()->SetSynchronous(1);
        taken = commands.front()->Apply(m_pAttached) == 1;
    } else {
        m_pAttached->SetCommandRate(GATHERING_RATE_MS);
        for (CCBase* command : commands)
            taken &= MCCommandMgr::ApplyCommand(command, m_pAttached) == 1;
        messaging_test::PumpPending();     // each command now waits in the rate's queue
        m_pAttached->SetCommandRate(0);    // the queue runs as one batch
    }
    messaging_test::PumpPending();
    return taken;
}

void ViewDriver::SendState(SCBase* state) {
    if (!m_pAttached) {
        delete state;
        return;
    }
    state->SetAsynchronous(0);
    state->Apply(m_pAttached);
}

void ViewDriver::Notify(SCBase& state) {
    OnState(m_pAttached, 0, &state, this);
}

std::vector<SeenState> ViewDriver::Progress() const {
    std::vector<SeenState> progress;
    for (const SeenState& state : m_states)
        if (state.code >= STATE_PROGRESS_BEGIN && state.code <= STATE_PROGRESS_END)
            progress.push_back(state);
    return progress;
}

int ViewDriver::OnCommand(ECBase*, int phase, void* batch, void* user) {
    CAutoNote& engine = static_cast<ViewDriver*>(user)->Engine();
    switch (phase) {
    case CMD_PHASE_PREPARE:
        engine.PrepareBatch(*static_cast<MCCommandList*>(batch));
        return 1;
    case CMD_PHASE_PROCESS:
        return engine.BatchProcess(*static_cast<MCCommandList*>(batch));
    case CMD_PHASE_FINISH:
        return 1;
    default:
        return -1;
    }
}

int ViewDriver::OnState(ECBase*, int, void* data, void* user) {
    auto* self = static_cast<ViewDriver*>(user);
    auto* state = static_cast<SCBase*>(data);
    SeenState seen;
    seen.code = state->GetCode();
    if (auto* status = dynamic_cast<SCStatus*>(state)) {
        seen.text = status->GetMessage();
        status->GetProgressRange(seen.low, seen.high);
    }
    self->m_states.push_back(seen);
    self->Answer(state);
    return 0;
}

void ViewDriver::Answer(SCBase* state) {
    CAutoNote& engine = Engine();
    CNotateInfo& info = engine.GetNotateInfo();
    switch (state->GetCode()) {
    case STATE_COMMANDS_DONE:
        engine.Finish(nullptr);
        AfterRun();
        break;
    case STATE_EVENTS_EDITED:
        // Before the edit reaches anyone else: what it makes stale is
        // cleared and the elements to go join its delete list.
        if (auto* edit = dynamic_cast<SCEventEdit*>(state))
            engine.PrepareForEdit(edit);
        break;
    case STATE_EDIT_DONE:
        engine.Process(nullptr);
        AfterRun();
        break;
    case STATE_PREFS_CHANGED:
        engine.UpdatePreferences();
        break;
    case STATE_PERFORM_STEP:
        info.SetStepRecording(1);
        break;
    case STATE_PERFORM_RECORD:
        info.SetRealTimeRecording(1);
        break;
    case STATE_PERFORM_STOP:
        // A step recording is only repaginated; a real-time one is notated.
        if (info.IsStepRecording()) {
            info.SetStepRecording(0);
            info.SetRealTimeRecording(0);
        } else if (info.IsRealTimeRecording()) {
            info.SetStepRecording(0);
            info.SetRealTimeRecording(0);
            engine.PrepareAfterRecord();
            engine.Process(nullptr);
            AfterRun();
        }
        info.ResetRecordInfo();
        break;
    default:
        break;
    }
}

}  // namespace notation_test
