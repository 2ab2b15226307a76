// The main frame's dialogs: each command runs its dialog modally, owned by
// the frame.
#include "app/mainframe.h"

#include "app/sysexdlg.h"

// System Exclusive (33201, Ctrl+Shift+X): always, with or without a document,
// since what it sends goes straight to the devices.
void CMainFrame::OnSysEx() {
    CSysExDlg dialog(this);
    dialog.Run();
}
