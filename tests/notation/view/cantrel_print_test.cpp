// The notation view drawing and printing: page 1 on screen (staff lines and
// barlines where the layout puts them), the pages a window taller than the
// score shows, nothing drawn while a layout runs, and printing to a PDF file
// at the layout's own paper and at another one.
#include "notation/view/cantrel.h"

#include "interface/document/midiread.h"
#include "interface/document/opusdoc.h"
#include "interface/document/opustemplate.h"
#include "interface/document/pluginrecords.h"
#include "model/markings.h"
#include "model/conductor.h"
#include "model/eventtypes.h"
#include "model/measure.h"
#include "model/performance.h"
#include "model/preferences.h"
#include "notation/autonote/notateinfo.h"
#include "notation/display/base.h"
#include "notation/display/conductormeasure.h"
#include "notation/layout/pagelayout.h"
#include "notation/view/scorewnd.h"
#include "notation/view/viewids.h"
#include "platform/core/archive.h"
#include "platform/core/file.h"
#include "platform/core/profile.h"
#include "platform/gdi/printdc.h"
#include "platform/gdi/symbolface.h"
#include "platform/ui/app.h"
#include "platform/ui/commands.h"
#include "platform/ui/dialog_script.h"
#include "platform/ui/mdi.h"
#include "platform/ui/menu.h"
#include "platform/ui/paint.h"
#include "platform/ui/print.h"
#include "platform/ui/prompt_script.h"
#include "platform/ui/uiresources.h"
#include "tests/interface/document/doc_support.h"
#include "tests/notation/support/durationgate.h"
#include "tests/notation/support/viewdriver.h"
#include "tests/notation/view/pdf_support.h"
#include "tests/notation/view/printprogram_support.h"
#include "tests/notation/view/songfile_support.h"
#include "tests/platform/gui/print_support.h"
#include "tests/platform/messaging_support.h"
#include "tests/support/smf_support.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QImage>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace view_test;

constexpr UINT IDR_PRINT_MAIN = 29871;
constexpr UINT IDR_PRINT_DOC = 29872;

const MenuTemplate kMainMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_NEW, "&New"}}}}};
MENU_RESOURCE(IDR_PRINT_MAIN, kMainMenu);
const MenuTemplate kDocMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_CLOSE, "&Close"}}}}};
MENU_RESOURCE(IDR_PRINT_DOC, kDocMenu);
STRING_TABLE({IDR_PRINT_MAIN, "Print"}, {IDR_PRINT_DOC, "Printed"});

using namespace pdf_support;
using view_test::kLetterHeight;
using view_test::kLetterWidth;
using view_test::kTwipsPerPoint;

class CantrelPrintTest : public view_test::PrintProgram {
protected:
    CantrelPrintTest() : PrintProgram(IDR_PRINT_MAIN, IDR_PRINT_DOC) {}

    // The layout as it stood before a print: its page count, each measure's
    // page and the second column's place (which a new layout would move).
    struct LayoutBefore {
        int pages = 0;
        std::vector<int> pageOf;
        CPoint second;
    };
    LayoutBefore Before(CCantrel* view) {
        return {PageCount(view), PageOfEachMeasure(view),
                Column(view, 2)->GetVirtualPosition()};
    }
    // `path` holds the layout's Letter pages and nothing was laid out again.
    void ExpectPrintedAsLaidOut(CCantrel* view, const QString& path, const LayoutBefore& before) {
        ExpectLetterPagesOf(view, path, before.pages, before.pageOf);
        EXPECT_EQ(PageCount(view), before.pages);
        EXPECT_EQ(Column(view, 2)->GetVirtualPosition(), before.second) << "laid out again";
    }

    // The song read into a new document's score window, notated and laid
    // out on the view's own screen context.
    CCantrel* OpenSong() {
        songBytes = view_test::MakeSong(dir.filePath("song.mid").toStdString());
        return songBytes.empty() ? nullptr : OpenFile(songBytes);
    }
    // The PDF at `path` holds the Letter layout `view` shows: `pages` pages
    // of Letter, music and text in embedded fonts, the printable area where
    // it belongs on the sheet, every measure number once on its page
    // (`pageOf`, by measure number) and each page's number from page 2
    // within the page's top half inch.
    void ExpectLetterPagesOf(CCantrel* view, const QString& path, int pages, const std::vector<int>& pageOf) {
        const MCPageLayout& layout = MCPageLayout::GetPageLayout();
        const int measures = Conductor(view)->GetMaxMeasureNumber();
        const PdfInfo info = ReadPdfInfo(path);
        EXPECT_EQ(info.pages, pages);
        EXPECT_DOUBLE_EQ(info.width, 612);
        EXPECT_DOUBLE_EQ(info.height, 792);

        // Music and text are text of embedded fonts.
        const std::string fonts = RunTool("pdffonts", {path});
        for (const char* face : {"Emmentaler", "LiberationSerif", "LiberationSans"}) {
            bool embedded = false;
            for (const QString& line : QString::fromStdString(fonts).split('\n'))
                if (line.contains(face)) {
                    const QStringList fields = line.split(' ', Qt::SkipEmptyParts);
                    embedded = fields.size() >= 5 && fields.at(fields.size() - 5) == "yes";
                }
            EXPECT_TRUE(embedded) << face << "\n" << fonts;
        }

        // The paper lands on the sheet: at 72 dots an inch the top staff line of
        // system 2 runs from the printable area's left edge to its right.
        const QImage sheet = RenderPdfPage(path, 1, 72);
        ASSERT_FALSE(sheet.isNull());
        const CRect& paper = layout.GetPaperRect();
        const CRect& printable = layout.GetPrintableRect();
        int systemTwo = 1;
        while (Column(view, systemTwo + 1)->GetVirtualPosition().y == Column(view, 1)->GetVirtualPosition().y)
            ++systemTwo;
        ++systemTwo;
        CRect staff;
        NotationDisplayOf(Conductor(view)->GetMeasure(1, systemTwo))->GetVirtualFrame(&staff, 0);
        const int staffTop = (paper.top - std::max(staff.top, staff.bottom)) / kTwipsPerPoint;
        int row = -1;
        for (int y = staffTop - 3; y <= staffTop + 3 && row < 0; ++y)
            if (Inked(sheet, (paper.left + printable.left) / kTwipsPerPoint, y) || Inked(sheet, 300, y))
                row = y;
        ASSERT_GE(row, 0) << "no staff line near y " << staffTop;
        int left = 300;
        while (Inked(sheet, left - 1, row))
            --left;
        int right = 300;
        while (Inked(sheet, right + 1, row))
            ++right;
        EXPECT_NEAR(left, (printable.left - paper.left) / kTwipsPerPoint, 1);
        EXPECT_NEAR(right, (printable.right - paper.left) / kTwipsPerPoint, 1);

        // Measure numbers are in the expression font (a serif), page numbers in
        // the text font (a sans).
        std::map<int, int> measureCount;
        std::map<int, int> pageNumbers;   // page -> its number
        for (const PdfText& text : ReadPdfTexts(path)) {
            if (text.text.empty() || text.text.find_first_not_of("0123456789") != std::string::npos)
                continue;
            const int value = std::stoi(text.text);
            if (text.family.find("Sans") != std::string::npos) {
                EXPECT_LT(text.top, 36) << "page number " << value;   // within the top half inch
                EXPECT_TRUE(pageNumbers.emplace(text.page, value).second) << "page " << text.page;
            } else if (text.family.find("Serif") != std::string::npos) {
                ASSERT_GE(value, 1);
                ASSERT_LE(value, measures);
                ++measureCount[value];
                EXPECT_EQ(text.page, pageOf[value]) << "measure number " << value;
            }
        }
        for (int n = 1; n <= measures; ++n)
            EXPECT_EQ(measureCount[n], 1) << "measure number " << n;
        EXPECT_EQ(pageNumbers.count(1), 0u) << "page 1 has no number";
        for (int page = 2; page <= pages; ++page)
            EXPECT_EQ(pageNumbers[page], page);
    }
    // Each measure's page in the layout `view` shows, by measure number.
    static std::vector<int> PageOfEachMeasure(CCantrel* view) {
        const int measures = Conductor(view)->GetMaxMeasureNumber();
        std::vector<int> pageOf(measures + 1);
        for (int n = 1; n <= measures; ++n)
            pageOf[n] = view->GetPagenate().GetPageAtPoint(Column(view, n)->GetVirtualPosition());
        return pageOf;
    }
    // The view x, in twips, of measure n's closing barline.
    static int BarlineX(CCantrel* view, int number) {
        ECMeasure* measure = Conductor(view)->GetMeasure(TRACK_CONDUCTOR, number);
        MCEventList* children = measure->GetChildren();
        for (POSITION pos = children ? children->GetHeadPosition() : nullptr; pos;) {
            ECBase* child = children->GetNext(pos);
            if (child->GetClassType() == ET_BARLINE && static_cast<ECBarline*>(child)->GetBarlinePos() == 1)
                return NotationDisplayOf(child)->GetVirtualPosition().x;
        }
        return 0;
    }
    // The longest run of ink along a row of page `page` of the PDF at
    // `path`, in points.
    static int LongestInkedRow(const QString& path, int page) {
        const QImage sheet = RenderPdfPage(path, page, 72);
        int longest = 0;
        for (int y = 0; y < sheet.height(); ++y)
            for (int x = 0, run = 0; x < sheet.width(); ++x) {
                run = Inked(sheet, x, y) ? run + 1 : 0;
                longest = std::max(longest, run);
            }
        return longest;
    }
    // The PDF at `path` holds `view`'s pages once, on Letter turned to
    // landscape, laid out for it: the layout is landscape Letter and the
    // staff lines run longer than the upright sheet is wide.
    void ExpectLandscapeLetterPagesOf(CCantrel* view, const QString& path) {
        const PdfInfo info = ReadPdfInfo(path);
        EXPECT_EQ(info.pages, PageCount(view));
        EXPECT_NEAR(info.width, -kLetterHeight / double(kTwipsPerPoint), 0.5);
        EXPECT_NEAR(info.height, kLetterWidth / double(kTwipsPerPoint), 0.5);
        const CRect& paper = MCPageLayout::GetPageLayout().GetPaperRect();
        EXPECT_NEAR(paper.Width(), -kLetterHeight, 2);
        EXPECT_NEAR(paper.Height(), -kLetterWidth, 2);
        EXPECT_GT(LongestInkedRow(path, 1), kLetterWidth / kTwipsPerPoint);
    }
    smf_support::Bytes songBytes;   // the song OpenSong read
};

// Page 1 on screen: a column just left of a barline crosses five staff
// lines a staff; each barline of the first system is a
// dark column at its device x.
TEST_F(CantrelPrintTest, PageOneShowsFiveLinesAStaffAndEachBarlineAtItsPlace) {
    CCantrel* view = OpenSong();
    ASSERT_NE(view, nullptr) << "python3-mido is needed (tools/setup)";
    const QImage image = PaintView(view);
    ASSERT_FALSE(image.isNull());

    DCctConductorMeasure* first = Column(view, 1);
    ASSERT_NE(first, nullptr);
    // The first system's measures: those on the first measure's row.
    std::vector<int> row;
    for (int n = 1; Column(view, n) && Column(view, n)->GetVirtualPosition().y == first->GetVirtualPosition().y; ++n)
        row.push_back(n);
    ASSERT_GE(row.size(), 2u);
    const int systemTop = ViewToPixel(view, first->GetVirtualPosition()).y;
    const int nextTop = ViewToPixel(view, Column(view, row.back() + 1)->GetVirtualPosition()).y;
    ASSERT_LT(systemTop, nextTop);

    // Just left of the first barline only the staff lines are inked.
    const int x = ViewToPixel(view, CPoint(BarlineX(view, row[0]), 0)).x - 2;
    for (int staff = 1; staff <= 3; ++staff) {
        CRect frame;
        NotationDisplayOf(Conductor(view)->GetMeasure(staff, 1))->GetVirtualFrame(&frame, 0);
        const int top = ViewToPixel(view, CPoint(0, std::max(frame.top, frame.bottom))).y;
        const int bottom = ViewToPixel(view, CPoint(0, std::min(frame.top, frame.bottom))).y;
        int lines = 0;
        for (int y = top - 2; y <= bottom + 2; ++y)
            lines += Inked(image, x, y) && !Inked(image, x, y - 1);
        EXPECT_EQ(lines, 5) << "staff " << staff;
    }

    for (int n : row) {
        const int barX = ViewToPixel(view, CPoint(BarlineX(view, n), 0)).x;
        int darkRows = 0;
        for (int y = systemTop; y < nextTop; ++y)
            darkRows += Inked(image, barX - 1, y) || Inked(image, barX, y) || Inked(image, barX + 1, y);
        EXPECT_GT(darkRows, (nextTop - systemTop) / 3) << "barline of measure " << n;
    }
}

// While a layout runs the pages are filled and nothing on them is placed.
TEST_F(CantrelPrintTest, APaintDuringALayoutPlacesNothing) {
    CCantrel* view = OpenSong();
    ASSERT_NE(view, nullptr) << "python3-mido is needed (tools/setup)";
    DCctBase* measure = Column(view, 1);
    measure->SetPositionDirty(1);
    CNotateInfo& info = view->GetAutoNote().GetNotateInfo();
    info.SetPagenating(1);
    PaintView(view);
    EXPECT_TRUE(measure->PositionDirty());
    info.SetPagenating(0);
    PaintView(view);
    EXPECT_FALSE(measure->PositionDirty());
}

// A window taller than the whole score (its lower edge below the last
// page, where no page is) places the last page's measures too.
TEST_F(CantrelPrintTest, AWindowTallerThanTheScorePlacesItsLastPage) {
    CCantrel* view = OpenSong();
    ASSERT_NE(view, nullptr) << "python3-mido is needed (tools/setup)";
    const MCPageLayout& layout = MCPageLayout::GetPageLayout();
    const int pages = PageCount(view);
    ASSERT_GE(pages, 2);
    const int scoreInches = pages * -layout.GetPageRect().Height() / CCantrel::kTwipsPerInch;
    main->MoveWindow(0, 0, 1000, (scoreInches + 4) * view->GetScreenResolution());
    view->GetParentFrame()->MoveWindow(0, 0, 1000, (scoreInches + 3) * view->GetScreenResolution());
    view->ScrollTo(CPoint(0, 0));
    CRect client;
    view->GetClientRect(&client);
    ASSERT_GT(client.Height(), scoreInches * view->GetScreenResolution());

    DCctBase* last = Column(view, Conductor(view)->GetMaxMeasureNumber());
    ASSERT_EQ(view->GetPagenate().GetPageAtPoint(last->GetVirtualPosition()), pages);
    last->SetPositionDirty(1);
    CClientDC dc(view);
    view->OnPrepareDC(&dc);
    view->PositionVisibleEvents(&dc);
    EXPECT_FALSE(last->PositionDirty());
}

// Direct print to a PDF file on the layout's own paper: the layout's pages,
// nothing laid out again, every measure number once on its page and page
// numbers from page 2 within the top half inch.
TEST_F(CantrelPrintTest, DirectPrintToAPdfFilePrintsTheLayoutsPages) {
    if (!HavePdfTools())
        GTEST_SKIP() << "the PDF tools are not installed (tools/setup)";
    CCantrel* view = OpenSong();
    ASSERT_NE(view, nullptr) << "python3-mido is needed (tools/setup)";
    // The song's bars and no empty one after them.
    EXPECT_EQ(Conductor(view)->GetMaxMeasureNumber(), view_test::kSongBars);
    const LayoutBefore before = Before(view);

    ExpectPrintedAsLaidOut(view, PrintToPdf(view, "out.pdf"), before);
}

// A file of two bars holding only a tempo track (measures, no staff) prints
// its one page.
TEST_F(CantrelPrintTest, ATempoTrackAlonePrintsItsPage) {
    if (!HavePdfTools())
        GTEST_SKIP() << "the PDF tools are not installed (tools/setup)";
    constexpr int kDivision = 480;
    smf_support::Track conductor;
    conductor.Tempo(0, 500000).TimeSignature(0, 4, 2).End(2 * 4 * kDivision);
    CCantrel* view = OpenFile(smf_support::File(1, kDivision).Add(conductor).GetBytes());
    ASSERT_NE(view, nullptr);
    ASSERT_EQ(PageCount(view), 1);

    const PdfInfo info = ReadPdfInfo(PrintToPdf(view, "tempo.pdf"));
    EXPECT_EQ(info.pages, 1);
    EXPECT_NEAR(info.width, kLetterWidth / double(kTwipsPerPoint), 0.5);
}

// Print Setup chose a PDF-writing printer with A4: direct print lays the
// Letter score out again for A4 before page 1, prints the new layout whole
// and the view shows it afterwards.
TEST_F(CantrelPrintTest, PrintingOnAnotherPaperLaysOutAgainFirst) {
    if (!HavePdfTools())
        GTEST_SKIP() << "the PDF tools are not installed (tools/setup)";
    CCantrel* view = OpenSong();
    ASSERT_NE(view, nullptr) << "python3-mido is needed (tools/setup)";
    const MCPageLayout& layout = MCPageLayout::GetPageLayout();
    const QString path = dir.filePath("a4.pdf");
    SetProgramPrinter({path.toStdString(), QPageSize(QPageSize::A4)});
    view->SendMessage(WM_COMMAND, ID_FILE_PRINT_DIRECT, 0);

    const PdfInfo info = ReadPdfInfo(path);
    EXPECT_NEAR(info.width, 595, 1);
    EXPECT_NEAR(info.height, 842, 1);
    EXPECT_EQ(info.pages, PageCount(view));
    EXPECT_EQ(view->GetViewSize().cy, layout.GetPageRect().Height() * PageCount(view));
    std::map<std::string, int> numbers;
    for (const PdfText& text : ReadPdfTexts(path))
        if (text.family.find("Serif") != std::string::npos)
            ++numbers[text.text];
    for (int n = 1; n <= Conductor(view)->GetMaxMeasureNumber(); ++n)
        EXPECT_EQ(numbers[std::to_string(n)], 1) << "measure number " << n;
    // The layout is A4's now: 8.27 by 11.69 inches.
    EXPECT_NEAR(layout.GetPaperRect().Width(), 11906, 10);   // as near as 1200 dots an inch come
    EXPECT_NEAR(-layout.GetPaperRect().Height(), 16838, 10);
}

// Print through the print dialog to the PDF file it offers: the layout's
// pages, nothing laid out again. Cancelled, it prints nothing and leaves no
// file.
TEST_F(CantrelPrintTest, PrintThroughTheDialogPrintsTheLayoutsPagesAndCancelledNothing) {
    if (!HavePdfTools())
        GTEST_SKIP() << "the PDF tools are not installed (tools/setup)";
    CCantrel* view = OpenSong();
    ASSERT_NE(view, nullptr) << "python3-mido is needed (tools/setup)";
    const LayoutBefore before = Before(view);
    CDialogScript dialogs;

    const QString cancelled = dir.filePath("cancelled.pdf");
    SetProgramPrinter({cancelled.toStdString(), std::nullopt});
    dialogs.Queue(RUNTIME_CLASS(CPrintDialog), [](CWnd& dialog) { CDialogScript::Click(dialog, IDCANCEL); });
    view->SendMessage(WM_COMMAND, ID_FILE_PRINT, 0);
    EXPECT_EQ(dialogs.GetPending(), 0u);
    EXPECT_FALSE(QFile::exists(cancelled));

    const QString path = dir.filePath("printed.pdf");
    SetProgramPrinter({path.toStdString(), std::nullopt});
    dialogs.Queue(RUNTIME_CLASS(CPrintDialog), [](CWnd& dialog) { CDialogScript::Click(dialog, IDOK); });
    view->SendMessage(WM_COMMAND, ID_FILE_PRINT, 0);
    EXPECT_EQ(dialogs.GetPending(), 0u);
    ExpectPrintedAsLaidOut(view, path, before);
    EXPECT_EQ(prompts.GetCount(), 0u);
}

// Landscape and two copies chosen in the print dialog: the score is laid
// out again on the turned page and the PDF file holds one set of its pages.
TEST_F(CantrelPrintTest, ALandscapeJobLaysTheScoreOutOnTheTurnedPage) {
    if (!HavePdfTools())
        GTEST_SKIP() << "the PDF tools are not installed (tools/setup)";
    CCantrel* view = OpenSong();
    ASSERT_NE(view, nullptr) << "python3-mido is needed (tools/setup)";
    const QString upright = PrintToPdf(view, "upright.pdf");
    EXPECT_LT(LongestInkedRow(upright, 1), kLetterWidth / kTwipsPerPoint);

    const QString path = dir.filePath("landscape.pdf");
    SetProgramPrinter({path.toStdString(), std::nullopt});
    CDialogScript dialogs;
    dialogs.Queue(RUNTIME_CLASS(CPrintDialog), [](CWnd& dialog) {
        print_support::ChooseOrientation(dialog, QPageLayout::Landscape);
        CDialogScript::SetText(dialog, edt3, "2");
        CDialogScript::Click(dialog, IDOK);
    });
    view->SendMessage(WM_COMMAND, ID_FILE_PRINT, 0);
    EXPECT_EQ(dialogs.GetPending(), 0u);
    EXPECT_EQ(prompts.GetCount(), 0u);
    ExpectLandscapeLetterPagesOf(view, path);
    EXPECT_EQ(view->GetViewSize().cy, MCPageLayout::GetPageLayout().GetPageRect().Height() * PageCount(view));

    // Printed again to a file, the landscape layout stays as it is.
    const CPoint second = Column(view, 2)->GetVirtualPosition();
    const QString again = PrintToPdf(view, "again.pdf");
    ExpectLandscapeLetterPagesOf(view, again);
    EXPECT_EQ(Column(view, 2)->GetVirtualPosition(), second) << "laid out again";
}

// Print Setup's landscape is kept with its paper: the next job lays the
// score out on the turned page.
TEST_F(CantrelPrintTest, PrintSetupsLandscapeLaysOutTheNextJob) {
    if (!HavePdfTools())
        GTEST_SKIP() << "the PDF tools are not installed (tools/setup)";
    CCantrel* view = OpenSong();
    ASSERT_NE(view, nullptr) << "python3-mido is needed (tools/setup)";
    const QString path = dir.filePath("setup.pdf");
    SetProgramPrinter({path.toStdString(), QPageSize(QPageSize::Letter)});
    CDialogScript dialogs;
    dialogs.Queue(RUNTIME_CLASS(CPrintDialog), [](CWnd& dialog) {
        print_support::ChooseOrientation(dialog, QPageLayout::Landscape);
        CDialogScript::Click(dialog, IDOK);
    });
    app.OnCmdMsg(ID_FILE_PRINT_SETUP, CN_COMMAND, nullptr, nullptr);
    EXPECT_EQ(dialogs.GetPending(), 0u);
    EXPECT_EQ(GetProgramPrinter().orientation, QPageLayout::Landscape);

    view->SendMessage(WM_COMMAND, ID_FILE_PRINT_DIRECT, 0);
    ExpectLandscapeLetterPagesOf(view, path);
}

// Print Preview draws the layout's pages in its dialog (closed by the
// script once it has shown them), on the layout's paper when the job has
// none of its own: a PDF file Print Setup gave no paper, or no printer at all.
TEST_F(CantrelPrintTest, PreviewShowsTheLayoutsPages) {
    CCantrel* view = OpenSong();
    ASSERT_NE(view, nullptr) << "python3-mido is needed (tools/setup)";
    const int pages = PageCount(view);
    ASSERT_GE(pages, 2);
    const QString pdf = dir.filePath("preview.pdf");
    const struct {
        const char* what;
        std::string target;
    } cases[] = {
        {"a PDF file", pdf.toStdString()},
        {"no printer", ""},
    };
    const PrinterQuery systemPrinters = SetPrinterQuery([] { return std::vector<PrinterDescription>(); });
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SetProgramPrinter({c.target, std::nullopt});
        CDialogScript dialogs;
        int shown = -1;
        dialogs.Queue(RUNTIME_CLASS(CPrintPreviewDialog), [&shown](CWnd& dialog) {
            if (auto* preview = dialog.GetWidget()->findChild<QPrintPreviewWidget*>())
                shown = preview->pageCount();
        });
        view->SendMessage(WM_COMMAND, ID_FILE_PRINT_PREVIEW, 0);
        EXPECT_EQ(dialogs.GetPending(), 0u);
        EXPECT_EQ(shown, pages);
        EXPECT_EQ(PageCount(view), pages);
    }
    SetPrinterQuery(systemPrinters);
    EXPECT_FALSE(QFile::exists(pdf)) << "a preview writes no file";
}

// A tool erases its feedback by copying the score back from the off-screen
// picture; a strip of no width copies one pixel's column.
TEST_F(CantrelPrintTest, RefreshCopiesTheScoreBackAndAZeroWidthIsOnePixel) {
    CCantrel* view = OpenSong();
    ASSERT_NE(view, nullptr) << "python3-mido is needed (tools/setup)";
    const QImage score = PaintView(view);
    ASSERT_FALSE(score.isNull());
    CClientDC dc(view);
    view->OnPrepareDC(&dc);
    // A block of feedback over the first system, in the view area's pixels.
    const CPoint corner = ViewToPixel(view, Column(view, 1)->GetVirtualPosition());
    const CRect block(corner.x, corner.y, corner.x + 40, corner.y + 40);
    CRect device = block;
    device.OffsetRect(view->GetViewArea().TopLeft());
    auto blacken = [&] {
        const int saved = dc.SaveDC();
        dc.SetMapMode(MM_TEXT);
        dc.SetWindowOrg(0, 0);
        dc.SetViewportOrg(0, 0);
        dc.FillSolidRect(&device, 0x000000);
        dc.RestoreDC(saved);
    };
    auto logical = [&](CPoint pixel) {
        CPoint at(pixel.x + view->GetViewArea().left, pixel.y + view->GetViewArea().top);
        dc.DPtoLP(&at);
        return at;
    };
    auto shown = [&](int x, int y) { return dc.GetPixel(logical(CPoint(x, y))) & 0xFFFFFF; };
    // The grey of what the window shows at a pixel (a COLORREF is 0x00BBGGRR).
    auto shownGray = [&](int x, int y) {
        const COLORREF c = shown(x, y);
        return qGray(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
    };

    blacken();
    CPoint from = logical(block.TopLeft());
    CPoint to = logical(block.BottomRight());
    view->Refresh(&dc, from, to);
    for (int y = block.top + 1; y < block.bottom - 1; y += 7)
        for (int x = block.left + 1; x < block.right - 1; x += 7)
            EXPECT_EQ(shownGray(x, y), qGray(score.pixel(x, y))) << x << "," << y;

    blacken();
    from = logical(CPoint(block.left + 10, block.top));
    to = logical(CPoint(block.left + 10, block.bottom));
    view->Refresh(&dc, from, to);
    const int y = block.top + 20;
    EXPECT_EQ(shownGray(block.left + 10, y), qGray(score.pixel(block.left + 10, y)));
    EXPECT_EQ(shown(block.left + 11, y), 0u) << "one column only";
    EXPECT_EQ(shown(block.left + 9, y), 0u) << "one column only";
}

}  // namespace

// The program run from the command line without a display, its profile
// pinning Letter, writes the layout the view makes in process: the same
// pages, every note's head and the opening metronome mark's. A file that
// does not open, or a target in a folder that does not exist, ends the run
// with 1, a message and no PDF.
TEST_F(CantrelPrintTest, PrintingFromTheCommandLineWritesTheLayoutsPages) {
    if (!HavePdfTools())
        GTEST_SKIP() << "the PDF tools are not installed (tools/setup)";
    const char32_t notehead = MusicGlyphCode("noteheads.s2");
    if (notehead == 0)
        GTEST_SKIP() << "the music font or python3-fonttools is not installed (tools/setup)";
    CCantrel* view = OpenSong();
    ASSERT_NE(view, nullptr) << "python3-mido is needed (tools/setup)";
    const int pages = PageCount(view);
    const std::vector<int> pageOf = PageOfEachMeasure(view);

    // A profile of the run's own, under a home of its own.
    const QString home = dir.filePath("home");
    const QString profileFolder = home + "/.config/Norvane";
    ASSERT_TRUE(QDir().mkpath(profileFolder));
    CProfile profile((profileFolder + "/Staffwright.ini").toStdString());
    ASSERT_TRUE(profile.WriteInt("Views\\Music Score", "PageWidth", kLetterWidth));
    ASSERT_TRUE(profile.WriteInt("Views\\Music Score", "PageHeight", kLetterHeight));
    ASSERT_TRUE(profile.WriteInt("Settings\\Tips", "ShowStartUp", 0));   // a failure must not wait on a tip
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_CONFIG_HOME", "STAFFWRIGHT_CONFIG_DIR"})
        environment.remove(name);
    environment.insert("HOME", home);
    struct Run {
        int exitCode = -1;
        std::string errors;
    };
    auto run = [&](const QStringList& arguments) {
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(STAFFWRIGHT_PROGRAM_FOLDER "/staffwright"), arguments);
        const bool finished = program.waitForFinished(120000);
        EXPECT_TRUE(finished) << arguments.join(' ').toStdString();
        return Run{finished && program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1,
                   program.readAllStandardError().toStdString()};
    };
    const QString song = dir.filePath("song.mid");
    {
        QFile file(song);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char*>(songBytes.data()), static_cast<qint64>(songBytes.size()));
    }

    for (const char* printTo : {"--print-to", "/pt"}) {
        SCOPED_TRACE(printTo);
        const QString path = dir.filePath(QString("out%1.pdf").arg(printTo[0] == '/' ? "-pt" : ""));
        const Run printed = run({printTo, song, path});
        ASSERT_EQ(printed.exitCode, 0) << printed.errors;
        ExpectLetterPagesOf(view, path, pages, pageOf);
        int heads = 0;
        for (const PdfText& text : ReadPdfTexts(path))
            if (text.family.find("Emmentaler") != std::string::npos)
                for (char32_t c : QString::fromStdString(text.text).toUcs4())
                    heads += c == notehead;
        EXPECT_EQ(heads, view_test::kSongNotes + 1) << "every note and the metronome mark";
    }

    const struct {
        const char* what;
        QString file;
        QString target;
    } failures[] = {
        {"missing file", dir.filePath("missing.mid"), dir.filePath("missing.pdf")},
        {"target in a missing folder", song, dir.filePath("nowhere/out.pdf")},
    };
    for (const auto& failure : failures) {
        const Run failed = run({"--print-to", failure.file, failure.target});
        EXPECT_EQ(failed.exitCode, 1) << failure.what;
        EXPECT_FALSE(failed.errors.empty()) << failure.what;
        EXPECT_FALSE(QFile::exists(failure.target)) << failure.what;
    }
}
