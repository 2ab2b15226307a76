#include "sequencer/enginestates.h"

#include "model/performance.h"

// ---- SCMaster --------------------------------------------------------------------

std::atomic<int> SCMaster::s_iMessageCount{0};

SCMaster::SCMaster() {
    ++s_iMessageCount;
}

SCMaster::SCMaster(unsigned code) : SCBase(code) {
    ++s_iMessageCount;
}

SCMaster::SCMaster(const SCMaster& other) : SCBase(other), m_fValue(other.m_fValue) {
    ++s_iMessageCount;
}

SCMaster::~SCMaster() {
    --s_iMessageCount;
}

// ---- SCMusic ---------------------------------------------------------------------

SCMusic::SCMusic() = default;

SCMusic::SCMusic(unsigned code) : SCBase(code) {}

// ---- SCPerform -------------------------------------------------------------------

SCPerform::SCPerform() = default;

SCPerform::SCPerform(unsigned code) : SCBase(code) {}

SCPerform::SCPerform(unsigned code, const MCTime& time) : SCBase(code), m_time(time) {}

void SCPerform::DoState() {
    SCBase::DoState();
    ECPerformance* performance = GetTarget();
    if (performance == nullptr)
        return;
    // While recording, the recorder posts a command per message; gathered by
    // the rate they run as one batch, and stopping runs what is left.
    if (GetCode() == STATE_PERFORM_STOP)
        performance->SetCommandRate(0);
    else if (GetCode() == STATE_PERFORM_RECORD)
        performance->SetCommandRate(PERFORM_RECORD_COMMAND_RATE);
}

// ---- SCTrack ---------------------------------------------------------------------

SCTrack::SCTrack() = default;

SCTrack::SCTrack(unsigned code) : SCBase(code) {}

// ---- SCWaveInfo ------------------------------------------------------------------

SCWaveInfo::SCWaveInfo() = default;

SCWaveInfo::SCWaveInfo(unsigned code) : SCBase(code) {}
