// The notation test fixture: a MIDI file read into a document by the
// program's reader, shown in a notation view, and notated by the view's
// engine the way the view drives it; then a dump (dump.h) to compare with a
// golden file (golden.h).
//
// In: a `.mid` under tests/data/notation/ (LoadMidiFile) or bytes a test
// builds from a note table with tests/support/smf_support.h (LoadMidi).
// The performance is attached through the notation view (CCantrel), and
// the fixture stands in for the view's handling around the engine:
//   - a command handler on the performance: the Prepare phase shows each
//     command to the engine by its id (commands.h), the Process phase
//     answers the engine's BatchProcess, Finish answers 1, any other -1;
//   - a state handler on the performance that records every state it sees
//     (code, text, progress range) and answers
//       500   Finish
//       1201  Process
//       1600  UpdatePreferences
//       3303  step recording on; 3304 real-time recording on
//       3300  after a real-time recording both recording flags off,
//             PrepareAfterRecord, Process; the record tracks cleared always;
//   - after each run (attachment, 500, 1201, 3300) the notate info is reset,
//     as pagination does once it has read it.
// The attachment runs ProcessFileLoad, as the view's first attachment does.
//
// The document uses the engine's capture devices and a manual clock
// (doc_support::DocumentParts). User-interface thread (the test's).
#pragma once

#include "notation/view/cantrel.h"
#include "tests/interface/document/doc_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

class CCBase;
class ECConductor;
class ECPerformance;
class SCBase;

namespace notation_test {

// A state as the fixture's state handler saw it.
struct SeenState {
    unsigned code = 0;
    std::string text;   // a status state's message, else empty
    int low = 0;        // a status state's progress range, else 0, 0
    int high = 0;
};

class NotationFixture : public ::testing::Test {
protected:
    NotationFixture();
    ~NotationFixture() override;

    // Reads the file into the document (the reader's answer, 1 when read),
    // leaves the document unmodified, as opening a file does, and attaches
    // it when read.
    int LoadMidi(const std::vector<uint8_t>& bytes);
    int LoadMidiFile(const std::string& path);

    // Attaches the document's performance to the view and the handlers and
    // notates it (ProcessFileLoad, whose answer this is), then resets the
    // notate info. Only the states applied during the call are kept.
    int Attach();

    // Runs the commands as one batch (commands.h); the manager deletes them.
    void RunBatch(const std::vector<CCBase*>& commands);
    // Applies a state to the performance synchronously; it is deleted after
    // delivery.
    void SendState(SCBase* state);

    // notation_dump::DumpPiece of the attached performance.
    std::string Dump();

    MCOpusDoc* Document() { return m_parts.doc.get(); }
    ECPerformance* Performance() { return m_view.GetBaseEvent(); }
    ECConductor* Conductor();
    CCantrel& View() { return m_view; }
    CAutoNote& Engine() { return m_view.GetAutoNote(); }

    const std::vector<SeenState>& States() const { return m_states; }
    // The progress states (1801-1804) among them.
    std::vector<SeenState> Progress() const;
    void ClearStates() { m_states.clear(); }

private:
    static int OnCommand(ECBase* performance, int phase, void* batch, void* user);
    static int OnState(ECBase* performance, int code, void* data, void* user);
    void Answer(unsigned code);
    // What pagination does once it has read the notate info.
    void AfterRun() { Engine().GetNotateInfo().Reset(); }
    void Detach();

    doc_support::DocumentParts m_parts;   // made first, gone last
    CCantrel m_view;                      // leaves the document before it goes
    ECPerformance* m_pAttached = nullptr; // borrowed: the performance the handlers are on
    std::vector<SeenState> m_states;
};

}  // namespace notation_test
