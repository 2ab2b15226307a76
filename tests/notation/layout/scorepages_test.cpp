// The pages of one score: their start times and how many are known.
#include "notation/layout/scorepages.h"

#include <gtest/gtest.h>

namespace {

TEST(ScorePages, StartTimes) {
    MCScorePages pages;
    EXPECT_EQ(pages.GetPageCount(), 1);
    EXPECT_EQ(pages.GetPageStartTime(1), MCTime(0.0f));
    EXPECT_EQ(pages.GetPageStartTime(2), MCTime::TimeMax());
    EXPECT_EQ(pages.GetPageStartTime(0), MCTime::TimeMax());

    for (int page = 2; page <= 25; ++page)   // past the first growth
        pages.AddPageStartTime(page, MCTime(static_cast<float>(page * 8)));
    EXPECT_EQ(pages.GetPageStartTime(25), MCTime(200.0f));
    EXPECT_EQ(pages.GetPageStartTime(26), MCTime::TimeMax());
    EXPECT_EQ(pages.GetKnownPageCount(), 25);

    pages.SetPageTimeCount(3);
    EXPECT_EQ(pages.GetPageCount(), 3);
    EXPECT_EQ(pages.GetPageStartTime(3), MCTime(24.0f));
    EXPECT_EQ(pages.GetPageStartTime(4), MCTime::TimeMax());
    EXPECT_EQ(pages.GetKnownPageCount(), 3);

    // A page far beyond the list fits; the pages it skips stay unknown, and
    // replacing a known page does not make a later one known.
    pages.AddPageStartTime(40, MCTime(500.0f));
    EXPECT_EQ(pages.GetPageStartTime(40), MCTime(500.0f));
    EXPECT_EQ(pages.GetPageStartTime(10), MCTime::TimeMax());
    EXPECT_EQ(pages.GetKnownPageCount(), 3) << "known pages run up to the first unknown one";
    pages.SetPageTimeCount(2);
    pages.AddPageStartTime(2, MCTime(12.0f));
    EXPECT_EQ(pages.GetPageStartTime(2), MCTime(12.0f));
    EXPECT_EQ(pages.GetPageStartTime(3), MCTime::TimeMax());
    pages.AddPageStartTime(0, MCTime(1.0f));   // ignored
    EXPECT_EQ(pages.GetPageStartTime(1), MCTime(0.0f));
}

}  // namespace
