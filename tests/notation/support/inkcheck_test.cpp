// The collision rules on symbols drawn straight onto the recording printer:
// each case draws two symbols as two elements would (the element named to
// the device context first), a staff space apart or on top of each other,
// and names the pair of kinds the check reports, or none.
#include "tests/notation/support/inkcheck.h"

#include "notation/display/accidental.h"
#include "notation/display/beam.h"
#include "notation/display/clef.h"
#include "notation/display/conductormeasure.h"
#include "notation/display/dot.h"
#include "notation/display/drawsteps.h"
#include "notation/display/measure.h"
#include "notation/display/note.h"
#include "notation/display/rest.h"
#include "notation/layout/curves.h"
#include "notation/layout/musicfont.h"
#include "notation/layout/textfonts.h"
#include "platform/gdi/printdc.h"
#include "tests/notation/display/display_support.h"
#include "tests/notation/support/pagerecorder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using page_check::InkKind;

constexpr int H = 120;   // a staff space, twips
constexpr COLORREF kBlack = 0;
constexpr UINT kSharp = 35;
constexpr UINT kTrebleClef = 38;
constexpr UINT kLedgerLine = 95;
constexpr UINT kDot = 107;
constexpr UINT kQuarterRest = 206;
constexpr UINT kBlackHead = 207;

// What a case draws for one element, at (x, y) in staff spaces (y up):
// a music glyph on that baseline, a stem up from there, a beam (half a
// space thick, four wide) or a measure number.
struct Stamp {
    enum Kind { GLYPH, STEM, BEAM, DIGITS, STAFF_LINE } kind;
    UINT code;
    double x, y;
};

class InkCheckTest : public ::testing::Test {
protected:
    // The pairs of kinds the check finds when `first` is drawn by one
    // element and `second` by another.
    std::vector<std::string> Pairs(CObject& a, const Stamp& first, CObject& b, const Stamp& second) {
        page_check::RecordingPrinter printer(QPageSize(QPageSize::Letter));
        CPrintDC dc;
        EXPECT_TRUE(dc.AttachPrinter(&printer, DCKind::Printer));
        dc.SetDrawingObserver(&printer.Observer());
        EXPECT_GT(dc.StartDoc("stamps"), 0);
        EXPECT_GT(dc.StartPage(), 0);
        dc.SetMapMode(MM_TWIPS);
        Draw(dc, a, first);
        Draw(dc, b, second);
        dc.EndPage();
        dc.EndDoc();
        std::vector<std::string> pairs;
        for (const page_check::Collision& c : page_check::FindCollisions(printer.Marks()))
            pairs.push_back(c.Pair());
        return pairs;
    }

    static void Draw(CDC& dc, CObject& element, const Stamp& stamp) {
        dc.SetDrawingObject(&element);
        const CPoint at(static_cast<int>(2 * H + stamp.x * H), static_cast<int>(-20 * H + stamp.y * H));
        MCMusicFont& music = MCMusicFont::GetMusicFont();
        switch (stamp.kind) {
        case Stamp::GLYPH:
            music.SelectFont(&dc, FONT_NORMAL);
            DrawMusicGlyph(&dc, at.x, at.y + music.GetAscent(FONT_NORMAL), stamp.code);
            music.DeselectFont(&dc);
            break;
        case Stamp::STEM:
            DrawLine().Draw(&dc, at, CPoint(at.x, at.y + 7 * H / 2), music.GetStemWidth(FONT_NORMAL), kBlack,
                            DrawLine::CENTERED);
            break;
        case Stamp::BEAM: {
            const POINT corners[] = {{at.x, at.y}, {at.x + 4 * H, at.y + H / 2}, {at.x + 4 * H, at.y},
                                     {at.x, at.y - H / 2}};
            CBrush* previous = static_cast<CBrush*>(dc.SelectStockObject(BLACK_BRUSH));
            dc.Polygon(corners, 4);
            dc.SelectObject(previous);
            break;
        }
        case Stamp::DIGITS: {
            MCTextFont& text = MCTextFont::GetTextFont();
            text.SelectFont(&dc);
            const int old = dc.SetBkMode(TRANSPARENT);
            dc.TextOut(at.x, at.y, "12");
            dc.SetBkMode(old);
            text.DeselectFont(&dc);
            break;
        }
        case Stamp::STAFF_LINE:
            DrawLine().Draw(&dc, at, CPoint(at.x + 8 * H, at.y), music.GetBarlineWidth(FONT_NORMAL), kBlack, 0);
            break;
        }
        dc.SetDrawingObject(nullptr);
    }

    MusicFontScope font{H};
};

TEST_F(InkCheckTest, EachRuleFindsItsPairAndOnlyIt) {
    DCctAccidental accidental;
    DCctNote note, other;
    DCctRest rest;
    DCctBeam beam;
    DCctDot dot;
    DCctClef clef;
    DCctConductorMeasure column;
    DCctMeasure staff;
    const struct {
        const char* what;
        CObject& a;
        Stamp first;
        CObject& b;
        Stamp second;
        const char* pair;   // "" for none
    } cases[] = {
        {"accidental on a head", accidental, {Stamp::GLYPH, kSharp, 0, 0}, note, {Stamp::GLYPH, kBlackHead, 0.5, 0},
         "Accidental / Notehead"},
        {"accidental clear of its head", accidental, {Stamp::GLYPH, kSharp, 0, 0}, note,
         {Stamp::GLYPH, kBlackHead, 1.5, 0}, ""},
        {"two heads on one place", note, {Stamp::GLYPH, kBlackHead, 0, 0}, other, {Stamp::GLYPH, kBlackHead, 0.2, 0},
         "Notehead / Notehead"},
        {"a second, side by side", note, {Stamp::GLYPH, kBlackHead, 0, 0}, other,
         {Stamp::GLYPH, kBlackHead, 1.3, 0.5}, ""},
        {"another note's stem through a head", note, {Stamp::GLYPH, kBlackHead, 0, 0}, other,
         {Stamp::STEM, 0, 0.5, -1}, ""},
        {"a beam through a rest", beam, {Stamp::BEAM, 0, -1, 0}, rest, {Stamp::GLYPH, kQuarterRest, 0.5, 0},
         "Beam / Rest"},
        {"a dot on a stem", note, {Stamp::STEM, 0, 0.2, -1}, dot, {Stamp::GLYPH, kDot, 0, 0}, "Dot / Stem"},
        {"a number on a clef", clef, {Stamp::GLYPH, kTrebleClef, 0, 0}, column, {Stamp::DIGITS, 0, 0, 1},
         "Clef / Number"},
        {"a head on a staff line", staff, {Stamp::STAFF_LINE, 0, -2, 0}, note, {Stamp::GLYPH, kBlackHead, 0, 0},
         ""},
        {"a ledger line through another head", note, {Stamp::GLYPH, kLedgerLine, 0, 0}, other,
         {Stamp::GLYPH, kBlackHead, 0, 0}, ""},
    };
    for (const auto& c : cases) {
        const std::vector<std::string> pairs = Pairs(c.a, c.first, c.b, c.second);
        if (c.pair[0])
            EXPECT_EQ(pairs, std::vector<std::string>{c.pair}) << c.what;
        else
            EXPECT_TRUE(pairs.empty()) << c.what << ": " << (pairs.empty() ? "" : pairs[0]);
    }
}

// What the recorder keeps of a symbol: its ink's box on the sheet, the
// element, and the music code it was drawn from.
TEST_F(InkCheckTest, AMarkIsItsInkAndItsElement) {
    page_check::RecordingPrinter printer(QPageSize(QPageSize::Letter));
    CPrintDC dc;
    ASSERT_TRUE(dc.AttachPrinter(&printer, DCKind::Printer));
    dc.SetDrawingObserver(&printer.Observer());
    ASSERT_GT(dc.StartDoc("marks"), 0);
    ASSERT_GT(dc.StartPage(), 0);
    dc.SetMapMode(MM_TWIPS);
    DCctNote note;
    Draw(dc, note, {Stamp::GLYPH, kBlackHead, 0, 0});
    ASSERT_GT(dc.StartPage(), 0);
    Draw(dc, note, {Stamp::STEM, 0, 0, 0});
    dc.EndDoc();

    ASSERT_EQ(printer.Marks().size(), 2u);
    const page_check::InkMark& head = printer.Marks()[0];
    EXPECT_EQ(head.page, 1);
    EXPECT_EQ(head.element, &note);
    EXPECT_EQ(page_check::Classify(head), InkKind::Notehead);
    // A staff space is a twelfth of an inch: the head is about 1.3 spaces
    // wide and one high, centred on its baseline (20 spaces down, 2 in).
    constexpr double space = page_check::kDotsPerInch / 12.0;
    EXPECT_NEAR(head.box.width(), 1.3 * space, 0.1 * space);
    EXPECT_NEAR(head.box.height(), space, 0.15 * space);
    EXPECT_NEAR(head.box.center().y(), 20 * space, 0.1 * space);
    EXPECT_NEAR(head.box.left(), 2 * space, 0.1 * space);
    const page_check::InkMark& stem = printer.Marks()[1];
    EXPECT_EQ(stem.page, 2);
    EXPECT_EQ(page_check::Classify(stem), InkKind::Stem);
    EXPECT_NEAR(stem.box.height(), 3.5 * space, 0.05 * space);
    EXPECT_EQ(printer.PageCount(), 2);
}

// The table of allowed contacts, read either way round: what touches by
// design, and what must not (free symbols, beams on heads and rests).
TEST(InkCheckTable, AllowedContactsEitherWayRound) {
    const struct {
        InkKind a, b;
        bool allowed;
    } cases[] = {
        {InkKind::Notehead, InkKind::Stem, true},   {InkKind::Beam, InkKind::Stem, true},
        {InkKind::Flag, InkKind::Stem, true},       {InkKind::Notehead, InkKind::LedgerLine, true},
        {InkKind::TieSlur, InkKind::Notehead, true}, {InkKind::Accidental, InkKind::StaffLine, true},
        {InkKind::Number, InkKind::BarLine, true},  {InkKind::Accidental, InkKind::Notehead, false},
        {InkKind::Number, InkKind::Clef, false},    {InkKind::Beam, InkKind::Rest, false},
        {InkKind::Dot, InkKind::Stem, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(page_check::IsAllowedContact(c.a, c.b), c.allowed)
            << page_check::KindName(c.a) << " / " << page_check::KindName(c.b);
        EXPECT_EQ(page_check::IsAllowedContact(c.b, c.a), c.allowed) << "either way round";
    }
}

}  // namespace
