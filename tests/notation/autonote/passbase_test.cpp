// The pass base: its own defaults, the gatherings by voice, by tick slice and
// of borrowed elements, and the counting units of meters and tuplets.
#include "notation/autonote/passbase.h"

#include "model/groupmarks.h"
#include "model/markings.h"
#include "model/meter.h"
#include "model/notes.h"
#include "notation/display/note.h"
#include "tests/model/eventio_support.h"
#include "tests/notation/autonote/notate_support.h"

#include <gtest/gtest.h>

namespace notate_test {
IMPLEMENT_DYNCREATE(StandInNotate, DCctBase)
}

namespace {

using notate_test::NotateScope;

// A list of free events; the list holds them and frees them with itself.
class Events {
public:
    template <class T>
    T* Add(T* event, int voice) {
        event->SetVoiceTrack(voice, 1);
        list.AddEvent(event, UNSORTED);
        return event;
    }
    MCEventList list;
};

std::vector<ECBase*> Items(const MCEventList& list) {
    std::vector<ECBase*> items;
    for (POSITION pos = list.GetHeadPosition(); pos;)
        items.push_back(list.GetNext(pos));
    return items;
}

TEST(PassBaseTest, KeepsItsOwnDefaults) {
    ANBase pass;
    EXPECT_EQ(pass.GetResolution(), 64);
    EXPECT_EQ(pass.GetHiddenThreshold().GetTicks(256), 16);
    EXPECT_EQ(pass.GetHiddenThreshold(), MCTime(16.f / 256.f));
    EXPECT_EQ(pass.GetTimeRangeStart(), MCTime::TimeZero());
    EXPECT_EQ(pass.GetTimeRangeEnd(), MCTime::TimeZero());
    EXPECT_EQ(pass.GetBaseEvent(), nullptr);
    EXPECT_EQ(pass.GetConductor(), nullptr);
    EXPECT_EQ(pass.GetUpdateRect(), nullptr);
    // Attaching nothing is no crash and leaves no conductor.
    pass.Attach(nullptr);
    EXPECT_EQ(pass.GetConductor(), nullptr);
}

TEST(PassBaseTest, AttachTakesThePerformancesConductor) {
    measure_test::Score score(0, 1);
    ANBase pass;
    pass.Attach(ECPerformance::GetActivePerformance());
    EXPECT_EQ(pass.GetBaseEvent(), ECPerformance::GetActivePerformance());
    EXPECT_EQ(pass.GetConductor(), score.conductor);
}

TEST(PassBaseTest, ByVoiceCollectsNotatedElementsOnly) {
    Events in;
    ECBase* note = in.Add(new ECNote, 0);
    in.Add(new ECClef(0), 0);   // not a notated element
    ECBase* rest = in.Add(new ECRest, 0);
    ECBase* chord = in.Add(new ECChord, 2);
    ECBase* tuplet = in.Add(new ECTuplet, 3);
    ECBase* grace = in.Add(new ECGraceNote, 7);
    ECBase* converted = in.Add(new ECNote, 0);
    converted->GetVoiceTrack()->SetDevice(0);   // bit 15: voice 15

    struct Case {
        unsigned low, high;
        std::vector<ECBase*> expected;
    };
    const Case cases[] = {
        {0, 0, {note, rest}},
        {2, 3, {chord, tuplet}},
        {0, 7, {note, rest, chord, tuplet, grace}},
        {15, 15, {converted}},
        {8, 14, {}},
    };
    ANBase pass;
    for (const Case& c : cases) {
        MCEventList out;
        if (c.low == c.high)
            pass.GetDataByVoice(out, in.list, c.low);
        else
            pass.GetDataByVoice(out, in.list, c.low, c.high);
        EXPECT_EQ(Items(out), c.expected) << c.low << ".." << c.high;
    }

    // An empty input empties the output.
    MCEventList out;
    out.AddEvent(note, UNSORTED);
    MCEventList empty;
    pass.GetDataByVoice(out, empty, 0);
    EXPECT_TRUE(out.IsEmpty());
}

TEST(PassBaseTest, CountVoicesCountsVoicesZeroToSeven) {
    struct Case {
        std::vector<int> voices;   // -1: a converted word (voice 15)
        int expected;
    };
    const Case cases[] = {
        {{}, 0},
        {{0, 0, 3, 9}, 2},
        {{0, 1, 2, 3, 4, 5, 6, 7}, 8},
        {{7, -1, 15}, 1},
    };
    ANBase pass;
    for (const Case& c : cases) {
        Events in;
        for (int voice : c.voices) {
            ECBase* note = in.Add(new ECNote, voice < 0 ? 0 : voice);
            if (voice < 0)
                note->GetVoiceTrack()->SetDevice(1);
        }
        EXPECT_EQ(pass.CountVoices(in.list), c.expected) << c.voices.size();
    }
}

TEST(PassBaseTest, TimeSliceTakesFromUpToToAndStopsEarly) {
    NotateScope scope;
    Events in;
    std::vector<ECBase*> notes;
    for (int tick : {0, 64, 128, 128, 192, 256}) {
        ECBase* note = in.Add(new ECNote, 0);
        NotateScope::Display(note)->tickStart = tick;
        notes.push_back(note);
    }
    struct Case {
        uint16_t from, to;
        std::vector<int> expected;   // indexes
    };
    const Case cases[] = {
        {64, 192, {1, 2, 3}},
        {0, 1024, {0, 1, 2, 3, 4, 5}},
        {128, 128, {}},   // an empty slice
        {300, 400, {}},
    };
    ANBase pass;
    for (const Case& c : cases) {
        MCEventList out;
        pass.GetDataByTimeSlice(out, in.list, c.from, c.to, 1);
        std::vector<ECBase*> expected;
        for (int i : c.expected)
            expected.push_back(notes[static_cast<size_t>(i)]);
        EXPECT_EQ(Items(out), expected) << c.from << ".." << c.to;
    }

    // Appends to what the output holds; ends at an element without display
    // data even when later ones would fit.
    MCEventList out;
    out.AddEvent(notes[5], UNSORTED);
    ECBase* bare = new ECRest;
    in.list.AddEvent(bare, UNSORTED);
    notes[4]->Ref();   // kept alive while it moves to the end
    in.list.RemoveEvent(notes[4]);
    in.list.AddEvent(notes[4], UNSORTED);   // after the rest without display data
    notes[4]->Unref(1);
    pass.GetDataByTimeSlice(out, in.list, 0, 1024, 1);
    EXPECT_EQ(Items(out), (std::vector<ECBase*>{notes[5], notes[0], notes[1], notes[2], notes[3], notes[5]}));
}

TEST(PassBaseTest, BorrowedElementsAndTheirDistinctBases) {
    NotateScope scope;
    struct Item {
        int borrowed;
        int base;
        bool display;
    };
    const Item items[] = {
        {0, 0, true},
        {1, 0xAB, true},
        {1, 0xAB, true},   // the same base again
        {0, 0, false},     // no display data: passed over
        {1, 0xFFFF, true},
        {1, 0x40, false},
    };
    for (int remove : {0, 1}) {
        Events in;
        std::vector<ECBase*> all;
        for (const Item& item : items) {
            ECBase* note = in.Add(new ECNote, 0);
            all.push_back(note);
            if (!item.display)
                continue;
            notate_test::StandInNotate* display = NotateScope::Display(note);
            display->borrowed = item.borrowed;
            display->base = item.base;
        }
        MCEventList borrowed;
        std::vector<uint16_t> bases = {1, 2, 3};   // emptied first
        ANBase pass;
        pass.GetBorrowedEvents(in.list, borrowed, bases, remove);
        EXPECT_EQ(Items(borrowed), (std::vector<ECBase*>{all[1], all[2], all[4]})) << remove;
        EXPECT_EQ(bases, (std::vector<uint16_t>{0xAB, 0xFFFF})) << remove;
        const std::vector<ECBase*> left =
            remove ? std::vector<ECBase*>{all[0], all[3], all[5]} : all;
        EXPECT_EQ(Items(in.list), left) << remove;
    }
}

// Without links the note displays themselves answer.
TEST(PassBaseTest, BorrowedNotesReadFromTheirDisplays) {
    measure_test::RegistryCell cell(ET_NOTE, RUNTIME_CLASS(DCctNote));
    Events in;
    std::vector<ECBase*> all;
    for (int borrowed : {1, 0, 1}) {
        ECBase* note = in.Add(new ECNote, 0);
        all.push_back(note);
        auto* display = dynamic_cast<DCctNotate*>(note->GetData(DK_NOTATION, 1));
        ASSERT_NE(display, nullptr);
        display->SetBase(borrowed ? 192 : 128, 128);
    }
    auto* first = dynamic_cast<DCctNotate*>(all[0]->GetData(DK_NOTATION, 0));
    ASSERT_TRUE(first->IsBorrowed());
    MCEventList borrowed;
    std::vector<uint16_t> bases;
    ANBase pass;
    pass.GetBorrowedEvents(in.list, borrowed, bases, 1);
    EXPECT_EQ(Items(borrowed), (std::vector<ECBase*>{all[0], all[2]}));
    EXPECT_EQ(bases, (std::vector<uint16_t>{first->GetBase(1)}));
    EXPECT_EQ(Items(in.list), (std::vector<ECBase*>{all[1]}));
}

// A meter as stored, with its type byte, and optionally its first pulses per
// stress, changed.
ECMeter* PatchedMeter(eventio::Held& held, unsigned char numerator, unsigned char denominator, int type,
                      int zeroPulses) {
    ECMeter meter(numerator, denominator, 2);
    std::vector<uint8_t> bytes = eventio::Save(&meter);
    const size_t stresses = meter.GetStressLengthArray().size();
    const size_t pulses = meter.GetPulsesPerStressArray().size();
    const size_t tail = 3 + 2 + 2 + (2 + 2 * stresses) + (2 + 2 * pulses);
    bytes[bytes.size() - tail] = static_cast<uint8_t>(type);
    if (zeroPulses) {
        bytes[bytes.size() - 2 * pulses] = 0;
        bytes[bytes.size() - 2 * pulses + 1] = 0;
    }
    if (type > 3)
        bytes.insert(bytes.end(), {0, 0, 0, 0});   // the two compound arrays
    return static_cast<ECMeter*>(held(eventio::Load(bytes)));
}

TEST(PassBaseTest, MeterBaseByKind) {
    eventio::Held held;
    struct Case {
        const char* name;
        ECMeter* meter;
        uint16_t expected;
    };
    auto* composite = held(new ECMeter);
    ASSERT_EQ(composite->SetMeter({3, 2}, {8}, 1), 1);
    const Case cases[] = {
        {"4/4 simple: a stress of two pulses", held(new ECMeter(4, 4, 2)), 256},
        {"6/8 kind 0: one stress of six eighths", held(new ECMeter(6, 8, 0)), 128},
        {"6/8 perfect: the dotted quarter", held(new ECMeter(6, 8, 255)), 384},
        {"5/8 imperfect: the pulse", held(new ECMeter(5, 8, 255)), 128},
        {"3+2/8 composite: the pulse", composite, 128},
        {"4/4 kind 0 without pulses", PatchedMeter(held, 4, 4, 0, 1), 256},
        {"kind 7", PatchedMeter(held, 6, 8, 7, 0), 256},
        {"no meter", nullptr, 256},
    };
    ANBase pass;
    for (const Case& c : cases)
        EXPECT_EQ(pass.GetBase(c.meter), c.expected) << c.name;
}

TEST(PassBaseTest, TupletUnitInTicks) {
    const std::pair<int, uint16_t> cases[] = {{0, 1024}, {1, 512}, {2, 256}, {3, 128}, {4, 64},
                                              {5, 32},   {6, 16},  {7, 8},   {8, 128}, {9, 128}};
    ANBase pass;
    for (const auto& [unit, ticks] : cases) {
        ECTuplet tuplet(3, 2, static_cast<unsigned char>(unit));
        EXPECT_EQ(pass.GetTupletUnitDuration(&tuplet), ticks) << unit;
    }
    EXPECT_EQ(pass.GetTupletUnitDuration(nullptr), 128);
}

}  // namespace
