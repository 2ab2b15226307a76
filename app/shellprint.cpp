// Printing from the command line (see shellprint.h).
#include "app/shellprint.h"

#include "app/commandline.h"
#include "interface/document/opusdoc.h"
#include "interface/document/pluginrecords.h"
#include "platform/gdi/printdc.h"
#include "platform/ui/app.h"
#include "platform/ui/commands.h"
#include "platform/ui/document.h"
#include "platform/ui/frame.h"
#include "platform/ui/placement.h"
#include "platform/ui/print.h"
#include "platform/ui/prompt.h"

#include <cstdio>
#include <string>

namespace {

// Prompts have nobody to answer them: the default handler writes them to
// standard error and answers the default button.
class CUnattendedPrompts {
public:
    CUnattendedPrompts() : m_previous(SetPromptHandler(nullptr)) {}
    ~CUnattendedPrompts() { SetPromptHandler(m_previous); }
    CUnattendedPrompts(const CUnattendedPrompts&) = delete;
    CUnattendedPrompts& operator=(const CUnattendedPrompts&) = delete;

private:
    CPromptHandler* m_previous;   // borrowed; put back
};

// Print-to's target is the program's printer for the time of the print.
class CPrinterSwitch {
public:
    explicit CPrinterSwitch(const std::string& target) : m_previous(GetProgramPrinter()) {
        ProgramPrinter printer = m_previous;
        printer.target = target;
        SetProgramPrinter(printer);
    }
    ~CPrinterSwitch() { SetProgramPrinter(m_previous); }
    CPrinterSwitch(const CPrinterSwitch&) = delete;
    CPrinterSwitch& operator=(const CPrinterSwitch&) = delete;

private:
    ProgramPrinter m_previous;
};

int Fail(const std::string& file, const char* reason) {
    std::fprintf(stderr, "Staffwright: %s: %s\n", file.c_str(), reason);
    return 1;
}

// Whether the view's own class (not only the view base) maps direct print.
bool PrintsItself(const CView& view) {
    static const CView plain;
    const AFX_MSGMAP_ENTRY* entry = view.FindMessageEntry(WM_COMMAND, CN_COMMAND, ID_FILE_PRINT_DIRECT);
    return entry && entry != plain.FindMessageEntry(WM_COMMAND, CN_COMMAND, ID_FILE_PRINT_DIRECT);
}

// The view of `frame` among the document's views; null when none is there.
CView* ViewInFrame(CDocument& document, CFrameWnd& frame) {
    for (CView* view : document.GetViews()) {
        if (view->GetParentFrame() == &frame)
            return view;
    }
    return nullptr;
}

// The view that prints the document, its frame hidden and initially updated;
// null when no registered view prints.
CView* FindPrintingView(MCOpusDoc& document) {
    MCPtrList& records = CPluginView::GetPlugins();
    for (POSITION pos = records.GetHeadPosition(); pos;) {
        auto* record = static_cast<CPluginView*>(records.GetNext(pos));
        CFrameWnd* frame = document.GetViewFrame(record->GetViewID(), 0);
        CView* view = frame ? ViewInFrame(document, *frame) : nullptr;
        if (view && PrintsItself(*view)) {
            // The initial update a shown frame gets, without the showing:
            // the view lays itself out as it would on screen.
            frame->InitialUpdateFrame(&document, FALSE);
            frame->SendMessageToDescendants(WM_INITIALUPDATE);
            // Opening may have shown frames of the document (the one the
            // template made); the printing view's stays out of sight.
            frame->ShowWindow(SW_HIDE);
            return view;
        }
    }
    return nullptr;
}

}  // namespace

int PrintFromShell(CWinApp& app, const CCommandLineInfo& command) {
    const std::string& file = command.m_strFileName;
    if (command.m_nShellCommand == CCommandLineInfo::FilePrintTo && command.m_strPrinterName.empty())
        return Fail(file, "no printer or PDF file was named to print to");
    CUnattendedPrompts prompts;
    std::unique_ptr<CPrinterSwitch> printer;
    if (command.m_nShellCommand == CCommandLineInfo::FilePrintTo)
        printer = std::make_unique<CPrinterSwitch>(command.m_strPrinterName);

    auto* document = dynamic_cast<MCOpusDoc*>(app.OpenDocumentFile(file.c_str()));
    if (!document)
        return Fail(file, "the file could not be opened");
    const unsigned long pagesBefore = CPrintDC::GetPagesPrinted();
    CView* view = FindPrintingView(*document);
    if (view)
        view->SendMessage(WM_COMMAND, ID_FILE_PRINT_DIRECT, 0);
    document->OnCloseDocument();
    if (!view)
        return Fail(file, "no view of this program prints the document");
    if (CPrintDC::GetPagesPrinted() == pagesBefore)
        return Fail(file, "no page was printed");
    return 0;
}
