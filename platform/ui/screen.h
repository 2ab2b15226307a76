// The real screen's metrics: the CDesktopMetrics (metrics.h) the program
// installs at start-up once its GUI application object exists, in place of
// the headless desktop's.
//
// The screen and work area are the primary screen's geometry and available
// geometry; its logical dots per inch are the pixels per inch; scroll bar
// widths come from the application's style; the other
// metrics are the headless desktop's. User-interface thread for installing;
// the answers may be read from any thread (the toolkit's screen queries are).
#pragma once

#include "platform/ui/metrics.h"

class CScreenMetrics : public CDesktopMetrics {
public:
    int GetSystemMetrics(int index) const override;
    DesktopRect GetWorkArea() const override;
    DesktopRect GetScreen() const override;
    int GetLogPixelsY() const override;
};

// Installs the one CScreenMetrics of the process (needs a GUI application
// object) and returns the provider it replaces; without one nothing changes
// and null is answered.
CDesktopMetrics* InstallScreenMetrics();
