// Display objects in the event tree: positions accumulated over ancestors,
// total frames over children, and the staff display's look-ups.
#include "notation/display/base.h"
#include "notation/display/records.h"
#include "notation/display/staff.h"

#include "model/eventtypes.h"
#include "model/groupmarks.h"
#include "model/markings.h"
#include "model/measure.h"
#include "model/notes.h"
#include "model/staff.h"
#include "tests/model/eventio_support.h"
#include "tests/notation/support/durationgate.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using eventio::Held;

// Plain base displays for event types whose own display classes come
// elsewhere; the table is put back afterwards.
class BaseDisplaysFor {
public:
    explicit BaseDisplaysFor(std::vector<int> types) : m_types(std::move(types)) {
        notation_test::StartPlugin();
        for (int type : m_types) {
            m_before.push_back(CPluginData::GetDataClass(DK_NOTATION, type));
            CPluginData::GetDataClass(DK_NOTATION, type) = RUNTIME_CLASS(DCctBase);
        }
    }
    ~BaseDisplaysFor() {
        for (size_t i = 0; i < m_types.size(); ++i)
            CPluginData::GetDataClass(DK_NOTATION, m_types[i]) = m_before[i];
    }
    BaseDisplaysFor(const BaseDisplaysFor&) = delete;
    BaseDisplaysFor& operator=(const BaseDisplaysFor&) = delete;

private:
    std::vector<int> m_types;
    std::vector<const CRuntimeClass*> m_before;
};

DCctBase* Display(ECBase* event) {
    return dynamic_cast<DCctBase*>(event->GetData(DK_NOTATION, 1));
}

// A placed 10 x 10 box whose top-left is the drawing point's (0, +10).
DCctBase* Boxed(ECBase* event, int x, int y) {
    DCctBase* display = Display(event);
    MCMusicFont::MusicFontMetrics box;
    box.SetWidth(10);
    box.SetHeight(10);
    box.SetTop(10);
    display->SetMetrics(box);
    display->SetPosition(x, y);
    display->SetFrameDirty(0);
    display->SetPositionDirty(0);
    return display;
}

TEST(DisplayTreeTest, VirtualPositionSumsPlacedAncestorsOnce) {
    BaseDisplaysFor bases({ET_MEASURE, ET_CHORD, ET_NOTE, ET_BEAM});
    Held held;
    ECMeasure* measure = held(new ECMeasure);
    auto* chord = new ECChord;
    auto* beam = new ECBeam;
    auto* note = new ECNote;
    ASSERT_TRUE(measure->AddChild(chord, 1));
    ASSERT_TRUE(measure->AddChild(beam, 1));
    ASSERT_TRUE(chord->AddChild(note, 1));
    ASSERT_TRUE(beam->AddChild(note, 1));
    Display(measure)->SetPosition(1000, 2000);
    Display(chord)->SetPosition(50, 50);   // groupings add nothing
    Display(beam)->SetPosition(7, 7);
    DCctBase* head = Display(note);
    head->SetPosition(10, 20);
    head->SetStoredOffset(CSize(1, 2));
    // The measure is reached through the chord and through the beam: once.
    EXPECT_EQ(head->GetVirtualPosition(), CPoint(1011, 2022));
    EXPECT_EQ(Display(measure)->GetVirtualPosition(), CPoint(1000, 2000));   // no parents

    CRect frame;
    Boxed(note, 10, 20)->GetVirtualFrame(&frame, 0);
    EXPECT_EQ(frame, CRect(1011, 2032, 1021, 2022));
}

TEST(DisplayTreeTest, TotalFrameOffsetsChildrenByThisPosition) {
    BaseDisplaysFor bases({ET_MEASURE, ET_CHORD, ET_NOTE});
    Held held;
    ECMeasure* measure = held(new ECMeasure);
    auto* chord = new ECChord;
    auto* note = new ECNote;
    ASSERT_TRUE(measure->AddChild(chord, 1));
    ASSERT_TRUE(chord->AddChild(note, 1));
    DCctBase* outer = Boxed(measure, 100, 100);
    Boxed(chord, 50, 0);
    Boxed(note, 0, 200);

    CRect total;
    int maxY = 0;
    outer->GetTotalFrame(&total, CPoint(0, 0), &maxY);
    // Own frame 100..110 x 100..110; the chord at the measure's position
    // (150..160); the note at the chord's own position only (50..60, 200..210).
    EXPECT_EQ(total, CRect(50, 100, 160, 210));
    EXPECT_EQ(maxY, 210);

    // The point moves the own frame alone.
    outer->GetTotalFrame(&total, CPoint(-1000, 0), &maxY);
    EXPECT_EQ(total, CRect(-900, 100, 160, 210));
}

TEST(DisplayTreeTest, CollisionOfVirtualFrames) {
    BaseDisplaysFor bases({ET_MEASURE, ET_NOTE});
    Held held;
    ECMeasure* measure = held(new ECMeasure);
    auto* first = new ECNote;
    auto* second = new ECNote;
    ASSERT_TRUE(measure->AddChild(first, 1));
    ASSERT_TRUE(measure->AddChild(second, 1));
    Display(measure)->SetPosition(500, 0);
    DCctBase* a = Boxed(first, 0, 0);
    DCctBase* b = Boxed(second, 9, 9);
    EXPECT_EQ(a->CollideTest(b), 1);
    b->SetPosition(10, 0);   // edges touch: no common area
    EXPECT_EQ(a->CollideTest(b), 0);
    EXPECT_EQ(a->CollideTest(nullptr), 0);
}

TEST(DisplayStaffTest, DrawsNothingAndTestsThroughItsFirstMeasure) {
    BaseDisplaysFor bases({ET_MEASURE});
    Held held;
    ECStaff* staff = held(new ECStaff);
    auto* display = dynamic_cast<DCctStaff*>(staff->GetData(DK_NOTATION, 1));
    ASSERT_NE(display, nullptr);
    EXPECT_EQ(display->Draw(nullptr, CPoint(0, 0), nullptr), 64);
    display->SetHidden(1);
    EXPECT_EQ(display->Draw(nullptr, CPoint(0, 0), nullptr), 128);

    CRect probe(0, 0, 5, 5);
    EXPECT_EQ(display->IsIn(&probe, CPoint(0, 0), 1, 0), 0);   // no measure
    auto* measure = new ECMeasure;
    ASSERT_TRUE(staff->AddChild(measure, 1));
    EXPECT_EQ(display->IsIn(&probe, CPoint(0, 0), 1, 0), 0);    // nor one with no display
    Display(measure);
    EXPECT_EQ(display->IsIn(&probe, CPoint(0, 0), 1, 0), 64);   // its measure is not placed
    Boxed(measure, 0, 0);
    EXPECT_EQ(display->IsIn(&probe, CPoint(0, 0), 1, 0), 1);
    EXPECT_EQ(display->HitTest(&probe, CPoint(0, 0), 0), 1);

    display->SetLegerHeightAbove(300);
    display->SetLegerHeightBelow(-40);
    DCctStaff copy(*display);
    EXPECT_EQ(copy.GetLegerHeightAbove(), 0);
    EXPECT_EQ(display->GetLegerHeightAbove(), 300);
    EXPECT_EQ(display->GetLegerHeightBelow(), -40);
}

TEST(DisplayStaffTest, TheLowerHandCountsOnAGrandStaffOnly) {
    Held held;
    for (unsigned char kind : {0, 1, 3}) {
        ECStaff* staff = held(new ECStaff);
        staff->SetStaffType(kind);
        auto* measure = new ECMeasure;
        ASSERT_TRUE(staff->AddChild(measure, 1));
        auto* treble = new ECClef(0);
        auto* bass = new ECClef(1);
        bass->SetHand(1);
        auto* upperKey = new ECKey(2, 0);
        auto* lowerKey = new ECKey(-3, 0);
        lowerKey->SetHand(1);
        const MCTime start(0.0f);
        measure->SetTime(&start);
        for (ECBase* event : std::vector<ECBase*>{treble, bass, upperKey, lowerKey}) {
            event->SetTime(&start);
            ASSERT_TRUE(measure->AddChild(event, 1));
        }
        staff->RebuildCache();

        MCTime zero(0.0f);
        MCTime later(1.0f);
        const bool grand = kind == 1;
        EXPECT_EQ(DCctStaff::GetClefAtTime(staff, zero, 1), grand ? bass : staff->GetClefAtTime(zero, 0)) << int(kind);
        EXPECT_EQ(DCctStaff::GetClefAtTime(staff, zero, 0), staff->GetClefAtTime(zero, 0)) << int(kind);
        EXPECT_EQ(DCctStaff::GetKeyAtTime(staff, zero, 1), grand ? lowerKey : staff->GetKeyAtTime(zero, 0)) << int(kind);
        EXPECT_EQ(DCctStaff::GetClefBeforeTime(staff, later, 1), grand ? bass : staff->GetClefBeforeTime(later, 0));
        EXPECT_EQ(DCctStaff::GetKeyBeforeTime(staff, later, 1), grand ? lowerKey : staff->GetKeyBeforeTime(later, 0));
    }
    MCTime zero(0.0f);
    EXPECT_EQ(DCctStaff::GetClefAtTime(nullptr, zero, 0), nullptr);
    EXPECT_EQ(DCctStaff::GetKeyBeforeTime(nullptr, zero, 1), nullptr);
}

}  // namespace
