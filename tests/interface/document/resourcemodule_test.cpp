// Switching resources to a library and back, and record titles read from a
// library's string table. The library is the test plug-in of the platform's
// tests: it has 20001 "From the plug-in" (the program has its own 20001) and
// 20002 "Only in the plug-in".
#include "interface/document/pathhelpers.h"
#include "interface/document/pluginrecords.h"
#include "interface/document/resourcemodule.h"

#include "platform/core/filesys.h"
#include "platform/core/resources.h"

#include <gtest/gtest.h>

namespace {

STRING_TABLE({20001, "From the program"});

const std::string kPlugIns = STAFFWRIGHT_TEST_PLUGINS;
const std::string kHome = MCGetFilePath(kPlugIns);   // the folder that holds "PlugIns"

// Gives the program a folder of its own for one test.
class ResourceModule : public ::testing::Test {
protected:
    void TearDown() override {
        ResetResourceModule();
        SetProgramFolder("");
    }
};

}  // namespace

TEST_F(ResourceModule, NamesWithAFolderStartAtTheProgramsFolder) {
    SetProgramFolder("/opt/staffwright");
    const struct { const char* name; const char* path; } cases[] = {
        {"Wallpaper.DLL", "Wallpaper.DLL"},                          // bare: the library search
        {"Res\\Wallpaper", "/opt/staffwright/Res/Wallpaper.so"},
        {"Res/Buttons1.DLL", "/opt/staffwright/Res/Buttons1.DLL"},   // the loader maps ".DLL"
        {"..\\Res\\Wallpaper", "/opt/staffwright/../Res/Wallpaper.so"},
        {"Res.1\\Wallpaper", "/opt/staffwright/Res.1/Wallpaper.so"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ResourceModulePath(c.name), c.path) << c.name;
}

TEST_F(ResourceModule, ASwitchMakesTheLibraryFirstUntilItIsReset) {
    HINSTANCE program = GetProgramModule();
    ASSERT_EQ(GetResourceHandle(), program);
    SetProgramFolder(kHome);

    EXPECT_EQ(SetResourceModule("PlugIns\\TestPlugIn"), program);
    HINSTANCE library = GetModuleHandle("TestPlugIn");
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(GetResourceHandle(), library);
    EXPECT_EQ(LoadString(20001), "From the plug-in");
    EXPECT_EQ(LoadString(20002), "Only in the plug-in");

    ResetResourceModule();
    EXPECT_EQ(GetResourceHandle(), program);
    EXPECT_EQ(LoadString(20001), "From the program");
    std::string text;
    EXPECT_FALSE(LoadString(20002, text));   // freed: its strings left with it
    EXPECT_EQ(GetModuleHandle("TestPlugIn"), nullptr);
    ResetResourceModule();                   // nothing in force: nothing happens
    EXPECT_EQ(GetResourceHandle(), program);
}

TEST_F(ResourceModule, ABareNameIsFoundByTheLibrarySearch) {
    SetProgramFolder(kPlugIns);
    EXPECT_EQ(SetResourceModule("TestPlugIn.DLL"), GetProgramModule());
    EXPECT_EQ(LoadString(20001), "From the plug-in");
}

TEST_F(ResourceModule, AMissingLibraryChangesNothing) {
    SetProgramFolder(kHome);
    EXPECT_EQ(SetResourceModule("PlugIns\\NoSuchLibrary"), nullptr);
    EXPECT_EQ(SetResourceModule("NoSuchLibrary.DLL"), nullptr);
    EXPECT_EQ(GetResourceHandle(), GetProgramModule());

    // Nor does it end a switch in force.
    ASSERT_NE(SetResourceModule("PlugIns\\TestPlugIn"), nullptr);
    EXPECT_EQ(SetResourceModule("PlugIns\\NoSuchLibrary"), nullptr);
    EXPECT_EQ(LoadString(20001), "From the plug-in");
}

TEST_F(ResourceModule, ASecondSwitchEndsTheFirstAndKeepsTheOriginal) {
    HINSTANCE program = GetProgramModule();
    SetProgramFolder(kHome);
    ASSERT_EQ(SetResourceModule("PlugIns\\TestPlugIn"), program);
    EXPECT_EQ(SetResourceModule("PlugIns\\TestPlugIn"), program);   // not the library itself
    ResetResourceModule();
    EXPECT_EQ(GetResourceHandle(), program);
    // One reset undid both loads.
    EXPECT_EQ(GetModuleHandle("TestPlugIn"), nullptr);
}

TEST_F(ResourceModule, ARecordReadsItsTitleFromItsOwnModule) {
    std::string error;
    HINSTANCE library = LoadLibrary(kPlugIns + "/libTestPlugIn.so", &error);
    ASSERT_NE(library, nullptr) << error;
    {
        CPluginView inLibrary(nullptr, nullptr, library, 3, 20001, 0);
        CPluginView current(nullptr, nullptr, nullptr, 4, 20001, 0);
        CPluginInspector inspector(7, nullptr, library, 20001, 0);
        std::string text;
        EXPECT_EQ(inLibrary.LoadTitleString(text), 1);
        EXPECT_EQ(text, "From the plug-in");
        EXPECT_EQ(inspector.LoadTitleString(text), 1);
        EXPECT_EQ(text, "From the plug-in");
        EXPECT_EQ(current.LoadMenuString(text), 1);
        EXPECT_EQ(text, "From the program");
        EXPECT_EQ(GetResourceHandle(), GetProgramModule());   // switched back after the load
    }
    FreeLibrary(library);
}
