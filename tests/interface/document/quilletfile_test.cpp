// The song-file reader: which files it takes, where their meters, tempos,
// keys, notes, ties and lyrics land, the progress it reports, and how it
// refuses damaged copies (the file's position restored, the document's piece
// untouched).
#include "interface/document/quilletfile.h"

#include "interface/document/opusdoc.h"
#include "model/appstates.h"
#include "model/conductor.h"
#include "model/conductorstaff.h"
#include "model/eventtypes.h"
#include "model/markings.h"
#include "model/meter.h"
#include "model/notes.h"
#include "model/performance.h"
#include "model/states.h"
#include "model/tempo.h"
#include "model/textmarks.h"
#include "platform/core/archive.h"
#include "platform/core/file.h"
#include "sequencer/performers.h"
#include "tests/interface/document/doc_support.h"
#include "tests/interface/document/songfile_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace songfile_support;

constexpr size_t kPrefix = 5;   // the song starts this far into the file

class SongFileTest : public ::testing::Test, public doc_support::DocumentParts {
protected:
    // Loads `bytes`, placed kPrefix bytes into a file, and checks that the
    // file's position is back at the song's start afterwards.
    int Load(const std::vector<uint8_t>& bytes) {
        std::vector<uint8_t> data(kPrefix, 0xAB);
        data.insert(data.end(), bytes.begin(), bytes.end());
        CMemFile file(data);
        file.Seek(kPrefix, CFile::begin);
        CArchive ar(&file, CArchive::load | CArchive::bNoFlushOnDelete);
        MCQuilletFile reader;
        const int result = reader.LoadQuilletFile(ar, doc.get());
        EXPECT_EQ(file.GetPosition(), kPrefix);
        return result;
    }
    int Load(const Song& song) { return Load(WriteSong(song).bytes); }

    ECConductor* Conductor() { return doc->GetBaseEvent()->GetConductor(); }
    ECBase* Staff(int number) { return Conductor()->GetTrack(TRACK_STAFF, number, 0); }

    // The events of a type under an event, in walk order.
    static std::vector<ECBase*> Find(ECBase* root, int type) { return doc_support::FindEvents(root, type); }
    static float Time(ECBase* event) { return event->GetTime()->GetSeconds(); }
    static float Length(ECBase* event) { return event->GetDuration()->GetSeconds(); }
};

// One 4/4 measure holding `events`, and the mark that ends the song.
Song OneMeasure(std::vector<Event> events) {
    Song song;
    song.marks = {{0, std::make_pair(uint8_t{4}, uint8_t{4}), uint16_t{1200}, {}}, {384, {}, {}, {}}};
    Measure measure;
    measure.events = std::move(events);
    song.voices = {{measure}};
    return song;
}

// ---------------------------------------------------------------- what it takes

TEST_F(SongFileTest, TakesVersions1000To1040Only) {
    const struct {
        uint32_t version;
        int loads;
    } cases[] = {{999, 0}, {1000, 1}, {1020, 1}, {1040, 1}, {1041, 0}, {0x000003E8u << 8, 0}};
    for (const auto& c : cases) {
        Song song = OneMeasure({Note(0, 60, 96)});
        song.version = c.version;
        EXPECT_EQ(Load(song), c.loads) << c.version;
        if (c.loads) {
            EXPECT_EQ(doc->GetHeader()->GetFormat(), DF_SONG_FILE);
            EXPECT_EQ(Find(Staff(1), ET_NOTE).size(), 1u) << c.version;
        }
    }
}

TEST_F(SongFileTest, RefusesAContextWhoseCheckValueIsNot99) {
    NewPiece();
    ECPerformance* before = doc->GetBaseEvent();
    Song song = OneMeasure({Note(0, 60, 96)});
    song.checkValue = 98;
    EXPECT_EQ(Load(song), 0);
    EXPECT_EQ(doc->GetBaseEvent(), before);   // refused before the piece was touched
    EXPECT_NE(doc->GetHeader()->GetFormat(), DF_SONG_FILE);
}

// ---------------------------------------------------------------- meters and keys

TEST_F(SongFileTest, SixEightCountsSixtyFourTicksToTheQuarter) {
    Song song;
    song.marks = {{0, std::make_pair(uint8_t{6}, uint8_t{8}), {}, {}}, {192, {}, {}, {}}, {384, {}, {}, {}}};
    Measure first;
    first.events = {Note(0, 60, 96), Note(64, 62, 32), Note(96, 64, 96)};
    Measure second;
    second.events = {Note(0, 65, 192)};
    song.voices = {{first, second}};
    ASSERT_EQ(Load(song), 1);

    const std::vector<ECBase*> notes = Find(Staff(1), ET_NOTE);
    ASSERT_EQ(notes.size(), 4u);
    const float expected[][2] = {{0.0f, 1.5f}, {1.0f, 0.5f}, {1.5f, 1.5f}, {3.0f, 3.0f}};
    for (size_t i = 0; i < notes.size(); ++i) {
        EXPECT_FLOAT_EQ(Time(notes[i]), expected[i][0]) << i;
        EXPECT_FLOAT_EQ(Length(notes[i]), expected[i][1]) << i;
    }
    auto* meter = static_cast<ECMeter*>(Conductor()->GetMeterAtTime(MCTime(3.0f)));
    EXPECT_EQ(meter->GetNumerator(), 6);
    EXPECT_EQ(meter->GetDenominator(), 8);
    EXPECT_FLOAT_EQ(Time(meter), 0.0f);
}

TEST_F(SongFileTest, KeyCodesGiveMajorAndMinorKeys) {
    const struct {
        uint8_t code;
        bool made;
        int accidentals;
        int mode;
    } cases[] = {
        {13, true, 0, 0}, {6, true, 7, 0}, {31, true, 0, 1}, {0, true, 0, 0},
        {11, true, 2, 0}, {20, true, -7, 0}, {29, true, 2, 1}, {24, true, 7, 1},
        {5, false, 0, 0},   // eight sharps: no key has them
        {22, false, 0, 0},  // nine
    };
    for (const auto& c : cases) {
        Song song = OneMeasure({Note(0, 60, 96)});
        song.voices[0][0].keyCode = c.code;
        ASSERT_EQ(Load(song), 1) << int(c.code);
        const std::vector<ECBase*> keys = Find(Staff(1), ET_KEY);
        ASSERT_EQ(keys.size(), c.made ? 1u : 0u) << int(c.code);
        if (!c.made)
            continue;
        auto* key = static_cast<ECKey*>(keys[0]);
        EXPECT_EQ(key->GetAccidentals(), c.accidentals) << int(c.code);
        EXPECT_EQ(key->GetMode(), c.mode) << int(c.code);
    }
}

// ---------------------------------------------------------------- ties

TEST_F(SongFileTest, JoinsNotesTiedAcrossBarlines) {
    struct Expected {
        float time;
        float length;
    };
    const struct {
        const char* name;
        std::vector<std::vector<Event>> measures;
        std::vector<Expected> notes;
    } cases[] = {
        {"across one barline",
         {{Note(48, 60, 336, {TIED_TO})}, {Note(0, 60, 48, {TIED_FROM})}},
         {{0.5f, 4.0f}}},
        {"through a whole measure",
         {{Note(0, 60, 384, {TIED_TO})}, {Note(0, 60, 384, {TIED_FROM, TIED_TO})}, {Note(0, 60, 96, {TIED_FROM})}},
         {{0.0f, 9.0f}}},
        {"a continuation of another key stays apart",
         {{Note(48, 60, 336, {TIED_TO})}, {Note(0, 62, 48, {TIED_FROM})}},
         {{0.5f, 3.5f}, {4.0f, 0.5f}}},
        {"a continuation inside the measure is kept as a note",
         {{Note(48, 60, 336, {TIED_TO})}, {Note(96, 60, 48, {TIED_FROM})}},
         {{0.5f, 3.5f}, {5.0f, 0.5f}}},
        {"a continuation with nothing before it is kept as a note",
         {{Note(0, 60, 96)}, {Note(0, 60, 48, {TIED_FROM})}},
         {{0.0f, 1.0f}, {4.0f, 0.5f}}},
    };
    for (const auto& c : cases) {
        Song song;
        for (uint32_t i = 0; i <= c.measures.size(); ++i)
            song.marks.push_back({i * 384, {}, {}, {}});
        song.voices.emplace_back();
        for (const auto& events : c.measures) {
            Measure measure;
            measure.events = events;
            song.voices[0].push_back(measure);
        }
        ASSERT_EQ(Load(song), 1) << c.name;
        const std::vector<ECBase*> notes = Find(Staff(1), ET_NOTE);
        ASSERT_EQ(notes.size(), c.notes.size()) << c.name;
        for (size_t i = 0; i < notes.size(); ++i) {
            EXPECT_FLOAT_EQ(Time(notes[i]), c.notes[i].time) << c.name << " " << i;
            EXPECT_FLOAT_EQ(Length(notes[i]), c.notes[i].length) << c.name << " " << i;
        }
    }
}

// ---------------------------------------------------------------- a whole song

TEST_F(SongFileTest, LoadsASongWithEveryKindOfBlock) {
    ASSERT_EQ(Load(FullSong()), 1);
    EXPECT_EQ(doc->GetHeader()->GetFormat(), DF_SONG_FILE);

    // Meters: 4/4, then 6/8 after the first measure.
    const std::vector<ECBase*> meters = Find(Conductor()->GetTrack(TRACK_CONDUCTOR, 0, 0), ET_METER);
    ASSERT_EQ(meters.size(), 2u);
    EXPECT_FLOAT_EQ(Time(meters[0]), 0.0f);
    EXPECT_EQ(static_cast<ECMeter*>(meters[0])->GetNumerator(), 4);
    EXPECT_FLOAT_EQ(Time(meters[1]), 4.0f);
    EXPECT_EQ(static_cast<ECMeter*>(meters[1])->GetDenominator(), 8);

    // Tempos: 120, 90 half-way through the first measure, then 60 dotted
    // quarters (90 quarters) a minute under 6/8.
    const std::vector<ECBase*> tempos = Find(Conductor()->GetTrack(TRACK_CONDUCTOR, 0, 0), ET_TEMPO);
    ASSERT_EQ(tempos.size(), 3u);
    const float tempoCases[][3] = {{0.0f, 120.0f, 1.0f}, {2.0f, 90.0f, 1.0f}, {4.0f, 60.0f, 1.5f}};
    for (size_t i = 0; i < tempos.size(); ++i) {
        auto* tempo = static_cast<ECTempo*>(tempos[i]);
        EXPECT_FLOAT_EQ(Time(tempo), tempoCases[i][0]) << i;
        EXPECT_NEAR(tempo->GetTempo(tempoCases[i][2]), tempoCases[i][1], 0.001f) << i;
    }
    // Playback runs at them: the second measure starts after 2 s at 120 and
    // 2 s at 90 quarters.
    EXPECT_NEAR(Conductor()->TranslateTime(MCTime(4.0f)).GetSeconds(), 1.0f + 4.0f / 3.0f, 0.001f);

    // The third voice had no notes: two staves are left.
    EXPECT_EQ(Conductor()->GetMaxTrackNumber(TRACK_STAFF), 2);
    const std::vector<ECBase*> upper = Find(Staff(1), ET_NOTE);
    const struct {
        int key;
        float time;
        float length;
    } upperCases[] = {{60, 0.0f, 1.0f}, {62, 1.0f, 1.0f}, {64, 2.0f, 2.75f}, {67, 5.5f, 1.5f}};
    ASSERT_EQ(upper.size(), 4u);
    for (size_t i = 0; i < upper.size(); ++i) {
        auto* performer = static_cast<DCsqNote*>(DCsqBase::GetPerformer(upper[i], 0));
        ASSERT_NE(performer, nullptr);
        EXPECT_EQ(performer->GetNoteOnData().GetDataByte1(), upperCases[i].key) << i;
        EXPECT_FLOAT_EQ(Time(upper[i]), upperCases[i].time) << i;
        EXPECT_FLOAT_EQ(Length(upper[i]), upperCases[i].length) << i;
        EXPECT_EQ(upper[i]->GetVoiceTrack()->GetTrack(), 1);
    }
    auto* first = static_cast<DCsqNote*>(DCsqBase::GetPerformer(upper[0], 0));
    EXPECT_EQ(first->GetNoteOnData().GetStatusByte(), 0x90);
    EXPECT_EQ(first->GetNoteOnData().GetDataByte2(), 100);
    EXPECT_EQ(first->GetNoteOffData().GetStatusByte(), 0x80);
    EXPECT_EQ(first->GetNoteOffData().GetDataByte2(), 64);

    const std::vector<ECBase*> lower = Find(Staff(2), ET_NOTE);
    ASSERT_EQ(lower.size(), 2u);
    EXPECT_FLOAT_EQ(Length(lower[0]), 4.0f);
    EXPECT_FLOAT_EQ(Time(lower[1]), 4.0f);
    EXPECT_FLOAT_EQ(Length(lower[1]), 3.0f);
    EXPECT_EQ(lower[1]->GetVoiceTrack()->GetTrack(), 2);

    // Lyrics under the staff, at their events' times.
    const std::vector<ECBase*> lyrics = Find(Staff(1), ET_LYRIC);
    ASSERT_EQ(lyrics.size(), 3u);
    const std::pair<const char*, float> lyricCases[] = {{"Hal-", 0.0f}, {"le-", 1.0f}, {"lu", 5.5f}};
    for (size_t i = 0; i < lyrics.size(); ++i) {
        EXPECT_EQ(static_cast<ECLyric*>(lyrics[i])->GetText(), lyricCases[i].first);
        EXPECT_FLOAT_EQ(Time(lyrics[i]), lyricCases[i].second);
    }
    const std::vector<ECBase*> keys = Find(Staff(1), ET_KEY);
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_EQ(static_cast<ECKey*>(keys[0])->GetAccidentals(), 2);

    // Every note plays: the sequence's list holds their performers.
    int notePerformers = 0;
    for (DCsqBase* p = doc->GetSequence()->GetHead(); p; p = p->GetNext())
        notePerformers += p->GetClassType() == DT_NOTE;
    EXPECT_EQ(notePerformers, 6);
}

TEST_F(SongFileTest, ReplacesThePieceTheDocumentHad) {
    NewPiece();
    ECPerformance* before = doc->GetBaseEvent();
    ASSERT_EQ(Load(FullSong()), 1);
    EXPECT_NE(doc->GetBaseEvent(), before);
    EXPECT_EQ(doc->GetSequence()->GetPerformance(), doc->GetBaseEvent());
}

TEST_F(SongFileTest, RemovesEveryStaffWithoutNotes) {
    Song song;
    song.marks = {{0, {}, {}, {}}, {384, {}, {}, {}}};
    auto notes = [](uint8_t key) { return std::vector<Measure>{Measure{0, {}, {Note(0, key, 96)}}}; };
    const std::vector<Measure> lyricOnly{Measure{0, {}, {Lyric(0, "la")}}};
    song.voices = {{}, notes(60), {}, lyricOnly, notes(62), {}};
    ASSERT_EQ(Load(song), 1);
    ASSERT_EQ(Conductor()->GetMaxTrackNumber(TRACK_STAFF), 2);
    for (int number : {1, 2}) {
        const std::vector<ECBase*> found = Find(Staff(number), ET_NOTE);
        ASSERT_EQ(found.size(), 1u);
        auto* performer = static_cast<DCsqNote*>(DCsqBase::GetPerformer(found[0], 0));
        EXPECT_EQ(performer->GetNoteOnData().GetDataByte1(), number == 1 ? 60 : 62);
        EXPECT_EQ(found[0]->GetVoiceTrack()->GetTrack(), number);
    }
}

// ---------------------------------------------------------------- progress

struct Progress {
    unsigned code;
    std::string message;
    int low, high, step;
};
std::vector<Progress> g_progress;

int RecordProgress(ECBase*, int, void* state, void*) {
    auto* status = dynamic_cast<SCStatus*>(static_cast<SCBase*>(state));
    if (!status || status->GetCode() < STATE_PROGRESS_BEGIN || status->GetCode() > STATE_PROGRESS_END)
        return 0;
    Progress progress{status->GetCode(), status->GetMessage(), 0, 0, status->GetProgressStep()};
    status->GetProgressRange(progress.low, progress.high);
    g_progress.push_back(progress);
    return 0;
}

TEST_F(SongFileTest, ReportsProgressVoiceByVoice) {
    g_progress.clear();
    MCStateMgr::SetGlobalHandler(&RecordProgress, nullptr);
    const int loaded = Load(FullSong());
    MCStateMgr::SetGlobalHandler(nullptr, nullptr);
    ASSERT_EQ(loaded, 1);

    // Three voices over four ruler marks.
    ASSERT_EQ(g_progress.size(), 5u);
    EXPECT_EQ(g_progress[0].code, unsigned{STATE_PROGRESS_BEGIN});
    EXPECT_EQ(g_progress[0].message, "Loading SNG file...\n");
    EXPECT_EQ(g_progress[0].low, 0);
    EXPECT_EQ(g_progress[0].high, 12);
    for (size_t i = 1; i <= 3; ++i) {
        EXPECT_EQ(g_progress[i].code, unsigned{STATE_PROGRESS_TEXT});
        EXPECT_EQ(g_progress[i].step, 4 * static_cast<int>(i));
    }
    EXPECT_EQ(g_progress[4].code, unsigned{STATE_PROGRESS_END});
}

// ---------------------------------------------------------------- damage

TEST_F(SongFileTest, RefusesEveryTruncatedCopy) {
    const SongFile full = WriteSong(FullSong());
    std::vector<size_t> cuts = {0, 4, 7, full.contextStart, full.contextStart + 3, full.contextStart + 10};
    for (const Block& block : full.blocks)
        for (size_t cut : {block.head, block.head + 2, block.Data(), block.Data() + block.length / 2, block.End() - 1})
            cuts.push_back(cut);

    NewPiece();
    ECPerformance* before = doc->GetBaseEvent();
    for (size_t cut : cuts) {
        ASSERT_LT(cut, full.endMarker);
        const std::vector<uint8_t> head(full.bytes.begin(), full.bytes.begin() + static_cast<std::ptrdiff_t>(cut));
        EXPECT_EQ(Load(head), 0) << "cut at " << cut;
        EXPECT_EQ(doc->GetBaseEvent(), before) << "cut at " << cut;
    }
    // Without its end marker, or with half of one, the song is whole.
    for (size_t cut : {full.endMarker, full.endMarker + 1}) {
        const std::vector<uint8_t> head(full.bytes.begin(), full.bytes.begin() + static_cast<std::ptrdiff_t>(cut));
        EXPECT_EQ(Load(head), 1) << "cut at " << cut;
    }
}

// The offset of event `index` of a measure block.
size_t EventAt(const SongFile& file, const std::string& measure, int index) {
    size_t at = file.Find(measure).Data() + 8;
    for (int i = 0; i < index; ++i)
        at += file.Get16(at);
    return at;
}

TEST_F(SongFileTest, RefusesDamagedCopies) {
    const SongFile full = WriteSong(FullSong());
    const size_t second = full.contextStart + 4 + 16 + 4;   // the second context record
    const size_t lyric = EventAt(full, "measure 0.0", 1);
    const size_t tied = EventAt(full, "measure 0.0", 5);
    const struct {
        const char* name;
        std::function<void(SongFile&)> patch;
    } cases[] = {
        {"a context block of another id", [](SongFile& f) { f.Put16(f.contextStart, 5); }},
        {"an unknown ruler block", [&](SongFile& f) { f.Put16(second + 2, 0x7777); }},
        {"an unknown first voice", [&](SongFile& f) { f.Put16(second + 4, 0x7777); }},
        {"an unknown next measure", [](SongFile& f) { f.Put16(f.Find("measure 0.0").Data() + 2, 0x7777); }},
        {"an unknown time signature", [](SongFile& f) { f.Put16(f.Find("mark 0").Data() + 4, 0x7777); }},
        {"an unknown lyric text", [&](SongFile& f) { f.Put16(lyric + 8, 0x7777); }},
        {"a lyric text another record took", [&](SongFile& f) { f.Put16(lyric + 8, f.Find("timesig 0").id); }},
        {"an event of size 0", [](SongFile& f) { f.Put16(EventAt(f, "measure 0.0", 0), 0); }},
        {"an event smaller than its head", [](SongFile& f) { f.Put16(EventAt(f, "measure 0.0", 0), 3); }},
        {"an event past its block", [](SongFile& f) { f.Put16(EventAt(f, "measure 0.0", 0), 0xFFF0); }},
        {"more events than the block holds", [](SongFile& f) { f.Put16(f.Find("measure 0.0").Data() + 6, 200); }},
        {"a note short of its attributes", [&](SongFile& f) { f.Put16(tied + 12, 7 << 13); }},
        {"a note short of its data", [](SongFile& f) { f.Put16(EventAt(f, "measure 0.0", 0), 10); }},
        {"tempo changes past their mark", [](SongFile& f) { f.Put16(f.Find("mark 0").Data() + 12, 50); }},
        {"a measure chain looping back",
         [](SongFile& f) { f.Put16(f.Find("measure 0.1").Data() + 2, f.Find("measure 0.0").id); }},
        {"a ruler-mark chain looping back",
         [](SongFile& f) { f.Put16(f.Find("mark 1").Data(), f.Find("mark 0").id); }},
        {"a voice chain looping back", [](SongFile& f) { f.Put16(f.Find("voice 1").Data(), f.Find("voice 0").id); }},
        {"a measure chain shorter than its count", [](SongFile& f) { f.Put16(f.Find("voice 0").Data() + 4, 4); }},
        {"more measures than ruler marks", [](SongFile& f) { f.Put16(f.Find("voice 0").Data() + 4, 5); }},
        {"more ruler marks than blocks",
         [](SongFile& f) {
             f.Put16(f.contextStart + 4 + 8, 0xFFFF);
             f.Put16(f.contextStart + 4 + 10, 0x7FFF);
         }},
        {"more voices than blocks", [](SongFile& f) { f.Put16(f.contextStart + 4 + 12, 0xFFFF); }},
        {"ruler marks running backwards", [](SongFile& f) { f.Put16(f.Find("mark 2").Data() + 6, 100); }},
        {"a ruler mark far past the measure before", [](SongFile& f) { f.Put16(f.Find("mark 3").Data() + 6, 2000); }},
    };

    ASSERT_EQ(Load(full.bytes), 1);   // the undamaged song loads
    for (const auto& c : cases) {
        ECPerformance* before = doc->GetBaseEvent();
        SongFile damaged = full;
        c.patch(damaged);
        EXPECT_EQ(Load(damaged.bytes), 0) << c.name;
        EXPECT_EQ(doc->GetBaseEvent(), before) << c.name;
    }
}

// ---------------------------------------------------------------- the fuzz seeds

// Writes the fuzz target's seed corpus (run on purpose, see songfile_support.h).
TEST(SongFileCorpus, DISABLED_Write) {
    const std::filesystem::path folder = std::filesystem::path(STAFFWRIGHT_TEST_DATA) / "../../fuzz/corpus/songfile";
    std::filesystem::create_directories(folder);
    Song sixEight;
    sixEight.marks = {{0, std::make_pair(uint8_t{6}, uint8_t{8}), uint16_t{900}, {{96, 1000}}}, {192, {}, {}, {}}};
    sixEight.voices = {{Measure{0, uint8_t{31}, {Note(0, 60, 96, {TIED_TO}), Lyric(96, "a")}}}};
    const std::pair<const char*, Song> seeds[] = {
        {"full.sng", FullSong()},
        {"one-measure.sng", OneMeasure({Note(0, 60, 96)})},
        {"six-eight.sng", sixEight},
    };
    for (const auto& [name, song] : seeds) {
        const SongFile file = WriteSong(song);
        std::ofstream out(folder / name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(file.bytes.data()), static_cast<std::streamsize>(file.bytes.size()));
    }
}

}  // namespace
