// The document: its header bytes, the selections and transport state it keeps
// from notifications, the views it passes them to, the active document, and
// the release of closed trees.
#include "interface/document/opusdoc.h"
#include "model/appstates.h"
#include "model/editstates.h"
#include "model/notes.h"
#include "model/performance.h"
#include "model/states.h"
#include "platform/core/archive.h"
#include "platform/core/file.h"
#include "tests/interface/document/doc_support.h"
#include "tests/platform/file_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

// ---------------------------------------------------------------- header

struct HeaderCase {
    std::vector<uint8_t> bytes;
    int format;
    int version;
    uint64_t consumed;
};

TEST(MCOpusHeader, ReadsTheMagicAndVersion) {
    const HeaderCase cases[] = {
        {{'M', 'M', 'M', 'F', 2, 0, 0, 0, 0xAA}, DF_NATIVE, 2, 8},
        {{'O', 'P', 'U', 'S', 0xAA, 0xBB}, DF_NATIVE, 0, 4},
        {{'M', 'T', 'h', 'd', 0, 0, 0, 6}, DF_UNKNOWN, -1, 4},
        {{'M', 'M'}, DF_UNKNOWN, -1, 2},
    };
    for (const HeaderCase& c : cases) {
        CMemFile file(c.bytes);
        {
            CArchive ar(&file, CArchive::load);
            MCOpusHeader header;
            header.Serialize(ar);
            EXPECT_EQ(header.GetFormat(), c.format);
            EXPECT_EQ(header.GetVersion(), c.version);
            ar.Close();
        }
        EXPECT_EQ(file.GetPosition(), c.consumed);
    }
}

TEST(MCOpusHeader, WritesMagicAndVersionWhateverTheFormat) {
    MCOpusHeader header;
    header.SetFormat(DF_MIDI_TYPE1);
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        header.Serialize(ar);
        ar.Close();
    }
    EXPECT_EQ(file.Detach(), (std::vector<uint8_t>{'M', 'M', 'M', 'F', 2, 0, 0, 0}));
}

// ---------------------------------------------------------------- the document

// A view that records every update it receives.
class RecordingView : public CView {
public:
    struct Update {
        long hint;
        CObject* object;
    };
    void OnUpdate(CView*, long hint, CObject* object) override { updates.push_back({hint, object}); }
    std::vector<Update> updates;
};

class MCOpusDocTest : public ::testing::Test, public doc_support::DocumentParts {
protected:
    void SetUp() override { NewPiece(); }

    ECNote* AddNote(float time) {
        auto* note = new ECNote;
        MCTime at(time);
        note->SetTime(&at);
        doc->GetBaseEvent()->AddChild(note, 1);
        return note;
    }
    void Select(unsigned code, std::initializer_list<ECBase*> events) {
        auto* state = new SCSelection(code);
        for (ECBase* event : events)
            state->AddToSelection(event);
        state->Apply(doc->GetBaseEvent());
    }
    static std::vector<ECBase*> Events(SCSelection& selection) {
        std::vector<ECBase*> events;
        MCEventList& list = selection.GetEvents(0);
        for (POSITION pos = list.GetHeadPosition(); pos;)
            events.push_back(list.GetNext(pos));
        return events;
    }
};

TEST_F(MCOpusDocTest, StartsAsANewPiece) {
    EXPECT_EQ(doc->GetHeader()->GetFormat(), DF_UNKNOWN);
    EXPECT_EQ(doc->GetHeader()->GetVersion(), 2);
    ASSERT_NE(doc->GetBaseEvent(), nullptr);
    EXPECT_EQ(doc->GetBaseEvent()->GetVersion(), 2);
    EXPECT_NE(doc->GetSequence()->GetConductor(), nullptr);
    EXPECT_EQ(&doc->GetSelection(0), &doc->GetSelection(0));
    EXPECT_NE(&doc->GetSelection(0), &doc->GetSelection(5));
    EXPECT_EQ(doc->GetPerformState().GetCode(), unsigned(STATE_PERFORM_STOP));
    EXPECT_FALSE(doc->IsModified());
}

TEST_F(MCOpusDocTest, SelectionsKeepThePreviousOneAsAFullCopy) {
    ECNote* a = AddNote(0);
    ECNote* b = AddNote(1);
    ECNote* c = AddNote(2);
    Select(STATE_SELECTION_REPLACE, {a, b});
    EXPECT_EQ(Events(doc->GetSelection(0)), (std::vector<ECBase*>{a, b}));

    Select(STATE_SELECTION_REPLACE, {c});
    EXPECT_EQ(Events(doc->GetSelection(0)), (std::vector<ECBase*>{c}));
    EXPECT_EQ(Events(doc->GetSelection(1)), (std::vector<ECBase*>{a, b}));

    Select(STATE_SELECTION_ADD, {a});
    EXPECT_EQ(Events(doc->GetSelection(0)), (std::vector<ECBase*>{a, c}));
    EXPECT_EQ(Events(doc->GetSelection(1)), (std::vector<ECBase*>{c}));

    Select(STATE_SELECTION_REMOVE, {c});
    EXPECT_EQ(Events(doc->GetSelection(0)), (std::vector<ECBase*>{a}));

    Select(STATE_SELECTION_CLEAR, {});
    EXPECT_TRUE(doc->GetSelection(0).IsEmpty());
    EXPECT_EQ(Events(doc->GetSelection(1)), (std::vector<ECBase*>{a}));
}

TEST_F(MCOpusDocTest, TransportAndEditsAreKeptAndEveryStateReachesTheViews) {
    RecordingView first, second;
    doc->AddView(&first);
    doc->AddView(&second);

    // Pause while stopped: a transport code the idle sequence takes quietly.
    auto* pause = new SCPerform(STATE_PERFORM_PAUSE);
    pause->SetAsynchronous(0);
    pause->Apply(doc->GetBaseEvent());
    (new SCEventEdit(STATE_EVENTS_EDITED))->Apply(doc->GetBaseEvent());

    EXPECT_EQ(doc->GetPerformState().GetCode(), unsigned(STATE_PERFORM_PAUSE));
    EXPECT_TRUE(doc->IsModified());
    for (RecordingView* view : {&first, &second}) {
        std::vector<long> hints;
        for (const auto& update : view->updates)
            hints.push_back(update.hint);
        EXPECT_NE(std::find(hints.begin(), hints.end(), long(STATE_PERFORM_PAUSE)), hints.end());
        EXPECT_NE(std::find(hints.begin(), hints.end(), long(STATE_EVENTS_EDITED)), hints.end());
    }
    auto* stop = new SCPerform(STATE_PERFORM_STOP);
    stop->SetAsynchronous(0);
    stop->Apply(doc->GetBaseEvent());
    EXPECT_EQ(doc->GetPerformState().GetCode(), unsigned(STATE_PERFORM_STOP));
    doc->RemoveView(&first);
    doc->RemoveView(&second);
}

TEST_F(MCOpusDocTest, TheActiveDocumentCarriesItsPerformance) {
    std::unique_ptr<MCOpusDoc> other = MakeDocument();
    other->OnNewDocument();

    EXPECT_EQ(MCOpusDoc::SetActiveDoc(doc.get()), nullptr);
    EXPECT_EQ(ECPerformance::GetActivePerformance(), doc->GetBaseEvent());

    // The active document again: returned, nothing touched.
    ECPerformance::SetActivePerformance(nullptr);
    EXPECT_EQ(MCOpusDoc::SetActiveDoc(doc.get()), doc.get());
    EXPECT_EQ(ECPerformance::GetActivePerformance(), nullptr);

    EXPECT_EQ(MCOpusDoc::SetActiveDoc(other.get()), doc.get());
    EXPECT_EQ(ECPerformance::GetActivePerformance(), other->GetBaseEvent());

    // Closing another document leaves the active one; closing the active one
    // leaves none.
    doc->OnCloseDocument();
    EXPECT_EQ(MCOpusDoc::GetActiveDoc(), other.get());
    other->OnCloseDocument();
    EXPECT_EQ(MCOpusDoc::GetActiveDoc(), nullptr);
    EXPECT_EQ(ECPerformance::GetActivePerformance(), nullptr);
}

TEST_F(MCOpusDocTest, ClosingAnnouncesItAndReleasesTheTreeOnAThreadOfItsOwn) {
    RecordingView view;
    doc->AddView(&view);
    ECPerformance* performance = doc->GetBaseEvent();
    // Something else holds the tree too, to see the release thread let go.
    performance->Ref();
    for (int i = 0; i < 2000; ++i)
        AddNote(float(i));

    bool closedSeen = false;
    struct Probe : CView {
        bool* seen;
        void OnUpdate(CView*, long hint, CObject*) override { *seen |= hint == STATE_FILE_CLOSED; }
    } probe;
    probe.seen = &closedSeen;
    doc->AddView(&probe);

    doc->OnCloseDocument();
    EXPECT_TRUE(closedSeen);
    EXPECT_EQ(doc->GetBaseEvent(), nullptr);
    EXPECT_EQ(view.GetDocument(), nullptr);
    MCOpusDoc::WaitThreadsFinished(0);
    EXPECT_EQ(MCOpusDoc::GetCloseThreadCount(), 0);
    EXPECT_TRUE(performance->GetChildren()->IsEmpty());
    performance->Unref(1);
}

TEST_F(MCOpusDocTest, ADocumentOpenedThroughATemporaryCopyDeletesIt) {
    file_test::TempFolder folder;
    const std::string copy = folder.File("MMM123.tmp");
    file_test::WriteText(copy, "copy");
    doc->SetTempCopyPath(copy);
    doc.reset();
    CFileStatus status;
    EXPECT_FALSE(CFile::GetStatus(copy, status));
}

TEST_F(MCOpusDocTest, SetPathNameStoresTheFilesStatusInTheHeader) {
    file_test::TempFolder folder;
    const std::string path = folder.File("piece.mmm");
    file_test::WriteText(path, "12345");
    doc->SetPathName(path.c_str());
    EXPECT_EQ(doc->GetPathName(), path);
    EXPECT_EQ(doc->GetTitle(), "piece.mmm");
    EXPECT_EQ(doc->GetHeader()->GetStatus().m_size, 5u);
    doc->SetPathName(nullptr);
    EXPECT_EQ(doc->GetPathName(), "");
}

}   // namespace
