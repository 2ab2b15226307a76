// MCBitmap: a device-independent bitmap (a 40-byte header, a colour table of
// blue-green-red-reserved entries, then the pixel rows, bottom-up, each padded
// to 4 bytes) that the controls' artwork is loaded into, mapped onto the
// shared palette, recoloured and drawn.
//
// A bitmap is empty, attached (it points into a bitmap resource and owns
// nothing) or created (it owns one block holding header, table and rows). It
// may gain one DIB section; from then on GetData answers the section's pixels,
// so later changes to the pixels reach what Draw shows.
//
// The colour table's size follows the depth (1 bit 2 entries, 4 bits 16,
// 8 bits 256, more bits none); a loaded header's non-zero colours-used count
// takes precedence. A bitmap resource is a bitmap file less its 14-byte file
// header; a resource whose header is not the 40-byte form, whose depth is not
// one of 1, 4, 8, 16, 24, 32, or whose table and rows run past its end is
// refused.
//
// The resource's bytes are read-only: an attached bitmap refuses
// MapColorsToPalette and ReplacePixelValues (Create(name) makes the copy that
// may be changed).
//
// Ownership: the block and the section are the bitmap's; its palette is
// deleted with it while the auto-delete flag is set (as made).
// User-interface thread only.
#pragma once

#include "platform/core/object.h"
#include "platform/gdi/dc.h"

#include <cstdint>

class CPalette;

class MCBitmap : public CObject {
public:
    MCBitmap();
    ~MCBitmap() override;
    MCBitmap(const MCBitmap&) = delete;
    MCBitmap& operator=(const MCBitmap&) = delete;

    // Width and height from the header; (0, 0) when empty.
    virtual CSize GetDimensions();
    // Bits per pixel; 0 when empty.
    virtual int GetColorDepth();
    virtual int GetColorsUsed();
    virtual RGBQUAD* GetColorTable();
    // The section's pixels once there is a section, else the rows.
    virtual BYTE* GetData();
    // `bytes` rounded up to a multiple of 4.
    virtual long CalcScanWidth(int bytes);
    // The bytes of the rows of an image of `size` at `bits` per pixel.
    virtual unsigned long CalcDataSize(CSize size, int bits);
    // Attaches the bitmap resource `name` (a name, or an id by
    // MAKEINTRESOURCE) of the current resource module; with `makePalette` the
    // bitmap gets a palette of its colours. 0 when it is missing or malformed.
    virtual int AttachResource(const char* name, int makePalette);
    // A block of `size` at `bits` per pixel: grey ramp, all pixels 0.
    virtual int Create(CSize size, int bits);
    // An owned copy of the bitmap resource `name` (header values kept).
    virtual int Create(const char* name);
    // Create(10 x 10, 8 bits).
    virtual int Create();
    // The DIB section of the image, made on the first call (null when empty).
    virtual HBITMAP CreateSection(CDC* dc);
    // 8-bit images: the pixels become indices of their nearest colours in
    // `palette`, and the table becomes the palette's first 256 colours.
    virtual int MapColorsToPalette(CPalette* palette);
    // Recolours the table entry nearest `from` in `palette` to the palette's
    // colour nearest `to`; the pixels stay as they are.
    virtual int ReplacePixelValues(COLORREF from, COLORREF to, CPalette* palette);
    // Draws `src` of the image onto `dest`: stretched without a section,
    // copied unstretched (dest's size from src's top-left) with one.
    virtual int Draw(CDC* dc, CRect& dest, CRect& src);
    virtual CPalette* GetPalette();
    virtual void SetPalette(CPalette* palette);
    // Selects and realises the bitmap's own palette; the entries realised.
    virtual UINT UsePalette(CDC* dc, int forceBackground);
    virtual int GetAutoDelete();
    virtual void SetAutoDelete(int autoDelete);

    // The header followed by the colour table, as the drawing calls read it
    // (null when empty).
    const BITMAPINFO* GetInfo() const { return reinterpret_cast<const BITMAPINFO*>(m_pInfo); }
    HBITMAP GetSection() const { return m_hSection; }

    // The colour-table entries of a depth (0 above 8 bits).
    static int ColorTableSize(int bits);

protected:
    virtual void Empty();

private:
    // Whether the header, table and rows may be written (the bitmap owns them).
    bool IsWritable() const { return m_pBlock != nullptr && !m_bAttachedCopy; }
    // Hands the colour table to the section, which keeps its own.
    void UpdateSectionColors();

    int m_bAutoDelete = 1;
    int m_nColorsUsed = 0;
    CPalette* m_pPalette = nullptr;          // owned while m_bAutoDelete
    BYTE* m_pBlock = nullptr;                // owned; null when attached
    bool m_bAttachedCopy = false;            // m_pBlock is an unaligned resource's aligned copy
    BITMAPINFOHEADER* m_pInfo = nullptr;     // into the resource or m_pBlock
    RGBQUAD* m_pColorTable = nullptr;        // behind the header
    BYTE* m_pData = nullptr;                 // behind the colour table
    HBITMAP m_hSection = nullptr;            // owned (::DeleteObject)
    BYTE* m_pSectionData = nullptr;          // the section's pixels
};
