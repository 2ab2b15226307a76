// CDC: a device context, the one way the system draws, over a QPainter.
//
// A DC draws on a device: a memory DC on the bitmap selected into it (a QImage),
// a window DC on the window's retained surface (a QImage the window layer
// attaches), a printer or PDF DC on a QPrinter or QPdfWriter (attached by the
// printing layer). The same calls draw to each.
//
// Coordinates are logical and go through the mapping mode: MM_TEXT (one unit a
// pixel, y down), MM_TWIPS and the other fixed modes (y up), MM_ISOTROPIC and
// MM_ANISOTROPIC (window and viewport extents). LPtoDP rounds as MulDiv does:
// to nearest, halves away from zero, and a zero extent maps to -1 rather than
// dividing by zero.
//
// The device grid: every coordinate becomes a whole device pixel by LPtoDP's
// rounding before anything is drawn, and pixel (x, y) is the unit square to the
// right of and below that point. So a one-pixel pen along row y inks row y
// alone, FillRect covers [left, right) x [top, bottom), LineTo leaves out its
// end pixel, and a figure (Rectangle, Ellipse ...) bounded by (l, t, r, b)
// inks columns l .. r-1 and rows t .. b-1. Code that snaps a logical value to
// the device grid and back lands on the pixel it asked for at every zoom.
//
// Shapes are antialiased; the inverting operations (R2_NOT, R2_XORPEN,
// R2_NOTXORPEN, SRCINVERT, DSTINVERT, PATINVERT) are not, so drawing one twice
// restores every pixel. Block transfers stretch by nearest pixel. Between a
// colour and a monochrome bitmap: colour -> mono makes the source DC's
// background colour 1 (white) and every other colour 0; mono -> colour makes 1
// the destination's background colour and 0 its text colour.
//
// Selected objects: a SelectObject answers the object it replaced. The DC
// keeps copies of the pens and brushes it selects and shares the selected
// bitmap's pixels, so a selected object deleted early never leaves it reading
// freed memory. A DC owns none of the objects selected into it.
//
// Text and fonts are realized by the font engine (fontengine.h); their members
// are declared here and defined in dc_text.cpp.
//
// Threads: a DC is used by the thread that made it (the UI thread, or a
// printing thread for its own printer DC).
#pragma once

#include "platform/gdi/gdiobj.h"
#include "platform/gdi/textrecords.h"
#include "platform/ui/geometry.h"

#include <QPainter>
#include <QPainterPath>
#include <QRegion>

#include <memory>
#include <string_view>
#include <vector>

class CDC;
class CFont;
class CObject;
class QPaintDevice;
using HDC = CDC*;

// ---- constants --------------------------------------------------------------------

enum : int {
    MM_TEXT = 1, MM_LOMETRIC = 2, MM_HIMETRIC = 3, MM_LOENGLISH = 4, MM_HIENGLISH = 5,
    MM_TWIPS = 6, MM_ISOTROPIC = 7, MM_ANISOTROPIC = 8,
};

// SetROP2: the pen's and brush's mix with the destination.
enum : int {
    R2_BLACK = 1, R2_NOTMERGEPEN = 2, R2_MASKNOTPEN = 3, R2_NOTCOPYPEN = 4, R2_MASKPENNOT = 5,
    R2_NOT = 6, R2_XORPEN = 7, R2_NOTMASKPEN = 8, R2_MASKPEN = 9, R2_NOTXORPEN = 10,
    R2_NOP = 11, R2_MERGENOTPEN = 12, R2_COPYPEN = 13, R2_MERGEPENNOT = 14, R2_MERGEPEN = 15,
    R2_WHITE = 16,
};

// BitBlt, StretchBlt, PatBlt raster operations.
enum : std::uint32_t {
    SRCCOPY = 0x00CC0020, SRCPAINT = 0x00EE0086, SRCAND = 0x008800C6, SRCINVERT = 0x00660046,
    SRCERASE = 0x00440328, NOTSRCCOPY = 0x00330008, NOTSRCERASE = 0x001100A6,
    MERGECOPY = 0x00C000CA, MERGEPAINT = 0x00BB0226, PATCOPY = 0x00F00021, PATPAINT = 0x00FB0A09,
    PATINVERT = 0x005A0049, DSTINVERT = 0x00550009, BLACKNESS = 0x00000042, WHITENESS = 0x00FF0062,
};

// SetStretchBltMode.
enum : int {
    BLACKONWHITE = 1, WHITEONBLACK = 2, COLORONCOLOR = 3, HALFTONE = 4,
    STRETCH_ANDSCANS = BLACKONWHITE, STRETCH_ORSCANS = WHITEONBLACK,
    STRETCH_DELETESCANS = COLORONCOLOR, STRETCH_HALFTONE = HALFTONE,
};

// GetDeviceCaps.
enum : int {
    DRIVERVERSION = 0, TECHNOLOGY = 2, HORZSIZE = 4, VERTSIZE = 6, HORZRES = 8, VERTRES = 10,
    BITSPIXEL = 12, PLANES = 14, NUMBRUSHES = 16, NUMPENS = 18, NUMMARKERS = 20, NUMFONTS = 22,
    NUMCOLORS = 24, PDEVICESIZE = 26, CURVECAPS = 28, LINECAPS = 30, POLYGONALCAPS = 32,
    TEXTCAPS = 34, CLIPCAPS = 36, RASTERCAPS = 38, ASPECTX = 40, ASPECTY = 42, ASPECTXY = 44,
    LOGPIXELSX = 88, LOGPIXELSY = 90, SIZEPALETTE = 104, NUMRESERVED = 106, COLORRES = 108,
    PHYSICALWIDTH = 110, PHYSICALHEIGHT = 111, PHYSICALOFFSETX = 112, PHYSICALOFFSETY = 113,
    SCALINGFACTORX = 114, SCALINGFACTORY = 115,
};
// TECHNOLOGY answers.
enum : int { DT_PLOTTER = 0, DT_RASDISPLAY = 1, DT_RASPRINTER = 2, DT_RASCAMERA = 3 };
// RASTERCAPS bits (RC_PALETTE is never set: no device is palette-based).
enum : int {
    RC_BITBLT = 0x0001, RC_BANDING = 0x0002, RC_SCALING = 0x0004, RC_BITMAP64 = 0x0008,
    RC_GDI20_OUTPUT = 0x0010, RC_DI_BITMAP = 0x0080, RC_PALETTE = 0x0100, RC_DIBTODEV = 0x0200,
    RC_STRETCHBLT = 0x0800, RC_FLOODFILL = 0x1000, RC_STRETCHDIB = 0x2000,
};

// SaveDC / RestoreDC, SetArcDirection, region types (gdiobj.h), DIB colours.
enum : int { AD_COUNTERCLOCKWISE = 1, AD_CLOCKWISE = 2 };
enum : UINT { DIB_RGB_COLORS = 0, DIB_PAL_COLORS = 1 };
// ExtSelectClipRgn's RGN_* modes are in gdiobj.h.

// The kinds of device a DC draws on.
enum class DCKind {
    None,        // nothing attached yet
    Display,     // a window's retained surface
    Memory,      // a memory DC (the selected bitmap)
    Printer,     // a QPrinter
    Pdf,         // a PDF file
    Preview,     // print preview: draws on an image, measures with the printer
};

// The stock font of a font index (SYSTEM_FONT, DEFAULT_GUI_FONT ...); null for
// other indexes. Defined with the text members (dc_text.cpp).
CFont* GetStockFont(int index);

// Hears what a DC's drawing belongs to, for tools that check a drawing (the
// tests read a printed page through one: what lies where, drawn by which
// element). It is told, before the drawing they cover, the object whose
// drawing begins (a display walk names each element it draws) and each run
// of text with its font, up to the run's end. Called on the DC's thread; the
// drawing itself is the same with or without an observer.
class CDrawingObserver {
public:
    virtual ~CDrawingObserver() = default;
    virtual void OnDrawObject(const CObject* object) = 0;
    virtual void OnTextBegin(std::string_view text, const LOGFONT& font) = 0;
    virtual void OnTextEnd() = 0;
};

// `number` * `numerator` / `denominator`, rounded to nearest with halves away
// from zero, computed in 64 bits; -1 when `denominator` is 0 or the result does
// not fit in an int.
int MulDiv(int number, int numerator, int denominator);

class CDC {
public:
    CDC();
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;
    virtual ~CDC();

    // The DC's handle (itself while it has a device or is a memory DC; else
    // null). The attribute DC answers measurements on printer and preview DCs:
    // itself on a printer, the printer on a preview; null on screen and memory.
    HDC m_hDC = nullptr;
    HDC m_hAttribDC = nullptr;                 // borrowed
    HDC GetSafeHdc() const { return m_hDC; }
    static CDC* FromHandle(HDC dc) { return dc; }

    // ---- devices -----------------------------------------------------------------
    // A memory DC like `dc` (or like the screen when null), with a 1 x 1
    // monochrome bitmap selected until the caller selects its own.
    int CreateCompatibleDC(CDC* dc);
    // Ends the DC: the painter stops, a DIB section selected gets its bits back.
    int DeleteDC();

    // Platform use: draw on an image (a window's surface, a preview page) or on
    // another device (printer, PDF) at `dpiX` x `dpiY`. The DC borrows it until
    // DeleteDC or the next attach. For a printer, `physicalSize` and
    // `physicalOffset` (device pixels) give PHYSICALWIDTH ... of the paper.
    int AttachImage(QImage* image, DCKind kind = DCKind::Display);
    int AttachDevice(QPaintDevice* device, DCKind kind, int dpiX, int dpiY,
                     CSize physicalSize = {}, CPoint physicalOffset = {});
    DCKind GetKind() const { return m_kind; }
    // The painter drawing on the device (null without one). Its transform is
    // the identity in device pixels; users must leave it as they found it.
    QPainter* GetPainter();
    // The image drawn on, for memory and window DCs (null otherwise).
    QImage* GetImage();

    // The device's numbers: pixels per inch (96 on screen and memory DCs),
    // sizes (a screen or memory DC answers the screen's), paper for printers;
    // RASTERCAPS never has RC_PALETTE.
    int GetDeviceCaps(int index) const;
    bool IsPrinting() const { return m_kind == DCKind::Printer || m_kind == DCKind::Pdf || m_kind == DCKind::Preview; }

    // The observer told what the drawing belongs to (borrowed; none by default).
    void SetDrawingObserver(CDrawingObserver* observer) { m_observer = observer; }
    CDrawingObserver* GetDrawingObserver() const { return m_observer; }
    // Names the object whose drawing follows, to the observer; nothing without one.
    void SetDrawingObject(const CObject* object) {
        if (m_observer)
            m_observer->OnDrawObject(object);
    }

    // ---- state ---------------------------------------------------------------------
    // Saves the state (mapping, objects, colours, modes, clipping, position);
    // answers its level (from 1), or 0.
    int SaveDC();
    // Restores level `saved` (removing it and every later one), or the last one
    // for -1. Non-zero on success.
    int RestoreDC(int saved);

    // ---- mapping -------------------------------------------------------------------
    int SetMapMode(int mode);
    int GetMapMode() const;
    CPoint SetWindowOrg(int x, int y);
    CPoint SetWindowOrg(POINT point) { return SetWindowOrg(point.x, point.y); }
    CPoint GetWindowOrg() const;
    CPoint OffsetWindowOrg(int dx, int dy);
    CSize SetWindowExt(int cx, int cy);
    CSize SetWindowExt(SIZE size) { return SetWindowExt(size.cx, size.cy); }
    CSize GetWindowExt() const;
    CSize ScaleWindowExt(int xNum, int xDenom, int yNum, int yDenom);
    CPoint SetViewportOrg(int x, int y);
    CPoint SetViewportOrg(POINT point) { return SetViewportOrg(point.x, point.y); }
    CPoint GetViewportOrg() const;
    CPoint OffsetViewportOrg(int dx, int dy);
    CSize SetViewportExt(int cx, int cy);
    CSize SetViewportExt(SIZE size) { return SetViewportExt(size.cx, size.cy); }
    CSize GetViewportExt() const;
    CSize ScaleViewportExt(int xNum, int xDenom, int yNum, int yDenom);

    void LPtoDP(POINT* points, int count = 1) const;
    void LPtoDP(RECT* rect) const { LPtoDP(reinterpret_cast<POINT*>(rect), 2); }
    // A size: the extents' ratio alone (no origins), sign kept.
    void LPtoDP(SIZE* size) const;
    void DPtoLP(POINT* points, int count = 1) const;
    void DPtoLP(RECT* rect) const { DPtoLP(reinterpret_cast<POINT*>(rect), 2); }
    void DPtoLP(SIZE* size) const;
    // HIMETRIC (0.01 mm) sizes from and to logical units.
    void LPtoHIMETRIC(SIZE* size) const;
    void HIMETRICtoLP(SIZE* size) const;

    // ---- objects -------------------------------------------------------------------
    CPen* SelectObject(CPen* pen);
    CBrush* SelectObject(CBrush* brush);
    CFont* SelectObject(CFont* font);                 // dc_text.cpp
    // Selects a bitmap into a memory DC (null on other DCs, or when the bitmap
    // is empty); the DC then draws on it.
    CBitmap* SelectObject(CBitmap* bitmap);
    // Selects the region as the clipping region (a copy, device units); answers
    // the region type, as SelectClipRgn.
    int SelectObject(CRgn* region);
    CGdiObject* SelectObject(CGdiObject* object);
    // Selects a stock pen, brush or font; answers the pen or brush replaced
    // (null for a font: GetStockFont and SelectObject(CFont*) keep it).
    CGdiObject* SelectStockObject(int index);
    CPen* GetCurrentPen() const { return m_state.pen; }
    CBrush* GetCurrentBrush() const { return m_state.brush; }
    CFont* GetCurrentFont() const { return m_state.font; }
    CBitmap* GetCurrentBitmap() const { return m_state.bitmap; }
    CPalette* GetCurrentPalette() const { return m_state.palette; }

    // Palettes: selection is remembered; realizing maps nothing (answers 0).
    CPalette* SelectPalette(CPalette* palette, int forceBackground);
    UINT RealizePalette();
    COLORREF GetNearestColor(COLORREF color) const;

    // The class library's 8 x 8 halftone brush (alternate pixels, text colour
    // on 0, background colour on 1): a shared object, never deleted.
    static CBrush* GetHalftoneBrush();

    // ---- colours and modes ------------------------------------------------------------
    COLORREF SetTextColor(COLORREF color);          // dc_text.cpp
    COLORREF GetTextColor() const { return m_state.textColor; }
    COLORREF SetBkColor(COLORREF color);            // dc_text.cpp
    COLORREF GetBkColor() const { return m_state.bkColor; }
    int SetBkMode(int mode);                        // dc_text.cpp
    int GetBkMode() const { return m_state.bkMode; }
    int SetROP2(int mode);
    int GetROP2() const { return m_state.rop2; }
    int SetPolyFillMode(int mode);
    int GetPolyFillMode() const { return m_state.polyFillMode; }
    int SetStretchBltMode(int mode);
    int GetStretchBltMode() const { return m_state.stretchMode; }
    CPoint SetBrushOrg(int x, int y);
    CPoint SetBrushOrg(POINT point) { return SetBrushOrg(point.x, point.y); }
    CPoint GetBrushOrg() const { return m_state.brushOrg; }
    int SetArcDirection(int direction);
    int GetArcDirection() const { return m_state.arcDirection; }
    int SetMiterLimit(float limit);

    // ---- lines and curves ----------------------------------------------------------------
    CPoint MoveTo(int x, int y);
    CPoint MoveTo(POINT point) { return MoveTo(point.x, point.y); }
    CPoint GetCurrentPosition() const { return m_state.position; }
    int LineTo(int x, int y);
    int LineTo(POINT point) { return LineTo(point.x, point.y); }
    int Polyline(const POINT* points, int count);
    int PolylineTo(const POINT* points, int count);
    int PolyPolyline(const POINT* points, const DWORD* counts, int polylines);
    // Cubic Béziers: 1 + 3n points (PolyBezier) or 3n from the current position.
    int PolyBezier(const POINT* points, int count);
    int PolyBezierTo(const POINT* points, int count);
    // The ellipse in the rectangle, counter-clockwise (unless SetArcDirection
    // says otherwise) from the ray through `start` to the ray through `end`.
    int Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    int Arc(const RECT* rect, POINT start, POINT end);
    int ArcTo(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    int ArcTo(const RECT* rect, POINT start, POINT end);
    int AngleArc(int x, int y, int radius, float startAngle, float sweepAngle);

    // ---- filled shapes (pen outline, brush inside) -------------------------------------------
    int Rectangle(int x1, int y1, int x2, int y2);
    int Rectangle(const RECT* rect) { return Rectangle(rect->left, rect->top, rect->right, rect->bottom); }
    int RoundRect(int x1, int y1, int x2, int y2, int x3, int y3);
    int RoundRect(const RECT* rect, POINT corner);
    int Ellipse(int x1, int y1, int x2, int y2);
    int Ellipse(const RECT* rect) { return Ellipse(rect->left, rect->top, rect->right, rect->bottom); }
    int Chord(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    int Chord(const RECT* rect, POINT start, POINT end);
    int Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    int Pie(const RECT* rect, POINT start, POINT end);
    int Polygon(const POINT* points, int count);
    int PolyPolygon(const POINT* points, const int* counts, int polygons);

    // ---- rectangles and regions (brush or colour only) -----------------------------------------
    // FillRect copies the brush (the mix does not apply), as FillSolidRect
    // copies a colour; FillSolidRect leaves that colour as the background
    // colour, as the class library's does.
    void FillRect(const RECT* rect, CBrush* brush);
    void FillSolidRect(const RECT* rect, COLORREF color);
    void FillSolidRect(int x, int y, int cx, int cy, COLORREF color);
    void FrameRect(const RECT* rect, CBrush* brush);
    void InvertRect(const RECT* rect);
    void DrawFocusRect(const RECT* rect);
    // The feedback of a rectangle being dragged: the frame `size` thick inside
    // `rect` inverted with the brush (PATINVERT; the halftone brush when null),
    // and the frame last drawn (`rectLast`, `sizeLast`, `brushLast`), when
    // given, inverted back, so that only the difference changes. Rectangles in
    // device units; the DC's clipping applies. Calling it with the last frame
    // alone as the new one (and no last) takes that frame away.
    void DrawDragRect(const RECT* rect, SIZE size, const RECT* rectLast, SIZE sizeLast, CBrush* brush = nullptr,
                      CBrush* brushLast = nullptr);
    void Draw3dRect(const RECT* rect, COLORREF topLeft, COLORREF bottomRight);
    void Draw3dRect(int x, int y, int cx, int cy, COLORREF topLeft, COLORREF bottomRight);
    int FillRgn(CRgn* region, CBrush* brush);
    int FrameRgn(CRgn* region, CBrush* brush, int width, int height);
    int InvertRgn(CRgn* region);
    int PaintRgn(CRgn* region);
    COLORREF SetPixel(int x, int y, COLORREF color);
    COLORREF SetPixel(POINT point, COLORREF color) { return SetPixel(point.x, point.y, color); }
    int SetPixelV(int x, int y, COLORREF color) { return SetPixel(x, y, color) != CLR_INVALID; }
    COLORREF GetPixel(int x, int y) const;
    COLORREF GetPixel(POINT point) const { return GetPixel(point.x, point.y); }

    // ---- paths -------------------------------------------------------------------------------
    // Between BeginPath and EndPath, lines, curves and figures are recorded (in
    // device units) rather than drawn.
    int BeginPath();
    int EndPath();
    int AbortPath();
    int CloseFigure();
    int StrokePath();
    int FillPath();
    int StrokeAndFillPath();
    int FlattenPath();
    int WidenPath();
    // The path (device units) combined into the clipping region; the path is used up.
    int SelectClipPath(int mode);
    // Platform use: the closed path (device units), taken from the DC.
    bool TakePath(QPainterPath* path);

    // ---- clipping ----------------------------------------------------------------------------------
    // Device units; null removes clipping. Answers the region type.
    int SelectClipRgn(CRgn* region);
    int SelectClipRgn(CRgn* region, int mode);      // ExtSelectClipRgn
    // Logical units.
    int IntersectClipRect(int x1, int y1, int x2, int y2);
    int IntersectClipRect(const RECT* rect) { return IntersectClipRect(rect->left, rect->top, rect->right, rect->bottom); }
    int ExcludeClipRect(int x1, int y1, int x2, int y2);
    int ExcludeClipRect(const RECT* rect) { return ExcludeClipRect(rect->left, rect->top, rect->right, rect->bottom); }
    int OffsetClipRgn(int dx, int dy);               // logical units
    // The smallest rectangle around what may be drawn, logical units; answers the region type.
    int GetClipBox(RECT* rect) const;
    int GetClipRgn(CRgn* region) const;               // 1 with a region, 0 without, -1 on error
    bool PtVisible(int x, int y) const;
    bool PtVisible(POINT point) const { return PtVisible(point.x, point.y); }
    bool RectVisible(const RECT* rect) const;

    // ---- block transfers -------------------------------------------------------------------------
    // Logical coordinates on both DCs; `rop` one of the operations above.
    int BitBlt(int x, int y, int width, int height, CDC* source, int xSrc, int ySrc, DWORD rop);
    int StretchBlt(int x, int y, int width, int height, CDC* source, int xSrc, int ySrc,
                   int srcWidth, int srcHeight, DWORD rop);
    int PatBlt(int x, int y, int width, int height, DWORD rop);
    // Moves the pixels of `scrollRect` (the whole surface when null) by (dx, dy),
    // drawing only inside `clipRect` (when given); `updateRegion` and
    // `updateRect` (either may be null) get what was left uncovered. The
    // distances and rectangles are logical; the uncovered area is in device units.
    int ScrollDC(int dx, int dy, const RECT* scrollRect, const RECT* clipRect, CRgn* updateRegion, RECT* updateRect);

    // Device-independent bitmaps (dib.cpp). Rows bottom-up unless the height is
    // negative, padded to 4 bytes; 1, 4, 8, 24 or 32 bits.
    int StretchDIBits(int x, int y, int width, int height, int xSrc, int ySrc, int srcWidth, int srcHeight,
                      const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop);
    int SetDIBitsToDevice(int x, int y, DWORD width, DWORD height, int xSrc, int ySrc, UINT startScan,
                          UINT scanLines, const void* bits, const BITMAPINFO* info, UINT usage);

    // ---- text (dc_text.cpp: the font engine) -------------------------------------------------------
    UINT SetTextAlign(UINT flags);
    UINT GetTextAlign() const { return m_state.textAlign; }
    int SetTextCharacterExtra(int extra);
    int GetTextCharacterExtra() const { return m_state.charExtra; }
    int TextOut(int x, int y, std::string_view text);
    int ExtTextOut(int x, int y, UINT options, const RECT* rect, std::string_view text, const int* widths = nullptr);
    int DrawText(std::string_view text, RECT* rect, UINT format);
    CSize GetTextExtent(std::string_view text) const;
    CSize GetOutputTextExtent(std::string_view text) const { return GetTextExtent(text); }
    int GetTextMetrics(TEXTMETRIC* metrics) const;
    int GetOutputTextMetrics(TEXTMETRIC* metrics) const { return GetTextMetrics(metrics); }
    int GetCharWidth(UINT first, UINT last, int* widths) const;
    int GetTextFace(int count, char* face) const;
    DWORD GetGlyphOutline(UINT ch, UINT format, GLYPHMETRICS* metrics, DWORD bufferSize, void* buffer,
                          const MAT2* transform) const;

private:
    // What SaveDC keeps.
    struct State {
        int mapMode = MM_TEXT;
        CPoint windowOrg;
        CSize windowExt{1, 1};
        CPoint viewportOrg;
        CSize viewportExt{1, 1};
        CPen* pen = nullptr;          // borrowed: answered to the next SelectObject
        CBrush* brush = nullptr;      // borrowed
        CFont* font = nullptr;        // borrowed
        CBitmap* bitmap = nullptr;    // borrowed, never read: answered only
        CPalette* palette = nullptr;  // borrowed, never read: answered only
        // What the DC draws with of them, shared or copied, so that an object
        // destroyed while selected leaves nothing dangling.
        std::shared_ptr<QImage> surface;                     // a memory DC's bitmap pixels
        std::shared_ptr<CBitmap::DibSection> section;        // when that bitmap is a DIB section
        bool mono = false;                                   // a monochrome bitmap
        std::shared_ptr<const std::vector<PALETTEENTRY>> paletteEntries;
        // The selected pen and brush as drawn (copies).
        int penStyle = PS_SOLID;
        int penWidth = 0;
        COLORREF penColor = 0;
        UINT brushStyle = BS_SOLID;
        COLORREF brushColor = RGB(255, 255, 255);
        int brushHatch = 0;
        std::shared_ptr<const QImage> brushPattern;
        bool brushMonoPattern = false;
        COLORREF textColor = 0;
        COLORREF bkColor = RGB(255, 255, 255);
        int bkMode = OPAQUE;
        int rop2 = R2_COPYPEN;
        int polyFillMode = ALTERNATE;
        int stretchMode = BLACKONWHITE;
        int arcDirection = AD_COUNTERCLOCKWISE;
        float miterLimit = 10.0f;
        UINT textAlign = TA_LEFT | TA_TOP;
        int charExtra = 0;
        CPoint brushOrg;
        CPoint position;              // logical
        bool clipped = false;
        QRegion clip;                 // device units, while `clipped`
        // The selected font as drawn (dc_text.cpp): a copy of its description,
        // and that description realized on this device at the mapping of its
        // last use (realized again when the mapping has changed since).
        LOGFONT fontDescription;
        mutable std::shared_ptr<const CRealizedFont> realizedFont;
    };
    // The selected font realized at the current mapping (dc_text.cpp).
    const CRealizedFont& RealizedFont() const;

    friend class CDCAccess;           // the drawing files' helpers (dc_private.h)
    void EndPainter();
    bool BeginPainter();
    void ApplyClip();

    DCKind m_kind = DCKind::None;
    QPaintDevice* m_device = nullptr;            // borrowed: what the painter draws on
    QImage* m_image = nullptr;                   // borrowed: the same, when an image
    std::unique_ptr<CBitmap> m_defaultBitmap;    // a memory DC's first 1 x 1 bitmap
    std::unique_ptr<QPainter> m_painter;         // owned; active while there is a device
    int m_dpiX = 96;
    int m_dpiY = 96;
    CSize m_physicalSize;
    CPoint m_physicalOffset;
    CDrawingObserver* m_observer = nullptr;      // borrowed
    State m_state;
    std::vector<State> m_saved;
    // The path being recorded (device units).
    bool m_pathOpen = false;
    bool m_pathReady = false;
    QPainterPath m_path;
};
