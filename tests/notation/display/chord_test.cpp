// notation/display/chord.cpp and chordlayout.cpp: how a chord's notes stand
// together (heads, accidental columns, dots, ties, the shared stem) and what
// the chord answers from its notes.
#include "tests/notation/display/chord_support.h"

#include "model/conductor.h"
#include "model/groupmarks.h"
#include "model/measure.h"
#include "model/meter.h"
#include "model/staff.h"
#include "notation/display/beam.h"
#include "notation/layout/pitchutils.h"
#include "notation/layout/ruler.h"
#include "notation/tools/tie.h"
#include "platform/core/archive.h"
#include "sequencer/performers.h"
#include "tests/notation/display/structure_support.h"

#include <algorithm>

#include <string>

namespace {

using namespace chord_test;

using ChordTest = ChordFixture;

// ---- notehead sides ------------------------------------------------------------------------

TEST_F(ChordTest, SecondsStepAsideOnTheFarSideOfTheStem) {
    const struct {
        const char* name;
        std::vector<int> keys;   // child order
        int stem;
        std::vector<int> positions;   // per child
    } cases[] = {
        {"stem-up C-D-E", {60, 62, 64}, UP, {0, 2, 0}},
        {"stem-down E-D-C", {64, 62, 60}, DOWN, {0, 1, 0}},
        {"stem-up triad, no second", {60, 64, 67}, UP, {0, 0, 0}},
        {"stem-up C-D-E-F run", {60, 62, 64, 65}, UP, {0, 2, 0, 2}},
        {"stem-down C-D, child order low first", {60, 62}, DOWN, {1, 0}},
        {"stem-up second above a third", {60, 64, 65}, UP, {0, 0, 2}},
    };
    for (const auto& c : cases) {
        DCctChord* display = AddChord(c.keys, c.stem);
        display->Assemble();
        for (size_t i = 0; i < c.positions.size(); ++i)
            EXPECT_EQ(Note(i)->GetNoteheadPosition(), c.positions[i]) << c.name << " note " << i;
        EXPECT_EQ(display->IsDirty(), 0) << c.name;
        EXPECT_EQ(display->GetWidth(), (c.positions == std::vector<int>(c.positions.size(), 0) ? 1 : 2) * W())
            << c.name;
    }
}

TEST_F(ChordTest, ALoneNoteKeepsItsHeadAndDot) {
    score.AddClef(1, 0, 0);
    DCctChord* lone = AddChord({60});
    DCctDot* dot = AddDot(0);
    dot->SetPosition(5, 7);
    Note(0)->SetNoteheadPosition(2);
    lone->Assemble();
    EXPECT_EQ(Note(0)->GetNoteheadPosition(), 2);
    EXPECT_EQ(lone->Position(nullptr, nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(dot->GetPosition(), CPoint(5, 7));
}

// ---- accidental columns ------------------------------------------------------------------------

// The stored offset a column gives an accidental of a note at `position`.
int StoredFor(int column, int position, int h, int w) {
    if (position == 2)
        column -= w;
    else if (position == 1)
        column += w;
    const int tenths = column / (h / 10);
    return tenths * h / 10;
}

int StepOf(DCctAccidental* accidental, int h) {
    accidental->SetSize(nullptr);
    return accidental->GetWidth() + h / 2;
}

TEST_F(ChordTest, AccidentalsASeventhApartShareOneColumn) {
    DCctChord* display = AddChord({60, 71}, UP);   // C4 and B4
    DCctAccidental* low = AddAccidental(0, SHARP);
    DCctAccidental* high = AddAccidental(1, FLAT);
    display->Assemble();
    EXPECT_EQ(low->GetStoredOffset().cx, 0);
    EXPECT_EQ(high->GetStoredOffset().cx, 0);
}

TEST_F(ChordTest, AccidentalsOnASecondTheUpperNearest) {
    const int h = H();
    const int w = W();
    for (int stem : {UP, DOWN}) {
        DCctChord* display = AddChord({64, 65}, stem);   // E4, F4
        DCctAccidental* low = AddAccidental(0, FLAT);
        DCctAccidental* high = AddAccidental(1, SHARP);
        display->Assemble();
        // Left of a down stem the lower head stands aside: the columns start
        // one head further left.
        const int start = stem == DOWN ? -w : 0;
        const int upperPosition = Note(1)->GetNoteheadPosition();
        const int lowerPosition = Note(0)->GetNoteheadPosition();
        EXPECT_EQ(upperPosition, stem == UP ? 2 : 0);
        EXPECT_EQ(lowerPosition, stem == UP ? 0 : 1);
        EXPECT_EQ(high->GetStoredOffset().cx, StoredFor(start, upperPosition, h, w)) << stem;
        EXPECT_EQ(low->GetStoredOffset().cx, StoredFor(start - StepOf(high, h), lowerPosition, h, w)) << stem;
    }
}

TEST_F(ChordTest, AFarLowAccidentalSharesTheHighestOnesColumn) {
    const int h = H();
    const int w = W();
    // C4, F4, B4: C4 is a seventh below B4, F4 within a sixth.
    DCctChord* display = AddChord({60, 65, 71}, UP);
    DCctAccidental* low = AddAccidental(0, SHARP);
    DCctAccidental* middle = AddAccidental(1, SHARP);
    DCctAccidental* high = AddAccidental(2, SHARP);
    display->Assemble();
    EXPECT_EQ(high->GetStoredOffset().cx, 0);
    EXPECT_EQ(low->GetStoredOffset().cx, 0);
    // The middle one stands alone in the next column, past the low one.
    EXPECT_EQ(middle->GetStoredOffset().cx, StoredFor(-StepOf(low, h), 0, h, w));
}

TEST_F(ChordTest, HiddenAccidentalsTakeNoColumn) {
    const int h = H();
    const int w = W();
    DCctChord* display = AddChord({60, 64, 67}, UP);   // C4 E4 G4
    DCctAccidental* low = AddAccidental(0, SHARP);
    DCctAccidental* hidden = AddAccidental(1, SHARP);
    DCctAccidental* high = AddAccidental(2, SHARP);
    hidden->SetHidden(1);
    display->Assemble();
    EXPECT_EQ(hidden->GetStoredOffset().cx, 0);
    EXPECT_EQ(high->GetStoredOffset().cx, 0);
    // C4 is within a sixth of G4: it takes the next column.
    EXPECT_EQ(low->GetStoredOffset().cx, StoredFor(-StepOf(high, h), 0, h, w));
}

// ---- top, bottom, anchor ------------------------------------------------------------------------------

// A beam reads a chord member through the note that carries the stem.
TEST_F(ChordTest, ABeamReadsAChordThroughItsAnchorNote) {
    DCctChord* display = AddChord({60, 67}, UP);
    ASSERT_NE(display->GetAnchorNote(), nullptr);
    EXPECT_EQ(DCctBeam::FindAnchorNote(display->GetOwner()), display->GetAnchorNote());
    display->SetStemDirection(DOWN, 0);
    EXPECT_EQ(DCctBeam::FindAnchorNote(display->GetOwner()), display->GetAnchorNote());
}


TEST_F(ChordTest, TopAndBottomBySpellingFirstOfEqualsWins) {
    DCctChord* display = AddChord({67, 60, 72, 60, 72}, UP);
    EXPECT_EQ(display->GetTopNote(), Note(2));
    EXPECT_EQ(display->GetBottomNote(), Note(1));
    EXPECT_EQ(display->GetAnchorNote(), Note(1));   // stem up: the bottom note
    EXPECT_EQ(display->GetSpelling().GetMidiPitch(), 72);   // the stem's free end

    // Dirty: found again after the notes changed.
    MCPitch higher = note_test::Pitch(76);
    Note(0)->SetPitch(higher);
    display->SetDirty(1);
    EXPECT_EQ(display->GetTopNote(), Note(0));
}

TEST_F(ChordTest, ANoteThatLeftACleanChordIsNeverItsTopNote) {
    DCctChord* display = AddChord({60, 64, 67}, UP);
    display->Assemble();
    ASSERT_EQ(display->IsDirty(), 0);
    ASSERT_EQ(display->GetTopNote(), Note(2));
    chord->RemoveChild(notes[2], 0);   // released: the note is gone
    notes.pop_back();
    EXPECT_EQ(display->GetTopNote(), Note(1));
    EXPECT_EQ(display->GetBottomNote(), Note(0));
}

// Registers the performer data class of notes while it lives.
class PerformerCell {
public:
    PerformerCell() : m_cell(CPluginData::GetDataClass(DK_SEQUENCER, ET_NOTE)), m_saved(m_cell) {
        m_cell = RUNTIME_CLASS(DCsqNote);
    }
    ~PerformerCell() { m_cell = m_saved; }
    PerformerCell(const PerformerCell&) = delete;
    PerformerCell& operator=(const PerformerCell&) = delete;

private:
    const CRuntimeClass*& m_cell;
    const CRuntimeClass* m_saved;
};

TEST_F(ChordTest, UnspelledNotesCompareByKeyAContinuationByItsTieHead) {
    PerformerCell performers;
    DCctChord* display = AddChord({0, 0, 0}, UP);
    // Not spelled yet: the first note's spelling is dirty.
    for (size_t i = 0; i < notes.size(); ++i) {
        MCPitch unspelled;
        Note(i)->SetPitch(unspelled);
    }
    const int keys[] = {64, 70};
    for (size_t i = 0; i < 2; ++i) {
        auto* played = dynamic_cast<DCsqNote*>(notes[i]->GetData(DK_SEQUENCER, 1));
        played->GetMidiData().SetStatusByte(0x90);
        played->GetMidiData().SetDataByte1(static_cast<unsigned char>(keys[i]));
    }
    // The third note continues a note tied from earlier: it has no performer
    // data and counts by its head's spelling.
    auto* head = new ECNote(MCTime(-1.0f), MCTime(1.0f));
    head->SetVoiceTrack(0, 1);
    score.Measure(1)->AddChild(head, 1);
    MCPitch headPitch = note_test::Pitch(55);
    NoteOf(head)->SetPitch(headPitch);
    auto* tie = new ECTie;
    tie->SetTime(head->GetTime());
    score.staff->AddChild(tie, 1);
    tie->AddChild(head, 1);
    tie->AddChild(notes[2], 1);

    EXPECT_EQ(display->GetTopNote(), Note(1));
    EXPECT_EQ(display->GetBottomNote(), Note(2));
}

TEST_F(ChordTest, OneNoteIsTopBottomAndAnchor) {
    DCctChord* display = AddChord({64}, DOWN);
    EXPECT_EQ(display->GetTopNote(), Note(0));
    EXPECT_EQ(display->GetBottomNote(), Note(0));
    EXPECT_EQ(display->GetAnchorNote(), Note(0));
}

TEST_F(ChordTest, WithoutNotesTheNeutralAnswers) {
    chord = new ECChord;
    chord->SetVoiceTrack(0, 1);
    score.Measure(1)->AddChild(chord, 1);
    DCctChord* display = Chord();
    EXPECT_EQ(display->GetTopNote(), nullptr);
    EXPECT_EQ(display->GetAnchorNote(), nullptr);
    EXPECT_EQ(display->GetValue(), 256);
    EXPECT_EQ(display->GetTickStart(1), 0);
    EXPECT_EQ(display->GetTickDuration(1), 256);
    EXPECT_EQ(display->GetStemHeight(), 0);
    EXPECT_EQ(display->GetStemPosition(), CPoint(0, 0));
    EXPECT_EQ(display->IsStemHidden(), 1);
    EXPECT_EQ(display->GetStemLength(), 0);
    EXPECT_EQ(display->GetNoteX(), 0);
    display->Assemble();
    display->SetTieDirectionByPitch(note_test::AsClef(treble));
}

// ---- the shared stem ---------------------------------------------------------------------------

TEST_F(ChordTest, OnlyTheAnchorShowsTheStem) {
    DCctChord* display = AddChord({60, 64, 67}, UP);
    EXPECT_EQ(Note(0)->IsStemHidden(), 0);
    EXPECT_EQ(Note(1)->IsStemHidden(), 1);
    EXPECT_EQ(Note(2)->IsStemHidden(), 1);
    EXPECT_EQ(Note(0)->GetStemSide(), 1);

    display->SetStemDirection(DOWN, 0);
    EXPECT_EQ(display->GetAnchorNote(), Note(2));
    EXPECT_EQ(display->GetStemDirection(), DOWN);
    EXPECT_EQ(Note(0)->IsStemHidden(), 1);
    EXPECT_EQ(Note(2)->IsStemHidden(), 0);
    for (size_t i = 0; i < notes.size(); ++i) {
        EXPECT_EQ(Note(i)->GetStemDirection(), DOWN) << i;
        EXPECT_EQ(Note(i)->GetStemSide(), 0) << i;
    }
    EXPECT_EQ(display->GetSpelling().GetMidiPitch(), 60);   // the free end, below
    EXPECT_EQ(display->IsStemHidden(), 0);
    display->HideStem(1, 0);
    EXPECT_EQ(display->IsStemHidden(), 1);
}

TEST_F(ChordTest, StemDirectionByPitch) {
    const struct {
        const char* name;
        std::vector<int> keys;
        int stem;
    } cases[] = {
        {"C4 E4 G4", {60, 64, 67}, UP},
        {"C5 E5 G5", {72, 76, 79}, DOWN},
        {"A4 D5: D5 is farther from B4", {69, 74}, DOWN},
        {"G4 D5: equally far", {67, 74}, DOWN},
        {"F4 C5: F4 is farther", {65, 72}, UP},
        {"B4 C5 D5 with B4 on the line", {71, 72, 74}, DOWN},
    };
    for (const auto& c : cases) {
        DCctChord* display = AddChord(c.keys, 1 - c.stem);
        display->SetStemDirectionByPitch(note_test::AsClef(treble));
        EXPECT_EQ(display->GetStemDirection(), c.stem) << c.name;
    }
}

TEST_F(ChordTest, StemDirectionByVoiceAndOverrides) {
    DCctChord* display = AddChord({60, 64}, UP);
    chord->SetVoiceTrack(1, 1);
    display->SetStemDirectionByVoice();
    EXPECT_EQ(display->GetStemDirection(), DOWN);

    // The user's direction survives an automatic one.
    display->SetStemDirection(UP, 1);
    display->SetStemDirectionOverride(1);
    EXPECT_EQ(Note(0)->IsStemDirectionOverride(), 1);
    display->SetStemDirectionByVoice();
    EXPECT_EQ(display->GetStemDirection(), UP);
}

TEST_F(ChordTest, StemLengthCountsBeyondTheFarNote) {
    DCctChord* display = AddChord({60, 67}, UP);   // C4 to G4: four steps
    display->SetStemLength(7, 0, 0);
    EXPECT_EQ(Note(0)->GetStemLength(), 11);
    EXPECT_EQ(Note(1)->GetStemLength(), 11);
    EXPECT_EQ(display->GetStemLength(), 7);
}

TEST_F(ChordTest, FlagsAndLedgerLinesReachEveryNote) {
    DCctChord* display = AddChord({60, 64}, UP);
    EXPECT_EQ(display->GetFlag(), 0);
    Note(1)->SetFlag(1);
    EXPECT_EQ(display->GetFlag(), 1);
    display->SetFlag(0);
    EXPECT_EQ(Note(1)->GetFlag(), 0);
}

// ---- widths ----------------------------------------------------------------------------------

TEST_F(ChordTest, WidthsOfHeadsSetAside) {
    const int w = W();
    DCctChord* display = AddChord({60, 62}, UP);
    display->Assemble();
    EXPECT_EQ(display->GetTotalWidthRight(), 2 * w);
    EXPECT_EQ(display->GetTotalWidth(), display->GetTotalWidthLeft() + display->GetTotalWidthRight());

    DCctChord* down = AddChord({62, 60}, DOWN);
    down->Assemble();
    EXPECT_EQ(Note(1)->GetNoteheadPosition(), 1);
    EXPECT_EQ(down->GetTotalWidthLeft(), Note(1)->GetTotalWidthLeft() + w);
    EXPECT_EQ(down->GetTotalWidthRight(), std::max(w, static_cast<int>(Note(0)->GetTotalWidthRight())));
}

// ---- ties ---------------------------------------------------------------------------------------

TEST_F(ChordTest, TieDirectionsByPitch) {
    constexpr int O = DCctChord::TIE_OVER;
    constexpr int U = DCctChord::TIE_UNDER;
    const struct {
        const char* name;
        std::vector<int> keys;   // child order
        std::vector<int> ties;   // per child
    } cases[] = {
        {"two notes, high first", {72, 60}, {O, U}},
        {"two notes below the middle line", {60, 64}, {U, O}},
        {"one note above the middle line", {74}, {O}},
        {"one note below it", {62}, {U}},
        {"odd, no second: inner below the line", {60, 67, 74}, {U, U, O}},
        {"odd, no second: inner above the line", {60, 74, 79}, {U, O, O}},
        {"even, no second", {60, 64, 67, 72}, {U, U, O, O}},
        {"one second", {60, 62, 67}, {U, O, O}},
        {"one second on top", {60, 64, 65}, {U, U, O}},
        {"two seconds below the line", {60, 62, 64}, {U, O, O}},
        {"three seconds across the line", {69, 71, 72, 74}, {U, U, U, O}},
    };
    for (const auto& c : cases) {
        DCctChord* display = AddChord(c.keys);
        // Start every note the other way, so that each one set shows.
        for (size_t i = 0; i < notes.size(); ++i)
            Note(i)->SetTieDirection(1 - c.ties[i]);
        display->SetTieDirectionByPitch(note_test::AsClef(treble));
        for (size_t i = 0; i < c.ties.size(); ++i)
            EXPECT_EQ(Note(i)->GetTieDirection(), c.ties[i]) << c.name << " note " << i;
    }
}

TEST_F(ChordTest, AUnisonOfTwoTiesApart) {
    DCctChord* display = AddChord({64, 64});
    Note(0)->SetTieDirection(0);
    Note(1)->SetTieDirection(1);
    display->SetTieDirectionByPitch(note_test::AsClef(treble));
    EXPECT_EQ(Note(0)->GetTieDirection(), DCctChord::TIE_UNDER);
    EXPECT_EQ(Note(1)->GetTieDirection(), DCctChord::TIE_OVER);
}

// ---- dots, through Position ---------------------------------------------------------------------

TEST_F(ChordTest, DotsStayInOneColumnAndOffTheLines) {
    score.AddClef(1, 0, 0);
    const int h = H();
    const int w = W();
    // G4 (line), A4 (space), B4 (line), stem up: A4 steps right.
    DCctChord* display = AddChord({67, 69, 71}, UP);
    DCctDot* g = AddDot(0);
    DCctDot* a = AddDot(1);
    DCctDot* b = AddDot(2);
    display->Assemble();
    ASSERT_EQ(Note(1)->GetNoteheadPosition(), 2);
    ASSERT_EQ(display->Position(nullptr, nullptr, nullptr, nullptr), 1);
    // The top note's dot goes above its line; the lower line note's below,
    // as the space above it is taken; the note set aside pulls its dot back
    // one column so that all three line up.
    EXPECT_EQ(b->GetY(), h / 2);
    EXPECT_EQ(a->GetY(), 0);
    EXPECT_EQ(g->GetY(), -h / 2);
    EXPECT_EQ(b->GetX(), h + 2 * w);
    EXPECT_EQ(a->GetX(), h + w);
    EXPECT_EQ(g->GetX(), h + 2 * w);
    EXPECT_EQ(b->PositionDirty(), 0);
}

TEST_F(ChordTest, PositionWithoutAClefChangesNothing) {
    DCctChord* display = AddChord({67, 71}, UP);
    DCctDot* dot = AddDot(0);
    dot->SetPosition(5, 7);
    EXPECT_EQ(display->Position(nullptr, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(dot->GetPosition(), CPoint(5, 7));
}

TEST_F(ChordTest, DrawsNothingAndSizesToItsNotes) {
    DCctChord* display = AddChord({60, 67}, UP);
    Note(0)->SetPosition(100, 0);
    Note(1)->SetPosition(100, 2 * H());
    for (size_t i = 0; i < notes.size(); ++i)
        Note(i)->SetSize(nullptr);
    DisplayCanvas canvas(8, 8, 0, 0);
    display->SetFrameDirty(1);
    EXPECT_EQ(display->Draw(&canvas.dc, CPoint(0, 0), nullptr), DCctBase::DRAW_NOTHING);
    EXPECT_EQ(display->FrameDirty(), 0);
    EXPECT_GT(display->GetMetrics().GetHeight(), static_cast<unsigned>(2 * H()));
    EXPECT_GE(display->GetMetrics().GetLeft(), 100 - W());

    // A chord is where its notes are: it cannot be moved itself.
    display->SetPosition(40, 40);
    display->SetOffset(10, 10);
    EXPECT_EQ(display->GetPosition(), CPoint(0, 0));
    EXPECT_EQ(display->GetNoteX(), 100);
}

// ---- the ruler and the orderings -----------------------------------------------------------------

TEST_F(ChordTest, OccupiesItsMarkWithItsNotesExtentsAndItsValue) {
    DCctChord* display = AddChord({60, 62}, UP);   // a second: a head right of the stem
    for (size_t i = 0; i < notes.size(); ++i) {
        Note(i)->SetValue(128, 0);
        Note(i)->SetTickStart(256);
        Note(i)->SetTickDuration(192);
        Note(i)->SetSize(nullptr);
    }
    display->Assemble();
    ECMeter meter(4, 4, 255);
    MCRuler ruler;
    ruler.CreateDivMarks(&meter, 64);
    EXPECT_EQ(ruler.UpdateRuler(chord, 0), 1);
    const MCRuler::RulerDiv& mark = ruler.GetRulerGroup()[0].marks[4];
    EXPECT_TRUE(mark.IsOccupied());
    EXPECT_EQ(mark.GetRightExtent(), 2 * W());
    EXPECT_EQ(mark.GetLeftExtent(), display->GetTotalWidthLeft());
    // The written value, not the notes' tick duration.
    EXPECT_EQ(mark.GetDurationCode(), MCRuler::ConvertDuration(128));

    EXPECT_EQ(ruler.UpdateRuler(chord, 1), 1);
    EXPECT_FALSE(mark.IsOccupied());
    EXPECT_EQ(mark.GetRightExtent(), 0);

    RegistryCell none(ET_CHORD, nullptr);
    auto* bare = new ECChord;
    score.Measure(1)->AddChild(bare, 1);
    EXPECT_EQ(ruler.UpdateRuler(bare, 0), 0);
}

TEST_F(ChordTest, OrderedByTheNoteAtTheStemsFreeEnd) {
    // A loose note E4 and two chords: C4-G4 stem up (ordered as G4) and
    // D4-A4 stem down (ordered as D4).
    auto* loose = new ECNote;
    loose->SetVoiceTrack(0, 1);
    score.Measure(1)->AddChild(loose, 1);
    MCPitch e4 = note_test::Pitch(64);
    NoteOf(loose)->SetPitch(e4);
    AddChord({60, 67}, UP);
    ECChord* up = chord;
    std::vector<ECNote*> upNotes = notes;
    AddChord({62, 69}, DOWN);
    ECChord* down = chord;
    MCEventList list;
    list.AddTail(up);
    list.AddTail(loose);
    list.AddTail(down);

    MCPitchUtils utils;
    MCEventList sorted;
    utils.Sort(list, sorted, 0, 0);
    std::vector<ECBase*> order;
    for (POSITION pos = sorted.GetHeadPosition(); pos;)
        order.push_back(sorted.GetNext(pos));
    EXPECT_EQ(order, (std::vector<ECBase*>{down, loose, up}));

    // The extremes by pitch count a chord's outer notes whatever its stem.
    EXPECT_EQ(utils.GetExtreme(list, 0, 0), down);   // A4 above G4
    EXPECT_EQ(utils.GetExtreme(list, 0, 1), up);     // C4 below D4

    // By height: a chord's stem end on the stem's side, else its outer
    // note. The up chord's stem ends below the down chord's top note A4;
    // the down chord's stem ends above the up chord's bottom note C4.
    const int h = H();
    NoteOf(upNotes[0])->SetPosition(0, -3 * h);   // C4, the anchor
    NoteOf(upNotes[1])->SetPosition(0, 0);
    Note(0)->SetPosition(0, -h);      // D4
    Note(1)->SetPosition(0, 2 * h);   // A4, the anchor
    auto* upChord = dynamic_cast<DCctChord*>(up->GetData(DK_NOTATION, 0));
    auto* downChord = dynamic_cast<DCctChord*>(down->GetData(DK_NOTATION, 0));
    ASSERT_LT(upChord->GetStemPosition().y, 2 * h);
    ASSERT_GT(downChord->GetStemPosition().y, -3 * h);
    MCEventList chords;
    chords.AddTail(down);
    chords.AddTail(up);
    EXPECT_EQ(utils.GetExtreme(chords, 1, 0), down);
    EXPECT_EQ(utils.GetExtreme(chords, 1, 1), up);
    utils.Sort(chords, sorted, 1, 0);
    EXPECT_EQ(sorted.GetHead(), up);
}

// ---- archive -----------------------------------------------------------------------------------

TEST_F(ChordTest, StoresOnlyTheHeadAndTakesItsNotesDataWhenLoaded) {
    DCctChord* display = AddChord({60, 64}, UP);
    Note(0)->SetBase(128, 256);
    Note(0)->SetValue(128, 0);
    // The same head with the same owner: nothing follows it.
    DCctBase head;
    head.SetOwner(chord);
    EXPECT_EQ(StoreBytes(display).size(), StoreBytes(&head).size());
    head.SetOwner(nullptr);

    // A chord read back takes its bases and its value from its first note
    // and its track from the measure.
    const std::vector<uint8_t> bytes = StoreBytes(display);
    DCctChord loaded;
    LoadBytes(&loaded, bytes);
    // The bytes name the owner: reading them made a copy of the chord and
    // its notes, which this test frees.
    ECBase* readOwner = loaded.GetOwner();
    ASSERT_NE(readOwner, nullptr);
    auto* twin = new ECChord;
    twin->SetVoiceTrack(5, 9);
    score.Measure(1)->AddChild(twin, 1);
    twin->AddChild(notes[0], 1);
    loaded.SetOwner(twin);
    CMemFile none;
    CArchive ar(&none, CArchive::load);
    loaded.PostSerialize(ar);
    EXPECT_EQ(loaded.GetBase(1), 128);
    EXPECT_EQ(loaded.GetBase(0), 256);
    EXPECT_EQ(loaded.GetValue(), 128);
    loaded.SetOwner(nullptr);
    EXPECT_EQ(twin->GetVoiceTrack()->GetVoice(), 5);
    EXPECT_EQ(twin->GetVoiceTrack()->GetTrack(), score.Measure(1)->GetVoiceTrack()->GetTrack());
    readOwner->Ref();   // its notes' parent links held it until now
    readOwner->RemoveChildren(1);
    readOwner->Unref(1);
}

}  // namespace
