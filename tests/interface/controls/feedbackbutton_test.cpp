// The repeating button on the manual clock: the first repeat at 500 ms, then
// one every 50 ms while the pointer is over the button, edges included.
#include "interface/controls/feedbackbutton.h"

#include "platform/core/clock.h"
#include "tests/interface/controls/parent_support.h"
#include "tests/platform/messaging_support.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

constexpr UINT kId = 701;

TEST(FeedbackButton, RepeatsWhileHeldAndPausesWhileThePointerIsOutside) {
    CManualClock clock;
    button_test::CButtonParent parent;
    MCFeedbackButton button;
    ASSERT_TRUE(button.Create("", WS_VISIBLE | BS_OWNERDRAW, CRect(0, 0, 20, 20), &parent, kId));
    button.SetButtonMode(0);
    const auto move = [&](QPoint point) {
        QMouseEvent event(QEvent::MouseMove, point, button.GetWidget()->mapToGlobal(point), Qt::NoButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(button.GetWidget(), &event);
    };
    // Moves the clock in steps of `step`, letting each tick and its post arrive.
    const auto advance = [&](int ms, int step) {
        for (int moved = 0; moved < ms; moved += step) {
            clock.Advance(static_cast<std::uint64_t>(step));
            for (int i = 0; i < 3; ++i)
                messaging_test::PumpPending();
        }
    };
    const auto repeats = [&] { return parent.commands.size(); };

    QTest::mousePress(button.GetWidget(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    advance(499, 1);
    EXPECT_EQ(repeats(), 0u);
    advance(1, 1);
    EXPECT_EQ(repeats(), 1u);   // at 500 ms
    advance(500, 50);
    EXPECT_EQ(repeats(), 11u);   // then every 50 ms: by 1000 ms
    EXPECT_EQ(parent.commands.back(), kId);

    move({30, 5});
    advance(200, 50);
    EXPECT_EQ(repeats(), 11u);   // none while outside
    move({20, 20});               // the bottom-right edge counts as over it
    advance(100, 50);
    EXPECT_EQ(repeats(), 13u);

    move({5, 5});
    QTest::mouseRelease(button.GetWidget(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    const size_t released = repeats();   // the release's own click
    advance(200, 50);
    EXPECT_EQ(repeats(), released);   // the timer stopped
}

}  // namespace
