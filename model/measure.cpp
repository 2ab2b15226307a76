// ECMeasure: a staff's measure and the upkeep of its staff's clef and key
// cache as children come and go.
#include "model/measure.h"

#include "model/eventtypes.h"
#include "model/markings.h"
#include "model/staff.h"
#include "platform/core/archive.h"

IMPLEMENT_SERIAL(ECMeasure, ECWithTimeChild, VERSIONABLE_SCHEMA | 2)

bool IsCachedMark(const ECBase* event) {
    if (!event)
        return false;
    const int type = event->GetClassType();   // asked once: every child added asks
    return type == ET_CLEF || type == ET_KEY;
}

unsigned char GetCacheHand(ECBase* event) {
    if (auto* clef = DYNAMIC_DOWNCAST(ECClef, event))
        return clef->GetHand();
    if (auto* key = DYNAMIC_DOWNCAST(ECKey, event))
        return key->GetHand();
    return 0;
}

ECMeasure::ECMeasure() {
    m_voiceTrack = MCVoiceTrack(14, 2047);
}

ECMeasure::ECMeasure(const ECMeasure& other) = default;

ECMeasure::~ECMeasure() = default;

int ECMeasure::GetClassType() const {
    return ET_MEASURE;
}

ECStaff* ECMeasure::GetStaff() {
    return DYNAMIC_DOWNCAST(ECStaff, GetAncestor(ET_STAFF, -1));
}

int ECMeasure::AddChild(ECBase* child, int sorted) {
    if (!ECWithTimeChild::AddChild(child, sorted))
        return 0;
    if (IsCachedMark(child)) {
        // A second clef of a hand at the same time stays in the measure; the
        // cache keeps the first.
        if (ECStaff* staff = GetStaff())
            staff->CacheEvent(child, GetCacheHand(child));
    }
    return 1;
}

int ECMeasure::RemoveChild(ECBase* child, int deep) {
    if (IsCachedMark(child)) {
        if (ECStaff* staff = GetStaff())
            staff->UncacheEvent(child, GetCacheHand(child));
    }
    return ECWithTimeChild::RemoveChild(child, deep);
}

int ECMeasure::RemoveChildren(int deep) {
    // The staff is looked up once: its cache loses every clef and key here,
    // before the children go.
    UncacheMarks(GetStaff());
    return ECWithTimeChild::RemoveChildren(deep);
}

void ECMeasure::UncacheMarks(ECStaff* staff) {
    if (!staff)
        return;
    for (POSITION pos = m_children.GetTailPosition(); pos;) {
        ECBase* child = m_children.GetPrev(pos);
        if (IsCachedMark(child))
            staff->UncacheEvent(child, GetCacheHand(child));
    }
}
