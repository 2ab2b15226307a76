#include "interface/controls/dlgitem.h"

#include "platform/ui/dialog.h"
#include "platform/ui/dialogbar.h"

BOOL MCTakeOverDlgItem(CWnd& control, UINT id, CWnd* parent) {
    if (auto* dialog = DYNAMIC_DOWNCAST(CDialog, parent))
        return dialog->TakeOverDlgItem(static_cast<int>(id), control);
    if (auto* bar = DYNAMIC_DOWNCAST(CDialogBar, parent))
        return bar->TakeOverDlgItem(static_cast<int>(id), control);
    return control.SubclassDlgItem(id, parent);
}
