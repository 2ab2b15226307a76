// The engine's settings: the start-up corrections and the per-sequence
// reader. Each section is read where it is applied, so adding a key means
// touching one place.
#include "sequencer/seqprefs.h"

#include "model/preferences.h"
#include "model/time.h"
#include "platform/devices/portavel.h"
#include "platform/devices/records.h"
#include "sequencer/filtermgr.h"
#include "sequencer/metronome.h"
#include "sequencer/midifilters.h"
#include "sequencer/midirecorder.h"
#include "sequencer/sequence.h"

#include <climits>

namespace {

// What the stored MIDI settings can be.
constexpr int kMidiChannels = 16;
constexpr int kHighestPitch = 127;
constexpr int kFinestDivision = 96;   // divisions of a quarter note
// A device is numbered from 0 (CorrectDevice checks the number against the
// library at start-up); a negative one is no device.
constexpr int kLastDevice = INT_MAX;
// The record split's bits (device, channel, pitch, voices) and the
// quantizer's (note-on, note-off, other events).
constexpr int kAllSplitBits = 0xF;
constexpr int kAllQuantizeBits = 0x7;
// The resolutions the time base accepts (MCTime::SetGlobalPPQ).
constexpr int kCoarsestPPQ = 10;
constexpr int kFinestPPQ = 1000;

const char* const kRecordSection = "Sequencer\\Midi\\Record";
const char* const kRecordFilterSection = "Sequencer\\Midi\\Record\\Filter";
const char* const kPlaySection = "Sequencer\\Midi\\Play";
const char* const kPlayFilterSection = "Sequencer\\Midi\\Play\\Filter";
const char* const kThruSection = "Sequencer\\Midi\\Thru";
const char* const kMetronomeSection = "Sequencer\\Midi\\Metronome";
const char* const kWavePlaySection = "Sequencer\\Wave\\Play";
const char* const kWaveRecordSection = "Sequencer\\Wave\\Record";
const char* const kSequencerSection = "Sequencer";

// A stored device number the library does not have (below 0, or not below
// its count of that kind and direction) is written back as 0.
void CorrectDevice(CPortavel& portavel, const char* section, const char* key, int kind, int direction)
{
    const int device = LoadIntPreference(section, key, 0);
    if (device < 0 || device >= portavel.GetDeviceCount(kind, direction))
        SaveIntPreference(section, key, 0);
}

// A note-on on the stored 1-based channel; a channel outside 1..16 keeps
// the note-on status (its low four bits only) rather than spilling into
// another status.
uint32_t MakePulse(int channel, int key, int velocity)
{
    const uint32_t status = 0x90u | (static_cast<uint32_t>(channel - 1) & 0x0Fu);
    return status | ((static_cast<uint32_t>(key) & 0x7Fu) << 8) | ((static_cast<uint32_t>(velocity) & 0x7Fu) << 16);
}

}   // namespace

int MCSeqPreferences::s_recordEntries[ENTRY_COUNT] = {};
int MCSeqPreferences::s_playbackEntries[ENTRY_COUNT] = {};
bool MCSeqPreferences::s_bInitialized = false;

MCSeqPreferences::MCSeqPreferences()
{
    if (s_bInitialized)
        return;
    s_bInitialized = true;
    for (int i = 0; i < ENTRY_COUNT; ++i) {
        s_recordEntries[i] = 1;
        s_playbackEntries[i] = 1;
    }
}

int MCSeqPreferences::GetPlaybackEntry(std::string& name, int index)
{
    if (index < 0 || index >= ENTRY_COUNT)
        return 0;
    name = LCMidiPrefs::GetMessageTypeName(index);
    return s_playbackEntries[index];
}

int MCSeqPreferences::GetRecordEntry(std::string& name, int index)
{
    if (index < 0 || index >= ENTRY_COUNT)
        return 0;
    name = LCMidiPrefs::GetMessageTypeName(index);
    return s_recordEntries[index];
}

void MCSeqPreferences::InitPreferences()
{
    // Without a device library there is nothing to check the numbers
    // against; they stay as stored rather than being lost.
    CPortavel* portavel = CPortavel::GetPortavel();
    const auto correct = [portavel](const char* section, const char* key, int kind, int direction) {
        if (portavel)
            CorrectDevice(*portavel, section, key, kind, direction);
    };
    correct(kMetronomeSection, "Device", PV_MIDI, PV_OUTPUT);
    correct(kPlaySection, "Default Device", PV_MIDI, PV_OUTPUT);
    correct(kThruSection, "Device", PV_MIDI, PV_OUTPUT);
    correct(kWavePlaySection, "Default Device", PV_WAVE, PV_OUTPUT);
    SaveIntPreference(kWavePlaySection, "Recommended Track Count", CSequence::GetRecommendedTrackCount());
    // Written back so the key exists afterwards (-1: not chosen by the user).
    SaveIntPreference(kWavePlaySection, "Track Count", LoadIntPreference(kWavePlaySection, "Track Count", -1));
    correct(kWaveRecordSection, "Default Device", PV_WAVE, PV_INPUT);
    ApplyMidiThru();
}

void MCSeqPreferences::ApplyMidiThru()
{
    CPortavel* portavel = CPortavel::GetPortavel();
    if (!portavel)
        return;
    // Channel 0 keeps each message's own channel, 1 to 16 sends on that one.
    portavel->ConnectMidiThru(LoadIntPreference(kThruSection, "Device", 0, 0, kLastDevice),
                              LoadIntPreference(kThruSection, "Channel", 0, 0, kMidiChannels) - 1);
    if (LoadIntPreference(kThruSection, "Enabled", 0) == 1)
        portavel->m_flags.fetch_or(PV_FLAG_MIDITHRU);
    else
        portavel->m_flags.fetch_and(~PV_FLAG_MIDITHRU);
}

SeqRecordPreferences MCSeqPreferences::ReadRecordPreferences()
{
    SeqRecordPreferences record;
    record.splitMode = LoadIntPreference(kRecordSection, "Split Mode", 0, 0, kAllSplitBits);
    record.splitPitch = LoadIntPreference(kRecordSection, "Split Pitch", 60, 0, kHighestPitch);
    // Divisions of a quarter note; a damaged profile's huge one would make
    // the quantizer's grid finer than the file's ticks.
    record.primaryDivision = LoadIntPreference(kRecordSection, "Quantization Division 1", 4, 1, kFinestDivision);
    if (LoadIntPreference(kRecordSection, "Quantization Div 2 Enabled", 0))
        record.secondaryDivision = LoadIntPreference(kRecordSection, "Quantization Division 2", 3, 1, kFinestDivision);
    record.quantizePercent = LoadIntPreference(kRecordSection, "Quantization Percent", 50, 0, 100);
    record.quantizeMode = LoadIntPreference(kRecordSection, "Quantization Mode", 3, 0, kAllQuantizeBits);
    record.quantizeEnabled = LoadIntPreference(kRecordSection, "Quantization Enabled", 0);
    return record;
}

SeqMetronomePreferences MCSeqPreferences::ReadMetronomePreferences()
{
    SeqMetronomePreferences metronome;
    const int channel = LoadIntPreference(kMetronomeSection, "Channel", 10, 1, kMidiChannels);
    metronome.primaryPulse = MakePulse(channel, LoadIntPreference(kMetronomeSection, "Pitch 1", 48, 0, kHighestPitch),
                                       LoadIntPreference(kMetronomeSection, "Velocity 1", 127, 0, kHighestPitch));
    metronome.secondaryPulse = MakePulse(channel, LoadIntPreference(kMetronomeSection, "Pitch 2", 41, 0, kHighestPitch),
                                         LoadIntPreference(kMetronomeSection, "Velocity 2", 64, 0, kHighestPitch));
    metronome.playEnable = LoadIntPreference(kMetronomeSection, "Play Enable", 0);
    metronome.recordEnable = LoadIntPreference(kMetronomeSection, "Record Enable", 1);
    metronome.midiSource = LoadIntPreference(kMetronomeSection, "Source", 1);
    metronome.device = static_cast<unsigned>(LoadIntPreference(kMetronomeSection, "Device", 0, 0, kLastDevice));
    return metronome;
}

void MCSeqPreferences::ApplyMetronomePreferences(CSeqMetronome& metronome)
{
    const SeqMetronomePreferences values = ReadMetronomePreferences();
    metronome.SetPrimaryPulse(FCMidi(values.primaryPulse));
    metronome.SetSecondaryPulse(FCMidi(values.secondaryPulse));
    metronome.EnableMetroPlay(values.playEnable);
    metronome.EnableMetroRecord(values.recordEnable);
    metronome.SetMetronomeMidi(values.midiSource);
    metronome.SetMetronomeDevice(values.device);
}

void MCSeqPreferences::ApplyRecordPreferences(CMidiRecorder& recorder)
{
    const SeqRecordPreferences values = ReadRecordPreferences();
    recorder.SetSplitMode(static_cast<unsigned short>(values.splitMode));
    recorder.SetSplitPitch(static_cast<unsigned>(values.splitPitch));
    LCMidiQuantize& quantize = recorder.GetQuantizeFilter();
    quantize.SetPrimaryDivision(values.primaryDivision);
    quantize.SetSecondaryDivision(values.secondaryDivision);
    quantize.SetQuantizationPercent(values.quantizePercent);
    quantize.SetQuantizationMode(static_cast<unsigned>(values.quantizeMode));
    quantize.SetEnabled(values.quantizeEnabled);
    // Tracks armed before the change follow the new split; a recording
    // keeps the routing it started with (the input thread reads it).
    if (recorder.GetState() == CMidiRecorder::RS_STOPPED && recorder.GetBaseTrack() > 0)
        recorder.RouteFrom(recorder.GetBaseTrack());
}

void MCSeqPreferences::UpdatePreferences(CSequence* sequence)
{
    if (!sequence)
        return;

    if (CMidiRecorder* recorder = sequence->GetMidiRecorder())
        ApplyRecordPreferences(*recorder);
    CMidiRecorder::GetPrefsFilter().LoadBlockPreferences(kRecordFilterSection);

    LCMidiVoiceMap::SetDefaultDevice(
        static_cast<unsigned>(LoadIntPreference(kPlaySection, "Default Device", 0, 0, kLastDevice)));
    if (LCMidiPrefs* playback = CPerfFilterMgr::GetPrefsFilter()) {
        playback->LoadBlockPreferences(kPlayFilterSection);
        playback->LoadThinPreferences(kPlaySection);
    }

    ApplyMidiThru();

    if (CSeqMetronome* metronome = sequence->GetMetronome())
        ApplyMetronomePreferences(*metronome);

    sequence->SetInputWaveDevice(LoadIntPreference(kWaveRecordSection, "Default Device", 0, 0, kLastDevice));
    sequence->SetOutputWaveDevice(LoadIntPreference(kWavePlaySection, "Default Device", 0, 0, kLastDevice));

    MCTime::SetGlobalPPQ(LoadIntPreference(kSequencerSection, "GlobalPPQ", MCTime::GlobalPPQ, kCoarsestPPQ, kFinestPPQ));
    sequence->SetAutoRewind(LoadIntPreference(kSequencerSection, "AutoRewind", 1) == 1);
}
