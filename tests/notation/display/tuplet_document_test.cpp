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
#include "sequencer/performer.h"
#include "sequencer/sequence.h"
#include "tests/interface/document/doc_support.h"
#include "tests/notation/display/display_support.h"
#include "tests/platform/file_support.h"
#include "tests/notation/display/document_support.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

// A note that counts the living: a test sees what a failed load left.
class ECCountedNote : public ECNote {
    DECLARE_SERIAL(ECCountedNote)
public:
    static inline int s_alive = 0;
    ECCountedNote() { ++s_alive; }
    ~ECCountedNote() override { --s_alive; }
};
IMPLEMENT_SERIAL(ECCountedNote, ECNote, VERSIONABLE_SCHEMA | 2)

namespace {

// How SaveTuplet damages the document it saves.
enum class Damage {
    NONE,
    // The tuplet's display names the measure as its owner: a reader meets it
    // after the staff, the measures and the tuplet.
    OWNER_ELSEWHERE,
    // The sequence's first performer is one no event holds, owned by a
    // tuplet of its own, whose display names yet another tuplet, with its
    // notes and their displays, as its owner: the sequence's reader meets
    // all of them before the display is refused.
    REFUSED_IN_SEQUENCE,
};

// One staff of two measures; in the second, a 3:2 tuplet of eighths from
// beat 2 with its three notes, the tuplet's display showing n:d below.
// `makeNote` makes the notes of the damage (the seeds hold plain notes).
void SaveTuplet(const std::string& path, Damage damage = Damage::NONE,
                const std::function<ECNote*()>& makeNote = [] { return new ECNote; }) {
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
    if (damage == Damage::NONE) {
        ASSERT_NO_FATAL_FAILURE(display_document::SaveNative(source.get(), path));
        return;
    }
    // The damage is undone once saved, so the source closes whole.
    std::vector<std::function<void()>> undo;
    if (damage == Damage::OWNER_ELSEWHERE) {
        tuplet->SetOwner(measure);
        undo.push_back([=] { tuplet->SetOwner(group); });
    } else {
        auto makeTuplet = [&start, &makeNote](int notes) {
            auto* made = new ECTuplet(3, 2, 3);
            made->Ref();
            made->SetTime(&start);
            made->SetVoiceTrack(1, 1);
            for (int i = 0; i < notes; ++i) {
                ECNote* note = makeNote();
                note->SetTime(&start);
                note->SetVoiceTrack(1, 1);
                made->AddChild(note, 1);
                note->GetData(DK_NOTATION, 1);
            }
            return made;
        };
        ECTuplet* owner = makeTuplet(0);
        ECTuplet* named = makeTuplet(100);
        auto* refused = dynamic_cast<DCctTuplet*>(owner->GetData(DK_NOTATION, 1));
        ASSERT_NE(refused, nullptr);
        refused->SetOwner(named);
        auto* first = new DCsqBase;
        first->SetOwner(owner);
        CSequence* sequence = source->GetSequence();
        sequence->SetHead(first);
        sequence->SetTail(first);
        undo.push_back([=] {
            sequence->SetHead(nullptr);
            sequence->SetTail(nullptr);
            delete first;
            refused->SetOwner(owner);
            owner->Unref(1);
            named->RemoveChildren(1);
            named->Unref(1);
        });
    }
    source->GetHeader()->SetFormat(DF_NATIVE);
    const BOOL saved = source->OnSaveDocument(path.c_str());
    for (const auto& action : undo)
        action();
    source->OnCloseDocument();
    ASSERT_TRUE(saved);
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

// A display that names another event as its owner is refused: the open
// fails with the program's message, and everything read before the refusal
// is freed with the failed load, in the tree's read as in the sequence's
// (where the other tuplet's hundred notes were lost, with their displays).
TEST_F(TupletDocumentTest, ADisplayOwnedByAnotherEventIsRefusedAndWhatWasReadFreed) {
    for (const Damage damage : {Damage::OWNER_ELSEWHERE, Damage::REFUSED_IN_SEQUENCE}) {
        SCOPED_TRACE(damage == Damage::OWNER_ELSEWHERE ? "in the tree" : "in the sequence");
        const std::string path = folder.File("damaged.mmm");
        ASSERT_NO_FATAL_FAILURE(SaveTuplet(path, damage, [] { return new ECCountedNote; }));
        MCOpusDoc::WaitThreadsFinished(0);
        ASSERT_EQ(ECCountedNote::s_alive, 0);
        prompts.Clear();
        std::unique_ptr<MCOpusDoc> reopened = doc_support::DocumentParts::MakeDocument();
        EXPECT_FALSE(reopened->OnOpenDocument(path.c_str()));
        EXPECT_EQ(reopened->GetBaseEvent(), nullptr);
        EXPECT_EQ(prompts.GetCount(), 1u);
        reopened.reset();
        MCOpusDoc::WaitThreadsFinished(0);
        EXPECT_EQ(ECCountedNote::s_alive, 0) << "notes read before the refusal were left behind";
    }
}

// Writes the seeds of the damaged documents above. Run on purpose:
//   notation_tests --gtest_also_run_disabled_tests --gtest_filter='TupletDocumentTest.DISABLED_WriteRefusedSeeds'
TEST_F(TupletDocumentTest, DISABLED_WriteRefusedSeeds) {
    const std::string corpus = std::string(STAFFWRIGHT_TEST_DATA) + "/../../fuzz/corpus/document";
    const struct {
        Damage damage;
        const char* seed;
    } seeds[] = {
        {Damage::OWNER_ELSEWHERE, "tuplet-owner-elsewhere.seed"},
        {Damage::REFUSED_IN_SEQUENCE, "tuplet-refused-in-sequence.seed"},
    };
    for (const auto& seed : seeds) {
        const std::string path = folder.File("damaged.mmm");
        ASSERT_NO_FATAL_FAILURE(SaveTuplet(path, seed.damage));
        const std::vector<uint8_t> contents = DocumentContents(path);
        file_test::WriteText(corpus + "/" + seed.seed, std::string(contents.begin(), contents.end()));
    }
}

}  // namespace
