// The notation test fixture.
#include "tests/notation/support/notation_fixture.h"

#include "interface/document/midiread.h"
#include "model/performance.h"
#include "notation/display/records.h"
#include "platform/core/archive.h"
#include "platform/core/file.h"
#include "tests/notation/support/dump.h"
#include "tests/notation/support/voicecheck.h"
#include "tests/platform/messaging_support.h"
#include "tests/notation/support/durationgate.h"

#include <fstream>
#include <iterator>

namespace notation_test {

NotationFixture::NotationFixture() {
    notation_test::StartPlugin();   // the display classes
}

NotationFixture::~NotationFixture() = default;

int NotationFixture::LoadMidi(const std::vector<uint8_t>& bytes) {
    // The read replaces the document's performance, and the old one may be
    // freed by the document's release thread at any moment after: the
    // driver lets go of it first.
    m_driver.Detach();
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
    ECPerformance* performance = Document()->GetBaseEvent();
    if (!performance) {
        ADD_FAILURE() << "the document has no performance";
        return 0;
    }
    if (!m_view.GetDocument())
        Document()->AddView(&m_view);
    const int answer = m_driver.Attach(performance);
    CheckAfterRun();
    return answer;
}

void NotationFixture::RunBatch(const std::vector<CCBase*>& commands) {
    EXPECT_EQ(m_driver.RunBatch(commands), 1);
    CheckAfterRun();
}

void NotationFixture::SendState(SCBase* state) {
    m_driver.SendState(state);
    CheckAfterRun();
}

void NotationFixture::Notify(SCBase& state) {
    m_driver.Notify(state);
    CheckAfterRun();
}

void NotationFixture::CheckAfterRun() {
    EXPECT_TRUE(notation_check::NoOverlapsInVoices(Conductor()));
    EXPECT_TRUE(notation_check::VoicesFillTheirMeasures(Conductor()));
    EXPECT_TRUE(notation_check::NotesAreNotated(Conductor()));
    EXPECT_TRUE(notation_check::TiesJoinNeighbours(Conductor()));
}

std::string NotationFixture::Dump() {
    return notation_dump::DumpPiece(Conductor());
}

ECConductor* NotationFixture::Conductor() {
    return Performance() ? Performance()->GetConductor() : nullptr;
}

}  // namespace notation_test
