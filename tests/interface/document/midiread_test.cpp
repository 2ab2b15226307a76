// The Standard MIDI File reader on a real document: where the notes and meta
// events of type 0, 1 and 2 files land in the tree, running status, the meta
// events it keeps or drops, wave references, Windows-1252 texts, what it
// refuses (with the file left where it stood), damaged files, a time-code
// division, and the lock, loading mode and progress it gives back on every
// way out.
#include "interface/document/midiread.h"

#include "interface/document/opusdoc.h"
#include "model/appstates.h"
#include "model/conductor.h"
#include "model/eventtypes.h"
#include "model/markings.h"
#include "model/meter.h"
#include "model/midievents.h"
#include "model/notes.h"
#include "model/performance.h"
#include "model/states.h"
#include "model/tempo.h"
#include "model/staff.h"
#include "model/textmarks.h"
#include "platform/core/archive.h"
#include "platform/core/file.h"
#include "platform/ui/document.h"
#include "platform/ui/prompt_script.h"
#include "sequencer/performers.h"
#include "sequencer/scoremgr.h"
#include "tests/interface/document/doc_support.h"
#include "tests/platform/devices/device_support.h"
#include "tests/platform/messaging_support.h"
#include "tests/support/smf_support.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <memory>
#include <ostream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace {

using smf_support::Bytes;
using smf_support::File;
using smf_support::Track;

// What a note of the tree says, in file terms.
struct Note {
    float start;
    float length;
    int key;
    int velocity;
    int channel;
    int track;
    auto Tie() const { return std::tie(start, length, key, velocity, channel, track); }
    bool operator==(const Note& other) const { return Tie() == other.Tie(); }
    bool operator<(const Note& other) const {
        return std::tie(start, track, key) < std::tie(other.start, other.track, other.key);
    }
};
void PrintTo(const Note& n, std::ostream* os) {
    *os << "{start " << n.start << ", length " << n.length << ", key " << n.key << ", velocity " << n.velocity
        << ", channel " << n.channel << ", track " << n.track << "}";
}

using doc_support::FindEvents;

int TrackOf(ECBase* event) { return event->GetVoiceTrack()->GetTrack(); }
float TimeOf(ECBase* event) { return event->GetTime()->GetSeconds(); }

// Takes every state the document passes to its views.
class StateView : public CView {
public:
    struct Seen {
        long code;
        std::string message;
        int low, high, step;
    };
    void OnUpdate(CView*, long hint, CObject* object) override {
        Seen seen{hint, {}, 0, 0, 0};
        if (auto* status = dynamic_cast<SCStatus*>(object)) {
            seen.message = status->GetMessage();
            status->GetProgressRange(seen.low, seen.high);
            seen.step = status->GetProgressStep();
        }
        states.push_back(seen);
    }
    std::vector<Seen> Progress() const {
        std::vector<Seen> progress;
        for (const Seen& s : states)
            if (s.code >= STATE_PROGRESS_BEGIN && s.code <= STATE_PROGRESS_END)
                progress.push_back(s);
        return progress;
    }
    std::vector<Seen> states;
};

// A memory file whose reads fail once a number of them went through.
class FailingFile : public CMemFile {
public:
    FailingFile(Bytes bytes, int goodReads) : CMemFile(std::move(bytes)), m_goodReads(goodReads) {}
    size_t Read(void* buffer, size_t count) override {
        if (m_goodReads-- <= 0)
            throw CFileException(CFileException::hardIO);
        return CMemFile::Read(buffer, count);
    }

private:
    int m_goodReads;
};

class MidiReadTest : public doc_support::DocumentParts, public ::testing::Test {
protected:
    // Loads `bytes`, the file standing at `start`; the result of the reader.
    // `position` is where the file stands afterwards.
    // `with` is the reader to use, the fixture's when null (one reader a load).
    int Load(const Bytes& bytes, uint64_t start = 0, MCMidiRead* with = nullptr) {
        return LoadFrom(std::make_unique<CMemFile>(bytes), start, with);
    }

    int LoadFrom(std::unique_ptr<CMemFile> source, uint64_t start = 0, MCMidiRead* with = nullptr) {
        file = std::move(source);
        file->Seek(static_cast<int64_t>(start), CFile::begin);
        CArchive ar(file.get(), CArchive::load | CArchive::bNoFlushOnDelete);
        int result = (with ? with : &reader)->LoadMidiFile(ar, doc.get());
        position = file->GetPosition();
        return result;
    }

    ECPerformance* Tree() { return doc->GetBaseEvent(); }

    std::vector<Note> Notes() {
        std::vector<Note> notes;
        for (ECBase* event : FindEvents(Tree(), ET_NOTE)) {
            auto* data = dynamic_cast<DCsqNote*>(DCsqBase::GetPerformer(event, 0));
            if (!data) {
                ADD_FAILURE() << "a note without its performer";
                continue;
            }
            const FCMidi& on = data->GetNoteOnData();
            notes.push_back({TimeOf(event), event->GetDuration()->GetSeconds(), on.GetDataByte1(),
                             on.GetDataByte2(), on.GetStatusByte() & 0x0F, TrackOf(event)});
        }
        std::sort(notes.begin(), notes.end());
        return notes;
    }

    // The texts of a type (ET_TEXT or ET_LYRIC) as (track, text).
    std::vector<std::pair<int, std::string>> Texts(int type) {
        std::vector<std::pair<int, std::string>> texts;
        for (ECBase* event : FindEvents(Tree(), type))
            if (event->GetClassType() == type)
                texts.emplace_back(TrackOf(event), static_cast<ECText*>(event)->GetText());
        std::sort(texts.begin(), texts.end());
        return texts;
    }

    // Whether another thread can take the tree's lock now.
    bool TreeUnlocked() {
        std::atomic<bool> locked{false};
        std::thread other([&] {
            if (Tree()->GetLock().try_lock()) {
                locked = true;
                Tree()->GetLock().unlock();
            }
        });
        other.join();
        return locked;
    }

    MCMidiRead reader;
    std::unique_ptr<CMemFile> file;
    uint64_t position = 0;
};

// ---------------------------------------------------------------- layouts

TEST_F(MidiReadTest, TypeZeroGivesEachChannelATrackInTheOrderMet) {
    Track track;
    track.Text(0, 0x03, "Song")
        .Text(0, 0x01, "verse")
        .NoteOn(0, 9, 36, 100)
        .NoteOn(0, 2, 60, 80)
        .NoteOff(48, 9, 36)
        .NoteOff(48, 2, 60)
        .NoteOn(0, 9, 38, 90)
        .NoteOff(192, 9, 38)
        .End();
    const Bytes bytes = File(0, 96).Add(track).GetBytes();
    ASSERT_EQ(Load(bytes), 1);

    const std::vector<Note> expected = {
        {0.0f, 0.5f, 36, 100, 9, 1},   // channel 10 met first: track 1
        {0.0f, 1.0f, 60, 80, 2, 2},    // channel 3 second: track 2
        {1.0f, 2.0f, 38, 90, 9, 1},
    };
    EXPECT_EQ(Notes(), expected);
    // The one chunk is chunk 1: its texts go to track 1; the name to track 0.
    EXPECT_EQ(Texts(ET_TEXT), (std::vector<std::pair<int, std::string>>{{0, "Song"}, {1, "verse"}}));
    EXPECT_EQ(doc->GetHeader()->GetFormat(), DF_MIDI_TYPE0);
    EXPECT_EQ(doc->GetHeader()->GetStatus().m_size, bytes.size());
    EXPECT_EQ(reader.GetDivision(), 96);
    EXPECT_EQ(position, bytes.size());
    EXPECT_EQ(doc->GetSequence()->GetPerformance(), Tree());   // attached
}

TEST_F(MidiReadTest, TypeOneChunksAreTracksMovedOnWhenChunkZeroHoldsNotes) {
    for (const bool noteInChunkZero : {false, true}) {
        SCOPED_TRACE(noteInChunkZero ? "chunk 0 holds a note" : "chunk 0 holds only conductor events");
        doc->DeleteContents();
        MCOpusDoc::WaitThreadsFinished(0);
        Track conductor;
        conductor.Tempo(0, 500000).TimeSignature(0, 4, 2).Text(0, 0x02, "(c)");
        if (noteInChunkZero)
            conductor.NoteOn(0, 0, 48, 70).NoteOff(96, 0, 48);
        conductor.End();
        Track first, second;
        first.Text(0, 0x03, "Piano").KeySignature(0, 2, 0).NoteOn(0, 0, 60, 100).Text(0, 0x05, "la").NoteOff(96, 0, 60).End();
        second.NoteOn(96, 1, 64, 101).NoteOff(96, 1, 64).End();
        MCMidiRead read;
        ASSERT_EQ(Load(File(1, 96).Add(conductor).Add(first).Add(second).GetBytes(), 0, &read), 1);
        ECPerformance* tree = Tree();

        const int shift = noteInChunkZero ? 1 : 0;
        std::vector<std::tuple<float, int, int>> notes;   // start, key, track
        for (ECBase* note : FindEvents(tree, ET_NOTE))
            notes.emplace_back(TimeOf(note), static_cast<DCsqNote*>(DCsqBase::GetPerformer(note, 0))->GetNoteOnData().GetDataByte1(),
                               TrackOf(note));
        std::sort(notes.begin(), notes.end());
        std::vector<std::tuple<float, int, int>> expected = {{0.0f, 60, 1 + shift}, {1.0f, 64, 2 + shift}};
        if (noteInChunkZero)
            expected.insert(expected.begin(), {0.0f, 48, 1});
        EXPECT_EQ(notes, expected);

        // Texts, lyrics, keys and track ends stay on the chunk's own track.
        std::vector<std::pair<int, std::string>> texts;
        for (ECBase* text : FindEvents(tree, ET_TEXT))
            texts.emplace_back(TrackOf(text), static_cast<ECText*>(text)->GetText());
        std::sort(texts.begin(), texts.end());
        EXPECT_EQ(texts, (std::vector<std::pair<int, std::string>>{{0, "(c)"}, {1, "Piano"}}));
        const std::vector<ECBase*> lyrics = FindEvents(tree, ET_LYRIC);
        ASSERT_EQ(lyrics.size(), 1u);
        EXPECT_EQ(TrackOf(lyrics[0]), 1);
        const std::vector<ECBase*> keys = FindEvents(tree, ET_KEY);
        ASSERT_EQ(keys.size(), 1u);
        EXPECT_EQ(TrackOf(keys[0]), 1);
        EXPECT_EQ(static_cast<ECKey*>(keys[0])->GetAccidentals(), 2);
        std::vector<int> ends;
        for (ECBase* mark : FindEvents(tree, ET_FLOWCONTROL))
            ends.push_back(TrackOf(mark));
        std::sort(ends.begin(), ends.end());
        EXPECT_EQ(ends, (std::vector<int>{0, 1, 2}));
        EXPECT_EQ(doc->GetHeader()->GetFormat(), DF_MIDI_TYPE1);
    }
}

TEST_F(MidiReadTest, TypeTwoPatternsFollowOneAnother) {
    // Patterns of 4, 2 and 3 quarter notes, each opening with a note.
    Track a, b, c;
    a.NoteOn(0, 0, 60, 100).NoteOff(96, 0, 60).End(288);
    b.NoteOn(0, 1, 62, 100).NoteOff(96, 1, 62).End(96);
    c.NoteOn(0, 0, 64, 100).NoteOff(96, 0, 64).End(192);
    ASSERT_EQ(Load(File(2, 96).Add(a).Add(b).Add(c).GetBytes()), 1);

    const std::vector<Note> expected = {
        {0.0f, 1.0f, 60, 100, 0, 1},
        {4.0f, 1.0f, 62, 100, 1, 2},
        {6.0f, 1.0f, 64, 100, 0, 1},   // after 4 + 2, not over the second pattern
    };
    EXPECT_EQ(Notes(), expected);
    EXPECT_EQ(doc->GetHeader()->GetFormat(), DF_MIDI_TYPE2);
    // Measures of 4/4 up to the end of the last pattern (9 quarter notes).
    EXPECT_EQ(Tree()->GetConductor()->GetMaxMeasureNumber(), 3);
}

// Measures reach each chunk's last tick; an end on a bar line opens no
// empty measure after it.
TEST_F(MidiReadTest, MeasuresReachEachChunksEnd) {
    const struct {
        int endTicks;   // the conductor chunk's end, at 96 ticks a quarter
        int measures;   // of 4/4
    } cases[] = {
        {96 * 12, 3},       // on the bar line after measure 3
        {96 * 12 + 1, 4},   // a tick into measure 4
        {96 * 11, 3},       // inside measure 3
        {0, 1},             // an empty chunk still has the first measure
    };
    for (const auto& c : cases) {
        doc = MakeDocument();
        MCMidiRead fresh;
        Track conductor;
        conductor.End(c.endTicks);
        ASSERT_EQ(Load(File(1, 96).Add(conductor).GetBytes(), 0, &fresh), 1);
        EXPECT_EQ(Tree()->GetConductor()->GetMaxMeasureNumber(), c.measures) << "end at " << c.endTicks;
    }
}

// ---------------------------------------------------------------- running status

TEST_F(MidiReadTest, RunningStatusLastsAcrossMetaSysExAndChunks) {
    Track first, second;
    first.NoteOn(0, 3, 60, 100)
        .Text(0, 0x01, "between")
        .Channel(0, 0x93, {62, 101}, true)   // after a meta event
        .SysEx(0, 0xF0, {0x7E, 0x7F, 0x09, 0x01, 0xF7})
        .Channel(0, 0x93, {64, 102}, true)   // after a system-exclusive event
        .NoteOff(96, 3, 60)
        .Channel(0, 0x83, {62, 64}, true)
        .Channel(0, 0x83, {64, 64}, true)
        .NoteOn(0, 3, 66, 103)
        .End();
    // The next chunk opens on the running status the first left (93).
    second.Channel(0, 0x93, {67, 104}, true)
        .Channel(192, 0x93, {66, 0}, true)
        .Channel(0, 0x93, {67, 0}, true)
        .End();
    ASSERT_EQ(Load(File(1, 96).Add(first).Add(second).GetBytes()), 1);

    // Chunk 0 holds notes, so the chunks' notes go to tracks 1 and 2.
    const std::vector<Note> expected = {
        {0.0f, 1.0f, 60, 100, 3, 1}, {0.0f, 1.0f, 62, 101, 3, 1}, {0.0f, 1.0f, 64, 102, 3, 1},
        {0.0f, 2.0f, 67, 104, 3, 2}, {1.0f, 1.0f, 66, 103, 3, 1},
    };
    EXPECT_EQ(Notes(), expected);
    const std::vector<ECBase*> sysEx = FindEvents(Tree(), ET_SYSTEMMESSAGE);
    ASSERT_EQ(sysEx.size(), 1u);
    auto* data = dynamic_cast<DCsqSysMsg*>(DCsqBase::GetPerformer(sysEx[0], 0));
    ASSERT_NE(data, nullptr);
    const Bytes message(data->GetSysExData().GetSysExBuf(),
                        data->GetSysExData().GetSysExBuf() + data->GetSysExData().GetSysExBufLength());
    EXPECT_EQ(message, (Bytes{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}));
}

// ---------------------------------------------------------------- meta events

TEST_F(MidiReadTest, MetaEventsKeptAndDropped) {
    Track conductor, staff;
    conductor.SequenceNumber(0, 7)
        .Tempo(0, 0)                // 0 is read as 1 microsecond a quarter
        .TimeSignature(0, 2, 0)     // power 0: 2/1
        .KeySignature(0, -3, 1)     // on track 0: dropped
        .Text(0, 0x02, "(c) us")
        .Tempo(96, 500000)
        .TimeSignature(0, 3, 9)     // power 9: dropped
        .SequenceNumber(0, 8)       // after a delta: ignored
        .End();
    staff.KeySignature(0, -3, 1).Text(0, 0x06, "A").NoteOn(0, 0, 60, 100).NoteOff(96, 0, 60).End();
    ASSERT_EQ(Load(File(1, 96).Add(conductor).Add(staff).GetBytes()), 1);

    std::vector<std::pair<float, float>> tempi;
    for (ECBase* tempo : FindEvents(Tree(), ET_TEMPO))
        tempi.emplace_back(TimeOf(tempo), static_cast<ECTempo*>(tempo)->GetTempo(1.0f));
    EXPECT_EQ(tempi, (std::vector<std::pair<float, float>>{{0.0f, 60000000.0f}, {1.0f, 120.0f}}));

    std::vector<std::pair<int, int>> meters;
    for (ECBase* meter : FindEvents(Tree(), ET_METER))
        meters.emplace_back(static_cast<ECMeter*>(meter)->GetNumerator(), static_cast<ECMeter*>(meter)->GetDenominator());
    EXPECT_EQ(meters, (std::vector<std::pair<int, int>>{{2, 1}}));

    const std::vector<ECBase*> keys = FindEvents(Tree(), ET_KEY);
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_EQ(TrackOf(keys[0]), 1);
    EXPECT_EQ(static_cast<ECKey*>(keys[0])->GetAccidentals(), -3);
    EXPECT_EQ(static_cast<ECKey*>(keys[0])->GetMode(), 1);

    std::vector<int> numbers;
    for (ECBase* mark : FindEvents(Tree(), ET_FLOWCONTROL))
        if (static_cast<ECFlowControl*>(mark)->GetFlowControlType() == 14)
            numbers.push_back(static_cast<ECFlowControl*>(mark)->GetSequenceNumber());
    EXPECT_EQ(numbers, std::vector<int>{7});

    // Copyright and markers go to track 0 whatever chunk they are in.
    EXPECT_EQ(Texts(ET_TEXT), (std::vector<std::pair<int, std::string>>{{0, "(c) us"}, {0, "A"}}));
}

TEST_F(MidiReadTest, ASecondTempoAtOneTimeGivesWayToTheFirst) {
    Track conductor, staff;
    conductor.Tempo(0, 1000000).Tempo(0, 500000).TimeSignature(0, 3, 2).End();
    // Another chunk's tempo at a time that has one already, then one of its own.
    staff.Tempo(0, 250000).NoteOn(0, 0, 60, 100).NoteOff(96, 0, 60).Tempo(0, 400000).TimeSignature(0, 2, 2).End();
    ASSERT_EQ(Load(File(1, 96).Add(conductor).Add(staff).GetBytes()), 1);
    std::vector<std::pair<float, float>> tempi;
    for (ECBase* tempo : FindEvents(Tree(), ET_TEMPO))
        tempi.emplace_back(TimeOf(tempo), static_cast<ECTempo*>(tempo)->GetTempo(1.0f));
    EXPECT_EQ(tempi, (std::vector<std::pair<float, float>>{{0.0f, 60.0f}, {1.0f, 150.0f}}));
    EXPECT_EQ(FindEvents(Tree(), ET_METER).size(), 2u);
}

TEST_F(MidiReadTest, ChannelPrefixSendsMetaEventsToThatChannelsTrack) {
    Track track;
    track.NoteOn(0, 5, 60, 100)      // channel 6: track 1
        .NoteOn(0, 2, 64, 100)       // channel 3: track 2
        .ChannelPrefix(0, 2)
        .Text(0, 0x01, "to three")
        .NoteOff(96, 5, 60)          // any channel message ends the prefix
        .Text(0, 0x01, "back")
        .ChannelPrefix(0, 9)         // channel 10 has no track: no prefix
        .Text(0, 0x01, "none")
        .NoteOff(0, 2, 64)
        .End();
    ASSERT_EQ(Load(File(0, 96).Add(track).GetBytes()), 1);
    EXPECT_EQ(Texts(ET_TEXT), (std::vector<std::pair<int, std::string>>{{1, "back"}, {1, "none"}, {2, "to three"}}));
}

TEST_F(MidiReadTest, TextsLyricsAndWaveNamesAreWindows1252AndWaveNamesMayBeUtf8) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    // The clips' files, named in UTF-8 on disk: "take" e-acute ".wav", and
    // "take" o-double-acute ".wav", which Windows-1252 cannot hold.
    const std::string utf8Name = folder.path().toStdString() + "/take\xC3\xA9.wav";
    const std::string wideName = folder.path().toStdString() + "/take\xC5\x91.wav";
    ASSERT_TRUE(device_test::WriteSilentWave(utf8Name, 500));
    ASSERT_TRUE(device_test::WriteSilentWave(wideName, 500));
    const std::string cp1252Name = folder.path().toStdString() + "/take\xE9.wav";

    Track conductor, staff;
    conductor.End();
    staff.Text(0, 0x01, "caf\xE9 \x80 \x81")
        .NoteOn(0, 0, 60, 100)
        .Text(0, 0x05, "\xFC")
        .NoteOff(96, 0, 60)
        .WaveReference(192, 3, cp1252Name)
        .WaveReference(96, 4, wideName)
        .End();
    ASSERT_EQ(Load(File(1, 96).Add(conductor).Add(staff).GetBytes()), 1);

    // 0x80 is the euro sign; 0x81, which the code page leaves open, the control character U+0081.
    EXPECT_EQ(Texts(ET_TEXT), (std::vector<std::pair<int, std::string>>{{1, "caf\xC3\xA9 \xE2\x82\xAC \xC2\x81"}}));
    EXPECT_EQ(Texts(ET_LYRIC), (std::vector<std::pair<int, std::string>>{{1, "\xC3\xBC"}}));

    // The clips are added by commands of their own, after the load.
    ASSERT_TRUE(messaging_test::PumpUntil([&] { return FindEvents(Tree(), ET_WAVE).size() == 2; }));
    std::vector<std::tuple<int, float, std::string>> waves;
    for (ECBase* event : FindEvents(Tree(), ET_WAVE)) {
        waves.emplace_back(TrackOf(event), TimeOf(event), static_cast<ECWave*>(event)->GetFileName());
        EXPECT_EQ(event->GetParents()->GetHead()->GetClassType(), ET_WAVETRACK);
    }
    std::sort(waves.begin(), waves.end());
    EXPECT_EQ(waves, (std::vector<std::tuple<int, float, std::string>>{{3, 3.0f, utf8Name}, {4, 4.0f, wideName}}));
}

// ---------------------------------------------------------------- refusals

TEST_F(MidiReadTest, FilesItDoesNotReadLeaveTheFileWhereItStood) {
    Track good;
    good.NoteOn(0, 0, 60, 100).NoteOff(96, 0, 60).End();
    Track conductor;
    conductor.End();
    Bytes notTrack = File(1, 96).Add(conductor).SetTrackCount(2).GetBytes();
    const Bytes other = smf_support::Chunk("MTrx", good.GetBytes());
    notTrack.insert(notTrack.end(), other.begin(), other.end());
    const struct {
        const char* name;
        Bytes bytes;
        bool makesTree;   // failed after the header: the tree stays, the failed load empties it
    } cases[] = {
        {"a native document", {'M', 'M', 'M', 'F', 2, 0, 0, 0, 9, 9, 9, 9}, false},
        {"too short for a chunk head", {'M', 'T', 'h', 'd', 0}, false},
        {"a second chunk that is not a track", notTrack, true},
        {"fewer chunks than the header counts", File(1, 96).Add(conductor).SetTrackCount(2).GetBytes(), true},
        {"division 0", File(0, 0).Add(good).GetBytes(), false},
        {"a type above 2", File(3, 96).Add(good).GetBytes(), false},
        {"header data shorter than 6 bytes",
         smf_support::Chunk("MThd", {0, 0, 0, 1}), false},
        {"a header longer than the file", Bytes{'M', 'T', 'h', 'd', 0xFF, 0xFF, 0xFF, 0xF0, 0, 0, 0, 1, 0, 96}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        doc->DeleteContents();
        MCOpusDoc::WaitThreadsFinished(0);
        // Three bytes of something else before the file: the reader starts
        // where the archive stands and puts the file back there.
        Bytes bytes = {1, 2, 3};
        bytes.insert(bytes.end(), c.bytes.begin(), c.bytes.end());
        file = std::make_unique<CMemFile>(bytes);
        file->Seek(3, CFile::begin);
        CArchive ar(file.get(), CArchive::load | CArchive::bNoFlushOnDelete);
        MCMidiRead read;
        EXPECT_EQ(read.LoadMidiFile(ar, doc.get()), 0);
        EXPECT_EQ(file->GetPosition(), 3u);
        // The native reader goes on on the archive from there.
        BYTE first = 0;
        ar >> first;
        EXPECT_EQ(first, bytes[3]);
        EXPECT_EQ(doc->GetBaseEvent() != nullptr, c.makesTree);
        EXPECT_EQ(doc->GetHeader()->GetFormat(), DF_UNKNOWN);
    }
}

TEST_F(MidiReadTest, TimeCodeDivisionIsRefusedWithItsOwnMessage) {
    Track track;
    track.NoteOn(0, 0, 60, 100).NoteOff(40, 0, 60).End();
    const Bytes bytes = File(0, 0xE728).Add(track).GetBytes();   // 25 frames of 40 ticks
    CPromptScript prompts;
    EXPECT_THROW(Load(bytes), CUserException);
    EXPECT_EQ(file->GetPosition(), 0u);
    ASSERT_EQ(prompts.GetCount(), 1u);
    EXPECT_EQ(prompts.GetLast().text, MCMidiRead::kTimeCodeRefused);
    EXPECT_EQ(prompts.GetLast().flags & MB_ICONMASK, unsigned(MB_ICONEXCLAMATION));
    EXPECT_EQ(Tree(), nullptr);
}

// A type 1 file of 5,000 chunks: the conductor's, then one note on each of
// 4,999 tracks. The voice/track word holds tracks up to 2,046: their notes
// come in whole; the 2,953 tracks beyond, and their notes, are counted as
// left out, and opening the file tells the user so.
TEST_F(MidiReadTest, TracksTheWordCannotHoldAreCountedAndReported) {
    constexpr int kChunks = 5000;
    constexpr int kKeptTracks = TRACK_NONE - 1;
    File smf(1, 96);
    Track conductor;
    conductor.Tempo(0, 500000).End();
    smf.Add(conductor);
    std::vector<Note> kept;
    for (int chunk = 1; chunk < kChunks; ++chunk) {
        const int channel = chunk % 16, key = 36 + chunk % 48, velocity = 1 + chunk % 127, beat = chunk % 4;
        Track track;
        track.NoteOn(static_cast<uint32_t>(beat * 96), channel, key, velocity).NoteOff(96, channel, key).End();
        smf.Add(track);
        if (chunk <= kKeptTracks)
            kept.push_back({static_cast<float>(beat), 1.0f, key, velocity, channel, chunk});
    }
    std::sort(kept.begin(), kept.end());
    const Bytes bytes = smf.GetBytes();

    ASSERT_EQ(Load(bytes), 1);
    const MCMidiRead::LeftOut leftOut = reader.GetLeftOut();
    EXPECT_EQ(leftOut.tracks, kChunks - 1 - kKeptTracks);
    EXPECT_EQ(leftOut.notes, kChunks - 1 - kKeptTracks);
    EXPECT_EQ(Notes(), kept);

    // Opened as a document, the file says what it left out, once.
    doc->DeleteContents();
    MCOpusDoc::WaitThreadsFinished(0);
    CPromptScript prompts;
    CMemFile source(bytes);
    {
        CArchive ar(&source, CArchive::load | CArchive::bNoFlushOnDelete);
        ar.m_pDocument = doc.get();
        doc->Serialize(ar);
    }
    ASSERT_EQ(prompts.GetCount(), 1u);
    const std::string text = prompts.GetLast().text;
    EXPECT_NE(text.find("2953 tracks"), std::string::npos) << text;
    EXPECT_NE(text.find("2953 notes"), std::string::npos) << text;
    EXPECT_EQ(text, MCMidiRead::DescribeLeftOut(leftOut));
    EXPECT_EQ(FindEvents(Tree(), ET_NOTE).size(), kept.size());
}

// Damaged chunks fail the load as errors of their chunk: no crash, no read
// past the chunk, the file put back.
TEST_F(MidiReadTest, DamagedChunksFailTheLoad) {
    auto damaged = [](Bytes data) {
        Track conductor;
        conductor.End();
        Track track;
        track.NoteOn(0, 0, 60, 100).NoteOff(96, 0, 60);
        track.Raw(data);
        return File(1, 96).Add(conductor).Add(track).GetBytes();
    };
    Bytes hugeChunk = File(1, 96).SetTrackCount(1).GetBytes();
    const Bytes hugeHead = {'M', 'T', 'r', 'k', 0xFF, 0xFF, 0xFF, 0xF0, 0x00, 0x90, 0x3C, 0x40};
    hugeChunk.insert(hugeChunk.end(), hugeHead.begin(), hugeHead.end());
    const struct {
        const char* name;
        Bytes bytes;
    } cases[] = {
        {"a chunk longer than the file", hugeChunk},
        {"a delta time running past the chunk", damaged({0x81, 0x80})},
        {"a delta time of five bytes", damaged({0x81, 0x80, 0x80, 0x80, 0x00, 0x90, 0x3C, 0x40})},
        {"a short data message", damaged({0x00, 0x90, 0x3C})},
        {"a short running-status message", damaged({0x00, 0x3C})},
        {"a meta length past the chunk", damaged({0x00, 0xFF, 0x01, 0x10, 'a', 'b'})},
        {"a meta length running past the chunk", damaged({0x00, 0xFF, 0x01, 0x81})},
        {"a meta event without its type", damaged({0x00, 0xFF})},
        {"a system-exclusive length past the chunk", damaged({0x00, 0xF0, 0x05, 0x7E, 0xF7})},
        {"a channel prefix above 15", damaged({0x00, 0xFF, 0x20, 0x01, 0x10})},
        {"an empty channel prefix", damaged({0x00, 0xFF, 0x20, 0x00})},
        {"a tempo of two bytes", damaged({0x00, 0xFF, 0x51, 0x02, 0x07, 0xA1})},
        {"a time signature of one byte", damaged({0x00, 0xFF, 0x58, 0x01, 0x04})},
        {"a key signature of one byte", damaged({0x00, 0xFF, 0x59, 0x01, 0x02})},
        {"a status byte among the data bytes", damaged({0x00, 0x90, 0x3C, 0x90})},
        // 0x0FFFFFFF ticks at 96 a quarter: 2.8 million quarter notes.
        {"an event later than any piece", damaged({0xFF, 0xFF, 0xFF, 0x7F, 0x90, 0x3C, 0x40})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        doc->DeleteContents();
        MCOpusDoc::WaitThreadsFinished(0);
        MCMidiRead read;
        EXPECT_EQ(Load(c.bytes, 0, &read), 0);
        EXPECT_EQ(position, 0u);
        EXPECT_EQ(doc->GetHeader()->GetFormat(), DF_UNKNOWN);
    }
}

// With no status before it, in this chunk or an earlier one, a data byte
// belongs to no message: the chunk is out of step from there on.
TEST_F(MidiReadTest, ADataByteWithNoStatusAtAllFailsItsChunk) {
    Track track;
    track.Channel(0, 0, {0x3C, 0x40}, true)
        .NoteOn(0, 4, 62, 100)
        .NoteOff(96, 4, 62)
        .End();
    EXPECT_EQ(Load(File(0, 96).Add(track).GetBytes()), 0);
    EXPECT_EQ(position, 0u);
    EXPECT_EQ(doc->GetHeader()->GetFormat(), DF_UNKNOWN);
}

// ---------------------------------------------------------------- what the load gives back

TEST_F(MidiReadTest, ProgressIsReportedAndTheTreeGivenBackOnEveryWayOut) {
    auto* view = new StateView;
    std::unique_ptr<StateView> owned(view);
    doc->AddView(view);

    Track conductor, staff;
    conductor.End();
    for (int i = 0; i < 40; ++i)   // 8 bytes a note: 320 bytes
        staff.NoteOn(0, 0, 40 + i, 100).NoteOff(24, 0, 40 + i);
    staff.End();
    const Bytes bytes = File(1, 96).Add(conductor).Add(staff).GetBytes();
    ASSERT_EQ(Load(bytes), 1);

    const std::vector<StateView::Seen> progress = view->Progress();
    ASSERT_GE(progress.size(), 2u);
    EXPECT_EQ(progress.front().code, STATE_PROGRESS_BEGIN);
    EXPECT_EQ(progress.front().message, "Loading Type 1 MIDI file...\n");
    EXPECT_EQ(progress.front().low, 0);
    EXPECT_EQ(progress.front().high, static_cast<int>(bytes.size()));
    EXPECT_EQ(progress.back().code, STATE_PROGRESS_END);
    // Chunk 0 (4 bytes, one event) steps once; chunk 1 (324 bytes) after its
    // first event, then each time 100 more bytes are behind it.
    const uint64_t chunk1 = 14 + 8 + 4 + 8;
    std::vector<int> steps;
    for (const StateView::Seen& s : progress)
        if (s.code == STATE_PROGRESS_STEP)
            steps.push_back(s.step);
    ASSERT_EQ(steps.size(), 1u + 4u);
    EXPECT_EQ(steps[0], 14 + 8 + 4);
    EXPECT_EQ(steps[1], static_cast<int>(chunk1 + 4));   // the first event: 4 bytes
    for (size_t i = 2; i < steps.size(); ++i)
        EXPECT_GT(steps[i] - steps[i - 1], 96) << i;
    EXPECT_TRUE(TreeUnlocked());
    EXPECT_EQ(doc->GetSequence()->GetMidiScoreMgr()->GetFileLoading(), 0);
    doc->RemoveView(view);

    // A chunk in error, and a file that fails under the reader, give it all back too.
    for (const bool throws : {false, true}) {
        SCOPED_TRACE(throws ? "the file throws" : "a chunk in error");
        doc->DeleteContents();
        MCOpusDoc::WaitThreadsFinished(0);
        StateView watcher;
        doc->AddView(&watcher);
        Bytes damaged = bytes;
        damaged.resize(damaged.size() - 2);   // the last chunk is cut short
        MCMidiRead read;
        if (throws) {
            // Reads: the header head, its data, chunk 0 head, its data, chunk 1 head.
            EXPECT_THROW(LoadFrom(std::make_unique<FailingFile>(bytes, 5), 0, &read), CFileException);
        } else {
            EXPECT_EQ(Load(damaged, 0, &read), 0);
        }
        EXPECT_EQ(file->GetPosition(), 0u);
        ASSERT_NE(Tree(), nullptr);
        EXPECT_TRUE(TreeUnlocked());
        EXPECT_EQ(doc->GetSequence()->GetMidiScoreMgr()->GetFileLoading(), 0);
        const std::vector<StateView::Seen> seen = watcher.Progress();
        ASSERT_FALSE(seen.empty());
        EXPECT_EQ(seen.front().code, STATE_PROGRESS_BEGIN);
        EXPECT_EQ(seen.back().code, STATE_PROGRESS_END);
        doc->RemoveView(&watcher);
    }
}

// ---------------------------------------------------------------- a file of another writer

TEST_F(MidiReadTest, ReadsAFileWrittenByAnotherProgram) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const Bytes bytes = smf_support::MakeWithMido(R"(
mid = mido.MidiFile(type=1, ticks_per_beat=480)
conductor = mido.MidiTrack()
conductor.append(mido.MetaMessage('set_tempo', tempo=750000, time=0))
conductor.append(mido.MetaMessage('time_signature', numerator=3, denominator=4, time=0))
mid.tracks.append(conductor)
for channel, keys in ((0, (60, 64)), (1, (43,))):
    track = mido.MidiTrack()
    track.append(mido.MetaMessage('track_name', name='part %d' % channel, time=0))
    track.append(mido.Message('program_change', channel=channel, program=channel, time=0))
    for key in keys:
        track.append(mido.Message('note_on', channel=channel, note=key, velocity=80 + key % 10, time=0))
        track.append(mido.Message('note_off', channel=channel, note=key, velocity=0, time=720))
    mid.tracks.append(track)
mid.save(path)
)",
                                                  folder.path().toStdString() + "/other.mid");
    if (bytes.empty())
        GTEST_SKIP() << "python3 with mido is not available";
    ASSERT_EQ(Load(bytes), 1);
    // mido writes running status within each track.
    const std::vector<Note> expected = {
        {0.0f, 1.5f, 43, 83, 1, 2},
        {0.0f, 1.5f, 60, 80, 0, 1},
        {1.5f, 1.5f, 64, 84, 0, 1},
    };
    std::vector<Note> notes = Notes();
    std::sort(notes.begin(), notes.end(), [](const Note& a, const Note& b) {
        return std::tie(a.start, a.key) < std::tie(b.start, b.key);
    });
    EXPECT_EQ(notes, expected);
    EXPECT_EQ(Texts(ET_TEXT), (std::vector<std::pair<int, std::string>>{{1, "part 0"}, {2, "part 1"}}));
    const std::vector<ECBase*> tempi = FindEvents(Tree(), ET_TEMPO);
    ASSERT_EQ(tempi.size(), 1u);
    EXPECT_FLOAT_EQ(static_cast<ECTempo*>(tempi[0])->GetTempo(1.0f), 80.0f);
    const std::vector<ECBase*> meters = FindEvents(Tree(), ET_METER);
    ASSERT_EQ(meters.size(), 1u);
    EXPECT_EQ(static_cast<ECMeter*>(meters[0])->GetNumerator(), 3);
}

}  // namespace
