#include "interface/controls/bitmap.h"

#include "interface/controls/palette.h"
#include "platform/core/resources.h"
#include "platform/gdi/dib.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string_view>
#include <vector>

namespace {

constexpr size_t kHeaderSize = sizeof(BITMAPINFOHEADER);   // 40
constexpr size_t kFileHeaderSize = 14;
// A colour table never holds more entries than an 8-bit image indexes.
constexpr DWORD kMaxColors = 256;

bool IsKnownDepth(int bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// The bitmap resource `name` (or integer id) of the current resource module.
ResourceBlock FindBitmapResource(const char* name) {
    if (IS_INTRESOURCE(name))
        return FindResource(GetResourceHandle(), RT_BITMAP,
                            static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(name)));
    return FindResource(GetResourceHandle(), RT_BITMAP, std::string_view(name));
}

}  // namespace

MCBitmap::MCBitmap() = default;

MCBitmap::~MCBitmap() {
    MCBitmap::Empty();
}

int MCBitmap::ColorTableSize(int bits) {
    switch (bits) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
    }
}

CSize MCBitmap::GetDimensions() {
    return m_pInfo ? CSize(m_pInfo->biWidth, m_pInfo->biHeight) : CSize(0, 0);
}

int MCBitmap::GetColorDepth() {
    return m_pInfo ? m_pInfo->biBitCount : 0;
}

int MCBitmap::GetColorsUsed() {
    return m_nColorsUsed;
}

RGBQUAD* MCBitmap::GetColorTable() {
    return m_pColorTable;
}

BYTE* MCBitmap::GetData() {
    return m_hSection ? m_pSectionData : m_pData;
}

long MCBitmap::CalcScanWidth(int bytes) {
    return (static_cast<long>(bytes) + 3) & ~3L;
}

unsigned long MCBitmap::CalcDataSize(CSize size, int bits) {
    const unsigned long width = static_cast<unsigned long>(std::max<long>(size.cx, 0));
    const unsigned long height = static_cast<unsigned long>(std::labs(size.cy));
    const unsigned long row = (width * static_cast<unsigned long>(std::max(bits, 0)) + 31) / 32 * 4;
    return row * height;
}

int MCBitmap::AttachResource(const char* name, int makePalette) {
    Empty();
    const ResourceBlock block = FindBitmapResource(name);
    if (!block)
        return 0;
    const auto* bytes = static_cast<const BYTE*>(block.data);
    size_t size = block.size;
    // A whole bitmap file is taken as well: its file header is skipped.
    if (size >= kFileHeaderSize + kHeaderSize && bytes[0] == 'B' && bytes[1] == 'M') {
        bytes += kFileHeaderSize;
        size -= kFileHeaderSize;
    }
    if (size < kHeaderSize)
        return 0;
    BITMAPINFOHEADER header;
    std::memcpy(&header, bytes, kHeaderSize);
    if (header.biSize != kHeaderSize || header.biWidth <= 0 || header.biHeight == 0 ||
        !IsKnownDepth(header.biBitCount) || header.biCompression != BI_RGB || header.biClrUsed > kMaxColors)
        return 0;
    const DWORD colors = header.biClrUsed ? header.biClrUsed : static_cast<DWORD>(ColorTableSize(header.biBitCount));
    // The rows are checked a factor at a time, so no product can overflow.
    const unsigned long row = CalcDataSize(CSize(header.biWidth, 1), header.biBitCount);
    const unsigned long rows = static_cast<unsigned long>(std::labs(header.biHeight));
    const size_t tableEnd = kHeaderSize + 4 * size_t{colors};
    if (tableEnd > size || row > size || rows > (size - tableEnd) / row)
        return 0;

    // The header's fields are read in place, so an unaligned resource is
    // held as an aligned copy (still treated as the resource: read-only).
    if (reinterpret_cast<std::uintptr_t>(bytes) % alignof(BITMAPINFOHEADER) != 0) {
        m_pBlock = new (std::nothrow) BYTE[size];
        if (!m_pBlock)
            return 0;
        std::memcpy(m_pBlock, bytes, size);
        bytes = m_pBlock;
        m_bAttachedCopy = true;
    }
    BYTE* base = const_cast<BYTE*>(bytes);   // never written while attached (IsWritable)
    m_pInfo = reinterpret_cast<BITMAPINFOHEADER*>(base);
    m_pColorTable = reinterpret_cast<RGBQUAD*>(base + kHeaderSize);
    m_pData = base + tableEnd;
    m_nColorsUsed = static_cast<int>(colors);
    if (makePalette) {
        auto* palette = new MCPalette(this);
        if (palette->GetSafeHandle())
            m_pPalette = palette;
        else
            delete palette;
    }
    return 1;
}

int MCBitmap::Create(CSize size, int bits) {
    Empty();
    if (size.cx <= 0 || size.cy <= 0 || !IsKnownDepth(bits))
        return 0;
    const int entries = ColorTableSize(bits);
    const size_t tableEnd = kHeaderSize + 4 * static_cast<size_t>(entries);
    const unsigned long dataSize = CalcDataSize(size, bits);
    m_pBlock = new (std::nothrow) BYTE[tableEnd + dataSize]();   // every pixel 0
    if (!m_pBlock)
        return 0;
    m_pInfo = reinterpret_cast<BITMAPINFOHEADER*>(m_pBlock);
    *m_pInfo = BITMAPINFOHEADER{};
    m_pInfo->biSize = kHeaderSize;
    m_pInfo->biWidth = size.cx;
    m_pInfo->biHeight = size.cy;
    m_pInfo->biPlanes = 1;
    m_pInfo->biBitCount = static_cast<WORD>(bits);
    m_pColorTable = reinterpret_cast<RGBQUAD*>(m_pBlock + kHeaderSize);
    m_pData = m_pBlock + tableEnd;
    // The grey ramp: entry i is i * (256 / entries) in every channel.
    for (int i = 0; i < entries; ++i) {
        const auto level = static_cast<BYTE>(i * (256 / entries));
        m_pColorTable[i] = RGBQUAD{level, level, level, 0};
    }
    m_nColorsUsed = entries;
    return 1;
}

int MCBitmap::Create() {
    return Create(CSize(10, 10), 8);
}

int MCBitmap::Create(const char* name) {
    MCBitmap resource;
    if (!resource.AttachResource(name, 0))
        return 0;
    const CSize size = resource.GetDimensions();
    const int bits = resource.GetColorDepth();
    if (!Create(CSize(size.cx, std::labs(size.cy)), bits))
        return 0;
    *m_pInfo = *resource.m_pInfo;
    // A resource's shorter table fills only its own entries; the ramp stays behind them.
    const int entries = std::min(resource.GetColorsUsed(), ColorTableSize(bits));
    std::copy_n(resource.m_pColorTable, entries, m_pColorTable);
    std::memcpy(m_pData, resource.m_pData, CalcDataSize(size, bits));
    return 1;
}

HBITMAP MCBitmap::CreateSection(CDC* dc) {
    if (!m_pInfo)
        return nullptr;
    if (m_hSection)
        return m_hSection;
    void* bits = nullptr;
    m_hSection = ::CreateDIBSection(dc, GetInfo(), DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!m_hSection)
        return nullptr;
    GdiFlush();
    m_pSectionData = static_cast<BYTE*>(bits);
    // All the rows: a header's image size may be 0 (as Create leaves it).
    const size_t rows = std::min<size_t>(CalcDataSize(GetDimensions(), GetColorDepth()), DibImageSize(*m_pInfo));
    std::memcpy(m_pSectionData, m_pData, rows);
    return m_hSection;
}

void MCBitmap::UpdateSectionColors() {
    if (!m_hSection)
        return;
    CDC memory;
    memory.CreateCompatibleDC(nullptr);
    CBitmap* previous = memory.SelectObject(m_hSection);
    SetDIBColorTable(&memory, 0, static_cast<UINT>(ColorTableSize(GetColorDepth())), m_pColorTable);
    memory.SelectObject(previous);
    memory.DeleteDC();
}

int MCBitmap::MapColorsToPalette(CPalette* palette) {
    if (!palette || palette->GetEntryCount() == 0 || GetColorDepth() != 8 || !IsWritable())
        return 0;
    BYTE nearest[256];
    for (int i = 0; i < 256; ++i) {
        const RGBQUAD& entry = m_pColorTable[i];
        nearest[i] = static_cast<BYTE>(
            palette->GetNearestPaletteIndex(RGB(entry.rgbRed, entry.rgbGreen, entry.rgbBlue)));
    }
    BYTE* data = GetData();
    const unsigned long size = CalcDataSize(GetDimensions(), 8);
    for (unsigned long i = 0; i < size; ++i)
        data[i] = nearest[data[i]];
    PALETTEENTRY entries[256];
    const UINT count = palette->GetPaletteEntries(0, 256, entries);
    for (UINT i = 0; i < count; ++i) {
        m_pColorTable[i].rgbRed = entries[i].peRed;
        m_pColorTable[i].rgbGreen = entries[i].peGreen;
        m_pColorTable[i].rgbBlue = entries[i].peBlue;
    }
    m_pInfo->biClrUsed = 256;
    m_nColorsUsed = 256;
    UpdateSectionColors();
    return 1;
}

int MCBitmap::ReplacePixelValues(COLORREF from, COLORREF to, CPalette* palette) {
    if (from == to)
        return 1;
    if (!palette || palette->GetEntryCount() == 0 || !IsWritable())
        return 0;
    const UINT target = palette->GetNearestPaletteIndex(from);
    const UINT source = palette->GetNearestPaletteIndex(to);
    PALETTEENTRY entry;
    if (target >= static_cast<UINT>(ColorTableSize(GetColorDepth())) || !palette->GetPaletteEntries(source, 1, &entry))
        return 0;
    m_pColorTable[target].rgbRed = entry.peRed;
    m_pColorTable[target].rgbGreen = entry.peGreen;
    m_pColorTable[target].rgbBlue = entry.peBlue;
    UpdateSectionColors();
    return 1;
}

int MCBitmap::Draw(CDC* dc, CRect& dest, CRect& src) {
    if (!m_pInfo || !dc)
        return 0;
    if (CPalette* palette = m_pPalette ? m_pPalette : MCPalette::GetSharedPalette())
        dc->SelectPalette(palette, 1);   // as a background palette
    if (!m_hSection) {
        dc->StretchDIBits(dest.left, dest.top, dest.Width(), dest.Height(), src.left, src.top, src.Width(),
                          src.Height(), m_pData, GetInfo(), DIB_RGB_COLORS, SRCCOPY);
        return 1;
    }
    CDC memory;
    memory.CreateCompatibleDC(dc);
    CBitmap* previous = memory.SelectObject(m_hSection);
    dc->BitBlt(dest.left, dest.top, dest.Width(), dest.Height(), &memory, src.left, src.top, SRCCOPY);
    memory.SelectObject(previous);
    memory.DeleteDC();
    return 1;
}

CPalette* MCBitmap::GetPalette() {
    return m_pPalette;
}

void MCBitmap::SetPalette(CPalette* palette) {
    m_pPalette = palette;
}

UINT MCBitmap::UsePalette(CDC* dc, int forceBackground) {
    if (!m_pPalette || !dc)
        return 0;
    dc->SelectPalette(m_pPalette, forceBackground);
    return dc->RealizePalette();
}

int MCBitmap::GetAutoDelete() {
    return m_bAutoDelete;
}

void MCBitmap::SetAutoDelete(int autoDelete) {
    m_bAutoDelete = autoDelete;
}

void MCBitmap::Empty() {
    if (m_pPalette && m_bAutoDelete)
        delete m_pPalette;
    m_pPalette = nullptr;
    delete[] m_pBlock;
    m_pBlock = nullptr;
    m_bAttachedCopy = false;
    if (m_hSection)
        ::DeleteObject(m_hSection);
    m_hSection = nullptr;
    m_pSectionData = nullptr;
    m_pInfo = nullptr;
    m_pColorTable = nullptr;
    m_pData = nullptr;
    m_nColorsUsed = 0;
}
