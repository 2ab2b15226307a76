// DCctPedal and DCctTranspose: the notation display objects of a sustain
// pedal mark (ECPedal) and of an octave transposition mark (ECTranspose),
// both hung under their staff and holding over the element's time and
// duration.
//
// A pedal runs under the staff, on the level the conductor staff's ruler
// keeps below it: types 0 and 1 show the sign "Ped." at the start and a
// release sign at the end (42, or 222 for type 1); type 2 is a bracket line
// with a hook at each end that opens where the line crosses a system end.
// Types above 2 have no glyph: they draw nothing, their frame stays
// unmeasured and no hit test lands on them.
//
// A transposition shows its octave sign at the start (195, 215, 219, or
// none for other types) and, while it lasts, a dotted line 2h above its
// pieces ending in a hook (down for types 0 and 2, up for the others). It
// stands above the highest of the staff's notes and chords in its range, or
// for type 1 below the lowest, each on the stem's side when the stem points
// that way. A transposition of no duration draws its sign alone, its frame
// as wide as the sign.
//
// Both are one piece per system they cross (DCctSplit), rebuilt at every
// Position; an end that falls on the barline closing a system, or past the
// last measure, ends at that system's right edge. Bit 20 (split) follows
// every positioning: set when the pieces lie in more than one system,
// cleared otherwise. Neither clears its own position-dirty bit; both leave
// the frame to SetSize.
//
// Samples (DrawInRect) draw in the music font at five thirds of the
// rectangle's height; the score's font, colour and glyph caches come back.
//
// Archive form: the DCctSplit form (the DCctBase head alone). Ownership and
// threads as DCctBase.
#pragma once

#include "notation/display/split.h"

class DCctMeasure;
class ECConductor;
class ECStaff;
class MCEventList;
class MCTime;

class DCctPedal : public DCctSplit {
    DECLARE_SERIAL(DCctPedal)
public:
    // Pedal types (ECPedal::GetPedalType).
    enum : BYTE { PEDAL_RELEASE_STAR = 0, PEDAL_RELEASE_CODA = 1, PEDAL_BRACKET = 2 };
    // Music glyphs.
    enum : UINT { GLYPH_PEDAL = 161, GLYPH_RELEASE = 42, GLYPH_RELEASE_CODA = 222 };

    DCctPedal();
    DCctPedal(const DCctPedal& other);
    ~DCctPedal() override;

    // ---- virtual operations -------------------------------------------------

    // Type 2: a closed bracket over the middle half of the rectangle; other
    // types: the sign at the left and the release sign at the right, across
    // the rectangle's middle. 1.
    int DrawInRect(CDC* dc, CRect* rect) override;
    // The signs, or the bracket for type 2. 1; 64 for a type without glyph.
    int Draw(CDC* dc, CPoint origin, CRect* clip) override;
    // 1 when placed; 0 without the staff, the conductor, or a display object
    // of the measures it covers.
    int Position(ECConductor* conductor, ECStaff* staff, ECMeasure* measure, ECBase* parent) override;
    // With a glyph, a piece and the frame dirty: type 2 the first piece's
    // width, h high, its top h above the line; types 0 and 1 the box of the
    // sign, widened to the first piece's end plus a release sign.
    void SetSize(CDC* dc) override;
    // 161 for types 0 to 2, else 0.
    UINT GetFontFromType() override;
    int AdjustForFont(int height) override { return AdjustForSmallFont(height); }

    // The owner's type; 0 without an owner.
    BYTE GetType();
    // The offset, from a staff's top line, of the area below the staff
    // before it (staff number n - 1 in the conductor staff's ruler): the
    // level a pedal under staff n stands on. 0 without the conductor staff's
    // display or the ruler's record. The measure is not read.
    int GetPedalYAdjust(ECConductor* conductor, ECStaff* staff, ECMeasure* measure);
    // The point of `time` on staff `track`, on the pedal's level; (0, 0)
    // without the staff measure (see DCctSplit::GetStaffPointAtTime).
    CPoint GetPedalPosition(ECConductor* conductor, ECStaff* staff, int track, const MCTime& time,
                            DCctMeasure** staffMeasure = nullptr);

    // The two drawing forms; the music font selected.
    void DrawSymbol(CDC* dc, CPoint origin, CRect* clip);
    void DrawGraphic(CDC* dc, CPoint origin, CRect* clip);
};

class DCctTranspose : public DCctSplit {
    DECLARE_SERIAL(DCctTranspose)
public:
    // Transposition types (ECTranspose::GetTransposeType).
    enum : BYTE { TRANSPOSE_OCTAVE_UP = 0, TRANSPOSE_OCTAVE_DOWN = 1, TRANSPOSE_TWO_OCTAVES_UP = 2 };
    // Music glyphs.
    enum : UINT { GLYPH_OCTAVE_UP = 195, GLYPH_OCTAVE_DOWN = 215, GLYPH_TWO_OCTAVES_UP = 219 };

    DCctTranspose();
    DCctTranspose(const DCctTranspose& other);
    ~DCctTranspose() override;

    // ---- virtual operations -------------------------------------------------

    // The sign centred in the rectangle (DrawGlyphInRect). 1.
    int DrawInRect(CDC* dc, CRect* rect) override;
    // The sign, then for a duration the dotted line and its hook. 1.
    int Draw(CDC* dc, CPoint origin, CRect* clip) override;
    // 1 when placed; 0 without the staff, the conductor, or a display object
    // of the measures it covers.
    int Position(ECConductor* conductor, ECStaff* staff, ECMeasure* measure, ECBase* parent) override;
    // With a glyph and the frame dirty: the sign's box; the frame is clean
    // once there is a piece. Without a duration the piece becomes as wide as
    // the sign, which has no line to carry its frame.
    void SetSize(CDC* dc) override;
    // 195, 215, 219 for types 0 to 2, else 0.
    UINT GetFontFromType() override;
    int AdjustForFont(int height) override { return AdjustForSmallFont(height); }

    // The owner's type; 0 without an owner.
    BYTE GetType();
    // How far the mark stands from its staff's level: for type 1 the lowest
    // of the notes and chords (its stem end when the stem points down, else
    // its head), for the others the highest (its stem end when the stem
    // points up); 0 for a list without any.
    int GetYAdjust(MCEventList& notes);
    // 0: the height comes from the notes (GetYAdjust).
    int GetTransposeYAdjust(ECStaff*, ECMeasure*) { return 0; }
    // The point of `time` on staff `track`: the staff measure's top line,
    // for types other than 0 and 2 less the staff measure's height; (0, 0)
    // without the staff measure.
    CPoint GetTransposePosition(ECConductor* conductor, ECStaff* staff, int track, const MCTime& time,
                                DCctMeasure** staffMeasure = nullptr);

private:
    // Whether the line's hook turns down (types 0 and 2).
    static bool HookDown(BYTE type) { return type == TRANSPOSE_OCTAVE_UP || type == TRANSPOSE_TWO_OCTAVES_UP; }
    int HasDuration();
};
