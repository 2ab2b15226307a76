// Qt's events as window messages (see wnd.h): one event filter on the
// application sees every event of the user-interface thread and turns those
// of widgets with a CWnd into the classic messages.
#include "platform/core/clock.h"
#include "platform/ui/keys.h"
#include "platform/ui/wnd.h"
#include "platform/ui/wnd_private.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDialog>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPointer>
#include <QTimer>
#include <QWheelEvent>
#include <QWidget>

using platform_detail::DeliverEventMessage;
using platform_detail::MouseKeys;

namespace {

LPARAM PackPoint(QPoint point) {
    return MAKELPARAM(static_cast<WORD>(static_cast<SHORT>(point.x())), static_cast<WORD>(static_cast<SHORT>(point.y())));
}


// The message of a button event: down, up or double click of the left, right
// or middle button; 0 for other buttons.
UINT ButtonMessage(QEvent::Type type, Qt::MouseButton button) {
    UINT first = 0;
    switch (button) {
    case Qt::LeftButton: first = WM_LBUTTONDOWN; break;
    case Qt::RightButton: first = WM_RBUTTONDOWN; break;
    case Qt::MiddleButton: first = WM_MBUTTONDOWN; break;
    default: return 0;
    }
    switch (type) {
    case QEvent::MouseButtonPress: return first;
    case QEvent::MouseButtonRelease: return first + 1;
    case QEvent::MouseButtonDblClick: return first + 2;
    default: return 0;
    }
}

// The property that marks a widget as a part of its control (MarkAsPart).
constexpr const char* kPartProperty = "staffwright_part";

// The window whose messages a widget's input becomes: its own CWnd, or for a
// part of a control, the control's.
CWnd* InputWindowOf(QWidget* widget) {
    if (CWnd* wnd = CWnd::FromWidget(widget))
        return wnd;
    if (!widget->property(kPartProperty).toBool())
        return nullptr;
    for (QWidget* above = widget->parentWidget(); above; above = above->parentWidget())
        if (CWnd* wnd = CWnd::FromWidget(above))
            return wnd;
    return nullptr;
}

// The nearest window at or above a widget; null when none.
CWnd* NearestWindow(QWidget* widget) {
    for (; widget; widget = widget->parentWidget())
        if (CWnd* wnd = CWnd::FromWidget(widget))
            return wnd;
    return nullptr;
}

void NoteModifiers(Qt::KeyboardModifiers modifiers) {
    platform_detail::NoteModifiers((modifiers & Qt::ShiftModifier) != 0, (modifiers & Qt::ControlModifier) != 0,
                                   (modifiers & Qt::AltModifier) != 0);
}

}  // namespace

class CWndEvents : public QObject {
public:
    bool eventFilter(QObject* object, QEvent* event) override;

    // The application's state as WM_ACTIVATEAPP, on each change between active and not.
    void ApplicationStateChanged(Qt::ApplicationState state);

private:
    bool Mouse(QWidget* widget, QMouseEvent* event);
    bool Wheel(QWidget* widget, QWheelEvent* event);
    bool Key(QWidget* widget, QKeyEvent* event);
    bool ContextMenu(QWidget* widget, QContextMenuEvent* event);
    void News(QWidget* widget, QEvent* event);

    // Whether a key event is one already seen, passed on to a parent widget.
    bool IsPassedOn(QWidget* widget, QKeyEvent* event);

    // The window that last lost the focus, for WM_SETFOCUS.
    HWND m_lostFocus = nullptr;
    // The key event last seen and where (a key event travels up the parents).
    const QEvent* m_lastKey = nullptr;
    QPointer<QWidget> m_lastKeyWidget;
    // The context-menu event last seen: where, why, and the window it was first meant for.
    QPointer<QWidget> m_lastContextWidget;
    QPoint m_lastContextPos;
    int m_lastContextReason = 0;
    HWND m_contextSource = nullptr;
    int m_active = -1;   // the application's last activity told; -1 before the first
};

bool CWndEvents::eventFilter(QObject* object, QEvent* event) {
    if (object == QCoreApplication::instance()) {
        if (event->type() == QEvent::ApplicationPaletteChange)
            platform_detail::SendToTopLevelWindows(WM_SYSCOLORCHANGE, 0, 0);
        return false;
    }
    if (!object->isWidgetType())
        return false;
    auto* widget = static_cast<QWidget*>(object);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
        return Mouse(widget, static_cast<QMouseEvent*>(event));
    case QEvent::Wheel:
        return Wheel(widget, static_cast<QWheelEvent*>(event));
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        return Key(widget, static_cast<QKeyEvent*>(event));
    case QEvent::ContextMenu:
        return ContextMenu(widget, static_cast<QContextMenuEvent*>(event));
    case QEvent::Paint:
        return platform_detail::PaintEvent(widget, static_cast<QPaintEvent*>(event));
    case QEvent::Close: {
        CWnd* wnd = CWnd::FromWidget(widget);
        if (!wnd || DeliverEventMessage(*wnd, WM_CLOSE, 0, 0))
            return false;
        event->ignore();   // a handler kept the window open
        return true;
    }
    case QEvent::FocusIn:
    case QEvent::FocusOut:
    case QEvent::Resize:
    case QEvent::Move:
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::EnabledChange:
        News(widget, event);
        return false;
    default:
        return false;
    }
}

bool CWndEvents::Mouse(QWidget* widget, QMouseEvent* event) {
    const Qt::MouseButtons buttons = event->buttons();
    platform_detail::NoteMouseButtons((buttons & Qt::LeftButton) != 0, (buttons & Qt::RightButton) != 0,
                                      (buttons & Qt::MiddleButton) != 0);
    NoteModifiers(event->modifiers());

    // With the capture held, every mouse event goes to its holder.
    CWnd* target = CWnd::GetCapture();
    if (!target)
        target = InputWindowOf(widget);
    if (!target)
        return false;
    QPoint point = event->position().toPoint();
    if (target->GetWidget() != widget)
        point = target->GetWidget()->mapFromGlobal(event->globalPosition().toPoint());
    // An event of a control's part is the control's own: the part acts on what
    // the handlers hand to the default handling.
    const bool redirected = target->GetWidget() != widget && InputWindowOf(widget) != target;

    platform_detail::NoteCursorPos(event->globalPosition().toPoint());
    const UINT message =
        event->type() == QEvent::MouseMove ? WM_MOUSEMOVE : ButtonMessage(event->type(), event->button());
    // The pointer's window chooses the cursor; the capture's holder sets its own.
    if (message == WM_MOUSEMOVE && !CWnd::GetCapture()) {
        const HWND hTarget = target->m_hWnd;
        platform_detail::SendSetCursor(*target);
        target = CWnd::FromHandle(hTarget);
        if (!target)
            return true;
    }
    if (message == 0)
        return redirected;
    const bool toWidget = DeliverEventMessage(*target, message, MouseKeys(buttons, event->modifiers()), PackPoint(point));
    if (toWidget && !redirected)
        return false;
    event->accept();
    return true;
}

bool CWndEvents::Wheel(QWidget* widget, QWheelEvent* event) {
    NoteModifiers(event->modifiers());
    CWnd* target = CWnd::GetCapture();
    if (!target)
        target = InputWindowOf(widget);
    if (!target)
        return false;
    const bool redirected = target->GetWidget() != widget && InputWindowOf(widget) != target;
    // One notch is 120, as the toolkit counts it too.
    const int delta = event->angleDelta().y();
    const WPARAM wParam = MAKEWPARAM(static_cast<WORD>(MouseKeys(event->buttons(), event->modifiers())),
                                     static_cast<WORD>(static_cast<SHORT>(delta)));
    const bool toWidget = DeliverEventMessage(*target, WM_MOUSEWHEEL, wParam, PackPoint(event->globalPosition().toPoint()));
    if (toWidget && !redirected)
        return false;
    event->accept();
    return true;
}

bool CWndEvents::IsPassedOn(QWidget* widget, QKeyEvent* event) {
    const bool passedOn = event == m_lastKey && m_lastKeyWidget && widget != m_lastKeyWidget &&
                          widget->isAncestorOf(m_lastKeyWidget);
    m_lastKey = event;
    m_lastKeyWidget = widget;
    return passedOn;
}

bool CWndEvents::Key(QWidget* widget, QKeyEvent* event) {
    if (IsPassedOn(widget, event))
        return false;   // seen at the widget it was meant for
    const bool press = event->type() == QEvent::KeyPress;
    const bool repeat = event->isAutoRepeat();
    const UINT virtualKey = VirtualKeyFromQt(event->key(), (event->modifiers() & Qt::KeypadModifier) != 0);
    NoteModifiers(event->modifiers());
    platform_detail::NoteKey(virtualKey, press, repeat);

    CWnd* wnd = InputWindowOf(widget);
    const HWND hInput = wnd ? wnd->m_hWnd : nullptr;
    const bool alt = (event->modifiers() & Qt::AltModifier) != 0;
    const bool system = alt || virtualKey == VK_F10;
    LPARAM keyData = 1;   // the repeat count
    if (alt)
        keyData |= KF_ALTDOWN_BIT;
    if (repeat || !press)
        keyData |= KF_REPEAT_BIT;   // the key was down before
    if (!press)
        keyData |= KF_UP_BIT;

    // The focus window and the windows above it see each key message first
    // (PreTranslateMessage); a key of a widget without a window of its own
    // goes to the windows above it.
    // A window may readdress the message while it pre-translates it (a tool
    // window hands system keys to its owner): the key and the characters
    // that follow it then go to that window.
    CWnd* first = wnd ? wnd : NearestWindow(widget);
    HWND hFirst = first ? first->m_hWnd : nullptr;
    HWND hInputNow = hInput;
    auto taken = [&](UINT message, WPARAM wParam) {
        if (!hFirst)
            return false;
        MSG msg;
        msg.hwnd = hFirst;
        msg.message = message;
        msg.wParam = wParam;
        msg.lParam = keyData;
        msg.time = timeGetTime();
        const bool translated = CWnd::WalkPreTranslateTree(nullptr, &msg) != FALSE;
        if (!translated && msg.hwnd != hFirst && CWnd::FromHandle(msg.hwnd))
            hFirst = hInputNow = msg.hwnd;
        return translated;
    };
    const UINT keyMessage = press ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
    if (virtualKey != 0 && taken(keyMessage, virtualKey)) {
        event->accept();   // translated: no characters follow, as no widget saw the key
        return true;
    }
    // Escape in a dialog is the dialog's: its dialog manager takes the key
    // before the control under the focus, whose own key handlers never see it
    // (a field that swallows every key would otherwise keep the dialog open).
    if (virtualKey == VK_ESCAPE && widget != widget->window() && qobject_cast<QDialog*>(widget->window()))
        return false;
    if (!hInputNow)
        return false;
    wnd = CWnd::FromHandle(hInputNow);   // still there after the translation
    if (!wnd) {
        event->accept();
        return true;
    }
    const HWND hWnd = hInputNow;
    bool toWidget = true;
    if (virtualKey != 0)
        toWidget = DeliverEventMessage(*wnd, keyMessage, virtualKey, keyData);
    if (press) {
        // The characters typed follow the key, each as a message of its own.
        const QString text = event->text();
        const UINT charMessage = system ? WM_SYSCHAR : WM_CHAR;
        for (QChar unit : text) {
            if (taken(charMessage, unit.unicode())) {
                toWidget = false;
                continue;
            }
            CWnd* still = CWnd::FromHandle(hWnd);
            if (!still)
                break;
            if (!DeliverEventMessage(*still, charMessage, unit.unicode(), keyData))
                toWidget = false;
        }
    }
    if (toWidget && CWnd::FromHandle(hWnd))
        return false;
    event->accept();
    return true;
}

bool CWndEvents::ContextMenu(QWidget* widget, QContextMenuEvent* event) {
    CWnd* wnd = InputWindowOf(widget);
    if (!wnd)
        return false;
    // A widget that ignores the event has the toolkit hand a copy of it to the
    // parent widget at once: the window above then hears of the window the
    // user asked in, as from DefWindowProc. The record lasts until control
    // returns to the event loop.
    const bool passedOn = m_lastContextWidget && widget != m_lastContextWidget &&
                          widget->isAncestorOf(m_lastContextWidget) && event->globalPos() == m_lastContextPos &&
                          event->reason() == m_lastContextReason && CWnd::FromHandle(m_contextSource);
    if (!passedOn) {
        m_lastContextWidget = widget;
        m_lastContextPos = event->globalPos();
        m_lastContextReason = event->reason();
        m_contextSource = wnd->m_hWnd;
        QTimer::singleShot(0, this, [this] { m_lastContextWidget = nullptr; });
    }
    const LPARAM where = event->reason() == QContextMenuEvent::Keyboard
                             ? MAKELPARAM(0xFFFF, 0xFFFF)
                             : PackPoint(event->globalPos());
    if (DeliverEventMessage(*wnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(m_contextSource), where))
        return false;   // the widget's own menu, or on to the parent
    event->accept();
    return true;
}

void CWndEvents::News(QWidget* widget, QEvent* event) {
    CWnd* wnd = CWnd::FromWidget(widget);
    if (event->type() == QEvent::FocusOut && !wnd)
        m_lostFocus = nullptr;
    if (!wnd)
        return;
    switch (event->type()) {
    case QEvent::FocusIn:
        wnd->SendMessage(WM_SETFOCUS, reinterpret_cast<WPARAM>(m_lostFocus));
        break;
    case QEvent::FocusOut: {
        // The toolkit has moved the focus already: the widget that has it is the gainer.
        CWnd* gainer = CWnd::FromWidget(QApplication::focusWidget());
        m_lostFocus = wnd->m_hWnd;
        wnd->SendMessage(WM_KILLFOCUS, reinterpret_cast<WPARAM>(gainer ? gainer->m_hWnd : nullptr));
        break;
    }
    case QEvent::Resize: {
        const UINT kind = widget->isMinimized() ? SIZE_MINIMIZED : widget->isMaximized() ? SIZE_MAXIMIZED : SIZE_RESTORED;
        wnd->SendMessage(WM_SIZE, kind, MAKELPARAM(static_cast<WORD>(widget->width()), static_cast<WORD>(widget->height())));
        break;
    }
    case QEvent::Move: {
        // The client area's origin: in the parent for a child, on the screen for a window.
        const QPoint origin = widget->isWindow() ? widget->mapToGlobal(QPoint(0, 0)) : widget->pos();
        wnd->SendMessage(WM_MOVE, 0, PackPoint(origin));
        break;
    }
    case QEvent::Show:
    case QEvent::Hide:
        wnd->SendMessage(WM_SHOWWINDOW, event->type() == QEvent::Show ? TRUE : FALSE, 0);
        break;
    case QEvent::EnabledChange:
        wnd->SendMessage(WM_ENABLE, widget->isEnabled() ? TRUE : FALSE, 0);
        break;
    default:
        break;
    }
}

void CWndEvents::ApplicationStateChanged(Qt::ApplicationState state) {
    const int active = state == Qt::ApplicationActive ? 1 : 0;
    if (active == m_active)
        return;
    m_active = active;
    platform_detail::SendToTopLevelWindows(WM_ACTIVATEAPP, static_cast<WPARAM>(active), 0);
}

namespace platform_detail {

UINT MouseKeys(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
    UINT keys = 0;
    if (buttons & Qt::LeftButton)
        keys |= MK_LBUTTON;
    if (buttons & Qt::RightButton)
        keys |= MK_RBUTTON;
    if (buttons & Qt::MiddleButton)
        keys |= MK_MBUTTON;
    if (modifiers & Qt::ShiftModifier)
        keys |= MK_SHIFT;
    if (modifiers & Qt::ControlModifier)
        keys |= MK_CONTROL;
    return keys;
}

void MarkAsPart(QWidget* part) {
    part->setProperty(kPartProperty, true);
}

void EnsureWindowEvents() {
    static CWndEvents* events = nullptr;   // lives as long as the application
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (events || !app)
        return;
    events = new CWndEvents;
    events->setParent(app);
    app->installEventFilter(events);
    QObject::connect(app, &QGuiApplication::applicationStateChanged, events,
                     [](Qt::ApplicationState state) { events->ApplicationStateChanged(state); });
    QObject::connect(events, &QObject::destroyed, [] { events = nullptr; });
}

}  // namespace platform_detail

UINT GetWheelScrollLines() {
    // The toolkit's setting follows the desktop's; without an application, three.
    const int lines = qobject_cast<QApplication*>(QCoreApplication::instance()) ? QApplication::wheelScrollLines() : 3;
    return lines > 0 ? static_cast<UINT>(lines) : 1;
}
