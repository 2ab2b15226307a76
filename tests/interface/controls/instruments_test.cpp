// The instrument definition files: the folder's files in name order whatever
// their case, a map's file, voice lines with and without their fields, every
// key of a long section, and the instrument list over them.
#include "interface/controls/instrumentlist.h"
#include "interface/controls/instruments.h"

#include "platform/ui/wnd.h"
#include "tests/interface/controls/instrument_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using instrument_test::CInstrumentFolder;

TEST(InstrumentFiles, AreTheIniFilesOfTheFolderInNameOrderWhateverTheirCase) {
    CInstrumentFolder folder;
    EXPECT_TRUE(MCFindInstrumentFiles().empty());
    folder.Write("b synth.ini", "[Info]\nName=B\n");
    folder.Write("A Synth.INI", "[Info]\nName=A\n");
    folder.Write("notes.txt", "[Info]\nName=Text\n");
    const std::vector<std::string> files = MCFindInstrumentFiles();
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0], folder.Folder() + "/A Synth.INI");
    EXPECT_EQ(files[1], folder.Folder() + "/b synth.ini");
    // A map's file is found however the disk spells its name; a missing one is
    // the name the map gives.
    EXPECT_EQ(MCGetInstrumentMapFile("B Synth"), folder.Folder() + "/b synth.ini");
    EXPECT_EQ(MCGetInstrumentMapFile("None"), folder.Folder() + "/None.INI");
}

TEST(InstrumentFiles, ReadVoiceLinesFieldByField) {
    struct Case {
        std::string key, value, name;
        int bank, program;
    } cases[] = {
        {"12", "Flute", "Flute", 0, 12},
        {"12", "Flute,5", "Flute", 5, 12},
        {"12", "Flute,5,40", "Flute", 5, 40},
        {"12", "Flute,,40", "Flute", 0, 40},       // an empty field keeps its default
        {"7", "Flute, 3 ,", "Flute", 3, 7},
        {"x", "Odd", "Odd", 0, 0},
        {"3", "Big,99999999999999999999", "Big", 2147483647, 3},   // saturates, never wraps
    };
    for (const Case& c : cases) {
        const MCVoiceLine line = MCReadVoiceLine(c.key, c.value);
        EXPECT_EQ(line.name, c.name) << c.value;
        EXPECT_EQ(line.bank, c.bank) << c.value;
        EXPECT_EQ(line.program, c.program) << c.value;
    }
}

TEST(InstrumentFiles, ReadEveryKeyOfALongSection) {
    CInstrumentFolder folder;
    // 400 keys of up to three digits pass well over a thousand characters of key names.
    std::string text = "[Piano]\n";
    for (int program = 0; program < 400; ++program)
        text += std::to_string(program) + "=A rather long voice name for program " + std::to_string(program) + "\n";
    const std::string path = folder.Write("Long.INI", text);
    const auto entries = MCReadInstrumentSection("Piano", path);
    ASSERT_EQ(entries.size(), 400u);
    EXPECT_EQ(entries.back().first, "399");
}

class InstrumentList : public ::testing::Test {
protected:
    InstrumentList() {
        EXPECT_TRUE(parent.Create(nullptr, "Parent", WS_VISIBLE, CRect(0, 0, 300, 200), nullptr, 0));
        EXPECT_TRUE(list.Create(WS_VISIBLE | CBS_DROPDOWNLIST, CRect(10, 10, 200, 150), &parent, 700));
    }
    std::vector<std::string> Entries() {
        std::vector<std::string> entries;
        for (int entry = 0; entry < list.GetCount(); ++entry) {
            std::string text;
            list.GetLBText(entry, text);
            entries.push_back(text);
        }
        return entries;
    }

    CInstrumentFolder folder;
    CWnd parent;
    MCInstrumentList list;
};

TEST_F(InstrumentList, ListsTheNamedFilesAndFindsANameByItsStart) {
    EXPECT_EQ(list.LoadInstruments(), 0);
    const std::string drums = folder.Write("General Midi Drums.INI", "[Info]\nName=General Midi Drums\n");
    folder.Write("General Midi.INI", "[Info]\nName=General Midi\n");
    folder.Write("Nameless.INI", "[Info]\nType=GS\n");
    EXPECT_EQ(list.LoadInstruments(), 1);
    // Name order is byte order: "General Midi Drums.INI" sorts before "General Midi.INI".
    EXPECT_EQ(Entries(), (std::vector<std::string>{"General Midi Drums", "General Midi"}));
    EXPECT_EQ(list.GetSelectedInstrument(), "");
    EXPECT_EQ(list.GetSelectedInstrumentFile(), "");

    list.SetSelectedInstrument("GENERAL MIDI.");
    EXPECT_EQ(list.GetSelectedInstrument(), "");
    list.SetSelectedInstrument("general midi");
    EXPECT_EQ(list.GetSelectedInstrument(), "General Midi Drums");
    list.SetSelectedInstrument("GENERAL MIDI D");
    EXPECT_EQ(list.GetSelectedInstrument(), "General Midi Drums");
    EXPECT_EQ(list.GetSelectedInstrumentFile(), drums);
    list.SetSelectedInstrument("Unknown");
    EXPECT_EQ(list.GetSelectedInstrument(), "General Midi Drums");

    // Loading again replaces the entries rather than adding to them.
    EXPECT_EQ(list.LoadInstruments(), 1);
    EXPECT_EQ(list.GetCount(), 2);
    list.RemoveInstruments();
    EXPECT_EQ(list.GetCount(), 0);
}

}  // namespace
