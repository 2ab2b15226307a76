// Prompts: the scripted handler tests use, and prompts by string id.
#include "platform/core/resources.h"
#include "platform/ui/prompt.h"
#include "platform/ui/prompt_script.h"

#include <gtest/gtest.h>
#include <thread>

namespace {

STRING_TABLE({23151, "A file is missing which contains required URL addresses."});

}  // namespace

TEST(PromptScript, AnswersFromTheQueueThenTheDefaultButton) {
    CPromptScript prompts;
    prompts.Answer({IDNO, IDCANCEL});
    EXPECT_EQ(ShowPrompt("Save changes?", MB_YESNOCANCEL), IDNO);
    EXPECT_EQ(ShowPrompt("Save changes?", MB_YESNOCANCEL), IDCANCEL);
    EXPECT_EQ(prompts.GetPending(), 0u);

    const struct { unsigned flags; int answer; } defaults[] = {
        {MB_OK, IDOK}, {MB_YESNO, IDYES}, {MB_YESNO | MB_DEFBUTTON2, IDNO},
        {MB_YESNOCANCEL | MB_DEFBUTTON3, IDCANCEL}, {MB_RETRYCANCEL, IDRETRY},
    };
    for (const auto& d : defaults)
        EXPECT_EQ(ShowPrompt("unscripted", d.flags), d.answer) << d.flags;

    auto requests = prompts.GetRequests();
    ASSERT_EQ(requests.size(), 7u);
    EXPECT_EQ(requests[0].text, "Save changes?");
    EXPECT_EQ(requests[0].flags, unsigned(MB_YESNOCANCEL));
    prompts.Clear();
    EXPECT_EQ(prompts.GetCount(), 0u);
    EXPECT_EQ(prompts.GetLast().text, "");
}

TEST(PromptScript, RecordsPromptsByStringIdWithTheirText) {
    CPromptScript prompts;
    EXPECT_EQ(ShowPrompt(23151, MB_ICONEXCLAMATION, "Staffwright"), IDOK);
    PromptRequest last = prompts.GetLast();
    EXPECT_EQ(last.stringId, 23151u);
    EXPECT_EQ(last.text, "A file is missing which contains required URL addresses.");
    EXPECT_EQ(last.caption, "Staffwright");
    EXPECT_EQ(last.flags, unsigned(MB_ICONEXCLAMATION));

    ShowPrompt(23999);   // a missing string still asks, with an empty text
    EXPECT_EQ(prompts.GetLast().stringId, 23999u);
    EXPECT_EQ(prompts.GetLast().text, "");
}

TEST(PromptScript, ScriptsNestAndPromptsFromOtherThreadsAreRecorded) {
    CPromptScript outer;
    {
        CPromptScript inner;
        inner.Answer(IDABORT);
        std::thread worker([] { ShowPrompt("from a worker", MB_ABORTRETRYIGNORE); });
        worker.join();
        EXPECT_EQ(inner.GetCount(), 1u);
    }
    EXPECT_EQ(outer.GetCount(), 0u);
    ShowPrompt("after");
    EXPECT_EQ(outer.GetCount(), 1u);
}
