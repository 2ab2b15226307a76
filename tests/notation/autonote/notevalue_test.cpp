// Note values: quantized ticks become plain, dotted and tied values; notes
// crossing the bar line are cut and tied into the next measure; tuplet notes
// are valued in their borrowed meter; grace notes take values by number.
// Ticks count 256 a quarter from the measure start; 4/4 and a grid of 64
// unless a case says otherwise.
#include "notation/autonote/notevalue.h"

#include "model/groupmarks.h"
#include "model/measure.h"
#include "model/meter.h"
#include "model/modifiers.h"
#include "model/notes.h"
#include "model/performance.h"
#include "model/staff.h"
#include "notation/autonote/timecorrect.h"
#include "notation/display/note.h"
#include "notation/display/tuplet.h"
#include "notation/tools/tie.h"
#include "tests/notation/display/measure_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using measure_test::RegistryCell;
using measure_test::Score;

constexpr int kOwn = DCctTuplet::TICKS_OWN;
constexpr int kNormal = DCctTuplet::TICKS_NORMAL;
constexpr int kNormalStaff = 0;
constexpr int kEighthUnit = 3;
constexpr int kSearchOn = 1;
constexpr int kGrid = 64;
// A triplet eighth's division: a borrowed dotted quarter over a quarter.
constexpr WORD kTripletBorrowed = 384;
constexpr WORD kQuarterBase = 256;

MCTime Ticks(int ticks) {
    return MCTime(static_cast<float>(ticks) / 256.0f);
}

DCctNotate* Notate(ECBase* element) {
    return dynamic_cast<DCctNotate*>(element->GetData(DK_NOTATION, 0));
}

int DotsOf(ECBase* element) {
    MCEventList* children = element->GetChildren();
    const POSITION pos = children ? children->FindEvent(ET_DOT) : nullptr;
    return pos ? static_cast<ECDot*>(children->GetAt(pos))->GetDotType() : 0;
}

ECBase* MeasureOf(ECBase* element) {
    MCEventList* parents = element->GetParents();
    for (POSITION pos = parents->GetHeadPosition(); pos;) {
        ECBase* parent = parents->GetNext(pos);
        if (parent->GetClassType() == ET_MEASURE)
            return parent;
        if (parent->GetClassType() == ET_TUPLET)
            return MeasureOf(parent);
    }
    return nullptr;
}

// A value as a letter (w h q e s t), a dot for each dot.
std::string Written(ECBase* element) {
    DCctNotate* display = Notate(element);
    if (!display)
        return "?";
    std::string text;
    switch (display->GetValue()) {
    case 1024: text = "w"; break;
    case 512: text = "h"; break;
    case 256: text = "q"; break;
    case 128: text = "e"; break;
    case 64: text = "s"; break;
    case 32: text = "t"; break;
    default: text = "<" + std::to_string(display->GetValue()) + ">"; break;
    }
    return text + std::string(static_cast<size_t>(DotsOf(element)), '.');
}

// The notated chain from a note: its parts joined by ties (~), a bar line
// (|) before a part in a later measure.
std::string Chain(ECNote* note) {
    std::string text = Written(note);
    CTie ties;
    ECBase* measure = MeasureOf(note);
    for (int guard = 0; guard < 16; ++guard) {
        ECTie* tie = ties.FindTieParent(note, TIE_FORWARD);
        ECNote* next = tie ? ties.FindNoteChild(tie, TIE_FORWARD) : nullptr;
        if (!next || next == note)
            break;
        text += "~";
        if (MeasureOf(next) != measure)
            text += "|";
        measure = MeasureOf(next);
        text += Written(next);
        note = next;
    }
    return text;
}

int CountChildren(ECBase* parent, int type) {
    int count = 0;
    MCEventList* children = parent->GetChildren();
    for (POSITION pos = children->GetHeadPosition(); pos;)
        count += children->GetNext(pos)->GetClassType() == type ? 1 : 0;
    return count;
}

// The ties whose first member is the element: a note starts at most one.
int TiesStartedBy(ECBase* element) {
    int starts = 0;
    MCEventList* parents = element->GetParents();
    for (POSITION pos = parents->GetHeadPosition(); pos;) {
        ECBase* parent = parents->GetNext(pos);
        if (parent->GetClassType() == ET_TIE && parent->GetChildren()->GetHead() == element)
            ++starts;
    }
    return starts;
}

// A note that records, each time it is linked under a parent, whether
// another thread could take the performance's lock.
class ProbeNote : public ECNote {
public:
    using ECNote::ECNote;
    int AddParent(ECBase* parent) override {
        if (performance) {
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

// One staff of `measures` measures of a meter, each ruler built at the
// grid; the pass sees every time.
class NoteValueTest : public ::testing::Test {
protected:
    void Make(unsigned char numerator, unsigned char denominator, int measures = 2) {
        score.reset();   // the active performance goes back before the next is made
        score = std::make_unique<Score>(kNormalStaff, measures);
        meter = std::make_unique<ECMeter>(numerator, denominator, 2);
        for (int number = 1; number <= measures; ++number) {
            auto* display = dynamic_cast<DCctMeasure*>(score->Measure(number)->GetData(DK_NOTATION, 1));
            ASSERT_NE(display, nullptr);
            display->GetRuler().CreateDivMarks(meter.get(), kGrid);
        }
        pass.Attach(ECPerformance::GetActivePerformance());
        pass.SetTimeRange(MCTime::TimeZero(), MCTime::TimeMax());
    }

    // A note of measure `number` with its quantized ticks, under `parent`
    // (the measure unless given).
    template <class Note = ECNote>
    Note* AddNote(int number, int start, int length, ECBase* parent = nullptr) {
        ECMeasure* measure = score->Measure(number);
        MCTime time = *measure->GetTime();
        time += Ticks(start);
        auto* note = new Note(time, Ticks(length));
        note->SetVoiceTrack(0, 1);
        (parent ? parent : measure)->AddChild(note, SORTED);
        DCctNotate* display = dynamic_cast<DCctNotate*>(note->GetData(DK_NOTATION, 1));
        display->SetTickStart(static_cast<WORD>(start));
        display->SetTickDuration(static_cast<WORD>(length));
        display->SetBase(kQuarterBase, kQuarterBase);
        display->SetTimeDirty(0);
        display->SetValue(0, 0);   // no value until the pass gives one
        return note;
    }

    // A 3:2 tuplet of eighths at `start` (normal ticks) of measure `number`.
    ECTuplet* AddTuplet(int number, int start) {
        auto* tuplet = new ECTuplet(3, 2, kEighthUnit);
        MCTime time = *score->Measure(number)->GetTime();
        time += Ticks(start);
        tuplet->SetTime(&time);
        tuplet->SetVoiceTrack(0, 1);
        score->Measure(number)->AddChild(tuplet, SORTED);
        auto* display = dynamic_cast<DCctTuplet*>(tuplet->GetData(DK_NOTATION, 1));
        display->SetTuplet(3, 2);
        display->SetBase(kTripletBorrowed, kQuarterBase);
        display->SetTickStart(static_cast<WORD>(start));
        display->SetTickDuration(256);
        return tuplet;
    }
    // A member of `tuplet` at `own` ticks (the tuplet's scale) for `length`.
    ECNote* AddTupletNote(int number, ECTuplet* tuplet, int own, int length) {
        ECNote* note = AddNote(number, own * kQuarterBase / kTripletBorrowed, length, tuplet);
        DCctNotate* display = Notate(note);
        display->SetBase(kTripletBorrowed, kQuarterBase);
        display->SetTickStart(static_cast<WORD>(own));
        display->SetTickDuration(static_cast<WORD>(length));
        return note;
    }

    // Every note of the score starts at most one tie; each tie is timed at
    // its first note and the staff holds them in time order.
    void ExpectOneLine(const std::string& name) {
        MCEventList* measures = score->staff->GetChildren();
        const MCTime* before = nullptr;
        for (POSITION pos = measures->GetHeadPosition(); pos;) {
            ECBase* child = measures->GetNext(pos);
            if (child->GetClassType() == ET_MEASURE) {
                MCEventList* children = child->GetChildren();
                for (POSITION at = children->GetHeadPosition(); at;) {
                    ECBase* piece = children->GetNext(at);
                    if (piece->GetClassType() == ET_NOTE) {
                        EXPECT_LE(TiesStartedBy(piece), 1) << name << " at " << piece->GetTime()->GetTicks(256);
                    }
                }
            } else if (child->GetClassType() == ET_TIE) {
                ASSERT_FALSE(child->GetChildren()->IsEmpty()) << name;
                EXPECT_EQ(*child->GetTime(), *child->GetChildren()->GetHead()->GetTime()) << name;
                if (before) {
                    EXPECT_LE(*before, *child->GetTime()) << name;
                }
                before = child->GetTime();
            }
        }
    }

    void Run(int number) { pass.DoMeasure(score->conductor, score->staff, score->Measure(number), meter.get()); }

    RegistryCell measures{ET_MEASURE, RUNTIME_CLASS(DCctMeasure)};
    RegistryCell notes{ET_NOTE, RUNTIME_CLASS(DCctNote)};
    RegistryCell graces{ET_GRACENOTE, RUNTIME_CLASS(DCctNote)};
    RegistryCell dots{ET_DOT, RUNTIME_CLASS(DCctBase)};
    RegistryCell tuplets{ET_TUPLET, RUNTIME_CLASS(DCctTuplet)};
    std::unique_ptr<Score> score;
    std::unique_ptr<ECMeter> meter;
    ANNote pass;
};

TEST(NoteValueRuleTest, DotsOfALength) {
    const struct {
        unsigned ticks;
        int dots;
    } cases[] = {
        {256, 0}, {384, 1}, {448, 2}, {320, 0}, {96, 1}, {1536, 1}, {1792, 2},
        {3072, 0},   // a dotted double whole: too long for dots
        {0, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ANNote::Dotted(c.ticks), c.dots) << c.ticks;
    EXPECT_EQ(ANNote::UndottedValue(384, 1), 256u);
    EXPECT_EQ(ANNote::UndottedValue(448, 2), 256u);
    EXPECT_EQ(ANNote::UndottedValue(480, 3), 256u);
}

TEST(NoteValueRuleTest, DotModeOfAMeter) {
    const struct {
        unsigned char numerator, denominator;
        uint16_t resolution;
        int mode;
    } cases[] = {
        {4, 4, 64, ANNote::DOTS_NOTES},
        {3, 4, 64, ANNote::DOTS_NOTES},
        {6, 8, 64, ANNote::DOTS_ALL},      // the pulse is finer than the grid's step
        {6, 8, 128, ANNote::DOTS_STRESS},  // the pulse is the grid's step
        {5, 4, 64, ANNote::DOTS_ALL},
    };
    for (const auto& c : cases) {
        ECMeter meter(c.numerator, c.denominator, 2);
        EXPECT_EQ(ANNote::DotRuleForMeter(&meter, c.resolution), c.mode)
            << int(c.numerator) << "/" << int(c.denominator) << " at " << c.resolution;
    }
}

TEST_F(NoteValueTest, SingleNotesInTheirMeter) {
    const struct {
        unsigned char numerator, denominator;
        int start, length;
        const char* written;
    } cases[] = {
        {4, 4, 0, 256, "q"},
        {4, 4, 256, 256, "q"},
        {4, 4, 128, 256, "q"},   // syncopated inside the first half
        {4, 4, 0, 384, "q."},
        {4, 4, 128, 384, "q."},
        {4, 4, 256, 512, "h"},
        {4, 4, 0, 448, "q.."},
        {4, 4, 256, 768, "h."},
        {4, 4, 384, 256, "e~e"},
        {4, 4, 0, 320, "q~s"},
        {4, 4, 0, 640, "h~e"},
        {4, 4, 0, 1024, "w"},
        {4, 4, 960, 64, "s"},
        {3, 4, 256, 512, "h"},
        {6, 8, 0, 384, "q."},
        {6, 8, 128, 256, "q"},
        {6, 8, 256, 256, "e~e"},
        {6, 8, 384, 384, "q."},
    };
    for (const auto& c : cases) {
        const std::string name = std::to_string(c.numerator) + "/" + std::to_string(c.denominator) + " " +
                                 std::to_string(c.start) + "," + std::to_string(c.length);
        Make(c.numerator, c.denominator);
        ECNote* note = AddNote(1, c.start, c.length);
        Run(1);
        EXPECT_EQ(Chain(note), c.written) << name;
        EXPECT_EQ(Notate(note)->ValueDirty(), 0) << name;
        EXPECT_EQ(Notate(note)->GetTickStart(kOwn), c.start) << name;
        // Every part stays in the measure; the ties stand under the staff.
        const int parts = static_cast<int>(std::count(c.written, c.written + std::strlen(c.written), '~')) + 1;
        EXPECT_EQ(CountChildren(score->Measure(1), ET_NOTE), parts) << name;
        EXPECT_EQ(CountChildren(score->staff, ET_TIE), parts - 1) << name;
    }
}

TEST_F(NoteValueTest, SplitPartsCarryTheLaterTicks) {
    Make(4, 4);
    ECNote* note = AddNote(1, 0, 640);
    DCctNotate* display = Notate(note);
    display->SetStemDirection(1, 0);
    Run(1);
    CTie ties;
    ECTie* tie = ties.FindTieParent(note, TIE_FORWARD);
    ASSERT_NE(tie, nullptr);
    ECNote* later = ties.FindNoteChild(tie, TIE_FORWARD);
    ASSERT_NE(later, nullptr);
    EXPECT_EQ(display->GetTickDuration(kOwn), 512);
    EXPECT_EQ(Notate(later)->GetTickStart(kOwn), 512);
    EXPECT_EQ(Notate(later)->GetTickDuration(kOwn), 128);
    EXPECT_EQ(Notate(later)->GetStemDirection(), 1);
    EXPECT_EQ(Notate(later)->TimeDirty(), 0);
    EXPECT_EQ(*later->GetTime(), Ticks(512));
    EXPECT_EQ(later->GetVoiceTrack()->GetVoice(), note->GetVoiceTrack()->GetVoice());
    EXPECT_EQ(*tie->GetTime(), *note->GetTime());
}

TEST_F(NoteValueTest, ANoteOverTheBarLineIsTiedIntoTheNextMeasure) {
    Make(4, 4, 2);
    ECNote* note = AddNote(1, 768, 512);
    Run(1);
    CTie ties;
    ECTie* tie = ties.FindTieParent(note, TIE_FORWARD);
    ASSERT_NE(tie, nullptr);
    ECNote* later = ties.FindNoteChild(tie, TIE_FORWARD);
    ASSERT_NE(later, nullptr);
    EXPECT_EQ(MeasureOf(later), score->Measure(2));
    EXPECT_EQ(*later->GetTime(), *score->Measure(2)->GetTime());
    EXPECT_EQ(Notate(later)->GetTickStart(kOwn), 0);
    EXPECT_EQ(Notate(later)->GetTickDuration(kOwn), 256);
    EXPECT_EQ(Notate(later)->TimeDirty(), 1);   // read again by the next run
    Run(2);
    EXPECT_EQ(Chain(note), "q~|q");
}

TEST_F(NoteValueTest, TiedOnOverSeveralBarLines) {
    const struct {
        int start, length;
        const char* written;
        int ties;
    } cases[] = {
        {0, 2560, "w~|w~|h", 2},
        {512, 1280, "h~|h.", 1},
    };
    for (const auto& c : cases) {
        Make(4, 4, 3);
        ECNote* note = AddNote(1, c.start, c.length);
        for (int number = 1; number <= 3; ++number)
            Run(number);
        EXPECT_EQ(Chain(note), c.written) << c.start << "," << c.length;
        EXPECT_EQ(CountChildren(score->staff, ET_TIE), c.ties) << c.start << "," << c.length;
    }
}

// The part before the bar line is divided after the part past it was cut
// off: the tie over the bar line starts at the last piece before it, and the
// chain stays a line whose ties stand in time order under the staff.
TEST_F(NoteValueTest, APartBeforeTheBarLineDividedAgain) {
    const struct {
        int start, length;
        const char* written;
    } cases[] = {
        {384, 896, "e~h~|q"},
        {192, 1088, "s~q~h~|q"},
        {384, 1920, "e~h~|w~|q"},
    };
    for (const auto& c : cases) {
        const std::string name = std::to_string(c.start) + "," + std::to_string(c.length);
        Make(4, 4, 3);
        ECNote* note = AddNote(1, c.start, c.length);
        for (int number = 1; number <= 3; ++number)
            Run(number);
        EXPECT_EQ(Chain(note), c.written) << name;
        const int parts = static_cast<int>(std::count(c.written, c.written + std::strlen(c.written), '~')) + 1;
        EXPECT_EQ(CountChildren(score->staff, ET_TIE), parts - 1) << name;
        ExpectOneLine(name);
    }
}

// A tie over a bar line stands among the staff's measures by its time, after
// the measure of its first note and before the next, ties of one time in the
// order they were made, whichever measures were valued first.
TEST_F(NoteValueTest, TiesStandAmongTheStaffsMeasuresByTime) {
    for (const bool backwards : {false, true}) {
        SCOPED_TRACE(backwards ? "last measure first" : "in order");
        Make(4, 4, 6);
        std::vector<ECNote*> tied;
        for (int number : {1, 3, 5}) {
            tied.push_back(AddNote(number, 768, 512));
            ECNote* lower = AddNote(number, 768, 512);   // a second voice, tied at the same time
            lower->SetVoiceTrack(1, 1);
            tied.push_back(lower);
        }
        for (int i = 0; i < 6; ++i)
            Run(backwards ? 6 - i : i + 1);
        MCEventList* staff = score->staff->GetChildren();
        EXPECT_TRUE(staff->IsSorted());
        CTie ties;
        for (ECNote* note : tied) {
            ECTie* tie = ties.FindTieParent(note, TIE_FORWARD);
            ASSERT_NE(tie, nullptr);
            POSITION at = staff->Find(tie);
            ASSERT_NE(at, nullptr);
            POSITION before = at;
            while (staff->GetPrev(before), before && staff->GetAt(before)->GetClassType() == ET_TIE) {
            }
            ASSERT_NE(before, nullptr);
            EXPECT_EQ(staff->GetAt(before), MeasureOf(note));
        }
        // The upper voice's tie was made first in each measure.
        for (size_t i = 0; i < tied.size(); i += 2) {
            POSITION upper = staff->Find(ties.FindTieParent(tied[i], TIE_FORWARD));
            staff->GetNext(upper);
            EXPECT_EQ(upper ? staff->GetAt(upper) : nullptr, ties.FindTieParent(tied[i + 1], TIE_FORWARD));
        }
        ExpectOneLine(backwards ? "backwards" : "forwards");
    }
}

// A note already tied on (as a user ties it) and divided before the note it
// is tied to: its tie goes on from the new piece, and moves past a tie of a
// second voice that starts in between.
TEST_F(NoteValueTest, ATieAlreadyStartedGoesOnFromTheNewPiece) {
    Make(4, 4, 1);
    auto tied = [&](ECNote* from, ECNote* to) {
        auto* tie = new ECTie;
        tie->SetTime(from->GetTime());
        score->staff->AddChild(tie, SORTED);
        tie->AddChild(from, SORTED);
        tie->AddChild(to, SORTED);
    };
    ECNote* note = AddNote(1, 384, 256);
    tied(note, AddNote(1, 640, 128));
    ECNote* second = AddNote(1, 448, 64);
    ECNote* secondLater = AddNote(1, 512, 64);
    second->SetVoiceTrack(1, 1);
    secondLater->SetVoiceTrack(1, 1);
    tied(second, secondLater);
    Run(1);
    EXPECT_EQ(Chain(note), "e~e~e");
    EXPECT_EQ(Chain(second), "s~s");
    EXPECT_EQ(CountChildren(score->staff, ET_TIE), 3);
    ExpectOneLine("tied on");
}

TEST_F(NoteValueTest, InTheLastMeasureTheOverhangIsDropped) {
    Make(4, 4, 1);
    ECNote* note = AddNote(1, 768, 512);
    Run(1);
    EXPECT_EQ(Chain(note), "q");
    EXPECT_EQ(CountChildren(score->Measure(1), ET_NOTE), 1);
    EXPECT_EQ(CountChildren(score->staff, ET_TIE), 0);
}

TEST_F(NoteValueTest, ANoteStartingPastTheBarLineMoves) {
    Make(4, 4, 2);
    ECNote* note = AddNote(1, 1024, 384);
    Run(1);
    EXPECT_EQ(MeasureOf(note), score->Measure(2));
    EXPECT_EQ(Notate(note)->GetTickStart(kOwn), 0);
    EXPECT_EQ(Notate(note)->IsBorrowed(), 0);
    EXPECT_EQ(Notate(note)->ValueDirty(), 1);   // valued with its new measure
    Run(2);
    EXPECT_EQ(Chain(note), "q.");
}

// Ties and moves change links of the tree: each is made under the lock.
TEST_F(NoteValueTest, LinksChangeUnderThePerformancesLock) {
    const struct {
        const char* name;
        int start, length;
    } cases[] = {
        {"tied over the half bar", 384, 256},
        {"moved past the bar line", 1024, 256},
    };
    for (const auto& c : cases) {
        Make(4, 4, 2);
        auto* note = AddNote<ProbeNote>(1, c.start, c.length);
        note->performance = ECPerformance::GetActivePerformance();
        Run(1);
        ASSERT_FALSE(note->linkedWhileFree.empty()) << c.name;
        for (bool free : note->linkedWhileFree)
            EXPECT_FALSE(free) << c.name;
        note->performance = nullptr;
    }
}

// The division walk on its own, as rests use it: a rest is cut at plain
// lengths, without ties, and the walk hands back the last part.
TEST_F(NoteValueTest, RestsThroughTheDivisionWalk) {
    const struct {
        const char* name;
        unsigned char numerator, denominator;
        int start, length;
        std::vector<WORD> values;   // of the parts, in time order
        std::vector<int> dots;
    } cases[] = {
        {"a dotted quarter rest on the downbeat", 4, 4, 0, 384, {256}, {1}},
        {"a dotted quarter rest after it", 4, 4, 384, 384, {128, 256}, {0, 0}},
        {"cut at a plain length in 6/8", 6, 8, 0, 320, {256, 64}, {0, 0}},
    };
    RegistryCell rests{ET_REST, RUNTIME_CLASS(DCctNotate)};
    for (const auto& c : cases) {
        Make(c.numerator, c.denominator, 1);
        ECMeasure* measure = score->Measure(1);
        auto* rest = new ECRest;
        MCTime time = *measure->GetTime();
        time += Ticks(c.start);
        rest->SetTime(&time);
        rest->SetVoiceTrack(0, 1);
        measure->AddChild(rest, SORTED);
        auto* display = dynamic_cast<DCctNotate*>(rest->GetData(DK_NOTATION, 1));
        ASSERT_NE(display, nullptr) << c.name;
        display->SetTickStart(static_cast<WORD>(c.start));
        display->SetTickDuration(static_cast<WORD>(c.length));
        DCctNotate* walked = display;
        MCTime measureTime = *measure->GetTime();
        EXPECT_EQ(pass.DoMeasureDivisions(walked, meter.get(), measure, measureTime, 0, nullptr, nullptr),
                  ANNote::VALUE_SETTLED)
            << c.name;
        std::vector<WORD> values;
        std::vector<int> dots;
        DCctNotate* last = nullptr;
        MCEventList* children = measure->GetChildren();
        for (POSITION pos = children->GetHeadPosition(); pos;) {
            ECBase* child = children->GetNext(pos);
            if (child->GetClassType() != ET_REST)
                continue;
            values.push_back(Notate(child)->GetValue());
            dots.push_back(DotsOf(child));
            last = Notate(child);
        }
        EXPECT_EQ(values, c.values) << c.name;
        EXPECT_EQ(dots, c.dots) << c.name;
        EXPECT_EQ(walked, last) << c.name;
        EXPECT_EQ(CountChildren(score->staff, ET_TIE), 0) << c.name;
    }
}

TEST_F(NoteValueTest, OnlyValueDirtyNotesInTheTimeRange) {
    Make(4, 4);
    ECNote* settled = AddNote(1, 0, 384);
    Notate(settled)->SetValueDirty(0);
    ECNote* later = AddNote(1, 512, 384);
    pass.SetTimeRange(MCTime::TimeZero(), Ticks(256));
    Run(1);
    EXPECT_EQ(DotsOf(settled), 0);
    EXPECT_EQ(Notate(later)->ValueDirty(), 1);
    EXPECT_EQ(DotsOf(later), 0);
}

TEST_F(NoteValueTest, ValuingAgainKeepsOneDotChild) {
    Make(4, 4);
    ECNote* note = AddNote(1, 0, 384);
    Run(1);
    ASSERT_EQ(CountChildren(note, ET_DOT), 1);
    EXPECT_NE(note->GetChildren()->GetHead()->GetData(DK_NOTATION, 0), nullptr);   // its display made
    Notate(note)->SetTickDuration(448);
    Notate(note)->SetValueDirty(1);
    Run(1);
    EXPECT_EQ(Chain(note), "q..");
    EXPECT_EQ(CountChildren(note, ET_DOT), 1);
    Notate(note)->SetTickDuration(256);
    Notate(note)->SetValueDirty(1);
    Run(1);
    EXPECT_EQ(Chain(note), "q");
    EXPECT_EQ(CountChildren(note, ET_DOT), 0);
}

TEST_F(NoteValueTest, TheUsersValue) {
    Make(4, 4);
    ECNote* note = AddNote(1, 0, 256);
    Notate(note)->SetTimeDirty(0);
    pass.SetValue(note, 384);
    EXPECT_EQ(Notate(note)->GetTickDuration(kOwn), 384);
    EXPECT_EQ(Chain(note), "q.");
    EXPECT_EQ(Notate(note)->ValueDirty(), 0);
    EXPECT_EQ(Notate(note)->TimeDirty(), 1);
    pass.SetValue(note, 128);
    EXPECT_EQ(Chain(note), "e");
}

TEST_F(NoteValueTest, GraceNotesByTheirNumber) {
    const struct {
        const char* name;
        int graces;
        int mainLength;
        WORD value;
    } cases[] = {
        {"one before a quarter", 1, 256, 128},
        {"three before a quarter", 3, 256, 64},
        {"five before a sixteenth", 5, 64, 32},
        {"five before a thirty-second", 5, 32, 16},
    };
    for (const auto& c : cases) {
        Make(4, 4);
        ECNote* note = AddNote(1, 0, c.mainLength);
        std::vector<ECBase*> added;
        for (int i = 0; i < c.graces; ++i) {
            auto* grace = new ECGraceNote(*note->GetTime(), Ticks(64));
            note->AddChild(grace, SORTED);
            added.push_back(grace);
        }
        Run(1);
        for (ECBase* grace : added)
            EXPECT_EQ(Notate(grace)->GetValue(), c.value) << c.name;
    }
}

TEST_F(NoteValueTest, TripletsFoundByTimeCorrectionAreEighths) {
    const struct {
        const char* name;
        int first;
    } cases[] = {
        {"on beat 1", 0},
        {"on beat 2", 256},
    };
    for (const auto& c : cases) {
        Make(4, 4, 1);
        std::vector<ECNote*> played;
        for (int offset : {0, 85, 171}) {
            auto* note = new ECNote(Ticks(c.first + offset), Ticks(85));
            note->SetVoiceTrack(0, 1);
            score->Measure(1)->AddChild(note, SORTED);
            played.push_back(note);
        }
        ANTimeCorrect correct;
        correct.Attach(ECPerformance::GetActivePerformance());
        correct.SetLookForBorrowed(kSearchOn, 3, kEighthUnit);
        correct.DoMeasure(score->staff, score->Measure(1), meter.get());
        ASSERT_EQ(CountChildren(score->Measure(1), ET_TUPLET), 1) << c.name;
        Run(1);
        for (ECNote* note : played) {
            EXPECT_EQ(Chain(note), "e") << c.name;
            EXPECT_EQ(Notate(note)->ValueDirty(), 0) << c.name;
            EXPECT_EQ(MeasureOf(note), score->Measure(1)) << c.name;
            EXPECT_EQ(note->GetParents()->GetHead()->GetClassType(), ET_TUPLET) << c.name;
        }
    }
}

TEST_F(NoteValueTest, PlayedNotesThroughTimeCorrection) {
    const struct {
        int start, length;
        const char* written;
    } cases[] = {
        {31, 256, "q"},        // a hair late
        {250, 390, "q~e"},     // 256, 384: a dotted quarter on beat 2 crosses the half bar
        {130, 380, "q."},      // 128, 384
        {380, 250, "e~e"},     // 384, 256
    };
    for (const auto& c : cases) {
        Make(4, 4, 1);
        auto* note = new ECNote(Ticks(c.start), Ticks(c.length));
        note->SetVoiceTrack(0, 1);
        score->Measure(1)->AddChild(note, SORTED);
        ANTimeCorrect correct;
        correct.Attach(ECPerformance::GetActivePerformance());
        correct.SetLookForBorrowed(0, 3, kEighthUnit);
        correct.DoMeasure(score->staff, score->Measure(1), meter.get());
        Run(1);
        EXPECT_EQ(Chain(note), c.written) << c.start << "," << c.length;
    }
}

// A triplet note reaching over the bar line: its remainder starts a copy of
// the tuplet in the next measure, unless that measure's voice already has
// something there, when it leaves the tuplet.
TEST_F(NoteValueTest, ATupletNoteOverTheBarLine) {
    const struct {
        const char* name;
        bool occupied;
    } cases[] = {
        {"an empty next measure", false},
        {"a note already there", true},
    };
    for (const auto& c : cases) {
        Make(4, 4, 2);
        ECTuplet* tuplet = AddTuplet(1, 768);
        AddTupletNote(1, tuplet, 1152, 128);
        AddTupletNote(1, tuplet, 1280, 128);
        ECNote* last = AddTupletNote(1, tuplet, 1408, 256);
        ECNote* waiting = c.occupied ? AddNote(2, 0, 256) : nullptr;
        Run(1);
        EXPECT_EQ(Written(last), "e") << c.name;
        CTie ties;
        ECTie* tie = ties.FindTieParent(last, TIE_FORWARD);
        ASSERT_NE(tie, nullptr) << c.name;
        ECNote* later = ties.FindNoteChild(tie, TIE_FORWARD);
        ASSERT_NE(later, nullptr) << c.name;
        EXPECT_EQ(MeasureOf(later), score->Measure(2)) << c.name;
        EXPECT_EQ(Notate(later)->GetTickStart(kOwn), 0) << c.name;
        ECBase* parent = later->GetParents()->GetTail();
        if (!c.occupied) {
            ASSERT_EQ(parent->GetClassType(), ET_TUPLET) << c.name;
            auto* copy = static_cast<ECTuplet*>(parent);
            EXPECT_NE(copy, tuplet) << c.name;
            EXPECT_EQ(copy->GetIrregular(), 3) << c.name;
            EXPECT_EQ(copy->GetNormal(), 2) << c.name;
            auto* display = dynamic_cast<DCctTuplet*>(copy->GetData(DK_NOTATION, 0));
            ASSERT_NE(display, nullptr) << c.name;
            EXPECT_EQ(display->GetTickStart(kNormal), 0) << c.name;
            EXPECT_EQ(display->GetTickDuration(kNormal), 256) << c.name;
            EXPECT_EQ(Notate(later)->GetTickDuration(kOwn), 128) << c.name;
            auto* measureDisplay = dynamic_cast<DCctMeasure*>(score->Measure(2)->GetData(DK_NOTATION, 0));
            EXPECT_NE(measureDisplay->GetRuler().FindPulseGroup(kTripletBorrowed), nullptr) << c.name;
        } else {
            EXPECT_EQ(parent, score->Measure(2)) << c.name;
            EXPECT_EQ(Notate(later)->IsBorrowed(), 0) << c.name;
            EXPECT_EQ(Notate(later)->GetTickDuration(kOwn), 64) << c.name;   // 85 on the grid
            EXPECT_EQ(MeasureOf(waiting), score->Measure(2)) << c.name;
        }
        Run(2);
        EXPECT_EQ(Chain(last), c.occupied ? "e~|s" : "e~|e") << c.name;
    }
}

// A triplet note starting at the bar line goes into a copy of its tuplet
// in the next measure, at the copy's start.
TEST_F(NoteValueTest, ATupletNotePastTheBarLineMovesIntoACopy) {
    Make(4, 4, 2);
    ECTuplet* tuplet = AddTuplet(1, 768);
    AddTupletNote(1, tuplet, 1152, 128);
    ECNote* late = AddTupletNote(1, tuplet, 1536, 128);
    Run(1);
    ECBase* parent = late->GetParents()->GetHead();
    ASSERT_EQ(parent->GetClassType(), ET_TUPLET);
    EXPECT_NE(parent, tuplet);
    EXPECT_EQ(MeasureOf(late), score->Measure(2));
    EXPECT_EQ(Notate(late)->GetTickStart(kOwn), 0);
    EXPECT_EQ(Notate(late)->ValueDirty(), 1);   // valued with its new measure
    auto* display = dynamic_cast<DCctTuplet*>(parent->GetData(DK_NOTATION, 0));
    ASSERT_NE(display, nullptr);
    EXPECT_EQ(display->GetTickStart(kNormal), 0);
    Run(2);
    EXPECT_EQ(Chain(late), "e");
}

}  // namespace
