// A MIDI file opened as a document and notated as the notation view does
// when it is given the performance: every element it shows gets its display
// object, the measures their rulers, the drum staff its type, a note played
// just before a barline moves after it, and the progress of the run is
// reported measure by measure. Saved natively and opened again, the display
// objects are still there.
#include "notation/autonote/autonote.h"

#include "interface/document/opusdoc.h"
#include "model/appstates.h"
#include "model/conductor.h"
#include "model/eventtypes.h"
#include "model/measure.h"
#include "model/performance.h"
#include "model/staff.h"
#include "model/states.h"
#include "notation/display/key.h"
#include "notation/display/measure.h"
#include "notation/display/records.h"
#include "notation/view/cantrel.h"
#include "platform/ui/prompt_script.h"
#include "tests/interface/document/doc_support.h"
#include "tests/platform/file_support.h"
#include "tests/platform/messaging_support.h"
#include "tests/support/smf_support.h"
#include "tests/notation/autonote/progress_support.h"
#include "tests/notation/support/durationgate.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <filesystem>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

namespace {

using autonote_test::Progress;
using autonote_test::RecordProgress;

using doc_support::FindEvents;

constexpr int kDivision = 256;
constexpr int kMeasureTicks = 4 * kDivision;   // 4/4
constexpr int kLateKey = 62;                   // 16/256 of a quarter before measure 3
constexpr int kEarlyKey = 66;                  // 33/256 before measure 4: stays
constexpr int kLateTick = 2 * kMeasureTicks - 16;
// Past half a grid step before the bar line its start rounds to the step
// before it, not onto it.
constexpr int kEarlyTick = 3 * kMeasureTicks - 33;
constexpr int kNoteTicks = kDivision / 2;

// 4/4; staff 1 on channel 1 in two sharps with the two notes; staff 2 a
// drum track on channel 10.
std::vector<uint8_t> Piece() {
    smf_support::Track conductor, melody, drums;
    conductor.Tempo(0, 500000).TimeSignature(0, 4, 2).End();
    melody.KeySignature(0, 2, 0)
        .NoteOn(kLateTick, 0, kLateKey, 90)
        .NoteOff(kNoteTicks, 0, kLateKey)
        .NoteOn(kEarlyTick - kLateTick - kNoteTicks, 0, kEarlyKey, 90)
        .NoteOff(kNoteTicks, 0, kEarlyKey)
        .End();
    drums.NoteOn(0, 9, 36, 100).NoteOff(kDivision, 9, 36).End();
    return smf_support::File(1, kDivision).Add(conductor).Add(melody).Add(drums).GetBytes();
}


// The first note at a time in quarter notes.
ECBase* NoteOfTime(ECPerformance* performance, float quarters) {
    for (ECBase* note : FindEvents(performance, ET_NOTE))
        if (note->GetTime() && *note->GetTime() == MCTime(quarters))
            return note;
    return nullptr;
}

// Every element of the kinds the notation shows has its display object.
void ExpectDisplayObjects(ECPerformance* performance) {
    const struct {
        const char* name;
        int type;
    } kinds[] = {{"conductor measure", ET_CONDUCTORMEASURE},
                 {"measure", ET_MEASURE},
                 {"staff", ET_STAFF},
                 {"note", ET_NOTE},
                 {"key", ET_KEY},
                 {"meter", ET_METER}};
    for (const auto& kind : kinds) {
        const std::vector<ECBase*> events = FindEvents(performance, kind.type);
        EXPECT_FALSE(events.empty()) << kind.name;
        for (ECBase* event : events)
            EXPECT_NE(event->GetData(DK_NOTATION, 0), nullptr) << kind.name;
    }
}

struct FileLoadTest : ::testing::Test, doc_support::DocumentParts {
    void SetUp() override { notation_test::StartPlugin(); }

    file_test::TempFolder folder;
    CPromptScript prompts;
    CPromptHandler* previousPrompts = SetPromptHandler(&prompts);
    ~FileLoadTest() override { SetPromptHandler(previousPrompts); }
};

// The codes of the piece's key displays, in order; -1 for a key without one.
std::vector<int> KeyCodes(ECBase* performance) {
    std::vector<int> codes;
    for (ECBase* key : FindEvents(performance, ET_KEY)) {
        auto* display = dynamic_cast<DCctKey*>(key->GetData(DK_NOTATION, 0));
        codes.push_back(display ? display->GetKeyCode() : -1);
    }
    std::sort(codes.begin(), codes.end());
    return codes;
}

TEST_F(FileLoadTest, AnOpenedFileIsNotatedWholeAndKeepsItsDisplayObjects) {
    const std::string mid = folder.File("piece.mid");
    file_test::WriteText(mid, [] {
        const std::vector<uint8_t> bytes = Piece();
        return std::string(bytes.begin(), bytes.end());
    }());
    ASSERT_TRUE(doc->OnOpenDocument(mid.c_str())) << prompts.GetLast().text;
    messaging_test::PumpPending();   // what the reader posted
    ECPerformance* performance = doc->GetBaseEvent();
    ASSERT_NE(performance, nullptr);
    ECConductor* conductor = performance->GetConductor();
    ASSERT_NE(conductor, nullptr);
    const int measures = conductor->GetMaxMeasureNumber();
    ASSERT_GE(measures, 4);

    CCantrel view;
    view.BindBaseEvent(performance);
    std::vector<Progress> seen;
    performance->AddStateHandler(&RecordProgress, &seen);
    EXPECT_EQ(view.GetAutoNote().ProcessFileLoad(), 0);
    performance->RemoveStateHandler(&RecordProgress, &seen);

    std::vector<Progress> expected = {{STATE_PROGRESS_BEGIN, "Notating file...", 0, measures}};
    for (int n = 1; n <= measures; ++n)
        expected.push_back({STATE_PROGRESS_TEXT, "Measure " + std::to_string(n)});
    expected.push_back({STATE_PROGRESS_END, ""});
    EXPECT_EQ(seen, expected);

    ExpectDisplayObjects(performance);
    for (ECBase* measure : FindEvents(performance, ET_MEASURE)) {
        auto* display = dynamic_cast<DCctMeasure*>(measure->GetData(DK_NOTATION, 0));
        ASSERT_NE(display, nullptr);
        MCRuler& ruler = display->GetRuler();
        ASSERT_GE(ruler.GetNumberOfRulerGroups(), 1);
        EXPECT_EQ(ruler.GetRulerGroup()[0].marks.size(), 16u) << measure->GetTime()->GetSeconds();
    }
    // The file's key on the melody staff; the drum staff, which had none, is
    // given C major by the key guess.
    EXPECT_EQ(KeyCodes(performance), (std::vector<int>{6, 8}));   // two sharps; C major
    auto* melodyStaff = static_cast<ECStaff*>(conductor->GetTrack(TRACK_STAFF, 1, 0));
    auto* drumStaff = static_cast<ECStaff*>(conductor->GetTrack(TRACK_STAFF, 2, 0));
    ASSERT_NE(drumStaff, nullptr);
    EXPECT_EQ(melodyStaff->GetStaffType(), 0);
    EXPECT_EQ(drumStaff->GetStaffType(), 3);

    const MCTime third(2.0f * 4.0f);
    ECBase* late = NoteOfTime(performance, static_cast<float>(kLateTick) / kDivision);
    ECBase* early = NoteOfTime(performance, static_cast<float>(kEarlyTick) / kDivision);
    ASSERT_NE(late, nullptr);
    ASSERT_NE(early, nullptr);
    EXPECT_EQ(late->GetParents()->GetHead(), conductor->GetMeasure(1, 3));
    EXPECT_EQ(early->GetParents()->GetHead(), conductor->GetMeasure(1, 3));
    EXPECT_EQ(*conductor->GetMeasure(1, 3)->GetTime(), third);
    view.GetAutoNote().GetDirtyRect().Clear();

    // Saved natively and opened again.
    const std::string native = folder.File("piece.mmm");
    doc->GetHeader()->SetFormat(DF_NATIVE);
    ASSERT_TRUE(doc->OnSaveDocument(native.c_str())) << prompts.GetLast().text;
    // A copy: the document keeps the file it saved open.
    const std::string copy = folder.File("copy.mmm");
    std::filesystem::copy_file(native, copy);
    std::unique_ptr<MCOpusDoc> reopened = MakeDocument();
    ASSERT_TRUE(reopened->OnOpenDocument(copy.c_str())) << prompts.GetLast().text;
    messaging_test::PumpPending();
    ECPerformance* again = reopened->GetBaseEvent();
    ASSERT_NE(again, nullptr);
    ExpectDisplayObjects(again);
    EXPECT_EQ(KeyCodes(again), (std::vector<int>{6, 8}));
    ECBase* lateAgain = NoteOfTime(again, static_cast<float>(kLateTick) / kDivision);
    ASSERT_NE(lateAgain, nullptr);
    EXPECT_EQ(*lateAgain->GetParents()->GetHead()->GetTime(), third);
    reopened.reset();
    MCOpusDoc::WaitThreadsFinished(0);
}

}  // namespace
