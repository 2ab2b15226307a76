// Chords: notes of one voice that start together and last equally long are
// gathered into a chord under the measure (or the tuplet) they hung under;
// loose notes join a matching chord already there; every chord whose notes
// change is marked dirty. Ticks count 256 a quarter from the measure start.
#include "notation/autonote/chord.h"

#include "model/groupmarks.h"
#include "model/performance.h"
#include "notation/display/chord.h"
#include "notation/display/note.h"
#include "notation/view/dirtyrect.h"
#include "tests/notation/autonote/played_support.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace {

using played_test::PlayedTest;

constexpr int kStored = 1;
// A triplet eighth's bases: a borrowed dotted quarter over a quarter.
constexpr WORD kTripletBorrowed = 384;
constexpr WORD kQuarterBase = 256;
constexpr WORD kBorrowedBase = 1;
constexpr WORD kPlainBase = 0;

struct In {
    int key, start, length, voice;
};

// A note that records, each time it is linked under a parent, whether
// another thread could take the performance's lock.
class ProbeNote : public ECNote {
public:
    using ECNote::ECNote;
    int AddParent(ECBase* parent) override {
        if (performance && parent->GetClassType() == ET_CHORD) {
            bool free = false;
            std::thread other([&] {
                free = performance->GetLock().try_lock();
                if (free)
                    performance->GetLock().unlock();
            });
            other.join();
            linkedWhileFree.push_back(free);
        }
        return ECNote::AddParent(parent);
    }
    ECPerformance* performance = nullptr;
    std::vector<bool> linkedWhileFree;
};

class ChordPassTest : public PlayedTest {
protected:
    void SetUp() override {
        PlayedTest::SetUp();
        MakeStaves(1);
        MakeMeasures(1);
        m_pass.Attach(m_performance);
        m_pass.SetUpdateRect(&m_update);
    }

    DCctMeasure* MeasureDisplay(ECMeasure* bar) {
        return dynamic_cast<DCctMeasure*>(bar->GetData(DK_NOTATION, 1));
    }
    // Marks the measure chord-dirty with the given voice table and runs the pass.
    void Run(ECMeasure* bar, const std::vector<BYTE>& voices) {
        DCctMeasure* display = MeasureDisplay(bar);
        display->GetVoiceTable() = voices;
        display->SetChordDirty(1);
        m_pass.DoMeasure(Staff(1), bar);
    }
    std::vector<ECNote*> PutNotes(ECBase* parent, ECMeasure* bar, const std::vector<In>& notes) {
        std::vector<ECNote*> made;
        for (const In& in : notes)
            made.push_back(PutNote(parent, bar, in.key, in.start, in.length, in.voice));
        return made;
    }

    // The children of `group` as the notes' indexes in `notes`, a chord's in
    // parentheses: "(0 1) 2".
    static std::string Layout(ECBase* group, const std::vector<ECNote*>& notes) {
        auto name = [&](ECBase* event) {
            for (size_t i = 0; i < notes.size(); ++i)
                if (notes[i] == event)
                    return std::to_string(i);
            return std::string("?");
        };
        std::string text;
        MCEventList* children = group->GetChildren();
        for (POSITION pos = children->GetHeadPosition(); pos;) {
            ECBase* child = children->GetNext(pos);
            if (!text.empty())
                text += " ";
            if (child->GetClassType() == ET_CHORD) {
                std::string inner;
                MCEventList* held = child->GetChildren();
                for (POSITION at = held->GetHeadPosition(); at;)
                    inner += (inner.empty() ? "" : " ") + name(held->GetNext(at));
                text += "(" + inner + ")";
            } else if (child->GetClassType() == ET_NOTE) {
                text += name(child);
            } else {
                text += "<" + std::to_string(child->GetClassType()) + ">";
            }
        }
        return text;
    }
    static ECBase* FirstChord(ECBase* group) {
        MCEventList* children = group->GetChildren();
        const POSITION pos = children->FindEvent(ET_CHORD);
        return pos ? children->GetAt(pos) : nullptr;
    }
    static DCctChord* ChordDisplay(ECBase* chord) {
        return dynamic_cast<DCctChord*>(chord->GetData(DK_NOTATION, 0));
    }
    // The note display as the chord answers it.
    static DCctNote* NoteDisplay(ECNote* note) {
        return dynamic_cast<DCctNote*>(note->GetData(DK_NOTATION, 0));
    }

    ANChord m_pass;
    DirtyRect m_update;
};

TEST_F(ChordPassTest, RunsOfEqualNotesBecomeChords) {
    const struct Case {
        const char* name;
        std::vector<BYTE> voices;
        std::vector<In> notes;
        const char* expected;
    } cases[] = {
        {"C4 E4 G4 together, equally long: one chord", {0},
         {{60, 0, 256, 0}, {64, 0, 256, 0}, {67, 0, 256, 0}}, "(0 1 2)"},
        {"three notes of voice 1", {1}, {{60, 0, 256, 1}, {64, 0, 256, 1}, {67, 0, 256, 1}}, "(0 1 2)"},
        {"same start, 256 and 128 long: separate", {0}, {{60, 0, 256, 0}, {64, 0, 128, 0}}, "0 1"},
        {"same start and length, other voices: separate", {0, 1}, {{60, 0, 256, 0}, {64, 0, 256, 1}}, "0 1"},
        {"a chord a beat, the lone note between stays", {0},
         {{60, 0, 256, 0}, {64, 0, 256, 0}, {65, 256, 256, 0}, {67, 512, 512, 0}, {72, 512, 512, 0}},
         "(0 1) 2 (3 4)"},
        {"only neighbours join: a shorter note between splits the run", {0},
         {{60, 0, 256, 0}, {64, 0, 128, 0}, {67, 0, 256, 0}}, "0 1 2"},
        {"chords in two voices", {0, 1},
         {{72, 0, 256, 0}, {76, 0, 256, 0}, {48, 0, 512, 1}, {52, 0, 512, 1}}, "(0 1) (2 3)"},
        {"a voice missing from the table is left alone", {0}, {{60, 0, 256, 1}, {64, 0, 256, 1}}, "0 1"},
    };
    MakeMeasures(static_cast<int>(std::size(cases)));
    int number = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ECMeasure* bar = Bar(1, ++number);
        const std::vector<ECNote*> notes = PutNotes(bar, bar, c.notes);
        Run(bar, c.voices);
        EXPECT_EQ(Layout(bar, notes), c.expected);
        for (ECNote* note : notes) {
            const bool inChord = note->GetParents()->FindEvent(ET_CHORD) != nullptr;
            EXPECT_NE(inChord, IsChildOf(note, bar)) << "a chord's note left the measure, a loose one stayed";
        }
    }
}

TEST_F(ChordPassTest, NewChordTakesTheFirstNotesTimeVoiceAndBases) {
    ECMeasure* bar = Bar(1, 1);
    const std::vector<ECNote*> notes = PutNotes(bar, bar, {{64, 256, 256, 2}, {60, 256, 256, 2}});
    for (ECNote* note : notes) {
        Notate(note)->SetBase(kTripletBorrowed, kQuarterBase);
        note->SetVoiceTrack(2, 1);
    }
    Notate(notes[0])->SetTimeDirty(1);
    Run(bar, {2});

    ECBase* chord = FirstChord(bar);
    ASSERT_NE(chord, nullptr);
    EXPECT_EQ(*chord->GetTime(), *notes[0]->GetTime());
    EXPECT_EQ(chord->GetVoiceTrack()->GetVoice(), 2);
    EXPECT_EQ(chord->GetVoiceTrack()->GetTrack(), 1);
    DCctChord* display = ChordDisplay(chord);
    ASSERT_NE(display, nullptr);
    EXPECT_EQ(display->GetBase(kBorrowedBase), kTripletBorrowed);
    EXPECT_EQ(display->GetBase(kPlainBase), kQuarterBase);
    EXPECT_FALSE(display->TimeDirty());
    EXPECT_FALSE(display->ValueDirty());
    EXPECT_TRUE(display->IsDirty());
    EXPECT_EQ(display->GetTickStart(kStored), 256);
    EXPECT_EQ(display->GetTickDuration(kStored), 256);
    EXPECT_NE(m_update.GetEvents().Find(chord), nullptr);
    // The chord is the notes' only parent above them.
    for (ECNote* note : notes) {
        EXPECT_EQ(note->GetParents()->GetCount(), 1);
        EXPECT_TRUE(IsChildOf(note, chord));
    }
    EXPECT_EQ(chord->GetParents()->GetCount(), 1);
    EXPECT_TRUE(IsChildOf(chord, bar));
    EXPECT_FALSE(MeasureDisplay(bar)->ChordDirty());
}

TEST_F(ChordPassTest, ChordTakesOverTheBeamOfItsNotes) {
    ECMeasure* bar = Bar(1, 1);
    const std::vector<ECNote*> notes = PutNotes(bar, bar, {{60, 0, 128, 0}, {64, 0, 128, 0}, {62, 128, 128, 0}});
    auto* beam = new ECBeam;
    beam->SetTime(notes[0]->GetTime());
    bar->AddChild(beam, SORTED);
    for (ECNote* note : notes)
        beam->AddChild(note, SORTED);
    Run(bar, {0});

    ECBase* chord = FirstChord(bar);
    ASSERT_NE(chord, nullptr);
    EXPECT_EQ(Layout(beam, notes), "(0 1) 2");
    // The measure first, then the beam.
    ASSERT_EQ(chord->GetParents()->GetCount(), 2);
    EXPECT_EQ(chord->GetParents()->GetHead(), bar);
    EXPECT_EQ(chord->GetParents()->GetTail(), beam);
    for (ECNote* note : {notes[0], notes[1]})
        EXPECT_EQ(note->GetParents()->GetCount(), 1) << "the note left the measure and the beam";
}

TEST_F(ChordPassTest, BeamedNoteJoiningAChordKeepsItsPlaceInTheBeam) {
    ECMeasure* bar = Bar(1, 1);
    std::vector<ECNote*> notes = PutNotes(bar, bar, {{60, 0, 128, 0}, {64, 0, 128, 0}});
    Run(bar, {0});
    ECBase* chord = FirstChord(bar);
    ASSERT_NE(chord, nullptr);
    notes.push_back(PutNote(bar, 67, 0, 128));
    notes.push_back(PutNote(bar, 65, 128, 128));
    auto* beam = new ECBeam;
    beam->SetTime(notes[2]->GetTime());
    bar->AddChild(beam, SORTED);
    beam->AddChild(notes[2], SORTED);
    beam->AddChild(notes[3], SORTED);
    Run(bar, {0});

    EXPECT_EQ(Layout(bar, notes), "(0 1 2) <7> 3");   // <7>: the beam
    EXPECT_EQ(Layout(beam, notes), "(0 1 2) 3");
    EXPECT_EQ(chord->GetParents()->GetCount(), 2);
    EXPECT_EQ(notes[2]->GetParents()->GetCount(), 1);
}

TEST_F(ChordPassTest, NotesInATupletChordUnderTheTupletOnly) {
    ECMeasure* bar = Bar(1, 1);
    auto* tuplet = new ECTuplet(3, 2, 3);
    MCTime at = *bar->GetTime();
    tuplet->SetTime(&at);
    bar->AddChild(tuplet, SORTED);
    const std::vector<ECNote*> notes =
        PutNotes(tuplet, bar, {{60, 0, 128, 0}, {64, 0, 128, 0}, {62, 128, 128, 0}, {65, 256, 128, 0}});
    for (ECNote* note : notes)
        Notate(note)->SetBase(kTripletBorrowed, kQuarterBase);
    Run(bar, {0});

    EXPECT_EQ(Layout(tuplet, notes), "(0 1) 2 3");
    ECBase* chord = FirstChord(tuplet);
    ASSERT_NE(chord, nullptr);
    ASSERT_EQ(chord->GetParents()->GetCount(), 1);
    EXPECT_EQ(chord->GetParents()->GetHead(), tuplet);
    EXPECT_EQ(FirstChord(bar), nullptr);
    EXPECT_EQ(ChordDisplay(chord)->GetBase(kBorrowedBase), kTripletBorrowed);
}

TEST_F(ChordPassTest, LooseNoteJoinsAMatchingChordAndRefreshesItsTopNote) {
    ECMeasure* bar = Bar(1, 1);
    std::vector<ECNote*> notes = PutNotes(bar, bar, {{60, 0, 256, 0}, {64, 0, 256, 0}});
    Run(bar, {0});
    ECBase* chord = FirstChord(bar);
    ASSERT_NE(chord, nullptr);
    DCctChord* display = ChordDisplay(chord);
    EXPECT_EQ(display->GetTopNote(), NoteDisplay(notes[1]));
    display->Assemble();   // caches built, the chord clean
    ASSERT_FALSE(display->IsDirty());

    // Matching in start, length and voice; the others stay loose.
    for (const In& in : std::vector<In>{{67, 0, 256, 0}, {72, 0, 256, 1}, {48, 0, 128, 0}, {50, 256, 256, 0}})
        notes.push_back(PutNote(bar, in.key, in.start, in.length, in.voice));
    Run(bar, {0, 1});

    EXPECT_EQ(Layout(bar, notes), "(0 1 2) 3 4 5");
    EXPECT_TRUE(display->IsDirty());
    EXPECT_EQ(display->GetTopNote(), NoteDisplay(notes[2]));
    EXPECT_EQ(display->GetBottomNote(), NoteDisplay(notes[0]));
    EXPECT_NE(m_update.GetEvents().Find(chord), nullptr);
    EXPECT_EQ(notes[2]->GetParents()->GetCount(), 1);
}

TEST_F(ChordPassTest, MeasureWithoutVoiceTableBuildsItFirst) {
    ECMeasure* bar = Bar(1, 1);
    const std::vector<ECNote*> notes = PutNotes(bar, bar, {{60, 0, 256, 3}, {64, 0, 256, 3}});
    Run(bar, {});
    EXPECT_EQ(Layout(bar, notes), "(0 1)");
}

TEST_F(ChordPassTest, MeasureNotChordDirtyIsLeftAlone) {
    ECMeasure* bar = Bar(1, 1);
    const std::vector<ECNote*> notes = PutNotes(bar, bar, {{60, 0, 256, 0}, {64, 0, 256, 0}});
    MeasureDisplay(bar)->GetVoiceTable() = {0};
    MeasureDisplay(bar)->SetChordDirty(0);
    m_pass.DoMeasure(Staff(1), bar);
    EXPECT_EQ(Layout(bar, notes), "0 1");
    m_pass.DoMeasure(Staff(1), nullptr);   // nothing to do, nothing breaks
}

TEST_F(ChordPassTest, NotesWithoutDisplayAreLeftOut) {
    ECMeasure* bar = Bar(1, 1);
    std::vector<ECNote*> notes = PutNotes(bar, bar, {{60, 0, 256, 0}, {64, 0, 256, 0}});
    auto* bare = new ECNote(*notes[0]->GetTime(), *notes[0]->GetDuration());
    bare->SetVoiceTrack(notes[0]->GetVoiceTrack());
    bar->AddChild(bare, SORTED);
    notes.push_back(bare);
    Run(bar, {0});
    // The chord goes after the elements of its time already there.
    EXPECT_EQ(Layout(bar, notes), "2 (0 1)");
}

TEST_F(ChordPassTest, EachChordIsLinkedUnderThePerformancesLock) {
    ECMeasure* bar = Bar(1, 1);
    std::vector<ProbeNote*> probes;
    for (int key : {60, 64}) {
        auto* probe = new ProbeNote(*bar->GetTime(), MCTime(1.0f));
        probe->SetVoiceTrack(0, 1);
        bar->AddChild(probe, SORTED);
        Play(probe, key);
        auto* display = dynamic_cast<DCctNotate*>(probe->GetData(DK_NOTATION, 1));
        display->SetTickStart(0);
        display->SetTickDuration(256);
        probe->performance = m_performance;
        probes.push_back(probe);
    }
    Run(bar, {0});
    ASSERT_NE(FirstChord(bar), nullptr);
    for (ProbeNote* probe : probes)
        EXPECT_EQ(probe->linkedWhileFree, std::vector<bool>{false});
}

}  // namespace
