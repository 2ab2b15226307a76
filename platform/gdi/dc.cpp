// The DC's device, state and selected objects.
#include "platform/gdi/dc.h"

#include "platform/gdi/dc_private.h"
#include "platform/gdi/dib.h"

#include "platform/ui/metrics.h"

#include <QPaintDevice>

#include <mutex>

namespace {

// The DCs that hold a DIB section, for GdiFlush. Any thread may make a DC.
std::mutex s_sectionLock;
std::set<CDC*> s_sectionDCs;

void NoteSection(CDC* dc, bool holds) {
    std::lock_guard lock(s_sectionLock);
    if (holds)
        s_sectionDCs.insert(dc);
    else
        s_sectionDCs.erase(dc);
}

}  // namespace

void CDCAccess::SyncSection(CDC& dc) {
    if (dc.m_state.section && dc.m_state.surface)
        SyncSectionImage(*dc.m_state.section, *dc.m_state.surface);
}

void CDCAccess::FlushSection(CDC& dc) {
    if (dc.m_state.section && dc.m_state.surface)
        FlushSectionImage(*dc.m_state.section, *dc.m_state.surface);
}

void CDCAccess::FlushAllSections() {
    std::lock_guard lock(s_sectionLock);
    for (CDC* dc : s_sectionDCs)
        FlushSection(*dc);
}

CDC::CDC() {
    m_state.pen = static_cast<CPen*>(GetStockObject(BLACK_PEN));
    m_state.brush = static_cast<CBrush*>(GetStockObject(WHITE_BRUSH));
    SelectPalette(static_cast<CPalette*>(GetStockObject(DEFAULT_PALETTE)), 0);
    SelectObject(GetStockFont(SYSTEM_FONT));
}

CDC::~CDC() { DeleteDC(); }

// ---- devices ------------------------------------------------------------------------------

int CDC::CreateCompatibleDC(CDC*) {
    if (m_kind != DCKind::None)
        return 0;
    m_kind = DCKind::Memory;
    m_hDC = this;
    m_defaultBitmap = std::make_unique<CBitmap>();
    m_defaultBitmap->CreateBitmap(1, 1, 1, 1, nullptr);
    SelectObject(m_defaultBitmap.get());
    return 1;
}

int CDC::DeleteDC() {
    if (m_kind == DCKind::None)
        return 0;
    EndPainter();
    CDCAccess::FlushSection(*this);
    NoteSection(this, false);
    m_state.surface.reset();
    m_state.section.reset();
    m_state.mono = false;
    m_defaultBitmap.reset();
    m_device = nullptr;
    m_image = nullptr;
    m_kind = DCKind::None;
    m_hDC = nullptr;
    m_hAttribDC = nullptr;
    m_state.bitmap = nullptr;
    m_saved.clear();
    return 1;
}

int CDC::AttachImage(QImage* image, DCKind kind) {
    if (!image || image->isNull() || kind == DCKind::Memory || kind == DCKind::None)
        return 0;
    EndPainter();
    m_kind = kind;
    m_device = image;
    m_image = image;
    m_dpiX = m_dpiY = 96;
    m_hDC = this;
    return 1;
}

int CDC::AttachDevice(QPaintDevice* device, DCKind kind, int dpiX, int dpiY, CSize physicalSize,
                      CPoint physicalOffset) {
    if (!device || dpiX <= 0 || dpiY <= 0 || kind == DCKind::Memory || kind == DCKind::None)
        return 0;
    EndPainter();
    m_kind = kind;
    m_device = device;
    m_image = device->devType() == QInternal::Image ? static_cast<QImage*>(device) : nullptr;
    m_dpiX = dpiX;
    m_dpiY = dpiY;
    m_physicalSize = physicalSize;
    m_physicalOffset = physicalOffset;
    m_hDC = this;
    if (kind == DCKind::Printer || kind == DCKind::Pdf)
        m_hAttribDC = this;
    return 1;
}

bool CDC::BeginPainter() {
    if (m_painter && m_painter->isActive())
        return true;
    if (!m_device)
        return false;
    if (!m_painter)
        m_painter = std::make_unique<QPainter>();
    if (!m_painter->begin(m_device))
        return false;
    ApplyClip();
    return true;
}

void CDC::EndPainter() {
    if (m_painter && m_painter->isActive())
        m_painter->end();
}

QPainter* CDC::GetPainter() { return BeginPainter() ? m_painter.get() : nullptr; }

QImage* CDC::GetImage() { return m_image; }

void CDC::ApplyClip() {
    if (!m_painter || !m_painter->isActive())
        return;
    if (m_state.clipped)
        m_painter->setClipRegion(m_state.clip);
    else
        m_painter->setClipping(false);
}

int CDC::GetDeviceCaps(int index) const {
    const bool printer = m_kind == DCKind::Printer || m_kind == DCKind::Pdf || m_kind == DCKind::Preview;
    // A page's size is the device's; a screen or memory DC answers the screen's,
    // whatever bitmap or window it draws on.
    const int width = printer && m_device ? m_device->width() : GetSystemMetrics(SM_CXSCREEN);
    const int height = printer && m_device ? m_device->height() : GetSystemMetrics(SM_CYSCREEN);
    switch (index) {
    case DRIVERVERSION: return 0x400;
    case TECHNOLOGY: return printer ? DT_RASPRINTER : DT_RASDISPLAY;
    case HORZSIZE: return MulDiv(width, 254, m_dpiX * 10);
    case VERTSIZE: return MulDiv(height, 254, m_dpiY * 10);
    case HORZRES: return width;
    case VERTRES: return height;
    case BITSPIXEL: return m_kind == DCKind::Memory && CDCAccess::IsMonochrome(*this) ? 1 : 32;
    case PLANES: return 1;
    case NUMCOLORS: return -1;
    case NUMBRUSHES:
    case NUMPENS: return -1;
    case CURVECAPS:
    case LINECAPS:
    case POLYGONALCAPS: return 0xFF;
    case TEXTCAPS: return 0x7FFF;
    case CLIPCAPS: return 1;
    case RASTERCAPS:
        // RC_PALETTE stays clear: no device is palette-based.
        return RC_BITBLT | RC_BITMAP64 | RC_GDI20_OUTPUT | RC_DI_BITMAP | RC_DIBTODEV | RC_STRETCHBLT |
               RC_STRETCHDIB | (printer ? 0 : RC_FLOODFILL);
    case ASPECTX:
    case ASPECTY: return 36;
    case ASPECTXY: return 51;
    case LOGPIXELSX: return m_dpiX;
    case LOGPIXELSY: return m_dpiY;
    case SIZEPALETTE:
    case NUMRESERVED: return 0;
    case COLORRES: return 24;
    case PHYSICALWIDTH: return printer ? (m_physicalSize.cx ? m_physicalSize.cx : width) : 0;
    case PHYSICALHEIGHT: return printer ? (m_physicalSize.cy ? m_physicalSize.cy : height) : 0;
    case PHYSICALOFFSETX: return printer ? m_physicalOffset.x : 0;
    case PHYSICALOFFSETY: return printer ? m_physicalOffset.y : 0;
    case SCALINGFACTORX:
    case SCALINGFACTORY: return 0;
    default: return 0;
    }
}

// ---- state ------------------------------------------------------------------------------------

int CDC::SaveDC() {
    m_saved.push_back(m_state);
    return static_cast<int>(m_saved.size());
}

int CDC::RestoreDC(int saved) {
    const int levels = static_cast<int>(m_saved.size());
    if (saved < 0)
        saved = levels + 1 + saved;
    if (saved < 1 || saved > levels)
        return 0;
    State restored = m_saved[static_cast<size_t>(saved - 1)];
    m_saved.resize(static_cast<size_t>(saved - 1));
    // A memory DC's bitmap is its device: a different one means another surface.
    const bool otherSurface = m_kind == DCKind::Memory && restored.surface != m_state.surface;
    if (otherSurface) {
        EndPainter();
        CDCAccess::FlushSection(*this);
    }
    m_state = restored;
    if (otherSurface) {
        m_device = m_state.surface.get();
        m_image = m_state.surface.get();
        NoteSection(this, m_state.section != nullptr);
    }
    ApplyClip();
    return 1;
}

// ---- objects ------------------------------------------------------------------------------------

CPen* CDC::SelectObject(CPen* pen) {
    if (!pen || !pen->IsCreated())
        return nullptr;
    CPen* old = m_state.pen;
    m_state.pen = pen;
    m_state.penStyle = pen->GetStyle();
    m_state.penWidth = pen->GetWidth();
    m_state.penColor = pen->GetColor();
    return old;
}

CBrush* CDC::SelectObject(CBrush* brush) {
    if (!brush || !brush->IsCreated())
        return nullptr;
    CBrush* old = m_state.brush;
    m_state.brush = brush;
    m_state.brushStyle = brush->GetStyle();
    m_state.brushColor = brush->GetColor();
    m_state.brushHatch = brush->GetHatch();
    m_state.brushPattern = brush->GetPattern() ? std::make_shared<const QImage>(*brush->GetPattern()) : nullptr;
    m_state.brushMonoPattern = brush->IsMonochromePattern();
    return old;
}

CBitmap* CDC::SelectObject(CBitmap* bitmap) {
    if (m_kind != DCKind::Memory || !bitmap || !bitmap->IsCreated())
        return nullptr;
    CBitmap* old = m_state.bitmap;
    std::shared_ptr<QImage> surface = bitmap->GetSharedImage();
    if (surface == m_state.surface)
        return old;
    EndPainter();
    CDCAccess::FlushSection(*this);
    m_state.bitmap = bitmap;
    m_state.surface = std::move(surface);
    m_state.section = bitmap->GetSharedDibSection();
    m_state.mono = bitmap->IsMonochrome();
    m_device = m_state.surface.get();
    m_image = m_state.surface.get();
    NoteSection(this, m_state.section != nullptr);
    return old;
}

int CDC::SelectObject(CRgn* region) { return SelectClipRgn(region); }

CGdiObject* CDC::SelectObject(CGdiObject* object) {
    if (!object)
        return nullptr;
    switch (object->GetObjectType()) {
    case OBJ_PEN:
    case OBJ_EXTPEN: return SelectObject(static_cast<CPen*>(object));
    case OBJ_BRUSH: return SelectObject(static_cast<CBrush*>(object));
    case OBJ_BITMAP: return SelectObject(static_cast<CBitmap*>(object));
    case OBJ_PAL: return SelectPalette(static_cast<CPalette*>(object), 0);
    case OBJ_REGION: SelectObject(static_cast<CRgn*>(object)); return nullptr;
    default: return nullptr;
    }
}

CGdiObject* CDC::SelectStockObject(int index) {
    if (CGdiObject* object = GetStockObject(index))
        return SelectObject(object);
    if (CFont* font = GetStockFont(index))
        SelectObject(font);
    return nullptr;
}

CPalette* CDC::SelectPalette(CPalette* palette, int) {
    if (!palette || !palette->IsCreated())
        return nullptr;
    CPalette* old = m_state.palette;
    m_state.palette = palette;
    auto entries = std::make_shared<std::vector<PALETTEENTRY>>(static_cast<size_t>(palette->GetEntryCount()));
    palette->GetPaletteEntries(0, static_cast<UINT>(entries->size()), entries->data());
    m_state.paletteEntries = std::move(entries);
    return old;
}

UINT CDC::RealizePalette() { return 0; }

COLORREF CDC::GetNearestColor(COLORREF color) const {
    if (CDCAccess::IsMonochrome(*this))
        return CDCAccess::DrawColor(*this, color) == QColor(Qt::white) ? RGB(255, 255, 255) : RGB(0, 0, 0);
    return color & 0x00FFFFFF;
}

CBrush* CDC::GetHalftoneBrush() {
    static CBrush* const brush = [] {
        // Alternate pixels: 0x55 and 0xAA rows.
        static const WORD rows[8] = {0x5555, 0xAAAA, 0x5555, 0xAAAA, 0x5555, 0xAAAA, 0x5555, 0xAAAA};
        BYTE bits[16];
        for (int i = 0; i < 8; ++i) {
            bits[2 * i] = static_cast<BYTE>(rows[i] & 0xFF);
            bits[2 * i + 1] = 0;
        }
        CBitmap pattern;
        pattern.CreateBitmap(8, 8, 1, 1, bits);
        auto* halftone = new CBrush;   // never freed: shared by every DC for the process
        halftone->CreatePatternBrush(&pattern);
        return halftone;
    }();
    return brush;
}

// ---- colours and modes -------------------------------------------------------------------------

int CDC::SetROP2(int mode) {
    if (mode < R2_BLACK || mode > R2_WHITE)
        return 0;
    const int old = m_state.rop2;
    m_state.rop2 = mode;
    return old;
}

int CDC::SetPolyFillMode(int mode) {
    if (mode != ALTERNATE && mode != WINDING)
        return 0;
    const int old = m_state.polyFillMode;
    m_state.polyFillMode = mode;
    return old;
}

int CDC::SetStretchBltMode(int mode) {
    if (mode < BLACKONWHITE || mode > HALFTONE)
        return 0;
    const int old = m_state.stretchMode;
    m_state.stretchMode = mode;
    return old;
}

CPoint CDC::SetBrushOrg(int x, int y) {
    const CPoint old = m_state.brushOrg;
    m_state.brushOrg = {x, y};
    return old;
}

int CDC::SetArcDirection(int direction) {
    if (direction != AD_CLOCKWISE && direction != AD_COUNTERCLOCKWISE)
        return 0;
    const int old = m_state.arcDirection;
    m_state.arcDirection = direction;
    return old;
}

int CDC::SetMiterLimit(float limit) {
    if (!(limit >= 1.0f))
        return 0;
    m_state.miterLimit = limit;
    return 1;
}
