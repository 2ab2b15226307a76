// A tuplet's display inside a native document saved and opened again, and
// the document fuzz target's seed holding one.
#include "notation/display/note.h"
#include "notation/display/records.h"
#include "notation/display/tuplet.h"

#include "model/conductor.h"
#include "model/eventtypes.h"
#include "model/groupmarks.h"
#include "model/measure.h"
#include "model/notes.h"
#include "model/performance.h"
#include "platform/ui/prompt_script.h"
#include "tests/interface/document/doc_support.h"
#include "tests/notation/display/display_support.h"
#include "tests/platform/file_support.h"
#include "tests/notation/display/document_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// One staff of two measures; in the second, a 3:2 tuplet of eighths from
// beat 2 with its three notes, the tuplet's display showing n:d below.
void SaveTuplet(const std::string& path) {
    std::unique_ptr<MCOpusDoc> source = doc_support::DocumentParts::MakeDocument();
    ECConductor* conductor = source->CreatePerformance(1)->GetConductor();
    ASSERT_NE(conductor, nullptr);
    ASSERT_NE(conductor->GetTrack(1, 1, 1), nullptr);
    ASSERT_NE(conductor->GetMeasure(1, MCTime(7.5f), 1, 1), nullptr);
    ECMeasure* measure = conductor->GetMeasure(1, 2);
    ASSERT_NE(measure, nullptr);
    auto* group = new ECTuplet(3, 2, 3);
    const MCTime start(5.0f);
    group->SetTime(&start);
    group->SetVoiceTrack(1, 1);
    ASSERT_EQ(measure->AddChild(group, 1), 1);
    auto* tuplet = dynamic_cast<DCctTuplet*>(group->GetData(DK_NOTATION, 1));
    ASSERT_NE(tuplet, nullptr);
    tuplet->SetTuplet(3, 2);
    tuplet->SetBase(384, 256);
    tuplet->SetTickDuration(256);
    tuplet->SetFigure(1);
    tuplet->SetTupletLocation(1, 1);
    for (int i = 0; i < 3; ++i) {
        auto* note = new ECNote;
        const MCTime at(5.0f + static_cast<float>(i) / 3.0f);
        note->SetTime(&at);
        note->SetVoiceTrack(1, 1);
        ASSERT_EQ(group->AddChild(note, 1), 1);
        auto* display = dynamic_cast<DCctNote*>(note->GetData(DK_NOTATION, 1));
        ASSERT_NE(display, nullptr);
        display->SetValue(128, 0);
        display->SetBase(384, 256);
        display->SetTickStart(static_cast<WORD>(384 + 128 * i));
    }
    ASSERT_NO_FATAL_FAILURE(display_document::SaveNative(source.get(), path));
}

struct TupletDocumentTest : display_document::DocumentTest {};

TEST_F(TupletDocumentTest, TupletDisplayComesBackWithItsStartInTheMeasure) {
    const std::string path = folder.File("tuplet.mmm");
    ASSERT_NO_FATAL_FAILURE(SaveTuplet(path));

    std::unique_ptr<MCOpusDoc> reopened = Reopen(path);
    ASSERT_FALSE(HasFailure());
    const auto tuplets = doc_support::FindEvents(reopened->GetBaseEvent(), ET_TUPLET);
    ASSERT_EQ(tuplets.size(), 1u);
    auto* tuplet = dynamic_cast<DCctTuplet*>(tuplets[0]->GetData(DK_NOTATION, 0));
    ASSERT_NE(tuplet, nullptr);
    EXPECT_EQ(tuplet->GetOwner(), tuplets[0]);
    EXPECT_EQ(tuplet->GetBase(DCctTuplet::BASE_BORROWED), 384);
    EXPECT_EQ(tuplet->GetBase(DCctTuplet::BASE_PLAIN), 256);
    EXPECT_EQ(tuplet->GetTickDuration(DCctTuplet::TICKS_NORMAL), 256);
    EXPECT_EQ(tuplet->GetTickStart(DCctTuplet::TICKS_NORMAL), 256) << "beat 2 of its measure";
    EXPECT_EQ(tuplet->GetTickStart(DCctTuplet::TICKS_OWN), 384);
    EXPECT_EQ(tuplet->GetFigure(), 1);
    EXPECT_EQ(tuplet->GetTupletLocation(), 1);
    EXPECT_EQ(tuplet->FrameDirty(), 1);
    EXPECT_EQ(tuplets[0]->GetChildren()->GetCount(), 3);
    reopened->OnCloseDocument();
}

// Writes the seed (the "Contents" of the document above). Run on purpose:
//   notation_tests --gtest_also_run_disabled_tests --gtest_filter='TupletDocumentTest.DISABLED_WriteFuzzSeed'
TEST_F(TupletDocumentTest, DISABLED_WriteFuzzSeed) {
    const std::string corpus = std::string(STAFFWRIGHT_TEST_DATA) + "/../../fuzz/corpus/document";
    const std::string path = folder.File("tuplet.mmm");
    ASSERT_NO_FATAL_FAILURE(SaveTuplet(path));
    const std::vector<uint8_t> contents = DocumentContents(path);
    file_test::WriteText(corpus + "/notation-tuplet.contents", std::string(contents.begin(), contents.end()));
}

}  // namespace
