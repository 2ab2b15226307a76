// Trills: the sign over the note or chord, its accidental, and the wavy line
// along a tied note's chain, one piece per system.
#include "notation/display/ornament.h"

#include "model/conductor.h"
#include "model/event.h"
#include "model/eventtypes.h"
#include "model/lists.h"
#include "model/measure.h"
#include "model/modifiers.h"
#include "model/notes.h"
#include "model/staff.h"
#include "model/time.h"
#include "notation/display/chord.h"
#include "notation/display/drawsteps.h"
#include "notation/display/measure.h"
#include "notation/display/note.h"
#include "notation/tools/tie.h"
#include "platform/core/archive.h"

#include <algorithm>

IMPLEMENT_SERIAL(DCctTrill, DCctSplit, VERSIONABLE_SCHEMA | 2)

namespace {

constexpr int STEM_UP = 0;
constexpr int GRAND_STAFF = 1;
constexpr int FIRST_LOWER_VOICE = 4;   // a grand staff's lower half holds voices 4 and up
// The accidentals' small forms.
constexpr UINT SMALL_SHARP = 73;
constexpr UINT SMALL_NATURAL = 233;
constexpr UINT SMALL_FLAT = 105;

int NoteheadHeight() {
    return MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_CURRENT);
}

// The note a trill's parent stands for: itself, or a chord's first note.
ECNote* NoteOf(ECBase* parent) {
    if (!parent)
        return nullptr;
    if (parent->GetClassType() == ET_NOTE)
        return static_cast<ECNote*>(parent);
    MCEventList* children = parent->GetChildren();
    const POSITION pos = children ? children->FindEvent(ET_NOTE) : nullptr;
    return pos ? static_cast<ECNote*>(children->GetAt(pos)) : nullptr;
}

}  // namespace

DCctTrill::DCctTrill() {
    SetSplit(1);
    SetBit(ACCIDENTAL_BESIDE_BIT, 0);
    SetBit(WAVE_BIT, 0);
}

DCctTrill::DCctTrill(const DCctTrill& other) : DCctSplit(other) {
    SetStateWord(other.GetStateWord());
}

DCctTrill::~DCctTrill() = default;

BYTE DCctTrill::GetType() {
    auto* trill = dynamic_cast<ECTrill*>(GetOwner());
    return trill ? trill->GetTrillType() : 0;
}

UINT DCctTrill::GetAccidentalFromType() {
    switch (GetType()) {
    case 1:
        return SMALL_SHARP;
    case 2:
        return SMALL_NATURAL;
    case 3:
        return SMALL_FLAT;
    default:
        return 0;
    }
}

ECBase* DCctTrill::FindTrillParent() {
    ECBase* owner = GetOwner();
    MCEventList* parents = owner ? owner->GetParents() : nullptr;
    if (!parents)
        return nullptr;
    if (const POSITION pos = parents->FindEvent(ET_NOTE))
        return parents->GetAt(pos);
    if (const POSITION pos = parents->FindEvent(ET_CHORD))
        return parents->GetAt(pos);
    return nullptr;
}

int DCctTrill::IsWave(ECBase* parent) {
    ECNote* note = NoteOf(parent);
    CTie tie;
    return note && tie.FindTieParent(note, TIE_FORWARD) ? 1 : 0;
}

CPoint DCctTrill::GetTrillPosition(ECConductor* conductor, ECStaff* staff, int track, const MCTime& time) {
    DCctMeasure* measure = nullptr;
    CPoint point = GetStaffPointAtTime(conductor, track, time, &measure);
    ECBase* owner = GetOwner();
    MCVoiceTrack* word = owner ? owner->GetVoiceTrack() : nullptr;
    // A lower voice's trill belongs to a grand staff's left-hand staff.
    if (measure && staff && staff->GetStaffType() == GRAND_STAFF && word && word->GetVoice() >= FIRST_LOWER_VOICE)
        point.y += measure->GetLeftHandOffset();
    return point;
}

// ---- positioning ----------------------------------------------------------------------

int DCctTrill::Position(ECConductor* conductor, ECStaff* staff, ECMeasure* measure, ECBase*) {
    ECBase* owner = GetOwner();
    if (!owner)
        return 0;
    if (!staff)
        staff = FindStaffParent();
    if (!conductor)
        conductor = GetConductor();
    if (!measure)
        measure = static_cast<ECMeasure*>(owner->GetAncestor(ET_MEASURE, -1));
    ECBase* parent = FindTrillParent();
    if (!parent)
        return 0;
    auto* parentDisplay = dynamic_cast<DCctNotate*>(NotationDisplayOf(parent));
    DCctBase* measureDisplay = NotationDisplayOf(measure);
    if (!staff || !conductor || !measureDisplay || !parentDisplay || !owner->GetTime() || !measure->GetTime())
        return 0;
    const int track = conductor->GetTrackNumber(TRACK_STAFF, staff);
    const bool onNote = parent->GetClassType() == ET_NOTE;
    DCctNote* note = onNote ? dynamic_cast<DCctNote*>(parentDisplay)
                            : static_cast<DCctChord*>(parentDisplay)->GetTopNote();
    if (!note)
        return 0;
    ResetSplitOffset();

    const int h = NoteheadHeight();
    const int above =
        (parentDisplay->GetStemDirection() == STEM_UP ? note->GetStemPosition().y : note->GetY()) + 3 * h / 2;
    const int lift = std::max(above, 2 * h);
    SetPosition(onNote ? note->GetVirtualPosition() : measureDisplay->GetPosition());

    if (!IsWave(parent)) {
        SetBit(WAVE_BIT, 0);
        const CPoint at = GetTrillPosition(conductor, staff, track, *owner->GetTime()) + CSize(0, lift);
        AddSplitOffset(at, at);
    } else {
        SetBit(WAVE_BIT, 1);
        if (!PositionWave(conductor, staff, track, NoteOf(parent), *measure->GetTime(), lift))
            return 0;
    }
    SetFrameDirty(1);
    SetSize(nullptr);
    return 1;
}

int DCctTrill::PositionWave(ECConductor* conductor, ECStaff* staff, int track, ECNote* note,
                            const MCTime& measureTime, int lift) {
    CTie tie;
    MCTime start = *note->GetTime();
    MCTime chainEnd = start;
    tie.GetTieRange(note, start, chainEnd);
    ECNote* tail = tie.GetTailOfTie(note);
    if (!tail || !tail->GetTime())
        return 0;
    const MCTime end = *tail->GetTime();
    // A chain carried in from the measure before starts at this measure.
    if (start < measureTime)
        start = measureTime;
    MCEventList measures;
    conductor->GetMeasures(track, start, chainEnd, measures);
    if (measures.IsEmpty() || !AllDisplayed(measures))
        return 0;
    const CSize up(0, lift);
    const CPoint first = GetTrillPosition(conductor, staff, track, start) + up;
    const CPoint last = GetTrillPosition(conductor, staff, track, end) + up;
    if (!IsSplit(measures)) {
        AddSplitOffset(first, last);
        return 1;
    }
    // The split bit stays as constructed: the trill draws by its pieces.
    AddPiecesAcross(GetSystemEdges(measures), first, last, up);
    return 1;
}

// ---- size, frame, hit test ------------------------------------------------------------------

void DCctTrill::SetSize(CDC*) {
    if (!FrameDirty())
        return;
    m_metrics = MCMusicFont::GetMusicFont().GetMusicMetrics(TRILL_SIGN, FONT_CURRENT);
    // A trill without its line is the sign alone. The right end is set, not
    // moved: a second sizing of the same pieces must not widen it again.
    std::vector<SplitOffset>& pieces = Splits();
    if (!pieces.empty() && !HasWave())
        pieces.front().right.x = pieces.front().left.x + static_cast<int>(m_metrics.GetWidth());
    SetFrameDirty(0);
}

void DCctTrill::GetFrame(CRect* rect, int selector) {
    DCctSplit::GetFrame(rect, selector);
    rect->OffsetRect(-m_nX, -m_nY);
    if (HasWave())
        rect->right += 2 * NoteheadHeight();
}

void DCctTrill::GetVirtualFrame(CRect* rect, int selector) {
    GetFrame(rect, selector);
}

int DCctTrill::IsIn(CRect* rect, CPoint offset, int detail, int selector) {
    return DCctSplit::IsIn(rect, offset - CSize(m_nX, m_nY), detail, selector);
}

// ---- drawing ----------------------------------------------------------------------------------

int DCctTrill::Draw(CDC* dc, CPoint origin, CRect*) {
    MCMusicFont& font = MCMusicFont::GetMusicFont();
    font.SetFontColor(GetColor(dc));
    font.SelectFont(dc, FONT_NORMAL);
    const std::vector<SplitOffset>& pieces = Splits();
    if (!pieces.empty()) {
        // Pieces are page points; the view's origin is the raw position.
        const CSize shift = (origin - CPoint()) + GetStoredOffset() - CSize(m_nX, m_nY);
        const int h = NoteheadHeight();
        const int ascent = font.GetAscent(FONT_CURRENT);
        const CPoint sign = pieces.front().left + shift;
        DrawMusicGlyph(dc, sign.x, sign.y + ascent, TRILL_SIGN);
        const int signWidth = MusicGlyphWidth(dc, TRILL_SIGN);
        int advance = signWidth;
        if (const UINT accidental = GetAccidentalFromType()) {
            const int accidentalWidth = MusicGlyphWidth(dc, accidental);
            if (IsAccidentalBeside()) {
                DrawMusicGlyph(dc, sign.x + signWidth, sign.y + ascent, accidental);
                advance += accidentalWidth;
            } else {
                DrawMusicGlyph(dc, sign.x + (signWidth - accidentalWidth) / 2, sign.y + 2 * h + ascent, accidental);
            }
        }
        if (HasWave()) {
            const int step = std::max(1, MusicGlyphWidth(dc, TRILL_WAVE));
            for (size_t i = 0; i < pieces.size(); ++i) {
                const int right = pieces[i].right.x + shift.cx;
                const int y = pieces[i].left.y + shift.cy + ascent;
                for (int x = pieces[i].left.x + shift.cx + (i == 0 ? advance : 0); x < right; x += step)
                    DrawMusicGlyph(dc, x, y, TRILL_WAVE);
            }
        }
    }
    font.DeselectFont(dc);
    return DRAW_SPAN;
}

int DCctTrill::DrawInRect(CDC* dc, CRect* rect) {
    return DrawGlyphInRect(dc, rect);
}
