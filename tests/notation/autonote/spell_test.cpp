// Spelling: written pitches from MIDI keys, the key signature and the notes
// before and beside; accidentals shown once per letter and octave; the
// user's accidentals move keys, are kept or hidden, never lost.
// Spellings read as letter, accidental (# b x bb, none for natural) and the
// octave field (key 60 is C5).
#include "notation/autonote/spell.h"

#include "model/conductor.h"
#include "model/groupmarks.h"
#include "model/markings.h"
#include "model/modifiers.h"
#include "model/performance.h"
#include "model/staff.h"
#include "notation/display/accidental.h"
#include "notation/display/chord.h"
#include "notation/display/key.h"
#include "notation/display/note.h"
#include "tests/interface/document/doc_support.h"
#include "tests/notation/autonote/autonote_support.h"
#include "tests/notation/autonote/played_support.h"
#include "tests/notation/display/document_support.h"

#include <gtest/gtest.h>

#include <thread>

#include <memory>
#include <string>
#include <vector>

namespace {

using played_test::PlayedTest;

constexpr unsigned char NORMAL_STAFF = 0;
constexpr unsigned char GRAND_STAFF = 1;
constexpr unsigned char DRUM_STAFF = 3;
constexpr unsigned char UPPER = 0;
constexpr unsigned char LOWER = 1;
constexpr int QUARTER = 256;
constexpr int HORIZONTAL = 0;
constexpr int VERTICAL = 1;

std::string Name(const MCPitch& pitch) {
    static const char* const kLetters = "CDEFGAB";
    static const char* const kSigns[] = {"bb", "b", "", "#", "x"};
    return std::string(1, kLetters[pitch.GetDegree()]) + kSigns[pitch.GetAccidental() + 2] +
           std::to_string(pitch.GetOctave());
}

// A pitch spelled on purpose: `key` with the accidental `alteration`.
MCPitch Spelled(int key, int alteration) {
    MCPitch pitch;
    pitch.SetPitch(static_cast<uint8_t>(key), static_cast<signed char>(alteration), 1);
    return pitch;
}

// What the cases read of a note: its written pitch, its sign, the keys its
// performer plays.
MCPitch& PitchOf(ECBase* note) { return dynamic_cast<DCctNote*>(note->GetData(DK_NOTATION, 0))->GetSpelling(); }
std::string NameOf(ECBase* note) { return Name(PitchOf(note)); }
// The accidental child as a sign ("" none, "n" natural), "-" when hidden.
std::string SignOf(ECBase* note) {
    MCEventList* children = note->GetChildren();
    const POSITION pos = children ? children->FindEvent(ET_ACCIDENTAL) : nullptr;
    if (!pos)
        return "";
    auto* accidental = static_cast<ECAccidental*>(children->GetAt(pos));
    static const char* const kSigns[] = {"#", "b", "x", "bb", "n"};
    const unsigned char kind = accidental->GetAccidentalType();
    std::string sign = kind < 10 ? kSigns[kind % 5] : "?";
    if (kind >= 5 && kind < 10)
        sign += "'";   // second form
    auto* display = dynamic_cast<DCctBase*>(accidental->GetData(DK_NOTATION, 0));
    return display && display->IsHidden() ? "-" + sign : sign;
}
int KeyOf(ECBase* note) {
    auto* performer = dynamic_cast<DCsqNote*>(note->GetData(DK_SEQUENCER, 0));
    return performer ? performer->GetNoteOnData().GetDataByte1() : -1;
}
int OffKeyOf(ECBase* note) {
    auto* performer = dynamic_cast<DCsqNote*>(note->GetData(DK_SEQUENCER, 0));
    return performer ? performer->GetNoteOffData().GetDataByte1() : -1;
}

// A note that records, at each change of its children, whether another
// thread could take the performance's lock.
class ProbeNote : public ECNote {
public:
    using ECNote::ECNote;
    int AddChild(ECBase* child, int sorted) override {
        Probe();
        return ECNote::AddChild(child, sorted);
    }
    int RemoveChild(ECBase* child, int deep) override {
        Probe();
        return ECNote::RemoveChild(child, deep);
    }
    void Probe() {
        if (!performance)
            return;
        bool free = false;
        std::thread other([&] {
            free = performance->GetLock().try_lock();
            if (free)
                performance->GetLock().unlock();
        });
        other.join();
        changedWhileFree.push_back(free);
    }
    ECPerformance* performance = nullptr;
    std::vector<bool> changedWhileFree;
};

class SpellTest : public PlayedTest {
protected:
    void SetUp() override {
        PlayedTest::SetUp();
        MakeStaves(1);
        MakeMeasures(2);
        m_pass.Attach(m_performance);
        m_pass.SetTimeRange(MCTime::TimeZero(), MCTime::TimeMax());
    }

    // A new piece for the next case of a table.
    void Fresh() {
        TearDown();
        SetUp();
    }

    ECKey* PutKey(int sharps, int minor = 0, unsigned char hand = UPPER) {
        auto* key = new ECKey(static_cast<short>(sharps), static_cast<unsigned char>(minor));
        key->SetHand(hand);
        key->SetTime(Bar(1, 1)->GetTime());
        Bar(1, 1)->AddChild(key, SORTED);
        if (auto* display = dynamic_cast<DCctKey*>(key->GetData(DK_NOTATION, 1)))
            display->SetKey(sharps, minor);
        return key;
    }

    // Notes of one voice a quarter apart from the bar's start.
    std::vector<ECNote*> PutLine(const std::vector<int>& keys, int bar = 1, int voice = 0) {
        std::vector<ECNote*> notes;
        for (size_t i = 0; i < keys.size(); ++i)
            notes.push_back(Put(Bar(1, bar), Bar(1, bar), keys[i], static_cast<int>(i) * QUARTER, voice));
        return notes;
    }

    // A quarter whose performer holds the key in its note-off message too.
    ECNote* Put(ECBase* parent, ECMeasure* bar, int key, int start, int voice = 0) {
        ECNote* note = PutNote(parent, bar, key, start, QUARTER, voice);
        if (auto* performer = dynamic_cast<DCsqNote*>(note->GetData(DK_SEQUENCER, 0)))
            performer->GetNoteOffData().SetDataByte1(static_cast<unsigned char>(key));
        return note;
    }

    ECChord* PutChord(const std::vector<int>& keys, int start = 0, int bar = 1) {
        auto* chord = new ECChord;
        MCTime time = *Bar(1, bar)->GetTime();
        time += MCTime(static_cast<float>(start) / 256.0f);
        chord->SetTime(&time);
        chord->SetVoiceTrack(0, Bar(1, bar)->GetVoiceTrack()->GetTrack());
        Bar(1, bar)->AddChild(chord, SORTED);
        for (int key : keys)
            Put(chord, Bar(1, bar), key, start);
        chord->GetData(DK_NOTATION, 1);
        return chord;
    }

    ECAccidental* PutAccidental(ECNote* note, unsigned char kind, int dirty) {
        auto* accidental = new ECAccidental(kind);
        note->AddChild(accidental, SORTED);
        if (auto* display = accidental->GetData(DK_NOTATION, 1))
            display->SetDirty(dirty);
        return accidental;
    }

    void Run(int bar = 1, std::vector<BYTE> voices = {0}) {
        auto* display = dynamic_cast<DCctMeasure*>(Bar(1, bar)->GetData(DK_NOTATION, 1));
        ASSERT_NE(display, nullptr);
        display->GetVoiceTable() = voices;
        display->SetSpellingDirty(1);
        m_pass.DoMeasure(Staff(1), Bar(1, bar));
        EXPECT_FALSE(display->SpellingDirty());
    }

    ANSpell m_pass;
    played_test::PerformerClass m_performers{RUNTIME_CLASS(DCsqNote)};
};

TEST_F(SpellTest, OneVoiceInAKeyIsSpelledAndShowsEachAccidentalOnce) {
    const struct Case {
        const char* name;
        int sharps;
        std::vector<int> keys;
        std::vector<std::string> names;
        std::vector<std::string> signs;
    } cases[] = {
        {"first note off the scale: from the minor", 0, {63}, {"Eb5"}, {"b"}},
        {"first note in neither: a third chain meets G", 0, {66}, {"Gb5"}, {"b"}},
        {"rising chromatic step: same letter", 0, {60, 61}, {"C5", "C#5"}, {"", "#"}},
        {"falling semitone: minor second", 0, {62, 61}, {"D5", "C#5"}, {"", "#"}},
        {"diminished third corrected", 0, {60, 61, 63}, {"C5", "C#5", "D#5"}, {"", "#", "#"}},
        {"tritone up: augmented fourth", 0, {60, 66}, {"C5", "F#5"}, {"", "#"}},
        {"tritone down: augmented fourth", 0, {60, 54}, {"C5", "Gb4"}, {"", "b"}},
        {"accidental once, then cancelled", 0, {64, 66, 66, 65}, {"E5", "F#5", "F#5", "F5"}, {"", "#", "", "n"}},
        {"each octave its own accidental", 0, {64, 66, 78}, {"E5", "F#5", "F#6"}, {"", "#", "#"}},
        {"G major: the key's sharp", 1, {66}, {"F#5"}, {""}},
        {"G major: F natural shown", 1, {65}, {"F5"}, {"n"}},
        {"B flat major: E flat, then E natural", -2, {63, 64}, {"Eb5", "E5"}, {"", "n"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fresh();
        if (c.sharps != 0)
            PutKey(c.sharps);
        std::vector<ECNote*> notes = PutLine(c.keys);
        Run();
        for (size_t i = 0; i < notes.size(); ++i) {
            EXPECT_EQ(NameOf(notes[i]), c.names[i]) << i;
            EXPECT_EQ(SignOf(notes[i]), c.signs[i]) << i;
        }
    }
}

TEST_F(SpellTest, LikelyIntervalsFromAReference) {
    const struct Case {
        int reference, key, vertical;
        const char* expected;
    } cases[] = {
        {60, 60, HORIZONTAL, "C5"},   {60, 60, VERTICAL, "Dbb5"}, {64, 64, VERTICAL, "Fb5"},
        {60, 61, HORIZONTAL, "C#5"},  {60, 61, VERTICAL, "Db5"},  {62, 61, HORIZONTAL, "C#5"},
        {60, 66, HORIZONTAL, "F#5"},  {60, 54, HORIZONTAL, "Gb4"}, {60, 68, HORIZONTAL, "G#5"},
        {60, 52, HORIZONTAL, "E4"},   {60, 70, HORIZONTAL, "A#5"}, {60, 50, HORIZONTAL, "D4"},
        {60, 72, HORIZONTAL, "C6"},   {60, 73, HORIZONTAL, "C#6"}, {60, 47, HORIZONTAL, "B3"},
    };
    for (const Case& c : cases) {
        MCPitch reference(static_cast<uint8_t>(c.reference), 0);
        EXPECT_EQ(Name(ANSpell::SetLikelyPitch(reference, static_cast<uint8_t>(c.key), c.vertical)), c.expected)
            << c.reference << " -> " << c.key << " vertical " << c.vertical;
    }
}

TEST_F(SpellTest, OnlyUnexpectedIntervalsAreCorrected) {
    const struct Case {
        int refKey, refAlt, key, alt, vertical;
        const char* expected;
    } cases[] = {
        {61, 1, 63, -1, HORIZONTAL, "D#5"},   // diminished third
        {60, 0, 66, -1, HORIZONTAL, "Gb5"},   // a diminished fifth once spelled is kept
        {60, 0, 61, 1, HORIZONTAL, "C#5"},    // augmented unison kept
        {60, 0, 67, 0, HORIZONTAL, "G5"},     // perfect fifth kept
        {60, 0, 68, 1, HORIZONTAL, "G#5"},    // augmented fifth kept
        {60, 0, 70, 1, HORIZONTAL, "A#5"},    // augmented sixth kept
        {64, 0, 64, 0, VERTICAL, "Fb5"},      // a vertical unison is always respelled
        {64, 0, 64, 0, HORIZONTAL, "E5"},
        {60, 0, 65, 1, HORIZONTAL, "F5"},     // augmented third: a fourth
    };
    for (const Case& c : cases) {
        MCPitch reference = Spelled(c.refKey, c.refAlt);
        MCPitch pitch = Spelled(c.key, c.alt);
        ANSpell::CorrectBadInterval(reference, pitch, c.vertical);
        EXPECT_EQ(Name(pitch), c.expected) << Name(reference) << " to " << Name(Spelled(c.key, c.alt));
    }
}

TEST_F(SpellTest, ScalesOfAKey) {
    const struct Case {
        int sharps, minor, cancel;
        std::vector<int> major, parallel;
        int tonic;
    } cases[] = {
        {0, 0, 0, {0, 2, 4, 5, 7, 9, 11}, {0, 2, 3, 5, 7, 8, 10}, 0},
        {1, 0, 0, {0, 2, 4, 6, 7, 9, 11}, {0, 2, 3, 5, 7, 9, 10}, 4},
        {-7, 0, 0, {-1, 1, 3, 4, 6, 8, 10}, {-1, 1, 2, 4, 6, 7, 9}, 0},
        {3, 0, 1, {0, 2, 4, 5, 7, 9, 11}, {0, 2, 3, 5, 7, 8, 10}, 5},   // cancelling: the seeds
    };
    for (const Case& c : cases) {
        DCctKey key;
        key.SetKey(c.sharps, c.minor);
        key.SetCancelPreviousKey(c.cancel);
        ANSpell::IntervalVector major;
        ANSpell::IntervalVector minor;
        int tonic = -1;
        ANSpell::CreateIntervalVector(major, &key, tonic);
        EXPECT_EQ(tonic, c.tonic) << c.sharps;
        ANSpell::CreateMinorIntervalVector(minor, &key, tonic);
        EXPECT_EQ(std::vector<int>(major, major + 7), c.major) << c.sharps;
        EXPECT_EQ(std::vector<int>(minor, minor + 7), c.parallel) << c.sharps;
    }
    // C flat's -1 is found as B's pitch class, a flat on C.
    const ANSpell::IntervalVector cFlat = {-1, 1, 3, 4, 6, 8, 10};
    int alteration = 9;
    EXPECT_TRUE(ANSpell::IsMidiPitchInIntervalVector(cFlat, 71, alteration));
    EXPECT_EQ(alteration, -1);
    alteration = 9;
    EXPECT_FALSE(ANSpell::IsMidiPitchInIntervalVector(cFlat, 60, alteration));
    EXPECT_EQ(alteration, 9);
}

TEST_F(SpellTest, TheChainOfThirdsAndItsExceptions) {
    const ANSpell::IntervalVector cMajor = {0, 2, 4, 5, 7, 9, 11};
    const struct Case {
        int key, tonic, expected;
    } cases[] = {
        {66, 0, -1},   // from C: E, then G a semitone above
        {61, 0, -1},   // from C: D flat (the seventh, then the ninth)
        {65, 5, 0},    // from A: E meets F, its own letter
        {64, 6, 0},    // from B: F meets E below it, its own letter
        {70, 0, -1},   // from C: B flat
    };
    for (const Case& c : cases) {
        int alteration = 0;
        ANSpell::GetAlteredPitchFromExtension(cMajor, c.key, c.tonic, alteration);
        EXPECT_EQ(alteration, c.expected) << c.key << " from " << c.tonic;
    }
}

TEST_F(SpellTest, ChordNotesAreSpelledAgainstTheNoteBelow) {
    ECChord* same = PutChord({64, 64});
    ECChord* triad = PutChord({60, 64, 67}, QUARTER);
    Run();
    std::vector<std::string> names;
    for (ECChord* chord : {same, triad}) {
        MCEventList* children = chord->GetChildren();
        for (POSITION pos = children->GetHeadPosition(); pos;) {
            ECBase* note = children->GetNext(pos);
            names.push_back(NameOf(note) + SignOf(note));
        }
    }
    EXPECT_EQ(names, (std::vector<std::string>{"E5", "Fb5b", "C5", "E5", "G5"}));
}

TEST_F(SpellTest, ATiedContinuationCopiesItsHeadAndShowsNothing) {
    std::vector<ECNote*> first = PutLine({60, 62, 64, 66});
    // The last quarter is tied into the next bar's first quarter, unplayed.
    ECNote* head = first.back();
    ECNote* continuation = PutNote(Bar(1, 2), played_test::UNPLAYED, 0, QUARTER);
    autonote_test::TieNotes(Staff(1), head, continuation);
    ECNote* natural = PutNote(Bar(1, 2), 65, QUARTER, QUARTER);
    Run(1);
    Run(2);
    EXPECT_EQ(NameOf(head) + SignOf(head), "F#5#");
    EXPECT_EQ(NameOf(continuation) + SignOf(continuation), "F#5");
    EXPECT_FALSE(Notate(continuation)->SpellingDirty());
    // The tie carried the sharp into the bar: the next F needs its natural.
    EXPECT_EQ(NameOf(natural) + SignOf(natural), "F5n");
}

TEST_F(SpellTest, AUserAccidentalMovesTheKeyUnlessTheSpellingAlreadyHasIt) {
    const struct Case {
        const char* name;
        int key;
        int spelledAlteration;   // 9: not yet spelled (dirty)
        unsigned char kind;
        int keyAfter;
        const char* spelling;
    } cases[] = {
        {"flat on E", 64, 9, ANSpell::ACC_FLAT, 63, "Eb5b"},
        {"flat on a spelled E", 64, 0, ANSpell::ACC_FLAT, 63, "Eb5b"},
        {"sharp on F", 65, 9, ANSpell::ACC_SHARP, 66, "F#5#"},
        {"second-form flat on E", 64, 9, ANSpell::ACC_FLAT + ANSpell::SECOND_FORM, 63, "Eb5b'"},
        {"E sharp reloaded", 65, 1, ANSpell::ACC_SHARP, 65, "E#5#"},
        {"B sharp reloaded", 72, 1, ANSpell::ACC_SHARP, 72, "B#5#"},
        {"C flat reloaded", 59, -1, ANSpell::ACC_FLAT, 59, "Cb5b"},
        {"F flat reloaded", 64, -1, ANSpell::ACC_FLAT, 64, "Fb5b"},
        {"F double sharp reloaded", 67, 2, ANSpell::ACC_DOUBLE_SHARP, 67, "Fx5x"},
        {"natural on D: nothing to move, and not needed", 62, 9, ANSpell::ACC_NATURAL, 62, "D5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fresh();
        ECNote* note = PutLine({c.key})[0];
        if (c.spelledAlteration != 9)
            PitchOf(note) = Spelled(c.key, c.spelledAlteration);
        PutAccidental(note, c.kind, 1);
        Run();
        EXPECT_EQ(KeyOf(note), c.keyAfter);
        EXPECT_EQ(OffKeyOf(note), c.keyAfter);
        EXPECT_EQ(NameOf(note) + SignOf(note), c.spelling);
        // The sign is settled: the next run leaves the key where it is.
        Run();
        EXPECT_EQ(KeyOf(note), c.keyAfter);
    }
}

TEST_F(SpellTest, AnAccidentalNotNeededIsRemovedHiddenOrKept) {
    const struct Case {
        const char* name;
        unsigned char kind;
        int user;
        const char* sign;
        bool stays;
    } cases[] = {
        {"placed by the pass: removed", ANSpell::ACC_SHARP, 0, "", false},
        {"placed by the user: hidden", ANSpell::ACC_SHARP, 1, "-#", true},
        {"second form: kept", ANSpell::ACC_SHARP + ANSpell::SECOND_FORM, 0, "#'", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fresh();
        std::vector<ECNote*> notes = PutLine({64, 66, 66});
        // The repeated F sharp was spelled before and carries a settled sign.
        PitchOf(notes[2]) = Spelled(66, 1);
        PutAccidental(notes[2], c.kind, 0);
        dynamic_cast<DCctNote*>(Notate(notes[2]))->SetUserSpelled(c.user);
        Run();
        EXPECT_EQ(SignOf(notes[1]), "#");
        EXPECT_EQ(SignOf(notes[2]), c.sign);
        EXPECT_EQ(notes[2]->GetChildren()->FindEvent(ET_ACCIDENTAL) != nullptr, c.stays);
    }
}

TEST_F(SpellTest, AWrongSignIsChangedNotDoubled) {
    std::vector<ECNote*> notes = PutLine({60, 61});
    PitchOf(notes[1]) = Spelled(61, 1);
    PutAccidental(notes[1], ANSpell::ACC_FLAT, 0);
    Run();
    EXPECT_EQ(SignOf(notes[1]), "#");
    int signs = 0;
    MCEventList* children = notes[1]->GetChildren();
    for (POSITION pos = children->GetHeadPosition(); pos;)
        signs += children->GetNext(pos)->GetClassType() == ET_ACCIDENTAL ? 1 : 0;
    EXPECT_EQ(signs, 1);
}

TEST_F(SpellTest, EachStaffHalfReadsItsOwnKey) {
    Staff(1)->SetStaffType(GRAND_STAFF);
    PutKey(1, 0, UPPER);
    PutKey(0, 0, LOWER);
    ECNote* upper = PutNote(Bar(1, 1), 66, 0, QUARTER, 0);
    ECNote* lower = PutNote(Bar(1, 1), 54, 0, QUARTER, 4);
    Run(1, {0, 4});
    EXPECT_EQ(NameOf(upper) + SignOf(upper), "F#5");
    EXPECT_EQ(NameOf(lower) + SignOf(lower), "Gb4b");
}

TEST_F(SpellTest, ACleanMeasureAndNotesOutsideTheWindowKeepTheirSpelling) {
    ECNote* note = PutLine({66})[0];
    PitchOf(note) = Spelled(66, 1);
    auto* display = dynamic_cast<DCctMeasure*>(Bar(1, 1)->GetData(DK_NOTATION, 1));
    display->GetVoiceTable() = {0};
    display->SetSpellingDirty(0);
    m_pass.DoMeasure(Staff(1), Bar(1, 1));
    EXPECT_EQ(NameOf(note) + SignOf(note), "F#5");

    MCTime later = *Bar(1, 2)->GetTime();
    m_pass.SetTimeRange(later, MCTime::TimeMax());
    Run();
    EXPECT_EQ(NameOf(note) + SignOf(note), "F#5");
}

TEST_F(SpellTest, DrumNotesArePlacedByThePercussionMap) {
    Staff(1)->SetStaffType(DRUM_STAFF);
    constexpr int kSnare = 38;
    constexpr int kClosedHat = 42;
    std::vector<ECNote*> notes = PutLine({kSnare, kClosedHat});
    Run();
    for (ECNote* note : notes) {
        MCPitch expected(static_cast<uint8_t>(KeyOf(note)), 0);
        expected.SetPercussion(1);
        MCPitch& pitch = PitchOf(note);
        EXPECT_TRUE(pitch.IsPercussion());
        EXPECT_EQ(pitch.GetStaffDegree(), expected.GetStaffDegree());
        EXPECT_EQ(dynamic_cast<DCctNote*>(Notate(note))->GetNoteheadStyle(), expected.GetNoteheadFromPercussionPitch());
        EXPECT_EQ(SignOf(note), "");
    }
}

TEST_F(SpellTest, TupletNotesFollowTheMeasureNotesInTime) {
    PutLine({60});
    constexpr unsigned char kEighthUnit = 3;
    auto* tuplet = new ECTuplet(3, 2, kEighthUnit);
    MCTime time = *Bar(1, 1)->GetTime();
    time += MCTime(1.0f);
    tuplet->SetTime(&time);
    tuplet->SetVoiceTrack(0, Bar(1, 1)->GetVoiceTrack()->GetTrack());
    Bar(1, 1)->AddChild(tuplet, SORTED);
    tuplet->GetData(DK_NOTATION, 1);
    ECNote* inside = Put(tuplet, Bar(1, 1), 61, QUARTER);
    ECNote* after = Put(Bar(1, 1), Bar(1, 1), 61, 2 * QUARTER);
    Run();
    // Against the C before it: a chromatic step up; the next one repeats it.
    EXPECT_EQ(NameOf(inside) + SignOf(inside), "C#5#");
    EXPECT_EQ(NameOf(after) + SignOf(after), "C#5");
}

TEST_F(SpellTest, AccidentalsAreAddedAndRemovedUnderTheLock) {
    std::vector<ECNote*> notes = PutLine({64, 66});
    MCTime third = *Bar(1, 1)->GetTime();
    third += MCTime(2.0f);
    MCTime fourth = third;
    fourth += MCTime(1.0f);
    auto* probe = new ProbeNote(third, MCTime(1.0f));
    probe->SetVoiceTrack(0, Bar(1, 1)->GetVoiceTrack()->GetTrack());
    Bar(1, 1)->AddChild(probe, SORTED);
    Play(probe, 66);
    probe->GetData(DK_NOTATION, 1);
    auto* late = new ProbeNote(fourth, MCTime(1.0f));
    late->SetVoiceTrack(0, Bar(1, 1)->GetVoiceTrack()->GetTrack());
    Bar(1, 1)->AddChild(late, SORTED);
    Play(late, 65);
    late->GetData(DK_NOTATION, 1);
    // The repeated F sharp carries a sign the pass placed before.
    PitchOf(probe) = Spelled(66, 1);
    PutAccidental(probe, ANSpell::ACC_SHARP, 0);
    probe->performance = m_performance;
    late->performance = m_performance;
    Run();
    EXPECT_EQ(SignOf(probe), "");
    EXPECT_EQ(SignOf(late), "n");
    EXPECT_EQ(probe->changedWhileFree, std::vector<bool>{false});
    EXPECT_EQ(late->changedWhileFree, std::vector<bool>{false});
}

TEST_F(SpellTest, EachVoiceShowsItsOwnAccidentals) {
    std::vector<ECNote*> upper = PutLine({64, 66}, 1, 0);
    std::vector<ECNote*> lower = PutLine({62, 66}, 1, 1);
    Run(1, {0, 1});
    EXPECT_EQ(NameOf(upper[1]) + SignOf(upper[1]), "F#5#");
    EXPECT_EQ(NameOf(lower[1]) + SignOf(lower[1]), "F#5#");
}

// E sharp (key 65) in C major, its sharp settled, saved in a document and
// opened again: loading leaves the sign dirty, as if placed just now, yet
// the spelling it already carries keeps the key where it is.
struct SpellDocumentTest : display_document::DocumentTest {};

TEST_F(SpellDocumentTest, AnESharpOpenedAgainStaysAnESharp) {
    constexpr int kESharp = 65;
    const std::string path = folder.File("e-sharp.mmm");
    {
        played_test::PerformerClass performers(RUNTIME_CLASS(DCsqNote));
        std::unique_ptr<MCOpusDoc> source = doc_support::DocumentParts::MakeDocument();
        ECConductor* conductor = source->CreatePerformance(1)->GetConductor();
        ASSERT_NE(conductor, nullptr);
        ASSERT_NE(conductor->GetTrack(TRACK_STAFF, 1, 1), nullptr);
        ASSERT_NE(conductor->GetMeasure(1, MCTime(3.5f), 1, 1), nullptr);
        ECMeasure* measure = conductor->GetMeasure(1, 1);
        ASSERT_NE(measure, nullptr);
        auto* note = new ECNote(*measure->GetTime(), MCTime(1.0f));
        note->SetVoiceTrack(0, measure->GetVoiceTrack()->GetTrack());
        ASSERT_EQ(measure->AddChild(note, SORTED), 1);
        auto* performer = dynamic_cast<DCsqNote*>(note->GetData(DK_SEQUENCER, 1));
        ASSERT_NE(performer, nullptr);
        performer->GetMidiData().SetStatusByte(0x90);
        performer->GetMidiData().SetDataByte1(kESharp);
        performer->GetNoteOffData().SetDataByte1(kESharp);
        auto* display = dynamic_cast<DCctNote*>(note->GetData(DK_NOTATION, 1));
        ASSERT_NE(display, nullptr);
        display->GetSpelling() = Spelled(kESharp, 1);
        display->SetValue(QUARTER, 0);
        display->SetBase(QUARTER, QUARTER);
        display->SetTickStart(0);
        display->SetTickDuration(QUARTER);
        auto* sharp = new ECAccidental(ANSpell::ACC_SHARP);
        ASSERT_EQ(note->AddChild(sharp, SORTED), 1);
        auto* sign = dynamic_cast<DCctBase*>(sharp->GetData(DK_NOTATION, 1));
        ASSERT_NE(sign, nullptr);
        sign->SetDirty(0);
        ASSERT_NO_FATAL_FAILURE(display_document::SaveNative(source.get(), path));
    }

    std::unique_ptr<MCOpusDoc> reopened = Reopen(path);
    ASSERT_FALSE(HasFailure());
    ECPerformance* performance = reopened->GetBaseEvent();
    ASSERT_NE(performance, nullptr);
    ECConductor* conductor = performance->GetConductor();
    const auto notes = doc_support::FindEvents(performance, ET_NOTE);
    ASSERT_EQ(notes.size(), 1u);
    ECBase* note = notes[0];
    const auto signs = doc_support::FindEvents(performance, ET_ACCIDENTAL);
    ASSERT_EQ(signs.size(), 1u);
    auto* sign = dynamic_cast<DCctBase*>(signs[0]->GetData(DK_NOTATION, 0));
    ASSERT_NE(sign, nullptr);
    ASSERT_NE(sign->IsDirty(), 0) << "loading marks the sign as new";
    ASSERT_EQ(KeyOf(note), kESharp);

    ECMeasure* measure = conductor->GetMeasure(1, 1);
    auto* measureDisplay = dynamic_cast<DCctMeasure*>(measure->GetData(DK_NOTATION, 1));
    ASSERT_NE(measureDisplay, nullptr);
    measureDisplay->GetVoiceTable() = {0};
    measureDisplay->SetSpellingDirty(1);
    ANSpell pass;
    pass.Attach(performance);
    pass.SetTimeRange(MCTime::TimeZero(), MCTime::TimeMax());
    pass.DoMeasure(static_cast<ECStaff*>(conductor->GetTrack(TRACK_STAFF, 1, 0)), measure);

    EXPECT_EQ(KeyOf(note), kESharp);
    EXPECT_EQ(OffKeyOf(note), kESharp);
    EXPECT_EQ(NameOf(note) + SignOf(note), "E#5#");
    reopened->OnCloseDocument();
}

}  // namespace
