// Start-up's order, seen from a plug-in, and what it leaves behind.
#include "app/mainframe.h"
#include "app/splash.h"
#include "app/staffwrightapp.h"
#include "platform/core/profile.h"
#include "interface/glyphbox/glyphbox.h"
#include "interface/document/opusdoc.h"
#include "platform/core/library.h"
#include "platform/ui/docmanager.h"
#include "platform/ui/frame.h"
#include "platform/ui/recentfiles.h"
#include "platform/ui/commands.h"
#include "platform/ui/prompt_script.h"
#include "tests/app/app_support.h"
#include "tests/platform/messaging_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace {

int TemplateCount(CWinApp& app) {
    int count = 0;
    CDocManager* manager = app.GetDocManager();
    for (POSITION pos = manager ? manager->GetFirstDocTemplatePosition() : nullptr; pos;
         manager->GetNextDocTemplate(pos))
        ++count;
    return count;
}

}  // namespace

TEST(Startup, PlugInsStartAfterTheEngineAndTheInfoViewAndBeforeTheTemplate) {
    setenv("STAFFWRIGHT_DEVICES", "capture", 1);
    SetProgramFolder(STAFFWRIGHT_TEST_APP_HOME);
    {
        CStaffwrightApp app;
        app.SetCommandLine({});
        ASSERT_TRUE(app.InitInstance());
        HINSTANCE plugin = GetModuleHandle(STAFFWRIGHT_TEST_APP_HOME "/PlugIns/order.so");
        ASSERT_NE(plugin, nullptr);
        auto seen = reinterpret_cast<void (*)(int*, int*, int*)>(GetProcAddress(plugin, "OrderPlugInSeen"));
        ASSERT_NE(seen, nullptr);
        int performers = 0, infoViewRecord = 0, templates = 0;
        seen(&performers, &infoViewRecord, &templates);
        EXPECT_EQ(performers, 25);
        EXPECT_EQ(infoViewRecord, 1);
        EXPECT_EQ(templates, 0);
        EXPECT_EQ(TemplateCount(app), 1);
        auto* frame = dynamic_cast<CMainFrame*>(AfxGetMainWnd());
        ASSERT_NE(frame, nullptr);
        EXPECT_TRUE(frame->IsFirstActivationDone());
        EXPECT_NE(frame->GetMusicWnd(), nullptr);
        EXPECT_NE(frame->GetPropertiesWnd(), nullptr);
        EXPECT_NE(frame->GetMixerWnd(), nullptr);
        EXPECT_NE(app.GetPortavel(), nullptr);
        // A plain start opens nothing.
        EXPECT_EQ(app.GetDocManager()->GetOpenDocumentCount(), 0);
        // About shows the splash window again once the start-up one is gone.
        if (CSplashWnd* splash = CSplashWnd::GetSplash())
            splash->DestroyWindow();
        ASSERT_EQ(CSplashWnd::GetSplash(), nullptr);
        AfxGetMainWnd()->SendMessage(WM_COMMAND, CStaffwrightApp::ID_ABOUT, 0);
        ASSERT_NE(CSplashWnd::GetSplash(), nullptr);
        CSplashWnd::GetSplash()->DestroyWindow();
        AfxGetMainWnd()->DestroyWindow();
        app.ExitInstance();
    }
    SetProgramFolder({});
}

// The insert mode restored at the first activation finds the document open,
// but the palette it would show is made only after it.
TEST(Startup, AFileOnTheCommandLineIsOpenAndActiveBeforeTheFirstActivation) {
    AppTestFolder folder;
    CProfile::Application().WriteInt("Main", "Mode", 1);
    CStaffwrightApp app;
    app.SetCommandLine({folder.WriteMidiFile("a.mid"), "extra"});
    ASSERT_TRUE(app.InitInstance());
    ASSERT_EQ(app.GetDocManager()->GetOpenDocumentCount(), 1);
    ASSERT_NE(MCOpusDoc::GetActiveDoc(), nullptr);
    EXPECT_EQ(MCOpusDoc::GetActiveDoc()->GetPathName(), folder.Path("a.mid"));
    auto* frame = dynamic_cast<CMainFrame*>(AfxGetMainWnd());
    ASSERT_NE(frame, nullptr);
    ASSERT_NE(frame->GetMusicWnd(), nullptr);
    EXPECT_FALSE(frame->GetMusicWnd()->IsWindowVisible());
    app.CloseAllDocuments(FALSE);
    AfxGetMainWnd()->DestroyWindow();
    app.ExitInstance();
}

// The main window waits empty once its last document is closed: nothing
// opens by itself, then or a little later, and the title is the program's alone.
TEST(Startup, ClosingTheLastDocumentLeavesTheMainWindowEmpty) {
    AppTestFolder folder;
    CPromptScript prompts;
    CStaffwrightApp app;
    app.SetCommandLine({folder.WriteMidiFile("a.mid")});
    ASSERT_TRUE(app.InitInstance());
    auto* frame = dynamic_cast<CMainFrame*>(AfxGetMainWnd());
    ASSERT_NE(frame, nullptr);
    ASSERT_NE(frame->MDIGetActive(), nullptr);
    std::string title;
    frame->GetWindowText(title);
    EXPECT_EQ(title, "a.mid - Staffwright");

    prompts.Answer(IDNO);   // whatever it asks about saving
    frame->MDIGetActive()->SendMessage(WM_CLOSE);
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
    messaging_test::PumpUntil([&] { return std::chrono::steady_clock::now() > until; });

    EXPECT_EQ(app.GetDocManager()->GetOpenDocumentCount(), 0);
    EXPECT_EQ(frame->MDIGetActive(), nullptr);
    frame->GetWindowText(title);
    EXPECT_EQ(title, "Staffwright");
    AfxGetMainWnd()->DestroyWindow();
    app.ExitInstance();
}

TEST(Startup, TemplatesNeverEnterTheRecentFileList) {
    AppTestFolder folder;
    CStaffwrightApp app;
    app.LoadStdProfileSettings(7);
    app.AddToRecentFileList("/music/Piano.mmt");
    app.AddToRecentFileList("/music/Song.MMT");
    app.AddToRecentFileList("/music/Song.mid");
    ASSERT_NE(app.m_pRecentFileList, nullptr);
    const CRecentFileList& list = *app.m_pRecentFileList;
    ASSERT_EQ(list.GetSize(), 7);
    EXPECT_EQ(list[0], "/music/Song.mid");
    EXPECT_EQ(list[1], "/music/Song.MMT");
    EXPECT_EQ(list[2], "");
}
