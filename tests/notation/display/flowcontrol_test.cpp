// notation/display/flowcontrol.cpp: endings closed or open by their end
// repeat, repeat bars through the staves with their dots, written jumps
// above or below the system, and marks that are not drawn; and the marks'
// bits through a document saved and opened again.
#include "notation/display/flowcontrol.h"
#include "notation/display/tempo.h"

#include "model/tempo.h"
#include "model/textmarks.h"
#include "notation/layout/textfonts.h"
#include "tests/notation/display/document_support.h"
#include "tests/notation/display/system_support.h"

#include <string>
#include <vector>

namespace {

using namespace system_test;

constexpr int kDot = '.';

class FlowControlTest : public SystemTest {
protected:
    // A mark of `type` at the start of measure `number` (with `ticks` more).
    DCctFlowControl* AddMark(unsigned char type, int number, int ending = 1, int ticks = 0) {
        auto* mark = new ECFlowControl(type);
        mark->SetEndingNumber(ending);
        MCTime at = MeasureTime(number);
        at.AddTicks(ticks, 256);
        mark->SetTime(&at);
        EXPECT_EQ(ConductorStaff()->AddChild(mark, 1), 1);
        auto* display = dynamic_cast<DCctFlowControl*>(mark->GetData(DK_NOTATION, 1));
        EXPECT_NE(display, nullptr);
        return display;
    }
    void Remove(DCctFlowControl* mark) { ConductorStaff()->RemoveChild(mark->GetOwner(), 1); }
    InkBox Draw(DCctFlowControl* mark, int measures, int staves) {
        m_canvas = SystemCanvas(measures, staves);
        EXPECT_EQ(mark->Draw(&m_canvas->dc, CPoint(0, 0), nullptr), 1);
        return m_canvas->Ink();
    }
    // Ink within `columns` pixels of the column of logical x, between two
    // logical heights.
    bool InkNear(int x, int yTop, int yBottom, int columns = 1) {
        const QImage& image = m_canvas->Image();
        return !FindInk(image, -yTop / SCALE, -yBottom / SCALE + 1, x / SCALE - columns, x / SCALE + columns + 1)
                    .Empty();
    }
    // The separate runs of ink down one band of columns.
    int InkRunsDown(int xLeft, int xRight) {
        const QImage& image = m_canvas->Image();
        int runs = 0;
        bool inRun = false;
        for (int row = 0; row < image.height(); ++row) {
            const bool ink = !FindInk(image, row, row + 1, xLeft / SCALE, xRight / SCALE + 1).Empty();
            if (ink && !inRun)
                ++runs;
            inRun = ink;
        }
        return runs;
    }
    static int ThickBar() {
        return static_cast<int>(MCMusicFont::GetMusicFont().GetMusicMetrics(153, FONT_NORMAL).GetWidth());
    }

    std::unique_ptr<TenthCanvas> m_canvas;
};

// A first ending spans the measures up to its end repeat when that lies
// two measures on, closed at the right; three on, it covers its first
// measure, open. A second ending is open and one measure wide whatever
// follows; a first ending without an end repeat covers its measure, closed.
TEST_F(FlowControlTest, EndingsByTheirEndRepeat) {
    Lay(1, 6);
    const int h = NOTEHEAD;
    const struct {
        int number;
        int endRepeatAt;   // measure; 0 for none
        int measures;
        bool open;
    } cases[] = {
        {1, 4, 2, false}, {1, 5, 1, true}, {2, 3, 1, true}, {1, 0, 1, false},
        {0, 4, 2, false},   // a number below 2 is a first ending
    };
    for (const auto& c : cases) {
        DCctFlowControl* ending = AddMark(DCctFlowControl::FLOW_ENDING, 2, c.number);
        DCctFlowControl* endRepeat = c.endRepeatAt ? AddMark(DCctFlowControl::FLOW_END_REPEAT, c.endRepeatAt) : nullptr;
        const std::string what = std::to_string(c.number) + " to " + std::to_string(c.endRepeatAt);
        ASSERT_EQ(ending->Position(nullptr, nullptr, nullptr, nullptr), 1) << what;
        EXPECT_EQ(ending->GetPosition(), CPoint(ColumnX(2), StaffTop(1))) << what;
        EXPECT_EQ(ending->GetWidth(), c.measures * MEASURE_WIDTH) << what;
        EXPECT_EQ(ending->IsOpenEnding(), c.open ? 1 : 0) << what;
        EXPECT_EQ(ending->GetHeight(), 3 * h) << what;

        Draw(ending, 6, 1);
        const int x = ColumnX(2);
        const int right = x + ending->GetWidth() - (c.open ? 0 : ThickBar());
        const int top = StaffTop(1) + 2 * h;
        EXPECT_TRUE(InkNear(x, top - h / 2, top - h)) << what << ": left hook";
        EXPECT_TRUE(InkNear(right - h, top, top)) << what << ": the line";
        EXPECT_FALSE(InkNear(right + h / 2, top, top)) << what << ": past its end";
        EXPECT_EQ(InkNear(right, top - h / 2, top - h), !c.open) << what << ": right hook";

        Remove(ending);
        if (endRepeat)
            Remove(endRepeat);
    }
}

// The ending's bit follows its end repeat: moved nearer, the ending closes.
TEST_F(FlowControlTest, EndingClosesWhenItsEndRepeatComesNearer) {
    Lay(1, 6);
    DCctFlowControl* ending = AddMark(DCctFlowControl::FLOW_ENDING, 2);
    DCctFlowControl* endRepeat = AddMark(DCctFlowControl::FLOW_END_REPEAT, 5);
    ASSERT_EQ(ending->Position(nullptr, nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(ending->IsOpenEnding(), 1);
    MCTime nearer = MeasureTime(4);
    endRepeat->GetOwner()->SetTime(&nearer);
    ConductorStaff()->GetChildren()->Sort();
    ASSERT_EQ(ending->Position(nullptr, nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(ending->IsOpenEnding(), 0);
    EXPECT_EQ(ending->GetWidth(), 2 * MEASURE_WIDTH);
}

// An ending after a key at its measure's start begins after it.
TEST_F(FlowControlTest, EndingAndStartRepeatAfterTheProlog) {
    Lay(1, 4);
    MCRuler& ruler = ColumnDisplay(2)->GetRuler();
    ASSERT_EQ(ruler.IsKeyInProlog(), 0);
    DCctFlowControl* start = AddMark(DCctFlowControl::FLOW_START_REPEAT, 2);
    ASSERT_EQ(start->Position(nullptr, nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(start->GetPosition(), CPoint(ColumnX(2), SYSTEM_Y));

    ruler.SetPrologWidth(MCRuler::PROLOG_KEY, 300);
    ASSERT_EQ(ruler.IsKeyInProlog(), 1);
    const int prolog = ruler.GetPrologX(MCRuler::PROLOG_END);
    ASSERT_GT(prolog, 0);
    ASSERT_EQ(start->Position(nullptr, nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(start->GetPosition(), CPoint(ColumnX(2) + prolog, SYSTEM_Y));
    // The thick bar stands just before the music, the dots after it.
    Draw(start, 4, 1);
    const int x = ColumnX(2) + prolog;
    EXPECT_TRUE(InkNear(x - ThickBar() / 2, StaffTop(1) - NOTEHEAD / 2, StaffTop(1) - NOTEHEAD / 2));
    EXPECT_FALSE(InkNear(x - 2 * ThickBar(), StaffTop(1) - NOTEHEAD / 2, StaffTop(1) - NOTEHEAD / 2));

    DCctFlowControl* ending = AddMark(DCctFlowControl::FLOW_ENDING, 2);
    ASSERT_EQ(ending->Position(nullptr, nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(ending->GetX(), ColumnX(2) + prolog);
    EXPECT_EQ(ending->GetWidth(), ColumnDisplay(2)->GetWidth() - prolog);
}

// An end repeat entered at the start of measure 5 closes measure 4: at its
// barline, dots before the bars.
TEST_F(FlowControlTest, EndRepeatAtTheBarlineOfTheMeasureBefore) {
    Lay(1, 6);
    DCctFlowControl* endRepeat = AddMark(DCctFlowControl::FLOW_END_REPEAT, 5);
    EXPECT_EQ(endRepeat->GetTime(m_conductor), MeasureTime(4));
    EXPECT_EQ(endRepeat->GetTime(ConductorStaff()), MeasureTime(4));
    ASSERT_EQ(endRepeat->Position(nullptr, nullptr, nullptr, nullptr), 1);
    const int barline = ColumnX(4) + ColumnDisplay(4)->GetBarlineX();
    EXPECT_EQ(endRepeat->GetPosition(), CPoint(barline, SYSTEM_Y));
    EXPECT_EQ(endRepeat->GetHeight(), 4 * NOTEHEAD);

    const InkBox ink = Draw(endRepeat, 6, 1);
    ASSERT_FALSE(ink.Empty());
    EXPECT_NEAR(ink.right, barline / SCALE, 1);
    EXPECT_NEAR(ink.top, -StaffTop(1) / SCALE, 1);
    EXPECT_NEAR(ink.bottom, -(StaffTop(1) - 4 * NOTEHEAD) / SCALE, 1);
    // Two dots, in the middle spaces, left of the bars.
    const int dotRight = barline - 2 * ThickBar();
    EXPECT_EQ(InkRunsDown(dotRight - NOTEHEAD / 2, dotRight - SCALE), 2);
}

// Bars through each group of staves, dots on each staff: a grand staff gets
// two pairs; one staff shown alone gets its bar and dots alone.
TEST_F(FlowControlTest, RepeatBarsAndDotsThroughTheStaves) {
    Lay(2, 3, {1, 0});
    DCctFlowControl* start = AddMark(DCctFlowControl::FLOW_START_REPEAT, 2);
    ASSERT_EQ(start->Position(nullptr, nullptr, nullptr, nullptr), 1);
    const int x = ColumnX(2);
    const int h = NOTEHEAD;
    const int lowerTop = StaffTop(1) + MeasureDisplay(1, 2)->GetLeftHandOffset();
    ASSERT_EQ(lowerTop, StaffTop(1) - 10 * h);
    Draw(start, 3, 2);
    const int dotLeft = x + ThickBar();
    EXPECT_EQ(InkRunsDown(dotLeft + SCALE, dotLeft + h / 2), 6) << "two pairs on the grand staff, one on staff 2";
    const int bar = x - ThickBar() / 2;
    EXPECT_TRUE(InkNear(bar, StaffTop(1), StaffTop(1) - 14 * h + SCALE)) << "through the grand staff";
    EXPECT_TRUE(InkNear(bar, StaffTop(2), StaffTop(2) - 4 * h + SCALE)) << "through staff 2";
    // Each staff keeps its own group: nothing between them.
    EXPECT_FALSE(InkNear(bar, StaffTop(1) - 14 * h - 2 * SCALE, StaffTop(2) + 2 * SCALE));

    StaffDisplay()->GetRuler().SetDisplay(2);
    Draw(start, 3, 2);
    EXPECT_EQ(InkRunsDown(dotLeft + SCALE, dotLeft + h / 2), 2);
    EXPECT_TRUE(InkNear(bar, StaffTop(2), StaffTop(2) - 4 * h + SCALE)) << "the shown staff's bar";
    EXPECT_FALSE(InkNear(bar, StaffTop(1) - h, StaffTop(1) - 3 * h)) << "the hidden staff";
}

// Staves grouped together get one bar from the first staff's top line to
// the last staff's bottom line, a grand staff's lower staff included.
TEST_F(FlowControlTest, OneBarThroughAGroupEndingInAGrandStaff) {
    Lay(2, 3, {0, 1});
    ConductorStaff()->GroupStaves(1, 2, 0);
    DCctFlowControl* start = AddMark(DCctFlowControl::FLOW_START_REPEAT, 2);
    ASSERT_EQ(start->Position(nullptr, nullptr, nullptr, nullptr), 1);
    Draw(start, 3, 2);
    const int h = NOTEHEAD;
    const int bar = ColumnX(2) - ThickBar() / 2;
    EXPECT_TRUE(InkNear(bar, StaffTop(1) - 4 * h - SCALE, StaffTop(2) + SCALE)) << "between the staves";
    EXPECT_TRUE(InkNear(bar, StaffTop(2) - 10 * h, StaffTop(2) - 14 * h + SCALE)) << "the lower staff";
    EXPECT_FALSE(InkNear(bar, StaffTop(2) - 14 * h - 2 * SCALE, StaffTop(2) - 14 * h - 4 * SCALE)) << "below it";
    const int dotLeft = ColumnX(2) + ThickBar();
    EXPECT_EQ(InkRunsDown(dotLeft + SCALE, dotLeft + h / 2), 6);
}

// "D.S. al Coda" above the top staff or below the bottom staff; the signs a
// space over the first staff.
TEST_F(FlowControlTest, JumpsAndSignsAboveOrBelow) {
    Lay(2, 3);
    const int h = NOTEHEAD;
    DCctFlowControl* jump = AddMark(12, 2);
    EXPECT_EQ(jump->GetExpression(), "D.S. al Coda");
    EXPECT_EQ(jump->GetLocation(), DCctFlowControl::LOCATION_BELOW);
    ASSERT_EQ(jump->Position(nullptr, nullptr, nullptr, nullptr), 1);
    const int x = ColumnX(2) + ColumnDisplay(2)->GetRuler().GetXPositionForTick(0, 0x4000);
    EXPECT_EQ(jump->GetPosition(), CPoint(x, StaffTop(2) - 4 * h - h));
    InkBox ink = Draw(jump, 3, 2);
    ASSERT_FALSE(ink.Empty());
    EXPECT_GT(ink.top, -(StaffTop(2) - 4 * h) / SCALE);
    EXPECT_NEAR(ink.left, x / SCALE, 3);

    jump->SetLocation(DCctFlowControl::LOCATION_ABOVE, 0);
    ASSERT_EQ(jump->Position(nullptr, nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(jump->GetPosition(), CPoint(x, StaffTop(1) + static_cast<int>(jump->GetMetrics().GetHeight()) + h));
    ink = Draw(jump, 3, 2);
    ASSERT_FALSE(ink.Empty());
    EXPECT_LT(ink.bottom, -StaffTop(1) / SCALE);

    const struct {
        unsigned char type;
        UINT glyph;
    } signs[] = {{3, 37}, {4, 222}};
    for (const auto& s : signs) {
        DCctFlowControl* sign = AddMark(s.type, 3);
        EXPECT_EQ(sign->GetFontFromType(), s.glyph);
        ASSERT_EQ(sign->Position(nullptr, nullptr, nullptr, nullptr), 1);
        EXPECT_EQ(sign->GetY(), StaffTop(1) + h);
        EXPECT_FALSE(Draw(sign, 3, 2).Empty()) << int(s.type);
    }
}

// Types 13 to 16 stand at (0, 0) and draw nothing; a loose repeat bar has
// nothing to be placed by.
TEST_F(FlowControlTest, MarksNotDrawn) {
    Lay(1, 2);
    for (unsigned char type = 13; type <= 16; ++type) {
        DCctFlowControl* mark = AddMark(type, 2);
        mark->SetPosition(5, 5);
        ASSERT_EQ(mark->Position(nullptr, nullptr, nullptr, nullptr), 1);
        EXPECT_EQ(mark->GetPosition(), CPoint(0, 0));
        EXPECT_EQ(mark->GetFontFromType(), 0u);
        EXPECT_TRUE(Draw(mark, 2, 1).Empty()) << int(type);
    }
    ECFlowControl loose(0);
    DCctFlowControl display;
    display.SetOwner(&loose);
    EXPECT_EQ(display.Position(nullptr, nullptr, nullptr, nullptr), 0);
    display.SetOwner(nullptr);
}

// The ending's label: the number and a point; a damaged negative number or
// one too large for digits gives the point alone, and still draws it.
TEST_F(FlowControlTest, EndingLabels) {
    Lay(1, 3);
    const struct {
        int number;
        std::vector<int> codes;
    } cases[] = {
        {1, {193, kDot}}, {2, {170, kDot}}, {12, {193, 170, kDot}}, {-5, {kDot}}, {1000, {kDot}},
    };
    for (const auto& c : cases) {
        DCctFlowControl* ending = AddMark(DCctFlowControl::FLOW_ENDING, 2, c.number);
        std::vector<int> codes;
        for (char ch : ending->GetEndingLabel())
            codes.push_back(static_cast<unsigned char>(ch));
        EXPECT_EQ(codes, c.codes) << c.number;
        ASSERT_EQ(ending->Position(nullptr, nullptr, nullptr, nullptr), 1);
        Draw(ending, 3, 1);
        // The label under the line, from a notehead's width in.
        const int w = MCMusicFont::GetMusicFont().GetNoteheadWidth(FONT_NORMAL);
        const int labelX = ColumnX(2) + w;
        const InkBox label = FindInk(m_canvas->Image(), -(StaffTop(1) + 3 * NOTEHEAD / 2) / SCALE,
                                     -StaffTop(1) / SCALE + 2, labelX / SCALE - 1, (labelX + 4 * w) / SCALE);
        ASSERT_FALSE(label.Empty()) << c.number;
        EXPECT_NEAR(label.left, labelX / SCALE, 2) << c.number;
        if (c.codes.size() == 1) {
            const int point = static_cast<int>(MCMusicFont::GetMusicFont().GetMusicMetrics(46, FONT_NORMAL).GetWidth());
            EXPECT_LE(label.right - label.left, point / SCALE + 2) << c.number << ": the point alone";
        }
        Remove(ending);
    }
}

// Palette samples of each kind (and of tempos) have ink and leave the music
// and expression fonts as they found them.
TEST(FlowControlSampleTest, SamplesLeaveTheFontsAsTheyFoundThem) {
    MusicFontScope scope(NOTEHEAD);
    ECFlowControl start(0), end(1), ending(2), segno(3), fine(5);
    ECTempo named(14, MCTime(0.0f)), plain;
    DCctFlowControl marks[5];
    ECBase* owners[] = {&start, &end, &ending, &segno, &fine};
    DCctTempo tempos[2];
    tempos[0].SetOwner(&named);
    tempos[0].SetExpressionWithBeatEquals(1, 0);
    tempos[1].SetOwner(&plain);
    std::vector<DCctBase*> samples;
    for (int i = 0; i < 5; ++i) {
        marks[i].SetOwner(owners[i]);
        samples.push_back(&marks[i]);
    }
    samples.push_back(&tempos[0]);
    samples.push_back(&tempos[1]);

    MCMusicFont& music = MCMusicFont::GetMusicFont();
    MCExpressionFont& expression = MCExpressionFont::GetExpressionFont();
    const COLORREF marker = RGB(1, 2, 3);
    for (size_t i = 0; i < samples.size(); ++i) {
        // The note metrics as measured on this kind of canvas.
        TenthCanvas canvas(100, 100, 0, 100);
        music.SelectFont(&canvas.dc, FONT_NORMAL);
        music.DeselectFont(&canvas.dc);
        music.SetFontColor(marker);
        expression.SetFontColor(marker);
        LOGFONT musicBefore;
        MCMusicFont::NoteMetrics metricsBefore;
        music.SaveLogFont(&musicBefore, &metricsBefore);
        LOGFONT expressionBefore;
        expression.SaveLogFont(&expressionBefore);
        const MCMusicFont::MusicFontMetrics glyphBefore = music.GetMusicMetrics(107, FONT_NORMAL);

        CRect rect(100, 900, 900, 100);
        EXPECT_EQ(samples[i]->DrawInRect(&canvas.dc, &rect), 1) << i;
        EXPECT_FALSE(canvas.Ink().Empty()) << i;

        LOGFONT musicAfter;
        MCMusicFont::NoteMetrics metricsAfter;
        music.SaveLogFont(&musicAfter, &metricsAfter);
        LOGFONT expressionAfter;
        expression.SaveLogFont(&expressionAfter);
        EXPECT_EQ(musicAfter.lfHeight, musicBefore.lfHeight) << i;
        EXPECT_EQ(metricsAfter, metricsBefore) << i;
        EXPECT_EQ(music.GetMusicMetrics(107, FONT_NORMAL), glyphBefore) << i;
        EXPECT_EQ(expressionAfter.lfHeight, expressionBefore.lfHeight) << i;
        EXPECT_EQ(music.GetFontColor(), marker) << i;
        EXPECT_EQ(expression.GetFontColor(), marker) << i;
    }
    for (DCctFlowControl& mark : marks)
        mark.SetOwner(nullptr);
    for (DCctTempo& tempo : tempos)
        tempo.SetOwner(nullptr);
}

// ---- in a document ------------------------------------------------------------------------------

struct FlowDocumentTest : display_document::DocumentTest {};

// The flow-control marks' location and open-ending bits, and the tempo's
// mark and location bits, come back with the document.
TEST_F(FlowDocumentTest, BitsComeBackWithTheDocument) {
    const std::string path = folder.File("flow.mmm");
    {
        std::unique_ptr<MCOpusDoc> source = doc_support::DocumentParts::MakeDocument();
        ECConductor* conductor = source->CreatePerformance(1)->GetConductor();
        ASSERT_NE(conductor, nullptr);
        ASSERT_NE(conductor->GetTrack(1, 1, 1), nullptr);
        ASSERT_NE(conductor->GetMeasure(1, MCTime(11.5f), 1, 1), nullptr);
        ECBase* conductorStaff = conductor->GetTrack(0, 0, 0);
        const struct {
            int number;
            float time;
            int location;
            int open;
        } marks[] = {{1, 4.0f, 0, 1}, {2, 8.0f, 1, 0}};
        for (const auto& m : marks) {
            auto* mark = new ECFlowControl(DCctFlowControl::FLOW_ENDING);
            mark->SetEndingNumber(m.number);
            const MCTime at(m.time);
            mark->SetTime(&at);
            ASSERT_EQ(conductorStaff->AddChild(mark, 1), 1);
            auto* display = dynamic_cast<DCctFlowControl*>(mark->GetData(DK_NOTATION, 1));
            ASSERT_NE(display, nullptr);
            display->SetLocation(m.location, 0);
            if (m.open)
                display->SetStateWord(display->GetStateWord() | (1u << DCctFlowControl::BIT_OPEN_ENDING));
        }
        auto* tempo = new ECTempo(14, MCTime(0.0f));
        const MCTime at(6.0f);
        tempo->SetTime(&at);
        ASSERT_EQ(conductorStaff->AddChild(tempo, 1), 1);
        auto* tempoDisplay = dynamic_cast<DCctTempo*>(tempo->GetData(DK_NOTATION, 1));
        ASSERT_NE(tempoDisplay, nullptr);
        tempoDisplay->SetExpressionWithBeatEquals(1, 0);
        tempoDisplay->SetLocation(1, 0);
        ASSERT_NO_FATAL_FAILURE(display_document::SaveNative(source.get(), path));
    }
    std::unique_ptr<MCOpusDoc> reopened = Reopen(path);
    ASSERT_FALSE(HasFailure());
    ECBase* root = reopened->GetBaseEvent();
    const auto marks = doc_support::FindEvents(root, ET_FLOWCONTROL);
    ASSERT_EQ(marks.size(), 2u);
    for (ECBase* event : marks) {
        auto* display = dynamic_cast<DCctFlowControl*>(NotationDisplayOf(event));
        ASSERT_NE(display, nullptr);
        EXPECT_EQ(display->GetOwner(), event);
        const bool first = display->GetEndingNumber() == 1;
        EXPECT_EQ(display->GetLocation(), first ? 0 : 1);
        EXPECT_EQ(display->IsOpenEnding(), first ? 1 : 0);
        EXPECT_EQ(display->PositionDirty(), 1);
    }
    const auto tempos = doc_support::FindEvents(root, ET_TEMPO);
    bool found = false;
    for (ECBase* event : tempos) {
        auto* display = dynamic_cast<DCctTempo*>(NotationDisplayOf(event));
        if (!display || static_cast<ECTempo*>(event)->GetTempoType() != 14)
            continue;
        found = true;
        EXPECT_EQ(display->GetExpressionWithBeatEquals(), 1);
        EXPECT_EQ(display->GetLocation(), 1);
    }
    EXPECT_TRUE(found);
    reopened->OnCloseDocument();
}

}  // namespace
