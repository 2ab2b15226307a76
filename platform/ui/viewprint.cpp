// A view's printing protocol, the Print, direct print and Print Preview
// commands over one page loop, and the application's Print Setup.
#include "platform/gdi/printdc.h"
#include "platform/ui/app.h"
#include "platform/ui/document.h"
#include "platform/ui/frame.h"
#include "platform/ui/print.h"
#include "platform/ui/prompt.h"

#include <QPrinter>

// The page loop, which reaches the view's protected protocol.
class CViewPrinting {
public:
    // Runs a document on `dc`: OnBeginPrinting, the pages, OnEndPrinting.
    // False when the device failed (the document was aborted then).
    static bool Run(CView& view, CPrintDC& dc, CPrintInfo& info) {
        view.OnBeginPrinting(&dc, &info);
        const bool printed = StartDoc(view, dc) && Pages(view, dc, info) && dc.EndDoc() > 0;
        if (!printed)
            dc.AbortDoc();
        view.OnEndPrinting(&dc, &info);
        return printed;
    }

    static BOOL Prepare(CView& view, CPrintInfo& info) { return view.OnPreparePrinting(&info); }

private:
    static bool StartDoc(CView& view, CPrintDC& dc) {
        const CDocument* document = view.GetDocument();
        return dc.StartDoc(document ? document->GetTitle() : GetAppName()) > 0;
    }

    static bool Pages(CView& view, CPrintDC& dc, CPrintInfo& info) {
        for (UINT page = info.GetFromPage(); page <= info.GetToPage() && info.m_bContinuePrinting; ++page) {
            info.m_nCurPage = page;
            view.OnPrepareDC(&dc, &info);
            if (!info.m_bContinuePrinting)
                break;
            info.m_rectDraw = CRect(0, 0, dc.GetDeviceCaps(HORZRES), dc.GetDeviceCaps(VERTRES));
            dc.DPtoLP(&info.m_rectDraw);
            if (dc.StartPage() <= 0)
                return false;
            view.OnPrint(&dc, &info);
            if (dc.EndPage() <= 0)
                return false;
        }
        return true;
    }
};

void CView::OnDraw(CDC*) {}

void CView::OnPrepareDC(CDC*, CPrintInfo* pInfo) {
    // A document that did not say how many pages it has prints one.
    if (pInfo && pInfo->GetMaxPage() == 0xFFFF)
        pInfo->m_bContinuePrinting = pInfo->m_nCurPage == 1;
}

BOOL CView::OnPreparePrinting(CPrintInfo* pInfo) { return DoPreparePrinting(pInfo); }

BOOL CView::DoPreparePrinting(CPrintInfo* pInfo) {
    if (!pInfo)
        return FALSE;
    if (pInfo->m_bPreview)
        return TRUE;
    if (pInfo->m_bDirect) {
        if (pInfo->m_strTarget.empty()) {
            ShowPrompt("No printers are installed.", MB_OK | MB_ICONEXCLAMATION);
            return FALSE;
        }
        return TRUE;
    }
    CPrintDialog dialog(pInfo, FALSE, GetParentFrame());
    return dialog.DoModal() == IDOK && !pInfo->m_strTarget.empty();
}

void CView::OnBeginPrinting(CDC*, CPrintInfo*) {}

void CView::OnPrint(CDC* pDC, CPrintInfo*) { OnDraw(pDC); }

void CView::OnEndPrinting(CDC*, CPrintInfo*) {}

namespace {

void Print(CView& view, BOOL direct) {
    CPrintInfo info;
    info.m_bDirect = direct;
    if (!CViewPrinting::Prepare(view, info))
        return;
    CPrintDC dc;
    if (!dc.CreatePrinterDC(info.m_strTarget, info.m_paper, info.m_settings)) {
        ShowPrompt("The printer \"" + info.m_strTarget + "\" cannot be used.", MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    if (!CViewPrinting::Run(view, dc, info))
        ShowPrompt("Printing to \"" + info.m_strTarget + "\" failed.", MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace

bool PrintViewOn(CView& view, QPrinter& printer, CDrawingObserver* observer) {
    CPrintInfo info;
    info.m_bPreview = TRUE;   // no dialog, and no target of its own to take paper from
    if (!CViewPrinting::Prepare(view, info))
        return false;
    CPrintDC dc;
    if (!dc.AttachPrinter(&printer, DCKind::Printer))
        return false;
    dc.SetDrawingObserver(observer);
    return CViewPrinting::Run(view, dc, info);
}

void CView::OnFilePrint() { Print(*this, FALSE); }

void CView::OnFilePrintDirect() { Print(*this, TRUE); }

void CView::OnFilePrintPreview() {
    CPrintInfo info;
    info.m_bPreview = TRUE;
    if (!CViewPrinting::Prepare(*this, info))
        return;
    CPrintPreviewDialog dialog(
        info.m_paper, info.m_settings.orientation,
        [&](QPrinter& printer) {
            // The preview asks again whenever it lays its pages out anew.
            CPrintDC dc;
            if (!dc.AttachPrinter(&printer, DCKind::Preview))
                return;
            info.m_bContinuePrinting = TRUE;
            CViewPrinting::Run(*this, dc, info);
        },
        GetParentFrame());
    dialog.DoModal();
}

void CWinApp::OnFilePrintSetup() {
    CPrintInfo info;
    CPrintDialog dialog(&info, TRUE, AfxGetMainWnd());
    if (dialog.DoModal() == IDOK)
        SetProgramPrinter({info.m_strTarget, info.m_paper, info.m_settings.orientation});
}
