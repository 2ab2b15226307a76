// The note modifiers and the type byte they share.
#include "model/modifiers.h"

#include "model/eventtypes.h"
#include "platform/core/archive.h"

// The run-time class records name the event bases, not ECModifier: a kind
// test against the base succeeds, and the archive knows only these names.
IMPLEMENT_SERIAL(ECAccent, ECBase, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(ECAccidental, ECBase, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(ECDot, ECBase, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(ECArpeggio, ECWithChild, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(ECMordent, ECWithChild, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(ECOrnament, ECWithChild, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(ECTurn, ECWithChild, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(ECTremolo, ECWithTimeChild, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(ECTrill, ECWithTimeChild, VERSIONABLE_SCHEMA | 2)

template <class Base>
void ECModifier<Base>::Serialize(CArchive& ar) {
    Base::Serialize(ar);
    // Stored as it stands: every byte is a valid type to the model.
    if (ar.IsStoring())
        ar << static_cast<BYTE>(m_type);
    else
        ar >> m_type;
}

template class ECModifier<ECBase>;
template class ECModifier<ECWithChild>;
template class ECModifier<ECWithTimeChild>;

int ECAccent::GetClassType() const {
    return ET_ACCENT;
}

int ECAccidental::GetClassType() const {
    return ET_ACCIDENTAL;
}

int ECDot::GetClassType() const {
    return ET_DOT;
}

int ECArpeggio::GetClassType() const {
    return ET_ARPEGGIO;
}

int ECMordent::GetClassType() const {
    return ET_MORDENT;
}

int ECOrnament::GetClassType() const {
    return ET_ORNAMENT;
}

int ECTurn::GetClassType() const {
    return ET_TURN;
}

int ECTremolo::GetClassType() const {
    return ET_TREMOLO;
}

int ECTrill::GetClassType() const {
    return ET_TRILL;
}
