// The MIDI file writer: what it refuses, the chunks it makes, the bytes of
// its events (deltas, running status, meta and system-exclusive events),
// what an independent reader (midicsv) finds in its files, the playback
// filters and muted staves, progress, what a failed save gives back, and
// the round trip through the MIDI file reader.
//
// Pieces are built as a MIDI file's load builds them: through the score
// manager with file loading on, then the "file opened" state, which sets
// each staff up from the channel its notes use.
#include "interface/document/midiread.h"
#include "interface/document/midiwrite.h"
#include "interface/document/opusdoc.h"
#include "model/appstates.h"
#include "model/conductor.h"
#include "model/eventtypes.h"
#include "model/midievents.h"
#include "model/performance.h"
#include "model/states.h"
#include "model/textmarks.h"
#include "platform/core/archive.h"
#include "platform/core/exceptions.h"
#include "platform/core/file.h"
#include "platform/devices/records.h"
#include "sequencer/filtermgr.h"
#include "sequencer/performers.h"
#include "sequencer/scoremgr.h"
#include "sequencer/sequence.h"
#include "sequencer/staffperformer.h"
#include "sequencer/wavescoremgr.h"
#include "tests/interface/document/doc_support.h"
#include "tests/platform/devices/device_support.h"
#include "tests/platform/messaging_support.h"
#include "tests/support/smf_support.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// ---------------------------------------------------------------- helpers

bool Contains(const Bytes& bytes, const Bytes& pattern) {
    return std::search(bytes.begin(), bytes.end(), pattern.begin(), pattern.end()) != bytes.end();
}

// The data of each chunk after the 14-byte header, in file order. Checks
// that every chunk is an "MTrk" whose length fits the file.
std::vector<Bytes> TrackChunks(const Bytes& file) {
    std::vector<Bytes> chunks;
    size_t at = 14;
    while (at + 8 <= file.size()) {
        EXPECT_TRUE(std::equal(file.begin() + at, file.begin() + at + 4, "MTrk"));
        const size_t length = (size_t{file[at + 4]} << 24) | (size_t{file[at + 5]} << 16) |
                              (size_t{file[at + 6]} << 8) | file[at + 7];
        EXPECT_LE(at + 8 + length, file.size());
        chunks.emplace_back(file.begin() + at + 8, file.begin() + std::min(file.size(), at + 8 + length));
        at += 8 + length;
    }
    EXPECT_EQ(at, file.size());
    return chunks;
}

std::string TempPath(const char* name) {
    static std::atomic<int> counter{0};
    return (std::filesystem::temp_directory_path() /
            ("midiwrite-" + std::to_string(getpid()) + "-" + std::to_string(counter++) + "-" + name))
        .string();
}

// The file as midicsv lists it, one record a line, only the records whose
// type is among `types` ("Note_on_c", "Tempo" ...). Empty when midicsv
// failed to read it.
std::vector<std::string> Midicsv(const Bytes& file, const std::set<std::string>& types) {
    const std::string path = TempPath("csv.mid");
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), file.size());
    std::vector<std::string> lines;
    if (FILE* pipe = popen(("midicsv '" + path + "' 2>&1").c_str(), "r")) {
        char buffer[1024];
        while (std::fgets(buffer, sizeof buffer, pipe)) {
            std::string line(buffer);
            while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
                line.pop_back();
            // "track, time, Type, ..."
            const size_t first = line.find(", ");
            const size_t second = first == std::string::npos ? first : line.find(", ", first + 2);
            if (second == std::string::npos)
                continue;
            const size_t third = line.find(", ", second + 2);
            const std::string type = line.substr(second + 2, third == std::string::npos ? third : third - second - 2);
            if (types.count(type))
                lines.push_back(line);
        }
        EXPECT_EQ(pclose(pipe), 0) << "midicsv could not read the file";
    }
    std::remove(path.c_str());
    return lines;
}

// A file that fails once `limit` bytes have been written to it.
class FailingFile : public CMemFile {
public:
    explicit FailingFile(size_t limit) : m_limit(limit) {}
    void Write(const void* buffer, size_t count) override {
        if (GetLength() + count > m_limit)
            throw CFileException(CFileException::diskFull, 0, "full.mid");
        CMemFile::Write(buffer, count);
    }

private:
    size_t m_limit;
};

// Whether another thread could take the lock now.
bool LockIsFree(CCriticalSection& lock) {
    bool free = false;
    std::thread([&] {
        free = lock.TryLock();
        if (free)
            lock.Unlock();
    }).join();
    return free;
}

// The writer's pure rules, reached from here.
struct WriterRules : MCMidiWrite {
    using MCMidiWrite::DenominatorPower;
    using MCMidiWrite::TempoToMicroseconds;
    using MCMidiWrite::TextKindToMetaType;
};

// ---------------------------------------------------------------- the fixture

class MidiWriteTest : public ::testing::Test, public doc_support::DocumentParts {
protected:
    void SetUp() override {
        NewPiece();
        Score()->SetFileLoading(1);
        performance = doc->GetBaseEvent();
        performance->AddStateHandler(&MidiWriteTest::OnState, this);
    }
    void TearDown() override { performance->RemoveStateHandler(&MidiWriteTest::OnState, this); }

    CMidiScoreMgr* Score() { return doc->GetSequence()->GetMidiScoreMgr(); }
    CSequence* Sequence() { return doc->GetSequence(); }

    // Building ends as a file's load does.
    void Opened() {
        if (!Score()->GetFileLoading())
            return;
        Score()->SetFileLoading(0);
        SCFile opened(STATE_FILE_OPENED);
        Sequence()->OnUpdate(STATE_FILE_OPENED, &opened);
    }

    void Note(int track, float start, float length, int key, int velocity = 100, int channel = 0) {
        Score()->AddMidiEvent(MCTime(start), MCVoiceTrack(0, track),
                              FCMidi(PackShortMsg(static_cast<uint8_t>(0x90 | channel), static_cast<uint8_t>(key),
                                                  static_cast<uint8_t>(velocity))),
                              0, MCTime(length));
    }
    void Midi(int track, float time, uint8_t status, uint8_t data1, uint8_t data2 = 0) {
        Score()->AddMidiEvent(MCTime(time), MCVoiceTrack(0, track), FCMidi(PackShortMsg(status, data1, data2)), 0,
                              MCTime::TimeNull());
    }
    void SysEx(int track, float time, const Bytes& bytes) {
        Score()->AddMidiEvent(MCTime(time), MCVoiceTrack(0, track),
                              FCMidiSysEx(bytes.data(), static_cast<unsigned>(bytes.size())), 0, MCTime::TimeNull());
    }
    void Lyric(int track, float time, const std::string& text) {
        Score()->AddLyricEvent(MCTime(time), MCVoiceTrack(0, track), reinterpret_cast<const unsigned char*>(text.data()),
                               static_cast<int>(text.size()));
    }
    void Text(int track, float time, const std::string& text, int metaType) {
        Score()->AddTextEvent(MCTime(time), MCVoiceTrack(0, track), reinterpret_cast<const unsigned char*>(text.data()),
                              static_cast<int>(text.size()), metaType);
    }

    DCsqStaff* Staff(int track) {
        return static_cast<DCsqStaff*>(DCsqTrack::GetTrackData(static_cast<unsigned>(track), TT_STAFF, Sequence()));
    }

    // Saves into `file` through an archive; the writer's result.
    int SaveTo(CFile& file, int type, int ppq) {
        Opened();
        CArchive ar(&file, CArchive::store);
        MCMidiWrite writer;
        const int result = writer.SaveMidiFile(ar, doc.get(), type, ppq);
        ar.Close();
        return result;
    }
    Bytes Save(int type, int ppq) {
        CMemFile file;
        EXPECT_EQ(SaveTo(file, type, ppq), 1);
        return file.Detach();
    }

    // What a save must give back on every way out.
    void ExpectReleased() {
        EXPECT_TRUE(LockIsFree(performance->GetLock()));
        EXPECT_EQ(Sequence()->GetPerfFilterMgr()->GetIgnoreMute(), 0);
        EXPECT_EQ(Sequence()->GetPlayPosition(), Sequence()->GetHead());
        ASSERT_FALSE(progress.empty());
        EXPECT_EQ(progress.front().code, unsigned{STATE_PROGRESS_BEGIN});
        EXPECT_EQ(progress.back().code, unsigned{STATE_PROGRESS_END});
    }

    struct Progress {
        unsigned code;
        std::string message;
        int low, high, step;
    };
    static int OnState(ECBase*, int, void* data, void* user) {
        if (auto* status = dynamic_cast<SCStatus*>(static_cast<SCBase*>(data))) {
            int low = 0;
            int high = 0;
            status->GetProgressRange(low, high);
            static_cast<MidiWriteTest*>(user)->progress.push_back(
                {status->GetCode(), status->GetMessage(), low, high, status->GetProgressStep()});
        }
        return 0;
    }

    ECPerformance* performance = nullptr;
    std::vector<Progress> progress;
};

// ---------------------------------------------------------------- refusals and chunks

TEST_F(MidiWriteTest, RefusesATypeOrPpqAFileCannotStateAndTouchesNothing) {
    Note(1, 0.0f, 1.0f, 60);
    Opened();
    const struct {
        int type, ppq;
    } refused[] = {{2, 480}, {-1, 480}, {0, 0}, {1, 32768}, {1, -5}};
    for (const auto& c : refused) {
        CMemFile file(Bytes{1, 2, 3});
        file.SeekToEnd();
        CArchive ar(&file, CArchive::store);
        ar << BYTE{9};   // pending in the archive: a refusal must not flush it
        MCMidiWrite writer;
        EXPECT_EQ(writer.SaveMidiFile(ar, doc.get(), c.type, c.ppq), 0) << c.type << " " << c.ppq;
        EXPECT_EQ(file.GetLength(), 3u);
        EXPECT_TRUE(LockIsFree(performance->GetLock()));
        ar.Abort();
    }
    EXPECT_TRUE(progress.empty());
    EXPECT_EQ(doc->GetHeader()->GetFormat(), DF_UNKNOWN);

    const Bytes file = Save(1, 32767);
    ASSERT_GE(file.size(), 14u);
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 14),
              (Bytes{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 2, 0x7F, 0xFF}));
    EXPECT_EQ(doc->GetHeader()->GetFormat(), DF_MIDI_TYPE1);
}

TEST_F(MidiWriteTest, Type1HasAChunkPerStaffTrackUpToTheHighest) {
    // Staves 1 to 3; staff 2 stays empty.
    for (int staff = 1; staff <= 3; ++staff)
        doc->GetBaseEvent()->GetConductor()->GetTrack(TRACK_STAFF, staff, 1);
    Note(1, 0.0f, 1.0f, 60);
    Note(3, 1.0f, 1.0f, 64);

    const Bytes type1 = Save(1, 480);
    EXPECT_EQ(Bytes(type1.begin() + 8, type1.begin() + 14), (Bytes{0, 1, 0, 4, 0x01, 0xE0}));
    const std::vector<Bytes> chunks = TrackChunks(type1);
    ASSERT_EQ(chunks.size(), 4u);
    // Staff 2 has no music: its chunk holds its set-up (bank and program)
    // and the end of track at the end of the last measure (1920: 8F 00).
    EXPECT_EQ(Midicsv(type1, {"Note_on_c"}),
              (std::vector<std::string>{"2, 0, Note_on_c, 0, 60, 100", "2, 480, Note_on_c, 0, 60, 0",
                                        "4, 480, Note_on_c, 0, 64, 100", "4, 960, Note_on_c, 0, 64, 0"}));
    ASSERT_GE(chunks[2].size(), 5u);
    EXPECT_EQ(Bytes(chunks[2].end() - 5, chunks[2].end()), (Bytes{0x8F, 0x00, 0xFF, 0x2F, 0x00}));

    const Bytes type0 = Save(0, 480);
    EXPECT_EQ(Bytes(type0.begin() + 8, type0.begin() + 12), (Bytes{0, 0, 0, 1}));
    EXPECT_EQ(TrackChunks(type0).size(), 1u);
    EXPECT_EQ(Midicsv(type0, {"Note_on_c"}),
              (std::vector<std::string>{"1, 0, Note_on_c, 0, 60, 100", "1, 480, Note_on_c, 0, 60, 0",
                                        "1, 480, Note_on_c, 0, 64, 100", "1, 960, Note_on_c, 0, 64, 0"}));
    EXPECT_EQ(doc->GetHeader()->GetFormat(), DF_MIDI_TYPE0);
}

// ---------------------------------------------------------------- event bytes

TEST_F(MidiWriteTest, AQuarterNoteAtPpq480IsOnThenOffAfter480Ticks) {
    Note(1, 0.0f, 1.0f, 60);
    Note(1, 1.0f, 1.0f, 60, 90);
    const std::vector<Bytes> chunks = TrackChunks(Save(1, 480));
    ASSERT_EQ(chunks.size(), 2u);
    // The note-off (the note-on word at velocity 0) keeps the running
    // status, and comes before the next note of its key at the same tick.
    EXPECT_TRUE(Contains(chunks[1], {0x00, 0x90, 60, 100, 0x83, 0x60, 60, 0x00, 0x00, 60, 90, 0x83, 0x60, 60, 0x00}));
}

TEST_F(MidiWriteTest, RunningStatusLeavesTheStatusOutUntilAMetaEventComesBetween) {
    Note(1, 0.0f, 2.0f, 60);
    Note(1, 1.0f, 2.0f, 62);
    EXPECT_TRUE(Contains(TrackChunks(Save(1, 480))[1], {0x00, 0x90, 60, 100, 0x83, 0x60, 62, 100}));

    // A lyric on the first note now stands between the two note-ons.
    Score()->SetFileLoading(1);
    Lyric(1, 0.0f, "Ah");
    EXPECT_TRUE(Contains(TrackChunks(Save(1, 480))[1],
                         {0x00, 0x90, 60, 100, 0x00, 0xFF, 0x05, 2, 'A', 'h', 0x83, 0x60, 0x90, 62, 100}));
}

TEST_F(MidiWriteTest, DeltasAddUpToEachEventsOwnRoundedTick) {
    // Three pan changes a third of a quarter apart: at PPQ 100 a third is
    // 33.3 ticks, so deltas of 33 each would drift; the absolute ticks are
    // 33, 67 and 100.
    Midi(1, 1.0f / 3.0f, 0xB0, 10, 1);
    Midi(1, 2.0f / 3.0f, 0xB0, 10, 2);
    Midi(1, 1.0f, 0xB0, 10, 3);
    const struct {
        int ppq;
        Bytes bytes;
        std::vector<std::string> csv;
    } cases[] = {
        {96, {32, 0xB0, 10, 1, 32, 10, 2, 32, 10, 3}, {"2, 32, Control_c, 0, 10, 1", "2, 64, Control_c, 0, 10, 2", "2, 96, Control_c, 0, 10, 3"}},
        {100, {33, 0xB0, 10, 1, 34, 10, 2, 33, 10, 3}, {"2, 33, Control_c, 0, 10, 1", "2, 67, Control_c, 0, 10, 2", "2, 100, Control_c, 0, 10, 3"}},
    };
    for (const auto& c : cases) {
        const Bytes file = Save(1, c.ppq);
        EXPECT_TRUE(Contains(TrackChunks(file)[1], c.bytes)) << c.ppq;
        std::vector<std::string> pans;
        for (const std::string& line : Midicsv(file, {"Control_c"}))
            if (line.find("Control_c, 0, 10,") != std::string::npos)
                pans.push_back(line);
        EXPECT_EQ(pans, c.csv) << c.ppq;
    }
}

TEST_F(MidiWriteTest, MetaEventsOfTempoMeterKeyAndText) {
    Score()->AddTempoEvent(MCTime(0.0f), MCVoiceTrack(0, 0), 120.0f, 1.0f);
    Score()->AddTempoEvent(MCTime(4.0f), MCVoiceTrack(0, 0), 70.0f, 1.0f);
    Score()->AddMeterEvent(MCTime(0.0f), MCVoiceTrack(0, 0), 6, 8);
    Note(1, 0.0f, 1.0f, 60);
    Score()->AddKeySignature(MCTime(0.0f), MCVoiceTrack(0, 1), -2, 1);
    Text(0, 0.0f, "(c) 2024", 2);
    Text(1, 0.0f, "pizz.", 1);

    const std::vector<Bytes> chunks = TrackChunks(Save(1, 480));
    ASSERT_EQ(chunks.size(), 2u);
    EXPECT_TRUE(Contains(chunks[0], {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}));   // 500000
    EXPECT_TRUE(Contains(chunks[0], {0xFF, 0x51, 0x03, 0x0D, 0x14, 0x37}));   // 857143, rounded
    EXPECT_TRUE(Contains(chunks[0], {0xFF, 0x58, 0x04, 0x06, 0x03, 0x18, 0x08}));
    EXPECT_TRUE(Contains(chunks[0], {0xFF, 0x02, 8, '(', 'c', ')', ' ', '2', '0', '2', '4'}));
    EXPECT_TRUE(Contains(chunks[1], {0xFF, 0x59, 0x02, 0xFE, 0x01}));
    EXPECT_TRUE(Contains(chunks[1], {0xFF, 0x01, 5, 'p', 'i', 'z', 'z', '.'}));
}

TEST(MCMidiWriteRules, TempoMeterAndTextKinds) {
    const struct {
        double bpm;
        uint32_t microseconds;
    } tempos[] = {
        {120.0, 500000}, {60.0, 1000000}, {70.0, 857143},   // 857142.86: rounded, not cut
        {1000.0, 60000}, {0.0, 0xFFFFFF},                  // 0 is taken as 1: 60 s, held to 24 bits
        {3.0, 0xFFFFFF}, {-4.0, 0xFFFFFF},
    };
    for (const auto& t : tempos)
        EXPECT_EQ(WriterRules::TempoToMicroseconds(t.bpm), t.microseconds) << t.bpm;

    const struct {
        int denominator, power;
    } meters[] = {{1, 0}, {2, 1}, {3, 0}, {4, 2}, {8, 3}, {6, 0}, {64, 6}, {128, 7}, {256, 0}};
    for (const auto& m : meters)
        EXPECT_EQ(WriterRules::DenominatorPower(m.denominator), m.power) << m.denominator;

    const int metaTypeOfKind[17] = {1, 2, 3, 3, 4, 6, 7, 1, 3, 1, 1, 1, 1, 1, 6, 6, 1};
    for (int kind = 0; kind < 17; ++kind)
        EXPECT_EQ(WriterRules::TextKindToMetaType(kind), metaTypeOfKind[kind]) << kind;
}

TEST_F(MidiWriteTest, SystemMessagesAreWrittenSoTheirBytesReadBack) {
    SysEx(1, 0.0f, {0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7});
    SysEx(1, 1.0f, {0xF7, 0x01, 0x02, 0xF7});   // a continuation: written whole
    SysEx(1, 2.0f, {0x43, 0x12, 0xF7});         // no leading F0 either
    Midi(1, 3.0f, 0xF2, 0x01, 0x02);            // song position: as an escape
    Midi(1, 3.5f, 0xFF, 0);                      // a reset must not read as a meta event

    const Bytes file = Save(1, 96);
    Bytes all;
    for (const Bytes& chunk : TrackChunks(file))
        all.insert(all.end(), chunk.begin(), chunk.end());
    EXPECT_TRUE(Contains(all, {0xF0, 8, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7}));
    EXPECT_TRUE(Contains(all, {0xF7, 4, 0xF7, 0x01, 0x02, 0xF7}));
    EXPECT_TRUE(Contains(all, {0xF7, 3, 0x43, 0x12, 0xF7}));
    EXPECT_TRUE(Contains(all, {0xF7, 3, 0xF2, 0x01, 0x02}));
    EXPECT_TRUE(Contains(all, {0xF7, 1, 0xFF}));
    EXPECT_EQ(Midicsv(file, {"System_exclusive", "System_exclusive_packet"}).size(), 5u);
}

TEST_F(MidiWriteTest, TextsAreWrittenAsWindows1252Bytes) {
    Note(1, 0.0f, 1.0f, 60);
    Lyric(1, 0.0f, "f\xE9\x80");   // file bytes: the reader hands them over as UTF-8 "fé€"
    Opened();
    // An extra text of the model with a character Windows-1252 lacks.
    Score()->SetFileLoading(1);
    Text(1, 1.0f, "x", 1);
    Opened();
    for (DCsqBase* p = Sequence()->GetHead(); p; p = p->GetNext())
        if (p->GetClassType() == DT_TEXT)
            if (auto* text = dynamic_cast<ECText*>(p->GetOwner()); text && text->GetText() == "x")
                text->SetText("a\xC5\x91z");   // U+0151
    const Bytes chunk = TrackChunks(Save(1, 480))[1];
    EXPECT_TRUE(Contains(chunk, {0xFF, 0x05, 3, 'f', 0xE9, 0x80}));
    EXPECT_TRUE(Contains(chunk, {0xFF, 0x01, 3, 'a', '?', 'z'}));
}

TEST_F(MidiWriteTest, AWaveClipIsASequencerSpecificReferenceWithItsTrack) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const std::string dir = folder.path().toStdString();
    // Names as the model holds them (UTF-8, as on disk) and as the file
    // holds them: Windows-1252 where it can, as such files always have;
    // else UTF-8, where a '?' would name no file.
    const struct { std::string name, inFile; } cases[] = {
        {dir + "/take\xC3\xA9.wav", dir + "/take\xE9.wav"},           // e-acute
        {dir + "/take\xC5\x91.wav", dir + "/take\xC5\x91.wav"},       // o-double-acute
    };
    Note(1, 0.0f, 1.0f, 60);
    Opened();
    // Wave track 3, while the file has chunks for tracks 0 and 1 only: the
    // references go with the conductor track rather than nowhere.
    float time = 2.0f;
    for (const auto& c : cases) {
        ASSERT_TRUE(device_test::WriteSilentWave(c.name, 100));
        Sequence()->GetWaveScoreMgr()->AddWaveFile(MCTime(time++), MCVoiceTrack(0, 3), c.name);
    }
    ASSERT_TRUE(messaging_test::PumpUntil([&] {
        size_t waves = 0;
        for (DCsqBase* p = Sequence()->GetHead(); p; p = p->GetNext())
            waves += p->GetClassType() == DT_WAVE;
        return waves == std::size(cases);
    }));

    const std::vector<Bytes> chunks = TrackChunks(Save(1, 96));
    ASSERT_EQ(chunks.size(), 2u);
    for (const auto& c : cases) {
        Bytes event = {0xFF, 0x7F};
        smf_support::PutVarLen(event, static_cast<uint32_t>(8 + c.inFile.size()));
        event.insert(event.end(), {0x00, 0x00, 0x77, 0x2F, 0, 0, 0, 3});
        event.insert(event.end(), c.inFile.begin(), c.inFile.end());
        EXPECT_TRUE(Contains(chunks[0], event)) << c.name;
    }
    EXPECT_FALSE(Contains(chunks[1], {0xFF, 0x7F}));
}

// ---------------------------------------------------------------- end of track

TEST_F(MidiWriteTest, EndOfTrackIsTheEndOfTheLastMeasureOrTheLastEventAfterIt) {
    Note(1, 0.0f, 1.0f, 60);
    EXPECT_EQ(Midicsv(Save(1, 480), {"End_track"}), (std::vector<std::string>{"1, 1920, End_track", "2, 1920, End_track"}));

    Score()->SetFileLoading(1);
    Midi(1, 20.0f, 0xB0, 10, 64);   // long after the last measure
    EXPECT_EQ(Midicsv(Save(1, 480), {"End_track"}), (std::vector<std::string>{"1, 1920, End_track", "2, 9600, End_track"}));
}

// ---------------------------------------------------------------- through an independent reader

TEST_F(MidiWriteTest, AnIndependentReaderFindsEveryEvent) {
    Score()->AddTempoEvent(MCTime(0.0f), MCVoiceTrack(0, 0), 100.0f, 1.0f);
    Score()->AddTempoEvent(MCTime(6.0f), MCVoiceTrack(0, 0), 150.0f, 1.0f);
    Score()->AddMeterEvent(MCTime(0.0f), MCVoiceTrack(0, 0), 3, 4);
    Score()->AddMeterEvent(MCTime(6.0f), MCVoiceTrack(0, 0), 6, 8);
    Text(0, 0.0f, "Notice", 2);
    Text(0, 3.0f, "B", 6);
    Note(1, 0.0f, 1.0f, 60, 90, 0);
    Note(1, 0.5f, 2.0f, 64, 80, 0);
    Note(1, 3.25f, 0.25f, 67, 70, 0);
    Note(2, 0.0f, 6.0f, 36, 100, 9);
    Note(2, 6.0f, 1.5f, 38, 101, 9);
    Score()->AddKeySignature(MCTime(0.0f), MCVoiceTrack(0, 1), 3, 0);
    Lyric(1, 0.0f, "Sun");
    Lyric(1, 0.5f, "ny");

    const std::set<std::string> types = {"Note_on_c", "Note_off_c", "Tempo", "Time_signature", "Key_signature",
                                         "Copyright_t", "Marker_t", "Lyric_t"};
    const std::vector<std::string> expected1 = {
        "1, 0, Tempo, 600000",
        "1, 0, Time_signature, 3, 2, 24, 8",
        "1, 0, Copyright_t, \"Notice\"",
        "1, 288, Marker_t, \"B\"",
        "1, 576, Tempo, 400000",
        "1, 576, Time_signature, 6, 3, 24, 8",
        "2, 0, Key_signature, 3, \"major\"",
        "2, 0, Note_on_c, 0, 60, 90",
        "2, 0, Lyric_t, \"Sun\"",
        "2, 48, Note_on_c, 0, 64, 80",
        "2, 48, Lyric_t, \"ny\"",
        "2, 96, Note_on_c, 0, 60, 0",
        "2, 240, Note_on_c, 0, 64, 0",
        "2, 312, Note_on_c, 0, 67, 70",
        "2, 336, Note_on_c, 0, 67, 0",
        "3, 0, Note_on_c, 9, 36, 100",
        "3, 576, Note_on_c, 9, 36, 0",
        "3, 576, Note_on_c, 9, 38, 101",
        "3, 720, Note_on_c, 9, 38, 0",
    };
    // Events of one time may stand in any order: compared as sets.
    std::vector<std::string> expected1Sorted = expected1;
    std::sort(expected1Sorted.begin(), expected1Sorted.end());
    std::vector<std::string> found = Midicsv(Save(1, 96), types);
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, expected1Sorted);

    // Type 0: the same events in one track, in time order.
    std::vector<std::string> expected0;
    for (const std::string& line : expected1)
        expected0.push_back("1" + line.substr(line.find(',')));
    found = Midicsv(Save(0, 96), types);
    std::sort(found.begin(), found.end());
    std::sort(expected0.begin(), expected0.end());
    EXPECT_EQ(found, expected0);
}

// ---------------------------------------------------------------- filters and muting

TEST_F(MidiWriteTest, MutedStavesAreWrittenThroughThePlaybackFilters) {
    Note(1, 0.0f, 1.0f, 60, 100, 0);
    Note(2, 0.0f, 1.0f, 48, 100, 1);
    Opened();
    Staff(1)->UpdateMuteState(1, 1, Sequence());
    ASSERT_FALSE(Staff(1)->IsActive());
    Staff(2)->SetTransposition(2);   // a filter of the staff: the file sounds as playback

    const std::vector<Bytes> chunks = TrackChunks(Save(1, 480));
    ASSERT_EQ(chunks.size(), 3u);
    EXPECT_TRUE(Contains(chunks[1], {0x90, 60, 100}));
    EXPECT_TRUE(Contains(chunks[2], {0x91, 50, 100}));
    EXPECT_FALSE(Contains(chunks[2], {48, 100}));
    EXPECT_EQ(Sequence()->GetPerfFilterMgr()->GetIgnoreMute(), 0);
    EXPECT_FALSE(Staff(1)->IsActive());
}

// ---------------------------------------------------------------- progress and failures

TEST_F(MidiWriteTest, ReportsProgressFromBeginToEnd) {
    for (int n = 0; n < 150; ++n)
        Note(1, n * 0.25f, 0.25f, 60 + n % 12);
    Save(1, 480);
    ASSERT_GE(progress.size(), 3u);
    EXPECT_EQ(progress.front().code, unsigned{STATE_PROGRESS_BEGIN});
    EXPECT_EQ(progress.front().message, "Saving Type 1 MIDI file...\n");
    EXPECT_EQ(progress.front().low, 0);
    // The piece ends with measure 10 (quarter 40): 40,000 / 100.
    EXPECT_EQ(progress.front().high, 400);
    EXPECT_EQ(progress.back().code, unsigned{STATE_PROGRESS_END});
    int previous = 0;
    for (size_t i = 1; i + 1 < progress.size(); ++i) {
        EXPECT_EQ(progress[i].code, unsigned{STATE_PROGRESS_STEP});
        EXPECT_GE(progress[i].step, previous);
        EXPECT_LE(progress[i].step, 400);
        previous = progress[i].step;
    }
}

TEST_F(MidiWriteTest, AFailingFileEndsTheSaveAndGivesEverythingBack) {
    Note(1, 0.0f, 1.0f, 60);
    Note(2, 0.0f, 1.0f, 62, 100, 1);
    Opened();
    // 0: the header fails; 30: the first track chunk; 60: a later one.
    for (size_t limit : {size_t{0}, size_t{30}, size_t{60}}) {
        progress.clear();
        FailingFile file(limit);
        EXPECT_THROW(SaveTo(file, 1, 480), CFileException) << limit;
        ExpectReleased();
        EXPECT_EQ(doc->GetHeader()->GetFormat(), DF_UNKNOWN);
    }
    // Nothing stays held: the next save succeeds.
    EXPECT_EQ(TrackChunks(Save(1, 480)).size(), 3u);
}

TEST_F(MidiWriteTest, ADeltaBeyondFourBytesFailsTheSaveRatherThanBeingCut) {
    // 9,000 quarters at PPQ 32767 are 294,903,000 ticks, past 0x0FFFFFFF.
    Midi(1, 9000.0f, 0xB0, 10, 64);
    Opened();
    CMemFile file;
    EXPECT_THROW(SaveTo(file, 1, 32767), CArchiveException);
    ExpectReleased();
    // At PPQ 480 the same event fits (4,320,000 ticks).
    EXPECT_TRUE(Contains(TrackChunks(Save(1, 480))[1], {0x82, 0x87, 0xD6, 0x00, 0xB0, 10, 64}));
}

// ---------------------------------------------------------------- the round trip

// A note as the tree holds it: start and length in quarter notes, the
// note-on word's key, velocity and channel, the track.
using HeldNote = std::tuple<float, float, int, int, int, int>;

// Reads a MIDI file into a document without a performance, then announces
// it opened, as opening a file does (each staff then plays the channel its
// notes use).
int Load(MCOpusDoc* doc, const Bytes& bytes) {
    CMemFile file(bytes);
    CArchive ar(&file, CArchive::load | CArchive::bNoFlushOnDelete);
    MCMidiRead reader;
    const int result = reader.LoadMidiFile(ar, doc);
    if (result) {
        auto* opened = new SCFile(STATE_FILE_OPENED);
        opened->SetAsynchronous(0);
        opened->Apply(doc->GetBaseEvent());
    }
    return result;
}

Bytes Write(MCOpusDoc* doc, int type, int ppq) {
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    MCMidiWrite writer;
    EXPECT_EQ(writer.SaveMidiFile(ar, doc, type, ppq), 1);
    ar.Close();
    return file.Detach();
}

// Every note of the document, in order; the track only when asked.
std::vector<HeldNote> HeldNotes(MCOpusDoc* doc, bool withTrack) {
    std::vector<HeldNote> notes;
    for (DCsqBase* p = doc->GetSequence()->GetHead(); p; p = p->GetNext()) {
        if (p->GetClassType() != DT_NOTE)
            continue;
        ECBase* note = p->GetOwner();
        const FCMidi& on = static_cast<DCsqNote*>(p)->GetNoteOnData();
        notes.emplace_back(note->GetTime()->GetSeconds(), note->GetDuration()->GetSeconds(), on.GetDataByte1(),
                           on.GetDataByte2(), on.GetStatusByte() & 0x0F,
                           withTrack ? note->GetVoiceTrack()->GetTrack() : 0);
    }
    std::sort(notes.begin(), notes.end());
    return notes;
}

std::vector<Bytes> HeldSysEx(MCOpusDoc* doc) {
    std::vector<Bytes> buffers;
    for (DCsqBase* p = doc->GetSequence()->GetHead(); p; p = p->GetNext())
        if (p->GetClassType() == DT_SYSMSG) {
            const FCMidiSysEx& sysEx = static_cast<DCsqSysMsg*>(p)->GetSysExData();
            if (sysEx.HasData())
                buffers.emplace_back(sysEx.GetSysExBuf(), sysEx.GetSysExBuf() + sysEx.GetSysExBufLength());
        }
    std::sort(buffers.begin(), buffers.end());
    return buffers;
}

TEST(MidiRoundTrip, ReadWriteReadKeepsEveryNoteAndSystemExclusiveMessage) {
    // Division 384, times that are not on any coarser grid, overlapping
    // notes, a track playing two channels, and both kinds of system-exclusive
    // event (a whole message and an escape of raw bytes).
    using smf_support::Track;
    Track conductor, piano, drums;
    conductor.Tempo(0, 461538).TimeSignature(0, 3, 2).SysEx(0, 0xF0, {0x7E, 0x7F, 0x09, 0x01, 0xF7}).End();
    piano.Program(0, 0, 5)
        .NoteOn(0, 0, 60, 100)
        .NoteOn(1, 0, 64, 90)
        .NoteOff(383, 0, 60)
        .NoteOn(5, 3, 67, 17)   // a second channel on this track
        .NoteOff(95, 0, 64)
        .NoteOff(291, 3, 67)
        .SysEx(7, 0xF7, {0x43, 0x10, 0x4C, 0xF7})
        .NoteOn(1000, 0, 72, 127)
        .NoteOff(1, 0, 72)
        .End();
    drums.NoteOn(97, 9, 36, 100).NoteOff(25, 9, 36).NoteOn(0, 9, 38, 64).NoteOff(768, 9, 38).End();
    const Bytes source = smf_support::File(1, 384).Add(conductor).Add(piano).Add(drums).GetBytes();

    const std::vector<HeldNote> expected = {
        {0.0f, 1.0f, 60, 100, 0, 1},
        {1.0f / 384, 483.0f / 384, 64, 90, 0, 1},
        {97.0f / 384, 25.0f / 384, 36, 100, 9, 2},
        {122.0f / 384, 768.0f / 384, 38, 64, 9, 2},
        {389.0f / 384, 386.0f / 384, 67, 17, 3, 1},
        {1782.0f / 384, 1.0f / 384, 72, 127, 0, 1},
    };
    doc_support::DocumentParts first;
    ASSERT_EQ(Load(first.doc.get(), source), 1);
    const std::vector<HeldNote> read = HeldNotes(first.doc.get(), true);
    ASSERT_EQ(read.size(), expected.size());
    for (size_t i = 0; i < read.size(); ++i) {
        EXPECT_NEAR(std::get<0>(read[i]), std::get<0>(expected[i]), 1e-6) << i;
        EXPECT_NEAR(std::get<1>(read[i]), std::get<1>(expected[i]), 1e-6) << i;
        EXPECT_EQ(std::get<2>(read[i]), std::get<2>(expected[i])) << i;
        EXPECT_EQ(std::get<3>(read[i]), std::get<3>(expected[i])) << i;
        EXPECT_EQ(std::get<4>(read[i]), std::get<4>(expected[i])) << i;
        EXPECT_EQ(std::get<5>(read[i]), std::get<5>(expected[i])) << i;
    }
    const std::vector<Bytes> sysEx = HeldSysEx(first.doc.get());
    EXPECT_EQ(sysEx, (std::vector<Bytes>{{0x43, 0x10, 0x4C, 0xF7}, {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}}));

    for (const int type : {1, 0}) {
        SCOPED_TRACE(type);
        doc_support::DocumentParts second;
        ASSERT_EQ(Load(second.doc.get(), Write(first.doc.get(), type, 384)), 1);
        // A type 0 file numbers its tracks by channel: the tracks are
        // compared only when they are chunks.
        EXPECT_EQ(HeldNotes(second.doc.get(), type == 1), HeldNotes(first.doc.get(), type == 1));
        EXPECT_EQ(HeldSysEx(second.doc.get()), sysEx);
    }
}

TEST(MidiRoundTrip, WaveNamesComeBackAsTheyWere) {
    // One name Windows-1252 holds and one it cannot.
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const std::vector<std::string> names = {folder.path().toStdString() + "/take\xC3\xA9.wav",
                                            folder.path().toStdString() + "/take\xC5\x91.wav"};
    doc_support::DocumentParts first;
    first.NewPiece();
    float time = 0.0f;
    for (const std::string& name : names) {
        ASSERT_TRUE(device_test::WriteSilentWave(name, 100));
        first.doc->GetSequence()->GetWaveScoreMgr()->AddWaveFile(MCTime(time++), MCVoiceTrack(0, 1), name);
    }
    auto WaveNames = [](MCOpusDoc* doc) {
        std::vector<std::string> found;
        for (ECBase* wave : doc_support::FindEvents(doc->GetBaseEvent(), ET_WAVE))
            found.push_back(static_cast<ECWave*>(wave)->GetFileName());
        std::sort(found.begin(), found.end());
        return found;
    };
    ASSERT_TRUE(messaging_test::PumpUntil([&] { return WaveNames(first.doc.get()) == names; }));

    doc_support::DocumentParts second;
    ASSERT_EQ(Load(second.doc.get(), Write(first.doc.get(), 1, 96)), 1);
    ASSERT_TRUE(messaging_test::PumpUntil([&] { return WaveNames(second.doc.get()).size() == names.size(); }));
    EXPECT_EQ(WaveNames(second.doc.get()), names);
}

}   // namespace
