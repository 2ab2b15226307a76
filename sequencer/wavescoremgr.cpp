// The wave score manager: wave files become clips on wave tracks, and clips
// and wave tracks get their performers.
#include "sequencer/wavescoremgr.h"

#include "model/basiccommands.h"
#include "model/conductor.h"
#include "model/eventtypes.h"
#include "model/midievents.h"
#include "model/staff.h"
#include "model/performance.h"
#include "platform/devices/wavefile.h"
#include "sequencer/performer.h"
#include "sequencer/sequence.h"
#include "sequencer/trackperformer.h"

#include <mutex>

ECWave* CWaveScoreMgr::AddWaveFile(const MCTime& time, MCVoiceTrack voiceTrack, const char* name,
                                   std::size_t length) {
    if (!name)
        return nullptr;
    const std::string fileName(name, length);
    // Milliseconds into seconds as a float: a take under a second is not 0.
    const float seconds = static_cast<float>(CWaveFile::FileDuration(fileName)) / 1000.0f;
    if (seconds <= 0.0f)
        return nullptr;

    auto* wave = new ECWave(time, fileName);
    wave->Ref();   // the reference DoAdd takes over
    wave->SetVoiceTrack(&voiceTrack);
    const MCTime duration(seconds);
    wave->SetDuration(&duration);
    return DoAdd(wave) ? wave : nullptr;
}

DCsqBase* CWaveScoreMgr::AddEventData(ECBase* event) {
    const int type = event ? event->GetClassType() : -1;
    if (type != ET_WAVE && type != ET_WAVETRACK)
        return nullptr;
    DCsqBase* performer = DCsqBase::GetPerformer(event, 1);
    if (!performer)
        return nullptr;
    if (auto* track = DYNAMIC_DOWNCAST(DCsqTrack, performer))
        track->SetSequence(m_pSequence);
    if (m_pSequence)
        m_pSequence->InsertData(performer);
    return performer;
}

int CWaveScoreMgr::DoAdd(ECBase* event) {
    ECPerformance* performance = m_pSequence ? m_pSequence->GetPerformance() : nullptr;
    ECBase* parent = performance ? GetParent(event) : nullptr;
    CCAdd* add = nullptr;
    if (parent) {
        add = new CCAdd;
        if (!add->Add(event, parent, FCMidi::MidiNull())) {
            delete add;
            add = nullptr;
        }
    }
    if (!add) {
        event->Unref(1);
        return 0;
    }
    add->Apply(performance);
    // The command holds the event now; the caller's reference goes.
    event->Unref(1);
    return 1;
}

ECBase* CWaveScoreMgr::GetParent(ECBase* event) {
    const MCVoiceTrack* word = event ? event->GetVoiceTrack() : nullptr;
    ECConductor* conductor = m_pSequence ? m_pSequence->GetConductor() : nullptr;
    if (!word || word->GetTrack() == TRACK_NONE || !conductor)
        return nullptr;
    ECPerformance* performance = m_pSequence->GetPerformance();
    if (!performance)
        return nullptr;
    std::lock_guard<CCriticalSection> tree(performance->GetLock());
    return conductor->GetTrack(TRACK_WAVE, word->GetTrack(), 1);
}
