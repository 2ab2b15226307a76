// Barline and meter displays inside a native document saved and opened again.
#include "notation/display/barline.h"
#include "notation/display/meter.h"
#include "notation/display/records.h"

#include "model/conductor.h"
#include "model/conductorstaff.h"
#include "model/eventtypes.h"
#include "model/markings.h"
#include "model/meter.h"
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

// A native document of one staff and one measure, whose final barline and
// 6/8 meter have placed display objects.
void SaveBarlineAndMeter(const std::string& path) {
    std::unique_ptr<MCOpusDoc> source = doc_support::DocumentParts::MakeDocument();
    ECPerformance* performance = source->CreatePerformance(1);
    ECConductor* conductor = performance->GetConductor();
    ASSERT_NE(conductor, nullptr);
    ASSERT_NE(conductor->GetTrack(1, 1, 1), nullptr);
    ECMeasure* measure = conductor->GetMeasure(0, MCTime(0.0f), 1, 1);
    ASSERT_NE(measure, nullptr);
    auto* barline = new ECBarline;
    barline->SetBarlineType(3);
    barline->SetTime(measure->GetTime());
    ASSERT_EQ(measure->AddChild(barline, 1), 1);
    auto* barlineDisplay = dynamic_cast<DCctBarline*>(barline->GetData(DK_NOTATION, 1));
    ASSERT_NE(barlineDisplay, nullptr);
    barlineDisplay->SetPosition(321, 0);
    ECMeter* meter = conductor->GetMeterAtTime(MCTime(0.0f));
    ASSERT_NE(meter, nullptr);
    auto* meterDisplay = dynamic_cast<DCctMeter*>(meter->GetData(DK_NOTATION, 1));
    ASSERT_NE(meterDisplay, nullptr);
    meterDisplay->SetMeter(6, 8);
    meterDisplay->SetPosition(77, 0);
    ASSERT_NO_FATAL_FAILURE(display_document::SaveNative(source.get(), path));
}

struct StructureDocumentTest : display_document::DocumentTest {};

TEST_F(StructureDocumentTest, BarlineAndMeterDisplaysComeBack) {
    const std::string path = folder.File("structure.mmm");
    ASSERT_NO_FATAL_FAILURE(SaveBarlineAndMeter(path));

    std::unique_ptr<MCOpusDoc> reopened = Reopen(path);
    ASSERT_FALSE(HasFailure());
    const auto barlines = doc_support::FindEvents(reopened->GetBaseEvent(), ET_BARLINE);
    ASSERT_EQ(barlines.size(), 1u);
    auto* barline = dynamic_cast<DCctBarline*>(barlines[0]->GetData(DK_NOTATION, 0));
    ASSERT_NE(barline, nullptr);
    EXPECT_EQ(barline->GetPosition(), CPoint(321, 0));
    EXPECT_EQ(barline->GetOwner(), barlines[0]);
    const auto meters = doc_support::FindEvents(reopened->GetBaseEvent(), ET_METER);
    ASSERT_FALSE(meters.empty());
    auto* meter = dynamic_cast<DCctMeter*>(meters[0]->GetData(DK_NOTATION, 0));
    ASSERT_NE(meter, nullptr);
    EXPECT_EQ(meter->GetMeterType(), DCctMeter::TS_NUMBERS);
    EXPECT_EQ(meter->GetNumerator(), 6);
    EXPECT_EQ(meter->GetDenominator(), 8);
    EXPECT_EQ(meter->GetPosition(), CPoint(77, 0));
    EXPECT_EQ(meter->FrameDirty(), 1);
    reopened->OnCloseDocument();
}

// Writes the document fuzz target's seed of barline and meter displays (the
// "Contents" of the document above). Run on purpose:
//   notation_tests --gtest_also_run_disabled_tests --gtest_filter='StructureDocumentTest.DISABLED_WriteFuzzSeed'
TEST_F(StructureDocumentTest, DISABLED_WriteFuzzSeed) {
    const std::string corpus = std::string(STAFFWRIGHT_TEST_DATA) + "/../../fuzz/corpus/document";
    const std::string path = folder.File("structure.mmm");
    ASSERT_NO_FATAL_FAILURE(SaveBarlineAndMeter(path));
    const std::vector<uint8_t> contents = DocumentContents(path);
    file_test::WriteText(corpus + "/notation-barline-meter.contents", std::string(contents.begin(), contents.end()));
}

}  // namespace
