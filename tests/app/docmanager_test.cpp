// The program's document manager: the Open dialog's remembered type and
// folder, paths as the shell gives them, a file already open brought to the
// front without a new file state, the New dialog's templates, and a document
// never left open without a window.
#include "app/newdocdlg.h"
#include "model/appstates.h"
#include "model/performance.h"
#include "platform/ui/dialog_script.h"
#include "platform/ui/listctrl.h"
#include "tests/app/docs_support.h"

#include <QDir>
#include <QFileDialog>

#include <filesystem>

namespace {

using namespace docs_support;

// Counts the file states applied to a performance.
struct FileStateCounter {
    static int Handler(ECBase*, int phase, void* state, void* user) {
        auto* self = static_cast<FileStateCounter*>(user);
        if (phase == 0 && state) {
            const unsigned code = static_cast<SCBase*>(state)->GetCode();
            if (code == STATE_FILE_OPENED)
                ++self->opened;
            if (code == STATE_FILE_NEW)
                ++self->made;
        }
        return 0;
    }
    int opened = 0;
    int made = 0;
};

std::string ShownFolder(CWnd& dialog) {
    auto* widget = qobject_cast<QFileDialog*>(dialog.GetWidget());
    return widget ? widget->directory().absolutePath().toStdString() : std::string();
}

class DocManagerTest : public DocsFixture {
protected:
    MCDocManager& Manager() { return *app.GetManager(); }
};

TEST_F(DocManagerTest, OpenRemembersTheTypeAndTheFolderOfTheFilesChosen) {
    const std::string a = MidiFile("a.mid"), b = MidiFile("b.mid"), c = MidiFile("c.mid");
    CDialogScript script;
    std::string firstType, firstFolder, secondType, secondFolder;
    script.Queue(RUNTIME_CLASS(COpenDialog), [&](CWnd& dlg) {
        firstType = CDialogScript::GetText(dlg, cmb1);
        firstFolder = ShownFolder(dlg);
        CDialogScript::Choose(dlg, cmb1, 2);   // "Midi Files"
        CDialogScript::SetText(dlg, edt1, "\"" + a + "\" \"" + b + "\" \"" + c + "\"");
        CDialogScript::Click(dlg, IDOK);
    });
    Manager().OnFileOpen();
    EXPECT_EQ(firstType, "Staffwright Files (*.mmm)");
    EXPECT_EQ(firstFolder, documents.path().toStdString());
    EXPECT_EQ(Manager().GetOpenDialog().GetFilterCount(), 4);
    EXPECT_EQ(OpenDocumentCount(), 3);
    EXPECT_EQ(LoadIntPreference("New", "Default Ext", 0), 357);
    EXPECT_EQ(LoadStringPreference("New", "Dir", ""), musicDir.path().toStdString());

    // The next Open starts there, on the type chosen.
    script.Queue(RUNTIME_CLASS(COpenDialog), [&](CWnd& dlg) {
        secondType = CDialogScript::GetText(dlg, cmb1);
        secondFolder = ShownFolder(dlg);
        CDialogScript::Click(dlg, IDCANCEL);
    });
    Manager().OnFileOpen();
    EXPECT_EQ(secondType, "Midi Files (*.mid)");
    EXPECT_EQ(secondFolder, musicDir.path().toStdString());
    EXPECT_EQ(OpenDocumentCount(), 3);
}

TEST_F(DocManagerTest, OneFileFromAnotherFolderMakesThatFolderTheNextStart) {
    QTemporaryDir other;
    const std::string path = other.filePath("solo.mid").toStdString();
    WriteMidiFile(path);
    CDialogScript script;
    script.Queue(RUNTIME_CLASS(COpenDialog), [&](CWnd& dlg) {
        CDialogScript::SetText(dlg, edt1, path);
        CDialogScript::Click(dlg, IDOK);
    });
    Manager().OnFileOpen();
    EXPECT_EQ(OpenDocumentCount(), 1);
    EXPECT_EQ(LoadStringPreference("New", "Dir", ""), other.path().toStdString());
    EXPECT_EQ(LoadIntPreference("New", "Default Ext", 0), 356);   // the type stays
}

TEST_F(DocManagerTest, PathsAsTheShellGivesThem) {
    const std::string a = MidiFile("a.mid");
    std::filesystem::create_symlink(a, MusicPath("link.mid"));
    QDir::setCurrent(musicDir.path());
    const struct {
        std::string given;
        std::string opened;
    } cases[] = {
        {"\"" + a + "\" extra", a},   // quoted, then an argument
        {"\"" + a + "\"", a},
        {a, a},
        {"a.mid", a},                 // relative to the current folder
        {"./sub/../a.mid", a},
        {MusicPath("link.mid"), a},   // a link opens its target
        {"", ""},
        {"\"\"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MCDocManager::NormalizeShellPath(c.given.c_str()), c.opened) << c.given;

    CDocument* doc = app.OpenDocumentFile(("\"" + a + "\" extra").c_str());
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->GetPathName(), a);
    EXPECT_EQ(app.OpenDocumentFile("\"\""), nullptr);
}

TEST_F(DocManagerTest, AFileAlreadyOpenComesToTheFrontWithNoFileState) {
    const std::string a = MidiFile("a.mid"), b = MidiFile("b.mid");
    auto* first = static_cast<MCOpusDoc*>(app.OpenDocumentFile(a.c_str()));
    ASSERT_NE(first, nullptr);
    CFrameWnd* firstFrame = InfoViewOf(first)->GetParentFrame();
    // A fresh profile shows no view: the template's frame is shown all the same.
    EXPECT_TRUE(firstFrame->IsWindowVisible());
    EXPECT_EQ(MCOpusDoc::GetActiveDoc(), first);

    auto* second = static_cast<MCOpusDoc*>(app.OpenDocumentFile(b.c_str()));
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(main->MDIGetActive(), InfoViewOf(second)->GetParentFrame());

    FileStateCounter counter;
    first->GetBaseEvent()->AddStateHandler(&FileStateCounter::Handler, &counter);
    EXPECT_EQ(app.OpenDocumentFile(a.c_str()), first);
    EXPECT_EQ(main->MDIGetActive(), firstFrame);
    EXPECT_EQ(MCOpusDoc::GetActiveDoc(), first);
    EXPECT_EQ(counter.opened, 0);
    EXPECT_EQ(OpenDocumentCount(), 2);
    first->GetBaseEvent()->RemoveStateHandler(&FileStateCounter::Handler, &counter);
}

// A document as the template leaves it: its frame hidden.
MCOpusDoc* HiddenDocument(MCOpusTemplate* docTemplate) {
    auto* doc = static_cast<MCOpusDoc*>(docTemplate->OpenDocumentFile(nullptr, TRUE));
    if (doc)
        for (CView* view : doc->GetViews())
            view->GetParentFrame()->ShowWindow(SW_HIDE);
    return doc;
}

TEST_F(DocManagerTest, OnDocumentOpenedAnnouncesAndOpensTheVisibleViews) {
    EXPECT_EQ(MCDocManager::OnDocumentOpened(nullptr, 0), 0);

    SaveIntPreference("Views\\Score", "Visible", 1);
    MCOpusDoc* doc = HiddenDocument(docTemplate);
    ASSERT_NE(doc, nullptr);
    FileStateCounter counter;
    doc->GetBaseEvent()->AddStateHandler(&FileStateCounter::Handler, &counter);
    EXPECT_EQ(MCDocManager::OnDocumentOpened(doc, 1), 1);
    EXPECT_EQ(counter.made, 1);
    EXPECT_EQ(MCOpusDoc::GetActiveDoc(), doc);
    // The score view opens; the information frame stays hidden, since a view shows.
    ASSERT_EQ(doc->GetViews().size(), 2u);
    CFrameWnd* score = doc->GetViewFrame(kScoreViewId, 0);
    ASSERT_NE(score, nullptr);
    EXPECT_TRUE(score->IsWindowVisible());
    EXPECT_FALSE(InfoViewOf(doc)->GetParentFrame()->IsWindowVisible());
    doc->GetBaseEvent()->RemoveStateHandler(&FileStateCounter::Handler, &counter);
}

TEST_F(DocManagerTest, ADocumentWithNoViewShowingShowsTheTemplatesFrame) {
    MCOpusDoc* doc = HiddenDocument(docTemplate);
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(MCDocManager::OnDocumentOpened(doc, 0), 1);
    ASSERT_EQ(doc->GetViews().size(), 1u);
    EXPECT_TRUE(InfoViewOf(doc)->GetParentFrame()->IsWindowVisible());
    EXPECT_EQ(main->MDIGetActive(), InfoViewOf(doc)->GetParentFrame());
}

TEST_F(DocManagerTest, AFileThatDoesNotOpenGivesNullAndNoDocument) {
    EXPECT_EQ(app.OpenDocumentFile(MusicPath("missing.mid").c_str()), nullptr);
    EXPECT_EQ(OpenDocumentCount(), 0);
    EXPECT_EQ(MCOpusDoc::GetActiveDoc(), nullptr);
    EXPECT_GE(prompts.GetCount(), 1u);   // the document told the user
}

// The New dialog over a "Templates" folder holding the named templates.
class NewDocTest : public DocManagerTest {
protected:
    void MakeTemplates(std::initializer_list<const char*> titles) {
        const std::string folder = CNewDocDlg::GetTemplateFolder();
        std::filesystem::create_directories(folder);
        for (const char* title : titles) {
            auto made = MakeDocument();
            made->OnNewDocument();
            made->GetHeader()->SetFormat(DF_NATIVE);
            ASSERT_TRUE(made->OnSaveDocument((folder + "/" + title + ".mmt").c_str())) << title;
            made.reset();
            MCOpusDoc::WaitThreadsFinished(0);
        }
    }
    // Runs New, reading the list's selection, then choosing item `choose`
    // (-1: the one selected) and pressing OK.
    std::string RunNew(int choose = -1) {
        CDialogScript script;
        std::string selected;
        script.Queue(IDD_NEWDOC, [&](CWnd& dlg) {
            auto* list = DYNAMIC_DOWNCAST(CListCtrl, dlg.GetDlgItem(IDC_NEWDOC_LIST));
            const int item = list->GetNextItem(-1, LVNI_SELECTED);
            selected = item < 0 ? std::string() : list->GetItemText(item, 0);
            if (choose >= 0)
                CDialogScript::Choose(dlg, IDC_NEWDOC_LIST, choose);
            CDialogScript::Click(dlg, IDOK);
        });
        Manager().OnFileNew();
        shown = script.GetShown();
        return selected;
    }
    std::vector<UINT> shown;
};

TEST_F(NewDocTest, EmptyTrackIsPreselectedAndTheChoiceIsRemembered) {
    MakeTemplates({"Alto", "Empty Track", "Piano"});
    EXPECT_EQ(RunNew(), "Empty Track");
    ASSERT_EQ(OpenDocumentCount(), 1);
    auto* doc = MCOpusDoc::GetActiveDoc();
    ASSERT_NE(doc, nullptr);
    EXPECT_TRUE(doc->GetPathName().empty());   // a template opens untitled
    EXPECT_TRUE(InfoViewOf(doc)->GetParentFrame()->IsWindowVisible());

    EXPECT_EQ(RunNew(2), "Empty Track");
    EXPECT_EQ(LoadStringPreference("New", "Template", ""), "Piano");
    // The same template again while its first document is open.
    EXPECT_EQ(RunNew(), "Piano");
    EXPECT_EQ(OpenDocumentCount(), 3);
    EXPECT_EQ(prompts.GetCount(), 0u);
}

TEST_F(NewDocTest, AForgottenTemplateSelectsTheFirstItem) {
    MakeTemplates({"Alto", "Piano"});
    EXPECT_EQ(RunNew(), "Alto");
}

TEST_F(NewDocTest, WithoutTemplatesAnEmptyDocumentComesWithoutTheDialog) {
    EXPECT_EQ(RunNew(), "");
    EXPECT_TRUE(shown.empty());
    ASSERT_EQ(OpenDocumentCount(), 1);
    auto* doc = MCOpusDoc::GetActiveDoc();
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->GetTitle(), "Untitled1");
    EXPECT_NE(doc->GetBaseEvent(), nullptr);
    EXPECT_TRUE(InfoViewOf(doc)->GetParentFrame()->IsWindowVisible());
}

}  // namespace
