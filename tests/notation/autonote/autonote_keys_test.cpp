// Keys added and removed by command: a key without accidentals shows the
// naturals of the key before it, the span's notes are respelled, and a
// removed key takes the next one with it when that one would repeat the key
// before.
#include "notation/autonote/autonote.h"

#include "model/conductor.h"
#include "model/editstates.h"
#include "model/measurecommands.h"
#include "model/mirror.h"
#include "model/markings.h"
#include "model/measure.h"
#include "model/staff.h"
#include "notation/display/key.h"
#include "tests/notation/autonote/batch_support.h"
#include "tests/notation/support/notation_fixture.h"
#include "tests/support/smf_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using autonote_test::BatchTest;

DCctKey* KeyDisplay(ECKey* key) {
    return dynamic_cast<DCctKey*>(key->GetData(DK_NOTATION, 0));
}

// The signs a key's display shows: "#" sharps, "b" flats, "n" naturals.
std::string Signs(ECKey* key) {
    DCctKey* display = KeyDisplay(key);
    if (!display)
        return "?";
    std::string signs;
    for (const DCctKey::Accidental& sign : display->GetAccidentals())
        signs += sign.glyph == DCctKey::GLYPH_NATURAL ? 'n' : sign.glyph == DCctKey::GLYPH_FLAT ? 'b' : '#';
    return signs;
}

class KeyHandlerTest : public BatchTest {
protected:
    ECKey* NewKey(short accidentals, float quarters) {
        auto* key = new ECKey(accidentals, 0);
        piece::Place(key, quarters, 0, 1);
        return key;
    }
};

// Keys at 0 (three sharps) and 8 (none: it cancels them). A key of two
// flats put between makes the key at 8 cancel the flats, and the mirror of
// the sharps in its measure goes; taking it out again makes the key at 8
// cancel the sharps.
TEST_F(KeyHandlerTest, AKeyWithoutAccidentalsCancelsTheKeyBeforeIt) {
    MakePiece(1, 3);
    ECKey* sharps = PutOn(1, NewKey(3, 0.0f), 0.0f);
    ECKey* cancelling = PutOn(1, NewKey(0, 8.0f), 8.0f);
    // The sharps shown again at the start of bar 2, as at a line's start.
    auto* mirror = new ECMirror;
    piece::Place(mirror, 4.0f, 0, 1);
    mirror->SetMirrorEvent(sharps, 1);
    PutOn(1, mirror, 4.0f);
    Attach();
    ECKey* flats = NewKey(-2, 4.0f);
    Run(new CCAdd(flats, Bar(1, 4.0f)));
    EXPECT_EQ(Signs(flats), "bb");
    EXPECT_EQ(Signs(cancelling), "nn");
    EXPECT_FALSE(Holds(Measure(1, 2), mirror));
    // The key's measure and the one before it (whose end may show the
    // coming key) are respelled, up to the next key.
    EXPECT_EQ(prepared.timeStart, MCTime(0.0f));
    EXPECT_EQ(prepared.timeEnd, MCTime(8.0f));
    EXPECT_EQ(prepared.pagenateRange, PAGENATE_FROM);
    EXPECT_TRUE(engine().GetDirtyRect().GetRedrawAll());

    Run(new CCRemove(flats));
    EXPECT_EQ(Signs(sharps), "###");
    EXPECT_EQ(Signs(cancelling), "nnn");
}

// Keys at 0 and 8 of two sharps, one flat at 4 between them: removing the
// flat key takes the repeated two sharps with it. While a tool replaces the
// key in place, the removal prepares nothing.
TEST_F(KeyHandlerTest, ARemovedKeyTakesTheRepeatAfterIt) {
    const struct {
        int replacing;
        bool repeatStays;
        int notateRange;
    } cases[] = {
        {0, false, NOTATE_EVENTS},
        {1, true, NOTATE_NONE},
    };
    MakePiece(1, 3);
    PutOn(1, NewKey(2, 0.0f), 0.0f);
    Attach();
    for (const auto& c : cases) {
        ECKey* between = PutOn(1, NewKey(-1, 4.0f), 4.0f);
        ECKey* repeat = PutOn(1, NewKey(2, 8.0f), 8.0f);
        repeat->Ref();
        engine().SetReplaceEvent(c.replacing);
        Run(new CCRemove(between));
        EXPECT_EQ(Holds(Measure(1, 3), repeat), c.repeatStays) << c.replacing;
        EXPECT_EQ(prepared.notateRange, c.notateRange) << c.replacing;
        if (c.repeatStays)
            Run(new CCRemove(repeat));
        repeat->Unref(1);
    }
}

// Keys of two sharps in bars 1 and 3 and of one flat in bar 2: removing bar
// 2 removes the flat key, and the key of bar 3, which now repeats the one
// of bar 1, goes with it.
TEST_F(KeyHandlerTest, ARemovedMeasureTakesItsKeyAndTheRepeatAfterIt) {
    MakePiece(1, 4);
    ECKey* opening = PutOn(1, NewKey(2, 0.0f), 0.0f);
    PutOn(1, NewKey(-1, 4.0f), 4.0f);
    ECKey* repeat = PutOn(1, NewKey(2, 8.0f), 8.0f);
    Attach();
    repeat->Ref();
    Run(new CCRemoveMeasure(1, 1));
    EXPECT_FALSE(Holds(Measure(1, 2), repeat));
    EXPECT_TRUE(Holds(Measure(1, 1), opening));
    repeat->Unref(1);
}

// A key edited in place: made a key without accidentals after three sharps
// it shows three naturals; given two sharps again it shows them, not
// naturals. Its measure and the one before are respelled up to the next key.
TEST_F(KeyHandlerTest, AKeyEditedInPlaceShowsWhatItIsNow) {
    MakePiece(1, 3);
    PutOn(1, NewKey(3, 0.0f), 0.0f);
    ECKey* edited = PutOn(1, NewKey(-2, 4.0f), 4.0f);
    PutOn(1, NewKey(1, 8.0f), 8.0f);
    Attach();
    const struct {
        short accidentals;
        const char* signs;
    } cases[] = {{0, "nnn"}, {2, "##"}};
    for (const auto& c : cases) {
        info().Reset();
        edited->SetAccidentals(c.accidentals);
        SCEventEdit edit(STATE_EVENTS_EDITED);
        edit.AddItem(edited, -1);
        engine().PrepareForEditKey(&edit, edited, Measure(1, 2));
        EXPECT_EQ(Signs(edited), c.signs) << c.accidentals;
        EXPECT_EQ(info().GetNotateRange(), NOTATE_EVENTS);
        EXPECT_EQ(info().GetTimeStart(), MCTime(0.0f));
        EXPECT_EQ(info().GetTimeEnd(), MCTime(8.0f));
        EXPECT_EQ(info().GetPagenateRange(), PAGENATE_FROM);
    }
}

// Three sharps, then bar 2 given a key without accidentals: the new key
// shows three naturals, and the F4 of bar 2 no longer needs one.
class KeyHandlerSpellingTest : public notation_test::NotationFixture {
protected:
    static constexpr int DIVISION = 256;

    void SetUp() override {
        smf_support::Track conductor;
        conductor.TimeSignature(0, 4, 2).End();
        smf_support::Track melody;
        melody.KeySignature(0, 3, 0);
        // A4 for a bar, then F4 for a bar.
        melody.NoteOn(0, 0, 69, 90).NoteOff(4 * DIVISION, 0, 69);
        melody.NoteOn(0, 0, 65, 90).NoteOff(4 * DIVISION, 0, 65);
        ASSERT_EQ(LoadMidi(smf_support::File(1, DIVISION).Add(conductor).Add(melody.End()).GetBytes()), 1);
    }
    // The dump's pitch of the note of bar 2.
    std::string PitchInBar2() {
        const std::string dump = Dump();
        const std::string head = "staff 1 bar 2 voice 0: note(";
        const size_t line = dump.find(head);
        if (line == std::string::npos)
            return dump;
        const size_t pitch = dump.find("pitch=", line) + 6;
        return dump.substr(pitch, dump.find(' ', pitch) - pitch);
    }
};

TEST_F(KeyHandlerSpellingTest, AKeyWithoutAccidentalsAfterThreeSharps) {
    ASSERT_EQ(PitchInBar2(), "F4!");
    auto* key = new ECKey(0, 0);
    const MCTime bar2(4.0f);
    key->SetTime(&bar2);
    key->SetVoiceTrack(0, 1);
    RunBatch({new CCAdd(key, Conductor()->GetMeasure(1, 2))});
    EXPECT_EQ(Signs(key), "nnn");
    EXPECT_EQ(PitchInBar2(), "F4");
}

}  // namespace
