// A test's fault hook for one kind of file work. The work asks it at each step
// with the path the step works on; it answers an errno value to fail the step
// with, or 0 to let the step run. Only tests install one; with none installed
// every step runs.
//
// Threads: any thread. The hook is copied out under the lock and called
// without it, so a hook may do file work of its own.
#pragma once

#include <functional>
#include <mutex>
#include <string>

template <class Step>
class CFaultHook {
public:
    using Hook = std::function<int(Step step, const std::string& path)>;

    // Installs `hook` (empty: none); returns the previous one.
    Hook Set(Hook hook) {
        std::lock_guard guard(m_lock);
        Hook previous = std::move(m_hook);
        m_hook = std::move(hook);
        return previous;
    }

    // The errno value to fail the step with; 0 to let it run.
    int FaultFor(Step step, const std::string& path) const {
        Hook hook;
        {
            std::lock_guard guard(m_lock);
            hook = m_hook;
        }
        return hook ? hook(step, path) : 0;
    }

private:
    mutable std::mutex m_lock;
    Hook m_hook;   // guarded by m_lock
};
