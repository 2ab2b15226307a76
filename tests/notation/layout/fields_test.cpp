// The packed layout fields: where each accessor's bits lie, widths kept,
// initial values, and copies that take values but never dirty or override bits.
#include "notation/layout/fields.h"

#include <gtest/gtest.h>

namespace {

// The raw flag word, read through the base's protected member.
template <class Field>
uint32_t WordOf(const Field& f) {
    struct Peek : Field {
        static uint32_t Get(const Field& x) { return x.*(&Peek::m_flags); }
    };
    return Peek::Get(f);
}

TEST(FieldsTest, EachOneBitAccessorOwnsItsBit) {
    const struct {
        const char* name;
        void (*set)(FCBeam&, int);
        uint32_t bit;
    } beam[] = {
        {"direction", [](FCBeam& f, int v) { f.SetDirection(v); }, 1u << 2},
        {"direction override", [](FCBeam& f, int v) { f.SetDirectionOverride(v); }, 1u << 3},
        {"direction dirty", [](FCBeam& f, int v) { f.SetDirectionDirty(v); }, 1u << 4},
        {"break secondary", [](FCBeam& f, int v) { f.SetBreakSecondary(v); }, 1u << 5},
        {"beam rests", [](FCBeam& f, int v) { f.SetBeamRests(v); }, 1u << 6},
        {"flare", [](FCBeam& f, int v) { f.SetFlare(v); }, 1u << 7},
        {"flare direction", [](FCBeam& f, int v) { f.SetFlareDirection(v); }, 1u << 8},
        {"midway", [](FCBeam& f, int v) { f.SetMidway(v); }, 1u << 9},
        {"user", [](FCBeam& f, int v) { f.SetUser(v); }, 1u << 10},
    };
    for (const auto& c : beam) {
        FCBeam f;
        c.set(f, 3);   // bit 0 of the argument
        EXPECT_EQ(WordOf(f), 1u | c.bit) << c.name;
        c.set(f, 2);
        EXPECT_EQ(WordOf(f), 1u) << c.name;
    }
    const struct {
        const char* name;
        void (*set)(FCStem&, int);
        int (*get)(const FCStem&);
        uint32_t bit;
    } stem[] = {
        {"length dirty", [](FCStem& f, int v) { f.SetLengthDirty(v); }, [](const FCStem& f) { return f.IsLengthDirty(); }, 1u << 0},
        {"length override", [](FCStem& f, int v) { f.SetLengthOverride(v); }, [](const FCStem& f) { return f.IsLengthOverride(); }, 1u << 1},
        {"direction dirty", [](FCStem& f, int v) { f.SetDirectionDirty(v); }, [](const FCStem& f) { return f.IsDirectionDirty(); }, 1u << 2},
        {"direction override", [](FCStem& f, int v) { f.SetDirectionOverride(v); }, [](const FCStem& f) { return f.IsDirectionOverride(); }, 1u << 3},
        {"side dirty", [](FCStem& f, int v) { f.SetSideDirty(v); }, [](const FCStem& f) { return f.IsSideDirty(); }, 1u << 4},
        {"side override", [](FCStem& f, int v) { f.SetSideOverride(v); }, [](const FCStem& f) { return f.IsSideOverride(); }, 1u << 5},
        {"direction", [](FCStem& f, int v) { f.SetDirection(v); }, [](const FCStem& f) { return f.GetDirection(); }, 1u << 6},
        {"side", [](FCStem& f, int v) { f.SetSide(v); }, [](const FCStem& f) { return f.GetSide(); }, 1u << 7},
        {"lock", [](FCStem& f, int v) { f.SetLock(v); }, [](const FCStem& f) { return f.IsLocked(); }, 1u << 24},
    };
    for (const auto& c : stem) {
        FCStem f;
        c.set(f, 0);
        const uint32_t cleared = WordOf(f);
        EXPECT_EQ(cleared & c.bit, 0u) << c.name;
        EXPECT_EQ(c.get(f), 0) << c.name;
        c.set(f, 1);
        EXPECT_EQ(WordOf(f), cleared | c.bit) << c.name;
        EXPECT_EQ(c.get(f), 1) << c.name;
    }
    FCNotehead n;
    n.SetPositionOverride(1);
    n.SetNoteheadOverride(1);
    n.SetStyleOverride(1);
    n.SetGrace(1);
    EXPECT_EQ(WordOf(n), 0x1u | 0x4 | 0x8 | 0x10 | 0x20 | 0x40 | 0x80 | (1u << 24));
}

TEST(FieldsTest, InitialValues) {
    EXPECT_EQ(WordOf(FCBeam()), 0x1u);
    const FCNotehead n;
    EXPECT_EQ(WordOf(n), 0x1u | 0x4 | 0x10 | 0x40);
    EXPECT_EQ(n.IsPositionDirty(), 1);
    EXPECT_EQ(n.IsNoteheadDirty(), 1);
    EXPECT_EQ(n.IsStyleDirty(), 1);
    const FCStem s;
    EXPECT_EQ(WordOf(s), 0x1u | 0x4 | 0x10);
    EXPECT_EQ(s.IsLengthDirty(), 1);
    EXPECT_EQ(s.IsDirectionDirty(), 1);
    EXPECT_EQ(s.IsSideDirty(), 1);
}

TEST(FieldsTest, MultiBitFieldsKeepTheirWidthAndTheirNeighbours) {
    FCNotehead n;
    n.SetNotehead(9);
    n.SetStyle(0xA5);
    n.SetPosition(0x1F);
    EXPECT_EQ(n.GetPosition(), 15);
    EXPECT_EQ(n.GetNotehead(), 9);
    EXPECT_EQ(n.GetStyle(), 0xA5);
    n.SetNotehead(0x13);
    EXPECT_EQ(n.GetNotehead(), 3);
    EXPECT_EQ(n.GetPosition(), 15);
    EXPECT_EQ(WordOf(n) & 0xFF, 0x1u | 0x4 | 0x10 | 0x40);   // flags untouched

    FCStem s;
    s.SetLength(200);
    s.SetFraction(7);
    EXPECT_EQ(s.GetLength(), 200);
    EXPECT_EQ(s.GetFraction(), 7);
    s.SetLength(0);
    EXPECT_EQ(s.GetFraction(), 7);
    EXPECT_EQ(s.IsLengthDirty(), 1);
}

TEST(FieldsTest, CopiesTakeValuesAndKeepTheTargetsFlags) {
    FCStem dirty;
    dirty.SetLength(120);
    dirty.SetFraction(3);
    dirty.SetDirection(1);
    dirty.SetSide(1);
    dirty.SetLock(1);
    dirty.SetLengthOverride(1);
    dirty.SetDirectionOverride(1);

    FCStem clean;
    clean.SetLengthDirty(0);
    clean.SetDirectionDirty(0);
    clean.SetSideDirty(0);
    clean = dirty;
    EXPECT_EQ(clean.IsLengthDirty(), 0);
    EXPECT_EQ(clean.IsDirectionDirty(), 0);
    EXPECT_EQ(clean.IsSideDirty(), 0);
    EXPECT_EQ(clean.IsLengthOverride(), 0);
    EXPECT_EQ(clean.IsDirectionOverride(), 0);
    EXPECT_EQ(clean.IsLocked(), 0);
    EXPECT_EQ(clean.GetLength(), 120);
    EXPECT_EQ(clean.GetFraction(), 3);
    EXPECT_EQ(clean.GetDirection(), 1);
    EXPECT_EQ(clean.GetSide(), 1);

    // Constructed copies start from the base alone: dirty, nothing overridden.
    const FCStem constructed(dirty);
    EXPECT_EQ(WordOf(constructed), 0x1u | 0x40 | 0x80 | (120u << 8) | (3u << 16));

    FCBeam beam;
    beam.SetDirection(1);
    beam.SetBreakSecondary(1);
    beam.SetBeamRests(1);
    beam.SetFlare(1);
    beam.SetFlareDirection(1);
    beam.SetMidway(1);
    beam.SetUser(1);
    beam.SetDirectionOverride(1);
    beam.SetDirectionDirty(1);
    beam.SetOverride(1);
    FCBeam beamTarget;
    beamTarget.SetDirty(0);
    beamTarget.SetFlareDirection(0);
    beamTarget = beam;
    EXPECT_EQ(WordOf(beamTarget), 0x4u | 0x20 | 0x40 | 0x80 | 0x200 | 0x400);
    EXPECT_EQ(WordOf(FCBeam(beam)), 0x1u | 0x4 | 0x20 | 0x40 | 0x80 | 0x200 | 0x400);

    FCNotehead head;
    head.SetPosition(5);
    head.SetNotehead(2);
    head.SetStyle(9);
    head.SetGrace(1);
    head.SetPositionOverride(1);
    FCNotehead headTarget;
    headTarget.SetStyleDirty(0);
    headTarget = head;
    EXPECT_EQ(WordOf(headTarget), 0x1u | 0x4 | 0x10 | (5u << 8) | (2u << 12) | (9u << 16) | (1u << 24));
    EXPECT_EQ(WordOf(FCNotehead(head)), 0x1u | (5u << 8) | (2u << 12) | (9u << 16) | (1u << 24));
}

}  // namespace
