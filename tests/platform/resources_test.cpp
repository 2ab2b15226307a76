// String tables, data blocks and the current resource module, within the program.
// (A library's own resources are tested with the test plug-in, library_test.cpp.)
#include "platform/core/resources.h"

#include <gtest/gtest.h>

namespace {

STRING_TABLE({21001, "&View"}, {21002, "Caf\xC3\xA9"}, {21003, ""});

const unsigned char kWallpaper[] = {0x42, 0x4D, 0, 0};
const CResourceData s_wallpaper(RT_BITMAP, 21100, kWallpaper, sizeof kWallpaper);

}  // namespace

TEST(Resources, StringsAreFoundByIdAndMissingOnesAreEmpty) {
    const struct { unsigned id; bool found; const char* text; } cases[] = {
        {21001, true, "&View"},
        {21002, true, "Caf\xC3\xA9"},
        {21003, true, ""},          // an empty string is still a string
        {21099, false, ""},
    };
    for (const auto& c : cases) {
        std::string text = "stale";
        EXPECT_EQ(LoadString(c.id, text), c.found) << c.id;
        EXPECT_EQ(text, c.text) << c.id;
        EXPECT_EQ(LoadString(c.id), c.text) << c.id;
    }
    std::string text;
    EXPECT_TRUE(LoadString(GetProgramModule(), 21001, text));
    EXPECT_TRUE(LoadString(nullptr, 21001, text));   // null: the usual search
}

TEST(Resources, ATableLivesAsLongAsItsRegistration) {
    std::string text;
    {
        CStringTable later({{21001, "&Replaced"}, {21004, "Added"}});
        EXPECT_EQ(later.GetModule(), GetProgramModule());
        EXPECT_EQ(LoadString(21001), "&Replaced");   // a later registration of an id wins
        EXPECT_EQ(LoadString(21004), "Added");
    }
    EXPECT_FALSE(LoadString(21004, text));
    EXPECT_EQ(LoadString(21001), "&View");           // the one it hid is back
}

TEST(Resources, TheCurrentModuleSwitchesAndComesBack) {
    HINSTANCE program = GetProgramModule();
    EXPECT_EQ(GetResourceHandle(), program);
    HINSTANCE other = GetModuleForAddress(reinterpret_cast<const void*>(&GetResourceHandle));   // the platform library
    {
        CResourceSwitch outer(other);
        EXPECT_EQ(GetResourceHandle(), other);
        EXPECT_EQ(LoadString(21002), "Caf\xC3\xA9");   // the program's strings are still found
        {
            CResourceSwitch inner(program);
            EXPECT_EQ(GetResourceHandle(), program);
        }
        EXPECT_EQ(GetResourceHandle(), other);
    }
    EXPECT_EQ(GetResourceHandle(), program);
    SetResourceHandle(other);
    SetResourceHandle(nullptr);
    EXPECT_EQ(GetResourceHandle(), program);
}

TEST(Resources, DataBlocksAreFoundByKindAndNumberOrName) {
    ResourceBlock block = FindResource(RT_BITMAP, 21100);
    ASSERT_TRUE(block);
    EXPECT_EQ(block.data, kWallpaper);
    EXPECT_EQ(block.size, sizeof kWallpaper);
    EXPECT_EQ(block.module, GetProgramModule());
    EXPECT_FALSE(FindResource(RT_ICON, 21100));
    EXPECT_FALSE(FindResource("bitmap", "21100"));   // a name is not a number

    {
        CResourceData named("bitmap", "Ruler0", kWallpaper, 2);
        EXPECT_EQ(FindResource(RT_BITMAP, "RULER0").size, 2u);
        EXPECT_TRUE(FindResource(GetProgramModule(), RT_BITMAP, "ruler0"));
    }
    EXPECT_FALSE(FindResource(RT_BITMAP, "RULER0"));
    EXPECT_TRUE(FindResource(RT_BITMAP, 21100));
}
