// The program around a score window, for the notation view's window tests:
// a main frame shown as the program shows it before any document opens, the
// template that makes score windows, and the registered views kept aside
// and put back. Each test file names its own menu resources (the ids must
// differ between files linked into one test program).
//
//     class MyTest : public view_test::ScoreProgram {
//     protected:
//         MyTest() : ScoreProgram(IDR_MY_MAIN, IDR_MY_DOC) {}
//     };
//
// OpenScore makes a document and shows it in its score window; Load reads a
// MIDI file into the view's document, notates it through `driver` and lays
// it out on the view's own screen context (LayOut, which lays it out again).
// UI thread (the test's).
#pragma once

#include "interface/document/midiread.h"
#include "interface/document/opusdoc.h"
#include "interface/document/opustemplate.h"
#include "interface/document/pluginrecords.h"
#include "model/preferences.h"
#include "notation/autonote/notateinfo.h"
#include "notation/view/cantrel.h"
#include "notation/view/scorewnd.h"
#include "notation/view/viewids.h"
#include "platform/core/archive.h"
#include "platform/core/file.h"
#include "platform/ui/app.h"
#include "platform/ui/mdi.h"
#include "platform/ui/paint.h"
#include "platform/ui/prompt_script.h"
#include "tests/interface/document/doc_support.h"
#include "tests/notation/support/durationgate.h"
#include "tests/notation/support/viewdriver.h"
#include "tests/platform/messaging_support.h"

#include <QCoreApplication>
#include <QEvent>

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace view_test {

class ScoreProgram : public ::testing::Test, public doc_support::DocumentParts {
protected:
    static constexpr UINT SCORE_VIEW_ID = VIEW_ID_OFFSET + IDR_CANTREL;

    ScoreProgram(UINT mainMenu, UINT documentMenu) : m_mainMenu(mainMenu), m_documentMenu(documentMenu) {}

    void SetUp() override {
        // No placement stored by an earlier window.
        SaveIntPreference(CScoreWnd::GetSettingsSection(), "Width", 0);
        m_savedViews.AddTail(&CPluginView::GetPlugins());
        notation_test::StartPlugin();
        main = MakeMainFrame();
        ASSERT_TRUE(main->LoadFrame(m_mainMenu));
        mainHandle = main->m_hWnd;
        main->MoveWindow(0, 0, 1000, 800);
        main->ShowWindow(SW_SHOW);   // as the program's, shown before any document opens
        app.m_pMainWnd = main;
        docTemplate = new MCOpusTemplate(m_documentMenu, RUNTIME_CLASS(CScoreWnd), RUNTIME_CLASS(CCantrel));
        app.AddDocTemplate(docTemplate);
    }
    void TearDown() override {
        doc_support::CloseProgram(app, main, mainHandle);
        CPluginView::GetPlugins().RemoveAll();
        CPluginView::GetPlugins().AddTail(&m_savedViews);
    }

    // The main frame the program shows (a test may listen to its commands).
    virtual CMDIFrameWnd* MakeMainFrame() { return new CMDIFrameWnd; }

    // A new document shown in its score window; its view (null when none
    // was made).
    CCantrel* OpenScore() {
        auto* opened = static_cast<MCOpusDoc*>(docTemplate->OpenDocumentFile(nullptr, TRUE));
        if (!opened)
            return nullptr;
        frame = static_cast<CScoreWnd*>(opened->GetViewFrame(SCORE_VIEW_ID, 0));
        // The template made the window hidden and without its initial
        // update; the view is first shown as the program's shell does it.
        if (frame)
            frame->SendMessageToDescendants(WM_INITIALUPDATE);
        opened->GetViewFrame(SCORE_VIEW_ID, 1);
        for (CView* view : opened->GetViews())
            if (auto* score = DYNAMIC_DOWNCAST(CCantrel, view))
                return score;
        return nullptr;
    }
    // Reads the file into the view's document, notates it as the view does
    // and lays it out on the view's own screen context; false when the file
    // is not read whole or the layout does not finish.
    static bool Load(CCantrel* view, notation_test::ViewDriver& driver, const std::vector<uint8_t>& bytes) {
        auto* document = static_cast<MCOpusDoc*>(view->GetDocument());
        {
            CMemFile source(bytes);
            CArchive ar(&source, CArchive::load | CArchive::bNoFlushOnDelete);
            MCMidiRead reader;
            if (reader.LoadMidiFile(ar, document) != 1)
                return false;
        }
        messaging_test::PumpPending();
        driver.Attach(document->GetBaseEvent());
        return LayOut(view);
    }
    // Lays the view's score out whole on the view's own screen context;
    // false when the layout does not finish.
    static bool LayOut(CCantrel* view) {
        view->GetAutoNote().GetNotateInfo().SetPagenateRange(PAGENATE_ALL);
        CClientDC dc(view);
        view->OnPrepareDC(&dc);
        view->GetPagenate().Prepare(&dc);
        return view->GetPagenate().BeginPagenate() == CPagenate::PAGENATE_RESULT_DONE;
    }

    CPromptScript prompts;   // installed while it lives
    CWinApp app;
    CMDIFrameWnd* main = nullptr;            // deletes itself with its window
    HWND mainHandle = nullptr;
    MCOpusTemplate* docTemplate = nullptr;   // the application's
    CScoreWnd* frame = nullptr;              // the last score window shown
    MCPtrList m_savedViews;

private:
    UINT m_mainMenu;
    UINT m_documentMenu;
};

}  // namespace view_test
