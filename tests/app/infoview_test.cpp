// The Information view: the file facts and icon of a document, the texts of
// the piece as text events under the conductor staff, each edit one command,
// the form kept current by others' commands, the focused field saved with the
// document, the handler gone with the view, and a frame fitted to the form.
#include "model/basiccommands.h"
#include "model/command.h"
#include "model/commandmgr.h"
#include "model/eventtypes.h"
#include "model/performance.h"
#include "model/textmarks.h"
#include "platform/core/file.h"
#include "platform/ui/cmdui.h"
#include "platform/ui/commands.h"
#include "platform/ui/prompt_script.h"
#include "tests/app/docs_support.h"

#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QWidget>

#include <vector>

namespace {

using namespace docs_support;

constexpr int kTitle = 8;

// The commands of each batch applied to a performance: id and, for an add,
// the class and parent of each child; for a remove, each event's class.
struct CommandRecorder {
    struct Seen {
        int id;
        int childType;
        ECBase* parent;
    };
    static int Handler(ECBase*, int phase, void* batch, void* user) {
        if (phase != CMD_PHASE_PREPARE)
            return 1;
        auto* self = static_cast<CommandRecorder*>(user);
        auto* list = static_cast<MCCommandList*>(batch);
        for (POSITION position = list->GetHeadPosition(); position;) {
            CCBase* command = list->GetNext(position);
            if (auto* add = dynamic_cast<CCAdd*>(command)) {
                MCAddItemList* items = add->GetAddList();
                for (POSITION item = items->GetHeadPosition(); item;) {
                    CCAddItem* added = items->GetNext(item);
                    self->seen.push_back({command->GetCommandId(), added->GetChild()->GetClassType(),
                                          added->GetParent()});
                }
            } else if (auto* remove = dynamic_cast<CCRemove*>(command)) {
                MCEventList* events = remove->GetRemoveList();
                for (POSITION item = events->GetHeadPosition(); item;)
                    self->seen.push_back({command->GetCommandId(), events->GetNext(item)->GetClassType(), nullptr});
            }
        }
        return 1;
    }
    std::vector<Seen> seen;
};

class InfoViewTest : public DocsFixture {
protected:
    // A new document as File New makes it, its Information frame shown and active.
    MCOpusDoc* NewDocument() {
        auto* made = static_cast<MCOpusDoc*>(docTemplate->OpenDocumentFile(nullptr, TRUE));
        MCDocManager::OnDocumentOpened(made, 1);
        return made;
    }
    void Activate() {
        main->GetWidget()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(main->GetWidget()));
    }
    static std::string Text(CInfoView* view, int id) {
        std::string text;
        view->GetDlgItem(id)->GetWindowText(text);
        return text;
    }
    // Types `text` into the field and leaves it for the next one.
    static void TypeAndLeave(CInfoView* view, int id, const std::string& text) {
        view->GetDlgItem(id)->SetFocus();
        view->GetDlgItem(id)->SetWindowText(text.c_str());
        view->GetDlgItem(id + 1)->SetFocus();
        Pump();
    }
    static std::vector<ECText*> Titles(MCOpusDoc* doc) {
        std::vector<ECText*> titles;
        for (ECBase* event : doc_support::FindEvents(doc->GetBaseEvent(), ET_TEXT))
            if (auto* text = dynamic_cast<ECText*>(event); text && text->GetTextType() == kTitle)
                titles.push_back(text);
        return titles;
    }
};

TEST_F(InfoViewTest, TheFileFactsOfAMidiFileAndOfANewDocument) {
    const std::string path = MidiFile("song.mid");
    CDocument* opened = app.OpenDocumentFile(path.c_str());
    ASSERT_NE(opened, nullptr);
    CInfoView* view = InfoViewOf(opened);
    EXPECT_EQ(view->GetIconID(), static_cast<UINT>(IDI_DOC_MIDI));
    EXPECT_EQ(Text(view, IDC_INFO_FILENAME), "song.mid");
    EXPECT_EQ(Text(view, IDC_INFO_PATHNAME), path);
    CFileStatus status;
    ASSERT_TRUE(CFile::GetStatus(path, status));
    EXPECT_EQ(Text(view, IDC_INFO_MODIFIED), CInfoView::FormatFileTime(status.m_mtime.GetTime()));
    EXPECT_FALSE(Text(view, IDC_INFO_CREATED).empty());

    // An untitled document has no file: no path and no dates (not 1970).
    CInfoView* fresh = InfoViewOf(NewDocument());
    EXPECT_EQ(fresh->GetIconID(), static_cast<UINT>(IDI_DOC_NATIVE));
    EXPECT_EQ(Text(fresh, IDC_INFO_FILENAME), "Untitled1");
    for (int id : {IDC_INFO_PATHNAME, IDC_INFO_CREATED, IDC_INFO_MODIFIED, IDC_INFO_ACCESSED})
        EXPECT_EQ(Text(fresh, id), "") << id;
}

TEST_F(InfoViewTest, TheIconFollowsTheFormatAndTimesReadInTheCLocale) {
    MCOpusDoc* doc = NewDocument();
    CInfoView* view = InfoViewOf(doc);
    const struct { int format; UINT icon; } icons[] = {
        {DF_UNKNOWN, IDI_DOC_NATIVE}, {DF_NATIVE, IDI_DOC_NATIVE}, {DF_MIDI_TYPE0, IDI_DOC_MIDI},
        {DF_MIDI_TYPE1, IDI_DOC_MIDI}, {DF_MIDI_TYPE2, IDI_DOC_MIDI}, {DF_SONG_FILE, IDI_DOC_SONG},
        {7, IDI_DOC_NATIVE},
    };
    for (const auto& c : icons) {
        doc->GetHeader()->SetFormat(c.format);
        view->FillInfo();
        EXPECT_EQ(view->GetIconID(), c.icon) << c.format;
    }

    const struct { CTime time; const char* shown; } times[] = {
        {CTime(2024, 3, 4, 13, 5, 9), "Monday, March 04, 2024 01:05:09 PM"},
        {CTime(1999, 12, 31, 0, 0, 0), "Friday, December 31, 1999 12:00:00 AM"},
    };
    for (const auto& c : times)
        EXPECT_EQ(CInfoView::FormatFileTime(c.time.GetTime()), c.shown);
}

TEST_F(InfoViewTest, EachEditOfAFieldIsOneCommandUnderTheConductorStaff) {
    MCOpusDoc* doc = NewDocument();
    Activate();
    CInfoView* view = InfoViewOf(doc);
    ECPerformance* performance = doc->GetBaseEvent();
    ECBase* conductorStaff = performance->GetDescendant(ET_CONDUCTORSTAFF, -1);
    ASSERT_NE(conductorStaff, nullptr);
    CommandRecorder recorder;
    performance->AddCommandHandler(&CommandRecorder::Handler, &recorder);
    doc->SetModifiedFlag(FALSE);

    TypeAndLeave(view, IDC_INFO_TITLE, "Nocturne");
    ASSERT_EQ(recorder.seen.size(), 1u);
    EXPECT_EQ(recorder.seen[0].id, CMD_ADD);
    EXPECT_EQ(recorder.seen[0].childType, ET_TEXT);
    EXPECT_EQ(recorder.seen[0].parent, conductorStaff);
    ASSERT_EQ(Titles(doc).size(), 1u);
    EXPECT_EQ(Titles(doc)[0]->GetText(), "Nocturne");
    EXPECT_TRUE(doc->IsModified());

    TypeAndLeave(view, IDC_INFO_TITLE, "Nocturne");   // the same text: nothing
    EXPECT_EQ(recorder.seen.size(), 1u);

    // A changed text is edited in place, with no command.
    TypeAndLeave(view, IDC_INFO_TITLE, "Nocturne in E");
    EXPECT_EQ(recorder.seen.size(), 1u);
    ASSERT_EQ(Titles(doc).size(), 1u);
    EXPECT_EQ(Titles(doc)[0]->GetText(), "Nocturne in E");

    TypeAndLeave(view, IDC_INFO_TITLE, "");   // cleared: one remove
    ASSERT_EQ(recorder.seen.size(), 2u);
    EXPECT_EQ(recorder.seen[1].id, CMD_REMOVE);
    EXPECT_TRUE(Titles(doc).empty());

    TypeAndLeave(view, IDC_INFO_SUBTITLE, "");   // nothing there, nothing typed
    EXPECT_EQ(recorder.seen.size(), 2u);
    performance->RemoveCommandHandler(&CommandRecorder::Handler, &recorder);
}

TEST_F(InfoViewTest, ATitleAddedByAnotherCommandShowsWhenTheBatchIsDone) {
    MCOpusDoc* doc = NewDocument();
    CInfoView* view = InfoViewOf(doc);
    ECPerformance* performance = doc->GetBaseEvent();
    (new CCAdd(new ECText(kTitle, "Serenade"), performance->GetDescendant(ET_CONDUCTORSTAFF, -1)))->Apply(performance);
    EXPECT_EQ(Text(view, IDC_INFO_TITLE), "");   // posted: not run yet
    Pump();
    EXPECT_EQ(Text(view, IDC_INFO_TITLE), "Serenade");
    EXPECT_EQ(view->GetRefreshFlag(), 0);
}

TEST_F(InfoViewTest, SavingWithTheCursorInTheTitleSavesTheTitle) {
    MCOpusDoc* doc = NewDocument();
    const std::string path = MusicPath("piece.mmm");
    doc->GetHeader()->SetFormat(DF_NATIVE);
    ASSERT_TRUE(doc->OnSaveDocument(path.c_str()));
    Activate();
    CInfoView* view = InfoViewOf(doc);
    CWnd* title = view->GetDlgItem(IDC_INFO_TITLE);
    title->SetFocus();
    ASSERT_EQ(CWnd::GetFocus(), title);
    QTest::keyClicks(title->GetWidget(), "Aubade");
    QTest::keyClick(title->GetWidget(), Qt::Key_S, Qt::ControlModifier);
    Pump();
    EXPECT_FALSE(doc->IsModified());
    doc->OnCloseDocument();   // lets go of the file

    auto reread = MakeDocument();
    ASSERT_TRUE(reread->OnOpenDocument(path.c_str()));
    std::vector<std::string> texts;
    for (ECBase* event : doc_support::FindEvents(reread->GetBaseEvent(), ET_TEXT))
        texts.push_back(static_cast<ECText*>(event)->GetText());
    EXPECT_EQ(texts, std::vector<std::string>{"Aubade"});
    reread.reset();
}

// The program closed by its window (the close box, not a command) with the
// cursor still in the Title field: the title counts as a change, so the save
// question comes, and Yes saves it.
TEST_F(InfoViewTest, ClosingTheProgramWithTheCursorInTheTitleAsksAndSavesTheTitle) {
    MCOpusDoc* doc = NewDocument();
    const std::string path = MusicPath("closed.mmm");
    doc->GetHeader()->SetFormat(DF_NATIVE);
    ASSERT_TRUE(doc->OnSaveDocument(path.c_str()));
    Activate();
    CWnd* title = InfoViewOf(doc)->GetDlgItem(IDC_INFO_TITLE);
    title->SetFocus();
    ASSERT_EQ(CWnd::GetFocus(), title);
    QTest::keyClicks(title->GetWidget(), "Nocturne");
    EXPECT_FALSE(doc->IsModified()) << "typed only: nothing committed yet";

    CPromptScript prompts;
    prompts.Answer({IDYES});
    main->GetWidget()->close();   // the close event, as the close box sends it
    Pump();
    ASSERT_EQ(prompts.GetCount(), 1u) << "the save question";
    EXPECT_EQ(prompts.GetLast().text, "Save changes to closed.mmm?");
    EXPECT_EQ(CWnd::FromHandle(mainHandle), nullptr) << "the program closed";

    auto reread = MakeDocument();
    ASSERT_TRUE(reread->OnOpenDocument(path.c_str()));
    std::vector<std::string> texts;
    for (ECBase* event : doc_support::FindEvents(reread->GetBaseEvent(), ET_TEXT))
        texts.push_back(static_cast<ECText*>(event)->GetText());
    EXPECT_EQ(texts, std::vector<std::string>{"Nocturne"});
    reread.reset();
}

TEST_F(InfoViewTest, TheCommandHandlerGoesWithTheView) {
    MCOpusDoc* doc = NewDocument();
    ASSERT_NE(doc->GetViewFrame(kScoreViewId, 1), nullptr);   // keeps the document open
    MCCommandMgr* commands = doc->GetBaseEvent()->GetCommandMgr();
    const int before = commands->GetHandlerCount();
    InfoViewOf(doc)->GetParentFrame()->DestroyWindow();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(InfoViewOf(doc), nullptr);
    EXPECT_EQ(commands->GetHandlerCount(), before - 1);
    // A text command after that reaches no view.
    ECPerformance* performance = doc->GetBaseEvent();
    (new CCAdd(new ECText(kTitle, "Late"), performance->GetDescendant(ET_CONDUCTORSTAFF, -1)))->Apply(performance);
    Pump();
    EXPECT_EQ(Titles(doc).size(), 1u);
}

TEST_F(InfoViewTest, TheFrameFitsTheFormAndCannotBeResized) {
    MCOpusDoc* doc = NewDocument();
    CInfoView* view = InfoViewOf(doc);
    CFrameWnd* frame = view->GetParentFrame();
    QWidget* frameWidget = frame->GetWidget();
    EXPECT_EQ(frameWidget->minimumSize(), frameWidget->maximumSize());
    EXPECT_FALSE(frameWidget->windowFlags() & Qt::WindowMaximizeButtonHint);
    // The view keeps the form's own size, whatever is done to the frame.
    const DialogTemplate* form = FindDialogTemplate(IDD_INFOVIEW);
    ASSERT_NE(form, nullptr);
    const CSize formSize = CDialogUnits(form->font).MapDialogSize(form->size);
    EXPECT_EQ(view->GetWidget()->width(), formSize.cx);
    EXPECT_EQ(view->GetWidget()->height(), formSize.cy);
    frameWidget->resize(frameWidget->width() + 100, frameWidget->height() + 50);
    frame->RecalcLayout();
    EXPECT_EQ(view->GetWidget()->width(), formSize.cx);
    EXPECT_EQ(view->GetWidget()->height(), formSize.cy);
}

TEST_F(InfoViewTest, AltAndALetterInAFieldOpensTheMenuAndPrintIsDisabled) {
    MCOpusDoc* doc = NewDocument();
    CInfoView* view = InfoViewOf(doc);
    Activate();
    QWidget* title = view->GetDlgItem(IDC_INFO_TITLE)->GetWidget();
    QMenuBar* bar = static_cast<QMainWindow*>(main->GetWidget())->menuBar();
    // Alt with a letter is never text: a mnemonic opens its menu, another letter nothing.
    const struct {
        Qt::Key key;
        const char* menu;   // null: none opens
    } cases[] = {{Qt::Key_F, "&File"}, {Qt::Key_Q, nullptr}};
    for (const auto& c : cases) {
        title->setFocus();
        QTest::keyClick(title, c.key, Qt::AltModifier);
        Pump();
        EXPECT_EQ(Text(view, IDC_INFO_TITLE), "") << c.key;
        QAction* opened = bar->activeAction();
        EXPECT_EQ(opened ? opened->text().toStdString() : "", c.menu ? c.menu : "") << c.key;
        if (opened && opened->menu())
            opened->menu()->close();
        bar->setActiveAction(nullptr);
    }

    // The form has nothing to print: File › Print and its kin stay disabled.
    struct NotedCmdUI : CCmdUI {
        int enabled = -1;
        void Enable(BOOL on) override { enabled = on ? 1 : 0; }
    };
    for (UINT command : {ID_FILE_PRINT, ID_FILE_PRINT_DIRECT, ID_FILE_PRINT_PREVIEW}) {
        NotedCmdUI update;
        update.m_nID = command;
        update.DoUpdate(main, TRUE);
        EXPECT_EQ(update.enabled, 0) << command;
    }
}

}  // namespace
