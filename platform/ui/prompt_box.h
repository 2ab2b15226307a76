// The program's prompt handler: each prompt is a modal message box with the
// prompt's text, caption (the application's name when it has none), icon and
// buttons, its default button focused; the box answers the button pressed.
// Escape and the close box answer EscapePromptAnswer, and do nothing where
// that is none (Yes/No, Abort/Retry/Ignore), as only a button may answer those.
//
// Installed for its lifetime (the handler it replaced comes back after).
// Any thread may prompt: a call off the user-interface thread waits while the
// box is shown and answered on that thread (which must not be waiting for
// the caller meanwhile). Without a widget application (a
// command-line run with no screen) the prompt goes to standard error as if no
// handler were installed.
#pragma once

#include "platform/ui/prompt.h"

class QMessageBox;

class CPromptBox : public CPromptHandler {
public:
    CPromptBox();
    ~CPromptBox() override;
    CPromptBox(const CPromptBox&) = delete;
    CPromptBox& operator=(const CPromptBox&) = delete;

    int Show(const PromptRequest& request) override;

private:
    // User-interface thread only.
    static int ShowHere(const PromptRequest& request);

    CPromptHandler* m_previous;   // borrowed: restored at the end
};
