// notation/display/ornament.cpp and trill.cpp: mordents and turns over their
// notes, trills with their accidentals and wavy lines over tie chains broken
// at system ends, ornaments before, over, after and along their notes, and
// the ornament's archive rule by file version. Drawn on notes the engine
// notated, their measures laid out into systems as pagination lays them.
#include "notation/display/ornament.h"

#include "notation/display/chord.h"

#include "model/conductor.h"
#include "model/measure.h"
#include "model/modifiers.h"
#include "model/notes.h"
#include "model/performance.h"
#include "platform/core/archive.h"
#include "tests/notation/display/document_support.h"
#include "tests/notation/display/marks_support.h"
#include "tests/notation/display/span_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using namespace span_test;
using marks_test::ExpectBoxNear;
using marks_test::GlyphBox;
using marks_test::TenthCanvas;
using notation_test::PlayedNote;

constexpr int C4 = 60;
constexpr int G4 = 67;
constexpr int D5 = 74;
constexpr int A5 = 81;
constexpr int STEM_UP = 0;
constexpr int STEM_DOWN = 1;

constexpr UINT TRILL_SIGN = 217;
constexpr UINT TRILL_WAVE = 126;
constexpr UINT SMALL_SHARP = 73;
constexpr UINT SMALL_FLAT = 105;
constexpr UINT SMALL_NATURAL = 233;

// Canvas of the page's first two systems (logical (0, 0) at its top left).
constexpr int CANVAS_WIDTH = 600;
constexpr int CANVAS_HEIGHT = 900;

InkBox Union(const InkBox& a, const InkBox& b) {
    InkBox box;
    box.left = std::min(a.left, b.left);
    box.right = std::max(a.right, b.right);
    box.top = std::min(a.top, b.top);
    box.bottom = std::max(a.bottom, b.bottom);
    return box;
}

class OrnamentTest : public SpanScoreTest {
protected:
    void Prepare(const std::vector<PlayedNote>& played, std::vector<int> systems) {
        Load(played);
        LayOut(std::move(systems));
        h = MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_CURRENT);
        w = MCMusicFont::GetMusicFont().GetNoteheadWidth(FONT_CURRENT);
        notes = Notes();
    }
    void Relayout(std::vector<int> systems) {
        LayOut(std::move(systems));
        notes = Notes();
    }

    // A modifier hung under a note (or chord) as the tools hang one.
    template <class Display, class Event>
    Display* Hang(ECBase* parent, Event* event) {
        event->SetVoiceTrack(0, 1);
        EXPECT_EQ(parent->AddChild(event, SORTED), 1);
        return dynamic_cast<Display*>(event->GetData(DK_NOTATION, 1));
    }
    DCctTrill* AddTrill(const PlacedNote& note, unsigned char type) {
        auto* trill = new ECTrill(type);
        trill->SetTime(note.event->GetTime());
        return Hang<DCctTrill>(note.event, trill);
    }
    DCctOrnament* AddOrnament(const PlacedNote& note, unsigned char type) {
        return Hang<DCctOrnament>(note.event, new ECOrnament(type));
    }
    int Place(DCctBase* display) {
        display->SetPositionDirty(1);
        return display->Position(Conductor(), Staff(), nullptr, nullptr);
    }

    // Drawn at the origin the view passes an element hung under a note: the
    // note's place on the page.
    QImage DrawAt(DCctBase* display, CPoint origin) {
        TenthCanvas canvas(CANVAS_WIDTH, CANVAS_HEIGHT, 0, 0);
        drawn = display->Draw(&canvas.dc, origin, nullptr);
        return canvas.Copy();
    }
    // The advance of a glyph at the score's size.
    int Advance(UINT glyph) {
        TenthCanvas canvas(8, 8, 0, 0);
        MCMusicFont& font = MCMusicFont::GetMusicFont();
        font.SelectFont(&canvas.dc, FONT_NORMAL);
        const int width = MusicGlyphWidth(&canvas.dc, glyph);
        font.DeselectFont(&canvas.dc);
        return width;
    }
    const PlacedNote* FindNote(int key) {
        for (const PlacedNote& note : notes)
            if (note.display->GetSpelling().GetMidiPitch() == key)
                return &note;
        return nullptr;
    }
    // The device rows of a system's band: from 4h above its top line to
    // 6h below it.
    std::pair<int, int> Band(int system) {
        const int top = layout->Top(system);
        return {Row(top + 4 * h), Row(top - 6 * h)};
    }
    static int GlyphWidth(UINT glyph) {
        return static_cast<int>(MCMusicFont::GetMusicFont().GetMusicMetrics(glyph, FONT_CURRENT).GetWidth());
    }

    std::vector<PlacedNote> notes;
    int w = 0;
    TenthCanvas reference{1, 1, 0, 0};   // for GlyphBox's device columns and rows
};

// ---- mordent and turn ---------------------------------------------------------------------

TEST_F(OrnamentTest, MordentGlyphsByTypeCentredThreeHalvesAboveTheirNote) {
    Prepare({{D5, 0, HALF}, {G4, HALF, HALF}}, {1});
    const PlacedNote* high = FindNote(D5);
    const PlacedNote* low = FindNote(G4);
    ASSERT_TRUE(high && low);
    ASSERT_EQ(high->display->GetStemDirection(), STEM_DOWN);
    ASSERT_EQ(low->display->GetStemDirection(), STEM_UP);
    const struct {
        const PlacedNote* note;
        unsigned char type;
        UINT glyph;
    } cases[] = {
        {high, 0, 77}, {high, 1, 151}, {high, 2, 109}, {high, 3, 181}, {low, 2, 109}, {high, 4, 0}, {high, 200, 0},
    };
    for (const auto& c : cases) {
        const std::string what = "type " + std::to_string(c.type);
        auto* event = new ECMordent(c.type);
        auto* mordent = Hang<DCctMordent>(c.note->event, event);
        ASSERT_NE(mordent, nullptr);
        EXPECT_EQ(mordent->GetFontFromType(), c.glyph) << what;
        ASSERT_EQ(Place(mordent), 1) << what;
        const int above = c.note->display->GetStemDirection() == STEM_UP
                              ? c.note->display->GetStemPosition().y - c.note->display->GetY() + 3 * h / 2
                              : 3 * h / 2;
        EXPECT_EQ(mordent->GetPosition(),
                  CPoint((c.note->display->GetWidth() - mordent->GetWidth()) / 2, above))
            << what;
        const CPoint origin = c.note->display->GetVirtualPosition();
        const QImage image = DrawAt(mordent, origin);
        const InkBox ink = FindInk(image, 0, image.height());
        if (c.glyph == 0) {
            EXPECT_TRUE(ink.Empty()) << what << ": out of the table, nothing";
        } else {
            ExpectBoxNear(ink, GlyphBox(reference, c.glyph, mordent->GetPosition() + (origin - CPoint())), 1, what);
            // Centred over the head: the ink's middle is the note's.
            EXPECT_NEAR(ink.CenterX2(), 2 * Col(origin.x) + c.note->display->GetWidth() / UNITS_PER_PIXEL, 3)
                << what;
        }
        c.note->event->RemoveChild(event, 1);
    }
}

TEST_F(OrnamentTest, TurnAccidentalsCentredAHeadAboveOrBelowTheSign) {
    Prepare({{D5, 0, BAR}}, {1});
    const PlacedNote& note = notes.at(0);
    const struct {
        unsigned char type;
        UINT accidental;   // 0: none
        int lift;          // in h
    } cases[] = {
        {0, 0, 0}, {1, SMALL_FLAT, 1}, {2, SMALL_FLAT, -1}, {3, SMALL_SHARP, 1}, {4, SMALL_SHARP, -1}, {9, 0, 0},
    };
    for (const auto& c : cases) {
        const std::string what = "type " + std::to_string(c.type);
        auto* event = new ECTurn(c.type);
        auto* turn = Hang<DCctTurn>(note.event, event);
        ASSERT_EQ(Place(turn), 1) << what;
        EXPECT_EQ(turn->GetPosition().y, 3 * h / 2) << what << ": a stem-down note";
        const CPoint origin = note.display->GetVirtualPosition();
        const QImage image = DrawAt(turn, origin);
        EXPECT_EQ(drawn, 1);
        const CPoint at = turn->GetPosition() + (origin - CPoint());
        InkBox expected = GlyphBox(reference, 84, at);
        if (c.accidental) {
            const CPoint accidentalAt(at.x + (GlyphWidth(84) - Advance(c.accidental)) / 2, at.y + c.lift * h);
            expected = Union(expected, GlyphBox(reference, c.accidental, accidentalAt));
        }
        ExpectBoxNear(FindInk(image, 0, image.height()), expected, 1, what);
        note.event->RemoveChild(event, 1);
    }
}

// On a chord whose stem is up, a mordent stands over the stem's end,
// centred on the bottom note; a trill on the chord takes its measure's place
// as its own and lifts from the top note's stem end.
TEST_F(OrnamentTest, OnAChordTheSignsReadTheNoteAtTheStem) {
    Prepare({{G4, 0, BAR}, {C4 + 4, 0, BAR}}, {1});
    ASSERT_GE(notes.size(), 2u);
    ECBase* chordEvent = notes[0].event->GetAncestor(ET_CHORD, -1);
    ASSERT_NE(chordEvent, nullptr);
    auto* chord = dynamic_cast<DCctChord*>(NotationDisplayOf(chordEvent));
    ASSERT_NE(chord, nullptr);
    ASSERT_EQ(chord->GetStemDirection(), STEM_UP);
    DCctNote* bottom = chord->GetBottomNote();
    DCctNote* top = chord->GetTopNote();

    auto* mordent = Hang<DCctMordent>(chordEvent, new ECMordent(2));
    ASSERT_EQ(Place(mordent), 1);
    EXPECT_EQ(mordent->GetPosition(), CPoint(chord->GetNoteX() + (bottom->GetWidth() - mordent->GetWidth()) / 2,
                                             bottom->GetStemPosition().y + 3 * h / 2));

    auto* event = new ECTrill(0);
    event->SetTime(notes[0].event->GetTime());
    auto* trill = Hang<DCctTrill>(chordEvent, event);
    ASSERT_EQ(Place(trill), 1);
    DCctMeasure* measure = layout->StaffMeasure(1, 1);
    EXPECT_EQ(trill->GetPosition(), measure->GetPosition());
    EXPECT_EQ(Left(trill, 0).y - measure->GetY(), std::max(top->GetStemPosition().y + 3 * h / 2, 2 * h));
}

// A damaged tree: a mordent, turn or trill under no note or chord, an
// ornament under no note, is not placed.
TEST_F(OrnamentTest, NoNoteOrChordAboveLeavesTheSignUnplaced) {
    Prepare({{D5, 0, BAR}}, {1});
    ECMeasure* measure = Conductor()->GetMeasure(1, 1);
    auto* trill = new ECTrill(0);
    trill->SetTime(measure->GetTime());
    DCctBase* displays[] = {
        Hang<DCctMordent>(measure, new ECMordent(0)),
        Hang<DCctTurn>(measure, new ECTurn(0)),
        Hang<DCctTrill>(measure, trill),
        Hang<DCctOrnament>(measure, new ECOrnament(0)),
    };
    for (DCctBase* display : displays) {
        ASSERT_NE(display, nullptr);
        EXPECT_EQ(Place(display), 0) << display->GetRuntimeClass()->m_lpszClassName;
    }
}

// ---- trill --------------------------------------------------------------------------------------

TEST_F(OrnamentTest, AnUntiedTrillIsTheSignAloneItsPieceAsWideAsTheSign) {
    Prepare({{D5, 0, HALF}, {G4, HALF, HALF}}, {1});
    DCctTrill* trill = AddTrill(notes.at(0), 0);
    ASSERT_NE(trill, nullptr);
    ASSERT_EQ(Place(trill), 1);
    EXPECT_EQ(trill->HasWave(), 0);
    ASSERT_EQ(trill->GetSplitCount(), 1);
    EXPECT_EQ(trill->GetSplit(), 1) << "the trill keeps its split bit as constructed";
    EXPECT_EQ(Right(trill, 0).x - Left(trill, 0).x, GlyphWidth(TRILL_SIGN));
    EXPECT_EQ(trill->GetPosition(), notes[0].display->GetVirtualPosition());
    const QImage image = DrawAt(trill, trill->GetPosition());
    EXPECT_EQ(drawn, DCctTrill::DRAW_SPAN);
    ExpectBoxNear(FindInk(image, 0, image.height()), GlyphBox(reference, TRILL_SIGN, Left(trill, 0)), 1, "sign");

    // The frame and the hit test stand relative to the note.
    CRect frame;
    trill->GetFrame(&frame, 0);
    EXPECT_EQ(frame.left, Left(trill, 0).x - trill->GetPosition().x);
    EXPECT_EQ(frame.Width(), GlyphWidth(TRILL_SIGN));
    trill->SetPositionDirty(0);   // the caller's part
    CRect atSign(frame.left + 10, frame.top - 20, frame.left + 20, frame.top - 10);
    atSign.OffsetRect(trill->GetPosition().x, trill->GetPosition().y);
    EXPECT_EQ(trill->IsIn(&atSign, trill->GetPosition(), 0, 0), DCctSplit::HIT_SPAN_INSIDE);
    EXPECT_EQ(trill->IsIn(&atSign, CPoint(0, 0), 0, 0), DCctSplit::HIT_SPAN_OUTSIDE);
}

// Sizing again without a new positioning sets the piece's end anew rather
// than pushing it on.
TEST_F(OrnamentTest, SizingATrillTwiceLeavesItsFrame) {
    Prepare({{D5, 0, BAR}}, {1});
    DCctTrill* trill = AddTrill(notes.at(0), 0);
    ASSERT_EQ(Place(trill), 1);
    CRect once;
    trill->GetFrame(&once, 0);
    trill->SetFrameDirty(1);
    trill->SetSize(nullptr);
    CRect twice;
    trill->GetFrame(&twice, 0);
    EXPECT_EQ(twice, once);
    EXPECT_EQ(Right(trill, 0).x - Left(trill, 0).x, GlyphWidth(TRILL_SIGN));
}

// The line stands 3h/2 above the note (or its upward stem's end), never
// lower than 2h above the staff's top line.
TEST_F(OrnamentTest, TheTrillLiftsAtLeastTwoNoteheads) {
    Prepare({{C4, 0, HALF}, {A5, HALF, HALF}}, {1});
    const PlacedNote* low = FindNote(C4);
    const PlacedNote* high = FindNote(A5);
    ASSERT_TRUE(low && high);
    ASSERT_EQ(low->display->GetStemDirection(), STEM_UP);
    ASSERT_EQ(high->display->GetStemDirection(), STEM_DOWN);
    const int staffTop = layout->StaffMeasure(1, 1)->GetY();
    const struct {
        const PlacedNote* note;
        int lift;
        const char* why;
    } cases[] = {
        {low, 2 * h, "under the staff, its stem's end inside it"},
        {high, high->display->GetY() + 3 * h / 2, "above the staff"},
    };
    ASSERT_GT(cases[1].lift, 2 * h);
    for (const auto& c : cases) {
        DCctTrill* trill = AddTrill(*c.note, 0);
        ASSERT_EQ(Place(trill), 1) << c.why;
        EXPECT_EQ(Left(trill, 0).y - staffTop, c.lift) << c.why;
    }
}

// A lower voice's trill on a grand staff stands over the left hand's staff.
TEST_F(OrnamentTest, ALowerVoicesTrillOnAGrandStaffMovesToTheLeftHand) {
    Prepare({{D5, 0, BAR}}, {1});
    DCctMeasure* measure = layout->StaffMeasure(1, 1);
    ASSERT_NE(measure->GetLeftHandOffset(), 0);
    const int plain = [&] {
        DCctTrill* trill = AddTrill(notes.at(0), 0);
        EXPECT_EQ(Place(trill), 1);
        return Left(trill, 0).y;
    }();
    const struct {
        int staffType;
        int voice;
        int shift;
    } cases[] = {
        {1, 4, measure->GetLeftHandOffset()}, {1, 3, 0}, {0, 4, 0},
    };
    for (const auto& c : cases) {
        Staff()->SetStaffType(static_cast<unsigned char>(c.staffType));
        DCctTrill* trill = AddTrill(notes.at(0), 0);
        trill->GetOwner()->SetVoiceTrack(c.voice, 1);
        ASSERT_EQ(Place(trill), 1);
        EXPECT_EQ(Left(trill, 0).y, plain + c.shift) << "staff type " << c.staffType << ", voice " << c.voice;
    }
    Staff()->SetStaffType(0);
}

TEST_F(OrnamentTest, TrillAccidentalsAboveOrBesideTheSign) {
    Prepare({{D5, 0, BAR}}, {1});
    const struct {
        unsigned char type;
        int beside;
        UINT accidental;
    } cases[] = {
        {1, 0, SMALL_SHARP}, {2, 0, SMALL_NATURAL}, {3, 0, SMALL_FLAT}, {2, 1, SMALL_NATURAL}, {7, 0, 0},
    };
    for (const auto& c : cases) {
        const std::string what = "type " + std::to_string(c.type) + (c.beside ? " beside" : " above");
        auto* event = new ECTrill(c.type);
        event->SetTime(notes[0].event->GetTime());
        auto* trill = Hang<DCctTrill>(notes[0].event, event);
        EXPECT_EQ(trill->GetAccidentalFromType(), c.accidental) << what;
        trill->SetAccidentalBeside(c.beside);
        ASSERT_EQ(Place(trill), 1) << what;
        const QImage image = DrawAt(trill, trill->GetPosition());
        const CPoint sign = Left(trill, 0);
        InkBox expected = GlyphBox(reference, TRILL_SIGN, sign);
        if (c.accidental) {
            const CPoint at = c.beside ? CPoint(sign.x + Advance(TRILL_SIGN), sign.y)
                                       : CPoint(sign.x + (Advance(TRILL_SIGN) - Advance(c.accidental)) / 2, sign.y + 2 * h);
            expected = Union(expected, GlyphBox(reference, c.accidental, at));
        }
        ExpectBoxNear(FindInk(image, 0, image.height()), expected, 1, what);
        notes[0].event->RemoveChild(event, 1);
    }
}

// A whole note held over bar line 1|2, the bars in two systems: the engine's
// tie joins the two notes; the trill on the first draws its sign once and
// its line on both pieces, the first piece's line after the sign.
TEST_F(OrnamentTest, ATrillTiedOverASystemEndWavesInBothSystems) {
    Prepare({{D5, HALF, BAR}, {G4, BAR + HALF, HALF}}, {1, 1});
    ASSERT_EQ(Ties().size(), 1u);
    DCctTrill* trill = AddTrill(notes.at(0), 0);
    ASSERT_EQ(Place(trill), 1);
    EXPECT_EQ(trill->HasWave(), 1);
    ASSERT_EQ(trill->GetSplitCount(), 2);
    EXPECT_EQ(Right(trill, 0).x, layout->RightEdge(0));
    EXPECT_EQ(Left(trill, 1).x, layout->LeftEdge(1));
    EXPECT_EQ(Right(trill, 0).y, Left(trill, 0).y);

    const QImage image = DrawAt(trill, trill->GetPosition());
    const CPoint sign = Left(trill, 0);
    const int advance = Advance(TRILL_SIGN);
    const int step = Advance(TRILL_WAVE);
    const InkBox signBox = GlyphBox(reference, TRILL_SIGN, sign);
    const InkBox waveBox = GlyphBox(reference, TRILL_WAVE, Left(trill, 1));
    const int waveRows = waveBox.bottom - waveBox.top;
    // First system: the sign as it stands alone up to where the line's first
    // glyph begins (its ink reaches a little left of its advance) ...
    QImage signAlone;
    {
        TenthCanvas canvas(CANVAS_WIDTH, CANVAS_HEIGHT, 0, 0);
        MCMusicFont& font = MCMusicFont::GetMusicFont();
        font.SelectFont(&canvas.dc, FONT_NORMAL);
        DrawMusicGlyph(&canvas.dc, sign.x, sign.y + font.GetAscent(FONT_CURRENT), TRILL_SIGN);
        font.DeselectFont(&canvas.dc);
        signAlone = canvas.Copy();
    }
    const InkBox firstWave = GlyphBox(reference, TRILL_WAVE, CPoint(sign.x + advance, sign.y));
    const auto [top0, bottom0] = Band(0);
    const auto inked = [](const QImage& picture, int x, int y) { return (picture.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF; };
    int differing = 0;
    for (int y = top0; y < bottom0; ++y)
        for (int x = 0; x < firstWave.left - 1; ++x)
            differing += inked(image, x, y) != inked(signAlone, x, y);
    EXPECT_EQ(differing, 0) << "no line under the sign";
    // ... then the line alone, up to the system's end.
    const InkBox line = FindInk(image, top0, bottom0, signBox.right + 1);
    ASSERT_FALSE(line.Empty()) << "a line in the first system";
    EXPECT_LE(line.bottom - line.top, waveRows + 1) << "only the line after the sign";
    EXPECT_GE(line.right, Col(Right(trill, 0).x - step) - 1);
    EXPECT_LE(line.right, Col(Right(trill, 0).x + step) + 1);
    // Second system: the line alone, from the system's left edge.
    const auto [top1, bottom1] = Band(1);
    const InkBox second = FindInk(image, top1, bottom1);
    ASSERT_FALSE(second.Empty()) << "a line in the second system";
    EXPECT_NEAR(second.left, waveBox.left, 1);
    EXPECT_LE(second.bottom - second.top, waveRows + 1) << "no second sign";
    EXPECT_NEAR(second.top, waveBox.top, 1);
}

// ---- ornament -----------------------------------------------------------------------------------

TEST_F(OrnamentTest, OrnamentGlyphsAndHowTheyLieAlongTheNote) {
    ECOrnament event(0);
    DCctOrnament ornament;
    ornament.SetOwner(&event);
    const struct {
        unsigned char type;
        UINT glyph;
        int split;
    } cases[] = {
        {0, 127, DCctOrnament::SPLIT_AT_START}, {1, 100, DCctOrnament::SPLIT_AT_END},
        {2, 128, DCctOrnament::SPLIT_AT_END},   {3, 128, DCctOrnament::SPLIT_AT_START},
        {4, 216, DCctOrnament::SPLIT_REPEATED}, {5, 135, DCctOrnament::SPLIT_AT_END},
        {6, 230, DCctOrnament::SPLIT_AT_START}, {7, 0, DCctOrnament::SPLIT_AT_START},
    };
    for (const auto& c : cases) {
        event.SetOrnamentType(c.type);
        EXPECT_EQ(ornament.GetFontFromType(), c.glyph) << int(c.type);
        EXPECT_EQ(ornament.GetSplitType(), c.split) << int(c.type);
    }
    ornament.SetOwner(nullptr);
}

// Each type's place beside its untied note, relative to where the note's
// time falls on the staff; drawn, its ink where the glyph's box says.
TEST_F(OrnamentTest, OrnamentsBeforeOverAndAfterTheirNote) {
    Prepare({{D5, 0, HALF}, {G4, HALF, HALF}}, {1});
    const PlacedNote& note = notes.at(0);
    ASSERT_EQ(note.display->GetStemDirection(), STEM_DOWN);
    const CPoint head = PagePoint(note);
    const int y = note.display->GetY();
    for (unsigned char type = 0; type <= 7; ++type) {
        const std::string what = "type " + std::to_string(type);
        auto* event = new ECOrnament(type);
        auto* ornament = Hang<DCctOrnament>(note.event, event);
        ASSERT_EQ(Place(ornament), 1) << what;
        const int W = ornament->GetWidth();
        const CSize expected[] = {
            {(note.display->GetWidth() - W) / 2, y + 3 * h / 2}, {w + w / 2, y - 2 * h}, {w + w / 2, y},
            {-(w / 2) - W, y - 2 * h}, {0, y + 3 * h / 2}, {w + w / 2, y}, {-(w / 2) - W, y}, {0, 0},
        };
        ASSERT_EQ(ornament->GetSplitCount(), 1) << what;
        EXPECT_EQ(Left(ornament, 0), Right(ornament, 0)) << what << ": an untied note's piece has no length";
        EXPECT_EQ(Left(ornament, 0), CPoint(head.x, layout->StaffMeasure(1, 1)->GetY()) + expected[type]) << what;
        EXPECT_EQ(ornament->GetSplit(), 0) << what;

        const QImage image = DrawAt(ornament, ornament->GetPosition());
        EXPECT_EQ(drawn, DCctOrnament::DRAW_SPAN);
        const InkBox ink = FindInk(image, 0, image.height());
        if (type == 7) {
            EXPECT_TRUE(ink.Empty()) << what;
        } else {
            // Type 4 is repeated along the chain: on an untied note, once.
            ExpectBoxNear(ink, GlyphBox(reference, ornament->GetFontFromType(), Left(ornament, 0)), 1, what);
        }
        // The stroke's box reaches a little past its drawing point.
        if (type == 3) {
            EXPECT_NEAR(ink.right, Col(head.x - w / 2), 2) << "its right ink edge w/2 before the note";
        }
        note.event->RemoveChild(event, 1);
    }
}

// Type 4 along a chain tied over a system end: the glyph repeated on both
// pieces; laid out again into one system, one piece and no split.
TEST_F(OrnamentTest, ARepeatedOrnamentFollowsItsChainOverSystems) {
    Prepare({{D5, HALF, BAR}, {G4, BAR + HALF, HALF}}, {1, 1});
    ASSERT_EQ(Ties().size(), 1u);
    DCctOrnament* ornament = AddOrnament(notes.at(0), 4);
    ASSERT_EQ(Place(ornament), 1);
    ASSERT_EQ(ornament->GetSplitCount(), 2);
    EXPECT_EQ(ornament->GetSplit(), 1);
    const QImage image = DrawAt(ornament, ornament->GetPosition());
    const int step = Advance(DCctOrnament::ORNAMENT_STEP_GLYPH);
    for (int system : {0, 1}) {
        const auto [top, bottom] = Band(system);
        const InkBox ink = FindInk(image, top, bottom);
        ASSERT_FALSE(ink.Empty()) << "system " << system;
        const UINT glyph = DCctOrnament::ORNAMENT_STEP_GLYPH;
        EXPECT_NEAR(ink.left, GlyphBox(reference, glyph, Left(ornament, system)).left, 1) << "system " << system;
        EXPECT_GE(ink.right, Col(Right(ornament, system).x - step) - 1) << "system " << system;
    }

    Relayout({2});
    ASSERT_EQ(Place(ornament), 1);
    EXPECT_EQ(ornament->GetSplitCount(), 1);
    EXPECT_EQ(ornament->GetSplit(), 0) << "the split follows the last positioning";
}

TEST_F(OrnamentTest, OrnamentFrameAndHitStandRelativeToTheNote) {
    Prepare({{D5, 0, BAR}}, {1});
    DCctOrnament* ornament = AddOrnament(notes.at(0), 0);
    EXPECT_EQ(ornament->IsIn(nullptr, CPoint(0, 0), 0, 0), DCctBase::HIT_UNPLACED);
    ASSERT_EQ(Place(ornament), 1);
    ornament->SetPositionDirty(0);
    CRect frame;
    ornament->GetFrame(&frame, 0);
    const CPoint raw = ornament->GetPosition();
    EXPECT_EQ(frame.left, Left(ornament, 0).x - raw.x);
    EXPECT_EQ(frame.Width(), ornament->GetWidth()) << "a piece without length is as wide as its glyph";
    CRect inside(frame.left + 5, frame.top - 10, frame.left + 10, frame.top - 5);
    CRect onPage = inside;
    onPage.OffsetRect(raw.x, raw.y);
    EXPECT_EQ(ornament->IsIn(&onPage, raw, 0, 0), DCctSplit::HIT_SPAN_INSIDE);
    onPage.OffsetRect(0, 20 * h);
    EXPECT_EQ(ornament->IsIn(&onPage, raw, 0, 0), DCctSplit::HIT_SPAN_OUTSIDE);
}

// ---- samples and archive ------------------------------------------------------------------------

TEST_F(OrnamentTest, SamplesCentreTheirGlyphAndLeaveTheMusicFont) {
    ECTrill trillEvent(0);
    ECOrnament longEvent(4);
    ECOrnament shortEvent(0);
    DCctTrill trill;
    DCctOrnament repeated;
    DCctOrnament once;
    trill.SetOwner(&trillEvent);
    repeated.SetOwner(&longEvent);
    once.SetOwner(&shortEvent);
    MCMusicFont& music = MCMusicFont::GetMusicFont();
    const struct {
        DCctBase* display;
        bool across;
        const char* what;
    } cases[] = {{&trill, false, "trill"}, {&repeated, true, "ornament 4"}, {&once, false, "ornament 0"}};
    for (const auto& c : cases) {
        LOGFONT before;
        MCMusicFont::NoteMetrics metricsBefore;
        music.SaveLogFont(&before, &metricsBefore);
        TenthCanvas canvas(200, 100, 0, 0);
        CRect rect(0, 0, 2000, -1000);
        EXPECT_EQ(c.display->DrawInRect(&canvas.dc, &rect), 1) << c.what;
        const InkBox ink = canvas.Ink();
        ASSERT_FALSE(ink.Empty()) << c.what;
        // The first glyph centred; a repeated one goes on from there.
        const int width = static_cast<int>(c.display->GetMetrics().GetWidth());
        const int inset = (rect.Width() - width) / 2;
        EXPECT_NEAR(ink.left, Col(inset + c.display->GetMetrics().GetLeft()), 2) << c.what;
        if (c.across)
            EXPECT_GT(ink.right - ink.left, 3 * width / (2 * UNITS_PER_PIXEL)) << c.what << ": more than one glyph";
        else
            EXPECT_NEAR(ink.left + ink.right, 200, 6) << c.what << ": centred";
        LOGFONT after;
        MCMusicFont::NoteMetrics metricsAfter;
        music.SaveLogFont(&after, &metricsAfter);
        EXPECT_EQ(after.lfHeight, before.lfHeight) << c.what;
        EXPECT_EQ(metricsAfter, metricsBefore) << c.what;
    }
    trill.SetOwner(nullptr);
    repeated.SetOwner(nullptr);
    once.SetOwner(nullptr);
}

// Before file version 2 the ornament was a plain element: its stored place
// is dropped and its right end keeps no offset; from version 2 it is a span
// like the others.
TEST(OrnamentArchiveTest, OlderFilesLeaveThePlaceAndTheRightOffset) {
    DCctOrnament saved;
    saved.SetPosition(400, -500);
    saved.SetStoredOffset(CSize(30, -40));
    const std::vector<uint8_t> bytes = StoredBytes(&saved);
    EXPECT_EQ(bytes.size(), 26u) << "the display head alone";
    const struct {
        int version;
        CPoint position;
        CSize right;
    } cases[] = {
        {1, CPoint(30, -40), CSize(0, 0)},
        {0, CPoint(30, -40), CSize(0, 0)},
        {2, CPoint(430, -540), CSize(30, -40)},
    };
    for (const auto& c : cases) {
        ECPerformance performance;
        performance.Ref();
        performance.SetVersion(c.version);
        ECPerformance* previous = ECPerformance::SetActivePerformance(&performance);
        DCctOrnament loaded;
        LoadBytes(&loaded, bytes);
        ECPerformance::SetActivePerformance(previous);
        EXPECT_EQ(loaded.GetPosition(), c.position) << "version " << c.version << ": position plus offset";
        EXPECT_EQ(loaded.GetStoredOffset(), CSize(30, -40)) << "version " << c.version;
        EXPECT_EQ(loaded.GetStoredOffsetRight(), c.right) << "version " << c.version;
    }
}

// A note with a mordent, a turn, a trill and an ornament whose left end the
// user moved, saved in a native document and opened again: each comes back
// by its class, the ornament (a current file) with its place and its right
// end moved as its left.
struct OrnamentDocumentTest : display_document::DocumentTest {};

TEST_F(OrnamentDocumentTest, OrnamentsComeBackByClassTheOrnamentWithItsRightOffset) {
    const std::string path = folder.File("ornaments.mmm");
    {
        std::unique_ptr<MCOpusDoc> source = doc_support::DocumentParts::MakeDocument();
        ECConductor* conductor = source->CreatePerformance(1)->GetConductor();
        ASSERT_NE(conductor, nullptr);
        ASSERT_NE(conductor->GetTrack(1, 1, 1), nullptr);
        ECMeasure* measure = conductor->GetMeasure(1, MCTime(3.5f), 1, 1);
        ASSERT_NE(measure, nullptr);
        auto* note = new ECNote;
        note->SetTime(measure->GetTime());
        note->SetVoiceTrack(0, 1);
        ASSERT_EQ(measure->AddChild(note, 1), 1);
        auto* trill = new ECTrill(2);
        trill->SetTime(measure->GetTime());
        ECBase* marks[] = {new ECMordent(1), new ECTurn(3), trill, new ECOrnament(4)};
        for (ECBase* mark : marks) {
            ASSERT_EQ(note->AddChild(mark, 1), 1);
            ASSERT_NE(mark->GetData(DK_NOTATION, 1), nullptr);
        }
        DCctBase* ornament = NotationDisplayOf(marks[3]);
        ornament->SetPosition(400, -500);
        ornament->SetStoredOffset(CSize(30, -40));
        ASSERT_NO_FATAL_FAILURE(display_document::SaveNative(source.get(), path));
    }
    std::unique_ptr<MCOpusDoc> reopened = Reopen(path);
    ASSERT_FALSE(HasFailure());
    ECBase* root = reopened->GetBaseEvent();
    const struct {
        int type;
        const char* name;
    } cases[] = {
        {ET_MORDENT, "DCctMordent"}, {ET_TURN, "DCctTurn"}, {ET_TRILL, "DCctTrill"}, {ET_ORNAMENT, "DCctOrnament"},
    };
    for (const auto& c : cases) {
        const auto events = doc_support::FindEvents(root, c.type);
        ASSERT_EQ(events.size(), 1u) << c.name;
        DCctBase* display = NotationDisplayOf(events[0]);
        ASSERT_NE(display, nullptr) << c.name;
        EXPECT_STREQ(display->GetRuntimeClass()->m_lpszClassName, c.name);
        EXPECT_EQ(display->PositionDirty(), 1) << c.name;
    }
    auto* ornament = dynamic_cast<DCctOrnament*>(NotationDisplayOf(doc_support::FindEvents(root, ET_ORNAMENT)[0]));
    EXPECT_EQ(ornament->GetPosition(), CPoint(430, -540));
    EXPECT_EQ(ornament->GetStoredOffsetRight(), CSize(30, -40));
    reopened->OnCloseDocument();
}

}  // namespace
