// Beams: notes, chords and rests of a voice grouped by the meter's stresses
// and subdivisions, tuplets by their borrowed meter, grace notes under their
// note; existing beams reused. Ticks count 256 a quarter from the measure
// start.
#include "notation/autonote/beampass.h"
#include "notation/autonote/notatelinks.h"

#include "model/eventtypes.h"
#include "model/groupmarks.h"
#include "model/measure.h"
#include "model/meter.h"
#include "model/notes.h"
#include "model/performance.h"
#include "model/textmarks.h"
#include "notation/display/beam.h"
#include "notation/display/chord.h"
#include "notation/display/measure.h"
#include "notation/display/note.h"
#include "notation/display/rest.h"
#include "notation/display/tuplet.h"
#include "notation/layout/ruler.h"
#include "notation/view/dirtyrect.h"
#include "tests/notation/display/measure_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using measure_test::RegistryCell;
using measure_test::Score;

constexpr int kNormalStaff = 0;
constexpr int kEighthUnit = 3;
constexpr WORD kQuarterBase = 256;
// A triplet eighth's division: a borrowed dotted quarter over a quarter.
constexpr WORD kTripletBorrowed = 384;

MCTime Ticks(int ticks) {
    return MCTime(static_cast<float>(ticks) / 256.0f);
}

DCctNotate* Notate(ECBase* element) {
    return dynamic_cast<DCctNotate*>(element->GetData(DK_NOTATION, 0));
}

int TicksOfValue(const std::string& token) {
    int ticks = 0;
    switch (token.empty() ? '?' : token[0]) {
    case 'w': ticks = 1024; break;
    case 'h': ticks = 512; break;
    case 'q': ticks = 256; break;
    case 'e': ticks = 128; break;
    case 's': ticks = 64; break;
    case 't': ticks = 32; break;
    default: ADD_FAILURE() << "no value " << token; return 0;
    }
    int add = ticks / 2;
    for (size_t i = 1; i < token.size() && token[i] == '.'; ++i, add /= 2)
        ticks += add;
    return ticks;
}

std::vector<ECBase*> BeamsUnder(ECBase* parent) {
    std::vector<ECBase*> beams;
    MCEventList* children = parent->GetChildren();
    for (POSITION pos = children->GetHeadPosition(); pos;) {
        ECBase* child = children->GetNext(pos);
        if (child->GetClassType() == ET_BEAM)
            beams.push_back(child);
    }
    return beams;
}

// A note that records, each time it is linked under a beam, whether another
// thread could take the performance's lock.
class ProbeNote : public ECNote {
public:
    using ECNote::ECNote;
    int AddParent(ECBase* parent) override {
        if (performance && parent->GetClassType() == ET_BEAM) {
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

// One staff of one measure of a meter, beam-dirty, with voices 0 and 1 in
// its voice table.
class BeamPassTest : public ::testing::Test {
protected:
    void Make(unsigned char numerator, unsigned char denominator) {
        score.reset();   // the active performance goes back before the next is made
        score = std::make_unique<Score>(kNormalStaff, 1);
        meter = std::make_unique<ECMeter>(numerator, denominator, 2);
        measure = score->Measure(1);
        display = dynamic_cast<DCctMeasure*>(measure->GetData(DK_NOTATION, 1));
        ASSERT_NE(display, nullptr);
        display->GetVoiceTable() = {0, 1};
        display->SetBeamDirty(1);
        pass.Attach(ECPerformance::GetActivePerformance());
        elements.clear();
    }

    // An element at `start` for `length` under `parent` (the measure unless
    // given), its display holding the ticks.
    template <class Element>
    Element* Add(Element* element, int start, int length, int voice = 0, ECBase* parent = nullptr) {
        MCTime time = *measure->GetTime();
        time += Ticks(start);
        element->SetTime(&time);
        const MCTime duration = Ticks(length);
        element->SetDuration(&duration);
        element->SetVoiceTrack(voice, 1);
        (parent ? parent : measure)->AddChild(element, SORTED);
        DCctNotate* notate = dynamic_cast<DCctNotate*>(element->GetData(DK_NOTATION, 1));
        notate->SetTickStart(static_cast<WORD>(start));
        notate->SetTickDuration(static_cast<WORD>(length));
        notate->SetBase(kQuarterBase, kQuarterBase);
        elements.push_back(element);
        return element;
    }

    // A bar written as values one after another (w h q e s t, dots after the
    // letter, an `r` before it for a rest), in `voice`.
    void Write(const std::string& bar, int voice = 0) {
        std::istringstream words(bar);
        int at = 0;
        for (std::string word; words >> word;) {
            const bool rest = word[0] == 'r';
            const int length = TicksOfValue(rest ? word.substr(1) : word);
            if (rest)
                Add(new ECRest, at, length, voice);
            else
                Add(new ECNote, at, length, voice);
            at += length;
        }
    }

    void Run() { pass.DoMeasure(score->staff, measure, meter.get()); }

    int IndexOf(ECBase* element) const {
        for (size_t i = 0; i < elements.size(); ++i)
            if (elements[i] == element)
                return static_cast<int>(i);
        return -1;
    }

    // Each beam under `parent` as its members' indices and its tick range:
    // "1,2@256-512", beams apart by a space.
    std::string Groups(ECBase* parent = nullptr) const {
        std::string text;
        for (ECBase* beam : BeamsUnder(parent ? parent : measure)) {
            if (!text.empty())
                text += " ";
            MCEventList* members = beam->GetChildren();
            std::string names;
            for (POSITION pos = members->GetHeadPosition(); pos;)
                names += (names.empty() ? "" : ",") + std::to_string(IndexOf(members->GetNext(pos)));
            WORD first = 0, last = 0;
            if (auto* data = dynamic_cast<DCctBeam*>(beam->GetData(DK_NOTATION, 0)))
                data->GetTickRange(&first, &last);
            text += names + "@" + std::to_string(first) + "-" + std::to_string(last);
        }
        return text;
    }

    RegistryCell measures{ET_MEASURE, RUNTIME_CLASS(DCctMeasure)};
    RegistryCell notes{ET_NOTE, RUNTIME_CLASS(DCctNote)};
    RegistryCell graces{ET_GRACENOTE, RUNTIME_CLASS(DCctNote)};
    RegistryCell rests{ET_REST, RUNTIME_CLASS(DCctRest)};
    RegistryCell chords{ET_CHORD, RUNTIME_CLASS(DCctChord)};
    RegistryCell beams{ET_BEAM, RUNTIME_CLASS(DCctBeam)};
    RegistryCell tuplets{ET_TUPLET, RUNTIME_CLASS(DCctTuplet)};
    std::unique_ptr<Score> score;
    std::unique_ptr<ECMeter> meter;
    ECMeasure* measure = nullptr;
    DCctMeasure* display = nullptr;
    std::vector<ECBase*> elements;   // in the order they were added
    ANBeam pass;
};

TEST(BeamMeterTest, SimpleMetersHaveAHalfOrQuarterBeat) {
    const struct {
        unsigned char numerator, denominator;
        bool simple;
    } cases[] = {
        {4, 4, true}, {3, 4, true}, {2, 2, true}, {6, 8, false}, {3, 8, false}, {12, 8, false}, {2, 16, false},
    };
    for (const auto& c : cases) {
        ECMeter meter(c.numerator, c.denominator, 2);
        EXPECT_EQ(ANBeam::IsSimpleForBeaming(&meter), c.simple) << int(c.numerator) << "/" << int(c.denominator);
    }
    EXPECT_FALSE(ANBeam::IsSimpleForBeaming(nullptr));
}

TEST_F(BeamPassTest, OneVoiceGroupedByTheMeter) {
    const struct {
        unsigned char numerator, denominator;
        const char* bar;
        const char* groups;
    } cases[] = {
        // A stress of contiguous eighths is one beam over the whole stress.
        {4, 4, "e e e e e e e e", "0,1,2,3@0-512 4,5,6,7@512-1024"},
        {4, 4, "s s s s s s s s s s s s s s s s", "0,1,2,3@0-256 4,5,6,7@256-512 8,9,10,11@512-768 12,13,14,15@768-1024"},
        // Rests between notes are members; rests at the ends are not.
        {4, 4, "e re e e h", "0,1,2,3@0-512"},
        {4, 4, "re e e e h", "1,2,3@0-512"},
        {4, 4, "e e e re h", "0,1,2@0-512"},
        {4, 4, "re e re re h", ""},
        // A quarter in the stress: the beats are beamed one by one.
        {4, 4, "q e e h", "1,2@256-512"},
        {4, 4, "e q e h", ""},
        {4, 4, "e. s h.", "0,1@0-256"},
        {4, 4, "q e s s h", "1,2,3@256-512"},
        // A half beat: a failed beat is tried in its halves.
        {2, 2, "q e e h", "1,2@256-512"},
        {3, 4, "e e e e e e", "0,1,2,3,4,5@0-768"},
        {2, 2, "e e e e e e e e", "0,1,2,3@0-512 4,5,6,7@512-1024"},
        // Compound meters: runs of short values in each stress, each beam
        // recording the whole stress.
        {6, 8, "e e e e e e", "0,1,2@0-384 3,4,5@384-768"},
        {6, 8, "q e e q", ""},
        {6, 8, "s s q e q", "0,1@0-384"},
        {6, 8, "e re e q.", "0,1,2@0-384"},
        {12, 8, "e q s s e e e e e q.", "2,3,4,5@384-768 6,7,8@768-1152"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.numerator) + "/" + std::to_string(c.denominator) + ": " + c.bar);
        Make(c.numerator, c.denominator);
        Write(c.bar);
        Run();
        EXPECT_EQ(Groups(), c.groups);
        EXPECT_EQ(display->BeamDirty(), 0);
    }
}

TEST_F(BeamPassTest, TheBeamTakesItsFirstMembersTimeAndVoiceAndClearsFlags) {
    Make(4, 4);
    Write("q h", 1);
    Write("re e e e h", 0);
    for (ECBase* element : elements)
        if (auto* note = dynamic_cast<DCctNote*>(Notate(element)))
            note->SetFlag(1);
    Run();
    ASSERT_EQ(Groups(), "3,4,5@0-512");   // voice 1 has nothing to beam
    ECBase* beam = BeamsUnder(measure).front();
    EXPECT_EQ(*beam->GetTime(), *elements[3]->GetTime());
    EXPECT_EQ(beam->GetVoiceTrack()->GetVoice(), 0);
    for (int member : {3, 4, 5})
        EXPECT_EQ(dynamic_cast<DCctNote*>(Notate(elements[member]))->GetFlag(), 0) << member;
    EXPECT_EQ(dynamic_cast<DCctNote*>(Notate(elements[6]))->GetFlag(), 1);
}

TEST_F(BeamPassTest, AMeasureThatIsNotBeamDirtyKeepsItsBeams) {
    Make(4, 4);
    Write("e e e e h");
    display->SetBeamDirty(0);
    Run();
    EXPECT_EQ(Groups(), "");
}

TEST_F(BeamPassTest, AnExistingBeamIsReusedAndMarkedDirty) {
    Make(4, 4);
    Write("e e e e h");
    Run();
    ASSERT_EQ(Groups(), "0,1,2,3@0-512");
    ECBase* beam = BeamsUnder(measure).front();
    auto* beamDisplay = dynamic_cast<DCctBeam*>(beam->GetData(DK_NOTATION, 0));
    beamDisplay->SetDirty(0);
    // A member left the beam (as after an edit); the next run takes it back.
    beam->RemoveChild(elements[3], 0);
    display->SetBeamDirty(1);
    Run();
    EXPECT_EQ(Groups(), "0,1,2,3@0-512");
    EXPECT_EQ(BeamsUnder(measure).front(), beam);
    EXPECT_NE(beamDisplay->IsDirty(), 0);
}

TEST_F(BeamPassTest, AChordNoteInABeamBringsItsChordsBeam) {
    Make(4, 4);
    auto* chord = Add(new ECChord, 0, 128);
    ECNote* lower = Add(new ECNote, 0, 128, 0, chord);   // the chord reads its ticks
    Add(new ECNote, 128, 128);
    Add(new ECNote, 256, 768);
    // An older beam holds the chord; the chord's note leads the search there.
    auto* old = new ECBeam;
    old->SetTime(chord->GetTime());
    measure->AddChild(old, SORTED);
    old->AddChild(chord, SORTED);
    MCEventList members;
    members.AddEvent(lower, UNSORTED);
    EXPECT_EQ(ANBeam::FindBeamParent(members), old);

    Run();
    EXPECT_EQ(Groups(), "0,2@0-256");
    EXPECT_EQ(BeamsUnder(measure).front(), old);
}

TEST_F(BeamPassTest, TupletsFollowTheirBorrowedMeter) {
    Make(4, 4);
    Add(new ECNote, 0, 256);
    auto* tuplet = new ECTuplet(3, 2, kEighthUnit);
    MCTime time = *measure->GetTime();
    time += Ticks(256);
    tuplet->SetTime(&time);
    tuplet->SetVoiceTrack(0, 1);
    measure->AddChild(tuplet, SORTED);
    auto* tupletDisplay = dynamic_cast<DCctTuplet*>(tuplet->GetData(DK_NOTATION, 1));
    tupletDisplay->SetTuplet(3, 2);
    tupletDisplay->SetBase(kTripletBorrowed, kQuarterBase);
    tupletDisplay->SetTickStart(256);
    tupletDisplay->SetTickDuration(256);
    // Own-scale ticks: a quarter's worth of triplet eighths from 384.
    for (int own : {384, 512, 640}) {
        ECNote* note = Add(new ECNote, own * kQuarterBase / kTripletBorrowed, 128, 0, tuplet);
        Notate(note)->SetBase(kTripletBorrowed, kQuarterBase);
        Notate(note)->SetTickStart(static_cast<WORD>(own));
    }
    Add(new ECNote, 512, 512);
    Run();
    EXPECT_EQ(Groups(), "1,2,3@256-512");
}

TEST_F(BeamPassTest, ABorrowedFirstMemberWithoutABorrowedLengthGivesNoRange) {
    Make(4, 4);
    Write("e e q h");
    const NotateLinks saved = GetNotateLinks();
    GetNotateLinks().isBorrowed = [](DCBase*) { return 1; };
    GetNotateLinks().base = [](DCBase*, int which) { return which == 1 ? 0 : 256; };
    Run();
    GetNotateLinks() = saved;
    EXPECT_EQ(Groups(), "0,1@0-0");
    CCriticalSection& lock = ECPerformance::GetActivePerformance()->GetLock();
    bool free = false;   // released whatever the range: another thread can take it
    std::thread other([&] {
        free = lock.try_lock();
        if (free)
            lock.unlock();
    });
    other.join();
    EXPECT_TRUE(free);
}

TEST_F(BeamPassTest, GraceNotesAreBeamedUnderTheirNote) {
    const struct {
        int graces;
        const char* groups;
    } cases[] = {
        {2, "2,3@256-512"},
        {3, "2,3,4@256-512"},
        {1, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.graces);
        Make(4, 4);
        Add(new ECNote, 0, 256);
        ECNote* host = Add(new ECNote, 256, 256);
        for (int i = 0; i < c.graces; ++i)
            Add(new ECGraceNote, 256, 64, 0, host);
        Add(new ECNote, 512, 512);
        Run();
        EXPECT_EQ(Groups(host), c.groups);
        EXPECT_EQ(Groups(), "");
    }
}

TEST_F(BeamPassTest, BeamedNotesKeepTheirMarksInTheRuler) {
    constexpr WORD kGrid = 64;
    constexpr WORD kPulse = 256;
    constexpr int kEnter = 0;
    constexpr int kOwnGroupOnly = 0;
    Make(4, 4);
    Write("e e e e h");
    MCRuler& ruler = display->GetRuler();
    ruler.CreateDivMarks(meter.get(), kGrid);
    for (ECBase* element : elements)
        ruler.UpdateRuler(element, kEnter);
    Run();
    ASSERT_EQ(Groups(), "0,1,2,3@0-512");
    for (ECBase* element : elements) {
        const WORD mark = ruler.GetDivMarkForTick(Notate(element)->GetTickStart(1), kPulse);
        EXPECT_NE(ruler.IsDivOccupied(mark, kOwnGroupOnly, kPulse), 0) << IndexOf(element);
    }
}

TEST_F(BeamPassTest, TheUpdateListGetsTheMembersTheBeamAndTheLyricsUnderIt) {
    Make(4, 4);
    Write("e e q h");
    auto* under = new ECLyric;
    under->SetTime(elements[1]->GetTime());
    measure->AddChild(under, SORTED);
    auto* later = new ECLyric;
    later->SetTime(elements[3]->GetTime());
    measure->AddChild(later, SORTED);
    DirtyRect update;
    pass.SetUpdateRect(&update);
    Run();
    ASSERT_EQ(Groups(), "0,1@0-256");
    MCEventList& updated = update.GetEvents();
    for (ECBase* expected : {elements[0], elements[1], BeamsUnder(measure).front(), static_cast<ECBase*>(under)})
        EXPECT_NE(updated.Find(expected), nullptr);
    EXPECT_EQ(updated.Find(later), nullptr);
    EXPECT_EQ(updated.Find(elements[2]), nullptr);
}

TEST_F(BeamPassTest, MembersAreLinkedUnderThePerformancesLock) {
    Make(4, 4);
    std::vector<ProbeNote*> probes;
    for (int start : {0, 128}) {
        auto* note = Add(new ProbeNote, start, 128);
        note->performance = ECPerformance::GetActivePerformance();
        probes.push_back(note);
    }
    Add(new ECNote, 256, 768);
    Run();
    ASSERT_EQ(Groups(), "0,1@0-256");
    for (ProbeNote* probe : probes)
        EXPECT_EQ(probe->linkedWhileFree, std::vector<bool>{false});
}

}  // namespace
