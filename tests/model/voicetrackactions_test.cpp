// The voice/track actions: finding the word that places an event, setting
// and moving tracks and voices within their ranges.
#include "model/voicetrackactions.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/model/actions_test.h"

namespace {

using actiontest::TestTree;

TEST(VoiceTrackActions, GetVoiceTrackWalksUpToTheFirstWord) {
    TestTree tree;
    tree.AddUntimed("top");
    tree.Add("M", ET_MEASURE, "top", 0.0f);
    tree.Typed("M")->SetVoiceTrack(14, 6);
    tree.AddUntimed("u", "M");

    ACGetVoiceTrack find;
    EXPECT_EQ(find.Apply(tree["u"]), AC_STOP);
    EXPECT_EQ(find.GetVoiceTrack(), MCVoiceTrack(14, 6));

    // No word up to the top: voice 15, track 2047.
    ACGetVoiceTrack none;
    EXPECT_EQ(none.Apply(tree["top"]), AC_CONTINUE);
    EXPECT_EQ(none.GetVoiceTrack().GetValue(), 0x7FFF);
}

// The converted word of device 0x4F on channel 2: reads as voice 15, track 2047.
constexpr unsigned short CONVERTED = 0x8000 | (2 << 8) | 0x4F;

struct WordCase {
    int type;                // the event's type
    unsigned short before;   // its word
    unsigned short after;    // the word the action leaves
};

// Applies the action to a measure holding one event per case (only the
// events' words are checked).
template <class Action>
void RunWordCases(Action& action, const std::vector<WordCase>& cases, const char* what) {
    TestTree tree;
    tree.Add("M", ET_MEASURE, nullptr, 0.0f);
    tree.Typed("M")->GetVoiceTrack()->SetValue(MCVoiceTrack(14, 2046).GetValue());
    for (size_t i = 0; i < cases.size(); ++i) {
        const std::string name = "e" + std::to_string(i);
        tree.Add(name, cases[i].type, "M", static_cast<float>(i));
        tree.Typed(name)->GetVoiceTrack()->SetValue(cases[i].before);
    }
    EXPECT_EQ(action.Apply(tree["M"]), AC_CONTINUE);
    for (size_t i = 0; i < cases.size(); ++i) {
        const std::string name = "e" + std::to_string(i);
        EXPECT_EQ(tree.Typed(name)->GetVoiceTrack()->GetValue(), cases[i].after)
            << what << ", case " << i << std::hex << ", word 0x" << cases[i].before;
    }
}

unsigned short Word(int voice, int track) {
    return MCVoiceTrack(voice, track).GetValue();
}

TEST(VoiceTrackActions, SetVoiceTrack) {
    ACSetVoiceTrack track5(5, 15);
    RunWordCases(track5,
                 {
                     {ET_NOTE, Word(2, 3), Word(2, 5)},
                     {ET_NOTE, Word(2, 2047), Word(2, 5)},       // no track yet
                     {ET_NOTE, Word(2, 2046), Word(2, 2046)},    // all tracks: left alone
                     {ET_NOTE, Word(2, 0), Word(2, 0)},          // outside 1..2045
                     {ET_NOTE, Word(2, 2045), Word(2, 5)},
                     {ET_NOTE, CONVERTED, Word(15, 5)},          // back to the normal form
                 },
                 "track 5");

    ACSetVoiceTrack voice9(2047, 9);   // clamped to voice 7
    RunWordCases(voice9,
                 {
                     {ET_NOTE, Word(3, 4), Word(7, 4)},
                     {ET_NOTE, Word(8, 4), Word(7, 4)},          // the range includes 8
                     {ET_NOTE, Word(14, 4), Word(7, 4)},         // all voices
                     {ET_NOTE, Word(12, 4), Word(12, 4)},        // outside 0..8
                     // Bits 4-14 are kept as they stand: device 0x4F on
                     // channel 2 leaves track 0x24.
                     {ET_NOTE, CONVERTED, 0x0247},
                 },
                 "voice 9");

    ACSetVoiceTrack both(3000, 1);     // clamped to track 2045
    both.SetTrackRange(2, 10);
    RunWordCases(both,
                 {
                     {ET_NOTE, Word(5, 10), Word(1, 2045)},
                     {ET_NOTE, Word(5, 11), Word(5, 11)},        // track outside: no voice either
                     {ET_NOTE, Word(12, 4), Word(12, 2045)},     // the track holds without the voice
                 },
                 "both");

    ACSetVoiceTrack ranged;
    ranged.SetTrack(-4);               // clamped to track 1
    ranged.SetVoice(-1);               // clamped to voice 0
    ranged.SetVoiceRange(2, 3);
    EXPECT_EQ(ranged.GetTrack(), -4);
    EXPECT_EQ(ranged.GetVoice(), -1);
    RunWordCases(ranged,
                 {
                     {ET_NOTE, Word(3, 9), Word(0, 1)},
                     {ET_NOTE, Word(4, 9), Word(4, 1)},
                 },
                 "ranged");
}

TEST(VoiceTrackActions, DeltaVoiceTrack) {
    ACDeltaVoiceTrack tracks(3, 0);    // all voices
    RunWordCases(tracks,
                 {
                     {ET_NOTE, Word(14, 7), Word(14, 10)},
                     {ET_NOTE, Word(2, 2044), Word(2, 2045)},    // clamped
                     {ET_NOTE, Word(2, 0), Word(2, 0)},          // outside 1..2045
                     {ET_NOTE, Word(2, 2047), Word(2, 2047)},
                     {ET_NOTE, CONVERTED, CONVERTED},            // reads as track 2047
                     {ET_WAVE, Word(0, 7), Word(0, 7)},          // wave tracks apart
                     {ET_WAVETRACK, Word(0, 7), Word(0, 7)},
                 },
                 "track +3");

    ACDeltaVoiceTrack voices(0, -1);   // the voice range only: 0..7
    EXPECT_EQ(voices.GetDeltaVoice(), -1);
    RunWordCases(voices,
                 {
                     {ET_NOTE, Word(3, 7), Word(2, 7)},
                     {ET_NOTE, Word(0, 7), Word(0, 7)},          // clamped at 0
                     {ET_NOTE, Word(8, 7), Word(8, 7)},          // the high end is excluded
                     {ET_NOTE, Word(14, 7), Word(14, 7)},
                 },
                 "voice -1");

    ACDeltaVoiceTrack ranged;
    ranged.SetDeltaTrack(-10);
    ranged.SetDeltaVoice(9);
    ranged.SetTrackRange(5, 20);
    ranged.SetVoiceRange(2, 5);        // no longer all voices
    EXPECT_EQ(ranged.GetDeltaTrack(), -10);
    RunWordCases(ranged,
                 {
                     {ET_NOTE, Word(2, 8), Word(7, 1)},
                     {ET_NOTE, Word(5, 8), Word(5, 8)},
                     {ET_NOTE, Word(3, 21), Word(3, 21)},
                 },
                 "ranged");

    // The default range keeps all voices.
    ACDeltaVoiceTrack all(1, 0);
    all.SetVoiceRange(0, 8);
    RunWordCases(all, {{ET_NOTE, Word(15, 4), Word(15, 5)}}, "all voices");
}

}  // namespace
