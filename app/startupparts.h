// The parts of the program that start-up makes but other units of app/ (and
// the Preferences library) define: the main frame, the document manager, the
// Information view's class and the preference pages' start-up.
//
// CStaffwrightApp reaches them only through these four calls, so the start-up
// order stays in one place. The preference pages' start-up is a stand-in
// (none) until the Preferences library has its own; it then gives way to a
// one-line call of the real thing.
//
// User-interface thread only.
#pragma once

class CDocManager;
class CFrameWnd;
struct CRuntimeClass;

// The main frame, not yet created (made with new; LoadFrame creates it).
CFrameWnd* NewMainFrame();
// The document manager the application hands its templates to (owned by the caller).
CDocManager* NewDocManager();
// The class of the Information view, the program's own registered view.
const CRuntimeClass* GetInfoViewClass();
// Registers the preference pages and sets the selection colour.
void StartPrefs();
