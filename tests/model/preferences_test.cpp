// The preference functions over the application profile (a folder of the test
// run's own): the stored texts of floats, fonts and window placements, and the
// defaults that stand when a key is absent.
#include "model/preferences.h"

#include "platform/core/profile.h"
#include "platform/gdi/font.h"
#include "platform/ui/metrics.h"
#include "platform/ui/placement.h"

#include <gtest/gtest.h>

#include <vector>

#include <cmath>
#include <string>

namespace {

// Every test starts from empty sections of its own.
class PreferencesTest : public ::testing::Test {
protected:
    static constexpr const char* kSection = "Settings\\Preference Test";

    void SetUp() override { CProfile::Application().DeleteSection(kSection); }
    void TearDown() override { CProfile::Application().DeleteSection(kSection); }
};

TEST_F(PreferencesTest, IntegersAndTextsRoundTripWithDefaultsWhenAbsent) {
    EXPECT_EQ(LoadIntPreference(kSection, "Split Pitch", 60), 60);
    EXPECT_NE(SaveIntPreference(kSection, "Split Pitch", -7), 0);
    EXPECT_EQ(LoadIntPreference(kSection, "Split Pitch", 60), -7);

    EXPECT_EQ(LoadStringPreference(kSection, "Default Device", "none"), "none");
    // Longer than any fixed buffer the keys and texts once lived in.
    std::string longKey(300, 'k');
    std::string longText = std::string(1000, 'x') + ", with commas, = and \\ inside";
    EXPECT_NE(SaveStringPreference(kSection, longKey, longText), 0);
    EXPECT_EQ(LoadStringPreference(kSection, longKey, "none"), longText);
}

// A value read within what it can mean: out of range (a damaged profile)
// it reads as not stored, the default.
TEST_F(PreferencesTest, RangedValuesOutOfRangeReadAsTheDefault) {
    const struct {
        const char* stored;
        int expected;
    } integers[] = {{"", 4}, {"1", 1}, {"96", 96}, {"0", 4}, {"97", 4}, {"-2147483648", 4}, {"99999999999", 4}};
    for (const auto& c : integers) {
        WriteProfileString(kSection, "Division", c.stored);
        EXPECT_EQ(LoadIntPreference(kSection, "Division", 4, 1, 96), c.expected) << c.stored;
    }
    const struct {
        const char* stored;
        float expected;
    } floats[] = {{"", 0.75f}, {"0", 0.0f}, {"2.5", 2.5f}, {"-1", 0.75f}, {"1e30", 0.75f}, {"nan", 0.75f}};
    for (const auto& c : floats) {
        WriteProfileString(kSection, "Margin", c.stored);
        EXPECT_EQ(LoadFloatPreference(kSection, "Margin", 0.75f, 0.0f, 10.0f), c.expected) << c.stored;
    }
    // A colour is three bytes.
    const struct {
        const char* stored;
        uint32_t expected;
    } colors[] = {{"", 0}, {"0", 0}, {"16777215", 0xFFFFFF}, {"16777216", 0x808000},
                  {"-1", 0x808000}, {"4294967295", 0x808000}, {"red", 0}};
    for (const auto& c : colors) {
        WriteProfileString(kSection, "Color", c.stored);
        EXPECT_EQ(LoadColorPreference(kSection, "Color", 0x808000), c.expected) << c.stored;
    }
}

TEST_F(PreferencesTest, FloatsLoadTheLeadingNumberOfTheirText) {
    const struct {
        const char* stored;   // nullptr: the key is absent
        float expected;
    } cases[] = {
        {nullptr, 9.25f},           // absent: the default
        {"", 9.25f},                // empty: the default
        {"1.500000", 1.5f},
        {"-3", -3.0f},
        {"  2.5 beats", 2.5f},      // leading blanks, trailing words
        {"1e3", 1000.0f},
        {"tempo", 0.0f},            // no digits: zero, not the default
        {"1e999", HUGE_VALF},       // beyond every float
    };
    for (const auto& c : cases) {
        CProfile::Application().DeleteKey(kSection, "Scale");
        if (c.stored)
            WriteProfileString(kSection, "Scale", c.stored);
        EXPECT_EQ(LoadFloatPreference(kSection, "Scale", 9.25f), c.expected) << (c.stored ? c.stored : "(absent)");
    }

    // A text longer than 127 characters is read whole.
    WriteProfileString(kSection, "Scale", std::string(200, '0') + "4.75");
    EXPECT_EQ(LoadFloatPreference(kSection, "Scale", 9.25f), 4.75f);
}

TEST_F(PreferencesTest, FloatsAreWrittenWithSixDecimals) {
    const struct {
        float value;
        const char* text;
    } cases[] = {
        {1.5f, "1.500000"}, {0.0f, "0.000000"}, {-0.125f, "-0.125000"}, {100.0f, "100.000000"},
        {1.0e-7f, "0.000000"},
    };
    for (const auto& c : cases) {
        EXPECT_NE(SaveFloatPreference(kSection, "Scale", c.value), 0);
        EXPECT_EQ(GetProfileString(kSection, "Scale"), c.text) << c.value;
    }
    SaveFloatPreference(kSection, "Scale", 0.333333f);
    EXPECT_FLOAT_EQ(LoadFloatPreference(kSection, "Scale", 9.0f), 0.333333f);
}

// What a loaded font describes.
struct FontSeen {
    std::string face;
    int height;
    int weight;
    int italic;
    int underline;
};

FontSeen Describe(const CFont& font) {
    LOGFONT logFont;
    EXPECT_NE(font.GetLogFont(&logFont), 0);
    return {GetFaceName(logFont), logFont.lfHeight, logFont.lfWeight, logFont.lfItalic, logFont.lfUnderline};
}

TEST_F(PreferencesTest, FontsTakeEachStoredPartOverTheDefaults) {
    const struct {
        const char* stored;   // nullptr: absent
        int bold, italic, underline;   // the defaults (face "Times", height 10)
        FontSeen expected;
    } cases[] = {
        {nullptr, 0, 0, 0, {"Times", 10, FW_NORMAL, 0, 0}},
        {nullptr, 1, 1, 1, {"Times", 10, FW_BOLD, 1, 1}},
        {"Arial, 12, 1, 0, 0", 0, 0, 0, {"Arial", 12, FW_BOLD, 0, 0}},
        // A 0 leaves the default standing: a bold default stays bold.
        {"Courier, 14, 0, 1, 0", 1, 0, 0, {"Courier", 14, FW_BOLD, 1, 0}},
        {"Courier, 14, 0, 1, 0", 0, 0, 0, {"Courier", 14, FW_NORMAL, 1, 0}},
        {"Courier, 14, 0, 0, 0", 0, 1, 1, {"Courier", 14, FW_NORMAL, 1, 1}},
        // A face alone: the missing parts are empty, an empty height is 0.
        {"Helvetica", 1, 1, 0, {"Helvetica", 0, FW_BOLD, 1, 0}},
        // Parts are split at every comma; the face is taken as it stands.
        {", 9", 0, 0, 0, {"", 9, FW_NORMAL, 0, 0}},
        {"Sans, Serif, 1", 0, 0, 0, {"Sans", 0, FW_BOLD, 0, 0}},
        // Only a 1 switches a style on.
        {"Arial, 12, 2, yes, -1", 0, 0, 0, {"Arial", 12, FW_NORMAL, 0, 0}},
        {"Arial, 12, 0, 0, 1, 1, 1", 0, 0, 0, {"Arial", 12, FW_NORMAL, 0, 1}},
        // A height no screen font has (a damaged profile) keeps the default.
        {"Arial, -1000, 1", 0, 0, 0, {"Arial", -1000, FW_BOLD, 0, 0}},
        {"Arial, 2147483648, 1", 0, 0, 0, {"Arial", 10, FW_BOLD, 0, 0}},
        {"Arial, -2147483648", 0, 0, 0, {"Arial", 10, FW_NORMAL, 0, 0}},
        {"Arial, 1001", 0, 0, 0, {"Arial", 10, FW_NORMAL, 0, 0}},
    };
    for (const auto& c : cases) {
        CProfile::Application().DeleteKey(kSection, "Lyric Font");
        if (c.stored)
            WriteProfileString(kSection, "Lyric Font", c.stored);
        std::unique_ptr<CFont> font =
            LoadFontPreference(kSection, "Lyric Font", "Times", 10, c.bold, c.italic, c.underline);
        ASSERT_NE(font, nullptr);
        FontSeen seen = Describe(*font);
        SCOPED_TRACE(c.stored ? c.stored : "(absent)");
        EXPECT_EQ(seen.face, c.expected.face);
        EXPECT_EQ(seen.height, c.expected.height);
        EXPECT_EQ(seen.weight, c.expected.weight);
        EXPECT_EQ(seen.italic, c.expected.italic);
        EXPECT_EQ(seen.underline, c.expected.underline);
    }
}

TEST_F(PreferencesTest, LoadedFontsAreCreatedForTrueTypeOutput) {
    std::unique_ptr<CFont> font = LoadFontPreference(kSection, "Text Font", "Arial", 12, 0, 0, 0);
    LOGFONT logFont;
    ASSERT_NE(font->GetLogFont(&logFont), 0);
    EXPECT_EQ(logFont.lfWidth, 0);
    EXPECT_EQ(logFont.lfEscapement, 0);
    EXPECT_EQ(logFont.lfOrientation, 0);
    EXPECT_EQ(logFont.lfStrikeOut, 0);
    EXPECT_EQ(logFont.lfCharSet, DEFAULT_CHARSET);
    EXPECT_EQ(logFont.lfOutPrecision, OUT_TT_PRECIS);
    EXPECT_EQ(logFont.lfClipPrecision, CLIP_DEFAULT_PRECIS);
    EXPECT_EQ(logFont.lfQuality, DEFAULT_QUALITY);
    EXPECT_EQ(logFont.lfPitchAndFamily, DEFAULT_PITCH | FF_DONTCARE);
}

TEST_F(PreferencesTest, FontsAreWrittenAsFiveParts) {
    const struct {
        int height, weight, italic, underline;
        const char* text;
    } cases[] = {
        {12, FW_BOLD, 0, 0, "Arial, 12, 1, 0, 0"},
        {-14, 600, 1, 1, "Arial, -14, 0, 1, 1"},   // only exactly 700 counts as bold
        {0, 900, 5, 0, "Arial, 0, 0, 1, 0"},
    };
    for (const auto& c : cases) {
        CFont font;
        font.CreateFont(c.height, 0, 0, 0, c.weight, static_cast<uint8_t>(c.italic),
                        static_cast<uint8_t>(c.underline), 0, DEFAULT_CHARSET, OUT_TT_PRECIS,
                        CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, "Arial");
        EXPECT_NE(SaveFontPreference(kSection, "Title Font", &font), 0);
        EXPECT_EQ(GetProfileString(kSection, "Title Font"), c.text);
    }

    // What is written loads back as the same font.
    CFont bold;
    bold.CreateFont(18, 0, 0, 0, FW_BOLD, 1, 0, 0, DEFAULT_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS,
                    DEFAULT_QUALITY, DEFAULT_PITCH, "Bookman Old Style");
    SaveFontPreference(kSection, "Title Font", &bold);
    FontSeen seen = Describe(*LoadFontPreference(kSection, "Title Font", "Times", 10, 0, 0, 0));
    EXPECT_EQ(seen.face, "Bookman Old Style");
    EXPECT_EQ(seen.height, 18);
    EXPECT_EQ(seen.weight, FW_BOLD);
    EXPECT_EQ(seen.italic, 1);
    EXPECT_EQ(seen.underline, 0);

    // Nothing to write: no font, or a font object that holds none.
    CFont empty;
    EXPECT_EQ(SaveFontPreference(kSection, "Empty Font", nullptr), 0);
    EXPECT_EQ(SaveFontPreference(kSection, "Empty Font", &empty), 0);
    EXPECT_FALSE(CProfile::Application().HasKey(kSection, "Empty Font"));
}

// A desktop of known size, so that the work area shows in the results.
class TestDesktop : public CDesktopMetrics {
public:
    int GetSystemMetrics(int index) const override {
        return index == SM_CXBORDER ? 3 : index == SM_CYBORDER ? 2 : CDesktopMetrics::GetSystemMetrics(index);
    }
    DesktopRect GetWorkArea() const override { return {0, 0, 1280, 984}; }
};

class WindowPrefsTest : public PreferencesTest {
protected:
    void SetUp() override {
        PreferencesTest::SetUp();
        m_previous = SetDesktopMetrics(&m_desktop);
    }
    void TearDown() override {
        SetDesktopMetrics(m_previous);
        PreferencesTest::TearDown();
    }

    TestDesktop m_desktop;
    CDesktopMetrics* m_previous = nullptr;
};

TEST_F(WindowPrefsTest, WithoutAStoredSizeTheWorkAreaGivesIt) {
    WriteProfileInt(kSection, "x", 40);
    WriteProfileInt(kSection, "y", 30);
    WINDOWPLACEMENT placement;
    placement.length = 0;
    int show = -1;
    EXPECT_EQ(LoadWindowPrefs(kSection, placement, show), 0);
    EXPECT_EQ(placement.rcNormalPosition.left, 40);
    EXPECT_EQ(placement.rcNormalPosition.top, 30);
    EXPECT_EQ(placement.rcNormalPosition.Width(), 1280);
    EXPECT_EQ(placement.rcNormalPosition.Height(), 984);
    EXPECT_EQ(show, static_cast<int>(SW_SHOWNORMAL));
    EXPECT_EQ(placement.showCmd, SW_SHOWNORMAL);
    EXPECT_EQ(placement.flags, 0u);
    EXPECT_EQ(placement.length, sizeof(WINDOWPLACEMENT));
    EXPECT_EQ(placement.ptMinPosition.x, 0);
    EXPECT_EQ(placement.ptMinPosition.y, 0);
    EXPECT_EQ(placement.ptMaxPosition.x, -3);
    EXPECT_EQ(placement.ptMaxPosition.y, -2);

    // One extent alone is not a size either.
    WriteProfileInt(kSection, "Width", 500);
    EXPECT_EQ(LoadWindowPrefs(kSection, placement, show), 0);
    EXPECT_EQ(placement.rcNormalPosition.Width(), 1280);
}

TEST_F(WindowPrefsTest, PlacementsRoundTripThroughTheirKeys) {
    const struct {
        uint32_t savedShow, savedFlags;
        int iconic, maximized;            // the keys written
        uint32_t loadedShow, loadedFlags;
    } cases[] = {
        {SW_SHOWNORMAL, 0, 0, 0, SW_SHOWNORMAL, 0},
        {SW_SHOWMAXIMIZED, 0, 0, 1, SW_SHOWMAXIMIZED, 0},
        {SW_SHOWMINIMIZED, 0, 1, 0, SW_SHOWMINNOACTIVE, 0},
        // Minimized from maximized: it comes back maximized.
        {SW_SHOWMINIMIZED, WPF_RESTORETOMAXIMIZED, 1, 1, SW_SHOWMINNOACTIVE, WPF_RESTORETOMAXIMIZED},
        {SW_SHOWMINIMIZED, WPF_SETMINPOSITION, 1, 1, SW_SHOWMINNOACTIVE, WPF_RESTORETOMAXIMIZED},
        {SW_HIDE, WPF_RESTORETOMAXIMIZED, 0, 0, SW_SHOWNORMAL, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "show " << c.savedShow << " flags " << c.savedFlags);
        WINDOWPLACEMENT saved;
        saved.showCmd = c.savedShow;
        saved.flags = c.savedFlags;
        saved.rcNormalPosition = {-10, 20, 630, 500};
        EXPECT_NE(SaveWindowPrefs(kSection, saved), 0);
        EXPECT_EQ(GetProfileInt(kSection, "x", 0), -10);
        EXPECT_EQ(GetProfileInt(kSection, "y", 0), 20);
        EXPECT_EQ(GetProfileInt(kSection, "Width", 0), 640);
        EXPECT_EQ(GetProfileInt(kSection, "Height", 0), 480);
        EXPECT_EQ(GetProfileInt(kSection, "Iconic", -1), c.iconic);
        EXPECT_EQ(GetProfileInt(kSection, "Maximized", -1), c.maximized);

        WINDOWPLACEMENT loaded;
        int show = -1;
        EXPECT_EQ(LoadWindowPrefs(kSection, loaded, show), 1);
        EXPECT_EQ(show, static_cast<int>(c.loadedShow));
        EXPECT_EQ(loaded.showCmd, c.loadedShow);
        EXPECT_EQ(loaded.flags, c.loadedFlags);
        EXPECT_EQ(loaded.rcNormalPosition.left, -10);
        EXPECT_EQ(loaded.rcNormalPosition.top, 20);
        EXPECT_EQ(loaded.rcNormalPosition.right, 630);
        EXPECT_EQ(loaded.rcNormalPosition.bottom, 500);
    }
}

// A damaged profile: a size beyond a few work areas (the first paint would
// ask for an image of gigabytes) or negative reads as none, a position far
// off the desktop as 0; nothing overflows the rectangle.
TEST_F(WindowPrefsTest, DamagedKeysReadAsNotStored) {
    const struct {
        int x, y, width, height;
        int stored, left, top, right, bottom;
    } cases[] = {
        {2147483000, -2147483000, 5000, 2000, 1, 0, 0, 5000, 2000},
        {40, 30, 5000, -5000, 0, 40, 30, 40 + 1280, 30 + 984},
        {40, 30, 2147483647, 600, 0, 40, 30, 40 + 1280, 30 + 984},
        {-5000, 3000, 800, 600, 1, -5000, 3000, -4200, 3600},   // off screen, yet within reach
        {40, 30, 800, 600, 1, 40, 30, 840, 630},
    };
    for (const auto& c : cases) {
        WriteProfileInt(kSection, "x", c.x);
        WriteProfileInt(kSection, "y", c.y);
        WriteProfileInt(kSection, "Width", c.width);
        WriteProfileInt(kSection, "Height", c.height);
        WINDOWPLACEMENT placement;
        int show = 0;
        EXPECT_EQ(LoadWindowPrefs(kSection, placement, show), c.stored) << c.x << " " << c.width;
        const auto& r = placement.rcNormalPosition;
        EXPECT_EQ((std::vector<int>{r.left, r.top, r.right, r.bottom}),
                  (std::vector<int>{c.left, c.top, c.right, c.bottom}))
            << c.x << " " << c.y << " " << c.width << " " << c.height;
    }
}

// A window that reports a fixed placement, or none before it exists.
class TestWindow : public CPlacedWindow {
public:
    explicit TestWindow(bool created) : m_created(created) {}
    int GetWindowPlacement(WINDOWPLACEMENT* placement) const override {
        if (!m_created)
            return 0;
        *placement = WINDOWPLACEMENT();
        placement->showCmd = SW_SHOWMAXIMIZED;
        placement->rcNormalPosition = {5, 6, 105, 206};
        return 1;
    }

private:
    bool m_created;
};

TEST_F(WindowPrefsTest, AWindowIsAskedForItsPlacement) {
    TestWindow notCreated(false);
    EXPECT_EQ(SaveWindowPrefs(kSection, &notCreated), 0);
    EXPECT_EQ(SaveWindowPrefs(kSection, static_cast<const CPlacedWindow*>(nullptr)), 0);
    EXPECT_TRUE(CProfile::Application().GetKeys(kSection).empty());

    TestWindow window(true);
    EXPECT_NE(SaveWindowPrefs(kSection, &window), 0);
    EXPECT_EQ(CProfile::Application().GetKeys(kSection),
              (std::vector<std::string>{"x", "y", "Width", "Height", "Iconic", "Maximized"}));
    EXPECT_EQ(GetProfileInt(kSection, "Width", 0), 100);
    EXPECT_EQ(GetProfileInt(kSection, "Height", 0), 200);
    EXPECT_EQ(GetProfileInt(kSection, "Maximized", 0), 1);
}

}  // namespace
