// Loading the test plug-in (tests/platform/data/test_plugin.cpp): finding it the way
// the plug-in scan does, calling its export, reading its resources, unloading it.
#include "platform/core/filesys.h"
#include "platform/core/library.h"
#include "platform/core/resources.h"

#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>

namespace {

// The program's own text for the id the plug-in also has.
STRING_TABLE({20001, "From the program"});

const std::string kPlugIns = STAFFWRIGHT_TEST_PLUGINS;
const std::string kPlugInPath = kPlugIns + "/libTestPlugIn.so";

using TwiceFunction = int (*)(int);

}  // namespace

TEST(Library, NamesMapToThisPlatformsFiles) {
    const struct { const char* name; std::vector<std::string> files; } cases[] = {
        {"Cantrel", {"Cantrel.so", "libCantrel.so", "Cantrel", "libCantrel"}},
        {"Mixer.DLL", {"Mixer.so", "libMixer.so", "Mixer.DLL", "libMixer.DLL"}},
        {"libasound.so.2", {"libasound.so.2"}},
        {"C:\\Program\\Wallpaper.dll", {"C:/Program/Wallpaper.so", "C:/Program/libWallpaper.so",
                                        "C:/Program/Wallpaper.dll", "C:/Program/libWallpaper.dll"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LibraryFileNames(c.name), c.files) << c.name;
}

TEST(Library, ThePlugInScanFindsLoadsCallsAndUnloadsAPlugIn) {
    // Found as the system searches: its folder, its "*.DLL" pattern.
    EXPECT_EQ(FindLibraries(kPlugIns), std::vector<std::string>{kPlugInPath});
    auto found = FindFiles(PathJoin(kPlugIns, "*.DLL"));
    ASSERT_EQ(found.size(), 1u);
    ASSERT_EQ(found[0].path, kPlugInPath);

    ASSERT_EQ(GetModuleHandle("TestPlugIn"), nullptr);
    std::string error;
    HINSTANCE module = LoadLibrary(found[0].path, &error);
    ASSERT_NE(module, nullptr) << error;
    EXPECT_EQ(GetModuleHandle("TestPlugIn.DLL"), module);
    EXPECT_EQ(GetModuleHandle(kPlugInPath), module);
    EXPECT_EQ(GetModuleFileName(module), kPlugInPath);

    auto twice = reinterpret_cast<TwiceFunction>(GetProcAddress(module, "TestPlugInTwice"));
    ASSERT_NE(twice, nullptr) << GetLibraryError();
    EXPECT_EQ(twice(21), 42);
    EXPECT_NE(GetProcAddress(module, "InitPlugins"), nullptr);
    EXPECT_EQ(GetProcAddress(module, "NoSuchExport"), nullptr);
    EXPECT_FALSE(GetLibraryError().empty());

    // Its strings: in its own module, and through the search from the program's.
    std::string text;
    ASSERT_TRUE(LoadString(module, 20002, text));
    EXPECT_EQ(text, "Only in the plug-in");
    EXPECT_EQ(LoadString(20002), "Only in the plug-in");
    EXPECT_EQ(LoadString(20001), "From the program");   // the program's comes first...
    {
        CResourceSwitch use(module);                       // ...unless the plug-in is current
        EXPECT_EQ(GetResourceHandle(), module);
        EXPECT_EQ(LoadString(20001), "From the plug-in");
    }
    EXPECT_EQ(GetResourceHandle(), GetProgramModule());
    EXPECT_FALSE(LoadString(GetProgramModule(), 20002, text));
    ResourceBlock picture = FindResource(RT_BITMAP, "ZOOMIN0");
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture.module, module);
    EXPECT_EQ(picture.size, 5u);

    // A second load is a second reference: one free keeps it loaded.
    ASSERT_EQ(LoadLibrary(kPlugInPath), module);
    ASSERT_TRUE(FreeLibrary(module));
    EXPECT_EQ(GetModuleHandle("TestPlugIn"), module);
    ASSERT_TRUE(FreeLibrary(module));
    EXPECT_FALSE(FreeLibrary(module));

    // Unloaded: gone from the process, its resources with it.
    EXPECT_EQ(GetModuleHandle("TestPlugIn"), nullptr);
    EXPECT_FALSE(LoadString(20002, text));
    EXPECT_EQ(text, "");
    EXPECT_FALSE(FindResource(RT_BITMAP, "ZoomIn0"));
}

TEST(Library, ABareNameIsLookedForBesideTheProgram) {
    SetProgramFolder(kPlugIns);
    HINSTANCE module = LoadLibrary("TESTPLUGIN.DLL");
    SetProgramFolder("");
    ASSERT_NE(module, nullptr) << GetLibraryError();
    EXPECT_EQ(GetModuleFileName(module), kPlugInPath);
    EXPECT_TRUE(FreeLibrary(module));
}

TEST(Library, WhatIsNotALibraryFailsToLoadWithAnExplanation) {
    QTemporaryDir dir;
    std::string notALibrary = dir.path().toStdString() + "/Broken.so";
    std::ofstream(notALibrary) << "this is text, not a library\n";

    const std::string paths[] = {notALibrary, dir.path().toStdString() + "/Missing.DLL", "NoSuchLibraryAnywhere"};
    for (const std::string& path : paths) {
        std::string error;
        EXPECT_EQ(LoadLibrary(path, &error), nullptr) << path;
        EXPECT_FALSE(error.empty()) << path;
        EXPECT_EQ(GetLibraryError(), error);
    }
    std::string error;
    LoadLibrary(notALibrary, &error);
    EXPECT_NE(error.find("Broken.so"), std::string::npos) << error;
}

TEST(Library, TheProgramIsAModuleToo) {
    EXPECT_EQ(GetModuleHandle(""), GetProgramModule());
    EXPECT_EQ(GetModuleHandle("platform_tests"), GetProgramModule());
    EXPECT_EQ(GetModuleFileName(nullptr), GetProgramPath());
    EXPECT_EQ(GetModuleForAddress(&kPlugIns), GetProgramModule());
    // The platform library is a module of its own.
    HINSTANCE platform = GetModuleForAddress(reinterpret_cast<const void*>(&LoadLibrary));
    EXPECT_NE(platform, GetProgramModule());
    EXPECT_EQ(GetModuleHandle("platform"), platform);
    EXPECT_FALSE(FreeLibrary(platform));   // not loaded by LoadLibrary
}
