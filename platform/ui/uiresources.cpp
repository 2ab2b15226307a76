#include "platform/ui/uiresources.h"

#include <QCursor>
#include <QIcon>
#include <QPixmap>

namespace {

void AppendItems(CMenu& menu, const std::vector<MenuTemplateItem>& items) {
    for (const MenuTemplateItem& item : items) {
        if (item.flags & MF_POPUP) {
            auto submenu = std::make_unique<CMenu>();
            AppendItems(*submenu, item.items);
            menu.AppendMenu(item.flags, std::move(submenu), item.text);
        } else {
            menu.AppendMenu(item.flags, item.id, item.text);
        }
    }
}

QPixmap PixmapOf(const void* data, size_t size) {
    QPixmap pixmap;
    if (data && size > 0)
        pixmap.loadFromData(static_cast<const uchar*>(data), static_cast<uint>(size));
    return pixmap;
}

}  // namespace

std::unique_ptr<CMenu> LoadMenu(unsigned id) {
    const MenuTemplate* menu = FindRecordResource<MenuTemplate>(RT_MENU, id);
    return menu ? LoadMenuIndirect(*menu) : nullptr;
}

std::unique_ptr<CMenu> LoadMenuIndirect(const MenuTemplate& menu) {
    auto made = std::make_unique<CMenu>();
    AppendItems(*made, menu.items);
    return made;
}

HACCEL LoadAccelerators(unsigned id) {
    return FindRecordResource<AcceleratorTable>(RT_ACCELERATOR, id);
}

WORD FindAccelerator(HACCEL table, UINT virtualKey, BYTE modifiers) {
    if (!table)
        return 0;
    const BYTE wanted = modifiers & (FSHIFT | FCONTROL | FALT);
    for (const ACCEL& entry : table->entries) {
        UINT key = entry.key;
        if (!(entry.fVirt & FVIRTKEY) && key >= 'a' && key <= 'z')
            key = key - 'a' + 'A';   // a character entry: the key that types it
        if (key == virtualKey && (entry.fVirt & (FSHIFT | FCONTROL | FALT)) == wanted)
            return entry.cmd;
    }
    return 0;
}

QIcon LoadIcon(unsigned id) {
    const ResourceBlock block = FindResource(RT_ICON, id);
    const QPixmap pixmap = PixmapOf(block.data, block.size);
    return pixmap.isNull() ? QIcon() : QIcon(pixmap);
}

QCursor LoadCursor(unsigned id) {
    const CursorImage* cursor = FindRecordResource<CursorImage>(RT_CURSOR, id);
    const QPixmap pixmap = cursor ? PixmapOf(cursor->data, cursor->size) : QPixmap();
    if (pixmap.isNull())
        return QCursor(Qt::ArrowCursor);
    return QCursor(pixmap, cursor->xHotSpot, cursor->yHotSpot);
}
