// Drag-and-drop over the toolkit's drags (see dragdrop.h): a registered
// window's Qt drag events become its target's calls; a source's drag is a
// QDrag, or the scripted drag of a test.
#include "platform/ui/dragdrop.h"

#include "platform/core/timer.h"
#include "platform/ui/clipboard.h"
#include "platform/ui/cursor.h"
#include "platform/ui/document.h"
#include "platform/ui/keys.h"
#include "platform/ui/wnd_private.h"

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPointer>
#include <QThread>
#include <QWidget>

#include <unordered_map>

namespace {

// ---- effects and key states, ours and the toolkit's --------------------------------

Qt::DropActions ToQtActions(DROPEFFECT effects) {
    Qt::DropActions actions;
    if (effects & DROPEFFECT_COPY)
        actions |= Qt::CopyAction;
    if (effects & DROPEFFECT_MOVE)
        actions |= Qt::MoveAction;
    if (effects & DROPEFFECT_LINK)
        actions |= Qt::LinkAction;
    return actions;
}

// A move the target made itself (TargetMoveAction) leaves the source nothing
// to remove, so it counts as none.
DROPEFFECT FromQtActions(Qt::DropActions actions) {
    DROPEFFECT effects = DROPEFFECT_NONE;
    if (actions & Qt::CopyAction)
        effects |= DROPEFFECT_COPY;
    if (actions & Qt::MoveAction)
        effects |= DROPEFFECT_MOVE;
    if (actions & Qt::LinkAction)
        effects |= DROPEFFECT_LINK;
    return effects;
}

Qt::DropAction ToQtAction(DROPEFFECT effect) {
    switch (effect) {
    case DROPEFFECT_COPY: return Qt::CopyAction;
    case DROPEFFECT_MOVE: return Qt::MoveAction;
    case DROPEFFECT_LINK: return Qt::LinkAction;
    default: return Qt::IgnoreAction;
    }
}

// The one effect a drop may have when the target answered `effect` and the
// source allows `allowed`: the target's when allowed; a move the source does
// not allow becomes a copy when it allows that; else none.
DROPEFFECT AllowedEffect(DROPEFFECT effect, DROPEFFECT allowed) {
    for (DROPEFFECT one : {DROPEFFECT_MOVE, DROPEFFECT_COPY, DROPEFFECT_LINK})
        if (effect & allowed & one)
            return one;
    if ((effect & DROPEFFECT_MOVE) && (allowed & DROPEFFECT_COPY))
        return DROPEFFECT_COPY;
    return DROPEFFECT_NONE;
}

DWORD KeyStateOf(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
    DWORD keyState = platform_detail::MouseKeys(buttons, modifiers);
    if (modifiers & Qt::AltModifier)
        keyState |= MK_ALT;
    return keyState;
}

Qt::MouseButtons ButtonsOf(DWORD keyState) {
    Qt::MouseButtons buttons;
    if (keyState & MK_LBUTTON)
        buttons |= Qt::LeftButton;
    if (keyState & MK_RBUTTON)
        buttons |= Qt::RightButton;
    if (keyState & MK_MBUTTON)
        buttons |= Qt::MiddleButton;
    return buttons;
}

Qt::KeyboardModifiers ModifiersOf(DWORD keyState) {
    Qt::KeyboardModifiers modifiers;
    if (keyState & MK_SHIFT)
        modifiers |= Qt::ShiftModifier;
    if (keyState & MK_CONTROL)
        modifiers |= Qt::ControlModifier;
    if (keyState & MK_ALT)
        modifiers |= Qt::AltModifier;
    return modifiers;
}

// The registered windows' targets.
std::unordered_map<HWND, COleDropTarget*>& Targets() {
    static std::unordered_map<HWND, COleDropTarget*> targets;
    return targets;
}

CDragScript* g_script = nullptr;   // the script in force

}  // namespace

// ---- the target's side of the toolkit's drag events ----------------------------------

// Watches the registered window's widget for drag events and turns them into
// the target's calls; keeps the drag's data, point and key state while the
// drag is over the window, and the scroll timer that repeats OnDragScroll.
// The target may be revoked (even destroyed) by one of its own calls: the
// session then lets go of it, and goes itself once the event is handled.
class COleDropTarget::Session : public QObject {
public:
    Session(COleDropTarget& owner, CWnd& wnd)
        : m_owner(&owner), m_hWnd(wnd.GetSafeHwnd()), m_widget(wnd.GetWidget()),
          m_acceptedDrops(wnd.GetWidget()->acceptDrops()) {
        m_widget->setAcceptDrops(true);
        m_widget->installEventFilter(this);
    }
    ~Session() override { Detach(); }

    // Ends the session's hold on its target and window.
    void Detach() {
        StopTimer();
        if (m_owner && m_inside)
            m_owner->m_lpDataObject = nullptr;
        m_owner = nullptr;
        m_inside = false;
        m_data.Release();
        if (m_widget) {
            m_widget->removeEventFilter(this);
            m_widget->setAcceptDrops(m_acceptedDrops);
        }
        m_widget = nullptr;
    }
    bool IsBusy() const { return m_busy > 0; }
    HWND GetHwnd() const { return m_hWnd; }

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (object != m_widget)
            return false;
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::DragLeave:
        case QEvent::Drop:
            break;
        default:
            return false;
        }
        CWnd* wnd = CWnd::FromHandle(m_hWnd);
        if (!m_owner || !wnd)
            return false;
        // Taken whatever the target answers: a refusal must not fall through
        // to a window below, whose dropped-files handling would open a file.
        ++m_busy;
        switch (event->type()) {
        case QEvent::DragEnter: Enter(*wnd, static_cast<QDragEnterEvent*>(event)); break;
        case QEvent::DragMove: Over(*wnd, static_cast<QDragMoveEvent*>(event)); break;
        case QEvent::DragLeave: Leave(*wnd); event->accept(); break;
        default: Drop(*wnd, static_cast<QDropEvent*>(event)); break;
        }
        --m_busy;
        if (!m_owner && !IsBusy())
            deleteLater();   // revoked meanwhile
        return true;
    }

private:
    void Take(QDropEvent* event) {
        m_data.Attach(event->mimeData());
        m_allowed = FromQtActions(event->possibleActions());
        m_keyState = KeyStateOf(event->buttons(), event->modifiers());
        const QPoint point = event->position().toPoint();
        m_point = CPoint(point.x(), point.y());
    }

    // Accepted with the effect's action; a move or enter refused is ignored
    // (no drop there), yet still taken (see eventFilter).
    static void Answer(QDropEvent* event, DROPEFFECT effect) {
        if (effect == DROPEFFECT_NONE) {
            event->setDropAction(Qt::IgnoreAction);
            event->ignore();
            return;
        }
        event->setDropAction(ToQtAction(effect));
        event->accept();
    }

    void Enter(CWnd& wnd, QDragEnterEvent* event) {
        Take(event);
        m_inside = true;
        m_owner->m_lpDataObject = &m_data;
        m_owner->m_nTimerID = 0xffff;
        StartTimer();
        const DROPEFFECT effect = m_owner->OnDragEnter(&wnd, &m_data, m_keyState, m_point);
        // The enter is accepted in any case, so the window hears the moves
        // that follow; the first of them comes at once and answers for the point.
        event->setDropAction(ToQtAction(AllowedEffect(effect, m_allowed)));
        event->accept();
    }

    void Over(CWnd& wnd, QDragMoveEvent* event) {
        Take(event);
        if (!m_inside)
            return Answer(event, DROPEFFECT_NONE);
        DROPEFFECT effect = m_owner->OnDragScroll(&wnd, m_keyState, m_point);
        if (!m_owner)
            return;
        if (effect & DROPEFFECT_SCROLL)
            effect &= ~DROPEFFECT_SCROLL;
        else
            effect = m_owner->OnDragOver(&wnd, &m_data, m_keyState, m_point);
        Answer(event, AllowedEffect(effect, m_allowed));
    }

    void Leave(CWnd& wnd) {
        if (!m_inside)
            return;
        End();
        m_owner->OnDragLeave(&wnd);
        Forget();
    }

    // The target is asked once more what a drop at the point would do; a
    // target that refuses it hears a leave instead, as a drag that ends
    // anywhere else.
    void Drop(CWnd& wnd, QDropEvent* event) {
        Take(event);
        if (!m_inside)
            return Answer(event, DROPEFFECT_NONE);
        End();
        DROPEFFECT effect = AllowedEffect(m_owner->OnDragOver(&wnd, &m_data, m_keyState, m_point), m_allowed);
        if (m_owner && effect != DROPEFFECT_NONE) {
            if (!m_owner->OnDrop(&wnd, &m_data, effect, m_point))
                effect = DROPEFFECT_NONE;
        } else if (m_owner) {
            m_owner->OnDragLeave(&wnd);
        }
        Forget();
        // Accepted either way: a refusal answers "ignore" to the source.
        event->setDropAction(ToQtAction(effect));
        event->accept();
    }

    // The drag is over the window no more: no scrolling; the data stays
    // for the leave or the drop.
    void End() {
        StopTimer();
        m_inside = false;
        m_owner->m_nTimerID = 0xffff;
    }
    // After the leave or the drop.
    void Forget() {
        if (m_owner)
            m_owner->m_lpDataObject = nullptr;
        m_data.Release();
    }

    // OnDragScroll while the drag hovers. The timer service calls on its own
    // thread, or on the thread moving a manual clock (this one, in tests).
    void StartTimer() {
        StopTimer();
        QPointer<Session> self(this);
        m_timer = CTimerService::Get().Schedule(
            kScrollRepeatMs,
            [self, session = this](UINT) {
                if (QThread::currentThread() == session->thread()) {
                    if (self)
                        self->Tick();
                } else {
                    QMetaObject::invokeMethod(session, [session] { session->Tick(); }, Qt::QueuedConnection);
                }
            },
            CTimerService::PERIODIC);
    }
    void StopTimer() {
        if (m_timer)
            CTimerService::Get().Cancel(m_timer);
        m_timer = 0;
    }
    void Tick() {
        CWnd* wnd = CWnd::FromHandle(m_hWnd);
        if (!m_inside || !m_owner || !wnd)
            return;
        ++m_busy;
        m_owner->OnDragScroll(wnd, m_keyState, m_point);
        --m_busy;
        if (!m_owner && !IsBusy())
            deleteLater();
    }

    COleDropTarget* m_owner;   // borrowed; null once revoked
    HWND m_hWnd;
    QPointer<QWidget> m_widget;
    bool m_acceptedDrops;      // the widget's own setting, given back at the end
    COleDataObject m_data;     // attached to the drag's data while it is over the window
    bool m_inside = false;     // a drag is over the window
    DROPEFFECT m_allowed = DROPEFFECT_NONE;
    DWORD m_keyState = 0;
    CPoint m_point;
    UINT m_timer = 0;          // the scroll timer's service id; 0 when none
    int m_busy = 0;            // calls into the target under way
};

COleDropTarget::COleDropTarget() = default;

COleDropTarget::~COleDropTarget() {
    Revoke();
}

int COleDropTarget::Register(CWnd* wnd) {
    if (m_session || !wnd || !wnd->GetSafeHwnd() || !wnd->GetWidget() || FromWindow(wnd))
        return 0;
    platform_detail::EnsureWindowEvents();
    m_session = std::make_unique<Session>(*this, *wnd);
    Targets()[wnd->GetSafeHwnd()] = this;
    return 1;
}

void COleDropTarget::Revoke() {
    if (!m_session)
        return;
    Targets().erase(m_session->GetHwnd());
    m_session->Detach();
    if (m_session->IsBusy())
        m_session.release()->deleteLater();   // inside its own event: it goes after it
    else
        m_session.reset();
}

CWnd* COleDropTarget::GetWindow() const {
    return m_session ? CWnd::FromHandle(m_session->GetHwnd()) : nullptr;
}

COleDropTarget* COleDropTarget::FromWindow(const CWnd* wnd) {
    if (!wnd || !wnd->GetSafeHwnd())
        return nullptr;
    const auto found = Targets().find(wnd->GetSafeHwnd());
    return found != Targets().end() ? found->second : nullptr;
}

DROPEFFECT COleDropTarget::OnDragEnter(CWnd* wnd, COleDataObject* data, DWORD keyState, CPoint point) {
    auto* view = dynamic_cast<CView*>(wnd);
    return view ? view->OnDragEnter(data, keyState, point) : DROPEFFECT_NONE;
}

DROPEFFECT COleDropTarget::OnDragOver(CWnd* wnd, COleDataObject* data, DWORD keyState, CPoint point) {
    auto* view = dynamic_cast<CView*>(wnd);
    return view ? view->OnDragOver(data, keyState, point) : DROPEFFECT_NONE;
}

void COleDropTarget::OnDragLeave(CWnd* wnd) {
    if (auto* view = dynamic_cast<CView*>(wnd))
        view->OnDragLeave();
}

BOOL COleDropTarget::OnDrop(CWnd* wnd, COleDataObject* data, DROPEFFECT dropEffect, CPoint point) {
    auto* view = dynamic_cast<CView*>(wnd);
    return view ? view->OnDrop(data, dropEffect, point) : FALSE;
}

// DROPEFFECT_SCROLL alone leaves the scrolling to the target, and this one
// scrolls nothing.
DROPEFFECT COleDropTarget::OnDragScroll(CWnd* wnd, DWORD keyState, CPoint point) {
    auto* view = dynamic_cast<CView*>(wnd);
    const DROPEFFECT answer = view ? view->OnDragScroll(keyState, point) : DROPEFFECT_NONE;
    return answer == DROPEFFECT_SCROLL ? DROPEFFECT_NONE : answer;
}

DROPEFFECT CView::OnDragEnter(COleDataObject*, DWORD, CPoint) {
    return DROPEFFECT_NONE;
}

DROPEFFECT CView::OnDragOver(COleDataObject*, DWORD, CPoint) {
    return DROPEFFECT_NONE;
}

void CView::OnDragLeave() {}

BOOL CView::OnDrop(COleDataObject*, DROPEFFECT, CPoint) {
    return FALSE;
}

DROPEFFECT CView::OnDragScroll(DWORD, CPoint) {
    return DROPEFFECT_SCROLL;
}

// ---- the source's side -----------------------------------------------------------------

namespace {

// Watches the application's input while a press waits to become a drag; the
// moves and the release are its own.
class CDragDetector : public QObject {
public:
    CDragDetector(HWND hWnd, QPoint start) : m_hWnd(hWnd), m_start(start) {}

    // 1 for a drag, 0 otherwise (see DragDetect).
    int Run() {
        qApp->installEventFilter(this);
        m_loop.exec();
        qApp->removeEventFilter(this);
        return m_result;
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (m_done)
            return false;
        // Another window took the capture: that is the end of the press.
        if (!CWnd::GetCapture() || CWnd::GetCapture()->GetSafeHwnd() != m_hWnd) {
            Finish(0);
            return false;
        }
        switch (event->type()) {
        case QEvent::MouseMove:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            const Qt::MouseButtons buttons = mouse->buttons();
            platform_detail::NoteMouseButtons((buttons & Qt::LeftButton) != 0, (buttons & Qt::RightButton) != 0,
                                              (buttons & Qt::MiddleButton) != 0);
            const QPoint global = mouse->globalPosition().toPoint();
            platform_detail::NoteCursorPos(global);
            if (!(buttons & Qt::LeftButton))
                Finish(0);
            else if (event->type() == QEvent::MouseMove &&
                     (global - m_start).manhattanLength() >= QApplication::startDragDistance())
                Finish(1);
            return true;
        }
        case QEvent::ApplicationDeactivate:
            Finish(0);   // the release may go to another program
            return false;
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
                Finish(0);
                return true;
            }
            return false;
        default:
            return false;
        }
    }

private:
    void Finish(int result) {
        m_result = result;
        m_done = true;
        m_loop.quit();
    }

    HWND m_hWnd;
    QPoint m_start;
    QEventLoop m_loop;
    bool m_done = false;
    int m_result = 0;
};

}  // namespace

int DragDetect(CWnd* wnd, CPoint screenPoint) {
    if (CDragScript* script = CDragScript::GetActive())
        return script->PlayDetect();
    if (!wnd || !wnd->GetSafeHwnd() || GetKeyState(VK_LBUTTON) >= 0)
        return 0;
    const HWND hWnd = wnd->GetSafeHwnd();
    CWnd* previous = CWnd::GetCapture();
    const HWND hPrevious = previous ? previous->GetSafeHwnd() : nullptr;
    wnd->SetCapture();
    const int result = CDragDetector(hWnd, QPoint(screenPoint.x, screenPoint.y)).Run();
    // The capture goes back to whoever held it before, if the detection still has it.
    CWnd* holder = CWnd::GetCapture();
    if (holder && holder->GetSafeHwnd() == hWnd && hPrevious != hWnd) {
        if (CWnd* before = CWnd::FromHandle(hPrevious))
            before->SetCapture();
        else
            ReleaseCapture();
    }
    return result;
}

DROPEFFECT COleDataSource::DoDragDrop(DROPEFFECT allowedEffects) {
    allowedEffects &= DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
    if (CDragScript* script = CDragScript::GetActive()) {
        const std::unique_ptr<QMimeData> data(CreateMimeData());
        return script->PlayDrag(*data, allowedEffects);
    }
    if (allowedEffects == DROPEFFECT_NONE || !qobject_cast<QApplication*>(QCoreApplication::instance()))
        return DROPEFFECT_NONE;
    // The drag's source is the window with the capture (the one pressed on),
    // else the active one. The toolkit lets the QDrag go after the drag.
    QObject* source = qApp;
    if (CWnd* holder = CWnd::GetCapture(); holder && holder->GetWidget())
        source = holder->GetWidget();
    else if (QWidget* active = QApplication::activeWindow())
        source = active;
    auto* drag = new QDrag(source);
    drag->setMimeData(CreateMimeData());
    const Qt::DropAction preferred = (allowedEffects & DROPEFFECT_MOVE) ? Qt::MoveAction : Qt::CopyAction;
    const Qt::DropAction done = drag->exec(ToQtActions(allowedEffects), preferred);
    return AllowedEffect(FromQtActions(done), allowedEffects);
}

// ---- the scripted drag ---------------------------------------------------------------

CDragScript::CDragScript() : m_previous(g_script) {
    g_script = this;
}

CDragScript::~CDragScript() {
    g_script = m_previous;
}

CDragScript* CDragScript::GetActive() {
    return g_script;
}

void CDragScript::Detect(bool drag) {
    m_detect = drag;
}

void CDragScript::Move(CWnd* wnd, CPoint point, DWORD keyState) {
    m_steps.push_back({Kind::Move, wnd ? wnd->GetSafeHwnd() : nullptr, point, keyState});
}

void CDragScript::Drop() {
    m_steps.push_back({Kind::Drop, nullptr, {}, 0});
}

void CDragScript::Leave() {
    m_steps.push_back({Kind::Leave, nullptr, {}, 0});
}

int CDragScript::PlayDetect() {
    ++m_detects;
    return m_detect ? 1 : 0;
}

namespace {

// One drag as the toolkit delivers it to the windows it passes over.
class CScriptedDrag {
public:
    CScriptedDrag(const QMimeData& data, DROPEFFECT allowed) : m_data(data), m_actions(ToQtActions(allowed)) {}

    // Over `hWnd` at `point`: a leave for the window before when it changes,
    // then an enter, and a move.
    void Move(HWND hWnd, CPoint point, DWORD keyState) {
        m_keyState = keyState;
        m_point = QPoint(point.x, point.y);
        if (hWnd != m_hWnd) {
            Leave();
            m_hWnd = hWnd;
            QDragEnterEvent enter(m_point, m_actions, &m_data, ButtonsOf(keyState), ModifiersOf(keyState));
            Send(enter);
        }
        QDragMoveEvent move(m_point, m_actions, &m_data, ButtonsOf(keyState), ModifiersOf(keyState));
        m_accepted = Send(move) && move.isAccepted();
    }

    void Leave() {
        if (!m_hWnd)
            return;
        QDragLeaveEvent leave;
        Send(leave);
        m_hWnd = nullptr;
        m_accepted = false;
    }

    // Released where the last move was: a drop when the window there took
    // the last move, else a leave. The button is up by then.
    DROPEFFECT Drop() {
        if (!m_hWnd || !m_accepted) {
            Leave();
            return DROPEFFECT_NONE;
        }
        const DWORD keyState = m_keyState & ~(MK_LBUTTON | MK_RBUTTON | MK_MBUTTON);
        QDropEvent drop(QPointF(m_point), m_actions, &m_data, ButtonsOf(keyState), ModifiersOf(keyState));
        const bool delivered = Send(drop);
        m_hWnd = nullptr;
        return delivered && drop.isAccepted() ? AllowedEffect(FromQtActions(drop.dropAction()), FromQtActions(m_actions))
                                              : DROPEFFECT_NONE;
    }

private:
    // To the window's widget; false when the window is gone.
    bool Send(QEvent& event) {
        CWnd* wnd = CWnd::FromHandle(m_hWnd);
        if (!wnd || !wnd->GetWidget())
            return false;
        QApplication::sendEvent(wnd->GetWidget(), &event);
        return true;
    }

    const QMimeData& m_data;
    Qt::DropActions m_actions;
    HWND m_hWnd = nullptr;   // the window the drag is over
    QPoint m_point;
    DWORD m_keyState = 0;
    bool m_accepted = false;   // the window took the last move
};

}  // namespace

DROPEFFECT CDragScript::PlayDrag(const QMimeData& data, DROPEFFECT allowed) {
    ++m_drags;
    m_result = DROPEFFECT_NONE;
    CScriptedDrag drag(data, allowed);
    size_t played = 0;
    bool ended = false;
    while (played < m_steps.size() && !ended) {
        const Step step = m_steps[played++];
        switch (step.kind) {
        case Kind::Move: drag.Move(step.hWnd, step.point, step.keyState); break;
        case Kind::Drop: m_result = drag.Drop(); ended = true; break;
        case Kind::Leave: drag.Leave(); ended = true; break;
        }
    }
    if (!ended)
        drag.Leave();
    m_steps.erase(m_steps.begin(), m_steps.begin() + static_cast<std::ptrdiff_t>(played));
    return m_result;
}

DROPEFFECT CDragScript::DropFromOutside(const QMimeData& data, CWnd* wnd, CPoint point, DWORD keyState,
                                        DROPEFFECT allowed) {
    CScriptedDrag drag(data, allowed);
    drag.Move(wnd ? wnd->GetSafeHwnd() : nullptr, point, keyState);
    return drag.Drop();
}
