#include "platform/ui/menu_qt.h"

#include "platform/ui/menu.h"
#include "platform/ui/statusprompt.h"
#include "platform/ui/wnd.h"

#include <QAction>
#include <QMenu>

#include <memory>

namespace {

// The property of a QMenu whose choice is answered (ExecQtMenu) rather than posted.
constexpr const char* kAnswersChoice = "staffwright_answers_choice";

bool AnswersChoice(const QObject* qmenu) {
    for (; qmenu; qmenu = qmenu->parent())
        if (qmenu->property(kAnswersChoice).toBool())
            return true;
    return false;
}

// Fills `qmenu` from `menu`, each submenu a QMenu of its own.
void Rebuild(QMenu* qmenu, CMenu* menu, HWND owner) {
    // The submenus made at the last opening go with their actions.
    for (QMenu* old : qmenu->findChildren<QMenu*>(QString(), Qt::FindDirectChildrenOnly))
        old->deleteLater();
    qmenu->clear();
    for (int position = 0; position < menu->GetMenuItemCount(); ++position) {
        const UINT state = menu->GetMenuState(static_cast<UINT>(position), MF_BYPOSITION);
        if (state & MF_SEPARATOR) {
            qmenu->addSeparator();
            continue;
        }
        const QString text = QString::fromStdString(menu->GetMenuString(position));
        QAction* action = nullptr;
        if (CMenu* submenu = menu->GetSubMenu(position)) {
            QMenu* child = CreateQtMenu(submenu, CWnd::FromHandle(owner), qmenu, static_cast<UINT>(position));
            child->setTitle(text);
            action = qmenu->addMenu(child);
        } else {
            const UINT id = menu->GetMenuItemID(position);
            action = qmenu->addAction(text);
            action->setData(id);
            if (!AnswersChoice(qmenu))
                QObject::connect(action, &QAction::triggered, action, [owner, id] {
                    ::PostMessage(owner, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), 0), 0);
                });
        }
        action->setEnabled((state & (MF_GRAYED | MF_DISABLED)) == 0);
        if (state & MF_CHECKED) {
            action->setCheckable(true);
            action->setChecked(true);
        }
    }
}

}  // namespace

QMenu* CreateQtMenu(CMenu* menu, CWnd* owner, QWidget* parent, UINT position, CMenu* root) {
    auto* qmenu = new QMenu(parent);
    if (!menu || !owner)
        return qmenu;
    const HWND hOwner = owner->m_hWnd;
    QObject::connect(qmenu, &QMenu::aboutToShow, qmenu, [qmenu, menu, hOwner, position, root] {
        if (root)
            ::SendMessage(hOwner, WM_INITMENU, reinterpret_cast<WPARAM>(root));
        ::SendMessage(hOwner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu),
                      MAKELPARAM(static_cast<WORD>(position), FALSE));
        Rebuild(qmenu, menu, hOwner);
    });
    // The item under the pointer, for the owner's prompts: a command by its
    // id, a submenu by its position (MF_POPUP).
    QObject::connect(qmenu, &QMenu::hovered, qmenu, [qmenu, menu, hOwner](QAction* action) {
        if (!action || action->isSeparator())
            return;
        UINT item = action->data().toUInt();
        UINT flags = 0;
        if (action->menu()) {
            item = static_cast<UINT>(qmenu->actions().indexOf(action));
            flags = MF_POPUP;
        }
        ::SendMessage(hOwner, WM_MENUSELECT, MAKEWPARAM(static_cast<WORD>(item), static_cast<WORD>(flags)),
                      reinterpret_cast<LPARAM>(menu));
    });
    // A submenu closing leaves its parent open: only the outermost menu tells the owner it closed.
    QObject::connect(qmenu, &QMenu::aboutToHide, qmenu, [qmenu, hOwner] {
        if (!qobject_cast<QMenu*>(qmenu->parentWidget()))
            ::SendMessage(hOwner, WM_MENUSELECT, MAKEWPARAM(0, static_cast<WORD>(MENUSELECT_CLOSED)), 0);
    });
    return qmenu;
}

UINT ExecQtMenu(CMenu* menu, CWnd* owner, int x, int y) {
    if (!menu || !owner)
        return 0;
    std::unique_ptr<QMenu> qmenu(CreateQtMenu(menu, owner, nullptr));
    qmenu->setProperty(kAnswersChoice, true);
    const QAction* chosen = qmenu->exec(QPoint(x, y));
    return chosen ? chosen->data().toUInt() : 0;
}
