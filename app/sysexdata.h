// System-exclusive bytes as the SysEx dialog (sysexdlg.h) shows, reads, builds
// and keeps them: the hexadecimal text of a buffer and the buffer of a text,
// the four standard resets, and ".syx" files, which hold the raw bytes and
// nothing else.
//
// The text of n bytes is "%02x " per byte, 3n characters ending with a space.
// A text is read token by token, tokens separated by runs of spaces, commas,
// tabs and line ends; a token gives one byte, the low 8 bits of the
// hexadecimal number it begins with ("0x" allowed, reading stops at the first
// character that is no hexadecimal digit); a token that begins with no
// number gives nothing. The bytes are not checked to form a message: what is
// typed is what is sent.
//
// Plain functions on values; any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using SysExBytes = std::vector<std::uint8_t>;

// The message types of the dialog's type list, in the list's order.
enum SysExType : int {
    SYSEX_GM_ON = 0,
    SYSEX_GM_OFF = 1,
    SYSEX_GS_ON = 2,
    SYSEX_XG_ON = 3,
    SYSEX_CUSTOM = 4,
};

// The largest file Load reads: the device layer's largest message, so a file
// that could never be sent is not turned into megabytes of text.
inline constexpr std::size_t kMaxSysExFileSize = std::size_t{1} << 20;

std::string FormatSysExText(const SysExBytes& bytes);
SysExBytes ParseSysExText(std::string_view text);

// The complete message (F0 ... F7) of a standard type, with the device id the
// dialog gives it (127 for General MIDI, 16 for GS and XG); empty for
// SYSEX_CUSTOM and any other number.
SysExBytes BuildStandardSysEx(int type);

// Reads a whole ".syx" file into `bytes`. False with the system's error number
// in `osError` when it cannot be opened or read, or when it is larger than
// kMaxSysExFileSize (EFBIG); `bytes` is then untouched.
bool ReadSysExFile(const std::string& path, SysExBytes& bytes, int& osError);
// Writes the bytes as the whole file, replacing an old one only once the new
// one is complete (a failure leaves the old file as it was). False with the
// system's error number in `osError`.
bool WriteSysExFile(const std::string& path, const SysExBytes& bytes, int& osError);
