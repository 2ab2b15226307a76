// Grouping events: marks whose children are the notes, chords and rests they
// join, and which live only while they join something.
//
//   ECBeam    7  ECWithTimeChild  nothing beyond the base
//   ECSlur   38  ECWithTimeChild  nothing beyond the base
//   ECTie    43  ECWithTimeChild  nothing beyond the base
//   ECTuplet 47  ECWithTimeChild  irregular count, normal count (a byte
//                                 each), then the unit (a byte; objects
//                                 archived before schema 2 have none and
//                                 load the eighth)
//
// A grouping event's members are also reached through their measure (or
// chord), so a member has two parents. When a member leaves a beam, tie or
// tuplet and none is left, the grouping event takes itself out of its
// parents; a slur goes once no note is left among its members. Taking a
// tuplet out of its parents hands its members back to its measure first.
// Each such step runs under a temporary reference of the event's own, so the
// event is freed at the end when nothing else holds it.
//
// UI thread, under the performance's lock like the rest of the tree.
#pragma once

#include "model/event.h"

// What beams, slurs, ties and tuplets share: they leave their parents when
// emptied. Not a class of its own in archives or the type table.
class ECGrouping : public ECWithTimeChild {
public:
    // 0 when the event is not a child. Otherwise removes it and, when no
    // child is left, takes this event out of its parents; 1.
    int RemoveChild(ECBase* child, int deep) override;
    // Removes every child and then this event from its parents; 1, or 0
    // when the children could not be removed.
    int RemoveChildren(int deep) override;

protected:
    ECGrouping() = default;
    ECGrouping(const ECGrouping& other) = default;   // time and word, no members
};

// A beam over notes, chords and rests.
class ECBeam : public ECGrouping {
    DECLARE_SERIAL(ECBeam)
public:
    ECBeam() = default;
    ECBeam(const ECBeam& other) = default;

    int GetClassType() const override;
};

// A tie between notes.
class ECTie : public ECGrouping {
    DECLARE_SERIAL(ECTie)
public:
    ECTie() = default;
    ECTie(const ECTie& other) = default;

    int GetClassType() const override;
};

// A slur over notes and chords.
class ECSlur : public ECGrouping {
    DECLARE_SERIAL(ECSlur)
public:
    ECSlur() = default;
    ECSlur(const ECSlur& other) = default;

    int GetClassType() const override;
    // 0 when the event is not a child. Otherwise removes it; when no note
    // (ET_NOTE) is left among the members, the others go too, and an empty
    // slur takes itself out of its parents; 1.
    int RemoveChild(ECBase* child, int deep) override;
};

// A tuplet: `irregular` notes of `units` in the time of `normal` ones.
class ECTuplet : public ECGrouping {
    DECLARE_SERIAL(ECTuplet)
public:
    // 3 in the time of 2, of eighths.
    ECTuplet() = default;
    ECTuplet(unsigned char irregular, unsigned char normal, unsigned char units)
        : m_irregular(irregular), m_normal(normal), m_units(units) {}
    ECTuplet(const ECTuplet& other) = default;   // time, word and counts; no members

    // The ECWithTimeChild part, irregular, normal, and the unit unless the
    // object was archived with a schema below 2.
    void Serialize(CArchive& ar) override;
    int GetClassType() const override;
    // Under a measure, every member the measure does not hold yet is added to
    // it (sorted) and the members leave the tuplet; then the tuplet leaves
    // every parent. Deleting a tuplet so keeps its notes in the measure.
    int RemoveFromParents() override;

    unsigned char GetIrregular() const { return m_irregular; }
    unsigned char GetNormal() const { return m_normal; }
    unsigned char GetUnits() const { return m_units; }
    void SetTuplet(unsigned char irregular, unsigned char normal, unsigned char units) {
        m_irregular = irregular;
        m_normal = normal;
        m_units = units;
    }

    // The length of one unit in quarter notes: 0 the whole (4.0), 1 the half
    // ... 7 the 128th (0.03125); any other value 0.
    static MCTime GetUnitsAsTime(int unit);

private:
    unsigned char m_irregular = 3;
    unsigned char m_normal = 2;
    unsigned char m_units = 3;   // the eighth
};
