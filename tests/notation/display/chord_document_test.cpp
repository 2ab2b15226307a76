// A chord's display inside a native document saved and opened again (with an
// accidental and a dot of its notes), and the document fuzz target's seed
// holding one.
#include "notation/display/accidental.h"
#include "notation/display/chord.h"
#include "notation/display/dot.h"
#include "notation/display/note.h"
#include "notation/display/records.h"

#include "model/conductor.h"
#include "model/eventtypes.h"
#include "model/measure.h"
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

// One staff of two measures; at the start of the second, a dotted quarter
// chord C4 E-flat4 G4 in voice 1, the flat in column 2.
void SaveChord(const std::string& path) {
    std::unique_ptr<MCOpusDoc> source = doc_support::DocumentParts::MakeDocument();
    ECConductor* conductor = source->CreatePerformance(1)->GetConductor();
    ASSERT_NE(conductor, nullptr);
    ASSERT_NE(conductor->GetTrack(1, 1, 1), nullptr);
    ASSERT_NE(conductor->GetMeasure(1, MCTime(7.5f), 1, 1), nullptr);
    ECMeasure* measure = conductor->GetMeasure(1, 2);
    ASSERT_NE(measure, nullptr);
    auto* chord = new ECChord;
    chord->SetTime(measure->GetTime());
    chord->SetVoiceTrack(1, 1);
    ASSERT_EQ(measure->AddChild(chord, 1), 1);
    ASSERT_NE(dynamic_cast<DCctChord*>(chord->GetData(DK_NOTATION, 1)), nullptr);
    for (int key : {60, 63, 67}) {
        auto* note = new ECNote;
        note->SetTime(measure->GetTime());
        note->SetVoiceTrack(1, 1);
        ASSERT_EQ(chord->AddChild(note, 1), 1);
        auto* display = dynamic_cast<DCctNote*>(note->GetData(DK_NOTATION, 1));
        ASSERT_NE(display, nullptr);
        MCPitch pitch(static_cast<uint8_t>(key), key == 63 ? -1 : 0);
        display->SetPitch(pitch);
        display->SetValue(256, 0);
        display->SetBase(256, 256);
        auto* dot = new ECDot(1);
        ASSERT_EQ(note->AddChild(dot, 1), 1);
        ASSERT_NE(dynamic_cast<DCctDot*>(dot->GetData(DK_NOTATION, 1)), nullptr);
        if (key == 63) {
            auto* flat = new ECAccidental(1);
            ASSERT_EQ(note->AddChild(flat, 1), 1);
            auto* sign = dynamic_cast<DCctAccidental*>(flat->GetData(DK_NOTATION, 1));
            ASSERT_NE(sign, nullptr);
            sign->SetAlignPosition(2);
        }
    }
    ASSERT_NO_FATAL_FAILURE(display_document::SaveNative(source.get(), path));
}

struct ChordDocumentTest : display_document::DocumentTest {};

TEST_F(ChordDocumentTest, ChordDisplayComesBackAnsweringFromItsNotes) {
    const std::string path = folder.File("chord.mmm");
    ASSERT_NO_FATAL_FAILURE(SaveChord(path));

    std::unique_ptr<MCOpusDoc> reopened = Reopen(path);
    ASSERT_FALSE(HasFailure());
    const auto chords = doc_support::FindEvents(reopened->GetBaseEvent(), ET_CHORD);
    ASSERT_EQ(chords.size(), 1u);
    auto* chord = dynamic_cast<DCctChord*>(chords[0]->GetData(DK_NOTATION, 0));
    ASSERT_NE(chord, nullptr);
    EXPECT_EQ(chord->GetOwner(), chords[0]);
    EXPECT_EQ(chord->GetValue(), 256);
    EXPECT_EQ(chord->GetTickDuration(1), 384) << "the first note's, with its dot";
    EXPECT_EQ(chord->GetBase(0), 256);
    EXPECT_EQ(chords[0]->GetVoiceTrack()->GetVoice(), 1);
    EXPECT_EQ(chords[0]->GetVoiceTrack()->GetTrack(), 1);
    ASSERT_NE(chord->GetTopNote(), nullptr);
    EXPECT_EQ(chord->GetTopNote()->GetSpelling().GetMidiPitch(), 67);
    EXPECT_EQ(chord->GetBottomNote()->GetSpelling().GetMidiPitch(), 60);

    const auto signs = doc_support::FindEvents(reopened->GetBaseEvent(), ET_ACCIDENTAL);
    ASSERT_EQ(signs.size(), 1u);
    auto* sign = dynamic_cast<DCctAccidental*>(signs[0]->GetData(DK_NOTATION, 0));
    ASSERT_NE(sign, nullptr);
    EXPECT_EQ(sign->GetAlignPosition(), 2);
    EXPECT_EQ(doc_support::FindEvents(reopened->GetBaseEvent(), ET_DOT).size(), 3u);
    reopened->OnCloseDocument();
}

// Writes the seed (the "Contents" of the document above). Run on purpose:
//   notation_tests --gtest_also_run_disabled_tests --gtest_filter='ChordDocumentTest.DISABLED_WriteFuzzSeed'
TEST_F(ChordDocumentTest, DISABLED_WriteFuzzSeed) {
    const std::string corpus = std::string(STAFFWRIGHT_TEST_DATA) + "/../../fuzz/corpus/document";
    const std::string path = folder.File("chord.mmm");
    ASSERT_NO_FATAL_FAILURE(SaveChord(path));
    const std::vector<uint8_t> contents = DocumentContents(path);
    file_test::WriteText(corpus + "/notation-chord.contents", std::string(contents.begin(), contents.end()));
}

}  // namespace
