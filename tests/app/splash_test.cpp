// The splash window: one at a time, the picture's size, closing on the timer
// (manual clock) or at once on a click or a key, and its two text lines.
#include "app/splash.h"

#include "app/about.h"
#include "model/preferences.h"
#include "platform/core/clock.h"
#include "tests/platform/messaging_support.h"

#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

// Moves the clock and lets the timer's message arrive.
void Advance(CManualClock& clock, std::uint64_t ms) {
    clock.Advance(ms);
    for (int i = 0; i < 3; ++i)
        messaging_test::PumpPending();
}

TEST(SplashWnd, OneWindowOfThePicturesSizeWithTheStoredColours) {
    SaveIntPreference("Splash", "MessageColor", 0x0000FF);
    CSplashWnd* splash = CSplashWnd::ShowSplash(nullptr, nullptr);
    ASSERT_NE(splash, nullptr);
    EXPECT_EQ(CSplashWnd::GetSplash(), splash);
    EXPECT_EQ(CSplashWnd::ShowSplash(nullptr, nullptr), nullptr);   // the first stays
    EXPECT_EQ(CSplashWnd::GetSplash(), splash);

    CRect client;
    splash->GetClientRect(&client);
    const CSize picture = splash->GetPicture().GetDimensions();
    EXPECT_EQ(client.Width(), picture.cx);
    EXPECT_EQ(client.Height(), picture.cy);
    EXPECT_EQ(splash->GetVersionColor(), 0x808000u);   // the default
    EXPECT_EQ(splash->GetStatusColor(), 0x0000FFu);    // the setting
    EXPECT_NE(splash->GetPicture().GetPalette(), nullptr);   // made from the picture

    splash->SetVersionText(IDS_SPLASH_VERSION);
    splash->SetSplashMessage(IDS_LOADING_RESOURCES);
    EXPECT_EQ(splash->GetVersionText(), "Version 1.1.01");
    EXPECT_EQ(splash->GetStatusText(), "Loading Resources...");
    // The status strip runs from the status line to the bottom, full width.
    const CRect strip = splash->GetStatusRect();
    EXPECT_EQ(strip.left, 0);
    EXPECT_EQ(strip.right, client.right);
    EXPECT_EQ(strip.bottom, client.bottom);
    EXPECT_GT(strip.top, client.bottom - 40);
    splash->CloseAfter(0);
    EXPECT_EQ(CSplashWnd::GetSplash(), nullptr);
}

TEST(SplashWnd, ClosesWhenTimerOneFalls) {
    CManualClock clock;
    CSplashWnd* splash = CSplashWnd::ShowSplash(nullptr, nullptr);
    ASSERT_NE(splash, nullptr);
    splash->CloseAfter(2000);
    Advance(clock, 1999);
    EXPECT_EQ(CSplashWnd::GetSplash(), splash);
    Advance(clock, 1);
    EXPECT_EQ(CSplashWnd::GetSplash(), nullptr);
}

TEST(SplashWnd, AClickOrAKeyClosesItAtOnce) {
    const struct { const char* what; std::function<void(QWidget*)> input; } cases[] = {
        {"left click", [](QWidget* w) { QTest::mousePress(w, Qt::LeftButton); }},
        {"right click", [](QWidget* w) { QTest::mousePress(w, Qt::RightButton); }},
        {"middle click", [](QWidget* w) { QTest::mousePress(w, Qt::MiddleButton); }},
        {"key", [](QWidget* w) { QTest::keyPress(w, Qt::Key_A); }},
    };
    for (const auto& c : cases) {
        CManualClock clock;
        CSplashWnd* splash = CSplashWnd::ShowSplash(nullptr, nullptr);
        ASSERT_NE(splash, nullptr) << c.what;
        splash->CloseAfter(2000);   // as at start-up: the click comes first
        splash->GetWidget()->setFocus();
        c.input(splash->GetWidget());
        messaging_test::PumpPending();
        EXPECT_EQ(CSplashWnd::GetSplash(), nullptr) << c.what;
        Advance(clock, 3000);   // the timer went with the window
    }
}

TEST(About, ShowsTheSplashOrSetsTheVersionOfTheOneShown) {
    ShowAbout(nullptr);
    CSplashWnd* splash = CSplashWnd::GetSplash();
    ASSERT_NE(splash, nullptr);
    EXPECT_EQ(splash->GetVersionText(), "Version 1.1.01");
    splash->SetVersionText("other");
    ShowAbout(nullptr);
    EXPECT_EQ(CSplashWnd::GetSplash(), splash);
    EXPECT_EQ(splash->GetVersionText(), "Version 1.1.01");
    splash->CloseAfter(0);
}

}  // namespace
