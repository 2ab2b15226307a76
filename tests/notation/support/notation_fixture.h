// The notation test fixture: a MIDI file read into a document by the
// program's MIDI reader, shown in a notation view (CCantrel), and notated by
// the view's engine the way the view drives it (viewdriver.h: the command
// phases, the states, the notate info reset after each run); then a dump
// (dump.h) to compare with a golden file (golden.h).
//
// In: a `.mid` under tests/data/notation/ (LoadMidiFile) or bytes a test
// builds from a note table with tests/support/smf_support.h (LoadMidi). The
// load leaves the document unmodified, as opening a file does, and attaches
// its performance, which notates it whole (ProcessFileLoad).
//
// After every run it drives (the attachment, a batch, a state) the fixture
// runs the checks of voicecheck.h (no two notes of one voice overlap, every
// voice fills its measure, every note is notated, every tie joins
// neighbours): a failure of the test that names staff, measure and what is
// wrong.
//
// The document uses the engine's capture devices and a manual clock
// (doc_support::DocumentParts). User-interface thread (the test's).
#pragma once

#include "notation/view/cantrel.h"
#include "tests/interface/document/doc_support.h"
#include "tests/notation/support/viewdriver.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

class ECConductor;

namespace notation_test {

class NotationFixture : public ::testing::Test {
protected:
    NotationFixture();
    ~NotationFixture() override;

    // Reads the file into the document (the reader's answer, 1 when read)
    // and, when read, attaches it.
    int LoadMidi(const std::vector<uint8_t>& bytes);
    int LoadMidiFile(const std::string& path);

    // Attaches the document's performance to the view (ViewDriver::Attach):
    // the answer of ProcessFileLoad.
    int Attach();

    void RunBatch(const std::vector<CCBase*>& commands);
    void SendState(SCBase* state);
    void Notify(SCBase& state);

    // notation_dump::DumpPiece of the attached performance.
    std::string Dump();

    MCOpusDoc* Document() { return m_parts.doc.get(); }
    ECPerformance* Performance() { return m_view.GetBaseEvent(); }
    ECConductor* Conductor();
    CCantrel& View() { return m_view; }
    CAutoNote& Engine() { return m_view.GetAutoNote(); }
    // The document's devices and clock: playback is captured there.
    doc_support::DocumentParts& Parts() { return m_parts; }

    const std::vector<SeenState>& States() const { return m_driver.States(); }
    std::vector<SeenState> Progress() const { return m_driver.Progress(); }
    void ClearStates() { m_driver.ClearStates(); }

private:
    // The checks every run must pass.
    void CheckAfterRun();

    doc_support::DocumentParts m_parts;   // made first, gone last
    CCantrel m_view;                      // leaves the document before it goes
    ViewDriver m_driver{m_view};          // detaches first
};

}  // namespace notation_test
