// What the application shows when a window's handler fails, and where help goes.
#include "app/staffwrightapp.h"
#include "platform/core/exceptions.h"
#include "platform/core/resources.h"
#include "platform/ui/help.h"
#include "platform/ui/prompt_script.h"
#include "tests/app/app_support.h"

#include <QFile>

#include <gtest/gtest.h>

#include <stdexcept>

TEST(HandlerFailure, EachMessageAndExceptionGetsItsPromptAndResult) {
    AppTestFolder folder;
    CStaffwrightApp app;
    const std::string exception = LoadString(CStaffwrightApp::IDS_EXCEPTION);
    const std::string commandFailed = LoadString(CStaffwrightApp::IDP_COMMAND_FAILURE);
    ASSERT_EQ(commandFailed, "The command could not be carried out.");
    ASSERT_EQ(exception.rfind("Staffwright generated an exception and will be closed.", 0), 0u);
    const struct {
        const char* what;
        UINT message;
        LPARAM lParam;
        std::exception_ptr error;
        LRESULT result;
        size_t prompts;
        std::string text;
        unsigned icon;
    } cases[] = {
        {"menu command", WM_COMMAND, 0, std::make_exception_ptr(std::runtime_error("x")), 1, 1, commandFailed,
         MB_ICONSTOP},
        {"control command", WM_COMMAND, 0x1234, std::make_exception_ptr(std::runtime_error("x")), 1, 1, exception,
         MB_ICONSTOP},
        {"other message", WM_TIMER, 0, std::make_exception_ptr(std::runtime_error("x")), 0, 1, exception,
         MB_ICONSTOP},
        {"out of memory", WM_TIMER, 0, std::make_exception_ptr(CMemoryException()), 0, 1, "", MB_ICONEXCLAMATION},
        {"user exception", WM_COMMAND, 0, std::make_exception_ptr(CUserException()), 1, 0, "", 0},
    };
    for (const auto& c : cases) {
        CPromptScript prompts;
        MSG msg{};
        msg.message = c.message;
        msg.lParam = c.lParam;
        EXPECT_EQ(app.ProcessWndProcException(c.error, msg), c.result) << c.what;
        ASSERT_EQ(prompts.GetCount(), c.prompts) << c.what;
        if (!c.prompts)
            continue;
        if (!c.text.empty()) {
            EXPECT_EQ(prompts.GetLast().text, c.text) << c.what;
        }
        EXPECT_EQ(prompts.GetLast().flags & MB_ICONMASK, c.icon) << c.what;
    }
}

TEST(Help, ACommandsContextShowsItsPromptAndAHelpFileGoesToTheOpener) {
    AppTestFolder folder;
    CStaffwrightApp app;
    {
        CPromptScript prompts;
        app.WinHelp(HID_BASE_COMMAND + 12273, CWinApp::HELP_CONTEXT);
        ASSERT_EQ(prompts.GetCount(), 1u);
        EXPECT_EQ(prompts.GetLast().text, "Display Information View");
    }
    QFile help(QString::fromStdString(folder.Path(CStaffwrightApp::kHelpFileName)));
    ASSERT_TRUE(help.open(QIODevice::WriteOnly));
    help.close();
    std::string opened;
    ShellExecuteHandler previous = SetShellExecuteHandler(
        [&](HWND, const std::string& operation, const std::string& file, const std::string&, const std::string&,
            int) -> HINSTANCE_SHELL {
            opened = operation + " " + file;
            return 42;
        });
    CPromptScript prompts;
    app.WinHelp(0, CWinApp::HELP_FINDER);
    app.WinHelp(HID_BASE_COMMAND + 12273, CWinApp::HELP_CONTEXT);
    SetShellExecuteHandler(previous);
    EXPECT_EQ(opened, "open " + folder.Path(CStaffwrightApp::kHelpFileName));
    EXPECT_EQ(prompts.GetCount(), 0u);
}
