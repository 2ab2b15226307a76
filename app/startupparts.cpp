// Stand-ins for the parts start-up makes elsewhere (see startupparts.h).
#include "app/startupparts.h"

#include "app/mainframe.h"
#include "platform/ui/docmanager.h"
#include "platform/ui/document.h"

// Shows a document as nothing: a view with no content of its own and no
// printing, registered so that documents have a frame to open in.
class CInfoViewStandIn : public CView {
    DECLARE_DYNCREATE(CInfoViewStandIn)
};

IMPLEMENT_DYNCREATE(CInfoViewStandIn, CView)

CFrameWnd* NewMainFrame() { return new CMainFrame; }

CDocManager* NewDocManager() { return new CDocManager; }

const CRuntimeClass* GetInfoViewClass() { return RUNTIME_CLASS(CInfoViewStandIn); }

void StartPrefs() {}
