// Texts that share a slot, printed: a file whose conductor track is named
// twice ("Captain Kidd", "Trumpet in B flat": two titles) and whose one
// staff is named twice ("Trumpet", "Solo"). Every text is printed, in the
// file's order, each below the one before; no two of them overlap on the
// page, and nothing under them is printed over.
#include "platform/ui/menu.h"
#include "platform/ui/print.h"
#include "platform/ui/uiresources.h"
#include "tests/notation/support/inkcheck.h"
#include "tests/notation/support/pagerecorder.h"
#include "tests/notation/view/pdf_support.h"
#include "tests/notation/view/printprogram_support.h"

#include <QFile>

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr UINT IDR_SLOTS_MAIN = 29893;
constexpr UINT IDR_SLOTS_DOC = 29894;

const MenuTemplate kMainMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_NEW, "&New"}}}}};
MENU_RESOURCE(IDR_SLOTS_MAIN, kMainMenu);
const MenuTemplate kDocMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_CLOSE, "&Close"}}}}};
MENU_RESOURCE(IDR_SLOTS_DOC, kDocMenu);
STRING_TABLE({IDR_SLOTS_MAIN, "Slots"}, {IDR_SLOTS_DOC, "Slotted"});

using pdf_support::PdfWord;

// Points of overlap that are the rounding of stacked lines, which touch.
constexpr double kRounding = 0.1;

// The box around a printed text: its words, found in order on one line.
struct Line {
    double left = 0, top = 0, right = 0, bottom = 0;
    bool Overlaps(const Line& other) const {
        return left + kRounding < other.right && other.left + kRounding < right && top + kRounding < other.bottom &&
               other.top + kRounding < bottom;
    }
};

// Where the words of `text` stand one after another on one line of page
// 1, the first such run at or after the `skip`-th; none when they do not.
std::optional<Line> FindLine(const std::vector<PdfWord>& words, const std::vector<std::string>& text, int skip = 0) {
    for (size_t i = 0; i + text.size() <= words.size(); ++i) {
        bool match = words[i].page == 1;
        for (size_t k = 0; match && k < text.size(); ++k)
            match = words[i + k].text == text[k] && std::abs(words[i + k].top - words[i].top) < 1;
        if (!match || skip-- > 0)
            continue;
        Line line{words[i].left, words[i].top, words[i].right, words[i].bottom};
        for (size_t k = 1; k < text.size(); ++k) {
            line.right = std::max(line.right, words[i + k].right);
            line.bottom = std::max(line.bottom, words[i + k].bottom);
        }
        return line;
    }
    return std::nullopt;
}

class TextSlotsPrintTest : public view_test::PrintProgram {
protected:
    TextSlotsPrintTest() : PrintProgram(IDR_SLOTS_MAIN, IDR_SLOTS_DOC) {}

    CCantrel* OpenFixture() {
        QFile file(STAFFWRIGHT_TEST_DATA "/notation/two-track-names.mid");
        if (!file.open(QIODevice::ReadOnly))
            return nullptr;
        const QByteArray bytes = file.readAll();
        return OpenFile(std::vector<uint8_t>(bytes.begin(), bytes.end()));
    }
};

TEST_F(TextSlotsPrintTest, TwoTitlesAndTwoStaffNamesStackWithoutOverlapping) {
    if (!pdf_support::HavePdfTools())
        GTEST_SKIP() << "poppler's tools are missing";
    CCantrel* view = OpenFixture();
    ASSERT_NE(view, nullptr);
    const std::vector<PdfWord> words = pdf_support::ReadPdfWords(PrintToPdf(view, "names.pdf"));

    const std::optional<Line> title = FindLine(words, {"Captain", "Kidd"});
    const std::optional<Line> second = FindLine(words, {"Trumpet", "in", "B", "flat"});
    ASSERT_TRUE(title && second) << "both titles are printed";
    EXPECT_FALSE(title->Overlaps(*second));
    EXPECT_LE(title->bottom, second->top + kRounding) << "the file's first name stays in the slot, the second goes below it";
    EXPECT_NEAR((title->left + title->right) / 2, (second->left + second->right) / 2, 1) << "both centred";

    // The staff's names: "Trumpet" left of the staff (not the title's word).
    std::optional<Line> trumpet;
    for (int skip = 0; !trumpet || trumpet->top == second->top; ++skip) {
        trumpet = FindLine(words, {"Trumpet"}, skip);
        ASSERT_TRUE(trumpet) << "the staff's first name is printed";
    }
    const std::optional<Line> solo = FindLine(words, {"Solo"});
    ASSERT_TRUE(solo) << "the staff's second name is printed";
    EXPECT_FALSE(trumpet->Overlaps(*solo));
    EXPECT_LE(trumpet->bottom, solo->top + kRounding);
    EXPECT_NEAR(trumpet->left, solo->left, 1) << "both at the printable area's left";
}

// The same page on the recording printer: no text is printed over anything,
// the music below the titles included (the subtitle level and the first
// system move down by the whole stack).
TEST_F(TextSlotsPrintTest, StackedTextsCollideWithNothing) {
    CCantrel* view = OpenFixture();
    ASSERT_NE(view, nullptr);
    const page_check::RecordedPages recorded = page_check::RecordPrint(*view);
    ASSERT_TRUE(recorded.printed);
    int texts = 0;
    for (const page_check::InkMark& mark : recorded.marks)
        texts += page_check::Classify(mark) == page_check::InkKind::Text;
    EXPECT_EQ(texts, 4);
    for (const page_check::Collision& c : page_check::FindCollisions(recorded.marks))
        EXPECT_TRUE(c.first.kind != page_check::InkKind::Text && c.second.kind != page_check::InkKind::Text)
            << c.Describe();
}

}  // namespace
