// The main frame's dialogs: each command runs its dialog modally, owned by
// the frame. The document dialogs work on the active document; the views send
// their commands here too, so with no document they do nothing.
#include "app/mainframe.h"

#include "app/addmeasuresdlg.h"
#include "app/addstaffdlg.h"
#include "app/changestaffdlg.h"
#include "app/gotodlg.h"
#include "app/pagedlgs.h"
#include "app/removemeasuresdlg.h"
#include "app/removestaffdlg.h"
#include "app/sysexdlg.h"
#include "app/timebar.h"
#include "interface/document/opusdoc.h"
#include "model/time.h"

namespace {

// Runs a document dialog on the active document, when there is one.
template <typename Dialog>
void RunOnActiveDoc(CWnd* parent) {
    MCOpusDoc* doc = MCOpusDoc::GetActiveDoc();
    if (doc == nullptr)
        return;
    Dialog dialog(parent);
    dialog.Run(doc);
}

}  // namespace

// Add Page (39130) and Remove Page (39131): their dialogs alone; no menu
// offers them and nothing follows their buttons.
void CMainFrame::OnAddPage() {
    CAddPageDlg dialog(this);
    dialog.DoModal();
}

void CMainFrame::OnRemovePage() {
    CRemovePageDlg dialog(this);
    dialog.DoModal();
}

void CMainFrame::OnAddStaff() {
    RunOnActiveDoc<CAddStaffDlg>(this);
}

void CMainFrame::OnRemoveStaff() {
    RunOnActiveDoc<CRemoveStaffDlg>(this);
}

void CMainFrame::OnChangeStaff() {
    RunOnActiveDoc<CChangeStaffDlg>(this);
}

void CMainFrame::OnAddMeasures() {
    RunOnActiveDoc<CAddMeasuresDlg>(this);
}

void CMainFrame::OnRemoveMeasures() {
    RunOnActiveDoc<CRemoveMeasuresDlg>(this);
}

// Go To (39140, Ctrl+G): from the location the time bar shows.
void CMainFrame::OnGoto() {
    MCOpusDoc* doc = MCOpusDoc::GetActiveDoc();
    if (doc == nullptr)
        return;
    const MCTime current = m_pTimeBar != nullptr ? m_pTimeBar->GetTime() : MCTime();
    CGotoDlg dialog(this, current);
    dialog.Run(doc);
}

// System Exclusive (33201, Ctrl+Shift+X): always, with or without a document,
// since what it sends goes straight to the devices.
void CMainFrame::OnSysEx() {
    CSysExDlg dialog(this);
    dialog.Run();
}
