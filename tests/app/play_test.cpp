// Play from the Transport bar, end to end: a type 1 MIDI file opened by the
// program, Play clicked on the bar, the capture devices receiving its notes at
// the file's times while a manual clock runs; the bar, the status bar and the
// time display following the performance; Stop ending it.
#include "app/mainbars.h"
#include "app/mainframe.h"
#include "app/mainstatusbar.h"
#include "app/staffwrightapp.h"
#include "app/timebar.h"
#include "app/timedisplay.h"
#include "interface/controls/timeformat.h"
#include "interface/document/opusdoc.h"
#include "model/appstates.h"
#include "model/preferences.h"
#include "platform/core/clock.h"
#include "platform/core/window.h"
#include "platform/devices/capture.h"
#include "platform/devices/portavel.h"
#include "platform/ui/prompt_script.h"
#include "sequencer/enginestates.h"
#include "tests/app/app_support.h"
#include "tests/support/smf_support.h"

#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

// 3/4 at 100 (600 ms a quarter), 96 ticks a quarter: C4 for the first
// quarter, E4 for the first quarter of bar 2, G4 for that of bar 4.
void WriteTypeOne(const std::string& path) {
    smf_support::Track conductor;
    conductor.TimeSignature(0, 3, 2).Tempo(0, 600000).End();
    smf_support::Track notes;
    notes.NoteOn(0, 0, 60, 100).NoteOff(96, 0, 60)
        .NoteOn(192, 0, 64, 100).NoteOff(96, 0, 64)
        .NoteOn(480, 0, 67, 100).NoteOff(96, 0, 67)
        .End();
    const smf_support::Bytes bytes = smf_support::File(1, 96).Add(conductor).Add(notes).GetBytes();
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A note message as it left: device milliseconds after play began, output, bytes.
struct Sent {
    long ms;
    int device;
    std::vector<uint8_t> bytes;
    bool operator==(const Sent&) const = default;
};

void PrintTo(const Sent& sent, std::ostream* out) {
    *out << "{" << sent.ms << " ms, device " << sent.device << ",";
    for (uint8_t byte : sent.bytes)
        *out << " " << static_cast<int>(byte);
    *out << "}";
}

class PlayFromTheTransportBar : public ::testing::Test {
protected:
    void SetUp() override {
        SaveIntPreference("Time", "Format", TIMEFMT_BAR_BEAT_TICK);
        app.SetCommandLine({});
        ASSERT_TRUE(app.InitInstance());
        frame = dynamic_cast<CMainFrame*>(AfxGetMainWnd());
        ASSERT_NE(frame, nullptr);
        portavel = CPortavel::GetPortavel();
        ASSERT_NE(portavel, nullptr);
        capture = CCaptureBackend::Find(*portavel);
        ASSERT_NE(capture, nullptr);
        // The program comes to the front, as it does when the user starts
        // it: its activation opens the devices (the process may be active
        // already, from an earlier program object, and send none itself).
        frame->SendMessage(WM_ACTIVATEAPP, TRUE, 0);
        ASSERT_TRUE(capture->IsStarted(PV_MIDI, PV_OUTPUT, 0));
    }
    void TearDown() override {
        if (doc && (doc->GetSequence()->GetState() & 0x30)) {
            auto* stop = new SCPerform(STATE_PERFORM_STOP);
            stop->SetAsynchronous(0);
            stop->Apply(doc->GetBaseEvent());
        }
        for (int step = 0; step < 100 && doc && (doc->GetSequence()->GetState() & 0x1001) != 0x1001; ++step)
            Run(10);
        app.CloseAllDocuments(FALSE);
        if (CWnd* main = AfxGetMainWnd())
            main->DestroyWindow();
        app.ExitInstance();
    }

    // Clicks a button of the Transport bar as the user does: pressed, drawn
    // pressed, released over it.
    void Click(UINT id) {
        app.OnIdle(0);   // the bar's buttons take their enabled states
        MCButton2& button = frame->GetTransportBar().GetButton(id);
        ASSERT_TRUE(button.IsWindowEnabled()) << id;
        QTest::mousePress(button.GetWidget(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
        button.GetWidget()->grab();
        QTest::mouseRelease(button.GetWidget(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
        Deliver();
    }

    // Runs the program's loop while the metronome's thread sends it the
    // beats (bounded, not timed).
    static void Deliver() {
        for (int idle = 0, n = 0; idle < 20 && n < 2000; ++n) {
            QCoreApplication::processEvents();
            idle = DeliverSentMessages() ? 0 : idle + 1;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    // Moves the clock on by `ms` in steps of 5, the devices and the loop
    // keeping up.
    void Run(std::uint64_t ms) {
        for (std::uint64_t done = 0; done < ms; done += 5) {
            clock.Advance(5);
            portavel->WaitForDeviceThread();
            QCoreApplication::processEvents();
        }
        Deliver();
    }

    std::vector<Sent> NotesSent() const {
        std::vector<Sent> sent;
        for (const auto& record : capture->GetMidi()) {
            const int status = record.bytes.empty() ? 0 : record.bytes[0] & 0xF0;
            if (status == 0x80 || status == 0x90)
                if (record.bytes[1] == 60 || record.bytes[1] == 64 || record.bytes[1] == 67)
                    sent.push_back({static_cast<long>(record.time) - static_cast<long>(start), record.device,
                                    record.bytes});
        }
        return sent;
    }

    std::string PaneTwo() { return frame->GetStatusBar().GetPaneText(2); }
    std::string TimeShown() { return frame->GetTimeBar()->GetDisplay().GetTimeText(); }

    CManualClock clock{1000};   // made first, gone last: the devices run on it
    AppTestFolder folder;
    CPromptScript prompts;
    CStaffwrightApp app;
    CMainFrame* frame = nullptr;       // the program's; goes with its window
    CPortavel* portavel = nullptr;     // the program's
    CCaptureBackend* capture = nullptr;   // owned by the device library
    MCOpusDoc* doc = nullptr;          // the document manager's
    long start = 0;                    // device time play began at
};

TEST_F(PlayFromTheTransportBar, PlaysTheFileAtItsTimesCountsBarsAndBeatsAndStops) {
    const std::string path = folder.Path("three.mid");
    WriteTypeOne(path);
    doc = dynamic_cast<MCOpusDoc*>(app.OpenDocumentFile(path.c_str()));
    ASSERT_NE(doc, nullptr);
    Deliver();
    ASSERT_EQ(MCOpusDoc::GetActiveDoc(), doc);
    EXPECT_EQ(TimeShown(), "001:01:000");
    capture->Clear();

    start = static_cast<long>(portavel->GetBufferTime());
    Click(ID_TRANSPORT_PLAY);
    ASSERT_TRUE(doc->GetSequence()->GetState() & 0x30) << std::hex << doc->GetSequence()->GetState();
    CTransportBar& bar = frame->GetTransportBar();
    EXPECT_EQ(bar.GetPlayLayout(), 1);
    EXPECT_TRUE(bar.GetButton(ID_TRANSPORT_REWIND).IsWindowVisible());
    EXPECT_TRUE(bar.GetButton(ID_TRANSPORT_FORWARD).IsWindowVisible());
    EXPECT_FALSE(bar.GetButton(ID_TRANSPORT_NEXT).IsWindowVisible());
    EXPECT_EQ(PaneTwo(), "Playing");

    // The readout after the clock passes each point: the last beat begun.
    const struct { std::uint64_t atMs; const char* shown; } points[] = {
        {700, "001:02:000"}, {1300, "001:03:000"}, {1900, "002:01:000"}, {2500, "002:02:000"}, {3100, "002:03:000"},
    };
    std::uint64_t elapsed = 0;
    for (const auto& point : points) {
        Run(point.atMs - elapsed);
        elapsed = point.atMs;
        EXPECT_EQ(TimeShown(), point.shown) << "after " << point.atMs << " ms";
    }

    // The first two notes on device 0 at the file's times; the third is still to come.
    const std::vector<Sent> expected = {
        {0, 0, {0x90, 60, 100}}, {600, 0, {0x90, 60, 0}}, {1800, 0, {0x90, 64, 100}}, {2400, 0, {0x90, 64, 0}}};
    EXPECT_EQ(NotesSent(), expected);

    Click(ID_TRANSPORT_STOP);
    Run(50);
    EXPECT_FALSE(doc->GetSequence()->GetState() & 0x30) << std::hex << doc->GetSequence()->GetState();
    EXPECT_EQ(PaneTwo(), "");
    EXPECT_EQ(bar.GetPlayLayout(), 0);
    EXPECT_TRUE(bar.GetButton(ID_TRANSPORT_PREVIOUS).IsWindowVisible());
}

TEST_F(PlayFromTheTransportBar, PlayWithNoOutputDeviceSaysSoOnceUntilOneOpens) {
    const std::string path = folder.Path("three.mid");
    WriteTypeOne(path);
    doc = dynamic_cast<MCOpusDoc*>(app.OpenDocumentFile(path.c_str()));
    ASSERT_NE(doc, nullptr);
    Deliver();
    const std::string silent = "No output device is open: playing makes no sound.";
    CMainStatusBar& status = frame->GetStatusBar();
    auto playAndStop = [&] {
        status.SetPaneText(0, "");
        Click(ID_TRANSPORT_PLAY);
        const std::string shown = status.GetPaneText(0);
        Click(ID_TRANSPORT_STOP);
        Run(50);
        return shown;
    };

    portavel->CloseDevices();   // as when the program loses the activation
    EXPECT_EQ(playAndStop(), silent);
    EXPECT_EQ(playAndStop(), "");   // told once
    frame->SendMessage(WM_ACTIVATEAPP, TRUE, 0);
    ASSERT_TRUE(capture->IsStarted(PV_MIDI, PV_OUTPUT, 0));
    EXPECT_EQ(playAndStop(), "");
    portavel->CloseDevices();
    EXPECT_EQ(playAndStop(), silent);   // lost again after one had opened
}

}  // namespace
