// notation/display/dynamic.cpp on one system: the glyphs of the dynamics and
// where they stand by their location; hairpins and text expressions within a
// system; markings waiting for their measures; samples that leave the fonts
// alone; the location byte through the archive and a document. (Over several
// systems: dynamic_systems_test.cpp.)
#include "notation/display/dynamic.h"

#include "model/markings.h"
#include "model/staff.h"
#include "notation/layout/textfonts.h"
#include "tests/notation/display/document_support.h"
#include "tests/notation/display/system_support.h"

#include <string>
#include <vector>

namespace {

constexpr size_t HEAD_BYTES = 26;   // the display head with no owner
constexpr int kGlyphs[] = {175, 184, 185, 112, 80, 70, 102, 196, 236, 235, 234};

// The text's extent in the expression font, as a screen measures it.
CSize ExpressionExtent(const std::string& text) {
    DisplayCanvas canvas(8, 8, 0, 0);
    MCExpressionFont& font = MCExpressionFont::GetExpressionFont();
    font.SelectFont(&canvas.dc);
    const CSize extent = canvas.dc.GetTextExtent(text);
    font.DeselectFont(&canvas.dc);
    return extent;
}

TEST(DynamicTypeTest, GlyphsRangesAndLocation) {
    for (int type = 0; type <= 17; ++type) {
        ECDynamic dynamic(static_cast<unsigned char>(type), MCTime());
        DCctDynamic display;
        display.SetOwner(&dynamic);
        const UINT glyph = type < 11 ? static_cast<UINT>(kGlyphs[type]) : 0;
        EXPECT_EQ(display.GetFontFromType(), glyph) << type;
        // Type 10 has a duration in the model but is one glyph.
        EXPECT_EQ(display.IsRange(), type >= 11 && type <= 15 ? 1 : 0) << type;
        display.SetOwner(nullptr);
    }
    DCctDynamic fresh;
    // Samples draw at twice the height they are given.
    EXPECT_EQ(fresh.AdjustForFont(300), 600);
    EXPECT_EQ(fresh.GetLocation(), DCctDynamic::LOCATION_BELOW);
    EXPECT_EQ(fresh.GetType(), 0);
    fresh.SetLocation(DCctDynamic::LOCATION_BETWEEN, 0);
    DCctDynamic copy(fresh);
    EXPECT_EQ(copy.GetLocation(), DCctDynamic::LOCATION_BETWEEN);
    EXPECT_EQ(copy.GetSplitCount(), 0);
}

// ---- on one system ---------------------------------------------------------------------------

using namespace system_test;

class DynamicTest : public SystemTest {
protected:
    // A marking of `type` on staff `n` at measure `number` plus `ticks`,
    // lasting `length` ticks (256 a quarter).
    DCctDynamic* AddDynamic(unsigned char type, int n, int number, int ticks = kTicks, int length = 0) {
        MCTime duration;
        duration.SetTicks(length, 256);
        auto* dynamic = new ECDynamic(type, duration);
        MCTime at = MeasureTime(number);
        at.AddTicks(ticks, 256);
        dynamic->SetTime(&at);
        dynamic->SetVoiceTrack(0, n);
        EXPECT_EQ(Staff(n)->AddChild(dynamic, 1), 1);
        auto* display = dynamic_cast<DCctDynamic*>(dynamic->GetData(DK_NOTATION, 1));
        EXPECT_NE(display, nullptr);
        return display;
    }
    int TimeX(int number, int ticks = kTicks) {
        return ColumnX(number) + ColumnDisplay(number)->GetRuler().GetXPositionForTick(ticks, 0x4000);
    }
    InkBox Draw(DCctDynamic* dynamic, int measures, int staves) {
        m_canvas = SystemCanvas(measures, staves);
        EXPECT_EQ(dynamic->Draw(&m_canvas->dc, CPoint(0, 0), nullptr), 1);
        return m_canvas->Ink();
    }

    static constexpr int kTicks = 256;
    RegistryCell dynamicCell{ET_DYNAMIC, RUNTIME_CLASS(DCctDynamic)};
    std::unique_ptr<TenthCanvas> m_canvas;
};

// Each glyph type draws its glyph where its box says, at its time.
TEST_F(DynamicTest, EveryGlyphOfTheTableAtItsTime) {
    Lay(1, 2);
    for (int type = 0; type < 11; ++type) {
        DCctDynamic* dynamic = AddDynamic(static_cast<unsigned char>(type), 1, 2);
        dynamic->SetLocation(DCctDynamic::LOCATION_ABOVE, 0);
        ASSERT_EQ(dynamic->Position(nullptr, nullptr, nullptr, nullptr), 1) << type;
        EXPECT_EQ(dynamic->GetPosition(), CPoint(TimeX(2), StaffTop(1) + SPACE_ABOVE)) << type;
        EXPECT_EQ(dynamic->GetSplit(), 0) << type;
        const InkBox ink = Draw(dynamic, 2, 1);
        ExpectBoxNear(ink, GlyphBox(*m_canvas, kGlyphs[type], dynamic->GetPosition()), 2,
                      "type " + std::to_string(type));
        Staff(1)->RemoveChild(dynamic->GetOwner(), 1);
    }
}

// Above the top line, below the bottom line, or between a grand staff's
// staves; location 2 on a plain staff is below it, and a staff of type 6
// takes its dynamics above whatever their location.
TEST_F(DynamicTest, LocationsAboveBelowAndBetween) {
    const int h = NOTEHEAD;
    const struct {
        const char* what;
        std::vector<int> kinds;
        int staff;
        BYTE location;
        int adjust;          // from the staff's top line
        int inkHigh, inkLow; // the band the ink keeps to, from the top line
    } cases[] = {
        {"above", {0}, 1, DCctDynamic::LOCATION_ABOVE, SPACE_ABOVE, 10 * h, 0},
        {"below", {0}, 1, DCctDynamic::LOCATION_BELOW, SPACE_BELOW, -4 * h, -14 * h},
        {"between on one staff", {0}, 1, DCctDynamic::LOCATION_BETWEEN, SPACE_BELOW, -4 * h, -14 * h},
        {"between a grand staff's", {1}, 1, DCctDynamic::LOCATION_BETWEEN, -7 * h, -4 * h, -10 * h},
        {"below a kind 6 staff", {6}, 1, DCctDynamic::LOCATION_BELOW, SPACE_ABOVE, 10 * h, 0},
        {"below the second staff", {0, 0}, 2, DCctDynamic::LOCATION_BELOW, SPACE_BELOW, -4 * h, -14 * h},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Lay(static_cast<int>(c.kinds.size()), 2, c.kinds);
        DCctDynamic* dynamic = AddDynamic(6, c.staff, 1);
        dynamic->SetLocation(c.location, 0);
        ASSERT_EQ(dynamic->Position(nullptr, nullptr, nullptr, nullptr), 1);
        const int top = StaffTop(c.staff);
        EXPECT_EQ(dynamic->GetPosition(), CPoint(TimeX(1), top + c.adjust));
        const InkBox ink = Draw(dynamic, 2, static_cast<int>(c.kinds.size()));
        ASSERT_FALSE(ink.Empty());
        EXPECT_GT(ink.top, m_canvas->Row(top + c.inkHigh));
        EXPECT_LT(ink.bottom, m_canvas->Row(top + c.inkLow));
        Staff(c.staff)->RemoveChild(dynamic->GetOwner(), 1);
    }
}

// Types past the table draw nothing and have no box.
TEST_F(DynamicTest, TypeSixteenHasNoInk) {
    Lay(1, 2);
    DCctDynamic* dynamic = AddDynamic(16, 1, 1);
    ASSERT_EQ(dynamic->Position(nullptr, nullptr, nullptr, nullptr), 1);
    EXPECT_TRUE(Draw(dynamic, 2, 1).Empty());
    CRect frame;
    dynamic->GetFrame(&frame, 0);
    EXPECT_TRUE(frame.IsRectEmpty());
}

// A hairpin within one system: one piece from its time to its end, 2h high
// about the piece, the opening end 2h wide and the closed one a point.
TEST_F(DynamicTest, HairpinInOneSystem) {
    Lay(1, 3);
    const int h = NOTEHEAD;
    for (unsigned char type : {DCctDynamic::TYPE_HAIRPIN_OPENING, DCctDynamic::TYPE_HAIRPIN_CLOSING}) {
        SCOPED_TRACE(int(type));
        DCctDynamic* hairpin = AddDynamic(type, 1, 1, 256, 6 * 256);   // to measure 2 beat 4
        ASSERT_EQ(hairpin->Position(nullptr, nullptr, nullptr, nullptr), 1);
        ASSERT_EQ(hairpin->GetSplitCount(), 1);
        EXPECT_EQ(hairpin->GetSplit(), 0);
        CPoint left, right;
        hairpin->GetEndPoints(left, right, 0);
        const int y = StaffTop(1) + SPACE_BELOW;
        EXPECT_EQ(left, CPoint(TimeX(1), y));
        EXPECT_EQ(right, CPoint(TimeX(2, 768), y));
        CRect frame;
        hairpin->GetFrame(&frame, 0);
        EXPECT_EQ(frame, CRect(left.x, y + h, right.x, y - h));

        Draw(hairpin, 3, 1);
        const QImage& image = m_canvas->Image();
        const auto endHeight = [&](int x) {
            const InkBox ink = FindInk(image, m_canvas->Row(y + 2 * h), m_canvas->Row(y - 2 * h),
                                       m_canvas->Column(x), m_canvas->Column(x) + 2);
            return ink.Empty() ? 0 : ink.bottom - ink.top + 1;
        };
        const int wide = endHeight(type == DCctDynamic::TYPE_HAIRPIN_OPENING ? right.x - 20 : left.x);
        const int point = endHeight(type == DCctDynamic::TYPE_HAIRPIN_OPENING ? left.x : right.x - 20);
        EXPECT_NEAR(wide, 2 * h / SCALE, 3);
        EXPECT_LE(point, MCMusicFont::GetMusicFont().GetStemWidth(FONT_CURRENT) / SCALE + 3);
        Staff(1)->RemoveChild(hairpin->GetOwner(), 1);
    }
}

// "cresc." over less than its text: no dotted line, the frame and the hit
// test as wide as the text; over a measure, the dotted line runs from the
// text's end to the range's end on the text's baseline.
TEST_F(DynamicTest, ExpressionShorterAndLongerThanItsText) {
    Lay(1, 3);
    const CSize text = ExpressionExtent("cresc.");
    ASSERT_GT(text.cx, 0);

    DCctDynamic* shortOne = AddDynamic(11, 1, 1, 0, 64);
    EXPECT_EQ(shortOne->GetExpression(11), "cresc.");
    ASSERT_EQ(shortOne->Position(nullptr, nullptr, nullptr, nullptr), 1);
    CPoint left, right;
    shortOne->GetEndPoints(left, right, 0);
    ASSERT_LT(right.x - left.x, text.cx);
    // Measured by the positioning itself, without a device context.
    EXPECT_EQ(shortOne->FrameDirty(), 0);
    CRect frame;
    shortOne->GetFrame(&frame, 0);
    EXPECT_EQ(frame, CRect(left.x, left.y + text.cy, left.x + text.cx, left.y));
    // Between the piece's end and the text's, as the view asks once placed.
    shortOne->SetPositionDirty(0);
    const int pastX = (right.x + left.x + text.cx) / 2;
    CRect pastThePiece(pastX, left.y + text.cy / 2 - 10, pastX + 10, left.y + text.cy / 2);
    EXPECT_EQ(shortOne->IsIn(&pastThePiece, CPoint(0, 0), 0, 0), DCctSplit::HIT_SPAN_INSIDE);
    InkBox ink = Draw(shortOne, 3, 1);
    ASSERT_FALSE(ink.Empty());
    EXPECT_NEAR(ink.left, m_canvas->Column(left.x), 3);
    EXPECT_LE(ink.right, m_canvas->Column(left.x + text.cx) + 1);
    Staff(1)->RemoveChild(shortOne->GetOwner(), 1);

    DCctDynamic* longOne = AddDynamic(11, 1, 1, 0, 4 * 256);
    ASSERT_EQ(longOne->Position(nullptr, nullptr, nullptr, nullptr), 1);
    longOne->GetEndPoints(left, right, 0);
    ink = Draw(longOne, 3, 1);
    EXPECT_NEAR(ink.right, m_canvas->Column(right.x), 4);   // a dot or a gap at the end
    // The dotted line: ink on the baseline between the text and the end,
    // with gaps.
    TEXTMETRIC metrics{};
    {
        DisplayCanvas canvas(8, 8, 0, 0);
        MCExpressionFont& font = MCExpressionFont::GetExpressionFont();
        font.SelectFont(&canvas.dc);
        canvas.dc.GetTextMetrics(&metrics);
        font.DeselectFont(&canvas.dc);
    }
    const int baseline = m_canvas->Row(left.y + text.cy - metrics.tmAscent);
    const int from = m_canvas->Column(left.x + text.cx) + 2;
    const int to = m_canvas->Column(right.x) - 1;
    int inked = 0;
    for (int column = from; column < to; ++column)
        if (!FindInk(m_canvas->Image(), baseline - 1, baseline + 2, column, column + 1).Empty())
            ++inked;
    EXPECT_GT(inked, (to - from) / 4);
    EXPECT_LT(inked, (to - from) * 9 / 10);
    EXPECT_TRUE(FindInk(m_canvas->Image(), 0, baseline - 2, from, to).Empty()) << "only the line after the text";
}

// A marking whose measure has no display object yet waits for it.
TEST_F(DynamicTest, UnplacedMeasureIsWaitedFor) {
    Lay(1, 2);
    DCctDynamic* hairpin = AddDynamic(14, 1, 1, 0, 6 * 256);
    ASSERT_EQ(hairpin->Position(nullptr, nullptr, nullptr, nullptr), 1);
    const MCMusicFont::MusicFontMetrics placed = hairpin->GetMetrics();
    ASSERT_GT(placed.GetWidth(), 0u);
    Column(2)->GetMeasureOnTrack(1)->RemoveData();
    EXPECT_EQ(hairpin->Position(nullptr, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(hairpin->GetSplitCount(), 0);
    // Without pieces the range keeps its metrics and stays frame-dirty.
    hairpin->SetFrameDirty(1);
    hairpin->SetSize(nullptr);
    EXPECT_EQ(hairpin->FrameDirty(), 1);
    EXPECT_EQ(hairpin->GetMetrics(), placed);
    DCctDynamic* glyph = AddDynamic(6, 1, 2);
    EXPECT_EQ(glyph->Position(nullptr, nullptr, nullptr, nullptr), 0);
}

// Given a staff the conductor does not hold (no number: the ruler is asked
// for index -2), a marking has no measures and is placed at (0, 0).
TEST_F(DynamicTest, StaffOutsideTheConductorPlacesAtTheOrigin) {
    Lay(1, 2);
    ECStaff outside;
    for (unsigned char type : {6, 14}) {
        DCctDynamic* dynamic = AddDynamic(type, 1, 1, 0, 256);
        ASSERT_EQ(dynamic->Position(nullptr, &outside, nullptr, nullptr), 1) << int(type);
        EXPECT_EQ(dynamic->GetSplit(), 0);
        if (dynamic->IsRange()) {
            ASSERT_EQ(dynamic->GetSplitCount(), 1);
            CPoint left, right;
            dynamic->GetEndPoints(left, right, 0);
            EXPECT_EQ(left, CPoint(0, 0));
            EXPECT_EQ(right, CPoint(0, 0));
        } else {
            EXPECT_EQ(dynamic->GetPosition(), CPoint(0, 0));
        }
        Staff(1)->RemoveChild(dynamic->GetOwner(), 1);
    }
}

// Every sample draws ink and puts back the music and expression fonts.
TEST_F(DynamicTest, SamplesLeaveTheFontsAlone) {
    Lay(1, 1);
    MCMusicFont& music = MCMusicFont::GetMusicFont();
    MCExpressionFont& expression = MCExpressionFont::GetExpressionFont();
    const COLORREF marker = RGB(1, 2, 3);
    for (unsigned char type : {5, 11, 14, 15}) {
        SCOPED_TRACE(int(type));
        ECDynamic dynamic(type, MCTime());
        DCctDynamic sample;
        sample.SetOwner(&dynamic);
        music.SetFontColor(marker);
        expression.SetFontColor(marker);
        LOGFONT musicBefore;
        MCMusicFont::NoteMetrics metricsBefore;
        music.SaveLogFont(&musicBefore, &metricsBefore);
        LOGFONT expressionBefore;
        expression.SaveLogFont(&expressionBefore);

        TenthCanvas canvas(100, 100, 0, 100);
        CRect rect(100, 500, 900, 100);
        EXPECT_EQ(sample.DrawInRect(&canvas.dc, &rect), 1);
        const InkBox ink = canvas.Ink();
        ASSERT_FALSE(ink.Empty());
        EXPECT_GE(ink.left, canvas.Column(100));
        EXPECT_LE(ink.right, canvas.Column(900));

        LOGFONT musicAfter;
        MCMusicFont::NoteMetrics metricsAfter;
        music.SaveLogFont(&musicAfter, &metricsAfter);
        LOGFONT expressionAfter;
        expression.SaveLogFont(&expressionAfter);
        EXPECT_EQ(musicAfter.lfHeight, musicBefore.lfHeight);
        EXPECT_EQ(expressionAfter.lfHeight, expressionBefore.lfHeight);
        EXPECT_EQ(music.GetFontColor(), marker);
        EXPECT_EQ(expression.GetFontColor(), marker);
        sample.SetOwner(nullptr);
    }
}

// The location travels as one byte after the head; a byte 0 read back
// places the marking above the staff.
TEST_F(DynamicTest, LocationByteReadBackPlacesAbove) {
    Lay(1, 1);
    DCctDynamic stored;
    stored.SetLocation(DCctDynamic::LOCATION_ABOVE, 0);
    const std::vector<uint8_t> bytes = StoredBytes(&stored);
    ASSERT_EQ(bytes.size(), HEAD_BYTES + 1);
    EXPECT_EQ(bytes.back(), DCctDynamic::LOCATION_ABOVE);

    DCctDynamic* dynamic = AddDynamic(3, 1, 1);
    ASSERT_EQ(dynamic->GetLocation(), DCctDynamic::LOCATION_BELOW);
    ECBase* owner = dynamic->GetOwner();
    LoadBytes(dynamic, bytes);
    dynamic->SetOwner(owner);
    EXPECT_EQ(dynamic->GetLocation(), DCctDynamic::LOCATION_ABOVE);
    EXPECT_EQ(dynamic->PositionDirty(), 1);
    ASSERT_EQ(dynamic->Position(nullptr, nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(dynamic->GetY(), StaffTop(1) + SPACE_ABOVE);
}

// ---- in a document ------------------------------------------------------------------------------

struct DynamicDocumentTest : display_document::DocumentTest {};

TEST_F(DynamicDocumentTest, LocationComesBackWithTheDocument) {
    const std::string path = folder.File("dynamics.mmm");
    const BYTE locations[] = {DCctDynamic::LOCATION_ABOVE, DCctDynamic::LOCATION_BETWEEN, DCctDynamic::LOCATION_BELOW};
    {
        std::unique_ptr<MCOpusDoc> source = doc_support::DocumentParts::MakeDocument();
        ECConductor* conductor = source->CreatePerformance(1)->GetConductor();
        ASSERT_NE(conductor, nullptr);
        ECBase* staff = conductor->GetTrack(1, 1, 1);
        ASSERT_NE(staff, nullptr);
        ASSERT_NE(conductor->GetMeasure(1, MCTime(11.5f), 1, 1), nullptr);
        for (int i = 0; i < 3; ++i) {
            auto* dynamic = new ECDynamic(static_cast<unsigned char>(i), MCTime());
            const MCTime at(4.0f * static_cast<float>(i));
            dynamic->SetTime(&at);
            dynamic->SetVoiceTrack(0, 1);
            ASSERT_EQ(staff->AddChild(dynamic, 1), 1);
            auto* display = dynamic_cast<DCctDynamic*>(dynamic->GetData(DK_NOTATION, 1));
            ASSERT_NE(display, nullptr);
            display->SetLocation(locations[i], 0);
        }
        ASSERT_NO_FATAL_FAILURE(display_document::SaveNative(source.get(), path));
    }
    std::unique_ptr<MCOpusDoc> reopened = Reopen(path);
    ASSERT_FALSE(HasFailure());
    const auto dynamics = doc_support::FindEvents(reopened->GetBaseEvent(), ET_DYNAMIC);
    ASSERT_EQ(dynamics.size(), 3u);
    for (ECBase* event : dynamics) {
        auto* display = dynamic_cast<DCctDynamic*>(NotationDisplayOf(event));
        ASSERT_NE(display, nullptr);
        EXPECT_EQ(display->GetOwner(), event);
        const int type = static_cast<ECDynamic*>(event)->GetDynamicType();
        ASSERT_LT(type, 3);
        EXPECT_EQ(display->GetLocation(), locations[type]) << type;
        EXPECT_EQ(display->PositionDirty(), 1);
    }
    reopened->OnCloseDocument();
}

}  // namespace
