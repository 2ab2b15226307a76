// Printing's shared parts: the system's printers, the program's printer and
// paper, the print dialog and the preview dialog.
#include "platform/ui/print.h"

#include "platform/gdi/printdc.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QLineEdit>
#include <QLocale>
#include <QPointer>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QSpinBox>

IMPLEMENT_DYNAMIC(CPrintDialog, CCommonDialog)
IMPLEMENT_DYNAMIC(CPrintPreviewDialog, CCommonDialog)

namespace {

PrinterQuery& Query() {
    static PrinterQuery query;
    return query;
}

ProgramPrinter& Program() {
    static ProgramPrinter printer;
    return printer;
}

std::vector<PrinterDescription> SystemPrinters() {
    std::vector<PrinterDescription> printers;
    for (const QPrinterInfo& info : QPrinterInfo::availablePrinters())
        printers.push_back({info.printerName().toStdString(), info.defaultPageSize(), info.isDefault()});
    return printers;
}

}  // namespace

PrinterQuery SetPrinterQuery(PrinterQuery query) {
    PrinterQuery old = std::move(Query());
    Query() = std::move(query);
    return old;
}

std::vector<PrinterDescription> QueryPrinters() { return Query() ? Query()() : SystemPrinters(); }

const ProgramPrinter& GetProgramPrinter() { return Program(); }

void SetProgramPrinter(ProgramPrinter printer) { Program() = std::move(printer); }

QPageSize GetDefaultPaper() {
    const ProgramPrinter& program = Program();
    if (program.paper && program.paper->isValid())
        return *program.paper;
    const std::vector<PrinterDescription> printers = QueryPrinters();
    for (const PrinterDescription& printer : printers)
        if (!program.target.empty() && printer.name == program.target && printer.paper.isValid())
            return printer.paper;
    for (const PrinterDescription& printer : printers)
        if (printer.isDefault && printer.paper.isValid())
            return printer.paper;
    return QPageSize(QLocale().measurementSystem() == QLocale::ImperialUSSystem ? QPageSize::Letter
                                                                                         : QPageSize::A4);
}

std::string GetDefaultPrintTarget() {
    if (!Program().target.empty())
        return Program().target;
    const std::vector<PrinterDescription> printers = QueryPrinters();
    for (const PrinterDescription& printer : printers)
        if (printer.isDefault)
            return printer.name;
    return printers.empty() ? std::string() : printers.front().name;
}

CPrintInfo::CPrintInfo() : m_paper(GetDefaultPaper()) {
    m_strTarget = GetDefaultPrintTarget();
    m_settings.orientation = Program().orientation;
}

// ---- the print dialog ----------------------------------------------------------------------

// The toolkit's dialog, whose OK and Cancel end its CPrintDialog.
class CPrintWidget : public QPrintDialog {
public:
    CPrintWidget(CPrintDialog& owner, QPrinter* printer, QWidget* parent) : QPrintDialog(printer, parent), m_owner(owner) {}
    void accept() override {
        QPrintDialog::accept();     // the dialog's choices into the printer
        m_owner.Accept(*printer());
        m_owner.EndDialog(IDOK);
    }
    void reject() override {
        QPrintDialog::reject();
        m_owner.EndDialog(IDCANCEL);
    }

    // OK goes through CheckAndAccept instead of the toolkit's own checks.
    void TakeOk() {
        for (QDialogButtonBox* box : findChildren<QDialogButtonBox*>()) {
            QObject::disconnect(box, &QDialogButtonBox::accepted, this, nullptr);
            QObject::connect(box, &QDialogButtonBox::accepted, this, [this] { CheckAndAccept(); });
        }
    }

private:
    // Printing into a file, the program asks before it replaces one, through
    // its prompts; the toolkit then checks its other fields with the file
    // field set aside, so its own question about the file (a box of its own,
    // which no script answers) never comes.
    void CheckAndAccept() {
        QPointer<QLineEdit> file = findChild<QLineEdit*>(QStringLiteral("filename"));
        if (file && file->isEnabled()) {
            if (!MayWriteFile(FilePath(file->text()), windowTitle().toStdString()))
                return;
            file->setEnabled(false);
        }
        if (!QMetaObject::invokeMethod(this, "_q_checkFields"))
            accept();
        if (file)
            file->setEnabled(true);
    }
    // A file name as the toolkit reads it: relative to the home folder.
    static std::string FilePath(const QString& typed) {
        return (QDir::isRelativePath(typed) && !typed.isEmpty() ? QDir::home().filePath(typed) : typed).toStdString();
    }

    CPrintDialog& m_owner;   // borrowed: it destroys this widget
};

CPrintDialog::CPrintDialog(CPrintInfo* pInfo, BOOL bPrintSetupOnly, CWnd* pParentWnd)
    : CCommonDialog(pParentWnd), m_pInfo(pInfo), m_bPrintSetupOnly(bPrintSetupOnly) {}

CPrintDialog::~CPrintDialog() = default;

INT_PTR CPrintDialog::DoModal() {
    if (!m_pInfo)
        return IDCANCEL;
    m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    if (IsPdfTarget(m_pInfo->m_strTarget)) {
        m_printer->setOutputFormat(QPrinter::PdfFormat);
        m_printer->setOutputFileName(QString::fromStdString(m_pInfo->m_strTarget));
    } else if (!m_pInfo->m_strTarget.empty()) {
        m_printer->setPrinterName(QString::fromStdString(m_pInfo->m_strTarget));
    }
    // The dialog shows the job as it stands, and its properties the paper turned as the job has it.
    ApplyPrintSettings(*m_printer, m_pInfo->m_paper, m_pInfo->m_settings);
    auto* dialog = new CPrintWidget(*this, m_printer.get(), GetParentWidget());
    if (m_bPrintSetupOnly) {
        dialog->setWindowTitle("Print Setup");
        dialog->setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
    } else {
        dialog->setMinMax(static_cast<int>(m_pInfo->GetMinPage()), static_cast<int>(m_pInfo->GetMaxPage()));
        dialog->setOption(QAbstractPrintDialog::PrintPageRange);
    }
    // The toolkit names its controls; the classic numbers are given to the ones scripts use.
    if (auto* copies = dialog->findChild<QSpinBox*>("copies"))
        AdoptControl(copies->findChild<QLineEdit*>(), edt3);
    AdoptControl(dialog->findChild<QCheckBox*>("collate"), chx2);
    AdoptControl(dialog->findChild<QPushButton*>("properties"), psh2);
    dialog->TakeOk();
    AdoptButtons(dialog);
    return RunModal(dialog);
}

void CPrintDialog::Accept(QPrinter& printer) {
    m_pInfo->m_strTarget = printer.outputFormat() == QPrinter::PdfFormat ? printer.outputFileName().toStdString()
                                                                         : printer.printerName().toStdString();
    m_pInfo->m_paper = printer.pageLayout().pageSize();
    m_pInfo->m_settings = GetPrintSettings(printer);
    if (!m_bPrintSetupOnly && printer.printRange() == QPrinter::PageRange) {
        m_pInfo->m_nFromPage = static_cast<UINT>(printer.fromPage());
        m_pInfo->m_nToPage = static_cast<UINT>(printer.toPage());
    }
}

// ---- print preview -------------------------------------------------------------------------

CPrintPreviewDialog::CPrintPreviewDialog(const QPageSize& paper, QPageLayout::Orientation orientation,
                                         DrawPages drawPages, CWnd* pParentWnd)
    : CCommonDialog(pParentWnd), m_paper(paper), m_orientation(orientation), m_drawPages(std::move(drawPages)) {}

CPrintPreviewDialog::~CPrintPreviewDialog() = default;

INT_PTR CPrintPreviewDialog::DoModal() {
    m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    m_printer->setPageSize(m_paper);
    m_printer->setPageOrientation(m_orientation);
    auto* dialog = new QPrintPreviewDialog(m_printer.get(), GetParentWidget());
    QObject::connect(dialog, &QPrintPreviewDialog::paintRequested, dialog, [this](QPrinter* printer) {
        if (printer && m_drawPages)
            m_drawPages(*printer);
    });
    QObject::connect(dialog, &QDialog::finished, dialog, [this](int result) {
        EndDialog(result == QDialog::Accepted ? IDOK : IDCANCEL);
    });
    return RunModal(dialog);
}
