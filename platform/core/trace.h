// Debug traces: texts the system writes for its developers (each ending in its
// own line feed). A debug build prints them to standard error; a release build
// (NDEBUG) prints nothing unless STAFFWRIGHT_TRACE is set to a non-empty value
// other than "0" in the environment at start. A test installs a hook to see
// them in either build: while a hook is set, every trace goes to it and none to
// standard error.
//
// Threads: any thread. Each trace reaches the hook or standard error whole; the
// hook is called on the tracing thread, under a lock, so it must not trace.
#pragma once

#include <functional>
#include <memory>
#include <string>

void Trace(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Whether traces are printed (the hook sees them regardless).
bool IsTraceEnabled();
void SetTraceEnabled(bool enabled);

// Installs the hook (an empty function removes it); returns the previous one.
using TraceHook = std::function<void(const std::string& text)>;
TraceHook SetTraceHook(TraceHook hook);

// Collects the traces made during its lifetime (tests), restoring the previous
// hook at the end.
class CTraceCapture {
public:
    CTraceCapture();
    ~CTraceCapture();
    CTraceCapture(const CTraceCapture&) = delete;
    CTraceCapture& operator=(const CTraceCapture&) = delete;

    // Everything traced so far, joined.
    std::string GetText() const;

private:
    struct State;
    std::shared_ptr<State> m_state;
    TraceHook m_previous;
};
