// Device-independent bitmaps: the BITMAPINFO form of pixels (header, colour
// table, rows), drawn by CDC::StretchDIBits and SetDIBitsToDevice, and DIB
// sections (a bitmap whose bits the caller reads and writes directly).
//
// The form: rows bottom-up unless biHeight is negative, each padded to 4
// bytes; 1, 4 or 8 bits index the colour table (RGBQUADs, or with
// DIB_PAL_COLORS 16-bit indexes into the DC's selected palette), 24 and 32 bits
// are blue, green, red (and an unused byte). Only BI_RGB is read. Malformed
// headers (sizes, depths, counts) are refused, never read past.
//
// A DIB section keeps its bits as the caller sees them and an RGB32 image for
// drawing. What the caller writes into the bits shows at the next use of the
// section; what a DC draws into it reaches the bits at GdiFlush, when the
// section leaves its DC, or when the DC is deleted, as on the platform (whose
// drawing is batched until GdiFlush).
//
// Threads: as the DC and bitmap used.
#pragma once

#include "platform/gdi/gdiobj.h"

#include <QImage>

#include <cstdint>
#include <vector>

class CDC;

struct CBitmap::DibSection {
    BITMAPINFOHEADER header;
    std::vector<RGBQUAD> colors;         // the colour table (1, 4, 8 bits)
    std::vector<BYTE> bits;              // the caller's rows, as the header says
    int bitCount = 0;
    int stride = 0;                      // bytes per row
    bool bottomUp = true;
    bool imageDrawn = false;             // the image holds drawing the bits lack
};

// The bytes of the pixel rows a header describes, or 0 when it is unusable.
std::size_t DibImageSize(const BITMAPINFOHEADER& header);
// The colour-table entries that follow a header (0 above 8 bits).
int DibColorCount(const BITMAPINFOHEADER& header);

// Decodes a DIB into an RGB32 image, upright. `palette` serves DIB_PAL_COLORS
// (may be null: the indexes then give black). False for an unusable header.
bool DecodeDib(const BITMAPINFO* info, const void* bits, UINT usage, const std::vector<PALETTEENTRY>* palette,
               QImage* image);

// A bitmap resource's bytes as an upright RGB32 image: an image file
// ("BM..." or any format the toolkit reads), or the packed form a bitmap
// resource has always had, an image file less its 14-byte file header
// (information header, colour table, rows). False for bytes that are
// neither, or whose header, table or rows reach past `size` (`image` is
// then left as it was).
bool DecodeBitmapResource(const void* data, std::size_t size, QImage* image);

// The section's bits into its image, and back (nearest colour-table entry for
// 1, 4 and 8 bits).
void DibSectionToImage(const CBitmap::DibSection& section, QImage& image);
void ImageToDibSection(const QImage& image, CBitmap::DibSection& section);
// The image brought up to date with the bits, unless it holds drawing not yet
// flushed; and that drawing written to the bits.
void SyncSectionImage(CBitmap::DibSection& section, QImage& image);
void FlushSectionImage(CBitmap::DibSection& section, const QImage& image);

// A DIB section from a header (and colour table, for 1, 4 and 8 bits); `bits`
// gets the address of its rows. Owned by the handle: ::DeleteObject frees it.
// `dc` serves DIB_PAL_COLORS; `section` and `offset` (file mappings) must be
// null and 0. Null for an unusable header.
HBITMAP CreateDIBSection(CDC* dc, const BITMAPINFO* info, UINT usage, void** bits, void* section, DWORD offset);

// The colour table of the DIB section selected into `dc`: entries from
// `start`; answer how many were set or read (0 without a section of 1, 4 or 8 bits).
UINT SetDIBColorTable(CDC* dc, UINT start, UINT count, const RGBQUAD* colors);
UINT GetDIBColorTable(CDC* dc, UINT start, UINT count, RGBQUAD* colors);

// Brings the bits of every DIB section selected into a live DC up to date with
// what was drawn. Answers non-zero.
int GdiFlush();

// The global forms of the DC's members, for code that holds a DC handle.
int StretchDIBits(CDC* dc, int x, int y, int width, int height, int xSrc, int ySrc, int srcWidth,
                  int srcHeight, const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop);
int SetDIBitsToDevice(CDC* dc, int x, int y, DWORD width, DWORD height, int xSrc, int ySrc, UINT startScan,
                      UINT scanLines, const void* bits, const BITMAPINFO* info, UINT usage);
