// The wave recorder and the wave score manager: a take recorded from the
// capture backend's wave input becomes a wave file and a clip of its length
// on its track; an empty take leaves nothing; arming, handing a take to
// another track and detaching leave no stray files; wave files become clips
// only with a length and a track.
#include "sequencer/waverecorder.h"

#include "model/appstates.h"
#include "model/conductor.h"
#include "model/eventtypes.h"
#include "model/midievents.h"
#include "model/performance.h"
#include "model/staff.h"
#include "platform/devices/capture.h"
#include "platform/devices/portavel.h"
#include "platform/devices/wavefile.h"
#include "sequencer/enginestates.h"
#include "sequencer/performer.h"
#include "sequencer/trackperformer.h"
#include "sequencer/wavescoremgr.h"
#include "tests/platform/messaging_support.h"
#include "tests/sequencer/engine_support.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

using messaging_test::PumpUntil;

namespace {

namespace fs = std::filesystem;

// The states the recorder sends, as the performance delivers them.
struct SeenStates {
    std::vector<std::string> files;        // 3600: the take's file
    std::vector<float> starts;             // 3600: the take's start
    std::vector<DCsqWaveTrack*> tracks;    // 3600: the take's track
    int modified = 0;                      // 1306
    std::vector<std::vector<int>> armed;   // 3404 of wave tracks: the on lists

    static int Handler(ECBase*, int, void* state, void* user) {
        auto* seen = static_cast<SeenStates*>(user);
        auto* base = static_cast<SCBase*>(state);
        if (base->GetCode() == STATE_WAVE_RECORDED) {
            auto* info = static_cast<SCWaveInfo*>(base);
            seen->files.push_back(info->GetFilename());
            seen->starts.push_back(info->GetTime().GetSeconds());
            seen->tracks.push_back(info->GetTrack());
        } else if (base->GetCode() == STATE_FILE_MODIFIED) {
            ++seen->modified;
        } else if (base->GetCode() == STATE_TRACK_RECORDING) {
            auto* track = static_cast<SCTrack*>(base);
            if (track->GetTrackType() == TT_WAVE)
                seen->armed.push_back(track->GetOnList());
        }
        return 0;
    }
};

// A piece with wave tracks 1 and 2 on the capture backend, the recorder
// attached, and the system's temporary folder pointed at a folder of the
// test's own, so the takes' files can be counted.
class WaveRecorderTest : public ::testing::Test, protected engine_support::EngineParts {
protected:
    void SetUp() override {
        const char* old = std::getenv("TMPDIR");
        m_oldTmp = old ? old : "";
        m_hadTmp = old != nullptr;
        folder = fs::temp_directory_path() / ("waverecorder-" + std::to_string(::getpid()));
        fs::remove_all(folder);
        fs::create_directories(folder);
        ::setenv("TMPDIR", folder.c_str(), 1);

        portavel = engine_support::OpenCapture(capture, false);
        engine_support::MakePiece(performance, conductor, sequence);
        performance->AddStateHandler(&SeenStates::Handler, &seen);
        for (int number = 1; number <= 2; ++number) {
            conductor->GetTrack(TRACK_WAVE, number, 1);
            tracks[number] = DYNAMIC_DOWNCAST(DCsqWaveTrack, DCsqTrack::GetTrackData(static_cast<unsigned>(number),
                                                                                     TT_WAVE, sequence.get()));
            ASSERT_NE(tracks[number], nullptr);
        }
        recorder.Attach(sequence.get());
    }

    void TearDown() override {
        recorder.Detach();
        QCoreApplication::processEvents();
        performance->RemoveStateHandler(&SeenStates::Handler, &seen);
        engine_support::ClosePiece(performance, sequence);
        if (m_hadTmp)
            ::setenv("TMPDIR", m_oldTmp.c_str(), 1);
        else
            ::unsetenv("TMPDIR");
        fs::remove_all(folder);
    }

    // The files in the test's temporary folder.
    int FilesLeft() const {
        int count = 0;
        for (const auto& entry : fs::directory_iterator(folder)) {
            (void)entry;
            ++count;
        }
        return count;
    }

    // The open wave input's format.
    WAVEFORMATEX InputFormat() {
        const PV_DevFormat* format = portavel->GetDeviceFormat(PV_WAVE, PV_INPUT, 0);
        return format ? format->format : WAVEFORMATEX{};
    }

    // Bytes of `ms` milliseconds of sound in a format (the wave input's when
    // none is given).
    std::vector<std::uint8_t> Sound(unsigned ms, WAVEFORMATEX format = {}) {
        if (format.blockAlign == 0)
            format = InputFormat();
        const std::size_t frames = static_cast<std::size_t>(format.samplesPerSec) * ms / 1000;
        std::vector<std::uint8_t> bytes(frames * format.blockAlign);
        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<std::uint8_t>(i * 7);
        return bytes;
    }

    // The clip on a wave track, null when it has none.
    ECWave* ClipOn(int number) {
        ECBase* track = conductor->GetTrack(TRACK_WAVE, number, 0);
        return track ? static_cast<ECWave*>(track->GetDescendant(ET_WAVE, 1)) : nullptr;
    }

    fs::path folder;
    SeenStates seen;
    DCsqWaveTrack* tracks[3] = {};
    CWaveRecorder recorder;

private:
    std::string m_oldTmp;
    bool m_hadTmp = false;
};

TEST_F(WaveRecorderTest, ATakeBecomesAWaveFileAndAClipOfItsLengthOnItsTrack) {
    ASSERT_EQ(recorder.AddTrack(tracks[2]), 1);
    EXPECT_EQ(FilesLeft(), 1);   // the take's temporary file

    recorder.Record();
    EXPECT_EQ(recorder.GetState(), CWaveRecorder::RECORDER_RECORDING);
    // Two blocks of 250 ms: the take is their sum, under a second.
    capture->InjectWave(0, Sound(250));
    capture->InjectWave(0, Sound(250));
    recorder.Stop();
    EXPECT_EQ(recorder.GetState(), CWaveRecorder::RECORDER_STOPPED);
    EXPECT_EQ(recorder.GetTakeCount(), 0);   // a stop disarms

    ASSERT_TRUE(PumpUntil([&] { return ClipOn(2) != nullptr && seen.modified == 1 && !seen.files.empty(); }));
    ECWave* clip = ClipOn(2);
    EXPECT_EQ(clip->GetFileName(), seen.files[0]);
    EXPECT_EQ(CWaveFile::FileDuration(clip->GetFileName()), 500u);
    EXPECT_FLOAT_EQ(clip->GetDuration()->GetSeconds(), 0.5f);
    // The clip starts where recording started.
    EXPECT_EQ(*clip->GetTime(), sequence->GetLocation());
    EXPECT_EQ(clip->GetVoiceTrack()->GetTrack(), 2);
    EXPECT_NE(DCsqBase::GetPerformer(clip, 0), nullptr);   // the sequence performs it
    EXPECT_EQ(seen.tracks, (std::vector<DCsqWaveTrack*>{tracks[2]}));
    EXPECT_EQ(seen.starts, (std::vector<float>{sequence->GetLocation().GetSeconds()}));
    EXPECT_EQ(ClipOn(1), nullptr);
    // Armed on track 2, then nothing armed after the stop.
    ASSERT_GE(seen.armed.size(), 2u);
    EXPECT_EQ(seen.armed.front(), (std::vector<int>{2}));
    EXPECT_TRUE(seen.armed.back().empty());

    // A second recording marks the document modified again.
    ASSERT_EQ(recorder.AddTrack(tracks[1]), 1);
    recorder.Record();
    capture->InjectWave(0, Sound(100));
    recorder.Stop();
    ASSERT_TRUE(PumpUntil([&] { return ClipOn(1) != nullptr && seen.modified == 2; }));
    EXPECT_FLOAT_EQ(ClipOn(1)->GetDuration()->GetSeconds(), 0.1f);
    EXPECT_EQ(FilesLeft(), 2);   // both takes kept: the document refers to them
}

// An input lost in a format change (the backend could reopen it in neither
// format) is never a silent empty take: a take that cannot start is reported
// and keeps nothing; a take whose input goes away midway is reported and
// keeps what came before.
TEST_F(WaveRecorderTest, ALostInputIsReportedNotRecordedInSilence) {
    std::vector<std::string> reported;
    const HandlerErrorReporter before = SetHandlerErrorReporter([&](std::exception_ptr error) {
        try {
            std::rethrow_exception(error);
        } catch (const std::exception& e) {
            reported.push_back(e.what());
        }
    });

    ASSERT_EQ(recorder.AddTrack(tracks[1]), 1);
    capture->LoseOnNextFormat(PV_WAVE, PV_INPUT, 0);
    EXPECT_EQ(portavel->SetDeviceFormat(PV_WAVE, PV_INPUT, 0, 4), 0);
    recorder.Record();
    capture->InjectWave(0, Sound(100));
    recorder.Stop();
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_NE(reported[0].find("could not start"), std::string::npos) << reported[0];
    ASSERT_TRUE(PumpUntil([&] { return !seen.armed.empty() && seen.armed.back().empty(); }));
    EXPECT_EQ(FilesLeft(), 0);
    EXPECT_EQ(ClipOn(1), nullptr);

    reported.clear();
    ASSERT_EQ(recorder.AddTrack(tracks[2]), 1);
    recorder.Record();
    capture->InjectWave(0, Sound(100));
    capture->LoseOnNextFormat(PV_WAVE, PV_INPUT, 0);
    EXPECT_EQ(portavel->SetDeviceFormat(PV_WAVE, PV_INPUT, 0, 9), 0);
    capture->InjectWave(0, Sound(100));   // a lost input delivers nothing
    recorder.Stop();
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_NE(reported[0].find("lost"), std::string::npos) << reported[0];
    ASSERT_TRUE(PumpUntil([&] { return ClipOn(2) != nullptr; }));
    EXPECT_FLOAT_EQ(ClipOn(2)->GetDuration()->GetSeconds(), 0.1f);
    SetHandlerErrorReporter(before);
}

TEST_F(WaveRecorderTest, AnEmptyTakeLeavesNoFileNoClipAndNoState) {
    ASSERT_EQ(recorder.AddTrack(tracks[1]), 1);
    recorder.Record();
    recorder.Stop();
    EXPECT_EQ(recorder.GetState(), CWaveRecorder::RECORDER_STOPPED);
    // Sound after the stop goes nowhere.
    capture->InjectWave(0, Sound(100));
    QCoreApplication::processEvents();
    ASSERT_TRUE(PumpUntil([&] { return seen.armed.size() >= 2; }));
    EXPECT_EQ(FilesLeft(), 0);
    EXPECT_TRUE(seen.files.empty());
    EXPECT_EQ(seen.modified, 0);
    EXPECT_EQ(ClipOn(1), nullptr);
}

TEST_F(WaveRecorderTest, ArmingFollowsTheInputDeviceAndDetachLeavesNoFiles) {
    ASSERT_EQ(recorder.AddTrack(tracks[1]), 1);
    EXPECT_EQ(recorder.AddTrack(tracks[1]), 1);   // armed already: no second take
    // One take per input device: arming track 2 on it hands the take over.
    ASSERT_EQ(recorder.AddTrack(tracks[2]), 1);
    EXPECT_EQ(recorder.GetTakeCount(), 1);
    EXPECT_EQ(recorder.IsRecordSet(1), 0);
    EXPECT_EQ(recorder.IsRecordSet(2), 1);
    EXPECT_EQ(FilesLeft(), 1);
    EXPECT_EQ(recorder.AddTrack(nullptr), 0);

    // No arming or disarming while recording.
    recorder.Record();
    EXPECT_EQ(recorder.AddTrack(tracks[1]), 0);
    recorder.RemoveTrack(tracks[2]);
    EXPECT_EQ(recorder.IsRecordSet(2), 1);
    recorder.Stop();

    ASSERT_EQ(recorder.AddTrack(tracks[1]), 1);
    recorder.RemoveTrack(tracks[1]);
    EXPECT_EQ(recorder.GetTakeCount(), 0);
    EXPECT_EQ(FilesLeft(), 0);

    // A take still armed at Detach releases its device and its file; the
    // device opens again for the next recorder.
    ASSERT_EQ(recorder.AddTrack(tracks[1]), 1);
    recorder.Detach();
    EXPECT_EQ(recorder.GetTakeCount(), 0);
    EXPECT_EQ(FilesLeft(), 0);
    CWaveRecorder next;
    next.Attach(sequence.get());
    EXPECT_EQ(next.AddTrack(tracks[1]), 1);
    next.Detach();
    EXPECT_EQ(FilesLeft(), 0);
}

TEST_F(WaveRecorderTest, TheSequenceArmsItsRecorderFromTheTrackRecordState) {
    recorder.Detach();   // the sequence's own recorder serves here
    CWaveRecorder* own = sequence->GetWaveRecorder();
    ASSERT_NE(own, nullptr);
    const auto arm = [&](int value) {
        SCTrack state(STATE_TRACK_RECORD);
        state.SetTrack(1);
        state.SetTrackType(TT_WAVE);
        state.SetValue(value);
        sequence->OnUpdate(STATE_TRACK_RECORD, &state);
    };
    arm(1);
    EXPECT_EQ(own->IsRecordSet(1), 1);
    own->Record();
    capture->InjectWave(0, Sound(200));
    own->Stop();
    ASSERT_TRUE(PumpUntil([&] { return ClipOn(1) != nullptr; }));
    EXPECT_FLOAT_EQ(ClipOn(1)->GetDuration()->GetSeconds(), 0.2f);
    EXPECT_NE(DCsqBase::GetPerformer(ClipOn(1), 0), nullptr);

    arm(1);
    arm(0);
    EXPECT_EQ(own->GetTakeCount(), 0);
    EXPECT_EQ(FilesLeft(), 1);   // only the recorded take's
}

TEST_F(WaveRecorderTest, WaveFilesBecomeClipsOnlyWithALengthAndATrack) {
    // A 250 ms file and an empty one.
    const std::string full = (folder / "full.wav").string();
    const std::string empty = (folder / "empty.wav").string();
    WAVEFORMATEX mono;
    mono.channels = 1;
    mono.samplesPerSec = 8000;
    mono.bitsPerSample = 16;
    mono.blockAlign = 2;
    mono.avgBytesPerSec = 16000;
    for (const auto& [name, ms] : {std::pair{full, 250u}, std::pair{empty, 0u}}) {
        CWaveFileWrite writer(name);
        writer.SetFormat(mono);
        ASSERT_NE(writer.Open(0), 0);
        const auto bytes = Sound(ms, mono);
        if (!bytes.empty()) {
            ASSERT_NE(writer.Write(bytes.data(), bytes.size()), 0);
        }
        writer.Close();
    }

    CWaveScoreMgr clips;
    clips.Attach(sequence.get());
    EXPECT_EQ(clips.AddWaveFile(MCTime(1.0f), MCVoiceTrack(0, 1), empty), nullptr);
    EXPECT_EQ(clips.AddWaveFile(MCTime(1.0f), MCVoiceTrack(0, 1), (folder / "missing.wav").string()), nullptr);
    EXPECT_EQ(clips.AddWaveFile(MCTime(1.0f), MCVoiceTrack(0, TRACK_NONE), full), nullptr);
    ECWave* added = clips.AddWaveFile(MCTime(1.0f), MCVoiceTrack(0, 3), full);
    ASSERT_NE(added, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return ClipOn(3) != nullptr; }));   // track 3 made for it
    EXPECT_EQ(ClipOn(3), added);
    EXPECT_FLOAT_EQ(added->GetDuration()->GetSeconds(), 0.25f);
    EXPECT_EQ(ClipOn(1), nullptr);

    // Other events get no performer here.
    EXPECT_EQ(clips.AddEventData(nullptr), nullptr);
    ECBase* staff = conductor->GetTrack(TRACK_STAFF, 1, 1);
    EXPECT_EQ(clips.AddEventData(staff), nullptr);
}

}   // namespace
