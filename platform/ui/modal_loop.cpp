#include "platform/ui/modal_loop.h"

#include "platform/ui/dialog_script.h"
#include "platform/ui/prompt.h"

#include <QEventLoop>

int CModalLoop::Run(CWnd& window, UINT nIDTemplate, const std::function<void()>& cancel) {
    m_running = true;
    if (!m_ended) {
        if (CDialogScript* script = CDialogScript::GetActive()) {
            script->Drive(window, nIDTemplate, [this] { return !m_ended; }, cancel);
            if (!m_ended)
                End(IDCANCEL);
        } else {
            QEventLoop loop;
            m_loop = &loop;
            loop.exec(QEventLoop::DialogExec);
            m_loop = nullptr;
        }
    }
    m_running = false;
    return m_result;
}

void CModalLoop::End(int nResult) {
    m_result = nResult;
    m_ended = true;
    if (m_loop)
        m_loop->exit();
}

void CModalLoop::Reset() {
    m_ended = false;
    m_result = -1;
}
