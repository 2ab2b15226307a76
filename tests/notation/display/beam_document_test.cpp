// A beam's display inside a native document saved and opened again, and the
// document fuzz target's seed holding one.
#include "notation/display/beam.h"
#include "notation/display/note.h"
#include "notation/display/records.h"

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

// One staff of one measure; from beat 3 a beam of four sixteenths in voice
// 1, its display with stems down fixed by the user and rests beamed.
void SaveBeam(const std::string& path) {
    std::unique_ptr<MCOpusDoc> source = doc_support::DocumentParts::MakeDocument();
    ECConductor* conductor = source->CreatePerformance(1)->GetConductor();
    ASSERT_NE(conductor, nullptr);
    ASSERT_NE(conductor->GetTrack(1, 1, 1), nullptr);
    ASSERT_NE(conductor->GetMeasure(1, MCTime(3.5f), 1, 1), nullptr);
    ECMeasure* measure = conductor->GetMeasure(1, 1);
    ASSERT_NE(measure, nullptr);
    auto* group = new ECBeam;
    const MCTime start(2.0f);
    group->SetTime(&start);
    group->SetVoiceTrack(1, 1);
    ASSERT_EQ(measure->AddChild(group, 1), 1);
    auto* beam = dynamic_cast<DCctBeam*>(group->GetData(DK_NOTATION, 1));
    ASSERT_NE(beam, nullptr);
    beam->SetDirection(1, 1);
    beam->SetBeamRests(1, 0);
    for (int i = 0; i < 4; ++i) {
        auto* note = new ECNote;
        const MCTime at(2.0f + static_cast<float>(i) / 4.0f);
        note->SetTime(&at);
        note->SetVoiceTrack(1, 1);
        // A beamed note has its measure as a parent too.
        ASSERT_EQ(measure->AddChild(note, 1), 1);
        ASSERT_EQ(group->AddChild(note, 1), 1);
        auto* display = dynamic_cast<DCctNote*>(note->GetData(DK_NOTATION, 1));
        ASSERT_NE(display, nullptr);
        display->SetValue(64, 0);
        display->SetTickStart(static_cast<WORD>(512 + 64 * i));
    }
    ASSERT_NO_FATAL_FAILURE(display_document::SaveNative(source.get(), path));
}

struct BeamDocumentTest : display_document::DocumentTest {};

TEST_F(BeamDocumentTest, BeamWordComesBackAndTheLevelsWaitForPlacing) {
    const std::string path = folder.File("beam.mmm");
    ASSERT_NO_FATAL_FAILURE(SaveBeam(path));

    std::unique_ptr<MCOpusDoc> reopened = Reopen(path);
    ASSERT_FALSE(HasFailure());
    const auto beams = doc_support::FindEvents(reopened->GetBaseEvent(), ET_BEAM);
    ASSERT_EQ(beams.size(), 1u);
    auto* beam = dynamic_cast<DCctBeam*>(beams[0]->GetData(DK_NOTATION, 0));
    ASSERT_NE(beam, nullptr);
    EXPECT_EQ(beam->GetOwner(), beams[0]);
    EXPECT_EQ(beam->GetBeamWord(), 0x04u | 0x08u | 0x40u);
    EXPECT_TRUE(beam->GetLevels().empty());
    EXPECT_EQ(beam->IsDirty(), 1);
    EXPECT_EQ(beam->GetTickRange(), 256);
    EXPECT_EQ(beams[0]->GetChildren()->GetCount(), 4);
    reopened->OnCloseDocument();
}

// Writes the seed (the "Contents" of the document above). Run on purpose:
//   notation_tests --gtest_also_run_disabled_tests --gtest_filter='BeamDocumentTest.DISABLED_WriteFuzzSeed'
TEST_F(BeamDocumentTest, DISABLED_WriteFuzzSeed) {
    const std::string corpus = std::string(STAFFWRIGHT_TEST_DATA) + "/../../fuzz/corpus/document";
    const std::string path = folder.File("beam.mmm");
    ASSERT_NO_FATAL_FAILURE(SaveBeam(path));
    const std::vector<uint8_t> contents = DocumentContents(path);
    file_test::WriteText(corpus + "/notation-beam.contents", std::string(contents.begin(), contents.end()));
}

}  // namespace
