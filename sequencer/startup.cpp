// The engine's start-up: performers first (documents opened later find
// them), then the preferences, whose reader every sequence calls from then on.
#include "sequencer/startup.h"

#include "sequencer/performers.h"
#include "sequencer/seqprefs.h"
#include "sequencer/sequence.h"

extern "C" int InitSequencer()
{
    const int records = RegisterPerformers();
    MCSeqPreferences::InitPreferences();
    CSequence::SetPreferencesHook(&MCSeqPreferences::UpdatePreferences);
    return records;
}
