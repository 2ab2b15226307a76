// The frame with documents: a state without a performance reaches every
// document once and the children once; the devices close when the program
// loses the activation and open again (every MIDI device, no wave device)
// when it comes back; Space plays and stops under Scroll Lock, and enters a
// rest while step recording.
#include "app/mainframe.h"

#include "model/appstates.h"
#include "platform/ui/doctemplate.h"
#include "platform/ui/keys.h"
#include "tests/app/frame_support.h"
#include "tests/interface/document/doc_support.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <vector>

namespace {

using frame_test::MainFrameTest;

// Three new pieces held by a template of the application, each counting the
// states its performance delivers, by code.
class FrameWithDocuments : public MainFrameTest {
protected:
    void SetUp() override {
        MainFrameTest::SetUp();
        docTemplate = new CMultiDocTemplate(131, RUNTIME_CLASS(MCOpusDoc), RUNTIME_CLASS(CMDIChildWnd), nullptr);
        app.AddDocTemplate(docTemplate);
        for (int i = 0; i < 3; ++i) {
            docs.push_back(doc_support::DocumentParts::MakeDocument());
            docs.back()->OnNewDocument();
            docTemplate->AddDocument(docs.back().get());
            docs.back()->GetBaseEvent()->AddStateHandler(&FrameWithDocuments::Count, &counts[i]);
        }
    }
    void TearDown() override {
        // A document stopped while the clock stands still waits for the player's
        // next poll: let the clock run until every player is idle.
        for (int step = 0; step < 100 && AnyBusy(); ++step) {
            clock.Advance(10);
            QCoreApplication::processEvents();
        }
        for (auto& doc : docs) {
            docTemplate->RemoveDocument(doc.get());
            doc.reset();
        }
        MCOpusDoc::WaitThreadsFinished(0);
        MainFrameTest::TearDown();
    }

    bool AnyBusy() const {
        for (const auto& doc : docs)
            if ((doc->GetSequence()->GetState() & 0x1001) != 0x1001)
                return true;
        return false;
    }

    static int Count(ECBase*, int, void* state, void* user) {
        ++(*static_cast<std::map<long, int>*>(user))[static_cast<long>(static_cast<SCBase*>(state)->GetCode())];
        return 0;
    }

    CManualClock clock{1000};
    CCaptureBackend* capture = nullptr;   // owned by the device library
    std::unique_ptr<CPortavel> portavel = engine_support::OpenCapture(capture, true);
    CMultiDocTemplate* docTemplate = nullptr;   // the application's
    std::vector<std::unique_ptr<MCOpusDoc>> docs;
    std::map<long, int> counts[3];
};

TEST_F(FrameWithDocuments, PreferenceChangeReachesEachDocumentOnceAndEachChildOnce) {
    frame->ActivateFrame(SW_SHOW);
    frame->reached.clear();
    auto* prefs = new SCPrefs();
    prefs->SetAsynchronous(0);
    prefs->Apply(nullptr);   // no performance: the frame gets it as WM_MCSTATEMGR
    for (const auto& count : counts)
        EXPECT_EQ(count.count(STATE_PREFS_CHANGED) ? count.at(STATE_PREFS_CHANGED) : 0, 1);
    std::map<RouteChild, int> perChild;
    for (const auto& [child, code] : frame->reached)
        if (code == STATE_PREFS_CHANGED)
            ++perChild[child];
    const int expected = frame->GetMixerWnd() ? ROUTE_CHILDREN : ROUTE_CHILDREN - 1;
    EXPECT_EQ(static_cast<int>(perChild.size()), expected);
    for (const auto& [child, times] : perChild)
        EXPECT_EQ(times, 1) << "child " << child;
}

TEST_F(FrameWithDocuments, ActivationClosesAndReopensTheDevices) {
    frame->SendMessage(WM_ACTIVATEAPP, FALSE, 0);
    for (int index = 0; index < 2; ++index)
        EXPECT_FALSE(capture->IsOpen(PV_MIDI, PV_OUTPUT, index)) << index;
    EXPECT_FALSE(capture->IsOpen(PV_WAVE, PV_OUTPUT, 0));

    frame->SendMessage(WM_ACTIVATEAPP, TRUE, 0);
    for (int index = 0; index < 2; ++index) {
        EXPECT_TRUE(capture->IsOpen(PV_MIDI, PV_OUTPUT, index)) << index;
        EXPECT_TRUE(capture->IsOpen(PV_MIDI, PV_INPUT, index)) << index;
    }
    EXPECT_FALSE(capture->IsOpen(PV_WAVE, PV_OUTPUT, 0));
    EXPECT_FALSE(capture->IsOpen(PV_WAVE, PV_INPUT, 0));

    // While one document plays, switching programs leaves the devices alone.
    auto* play = new SCPerform(STATE_PERFORM_PLAY);
    play->SetAsynchronous(0);
    play->Apply(docs[2]->GetBaseEvent());
    ASSERT_TRUE(docs[2]->GetSequence()->GetState() & 0x30);
    frame->SendMessage(WM_ACTIVATEAPP, FALSE, 0);
    EXPECT_TRUE(capture->IsOpen(PV_MIDI, PV_OUTPUT, 0));
    auto* stop = new SCPerform(STATE_PERFORM_STOP);
    stop->SetAsynchronous(0);
    stop->Apply(docs[2]->GetBaseEvent());
}

}  // namespace

namespace {

TEST_F(FrameWithDocuments, SpaceUnderScrollLockPlaysThenStops) {
    MCOpusDoc::SetActiveDoc(docs[0].get());
    auto space = [this](bool repeat) {
        MSG msg;
        msg.hwnd = frame->m_hWnd;
        msg.message = WM_KEYDOWN;
        msg.wParam = VK_SPACE;
        msg.lParam = repeat ? 0x40000001 : 1;
        const BOOL consumed = frame->PreTranslateMessage(&msg);
        QCoreApplication::sendPostedEvents();
        return consumed != FALSE;
    };
    auto toggleScrollLock = [] {
        platform_detail::NoteKey(VK_SCROLL, true, false);
        platform_detail::NoteKey(VK_SCROLL, false, false);
    };
    ASSERT_FALSE(GetKeyState(VK_SCROLL) & 1);
    EXPECT_FALSE(space(false));   // Scroll Lock off: the key goes on to the focus
    EXPECT_EQ(counts[0][STATE_PERFORM_PLAY], 0);

    toggleScrollLock();
    EXPECT_TRUE(space(false));
    EXPECT_EQ(counts[0][STATE_PERFORM_PLAY], 1);
    EXPECT_FALSE(space(true));    // held down: the repeats change nothing
    EXPECT_EQ(counts[0][STATE_PERFORM_PLAY], 1);
    EXPECT_EQ(counts[0][STATE_PERFORM_STOP], 0);
    // Playing now: Space stops.
    ASSERT_TRUE(docs[0]->GetSequence()->GetState() & 0x30) << std::hex << docs[0]->GetSequence()->GetState();
    EXPECT_TRUE(space(false));
    EXPECT_EQ(counts[0][STATE_PERFORM_STOP], 1);
    toggleScrollLock();
    MCOpusDoc::SetActiveDoc(nullptr);
}

TEST_F(FrameWithDocuments, SpaceDuringStepRecordingEntersARest) {
    MCOpusDoc::SetActiveDoc(docs[0].get());
    CSequence* sequence = docs[0]->GetSequence();
    sequence->Step();
    sequence->Record();
    ASSERT_TRUE(sequence->GetState() & 0x20000) << std::hex << sequence->GetState();   // step recording
    // Asking the step time moves it on, so the start is read from the location.
    const float before = sequence->GetLocation().GetSeconds();
    const float step = sequence->GetStepRecordValue().GetSeconds();
    ASSERT_GT(step, 0.0f);

    MSG msg;
    msg.hwnd = frame->m_hWnd;
    msg.message = WM_KEYDOWN;
    msg.wParam = VK_SPACE;
    msg.lParam = 1;
    EXPECT_TRUE(frame->PreTranslateMessage(&msg));   // whatever Scroll Lock says
    // The rest took one step: the location is the next step's.
    EXPECT_FLOAT_EQ(sequence->GetLocation().GetSeconds(), before + step);
    EXPECT_EQ(counts[0][STATE_PERFORM_PLAY], 0);
    sequence->Stop();
    MCOpusDoc::SetActiveDoc(nullptr);
}

}  // namespace
