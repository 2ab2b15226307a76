// Files dragged from another program onto a score window: a picture's file
// becomes a frame whose corner is where it was dropped, embedded, or linked
// with Ctrl+Shift; the other program is never told to delete its file. A
// frame dragged within the score moves by as much as the pointer did.
#include "interface/document/itemstorage.h"
#include "model/frame.h"
#include "model/states.h"
#include "platform/ui/dragdrop.h"
#include "platform/ui/uiresources.h"
#include "tests/interface/document/embedding_support.h"
#include "tests/notation/tools/toolview_support.h"
#include "tests/platform/file_support.h"

#include <QMimeData>

#include <gtest/gtest.h>

namespace {

constexpr UINT IDR_FILEDROP_MAIN = 29941;
constexpr UINT IDR_FILEDROP_DOC = 29942;
const MenuTemplate kMainMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_NEW, "&New"}}}}};
MENU_RESOURCE(IDR_FILEDROP_MAIN, kMainMenu);
const MenuTemplate kDocMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_CLOSE, "&Close"}}}}};
MENU_RESOURCE(IDR_FILEDROP_DOC, kDocMenu);

class FileDropTest : public tool_test::ToolView {
protected:
    FileDropTest() : ToolView(IDR_FILEDROP_MAIN, IDR_FILEDROP_DOC) {}

    CPoint ToView(CPoint device) {
        CClientDC dc(view);
        view->OnPrepareDC(&dc);
        view->DPtoVP(&dc, &device);
        return device;
    }

    file_test::TempFolder folder;
};

TEST_F(FileDropTest, APicturesFileDroppedFromOutsideBecomesAFrameAtTheDropPoint) {
    ASSERT_TRUE(OpenPiece());
    const embedding_test::Bytes png = embedding_test::Png(60, 30, 0);
    const std::string path = folder.File("dropped.png");
    file_test::WriteText(path, std::string(png.begin(), png.end()));
    const std::unique_ptr<QMimeData> files = embedding_test::OfferFiles({path});

    struct Case {
        DWORD keys;
        DROPEFFECT effect;   // what the other program is told
        bool linked;
    };
    const Case cases[] = {
        {MK_LBUTTON, DROPEFFECT_COPY, false},   // never a move: the file stays where it is
        {MK_LBUTTON | MK_CONTROL, DROPEFFECT_COPY, false},
        {MK_LBUTTON | MK_CONTROL | MK_SHIFT, DROPEFFECT_LINK, true},
    };
    int made = 0;
    for (const Case& drop : cases) {
        CPoint point = StaffPoint(2 + made, 0);
        point.y -= 60;   // above the staff
        CDragScript script;
        EXPECT_EQ(script.DropFromOutside(*files, view, point, drop.keys), drop.effect) << drop.keys;
        Settle();
        const std::vector<CScoreCntrItem*> items = CollectItems(performance);
        ASSERT_EQ(items.size(), static_cast<size_t>(++made)) << drop.keys;
        CScoreCntrItem* item = items.back();
        EXPECT_EQ(item->IsLinked() != 0, drop.linked) << drop.keys;
        EXPECT_EQ(item->GetData(), png);
        EXPECT_EQ(item->GetExtentX(), 1588);   // 60 x 30 px at 96 dpi
        EXPECT_EQ(item->GetExtentY(), 794);
        auto* display = dynamic_cast<DCctBase*>(item->GetECFrame()->GetData(DK_NOTATION, 0));
        ASSERT_NE(display, nullptr);
        EXPECT_EQ(display->GetPosition(), ToView(point)) << "its corner where it was dropped";
    }
    EXPECT_TRUE(document->IsModified());
}

TEST_F(FileDropTest, AFrameDraggedByItsMiddleMovesAsFarAsThePointer) {
    ASSERT_TRUE(OpenPiece());
    const embedding_test::Bytes png = embedding_test::Png(60, 30, 0);
    const std::string path = folder.File("moved.png");
    file_test::WriteText(path, std::string(png.begin(), png.end()));
    CPoint corner = StaffPoint(2, 0);
    corner.y -= 80;
    {
        CDragScript outside;
        ASSERT_EQ(outside.DropFromOutside(*embedding_test::OfferFiles({path}), view, corner), DROPEFFECT_COPY);
    }
    Settle();
    ASSERT_EQ(CollectItems(performance).size(), 1u);
    ECFrame* frame = CollectItems(performance)[0]->GetECFrame();
    MCEventList selection;
    selection.AddTail(frame);
    (new SCSelection(STATE_SELECTION_REPLACE, &selection))->Apply(performance);
    Settle();

    // Pressed in its middle, dragged 40 right and 24 down, dropped.
    const CPoint middle = corner + CSize(30, 15);
    const CSize by(40, 24);
    CDragScript drag;
    drag.Move(view, middle + CSize(by.cx / 2, by.cy / 2));
    drag.Move(view, middle + by);
    drag.Drop();
    Press(middle);
    Release(middle);
    Settle();
    EXPECT_EQ(drag.GetResult(), DROPEFFECT_MOVE);

    const std::vector<CScoreCntrItem*> items = CollectItems(performance);
    ASSERT_EQ(items.size(), 1u) << "moved, not copied";
    auto* display = dynamic_cast<DCctBase*>(items[0]->GetECFrame()->GetData(DK_NOTATION, 0));
    ASSERT_NE(display, nullptr);
    const CPoint moved = ToView(corner + by);
    EXPECT_NEAR(display->GetPosition().x, moved.x, 15) << "the corner keeps its distance from the pointer";
    EXPECT_NEAR(display->GetPosition().y, moved.y, 15);
}

}  // namespace
