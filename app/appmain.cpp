// The program's run: the Qt application, the application object, start-up
// and the message loop (RunStaffwright, staffwrightapp.h).
#include "app/commandline.h"
#include "app/staffwrightapp.h"

#include <QApplication>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

// A print needs no screen: with none to reach, it runs on the offscreen
// platform rather than failing to start.
void ChooseOffscreenForPrint(int argc, char** argv) {
    if (std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY") || std::getenv("QT_QPA_PLATFORM"))
        return;
    CCommandLineInfo command;
    command.Parse(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
    if (command.IsPrint())
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

}  // namespace

int RunStaffwright(int argc, char** argv) {
    ChooseOffscreenForPrint(argc, argv);
    QApplication qt(argc, argv);
    CStaffwrightApp app;
    if (!app.InitInstance())
        return app.ExitInstance();
    return app.Run();
}
