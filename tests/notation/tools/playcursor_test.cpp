// The view's tool per edit mode, and the play cursor: made when playback
// starts, drawn at the time's place in the "Highlight" colour as time
// states arrive, erased and deleted when playback stops.
#include "notation/tools/playcursor.h"

#include "model/preferences.h"
#include "notation/tools/selectcursor.h"
#include "platform/core/profile.h"
#include "platform/ui/caret.h"
#include "platform/ui/uiresources.h"
#include "sequencer/enginestates.h"
#include "tests/notation/tools/toolview_support.h"

#include <gtest/gtest.h>

namespace {

constexpr UINT IDR_PLAY_MAIN = 29903;
constexpr UINT IDR_PLAY_DOC = 29904;
const MenuTemplate kMainMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_NEW, "&New"}}}}};
MENU_RESOURCE(IDR_PLAY_MAIN, kMainMenu);
const MenuTemplate kDocMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_CLOSE, "&Close"}}}}};
MENU_RESOURCE(IDR_PLAY_DOC, kDocMenu);

constexpr int kQuarter = 256;   // display ticks

class ViewToolTest : public tool_test::ToolView {
protected:
    ViewToolTest() : ToolView(IDR_PLAY_MAIN, IDR_PLAY_DOC) {}
    void Send(unsigned code) {
        SCBase state(code);
        document->UpdateAllViews(nullptr, static_cast<long>(code), &state);
    }
    void SendTime(const MCTime& time) {
        SCTime state(STATE_TIME_POSITION, time);
        document->UpdateAllViews(nullptr, STATE_TIME_POSITION, &state);
    }
};

TEST_F(ViewToolTest, EachModeGetsItsToolAndInsertWithoutAPrototypeNone) {
    ASSERT_TRUE(OpenPiece());
    EXPECT_NE(dynamic_cast<CSelectCursor*>(view->GetMusicCursor()), nullptr);
    SCMode::s_nMode = STATE_MODE_ERASE;
    Send(STATE_MODE_ERASE);
    EXPECT_NE(dynamic_cast<CEraseCursor*>(view->GetMusicCursor()), nullptr);
    EXPECT_NE(view->GetMusicCursor()->GetCursor(), LoadStandardCursor(IDC_ARROW)) << "the eraser's picture";

    SCMode::s_nMode = STATE_MODE_INSERT;
    Send(STATE_MODE_INSERT);
    ASSERT_EQ(view->GetMusicCursor(), nullptr);
    // Moves, clicks and the blink timer then change nothing.
    const QImage before = Surface().copy();
    Click(HeadPoint(Notes(2)[0]));
    view->SendMessage(WM_TIMER, CCantrel::ID_TIMER_BLINK, 0);
    Settle();
    EXPECT_TRUE(Selected().empty());
    EXPECT_EQ(log.Count(STATE_STATUS_TEXT), 0);
    EXPECT_EQ(Surface(), before);
}

TEST_F(ViewToolTest, WithFiveStatusTasksAliveMovingSendsNoStatus) {
    ASSERT_TRUE(OpenPiece());
    std::vector<std::unique_ptr<SCStatus>> alive;
    while (SCStatus::s_actionCount < CMusicCursor::kMaxStatusTasks)
        alive.push_back(std::make_unique<SCStatus>(STATE_PROGRESS_STEP));
    Move(StaffPoint(2, kQuarter));
    Settle();
    EXPECT_EQ(log.Count(STATE_STATUS_TEXT), 0);
    alive.clear();
    Move(StaffPoint(2, 2 * kQuarter));
    Settle();
    EXPECT_EQ(log.Count(STATE_STATUS_TEXT), 1);
}

TEST(CaretBlink, IsHalfTheDesktopsFlashPeriod) {
    const UINT blink = GetCaretBlinkTime();
    EXPECT_GT(blink, 0u);
    EXPECT_LE(blink, 1000u);
}

TEST_F(ViewToolTest, ThePlayCursorStandsAtTheBeatInTheHighlightColourUntilStop) {
    const COLORREF red = 0x0000FF;
    SaveIntPreference("Settings\\Color", "Highlight", static_cast<int>(red));
    ASSERT_TRUE(OpenPiece());
    ASSERT_EQ(view->GetPlayCursor(), nullptr);
    Send(STATE_PERFORM_PLAY);
    ASSERT_NE(view->GetPlayCursor(), nullptr);
    EXPECT_EQ(view->GetPlayCursor()->GetColor(), red);
    CProfile::Application().DeleteKey("Settings\\Color", "Highlight");

    // Beat 3 of measure 2: six quarters from the start.
    const QImage before = Surface().copy();
    SendTime(MCTime(6.0f));
    Settle();
    ASSERT_FALSE(log.statusTexts.empty());
    EXPECT_EQ(log.statusTexts.back(), "002:03:000");
    const CPoint top = ToDevice(BeatTop(2, 2 * kQuarter));
    const CRect measure(ToDevice(FrameOf(Measure(2)).TopLeft()), ToDevice(FrameOf(Measure(2)).BottomRight()));
    const int low = std::min(measure.top, measure.bottom), high = std::max(measure.top, measure.bottom);
    EXPECT_GT(ColourRun(top.x, low, high, Rgb(red)), (high - low) / 2) << "a solid line at the beat";
    EXPECT_EQ(ColourRun(top.x + 3, low, high, Rgb(red)), 0) << "one pixel wide";

    Send(STATE_PERFORM_STOP);
    EXPECT_EQ(view->GetPlayCursor(), nullptr);
    EXPECT_EQ(ColourRun(top.x, low, high, Rgb(red)), 0) << "the column shows the score again";
    for (int y = low; y <= high; ++y)
        EXPECT_EQ(Surface().pixel(top.x, y), before.pixel(top.x, y)) << y;
}

TEST_F(ViewToolTest, ARepaintWhilePlayingKeepsTheLine) {
    ASSERT_TRUE(OpenPiece());
    Send(STATE_PERFORM_PLAY);
    SendTime(MCTime(6.0f));
    Settle();
    const COLORREF colour = view->GetPlayCursor()->GetColor();
    const CPoint top = ToDevice(BeatTop(2, 2 * kQuarter));
    const CRect measure(ToDevice(FrameOf(Measure(2)).TopLeft()), ToDevice(FrameOf(Measure(2)).BottomRight()));
    const int low = std::min(measure.top, measure.bottom), high = std::max(measure.top, measure.bottom);
    const int drawn = ColourRun(top.x, low, high, Rgb(colour));
    ASSERT_GT(drawn, (high - low) / 2);
    // A window uncovered, or the score drawn again, while the time stands still.
    view->Invalidate(FALSE);
    view->UpdateWindow();
    EXPECT_EQ(ColourRun(top.x, low, high, Rgb(colour)), drawn);
    Send(STATE_PERFORM_STOP);
}

TEST_F(ViewToolTest, ATimeBeyondTheLastMeasureLeavesTheLine) {
    ASSERT_TRUE(OpenPiece());
    Send(STATE_PERFORM_PLAY);
    CPlayCursor* cursor = view->GetPlayCursor();
    SendTime(MCTime(6.0f));
    const MCLine line = cursor->GetLine();
    EXPECT_FALSE(line.IsEmpty());
    Settle();
    log.Clear();
    SendTime(MCTime(4000.0f));
    Settle();
    EXPECT_EQ(cursor->GetLine(), line);
    EXPECT_TRUE(log.statusTexts.empty());
    Send(STATE_PERFORM_STOP);
}

}  // namespace

namespace {

class PlayingViewTest : public ViewToolTest {
protected:
    // The clock run on by `ms` in 5 ms steps, the device thread and the
    // user-interface loop keeping up after each.
    void Run(int ms) {
        for (int done = 0; done < ms; done += 5) {
            clock.Advance(5);
            portavel->WaitForDeviceThread();
            messaging_test::PumpPending();
        }
        Settle();
    }
    // The clock run on until the status reads `text` (at most `limitMs`):
    // playback starts at the device thread's next tick, a little after the
    // command.
    void RunUntilStatus(const std::string& text, int limitMs) {
        for (int done = 0; done < limitMs; done += 5) {
            if (!log.statusTexts.empty() && log.statusTexts.back() == text)
                return;
            Run(5);
        }
    }
    void Perform(unsigned code) {
        (new SCPerform(code))->Apply(performance);
        Settle();
    }
};

}  // namespace

// The document played on the capture devices: the clock runs about three
// seconds (six quarters at 120 a minute), to beat 3 of measure 2, where the line
// stands in the "Highlight" colour; Stop takes it away.
TEST_F(PlayingViewTest, PlayingToBeatThreeOfMeasureTwoDrawsTheLineThereAndStopErasesIt) {
    const COLORREF red = 0x0000FF;
    SaveIntPreference("Settings\\Color", "Highlight", static_cast<int>(red));
    ASSERT_TRUE(OpenPiece());
    Perform(STATE_PERFORM_PLAY);
    CProfile::Application().DeleteKey("Settings\\Color", "Highlight");
    ASSERT_NE(view->GetPlayCursor(), nullptr);
    RunUntilStatus("002:03:000", 4000);
    ASSERT_FALSE(log.statusTexts.empty());
    EXPECT_EQ(log.statusTexts.back(), "002:03:000");
    const CPoint top = ToDevice(BeatTop(2, 2 * kQuarter));
    const CRect measure(ToDevice(FrameOf(Measure(2)).TopLeft()), ToDevice(FrameOf(Measure(2)).BottomRight()));
    const int low = std::min(measure.top, measure.bottom), high = std::max(measure.top, measure.bottom);
    EXPECT_GT(ColourRun(top.x, low, high, Rgb(red)), (high - low) / 2) << "a solid line at the beat";

    Perform(STATE_PERFORM_STOP);
    Run(50);
    EXPECT_EQ(view->GetPlayCursor(), nullptr);
    EXPECT_EQ(ColourRun(top.x, low, high, Rgb(red)), 0) << "the column shows the score again";
}
