// Windows over widgets: Qt's events as messages and the handlers they reach,
// messages by handle, timers on the manual clock, the platform's capture and
// key state, notifications offered to the control first, and what a handler
// lets through to the widget.
#include "platform/ui/button.h"
#include "platform/ui/keys.h"
#include "platform/ui/msgmap.h"
#include "platform/ui/wnd.h"

#include "platform/core/clock.h"
#include "tests/platform/messaging_support.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr UINT WM_TESTPOSTED = WM_USER + 7;
constexpr UINT IDC_BUTTON = 1001;

// A window noting the messages its handlers receive.
class CNotingWnd : public CWnd {
public:
    std::vector<std::string> notes;
    std::vector<UINT> keyFlags;   // the high word of each key message's data

    afx_msg void OnClicked() { notes.push_back("clicked"); }
    afx_msg LRESULT OnPosted(WPARAM wParam, LPARAM lParam) {
        notes.push_back("posted " + std::to_string(wParam) + " " + std::to_string(lParam));
        return 0;
    }
    afx_msg void OnTimer(UINT_PTR nIDEvent) { notes.push_back("timer " + std::to_string(nIDEvent)); }
    afx_msg void OnCaptureChanged(CWnd* pWnd) {
        notes.push_back(std::string("capture lost") + (pWnd ? " to a window" : ""));
    }
    afx_msg void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) {
        notes.push_back("down " + std::to_string(nChar) + " x" + std::to_string(nRepCnt));
        keyFlags.push_back(nFlags);
    }
    afx_msg void OnKeyUp(UINT nChar, UINT, UINT nFlags) {
        notes.push_back("up " + std::to_string(nChar));
        keyFlags.push_back(nFlags);
    }
    afx_msg void OnChar(UINT nChar, UINT, UINT) { notes.push_back("char " + std::string(1, static_cast<char>(nChar))); }
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point) {
        notes.push_back("lbutton " + std::to_string(point.x) + "," + std::to_string(point.y) +
                        ((nFlags & MK_LBUTTON) ? " held" : ""));
    }
    afx_msg void OnActivateApp(BOOL bActive, DWORD) { notes.push_back(bActive ? "active" : "inactive"); }
    afx_msg void OnSysColorChange() { notes.push_back("colours"); }
    afx_msg LRESULT OnThrow(WPARAM, LPARAM) { throw std::runtime_error("handler failed"); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CNotingWnd, CWnd)
    ON_BN_CLICKED(IDC_BUTTON, &CNotingWnd::OnClicked)
    ON_MESSAGE(WM_TESTPOSTED, &CNotingWnd::OnPosted)
    ON_MESSAGE(WM_TESTPOSTED + 1, &CNotingWnd::OnThrow)
    ON_WM_TIMER()
    ON_WM_CAPTURECHANGED()
    ON_WM_KEYDOWN()
    ON_WM_KEYUP()
    ON_WM_CHAR()
    ON_WM_LBUTTONDOWN()
    ON_WM_ACTIVATEAPP()
    ON_WM_SYSCOLORCHANGE()
END_MESSAGE_MAP()

// A button that takes its own clicks when told to (reflection).
class CSelfishButton : public CButton {
public:
    bool m_keepClicks = false;
    int m_ownClicks = 0;
    afx_msg BOOL OnReflectedClick() {
        ++m_ownClicks;
        return m_keepClicks ? TRUE : FALSE;   // FALSE: the parent gets it too
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CSelfishButton, CButton)
    ON_CONTROL_REFLECT_EX(BN_CLICKED, &CSelfishButton::OnReflectedClick)
END_MESSAGE_MAP()

constexpr UINT NM_TESTCLICK = static_cast<UINT>(-2);   // notification codes are often negative

// A control that notifies its parent, and may keep the notification.
class CNotifier : public CWnd {
public:
    bool m_keep = false;
    int m_seen = 0;
    LRESULT Notify() {
        NMHDR header;
        header.hwndFrom = m_hWnd;
        header.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID());
        header.code = NM_TESTCLICK;
        return GetParent()->SendMessage(WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
    }
    afx_msg BOOL OnReflected(NMHDR*, LRESULT* pResult) {
        ++m_seen;
        *pResult = 7;
        return m_keep ? TRUE : FALSE;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CNotifier, CWnd)
    ON_NOTIFY_REFLECT_EX(NM_TESTCLICK, &CNotifier::OnReflected)
END_MESSAGE_MAP()

// A parent taking the notifications of control 1003.
class CNotified : public CWnd {
public:
    std::vector<UINT> codes;
    afx_msg void OnTestClick(NMHDR* pNMHDR, LRESULT* pResult) {
        codes.push_back(pNMHDR->code);
        *pResult = 9;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CNotified, CWnd)
    ON_NOTIFY(NM_TESTCLICK, 1003, &CNotified::OnTestClick)
END_MESSAGE_MAP()

// An edit made elsewhere, taken over: digits are refused, anything else typed
// is the edit's own business.
class CDigitFilter : public CWnd {
public:
    afx_msg void OnChar(UINT nChar, UINT, UINT) {
        if (nChar < '0' || nChar > '9')
            Default();
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDigitFilter, CWnd)
    ON_WM_CHAR()
END_MESSAGE_MAP()

// A window noting its end.
class CEnding : public CWnd {
public:
    std::vector<std::string>* log = nullptr;
    afx_msg void OnDestroy() { log->push_back("destroy"); }
    afx_msg void OnNcDestroy() { log->push_back("ncdestroy"); }
    void PostNcDestroy() override { log->push_back("post"); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CEnding, CWnd)
    ON_WM_DESTROY()
    ON_WM_NCDESTROY()
END_MESSAGE_MAP()

class Windows : public ::testing::Test {
protected:
    Windows() {
        EXPECT_TRUE(main.Create(nullptr, "Main", WS_VISIBLE, CRect(0, 0, 300, 200), nullptr, 0));
    }
    ~Windows() override { ReleaseCapture(); }

    void SendKey(QWidget* widget, QEvent::Type type, int key, const QString& text, bool repeat = false,
                 Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QKeyEvent event(type, key, modifiers, text, repeat);
        QApplication::sendEvent(widget, &event);
    }

    CNotingWnd main;
};

TEST_F(Windows, AClickOnTheButtonArrivesAtItsParentAsBnClicked) {
    CSelfishButton button;
    ASSERT_TRUE(button.Create("&Go", WS_VISIBLE, CRect(10, 10, 90, 40), &main, IDC_BUTTON));
    auto* widget = main.GetWidget()->findChild<QPushButton*>("1001");
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->text(), "&Go");

    QTest::mouseClick(widget, Qt::LeftButton);
    EXPECT_EQ(main.notes, std::vector<std::string>{"clicked"});
    EXPECT_EQ(button.m_ownClicks, 1);   // offered to the button first

    // A button that keeps its click: the parent never sees it.
    button.m_keepClicks = true;
    QTest::mouseClick(widget, Qt::LeftButton);
    EXPECT_EQ(main.notes.size(), 1u);
    EXPECT_EQ(button.m_ownClicks, 2);
}

TEST(Notifications, OfferedToTheControlFirstWhichMayKeepThem) {
    CNotified parent;
    ASSERT_TRUE(parent.Create(nullptr, nullptr, 0, CRect(0, 0, 100, 100), nullptr, 0));
    CNotifier control;
    ASSERT_TRUE(control.Create(nullptr, nullptr, WS_CHILD, CRect(0, 0, 10, 10), &parent, 1003));
    EXPECT_EQ(control.Notify(), 9);   // the parent's answer
    EXPECT_EQ(parent.codes, std::vector<UINT>{NM_TESTCLICK});
    control.m_keep = true;
    EXPECT_EQ(control.Notify(), 7);   // the control's own
    EXPECT_EQ(parent.codes.size(), 1u);
    EXPECT_EQ(control.m_seen, 2);
}

TEST_F(Windows, AMessagePostedToTheHandleReachesItsOnMessage) {
    // (Pumping also lets the window system activate the window: only the posted note counts.)
    const auto posted = [&] { return std::count(main.notes.begin(), main.notes.end(), "posted 3 4"); };
    EXPECT_TRUE(::PostMessage(main.GetSafeHwnd(), WM_TESTPOSTED, 3, 4));
    EXPECT_EQ(posted(), 0);   // posted: not yet
    ASSERT_TRUE(messaging_test::PumpUntil([&] { return posted() != 0; }));
    EXPECT_EQ(posted(), 1);
    EXPECT_EQ(CWnd::FromHandle(main.GetSafeHwnd()), &main);
}

TEST_F(Windows, ATimerOfNoElapseTicksAfterTenMilliseconds) {
    CManualClock clock;
    ASSERT_EQ(main.SetTimer(100, 0), 100u);
    clock.Advance(9);
    messaging_test::PumpPending();
    const auto ticks = [&] { return std::count(main.notes.begin(), main.notes.end(), "timer 100"); };
    EXPECT_EQ(ticks(), 0);
    clock.Advance(1);
    ASSERT_TRUE(messaging_test::PumpUntil([&] { return ticks() != 0; }));
    EXPECT_EQ(ticks(), 1);
    EXPECT_TRUE(main.KillTimer(100));
}

TEST_F(Windows, CaptureTakenByASecondWindowTellsTheFirstAndRedirectsTheMouse) {
    CNotingWnd second;
    ASSERT_TRUE(second.Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, CRect(100, 50, 200, 150), &main, 2));
    EXPECT_EQ(main.SetCapture(), nullptr);
    EXPECT_EQ(second.SetCapture(), &main);
    EXPECT_EQ(CWnd::GetCapture(), &second);
    EXPECT_EQ(main.notes, std::vector<std::string>{"capture lost to a window"});

    // A press on the main window goes to the holder, in its own coordinates.
    QTest::mousePress(main.GetWidget(), Qt::LeftButton, Qt::NoModifier, QPoint(20, 30));
    EXPECT_EQ(second.notes, std::vector<std::string>{"lbutton -80,-20 held"});
    EXPECT_EQ(main.notes.size(), 1u);
    QTest::mouseRelease(main.GetWidget(), Qt::LeftButton, Qt::NoModifier, QPoint(20, 30));

    EXPECT_TRUE(ReleaseCapture());
    EXPECT_EQ(second.notes.back(), "capture lost");
    EXPECT_FALSE(ReleaseCapture());
    QTest::mousePress(main.GetWidget(), Qt::LeftButton, Qt::NoModifier, QPoint(20, 30));
    EXPECT_EQ(main.notes.back(), "lbutton 20,30 held");
    QTest::mouseRelease(main.GetWidget(), Qt::LeftButton, Qt::NoModifier, QPoint(20, 30));
}

TEST_F(Windows, KeysArriveByVirtualKeyWithTheRepeatBit) {
    QWidget* widget = main.GetWidget();
    SendKey(widget, QEvent::KeyPress, Qt::Key_Shift, QString());
    EXPECT_LT(GetKeyState(VK_SHIFT), 0);
    SendKey(widget, QEvent::KeyPress, Qt::Key_A, "A", false, Qt::ShiftModifier);
    SendKey(widget, QEvent::KeyPress, Qt::Key_A, "A", true, Qt::ShiftModifier);
    SendKey(widget, QEvent::KeyRelease, Qt::Key_A, "A", false, Qt::ShiftModifier);
    SendKey(widget, QEvent::KeyRelease, Qt::Key_Shift, QString(), false, Qt::ShiftModifier);
    EXPECT_GE(GetKeyState(VK_SHIFT), 0);
    EXPECT_EQ(main.notes, (std::vector<std::string>{"down 16 x1", "down 65 x1", "char A", "down 65 x1", "char A",
                                                    "up 65", "up 16"}));
    // Bit 30 of the key data is bit 14 of the flags: set on a repeat and on a release.
    const UINT repeatBit = 1u << 14;
    const UINT upBit = 1u << 15;
    ASSERT_EQ(main.keyFlags.size(), 5u);
    EXPECT_EQ(main.keyFlags[1] & repeatBit, 0u);
    EXPECT_EQ(main.keyFlags[2] & repeatBit, repeatBit);
    EXPECT_EQ(main.keyFlags[3] & (repeatBit | upBit), repeatBit | upBit);
}

TEST_F(Windows, VirtualKeysOfTheToolkitsKeys) {
    const struct {
        int qtKey;
        bool keypad;
        UINT expected;
    } cases[] = {
        {Qt::Key_Shift, false, 16},      {Qt::Key_Control, false, 17}, {Qt::Key_Alt, false, 18},
        {Qt::Key_A, false, 'A'},         {Qt::Key_7, false, '7'},      {Qt::Key_7, true, VK_NUMPAD0 + 7},
        {Qt::Key_F1, false, VK_F1},      {Qt::Key_Exclam, false, '1'}, {Qt::Key_Question, false, VK_OEM_2},
        {Qt::Key_Escape, false, 27},     {Qt::Key_Delete, false, 46},  {Qt::Key_ScrollLock, false, VK_SCROLL},
        {Qt::Key_unknown, false, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(VirtualKeyFromQt(c.qtKey, c.keypad), c.expected) << c.qtKey;
}

TEST_F(Windows, ScrollLockTogglesAtEachPressButNotAtItsRepeats) {
    QWidget* widget = main.GetWidget();
    const bool before = (GetKeyState(VK_SCROLL) & 1) != 0;
    SendKey(widget, QEvent::KeyPress, Qt::Key_ScrollLock, QString());
    SendKey(widget, QEvent::KeyPress, Qt::Key_ScrollLock, QString(), true);
    EXPECT_NE((GetKeyState(VK_SCROLL) & 1) != 0, before);
    EXPECT_LT(GetKeyState(VK_SCROLL), 0);
    SendKey(widget, QEvent::KeyRelease, Qt::Key_ScrollLock, QString());
    SendKey(widget, QEvent::KeyPress, Qt::Key_ScrollLock, QString());
    SendKey(widget, QEvent::KeyRelease, Qt::Key_ScrollLock, QString());
    EXPECT_EQ((GetKeyState(VK_SCROLL) & 1) != 0, before);
}

TEST_F(Windows, WhatAHandlerHandsToTheDefaultReachesTheWidget) {
    auto* edit = new QLineEdit(main.GetWidget());
    edit->setObjectName("1002");
    CDigitFilter filter;
    ASSERT_TRUE(filter.SubclassDlgItem(1002, &main));
    EXPECT_EQ(filter.GetDlgCtrlID(), 1002);
    EXPECT_EQ(main.GetDlgItem(1002), &filter);
    EXPECT_EQ(filter.GetParent(), &main);
    QTest::keyClicks(edit, "a1b2");
    EXPECT_EQ(edit->text(), "ab");
    // The keys the edit took are not the parent's.
    EXPECT_TRUE(main.notes.empty());
    EXPECT_EQ(filter.UnsubclassWindow(), edit);
    QTest::keyClicks(edit, "3");
    EXPECT_EQ(edit->text(), "ab3");
}

TEST_F(Windows, AnExceptionEscapingAHandlerGoesToTheHook) {
    std::vector<UINT> failed;
    WndProcExceptionHook previous = SetWndProcExceptionHook([&](std::exception_ptr error, const MSG& msg) -> LRESULT {
        EXPECT_TRUE(error);
        failed.push_back(msg.message);
        return 42;
    });
    EXPECT_EQ(main.SendMessage(WM_TESTPOSTED + 1), 42);
    SetWndProcExceptionHook(std::move(previous));
    EXPECT_EQ(failed, std::vector<UINT>{WM_TESTPOSTED + 1});

    // The default hook reports through the handler error reporter.
    std::vector<std::string> reported;
    {
        messaging_test::CollectReportedErrors collect(reported);
        EXPECT_EQ(main.SendMessage(WM_TESTPOSTED + 1), 0);
    }
    EXPECT_EQ(reported, std::vector<std::string>{"handler failed"});
}

TEST_F(Windows, ApplicationStateAndPaletteReachTheTopLevelWindows) {
    CNotingWnd child;
    ASSERT_TRUE(child.Create(nullptr, nullptr, WS_CHILD, CRect(0, 0, 10, 10), &main, 3));
    Q_EMIT qApp->applicationStateChanged(Qt::ApplicationInactive);
    Q_EMIT qApp->applicationStateChanged(Qt::ApplicationActive);
    Q_EMIT qApp->applicationStateChanged(Qt::ApplicationActive);   // no change: no message

    const QPalette original = QApplication::palette();
    QPalette changed = original;
    changed.setColor(QPalette::Base, QColor(1, 2, 3));
    QApplication::setPalette(changed);
    QApplication::setPalette(original);

    EXPECT_EQ(main.notes, (std::vector<std::string>{"inactive", "active", "colours", "colours"}));
    EXPECT_TRUE(child.notes.empty());
}

TEST_F(Windows, DestroyingSendsDestroyAndLetsTheHandleGo) {
    std::vector<std::string> log;
    CEnding ending;
    ending.log = &log;
    ASSERT_TRUE(ending.Create(nullptr, nullptr, WS_CHILD, CRect(0, 0, 10, 10), &main, 4));
    const HWND handle = ending.GetSafeHwnd();
    EXPECT_TRUE(ending.DestroyWindow());
    EXPECT_EQ(log, (std::vector<std::string>{"destroy", "ncdestroy", "post"}));
    EXPECT_FALSE(::IsWindow(handle));
    EXPECT_EQ(ending.GetWidget(), nullptr);
    EXPECT_FALSE(ending.DestroyWindow());
}

}  // namespace

// The pointer's moves with no button held reach every window, as the
// score's tools need to follow it before a click: the toolkit delivers them
// only to widgets that track the mouse.
TEST_F(Windows, EveryWindowHearsThePointerMoveWithNoButtonHeld) {
    CNotingWnd child;
    ASSERT_TRUE(child.Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, CRect(100, 50, 200, 150), &main, 2));
    CButton button;
    ASSERT_TRUE(button.Create("&Go", WS_VISIBLE, CRect(10, 10, 90, 40), &main, IDC_BUTTON));
    for (CWnd* window : {static_cast<CWnd*>(&main), static_cast<CWnd*>(&child), static_cast<CWnd*>(&button)})
        EXPECT_TRUE(window->GetWidget()->hasMouseTracking());
}
