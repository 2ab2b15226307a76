#include "platform/ui/screen.h"

#include <QApplication>
#include <QScreen>
#include <QStyle>

namespace {

DesktopRect FromQt(const QRect& rect) {
    return DesktopRect{rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()};
}

}  // namespace

DesktopRect CScreenMetrics::GetScreen() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? FromQt(screen->geometry()) : CDesktopMetrics::GetScreen();
}

DesktopRect CScreenMetrics::GetWorkArea() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? FromQt(screen->availableGeometry()) : CDesktopMetrics::GetWorkArea();
}

int CScreenMetrics::GetLogPixelsY() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? qRound(screen->logicalDotsPerInchY()) : CDesktopMetrics::GetLogPixelsY();
}

int CScreenMetrics::GetSystemMetrics(int index) const {
    switch (index) {
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL:
        if (qobject_cast<QApplication*>(QCoreApplication::instance()))
            return QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        return CDesktopMetrics::GetSystemMetrics(index);
    default:
        // Screen sizes and what derives from them go through GetScreen and GetWorkArea.
        return CDesktopMetrics::GetSystemMetrics(index);
    }
}

CDesktopMetrics* InstallScreenMetrics() {
    static CScreenMetrics screen;
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return nullptr;
    return SetDesktopMetrics(&screen);
}
