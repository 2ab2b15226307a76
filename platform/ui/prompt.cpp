#include "platform/ui/prompt.h"

#include <atomic>
#include <cstdio>

namespace {

std::atomic<CPromptHandler*> s_handler{nullptr};

// The buttons of each button set, in order.
int ButtonAt(unsigned type, int index) {
    static const int buttons[][3] = {
        {IDOK, IDOK, IDOK},         {IDOK, IDCANCEL, IDCANCEL},
        {IDABORT, IDRETRY, IDIGNORE}, {IDYES, IDNO, IDCANCEL},
        {IDYES, IDNO, IDNO},        {IDRETRY, IDCANCEL, IDCANCEL},
    };
    if (type >= sizeof(buttons) / sizeof(buttons[0]))
        type = MB_OK;
    return buttons[type][index];
}

}  // namespace

CPromptHandler* SetPromptHandler(CPromptHandler* handler) {
    return s_handler.exchange(handler);
}

int DefaultPromptAnswer(unsigned flags) {
    int index = static_cast<int>((flags & MB_DEFMASK) >> 8);
    return ButtonAt(flags & MB_TYPEMASK, index > 2 ? 0 : index);
}

int ShowPrompt(const std::string& text, unsigned flags, const std::string& caption) {
    PromptRequest request{text, caption, flags};
    if (CPromptHandler* handler = s_handler.load())
        return handler->Show(request);
    std::fprintf(stderr, "%s%s%s\n", caption.c_str(), caption.empty() ? "" : ": ", text.c_str());
    return DefaultPromptAnswer(flags);
}
