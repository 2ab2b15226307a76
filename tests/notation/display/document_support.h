// What the display document tests share: documents saved natively into a
// folder of the test's own and opened again, with prompts scripted and the
// display classes registered.
#pragma once

#include "model/plugin.h"
#include "notation/display/records.h"
#include "platform/ui/prompt_script.h"
#include "tests/interface/document/doc_support.h"
#include "tests/platform/file_support.h"
#include "tests/notation/support/durationgate.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace display_document {

// Saves `source` at `path` in the native format and closes it (letting go of
// the file).
inline void SaveNative(MCOpusDoc* source, const std::string& path) {
    source->GetHeader()->SetFormat(DF_NATIVE);
    ASSERT_TRUE(source->OnSaveDocument(path.c_str()));
    source->OnCloseDocument();
}

struct DocumentTest : ::testing::Test {
    file_test::TempFolder folder;
    CPromptScript prompts;
    CPromptHandler* previousPrompts = SetPromptHandler(&prompts);
    DocumentTest() { notation_test::StartPlugin(); }
    ~DocumentTest() override { SetPromptHandler(previousPrompts); }

    // The document at `path` opened again; a failure says what the prompt said.
    std::unique_ptr<MCOpusDoc> Reopen(const std::string& path) {
        std::unique_ptr<MCOpusDoc> reopened = doc_support::DocumentParts::MakeDocument();
        EXPECT_TRUE(reopened->OnOpenDocument(path.c_str())) << path << ": " << prompts.GetLast().text;
        return reopened;
    }
};

}  // namespace display_document
