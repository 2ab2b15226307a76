// Tuplets laid out over placed notes on a treble staff and drawn into an
// image through a memory DC, y up: where the bracket goes for each stem
// pattern and voice, where the number sits, the hooks and the gap, the ratio
// form, the number alone, a group of rests, and an emptied tuplet.
#include "notation/display/tuplet.h"

#include "model/groupmarks.h"
#include "notation/display/chord.h"
#include "notation/display/clef.h"
#include "tests/notation/display/display_support.h"
#include "tests/notation/display/note_support.h"
#include "tests/notation/display/structure_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace note_test;

constexpr int NOTEHEAD = 12;
constexpr int TOP_ROW = 150;   // the device row of the staff's top line (logical y 0)
constexpr int STEMS_UP = 0;
constexpr int STEMS_DOWN = 1;

// Notes (or rests) of one voice under a tuplet in measure 1 of a treble
// staff, placed by the measure and set at given xs, then the tuplet placed.
class TupletStaff {
public:
    TupletStaff() : m_font(NOTEHEAD) {
        m_score.ColumnDisplay(1);
        m_measure = m_score.Display(1);
        m_measure->SetPosition(0, 0);
        ECClef* clef = m_score.AddClef(1, 0, 0);
        measure_test::RegistryCell cell(ET_CLEF, RUNTIME_CLASS(DCctClef));
        EXPECT_NE(clef->GetData(DK_NOTATION, 1), nullptr);
        h = MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_CURRENT);
        w = MCMusicFont::GetMusicFont().GetNoteheadWidth(FONT_CURRENT);
    }

    DCctMeasure* Measure() { return m_measure; }

    // An n:m tuplet of eighths in `voice`; the display's bases and ticks as
    // time correction leaves them (a triplet: own eighths in a quarter).
    DCctTuplet* AddTuplet(int voice, int n = 3, int m = 2) {
        auto* event = new ECTuplet(static_cast<unsigned char>(n), static_cast<unsigned char>(m), 3);
        event->SetVoiceTrack(static_cast<unsigned char>(voice), 1);
        event->SetTime(m_score.Measure(1)->GetTime());
        EXPECT_EQ(m_score.Measure(1)->AddChild(event, 1), 1);
        measure_test::RegistryCell cell(ET_TUPLET, RUNTIME_CLASS(DCctTuplet));
        auto* tuplet = dynamic_cast<DCctTuplet*>(event->GetData(DK_NOTATION, 1));
        tuplet->SetTuplet(static_cast<BYTE>(n), static_cast<BYTE>(m));
        tuplet->SetBase(static_cast<WORD>(128 * n), static_cast<WORD>(128 * m));
        tuplet->SetTickDuration(static_cast<WORD>(128 * m));
        m_group = event;
        m_voice = voice;
        return tuplet;
    }

    // A stemmed eighth of `key` at `x`, the i-th of the group (own tick i x 128).
    DCctNote* AddNote(int key, int x, int direction) {
        auto* note = new ECNote;
        AddChild(note);
        measure_test::RegistryCell cell(ET_NOTE, RUNTIME_CLASS(DCctNote));
        auto* display = dynamic_cast<DCctNote*>(note->GetData(DK_NOTATION, 1));
        MCPitch pitch = Pitch(key);
        display->SetPitch(pitch);
        display->SetValue(128, 0);
        SetTicks(display);
        EXPECT_EQ(display->Position(nullptr, nullptr, nullptr, nullptr), 1);
        display->SetX(x);
        display->SetStemDirection(direction, 1);
        display->SetStemSide(direction ? 0 : 1, 1);
        display->SetSize(nullptr);
        return display;
    }

    // A chord of `keys`, the next of the group, its notes at `x`.
    DCctChord* AddChord(const std::vector<int>& keys, int x, int direction) {
        auto* chord = new ECChord;
        AddChild(chord);
        const WORD tick = static_cast<WORD>(128 * m_count++);
        measure_test::RegistryCell chords(ET_CHORD, RUNTIME_CLASS(DCctChord));
        measure_test::RegistryCell notes(ET_NOTE, RUNTIME_CLASS(DCctNote));
        for (int key : keys) {
            auto* note = new ECNote;
            note->SetVoiceTrack(static_cast<unsigned char>(m_voice), 1);
            note->SetTime(chord->GetTime());
            chord->AddChild(note, 1);
            auto* display = dynamic_cast<DCctNote*>(note->GetData(DK_NOTATION, 1));
            MCPitch pitch = Pitch(key);
            display->SetPitch(pitch);
            display->SetValue(128, 0);
            display->SetBase(384, 256);
            display->SetTickStart(tick);
            display->SetTickDuration(128);
            EXPECT_EQ(display->Position(nullptr, nullptr, nullptr, nullptr), 1);
            display->SetX(x);
            display->SetSize(nullptr);
        }
        auto* display = dynamic_cast<DCctChord*>(chord->GetData(DK_NOTATION, 1));
        display->SetStemDirection(direction, 1);
        display->SetStemLength(7, 0, 1);
        return display;
    }

    // A rest at `x` (the rest's own display is not needed for the bracket).
    DCctNotate* AddRest(int x) {
        auto* rest = new ECRest;
        AddChild(rest);
        measure_test::RegistryCell cell(ET_REST, RUNTIME_CLASS(DCctNotate));
        auto* display = dynamic_cast<DCctNotate*>(rest->GetData(DK_NOTATION, 1));
        SetTicks(display);
        display->SetX(x);
        return display;
    }

    QImage Draw(DCctTuplet* tuplet) {
        DisplayCanvas canvas(260, 320, 0, TOP_ROW);
        m_drawn = tuplet->Draw(&canvas.dc, CPoint(0, 0), nullptr);
        return canvas.Copy();
    }
    int Drawn() const { return m_drawn; }

    static int Row(int y) { return TOP_ROW - y; }

    int h = 0;
    int w = 0;

private:
    void AddChild(ECBase* child) {
        child->SetVoiceTrack(static_cast<unsigned char>(m_voice), 1);
        const MCTime at(static_cast<float>(m_count) / 3.0f);
        child->SetTime(&at);
        EXPECT_EQ(m_group->AddChild(child, 1), 1);
    }
    void SetTicks(DCctNotate* display) {
        display->SetBase(384, 256);
        display->SetTickStart(static_cast<WORD>(128 * m_count++));
        display->SetTickDuration(128);
    }

    MusicFontScope m_font;
    measure_test::LinksScope m_links;
    ClefLinksScope m_clefLinks;
    measure_test::Score m_score{0, 1};
    DCctMeasure* m_measure = nullptr;
    ECTuplet* m_group = nullptr;
    int m_voice = 0;
    int m_count = 0;
    int m_drawn = 0;
};

// Three stem-up triplet eighths on G4.
struct TripletOnG4 {
    TupletStaff staff;
    DCctTuplet* tuplet = staff.AddTuplet(0);
    std::vector<DCctNote*> notes = {staff.AddNote(67, 40, STEMS_UP), staff.AddNote(67, 100, STEMS_UP),
                                    staff.AddNote(67, 160, STEMS_UP)};
    TripletOnG4() { EXPECT_EQ(tuplet->Position(nullptr, nullptr, nullptr, nullptr), 1); }
    int StemEnd() const { return notes[0]->GetStemPosition().y; }
};

TEST(TupletLayoutTest, StemsUpGroupHasItsBracketTwoSpacesAboveTheStemEnds) {
    TripletOnG4 g;
    const int h = g.staff.h;
    EXPECT_GT(g.StemEnd(), g.notes[0]->GetY() + 3 * h) << "the stems rise from the heads";
    EXPECT_EQ(g.tuplet->GetTupletLocation(), 0);
    EXPECT_EQ(g.tuplet->GetLeftPoint(), CPoint(40, g.StemEnd() + 2 * h));
    EXPECT_EQ(g.tuplet->GetRightPoint(), CPoint(160 + g.staff.w, g.StemEnd() + 2 * h));
    EXPECT_EQ(g.tuplet->GetNumberX(), 100 + g.staff.w / 2) << "over the middle note";
}

TEST(TupletDrawTest, TripletLineHooksAndNumberInItsGap) {
    TripletOnG4 g;
    const int h = g.staff.h;
    const int w = g.staff.w;
    const QImage image = g.staff.Draw(g.tuplet);
    EXPECT_EQ(g.staff.Drawn(), 1);
    const int line = TupletStaff::Row(g.StemEnd() + 2 * h);
    const int left = 40;
    const int right = 160 + w;
    const int nw = g.tuplet->GetNumberWidth();
    const int nh = g.tuplet->GetNumberHeight();
    ASSERT_GT(nw, 0);
    ASSERT_GT(nh, 0);
    const int numberLeft = g.tuplet->GetNumberX() - nw / 2;

    // The line, just inside each end.
    EXPECT_FALSE(FindInk(image, line - 2, line + 3, left + 2, left + 4).Empty()) << "line at the left";
    EXPECT_FALSE(FindInk(image, line - 2, line + 3, right - 4, right - 2).Empty()) << "line at the right";
    // Hooks: one space down from each end, nothing above the line there.
    for (int x : {left, right}) {
        const InkBox hook = FindInk(image, 0, image.height(), x - 1, x + 2);
        ASSERT_FALSE(hook.Empty()) << x;
        EXPECT_NEAR(hook.top, line, 2) << x;
        EXPECT_NEAR(hook.bottom, line + h, 2) << x;
    }
    // The gap: no line ink in the half notehead either side of the number.
    EXPECT_TRUE(FindInk(image, line - 2, line + 3, numberLeft - w / 2 + 2, numberLeft - 1).Empty());
    EXPECT_TRUE(FindInk(image, line - 2, line + 3, numberLeft + nw + 1, numberLeft + nw + w / 2 - 1).Empty());
    // The number, centred on the line.
    const InkBox number = FindInk(image, 0, image.height(), numberLeft - 1, numberLeft + nw + 1);
    ASSERT_FALSE(number.Empty());
    EXPECT_NEAR((number.top + number.bottom) / 2, line, 2);
    EXPECT_EQ(g.tuplet->GetNumberText(), std::string(1, static_cast<char>(163))) << "a small 3";

    // Without the gap the line runs through under the number.
    g.tuplet->SetNumberLocation(0);
    const QImage whole = g.staff.Draw(g.tuplet);
    EXPECT_FALSE(FindInk(whole, line - 2, line + 3, numberLeft - w / 2 + 2, numberLeft - 1).Empty());
}

TEST(TupletDrawTest, RatioFigureDrawsBothNumbersAroundTheSign) {
    TripletOnG4 g;
    g.tuplet->SetTuplet(5, 4);
    g.tuplet->SetFigure(0);
    g.staff.Draw(g.tuplet);
    const int plain = g.tuplet->GetNumberWidth();
    EXPECT_EQ(g.tuplet->GetNumberText(), std::string(1, static_cast<char>(176)));

    g.tuplet->SetFigure(1);
    const QImage image = g.staff.Draw(g.tuplet);
    EXPECT_EQ(g.tuplet->GetNumberText(), (std::string{static_cast<char>(176), static_cast<char>(171), static_cast<char>(162)}));
    EXPECT_GT(g.tuplet->GetNumberWidth(), 2 * plain);
    // The three glyphs lie in the gap, ink across the number's width.
    const int nw = g.tuplet->GetNumberWidth();
    const int numberLeft = g.tuplet->GetNumberX() - nw / 2;
    const int line = TupletStaff::Row(g.StemEnd() + 2 * g.staff.h);
    const InkBox number = FindInk(image, line - g.staff.h, line + g.staff.h, numberLeft, numberLeft + nw);
    ASSERT_FALSE(number.Empty());
    EXPECT_GT(number.right - number.left, nw / 2);

    // Measured again after every change, the number does not grow by repeats.
    g.tuplet->SetFrameDirty(1);
    g.staff.Draw(g.tuplet);
    EXPECT_EQ(g.tuplet->GetNumberText().size(), 3u);
}

TEST(TupletDrawTest, NumberOnlyDrawsNoBracket) {
    TripletOnG4 g;
    g.tuplet->SetBracket(1, 0);
    const QImage image = g.staff.Draw(g.tuplet);
    const InkBox ink = FindInk(image, 0, image.height());
    ASSERT_FALSE(ink.Empty());
    const int nw = g.tuplet->GetNumberWidth();
    const int numberLeft = g.tuplet->GetNumberX() - nw / 2;
    EXPECT_GE(ink.left, numberLeft - 1);
    EXPECT_LE(ink.right, numberLeft + nw + 1);
    EXPECT_NEAR((ink.top + ink.bottom) / 2, TupletStaff::Row(g.StemEnd() + 2 * g.staff.h), 2) << "centred on the line";
}

// With two voices in the measure odd voices keep below and even ones above,
// unless the user placed the bracket.
TEST(TupletLayoutTest, SecondVoiceLiesBelowUnlessTheUserSaidOtherwise) {
    const struct {
        int voice;
        int userBelow;   // -1: no choice of the user
        int below;
    } cases[] = {
        {1, -1, 1},
        {3, -1, 1},
        {0, -1, 0},
        {1, 0, 0},
        {0, 1, 1},
    };
    for (const auto& c : cases) {
        TupletStaff staff;
        staff.Measure()->GetVoiceTable() = {0, static_cast<BYTE>(c.voice == 0 ? 1 : c.voice)};
        DCctTuplet* tuplet = staff.AddTuplet(c.voice);
        if (c.userBelow >= 0)
            tuplet->SetTupletLocation(c.userBelow, 1);
        else
            tuplet->SetTupletLocation(1 - c.below, 0);   // the automatic choice overrides
        const int direction = c.voice % 2 ? STEMS_DOWN : STEMS_UP;
        DCctNote* first = staff.AddNote(67, 40, direction);
        staff.AddNote(67, 100, direction);
        staff.AddNote(67, 160, direction);
        ASSERT_EQ(tuplet->Position(nullptr, nullptr, nullptr, nullptr), 1);
        EXPECT_EQ(tuplet->GetTupletLocation(), c.below) << c.voice << " " << c.userBelow;

        const QImage image = staff.Draw(tuplet);
        const InkBox ink = FindInk(image, 0, image.height());
        ASSERT_FALSE(ink.Empty());
        const int head = TupletStaff::Row(first->GetY());
        if (c.below)
            EXPECT_GT(ink.top, head) << "below the heads, voice " << c.voice;
        else
            EXPECT_LT(ink.bottom, head) << "above the heads, voice " << c.voice;
    }
    // Alone in its staff a second voice keeps the location it has.
    TupletStaff staff;
    DCctTuplet* tuplet = staff.AddTuplet(1);
    staff.AddNote(67, 40, STEMS_DOWN);
    staff.AddNote(67, 100, STEMS_DOWN);
    ASSERT_EQ(tuplet->Position(nullptr, nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(tuplet->GetTupletLocation(), 0);
}

// Stems pointing at the bracket: it runs parallel to the stem ends, two
// spaces clear of the outermost head.
TEST(TupletLayoutTest, StemsTowardTheBracketClearTheOutermostHead) {
    const struct {
        int direction, below;
        std::vector<int> keys;
        size_t outermost;
    } cases[] = {
        {STEMS_DOWN, 0, {72, 76, 74}, 1},   // above: E5 is the highest head
        {STEMS_UP, 1, {69, 64, 71}, 1},     // below: E4 is the lowest
    };
    for (const auto& c : cases) {
        TupletStaff staff;
        DCctTuplet* tuplet = staff.AddTuplet(0);
        tuplet->SetTupletLocation(c.below, 1);
        std::vector<DCctNote*> notes;
        for (size_t i = 0; i < c.keys.size(); ++i)
            notes.push_back(staff.AddNote(c.keys[i], 40 + 60 * static_cast<int>(i), c.direction));
        ASSERT_EQ(tuplet->Position(nullptr, nullptr, nullptr, nullptr), 1);
        const CPoint L = tuplet->GetLeftPoint();
        const CPoint R = tuplet->GetRightPoint();
        EXPECT_EQ(R.y - L.y, notes.back()->GetStemPosition().y - notes.front()->GetStemPosition().y)
            << "parallel to the stem ends";
        DCctNote* outer = notes[c.outermost];
        const int atOuter = L.y + (R.y - L.y) * (outer->GetX() - L.x) / (R.x - L.x);
        const int clear = c.below ? outer->GetY() - atOuter : atOuter - outer->GetY();
        EXPECT_NEAR(clear, 2 * staff.h, 1) << c.keys[c.outermost];
    }
}

// A chord in the group: the bracket starts at its note column and clears its
// note nearest the bracket.
TEST(TupletLayoutTest, AChordStandsAtItsNotesAndClearsItsOuterNote) {
    const struct {
        int direction, below;
        std::vector<int> chord;
        bool bottom;   // which of the chord's notes is the outermost head
    } cases[] = {
        {STEMS_UP, 1, {60, 67}, true},    // below: C4 lies lowest of the group
        {STEMS_DOWN, 0, {74, 79}, false},  // above: G5 lies highest
    };
    for (const auto& c : cases) {
        TupletStaff staff;
        DCctTuplet* tuplet = staff.AddTuplet(0);
        tuplet->SetTupletLocation(c.below, 1);
        DCctChord* chord = staff.AddChord(c.chord, 40, c.direction);
        DCctNote* middle = staff.AddNote(69, 100, c.direction);
        DCctNote* last = staff.AddNote(71, 160, c.direction);
        ASSERT_EQ(tuplet->Position(nullptr, nullptr, nullptr, nullptr), 1);
        const CPoint L = tuplet->GetLeftPoint();
        const CPoint R = tuplet->GetRightPoint();
        EXPECT_EQ(L.x, chord->GetNoteX());
        EXPECT_EQ(R.y - L.y, last->GetStemPosition().y - chord->GetStemPosition().y) << "parallel to the stem ends";
        DCctNote* outer = c.bottom ? chord->GetBottomNote() : chord->GetTopNote();
        const int atOuter = L.y + (R.y - L.y) * (outer->GetX() - L.x) / (R.x - L.x);
        const int clear = c.below ? outer->GetY() - atOuter : atOuter - outer->GetY();
        EXPECT_NEAR(clear, 2 * staff.h, 1) << c.chord.front();
        EXPECT_NE(outer->GetY(), middle->GetY());
    }
}

// Mixed stems with the bracket above: it keeps two spaces over the up stem's
// end and over the down-stemmed note's head.
TEST(TupletLayoutTest, MixedStemsAbove) {
    TupletStaff staff;
    DCctTuplet* tuplet = staff.AddTuplet(0);
    DCctNote* up = staff.AddNote(67, 40, STEMS_UP);
    staff.AddNote(69, 100, STEMS_UP);
    DCctNote* down = staff.AddNote(72, 160, STEMS_DOWN);
    ASSERT_EQ(tuplet->Position(nullptr, nullptr, nullptr, nullptr), 1);
    const int over = std::max(up->GetStemPosition().y, down->GetY()) + 2 * staff.h;
    EXPECT_EQ(tuplet->GetLeftPoint().y, over);
    EXPECT_EQ(tuplet->GetRightPoint().y, over);
}

TEST(TupletLayoutTest, NumberOverTheMiddleOfTheGroup) {
    const struct {
        int n, m, children;
        int x;   // the number's x less half a notehead
    } cases[] = {
        {4, 3, 4, 130},   // even: between the two middle notes (x 100 and 160)
        {5, 4, 5, 160},   // odd: on the middle note
        {7, 4, 3, 130},   // target past the group: between the last two
        {3, 2, 2, 70},    // two children: midway between the bracket's ends
    };
    for (const auto& c : cases) {
        TupletStaff staff;
        DCctTuplet* tuplet = staff.AddTuplet(0, c.n, c.m);
        for (int i = 0; i < c.children; ++i)
            staff.AddNote(67, 40 + 60 * i, STEMS_UP);
        ASSERT_EQ(tuplet->Position(nullptr, nullptr, nullptr, nullptr), 1);
        const int expected = c.children > 2 ? c.x + staff.w / 2 : 40 + (100 + staff.w - 40) / 2;
        EXPECT_EQ(tuplet->GetNumberX(), expected) << c.n << " of " << c.children;
    }
}

// A group of rests has no stems to follow: the bracket keeps two spaces
// clear of the staff, from the first rest to the last.
TEST(TupletLayoutTest, GroupOfRestsClearsTheStaff) {
    for (int below : {0, 1}) {
        TupletStaff staff;
        DCctTuplet* tuplet = staff.AddTuplet(0);
        tuplet->SetTupletLocation(below, 1);
        staff.AddRest(30);
        staff.AddRest(90);
        staff.AddRest(150);
        ASSERT_EQ(tuplet->Position(nullptr, nullptr, nullptr, nullptr), 1);
        const int y = below ? -6 * staff.h : 2 * staff.h;
        EXPECT_EQ(tuplet->GetLeftPoint(), CPoint(30, y)) << below;
        EXPECT_EQ(tuplet->GetRightPoint(), CPoint(150 + staff.w, y)) << below;
        const QImage image = staff.Draw(tuplet);
        EXPECT_EQ(staff.Drawn(), 1);
        EXPECT_FALSE(FindInk(image, 0, image.height()).Empty());
    }
}

TEST(TupletLayoutTest, WithoutTheClefsDisplayNotPlaced) {
    TupletStaff staff;
    DCctTuplet* tuplet = staff.AddTuplet(0);
    staff.AddNote(67, 40, STEMS_UP);
    ECBase* group = tuplet->GetOwner();
    ECMeasure* measure = static_cast<ECMeasure*>(group->GetAncestor(ET_MEASURE, -1));
    // The clef loses its display object.
    ECBase* clef = measure->GetChildren()->GetAt(measure->GetChildren()->FindEvent(ET_CLEF));
    ASSERT_NE(clef->GetData(DK_NOTATION, 0), nullptr);
    EXPECT_EQ(tuplet->Position(nullptr, nullptr, nullptr, nullptr), 1);
    clef->RemoveData();
    EXPECT_EQ(tuplet->Position(nullptr, nullptr, nullptr, nullptr), 0);
}

TEST(TupletHitTest, TheNumberIsTheTarget) {
    TripletOnG4 g;
    DisplayCanvas canvas(8, 8, 0, 0);
    g.tuplet->SetSize(&canvas.dc);
    g.tuplet->SetPositionDirty(0);
    const int line = g.StemEnd() + 2 * g.staff.h;
    const CPoint centre(g.tuplet->GetNumberX(), line);
    EXPECT_EQ(g.tuplet->HitTest(centre, CPoint(0, 0), 0), DCctBase::HIT_INSIDE);
    // The bracket's end is not the number.
    EXPECT_EQ(g.tuplet->HitTest(CPoint(42, line), CPoint(0, 0), 0), DCctBase::HIT_OUTSIDE | DCctBase::HIT_LOW_X);
    CRect around(centre.x - 1, centre.y - 1, centre.x + 1, centre.y + 1);
    EXPECT_EQ(g.tuplet->HitTest(&around, CPoint(0, 0), 0), DCctBase::HIT_INSIDE);
    // A user offset moves the number with the bracket.
    g.tuplet->SetStoredOffset(CSize(50, 0));
    EXPECT_EQ(g.tuplet->HitTest(centre + CSize(50, 0), CPoint(0, 0), 0), DCctBase::HIT_INSIDE);
    g.tuplet->SetFrameDirty(1);
    EXPECT_EQ(g.tuplet->HitTest(centre, CPoint(0, 0), 0), DCctBase::HIT_UNPLACED);
}

// Time correction may leave a tuplet without children in its measure: it
// shows nothing at the points it had.
TEST(TupletDrawTest, EmptiedTupletShowsNothing) {
    TupletStaff staff;
    DCctTuplet* tuplet = staff.AddTuplet(0);
    tuplet->SetBracketPoints(CPoint(40, 30), CPoint(160, 30), 100);   // from a layout before
    DisplayCanvas canvas(8, 8, 0, 0);
    tuplet->SetSize(&canvas.dc);
    EXPECT_EQ(tuplet->Position(nullptr, nullptr, nullptr, nullptr), 1);
    tuplet->SetPositionDirty(0);
    const QImage image = staff.Draw(tuplet);
    EXPECT_EQ(staff.Drawn(), DCctBase::DRAW_NOTHING);
    EXPECT_TRUE(FindInk(image, 0, image.height()).Empty());
    CRect frame;
    tuplet->GetFrame(&frame, 0);
    EXPECT_TRUE(frame.IsRectEmpty());
    EXPECT_EQ(tuplet->HitTest(CPoint(100, 30), CPoint(0, 0), 0), DCctBase::HIT_UNPLACED);
    EXPECT_EQ(tuplet->FrameDirty(), 0);
}

TEST(TupletDrawTest, SampleFillsTheRectangleAndPutsTheFontBack) {
    MusicFontScope font(NOTEHEAD);
    const int before = MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_NORMAL);
    DCctTuplet tuplet;
    DisplayCanvas canvas(200, 100, 0, 50);
    CRect rect(10, 30, 190, -30);
    EXPECT_EQ(tuplet.DrawInRect(&canvas.dc, &rect), 1);
    const QImage image = canvas.Copy();
    const InkBox ink = FindInk(image, 0, image.height());
    ASSERT_FALSE(ink.Empty());
    EXPECT_GE(ink.left, 10);
    EXPECT_LE(ink.right, 190);
    EXPECT_GT(ink.right - ink.left, 90) << "the bracket spans the rectangle";
    EXPECT_EQ(MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_NORMAL), before);
    EXPECT_EQ(tuplet.PositionDirty(), 1) << "the sample's points are not the score's";
    EXPECT_EQ(tuplet.FrameDirty(), 1);
}

}  // namespace
