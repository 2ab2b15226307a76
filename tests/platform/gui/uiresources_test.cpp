// Menus, accelerators, icons and cursors declared in code and found by id.
#include "platform/ui/uiresources.h"

#include <QBuffer>
#include <QCursor>
#include <QIcon>
#include <QImage>

#include <gtest/gtest.h>

namespace {

constexpr UINT IDR_TEST = 3201;
constexpr UINT ID_FILE_NEW = 0xE100;
constexpr UINT ID_FILE_OPEN = 0xE101;
constexpr UINT ID_APP_EXIT = 0xE141;
constexpr UINT ID_EDIT_UNDO = 0xE12B;

const MenuTemplate kMenu = {{
    {MF_POPUP, 0, "&File", {
        {MF_STRING, ID_FILE_NEW, "&New\tCtrl+N"},
        {MF_STRING | MF_GRAYED, ID_FILE_OPEN, "&Open..."},
        {MF_SEPARATOR},
        {MF_STRING, ID_APP_EXIT, "E&xit"},
    }},
    {MF_POPUP, 0, "&Edit", {{MF_STRING, ID_EDIT_UNDO, "&Undo"}}},
}};
MENU_RESOURCE(IDR_TEST, kMenu);

const AcceleratorTable kKeys = {{
    {FVIRTKEY | FCONTROL, 'N', ID_FILE_NEW},
    {FVIRTKEY | FCONTROL | FSHIFT, 'N', ID_FILE_OPEN},
    {0, 'z', ID_EDIT_UNDO},
}};
ACCELERATOR_RESOURCE(IDR_TEST, kKeys);

QByteArray PngOf(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

}  // namespace

TEST(UiResources, MenuIsMadeFromItsTemplate) {
    std::unique_ptr<CMenu> menu = LoadMenu(IDR_TEST);
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->GetMenuItemCount(), 2);
    EXPECT_EQ(menu->GetMenuString(1), "&Edit");
    CMenu* file = menu->GetSubMenu(0);
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(file->GetMenuItemCount(), 4);
    EXPECT_EQ(file->GetMenuItemID(0), ID_FILE_NEW);
    EXPECT_EQ(file->GetMenuString(0), "&New\tCtrl+N");
    EXPECT_EQ(file->GetMenuState(ID_FILE_OPEN, MF_BYCOMMAND) & MF_GRAYED, static_cast<UINT>(MF_GRAYED));
    EXPECT_EQ(file->GetMenuItemID(2), 0u);   // the separator
    EXPECT_EQ(LoadMenu(IDR_TEST + 1), nullptr);
}

TEST(UiResources, AcceleratorsMatchKeyAndModifiersExactly) {
    HACCEL table = LoadAccelerators(IDR_TEST);
    ASSERT_NE(table, nullptr);
    const struct {
        UINT key;
        BYTE modifiers;
        WORD command;
    } cases[] = {
        {'N', FCONTROL, ID_FILE_NEW},
        {'N', FCONTROL | FSHIFT, ID_FILE_OPEN},
        {'N', 0, 0},
        {'N', FCONTROL | FALT, 0},
        {'Z', 0, ID_EDIT_UNDO},   // a character entry, by the key that types it
    };
    for (const auto& c : cases)
        EXPECT_EQ(FindAccelerator(table, c.key, c.modifiers), c.command) << c.key << " " << int(c.modifiers);
    EXPECT_EQ(LoadAccelerators(IDR_TEST + 1), nullptr);
}

TEST(UiResources, IconsAndCursorsComeFromTheirImages) {
    const QByteArray icon = PngOf(16, 16);
    const QByteArray cursorBytes = PngOf(32, 32);
    const CResourceData iconBlock(RT_ICON, IDR_TEST, icon.constData(), static_cast<size_t>(icon.size()));
    const CursorImage cursorImage{cursorBytes.constData(), static_cast<size_t>(cursorBytes.size()), 3, 5};
    const CRecordResource<CursorImage> cursorBlock(RT_CURSOR, IDR_TEST, cursorImage);

    EXPECT_FALSE(LoadIcon(IDR_TEST).isNull());
    EXPECT_TRUE(LoadIcon(IDR_TEST + 1).isNull());
    const QCursor cursor = LoadCursor(IDR_TEST);
    EXPECT_EQ(cursor.shape(), Qt::BitmapCursor);
    EXPECT_EQ(cursor.hotSpot(), QPoint(3, 5));
    EXPECT_EQ(LoadCursor(IDR_TEST + 1).shape(), Qt::ArrowCursor);
}
