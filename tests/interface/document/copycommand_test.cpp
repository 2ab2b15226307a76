// The copy command run by the document's command manager: what it keeps of
// the events it was given (the topmost ones on the first one's track, in
// time order), the description it sends with them, and what reaches the
// clipboard.
#include "interface/document/copycommand.h"
#include "model/eventtypes.h"
#include "model/notes.h"
#include "model/performance.h"
#include "tests/interface/document/doc_support.h"
#include "tests/platform/messaging_support.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <gtest/gtest.h>

#include <vector>

namespace {

class CopyCommand : public ::testing::Test, protected doc_support::DocumentParts {
protected:
    void SetUp() override {
        NewPiece();
        MCOpusDoc::SetActiveDoc(doc.get());
        // Something else on the clipboard, to see whether a copy replaced it.
        QGuiApplication::clipboard()->setText("before");
    }
    void TearDown() override { Release(m_events); }

    // Events outside a tree that have children hold their children and are
    // held by them: detached, they go with the list.
    static void Release(MCEventList& events) {
        for (POSITION pos = events.GetHeadPosition(); pos;)
            events.GetNext(pos)->RemoveChildren(1);
        events.RemoveAll();
    }

    template <class Event = ECNote>
    Event* Make(float time, int track) {
        auto* event = new Event;
        const MCTime t(time);
        event->SetTime(&t);
        event->SetVoiceTrack(0, track);
        m_events.AddEvent(event, UNSORTED);
        return event;
    }

    // Runs a copy of the made events at once; the command stays the test's.
    std::unique_ptr<CCCopy> RunCopy() {
        auto copy = std::make_unique<CCCopy>();
        copy->SetAutoDelete(0);
        copy->SetSynchronous(1);
        copy->SetDocument(doc.get());
        copy->Copy(&m_events);
        copy->Apply(doc->GetBaseEvent());
        // The batch's state carries the command: delivered while it lives.
        messaging_test::PumpPending();
        return copy;
    }

    std::vector<float> Times(const MCEventList& events) {
        std::vector<float> times;
        for (POSITION pos = events.GetHeadPosition(); pos;)
            times.push_back(events.GetNext(pos)->GetTime()->GetSeconds());
        return times;
    }

    MCEventList m_events;
};

TEST_F(CopyCommand, KeepsTheTopmostEventsOnTheFirstEventsTrackInTimeOrder) {
    Make(2.0f, 3);
    ECNote* earliest = Make(0.5f, 5);
    Make(3.0f, 5);
    auto* chord = Make<ECChord>(1.0f, 5);
    auto* inChord = new ECNote;
    inChord->SetTime(chord->GetTime());
    inChord->SetVoiceTrack(0, 5);
    chord->AddChild(inChord, SORTED);
    m_events.AddEvent(inChord, UNSORTED);   // under the chord: goes
    Make(1.5f, 3);
    Make(0.75f, 4);

    std::unique_ptr<CCCopy> copy = RunCopy();
    MCEventList* kept = copy->GetCopyList();
    EXPECT_EQ(Times(*kept), (std::vector<float>{0.5f, 1.0f, 3.0f}));
    EXPECT_EQ(kept->GetHead(), earliest);
    EXPECT_EQ(kept->Find(inChord), nullptr);
    EXPECT_EQ(copy->GetDataInfo()->GetEventType(), -2);   // notes and a chord
    EXPECT_EQ(copy->GetDataOut(), nullptr);               // the clipboard has it

    COleDataIn in(doc.get());
    MCEventList pasted;
    COleDataInfo info;
    ASSERT_EQ(in.GetOurData(&pasted, &info, OLEDATA_ATTACH_CLIPBOARD | OLEDATA_EVENTS | OLEDATA_INFO), 1);
    EXPECT_EQ(Times(pasted), (std::vector<float>{0.5f, 1.0f, 3.0f}));
    for (POSITION pos = pasted.GetHeadPosition(); pos;)
        EXPECT_EQ(pasted.GetNext(pos)->GetVoiceTrack()->GetTrack(), 5);
    EXPECT_EQ(info.GetEventType(), -2);
    Release(pasted);
}

TEST_F(CopyCommand, CarriesItsDescriptionAndTheCommonEventType) {
    Make(1.0f, 2);
    Make(0.0f, 2);
    auto copy = std::make_unique<CCCopy>();
    EXPECT_EQ(copy->GetCommandId(), CMD_COPY);
    EXPECT_EQ(copy->GetDocument(), nullptr);
    EXPECT_EQ(copy->SetCopyInfo(4, "tuplet", 6), 1);
    EXPECT_EQ(copy->SetCopyInfo(4, "other", 5), 0);
    ASSERT_NE(copy->GetCopyInfo(4), nullptr);
    EXPECT_EQ(std::string(static_cast<const char*>(copy->GetCopyInfo(4)), 6), "tuplet");
    EXPECT_EQ(copy->GetCopyInfo(5), nullptr);
    // Without a document the command makes its data source itself.
    copy->SetAutoDelete(0);
    copy->SetSynchronous(1);
    copy->Copy(&m_events);
    copy->Apply(doc->GetBaseEvent());
    messaging_test::PumpPending();

    COleDataIn in(doc.get());
    COleDataInfo info;
    ASSERT_EQ(in.GetOurData(nullptr, &info, OLEDATA_ATTACH_CLIPBOARD | OLEDATA_INFO), 1);
    EXPECT_EQ(info.GetEventType(), ET_NOTE);
    const void* data = nullptr;
    int size = 0;
    ASSERT_EQ(info.GetInfoItem(4, data, size), 1);
    EXPECT_EQ(std::string(static_cast<const char*>(data), static_cast<size_t>(size)), "tuplet");
}

TEST_F(CopyCommand, NothingToCopyLeavesTheClipboardAlone) {
    std::unique_ptr<CCCopy> copy = RunCopy();
    EXPECT_EQ(copy->VerifyEvents(), 0);
    EXPECT_NE(copy->GetDataOut(), nullptr);   // made by SetDocument, never handed over
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "before");
    COleDataIn in(doc.get());
    EXPECT_EQ(in.CheckForData(OLEDATA_ATTACH_CLIPBOARD), 0);
}

}  // namespace
