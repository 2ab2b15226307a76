// Test artwork for the image tests: 8-bit bitmap resources (a 40-byte header,
// a full 256-entry colour table, bottom-up rows padded to 4 bytes) built from
// a picture of colour indices, and registered under a name or an id for as
// long as the test keeps them.
#pragma once

#include "platform/core/resources.h"
#include "platform/gdi/gdiobj.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace dib_test {

// The colours of the test table's first entries; the rest are grey.
inline constexpr COLORREF kBlack = RGB(0, 0, 0);
inline constexpr COLORREF kBlue = RGB(0, 0, 255);
inline constexpr COLORREF kGreen = RGB(0, 255, 0);
inline constexpr COLORREF kRed = RGB(255, 0, 0);
inline constexpr COLORREF kMagenta = RGB(255, 0, 255);
enum : BYTE { INDEX_BLACK = 0, INDEX_BLUE = 1, INDEX_GREEN = 2, INDEX_RED = 3, INDEX_MAGENTA = 4 };

// The bytes of an 8-bit bitmap resource; rows[y][x] index the table, top row
// first.
inline std::vector<BYTE> MakeDib(const std::vector<std::vector<BYTE>>& rows) {
    const int height = static_cast<int>(rows.size());
    const int width = height ? static_cast<int>(rows[0].size()) : 0;
    const int stride = (width + 3) & ~3;
    BITMAPINFOHEADER header;
    header.biWidth = width;
    header.biHeight = height;
    header.biBitCount = 8;
    std::vector<BYTE> bytes(sizeof header + 256 * 4 + static_cast<size_t>(stride * height));
    std::memcpy(bytes.data(), &header, sizeof header);
    const COLORREF named[] = {kBlack, kBlue, kGreen, kRed, kMagenta};
    for (int i = 0; i < 256; ++i) {
        const COLORREF color = i < 5 ? named[i] : RGB(static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(i));
        BYTE* entry = bytes.data() + sizeof header + 4 * i;
        entry[0] = GetBValue(color);
        entry[1] = GetGValue(color);
        entry[2] = GetRValue(color);
    }
    BYTE* data = bytes.data() + sizeof header + 256 * 4;
    for (int y = 0; y < height; ++y)
        std::memcpy(data + static_cast<size_t>((height - 1 - y) * stride), rows[static_cast<size_t>(y)].data(),
                    static_cast<size_t>(width));
    return bytes;
}

// A picture of `width` x `height` in equal vertical bands of the indices given.
inline std::vector<std::vector<BYTE>> Bands(int width, int height, const std::vector<BYTE>& indices) {
    std::vector<std::vector<BYTE>> rows(static_cast<size_t>(height), std::vector<BYTE>(static_cast<size_t>(width)));
    const int band = width / static_cast<int>(indices.size());
    for (auto& row : rows)
        for (int x = 0; x < width; ++x)
            row[static_cast<size_t>(x)] = indices[static_cast<size_t>(std::min<int>(x / band, static_cast<int>(indices.size()) - 1))];
    return rows;
}

// A bitmap resource registered in the test program while it lives.
class TestBitmap {
public:
    TestBitmap(const std::string& name, std::vector<BYTE> bytes)
        : m_bytes(std::move(bytes)), m_block(RT_BITMAP, name.c_str(), m_bytes.data(), m_bytes.size()) {}
    TestBitmap(unsigned id, std::vector<BYTE> bytes)
        : m_bytes(std::move(bytes)), m_block(RT_BITMAP, id, m_bytes.data(), m_bytes.size()) {}
    const std::vector<BYTE>& Bytes() const { return m_bytes; }

private:
    std::vector<BYTE> m_bytes;
    CResourceData m_block;
};

}  // namespace dib_test
