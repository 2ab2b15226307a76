// The message box prompts are shown in: its buttons, default and Escape
// answers, and prompts from other threads answered on the interface thread.
#include "platform/ui/document.h"
#include "platform/ui/prompt.h"
#include "platform/ui/prompt_box.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <thread>
#include <vector>

namespace {

// What the box looked like when the driver found it.
struct Seen {
    bool found = false;
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    std::vector<QMessageBox::StandardButton> buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    bool onInterfaceThread = false;
};

// Waits (on the interface thread's event loop) for the active modal message
// box, records it and hands it to `act`, which answers it as a person would.
void Drive(Seen& seen, std::function<void(QMessageBox&)> act) {
    auto* poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, &seen, act] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        seen.found = true;
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        for (QAbstractButton* button : box->buttons())
            seen.buttons.push_back(box->standardButton(button));
        if (box->defaultButton())
            seen.defaultButton = box->standardButton(box->defaultButton());
        seen.onInterfaceThread = QThread::currentThread() == qApp->thread();
        act(*box);
    });
    poll->start();
}

void PressKey(QMessageBox& box, Qt::Key key) {
    QWidget* target = box.focusWidget() ? box.focusWidget() : &box;
    QTest::keyClick(target, key);
}

QMessageBox::StandardButton ButtonOf(int answer) {
    switch (answer) {
    case IDOK: return QMessageBox::Ok;
    case IDCANCEL: return QMessageBox::Cancel;
    case IDABORT: return QMessageBox::Abort;
    case IDRETRY: return QMessageBox::Retry;
    case IDIGNORE: return QMessageBox::Ignore;
    case IDYES: return QMessageBox::Yes;
    default: return QMessageBox::No;
    }
}

// Each button set with a default button: Enter answers the default, Escape
// its cancel answer, or nothing (0) where only a button may answer.
const struct {
    unsigned flags;
    int enter, escape;
} kSets[] = {
    {MB_OK, IDOK, IDOK},
    {MB_OKCANCEL, IDOK, IDCANCEL},
    {MB_OKCANCEL | MB_DEFBUTTON2, IDCANCEL, IDCANCEL},
    {MB_YESNOCANCEL, IDYES, IDCANCEL},
    {MB_YESNOCANCEL | MB_DEFBUTTON2, IDNO, IDCANCEL},
    {MB_YESNOCANCEL | MB_DEFBUTTON3, IDCANCEL, IDCANCEL},
    {MB_YESNO, IDYES, 0},
    {MB_YESNO | MB_DEFBUTTON2, IDNO, 0},
    {MB_RETRYCANCEL, IDRETRY, IDCANCEL},
    {MB_ABORTRETRYIGNORE, IDABORT, 0},
    {MB_ABORTRETRYIGNORE | MB_DEFBUTTON3, IDIGNORE, 0},
};

}  // namespace

TEST(PromptBox, EnterAnswersTheDefaultButtonOfEachSet) {
    CPromptBox prompts;
    for (const auto& set : kSets) {
        Seen seen;
        Drive(seen, [](QMessageBox& box) { PressKey(box, Qt::Key_Return); });
        EXPECT_EQ(ShowPrompt("Question?", set.flags), set.enter) << set.flags;
        ASSERT_TRUE(seen.found) << set.flags;
        EXPECT_EQ(seen.defaultButton, ButtonOf(set.enter)) << set.flags;
        std::vector<QMessageBox::StandardButton> expected;
        for (int answer : PromptButtons(set.flags))
            expected.push_back(ButtonOf(answer));
        std::sort(seen.buttons.begin(), seen.buttons.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(seen.buttons, expected) << set.flags;
    }
}

TEST(PromptBox, EscapeAnswersCancelOrWaitsForAButton) {
    CPromptBox prompts;
    for (const auto& set : kSets) {
        Seen seen;
        bool stayedOpen = false;
        Drive(seen, [&stayedOpen, set](QMessageBox& box) {
            PressKey(box, Qt::Key_Escape);
            if (set.escape)
                return;
            // Escape answers nothing here: the box stays until a button is pressed.
            stayedOpen = box.isVisible();
            box.buttons().back()->click();
        });
        const int answer = ShowPrompt("Question?", set.flags);
        ASSERT_TRUE(seen.found) << set.flags;
        if (set.escape) {
            EXPECT_EQ(answer, set.escape) << set.flags;
        } else {
            EXPECT_TRUE(stayedOpen) << set.flags;
            EXPECT_NE(answer, 0) << set.flags;
        }
    }
}

TEST(PromptBox, ShowsTheTextCaptionAndIcon) {
    CPromptBox prompts;
    const std::string appName = GetAppName();
    SetAppName("Staffwright");
    const struct {
        unsigned flags;
        std::string caption;
        QString title;
        QMessageBox::Icon icon;
    } cases[] = {
        {MB_OK, "", "Staffwright", QMessageBox::NoIcon},
        {MB_OK | MB_ICONSTOP, "Printing", "Printing", QMessageBox::Critical},
        {MB_YESNO | MB_ICONQUESTION, "", "Staffwright", QMessageBox::Question},
        {MB_OK | MB_ICONEXCLAMATION, "", "Staffwright", QMessageBox::Warning},
        {MB_OK | MB_ICONINFORMATION, "", "Staffwright", QMessageBox::Information},
    };
    for (const auto& c : cases) {
        Seen seen;
        Drive(seen, [](QMessageBox& box) { PressKey(box, Qt::Key_Return); });
        ShowPrompt("The file is missing.", c.flags, c.caption);
        ASSERT_TRUE(seen.found);
        EXPECT_EQ(seen.title, c.title);
        EXPECT_EQ(seen.text, "The file is missing.");
        EXPECT_EQ(seen.icon, c.icon) << c.flags;
    }
    SetAppName(appName);
}

TEST(PromptBox, APromptFromAnotherThreadIsAnsweredOnTheInterfaceThread) {
    CPromptBox prompts;
    Seen seen;
    Drive(seen, [](QMessageBox& box) {
        for (QAbstractButton* button : box.buttons())
            if (box.standardButton(button) == QMessageBox::No)
                button->click();
    });
    std::atomic<int> answer{0};
    std::atomic<bool> done{false};
    std::thread worker([&] {
        answer = ShowPrompt("Write a native file beside it?", MB_YESNO | MB_ICONQUESTION);
        done = true;
    });
    // The interface thread goes on with its events meanwhile, as the program's loop does.
    while (!done)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    worker.join();
    EXPECT_TRUE(seen.found);
    EXPECT_TRUE(seen.onInterfaceThread);
    EXPECT_EQ(answer.load(), IDNO);
}

TEST(PromptBox, PutsBackTheHandlerItReplaced) {
    CPromptHandler* before = SetPromptHandler(nullptr);
    SetPromptHandler(before);
    {
        CPromptBox prompts;
        EXPECT_EQ(SetPromptHandler(&prompts), &prompts);
    }
    EXPECT_EQ(SetPromptHandler(before), before);
}
