// The basic commands on a real piece (performance, conductor, staves,
// measures), applied through the command manager: what each adds or takes
// away, what it refuses, and that every reference it took is given back —
// the performance's count returns to where it was after each command, and the
// test's own events (counted by a subclass) are all gone when the piece goes.
#include "model/basiccommands.h"

#include "model/commandmgr.h"
#include "model/conductor.h"
#include "model/conductorstaff.h"
#include "model/eventtypes.h"
#include "model/groupmarks.h"
#include "model/markings.h"
#include "model/measure.h"
#include "model/meter.h"
#include "model/midievents.h"
#include "model/mirror.h"
#include "model/modifiers.h"
#include "model/notes.h"
#include "model/performance.h"
#include "model/staff.h"
#include "model/textmarks.h"
#include "tests/model/eventio_support.h"
#include "tests/platform/messaging_support.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

// Events of the test's own making that are alive.
int g_live = 0;

// Any event class, counted while it lives. Copies made by the commands are of
// the plain class and not counted.
template <class T>
using Live = eventio::Counting<T, g_live>;

bool Holds(MCEventList* list, const ECBase* event) {
    return list && list->Find(event) != nullptr;
}

int CountOfType(MCEventList* list, int type) {
    int count = 0;
    for (POSITION pos = list ? list->GetHeadPosition() : nullptr; pos;)
        count += list->GetNext(pos)->GetClassType() == type;
    return count;
}

void Place(ECBase* event, float time, int track) {
    const MCTime t(time);
    event->SetTime(&t);
    event->SetVoiceTrack(1, track);
}

// A piece with its conductor; every command goes through the manager.
class BasicCommands : public ::testing::Test {
protected:
    void SetUp() override {
        g_live = 0;
        m_performance = new ECPerformance;
        m_performance->Ref();
        m_conductor = new ECConductor;
        m_performance->AddChild(m_conductor, SORTED);
        m_baseRefs = m_performance->GetRefCount();
    }

    void TearDown() override {
        m_performance->RemoveChildren(1);
        m_performance->Unref(1);
        EXPECT_EQ(g_live, 0) << "events of the test outlived the piece";
    }

    // Runs the command synchronously; the manager deletes it. Every command
    // gives back the reference the manager took on the performance.
    void Run(CCBase* command) {
        command->SetSynchronous(1);
        EXPECT_EQ(command->Apply(m_performance), 1);
        EXPECT_EQ(m_performance->GetRefCount(), m_baseRefs);
    }

    ECStaff* Staff(int number) { return static_cast<ECStaff*>(m_conductor->GetTrack(TRACK_STAFF, number, 0)); }
    // The staves 1 to count, made by command.
    void MakeStaves(int count) {
        auto* add = new CCAddTrack;
        add->AddMidiTrack(0, count);
        Run(add);
    }
    ECMeasure* Measure(int track, float time) { return m_conductor->GetMeasure(track, MCTime(time), 1, 1); }

    ECPerformance* m_performance = nullptr;
    ECConductor* m_conductor = nullptr;
    int m_baseRefs = 0;
};

// ---- the add item ----

TEST_F(BasicCommands, AddItemHoldsItsOwnReferencesThroughCopiesAndSetters) {
    auto* child = new Live<ECNote>;
    auto* parent = new Live<ECMeasure>;
    auto* other = new Live<ECMeasure>;
    child->Ref();
    parent->Ref();
    other->Ref();
    {
        CCAddItem item(child, parent, FCMidi(0x00403C90u));
        EXPECT_EQ(child->GetRefCount(), 2);
        EXPECT_EQ(parent->GetRefCount(), 2);
        EXPECT_EQ(item.GetMidiData().GetStatusByte(), 0x90);

        CCAddItem copy(item);
        EXPECT_EQ(child->GetRefCount(), 3);
        EXPECT_EQ(copy.GetMidiData().GetValue().dwData, item.GetMidiData().GetValue().dwData);

        CCAddItem assigned;
        EXPECT_EQ(assigned.GetChild(), nullptr);
        EXPECT_EQ(assigned.GetMidiData().GetStatusByte(), 0);
        assigned = item;
        assigned = assigned;   // to itself: nothing released
        EXPECT_EQ(child->GetRefCount(), 4);
        EXPECT_EQ(parent->GetRefCount(), 4);

        // Replacing a pointer moves the reference; setting the same one keeps it.
        assigned.SetParent(other);
        EXPECT_EQ(parent->GetRefCount(), 3);
        EXPECT_EQ(other->GetRefCount(), 2);
        assigned.SetChild(child);
        EXPECT_EQ(child->GetRefCount(), 4);
        assigned.SetMidiData(0x7F00B0u);
        EXPECT_EQ(assigned.GetMidiData().GetStatusByte(), 0xB0);
    }
    // Each item let go of exactly what it held.
    EXPECT_EQ(child->GetRefCount(), 1);
    EXPECT_EQ(parent->GetRefCount(), 1);
    EXPECT_EQ(other->GetRefCount(), 1);
    for (ECBase* event : {static_cast<ECBase*>(child), static_cast<ECBase*>(parent), static_cast<ECBase*>(other)})
        event->Unref(1);
    EXPECT_EQ(g_live, 0);

    // An item is the last holder of a new event: it goes with the item, and
    // a setter that replaces it frees it at once.
    {
        CCAddItem item(new Live<ECNote>, nullptr, FCMidi::MidiNull());
        EXPECT_EQ(g_live, 1);
        item.SetChild(new Live<ECNote>);
        EXPECT_EQ(g_live, 1);
    }
    EXPECT_EQ(g_live, 0);
}

// ---- add ----

TEST_F(BasicCommands, AddRefusesWhatItCannotPlace) {
    MakeStaves(1);
    ECStaff* staff = Staff(1);
    ECMeasure* measure = Measure(1, 0.0f);
    ASSERT_NE(measure, nullptr);
    auto* chord = new ECChord;
    Place(chord, 0.0f, 1);
    Run(new CCAdd(chord, measure));

    struct Case {
        const char* what;
        ECBase* child;
        ECBase* parent;
    };
    const Case refused[] = {
        {"a measure", new ECMeasure, staff},
        {"a meter", new ECMeter, m_conductor->GetTrack(TRACK_CONDUCTOR, 0, 0)},
        {"a staff", new ECStaff, m_conductor},
        {"a conductor staff", new ECConductorStaff, m_conductor},
        {"a note without parent", new ECNote, nullptr},
        {"a clef without parent", new ECClef, nullptr},
        {"a note under a staff", new ECNote, staff},
        {"an accidental under a chord", new ECAccidental, chord},
        {"a dynamic under a measure", new ECDynamic, measure},
        {"a wave under a staff", new ECWave, staff},
    };
    for (const Case& c : refused) {
        CCAdd command;
        EXPECT_EQ(command.Add(c.child, c.parent, FCMidi::MidiNull()), nullptr) << c.what;
        EXPECT_TRUE(command.GetAddList()->IsEmpty()) << c.what;
        EXPECT_EQ(c.child->GetRefCount(), 0) << c.what;
        c.child->Unref(1);
    }
    EXPECT_EQ(CCAdd::CanHold(nullptr, nullptr), 0);

    // What the table allows is taken, in the order of adding.
    auto* note = new Live<ECNote>;
    auto* accent = new Live<ECAccent>;
    auto* command = new CCAdd;
    CCAddItem* first = command->Add(note, chord, FCMidi(0x00403C90u));
    CCAddItem* second = command->Add(accent, chord, FCMidi::MidiNull());
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(command->GetAddList()->GetHead(), first);
    EXPECT_EQ(command->GetAddList()->GetTail(), second);
    EXPECT_EQ(first->GetChild(), note);
    EXPECT_EQ(first->GetParent(), chord);
    EXPECT_EQ(note->GetRefCount(), 1);   // the item's
    EXPECT_EQ(command->GetCommandId(), CMD_ADD);
    Run(command);
    EXPECT_TRUE(Holds(chord->GetChildren(), note));
    EXPECT_TRUE(Holds(chord->GetChildren(), accent));
    EXPECT_EQ(note->GetRefCount(), 1);   // the chord's; the item's went with the command
}

// An item made invalid after Add is skipped, not dereferenced.
TEST_F(BasicCommands, ProcessSkipsAnItemThatLostItsParent) {
    MakeStaves(1);
    ECMeasure* measure = Measure(1, 0.0f);
    auto* kept = new Live<ECNote>;
    auto* orphan = new Live<ECNote>;
    orphan->Ref();   // the test's, to look at it after the command
    auto* command = new CCAdd;
    command->Add(kept, measure, FCMidi::MidiNull());
    command->Add(orphan, measure, FCMidi::MidiNull())->SetParent(nullptr);
    Run(command);
    EXPECT_TRUE(Holds(measure->GetChildren(), kept));
    EXPECT_EQ(orphan->GetParents()->GetCount(), 0);
    EXPECT_EQ(orphan->GetRefCount(), 1);   // the command let go of it
    orphan->Unref(1);
}

// The parent's own AddChild runs: the measure puts the note in time order
// and the staff caches the clef.
TEST_F(BasicCommands, AddPutsChildrenInTimeOrderAndKeepsTheParentsCaches) {
    MakeStaves(1);
    ECStaff* staff = Staff(1);
    ECMeasure* measure = Measure(1, 0.0f);
    auto* late = new Live<ECNote>;
    auto* early = new Live<ECNote>;
    auto* clef = new Live<ECClef>(3);
    Place(late, 2.0f, 1);
    Place(early, 1.0f, 1);
    Place(clef, 0.0f, 1);
    auto* command = new CCAdd(late, measure);
    command->Add(early, measure, FCMidi::MidiNull());
    command->Add(clef, measure, FCMidi::MidiNull());
    Run(command);

    MCEventList* children = measure->GetChildren();
    ASSERT_EQ(children->GetCount(), 3);
    POSITION pos = children->GetHeadPosition();
    EXPECT_EQ(children->GetNext(pos), clef);
    EXPECT_EQ(children->GetNext(pos), early);
    EXPECT_EQ(children->GetNext(pos), late);
    EXPECT_TRUE(Holds(late->GetParents(), measure));
    EXPECT_EQ(staff->GetClefAtTime(MCTime(3.0f), 0), clef);
}

// A syllable hangs under its measure at its note's time; older documents
// keep it under the note, which still takes it. Anywhere else it is refused.
TEST_F(BasicCommands, ALyricGoesUnderAMeasureOrANote) {
    MakeStaves(1);
    ECStaff* staff = Staff(1);
    ECMeasure* measure = Measure(1, 0.0f);
    auto* chord = new ECChord;
    auto* note = new ECNote;
    Place(chord, 0.0f, 1);
    Place(note, 0.0f, 1);
    auto* setup = new CCAdd(chord, measure);
    setup->Add(note, chord, FCMidi::MidiNull());
    Run(setup);

    const struct {
        const char* what;
        ECBase* parent;
        bool taken;
    } cases[] = {
        {"under the measure", measure, true},
        {"under the note", note, true},
        {"under the chord", chord, false},
        {"under the staff", staff, false},
    };
    for (const auto& c : cases) {
        auto* lyric = new Live<ECLyric>("la");
        Place(lyric, 0.0f, 1);
        lyric->Ref();   // the test's, to look at it afterwards
        auto* command = new CCAdd;
        CCAddItem* item = command->Add(lyric, c.parent, FCMidi::MidiNull());
        EXPECT_EQ(item != nullptr, c.taken) << c.what;
        if (item)
            Run(command);
        else
            delete command;
        EXPECT_EQ(Holds(c.parent->GetChildren(), lyric), c.taken) << c.what;
        EXPECT_EQ(Holds(lyric->GetParents(), c.parent), c.taken) << c.what;
        lyric->Unref(1);
    }
}

// Handlers see the add list before the events change and after.
TEST_F(BasicCommands, HandlersReadTheAddListInBothPhases) {
    MakeStaves(1);
    ECMeasure* measure = Measure(1, 0.0f);
    auto* note = new Live<ECNote>;
    std::vector<std::string> seen;
    auto handler = [](ECBase*, int phase, void* batch, void* user) -> int {
        auto* log = static_cast<std::vector<std::string>*>(user);
        auto* commands = static_cast<MCCommandList*>(batch);
        for (POSITION pos = commands->GetHeadPosition(); pos;) {
            auto* add = dynamic_cast<CCAdd*>(commands->GetNext(pos));
            if (!add)
                continue;
            CCAddItem* item = add->GetAddList()->GetHead();
            log->push_back(std::to_string(phase) + ":" + std::to_string(item->GetChild()->GetParents()->GetCount()));
        }
        return 1;
    };
    m_performance->AddCommandHandler(handler, &seen);
    Run(new CCAdd(note, measure));
    m_performance->RemoveCommandHandlers();
    EXPECT_EQ(seen, (std::vector<std::string>{"0:0", "1:1"}));
}

// A posted add runs when the user-interface thread comes to it.
TEST_F(BasicCommands, APostedAddRunsWhenItsMessageArrives) {
    MakeStaves(1);
    ECMeasure* measure = Measure(1, 0.0f);
    auto* note = new Live<ECNote>;
    auto* command = new CCAdd(note, measure);
    EXPECT_EQ(command->Apply(m_performance), 1);
    EXPECT_FALSE(Holds(measure->GetChildren(), note));
    EXPECT_EQ(m_performance->GetRefCount(), m_baseRefs + 1);   // kept alive while in flight
    ASSERT_TRUE(messaging_test::PumpUntil([&] { return m_performance->GetRefCount() == m_baseRefs; }));
    EXPECT_TRUE(Holds(measure->GetChildren(), note));
}

// ---- note modifiers ----

TEST_F(BasicCommands, AnAccentOnAChordBecomesOneAccentPerNote) {
    MakeStaves(1);
    ECMeasure* measure = Measure(1, 0.0f);
    auto* chord = new ECChord;
    ECBase* notes[3];
    auto* setup = new CCAdd(chord, measure);
    for (ECBase*& note : notes) {
        note = new Live<ECNote>;
        setup->Add(note, chord, FCMidi::MidiNull());
    }
    setup->Add(new ECDot(1), chord, FCMidi::MidiNull());   // not a note: no accent for it
    Run(setup);

    auto* accent = new Live<ECAccent>(7);
    const int liveBefore = g_live;
    auto* command = new CCAddNoteModifier(accent, chord);
    EXPECT_EQ(command->GetCommandId(), CMD_ADDNOTEMODIFIER);
    // The given accent is released at once: nothing else held it.
    EXPECT_EQ(g_live, liveBefore - 1);
    ASSERT_EQ(command->GetAddList()->GetCount(), 3);
    EXPECT_EQ(command->GetAddList()->GetTail()->GetParent(), notes[2]);
    Run(command);

    EXPECT_EQ(CountOfType(chord->GetChildren(), ET_ACCENT), 0);
    for (ECBase* note : notes) {
        ASSERT_EQ(note->GetChildren()->GetCount(), 1);
        auto* copy = dynamic_cast<ECAccent*>(note->GetChildren()->GetHead());
        ASSERT_NE(copy, nullptr);
        EXPECT_EQ(copy->GetAccentType(), 7);
        EXPECT_EQ(copy->GetRefCount(), 1);   // the note's list alone
    }
}

// A tremolo on a chord shakes every note: it is spread as tremolos.
TEST_F(BasicCommands, ATremoloOnAChordBecomesOneTremoloPerNote) {
    MakeStaves(1);
    ECMeasure* measure = Measure(1, 0.0f);
    auto* chord = new ECChord;
    auto* setup = new CCAdd(chord, measure);
    for (int i = 0; i < 2; ++i)
        setup->Add(new Live<ECNote>, chord, FCMidi::MidiNull());
    Run(setup);

    Run(new CCAddNoteModifier(new Live<ECTremolo>(2), chord));
    EXPECT_EQ(CountOfType(chord->GetChildren(), ET_TREMOLO), 0);
    for (POSITION pos = chord->GetChildren()->GetHeadPosition(); pos;) {
        ECBase* note = chord->GetChildren()->GetNext(pos);
        EXPECT_EQ(CountOfType(note->GetChildren(), ET_TREMOLO), 1);
        EXPECT_EQ(CountOfType(note->GetChildren(), ET_ACCENT), 0);
        auto* tremolo = dynamic_cast<ECTremolo*>(note->GetChildren()->GetHead());
        ASSERT_NE(tremolo, nullptr);
        EXPECT_EQ(tremolo->GetTremoloType(), 2);
    }
}

TEST_F(BasicCommands, NoteModifiersGoWhereTheirTypeSays) {
    MakeStaves(1);
    ECMeasure* measure = Measure(1, 0.0f);
    auto* chord = new ECChord;
    auto* note = new ECNote;
    auto* empty = new ECChord;
    auto* setup = new CCAdd(chord, measure);
    setup->Add(note, chord, FCMidi::MidiNull());
    setup->Add(empty, measure, FCMidi::MidiNull());
    Run(setup);

    struct Case {
        const char* what;
        ECBase* modifier;
        ECBase* parent;
        ECBase* receiver;   // where the modifier itself lands; null when refused
    };
    const Case cases[] = {
        {"accent on a note", new Live<ECAccent>, note, note},
        {"tremolo on a note", new Live<ECTremolo>, note, note},
        {"accidental on a note", new Live<ECAccidental>, note, note},
        {"arpeggio on a chord", new Live<ECArpeggio>, chord, chord},
        {"mordent on a chord", new Live<ECMordent>, chord, chord},
        {"ornament on a note", new Live<ECOrnament>, note, note},
        {"trill on a chord", new Live<ECTrill>, chord, chord},
        {"turn on a chord", new Live<ECTurn>, chord, chord},
        {"dot on a note", new Live<ECDot>, note, nullptr},
        {"a note is no modifier", new Live<ECNote>, chord, nullptr},
        {"ornament on a chord", new Live<ECOrnament>, chord, nullptr},
        {"accent without parent", new Live<ECAccent>, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        c.modifier->Ref();   // the test's, so that a refused one can be checked
        auto* command = new CCAddNoteModifier;
        CCAddItem* item = command->Add(c.modifier, c.parent, FCMidi(0x00403C90u));
        if (!c.receiver) {
            EXPECT_EQ(item, nullptr) << c.what;
            delete command;
            EXPECT_EQ(c.modifier->GetRefCount(), 1) << c.what;
        } else {
            ASSERT_NE(item, nullptr) << c.what;
            EXPECT_EQ(item->GetChild(), c.modifier) << c.what;
            EXPECT_EQ(item->GetMidiData().GetStatusByte(), 0) << c.what;   // the MIDI word is not taken
            Run(command);
            EXPECT_TRUE(Holds(c.receiver->GetChildren(), c.modifier)) << c.what;
        }
        c.modifier->Unref(1);
    }

    // A chord without notes gets nothing; the accent is released all the same.
    auto* accent = new Live<ECAccent>;
    const int liveBefore = g_live;
    CCAddNoteModifier command(accent, empty);
    EXPECT_TRUE(command.GetAddList()->IsEmpty());
    EXPECT_EQ(g_live, liveBefore - 1);
    EXPECT_FALSE(empty->GetFlags() & ECBase::EF_CHILDREN);
}

// ---- tracks ----

TEST_F(BasicCommands, AddTrackPlacesConsecutiveStavesFromItsPosition) {
    MakeStaves(3);
    ASSERT_NE(Measure(1, 5.0f), nullptr);   // two measures for every staff
    ECStaff* old[4] = {nullptr, Staff(1), Staff(2), Staff(3)};
    auto* a = new ECStaff(1);
    auto* b = new ECStaff(2);
    auto* command = new CCAddTrack(a, 2);
    command->AddTrack(b);
    command->AddTrack(nullptr);
    auto* plain = new ECTrack;   // not a kind the conductor numbers
    command->AddTrack(plain);
    EXPECT_EQ(command->GetInsertPosition(), 2);
    EXPECT_EQ(command->GetAddList()->GetCount(), 2);
    EXPECT_EQ(command->GetAddList()->GetHead()->GetParent(), nullptr);
    EXPECT_EQ(command->GetCommandId(), CMD_ADDTRACK);
    Run(command);
    EXPECT_EQ(plain->GetRefCount(), 0);
    plain->Unref(1);

    const ECStaff* expected[] = {old[1], a, b, old[2], old[3]};
    ASSERT_EQ(m_conductor->GetMaxTrackNumber(TRACK_STAFF), 5);
    for (int n = 1; n <= 5; ++n) {
        EXPECT_EQ(Staff(n), expected[n - 1]) << n;
        EXPECT_EQ(Staff(n)->GetVoiceTrack()->GetTrack(), n) << n;
        EXPECT_TRUE(Holds(m_conductor->GetChildren(), Staff(n))) << n;
    }
    // The new staves take part in the measure grid.
    EXPECT_EQ(CountOfType(b->GetChildren(), ET_MEASURE), 2);
    EXPECT_EQ(m_conductor->GetMeasure(3, 2)->GetVoiceTrack()->GetTrack(), 3);
}

TEST_F(BasicCommands, AddTrackMakesStavesAndWaveTracks) {
    auto* command = new CCAddTrack;
    command->AddMidiTrack(1, 2);
    command->AddWaveTrack(2);
    command->AddMidiTrack(4, 0);
    ASSERT_EQ(command->GetAddList()->GetCount(), 4);
    Run(command);
    ASSERT_EQ(m_conductor->GetMaxTrackNumber(TRACK_STAFF), 2);
    EXPECT_EQ(Staff(1)->GetStaffType(), 1);
    EXPECT_EQ(Staff(2)->GetStaffType(), 1);
    ASSERT_EQ(m_conductor->GetMaxTrackNumber(TRACK_WAVE), 2);
    for (int n = 1; n <= 2; ++n) {
        ECTrack* wave = m_conductor->GetTrack(TRACK_WAVE, n, 0);
        ASSERT_NE(wave, nullptr);
        EXPECT_EQ(wave->GetClassType(), ET_WAVETRACK);
        EXPECT_EQ(wave->GetVoiceTrack()->GetTrack(), n);
        EXPECT_TRUE(Holds(m_conductor->GetChildren(), wave));
    }
}

// ---- remove ----

TEST_F(BasicCommands, RemoveListsEachEventOnceAndRefusesStructure) {
    MakeStaves(1);
    ECMeasure* measure = Measure(1, 0.0f);
    auto* note = new Live<ECNote>;
    Run(new CCAdd(note, measure));

    auto* command = new CCRemove(note);
    command->Remove(note);
    command->Remove(nullptr);
    command->Remove(measure);
    command->Remove(Staff(1));
    command->Remove(m_conductor->GetTrack(TRACK_CONDUCTOR, 0, 0));
    command->Remove(m_conductor->GetMeterAtTime(MCTime(0.0f)));
    EXPECT_EQ(command->GetCommandId(), CMD_REMOVE);
    ASSERT_EQ(command->GetRemoveList()->GetCount(), 1);
    EXPECT_EQ(note->GetRefCount(), 2);   // the measure's and the command's
    Run(command);
    EXPECT_FALSE(Holds(measure->GetChildren(), note));
    EXPECT_EQ(g_live, 0);   // the command held the last reference
}

// A clef or key takes the mirrors that show it; handlers meet them first in
// the list, and the staff's cache lets the mark go.
TEST_F(BasicCommands, RemovingAClefOrKeyTakesItsMirrors) {
    MakeStaves(2);
    ASSERT_NE(Measure(1, 9.0f), nullptr);   // three measures
    for (int type : {ET_CLEF, ET_KEY}) {
        ECBase* mark = type == ET_CLEF ? static_cast<ECBase*>(new Live<ECClef>(2)) : new Live<ECKey>(-3, 1);
        Place(mark, 4.0f, 1);
        ECMirror* mirrors[2];
        auto* add = new CCAdd(mark, m_conductor->GetMeasure(1, 2));
        for (int i = 0; i < 2; ++i) {
            mirrors[i] = new Live<ECMirror>;
            Place(mirrors[i], 8.0f, 1 + i);
            mirrors[i]->SetMirrorEvent(mark, 1);
            add->Add(mirrors[i], m_conductor->GetMeasure(1 + i, 3), FCMidi::MidiNull());
        }
        Run(add);
        ASSERT_EQ(GetMirrorList(mark)->GetCount(), 2);
        auto cached = [&] {
            return type == ET_CLEF ? static_cast<ECBase*>(Staff(1)->GetClefAtTime(MCTime(5.0f), 0))
                                   : Staff(1)->GetKeyAtTime(MCTime(5.0f), 0);
        };
        ASSERT_EQ(cached(), mark);

        auto* command = new CCRemove(mark);
        command->Remove(mirrors[0]);   // listed already
        MCEventList* list = command->GetRemoveList();
        ASSERT_EQ(list->GetCount(), 3);
        POSITION pos = list->GetHeadPosition();
        EXPECT_EQ(list->GetNext(pos), mirrors[0]);
        EXPECT_EQ(list->GetNext(pos), mirrors[1]);
        EXPECT_EQ(list->GetNext(pos), mark);
        Run(command);

        EXPECT_EQ(cached(), nullptr) << type;
        EXPECT_EQ(CountOfType(m_conductor->GetMeasure(1, 3)->GetChildren(), ET_MIRROR), 0) << type;
        EXPECT_EQ(CountOfType(m_conductor->GetMeasure(2, 3)->GetChildren(), ET_MIRROR), 0) << type;
        EXPECT_EQ(g_live, 0) << type;
    }
}

// Grouping events answer for their members: a tuplet hands them to its
// measure, a chord that loses its last note leaves.
TEST_F(BasicCommands, RemovedGroupsLeaveTheirMembersInTheMeasure) {
    MakeStaves(1);
    ECMeasure* measure = Measure(1, 0.0f);
    auto* tuplet = new Live<ECTuplet>(3, 2, 3);
    auto* chord = new Live<ECChord>;
    auto* a = new Live<ECNote>;
    auto* b = new Live<ECNote>;
    auto* setup = new CCAdd(tuplet, measure);
    setup->Add(a, tuplet, FCMidi::MidiNull());
    setup->Add(chord, measure, FCMidi::MidiNull());
    setup->Add(b, chord, FCMidi::MidiNull());
    Run(setup);
    Run(new CCAddNoteModifier(new ECArpeggio, chord));

    Run(new CCRemove(tuplet));
    EXPECT_TRUE(Holds(measure->GetChildren(), a));
    EXPECT_EQ(a->GetParents()->GetCount(), 1);
    EXPECT_FALSE(Holds(measure->GetChildren(), tuplet));

    Run(new CCRemove(b));
    EXPECT_EQ(measure->GetChildren()->GetCount(), 1);   // the note from the tuplet
    EXPECT_EQ(g_live, 1);
}

TEST_F(BasicCommands, RemoveTrackTakesAStaffOutOfThePiece) {
    MakeStaves(3);
    ASSERT_NE(Measure(1, 0.0f), nullptr);
    ECStaff* second = Staff(2);
    ECStaff* third = Staff(3);
    auto* note = new Live<ECNote>;
    Place(note, 1.0f, 2);
    Run(new CCAdd(note, m_conductor->GetMeasure(2, 1)));
    auto* command = new CCRemoveTrack(second);
    EXPECT_EQ(command->GetCommandId(), CMD_REMOVETRACK);
    Run(command);

    EXPECT_EQ(m_conductor->GetMaxTrackNumber(TRACK_STAFF), 2);
    EXPECT_EQ(Staff(2), third);
    EXPECT_EQ(third->GetVoiceTrack()->GetTrack(), 2);
    EXPECT_EQ(CountOfType(m_conductor->GetChildren(), ET_STAFF), 2);
    EXPECT_EQ(g_live, 0);   // the staff's music went with it
}

TEST_F(BasicCommands, RemoveTrackTakesAWaveTrackOutOfThePiece) {
    auto* add = new CCAddTrack;
    add->AddWaveTrack(1);
    Run(add);
    ECTrack* track = m_conductor->GetTrack(TRACK_WAVE, 1, 0);
    ASSERT_NE(track, nullptr);
    auto* wave = new Live<ECWave>(MCTime(0.0f), "take1.wav");
    Run(new CCAdd(wave, track));
    ASSERT_TRUE(Holds(track->GetChildren(), wave));

    Run(new CCRemoveTrack(track));
    EXPECT_EQ(m_conductor->GetMaxTrackNumber(TRACK_WAVE), 0);
    EXPECT_EQ(CountOfType(m_conductor->GetChildren(), ET_WAVETRACK), 0);
    EXPECT_EQ(g_live, 0);
}

TEST_F(BasicCommands, RemoveTrackTakesOnlyStavesAndWaveTracks) {
    MakeStaves(1);
    ECMeasure* measure = Measure(1, 0.0f);
    auto* note = new Live<ECNote>;
    Run(new CCAdd(note, measure));

    CCRemoveTrack command;
    command.RemoveTrack(note);
    command.RemoveTrack(measure);
    command.RemoveTrack(m_conductor->GetTrack(TRACK_CONDUCTOR, 0, 0));
    command.RemoveTrack(nullptr);
    EXPECT_TRUE(command.GetRemoveList()->IsEmpty());
    command.RemoveTrack(Staff(1));
    command.RemoveTrack(Staff(1));
    EXPECT_EQ(command.GetRemoveList()->GetCount(), 1);
}

}  // namespace
