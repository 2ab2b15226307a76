// The message box behind prompts (see prompt_box.h).
#include "platform/ui/prompt_box.h"

#include "platform/ui/document.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>

#include <utility>
#include <vector>

namespace {

QMessageBox::StandardButton StandardButtonOf(int answer) {
    switch (answer) {
    case IDCANCEL: return QMessageBox::Cancel;
    case IDABORT: return QMessageBox::Abort;
    case IDRETRY: return QMessageBox::Retry;
    case IDIGNORE: return QMessageBox::Ignore;
    case IDYES: return QMessageBox::Yes;
    case IDNO: return QMessageBox::No;
    default: return QMessageBox::Ok;
    }
}

QMessageBox::Icon IconOf(unsigned flags) {
    switch (flags & MB_ICONMASK) {
    case MB_ICONSTOP: return QMessageBox::Critical;
    case MB_ICONQUESTION: return QMessageBox::Question;
    case MB_ICONEXCLAMATION: return QMessageBox::Warning;
    case MB_ICONASTERISK: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

// The message box picks an escape button of its own (a lone "No" role, the
// "Abort" of Abort/Retry/Ignore) and answers it on Escape or the close box;
// a prompt without an escape answer must wait for a button instead.
class CNoEscape : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->matches(QKeySequence::Cancel)) {
                event->accept();
                return true;
            }
        }
        if (event->type() == QEvent::Close) {
            event->ignore();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }
};

}  // namespace

CPromptBox::CPromptBox() : m_previous(SetPromptHandler(this)) {}

CPromptBox::~CPromptBox() { SetPromptHandler(m_previous); }

int CPromptBox::Show(const PromptRequest& request) {
    auto* application = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!application)
        return ShowUnattendedPrompt(request);
    if (QThread::currentThread() == application->thread())
        return ShowHere(request);
    // The caller waits for the answer: the box lives on the interface thread.
    int answer = DefaultPromptAnswer(request.flags);
    QMetaObject::invokeMethod(application, [&request] { return ShowHere(request); },
                              Qt::BlockingQueuedConnection, &answer);
    return answer;
}

int CPromptBox::ShowHere(const PromptRequest& request) {
    QWidget* owner = QApplication::activeModalWidget();
    if (!owner)
        owner = QApplication::activeWindow();
    const std::string& caption = request.caption.empty() ? GetAppName() : request.caption;

    QMessageBox box(owner);
    box.setWindowTitle(QString::fromStdString(caption));
    box.setText(QString::fromStdString(request.text));
    box.setIcon(IconOf(request.flags));
    box.setWindowModality(Qt::ApplicationModal);

    std::vector<std::pair<QPushButton*, int>> buttons;
    for (int answer : PromptButtons(request.flags))
        buttons.emplace_back(box.addButton(StandardButtonOf(answer)), answer);
    const int defaultAnswer = DefaultPromptAnswer(request.flags);
    const int escapeAnswer = EscapePromptAnswer(request.flags);
    CNoEscape noEscape;
    for (const auto& [button, answer] : buttons) {
        if (answer == defaultAnswer)
            box.setDefaultButton(button);
        if (answer == escapeAnswer)
            box.setEscapeButton(button);
    }
    if (!escapeAnswer)
        box.installEventFilter(&noEscape);

    box.exec();
    for (const auto& [button, answer] : buttons)
        if (box.clickedButton() == button)
            return answer;
    // The box went without a button (its owner closed under it): what
    // Escape would have answered, or the default where Escape answers nothing.
    return escapeAnswer ? escapeAnswer : defaultAnswer;
}
