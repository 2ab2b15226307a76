#include "platform/ui/prompt.h"

#include "platform/core/resources.h"
#include "platform/core/trace.h"

#include <algorithm>
#include <atomic>
#include <cstdio>

namespace {

std::atomic<CPromptHandler*> s_handler{nullptr};

}  // namespace

CPromptHandler* SetPromptHandler(CPromptHandler* handler) {
    return s_handler.exchange(handler);
}

std::vector<int> PromptButtons(unsigned flags) {
    switch (flags & MB_TYPEMASK) {
    case MB_OKCANCEL: return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE: return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL: return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO: return {IDYES, IDNO};
    case MB_RETRYCANCEL: return {IDRETRY, IDCANCEL};
    default: return {IDOK};   // MB_OK, and any set the system does not know
    }
}

int DefaultPromptAnswer(unsigned flags) {
    const std::vector<int> buttons = PromptButtons(flags);
    const size_t index = (flags & MB_DEFMASK) >> 8;
    // MB_DEFBUTTON4 and beyond name no button of ours: the first stands in.
    if (index > 2)
        return buttons.front();
    return buttons[std::min(index, buttons.size() - 1)];
}

int EscapePromptAnswer(unsigned flags) {
    const std::vector<int> buttons = PromptButtons(flags);
    if (std::find(buttons.begin(), buttons.end(), IDCANCEL) != buttons.end())
        return IDCANCEL;
    return buttons.size() == 1 ? buttons.front() : 0;
}

int ShowUnattendedPrompt(const PromptRequest& request) {
    std::fprintf(stderr, "%s%s%s\n", request.caption.c_str(), request.caption.empty() ? "" : ": ",
                 request.text.c_str());
    return DefaultPromptAnswer(request.flags);
}

namespace {

int Show(const PromptRequest& request) {
    if (CPromptHandler* handler = s_handler.load())
        return handler->Show(request);
    return ShowUnattendedPrompt(request);
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
