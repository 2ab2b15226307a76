#include "notation/layout/textfonts.h"

#include "notation/layout/fontsize.h"
#include "tests/notation/layout/font_support.h"

#include <gtest/gtest.h>


namespace {

struct Expected {
    const char* face;
    int height;
    int weight;
    int italic;
    int underline;
    int charSet;
};

// The description a font of class F is built with.
template <typename F>
LOGFONT Built() {
    return F().GetLogFont();
}

void ExpectFont(const LOGFONT& logFont, const Expected& expected, const char* what) {
    EXPECT_EQ(GetFaceName(logFont), expected.face) << what;
    EXPECT_EQ(logFont.lfHeight, expected.height) << what;
    EXPECT_EQ(logFont.lfWeight, expected.weight) << what;
    EXPECT_EQ(logFont.lfItalic, expected.italic) << what;
    EXPECT_EQ(logFont.lfUnderline, expected.underline) << what;
    EXPECT_EQ(logFont.lfCharSet, expected.charSet) << what;
    EXPECT_EQ(logFont.lfPitchAndFamily, 0) << what;
}

}  // namespace

TEST(TextFontsTest, FontsFromTheirPreferences) {
    const struct {
        const char* key;
        const char* preference;
        LOGFONT (*build)();
        Expected expected;
    } cases[] = {
        {"Text Font", "", &Built<MCTextFont>, {"Arial", -180, 400, 0, 0, 0}},
        {"Expression Font", "", &Built<MCExpressionFont>, {"Times New Roman", -180, 400, 1, 0, 0}},
        {"Lyric Font", "", &Built<MCLyricFont>, {"Arial", -180, 400, 0, 0, 0}},
        {"Chart Font", "", &Built<MCChartFont>, {"Fretmark", -420, 400, 0, 0, SYMBOL_CHARSET}},
        {"Lyric Font", "Arial,-16,1,0,1", &Built<MCLyricFont>, {"Arial", -240, 700, 0, 1, 0}},
        // A style turned off stays off, even one that is on by default.
        {"Expression Font", "Times New Roman,-12,0,0,0", &Built<MCExpressionFont>, {"Times New Roman", -180, 400, 0, 0, 0}},
        // Styles left out, or not numbers, keep the defaults.
        {"Expression Font", "Courier New,-12", &Built<MCExpressionFont>, {"Courier New", -180, 400, 1, 0, 0}},
        {"Expression Font", "Courier New,-12,x,,2", &Built<MCExpressionFont>, {"Courier New", -180, 400, 1, 0, 0}},
        // The chart font reads face and size only.
        {"Chart Font", "Fretmark,-16,1,1,1", &Built<MCChartFont>, {"Fretmark", -240, 400, 0, 0, SYMBOL_CHARSET}},
        // A size no font has (a damaged profile) keeps the default.
        {"Text Font", "Arial,-2147483648", &Built<MCTextFont>, {"Arial", -180, 400, 0, 0, 0}},
        {"Lyric Font", "Arial,99999", &Built<MCLyricFont>, {"Arial", -180, 400, 0, 0, 0}},
        {"Text Font", "Arial,-500", &Built<MCTextFont>, {"Arial", -7500, 400, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        ScopedFontPreference preference(c.key, c.preference);
        ExpectFont(c.build(), c.expected, c.preference[0] ? c.preference : c.key);
    }
}

TEST(TextFontsTest, WithoutAResolutionOnlyTheCharacterSet) {
    SetFontResolutionSource([] { return 0; });
    MCChartFont chart;
    MCTextFont text;
    SetFontResolutionSource(nullptr);
    ExpectFont(chart.GetLogFont(), {"", 0, 0, 0, 0, SYMBOL_CHARSET}, "chart");
    ExpectFont(text.GetLogFont(), {"", 0, 0, 0, 0, 0}, "text");
    EXPECT_EQ(GetFontResolution(), 96);
}

TEST(TextFontsTest, EachFontIsOneObject) {
    EXPECT_EQ(&MCTextFont::GetTextFont(), &MCTextFont::GetTextFont());
    EXPECT_EQ(MCChartFont::GetChartFont().GetLogFont().lfCharSet, SYMBOL_CHARSET);
    EXPECT_NE(static_cast<const void*>(&MCLyricFont::GetLyricFont()),
              static_cast<const void*>(&MCExpressionFont::GetExpressionFont()));
}
