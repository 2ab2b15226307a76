// Embedded objects in a score window: Insert Object through its dialog
// makes a frame at the pointer with the picture's extent, which a save and
// a new opening keep; a frame from offered data, embedded or linked; what
// cannot be read is told and leaves nothing; when the commands are offered.
#include "interface/document/itemstorage.h"
#include "interface/document/oledata.h"
#include "model/frame.h"
#include "notation/view/objectdlgs.h"
#include "notation/view/viewids.h"
#include "platform/ui/cmdui.h"
#include "platform/ui/dialog_script.h"
#include "platform/ui/filedialog.h"
#include "platform/ui/uiresources.h"
#include "tests/interface/document/embedding_support.h"
#include "tests/notation/tools/toolview_support.h"
#include "tests/platform/file_support.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>

#include <cmath>
#include <memory>

namespace {

using embedding_test::Bytes;

constexpr UINT IDR_OBJECTS_MAIN = 29921;
constexpr UINT IDR_OBJECTS_DOC = 29922;
const MenuTemplate kMainMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_NEW, "&New"}}}}};
MENU_RESOURCE(IDR_OBJECTS_MAIN, kMainMenu);
const MenuTemplate kDocMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_CLOSE, "&Close"}}}}};
MENU_RESOURCE(IDR_OBJECTS_DOC, kDocMenu);

// Records what an update handler decided.
struct EnabledState : CCmdUI {
    BOOL enabled = -1;
    void Enable(BOOL on) override { enabled = on; }
};

class ObjectsTest : public tool_test::ToolView {
protected:
    ObjectsTest() : ToolView(IDR_OBJECTS_MAIN, IDR_OBJECTS_DOC) {}

    std::string WritePng(int width, int height, double dpi) {
        const Bytes png = embedding_test::Png(width, height, dpi);
        const std::string path = folder.File("picture.png");
        file_test::WriteText(path, std::string(png.begin(), png.end()));
        return path;
    }
    std::vector<ECFrame*> Frames() {
        std::vector<ECFrame*> frames;
        for (CScoreCntrItem* item : CollectItems(performance))
            frames.push_back(item->GetECFrame());
        return frames;
    }
    BOOL Enabled(UINT id) {
        EnabledState state;
        state.m_nID = id;
        state.DoUpdate(view, FALSE);
        return state.enabled;
    }
    // The pointer's place in view units.
    CPoint ToView(CPoint device) {
        CClientDC dc(view);
        view->OnPrepareDC(&dc);
        view->DPtoVP(&dc, &device);
        return device;
    }

    file_test::TempFolder folder;
};

TEST_F(ObjectsTest, InsertObjectPlacesThePictureAtThePointerAndASaveKeepsIt) {
    ASSERT_TRUE(OpenPiece());
    const std::string png = WritePng(120, 60, 0);
    const CPoint pointer = StaffPoint(3, 0);
    Move(pointer);
    EXPECT_TRUE(Enabled(ID_OLE_INSERT_NEW));

    CDialogScript dialogs;
    bool newDisabled = false;
    dialogs.Queue(IDD_INSERT_OBJECT, [&](CWnd& dlg) {
        newDisabled = !dlg.GetDlgItem(IDC_IO_CREATE_NEW)->IsWindowEnabled();
        CDialogScript::Click(dlg, IDC_IO_BROWSE);   // the Open dialog, below
        CDialogScript::Click(dlg, IDOK);
    });
    dialogs.Queue(RUNTIME_CLASS(CFileDialog), [&](CWnd& dlg) {
        CDialogScript::SetText(dlg, edt1, png);
        CDialogScript::Click(dlg, IDOK);
    });
    view->SendMessage(WM_COMMAND, ID_OLE_INSERT_NEW);
    Settle();
    EXPECT_EQ(dialogs.GetPending(), 0u);
    EXPECT_TRUE(newDisabled) << "no new objects of other programs here";

    const std::vector<ECFrame*> frames = Frames();
    ASSERT_EQ(frames.size(), 1u);
    CScoreCntrItem* item = frames[0]->GetClientItem();
    const std::string text = file_test::ReadText(png);
    EXPECT_EQ(item->GetData(), Bytes(text.begin(), text.end()));
    EXPECT_EQ(item->GetExtentX(), 3175);   // 120 x 60 px at 96 dpi
    EXPECT_EQ(item->GetExtentY(), 1588);
    EXPECT_EQ(item->GetItemNumber(), 1u);
    auto* display = dynamic_cast<DCctBase*>(frames[0]->GetData(DK_NOTATION, 0));
    ASSERT_NE(display, nullptr);
    EXPECT_EQ(display->GetPosition(), ToView(pointer));
    const CRect frame = FrameOf(frames[0]);
    EXPECT_NEAR(frame.Width(), 1800, 2) << "1.25 inch in twips";
    EXPECT_NEAR(frame.Height(), 900, 2);
    EXPECT_TRUE(document->IsModified());

    // Saved and opened again: the same bytes and extent.
    const std::string saved = folder.File("with picture.mmm");
    document->GetHeader()->SetFormat(DF_NATIVE);
    ASSERT_TRUE(document->OnSaveDocument(saved.c_str()));
    document->ReleaseRootStorage();
    auto reopened = std::make_unique<MCOpusDoc>();
    reopened->m_bAutoDelete = false;
    ASSERT_TRUE(reopened->OnOpenDocument(saved.c_str()));
    const std::vector<CScoreCntrItem*> items = CollectItems(reopened->GetBaseEvent());
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0]->GetData(), item->GetData());
    EXPECT_EQ(items[0]->GetMimeType(), "image/png");
    EXPECT_EQ(items[0]->GetExtentX(), 3175);
    EXPECT_EQ(items[0]->GetExtentY(), 1588);
    reopened->OnCloseDocument();
}

TEST_F(ObjectsTest, AFileThatCannotBeReadIsToldAndLeavesNothing) {
    ASSERT_TRUE(OpenPiece());
    Move(StaffPoint(3, 0));
    const int children = performance->GetChildren()->GetCount();
    CDialogScript dialogs;
    dialogs.Queue(IDD_INSERT_OBJECT, [&](CWnd& dlg) {
        CDialogScript::Click(dlg, IDOK);   // no name: the dialog stays
        CDialogScript::SetText(dlg, IDC_IO_FILE, folder.File("missing.png"));
        CDialogScript::Click(dlg, IDOK);
    });
    view->SendMessage(WM_COMMAND, ID_OLE_INSERT_NEW);
    Settle();
    EXPECT_EQ(prompts.GetCount(), 1u);
    EXPECT_EQ(prompts.GetLast().stringId, IDS_OBJECT_CREATE_FAILED);
    EXPECT_EQ(prompts.GetLast().text,
              "Failed to create object.  Make sure the object is entered in the system registry.");
    EXPECT_EQ(performance->GetChildren()->GetCount(), children);
    EXPECT_TRUE(Frames().empty());
    EXPECT_FALSE(document->IsModified());

    // Cancelled: nothing, and nothing said.
    dialogs.Queue(IDD_INSERT_OBJECT, [&](CWnd& dlg) { CDialogScript::Click(dlg, IDCANCEL); });
    view->SendMessage(WM_COMMAND, ID_OLE_INSERT_NEW);
    EXPECT_EQ(prompts.GetCount(), 1u);
    EXPECT_TRUE(Frames().empty());
}

TEST_F(ObjectsTest, OfferedDataBecomesAFrameEmbeddedOrLinked) {
    ASSERT_TRUE(OpenPiece());
    const std::string png = WritePng(48, 48, 0);
    Move(StaffPoint(3, 256));
    auto dropped = embedding_test::OfferFiles({png});
    for (const DWORD flags : {0u, 2u}) {   // a drop with Ctrl+Shift links
        COleDataIn reader(document);
        reader.GetDataObject().Attach(dropped.get());
        ASSERT_EQ(view->InsertEventFromData(&reader, flags), 1) << flags;
    }
    Settle();
    const std::vector<ECFrame*> frames = Frames();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_FALSE(frames[0]->GetClientItem()->IsLinked());
    EXPECT_EQ(frames[1]->GetClientItem()->GetLinkPath(), png);
    EXPECT_NE(frames[0]->GetClientItem()->GetItemNumber(), frames[1]->GetClientItem()->GetItemNumber());
    EXPECT_EQ(frames[1]->GetClientItem()->GetExtentX(), 1270);

    // Nothing that can become an object: told, nothing left.
    auto text = std::make_unique<QMimeData>();
    text->setText("words");
    COleDataIn reader(document);
    reader.GetDataObject().Attach(text.get());
    EXPECT_EQ(view->InsertEventFromData(&reader, 0), 0);
    Settle();
    EXPECT_EQ(prompts.GetLast().stringId, IDS_OBJECT_CREATE_FAILED);
    EXPECT_EQ(Frames().size(), 2u);
}

TEST_F(ObjectsTest, PasteSpecialListsWhatTheClipboardOffersAndLinksAFile) {
    ASSERT_TRUE(OpenPiece());
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    EXPECT_FALSE(Enabled(ID_EDIT_PASTE_SPECIAL));

    const std::string png = WritePng(20, 10, 0);
    auto offered = embedding_test::OfferFiles({png});
    offered->setImageData(QImage(5, 5, QImage::Format_RGB32));
    clipboard->setMimeData(offered.release());
    EXPECT_TRUE(Enabled(ID_EDIT_PASTE_SPECIAL));
    Move(StaffPoint(3, 0));

    const struct {
        int choice;
        bool link;
        bool linked;
        const char* name;
    } cases[] = {
        {0, true, true, "picture.png"},
        {1, true, false, "Picture.png"},   // the image cannot be linked
    };
    for (const auto& c : cases) {
        std::vector<std::string> entries;
        bool linkEnabled = true;
        CDialogScript dialogs;
        dialogs.Queue(IDD_PASTE_SPECIAL, [&](CWnd& dlg) {
            auto* list = DYNAMIC_DOWNCAST(CListBox, dlg.GetDlgItem(IDC_PS_SOURCES));
            for (int i = 0; i < list->GetCount(); ++i) {
                std::string entry;
                list->GetText(i, entry);
                entries.push_back(entry);
            }
            CDialogScript::Choose(dlg, IDC_PS_SOURCES, c.choice);
            linkEnabled = dlg.GetDlgItem(IDC_PS_PASTE_LINK)->IsWindowEnabled();
            if (c.link && linkEnabled)
                CDialogScript::Click(dlg, IDC_PS_PASTE_LINK);
            CDialogScript::Click(dlg, IDOK);
        });
        view->SendMessage(WM_COMMAND, ID_EDIT_PASTE_SPECIAL);
        Settle();
        EXPECT_EQ(entries, (std::vector<std::string>{"File picture.png", "Picture"}));
        EXPECT_EQ(linkEnabled, c.linked);
        ASSERT_FALSE(Frames().empty());
        CScoreCntrItem* item = Frames().back()->GetClientItem();
        EXPECT_EQ(item->IsLinked(), c.linked);
        EXPECT_EQ(item->GetFileName(), c.name);
    }
    EXPECT_EQ(Frames().size(), 2u);
    clipboard->clear();
}

TEST_F(ObjectsTest, InsertObjectIsOfferedInSelectModeOnly) {
    ASSERT_TRUE(OpenPiece(STATE_MODE_INSERT));
    EXPECT_FALSE(Enabled(ID_OLE_INSERT_NEW));
    SCMode::s_nMode = STATE_MODE_SELECT;
    EXPECT_TRUE(Enabled(ID_OLE_INSERT_NEW));
}

}  // namespace
