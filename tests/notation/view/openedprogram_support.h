// The program as it stands before a file opens, for the tests that open a
// file as the program opens it: an application object with the program's
// document manager, the main frame shown, the program's one template (whose
// view stands for the Information view), the plug-in's records from its
// start and the view's duration pair at the default gate, as the plug-in
// installs them. OpenFile opens a file through the document manager, the
// score window opening on it as "Views\Music Score" "Visible" says: the
// view attaches the file's performance, notates it and lays it out itself.
//
// The view records, the score's settings and the duration pair are put back
// afterwards. Each test file names its own menu resources (the ids must
// differ between files linked into one test program).
//
//     class MyTest : public view_test::OpenedProgram {
//     protected:
//         MyTest() : OpenedProgram(IDR_MY_MAIN, IDR_MY_DOC) {}
//     };
//
// UI thread (the test's).
#pragma once

#include "interface/document/opusdoc.h"
#include "interface/document/pluginrecords.h"
#include "platform/ui/app.h"
#include "platform/ui/prompt_script.h"
#include "tests/interface/document/doc_support.h"
#include "tests/notation/support/durationgate.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>
#include <string>

class CCantrel;
class CDocument;
class CMDIFrameWnd;

namespace view_test {

// The program's application object as far as opening files goes: its
// document manager is the program's.
class ProgramApp : public CWinApp {
public:
    ProgramApp();
};

class OpenedProgram : public ::testing::Test, public doc_support::DocumentParts {
protected:
    OpenedProgram(UINT mainMenu, UINT documentMenu);
    ~OpenedProgram() override;

    void SetUp() override;
    void TearDown() override;

    // Opens `path` as the program's File Open does, the score window shown
    // (`scoreVisible` 1) or left closed (0): the document, null when the file
    // did not open.
    MCOpusDoc* OpenFile(const std::string& path, int scoreVisible = 1);
    // The score view among the document's views; null when none.
    static CCantrel* ScoreViewOf(CDocument* document);

    QTemporaryDir dir;
    CPromptScript prompts;   // installed while it lives
    ProgramApp app;
    CMDIFrameWnd* main = nullptr;   // deletes itself with its window
    HWND mainHandle = nullptr;

private:
    UINT m_mainMenu;
    UINT m_documentMenu;
    MCPtrList m_savedViews;
    CPluginView m_firstRecord;
    std::optional<notation_test::DurationGate> m_gate;
};

}  // namespace view_test
