// Notes drawn on a placed treble staff (C major, spellings set) into an
// image through a memory DC, y up, checked by where the ink lies: heads on
// their lines, stems and flags on their sides, ledger lines where the staff
// ends, and style 7's stem without a head.
#include "notation/display/note.h"

#include "tests/notation/display/display_support.h"
#include "tests/notation/display/note_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

using namespace note_test;

constexpr int NOTEHEAD = 12;
constexpr int TOP_ROW = 120;   // the device row of the staff's top line (logical y 0)
constexpr int LEFT = 60;       // the note's x on the canvas

// The first and last columns with ink on a row; (0, -1) for none.
struct Span {
    int first = 0, last = -1;
    int Width() const { return last - first + 1; }
};
Span InkSpan(const QImage& image, int row) {
    Span span;
    for (int x = 0; x < image.width(); ++x) {
        if ((image.pixel(x, row) & 0xFFFFFF) == 0xFFFFFF)
            continue;
        if (span.last < 0)
            span.first = x;
        span.last = x;
    }
    return span;
}

// Runs of consecutive rows with ink.
struct InkRun {
    int first, last;
    int Centre() const { return (first + last) / 2; }
};
std::vector<InkRun> InkRuns(const std::vector<int>& rows) {
    std::vector<InkRun> runs;
    for (int row : rows) {
        if (!runs.empty() && runs.back().last + 1 == row)
            runs.back().last = row;
        else
            runs.push_back({row, row});
    }
    return runs;
}

// A note drawn as the view draws it: placed by its measure, ledger lines and
// stem direction set for the treble clef.
class StaffDrawing {
public:
    StaffDrawing() : m_font(NOTEHEAD) {
        m_score.ColumnDisplay(1);
        m_score.Display(1)->SetPosition(0, 0);
        m_score.AddClef(1, 0, 0);
        h = MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_CURRENT);
        sw = std::max(1, MCMusicFont::GetMusicFont().GetStemWidth(FONT_CURRENT));
    }

    // direction -1: by pitch.
    QImage Draw(int key, int ticks, int style = 0, int direction = -1) {
        DCctNote* note = AddNote(m_score, 1, key, ticks);
        note->SetNoteheadStyle(static_cast<BYTE>(style), 1);
        EXPECT_EQ(note->Position(nullptr, nullptr, nullptr, nullptr), 1);
        ClefLines treble;
        note->SetLedgerLines(AsClef(treble));
        if (direction < 0)
            note->SetStemDirectionByPitch(AsClef(treble));
        else
            note->SetStemDirection(direction, 1);
        note->SetStemSide(note->GetStemDirection() ? 0 : 1, 1);
        DisplayCanvas canvas(200, 320, 0, TOP_ROW);
        EXPECT_EQ(note->Draw(&canvas.dc, CPoint(LEFT, 0), nullptr), 1);
        return canvas.Copy();
    }

    // Rows where the ink is wider than a stem: the head (and flags, ledgers).
    std::vector<int> WideRows(const QImage& image) const {
        std::vector<int> rows;
        for (int row = 0; row < image.height(); ++row)
            if (InkSpan(image, row).Width() > 2 * sw + 2)
                rows.push_back(row);
        return rows;
    }

    int h = 0;
    int sw = 1;

private:
    MusicFontScope m_font;
    measure_test::LinksScope m_links;
    ClefLinksScope m_clefLinks;
    measure_test::Score m_score{0, 1};
};

TEST(NoteDrawTest, HeadsOnTheirLinesAndTheStemOnTheRight) {
    StaffDrawing staff;
    const int h = staff.h;

    const QImage e4 = staff.Draw(64, 256);
    const std::vector<InkRun> head = InkRuns(staff.WideRows(e4));
    ASSERT_EQ(head.size(), 1u);
    EXPECT_NEAR(head[0].Centre(), TOP_ROW + 4 * h, 1) << "E4 on the bottom line";
    const std::vector<int> rows = InkRows(e4);
    ASSERT_FALSE(rows.empty());
    EXPECT_NEAR(rows.front(), TOP_ROW + 4 * h - 7 * h / 2, 2) << "the stem rises 3 1/2 spaces";
    const Span stemTop = InkSpan(e4, rows.front());
    const Span headRow = InkSpan(e4, head[0].Centre());
    EXPECT_GT(stemTop.first, (headRow.first + headRow.last) / 2) << "on the right of the head";

    const QImage f5 = staff.Draw(77, 256);
    const std::vector<InkRun> top = InkRuns(staff.WideRows(f5));
    ASSERT_EQ(top.size(), 1u);
    EXPECT_NEAR(top[0].Centre(), TOP_ROW, 1) << "F5 on the top line";
}

TEST(NoteDrawTest, LedgerLinesWhereTheStaffEnds) {
    StaffDrawing staff;
    const int h = staff.h;
    // Style 7 whole notes: the ledger lines alone.
    const struct {
        int key;
        std::vector<int> lines;   // logical y of each ledger line
    } cases[] = {
        {60, {-5 * h}},            // C4: one line below
        {81, {h}},                 // A5: on the line (bit 22 clear)
        {83, {h}},                 // B5: above it (bit 22 set), the line half a step lower
        {84, {2 * h, h}},          // C6: two
        {79, {}},                  // G5: none
    };
    for (const auto& c : cases) {
        const std::vector<InkRun> runs = InkRuns(InkRows(staff.Draw(c.key, 1024, 7)));
        ASSERT_EQ(runs.size(), c.lines.size()) << c.key;
        std::vector<int> want;
        for (int y : c.lines)
            want.push_back(TOP_ROW - y);
        std::sort(want.begin(), want.end());
        for (size_t i = 0; i < runs.size(); ++i)
            EXPECT_NEAR(runs[i].Centre(), want[i], 1) << c.key << " line " << i;
    }

    // B5's head stands above its ledger line, A5's on it.
    const std::vector<InkRun> b5 = InkRuns(staff.WideRows(staff.Draw(83, 256)));
    ASSERT_FALSE(b5.empty());
    EXPECT_LT(b5.front().first, TOP_ROW - h - 1);

    // A whole note's ledger glyph is the wider one.
    const int wide = InkSpan(staff.Draw(60, 1024, 7), TOP_ROW + 5 * h).Width();
    const int plain = InkSpan(staff.Draw(60, 512, 7), TOP_ROW + 5 * h).Width();
    EXPECT_GT(wide, plain);
}

TEST(NoteDrawTest, DownStemEighthHasItsFlagBelowTheHead) {
    StaffDrawing staff;
    const int h = staff.h;
    const QImage c5 = staff.Draw(72, 128, 0, 1);   // head in the third space, at -1.5h
    const int headRow = TOP_ROW + 3 * h / 2;
    const std::vector<int> rows = InkRows(c5);
    ASSERT_FALSE(rows.empty());
    EXPECT_GE(rows.front(), headRow - h) << "nothing above the head";
    EXPECT_NEAR(rows.back(), headRow + 7 * h / 2, h) << "the stem reaches 3 1/2 spaces down";
    bool flag = false;
    for (int row = headRow + h; row <= rows.back(); ++row)
        flag = flag || InkSpan(c5, row).Width() > 2 * staff.sw + 2;
    EXPECT_TRUE(flag) << "a flag hangs from the stem's end";
}

TEST(NoteDrawTest, StyleNoneDrawsTheStemWithoutAHead) {
    StaffDrawing staff;
    const int h = staff.h;
    const QImage none = staff.Draw(64, 256, 7);
    EXPECT_TRUE(staff.WideRows(none).empty()) << "no head";
    const std::vector<int> rows = InkRows(none);
    ASSERT_FALSE(rows.empty());
    EXPECT_NEAR(rows.front(), TOP_ROW + 4 * h - 7 * h / 2, 2) << "the stem as with a head";
}

TEST(NoteDrawTest, PrototypeDrawsMiddleCInTheRectangleAndPutsTheFontBack) {
    MusicFontScope font(NOTEHEAD);
    const int before = MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_NORMAL);
    DCctNote note;
    note.SetValue(128, 0);
    DisplayCanvas canvas(200, 200, 0, 100);
    CRect rect(20, 80, 180, -80);
    EXPECT_EQ(note.DrawInRect(&canvas.dc, &rect), 1);
    EXPECT_EQ(note.GetSpelling().GetMidiPitch(), 60);
    EXPECT_FALSE(InkRows(canvas.Copy()).empty());
    EXPECT_EQ(MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_NORMAL), before);
}

}  // namespace
