// The mixer tool window without its strips: its layout from its own template,
// docked at the bottom, the floating width it keeps, and the document it binds
// from the routed states.
// Before any Qt header: the model's headers name parameters "slots".
#include "tests/interface/document/doc_support.h"

#include "mixer/mixerwnd.h"

#include "model/preferences.h"
#include "model/states.h"
#include "sequencer/enginestates.h"
#include "platform/ui/controlbar.h"
#include "platform/ui/frame.h"
#include "platform/ui/metrics.h"

#include <gtest/gtest.h>

namespace {

// A frame with a plain window standing for the MDI client, 900 pixels wide.
class MixerFixture : public ::testing::Test {
protected:
    void SetUp() override {
        frame = new CFrameWnd;   // goes with its window
        ASSERT_TRUE(frame->Create(nullptr, "Main", WS_OVERLAPPEDWINDOW, CRect(0, 0, 1000, 700)));
        frame->ShowWindow(SW_SHOW);
        ASSERT_TRUE(client.Create(nullptr, "", WS_CHILD | WS_VISIBLE, CRect(0, 0, 900, 500), frame, 1));
    }
    void TearDown() override {
        if (frame)
            frame->DestroyWindow();   // the mixer with it
    }
    // The frame (and the mixer with it) goes now.
    void CloseFrame() {
        frame->DestroyWindow();
        frame = nullptr;
    }
    CMixerWnd* MakeMixer() { return new CMixerWnd(frame, &client); }   // goes with its window

    CFrameWnd* frame = nullptr;
    CWnd client;
};

TEST_F(MixerFixture, IsBuiltAtOnceAndDockedAtTheBottom) {
    CMixerWnd* mixer = MakeMixer();
    ASSERT_TRUE(mixer->GetSafeHwnd());
    EXPECT_TRUE(mixer->IsReady());
    EXPECT_EQ(mixer->GetState(), 1);
    EXPECT_FALSE(mixer->IsFloating());
    EXPECT_EQ(mixer->GetDockStyle(), CBRS_ALIGN_BOTTOM);
    std::string caption;
    mixer->GetWindowText(caption);
    EXPECT_EQ(caption, "Mixer");
    // The placeholders give their places and go.
    EXPECT_FALSE(mixer->GetDlgItem(IDC_MIXER_STRIP)->IsWindowVisible());
    EXPECT_FALSE(mixer->GetDlgItem(IDC_MIXER_MASTER)->IsWindowVisible());
    EXPECT_GT(mixer->GetStripSize().cx, 0);
    EXPECT_FALSE(mixer->GetMasterRect().IsRectEmpty());
    // Floating width: two thirds of the client's; height: a strip, a scroll
    // bar, two edges and 10.
    EXPECT_EQ(mixer->GetBarHeight(), GetSystemMetrics(SM_CYHSCROLL) + mixer->GetStripSize().cy +
                                         2 * GetSystemMetrics(SM_CYEDGE) + 10);
    EXPECT_EQ(LoadIntPreference("Components\\Mixer", "FloatWidth", -1), -1);
    CloseFrame();
    EXPECT_EQ(LoadIntPreference("Components\\Mixer", "FloatWidth", -1), static_cast<int>(0.667 * 900));
}

TEST_F(MixerFixture, SizesFollowTheRequests) {
    SaveIntPreference("Components\\Mixer", "FloatWidth", 420);
    CMixerWnd* mixer = MakeMixer();
    const int height = mixer->GetBarHeight();
    EXPECT_EQ(mixer->GetBarWidth(), 420);
    const struct { int length; DWORD mode; CSize size; } cases[] = {
        {0, LM_MRUWIDTH, {420, height}},
        {300, LM_HORZ, {300, height}},                // a new floating width
        {250, LM_HORZ | LM_LENGTHY, {300, height}},   // a height: the width stays
        {0, LM_HORZDOCK, {900, height}},              // docked: the client's width
        {0, LM_MRUWIDTH, {300, height}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(mixer->CalcDynamicLayout(c.length, c.mode), c.size) << c.mode << " " << c.length;
}

class MixerDocument : public MixerFixture, public doc_support::DocumentParts {};

TEST_F(MixerDocument, BindsTheActiveDocumentFromTheRoutedStates) {
    NewPiece();
    MCOpusDoc::SetActiveDoc(doc.get());
    CMixerWnd* mixer = MakeMixer();   // binds at once (1704)
    EXPECT_EQ(mixer->GetDocument(), doc.get());
    EXPECT_EQ(mixer->GetSequence(), doc->GetSequence());
    const struct { long code; bool active; bool bound; } cases[] = {
        {STATE_FILE_CLOSED, true, false},
        {STATE_FILE_OPENED, true, true},
        {STATE_FILE_CLOSED, true, false},
        {STATE_FILE_NEW, true, true},
        {STATE_PERFORM_STOP, false, true},   // not a binding state
        {STATE_SELECTION_ACTIVATE, false, false},
    };
    for (const auto& c : cases) {
        MCOpusDoc::SetActiveDoc(c.active ? doc.get() : nullptr);
        mixer->OnUpdate(c.code, nullptr);
        EXPECT_EQ(mixer->GetDocument(), c.bound ? doc.get() : nullptr) << c.code;
        EXPECT_EQ(mixer->GetSequence() != nullptr, c.bound) << c.code;
    }
}

}  // namespace
