// What the layout font tests share: a memory DC of one layout unit per pixel
// with y up, as the view's mapping runs, and a preference set for one test.
#pragma once

#include "platform/core/profile.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/gdiobj.h"

#include <string>

// A memory DC over a small colour bitmap: one unit a pixel, y up.
struct LayoutCanvas {
    CDC dc;
    CBitmap bitmap;
    LayoutCanvas() {
        dc.CreateCompatibleDC(nullptr);
        CDC screen;
        bitmap.CreateCompatibleBitmap(&screen, 64, 64);
        dc.SelectObject(&bitmap);
        dc.SetMapMode(MM_ANISOTROPIC);
        dc.SetWindowExt(1, 1);
        dc.SetViewportExt(1, -1);
    }
};

// Sets "Settings\Font" `key` for the life of the object (empty: none).
class ScopedFontPreference {
public:
    ScopedFontPreference(const char* key, const std::string& value) : m_key(key) {
        WriteProfileString("Settings\\Font", m_key, value);
    }
    ~ScopedFontPreference() { WriteProfileString("Settings\\Font", m_key, ""); }
    ScopedFontPreference(const ScopedFontPreference&) = delete;
    ScopedFontPreference& operator=(const ScopedFontPreference&) = delete;

private:
    std::string m_key;
};
