// The tree actions that read and change voice/track words.
//
// ACGetVoiceTrack walks up from an event to the first event (itself
// included) that has a voice/track word and keeps a copy. ACSetVoiceTrack
// sets a track and/or a voice on the events of a subtree whose word lies in a
// range; ACDeltaVoiceTrack moves them by a number of tracks and/or voices.
// Tracks are kept within 1..2045 and voices within 0..7 when written; a
// converted word (device and channel) reads as voice 15, track 2047 and
// returns to the normal form when written.
//
// UI thread, or the holder of the performance's lock.
#pragma once

#include "model/actions.h"
#include "model/time.h"

// Finds the voice/track word of an event or of its nearest ancestor. A
// reversed action: it walks from the event up through its parents.
class ACGetVoiceTrack : public ACBase {
public:
    ACGetVoiceTrack() : ACBase(1) {}

    int DoAction(ECBase* event) override;

    // The word found; voice 15, track 2047 when none was.
    const MCVoiceTrack& GetVoiceTrack() const { return m_voiceTrack; }

private:
    MCVoiceTrack m_voiceTrack;
};

// Sets a track and/or a voice. A track of 2047 or a voice of 15 keeps the
// event's own. Events of track 2046 (all tracks) are left alone, as are
// events whose track (other than 2047) or voice (other than 14 and 15) lies
// outside the ranges.
class ACSetVoiceTrack : public ACBase {
public:
    ACSetVoiceTrack() = default;
    ACSetVoiceTrack(int track, int voice) : m_track(track), m_voice(voice) {}

    int DoAction(ECBase* event) override;

    int GetTrack() const { return m_track; }
    void SetTrack(int track) { m_track = track; }
    int GetVoice() const { return m_voice; }
    void SetVoice(int voice) { m_voice = voice; }
    // Both ends are included.
    void SetTrackRange(int low, int high);
    void SetVoiceRange(int low, int high);

private:
    int m_track = 2047;
    int m_voice = 15;
    int m_trackLow = 1;
    int m_trackHigh = 2045;
    int m_voiceLow = 0;
    int m_voiceHigh = 8;
};

// Moves tracks and/or voices by a delta. Wave events and wave tracks are
// never moved. Only events whose track lies in [low, high] are moved and,
// unless all voices are wanted, whose voice lies in [low, high).
class ACDeltaVoiceTrack : public ACBase {
public:
    ACDeltaVoiceTrack() = default;
    // A non-zero voice delta wants the voice range only.
    ACDeltaVoiceTrack(int trackDelta, int voiceDelta);

    int DoAction(ECBase* event) override;

    int GetDeltaTrack() const { return m_trackDelta; }
    void SetDeltaTrack(int delta) { m_trackDelta = delta; }
    int GetDeltaVoice() const { return m_voiceDelta; }
    void SetDeltaVoice(int delta) { m_voiceDelta = delta; }
    // Both ends are included.
    void SetTrackRange(int low, int high);
    // The high end is excluded. Any range but exactly 0 to 8 (the voices
    // 0..7) stops wanting all voices.
    void SetVoiceRange(int low, int high);

private:
    int m_trackDelta = 0;
    int m_voiceDelta = 0;
    int m_trackLow = 1;
    int m_trackHigh = 2045;
    int m_voiceLow = 0;
    int m_voiceHigh = 8;
    int m_allVoices = 1;
};
