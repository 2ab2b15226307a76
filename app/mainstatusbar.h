// The main frame's status bar: pane 0 the message pane (it stretches), pane 1
// the status text (150), pane 2 the transport text (100), pane 3 the mode text
// (150), and a progress control (id 1) shown in pane 0 while a task runs.
// OnUpdate follows the states the frame routes to it. User-interface thread only.
#pragma once

#include "platform/ui/statusbar.h"

#include <memory>
#include <string>

class CFrameWnd;
class CObject;
class CProgressCtrl;

inline constexpr UINT ID_MAIN_STATUSBAR = 59393;
inline constexpr UINT IDC_STATUS_PROGRESS = 1;

class CMainStatusBar : public CStatusBar {
    DECLARE_DYNAMIC(CMainStatusBar)
public:
    CMainStatusBar();
    ~CMainStatusBar() override;

    // The bar, its four panes and the hidden progress control; FALSE on failure.
    virtual BOOL CreateBar(CFrameWnd* frame);

    virtual void OnUpdate(long code, CObject* state);
    virtual void SetStatusText(const std::string& text);
    virtual void SetStatusText(UINT id);
    virtual void SetTransportText(const std::string& text);
    virtual void SetTransportText(UINT id);
    virtual void SetModeText(const std::string& text);
    virtual void SetModeText(UINT id);
    // The progress control goes into pane 0 after `text` (10 pixels on), 200
    // wide, cut at the pane's right edge.
    virtual void BeginProgress(int low, int high, int step, const std::string& text);
    virtual void SetProgressPos(int position);
    virtual void StepProgress();
    virtual void EndProgress();

    // Null before the bar is made.
    CProgressCtrl* GetProgressCtrl() const { return m_pProgress.get(); }

private:
    // Play with no output device open sounds nothing: the message pane says
    // so once, and again only after a play that found a device open.
    void TellWhenSilent();

    std::unique_ptr<CProgressCtrl> m_pProgress;
    bool m_bToldSilent = false;
};
