#include "platform/ui/prompt_script.h"

CPromptScript::CPromptScript() : m_previous(SetPromptHandler(this)) {}

CPromptScript::~CPromptScript() {
    SetPromptHandler(m_previous);
}

void CPromptScript::Answer(int button) {
    std::lock_guard lock(m_lock);
    m_answers.push_back(button);
}

void CPromptScript::Answer(std::initializer_list<int> buttons) {
    std::lock_guard lock(m_lock);
    m_answers.insert(m_answers.end(), buttons.begin(), buttons.end());
}

size_t CPromptScript::GetPending() const {
    std::lock_guard lock(m_lock);
    return m_answers.size();
}

std::vector<PromptRequest> CPromptScript::GetRequests() const {
    std::lock_guard lock(m_lock);
    return m_requests;
}

size_t CPromptScript::GetCount() const {
    std::lock_guard lock(m_lock);
    return m_requests.size();
}

PromptRequest CPromptScript::GetLast() const {
    std::lock_guard lock(m_lock);
    return m_requests.empty() ? PromptRequest{} : m_requests.back();
}

void CPromptScript::Clear() {
    std::lock_guard lock(m_lock);
    m_answers.clear();
    m_requests.clear();
}

int CPromptScript::Show(const PromptRequest& request) {
    std::lock_guard lock(m_lock);
    m_requests.push_back(request);
    if (m_answers.empty())
        return DefaultPromptAnswer(request.flags);
    int answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}
