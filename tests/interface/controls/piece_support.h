// The piece the time-edit tests read positions in: an active document whose
// conductor has 4/4 from the start and 3/4 from bar 5 (quarter 16), at a
// global PPQ of 480, 120 quarter notes a minute.
#pragma once

#include "model/conductor.h"
#include "model/conductorstaff.h"
#include "model/meter.h"
#include "model/tempo.h"
#include "tests/interface/document/doc_support.h"

#include <gtest/gtest.h>

namespace time_test {

class ActivePiece : public doc_support::DocumentParts {
public:
    ActivePiece() {
        m_previousPPQ = MCTime::GlobalPPQ;
        MCTime::SetGlobalPPQ(480);
        NewPiece();
        MCOpusDoc::SetActiveDoc(doc.get());
        conductor = doc->GetSequence()->GetConductor();
        EXPECT_NE(conductor, nullptr);
        if (!conductor)
            return;
        // 120 quarters a minute, so that a clock shows half the quarters.
        ECTempo* tempo = conductor->GetTempoAtTime(MCTime(0.0f));
        EXPECT_TRUE(tempo->SetTempo(120.0f, 1.0f));
        conductor->RecacheEvent(tempo);
        conductor->GetMeterAtTime(MCTime(0.0f));   // the default 4/4 at the start
        auto* waltz = new ECMeter(3, 4, 0);
        const MCTime bar5(16.0f);
        waltz->SetTime(&bar5);
        waltz->SetVoiceTrack(14, 0);
        EXPECT_TRUE(conductor->GetTrack(TRACK_CONDUCTOR, 0, 0)->AddChild(waltz, SORTED));
        EXPECT_EQ(conductor->GetMeterAtTime(MCTime(20.0f))->GetNumerator(), 3);
    }
    ~ActivePiece() { MCTime::SetGlobalPPQ(m_previousPPQ); }

    // The musical time of a position (bar and beat from 1).
    MCTime At(int bar, int beat, int tick) {
        return conductor->NormalizeTime(MCTime(bar - 1, beat - 1, tick, 480));
    }

    ECConductor* conductor = nullptr;   // the document's

private:
    int m_previousPPQ = 480;
};

}  // namespace time_test
