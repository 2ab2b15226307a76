// Breaking a beam before one of its elements, as an edit made in place: the
// view hands the edit (state 1200, an item of kind 110) to the engine, which
// breaks the beam; the edit's 1201 renotates.
//   - Four beamed eighths broken before the third make two beams of two;
//     two broken before the second lose their beam and show their flags.
//   - Nothing breaks before a beam's first element.
//   - After a break each beam spans the notes it holds: removing a note of
//     the first pair clears the new beam and leaves the other.
#include "model/basiccommands.h"
#include "model/conductor.h"
#include "model/editstates.h"
#include "model/eventtypes.h"
#include "model/measure.h"
#include "model/states.h"
#include "tests/notation/support/melody.h"
#include "tests/notation/support/notation_fixture.h"

#include <gtest/gtest.h>

#include <ostream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

using notation_test::PlayedNote;

constexpr int Q = 256;   // the file's ticks a quarter, as the notation's
constexpr int E = Q / 2;
constexpr int STAFF = 1;
constexpr int BREAK_BEAM = 110;   // the edit item of the break-beam command

// The notes of one bar of one staff in short: pitch, value, flag ("f") and
// beam number ("b1"), one token each, joined by spaces.
std::string NotesOf(const std::string& dump, int staff, int bar) {
    static const std::regex kNote(
        R"(note\(at=-?\d+ key=\S+ pitch=(\S+) value=(\S+) tie=\S stem=\S+ flag=(\S+) beam=(\S+)\))");
    const std::string head = "staff " + std::to_string(staff) + " bar " + std::to_string(bar);
    std::istringstream lines(dump);
    std::string text;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(head, 0) != 0 || (line[head.size()] != ':' && line[head.size()] != ' '))
            continue;
        for (std::sregex_iterator it(line.begin(), line.end(), kNote), end; it != end; ++it) {
            std::string token = (*it)[1].str() + " " + (*it)[2].str();
            if ((*it)[3] == "yes")
                token += " f";
            if ((*it)[4] != "-")
                token += " b" + (*it)[4].str();
            text += (text.empty() ? "" : ", ") + token;
        }
    }
    return text;
}

class BreakBeamTest : public notation_test::NotationFixture {
protected:
    void Load(const std::vector<PlayedNote>& notes) {
        ASSERT_EQ(LoadMidi(notation_test::MelodyFile(notes, Q, {4, 2})), 1);
    }

    ECMeasure* Bar(int number) { return Conductor()->GetMeasure(STAFF, number); }

    // The bar's note or beam at a tick of the bar.
    ECBase* At(int bar, int tick, int type) {
        MCEventList* children = Bar(bar)->GetChildren();
        MCTime time = *Bar(bar)->GetTime();
        time += MCTime(static_cast<float>(tick) / Q);
        for (POSITION pos = children->GetHeadPosition(); pos;) {
            ECBase* child = children->GetNext(pos);
            if (child->GetClassType() == type && *child->GetTime() == time)
                return child;
        }
        return nullptr;
    }
    static ECBase* BeamOf(ECBase* element) {
        MCEventList* parents = element->GetParents();
        for (POSITION pos = parents->GetHeadPosition(); pos;) {
            ECBase* parent = parents->GetNext(pos);
            if (parent->GetClassType() == ET_BEAM)
                return parent;
        }
        return nullptr;
    }

    // The break-beam edit on one element, sent as the view sends it.
    void BreakBefore(ECBase* element) {
        auto* edit = new SCEventEdit(STATE_EVENTS_EDITED);
        edit->AddItem(element, BREAK_BEAM);
        SendState(edit);
    }
};

// Four eighths and a half: the eighths share one beam.
const std::vector<PlayedNote> kFourEighths = {
    {60, 0, E}, {62, E, E}, {64, 2 * E, E}, {65, 3 * E, E}, {67, 2 * Q, 2 * Q},
};

TEST_F(BreakBeamTest, FourEighthsBrokenBeforeTheThirdMakeTwoBeamsOfTwo) {
    Load(kFourEighths);
    ASSERT_EQ(NotesOf(Dump(), STAFF, 1), "C4 1/8 b1, D4 1/8 b1, E4 1/8 b1, F4 1/8 b1, G4 1/2");
    ECBase* third = At(1, 2 * E, ET_NOTE);
    ASSERT_NE(third, nullptr);
    ECBase* beam = BeamOf(third);
    BreakBefore(third);
    EXPECT_EQ(NotesOf(Dump(), STAFF, 1), "C4 1/8 b1, D4 1/8 b1, E4 1/8 b2, F4 1/8 b2, G4 1/2");
    // The beam broken keeps the notes from the break on.
    EXPECT_EQ(BeamOf(third), beam);
    EXPECT_NE(BeamOf(At(1, 0, ET_NOTE)), beam);
}

// A beam of two broken before its second note goes: both notes stand alone
// with their flags.
TEST_F(BreakBeamTest, TwoEighthsBrokenBeforeTheSecondLoseTheirBeam) {
    Load({{60, 0, E}, {62, E, E}, {64, Q, 3 * Q}});
    ASSERT_EQ(NotesOf(Dump(), STAFF, 1), "C4 1/8 b1, D4 1/8 b1, E4 1/2.");
    ECBase* second = At(1, E, ET_NOTE);
    ASSERT_NE(second, nullptr);
    BreakBefore(second);
    EXPECT_EQ(NotesOf(Dump(), STAFF, 1), "C4 1/8 f, D4 1/8 f, E4 1/2.");
    EXPECT_EQ(BeamOf(second), nullptr);
}

// The cases between: a lone first element or a lone last one leaves the
// beam, the others keep it; nothing breaks before the first element.
struct LoneCase {
    int breakAt;   // the eighth (0-3) broken before
    const char* notes;
};
void PrintTo(const LoneCase& c, std::ostream* os) {
    *os << "before eighth " << c.breakAt;
}

class BreakBeamCaseTest : public BreakBeamTest, public ::testing::WithParamInterface<LoneCase> {};

TEST_P(BreakBeamCaseTest, BreaksAsTheElementsAroundTheBreakAsk) {
    Load(kFourEighths);
    BreakBefore(At(1, GetParam().breakAt * E, ET_NOTE));
    EXPECT_EQ(NotesOf(Dump(), STAFF, 1), GetParam().notes);
}

INSTANTIATE_TEST_SUITE_P(FourEighths, BreakBeamCaseTest,
                         ::testing::Values(LoneCase{1, "C4 1/8 f, D4 1/8 b1, E4 1/8 b1, F4 1/8 b1, G4 1/2"},
                                           LoneCase{3, "C4 1/8 b1, D4 1/8 b1, E4 1/8 b1, F4 1/8 f, G4 1/2"},
                                           LoneCase{0, "C4 1/8 b1, D4 1/8 b1, E4 1/8 b1, F4 1/8 b1, G4 1/2"}));

// Range clearing finds beams by their tick span: after the break the new
// beam spans the first pair, so removing one of its notes clears it, and
// the beam left spans the second pair, which the removal does not reach.
TEST_F(BreakBeamTest, AfterABreakEachBeamIsClearedByTheNotesItHolds) {
    Load(kFourEighths);
    ECBase* third = At(1, 2 * E, ET_NOTE);
    BreakBefore(third);
    ECBase* first = At(1, 0, ET_NOTE);
    ECBase* pairBeam = BeamOf(first);
    ECBase* laterBeam = BeamOf(third);
    ASSERT_NE(pairBeam, nullptr);
    ASSERT_NE(laterBeam, nullptr);
    pairBeam->Ref();
    RunBatch({new CCRemove(first)});
    EXPECT_TRUE(pairBeam->GetParents()->IsEmpty()) << "the first pair's beam stays in its measure";
    EXPECT_EQ(BeamOf(third), laterBeam);
    EXPECT_NE(laterBeam->GetParents()->Find(Bar(1)), nullptr);
    pairBeam->Unref(1);
}

}  // namespace
