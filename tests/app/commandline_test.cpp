// The shell's commands as the program reads them.
#include "app/commandline.h"

#include <gtest/gtest.h>

TEST(CommandLine, ReadsTheShellsCommands) {
    using C = CCommandLineInfo;
    const struct {
        std::vector<std::string> arguments;
        C::ShellCommand command;
        const char* file;
        const char* target;
    } cases[] = {
        {{}, C::FileNew, "", ""},
        {{"a.mid"}, C::FileOpen, "a.mid", ""},
        {{"a.mid", "extra"}, C::FileOpen, "a.mid", ""},
        {{"/home/me/a.mid"}, C::FileOpen, "/home/me/a.mid", ""},
        {{"-p", "a.mid"}, C::FilePrint, "a.mid", ""},
        {{"--print", "a.mid"}, C::FilePrint, "a.mid", ""},
        {{"/p", "a.mid"}, C::FilePrint, "a.mid", ""},
        {{"--print-to", "a.mid", "out.pdf"}, C::FilePrintTo, "a.mid", "out.pdf"},
        {{"/pt", "a.mid", "Office", "driver", "port"}, C::FilePrintTo, "a.mid", "Office"},
        {{"--print-to", "a.mid"}, C::FilePrintTo, "a.mid", ""},
        {{"-p"}, C::FileNew, "", ""},
        {{"--unknown", "a.mid"}, C::FileOpen, "a.mid", ""},
        {{"-dde", "a.mid"}, C::FileDDE, "a.mid", ""},
    };
    for (const auto& c : cases) {
        C info;
        info.Parse(c.arguments);
        const std::string line = ::testing::PrintToString(c.arguments);
        EXPECT_EQ(info.m_nShellCommand, c.command) << line;
        EXPECT_EQ(info.m_strFileName, c.file) << line;
        EXPECT_EQ(info.m_strPrinterName, c.target) << line;
        EXPECT_EQ(info.IsProcessed(), c.command >= C::FileOpen && c.command <= C::FilePrintTo) << line;
    }
}

TEST(CommandLine, PrintToKeepsDriverAndPort) {
    CCommandLineInfo info;
    info.Parse({"/pt", "a.mid", "Office", "drv", "lp0"});
    EXPECT_EQ(info.m_strDriverName, "drv");
    EXPECT_EQ(info.m_strPortName, "lp0");
}
