// The toolkit side of MessageBeep (platform/core/beep.h).
#include <QApplication>
#include <QMetaObject>
#include <QThread>

namespace platform_detail {

void RingBeep() {
    // Only a widget application can ring; a core or headless one stays silent.
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!app)
        return;
    // The toolkit rings on its own thread: another thread hands the beep over.
    if (QThread::currentThread() == app->thread())
        QApplication::beep();
    else
        QMetaObject::invokeMethod(app, [] { QApplication::beep(); }, Qt::QueuedConnection);
}

}  // namespace platform_detail
