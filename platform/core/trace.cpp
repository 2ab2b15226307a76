#include "platform/core/trace.h"

#include "platform/core/format.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

namespace {

bool EnabledAtStart() {
#ifdef NDEBUG
    const char* flag = std::getenv("STAFFWRIGHT_TRACE");
    return flag && *flag && std::strcmp(flag, "0") != 0;
#else
    return true;
#endif
}

std::atomic<bool> s_enabled{EnabledAtStart()};
std::atomic<bool> s_hooked{false};   // lets an untraced release build skip the formatting
std::mutex s_lock;
TraceHook s_hook;   // guarded by s_lock

}  // namespace

bool IsTraceEnabled() {
    return s_enabled.load();
}

void SetTraceEnabled(bool enabled) {
    s_enabled.store(enabled);
}

TraceHook SetTraceHook(TraceHook hook) {
    std::lock_guard lock(s_lock);
    s_hooked.store(static_cast<bool>(hook));
    std::swap(s_hook, hook);
    return hook;
}

void Trace(const char* format, ...) {
    if (!s_enabled.load() && !s_hooked.load())
        return;
    va_list args;
    va_start(args, format);
    std::string text = FormatV(format, args);
    va_end(args);

    std::lock_guard lock(s_lock);
    if (s_hook)
        s_hook(text);
    else if (s_enabled.load())
        std::fwrite(text.data(), 1, text.size(), stderr);
}

// ---- CTraceCapture --------------------------------------------------------------

struct CTraceCapture::State {
    mutable std::mutex lock;
    std::string text;
};

CTraceCapture::CTraceCapture() : m_state(std::make_shared<State>()) {
    m_previous = SetTraceHook([state = m_state](const std::string& text) {
        std::lock_guard lock(state->lock);
        state->text += text;
    });
}

CTraceCapture::~CTraceCapture() {
    SetTraceHook(std::move(m_previous));
}

std::string CTraceCapture::GetText() const {
    std::lock_guard lock(m_state->lock);
    return m_state->text;
}
