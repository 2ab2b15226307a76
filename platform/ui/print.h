// Printing: what a print job knows (CPrintInfo), the program's printer and
// paper, the print dialog, and the printers the system has.
//
// A view prints through its printing protocol (document.h): OnPreparePrinting
// sets the pages and shows the print dialog (DoPreparePrinting), then the
// framework makes a printer DC (platform/gdi/printdc.h) and for each page sets
// CPrintInfo::m_nCurPage and m_rectDraw and calls OnPrepareDC and OnPrint,
// between OnBeginPrinting and OnEndPrinting. Print preview runs the same page
// loop on the preview dialog's printer.
//
// The program's printer: the target (a printer's name, or a PDF file, see
// IsPdfTarget), paper and orientation that Print Setup chose, used by direct
// printing and offered first by the print dialog. The default paper is the program
// printer's, else the system's default printer's, else the locale's (Letter
// where it measures in inches, A4 elsewhere). What the system's printers are
// comes from a query that tests replace.
//
// User-interface thread only.
#pragma once

#include "platform/gdi/printdc.h"
#include "platform/ui/commondlg.h"
#include "platform/ui/geometry.h"

#include <QPageSize>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CDC;
class CDrawingObserver;
class CView;
class QPrinter;

// ---- the system's printers ------------------------------------------------------------

struct PrinterDescription {
    std::string name;
    QPageSize paper;            // its default paper
    bool isDefault = false;     // the system's default printer
};
using PrinterQuery = std::function<std::vector<PrinterDescription>()>;

// Replaces the query (empty: ask the system); answers the previous one.
PrinterQuery SetPrinterQuery(PrinterQuery query);
std::vector<PrinterDescription> QueryPrinters();

// ---- the program's printer ----------------------------------------------------------------

struct ProgramPrinter {
    std::string target;                 // empty: none chosen
    std::optional<QPageSize> paper;     // none: the printer's own
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
};
const ProgramPrinter& GetProgramPrinter();
void SetProgramPrinter(ProgramPrinter printer);

// The paper a page is laid out on and printed on (see above).
QPageSize GetDefaultPaper();
// The target direct printing prints to: the program's printer, else the
// system's default printer, else any printer; empty when there is none.
std::string GetDefaultPrintTarget();

// ---- a print job --------------------------------------------------------------------------

class CPrintInfo {
public:
    CPrintInfo();
    CPrintInfo(const CPrintInfo&) = delete;
    CPrintInfo& operator=(const CPrintInfo&) = delete;

    // The document's pages (from 1) and the range the user chose.
    void SetMinPage(UINT nMinPage) { m_nMinPage = nMinPage; }
    void SetMaxPage(UINT nMaxPage) { m_nMaxPage = nMaxPage; }
    UINT GetMinPage() const { return m_nMinPage; }
    UINT GetMaxPage() const { return m_nMaxPage; }
    UINT GetFromPage() const { return m_nFromPage ? m_nFromPage : m_nMinPage; }
    UINT GetToPage() const { return m_nToPage ? m_nToPage : m_nMaxPage; }

    BOOL m_bDirect = FALSE;             // no print dialog
    BOOL m_bPreview = FALSE;            // print preview
    BOOL m_bContinuePrinting = TRUE;    // false ends the page loop
    UINT m_nCurPage = 1;                // the page being printed
    CRect m_rectDraw;                   // the page's printable area, logical units
    void* m_lpUserData = nullptr;       // the view's own

    // Where the job goes, on what paper and how (the print dialog may change
    // them). The settings start with the program's printer's orientation.
    std::string m_strTarget;
    QPageSize m_paper;
    PrintSettings m_settings;
    UINT m_nFromPage = 0;               // 0: from the first page
    UINT m_nToPage = 0;                 // 0: to the last page

private:
    UINT m_nMinPage = 1;
    UINT m_nMaxPage = 0xFFFF;
};

// Prints `view` on `printer` (borrowed), a printer the caller has set up
// (its paper, resolution and engines): the pages drawn as a print job draws
// them, with no dialog and nothing taken from the program's printer. The job
// is laid out on the layout's paper, as a preview without a printer is.
// `observer` (borrowed, may be null) hears what the drawing belongs to (see
// CDrawingObserver). False when the view declines or the printer fails.
bool PrintViewOn(CView& view, QPrinter& printer, CDrawingObserver* observer = nullptr);

// ---- the print dialog -----------------------------------------------------------------------

// The toolkit's print dialog over the job's target, paper, settings and
// pages: OK writes the chosen printer (or PDF file), paper, settings (the
// orientation from the dialog's properties, copies, collation, duplex, colour
// mode, page order) and page range back into the job. With `bPrintSetupOnly`
// it is Print Setup: no page range.
//
// Its controls for scripts, numbered as they always were: the copies (edt3),
// collation (chx2), the printer's properties (psh2), OK and Cancel.
class CPrintDialog : public CCommonDialog {
    DECLARE_DYNAMIC(CPrintDialog)
public:
    CPrintDialog(CPrintInfo* pInfo, BOOL bPrintSetupOnly = FALSE, CWnd* pParentWnd = nullptr);
    ~CPrintDialog() override;
    INT_PTR DoModal();

private:
    friend class CPrintWidget;
    void Accept(QPrinter& printer);
    CPrintInfo* m_pInfo;                    // borrowed
    BOOL m_bPrintSetupOnly;
    std::unique_ptr<QPrinter> m_printer;    // what the dialog edits
};

// Print preview: the toolkit's preview dialog, which asks `drawPages` to draw
// every page on its printer (a preview DC) of the paper turned as the job
// has it. Answers IDOK or IDCANCEL when closed.
class CPrintPreviewDialog : public CCommonDialog {
    DECLARE_DYNAMIC(CPrintPreviewDialog)
public:
    using DrawPages = std::function<void(QPrinter& printer)>;
    CPrintPreviewDialog(const QPageSize& paper, QPageLayout::Orientation orientation, DrawPages drawPages,
                        CWnd* pParentWnd = nullptr);
    ~CPrintPreviewDialog() override;
    INT_PTR DoModal();

private:
    QPageSize m_paper;
    QPageLayout::Orientation m_orientation;
    DrawPages m_drawPages;
    std::unique_ptr<QPrinter> m_printer;
};
