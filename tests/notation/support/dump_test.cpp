// The notation dump on hand-built measures: fields print `?` until the pass
// that clears their dirty kind ran on both the element and its measure, and
// every element of the grammar (DUMP.md) prints once it is there.
#include "tests/notation/support/dump.h"

#include "model/eventtypes.h"
#include "model/groupmarks.h"
#include "model/measure.h"
#include "model/modifiers.h"
#include "model/notes.h"
#include "notation/display/chord.h"
#include "notation/display/measure.h"
#include "notation/display/note.h"
#include "notation/display/records.h"
#include "tests/model/piece_support.h"
#include "tests/notation/display/structure_support.h"
#include "tests/notation/support/durationgate.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr int TICKS_PER_QUARTER = 256;
constexpr int F_SHARP_4 = 66;
constexpr signed char SHARP = 1;
constexpr int STEM_DOWN = 1;

// The kinds of the notation passes (the layout kinds are not the dump's).
constexpr int kNotationKinds[] = {
    DCctBase::DIRTY_TIME,     DCctBase::DIRTY_CHORD,      DCctBase::DIRTY_STEM, DCctBase::DIRTY_BEAM,
    DCctBase::DIRTY_VALUE,    DCctBase::DIRTY_SPELLING,   DCctBase::DIRTY_MULTIVOICE, DCctBase::DIRTY_REST,
};

void MarkNotated(DCctBase* display) {
    for (int kind : kNotationKinds)
        display->SetDirtyKind(kind, 0);
}

class DumpTest : public piece::PieceTest {
protected:
    void SetUp() override {
        PieceTest::SetUp();
        notation_test::StartPlugin();
        MakeStaves(1);
        MakeMeasures(2);
        bar = m_conductor->GetMeasure(1, MCTime(4.0f), 0, 1);   // bar 2
        ASSERT_NE(bar, nullptr);
        barDisplay = dynamic_cast<DCctMeasure*>(bar->GetData(DK_NOTATION, 1));
        ASSERT_NE(barDisplay, nullptr);
    }

    // `event` at `ticks` after the bar's start, in a voice, under `parent`.
    template <class Event>
    Event* Put(ECBase* parent, Event* event, int ticks, int voice = 0) {
        MCTime time = *bar->GetTime();
        time.AddTicks(ticks, TICKS_PER_QUARTER);
        event->SetTime(&time);
        event->GetVoiceTrack()->SetVoice(voice);
        parent->AddChild(event, SORTED);
        return event;
    }
    // A note whose display says: F#4 with its sharp shown, a dotted eighth
    // (one dot child), stem down, every notation pass run on it.
    ECNote* NotatedNote(ECBase* parent, int ticks, int voice = 0) {
        ECNote* note = Put(parent, new ECNote, ticks, voice);
        auto* display = dynamic_cast<DCctNote*>(note->GetData(DK_NOTATION, 1));
        EXPECT_NE(display, nullptr);
        display->SetValue(TICKS_PER_QUARTER / 2, 0);
        note->AddChild(new ECDot(1), SORTED);
        display->GetSpelling().SetPitch(F_SHARP_4, SHARP, 1);
        display->SetStemDirection(STEM_DOWN, 0);
        MarkNotated(display);
        return note;
    }
    std::string Dump() { return notation_dump::DumpMeasure(bar, 1, 2); }

    ECMeasure* bar = nullptr;
    DCctMeasure* barDisplay = nullptr;
};

const char kNotatedNote[] = "note(at=0 key=? pitch=F#4! value=1/8. tie=- stem=down flag=yes beam=-)";

TEST_F(DumpTest, EmptyMeasureIsOneLine) {
    EXPECT_EQ(Dump(), "staff 1 bar 2: empty\n");
}

TEST_F(DumpTest, FieldsOfPassesNotRunPrintUnknown) {
    // The measure, as made, carries every kind: no pass has run on it.
    Put(bar, new ECNote, 0);   // no display object
    ECNote* fresh = Put(bar, new ECNote, 256);
    ASSERT_NE(fresh->GetData(DK_NOTATION, 1), nullptr);   // every kind dirty
    Put(bar, new ECNote, -16);   // moved in from the bar before
    EXPECT_EQ(Dump(),
              "staff 1 bar 2 voice 0:"
              " note(at=-16 key=? pitch=? value=? tie=? stem=? flag=? beam=?)"
              " note(at=0 key=? pitch=? value=? tie=? stem=? flag=? beam=?)"
              " note(at=256 key=? pitch=? value=? tie=? stem=? flag=? beam=?)\n");
}

// One kind still dirty where its pass reads it hides exactly the fields that
// pass decides: on the note for note values, on the measure for the others.
TEST_F(DumpTest, EachDirtyKindHidesItsFields) {
    const struct {
        int kind;
        const char* expected;
        bool gatedByMeasure;
    } cases[] = {
        {DCctBase::DIRTY_SPELLING, "note(at=0 key=? pitch=? value=1/8. tie=- stem=down flag=yes beam=-)", true},
        {DCctBase::DIRTY_VALUE, "note(at=0 key=? pitch=F#4! value=? tie=? stem=down flag=? beam=-)", false},
        {DCctBase::DIRTY_STEM, "note(at=0 key=? pitch=F#4! value=1/8. tie=- stem=? flag=yes beam=-)", true},
        {DCctBase::DIRTY_BEAM, "note(at=0 key=? pitch=F#4! value=1/8. tie=- stem=down flag=? beam=?)", true},
        {DCctBase::DIRTY_TIME, kNotatedNote, false},
    };
    ECNote* note = NotatedNote(bar, 0);
    auto* display = dynamic_cast<DCctBase*>(note->GetData(DK_NOTATION, 0));
    for (const auto& c : cases) {
        for (DCctBase* holder : {display, static_cast<DCctBase*>(barDisplay)}) {
            MarkNotated(display);
            MarkNotated(barDisplay);
            holder->SetDirtyKind(c.kind, 1);
            const bool hidden = (holder == barDisplay) == c.gatedByMeasure;
            EXPECT_EQ(Dump(), std::string("staff 1 bar 2 voice 0: ") + (hidden ? c.expected : kNotatedNote) + "\n")
                << "kind " << c.kind << (holder == display ? " on the note" : " on the measure");
        }
    }
}

TEST_F(DumpTest, SpellingsAndValues) {
    MarkNotated(barDisplay);
    const struct {
        int key;
        signed char preference;
        int shown;
        int courtesy;
        int ticks;
        const char* expected;
    } cases[] = {
        {60, 0, 0, 0, 1024, "pitch=C4 value=1/1"},
        {60, 0, 1, 0, 2048, "pitch=C4! value=2/1"},
        {61, -1, 1, 0, 512, "pitch=Db4! value=1/2"},
        {62, -2, 0, 0, 64, "pitch=Ebb4 value=1/16"},
        {67, 2, 0, 1, 8, "pitch=Fx4(!) value=1/128"},
        {21, 0, 0, 0, 0, "pitch=A0 value=none"},
    };
    for (const auto& c : cases) {
        ECNote* note = Put(bar, new ECNote, 0);
        auto* display = dynamic_cast<DCctNote*>(note->GetData(DK_NOTATION, 1));
        ASSERT_NE(display, nullptr);
        display->SetValue(static_cast<WORD>(c.ticks), 0);
        display->GetSpelling().SetPitch(static_cast<uint8_t>(c.key), c.preference, c.shown);
        display->SetCourtesyAccidental(c.courtesy, 0);
        MarkNotated(display);
        const std::string dump = Dump();
        EXPECT_NE(dump.find(c.expected), std::string::npos) << c.expected << "\n" << dump;
        bar->RemoveChild(note, 1);
    }
}

// A pitch not spelled yet (key 0 or its dirty bit) is unknown even when the
// element's kinds are clean.
TEST_F(DumpTest, UnspelledPitchIsUnknown) {
    MarkNotated(barDisplay);
    ECNote* note = NotatedNote(bar, 0);
    auto* display = dynamic_cast<DCctNote*>(note->GetData(DK_NOTATION, 0));
    display->GetSpelling().SetDirty(1);
    EXPECT_NE(Dump().find("pitch=?"), std::string::npos);
    MCPitch unspelled;   // key 0
    unspelled.SetDirty(0);
    display->SetPitch(unspelled);
    EXPECT_NE(Dump().find("pitch=?"), std::string::npos);
}

TEST_F(DumpTest, VoicesTiesBeamsChordsTupletsAndRests) {
    // Chords and rests stand in with the duration base of their displays.
    ScopedDisplayClass chords(ET_CHORD, RUNTIME_CLASS(DCctNotate));
    ScopedDisplayClass rests(ET_REST, RUNTIME_CLASS(DCctNotate));
    MarkNotated(barDisplay);

    // Voice 1: two tied, beamed notes, then a triplet of a rest and a chord.
    ECNote* first = NotatedNote(bar, 0, 1);
    ECNote* second = NotatedNote(bar, 128, 1);
    auto* tie = Put(bar, new ECTie, 0, 1);
    tie->AddChild(first, SORTED);
    tie->AddChild(second, SORTED);
    auto* beam = Put(bar, new ECBeam, 0, 1);
    beam->AddChild(first, SORTED);
    beam->AddChild(second, SORTED);

    auto* rest = Put(bar, new ECRest, 512, 1);
    auto* restDisplay = dynamic_cast<DCctNotate*>(rest->GetData(DK_NOTATION, 1));
    ASSERT_NE(restDisplay, nullptr);
    restDisplay->SetValue(TICKS_PER_QUARTER, 0);
    MarkNotated(restDisplay);
    auto* chord = Put(bar, new ECChord, 768, 1);
    auto* chordDisplay = dynamic_cast<DCctNotate*>(chord->GetData(DK_NOTATION, 1));
    ASSERT_NE(chordDisplay, nullptr);
    chordDisplay->SetValue(TICKS_PER_QUARTER * 2, 0);
    chordDisplay->SetStemDirection(0, 0);
    MarkNotated(chordDisplay);
    NotatedNote(chord, 768, 1);
    NotatedNote(chord, 768, 1);
    auto* tuplet = new ECTuplet(3, 2, 2);   // of quarters
    Put(bar, tuplet, 512, 1);
    auto* tupletDisplay = dynamic_cast<DCctBase*>(tuplet->GetData(DK_NOTATION, 1));
    ASSERT_NE(tupletDisplay, nullptr);
    MarkNotated(tupletDisplay);
    tuplet->AddChild(rest, SORTED);
    tuplet->AddChild(chord, SORTED);

    // Voice 0, after voice 1 in child order, still on the first line.
    Put(bar, new ECRest, 0, 0);

    EXPECT_EQ(Dump(),
              "staff 1 bar 2 voice 0: rest(at=0 value=? beam=?)\n"
              "staff 1 bar 2 voice 1:"
              " note(at=0 key=? pitch=F#4! value=1/8. tie=~ stem=down flag=yes beam=1)"
              " note(at=128 key=? pitch=F#4! value=1/8. tie=- stem=down flag=yes beam=1)"
              " tuplet(3:2 unit=1/4 ["
              "rest(at=512 value=1/4 beam=-)"
              " chord(at=768 value=1/2 stem=up flag=no beam=- ["
              "note(at=768 key=? pitch=F#4! value=1/8. tie=- stem=down flag=yes beam=-)"
              " note(at=768 key=? pitch=F#4! value=1/8. tie=- stem=down flag=yes beam=-)])]"
              ")\n");

    // The tuplet's ratio is the time correction pass's.
    tupletDisplay->SetDirtyKind(DCctBase::DIRTY_TIME, 1);
    EXPECT_NE(Dump().find("tuplet(? unit=? [rest"), std::string::npos) << Dump();
}

// A chord's display holds no value or stem of its own: it prints its first
// note's value with that note's dots, and the stem its anchor note shows.
TEST_F(DumpTest, AChordPrintsItsFirstNotesValueAndItsAnchorsStem) {
    ScopedDisplayClass chords(ET_CHORD, RUNTIME_CLASS(DCctChord));
    MarkNotated(barDisplay);
    auto* chord = Put(bar, new ECChord, 0);
    auto* chordDisplay = dynamic_cast<DCctChord*>(chord->GetData(DK_NOTATION, 1));
    ASSERT_NE(chordDisplay, nullptr);
    MarkNotated(chordDisplay);
    ECNote* lower = NotatedNote(chord, 0);
    ECNote* upper = NotatedNote(chord, 0);
    chordDisplay->SetStemDirection(0, 0);
    EXPECT_NE(Dump().find("chord(at=0 value=1/8. stem=up flag=yes beam=- ["), std::string::npos) << Dump();

    // Whole notes: no stem to show.
    for (ECNote* note : {lower, upper})
        dynamic_cast<DCctNote*>(note->GetData(DK_NOTATION, 0))->SetValue(4 * TICKS_PER_QUARTER, 0);
    EXPECT_NE(Dump().find("chord(at=0 value=1/1. stem=none"), std::string::npos) << Dump();
}

}  // namespace
