// Embedded objects in a score window: an image drawn into its frame, any
// other file as an icon above its name, the tracker by the selection (and
// none on paper), opening the object into a temporary copy whose saves come
// back, resizing by a handle, and an item with no view to show it.
#include "interface/document/embedding.h"
#include "interface/document/itemstorage.h"
#include "model/frame.h"
#include "notation/layout/pagelayout.h"
#include "notation/tools/framecursor.h"
#include "notation/view/cttracker.h"
#include "notation/view/scoreitem.h"
#include "notation/view/viewids.h"
#include "platform/ui/app.h"
#include "platform/ui/cursor.h"
#include "platform/ui/dragdrop.h"
#include "platform/ui/uiresources.h"
#include "platform/ui/wnd_private.h"
#include "tests/notation/tools/toolview_support.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QClipboard>
#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QThread>

#include <memory>

namespace {

constexpr UINT IDR_FRAMES_MAIN = 29981;
constexpr UINT IDR_FRAMES_DOC = 29982;
const MenuTemplate kMainMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_NEW, "&New"}}}}};
MENU_RESOURCE(IDR_FRAMES_MAIN, kMainMenu);
const MenuTemplate kDocMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_CLOSE, "&Close"}}}}};
MENU_RESOURCE(IDR_FRAMES_DOC, kDocMenu);

const QRgb kRed = qRgb(255, 0, 0), kBlue = qRgb(0, 0, 255), kGreen = qRgb(0, 160, 0);
const QRgb kCyan = qRgb(0, 255, 255);   // red inverted

// A PNG of `width` x `height` pixels at 96 dpi: its left half `left`, its right half `right`.
std::vector<uint8_t> Png(int width, int height, QRgb left = kRed, QRgb right = kBlue) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, x < width / 2 ? left : right);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return {bytes.begin(), bytes.end()};
}

// While it lives, ShellExecute records what it is asked to open and opens nothing.
struct RecordingShell {
    std::vector<std::string> opened;
    ShellExecuteHandler previous;
    RecordingShell() {
        previous = SetShellExecuteHandler([this](HWND, const std::string& operation, const std::string& file,
                                                 const std::string&, const std::string&, int) -> HINSTANCE_SHELL {
            if (operation == "open")
                opened.push_back(file);
            return 42;
        });
    }
    ~RecordingShell() { SetShellExecuteHandler(std::move(previous)); }
};

std::vector<uint8_t> FileBytes(const std::string& path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    return {bytes.begin(), bytes.end()};
}

class FrameObjectTest : public tool_test::ToolView {
protected:
    FrameObjectTest() : ToolView(IDR_FRAMES_MAIN, IDR_FRAMES_DOC) {}

    // A point well inside the first page's printable area, device pixels.
    CPoint OnPage(int dx = 40, int dy = 120) {
        const MCPageLayout& layout = view->GetPagenate().GetPageLayout();
        CRect cell = layout.GetPageRect();
        CClientDC dc(view);
        view->OnPrepareDC(&dc);
        view->VPtoDP(&dc, &cell);
        cell.NormalizeRect();
        return CPoint(cell.left + 80 + dx, cell.top + 80 + dy);
    }
    // A frame holding an object of these bytes, its top-left corner at
    // `corner` (device pixels), placed by the frame tool and drawn.
    ECFrame* Place(std::vector<uint8_t> bytes, const std::string& type, const std::string& name, CPoint corner) {
        auto* item = new CScoreCntrItem;
        item->SetData(std::move(bytes));
        item->SetMimeType(type);
        item->SetFileName(name);
        SetExtentFromData(*item);
        return PlaceItem(item, corner);
    }
    ECFrame* PlaceItem(CScoreCntrItem* item, CPoint corner) {
        auto* frame = new ECFrame(0);
        frame->SetClientItem(item);
        CFrameCursor tool(view);
        tool.Update(corner, 0);
        if (!tool.Insert(frame, nullptr))
            return nullptr;
        Settle();
        Repaint();
        return frame;
    }
    void Repaint() {
        view->Invalidate();
        view->UpdateWindow();
        messaging_test::PumpPending();
    }
    void Select(const std::vector<ECBase*>& elements) {
        MCEventList list;
        for (ECBase* element : elements)
            list.AddTail(element);
        (new SCSelection(STATE_SELECTION_REPLACE, &list))->Apply(performance);
        Settle();
        Repaint();
    }
    // The frame's rectangle in device pixels.
    CRect DeviceRect(ECFrame* frame) {
        CRect rect = FrameOf(frame);
        CClientDC dc(view);
        view->OnPrepareDC(&dc);
        view->VPtoDP(&dc, &rect);
        rect.NormalizeRect();
        return rect;
    }
    QRgb At(CPoint point) { return Surface().pixel(point.x, point.y) & 0xFFFFFF; }
    static bool Near(QRgb a, QRgb b) {
        return std::abs(qRed(a) - qRed(b)) < 40 && std::abs(qGreen(a) - qGreen(b)) < 40 &&
               std::abs(qBlue(a) - qBlue(b)) < 40;
    }
    // Pixels of the rectangle (device) darker than mid grey.
    int InkIn(const CRect& rect) {
        int ink = 0;
        for (int y = rect.top; y < rect.bottom; ++y)
            for (int x = rect.left; x < rect.right; ++x)
                ink += qGray(Surface().pixel(x, y)) < 128;
        return ink;
    }
    // Lets the file watcher's news arrive: at most `rounds` turns of the event loop.
    template <typename Done>
    static bool PumpUntil(Done done, int rounds = 300) {
        for (int i = 0; i < rounds && !done(); ++i) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            QThread::msleep(5);
        }
        return done();
    }
};

}  // namespace

TEST_F(FrameObjectTest, AnImageIsDrawnScaledIntoItsFrame) {
    ASSERT_TRUE(OpenPiece());
    ECFrame* frame = Place(Png(48, 32), "image/png", "picture.png", OnPage());
    ASSERT_NE(frame, nullptr);
    const CRect rect = DeviceRect(frame);
    // 48 x 32 pixels at 96 dpi is half an inch by a third: 48 x 32 screen pixels.
    EXPECT_NEAR(rect.Width(), 48, 1);
    EXPECT_NEAR(rect.Height(), 32, 1);
    EXPECT_TRUE(Near(At(CPoint(rect.left + 12, rect.top + 16)), kRed));
    EXPECT_TRUE(Near(At(CPoint(rect.right - 12, rect.top + 16)), kBlue));
    EXPECT_FALSE(Near(At(CPoint(rect.left - 4, rect.top + 16)), kRed)) << "nothing outside the frame";

    // A bigger extent scales the picture up into the frame.
    frame->GetClientItem()->SetExtent(2 * frame->GetClientItem()->GetExtentX(),
                                      2 * frame->GetClientItem()->GetExtentY());
    CCantrelItem::UpdateFrame(frame->GetClientItem());
    Repaint();
    const CRect big = DeviceRect(frame);
    EXPECT_NEAR(big.Width(), 96, 1);
    EXPECT_TRUE(Near(At(CPoint(big.left + 40, big.top + 50)), kRed));
    EXPECT_TRUE(Near(At(CPoint(big.right - 40, big.top + 50)), kBlue));
}

TEST_F(FrameObjectTest, AnotherFileIsAnIconAboveItsName) {
    ASSERT_TRUE(OpenPiece());
    const std::vector<uint8_t> text = {'n', 'o', 't', 'e', 's', '\n'};
    ECFrame* named = Place(text, "text/plain", "notes.txt", OnPage(40, 400));
    ECFrame* unnamed = Place(text, "text/plain", "", OnPage(200, 400));
    ASSERT_NE(named, nullptr);
    ASSERT_NE(unnamed, nullptr);
    // Each on the same blank stretch of the page, the other one gone.
    auto lowerInk = [&](ECFrame* frame) {
        const CRect rect = DeviceRect(frame);
        EXPECT_NEAR(rect.Width(), 96, 1);
        EXPECT_NEAR(rect.Height(), 64, 1);
        EXPECT_GT(InkIn(CRect(rect.left, rect.top, rect.right, rect.top + 32)), 20) << "the icon";
        return InkIn(CRect(rect.left, rect.top + 36, rect.right, rect.bottom));
    };
    const int withName = lowerInk(named);
    const int withoutName = lowerInk(unnamed);
    EXPECT_GT(withName, withoutName + 20) << "the name below the icon";
}

TEST_F(FrameObjectTest, TheTrackerShowsHowTheFrameIsSelected) {
    ASSERT_TRUE(OpenPiece());
    ECFrame* frame = Place(Png(64, 48), "image/png", "picture.png", OnPage());
    ASSERT_NE(frame, nullptr);
    const CRect rect = DeviceRect(frame);
    const CPoint handle(rect.left + 2, rect.top + 2);   // inside the top-left handle
    const CPoint inside(rect.left + 12, rect.top + 24);
    ECBase* note = Notes(2)[0];
    const struct {
        const char* what;
        std::vector<ECBase*> selection;
        bool selected, handles, inverted;
    } cases[] = {
        {"not selected", {}, false, false, false},
        {"selected alone", {frame}, true, true, false},
        {"selected with a note", {frame, note}, true, false, true},
    };
    for (const auto& c : cases) {
        Select(c.selection);
        EXPECT_EQ(view->IsSelected(frame->GetClientItem()) != 0, c.selected) << c.what;
        EXPECT_TRUE(Near(At(handle), c.handles || c.inverted ? kCyan : kRed)) << c.what;
        EXPECT_TRUE(Near(At(inside), c.inverted ? kCyan : kRed)) << c.what;
    }
    EXPECT_FALSE(view->IsSelected(note)) << "only an item is asked about";
}

TEST_F(FrameObjectTest, PaperGetsThePictureWithoutTheTracker) {
    ASSERT_TRUE(OpenPiece());
    ECFrame* frame = Place(Png(64, 48), "image/png", "picture.png", OnPage());
    ASSERT_NE(frame, nullptr);
    Select({frame});
    for (DCKind kind : {DCKind::Printer, DCKind::Display}) {
        QImage image(100, 80, QImage::Format_RGB32);
        image.fill(Qt::white);
        CDC dc;
        dc.AttachImage(&image, kind);
        const CRect bounds(10, 10, 74, 58);   // MM_TEXT
        EXPECT_EQ(CCantrelItem::OurDraw(frame->GetClientItem(), &dc, &bounds, nullptr, -1), 1);
        dc.DeleteDC();
        const bool paper = kind == DCKind::Printer;
        EXPECT_TRUE(Near(image.pixel(12, 12) & 0xFFFFFF, paper ? kRed : kCyan)) << "handle, paper " << paper;
        EXPECT_TRUE(Near(image.pixel(60, 30) & 0xFFFFFF, kBlue)) << "picture, paper " << paper;
    }
}

TEST_F(FrameObjectTest, ADoubleClickOpensACopyWhoseSavesComeBack) {
    ASSERT_TRUE(OpenPiece());
    const std::vector<uint8_t> png = Png(48, 32);
    ECFrame* frame = Place(png, "image/png", "picture.png", OnPage());
    ASSERT_NE(frame, nullptr);
    CScoreCntrItem* item = frame->GetClientItem();
    Select({frame});
    document->SetModifiedFlag(FALSE);

    RecordingShell shell;
    const CPoint middle = DeviceRect(frame).CenterPoint();
    view->SendMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(middle.x, middle.y));
    Settle();
    ASSERT_EQ(shell.opened.size(), 1u);
    const std::string copy = shell.opened[0];
    EXPECT_EQ(copy.substr(copy.size() - 4), ".png");
    EXPECT_EQ(FileBytes(copy), png);
    EXPECT_EQ(CCantrelItem::GetItemState(item), CCantrelItem::openState);

    // Saved there: green and wider.
    const std::vector<uint8_t> edited = Png(64, 32, kGreen, kGreen);
    {
        QFile file(QString::fromStdString(copy));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(reinterpret_cast<const char*>(edited.data()), static_cast<qint64>(edited.size()));
    }
    ASSERT_TRUE(PumpUntil([&] { return item->GetData() == edited; }));
    Repaint();
    EXPECT_EQ(item->GetExtentX(), 1693) << "64 pixels at 96 dpi";
    EXPECT_TRUE(document->IsModified());
    const CRect rect = DeviceRect(frame);
    EXPECT_NEAR(rect.Width(), 64, 1);
    EXPECT_TRUE(Near(At(CPoint(rect.left + 16, rect.top + 16)), kGreen));

    // The copy goes with the item's state.
    item->SetState(nullptr);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(copy)));
}

TEST_F(FrameObjectTest, AnObjectOfAnotherProgramShowsItsPictureOrItsNameAndOpensNothing) {
    ASSERT_TRUE(OpenPiece());
    auto* boxed = new CScoreCntrItem;
    boxed->SetForeignClassName("Chart.Sheet.8");
    boxed->SetExtent(2540, 1270);   // 96 x 48 pixels
    ECFrame* box = PlaceItem(boxed, OnPage());
    ASSERT_NE(box, nullptr);
    const CRect rect = DeviceRect(box);
    EXPECT_GT(InkIn(CRect(rect.left, rect.top, rect.left + 2, rect.bottom)), 30) << "framed";
    EXPECT_GT(InkIn(CRect(rect.left + 4, rect.top + 4, rect.right - 4, rect.bottom - 4)), 20) << "its class name";

    // With a cached picture (a ".bmp" file's bytes), the picture.
    auto* pictured = new CScoreCntrItem;
    pictured->SetForeignClassName("Chart.Sheet.8");
    QImage red(8, 8, QImage::Format_RGB32);
    red.fill(kRed);
    QByteArray bmp;
    QBuffer buffer(&bmp);
    buffer.open(QIODevice::WriteOnly);
    red.save(&buffer, "BMP");
    pictured->SetCachedPicture({bmp.begin(), bmp.end()});
    pictured->SetExtent(2540, 1270);
    ECFrame* picture = PlaceItem(pictured, OnPage(200));
    ASSERT_NE(picture, nullptr);
    EXPECT_TRUE(Near(At(DeviceRect(picture).CenterPoint()), kRed));

    RecordingShell shell;
    Select({picture});
    const CPoint middle = DeviceRect(picture).CenterPoint();
    view->SendMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(middle.x, middle.y));
    Settle();
    EXPECT_TRUE(shell.opened.empty());
}

TEST_F(FrameObjectTest, AHandleDragResizesTheFrameWithinTheLimit) {
    ASSERT_TRUE(OpenPiece());
    ECFrame* frame = Place(Png(48, 32), "image/png", "picture.png", OnPage());
    ASSERT_NE(frame, nullptr);
    CScoreCntrItem* item = frame->GetClientItem();
    Select({frame});
    document->SetModifiedFlag(FALSE);
    const CRect before = DeviceRect(frame);
    auto* display = dynamic_cast<DCctBase*>(frame->GetData(DK_NOTATION, 0));
    ASSERT_NE(display, nullptr);
    const CPoint corner = display->GetPosition();
    CRect client;
    view->GetClientRect(&client);

    // The bottom-right handle dragged far past the window's corner.
    const CPoint release(client.right + 300, client.bottom + 300);
    const LPARAM at = MAKELPARAM(static_cast<WORD>(release.x), static_cast<WORD>(release.y));
    view->PostMessage(WM_MOUSEMOVE, MK_LBUTTON, at);
    view->PostMessage(WM_LBUTTONUP, 0, at);
    CPoint press(before.right - 2, before.bottom - 2);
    CCTRectTracker limitOf;
    CRect start = before;
    limitOf.SetupResize(view, start);
    // Pressed there with the select tool: the handle is tracked, no drag follows.
    Press(press);
    Settle();
    Repaint();

    const CRect after = DeviceRect(frame);
    EXPECT_EQ(after.TopLeft(), before.TopLeft());
    EXPECT_NEAR(after.right, limitOf.GetLimitRect().right, 1);
    EXPECT_NEAR(after.bottom, limitOf.GetLimitRect().bottom, 1);
    EXPECT_EQ(display->GetPosition(), corner);
    EXPECT_NEAR(item->GetExtentX(), after.Width() * 2540 / 96, 27);
    EXPECT_TRUE(document->IsModified());

    // A press inside the frame, away from its handles, is no handle drag.
    CPoint middle = after.CenterPoint();
    EXPECT_EQ(view->TrackFrameHandle(middle), 0);
}

TEST_F(FrameObjectTest, ANewSizeSetsTheExtentAndTheCorner) {
    ASSERT_TRUE(OpenPiece());
    ECFrame* frame = Place(Png(48, 32), "image/png", "picture.png", OnPage());
    ASSERT_NE(frame, nullptr);
    CScoreCntrItem* item = frame->GetClientItem();
    const CPoint at = OnPage(100, 200);
    CRect resized(at.x + 96, at.y + 48, at.x, at.y);   // the wrong way round
    {
        CClientDC dc(view);
        view->OnPrepareDC(&dc);
        CCantrelItem::SetNewSizeD(item, &dc, resized);
    }
    EXPECT_EQ(item->GetExtentX(), 2540);
    EXPECT_EQ(item->GetExtentY(), 1270);
    EXPECT_EQ(DeviceRect(frame), CRect(at.x, at.y, at.x + 96, at.y + 48));
}

TEST_F(FrameObjectTest, ACopiedFrameOffersItsBytesUnderTheirType) {
    ASSERT_TRUE(OpenPiece());
    const std::vector<uint8_t> png = Png(48, 32);
    ECFrame* frame = Place(png, "image/png", "picture.png", OnPage());
    ASSERT_NE(frame, nullptr);
    Select({frame});
    view->SendMessage(WM_COMMAND, ID_EDIT_COPY);
    Settle();
    const QMimeData* offered = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(offered, nullptr);
    const QByteArray bytes = offered->data("image/png");
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.end()), png);
}

// Each frame's copy holds the picture itself, in a storage of its own.
void ExpectTwoPictures(ECBase* performance, const std::vector<uint8_t>& png) {
    const std::vector<CScoreCntrItem*> items = CollectItems(performance);
    ASSERT_EQ(items.size(), 2u);
    for (const CScoreCntrItem* item : items) {
        EXPECT_EQ(item->GetData(), png);
        EXPECT_EQ(item->GetMimeType(), "image/png");
        EXPECT_EQ(item->GetFileName(), "picture.png");
    }
    EXPECT_NE(items[0]->GetItemNumber(), items[1]->GetItemNumber());
}

TEST_F(FrameObjectTest, ACopiedFramePastesWithItsPicture) {
    ASSERT_TRUE(OpenPiece());
    const std::vector<uint8_t> png = Png(48, 32);
    ECFrame* frame = Place(png, "image/png", "picture.png", OnPage());
    ASSERT_NE(frame, nullptr);
    frame->GetClientItem()->SetItemNumber(document->GetNewItemNumber());
    Select({frame});
    view->SendMessage(WM_COMMAND, ID_EDIT_COPY);
    Select({});   // a paste replaces what is selected
    view->SendMessage(WM_COMMAND, ID_EDIT_PASTE);
    Settle();
    ExpectTwoPictures(performance, png);
}

TEST_F(FrameObjectTest, AFrameDraggedWithCtrlKeepsBothPictures) {
    ASSERT_TRUE(OpenPiece());
    const std::vector<uint8_t> png = Png(48, 32);
    ECFrame* frame = Place(png, "image/png", "picture.png", OnPage());
    ASSERT_NE(frame, nullptr);
    frame->GetClientItem()->SetItemNumber(document->GetNewItemNumber());
    Select({frame});
    const CPoint middle = DeviceRect(frame).CenterPoint();
    const CPoint target(middle.x + 120, middle.y + 60);
    CDragScript drag;
    drag.Move(view, CPoint(target.x + 3, target.y), MK_LBUTTON | MK_CONTROL);
    drag.Move(view, target, MK_LBUTTON | MK_CONTROL);
    drag.Drop();
    Press(middle);
    Release(middle);
    Settle();
    EXPECT_EQ(drag.GetResult(), DROPEFFECT_COPY);
    ExpectTwoPictures(performance, png);
}

TEST_F(FrameObjectTest, AnItemWithoutAViewDrawsNothingAndIgnoresNotices) {
    ASSERT_TRUE(OpenPiece());
    // A frame outside any score.
    auto frame = std::make_unique<ECFrame>(0);
    auto* item = new CScoreCntrItem;
    item->SetData(Png(48, 32));
    item->SetMimeType("image/png");
    item->SetExtent(10, 10);
    frame->SetClientItem(item);

    QImage image(100, 80, QImage::Format_RGB32);
    image.fill(Qt::white);
    const QImage blank = image.copy();
    CDC dc;
    dc.AttachImage(&image, DCKind::Display);
    const CRect bounds(10, 10, 74, 58);
    EXPECT_EQ(CCantrelItem::OurDraw(item, &dc, &bounds, nullptr, -1), 0);
    CSize size;
    CCantrelItem::GetSizeD(item, &dc, size);
    EXPECT_EQ(size, CSize(0, 0));
    dc.DeleteDC();
    EXPECT_EQ(image, blank);

    CCantrelItem::OnChange(item, CCantrelItem::OLE_CHANGED, 0);
    EXPECT_EQ(item->GetExtentX(), 10) << "the notice ignored";
    RecordingShell shell;
    EXPECT_EQ(CCantrelItem::DoOpen(item), 0);
    EXPECT_TRUE(shell.opened.empty());
    EXPECT_EQ(item->GetState(), nullptr);
}

TEST_F(FrameObjectTest, TheCursorOverASingleSelectedFramesHandleIsASizeCursor) {
    ASSERT_TRUE(OpenPiece());
    ECFrame* frame = Place(Png(64, 48), "image/png", "picture.png", OnPage());
    ASSERT_NE(frame, nullptr);
    ECBase* note = Notes(2)[0];
    const CRect rect = DeviceRect(frame);
    auto cursorAt = [&](CPoint client) {
        CPoint screen = client;
        view->ClientToScreen(&screen);
        platform_detail::NoteCursorPos(QPoint(screen.x, screen.y));
        platform_detail::SendSetCursor(*view);
        return GetCursor();
    };
    const HCURSOR sizing = LoadStandardCursor(IDC_SIZENWSE);
    const CPoint handle(rect.right - 2, rect.bottom - 2);
    const struct {
        const char* what;
        std::vector<ECBase*> selection;
        bool sizes;
    } cases[] = {
        {"selected alone", {frame}, true},
        {"selected with a note", {frame, note}, false},
        {"not selected", {}, false},
    };
    for (const auto& c : cases) {
        Select(c.selection);
        EXPECT_EQ(cursorAt(handle) == sizing, c.sizes) << c.what;
    }
}
