// What the display tests share: a memory DC of one logical unit per pixel
// with y up (the view's mapping at a fixed scale), and the music font set to
// a notehead height for a test's lifetime.
#pragma once

#include "notation/layout/musicfont.h"
#include "platform/storage/storage.h"
#include "platform/storage/streamfile.h"
#include "tests/platform/file_support.h"
#include "tests/platform/gui/dc_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// A white `width` x `height` canvas; logical (0, 0) at device (originX,
// originY), one unit a pixel, y up.
struct DisplayCanvas : MemoryCanvas {
    DisplayCanvas(int width, int height, int originX, int originY) : MemoryCanvas(width, height) {
        dc.SetMapMode(MM_ANISOTROPIC);
        dc.SetWindowExt(1, 1);
        dc.SetViewportExt(1, -1);
        dc.SetViewportOrg(originX, originY);
    }
};

// The shared music font measured (on a canvas as above) at the font height
// whose notehead is `notehead` units high: a staff space is a quarter of the
// em. Puts the font and its metrics back afterwards.
class MusicFontScope {
public:
    explicit MusicFontScope(int notehead) {
        MCMusicFont& font = MCMusicFont::GetMusicFont();
        font.SaveLogFont(&m_font, &m_metrics);
        DisplayCanvas canvas(8, 8, 0, 0);
        font.SetFontHeight(-4 * notehead);
        font.SetExtentDirty(1, FONT_ALL);
        font.SelectFont(&canvas.dc, FONT_NORMAL);
        font.DeselectFont(&canvas.dc);
    }
    ~MusicFontScope() {
        MCMusicFont& font = MCMusicFont::GetMusicFont();
        font.RestoreLogFont(m_font, m_metrics);
        font.SetExtentDirty(1, FONT_ALL);
    }
    MusicFontScope(const MusicFontScope&) = delete;
    MusicFontScope& operator=(const MusicFontScope&) = delete;

private:
    LOGFONT m_font;
    MCMusicFont::NoteMetrics m_metrics;
};

// The "Contents" stream of the compound document at `path`: a native
// document's tree, as the document fuzz target reads it.
inline std::vector<uint8_t> DocumentContents(const std::string& path) {
    const std::string file = file_test::ReadText(path);
    std::unique_ptr<CRootStorage> root =
        CRootStorage::OpenMemory(reinterpret_cast<const uint8_t*>(file.data()), file.size());
    CStreamFile stream;
    EXPECT_TRUE(stream.OpenStream(*root, "Contents", CFile::modeRead));
    std::vector<uint8_t> bytes(stream.GetLength());
    stream.Read(bytes.data(), bytes.size());
    return bytes;
}
