// The track pickers on a document's staves: names or numbered stand-ins by
// position, the staves as item data in all three controls, checked staves
// back in list order, and what an empty or absent document leaves.
#include "interface/controls/trackpickers.h"

#include "model/basiccommands.h"
#include "model/conductor.h"
#include "model/eventtypes.h"
#include "model/staff.h"
#include "sequencer/performer.h"
#include "sequencer/trackperformer.h"
#include "tests/interface/controls/control_support.h"
#include "tests/interface/document/doc_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class TrackPickers : public ::testing::Test, protected doc_support::DocumentParts {
protected:
    TrackPickers() {
        NewPiece();
        EXPECT_TRUE(box.Create(WS_VISIBLE | CBS_DROPDOWNLIST, CRect(10, 10, 160, 150), &parent, 1501));
        EXPECT_TRUE(list.Create(WS_VISIBLE, CRect(10, 40, 160, 120), &parent, 1502));
        EXPECT_TRUE(checks.Create(WS_VISIBLE, CRect(10, 130, 160, 190), &parent, 1503, 1));
    }
    // Staves until the piece has `count`, made as the program makes them.
    void MakeStaves(int count) {
        const int missing = count - static_cast<int>(Staves().size());
        if (missing <= 0)
            return;
        ECConductor* conductor = doc->GetSequence()->GetConductor();
        conductor->GetMaxTrackNumber(TRACK_STAFF);
        auto* add = new CCAddTrack;
        add->AddMidiTrack(0, missing);
        add->SetSynchronous(1);
        ASSERT_EQ(add->Apply(doc->GetBaseEvent()), 1);
    }
    std::vector<ECBase*> Staves() { return doc_support::FindEvents(doc->GetBaseEvent(), ET_STAFF); }
    void Name(ECBase* staff, const char* name) {
        auto* track = dynamic_cast<DCsqTrack*>(DCsqBase::GetPerformer(staff, 0));
        ASSERT_NE(track, nullptr);
        track->SetTrackName(name);
    }
    void RefreshAll() {
        box.SetDocument(doc.get(), 1);
        list.SetDocument(doc.get(), 1);
        checks.SetDocument(doc.get(), 1);
    }
    // Each control's texts and item data, in order.
    std::vector<std::pair<std::string, void*>> BoxEntries() const {
        std::vector<std::pair<std::string, void*>> entries;
        for (int i = 0; i < box.GetCount(); ++i) {
            std::string text;
            box.GetLBText(i, text);
            entries.emplace_back(text, box.GetItemDataPtr(i));
        }
        return entries;
    }
    std::vector<std::pair<std::string, void*>> ListEntries() const {
        std::vector<std::pair<std::string, void*>> entries;
        for (int i = 0; i < list.GetCount(); ++i) {
            std::string text;
            list.GetText(i, text);
            entries.emplace_back(text, list.GetItemDataPtr(i));
        }
        return entries;
    }
    std::vector<std::pair<std::string, void*>> CheckEntries() const {
        std::vector<std::pair<std::string, void*>> entries;
        for (int i = 0; i < checks.GetItemCount(); ++i)
            entries.emplace_back(checks.GetItemText(i, 0), reinterpret_cast<void*>(checks.GetItemData(i)));
        return entries;
    }

    control_test::CCommandParent parent;
    MCTrackBox box;
    MCTrackList list;
    MCTrackCheckList checks;
};

TEST_F(TrackPickers, EachStaffByNameOrByPositionWithTheStaffAsItemData) {
    MakeStaves(3);
    const std::vector<ECBase*> staves = Staves();
    ASSERT_EQ(staves.size(), 3u);
    Name(staves[0], "Violin");
    RefreshAll();
    const std::vector<std::pair<std::string, void*>> expected = {
        {"Violin", staves[0]}, {"02)  Track 2", staves[1]}, {"03)  Track 3", staves[2]}};
    EXPECT_EQ(BoxEntries(), expected);
    EXPECT_EQ(ListEntries(), expected);
    EXPECT_EQ(CheckEntries(), expected);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(checks.GetItemState(i, LVIS_STATEIMAGEMASK), INDEXTOSTATEIMAGEMASK(1)) << i;

    // A staff named later than the others still shows its position's number.
    Name(staves[0], "");
    Name(staves[2], "Cello");
    list.RefreshTracks();
    EXPECT_EQ(ListEntries(), (std::vector<std::pair<std::string, void*>>{
                                 {"01)  Track 1", staves[0]}, {"02)  Track 2", staves[1]}, {"Cello", staves[2]}}));
}

TEST_F(TrackPickers, CheckedStavesComeBackInListOrder) {
    MakeStaves(3);
    const std::vector<ECBase*> staves = Staves();
    ASSERT_EQ(staves.size(), 3u);
    checks.SetDocument(doc.get(), 1);
    checks.SetCheck(2, 1);
    checks.SetCheck(0, 1);
    MCEventList picked;
    picked.AddEvent(staves[1], UNSORTED);   // emptied first
    EXPECT_EQ(checks.GetSelectedTracks(picked), 2);
    ASSERT_EQ(picked.GetCount(), 2);
    EXPECT_EQ(picked.GetHead(), staves[0]);
    EXPECT_EQ(picked.GetTail(), staves[2]);
}

TEST_F(TrackPickers, NoStavesOrNoDocumentLeaveTheControlsEmpty) {
    MakeStaves(2);
    RefreshAll();
    ASSERT_EQ(box.GetCount(), static_cast<int>(Staves().size()));
    // A null document empties nothing until the next refresh.
    box.SetDocument(nullptr, 0);
    list.SetDocument(nullptr, 0);
    checks.SetDocument(nullptr, 0);
    EXPECT_EQ(box.GetCount(), 2);
    EXPECT_EQ(list.GetCount(), 2);
    EXPECT_EQ(checks.GetItemCount(), 2);
    box.RefreshTracks();
    list.RefreshTracks();
    checks.RefreshTracks();
    EXPECT_EQ(box.GetCount(), 0);
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(checks.GetItemCount(), 0);
    MCEventList picked;
    EXPECT_EQ(checks.GetSelectedTracks(picked), 0);

    // A document without a performance lists nothing either.
    std::unique_ptr<MCOpusDoc> empty = MakeDocument();
    checks.SetDocument(empty.get(), 1);
    EXPECT_EQ(checks.GetItemCount(), 0);
    EXPECT_EQ(checks.GetSelectedTracks(picked), 0);
    EXPECT_TRUE(picked.IsEmpty());
}

}  // namespace
