// Rests' displays inside a native document saved and opened again, and the
// document fuzz target's seed holding them.
#include "notation/display/records.h"
#include "notation/display/rest.h"

#include "model/conductor.h"
#include "model/eventtypes.h"
#include "model/measure.h"
#include "model/meter.h"
#include "model/modifiers.h"
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

// One staff of one measure: a dotted half rest of voice 0 at beat 1, its
// stem side turned for a beam, and a consolidated whole rest of voice 1.
void SaveRests(const std::string& path) {
    std::unique_ptr<MCOpusDoc> source = doc_support::DocumentParts::MakeDocument();
    ECConductor* conductor = source->CreatePerformance(1)->GetConductor();
    ASSERT_NE(conductor, nullptr);
    ASSERT_NE(conductor->GetTrack(1, 1, 1), nullptr);
    ASSERT_NE(conductor->GetMeasure(1, MCTime(3.5f), 1, 1), nullptr);
    ECMeasure* measure = conductor->GetMeasure(1, 1);
    ASSERT_NE(measure, nullptr);

    auto* dotted = new ECRest;
    dotted->SetTime(measure->GetTime());
    dotted->SetVoiceTrack(0, 1);
    ASSERT_EQ(measure->AddChild(dotted, 1), 1);
    ASSERT_EQ(dotted->AddChild(new ECDot(1), 1), 1);
    auto* display = dynamic_cast<DCctRest*>(dotted->GetData(DK_NOTATION, 1));
    ASSERT_NE(display, nullptr);
    display->SetValue(512);
    display->SetTickStart(256);
    display->SetStemSide(0, 1);

    auto* whole = new ECRest;
    whole->SetTime(measure->GetTime());
    whole->SetVoiceTrack(1, 1);
    ASSERT_EQ(measure->AddChild(whole, 1), 1);
    auto* wholeDisplay = dynamic_cast<DCctRest*>(whole->GetData(DK_NOTATION, 1));
    ASSERT_NE(wholeDisplay, nullptr);
    wholeDisplay->SetTickDuration(1024);
    wholeDisplay->SetConsolidated(1);

    ASSERT_NO_FATAL_FAILURE(display_document::SaveNative(source.get(), path));
}

struct RestDocumentTest : display_document::DocumentTest {};

TEST_F(RestDocumentTest, RestsComeBackWithTheirValuesMarksAndDottedLengths) {
    const std::string path = folder.File("rests.mmm");
    ASSERT_NO_FATAL_FAILURE(SaveRests(path));

    std::unique_ptr<MCOpusDoc> reopened = Reopen(path);
    ASSERT_FALSE(HasFailure());
    const auto rests = doc_support::FindEvents(reopened->GetBaseEvent(), ET_REST);
    ASSERT_EQ(rests.size(), 2u);
    std::vector<DCctRest*> displays;
    for (ECBase* rest : rests) {
        auto* display = dynamic_cast<DCctRest*>(rest->GetData(DK_NOTATION, 0));
        ASSERT_NE(display, nullptr);
        EXPECT_EQ(display->GetOwner(), rest);
        displays.push_back(display);
    }
    // The measure keeps its children in time order, voice 0's first.
    DCctRest* dotted = displays[0]->GetValue() == 512 ? displays[0] : displays[1];
    DCctRest* whole = dotted == displays[0] ? displays[1] : displays[0];
    EXPECT_EQ(dotted->GetValue(), 512);
    EXPECT_EQ(dotted->GetFontFromType(), 238u);
    EXPECT_EQ(dotted->GetTickStart(1), 256);
    EXPECT_EQ(dotted->GetTickDuration(1), 768) << "rebuilt from the value and the dot";
    EXPECT_EQ(dotted->GetStemSide(), 0);
    EXPECT_EQ(dotted->GetConsolidated(), 0);
    EXPECT_EQ(whole->GetValue(), 1024);
    EXPECT_EQ(whole->GetTickDuration(1), 1024);
    EXPECT_EQ(whole->GetConsolidated(), 1);
    EXPECT_EQ(whole->FrameDirty(), 1);
    reopened->OnCloseDocument();
}

// A whole-measure rest of a 3/4 bar is written as a whole rest; saving
// leaves its length in memory as it is, and reading gives it its
// measure's length back, not a whole's. A whole rest beside other music of
// its voice is a whole rest.
TEST_F(RestDocumentTest, AWholeMeasureRestKeepsItsMeasuresLength) {
    const std::string path = folder.File("measure-rest.mmm");
    std::unique_ptr<MCOpusDoc> source = doc_support::DocumentParts::MakeDocument();
    ECConductor* conductor = source->CreatePerformance(1)->GetConductor();
    ASSERT_NE(conductor, nullptr);
    ASSERT_NE(conductor->GetTrack(1, 1, 1), nullptr);
    ASSERT_NE(conductor->GetMeasure(1, MCTime(0.5f), 1, 1), nullptr);
    ASSERT_EQ(conductor->GetMeterAtTime(MCTime(0.0f))->SetMeter(3, 4, 255), 1);
    ECMeasure* measure = conductor->GetMeasure(1, 1);
    ASSERT_NE(measure, nullptr);
    const auto addRest = [&](int voice, int start, int ticks, int length) {
        auto* rest = new ECRest;
        MCTime time = *measure->GetTime();
        time.AddTicks(start, 256);
        rest->SetTime(&time);
        rest->SetVoiceTrack(voice, 1);
        EXPECT_EQ(measure->AddChild(rest, 1), 1);
        auto* display = dynamic_cast<DCctRest*>(rest->GetData(DK_NOTATION, 1));
        display->SetValue(static_cast<WORD>(ticks));
        display->SetTickStart(static_cast<WORD>(start));
        display->SetTickDuration(static_cast<WORD>(length));
        return display;
    };
    DCctRest* measureRest = addRest(0, 0, 1024, 768);
    addRest(1, 0, 1024, 1024);   // voice 1: a whole rest, then a half
    addRest(1, 1024, 512, 512);
    source->GetHeader()->SetFormat(DF_NATIVE);
    ASSERT_TRUE(source->OnSaveDocument(path.c_str()));
    EXPECT_EQ(measureRest->GetTickDuration(1), 768) << "after saving";
    source->OnCloseDocument();

    std::unique_ptr<MCOpusDoc> reopened = Reopen(path);
    ASSERT_FALSE(HasFailure());
    int measureRests = 0;
    for (ECBase* rest : doc_support::FindEvents(reopened->GetBaseEvent(), ET_REST)) {
        auto* display = dynamic_cast<DCctRest*>(rest->GetData(DK_NOTATION, 0));
        ASSERT_NE(display, nullptr);
        const int voice = rest->GetVoiceTrack()->GetVoice();
        if (display->GetTickStart(1) != 0)
            continue;
        EXPECT_EQ(display->GetTickDuration(1), voice == 0 ? 768 : 1024) << "voice " << voice;
        measureRests += voice == 0;
    }
    EXPECT_EQ(measureRests, 1);
    reopened->OnCloseDocument();
}

// Writes the seed (the "Contents" of the document above). Run on purpose:
//   notation_tests --gtest_also_run_disabled_tests --gtest_filter='RestDocumentTest.DISABLED_WriteFuzzSeed'
TEST_F(RestDocumentTest, DISABLED_WriteFuzzSeed) {
    const std::string corpus = std::string(STAFFWRIGHT_TEST_DATA) + "/../../fuzz/corpus/document";
    const std::string path = folder.File("rests.mmm");
    ASSERT_NO_FATAL_FAILURE(SaveRests(path));
    const std::vector<uint8_t> contents = DocumentContents(path);
    file_test::WriteText(corpus + "/notation-rests.contents", std::string(contents.begin(), contents.end()));
}

}  // namespace
