// The modal loop of a dialog window (CDialog, CPropertySheet): a nested event
// loop that runs until End, or the scripted loop of an installed CDialogScript
// (dialog_script.h), so tests never wait for a user.
//
// Run answers once the loop has ended; a window destroyed meanwhile ends it
// too (the window calls End with its result so far). User-interface thread only.
#pragma once

#include "platform/ui/wnd.h"

#include <functional>

class QEventLoop;

class CModalLoop {
public:
    // Runs the loop of `window` (template `nIDTemplate`, 0 when none);
    // `cancel` presses the window's Cancel for the script. Answers the result
    // End was given, -1 when it ended without one.
    int Run(CWnd& window, UINT nIDTemplate, const std::function<void()>& cancel);
    // Ends the loop with `nResult` (also before Run, or outside any loop).
    void End(int nResult);

    bool IsRunning() const { return m_running; }
    bool IsEnded() const { return m_ended; }
    int GetResult() const { return m_result; }
    // Forgets an earlier run's end, for the next one.
    void Reset();

private:
    QEventLoop* m_loop = nullptr;   // borrowed: on Run's stack while it waits
    bool m_running = false;
    bool m_ended = false;
    int m_result = -1;
};
