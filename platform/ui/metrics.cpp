#include "platform/ui/metrics.h"

#include "platform/core/codepage.h"

#include <algorithm>
#include <atomic>
#include <cstring>

// ---- the logical font -----------------------------------------------------------

void SetFaceName(LOGFONT& font, std::string_view face) {
    std::memset(font.lfFaceName, 0, sizeof font.lfFaceName);
    std::string bytes;
    if (!Utf8ToCp1252(face, bytes)) {
        // Character by character, each without a single-byte form as "?".
        bytes.clear();
        for (char16_t unit : Utf8ToUtf16(face)) {
            if (unit >= 0xDC00 && unit <= 0xDFFF)
                continue;   // the second half of a pair already written as "?"
            int byte = (unit >= 0xD800 && unit <= 0xDBFF) ? -1 : CodePointToCp1252(unit);
            bytes += byte < 0 ? '?' : static_cast<char>(byte);
        }
    }
    std::memcpy(font.lfFaceName, bytes.data(), std::min<size_t>(bytes.size(), LF_FACESIZE - 1));
}

std::string GetFaceName(const LOGFONT& font) {
    return Cp1252ToUtf8(std::string_view(font.lfFaceName, strnlen(font.lfFaceName, LF_FACESIZE)));
}

namespace {

void PutLong(uint8_t* out, int32_t value) {
    auto u = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<uint8_t>(u >> (8 * i));
}

int32_t GetLong(const uint8_t* in) {
    uint32_t u = 0;
    for (int i = 0; i < 4; ++i)
        u |= static_cast<uint32_t>(in[i]) << (8 * i);
    return static_cast<int32_t>(u);
}

}  // namespace

std::array<uint8_t, LOGFONT_RECORD_SIZE> LogFontToBytes(const LOGFONT& font) {
    std::array<uint8_t, LOGFONT_RECORD_SIZE> bytes{};
    uint8_t* out = bytes.data();
    for (int32_t value : {font.lfHeight, font.lfWidth, font.lfEscapement, font.lfOrientation, font.lfWeight}) {
        PutLong(out, value);
        out += 4;
    }
    for (uint8_t value : {font.lfItalic, font.lfUnderline, font.lfStrikeOut, font.lfCharSet,
                          font.lfOutPrecision, font.lfClipPrecision, font.lfQuality, font.lfPitchAndFamily})
        *out++ = value;
    std::memcpy(out, font.lfFaceName, LF_FACESIZE);
    return bytes;
}

bool LogFontFromBytes(const void* data, size_t size, LOGFONT& font) {
    if (!data || size != LOGFONT_RECORD_SIZE)
        return false;
    const auto* in = static_cast<const uint8_t*>(data);
    LOGFONT read;
    for (int32_t* field : {&read.lfHeight, &read.lfWidth, &read.lfEscapement, &read.lfOrientation, &read.lfWeight}) {
        *field = GetLong(in);
        in += 4;
    }
    for (uint8_t* field : {&read.lfItalic, &read.lfUnderline, &read.lfStrikeOut, &read.lfCharSet,
                           &read.lfOutPrecision, &read.lfClipPrecision, &read.lfQuality, &read.lfPitchAndFamily})
        *field = *in++;
    std::memcpy(read.lfFaceName, in, LF_FACESIZE);
    read.lfFaceName[LF_FACESIZE - 1] = '\0';
    font = read;
    return true;
}

// ---- the desktop ----------------------------------------------------------------

namespace {

// The headless desktop: a 1920 x 1080 screen with a 40-pixel task bar at the bottom.
constexpr DesktopRect kScreen{0, 0, 1920, 1080};
constexpr int kTaskBar = 40;

CDesktopMetrics s_headless;
std::atomic<CDesktopMetrics*> s_metrics{nullptr};

CDesktopMetrics& Current() {
    CDesktopMetrics* metrics = s_metrics.load();
    return metrics ? *metrics : s_headless;
}

}  // namespace

DesktopRect CDesktopMetrics::GetScreen() const {
    return kScreen;
}

int CDesktopMetrics::GetLogPixelsY() const {
    return 96;
}

DesktopRect CDesktopMetrics::GetWorkArea() const {
    DesktopRect work = GetScreen();
    work.bottom -= kTaskBar;
    return work;
}

int CDesktopMetrics::GetSystemMetrics(int index) const {
    switch (index) {
    case SM_CXSCREEN: return GetScreen().Width();
    case SM_CYSCREEN: return GetScreen().Height();
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL: return 17;
    case SM_CYCAPTION: return 23;
    case SM_CXBORDER:
    case SM_CYBORDER: return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME: return 3;
    case SM_CXICON:
    case SM_CYICON: return 32;
    case SM_CYMENU: return 20;
    case SM_CXFULLSCREEN: return GetWorkArea().Width();
    case SM_CYFULLSCREEN: return GetWorkArea().Height() - GetSystemMetrics(SM_CYCAPTION);
    case SM_CXFRAME:
    case SM_CYFRAME: return 4;
    case SM_CXEDGE:
    case SM_CYEDGE: return 2;
    case SM_CXSMICON:
    case SM_CYSMICON: return 16;
    // A maximized window's frame lies just outside the work area.
    case SM_CXMAXIMIZED: return GetWorkArea().Width() + 2 * GetSystemMetrics(SM_CXFRAME);
    case SM_CYMAXIMIZED: return GetWorkArea().Height() + 2 * GetSystemMetrics(SM_CYFRAME);
    default: return 0;
    }
}

CDesktopMetrics* SetDesktopMetrics(CDesktopMetrics* metrics) {
    return s_metrics.exchange(metrics);
}

int GetSystemMetrics(int index) {
    return Current().GetSystemMetrics(index);
}

DesktopRect GetWorkArea() {
    return Current().GetWorkArea();
}

int GetScreenLogPixelsY() {
    return Current().GetLogPixelsY();
}

DesktopReach GetDesktopReach() {
    constexpr int64_t kWorkAreas = 4;
    constexpr int64_t kFarthest = int64_t{1} << 20;
    const DesktopRect area = GetWorkArea();
    return {static_cast<int>(std::clamp<int64_t>(int64_t{area.Width()} * kWorkAreas, 1, kFarthest)),
            static_cast<int>(std::clamp<int64_t>(int64_t{area.Height()} * kWorkAreas, 1, kFarthest))};
}
