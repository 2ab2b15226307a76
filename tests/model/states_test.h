// Helpers of the state tests: a performance held by the test, a log that
// handlers and states write to, and a state that notes its action and its end.
#pragma once

#include "model/performance.h"
#include "model/states.h"

#include <string>
#include <vector>

namespace statetest {

// A performance the test holds a reference on, so that the reference a
// delivery releases never deletes it.
class HeldPerformance {
public:
    HeldPerformance() : m_performance(new ECPerformance) { m_performance->Ref(); }
    ~HeldPerformance() { m_performance->Unref(1); }
    HeldPerformance(const HeldPerformance&) = delete;
    HeldPerformance& operator=(const HeldPerformance&) = delete;

    ECPerformance* get() const { return m_performance; }
    ECPerformance* operator->() const { return m_performance; }

private:
    ECPerformance* m_performance;
};

// What happened, in order, as words.
struct Log {
    std::vector<std::string> entries;
    std::string Joined() const {
        std::string all;
        for (const auto& entry : entries)
            all += (all.empty() ? "" : " ") + entry;
        return all;
    }
};

// A state that logs "do" for its action and "deleted" at its end.
class LoggedState : public SCBase {
public:
    LoggedState(unsigned code, Log& log) : SCBase(code), m_log(log) {}
    ~LoggedState() override { m_log.entries.push_back("deleted"); }
    void DoState() override { m_log.entries.push_back("do"); }

private:
    Log& m_log;
};

// A named handler: user data is one of these; it logs its name and the code.
struct NamedHandler {
    std::string name;
    Log* log;
    ECBase* lastOwner = nullptr;
    int lastFlag = -1;
};

inline int LogHandler(ECBase* owner, int flag, void* state, void* user) {
    auto* handler = static_cast<NamedHandler*>(user);
    handler->lastOwner = owner;
    handler->lastFlag = flag;
    handler->log->entries.push_back(handler->name + ":" +
                                    std::to_string(static_cast<SCBase*>(state)->GetCode()));
    return 1;
}

}  // namespace statetest
