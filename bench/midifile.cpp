// Standard MIDI Files of 100,000 notes (four staves of 25,000 sixteenth
// notes, a type 1 file at PPQ 480): how many notes a second the writer
// saves and the reader loads, measured against the time it takes merely to
// scan the file's bytes
// (a walk over the chunks and the events' delta times and lengths that
// builds nothing), the floor that any writer or reader of these bytes stands
// on. Reading must reach 2.5 million notes a second.
//
// And a conductor track that changes its mind all the time: 2,000 meters,
// each inside a measure of the meter before it, and 8,000 tempos, with a
// staff of a note at every meter. Such a file must load in under 0.5 s.
//
// The document is made as a MIDI file's load makes it (the score manager in
// file-loading mode, then the "file opened" state), on the engine's capture
// backend under a manual clock, so no device is touched.
#include "interface/document/midiread.h"
#include "interface/document/midiwrite.h"
#include "interface/document/opusdoc.h"
#include "model/appstates.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
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
#include "tests/support/smf_support.h"

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

constexpr int METERS = 2000;
constexpr int TEMPOS_PER_METER = 4;
constexpr uint32_t METER_TICKS = 1800;   // 3.75 quarters: never a whole measure of these meters

// The conductor track of many changes: meter i at tick i * 1800 + 240 (2/4,
// 3/4, 5/8, 7/8 and 4/4 in turn, so it falls inside a measure of the meter
// before it), four tempos after each, and a staff of a note at every meter.
Bytes ManyMetersFile() {
    static const struct { int numerator, power; } meters[] = {{2, 2}, {3, 2}, {5, 3}, {7, 3}, {4, 2}};
    smf_support::Track conductor, staff;
    uint32_t last = 0;
    for (int i = 0; i < METERS; ++i) {
        const uint32_t at = static_cast<uint32_t>(i) * METER_TICKS + 240;
        const auto& meter = meters[i % 5];
        conductor.TimeSignature(at - last, meter.numerator, meter.power);
        staff.NoteOn(i == 0 ? at : METER_TICKS - 120, 0, 48 + i % 24, 80).NoteOff(120, 0, 48 + i % 24);
        for (int t = 0; t < TEMPOS_PER_METER; ++t)
            conductor.Tempo(t == 0 ? 0 : METER_TICKS / TEMPOS_PER_METER, 400000 + 1000 * ((i + t) % 200));
        last = at + (TEMPOS_PER_METER - 1) * (METER_TICKS / TEMPOS_PER_METER);
    }
    conductor.End();
    staff.End();
    return smf_support::File(1, PPQ).Add(conductor).Add(staff).GetBytes();
}

int CountEvents(ECBase* tree, int type) {
    ACCount count(1);
    count.AddEvtType(type);
    count.Apply(tree);
    return count.GetEventCount();
}

// The engine a document needs: the capture backend under a manual clock.
class Engine : public benchmark::Fixture {
public:
    void SetUp(const benchmark::State&) override {
        clock = std::make_unique<CManualClock>(1000);
        portavel = engine_support::OpenCapture(capture, false);
        RegisterPerformers();
    }

    void TearDown(const benchmark::State&) override {
        MCOpusDoc::WaitThreadsFinished(0);
        portavel.reset();
        clock.reset();
    }

    // Reads `file` into a new document, the read alone timed; null when the
    // reader refused it.
    std::unique_ptr<MCOpusDoc> Read(benchmark::State& state, const Bytes& file) {
        state.PauseTiming();
        auto target = std::make_unique<MCOpusDoc>();
        target->m_bAutoDelete = false;
        CMemFile source(file);
        state.ResumeTiming();
        CArchive ar(&source, CArchive::load | CArchive::bNoFlushOnDelete);
        MCMidiRead reader;
        const int read = reader.LoadMidiFile(ar, target.get());
        state.PauseTiming();
        if (read != 1)
            target.reset();
        return target;
    }

    // Frees a document read, untimed (the caller's timing is paused).
    static void Free(benchmark::State& state, std::unique_ptr<MCOpusDoc>& doc) {
        doc.reset();
        MCOpusDoc::WaitThreadsFinished(0);
        state.ResumeTiming();
    }

    std::unique_ptr<CManualClock> clock;   // made first, gone last
    CCaptureBackend* capture = nullptr;    // owned by the library
    std::unique_ptr<CPortavel> portavel;
};

class MidiFile : public Engine {
public:
    void SetUp(const benchmark::State& state) override {
        Engine::SetUp(state);
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

    void TearDown(const benchmark::State& state) override {
        doc.reset();
        Engine::TearDown(state);
    }

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
        std::unique_ptr<MCOpusDoc> target = Read(state, file);
        int notes = 0;
        for (DCsqBase* p = target ? target->GetSequence()->GetHead() : nullptr; p; p = p->GetNext())
            notes += p->GetClassType() == DT_NOTE;
        if (notes != NOTES) {
            state.SkipWithError("the file was not read whole");
            break;
        }
        Free(state, target);
    }
    CountNotes(state);
}
BENCHMARK_REGISTER_F(MidiFile, Read)->Unit(benchmark::kMillisecond)->Iterations(10);

// The conductor track of many meters and tempos into a new document.
BENCHMARK_DEFINE_F(Engine, ReadManyMeters)(benchmark::State& state) {
    static const Bytes file = ManyMetersFile();
    for (auto _ : state) {
        std::unique_ptr<MCOpusDoc> target = Read(state, file);
        ECBase* tree = target ? target->GetBaseEvent() : nullptr;
        // The piece's own 4/4 at its start stays before the file's first meter.
        if (!tree || CountEvents(tree, ET_METER) != METERS + 1 ||
            CountEvents(tree, ET_TEMPO) != METERS * TEMPOS_PER_METER || CountEvents(tree, ET_NOTE) != METERS) {
            state.SkipWithError("the file was not read whole");
            break;
        }
        Free(state, target);
    }
}
BENCHMARK_REGISTER_F(Engine, ReadManyMeters)->Unit(benchmark::kMillisecond)->Iterations(3);

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
