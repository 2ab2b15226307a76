// DCctMeter: the notation display object of a meter (ECMeter, a child of the
// conductor staff), drawn in the meter slot of a measure's prologue.
//
// A meter shows in one of four forms: the common-time or cut-time symbol (one
// music-font glyph, drawn with its reference point two staff spaces below
// the top line), one fraction, or lists: numerators over one denominator,
// joined by the "+" glyph (246), or a row of fractions with a "+" between
// them on the middle line. Numbers are the large digits of the music font
// (its characters "0" to "9"); a numerator stands on the upper half of the
// staff, a denominator on the lower half, the narrower of the two centred
// over the wider. Automatic notation sets the form from the meter event
// (SetMeter); SetSize lays out the display entries that Draw paints.
//
// Lists from a damaged file may pair unequal arrays: nothing is read past
// either, and a fraction without a denominator of its own takes the last one.
//
// Archive form: the DCctBase head, then the form (4 bytes, signed), the
// numerator and the denominator (a byte each). The lists and the display
// entries are not stored: after a load automatic notation sets the form
// again from the meter event.
//
// The measure ruler's meter handler (MCRuler::DoMeter, defined in meter.cpp)
// asks GetXOfLastNumerator for the room the meter takes.
//
// Ownership and threads as DCctBase.
#pragma once

#include "notation/display/base.h"

#include <cstdint>
#include <string>
#include <vector>

class MCMusicFont;

class ECMeter;

class DCctMeter : public DCctBase {
    DECLARE_SERIAL(DCctMeter)
public:
    enum tag_timesignaturetype : int32_t {
        TS_COMMON = 0,    // the common-time symbol
        TS_CUT = 1,       // the cut-time symbol
        TS_NUMBERS = 2,   // one numerator over one denominator
        TS_LISTS = 3,     // lists of numerators and denominators
    };

    // One drawn fraction, or a separator (odd places of a row of fractions).
    // Points are relative to the meter's drawing point; texts are music-font
    // character codes, one byte each.
    struct tag_displayMeter {
        int numerator = 0;
        int denominator = 0;
        CPoint numeratorPoint;
        CPoint denominatorPoint;
        std::string numeratorText;
        std::string denominatorText;
        std::string separatorText;
    };

    // Music-font characters.
    static constexpr UINT GLYPH_COMMON = 99;
    static constexpr UINT GLYPH_CUT = 67;
    static constexpr UINT GLYPH_SEPARATOR = 246;
    static constexpr UINT GLYPH_MEASURED_DIGIT = 53;   // "5": the width of one digit

    // One fraction, nothing set yet: a load or SetMeter comes before sizing.
    DCctMeter();
    // The DCctBase part and the form only; the rest starts as in a new object.
    DCctMeter(const DCctMeter& other);
    ~DCctMeter() override;

    void Serialize(CArchive& ar) override;
    // Draws at (0, 0) with the glyph caches kept clean; the rectangle is not used. 1.
    int DrawInRect(CDC* dc, CRect* rect) override;
    // The symbol at GetPosition + point two staff spaces down, snapped to a
    // device pixel; or the display entries, unsnapped. 1.
    int Draw(CDC* dc, CPoint point, CRect* clip) override;
    // At the meter slot of the prologue of the conductor measure at the
    // meter's time; 0 without that measure or its display object.
    int Position(ECConductor* conductor, ECStaff* staff, ECMeasure* measure, ECBase* parent) override;
    // When the frame kind is dirty: the symbol's box, or the display entries
    // laid out (nothing without a device context to measure in).
    void SetSize(CDC* dc) override;
    void Assemble() override {}
    // Symbols: the glyph's frame; numbers: from (GetX, GetY) right by the
    // width and down by the height.
    void GetFrame(CRect* rect, int selector) override;
    UINT GetFontFromType() override;
    int AdjustForFont(int height) override;

    // One fraction (the low bytes of both).
    void SetMeter(int numerator, int denominator);
    // A symbol form: 4/4 for common time, 2/2 for any other.
    void SetMeter(tag_timesignaturetype type);
    // Lists, copied.
    void SetMeter(const std::vector<unsigned char>& numerators, const std::vector<unsigned char>& denominators);
    // As `meter` reads: types 0 and 1 the common and cut time symbols, type 6
    // its lists, any other its one fraction.
    void SetMeter(const ECMeter& meter);

    // The x of the last numerator digit: 0 for the symbols; numerators over
    // one denominator: the width less one digit's; else the last entry's
    // numerator x (0 before the meter was sized).
    int GetXOfLastNumerator();

    tag_timesignaturetype GetMeterType() const { return m_type; }
    unsigned char GetNumerator() const { return m_numerator; }
    unsigned char GetDenominator() const { return m_denominator; }
    const std::vector<unsigned char>& GetNumerators() const { return m_numerators; }
    const std::vector<unsigned char>& GetDenominators() const { return m_denominators; }
    const std::vector<tag_displayMeter>& GetDisplayEntries() const { return m_display; }

protected:
    // Measures the entry's texts in the music font, centres the narrower
    // over the wider at x, puts the numerator on the upper and the
    // denominator on the lower half of the staff; the element takes the
    // wider width and four staff spaces of height.
    void CenterAndSizeNumeratorAndDenominator(MCMusicFont* font, CDC* dc, tag_displayMeter& entry, int x);
    void DestroyDisplayArray() { m_display.clear(); }
    // The fraction entries of the forms with numbers.
    void SizeNumbers(CDC* dc);

private:
    // Frame kind and the general dirty bit, after the form changed.
    void MarkChanged();

    tag_timesignaturetype m_type = TS_NUMBERS;
    unsigned char m_numerator = 0;
    unsigned char m_denominator = 0;
    std::vector<unsigned char> m_numerators;
    std::vector<unsigned char> m_denominators;
    std::vector<tag_displayMeter> m_display;   // rebuilt by SetSize
};
