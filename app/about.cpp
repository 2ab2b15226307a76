#include "app/about.h"

#include "app/splash.h"

void ShowAbout(CPalette* palette) {
    if (CSplashWnd* splash = CSplashWnd::GetSplash())
        splash->SetVersionText(IDS_SPLASH_VERSION);
    else if (CSplashWnd* shown = CSplashWnd::ShowSplash(nullptr, palette))
        shown->SetVersionText(IDS_SPLASH_VERSION);
}
