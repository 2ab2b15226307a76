// Beams, slurs, ties and tuplets: leaving the tree when emptied, the tuplet's
// hand-back of its members, its counts and their archive form.
#include "model/groupmarks.h"

#include "model/eventtypes.h"
#include "platform/core/archive.h"

IMPLEMENT_SERIAL(ECBeam, ECWithTimeChild, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(ECTie, ECWithTimeChild, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(ECSlur, ECWithTimeChild, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(ECTuplet, ECWithTimeChild, VERSIONABLE_SCHEMA | 2)

namespace {

// Objects archived with an earlier schema have no unit byte.
constexpr unsigned TUPLET_UNIT_SCHEMA = 2;
constexpr unsigned char DEFAULT_UNITS = 3;
constexpr int UNIT_COUNT = 8;

// Whether any of the events is a note.
bool HoldsNote(MCEventList* events) {
    return events->FindEvent(ET_NOTE) != nullptr;
}

}  // namespace

// ---- ECGrouping ---------------------------------------------------------------------

int ECGrouping::RemoveChild(ECBase* child, int deep) {
    Ref();
    const int removed = ECWithChild::RemoveChild(child, deep);
    if (removed && !(GetFlags() & EF_CHILDREN))
        RemoveFromParents();
    Unref(1);
    return removed;
}

int ECGrouping::RemoveChildren(int deep) {
    Ref();
    const int removed = ECWithChild::RemoveChildren(deep);
    if (removed)
        RemoveFromParents();
    Unref(1);
    return removed;
}

// ---- ECBeam, ECTie, ECSlur --------------------------------------------------------------

int ECBeam::GetClassType() const {
    return ET_BEAM;
}

int ECTie::GetClassType() const {
    return ET_TIE;
}

int ECSlur::GetClassType() const {
    return ET_SLUR;
}

int ECSlur::RemoveChild(ECBase* child, int deep) {
    Ref();
    const int removed = ECWithChild::RemoveChild(child, deep);
    if (removed) {
        // A slur joins notes; chords alone keep no slur.
        if (!HoldsNote(GetChildren()))
            ECWithChild::RemoveChildren(0);
        if (!(GetFlags() & EF_CHILDREN))
            RemoveFromParents();
    }
    Unref(1);
    return removed;
}

// ---- ECTuplet ---------------------------------------------------------------------------

int ECTuplet::GetClassType() const {
    return ET_TUPLET;
}

int ECTuplet::RemoveFromParents() {
    Ref();
    if (ECBase* measure = GetAncestor(ET_MEASURE, -1)) {
        MCEventList* held = measure->GetChildren();
        for (POSITION pos = m_children.GetHeadPosition(); pos;) {
            ECBase* member = m_children.GetNext(pos);
            if (held && !held->Find(member))
                measure->AddChild(member, SORTED);
        }
        ECWithChild::RemoveChildren(0);
    }
    ECBase::RemoveFromParents();
    Unref(1);
    return 1;
}

void ECTuplet::Serialize(CArchive& ar) {
    // Read before the base part: reading the members resets it.
    const unsigned schema = ar.IsLoading() ? ar.GetObjectSchema() : TUPLET_UNIT_SCHEMA;
    ECWithTimeChild::Serialize(ar);
    if (ar.IsStoring()) {
        ar << static_cast<BYTE>(m_irregular) << static_cast<BYTE>(m_normal) << static_cast<BYTE>(m_units);
        return;
    }
    ar >> m_irregular >> m_normal;
    // A tuplet serialized directly, outside an object tag, has no stored
    // schema (-1) and is in the current form.
    if (schema >= TUPLET_UNIT_SCHEMA)
        ar >> m_units;
    else
        m_units = DEFAULT_UNITS;
}

MCTime ECTuplet::GetUnitsAsTime(int unit) {
    if (unit < 0 || unit >= UNIT_COUNT)
        return MCTime(0.0f);
    return MCTime(4.0f / static_cast<float>(1 << unit));
}
