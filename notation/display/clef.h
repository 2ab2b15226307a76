// DCctClef: the display object of a clef (ECClef), a child of a staff measure.
//
// It draws the clef's glyph on its staff line, places itself at the start of
// the measure (a clef at the start of the piece sits in the prologue's clef
// slot) or inside it, and is the staff's authority on pitch: the MIDI pitches
// of its top, middle and bottom lines, the pitch at a staff position under a
// key signature, and how far a written pitch lies from the middle line.
//
// Clef types (the owner's clef type byte):
//   type  clef                glyph  line  top  middle  reference degree
//   0     treble               38     3    77    71     F
//   1     treble 8va          160     3    89    83     F
//   2     treble 8vb           86     3    65    59     F
//   3     bass                 63     1    57    50     A
//   4     bass 8va            114     1    69    62     A
//   5     bass 8vb            116     1    45    38     A
//   6     tenor                66     1    64    57     E
//   7     alto                 66     2    67    60     G
//   8     drum                214     2    29    23     (the percussion map)
//   9+    none                  0  (kept)   0     0     F
// The staff line counts down from the top line. The bottom line is the top
// line - 13 for every type: the line pitches are spelled from these keys
// before anything counts steps, so bass, tenor and alto read 13 as well.
//
// State-word bit 20 is the full-size flag (set by construction); a clef that
// is not full size (a clef inside a measure) is drawn at three quarters of
// the music font's point size.
//
// Archive form: the DCctBase head alone. The copy keeps the source's whole
// state word, transient bits included, as a clef copied with its measure
// shows as it did.
//
// The run-time class record names DCBase as the base; code reaches the
// DCctBase part by C++ casts. Ownership and threads as DCctBase.
#pragma once

#include "notation/display/base.h"

class DCctKey;
class ECClef;
class MCPitch;

class DCctClef : public DCctBase {
    DECLARE_SERIAL(DCctClef)
public:
    enum : BYTE {
        CLEF_TREBLE = 0,
        CLEF_TREBLE_8VA = 1,
        CLEF_TREBLE_8VB = 2,
        CLEF_BASS = 3,
        CLEF_BASS_8VA = 4,
        CLEF_BASS_8VB = 5,
        CLEF_TENOR = 6,
        CLEF_ALTO = 7,
        CLEF_DRUM = 8,
        CLEF_NONE = 9,   // and every type above
    };
    static constexpr int FULL_SIZE_BIT = 20;

    // Staff line 0, full size.
    DCctClef();
    // The base copy, then the source's whole state word and its staff line.
    DCctClef(const DCctClef& other);
    ~DCctClef() override;

    // The glyph measured in `dc` at the normal size, then drawn; the
    // rectangle is not used. 1.
    int DrawInRect(CDC* dc, CRect* rect) override;
    // The glyph on its staff line at GetPosition + point, snapped to a device
    // pixel (moved to the lower staff for a lower-staff clef). 1.
    int Draw(CDC* dc, CPoint point, CRect* clip) override;
    // At the start of the piece: on the conductor ruler's clef slot; else
    // where the conductor ruler puts a clef inside the measure. y 0. 0 when
    // the measure, its conductor measure or that one's display is missing.
    int Position(ECConductor* conductor, ECStaff* staff, ECMeasure* measure, ECBase* parent) override;
    // The base frame moved down to the staff line (and to the lower staff).
    void GetFrame(CRect* rect, int selector) override;
    UINT GetFontFromType() override;

    BYTE GetTopLineMidiPitch();
    BYTE GetMiddleLineMidiPitch();
    BYTE GetBottomLineMidiPitch();
    // The pitch at a staff position (half spaces from the top line, up) under
    // `key`; a null key reads as one without accidentals.
    BYTE StaffLineToMidiPitch(short position, DCctKey* key);
    // Diatonic steps between the middle line and the pitch (never negative).
    int GetDistanceFromMiddleLine(MCPitch& pitch);
    // 1 when the pitch sits in a space (always on the drum clef), 0 on a line.
    int InSpace(MCPitch& pitch);

    int IsFullSize() const { return Bit(FULL_SIZE_BIT); }
    void SetFullSize(int on) { SetBit(FULL_SIZE_BIT, on); }

    // The pitch a position gives on a clef of `type` (the same rules as
    // StaffLineToMidiPitch, for callers holding only a clef type).
    static BYTE StaffLineToMidiPitch(BYTE type, short position, DCctKey* key);
    static BYTE TopLineMidiPitch(BYTE type);
    static BYTE MiddleLineMidiPitch(BYTE type);

protected:
    // The line the clef sits on, refreshed from the type.
    BYTE GetStaffLine();
    // The owner's clef type (CLEF_NONE without an owner) and hand.
    BYTE GetType();
    BYTE GetHand();
    // The left-hand offset of the measure above a lower-staff clef; 0 for
    // the upper staff or without a measure display.
    int LowerStaffOffset();

private:
    BYTE m_staffLine = 0;
};
