// Test support for the document manager and the Information view: an
// application whose document manager is the program's, a main MDI frame, the
// one MCOpusTemplate showing CInfoView, the Information view's record (and a
// second view's, whose "Visible" a test may set), capture devices, a program
// folder and a documents folder of the test's own, and small MIDI files.
// The view registry and the "New" settings are put back afterwards.
#pragma once

#include "app/docmanager.h"
#include "app/infoview.h"
#include "interface/document/opusdoc.h"
#include "interface/document/opustemplate.h"
#include "interface/document/opuswnd.h"
#include "interface/document/pluginrecords.h"
#include "model/preferences.h"
#include "platform/core/filesys.h"
#include "platform/core/resources.h"
#include "platform/ui/app.h"
#include "platform/ui/menu.h"
#include "platform/ui/prompt_script.h"
#include "platform/ui/uiresources.h"
#include "tests/interface/document/doc_support.h"
#include "tests/support/smf_support.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

// A second kind of view, registered beside the Information view.
class DocsTestScoreView : public CView {
    DECLARE_DYNCREATE(DocsTestScoreView)
};

namespace docs_support {

inline constexpr UINT IDR_DOCS_MAIN = 29871;
inline constexpr UINT IDR_DOCS_DOC = 29872;
inline constexpr UINT IDS_DOCS_SCORE = 29873;
inline constexpr UINT kInfoViewId = VIEW_ID_OFFSET + 1;
inline constexpr UINT kScoreViewId = VIEW_ID_OFFSET + 2;

// The program's application object, with its own document manager.
class DocsApp : public CWinApp {
public:
    DocsApp() { m_pDocManager = std::make_unique<MCDocManager>(); }
    MCDocManager* GetManager() const { return static_cast<MCDocManager*>(m_pDocManager.get()); }
};

// Runs what the program's loop would: posted commands and states.
inline void Pump() {
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

// A type 1 MIDI file with one note, written to `path`.
inline void WriteMidiFile(const std::string& path) {
    smf_support::Track conductor;
    conductor.Tempo(0, 500000).End();
    smf_support::Track notes;
    notes.NoteOn(0, 0, 60, 100).NoteOff(96, 0, 60).End();
    const smf_support::Bytes bytes = smf_support::File(1, 96).Add(conductor).Add(notes).GetBytes();
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

class DocsFixture : public ::testing::Test, public doc_support::DocumentParts {
protected:
    void SetUp() override {
        m_saved.AddTail(&CPluginView::GetPlugins());
        CPluginView::GetPlugins().RemoveAll();
        CPluginView::AddPlugin(&infoRecord);
        CPluginView::AddPlugin(&scoreRecord);
        MCOpusWnd::s_hViewMenu = MCOpusWnd::s_hPrefsMenu = nullptr;
        ResetSettings();
        m_oldDocuments = std::getenv("XDG_DOCUMENTS_DIR") ? std::getenv("XDG_DOCUMENTS_DIR") : "";
        setenv("XDG_DOCUMENTS_DIR", documents.path().toUtf8().constData(), 1);
        SetProgramFolder(program.path().toStdString());

        main = new CMDIFrameWnd;
        ASSERT_TRUE(main->LoadFrame(IDR_DOCS_MAIN));
        mainHandle = main->m_hWnd;
        app.m_pMainWnd = main;
        main->ShowWindow(SW_SHOW);
        docTemplate = new MCOpusTemplate(IDR_DOCS_DOC, RUNTIME_CLASS(MCOpusWnd), RUNTIME_CLASS(CInfoView));
        app.AddDocTemplate(docTemplate);
    }
    void TearDown() override {
        doc_support::CloseProgram(app, main, mainHandle);
        MCOpusWnd::s_hViewMenu = MCOpusWnd::s_hPrefsMenu = nullptr;
        CPluginView::GetPlugins().RemoveAll();
        CPluginView::GetPlugins().AddTail(&m_saved);
        ResetSettings();
        SetProgramFolder("");
        if (m_oldDocuments.empty())
            unsetenv("XDG_DOCUMENTS_DIR");
        else
            setenv("XDG_DOCUMENTS_DIR", m_oldDocuments.c_str(), 1);
    }

    // The settings as a new user has them.
    static void ResetSettings() {
        SaveStringPreference("New", "Dir", "");
        SaveIntPreference("New", "Default Ext", 356);
        SaveStringPreference("New", "Template", "Empty Track");
        SaveIntPreference("Views\\Information", "Visible", 0);
        SaveIntPreference("Views\\Score", "Visible", 0);
    }

    // A path in the test's own music folder.
    std::string MusicPath(const std::string& name) const { return music.filePath(QString::fromStdString(name)).toStdString(); }
    std::string MidiFile(const std::string& name) const {
        const std::string path = MusicPath(name);
        WriteMidiFile(path);
        return path;
    }

    static CInfoView* InfoViewOf(CDocument* doc) {
        for (CView* view : doc->GetViews())
            if (auto* info = DYNAMIC_DOWNCAST(CInfoView, view))
                return info;
        return nullptr;
    }
    int OpenDocumentCount() const { return app.GetDocManager()->GetOpenDocumentCount(); }

    CPluginView infoRecord{RUNTIME_CLASS(CInfoView), RUNTIME_CLASS(MCOpusWnd), nullptr, 1, IDS_INFOVIEW_TITLE, 0};
    CPluginView scoreRecord{RUNTIME_CLASS(DocsTestScoreView), RUNTIME_CLASS(MCOpusWnd), nullptr, 2, IDS_DOCS_SCORE,
                            10};
    QTemporaryDir program;     // the program's folder
    QTemporaryDir documents;   // the user's documents folder
    QTemporaryDir musicDir;    // where the test's files lie
    QDir music{musicDir.path()};
    CPromptScript prompts;     // installed while it lives
    DocsApp app;
    CMDIFrameWnd* main = nullptr;            // deletes itself with its window
    HWND mainHandle = nullptr;
    MCOpusTemplate* docTemplate = nullptr;   // the application's

private:
    MCPtrList m_saved;
    std::string m_oldDocuments;
};

}   // namespace docs_support
