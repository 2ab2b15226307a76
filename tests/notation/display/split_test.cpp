// The spanning-element base: pieces, offsets, frames and hit tests as one
// table of cases; the system walk over laid-out measures; and the measure
// lists spans are built from.
#include "notation/display/split.h"

#include "model/conductor.h"
#include "tests/notation/display/span_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <vector>

namespace {

using namespace span_test;

// The pieces a subclass builds, open to the test.
class SplitProbe : public DCctSplit {
public:
    using DCctSplit::AddSplitOffset;
    using DCctSplit::GetNextSystem;
    using DCctSplit::IsSplit;
    using DCctSplit::SetEndPoints;

    // Placed: position and frame clean, a piece's height 2 x 100 from 100
    // above its left end.
    void Place() {
        SetPositionDirty(0);
        SetFrameDirty(0);
        MCMusicFont::MusicFontMetrics metrics;
        metrics.SetHeight(200);
        metrics.SetTop(100);
        SetMetrics(metrics);
    }
};

// A slur whose pieces the test sets.
class SlurProbe : public DCctSlur {
public:
    using DCctSplit::AddSplitOffset;
};

TEST(SplitTest, EdgeCases) {
    MusicFontScope font(NOTEHEAD);
    const int h = MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_CURRENT);
    ASSERT_GE(h, 10);
    const struct {
        const char* name;
        std::function<void(SplitProbe&)> check;
    } cases[] = {
        {"no pieces: the null frame, a miss",
         [](SplitProbe& span) {
             span.Place();
             CRect frame(1, 2, 3, 4);
             span.GetFrame(&frame, 0);
             EXPECT_EQ(frame, CRect(0, 0, 0, 0));
             CRect everywhere(-30000, -30000, 30000, 30000);
             EXPECT_EQ(span.IsIn(&everywhere, CPoint(0, 0), 1, 0), DCctSplit::HIT_SPAN_OUTSIDE);
         }},
        {"unplaced: 64 whatever the rectangle",
         [](SplitProbe& span) {
             span.AddSplitOffset(CPoint(0, 0), CPoint(500, 0));
             CRect over(0, -100, 500, 100);
             EXPECT_EQ(span.IsIn(&over, CPoint(0, 0), 1, 0), DCctBase::HIT_UNPLACED);
             span.Place();
             span.SetFrameDirty(1);
             EXPECT_EQ(span.IsIn(&over, CPoint(0, 0), 1, 0), DCctBase::HIT_UNPLACED);
         }},
        {"frame over every piece, top above bottom; hits by piece, never side bits",
         [](SplitProbe& span) {
             span.Place();
             span.AddSplitOffset(CPoint(100, 0), CPoint(900, 40));
             span.AddSplitOffset(CPoint(100, -3000), CPoint(700, -3100));
             CRect frame;
             span.GetFrame(&frame, 0);
             EXPECT_EQ(frame, CRect(100, 100, 900, -3100));
             CRect onSecond(200, -3050, 300, -2950);
             EXPECT_EQ(span.IsIn(&onSecond, CPoint(0, 0), 1, 0), DCctSplit::HIT_SPAN_INSIDE);
             CRect between(200, -1100, 300, -1000);   // inside the frame, on no piece
             EXPECT_EQ(span.IsIn(&between, CPoint(0, 0), 1, 0), DCctSplit::HIT_SPAN_OUTSIDE);
             CRect leftOfAll(-500, -50, -400, 0);
             EXPECT_EQ(span.IsIn(&leftOfAll, CPoint(0, 0), 1, 0), DCctSplit::HIT_SPAN_OUTSIDE);
             EXPECT_EQ(span.IsIn(&leftOfAll, CPoint(-600, 0), 1, 0), DCctSplit::HIT_SPAN_INSIDE) << "moved by the origin";
         }},
        {"SetOffset in each form moves both ends alike",
         [h](SplitProbe& span) {
             span.SetOffset(7, -3);
             EXPECT_EQ(span.GetOffsetLeft(), CPoint(7, -3));
             EXPECT_EQ(span.GetOffsetRight(), CPoint(7, -3));
             span.SetOffset(CSize(-4, 12));
             EXPECT_EQ(span.GetOffsetRight(), span.GetOffsetLeft());
             EXPECT_EQ(span.GetOffsetRight(), CPoint(-4, 12));
             span.SetOffset(CPoint(2, 5));
             EXPECT_EQ(span.GetOffsetRight(), CPoint(2, 5));
             EXPECT_EQ(span.GetStoredOffsetRight(), CSize(2 * h / 10, 5 * h / 10));
         }},
        {"each end alone",
         [](SplitProbe& span) {
             span.SetOffsetLeft(CPoint(3, 3));
             span.SetOffsetRight(CPoint(-9, 1));
             EXPECT_EQ(span.GetOffsetLeft(), CPoint(3, 3));
             EXPECT_EQ(span.GetOffsetRight(), CPoint(-9, 1));
         }},
        {"a right offset past 16 bits is clamped",
         [](SplitProbe& span) {
             span.SetOffsetRight(CPoint(100000, -100000));
             EXPECT_EQ(span.GetStoredOffsetRight(), CSize(32767, -32768));
         }},
        {"SetEndPoints on three pieces: the first's left and the third's right",
         [](SplitProbe& span) {
             span.AddSplitOffset(CPoint(0, 0), CPoint(10, 1));
             span.AddSplitOffset(CPoint(20, 2), CPoint(30, 3));
             span.AddSplitOffset(CPoint(40, 4), CPoint(50, 5));
             span.SetEndPoints(CPoint(-5, -5), CPoint(99, 99));
             ASSERT_EQ(span.GetSplitCount(), 3);
             CPoint left, right;
             span.GetEndPoints(left, right, 0);
             EXPECT_EQ(left, CPoint(-5, -5));
             EXPECT_EQ(right, CPoint(10, 1));
             span.GetEndPoints(left, right, 1);
             EXPECT_EQ(left, CPoint(20, 2));
             EXPECT_EQ(right, CPoint(30, 3));
             span.GetEndPoints(left, right, 2);
             EXPECT_EQ(left, CPoint(40, 4));
             EXPECT_EQ(right, CPoint(99, 99));
             EXPECT_EQ(span.GetMetrics().GetWidth(), 104u);
         }},
        {"SetEndPoints without pieces makes one",
         [](SplitProbe& span) {
             span.SetEndPoints(CPoint(1, 2), CPoint(3, 4));
             ASSERT_EQ(span.GetSplitCount(), 1);
         }},
        {"loading: the right offset is the stored offset, unscaled",
         [](SplitProbe& span) {
             span.SetStoredOffset(CSize(123, -45));
             SplitProbe loaded;
             LoadBytes(&loaded, StoredBytes(&span));
             EXPECT_EQ(loaded.GetStoredOffsetRight(), CSize(123, -45));
             EXPECT_EQ(loaded.GetOffsetRight(), loaded.GetOffsetLeft());
             EXPECT_EQ(loaded.GetSplitCount(), 0);
         }},
        {"stored: the head alone",
         [](SplitProbe& span) {
             span.SetStoredOffset(CSize(7, 8));
             span.SetOffsetRight(CPoint(50, 50));
             DCctBase head;
             head.SetStateWord(span.GetStateWord());
             head.SetStoredOffset(CSize(7, 8));
             EXPECT_EQ(StoredBytes(&span), StoredBytes(&head));
         }},
        {"the split flag is bit 20",
         [](SplitProbe& span) {
             EXPECT_EQ(span.GetSplit(), 0);
             span.SetSplit(1);
             EXPECT_EQ(span.GetStateWord() & (1u << DCctSplit::SPLIT_BIT), 1u << DCctSplit::SPLIT_BIT);
             EXPECT_EQ(span.GetSplit(), 1);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SplitProbe span;
        c.check(span);
    }
}

// Slurs and ties store the head alone: what a DCctBase with their word and
// offset stores.
TEST(SplitTest, SlursAndTiesStoreTheHeadAlone) {
    MusicFontScope font(NOTEHEAD);
    DCctSlur slur;
    slur.SetSlurDirection(DCctCurve::CURVE_BELOW, 1);
    DCctTie tie;
    tie.SetTieType(DCctCurve::CURVE_DASHED);
    for (DCctSplit* span : {static_cast<DCctSplit*>(&slur), static_cast<DCctSplit*>(&tie)}) {
        span->SetStoredOffset(CSize(-12, 34));
        span->SetOffsetRight(CPoint(50, 50));
        DCctBase head;
        head.SetStateWord(span->GetStateWord());
        head.SetStoredOffset(CSize(-12, 34));
        EXPECT_EQ(StoredBytes(span), StoredBytes(&head)) << span->GetRuntimeClass()->m_lpszClassName;
    }
}

TEST(SplitTest, ARightOffsetWithANoteheadUnder10ReadsAsTheLeftDoes) {
    MusicFontScope font(8);
    ASSERT_LT(MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_CURRENT), 10);
    SplitProbe span;
    span.SetStoredOffset(CSize(40, 40));
    LoadBytes(&span, StoredBytes(&span));
    EXPECT_EQ(span.GetOffsetRight(), span.GetOffsetLeft());
    EXPECT_EQ(span.GetOffsetRight(), CPoint(0, 0));
    // The slur's arc reads back the same way, without dividing by zero.
    DCctSlur slur;
    slur.SetSlurArc(80);
    EXPECT_EQ(slur.GetSlurArc(), 0);
}

// A copy is positioned anew: no pieces, no right offset, nothing drawn.
TEST(SplitTest, ACopyDrawsNothingUntilPositioned) {
    MusicFontScope font(NOTEHEAD);
    SlurProbe slur;
    slur.AddSplitOffset(CPoint(100, -500), CPoint(3000, -500));
    slur.SetOffsetRight(CPoint(10, 10));
    slur.SetSlurDirection(DCctCurve::CURVE_BELOW, 1);
    slur.SetSlurType(DCctCurve::CURVE_DASHED, 0);
    slur.SetSplit(1);
    slur.SetPositionDirty(0);
    ASSERT_GT(InkPixels([&] {
                  SpanCanvas canvas(400, 200);
                  slur.Draw(&canvas.dc, CPoint(0, 0), nullptr);
                  return canvas.Copy();
              }()),
              0);
    DCctSlur copy(slur);
    EXPECT_EQ(copy.GetSplitCount(), 0);
    EXPECT_EQ(copy.GetStoredOffsetRight(), CSize(0, 0));
    EXPECT_EQ(copy.GetSplit(), 0);
    EXPECT_EQ(copy.PositionDirty(), 1) << "the view places it again";
    EXPECT_EQ(copy.GetSlurDirection(), DCctCurve::CURVE_BELOW) << "the user's choices travel";
    EXPECT_EQ(copy.GetSlurType(), DCctCurve::CURVE_DASHED);
    slur.SetSlurDirection(DCctCurve::CURVE_ABOVE, 0);
    copy.SetSlurDirection(DCctCurve::CURVE_ABOVE, 0);
    EXPECT_EQ(copy.GetSlurDirection(), DCctCurve::CURVE_BELOW) << "with its override";
    SpanCanvas canvas(400, 200);
    EXPECT_EQ(copy.Draw(&canvas.dc, CPoint(0, 0), nullptr), DCctCurve::DRAW_SPAN);
    EXPECT_EQ(InkPixels(canvas.Copy()), 0);
}

// A span that begins with one glyph, its sample open to the test: Draw
// records the pieces and the font it was drawn with.
class GlyphSampleProbe : public DCctSplit {
public:
    using DCctSplit::AddSplitOffset;
    using DCctSplit::DrawGlyphInRect;
    using DCctSplit::SAMPLE_ACROSS;
    using DCctSplit::SAMPLE_AT_GLYPH;

    static constexpr UINT GLYPH = 217;
    UINT GetFontFromType() override { return GLYPH; }
    int AdjustForFont(int height) override { return AdjustForSmallFont(height); }
    int Draw(CDC*, CPoint, CRect*) override {
        ++draws;
        drawnHeight = MCMusicFont::GetMusicFont().GetLogFont().lfHeight;
        GetEndPoints(left, right, 0);
        return DRAW_DONE;
    }

    int draws = 0;
    int drawnHeight = 0;
    CPoint left;
    CPoint right;
};

// The glyph centred in the rectangle at five thirds of its height: one
// piece, at the glyph or across as far in from the right as from the left,
// in place of the pieces it had; the frame clean, the score's font back.
TEST(SplitTest, AGlyphSampleIsOnePieceCentredInItsRectangle) {
    MusicFontScope font(NOTEHEAD);
    MCMusicFont& music = MCMusicFont::GetMusicFont();
    const CRect rect(100, 900, 2100, 300);   // 2000 wide, 600 high
    for (const auto span : {GlyphSampleProbe::SAMPLE_AT_GLYPH, GlyphSampleProbe::SAMPLE_ACROSS}) {
        GlyphSampleProbe probe;
        probe.AddSplitOffset(CPoint(0, 0), CPoint(500, 0));
        probe.AddSplitOffset(CPoint(0, -3000), CPoint(500, -3000));
        probe.SetSplit(1);
        const LOGFONT before = music.GetLogFont();
        MCMusicFont::NoteMetrics metricsBefore;
        LOGFONT unused;
        music.SaveLogFont(&unused, &metricsBefore);
        SpanCanvas canvas(300, 150);
        CRect sample = rect;
        EXPECT_EQ(probe.DrawGlyphInRect(&canvas.dc, &sample, span), 1);
        EXPECT_EQ(probe.draws, 1);
        EXPECT_EQ(std::abs(probe.drawnHeight), 1000) << "five thirds of 600";
        EXPECT_EQ(probe.GetSplitCount(), 1);
        EXPECT_EQ(probe.GetSplit(), 0);
        EXPECT_EQ(probe.FrameDirty(), 0);
        EXPECT_EQ(probe.AssembleDirty(), 1);
        const int width = static_cast<int>(probe.GetMetrics().GetWidth());
        const int height = static_cast<int>(probe.GetMetrics().GetHeight());
        ASSERT_GT(width, 0);
        const int inset = (2000 - width) / 2;
        EXPECT_EQ(probe.left, CPoint(100 + inset, 900 + (-600 - height) / 2));
        EXPECT_EQ(probe.right.x, span == GlyphSampleProbe::SAMPLE_ACROSS ? 2100 - inset : probe.left.x);
        EXPECT_EQ(probe.right.y, probe.left.y);
        EXPECT_EQ(music.GetLogFont().lfHeight, before.lfHeight);
        MCMusicFont::NoteMetrics metricsAfter;
        music.SaveLogFont(&unused, &metricsAfter);
        EXPECT_EQ(metricsAfter, metricsBefore);
    }
}

// The system walk over measures laid out {2, 2, 1}, and the measure lists
// spans ask the conductor for: from the measure at the start to the one
// before the end, so a span ending on a bar line does not take the next
// measure and an empty span takes none.
class SplitSystemsTest : public SpanScoreTest {
protected:
    void SetUp() override {
        Load({{60, 0, 5 * BAR}});
        LayOut({2, 2, 1});
    }
    // The time `bars` bar lines into the piece (fractions inside a bar).
    MCTime TimeAt(float bars) {
        const int bar = static_cast<int>(bars);
        MCTime time = BarLine(bar);
        if (bars > static_cast<float>(bar)) {
            MCTime length = BarLine(bar + 1);
            length -= time;
            length *= bars - static_cast<float>(bar);
            time += length;
        }
        return time;
    }
    MCTime BarLine(int bar) {
        if (bar >= Conductor()->GetMaxMeasureNumber())
            return Conductor()->GetMaxMeasureEndTime();
        return *Conductor()->GetMeasure(TRACK_CONDUCTOR, bar + 1)->GetTime();
    }
    void Measures(float fromBars, float toBars, MCEventList& list) {
        Conductor()->GetMeasures(1, TimeAt(fromBars), TimeAt(toBars), list);
    }
    int FirstNumber(MCEventList& list) {
        return list.IsEmpty() ? 0 : Conductor()->GetMeasureNumberAtTime(*list.GetHead()->GetTime());
    }
};

TEST_F(SplitSystemsTest, SystemsOfTheLaidOutMeasures) {
    const struct {
        float from, to;   // in bars
        int count;
        int first;        // number of the first measure listed
        int split;
        std::vector<int> runs;
    } cases[] = {
        {0.0f, 2.0f, 2, 1, 0, {2}},              // ends on the bar line: not measure 3
        {0.0f, 5.0f, 5, 1, 1, {2, 2, 1}},
        {1.5f, 2.5f, 2, 2, 1, {1, 1}},           // a tie over the first system end
        {2.0f, 2.0f, 0, 0, 0, {}},               // empty at a bar line: none, not split
        {3.25f, 3.75f, 1, 4, 0, {1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.from << " to " << c.to);
        MCEventList list;
        Measures(c.from, c.to, list);
        EXPECT_EQ(list.GetCount(), c.count);
        EXPECT_EQ(FirstNumber(list), c.first);
        EXPECT_EQ(SplitProbe::IsSplit(list), c.split);
        std::vector<int> runs;
        for (POSITION pos = list.GetHeadPosition(); pos;) {
            MCEventList run;
            runs.push_back(SplitProbe::GetNextSystem(run, list, pos));
        }
        EXPECT_EQ(runs, c.runs);
    }
}

}  // namespace
