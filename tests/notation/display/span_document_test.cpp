// Slurs and ties inside a native document saved and opened again: the head
// alone travels, both offsets come back as stored, and a loaded span waits
// to be placed; their samples leave the music font as it was.
#include "notation/display/slur.h"
#include "notation/display/tie.h"

#include "model/conductor.h"
#include "model/eventtypes.h"
#include "model/groupmarks.h"
#include "model/measure.h"
#include "model/notes.h"
#include "model/performance.h"
#include "model/staff.h"
#include "tests/notation/display/document_support.h"
#include "tests/notation/display/span_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

constexpr uint32_t SELECTED = 1u << 15;
constexpr CSize SLUR_OFFSET(120, -45);   // stored units
constexpr CSize TIE_OFFSET(-7, 300);

// One staff of one measure with two notes, a slur over them and a tie
// between them, each moved by the user and the slur set below with override.
void SaveSpans(const std::string& path) {
    std::unique_ptr<MCOpusDoc> source = doc_support::DocumentParts::MakeDocument();
    ECConductor* conductor = source->CreatePerformance(1)->GetConductor();
    ASSERT_NE(conductor, nullptr);
    auto* staff = static_cast<ECStaff*>(conductor->GetTrack(1, 1, 1));
    ASSERT_NE(staff, nullptr);
    ASSERT_NE(conductor->GetMeasure(1, MCTime(1.5f), 1, 1), nullptr);
    ECMeasure* measure = conductor->GetMeasure(1, 1);
    auto* slur = new ECSlur;
    auto* tie = new ECTie;
    for (ECBase* span : {static_cast<ECBase*>(slur), static_cast<ECBase*>(tie)}) {
        const MCTime start(0.0f);
        span->SetTime(&start);
        span->SetVoiceTrack(0, 1);
        ASSERT_EQ(staff->AddChild(span, 1), 1);
    }
    for (int i = 0; i < 2; ++i) {
        auto* note = new ECNote;
        const MCTime at(static_cast<float>(i));
        note->SetTime(&at);
        note->SetVoiceTrack(0, 1);
        ASSERT_EQ(measure->AddChild(note, 1), 1);
        ASSERT_EQ(slur->AddChild(note, 1), 1);
        ASSERT_EQ(tie->AddChild(note, 1), 1);
    }
    auto* slurDisplay = dynamic_cast<DCctSlur*>(slur->GetData(DK_NOTATION, 1));
    auto* tieDisplay = dynamic_cast<DCctTie*>(tie->GetData(DK_NOTATION, 1));
    ASSERT_NE(slurDisplay, nullptr);
    ASSERT_NE(tieDisplay, nullptr);
    slurDisplay->SetStoredOffset(SLUR_OFFSET);
    slurDisplay->SetSlurDirection(DCctCurve::CURVE_BELOW, 1);
    slurDisplay->SetSelected(1);
    tieDisplay->SetStoredOffset(TIE_OFFSET);
    tieDisplay->SetTieType(DCctCurve::CURVE_DASHED);
    for (DCctSplit* span : {static_cast<DCctSplit*>(slurDisplay), static_cast<DCctSplit*>(tieDisplay)}) {
        span->SetPositionDirty(0);
        span->SetFrameDirty(0);
        span->SetCollisionDirty(0);
        span->SetAssembleDirty(0);
    }
    ASSERT_NO_FATAL_FAILURE(display_document::SaveNative(source.get(), path));
}

struct SpanDocumentTest : display_document::DocumentTest {};

TEST_F(SpanDocumentTest, SpansComeBackWaitingToBePlaced) {
    const std::string path = folder.File("spans.mmm");
    ASSERT_NO_FATAL_FAILURE(SaveSpans(path));
    std::unique_ptr<MCOpusDoc> reopened = Reopen(path);
    ASSERT_FALSE(HasFailure());
    const auto slurs = doc_support::FindEvents(reopened->GetBaseEvent(), ET_SLUR);
    const auto ties = doc_support::FindEvents(reopened->GetBaseEvent(), ET_TIE);
    ASSERT_EQ(slurs.size(), 1u);
    ASSERT_EQ(ties.size(), 1u);
    auto* slur = dynamic_cast<DCctSlur*>(slurs[0]->GetData(DK_NOTATION, 0));
    auto* tie = dynamic_cast<DCctTie*>(ties[0]->GetData(DK_NOTATION, 0));
    ASSERT_NE(slur, nullptr);
    ASSERT_NE(tie, nullptr);
    EXPECT_EQ(slur->GetOwner(), slurs[0]);
    EXPECT_EQ(slur->GetSlurDirection(), DCctCurve::CURVE_BELOW);
    slur->SetSlurDirection(DCctCurve::CURVE_ABOVE, 0);
    EXPECT_EQ(slur->GetSlurDirection(), DCctCurve::CURVE_BELOW) << "the override came back too";
    EXPECT_EQ(tie->GetTieType(), DCctCurve::CURVE_DASHED);
    EXPECT_EQ(slur->GetStoredOffsetRight(), SLUR_OFFSET);
    EXPECT_EQ(tie->GetStoredOffsetRight(), TIE_OFFSET);
    EXPECT_EQ(slur->GetStateWord() & SELECTED, 0u);
    for (DCctSplit* span : {static_cast<DCctSplit*>(slur), static_cast<DCctSplit*>(tie)}) {
        EXPECT_EQ(span->FrameDirty(), 1);
        EXPECT_EQ(span->PositionDirty(), 1);
        EXPECT_EQ(span->CollisionDirty(), 1);
        EXPECT_EQ(span->AssembleDirty(), 1);
        EXPECT_EQ(span->GetSplitCount(), 0);
        CRect anywhere(-30000, -30000, 30000, 30000);
        EXPECT_EQ(span->IsIn(&anywhere, CPoint(0, 0), 0, 0), DCctBase::HIT_UNPLACED);
    }
    reopened->OnCloseDocument();
}

// A sample draws inside its rectangle, and the music font's description and
// note metrics are those from before.
TEST(SpanSampleTest, SamplesDrawInTheirRectangleAndPutTheFontBack) {
    MusicFontScope font(span_test::NOTEHEAD);
    MCMusicFont& music = MCMusicFont::GetMusicFont();
    DCctSlur slur;
    DCctTie tie;
    for (DCctBase* sample : {static_cast<DCctBase*>(&slur), static_cast<DCctBase*>(&tie)}) {
        LOGFONT before;
        MCMusicFont::NoteMetrics metricsBefore;
        music.SaveLogFont(&before, &metricsBefore);
        span_test::SpanCanvas canvas(100, 60);
        CRect rect(100, -100, 900, -500);   // top is the larger y
        EXPECT_EQ(sample->DrawInRect(&canvas.dc, &rect), 1);
        LOGFONT after;
        MCMusicFont::NoteMetrics metricsAfter;
        music.SaveLogFont(&after, &metricsAfter);
        EXPECT_EQ(after.lfHeight, before.lfHeight);
        EXPECT_EQ(after.lfWidth, before.lfWidth);
        EXPECT_EQ(after.lfWeight, before.lfWeight);
        EXPECT_EQ(metricsAfter, metricsBefore);
        const InkBox ink = FindInk(canvas.Copy(), 0, 60);
        ASSERT_FALSE(ink.Empty());
        EXPECT_GE(ink.left, span_test::Col(rect.left) - 1);
        EXPECT_LE(ink.right, span_test::Col(rect.right) + 1);
        EXPECT_GE(ink.top, span_test::Row(rect.top) - 1);
        EXPECT_LE(ink.bottom, span_test::Row(rect.bottom) + 1);
    }
}

}  // namespace
