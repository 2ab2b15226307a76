#include "app/sysexdata.h"

#include "model/midifields.h"
#include "platform/core/exceptions.h"
#include "platform/core/file.h"
#include "platform/core/filesys.h"

#include <cerrno>
#include <cstdio>

namespace {

// Device ids the standard messages are sent with: "all devices" for the
// General MIDI resets, the usual default unit for GS and XG.
constexpr int kGeneralMidiDeviceId = 127;
constexpr int kGsXgDeviceId = 16;

// Typed text may come pasted from anywhere: a line end or a tab between two
// bytes separates them as a space does, rather than joining them into one
// token whose tail is lost.
bool IsSeparator(char c) {
    return c == ' ' || c == ',' || c == '\t' || c == '\r' || c == '\n';
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string FormatSysExText(const SysExBytes& bytes) {
    std::string text;
    text.reserve(bytes.size() * 3);
    for (std::uint8_t byte : bytes) {
        char group[4];
        std::snprintf(group, sizeof group, "%02x ", byte);
        text += group;
    }
    return text;
}

SysExBytes ParseSysExText(std::string_view text) {
    SysExBytes bytes;
    size_t at = 0;
    while (at < text.size()) {
        if (IsSeparator(text[at])) {
            ++at;
            continue;
        }
        size_t end = at;
        while (end < text.size() && !IsSeparator(text[end]))
            ++end;
        std::string_view token = text.substr(at, end - at);
        at = end;

        if (token.size() > 2 && token[0] == '0' && (token[1] == 'x' || token[1] == 'X') && HexDigit(token[2]) >= 0)
            token.remove_prefix(2);
        if (token.empty() || HexDigit(token[0]) < 0)
            continue;   // no number here
        // Only the low 8 bits count, so however long the token, nothing overflows.
        unsigned value = 0;
        for (char c : token) {
            const int digit = HexDigit(c);
            if (digit < 0)
                break;
            value = ((value << 4) | static_cast<unsigned>(digit)) & 0xFF;
        }
        bytes.push_back(static_cast<std::uint8_t>(value));
    }
    return bytes;
}

SysExBytes BuildStandardSysEx(int type) {
    FCMidiSysEx message;
    switch (type) {
    case SYSEX_GM_ON: message.SetGMSystemOn(kGeneralMidiDeviceId); break;
    case SYSEX_GM_OFF: message.SetGMSystemOff(kGeneralMidiDeviceId); break;
    case SYSEX_GS_ON: message.SetGSSystemOn(kGsXgDeviceId); break;
    case SYSEX_XG_ON: message.SetXGSystemOn(kGsXgDeviceId); break;
    default: return {};
    }
    const unsigned char* buffer = message.GetSysExBuf();
    return buffer ? SysExBytes(buffer, buffer + message.GetSysExBufLength()) : SysExBytes();
}

bool ReadSysExFile(const std::string& path, SysExBytes& bytes, int& osError) {
    CFile file;
    CFileException error;
    if (!file.Open(path, CFile::modeRead | CFile::shareDenyWrite, &error)) {
        osError = static_cast<int>(error.m_lOsError);
        return false;
    }
    try {
        const uint64_t length = file.GetLength();
        if (length > kMaxSysExFileSize) {
            osError = EFBIG;
            return false;
        }
        SysExBytes read(static_cast<size_t>(length));
        size_t done = 0;
        while (done < read.size()) {
            const size_t got = file.Read(read.data() + done, read.size() - done);
            if (got == 0)
                break;   // the file shrank meanwhile: what is there is the file
            done += got;
        }
        read.resize(done);
        bytes = std::move(read);
        return true;
    } catch (const CFileException& failure) {
        osError = static_cast<int>(failure.m_lOsError);
        return false;
    }
}

bool WriteSysExFile(const std::string& path, const SysExBytes& bytes, int& osError) {
    if (ReplaceFileContents(path, bytes.data(), bytes.size()))
        return true;
    osError = errno;
    return false;
}
