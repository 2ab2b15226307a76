// printf-style and numbered formatting, and the trace function built on them.
#include "platform/core/format.h"
#include "platform/core/resources.h"
#include "platform/core/trace.h"

#include <gtest/gtest.h>

namespace {

STRING_TABLE({22001, "Drum:  %d"},
             {22002, "%1, %2, %3, %4, %5"},
             {22003, "There was an unexpected error while reading sysex binary.\nError code: %d"});

}  // namespace

TEST(Format, PrintfFormsAsTheCLibraryDoes) {
    EXPECT_EQ(Format("&%d  %s", 2, "Music Score"), "&2  Music Score");
    EXPECT_EQ(Format("%s.%s", "song", "mid"), "song.mid");
    EXPECT_EQ(Format("%f", 1.5), "1.500000");
    EXPECT_EQ(Format("%.*d", 3, 7), "007");
    EXPECT_EQ(Format("%s%d", "Sequencer\\Midi\\Play\\Devices\\", 12), "Sequencer\\Midi\\Play\\Devices\\12");
    EXPECT_EQ(Format("%%"), "%");
    std::string longText(1000, 'y');
    EXPECT_EQ(Format("<%s>", longText.c_str()), "<" + longText + ">");   // beyond the first buffer
}

TEST(Format, StringIdsGiveTheFormat) {
    EXPECT_EQ(Format(22001u, 99), "Drum:  99");
    EXPECT_EQ(Format(22003u, 5),
              "There was an unexpected error while reading sysex binary.\nError code: 5");
    EXPECT_EQ(Format(22999u, 1), "");   // a missing format formats nothing
}

TEST(FormatMessage, NumberedArgumentsInAnyOrderAnyNumberOfTimes) {
    const struct { const char* format; std::vector<std::string> args; const char* expected; } cases[] = {
        {"%1, %2, %3, %4, %5", {"Arial", "12", "1", "0", "0"}, "Arial, 12, 1, 0, 0"},
        {"%2 before %1", {"one", "two"}, "two before one"},
        {"%1%1%1", {"ab"}, "ababab"},
        {"100%% sure, %1", {"yes"}, "100% sure, yes"},
        {"%3 missing", {"a", "b"}, "%3 missing"},      // no such argument: kept as written
        {"%0 and %x and %", {"a"}, "%0 and %x and %"},
        {"%12", {"a", "b", "c"}, "a2"},                 // no 12th argument: %1 then "2"
        {"%12", {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "twelve"}, "twelve"},
        {"%1", {"%2"}, "%2"},                           // arguments are not formatted again
        {"", {"a"}, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatMessageArgs(c.format, c.args), c.expected) << c.format;
}

TEST(FormatMessage, ArgumentsOfMixedKindsAndFormatsFromStringIds) {
    std::string face = "Arial";
    EXPECT_EQ(FormatMessage("%1, %2, %3, %4, %5", face, -12, 1, 0u, std::string_view("0")), "Arial, -12, 1, 0, 0");
    EXPECT_EQ(FormatMessage(22002u, "Emmentaler", 20, '1', "0", 0L), "Emmentaler, 20, 1, 0, 0");
    const char* none = nullptr;
    EXPECT_EQ(FormatMessage("[%1]", none), "[]");
}

TEST(Trace, ACaptureSeesTracesInEveryBuild) {
    CTraceCapture outer;
    Trace("one %d\n", 1);
    {
        CTraceCapture inner;
        Trace("two %s\n", "b");
        EXPECT_EQ(inner.GetText(), "two b\n");
    }
    Trace("three\n");
    EXPECT_EQ(outer.GetText(), "one 1\nthree\n");

    bool was = IsTraceEnabled();
    SetTraceEnabled(false);
    Trace("four\n");   // the hook still sees it; standard error would not
    SetTraceEnabled(was);
    EXPECT_EQ(outer.GetText(), "one 1\nthree\nfour\n");
}
