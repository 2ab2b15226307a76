// The page of the score: size and margins from the default printer and the
// preferences, and pages found by point.
#include "notation/layout/pagelayout.h"

#include "platform/core/profile.h"

#include <gtest/gtest.h>

namespace {

constexpr const char* kSection = "Views\\Music Score";
constexpr const char* kKeys[] = {"PageWidth", "PageHeight", "MarginLeft", "MarginRight", "MarginTop", "MarginBottom"};

// Each test starts without the page keys and with a printer it chooses.
class PageLayoutTest : public ::testing::Test {
protected:
    void SetUp() override {
        Forget();
        m_previous = MCPageLayout::SetPrinterQuery(NoPrinter);
    }
    void TearDown() override {
        MCPageLayout::SetPrinterQuery(m_previous);
        Forget();
    }
    static void Forget() {
        for (const char* key : kKeys)
            CProfile::Application().DeleteKey(kSection, key);
    }
    static std::optional<MCPageLayout::PrinterPaper> NoPrinter() { return std::nullopt; }
    static bool Has(const char* key) { return CProfile::Application().HasKey(kSection, key); }
    static int Int(const char* key) { return CProfile::Application().GetInt(kSection, key, -1); }
    static void Write(const char* key, const char* value) {
        CProfile::Application().WriteString(kSection, key, value);
    }

    MCPageLayout::PrinterQuery m_previous;
};

void ExpectRect(const CRect& r, int l, int t, int rt, int b, const char* what) {
    EXPECT_EQ(r.left, l) << what;
    EXPECT_EQ(r.top, t) << what;
    EXPECT_EQ(r.right, rt) << what;
    EXPECT_EQ(r.bottom, b) << what;
}

TEST_F(PageLayoutTest, WithoutPrinterOrKeysThePageStaysLetterAndNothingIsWritten) {
    MCPageLayout layout;
    layout.LoadPageSize();
    ExpectRect(layout.GetPageRect(), 0, 0, 13680, -17280, "page");
    ExpectRect(layout.GetPaperRect(), 720, -720, 12960, -16560, "paper");
    ExpectRect(layout.GetQuarterInchRect(), 1080, -1080, 12600, -16200, "quarter inch");
    ExpectRect(layout.GetPrintableRect(), 1440, -1440, 12240, -15840, "printable");
    EXPECT_FALSE(Has("PageWidth"));
    EXPECT_FALSE(Has("PageHeight"));
}

TEST_F(PageLayoutTest, KeysAndMarginsGiveThePrintableRectangle) {
    const struct {
        const char* width;
        const char* height;
        const char* margin;   // all four; null: the default 0.75
        CRect paper, quarter, printable;
    } cases[] = {
        {"12240", "-15840", nullptr, {720, -720, 12960, -16560}, {1080, -1080, 12600, -16200},
         {1800, -1800, 11880, -15480}},
        {"12240", "-15840", "0.1", {720, -720, 12960, -16560}, {1080, -1080, 12600, -16200},
         {1080, -1080, 12600, -16200}},
        {"11906", "-16838", "1", {720, -720, 12626, -17558}, {1080, -1080, 12266, -17198},
         {2160, -2160, 11186, -16118}},   // A4
    };
    for (const auto& c : cases) {
        Forget();
        Write("PageWidth", c.width);
        Write("PageHeight", c.height);
        if (c.margin)
            for (const char* key : {"MarginLeft", "MarginRight", "MarginTop", "MarginBottom"})
                Write(key, c.margin);
        MCPageLayout layout;
        layout.LoadPageSize();
        ExpectRect(layout.GetPaperRect(), c.paper.left, c.paper.top, c.paper.right, c.paper.bottom, c.width);
        ExpectRect(layout.GetQuarterInchRect(), c.quarter.left, c.quarter.top, c.quarter.right, c.quarter.bottom, c.width);
        ExpectRect(layout.GetPrintableRect(), c.printable.left, c.printable.top, c.printable.right,
                   c.printable.bottom, c.width);
        ExpectRect(layout.GetPageRect(), 0, 0, c.paper.right + 720, c.paper.bottom - 720, c.width);
    }
    // Unequal margins move each edge by its own amount.
    Forget();
    Write("PageWidth", "12240");
    Write("PageHeight", "-15840");
    Write("MarginLeft", "1.5");
    Write("MarginTop", "0.5");
    MCPageLayout layout;
    layout.LoadPageSize();
    ExpectRect(layout.GetPrintableRect(), 720 + 2160, -720 - 720, 12960 - 1080, -16560 + 1080, "unequal");
}

TEST_F(PageLayoutTest, TheDefaultPrintersPaperIsWrittenBack) {
    MCPageLayout::SetPrinterQuery([] {
        return std::optional<MCPageLayout::PrinterPaper>({5100, 6600, 600, 600});   // letter at 600 dpi
    });
    MCPageLayout layout;
    layout.LoadPageSize();
    EXPECT_EQ(Int("PageWidth"), 12240);
    EXPECT_EQ(Int("PageHeight"), -15840);
    ExpectRect(layout.GetPaperRect(), 720, -720, 12960, -16560, "paper");

    // A stored size wins over the printer's.
    Write("PageWidth", "11906");
    Write("PageHeight", "-16838");
    layout.LoadPageSize();
    ExpectRect(layout.GetPaperRect(), 720, -720, 12626, -17558, "stored");
    EXPECT_EQ(Int("PageWidth"), 11906);
}

// A damaged profile's page: a size no paper has (none, negative, a twip,
// larger than 200 inches) reads as not stored, so the printer's whole paper
// is taken, even where the other half is a letter page's; a margin beyond
// 10 inches reads as the default 0.75 inch.
TEST_F(PageLayoutTest, AStoredPageNoPaperHasReadsAsNotStored) {
    MCPageLayout::SetPrinterQuery([] {
        return std::optional<MCPageLayout::PrinterPaper>({4961, 7016, 600, 600});   // A4 at 600 dpi
    });
    const struct {
        const char* width;
        const char* height;
    } damaged[] = {
        {"0", "0"}, {"-12240", "-15840"}, {"12240", "15840"}, {"1", "-1"}, {"2000000000", "-15840"},
        {"12240", "-200000000"}, {"288001", "-15840"}, {"12240", ""}, {"", "-15840"},
    };
    for (const auto& c : damaged) {
        Write("PageWidth", c.width);
        Write("PageHeight", c.height);
        Write("MarginLeft", "1e9");
        MCPageLayout layout;
        layout.LoadPageSize();
        ExpectRect(layout.GetPaperRect(), 720, -720, 720 + 11906, -720 - 16838, c.width);
        EXPECT_EQ(layout.GetPrintableRect().left, 720 + 1080) << c.width;
    }
}

TEST_F(PageLayoutTest, SetPageSizeTakesThePrintersPaperWithTheStoredMargins) {
    // The job's paper keeps the margins the screen lays out with (0.75 inch
    // unless stored), so every way of printing gives one layout.
    Write("MarginLeft", "2");
    MCPageLayout layout;
    layout.SetPageSize(11906, -16838);
    ExpectRect(layout.GetPaperRect(), 720, -720, 12626, -17558, "paper");
    ExpectRect(layout.GetPrintableRect(), 720 + 2 * 1440, -720 - 1080, 12626 - 1080, -17558 + 1080, "printable");
    EXPECT_EQ(Int("PageWidth"), 11906);
    EXPECT_EQ(Int("PageHeight"), -16838);
}

TEST_F(PageLayoutTest, PageAtPoint) {
    MCPageLayout layout;
    const struct {
        int sideBySide, x, y, page;
    } cases[] = {
        {0, 100, -100, 1},
        {0, 100, -17280 - 100, 2},
        {0, 13000, -2 * 17280 - 5, 3},
        {0, 100, -3 * 17280 - 100, 1},   // below the last page
        {0, 14000, -100, 1},             // beside the stack
        {1, 13680 + 100, -100, 2},
        {1, 2 * 13680 + 5, -17000, 3},
        {1, 100, -17280 - 100, 1},
    };
    for (const auto& c : cases) {
        layout.SetSideBySide(c.sideBySide);
        EXPECT_EQ(layout.GetPageAtPoint(POINT{c.x, c.y}, 3), c.page) << c.x << ", " << c.y;
    }
}

TEST_F(PageLayoutTest, ZoomIsOneValueForTheProcess) {
    EXPECT_EQ(MCPageLayout::GetZoom(), 96);
    MCPageLayout::GetPageLayout().SetZoom(120);
    EXPECT_EQ(MCPageLayout::GetZoom(), 120);
    MCPageLayout::SetZoom(96);
}

}  // namespace
