// The common file dialog under a script: filters in both forms, the default
// extension, the checks before it closes, several files chosen at once, the
// type list's notice, and paths past the classic length limit.
#include "platform/ui/dialog_script.h"
#include "platform/ui/filedialog.h"
#include "platform/ui/prompt_script.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A literal with its zeros, as the classic filters are written.
template <size_t N>
std::string Zeros(const char (&text)[N]) {
    return std::string(text, N - 1);
}

void Touch(const QString& path) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

// The type list's entries as the dialog shows them.
std::vector<std::string> TypeEntries(CWnd& dialog) {
    std::vector<std::string> entries;
    if (auto* combo = dialog.GetWidget()->findChild<QComboBox*>(QString::number(cmb1)))
        for (int i = 0; i < combo->count(); ++i)
            entries.push_back(combo->itemText(i).toStdString());
    return entries;
}

TEST(FileDialog, FiltersInBothForms) {
    const struct {
        std::string filter;
        std::vector<FileFilter> expected;
    } cases[] = {
        {"Songs|*.mmm|MIDI|*.mid;*.midi||", {{"Songs", "*.mmm"}, {"MIDI", "*.mid;*.midi"}}},
        {Zeros("Songs\0*.mmm\0MIDI\0*.mid;*.midi\0"), {{"Songs", "*.mmm"}, {"MIDI", "*.mid;*.midi"}}},
        {Zeros("One\0*.a\0\0Ignored\0*.b\0"), {{"One", "*.a"}}},
        {"", {}},
        {"Half|", {}},
    };
    for (const auto& c : cases) {
        const std::vector<FileFilter> parsed = ParseFileFilter(c.filter);
        ASSERT_EQ(parsed.size(), c.expected.size()) << c.filter;
        for (size_t i = 0; i < parsed.size(); ++i) {
            EXPECT_EQ(parsed[i].description, c.expected[i].description);
            EXPECT_EQ(parsed[i].patterns, c.expected[i].patterns);
        }
    }
}

TEST(FileDialog, SaveAppendsTheDefaultExtensionAndKeepsTheChosenType) {
    QTemporaryDir folder;
    CFileDialog dialog(FALSE, "mmm", nullptr, OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST, nullptr);
    dialog.m_ofn.lpstrFilter = Zeros("Songs\0*.mmm\0MIDI\0*.mid\0");
    dialog.m_ofn.nFilterIndex = 2;
    dialog.m_ofn.lpstrInitialDir = folder.path().toStdString();
    std::vector<std::string> shown;
    CDialogScript script;
    script.Queue(RUNTIME_CLASS(CFileDialog), [&](CWnd& dlg) {
        shown = TypeEntries(dlg);
        EXPECT_EQ(dlg.GetWidget()->windowTitle().toStdString(), "Save As");
        EXPECT_EQ(static_cast<CFileDialog&>(dlg).GetControlText(cmb1), "MIDI");
        CDialogScript::SetText(dlg, edt1, "song");
        CDialogScript::Click(dlg, IDOK);
    });
    ASSERT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(shown, (std::vector<std::string>{"Songs", "MIDI"}));
    EXPECT_EQ(dialog.GetPathName(), folder.filePath("song.mmm").toStdString());
    EXPECT_EQ(dialog.GetFileName(), "song.mmm");
    EXPECT_EQ(dialog.GetFileExt(), "mmm");
    EXPECT_EQ(dialog.GetFileTitle(), "song");
    EXPECT_EQ(dialog.m_ofn.nFilterIndex, 2u);
}

TEST(FileDialog, UnscriptedOrCancelledEndsWithCancel) {
    CFileDialog dialog(TRUE);
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(dialog.GetPathName(), "");
    CDialogScript script;
    script.Queue(RUNTIME_CLASS(CFileDialog), [](CWnd& dlg) {
        CDialogScript::SetText(dlg, edt1, "x");
        CDialogScript::Click(dlg, IDCANCEL);
    });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(script.GetPending(), 0u);
}

// A check that fails keeps the dialog open and tells the user why; the next
// action then runs in the same dialog.
TEST(FileDialog, ChecksBeforeClosing) {
    QTemporaryDir folder;
    Touch(folder.filePath("old.mmm"));
    const struct {
        BOOL open;
        DWORD flags;
        const char* typed;
        int answer;               // to the prompt, when one comes
        bool prompted;
        bool closed;
    } cases[] = {
        {FALSE, OFN_OVERWRITEPROMPT, "old.mmm", IDNO, true, false},
        {FALSE, OFN_OVERWRITEPROMPT, "old.mmm", IDYES, true, true},
        {FALSE, 0, "old.mmm", IDOK, false, true},
        {FALSE, OFN_PATHMUSTEXIST, "missing/new.mmm", IDOK, true, false},
        {TRUE, OFN_FILEMUSTEXIST, "absent.mmm", IDOK, false, false},   // Open stays disabled
        {TRUE, OFN_FILEMUSTEXIST, "old.mmm", IDOK, false, true},
    };
    for (const auto& c : cases) {
        CFileDialog dialog(c.open, nullptr, nullptr, c.flags);
        dialog.m_ofn.lpstrInitialDir = folder.path().toStdString();
        CPromptScript prompts;
        prompts.Answer(c.answer);
        CDialogScript script;
        script.Queue(RUNTIME_CLASS(CFileDialog), [&](CWnd& dlg) {
            CDialogScript::SetText(dlg, edt1, c.typed);
            CDialogScript::Click(dlg, IDOK);
        });
        EXPECT_EQ(dialog.DoModal(), c.closed ? IDOK : IDCANCEL) << c.typed << " " << c.flags;
        EXPECT_EQ(prompts.GetCount(), c.prompted ? 1u : 0u) << c.typed << " " << c.flags;
    }
}

TEST(FileDialog, OpensSeveralFilesAndFollowsAFolderName) {
    QTemporaryDir folder;
    QDir(folder.path()).mkdir("sub");
    Touch(folder.filePath("sub/a.mid"));
    Touch(folder.filePath("sub/b.mid"));
    CFileDialog dialog(TRUE, nullptr, nullptr, OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST, "MIDI|*.mid||");
    dialog.m_ofn.lpstrInitialDir = folder.path().toStdString();
    CDialogScript script;
    script.Queue(RUNTIME_CLASS(CFileDialog), [](CWnd& dlg) {
        CDialogScript::SetText(dlg, edt1, "sub");
        CDialogScript::Click(dlg, IDOK);   // opens the folder, the dialog stays
    });
    script.Queue(RUNTIME_CLASS(CFileDialog), [](CWnd& dlg) {
        CDialogScript::SetText(dlg, edt1, "\"a.mid\" \"b.mid\"");
        CDialogScript::Click(dlg, IDOK);
    });
    ASSERT_EQ(dialog.DoModal(), IDOK);
    std::vector<std::string> chosen;
    for (auto pos = dialog.GetStartPosition(); pos;)
        chosen.push_back(dialog.GetNextPathName(pos));
    EXPECT_EQ(chosen, (std::vector<std::string>{folder.filePath("sub/a.mid").toStdString(),
                                                folder.filePath("sub/b.mid").toStdString()}));
}

class TypeWatcher : public CFileDialog {
public:
    TypeWatcher() : CFileDialog(FALSE, "mmm", nullptr, 0, "Songs|*.mmm|MIDI|*.mid||") {}
    std::vector<DWORD> changes;
    std::vector<std::string> names;

protected:
    void OnTypeChange() override { changes.push_back(m_ofn.nFilterIndex); }
    void OnFileNameChange() override { names.push_back(GetFileName()); }
};

TEST(FileDialog, TellsOfAChosenTypeAndATypedName) {
    QTemporaryDir folder;
    TypeWatcher dialog;
    dialog.m_ofn.lpstrInitialDir = folder.path().toStdString();
    CDialogScript script;
    script.Queue(RUNTIME_CLASS(CFileDialog), [](CWnd& dlg) {
        CDialogScript::SetText(dlg, edt1, "tune");
        CDialogScript::Choose(dlg, cmb1, 1);
        CDialogScript::Click(dlg, IDOK);
    });
    ASSERT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.changes, std::vector<DWORD>{2});
    ASSERT_FALSE(dialog.names.empty());
    EXPECT_EQ(dialog.names.back(), "tune");
    EXPECT_EQ(dialog.m_ofn.nFilterIndex, 2u);
}

TEST(FileDialog, PathsLongerThanTheClassicLimit) {
    QTemporaryDir folder;
    std::string deep = folder.path().toStdString();
    while (deep.size() < 300)
        deep += "/" + std::string(40, 'd');
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(deep)));
    const std::string name(120, 'n');
    CFileDialog dialog(FALSE, "mmm", (deep + "/" + name).c_str(), OFN_PATHMUSTEXIST);
    CDialogScript script;
    script.Queue(RUNTIME_CLASS(CFileDialog), [](CWnd& dlg) { CDialogScript::Click(dlg, IDOK); });
    ASSERT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.GetPathName(), deep + "/" + name + ".mmm");
    EXPECT_GT(dialog.GetPathName().size(), 260u);
}

}  // namespace
