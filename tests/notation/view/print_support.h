// Printing score windows to PDF files and reading them back, for the
// notation view's printing tests.
//
// PrintProgram is the program around score windows (scoreprogram_support.h)
// on Letter paper, with the view's duration gate (notes played 66 % long
// read back as their values) and a folder of the test's own. OpenFile makes
// a new score window and reads a MIDI file into it, each window with its
// own engine driver. The free functions run poppler's tools on a PDF file
// (pdfinfo, pdftohtml, pdftotext -bbox, pdftoppm) and paint a view as a
// paint message paints it. UI thread (the test's).
#pragma once

#include "model/conductor.h"
#include "model/eventtypes.h"
#include "model/measure.h"
#include "model/performance.h"
#include "notation/display/base.h"
#include "notation/display/conductormeasure.h"
#include "notation/layout/pagelayout.h"
#include "platform/core/profile.h"
#include "platform/ui/commands.h"
#include "platform/ui/print.h"
#include "tests/notation/view/scoreprogram_support.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace view_test {

// Letter paper, as the layout's paper in twips.
inline constexpr int kLetterWidth = 12240;
inline constexpr int kLetterHeight = -15840;
inline constexpr int kTwipsPerPoint = 20;

inline std::string RunTool(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(60000);
    return process.readAllStandardOutput().toStdString();
}

inline bool HavePdfTools() {
    return !QStandardPaths::findExecutable("pdftohtml").isEmpty() &&
           !QStandardPaths::findExecutable("pdftotext").isEmpty();
}

// What pdfinfo says of a file: its page count and the first page's size in points.
struct PdfInfo {
    int pages = 0;
    double width = 0;
    double height = 0;
};
inline PdfInfo ReadPdfInfo(const QString& path) {
    const QString info = QString::fromStdString(RunTool("pdfinfo", {path}));
    PdfInfo out;
    const QRegularExpressionMatch pages = QRegularExpression("Pages:\\s+(\\d+)").match(info);
    const QRegularExpressionMatch size = QRegularExpression("Page size:\\s+([\\d.]+) x ([\\d.]+) pts").match(info);
    if (pages.hasMatch())
        out.pages = pages.captured(1).toInt();
    if (size.hasMatch()) {
        out.width = size.captured(1).toDouble();
        out.height = size.captured(2).toDouble();
    }
    return out;
}

// A text of pdftohtml's XML: its page, top (points from the page's top),
// font family and text.
struct PdfText {
    int page = 0;
    int top = 0;
    std::string family;
    std::string text;
};
inline std::vector<PdfText> ReadPdfTexts(const QString& path) {
    const QString xml =
        QString::fromStdString(RunTool("pdftohtml", {"-xml", "-i", "-zoom", "1", "-stdout", path}));
    std::vector<PdfText> out;
    std::map<QString, std::string> families;
    int page = 0;
    const QRegularExpression pageTag("<page number=\"(\\d+)\"");
    const QRegularExpression fontTag("<fontspec id=\"(\\d+)\"[^>]*family=\"([^\"]*)\"");
    const QRegularExpression textTag("<text top=\"(-?\\d+)\"[^>]*font=\"(\\d+)\"[^>]*>(?:<[^>]+>)*([^<]*)");
    for (const QString& line : xml.split('\n')) {
        const QRegularExpressionMatch p = pageTag.match(line);
        if (p.hasMatch())
            page = p.captured(1).toInt();
        const QRegularExpressionMatch f = fontTag.match(line);
        if (f.hasMatch())
            families[f.captured(1)] = f.captured(2).toStdString();
        const QRegularExpressionMatch t = textTag.match(line);
        if (t.hasMatch())
            out.push_back({page, t.captured(1).toInt(), families[t.captured(2)], t.captured(3).trimmed().toStdString()});
    }
    return out;
}

// A word of pdftotext -bbox: its page (from 1) and box in points from the
// sheet's top-left corner.
struct PdfWord {
    int page = 0;
    double xMin = 0;
    double yMin = 0;
    double xMax = 0;
    double yMax = 0;
};
inline std::vector<PdfWord> ReadPdfWords(const QString& path) {
    const QString html = QString::fromStdString(RunTool("pdftotext", {"-bbox", path, "-"}));
    std::vector<PdfWord> out;
    int page = 0;
    const QRegularExpression pageTag("<page ");
    const QRegularExpression wordTag(
        "<word xMin=\"([-\\d.]+)\" yMin=\"([-\\d.]+)\" xMax=\"([-\\d.]+)\" yMax=\"([-\\d.]+)\"");
    for (const QString& line : html.split('\n')) {
        if (pageTag.match(line).hasMatch())
            ++page;
        const QRegularExpressionMatch w = wordTag.match(line);
        if (w.hasMatch())
            out.push_back({page, w.captured(1).toDouble(), w.captured(2).toDouble(), w.captured(3).toDouble(),
                           w.captured(4).toDouble()});
    }
    return out;
}

// Page `page` of a PDF file rendered in grey at `dpi` (pdftoppm), written
// beside it; null when the tool wrote nothing.
inline QImage RenderPdfPage(const QString& path, int page, int dpi) {
    const QFileInfo file(path);
    const QString prefix = file.dir().filePath(file.completeBaseName() + QString("-%1dpi").arg(dpi));
    const QString number = QString::number(page);
    RunTool("pdftoppm", {"-r", QString::number(dpi), "-f", number, "-l", number, "-gray", path, prefix});
    // pdftoppm pads the page number to the width of the document's last.
    for (const QString& padded : {number, number.rightJustified(2, '0'), number.rightJustified(3, '0')}) {
        const QImage image(prefix + "-" + padded + ".pgm");
        if (!image.isNull())
            return image;
    }
    return {};
}

// Staff lines and barlines are drawn in the staff colour, a grey: anything
// darker than the paper counts.
inline bool Inked(const QImage& image, int x, int y) {
    constexpr int kPaper = 240;
    return x >= 0 && y >= 0 && x < image.width() && y < image.height() && qGray(image.pixel(x, y)) < kPaper;
}

// Paints the view as a paint message does and answers its off-screen
// picture (pixels of the view area).
inline QImage PaintView(CCantrel* view) {
    view->SetNeedsDraw(TRUE);
    view->Invalidate(FALSE);
    view->UpdateWindow();
    CBitmap* bitmap = view->GetOffscreenBitmap();
    if (!bitmap)
        return {};
    CClientDC screen(view);
    CDC memory;
    memory.CreateCompatibleDC(&screen);
    CBitmap* previous = memory.SelectObject(bitmap);
    const QImage image = memory.GetImage() ? memory.GetImage()->copy() : QImage();
    memory.SelectObject(previous);
    return image;
}

// View twips to a pixel of the view area.
inline CPoint ViewToPixel(CCantrel* view, CPoint at) {
    CClientDC dc(view);
    view->OnPrepareDC(&dc);
    at.x -= view->GetScrollPosition().x;
    at.y -= view->GetScrollPosition().y;
    dc.LPtoDP(&at);
    return CPoint(at.x - view->GetViewArea().left, at.y - view->GetViewArea().top);
}

class PrintProgram : public ScoreProgram {
protected:
    using ScoreProgram::ScoreProgram;

    void SetUp() override {
        SaveIntPreference("Views\\Music Score", "PageWidth", kLetterWidth);
        SaveIntPreference("Views\\Music Score", "PageHeight", kLetterHeight);
        MCPageLayout::GetPageLayout().SetPageSize(kLetterWidth, kLetterHeight);
        ScoreProgram::SetUp();
        // Notes played 66 % long read back as quarters.
        gate.emplace(CCantrel::kDefaultDurationGate);
    }
    void TearDown() override {
        SetProgramPrinter({});
        drivers.clear();   // off the performances before their documents let them go
        ScoreProgram::TearDown();
        gate.reset();
        MCPageLayout::GetPageLayout().SetPageSize(kLetterWidth, kLetterHeight);
        // Later tests in this process lay out on the paper they find stored.
        CProfile profile = CProfile::Application();
        profile.DeleteKey("Views\\Music Score", "PageWidth");
        profile.DeleteKey("Views\\Music Score", "PageHeight");
    }

    // A new document shown in its score window, the file read into it,
    // notated and laid out on the view's own screen context; null when any
    // of that fails.
    CCantrel* OpenFile(const std::vector<uint8_t>& bytes) {
        CCantrel* view = OpenScore();
        if (!view)
            return nullptr;
        drivers.push_back(std::make_unique<notation_test::ViewDriver>(*view));
        return Load(view, *drivers.back(), bytes) ? view : nullptr;
    }
    // Direct print of the view to a PDF file.
    static void PrintToPdf(CCantrel* view, const QString& path) {
        SetProgramPrinter({path.toStdString(), std::nullopt});
        view->SendMessage(WM_COMMAND, ID_FILE_PRINT_DIRECT, 0);
    }
    // The pages the view's own layout made.
    static int PageCount(CCantrel* view) { return view->GetPagenate().GetPages().GetPageCount(); }
    static ECConductor* Conductor(CCantrel* view) { return view->GetBaseEvent()->GetConductor(); }
    // Conductor measure `number`'s notation display, or null.
    static DCctConductorMeasure* Column(CCantrel* view, int number) {
        ECMeasure* measure = Conductor(view)->GetMeasure(TRACK_CONDUCTOR, number);
        return measure ? dynamic_cast<DCctConductorMeasure*>(NotationDisplayOf(measure)) : nullptr;
    }

    QTemporaryDir dir;
    std::vector<std::unique_ptr<notation_test::ViewDriver>> drivers;   // one a window opened
    std::optional<notation_test::DurationGate> gate;
};

}  // namespace view_test
