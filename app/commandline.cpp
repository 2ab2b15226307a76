// Reading the program's command line (see commandline.h).
#include "app/commandline.h"

#include <string_view>

namespace {

enum class Switch { None, Print, PrintTo, DDE, Unknown };

Switch ReadSwitch(std::string_view argument) {
    if (argument == "-p" || argument == "--print" || argument == "/p")
        return Switch::Print;
    if (argument == "--print-to" || argument == "/pt")
        return Switch::PrintTo;
    if (argument == "-dde" || argument == "/dde")
        return Switch::DDE;
    // Other words after "/" are paths ("/home/..."); a lone "-" is a name too.
    if (argument.size() > 1 && argument.front() == '-')
        return Switch::Unknown;
    return Switch::None;
}

}  // namespace

void CCommandLineInfo::Parse(const std::vector<std::string>& arguments) {
    bool print = false;
    bool printTo = false;
    bool dde = false;
    // The parameters after the file name that print-to takes, in order.
    std::string* const printToParameters[] = {&m_strPrinterName, &m_strDriverName, &m_strPortName};
    std::size_t printToTaken = 0;
    bool haveFile = false;
    for (const std::string& argument : arguments) {
        switch (ReadSwitch(argument)) {
        case Switch::Print: print = true; continue;
        case Switch::PrintTo: printTo = true; continue;
        case Switch::DDE: dde = true; continue;
        case Switch::Unknown: continue;
        case Switch::None: break;
        }
        if (!haveFile) {
            m_strFileName = argument;
            haveFile = true;
        } else if (printTo && printToTaken < std::size(printToParameters)) {
            *printToParameters[printToTaken++] = argument;
        }
    }
    if (dde)
        m_nShellCommand = FileDDE;
    else if (!haveFile)
        m_nShellCommand = FileNew;
    else if (printTo)
        m_nShellCommand = FilePrintTo;
    else if (print)
        m_nShellCommand = FilePrint;
    else
        m_nShellCommand = FileOpen;
}

bool CCommandLineInfo::IsProcessed() const {
    return m_nShellCommand == FileOpen || m_nShellCommand == FilePrint || m_nShellCommand == FilePrintTo;
}
