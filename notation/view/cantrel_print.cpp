// The notation view's printing: each page of the page view drawn on the
// printer's sheet, the layout redone first when the sheet is not the paper
// the score was laid out for, and page numbers from page 2 on.
//
// Where a page lands: in MM_TWIPS the device's origin is the corner of its
// printable area, which lies PHYSICALOFFSETX/Y inside the sheet (0 for a PDF
// file). The layout's paper rectangle lies half an inch inside its page
// cell; so the page's corner plus half an inch plus the physical offset
// becomes the drawing's origin, and the paper rectangle lands on the sheet.
#include "notation/view/cantrel.h"

#include "model/performance.h"
#include "notation/autonote/timerange.h"
#include "notation/display/base.h"
#include "notation/layout/musicfont.h"
#include "notation/layout/pagelayout.h"
#include "notation/layout/scorepages.h"
#include "notation/layout/textfonts.h"
#include "platform/gdi/printdc.h"
#include "platform/ui/print.h"

#include <QPageSize>

#include <algorithm>
#include <string>

namespace {

constexpr int kHalfInch = CCantrel::kTwipsPerInch / 2;
// The page number is centred between the draw rectangle's left edge and this line.
constexpr int kPageNumberLine = 8 * CCantrel::kTwipsPerInch;
// A PDF sheet has no unprintable edge; its draw rectangle is a printer's
// printable area, this far inside the sheet.
constexpr int kPdfPrintableInset = CCantrel::kTwipsPerInch / 4;
constexpr int kTwipsPerPoint = 20;
// A job's sheet within half a point of the layout's paper is that paper: a
// named size (A4 from the print dialog) and the same size given in points
// round to a twip or two apart, which is no reason to lay the score out again.
constexpr int kSamePaperTwips = kTwipsPerPoint / 2;
constexpr COLORREF kInkBlack = 0x000000;

// Device pixels along one axis in twips, rounded to the nearest.
int DeviceToTwips(int pixels, int pixelsPerInch) {
    return pixelsPerInch > 0 ? MulDiv(pixels, CCantrel::kTwipsPerInch, pixelsPerInch) : 0;
}

}  // namespace

BOOL CCantrel::OnPreparePrinting(CPrintInfo* pInfo) {
    const MCPageLayout& layout = MCPageLayout::GetPageLayout();
    pInfo->SetMaxPage(static_cast<UINT>(std::max(m_pagenate.GetPages().GetPageCount(), 1)));
    // A PDF file has no paper of its own unless Print Setup gave it one, nor
    // has a preview without any printer: the job takes the layout's paper, so
    // nothing is laid out again (the print dialog offers it, to be changed).
    // A page wider than tall is the paper upright, turned to landscape.
    const bool noPrinter = pInfo->m_bPreview && pInfo->m_strTarget.empty();
    if ((IsPdfTarget(pInfo->m_strTarget) || noPrinter) && !GetProgramPrinter().paper) {
        const CRect& paper = layout.GetPaperRect();
        const double width = std::abs(paper.Width()) / double(kTwipsPerPoint);
        const double height = std::abs(paper.Height()) / double(kTwipsPerPoint);
        pInfo->m_paper = QPageSize(QSizeF(std::min(width, height), std::max(width, height)), QPageSize::Point,
                                   QString(), QPageSize::ExactMatch);
        pInfo->m_settings.orientation = width > height ? QPageLayout::Landscape : QPageLayout::Portrait;
    }
    return DoPreparePrinting(pInfo);
}

void CCantrel::OnBeginPrinting(CDC* pDC, CPrintInfo* pInfo) {
    MCScrollView::OnBeginPrinting(pDC, pInfo);
    m_bPrintLaidOut = 0;
    // The music font is measured again on the printer, once for the job
    // (the job's pages share one context), and again on the screen after it.
    MCMusicFont::GetMusicFont().SetExtentDirty(1, FONT_ALL);
    // Every element is positioned again, page by page, with the printer's
    // measures: marked once for the job, positioned as each page is drawn.
    if (m_pBaseEvent) {
        ACSetDirty dirty(1);
        dirty.AddDirtyKind(DCctBase::DIRTY_POSITION);
        dirty.Apply(m_pBaseEvent);
    }
}

void CCantrel::OnPrintLayout(CDC* pDC, CPrintInfo* pInfo) {
    m_bPrintLaidOut = 1;
    CDC* attributes = pDC->m_hAttribDC ? pDC : nullptr;
    if (!attributes)
        return;
    MCPageLayout& layout = MCPageLayout::GetPageLayout();
    const int width = DeviceToTwips(pDC->GetDeviceCaps(PHYSICALWIDTH), pDC->GetDeviceCaps(LOGPIXELSX));
    const int height = -DeviceToTwips(pDC->GetDeviceCaps(PHYSICALHEIGHT), pDC->GetDeviceCaps(LOGPIXELSY));
    const CRect& paper = layout.GetPaperRect();
    if (std::abs(width - paper.Width()) <= kSamePaperTwips && std::abs(height - paper.Height()) <= kSamePaperTwips)
        return;
    layout.SetPageSize(width, height);
    m_pagenate.SetPrinting(1);
    m_pagenate.SetRepagenateAll(1);
    m_pagenate.Prepare(pDC);
    m_pagenate.SetDirtyRect(nullptr);
    m_pagenate.BeginPagenate();
    // Printing mode leaves the page count alone; the job prints the new
    // layout whole: the pages whose start time is known.
    MCScorePages& laidOut = m_pagenate.GetPages();
    const int pages = laidOut.GetKnownPageCount();
    laidOut.SetPageCount(pages);
    pInfo->SetMaxPage(static_cast<UINT>(pages));
    if (pInfo->m_nToPage > static_cast<UINT>(pages))
        pInfo->m_nToPage = static_cast<UINT>(pages);
}

void CCantrel::OnPrint(CDC* pDC, CPrintInfo* pInfo) {
    if (!m_bPrintLaidOut)
        OnPrintLayout(pDC, pInfo);

    const MCPageLayout& layout = MCPageLayout::GetPageLayout();
    const CRect page = layout.GetPageRect(static_cast<int>(pInfo->m_nCurPage), layout.GetPageRect());
    const CPoint offset(DeviceToTwips(pDC->GetDeviceCaps(PHYSICALOFFSETX), pDC->GetDeviceCaps(LOGPIXELSX)),
                        DeviceToTwips(pDC->GetDeviceCaps(PHYSICALOFFSETY), pDC->GetDeviceCaps(LOGPIXELSY)));
    // The page is placed by the scroll position alone, not by the window's view area.
    pDC->SetViewportOrg(0, 0);
    const CRect savedDraw = m_drawRect;
    const CPoint savedScroll = m_scrollPos;
    m_drawRect = page;
    m_scrollPos = CPoint(page.left + kHalfInch + offset.x, page.top - kHalfInch - offset.y);
    OnDraw(pDC);
    m_scrollPos = savedScroll;
    m_drawRect = savedDraw;

    PrintPageHeader(pDC, pInfo);
    PrintPageFooter(pDC, pInfo);
}

void CCantrel::PrintPageHeader(CDC* pDC, CPrintInfo* pInfo) {
    if (pInfo->m_nCurPage <= 1)
        return;
    CRect draw = pInfo->m_rectDraw;
    draw.NormalizeRect();
    if (pDC->GetKind() == DCKind::Pdf)
        draw.DeflateRect(kPdfPrintableInset, kPdfPrintableInset);
    MCTextFont& text = MCTextFont::GetTextFont();
    const COLORREF colour = text.GetFontColor();
    text.SetFontColor(kInkBlack);
    text.SelectFont(pDC);
    const std::string number = std::to_string(pInfo->m_nCurPage);
    const CSize extent = pDC->GetTextExtent(number);
    // The draw rectangle's top is its greatest y: MM_TWIPS runs upwards.
    pDC->TextOut((draw.left + kPageNumberLine) / 2 - extent.cx / 2, draw.bottom, number);
    text.DeselectFont(pDC);
    text.SetFontColor(colour);
}

void CCantrel::PrintPageFooter(CDC*, CPrintInfo*) {}

void CCantrel::OnEndPrinting(CDC* pDC, CPrintInfo* pInfo) {
    MCMusicFont::GetMusicFont().SetExtentDirty(1, FONT_ALL);
    m_pagenate.SetPrinting(0);
    const CRect& page = MCPageLayout::GetPageLayout().GetPageRect();
    SetViewSize(page.Width(), page.Height() * std::max(m_pagenate.GetPages().GetPageCount(), 1));
    SetNeedsDraw(TRUE);
    if (GetSafeHwnd())
        Invalidate(FALSE);
    MCScrollView::OnEndPrinting(pDC, pInfo);
}
