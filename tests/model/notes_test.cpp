// Notes, grace notes, rests and chords: defaults and copies, pitch names,
// duration scaling, the archive records (the grace note's doubled duration,
// old documents' bare floats), and a chord leaving the tree when its last note
// goes while handing its notes to the measure when it is removed.
#include "model/notes.h"

#include "model/eventtypes.h"
#include "model/modifiers.h"
#include "model/plugin.h"
#include "model/viewdata.h"
#include "tests/model/eventio_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using eventio::Held;
using eventio::Load;
using eventio::NewClassTag;
using eventio::Save;
using eventio::operator+;

namespace {

// A measure or a beam for the chord cases, without their classes.
class Container : public ECWithTimeChild {
public:
    explicit Container(int type) : m_type(type) {}
    int GetClassType() const override { return m_type; }

private:
    int m_type;
};

// The events of a list, in order.
std::vector<ECBase*> Events(MCEventList* list) {
    std::vector<ECBase*> events;
    for (POSITION pos = list->GetHeadPosition(); pos;)
        events.push_back(list->GetNext(pos));
    return events;
}

ECNote* NoteAt(float time) {
    return new ECNote(MCTime(time), MCTime(0.5f));
}

}  // namespace

// ---- classes, defaults and copies ------------------------------------------------------

TEST(Notes, MadeByNumberWithTheirBasesParentsAndDefaults) {
    const struct {
        int type;
        const CRuntimeClass* cls;
        const CRuntimeClass* base;
        std::vector<int> parents;
        MCTime time;
        bool hasDuration;   // 1.0 when it has one
    } cases[] = {
        {ET_NOTE, RUNTIME_CLASS(ECNote), RUNTIME_CLASS(ECWithTimeChild), {ET_MEASURE, ET_CHORD, ET_BEAM, ET_TUPLET},
         MCTime(0.0f), true},
        {ET_GRACENOTE, RUNTIME_CLASS(ECGraceNote), RUNTIME_CLASS(ECNote), {ET_NOTE}, MCTime(0.0f), true},
        {ET_REST, RUNTIME_CLASS(ECRest), RUNTIME_CLASS(ECWithTimeChild), {ET_MEASURE, ET_BEAM, ET_TUPLET},
         MCTime::TimeNull(), false},
        {ET_CHORD, RUNTIME_CLASS(ECChord), RUNTIME_CLASS(ECWithTimeChild), {ET_MEASURE, ET_BEAM, ET_TUPLET},
         MCTime::TimeNull(), false},
    };
    Held hold;
    for (const auto& c : cases) {
        const std::string name = c.cls->m_lpszClassName;
        ECBase* event = hold(ECBase::CreateEvent(c.type));
        ASSERT_NE(event, nullptr) << name;
        eventio::ExpectEventClass(event, c.cls, c.base, c.type, c.parents, name);
        EXPECT_EQ(*event->GetTime(), c.time) << name;
        EXPECT_EQ(event->GetVoiceTrack()->GetValue(), 0x7FFF) << name;
        if (c.hasDuration) {
            ASSERT_NE(event->GetDuration(), nullptr) << name;
            EXPECT_EQ(*event->GetDuration(), MCTime(1.0f)) << name;
        } else {
            EXPECT_EQ(event->GetDuration(), nullptr) << name;
        }
    }
}

TEST(Notes, ConstructedFromTimeAndDuration) {
    Held hold;
    ECNote* note = hold(new ECNote(MCTime(3.5f), MCTime(0.25f)));
    ECGraceNote* grace = hold(new ECGraceNote(MCTime(3.5f), MCTime(0.125f)));
    EXPECT_EQ(*note->GetTime(), MCTime(3.5f));
    EXPECT_EQ(*note->GetDuration(), MCTime(0.25f));
    EXPECT_EQ(*grace->GetTime(), MCTime(3.5f));
    EXPECT_EQ(*grace->GetDuration(), MCTime(0.125f));

    const MCTime bpt(2, 1, 120, 480);
    note->SetDuration(&bpt);
    EXPECT_EQ(note->GetDuration()->GetMode(), TM_BPT);
    note->SetDuration(nullptr);   // ignored
    EXPECT_EQ(*note->GetDuration(), bpt);
}

TEST(Notes, ACopyIsANewEventWithTimeWordAndDuration) {
    // A view-data class for notes, so that the source has view data.
    const CRuntimeClass*& cell = CPluginData::GetDataClass(0, ET_NOTE);
    const CRuntimeClass* saved = cell;
    cell = RUNTIME_CLASS(DCBase);

    Held hold;
    ECChord* chord = hold(new ECChord);
    ECNote* source = new ECNote(MCTime(1.5f), MCTime(0.75f));
    source->SetVoiceTrack(2, 7);
    chord->AddChild(source, SORTED);
    source->AddChild(new ECGraceNote, UNSORTED);
    ASSERT_NE(source->GetData(0, 1), nullptr);

    ECNote* copy = new ECNote(*source);
    EXPECT_EQ(copy->GetRefCount(), 0);
    hold(copy);
    EXPECT_EQ(*copy->GetTime(), MCTime(1.5f));
    EXPECT_EQ(*copy->GetVoiceTrack(), MCVoiceTrack(2, 7));
    EXPECT_EQ(*copy->GetDuration(), MCTime(0.75f));
    EXPECT_TRUE(copy->GetData().empty());
    EXPECT_TRUE(copy->GetParents()->IsEmpty());
    EXPECT_TRUE(copy->GetChildren()->IsEmpty());
    EXPECT_EQ(copy->GetFlags(), unsigned{ECBase::EF_TIME});

    ECGraceNote* grace = hold(new ECGraceNote(MCTime(1.0f), MCTime(0.125f)));
    ECGraceNote* graceCopy = hold(new ECGraceNote(*grace));
    EXPECT_EQ(*graceCopy->GetDuration(), MCTime(0.125f));
    EXPECT_EQ(graceCopy->GetClassType(), ET_GRACENOTE);
    cell = saved;
}

// ---- pitch names and duration scaling ---------------------------------------------------

TEST(Notes, PitchStrings) {
    const struct {
        unsigned char pitch;
        int mode;
        const char* text;
    } cases[] = {
        {60, ECNote::PS_FLATS, "C4"},   {61, ECNote::PS_FLATS, "Db4"},  {61, ECNote::PS_SHARPS, "C#4"},
        {0, ECNote::PS_SHARPS, "C-1"},  {127, ECNote::PS_FLATS, "G9"},  {61, ECNote::PS_NUMBER, "61"},
        {11, ECNote::PS_FLATS, "B-1"},  {12, ECNote::PS_SHARPS, "C0"},  {70, ECNote::PS_FLATS, "Bb4"},
        {70, ECNote::PS_SHARPS, "A#4"}, {66, ECNote::PS_FLATS, "Gb4"},  {66, ECNote::PS_SHARPS, "F#4"},
        {63, ECNote::PS_FLATS, "Eb4"},  {68, ECNote::PS_SHARPS, "G#4"}, {64, ECNote::PS_SHARPS, "E4"},
        {65, ECNote::PS_FLATS, "F4"},   {255, ECNote::PS_FLATS, "Eb20"}, {5, 3, "5"}, {127, -1, "127"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ECNote::GetPitchString(c.pitch, c.mode), c.text) << int(c.pitch) << " mode " << c.mode;
}

namespace {

struct Gate {
    float factor;
    int calls = 0;
};
MCTime Longer(const MCTime* duration, void* data) {
    auto* gate = static_cast<Gate*>(data);
    ++gate->calls;
    return MCTime(duration->GetSeconds() * gate->factor);
}
MCTime Shorter(const MCTime* duration, void* data) {
    auto* gate = static_cast<Gate*>(data);
    ++gate->calls;
    return MCTime(duration->GetSeconds() / gate->factor);
}

}  // namespace

TEST(Notes, ScaleDurationThroughTheInstalledFunctions) {
    const MCTime quarter(1.0f);
    const MCTime bpt(1, 2, 3, 480);
    // None installed: a copy, either way.
    for (int inverse : {0, 1, 7}) {
        EXPECT_EQ(ECNote::ScaleDuration(&quarter, inverse), quarter) << inverse;
        EXPECT_EQ(ECNote::ScaleDuration(&bpt, inverse), bpt) << inverse;
    }
    EXPECT_EQ(ECNote::ScaleDuration(nullptr, 0), MCTime(0.0f));

    Gate gate{2.0f};
    ECNote::SetDurationFuncs(Shorter, Longer, &gate);
    EXPECT_EQ(ECNote::ScaleDuration(&quarter, 0), MCTime(0.5f));   // notated to performed
    EXPECT_EQ(ECNote::ScaleDuration(&quarter, 1), MCTime(2.0f));   // and back
    EXPECT_EQ(gate.calls, 2);

    // One of the two missing: that direction copies.
    ECNote::SetDurationFuncs(nullptr, Longer, &gate);
    EXPECT_EQ(ECNote::ScaleDuration(&quarter, 0), quarter);
    EXPECT_EQ(ECNote::ScaleDuration(&quarter, -1), MCTime(2.0f));
    ECNote::SetDurationFuncs(nullptr, nullptr, nullptr);
    EXPECT_EQ(ECNote::ScaleDuration(&quarter, 1), quarter);
    EXPECT_EQ(gate.calls, 3);
}

// ---- archives -----------------------------------------------------------------------------

namespace {

const std::vector<uint8_t> kTime2 = {0x00, 0x00, 0x00, 0x00, 0x40};      // mode 0, 2.0
const std::vector<uint8_t> kHalf = {0x00, 0x00, 0x00, 0x00, 0x3F};       // mode 0, 0.5
const std::vector<uint8_t> kEighth = {0x00, 0x00, 0x00, 0x00, 0x3E};     // mode 0, 0.125
const std::vector<uint8_t> kVoice1Track5 = {0x51, 0x00};

}  // namespace

TEST(Notes, ArchiveRecords) {
    Held hold;
    ECNote* note = hold(new ECNote(MCTime(2.0f), MCTime(0.5f)));
    note->SetVoiceTrack(1, 5);
    ECGraceNote* grace = hold(new ECGraceNote(MCTime(2.0f), MCTime(0.125f)));
    grace->SetVoiceTrack(1, 5);
    ECRest* rest = hold(new ECRest);
    const MCTime two(2.0f);
    rest->SetTime(&two);
    rest->SetVoiceTrack(1, 5);
    const std::vector<uint8_t> flagsTime = {0x04};
    const struct {
        ECBase* event;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {note, NewClassTag("ECNote") + flagsTime + kTime2 + kVoice1Track5 + kHalf},
        // The grace note's duration twice.
        {grace, NewClassTag("ECGraceNote") + flagsTime + kTime2 + kVoice1Track5 + kEighth + kEighth},
        {rest, NewClassTag("ECRest") + flagsTime + kTime2 + kVoice1Track5},
    };
    for (const auto& c : cases) {
        const std::string name = c.event->GetRuntimeClass()->m_lpszClassName;
        EXPECT_EQ(Save(c.event), c.bytes) << name;
        ECBase* loaded = hold(Load(c.bytes));
        EXPECT_EQ(loaded->GetRuntimeClass(), c.event->GetRuntimeClass()) << name;
        EXPECT_EQ(*loaded->GetTime(), two) << name;
        EXPECT_EQ(*loaded->GetVoiceTrack(), MCVoiceTrack(1, 5)) << name;
        if (c.event->GetDuration()) {
            EXPECT_EQ(*loaded->GetDuration(), *c.event->GetDuration()) << name;
        }
        EXPECT_EQ(Save(loaded), c.bytes) << name;
        eventio::ExpectEveryCutThrows(c.bytes, name);
    }
}

TEST(Notes, AGraceNoteKeepsTheSecondCopyOfItsDuration) {
    Held hold;
    const std::vector<uint8_t> bytes =
        NewClassTag("ECGraceNote") + std::vector<uint8_t>{0x04} + kTime2 + kVoice1Track5 + kHalf + kEighth;
    auto* grace = hold(static_cast<ECGraceNote*>(Load(bytes)));
    EXPECT_EQ(*grace->GetDuration(), MCTime(0.125f));
}

TEST(Notes, ADocumentOlderThanVersionOneHoldsBareFloats) {
    Held hold;
    const std::vector<uint8_t> floatTwo = {0x00, 0x00, 0x00, 0x40};
    const std::vector<uint8_t> floatHalf = {0x00, 0x00, 0x00, 0x3F};
    const std::vector<uint8_t> floatEighth = {0x00, 0x00, 0x00, 0x3E};
    auto* note = hold(Load(NewClassTag("ECNote") + std::vector<uint8_t>{0x04} + floatTwo + kVoice1Track5 + floatHalf, 0));
    EXPECT_EQ(*note->GetTime(), MCTime(2.0f));
    EXPECT_EQ(*note->GetDuration(), MCTime(0.5f));
    auto* grace = hold(Load(NewClassTag("ECGraceNote") + std::vector<uint8_t>{0x04} + floatTwo + kVoice1Track5 +
                                floatHalf + floatEighth,
                            0));
    EXPECT_EQ(*grace->GetDuration(), MCTime(0.125f));
    // Saved again, in the current form.
    EXPECT_EQ(Save(note), NewClassTag("ECNote") + std::vector<uint8_t>{0x04} + kTime2 + kVoice1Track5 + kHalf);
}

TEST(Notes, AChordWithItsNotesAndModifiersIsSavedAndLoadedWhole) {
    Held hold;
    ECChord* chord = hold(new ECChord);
    const MCTime two(2.0f);
    chord->SetTime(&two);
    chord->SetVoiceTrack(1, 5);
    ECNote* note = NoteAt(2.0f);
    chord->AddChild(note, SORTED);
    chord->AddChild(NoteAt(2.0f), SORTED);
    note->AddChild(new ECGraceNote(MCTime(1.875f), MCTime(0.125f)), UNSORTED);
    chord->AddChild(new ECAccent(3), UNSORTED);
    chord->AddChild(new ECDot(1), UNSORTED);
    const std::vector<uint8_t> bytes = Save(chord);

    auto* loaded = hold(static_cast<ECChord*>(Load(bytes)));
    EXPECT_EQ(*loaded->GetTime(), two);
    const std::vector<ECBase*> children = Events(loaded->GetChildren());
    ASSERT_EQ(children.size(), 4u);
    const int types[] = {ET_NOTE, ET_NOTE, ET_ACCENT, ET_DOT};
    for (size_t i = 0; i < children.size(); ++i) {
        EXPECT_EQ(children[i]->GetClassType(), types[i]) << i;
        EXPECT_EQ(Events(children[i]->GetParents()), std::vector<ECBase*>{loaded}) << i;
    }
    EXPECT_EQ(children[0]->GetChildren()->GetHead()->GetClassType(), ET_GRACENOTE);
    EXPECT_EQ(static_cast<ECAccent*>(children[2])->GetAccentType(), 3);
    EXPECT_EQ(Save(loaded), bytes);
    eventio::ExpectEveryCutThrows(bytes, "chord");
}

// ---- a chord leaving the tree ---------------------------------------------------------------

TEST(ECChord, LosingItsLastNoteTakesItsModifiersAndLeavesTheTree) {
    Held hold;
    ECBase* measure = hold(new Container(ET_MEASURE));
    ECChord* chord = hold(new ECChord);
    measure->AddChild(chord, SORTED);
    ECNote* note = hold(NoteAt(0.0f));
    ECAccent* accent = hold(new ECAccent);
    ECDot* dot = hold(new ECDot);
    chord->AddChild(note, SORTED);
    chord->AddChild(accent, UNSORTED);
    chord->AddChild(dot, UNSORTED);

    EXPECT_EQ(chord->RemoveChild(note, 0), 1);
    EXPECT_TRUE(chord->GetChildren()->IsEmpty());
    EXPECT_EQ(chord->GetFlags() & ECBase::EF_CHILDREN, 0u);
    EXPECT_TRUE(chord->GetParents()->IsEmpty());
    EXPECT_TRUE(measure->GetChildren()->IsEmpty());
    for (ECBase* event : {static_cast<ECBase*>(note), static_cast<ECBase*>(accent), static_cast<ECBase*>(dot)})
        EXPECT_TRUE(event->GetParents()->IsEmpty()) << event->GetClassType();
    EXPECT_EQ(chord->GetRefCount(), 1);   // the test's hold alone
}

TEST(ECChord, KeepsItselfWhileANoteRemains) {
    Held hold;
    ECBase* measure = hold(new Container(ET_MEASURE));
    ECChord* chord = new ECChord;
    measure->AddChild(chord, SORTED);
    ECNote* first = NoteAt(0.0f);
    ECNote* second = NoteAt(0.0f);
    ECAccent* accent = new ECAccent;
    chord->AddChild(first, SORTED);
    chord->AddChild(second, SORTED);
    chord->AddChild(accent, UNSORTED);
    ECNote* stranger = hold(NoteAt(0.0f));

    EXPECT_EQ(chord->RemoveChild(stranger, 0), 0);   // not a child
    EXPECT_EQ(chord->RemoveChild(first, 0), 1);
    EXPECT_EQ(Events(chord->GetChildren()), (std::vector<ECBase*>{second, accent}));
    EXPECT_EQ(Events(measure->GetChildren()), std::vector<ECBase*>{chord});

    // Taking all children at once takes the chord out too.
    EXPECT_EQ(chord->RemoveChildren(0), 1);
    EXPECT_TRUE(measure->GetChildren()->IsEmpty());
}

TEST(ECChord, RemovedFromAMeasureItHandsItsNotesToTheMeasure) {
    for (bool underBeam : {false, true}) {
        Held hold;
        ECBase* measure = hold(new Container(ET_MEASURE));
        ECBase* parent = measure;
        if (underBeam) {
            parent = new Container(ET_BEAM);
            measure->AddChild(parent, SORTED);
        }
        ECNote* before = NoteAt(0.0f);
        measure->AddChild(before, SORTED);
        ECChord* chord = hold(new ECChord);
        const MCTime one(1.0f);
        chord->SetTime(&one);
        parent->AddChild(chord, SORTED);
        ECNote* low = hold(NoteAt(1.0f));
        ECNote* shared = hold(NoteAt(1.0f));   // already in the measure as well
        ECAccent* accent = hold(new ECAccent);
        chord->AddChild(low, SORTED);
        chord->AddChild(shared, SORTED);
        chord->AddChild(accent, UNSORTED);
        measure->AddChild(shared, SORTED);

        EXPECT_EQ(chord->RemoveFromParents(), 1);
        EXPECT_TRUE(chord->GetParents()->IsEmpty()) << underBeam;
        EXPECT_TRUE(chord->GetChildren()->IsEmpty()) << underBeam;
        EXPECT_TRUE(accent->GetParents()->IsEmpty()) << underBeam;
        // The notes in time order, the shared one once.
        std::vector<ECBase*> expected = {before, shared, low};
        if (underBeam)
            expected = {parent, before, shared, low};   // the beam has the null time
        EXPECT_EQ(Events(measure->GetChildren()), expected) << underBeam;
        EXPECT_EQ(Events(low->GetParents()), std::vector<ECBase*>{measure}) << underBeam;
        EXPECT_EQ(Events(shared->GetParents()), std::vector<ECBase*>{measure}) << underBeam;
    }
}

TEST(ECChord, WithoutAMeasureAboveItNothingMoves) {
    Held hold;
    // Under a beam that is in no measure: the notes do not move, and the
    // chord, losing its last parent, lets go of them.
    ECBase* beam = hold(new Container(ET_BEAM));
    ECChord* chord = hold(new ECChord);
    beam->AddChild(chord, SORTED);
    ECNote* note = hold(NoteAt(0.0f));
    chord->AddChild(note, SORTED);
    EXPECT_EQ(chord->RemoveFromParents(), 1);
    EXPECT_TRUE(beam->GetChildren()->IsEmpty());
    EXPECT_TRUE(note->GetParents()->IsEmpty());
    EXPECT_TRUE(chord->GetChildren()->IsEmpty());

    // A chord with no parent at all keeps its children.
    ECChord* lone = hold(new ECChord);
    lone->AddChild(NoteAt(0.0f), SORTED);
    EXPECT_EQ(lone->RemoveFromParents(), 1);
    EXPECT_EQ(lone->GetChildren()->GetCount(), 1);
}
