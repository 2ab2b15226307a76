// The printer DC: what a job's settings ask of a printer (copies, collation,
// duplex, colour, page order, orientation) and of a PDF file (the turned
// page, one set of pages).
#include "platform/gdi/printdc.h"

#include <QPageLayout>
#include <QPaintEngine>
#include <QPrintEngine>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

namespace {

// A print engine that keeps what it is told, laid out at 1200 dots an inch,
// and prints nothing: a printer of the system's, as far as a DC can tell.
class RecordingEngine : public QPrintEngine, public QPaintEngine {
public:
    static constexpr int kDpi = 1200;

    void setProperty(PrintEnginePropertyKey key, const QVariant& value) override {
        switch (key) {
        case PPK_QPageLayout:
            m_layout = value.value<QPageLayout>();
            break;
        case PPK_QPageSize:
            m_layout.setPageSize(value.value<QPageSize>());
            break;
        case PPK_Orientation:
            m_layout.setOrientation(QPageLayout::Orientation(value.toInt()));
            break;
        default:
            m_properties[key] = value;
        }
    }
    QVariant property(PrintEnginePropertyKey key) const override {
        switch (key) {
        case PPK_QPageLayout:
            return QVariant::fromValue(m_layout);
        case PPK_QPageSize:
            return QVariant::fromValue(m_layout.pageSize());
        case PPK_Orientation:
            return m_layout.orientation();
        case PPK_Resolution:
            return kDpi;
        default: {
            const auto found = m_properties.find(key);
            return found == m_properties.end() ? QVariant() : found->second;
        }
        }
    }
    bool newPage() override { return true; }
    bool abort() override { return true; }
    QPrinter::PrinterState printerState() const override { return QPrinter::Idle; }
    int metric(QPaintDevice::PaintDeviceMetric metric) const override {
        const QRect sheet = m_layout.fullRectPixels(kDpi);
        switch (metric) {
        case QPaintDevice::PdmWidth:
            return sheet.width();
        case QPaintDevice::PdmHeight:
            return sheet.height();
        case QPaintDevice::PdmDpiX:
        case QPaintDevice::PdmDpiY:
        case QPaintDevice::PdmPhysicalDpiX:
        case QPaintDevice::PdmPhysicalDpiY:
            return kDpi;
        case QPaintDevice::PdmWidthMM:
            return sheet.width() * 254 / (10 * kDpi);
        case QPaintDevice::PdmHeightMM:
            return sheet.height() * 254 / (10 * kDpi);
        case QPaintDevice::PdmDepth:
            return 32;
        case QPaintDevice::PdmNumColors:
            return INT_MAX;
        case QPaintDevice::PdmDevicePixelRatio:
            return 1;
        case QPaintDevice::PdmDevicePixelRatioScaled:
            return int(QPaintDevice::devicePixelRatioFScale());
        default:
            return 0;
        }
    }

    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState&) override {}
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    Type type() const override { return QPaintEngine::User; }

private:
    QPageLayout m_layout{QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()};
    std::map<PrintEnginePropertyKey, QVariant> m_properties;
};

// The engine is a base of its own, so that it outlives the printer using it.
struct EngineHolder {
    RecordingEngine engine;
};
class RecordingPrinter : private EngineHolder, public QPrinter {
public:
    RecordingPrinter() : QPrinter(QPrinter::HighResolution) { setEngines(&engine, &engine); }
};

// Printers as a test makes them: "Office" is known, any other name is not.
struct Printers {
    RecordingPrinter* made = nullptr;   // the last one made; its DC owns it
    CPrintDC::PrinterFactory previous;
    Printers()
        : previous(CPrintDC::SetPrinterFactory([this](const std::string& name) -> std::unique_ptr<QPrinter> {
              if (name != "Office")
                  return nullptr;
              auto printer = std::make_unique<RecordingPrinter>();
              made = printer.get();
              return printer;
          })) {}
    ~Printers() { CPrintDC::SetPrinterFactory(previous); }
};

}  // namespace

TEST(PrintDC, APrinterIsAskedForEverySettingOfTheJob) {
    using S = PrintSettings;
    const struct {
        const char* what;
        PrintSettings settings;
        QPrinter::DuplexMode duplex;
        QPrinter::ColorMode colorMode;
        QPrinter::PageOrder pageOrder;
    } cases[] = {
        {"the defaults", {}, QPrinter::DuplexNone, QPrinter::Color, QPrinter::FirstPageFirst},
        {"two collated copies, landscape, long-edge duplex, grey, last page first",
         {QPageLayout::Landscape, 2, true, S::Duplex::LongEdge, S::ColorMode::GrayScale, S::PageOrder::LastPageFirst},
         QPrinter::DuplexLongSide, QPrinter::GrayScale, QPrinter::LastPageFirst},
        {"three uncollated copies, short-edge duplex",
         {QPageLayout::Portrait, 3, false, S::Duplex::ShortEdge, S::ColorMode::Color, S::PageOrder::FirstPageFirst},
         QPrinter::DuplexShortSide, QPrinter::Color, QPrinter::FirstPageFirst},
    };
    Printers printers;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CPrintDC dc;
        ASSERT_NE(dc.CreatePrinterDC("Office", QPageSize(QPageSize::A4), c.settings), 0);
        ASSERT_NE(printers.made, nullptr);
        QPrinter& printer = *printers.made;
        EXPECT_EQ(printer.copyCount(), c.settings.copies);
        EXPECT_EQ(printer.collateCopies(), c.settings.collate);
        EXPECT_EQ(printer.duplex(), c.duplex);
        EXPECT_EQ(printer.colorMode(), c.colorMode);
        EXPECT_EQ(printer.pageOrder(), c.pageOrder);
        EXPECT_EQ(printer.pageLayout().orientation(), c.settings.orientation);
        EXPECT_EQ(printer.pageLayout().pageSize().id(), QPageSize::A4);
        EXPECT_EQ(GetPrintSettings(printer), c.settings);
        // The DC measures the sheet as it lies.
        const bool wide = dc.GetDeviceCaps(PHYSICALWIDTH) > dc.GetDeviceCaps(PHYSICALHEIGHT);
        EXPECT_EQ(wide, c.settings.orientation == QPageLayout::Landscape);
    }
    CPrintDC unknown;
    EXPECT_EQ(unknown.CreatePrinterDC("Lab", QPageSize(QPageSize::A4), {}), 0);
}

TEST(PrintDC, APdfFileIsTheTurnedPageOnceWhateverTheCopies) {
    if (QStandardPaths::findExecutable("pdfinfo").isEmpty())
        GTEST_SKIP() << "the PDF tools are not installed (tools/setup)";
    QTemporaryDir dir;
    const QString path = dir.filePath("landscape.pdf");
    PrintSettings settings;
    settings.orientation = QPageLayout::Landscape;
    settings.copies = 2;
    {
        CPrintDC dc;
        ASSERT_NE(dc.CreatePrinterDC(path.toStdString(), QPageSize(QPageSize::A4), settings), 0);
        const QSize a4 = QPageSize(QPageSize::A4).sizePixels(kPdfDotsPerInch);
        EXPECT_EQ(dc.GetDeviceCaps(PHYSICALWIDTH), a4.height());
        EXPECT_EQ(dc.GetDeviceCaps(PHYSICALHEIGHT), a4.width());
        ASSERT_GT(dc.StartDoc("landscape"), 0);
        ASSERT_GT(dc.StartPage(), 0);
        dc.MoveTo(100, 100);
        dc.LineTo(1000, 1000);
        ASSERT_GT(dc.EndPage(), 0);
        ASSERT_GT(dc.EndDoc(), 0);
    }
    QProcess pdfinfo;
    pdfinfo.start("pdfinfo", {path});
    pdfinfo.waitForFinished(30000);
    const QString info = QString::fromUtf8(pdfinfo.readAllStandardOutput());
    EXPECT_TRUE(info.contains(QRegularExpression("Pages:\\s+1\\n"))) << info.toStdString();
    const QRegularExpressionMatch size = QRegularExpression("Page size:\\s+([\\d.]+) x ([\\d.]+)").match(info);
    ASSERT_TRUE(size.hasMatch()) << info.toStdString();
    EXPECT_NEAR(size.captured(1).toDouble(), 842, 1);
    EXPECT_NEAR(size.captured(2).toDouble(), 595, 1);
}
