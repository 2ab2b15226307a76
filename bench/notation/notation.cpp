// The notation of a MIDI file as the user opens it: the seeded pieces of
// midigen.h (small 2 staves of 32 bars, medium 8 of 200, large 16 of 1,000,
// long 4 of 1,000)
// read into a new document by the program's MIDI reader, as a MIDI file's
// load reads it, on the engine's capture backend under a manual clock.
//
// ReadFile is the time to read the file: the figure the notation of the same
// file is reported beside. Making and freeing the document are not counted.
//
// NotateFile reads the piece (untimed), gives it to a notation view and
// times the view's attachment, which notates the whole piece
// (ProcessFileLoad) with all its passes; goal for the large piece: at most
// 1.2 s, and per note within 1.5 times the medium piece's time.
// AppendMeasure/large times one batch that appends a measure to the notated
// large piece and renotates it, as the view runs a command; goal: at most
// 16 ms. PagenateFile lays the notated piece out on pages whole (see
// there). AddNote/long times one batch that adds an eighth note by command
// to the notated long piece (4 staves of 1,000 bars) and renotates what it
// touched, as the view runs a note tool's command; goal: at most 16 ms. The
// edits laid out (EditLaidOut: a note added, a measure inserted or removed
// at bar 1, a 3/4 meter put at bar 1) time what the view does for an edit
// with its window open: the batch, the renotation and the layout of what
// the edit changed, on the large piece laid out whole beforehand; goal: at
// most 50 ms each. The engine is driven as the view drives it (the notation
// tests' view driver, tests/notation/support/viewdriver.h).
//
// The note tool's pointer update and a note placed with the mouse end to
// end, which need a score window of their own, are in tools.cpp.
#include "bench/notation/midigen.h"
#include "interface/document/midiread.h"
#include "interface/document/opusdoc.h"
#include "model/basiccommands.h"
#include "model/conductor.h"
#include "model/eventtypes.h"
#include "model/measure.h"
#include "model/measurecommands.h"
#include "model/meter.h"
#include "model/metercommands.h"
#include "model/notes.h"
#include "model/performance.h"
#include "model/staff.h"
#include "notation/autonote/notateinfo.h"
#include "notation/display/conductor.h"
#include "notation/layout/pagelayout.h"
#include "notation/layout/staffruler.h"
#include "notation/view/cantrel.h"
#include "notation/view/pagenate.h"
#include "notation/view/startup.h"
#include "platform/core/archive.h"
#include "platform/core/file.h"
#include "platform/gdi/dc.h"
#include "sequencer/performer.h"
#include "sequencer/sequence.h"
#include "tests/interface/document/doc_support.h"
#include "tests/notation/support/viewdriver.h"

#include <benchmark/benchmark.h>

#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr uint64_t SEED = 27;

// The piece of a size, generated once for every benchmark that reads it.
const midigen::Piece& PieceOf(midigen::Size size) {
    static const midigen::Piece pieces[] = {
        midigen::Generate(midigen::Size::Small, SEED),
        midigen::Generate(midigen::Size::Medium, SEED),
        midigen::Generate(midigen::Size::Large, SEED),
        midigen::Generate(midigen::Size::Long, SEED),
    };
    return pieces[static_cast<int>(size)];
}

// Reads `piece` into a new document; null when the reader refused the file
// or did not read every note. With `timed`, the read alone is timed on it
// (its timing runs on entry and is paused on return); without, nothing is
// timed (outside the benchmark loop, or with the timing paused).
std::unique_ptr<MCOpusDoc> ReadPiece(benchmark::State* timed, const midigen::Piece& piece) {
    if (timed)
        timed->PauseTiming();
    std::unique_ptr<MCOpusDoc> doc = doc_support::DocumentParts::MakeDocument();
    CMemFile source(piece.bytes);
    if (timed)
        timed->ResumeTiming();
    CArchive ar(&source, CArchive::load | CArchive::bNoFlushOnDelete);
    MCMidiRead reader;
    const int read = reader.LoadMidiFile(ar, doc.get());
    if (timed)
        timed->PauseTiming();
    int notes = 0;
    for (DCsqBase* p = read == 1 ? doc->GetSequence()->GetHead() : nullptr; p; p = p->GetNext())
        notes += p->GetClassType() == DT_NOTE;
    if (notes != piece.GetNoteCount())
        doc.reset();
    return doc;
}

// Frees a document read, untimed, and lets the timing run again.
void Free(benchmark::State& state, std::unique_ptr<MCOpusDoc>& doc) {
    doc.reset();
    MCOpusDoc::WaitThreadsFinished(0);
    state.ResumeTiming();
}

void Report(benchmark::State& state, const midigen::Piece& piece, int measures) {
    const auto notes = static_cast<double>(piece.GetNoteCount());
    state.counters["notes"] = notes;
    state.counters["staves"] = piece.staves;
    state.counters["measures"] = measures;
    state.counters["bytes"] = static_cast<double>(piece.bytes.size());
    state.counters["notes/s"] = benchmark::Counter(notes, benchmark::Counter::kIsIterationInvariantRate);
}

void ReadFile(benchmark::State& state, midigen::Size size) {
    doc_support::DocumentParts engine;   // the devices and clock every document needs
    const midigen::Piece& piece = PieceOf(size);
    int measures = 0;
    for (auto _ : state) {
        std::unique_ptr<MCOpusDoc> doc = ReadPiece(&state, piece);
        if (!doc) {
            state.SkipWithError("the file was not read whole");
            break;
        }
        measures = doc->GetBaseEvent()->GetConductor()->GetMaxMeasureNumber();
        Free(state, doc);
    }
    Report(state, piece, measures);
}
BENCHMARK_CAPTURE(ReadFile, small, midigen::Size::Small)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ReadFile, medium, midigen::Size::Medium)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ReadFile, large, midigen::Size::Large)->Unit(benchmark::kMillisecond)->Iterations(10);

// ---------------------------------------------------------------- NOTATION

// A context mapped as the view maps the screen at 100 %: twips, y upward.
struct ScreenContext {
    ScreenContext() {
        constexpr int kTwipsPerInch = 1440;
        constexpr int kPixelsPerInch = 96;
        dc.CreateCompatibleDC(nullptr);
        dc.SetMapMode(MM_ANISOTROPIC);
        dc.SetWindowExt(kTwipsPerInch, kTwipsPerInch);
        dc.SetViewportExt(kPixelsPerInch, -kPixelsPerInch);
    }
    CDC dc;
};

// A notation view on a document, driven as the view drives its engine; the
// view leaves the document when it goes.
struct NotationView {
    explicit NotationView(MCOpusDoc* doc) { doc->AddView(&view); }
    CCantrel view;
    notation_test::ViewDriver driver{view};
    // What pagination does with the update list after a run (untimed).
    void Flush() { view.GetAutoNote().GetDirtyRect().Clear(); }
};

// The piece read into `doc` and notated by a view, as after opening it
// (untimed); null, the benchmark skipped, when the file was not read whole.
// With `screen`, the view lays the piece out whole on it after notating it
// and lays out again after every later run, as it does with its window open.
std::unique_ptr<NotationView> OpenNotated(benchmark::State& state, const midigen::Piece& piece,
                                          std::unique_ptr<MCOpusDoc>& doc, ScreenContext* screen = nullptr) {
    doc = ReadPiece(nullptr, piece);
    if (!doc) {
        state.SkipWithError("the file was not read whole");
        return nullptr;
    }
    auto notation = std::make_unique<NotationView>(doc.get());
    if (screen)
        notation->driver.LayOutAfterRuns(&screen->dc);
    notation->driver.Attach(doc->GetBaseEvent());
    notation->Flush();
    return notation;
}

void NotateFile(benchmark::State& state, midigen::Size size) {
    doc_support::DocumentParts engine;
    InitPlugins();
    const midigen::Piece& piece = PieceOf(size);
    int measures = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<MCOpusDoc> doc = ReadPiece(nullptr, piece);
        if (!doc) {
            state.SkipWithError("the file was not read whole");
            break;
        }
        {
            NotationView notation(doc.get());
            state.ResumeTiming();
            notation.driver.Attach(doc->GetBaseEvent());
            state.PauseTiming();
            notation.Flush();
        }
        measures = doc->GetBaseEvent()->GetConductor()->GetMaxMeasureNumber();
        Free(state, doc);
    }
    Report(state, piece, measures);
}
BENCHMARK_CAPTURE(NotateFile, small, midigen::Size::Small)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(NotateFile, medium, midigen::Size::Medium)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(NotateFile, large, midigen::Size::Large)->Unit(benchmark::kMillisecond)->Iterations(5);

// Each iteration appends one more measure to the same notated piece.
void AppendMeasure(benchmark::State& state, midigen::Size size) {
    doc_support::DocumentParts engine;
    InitPlugins();
    const midigen::Piece& piece = PieceOf(size);
    std::unique_ptr<MCOpusDoc> doc;
    std::unique_ptr<NotationView> notation = OpenNotated(state, piece, doc);
    if (!notation)
        return;
    ECConductor* conductor = doc->GetBaseEvent()->GetConductor();
    const int before = conductor->GetMaxMeasureNumber();
    for (auto _ : state) {
        notation->driver.RunBatch({new CCAddMeasure(1, -1)});
        state.PauseTiming();
        notation->Flush();
        state.ResumeTiming();
    }
    const int appended = conductor->GetMaxMeasureNumber() - before;
    if (appended != static_cast<int>(state.iterations()))
        state.SkipWithError("a measure was not appended");
    // The piece's size; a rate of notes means nothing for one measure.
    state.counters["staves"] = piece.staves;
    state.counters["measures"] = before;
    state.counters["notes"] = piece.GetNoteCount();
    notation.reset();
    doc.reset();
    MCOpusDoc::WaitThreadsFinished(0);
}
BENCHMARK_CAPTURE(AppendMeasure, medium, midigen::Size::Medium)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK_CAPTURE(AppendMeasure, large, midigen::Size::Large)->Unit(benchmark::kMillisecond)->Iterations(20);

// The n-th note (0 first) a note benchmark adds: an eighth off the beat of
// another bar and staff each time, spread over a piece of `staves` staves
// and `bars` bars; its staff and bar come back through the last two.
ECNote* SpreadNote(int n, int staves, int bars, int& track, int& bar) {
    constexpr float kQuartersPerBar = midigen::BEATS_PER_BAR;
    constexpr int kBarStep = 37;
    track = n % staves + 1;
    bar = (n * kBarStep) % (bars - 1) + 1;
    auto* note = new ECNote;
    MCTime time((static_cast<float>(bar) - 1.0f) * kQuartersPerBar + 1.5f);
    note->SetTime(&time);
    note->SetVoiceTrack(0, track);
    const MCTime eighth(0.5f);
    note->SetDuration(&eighth);
    return note;
}

// Each iteration adds one eighth note, off the beat, to another bar and
// staff of the same notated piece.
void AddNote(benchmark::State& state, midigen::Size size) {
    doc_support::DocumentParts engine;
    InitPlugins();
    const midigen::Piece& piece = PieceOf(size);
    std::unique_ptr<MCOpusDoc> doc;
    std::unique_ptr<NotationView> notation = OpenNotated(state, piece, doc);
    if (!notation)
        return;
    ECConductor* conductor = doc->GetBaseEvent()->GetConductor();
    int added = 0;
    int refused = 0;
    for (auto _ : state) {
        state.PauseTiming();
        int track = 0;
        int bar = 0;
        ECNote* note = SpreadNote(added, piece.staves, piece.bars, track, bar);
        ECMeasure* measure = conductor->GetMeasure(track, bar);
        ++added;
        state.ResumeTiming();
        note->Ref();   // held to see where it went
        if (!measure || !notation->driver.RunBatch({new CCAdd(note, measure)}))
            ++refused;
        state.PauseTiming();
        if (!note->GetAncestor(ET_MEASURE, -1))
            ++refused;
        note->Unref(1);
        notation->Flush();
        state.ResumeTiming();
    }
    if (refused > 0)
        state.SkipWithError("a note was not added");
    state.counters["staves"] = piece.staves;
    state.counters["measures"] = piece.bars;
    state.counters["notes"] = piece.GetNoteCount();
    notation.reset();
    doc.reset();
    MCOpusDoc::WaitThreadsFinished(0);
}
BENCHMARK_CAPTURE(AddNote, long, midigen::Size::Long)->Unit(benchmark::kMillisecond)->Iterations(40);

// ------------------------------------------------------------ EDITS LAID OUT

// One edit as a benchmark runs it again and again: the commands of one
// iteration (made untimed, on the piece as the iterations before left it),
// and whether the piece shows the edit afterwards, given the measure count
// before it and the iteration (0 first).
struct Edit {
    std::function<std::vector<CCBase*>(ECConductor& conductor, int iteration)> make;
    std::function<bool(ECConductor& conductor, int measuresBefore, int iteration)> took;
    // A fresh piece for each iteration (its reading and layout untimed):
    // the edit changes the piece too much to be repeated on it.
    bool freshPiece = false;
};

// Each iteration runs the edit's batch on the large piece, notated and laid
// out whole as after opening it, and times the batch, the renotation and
// the layout the view runs after it (STATE_COMMANDS_DONE: the engine's
// Finish, then the pagination's sizing and layout of the range the edit
// left).
void EditLaidOut(benchmark::State& state, midigen::Size size, const Edit& edit) {
    doc_support::DocumentParts engine;
    InitPlugins();
    const midigen::Piece& piece = PieceOf(size);
    ScreenContext screen;
    std::unique_ptr<MCOpusDoc> doc;
    std::unique_ptr<NotationView> notation;
    int refused = 0;
    int measures = 0;
    int iteration = 0;
    for (auto _ : state) {
        state.PauseTiming();
        if (!notation || edit.freshPiece) {
            notation.reset();
            doc.reset();
            MCOpusDoc::WaitThreadsFinished(0);
            notation = OpenNotated(state, piece, doc, &screen);
            if (!notation)
                return;
        }
        ECConductor& conductor = *doc->GetBaseEvent()->GetConductor();
        const int before = conductor.GetMaxMeasureNumber();
        std::vector<CCBase*> commands = edit.make(conductor, iteration);
        state.ResumeTiming();
        const int taken = notation->driver.RunBatch(commands);
        state.PauseTiming();
        if (!taken || !edit.took(conductor, before, iteration))
            ++refused;
        measures = conductor.GetMaxMeasureNumber();
        ++iteration;
        state.ResumeTiming();
    }
    if (refused > 0)
        state.SkipWithError("an edit did not take");
    state.counters["staves"] = piece.staves;
    state.counters["measures"] = measures;
    state.counters["notes"] = piece.GetNoteCount();
    state.counters["pages"] = notation->view.GetPagenate().GetPages().GetPageCount();
    notation.reset();
    doc.reset();
    MCOpusDoc::WaitThreadsFinished(0);
}

// AddNote's notes, as the note tool adds them.
const Edit kAddNote = {
    [](ECConductor& conductor, int iteration) -> std::vector<CCBase*> {
        int track = 0;
        int bar = 0;
        ECNote* note = SpreadNote(iteration, conductor.GetMaxTrackNumber(TRACK_STAFF),
                                  conductor.GetMaxMeasureNumber(), track, bar);
        return {new CCAdd(note, conductor.GetMeasure(track, bar))};
    },
    [](ECConductor&, int, int) { return true; },   // RunBatch tells a refused add
};

// One empty measure before bar 1: the whole piece moves a bar later.
const Edit kInsertMeasure = {
    [](ECConductor&, int) -> std::vector<CCBase*> { return {new CCAddMeasure(1, 0)}; },
    [](ECConductor& conductor, int before, int) { return conductor.GetMaxMeasureNumber() == before + 1; },
};

// Bar 1 with its music: the whole piece moves a bar earlier.
const Edit kRemoveMeasure = {
    [](ECConductor&, int) -> std::vector<CCBase*> { return {new CCRemoveMeasure(1, 0)}; },
    [](ECConductor& conductor, int before, int) { return conductor.GetMaxMeasureNumber() == before - 1; },
};

// 3/4 in place of the 4/4 at bar 1: the whole piece is barred again, in
// 4 / 3 as many measures.
const Edit kMeterAtStart = {
    [](ECConductor&, int) -> std::vector<CCBase*> {
        auto* meter = new ECMeter(3, 4, 0);
        meter->SetTime(&MCTime::TimeZero());
        meter->SetVoiceTrack(14, 0);
        return {new CCAddMeter(meter)};
    },
    [](ECConductor& conductor, int before, int) {
        ECMeter* meter = conductor.GetMeterAtTime(MCTime::TimeZero());
        return meter && meter->GetNumerator() == 3 && conductor.GetMaxMeasureNumber() == (before * 4 + 2) / 3;
    },
    true,
};

BENCHMARK_CAPTURE(EditLaidOut, note/large, midigen::Size::Large, kAddNote)
    ->Unit(benchmark::kMillisecond)->Iterations(40);
BENCHMARK_CAPTURE(EditLaidOut, insertmeasure/large, midigen::Size::Large, kInsertMeasure)
    ->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK_CAPTURE(EditLaidOut, removemeasure/large, midigen::Size::Large, kRemoveMeasure)
    ->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK_CAPTURE(EditLaidOut, meter/large, midigen::Size::Large, kMeterAtStart)
    ->Unit(benchmark::kMillisecond)->Iterations(3);

// --------------------------------------------------------------- PAGINATION

// Each iteration lays the notated piece out on pages whole, as the view does
// after it opened a file: sized on a context mapped as the screen at 100 %,
// then paginated. Reported beside it: pages, staves shown (a system taller
// than a page hides the staves that do not fit) and notes.
void PagenateFile(benchmark::State& state, midigen::Size size) {
    doc_support::DocumentParts engine;
    InitPlugins();
    const midigen::Piece& piece = PieceOf(size);
    std::unique_ptr<MCOpusDoc> doc;
    std::unique_ptr<NotationView> notation = OpenNotated(state, piece, doc);
    if (!notation)
        return;
    ScreenContext screen;
    CPagenate& pagenate = notation->view.GetPagenate();
    CNotateInfo& info = notation->view.GetAutoNote().GetNotateInfo();
    int refused = 0;
    for (auto _ : state) {
        info.SetPagenateRange(PAGENATE_ALL);
        pagenate.Prepare(&screen.dc);
        refused += pagenate.BeginPagenate() != CPagenate::PAGENATE_RESULT_DONE;
    }
    if (refused > 0)
        state.SkipWithError("the piece was not laid out");
    ECConductor* conductor = doc->GetBaseEvent()->GetConductor();
    auto* staffDisplay = dynamic_cast<DCctConductorStaff*>(
        conductor->GetTrack(TRACK_CONDUCTOR, 0, 0)->GetData(DK_NOTATION, 0));
    Report(state, piece, conductor->GetMaxMeasureNumber());
    state.counters["pages"] = pagenate.GetPages().GetPageCount();
    state.counters["staves shown"] = staffDisplay ? staffDisplay->GetRuler().GetShownStaffCount() : 0;
    notation.reset();
    doc.reset();
    MCOpusDoc::WaitThreadsFinished(0);
}
BENCHMARK_CAPTURE(PagenateFile, small, midigen::Size::Small)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(PagenateFile, medium, midigen::Size::Medium)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_CAPTURE(PagenateFile, large, midigen::Size::Large)->Unit(benchmark::kMillisecond)->Iterations(2);

}   // namespace
