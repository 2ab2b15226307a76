// The parts start-up makes elsewhere (see startupparts.h).
#include "app/startupparts.h"

#include "app/docmanager.h"
#include "app/infoview.h"
#include "app/mainframe.h"
#include "preferences/prefswnd.h"

CFrameWnd* NewMainFrame() { return new CMainFrame; }

CDocManager* NewDocManager() { return new MCDocManager; }

const CRuntimeClass* GetInfoViewClass() { return RUNTIME_CLASS(CInfoView); }

// The preference sheet's selection colour and its pages.
void StartPrefs() { InitPrefs(); }
