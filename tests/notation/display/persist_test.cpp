// The archive head of display objects: golden bytes, the fix-up after a
// load by file version, and display objects travelling inside a native
// document saved and opened again.
#include "notation/display/base.h"
#include "notation/display/records.h"
#include "notation/display/staff.h"

#include "model/conductor.h"
#include "model/eventtypes.h"
#include "model/performance.h"
#include "model/staff.h"
#include "platform/core/archive.h"
#include "platform/storage/storage.h"
#include "platform/storage/streamfile.h"
#include "platform/ui/prompt_script.h"
#include "tests/interface/document/doc_support.h"
#include "tests/notation/display/display_support.h"
#include "tests/platform/file_support.h"
#include "tests/notation/support/durationgate.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t CUE = 1u << 17;
constexpr uint32_t GRACE = 1u << 18;
constexpr uint32_t HIDDEN = 1u << 16;
constexpr uint32_t CLASS_BIT = 1u << 20;
constexpr uint32_t TRANSIENT = (1u << 13) | (1u << 14) | (1u << 15);

Bytes Store(CObject* object) {
    return StoreBytes(object);
}

// Reads `bytes` into `object` with `version` as the active performance's
// file version (none: no performance active, as for clipboard data).
void Load(CObject* object, const Bytes& bytes, const int* version) {
    ECPerformance performance;
    performance.Ref();
    if (version)
        performance.SetVersion(*version);
    ECPerformance* previous = ECPerformance::SetActivePerformance(version ? &performance : nullptr);
    CMemFile file(bytes);
    CArchive ar(&file, CArchive::load);
    object->Serialize(ar);
    ar.Close();
    ECPerformance::SetActivePerformance(previous);
}

TEST(DisplayArchiveTest, GoldenHead) {
    DCctStaff staff;
    staff.SetStateWord(0x1FFFu | HIDDEN | CUE | CLASS_BIT);
    staff.SetPosition(-2, 300);
    staff.SetStoredOffset(CSize(-1, 0x1234));
    staff.SetLegerHeightAbove(99);   // not archived
    staff.SetColor(RGB(9, 9, 9));    // nor is the colour
    const Bytes want = {
        0, 0, 0, 0,                  // the state field: a word that carries nothing,
        1, 0, 0, 0,                  // the field's own flags (dirty),
        0xFF, 0x1F, 0x13, 0x00,      // the state word
        0x00, 0x00,                  // no owner
        0xFE, 0xFF, 0xFF, 0xFF,      // x
        0x2C, 0x01, 0x00, 0x00,      // y
        0xFF, 0xFF,                  // dx, stored units
        0x34, 0x12,                  // dy
    };
    EXPECT_EQ(Store(&staff), want);

    DCctBase base;
    base.SetStateWord(0x1FFFu | HIDDEN | CUE | CLASS_BIT);
    base.SetPosition(-2, 300);
    base.SetStoredOffset(CSize(-1, 0x1234));
    EXPECT_EQ(Store(&base), want);   // the staff has no tail
}

TEST(DisplayArchiveTest, LoadFixUpByFileVersion) {
    DCctBase saved;
    // Every dirty kind clear but time and rest, every display bit set, a class bit.
    const uint32_t word = 1u | (1u << 1) | (1u << 8) | TRANSIENT | HIDDEN | CUE | GRACE | CLASS_BIT;
    saved.SetStateWord(word);
    saved.SetPosition(40, -50);
    saved.SetStoredOffset(CSize(6, -7));
    const Bytes bytes = Store(&saved);

    const uint32_t placedAgain = (1u << 9) | (1u << 10) | (1u << 11) | (1u << 12) | 1u;
    const uint32_t kept = 1u | (1u << 1) | (1u << 8) | HIDDEN | CLASS_BIT | placedAgain;
    const int one = 1;
    const int two = 2;
    const struct {
        const int* version;
        uint32_t word;
    } cases[] = {
        {&one, kept},                    // files before 2 know no cue or grace
        {&two, kept | CUE | GRACE},
        {nullptr, kept | CUE | GRACE},   // clipboard data is current
    };
    for (const auto& c : cases) {
        DCctBase loaded;
        Load(&loaded, bytes, c.version);
        EXPECT_EQ(loaded.GetStateWord(), c.word) << (c.version ? *c.version : -1);
        EXPECT_EQ(loaded.GetPosition(), CPoint(46, -57));
        EXPECT_EQ(loaded.GetStoredOffset(), CSize(6, -7));
    }

    // The staff is shown again whatever the version.
    DCctStaff staff;
    Load(&staff, bytes, &two);
    EXPECT_EQ(staff.GetStateWord(), (kept & ~HIDDEN) | CUE | GRACE);
}

TEST(DisplayArchiveTest, ShortHeadIsRefused) {
    DCctBase saved;
    Bytes bytes = Store(&saved);
    bytes.pop_back();
    DCctBase loaded;
    const int two = 2;
    EXPECT_THROW(Load(&loaded, bytes, &two), CArchiveException);
}

// ---- inside a native document --------------------------------------------------

void WriteCompound(const std::string& path, const Bytes& contents) {
    std::unique_ptr<CRootStorage> root = CRootStorage::Create(path);
    CStreamFile stream;
    ASSERT_TRUE(stream.CreateStream(*root, "Contents"));
    stream.Write(contents.data(), contents.size());
    stream.Close();
    root->Commit();
}

struct DisplayDocumentTest : ::testing::Test, doc_support::DocumentParts {
    file_test::TempFolder folder;
    CPromptScript prompts;
    CPromptHandler* previousPrompts = SetPromptHandler(&prompts);
    DisplayDocumentTest() { notation_test::StartPlugin(); }
    ~DisplayDocumentTest() override { SetPromptHandler(previousPrompts); }

    std::unique_ptr<MCOpusDoc> Open(const std::string& path) {
        std::unique_ptr<MCOpusDoc> document = MakeDocument();
        EXPECT_TRUE(document->OnOpenDocument(path.c_str())) << path << ": " << prompts.GetLast().text;
        return document;
    }

    static std::vector<DCctStaff*> StaffDisplays(MCOpusDoc* document, int create) {
        std::vector<DCctStaff*> displays;
        for (ECBase* staff : doc_support::FindEvents(document->GetBaseEvent(), ET_STAFF))
            displays.push_back(dynamic_cast<DCctStaff*>(staff->GetData(DK_NOTATION, create)));
        return displays;
    }
};

// A native document of two staves whose displays are hidden, selected,
// cue, grace, placed and offset. No sequence is attached: the tree holds
// notation data alone, so the same stream also reads as a file of version 1.
void SaveTwoStaves(const std::string& path) {
    std::unique_ptr<MCOpusDoc> source = doc_support::DocumentParts::MakeDocument();
    ECPerformance* performance = source->CreatePerformance(1);
    ECConductor* conductor = performance->GetConductor();
    ASSERT_NE(conductor, nullptr);
    for (int number : {1, 2}) {
        ECBase* staff = conductor->GetTrack(1, number, 1);
        ASSERT_NE(staff, nullptr);
        auto* display = dynamic_cast<DCctStaff*>(staff->GetData(DK_NOTATION, 1));
        ASSERT_NE(display, nullptr);
        display->SetStateWord(1u | (1u << 3) | TRANSIENT | HIDDEN | CUE | GRACE | CLASS_BIT);
        display->SetPosition(100 + number, -200);
        display->SetStoredOffset(CSize(-5, 5));
    }
    source->GetHeader()->SetFormat(DF_NATIVE);
    ASSERT_TRUE(source->OnSaveDocument(path.c_str()));
    source->OnCloseDocument();   // lets go of the file
}

TEST_F(DisplayDocumentTest, DisplayObjectsComeBackWithTheLoadFixUp) {
    const std::string mmm = folder.File("two.mmm");
    ASSERT_NO_FATAL_FAILURE(SaveTwoStaves(mmm));

    const uint32_t placedAgain = (1u << 9) | (1u << 10) | (1u << 11) | (1u << 12) | 1u;
    const uint32_t kept = 1u | (1u << 3) | CLASS_BIT | placedAgain;   // no hidden staff
    Bytes contents = DocumentContents(mmm);
    ASSERT_GE(contents.size(), 8u);
    ASSERT_EQ(contents[4], 2);
    contents[4] = 1;
    const std::string old = folder.File("old.mmm");
    WriteCompound(old, contents);

    // (The file's version holds while the tree is read; the document is
    // current once it is open.)
    const struct {
        const std::string& path;
        int version;
        uint32_t word;
    } cases[] = {
        {mmm, 2, kept | CUE | GRACE},
        {old, 1, kept},   // files before 2 knew no cue or grace
    };
    for (const auto& c : cases) {
        std::unique_ptr<MCOpusDoc> reopened = Open(c.path);
        ASSERT_NE(reopened->GetBaseEvent(), nullptr);
        std::vector<DCctStaff*> loaded = StaffDisplays(reopened.get(), 0);
        ASSERT_EQ(loaded.size(), 2u);
        for (size_t i = 0; i < loaded.size(); ++i) {
            ASSERT_NE(loaded[i], nullptr) << i;
            EXPECT_EQ(loaded[i]->GetStateWord(), c.word) << c.version << " " << i;
            EXPECT_EQ(loaded[i]->GetPosition(), CPoint(96 + static_cast<int>(i), -195)) << i;
            EXPECT_EQ(loaded[i]->GetOwner()->GetData(DK_NOTATION, 0), loaded[i]);
        }
        reopened->OnCloseDocument();
    }
}

// Writes the document fuzz target's seed of notation display objects (the
// "Contents" of the document above). Run on purpose:
//   notation_tests --gtest_also_run_disabled_tests --gtest_filter='DisplayDocumentTest.DISABLED_WriteFuzzSeed'
TEST_F(DisplayDocumentTest, DISABLED_WriteFuzzSeed) {
    const std::string corpus = std::string(STAFFWRIGHT_TEST_DATA) + "/../../fuzz/corpus/document";
    const std::string mmm = folder.File("displays.mmm");
    ASSERT_NO_FATAL_FAILURE(SaveTwoStaves(mmm));
    const Bytes contents = DocumentContents(mmm);
    file_test::WriteText(corpus + "/notation-displays.contents", std::string(contents.begin(), contents.end()));
}

}  // namespace
