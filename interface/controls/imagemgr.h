// MCImageMgr: the one cache of button images of the process, and the shared
// off-screen buffer the controls draw through.
//
// An image is added once, from a bitmap resource of the current resource
// module, and kept until RemoveImages: it is copied, mapped onto the
// manager's palette, its three key colours (face, highlight, shadow; each
// 0xFFFFFFFF for none) are recoloured to the system's button-face, highlight
// and shadow colours, and it gets its DIB section. Images are keyed by
// resource id, or by a name's key (NameKey); both kinds share one map, so a
// name and an id of the same number are one entry.
//
// Ownership: the manager owns the cached bitmaps and the buffer; the palette
// is borrowed (the main frame owns the shared palette). One instance lives
// from library load to unload (GetImageMgr). User-interface thread only.
#pragma once

#include "interface/controls/bitmap.h"

#include <cstdint>
#include <memory>
#include <unordered_map>

class MCPalette;

class MCImageMgr {
public:
    MCImageMgr();
    virtual ~MCImageMgr();
    MCImageMgr(const MCImageMgr&) = delete;
    MCImageMgr& operator=(const MCImageMgr&) = delete;

    static MCImageMgr* GetImageMgr();

    // The palette added images are mapped onto; set before the first AddImage.
    void SetPalette(MCPalette* palette) { m_pPalette = palette; }
    MCPalette* GetPalette() const { return m_pPalette; }

    // A cached image, or null; nothing is loaded.
    MCBitmap* GetImage(UINT id);
    MCBitmap* GetImage(const char* name);
    // The cached image of the key, else the resource made into one (the id
    // form reads the resource of the id's low 16 bits). Null, and nothing
    // cached, when the resource is missing or malformed or no palette is set.
    // Colours given for an image already cached are ignored.
    MCBitmap* AddImage(UINT id, COLORREF face, COLORREF highlight, COLORREF shadow);
    MCBitmap* AddImage(const char* name, COLORREF face, COLORREF highlight, COLORREF shadow);
    // Deletes every cached image (the buffer stays until the manager goes).
    void RemoveImages();

    // The off-screen buffer, compatible with `dc`, at least `size`: it grows
    // to the larger of each dimension and never shrinks.
    CBitmap* GetImageBuffer(CSize size, CDC* dc);

    // A name's key: every character (as a signed byte) added to 33 times the
    // key so far, in unsigned 32 bits, plus 0x6000.
    static std::uint32_t NameKey(const char* name);

private:
    MCBitmap* Lookup(std::uint32_t key);
    MCBitmap* Add(std::uint32_t key, const char* resource, COLORREF face, COLORREF highlight, COLORREF shadow);

    MCPalette* m_pPalette = nullptr;   // borrowed
    std::unordered_map<std::uint32_t, std::unique_ptr<MCBitmap>> m_images;
    std::unique_ptr<CBitmap> m_pBuffer;
    int m_nBufferWidth = 0;
    int m_nBufferHeight = 0;
};
