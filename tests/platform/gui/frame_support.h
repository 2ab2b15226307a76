// The stand-in frame of the bar tests: a QMainWindow taken over by a CWnd,
// which notes the commands it receives and may handle one command (with an
// update handler or without) as a frame's tables would.
#pragma once

#include "platform/ui/cmdui.h"
#include "platform/ui/wnd.h"

#include <QApplication>
#include <QLayout>
#include <QMainWindow>

#include <vector>

namespace bar_test {

class CTestFrame : public CWnd {
public:
    explicit CTestFrame(int width = 800, int height = 600) {
        auto* mainWindow = new QMainWindow;   // destroyed with the window
        mainWindow->setCentralWidget(new QWidget);
        mainWindow->resize(width, height);
        SubclassWidget(mainWindow);
    }
    ~CTestFrame() override { DestroyWindow(); }

    QMainWindow* Main() const { return static_cast<QMainWindow*>(GetWidget()); }
    // Shows the frame and lays it out at its present size.
    void LayOut() const {
        Main()->show();
        QApplication::processEvents();
        Main()->layout()->activate();
    }
    void Resize(int width, int height) const {
        Main()->resize(width, height);
        LayOut();
    }

    // The command this frame handles (0: none) and what reached it.
    UINT handled = 0;
    // With it, an update handler that disables the command.
    bool updateDisables = false;
    std::vector<UINT> commands;

    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override {
        if (nID == 0 || nID != handled)
            return CWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
        if (nCode == CN_UPDATE_COMMAND_UI) {
            if (!updateDisables)
                return FALSE;
            static_cast<CCmdUI*>(pExtra)->Enable(FALSE);
            return TRUE;
        }
        if (nCode != CN_COMMAND)
            return FALSE;
        if (!pHandlerInfo)
            commands.push_back(nID);
        return TRUE;
    }
};

}  // namespace bar_test
