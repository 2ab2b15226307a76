// The framework document: plain-file open and save (a failed save keeps the
// old file), the save question, Save As through the path hook, and views.
#include "platform/ui/document.h"

#include "platform/core/archive.h"
#include "platform/core/exceptions.h"
#include "platform/storage/storage.h"
#include "platform/ui/prompt_script.h"
#include "tests/platform/file_support.h"

#include <QDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <string>

namespace {

// A document whose content is one string, archived as it stands; it can be
// told to fail in the middle of writing.
class TextDocument : public CDocument {
public:
    TextDocument() { m_bAutoDelete = false; }
    std::string text;
    bool failWriting = false;
    int emptied = 0;

    void Serialize(CArchive& ar) override {
        if (ar.IsStoring()) {
            ar.Write(text.data(), text.size() / 2);
            if (failWriting)
                throw CFileException(CFileException::diskFull);
            ar.Write(text.data() + text.size() / 2, text.size() - text.size() / 2);
        } else {
            text.assign(ar.GetFile()->GetLength(), '\0');
            ar.Read(text.data(), text.size());
        }
    }
    void DeleteContents() override {
        text.clear();
        ++emptied;
    }
};

struct DocumentFiles : ::testing::Test {
    file_test::TempFolder folder;
    CPromptScript prompts;
    CPromptHandler* previous = SetPromptHandler(&prompts);
    ~DocumentFiles() override { SetPromptHandler(previous); }
};

TEST_F(DocumentFiles, OpensAndSavesPlainFiles) {
    const std::string path = folder.File("piece.txt");
    file_test::WriteText(path, "old music");
    TextDocument doc;
    ASSERT_TRUE(doc.OnOpenDocument(path.c_str()));
    EXPECT_EQ(doc.text, "old music");
    EXPECT_FALSE(doc.IsModified());

    doc.text = "new music";
    doc.SetModifiedFlag();
    ASSERT_TRUE(doc.OnSaveDocument(path.c_str()));
    EXPECT_EQ(file_test::ReadText(path), "new music");
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(prompts.GetCount(), 0u);
}

TEST_F(DocumentFiles, AFailedSaveKeepsTheOldFileAndSaysSo) {
    const std::string path = folder.File("piece.txt");
    file_test::WriteText(path, "old music");
    TextDocument doc;
    doc.text = "new music that will not fit";
    doc.failWriting = true;
    doc.SetModifiedFlag();

    EXPECT_FALSE(doc.OnSaveDocument(path.c_str()));
    EXPECT_EQ(file_test::ReadText(path), "old music");
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(prompts.GetCount(), 1u);
    // Nothing is left beside the file.
    EXPECT_EQ(QDir(QString::fromStdString(folder.path)).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST_F(DocumentFiles, AFileThatCannotBeReplacedKeepsItsBytesAndIsReportedAsAFileError) {
    const struct {
        StorageStep step;
        int error;
        CFileException::Cause cause;
    } cases[] = {
        {StorageStep::write, ENOSPC, CFileException::diskFull},
        {StorageStep::rename, EACCES, CFileException::accessDenied},
    };
    const std::string path = folder.File("piece.txt");
    for (const auto& c : cases) {
        file_test::WriteText(path, "old music");
        TextDocument doc;
        doc.text = "new music";
        auto previous = SetStorageFaultHook([&](StorageStep step, const std::string&) {
            return step == c.step ? c.error : 0;
        });
        prompts.Clear();
        EXPECT_FALSE(doc.OnSaveDocument(path.c_str()));
        SetStorageFaultHook(previous);
        EXPECT_EQ(file_test::ReadText(path), "old music");
        std::string message;
        CFileException(c.cause, 0, path).GetErrorMessage(message);
        ASSERT_EQ(prompts.GetCount(), 1u);
        EXPECT_EQ(prompts.GetLast().text, message);
        EXPECT_EQ(QDir(QString::fromStdString(folder.path)).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }
}

TEST_F(DocumentFiles, AFileThatCannotBeOpenedIsReported) {
    TextDocument doc;
    const std::string path = folder.File("missing.txt");
    EXPECT_FALSE(doc.OnOpenDocument(path.c_str()));
    ASSERT_EQ(prompts.GetCount(), 1u);
    EXPECT_GT(doc.emptied, 0);
}

TEST_F(DocumentFiles, SaveModifiedAsksAndSavesAsAnswered) {
    const std::string path = folder.File("piece.txt");
    file_test::WriteText(path, "old");
    struct Case {
        int answer;
        int goesOn;
        const char* onDisk;
    };
    for (const Case& c : {Case{IDCANCEL, 0, "old"}, Case{IDNO, 1, "old"}, Case{IDYES, 1, "new"}}) {
        TextDocument doc;
        doc.SetPathName(path.c_str());
        doc.text = "new";
        doc.SetModifiedFlag();
        prompts.Clear();
        prompts.Answer(c.answer);
        EXPECT_EQ(doc.SaveModified(), c.goesOn) << c.answer;
        EXPECT_EQ(prompts.GetLast().text, "Save changes to piece.txt?");
        EXPECT_EQ(file_test::ReadText(path), c.onDisk) << c.answer;
    }
    TextDocument clean;
    prompts.Clear();
    EXPECT_EQ(clean.SaveModified(), 1);
    EXPECT_EQ(prompts.GetCount(), 0u);
}

TEST_F(DocumentFiles, SaveAsTakesThePathFromTheHook) {
    const std::string chosen = folder.File("chosen.txt");
    auto previous = CDocument::SetSavePathHook([&](CDocument*, std::string& path, int) {
        path = chosen;
        return 1;
    });
    TextDocument doc;
    doc.text = "music";
    EXPECT_TRUE(doc.DoFileSave());   // untitled: asks
    EXPECT_EQ(doc.GetPathName(), chosen);
    EXPECT_EQ(doc.GetTitle(), "chosen.txt");
    EXPECT_EQ(file_test::ReadText(chosen), "music");

    CDocument::SetSavePathHook(nullptr);
    TextDocument untitled;
    EXPECT_FALSE(untitled.DoFileSave());   // no way to ask: nothing saved
    CDocument::SetSavePathHook(previous);
}

TEST(CDocumentViews, UpdatesReachEveryViewButTheSender) {
    struct Counting : CView {
        int updates = 0;
        long lastHint = 0;
        void OnUpdate(CView*, long hint, CObject*) override {
            ++updates;
            lastHint = hint;
        }
    };
    TextDocument doc;
    Counting a, b;
    doc.AddView(&a);
    doc.AddView(&b);
    doc.UpdateAllViews(&a, 7);
    EXPECT_EQ(a.updates, 0);
    EXPECT_EQ(b.updates, 1);
    EXPECT_EQ(b.lastHint, 7);
    {
        Counting gone;
        doc.AddView(&gone);
    }   // a view that goes leaves its document
    EXPECT_EQ(doc.GetViews().size(), 2u);
    doc.OnCloseDocument();
    EXPECT_EQ(a.GetDocument(), nullptr);
    EXPECT_TRUE(doc.GetViews().empty());
}

}   // namespace
