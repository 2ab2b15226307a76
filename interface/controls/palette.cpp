#include "interface/controls/palette.h"

#include "interface/controls/bitmap.h"
#include <vector>

MCPalette* MCPalette::s_pSharedPalette = nullptr;

MCPalette::MCPalette(MCBitmap* bitmap) {
    if (bitmap)
        Create(bitmap);
}

int MCPalette::Create(MCBitmap* bitmap) {
    const int count = bitmap ? bitmap->GetColorsUsed() : 0;
    const RGBQUAD* table = bitmap ? bitmap->GetColorTable() : nullptr;
    if (count <= 0 || !table)
        return 0;
    // LOGPALETTE declares one entry; the rest follow it.
    std::vector<BYTE> storage(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * static_cast<size_t>(count - 1));
    auto* logPalette = reinterpret_cast<LOGPALETTE*>(storage.data());
    logPalette->palVersion = 0x300;
    logPalette->palNumEntries = static_cast<WORD>(count);
    PALETTEENTRY* entries = logPalette->palPalEntry;
    for (int i = 0; i < count; ++i)
        entries[i] = PALETTEENTRY{table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue, 0};
    return CreatePalette(logPalette);
}

int MCPalette::GetNumColors() {
    return GetEntryCount();
}

int MCPalette::Normalize([[maybe_unused]] CDC* dc) {
    // Only a palette-based display (RC_PALETTE, at most 256 static colours)
    // has a system palette to match, and no device here is one.
    return 0;
}

MCPalette* MCPalette::GetSharedPalette() {
    return s_pSharedPalette;
}

void MCPalette::SetSharedPalette(MCPalette* palette) {
    s_pSharedPalette = palette;
}
