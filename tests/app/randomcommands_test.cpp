// The whole program driven by commands in random order, as a restless user
// would: the main frame's and the score view's commands that their update
// handlers enable, the score bar's zoom, voice and track choices, play, stop
// and record on the manual clock, printing into a PDF, saving, closing and
// reopening. Every dialog and every prompt is answered at random (OK,
// Cancel, Yes, No), so no loop waits for a user. A seed fixes the run; the
// program must live through it and keep every file it wrote readable.
//
// STAFFWRIGHT_RANDOM_ROUNDS sets the commands of each seed (a longer run);
// STAFFWRIGHT_RANDOM_TRACE=1 writes each step to standard error.
#include "app/gotodlg.h"
#include "app/mainbars.h"
#include "app/mainframe.h"
#include "app/staffwrightapp.h"
#include "app/timedisplay.h"
#include "interface/document/opusdoc.h"
#include "model/preferences.h"
#include "notation/view/viewids.h"
#include "platform/core/clock.h"
#include "platform/core/window.h"
#include "platform/devices/capture.h"
#include "platform/devices/portavel.h"
#include "platform/ui/cmdui.h"
#include "platform/ui/commondlg.h"
#include "platform/ui/dialog_script.h"
#include "platform/ui/filedialog.h"
#include "platform/ui/lists.h"
#include "platform/ui/menu.h"
#include "platform/ui/print.h"
#include "platform/ui/prompt.h"
#include "tests/app/app_support.h"
#include "tests/support/smf_support.h"

#include <QCoreApplication>
#include <QThread>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

// The commands a seed runs, unless STAFFWRIGHT_RANDOM_ROUNDS says otherwise.
constexpr int kDefaultRounds = 300;
// The seed whose run begins by going to the largest bar a person can type.
constexpr unsigned kLargestBarSeed = 3;
constexpr const char* kLargestBar = "2147483647:1:000";

// Commands the driver never gives: leaving the program ends the run.
const std::set<UINT> kNeverGiven = {ID_APP_EXIT};

// The score view's own commands (its bar's buttons and keys), beside the menus'.
const UINT kScoreCommands[] = {ID_VIEW_TRACK, ID_VIEW_PAGE,  ID_VIEW_ZOOMIN,        ID_VIEW_ZOOMOUT,
                               ID_VIEW_RULER, ID_PAGE_UP,    ID_PAGE_DOWN,          ID_FILE_PRINT,
                               ID_FILE_PRINT_DIRECT,         ID_FILE_PRINT_PREVIEW};

bool Tracing() {
    static const bool tracing = std::getenv("STAFFWRIGHT_RANDOM_TRACE") != nullptr;
    return tracing;
}

int Rounds() {
    const char* rounds = std::getenv("STAFFWRIGHT_RANDOM_ROUNDS");
    const int n = rounds ? std::atoi(rounds) : 0;
    return n > 0 ? n : kDefaultRounds;
}

// 3/4, two staves, a few bars of notes: enough for pages, playback and edits.
void WritePiece(const std::string& path) {
    smf_support::Track conductor;
    conductor.TimeSignature(0, 3, 2).Tempo(0, 500000).End();
    smf_support::Track upper;
    smf_support::Track lower;
    for (int bar = 0; bar < 6; ++bar) {
        upper.NoteOn(0, 0, 60 + bar, 90).NoteOff(96, 0, 60 + bar)
            .NoteOn(0, 0, 64 + bar, 90).NoteOff(192, 0, 64 + bar);
        lower.NoteOn(0, 1, 48 + bar, 80).NoteOff(288, 1, 48 + bar);
    }
    upper.End();
    lower.End();
    const smf_support::Bytes bytes = smf_support::File(1, 96).Add(conductor).Add(upper).Add(lower).GetBytes();
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// The answer of every prompt: one of its buttons, at random.
class RandomPrompts : public CPromptHandler {
public:
    explicit RandomPrompts(std::mt19937& random) : m_random(random) { m_previous = SetPromptHandler(this); }
    ~RandomPrompts() override { SetPromptHandler(m_previous); }
    RandomPrompts(const RandomPrompts&) = delete;
    RandomPrompts& operator=(const RandomPrompts&) = delete;

    // Another thread's prompt takes its default button: the run's numbers
    // are the user-interface thread's alone.
    int Show(const PromptRequest& request) override {
        if (QThread::currentThread() != QCoreApplication::instance()->thread())
            return DefaultPromptAnswer(request.flags);
        const std::vector<int> buttons = PromptButtons(request.flags);
        const int answer = buttons.empty() ? IDOK : buttons[m_random() % buttons.size()];
        if (Tracing())
            std::fprintf(stderr, "prompt \"%s\": %d\n", request.text.c_str(), answer);
        return answer;
    }

private:
    std::mt19937& m_random;       // borrowed: the run's
    CPromptHandler* m_previous;   // borrowed: restored at the end
};

// While it lives, a thread of the test moves the manual clock on whenever
// a thread waits with a timeout (a document closed while it plays waits for
// its player to rest; a relocation waits for the sequence): the manual clock
// stands in for the time that would pass meanwhile.
class ClockKeeper {
public:
    ClockKeeper(CManualClock& clock, CPortavel& portavel)
        : m_thread([this, &clock, &portavel] {
              while (!m_done.load()) {
                  if (CManualClock::GetTimedWaiterCount() > 0) {
                      clock.Advance(5);
                      portavel.WaitForDeviceThread();
                  }
                  std::this_thread::sleep_for(std::chrono::microseconds(200));
              }
          }) {}
    ~ClockKeeper() {
        m_done.store(true);
        m_thread.join();
    }
    ClockKeeper(const ClockKeeper&) = delete;
    ClockKeeper& operator=(const ClockKeeper&) = delete;

private:
    std::atomic<bool> m_done{false};
    std::thread m_thread;
};

// A probe of one command's update, as a menu item asks it.
struct EnabledProbe : CCmdUI {
    bool enabled = false;
    void Enable(BOOL on) override { enabled = on != FALSE; }
};

class RandomCommands : public ::testing::TestWithParam<unsigned> {
protected:
    void SetUp() override {
        random.seed(GetParam());
        SetProgramFolder(STAFFWRIGHT_PROGRAM_FOLDER);   // with the notation plug-in
        source = folder.Path("piece.mid");
        WritePiece(source);
        files = {source};
        SaveIntPreference("Views\\Music Score", "Visible", 1);   // files open in the score window
        SetPrinterQuery([] { return std::vector<PrinterDescription>{}; });
        SetProgramPrinter({folder.Path("printed.pdf"), std::nullopt});
        app.SetCommandLine({source});
        ASSERT_TRUE(app.InitInstance());
        frame = dynamic_cast<CMainFrame*>(AfxGetMainWnd());
        ASSERT_NE(frame, nullptr);
        portavel = CPortavel::GetPortavel();
        ASSERT_NE(portavel, nullptr);
        capture = CCaptureBackend::Find(*portavel);
        keeper.emplace(clock, *portavel);
        frame->SendMessage(WM_ACTIVATEAPP, TRUE, 0);
        Deliver();
    }
    void TearDown() override {
        SetPrinterQuery({});
        SetProgramPrinter({});
        if (frame && CWnd::FromHandle(frame->m_hWnd) == frame) {
            Stop();
            app.CloseAllDocuments(FALSE);
            frame->DestroyWindow();
        }
        app.ExitInstance();
        keeper.reset();
        SetProgramFolder({});
    }

    // Runs the program's loop while other threads send it messages (bounded, not timed).
    static void Deliver() {
        for (int idle = 0, n = 0; idle < 5 && n < 500; ++n) {
            QCoreApplication::processEvents();
            idle = DeliverSentMessages() ? 0 : idle + 1;
        }
    }
    // The clock moves on by `ms` in steps of 5, the devices and the loop keeping up.
    void RunClock(int ms) {
        for (int done = 0; done < ms; done += 5) {
            clock.Advance(5);
            portavel->WaitForDeviceThread();
            QCoreApplication::processEvents();
        }
        Deliver();
    }
    // Ends a performance, if one runs, and lets the player rest.
    void Stop() {
        MCOpusDoc* doc = MCOpusDoc::GetActiveDoc();
        if (!doc)
            return;
        if (doc->GetSequence()->GetState() & 0x30)
            Give(ID_TRANSPORT_STOP);
        for (int step = 0; step < 100 && (doc->GetSequence()->GetState() & 0x1001) != 0x1001; ++step)
            RunClock(10);
    }

    bool Enabled(UINT id) {
        EnabledProbe probe;
        probe.m_nID = id;
        probe.DoUpdate(frame, TRUE);
        return probe.enabled;
    }
    // The commands of `menu` and its submenus, asked as the menus ask when they open.
    void CollectEnabled(CMenu* menu, std::vector<UINT>& ids, int depth = 0) {
        if (!menu || depth > 4)
            return;
        RunMenuCmdUI(menu, frame, TRUE);
        for (int i = 0; i < menu->GetMenuItemCount(); ++i) {
            const UINT id = menu->GetMenuItemID(i);
            if (id == CMenu::NO_ITEM)
                CollectEnabled(menu->GetSubMenu(i), ids, depth + 1);
            else if (id && !kNeverGiven.count(id) && !(menu->GetMenuState(i, MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED)))
                ids.push_back(id);
        }
    }
    // The commands enabled now: the menus' or, a third of the time, the score view's.
    std::vector<UINT> EnabledCommands() {
        std::vector<UINT> ids;
        if (random() % 3 == 0)
            for (UINT id : kScoreCommands)
                if (Enabled(id))
                    ids.push_back(id);
        if (ids.empty())
            CollectEnabled(frame->GetMenu(), ids);
        return ids;
    }

    // The score bar of the active score window; null when none.
    CWnd* ScoreBar() {
        CMDIChildWnd* child = frame->MDIGetActive();
        return child ? child->GetDlgItem(static_cast<int>(IDD_SCOREBAR)) : nullptr;
    }

    // What the user does in any dialog: fills a file dialog with one of the
    // run's files, types a bar into Go To, then presses one of its answers.
    void QueueUser(CDialogScript& script) {
        for (int i = 0; i < 4; ++i) {
            script.Queue(RUNTIME_CLASS(CWnd), [this](CWnd& dialog) { ActIn(dialog); });
        }
    }
    void ActIn(CWnd& dialog) {
        if (auto* file = DYNAMIC_DOWNCAST(CFileDialog, &dialog)) {
            const std::string name = FileName(file->IsOpenDialog());
            if (Tracing())
                std::fprintf(stderr, "%s %s\n", file->IsOpenDialog() ? "open" : "save as", name.c_str());
            CDialogScript::SetText(dialog, edt1, name);
        }
        else if (DYNAMIC_DOWNCAST(CGotoDlg, &dialog))
            CDialogScript::SetText(dialog, IDC_GOTO_TIME, BarToType());
        std::vector<int> answers;
        for (int id : {IDOK, IDCANCEL, IDYES, IDNO})
            if (CWnd* button = dialog.GetDlgItem(id); button && button->IsWindowEnabled() && button->IsWindowVisible())
                answers.push_back(id);
        if (!answers.empty())
            CDialogScript::Click(dialog, answers[random() % answers.size()]);
    }
    std::string FileName(bool open) {
        if (open)
            return files[random() % files.size()];
        static const char* const names[] = {"one.mmm", "two.mmm", "three.mid", "printed.pdf"};
        const std::string path = folder.Path(names[random() % std::size(names)]);
        return path;
    }
    std::string BarToType() {
        static const char* const bars[] = {"1:1:000", "3:2:000", "999:1:000", kLargestBar, "0", "-5:1:0", "x"};
        return bars[random() % std::size(bars)];
    }

    // Gives command `id` as its menu item does, every dialog answered at random.
    void Give(UINT id) {
        CDialogScript script;
        QueueUser(script);
        ++given;
        if (Tracing())
            std::fprintf(stderr, "command %u\n", id);
        frame->SendMessage(WM_COMMAND, id, 0);
        Deliver();
        shownDialogs += script.GetShown().size();
    }

    // One step of the user: mostly an enabled command, sometimes time passing,
    // a choice on the score bar, MIDI played in, or closing and reopening.
    void Step() {
        const unsigned roll = random() % 100;
        if (roll < 62) {
            const std::vector<UINT> ids = EnabledCommands();
            if (!ids.empty())
                Give(ids[random() % ids.size()]);
        } else if (roll < 78) {
            RunClock(5 * static_cast<int>(1 + random() % 100));
        } else if (roll < 86) {
            if (CWnd* bar = ScoreBar()) {
                const int combos[] = {static_cast<int>(IDC_ZOOM), static_cast<int>(IDC_VOICE),
                                      static_cast<int>(IDC_TRACKS)};
                const int combo = combos[random() % std::size(combos)];
                auto* box = DYNAMIC_DOWNCAST(CComboBox, bar->GetDlgItem(combo));
                if (box && box->GetCount() > 0 && box->IsWindowEnabled()) {
                    CDialogScript script;
                    QueueUser(script);
                    CDialogScript::Choose(*bar, combo, static_cast<int>(random() % box->GetCount()));
                    Deliver();
                }
            }
        } else if (roll < 92) {
            if (capture) {
                const auto note = static_cast<std::uint8_t>(48 + random() % 24);
                capture->InjectMidi(0, {0x90, note, 100});
                RunClock(50);
                capture->InjectMidi(0, {0x80, note, 0});
                Deliver();
            }
        } else if (roll < 96) {
            Give(ID_FILE_PRINT);
        } else {
            CloseAndReopen();
        }
        app.OnIdle(0);   // the bars ask their commands' states
    }

    // Closes every document as the user does (each asked to be saved), then
    // opens one of the run's files again: each must open.
    void CloseAndReopen() {
        Stop();
        {
            CDialogScript script;
            QueueUser(script);
            if (!app.SaveAllModified())
                return;
        }
        app.CloseAllDocuments(FALSE);
        Deliver();
        std::vector<std::string> present;
        for (const std::string& name : {std::string("one.mmm"), std::string("two.mmm"), std::string("three.mid")})
            if (QFileInfo(QString::fromStdString(folder.Path(name))).size() > 0)
                present.push_back(folder.Path(name));
        present.push_back(source);
        const std::string path = present[random() % present.size()];
        if (Tracing())
            std::fprintf(stderr, "reopen %s\n", path.c_str());
        CDialogScript script;
        QueueUser(script);
        EXPECT_NE(app.OpenDocumentFile(path.c_str()), nullptr) << path << " written by the program does not open";
        Deliver();
    }

    CManualClock clock{1000};   // made first, gone last: the devices run on it
    AppTestFolder folder;
    std::mt19937 random;
    RandomPrompts prompts{random};
    CStaffwrightApp app;
    CMainFrame* frame = nullptr;          // the program's; goes with its window
    CPortavel* portavel = nullptr;        // the program's
    CCaptureBackend* capture = nullptr;   // the device library's
    std::optional<ClockKeeper> keeper;    // from start-up to the end
    std::string source;
    std::vector<std::string> files;       // what File Open may choose
    int given = 0;
    size_t shownDialogs = 0;
};

TEST_P(RandomCommands, TheProgramLivesThroughCommandsInRandomOrder) {
    ASSERT_NE(MCOpusDoc::GetActiveDoc(), nullptr);
    if (GetParam() == kLargestBarSeed) {
        // Go To the largest bar there is, then play from there.
        CDialogScript script;
        script.Queue(IDD_GOTO, [](CWnd& dialog) {
            CDialogScript::SetText(dialog, IDC_GOTO_TIME, kLargestBar);
            CDialogScript::Click(dialog, IDOK);
        });
        frame->SendMessage(WM_COMMAND, ID_TIME_GOTO, 0);
        Deliver();
        EXPECT_EQ(script.GetPending(), 0u);
        Give(ID_TRANSPORT_PLAY);
        RunClock(200);
        Stop();
    }
    const int rounds = Rounds();
    for (int round = 0; round < rounds; ++round) {
        Step();
        ASSERT_EQ(AfxGetMainWnd(), frame) << "round " << round;
    }
    Stop();
    EXPECT_GT(given, rounds / 3);
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomCommands, ::testing::Range(1u, 9u));

}  // namespace
