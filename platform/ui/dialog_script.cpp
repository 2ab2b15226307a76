#include "platform/ui/dialog_script.h"

#include <algorithm>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QVariant>
#include <QWidget>

namespace {

CDialogScript* g_script = nullptr;   // user-interface thread only

QWidget* FindControl(CWnd& dialog, int nID) {
    QWidget* widget = dialog.GetWidget();
    return widget ? widget->findChild<QWidget*>(QString::number(nID)) : nullptr;
}

}  // namespace

CDialogScript::CDialogScript() : m_previous(g_script) {
    g_script = this;
}

CDialogScript::~CDialogScript() {
    g_script = m_previous;
}

CDialogScript* CDialogScript::GetActive() {
    return g_script;
}

void CDialogScript::Queue(UINT nIDTemplate, Action action) {
    m_actions.push_back(Queued{nIDTemplate, nullptr, std::move(action)});
}

void CDialogScript::Queue(const CRuntimeClass* pClass, Action action) {
    m_actions.push_back(Queued{0, pClass, std::move(action)});
}

UINT CDialogScript::TakeMenuChoice() {
    if (m_menuChoices.empty())
        return 0;
    const UINT choice = m_menuChoices.front();
    m_menuChoices.pop_front();
    return choice;
}

void CDialogScript::Drive(CWnd& dialog, UINT nIDTemplate, const std::function<bool()>& isOpen,
                          const std::function<void()>& cancel) {
    m_shown.push_back(nIDTemplate);
    // The window's showing and activation are handled first, as a user would
    // see the window before acting in it.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    while (isOpen()) {
        auto found = std::find_if(m_actions.begin(), m_actions.end(), [&](const Queued& queued) {
            return queued.pClass ? dialog.IsKindOf(queued.pClass) : queued.nIDTemplate == nIDTemplate && nIDTemplate != 0;
        });
        if (found == m_actions.end()) {
            cancel();
            return;
        }
        Action action = std::move(found->action);
        m_actions.erase(found);   // before it runs: it may open loops of its own
        action(dialog);
    }
}

void CDialogScript::SetText(CWnd& dialog, int nID, const std::string& text) {
    QWidget* control = FindControl(dialog, nID);
    if (auto* combo = qobject_cast<QComboBox*>(control); combo && combo->isEditable())
        combo->setEditText(QString::fromStdString(text));   // a combo box's field
    else if (CWnd* wnd = CWnd::FromWidget(control))
        wnd->SetWindowText(text.c_str());
    else if (control)
        control->setProperty("text", QString::fromStdString(text));
}

std::string CDialogScript::GetText(CWnd& dialog, int nID) {
    std::string text;
    if (auto* combo = qobject_cast<QComboBox*>(FindControl(dialog, nID)))
        text = combo->currentText().toStdString();
    else if (CWnd* wnd = CWnd::FromWidget(FindControl(dialog, nID)))
        wnd->GetWindowText(text);
    return text;
}

void CDialogScript::Click(CWnd& dialog, int nID) {
    if (auto* button = qobject_cast<QAbstractButton*>(FindControl(dialog, nID)))
        button->click();
}

void CDialogScript::Choose(CWnd& dialog, int nID, int index) {
    QWidget* control = FindControl(dialog, nID);
    if (auto* combo = qobject_cast<QComboBox*>(control)) {
        if (index < 0 || index >= combo->count())
            return;
        combo->setCurrentIndex(index);
        // What the box itself says of a choice made in its list.
        Q_EMIT combo->activated(index);
        Q_EMIT combo->textActivated(combo->itemText(index));
    } else if (auto* view = qobject_cast<QAbstractItemView*>(control); view && view->model()) {
        const QModelIndex item = view->model()->index(index, 0, view->rootIndex());
        if (item.isValid())
            view->setCurrentIndex(item);
    }
}
