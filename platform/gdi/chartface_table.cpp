// The chord-chart face "Fretmark": one guitar chart a character, 33 to 248,
// each the glyph "chart<code>" of the face built from the fingering table at
// build time (tools/chartface), which lands in "Fonts" beside the program.
#include "platform/core/filesys.h"
#include "platform/gdi/symbolface.h"

#include <string>

namespace {

constexpr int kFirstChart = 33;
constexpr int kLastChart = 248;     // twelve roots of eighteen chord types

std::vector<SymbolCode> ChartCodes() {
    std::vector<SymbolCode> codes;
    for (int code = kFirstChart; code <= kLastChart; ++code) {
        SymbolCode entry;
        entry.code = static_cast<uint8_t>(code);
        SymbolGlyph glyph;
        glyph.name = "chart" + std::to_string(code);
        entry.glyphs.push_back(std::move(glyph));
        codes.push_back(std::move(entry));
    }
    return codes;
}

}  // namespace

std::string FindChartFaceFile() {
    // Beside the program's own file: a test may give the program another
    // folder for its plug-ins, but the face stays where the build put it.
    const std::string program = GetProgramPath();
    const size_t slash = program.rfind('/');
    if (slash == std::string::npos)
        return {};
    const std::string path = program.substr(0, slash) + "/Fonts/fretmark.ttf";
    return FileExists(path) ? path : std::string();
}

std::unique_ptr<CSymbolFace> MakeChartFace() {
    return std::make_unique<CSymbolFace>("Fretmark", std::vector<std::string>{FindChartFaceFile()},
                                         ChartCodes());
}
