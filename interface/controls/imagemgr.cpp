#include "interface/controls/imagemgr.h"

#include "interface/controls/palette.h"
#include "platform/core/resources.h"
#include "platform/ui/syscolor.h"

#include <algorithm>

namespace {

// Built when the library loads, destroyed when it unloads.
MCImageMgr s_imageMgr;

constexpr COLORREF kNoKey = 0xFFFFFFFF;

}  // namespace

MCImageMgr::MCImageMgr() = default;

MCImageMgr::~MCImageMgr() {
    RemoveImages();
}

MCImageMgr* MCImageMgr::GetImageMgr() {
    return &s_imageMgr;
}

std::uint32_t MCImageMgr::NameKey(const char* name) {
    std::uint32_t key = 0;
    for (const char* c = name; c && *c; ++c)
        key = key * 33 + static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<signed char>(*c)));
    return key + 0x6000;
}

MCBitmap* MCImageMgr::Lookup(std::uint32_t key) {
    const auto found = m_images.find(key);
    return found == m_images.end() ? nullptr : found->second.get();
}

MCBitmap* MCImageMgr::GetImage(UINT id) {
    return Lookup(id);
}

MCBitmap* MCImageMgr::GetImage(const char* name) {
    return Lookup(NameKey(name));
}

MCBitmap* MCImageMgr::AddImage(UINT id, COLORREF face, COLORREF highlight, COLORREF shadow) {
    return Add(id, MAKEINTRESOURCE(id & 0xFFFF), face, highlight, shadow);
}

MCBitmap* MCImageMgr::AddImage(const char* name, COLORREF face, COLORREF highlight, COLORREF shadow) {
    return Add(NameKey(name), name, face, highlight, shadow);
}

MCBitmap* MCImageMgr::Add(std::uint32_t key, const char* resource, COLORREF face, COLORREF highlight,
                          COLORREF shadow) {
    if (MCBitmap* cached = Lookup(key))
        return cached;
    if (!m_pPalette)
        return nullptr;
    auto bitmap = std::make_unique<MCBitmap>();
    if (!bitmap->Create(resource))
        return nullptr;
    bitmap->MapColorsToPalette(m_pPalette);
    // The artwork's key colours become the user's button colours.
    const struct {
        COLORREF key;
        int system;
    } keys[] = {{face, COLOR_BTNFACE}, {highlight, COLOR_BTNHIGHLIGHT}, {shadow, COLOR_BTNSHADOW}};
    for (const auto& k : keys)
        if (k.key != kNoKey)
            bitmap->ReplacePixelValues(k.key, GetSysColor(k.system), m_pPalette);
    {
        CDC screen;   // a DC of the screen, for the section
        bitmap->CreateSection(&screen);
    }
    MCBitmap* added = bitmap.get();
    m_images[key] = std::move(bitmap);
    return added;
}

void MCImageMgr::RemoveImages() {
    m_images.clear();
}

CBitmap* MCImageMgr::GetImageBuffer(CSize size, CDC* dc) {
    if (m_pBuffer && size.cx <= m_nBufferWidth && size.cy <= m_nBufferHeight)
        return m_pBuffer.get();
    m_nBufferWidth = std::max(m_nBufferWidth, static_cast<int>(size.cx));
    m_nBufferHeight = std::max(m_nBufferHeight, static_cast<int>(size.cy));
    m_pBuffer = std::make_unique<CBitmap>();
    m_pBuffer->CreateCompatibleBitmap(dc, m_nBufferWidth, m_nBufferHeight);
    return m_pBuffer.get();
}
