// The DC's text members: colours and modes, the selected font realized by the
// font engine (fontengine.h), and text drawn and measured in logical units.
//
// The font engine works in device units; this file turns the DC's logical
// points into device points (LPtoDP's rounding, as every drawing call does)
// and the mapping into the engine's scale, so text stands upright and keeps
// its size in every mapping mode, y up included. A font is realized for the
// DC's scale when first used after a selection or a change of mapping.
#include "platform/gdi/dc.h"

#include "platform/core/format.h"

#include "platform/gdi/dc_private.h"
#include "platform/gdi/font.h"
#include "platform/gdi/textbreak.h"
#include "platform/ui/dlgtemplate.h"

#include <QTransform>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

CFont* MakeStockFont(int height, int weight, const char* face) {
    auto* font = new CFont;   // lives as long as the program: stock objects are never deleted
    LOGFONT description;
    description.lfHeight = height;
    description.lfWeight = weight;
    SetFaceName(description, face);
    font->CreateFontIndirect(&description);
    return font;
}

// The dialog font: the face and size dialogs are made with, at 96 pixels per inch.
CFont* MakeGuiFont() {
    const DialogFont dialog;
    auto* font = new CFont;
    LOGFONT description;
    description.lfHeight = -MulDiv(dialog.pointSize, 96, 72);
    description.lfWeight = FW_NORMAL;
    SetFaceName(description, dialog.face);
    font->CreateFontIndirect(&description);
    return font;
}

}  // namespace

CFont* GetStockFont(int index) {
    static CFont* const system = MakeStockFont(16, FW_BOLD, "MS Sans Serif");
    static CFont* const variable = MakeStockFont(-11, FW_NORMAL, "MS Sans Serif");
    static CFont* const fixed = MakeStockFont(-13, FW_NORMAL, "Courier New");
    static CFont* const gui = MakeGuiFont();
    switch (index) {
    case SYSTEM_FONT:
    case DEVICE_DEFAULT_FONT: return system;
    case ANSI_VAR_FONT: return variable;
    case OEM_FIXED_FONT:
    case ANSI_FIXED_FONT:
    case SYSTEM_FIXED_FONT: return fixed;
    case DEFAULT_GUI_FONT: return gui;
    default: return nullptr;
    }
}

// ---- colours and modes --------------------------------------------------------------------

COLORREF CDC::SetTextColor(COLORREF color) {
    const COLORREF old = m_state.textColor;
    m_state.textColor = color;
    return old;
}

COLORREF CDC::SetBkColor(COLORREF color) {
    const COLORREF old = m_state.bkColor;
    m_state.bkColor = color;
    return old;
}

int CDC::SetBkMode(int mode) {
    if (mode != TRANSPARENT && mode != OPAQUE)
        return 0;
    const int old = m_state.bkMode;
    m_state.bkMode = mode;
    return old;
}

UINT CDC::SetTextAlign(UINT flags) {
    const UINT old = m_state.textAlign;
    m_state.textAlign = flags;
    return old;
}

int CDC::SetTextCharacterExtra(int extra) {
    const int old = m_state.charExtra;
    m_state.charExtra = extra;
    return old;
}

// ---- the font -----------------------------------------------------------------------------

CFont* CDC::SelectObject(CFont* font) {
    if (!font || !font->IsCreated())
        return nullptr;
    CFont* old = m_state.font;
    m_state.font = font;
    // A copy: the object may be deleted or created anew while selected.
    font->GetLogFont(&m_state.fontDescription);
    m_state.realizedFont.reset();
    return old;
}

const CRealizedFont& CDC::RealizedFont() const {
    // Device pixels per logical unit, from the extents as they stand (a zero
    // extent scales by 1 rather than by nothing).
    auto ratio = [](int viewport, int window) {
        const double value = window ? std::abs(static_cast<double>(viewport) / window) : 0.0;
        return value > 0 && std::isfinite(value) ? value : 1.0;
    };
    const FontDeviceScale scale{ratio(m_state.viewportExt.cx, m_state.windowExt.cx),
                                ratio(m_state.viewportExt.cy, m_state.windowExt.cy), m_dpiY};
    const auto& realized = m_state.realizedFont;
    if (!realized || realized->GetScale().x != scale.x || realized->GetScale().y != scale.y ||
        realized->GetScale().logPixelsY != scale.logPixelsY)
        m_state.realizedFont = CRealizedFont::Create(m_state.fontDescription, scale);
    return *m_state.realizedFont;
}

// ---- drawing ------------------------------------------------------------------------------

namespace {

// Draws one run of text for CDC::TextOut and CDC::ExtTextOut, in device units.
struct TextRun {
    QPointF point;                  // the reference point
    std::string_view text;
    unsigned align = 0;             // TA_ values
    const int* widths = nullptr;    // logical advances, one per character, or null
    int extra = 0;                  // logical units added to each character
    QRect opaque;                   // filled with the background colour first (when valid)
    bool clipped = false;
    QRect clip;                     // the text kept inside, while `clipped`
};

}  // namespace

// Draws `run`; answers the device distance the reference point moves along
// the baseline (for TA_UPDATECP).
static double DrawTextRun(CDC& dc, const CRealizedFont& font, const TextRun& run) {
    const auto& state = CDCAccess::State(dc);
    QPainter* painter = dc.GetPainter();
    if (!painter)
        return 0;
    CDCAccess::MarkDrawn(dc);
    // Every drawing call sets up the painter's mix, hints, pen and brush for
    // itself, so text sets what it uses and puts back only the clipping.
    // (A painter's state changes cost, so unchanged ones are not set again.)
    if (painter->compositionMode() != QPainter::CompositionMode_SourceOver)
        painter->setCompositionMode(QPainter::CompositionMode_SourceOver);   // text ignores the mix
    const QPainter::RenderHints smooth = QPainter::Antialiasing | QPainter::TextAntialiasing;
    const QPainter::RenderHints hints = CDCAccess::IsMonochrome(dc) ? QPainter::RenderHints() : smooth;
    if ((painter->renderHints() & smooth) != hints) {
        painter->setRenderHints(smooth, false);
        painter->setRenderHints(hints, true);
    }
    // The observer hears the run before any of its drawing, its background included.
    CDrawingObserver* observer = dc.GetDrawingObserver();
    if (observer)
        observer->OnTextBegin(run.text, font.GetLogFont());
    if (run.opaque.isValid())
        painter->fillRect(run.opaque, CDCAccess::DrawColor(dc, state.bkColor));
    if (run.clipped)
        painter->setClipRect(run.clip, painter->hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);

    // The advances: the face's own, or those asked for, plus the extra spacing.
    const bool spaced = run.widths || run.extra;
    const bool cell = state.bkMode == OPAQUE;
    std::vector<std::string_view> characters;
    std::vector<double> advances;
    double width = 0;
    if (spaced) {
        const double perUnit = font.GetScale().x;
        characters = SplitCharacters(run.text);
        for (size_t i = 0; i < characters.size(); ++i) {
            const double advance = run.widths ? run.widths[i] * perUnit : font.GetTextWidth(characters[i]);
            advances.push_back(advance + run.extra * perUnit);
            width += advances.back();
        }
    } else if (cell) {
        width = font.GetTextWidth(run.text);
    }

    // The baseline's start, the escapement turning the line about the reference point.
    const unsigned horizontal = run.align & (TA_CENTER | TA_RIGHT);
    const unsigned vertical = run.align & TA_BASELINE;
    const double shift = horizontal == TA_CENTER ? -width / 2 : horizontal == TA_RIGHT ? -width : 0;
    QTransform turn;
    if (const int escapement = font.GetLogFont().lfEscapement)
        turn.translate(run.point.x(), run.point.y()).rotate(-escapement / 10.0).translate(-run.point.x(), -run.point.y());

    if (cell) {
        const QPointF origin = font.GetBaselineOrigin(run.point, {}, vertical);
        const QRectF box(origin.x() + shift, origin.y() - font.GetAscent(), width,
                         font.GetAscent() + font.GetDescent());
        painter->setPen(Qt::NoPen);
        painter->setBrush(CDCAccess::DrawColor(dc, state.bkColor));
        painter->drawPolygon(turn.map(QPolygonF(box)));
    }
    const QColor ink = CDCAccess::DrawColor(dc, state.textColor);
    if (painter->pen().color() != ink || painter->pen().style() != Qt::SolidLine)
        painter->setPen(ink);
    if (!spaced) {
        width = font.DrawText(*painter, run.point, run.text, run.align & ~TA_UPDATECP);
    } else {
        double pen = shift;
        for (size_t i = 0; i < characters.size(); ++i) {
            font.DrawText(*painter, turn.map(QPointF(run.point.x() + pen, run.point.y())), characters[i], vertical);
            pen += advances[i];
        }
    }
    if (observer)
        observer->OnTextEnd();
    if (run.clipped)
        CDCAccess::ApplyClip(dc);
    return horizontal == TA_CENTER ? 0 : horizontal == TA_RIGHT ? -width : width;
}

int CDC::TextOut(int x, int y, std::string_view text) {
    return ExtTextOut(x, y, 0, nullptr, text, nullptr);
}

int CDC::ExtTextOut(int x, int y, UINT options, const RECT* rect, std::string_view text, const int* widths) {
    const bool updateCP = m_state.textAlign & TA_UPDATECP;
    const CPoint reference = updateCP ? m_state.position : CPoint(x, y);
    TextRun run;
    run.point = CDCAccess::ToDevice(*this, reference.x, reference.y);
    run.text = text;
    run.align = m_state.textAlign;
    run.widths = widths;
    run.extra = m_state.charExtra;
    if (rect) {
        const QRect box = CDCAccess::ToDeviceRect(*this, rect->left, rect->top, rect->right, rect->bottom);
        if (options & ETO_OPAQUE)
            run.opaque = box;
        if (options & ETO_CLIPPED)
            run.clipped = true;
        run.clip = box;
    }
    if (m_pathOpen)
        return 1;   // text adds nothing to a path
    const CRealizedFont& font = RealizedFont();
    const double moved = DrawTextRun(*this, font, run);
    if (updateCP) {
        // The reference point moves along the drawn line, in device units, and back.
        const double degrees = font.GetLogFont().lfEscapement / 10.0;
        const double radians = degrees * M_PI / 180.0;
        POINT end{static_cast<int>(std::lround(run.point.x() + moved * std::cos(radians))),
                  static_cast<int>(std::lround(run.point.y() - moved * std::sin(radians)))};
        DPtoLP(&end);
        m_state.position = degrees == 0 ? CPoint(end.x, reference.y) : CPoint(end.x, end.y);
    }
    return 1;
}

int CDC::DrawText(std::string_view text, RECT* rect, UINT format) {
    if (!rect)
        return 0;
    std::vector<std::string> lines = BreakTextLines(*this, text, std::abs(rect->right - rect->left), format);
    const CRealizedFont& font = RealizedFont();
    TEXTMETRIC metrics;
    font.GetLogicalTextMetrics(metrics);
    const int lineHeight = metrics.tmHeight + ((format & DT_EXTERNALLEADING) ? metrics.tmExternalLeading : 0);
    const int height = lineHeight * static_cast<int>(lines.size());

    // Logical y grows downwards on the device, or upwards (y up modes).
    const bool yUp = (m_state.viewportExt.cy < 0) != (m_state.windowExt.cy < 0);
    const int down = yUp ? -1 : 1;
    if (format & DT_CALCRECT) {
        // The rectangle narrows to the widest line, or widens to a word wider than it.
        int widest = 0;
        for (const std::string& line : lines)
            widest = std::max(widest, static_cast<int>(GetTextExtent(line).cx));
        rect->right = rect->left + widest;
        rect->bottom = rect->top + down * height;
        return height;
    }

    const QRect box = CDCAccess::ToDeviceRect(*this, rect->left, rect->top, rect->right, rect->bottom);
    const FontDeviceScale& scale = font.GetScale();
    const double deviceLine = lineHeight * scale.y;
    double top = box.top();
    if ((format & DT_SINGLELINE) && (format & DT_VCENTER))
        top = box.top() + (box.height() - deviceLine) / 2;
    else if ((format & DT_SINGLELINE) && (format & DT_BOTTOM))
        top = box.bottom() + 1 - deviceLine;
    const MeasureText deviceWidth = [&font](std::string_view run) { return font.GetTextWidth(run); };
    for (std::string& line : lines) {
        // An edit control shows no line it cannot show whole (but always its first).
        if ((format & DT_EDITCONTROL) && top != box.top() && top + deviceLine > box.bottom() + 1)
            break;
        if ((format & DT_END_ELLIPSIS) && font.GetTextWidth(line) > box.width())
            line = CutWithEllipsis(line, box.width(), deviceWidth);
        const unsigned horizontal = (format & DT_CENTER) ? TA_CENTER : (format & DT_RIGHT) ? TA_RIGHT : TA_LEFT;
        const double x = horizontal == TA_CENTER ? box.left() + box.width() / 2.0
                         : horizontal == TA_RIGHT ? box.right() + 1.0
                                                  : box.left();
        TextRun run;
        run.point = QPointF(x, top);
        run.text = line;
        run.align = horizontal | TA_TOP;
        run.extra = m_state.charExtra;
        run.clipped = !(format & DT_NOCLIP);
        run.clip = box;
        DrawTextRun(*this, font, run);
        top += deviceLine;
    }
    return height;
}

// ---- measuring ----------------------------------------------------------------------------

CSize CDC::GetTextExtent(std::string_view text) const {
    SIZE size = RealizedFont().GetTextExtent(text);
    if (m_state.charExtra)
        size.cx += m_state.charExtra * static_cast<int>(SplitCharacters(text).size());
    return size;
}

int CDC::GetTextMetrics(TEXTMETRIC* metrics) const {
    if (!metrics)
        return 0;
    RealizedFont().GetLogicalTextMetrics(*metrics);
    return 1;
}

int CDC::GetCharWidth(UINT first, UINT last, int* widths) const {
    if (!widths || last < first)
        return 0;
    return RealizedFont().GetCharWidth(first, last, widths) ? 1 : 0;
}

int CDC::GetTextFace(int count, char* face) const {
    const std::string name = GetFaceName(m_state.fontDescription);
    if (!face)
        return static_cast<int>(name.size()) + 1;
    if (count <= 0)
        return 0;
    const size_t copied = std::min(name.size(), static_cast<size_t>(count - 1));
    std::memcpy(face, name.data(), copied);
    face[copied] = '\0';
    return static_cast<int>(copied);
}

DWORD CDC::GetGlyphOutline(UINT ch, UINT format, GLYPHMETRICS* metrics, DWORD bufferSize, void* buffer,
                           const MAT2* transform) const {
    return RealizedFont().GetGlyphOutline(ch, format, metrics, bufferSize, buffer, transform);
}
