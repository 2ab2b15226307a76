// Writes the document fuzz target's seed holding the conductor, conductor
// staff and conductor measure displays. Run on purpose:
//   notation_tests --gtest_also_run_disabled_tests --gtest_filter='ConductorSeedTest.DISABLED_WriteFuzzSeed'
#include "notation/display/conductor.h"
#include "notation/display/conductormeasure.h"
#include "notation/display/records.h"

#include "model/conductor.h"
#include "model/conductorstaff.h"
#include "platform/core/archive.h"
#include "tests/interface/document/doc_support.h"
#include "tests/platform/file_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

TEST(ConductorSeedTest, DISABLED_WriteFuzzSeed) {
    ASSERT_EQ(InitPlugins(), 87);
    std::unique_ptr<MCOpusDoc> doc = doc_support::DocumentParts::MakeDocument();
    ECPerformance* performance = doc->CreatePerformance(1);
    ECConductor* conductor = performance->GetConductor();
    ASSERT_NE(conductor, nullptr);
    ASSERT_NE(conductor->GetTrack(1, 1, 1), nullptr);
    ASSERT_NE(conductor->GetMeasure(0, MCTime(7.5f), 1, 1), nullptr);
    ASSERT_NE(dynamic_cast<DCctConductor*>(conductor->GetData(DK_NOTATION, 1)), nullptr);
    auto* staff = dynamic_cast<DCctConductorStaff*>(conductor->GetTrack(0, 0, 0)->GetData(DK_NOTATION, 1));
    ASSERT_NE(staff, nullptr);
    staff->HideRuler(1);
    for (int number : {1, 2}) {
        auto* measure =
            dynamic_cast<DCctConductorMeasure*>(conductor->GetMeasure(0, number)->GetData(DK_NOTATION, 1));
        ASSERT_NE(measure, nullptr);
        measure->SetPosition(1000 * number, 5000);
        measure->SetDisplayOffset(-number);
    }
    doc->GetHeader()->SetFormat(DF_NATIVE);
    CMemFile out;
    {
        CArchive ar(&out, CArchive::store | CArchive::bNoFlushOnDelete);
        ar.m_pDocument = doc.get();
        doc->Serialize(ar);
        ar.Close();
    }
    const std::vector<uint8_t> bytes = out.Detach();
    const std::string corpus = std::string(STAFFWRIGHT_TEST_DATA) + "/../../fuzz/corpus/document";
    file_test::WriteText(corpus + "/conductor-displays.contents", std::string(bytes.begin(), bytes.end()));
    doc->OnCloseDocument();
}

}  // namespace
