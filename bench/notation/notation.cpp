// The notation of a MIDI file as the user opens it: the seeded pieces of
// midigen.h (small 2 staves of 32 bars, medium 8 of 200, large 16 of 1,000)
// read into a new document by the program's MIDI reader, as a MIDI file's
// load reads it, on the engine's capture backend under a manual clock.
//
// ReadFile is the time to read the file: the figure the notation of the same
// file is reported beside. Making and freeing the document are not counted.
#include "bench/notation/midigen.h"
#include "interface/document/midiread.h"
#include "interface/document/opusdoc.h"
#include "model/conductor.h"
#include "model/performance.h"
#include "platform/core/archive.h"
#include "platform/core/file.h"
#include "sequencer/performer.h"
#include "sequencer/sequence.h"
#include "tests/interface/document/doc_support.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr uint64_t SEED = 27;

// The piece of a size, generated once for every benchmark that reads it.
const midigen::Piece& PieceOf(midigen::Size size) {
    static const midigen::Piece pieces[] = {
        midigen::Generate(midigen::Size::Small, SEED),
        midigen::Generate(midigen::Size::Medium, SEED),
        midigen::Generate(midigen::Size::Large, SEED),
    };
    return pieces[static_cast<int>(size)];
}

// Reads `piece` into a new document, the read alone timed (the caller's
// timing runs on entry and is paused on return); null when the reader
// refused the file or did not read every note.
std::unique_ptr<MCOpusDoc> ReadPiece(benchmark::State& state, const midigen::Piece& piece) {
    state.PauseTiming();
    std::unique_ptr<MCOpusDoc> doc = doc_support::DocumentParts::MakeDocument();
    CMemFile source(piece.bytes);
    state.ResumeTiming();
    CArchive ar(&source, CArchive::load | CArchive::bNoFlushOnDelete);
    MCMidiRead reader;
    const int read = reader.LoadMidiFile(ar, doc.get());
    state.PauseTiming();
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
        std::unique_ptr<MCOpusDoc> doc = ReadPiece(state, piece);
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
// Here the notation of the loaded file is timed, once the engine exists:
// NotateFile/<size> reads the piece with ReadPiece (untimed), attaches the
// notation view and times ProcessFileLoad alone, so its figure stands beside
// ReadFile/<size>. The large piece must be notated in at most 250 ms; a batch
// appending one measure to it, renotated, in at most 16 ms.

}   // namespace
