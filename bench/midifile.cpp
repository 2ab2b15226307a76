// Standard MIDI Files of 100,000 notes (four staves of 25,000 sixteenth
// notes, a type 1 file at PPQ 480): how many notes a second the writer
// saves and the reader loads, measured against the time it takes merely to
// scan the file's bytes
// (a walk over the chunks and the events' delta times and lengths that
// builds nothing), the floor that any writer or reader of these bytes stands
// on.
//
// The document is made as a MIDI file's load makes it (the score manager in
// file-loading mode, then the "file opened" state), on the engine's capture
// backend under a manual clock, so no device is touched.
#include "interface/document/midiread.h"
#include "interface/document/midiwrite.h"
#include "interface/document/opusdoc.h"
#include "model/appstates.h"
#include "model/performance.h"
#include "platform/core/archive.h"
#include "platform/core/clock.h"
#include "platform/core/file.h"
#include "platform/devices/capture.h"
#include "platform/devices/portavel.h"
#include "platform/devices/records.h"
#include "sequencer/performers.h"
#include "sequencer/scoremgr.h"
#include "sequencer/sequence.h"
#include "tests/sequencer/engine_support.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace {

constexpr int STAVES = 4;
constexpr int NOTES_PER_STAFF = 25000;
constexpr int NOTES = STAVES * NOTES_PER_STAFF;
constexpr float STEP = 0.25f;   // a sixteenth note
constexpr int PPQ = 480;

using Bytes = std::vector<uint8_t>;

// Saves the document as a type 1 file; empty when the writer refused.
Bytes SaveFile(MCOpusDoc* doc) {
    CMemFile file(1 << 20);
    CArchive ar(&file, CArchive::store);
    MCMidiWrite writer;
    const int written = writer.SaveMidiFile(ar, doc, 1, PPQ);
    ar.Close();
    return written ? file.Detach() : Bytes();
}

// Walks every chunk and every event of a MIDI file, reading each delta time
// and skipping each event's bytes; answers the number of note-ons with a
// velocity, or -1 for bytes that are not a well-formed file.
long ScanFile(const Bytes& file) {
    const uint8_t* p = file.data();
    const uint8_t* const end = p + file.size();
    auto big = [](const uint8_t* at) {
        return (uint32_t{at[0]} << 24) | (uint32_t{at[1]} << 16) | (uint32_t{at[2]} << 8) | at[3];
    };
    auto varLength = [&](const uint8_t*& at, const uint8_t* stop, uint32_t& value) {
        value = 0;
        for (int n = 0; n < 4 && at < stop; ++n) {
            const uint8_t byte = *at++;
            value = (value << 7) | (byte & 0x7F);
            if (!(byte & 0x80))
                return true;
        }
        return false;
    };
    long notes = 0;
    while (end - p >= 8) {
        const uint32_t length = big(p + 4);
        const bool track = p[0] == 'M' && p[1] == 'T' && p[2] == 'r' && p[3] == 'k';
        p += 8;
        if (length > static_cast<uint64_t>(end - p))
            return -1;
        const uint8_t* const chunkEnd = p + length;
        uint8_t running = 0;
        uint64_t ticks = 0;
        while (track && p < chunkEnd) {
            uint32_t delta = 0;
            if (!varLength(p, chunkEnd, delta) || p >= chunkEnd)
                return -1;
            ticks += delta;
            uint8_t status = *p;
            if (status == 0xFF || status == 0xF0 || status == 0xF7) {
                p += status == 0xFF ? 2 : 1;
                uint32_t size = 0;
                if (p > chunkEnd || !varLength(p, chunkEnd, size) || size > static_cast<uint64_t>(chunkEnd - p))
                    return -1;
                p += size;
                continue;
            }
            if (status & 0x80)
                running = status, ++p;
            else
                status = running;
            const int data = (status & 0xE0) == 0xC0 ? 1 : 2;
            if (chunkEnd - p < data)
                return -1;
            if ((status & 0xF0) == 0x90 && data == 2 && p[1] != 0)
                ++notes;
            p += data;
        }
        benchmark::DoNotOptimize(ticks);
        p = chunkEnd;
    }
    return p == end ? notes : -1;
}

class MidiFile : public benchmark::Fixture {
public:
    void SetUp(const benchmark::State&) override {
        clock = std::make_unique<CManualClock>(1000);
        portavel = engine_support::OpenCapture(capture, false);
        RegisterPerformers();
        doc = std::make_unique<MCOpusDoc>();
        doc->m_bAutoDelete = false;
        doc->OnNewDocument();
        CMidiScoreMgr* score = doc->GetSequence()->GetMidiScoreMgr();
        score->SetFileLoading(1);
        score->AddTempoEvent(MCTime(0.0f), MCVoiceTrack(0, 0), 120.0f, 1.0f);
        for (int n = 0; n < NOTES_PER_STAFF; ++n)
            for (int staff = 1; staff <= STAVES; ++staff) {
                const auto key = static_cast<std::uint8_t>(36 + (n * 7 + staff * 5) % 60);
                score->AddMidiEvent(MCTime(static_cast<float>(n) * STEP), MCVoiceTrack(0, staff),
                                    FCMidi(PackShortMsg(static_cast<std::uint8_t>(0x90 | (staff - 1)), key, 90)), 0,
                                    MCTime(STEP));
            }
        score->SetFileLoading(0);
        SCFile opened(STATE_FILE_OPENED);
        doc->GetSequence()->OnUpdate(STATE_FILE_OPENED, &opened);
        file = SaveFile(doc.get());
    }

    void TearDown(const benchmark::State&) override {
        doc.reset();
        MCOpusDoc::WaitThreadsFinished(0);
        portavel.reset();
        clock.reset();
    }

    std::unique_ptr<CManualClock> clock;   // made first, gone last
    CCaptureBackend* capture = nullptr;    // owned by the library
    std::unique_ptr<CPortavel> portavel;
    std::unique_ptr<MCOpusDoc> doc;
    Bytes file;                            // the piece as written
};

void CountNotes(benchmark::State& state) {
    state.SetItemsProcessed(state.iterations() * NOTES);
    state.counters["notes/s"] = benchmark::Counter(static_cast<double>(NOTES), benchmark::Counter::kIsIterationInvariantRate);
}

// The whole document to a file in memory.
BENCHMARK_DEFINE_F(MidiFile, Write)(benchmark::State& state) {
    if (ScanFile(file) != NOTES)
        state.SkipWithError("the piece was not written whole");
    for (auto _ : state) {
        Bytes written = SaveFile(doc.get());
        benchmark::DoNotOptimize(written.data());
    }
    CountNotes(state);
    state.counters["bytes"] = static_cast<double>(file.size());
}
BENCHMARK_REGISTER_F(MidiFile, Write)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The file into a new document: every note paired, made an event and given
// its performer in the sequence's list. Making and freeing the document are
// not counted.
BENCHMARK_DEFINE_F(MidiFile, Read)(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto target = std::make_unique<MCOpusDoc>();
        target->m_bAutoDelete = false;
        CMemFile source(file);
        state.ResumeTiming();
        CArchive ar(&source, CArchive::load | CArchive::bNoFlushOnDelete);
        MCMidiRead reader;
        const int read = reader.LoadMidiFile(ar, target.get());
        state.PauseTiming();
        int notes = 0;
        for (DCsqBase* p = target->GetSequence()->GetHead(); p; p = p->GetNext())
            notes += p->GetClassType() == DT_NOTE;
        if (read != 1 || notes != NOTES)
            state.SkipWithError("the file was not read whole");
        target.reset();
        MCOpusDoc::WaitThreadsFinished(0);
        state.ResumeTiming();
    }
    CountNotes(state);
}
BENCHMARK_REGISTER_F(MidiFile, Read)->Unit(benchmark::kMillisecond)->Iterations(5);

// The floor: the same bytes walked event by event, nothing built.
BENCHMARK_DEFINE_F(MidiFile, Scan)(benchmark::State& state) {
    for (auto _ : state) {
        const long notes = ScanFile(file);
        if (notes != NOTES)
            state.SkipWithError("the file did not scan");
        benchmark::DoNotOptimize(notes);
    }
    CountNotes(state);
}
BENCHMARK_REGISTER_F(MidiFile, Scan)->Unit(benchmark::kMillisecond);

}   // namespace
