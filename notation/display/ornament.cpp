// Mordents and turns over their note or chord, and ornaments before, over,
// after or along their note's tie chain.
#include "notation/display/ornament.h"

#include "model/conductor.h"
#include "model/event.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/lists.h"
#include "model/measure.h"
#include "model/modifiers.h"
#include "model/notes.h"
#include "model/performance.h"
#include "model/staff.h"
#include "model/time.h"
#include "notation/display/chord.h"
#include "notation/display/drawsteps.h"
#include "notation/display/note.h"
#include "notation/tools/tie.h"
#include "platform/core/archive.h"

#include <algorithm>
#include <utility>

IMPLEMENT_SERIAL(DCctMordent, DCctBase, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(DCctTurn, DCctBase, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(DCctOrnament, DCctSplit, VERSIONABLE_SCHEMA | 2)

namespace {

constexpr int STEM_UP = 0;
// The file version from which an ornament was archived as a span.
constexpr int FIRST_SPAN_VERSION = 2;

constexpr UINT kMordentGlyphs[] = {77, 151, 109, 181};

// Turn types: the small accidental and whether it stands above the sign.
struct TurnAccidental {
    UINT glyph;
    bool above;
};
constexpr UINT SMALL_SHARP = 73;
constexpr UINT SMALL_FLAT = 105;
constexpr TurnAccidental kTurnAccidentals[] = {
    {0, true}, {SMALL_FLAT, true}, {SMALL_FLAT, false}, {SMALL_SHARP, true}, {SMALL_SHARP, false},
};

// Ornament types: glyph and split type.
struct OrnamentKind {
    UINT glyph;
    int split;
};
constexpr OrnamentKind kOrnaments[] = {
    {127, DCctOrnament::SPLIT_AT_START}, {100, DCctOrnament::SPLIT_AT_END},  {128, DCctOrnament::SPLIT_AT_END},
    {128, DCctOrnament::SPLIT_AT_START}, {216, DCctOrnament::SPLIT_REPEATED}, {135, DCctOrnament::SPLIT_AT_END},
    {230, DCctOrnament::SPLIT_AT_START},
};
constexpr BYTE ORNAMENT_LONG = 4;   // the type repeated along the chain

int NoteheadHeight() {
    return MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_CURRENT);
}

int NoteheadWidth() {
    return MCMusicFont::GetMusicFont().GetNoteheadWidth(FONT_CURRENT);
}

// The y of a note's stem end, relative to its measure.
int StemEndY(DCctNotate* note) {
    return note->GetStemPosition().y;
}

}  // namespace

// ---- mordent and turn: the place over the note ----------------------------------------

int DCctNoteSign::Position(ECConductor*, ECStaff*, ECMeasure*, ECBase*) {
    ECBase* owner = GetOwner();
    MCEventList* parents = owner ? owner->GetParents() : nullptr;
    if (!parents || parents->IsEmpty())
        return 0;
    ACFindFirstEvent find(2);
    find.AddEvtType(ET_NOTE);
    find.AddEvtType(ET_CHORD);
    find.SetReverse(1);
    find.ClipNone();
    find.Apply(*parents, 0);
    ECBase* parent = find.GetEvent();
    if (!parent)
        return 0;
    // The sign's own width centres it.
    SetSize(nullptr);
    const int h = NoteheadHeight();
    const int lift = 3 * h / 2;
    if (parent->GetClassType() == ET_NOTE) {
        auto* note = dynamic_cast<DCctNote*>(NotationDisplayOf(parent));
        if (!note)
            return 0;
        const int x = (note->GetWidth() - GetWidth()) / 2;
        const int y = note->GetStemDirection() == STEM_UP ? StemEndY(note) - note->GetY() + lift : lift;
        SetPosition(x, y);
        return 1;
    }
    auto* chord = dynamic_cast<DCctChord*>(NotationDisplayOf(parent));
    if (!chord)
        return 0;
    const bool up = chord->GetStemDirection() == STEM_UP;
    DCctNote* note = up ? chord->GetBottomNote() : chord->GetTopNote();
    if (!note)
        return 0;
    const int x = chord->GetNoteX() + (note->GetWidth() - GetWidth()) / 2;
    const int y = (up ? StemEndY(note) : note->GetY()) + lift;
    SetPosition(x, y);
    return 1;
}

DCctMordent::DCctMordent() = default;
DCctMordent::DCctMordent(const DCctMordent& other) = default;
DCctMordent::~DCctMordent() = default;

BYTE DCctMordent::GetType() {
    auto* mordent = dynamic_cast<ECMordent*>(GetOwner());
    return mordent ? mordent->GetMordentType() : 0;
}

UINT DCctMordent::GetFontFromType() {
    const BYTE type = GetType();
    return type < std::size(kMordentGlyphs) ? kMordentGlyphs[type] : 0;
}

DCctTurn::DCctTurn() = default;
DCctTurn::DCctTurn(const DCctTurn& other) = default;
DCctTurn::~DCctTurn() = default;

BYTE DCctTurn::GetType() {
    auto* turn = dynamic_cast<ECTurn*>(GetOwner());
    return turn ? turn->GetTurnType() : 0;
}

int DCctTurn::Draw(CDC* dc, CPoint point, CRect*) {
    MCMusicFont& font = MCMusicFont::GetMusicFont();
    font.SetFontColor(GetColor(dc));
    font.SelectFont(dc, FONT_NORMAL);
    SetSize(dc);
    Assemble();
    const CPoint at = SnapToDevice(dc, GetPosition() + (point - CPoint()));
    const int ascent = font.GetAscent(FONT_CURRENT);
    DrawMusicGlyph(dc, at.x, at.y + ascent, TURN_GLYPH);
    const BYTE type = GetType();
    if (type < std::size(kTurnAccidentals) && kTurnAccidentals[type].glyph) {
        const TurnAccidental& accidental = kTurnAccidentals[type];
        const int h = NoteheadHeight();
        const int x = at.x + (GetWidth() - MusicGlyphWidth(dc, accidental.glyph)) / 2;
        DrawMusicGlyph(dc, x, at.y + ascent + (accidental.above ? h : -h), accidental.glyph);
    }
    font.DeselectFont(dc);
    return DRAW_DONE;
}

// ---- ornament -------------------------------------------------------------------------

DCctOrnament::DCctOrnament() = default;

DCctOrnament::DCctOrnament(const DCctOrnament& other) = default;

DCctOrnament::~DCctOrnament() = default;

void DCctOrnament::Serialize(CArchive& ar) {
    const ECPerformance* performance = ECPerformance::GetActivePerformance();
    const int version = performance ? performance->GetVersion() : ECPerformance::CURRENT_VERSION;
    if (version >= FIRST_SPAN_VERSION) {
        DCctSplit::Serialize(ar);
        return;
    }
    DCctBase::Serialize(ar);
    // An older file kept a plain element's place, which means nothing to a
    // span: it waits at the origin to be positioned.
    if (ar.IsLoading()) {
        m_nX = 0;
        m_nY = 0;
    }
}

BYTE DCctOrnament::GetType() {
    auto* ornament = dynamic_cast<ECOrnament*>(GetOwner());
    return ornament ? ornament->GetOrnamentType() : 0;
}

UINT DCctOrnament::GetFontFromType() {
    const BYTE type = GetType();
    return type < std::size(kOrnaments) ? kOrnaments[type].glyph : 0;
}

int DCctOrnament::GetSplitType() {
    const BYTE type = GetType();
    return type < std::size(kOrnaments) ? kOrnaments[type].split : SPLIT_AT_START;
}

CPoint DCctOrnament::GetOrnamentPosition(ECConductor* conductor, ECStaff*, int track, const MCTime& time) {
    return GetStaffPointAtTime(conductor, track, time);
}

int DCctOrnament::Position(ECConductor* conductor, ECStaff* staff, ECMeasure* measure, ECBase*) {
    ECBase* owner = GetOwner();
    auto* note = owner ? static_cast<ECNote*>(owner->GetAncestor(ET_NOTE, -1)) : nullptr;
    if (!note || !note->GetTime())
        return 0;
    ResetSplitOffset();
    CTie tie;
    MCTime chainStart = *note->GetTime();
    MCTime chainEnd = chainStart;
    tie.GetTieRange(note, chainStart, chainEnd);
    ECNote* head = tie.GetHeadOfTie(note);
    ECNote* tail = tie.GetTailOfTie(note);
    if (!head || !tail || !tail->GetTime())
        return 0;
    const MCTime end = *tail->GetTime();
    if (!measure)
        measure = static_cast<ECMeasure*>(head->GetAncestor(ET_MEASURE, -1));
    if (!staff)
        staff = static_cast<ECStaff*>(head->GetAncestor(ET_STAFF, -1));
    if (!conductor)
        conductor = GetConductor();
    auto* headDisplay = dynamic_cast<DCctNote*>(NotationDisplayOf(head));
    auto* tailDisplay = dynamic_cast<DCctNote*>(NotationDisplayOf(tail));
    if (!measure || !staff || !conductor || !headDisplay || !tailDisplay)
        return 0;
    MCTime start = chainStart;
    if (measure->GetTime() && start < *measure->GetTime())
        start = *measure->GetTime();

    SetPosition(headDisplay->GetVirtualPosition());

    // The glyph's width places it beside the note.
    SetSize(nullptr);
    const int split = GetSplitType();
    DCctNote* reference = split == SPLIT_AT_END ? tailDisplay : headDisplay;
    const int h = NoteheadHeight();
    const int w = NoteheadWidth();
    const int width = GetWidth();
    CSize d(0, 0);
    switch (GetType()) {
    case 0:
    case ORNAMENT_LONG:
        d.cy = (reference->GetStemDirection() == STEM_UP ? StemEndY(reference) : reference->GetY()) + 3 * h / 2;
        d.cx = GetType() == 0 ? (reference->GetWidth() - width) / 2 : 0;
        break;
    case 1:
        d = CSize(w + w / 2, reference->GetY() - 2 * h);
        break;
    case 2:
    case 5:
        d = CSize(w + w / 2, reference->GetY());
        break;
    case 3:
        d = CSize(-(w / 2) - width, reference->GetY() - 2 * h);
        break;
    case 6:
        d = CSize(-(w / 2) - width, reference->GetY());
        break;
    default:
        break;   // no glyph: nothing to place beside the note
    }

    const int track = conductor->GetTrackNumber(TRACK_STAFF, staff);
    MCEventList measures;
    conductor->GetMeasures(track, start, chainEnd, measures);
    if (measures.IsEmpty() || !AllDisplayed(measures))
        return 0;
    const CPoint first = GetOrnamentPosition(conductor, staff, track, start) + d;
    const CPoint last = GetOrnamentPosition(conductor, staff, track, end) + d;
    if (!IsSplit(measures)) {
        AddSplitOffset(first, last);
    } else {
        AddPiecesAcross(GetSystemEdges(measures), first, last, d);
    }
    // The split bit tells how this positioning laid the pieces, not an
    // earlier one.
    SetSplit(GetSplitCount() > 1);
    SetFrameDirty(1);
    SetSize(nullptr);
    return 1;
}

CRect DCctOrnament::PieceFrame(const SplitOffset& piece) {
    const int width = GetWidth();
    int leftExtension = 0;
    int rightExtension = 0;
    switch (GetType()) {
    case 1:
    case 2:
    case 5:
        rightExtension = width;
        break;
    case 3:
    case 6:
        leftExtension = -width;
        break;
    default:
        break;
    }
    if (piece.left.x == piece.right.x)
        rightExtension += width;
    const CSize offset = GetStoredOffset();
    const int top = piece.left.y + m_metrics.GetTop() + offset.cy;
    CRect frame(piece.left.x + leftExtension + offset.cx, top, piece.right.x + rightExtension + offset.cx,
                top - static_cast<int>(m_metrics.GetHeight()));
    frame.NormalizeRect();
    return frame;
}

void DCctOrnament::GetFrame(CRect* rect, int) {
    CRect frame(0, 0, 0, 0);
    for (const SplitOffset& piece : Splits()) {
        CRect united;
        united.UnionRect(frame, PieceFrame(piece));
        frame = united;
    }
    if (frame.top < frame.bottom)
        std::swap(frame.top, frame.bottom);
    frame.OffsetRect(-m_nX, -m_nY);
    *rect = frame;
}

void DCctOrnament::GetVirtualFrame(CRect* rect, int selector) {
    GetFrame(rect, selector);
}

int DCctOrnament::IsIn(CRect* rect, CPoint offset, int, int) {
    if (PositionDirty() || FrameDirty())
        return HIT_UNPLACED;
    if (!rect || rect->IsRectNull())
        return Splits().empty() ? HIT_SPAN_OUTSIDE : HIT_SPAN_INSIDE;
    for (const SplitOffset& piece : Splits()) {
        CRect frame = PieceFrame(piece);
        frame.OffsetRect(offset.x - m_nX, offset.y - m_nY);
        CRect common;
        if (common.IntersectRect(frame, *rect))
            return HIT_SPAN_INSIDE;
    }
    return HIT_SPAN_OUTSIDE;
}

int DCctOrnament::Draw(CDC* dc, CPoint origin, CRect*) {
    MCMusicFont& font = MCMusicFont::GetMusicFont();
    font.SetFontColor(GetColor(dc));
    font.SelectFont(dc, FONT_NORMAL);
    const UINT glyph = GetFontFromType();
    const std::vector<SplitOffset>& pieces = Splits();
    if (glyph && !pieces.empty()) {
        // Pieces are page points; the view's origin is the raw position.
        const CSize shift = (origin - CPoint()) + GetStoredOffset() - CSize(m_nX, m_nY);
        const int ascent = font.GetAscent(FONT_CURRENT);
        switch (GetSplitType()) {
        case SPLIT_AT_START: {
            const CPoint at = pieces.front().left + shift;
            DrawMusicGlyph(dc, at.x, at.y + ascent, glyph);
            break;
        }
        case SPLIT_AT_END: {
            const SplitOffset& piece = pieces.back();
            DrawMusicGlyph(dc, piece.right.x + shift.cx, piece.left.y + shift.cy + ascent, glyph);
            break;
        }
        default: {
            const int step = std::max(1, MusicGlyphWidth(dc, ORNAMENT_STEP_GLYPH));
            for (const SplitOffset& piece : pieces) {
                const int y = piece.left.y + shift.cy + ascent;
                const int right = piece.right.x + shift.cx;
                int x = piece.left.x + shift.cx;
                // An untied note's piece has no length: the glyph stands
                // once, as it does for the other kinds, rather than a frame
                // with no ink.
                if (x >= right) {
                    DrawMusicGlyph(dc, x, y, glyph);
                    continue;
                }
                for (; x < right; x += step)
                    DrawMusicGlyph(dc, x, y, glyph);
            }
            break;
        }
        }
    }
    font.DeselectFont(dc);
    return DRAW_SPAN;
}

int DCctOrnament::DrawInRect(CDC* dc, CRect* rect) {
    return DrawGlyphInRect(dc, rect, GetSplitType() == SPLIT_REPEATED ? SAMPLE_ACROSS : SAMPLE_AT_GLYPH);
}
