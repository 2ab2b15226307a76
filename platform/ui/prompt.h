// Prompts: the message boxes the system shows the user.
// Code anywhere calls ShowPrompt; the program installs a CPromptHandler that
// shows a real message box (CPromptBox, prompt_box.h), tests install one that
// scripts the answers (CPromptScript, prompt_script.h). Without a handler a
// prompt is written to standard error and answered with its default button.
// Any thread may call; the handler is called on the caller's thread.
#pragma once

#include <string>
#include <vector>

// Buttons (low nibble), icons and modality, as the system passes them.
enum : unsigned {
    MB_OK = 0x0000,
    MB_OKCANCEL = 0x0001,
    MB_ABORTRETRYIGNORE = 0x0002,
    MB_YESNOCANCEL = 0x0003,
    MB_YESNO = 0x0004,
    MB_RETRYCANCEL = 0x0005,
    MB_TYPEMASK = 0x000F,
    MB_ICONSTOP = 0x0010,
    MB_ICONERROR = MB_ICONSTOP,
    MB_ICONQUESTION = 0x0020,
    MB_ICONEXCLAMATION = 0x0030,
    MB_ICONWARNING = MB_ICONEXCLAMATION,
    MB_ICONASTERISK = 0x0040,
    MB_ICONINFORMATION = MB_ICONASTERISK,
    MB_ICONMASK = 0x00F0,
    MB_DEFBUTTON1 = 0x0000,
    MB_DEFBUTTON2 = 0x0100,
    MB_DEFBUTTON3 = 0x0200,
    MB_DEFMASK = 0x0F00,
    MB_SYSTEMMODAL = 0x1000,
};

// Answers.
enum : int {
    IDOK = 1,
    IDCANCEL = 2,
    IDABORT = 3,
    IDRETRY = 4,
    IDIGNORE = 5,
    IDYES = 6,
    IDNO = 7,
};

// What a prompt asked; handed to the handler.
struct PromptRequest {
    std::string text;
    std::string caption;   // empty: the application's title
    unsigned flags = MB_OK;
    unsigned stringId = 0; // the string the text came from; 0 when given as text
};

class CPromptHandler {
public:
    virtual ~CPromptHandler() = default;
    // Shows the prompt and returns the button chosen (IDOK, IDYES, ...).
    virtual int Show(const PromptRequest& request) = 0;
};

// Installs the handler (borrowed; nullptr restores the default). Returns the previous one.
CPromptHandler* SetPromptHandler(CPromptHandler* handler);

// Shows a prompt and returns the answer.
int ShowPrompt(const std::string& text, unsigned flags = MB_OK, const std::string& caption = {});
// Shows the string `stringId` of the string tables (resources.h). A missing
// string shows an empty text (and a trace), as the prompt still needs an answer.
int ShowPrompt(unsigned stringId, unsigned flags = MB_OK, const std::string& caption = {});

// The buttons of the prompt's button set, left to right.
std::vector<int> PromptButtons(unsigned flags);
// The button a prompt with these flags answers when nobody can be asked: its
// default button (MB_DEFBUTTONn; past the last button, the last).
int DefaultPromptAnswer(unsigned flags);
// The button Escape (or the window's close box) answers: Cancel where the set
// has one, OK for a lone OK; 0 for Yes/No and Abort/Retry/Ignore, which only
// a button answers.
int EscapePromptAnswer(unsigned flags);
// What happens without a handler: the text goes to standard error and the
// default button answers. For handlers that find nobody to ask.
int ShowUnattendedPrompt(const PromptRequest& request);
