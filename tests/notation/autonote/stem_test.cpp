// Stems: direction by pitch for a lone voice, by voice where voices share a
// staff half, the long and short lengths, flags, grace notes, tuplet members
// and the grand staff's lower half. Treble clef (middle line B4, 71) and
// bass clef (D3, 50); 4/4.
#include "notation/autonote/stem.h"

#include "model/groupmarks.h"
#include "model/markings.h"
#include "model/notes.h"
#include "notation/display/chord.h"
#include "notation/display/note.h"
#include "notation/display/rest.h"
#include "notation/display/tuplet.h"
#include "tests/notation/display/note_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using measure_test::RegistryCell;
using measure_test::Score;
using note_test::ClefLinksScope;
using note_test::Pitch;

constexpr int kUp = 0;
constexpr int kDown = 1;
constexpr int kTreble = 0;
constexpr int kBass = 3;
constexpr int kUpperHand = 0;
constexpr int kLowerHand = 1;
constexpr int kPlainStaff = 0;
constexpr int kGrandStaff = 1;

class StemPassTest : public ::testing::Test {
protected:
    // One measure on a staff of `kind` whose voice table holds `voices`;
    // treble clef above, bass clef on a grand staff's lower half.
    void Make(int kind, std::vector<BYTE> voices) {
        score = std::make_unique<Score>(kind, 1);
        score->AddClef(1, kTreble, kUpperHand);
        if (kind == kGrandStaff)
            score->AddClef(1, kBass, kLowerHand);
        score->staff->RebuildCache();
        measure = score->Display(1);
        measure->GetVoiceTable() = std::move(voices);
        measure->SetStemDirty(1);
    }

    // A note (or grace note) of `key` lasting `ticks` at `quarters` into the
    // measure, under `parent` (the measure unless given).
    template <class Note = ECNote>
    DCctNote* AddNote(int key, int ticks, int voice = 0, ECBase* parent = nullptr, float quarters = 0.0f) {
        auto* note = new Note(MCTime(quarters), MCTime(static_cast<float>(ticks) / 256.0f));
        note->SetVoiceTrack(voice, 1);
        (parent ? parent : score->Measure(1))->AddChild(note, SORTED);
        auto* display = dynamic_cast<DCctNote*>(note->GetData(DK_NOTATION, 1));
        MCPitch pitch = Pitch(key);
        display->SetPitch(pitch);
        display->SetValue(static_cast<WORD>(ticks), 0);
        display->HideStem(1, 0);   // the pass shows it
        return display;
    }

    void Run() { pass.DoMeasure(score->staff, score->Measure(1)); }

    ClefLinksScope clefLinks;
    RegistryCell measures{ET_MEASURE, RUNTIME_CLASS(DCctMeasure)};
    RegistryCell notes{ET_NOTE, RUNTIME_CLASS(DCctNote)};
    RegistryCell graces{ET_GRACENOTE, RUNTIME_CLASS(DCctNote)};
    RegistryCell rests{ET_REST, RUNTIME_CLASS(DCctRest)};
    RegistryCell chords{ET_CHORD, RUNTIME_CLASS(DCctChord)};
    RegistryCell tuplets{ET_TUPLET, RUNTIME_CLASS(DCctTuplet)};
    std::unique_ptr<Score> score;
    DCctMeasure* measure = nullptr;
    ANStem pass;
};

TEST_F(StemPassTest, DirectionAndLengthOfOneNote) {
    const struct {
        const char* name;
        int kind;
        std::vector<BYTE> voices;
        int key, voice;
        int direction, length;
    } cases[] = {
        {"C5 alone", kPlainStaff, {0}, 72, 0, kDown, 7},
        {"B4 alone: the middle line stems up", kPlainStaff, {0}, 71, 0, kUp, 7},
        {"A3 alone: the stem reaches the middle line", kPlainStaff, {0}, 57, 0, kUp, 8},
        {"voice 1 of two, low", kPlainStaff, {0, 1}, 60, 1, kDown, 6},
        {"voice 0 of two, high", kPlainStaff, {0, 1}, 84, 0, kUp, 6},
        {"voice 1 of two, far below: the short length stays", kPlainStaff, {0, 1}, 48, 1, kDown, 6},
        // The lower half reads the bass clef and its own voice count.
        {"grand staff, voice 4 alone below, above D3", kGrandStaff, {0, 1, 4}, 52, 4, kDown, 7},
        {"grand staff, voice 4 alone below, on D3", kGrandStaff, {0, 1, 4}, 50, 4, kUp, 7},
        {"grand staff, voice 5 of two below", kGrandStaff, {0, 4, 5}, 40, 5, kDown, 6},
        {"grand staff, voice 0 alone above", kGrandStaff, {0, 4, 5}, 72, 0, kDown, 7},
    };
    for (const auto& c : cases) {
        Make(c.kind, c.voices);
        DCctNote* note = AddNote(c.key, 256, c.voice);
        Run();
        EXPECT_EQ(note->GetStemDirection(), c.direction) << c.name;
        EXPECT_EQ(note->GetStemLength(), c.length) << c.name;
        EXPECT_EQ(note->IsStemHidden(), 0) << c.name;
        EXPECT_EQ(measure->StemDirty(), 0) << c.name;
    }
}

TEST_F(StemPassTest, ShortValuesCarryAFlag) {
    const struct {
        int ticks, flag;
    } cases[] = {{128, 1}, {64, 1}, {256, 0}, {512, 0}};
    for (const auto& c : cases) {
        Make(kPlainStaff, {0});
        DCctNote* note = AddNote(67, c.ticks);
        Run();
        EXPECT_EQ(note->GetFlag(), c.flag) << c.ticks;
    }
}

TEST_F(StemPassTest, LedgerLinesAndTiesFollowTheClef) {
    Make(kPlainStaff, {0});
    DCctNote* high = AddNote(84, 256);    // C6: two ledger lines above
    DCctNote* low = AddNote(60, 256, 0, nullptr, 1.0f);   // C4: one below
    Run();
    EXPECT_EQ(high->GetLedgerLineCount(), 2);
    EXPECT_EQ(low->GetLedgerLineCount(), 1);
    EXPECT_EQ(high->GetTieDirection(), 0);   // stem down, tie over
    EXPECT_EQ(low->GetTieDirection(), 1);
}

TEST_F(StemPassTest, GraceNotesStemUpInALoneVoiceAndByVoiceOtherwise) {
    const struct {
        std::vector<BYTE> voices;
        int voice, direction;
    } cases[] = {
        {{0}, 0, kUp},
        {{1}, 1, kUp},        // alone, even in an odd voice
        {{0, 1}, 1, kDown},
        {{0, 1}, 0, kUp},
    };
    for (const auto& c : cases) {
        Make(kPlainStaff, c.voices);
        // A grace note high above the staff, before its note.
        auto* note = new ECNote(MCTime(0.0f), MCTime(1.0f));
        note->SetVoiceTrack(c.voice, 1);
        score->Measure(1)->AddChild(note, SORTED);
        note->GetData(DK_NOTATION, 1);
        DCctNote* grace = AddNote<ECGraceNote>(86, 64, c.voice, note);
        grace->SetStemDirection(kDown, 0);
        Run();
        EXPECT_EQ(grace->GetStemDirection(), c.direction) << c.voice;
        EXPECT_EQ(grace->GetStemLength(), 6) << c.voice;
        EXPECT_EQ(grace->IsStemHidden(), 0) << c.voice;
    }
}

TEST_F(StemPassTest, ChordsAndTheirNotesGraceNotes) {
    const struct {
        std::vector<int> keys;
        int direction;
    } cases[] = {
        {{60, 64, 67}, kUp},
        {{72, 76, 79}, kDown},
        {{69, 74}, kDown},
    };
    for (const auto& c : cases) {
        Make(kPlainStaff, {0});
        auto* chord = new ECChord;
        chord->SetTime(score->Measure(1)->GetTime());
        chord->SetVoiceTrack(0, 1);
        score->Measure(1)->AddChild(chord, SORTED);
        auto* display = dynamic_cast<DCctChord*>(chord->GetData(DK_NOTATION, 1));
        ASSERT_NE(display, nullptr);
        std::vector<ECBase*> members;
        for (int key : c.keys)
            members.push_back(AddNote(key, 256, 0, chord)->GetOwner());
        display->SetValue(256, 0);
        display->SetDirty(1);
        // A grace note under the chord's first note is stemmed too.
        DCctNote* grace = AddNote<ECGraceNote>(86, 64, 0, members.front());
        Run();
        EXPECT_EQ(display->GetStemDirection(), c.direction) << c.keys.front();
        EXPECT_EQ(grace->GetStemDirection(), kUp) << c.keys.front();
        EXPECT_EQ(grace->IsStemHidden(), 0) << c.keys.front();
    }
}

TEST_F(StemPassTest, TupletMembersAndRestsAreStemmed) {
    Make(kPlainStaff, {0});
    auto* tuplet = new ECTuplet(3, 2, 3);
    tuplet->SetTime(score->Measure(1)->GetTime());
    tuplet->SetVoiceTrack(0, 1);
    score->Measure(1)->AddChild(tuplet, SORTED);
    tuplet->GetData(DK_NOTATION, 1);
    DCctNote* first = AddNote(72, 128, 0, tuplet);
    DCctNote* second = AddNote(64, 128, 0, tuplet, 0.33f);
    auto* rest = new ECRest;
    rest->SetTime(score->Measure(1)->GetTime());
    rest->SetVoiceTrack(0, 1);
    score->Measure(1)->AddChild(rest, SORTED);
    auto* restDisplay = dynamic_cast<DCctRest*>(rest->GetData(DK_NOTATION, 1));
    restDisplay->HideStem(1, 0);
    Run();
    EXPECT_EQ(first->GetStemDirection(), kDown);
    EXPECT_EQ(second->GetStemDirection(), kUp);
    EXPECT_EQ(first->GetFlag(), 1);
    EXPECT_EQ(restDisplay->IsStemHidden(), 0);
}

TEST_F(StemPassTest, WhatThePassLeavesAlone) {
    // A measure that is not stem-dirty keeps its stems.
    Make(kPlainStaff, {0});
    DCctNote* note = AddNote(72, 256);
    note->SetStemDirection(kUp, 0);
    measure->SetStemDirty(0);
    Run();
    EXPECT_EQ(note->GetStemDirection(), kUp);
    EXPECT_EQ(note->IsStemHidden(), 1);

    // The user's direction stands.
    Make(kPlainStaff, {0});
    note = AddNote(72, 256);
    note->SetStemDirection(kUp, 1);
    Run();
    EXPECT_EQ(note->GetStemDirection(), kUp);
    EXPECT_EQ(note->IsStemHidden(), 0);

    // An element without a display ends the walk; those before it are done.
    Make(kPlainStaff, {0});
    DCctNote* before = AddNote(72, 256);
    {
        RegistryCell none(ET_NOTE, nullptr);
        auto* bare = new ECNote(MCTime(1.0f), MCTime(1.0f));
        bare->SetVoiceTrack(0, 1);
        score->Measure(1)->AddChild(bare, SORTED);
    }
    DCctNote* after = AddNote(72, 256, 0, nullptr, 2.0f);
    Run();
    EXPECT_EQ(before->GetStemDirection(), kDown);
    EXPECT_EQ(after->IsStemHidden(), 1);

    // No measure, or one without a display: nothing, and no crash.
    pass.DoMeasure(score->staff, nullptr);
    pass.CalculateStems(1, score->staff, nullptr, score->Measure(1));
}

}  // namespace
