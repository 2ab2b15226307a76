// The sequence's clocks: the timing factors that map musical time onto the
// device clock, the speeds and tempo changes that move them, the tempo shown
// to the user, step recording's time, and the wave track count the machine
// is expected to play.
//
// Timing factors. Musical time reaches the device clock through the anchor R
// (real seconds), the buffer time B (device seconds) and the effective speed
// s: a real time r plays at (r - R) / s + B. R and B are set when playback
// starts (R the real time of the location, B the device's buffer time) and
// moved together whenever the speed changes, so that what already played
// keeps its place and only what follows changes pace. The conversions read
// the conductor's cache directly: they run on the polling thread, which must
// never make a missing tempo through a command; without a tempo the cache
// counts a quarter note a second, as the conductor's default tempo does.
#include "sequencer/sequence.h"

#include "model/appstates.h"
#include "model/conductor.h"
#include "model/conductorcache.h"
#include "model/eventtypes.h"
#include "model/performance.h"
#include "model/tempo.h"
#include "platform/devices/portavel.h"
#include "sequencer/enginestates.h"
#include "sequencer/player.h"
#include "sequencer/ramps.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <thread>

namespace {

MCTime PlayClockMs(DWORD ms) {
    MCTime time;
    time.SetMSec(static_cast<int>(ms));
    time.SetMode(TM_PLAY);
    return time;
}

double ClampSpeed(double speed) {
    return speed > 0.0 ? speed : 0.1;
}

}   // namespace

// ---- speeds and times -----------------------------------------------------------

void CSequence::InitTimingFactors(int mode) {
    m_dTempoFactor = 1.0;
    m_dNormalSpeed = m_dPlaybackSpeed * m_dTempoFactor;
    m_bufferTime = PlayClockMs(m_pPortavel ? m_pPortavel->GetBufferTime() : 0);
    MCConductorCache* cache = m_pConductor ? m_pConductor->GetCache() : nullptr;
    m_anchor = cache ? cache->TranslateTime(m_location) : m_location;
    m_anchor.SetMode(TM_REAL);
    m_dEffectiveSpeed = mode == TIMING_NORMAL ? m_dNormalSpeed : m_dFastSpeed;
}

void CSequence::AdjustTimingFactors(int mode) {
    m_dNormalSpeed = m_dPlaybackSpeed * m_dTempoFactor;
    const MCTime buffer = PlayClockMs(m_pPortavel ? m_pPortavel->GetBufferTime() : 0);
    const double moved = (static_cast<double>(buffer.GetSeconds()) - m_bufferTime.GetSeconds()) * m_dEffectiveSpeed;
    m_anchor = MCTime(static_cast<float>(m_anchor.GetSeconds() + moved));
    m_anchor.SetMode(TM_REAL);
    m_bufferTime = buffer;
    m_dEffectiveSpeed = mode == TIMING_NORMAL ? m_dNormalSpeed : m_dFastSpeed;
}

void CSequence::TakeLocationFromAnchor() {
    MCConductorCache* cache = m_pConductor ? m_pConductor->GetCache() : nullptr;
    m_location = cache ? cache->NormalizeTime(m_anchor) : MCTime(m_anchor.GetSeconds());
    m_location.SetMode(TM_NORMAL);
}

void CSequence::SetPlaybackSpeed(double speed) {
    MCTime location;
    {
        auto tree = LockTree();
        m_dPlaybackSpeed = ClampSpeed(speed);
        AdjustTimingFactors(TIMING_NORMAL);
        location = m_location;
    }
    UpdateBPMDisplay(location, 0);
}

void CSequence::SetTempoFactor(double factor) {
    MCTime anchor;
    bool playing = false;
    {
        auto tree = LockTree();
        m_dTempoFactor = ClampSpeed(factor);
        playing = m_pPlayer->GetState() == PLAYER_PLAYING;
        if (playing)
            AdjustTimingFactors(TIMING_NORMAL);
        anchor = m_anchor;
    }
    if (playing)
        UpdateBPMDisplay(anchor, 0);
}

void CSequence::SetFastSpeed(double speed) {
    auto tree = LockTree();
    m_dFastSpeed = ClampSpeed(speed);
    if (m_pPlayer->GetState() & (PLAYER_FASTFORWARD | PLAYER_FINISHING))
        AdjustTimingFactors(TIMING_FAST);
}

MCTime CSequence::AbsoluteTime(const MCTime& time) {
    MCTime real;
    if (time.GetMode() == TM_NORMAL) {
        MCConductorCache* cache = m_pConductor ? m_pConductor->GetCache() : nullptr;
        real = cache ? cache->TranslateTime(time) : time;
    } else if (time.GetMode() == TM_REAL) {
        real = time;
    } else {
        return time;
    }
    if (m_dEffectiveSpeed == 0.0)
        return MCTime::TimeNull();
    const double device = (static_cast<double>(real.GetSeconds()) - m_anchor.GetSeconds()) / m_dEffectiveSpeed +
                          m_bufferTime.GetSeconds();
    MCTime result(static_cast<float>(device));
    result.SetMode(TM_PLAY);
    return result;
}

MCTime CSequence::NormalizeTime(const MCTime& time) {
    MCConductorCache* cache = m_pConductor ? m_pConductor->GetCache() : nullptr;
    MCTime real;
    switch (time.GetMode()) {
    case TM_NORMAL:
        return time;
    case TM_REAL:
        real = time;
        break;
    case 2:
    case TM_PLAY:
        real = MCTime(static_cast<float>((static_cast<double>(time.GetSeconds()) - m_bufferTime.GetSeconds()) *
                                             m_dEffectiveSpeed +
                                         m_anchor.GetSeconds()));
        real.SetMode(TM_REAL);
        break;
    default:
        return time;
    }
    if (cache)
        return cache->NormalizeTime(real);
    MCTime musical(real.GetSeconds());   // one quarter note per second
    return musical;
}

void CSequence::UpdateBPMDisplay(const MCTime& time, int forced) {
    if (!forced && SCMaster::s_iMessageCount.load() >= 4)
        return;
    float bpm = 60.0f;
    {
        auto tree = LockTree();
        MCConductorCache* cache = m_pConductor ? m_pConductor->GetCache() : nullptr;
        if (ECTempo* tempo = cache ? cache->GetTempoAtTime(time) : nullptr)
            bpm = static_cast<float>(tempo->GetTempo(1.0f) * m_dEffectiveSpeed);
    }
    auto* state = new SCMaster(STATE_MASTER_TEMPO);
    state->SetBPM(bpm);
    ApplyToPerformance(state);
}

void CSequence::ChangeTempo(double percent, ECTempo* tempo) {
    if (!tempo)
        return;
    const unsigned char type = tempo->GetTempoType();
    // A relative tempo takes the value of the tempo in force before it.
    auto takeTempoBefore = [&] {
        MCConductorCache* cache = m_pConductor ? m_pConductor->GetCache() : nullptr;
        ECTempo* before = cache ? cache->GetTempoBeforeTime(*tempo->GetTime()) : nullptr;
        const float beat = tempo->GetBeat();
        if (before && before != tempo && beat > 0.0f)
            tempo->SetTempo(before->GetTempo(1.0f) / beat, beat);
    };
    if (type >= ECTempo::TEMPO_ACCEL && type <= ECTempo::TEMPO_LP) {
        double target = 0.0;
        {
            auto tree = LockTree();
            takeTempoBefore();
            target = m_dTempoFactor + m_dTempoFactor * percent / 100.0;
        }
        m_pTempo->SetTargetTempoFactor(std::max(target, 0.05));
        m_pTempo->SetBeginTime(*tempo->GetTime());
        m_pTempo->SetDuration(*tempo->GetDuration());
        m_pTempo->SetAutoReset(type >= 24 ? 1 : 0);
        PlaySequence(m_pTempo.get());
    } else if (type == ECTempo::TEMPO_A_TEMPO) {
        {
            auto tree = LockTree();
            takeTempoBefore();
        }
        SetTempoFactor(1.0);
    } else if (type == ECTempo::TEMPO_RUBATO || type == 29) {
        // Played as written.
    } else {
        SetTempoFactor(1.0);
    }
}

void CSequence::TempoChangeIsDone(const MCTime& time) {
    SequenceIsDone(m_pTempo.get());
    UpdateBPMDisplay(time, 1);
}

// ---- step recording -------------------------------------------------------------

void CSequence::SetStepRecordValue() {
    if (SCMode::GetEventType() != ET_NOTE)
        return;
    ECBase* prototype = SCMode::GetEvent();
    if (!prototype)
        return;
    prototype->Ref();
    if (prototype->GetClassType() == ET_NOTE)
        if (const MCTime* duration = prototype->GetDuration())
            m_stepRecordValue = *duration;
    prototype->RemoveChildren(1);
    prototype->Unref(1);
}

MCTime CSequence::GetStepRecordTime() {
    auto tree = LockTree();
    const MCTime result = m_stepRecordTime;
    m_stepRecordTime += m_stepRecordValue;
    // Sums of note values drift: a time within 0.0015 of a whole quarter note
    // is taken as that quarter note, the next one tried first.
    const float value = m_stepRecordTime.GetSeconds();
    const float up = std::ceil(value);
    const float down = std::floor(value);
    if (std::fabs(up - value) <= 0.0015f)
        m_stepRecordTime.SetSeconds(up);
    else if (std::fabs(value - down) <= 0.0015f)
        m_stepRecordTime.SetSeconds(down);
    m_location = m_stepRecordTime;
    return result;
}

MCTime CSequence::GetStepRecordValue() {
    MCTime value = m_stepRecordValue;
    value.SetMode(TM_NORMAL);
    return value;
}

// The number of wave tracks the machine is expected to play. Wave tracks are
// mixed on the processors, so the rule goes by how many there are: 1 gives 2,
// 2 gives 4, 3 or 4 give 8, 5 to 7 give 12, 8 and more 16; an unknown count
// gives 12.
int CSequence::GetRecommendedTrackCount() {
    return GetRecommendedTrackCount(std::thread::hardware_concurrency());
}

int CSequence::GetRecommendedTrackCount(unsigned processors) {
    if (processors == 0)
        return 12;
    if (processors == 1)
        return 2;
    if (processors == 2)
        return 4;
    if (processors <= 4)
        return 8;
    if (processors <= 7)
        return 12;
    return 16;
}
