// Test and benchmark support for the whole engine: the capture backend's
// outputs opened and started, and a piece (performance with one reference
// held, its conductor, a sequence attached) made and taken down in the order
// the engine needs. A fixture takes the parts as a base (so the manual clock
// is made before and gone after all else) and calls these from its set-up and
// tear-down, on the thread that runs the test.
#pragma once

#include "model/conductor.h"
#include "model/performance.h"
#include "model/plugin.h"
#include "platform/core/clock.h"
#include "platform/devices/capture.h"
#include "platform/devices/portavel.h"
#include "sequencer/performers.h"
#include "sequencer/sequence.h"

#include <memory>
#include <utility>

namespace engine_support {

// What every engine fixture holds, in the order it is made.
struct EngineParts {
    CManualClock clock{1000};             // made first, gone last
    CCaptureBackend* capture = nullptr;   // owned by the library
    std::unique_ptr<CPortavel> portavel;
    ECPerformance* performance = nullptr;
    ECConductor* conductor = nullptr;
    std::unique_ptr<CSequence> sequence;
};

// Opens and starts the capture backend's MIDI outputs, and its wave outputs
// when asked; `capture` is left pointing at the backend the library owns.
inline std::unique_ptr<CPortavel> OpenCapture(CCaptureBackend*& capture, bool waveOutputs,
                                              CCaptureBackend::Layout layout = {}) {
    auto backend = std::make_unique<CCaptureBackend>(layout);
    capture = backend.get();
    auto portavel = std::make_unique<CPortavel>(std::move(backend));
    portavel->Initialize(1);
    portavel->EnableDevice(PV_MIDI, PV_OUTPUT, PV_ALL_DEVICES, 1);
    if (waveOutputs)
        portavel->EnableDevice(PV_WAVE, PV_OUTPUT, PV_ALL_DEVICES, 1);
    portavel->OpenDevices();
    portavel->StartDevices();
    return portavel;
}

// Registers the performers, then makes the performance (one reference held
// by the caller) with its conductor, staves 1 to `staves` on the conductor,
// and a sequence attached after them, so the sequence finds those staves.
inline void MakePiece(ECPerformance*& performance, ECConductor*& conductor, std::unique_ptr<CSequence>& sequence,
                      int staves = 0) {
    RegisterPerformers();
    performance = new ECPerformance;
    performance->Ref();
    conductor = new ECConductor;
    performance->AddChild(conductor, SORTED);
    for (int staff = 1; staff <= staves; ++staff)
        conductor->GetTrack(TRACK_STAFF, staff, 1);
    sequence = std::make_unique<CSequence>();
    sequence->Attach(performance);
}

// The reverse of MakePiece once playback has stopped: the sequence detached
// and gone before the performance lets go of its children and its reference.
inline void ClosePiece(ECPerformance* performance, std::unique_ptr<CSequence>& sequence) {
    sequence->Detach();
    sequence.reset();
    performance->RemoveChildren(1);
    performance->Unref(1);
}

}   // namespace engine_support
