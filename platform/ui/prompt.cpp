#include "platform/ui/prompt.h"

#include "platform/core/resources.h"
#include "platform/core/trace.h"

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

namespace {

int Show(const PromptRequest& request) {
    if (CPromptHandler* handler = s_handler.load())
        return handler->Show(request);
    std::fprintf(stderr, "%s%s%s\n", request.caption.c_str(), request.caption.empty() ? "" : ": ",
                 request.text.c_str());
    return DefaultPromptAnswer(request.flags);
}

}  // namespace

int ShowPrompt(const std::string& text, unsigned flags, const std::string& caption) {
    return Show(PromptRequest{text, caption, flags, 0});
}

int ShowPrompt(unsigned stringId, unsigned flags, const std::string& caption) {
    std::string text;
    if (!LoadString(stringId, text))
        Trace("ShowPrompt: no string %u\n", stringId);
    return Show(PromptRequest{text, caption, flags, stringId});
}
