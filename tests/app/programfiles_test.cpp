// The files the build puts beside the program: the tips, the web addresses,
// the document templates, and the wallpaper and button-face libraries.
// Before any Qt header: the model's headers name parameters "slots".
#include "tests/interface/document/doc_support.h"

#include "app/tips.h"
#include "interface/controls/bitmap.h"
#include "interface/document/resourcemodule.h"
#include "model/conductor.h"
#include "model/staff.h"
#include "platform/core/filesys.h"
#include "platform/core/profile.h"
#include "platform/core/resources.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

const std::string kProgramFolder = STAFFWRIGHT_PROGRAM_FOLDER;

TEST(ProgramFiles, EveryLineOfTheTipsIsOneTip) {
    const std::string path = PathJoin(kProgramFolder, "Music.tip");
    std::ifstream file(path);
    ASSERT_TRUE(file) << path;
    int lines = 0;
    for (std::string line; std::getline(file, line); ++lines) {
        EXPECT_LT(line.size() + 1, size_t{kTipPieceBytes}) << "line " << lines + 1;
        EXPECT_FALSE(line.empty()) << "line " << lines + 1;
    }
    EXPECT_GT(lines, 1);
    EXPECT_EQ(CountTips(path), lines);   // no line makes two tips
}

TEST(ProgramFiles, TheAddressFileHoldsTheFourKeys) {
    const std::string path = PathJoin(kProgramFolder, "addr.sys");
    ASSERT_TRUE(FileExists(path));
    EXPECT_EQ(GetPrivateProfileSectionNames(path), std::vector<std::string>{"URL"});
    for (const char* key : {"Home", "News", "Support", "Free"})
        EXPECT_EQ(GetPrivateProfileString("URL", key, "absent", path), "") << key;
}

class Templates : public ::testing::Test, public doc_support::DocumentParts {};

TEST_F(Templates, EmptyTrackHasANormalStaffAndPianoAGrandStaff) {
    const struct { const char* file; int staffType; } cases[] = {
        {"Empty Track.mmt", 0},
        {"Piano.mmt", 1},
    };
    for (const auto& c : cases) {
        std::unique_ptr<MCOpusDoc> opened = MakeDocument();
        const std::string path = PathJoin(PathJoin(kProgramFolder, "Templates"), c.file);
        ASSERT_TRUE(opened->OnOpenDocument(path.c_str())) << path;
        ECConductor* conductor = opened->GetSequence()->GetConductor();
        ASSERT_NE(conductor, nullptr) << c.file;
        EXPECT_EQ(conductor->GetMaxTrackNumber(TRACK_STAFF), 1) << c.file;
        auto* staff = static_cast<ECStaff*>(conductor->GetTrack(TRACK_STAFF, 1, 0));
        ASSERT_NE(staff, nullptr) << c.file;
        EXPECT_EQ(staff->GetStaffType(), c.staffType) << c.file;
        opened->OnCloseDocument();
    }
}

// Switches to a library beside the program for one test.
class ResourceLibrary : public ::testing::Test {
protected:
    void TearDown() override { ResetResourceModule(); }
};

TEST_F(ResourceLibrary, WallpapersAreNamedBitmapsFrom0x6000) {
    ASSERT_NE(SetResourceModule("Wallpaper.DLL"), nullptr);
    std::string name;
    ASSERT_TRUE(LoadString(0x6000, name));
    EXPECT_EQ(name, "Manuscript Paper");
    unsigned n = 0;
    for (; LoadString(0x6000 + n, name); ++n) {
        MCBitmap wallpaper;
        EXPECT_TRUE(wallpaper.Create(MAKEINTRESOURCE(0x6000 + n))) << name;
        EXPECT_GT(wallpaper.GetDimensions().cx, 0) << name;
    }
    EXPECT_GE(n, 1u);
}

TEST_F(ResourceLibrary, BothButtonLibrariesHoldThreeEightBitFacesPerButton) {
    const char* prefixes[] = {"New", "Open", "Save", "Print", "Select", "Insert", "Erase", "Palette", "Mixer",
                              "Properties", "Step", "Record", "Pause", "Stop", "Play", "Previous", "Next",
                              "Rewind", "Forward"};
    for (const char* library : {"Buttons1.DLL", "Buttons2.DLL"}) {
        HINSTANCE saved = SetResourceModule(library);
        ASSERT_NE(saved, nullptr) << library;
        for (const char* prefix : prefixes) {
            for (int state = 0; state < 3; ++state) {
                const std::string face = prefix + std::to_string(state);
                ASSERT_TRUE(FindResource(GetResourceHandle(), RT_BITMAP, std::string_view(face))) << library << face;
                MCBitmap bitmap;
                ASSERT_TRUE(bitmap.AttachResource(face.c_str(), 0)) << library << face;
                EXPECT_EQ(bitmap.GetColorDepth(), 8) << library << face;
            }
            // The series ends after the disabled face.
            EXPECT_FALSE(FindResource(GetResourceHandle(), RT_BITMAP, std::string_view(prefix + std::string("3"))));
        }
        ResetResourceModule();
    }
}

}  // namespace
