// DCctArpeggio: placing the column beside its chord and walking it.
#include "notation/display/arpeggio.h"

#include "model/event.h"
#include "model/eventtypes.h"
#include "model/lists.h"
#include "model/modifiers.h"
#include "model/notes.h"
#include "notation/display/chord.h"
#include "notation/display/drawsteps.h"
#include "notation/display/note.h"
#include "platform/core/archive.h"
#include "platform/gdi/dc.h"

IMPLEMENT_SERIAL(DCctArpeggio, DCctBase, VERSIONABLE_SCHEMA | 2)

namespace {
constexpr UINT kSegment = 103;
constexpr UINT kArrowUp = 134;
constexpr UINT kArrowDown = 133;
}  // namespace

DCctArpeggio::DCctArpeggio() = default;

DCctArpeggio::DCctArpeggio(const DCctArpeggio& other) : DCctBase(other) {}

DCctArpeggio::~DCctArpeggio() = default;

BYTE DCctArpeggio::GetType() {
    auto* arpeggio = dynamic_cast<ECArpeggio*>(GetOwner());
    return arpeggio ? arpeggio->GetArpeggioType() : static_cast<BYTE>(KIND_PLAIN);
}

UINT DCctArpeggio::GlyphFor(BYTE kind) {
    switch (kind) {
    case KIND_ARROW_UP:
        return kArrowUp;
    case KIND_ARROW_DOWN:
        return kArrowDown;
    default:
        return kSegment;
    }
}

UINT DCctArpeggio::GetFontFromType() {
    return GlyphFor(GetType());
}

void DCctArpeggio::SetPoints(CPoint top, CPoint bottom) {
    SetPosition(top);
    const int h = MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_CURRENT);
    m_metrics.SetHeight(top.y - bottom.y + 2 * h);
}

int DCctArpeggio::Position(ECConductor*, ECStaff*, ECMeasure*, ECBase* base) {
    ECBase* chordEvent = base && base->GetClassType() == ET_CHORD ? base : nullptr;
    if (!chordEvent) {
        ECBase* owner = GetOwner();
        MCEventList* parents = owner ? owner->GetParents() : nullptr;
        const POSITION pos = parents ? parents->FindEvent(ET_CHORD, nullptr) : nullptr;
        chordEvent = pos ? parents->GetAt(pos) : nullptr;
    }
    auto* chord = dynamic_cast<DCctChord*>(NotationDisplayOf(chordEvent));
    DCctNote* top = chord ? chord->GetTopNote() : nullptr;
    DCctNote* bottom = chord ? chord->GetBottomNote() : nullptr;
    if (!top || !bottom)
        return 0;
    const int w = MCMusicFont::GetMusicFont().GetNoteheadWidth(FONT_CURRENT);
    const int x = top->GetX() - (chord->GetTotalWidthLeft() + 3 * w / 4);
    SetPoints(CPoint(x, top->GetY()), CPoint(x, bottom->GetY()));
    return 1;
}

void DCctArpeggio::SetSize(CDC*) {
    if (!FrameDirty())
        return;
    const MCMusicFont& font = MCMusicFont::GetMusicFont();
    const MCMusicFont::MusicFontMetrics glyph = font.GetMusicMetrics(GetFontFromType(), FONT_CURRENT);
    const int h = font.GetNoteheadHeight(FONT_CURRENT);
    m_metrics.SetWidth(static_cast<int>(glyph.GetWidth()));
    m_metrics.SetTop(glyph.GetTop() - 3 * h / 2);
    SetFrameDirty(0);
}

int DCctArpeggio::Draw(CDC* dc, CPoint point, CRect*) {
    MCMusicFont& font = MCMusicFont::GetMusicFont();
    FontColorScope color(font);
    font.SetFontColor(GetColor(dc));
    font.SelectFont(dc, FONT_NORMAL);
    SetSize(dc);
    const int h = font.GetNoteheadHeight(FONT_CURRENT);
    CPoint p = GetPosition();
    p.Offset(point.x, point.y);
    const int first = p.y - 3 * h / 2 + font.GetAscent(FONT_CURRENT);
    const int run = static_cast<int>(m_metrics.GetHeight()) - 2 * h;
    const BYTE kind = GetType();
    if (kind == KIND_ARROW_DOWN) {
        // From the bottom up: the arrow head is the lowest segment.
        UINT glyph = kArrowDown;
        for (int y = first - run; y < first; y += h) {
            DrawMusicGlyph(dc, p.x, y, glyph);
            glyph = kSegment;
        }
    } else {
        UINT glyph = kind == KIND_ARROW_UP ? kArrowUp : kSegment;
        for (int y = first; y > first - run; y -= h) {
            DrawMusicGlyph(dc, p.x, y, glyph);
            glyph = kSegment;
        }
    }
    font.DeselectFont(dc);
    return DRAW_DONE;
}

int DCctArpeggio::DrawInRect(CDC* dc, CRect* rect) {
    MCMusicFont& font = MCMusicFont::GetMusicFont();
    LOGFONT savedFont;
    MCMusicFont::NoteMetrics savedMetrics;
    font.SaveLogFont(&savedFont, &savedMetrics);
    FontColorScope color(font);
    font.SetFontHeight(AdjustForFont(rect->top - rect->bottom));
    font.SetFontColor(GetColor(dc));
    // The sample's height must not refill the caches the score measures with.
    font.SetExtentDirty(0, FONT_ALL);
    font.SelectFont(dc, FONT_NORMAL);
    m_metrics = font.GetMusicExtent(dc, GetFontFromType());
    SetFrameDirty(0);
    SetAssembleDirty(1);
    const int height = rect->bottom - rect->top;
    const int x = rect->left + (rect->Width() - GetWidth()) / 2;
    SetPoints(CPoint(x, rect->top + height / 3), CPoint(x, rect->bottom - height / 3));
    Draw(dc, CPoint(0, 0), nullptr);
    font.DeselectFont(dc);
    font.RestoreLogFont(savedFont, savedMetrics);
    return 1;
}
