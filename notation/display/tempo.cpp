// DCctTempo: placing a tempo mark over the system, measuring and drawing its
// text, metronome mark or pause.
#include "notation/display/tempo.h"

#include "model/conductorstaff.h"
#include "model/event.h"
#include "model/eventtypes.h"
#include "model/lists.h"
#include "model/tempo.h"
#include "model/time.h"
#include "notation/display/conductor.h"
#include "notation/display/conductormeasure.h"
#include "notation/display/drawsteps.h"
#include "notation/layout/digits.h"
#include "notation/layout/staffruler.h"
#include "notation/layout/textfonts.h"
#include "platform/core/archive.h"
#include "platform/core/codepage.h"
#include "platform/gdi/dc.h"

IMPLEMENT_SERIAL(DCctTempo, DCctBase, VERSIONABLE_SCHEMA | 2)

namespace {

// The mark's brackets.
constexpr char kOpenBracket = '(';
constexpr char kCloseBracket = ')';
// The mark is drawn with the character height of three noteheads: three
// quarters of the music font, beside text of the expression font's size.
constexpr int kMarkNoteheads = 3;
// Numbers from here on have no small digits.
constexpr float kNoDigitsFrom = 1000.0f;

// The note of a beat given in quarter notes, and whether it is dotted. The
// beat is compared exactly: a tempo is entered with one of these values.
struct BeatNote {
    float beat;
    unsigned char glyph;
    bool dotted;
};
constexpr BeatNote kBeatNotes[] = {
    {0.25f, 120, false}, {0.375f, 120, true}, {0.5f, 101, false}, {0.75f, 101, true},
    {1.0f, 113, false},  {1.5f, 113, true},   {2.0f, 104, false}, {3.0f, 104, true},
    {4.0f, 119, false},  {6.0f, 119, true},
};

}  // namespace

DCctTempo::DCctTempo() {
    SetBit(BIT_BEAT_EQUALS, 0);
    SetBit(BIT_LOCATION, 0);
}

DCctTempo::DCctTempo(const DCctTempo& other) : DCctBase(other) {
    SetStateWord(other.GetStateWord());
}

DCctTempo::~DCctTempo() = default;

ECTempo* DCctTempo::GetTempo() {
    return dynamic_cast<ECTempo*>(GetOwner());
}

BYTE DCctTempo::GetType() {
    ECTempo* tempo = GetTempo();
    return tempo ? tempo->GetTempoType() : 0;
}

std::string DCctTempo::GetExpression(int) {
    ECTempo* tempo = GetTempo();
    return tempo ? tempo->GetText() : std::string();
}

int DCctTempo::IsExpression(BYTE type) {
    if (IsPause(type))
        return 0;
    return GetExpression().empty() ? 0 : 1;
}

UINT DCctTempo::GetFontFromType() {
    switch (GetType()) {
    case TEMPO_FERMATA:
        return GetLocation() ? GLYPH_FERMATA_BELOW : GLYPH_FERMATA_ABOVE;
    case TEMPO_CAESURA:
        return GLYPH_CAESURA;
    default:
        return GLYPH_DEFAULT;
    }
}

std::string DCctTempo::GetBeatEquals() {
    ECTempo* tempo = GetTempo();
    if (!tempo)
        return {};
    const float beat = tempo->GetBeat();
    const BeatNote* note = nullptr;
    for (const BeatNote& entry : kBeatNotes)
        if (entry.beat == beat)
            note = &entry;
    // A beat without a note has no mark at all: brackets around nothing
    // would stand after the text alone.
    if (!note)
        return {};
    std::string mark;
    mark += static_cast<char>(note->glyph);
    if (note->dotted)
        mark += static_cast<char>(GLYPH_AUGMENTATION_DOT);
    mark += static_cast<char>(GLYPH_EQUALS);
    // Truncated, as the tempo was always shown; compared as a float first so
    // that no huge value is converted to an int.
    const float bpm = tempo->GetTempo(beat);
    if (bpm < kNoDigitsFrom)
        NumberToMusicDigits(static_cast<int>(bpm), mark);
    if (GetExpressionWithBeatEquals())
        mark = kOpenBracket + mark + kCloseBracket;
    return mark;
}

ECConductorStaff* DCctTempo::FindStaffParent() {
    ECBase* owner = GetOwner();
    MCEventList* parents = owner ? owner->GetParents() : nullptr;
    const POSITION pos = parents ? parents->FindEvent(ET_CONDUCTORSTAFF) : nullptr;
    return pos ? static_cast<ECConductorStaff*>(parents->GetAt(pos)) : nullptr;
}

// ---- placing ---------------------------------------------------------------------------

int DCctTempo::Position(ECConductor*, ECStaff*, ECMeasure*, ECBase* parent) {
    auto* conductorStaff = parent && parent->GetClassType() == ET_CONDUCTORSTAFF
                               ? static_cast<ECConductorStaff*>(parent)
                               : FindStaffParent();
    auto* staffDisplay = dynamic_cast<DCctConductorStaff*>(NotationDisplayOf(conductorStaff));
    ECBase* owner = GetOwner();
    const MCTime* time = owner ? owner->GetTime() : nullptr;
    if (!staffDisplay || !time)
        return 0;
    MCStaffRuler& staffRuler = staffDisplay->GetRuler();
    ECMeasure* column = conductorStaff->GetMeasure(0, *time, 0, 1);
    auto* columnDisplay = dynamic_cast<DCctConductorMeasure*>(NotationDisplayOf(column));
    if (!columnDisplay)
        return 0;
    SetSize(nullptr);

    int y = columnDisplay->GetYPositionForMeasure(0) + staffRuler.GetSpaceAbove(0);
    int x = columnDisplay->GetX() + columnDisplay->GetXForTime(*time);
    const BYTE type = GetType();
    if (IsPause(type)) {
        x -= GetWidth() / 2;
        if (GetLocation() == LOCATION_BELOW)
            y = columnDisplay->GetYPositionForMeasure(-1) + staffRuler.GetSpaceBelow(staffRuler.GetLastShownStaff());
    }
    // The text hangs from its position: it stands on the level above the staff.
    if (IsExpression(type))
        y += static_cast<int>(m_metrics.GetHeight());
    SetPosition(x, y);
    return 1;
}

// ---- measuring and drawing -----------------------------------------------------------------

void DCctTempo::SetSize(CDC* dc) {
    if (!FrameDirty())
        return;
    const BYTE type = GetType();
    if (IsPause(type)) {
        m_metrics = MCMusicFont::GetMusicFont().GetMusicMetrics(GetFontFromType(), FONT_CURRENT);
        SetFrameDirty(0);
        return;
    }
    MeasuringDC measuring(dc);
    int width = 0;
    int height = 0;
    if (IsExpression(type)) {
        MCExpressionFont& font = MCExpressionFont::GetExpressionFont();
        font.SelectFont(measuring.Get());
        const CSize extent = measuring.Get()->GetTextExtent(GetExpression());
        font.DeselectFont(measuring.Get());
        width = extent.cx;
        height = extent.cy;
    }
    m_metrics = MCMusicFont::MusicFontMetrics();
    m_metrics.SetWidth(width);
    m_metrics.SetHeight(height);
    if (GetExpressionWithBeatEquals() || type == TEMPO_PLAIN) {
        MCMusicFont& music = MCMusicFont::GetMusicFont();
        music.SelectFont(measuring.Get(), FONT_NORMAL);
        const int markWidth = measuring.Get()->GetTextExtent(Cp1252ToUtf8(GetBeatEquals())).cx;
        music.DeselectFont(measuring.Get());
        if (GetExpressionWithBeatEquals()) {
            m_metrics.SetWidth(width + markWidth);
        } else {
            m_metrics = music.GetMusicMetrics(GLYPH_DEFAULT, FONT_CURRENT);
            m_metrics.SetWidth(markWidth);
        }
    }
    SetFrameDirty(0);
}

int DCctTempo::Draw(CDC* dc, CPoint point, CRect* clip) {
    SetSize(dc);
    const BYTE type = GetType();
    if (IsPause(type)) {
        FontColorScope keepColor(MCMusicFont::GetMusicFont());
        return DCctBase::Draw(dc, point, clip);
    }

    CPoint p = GetPosition();
    p.Offset(point.x, point.y);
    const COLORREF color = GetColor(dc);
    const int oldMode = dc->SetBkMode(TRANSPARENT);   // the text's cell reaches over the staff
    if (IsExpression(type)) {
        MCExpressionFont& font = MCExpressionFont::GetExpressionFont();
        FontColorScope keepColor(font);
        font.SetFontColor(color);
        font.SelectFont(dc);
        const std::string text = GetExpression();
        dc->TextOut(p.x, p.y, text);
        p.x += dc->GetTextExtent(text).cx;
        font.DeselectFont(dc);
    }
    if (GetExpressionWithBeatEquals() || type == TEMPO_PLAIN) {
        MCMusicFont& music = MCMusicFont::GetMusicFont();
        LOGFONT savedFont;
        MCMusicFont::NoteMetrics savedMetrics;
        music.SaveLogFont(&savedFont, &savedMetrics);
        FontColorScope keepColor(music);
        music.SetFontHeight(-kMarkNoteheads * music.GetNoteheadHeight(FONT_CURRENT));
        music.SetFontColor(color);
        // The smaller size must not refill the glyph caches the score measures with.
        music.SetExtentDirty(0, FONT_ALL);
        music.SelectFont(dc, FONT_NORMAL);
        // The note's head sits half a (small) notehead above the line the mark
        // stands on: the text's foot beside it, or the mark's own position.
        int d = music.GetNoteheadHeight(FONT_CURRENT) / 2;
        if (GetExpressionWithBeatEquals())
            d -= static_cast<int>(m_metrics.GetHeight());
        dc->TextOut(p.x, p.y + music.GetAscent(FONT_CURRENT) + d, Cp1252ToUtf8(GetBeatEquals()));
        music.DeselectFont(dc);
        music.RestoreLogFont(savedFont, savedMetrics);
    }
    dc->SetBkMode(oldMode);
    return DRAW_DONE;
}

int DCctTempo::DrawInRect(CDC* dc, CRect* rect) {
    if (!IsExpression(GetType())) {
        FontColorScope keepColor(MCMusicFont::GetMusicFont());
        return DCctBase::DrawInRect(dc, rect);
    }
    MCExpressionFont& font = MCExpressionFont::GetExpressionFont();
    LOGFONT saved;
    font.SaveLogFont(&saved);
    FontColorScope keepColor(font);
    font.SetFontHeight(AdjustForTextFont(rect->top - rect->bottom));
    font.SetFontColor(GetColor(dc));
    // Measured at the sample's size; the score measures again afterwards.
    SetFrameDirty(1);
    SetSize(dc);
    CRect frame;
    GetFrame(&frame, 0);
    SetPosition(rect->left + ((rect->right - rect->left) - (frame.right - frame.left)) / 2,
                rect->top + ((rect->bottom - rect->top) - (frame.bottom - frame.top)) / 2);
    Draw(dc, CPoint(0, 0), nullptr);
    font.RestoreLogFont(saved);
    SetFrameDirty(1);
    return 1;
}
