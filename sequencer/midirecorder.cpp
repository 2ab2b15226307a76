// The MIDI recorder's routing and step-record chord rule (see
// midirecorder.h for the contract).
#include "sequencer/midirecorder.h"

#include "model/midifields.h"
#include "platform/core/window.h"

#include <algorithm>

IMPLEMENT_DYNAMIC(CMidiRecorder, CObject)

// ---- CStepChord -----------------------------------------------------------

StepMove CStepChord::OnMessage(const FCMidi& word)
{
    if (!word.HasData())
        return StepMove::ADVANCE;   // a rest
    if (word.IsNoteOff()) {
        // Keys held when recording began release nothing we counted.
        m_nHeldKeys = std::max(m_nHeldKeys - 1, 0);
        return StepMove::RELEASE;
    }
    if (word.IsNoteOn())
        return ++m_nHeldKeys == 1 ? StepMove::ADVANCE : StepMove::SAME;
    // A controller or bend while one key is held belongs to that key's
    // chord: counting it as a new first key would move the step under it.
    return StepMove::SAME;
}

// ---- CMidiRecorder --------------------------------------------------------

CMidiRecorder::CMidiRecorder()
{
    SetDeviceCount(1);
    // A filter starts enabled, but quantizing while recording is off until
    // the preferences turn it on: a recorder never handed them must keep the
    // times as played, not draw every note-off halfway to the grid.
    m_quantize.SetEnabled(0);
}

CMidiRecorder::~CMidiRecorder()
{
    Detach();
}

void CMidiRecorder::SetDeviceCount(int count)
{
    const size_t devices = static_cast<size_t>(std::max(count, 1));
    m_lower.assign(devices, Table{});
    m_upper.assign(devices, Table{});
}

MCVoiceTrack CMidiRecorder::CalculateVT(unsigned device, unsigned channel, int lower) const
{
    // Wide arithmetic: a large device count or base track only pins the
    // track at the word's limit.
    long long part = (m_uSplitMode & SPLIT_DEVICE) ? device : 0;
    if (m_uSplitMode & SPLIT_CHANNEL)
        part = part * CHANNELS + (channel & 15);
    if (m_uSplitMode & SPLIT_PITCH)
        part = part * 2 + (lower ? 1 : 0);   // the upper part first
    long long track;
    int voice = 0;
    if (m_uSplitMode & SPLIT_VOICES) {
        track = part / 8 + m_nBaseTrack;
        voice = static_cast<int>(part % 8);
    } else {
        track = part + m_nBaseTrack;
    }
    return MCVoiceTrack(voice, static_cast<int>(std::clamp(track, 0LL, static_cast<long long>(MAX_TRACK))));
}

int CMidiRecorder::CalculateTracks() const
{
    long long n = (m_uSplitMode & SPLIT_DEVICE) ? GetDeviceCount() : 1;
    if (m_uSplitMode & SPLIT_CHANNEL)
        n *= CHANNELS;
    if (m_uSplitMode & SPLIT_PITCH)
        n *= 2;
    if (m_uSplitMode & SPLIT_VOICES)
        n = (n - 1) / 8 + 1;
    return static_cast<int>(std::min(n, static_cast<long long>(MAX_TRACK)));
}

int CMidiRecorder::RouteFrom(int baseTrack)
{
    m_nBaseTrack = baseTrack;
    if (baseTrack <= 0)
        return 0;
    for (unsigned device = 0; device < m_lower.size(); ++device) {
        for (unsigned channel = 0; channel < CHANNELS; ++channel) {
            m_lower[device][channel] = CalculateVT(device, channel, LOWER_TABLE);
            m_upper[device][channel] = CalculateVT(device, channel, UPPER_TABLE);
        }
    }
    const int tracks = CalculateTracks();
    m_quantize.SetTrackCount(tracks, baseTrack);
    return tracks;
}

MCVoiceTrack CMidiRecorder::GetVoiceTrack(unsigned device, unsigned channel, unsigned key) const
{
    if (device >= m_lower.size() || channel >= CHANNELS)
        return MCVoiceTrack();
    return key >= m_uSplitPitch ? m_upper[device][channel] : m_lower[device][channel];
}

unsigned CMidiRecorder::GetKey(const FCMidi& word)
{
    const unsigned char kind = word.GetStatusMSB();
    return kind == 0x80 || kind == 0x90 || kind == 0xA0 ? word.GetDataByte1() : 0;
}
