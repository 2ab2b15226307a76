// MCPageLayout: the printed page of the score. The size of the paper, the
// margins inside it and where pages lie in the page view; also the screen
// resolution the fonts turn their sizes with. How many pages a score has
// and when each begins is the score's own (scorepages.h).
//
// Lengths are layout units: 1440 per inch, y upward, so a page runs from
// y = 0 down to negative y. Rectangles are left, top, right, bottom.
//   page rectangle          the paper plus half an inch all round: one cell
//                           of the page view (0, 0, 13680, -17280 at first)
//   paper rectangle         the sheet, half an inch inside the page cell
//   quarter-inch rectangle  the paper less a quarter inch: what a printer can reach
//   printable rectangle     inside the margins, within the quarter-inch one
// The first pages are letter size (8.5 by 11 inches) until the preferences
// or a printer say otherwise.
//
// One object of the plug-in, built when the library loads (GetPageLayout):
// paper and margins are the program's settings, shared by every score.
// Tests build their own. The view and its printing change it, pagination,
// the rulers, fonts and tools read it. User-interface thread only.
#pragma once

#include "platform/ui/geometry.h"

#include <functional>
#include <optional>

class MCPageLayout {
public:
    // What LoadPageSize asks of the default printer: the paper in device
    // pixels and the device's pixels per inch.
    struct PrinterPaper {
        int physicalWidth = 0;
        int physicalHeight = 0;
        int dpiX = 0;
        int dpiY = 0;
    };
    // None when there is no default printer.
    using PrinterQuery = std::function<std::optional<PrinterPaper>()>;
    // Replaces how the default printer is found (empty: the platform's print
    // support); answers the previous query.
    static PrinterQuery SetPrinterQuery(PrinterQuery query);

    MCPageLayout();
    virtual ~MCPageLayout();

    static MCPageLayout& GetPageLayout();

    // Page size from the default printer (turned when Print Setup chose
    // landscape) and "Views\Music Score" "PageWidth"
    // and "PageHeight", margins from "MarginLeft" ... "MarginBottom" (inches).
    // Without any size the rectangles stay as they are and nothing is written;
    // otherwise the paper size is written back.
    void LoadPageSize();
    // The printer in use: its paper, with the margins LoadPageSize reads; the
    // paper size is written back.
    void SetPageSize(int width, int height);

    // The page (from 1) of a score of `pageCount` pages holding the point;
    // 1 when none does.
    int GetPageAtPoint(POINT point, int pageCount) const;

    // Pages lie side by side from left to right, else stacked downward.
    void SetSideBySide(int sideBySide) { m_sideBySide = sideBySide; }
    int IsSideBySide() const { return m_sideBySide; }

    // The screen's pixels per inch (96 until the view says otherwise).
    static void SetZoom(int pixelsPerInch) { s_zoom = pixelsPerInch; }
    static int GetZoom() { return s_zoom; }

    const CRect& GetPageRect() const { return m_pageRect; }
    // A rectangle of page 1 moved to page `page` (from 1): down by page - 1
    // page heights. Page n's printable area is GetPageRect(n, GetPrintableRect()).
    CRect GetPageRect(int page, CRect rect) const;
    const CRect& GetPaperRect() const { return m_paperRect; }
    const CRect& GetQuarterInchRect() const { return m_quarterInchRect; }
    const CRect& GetPrintableRect() const { return m_printableRect; }

private:
    void SetPaper(int width, int height);
    // The printable rectangle: the stored margins inside the paper, within
    // the quarter-inch rectangle.
    void SetMargins();
    void SavePaperSize() const;

    CRect m_pageRect{0, 0, 13680, -17280};
    CRect m_paperRect{720, -720, 12960, -16560};
    CRect m_quarterInchRect{1080, -1080, 12600, -16200};
    CRect m_printableRect{1440, -1440, 12240, -15840};
    int m_sideBySide = 0;

    static int s_zoom;
};
