// Notation markings that hold a few coded bytes: key signatures and clefs
// (which the staff's cache follows and which keep mirror lists), chord
// symbols, dynamics, pedal and transposition marks, repeat signs, barlines,
// and braces and brackets.
//
// What a code means (a clef type, a hand, a barline type, a chord word's
// root) belongs to the notation display and the tools; these classes store
// the codes unchecked and archive them as they stand. Each archives its own
// fields after its base's part, in the order of its members below.
//
//   ECKey         23  ECWithTime       accidentals (2 bytes), mode, hand
//   ECClef        13  ECWithTime       clef type, hand
//   ECChordSymbol 12  ECWithTime       the chord word (4 bytes)
//   ECDynamic     19  ECWithTimeChild  type; duration only for the spanning
//                                      types (HasDuration); text
//   ECPedal       31  ECWithTimeChild  type, duration
//   ECTranspose   44  ECWithTimeChild  type, duration
//   ECRepeat      36  ECWithTimeChild  repeat type
//   ECBarline      5  ECBase           type, position
//   ECBrac         8  ECBase           brace/bracket type only
//
// A key or clef references its mirrors (model/mirror.h) through its mirror
// list; the mirrors point back without a reference. UI thread, under the
// performance's lock like the rest of the tree.
#pragma once

#include "model/event.h"

#include <cstdint>
#include <string>

class ECMirror;

// How a clef or key whose time changes reaches its staff's cache: `cache` 0
// takes the event out (ECStaff::UncacheEvent), 1 puts it back at its new
// time (ECStaff::CacheEvent). The staff class installs it; while none is
// installed no staff can hold a cache, and only the time is set. Returns the
// upkeep installed before.
using StaffCacheUpkeep = int (*)(ECBase* staff, ECBase* event, unsigned char hand, int cache);
StaffCacheUpkeep SetStaffCacheUpkeep(StaffCacheUpkeep upkeep);

// A key signature: the number of sharps (positive) or flats (negative), the
// mode (0 major, 1 minor) and the hand whose staff part it governs.
class ECKey : public ECWithTime {
    DECLARE_SERIAL(ECKey)
public:
    ECKey() = default;
    ECKey(short accidentals, unsigned char mode) : m_accidentals(accidentals), m_mode(mode) {}
    // Time, word and fields; no mirrors.
    ECKey(const ECKey& other);
    // Points the mirrors still showing this key at nothing and lets them go.
    ~ECKey() override;

    void Serialize(CArchive& ar) override;
    int GetClassType() const override;
    // Under a staff the key leaves the staff's cache, takes the time and
    // enters again, so the cache stays in time order.
    void SetTime(const MCTime* time) override;

    short GetAccidentals() const { return m_accidentals; }
    void SetAccidentals(short accidentals) { m_accidentals = accidentals; }
    unsigned char GetMode() const { return m_mode; }
    void SetMode(unsigned char mode) { m_mode = mode; }
    unsigned char GetHand() const { return m_hand; }
    void SetHand(unsigned char hand) { m_hand = hand; }

    // Inserts the mirror in time order and points it at this key (without
    // asking it to register again).
    void AddMirror(ECMirror* mirror);
    // The null time empties the list; any other removes mirrors from the end
    // back to the first one earlier than `from`, which stays.
    void RemoveMirrors(const MCTime& from);
    MCEventList* GetMirrors() { return &m_mirrors; }

    // Accidentals, mode and hand.
    bool operator==(const ECKey& other) const;
    bool operator!=(const ECKey& other) const { return !(*this == other); }

private:
    int16_t m_accidentals = 0;
    unsigned char m_mode = 0;
    unsigned char m_hand = 0;
    MCEventList m_mirrors;   // references each mirror
};

// A clef, for one hand of its staff.
class ECClef : public ECWithTime {
    DECLARE_SERIAL(ECClef)
public:
    ECClef() = default;
    explicit ECClef(unsigned char clefType) : m_clefType(clefType) {}
    // Time, word and fields; no mirrors.
    ECClef(const ECClef& other);
    // Points the mirrors still showing this clef at nothing and lets them go.
    ~ECClef() override;

    void Serialize(CArchive& ar) override;
    int GetClassType() const override;
    // Keeps the staff's cache in order, as ECKey::SetTime.
    void SetTime(const MCTime* time) override;

    unsigned char GetClefType() const { return m_clefType; }
    void SetClefType(unsigned char clefType) { m_clefType = clefType; }
    unsigned char GetHand() const { return m_hand; }
    void SetHand(unsigned char hand) { m_hand = hand; }

    // As ECKey's.
    void AddMirror(ECMirror* mirror);
    void RemoveMirrors(const MCTime& from);
    MCEventList* GetMirrors() { return &m_mirrors; }

    // Clef type and hand.
    bool operator==(const ECClef& other) const;
    bool operator!=(const ECClef& other) const { return !(*this == other); }

private:
    unsigned char m_clefType = 0;
    unsigned char m_hand = 0;
    MCEventList m_mirrors;   // references each mirror
};

// A chord symbol: one 32-bit word, bits 0-7 the root, 8-15 the bass, 16-23
// the flavor, 24-31 the style.
class ECChordSymbol : public ECWithTime {
    DECLARE_SERIAL(ECChordSymbol)
public:
    ECChordSymbol() = default;
    ECChordSymbol(unsigned char root, unsigned char bass, unsigned char flavor, unsigned char style);
    ECChordSymbol(const ECChordSymbol& other) = default;

    void Serialize(CArchive& ar) override;
    int GetClassType() const override;

    uint32_t GetChordType() const { return m_chord; }
    void SetChordType(uint32_t chord) { m_chord = chord; }
    unsigned char GetChordRoot() const { return GetByte(0); }
    void SetChordRoot(unsigned char root) { SetByte(0, root); }
    unsigned char GetChordBass() const { return GetByte(8); }
    void SetChordBass(unsigned char bass) { SetByte(8, bass); }
    unsigned char GetChordFlavor() const { return GetByte(16); }
    void SetChordFlavor(unsigned char flavor) { SetByte(16, flavor); }
    unsigned char GetChordStyle() const { return GetByte(24); }
    void SetChordStyle(unsigned char style) { SetByte(24, style); }

    // The whole word.
    bool operator==(const ECChordSymbol& other) const { return m_chord == other.m_chord; }
    bool operator!=(const ECChordSymbol& other) const { return !(*this == other); }

private:
    unsigned char GetByte(int shift) const { return static_cast<unsigned char>(m_chord >> shift); }
    void SetByte(int shift, unsigned char value) {
        m_chord = (m_chord & ~(0xFFu << shift)) | (static_cast<uint32_t>(value) << shift);
    }

    // Root 1, bass 18, flavor 0, style 3.
    uint32_t m_chord = 0x03001201u;
};

// A dynamic marking. Types 10 to 15 span a duration (hairpins, "cresc." and
// the like); only they archive it.
class ECDynamic : public ECWithTimeChild {
    DECLARE_SERIAL(ECDynamic)
public:
    ECDynamic() = default;
    ECDynamic(unsigned char type, const MCTime& duration) : m_type(type), m_duration(duration) {}
    // Time, word, type and duration; the text is not copied.
    ECDynamic(const ECDynamic& other);

    void Serialize(CArchive& ar) override;
    int GetClassType() const override;

    unsigned char GetDynamicType() const { return m_type; }
    void SetDynamicType(unsigned char type) { m_type = type; }
    MCTime* GetDuration() override { return &m_duration; }
    void SetDuration(const MCTime* duration) override;
    void SetDuration(const MCTime& duration) { m_duration = duration; }
    // The event's own text when it has one, else the name of its type.
    std::string GetText() const;
    void SetText(const std::string& text) { m_text = text; }

    // "cresc.", "decresc.", "dim." for 11 to 13; empty for every other type.
    static std::string GetDynamicString(unsigned char type);
    // 1 for the spanning types 10 to 15.
    static int HasDuration(unsigned char type);

private:
    unsigned char m_type = 5;
    MCTime m_duration;   // 0
    std::string m_text;
};

// What pedal marks and transposition marks share: a type and the duration
// over which they hold (a whole note unless given). Not a class of its own
// in archives or the type table.
class ECTypedSpan : public ECWithTimeChild {
public:
    MCTime* GetDuration() override { return &m_duration; }
    void SetDuration(const MCTime* duration) override;
    void SetDuration(const MCTime& duration) { m_duration = duration; }

    // The ECWithTimeChild part, the type, the duration (always).
    void Serialize(CArchive& ar) override;

protected:
    ECTypedSpan() = default;
    ECTypedSpan(unsigned char type, const MCTime& duration) : m_type(type), m_duration(duration) {}
    ECTypedSpan(const ECTypedSpan& other) = default;   // time, word, type, duration

    unsigned char m_type = 0;
    MCTime m_duration{4.0f};
};

// A pedal mark.
class ECPedal : public ECTypedSpan {
    DECLARE_SERIAL(ECPedal)
public:
    ECPedal() = default;
    ECPedal(unsigned char type, const MCTime& duration) : ECTypedSpan(type, duration) {}
    ECPedal(const ECPedal& other) = default;

    int GetClassType() const override;
    unsigned char GetPedalType() const { return m_type; }
    void SetPedalType(unsigned char type) { m_type = type; }
};

// A transposition mark (an octave sign and the like).
class ECTranspose : public ECTypedSpan {
    DECLARE_SERIAL(ECTranspose)
public:
    ECTranspose() = default;
    ECTranspose(unsigned char type, const MCTime& duration) : ECTypedSpan(type, duration) {}
    ECTranspose(const ECTranspose& other) = default;

    int GetClassType() const override;
    unsigned char GetTransposeType() const { return m_type; }
    void SetTransposeType(unsigned char type) { m_type = type; }
};

// A repeat sign in a measure.
class ECRepeat : public ECWithTimeChild {
    DECLARE_SERIAL(ECRepeat)
public:
    ECRepeat() = default;
    explicit ECRepeat(unsigned char type) : m_type(type) {}
    // The repeat type only, on the null time and no voice or track.
    ECRepeat(const ECRepeat& other);

    void Serialize(CArchive& ar) override;
    int GetClassType() const override;

    unsigned char GetRepeatType() const { return m_type; }
    void SetRepeatType(unsigned char type) { m_type = type; }

private:
    unsigned char m_type = 0;
};

// A barline of a conductor measure: its type and where it stands.
class ECBarline : public ECBase {
    DECLARE_SERIAL(ECBarline)
public:
    ECBarline() = default;
    ECBarline(const ECBarline& other) = default;

    void Serialize(CArchive& ar) override;
    int GetClassType() const override;

    unsigned char GetBarlineType() const { return m_type; }
    void SetBarlineType(unsigned char type) { m_type = type; }
    unsigned char GetBarlinePos() const { return m_position; }
    void SetBarlinePos(unsigned char position) { m_position = position; }

private:
    unsigned char m_type = 0;
    unsigned char m_position = 0;
};

// A brace or bracket in front of a group of staves. Only its type is
// archived: the group id and primary word are set again by whoever rebuilds
// the staff groups.
class ECBrac : public ECBase {
    DECLARE_SERIAL(ECBrac)
public:
    ECBrac() = default;
    explicit ECBrac(unsigned char type) : m_type(type) {}
    ECBrac(const ECBrac& other) = default;   // type, group id and primary word

    void Serialize(CArchive& ar) override;
    int GetClassType() const override;

    unsigned char GetBracType() const { return m_type; }
    void SetBracType(unsigned char type) { m_type = type; }
    unsigned char GetGroupID() const { return m_groupId; }
    int GetPrimary() const { return m_primary; }
    void SetGroupID(unsigned char id, int primary) {
        m_groupId = id;
        m_primary = primary;
    }

private:
    unsigned char m_type = 0;
    unsigned char m_groupId = 0;
    int32_t m_primary = 0;
};
