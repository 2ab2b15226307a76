// The frame's dialog commands: each reaches its dialog from its menu item and
// its key, and what the dialog does after OK happens.
#include "app/addmeasuresdlg.h"
#include "app/addstaffdlg.h"
#include "app/changestaffdlg.h"
#include "app/gotodlg.h"
#include "app/mainframe.h"
#include "app/pagedlgs.h"
#include "app/removemeasuresdlg.h"
#include "app/removestaffdlg.h"
#include "app/sysexdlg.h"

#include "platform/ui/cmdui.h"
#include "platform/ui/dialog_script.h"
#include "platform/ui/menu.h"
#include "platform/ui/uiresources.h"
#include "tests/app/frame_support.h"
#include "tests/interface/document/doc_support.h"
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

// Each document dialog's command with the dialog it opens.
struct DocumentCommand {
    UINT command;
    UINT dialog;
};
constexpr DocumentCommand kDocumentCommands[] = {
    {39132, IDD_ADDSTAFF},        {39133, IDD_REMOVESTAFF},        {39134, IDD_CHANGESTAFF},
    {39135, IDD_ADD_MEASURES},    {39136, IDD_REMOVE_MEASURES},    {39140, IDD_GOTO},
};

TEST_F(FrameDialogs, DocumentDialogsNeedAnActiveDocumentThePageDialogsDoNot) {
    ASSERT_EQ(MCOpusDoc::GetActiveDoc(), nullptr);
    CDialogScript dialogs;
    for (const DocumentCommand& entry : kDocumentCommands)
        frame->SendMessage(WM_COMMAND, entry.command, 0);
    EXPECT_TRUE(dialogs.GetShown().empty());

    // Add Page and Remove Page show their dialogs with or without a document.
    dialogs.Queue(IDD_ADD_PAGE, [](CWnd& dialog) { CDialogScript::Click(dialog, IDOK); });
    dialogs.Queue(IDD_REMOVE_PAGE, [](CWnd& dialog) { CDialogScript::Click(dialog, IDCANCEL); });
    frame->SendMessage(WM_COMMAND, 39130, 0);
    frame->SendMessage(WM_COMMAND, 39131, 0);
    EXPECT_EQ(dialogs.GetShown(), (std::vector<UINT>{IDD_ADD_PAGE, IDD_REMOVE_PAGE}));
}

TEST_F(FrameDialogs, DocumentDialogsRunOnTheActiveDocument) {
    std::unique_ptr<MCOpusDoc> doc = doc_support::DocumentParts::MakeDocument();
    doc->OnNewDocument();
    MCOpusDoc::SetActiveDoc(doc.get());

    CDialogScript dialogs;
    std::vector<UINT> expected;
    for (const DocumentCommand& entry : kDocumentCommands) {
        dialogs.Queue(entry.dialog, [](CWnd& dialog) { CDialogScript::Click(dialog, IDCANCEL); });
        frame->SendMessage(WM_COMMAND, entry.command, 0);
        expected.push_back(entry.dialog);
    }
    // Ctrl+G is Go To.
    dialogs.Queue(IDD_GOTO, [](CWnd& dialog) { CDialogScript::Click(dialog, IDCANCEL); });
    QTest::keyClick(frame->GetWidget(), Qt::Key_G, Qt::ControlModifier);
    expected.push_back(IDD_GOTO);
    EXPECT_EQ(dialogs.GetShown(), expected);
    EXPECT_FALSE(doc->IsModified());   // Cancel changed nothing

    MCOpusDoc::SetActiveDoc(nullptr);
    doc.reset();
    MCOpusDoc::WaitThreadsFinished(0);
}

}  // namespace
