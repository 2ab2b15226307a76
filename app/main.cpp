// Start-up of the program. The main frame is not built yet: until it is, the
// program says so in a window (or on the console without a display) and ends.
#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

const char kNotYet[] =
    "Staffwright: the main window is not built yet. This build holds the platform, "
    "the music data model and the performance engine with their tests; see README.md.";

bool HasDisplay() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && std::string_view(platform) == "offscreen")
        return false;
    return std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
}

}  // namespace

int main(int argc, char** argv) {
    if (!HasDisplay()) {
        std::puts(kNotYet);
        return 0;
    }
    QApplication app(argc, argv);
    QMessageBox::information(nullptr, "Staffwright", kNotYet);
    return 0;
}
