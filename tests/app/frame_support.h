// A main frame for the app tests: an application object, scripted prompts, a
// profile without the frame's sections, and a CMainFrame (made from 144) that
// records which children each routed state reaches, by child and code.
#pragma once

#include "app/mainframe.h"
#include "interface/document/opusdoc.h"
#include "platform/core/profile.h"
#include "platform/ui/app.h"
#include "platform/ui/prompt_script.h"
#include "tests/interface/controls/dib_support.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace frame_test {

class CRecordingFrame : public CMainFrame {
public:
    std::vector<std::pair<RouteChild, long>> reached;
    // The children `code` reached, as a set.
    std::set<RouteChild> ChildrenFor(long code) const {
        std::set<RouteChild> children;
        for (const auto& [child, c] : reached)
            if (c == code)
                children.insert(child);
        return children;
    }

protected:
    void NotifyChild(RouteChild child, long code, SCBase* state) override {
        reached.emplace_back(child, code);
        CMainFrame::NotifyChild(child, code, state);
    }
};

// Bitmap 200 and faces for every button of the bars, three states each (16 x 16), found in
// the program's resources since no button library loads in the tests.
class TestFaces {
public:
    TestFaces() : m_splash(200, dib_test::MakeDib(dib_test::Bands(16, 16, {dib_test::INDEX_RED}))) {
        using namespace dib_test;
        const char* prefixes[] = {"New",  "Open",   "Save",  "Print", "Select", "Insert",   "Erase",
                                  "Palette", "Mixer", "Properties", "Step", "Record", "Pause", "Stop",
                                  "Play", "Previous", "Next", "Rewind", "Forward"};
        for (const char* prefix : prefixes)
            for (int state = 0; state < 3; ++state)
                m_faces.push_back(std::make_unique<TestBitmap>(
                    std::string(prefix) + std::to_string(state),
                    MakeDib(Bands(16, 16, {static_cast<BYTE>(INDEX_BLACK + state)}))));
    }

private:
    dib_test::TestBitmap m_splash;   // bitmap 200: the shared palette's colours
    std::vector<std::unique_ptr<dib_test::TestBitmap>> m_faces;
};

inline void ClearFrameProfile() {
    CProfile profile = CProfile::Application();
    for (const char* section : {"Main", "Main\\Toolbars\\State", "Settings\\Tips", "Settings\\Background", "Resources"})
        profile.DeleteSection(section);
}

class MainFrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        ClearFrameProfile();
        frame = new CRecordingFrame;
        ASSERT_TRUE(frame->LoadFrame(IDR_MAINFRAME));
        handle = frame->m_hWnd;
        app.m_pMainWnd = frame;
        frame->ShowWindow(SW_SHOW);
    }
    void TearDown() override {
        app.CloseAllDocuments(TRUE);
        if (CWnd::FromHandle(handle) == frame)
            frame->DestroyWindow();
        app.m_pMainWnd = nullptr;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        MCOpusDoc::SetActiveDoc(nullptr);
        MCOpusDoc::WaitThreadsFinished(0);
    }

    TestFaces faces;
    CPromptScript prompts;
    CWinApp app;
    CRecordingFrame* frame = nullptr;   // deletes itself with its window
    HWND handle = nullptr;
};

}  // namespace frame_test
