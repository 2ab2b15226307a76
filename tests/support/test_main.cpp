// Main of every test program. Creates the Qt application object the message
// windows and timers need (a GUI one, offscreen and in the Fusion style, for
// the GUI libraries), and points the profile at a folder of this run's own so
// that no test reads or writes the user's settings.
#ifdef STAFFWRIGHT_TEST_GUI
#include <QApplication>
#include <QStyle>
#include <QStyleFactory>

#include "platform/ui/dialog_script.h"
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif
#include <QTemporaryDir>
#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QTemporaryDir configDir;
    if (!std::getenv("STAFFWRIGHT_CONFIG_DIR"))
        setenv("STAFFWRIGHT_CONFIG_DIR", configDir.path().toLocal8Bit().constData(), 1);
    // The toolkit's own settings (its file dialog keeps some) stay in the
    // run's folder too.
    setenv("XDG_CONFIG_HOME", configDir.path().toLocal8Bit().constData(), 1);
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    TestApplication app(argc, argv);
#ifdef STAFFWRIGHT_TEST_GUI
    // One look on every machine: Fusion and its own palette, whatever the desktop's.
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    QApplication::setPalette(QApplication::style()->standardPalette());
    // Every modal loop of a test is scripted: a dialog or popup menu the test
    // itself does not script ends at once (Cancel, no choice), so no test can
    // wait on a window.
    CDialogScript unscripted;
#endif
    const int result = RUN_ALL_TESTS();
    // Windows destroyed by the tests leave their widgets to the event loop.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return result;
}
