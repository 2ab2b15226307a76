#include "notation/layout/textfonts.h"

#include "notation/layout/fontsize.h"
#include "platform/core/profile.h"
#include "platform/ui/syscolor.h"

#include <cctype>
#include <string>
#include <vector>

namespace {

constexpr LayoutTextFontDefaults kText = {"Text Font", "Arial", -12, ANSI_CHARSET, true, false};
constexpr LayoutTextFontDefaults kExpression = {"Expression Font", "Times New Roman", -12, ANSI_CHARSET, true, true};
constexpr LayoutTextFontDefaults kLyric = {"Lyric Font", "Arial", -12, ANSI_CHARSET, true, false};
constexpr LayoutTextFontDefaults kChart = {"Chart Font", "Fretmark", -28, SYMBOL_CHARSET, false, false};

// A style field: 1 on, 0 off; left out or not a number, the default.
bool ReadStyle(const std::vector<std::string>& fields, size_t index, bool byDefault) {
    if (index >= fields.size())
        return byDefault;
    const std::string& field = fields[index];
    size_t at = 0;
    while (at < field.size() && std::isspace(static_cast<unsigned char>(field[at])))
        ++at;
    if (at == field.size() || !(std::isdigit(static_cast<unsigned char>(field[at])) || field[at] == '-' || field[at] == '+'))
        return byDefault;
    const int value = ReadFontField(field);
    return value == 1 ? true : value == 0 ? false : byDefault;
}

}  // namespace

void BuildLayoutTextFont(MCFont& font, const LayoutTextFontDefaults& defaults) {
    LOGFONT cleared;
    cleared.lfCharSet = defaults.charSet;
    font.RestoreLogFont(cleared);

    std::string face = defaults.face;
    int size = defaults.size;
    bool bold = false;
    bool italic = defaults.italic;
    bool underline = false;
    const std::vector<std::string> fields =
        SplitFontPreference(GetProfileString("Settings\\Font", defaults.preference));
    if (!fields.empty()) {
        face = fields[0];
        size = ReadFontSize(fields, defaults.size);
        if (defaults.readsStyles) {
            bold = ReadStyle(fields, 2, bold);
            italic = ReadStyle(fields, 3, italic);
            underline = ReadStyle(fields, 4, underline);
        }
    }
    const int resolution = GetFontResolution();
    if (resolution == 0)
        return;     // only the character set
    font.SetFontHeight(FontPointsToHeight(FontPoints(size, resolution)));
    font.SetFontStyle(bold, italic, underline);
    font.SetFontName(face);
    font.SetFontColor(GetSysColor(COLOR_WINDOWTEXT));
}

// Built at load.
static MCChartFont s_chartFont;
static MCExpressionFont s_expressionFont;
static MCLyricFont s_lyricFont;
static MCTextFont s_textFont;

MCTextFont::MCTextFont() { BuildLayoutTextFont(*this, kText); }
MCTextFont::~MCTextFont() = default;
MCTextFont& MCTextFont::GetTextFont() { return s_textFont; }

MCExpressionFont::MCExpressionFont() { BuildLayoutTextFont(*this, kExpression); }
MCExpressionFont::~MCExpressionFont() = default;
MCExpressionFont& MCExpressionFont::GetExpressionFont() { return s_expressionFont; }

MCLyricFont::MCLyricFont() { BuildLayoutTextFont(*this, kLyric); }
MCLyricFont::~MCLyricFont() = default;
MCLyricFont& MCLyricFont::GetLyricFont() { return s_lyricFont; }

MCChartFont::MCChartFont() { BuildLayoutTextFont(*this, kChart); }
MCChartFont::~MCChartFont() = default;
MCChartFont& MCChartFont::GetChartFont() { return s_chartFont; }
