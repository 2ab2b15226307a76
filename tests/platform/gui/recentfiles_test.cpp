// The recent-file list: read from and written to the profile, a file opened
// goes to the top, the File menu lists the files at its placeholder, and an
// entry opens its file or, gone, leaves the list.
#include "platform/ui/recentfiles.h"

#include "platform/core/profile.h"
#include "platform/core/resources.h"
#include "platform/ui/app.h"
#include "platform/ui/doctemplate.h"
#include "platform/ui/document.h"
#include "platform/ui/mdi.h"
#include "platform/ui/menu.h"
#include "platform/ui/prompt_script.h"
#include "platform/ui/uiresources.h"

#include <QAction>
#include <QCoreApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

namespace {

constexpr UINT IDR_RECENT_MAIN = 6320;
constexpr UINT IDR_RECENT_DOC = 6321;
constexpr const char* kSection = "Recent File List";

const MenuTemplate kMainMenu = {{
    {MF_POPUP, 0, "&File", {
        {MF_STRING, ID_FILE_OPEN, "&Open..."},
        {MF_SEPARATOR},
        {MF_STRING, ID_FILE_MRU_FILE1, "Recent File"},
        {MF_SEPARATOR},
        {MF_STRING, ID_APP_EXIT, "E&xit"},
    }},
}};
MENU_RESOURCE(IDR_RECENT_MAIN, kMainMenu);
MENU_RESOURCE(IDR_RECENT_DOC, kMainMenu);
STRING_TABLE({IDR_RECENT_MAIN, "Recent"}, {IDR_RECENT_DOC, "Piece\nPiece\nPiece\nPieces\n.pce"});

class CRecentDoc : public CDocument {
    DECLARE_DYNCREATE(CRecentDoc)
};
IMPLEMENT_DYNCREATE(CRecentDoc, CDocument)
class CRecentView : public CView {
    DECLARE_DYNCREATE(CRecentView)
};
IMPLEMENT_DYNCREATE(CRecentView, CView)

// The files of the list, top first.
std::vector<std::string> Entries(const CWinApp& app) {
    std::vector<std::string> names;
    for (int index = 0; app.m_pRecentFileList && index < app.m_pRecentFileList->GetSize(); ++index)
        if (!(*app.m_pRecentFileList)[index].empty())
            names.push_back((*app.m_pRecentFileList)[index]);
    return names;
}

// An application with a main MDI frame and a template of documents, and a
// folder of files to open.
class RecentFiles : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        CProfile::Application().DeleteSection(kSection);   // each case starts with no list
        main = new CMDIFrameWnd;
        ASSERT_TRUE(main->LoadFrame(IDR_RECENT_MAIN));
        hMain = main->m_hWnd;
        app.m_pMainWnd = main;
        app.AddDocTemplate(new CMultiDocTemplate(IDR_RECENT_DOC, RUNTIME_CLASS(CRecentDoc),
                                                 RUNTIME_CLASS(CMDIChildWnd), RUNTIME_CLASS(CRecentView)));
    }
    void TearDown() override {
        app.CloseAllDocuments(TRUE);
        // The children go before the main window (an MDI client must outlive its children).
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (CWnd::FromHandle(hMain) == main)
            main->DestroyWindow();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // A file of the folder, made (empty) unless `make` is false.
    std::string File(const std::string& name, bool make = true) const {
        const std::string path = folder.filePath(QString::fromStdString(name)).toStdString();
        if (make)
            std::ofstream(path).flush();
        return path;
    }
    // The File drop-down as it opens: each item's text, enabled state and command.
    struct Item {
        std::string text;
        bool enabled;
        UINT id;
        bool operator==(const Item&) const = default;
        friend void PrintTo(const Item& item, std::ostream* os) {
            *os << '"' << item.text << "\" " << (item.enabled ? "enabled " : "disabled ") << item.id;
        }
    };
    std::vector<Item> OpenFileMenu() const {
        auto* window = static_cast<QMainWindow*>(main->GetWidget());
        std::vector<Item> items;
        for (QAction* action : window->menuBar()->actions())
            if (action->menu() && action->text() == "&File") {
                action->menu()->popup(QPoint(0, 0));
                for (QAction* item : action->menu()->actions())
                    if (!item->isSeparator())
                        items.push_back({item->text().toStdString(), item->isEnabled(), item->data().toUInt()});
                action->menu()->hide();
            }
        return items;
    }

    QTemporaryDir folder;
    CWinApp app;
    CMDIFrameWnd* main = nullptr;   // deletes itself with its window
    HWND hMain = nullptr;
};

TEST_F(RecentFiles, TheListReadsItsEntriesAddsOpenedFilesOnTopAndKeepsItsSize) {
    const std::vector<std::string> stored = {File("a.pce"), File("b.pce"), File("c.pce"), File("d.pce"), File("e.pce")};
    for (int index = 0; index < 5; ++index)
        WriteProfileString(kSection, "File" + std::to_string(index + 1), stored[static_cast<std::size_t>(index)]);
    app.LoadStdProfileSettings(4);
    EXPECT_EQ(Entries(app), (std::vector<std::string>{stored[0], stored[1], stored[2], stored[3]}));

    // Opening a listed file moves it up; a new one pushes the oldest out.
    ASSERT_NE(app.OpenDocumentFile(stored[2].c_str()), nullptr);
    EXPECT_EQ(Entries(app), (std::vector<std::string>{stored[2], stored[0], stored[1], stored[3]}));
    const std::string fresh = File("fresh.pce");
    ASSERT_NE(app.OpenDocumentFile(fresh.c_str()), nullptr);
    EXPECT_EQ(Entries(app), (std::vector<std::string>{fresh, stored[2], stored[0], stored[1]}));

    // A path given without addToRecent stays out.
    CRecentDoc loose;
    loose.SetPathName(File("loose.pce").c_str(), 0);
    EXPECT_EQ(Entries(app).front(), fresh);

    // Written at exit and read again by the next run.
    app.ExitInstance();
    EXPECT_EQ(GetProfileString(kSection, "File1"), fresh);
    EXPECT_EQ(GetProfileString(kSection, "File4"), stored[1]);
    CRecentFileList next(ID_FILE_MRU_FILE1, kSection, "File%d", 4);
    next.ReadList();
    for (int index = 0; index < 4; ++index)
        EXPECT_EQ(next[index], Entries(app)[static_cast<std::size_t>(index)]) << index;
}

// A damaged profile's entry no file could be named by is no entry; the
// entries after it move up.
TEST_F(RecentFiles, AnEntryNoPathCouldBeIsNone) {
    WriteProfileString(kSection, "File1", std::string(5000, 'a'));
    WriteProfileString(kSection, "File2", File("a.pce"));
    WriteProfileString(kSection, "File3", std::string("line\nbreak"));
    WriteProfileString(kSection, "File4", std::string("bell\x07") + File("b.pce"));
    WriteProfileString(kSection, "File5", File("c.pce"));
    CRecentFileList list(ID_FILE_MRU_FILE1, kSection, "File%d", 5);
    list.ReadList();
    EXPECT_EQ(list[0], File("a.pce"));
    EXPECT_EQ(list[1], File("c.pce"));
    EXPECT_EQ(list[2], "");
}

TEST_F(RecentFiles, TheFileMenuListsTheFilesAtItsPlaceholderAndAnEntryOpensItsFile) {
    app.LoadStdProfileSettings(4);
    // No file: the placeholder, disabled.
    EXPECT_EQ(OpenFileMenu(), (std::vector<Item>{{"&Open...", true, ID_FILE_OPEN},
                                                 {"Recent File", false, ID_FILE_MRU_FILE1},
                                                 {"E&xit", true, ID_APP_EXIT}}));
    const std::string first = File("first.pce"), second = File("R&B.pce");
    app.AddToRecentFileList(first.c_str());
    app.AddToRecentFileList(second.c_str());
    std::vector<Item> items = OpenFileMenu();
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[1].id, ID_FILE_MRU_FILE1);
    EXPECT_EQ(items[1].text.rfind("&1 ", 0), 0u) << items[1].text;
    EXPECT_NE(items[1].text.find("R&&B.pce"), std::string::npos) << items[1].text;   // "&" shown, not a key
    EXPECT_EQ(items[2].id, ID_FILE_MRU_FILE2);
    EXPECT_EQ(items[2].text.rfind("&2 ", 0), 0u) << items[2].text;
    EXPECT_TRUE(items[1].enabled && items[2].enabled);
    EXPECT_EQ(items[3].id, static_cast<UINT>(ID_APP_EXIT));
    // Opened again, the menu shows the entries once.
    EXPECT_EQ(OpenFileMenu().size(), 4u);

    // The second entry opens its file, which goes to the top.
    main->SendMessage(WM_COMMAND, ID_FILE_MRU_FILE2);
    CDocument* opened = app.OpenDocumentFile(first.c_str());   // the document already open
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(opened->GetPathName(), first);
    EXPECT_EQ(Entries(app), (std::vector<std::string>{first, second}));
}

TEST_F(RecentFiles, AnEntryWhoseFileIsGoneLeavesTheList) {
    app.LoadStdProfileSettings(4);
    const std::string kept = File("kept.pce"), gone = File("gone.pce", false);
    app.AddToRecentFileList(kept.c_str());
    app.AddToRecentFileList(gone.c_str());
    CPromptScript prompts;   // the failure is reported
    main->SendMessage(WM_COMMAND, ID_FILE_MRU_FILE1);
    EXPECT_EQ(prompts.GetCount(), 1u);
    EXPECT_EQ(Entries(app), std::vector<std::string>{kept});
    app.SaveStdProfileSettings();
    EXPECT_EQ(GetProfileString(kSection, "File1"), kept);
    EXPECT_FALSE(CProfile::Application().HasKey(kSection, "File2"));
    // The list emptied: the placeholder comes back, disabled, and no entry stays behind.
    main->SendMessage(WM_COMMAND, ID_FILE_MRU_FILE1);   // kept opens
    ASSERT_EQ(std::remove(kept.c_str()), 0);
    app.CloseAllDocuments(TRUE);
    OpenFileMenu();
    main->SendMessage(WM_COMMAND, ID_FILE_MRU_FILE1);
    EXPECT_TRUE(Entries(app).empty());
    const std::vector<Item> items = OpenFileMenu();
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[1], (Item{"Recent File", false, ID_FILE_MRU_FILE1}));
}

TEST(AbbreviatePath, KeepsTheRootAndAsManyOfTheLastFoldersAsFit) {
    const struct {
        const char* path;
        int length;
        bool atLeastName;
        const char* expected;
    } cases[] = {
        {"/home/anna/quartet.pce", 30, true, "/home/anna/quartet.pce"},   // fits whole
        {"/home/composer/scores/2026/autumn/quartet.pce", 30, true, "/.../2026/autumn/quartet.pce"},
        {"/home/composer/scores/2026/autumn/quartet.pce", 20, true, "/.../quartet.pce"},
        {"/home/composer/scores/a-very-long-name-indeed.pce", 20, true, "a-very-long-name-indeed.pce"},
        {"/home/composer/scores/a-very-long-name-indeed.pce", 20, false, ""},
        {"relative/folder/deeper/name.pce", 20, true, ".../deeper/name.pce"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AbbreviatePath(c.path, c.length, c.atLeastName), c.expected) << c.path << " " << c.length;
}

}  // namespace
