// The printer DC: a QPdfWriter or a QPrinter, page by page.
#include "platform/gdi/printdc.h"

#include "platform/gdi/dc_private.h"

#include <QFile>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>

#include <algorithm>
#include <atomic>
#include <cctype>

#include <fcntl.h>
#include <unistd.h>

bool IsPdfTarget(std::string_view target) {
    constexpr std::string_view suffix = ".pdf";
    if (target.find('/') != std::string_view::npos)
        return true;
    if (target.size() < suffix.size())
        return false;
    const std::string_view end = target.substr(target.size() - suffix.size());
    for (size_t i = 0; i < suffix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(end[i])) != suffix[i])
            return false;
    return true;
}

CPrintDC::CPrintDC() = default;

CPrintDC::~CPrintDC() {
    if (m_inDoc)
        AbortDoc();
    Close();
}

void CPrintDC::Close() {
    DeleteDC();
    m_paged = nullptr;
    m_pdf.reset();
    m_pdfFile.reset();
    m_printer.reset();
    m_inDoc = false;
    m_pagesStarted = 0;
}

void CPrintDC::AttachPaged(QPagedPaintDevice* device, DCKind kind, int dpi, CSize physical, CPoint offset) {
    m_paged = device;
    AttachDevice(device, kind, dpi, dpi, physical, offset);
    // The printer answers what is measured, on a preview as on paper.
    m_hAttribDC = this;
}

void ApplyPrintSettings(QPrinter& printer, const QPageSize& paper, const PrintSettings& settings) {
    using Settings = PrintSettings;
    printer.setPageSize(paper);
    printer.setPageOrientation(settings.orientation);
    printer.setCopyCount(std::max(settings.copies, 1));
    printer.setCollateCopies(settings.collate);
    printer.setDuplex(settings.duplex == Settings::Duplex::LongEdge    ? QPrinter::DuplexLongSide
                      : settings.duplex == Settings::Duplex::ShortEdge ? QPrinter::DuplexShortSide
                                                                       : QPrinter::DuplexNone);
    printer.setColorMode(settings.colorMode == Settings::ColorMode::GrayScale ? QPrinter::GrayScale : QPrinter::Color);
    printer.setPageOrder(settings.pageOrder == Settings::PageOrder::LastPageFirst ? QPrinter::LastPageFirst
                                                                                   : QPrinter::FirstPageFirst);
}

PrintSettings GetPrintSettings(const QPrinter& printer) {
    using Settings = PrintSettings;
    Settings settings;
    settings.orientation = printer.pageLayout().orientation();
    settings.copies = std::max(printer.copyCount(), 1);
    settings.collate = printer.collateCopies();
    // A printer that chooses the side itself prints along the long edge, as most do.
    switch (printer.duplex()) {
    case QPrinter::DuplexLongSide:
    case QPrinter::DuplexAuto:
        settings.duplex = Settings::Duplex::LongEdge;
        break;
    case QPrinter::DuplexShortSide:
        settings.duplex = Settings::Duplex::ShortEdge;
        break;
    case QPrinter::DuplexNone:
        settings.duplex = Settings::Duplex::None;
        break;
    }
    settings.colorMode = printer.colorMode() == QPrinter::GrayScale ? Settings::ColorMode::GrayScale
                                                                    : Settings::ColorMode::Color;
    settings.pageOrder = printer.pageOrder() == QPrinter::LastPageFirst ? Settings::PageOrder::LastPageFirst
                                                                        : Settings::PageOrder::FirstPageFirst;
    return settings;
}

namespace {

CPrintDC::PrinterFactory& Factory() {
    static CPrintDC::PrinterFactory factory;
    return factory;
}

std::unique_ptr<QPrinter> SystemPrinter(const std::string& name) {
    const QPrinterInfo info = QPrinterInfo::printerInfo(QString::fromStdString(name));
    return info.isNull() ? nullptr : std::make_unique<QPrinter>(info, QPrinter::HighResolution);
}

}  // namespace

CPrintDC::PrinterFactory CPrintDC::SetPrinterFactory(PrinterFactory factory) {
    PrinterFactory previous = std::move(Factory());
    Factory() = std::move(factory);
    return previous;
}

int CPrintDC::CreatePrinterDC(const std::string& target, const QPageSize& paper, const PrintSettings& settings) {
    Close();
    if (target.empty() || !paper.isValid())
        return 0;
    m_target = target;
    if (IsPdfTarget(target)) {
        // The writer writes into a file opened by the target's own bytes: a
        // file name given to the writer would pass through a QString, where
        // a name that is not UTF-8 is lost.
        m_pdfFile = std::make_unique<QFile>();
        m_pdf = std::make_unique<QPdfWriter>(m_pdfFile.get());
        m_pdf->setResolution(kPdfDotsPerInch);
        m_pdf->setPageLayout(QPageLayout(paper, settings.orientation, QMarginsF(0, 0, 0, 0)));
        // The sheet as it lies: a landscape page is the paper turned.
        QSize pixels = paper.sizePixels(kPdfDotsPerInch);
        if (settings.orientation == QPageLayout::Landscape)
            pixels.transpose();
        AttachPaged(m_pdf.get(), DCKind::Pdf, kPdfDotsPerInch, CSize(pixels.width(), pixels.height()), CPoint(0, 0));
        return 1;
    }
    m_printer = Factory() ? Factory()(target) : SystemPrinter(target);
    if (!m_printer)
        return 0;
    ApplyPrintSettings(*m_printer, paper, settings);
    return AttachPrinter(m_printer.get(), DCKind::Printer);
}

int CPrintDC::AttachPrinter(QPrinter* printer, DCKind kind) {
    if (!printer || (kind != DCKind::Printer && kind != DCKind::Preview))
        return 0;
    if (printer != m_printer.get())
        Close();
    m_paged = printer;
    const QRect paperRect = printer->paperRect(QPrinter::DevicePixel).toRect();
    const QRect pageRect = printer->pageRect(QPrinter::DevicePixel).toRect();
    AttachPaged(printer, kind, printer->resolution(), CSize(paperRect.width(), paperRect.height()),
                CPoint(pageRect.left() - paperRect.left(), pageRect.top() - paperRect.top()));
    return 1;
}

bool CPrintDC::OpenPdfFile() {
    const int fd = ::open(m_target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    if (!m_pdfFile->open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        ::unlink(m_target.c_str());
        return false;
    }
    return true;
}

int CPrintDC::StartDoc(const std::string& documentName) {
    if (!m_paged || m_inDoc)
        return -1;
    if (m_printer)
        m_printer->setDocName(QString::fromStdString(documentName));
    if (m_pdf) {
        m_pdf->setTitle(QString::fromStdString(documentName));
        if (!m_pdfFile->isOpen() && !OpenPdfFile())
            return -1;
    }
    // The painter opens the device: a job begins, a PDF starts its file.
    if (!GetPainter())
        return -1;
    m_inDoc = true;
    m_pagesStarted = 0;
    return 1;
}

int CPrintDC::StartPage() {
    if (!m_inDoc)
        return -1;
    // The first page is open from the start; each later one follows a page break.
    if (m_pagesStarted > 0 && !m_paged->newPage())
        return -1;
    ++m_pagesStarted;
    // A page starts with the DC's state as the document began it: no page
    // inherits the last page's clipping from the painter.
    CDCAccess::ApplyClip(*this);
    return 1;
}

int CPrintDC::EndPage() { return m_inDoc ? 1 : -1; }

namespace {
std::atomic<unsigned long> s_pagesPrinted{0};
}  // namespace

int CPrintDC::EndDoc() {
    if (!m_inDoc)
        return -1;
    QPainter* painter = GetPainter();
    bool ended = painter && painter->end();
    if (m_pdfFile && m_pdfFile->isOpen()) {
        // The writer leaves a file it did not open to its owner; what could
        // not be written out is a failure, not a document.
        ended = m_pdfFile->flush() && ended;
        m_pdfFile->close();
    }
    m_inDoc = false;
    if (ended)
        s_pagesPrinted += static_cast<unsigned long>(m_pagesStarted);
    return ended ? 1 : -1;
}

unsigned long CPrintDC::GetPagesPrinted() { return s_pagesPrinted; }

int CPrintDC::AbortDoc() {
    if (m_printer && m_inDoc)
        m_printer->abort();
    if (QPainter* painter = m_inDoc ? GetPainter() : nullptr)
        painter->end();
    m_inDoc = false;
    if (m_pdf) {
        // Nothing of an aborted document stays behind.
        m_paged = nullptr;
        DeleteDC();
        m_pdf.reset();
        m_pdfFile.reset();
        ::unlink(m_target.c_str());
    }
    return 1;
}
