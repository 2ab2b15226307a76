// DCctMirror: forwarding to the shown element's display, drawing it at the
// mirror's place, and the measure ruler's mirror handler.
#include "notation/display/mirror.h"

#include "model/conductor.h"
#include "model/eventtypes.h"
#include "model/markings.h"
#include "model/measure.h"
#include "model/mirror.h"
#include "model/staff.h"
#include "notation/display/clef.h"
#include "notation/display/conductormeasure.h"
#include "notation/display/key.h"
#include "notation/display/measurelookup.h"
#include "notation/display/meter.h"
#include "notation/display/staff.h"
#include "notation/layout/ruler.h"
#include "platform/core/archive.h"

IMPLEMENT_SERIAL(DCctMirror, DCctBase, VERSIONABLE_SCHEMA | 2)

namespace {

// What the conductor measure asks of mirrors when it puts them into its
// staff measures: the new mirror's data and bits, and the ruler's handler.
void SetMirrorLink(DCctBase* mirrorDisplay, DCctBase* shown, int prolog, int location) {
    auto* mirror = dynamic_cast<DCctMirror*>(mirrorDisplay);
    if (!mirror)
        return;
    mirror->SetMirrorData(shown);
    if (prolog != -1)
        mirror->SetProlog(prolog);
    if (location != -1)
        mirror->SetLocation(location);
}

int DoMirrorLink(MCRuler& ruler, ECBase* mirror, int remove) {
    return ruler.DoMirror(mirror, remove);
}

// Function pointers in a function-local table, set before any caller runs.
[[maybe_unused]] const bool s_linked = [] {
    DCctConductorMeasure::ExternalLinks& links = DCctConductorMeasure::Links();
    links.setMirror = &SetMirrorLink;
    links.doMirror = &DoMirrorLink;
    return true;
}();

}  // namespace

DCctMirror::DCctMirror() {
    SetLocation(1);
    SetProlog(1);
}

DCctMirror::DCctMirror(const DCctMirror& other) : DCctBase(other) {
    SetLocation(1);
    SetProlog(1);
}

DCctMirror::~DCctMirror() = default;

void DCctMirror::Serialize(CArchive& ar) {
    DCctBase::Serialize(ar);
}

ECBase* DCctMirror::GetMirrorEvent() {
    auto* mirror = dynamic_cast<ECMirror*>(GetOwner());
    return mirror ? mirror->GetMirrorEvent() : nullptr;
}

DCctBase* DCctMirror::GetMirrorData() {
    if (!m_pMirrorData)
        return nullptr;
    // Only compared, never followed, until it is known to be alive: the
    // shown element (and its display) may have been deleted since.
    ECBase* shown = GetMirrorEvent();
    DCctBase* live = shown ? dynamic_cast<DCctBase*>(shown->GetData(DK_NOTATION, 0)) : nullptr;
    return live && live == m_pMirrorData ? live : nullptr;
}

// ---- forwarding ------------------------------------------------------------------------

int DCctMirror::Position(ECConductor* conductor, ECStaff* staff, ECMeasure* measure, ECBase* parent) {
    DCctBase* data = GetMirrorData();
    return data ? data->Position(conductor, staff, measure, parent) : 0;
}

void DCctMirror::SetSize(CDC* dc) {
    if (DCctBase* data = GetMirrorData())
        data->SetSize(dc);
}

void DCctMirror::Assemble() {
    if (DCctBase* data = GetMirrorData())
        data->Assemble();
}

void DCctMirror::GetFrame(CRect* rect, int selector) {
    if (DCctBase* data = GetMirrorData())
        data->GetFrame(rect, selector);
    else
        rect->SetRectEmpty();
}

void DCctMirror::GetVirtualFrame(CRect* rect, int selector) {
    if (DCctBase* data = GetMirrorData())
        data->GetVirtualFrame(rect, selector);
    else
        rect->SetRectEmpty();
}

void DCctMirror::GetTotalFrame(CRect* rect, CPoint point, int* maxY) {
    if (DCctBase* data = GetMirrorData())
        data->GetTotalFrame(rect, point, maxY);
    else
        rect->SetRectEmpty();
}

int DCctMirror::GetWidth() {
    DCctBase* data = GetMirrorData();
    return data ? data->GetWidth() : -1;
}

int DCctMirror::GetHeight() {
    DCctBase* data = GetMirrorData();
    return data ? data->GetHeight() : -1;
}

int DCctMirror::HitTest(CPoint point, CPoint offset, int selector) {
    DCctBase* data = GetMirrorData();
    return data ? data->HitTest(point, offset, selector) : NO_DATA;
}

int DCctMirror::HitTest(CRect* rect, CPoint offset, int selector) {
    DCctBase* data = GetMirrorData();
    return data ? data->HitTest(rect, offset, selector) : NO_DATA;
}

int DCctMirror::IsIn(CRect* rect, CPoint offset, int detail, int selector) {
    DCctBase* data = GetMirrorData();
    return data ? data->IsIn(rect, offset, detail, selector) : NO_DATA;
}

int DCctMirror::CollideTest(DCctBase* other) {
    DCctBase* data = GetMirrorData();
    return data ? data->CollideTest(other) : 0;
}

void DCctMirror::Collide() {
    DCctBase* data = GetMirrorData();
    ECBase* shown = data ? GetMirrorEvent() : nullptr;
    ECMeasure* measure = MeasureParent(GetOwner());
    if (!shown || !measure || shown->GetClassType() != ET_METER || !data->CollisionDirty())
        return;
    // A meter shown again takes room in the measure it is shown in.
    auto* measureDisplay = dynamic_cast<DCctBase*>(measure->GetData(DK_NOTATION, 0));
    auto measureRuler = DCctConductorMeasure::Links().measureRuler;
    MCRuler* ruler = measureDisplay && measureRuler ? measureRuler(measureDisplay) : nullptr;
    if (!ruler)
        return;
    ruler->DoMeter(shown, 0);
    data->SetCollisionDirty(0);
}

// ---- drawing ---------------------------------------------------------------------------

namespace {

// The ruler of the conductor measure at `time`, or null.
MCRuler* RulerAtTime(ECConductor* conductor, const MCTime* time) {
    if (!conductor || !time)
        return nullptr;
    return ConductorRulerAt(conductor, conductor->GetMeasure(0, *time, 0, 1));
}

// The element's user offset set aside while it is drawn elsewhere, and put
// back as stored: through tenths it would be rounded at every drawing.
class OffsetSetAside {
public:
    explicit OffsetSetAside(DCctBase& element) : m_element(element), m_saved(element.GetStoredOffset()) {
        m_element.SetStoredOffset(CSize(0, 0));
    }
    ~OffsetSetAside() { m_element.SetStoredOffset(m_saved); }
    OffsetSetAside(const OffsetSetAside&) = delete;
    OffsetSetAside& operator=(const OffsetSetAside&) = delete;

private:
    DCctBase& m_element;
    const CSize m_saved;
};

}  // namespace

int DCctMirror::Draw(CDC* dc, CPoint point, CRect* clip) {
    DCctBase* data = GetMirrorData();
    ECBase* shown = data ? GetMirrorEvent() : nullptr;
    if (!shown)
        return NO_DATA;
    const int type = shown->GetClassType();
    ECMeasure* measure = MeasureParent(GetOwner());
    CPoint at = point;
    if (!GetLocation() && type == ET_METER)
        at.y += MeasureLeftHandOffset(measure);

    // The element is moved from where it stands, without its user offset.
    OffsetSetAside offset(*data);
    ECConductor* conductor = GetConductor();
    MCRuler* here = ConductorRulerAt(conductor, measure);
    const bool atStart = shown->GetTime() && *shown->GetTime() == MCTime::TimeZero();
    switch (type) {
    case ET_CLEF: {
        MCRuler* there = atStart ? RulerAtTime(conductor, shown->GetTime()) : nullptr;
        if (!here || (atStart && !there))
            return DRAW_NOTHING;
        at.x += here->GetPrologX(MCRuler::PROLOG_CLEF) -
                (atStart ? there->GetPrologX(MCRuler::PROLOG_CLEF) : data->GetX());
        break;
    }
    case ET_KEY:
    case ET_METER: {
        const bool key = type == ET_KEY;
        if (!here)
            return DRAW_NOTHING;
        if (IsProlog()) {
            MCRuler* there = RulerAtTime(conductor, shown->GetTime());
            if (!there)
                return DRAW_NOTHING;
            const int slot = key ? MCRuler::PROLOG_KEY : MCRuler::PROLOG_METER;
            at.x += here->GetPrologX(slot) - there->GetPrologX(slot);
        } else {
            const int slot = key ? MCRuler::POSTLOG_KEY : MCRuler::POSTLOG_METER;
            at.x += here->GetPostlogX(slot, 1) - data->GetX();
        }
        break;
    }
    default:
        break;
    }

    switch (type) {
    case ET_CLEF: {
        // A clef that opens a system is drawn full size wherever it stands.
        auto* clef = dynamic_cast<DCctClef*>(data);
        const int fullSize = clef ? clef->IsFullSize() : 1;
        if (clef)
            clef->SetFullSize(1);
        data->Draw(dc, at, clip);
        if (clef)
            clef->SetFullSize(fullSize);
        return 0;
    }
    case ET_KEY:
        return DrawKey(data, dc, at, clip);
    case ET_METER:
        data->Draw(dc, at, clip);
        return 0;
    default:
        return 0;
    }
}

int DCctMirror::DrawKey(DCctBase* data, CDC* dc, CPoint at, CRect* clip) {
    auto* key = dynamic_cast<DCctKey*>(data);
    auto* keyEvent = key ? dynamic_cast<ECKey*>(key->GetOwner()) : nullptr;
    ECBase* owner = GetOwner();
    ECConductor* conductor = GetConductor();
    if (!key || !keyEvent || !owner || !owner->GetTime() || !conductor || !keyEvent->GetTime() ||
        !keyEvent->GetVoiceTrack())
        return data->Draw(dc, at, clip);

    // The accidentals' heights depend on the clef: where the mirror stands
    // it may not be the clef the key was laid out for.
    auto* staff = dynamic_cast<ECStaff*>(conductor->GetTrack(1, keyEvent->GetVoiceTrack()->GetTrack(), 0));
    MCTime keyTime = *keyEvent->GetTime();
    MCTime mirrorTime = *owner->GetTime();
    ECClef* own = DCctStaff::GetClefAtTime(staff, keyTime, keyEvent->GetHand());
    ECClef* here = DCctStaff::GetClefAtTime(staff, mirrorTime, keyEvent->GetHand());
    // No clef where the mirror stands: nothing to lay out for.
    if (!here || (own && own->GetClefType() == here->GetClefType() && own->GetHand() == here->GetHand()))
        return key->Draw(dc, at, clip);

    key->SetClef(here->GetClefType());
    key->SetAssembleDirty(1);
    const int result = key->Draw(dc, at, clip);
    key->SetClef(DCctKey::CLEF_LOOK_UP);
    key->SetAssembleDirty(1);
    return result;
}

// ---- the measure ruler's mirror handler -------------------------------------------------

int MCRuler::DoMirror(ECBase* element, int clear) {
    auto* mirror = dynamic_cast<ECMirror*>(element);
    ECBase* shown = mirror ? mirror->GetMirrorEvent() : nullptr;
    if (!shown)
        return 0;
    const int type = shown->GetClassType();
    if (type == ET_CLEF)
        return DoClef(shown, clear, 1);   // a clef shown again always opens the measure
    if (type != ET_KEY && type != ET_METER)
        return 1;

    auto* display = dynamic_cast<DCctMirror*>(element->GetData(DK_NOTATION, 0));
    if (!display)
        return 0;
    const bool key = type == ET_KEY;
    if (display->IsProlog())
        return key ? DoKey(shown, clear) : DoMeter(shown, clear);
    // A courtesy key or meter at the end of the measure.
    DCBase* data = shown->GetData(DK_NOTATION, 0);
    auto* keyDisplay = key ? dynamic_cast<DCctKey*>(data) : nullptr;
    auto* meterDisplay = key ? nullptr : dynamic_cast<DCctMeter*>(data);
    if (!keyDisplay && !meterDisplay)
        return 0;
    const int slot = key ? POSTLOG_KEY : POSTLOG_METER;
    if (clear)
        RemovePostlog(slot);
    else
        SetPostlog(slot, key ? keyDisplay->GetXOfLastAccidental() : meterDisplay->GetXOfLastNumerator());
    return 1;
}
