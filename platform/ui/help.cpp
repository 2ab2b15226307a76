// F1 and Shift+F1 help (see help.h).
#include "platform/ui/help.h"

#include "platform/ui/app.h"
#include "platform/ui/frame.h"
#include "platform/ui/keys.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QWidget>


namespace {

LPARAM PackPoint(CPoint point) {
    return MAKELPARAM(static_cast<WORD>(static_cast<SHORT>(point.x)), static_cast<WORD>(static_cast<SHORT>(point.y)));
}

// The nearest window at or above a widget; null when none.
CWnd* WindowAt(QWidget* widget) {
    for (; widget; widget = widget->parentWidget())
        if (CWnd* wnd = CWnd::FromWidget(widget))
            return wnd;
    return nullptr;
}

// The help's contents, when nobody knew a context: the default help command
// through the frame's route, else the application's.
void ShowDefaultHelp(CFrameWnd* frame) {
    if (frame && frame->OnCmdMsg(ID_DEFAULT_HELP, CN_COMMAND, nullptr, nullptr))
        return;
    if (CWinApp* app = AfxGetApp())
        app->OnCmdMsg(ID_DEFAULT_HELP, CN_COMMAND, nullptr, nullptr);
}

// Asks the window at `globalPos` and those above it for a help context (WM_HELPHITTEST); 0 when none answers.
DWORD_PTR HitTestHelp(CWnd* wnd, QPoint globalPos) {
    while (wnd && wnd->GetWidget()) {
        const HWND hWnd = wnd->m_hWnd;
        const QPoint local = wnd->GetWidget()->mapFromGlobal(globalPos);
        if (const LRESULT context = wnd->SendMessage(WM_HELPHITTEST, 0, PackPoint(CPoint(local.x(), local.y()))))
            return static_cast<DWORD_PTR>(context);
        wnd = CWnd::FromHandle(hWnd);   // a handler may have destroyed it
        if (!wnd || !wnd->GetWidget() || wnd->GetWidget()->isWindow())
            break;
        wnd = wnd->GetParent();
    }
    return 0;
}

// Help mode: every event of the application passes here first while it
// lasts. It ends at the click it answers, at Escape or at another button;
// the release of the click that ended it is swallowed as well, then the
// object goes (deleteLater; the application owns it until then).
class CHelpMode : public QObject {
public:
    explicit CHelpMode(CFrameWnd& frame) : QObject(qApp), m_hFrame(frame.m_hWnd) {
        frame.m_bHelpMode = TRUE;
        QApplication::setOverrideCursor(QCursor(Qt::WhatsThisCursor));
        // Installed last, so it sees events before the window layer's filter does.
        qApp->installEventFilter(this);
    }
    ~CHelpMode() override {
        qApp->removeEventFilter(this);
        Leave();
    }

    CFrameWnd* Frame() const {
        return m_active ? static_cast<CFrameWnd*>(CWnd::FromHandle(m_hFrame)) : nullptr;
    }

    // Leaves help mode; the filter stays until the pending release is swallowed.
    void Leave() {
        if (!m_active)
            return;
        m_active = false;
        QApplication::restoreOverrideCursor();
        if (CWnd* frame = CWnd::FromHandle(m_hFrame))
            static_cast<CFrameWnd*>(frame)->m_bHelpMode = FALSE;
    }

protected:
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    void Finish();

    HWND m_hFrame;
    bool m_active = true;
    Qt::MouseButton m_swallow = Qt::NoButton;   // the button whose release is still to come
};

QPointer<CHelpMode>& HelpMode() {
    static QPointer<CHelpMode> mode;
    return mode;
}

// Leaves help mode; the object goes once no release is left to swallow (this
// may run inside its own filter, hence later).
void CHelpMode::Finish() {
    Leave();
    if (m_swallow == Qt::NoButton) {
        qApp->removeEventFilter(this);
        deleteLater();
    }
}

bool CHelpMode::eventFilter(QObject* object, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        if (!m_active || !object->isWidgetType())
            return m_active;
        auto* mouse = static_cast<QMouseEvent*>(event);
        CWnd* clicked = WindowAt(static_cast<QWidget*>(object));
        const HWND hFrame = m_hFrame;
        m_swallow = mouse->button();
        const bool left = mouse->button() == Qt::LeftButton;
        Finish();
        if (!left)
            return true;   // another button only leaves help mode
        const DWORD_PTR context = HitTestHelp(clicked, mouse->globalPosition().toPoint());
        if (context == 0)
            ShowDefaultHelp(static_cast<CFrameWnd*>(CWnd::FromHandle(hFrame)));
        else if (CWinApp* app = AfxGetApp())
            app->WinHelp(context, CWinApp::HELP_CONTEXT);
        return true;
    }
    case QEvent::MouseButtonRelease:
        if (m_active)
            return true;
        if (static_cast<QMouseEvent*>(event)->button() == m_swallow) {
            m_swallow = Qt::NoButton;
            Finish();
            return true;
        }
        return false;
    case QEvent::KeyPress:
        if (m_active && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            Finish();
            return true;
        }
        return false;
    default:
        return false;
    }
}

}  // namespace

CFrameWnd* GetHelpModeFrame() {
    return HelpMode() ? HelpMode()->Frame() : nullptr;
}

BOOL CFrameWnd::PreTranslateMessage(MSG* pMsg) {
    if (CWnd::PreTranslateMessage(pMsg))
        return TRUE;
    // F1 is help wherever the accelerators leave it; Ctrl+F1 and Alt+F1 are theirs.
    if (pMsg && pMsg->message == WM_KEYDOWN && pMsg->wParam == VK_F1 && GetKeyState(VK_CONTROL) >= 0 &&
        GetKeyState(VK_MENU) >= 0) {
        const UINT command = GetKeyState(VK_SHIFT) < 0 ? ID_CONTEXT_HELP : ID_HELP;
        SendMessage(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(command), 1), 0);
        return TRUE;
    }
    return FALSE;
}

LRESULT CFrameWnd::OnCommandHelp(WPARAM, LPARAM lParam) {
    if (lParam == 0 && m_nIDHelp != 0)
        lParam = static_cast<LPARAM>(HID_BASE_RESOURCE + m_nIDHelp);
    if (lParam == 0)
        return FALSE;
    if (CWinApp* app = AfxGetApp())
        app->WinHelp(static_cast<DWORD_PTR>(lParam), CWinApp::HELP_CONTEXT);
    return TRUE;
}

void CFrameWnd::OnHelp() {
    // F1 on a hovered menu item: the item's command.
    if (m_nIDTracking != 0 && SendMessage(WM_COMMANDHELP, 0, static_cast<LPARAM>(HID_BASE_COMMAND + m_nIDTracking)))
        return;
    // The focus window and those above it, then this frame when the focus lies elsewhere.
    bool askedThis = false;
    for (CWnd* wnd = CWnd::GetFocus(); wnd;) {
        const HWND hWnd = wnd->m_hWnd;
        askedThis = askedThis || wnd == this;
        if (wnd->SendMessage(WM_COMMANDHELP, 0, 0))
            return;
        wnd = CWnd::FromHandle(hWnd);
        if (!wnd || !wnd->GetWidget() || wnd->GetWidget()->isWindow())
            break;
        wnd = wnd->GetParent();
    }
    if (!askedThis && m_hWnd && SendMessage(WM_COMMANDHELP, 0, 0))
        return;
    ShowDefaultHelp(this);
}

void CFrameWnd::OnContextHelp() {
    if (CHelpMode* old = HelpMode()) {
        if (old->Frame())
            return;   // already in help mode
        // One still waiting for a release it will not see now.
        qApp->removeEventFilter(old);
        old->deleteLater();
    }
    HelpMode() = new CHelpMode(*this);
}

void CWinApp::OnHelpFinder() {
    WinHelp(0, HELP_FINDER);
}

void CWinApp::OnHelpIndex() {
    WinHelp(0, HELP_INDEX);
}
