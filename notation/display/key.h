// DCctKey: the display object of a key signature (ECKey), a child of a staff
// measure.
//
// It holds the key as a key code, builds the list of accidentals to draw
// (which ones, in which order, at which height for the clef in force),
// measures and draws them, and gives the rest of the notation the key's pitch
// vector: the semitone of each degree C to B with the key's sharps or flats
// applied. The clef turns staff positions into pitches with it; spelling and
// guessing read it.
//
// Key codes (tag_keysignature): 1-7 major keys of 7 to 1 sharps, 8 C major,
// 9-15 major keys of 1 to 7 flats; 16-22 minor keys of 7 to 1 sharps, 23 A
// minor, 24-30 minor keys of 1 to 7 flats; 131-137 custom keys of 1 to 7
// accidentals from a list given with the code; 0 draws nothing; every other
// code has no accidentals. Accidental types (tag_accidentals): 0-6 the sharps
// on F C G D A E B, 7-13 the flats on B E A D G C F, in that order.
//
// Layout, with h the notehead height: accidental i stands i x h right of the
// key's left edge, at its degree's height from the top line for the clef in
// force (folded into the staff as the engraving custom has it); the list and
// the vector are rebuilt by Assemble, so the vector follows the assembled
// list.
//
// State-word bit 20 is the cancel-previous-key flag: the key is drawn as
// naturals cancelling the key before, adds nothing to the vector and is not
// repeated at system starts.
//
// Archive form: the DCctBase head, then the key code (4 bytes). A custom code
// read from a file has no list of its own and assembles with no accidentals.
// A copy starts as construction does (C major, nothing assembled).
//
// Ownership and threads as DCctBase; the custom list is the key's own copy.
#pragma once

#include "notation/display/base.h"

#include <cstdint>
#include <span>
#include <vector>

enum tag_keysignature : int32_t {
    KEY_NONE = 0,
    KEY_C_MAJOR = 8,
    KEY_A_MINOR = 23,
    KEY_CUSTOM_FIRST = 131,
    KEY_CUSTOM_LAST = 137,
};

enum tag_accidentals : int32_t {
    ACC_SHARP_F = 0,
    ACC_SHARP_B = 6,
    ACC_FLAT_B = 7,
    ACC_FLAT_F = 13,
    ACC_TYPE_COUNT = 14,
};

class DCctKey : public DCctBase {
    DECLARE_SERIAL(DCctKey)
public:
    static constexpr int CANCEL_BIT = 20;

    // Key flavours.
    enum : int { FLAVOR_NONE = 0, FLAVOR_SHARPS = 1, FLAVOR_FLATS = 2, FLAVOR_OTHER = 3 };
    // Music-font glyphs of the accidentals.
    enum : BYTE { GLYPH_SHARP = 35, GLYPH_FLAT = 98, GLYPH_NATURAL = 110 };
    // The clef byte that means: look the clef in force up.
    static constexpr BYTE CLEF_LOOK_UP = 9;

    // One accidental to draw: x from the key's left edge, y from the top
    // line (y up), its glyph and type.
    struct Accidental {
        int32_t x = 0;
        int32_t y = 0;
        BYTE glyph = 0;
        int32_t type = 0;
    };

    // C major, clef looked up, no custom list, nothing assembled, not cancelling.
    DCctKey();
    // The base copy; the key itself starts as construction makes it.
    DCctKey(const DCctKey& other);
    ~DCctKey() override;

    void Serialize(CArchive& ar) override;
    // Sets the frame and assemble kinds and draws at the key's position.
    int DrawInRect(CDC* dc, CRect* rect) override;
    // Each accidental at GetPosition + point (not snapped: the glyphs keep
    // their spacing at every zoom) on the top line. 1.
    int Draw(CDC* dc, CPoint point, CRect* clip) override;
    // Assembles, then stands on the conductor ruler's key slot, y 0. 0 when
    // the measure, its conductor measure or that one's display is missing.
    int Position(ECConductor* conductor, ECStaff* staff, ECMeasure* measure, ECBase* parent) override;
    // When the frame kind is set and there are accidentals: measures the
    // sharp (the flat for a flat key) in `dc` and spans the list.
    void SetSize(CDC* dc) override;
    // When the assemble kind is set: the list for the key code and the clef.
    void Assemble() override;
    // From the key's x, the metrics' width and height down from its top.
    void GetFrame(CRect* rect, int selector) override;

    // From a signed count (sharps positive, flats negative) and the mode
    // (1 minor); 8 to 12 sharps read as 4 to 0 flats and the reverse. Clears
    // the custom list, assembles, and marks frame and the general dirty bit.
    void SetKey(int sharps, int minor);
    // A code and, for custom codes, its list (copied); then as above. Give
    // the list as a span: a braced {} would pick the count form.
    void SetKey(tag_keysignature code, std::span<const tag_accidentals> custom);
    tag_keysignature GetKeyCode() const { return m_key; }
    // The clef type to lay out for; CLEF_LOOK_UP finds the one in force.
    void SetClef(BYTE clefType) { m_clef = clefType; }
    BYTE GetClef() const { return m_clef; }

    // The accidentals the code has (a custom code: as many as its list gives).
    int GetAccidentalCount();
    int GetKeyDegree();
    // 0, 2, 4, 5, 7, 9, 11: the semitones of C D E F G A B.
    static const signed char* GetDiatonicVector();
    // The diatonic vector with the assembled accidentals applied.
    const signed char* GetKeyVector();
    int GetXOfLastAccidental();
    void ReInitMembers() { m_accidentals.clear(); }
    // The owner's hand (1: the lower staff of a grand staff).
    BYTE GetHand();

    const std::vector<Accidental>& GetAccidentals() const { return m_accidentals; }
    int IsCancelPreviousKey() const { return Bit(CANCEL_BIT); }
    void SetCancelPreviousKey(int on) { SetBit(CANCEL_BIT, on); }

    // The key code table.
    static int NumberOfAccidentals(int code);
    static int KeyFlavor(int code);
    static int KeyDegree(int code);

protected:
    // The clef type in force for the layout: the stored one, else the one
    // at the owner's time on its staff for its hand; CLEF_LOOK_UP when none.
    BYTE ClefInForce();
    // The left-hand offset of the measure above a lower-staff key.
    int LowerStaffOffset();

private:
    tag_keysignature m_key = KEY_C_MAJOR;
    BYTE m_clef = CLEF_LOOK_UP;
    std::vector<tag_accidentals> m_custom;   // the custom code's list, own copy
    int32_t m_glyphHeight = 0;
    std::vector<Accidental> m_accidentals;
    signed char m_keyVector[7] = {};
};
