// ACFindInRect, ACFindVisible and ACFindVoiceEvents.
#include "notation/view/findactions.h"

#include "model/event.h"
#include "model/eventtypes.h"
#include "model/lists.h"
#include "model/notes.h"
#include "notation/display/base.h"
#include "notation/tools/tie.h"

namespace {

// The bits of the hit tests' answers the searches read (their meaning is
// the display objects').
constexpr int HIT = DCctBase::HIT_INSIDE;
constexpr int MISSED = DCctBase::HIT_OUTSIDE;
constexpr int BEYOND = DCctBase::HIT_HIGH_Y;   // with MISSED: past the area, in a measure's order
constexpr int SKIP_CHILDREN = 0x80;

// How an element stands to its parent (PositioningType): 0 relative to it,
// so its children stand relative to this one; 2 never enter.
constexpr int POSITIONED_FROM_PARENT = 0;
constexpr int NOT_ENTERED = 2;

constexpr int HIT_SELECTOR = 0;
constexpr int VISIBLE_DETAIL = 1;   // the direction bits wanted
constexpr int VISIBLE_SELECTOR = 1;

bool IsMeasure(int type) {
    return type == ET_MEASURE || type == ET_CONDUCTORMEASURE;
}

}  // namespace

// ---- ACFindInRect ----------------------------------------------------------------

ACFindInRect::ACFindInRect() = default;

ACFindInRect::~ACFindInRect() = default;

void ACFindInRect::SetRect(const CRect& rect) {
    m_rect = rect;
    m_rect.NormalizeRect();
}

int ACFindInRect::BeginAction() {
    if (!ACFindEvents::BeginAction())
        return 0;
    m_hitRect = m_rect;
    if (m_hitRect.IsRectEmpty()) {
        // y grows upward: the top is the larger y.
        m_hitRect = CRect(m_point.x - m_hitSize.cx / 2, m_point.y + m_hitSize.cy / 2,
                          m_point.x + m_hitSize.cx / 2, m_point.y - m_hitSize.cy / 2);
        m_hitRect.NormalizeRect();
    }
    return 1;
}

int ACFindInRect::Apply(ECBase* event) {
    const CPoint saved = m_offset;
    const int result = ACFindEvents::Apply(event);
    m_offset = saved;
    return result;
}

void ACFindInRect::AddOnce(ECBase* event) {
    // A rectangle over two notes of one chain would list the chain twice.
    if (event && !m_events.Find(event))
        AddFound(event);
}

void ACFindInRect::AddHit(ECBase* event) {
    auto* note = event->GetClassType() == ET_NOTE ? static_cast<ECNote*>(event) : nullptr;
    if (!note || !m_expandTies) {
        AddOnce(event);
        return;
    }
    CTie chain;
    // As a list: CTie's own GetNext steps along ties.
    MCEventList& partners = chain.GetTiePartners(note);
    if (partners.IsEmpty()) {
        AddOnce(event);
        return;
    }
    CTie head;
    AddOnce(head.GetHeadOfTie(note));
    for (POSITION pos = partners.GetHeadPosition(); pos;)
        AddOnce(partners.GetNext(pos));
}

int ACFindInRect::DoAction(ECBase* event) {
    DCctBase* display = NotationDisplayOf(event);
    if (!display)
        return AC_CONTINUE;
    const int type = event->GetClassType();
    const bool tested = IsWantedType(type);
    if (!tested && type == ET_SLUR)
        return AC_SKIP;
    if (tested) {
        if (display->IsHidden())
            return AC_SKIP;
        const int flags = display->HitTest(&m_hitRect, m_offset, HIT_SELECTOR);
        if (flags & HIT) {
            ++m_count;
            AddHit(event);
        } else if ((flags & MISSED) && (flags & BEYOND) && IsMeasure(type)) {
            return AC_STOP_SIBLINGS;   // no later measure can meet the rectangle
        }
        if (m_count >= m_maxCount)
            return AC_STOP;
        if (flags & SKIP_CHILDREN)
            return AC_SKIP;
    }
    const int positioning = display->PositioningType();
    if (positioning != POSITIONED_FROM_PARENT)
        return positioning == NOT_ENTERED ? AC_SKIP : AC_CONTINUE;
    const CPoint position = display->GetPosition();
    m_offset.Offset(position.x, position.y);
    return AC_CONTINUE;
}

// ---- ACFindVisible --------------------------------------------------------------

ACFindVisible::ACFindVisible() = default;

ACFindVisible::~ACFindVisible() = default;

void ACFindVisible::SetRect(CRect* rect) {
    m_pRect = rect;
    if (m_pRect)
        m_pRect->NormalizeRect();
}

void ACFindVisible::SetTimeWindow(const MCTime& start, const MCTime& end) {
    m_bWindow = true;
    m_windowStart = start;
    m_windowEnd = end;
}

TimePlace ACFindVisible::Place(ECBase* child) const {
    return m_bWindow ? PlaceInTimeWindow(child, m_windowStart, m_windowEnd) : TimePlace::Within;
}

TimePlace PlaceInTimeWindow(ECBase* element, const MCTime& start, const MCTime& end) {
    const MCTime* time = element->GetTime();
    if (!time)
        return TimePlace::Within;
    if (*time < start)
        return TimePlace::Before;
    return *time > end ? TimePlace::After : TimePlace::Within;
}

bool RunsIntoWindow(ECBase* element, const MCTime& start) {
    const int type = element->GetClassType();
    const MCTime* time = element->GetTime();
    if ((type != ET_TIE && type != ET_SLUR) || !time || !(*time < start))
        return false;
    MCEventList* bound = element->GetChildren();
    for (POSITION pos = bound ? bound->GetHeadPosition() : nullptr; pos;) {
        const MCTime* at = bound->GetNext(pos)->GetTime();
        if (at && !(*at < start))
            return true;
    }
    return false;
}

POSITION FirstPlaceFrom(const MCEventList& list, ECBase* anchor, const MCTime& start) {
    POSITION place = anchor ? list.Find(anchor) : nullptr;
    if (!place)
        return list.GetHeadPosition();
    for (POSITION before = place; before;) {
        const POSITION here = before;
        ECBase* element = list.GetPrev(before);
        if (here != place && (!element->GetTime() || *element->GetTime() < start))
            break;
        place = here;
    }
    return place;
}

int ACFindVisible::Test(DCctBase* display) {
    return display->IsIn(m_pRect, m_offset, VISIBLE_DETAIL, VISIBLE_SELECTOR);
}

void ACFindVisible::ScanInOrder(MCEventList& children, int measureType, bool (*wanted)(int type)) {
    for (POSITION pos = children.GetHeadPosition(); pos;) {
        ECBase* child = children.GetNext(pos);
        const int type = child->GetClassType();
        if (!wanted(type))
            continue;
        const TimePlace place = Place(child);
        if (place == TimePlace::Before && !RunsIntoWindow(child, m_windowStart))
            continue;
        if (place == TimePlace::After)
            break;
        DCctBase* display = NotationDisplayOf(child);
        if (!display)
            continue;
        const int flags = Test(display);
        if (flags & HIT)
            AddFound(child);
        else if ((flags & MISSED) && (flags & BEYOND) && type == measureType)
            break;   // measures run left to right: the rest lie beyond too
    }
}

int ACFindVisible::DoAction(ECBase* event) {
    MCEventList* children = event->GetChildren();
    switch (event->GetClassType()) {
    case ET_STAFF: {
        DCctBase* staff = NotationDisplayOf(event);
        if (!staff || staff->IsHidden() || !children)
            return AC_SKIP;   // a hidden staff shows nothing
        ScanInOrder(*children, ET_MEASURE, [](int) { return true; });
        return AC_SKIP;
    }
    case ET_PERFORMANCE:
        if (children)
            for (POSITION pos = children->GetHeadPosition(); pos;) {
                ECBase* child = children->GetNext(pos);
                DCctBase* display = child->GetClassType() == ET_FRAME ? NotationDisplayOf(child) : nullptr;
                if (display && (Test(display) & HIT))
                    AddFound(child);
            }
        return AC_CONTINUE;
    case ET_CONDUCTORSTAFF:
        if (children)
            ScanInOrder(*children, ET_CONDUCTORMEASURE, [](int type) {
                return type == ET_CONDUCTORMEASURE || type == ET_TEMPO || type == ET_FLOWCONTROL || type == ET_TEXT;
            });
        return AC_SKIP;
    default:
        return AC_CONTINUE;
    }
}

// ---- ACFindVoiceEvents ------------------------------------------------------------

ACFindVoiceEvents::ACFindVoiceEvents() = default;

ACFindVoiceEvents::~ACFindVoiceEvents() = default;

int ACFindVoiceEvents::BeginAction() {
    const int begun = ACFindEvents::BeginAction();
    RemoveEvtTypes();
    for (int type : {ET_NOTE, ET_DOT, ET_BEAM, ET_REST, ET_TIE, ET_ACCIDENTAL})
        AddEvtType(type);
    return begun;
}

int ACFindVoiceEvents::DoAction(ECBase* event) {
    if (m_voice == ALL_VOICES && m_exclude)
        return AC_STOP;   // every voice excluded: nothing to collect
    const int before = m_events.GetCount();
    ACFindEvents::DoAction(event);
    if (m_events.GetCount() == before || m_voice == ALL_VOICES)
        return AC_CONTINUE;
    const MCVoiceTrack* word = event->GetVoiceTrack();
    if (!word)
        return AC_CONTINUE;   // no voice of its own: kept
    const bool sameVoice = word->GetVoice() == m_voice;
    if (sameVoice == (m_exclude != 0)) {
        m_events.RemoveAt(m_events.GetTailPosition());
        --m_count;
    }
    return AC_CONTINUE;
}
