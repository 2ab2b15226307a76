// The program's command line: what the shell asks of it.
//
//   staffwright FILE                       open FILE
//   staffwright -p FILE | --print FILE | /p FILE
//                                          print FILE on the default printer
//   staffwright --print-to FILE TARGET     print FILE on the printer TARGET,
//   staffwright /pt FILE TARGET [DRIVER PORT]
//                                          or into a PDF file when TARGET ends
//                                          in ".pdf" or holds a "/"
//
// The first argument that is no switch names the file; with print-to the (up
// to three) after it name the target, the driver and the port. Arguments beyond those
// are ignored ("a.mid" extra opens a.mid), and so are "-" switches we do
// not know (any other word after "/" is a path). Without a file the
// command is FileNew, which start-up does not act on, so a plain start
// opens nothing. "-dde" and "/dde" ask for DDE, which this platform does not
// have: it is parsed and not acted on either.
//
// Any thread; no state.
#pragma once

#include <string>
#include <vector>

class CCommandLineInfo {
public:
    enum ShellCommand {
        FileNew = 0,
        FileOpen = 1,
        FilePrint = 2,
        FilePrintTo = 3,
        FileDDE = 4,
    };

    ShellCommand m_nShellCommand = FileNew;
    std::string m_strFileName;
    std::string m_strPrinterName;   // print-to: the target
    std::string m_strDriverName;    // print-to with "/pt": kept, not used
    std::string m_strPortName;      // likewise

    // Reads the arguments that follow the program's name.
    void Parse(const std::vector<std::string>& arguments);
    // Whether start-up acts on the command (open, print, print-to).
    bool IsProcessed() const;
    // Whether the command prints (and so may run without a screen).
    bool IsPrint() const { return m_nShellCommand == FilePrint || m_nShellCommand == FilePrintTo; }
};
