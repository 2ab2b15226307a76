// DCctTempo: the notation display object of a tempo mark (ECTempo, a child
// of the conductor staff).
//
// It shows the tempo's text (a named tempo shows its name) in the expression
// font over the first staff at the tempo's time and, when asked, a metronome
// mark after it: a note of the beat's value, a dot for a dotted beat, an
// equals sign and the tempo in the music font's small digits, bracketed when
// it follows the text, drawn at three quarters of the music font's size.
// Type 1 (the plain tempo a MIDI file brings) always shows its mark, so an
// imported score shows its tempos. The pauses (fermata, type 24, and
// caesura, type 29) are one music glyph centred on their time: a fermata
// above the system, or below it when its location bit says so.
//
// Class bits of the state word: 20 the metronome mark shown with the text,
// 21 location (0 above, 1 below; only pauses read it). Both clear at
// construction; a copy takes the whole state word.
//
// Every path that resizes or recolours the music or expression font puts it
// back before it returns. Archive form: the DCctBase head alone (the bits
// travel in its state word). Ownership and threads as DCctBase.
#pragma once

#include "notation/display/base.h"

#include <string>

class ECConductorStaff;
class ECTempo;

class DCctTempo : public DCctBase {
    DECLARE_SERIAL(DCctTempo)
public:
    enum TempoBit : int { BIT_BEAT_EQUALS = 20, BIT_LOCATION = 21 };
    enum Location : int { LOCATION_ABOVE = 0, LOCATION_BELOW = 1 };
    // The tempo types drawn as one glyph.
    enum : BYTE { TEMPO_PLAIN = 1, TEMPO_FERMATA = 24, TEMPO_CAESURA = 29 };
    // Music glyphs of the tempo mark.
    enum : UINT {
        GLYPH_DEFAULT = 101,          // an eighth note: every type but the pauses
        GLYPH_FERMATA_ABOVE = 85,
        GLYPH_FERMATA_BELOW = 117,
        GLYPH_CAESURA = 34,
        GLYPH_AUGMENTATION_DOT = 107,
        GLYPH_EQUALS = 200,
    };

    DCctTempo();
    DCctTempo(const DCctTempo& other);
    ~DCctTempo() override;

    // Without text the base's sample; with text the text (and mark) centred
    // in `rect`, the text at half the rectangle's height. The expression
    // font is put back.
    int DrawInRect(CDC* dc, CRect* rect) override;
    // A pause as its glyph; else the text, then the metronome mark when bit 20
    // is set or the type is 1. 1.
    int Draw(CDC* dc, CPoint point, CRect* clip) override;
    // Over the first staff at the tempo's time (a pause centred on it, a
    // pause located below under the last shown staff); 0 without a conductor
    // staff or a display object of the conductor measure at the time.
    int Position(ECConductor* conductor, ECStaff* staff, ECMeasure* measure, ECBase* parent) override;
    // When the frame is dirty: a pause its glyph's box; else the text's
    // extent, widened by the mark's when bit 20 is set; type 1 without bit 20
    // the mark's width over the eighth note's box. Measured on `dc`, or on a
    // screen-like context without one.
    void SetSize(CDC* dc) override;
    UINT GetFontFromType() override;

    void SetExpressionWithBeatEquals(int on, int /*unused*/) { SetBit(BIT_BEAT_EQUALS, on); }
    int GetExpressionWithBeatEquals() const { return Bit(BIT_BEAT_EQUALS); }
    void SetLocation(int location, int /*unused*/) { SetBit(BIT_LOCATION, location); }
    int GetLocation() const { return Bit(BIT_LOCATION); }

    // The owner's type byte; 0 without an owner.
    BYTE GetType();
    static bool IsPause(BYTE type) { return type == TEMPO_FERMATA || type == TEMPO_CAESURA; }
    // The owner's text (a named type's name when it has none).
    std::string GetExpression(int unused = 0);
    // 0 for a pause, else 1 when the text is not empty.
    int IsExpression(BYTE type);
    // The metronome mark as music-font codes, one byte each: note, dot for a
    // dotted beat, equals, the tempo's digits (truncated; none from 1000 on);
    // in brackets with bit 20. Empty inside for a beat the note table lacks.
    std::string GetBeatEquals();
    // The owner's first parent that is the conductor staff, or null.
    ECConductorStaff* FindStaffParent();

private:
    ECTempo* GetTempo();
};
