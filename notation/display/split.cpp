// The spanning-element base: pieces, offsets, frames, hit tests, and the
// system walk its subclasses build their pieces with.
#include "notation/display/split.h"

#include "model/conductor.h"
#include "model/event.h"
#include "model/eventtypes.h"
#include "model/lists.h"
#include "model/measure.h"
#include "model/notes.h"
#include "model/staff.h"
#include "notation/display/conductormeasure.h"
#include "notation/display/measure.h"
#include "notation/display/samplefont.h"
#include "platform/core/archive.h"

#include <algorithm>
#include <utility>

namespace {
}  // namespace

IMPLEMENT_SERIAL(DCctSplit, DCctBase, VERSIONABLE_SCHEMA | 2)

DCctSplit::DCctSplit() {
    SetSplit(0);
}

DCctSplit::DCctSplit(const DCctSplit& other) : DCctBase(other) {
    // Pieces and the right offset belong to one positioning and one user's
    // move of this element: a copy is positioned and moved anew.
    SetSplit(0);
}

DCctSplit::~DCctSplit() = default;

void DCctSplit::Serialize(CArchive& ar) {
    DCctBase::Serialize(ar);
    if (ar.IsLoading()) {
        // The stored offset is in logical units already: scaling it again
        // (SetOffsetRight) would move the right end by h / 10 times as much.
        m_nRightDX = m_nDX;
        m_nRightDY = m_nDY;
    }
}

// ---- offsets ----------------------------------------------------------------------

void DCctSplit::SetOffset(int x, int y) {
    SetOffsetLeft(CPoint(x, y));
    SetOffsetRight(CPoint(x, y));
}

void DCctSplit::SetOffset(CSize offset) {
    SetOffset(offset.cx, offset.cy);
}

void DCctSplit::SetOffset(CPoint offset) {
    SetOffset(offset.x, offset.y);
}

void DCctSplit::SetOffsetLeft(CPoint offset) {
    DCctBase::SetOffset(offset.x, offset.y);
}

CPoint DCctSplit::GetOffsetLeft() {
    return DCctBase::GetOffset();
}

// The right offset is scaled, clamped and read back exactly as the left one:
// the base's conversion runs on it in the left offset's place.
void DCctSplit::SetOffsetRight(CPoint offset) {
    const CSize left = GetStoredOffset();
    DCctBase::SetOffset(offset.x, offset.y);
    m_nRightDX = m_nDX;
    m_nRightDY = m_nDY;
    SetStoredOffset(left);
}

CPoint DCctSplit::GetOffsetRight() {
    const CSize left = GetStoredOffset();
    SetStoredOffset(GetStoredOffsetRight());
    const CPoint right = DCctBase::GetOffset();
    SetStoredOffset(left);
    return right;
}

// ---- pieces -----------------------------------------------------------------------

void DCctSplit::GetEndPoints(CPoint& left, CPoint& right, int index) const {
    if (index < 0 || index >= GetSplitCount())
        return;
    left = m_splits[static_cast<size_t>(index)].left;
    right = m_splits[static_cast<size_t>(index)].right;
}

void DCctSplit::SetEndPoints(CPoint left, CPoint right) {
    if (m_splits.empty()) {
        AddSplitOffset(left, right);
    } else {
        m_splits.front().left = left;
        m_splits.back().right = right;
    }
    m_metrics.SetWidth(right.x - left.x);
}

// ---- frames and hit tests ------------------------------------------------------------

CRect DCctSplit::PieceFrame(const SplitOffset& piece) const {
    // Only the left end's y gives a piece its height.
    const int top = piece.left.y + m_metrics.GetTop() + m_nDY;
    CRect frame(piece.left.x + m_nDX, top, piece.right.x + m_nDX, top - static_cast<int>(m_metrics.GetHeight()));
    frame.NormalizeRect();
    return frame;
}

void DCctSplit::GetFrame(CRect* rect, int) {
    CRect frame(0, 0, 0, 0);
    for (const SplitOffset& piece : m_splits) {
        CRect united;
        united.UnionRect(frame, PieceFrame(piece));
        frame = united;
    }
    // Normalised rectangles have top below bottom; y grows upward here.
    if (frame.top < frame.bottom)
        std::swap(frame.top, frame.bottom);
    *rect = frame;
}

void DCctSplit::GetVirtualFrame(CRect* rect, int selector) {
    GetFrame(rect, selector);
}

int DCctSplit::IsIn(CRect* rect, CPoint offset, int, int) {
    if (PositionDirty() || FrameDirty())
        return HIT_UNPLACED;
    if (!rect || rect->IsRectNull())
        return m_splits.empty() ? HIT_SPAN_OUTSIDE : HIT_SPAN_INSIDE;
    for (const SplitOffset& piece : m_splits) {
        CRect frame = PieceFrame(piece);
        frame.OffsetRect(offset);
        CRect common;
        if (common.IntersectRect(frame, *rect))
            return HIT_SPAN_INSIDE;
    }
    return HIT_SPAN_OUTSIDE;
}

// ---- systems ---------------------------------------------------------------------------

bool DCctSplit::AllDisplayed(MCEventList& events) {
    for (POSITION pos = events.GetHeadPosition(); pos;)
        if (!NotationDisplayOf(events.GetNext(pos)))
            return false;
    return true;
}

int DCctSplit::IsSplit(MCEventList& measures) {
    bool first = true;
    int y = 0;
    for (POSITION pos = measures.GetHeadPosition(); pos;) {
        DCctBase* display = NotationDisplayOf(measures.GetNext(pos));
        if (!display)
            continue;
        if (first) {
            y = display->GetY();
            first = false;
        } else if (display->GetY() != y) {
            return 1;
        }
    }
    return 0;
}

int DCctSplit::GetNextSystem(MCEventList& run, MCEventList& measures, POSITION& pos) {
    bool first = true;
    int y = 0;
    while (pos) {
        const POSITION here = pos;
        ECBase* measure = measures.GetNext(pos);
        DCctBase* display = NotationDisplayOf(measure);
        if (!display)
            continue;
        if (first) {
            y = display->GetY();
            first = false;
        } else if (display->GetY() != y) {
            pos = here;   // the next system starts here
            break;
        }
        run.AddEvent(measure, UNSORTED);
    }
    return static_cast<int>(run.GetCount());
}

void DCctSplit::GetSystemEndPoints(MCEventList& run, CPoint& left, CPoint& right) {
    DCctBase* first = run.IsEmpty() ? nullptr : NotationDisplayOf(run.GetHead());
    DCctBase* last = run.IsEmpty() ? nullptr : NotationDisplayOf(run.GetTail());
    if (first)
        left = first->GetPosition();
    if (last) {
        right = last->GetPosition();
        right.x += last->GetWidth();
    }
}

void DCctSplit::PositionChildren(MCEventList& events, ECConductor* conductor, ECStaff* staff, ECMeasure* measure) {
    for (POSITION pos = events.GetHeadPosition(); pos;) {
        DCctBase* display = NotationDisplayOf(events.GetNext(pos));
        if (display && display->PositionDirty() && display->Position(conductor, staff, measure, nullptr))
            display->SetPositionDirty(0);
    }
}

ECStaff* DCctSplit::FindStaffParent() {
    ECBase* owner = GetOwner();
    if (!owner)
        return nullptr;
    if (MCEventList* parents = owner->GetParents())
        if (const POSITION pos = parents->FindEvent(ET_STAFF))
            return static_cast<ECStaff*>(parents->GetAt(pos));
    return static_cast<ECStaff*>(owner->GetAncestor(ET_STAFF, -1));
}

ECChord* DCctSplit::FindChordParent(ECBase* event) {
    MCEventList* parents = event ? event->GetParents() : nullptr;
    const POSITION pos = parents ? parents->FindEvent(ET_CHORD) : nullptr;
    return pos ? static_cast<ECChord*>(parents->GetAt(pos)) : nullptr;
}

std::vector<DCctSplit::SystemEdges> DCctSplit::GetSystemEdges(MCEventList& measures) {
    std::vector<SystemEdges> systems;
    POSITION pos = measures.GetHeadPosition();
    while (pos) {
        MCEventList run;
        if (GetNextSystem(run, measures, pos) == 0)
            break;
        SystemEdges edges;
        GetSystemEndPoints(run, edges.left, edges.right);
        edges.head = run.GetHead();
        systems.push_back(edges);
    }
    return systems;
}

void DCctSplit::AddPiecesAcross(const std::vector<SystemEdges>& systems, CPoint start, CPoint end, CSize raise) {
    if (systems.empty())
        return;
    AddSplitOffset(start, CPoint(systems.front().right.x, start.y));
    for (size_t i = 1; i + 1 < systems.size(); ++i)
        AddSplitOffset(systems[i].left + raise, systems[i].right + raise);
    AddSplitOffset(CPoint(systems.back().left.x, end.y), end);
}

void DCctSplit::AddPiecesOverSystems(MCEventList& measures, CPoint start, CPoint end, DCctBase* endMeasure,
                                     int raise) {
    if (measures.IsEmpty()) {
        AddSplitOffset(start, end);
        SetSplit(0);
        return;
    }
    const std::vector<SystemEdges> systems = GetSystemEdges(measures);
    if (systems.empty()) {
        AddSplitOffset(start, end);
        SetSplit(0);
        return;
    }
    // The end's measure in another system would pull the last piece across
    // the page to it.
    const CPoint lastRight = systems.back().right;
    const bool endStands = endMeasure && endMeasure->GetY() == lastRight.y;
    if (systems.size() == 1) {
        AddSplitOffset(start, endStands ? end : CPoint(lastRight.x, start.y));
        SetSplit(0);
        return;
    }
    SetSplit(1);
    AddPiecesAcross(systems, start, endStands ? end : lastRight + CSize(0, raise), CSize(0, raise));
}

CPoint DCctSplit::GetStaffPointAtTime(ECConductor* conductor, int track, const MCTime& time,
                                      DCctMeasure** staffMeasure) {
    if (staffMeasure)
        *staffMeasure = nullptr;
    ECMeasure* column = conductor ? conductor->GetMeasure(TRACK_CONDUCTOR, time, 0, 1) : nullptr;
    ECMeasure* measure = conductor ? conductor->GetMeasure(track, time, 0, 1) : nullptr;
    auto* columnDisplay = dynamic_cast<DCctConductorMeasure*>(NotationDisplayOf(column));
    auto* measureDisplay = dynamic_cast<DCctMeasure*>(NotationDisplayOf(measure));
    if (!columnDisplay || !measureDisplay)
        return CPoint(0, 0);
    if (staffMeasure)
        *staffMeasure = measureDisplay;
    return CPoint(columnDisplay->GetX() + columnDisplay->GetXForTime(time),
                  measureDisplay->GetY());
}

int DCctSplit::ClipXAtTime(ECConductor* conductor, const MCTime& time) {
    ECMeasure* column = conductor ? conductor->GetMeasure(TRACK_CONDUCTOR, time, 0, 1) : nullptr;
    auto* display = column ? dynamic_cast<DCctConductorMeasure*>(column->GetData(DK_NOTATION, 0)) : nullptr;
    if (!display)
        return 0;
    // The prolog's slots end where the music starts, the gap after the clef,
    // key or meter included: half a notehead before that is just left of
    // the first note and clear of the prolog's glyphs. (A notehead and a
    // half reached into a clef standing alone, as at most systems' start.)
    const int w = MCMusicFont::GetMusicFont().GetNoteheadWidth(FONT_CURRENT);
    return display->GetX() + display->GetRuler().GetPrologX(MCRuler::PROLOG_END) - w / 2;
}

// ---- drawing ------------------------------------------------------------------------------

void DCctSplit::SelectPieceClip(CDC* dc, CPoint origin, const CRect& clip, int index, int clipX) const {
    CRect area = clip;
    if (index == 0)
        area.right = m_splits.front().right.x + origin.x;
    else
        area.left = clipX + origin.x;
    dc->LPtoDP(&area);
    // y grows upward in logical units and downward on the device.
    area.NormalizeRect();
    CRgn region;
    region.CreateRectRgnIndirect(&area);
    dc->SelectClipRgn(&region);
}

int DCctSplit::DrawGlyphInRect(CDC* dc, CRect* rect, SampleSpan span) {
    MusicFontSample sample(dc, AdjustForFont(rect->top - rect->bottom), GetColor(dc));
    m_metrics = sample.Font().GetMusicExtent(dc, GetFontFromType());
    SetFrameDirty(0);
    SetAssembleDirty(1);
    const int glyphWidth = static_cast<int>(m_metrics.GetWidth());
    const int glyphHeight = static_cast<int>(m_metrics.GetHeight());
    const int inset = ((rect->right - rect->left) - glyphWidth) / 2;
    const CPoint start(rect->left + inset, rect->top + ((rect->bottom - rect->top) - glyphHeight) / 2);
    const CPoint end = span == SAMPLE_ACROSS ? CPoint(rect->right - inset, start.y) : start;
    // Pieces left from the score would be drawn beside the sample's.
    ResetSplitOffset();
    AddSplitOffset(start, end);
    SetSplit(0);
    Draw(dc, CPoint(0, 0), nullptr);
    return 1;
}
