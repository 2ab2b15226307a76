// MCPitchUtils' orderings over notes, through their display objects: sorted
// by pitch (equal pitches in list order) or by drawn height, and the extreme
// note of a list; rests are passed over.
#include "notation/layout/pitchutils.h"

#include "model/notes.h"
#include "tests/notation/display/gracenote_support.h"
#include "tests/notation/display/note_support.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace note_test;

std::vector<ECBase*> Events(MCEventList& list) {
    std::vector<ECBase*> events;
    for (POSITION pos = list.GetHeadPosition(); pos;)
        events.push_back(list.GetNext(pos));
    return events;
}

struct Notes {
    measure_test::Score score{0, 1};
    MCEventList list;
    std::vector<ECBase*> events;
    std::vector<DCctNote*> displays;
    explicit Notes(std::initializer_list<int> keys) {
        for (int key : keys) {
            DCctNote* note = AddNote(score, 1, key, 256);
            displays.push_back(note);
            events.push_back(note->GetOwner());
            list.AddTail(note->GetOwner());
        }
    }
};

TEST(PitchOrderTest, SortByPitchKeepsEqualPitchesInListOrder) {
    Notes notes{64, 60, 64, 67};
    const auto& e = notes.events;
    MCPitchUtils utils;
    MCEventList sorted;
    sorted.AddTail(e[1]);   // emptied first
    utils.Sort(notes.list, sorted, 0, 1);
    EXPECT_EQ(Events(sorted), (std::vector<ECBase*>{e[3], e[0], e[2], e[1]}));
    utils.Sort(notes.list, sorted, 0, 0);
    EXPECT_EQ(Events(sorted), (std::vector<ECBase*>{e[1], e[0], e[2], e[3]}));
}

TEST(PitchOrderTest, SortByHeight) {
    Notes notes{64, 60, 67};
    const auto& e = notes.events;
    const int ys[] = {10, -20, 30};
    for (size_t i = 0; i < 3; ++i) {
        notes.displays[i]->SetStemDirection(1, 1);   // stems down: the head's y counts
        notes.displays[i]->SetPosition(0, ys[i]);
    }
    MCPitchUtils utils;
    MCEventList sorted;
    utils.Sort(notes.list, sorted, 1, 0);
    EXPECT_EQ(Events(sorted), (std::vector<ECBase*>{e[1], e[0], e[2]}));
    utils.Sort(notes.list, sorted, 1, 1);
    EXPECT_EQ(Events(sorted), (std::vector<ECBase*>{e[2], e[0], e[1]}));
    EXPECT_EQ(utils.GetExtreme(notes.list, 1, 0), e[2]);
}

TEST(PitchOrderTest, ExtremeByPitchPassesOverAnUnspelledFirst) {
    Notes notes{90, 60, 64};
    const auto& e = notes.events;
    MCPitchUtils utils;
    EXPECT_EQ(utils.GetExtreme(notes.list, 0, 0), e[0]);
    EXPECT_EQ(utils.GetExtreme(notes.list, 0, 1), e[1]);
    notes.displays[0]->GetSpelling().SetDirty(1);
    EXPECT_EQ(utils.GetExtreme(notes.list, 0, 0), e[2]);
}

TEST(PitchOrderTest, RestsAloneGiveNothing) {
    measure_test::Score score(0, 1);
    MCEventList rests;
    for (int i = 0; i < 2; ++i) {
        auto* rest = new ECRest;   // held by the measure
        score.Measure(1)->AddChild(rest, 1);
        rests.AddTail(rest);
    }
    MCPitchUtils utils;
    MCEventList sorted;
    utils.Sort(rests, sorted, 0, 1);
    EXPECT_EQ(sorted.GetCount(), 0);
    EXPECT_EQ(utils.GetExtreme(rests, 0, 0), nullptr);
    EXPECT_EQ(utils.GetExtreme(rests, 1, 1), nullptr);
}

// The insertions are the class's own; a test reaches them through this.
struct OpenPitchUtils : MCPitchUtils {
    using MCPitchUtils::InsertByYPosition;
};

// A grace note's y is relative to its note: its height counts with the
// note's y added, so a grace note an octave above a note stands higher
// wherever the note stands.
TEST(PitchOrderTest, AGraceNoteCountsWithItsNotesY) {
    GraceFontScope font(120);
    Notes notes{64};
    DCctNote* main = notes.displays[0];
    DCctGraceNote* grace = AddGrace(main, 76, 128);
    const int h = MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_CURRENT);
    main->SetPosition(0, 40 * h);          // far above its grace note's own y
    grace->SetPosition(-2 * h, 7 * h / 2);   // an octave above, as placed
    MCEventList list;
    list.AddTail(main->GetOwner());
    list.AddTail(grace->GetOwner());

    MCPitchUtils utils;
    EXPECT_EQ(utils.GetExtreme(list, 1, 0), grace->GetOwner()) << "highest by position";
    EXPECT_EQ(utils.GetExtreme(list, 1, 1), main->GetOwner()) << "lowest by position";
    EXPECT_EQ(utils.GetExtreme(list, 0, 0), grace->GetOwner()) << "highest by pitch";
    EXPECT_EQ(utils.GetExtreme(list, 0, 1), main->GetOwner()) << "lowest by pitch";

    // Below a stem pointing down, an octave below: now the lowest.
    grace->SetStemDirection(1, 1);
    grace->SetPosition(-2 * h, -7 * h / 2);
    EXPECT_EQ(utils.GetExtreme(list, 1, 1), grace->GetOwner());

    // Inserted by height beside the note, which now stands higher: first
    // ascending, last descending.
    OpenPitchUtils open;
    MCEventList ascending;
    ascending.AddTail(main->GetOwner());
    open.InsertByYPosition(ascending, grace->GetOwner(), 0);
    EXPECT_EQ(ascending.GetHead(), grace->GetOwner());
    MCEventList descending;
    descending.AddTail(main->GetOwner());
    open.InsertByYPosition(descending, grace->GetOwner(), 1);
    EXPECT_EQ(descending.GetTail(), grace->GetOwner());
}

}  // namespace
