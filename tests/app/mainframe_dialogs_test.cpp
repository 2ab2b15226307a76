// The frame's dialog commands: each reaches its dialog from its menu item and
// its key, and what the dialog does after OK happens.
#include "app/mainframe.h"
#include "app/sysexdlg.h"

#include "platform/ui/cmdui.h"
#include "platform/ui/dialog_script.h"
#include "platform/ui/menu.h"
#include "platform/ui/uiresources.h"
#include "tests/app/frame_support.h"
#include "tests/sequencer/engine_support.h"

#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using frame_test::MainFrameTest;

constexpr UINT IDR_DOCUMENT_MENU = 131;
constexpr UINT ID_SYSEX = 33201;

// The frame with the capture backend's MIDI outputs open.
class FrameDialogs : public MainFrameTest {
protected:
    // The state a document frame's menu shows for `command` once the frame
    // has updated it, and the item's text; "" when no submenu holds it.
    std::string MenuItem(UINT command, bool& enabled) {
        std::unique_ptr<CMenu> menu = LoadMenu(IDR_DOCUMENT_MENU);
        for (int position = 0; menu && position < menu->GetMenuItemCount(); ++position) {
            CMenu* popup = menu->GetSubMenu(position);
            std::string text;
            if (!popup || popup->GetMenuString(command, text, MF_BYCOMMAND) == 0)
                continue;
            RunMenuCmdUI(popup, frame);
            enabled = (popup->GetMenuState(command, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED)) == 0;
            return text;
        }
        return {};
    }

    CManualClock clock{1000};
    CCaptureBackend* capture = nullptr;   // owned by the device library
    std::unique_ptr<CPortavel> portavel = engine_support::OpenCapture(capture, false);
};

TEST_F(FrameDialogs, SysExComesFromTheMenuAndCtrlShiftXWithoutADocument) {
    ASSERT_EQ(MCOpusDoc::GetActiveDoc(), nullptr);
    bool enabled = false;
    EXPECT_EQ(MenuItem(ID_SYSEX, enabled), "SysE&x...\tCtrl+Shift+X");
    EXPECT_TRUE(enabled);

    CDialogScript dialogs;
    dialogs.Queue(IDD_SYSEX, [](CWnd& dialog) { CDialogScript::Click(dialog, IDCANCEL); });
    frame->SendMessage(WM_COMMAND, ID_SYSEX, 0);   // the menu item
    dialogs.Queue(IDD_SYSEX, [](CWnd& dialog) { CDialogScript::Click(dialog, IDOK); });
    QTest::keyClick(frame->GetWidget(), Qt::Key_X, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(dialogs.GetShown(), (std::vector<UINT>{IDD_SYSEX, IDD_SYSEX}));

    // OK from the key sent the message the dialog opened on to both outputs.
    const SysExBytes generalMidiOn = BuildStandardSysEx(SYSEX_GM_ON);
    std::vector<int> outputs;
    for (const auto& record : capture->GetMidi()) {
        EXPECT_EQ(record.bytes, generalMidiOn);
        outputs.push_back(record.device);
    }
    EXPECT_EQ(outputs, (std::vector<int>{0, 1}));
}

}  // namespace
