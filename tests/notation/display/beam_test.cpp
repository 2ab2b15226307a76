// Beams grouped and placed over notes on a treble staff: the common stem
// direction, the slant and the stem lengths at the ends, the secondary
// levels with their stubs, the stem ends laid on the beam, the tick span,
// and the archive form.
#include "notation/display/beam.h"

#include "tests/notation/display/beam_support.h"
#include "tests/notation/display/structure_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using namespace beam_test;

constexpr int NONE = DCctBeam::SEGMENT_NONE;
constexpr int FULL = DCctBeam::SEGMENT_FULL;
constexpr int STUB_RIGHT = DCctBeam::SEGMENT_STUB_RIGHT;
constexpr int STUB_LEFT = DCctBeam::SEGMENT_STUB_LEFT;
using Bytes = std::vector<uint8_t>;

constexpr int REST = -1;   // in a list of values: an eighth rest

// Opens the grouping steps to the tests; it works on the beam event it is
// given as owner.
class BeamProbe : public DCctBeam {
public:
    explicit BeamProbe(ECBase* owner) { SetOwner(owner); }
    int Slant() { return FindBeamSlant(Members()); }
    void BreakAt(int ticks, BYTE levels) { BreakFullBeam(Members(), ticks, levels); }

private:
    std::vector<ECBase*> Members() {
        std::vector<ECBase*> members;
        FindBeamChildren(members, NOTES_ONLY);
        return members;
    }
};

std::vector<int> StemLengths(const std::vector<DCctNote*>& notes) {
    std::vector<int> lengths;
    for (DCctNote* note : notes)
        lengths.push_back(note->GetStemLength());
    return lengths;
}

// ---- values --------------------------------------------------------------------------

TEST(BeamValuesTest, BeamsPerValueSecondaryStepsAndFractions) {
    const struct {
        int value, beams, secondary;
    } values[] = {
        {0, 0, 0},      {1024, 0, 0}, {256, 0, 0}, {192, 1, 0}, {128, 1, 0}, {96, 2, 0},
        {64, 2, 2},     {32, 3, 3},   {16, 4, 4},  {8, 5, 5},   {4, 6, 0},
    };
    for (const auto& c : values) {
        EXPECT_EQ(DCctBeam::NumberOfBeams(c.value), c.beams) << c.value;
        EXPECT_EQ(DCctBeam::AdjustForSecondary(c.value), c.secondary) << c.value;
    }
    const struct {
        int a, b;
        bool fraction;
    } pairs[] = {
        {192, 64, true}, {64, 192, true}, {96, 32, true}, {128, 64, false}, {64, 64, false}, {192, 192, false},
        {192, 32, false},
    };
    for (const auto& c : pairs)
        EXPECT_EQ(DCctBeam::IsFraction(c.a, c.b), c.fraction) << c.a << " " << c.b;
}

// ---- stem direction ---------------------------------------------------------------------

struct Member {
    int key;
    int direction;
    int override = 0;
};

TEST(BeamDirectionTest, AgreedOverridesElseTheVote) {
    const struct {
        const char* name;
        std::vector<Member> members;
        int expected;
    } cases[] = {
        {"three up, two down", {{60, UP}, {62, UP}, {64, UP}, {74, DOWN}, {76, DOWN}}, UP},
        {"two-two, the farthest below", {{60, UP}, {62, UP}, {74, DOWN}, {76, DOWN}}, UP},
        {"two-two, the farthest above", {{65, UP}, {67, UP}, {74, DOWN}, {81, DOWN}}, DOWN},
        {"two-two, as far both ways, more above", {{64, UP}, {78, DOWN}, {72, UP}, {74, DOWN}}, DOWN},
        {"two-two, as far both ways, balanced", {{64, UP}, {78, DOWN}, {65, UP}, {76, DOWN}}, UP},
        {"notes on the middle line have no vote", {{71, DOWN}, {71, DOWN}, {64, UP}}, UP},
        {"the only override asks down", {{60, UP}, {62, UP}, {64, DOWN, 1}, {65, UP}}, DOWN},
        {"overrides agree", {{60, DOWN, 1}, {62, UP}, {64, DOWN, 1}}, DOWN},
        {"overrides disagree: the vote", {{60, UP, 1}, {62, UP}, {74, DOWN, 1}, {76, DOWN}, {77, DOWN}}, DOWN},
    };
    for (const auto& c : cases) {
        BeamStaff staff;
        std::vector<DCctNote*> notes;
        for (const Member& m : c.members)
            notes.push_back(staff.AddNote(m.key, EIGHTH, m.direction, m.override));
        DCctNotate* rest = staff.AddRest(EIGHTH);
        staff.Group();
        for (size_t i = 0; i < notes.size(); ++i) {
            // The user's own direction stays where it disagrees.
            const int expected = c.members[i].override ? c.members[i].direction : c.expected;
            EXPECT_EQ(notes[i]->GetStemDirection(), expected) << c.name << ", member " << i;
            EXPECT_EQ(notes[i]->GetStemSide(), c.members[i].override ? 1 - expected : 1 - c.expected) << c.name;
        }
        EXPECT_EQ(rest->GetStemDirection(), c.expected) << c.name << ": rests follow the group";
    }
}

// ---- slant and stem lengths -------------------------------------------------------------

TEST(BeamSlantTest, LevelRisingFallingAndRepeatedFigures) {
    const struct {
        std::vector<int> keys;
        int slant;
    } cases[] = {
        {{67, 67, 67, 67}, DCctBeam::SLANT_REPEATED},
        {{67, 72, 60, 67}, DCctBeam::SLANT_REPEATED},
        {{60, 60, 60, 62}, DCctBeam::SLANT_REPEATED | DCctBeam::SLANT_RISING},
        {{60, 62, 64, 65}, DCctBeam::SLANT_RISING},
        {{65, 64, 62, 60}, DCctBeam::SLANT_FALLING},
        {{62, 60, 62, 60, 62, 60}, DCctBeam::SLANT_REPEATED | DCctBeam::SLANT_FALLING},
        {{60, 62}, DCctBeam::SLANT_RISING},   // two members are no figure
        {{60, 62, 64, 60, 62}, DCctBeam::SLANT_RISING},
    };
    for (const auto& c : cases) {
        BeamStaff staff;
        staff.AddNotes(c.keys);
        BeamProbe probe(staff.event);
        EXPECT_EQ(probe.Slant(), c.slant) << ::testing::PrintToString(c.keys);
    }
}

TEST(BeamStemLengthTest, EndsOfTheGroup) {
    const struct {
        const char* name;
        std::vector<int> keys;
        std::vector<int> values;
        int direction;
        std::vector<int> lengths;
    } cases[] = {
        {"four eighths on one pitch keep their stems", {67, 67, 67, 67}, {}, UP, {7, 7, 7, 7}},
        {"repeated figure: the first reaches the last's level", {60, 60, 60, 62}, {}, UP, {8, 7, 7, 7}},
        {"a 32nd in the group: eighths and sixteenths one step longer",
         {67, 67, 67, 67}, {32, 128, 64, 32}, UP, {9, 8, 8, 9}},
        {"wide rise: the low end reaches over the span", {60, 69}, {}, UP, {9, 5}},
        {"wide rise in sixteenths", {60, 69}, {64, 64}, UP, {11, 7}},
        {"far above the staff: the stems reach the middle line", {84, 88}, {}, DOWN, {9, 10}},
        {"falling with a far low note in between", {67, 55, 64}, {}, UP, {8, 7, 9}},
        {"narrow fall", {67, 64}, {}, UP, {7, 7}},
    };
    for (const auto& c : cases) {
        BeamStaff staff;
        std::vector<DCctNote*> notes;
        for (size_t i = 0; i < c.keys.size(); ++i)
            notes.push_back(staff.AddNote(c.keys[i], c.values.empty() ? EIGHTH : c.values[i], c.direction));
        staff.Group();
        EXPECT_EQ(StemLengths(notes), c.lengths) << c.name;
    }
}

// A grace note's steps are smaller: the distances to the extreme count at
// full size, so its stem reaches further in steps.
TEST(BeamStemLengthTest, GraceStartScalesTheDistances) {
    BeamStaff staff;
    std::vector<DCctNote*> notes = staff.AddNotes({67, 55, 64});
    notes[2]->SetGrace(1);   // the end the beam starts from on a fall
    staff.Group();
    // p = 5 and q = 2 steps become 7 and 2 at 70 per cent.
    EXPECT_EQ(StemLengths(notes), (std::vector<int>{10, 7, 11}));
}

// A user's stem length is never changed by the beam.
TEST(BeamStemLengthTest, UserLengthsStay) {
    BeamStaff staff;
    std::vector<DCctNote*> notes = staff.AddNotes({60, 69});
    notes[0]->SetStemLength(12, 0, 1);
    staff.Group();
    EXPECT_EQ(StemLengths(notes), (std::vector<int>{12, 5}));
}

// ---- secondary levels ---------------------------------------------------------------------

TEST(BeamLevelsTest, SegmentTypesOfTheSecondaryLevels) {
    const struct {
        const char* name;
        std::vector<int> values;
        std::vector<std::vector<int>> levels;   // levels 1 and up
    } cases[] = {
        {"eighths: no secondary level", {128, 128, 128}, {}},
        {"dotted eighth, sixteenth: stub ending at the sixteenth", {128, 64}, {{STUB_LEFT, NONE}}},
        {"sixteenth, dotted eighth: stub from the sixteenth", {64, 128}, {{STUB_RIGHT, NONE}}},
        {"four sixteenths", {64, 64, 64, 64}, {{FULL, FULL, FULL, NONE}}},
        {"eighth, two sixteenths", {128, 64, 64}, {{NONE, FULL, NONE}}},
        {"sixteenth, eighth, sixteenth", {64, 128, 64}, {{STUB_RIGHT, STUB_LEFT, NONE}}},
        {"two eighths, two sixteenths", {128, 128, 64, 64}, {{NONE, NONE, FULL, NONE}}},
        {"eighth, 32nd", {128, 32}, {{STUB_LEFT, NONE}, {STUB_LEFT, NONE}}},
        {"sixteenth, two 32nds", {64, 32, 32}, {{FULL, FULL, NONE}, {NONE, FULL, NONE}}},
        {"a rest inside sixteenths", {64, REST, 64}, {{FULL, NONE}}},
    };
    for (const auto& c : cases) {
        BeamStaff staff;
        for (int value : c.values)
            if (value == REST)
                staff.AddRest(SIXTEENTH);
            else
                staff.AddNote(67, value);
        staff.Group();
        ASSERT_EQ(staff.beam->GetLevels().size(), c.levels.size() + 1) << c.name;
        EXPECT_EQ(staff.beam->GetLevels()[0].flag, 0) << c.name;
        for (size_t level = 1; level <= c.levels.size(); ++level) {
            EXPECT_EQ(staff.beam->GetLevels()[level].flag, 1) << c.name;
            EXPECT_EQ(staff.Types(static_cast<int>(level)), c.levels[level - 1]) << c.name << ", level " << level;
        }
    }
}

// Secondary beams broken before each member on a beat boundary, from the
// level the second argument's quarterings give.
TEST(BeamLevelsTest, BreakFullBeamAtBoundaries) {
    const struct {
        int ticks;
        BYTE levels;
        std::vector<int> level1, level2;
    } cases[] = {
        {64, 0, {FULL, NONE, FULL, NONE}, {FULL, NONE, FULL, NONE}},
        {64, 16, {FULL, FULL, FULL, NONE}, {FULL, NONE, FULL, NONE}},   // from level 2
        {96, 3, {FULL, FULL, NONE, NONE}, {FULL, FULL, NONE, NONE}},
        {0, 3, {FULL, FULL, FULL, NONE}, {FULL, FULL, FULL, NONE}},     // no boundary
    };
    for (const auto& c : cases) {
        BeamStaff staff;
        staff.AddNotes({67, 67, 67, 67}, THIRTYSECOND);
        BeamProbe probe(staff.event);
        probe.Group(staff.Conductor(), staff.Staff());
        ASSERT_EQ(probe.GetLevels().size(), 3u);
        probe.BreakAt(c.ticks, c.levels);
        for (int level : {1, 2}) {
            std::vector<int> types;
            for (const DCctBeam::Column& column : probe.GetLevels()[static_cast<size_t>(level)].columns)
                types.push_back(column.type);
            EXPECT_EQ(types, level == 1 ? c.level1 : c.level2) << c.ticks << "/" << int(c.levels) << ", level " << level;
        }
    }
}

TEST(BeamLevelsTest, MemberCountAndLevelsFromTheShortestValue) {
    BeamStaff staff;
    staff.AddNote(67, EIGHTH);
    staff.AddRest(THIRTYSECOND);   // rests are no members and set no level
    staff.AddNote(67, SIXTEENTH);
    staff.Group();
    EXPECT_EQ(staff.beam->GetMemberCount(), 2);
    ASSERT_EQ(staff.beam->GetLevels().size(), 2u);
    EXPECT_EQ(staff.beam->GetLevels()[1].columns.size(), 2u);
    EXPECT_EQ(staff.beam->IsDirty(), 0);
}

// ---- placing -----------------------------------------------------------------------------------

// The stem end of each member on the line through the outer two.
TEST(BeamPositionTest, StemEndsOnTheBeamAndSecondaryLevelsAlongIt) {
    for (int direction : {UP, DOWN}) {
        BeamStaff staff;
        std::vector<DCctNote*> notes = staff.AddNotes({64, 67, 65, 69}, SIXTEENTH, direction);
        ASSERT_EQ(staff.Place(), 1);
        const auto& levels = staff.beam->GetLevels();
        ASSERT_EQ(levels.size(), 2u);
        const CPoint first = notes.front()->GetStemPosition();
        const CPoint last = notes.back()->GetStemPosition();
        EXPECT_EQ(levels[0].columns.front().point, first);
        EXPECT_EQ(levels[0].columns.back().point, last);
        EXPECT_NE(first.y, last.y) << "a rising group slants";
        const double slope = static_cast<double>(last.y - first.y) / (last.x - first.x);
        EXPECT_DOUBLE_EQ(levels[0].slope, slope);
        const int apart = (direction == DOWN ? 1 : -1) * staff.h * 3 / 4;
        for (size_t k = 0; k < notes.size(); ++k) {
            const CPoint end = notes[k]->GetStemPosition();
            EXPECT_EQ(end.y, first.y + static_cast<int>(slope * (end.x - first.x))) << direction << ", " << k;
            EXPECT_EQ(levels[0].columns[k].point, end);
            EXPECT_EQ(levels[1].columns[k].point, CPoint(end.x, end.y + apart)) << direction << ", " << k;
            EXPECT_EQ(notes[k]->GetFlag(), 0) << "beamed notes carry no flag";
        }
        EXPECT_DOUBLE_EQ(levels[1].slope, slope);
        EXPECT_EQ(staff.beam->GetDirection(), direction);
        EXPECT_EQ(staff.beam->GetDirectionOverride(), 1);
        EXPECT_EQ(staff.beam->GetPosition(), first);
        EXPECT_EQ(staff.beam->PositionDirty(), 0);
        EXPECT_EQ(staff.beam->FrameDirty(), 0);
    }
}

TEST(BeamPositionTest, RepeatedFigureLiesLevel) {
    BeamStaff staff;
    std::vector<DCctNote*> notes = staff.AddNotes({60, 60, 60, 62});
    ASSERT_EQ(staff.Place(), 1);
    EXPECT_EQ(staff.beam->GetLevels()[0].slope, 0.0);
    for (DCctNote* note : notes)
        EXPECT_EQ(note->GetStemPosition().y, notes[0]->GetStemPosition().y);
}

TEST(BeamPositionTest, FlaredSecondaryLevelsKeepTheirOwnLine) {
    BeamStaff staff;
    staff.AddNotes({64, 67, 65, 69}, SIXTEENTH);
    staff.beam->SetFlared(1, 0);
    ASSERT_EQ(staff.Place(), 1);
    const auto& levels = staff.beam->GetLevels();
    EXPECT_NE(levels[0].slope, 0.0);
    EXPECT_EQ(levels[1].slope, 0.0);
    for (const DCctBeam::Column& column : levels[1].columns)
        EXPECT_EQ(column.point, CPoint(0, 0));
}

TEST(BeamPositionTest, NothingToPlaceOrNothingToGroupBy) {
    {
        BeamStaff staff;
        staff.AddRest(EIGHTH);
        EXPECT_EQ(staff.Place(), 0) << "rests alone are no beam";
    }
    {
        // No meter can be found before the start of the piece.
        BeamStaff staff;
        staff.AddNotes({67, 67});
        const MCTime before(-1.0f);
        staff.event->SetTime(&before);
        EXPECT_EQ(staff.Place(), 1);
        EXPECT_TRUE(staff.beam->GetLevels().empty());
        EXPECT_EQ(staff.beam->IsDirty(), 1) << "grouped again once the meter is there";
    }
    {
        BeamStaff staff;
        staff.AddNotes({67, 67});
        staff.beam->Group(staff.Conductor(), nullptr);
        EXPECT_TRUE(staff.beam->GetLevels().empty()) << "no staff, no clef";
        EXPECT_EQ(staff.beam->IsDirty(), 1);
    }
}

// Positioning regroups only a dirty beam; a clean one keeps its table.
TEST(BeamPositionTest, OnlyADirtyBeamIsRegrouped) {
    BeamStaff staff;
    std::vector<DCctNote*> notes = staff.AddNotes({67, 67}, SIXTEENTH);
    ASSERT_EQ(staff.Place(), 1);
    ASSERT_EQ(staff.beam->GetLevels().size(), 2u);
    for (DCctNote* note : notes)
        note->SetValue(EIGHTH, 0);
    ASSERT_EQ(staff.Place(), 1);
    EXPECT_EQ(staff.beam->GetLevels().size(), 2u);
    staff.beam->SetDirty(1);
    ASSERT_EQ(staff.Place(), 1);
    EXPECT_EQ(staff.beam->GetLevels().size(), 1u);
}

// ---- tick span -----------------------------------------------------------------------------------

TEST(BeamTickRangeTest, FromTheFirstMembersStartToTheLastMembersEnd) {
    {
        BeamStaff staff;
        staff.AddNote(67, EIGHTH);
        staff.AddNote(67, EIGHTH);
        staff.AddNote(67, SIXTEENTH);
        EXPECT_EQ(staff.beam->GetTickRange(), 320);
    }
    {
        BeamStaff staff;
        staff.AddRest(EIGHTH);
        staff.AddNote(67, EIGHTH);
        staff.AddNote(67, SIXTEENTH);
        staff.AddRest(SIXTEENTH);
        EXPECT_EQ(staff.beam->GetTickRange(), 192) << "rests at either end are not members";
    }
    {
        BeamStaff staff;
        EXPECT_EQ(staff.beam->GetTickRange(), 0);
    }
    DCctBeam beam;
    beam.SetTickRange(512, 1024);
    WORD first = 0;
    WORD last = 0;
    beam.GetTickRange(&first, &last);
    EXPECT_EQ(first, 512);
    EXPECT_EQ(last, 1024);
}

// ---- beam word and archive -------------------------------------------------------------------------

TEST(BeamWordTest, DirectionKeepsTheUsersChoice) {
    DCctBeam beam;
    beam.SetDirection(1, 0);
    EXPECT_EQ(beam.GetDirection(), 1);
    beam.SetDirection(0, 1);
    EXPECT_EQ(beam.GetDirectionOverride(), 1);
    beam.SetDirection(1, 0);
    EXPECT_EQ(beam.GetDirection(), 0) << "ignored once fixed";
    beam.SetDirection(1, 2);
    EXPECT_EQ(beam.GetDirection(), 0) << "only 1 overrides";
    beam.SetDirection(1, 1);
    EXPECT_EQ(beam.GetDirection(), 1);
}

TEST(BeamArchiveTest, TailIsTheBeamWord) {
    const struct {
        const char* name;
        void (*set)(DCctBeam&);
        Bytes tail;
    } cases[] = {
        {"new", [](DCctBeam&) {}, {0, 0, 0, 0}},
        {"direction down, fixed", [](DCctBeam& b) { b.SetDirection(1, 1); }, {0x0C, 0, 0, 0}},
        {"break secondary", [](DCctBeam& b) { b.SetBreakSecondary(1, 0); }, {0x20, 0, 0, 0}},
        {"beam rests", [](DCctBeam& b) { b.SetBeamRests(1, 0); }, {0x40, 0, 0, 0}},
        {"flare", [](DCctBeam& b) { b.SetFlared(1, 0); }, {0x80, 0, 0, 0}},
        {"flare direction", [](DCctBeam& b) { b.SetFlaredDirection(1, 0); }, {0, 0x01, 0, 0}},
        {"midway", [](DCctBeam& b) { b.SetMidwayBeam(1, 0); }, {0, 0x02, 0, 0}},
        {"user", [](DCctBeam& b) { b.SetUser(1); }, {0, 0x04, 0, 0}},
    };
    DCctBase head;
    const size_t headSize = StoredBytes(&head).size();
    for (const auto& c : cases) {
        DCctBeam beam;
        c.set(beam);
        const Bytes bytes = StoredBytes(&beam);
        ASSERT_EQ(bytes.size(), headSize + 4) << c.name;
        EXPECT_EQ(Bytes(bytes.begin() + static_cast<long>(headSize), bytes.end()), c.tail) << c.name;
    }
}

TEST(BeamArchiveTest, LoadedBeamHasNoLevelsUntilPlaced) {
    DCctBeam saved;
    saved.SetBeamRests(1, 0);
    Bytes bytes = StoredBytes(&saved);
    // Bits the beam does not use are read as 0.
    bytes[bytes.size() - 4] |= 0x03;
    bytes[bytes.size() - 2] = 0xFF;
    bytes[bytes.size() - 1] = 0xFF;

    BeamStaff staff;
    staff.AddNotes({67, 69}, SIXTEENTH);
    ASSERT_EQ(staff.Place(), 1);
    ASSERT_EQ(staff.beam->GetLevels().size(), 2u);
    LoadBytes(staff.beam, bytes);
    staff.beam->SetOwner(staff.event);   // the document reader links the owner
    EXPECT_EQ(staff.beam->GetBeamWord(), 0x40u);
    EXPECT_TRUE(staff.beam->GetLevels().empty());
    EXPECT_EQ(staff.beam->GetMemberCount(), 0);
    EXPECT_EQ(staff.beam->IsDirty(), 1);
    ASSERT_EQ(staff.Place(), 1);
    EXPECT_EQ(staff.beam->GetLevels().size(), 2u);
    EXPECT_EQ(staff.beam->GetBeamRests(), 1);

    Bytes shortened = bytes;
    shortened.pop_back();
    DCctBeam cut;
    EXPECT_THROW(LoadBytes(&cut, shortened), CArchiveException);
}

TEST(BeamArchiveTest, CopyTakesTheLookButNotTheWorkingState) {
    DCctBeam source;
    source.SetDirection(1, 1);
    source.SetBreakSecondary(1, 0);
    source.SetBeamRests(1, 0);
    source.SetFlared(1, 0);
    source.SetFlaredDirection(1, 0);
    source.SetMidwayBeam(1, 0);
    source.SetUser(1);
    source.SetTickRange(10, 20);
    DCctBeam copy(source);
    EXPECT_EQ(copy.GetBeamWord(), 0x04u | 0x20u | 0x40u | 0x80u | 0x200u | 0x400u);
    WORD first = 1;
    WORD last = 1;
    copy.GetTickRange(&first, &last);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(last, 0);
    EXPECT_TRUE(copy.GetLevels().empty());
    EXPECT_EQ(copy.PositioningType(), 2);
}

}  // namespace
