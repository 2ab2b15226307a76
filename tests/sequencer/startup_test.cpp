// The engine's start-up: the performer records it enters into the registry
// and the preference reader it installs for every sequence.
#include "sequencer/startup.h"

#include "model/eventtypes.h"
#include "model/plugin.h"
#include "platform/core/profile.h"
#include "platform/core/object.h"
#include "sequencer/performers.h"
#include "sequencer/metronome.h"
#include "sequencer/sequence.h"
#include "tests/sequencer/engine_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

int CountSequencerCells() {
    int cells = 0;
    for (int type = 0; type < ET_COUNT; ++type)
        cells += CPluginData::GetDataClass(DK_SEQUENCER, type) != nullptr;
    return cells;
}

std::string ClassAt(int type) {
    const CRuntimeClass* data = CPluginData::GetDataClass(DK_SEQUENCER, type);
    return data ? data->m_lpszClassName : "";
}

}   // namespace

TEST(Startup, InitSequencerFillsExactlyTheTwentyFiveSequencerCells) {
    UnregisterPerformers();
    ASSERT_EQ(CountSequencerCells(), 0);
    const CSequence::PreferencesHook before = CSequence::SetPreferencesHook(nullptr);

    EXPECT_EQ(InitSequencer(), 25);
    EXPECT_EQ(CountSequencerCells(), 25);
    // The shared performer classes, and types that have none.
    const struct {
        int type;
        const char* performer;
    } cases[] = {
        {ET_ACCENT, "DCsqAccent"},        {ET_CHANNELMODE, "DCsqMidi"}, {ET_PEDAL, "DCsqMidi"},
        {ET_POLYPRESSURE, "DCsqMidi"},    {ET_NOTE, "DCsqNote"},        {ET_GRACENOTE, "DCsqNote"},
        {ET_CONDUCTORSTAFF, "DCsqConductorStaff"}, {ET_WAVETRACK, "DCsqWaveTrack"},
        {ET_PROGRAMCHANGE, "DCsqProgram"}, {ET_SYSTEMMESSAGE, "DCsqSysMsg"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ClassAt(c.type), c.performer) << "event type " << c.type;
    EXPECT_EQ(ClassAt(1), "");
    EXPECT_EQ(ClassAt(2), "");

    // Sequences read their preferences through the installed reader when
    // they attach.
    CCaptureBackend* capture = nullptr;
    std::unique_ptr<CPortavel> portavel = engine_support::OpenCapture(capture, false);
    CProfile::Application().WriteInt("Sequencer", "AutoRewind", 0);
    CProfile::Application().WriteInt("Sequencer\\Midi\\Metronome", "Play Enable", 1);
    {
        CSequence sequence;
        ASSERT_EQ(sequence.GetAutoRewind(), 1);
        ASSERT_EQ(sequence.GetMetronome()->GetMetroPlay(), 0);
        sequence.Attach(nullptr);
        EXPECT_EQ(sequence.GetAutoRewind(), 0);
        EXPECT_EQ(sequence.GetMetronome()->GetMetroPlay(), 1);   // the sequence's own metronome
        sequence.Detach();
    }
    CProfile::Application().DeleteKey("Sequencer", "AutoRewind");
    CProfile::Application().DeleteKey("Sequencer\\Midi\\Metronome", "Play Enable");
    CSequence::SetPreferencesHook(before);
}
