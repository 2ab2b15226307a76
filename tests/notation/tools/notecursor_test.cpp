// The note tool in a score window: a note placed with the mouse sounds on
// the staff's output, goes in at the beat and pitch under the pointer with
// its performed length, shows, and stays when the document is saved and
// opened again; a drag sounds each new pitch once; tuplets go in only where
// they fit; a pasted group keeps its distances.
#include "notation/tools/notecursor.h"

#include "model/conductorstaff.h"
#include "model/groupmarks.h"
#include "model/preferences.h"
#include "notation/autonote/notekey.h"
#include "notation/layout/staffcolor.h"
#include "platform/core/profile.h"
#include "platform/ui/uiresources.h"
#include "tests/notation/support/durationgate.h"
#include "tests/notation/tools/insertview_support.h"
#include "tests/platform/file_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

namespace {

constexpr UINT IDR_NOTE_MAIN = 29907;
constexpr UINT IDR_NOTE_DOC = 29908;
const MenuTemplate kMainMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_NEW, "&New"}}}}};
MENU_RESOURCE(IDR_NOTE_MAIN, kMainMenu);
const MenuTemplate kDocMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_CLOSE, "&Close"}}}}};
MENU_RESOURCE(IDR_NOTE_DOC, kDocMenu);

constexpr int kQuarter = 256;   // display ticks
constexpr int kC4 = 60, kA4 = 69;
constexpr int kGate = 66;

// A tuplet that tells when it is freed; the flag is shared, as a tuplet
// that went in is freed with the document, after the test.
class WatchedTuplet : public ECTuplet {
public:
    WatchedTuplet(unsigned char count, unsigned char span, std::shared_ptr<bool> gone)
        : ECTuplet(count, span, 3), m_gone(std::move(gone)) {}
    ~WatchedTuplet() override { *m_gone = true; }

private:
    std::shared_ptr<bool> m_gone;
};

// A piece of two empty measures in a meter of `numerator` eighths or quarters.
std::vector<uint8_t> EmptyPiece(int numerator, int power) {
    smf_support::Track conductor;
    conductor.Tempo(0, 500000).TimeSignature(0, numerator, power).End();
    smf_support::Track staff;
    staff.NoteOn(0, 0, kC4, 1).NoteOff(1, 0, kC4);
    staff.End(8 * tool_test::kDivision);
    smf_support::File file(1, tool_test::kDivision);
    file.Add(conductor);
    file.Add(staff);
    return file.GetBytes();
}

class NoteToolTest : public tool_test::InsertView {
protected:
    NoteToolTest() : InsertView(IDR_NOTE_MAIN, IDR_NOTE_DOC) {}

    void SetUp() override {
        InsertView::SetUp();
        // Notes play and read back through the view's duration pair, as in
        // the program (the plug-in's start in SetUp took it off).
        gate = std::make_unique<notation_test::DurationGate>(kGate);
    }
    void TearDown() override {
        CProfile::Application().DeleteKey("Settings", "PlayNotes");
        InsertView::TearDown();
        gate.reset();
    }

    CNoteCursor* Tool() { return dynamic_cast<CNoteCursor*>(view->GetMusicCursor()); }
    static ECNote* Quarter() { return new ECNote(MCTime(0.0f), MCTime(1.0f)); }

    // The notes sounded (note-ons with a velocity), as (status, key, velocity).
    std::vector<std::vector<uint8_t>> Sounded() {
        std::vector<std::vector<uint8_t>> ons;
        for (const auto& record : capture->GetMidi())
            if (record.bytes.size() == 3 && (record.bytes[0] & 0xF0) == 0x90 && record.bytes[2] != 0)
                ons.push_back(record.bytes);
        return ons;
    }
    std::vector<int> SoundedKeys() {
        std::vector<int> keys;
        for (const auto& on : Sounded())
            keys.push_back(on[1]);
        return keys;
    }
    // A move with the button held, as the window gets it.
    void Drag(CPoint point) { Move(point, MK_LBUTTON); }
    // Non-background ink in a small box around a device point.
    int InkAround(CPoint point, int reach) {
        const QImage& image = Surface();
        const QRgb paper = image.pixel(2, 2);
        int ink = 0;
        for (int y = point.y - reach; y <= point.y + reach; ++y)
            for (int x = point.x - reach; x <= point.x + reach; ++x)
                if (image.valid(x, y) && (image.pixel(x, y) & 0xFFFFFF) != (paper & 0xFFFFFF))
                    ++ink;
        return ink;
    }

    std::unique_ptr<notation_test::DurationGate> gate;
    file_test::TempFolder folder;
};

TEST_F(NoteToolTest, AQuarterPlacedOnBeatThreeSoundsGoesInShowsAndIsSaved) {
    UsePrototype(&Quarter);
    ASSERT_TRUE(OpenPiece(STATE_MODE_INSERT));
    ASSERT_NE(Tool(), nullptr);
    ASSERT_EQ(CountOf(2, ET_REST), 1) << "beat 3 of measure 2 rests";
    const CPoint onG4 = PitchPoint(2, 2 * kQuarter, tool_test::kG4);
    const CRect band = ColumnBand(2);
    const int x = ToDevice(BeatTop(2, 2 * kQuarter)).x;

    Move(onG4);
    Settle();
    ASSERT_FALSE(log.statusTexts.empty());
    EXPECT_EQ(log.statusTexts.back(), "002:03:000 (67)");
    EXPECT_GT(ColourRun(x, band.top, band.bottom, Rgb(SCSelection::GetColor())), 0) << "the dotted line at the beat";
    EXPECT_TRUE(Sounded().empty()) << "hovering sounds nothing";

    log.Clear();
    Press(onG4);
    Release(onG4);
    Settle();
    const auto sounded = capture->GetMidi();
    ASSERT_EQ(sounded.size(), 1u);
    const uint8_t channel = sounded[0].bytes[0] & 0x0F;
    EXPECT_EQ(sounded[0].bytes, (std::vector<uint8_t>{static_cast<uint8_t>(0x90 | channel), 67, 64}));
    clock.Advance(249);
    EXPECT_EQ(capture->GetMidi().size(), 1u);
    clock.Advance(1);
    ASSERT_EQ(capture->GetMidi().size(), 2u);
    EXPECT_EQ(capture->GetMidi()[1].bytes, (std::vector<uint8_t>{static_cast<uint8_t>(0x90 | channel), 67, 0}));
    EXPECT_EQ(capture->GetMidi()[1].device, sounded[0].device);

    EXPECT_EQ(log.Count(STATE_COMMANDS_DONE), 1);
    EXPECT_TRUE(document->IsModified());
    const std::vector<ECNote*> notes = Notes(2);
    ASSERT_EQ(notes.size(), 4u);
    ECNote* placed = notes[2];
    EXPECT_EQ(*placed->GetTime(), MCTime(6.0f));
    EXPECT_EQ(GetPlayedKey(placed), tool_test::kG4);
    EXPECT_EQ(placed->GetDuration()->GetTicks(480), 316) << "a quarter played at the gate";
    EXPECT_EQ(CountOf(2, ET_REST), 0) << "the note takes the rest's place";
    EXPECT_GT(InkAround(PitchPoint(2, 2 * kQuarter, tool_test::kG4), 3), 0) << "a notehead on the G line";

    const std::string path = folder.File("placed.mmm");
    document->GetHeader()->SetFormat(DF_NATIVE);
    ASSERT_TRUE(document->OnSaveDocument(path.c_str()));
    // The window keeps its file open; the copy is what a later session opens.
    const std::string copy = folder.File("copy.mmm");
    std::filesystem::copy_file(path, copy);
    std::unique_ptr<MCOpusDoc> reopened = MakeDocument();
    ASSERT_TRUE(reopened->OnOpenDocument(copy.c_str())) << prompts.GetLast().text;
    ECMeasure* measure = reopened->GetBaseEvent()->GetConductor()->GetMeasure(1, 2);
    ASSERT_NE(measure, nullptr);
    int found = 0;
    for (ECBase* note : doc_support::FindEvents(measure, ET_NOTE))
        found += *note->GetTime() == MCTime(6.0f) && GetPlayedKey(note) == tool_test::kG4;
    EXPECT_EQ(found, 1);
}

// A press where the pointer was never seen moving (it jumped there, or a
// control holding the capture took the move) places the note there all the
// same.
TEST_F(NoteToolTest, APressWithNoMoveBeforeItPlacesTheNoteThere) {
    UsePrototype(&Quarter);
    ASSERT_TRUE(OpenPiece(STATE_MODE_INSERT));
    const CPoint onG4 = PitchPoint(2, 2 * kQuarter, tool_test::kG4);
    Move(CPoint(2, 2));   // last seen off every staff: nothing under it
    Settle();
    log.Clear();
    Press(onG4);
    Release(onG4);
    Settle();
    EXPECT_EQ(log.Count(STATE_COMMANDS_DONE), 1);
    int found = 0;
    for (ECNote* note : Notes(2))
        found += *note->GetTime() == MCTime(6.0f) && GetPlayedKey(note) == tool_test::kG4;
    EXPECT_EQ(found, 1);
}

TEST_F(NoteToolTest, ADragSoundsEachNewPitchOnceAndPlacesWhereItEnds) {
    UsePrototype(&Quarter);
    ASSERT_TRUE(OpenPiece(STATE_MODE_INSERT));
    const int tick = 2 * kQuarter;
    Move(PitchPoint(2, tick, tool_test::kG4));
    Press(PitchPoint(2, tick, tool_test::kG4));
    EXPECT_NE(view->GetFlags() & MCScrollView::SV_MOUSE_DRAG, 0) << "the view forwards no moves meanwhile";
    Drag(PitchPoint(2, tick, kA4));
    Drag(PitchPoint(2, tick, kA4));
    Drag(PitchPoint(2, tick, tool_test::kB4));
    Drag(PitchPoint(2, tick, kA4));
    Release(PitchPoint(2, tick, kA4));
    Settle();
    EXPECT_EQ(SoundedKeys(), (std::vector<int>{67, 69, 71, 69}));
    EXPECT_EQ(view->GetFlags() & MCScrollView::SV_MOUSE_DRAG, 0);
    const std::vector<ECNote*> notes = Notes(2);
    ASSERT_EQ(notes.size(), 4u);
    EXPECT_EQ(GetPlayedKey(notes[2]), kA4);
    EXPECT_EQ(*notes[2]->GetTime(), MCTime(6.0f));

    // With "PlayNotes" off nothing sounds; the note still goes in.
    SaveIntPreference("Settings", "PlayNotes", 0);
    capture->Clear();
    Move(PitchPoint(3, 0, tool_test::kG4));
    Press(PitchPoint(3, 0, tool_test::kG4));
    Drag(PitchPoint(3, 0, tool_test::kB4));
    Release(PitchPoint(3, 0, tool_test::kB4));
    Settle();
    EXPECT_TRUE(capture->GetMidi().empty());
    EXPECT_EQ(Notes(3).size(), 1u);
}

TEST_F(NoteToolTest, BelowTheStaffALedgerLineShowsAndGoesWhenThePointerReturns) {
    UsePrototype(&Quarter);
    ASSERT_TRUE(OpenPiece(STATE_MODE_INSERT));
    const COLORREF staffColour = StaffColor().Get();
    const CPoint onC4 = PitchPoint(3, kQuarter, kC4);
    const CRect lines = ColumnBand(3);
    const int reach = 6;
    const CRect below(onC4.x - reach * 2, lines.bottom + 2, onC4.x + reach * 3, onC4.y + reach);
    ASSERT_GT(onC4.y, lines.bottom) << "C4 lies below the staff";
    EXPECT_EQ(ColourIn(below, Rgb(staffColour)), 0);

    Move(onC4);
    EXPECT_EQ(Tool()->GetLedgerLines().size(), 1u);
    EXPECT_GT(ColourIn(below, Rgb(staffColour)), 0) << "the ledger line";

    Move(PitchPoint(3, kQuarter, tool_test::kB4));
    EXPECT_TRUE(Tool()->GetLedgerLines().empty());
    EXPECT_EQ(ColourIn(below, Rgb(staffColour)), 0) << "repainted away";
}

struct TupletCase {
    int numerator, power;
    unsigned char count, span;
    const char* refusal;   // null: accepted
};

class TupletToolTest : public NoteToolTest, public ::testing::WithParamInterface<TupletCase> {};

TEST_P(TupletToolTest, GoesInOnlyWhereTheMeterAllowsIt) {
    const TupletCase& c = GetParam();
    auto gone = std::make_shared<bool>(false);
    bool forTheTool = true;
    UsePrototype([&]() -> ECBase* {
        ECTuplet* tuplet = forTheTool ? new ECTuplet(c.count, c.span, 3) : new WatchedTuplet(c.count, c.span, gone);
        tuplet->AddChild(new ECNote(MCTime(0.0f), MCTime(0.5f)), SORTED);
        return tuplet;
    });
    ASSERT_TRUE(OpenPiece(STATE_MODE_INSERT, EmptyPiece(c.numerator, c.power)));
    forTheTool = false;
    ASSERT_NE(Tool(), nullptr);
    const CPoint point = StaffPoint(1, 0);
    Move(point);
    EXPECT_EQ(static_cast<ECMeasure*>(Tool()->GetRulerMeasure()), Conductor()->GetMeasure(TRACK_CONDUCTOR, 1))
        << "the measure shows the tuplet's divisions";
    const size_t promptsBefore = prompts.GetCount();
    log.Clear();
    Press(point);
    Release(point);
    Settle();
    if (c.refusal) {
        ASSERT_EQ(prompts.GetCount(), promptsBefore + 1);
        EXPECT_EQ(prompts.GetLast().text, c.refusal);
        EXPECT_EQ(log.Count(STATE_COMMANDS_DONE), 0);
        EXPECT_EQ(CountOf(1, ET_TUPLET), 0);
        EXPECT_TRUE(*gone) << "the refused tuplet is released";
    } else {
        EXPECT_EQ(prompts.GetCount(), promptsBefore);
        EXPECT_EQ(log.Count(STATE_COMMANDS_DONE), 1);
        EXPECT_EQ(CountOf(1, ET_TUPLET), 1);
    }
    EXPECT_EQ(Tool()->GetRulerMeasure(), nullptr) << "switched off as the tool starts afresh";
    EXPECT_EQ(Column(1)->GetDisplayPulse(), DCctConductorMeasure::NO_BORROWED_PULSE);
}

INSTANTIATE_TEST_SUITE_P(Meters, TupletToolTest,
                         ::testing::Values(TupletCase{6, 3, 3, 2, "Only duplets are allowed in Perfect Compound meters"},
                                           TupletCase{4, 2, 2, 3, "Duplets are not allowed in non-Perfect Compound meters"},
                                           TupletCase{6, 3, 2, 3, nullptr}),
                         [](const ::testing::TestParamInfo<TupletCase>& info) {
                             const TupletCase& c = info.param;
                             return std::to_string(c.count) + "In" + std::to_string(c.span) + "Of" +
                                    std::to_string(c.numerator) + "Over" + std::to_string(1 << c.power);
                         });

TEST(NoteToolResolution, ADottedValueAsksForTheNextShorterPlainOne) {
    const struct {
        int ticks, resolution;
    } cases[] = {{64, 64}, {192, 64}, {96, 32}, {24, 8}, {12, 8}, {128, 0}, {224, 0}, {32, 32}, {0, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(CNoteCursor::ResolutionFor(c.ticks), c.resolution) << c.ticks;
}

TEST_F(NoteToolTest, APastedGroupKeepsItsDistancesFromTheDropPoint) {
    UsePrototype(&Quarter);
    ASSERT_TRUE(OpenPiece(STATE_MODE_INSERT));
    const struct {
        int key, voice;
        float time;
    } group[] = {{kC4, 2, 0.0f}, {64, 3, 1.0f}};
    MCEventList notes;
    for (const auto& g : group) {
        // Notes in the score keep their performed length; so do their copies.
        const MCTime quarter(1.0f);
        auto* note = new ECNote(MCTime(g.time), CCantrel::DurFunc(&quarter, nullptr));
        note->GetVoiceTrack()->SetVoice(g.voice);
        auto* performer = dynamic_cast<DCsqMidi*>(note->GetData(DK_SEQUENCER, 1));
        ASSERT_NE(performer, nullptr);
        performer->SetMidiData(FCMidi(0x90u | (static_cast<uint32_t>(g.key) << 8) | (90u << 16)));
        notes.AddTail(note);
    }
    Move(PitchPoint(3, 0, tool_test::kG4));
    view->SetDragging(1);
    log.Clear();
    EXPECT_EQ(view->InsertEvents(notes, 0), 1);
    view->SetDragging(0);
    Settle();
    EXPECT_EQ(log.Count(STATE_COMMANDS_DONE), 1);
    const std::vector<ECNote*> placed = Notes(3);
    ASSERT_EQ(placed.size(), 2u);
    const struct {
        float time;
        int key, voice;
    } expected[] = {{8.0f, tool_test::kG4, 0}, {9.0f, tool_test::kB4, 1}};
    for (size_t i = 0; i < placed.size(); ++i) {
        EXPECT_EQ(*placed[i]->GetTime(), MCTime(expected[i].time)) << i;
        EXPECT_EQ(GetPlayedKey(placed[i]), expected[i].key) << i;
        EXPECT_EQ(placed[i]->GetVoiceTrack()->GetVoice(), expected[i].voice) << i;
    }

    // With five status tasks alive the tool says nothing.
    std::vector<std::unique_ptr<SCStatus>> alive;
    while (SCStatus::s_actionCount < CMusicCursor::kMaxStatusTasks)
        alive.push_back(std::make_unique<SCStatus>(STATE_PROGRESS_STEP));
    log.Clear();
    Move(PitchPoint(3, kQuarter, tool_test::kG4));
    Settle();
    EXPECT_EQ(log.Count(STATE_STATUS_TEXT), 0);
}

}  // namespace
