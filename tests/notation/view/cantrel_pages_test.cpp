// The pages of each score window: two scores open side by side each print
// and draw their own pages, and a bar wider than any page stays inside its
// measure and inside the page's printable area.
#include "notation/view/cantrel.h"

#include "model/conductor.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/measure.h"
#include "model/performance.h"
#include "notation/display/base.h"
#include "notation/display/conductormeasure.h"
#include "notation/layout/pagelayout.h"
#include "platform/ui/menu.h"
#include "platform/ui/uiresources.h"
#include "tests/notation/view/pdf_support.h"
#include "tests/notation/view/printprogram_support.h"
#include "tests/notation/view/songfile_support.h"
#include "tests/support/smf_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace pdf_support;
using namespace view_test;

constexpr UINT IDR_PAGES_MAIN = 29881;
constexpr UINT IDR_PAGES_DOC = 29882;

const MenuTemplate kMainMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_NEW, "&New"}}}}};
MENU_RESOURCE(IDR_PAGES_MAIN, kMainMenu);
const MenuTemplate kDocMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_CLOSE, "&Close"}}}}};
MENU_RESOURCE(IDR_PAGES_DOC, kDocMenu);
STRING_TABLE({IDR_PAGES_MAIN, "Pages"}, {IDR_PAGES_DOC, "Paged"});

constexpr int kDivision = 480;

// One staff in `numerator`/4 at 120 quarters a minute: `bars` bars of notes
// `perQuarter` to a quarter, walking up and down an octave, each held 66 %
// of its length (read back as the full value through the view's gate).
smf_support::Bytes Scales(int numerator, int bars, int perQuarter) {
    smf_support::Track conductor;
    conductor.Tempo(0, 500000).TimeSignature(0, numerator, 2).End();
    smf_support::Track track;
    const int length = kDivision / perQuarter;
    const int held = length * 66 / 100;
    uint32_t pending = 0;
    static const int kScale[] = {60, 62, 64, 65, 67, 69, 71, 72};
    for (int note = 0; note < bars * numerator * perQuarter; ++note) {
        const int key = kScale[note % 14 < 7 ? note % 7 : 7 - note % 7];
        track.NoteOn(pending, 0, key, 90).NoteOff(held, 0, key);
        pending = length - held;
    }
    track.End(pending);
    return smf_support::File(1, kDivision).Add(conductor).Add(track).GetBytes();
}

class CantrelPagesTest : public PrintProgram {
protected:
    CantrelPagesTest() : PrintProgram(IDR_PAGES_MAIN, IDR_PAGES_DOC) {}

    // The first conductor measure standing on page `page` (from 2) of the
    // page view; 0 when none does.
    static int FirstMeasureOn(CCantrel* view, int page) {
        const MCPageLayout& layout = MCPageLayout::GetPageLayout();
        for (int n = 1; Column(view, n); ++n)
            if (layout.GetPageAtPoint(Column(view, n)->GetVirtualPosition(), page) == page)
                return n;
        return 0;
    }
    // The view scrolled to the top of `page` and painted: how many staff
    // lines run across staff 1 of the page's first measure (rows inked over
    // most of its width, so that notes, stems and beams do not count).
    static int StaffLinesDrawnOn(CCantrel* view, int page) {
        const int measure = FirstMeasureOn(view, page);
        if (measure == 0)
            return -1;
        const MCPageLayout& layout = MCPageLayout::GetPageLayout();
        view->ScrollTo(CPoint(0, layout.GetPageRect(page, layout.GetPageRect()).top));
        const QImage image = PaintView(view);
        CRect frame;
        NotationDisplayOf(Conductor(view)->GetMeasure(1, measure))->GetVirtualFrame(&frame, 0);
        DCctConductorMeasure* column = Column(view, measure);
        const CPoint at = column->GetVirtualPosition();
        const int left = ViewToPixel(view, at).x;
        const int right = ViewToPixel(view, CPoint(at.x + column->GetBarlineX(), 0)).x;
        const int top = ViewToPixel(view, CPoint(0, std::max(frame.top, frame.bottom))).y;
        const int bottom = ViewToPixel(view, CPoint(0, std::min(frame.top, frame.bottom))).y;
        int lines = 0;
        bool inLine = false;
        for (int y = top - 2; y <= bottom + 2; ++y) {
            int ink = 0;
            for (int x = left; x < right; ++x)
                ink += Inked(image, x, y);
            const bool line = ink * 10 > (right - left) * 6;
            lines += line && !inLine;
            inLine = line;
        }
        return lines;
    }
};

// Two scores open, laid out to different pages (the second after the
// first): printing the first prints its own pages, and each window draws
// its own later pages.
TEST_F(CantrelPagesTest, TwoScoresEachPrintAndDrawTheirOwnPages) {
    if (!HavePdfTools())
        GTEST_SKIP() << "the PDF tools are not installed (tools/setup)";
    const smf_support::Bytes song = MakeSong(dir.filePath("song.mid").toStdString());
    ASSERT_FALSE(song.empty()) << "python3-mido is needed (tools/setup)";
    CCantrel* first = OpenFile(song);
    ASSERT_NE(first, nullptr);
    const int firstPages = PageCount(first);
    ASSERT_GE(firstPages, 3);
    // Sixteenths on one staff: other systems, so its pages begin elsewhere.
    CCantrel* second = OpenFile(Scales(4, 20, 4));
    ASSERT_NE(second, nullptr);
    const int secondPages = PageCount(second);
    ASSERT_GE(secondPages, 2);
    ASSERT_NE(firstPages, secondPages);
    ASSERT_NE(FirstMeasureOn(first, 2), FirstMeasureOn(second, 2));
    // Each keeps its pages: their count, and each page starts at its first measure.
    EXPECT_EQ(PageCount(first), firstPages);
    for (CCantrel* view : {first, second})
        for (int page = 2; page <= (view == first ? firstPages : secondPages); ++page)
            EXPECT_EQ(view->GetPagenate().GetPages().GetPageStartTime(page),
                      *Conductor(view)->GetMeasure(TRACK_CONDUCTOR, FirstMeasureOn(view, page))->GetTime())
                << (view == first ? "first" : "second") << " score, page " << page;

    const QString path = dir.filePath("first.pdf");
    PrintToPdf(first, path);
    EXPECT_EQ(ReadPdfInfo(path).pages, firstPages);
    EXPECT_EQ(PageCount(first), firstPages);
    EXPECT_EQ(PageCount(second), secondPages);
    for (int page : {2, firstPages})
        EXPECT_EQ(StaffLinesDrawnOn(first, page), 5) << "first score, page " << page;

    // The first laid out again (as after an edit) leaves the second's pages alone.
    ASSERT_TRUE(LayOut(first));
    EXPECT_EQ(PageCount(second), secondPages);
    for (int page : {2, secondPages})
        EXPECT_EQ(StaffLinesDrawnOn(second, page), 5) << "second score, page " << page;
}

// Bars wider than any page (wider than a 16-bit width holds, for the long
// meters) are squeezed into the system: every note stands between its
// measure's start and its barline, and the printed page holds nothing past
// its printable area (text boxes of the music font, ink at 150 dots an inch).
TEST_F(CantrelPagesTest, AWideBarStaysInsideItsMeasureAndThePrintableArea) {
    if (!HavePdfTools())
        GTEST_SKIP() << "the PDF tools are not installed (tools/setup)";
    const struct {
        const char* what;
        int numerator;
        int perQuarter;
    } cases[] = {
        {"a 32/4 bar of 64 eighths", 32, 2},
        {"a 32/4 bar of 128 sixteenths", 32, 4},
        {"a 16/4 bar of 64 sixteenths", 16, 4},
    };
    const MCPageLayout& layout = MCPageLayout::GetPageLayout();
    const CRect& paper = layout.GetPaperRect();
    const CRect& printable = layout.GetPrintableRect();
    // The printable area on the sheet, in points from its top-left corner.
    const double right = (printable.right - paper.left) / double(kTwipsPerPoint);
    const double bottom = (paper.top - printable.bottom) / double(kTwipsPerPoint);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CCantrel* view = OpenFile(Scales(c.numerator, 1, c.perQuarter));
        ASSERT_NE(view, nullptr);
        DCctConductorMeasure* column = Column(view, 1);
        ASSERT_NE(column, nullptr);
        EXPECT_LE(column->GetVirtualPosition().x + column->GetWidth(), printable.right);
        const int start = column->GetVirtualPosition().x;
        const int barline = start + column->GetBarlineX();
        ACFindEvents notes;
        notes.AddEvtType(ET_NOTE);
        notes.Apply(Conductor(view)->GetMeasure(1, 1));
        EXPECT_EQ(notes.GetEvents().GetCount(), c.numerator * c.perQuarter);
        int outside = 0;
        for (POSITION pos = notes.GetEvents().GetHeadPosition(); pos;) {
            const int x = NotationDisplayOf(notes.GetEvents().GetNext(pos))->GetVirtualPosition().x;
            outside += x <= start || x >= barline;
        }
        EXPECT_EQ(outside, 0) << "of " << notes.GetEvents().GetCount() << " notes, between " << start << " and "
                              << barline;

        const QString path = dir.filePath(QString("wide-%1-%2.pdf").arg(c.numerator).arg(c.perQuarter));
        PrintToPdf(view, path);
        ASSERT_EQ(ReadPdfInfo(path).pages, PageCount(view));
        const std::vector<PdfWord> words = ReadPdfWords(path);
        EXPECT_FALSE(words.empty());
        for (const PdfWord& word : words) {
            EXPECT_LE(word.right, right + 1) << "page " << word.page << " at " << word.left;
            EXPECT_LE(word.bottom, bottom + 1) << "page " << word.page << " at " << word.top;
        }
        constexpr int kDpi = 150;
        const QImage sheet = RenderPdfPage(path, 1, kDpi);
        ASSERT_FALSE(sheet.isNull());
        const int firstFree = static_cast<int>((right + 2) * kDpi / 72);
        int inkBeyond = 0;
        for (int y = 0; y < sheet.height(); ++y)
            for (int x = firstFree; x < sheet.width(); ++x)
                inkBeyond += Inked(sheet, x, y);
        EXPECT_EQ(inkBeyond, 0) << "ink right of the printable area";
    }
}

}  // namespace
