// What the notation view does around its engine, for the notation tests and
// benchmarks: it attaches a performance to a view and drives the view's
// engine the way the view does.
//   - Attach stores the performance in the view, registers the handlers
//     below on it and notates it whole (ProcessFileLoad), as the view's
//     first attachment does.
//   - The command handler: the Prepare phase shows each command of the
//     batch, in order, to the engine by its id (0 and 2 Add, 1 AddMeasure,
//     3 AddMeter, 4 AddStaff, 7 Remove, 8 RemoveMeasure, 9 RemoveMeter, 10
//     RemoveStaff, others nothing) and answers 1; the Process phase answers
//     the engine's BatchProcess; Finish answers 1; any other phase -1.
//   - The state handler records every state (code, text, progress range)
//     and answers
//       500   Finish
//       1200  PrepareForEdit
//       1201  Process
//       1600  UpdatePreferences
//       3303  step recording on; 3304 real-time recording on
//       3300  after a real-time recording: both recording flags off,
//             PrepareAfterRecord, Process; after a step recording both
//             flags off; the record tracks cleared always.
//   - After each run (the attachment, 500, 1201, 3300) the notate info is
//     reset, as pagination does once it has read it; or, once LayOutAfterRuns
//     gave a context, the score is laid out again on it as the view does with
//     a window (which consumes the notate info).
//
// The view handles the same commands and states itself when it shows a
// document (its own command handler, the document's updates); the driver
// does it for tests that give a performance to a view without a document.
//
// The view is borrowed and must outlive the driver. User-interface thread.
#pragma once

#include <string>
#include <vector>

class CAutoNote;
class CCantrel;
class CDC;
class CCBase;
class ECBase;
class ECPerformance;
class SCBase;

namespace notation_test {

// A state as the driver's state handler saw it.
struct SeenState {
    unsigned code = 0;
    std::string text;   // a status state's message, else empty
    int low = 0;        // a status state's progress range, else 0, 0
    int high = 0;
};

class ViewDriver {
public:
    explicit ViewDriver(CCantrel& view);
    ~ViewDriver();
    ViewDriver(const ViewDriver&) = delete;
    ViewDriver& operator=(const ViewDriver&) = delete;

    // Detaches first. Then as above; the answer of ProcessFileLoad (0 for a
    // null performance). Only the states applied during the call are kept.
    int Attach(ECPerformance* performance);
    // Takes the handlers off and the performance out of the view.
    void Detach();
    // After each run from now on, the view's pagination sizes on `dc` and
    // lays out what the run left to lay out (everything after an attachment),
    // as the view does after an edit once it has a window. Null goes back to
    // only resetting the notate info. The context is borrowed and must
    // outlive the runs.
    void LayOutAfterRuns(CDC* dc) { m_pLayoutDC = dc; }

    // Runs the commands as one batch, which has run when this returns: one
    // command is sent; several are posted while a command rate gathers them
    // and then run together. The manager deletes them. 1 when the manager
    // took every command; 0 without a performance (the commands are deleted).
    int RunBatch(const std::vector<CCBase*>& commands);
    // Applies a state to the performance synchronously; it is deleted after
    // delivery (also without a performance).
    void SendState(SCBase* state);
    // Hands a state to the driver's state handler alone, as the document
    // routes a state to its views, without applying it: a transport state
    // (3300-3304) applied to the performance also starts or stops its
    // sequence, which under a manual clock never comes to rest.
    void Notify(SCBase& state);

    const std::vector<SeenState>& States() const { return m_states; }
    // The progress states (1801-1804) among them.
    std::vector<SeenState> Progress() const;
    void ClearStates() { m_states.clear(); }

private:
    static int OnCommand(ECBase* performance, int phase, void* batch, void* user);
    static int OnState(ECBase* performance, int code, void* data, void* user);
    void Answer(SCBase* state);
    CAutoNote& Engine();
    // What pagination does with the notate info after a run.
    void AfterRun();

    CCantrel& m_view;                       // borrowed
    ECPerformance* m_pAttached = nullptr;   // borrowed: the performance the handlers are on
    CDC* m_pLayoutDC = nullptr;             // borrowed: lays out after each run when set
    std::vector<SeenState> m_states;
};

}  // namespace notation_test
