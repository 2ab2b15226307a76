// DCctNote drawing: ledger lines, stem, flag and notehead, and the sample
// drawn in a rectangle.
#include "notation/display/note.h"
#include "notation/display/drawsteps.h"
#include "notation/display/samplefont.h"

#include <cstdlib>

#include "model/event.h"
#include "model/eventtypes.h"
#include "model/lists.h"
#include "notation/layout/curves.h"
#include "platform/gdi/dc.h"
#include "platform/ui/syscolor.h"


int DCctNote::Draw(CDC* dc, CPoint point, CRect*) {
    if (GetSpelling().GetMidiPitch() == 0)
        return DRAW_HIDDEN;
    SetSize(dc);
    MCMusicFont& font = MCMusicFont::GetMusicFont();
    const BYTE size = GetFontSize();
    const COLORREF color = GetColor(dc);
    font.SetFontColor(color);
    font.SelectFont(dc, size);
    const int ascent = font.GetAscent(size);
    const CPoint head = SnapToDevice(dc, CPoint(GetX() + point.x, GetY() + ascent + point.y));

    if (HasStem() && !IsStemHidden()) {
        // The stem meets the head as this device context draws it, which at
        // a zoom may differ from the cached box.
        const MCMusicFont::MusicFontMetrics box = font.GetMusicExtent(dc, GetFontFromType());
        m_nNoteheadWidth = static_cast<int16_t>(box.GetWidth());
        m_nNoteheadHeight = static_cast<int16_t>(box.GetHeight());
        AttachStem();
        const CPoint at = GetPosition();
        CPoint start = SnapToDevice(dc, CPoint(at.x + m_nStemX + point.x, at.y + m_nStemY + point.y));
        const CPoint end = SnapToDevice(dc, CPoint(at.x + m_nStemX + point.x, at.y + GetStemHeight() + point.y));
        const int sw = font.GetStemWidth(size);
        if (GetStemDirection() == 1)
            start.y -= sw;
        // The stem x is the stem's left edge (GetStemFrame): the line lies
        // right of it, so that a beam drawn from the stems' outer edges meets
        // the first and last stems with no gap.
        DrawLine().Draw(dc, start, end, sw, color, DrawLine::POSITIVE_SIDE);
        if (GetFlag()) {
            const int h = font.GetNoteheadHeight(size);
            int e = AddToStemLength() * h / 2;
            if (GetStemDirection() == 0)
                e = -e;
            // A flag hangs from the stem's centre line.
            DrawMusicGlyph(dc, end.x + sw / 2, end.y + ascent + e, GetFontFromFlagType());
        }
    }

    if (const int count = GetLedgerLineCount(); count != 0) {
        const COLORREF previous = dc->SetTextColor(IsGhosted() ? GetSysColor(COLOR_GRAYTEXT) : GetPermanentColor());
        int step = font.GetNoteheadHeight(FONT_CURRENT);
        if (!GetLedgerLineDirection())
            step = -step;   // above the staff: toward smaller y
        int y = head.y;
        if (IsInLedgerSpace())
            y += step / 2;
        const UINT glyph = GetLedgerGlyph();
        for (int i = 0; i < count; ++i, y += step)
            DrawMusicGlyph(dc, head.x, y, glyph);
        dc->SetTextColor(previous);
    }

    if (GetNoteheadStyle() != STYLE_NONE)
        DrawMusicGlyph(dc, head.x, head.y, GetFontFromType());
    font.DeselectFont(dc);
    return DRAW_DONE;
}

int DCctNote::DrawInPlace(CDC* dc) {
    SetFrameDirty(1);
    SetAssembleDirty(1);
    Draw(dc, CPoint(0, 0), nullptr);
    SetPositionDirty(0);
    SetFrameDirty(0);
    return 1;
}

int DCctNote::MeasurePrototype(CDC* dc, MCMusicFont& font) {
    const MCMusicFont::MusicFontMetrics head = font.GetMusicExtent(dc, GetFontFromType());
    m_nNoteheadWidth = static_cast<int16_t>(head.GetWidth());
    m_nNoteheadHeight = static_cast<int16_t>(head.GetHeight());
    const UINT flag = GetFontFromFlagType();
    const MCMusicFont::MusicFontMetrics box = flag ? font.GetMusicExtent(dc, flag) : MCMusicFont::MusicFontMetrics();
    m_nFlagWidth = static_cast<int16_t>(box.GetWidth());
    m_nFlagHeight = static_cast<int16_t>(box.GetHeight());
    m_nStemX = m_nNoteheadWidth;
    m_nStemY = 0;
    SetAssembleDirty(1);
    Assemble();
    SetFrameDirty(0);
    SetAssembleDirty(0);
    SetSize(dc);
    CRect frame;
    GetFrame(&frame, 0);
    return std::abs(frame.Height());
}

int DCctNote::DrawInRect(CDC* dc, CRect* rect) {
    ECBase* owner = GetOwner();
    MCEventList* parents = owner ? owner->GetParents() : nullptr;
    if (parents && parents->FindEvent(ET_MEASURE))
        return DrawInPlace(dc);   // in its measure: drawn where it stands
    // A free prototype: middle C centred in the rectangle, made smaller when
    // its stem would stand out of it.
    const int room = rect->top - rect->bottom;
    const int height = AdjustForFont(room);
    int fitted = height;
    {
        MusicFontSample probe(dc, height, GetColor(dc));
        fitted = FitSampleHeight(height, MeasurePrototype(dc, probe.Font()), room);
    }
    MusicFontSample sample(dc, fitted, GetColor(dc));
    MeasurePrototype(dc, sample.Font());
    CenterPosition(dc, rect);
    m_spelling.SetPitch(60, 0, 0);
    Draw(dc, CPoint(0, 0), nullptr);
    return 1;
}
