// The file watcher: a write to the file, and a new file renamed over it (as
// editors save), each reported; nothing after the watcher is gone.
#include "platform/core/filewatch.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <memory>

namespace {

void Write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// Turns the event loop until `count` reaches `wanted`, a bounded number of times.
bool PumpUntil(const int& count, int wanted) {
    for (int i = 0; i < 300 && count < wanted; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    return count >= wanted;
}

}  // namespace

TEST(FileWatcher, ReportsWritesAndFilesRenamedOverTheWatchedOne) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.filePath("object.png");
    Write(path, "one");
    int changes = 0;
    auto watcher = std::make_unique<CFileWatcher>(path.toStdString(), [&changes] { ++changes; });

    Write(path, "two");
    ASSERT_TRUE(PumpUntil(changes, 1)) << "a write";

    // Saved the way many programs save: a new file renamed over the old.
    const int before = changes;
    const QString fresh = folder.filePath("object.png.new");
    Write(fresh, "three");
    ASSERT_TRUE(::rename(fresh.toLocal8Bit().constData(), path.toLocal8Bit().constData()) == 0);
    ASSERT_TRUE(PumpUntil(changes, before + 1)) << "a replacement";

    // And the replacement is watched in turn.
    const int replaced = changes;
    Write(path, "four");
    ASSERT_TRUE(PumpUntil(changes, replaced + 1)) << "a write to the replacement";

    watcher.reset();
    const int last = changes;
    Write(path, "five");
    for (int i = 0; i < 20; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    EXPECT_EQ(changes, last) << "nothing after the watcher went";
}
