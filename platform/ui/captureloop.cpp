#include "platform/ui/captureloop.h"

#include "platform/core/clock.h"
#include "platform/ui/cursor.h"

#include <QEventLoop>

#include <algorithm>
#include <vector>

namespace {

struct RunningLoop {
    HWND hWnd;                         // the window that holds the capture for it
    const CCaptureLoop::Watcher* watcher;
    QEventLoop* loop;
    bool watcherEnded = false;
    bool ended = false;
};

// The running loops, innermost last.
thread_local std::vector<RunningLoop*> g_loops;

bool IsMouseMessage(UINT message) {
    return (message >= WM_MOUSEMOVE && message <= WM_MBUTTONDBLCLK) || message == WM_MOUSEWHEEL;
}

bool IsKeyMessage(UINT message) {
    return message >= WM_KEYDOWN && message <= WM_SYSCHAR;
}

void End(RunningLoop& running, bool byWatcher) {
    if (running.ended)
        return;
    running.ended = true;
    running.watcherEnded = byWatcher;
    running.loop->exit();
}

}  // namespace

bool CCaptureLoop::Run(CWnd& wnd, const Watcher& watcher) {
    if (!wnd.m_hWnd)
        return false;
    wnd.SetCapture();
    QEventLoop loop;
    RunningLoop running{wnd.m_hWnd, &watcher, &loop};
    g_loops.push_back(&running);
    loop.exec();
    g_loops.erase(std::find(g_loops.begin(), g_loops.end(), &running));
    if (CWnd::GetCapture() && CWnd::GetCapture()->m_hWnd == running.hWnd)
        ReleaseCapture();
    return running.watcherEnded;
}

namespace platform_detail {

bool OfferToCaptureLoop(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (g_loops.empty())
        return false;
    RunningLoop& running = *g_loops.back();
    if (running.ended)
        return false;
    if (hWnd == running.hWnd && (message == WM_CAPTURECHANGED || message == WM_DESTROY)) {
        End(running, false);   // the window still hears of it
        return false;
    }
    const bool mine = (hWnd == running.hWnd && IsMouseMessage(message)) || IsKeyMessage(message);
    if (!mine)
        return false;
    MSG msg;
    msg.hwnd = hWnd;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = timeGetTime();
    GetCursorPos(&msg.pt);
    if (!(*running.watcher)(msg))
        End(running, true);
    return true;
}

}  // namespace platform_detail
