// The wave score manager: turns wave files into wave clips (ECWave) on the
// conductor's wave tracks, and gives wave clips and wave tracks their
// performers in the sequence's list.
//
// It holds only the sequence it serves (borrowed, null until Attach). A clip
// is added through an add command applied to the performance; the sequence's
// command handler then asks AddEventData for the clip's performer.
//
// Threads: AddWaveFile runs on the user-interface thread (the wave recorder's
// Stop, the MIDI file reader); AddEventData runs wherever the sequence's
// command handler runs, under the performance's lock.
#pragma once

#include "model/time.h"

#include "platform/core/object.h"

#include <cstddef>
#include <string>

class CSequence;
class DCsqBase;
class ECBase;
class ECWave;

class CWaveScoreMgr : public CObject {
public:
    CWaveScoreMgr() = default;
    ~CWaveScoreMgr() override = default;
    CWaveScoreMgr(const CWaveScoreMgr&) = delete;
    CWaveScoreMgr& operator=(const CWaveScoreMgr&) = delete;

    void Attach(CSequence* sequence) { m_pSequence = sequence; }
    void Detach() { m_pSequence = nullptr; }
    CSequence* GetSequence() const { return m_pSequence; }

    // A clip of the wave file named by `length` bytes at `name` (UTF-8), at
    // `time` on the wave track the voice/track word names, as long as the
    // file. Null for a file of no length or a clip that could not be added.
    ECWave* AddWaveFile(const MCTime& time, MCVoiceTrack voiceTrack, const char* name, std::size_t length);
    ECWave* AddWaveFile(const MCTime& time, MCVoiceTrack voiceTrack, const std::string& name) {
        return AddWaveFile(time, voiceTrack, name.data(), name.size());
    }

    // The performer of a wave clip or wave track, made when missing and put
    // into the sequence's list (a track's performer gets the sequence first).
    // Null for any other event, a null one or a performer that cannot be made.
    DCsqBase* AddEventData(ECBase* event);

protected:
    // Puts the event (one reference of the caller's, which this takes over)
    // under its wave track by an add command. 0, and the event released,
    // when it has no track to go under.
    int DoAdd(ECBase* event);
    // The conductor's wave track the event's word names, made when missing;
    // null without a word, for track 2047 or without a conductor.
    ECBase* GetParent(ECBase* event);

private:
    CSequence* m_pSequence = nullptr;   // borrowed
};
