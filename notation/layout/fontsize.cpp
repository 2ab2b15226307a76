#include "notation/layout/fontsize.h"

#include "platform/gdi/dc.h"

#include <algorithm>
#include <cctype>
#include <climits>

namespace {

constexpr int kDefaultResolution = 96;
constexpr int kLayoutUnitsPerInch = 1440;
constexpr int kPointsPerInch = 72;
constexpr int kUnitsPerPoint = kLayoutUnitsPerInch / kPointsPerInch;
constexpr int kLargestFontSize = 500;

FontResolutionSource g_source = nullptr;

}  // namespace

void SetFontResolutionSource(FontResolutionSource source) {
    g_source = source;
}

int GetFontResolution() {
    return g_source ? g_source() : kDefaultResolution;
}

std::vector<std::string> SplitFontPreference(std::string_view value) {
    std::vector<std::string> fields;
    if (value.empty())
        return fields;
    size_t start = 0;
    for (;;) {
        const size_t comma = value.find(',', start);
        fields.emplace_back(value.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
        if (comma == std::string_view::npos)
            return fields;
        start = comma + 1;
    }
}

int ReadFontField(std::string_view field) {
    size_t at = 0;
    while (at < field.size() && std::isspace(static_cast<unsigned char>(field[at])))
        ++at;
    bool negative = false;
    if (at < field.size() && (field[at] == '-' || field[at] == '+'))
        negative = field[at++] == '-';
    long long value = 0;
    for (; at < field.size() && std::isdigit(static_cast<unsigned char>(field[at])); ++at)
        value = std::min<long long>(value * 10 + (field[at] - '0'), static_cast<long long>(INT_MAX) + 1);
    if (negative)
        value = -value;
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

int ReadFontSize(const std::vector<std::string>& fields, int defaultSize) {
    if (fields.size() < 2)
        return 0;
    const int size = ReadFontField(fields[1]);
    return size >= -kLargestFontSize && size <= kLargestFontSize ? size : defaultSize;
}

int FontPoints(int size, int resolution) {
    if (resolution == 0)
        return 0;
    // 64 bits: a size read from a file may be anything.
    const long long units = static_cast<long long>(size) * kLayoutUnitsPerInch / resolution;
    return static_cast<int>(std::clamp<long long>(units / kUnitsPerPoint, INT_MIN, INT_MAX));
}

int FontPointsToHeight(int points) {
    return MulDiv(points, kLayoutUnitsPerInch, kPointsPerInch);
}
