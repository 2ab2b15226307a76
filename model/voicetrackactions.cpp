// The voice/track actions (see voicetrackactions.h).
#include "model/voicetrackactions.h"

#include <algorithm>

#include "model/event.h"
#include "model/eventtypes.h"

namespace {

// The range a written track or voice is kept in: 0, 2046 and 2047 are not
// tracks of their own, 8 to 15 are not voices of their own.
constexpr int TRACK_MIN = 1;
constexpr int TRACK_MAX = 2045;
constexpr int VOICE_MIN = 0;
constexpr int VOICE_MAX = 7;

constexpr int TRACK_NONE = 2047;
constexpr int TRACK_ALL = 2046;
constexpr int VOICE_NONE = 15;
constexpr int VOICE_ALL = 14;

}  // namespace

// ---- ACGetVoiceTrack --------------------------------------------------------

int ACGetVoiceTrack::DoAction(ECBase* event) {
    const MCVoiceTrack* word = event->GetVoiceTrack();
    if (word == nullptr)
        return AC_CONTINUE;
    m_voiceTrack = *word;
    return AC_STOP;
}

// ---- ACSetVoiceTrack --------------------------------------------------------

void ACSetVoiceTrack::SetTrackRange(int low, int high) {
    m_trackLow = low;
    m_trackHigh = high;
}

void ACSetVoiceTrack::SetVoiceRange(int low, int high) {
    m_voiceLow = low;
    m_voiceHigh = high;
}

int ACSetVoiceTrack::DoAction(ECBase* event) {
    const MCVoiceTrack* current = event->GetVoiceTrack();
    if (current == nullptr)
        return AC_CONTINUE;
    MCVoiceTrack word = *current;
    bool changed = false;

    if (m_track != TRACK_NONE) {
        const int track = word.GetTrack();
        // An event on all tracks stays there.
        if (track == TRACK_ALL)
            return AC_CONTINUE;
        if (track != TRACK_NONE && (track < m_trackLow || track > m_trackHigh))
            return AC_CONTINUE;
        word.SetTrack(std::clamp(m_track, TRACK_MIN, TRACK_MAX));
        changed = true;
    }

    if (m_voice != VOICE_NONE) {
        const int voice = word.GetVoice();
        const bool inRange = voice == VOICE_ALL || voice == VOICE_NONE ||
                             (voice >= m_voiceLow && voice <= m_voiceHigh);
        if (inRange) {
            word.SetVoice(std::clamp(m_voice, VOICE_MIN, VOICE_MAX));
            changed = true;
        }
    }

    // A track written before a voice outside the range still holds.
    if (changed)
        event->SetVoiceTrack(&word);
    return AC_CONTINUE;
}

// ---- ACDeltaVoiceTrack ------------------------------------------------------

ACDeltaVoiceTrack::ACDeltaVoiceTrack(int trackDelta, int voiceDelta)
    : m_trackDelta(trackDelta), m_voiceDelta(voiceDelta), m_allVoices(voiceDelta == 0) {}

void ACDeltaVoiceTrack::SetTrackRange(int low, int high) {
    m_trackLow = low;
    m_trackHigh = high;
}

void ACDeltaVoiceTrack::SetVoiceRange(int low, int high) {
    m_voiceLow = low;
    m_voiceHigh = high;
    if (low != 0 || high != 8)
        m_allVoices = 0;
}

int ACDeltaVoiceTrack::DoAction(ECBase* event) {
    // Wave tracks are numbered apart from the notation tracks.
    const int type = event->GetClassType();
    if (type == ET_WAVE || type == ET_WAVETRACK)
        return AC_CONTINUE;
    const MCVoiceTrack* current = event->GetVoiceTrack();
    if (current == nullptr)
        return AC_CONTINUE;
    MCVoiceTrack word = *current;

    const int track = word.GetTrack();
    if (track < m_trackLow || track > m_trackHigh)
        return AC_CONTINUE;
    const int voice = word.GetVoice();
    if (!m_allVoices && (voice < m_voiceLow || voice >= m_voiceHigh))
        return AC_CONTINUE;

    if (m_trackDelta == 0 && m_voiceDelta == 0)
        return AC_CONTINUE;
    if (m_trackDelta != 0)
        word.SetTrack(std::clamp(track + m_trackDelta, TRACK_MIN, TRACK_MAX));
    if (m_voiceDelta != 0)
        word.SetVoice(std::clamp(voice + m_voiceDelta, VOICE_MIN, VOICE_MAX));
    event->SetVoiceTrack(&word);
    return AC_CONTINUE;
}
