// The barline display: widths, colours, the styles, and the line through
// the staves each group of the conductor staff's grouping joins.
#include "notation/display/barline.h"
#include "notation/display/conductor.h"
#include "notation/display/conductormeasure.h"
#include "notation/display/records.h"

#include "model/appstates.h"
#include "model/eventtypes.h"
#include "model/markings.h"
#include "notation/layout/staffcolor.h"
#include "notation/layout/staffruler.h"
#include "platform/core/archive.h"
#include "platform/ui/syscolor.h"
#include "tests/model/piece_support.h"
#include "tests/notation/display/display_support.h"
#include "tests/notation/display/structure_support.h"
#include "tests/notation/support/durationgate.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

constexpr int H = 20;               // notehead height
constexpr int TOP = 20;             // device row of staff 1's top line
constexpr int STAFF2_Y = -10 * H;   // staff 2's offset in the system
constexpr int X = 100;              // where the barline is drawn

// Device row of a logical y.
constexpr int Row(int y) {
    return TOP - y;
}

// Runs of ink along one device row: [first, last] columns.
std::vector<std::pair<int, int>> InkRuns(const QImage& image, int row) {
    std::vector<std::pair<int, int>> runs;
    for (int x = 0; x < image.width(); ++x) {
        if ((image.pixel(x, row) & 0xFFFFFF) == 0xFFFFFF)
            continue;
        if (!runs.empty() && runs.back().second == x - 1)
            runs.back().second = x;
        else
            runs.emplace_back(x, x);
    }
    return runs;
}

// The barline with its drawing steps in reach.
class BarlineProbe : public DCctBarline {
public:
    using DCctBarline::DrawThroughStaves;
};

// A score of `staves` staves and one measure; a barline in its conductor
// measure; the staff measures' display objects four spaces high; a staff
// ruler with staff n at (n - 1) x STAFF2_Y.
class BarlineDrawTest : public piece::PieceTest {
protected:
    void SetUp() override {
        PieceTest::SetUp();
        MakeStaves(3);
        MakeMeasures(1);
        m_staff = ConductorStaff();
        ASSERT_NE(m_staff, nullptr);
        m_measure = m_staff->GetMeasure(0, MCTime(0.0f), 0, 1);
        ASSERT_NE(m_measure, nullptr);
        m_barline = new ECBarline;
        m_barline->SetTime(m_measure->GetTime());
        ASSERT_EQ(m_measure->AddChild(m_barline, 1), 1);
        m_display.SetOwner(m_barline);
        m_ruler.Init(3);
        for (int track = 1; track <= 3; ++track) {
            m_ruler.SetStaffY(track - 1, (track - 1) * STAFF2_Y);
            ECMeasure* measure = m_staff->GetMeasure(track, MCTime(0.0f), 0, 1);
            ASSERT_NE(measure, nullptr);
            auto* display = dynamic_cast<DCctBase*>(measure->GetData(DK_NOTATION, 1));
            ASSERT_NE(display, nullptr);
            MCMusicFont::MusicFontMetrics box;
            box.SetHeight(4 * H);
            display->SetMetrics(box);
        }
    }
    void TearDown() override {
        m_display.SetOwner(nullptr);
        PieceTest::TearDown();
    }

    // Draws the barline of `type` through the staves; answers what it drew.
    const QImage& DrawType(BYTE type) {
        m_barline->SetBarlineType(type);
        m_display.SetFrameDirty(1);
        m_canvas = std::make_unique<DisplayCanvas>(200, 3 * 10 * H + 40, 0, TOP);
        MCMusicFont::GetMusicFont().SelectFont(&m_canvas->dc, FONT_NORMAL);
        m_drawn = m_display.DrawThroughStaves(&m_canvas->dc, CPoint(X, 0), CPoint(0, 0), 0, m_staff, m_ruler,
                                              *m_measure->GetTime(), RGB(0, 0, 0));
        MCMusicFont::GetMusicFont().DeselectFont(&m_canvas->dc);
        return m_canvas->Image();
    }
    bool InkInGap(const QImage& image, int upperStaff) {
        const int gapTop = Row((upperStaff - 1) * STAFF2_Y - 4 * H) + 2;
        const int gapBottom = Row(upperStaff * STAFF2_Y) - 2;
        return !FindInk(image, gapTop, gapBottom).Empty();
    }

    MusicFontScope m_font{H};
    ScopedDisplayClass m_measureDisplays{ET_MEASURE, RUNTIME_CLASS(DCctBase)};
    ECConductorStaff* m_staff = nullptr;
    ECMeasure* m_measure = nullptr;
    ECBarline* m_barline = nullptr;   // the conductor measure's child
    BarlineProbe m_display;
    MCStaffRuler m_ruler;
    std::unique_ptr<DisplayCanvas> m_canvas;
    int m_drawn = 0;
};

TEST_F(BarlineDrawTest, EachStyleAcrossAStaff) {
    const int thin = MCMusicFont::GetMusicFont().GetBarlineWidth(FONT_CURRENT);
    ASSERT_GT(thin, 0);
    const struct {
        BYTE type;
        std::vector<std::pair<int, int>> runs;   // across the middle of staff 1
    } cases[] = {
        {DCctBarline::BARLINE_SINGLE, {{X - thin, X - 1}}},
        {DCctBarline::BARLINE_DOUBLE, {{X - H / 2 - thin, X - H / 2 - 1}, {X - thin, X - 1}}},
        {DCctBarline::BARLINE_FINAL, {{X - H - thin, X - H - 1}, {X - H / 2, X - 1}}},
    };
    for (const auto& c : cases) {
        const QImage& image = DrawType(c.type);
        EXPECT_EQ(m_drawn, 1);
        const auto runs = InkRuns(image, Row(-2 * H));
        ASSERT_EQ(runs.size(), c.runs.size()) << int(c.type);
        for (size_t i = 0; i < runs.size(); ++i) {
            EXPECT_NEAR(runs[i].first, c.runs[i].first, 1) << int(c.type) << " run " << i;
            EXPECT_NEAR(runs[i].second, c.runs[i].second, 1) << int(c.type) << " run " << i;
        }
        // From the top line to the bottom line of the staff, no further.
        const InkBox ink = FindInk(image, 0, Row(STAFF2_Y) - 1, X - 2 * H, X + H);
        EXPECT_NEAR(ink.top, Row(0), 1) << int(c.type);
        EXPECT_NEAR(ink.bottom, Row(-4 * H), 1) << int(c.type);
    }
}

TEST_F(BarlineDrawTest, DottedBarlinePutsADotInEachSpace) {
    const QImage& image = DrawType(DCctBarline::BARLINE_DOTTED);
    EXPECT_EQ(m_drawn, 1);
    // Rows with ink on staff 1, grouped into dots.
    std::vector<std::pair<int, int>> dots;
    for (int row = Row(0) - H; row < Row(STAFF2_Y) - 2; ++row) {
        if (FindInk(image, row, row + 1, X - H, X + 2 * H).Empty())
            continue;
        if (!dots.empty() && dots.back().second == row - 1)
            dots.back().second = row;
        else
            dots.emplace_back(row, row);
    }
    ASSERT_EQ(dots.size(), 4u);
    for (int k = 0; k < 4; ++k)
        EXPECT_NEAR(dots[k].first + dots[k].second, 2 * Row(-H / 2 - k * H), 3) << k;
}

TEST_F(BarlineDrawTest, SystemLineRunsFromTheFirstStaffToTheLastShown) {
    const QImage& image = DrawType(DCctBarline::BARLINE_SYSTEM);
    EXPECT_EQ(m_drawn, 1);
    const InkBox ink = FindInk(image, 0, image.height());
    EXPECT_NEAR(ink.top, Row(0), 1);
    EXPECT_NEAR(ink.bottom, Row(2 * STAFF2_Y - 4 * H), 1);
    EXPECT_NEAR(ink.right, X - 1, 1);
    EXPECT_TRUE(InkInGap(image, 1));
    EXPECT_TRUE(InkInGap(image, 2));
}

TEST_F(BarlineDrawTest, GroupedStavesAreJoinedThroughTheGap) {
    // Every staff keeps its plain group: a line on each, none between.
    const QImage& plain = DrawType(DCctBarline::BARLINE_SINGLE);
    EXPECT_EQ(m_drawn, 1);
    for (int staff = 1; staff <= 3; ++staff)
        EXPECT_FALSE(FindInk(plain, Row((staff - 1) * STAFF2_Y - 2 * H), Row((staff - 1) * STAFF2_Y - 2 * H) + 1).Empty()) << staff;
    EXPECT_FALSE(InkInGap(plain, 1));
    EXPECT_FALSE(InkInGap(plain, 2));

    m_staff->GroupStaves(1, 2, 0);
    const QImage& grouped = DrawType(DCctBarline::BARLINE_SINGLE);
    EXPECT_TRUE(InkInGap(grouped, 1));
    EXPECT_FALSE(InkInGap(grouped, 2));   // staff 3 keeps its own
    const auto runs = InkRuns(grouped, Row(STAFF2_Y / 2));
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_NEAR(runs[0].second, X - 1, 1);
}

TEST_F(BarlineDrawTest, FreeSlotsDrawNothingAndHiddenStavesEndTheWalk) {
    // A free slot still holding an old group over staves 1-2, between two
    // plain groups in use.
    {
        CMemFile file;
        CArchive ar(&file, CArchive::store);
        ar.WriteCount(3);
        ar << static_cast<DWORD>(MCGroup::tag_group::Make(1, 1, 2).GetWord());
        ar << static_cast<DWORD>(MCGroup::tag_group::Make(1, 2, 0).GetWord() & ~MCGroup::tag_group::IN_USE);
        ar << static_cast<DWORD>(MCGroup::tag_group::Make(2, 2, 2).GetWord());
        ar.WriteCount(0);
        ar.Close();
        CMemFile bytes(file.Detach());
        CArchive load(&bytes, CArchive::load);
        m_staff->GetGroup()->Serialize(load);
    }
    const QImage& image = DrawType(DCctBarline::BARLINE_SINGLE);
    EXPECT_EQ(m_drawn, 1);
    EXPECT_FALSE(InkInGap(image, 1));
    EXPECT_FALSE(FindInk(image, Row(STAFF2_Y), Row(STAFF2_Y - 4 * H)).Empty());

    // Only staff 1 shown: the walk stops at the group that starts on staff 2.
    m_ruler.SetStaffShown(1, 0);
    m_ruler.SetStaffShown(2, 0);
    const QImage& shortened = DrawType(DCctBarline::BARLINE_SINGLE);
    EXPECT_FALSE(FindInk(shortened, Row(0), Row(-4 * H)).Empty());
    EXPECT_TRUE(FindInk(shortened, Row(STAFF2_Y) - 2, shortened.height()).Empty());
}

TEST_F(BarlineDrawTest, MissingPiecesDrawNothing) {
    // The score's own barline has no conductor staff display yet.
    DisplayCanvas canvas(40, 40, 0, 0);
    EXPECT_EQ(m_display.Draw(&canvas.dc, CPoint(0, 0), nullptr), DCctBase::DRAW_NOTHING);
    EXPECT_EQ(m_display.Position(nullptr, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(m_display.FindMeasureParent(), m_measure);
    EXPECT_EQ(m_display.FindStaffParent(), m_staff);

    // A staff measure without display object: that span is not drawn.
    ECMeasure* third = m_staff->GetMeasure(3, MCTime(0.0f), 0, 1);
    third->RemoveData();
    const QImage& image = DrawType(DCctBarline::BARLINE_SINGLE);
    EXPECT_EQ(m_drawn, 1);
    EXPECT_TRUE(FindInk(image, Row(2 * STAFF2_Y) + 1, image.height()).Empty());
    DrawType(DCctBarline::BARLINE_SYSTEM);
    EXPECT_EQ(m_drawn, 0);   // its end lies on the missing measure
}

// Through the conductor-level display objects, once they are part of the
// plug-in.
TEST_F(BarlineDrawTest, PlacedInItsMeasureAndDrawnThroughTheConductorStaffsRuler) {
    ScopedDisplayClass staffDisplays(ET_CONDUCTORSTAFF, RUNTIME_CLASS(DCctConductorStaff));
    ScopedDisplayClass measureDisplays(ET_CONDUCTORMEASURE, RUNTIME_CLASS(DCctConductorMeasure));
    auto* staffDisplay = dynamic_cast<DCctConductorStaff*>(m_staff->GetData(DK_NOTATION, 1));
    auto* measureDisplay = dynamic_cast<DCctConductorMeasure*>(m_measure->GetData(DK_NOTATION, 1));
    ASSERT_NE(staffDisplay, nullptr);
    ASSERT_NE(measureDisplay, nullptr);
    staffDisplay->GetRuler() = m_ruler;
    m_staff->GroupStaves(1, 2, 0);

    m_display.SetPosition(X, 0);
    DisplayCanvas canvas(200, 3 * 10 * H + 40, 0, TOP);
    EXPECT_EQ(m_display.Draw(&canvas.dc, CPoint(0, 0), nullptr), DCctBase::DRAW_DONE);
    EXPECT_TRUE(InkInGap(canvas.Image(), 1));
    EXPECT_FALSE(InkInGap(canvas.Image(), 2));

    const struct {
        BYTE type, position;
        bool atBarline;
    } cases[] = {{0, 1, true}, {0, 0, false}, {3, 1, true}, {4, 1, false}};
    for (const auto& c : cases) {
        m_barline->SetBarlineType(c.type);
        m_barline->SetBarlinePos(c.position);
        m_display.SetPosition(-1, -1);
        EXPECT_EQ(m_display.Position(nullptr, nullptr, m_measure, nullptr), 1);
        EXPECT_EQ(m_display.GetX(), c.atBarline ? measureDisplay->GetBarlineX() : 0) << int(c.type);
        EXPECT_EQ(m_display.GetY(), 0);
        EXPECT_EQ(m_display.GetHeight(), measureDisplay->GetTopToBottomStaffHeight());
        EXPECT_EQ(m_display.FrameDirty(), 0);
    }
}

TEST(DisplayBarlineTest, WithoutParentNothingIsDrawn) {
    MusicFontScope font(H);
    ECBarline barline;
    DCctBarline display;
    display.SetOwner(&barline);
    DisplayCanvas canvas(40, 40, 0, 0);
    EXPECT_EQ(display.Draw(&canvas.dc, CPoint(20, 0), nullptr), DCctBase::DRAW_NOTHING);
    EXPECT_TRUE(FindInk(canvas.Image(), 0, 40).Empty());
    EXPECT_EQ(display.FindMeasureParent(), nullptr);
    EXPECT_EQ(display.FindStaffParent(), nullptr);
    display.SetOwner(nullptr);
}

TEST(DisplayBarlineTest, WidthFollowsTheStyle) {
    MusicFontScope font(H);
    const int thin = MCMusicFont::GetMusicFont().GetBarlineWidth(FONT_CURRENT);
    const struct {
        BYTE type;
        int width;
    } cases[] = {{0, thin}, {1, H}, {2, thin}, {3, H}, {4, 77}};
    for (const auto& c : cases) {
        ECBarline barline;
        barline.SetBarlineType(c.type);
        DCctBarline display;
        display.SetOwner(&barline);
        MCMusicFont::MusicFontMetrics box;
        box.SetWidth(77);
        display.SetMetrics(box);
        display.SetHeight(300);
        EXPECT_EQ(display.FrameDirty(), 1);
        display.SetSize(nullptr);
        EXPECT_EQ(display.GetWidth(), c.width) << int(c.type);
        EXPECT_EQ(display.GetHeight(), 300);
        EXPECT_EQ(display.FrameDirty(), 0);
        display.SetOwner(nullptr);
    }
}

TEST(DisplayBarlineTest, ColoursFollowTheStaffRule) {
    StaffColor().Set(RGB(10, 120, 10));
    DCctBarline barline;
    barline.SetColor(RGB(200, 0, 0));   // not used
    ExpectScreenAndPaperColours(barline, RGB(10, 120, 10), GetSysColor(COLOR_WINDOWTEXT));
    StaffColor().Reset();
}

TEST(DisplayBarlineTest, RegisteredForBarlineEventsAndStoresTheHeadOnly) {
    notation_test::StartPlugin();
    const CRuntimeClass* cls = CPluginData::GetDataClass(DK_NOTATION, ET_BARLINE);
    ASSERT_NE(cls, nullptr);
    EXPECT_STREQ(cls->m_lpszClassName, "DCctBarline");

    DCctBarline barline;
    EXPECT_EQ(StoredBytes(&barline).size(), 26u);
}

}  // namespace
