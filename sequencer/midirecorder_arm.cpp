// The MIDI recorder's arming: routing from a base track, adding the staff
// tracks the routing needs, and announcing which tracks record (see
// midirecorder.h for the contract).
#include "sequencer/midirecorder.h"

#include "model/basiccommands.h"
#include "model/conductor.h"
#include "model/performance.h"
#include "sequencer/enginestates.h"
#include "sequencer/sequence.h"

void CMidiRecorder::SetBaseTrack(int track)
{
    if (track == m_nBaseTrack)
        return;
    ECConductor* conductor = m_pSequence ? m_pSequence->GetConductor() : nullptr;
    ECPerformance* performance = m_pSequence ? m_pSequence->GetPerformance() : nullptr;
    if (!conductor || !performance) {
        m_nBaseTrack = track;
        return;
    }
    auto* state = new SCTrack(STATE_TRACK_RECORDING);
    state->SetTrackType(TT_STAFF);
    int highest = 0;
    {
        std::lock_guard tree(performance->GetLock());
        highest = conductor->GetMaxTrackNumber(TT_STAFF);
    }
    if (track > 0) {
        const int needed = RouteFrom(track);
        const int last = track + needed - 1;
        if (highest < last) {
            // The user-interface thread runs the command at once; the input
            // thread never adds tracks, so nothing waits on this thread here.
            auto* command = new CCAddTrack;
            command->AddMidiTrack(0, last - highest);
            command->SetSynchronous(1);
            command->Apply(performance);
            std::lock_guard tree(performance->GetLock());
            highest = conductor->GetMaxTrackNumber(TT_STAFF);
        }
        for (int number = 1; number <= highest; ++number) {
            if (number >= track && number <= last)
                state->AddOnTrack(number);
            else
                state->AddOffTrack(number);
        }
    } else {
        m_nBaseTrack = track;
        for (int number = 1; number <= highest; ++number)
            state->AddOffTrack(number);
    }
    state->Apply(performance);
}
