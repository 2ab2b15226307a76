// DCctBase: state word, geometry, hit tests, offsets, drawing and the archive
// head shared by every notation display object.
#include "notation/display/base.h"
#include "notation/display/drawsteps.h"

#include "model/appstates.h"
#include "model/conductor.h"
#include "model/event.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/performance.h"
#include "platform/core/archive.h"
#include "platform/gdi/dc.h"
#include "platform/ui/syscolor.h"

#include <algorithm>
#include <string>

IMPLEMENT_SERIAL(DCctBase, DCBase, VERSIONABLE_SCHEMA | 2)

namespace {

// Kind number -> bit number of the state word. Both numberings are fixed:
// files carry the bits, the engine speaks in kinds.
constexpr int KIND_BIT[DCctBase::DIRTY_KIND_COUNT] = {1, 3, 2, 7, 5, 6, 4, 8, 9, 10, 11, 12};

constexpr uint32_t ALL_DIRTY_KINDS = 0x1FFEu;                // bits 1-12
constexpr uint32_t DISPLAY_BITS = 0x7E000u;                  // bits 13-18
constexpr uint32_t TRANSIENT_BITS = 0xE000u;                 // highlighted, ghosted, selected
constexpr uint32_t COPY_CLEARED_BITS = 0x1E000u;             // ... and hidden
constexpr uint32_t CUE_GRACE_BITS = 0x60000u;                // bits 17, 18
constexpr uint32_t LOAD_DIRTY_BITS = 0x1E01u;                // bits 0, 9, 10, 11, 12

int16_t ClampToShort(long long value) {
    return static_cast<int16_t>(std::clamp<long long>(value, -32768, 32767));
}

}  // namespace

int DCctBase::DirtyKindBit(int kind) {
    return kind >= 0 && kind < DIRTY_KIND_COUNT ? KIND_BIT[kind] : -1;
}

DCctBase::DCctBase() {
    SetStateWord((GetStateWord() | ALL_DIRTY_KINDS) & ~DISPLAY_BITS);
    m_crColor = GetSysColor(COLOR_WINDOWTEXT);
}

DCctBase::DCctBase(const DCctBase& other)
    : DCBase(other),
      m_nX(other.m_nX),
      m_nY(other.m_nY),
      m_nDX(other.m_nDX),
      m_nDY(other.m_nDY),
      m_crColor(other.m_crColor) {
    SetStateWord((GetStateWord() | ALL_DIRTY_KINDS) & ~COPY_CLEARED_BITS);
}

DCctBase::~DCctBase() = default;

void DCctBase::SetKind(int kind, int on) {
    const int bit = DirtyKindBit(kind);
    if (bit >= 0)
        SetBit(bit, on);
}

int DCctBase::Kind(int kind) const {
    const int bit = DirtyKindBit(kind);
    return bit >= 0 ? Bit(bit) : 0;
}

// ---- archive ----------------------------------------------------------------

void DCctBase::Serialize(CArchive& ar) {
    DCBase::Serialize(ar);
    if (ar.IsStoring()) {
        ar << static_cast<LONG>(m_nX) << static_cast<LONG>(m_nY) << static_cast<short>(m_nDX)
           << static_cast<short>(m_nDY);
        return;
    }
    LONG x = 0;
    LONG y = 0;
    short dx = 0;
    short dy = 0;
    ar >> x >> y >> dx >> dy;
    m_nX = x;
    m_nY = y;
    m_nDX = dx;
    m_nDY = dy;
    FixUpAfterLoad();
}

void DCctBase::FixUpAfterLoad() {
    uint32_t word = (GetStateWord() | LOAD_DIRTY_BITS) & ~TRANSIENT_BITS;
    // Files before version 2 had no cue and grace bits: whatever stands there
    // is not theirs. Data with no performance (the clipboard) is current.
    const ECPerformance* performance = ECPerformance::GetActivePerformance();
    const int version = performance ? performance->GetVersion() : ECPerformance::CURRENT_VERSION;
    if (version < 2)
        word &= ~CUE_GRACE_BITS;
    SetStateWord(word);
}

// ---- size, frames and positions -----------------------------------------------

BYTE DCctBase::GetFontSize() const {
    if (Bit(DISP_CUE))
        return FONT_CUE;
    if (Bit(DISP_GRACE))
        return FONT_GRACE;
    return FONT_NORMAL;
}

int DCctBase::Position(ECConductor*, ECStaff*, ECMeasure*, ECBase*) {
    return 1;
}

BYTE DCctBase::PositioningType() {
    return 0;
}

void DCctBase::SetSize(CDC* /*dc*/) {
    const UINT glyph = GetFontFromType();
    if (glyph == 0 || !FrameDirty())
        return;
    m_metrics = MCMusicFont::GetMusicFont().GetMusicMetrics(glyph, GetFontSize());
    SetFrameDirty(0);
}

void DCctBase::Assemble() {}

namespace {
// The frame of `metrics` drawn at `at`, y up; empty for a 0 x 0 box.
CRect FrameAt(const MCMusicFont::MusicFontMetrics& metrics, CPoint at) {
    if (metrics.GetWidth() == 0 && metrics.GetHeight() == 0)
        return CRect(0, 0, 0, 0);
    const int left = at.x + metrics.GetLeft();
    const int top = at.y + metrics.GetTop();
    return CRect(left, top, left + static_cast<int>(metrics.GetWidth()), top - static_cast<int>(metrics.GetHeight()));
}
}  // namespace

void DCctBase::GetFrame(CRect* rect, int /*selector*/) {
    *rect = FrameAt(m_metrics, CPoint(GetX(), GetY()));
}

void DCctBase::GetVirtualFrame(CRect* rect, int /*selector*/) {
    *rect = FrameAt(m_metrics, GetVirtualPosition());
}

void DCctBase::GetTotalFrame(CRect* rect, CPoint point, int* maxY) {
    CRect total;
    GetFrame(&total, 0);
    total.NormalizeRect();
    total.OffsetRect(point);
    if (!total.IsRectEmpty() && maxY) {
        const int high = std::max(total.top, total.bottom);
        if (high > *maxY)
            *maxY = high;
    }
    ECBase* owner = GetOwner();
    MCEventList* children = owner ? owner->GetChildren() : nullptr;
    if (children) {
        const CPoint here = GetPosition();
        for (POSITION pos = children->GetHeadPosition(); pos;) {
            ECBase* child = children->GetNext(pos);
            auto* display = child ? dynamic_cast<DCctBase*>(child->GetData(DK_NOTATION, 0)) : nullptr;
            if (!display)
                continue;
            CRect frame;
            display->GetTotalFrame(&frame, here, maxY);
            frame.NormalizeRect();
            if (total.IsRectEmpty())
                total = frame;
            else
                total.UnionRect(total, frame);
        }
    }
    *rect = total;
}

int DCctBase::GetWidth() {
    return IsHidden() ? 0 : static_cast<int>(m_metrics.GetWidth());
}

int DCctBase::GetHeight() {
    return IsHidden() ? 0 : static_cast<int>(m_metrics.GetHeight());
}

void DCctBase::SetPosition(int x, int y) {
    m_nX = x;
    m_nY = y;
}

void DCctBase::SetPosition(CSize position) {
    SetPosition(position.cx, position.cy);
}

void DCctBase::SetPosition(CPoint position) {
    SetPosition(position.x, position.y);
}

CPoint DCctBase::GetPosition() {
    return CPoint(m_nX + m_nDX, m_nY + m_nDY);
}

CPoint DCctBase::GetVirtualPosition() {
    CPoint position = GetPosition();
    ECBase* owner = GetOwner();
    MCEventList* parents = owner ? owner->GetParents() : nullptr;
    if (!parents || parents->IsEmpty())
        return position;
    ACFindEvents find;
    find.SetReverse(1);
    find.ClipNone();
    find.Apply(*parents, 0);
    MCEventList& found = find.GetEvents();
    found.RemoveDuplicates();
    for (POSITION pos = found.GetHeadPosition(); pos;) {
        ECBase* ancestor = found.GetNext(pos);
        if (!ancestor)
            continue;
        switch (ancestor->GetClassType()) {
        case ET_BEAM:
        case ET_SLUR:
        case ET_TIE:
        case ET_CHORD:
        case ET_TUPLET:
            continue;   // groupings of their members: no place of their own
        default:
            break;
        }
        if (auto* display = dynamic_cast<DCctBase*>(ancestor->GetData(DK_NOTATION, 0)))
            position += CSize(display->GetPosition().x, display->GetPosition().y);
    }
    return position;
}

void DCctBase::SetX(int x) {
    m_nX = x;
}

int DCctBase::GetX() {
    return m_nX + m_nDX;
}

void DCctBase::SetY(int y) {
    m_nY = y;
}

int DCctBase::GetY() {
    return m_nY + m_nDY;
}

// ---- offsets ------------------------------------------------------------------

void DCctBase::SetOffset(int x, int y) {
    const long long height = MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_CURRENT);
    m_nDX = ClampToShort(static_cast<long long>(x) * height / 10);
    m_nDY = ClampToShort(static_cast<long long>(y) * height / 10);
}

void DCctBase::SetOffset(CSize offset) {
    SetOffset(offset.cx, offset.cy);
}

void DCctBase::SetOffset(CPoint offset) {
    SetOffset(offset.x, offset.y);
}

CPoint DCctBase::GetOffset() {
    const int tenth = MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_CURRENT) / 10;
    if (tenth == 0)
        return CPoint(0, 0);   // a font too small to count tenths in
    return CPoint(m_nDX / tenth, m_nDY / tenth);
}

void DCctBase::SetStoredOffset(CSize offset) {
    m_nDX = ClampToShort(offset.cx);
    m_nDY = ClampToShort(offset.cy);
}

// ---- hit tests ------------------------------------------------------------------

int DCctBase::HitTest(CPoint point, CPoint offset, int selector) {
    if (PositionDirty() || FrameDirty())
        return HIT_UNPLACED;
    CRect frame;
    GetFrame(&frame, selector);
    frame.NormalizeRect();
    frame.OffsetRect(offset);
    if (frame.IsRectEmpty())
        return HIT_UNPLACED;
    if (frame.PtInRect(point))
        return HIT_INSIDE;
    int result = HIT_OUTSIDE;
    if (frame.right < point.x)
        result |= HIT_HIGH_X;
    if (point.x < frame.left)
        result |= HIT_LOW_X;
    // Normalised: top is the smaller y here.
    if (point.y < frame.top)
        result |= HIT_LOW_Y;
    if (frame.bottom < point.y)
        result |= HIT_HIGH_Y;
    return result;
}

int DCctBase::HitTest(CRect* rect, CPoint offset, int selector) {
    return IsIn(rect, offset, 1, selector);
}

int DCctBase::IsIn(CRect* rect, CPoint offset, int detail, int selector) {
    if (!rect || rect->IsRectNull())
        return HIT_INSIDE;
    if (PositionDirty() || FrameDirty())
        return HIT_UNPLACED;
    CRect frame;
    GetFrame(&frame, selector);
    frame.OffsetRect(offset);
    frame.NormalizeRect();
    if (frame.IsRectEmpty())
        return HIT_UNPLACED;
    CRect common;
    if (common.IntersectRect(frame, *rect))
        return HIT_INSIDE;
    if (!detail)
        return HIT_OUTSIDE;
    int result = HIT_OUTSIDE;
    if (frame.right < rect->left)
        result |= HIT_HIGH_X;
    if (rect->right < frame.left)
        result |= HIT_LOW_X;
    if (rect->bottom < frame.top)
        result |= HIT_LOW_Y;
    if (frame.bottom < rect->top)
        result |= HIT_HIGH_Y;
    return result;
}

int DCctBase::CollideTest(DCctBase* other) {
    if (!other)
        return 0;
    CRect mine;
    CRect theirs;
    GetVirtualFrame(&mine, 0);
    other->GetVirtualFrame(&theirs, 0);
    mine.NormalizeRect();
    theirs.NormalizeRect();
    CRect common;
    return common.IntersectRect(mine, theirs) ? 1 : 0;
}

BYTE DCctBase::GetVoice() {
    return 255;
}

void DCctBase::UpdateData() {}

// ---- bits kept virtual --------------------------------------------------------

void DCctBase::SetCue(int cue) {
    SetBit(DISP_CUE, cue);
}

int DCctBase::IsCue() {
    return Bit(DISP_CUE);
}

void DCctBase::SetGrace(int grace) {
    SetBit(DISP_GRACE, grace);
}

int DCctBase::IsGrace() {
    return Bit(DISP_GRACE);
}

// ---- colour and drawing -------------------------------------------------------

COLORREF DCctBase::GetColor(CDC* dc) {
    if (dc && dc->IsPrinting())
        return m_crColor;   // paper shows no transient state
    if (IsGhosted())
        return GetSysColor(COLOR_GRAYTEXT);
    if (IsSelected())
        return SCSelection::s_color;
    return m_crColor;
}

UINT DCctBase::GetFontFromType() {
    return 0;
}

int DCctBase::AdjustForFont(int height) {
    return AdjustForLargeFont(height);
}

ECConductor* DCctBase::GetConductor() {
    ECBase* owner = GetOwner();
    return owner ? static_cast<ECConductor*>(owner->GetAncestor(ET_CONDUCTOR, -1)) : nullptr;
}

ECPerformance* DCctBase::GetBaseEvent() {
    ECBase* owner = GetOwner();
    return owner ? static_cast<ECPerformance*>(owner->GetAncestor(ET_PERFORMANCE, -1)) : nullptr;
}

int DCctBase::Draw(CDC* dc, CPoint point, CRect* /*clip*/) {
    MCMusicFont& font = MCMusicFont::GetMusicFont();
    const BYTE size = GetFontSize();
    font.SetFontColor(GetColor(dc));
    font.SelectFont(dc, size);
    SetSize(dc);
    Assemble();
    CPoint at = GetPosition();
    at.Offset(point.x, point.y);
    at = SnapToDevice(dc, at);
    DrawMusicGlyph(dc, at.x, at.y + font.GetAscent(size), GetFontFromType());
    font.DeselectFont(dc);
    return DRAW_DONE;
}

void DCctBase::CenterPosition(CDC* /*dc*/, CRect* rect) {
    CRect frame;
    GetFrame(&frame, 0);
    const int x = rect->left + ((rect->right - rect->left) - (frame.right - frame.left)) / 2 - m_metrics.GetLeft();
    const int y = rect->top + ((rect->bottom - rect->top) - (frame.bottom - frame.top)) / 2 - m_metrics.GetTop();
    SetPosition(x, y);
}

int DCctBase::DrawInRect(CDC* dc, CRect* rect) {
    MCMusicFont& font = MCMusicFont::GetMusicFont();
    LOGFONT savedFont;
    MCMusicFont::NoteMetrics savedMetrics;
    font.SaveLogFont(&savedFont, &savedMetrics);
    font.SetFontHeight(AdjustForFont(rect->top - rect->bottom));
    font.SetFontColor(GetColor(dc));
    // The sample's height must not refill the caches the score measures with.
    font.SetExtentDirty(0, FONT_ALL);
    font.SelectFont(dc, FONT_NORMAL);
    m_metrics = font.GetMusicExtent(dc, GetFontFromType());
    SetFrameDirty(0);
    SetAssembleDirty(1);
    CenterPosition(dc, rect);
    Draw(dc, CPoint(0, 0), nullptr);
    font.DeselectFont(dc);
    font.RestoreLogFont(savedFont, savedMetrics);
    return 1;
}

DCctBase* NotationDisplayOf(ECBase* event) {
    return event ? dynamic_cast<DCctBase*>(event->GetData(DK_NOTATION, 0)) : nullptr;
}
