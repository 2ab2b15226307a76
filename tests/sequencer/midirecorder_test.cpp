// The MIDI recorder's routing by the split modes (the tracks each mode needs,
// where a device, channel and key go) and the step-record chord rule (keys
// held together make one chord; a controller under a held key never moves
// the step on); recorded input reaching the score in step and real time,
// and the highlights it feeds; the sequence's own recorder: Record picks the
// staff and starts it, Pause toggles it, Stop ends it, STATE_TRACK_RECORD
// arms it and the profile's record section reaches it.
#include "sequencer/midirecorder.h"

#include "model/conductor.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/midifields.h"
#include "model/notes.h"
#include "model/performance.h"
#include "model/preferences.h"
#include "model/staff.h"
#include "model/states.h"
#include "platform/core/clock.h"
#include "platform/devices/capture.h"
#include "platform/devices/portavel.h"
#include "sequencer/performers.h"
#include "sequencer/enginestates.h"
#include "sequencer/levels.h"
#include "sequencer/player.h"
#include "sequencer/scoremgr.h"
#include "sequencer/seqprefs.h"
#include "sequencer/sequence.h"
#include "tests/platform/messaging_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <memory>
#include <vector>

namespace {

FCMidi Word(unsigned status, unsigned data1, unsigned data2)
{
    return FCMidi(status | (data1 << 8) | (data2 << 16));
}

TEST(CMidiRecorder, SplitModesRouteDevicesChannelsAndKeys)
{
    const struct {
        unsigned short mode;
        int devices, base, tracksNeeded;
        unsigned device, channel, key;
        int track, voice;
    } cases[] = {
        {0, 1, 5, 1, 0, 3, 60, 5, 0},          // one part for everything
        {0, 2, 5, 1, 1, 15, 20, 5, 0},
        {2, 1, 1, 16, 0, 9, 60, 10, 0},        // per channel
        {6, 1, 1, 32, 0, 0, 60, 1, 0},         // per channel and split: upper first
        {6, 1, 1, 32, 0, 0, 59, 2, 0},
        {6, 1, 1, 32, 0, 5, 72, 11, 0},
        {10, 1, 1, 2, 0, 10, 60, 2, 2},        // per channel as voices
        {14, 1, 3, 4, 0, 0, 64, 3, 0},         // per channel and split as voices, from track 3
        {14, 1, 3, 4, 0, 0, 48, 3, 1},
        {14, 1, 3, 4, 0, 9, 64, 5, 2},         // part 18
        {14, 1, 3, 4, 0, 15, 10, 6, 7},        // the last part
        {1, 3, 2, 3, 2, 0, 60, 4, 0},          // per device
        {9, 3, 2, 1, 2, 7, 60, 2, 2},          // per device as voices
        {15, 2, 1, 8, 1, 15, 0, 8, 7},         // everything: part 63
    };
    for (const auto& c : cases) {
        CMidiRecorder recorder;
        recorder.SetDeviceCount(c.devices);
        recorder.SetSplitMode(c.mode);
        EXPECT_EQ(recorder.RouteFrom(c.base), c.tracksNeeded) << c.mode;
        const MCVoiceTrack vt = recorder.GetVoiceTrack(c.device, c.channel, c.key);
        EXPECT_EQ(vt.GetTrack(), c.track) << "mode " << c.mode << " channel " << c.channel << " key " << c.key;
        EXPECT_EQ(vt.GetVoice(), c.voice) << "mode " << c.mode << " channel " << c.channel << " key " << c.key;
    }
}

TEST(CMidiRecorder, RoutingTellsTheQuantizerItsTracksAndUnroutedInputGoesNowhere)
{
    CMidiRecorder recorder;
    // Nothing routed yet: every word is none.
    EXPECT_EQ(recorder.GetVoiceTrack(0, 0, 60).GetValue(), 0x7FFF);

    recorder.SetSplitMode(CMidiRecorder::SPLIT_CHANNEL);
    EXPECT_EQ(recorder.RouteFrom(3), 16);
    EXPECT_EQ(recorder.GetBaseTrack(), 3);
    EXPECT_EQ(recorder.GetQuantizeFilter().GetTrackCount(), 16);
    EXPECT_EQ(recorder.GetQuantizeFilter().GetFirstTrack(), 3);

    // A device or channel the tables lack is never routed onto a track.
    EXPECT_EQ(recorder.GetVoiceTrack(1, 0, 60).GetValue(), 0x7FFF);
    EXPECT_EQ(recorder.GetVoiceTrack(0, 16, 60).GetValue(), 0x7FFF);

    // No input device still routes as device 0.
    recorder.SetDeviceCount(0);
    EXPECT_EQ(recorder.GetDeviceCount(), 1);

    // A part beyond the word's tracks is pinned there.
    recorder.SetDeviceCount(300);
    recorder.SetSplitMode(CMidiRecorder::SPLIT_DEVICE | CMidiRecorder::SPLIT_CHANNEL);
    recorder.RouteFrom(2000);
    EXPECT_EQ(recorder.GetVoiceTrack(299, 15, 0).GetTrack(), CMidiRecorder::MAX_TRACK);
}

TEST(CMidiRecorder, TheKeyOfAMessage)
{
    const struct {
        unsigned status, data1;
        unsigned key;
    } cases[] = {
        {0x90, 61, 61}, {0x80, 62, 62}, {0xA3, 63, 63}, {0xB0, 64, 0}, {0xE0, 65, 0}, {0xC0, 66, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CMidiRecorder::GetKey(Word(c.status, c.data1, 100)), c.key) << c.status;
}

TEST(CStepChord, KeysHeldTogetherMakeOneChord)
{
    // C, then E while C is held, both released, then G: C and E share a step,
    // G moves on. A controller and a bend under a held key, a release with
    // nothing held, and pressure with nothing held stay on the step.
    CStepChord chord;
    const struct {
        FCMidi word;
        StepMove move;
        int held;
    } steps[] = {
        {Word(0x90, 60, 100), StepMove::ADVANCE, 1},   // C
        {Word(0xB0, 64, 127), StepMove::SAME, 1},      // sustain under C
        {Word(0xE0, 0, 70), StepMove::SAME, 1},        // a bend under C
        {Word(0x90, 64, 100), StepMove::SAME, 2},      // E joins
        {Word(0x80, 60, 64), StepMove::RELEASE, 1},
        {Word(0x90, 64, 0), StepMove::RELEASE, 0},     // velocity 0 is a release
        {Word(0x80, 50, 64), StepMove::RELEASE, 0},    // held before recording
        {Word(0xD0, 30, 0), StepMove::SAME, 0},
        {Word(0x90, 67, 100), StepMove::ADVANCE, 1},   // G
        {FCMidi(), StepMove::ADVANCE, 1},              // a rest
    };
    int index = 0;
    for (const auto& s : steps) {
        EXPECT_EQ(chord.OnMessage(s.word), s.move) << "step " << index;
        EXPECT_EQ(chord.GetHeldKeys(), s.held) << "step " << index;
        ++index;
    }
    chord.Reset();
    EXPECT_EQ(chord.GetHeldKeys(), 0);
}

}   // namespace

// ---- step recording into a piece ---------------------------------------------

namespace {

// The key a recorded note plays: its performer's note-on word.
int Key(ECBase* note)
{
    auto* performer = dynamic_cast<DCsqNote*>(DCsqBase::GetPerformer(note, 0));
    return performer ? performer->GetNoteOnData().GetDataByte1() : -1;
}

// A piece with its conductor and an attached sequence whose score manager
// adds at once; a recorder attached to the sequence, routing to track 1.
class StepPiece {
public:
    StepPiece()
    {
        RegisterPerformers();
        auto backend = std::make_unique<CCaptureBackend>();
        capture = backend.get();
        m_portavel = std::make_unique<CPortavel>(std::move(backend));
        m_portavel->Initialize(1);
        m_portavel->EnableDevice(PV_MIDI, PV_INPUT, PV_ALL_DEVICES, 1);
        m_portavel->EnableDevice(PV_MIDI, PV_OUTPUT, PV_ALL_DEVICES, 1);
        m_portavel->OpenDevices();
        m_portavel->StartDevices();
        performance = new ECPerformance;
        performance->Ref();
        conductor = new ECConductor;
        performance->AddChild(conductor, SORTED);
        sequence = std::make_unique<CSequence>();
        sequence->Attach(performance);
        sequence->GetMidiScoreMgr()->SetFileLoading(1);
        recorder.Attach(sequence.get());
        recorder.RouteFrom(1);
    }
    ~StepPiece()
    {
        recorder.Detach();
        sequence->Detach();
        sequence->GetMidiScoreMgr()->Attach(nullptr);
        performance->RemoveChildren(1);
        performance->Unref(1);
    }
    StepPiece(const StepPiece&) = delete;
    StepPiece& operator=(const StepPiece&) = delete;

    // The notes under a root (the whole piece by default), in time order.
    std::vector<ECBase*> Notes(ECBase* root = nullptr) { return Events(ET_NOTE, root); }
    // The events of a type under a root, in time order.
    std::vector<ECBase*> Events(int type, ECBase* root = nullptr)
    {
        ACFindEvents find;
        find.AddEvtType(type);
        find.Apply(root ? root : performance);
        std::vector<ECBase*> found;
        MCEventList& events = find.GetEvents();
        for (POSITION pos = events.GetHeadPosition(); pos;)
            found.push_back(events.GetNext(pos));
        return found;
    }
    // A message as the input thread hands it over.
    void Input(unsigned status, unsigned key, unsigned velocity, unsigned long ms = 0)
    {
        recorder.RecordMidiChannelMessage(0, status | key << 8 | velocity << 16, ms);
    }

    CManualClock clock{1000};             // made first, gone last
    CCaptureBackend* capture = nullptr;   // owned by the library
    std::unique_ptr<CPortavel> m_portavel;
    ECPerformance* performance = nullptr;
    ECConductor* conductor = nullptr;
    std::unique_ptr<CSequence> sequence;
    CMidiRecorder recorder;
};

}   // namespace

TEST(CMidiRecorderStep, HeldKeysShareAStepAndTheNextChordMovesOn)
{
    StepPiece piece;
    piece.recorder.StepRecord();
    ASSERT_EQ(piece.recorder.GetState(), static_cast<unsigned>(CMidiRecorder::RS_STEP_RECORDING));
    EXPECT_NE(piece.recorder.GetTag(), 0);

    piece.Input(0x90, 60, 100);   // C
    piece.Input(0xB0, 64, 127);   // sustain under C: the step stays
    piece.Input(0xE0, 0, 70);     // so does a bend
    piece.Input(0x90, 64, 100);   // E while C is held
    piece.Input(0x80, 60, 64);
    piece.Input(0x80, 64, 64);
    piece.recorder.StepRecordRest();
    piece.Input(0x90, 67, 100);   // G
    piece.Input(0x80, 67, 64);

    // The input path queues; only the hand-over changes the tree.
    EXPECT_TRUE(piece.Notes().empty());
    EXPECT_EQ(piece.recorder.GetPendingCount(), 5);
    EXPECT_EQ(piece.recorder.FlushPending(), 5);

    // The pedal and the bend sit on C's step.
    for (const int type : {ET_PEDAL, ET_PITCHBEND}) {
        const std::vector<ECBase*> marks = piece.Events(type);
        ASSERT_EQ(marks.size(), 1u) << type;
        EXPECT_FLOAT_EQ(marks[0]->GetTime()->GetSeconds(), 0.0f) << type;
    }

    const std::vector<ECBase*> notes = piece.Notes();
    ASSERT_EQ(notes.size(), 3u);
    const float starts[] = {0.0f, 0.0f, 2.0f};   // the rest took step 1
    for (size_t i = 0; i < notes.size(); ++i) {
        EXPECT_FLOAT_EQ(notes[i]->GetTime()->GetSeconds(), starts[i]) << i;
        EXPECT_GT(notes[i]->GetDuration()->GetSeconds(), 0.0f) << i;
    }

    piece.recorder.Stop();
    EXPECT_EQ(piece.recorder.GetState(), static_cast<unsigned>(CMidiRecorder::RS_STOPPED));
    EXPECT_EQ(piece.recorder.GetTag(), 0);
    // Stopped: input no longer records.
    piece.Input(0x90, 72, 100);
    EXPECT_EQ(piece.recorder.GetPendingCount(), 0);
}

TEST(CMidiRecorderStep, AChordReleasedWholeIsOneStepAndTheNextKeyTheNext)
{
    // C, then E while C is held, both released, then G: C and E at one step
    // time, G one step value later, each as long as the step value plays.
    StepPiece piece;
    piece.recorder.StepRecord();
    piece.Input(0x90, 60, 100);   // C
    piece.Input(0x90, 64, 100);   // E while C is held
    piece.Input(0x80, 60, 64);
    piece.Input(0x90, 64, 0);     // a note-on of velocity 0 releases too
    piece.Input(0x90, 67, 100);   // G
    piece.Input(0x80, 67, 64);
    EXPECT_EQ(piece.recorder.FlushPending(), 3);

    const MCTime value = piece.sequence->GetStepRecordValue();
    const float step = value.GetSeconds();
    const float length = ECNote::ScaleDuration(&value, 0).GetSeconds();
    ASSERT_GT(step, 0.0f);
    const struct {
        int key;
        float start;
    } expected[] = {{60, 0.0f}, {64, 0.0f}, {67, step}};
    const std::vector<ECBase*> notes = piece.Notes();
    ASSERT_EQ(notes.size(), 3u);
    for (const auto& e : expected) {
        const auto found = std::find_if(notes.begin(), notes.end(), [&](ECBase* note) { return Key(note) == e.key; });
        ASSERT_NE(found, notes.end()) << e.key;
        EXPECT_FLOAT_EQ((*found)->GetTime()->GetSeconds(), e.start) << e.key;
        EXPECT_FLOAT_EQ((*found)->GetDuration()->GetSeconds(), length) << e.key;
    }
    piece.recorder.Stop();
}

TEST(CMidiRecorderRealTime, OverlapsChordsAndControllersLandOnTheSplitStaves)
{
    // The same playing under two splits, injected through the capture backend
    // and handed over by the 100 ms batches: two overlapping Cs above the
    // split on channel 0, a chord below it with a pedal between, a G on
    // channel 9. Each split is armed in a piece of four staves.
    struct Place {
        int track, voice;
    };
    const struct {
        unsigned short mode;
        int base;
        int staves;          // the highest staff once armed
        Place upper, lower;  // channel 0 at and above key 60, below it
        Place nine;          // channel 9 above the split
    } splits[] = {
        // Per channel and split from track 1: 32 parts, the upper first;
        // channel 9's upper part is part 18.
        {CMidiRecorder::SPLIT_CHANNEL | CMidiRecorder::SPLIT_PITCH, 1, 32, {1, 0}, {2, 0}, {19, 0}},
        // The same as voices from track 3: tracks 3 to 6, two staves added.
        {CMidiRecorder::SPLIT_CHANNEL | CMidiRecorder::SPLIT_PITCH | CMidiRecorder::SPLIT_VOICES, 3, 6, {3, 0},
         {3, 1}, {5, 2}},
    };
    for (const auto& split : splits) {
        SCOPED_TRACE(testing::Message() << "split mode " << split.mode);
        StepPiece piece;
        for (int staff = 1; staff <= 4; ++staff)
            piece.conductor->GetTrack(TRACK_STAFF, staff, 1);
        piece.recorder.SetSplitMode(split.mode);
        piece.recorder.RouteFrom(0);   // unarmed, so arming adds what the split needs
        piece.recorder.SetBaseTrack(split.base);
        EXPECT_EQ(piece.recorder.GetBaseTrack(), split.base);
        EXPECT_EQ(piece.conductor->GetMaxTrackNumber(TRACK_STAFF), split.staves);
        piece.recorder.Record();
        ASSERT_EQ(piece.recorder.GetState(), static_cast<unsigned>(CMidiRecorder::RS_RECORDING));
        const int tag = piece.recorder.GetTag();
        EXPECT_NE(tag, 0);
        piece.recorder.Record();   // a second start changes nothing
        EXPECT_EQ(piece.recorder.GetTag(), tag);

        // Device milliseconds from the start; a second is a quarter note here.
        unsigned long now = 0;
        const auto play = [&](unsigned long ms, std::vector<std::uint8_t> bytes) {
            piece.clock.Advance(ms - now);
            now = ms;
            piece.capture->InjectMidi(0, bytes);
        };
        play(1000, {0x90, 60, 100});   // two overlapping notes of one pitch
        play(1250, {0x90, 60, 100});
        // A batch hands the note-ons over before their note-offs arrive.
        piece.clock.Advance(CMidiRecorder::BATCH_MS);
        now += CMidiRecorder::BATCH_MS;
        ASSERT_TRUE(messaging_test::PumpUntil([&] { return piece.Notes().size() == 2; }));
        play(1500, {0x80, 60, 64});
        play(1750, {0x80, 60, 64});
        play(2000, {0x90, 48, 100});   // a chord below the split
        play(2000, {0x90, 52, 100});
        play(2100, {0xB0, 64, 127});   // a pedal between
        play(2250, {0x99, 67, 100});
        play(2500, {0x80, 48, 64});
        play(2500, {0x90, 52, 0});
        play(2750, {0x89, 67, 64});
        piece.clock.Advance(CMidiRecorder::BATCH_MS);
        ASSERT_TRUE(messaging_test::PumpUntil([&] { return piece.recorder.GetPendingCount() == 0; }));

        // First in, first out: each of the overlapping Cs keeps its own half.
        const struct {
            int key;
            Place place;
            float start, length;
        } expected[] = {
            {60, split.upper, 1.0f, 0.5f}, {60, split.upper, 1.25f, 0.5f}, {48, split.lower, 2.0f, 0.5f},
            {52, split.lower, 2.0f, 0.5f}, {67, split.nine, 2.25f, 0.5f},
        };
        EXPECT_EQ(piece.Notes().size(), std::size(expected));
        for (const auto& e : expected) {
            const std::vector<ECBase*> staff =
                piece.Notes(piece.conductor->GetTrack(TRACK_STAFF, e.place.track, 0));
            const auto found = std::find_if(staff.begin(), staff.end(), [&](ECBase* note) {
                return Key(note) == e.key && std::fabs(note->GetTime()->GetSeconds() - e.start) < 1e-4f;
            });
            ASSERT_NE(found, staff.end()) << "key " << e.key << " at " << e.start << " on " << e.place.track;
            EXPECT_NEAR((*found)->GetDuration()->GetSeconds(), e.length, 1e-4f) << e.key << " at " << e.start;
            EXPECT_EQ((*found)->GetVoiceTrack()->GetTrack(), e.place.track) << e.key;
            EXPECT_EQ((*found)->GetVoiceTrack()->GetVoice(), e.place.voice) << e.key;
        }
        // A message without a key is routed as key 0: below the split.
        const std::vector<ECBase*> pedals =
            piece.Events(ET_PEDAL, piece.conductor->GetTrack(TRACK_STAFF, split.lower.track, 0));
        ASSERT_EQ(pedals.size(), 1u);
        EXPECT_NEAR(pedals[0]->GetTime()->GetSeconds(), 2.1f, 1e-4f);
        EXPECT_EQ(pedals[0]->GetVoiceTrack()->GetVoice(), split.lower.voice);

        piece.recorder.Pause();
        EXPECT_EQ(piece.recorder.GetState(), static_cast<unsigned>(CMidiRecorder::RS_PAUSED));
        EXPECT_EQ(piece.recorder.GetTag(), 0);
        piece.clock.Advance(100);
        piece.capture->InjectMidi(0, {0x90, 72, 100});   // paused: nothing is recorded
        EXPECT_EQ(piece.recorder.GetPendingCount(), 0);
        piece.recorder.Stop();
        EXPECT_EQ(piece.recorder.GetBaseTrack(), 0);
    }
}

TEST(CMidiRecorderRealTime, CapturedInputReachesTheScoreInBatches)
{
    // Input through the device library's capture backend: the device thread
    // only queues; the batch timer hands it over on this thread.
    StepPiece piece;
    piece.recorder.RouteFrom(1);
    piece.recorder.Record();
    piece.clock.Advance(1000);
    piece.capture->InjectMidi(0, {0x90, 60, 100});
    piece.capture->InjectMidi(0, {0x90, 64, 100});
    piece.capture->InjectMidi(0, {0xE0, 0, 80});
    piece.clock.Advance(50);
    piece.capture->InjectMidi(0, {0x80, 60, 64});
    piece.capture->InjectMidi(0, {0x80, 64, 64});
    EXPECT_TRUE(piece.Notes().empty());
    piece.clock.Advance(CMidiRecorder::BATCH_MS);
    ASSERT_TRUE(messaging_test::PumpUntil([&] { return piece.Notes().size() == 2; }));
    EXPECT_EQ(piece.recorder.GetPendingCount(), 0);

    const std::vector<ECBase*> notes = piece.Notes();
    EXPECT_FLOAT_EQ(notes[0]->GetTime()->GetSeconds(), notes[1]->GetTime()->GetSeconds());
    // The 50 ms the keys were held, as played: a quarter note a second here
    // (no tempo), and no quantizing until the preferences ask for it.
    for (ECBase* note : notes) {
        EXPECT_NEAR(note->GetTime()->GetSeconds(), 1.0f, 1e-4f);
        EXPECT_NEAR(note->GetDuration()->GetSeconds(), 0.05f, 1e-4f);
    }

    piece.recorder.Stop();
    EXPECT_EQ(piece.recorder.GetTag(), 0);
    piece.capture->InjectMidi(0, {0x90, 67, 100});   // stopped: not recorded
    EXPECT_EQ(piece.recorder.GetPendingCount(), 0);
}

namespace {

int CountModified(ECBase*, int, void* data, void* user)
{
    if (static_cast<SCBase*>(data)->GetCode() == STATE_FILE_MODIFIED)
        ++*static_cast<int*>(user);
    return 1;
}

}   // namespace

TEST(CMidiRecorderRealTime, EveryRecordingMarksTheDocumentModifiedOnce)
{
    StepPiece piece;
    int modified = 0;
    piece.performance->AddStateHandler(CountModified, &modified);
    piece.recorder.RouteFrom(1);
    for (int take = 1; take <= 2; ++take) {
        piece.recorder.Record();
        piece.Input(0x90, 60, 100, 1000 * take);
        piece.recorder.FlushPending();
        piece.Input(0x80, 60, 64, 1000 * take + 500);
        piece.recorder.FlushPending();
        piece.recorder.Stop();
        EXPECT_TRUE(messaging_test::PumpUntil([&] { return modified == take; })) << take;
    }
    messaging_test::PumpPending();
    EXPECT_EQ(modified, 2);
    piece.performance->RemoveStateHandler(CountModified, &modified);
}

// ---- the highlight feed -----------------------------------------------------------

namespace {

// The keys of the notes in a highlight list, lowest first.
std::vector<int> Keys(MCEventList& list)
{
    std::vector<int> keys;
    for (POSITION pos = list.GetHeadPosition(); pos;)
        keys.push_back(Key(list.GetNext(pos)));
    std::sort(keys.begin(), keys.end());
    return keys;
}

}   // namespace

TEST(CMidiRecorderHighlights, RealTimeNotesLightFromTheirKeysUntilTheirNoteOffs)
{
    StepPiece piece;
    CHighlightMgr& highlights = *piece.sequence->GetHighlightMgr();
    highlights.EnableHighlighting(1);
    piece.recorder.Record();
    DWORD now = 0;   // device milliseconds
    const auto advance = [&](DWORD ms) {
        piece.clock.Advance(ms);
        now += ms;
    };

    advance(1000);
    piece.capture->InjectMidi(0, {0x90, 60, 100});
    piece.capture->InjectMidi(0, {0x90, 64, 100});
    advance(CMidiRecorder::BATCH_MS);
    ASSERT_TRUE(messaging_test::PumpUntil([&] { return piece.recorder.GetLitCount() == 2; }));
    EXPECT_EQ(Keys(highlights.GetHighlightOnList()), (std::vector<int>{60, 64}));
    EXPECT_TRUE(Keys(highlights.GetHighlightOffList(0)).empty());

    advance(50);
    piece.capture->InjectMidi(0, {0x80, 60, 64});
    advance(CMidiRecorder::BATCH_MS);
    ASSERT_TRUE(messaging_test::PumpUntil([&] { return piece.recorder.GetLitCount() == 1; }));
    EXPECT_EQ(Keys(highlights.GetHighlightOffList(0)), std::vector<int>{60});
    EXPECT_TRUE(Keys(highlights.GetHighlightOnList()).empty());

    // E's note-off will never be recorded: Pause puts it out.
    piece.recorder.Pause();
    EXPECT_EQ(piece.recorder.GetLitCount(), 0);
    EXPECT_EQ(Keys(highlights.GetHighlightOffList(0)), std::vector<int>{64});

    // A record is stamped on the device's clock, not when it is handed over:
    // input at device time 5000 lights at 5000.
    piece.recorder.Record();
    piece.Input(0x90, 67, 100, 5000);
    piece.recorder.FlushPending();
    EXPECT_TRUE(Keys(highlights.GetHighlightOnList()).empty());
    advance(4999 - now);
    EXPECT_TRUE(Keys(highlights.GetHighlightOnList()).empty());
    advance(1);
    EXPECT_EQ(Keys(highlights.GetHighlightOnList()), std::vector<int>{67});
    piece.recorder.Stop();
    EXPECT_EQ(Keys(highlights.GetHighlightOffList(0)), std::vector<int>{67});
}

TEST(CMidiRecorderHighlights, AStepChordStaysLitUntilAllItsKeysAreUp)
{
    StepPiece piece;
    CHighlightMgr& highlights = *piece.sequence->GetHighlightMgr();
    highlights.EnableHighlighting(1);
    piece.recorder.StepRecord();

    piece.clock.Advance(1000);
    piece.capture->InjectMidi(0, {0x90, 60, 100});   // C
    piece.capture->InjectMidi(0, {0x90, 64, 100});   // E while C is held
    piece.capture->InjectMidi(0, {0x80, 60, 64});    // C up, E still down
    piece.clock.Advance(CMidiRecorder::BATCH_MS);
    ASSERT_TRUE(messaging_test::PumpUntil([&] { return piece.Notes().size() == 2; }));
    EXPECT_EQ(Keys(highlights.GetHighlightOnList()), (std::vector<int>{60, 64}));
    EXPECT_TRUE(Keys(highlights.GetHighlightOffList(0)).empty());

    piece.capture->InjectMidi(0, {0x80, 64, 64});    // the chord is up
    piece.clock.Advance(CMidiRecorder::BATCH_MS);
    ASSERT_TRUE(messaging_test::PumpUntil([&] { return piece.recorder.GetLitCount() == 0; }));
    EXPECT_EQ(Keys(highlights.GetHighlightOffList(0)), (std::vector<int>{60, 64}));

    piece.capture->InjectMidi(0, {0x90, 67, 100});   // G, held at Stop
    piece.clock.Advance(CMidiRecorder::BATCH_MS);
    ASSERT_TRUE(messaging_test::PumpUntil([&] { return piece.recorder.GetLitCount() == 1; }));
    EXPECT_EQ(Keys(highlights.GetHighlightOnList()), std::vector<int>{67});
    piece.recorder.Stop();
    EXPECT_EQ(piece.recorder.GetLitCount(), 0);
    EXPECT_EQ(Keys(highlights.GetHighlightOffList(0)), std::vector<int>{67});
}

// ---- the sequence's own recorder ------------------------------------------------

namespace {

const char* const kRecord = "Sequencer\\Midi\\Record";
const char* const kRecordFilter = "Sequencer\\Midi\\Record\\Filter";

// The recorder's bits of the sequence's state.
unsigned RecorderBits(const CSequence& sequence)
{
    return sequence.GetState() & (RECORDER_STOPPED | RECORDER_PAUSED | RECORDER_RECORDING | RECORDER_STEPRECORDING);
}

}   // namespace

TEST(CMidiRecorderInSequence, RecordTakesTheNextStaffPauseTogglesAndStopEndsTheTake)
{
    StepPiece piece;
    CSequence& sequence = *piece.sequence;
    CMidiRecorder* recorder = sequence.GetMidiRecorder();
    ASSERT_NE(recorder, nullptr);
    EXPECT_EQ(recorder->GetSequence(), &sequence);
    EXPECT_EQ(sequence.GetState(), SEQUENCE_IDLE);

    // Staff 1 holds a note, so it is not free: Record routes to staff 2.
    piece.conductor->GetTrack(TRACK_STAFF, 1, 1);
    sequence.GetMidiScoreMgr()->AddMidiEvent(MCTime(0.0f), MCVoiceTrack(0, 1), Word(0x90, 60, 100), 0, MCTime(1.0f));
    ASSERT_EQ(piece.Notes().size(), 1u);

    sequence.Record();
    EXPECT_EQ(recorder->GetBaseTrack(), 2);
    EXPECT_EQ(RecorderBits(sequence), static_cast<unsigned>(RECORDER_RECORDING));
    const int tag = recorder->GetTag();
    EXPECT_NE(tag, 0);
    sequence.Record();   // already recording: nothing new starts
    EXPECT_EQ(recorder->GetTag(), tag);

    piece.clock.Advance(1000);
    piece.capture->InjectMidi(0, {0x90, 67, 100});
    piece.clock.Advance(50);
    piece.capture->InjectMidi(0, {0x80, 67, 64});
    piece.clock.Advance(CMidiRecorder::BATCH_MS);
    ASSERT_TRUE(messaging_test::PumpUntil([&] { return piece.Notes().size() == 2; }));

    // Pause pauses the recorder with the players; a second Pause resumes it.
    sequence.Pause();
    EXPECT_EQ(RecorderBits(sequence), static_cast<unsigned>(RECORDER_PAUSED));
    EXPECT_EQ(recorder->GetTag(), 0);
    sequence.Pause();
    EXPECT_EQ(RecorderBits(sequence), static_cast<unsigned>(RECORDER_RECORDING));
    EXPECT_NE(recorder->GetTag(), 0);

    // A note still queued at Stop is handed over by it, not lost (played
    // once the resumed player has taken up the clock).
    for (int i = 0; i < 10; ++i) {
        piece.clock.Advance(5);
        piece.m_portavel->WaitForDeviceThread();
    }
    piece.capture->InjectMidi(0, {0x90, 72, 100});
    piece.clock.Advance(20);
    piece.capture->InjectMidi(0, {0x80, 72, 64});
    piece.m_portavel->WaitForDeviceThread();
    sequence.Stop();
    EXPECT_EQ(RecorderBits(sequence), static_cast<unsigned>(RECORDER_STOPPED));
    EXPECT_EQ(recorder->GetTag(), 0);
    EXPECT_EQ(recorder->GetBaseTrack(), 0);
    EXPECT_EQ(piece.Notes().size(), 3u);
    piece.capture->InjectMidi(0, {0x90, 67, 100});   // stopped: not recorded
    EXPECT_EQ(recorder->GetPendingCount(), 0);

    for (int i = 0; i < 200 && sequence.GetPlaySequencer()->WaitForIdle(0) != WAIT_OBJECT_0; ++i) {
        piece.clock.Advance(5);
        piece.m_portavel->WaitForDeviceThread();
    }
}

TEST(CMidiRecorderInSequence, StepModeStartsStepRecordingWithoutPlaying)
{
    StepPiece piece;
    CSequence& sequence = *piece.sequence;
    piece.conductor->GetTrack(TRACK_STAFF, 1, 1);   // empty: the first free staff
    sequence.Step();
    sequence.Record();
    EXPECT_EQ(sequence.GetMidiRecorder()->GetBaseTrack(), 1);
    EXPECT_EQ(sequence.GetState(), static_cast<unsigned>(PLAYER_STOPPED) | RECORDER_STEPRECORDING);
    sequence.Stop();
    EXPECT_EQ(sequence.GetState(), SEQUENCE_IDLE);
}

TEST(CMidiRecorderInSequence, TrackRecordOnAStaffSetsAndClearsTheBaseTrack)
{
    StepPiece piece;
    CSequence& sequence = *piece.sequence;
    for (int staff = 1; staff <= 3; ++staff)
        piece.conductor->GetTrack(TRACK_STAFF, staff, 1);
    SCTrack arm(STATE_TRACK_RECORD);
    arm.SetTrackType(TT_STAFF);
    arm.SetTrack(3);
    arm.SetValue(1);
    sequence.OnUpdate(STATE_TRACK_RECORD, &arm);
    EXPECT_EQ(sequence.GetMidiRecorder()->GetBaseTrack(), 3);
    // Record keeps an armed staff rather than choosing one.
    sequence.Step();
    sequence.Record();
    EXPECT_EQ(sequence.GetMidiRecorder()->GetBaseTrack(), 3);
    sequence.Stop();

    sequence.OnUpdate(STATE_TRACK_RECORD, &arm);
    SCTrack disarm(STATE_TRACK_RECORD);
    disarm.SetTrackType(TT_STAFF);
    disarm.SetTrack(3);
    sequence.OnUpdate(STATE_TRACK_RECORD, &disarm);
    EXPECT_EQ(sequence.GetMidiRecorder()->GetBaseTrack(), 0);
}

TEST(CMidiRecorderInSequence, TheProfilesRecordSectionReachesTheRecorder)
{
    StepPiece piece;
    CMidiRecorder& recorder = *piece.sequence->GetMidiRecorder();
    SaveIntPreference(kRecord, "Split Mode", CMidiRecorder::SPLIT_CHANNEL | CMidiRecorder::SPLIT_PITCH);
    SaveIntPreference(kRecord, "Split Pitch", 48);
    SaveIntPreference(kRecord, "Quantization Division 1", 8);
    SaveIntPreference(kRecord, "Quantization Percent", 80);
    SaveIntPreference(kRecord, "Quantization Mode", 1);
    SaveIntPreference(kRecord, "Quantization Enabled", 1);
    SaveIntPreference(kRecordFilter, "Pitch Bend", 0);
    MCSeqPreferences::UpdatePreferences(piece.sequence.get());

    EXPECT_EQ(recorder.GetSplitMode(), CMidiRecorder::SPLIT_CHANNEL | CMidiRecorder::SPLIT_PITCH);
    EXPECT_EQ(recorder.GetSplitPitch(), 48u);
    LCMidiQuantize& quantize = recorder.GetQuantizeFilter();
    EXPECT_EQ(quantize.GetPrimaryDivision(), 8);
    EXPECT_EQ(quantize.GetSecondaryDivision(), 0);   // the second division is off
    EXPECT_EQ(quantize.GetQuantizationPercent(), 80);
    EXPECT_EQ(quantize.GetQuantizationMode(), 1u);
    EXPECT_TRUE(quantize.IsEnabled());
    EXPECT_TRUE(CMidiRecorder::GetPrefsFilter().MessageTypeBlocked(2));
    EXPECT_FALSE(CMidiRecorder::GetPrefsFilter().MessageTypeBlocked(0));

    // The profile back as it was, for the tests after this one.
    SaveIntPreference(kRecord, "Split Mode", 0);
    SaveIntPreference(kRecord, "Split Pitch", 60);
    SaveIntPreference(kRecord, "Quantization Division 1", 4);
    SaveIntPreference(kRecord, "Quantization Percent", 50);
    SaveIntPreference(kRecord, "Quantization Mode", 3);
    SaveIntPreference(kRecord, "Quantization Enabled", 0);
    SaveIntPreference(kRecordFilter, "Pitch Bend", 1);
    MCSeqPreferences::UpdatePreferences(piece.sequence.get());
    EXPECT_EQ(recorder.GetSplitMode(), 0);
    EXPECT_FALSE(CMidiRecorder::GetPrefsFilter().MessageTypeBlocked(2));
}
