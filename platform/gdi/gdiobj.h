// The drawing objects a device context selects: pens, brushes, bitmaps,
// regions and palettes (fonts are CFont, in font.h), and the stock objects.
//
// Every object starts empty; a Create call fills it and answers non-zero, or 0
// (leaving it as it was) when it already holds something or the arguments are
// unusable. DeleteObject empties it again. A handle (HPEN, HBITMAP ...) is the
// object's own address, so FromHandle is the identity and the handle of an
// empty object is null.
//
// A pen or brush is a description; a DC copies what it needs when it selects
// one, so deleting a selected pen or brush never leaves the DC reading freed
// memory. A bitmap owns its pixels through a shared image: a memory DC that has
// it selected shares the image, so the pixels outlive a bitmap object deleted
// while selected. A monochrome bitmap stores black (0) and white (1) pixels.
//
// Objects made by a global function that answers a handle (CreateDIBSection)
// are owned by that handle: ::DeleteObject(handle) frees them.
//
// Threads: an object is used by one thread at a time. The stock objects are
// made on first use and never change; any thread may select them.
#pragma once

#include "platform/ui/geometry.h"

#include <QImage>
#include <QRegion>

#include <cstdint>
#include <memory>
#include <vector>

class CDC;
class CGdiObject;
class CPen;
class CBrush;
class CBitmap;
class CRgn;
class CPalette;

using UINT = unsigned int;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;

using HGDIOBJ = CGdiObject*;
using HPEN = CPen*;
using HBRUSH = CBrush*;
using HBITMAP = CBitmap*;
using HRGN = CRgn*;
using HPALETTE = CPalette*;

// ---- object kinds and stock objects -----------------------------------------------

enum : int {
    OBJ_PEN = 1, OBJ_BRUSH = 2, OBJ_DC = 3, OBJ_PAL = 5, OBJ_FONT = 6,
    OBJ_BITMAP = 7, OBJ_REGION = 8, OBJ_MEMDC = 10, OBJ_EXTPEN = 11,
};

enum : int {
    WHITE_BRUSH = 0, LTGRAY_BRUSH = 1, GRAY_BRUSH = 2, DKGRAY_BRUSH = 3, BLACK_BRUSH = 4,
    NULL_BRUSH = 5, HOLLOW_BRUSH = NULL_BRUSH,
    WHITE_PEN = 6, BLACK_PEN = 7, NULL_PEN = 8,
    OEM_FIXED_FONT = 10, ANSI_FIXED_FONT = 11, ANSI_VAR_FONT = 12, SYSTEM_FONT = 13,
    DEVICE_DEFAULT_FONT = 14, DEFAULT_PALETTE = 15, SYSTEM_FIXED_FONT = 16, DEFAULT_GUI_FONT = 17,
};

// The stock pen, brush or palette of that index; null for a font index (fonts
// are CFont: see GetStockFont in dc.h) or an unknown one. Never delete them.
CGdiObject* GetStockObject(int index);

// Frees an object made by a global function that answers a handle (and
// empties any other object, as CGdiObject::DeleteObject). Non-zero when it
// held something.
int DeleteObject(HGDIOBJ object);

// The base of every drawing object but the font.
class CGdiObject {
public:
    CGdiObject() = default;
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;
    virtual ~CGdiObject() = default;

    // The object kind (OBJ_PEN ...).
    virtual int GetObjectType() const = 0;
    // Whether the object holds something.
    bool IsCreated() const { return m_created; }
    HGDIOBJ GetSafeHandle() { return m_created ? this : nullptr; }
    operator HGDIOBJ() { return GetSafeHandle(); }
    static CGdiObject* FromHandle(HGDIOBJ handle) { return handle; }

    // Empties the object; non-zero when it held something. Stock objects stay.
    int DeleteObject();
    // Whether it is a stock object (never emptied).
    bool IsStock() const { return m_stock; }

protected:
    // Drops what the object holds.
    virtual void Release() = 0;
    void SetCreated() { m_created = true; }

private:
    friend CGdiObject* GetStockObject(int);
    friend int DeleteObject(HGDIOBJ);
    bool m_created = false;
    bool m_stock = false;
    bool m_ownedByHandle = false;   // made by a global function; ::DeleteObject frees it

public:
    // Platform use: marks an object made by a global function.
    void SetOwnedByHandle() { m_ownedByHandle = true; }
};

// ---- pens ---------------------------------------------------------------------------

enum : int {
    PS_SOLID = 0, PS_DASH = 1, PS_DOT = 2, PS_DASHDOT = 3, PS_DASHDOTDOT = 4, PS_NULL = 5,
    PS_INSIDEFRAME = 6, PS_USERSTYLE = 7, PS_ALTERNATE = 8, PS_STYLE_MASK = 0x0000000F,
    PS_ENDCAP_ROUND = 0x00000000, PS_ENDCAP_SQUARE = 0x00000100, PS_ENDCAP_FLAT = 0x00000200,
    PS_ENDCAP_MASK = 0x00000F00,
    PS_JOIN_ROUND = 0x00000000, PS_JOIN_BEVEL = 0x00001000, PS_JOIN_MITER = 0x00002000,
    PS_JOIN_MASK = 0x0000F000,
    PS_COSMETIC = 0x00000000, PS_GEOMETRIC = 0x00010000, PS_TYPE_MASK = 0x000F0000,
};

struct LOGPEN {
    UINT lopnStyle = PS_SOLID;
    POINT lopnWidth;             // x is the width; y unused
    COLORREF lopnColor = 0;
};

struct LOGBRUSH {
    UINT lbStyle = 0;            // BS_SOLID ...
    COLORREF lbColor = 0;
    std::uintptr_t lbHatch = 0;  // the hatch style (BS_HATCHED)
};

// A pen: style, width in logical units (at least one device pixel when drawn;
// 0 is one pixel), colour. A cosmetic pen is always one pixel wide; a geometric
// one (PS_GEOMETRIC) has its end cap and join (round unless given).
class CPen : public CGdiObject {
public:
    CPen() = default;
    CPen(int style, int width, COLORREF color) { CreatePen(style, width, color); }

    int GetObjectType() const override { return (m_style & PS_TYPE_MASK) == PS_GEOMETRIC ? OBJ_EXTPEN : OBJ_PEN; }
    static CPen* FromHandle(HPEN handle) { return handle; }
    operator HPEN() { return IsCreated() ? this : nullptr; }

    int CreatePen(int style, int width, COLORREF color);
    // A geometric or cosmetic pen from a brush description (its colour is used;
    // a solid style is drawn for every brush style). Custom dashes are ignored.
    int CreatePen(int style, int width, const LOGBRUSH* brush, int styleCount = 0,
                  const DWORD* styles = nullptr);
    int CreatePenIndirect(const LOGPEN* logPen);

    int GetLogPen(LOGPEN* logPen) const;

    int GetStyle() const { return m_style; }
    int GetWidth() const { return m_width; }
    COLORREF GetColor() const { return m_color; }

private:
    void Release() override;
    int m_style = PS_SOLID;
    int m_width = 0;
    COLORREF m_color = 0;
};

// ---- brushes --------------------------------------------------------------------------

enum : UINT {
    BS_SOLID = 0, BS_NULL = 1, BS_HOLLOW = BS_NULL, BS_HATCHED = 2, BS_PATTERN = 3,
    BS_DIBPATTERN = 5, BS_DIBPATTERNPT = 6, BS_PATTERN8X8 = 7,
};
enum : int {
    HS_HORIZONTAL = 0, HS_VERTICAL = 1, HS_FDIAGONAL = 2, HS_BDIAGONAL = 3, HS_CROSS = 4, HS_DIAGCROSS = 5,
};

// A brush: solid, hollow, hatched (the lines in the brush colour, the gaps in
// the DC's background colour unless transparent) or a pattern from a bitmap (a
// monochrome pattern draws its 0 pixels in the text colour and its 1 pixels in
// the background colour). Patterns are aligned to the device origin.
class CBrush : public CGdiObject {
public:
    CBrush() = default;
    explicit CBrush(COLORREF color) { CreateSolidBrush(color); }
    CBrush(int hatchStyle, COLORREF color) { CreateHatchBrush(hatchStyle, color); }
    explicit CBrush(CBitmap* pattern) { CreatePatternBrush(pattern); }

    int GetObjectType() const override { return OBJ_BRUSH; }
    static CBrush* FromHandle(HBRUSH handle) { return handle; }
    operator HBRUSH() { return IsCreated() ? this : nullptr; }

    int CreateSolidBrush(COLORREF color);
    int CreateHatchBrush(int hatchStyle, COLORREF color);
    // The bitmap's pixels are copied (as the platform's brushes do): later
    // changes to the bitmap do not reach the brush.
    int CreatePatternBrush(CBitmap* pattern);
    int CreateBrushIndirect(const LOGBRUSH* logBrush);
    int CreateSysColorBrush(int index);

    int GetLogBrush(LOGBRUSH* logBrush) const;

    UINT GetStyle() const { return m_style; }
    COLORREF GetColor() const { return m_color; }
    int GetHatch() const { return m_hatch; }
    // The pattern of a pattern brush (null otherwise).
    const QImage* GetPattern() const { return m_pattern ? &*m_pattern : nullptr; }
    bool IsMonochromePattern() const { return m_monoPattern; }

private:
    void Release() override;
    UINT m_style = BS_SOLID;
    COLORREF m_color = 0;
    int m_hatch = 0;
    std::shared_ptr<const QImage> m_pattern;   // shared with the DCs that selected it
    bool m_monoPattern = false;
};

// ---- bitmaps -----------------------------------------------------------------------------

struct BITMAP {
    LONG bmType = 0;
    LONG bmWidth = 0;
    LONG bmHeight = 0;
    LONG bmWidthBytes = 0;       // bytes per row of the bits' form: padded to 2 bytes
    WORD bmPlanes = 1;
    WORD bmBitsPixel = 0;        // 1 (monochrome) or 32; a DIB section its own depth
    void* bmBits = nullptr;      // a DIB section's bits; null otherwise
};

struct RGBQUAD {
    BYTE rgbBlue = 0;
    BYTE rgbGreen = 0;
    BYTE rgbRed = 0;
    BYTE rgbReserved = 0;
};

struct BITMAPINFOHEADER {
    DWORD biSize = 40;
    LONG biWidth = 0;
    LONG biHeight = 0;           // positive: bottom-up rows; negative: top-down
    WORD biPlanes = 1;
    WORD biBitCount = 0;         // 1, 4, 8, 24 or 32
    DWORD biCompression = 0;     // BI_RGB only
    DWORD biSizeImage = 0;
    LONG biXPelsPerMeter = 0;
    LONG biYPelsPerMeter = 0;
    DWORD biClrUsed = 0;         // 0: all 2^bits entries
    DWORD biClrImportant = 0;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40, "the stored header is 40 bytes");

// A header followed by its colour table (biClrUsed entries, or 2^biBitCount
// when that is 0, for 1, 4 and 8 bits; none above). The struct declares one
// entry; callers allocate the room for the rest.
struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
};

enum : DWORD { BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3 };

// A bitmap: a device-dependent one (monochrome, or 32-bit colour like every
// device here) or a DIB section (the caller's bits in its own format and
// colour table; see dib.h).
class CBitmap : public CGdiObject {
public:
    CBitmap();
    ~CBitmap() override;

    int GetObjectType() const override { return OBJ_BITMAP; }
    static CBitmap* FromHandle(HBITMAP handle) { return handle; }
    operator HBITMAP() { return IsCreated() ? this : nullptr; }

    // A bitmap of 1 bit per pixel (monochrome) or more (colour); `bits` (may be
    // null: zeros) are rows padded to 2 bytes, top row first, in the depth given
    // (1, 8 as grey levels, 24 or 32 as BGR(A)). Width and height at least 1.
    int CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
    int CreateBitmapIndirect(const BITMAP* bitmap);
    // A bitmap of the DC's kind: colour, or monochrome when the DC is a memory DC
    // with a monochrome bitmap selected. Zero width or height gives a 1 x 1
    // monochrome bitmap, as on the platform. The pixels start black.
    int CreateCompatibleBitmap(CDC* dc, int width, int height);
    int CreateDiscardableBitmap(CDC* dc, int width, int height) { return CreateCompatibleBitmap(dc, width, height); }
    // A bitmap resource of the current resource module (platform/core/resources).
    int LoadBitmap(UINT resourceId);

    int GetBitmap(BITMAP* bitmap) const;
    // The bits in CreateBitmap's form; answer the bytes copied.
    DWORD SetBitmapBits(DWORD count, const void* bits);
    DWORD GetBitmapBits(DWORD count, void* bits) const;
    CSize SetBitmapDimension(int width, int height);
    CSize GetBitmapDimension() const { return m_dimension; }

    bool IsMonochrome() const { return m_bitsPixel == 1 && !m_dib; }
    CSize GetSize() const;

    // ---- platform use --------------------------------------------------------
    // The pixels as an RGB32 image (a monochrome bitmap holds only black and
    // white). A DIB section's image is brought up to date with its bits first.
    QImage* GetImage();
    std::shared_ptr<QImage> GetSharedImage();
    // Makes the bitmap from an image (converted to RGB32), colour or monochrome.
    int CreateFromImage(const QImage& image, bool monochrome = false);

    // A DIB section: its own bits and colour table (dib.cpp), shared with the
    // memory DCs that select it.
    struct DibSection;
    DibSection* GetDibSection() const { return m_dib.get(); }
    std::shared_ptr<DibSection> GetSharedDibSection() const { return m_dib; }
    // Writes what was drawn into the image back to a DIB section's bits.
    void FlushToBits();

private:
    friend HBITMAP CreateDIBSection(CDC*, const BITMAPINFO*, UINT, void**, void*, DWORD);
    void Release() override;
    std::shared_ptr<QImage> m_image;      // shared with the memory DCs that select it
    std::shared_ptr<DibSection> m_dib;    // set for a DIB section
    int m_bitsPixel = 0;
    CSize m_dimension;
};

// ---- regions ---------------------------------------------------------------------------------

enum : int { RGN_AND = 1, RGN_OR = 2, RGN_XOR = 3, RGN_DIFF = 4, RGN_COPY = 5 };
// What a region is (CombineRgn, SelectClipRgn, GetClipBox ... answer it).
enum : int { RGN_ERROR = 0, NULLREGION = 1, SIMPLEREGION = 2, COMPLEXREGION = 3 };
enum : int { ALTERNATE = 1, WINDING = 2 };

// A region: a set of whole pixels (or logical units, for whoever made it),
// held as rectangles. Ellipses and polygons are made of the pixels whose
// centre lies inside.
class CRgn : public CGdiObject {
public:
    CRgn() = default;

    int GetObjectType() const override { return OBJ_REGION; }
    static CRgn* FromHandle(HRGN handle) { return handle; }
    operator HRGN() { return IsCreated() ? this : nullptr; }

    int CreateRectRgn(int left, int top, int right, int bottom);
    int CreateRectRgnIndirect(const RECT* rect);
    int CreateEllipticRgn(int left, int top, int right, int bottom);
    int CreateEllipticRgnIndirect(const RECT* rect);
    int CreatePolygonRgn(const POINT* points, int count, int fillMode);
    int CreatePolyPolygonRgn(const POINT* points, const int* counts, int polygons, int fillMode);
    int CreateRoundRectRgn(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight);
    // A region from the DC's closed path (device units); the path is used up.
    int CreateFromPath(CDC* dc);

    // `this` := a (op) b; a region type, or RGN_ERROR. The result may be one of them.
    int CombineRgn(const CRgn* a, const CRgn* b, int combineMode);
    int CopyRgn(const CRgn* source);
    void SetRectRgn(int left, int top, int right, int bottom);
    void SetRectRgn(const RECT* rect) { SetRectRgn(rect->left, rect->top, rect->right, rect->bottom); }
    int OffsetRgn(int dx, int dy);
    int OffsetRgn(POINT point) { return OffsetRgn(point.x, point.y); }
    int EqualRgn(const CRgn* other) const;
    int PtInRegion(int x, int y) const;
    int PtInRegion(POINT point) const { return PtInRegion(point.x, point.y); }
    int RectInRegion(const RECT* rect) const;
    // The bounding box; answers the region type.
    int GetRgnBox(RECT* rect) const;

    // Platform use.
    const QRegion& GetRegion() const { return m_region; }
    int CreateFromRegion(const QRegion& region);
    // NULLREGION, SIMPLEREGION or COMPLEXREGION for a region.
    static int RegionType(const QRegion& region);

private:
    void Release() override { m_region = QRegion(); }
    QRegion m_region;
};

// ---- palettes --------------------------------------------------------------------------------

struct PALETTEENTRY {
    BYTE peRed = 0;
    BYTE peGreen = 0;
    BYTE peBlue = 0;
    BYTE peFlags = 0;
};
enum : BYTE { PC_RESERVED = 1, PC_EXPLICIT = 2, PC_NOCOLLAPSE = 4 };

// palNumEntries entries follow the header; the struct declares one.
struct LOGPALETTE {
    WORD palVersion = 0x300;
    WORD palNumEntries = 0;
    PALETTEENTRY palPalEntry[1];
};

// A palette is only a colour table here: no device is palette-based, so
// realizing one maps nothing (CDC::RealizePalette answers 0).
class CPalette : public CGdiObject {
public:
    CPalette() = default;

    int GetObjectType() const override { return OBJ_PAL; }
    static CPalette* FromHandle(HPALETTE handle) { return handle; }
    operator HPALETTE() { return IsCreated() ? this : nullptr; }

    int CreatePalette(const LOGPALETTE* logPalette);
    // The 256-colour halftone palette (a 6 x 6 x 6 colour cube and greys).
    int CreateHalftonePalette(CDC* dc);

    int GetEntryCount() const { return static_cast<int>(m_entries.size()); }
    // Copy `count` entries from `start`; answer how many were copied.
    UINT GetPaletteEntries(UINT start, UINT count, PALETTEENTRY* entries) const;
    UINT SetPaletteEntries(UINT start, UINT count, const PALETTEENTRY* entries);
    void AnimatePalette(UINT start, UINT count, const PALETTEENTRY* entries);
    int ResizePalette(UINT count);
    // The index of the entry nearest the colour (squared RGB distance; the
    // first of equals); CLR_INVALID for an empty palette.
    UINT GetNearestPaletteIndex(COLORREF color) const;

private:
    void Release() override { m_entries.clear(); }
    std::vector<PALETTEENTRY> m_entries;
};

inline constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;
// A palette-relative or palette-index colour answers its RGB part here.
constexpr COLORREF PALETTERGB(BYTE r, BYTE g, BYTE b) { return 0x02000000u | RGB(r, g, b); }
constexpr COLORREF PALETTEINDEX(WORD index) { return 0x01000000u | index; }
