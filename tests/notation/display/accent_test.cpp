// notation/display/accent.cpp, accidental.cpp and arpeggio.cpp: the glyph
// tables drawn where their boxes say, where accents and accidentals stand
// against their notes, a chord's accents shown once, and the arpeggio's
// column walked from the end its kind names.
#include "notation/display/accent.h"
#include "notation/display/arpeggio.h"

#include "tests/notation/display/chord_support.h"
#include "tests/notation/display/marks_support.h"

#include <string>

namespace {

using namespace chord_test;
using namespace marks_test;

class NoteMarksTest : public ChordFixture {
protected:
    NoteMarksTest() : m_font(NOTEHEAD) {}

    // A lone note (no chord) at the measure's start, its stem `stem` and 7
    // half-spaces long, measured.
    DCctNote* AddLoneNote(int key, int stem) {
        auto* note = new ECNote;
        note->SetVoiceTrack(0, 1);
        note->SetTime(score.Measure(1)->GetTime());
        score.Measure(1)->AddChild(note, 1);
        DCctNote* display = NoteOf(note);
        MCPitch pitch = note_test::Pitch(key);
        display->SetPitch(pitch);
        display->SetValue(256, 0);
        display->SetStemDirection(stem, 1);
        display->SetStemLength(7, 0, 1);
        display->SetSize(nullptr);
        return display;
    }
    DCctAccent* AddAccent(ECBase* parent, unsigned char type, int placement) {
        auto* accent = new ECAccent(type);
        parent->AddChild(accent, 1);
        auto* display = dynamic_cast<DCctAccent*>(accent->GetData(DK_NOTATION, 1));
        display->SetLocation(placement, 0);
        return display;
    }

    RegistryCell accentCell{ET_ACCENT, RUNTIME_CLASS(DCctAccent)};
    RegistryCell arpeggioCell{ET_ARPEGGIO, RUNTIME_CLASS(DCctArpeggio)};

private:
    MusicFontScope m_font;   // after the fixture's: the layout's default size
};

// Every accent glyph in both placements: the table's code, drawn with its
// ink where the font's box of that code says.
TEST_F(NoteMarksTest, AccentGlyphsByTypeAndPlacement) {
    const struct {
        unsigned char type;
        UINT above, below;
    } cases[] = {
        {0, 107, 107},  {1, 94, 118},   {2, 62, 62},    {3, 45, 45},    {4, 174, 39},   {5, 249, 223},
        {6, 172, 232},  {7, 144, 145},  {8, 148, 149},  {9, 143, 142},  {10, 146, 147}, {11, 248, 60},
        {12, 83, 83},   {13, 90, 90},   {14, 167, 167}, {15, 44, 44},   {30, 178, 178}, {31, 179, 179},
        {32, 246, 246}, {33, 203, 203}, {34, 182, 182}, {35, 111, 111}, {36, 111, 111}, {37, 203, 203},
        {50, 204, 204}, {51, 205, 205}, {70, 150, 150}, {71, 76, 76},   {72, 192, 192},
    };
    const CPoint at(1200, -1200);
    for (const auto& c : cases) {
        for (int below : {0, 1}) {
            ECAccent event(c.type);
            DCctAccent accent;
            accent.SetOwner(&event);
            accent.SetLocation(below, 0);
            const UINT glyph = below ? c.below : c.above;
            const std::string what = "type " + std::to_string(c.type) + (below ? " below" : " above");
            EXPECT_EQ(accent.GetFontFromType(), glyph) << what;
            TenthCanvas canvas(400, 400, 0, 0);
            EXPECT_EQ(accent.Draw(&canvas.dc, at, nullptr), 1);
            ExpectBoxNear(canvas.Ink(), GlyphBox(canvas, glyph, at), 1, what);
            accent.SetOwner(nullptr);
        }
    }
    for (unsigned char type : {16, 29, 38, 49, 52, 69, 73, 255}) {
        ECAccent event(type);
        DCctAccent accent;
        accent.SetOwner(&event);
        EXPECT_EQ(accent.GetFontFromType(), 0u) << int(type);
        accent.SetOwner(nullptr);
    }
}

TEST_F(NoteMarksTest, AccidentalGlyphsBesideAndAboveDrawWhereTheirBoxesSay) {
    const struct {
        unsigned char type;
        UINT beside, above;
    } cases[] = {
        {0, 35, 73}, {1, 98, 105}, {2, 220, 93}, {3, 186, 211}, {4, 110, 233}, {5, 97, 91},  {6, 65, 123},
        {7, 129, 93}, {8, 140, 211}, {9, 78, 210}, {10, 36, 36}, {11, 245, 245}, {12, 125, 125},
    };
    const CPoint at(1200, -1200);
    for (const auto& c : cases) {
        for (int above : {0, 1}) {
            ECAccidental event(c.type);
            DCctAccidental sign;
            sign.SetOwner(&event);
            sign.SetLocation(above, 0);
            const UINT glyph = above ? c.above : c.beside;
            const std::string what = "type " + std::to_string(c.type) + (above ? " above" : " beside");
            EXPECT_EQ(sign.GetFontFromType(), glyph) << what;
            TenthCanvas canvas(400, 400, 0, 0);
            EXPECT_EQ(sign.Draw(&canvas.dc, at, nullptr), 1);
            ExpectBoxNear(canvas.Ink(), GlyphBox(canvas, glyph, at), 1, what);
            sign.SetOwner(nullptr);
        }
    }
}

TEST_F(NoteMarksTest, ArpeggioGlyphByKind) {
    const struct {
        unsigned char kind;
        UINT glyph;
    } cases[] = {{0, 103}, {1, 134}, {2, 133}, {3, 103}, {255, 103}};
    for (const auto& c : cases) {
        ECArpeggio event(c.kind);
        DCctArpeggio arpeggio;
        arpeggio.SetOwner(&event);
        EXPECT_EQ(arpeggio.GetFontFromType(), c.glyph) << int(c.kind);
        EXPECT_GT(MCMusicFont::GetMusicFont().GetMusicMetrics(c.glyph, FONT_NORMAL).GetHeight(), 0u) << int(c.kind);
        arpeggio.SetOwner(nullptr);
    }
}

// Above a stem-up note the stem's own signs (staccato ...) stand centred on
// the stem beyond its end, others on the head beyond the stem's end; below
// it, centred under the head at -3h/2. A stem-down note mirrors that.
TEST_F(NoteMarksTest, AccentPositionsForBothStemsAndPlacements) {
    const int h = NOTEHEAD;
    const int w = W();
    const struct {
        int stem;
        int placement;
        unsigned char type;
        bool onStem;       // centred on the stem (else on the head)
        bool beyondStem;   // y moved by the stem's height
    } cases[] = {
        {UP, DCctAccent::PLACE_ABOVE, 0, true, true},    {UP, DCctAccent::PLACE_ABOVE, 2, false, true},
        {UP, DCctAccent::PLACE_BELOW, 0, false, false},  {UP, DCctAccent::PLACE_ABOVE, 31, true, true},
        {DOWN, DCctAccent::PLACE_ABOVE, 0, false, false}, {DOWN, DCctAccent::PLACE_BELOW, 0, false, true},
        {DOWN, DCctAccent::PLACE_BELOW, 3, false, true},
    };
    for (const auto& c : cases) {
        DCctNote* note = AddLoneNote(71, c.stem);
        ASSERT_NE(note->GetStemHeight(), 0);
        DCctAccent* accent = AddAccent(note->GetOwner(), c.type, c.placement);
        const std::string what = "type " + std::to_string(c.type) + " stem " + std::to_string(c.stem) +
                                 " placement " + std::to_string(c.placement);
        ASSERT_EQ(accent->Position(nullptr, nullptr, nullptr, nullptr), 1) << what;
        EXPECT_EQ(accent->IsHidden(), 0) << what;
        const int width = accent->GetWidth();
        ASSERT_GT(width, 0) << what;
        int y = c.placement == DCctAccent::PLACE_BELOW ? -(3 * h / 2) : 3 * h / 2;
        if (c.beyondStem)
            y += note->GetStemHeight();
        const int headWidth = c.stem == DOWN ? note->GetWidth() : w;
        const int x = c.onStem ? w - width / 2 : (headWidth - width) / 2;
        EXPECT_EQ(accent->GetPosition(), CPoint(x, y)) << what;
    }
}

// Drawn beside its note, a staccato above a stem-up note stands over the
// stem's end, centred on the stem.
TEST_F(NoteMarksTest, StaccatoAboveAStemUpNoteStandsOverTheStem) {
    DCctNote* note = AddLoneNote(67, UP);
    DCctAccent* accent = AddAccent(note->GetOwner(), 0, DCctAccent::PLACE_ABOVE);
    ASSERT_EQ(accent->Position(nullptr, nullptr, nullptr, nullptr), 1);
    const CPoint origin(600, -600);
    TenthCanvas noteCanvas(300, 400, 0, 0);
    ASSERT_EQ(note->Draw(&noteCanvas.dc, origin, nullptr), 1);
    const InkBox noteInk = noteCanvas.Ink();
    TenthCanvas accentCanvas(300, 400, 0, 0);
    ASSERT_EQ(accent->Draw(&accentCanvas.dc, origin, nullptr), 1);
    const InkBox accentInk = accentCanvas.Ink();
    ASSERT_FALSE(noteInk.Empty());
    ASSERT_FALSE(accentInk.Empty());
    // The stem is the note's rightmost ink; the dot's middle stands on it.
    EXPECT_NEAR(accentInk.CenterX2() / 2, noteInk.right, 2);
    EXPECT_LT(accentInk.bottom, noteInk.top) << "above the stem's end";
    EXPECT_NEAR(accentInk.bottom, noteInk.top - 3 * NOTEHEAD / 2 / SCALE, 3);
}

// A chord shows its accents once, at the note that carries the stem; when
// the stem turns and another note carries it, that note's accent shows.
TEST_F(NoteMarksTest, AChordDrawsOnlyItsAnchorNotesAccent) {
    DCctChord* chord = AddChord({60, 64, 67}, UP);
    std::vector<DCctAccent*> accents;
    for (ECNote* note : notes)
        accents.push_back(AddAccent(note, 1, DCctAccent::PLACE_ABOVE));
    for (int stem : {UP, DOWN}) {
        chord->SetStemDirection(stem, 1);
        DCctNote* anchor = chord->GetAnchorNote();
        ASSERT_NE(anchor, nullptr);
        int shown = 0;
        TenthCanvas all(300, 300, 100, 150);
        TenthCanvas anchorOnly(300, 300, 100, 150);
        for (size_t i = 0; i < accents.size(); ++i) {
            EXPECT_EQ(accents[i]->Position(nullptr, nullptr, nullptr, nullptr), 1);
            const bool isAnchor = Note(i) == anchor;
            EXPECT_EQ(accents[i]->IsHidden(), isAnchor ? 0 : 1) << "stem " << stem << " note " << i;
            shown += accents[i]->IsHidden() ? 0 : 1;
            const int drawn = accents[i]->Draw(&all.dc, CPoint(0, 0), nullptr);
            EXPECT_EQ(drawn, isAnchor ? 1 : 128);
            if (isAnchor)
                accents[i]->Draw(&anchorOnly.dc, CPoint(0, 0), nullptr);
        }
        EXPECT_EQ(shown, 1);
        EXPECT_EQ(all.Image(), anchorOnly.Image()) << "stem " << stem;
    }
}

// Beside: a sign of the second form (5) stands its own width and a quarter
// space left of the head; a double flat (3) 3h/2 and half its width.
// Above a stem-up note: half a space over the stem's end, centred on the head.
TEST_F(NoteMarksTest, AccidentalTypesFiveAndThreeAndAboveTheStem) {
    AddChord({64}, UP);
    const int h = NOTEHEAD;
    const struct {
        unsigned char type;
        int widths2;    // the sign's width x 2 left of the head
        int quarters;   // h/4 steps left
    } beside[] = {{5, 2, 1}, {3, 1, 6}};
    for (const auto& c : beside) {
        DCctAccidental* sign = AddAccidental(0, c.type);
        sign->SetOffset(0, 0);
        EXPECT_EQ(sign->Position(nullptr, nullptr, nullptr, nullptr), 1);
        const int width = sign->GetWidth();
        ASSERT_GT(width, 0);
        const int x = c.type == 5 ? -width - h / 4 : -3 * h / 2 - width / 2;
        EXPECT_EQ(sign->GetPosition(), CPoint(x, 0)) << int(c.type);
        // Its ink ends left of the head.
        TenthCanvas canvas(300, 300, 150, 150);
        ASSERT_EQ(sign->Draw(&canvas.dc, CPoint(0, 0), nullptr), 1);
        const InkBox ink = canvas.Ink();
        // Off the device grid: the drawing snaps to a pixel.
        ExpectBoxNear(ink, GlyphBox(canvas, sign->GetFontFromType(), sign->GetPosition()), 2, "beside");
        EXPECT_LT(ink.right, canvas.Column(0));
    }

    Note(0)->SetStemDirection(UP, 1);
    Note(0)->SetStemLength(7, 0, 1);
    DCctAccidental* above = AddAccidental(0, 1);
    above->SetLocation(1, 0);
    above->SetAlignPosition(2);   // nothing above the note
    EXPECT_EQ(above->GetAlignPosition(), 1);
    EXPECT_EQ(above->Position(nullptr, nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(above->GetFontFromType(), 105u);
    EXPECT_EQ(above->GetPosition(), CPoint((W() - above->GetWidth()) / 2, Note(0)->GetStemHeight() + h / 2));
    EXPECT_EQ(above->GetAlignPosition(), 0);
    Note(0)->SetStemDirection(DOWN, 1);
    above->Position(nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(above->GetY(), h) << "a down stem leaves the head's top free";

    // Hidden by the spelling: nothing drawn.
    above->SetHidden(1);
    TenthCanvas canvas(100, 100, 50, 50);
    EXPECT_EQ(above->Draw(&canvas.dc, CPoint(0, 0), nullptr), 128);
    EXPECT_TRUE(canvas.Ink().Empty());

    DCctAccidental orphan;
    orphan.SetLocation(1, 0);
    orphan.SetPosition(30, 40);
    EXPECT_EQ(orphan.Position(nullptr, nullptr, nullptr, nullptr), 1) << "above without a note: not moved";
    EXPECT_EQ(orphan.GetPosition(), CPoint(30, 40));
}

TEST_F(NoteMarksTest, AccentWithoutAParentIsNotPlaced) {
    DCctAccent accent;
    accent.SetPosition(11, 22);
    EXPECT_EQ(accent.Position(nullptr, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(accent.GetPosition(), CPoint(11, 22));
}

// Three notes a space apart; the arpeggio left of them from the top note's
// y down to the bottom's, a space more at each end.
class ArpeggioTest : public NoteMarksTest {
protected:
    DCctArpeggio* Arpeggio(unsigned char kind) {
        AddChord({64, 67, 71}, UP);
        for (size_t i = 0; i < notes.size(); ++i)
            Note(i)->SetPosition(0, -4 * NOTEHEAD + static_cast<int>(i) * NOTEHEAD);
        auto* event = new ECArpeggio(kind);
        chord->AddChild(event, 1);
        return dynamic_cast<DCctArpeggio*>(event->GetData(DK_NOTATION, 1));
    }
};

TEST_F(ArpeggioTest, PlacedLeftOfTheChordAndSizedByItsNotes) {
    DCctArpeggio* arpeggio = Arpeggio(0);
    ASSERT_EQ(arpeggio->Position(nullptr, nullptr, nullptr, nullptr), 1);
    const int h = NOTEHEAD;
    const int x = Note(2)->GetX() - (Chord()->GetTotalWidthLeft() + 3 * W() / 4);
    EXPECT_EQ(arpeggio->GetPosition(), CPoint(x, -2 * h)) << "at the top note";
    EXPECT_EQ(arpeggio->GetMetrics().GetHeight(), static_cast<unsigned>(2 * h + 2 * h));
    arpeggio->SetFrameDirty(1);
    arpeggio->SetSize(nullptr);
    const MCMusicFont::MusicFontMetrics glyph = MCMusicFont::GetMusicFont().GetMusicMetrics(103, FONT_CURRENT);
    EXPECT_EQ(arpeggio->GetMetrics().GetHeight(), static_cast<unsigned>(4 * h)) << "the height stays";
    EXPECT_EQ(arpeggio->GetMetrics().GetWidth(), glyph.GetWidth());
    EXPECT_EQ(arpeggio->GetMetrics().GetTop(), glyph.GetTop() - 3 * h / 2);

    // The chord as the base; no chord at all: not placed.
    EXPECT_EQ(arpeggio->Position(nullptr, nullptr, nullptr, chord), 1);
    DCctArpeggio orphan;
    EXPECT_EQ(orphan.Position(nullptr, nullptr, nullptr, nullptr), 0);
}

// The column's ends: kind 1 starts at the top with its arrow (134), kind 2
// walks up from the bottom with its arrow (133) lowest; kind 0 is segments only.
TEST_F(ArpeggioTest, KindsStartTheirColumnAtTheirEnd) {
    const int h = NOTEHEAD;
    const struct {
        unsigned char kind;
        UINT top, bottom;   // the glyphs expected at the column's two ends
    } cases[] = {{0, 103, 103}, {1, 134, 103}, {2, 103, 133}};
    for (const auto& c : cases) {
        DCctArpeggio* arpeggio = Arpeggio(c.kind);
        ASSERT_EQ(arpeggio->Position(nullptr, nullptr, nullptr, nullptr), 1);
        TenthCanvas canvas(200, 400, 100, 50);
        ASSERT_EQ(arpeggio->Draw(&canvas.dc, CPoint(0, 0), nullptr), 1);
        const CPoint p = arpeggio->GetPosition();
        const int first = p.y - 3 * h / 2;
        const int run = static_cast<int>(arpeggio->GetMetrics().GetHeight()) - 2 * h;   // 2h: three notes
        // Segments at first, first - h (down), or from first - run up (kind 2).
        const int topAt = c.kind == 2 ? first - run + h : first;
        const int bottomAt = c.kind == 2 ? first - run : first - h;
        const InkBox ink = canvas.Ink();
        const std::string what = "kind " + std::to_string(c.kind);
        ASSERT_FALSE(ink.Empty()) << what;
        EXPECT_NEAR(ink.top, GlyphBox(canvas, c.top, CPoint(p.x, topAt)).top, 1) << what;
        EXPECT_NEAR(ink.bottom, GlyphBox(canvas, c.bottom, CPoint(p.x, bottomAt)).bottom, 1) << what;
    }
}

}  // namespace
