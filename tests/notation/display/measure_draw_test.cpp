// The staff measure drawn: staff lines by staff kind and the multi-measure
// rest, into an image through a memory DC, y up, checked by where the ink is.
#include "notation/display/measure.h"

#include "tests/notation/display/display_support.h"
#include "tests/notation/display/measure_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace measure_test {

// A child of a measure that is one glyph (a clef's), drawn by the base.
class StandInChild : public DCctBase {
    DECLARE_DYNCREATE(StandInChild)
public:
    UINT GetFontFromType() override { return 38; }
};
IMPLEMENT_DYNCREATE(StandInChild, DCctBase)

}  // namespace measure_test

namespace {

using namespace measure_test;

constexpr int NOTEHEAD = 12;
constexpr int TOP_ROW = 80;   // the device row of logical y 0
constexpr int LEFT = 10;      // the measure's x

// The middle row of each run of rows with ink.
std::vector<int> InkRowCentres(const QImage& image) {
    std::vector<int> centres;
    const std::vector<int> rows = InkRows(image);
    for (size_t i = 0; i < rows.size();) {
        size_t j = i;
        while (j + 1 < rows.size() && rows[j + 1] == rows[j] + 1)
            ++j;
        centres.push_back((rows[i] + rows[j]) / 2);
        i = j + 1;
    }
    return centres;
}

// Columns with ink on one row.
std::vector<int> InkOnRow(const QImage& image, int row) {
    std::vector<int> columns;
    for (int x = 0; x < image.width(); ++x)
        if ((image.pixel(x, row) & 0xFFFFFF) != 0xFFFFFF)
            columns.push_back(x);
    return columns;
}

QImage DrawMeasure(int kind, int collapsed, int width) {
    LinksScope links;
    Score score(kind, 1);
    StandInColumn* column = score.ColumnDisplay(1);
    column->ruler.SetPrologX(MCRuler::PROLOG_END, 60);
    DCctMeasure* measure = score.Display(1);
    measure->SetWidth(width);
    measure->SetPosition(LEFT, 0);
    measure->SetCollapsedMeasure(collapsed);
    DisplayCanvas canvas(320, 300, 0, TOP_ROW);
    EXPECT_EQ(measure->Draw(&canvas.dc, CPoint(0, 0), nullptr), 1);
    return canvas.Copy();
}

TEST(MeasureDrawTest, StaffLinesByKind) {
    MusicFontScope font(NOTEHEAD);
    const int h = MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_CURRENT);
    std::vector<int> five;
    for (int k = 0; k < 5; ++k)
        five.push_back(TOP_ROW + k * h);
    std::vector<int> ten = five;
    for (int k = 0; k < 5; ++k)
        ten.push_back(TOP_ROW + 10 * h + k * h);   // the lower staff, ten spaces down
    const struct {
        int kind;
        std::vector<int> rows;
    } cases[] = {{0, five}, {2, five}, {3, five}, {6, five}, {1, ten}, {4, {}}, {5, {}}, {7, {}}};
    for (const auto& c : cases) {
        const QImage image = DrawMeasure(c.kind, 0, 200);
        const std::vector<int> centres = InkRowCentres(image);
        ASSERT_EQ(centres.size(), c.rows.size()) << c.kind;
        for (size_t i = 0; i < centres.size(); ++i)
            EXPECT_LE(std::abs(centres[i] - c.rows[i]), 1) << c.kind << " line " << i;
        if (!c.rows.empty()) {
            // Across the measure's width and no further.
            const std::vector<int> columns = InkOnRow(image, centres[0]);
            ASSERT_FALSE(columns.empty());
            EXPECT_LE(std::abs(columns.front() - LEFT), 1);
            EXPECT_LE(std::abs(columns.back() - (LEFT + 200)), 1);
        }
    }
}

TEST(MeasureDrawTest, MultiMeasureRestShowsItsCountOverTheBar) {
    MusicFontScope font(NOTEHEAD);
    const int h = MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_CURRENT);
    const int width = 260;
    const int start = 60;                       // where the music starts after the prologue
    const int span = width - start;
    const int x0 = LEFT + start + (span - span / 2) / 2;
    const int x1 = x0 + span / 2;
    const int centre = LEFT + start + span / 2;

    const QImage twelve = DrawMeasure(0, 12, width);
    // The bar: a space thick on the middle line, over half the music's span.
    const std::vector<int> bar = InkOnRow(twelve, TOP_ROW + 2 * h - h / 4);
    ASSERT_FALSE(bar.empty());
    EXPECT_LE(std::abs(bar.front() - x0), 2);
    EXPECT_LE(std::abs(bar.back() - x1), 2);
    EXPECT_EQ(static_cast<int>(bar.size()), bar.back() - bar.front() + 1);   // unbroken

    // The digits stand above the top line, centred over the span; two
    // digits are wider than one.
    const auto digitColumns = [](const QImage& image) {
        return InkColumns(image.copy(0, 0, image.width(), TOP_ROW - 2));
    };
    const std::vector<int> digits = digitColumns(twelve);
    ASSERT_FALSE(digits.empty());
    EXPECT_LE(std::abs((digits.front() + digits.back()) / 2 - centre), 3);
    const std::vector<int> one = digitColumns(DrawMeasure(0, 1, width));
    ASSERT_FALSE(one.empty());
    EXPECT_GT(digits.back() - digits.front(), (one.back() - one.front()) * 3 / 2);

    // Not collapsed: no digits, no bar.
    const QImage plain = DrawMeasure(0, 0, width);
    EXPECT_TRUE(digitColumns(plain).empty());
    EXPECT_EQ(InkOnRow(plain, TOP_ROW + 2 * h - h / 4).size(), 0u);
}

TEST(MeasureDrawTest, WithoutTheConductorMeasuresDisplayOnlyTheStaff) {
    MusicFontScope font(NOTEHEAD);
    LinksScope links;
    Score score(0, 1);
    DCctMeasure* measure = score.Display(1);
    measure->SetWidth(200);
    measure->SetPosition(LEFT, 0);
    measure->SetCollapsedMeasure(12);
    DisplayCanvas canvas(320, 300, 0, TOP_ROW);
    EXPECT_EQ(measure->Draw(&canvas.dc, CPoint(0, 0), nullptr), 1);
    EXPECT_EQ(InkRowCentres(canvas.Copy()).size(), 5u);
}

TEST(MeasureDrawTest, InARectangleTheChildrenFollowOnTheMeasuresLine) {
    MusicFontScope font(NOTEHEAD);
    LinksScope links;
    Score score(0, 1);
    ECClef* clef = score.AddClef(1, 0, 0);
    DCctMeasure* measure = score.Display(1);
    RegistryCell cell(ET_CLEF, RUNTIME_CLASS(StandInChild));
    auto* child = dynamic_cast<StandInChild*>(clef->GetData(DK_NOTATION, 1));
    ASSERT_NE(child, nullptr);
    const int before = MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_CURRENT);

    DisplayCanvas canvas(320, 300, 0, 150);
    CRect rect(10, 60, 300, -60);
    EXPECT_EQ(measure->DrawInRect(&canvas.dc, &rect), 1);
    // Drawn, and the sample's font size is gone again.
    EXPECT_FALSE(InkRows(canvas.Copy()).empty());
    EXPECT_EQ(MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_CURRENT), before);
    // The child was centred in the rectangle to draw; it stays on the line
    // the measure's children are drawn along.
    EXPECT_EQ(child->GetY(), measure->GetPosition().y);
}

}  // namespace
