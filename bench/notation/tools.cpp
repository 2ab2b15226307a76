// The note tool in a score window, as the user feels it: a real window
// offscreen, opened through its template as the tool tests open one
// (tests/notation/tools/insertview_support.h), with a quarter note as the
// palette's prototype in insert mode.
//
// PointerUpdate times the view's handling of one WM_MOUSEMOVE (the
// tool's update: the dotted line, the ghost note, the status text) on a page
// of 4 staves x 32 measures, the pointer stepping across the beats and
// pitches of the first staff's measures on screen; goal: median under 1 ms.
// PlaceNote times a note placed with the mouse end to end in a piece of
// 4 staves x 200 measures: the press and release, the command, the
// renotation, the layout of the pages and the view's repaint, from the press
// until the window has painted what changed; goal: median under 30 ms.
// Both report the median of the single events ("median ms") beside the mean
// google-benchmark prints; neither asserts a time.
#include "model/appstates.h"
#include "model/notes.h"
#include "notation/tools/notecursor.h"
#include "notation/view/pagenate.h"
#include "platform/ui/uiresources.h"
#include "tests/notation/support/durationgate.h"
#include "tests/notation/tools/insertview_support.h"
#include "tests/support/smf_support.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

namespace {

constexpr UINT IDR_BENCH_TOOLS_MAIN = 29990;
constexpr UINT IDR_BENCH_TOOLS_DOC = 29991;
const MenuTemplate kMainMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_NEW, "&New"}}}}};
MENU_RESOURCE(IDR_BENCH_TOOLS_MAIN, kMainMenu);
const MenuTemplate kDocMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_CLOSE, "&Close"}}}}};
MENU_RESOURCE(IDR_BENCH_TOOLS_DOC, kDocMenu);

constexpr int kStaves = 4;
constexpr int kQuarter = 256;   // display ticks
constexpr int kGate = 66;       // the notes' gate, as the note tool's tests play them

// A piece of 4 staves in 4/4, treble and bass alternating: quarters on beats
// 1, 2 and 4 of every measure walking a scale, beat 3 resting (where the
// benchmark places its notes).
std::vector<uint8_t> FourStaffPiece(int bars) {
    constexpr int kDivision = tool_test::kDivision;
    smf_support::Track conductor;
    conductor.Tempo(0, 500000).TimeSignature(0, 4, 2).End();
    smf_support::File file(1, kDivision);
    file.Add(conductor);
    static const int kScale[] = {0, 2, 4, 5, 7, 9, 11, 12};
    for (int staff = 0; staff < kStaves; ++staff) {
        const int base = staff % 2 == 0 ? 67 : 48;   // G4 or C3
        smf_support::Track track;
        uint32_t rest = 0;   // ticks since the last event
        for (int bar = 0; bar < bars; ++bar) {
            for (int beat = 0; beat < 4; ++beat) {
                if (beat == 2) {
                    rest += kDivision;
                    continue;
                }
                const int key = base + kScale[(bar + beat + staff) % 8];
                track.NoteOn(rest, staff, key, 90).NoteOff(kDivision, staff, key);
                rest = 0;
            }
        }
        track.End(rest);
        file.Add(track);
    }
    return file.GetBytes();
}

// The note tool's window: the tool tests' fixture, run by hand.
class NoteToolWindow : public tool_test::InsertView {
public:
    NoteToolWindow() : InsertView(IDR_BENCH_TOOLS_MAIN, IDR_BENCH_TOOLS_DOC) {}
    ~NoteToolWindow() override {
        if (m_open)
            TearDown();
    }

    // The piece open in insert mode with a quarter as the prototype; false
    // when the window or the note tool is missing.
    bool Open(int bars) {
        SetUp();
        m_open = true;
        m_gate = std::make_unique<notation_test::DurationGate>(kGate);
        UsePrototype([] { return new ECNote(MCTime(0.0f), MCTime(1.0f)); });
        return main && OpenPiece(STATE_MODE_INSERT, FourStaffPiece(bars)) &&
               dynamic_cast<CNoteCursor*>(view->GetMusicCursor()) != nullptr;
    }

    // The first staff's measures whose beats all lie in the window.
    int MeasuresOnScreen() {
        CRect client;
        view->GetClientRect(&client);
        int count = 0;
        while (Measure(count + 1) && client.PtInRect(StaffPoint(count + 1, 3 * kQuarter)))
            ++count;
        return count;
    }

    // The notes of the first staff's first `measures` measures.
    int NotesIn(int measures) {
        int count = 0;
        for (int measure = 1; measure <= measures; ++measure)
            count += CountOf(measure, ET_NOTE);
        return count;
    }
    int MeasureCount() {
        int count = 0;
        while (Measure(count + 1))
            ++count;
        return count;
    }
    int PageCount() { return view->GetPagenate().GetPages().GetPageCount(); }
    // The status texts the tool has sent since the window opened.
    size_t StatusTexts() const { return log.statusTexts.size(); }

    using ToolView::Move;
    using InsertView::PitchPoint;
    using ToolView::Press;
    using ToolView::Release;
    using ToolView::Settle;
    CCantrel* View() { return view; }

protected:
    void TestBody() override {}
    void TearDown() override {
        InsertView::TearDown();
        m_gate.reset();
        m_open = false;
    }

private:
    std::unique_ptr<notation_test::DurationGate> m_gate;
    bool m_open = false;
};

double Median(std::vector<double> samples) {
    if (samples.empty())
        return 0;
    auto middle = samples.begin() + samples.size() / 2;
    std::nth_element(samples.begin(), middle, samples.end());
    return *middle;
}

double Seconds(std::chrono::steady_clock::time_point from) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - from).count();
}

void PointerUpdate(benchmark::State& state) {
    NoteToolWindow window;
    if (!window.Open(32)) {
        state.SkipWithError("the score window or its note tool did not open");
        return;
    }
    // Every beat of the measures on screen at pitches from below the staff
    // to above it, visited in order so each move changes beat or pitch.
    std::vector<CPoint> points;
    const int measures = window.MeasuresOnScreen();
    for (int measure = 1; measure <= measures; ++measure)
        for (int beat = 0; beat < 4; ++beat)
            for (int pitch : {57, 62, 67, 71, 74, 77, 81})
                points.push_back(window.PitchPoint(measure, beat * kQuarter, pitch));
    if (points.empty()) {
        state.SkipWithError("no measure on screen");
        return;
    }
    CCantrel* view = window.View();
    std::vector<double> samples;
    size_t next = 0;
    for (auto _ : state) {
        const CPoint point = points[next++ % points.size()];
        const auto start = std::chrono::steady_clock::now();
        view->SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(point.x, point.y));
        const double seconds = Seconds(start);
        state.SetIterationTime(seconds);
        samples.push_back(seconds);
        // What the update posted (the status text) is handled untimed.
        messaging_test::PumpPending();
    }
    if (window.StatusTexts() == 0)
        state.SkipWithError("the tool answered no move");
    state.counters["median ms"] = Median(samples) * 1e3;
    state.counters["staves"] = kStaves;
    state.counters["measures on screen"] = measures;
    state.counters["status texts"] = static_cast<double>(window.StatusTexts());
    state.counters["pages"] = window.PageCount();
}
BENCHMARK(PointerUpdate)
    ->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(300);

void PlaceNote(benchmark::State& state) {
    NoteToolWindow window;
    if (!window.Open(200)) {
        state.SkipWithError("the score window or its note tool did not open");
        return;
    }
    const int measures = window.MeasuresOnScreen();
    if (measures == 0) {
        state.SkipWithError("no measure on screen");
        return;
    }
    CCantrel* view = window.View();
    const int notesBefore = window.NotesIn(measures);
    std::vector<double> samples;
    int placed = 0;
    for (auto _ : state) {
        // Beat 3 of the measures on screen in turn, a new pitch each round;
        // the point is found on the layout as it stands after the last note,
        // and the pointer is there before the press, as the user's would be.
        const int measure = 1 + placed % measures;
        const int pitch = 60 + 2 * (placed / measures) % 20;
        const CPoint point = window.PitchPoint(measure, 2 * kQuarter, pitch);
        window.Move(point);
        window.Settle();
        const auto start = std::chrono::steady_clock::now();
        window.Press(point);
        window.Release(point);
        window.Settle();
        view->UpdateWindow();
        const double seconds = Seconds(start);
        state.SetIterationTime(seconds);
        samples.push_back(seconds);
        ++placed;
    }
    // A press that placed nothing would time nothing.
    if (window.NotesIn(measures) - notesBefore != placed)
        state.SkipWithError("not every press placed its note");
    state.counters["median ms"] = Median(samples) * 1e3;
    state.counters["staves"] = kStaves;
    state.counters["measures"] = window.MeasureCount();
    state.counters["pages"] = window.PageCount();
}
BENCHMARK(PlaceNote)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(30);

}  // namespace
