// The engine's settings: the start-up corrections of device numbers, the
// sections and keys a sequence reads (with their defaults), the filter
// entries and MIDI thru. Every profile is written by the test itself.
#include "sequencer/seqprefs.h"

#include "model/time.h"
#include "platform/core/profile.h"
#include "platform/devices/capture.h"
#include "platform/devices/portavel.h"
#include "sequencer/filtermgr.h"
#include "sequencer/metronome.h"
#include "sequencer/midifilters.h"
#include "sequencer/sequence.h"
#include "tests/sequencer/engine_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

const char* const kSections[] = {
    "Sequencer\\Midi\\Record", "Sequencer\\Midi\\Record\\Filter", "Sequencer\\Midi\\Play",
    "Sequencer\\Midi\\Play\\Filter", "Sequencer\\Midi\\Thru", "Sequencer\\Midi\\Metronome",
    "Sequencer\\Wave\\Play", "Sequencer\\Wave\\Record", "Sequencer",
};

// A pulse as a packed message: status, key, velocity from the low byte up.
uint32_t Packed(const FCMidi& pulse) {
    return pulse.GetStatusByte() | (uint32_t(pulse.GetDataByte1()) << 8) | (uint32_t(pulse.GetDataByte2()) << 16);
}

// A capture device library (two MIDI outputs, one wave output, one wave
// input), a sequence on it, and an empty set of engine sections.
class SeqPrefs : public ::testing::Test {
protected:
    SeqPrefs() {
        ClearSections();
        portavel = engine_support::OpenCapture(capture, false);
        sequence = std::make_unique<CSequence>();
        ppq = MCTime::GlobalPPQ;
    }
    ~SeqPrefs() override {
        MCTime::SetGlobalPPQ(ppq);
        LCMidiVoiceMap::SetDefaultDevice(0);
        ClearSections();
        // The shared filter back to passing everything.
        sequence.reset();
        if (LCMidiPrefs* filter = CPerfFilterMgr::GetPrefsFilter())
            for (int type = 0; type < LCMidiPrefs::MT_COUNT; ++type) {
                filter->BlockMessageType(type, 0);
                filter->ThinMessageType(type, 0);
            }
    }
    static void ClearSections() {
        CProfile profile = CProfile::Application();
        for (const char* section : kSections)
            profile.DeleteSection(section);
    }
    static void Write(const char* section, const char* key, int value) {
        CProfile::Application().WriteInt(section, key, value);
    }
    static int Read(const char* section, const char* key) {
        return CProfile::Application().GetInt(section, key, -99);
    }

    CCaptureBackend* capture = nullptr;
    std::unique_ptr<CPortavel> portavel;
    std::unique_ptr<CSequence> sequence;
    int ppq = 0;
};

TEST_F(SeqPrefs, StartUpRewritesDeviceNumbersTheLibraryDoesNotHave) {
    Write("Sequencer\\Midi\\Metronome", "Device", 2);        // equal to the MIDI output count
    Write("Sequencer\\Midi\\Play", "Default Device", 1);     // a real output
    Write("Sequencer\\Midi\\Thru", "Device", -1);
    Write("Sequencer\\Wave\\Play", "Default Device", 1);     // one wave output
    Write("Sequencer\\Wave\\Record", "Default Device", 0);

    MCSeqPreferences::InitPreferences();

    EXPECT_EQ(Read("Sequencer\\Midi\\Metronome", "Device"), 0);
    EXPECT_EQ(Read("Sequencer\\Midi\\Play", "Default Device"), 1);
    EXPECT_EQ(Read("Sequencer\\Midi\\Thru", "Device"), 0);
    EXPECT_EQ(Read("Sequencer\\Wave\\Play", "Default Device"), 0);
    EXPECT_EQ(Read("Sequencer\\Wave\\Record", "Default Device"), 0);
    EXPECT_EQ(Read("Sequencer\\Wave\\Play", "Recommended Track Count"), CSequence::GetRecommendedTrackCount());
    // Absent before: stored as -1 so the key exists; a user's value stays.
    EXPECT_EQ(Read("Sequencer\\Wave\\Play", "Track Count"), -1);
    Write("Sequencer\\Wave\\Play", "Track Count", 12);
    MCSeqPreferences::InitPreferences();
    EXPECT_EQ(Read("Sequencer\\Wave\\Play", "Track Count"), 12);
}

TEST_F(SeqPrefs, ThruBitFollowsEnabledOnlyWhenItIsOne) {
    const struct {
        int enabled;
        bool thru;
    } cases[] = {{1, true}, {0, false}, {2, false}};
    for (const auto& c : cases) {
        Write("Sequencer\\Midi\\Thru", "Enabled", c.enabled);
        MCSeqPreferences::InitPreferences();
        EXPECT_EQ((portavel->m_flags.load() & PV_FLAG_MIDITHRU) != 0, c.thru) << "start-up, " << c.enabled;
        portavel->m_flags.fetch_xor(PV_FLAG_MIDITHRU);   // the reader must set it anew
        MCSeqPreferences::UpdatePreferences(sequence.get());
        EXPECT_EQ((portavel->m_flags.load() & PV_FLAG_MIDITHRU) != 0, c.thru) << "update, " << c.enabled;
    }
}

TEST_F(SeqPrefs, DefaultsOfAnEmptyProfile) {
    sequence->SetAutoRewind(0);
    sequence->SetInputWaveDevice(3);
    sequence->SetOutputWaveDevice(3);
    LCMidiVoiceMap::SetDefaultDevice(5);
    MCTime::SetGlobalPPQ(240);

    MCSeqPreferences::UpdatePreferences(sequence.get());

    EXPECT_EQ(sequence->GetAutoRewind(), 1);
    EXPECT_EQ(sequence->GetInputWaveDevice(), 0);
    EXPECT_EQ(sequence->GetOutputWaveDevice(), 0);
    EXPECT_EQ(LCMidiVoiceMap::GetDefaultDevice(), 0u);
    EXPECT_EQ(MCTime::GlobalPPQ, 240);   // the current value is the default
    LCMidiPrefs* filter = CPerfFilterMgr::GetPrefsFilter();
    ASSERT_NE(filter, nullptr);
    for (int type = 0; type < LCMidiPrefs::MT_COUNT; ++type) {
        EXPECT_EQ(filter->MessageTypeBlocked(type), 0) << type;
        EXPECT_EQ(filter->MessageTypeThinned(type), 0) << type;
    }

    const SeqRecordPreferences record = MCSeqPreferences::ReadRecordPreferences();
    EXPECT_EQ(record.splitMode, 0);
    EXPECT_EQ(record.splitPitch, 60);
    EXPECT_EQ(record.primaryDivision, 4);
    EXPECT_EQ(record.secondaryDivision, 0);
    EXPECT_EQ(record.quantizePercent, 50);
    EXPECT_EQ(record.quantizeMode, 3);
    EXPECT_EQ(record.quantizeEnabled, 0);

    const SeqMetronomePreferences metronome = MCSeqPreferences::ReadMetronomePreferences();
    EXPECT_EQ(metronome.primaryPulse, 0x7F3099u);     // channel 10, key 48, velocity 127
    EXPECT_EQ(metronome.secondaryPulse, 0x402999u);   // key 41, velocity 64
    EXPECT_EQ(metronome.playEnable, 0);
    EXPECT_EQ(metronome.recordEnable, 1);
    EXPECT_EQ(metronome.midiSource, 1);
    EXPECT_EQ(metronome.device, 0u);
}

TEST_F(SeqPrefs, StoredValuesReachTheirTargets) {
    Write("Sequencer", "AutoRewind", 2);   // only 1 sets it
    Write("Sequencer", "GlobalPPQ", 480);
    Write("Sequencer\\Wave\\Record", "Default Device", 1);
    Write("Sequencer\\Wave\\Play", "Default Device", 2);
    Write("Sequencer\\Midi\\Play", "Default Device", 1);
    Write("Sequencer\\Midi\\Play", "Thin Controllers", 1);
    Write("Sequencer\\Midi\\Record", "Quantization Div 2 Enabled", 1);
    Write("Sequencer\\Midi\\Record", "Split Pitch", 64);
    Write("Sequencer\\Midi\\Metronome", "Channel", 1);
    Write("Sequencer\\Midi\\Metronome", "Pitch 2", 60);
    Write("Sequencer\\Midi\\Metronome", "Play Enable", 1);

    MCSeqPreferences::UpdatePreferences(sequence.get());

    EXPECT_EQ(sequence->GetAutoRewind(), 0);
    EXPECT_EQ(MCTime::GlobalPPQ, 480);
    EXPECT_EQ(sequence->GetInputWaveDevice(), 1);
    EXPECT_EQ(sequence->GetOutputWaveDevice(), 2);
    EXPECT_EQ(LCMidiVoiceMap::GetDefaultDevice(), 1u);
    // Thinning controllers thins poly pressure too; nothing else.
    LCMidiPrefs* filter = CPerfFilterMgr::GetPrefsFilter();
    for (int type = 0; type < LCMidiPrefs::MT_COUNT; ++type)
        EXPECT_EQ(filter->MessageTypeThinned(type),
                  type == LCMidiPrefs::MT_CONTROLLERS || type == LCMidiPrefs::MT_POLYPRESSURE)
            << type;

    const SeqRecordPreferences record = MCSeqPreferences::ReadRecordPreferences();
    EXPECT_EQ(record.secondaryDivision, 3);   // the second division's default, now enabled
    EXPECT_EQ(record.splitPitch, 64);
    const SeqMetronomePreferences metronome = MCSeqPreferences::ReadMetronomePreferences();
    EXPECT_EQ(metronome.primaryPulse, 0x7F3090u);
    EXPECT_EQ(metronome.secondaryPulse, 0x403C90u);
    EXPECT_EQ(metronome.playEnable, 1);
}

// A damaged profile's numbers outside what they can mean read as not stored.
TEST_F(SeqPrefs, DamagedValuesReadAsTheirDefaults) {
    MCTime::SetGlobalPPQ(240);
    Write("Sequencer", "GlobalPPQ", 2147483647);
    Write("Sequencer\\Wave\\Record", "Default Device", -5);
    Write("Sequencer\\Midi\\Play", "Default Device", -1);
    Write("Sequencer\\Midi\\Record", "Split Mode", 16);
    Write("Sequencer\\Midi\\Record", "Quantization Mode", -1);
    Write("Sequencer\\Midi\\Metronome", "Device", -2147483647 - 1);

    MCSeqPreferences::UpdatePreferences(sequence.get());

    EXPECT_EQ(MCTime::GlobalPPQ, 240);
    EXPECT_EQ(sequence->GetInputWaveDevice(), 0);
    EXPECT_EQ(LCMidiVoiceMap::GetDefaultDevice(), 0u);
    const SeqRecordPreferences record = MCSeqPreferences::ReadRecordPreferences();
    EXPECT_EQ(record.splitMode, 0);
    EXPECT_EQ(record.quantizeMode, 3);
    EXPECT_EQ(MCSeqPreferences::ReadMetronomePreferences().device, 0u);
}

TEST_F(SeqPrefs, MetronomeTakesItsSection) {
    CSeqMetronome metronome;
    MCSeqPreferences::ApplyMetronomePreferences(metronome);   // an empty profile: the defaults
    EXPECT_EQ(Packed(metronome.GetPrimaryPulse()), 0x7F3099u);
    EXPECT_EQ(Packed(metronome.GetSecondaryPulse()), 0x402999u);
    EXPECT_EQ(metronome.GetMetroPlay(), 0);
    EXPECT_EQ(metronome.GetMetroRecord(), 1);
    EXPECT_EQ(metronome.GetMetronomeMidi(), 1);

    Write("Sequencer\\Midi\\Metronome", "Play Enable", 1);
    Write("Sequencer\\Midi\\Metronome", "Record Enable", 0);
    Write("Sequencer\\Midi\\Metronome", "Source", 0);
    Write("Sequencer\\Midi\\Metronome", "Device", 1);
    Write("Sequencer\\Midi\\Metronome", "Velocity 1", 100);
    MCSeqPreferences::ApplyMetronomePreferences(metronome);
    EXPECT_EQ(Packed(metronome.GetPrimaryPulse()), 0x643099u);
    EXPECT_EQ(metronome.GetMetroPlay(), 1);
    EXPECT_EQ(metronome.GetMetroRecord(), 0);
    EXPECT_EQ(metronome.GetMetronomeMidi(), 0);
    EXPECT_EQ(metronome.GetMetronomeDevice(), 1u);
}

TEST_F(SeqPrefs, EachPlaybackFilterKeyBlocksItsOwnType) {
    const struct {
        const char* key;
        int type;
    } cases[] = {
        {"Notes", 0},        {"Program Change", 1}, {"Pitch Bend", 2},   {"Aftertouch", 4},
        {"Controllers", 3},  {"Poly Pressure", 5},  {"Channel Mode", 6}, {"SysEx", 7},
        {"SysRealtime", 9},  {"SysCommon", 8},
    };
    LCMidiPrefs* filter = CPerfFilterMgr::GetPrefsFilter();
    ASSERT_NE(filter, nullptr);
    for (const auto& c : cases) {
        ClearSections();
        Write("Sequencer\\Midi\\Play\\Filter", c.key, 0);
        MCSeqPreferences::UpdatePreferences(sequence.get());
        for (int type = 0; type < LCMidiPrefs::MT_COUNT; ++type)
            EXPECT_EQ(filter->MessageTypeBlocked(type), type == c.type) << c.key << " type " << type;
    }
    // The record section does not touch the playback filter.
    ClearSections();
    Write("Sequencer\\Midi\\Record\\Filter", "Notes", 0);
    MCSeqPreferences::UpdatePreferences(sequence.get());
    EXPECT_EQ(filter->MessageTypeBlocked(LCMidiPrefs::MT_NOTES), 0);
}

TEST_F(SeqPrefs, FilterEntriesNameTheTenTypesInIndexOrder) {
    const char* const names[] = {"Notes", "Program Change", "Pitch Bend", "Controllers", "Aftertouch",
                                 "Poly Pressure", "Channel Mode", "SysEx", "SysCommon", "SysRealtime"};
    MCSeqPreferences preferences;   // the first one turns every flag on
    for (int index = 0; index < MCSeqPreferences::ENTRY_COUNT; ++index) {
        std::string playback, record;
        EXPECT_EQ(MCSeqPreferences::GetPlaybackEntry(playback, index), 1);
        EXPECT_EQ(MCSeqPreferences::GetRecordEntry(record, index), 1);
        EXPECT_EQ(playback, names[index]);
        EXPECT_EQ(record, names[index]);
    }
    for (int index : {-1, 10}) {
        std::string name = "unchanged";
        EXPECT_EQ(MCSeqPreferences::GetRecordEntry(name, index), 0);
        EXPECT_EQ(MCSeqPreferences::GetPlaybackEntry(name, index), 0);
        EXPECT_EQ(name, "unchanged");
    }
}

}   // namespace
