// The caret's blink (see caret.h).
#include "platform/ui/caret.h"

#include <QApplication>

UINT GetCaretBlinkTime() {
    // The toolkit's flash time is a whole period, on and off.
    constexpr int kDefaultPeriod = 1000;
    const int period = qobject_cast<QApplication*>(QCoreApplication::instance()) ? QApplication::cursorFlashTime()
                                                                                  : kDefaultPeriod;
    return static_cast<UINT>(period > 0 ? period / 2 : kDefaultPeriod / 2);
}
