#include "model/preferences.h"

#include "platform/core/format.h"
#include "platform/core/profile.h"
#include "platform/gdi/font.h"
#include "platform/ui/metrics.h"
#include "platform/ui/placement.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <locale.h>
#include <string_view>
#include <vector>

namespace {

// The keys of a window's section.
constexpr const char* kKeyX = "x";
constexpr const char* kKeyY = "y";
constexpr const char* kKeyWidth = "Width";
constexpr const char* kKeyHeight = "Height";
constexpr const char* kKeyIconic = "Iconic";
constexpr const char* kKeyMaximized = "Maximized";

// A colour's red, green and blue bytes; a stored number above is no colour.
constexpr int kLargestColor = 0xFFFFFF;

// The tallest font a stored height may ask for, in the caller's units either
// way: beyond it a damaged profile's number would ask the toolkit for a glyph
// cache of gigabytes.
constexpr int kLargestFontHeight = 1000;

// The parts of a font's text, in order.
enum FontPart { FONT_FACE, FONT_HEIGHT, FONT_BOLD, FONT_ITALIC, FONT_UNDERLINE, FONT_PART_COUNT };

// The C library's plain number forms, independent of the language the user runs
// the program in (the toolkit switches the process to the user's locale, which
// would turn "1.5" into "1,5").
locale_t PlainLocale() {
    static const locale_t plain = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return plain;
}

// The leading decimal integer of a text (blanks and a sign allowed), 0 when it
// begins with none; values beyond an int stop at its limits.
int LeadingInt(const std::string& text) {
    long long value = strtoll_l(text.c_str(), nullptr, 10, PlainLocale());
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

// The leading floating-point number of a text, 0.0 when it begins with none.
// A number beyond a float's range reads as an infinity of its sign.
float LeadingFloat(const std::string& text) {
    double value = strtod_l(text.c_str(), nullptr, PlainLocale());
    if (std::isfinite(value) && std::fabs(value) > FLT_MAX)
        return value > 0 ? HUGE_VALF : -HUGE_VALF;
    return static_cast<float>(value);
}

// "%f": six decimals, a point, no grouping.
std::string FixedSix(float value) {
    char text[64];   // the widest float in this form: sign, 39 digits, point, six decimals
    auto [end, error] = std::to_chars(text, text + sizeof text, static_cast<double>(value),
                                      std::chars_format::fixed, 6);
    return error == std::errc() ? std::string(text, end) : std::string();
}

// The first FONT_PART_COUNT comma-separated parts of a text; a part the text
// lacks is empty, and parts beyond the last are ignored.
std::vector<std::string> SplitFontText(const std::string& text) {
    std::vector<std::string> parts(FONT_PART_COUNT);
    size_t start = 0;
    for (int i = 0; i < FONT_PART_COUNT; ++i) {
        size_t comma = text.find(',', start);
        parts[i] = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    return parts;
}

// A sum or difference of stored positions and sizes within int32, stopping at
// its limits: the values come from a file a user may have edited.
int32_t ClampedInt32(int64_t value) {
    if (value > INT32_MAX)
        return INT32_MAX;
    if (value < INT32_MIN)
        return INT32_MIN;
    return static_cast<int32_t>(value);
}

}  // namespace

// ---- integers and texts ----------------------------------------------------------

int LoadIntPreference(const std::string& section, const std::string& key, int defaultValue) {
    return GetProfileInt(section, key, defaultValue);
}

int LoadIntPreference(const std::string& section, const std::string& key, int defaultValue, int lowest,
                      int highest) {
    const int value = GetProfileInt(section, key, defaultValue);
    return value < lowest || value > highest ? defaultValue : value;
}

int SaveIntPreference(const std::string& section, const std::string& key, int value) {
    return WriteProfileInt(section, key, value) ? 1 : 0;
}

uint32_t LoadColorPreference(const std::string& section, const std::string& key, uint32_t defaultValue) {
    const int fallback = static_cast<int>(defaultValue & kLargestColor);
    return static_cast<uint32_t>(LoadIntPreference(section, key, fallback, 0, kLargestColor));
}

std::string LoadStringPreference(const std::string& section, const std::string& key,
                                 const std::string& defaultValue) {
    return GetProfileString(section, key, defaultValue);
}

int SaveStringPreference(const std::string& section, const std::string& key, const std::string& value) {
    return WriteProfileString(section, key, value) ? 1 : 0;
}

// ---- floats ----------------------------------------------------------------------

float LoadFloatPreference(const std::string& section, const std::string& key, float defaultValue) {
    std::string text = GetProfileString(section, key);
    if (text.empty())
        return defaultValue;
    return LeadingFloat(text);
}

float LoadFloatPreference(const std::string& section, const std::string& key, float defaultValue, float lowest,
                          float highest) {
    const float value = LoadFloatPreference(section, key, defaultValue);
    // Not a number fails both comparisons: it is refused too.
    return value >= lowest && value <= highest ? value : defaultValue;
}

int SaveFloatPreference(const std::string& section, const std::string& key, float value) {
    return WriteProfileString(section, key, FixedSix(value)) ? 1 : 0;
}

// ---- fonts -----------------------------------------------------------------------

std::unique_ptr<CFont> LoadFontPreference(const std::string& section, const std::string& key,
                                          const std::string& face, int height, int bold,
                                          int italic, int underline) {
    std::string faceName = face;
    int weight = bold ? FW_BOLD : FW_NORMAL;

    std::string text = GetProfileString(section, key);
    if (!text.empty()) {
        std::vector<std::string> parts = SplitFontText(text);
        faceName = parts[FONT_FACE];
        const int stored = LeadingInt(parts[FONT_HEIGHT]);
        if (stored >= -kLargestFontHeight && stored <= kLargestFontHeight)
            height = stored;
        // Only a 1 switches a style on; a 0 keeps the caller's default, so a
        // default of bold stays bold.
        if (LeadingInt(parts[FONT_BOLD]) == 1)
            weight = FW_BOLD;
        if (LeadingInt(parts[FONT_ITALIC]) == 1)
            italic = 1;
        if (LeadingInt(parts[FONT_UNDERLINE]) == 1)
            underline = 1;
    }

    auto font = std::make_unique<CFont>();
    font->CreateFont(height, 0, 0, 0, weight, italic ? 1 : 0, underline ? 1 : 0, 0, DEFAULT_CHARSET,
                     OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                     faceName);
    return font;
}

int SaveFontPreference(const std::string& section, const std::string& key, const CFont* font) {
    LOGFONT logFont;
    if (!font || !font->GetLogFont(&logFont))
        return 0;
    std::string text = FormatMessage("%1, %2, %3, %4, %5", GetFaceName(logFont), logFont.lfHeight,
                                     logFont.lfWeight == FW_BOLD ? 1 : 0, logFont.lfItalic ? 1 : 0,
                                     logFont.lfUnderline ? 1 : 0);
    return WriteProfileString(section, key, text) ? 1 : 0;
}

// ---- window placement --------------------------------------------------------------

int LoadWindowPrefs(const std::string& section, WINDOWPLACEMENT& placement, int& showCommand) {
    // What a damaged profile can hold is kept to a few screens: a window far
    // off the desktop or larger than it (its first paint would ask for an
    // image of gigabytes) reads as not stored.
    const DesktopRect workArea = GetWorkArea();
    const DesktopReach reach = GetDesktopReach();
    int y = GetProfileInt(section, kKeyY, 0);
    int x = GetProfileInt(section, kKeyX, 0);
    int height = GetProfileInt(section, kKeyHeight, 0);
    int width = GetProfileInt(section, kKeyWidth, 0);
    if (!reach.Holds(x, y))
        x = y = 0;
    if (width < 0 || height < 0 || !reach.Holds(width, height))
        width = height = 0;

    // Without a stored size the window takes the whole work area, at the stored position.
    int result = 1;
    if (width == 0 || height == 0) {
        width = workArea.Width();
        height = workArea.Height();
        result = 0;
    }
    placement.rcNormalPosition.left = x;
    placement.rcNormalPosition.top = y;
    placement.rcNormalPosition.right = ClampedInt32(int64_t{x} + width);
    placement.rcNormalPosition.bottom = ClampedInt32(int64_t{y} + height);

    int iconic = GetProfileInt(section, kKeyIconic, 0);
    int maximized = GetProfileInt(section, kKeyMaximized, 0);
    if (iconic) {
        // Minimized without taking the focus; it comes back maximized if it was.
        showCommand = SW_SHOWMINNOACTIVE;
        placement.flags = maximized > 0 ? WPF_RESTORETOMAXIMIZED : 0u;
    } else if (maximized) {
        showCommand = SW_SHOWMAXIMIZED;
        placement.flags = 0;
    } else {
        showCommand = SW_SHOWNORMAL;
        placement.flags = 0;
    }

    placement.length = sizeof(WINDOWPLACEMENT);
    placement.showCmd = static_cast<uint32_t>(showCommand);
    placement.ptMinPosition = PlacementPoint{0, 0};
    // A maximized window puts its border just outside the work area.
    placement.ptMaxPosition = PlacementPoint{-GetSystemMetrics(SM_CXBORDER), -GetSystemMetrics(SM_CYBORDER)};
    return result;
}

int SaveWindowPrefs(const std::string& section, const WINDOWPLACEMENT& placement) {
    int iconic = 0;
    int maximized = 0;
    if (placement.showCmd == SW_SHOWMINIMIZED) {
        iconic = 1;
        maximized = placement.flags != 0 ? 1 : 0;   // it would come back maximized
    } else {
        maximized = placement.showCmd == SW_SHOWMAXIMIZED ? 1 : 0;
    }
    const DesktopRect& normal = placement.rcNormalPosition;
    bool written = WriteProfileInt(section, kKeyX, normal.left);
    written = WriteProfileInt(section, kKeyY, normal.top) && written;
    written = WriteProfileInt(section, kKeyWidth, ClampedInt32(int64_t{normal.right} - normal.left)) && written;
    written = WriteProfileInt(section, kKeyHeight, ClampedInt32(int64_t{normal.bottom} - normal.top)) && written;
    written = WriteProfileInt(section, kKeyIconic, iconic) && written;
    written = WriteProfileInt(section, kKeyMaximized, maximized) && written;
    return written ? 1 : 0;
}

int SaveWindowPrefs(const std::string& section, const CPlacedWindow* window) {
    WINDOWPLACEMENT placement;
    if (!window || !window->GetWindowPlacement(&placement))
        return 0;
    return SaveWindowPrefs(section, placement);
}
