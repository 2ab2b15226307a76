// The program tree on fixture files and on the shipped General MIDI file:
// grouping by section and by bank, bank conversion of GS files, the voice
// selected by bank and program, the cache of the last voice, groups rebuilt
// on expansion, the voice texts and the context menu.
#include "interface/controls/programtree.h"
#include "interface/controls/audition.h"

#include "interface/controls/instruments.h"
#include "platform/ui/dialog_script.h"
#include "tests/interface/controls/instrument_support.h"

#include <QCoreApplication>
#include <QImage>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr UINT kTreeId = 820;

// Banks 0, 2 and 5; voices of every bank in two sections, one line without
// fields, one voice of a bank "Banks" does not name.
const char* const kGsFile =
    "[Info]\nName=Test GS\nType=GS\n"
    "[Banks]\n0=Capital\n2=Variation,2\n5=Fifth,5\n"
    "[Groups]\n1=Piano\n2=Wind\n"
    "[Piano]\n0=Grand\n5=Bright Grand,2\n3=Plain Line\n"
    "[Wind]\n12=Flute,5\n7=Orphan,9\n40=Oboe,0,41\n";

class ProgramTree : public ::testing::Test {
protected:
    ProgramTree() {
        EXPECT_TRUE(parent.Create(nullptr, "Parent", WS_VISIBLE, CRect(0, 0, 400, 400), nullptr, 0));
        EXPECT_TRUE(tree.Create(WS_VISIBLE | TVS_HASBUTTONS, CRect(10, 10, 390, 390), &parent, kTreeId));
        gs = folder.Write("Test GS.INI", kGsFile);
    }
    std::vector<std::string> Texts(HTREEITEM under) {
        std::vector<std::string> texts;
        for (HTREEITEM item = under ? tree.GetChildItem(under) : tree.GetRootItem(); item;
             item = tree.GetNextSiblingItem(item))
            texts.push_back(tree.GetItemText(item));
        return texts;
    }
    HTREEITEM Top(const std::string& text) {
        for (HTREEITEM item = tree.GetRootItem(); item; item = tree.GetNextSiblingItem(item))
            if (tree.GetItemText(item) == text)
                return item;
        return nullptr;
    }
    std::string Selected() {
        HTREEITEM item = tree.GetSelectedItem();
        return item ? tree.GetItemText(tree.GetParentItem(item)) + "/" + tree.GetItemText(item) : "";
    }
    void Command(UINT id) {
        tree.SendMessage(WM_COMMAND, id, 0);
    }

    instrument_test::CInstrumentFolder folder;
    CWnd parent;
    MCProgramTree tree;
    std::string gs;
};

TEST(ProgramEntry, ConvertsBanksByTheFilesType) {
    struct Case {
        int type, bank, midiBank, fromMidi;
    } cases[] = {
        {MCProgramEntry::TYPE_GM, 2, 2, 256},
        {MCProgramEntry::TYPE_GS, 2, 256, 2},
        {MCProgramEntry::TYPE_XG, 2, 2, 256},
        {MCProgramEntry::TYPE_PLAIN, 2, 2, 256},
    };
    for (const Case& c : cases) {
        auto entry = MCProgramEntry::Make(c.type);
        entry->SetBank(c.bank);
        EXPECT_EQ(entry->GetMidiBank(), c.midiBank) << c.type;
        EXPECT_EQ(entry->GetBankFromMidi(256), c.fromMidi) << c.type;
    }
    EXPECT_EQ(MCProgramEntry::TypeFromText("GS"), MCProgramEntry::TYPE_GS);
    EXPECT_EQ(MCProgramEntry::TypeFromText("MT"), MCProgramEntry::TYPE_PLAIN);
}

TEST_F(ProgramTree, SelectsAGsVoiceByItsMidiBankUnderItsSection) {
    tree.LoadInstrument(gs, 256, 5);
    EXPECT_EQ(tree.GetType(), MCProgramEntry::TYPE_GS);
    EXPECT_EQ(Texts(nullptr), (std::vector<std::string>{"Piano", "Wind"}));
    EXPECT_EQ(Selected(), "Piano/05) Bright Grand");
    auto* entry = reinterpret_cast<MCProgramEntry*>(tree.GetItemData(tree.GetSelectedItem()));
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->GetBank(), 2);
    EXPECT_EQ(entry->GetMidiBank(), 256);
    EXPECT_EQ(entry->GetProgram(), 5);
    // Only the group of the voice was opened.
    EXPECT_TRUE(Texts(Top("Wind")).empty());

    // A line without fields: bank 0, the key's program; a third field names the program.
    tree.LoadInstrument(gs, 0, 3);
    EXPECT_EQ(Selected(), "Piano/03) Plain Line");
    tree.LoadInstrument(gs, 0, 41);
    EXPECT_EQ(Selected(), "Wind/41) Oboe");
}

TEST_F(ProgramTree, AsksAgainOnlyAfterTheCacheIsCleared) {
    tree.LoadInstrument(gs, 256, 5);
    tree.SelectItem(Top("Wind"));
    tree.LoadInstrument(gs, 256, 5);
    EXPECT_EQ(tree.GetItemText(tree.GetSelectedItem()), "Wind");
    tree.ClearCache();
    tree.LoadInstrument(gs, 256, 5);
    EXPECT_EQ(Selected(), "Piano/05) Bright Grand");
    // A voice the file lacks selects nothing new.
    tree.LoadInstrument(gs, 0, 99);
    EXPECT_EQ(Selected(), "Piano/05) Bright Grand");
}

TEST_F(ProgramTree, RebuildsAGroupsVoicesWhenItOpensAgain) {
    tree.LoadInstrument(gs, -1, -1);
    tree.ExpandAll(1);
    EXPECT_EQ(Texts(Top("Piano")), (std::vector<std::string>{"00) Grand", "05) Bright Grand", "03) Plain Line"}));
    tree.ExpandAll(0);
    EXPECT_TRUE(Texts(Top("Piano")).empty());
    EXPECT_TRUE(Texts(Top("Wind")).empty());
    tree.ExpandAll(1);
    EXPECT_EQ(Texts(Top("Wind")), (std::vector<std::string>{"12) Flute", "07) Orphan", "41) Oboe"}));

    // A group opened once and closed again still finds its voice.
    tree.ExpandAll(0);
    tree.LoadInstrument(gs, 5 << 7, 12);
    EXPECT_EQ(Selected(), "Wind/12) Flute");
}

TEST_F(ProgramTree, TheUsersOpeningAndClosingReadAndDropTheVoices) {
    tree.LoadInstrument(gs, -1, -1);
    auto* widget = dynamic_cast<QTreeWidget*>(tree.GetWidget());
    ASSERT_NE(widget, nullptr);
    QTreeWidgetItem* wind = widget->topLevelItem(1);
    widget->expandItem(wind);
    EXPECT_EQ(Texts(Top("Wind")), (std::vector<std::string>{"12) Flute", "07) Orphan", "41) Oboe"}));
    widget->collapseItem(wind);
    EXPECT_TRUE(Texts(Top("Wind")).empty());
    widget->expandItem(wind);
    EXPECT_EQ(Texts(Top("Wind")).size(), 3u);
}

TEST_F(ProgramTree, ShowsItsThreeIconsOverTheWindow) {
    CImageList* images = tree.GetImageList(TVSIL_NORMAL);
    ASSERT_NE(images, nullptr);
    ASSERT_EQ(images->GetImageCount(), 3);
    for (int image = 0; image < 3; ++image) {
        const QImage icon = images->GetImage(image).toImage();
        EXPECT_EQ(icon.size(), QSize(16, 16));
        EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0) << image;     // the background lets the window show
        EXPECT_EQ(qAlpha(icon.pixel(8, 12)), 255) << image;  // the picture itself does not
    }
    // The selected voice's icon differs from the plain voice's.
    EXPECT_NE(images->GetImage(1).toImage(), images->GetImage(2).toImage());
}

TEST_F(ProgramTree, ShowsBankAndProgramByItsFlags) {
    tree.LoadInstrument(gs, -1, -1);
    Command(MCProgramTree::ID_SHOW_BANK);
    EXPECT_EQ(tree.GetDisplayFlags(), 3);
    tree.LoadInstrument(gs, 5 << 7, 12);
    EXPECT_EQ(Selected(), "Wind/B05: 12) Flute");
    Command(MCProgramTree::ID_SHOW_PROGRAM);
    Command(MCProgramTree::ID_SHOW_BANK);
    EXPECT_EQ(tree.GetDisplayFlags(), 0);
    // A flag change reads the file again with nothing selected.
    EXPECT_EQ(tree.GetSelectedItem(), nullptr);
    tree.LoadInstrument(gs, 5 << 7, 12);
    EXPECT_EQ(Selected(), "Wind/Flute");
}

TEST_F(ProgramTree, GroupedByBankShowsEachBanksVoicesOnly) {
    Command(MCProgramTree::ID_GROUP_BY_BANK);   // nothing loaded: the style alone changes
    EXPECT_EQ(tree.GetDisplayStyle(), MCProgramTree::STYLE_BY_BANK);
    tree.LoadInstrument(gs, 256, 5);
    EXPECT_EQ(Texts(nullptr), (std::vector<std::string>{"Capital", "Variation,2", "Fifth,5"}));
    EXPECT_EQ(Selected(), "Variation,2/05) Bright Grand");
    EXPECT_EQ(tree.GetBankNumber("Variation,2"), 2);
    EXPECT_EQ(tree.GetBankNumber("Capital"), 0);
    tree.ExpandAll(1);
    EXPECT_EQ(Texts(Top("Capital")), (std::vector<std::string>{"00) Grand", "03) Plain Line", "41) Oboe"}));
    EXPECT_EQ(Texts(Top("Fifth,5")), (std::vector<std::string>{"12) Flute"}));

    // Bank 9 has no "Banks" entry: its voice is in no group, and no other group
    // is opened in its place.
    tree.ExpandAll(0);
    std::string group, voice;
    EXPECT_EQ(tree.GetNames(9 << 7, 7, group, voice), 0);
    tree.LoadInstrument(gs, 9 << 7, 7);
    EXPECT_TRUE(Texts(Top("Fifth,5")).empty());
}

TEST_F(ProgramTree, GroupedByBankListsEveryBankOfALongSection) {
    std::string text = "[Info]\nName=Many\nType=XG\n[Banks]\n";
    for (int bank = 0; bank < 300; ++bank)
        text += std::to_string(bank) + "=Bank number " + std::to_string(bank) + " of many\n";
    const std::string many = folder.Write("Many.INI", text);
    tree.SetDisplayStyle(MCProgramTree::STYLE_BY_BANK);
    tree.LoadInstrument(many, -1, -1);
    EXPECT_EQ(tree.GetCount(), 300u);
    EXPECT_EQ(Texts(nullptr).back(), "Bank number 299 of many");
}

TEST_F(ProgramTree, OffersItsMenuOnlyWithAFileLoaded) {
    CDialogScript script;
    script.QueueMenuChoice(MCProgramTree::ID_GROUP_BY_BANK);
    tree.SendMessage(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(tree.GetSafeHwnd()), MAKELPARAM(30, 30));
    QCoreApplication::processEvents();
    EXPECT_EQ(tree.GetDisplayStyle(), MCProgramTree::STYLE_BY_TYPE);

    tree.LoadInstrument(gs, 256, 5);
    tree.SendMessage(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(tree.GetSafeHwnd()), MAKELPARAM(30, 30));
    QCoreApplication::processEvents();
    EXPECT_EQ(tree.GetDisplayStyle(), MCProgramTree::STYLE_BY_BANK);
    EXPECT_EQ(Texts(nullptr), (std::vector<std::string>{"Capital", "Variation,2", "Fifth,5"}));
    EXPECT_EQ(tree.GetSelectedItem(), nullptr);
}

TEST_F(ProgramTree, AuditionsOnItsDeviceAndChannel) {
    tree.SetDevice(1);
    tree.SetChannel(10);
    CDialogScript script;
    bool ran = false;
    script.Queue(MCAuditionWnd::IDD, [&](CWnd& dlg) {
        auto* dialog = dynamic_cast<MCAuditionWnd*>(&dlg);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->GetDevice(), 1);
        EXPECT_EQ(dialog->GetChannel(), 11);   // the tree counts channels from 0, the dialog from 1
        ran = true;
        CDialogScript::Click(dlg, IDCANCEL);
    });
    Command(MCProgramTree::ID_AUDITION);
    EXPECT_TRUE(ran);
}

TEST(ShippedInstruments, GeneralMidiHasSixteenFamiliesOfEight) {
    const std::string path = MCGetInstrumentMapFile("General Midi");
    CWnd parent;
    ASSERT_TRUE(parent.Create(nullptr, "Parent", WS_VISIBLE, CRect(0, 0, 400, 400), nullptr, 0));
    MCProgramTree tree;
    ASSERT_TRUE(tree.Create(WS_VISIBLE, CRect(0, 0, 400, 400), &parent, kTreeId));
    tree.LoadInstrument(path, 0, 0);
    EXPECT_EQ(tree.GetItemText(tree.GetSelectedItem()), "00) Acoustic Grand Piano");
    tree.ExpandAll(1);
    int groups = 0;
    for (HTREEITEM item = tree.GetRootItem(); item; item = tree.GetNextSiblingItem(item), ++groups) {
        int voices = 0;
        for (HTREEITEM child = tree.GetChildItem(item); child; child = tree.GetNextSiblingItem(child))
            ++voices;
        EXPECT_EQ(voices, 8) << tree.GetItemText(item);
    }
    EXPECT_EQ(groups, 16);
    EXPECT_EQ(tree.GetCount(), 16u + 128u);

    tree.ClearCache();
    tree.LoadInstrument(MCGetInstrumentMapFile("General Midi Drums"), 0, 25);
    EXPECT_EQ(tree.GetItemText(tree.GetSelectedItem()), "25) Analog Kit");
}

}  // namespace
