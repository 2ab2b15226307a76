// Printing: a view's pages through the print commands to a PDF file, checked
// with the PDF tools (pages, paper, text, embedded fonts, where ink lies);
// the default paper; cancelling, failing and having no printer.
#include "platform/gdi/font.h"
#include "platform/gdi/printdc.h"
#include "platform/ui/app.h"
#include "platform/ui/cmdui.h"
#include "platform/ui/commands.h"
#include "platform/ui/dialog_script.h"
#include "platform/ui/document.h"
#include "platform/ui/print.h"
#include "platform/ui/prompt_script.h"
#include "tests/platform/gui/print_support.h"

#include <QFile>
#include <QImage>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Two pages: "Page n" on each; on page 1 a notehead of the music face and a
// black square one inch wide from (1 inch, 1 inch).
class TwoPageView : public CView {
public:
    std::vector<UINT> printed;
    std::vector<int> caps;          // page 1: LOGPIXELSX, HORZRES, PHYSICALWIDTH, PHYSICALOFFSETX
    CSize sheet;                    // page 1: PHYSICALWIDTH, PHYSICALHEIGHT
    PrintSettings settings;         // the job's, as page 1 printed
    bool attribute = false;         // every page had an attribute DC
    bool preview = false;
    int ended = 0;

protected:
    BOOL OnPreparePrinting(CPrintInfo* info) override {
        info->SetMaxPage(2);
        return DoPreparePrinting(info);
    }
    void OnPrint(CDC* dc, CPrintInfo* info) override {
        printed.push_back(info->m_nCurPage);
        attribute = (printed.size() == 1 || attribute) && dc->m_hAttribDC && dc->IsPrinting();
        preview = info->m_bPreview;
        dc->SetMapMode(MM_TWIPS);
        CFont text;
        text.CreateFont(-240, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
        dc->SelectObject(&text);
        dc->SetBkMode(TRANSPARENT);
        dc->TextOut(1440, -4320, "Page " + std::to_string(info->m_nCurPage));
        if (info->m_nCurPage == 1) {
            caps = {dc->GetDeviceCaps(LOGPIXELSX), dc->GetDeviceCaps(HORZRES), dc->GetDeviceCaps(PHYSICALWIDTH),
                    dc->GetDeviceCaps(PHYSICALOFFSETX)};
            sheet = CSize(dc->GetDeviceCaps(PHYSICALWIDTH), dc->GetDeviceCaps(PHYSICALHEIGHT));
            settings = info->m_settings;
            const RECT square{1440, -1440, 2880, -2880};
            dc->FillSolidRect(&square, RGB(0, 0, 0));
            CFont music;
            music.CreateFont(-480, 0, 0, 0, FW_NORMAL, 0, 0, 0, SYMBOL_CHARSET, 0, 0, 0, 0, "Norvane2");
            dc->SelectObject(&music);
            dc->TextOut(5760, -5760, "\xC3\x8F");
        }
        dc->SelectStockObject(SYSTEM_FONT);
    }
    void OnEndPrinting(CDC*, CPrintInfo*) override { ++ended; }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(TwoPageView, CView)
    ON_COMMAND(ID_FILE_PRINT, &TwoPageView::OnFilePrint)
    ON_COMMAND(ID_FILE_PRINT_DIRECT, &TwoPageView::OnFilePrintDirect)
    ON_COMMAND(ID_FILE_PRINT_PREVIEW, &TwoPageView::OnFilePrintPreview)
END_MESSAGE_MAP()

// A view with nothing to print: it maps none of the print commands.
class FormLikeView : public CView {
protected:
    void OnDraw(CDC*) override {}
};

void Send(CView& view, UINT command) { view.OnCmdMsg(command, CN_COMMAND, nullptr, nullptr); }

// Printers as a test says; restores the system's and the program's printer.
struct Printers {
    PrinterQuery previous;
    explicit Printers(std::vector<PrinterDescription> printers)
        : previous(SetPrinterQuery([printers] { return printers; })) {}
    ~Printers() {
        SetPrinterQuery(previous);
        SetProgramPrinter({});
    }
};

std::string RunTool(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(30000);
    return process.readAllStandardOutput().toStdString();
}

bool HavePdfTools() { return !QStandardPaths::findExecutable("pdfinfo").isEmpty(); }

}  // namespace

TEST(Print, ATwoPageViewPrintsToAPdfFile) {
    if (!HavePdfTools())
        GTEST_SKIP() << "the PDF tools are not installed (tools/setup)";
    QTemporaryDir dir;
    const QString path = dir.filePath("out.pdf");
    Printers printers({{"Office", QPageSize(QPageSize::A5), true}});
    SetProgramPrinter({path.toStdString(), std::nullopt});
    TwoPageView view;
    Send(view, ID_FILE_PRINT_DIRECT);
    ASSERT_EQ(view.printed, (std::vector<UINT>{1, 2}));
    EXPECT_EQ(view.ended, 1);
    EXPECT_TRUE(view.attribute);
    // 1200 dots per inch, no unprintable margin: the page is the paper.
    const int a5Width = QPageSize(QPageSize::A5).sizePixels(1200).width();
    EXPECT_EQ(view.caps, (std::vector<int>{1200, a5Width, a5Width, 0}));

    const std::string info = RunTool("pdfinfo", {path});
    EXPECT_TRUE(QString::fromStdString(info).contains(QRegularExpression("Pages:\\s+2\\n"))) << info;
    EXPECT_NE(info.find("(A5)"), std::string::npos) << info;            // the default printer's paper
    EXPECT_NE(RunTool("pdftotext", {path, "-"}).find("Page 2"), std::string::npos);
    bool embedded = false;
    for (const QString& line : QString::fromStdString(RunTool("pdffonts", {"-f", "1", "-l", "1", path})).split('\n'))
        if (line.contains("Emmentaler")) {
            const QStringList fields = line.split(' ', Qt::SkipEmptyParts);
            embedded = fields.size() >= 5 && fields.at(fields.size() - 5) == "yes";
        }
    EXPECT_TRUE(embedded);

    // At 72 dots per inch the square inks pixels 72 .. 143 both ways.
    RunTool("pdftoppm", {"-r", "72", "-f", "1", "-l", "1", "-gray", path, dir.filePath("page")});
    QImage page(dir.filePath("page-1.pgm"));
    ASSERT_FALSE(page.isNull());
    auto dark = [&](int x, int y) { return qGray(page.pixel(x, y)) < 128; };
    for (int at = 72; at <= 143; ++at) {
        EXPECT_TRUE(dark(at, 100) && dark(100, at)) << at;
    }
    EXPECT_FALSE(dark(71, 100) || dark(144, 100) || dark(100, 71) || dark(100, 144));
}

TEST(Print, TheDefaultPaper) {
    struct Case {
        const char* name;
        std::vector<PrinterDescription> printers;
        ProgramPrinter program;
        const char* locale;
        QPageSize::PageSizeId expected;
    };
    const std::vector<Case> cases = {
        {"no printer, metric locale", {}, {}, "de_DE", QPageSize::A4},
        {"no printer, locale in inches", {}, {}, "en_US", QPageSize::Letter},
        {"the system's default printer", {{"Lab", QPageSize(QPageSize::B5), false}, {"Office", QPageSize(QPageSize::A5), true}}, {}, "en_US", QPageSize::A5},
        {"the program's printer", {{"Lab", QPageSize(QPageSize::B5), false}, {"Office", QPageSize(QPageSize::A5), true}}, {"Lab", std::nullopt}, "en_US", QPageSize::B5},
        {"the program's paper", {{"Office", QPageSize(QPageSize::A5), true}}, {"Office", QPageSize(QPageSize::Legal)}, "de_DE", QPageSize::Legal},
    };
    const QLocale previous;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QLocale::setDefault(QLocale(c.locale));
        Printers printers(c.printers);
        SetProgramPrinter(c.program);
        EXPECT_EQ(GetDefaultPaper().id(), c.expected);
    }
    QLocale::setDefault(previous);
}

TEST(Print, CancelledFailedOrWithoutAPrinterNothingIsPrinted) {
    QTemporaryDir dir;
    const QString path = dir.filePath("out.pdf");
    {
        // The print dialog cancelled: no page, no file.
        Printers printers({});
        SetProgramPrinter({path.toStdString(), std::nullopt});
        CDialogScript dialogs;
        dialogs.Queue(RUNTIME_CLASS(CPrintDialog), [](CWnd& dialog) { CDialogScript::Click(dialog, IDCANCEL); });
        TwoPageView view;
        Send(view, ID_FILE_PRINT);
        EXPECT_EQ(dialogs.GetPending(), 0u);
        EXPECT_TRUE(view.printed.empty());
        EXPECT_FALSE(QFile::exists(path));
    }
    {
        // No printer at all: direct printing says so and prints nothing.
        Printers printers({});
        CPromptScript prompts;
        prompts.Answer(IDOK);
        TwoPageView view;
        Send(view, ID_FILE_PRINT_DIRECT);
        EXPECT_TRUE(view.printed.empty());
        ASSERT_EQ(prompts.GetCount(), 1u);
        EXPECT_EQ(prompts.GetLast().text, "No printers are installed.");
    }
    {
        // A file that cannot be written: the document is aborted and the user told.
        Printers printers({});
        SetProgramPrinter({dir.filePath("missing/out.pdf").toStdString(), std::nullopt});
        CPromptScript prompts;
        prompts.Answer(IDOK);
        TwoPageView view;
        Send(view, ID_FILE_PRINT_DIRECT);
        EXPECT_TRUE(view.printed.empty());
        EXPECT_EQ(view.ended, 1);
        EXPECT_EQ(prompts.GetCount(), 1u);
        EXPECT_FALSE(QFile::exists(dir.filePath("missing/out.pdf")));
    }
}

TEST(Print, ThePrintDialogAndPrintSetupChooseTheTarget) {
    if (!HavePdfTools())
        GTEST_SKIP() << "the PDF tools are not installed (tools/setup)";
    QTemporaryDir dir;
    const QString path = dir.filePath("chosen.pdf");
    Printers printers({});
    SetProgramPrinter({path.toStdString(), QPageSize(QPageSize::A5)});
    CDialogScript dialogs;
    dialogs.Queue(RUNTIME_CLASS(CPrintDialog), [](CWnd& dialog) { CDialogScript::Click(dialog, IDOK); });
    TwoPageView view;
    Send(view, ID_FILE_PRINT);
    EXPECT_EQ(view.printed, (std::vector<UINT>{1, 2}));
    EXPECT_NE(RunTool("pdfinfo", {path}).find("(A5)"), std::string::npos);

    // Print Setup keeps what its dialog chose as the program's printer; Cancel keeps the old one.
    CWinApp app;
    SetProgramPrinter({dir.filePath("setup.pdf").toStdString(), QPageSize(QPageSize::B5)});
    dialogs.Queue(RUNTIME_CLASS(CPrintDialog), [](CWnd& dialog) { CDialogScript::Click(dialog, IDCANCEL); });
    app.OnCmdMsg(ID_FILE_PRINT_SETUP, CN_COMMAND, nullptr, nullptr);
    EXPECT_EQ(GetProgramPrinter().paper->id(), QPageSize::B5);
    SetProgramPrinter({dir.filePath("setup.pdf").toStdString(), std::nullopt});
    dialogs.Queue(RUNTIME_CLASS(CPrintDialog), [](CWnd& dialog) { CDialogScript::Click(dialog, IDOK); });
    app.OnCmdMsg(ID_FILE_PRINT_SETUP, CN_COMMAND, nullptr, nullptr);
    EXPECT_EQ(GetProgramPrinter().target, dir.filePath("setup.pdf").toStdString());
    ASSERT_TRUE(GetProgramPrinter().paper);
    EXPECT_EQ(GetProgramPrinter().paper->id(), QPageSize::A4);     // the locale's, now chosen
    EXPECT_EQ(dialogs.GetPending(), 0u);
}

// What the print dialog chose reaches the job: landscape from the printer's
// properties, two uncollated copies; the PDF file holds one set of landscape
// pages. Print Setup keeps its landscape for the jobs after it.
TEST(Print, ThePrintDialogsChoicesReachTheJobAndPrintSetupKeepsTheOrientation) {
    if (!HavePdfTools())
        GTEST_SKIP() << "the PDF tools are not installed (tools/setup)";
    QTemporaryDir dir;
    const QString path = dir.filePath("landscape.pdf");
    Printers printers({});
    SetProgramPrinter({path.toStdString(), QPageSize(QPageSize::A5)});
    CDialogScript dialogs;
    dialogs.Queue(RUNTIME_CLASS(CPrintDialog), [](CWnd& dialog) {
        print_support::ChooseOrientation(dialog, QPageLayout::Landscape);
        CDialogScript::SetText(dialog, edt3, "2");
        CDialogScript::Click(dialog, chx2);     // collated at first: now not
        CDialogScript::Click(dialog, IDOK);
    });
    TwoPageView view;
    Send(view, ID_FILE_PRINT);
    EXPECT_EQ(dialogs.GetPending(), 0u);
    EXPECT_EQ(view.printed, (std::vector<UINT>{1, 2}));
    EXPECT_EQ(view.settings.orientation, QPageLayout::Landscape);
    EXPECT_EQ(view.settings.copies, 2);
    EXPECT_FALSE(view.settings.collate);
    const QSize a5 = QPageSize(QPageSize::A5).sizePixels(kPdfDotsPerInch);
    EXPECT_EQ(view.sheet, CSize(a5.height(), a5.width()));
    const QString info = QString::fromStdString(RunTool("pdfinfo", {path}));
    EXPECT_TRUE(info.contains(QRegularExpression("Pages:\\s+2\\n"))) << info.toStdString();
    const QRegularExpressionMatch size = QRegularExpression("Page size:\\s+([\\d.]+) x ([\\d.]+)").match(info);
    ASSERT_TRUE(size.hasMatch()) << info.toStdString();
    EXPECT_NEAR(size.captured(1).toDouble(), 595, 1);   // A5 turned: 595 by 420 points
    EXPECT_NEAR(size.captured(2).toDouble(), 420, 1);
    // The program's printer is untouched by a print job.
    EXPECT_EQ(GetProgramPrinter().orientation, QPageLayout::Portrait);

    // Print Setup (of a file not yet written: one that is, the program asks
    // before replacing it): landscape is kept with the paper; the next job starts landscape.
    CWinApp app;
    SetProgramPrinter({dir.filePath("setup.pdf").toStdString(), QPageSize(QPageSize::A5)});
    dialogs.Queue(RUNTIME_CLASS(CPrintDialog), [](CWnd& dialog) {
        print_support::ChooseOrientation(dialog, QPageLayout::Landscape);
        CDialogScript::Click(dialog, IDOK);
    });
    app.OnCmdMsg(ID_FILE_PRINT_SETUP, CN_COMMAND, nullptr, nullptr);
    EXPECT_EQ(dialogs.GetPending(), 0u);
    EXPECT_EQ(GetProgramPrinter().orientation, QPageLayout::Landscape);
    ASSERT_TRUE(GetProgramPrinter().paper);
    EXPECT_EQ(GetProgramPrinter().paper->id(), QPageSize::A5);
    EXPECT_EQ(CPrintInfo().m_settings.orientation, QPageLayout::Landscape);
    TwoPageView next;
    Send(next, ID_FILE_PRINT_DIRECT);
    EXPECT_EQ(next.sheet, CSize(a5.height(), a5.width()));
}

// A PDF file that exists is replaced only when the user agrees, asked
// through the prompts: No keeps the print dialog open and the file as it
// was, Yes prints over it. A folder is no file to print into.
TEST(Print, ThePrintDialogAsksThroughThePromptsBeforeReplacingAFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("old.pdf");
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old");
    }
    const auto contents = [&] {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll().left(4).toStdString() : std::string();
    };
    Printers printers({});
    SetProgramPrinter({path.toStdString(), std::nullopt});
    CPromptScript prompts;
    prompts.Answer({IDNO, IDYES});
    CDialogScript dialogs;
    std::string between;
    dialogs.Queue(RUNTIME_CLASS(CPrintDialog), [](CWnd& dialog) { CDialogScript::Click(dialog, IDOK); });
    dialogs.Queue(RUNTIME_CLASS(CPrintDialog), [&](CWnd& dialog) {
        between = contents();
        CDialogScript::Click(dialog, IDOK);
    });
    TwoPageView view;
    Send(view, ID_FILE_PRINT);
    EXPECT_EQ(dialogs.GetPending(), 0u);
    ASSERT_EQ(prompts.GetCount(), 2u);
    EXPECT_EQ(prompts.GetRequests()[0].flags & MB_TYPEMASK, static_cast<unsigned>(MB_YESNO));
    EXPECT_NE(prompts.GetLast().text.find("already exists"), std::string::npos) << prompts.GetLast().text;
    EXPECT_EQ(between, "old");
    EXPECT_EQ(view.printed, (std::vector<UINT>{1, 2}));
    EXPECT_EQ(contents(), "%PDF");

    // A folder's name: told, and the dialog stays until cancelled.
    prompts.Clear();
    SetProgramPrinter({dir.path().toStdString() + "/", std::nullopt});
    dialogs.Queue(RUNTIME_CLASS(CPrintDialog), [](CWnd& dialog) { CDialogScript::Click(dialog, IDOK); });
    TwoPageView folder;
    Send(folder, ID_FILE_PRINT);
    EXPECT_EQ(prompts.GetCount(), 1u);
    EXPECT_TRUE(folder.printed.empty());
}

TEST(Print, PreviewDrawsThePagesOnThePreviewPrinter) {
    Printers printers({});
    CDialogScript dialogs;      // the preview closes at once (no action queued)
    TwoPageView view;
    Send(view, ID_FILE_PRINT_PREVIEW);
    EXPECT_EQ(view.printed, (std::vector<UINT>{1, 2}));
    EXPECT_TRUE(view.preview);
    EXPECT_TRUE(view.attribute);
}

TEST(Print, AViewThatCannotPrintLeavesThePrintCommandsDisabled) {
    struct NotedCmdUI : CCmdUI {
        int enabled = -1;   // not asked
        void Enable(BOOL on) override { enabled = on ? 1 : 0; }
    };
    FormLikeView form;
    TwoPageView pages;
    for (UINT command : {ID_FILE_PRINT, ID_FILE_PRINT_DIRECT, ID_FILE_PRINT_PREVIEW}) {
        NotedCmdUI cannot, can;
        cannot.m_nID = can.m_nID = command;
        cannot.DoUpdate(&form, TRUE);
        can.DoUpdate(&pages, TRUE);
        EXPECT_EQ(cannot.enabled, 0) << command;
        EXPECT_EQ(can.enabled, 1) << command;
    }
}

TEST(Print, PdfTargets) {
    struct Case {
        const char* target;
        bool pdf;
    };
    for (const Case& c : {Case{"out.pdf", true}, Case{"OUT.PDF", true}, Case{"/tmp/x", true},
                          Case{"Office", false}, Case{"pdf", false}, Case{"", false}}) {
        EXPECT_EQ(IsPdfTarget(c.target), c.pdf) << c.target;
    }
}
