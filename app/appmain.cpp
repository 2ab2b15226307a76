// The program's run: the Qt application, the application object, start-up
// and the message loop (RunStaffwright, staffwrightapp.h).
#include "app/commandline.h"
#include "app/staffwrightapp.h"
#include "platform/ui/prompt_box.h"

#include <QApplication>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace {

bool IsPrintCommand(int argc, char** argv) {
    CCommandLineInfo command;
    command.Parse(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
    return command.IsPrint();
}

// A print needs no screen: with none to reach, it runs on the offscreen
// platform rather than failing to start.
void ChooseOffscreenForPrint() {
    if (std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY") || std::getenv("QT_QPA_PLATFORM"))
        return;
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

}  // namespace

int RunStaffwright(int argc, char** argv) {
    const bool print = IsPrintCommand(argc, argv);
    if (print)
        ChooseOffscreenForPrint();
    QApplication qt(argc, argv);
    // The arguments Qt left (it takes its own options out of argv), as the
    // bytes the shell gave: file names are opened by those bytes, and a name
    // that is not UTF-8 would not survive a QString.
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    // Every question is asked in a message box, except in a print from the
    // command line, which may have no screen and nobody to answer: its
    // prompts go to standard error with their default answers.
    std::optional<CPromptBox> prompts;
    if (!print)
        prompts.emplace();
    CStaffwrightApp app;
    app.SetCommandLine(arguments);
    if (!app.InitInstance())
        return app.ExitInstance();
    return app.Run();
}
