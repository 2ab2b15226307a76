// Test support for the track and staff performers: a piece (performance,
// conductor, staves and wave tracks made by command) with its sequence
// attached, the capture backend's outputs on a manual clock, and a log of
// the track states the performance delivers.
#pragma once

#include "model/basiccommands.h"
#include "model/conductor.h"
#include "model/performance.h"
#include "model/plugin.h"
#include "model/staff.h"
#include "platform/core/clock.h"
#include "platform/devices/capture.h"
#include "platform/devices/portavel.h"
#include "sequencer/enginestates.h"
#include "sequencer/performers.h"
#include "sequencer/sequence.h"
#include "sequencer/staffperformer.h"
#include "sequencer/trackperformer.h"
#include "tests/sequencer/engine_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace performers {

// A track state as delivered: code, track, kind, value and the two lists.
struct TrackState {
    unsigned code;
    int track;
    int type;
    int value;
    std::vector<int> on;
    std::vector<int> off;

    bool operator==(const TrackState&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const TrackState& s) {
    out << "{" << s.code << " track " << s.track << " type " << s.type << " value " << s.value << " on";
    for (int t : s.on)
        out << " " << t;
    out << " off";
    for (int t : s.off)
        out << " " << t;
    return out << "}";
}

// One message sent at once to an output: the output and its bytes.
struct Sent {
    int device;
    std::vector<std::uint8_t> bytes;
    bool operator==(const Sent&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Sent& s) {
    out << "{dev " << s.device << ":";
    for (auto b : s.bytes)
        out << " " << std::hex << int{b} << std::dec;
    return out << "}";
}

class Piece : public ::testing::Test, protected engine_support::EngineParts {
protected:
    Piece() {
        portavel = engine_support::OpenCapture(capture, true);
        engine_support::MakePiece(performance, conductor, sequence);
        performance->AddStateHandler(&Piece::OnState, this);
    }

    ~Piece() override {
        performance->RemoveStateHandler(&Piece::OnState, this);
        sequence->StopSequences();
        engine_support::ClosePiece(performance, sequence);
    }

    // `count` more staves, or wave tracks, made by one synchronous add-track
    // command, so that the sequence gives each its performer and set-up.
    void MakeStaves(int count) {
        auto* add = new CCAddTrack;
        add->AddMidiTrack(0, count);
        Run(add);
    }
    void MakeWaveTracks(int count) {
        auto* add = new CCAddTrack;
        add->AddWaveTrack(count);
        Run(add);
    }
    void Run(CCBase* command) {
        conductor->GetMaxTrackNumber(TRACK_STAFF);   // the conductor staff is there first
        command->SetSynchronous(1);
        ASSERT_EQ(command->Apply(performance), 1);
    }
    ECStaff* Staff(int number) { return static_cast<ECStaff*>(conductor->GetTrack(TRACK_STAFF, number, 0)); }
    DCsqStaff* StaffPerformer(int number) {
        return static_cast<DCsqStaff*>(DCsqTrack::GetTrackData(static_cast<unsigned>(number), TT_STAFF, sequence.get()));
    }
    DCsqWaveTrack* WavePerformer(int number) {
        return static_cast<DCsqWaveTrack*>(
            DCsqTrack::GetTrackData(static_cast<unsigned>(number), TT_WAVE, sequence.get()));
    }

    // The messages sent at once since the last look, oldest first.
    std::vector<Sent> TakeSent() {
        std::vector<Sent> sent;
        for (const auto& record : capture->GetMidi()) {
            if (record.origin == PV_ORIGIN_IMMEDIATE)
                sent.push_back({record.device, record.bytes});
        }
        capture->Clear();
        return sent;
    }
    std::vector<CCaptureBackend::Record> TakeWaveParams() {
        std::vector<CCaptureBackend::Record> params;
        for (const auto& record : capture->GetRecords()) {
            if (record.kind == CCaptureBackend::WAVE_PARAMS)
                params.push_back(record);
        }
        capture->Clear();
        return params;
    }
    std::vector<TrackState> TakeStates() { return std::exchange(states, {}); }

    std::vector<TrackState> states;

private:
    static int OnState(ECBase*, int, void* data, void* user) {
        auto* state = static_cast<SCBase*>(data);
        const unsigned code = state->GetCode();
        if (code >= STATE_TRACK_MUTE && code <= STATE_TRACK_FREQUENCY) {
            auto* track = static_cast<SCTrack*>(state);
            static_cast<Piece*>(user)->states.push_back(
                {code, track->GetTrack(), track->GetTrackType(), track->GetValue(), track->GetOnList(),
                 track->GetOffList()});
        }
        return 0;
    }
};

}   // namespace performers
