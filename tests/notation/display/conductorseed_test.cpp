// Writes the document fuzz target's seeds holding the structure's displays:
// the conductor, conductor staff and conductor measures; and a staff measure
// with its voice table, clef, key and a courtesy mirror of the key. Run on
// purpose:
//   notation_tests --gtest_also_run_disabled_tests --gtest_filter='ConductorSeedTest.DISABLED_*'
#include "notation/display/conductor.h"
#include "notation/display/clef.h"
#include "notation/display/conductormeasure.h"
#include "notation/display/key.h"
#include "notation/display/measure.h"
#include "notation/display/mirror.h"
#include "notation/display/records.h"

#include "model/conductor.h"
#include "model/conductorstaff.h"
#include "model/markings.h"
#include "model/mirror.h"
#include "platform/core/archive.h"
#include "tests/interface/document/doc_support.h"
#include "tests/platform/file_support.h"
#include "tests/notation/support/durationgate.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

// The document's "Contents" written into the document corpus as `name`.
void WriteSeed(MCOpusDoc* doc, const char* name) {
    doc->GetHeader()->SetFormat(DF_NATIVE);
    CMemFile out;
    {
        CArchive ar(&out, CArchive::store | CArchive::bNoFlushOnDelete);
        ar.m_pDocument = doc;
        doc->Serialize(ar);
        ar.Close();
    }
    const std::vector<uint8_t> bytes = out.Detach();
    const std::string corpus = std::string(STAFFWRIGHT_TEST_DATA) + "/../../fuzz/corpus/document";
    file_test::WriteText(corpus + "/" + name, std::string(bytes.begin(), bytes.end()));
}

TEST(ConductorSeedTest, DISABLED_WriteFuzzSeed) {
    ASSERT_EQ(notation_test::StartPlugin(), 87);
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
    WriteSeed(doc.get(), "conductor-displays.contents");
    doc->OnCloseDocument();
}

TEST(ConductorSeedTest, DISABLED_WriteStaffMarksSeed) {
    ASSERT_EQ(notation_test::StartPlugin(), 87);
    std::unique_ptr<MCOpusDoc> doc = doc_support::DocumentParts::MakeDocument();
    ECConductor* conductor = doc->CreatePerformance(1)->GetConductor();
    ASSERT_NE(conductor, nullptr);
    ASSERT_NE(conductor->GetTrack(1, 1, 1), nullptr);
    ASSERT_NE(conductor->GetMeasure(1, MCTime(7.5f), 1, 1), nullptr);
    ECMeasure* first = conductor->GetMeasure(1, 1);
    ECMeasure* second = conductor->GetMeasure(1, 2);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    auto* measure = dynamic_cast<DCctMeasure*>(first->GetData(DK_NOTATION, 1));
    ASSERT_NE(measure, nullptr);
    measure->GetVoiceTable() = {0, 3, 6};
    measure->SetPosition(40, -80);

    const auto add = [](ECMeasure* into, auto* mark) {
        const MCTime at = *into->GetTime();
        mark->SetTime(&at);
        mark->SetVoiceTrack(0, 1);
        EXPECT_TRUE(into->AddChild(mark, SORTED));
        return mark;
    };
    auto* clef = add(first, new ECClef(3));
    auto* key = add(first, new ECKey(2, 0));
    auto* clefDisplay = dynamic_cast<DCctClef*>(clef->GetData(DK_NOTATION, 1));
    auto* keyDisplay = dynamic_cast<DCctKey*>(key->GetData(DK_NOTATION, 1));
    ASSERT_NE(clefDisplay, nullptr);
    ASSERT_NE(keyDisplay, nullptr);
    clefDisplay->SetPosition(12, 0);
    keyDisplay->SetKey(2, 0);
    keyDisplay->SetPosition(60, 0);

    auto* mirror = add(second, new ECMirror);
    mirror->SetMirrorEvent(key, 1);
    auto* mirrorDisplay = dynamic_cast<DCctMirror*>(mirror->GetData(DK_NOTATION, 1));
    ASSERT_NE(mirrorDisplay, nullptr);
    mirrorDisplay->SetProlog(1);
    mirrorDisplay->SetPosition(15, -30);

    WriteSeed(doc.get(), "notation-staff-marks.contents");
    doc->OnCloseDocument();
}

}  // namespace
