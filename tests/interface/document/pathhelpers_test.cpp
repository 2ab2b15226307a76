// Cutting paths into folder, name, title and extension; the save format a
// path names; finding a menu item by its text.
#include "interface/document/pathhelpers.h"
#include "interface/document/savedialog.h"

#include "platform/core/resources.h"
#include "platform/ui/menu.h"

#include <gtest/gtest.h>

using namespace std::string_literals;

namespace {

STRING_TABLE({21525, "&View"}, {21526, ""});

}  // namespace

TEST(PathHelpers, CutAPathIntoItsParts) {
    const struct {
        std::string path;
        const char* folder;
        const char* name;
        const char* title;
        const char* extension;
    } cases[] = {
        {"/music/song.mmm", "/music", "song.mmm", "song", "mmm"},
        {"C:\\Scores\\song.mid", "C:\\Scores", "song.mid", "song", "mid"},   // a stored name
        {"/a\\b/c.x", "/a\\b", "c.x", "c", "x"},                              // mixed separators
        {"/music/a.b.mid", "/music", "a.b.mid", "a.b", "mid"},                // two dots
        // A dot in the folder and none in the name: the extension runs from that dot.
        {"/my.music/song", "/my.music", "song", "song", "music/song"},
        {"song", "song", "song", "song", "song"},                            // bare, no dot
        {"/music/", "/music", "", "", "/music/"},
        {".mmm", ".mmm", ".mmm", "", "mmm"},
        {"", "", "", "", ""},
        {"/music/song.mid\0\0\0junk.x"s, "/music", "song.mid", "song", "mid"},  // a filled buffer
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(MCGetFilePath(c.path), c.folder);
        EXPECT_EQ(MCGetFileName(c.path), c.name);
        EXPECT_EQ(MCGetTitle(c.path), c.title);
        EXPECT_EQ(MCGetExtension(c.path), c.extension);
    }
}

TEST(PathHelpers, TheSaveFormatFollowsTheExactExtension) {
    const struct { const char* path; int format; } byPath[] = {
        {"/music/song.mmm", 0},
        {"/music/song.mid", 1},     // the first type with "mid": type 0
        {"/music/song.MID", -1},    // case counts
        {"/music/song.mmt", -1},
        {"/music.mid/song", -1},    // the folder's dot gives "mid/song"
        {"song", -1},
    };
    for (const auto& c : byPath)
        EXPECT_EQ(MCSaveDialog::GetSaveFormat(c.path), c.format) << c.path;

    // The name typed overrides the type chosen in the list.
    const struct { int chosen; const char* path; int format; } chosen[] = {
        {0, "song.mid", 2},    // native chosen, "mid" typed: type 1 MIDI
        {1, "song.mmm", 0},    // MIDI chosen, "mmm" typed: native
        {2, "song.mmm", 0},
        {1, "song.mid", 1},
        {2, "song.mid", 2},
        {0, "song.MID", 0},    // case counts here too
        {0, "song.txt", 0},
        {1, "song", 1},
    };
    for (const auto& c : chosen)
        EXPECT_EQ(MCSaveDialog::CorrectFormat(c.chosen, c.path), c.format) << c.chosen << " " << c.path;
    EXPECT_EQ(MCSaveDialog().GetSaveFormat(), 0);
}

TEST(PathHelpers, MenuItemsAreFoundByExactText) {
    CMenu menu;
    menu.AppendMenu(MF_STRING, 1, "&File");
    menu.AppendMenu(MF_SEPARATOR);
    menu.AppendMenu(MF_POPUP, std::make_unique<CMenu>(), "&View");
    menu.AppendMenu(MF_STRING, 2, "View");
    std::string longText(300, 'x');
    menu.AppendMenu(MF_STRING, 3, longText);

    const struct { std::string text; int index; } cases[] = {
        {"&View", 2},
        {"View", 3},              // "&" counts
        {"&view", -1},            // case counts
        {"", 1},                  // the separator's empty text
        {longText.substr(0, 255), 4},   // an item reports its first 255 bytes
        {longText, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MCGetMenuIndex(&menu, c.text), c.index) << c.text;
    EXPECT_EQ(MCGetMenuIndex(nullptr, "&View"), -1);

    EXPECT_EQ(MCGetMenuIndex(&menu, 21525u), 2);
    EXPECT_EQ(MCGetMenuIndex(&menu, 21599u), -1);   // a missing string matches nothing,
    EXPECT_EQ(MCGetMenuIndex(&menu, 21526u), 1);    // an empty one is still a text
}
