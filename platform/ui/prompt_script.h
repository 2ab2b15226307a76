// A scripted prompt handler for tests of any library: answers prompts from a
// queue and records every request, so a test states what the user will click
// and checks what the system asked.
//
//     CPromptScript prompts;          // installed until it goes out of scope
//     prompts.Answer(IDNO);
//     doc.Close();
//     ASSERT_EQ(prompts.GetCount(), 1u);
//     EXPECT_EQ(prompts.GetLast().stringId, 151u);
//
// A prompt with no queued answer gets its default button (DefaultPromptAnswer),
// as an unattended run would. Any thread may prompt; the queue and the records
// are guarded by a lock. Scripts nest: each restores the handler it replaced.
#pragma once

#include "platform/ui/prompt.h"

#include <cstddef>
#include <deque>
#include <initializer_list>
#include <mutex>
#include <vector>

class CPromptScript : public CPromptHandler {
public:
    CPromptScript();
    ~CPromptScript() override;
    CPromptScript(const CPromptScript&) = delete;
    CPromptScript& operator=(const CPromptScript&) = delete;

    // Queues the answers of the next prompts, in order.
    void Answer(int button);
    void Answer(std::initializer_list<int> buttons);
    // Answers still queued.
    size_t GetPending() const;

    // The prompts shown so far, in order.
    std::vector<PromptRequest> GetRequests() const;
    size_t GetCount() const;
    // The last prompt (an empty request when there was none).
    PromptRequest GetLast() const;
    // Forgets the requests and the queued answers.
    void Clear();

    int Show(const PromptRequest& request) override;

private:
    mutable std::mutex m_lock;
    std::deque<int> m_answers;              // guarded by m_lock
    std::vector<PromptRequest> m_requests;  // guarded by m_lock
    CPromptHandler* m_previous;             // borrowed: restored at the end
};
