// The logical-font record and the desktop's metrics.
//
// LOGFONT is the font description the system keeps, copies and stores: five
// 32-bit integers, eight bytes and a 32-byte face name, 60 bytes with no padding,
// laid out (little-endian) exactly as the system's stored records are, so
// LogFontToBytes/LogFontFromBytes read and write those records byte for byte.
// The face name is held in the record as the stored records hold it, in the
// Windows-1252 code page, at most 31 characters and a terminating zero;
// SetFaceName and GetFaceName convert from and to UTF-8.
//
// Desktop metrics. GetSystemMetrics answers the system's metric numbers (border,
// frame, caption, scroll bar widths, screen and maximized-window sizes) and
// GetWorkArea the desktop less its task bars. The platform library knows no screen
// (it links the core of the toolkit only): it answers with the values of a plain
// 1920 x 1080 desktop with a 40-pixel task bar, which is what tests and headless
// runs see. The GUI installs a CDesktopMetrics that asks the real screen.
//
// Threads: LOGFONT is plain data. The metrics functions may be called from any
// thread; the provider is installed once at start-up, before other threads ask.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// ---- the logical font -----------------------------------------------------------

inline constexpr int LF_FACESIZE = 32;

struct LOGFONT {
    int32_t lfHeight = 0;          // negative: character height; positive: cell height
    int32_t lfWidth = 0;
    int32_t lfEscapement = 0;      // tenths of a degree
    int32_t lfOrientation = 0;
    int32_t lfWeight = 0;          // FW_NORMAL 400, FW_BOLD 700
    uint8_t lfItalic = 0;
    uint8_t lfUnderline = 0;
    uint8_t lfStrikeOut = 0;
    uint8_t lfCharSet = 0;
    uint8_t lfOutPrecision = 0;
    uint8_t lfClipPrecision = 0;
    uint8_t lfQuality = 0;
    uint8_t lfPitchAndFamily = 0;
    char lfFaceName[LF_FACESIZE] = {};   // Windows-1252, zero-terminated
};
static_assert(sizeof(LOGFONT) == 60, "the stored record is 60 bytes");

// The values the system's fonts use.
enum : int32_t { FW_DONTCARE = 0, FW_NORMAL = 400, FW_BOLD = 700 };
enum : uint8_t {
    ANSI_CHARSET = 0,
    DEFAULT_CHARSET = 1,
    SYMBOL_CHARSET = 2,
    OUT_DEFAULT_PRECIS = 0,
    OUT_TT_PRECIS = 4,
    CLIP_DEFAULT_PRECIS = 0,
    DEFAULT_QUALITY = 0,
    DEFAULT_PITCH = 0,
    FF_DONTCARE = 0,
};

inline constexpr size_t LOGFONT_RECORD_SIZE = 60;

// Copies a UTF-8 face name into the record: at most 31 characters, each in its
// Windows-1252 byte ("?" for a character that has none), the rest zeroed.
void SetFaceName(LOGFONT& font, std::string_view face);
// The record's face name in UTF-8 (up to the first zero, at most 32 bytes).
std::string GetFaceName(const LOGFONT& font);

// The stored form of the record.
std::array<uint8_t, LOGFONT_RECORD_SIZE> LogFontToBytes(const LOGFONT& font);
// Reads a stored record; false (and `font` untouched) unless `size` is exactly
// 60. The face name is cut at its 32nd byte so the record is always terminated.
bool LogFontFromBytes(const void* data, size_t size, LOGFONT& font);

// ---- the desktop ----------------------------------------------------------------

// A rectangle of the desktop in pixels; right and bottom lie outside it.
struct DesktopRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
};

// The system's metric numbers.
enum : int {
    SM_CXSCREEN = 0,
    SM_CYSCREEN = 1,
    SM_CXVSCROLL = 2,       // width of a vertical scroll bar
    SM_CYHSCROLL = 3,       // height of a horizontal scroll bar
    SM_CYCAPTION = 4,
    SM_CXBORDER = 5,
    SM_CYBORDER = 6,
    SM_CXDLGFRAME = 7,      // the fixed (dialog) frame
    SM_CYDLGFRAME = 8,
    SM_CXICON = 11,
    SM_CYICON = 12,
    SM_CYMENU = 15,
    SM_CXFULLSCREEN = 16,   // client area of a maximized window
    SM_CYFULLSCREEN = 17,
    SM_CYVSCROLL = 20,      // height of a vertical scroll bar's arrow
    SM_CXHSCROLL = 21,      // width of a horizontal scroll bar's arrow
    SM_CXFRAME = 32,        // the sizing frame
    SM_CYFRAME = 33,
    SM_CXEDGE = 45,         // a three-dimensional edge
    SM_CYEDGE = 46,
    SM_CXSMICON = 49,
    SM_CYSMICON = 50,
    SM_CXMAXIMIZED = 61,    // a maximized top-level window, frame included
    SM_CYMAXIMIZED = 62,
};
inline constexpr int SM_CXFIXEDFRAME = SM_CXDLGFRAME;
inline constexpr int SM_CYFIXEDFRAME = SM_CYDLGFRAME;
inline constexpr int SM_CXSIZEFRAME = SM_CXFRAME;
inline constexpr int SM_CYSIZEFRAME = SM_CYFRAME;

// What the desktop looks like. The base class answers for a headless desktop
// (see above); the GUI derives one that reads the screen.
class CDesktopMetrics {
public:
    virtual ~CDesktopMetrics() = default;
    // The metric, 0 for a number it does not know.
    virtual int GetSystemMetrics(int index) const;
    // The desktop's work area: the primary screen less its task bars.
    virtual DesktopRect GetWorkArea() const;
    // The primary screen.
    virtual DesktopRect GetScreen() const;
    // The screen's logical pixels per inch, vertically (96 headless).
    virtual int GetLogPixelsY() const;
};

// Installs the provider (borrowed; nullptr restores the headless one) and
// returns the previous one.
CDesktopMetrics* SetDesktopMetrics(CDesktopMetrics* metrics);

int GetSystemMetrics(int index);
DesktopRect GetWorkArea();
int GetScreenLogPixelsY();

// How far a stored window may stand from the desktop's origin, and how large
// it may be: four work areas each way (at most 2^20 pixels). A position or size
// a damaged profile holds beyond it is not one a window ever had: it reads as
// not stored, and nothing computed from it overflows.
struct DesktopReach {
    int x = 0;
    int y = 0;
    bool Holds(int px, int py) const { return px >= -x && px <= x && py >= -y && py <= y; }
};
DesktopReach GetDesktopReach();
