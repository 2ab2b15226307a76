// The main frame: its bars at creation, the first activation, the routing of
// states to its children, the status bar's progress, the transport bar and
// masks, Window Close All, web links.
#include "app/mainframe.h"

#include "model/appstates.h"
#include "model/preferences.h"
#include "platform/core/filesys.h"
#include "interface/glyphbox/glyphbox.h"
#include "interface/inspector/inspector.h"
#include "platform/ui/metrics.h"
#include "platform/ui/scrollctrl.h"
#include "platform/ui/syscolor.h"
#include "interface/controls/imagemgr.h"
#include "interface/controls/palette.h"
#include "tests/app/frame_support.h"

#include <QWidget>

#include <gtest/gtest.h>

namespace {

using frame_test::MainFrameTest;

TEST_F(MainFrameTest, CreationMakesTheBarsAndTheStatusBar) {
    const struct { CControlBar* bar; const char* title; } bars[] = {
        {&frame->GetFileBar(), "File"},
        {&frame->GetMusicEditBar(), "Music Edit"},
        {&frame->GetTransportBar(), "Transport Controls"},
    };
    for (const auto& b : bars) {
        ASSERT_NE(b.bar->GetWidget(), nullptr) << b.title;
        std::string title;
        b.bar->GetWindowText(title);
        EXPECT_EQ(title, b.title);
    }
    EXPECT_EQ(frame->GetStatusBar().GetCount(), 4);
    ASSERT_NE(frame->GetStatusBar().GetProgressCtrl(), nullptr);
    EXPECT_FALSE(frame->GetStatusBar().GetProgressCtrl()->IsWindowVisible());
    // The File bar's controls carry the command ids.
    for (UINT id : {57600u, 57601u, 57603u, 57607u})
        EXPECT_NE(frame->GetFileBar().GetDlgItem(static_cast<int>(id)), nullptr) << id;
    // No tool window before the first activation.
    EXPECT_EQ(frame->GetMusicWnd(), nullptr);
    EXPECT_EQ(frame->GetPropertiesWnd(), nullptr);
}

TEST_F(MainFrameTest, FirstActivationMaximizesOverTheWorkAreaLessThirty) {
    frame->ActivateFrame(SW_SHOW);
    EXPECT_TRUE(frame->IsFirstActivationDone());
    EXPECT_TRUE(frame->GetWidget()->isMaximized());
    WINDOWPLACEMENT placement;
    ASSERT_TRUE(frame->GetWindowPlacement(&placement));
    const DesktopRect work = GetWorkArea();
    EXPECT_EQ(placement.rcNormalPosition.left, work.left + 30);
    EXPECT_EQ(placement.rcNormalPosition.top, work.top + 30);
    EXPECT_EQ(placement.rcNormalPosition.right, work.right - 30);
    EXPECT_EQ(placement.rcNormalPosition.bottom, work.bottom - 30);
    // The tool windows exist now; the tip number moved on from the default.
    EXPECT_NE(frame->GetMusicWnd(), nullptr);
    EXPECT_NE(frame->GetPropertiesWnd(), nullptr);
    EXPECT_EQ(GetProfileInt("Settings\\Tips", "TipNumber", 0), 2);
}

TEST_F(MainFrameTest, StoredMinimizedPlacementComesBackMaximized) {
    WINDOWPLACEMENT stored;
    stored.showCmd = SW_SHOWMINIMIZED;
    // Wide enough for the four bars in one row, the frame's least width.
    stored.rcNormalPosition = DesktopRect{100, 100, 900, 500};
    ASSERT_TRUE(SaveWindowPrefs("Main", stored));
    frame->ActivateFrame(SW_SHOW);
    EXPECT_TRUE(frame->GetWidget()->isMaximized());
    WINDOWPLACEMENT placement;
    ASSERT_TRUE(frame->GetWindowPlacement(&placement));
    EXPECT_EQ(placement.rcNormalPosition.left, 130);
    EXPECT_EQ(placement.rcNormalPosition.right, 870);
}

TEST_F(MainFrameTest, EachCodeReachesTheChildrenOfItsRow) {
    frame->ActivateFrame(SW_SHOW);
    // Music Edit, Transport, time bar, status bar, palette, mixer, inspector;
    // the mixer only while its window exists.
    const struct { long code; const char* children; } cases[] = {
        {1, "0000010"},    {500, "0000010"},  {1200, "0000011"}, {1303, "1111111"}, {1500, "1001100"},
        {1502, "0000000"}, {1600, "1111111"}, {1701, "0111111"}, {1805, "0001000"}, {1900, "0010000"},
        {3300, "0111010"}, {3402, "0000000"}, {3403, "0000010"}, {3600, "0000000"},
    };
    for (const auto& c : cases) {
        frame->reached.clear();
        SCBase state(static_cast<unsigned>(c.code));
        frame->DispatchStateMessage(c.code, &state);
        std::set<RouteChild> expected;
        for (int child = 0; child < ROUTE_CHILDREN; ++child)
            if (c.children[child] == '1' && (child != ROUTE_TO_MIXER || frame->GetMixerWnd()))
                expected.insert(static_cast<RouteChild>(child));
        EXPECT_EQ(frame->ChildrenFor(c.code), expected) << "code " << c.code;
        EXPECT_EQ(frame->reached.size(), expected.size()) << "code " << c.code;
    }
}

TEST_F(MainFrameTest, ToolWindowsAreSkippedBeforeTheFirstActivation) {
    SCBase state(1303);
    frame->DispatchStateMessage(1303, &state);
    EXPECT_EQ(frame->ChildrenFor(1303), (std::set<RouteChild>{ROUTE_TO_MUSICEDIT, ROUTE_TO_TRANSPORT,
                                                                ROUTE_TO_TIMEBAR, ROUTE_TO_STATUSBAR}));
}

TEST_F(MainFrameTest, InsertModeShowsAHiddenPaletteOnce) {
    frame->ActivateFrame(SW_SHOW);
    CMusicWnd* palette = frame->GetMusicWnd();
    ASSERT_TRUE(palette && palette->GetWidget());
    frame->ShowControlBar(palette, FALSE, FALSE);
    SCBase insert(STATE_MODE_INSERT);
    frame->DispatchStateMessage(STATE_MODE_INSERT, &insert);
    EXPECT_TRUE(palette->IsWindowVisible());
    EXPECT_EQ(frame->GetMusicEditBar().GetToolButton(0).GetBitmapCount(), 3);
    EXPECT_EQ(frame->GetMusicEditBar().GetToolButtonState(0), 1);
    EXPECT_EQ(frame->GetMusicEditBar().GetMode(), STATE_MODE_INSERT);
    // Again while visible: the palette stays as it is.
    frame->DispatchStateMessage(STATE_MODE_INSERT, &insert);
    EXPECT_TRUE(palette->IsWindowVisible());
}

TEST_F(MainFrameTest, StatusBarProgressAndTexts) {
    CMainStatusBar& bar = frame->GetStatusBar();
    SCStatus begin(STATE_PROGRESS_BEGIN, std::string());
    frame->DispatchStateMessage(STATE_PROGRESS_BEGIN, &begin);
    CProgressCtrl* progress = bar.GetProgressCtrl();
    ASSERT_TRUE(progress->IsWindowVisible());
    CRect pane;
    bar.GetItemRect(0, &pane);
    const QRect placed = progress->GetWidget()->geometry();
    EXPECT_EQ(placed.left(), pane.left + 10);
    EXPECT_EQ(placed.width(), std::min(200, static_cast<int>(pane.right) - (pane.left + 10)));
    SCStatus end(STATE_PROGRESS_END);
    frame->DispatchStateMessage(STATE_PROGRESS_END, &end);
    EXPECT_FALSE(progress->IsWindowVisible());

    const struct { long code; int pane; const char* text; } texts[] = {
        {STATE_PERFORM_PLAY, 2, "Playing"}, {STATE_PERFORM_RECORD, 2, "Recording"}, {STATE_PERFORM_STOP, 2, ""},
        {STATE_MODE_ERASE, 3, "Erase Mode"}, {STATE_MODE_SELECT, 3, "Select Mode"},
    };
    for (const auto& t : texts) {
        SCBase state(static_cast<unsigned>(t.code));
        frame->DispatchStateMessage(t.code, &state);
        EXPECT_EQ(bar.GetPaneText(t.pane), t.text) << t.code;
    }
    SCStatus message(1800, "Reading");
    frame->DispatchStateMessage(1800, &message);
    EXPECT_EQ(bar.GetPaneText(1), "Reading");
}

TEST_F(MainFrameTest, TransportBarFollowsPlayPauseAndRecord) {
    CTransportBar& bar = frame->GetTransportBar();
    auto route = [this](long code) {
        SCBase state(static_cast<unsigned>(code));
        frame->DispatchStateMessage(code, &state);
    };
    auto shown = [&bar](UINT id) { return bar.GetButton(id).IsWindowVisible() != FALSE; };
    EXPECT_TRUE(shown(ID_TRANSPORT_PREVIOUS));
    EXPECT_FALSE(shown(ID_TRANSPORT_REWIND));
    route(STATE_PERFORM_PLAY);
    EXPECT_EQ(bar.GetPlayLayout(), 1);
    EXPECT_TRUE(shown(ID_TRANSPORT_REWIND));
    EXPECT_TRUE(shown(ID_TRANSPORT_FORWARD));
    EXPECT_FALSE(shown(ID_TRANSPORT_NEXT));
    route(STATE_PERFORM_PAUSE);
    route(STATE_PERFORM_PAUSE);   // paused twice: back to Rewind and Forward
    EXPECT_EQ(bar.GetPlayLayout(), 1);
    EXPECT_FALSE(bar.IsPaused());
    route(STATE_PERFORM_RECORD);
    route(STATE_PERFORM_PAUSE);
    EXPECT_EQ(bar.GetPlayLayout(), 0);
    EXPECT_TRUE(shown(ID_TRANSPORT_PREVIOUS));
    EXPECT_EQ(frame->GetStatusBar().GetPaneText(2), "Playing (Paused)");
    route(STATE_PERFORM_STOP);
    EXPECT_EQ(bar.GetPlayLayout(), 0);
    EXPECT_EQ(bar.GetButton(ID_TRANSPORT_PLAY).GetButtonState(), 0);
}

TEST(TransportMasks, EnableOverSequenceStates) {
    const struct { unsigned state; const char* enabled; } cases[] = {
        // Step Record Pause Stop Play Previous Next Rewind Forward
        {0x1001, "110111100"},    // stopped
        {0x0010, "011110011"},    // playing
        {0x0014, "011110011"},
        {0x10040, "001100011"},   // recording
        {0x2000, "110100000"},
        {0x01000000, "000100000"},
    };
    for (const auto& c : cases)
        for (UINT id = ID_TRANSPORT_STEP; id <= ID_TRANSPORT_FORWARD; ++id)
            EXPECT_EQ(TransportCommandEnabled(id, c.state), c.enabled[id - ID_TRANSPORT_STEP] == '1')
                << std::hex << c.state << std::dec << " command " << id;
}

TEST_F(MainFrameTest, WebLinkWithoutAddressFileShowsMessage151) {
    const std::string saved = GetProgramFolder();
    SetProgramFolder(testing::TempDir());
    std::remove((testing::TempDir() + "/addr.sys").c_str());
    frame->SendMessage(WM_COMMAND, 33300, 0);
    ASSERT_EQ(prompts.GetCount(), 1u);
    EXPECT_EQ(prompts.GetLast().stringId, 151u);

    std::string opened;
    auto previous = SetShellExecuteHandler([&opened](HWND, const std::string&, const std::string& file,
                                                     const std::string&, const std::string&, int) {
        opened = file;
        return static_cast<HINSTANCE_SHELL>(33);
    });
    ASSERT_TRUE(WritePrivateProfileString("URL", "Home", "https://staffwright.example/", testing::TempDir() + "/addr.sys"));
    frame->SendMessage(WM_COMMAND, 33300, 0);
    EXPECT_EQ(opened, "https://staffwright.example/");
    EXPECT_EQ(prompts.GetCount(), 1u);
    SetShellExecuteHandler(previous);
    SetProgramFolder(saved);
}

}  // namespace

namespace {

TEST_F(MainFrameTest, PaletteEntry245TakesTheButtonFaceAndChoosesTheLibrary) {
    MCPalette* palette = MCPalette::GetSharedPalette();
    ASSERT_NE(palette, nullptr);
    EXPECT_EQ(MCImageMgr::GetImageMgr()->GetPalette(), palette);
    PALETTEENTRY entry;
    ASSERT_EQ(palette->GetPaletteEntries(245, 1, &entry), 1u);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    EXPECT_EQ(RGB(entry.peRed, entry.peGreen, entry.peBlue), face);
    EXPECT_EQ(entry.peFlags, PC_RESERVED | PC_NOCOLLAPSE);
    const int sum = GetRValue(face) + GetGValue(face) + GetBValue(face);
    EXPECT_EQ(GetProfileString("Resources", "Buttons", ""), sum >= 3 * 255 / 2.0 ? "Buttons1.DLL" : "Buttons2.DLL");
    // The frame owns it: gone with the frame, and the image manager lets it go.
    frame->DestroyWindow();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(MCPalette::GetSharedPalette(), nullptr);
    EXPECT_EQ(MCImageMgr::GetImageMgr()->GetPalette(), nullptr);
}

}  // namespace

namespace {

TEST_F(MainFrameTest, MusicEditBarShowsTheModeAndReshowsItForANewDocument) {
    CMusicEditBar& bar = frame->GetMusicEditBar();
    const int savedMode = SCMode::GetMode();
    const struct { long code; int mode; int states[3]; const char* pane; } cases[] = {
        {STATE_MODE_ERASE, STATE_MODE_ERASE, {0, 0, 1}, "Erase Mode"},
        {STATE_MODE_SELECT, STATE_MODE_SELECT, {1, 0, 0}, "Select Mode"},
    };
    for (const auto& c : cases) {
        SCBase state(static_cast<unsigned>(c.code));
        frame->DispatchStateMessage(c.code, &state);
        EXPECT_EQ(bar.GetMode(), c.mode);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(bar.GetModeButton(i).GetButtonState(), c.states[i]) << c.code << " button " << i;
        EXPECT_EQ(frame->GetStatusBar().GetPaneText(3), c.pane);
    }
    // A new document shows the mode in force.
    SCMode::SetMode(STATE_MODE_ERASE);
    SCBase opened(STATE_FILE_NEW);
    frame->DispatchStateMessage(STATE_FILE_NEW, &opened);
    EXPECT_EQ(bar.GetMode(), STATE_MODE_ERASE);
    SCMode::SetMode(savedMode);
}

}  // namespace
