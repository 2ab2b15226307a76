// Test support for the structure of a piece: a performance with a conductor
// (the active performance while the test runs), a conductor staff that opens
// the grid's protected operations, documents saved and loaded with their
// after-load pass, and events placed in one call.
#pragma once

#include "model/basiccommands.h"
#include "model/conductor.h"
#include "model/conductorstaff.h"
#include "model/editactions.h"
#include "model/performance.h"
#include "platform/core/archive.h"
#include "tests/model/document_support.h"
#include "tests/model/eventio_support.h"
#include "tests/platform/messaging_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace piece {

// A conductor staff whose grid operations the tests call directly (the
// measure and meter commands call them in the system).
class ProbeStaff : public ECConductorStaff {
public:
    using ECConductorStaff::ECConductorStaff;
    using ECConductorStaff::AdjustMeasureChildren;
    using ECConductorStaff::GetConductorMeasureAtTime;
    using ECConductorStaff::InsertMeasures;
    using ECConductorStaff::RemoveEvents;
    using ECConductorStaff::RemoveMeasures;
};

using eventio::Place;

// The track number of an event's word.
inline int TrackOf(ECBase* event) {
    return event->GetVoiceTrack()->GetTrack();
}

// Frees a document's tree and its performance once the commands and states
// still in flight for it are delivered.
inline void FreeDocument(ECPerformance* performance) {
    messaging_test::PumpPending();
    performance->RemoveChildren(1);
    performance->Unref(1);
    messaging_test::PumpPending();
}

// A performance (held, active, current file version) with a conductor under it.
class PieceTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_performance = document::NewPerformance();
        m_previous = ECPerformance::SetActivePerformance(m_performance);
        m_conductor = new ECConductor;
        m_performance->AddChild(m_conductor, SORTED);
    }
    void TearDown() override {
        ECPerformance::SetActivePerformance(m_previous);
        FreeDocument(m_performance);
    }

    // Makes a ProbeStaff the conductor staff (before any query makes a plain
    // one), through the add-track command as the conductor does.
    ProbeStaff* UseProbeStaff() {
        auto* staff = new ProbeStaff(m_conductor, m_performance);
        auto* command = new CCAddTrack(staff, -1);
        command->SetSynchronous(1);
        command->Apply(m_performance);
        return staff;
    }
    ECConductorStaff* ConductorStaff() {
        return static_cast<ECConductorStaff*>(m_conductor->GetTrack(TRACK_CONDUCTOR, 0, 0));
    }
    ECStaff* Staff(int number) { return static_cast<ECStaff*>(m_conductor->GetTrack(TRACK_STAFF, number, 0)); }
    // Appends staves until there are `count`.
    void MakeStaves(int count) {
        for (int number = m_conductor->GetMaxTrackNumber(TRACK_STAFF) + 1; number <= count; ++number)
            ASSERT_NE(m_conductor->GetTrack(TRACK_STAFF, number, 1), nullptr) << number;
    }
    // Fills the grid with 4/4 measures up to (and including) `count`.
    void MakeMeasures(int count) {
        const MCTime last(4.0f * static_cast<float>(count) - 0.5f);
        ASSERT_NE(m_conductor->GetMeasure(0, last, 1, 1), nullptr);
    }

    ECPerformance* m_performance = nullptr;   // held by the fixture
    ECPerformance* m_previous = nullptr;
    ECConductor* m_conductor = nullptr;       // held by the performance
};

using document::SaveDocument;

// Reads a document (its bytes, or a file) into a new performance (held by the
// caller; free it with FreeDocument). Throws what the archive throws, after
// freeing the tree.
template <class Source>
ECPerformance* LoadDocument(Source&& bytesOrFile) {
    return document::LoadDocument(bytesOrFile, FreeDocument);
}

}  // namespace piece
