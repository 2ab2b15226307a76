#include "platform/gdi/dib.h"

#include "platform/gdi/dc.h"
#include "platform/gdi/dc_private.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

bool UsableHeader(const BITMAPINFOHEADER& header) {
    const int bits = header.biBitCount;
    return header.biSize >= sizeof(BITMAPINFOHEADER) && header.biWidth > 0 && header.biHeight != 0 &&
           header.biHeight != std::numeric_limits<LONG>::min() && header.biWidth <= 65535 &&
           std::abs(header.biHeight) <= 65535 && header.biPlanes == 1 && header.biCompression == BI_RGB &&
           (bits == 1 || bits == 4 || bits == 8 || bits == 24 || bits == 32);
}

int Stride(const BITMAPINFOHEADER& header) { return ((header.biWidth * header.biBitCount + 31) / 32) * 4; }

// The colour of one pixel of a row (index or direct colour).
inline unsigned PixelValue(const BYTE* row, int x, int bits) {
    switch (bits) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4: return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF;
    case 8: return row[x];
    case 24: return qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
    default: return qRgb(row[4 * x + 2], row[4 * x + 1], row[4 * x]);
    }
}

void DecodeRows(const BITMAPINFOHEADER& header, const BYTE* bits, const std::vector<QRgb>& table, QImage& image) {
    const int width = header.biWidth;
    const int height = std::abs(header.biHeight);
    const int stride = Stride(header);
    const bool bottomUp = header.biHeight > 0;
    for (int y = 0; y < height; ++y) {
        const BYTE* row = bits + static_cast<size_t>(bottomUp ? height - 1 - y : y) * static_cast<size_t>(stride);
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        if (header.biBitCount > 8) {
            for (int x = 0; x < width; ++x)
                out[x] = PixelValue(row, x, header.biBitCount);
        } else {
            for (int x = 0; x < width; ++x) {
                const unsigned index = PixelValue(row, x, header.biBitCount);
                out[x] = index < table.size() ? table[index] : qRgb(0, 0, 0);
            }
        }
    }
}

std::vector<QRgb> TableOf(const std::vector<RGBQUAD>& colors) {
    std::vector<QRgb> table;
    table.reserve(colors.size());
    for (const RGBQUAD& c : colors)
        table.push_back(qRgb(c.rgbRed, c.rgbGreen, c.rgbBlue));
    return table;
}

}  // namespace

std::size_t DibImageSize(const BITMAPINFOHEADER& header) {
    if (!UsableHeader(header))
        return 0;
    return static_cast<std::size_t>(Stride(header)) * static_cast<std::size_t>(std::abs(header.biHeight));
}

int DibColorCount(const BITMAPINFOHEADER& header) {
    if (header.biBitCount > 8)
        return 0;
    const int full = 1 << header.biBitCount;
    return header.biClrUsed == 0 || header.biClrUsed > static_cast<DWORD>(full) ? full : static_cast<int>(header.biClrUsed);
}

bool DecodeDib(const BITMAPINFO* info, const void* bits, UINT usage, const std::vector<PALETTEENTRY>* palette,
               QImage* image) {
    if (!info || !bits || !image || !UsableHeader(info->bmiHeader))
        return false;
    const BITMAPINFOHEADER& header = info->bmiHeader;
    std::vector<QRgb> table;
    const int count = DibColorCount(header);
    // The table follows the header as the header's own size says.
    const auto* colors = reinterpret_cast<const BYTE*>(info) + header.biSize;
    for (int i = 0; i < count; ++i) {
        if (usage == DIB_PAL_COLORS) {
            WORD index;
            std::memcpy(&index, colors + 2 * i, sizeof index);
            table.push_back(palette && index < palette->size()
                                ? qRgb((*palette)[index].peRed, (*palette)[index].peGreen, (*palette)[index].peBlue)
                                : qRgb(0, 0, 0));
        } else {
            RGBQUAD quad;
            std::memcpy(&quad, colors + 4 * i, sizeof quad);
            table.push_back(qRgb(quad.rgbRed, quad.rgbGreen, quad.rgbBlue));
        }
    }
    *image = QImage(header.biWidth, std::abs(header.biHeight), QImage::Format_RGB32);
    if (image->isNull())
        return false;
    DecodeRows(header, static_cast<const BYTE*>(bits), table, *image);
    return true;
}

bool DecodeBitmapResource(const void* data, std::size_t size, QImage* image) {
    if (!data || !image)
        return false;
    BITMAPINFOHEADER header;
    if (size >= sizeof header) {
        std::memcpy(&header, data, sizeof header);
        if (header.biSize == sizeof header) {
            // Packed: every part must lie inside the block before a byte is read.
            const std::size_t table = static_cast<std::size_t>(DibColorCount(header)) * sizeof(RGBQUAD);
            const std::size_t rows = DibImageSize(header);
            if (rows == 0 || size - sizeof header < table || size - sizeof header - table < rows)
                return false;
            // Read from a copy: a block need not be aligned for the header's fields.
            std::vector<BYTE> copy(static_cast<const BYTE*>(data), static_cast<const BYTE*>(data) + size);
            const auto* info = reinterpret_cast<const BITMAPINFO*>(copy.data());
            return DecodeDib(info, copy.data() + sizeof header + table, DIB_RGB_COLORS, nullptr, image);
        }
    }
    QImage file;
    if (size > static_cast<std::size_t>(std::numeric_limits<int>::max()) ||
        !file.loadFromData(static_cast<const uchar*>(data), static_cast<int>(size)))
        return false;
    *image = file.convertToFormat(QImage::Format_RGB32);
    return true;
}

void DibSectionToImage(const CBitmap::DibSection& section, QImage& image) {
    DecodeRows(section.header, section.bits.data(), TableOf(section.colors), image);
}

void SyncSectionImage(CBitmap::DibSection& section, QImage& image) {
    if (!section.imageDrawn)
        DibSectionToImage(section, image);
}

void FlushSectionImage(CBitmap::DibSection& section, const QImage& image) {
    if (section.imageDrawn)
        ImageToDibSection(image, section);
    section.imageDrawn = false;
}

void ImageToDibSection(const QImage& image, CBitmap::DibSection& section) {
    const BITMAPINFOHEADER& header = section.header;
    const int width = header.biWidth;
    const int height = std::abs(header.biHeight);
    CPalette nearest;
    if (header.biBitCount <= 8) {
        std::vector<BYTE> room(sizeof(LOGPALETTE) + section.colors.size() * sizeof(PALETTEENTRY));
        auto* logPalette = reinterpret_cast<LOGPALETTE*>(room.data());
        logPalette->palNumEntries = static_cast<WORD>(section.colors.size());
        for (size_t i = 0; i < section.colors.size(); ++i)
            logPalette->palPalEntry[i] = {section.colors[i].rgbRed, section.colors[i].rgbGreen, section.colors[i].rgbBlue, 0};
        nearest.CreatePalette(logPalette);
    }
    for (int y = 0; y < height; ++y) {
        BYTE* row = section.bits.data() +
                    static_cast<size_t>(section.bottomUp ? height - 1 - y : y) * static_cast<size_t>(section.stride);
        const auto* in = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            const QRgb c = in[x];
            switch (header.biBitCount) {
            case 24:
                row[3 * x] = static_cast<BYTE>(qBlue(c));
                row[3 * x + 1] = static_cast<BYTE>(qGreen(c));
                row[3 * x + 2] = static_cast<BYTE>(qRed(c));
                break;
            case 32:
                row[4 * x] = static_cast<BYTE>(qBlue(c));
                row[4 * x + 1] = static_cast<BYTE>(qGreen(c));
                row[4 * x + 2] = static_cast<BYTE>(qRed(c));
                row[4 * x + 3] = 0;
                break;
            default: {
                const UINT found = nearest.GetNearestPaletteIndex(RGB(qRed(c), qGreen(c), qBlue(c)));
                const unsigned index = found == CLR_INVALID ? 0 : found;
                if (header.biBitCount == 8) {
                    row[x] = static_cast<BYTE>(index);
                } else if (header.biBitCount == 4) {
                    const int shift = (x & 1) ? 0 : 4;
                    row[x >> 1] = static_cast<BYTE>((row[x >> 1] & ~(0xF << shift)) | ((index & 0xF) << shift));
                } else {
                    const int bit = 7 - (x & 7);
                    row[x >> 3] = static_cast<BYTE>((row[x >> 3] & ~(1 << bit)) | ((index & 1) << bit));
                }
            }
            }
        }
    }
}

HBITMAP CreateDIBSection(CDC* dc, const BITMAPINFO* info, UINT usage, void** bits, void* section, DWORD offset) {
    if (bits)
        *bits = nullptr;
    if (!info || section || offset || !UsableHeader(info->bmiHeader))
        return nullptr;
    auto dib = std::make_shared<CBitmap::DibSection>();
    dib->header = info->bmiHeader;
    dib->header.biSize = sizeof(BITMAPINFOHEADER);
    dib->bitCount = info->bmiHeader.biBitCount;
    dib->stride = Stride(info->bmiHeader);
    dib->bottomUp = info->bmiHeader.biHeight > 0;
    dib->bits.assign(DibImageSize(info->bmiHeader), 0);
    // The colour table, read as DecodeDib reads it (palette indexes resolved now).
    const int count = DibColorCount(info->bmiHeader);
    const auto* colors = reinterpret_cast<const BYTE*>(info) + info->bmiHeader.biSize;
    for (int i = 0; i < count; ++i) {
        RGBQUAD quad;
        if (usage == DIB_PAL_COLORS) {
            WORD index;
            std::memcpy(&index, colors + 2 * i, sizeof index);
            const auto* palette = dc ? CDCAccess::State(*dc).paletteEntries.get() : nullptr;
            if (palette && index < palette->size())
                quad = {(*palette)[index].peBlue, (*palette)[index].peGreen, (*palette)[index].peRed, 0};
        } else {
            std::memcpy(&quad, colors + 4 * i, sizeof quad);
        }
        dib->colors.push_back(quad);
    }
    auto* bitmap = new CBitmap;   // owned by the handle: ::DeleteObject frees it
    bitmap->SetOwnedByHandle();
    bitmap->m_image = std::make_shared<QImage>(dib->header.biWidth, std::abs(dib->header.biHeight), QImage::Format_RGB32);
    if (bitmap->m_image->isNull()) {
        delete bitmap;
        return nullptr;
    }
    bitmap->m_bitsPixel = dib->bitCount;
    bitmap->m_dib = std::move(dib);
    bitmap->SetCreated();
    DibSectionToImage(*bitmap->m_dib, *bitmap->m_image);
    if (bits)
        *bits = bitmap->m_dib->bits.data();
    return bitmap;
}

UINT SetDIBColorTable(CDC* dc, UINT start, UINT count, const RGBQUAD* colors) {
    CBitmap::DibSection* section = dc ? CDCAccess::Section(*dc) : nullptr;
    if (!section || !colors || start >= section->colors.size())
        return 0;
    // Drawing not yet flushed belongs to the old colours.
    CDCAccess::FlushSection(*dc);
    const UINT n = std::min<UINT>(count, static_cast<UINT>(section->colors.size()) - start);
    std::copy_n(colors, n, section->colors.begin() + start);
    return n;
}

UINT GetDIBColorTable(CDC* dc, UINT start, UINT count, RGBQUAD* colors) {
    const CBitmap::DibSection* section = dc ? CDCAccess::Section(*dc) : nullptr;
    if (!section || !colors || start >= section->colors.size())
        return 0;
    const UINT n = std::min<UINT>(count, static_cast<UINT>(section->colors.size()) - start);
    std::copy_n(section->colors.begin() + start, n, colors);
    return n;
}

int GdiFlush() {
    CDCAccess::FlushAllSections();
    return 1;
}

int StretchDIBits(CDC* dc, int x, int y, int width, int height, int xSrc, int ySrc, int srcWidth, int srcHeight,
                  const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop) {
    return dc ? dc->StretchDIBits(x, y, width, height, xSrc, ySrc, srcWidth, srcHeight, bits, info, usage, rop) : 0;
}

int SetDIBitsToDevice(CDC* dc, int x, int y, DWORD width, DWORD height, int xSrc, int ySrc, UINT startScan,
                      UINT scanLines, const void* bits, const BITMAPINFO* info, UINT usage) {
    return dc ? dc->SetDIBitsToDevice(x, y, width, height, xSrc, ySrc, startScan, scanLines, bits, info, usage) : 0;
}
