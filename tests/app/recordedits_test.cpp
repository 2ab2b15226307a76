// Editing the piece from the main window's dialogs while it records: the
// program as a person drives it, a MIDI file opened, Record pressed, a staff
// added and measures removed, both gathered into one batch by the recording.
#include "app/addstaffdlg.h"
#include "app/mainbars.h"
#include "app/mainframe.h"
#include "app/removemeasuresdlg.h"
#include "app/staffwrightapp.h"
#include "interface/document/opusdoc.h"
#include "model/conductor.h"
#include "model/performance.h"
#include "platform/ui/dialog_script.h"
#include "platform/ui/docmanager.h"
#include "platform/ui/prompt_script.h"
#include "tests/app/app_support.h"
#include "tests/platform/messaging_support.h"
#include "tests/support/smf_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <algorithm>
#include <fstream>
#include <vector>
#include <string>

namespace {

// Four bars of quarter-note C4 in 4/4 on channel 1, at 96 ticks a quarter.
std::string WriteFourBars(const AppTestFolder& folder) {
    smf_support::Track conductor;
    conductor.Tempo(0, 500000).TimeSignature(0, 4, 2).End();
    smf_support::Track notes;
    for (int beat = 0; beat < 16; ++beat)
        notes.NoteOn(0, 0, 60, 100).NoteOff(96, 0, 60);
    notes.End();
    const smf_support::Bytes bytes = smf_support::File(1, 96).Add(conductor).Add(notes).GetBytes();
    const std::string path = folder.Path("four.mid");
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    return path;
}

void PumpFor(std::chrono::milliseconds span) {
    const auto until = std::chrono::steady_clock::now() + span;
    messaging_test::PumpUntil([&] { return std::chrono::steady_clock::now() > until; });
}

}  // namespace

// Record, Add Staff (one, after the last), Remove Measures (one from
// measure 1): the staff is added and the measure removed while the
// recording goes on, and stopping leaves a sound piece of three measures.
TEST(RecordingEdits, AStaffAddedAndAMeasureRemovedWhileRecordingLeaveASoundPiece) {
    AppTestFolder folder;
    CPromptScript prompts;
    CDialogScript dialogs;
    CStaffwrightApp app;
    app.SetCommandLine({WriteFourBars(folder)});
    ASSERT_TRUE(app.InitInstance());
    auto* frame = dynamic_cast<CMainFrame*>(AfxGetMainWnd());
    ASSERT_NE(frame, nullptr);
    MCOpusDoc* doc = MCOpusDoc::GetActiveDoc();
    ASSERT_NE(doc, nullptr);
    ECConductor* conductor = doc->GetBaseEvent()->GetConductor();
    ASSERT_EQ(conductor->GetMaxMeasureNumber(), 4);

    frame->SendMessage(WM_COMMAND, ID_TRANSPORT_RECORD);
    PumpFor(std::chrono::milliseconds(100));
    const int staves = conductor->GetMaxTrackNumber(TRACK_STAFF);
    dialogs.Queue(IDD_ADDSTAFF, [](CWnd& dlg) {
        CDialogScript::SetText(dlg, IDC_ADDSTAFF_COUNT, "1");
        CDialogScript::Click(dlg, IDOK);
    });
    dialogs.Queue(IDD_REMOVE_MEASURES, [](CWnd& dlg) {
        CDialogScript::SetText(dlg, IDC_REMMEAS_COUNT, "1");
        CDialogScript::SetText(dlg, IDC_REMMEAS_FROM, "1");
        CDialogScript::Click(dlg, IDOK);
    });
    frame->SendMessage(WM_COMMAND, 39132);   // Add Staff...
    frame->SendMessage(WM_COMMAND, 39136);   // Remove Measures...
    const std::vector<UINT> shown = dialogs.GetShown();
    EXPECT_EQ(std::vector<UINT>(shown.end() - std::min<size_t>(shown.size(), 2), shown.end()),
              (std::vector<UINT>{IDD_ADDSTAFF, IDD_REMOVE_MEASURES}));
    EXPECT_TRUE(messaging_test::PumpUntil([&] {
        return conductor->GetMaxTrackNumber(TRACK_STAFF) == staves + 1 && conductor->GetMaxMeasureNumber() == 3;
    }));
    PumpFor(std::chrono::milliseconds(300));   // the recording goes on over the edited piece
    frame->SendMessage(WM_COMMAND, ID_TRANSPORT_STOP);
    PumpFor(std::chrono::milliseconds(200));
    EXPECT_EQ(conductor->GetMaxMeasureNumber(), 3);
    EXPECT_EQ(conductor->GetMaxTrackNumber(TRACK_STAFF), staves + 1);

    prompts.Answer(IDNO);   // whatever it asks about saving
    app.CloseAllDocuments(FALSE);
    AfxGetMainWnd()->DestroyWindow();
    app.ExitInstance();
}
