// Main of every test program. Creates the Qt application object the message
// windows and timers need, and points the profile at a folder of this run's own
// so that no test reads or writes the user's settings.
#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QTemporaryDir configDir;
    if (!std::getenv("STAFFWRIGHT_CONFIG_DIR"))
        setenv("STAFFWRIGHT_CONFIG_DIR", configDir.path().toLocal8Bit().constData(), 1);
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
