// The audition dialog, scripted: the stored range and velocity, the track bar
// feeding the keyboard, the advanced view, "&Update" reaching the keyboard at
// once, and the settings written when it closes.
#include "interface/controls/audition.h"

#include "model/preferences.h"
#include "platform/core/clock.h"
#include "platform/core/profile.h"
#include "platform/devices/capture.h"
#include "platform/devices/portavel.h"
#include "platform/ui/dialog_script.h"
#include "platform/ui/scrollctrl.h"
#include "tests/interface/controls/control_support.h"
#include "tests/sequencer/engine_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

constexpr const char* kSection = "Settings\\Keyboard";
using Bytes = std::vector<std::vector<std::uint8_t>>;

// The dialog with its fields in reach.
class CAuditionUnderTest : public MCAuditionWnd {
public:
    MCSpinEdit& Channel() { return m_channel; }
    MCNoteEdit& LowNote() { return m_lowNote; }
    MCNoteEdit& HighNote() { return m_highNote; }
};

class Audition : public ::testing::Test {
protected:
    Audition() { CProfile::Application().DeleteSection(kSection); }
    ~Audition() override { CProfile::Application().DeleteSection(kSection); }

    Bytes Sent(int device) {
        Bytes sent;
        for (const auto& record : capture->GetMidi())
            if (record.origin == PV_ORIGIN_IMMEDIATE && record.device == device)
                sent.push_back(record.bytes);
        capture->Clear();
        return sent;
    }
    // A click on middle C of the dialog's keyboard.
    static void PlayMiddleC(MCAuditionWnd& dialog) {
        MCPianoCtrl& keys = dialog.GetKeyboard();
        keys.GetWidget()->grab();   // drawn once, so the keys lie where they are shown
        const CRect key = keys.GetKeyRect(60);
        const QPoint at((key.left + key.right) / 2, key.bottom - 3);
        control_test::Press(keys, at);
        control_test::Release(keys, at);
    }
    static CRect WindowRect(CWnd& window) {
        CRect rect;
        window.GetWindowRect(&rect);
        return rect;
    }

    CManualClock clock{1000};
    CCaptureBackend* capture = nullptr;
    std::unique_ptr<CPortavel> portavel = engine_support::OpenCapture(capture, false);
};

TEST_F(Audition, TheStoredRangeAndTheTrackBarReachTheKeyboard) {
    SaveIntPreference(kSection, "LowNote", 36);
    SaveIntPreference(kSection, "HighNote", 72);
    MCAuditionWnd dialog;
    dialog.SetDevChan(0, 0);
    CDialogScript script;
    script.Queue(MCAuditionWnd::IDD, [&](CWnd& dlg) {
        EXPECT_EQ(dialog.GetKeyboard().GetLowNote(), 36);
        EXPECT_EQ(dialog.GetKeyboard().GetHighNote(), 72);
        EXPECT_EQ(CDialogScript::GetText(dlg, MCAuditionWnd::IDC_LOW_NOTE), "C2");
        EXPECT_EQ(CDialogScript::GetText(dlg, MCAuditionWnd::IDC_VELOCITY_TEXT), "127");

        // The thumb dragged to 90, then a line step read from the bar.
        auto* bar = dynamic_cast<CSliderCtrl*>(dlg.GetDlgItem(MCAuditionWnd::IDC_VELOCITY));
        ASSERT_NE(bar, nullptr);
        dlg.SendMessage(WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, 90), reinterpret_cast<LPARAM>(bar->m_hWnd));
        EXPECT_EQ(CDialogScript::GetText(dlg, MCAuditionWnd::IDC_VELOCITY_TEXT), "90");
        PlayMiddleC(dialog);
        EXPECT_EQ(Sent(0), (Bytes{{0x90, 0x3C, 90}, {0x80, 0x3C, 90}}));
        bar->SetPos(91);
        dlg.SendMessage(WM_HSCROLL, MAKEWPARAM(SB_LINEDOWN, 0), reinterpret_cast<LPARAM>(bar->m_hWnd));
        EXPECT_EQ(CDialogScript::GetText(dlg, MCAuditionWnd::IDC_VELOCITY_TEXT), "91");
        CDialogScript::Click(dlg, IDOK);
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);

    // Closing wrote the four settings.
    EXPECT_EQ(LoadIntPreference(kSection, "LowNote", 0), 36);
    EXPECT_EQ(LoadIntPreference(kSection, "HighNote", 0), 72);
    EXPECT_EQ(LoadIntPreference(kSection, "Velocity", 0), 91);
    EXPECT_EQ(LoadIntPreference(kSection, "Advanced", -1), 0);
}

TEST_F(Audition, AdvancedTogglesTheSizeAndTheLowerControls) {
    MCAuditionWnd dialog;
    CDialogScript script;
    script.Queue(MCAuditionWnd::IDD, [&](CWnd& dlg) {
        const UINT lower[] = {MCAuditionWnd::IDC_VELOCITY, MCAuditionWnd::IDC_HIGH_NOTE, MCAuditionWnd::IDC_LOW_NOTE,
                              MCAuditionWnd::IDC_UPDATE};
        // No "Advanced" stored: compact, the lower controls disabled.
        EXPECT_EQ(dialog.IsAdvanced(), 0);
        // The window ends 10 pixels below the keyboard (its frame included).
        const CRect compact = WindowRect(dlg);
        const int keysBottom = WindowRect(*dlg.GetDlgItem(MCAuditionWnd::IDC_KEYBOARD)).bottom;
        EXPECT_GE(compact.bottom, keysBottom + 10);
        EXPECT_LT(compact.bottom, keysBottom + 20);
        EXPECT_GT(WindowRect(*dlg.GetDlgItem(MCAuditionWnd::IDC_VELOCITY)).top, compact.bottom);
        for (UINT id : lower)
            EXPECT_FALSE(dlg.GetDlgItem(static_cast<int>(id))->IsWindowEnabled()) << id;
        EXPECT_EQ(CDialogScript::GetText(dlg, MCAuditionWnd::IDC_ADVANCED), "&Advanced >>");

        CDialogScript::Click(dlg, MCAuditionWnd::IDC_ADVANCED);
        const CRect full = WindowRect(dlg);
        EXPECT_GT(full.Height(), compact.Height());
        EXPECT_EQ(full.TopLeft(), compact.TopLeft());
        for (UINT id : lower)
            EXPECT_TRUE(dlg.GetDlgItem(static_cast<int>(id))->IsWindowEnabled()) << id;
        EXPECT_EQ(CDialogScript::GetText(dlg, MCAuditionWnd::IDC_ADVANCED), "&Advanced <<");

        CDialogScript::Click(dlg, MCAuditionWnd::IDC_ADVANCED);
        EXPECT_EQ(WindowRect(dlg), compact);
        CDialogScript::Click(dlg, MCAuditionWnd::IDC_ADVANCED);
        CDialogScript::Click(dlg, IDOK);
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(LoadIntPreference(kSection, "Advanced", 0), 1);
}

TEST_F(Audition, UpdateGivesTheKeyboardItsRangeDeviceAndChannelAtOnce) {
    SaveIntPreference(kSection, "Advanced", 1);
    CAuditionUnderTest dialog;
    dialog.SetDevChan(0, 0);
    CDialogScript script;
    script.Queue(MCAuditionWnd::IDD, [&](CWnd& dlg) {
        EXPECT_EQ(dialog.GetKeyboard().GetChannel(), 1);
        CDialogScript::Choose(dlg, MCAuditionWnd::IDC_DEVICE, 1);
        dialog.Channel().SetValue(3);
        dialog.LowNote().SetValue(48);
        dialog.HighNote().SetValue(84);
        CDialogScript::Click(dlg, MCAuditionWnd::IDC_UPDATE);
        EXPECT_EQ(dialog.GetKeyboard().GetLowNote(), 48);
        EXPECT_EQ(dialog.GetKeyboard().GetHighNote(), 84);
        EXPECT_EQ(dialog.GetKeyboard().GetDevice(), 1);
        EXPECT_EQ(dialog.GetKeyboard().GetChannel(), 3);
        PlayMiddleC(dialog);
        EXPECT_EQ(Sent(1), (Bytes{{0x92, 0x3C, 127}, {0x82, 0x3C, 127}}));
        CDialogScript::Click(dlg, IDOK);
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.GetDevice(), 1);
    EXPECT_EQ(dialog.GetChannel(), 3);
}

}  // namespace
