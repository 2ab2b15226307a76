// The note modifiers: small events hung below a note, a chord, a grace note
// or a rest (accent, accidental, arpeggio, dot, mordent, ornament, tremolo,
// trill, turn).
//
// Each holds one type byte, 0 after default construction. The model stores
// whatever byte it is given (0 to 255) and gives it no meaning: which accent,
// accidental, dot count or ornament a value stands for is settled by the
// notation display, the edit tools and the inspector pages that read it. The
// modifiers stand on three bases, which their archives follow:
//   ECBase           accent, accidental, dot
//   ECWithChild      arpeggio, mordent, ornament, turn
//   ECWithTimeChild  tremolo, trill
// each archiving its base's part and then the type byte. A copy is a new
// event with the source's time and voice/track word (where the base has them)
// and its type byte.
//
// Every class is serial with schema 2, versionable, and found by its class
// name. Events carry no lock; see model/event.h.
#pragma once

#include "model/event.h"

// The type byte a modifier adds to its base. Each class names its accessors
// after itself (GetAccentType, SetDotType ...).
template <class Base>
class ECModifier : public Base {
public:
    // The base's part, then the type byte.
    void Serialize(CArchive& ar) override;

protected:
    ECModifier() = default;
    explicit ECModifier(unsigned char type) : m_type(type) {}
    ECModifier(const ECModifier& other) = default;   // the base's copy, and the byte

    unsigned char m_type = 0;
};

// Defined in model/modifiers.cpp for the three bases.
extern template class ECModifier<ECBase>;
extern template class ECModifier<ECWithChild>;
extern template class ECModifier<ECWithTimeChild>;

// Under a note, a chord or a grace note.
class ECAccent : public ECModifier<ECBase> {
    DECLARE_SERIAL(ECAccent)
public:
    ECAccent() = default;
    explicit ECAccent(unsigned char type) : ECModifier(type) {}
    ECAccent(const ECAccent& other) = default;

    int GetClassType() const override;
    unsigned char GetAccentType() const { return m_type; }
    void SetAccentType(unsigned char type) { m_type = type; }
};

// Under a note or a grace note.
class ECAccidental : public ECModifier<ECBase> {
    DECLARE_SERIAL(ECAccidental)
public:
    ECAccidental() = default;
    explicit ECAccidental(unsigned char type) : ECModifier(type) {}
    ECAccidental(const ECAccidental& other) = default;

    int GetClassType() const override;
    unsigned char GetAccidentalType() const { return m_type; }
    void SetAccidentalType(unsigned char type) { m_type = type; }
};

// Under a note, a chord or a rest.
class ECDot : public ECModifier<ECBase> {
    DECLARE_SERIAL(ECDot)
public:
    ECDot() = default;
    explicit ECDot(unsigned char type) : ECModifier(type) {}
    ECDot(const ECDot& other) = default;

    int GetClassType() const override;
    unsigned char GetDotType() const { return m_type; }
    void SetDotType(unsigned char type) { m_type = type; }
};

// Under a chord.
class ECArpeggio : public ECModifier<ECWithChild> {
    DECLARE_SERIAL(ECArpeggio)
public:
    ECArpeggio() = default;
    explicit ECArpeggio(unsigned char type) : ECModifier(type) {}
    ECArpeggio(const ECArpeggio& other) = default;

    int GetClassType() const override;
    unsigned char GetArpeggioType() const { return m_type; }
    void SetArpeggioType(unsigned char type) { m_type = type; }
};

// Under a note or a chord.
class ECMordent : public ECModifier<ECWithChild> {
    DECLARE_SERIAL(ECMordent)
public:
    ECMordent() = default;
    explicit ECMordent(unsigned char type) : ECModifier(type) {}
    ECMordent(const ECMordent& other) = default;

    int GetClassType() const override;
    unsigned char GetMordentType() const { return m_type; }
    void SetMordentType(unsigned char type) { m_type = type; }
};

// Under a note.
class ECOrnament : public ECModifier<ECWithChild> {
    DECLARE_SERIAL(ECOrnament)
public:
    ECOrnament() = default;
    explicit ECOrnament(unsigned char type) : ECModifier(type) {}
    ECOrnament(const ECOrnament& other) = default;

    int GetClassType() const override;
    unsigned char GetOrnamentType() const { return m_type; }
    void SetOrnamentType(unsigned char type) { m_type = type; }
};

// Under a note or a chord.
class ECTurn : public ECModifier<ECWithChild> {
    DECLARE_SERIAL(ECTurn)
public:
    ECTurn() = default;
    explicit ECTurn(unsigned char type) : ECModifier(type) {}
    ECTurn(const ECTurn& other) = default;

    int GetClassType() const override;
    unsigned char GetTurnType() const { return m_type; }
    void SetTurnType(unsigned char type) { m_type = type; }
};

// Under a note or a chord; has a time (null after construction).
class ECTremolo : public ECModifier<ECWithTimeChild> {
    DECLARE_SERIAL(ECTremolo)
public:
    ECTremolo() = default;
    explicit ECTremolo(unsigned char type) : ECModifier(type) {}
    ECTremolo(const ECTremolo& other) = default;

    int GetClassType() const override;
    unsigned char GetTremoloType() const { return m_type; }
    void SetTremoloType(unsigned char type) { m_type = type; }
};

// Under a note or a chord; has a time (null after construction).
class ECTrill : public ECModifier<ECWithTimeChild> {
    DECLARE_SERIAL(ECTrill)
public:
    ECTrill() = default;
    explicit ECTrill(unsigned char type) : ECModifier(type) {}
    ECTrill(const ECTrill& other) = default;

    int GetClassType() const override;
    unsigned char GetTrillType() const { return m_type; }
    void SetTrillType(unsigned char type) { m_type = type; }
};
