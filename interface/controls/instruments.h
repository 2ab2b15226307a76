// The instrument definition files: where they lie and how their lines read.
//
// The files are private-profile text in the folder "Instruments" beside the
// program. A file names itself in "Info" "Name" (a file without a name is not
// offered) and its kind in "Info" "Type" ("GM", "GS", "XG"; anything else is a
// plain definition). "Banks" maps bank numbers to names, "Groups" names the
// voice sections in the order they are shown, and each voice section maps a
// program number to "name[,bank[,program]]". Every key of a section is read,
// however long the section is.
//
// The program folder is GetProgramFolder() (filesys.h), so a test points the
// folder at its own fixtures with SetProgramFolder.
//
// Any thread; the files are read on each call.
#pragma once

#include <string>
#include <utility>
#include <vector>

// The folder of the instrument definition files.
std::string MCGetInstrumentFolder();
// The full paths of the files matching "*.INI" there (without regard to case),
// in name order; empty when there are none or the folder is missing.
std::vector<std::string> MCFindInstrumentFiles();
// The path of the file of instrument map `map` ("<map>.INI" in the folder), as
// it is spelled on the disk when a file of that name exists in any case.
std::string MCGetInstrumentMapFile(const std::string& map);

// A value cut at its commas ("a,b,,c" is four fields, the third empty).
std::vector<std::string> MCSplitInstrumentFields(const std::string& value);
// A decimal number at the start of `text` (blanks before it skipped, an optional
// sign); 0 when there is none. Too many digits saturate rather than wrap.
int MCReadInstrumentNumber(const std::string& text);

// One line of a voice section: "program=name[,bank[,program]]". A field that is
// absent or empty keeps its default: bank 0, program the key's number.
struct MCVoiceLine {
    std::string name;
    int bank = 0;
    int program = 0;
};
MCVoiceLine MCReadVoiceLine(const std::string& key, const std::string& value);

// The entries of a section of `path` in file order (all of them).
std::vector<std::pair<std::string, std::string>> MCReadInstrumentSection(const std::string& section,
                                                                         const std::string& path);
