// Scripting the print dialog's printer properties: the toolkit's own dialog,
// which its Properties button (psh2) runs in a loop of its own. The choice
// is queued to run inside that loop, then the button is pressed; the
// properties close with OK, so the loop ends either way.
//
//     dialogs.Queue(RUNTIME_CLASS(CPrintDialog), [](CWnd& dialog) {
//         print_support::ChooseOrientation(dialog, QPageLayout::Landscape);
//         CDialogScript::Click(dialog, IDOK);
//     });
//
// UI thread (the test's).
#pragma once

#include "platform/ui/commondlg.h"
#include "platform/ui/dialog_script.h"
#include "platform/ui/wnd.h"

#include <QDialog>
#include <QPageLayout>
#include <QRadioButton>
#include <QTimer>

namespace print_support {

// Turns the page in the printer's properties of the print dialog `dialog`.
inline void ChooseOrientation(CWnd& dialog, QPageLayout::Orientation orientation) {
    QWidget* printDialog = dialog.GetWidget();
    QTimer::singleShot(0, printDialog, [printDialog, orientation] {
        // The properties: the print dialog's own dialog that is showing.
        QDialog* properties = nullptr;
        for (QDialog* child : printDialog->findChildren<QDialog*>())
            if (child->isVisible())
                properties = child;
        if (!properties)
            return;
        const char* name = orientation == QPageLayout::Landscape ? "landscape" : "portrait";
        if (auto* radio = properties->findChild<QRadioButton*>(name))
            radio->click();
        properties->accept();
    });
    CDialogScript::Click(dialog, psh2);
}

}  // namespace print_support
