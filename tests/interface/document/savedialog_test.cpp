// The save dialog under a script: the format a typed name gives, the folder it
// starts in and keeps, the type list renaming the file, and the dialog as the
// documents' way of asking where to save.
#include "interface/document/opusdoc.h"
#include "interface/document/opusheader.h"
#include "interface/document/savedialog.h"
#include "model/preferences.h"
#include "platform/ui/dialog_script.h"
#include "platform/ui/prompt_script.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace {

// Sets (or with nullopt removes) an environment variable for one scope.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, std::optional<std::string> value) : m_name(name) {
        if (const char* old = std::getenv(name))
            m_old = old;
        Set(value);
    }
    ~ScopedEnvironment() { Set(m_old); }

private:
    void Set(const std::optional<std::string>& value) {
        if (value)
            setenv(m_name, value->c_str(), 1);
        else
            unsetenv(m_name);
    }
    const char* m_name;
    std::optional<std::string> m_old;
};

std::string StoredFolder() {
    return LoadStringPreference("New", "Dir", "");
}

std::string ShownFolder(CWnd& dialog) {
    auto* widget = qobject_cast<QFileDialog*>(dialog.GetWidget());
    return widget ? widget->directory().absolutePath().toStdString() : std::string();
}

class SaveDialogTest : public ::testing::Test {
protected:
    SaveDialogTest() { SaveStringPreference("New", "Dir", folder.path().toStdString()); }
    ~SaveDialogTest() override { SaveStringPreference("New", "Dir", ""); }

    // Runs the dialog on `format`, typing `typed` (and choosing type `type`
    // when not -1) and pressing OK.
    int Run(std::string& path, int format, const std::string& typed, int type = -1) {
        CDialogScript script;
        script.Queue(RUNTIME_CLASS(MCSaveDialog), [&](CWnd& dlg) {
            if (!typed.empty())
                CDialogScript::SetText(dlg, edt1, typed);
            if (type >= 0)
                CDialogScript::Choose(dlg, cmb1, type);
            renamed = CDialogScript::GetText(dlg, edt1);
            CDialogScript::Click(dlg, IDOK);
        });
        return dialog.GetSavePath(path, format, 1);
    }

    QTemporaryDir folder;
    MCSaveDialog dialog;
    std::string renamed;   // the name field just before OK
};

TEST_F(SaveDialogTest, TheTypedExtensionCorrectsTheFormatAndTheFolderIsKept) {
    const struct {
        int format;
        const char* typed;
        const char* saved;
        int expected;
    } cases[] = {
        {DF_NATIVE, "a.mid", "a.mid", DF_MIDI_TYPE1},
        {DF_NATIVE, "a.MID", "a.MID", DF_NATIVE},   // extensions compare exactly
        {DF_NATIVE, "a", "a.mmm", DF_NATIVE},       // the format's extension
        {DF_MIDI_TYPE0, "a", "a.mid", DF_MIDI_TYPE0},
        {DF_MIDI_TYPE1, "b.mmm", "b.mmm", DF_NATIVE},
        {DF_UNKNOWN, "c", "c", DF_NATIVE},          // no type of its own: the list's first
    };
    for (const auto& c : cases) {
        QDir(folder.path()).mkdir("sub");
        SaveStringPreference("New", "Dir", folder.filePath("sub").toStdString());
        std::string path = "Untitled1";
        ASSERT_EQ(Run(path, c.format, c.typed), 1) << c.typed;
        EXPECT_EQ(path, folder.filePath(QString("sub/") + c.saved).toStdString());
        EXPECT_EQ(dialog.GetSaveFormat(), c.expected) << c.typed << " " << c.format;
        EXPECT_EQ(StoredFolder(), folder.filePath("sub").toStdString());
    }
}

TEST_F(SaveDialogTest, CancelLeavesThePathAndTheFolder) {
    std::string path = "/nowhere/song.mid";
    CDialogScript script;   // nothing queued: the dialog is cancelled
    EXPECT_EQ(dialog.GetSavePath(path, DF_MIDI_TYPE0, 1), 0);
    EXPECT_EQ(path, "/nowhere/song.mid");
    EXPECT_EQ(dialog.GetSaveFormat(), DF_MIDI_TYPE0);
    EXPECT_EQ(StoredFolder(), folder.path().toStdString());
}

TEST_F(SaveDialogTest, TheListOfTypesAndTheTitle) {
    SetAppName("Staffwright");
    std::string title;
    std::string selected;
    CDialogScript script;
    script.Queue(RUNTIME_CLASS(MCSaveDialog), [&](CWnd& dlg) {
        title = dlg.GetWidget()->windowTitle().toStdString();
        selected = static_cast<MCSaveDialog&>(dlg).GetControlText(cmb1);
    });
    std::string path = "x";
    EXPECT_EQ(dialog.GetSavePath(path, DF_MIDI_TYPE1, 0), 0);
    EXPECT_EQ(title, "Save Copy As");
    EXPECT_EQ(selected, "Type 1 Midi File (*.mid)");
    script.Queue(RUNTIME_CLASS(MCSaveDialog), [&](CWnd& dlg) {
        title = dlg.GetWidget()->windowTitle().toStdString();
        selected = static_cast<MCSaveDialog&>(dlg).GetControlText(cmb1);
    });
    EXPECT_EQ(dialog.GetSavePath(path, DF_NATIVE, 1), 0);
    EXPECT_EQ(title, "Save As");
    EXPECT_EQ(selected, "Staffwright File (*.mmm)");
}

// Another type renames a name with an extension and becomes the format; a
// name without one keeps the format (the name gets the format's extension).
TEST_F(SaveDialogTest, ChoosingATypeRenamesTheFile) {
    const struct {
        const char* typed;
        int type;
        const char* renamed;
        int expected;
    } cases[] = {
        {"song.mmm", DF_MIDI_TYPE0, "song.mid", DF_MIDI_TYPE0},
        {"my.song.mid", DF_NATIVE, "my.song.mmm", DF_NATIVE},
        {"song", DF_MIDI_TYPE0, "song", DF_NATIVE},
    };
    for (const auto& c : cases) {
        std::string path;
        ASSERT_EQ(Run(path, DF_NATIVE, c.typed, c.type), 1) << c.typed;
        EXPECT_EQ(renamed, c.renamed);
        EXPECT_EQ(dialog.GetSaveFormat(), c.expected) << c.typed;
    }
}

TEST_F(SaveDialogTest, TheFirstSaveStartsInTheDocumentsFolder) {
    SaveStringPreference("New", "Dir", "");
    QTemporaryDir home;
    QDir(home.path()).mkpath(".config");
    QDir(home.path()).mkpath("Papers");
    {
        QFile dirs(home.filePath(".config/user-dirs.dirs"));
        ASSERT_TRUE(dirs.open(QIODevice::WriteOnly));
        dirs.write("# written by the desktop\nXDG_DOCUMENTS_DIR=\"$HOME/Papers\"\n");
    }
    const std::string homePath = home.path().toStdString();
    ScopedEnvironment homeVariable("HOME", homePath);
    ScopedEnvironment config("XDG_CONFIG_HOME", std::nullopt);
    const struct {
        std::optional<std::string> documents;   // XDG_DOCUMENTS_DIR
        bool userDirs;                          // the user-dirs.dirs file is there
        std::string expected;
    } cases[] = {
        {folder.path().toStdString() + "/", true, folder.path().toStdString()},
        {std::nullopt, true, homePath + "/Papers"},
        {std::nullopt, false, homePath},
    };
    for (const auto& c : cases) {
        ScopedEnvironment documents("XDG_DOCUMENTS_DIR", c.documents);
        if (!c.userDirs)
            QFile::remove(home.filePath(".config/user-dirs.dirs"));
        EXPECT_EQ(MCSaveDialog::GetDocumentsFolder(), c.expected);
        std::string shown;
        CDialogScript script;
        script.Queue(RUNTIME_CLASS(MCSaveDialog), [&](CWnd& dlg) { shown = ShownFolder(dlg); });
        std::string path = "Untitled1";
        dialog.GetSavePath(path, DF_NATIVE, 1);
        EXPECT_EQ(shown, c.expected);
    }
}

// A document that notes the format its header holds when it is saved.
class NotingDoc : public MCOpusDoc {
public:
    int OnSaveDocument(const char* path) override {
        savedFormat = GetHeader()->GetFormat();
        savedPath = path;
        return 1;
    }
    int savedFormat = -2;
    std::string savedPath;
};

TEST_F(SaveDialogTest, SaveAsOfADocumentStoresTheChosenFormatBeforeSaving) {
    const CDocument::SavePathHook previous = MCSaveDialog::InstallSavePathHook();
    NotingDoc doc;
    doc.m_bAutoDelete = false;
    doc.GetHeader()->SetFormat(DF_NATIVE);
    CDialogScript script;
    script.Queue(RUNTIME_CLASS(MCSaveDialog), [](CWnd& dlg) {
        CDialogScript::SetText(dlg, edt1, "a.mid");
        CDialogScript::Click(dlg, IDOK);
    });
    EXPECT_EQ(doc.DoSave(nullptr), 1);
    EXPECT_EQ(doc.savedFormat, DF_MIDI_TYPE1);
    EXPECT_EQ(doc.savedPath, folder.filePath("a.mid").toStdString());
    // Cancelled, nothing is saved and the header keeps its format.
    EXPECT_EQ(doc.DoSave(nullptr), 0);
    EXPECT_EQ(doc.GetHeader()->GetFormat(), DF_MIDI_TYPE1);
    CDocument::SetSavePathHook(previous);
}

}  // namespace
