// CPrintDC: a device context on a printer or a PDF file, page by page.
//
// A print target is a printer's name, or a PDF file: a target that ends in
// ".pdf" or holds a "/" names a file. A PDF is written at 1200 dots per inch
// with no unprintable margins, so the device's origin is the paper's corner
// (PHYSICALOFFSETX/Y are 0 and HORZRES equals PHYSICALWIDTH). A printer is a
// CUPS printer at its own resolution; its origin is the printable area's
// corner and PHYSICALOFFSETX/Y say how far that lies from the paper's.
//
// A document runs StartDoc, then StartPage ... EndPage for each page, then
// EndDoc; AbortDoc instead ends it without output: a printer job is
// cancelled, a PDF file begun is removed. A PDF file is created at StartDoc
// under exactly the bytes of its target: a name that is not UTF-8 (one
// given on the command line in another encoding) is kept as it came. The DC is its own attribute DC
// (m_hAttribDC), as the printer answers what is measured.
//
// A job's settings (PrintSettings) go to the device with its paper: a
// printer is asked for all of them; a PDF file takes the orientation and is
// written once, whatever the copies (a file is one set of pages, printed as
// often as wanted later), in colour and in the order the pages are drawn.
//
// Print preview draws on the printer the preview dialog hands over
// (AttachPrinter): that printer measures, the dialog shows the pages.
//
// Threads: the thread that prints (the user-interface thread here).
#pragma once

#include "platform/gdi/dc.h"

#include <QPageLayout>
#include <QPageSize>

#include <functional>
#include <memory>
#include <string>
#include <string_view>

class QFile;
class QPagedPaintDevice;
class QPdfWriter;
class QPrinter;

// Whether `target` names a PDF file rather than a printer.
bool IsPdfTarget(std::string_view target);

// The resolution a PDF is written at.
inline constexpr int kPdfDotsPerInch = 1200;

// How a job prints besides its paper: what the print dialog edits. The
// defaults are a printer's own: portrait, one copy, collated, one-sided, in
// colour, first page first.
struct PrintSettings {
    enum class Duplex { None, LongEdge, ShortEdge };
    enum class ColorMode { Color, GrayScale };
    enum class PageOrder { FirstPageFirst, LastPageFirst };

    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    int copies = 1;
    bool collate = true;
    Duplex duplex = Duplex::None;
    ColorMode colorMode = ColorMode::Color;
    PageOrder pageOrder = PageOrder::FirstPageFirst;

    bool operator==(const PrintSettings&) const = default;
};

// Gives `printer` the paper and the settings of a job.
void ApplyPrintSettings(QPrinter& printer, const QPageSize& paper, const PrintSettings& settings);
// The settings `printer` holds (a PDF-writing printer keeps no duplex).
PrintSettings GetPrintSettings(const QPrinter& printer);

class CPrintDC : public CDC {
public:
    CPrintDC();
    ~CPrintDC() override;

    // Opens `target` (a printer or a PDF file) for pages of `paper`, printed
    // with `settings` (see above). Nothing is written before StartDoc.
    // Non-zero on success; 0 for an empty target or a printer the system
    // does not know.
    int CreatePrinterDC(const std::string& target, const QPageSize& paper, const PrintSettings& settings = {});
    // Draws on `printer` (borrowed; the preview dialog's) as a print
    // preview (DCKind::Preview) or a printer (DCKind::Printer).
    int AttachPrinter(QPrinter* printer, DCKind kind);

    // A document of pages. Each answers a positive number on success and a
    // value <= 0 on failure, after which the caller aborts the document.
    int StartDoc(const std::string& documentName);
    int StartPage();
    int EndPage();
    int EndDoc();
    // Ends the document without output. Answers non-zero.
    int AbortDoc();

    const std::string& GetTarget() const { return m_target; }

    // The pages of every document that ended well (EndDoc) in this process:
    // printing reports failures to the user, so a caller that must know
    // whether anything came out (a print from the command line) compares the
    // count before and after.
    static unsigned long GetPagesPrinted();

    // Makes the printer of a target that is not a PDF file, or null for a
    // printer the system does not know. Tests replace it (empty: the
    // system's printers); answers the previous one.
    using PrinterFactory = std::function<std::unique_ptr<QPrinter>(const std::string& name)>;
    static PrinterFactory SetPrinterFactory(PrinterFactory factory);

private:
    void AttachPaged(QPagedPaintDevice* device, DCKind kind, int dpi, CSize physical, CPoint offset);
    void Close();
    // Creates the PDF target's file and opens m_pdfFile on it; false when it
    // cannot be created.
    bool OpenPdfFile();

    // Declared before the writer, which writes into it: the writer goes first.
    std::unique_ptr<QFile> m_pdfFile;        // owned, for a PDF target: opened at StartDoc
    std::unique_ptr<QPdfWriter> m_pdf;       // owned, for a PDF target
    std::unique_ptr<QPrinter> m_printer;     // owned, for a printer target
    QPagedPaintDevice* m_paged = nullptr;    // what the pages go to (one of those, or borrowed)
    std::string m_target;
    bool m_inDoc = false;
    int m_pagesStarted = 0;
};
