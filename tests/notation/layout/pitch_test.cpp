// Spelling keys as written notes: the preference table and its fallback,
// spelling on a degree, respelling, the percussion map, comparisons and the
// user-spelled bit that copies never take.
#include "notation/layout/pitch.h"

#include <gtest/gtest.h>

namespace {

enum { C, D, E, F, G, A, B };

struct Spelled {
    int degree, accidental, octave;
};

Spelled Of(const MCPitch& p) { return {p.GetDegree(), p.GetAccidental(), p.GetOctave()}; }

void ExpectSpelled(const MCPitch& p, Spelled want, const std::string& what) {
    const Spelled got = Of(p);
    EXPECT_EQ(got.degree, want.degree) << what;
    EXPECT_EQ(got.accidental, want.accidental) << what;
    EXPECT_EQ(got.octave, want.octave) << what;
}

TEST(PitchTest, DefaultIsADirtyShownNaturalCOnKeyZero) {
    MCPitch p;
    EXPECT_EQ(p.IsDirty(), 1);
    EXPECT_EQ(p.ShowAccidental(), 1);
    ExpectSpelled(p, {C, 0, 0}, "default");
    EXPECT_EQ(p.GetMidiPitch(), 0);
    EXPECT_EQ(p.IsUserSpelled(), 0);
    EXPECT_EQ(p.IsPercussion(), 0);
}

TEST(PitchTest, SetPitchSpellsByPreferenceAndFallsBackOneStepSharper) {
    const struct {
        int key, preference;
        Spelled want;
    } cases[] = {
        {61, 0, {C, 1, 5}},     // row 0 has none: the sharp
        {60, 1, {B, 1, 4}},     // B sharp belongs to the octave below
        {71, -1, {C, -1, 6}},   // C flat to the octave above
        {60, -1, {C, 0, 5}},    // row -1 has none: natural
        {62, -2, {E, -2, 5}},
        {64, 2, {D, 2, 5}},
        {67, 1, {F, 2, 5}},     // row +1 has none: F double sharp
        {60, 2, {B, 1, 4}},     // double sharp has no sharper row: the sharp
        {63, 2, {D, 1, 5}},
        {70, 2, {A, 1, 5}},
        {127, -2, {A, -2, 10}},
        {0, 1, {C, 0, 0}},      // B sharp would need octave -1: natural
        {1, 2, {C, 1, 0}},      // B double sharp likewise: the sharp
    };
    for (const auto& c : cases) {
        MCPitch p;
        p.SetPitch(static_cast<uint8_t>(c.key), static_cast<signed char>(c.preference), 0);
        ExpectSpelled(p, c.want, std::to_string(c.key) + " at " + std::to_string(c.preference));
        EXPECT_EQ(p.GetMidiPitch(), c.key);
        EXPECT_EQ(p.IsDirty(), 0);
        EXPECT_EQ(p.ShowAccidental(), 0);
    }
}

TEST(PitchTest, SetPitchByDegreeMovesToADegreeWithinTwoAccidentals) {
    const struct {
        int key, degree;
        Spelled want;
    } cases[] = {
        {61, G, {B, 2, 4}},    // G needs six sharps, A four: B double sharp, octave below
        {60, C, {C, 0, 5}},
        {60, B, {B, 1, 4}},
        {60, D, {D, -2, 5}},
        {60, E, {D, -2, 5}},   // E would need four flats: one degree down
        {71, C, {C, -1, 6}},   // C flat of the octave above
        {66, F, {F, 1, 5}},
        {66, A, {G, -1, 5}},   // A would need three flats: G flat
    };
    for (const auto& c : cases) {
        MCPitch p;
        p.SetShowAccidental(0);
        p.SetPitchByDegree(static_cast<uint8_t>(c.key), static_cast<uint8_t>(c.degree));
        ExpectSpelled(p, c.want, std::to_string(c.key) + " on " + std::to_string(c.degree));
        EXPECT_EQ(p.ShowAccidental(), 1);
        EXPECT_EQ(p.IsDirty(), 0);
    }
}

TEST(PitchTest, ToggleEnharmonicRespellsTheSameKey) {
    const struct {
        int key, preference;
        Spelled want;
    } cases[] = {
        {61, 1, {D, -1, 5}},    // C sharp -> D flat
        {61, -1, {C, 1, 5}},    // D flat -> C sharp
        {65, 1, {F, 0, 5}},     // E sharp -> F
        {67, 2, {G, 0, 5}},     // F double sharp -> G
        {60, -2, {C, 0, 5}},    // D double flat -> C
        {64, 0, {F, -1, 5}},    // E -> F flat
        {71, 0, {C, -1, 6}},    // B -> C flat, octave above
        {62, 0, {D, 0, 5}},     // other naturals stay
    };
    for (const auto& c : cases) {
        MCPitch p(static_cast<uint8_t>(c.key), static_cast<signed char>(c.preference));
        p.SetUserSpelled(1);
        p.ToggleEnharmonic();
        ExpectSpelled(p, c.want, std::to_string(c.key) + " at " + std::to_string(c.preference));
        EXPECT_EQ(p.GetMidiPitch(), c.key);
        EXPECT_EQ(p.IsUserSpelled(), 1);
    }
    MCPitch sharp(61, 1);
    sharp.ToggleEnharmonic();
    sharp.ToggleEnharmonic();
    ExpectSpelled(sharp, {C, 1, 5}, "twice");
}

TEST(PitchTest, PercussionMapPlacesKeysAndAnswersStaffDegrees) {
    const struct {
        int key, staffDegree, notehead, voice;
    } entries[] = {
        {36, 10, 0, 1}, {44, 8, 1, 1}, {38, 14, 0, 0}, {31, 18, 1, 0}, {56, 22, 2, 0},
        {0, 17, 0, 0}, {100, 17, 0, 0}, {120, 0, 0, 0}, {127, 0, 0, 0},
    };
    for (const auto& e : entries) {
        MCPitch p(static_cast<uint8_t>(e.key), 0);
        p.SetPercussion(1);
        EXPECT_EQ(p.IsPercussion(), 1);
        EXPECT_EQ(p.GetStaffDegree(), e.staffDegree) << e.key;
        EXPECT_EQ(p.GetNoteheadFromPercussionPitch(), e.notehead) << e.key;
        EXPECT_EQ(p.GetVoiceFromPercussionPitch(), e.voice) << e.key;
    }
    MCPitch kick(36, 0);
    kick.SetPercussion(1);
    EXPECT_EQ(kick.GetOctave(), 1);
    EXPECT_EQ(kick.GetDegree(), F);
    kick.SetPercussion(0);
    EXPECT_EQ(kick.IsPercussion(), 0);
    EXPECT_EQ(kick.GetStaffDegree(), 10);   // clearing the bit leaves the place

    const struct {
        int staffDegree, key;
    } keys[] = {{17, 42}, {14, 38}, {16, 48}, {18, 31}, {10, 35}, {22, 56}, {99, 60}, {0, 120}};
    for (const auto& k : keys)
        EXPECT_EQ(MCPitch::StaffDegreeToMidiPitch(static_cast<uint8_t>(k.staffDegree)), k.key) << k.staffDegree;
}

// Reaches the protected entry setter; restores the entry it changes.
struct PercussionMapEditor : MCPitch {
    static void Set(unsigned key, uint8_t degree, uint8_t notehead, int voice) {
        SetPercussionMapEntry(key, degree, notehead, voice);
    }
};

TEST(PitchTest, PercussionMapEntryStoresTheStaffDegreeAsLookupsReadIt) {
    PercussionMapEditor::Set(100, 25, 3, 1);
    PercussionMapEditor::Set(128, 30, 1, 0);   // ignored
    MCPitch p(100, 0);
    p.SetPercussion(1);
    EXPECT_EQ(p.GetStaffDegree(), 25);
    EXPECT_EQ(p.GetNoteheadFromPercussionPitch(), 3);
    EXPECT_EQ(p.GetVoiceFromPercussionPitch(), 1);
    EXPECT_EQ(MCPitch::StaffDegreeToMidiPitch(25), 100);
    EXPECT_EQ(MCPitch::StaffDegreeToMidiPitch(30), 60);
    PercussionMapEditor::Set(100, 17, 0, 0);
}

TEST(PitchTest, ComparisonsByKeyThenDegreeOrForPercussionByPlace) {
    const MCPitch bSharp(60, 1);   // B sharp 4
    const MCPitch c(60, 0);        // C 5
    EXPECT_TRUE(bSharp > c);
    EXPECT_TRUE(c < bSharp);
    EXPECT_FALSE(bSharp == c);
    EXPECT_TRUE(bSharp != c);
    EXPECT_TRUE(c <= MCPitch(60, 0));
    EXPECT_TRUE(c >= MCPitch(60, -1));
    EXPECT_TRUE(MCPitch(59, 0) < c);

    // Percussion: the left operand decides; the keys are not compared.
    MCPitch snare(38, 0), sideStick(37, 0);
    snare.SetPercussion(1);
    sideStick.SetPercussion(1);   // both on staff degree 14
    EXPECT_TRUE(snare == sideStick);
    EXPECT_TRUE(snare <= sideStick);
    EXPECT_FALSE(snare < sideStick);
    MCPitch plain37(37, 0);
    plain37.SetDegree(14);
    EXPECT_TRUE(snare == plain37);          // percussion on the left: by place
    EXPECT_FALSE(plain37 == snare);         // plain on the left: by key
    EXPECT_TRUE(plain37 < snare);
}

TEST(PitchTest, CopiesNeverTakeTheUserSpelledBit) {
    MCPitch user(61, -1);
    user.SetUserSpelled(1);
    user.SetDirty(1);
    user.SetPercussion(1);

    MCPitch copy(user);
    EXPECT_EQ(copy.IsUserSpelled(), 0);
    EXPECT_EQ(copy.IsDirty(), 1);
    EXPECT_EQ(copy.IsPercussion(), 1);
    EXPECT_EQ(copy.GetMidiPitch(), 61);
    EXPECT_EQ(copy.GetStaffDegree(), user.GetStaffDegree());

    MCPitch target(70, 0);
    target.SetUserSpelled(1);
    target = MCPitch(61, 1);
    EXPECT_EQ(target.IsUserSpelled(), 1);   // assignment keeps the target's
    ExpectSpelled(target, {C, 1, 5}, "assigned");
    MCPitch plain;
    plain = user;
    EXPECT_EQ(plain.IsUserSpelled(), 0);
}

TEST(PitchTest, FieldSettersKeepTheirWidths) {
    MCPitch p(60, 0);
    p.SetOctave(0x1F);
    EXPECT_EQ(p.GetOctave(), 15);
    p.SetDegree(40);   // octave 5, degree A
    EXPECT_EQ(p.GetOctave(), 5);
    EXPECT_EQ(p.GetDegree(), A);
    p.SetAccidental(-2);
    EXPECT_EQ(p.GetAccidental(), -2);
    p.SetShowAccidental(2);
    EXPECT_EQ(p.ShowAccidental(), 0);
    EXPECT_EQ(p.GetMidiPitch(), 60);
}

}  // namespace
