// The staff measure's display: archive tail, sizes, staff positions, pitch
// and rest heights, ledger lines, voice tables and placing.
#include "notation/display/measure.h"

#include "interface/controls/line.h"
#include "model/mirror.h"
#include "model/notes.h"
#include "notation/display/records.h"
#include "notation/layout/pitch.h"
#include "platform/core/archive.h"
#include "platform/ui/prompt_script.h"
#include "tests/interface/document/doc_support.h"
#include "tests/platform/file_support.h"
#include "tests/notation/display/display_support.h"
#include "tests/notation/display/measure_support.h"
#include "tests/notation/support/durationgate.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace measure_test {
IMPLEMENT_DYNCREATE(StandInColumn, DCctBase)
}  // namespace measure_test

namespace {

using namespace measure_test;
using Bytes = std::vector<uint8_t>;
using Voices = std::vector<BYTE>;

constexpr int NOTEHEAD = 20;

int H() {
    return MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_CURRENT);
}

void Load(CObject* object, const Bytes& bytes) {
    CMemFile file(bytes);
    CArchive ar(&file, CArchive::load);
    object->Serialize(ar);
    ar.Close();
}

// Notes in the given voices, as the voice-table operations receive them.
class NoteList {
public:
    explicit NoteList(std::initializer_list<int> voices) {
        for (int voice : voices) {
            auto* note = new ECNote;
            note->SetVoiceTrack(voice, 1);
            list.AddEvent(note, 0);
        }
    }
    MCEventList list;
};

// ---- archive -----------------------------------------------------------------------

TEST(MeasureArchiveTest, GoldenTailIsTheVoiceTable) {
    DCctMeasure measure;
    measure.SetStateWord(0x1FFFu);
    measure.SetPosition(1, 2);
    measure.GetVoiceTable() = {0, 2, 4};
    measure.SetWidth(900);          // layout data: not stored
    measure.SetCollapsedMeasure(3);
    const Bytes bytes = StoreBytes(&measure);
    ASSERT_EQ(bytes.size(), 26u + 5u);
    const Bytes tail(bytes.end() - 5, bytes.end());
    EXPECT_EQ(tail, (Bytes{3, 0, 0, 2, 4}));   // count (16 bits), then the voices

    DCctMeasure loaded;
    Load(&loaded, bytes);
    EXPECT_EQ(loaded.GetVoiceTable(), (Voices{0, 2, 4}));
    EXPECT_EQ(loaded.GetPosition(), CPoint(1, 2));
    EXPECT_EQ(loaded.GetCollapsedMeasure(), 0);

    DCctMeasure empty;
    const Bytes none = StoreBytes(&empty);
    EXPECT_EQ(Bytes(none.end() - 2, none.end()), (Bytes{0, 0}));
}

TEST(MeasureArchiveTest, ADamagedCountIsRefusedBeforeAnythingIsSized) {
    DCctMeasure measure;
    const Bytes good = StoreBytes(&measure);
    const Bytes head(good.begin(), good.end() - 2);
    const Bytes damaged[] = {
        [&] { Bytes b = head; b.insert(b.end(), {5, 0, 1, 2}); return b; }(),   // 5 voices, 2 there
        // The long form: 65535, then 0x7FFFFFFF in 32 bits.
        [&] { Bytes b = head; b.insert(b.end(), {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}); return b; }(),
    };
    for (const Bytes& bytes : damaged) {
        DCctMeasure loaded;
        EXPECT_THROW(Load(&loaded, bytes), CArchiveException);
    }
}

// ---- sizes --------------------------------------------------------------------------

TEST(MeasureSizeTest, HeightAndLowerStaffByKind) {
    MusicFontScope font(NOTEHEAD);
    const int h = H();
    const struct {
        int kind, height;
    } cases[] = {{0, 4}, {1, 14}, {3, 4}, {4, 4}};
    for (const auto& c : cases) {
        Score score(c.kind, 1);
        DCctMeasure* measure = score.Display(1);
        ASSERT_NE(measure, nullptr);
        measure->SetWidth(500);
        measure->SetSize(nullptr);
        EXPECT_EQ(measure->GetHeight(), c.height * h) << c.kind;
        EXPECT_EQ(measure->GetLeftHandOffset(), -10 * h) << c.kind;
        EXPECT_EQ(measure->FrameDirty(), 0);
        CRect frame;
        measure->SetPosition(100, -50);
        measure->GetFrame(&frame, 0);
        EXPECT_EQ(frame, CRect(100, -50, 600, -50 - c.height * h)) << c.kind;
    }
}

// ---- staff positions --------------------------------------------------------------------

TEST(MeasurePositionTest, StaffPositionUnderY) {
    MusicFontScope font(NOTEHEAD);
    const int h = H();
    const int q = h / 2;   // half a space: one staff position
    const UINT any = DCctMeasure::VOICE_BY_POSITION;
    const struct {
        int kind;
        UINT voice;
        int dy;   // from the measure's top line
        int line;
        UINT voiceAfter;
        int lower;
    } cases[] = {
        {0, any, 0, 0, 0, 0},
        {0, any, -h, -2, 0, 0},
        {0, 3, 3 * h, 6, 3, 0},
        {0, any, -q / 2, -1, 0, 0},         // a quarter space below the line: away from it
        {0, any, q / 2, 1, 0, 0},
        {0, any, -q / 2 + 1, 0, 0, 0},      // just less: the line
        {1, any, -7 * h - 1, 6, 4, 1},      // just below half the grand staff: lower staff
        {1, any, -7 * h, -14, 0, 0},        // at half: still the upper
        {1, 5, -10 * h, 0, 5, 1},
        {1, 2, -10 * h, -20, 2, 0},
        {1, 6, -12 * h - q / 2, -5, 6, 1},
    };
    for (const auto& c : cases) {
        Score score(c.kind, 1);
        DCctMeasure* measure = score.Display(1);
        measure->SetSize(nullptr);
        measure->SetPosition(0, 300);
        UINT voice = c.voice;
        BYTE lower = 0;
        EXPECT_EQ(measure->GetStaffLineForYPosition(300 + c.dy, voice, lower), c.line) << c.kind << " " << c.dy;
        EXPECT_EQ(voice, c.voiceAfter) << c.kind << " " << c.dy;
        EXPECT_EQ(lower, c.lower) << c.kind << " " << c.dy;
    }
}

TEST(MeasurePositionTest, AFontWithoutHalfSpacesGivesTheTopLine) {
    MusicFontScope font(1);
    ASSERT_LT(H() / 2, 1);
    DCctMeasure measure;
    UINT voice = 0;
    BYTE lower = 0;
    EXPECT_EQ(measure.GetStaffLineForYPosition(-7, voice, lower), 0);   // no division by zero
}

TEST(MeasurePositionTest, PitchHeightByClefCode) {
    MusicFontScope font(NOTEHEAD);
    const int h = H();
    const struct {
        int kind, voice;
        BYTE clef, pitch;
        int y;   // in half-spaces
    } cases[] = {
        {0, 0, 0, 77, 0},  {0, 0, 0, 81, 2},   {0, 0, 0, 64, -8}, {0, 0, 3, 57, 0},
        {0, 0, 3, 43, -8}, {0, 0, 12, 77, 0},  // no clef: read as treble
        {0, 0, 9, 30, 0},  {1, 5, 3, 57, -20}, // the lower staff of a grand staff
        {1, 2, 0, 77, 0},
    };
    for (const auto& c : cases) {
        Score score(c.kind, 1);
        DCctMeasure* measure = score.Display(1);
        MCPitch pitch(c.pitch, 0);
        EXPECT_EQ(measure->GetYPositionForPitch(pitch, c.voice, c.clef), c.y * h / 2)
            << int(c.clef) << " " << int(c.pitch);
    }
}

TEST(MeasurePositionTest, PitchUnderAPointTakesTheClefOfItsMeasure) {
    MusicFontScope font(NOTEHEAD);
    LinksScope links;
    const int h = H();
    Score score(0, 2);
    score.AddClef(1, 0, 0);
    score.AddClef(2, 3, 0);
    score.ColumnDisplay(1);
    score.ColumnDisplay(2);
    for (int number : {1, 2}) {
        DCctMeasure* measure = score.Display(number);
        measure->SetSize(nullptr);
        measure->SetPosition(0, 0);
        UINT voice = DCctMeasure::VOICE_BY_POSITION;
        // Two positions above the top line.
        EXPECT_EQ(measure->GetMidiPitchForYPosition(CPoint(10, h), voice), number == 1 ? 79 : 59) << number;
    }

    // Without the conductor measure's display nothing is known.
    Score bare(0, 1);
    bare.AddClef(1, 0, 0);
    UINT voice = 0;
    EXPECT_EQ(bare.Display(1)->GetMidiPitchForYPosition(CPoint(10, h), voice), 0);
}

// ---- rests --------------------------------------------------------------------------

TEST(MeasureRestTest, SlotsByVoiceTable) {
    MusicFontScope font(NOTEHEAD);
    const int h = H();
    const int low = -10;   // the lower staff, in spaces
    const struct {
        int kind;
        Voices table;
        int voice, whole;
        int y;   // in spaces
    } cases[] = {
        {0, {0}, 0, 0, -2},
        {0, {0, 3}, 3, 0, -6},
        {0, {0, 3}, 0, 0, 1},
        {0, {0, 1, 2}, 1, 0, -2},
        {0, {0, 1, 2, 3, 4}, 4, 0, -6},
        {0, {0, 3}, 1, 0, 0},            // not in the table
        {0, {0, 3}, 1, 1, -2},           // a whole-measure rest: the middle line
        {0, {0, 1, 2, 3, 4, 5, 6, 7, 15}, 15, 0, -6},   // beyond eight: the last slot
        {1, {2}, 2, 0, -2},              // one entry: the middle line
        {1, {0, 4}, 4, 0, -2 + low},
        {1, {0, 4}, 5, 1, -2 + low},
        {1, {0, 4, 5}, 5, 0, -6 + low},
        {1, {0, 1, 4}, 1, 0, -6},
        {1, {0, 1, 4}, 4, 0, -2 + low},
        {1, {0, 4, 5, 6}, 0, 0, -2},
        {1, {0, 1, 4, 5}, 5, 0, -2 + low},
        {1, {0, 1, 2, 4}, 2, 0, 1},
        {1, {0, 1, 2, 4, 5}, 5, 0, -2 + low},
        {1, {0, 1, 4, 5, 6}, 4, 0, 1 + low},
        {1, {0, 1, 2, 3, 4, 5, 6, 7, 15}, 15, 0, -6 + low},
    };
    for (const auto& c : cases) {
        Score score(c.kind, 1);
        DCctMeasure* measure = score.Display(1);
        measure->GetVoiceTable() = c.table;
        EXPECT_EQ(measure->GetYPositionForRest(c.voice, c.whole), c.y * h)
            << c.kind << " voices " << c.table.size() << " voice " << c.voice;
    }
}

// ---- ledger lines -----------------------------------------------------------------------

TEST(MeasureLedgerTest, CountsAndPlaces) {
    MusicFontScope font(NOTEHEAD);
    LinksScope links;
    MCMusicFont& music = MCMusicFont::GetMusicFont();
    const int h = H();
    const struct {
        int kind, clef, hand, voice;
        BYTE pitch;
        int count;
        int first;   // y of the first line, in spaces from the top line
    } cases[] = {
        {0, 0, 0, 0, 81, 1, 1},     // two steps above the top line
        {0, 0, 0, 0, 79, 0, 0},     // one step: none
        {0, 0, 0, 0, 84, 2, 1},
        {0, 0, 0, 0, 60, 1, -5},    // middle C
        {0, 0, 0, 0, 62, 0, 0},
        {0, 0, 0, 0, 57, 2, -5},
        {0, 3, 0, 0, 40, 1, -5},    // bass clef
        {1, 3, 1, 4, 40, 1, -15},   // the lower staff of a grand staff
        {1, 3, 1, 5, 60, 1, -9},    // above it
        {1, 0, 0, 2, 60, 1, -5},    // below the upper staff
    };
    for (const auto& c : cases) {
        Score score(c.kind, 1);
        score.AddClef(1, static_cast<unsigned char>(c.clef), static_cast<unsigned char>(c.hand));
        DCctMeasure* measure = score.Display(1);
        measure->SetSize(nullptr);
        measure->SetPosition(0, 0);
        std::vector<MCLine> lines(5);
        MCTime time = *score.Measure(1)->GetTime();
        measure->GetLedgerLines(lines, c.pitch, c.voice, time);
        ASSERT_EQ(lines.size(), static_cast<size_t>(c.count)) << int(c.pitch) << " voice " << c.voice;
        const int step = c.first > 0 || c.first == -9 ? h : -h;
        for (int i = 0; i < c.count; ++i) {
            // x, y, length, thickness
            EXPECT_EQ(lines[i].Top(), CPoint(0, c.first * h + i * step)) << int(c.pitch) << " " << i;
            EXPECT_EQ(lines[i].Bottom(),
                      CPoint(music.GetNoteheadWidth(FONT_CURRENT) * 3 / 2, music.GetStemWidth(FONT_CURRENT)));
        }
    }
}

TEST(MeasureLedgerTest, NoStaffOrNoClefLeavesTheLinesAlone) {
    MusicFontScope font(NOTEHEAD);
    LinksScope links;
    const std::vector<MCLine> before = {MCLine(1, 2, 3, 4)};
    MCTime time;

    DCctMeasure alone;
    std::vector<MCLine> lines = before;
    alone.GetLedgerLines(lines, 90, 0, time);
    EXPECT_EQ(lines, before);

    Score score(0, 1);   // a staff without a clef
    lines = before;
    score.Display(1)->GetLedgerLines(lines, 90, 0, time);
    EXPECT_EQ(lines, before);
}

// ---- voices -------------------------------------------------------------------------

TEST(MeasureVoiceTest, CreateAndAppend) {
    const struct {
        int kind;
        Voices existing;
        std::initializer_list<int> voices;
        Voices table;
    } cases[] = {
        {1, {}, {2}, {2, 4}},             // each staff of the pair gets a voice
        {1, {}, {5, 5}, {0, 5}},
        {1, {}, {}, {0, 4}},
        {3, {}, {4, 6}, {0, 1}},          // percussion: always the two drum voices
        {3, {0, 1}, {5}, {0, 1}},
        {3, {2}, {5}, {0, 1}},
        {0, {}, {3, 1, 1}, {1, 3}},
        {0, {}, {}, {0}},
        {0, {}, {9, 15}, {0}},            // no voice 0-7 among them
        {0, {0, 3}, {7, 3, 15}, {0, 3, 7, 15}},   // appended unsorted, 15 as well
        {0, {4}, {}, {4}},                // an empty list changes nothing
    };
    for (const auto& c : cases) {
        NoteList notes(c.voices);
        DCctMeasure measure;
        if (c.existing.empty()) {
            measure.CreateVoiceTable(notes.list, c.kind);
            EXPECT_EQ(measure.GetVoiceTable(), c.table) << "create " << c.kind;
        }
        measure.GetVoiceTable() = c.existing;
        measure.AddToVoiceTable(notes.list, c.kind);
        EXPECT_EQ(measure.GetVoiceTable(), c.existing.empty() && c.voices.size() == 0 ? Voices{} : c.table)
            << "append " << c.kind;
    }
}

TEST(MeasureVoiceTest, CountedFromTheNotesBelowAndSingleVoiceByHalf) {
    Score score(1, 1);
    ECMeasure* owner = score.Measure(1);
    for (int voice : {6, 1}) {
        auto* note = new ECNote;
        note->SetVoiceTrack(voice, 1);
        note->SetTime(owner->GetTime());
        owner->AddChild(note, 1);
    }
    DCctMeasure* measure = score.Display(1);
    EXPECT_EQ(measure->GetNumberOfVoices(), 2);
    EXPECT_EQ(measure->GetVoiceTable(), (Voices{1, 6}));

    const struct {
        Voices table;
        int lower, single;
    } cases[] = {
        {{}, 0, 1}, {{0, 4}, 0, 1}, {{0, 4}, 1, 1}, {{0, 1, 4}, 0, 0}, {{0, 1, 4}, 1, 1}, {{0, 4, 7}, 1, 0},
    };
    for (const auto& c : cases) {
        measure->GetVoiceTable() = c.table;
        EXPECT_EQ(measure->IsSingleVoice(c.lower), c.single) << c.table.size() << " " << c.lower;
    }
    DCctMeasure plain;   // no staff: one-staff rules
    plain.GetVoiceTable() = {0, 4};
    EXPECT_EQ(plain.IsSingleVoice(0), 0);
}

TEST(MeasureVoiceTest, ClefOfAVoicesHalf) {
    Score score(1, 1);
    ECClef* upper = score.AddClef(1, 0, 0);
    ECClef* lower = score.AddClef(1, 3, 1);
    DCctMeasure* measure = score.Display(1);
    MCEventList clefs;
    clefs.AddEvent(lower, 0);
    clefs.AddEvent(upper, 0);
    EXPECT_EQ(measure->GetClef(2, clefs), upper);
    EXPECT_EQ(measure->GetClef(5, clefs), lower);
    MCEventList none;
    none.AddEvent(upper, 0);
    EXPECT_EQ(measure->GetClef(5, none), nullptr);
}

// ---- placing --------------------------------------------------------------------------

TEST(MeasurePlaceTest, AtTheConductorMeasuresXAndItsStaffY) {
    LinksScope links;
    Score score(0, 2);
    StandInColumn* column = score.ColumnDisplay(2);
    column->SetPosition(700, 40);
    DCctMeasure* measure = score.Display(2);
    EXPECT_EQ(measure->Position(nullptr, nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(measure->GetPosition(), CPoint(700, 0));
    // No display for the first conductor measure: not placed.
    DCctMeasure* first = score.Display(1);
    first->SetPosition(5, 5);
    EXPECT_EQ(first->Position(nullptr, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(first->GetPosition(), CPoint(5, 5));
}

// What the mirror's display was given.
struct MirrorData {
    DCBase* mirror = nullptr;
    DCBase* shown = nullptr;
    int location = -1, prolog = -1;
};
MirrorData s_mirrorData;

TEST(MeasureMirrorTest, AMirrorOfTheEventJoinsTheMeasure) {
    LinksScope links;
    GetMeasureLinks().setMirrorData = [](DCBase* mirror, DCBase* shown, int location, int prolog) {
        s_mirrorData = {mirror, shown, location, prolog};
    };
    Score score(0, 2);
    ECClef* clef = score.AddClef(1, 0, 0);
    DCBase* clefDisplay = nullptr;
    {
        RegistryCell cell(ET_CLEF, RUNTIME_CLASS(StandInColumn));
        clefDisplay = clef->GetData(DK_NOTATION, 1);
    }
    RegistryCell cell(ET_MIRROR, RUNTIME_CLASS(StandInColumn));
    score.Display(2)->AddMirror(clef, 0, 1);

    ECMeasure* second = score.Measure(2);
    const POSITION pos = second->GetChildren()->FindEvent(ET_MIRROR);
    ASSERT_NE(pos, nullptr);
    auto* mirror = static_cast<ECMirror*>(second->GetChildren()->GetAt(pos));
    EXPECT_EQ(mirror->GetMirrorEvent(), clef);
    EXPECT_EQ(*mirror->GetTime(), *second->GetTime());
    EXPECT_NE(clef->GetMirrors()->FindEvent(ET_MIRROR), nullptr);
    EXPECT_EQ(s_mirrorData.mirror, mirror->GetData(DK_NOTATION, 0));
    EXPECT_EQ(s_mirrorData.shown, clefDisplay);
    EXPECT_EQ(s_mirrorData.location, 0);
    EXPECT_EQ(s_mirrorData.prolog, 1);

    // Outside a performance nothing is added.
    DCctMeasure alone;
    alone.AddMirror(clef, 0, 1);
}

TEST(MeasureRecordTest, TheTableGivesTheMeasureDisplay) {
    notation_test::StartPlugin();
    EXPECT_EQ(CPluginData::GetDataClass(DK_NOTATION, ET_MEASURE), RUNTIME_CLASS(DCctMeasure));
}

// ---- inside a native document ------------------------------------------------------

struct MeasureDocumentTest : ::testing::Test, doc_support::DocumentParts {
    file_test::TempFolder folder;
    CPromptScript prompts;
    CPromptHandler* previousPrompts = SetPromptHandler(&prompts);
    MeasureDocumentTest() { notation_test::StartPlugin(); }
    ~MeasureDocumentTest() override { SetPromptHandler(previousPrompts); }
};

TEST_F(MeasureDocumentTest, VoiceTablesComeBackWithTheDocument) {
    std::unique_ptr<MCOpusDoc> source = MakeDocument();
    ECConductor* conductor = source->CreatePerformance(1)->GetConductor();
    ASSERT_NE(conductor, nullptr);
    ASSERT_NE(conductor->GetTrack(TRACK_STAFF, 1, 1), nullptr);
    ECMeasure* measure = conductor->GetMeasure(1, MCTime(0.0f), 1, 1);
    ASSERT_NE(measure, nullptr);
    auto* display = dynamic_cast<DCctMeasure*>(measure->GetData(DK_NOTATION, 1));
    ASSERT_NE(display, nullptr);
    display->GetVoiceTable() = {0, 3, 6};
    display->SetPosition(40, -80);
    source->GetHeader()->SetFormat(DF_NATIVE);
    const std::string path = folder.File("measure.mmm");
    ASSERT_TRUE(source->OnSaveDocument(path.c_str()));
    source->OnCloseDocument();

    std::unique_ptr<MCOpusDoc> reopened = MakeDocument();
    ASSERT_TRUE(reopened->OnOpenDocument(path.c_str())) << prompts.GetLast().text;
    int found = 0;
    for (ECBase* event : doc_support::FindEvents(reopened->GetBaseEvent(), ET_MEASURE)) {
        auto* loaded = dynamic_cast<DCctMeasure*>(event->GetData(DK_NOTATION, 0));
        if (!loaded || event->GetClassType() != ET_MEASURE)
            continue;
        ++found;
        EXPECT_EQ(loaded->GetVoiceTable(), (Voices{0, 3, 6}));
        EXPECT_EQ(loaded->GetPosition(), CPoint(40, -80));
        EXPECT_EQ(loaded->FrameDirty(), 1);
    }
    EXPECT_EQ(found, 1);
    reopened->OnCloseDocument();
}

}  // namespace
