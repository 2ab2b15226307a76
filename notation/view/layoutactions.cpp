// The layout walks: sizing, collision marks, frame marks and positioning.
#include "notation/view/layoutactions.h"

#include "model/conductor.h"
#include "model/event.h"
#include "model/eventtypes.h"
#include "model/measure.h"
#include "model/mirror.h"
#include "model/staff.h"
#include "notation/display/base.h"

namespace {

// The element a walked event stands for: a mirror shows another element and
// is sized, marked and placed as that one; null when what it showed is gone.
ECBase* ShownElement(ECBase* event, bool* throughMirror) {
    if (event->GetClassType() != ET_MIRROR) {
        if (throughMirror)
            *throughMirror = false;
        return event;
    }
    if (throughMirror)
        *throughMirror = true;
    return static_cast<ECMirror*>(event)->GetMirrorEvent();
}

}  // namespace

// ---- ACSetSize ----------------------------------------------------------------

int ACSetSize::DoAction(ECBase* event) {
    const int window = WindowTest(event->GetTime());
    if (window >= 0)
        return window;
    DCctBase* display = NotationDisplayOf(event);
    if (display && display->FrameDirty())
        display->SetSize(m_pDC);
    return AC_CONTINUE;
}

// ---- ACClearCollision -----------------------------------------------------------

int ACClearCollision::DoAction(ECBase* event) {
    ECBase* shown = ShownElement(event, nullptr);
    if (!shown)
        return AC_CONTINUE;
    const int window = WindowTest(event->GetTime());
    if (window >= 0)
        return window;
    DCctBase* display = NotationDisplayOf(shown);
    if (display && display->CollisionDirty())
        display->SetCollisionDirty(0);
    return AC_CONTINUE;
}

// ---- ACSetFrameDirty ------------------------------------------------------------

int ACSetFrameDirty::DoAction(ECBase* event) {
    if (DCctBase* display = NotationDisplayOf(event)) {
        display->SetFrameDirty(1);
        display->SetAssembleDirty(1);
    }
    return AC_CONTINUE;
}

// ---- ACPosition -----------------------------------------------------------------

ACPosition::ACPosition() = default;

ACPosition::~ACPosition() = default;

void ACPosition::SetTimeRange(const MCTime& start, const MCTime& end) {
    m_start = start;
    m_end = end;
    m_rangeOn = 1;
}

void ACPosition::SetConductor(ECConductor* conductor) {
    m_pConductor = conductor;
}

// Marks, slurs, ties and words are drawn against the notes and measures
// they hang on: placed before those stand, they would take stale places.
bool ACPosition::IsDeferredType(int type) {
    switch (type) {
    case ET_ACCENT:
    case ET_LYRIC:
    case ET_ORNAMENT:
    case ET_SLUR:
    case ET_TEXT:
    case ET_TIE:
    case ET_TRANSPOSE:
    case ET_TRILL:
        return true;
    default:
        return false;
    }
}

int ACPosition::Apply(ECBase* event) {
    if (!event)
        return AC_CONTINUE;
    const int type = event->GetClassType();
    if (IsDeferredType(type)) {
        m_deferred.AddEvent(event, UNSORTED);
        return AC_SKIP;
    }
    switch (type) {
    case ET_CONDUCTOR:
        m_pConductor = static_cast<ECConductor*>(event);
        m_pStaff = nullptr;
        m_pMeasure = nullptr;
        m_pElement = nullptr;
        break;
    case ET_MEASURE:
        if (m_trackContext) {
            m_pMeasure = static_cast<ECMeasure*>(event);
            m_pElement = nullptr;
        }
        break;
    case ET_STAFF:
        if (m_trackContext) {
            m_pStaff = static_cast<ECStaff*>(event);
            m_pMeasure = nullptr;
            m_pElement = nullptr;
        }
        break;
    default:
        m_pElement = event;
        break;
    }
    return ACRelativesFirst::Apply(event);
}

int ACPosition::Apply(MCEventList& list, int flag) {
    m_trackContext = 0;
    return ACRelativesFirst::Apply(list, flag);
}

int ACPosition::DoAction(ECBase* event) {
    bool throughMirror = false;
    ECBase* shown = ShownElement(event, &throughMirror);
    if (!shown)
        return AC_CONTINUE;
    if (m_rangeOn) {
        if (const MCTime* time = event->GetTime()) {
            if (*time < m_start)
                return AC_CONTINUE;
            if (*time > m_end)
                return AC_STOP_SIBLINGS;
        }
    }
    DCctBase* display = NotationDisplayOf(shown);
    if (!display || display->IsHidden() || !display->PositionDirty())
        return AC_CONTINUE;
    const int placed = display->Position(m_pConductor, m_pStaff, m_pMeasure, m_pElement);
    // Placed in a mirror's measure, the element is not yet placed in its
    // own: it stays dirty until the walk meets it there.
    if (placed == 1 && !throughMirror)
        display->SetPositionDirty(0);
    return AC_CONTINUE;
}

int ACPosition::PositionDeferred() {
    m_pStaff = nullptr;
    m_pMeasure = nullptr;
    m_pElement = nullptr;
    for (POSITION pos = m_deferred.GetHeadPosition(); pos;)
        DoAction(m_deferred.GetNext(pos));
    m_deferred.RemoveAll();
    return 1;
}
