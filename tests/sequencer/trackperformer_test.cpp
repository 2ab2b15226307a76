// The track performers on a real piece with its sequence: mute and solo
// announced with every track's audible state (synchronously, in order), a
// wave track's values sent at once to the device library, track names,
// emptiness, and the archive forms of the track and the wave track by file
// version.
#include "sequencer/trackperformer.h"

#include "model/eventtypes.h"
#include "model/measure.h"
#include "model/midievents.h"
#include "model/notes.h"
#include "sequencer/player.h"
#include "tests/model/eventio_support.h"
#include "tests/sequencer/performer_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <vector>

using eventio::operator+;
using performers::TrackState;

namespace {

class TrackPerformers : public performers::Piece {
protected:
    // The two 3403 states UpdateActiveStates sends: staves, then wave tracks.
    static std::vector<TrackState> Active(std::vector<int> staffOn, std::vector<int> staffOff,
                                          std::vector<int> waveOn, std::vector<int> waveOff) {
        return {{STATE_TRACK_ACTIVE, 0, TT_STAFF, 0, staffOn, staffOff},
                {STATE_TRACK_ACTIVE, 0, TT_WAVE, 0, waveOn, waveOff}};
    }
    static TrackState Mute(int track, int value) { return {STATE_TRACK_MUTE, track, TT_STAFF, value, {}, {}}; }
    static TrackState Solo(int track, int value) { return {STATE_TRACK_SOLO, track, TT_STAFF, value, {}, {}}; }
};

std::vector<TrackState> operator+(std::vector<TrackState> a, const std::vector<TrackState>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST_F(TrackPerformers, MuteAndSoloAreAnnouncedWithWhoIsAudibleAndClearEachOther) {
    MakeStaves(3);
    MakeWaveTracks(1);
    TakeStates();
    const auto mute = [this](int track, int on) { StaffPerformer(track)->UpdateMuteState(track, on, sequence.get()); };
    const auto solo = [this](int track, int on) { StaffPerformer(track)->UpdateSoloState(track, on, sequence.get()); };
    const struct {
        const char* step;
        std::function<void()> run;
        std::vector<TrackState> expected;
        std::vector<int> audible;   // staves 1 to 3
    } steps[] = {
        {"mute 2", [&] { mute(2, 1); }, Active({1, 3}, {2}, {1}, {}) + std::vector{Mute(2, 1)}, {1, 3}},
        {"mute 2 again: nothing", [&] { mute(2, 1); }, {}, {1, 3}},
        {"solo 3", [&] { solo(3, 1); }, Active({3}, {1, 2}, {}, {1}) + std::vector{Solo(3, 1)}, {3}},
        // Soloing a muted track unmutes it first.
        {"solo 2", [&] { solo(2, 1); },
         Active({2, 3}, {1}, {}, {1}) + std::vector{Mute(2, 0)} + Active({2, 3}, {1}, {}, {1}) +
             std::vector{Solo(2, 1)},
         {2, 3}},
        // Muting a soloed track takes its solo away first.
        {"mute 3", [&] { mute(3, 1); },
         Active({2}, {1, 3}, {}, {1}) + std::vector{Solo(3, 0)} + Active({2}, {1, 3}, {}, {1}) +
             std::vector{Mute(3, 1)},
         {2}},
        {"solo 2 off", [&] { solo(2, 0); }, Active({1, 2}, {3}, {1}, {}) + std::vector{Solo(2, 0)}, {1, 2}},
        {"mute 3 off", [&] { mute(3, 0); }, Active({1, 2, 3}, {}, {1}, {}) + std::vector{Mute(3, 0)}, {1, 2, 3}},
    };
    for (const auto& s : steps) {
        s.run();
        EXPECT_EQ(TakeStates(), s.expected) << s.step;
        std::vector<int> audible;
        for (int track = 1; track <= 3; ++track) {
            if (StaffPerformer(track)->IsActive())
                audible.push_back(track);
        }
        EXPECT_EQ(audible, s.audible) << s.step;
    }
    EXPECT_FALSE(DCsqTrack::AnyTracksSoloed(sequence.get()));
    EXPECT_FALSE(DCsqTrack::AnyTracksMuted(sequence.get()));
}

TEST_F(TrackPerformers, AWaveTrackSendsItsValuesAtOnceHeldToTheirRanges) {
    constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
    MakeWaveTracks(2);
    DCsqWaveTrack loose;
    loose.SetTrackGain(0.5f);   // without a sequence nothing happens
    EXPECT_EQ(loose.GetTrackGain(), 1.0f);
    EXPECT_TRUE(TakeWaveParams().empty());

    DCsqWaveTrack* wave = WavePerformer(2);
    ASSERT_NE(wave, nullptr);
    EXPECT_EQ(wave->GetTrackType(), TT_WAVE);
    EXPECT_EQ(wave->GetSequence(), sequence.get());
    const struct {
        const char* step;
        std::function<void()> run;
        PV_DSParams expected;
    } steps[] = {
        {"gain 1.5 is full gain", [&] { wave->SetTrackGain(1.5f); }, {0, 0, 0}},
        {"half gain", [&] { wave->SetTrackGain(0.5f); }, {0, -2500, 0}},
        {"pan right", [&] { wave->SetTrackPan(0.25f); }, {2500, -2500, 0}},
        {"pan beyond left", [&] { wave->SetTrackPan(-3.0f); }, {-10000, -2500, 0}},
        {"frequency", [&] { wave->SetTrackFrequency(0.123f); }, {-10000, -2500, 1230}},
        {"inactive is silent", [&] { wave->SetActive(0); }, {-10000, -10000, 1230}},
        {"active again", [&] { wave->SetActive(1); }, {-10000, -2500, 1230}},
        {"the master level counts", [&] { sequence->SetMasterLevel(0.5f); wave->SetTrackGain(1.0f); },
         {-10000, -2500, 1230}},
        // A damaged file's values: huge, or not numbers at all.
        {"a gain that is not a number is no gain", [&] { wave->SetTrackGain(kNaN); }, {-10000, -5000, 1230}},
        {"a pan that is not a number is the centre", [&] { wave->SetTrackPan(kNaN); }, {0, -5000, 1230}},
        {"a frequency that is not a number is none", [&] { wave->SetTrackFrequency(kNaN); }, {0, -5000, 0}},
        {"a huge frequency is the highest", [&] { wave->SetTrackFrequency(1.3e38f); }, {0, -5000, 10000}},
        {"a master level far above full is cut to the units' range",
         [&] { sequence->SetMasterLevel(1e30f); wave->SetTrackGain(1.3e38f); }, {0, INT32_MAX, 10000}},
    };
    for (const auto& s : steps) {
        s.run();
        const auto sent = TakeWaveParams();
        ASSERT_EQ(sent.size(), 1u) << s.step;
        EXPECT_TRUE(sent[0].fileName.empty()) << s.step;   // the whole track
        EXPECT_EQ(sent[0].params.track, 2) << s.step;
        EXPECT_EQ(sent[0].params.tag, sequence->GetPlaySequencer()->GetTag()) << s.step;
        const PV_DSParams& values = sent[0].params.trackParams;
        EXPECT_EQ(values.pan, s.expected.pan) << s.step;
        EXPECT_EQ(values.volume, s.expected.volume) << s.step;
        EXPECT_EQ(values.frequency, s.expected.frequency) << s.step;
    }
    EXPECT_EQ(wave->GetTrackGain(), 1.0f);
    EXPECT_EQ(wave->GetTrackPan(), 0.0f);
}

TEST_F(TrackPerformers, ATrackIsNamedByItsTextOrByItsNumber) {
    MakeStaves(2);
    EXPECT_EQ(StaffPerformer(2)->GetTrackName(), "Track 2");
    StaffPerformer(2)->SetTrackName("Violin");
    EXPECT_EQ(StaffPerformer(2)->GetTrackName(), "Violin");
    EXPECT_EQ(StaffPerformer(1)->GetTrackName(), "Track 1");
    auto* conductorStaff = dynamic_cast<DCsqConductorStaff*>(
        DCsqBase::GetPerformer(conductor->GetTrack(TRACK_CONDUCTOR, 0, 0), 1));
    ASSERT_NE(conductorStaff, nullptr);
    conductorStaff->InitTrack(sequence.get());
    EXPECT_EQ(conductorStaff->GetTitle(), "Untitled");
    conductorStaff->SetTitle("Sonata");
    EXPECT_EQ(conductorStaff->GetTitle(), "Sonata");
    // A track without a sequence can make no name event.
    DCsqTrack loose;
    EXPECT_EQ(loose.GetTrackName(), "");
}

TEST_F(TrackPerformers, ATrackWithOnlyItsSetUpIsEmpty) {
    MakeStaves(3);
    for (int track = 1; track <= 3; ++track)
        EXPECT_TRUE(StaffPerformer(track)->IsEmpty()) << track;
    // A note in staff 1's first measure and a controller on staff 2.
    auto* note = new ECNote(MCTime(1.0f), MCTime(1.0f));
    note->SetVoiceTrack(0, 1);
    conductor->GetMeasure(1, MCTime(1.0f), 1, 1)->AddChild(note, SORTED);
    note->GetData(DK_SEQUENCER, 1);
    auto* controller = new ECControlChange;
    controller->SetVoiceTrack(0, 2);
    Staff(2)->AddChild(controller, SORTED);
    controller->GetData(DK_SEQUENCER, 1);

    EXPECT_FALSE(StaffPerformer(1)->IsEmpty());
    EXPECT_EQ(StaffPerformer(1)->FindFirstNonPrologueEvent(), note);
    EXPECT_FALSE(StaffPerformer(2)->IsEmpty());
    EXPECT_EQ(DCsqTrack::GetFirstEmptyTrack(TT_STAFF, sequence.get()), 3);
    // The set-up events are found before the music.
    ECBase* program = StaffPerformer(1)->FindFirstPrologueEvent(ET_PROGRAMCHANGE);
    ASSERT_NE(program, nullptr);
    EXPECT_TRUE(StaffPerformer(1)->IsPrologueEvent(program));
    StaffPerformer(1)->RemovePrologueEvent(program);
    EXPECT_FALSE(StaffPerformer(1)->IsPrologueEvent(program));
}

// ---- archives -----------------------------------------------------------------------------

// An object written by reference, read back with an active performance of the
// given file version.
std::vector<uint8_t> SaveObject(const CObject* object) {
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    ar.WriteObject(object);
    ar.Close();
    return file.Detach();
}

template <class T>
std::unique_ptr<T> LoadObject(const std::vector<uint8_t>& bytes, int version) {
    eventio::ActiveVersion active(version);
    CMemFile file(bytes);
    CArchive ar(&file, CArchive::load);
    ECLoadGuard guard;
    std::unique_ptr<T> object(static_cast<T*>(ar.ReadObject(RUNTIME_CLASS(T))));
    guard.Commit();
    return object;
}

TEST(TrackArchives, GainPanAndDeviceComeBackAndTheDeviceOnlyFromVersionTwo) {
    DCsqTrack track;
    track.SetTrackGain(0.75f);
    track.SetTrackPan(-0.5f);
    track.SetDevice(3);
    const std::vector<uint8_t> bytes = SaveObject(&track);
    // The tail: gain, pan, device.
    const std::vector<uint8_t> tail = {0, 0, 0x40, 0x3F, 0, 0, 0, 0xBF, 3, 0, 0, 0};
    ASSERT_GE(bytes.size(), tail.size());
    EXPECT_TRUE(std::equal(tail.begin(), tail.end(), bytes.end() - 12));

    auto loaded = LoadObject<DCsqTrack>(bytes, 2);
    EXPECT_EQ(loaded->GetTrackGain(), 0.75f);
    EXPECT_EQ(loaded->GetTrackPan(), -0.5f);
    EXPECT_EQ(loaded->GetDevice(), 3);
    EXPECT_TRUE(loaded->IsActive());

    // A version-1 record ends after the pan.
    const std::vector<uint8_t> older(bytes.begin(), bytes.end() - 4);
    auto old = LoadObject<DCsqTrack>(older, 1);
    EXPECT_EQ(old->GetTrackPan(), -0.5f);
    EXPECT_EQ(old->GetDevice(), 0);
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
        const std::vector<uint8_t> part(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(cut));
        EXPECT_THROW(LoadObject<DCsqTrack>(part, 2), CArchiveException) << cut;
    }
}

TEST(TrackArchives, AWaveTrackKeepsItsFrequencyAndValuesFromVersionTwo) {
    DCsqWaveTrack wave;
    wave.SetDSParams(PV_DSParams{100, -200, 300});
    const std::vector<uint8_t> bytes = SaveObject(&wave);
    auto loaded = LoadObject<DCsqWaveTrack>(bytes, 2);
    EXPECT_EQ(loaded->GetDSParams().pan, 100);
    EXPECT_EQ(loaded->GetDSParams().volume, -200);
    EXPECT_EQ(loaded->GetDSParams().frequency, 300);
    EXPECT_EQ(loaded->GetTrackFrequency(), 0.0f);

    // A version-1 record has neither: it ends after the track's pan.
    const std::vector<uint8_t> older(bytes.begin(), bytes.end() - 20);
    auto old = LoadObject<DCsqWaveTrack>(older, 1);
    EXPECT_EQ(old->GetDSParams().volume, 0);
}

}   // namespace
