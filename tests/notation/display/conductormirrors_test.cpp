// The conductor measure's mirrors: an element shown in every staff measure of
// the column (twice on a grand staff), and the clefs and keys in force carried
// into a measure that does not hold them.
#include "notation/display/conductormeasure.h"

#include "interface/document/opusdoc.h"
#include "model/markings.h"
#include "model/mirror.h"
#include "tests/notation/display/conductor_support.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// A document made the active one for a scope, with a performance of its own.
class ActiveDocument {
public:
    ActiveDocument() : m_doc(std::make_unique<MCOpusDoc>()) {
        m_doc->m_bAutoDelete = false;
        m_doc->CreatePerformance(0);
        MCOpusDoc::SetActiveDoc(m_doc.get());
    }
    ~ActiveDocument() {
        MCOpusDoc::SetActiveDoc(nullptr);
        m_doc.reset();
        MCOpusDoc::WaitThreadsFinished(0);
    }
    ActiveDocument(const ActiveDocument&) = delete;
    ActiveDocument& operator=(const ActiveDocument&) = delete;

private:
    std::unique_ptr<MCOpusDoc> m_doc;
};

class ConductorMirrorTest : public ConductorPieceTest {
protected:
    void SetUp() override {
        ConductorPieceTest::SetUp();
        MakePiece(2, 2, {0, 1});   // staff 2 a grand staff
    }
    std::vector<ECMirror*> Mirrors(ECMeasure* measure) {
        std::vector<ECMirror*> found;
        MCEventList* children = measure->GetChildren();
        for (POSITION pos = children->FindEvent(ET_MIRROR); pos; pos = children->FindEvent(ET_MIRROR, pos))
            found.push_back(static_cast<ECMirror*>(children->GetAt(pos)));
        return found;
    }
    FakeMirrorDisplay* MirrorDisplay(ECMirror* mirror) {
        return dynamic_cast<FakeMirrorDisplay*>(mirror->GetData(DK_NOTATION, 0));
    }
    // Puts the event into staff `staff`'s first measure at time 0 with the hand.
    template <class Event>
    Event* AddToFirstMeasure(Event* event, int staff, unsigned char hand) {
        event->SetHand(hand);
        piece::Place(event, 0.0f, hand ? 4 : 0, staff);
        EXPECT_TRUE(Measure(staff, 1)->AddChild(event, SORTED));
        Staff(staff)->RebuildCache();
        return event;
    }
};

TEST_F(ConductorMirrorTest, AddMirrorOnceAStaffTwiceAGrandStaff) {
    auto* clef = AddToFirstMeasure(new ECClef(0), 1, 0);
    Display(2)->AddMirror(clef, 0);
    const MCTime measureTime = *Column(2)->GetTime();
    const struct {
        int staff;
        size_t index;
        int location;   // -1: left as the mirror makes it
        MCTime time;
    } cases[] = {
        {1, 0, -1, measureTime},
        // The grand staff's second, at the element's own time, sorts first.
        {2, 0, 0, *clef->GetTime()},
        {2, 1, -1, measureTime},
    };
    ASSERT_EQ(Mirrors(Measure(1, 2)).size(), 1u);
    ASSERT_EQ(Mirrors(Measure(2, 2)).size(), 2u);
    for (const auto& c : cases) {
        ECMirror* mirror = Mirrors(Measure(c.staff, 2))[c.index];
        EXPECT_EQ(mirror->GetMirrorEvent(), clef);
        EXPECT_TRUE(*mirror->GetTime() == c.time) << c.staff << "/" << c.index;
        FakeMirrorDisplay* display = MirrorDisplay(mirror);
        ASSERT_NE(display, nullptr);
        EXPECT_EQ(display->shown, clef->GetData(DK_NOTATION, 0));
        EXPECT_EQ(display->prolog, 0);
        EXPECT_EQ(display->location, c.location);
    }
    EXPECT_TRUE(MirrorEntries().empty());   // AddMirror leaves the rulers alone
}

TEST_F(ConductorMirrorTest, ClefsInForceAreMirroredWhereTheyAreNotOwn) {
    auto* treble = AddToFirstMeasure(new ECClef(0), 1, 0);
    auto* upper = AddToFirstMeasure(new ECClef(0), 2, 0);
    auto* lower = AddToFirstMeasure(new ECClef(1), 2, 1);
    // The measures holding them get nothing.
    Display(1)->AddClefToMeasures();
    EXPECT_TRUE(Mirrors(Measure(1, 1)).empty());
    EXPECT_TRUE(Mirrors(Measure(2, 1)).empty());
    EXPECT_TRUE(MirrorEntries().empty());

    Display(2)->AddClefToMeasures();
    const std::vector<ECMirror*> first = Mirrors(Measure(1, 2));
    ASSERT_EQ(first.size(), 1u);   // a one-staff staff has no lower half
    EXPECT_EQ(first[0]->GetMirrorEvent(), treble);
    const std::vector<ECMirror*> grand = Mirrors(Measure(2, 2));
    ASSERT_EQ(grand.size(), 2u);
    EXPECT_EQ(grand[0]->GetMirrorEvent(), upper);
    EXPECT_EQ(grand[1]->GetMirrorEvent(), lower);
    EXPECT_EQ(MirrorDisplay(grand[1])->prolog, -1);   // no prolog or location given
    // Each entered in its measure's ruler.
    ASSERT_EQ(MirrorEntries().size(), 3u);
    EXPECT_EQ(MirrorEntries()[0].ruler, &MeasureDisplay(1, 2)->ruler);
    EXPECT_EQ(MirrorEntries()[0].mirror, first[0]);
    EXPECT_EQ(MirrorEntries()[2].ruler, &MeasureDisplay(2, 2)->ruler);
}

TEST_F(ConductorMirrorTest, KeysUnderTheActiveDocumentSkippingCancellingOnes) {
    auto* key = AddToFirstMeasure(new ECKey(2, 0), 1, 0);
    auto* cancelling = AddToFirstMeasure(new ECKey(-3, 0), 2, 0);
    auto* display = dynamic_cast<DCctBase*>(cancelling->GetData(DK_NOTATION, 1));
    ASSERT_NE(display, nullptr);
    display->SetStateWord(display->GetStateWord() | (1u << 20));

    // No active document: nothing.
    ASSERT_EQ(MCOpusDoc::GetActiveDoc(), nullptr);
    Display(2)->AddKeyToMeasures();
    EXPECT_TRUE(Mirrors(Measure(1, 2)).empty());

    ActiveDocument doc;
    Display(2)->AddKeyToMeasures();
    const std::vector<ECMirror*> mirrors = Mirrors(Measure(1, 2));
    ASSERT_EQ(mirrors.size(), 1u);
    EXPECT_EQ(mirrors[0]->GetMirrorEvent(), key);
    EXPECT_TRUE(Mirrors(Measure(2, 2)).empty());
    ASSERT_EQ(MirrorEntries().size(), 1u);
    EXPECT_EQ(MirrorEntries()[0].ruler, &MeasureDisplay(1, 2)->ruler);
}

TEST_F(ConductorMirrorTest, WithoutTheLinksMirrorsStillStandButNoRulerIsTouched) {
    auto* clef = AddToFirstMeasure(new ECClef(0), 1, 0);
    DCctConductorMeasure::Links().setMirror = nullptr;
    DCctConductorMeasure::Links().doMirror = nullptr;
    Display(2)->AddClefToMeasures();
    const std::vector<ECMirror*> mirrors = Mirrors(Measure(1, 2));
    ASSERT_EQ(mirrors.size(), 1u);
    EXPECT_EQ(mirrors[0]->GetMirrorEvent(), clef);
    EXPECT_FALSE(MirrorDisplay(mirrors[0])->told);
    EXPECT_TRUE(MirrorEntries().empty());
}

}  // namespace
