// The page of the score: paper, margins and page cells.
#include "notation/layout/pagelayout.h"
#include "notation/layout/fontsize.h"

#include "model/preferences.h"
#include "platform/gdi/dc.h"
#include "platform/ui/print.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr const char* kSection = "Views\\Music Score";
constexpr int kInch = 1440;
constexpr int kHalfInch = 720;
constexpr int kQuarterInch = 360;

// The toolkit knows a printer's paper, not its resolution; at this one the
// paper converts to layout units without loss.
constexpr int kPaperDpi = 1200;

std::optional<MCPageLayout::PrinterPaper> PlatformDefaultPrinter() {
    if (GetDefaultPrintTarget().empty())
        return std::nullopt;
    QSize pixels = GetDefaultPaper().sizePixels(kPaperDpi);
    // Print Setup's landscape turns the paper.
    if (GetProgramPrinter().orientation == QPageLayout::Landscape)
        pixels.transpose();
    if (pixels.isEmpty())
        return std::nullopt;
    return MCPageLayout::PrinterPaper{pixels.width(), pixels.height(), kPaperDpi, kPaperDpi};
}

MCPageLayout::PrinterQuery& Query() {
    static MCPageLayout::PrinterQuery query;
    return query;
}

// What a stored page can be: a damaged profile's value outside these reads
// as not stored (a page of 1 to 200 inches, margins of up to 10 inches).
constexpr int kSmallestPaper = kInch;
constexpr int kLargestPaper = 200 * kInch;
constexpr float kLargestMargin = 10.0f;

int MarginUnits(const char* key) {
    return static_cast<int>(
        std::lround(static_cast<double>(LoadFloatPreference(kSection, key, 0.75f, 0.0f, kLargestMargin)) * kInch));
}

MCPageLayout s_pageLayout;

}  // namespace

int MCPageLayout::s_zoom = 96;

// The layout's fonts size themselves by the screen resolution kept here.
[[maybe_unused]] static const bool s_fontsSized = (SetFontResolutionSource(&MCPageLayout::GetZoom), true);

MCPageLayout::PrinterQuery MCPageLayout::SetPrinterQuery(PrinterQuery query) {
    PrinterQuery previous = std::move(Query());
    Query() = std::move(query);
    return previous;
}

MCPageLayout::MCPageLayout() = default;
MCPageLayout::~MCPageLayout() = default;

MCPageLayout& MCPageLayout::GetPageLayout() {
    return s_pageLayout;
}

void MCPageLayout::SetPaper(int width, int height) {
    m_pageRect = CRect(0, 0, width + kInch, height - kInch);
    m_paperRect = CRect(kHalfInch, -kHalfInch, width + kHalfInch, height - kHalfInch);
    m_quarterInchRect = CRect(kHalfInch + kQuarterInch, -(kHalfInch + kQuarterInch),
                              width + kQuarterInch, height - kQuarterInch);
}

void MCPageLayout::SavePaperSize() const {
    SaveIntPreference(kSection, "PageWidth", m_paperRect.right - m_paperRect.left);
    SaveIntPreference(kSection, "PageHeight", m_paperRect.bottom - m_paperRect.top);
}

void MCPageLayout::LoadPageSize() {
    // The stored paper wins; the printer (whose list may take a while to
    // ask for) gives it when none is stored. A paper is stored whole: half of
    // one missing or damaged takes the printer's whole paper, so no page is
    // one paper's width and another's height.
    // The height runs downwards: stored negative.
    int width = LoadIntPreference(kSection, "PageWidth", 0, kSmallestPaper, kLargestPaper);
    int height = LoadIntPreference(kSection, "PageHeight", 0, -kLargestPaper, -kSmallestPaper);
    if (width == 0 || height == 0) {
        width = height = 0;
        const std::optional<PrinterPaper> printer = Query() ? Query()() : PlatformDefaultPrinter();
        if (printer && printer->dpiX > 0 && printer->dpiY > 0) {
            width = MulDiv(printer->physicalWidth, kInch, printer->dpiX);
            height = -MulDiv(printer->physicalHeight, kInch, printer->dpiY);
        }
    }
    if (width == 0 || height == 0)
        return;
    SetPaper(width, height);
    SetMargins();
    SavePaperSize();
}

void MCPageLayout::SetMargins() {
    // The margins move the paper's edges inward (y upward: the top down, the
    // bottom up); no margin reaches past the quarter inch a printer needs.
    const CRect margins(m_paperRect.left + MarginUnits("MarginLeft"),
                        m_paperRect.top - MarginUnits("MarginTop"),
                        m_paperRect.right - MarginUnits("MarginRight"),
                        m_paperRect.bottom + MarginUnits("MarginBottom"));
    m_printableRect = CRect(std::max(margins.left, m_quarterInchRect.left),
                            std::min(margins.top, m_quarterInchRect.top),
                            std::min(margins.right, m_quarterInchRect.right),
                            std::max(margins.bottom, m_quarterInchRect.bottom));
}

void MCPageLayout::SetPageSize(int width, int height) {
    // The job's paper with the same margins as the screen's: a score prints
    // as it is laid out, whichever way the job was started.
    SetPaper(width, height);
    SetMargins();
    SavePaperSize();
}

CRect MCPageLayout::GetPageRect(int page, CRect rect) const {
    rect.OffsetRect(0, (page - 1) * (m_pageRect.bottom - m_pageRect.top));
    return rect;
}

int MCPageLayout::GetPageAtPoint(POINT point, int pageCount) const {
    const int pageWidth = m_pageRect.right - m_pageRect.left;
    const int pageHeight = m_pageRect.bottom - m_pageRect.top;   // negative: pages go down
    for (int page = 1; page <= pageCount; ++page) {
        CRect cell = m_pageRect;
        if (m_sideBySide)
            cell.OffsetRect((page - 1) * pageWidth, 0);
        else
            cell.OffsetRect(0, (page - 1) * pageHeight);
        cell.NormalizeRect();
        if (cell.PtInRect(point))
            return page;
    }
    return 1;
}
