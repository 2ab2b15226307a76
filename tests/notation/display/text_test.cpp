// notation/display/text.cpp: texts placed by type (page texts on the page,
// texts at a time over the first staff, staff texts in their measure),
// rehearsal marks boxed, a track name cut at the first measure, and the
// names of the text types.
#include "notation/display/conductor.h"
#include "notation/display/conductormeasure.h"
#include "notation/display/text.h"

#include "model/meter.h"
#include "model/textmarks.h"
#include "notation/layout/pagelayout.h"
#include "platform/gdi/gdiobj.h"
#include "tests/notation/display/marks_support.h"
#include "tests/notation/display/measure_support.h"

#include <string>

namespace {

using namespace marks_test;
using measure_test::RegistryCell;

class TextTest : public ::testing::Test {
protected:
    TextTest() {
        ECMeter meter{4, 4, 255};
        for (int number = 1; number <= 2; ++number) {
            ColumnDisplay(number)->GetRuler().CreateDivMarks(&meter, 64);
            score.Display(number)->SetPosition(3000 * number, -4000);
        }
        CondStaffDisplay()->GetRuler().Init(score.conductor);
        CondStaffDisplay()->GetRuler().SetSpaceAbove(0, 480);
    }

    ECBase* CondStaff() { return score.conductor->GetTrack(1, 0, 0); }
    DCctConductorStaff* CondStaffDisplay() {
        return dynamic_cast<DCctConductorStaff*>(CondStaff()->GetData(DK_NOTATION, 1));
    }
    DCctConductorMeasure* ColumnDisplay(int number) {
        return dynamic_cast<DCctConductorMeasure*>(score.Column(number)->GetData(DK_NOTATION, 1));
    }
    // A text of `type` under `parent` (none: loose, owned by the test) at `time`.
    DCctText* AddText(ECBase* parent, unsigned char type, const std::string& text, const MCTime& time) {
        auto* event = new ECText(type, text);
        event->SetPointSize(14);
        event->SetTime(&time);
        if (parent)
            EXPECT_EQ(parent->AddChild(event, 1), 1);
        else
            m_loose.reset(event);
        auto* display = dynamic_cast<DCctText*>(event->GetData(DK_NOTATION, 1));
        EXPECT_NE(display, nullptr);
        return display;
    }
    // The text drawn alone, its position's row 100 pixels down the canvas.
    InkBox DrawAlone(DCctText* text, CRect* clip = nullptr) {
        TenthCanvas canvas(1400, 300, 0, 100 + text->GetY() / SCALE);
        EXPECT_EQ(text->Draw(&canvas.dc, CPoint(0, 0), clip), 1);
        return canvas.Ink();
    }

    measure_test::Score score{0, 2};
    RegistryCell textCell{ET_TEXT, RUNTIME_CLASS(DCctText)};
    RegistryCell measureCell{ET_MEASURE, RUNTIME_CLASS(DCctMeasure)};
    RegistryCell columnCell{ET_CONDUCTORMEASURE, RUNTIME_CLASS(DCctConductorMeasure)};
    RegistryCell condStaffCell{ET_CONDUCTORSTAFF, RUNTIME_CLASS(DCctConductorStaff)};
    MusicFontScope font{NOTEHEAD};

private:
    struct Unref {
        void operator()(ECBase* event) const { delete event; }
    };
    std::unique_ptr<ECBase, Unref> m_loose;
};

TEST(TextTypeNames, TheSixteenNamesInOrder) {
    const char* names[] = {
        "---", "Copyright Information", "Sequence Name", "Track Name", "Instrument Name", "Marker",
        "Cue Point", "Dedication Information", "Title", "Subtitle", "Composer", "Arranger",
        "Text Author", "Opus Number", "Rehearsal Letter", "Rehearsal Number",
    };
    for (int type = 0; type < 16; ++type)
        EXPECT_EQ(DCctText::GetTypeName(type), names[type]) << type;
    EXPECT_EQ(DCctText::GetTypeName(16), "");
    EXPECT_EQ(DCctText::GetTypeName(-1), "");
}

// A title centred on the paper, a composer ending at the right margin.
TEST_F(TextTest, PageTextsOnThePage) {
    const MCPageLayout& layout = MCPageLayout::GetPageLayout();
    const CRect paper = layout.GetPaperRect();
    const CRect printable = layout.GetPrintableRect();
    MCStaffRuler& levels = CondStaffDisplay()->GetRuler();

    DCctText* title = AddText(CondStaff(), DCctText::TEXT_TITLE, "Sonata in Blue", MCTime(0.0f));
    ASSERT_EQ(title->Position(nullptr, nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(title->GetPosition(), CPoint(paper.left + paper.Width() / 2, levels.GetTextLevel(1)));
    EXPECT_EQ(title->GetJustification(), DCctText::JUSTIFY_CENTRE);
    const InkBox titleInk = DrawAlone(title);
    ASSERT_FALSE(titleInk.Empty());
    EXPECT_NEAR(titleInk.CenterX2(), 2 * (paper.left + paper.Width() / 2) / SCALE, 4);

    DCctText* composer = AddText(CondStaff(), DCctText::TEXT_COMPOSER, "A. Nonymous", MCTime(0.0f));
    ASSERT_EQ(composer->Position(nullptr, nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(composer->GetPosition(), CPoint(printable.right, levels.GetTextLevel(6)));
    const InkBox composerInk = DrawAlone(composer);
    ASSERT_FALSE(composerInk.Empty());
    EXPECT_NEAR(composerInk.right, printable.right / SCALE, 3);
    EXPECT_LE(composerInk.right, printable.right / SCALE + 1);
}

// Every page text's place, justification and frame by type.
TEST_F(TextTest, PageTextsByType) {
    const MCPageLayout& layout = MCPageLayout::GetPageLayout();
    const CRect paper = layout.GetPaperRect();
    const CRect printable = layout.GetPrintableRect();
    MCStaffRuler& levels = CondStaffDisplay()->GetRuler();
    const int middle = paper.left + paper.Width() / 2;
    enum { LEFT_EDGE, HALF, WHOLE };   // the frame's left edge: at x, half the width left, all of it
    const struct {
        unsigned char type;
        int x, y;
        int justification;
        int frame;
    } cases[] = {
        {1, middle, printable.bottom, DCctText::JUSTIFY_CENTRE, HALF},
        {7, middle, levels.GetTextLevel(0), DCctText::JUSTIFY_CENTRE, HALF},
        {8, middle, levels.GetTextLevel(1), DCctText::JUSTIFY_CENTRE, HALF},
        {9, middle, levels.GetTextLevel(2), DCctText::JUSTIFY_CENTRE, HALF},
        {10, printable.right, levels.GetTextLevel(6), DCctText::JUSTIFY_RIGHT, WHOLE},
        {11, printable.right, levels.GetTextLevel(7), DCctText::JUSTIFY_RIGHT, WHOLE},
        {12, levels.GetDefaultHeight(), levels.GetTextLevel(5), DCctText::JUSTIFY_LEFT, LEFT_EDGE},
    };
    for (const auto& c : cases) {
        DCctText* text = AddText(CondStaff(), c.type, "Words", MCTime(0.0f));
        ASSERT_EQ(text->Position(nullptr, nullptr, nullptr, nullptr), 1) << int(c.type);
        EXPECT_EQ(text->GetPosition(), CPoint(c.x, c.y)) << int(c.type);
        EXPECT_EQ(text->GetJustification(), c.justification) << int(c.type);
        const int width = text->GetWidth();
        ASSERT_GT(width, 0);
        const int left = c.frame == HALF ? -width / 2 : c.frame == WHOLE ? -width : 0;
        EXPECT_EQ(text->GetMetrics().GetLeft(), left) << int(c.type);
        EXPECT_EQ(text->GetMetrics().GetTop(), 0) << int(c.type);
    }
    // Types beyond the table are left alone.
    DCctText* other = AddText(CondStaff(), 16, "Words", MCTime(0.0f));
    other->SetPosition(1, 2);
    EXPECT_EQ(other->Position(nullptr, nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(other->GetPosition(), CPoint(1, 2));
}

// A text at a time stands over the first staff at that time.
TEST_F(TextTest, TextsAtATimeStandOverTheFirstStaff) {
    const MCTime second = *score.Measure(2)->GetTime();
    MCTime at = second;
    at.AddTicks(512, 256);
    DCctText* marker = AddText(CondStaff(), 5, "Fine", at);
    ASSERT_EQ(marker->Position(nullptr, nullptr, nullptr, nullptr), 1);
    const int x = ColumnDisplay(2)->GetRuler().GetXPositionForTick(512, 0x4000);
    EXPECT_EQ(marker->GetPosition(), CPoint(6000 + x, -4000 + 480));

    // No measure of staff 1 at that time: not placed.
    MCTime late = *score.Measure(2)->GetTime();
    late.AddTicks(4096, 256);
    DCctText* lost = AddText(CondStaff(), 5, "Coda", late);
    lost->SetPosition(7, 8);
    EXPECT_EQ(lost->Position(nullptr, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(lost->GetPosition(), CPoint(7, 8));
}

// A rehearsal mark is boxed from its start; one letter gets a square box.
TEST_F(TextTest, RehearsalLetterInASquareBox) {
    DCctText* letter = AddText(CondStaff(), DCctText::TEXT_REHEARSAL_LETTER, "A", *score.Measure(1)->GetTime());
    EXPECT_EQ(letter->GetBoxText(), 1);
    DCctText* number = AddText(CondStaff(), DCctText::TEXT_REHEARSAL_NUMBER, "12", *score.Measure(1)->GetTime());
    EXPECT_EQ(number->GetBoxText(), 1);
    DCctText* plain = AddText(CondStaff(), 5, "B", *score.Measure(1)->GetTime());
    EXPECT_EQ(plain->GetBoxText(), 0);

    ASSERT_EQ(letter->Position(nullptr, nullptr, nullptr, nullptr), 1);
    const InkBox box = DrawAlone(letter);
    ASSERT_FALSE(box.Empty());
    EXPECT_NEAR(box.right - box.left, box.bottom - box.top, 2) << "square";
    EXPECT_NEAR(box.bottom - box.top, letter->GetHeight() / SCALE, 2);
    letter->SetBoxText(0);
    const InkBox bare = DrawAlone(letter);
    EXPECT_LT(bare.right - bare.left, box.right - box.left - 2);
}

// Two texts of one slot stack downwards in their parent's order, each its
// height below the one before; a staff's names centred on the staff as a
// block, copyrights ending at the page's foot. Texts at a time have no
// slot: two at one time stand where each would alone.
TEST_F(TextTest, TextsSharingASlotStack) {
    const CRect printable = MCPageLayout::GetPageLayout().GetPrintableRect();
    MCStaffRuler& levels = CondStaffDisplay()->GetRuler();
    DCctMeasure* first = score.Display(1);
    const int staffTop = first->GetPosition().y;
    const struct {
        unsigned char type;
        bool staff;
        bool stacks;
    } cases[] = {
        {DCctText::TEXT_TITLE, false, true},      {DCctText::TEXT_COMPOSER, false, true},
        {DCctText::TEXT_COPYRIGHT, false, true},  {DCctText::TEXT_TRACK_NAME, true, true},
        {5, false, false},
    };
    for (const auto& c : cases) {
        ECBase* parent = c.staff ? static_cast<ECBase*>(score.staff) : CondStaff();
        DCctText* upper = AddText(parent, c.type, "Upper words", MCTime(0.0f));
        DCctText* lower = AddText(parent, c.type, "Lower", MCTime(0.0f));
        upper->SetSize(nullptr);
        lower->SetSize(nullptr);
        ASSERT_EQ(lower->Position(nullptr, nullptr, nullptr, nullptr), 1) << int(c.type);
        ASSERT_EQ(upper->Position(nullptr, nullptr, nullptr, nullptr), 1) << int(c.type);
        const int h = upper->GetHeight();
        ASSERT_GT(h, 0);
        EXPECT_EQ(upper->GetX(), lower->GetX()) << int(c.type);
        EXPECT_EQ(upper->GetY() - lower->GetY(), c.stacks ? h : 0) << int(c.type);
        if (c.type == DCctText::TEXT_TITLE)
            EXPECT_EQ(upper->GetY(), levels.GetTextLevel(1));
        if (c.type == DCctText::TEXT_COPYRIGHT)
            EXPECT_EQ(lower->GetY(), printable.bottom);
        if (c.type == DCctText::TEXT_TRACK_NAME)
            EXPECT_EQ(upper->GetY(), staffTop - (first->GetHeight() - h - lower->GetHeight()) / 2);
        parent->RemoveChild(upper->GetOwner(), 1);
        parent->RemoveChild(lower->GetOwner(), 1);
    }
}

// A track name stops where the staff's first measure starts; without a
// clip rectangle, staff or first measure display there is nothing to cut at.
TEST_F(TextTest, TrackNameCutAtTheFirstMeasure) {
    const CRect printable = MCPageLayout::GetPageLayout().GetPrintableRect();
    score.Display(1)->SetPosition(printable.left + 900, -4000);
    DCctText* name = AddText(score.staff, DCctText::TEXT_TRACK_NAME, "Contrabassoon and Tuba", MCTime(0.0f));
    ASSERT_EQ(name->Position(nullptr, nullptr, nullptr, nullptr), 1);
    DCctMeasure* first = score.Display(1);
    EXPECT_EQ(name->GetPosition(),
              CPoint(printable.left, -4000 - (first->GetHeight() - name->GetHeight()) / 2));
    ASSERT_GT(name->GetWidth(), 900);

    CRect clip(0, 0, 14000, -20000);
    const InkBox cut = DrawAlone(name, &clip);
    ASSERT_FALSE(cut.Empty());
    EXPECT_LE(cut.right, (printable.left + 900) / SCALE);
    // The cut is the name's own: the canvas's clip region, or none, is back.
    for (const bool ownRegion : {false, true}) {
        TenthCanvas canvas(1400, 300, 0, 100 + name->GetY() / SCALE);
        CRgn own;
        own.CreateRectRgn(0, 0, 1400, 300);   // device pixels
        if (ownRegion)
            canvas.dc.SelectClipRgn(&own);
        name->Draw(&canvas.dc, CPoint(0, 0), &clip);
        CRgn after;
        EXPECT_EQ(canvas.dc.GetClipRgn(&after), ownRegion ? 1 : 0);
        if (ownRegion) {
            EXPECT_TRUE(after.EqualRgn(&own));
        }
    }
    const InkBox whole = DrawAlone(name);
    EXPECT_GT(whole.right, (printable.left + 900) / SCALE + 10);

    // Nothing to cut at, clip rectangle or not: without its staff, or with a
    // first measure not displayed yet, the whole name shows.
    ECText loose(DCctText::TEXT_TRACK_NAME, "Contrabassoon and Tuba");
    loose.SetPointSize(14);
    DCctText looseName;
    looseName.SetOwner(&loose);
    looseName.SetPosition(name->GetPosition());
    EXPECT_EQ(DrawAlone(&looseName, &clip).right, whole.right) << "no staff";
    looseName.SetOwner(nullptr);
    score.Measure(1)->RemoveData();
    EXPECT_EQ(DrawAlone(name, &clip).right, whole.right) << "no first measure display";

    // A sample drawn in a rectangle (no staff, no clip) shows the whole name.
    ECText sample(DCctText::TEXT_TRACK_NAME, "Viola");
    DCctText display;
    display.SetOwner(&sample);
    TenthCanvas canvas(300, 100, 0, 100);
    CRect rect(100, 800, 2900, 200);
    EXPECT_EQ(display.DrawInRect(&canvas.dc, &rect), 1);
    const InkBox ink = canvas.Ink();
    ASSERT_FALSE(ink.Empty());
    EXPECT_GE(ink.left, canvas.Column(rect.left));
    EXPECT_LE(ink.right, canvas.Column(rect.right));
    display.SetOwner(nullptr);
}

TEST_F(TextTest, StaffTextsInTheirMeasure) {
    // A plain text needs its staff.
    DCctText* loose = AddText(nullptr, DCctText::TEXT_STAFF, "dolce", MCTime(0.0f));
    EXPECT_EQ(loose->Position(nullptr, nullptr, nullptr, nullptr), 0);

    // The null time stands for time 0.
    DCctText* atZero = AddText(score.staff, DCctText::TEXT_STAFF, "dolce", MCTime(0.0f));
    DCctText* atNull = AddText(score.staff, DCctText::TEXT_STAFF, "dolce", MCTime::TimeNull());
    ASSERT_EQ(atZero->Position(nullptr, nullptr, nullptr, nullptr), 1);
    ASSERT_EQ(atNull->Position(nullptr, nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(atNull->GetPosition(), atZero->GetPosition());
    EXPECT_EQ(atZero->GetPosition(), CPoint(3000 + ColumnDisplay(1)->GetRuler().GetXPositionForTick(0, 0x4000), -4000 + 480));

    // An instrument name at the start of the music.
    DCctText* instrument = AddText(score.staff, DCctText::TEXT_INSTRUMENT_NAME, "Oboe", *score.Measure(2)->GetTime());
    ASSERT_EQ(instrument->Position(nullptr, nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(instrument->GetPosition(),
              CPoint(6000 + ColumnDisplay(2)->GetRuler().GetPrologX(MCRuler::PROLOG_END), -4000 + 480));
}

}  // namespace
