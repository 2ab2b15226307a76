// The notation test fixture.
#include "tests/notation/support/notation_fixture.h"

#include "interface/document/midiread.h"
#include "model/appstates.h"
#include "model/performance.h"
#include "model/states.h"
#include "notation/display/records.h"
#include "platform/core/archive.h"
#include "platform/core/file.h"
#include "sequencer/enginestates.h"
#include "tests/notation/support/commands.h"
#include "tests/notation/support/dump.h"
#include "tests/platform/messaging_support.h"

#include <fstream>
#include <iterator>

namespace notation_test {
namespace {

// The command manager's phases (model/command.h, which cannot be included
// beside the engine's header: see commands.h).
constexpr int PHASE_PREPARE = 0;
constexpr int PHASE_PROCESS = 1;
constexpr int PHASE_FINISH = 2;

}  // namespace

NotationFixture::NotationFixture() {
    InitPlugins();   // the display classes
}

NotationFixture::~NotationFixture() {
    Detach();
}

void NotationFixture::Detach() {
    if (!m_pAttached)
        return;
    m_pAttached->RemoveCommandHandler(&NotationFixture::OnCommand, this);
    m_pAttached->RemoveStateHandler(&NotationFixture::OnState, this);
    m_pAttached = nullptr;
    m_view.SetBaseEvent(nullptr);
    messaging_test::PumpPending();
}

int NotationFixture::LoadMidi(const std::vector<uint8_t>& bytes) {
    int read = 0;
    {
        CMemFile source(bytes);
        CArchive ar(&source, CArchive::load | CArchive::bNoFlushOnDelete);
        MCMidiRead reader;
        read = reader.LoadMidiFile(ar, Document());
    }
    messaging_test::PumpPending();   // what the reader posted is not the engine's
    if (read != 1)
        return read;
    Document()->SetModifiedFlag(0);
    Attach();
    return read;
}

int NotationFixture::LoadMidiFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        ADD_FAILURE() << "cannot open " << path;
        return 0;
    }
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return LoadMidi(bytes);
}

int NotationFixture::Attach() {
    Detach();
    ECPerformance* performance = Document()->GetBaseEvent();
    if (!performance) {
        ADD_FAILURE() << "the document has no performance";
        return 0;
    }
    if (!m_view.GetDocument())
        Document()->AddView(&m_view);
    // FIXME: the view registers its command handler itself once it handles
    // commands; the fixture's handler then goes.
    m_view.SetBaseEvent(performance);
    performance->AddCommandHandler(&NotationFixture::OnCommand, this);
    performance->AddStateHandler(&NotationFixture::OnState, this);
    m_pAttached = performance;
    ClearStates();
    const int answer = Engine().ProcessFileLoad();
    AfterRun();
    return answer;
}

void NotationFixture::RunBatch(const std::vector<CCBase*>& commands) {
    ASSERT_NE(Performance(), nullptr) << "nothing attached";
    notation_test::RunBatch(Performance(), commands);
}

void NotationFixture::SendState(SCBase* state) {
    ASSERT_NE(Performance(), nullptr) << "nothing attached";
    state->SetAsynchronous(0);
    state->Apply(Performance());
}

std::string NotationFixture::Dump() {
    return notation_dump::DumpPiece(Conductor());
}

ECConductor* NotationFixture::Conductor() {
    return Performance() ? Performance()->GetConductor() : nullptr;
}

std::vector<SeenState> NotationFixture::Progress() const {
    std::vector<SeenState> progress;
    for (const SeenState& state : m_states)
        if (state.code >= STATE_PROGRESS_BEGIN && state.code <= STATE_PROGRESS_END)
            progress.push_back(state);
    return progress;
}

int NotationFixture::OnCommand(ECBase*, int phase, void* batch, void* user) {
    auto* self = static_cast<NotationFixture*>(user);
    CAutoNote& engine = self->Engine();
    switch (phase) {
    case PHASE_PREPARE: {
        PrepareRoutes routes;
        routes.add = [&engine](CCAdd* command) { engine.Add(command); };
        routes.addMeasure = [&engine](CCAddMeasure* command) { engine.AddMeasure(command); };
        routes.addMeter = [&engine](CCAddMeter* command) { engine.AddMeter(command); };
        routes.addStaff = [&engine](CCAddTrack* command) { engine.AddStaff(command); };
        routes.remove = [&engine](CCRemove* command) { engine.Remove(command); };
        routes.removeMeasure = [&engine](CCRemoveMeasure* command) { engine.RemoveMeasure(command); };
        routes.removeMeter = [&engine](CCRemoveMeter* command) { engine.RemoveMeter(command); };
        routes.removeStaff = [&engine](CCRemoveTrack* command) { engine.RemoveStaff(command); };
        RoutePrepare(batch, routes);
        return 1;
    }
    case PHASE_PROCESS:
        return engine.BatchProcess(*static_cast<MCCommandList*>(batch));
    case PHASE_FINISH:
        return 1;
    default:
        return -1;
    }
}

int NotationFixture::OnState(ECBase*, int, void* data, void* user) {
    auto* self = static_cast<NotationFixture*>(user);
    auto* state = static_cast<SCBase*>(data);
    SeenState seen;
    seen.code = state->GetCode();
    if (auto* status = dynamic_cast<SCStatus*>(state)) {
        seen.text = status->GetMessage();
        status->GetProgressRange(seen.low, seen.high);
    }
    self->m_states.push_back(seen);
    self->Answer(seen.code);
    return 0;
}

void NotationFixture::Answer(unsigned code) {
    CAutoNote& engine = Engine();
    CNotateInfo& info = engine.GetNotateInfo();
    switch (code) {
    case STATE_COMMANDS_DONE:
        engine.Finish(nullptr);
        AfterRun();
        break;
    // STATE_EVENTS_EDITED (1200) prepares the edit (PrepareForEdit) once the
    // engine has its edit handlers.
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
        // Step recording only repaginates; a real-time recording is notated.
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
