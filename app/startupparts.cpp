// The parts start-up makes elsewhere (see startupparts.h).
#include "app/startupparts.h"

#include "app/docmanager.h"
#include "app/infoview.h"
#include "app/mainframe.h"

CFrameWnd* NewMainFrame() { return new CMainFrame; }

CDocManager* NewDocManager() { return new MCDocManager; }

const CRuntimeClass* GetInfoViewClass() { return RUNTIME_CLASS(CInfoView); }

// Until the Preferences library has its pages, there is nothing to register.
void StartPrefs() {}
