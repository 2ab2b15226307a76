// DCctChordSymbol: the notation display object of a chord symbol
// (ECChordSymbol), a child of a measure, shown above its staff.
//
// Everything it shows comes from the event's chord word: the root (bits 0-7),
// the bass (8-15, 0 none), the chord type (16-23) and what to show (bit 24
// the name, bit 25 the chart). The name is spelled root letter, root
// accidental, quality, extension, bass letter, bass accidental, with no
// separator before the bass; its "b", "#", "o" and "+" are drawn as music
// glyphs. The chart is one character of the chart font: a base by the root's
// pitch class (enharmonic roots share their charts) plus the type's offset.
// The frame runs from the position up by the name's height and, with the
// chart, three noteheads more; it is as wide as the wider of the two.
//
// The only state of its own is the name text, rebuilt by SetSize while the
// frame kind is dirty: whoever changes the chord word sets that kind.
// The chord types' names (the chord picker lists them) are the strings
// IDS_CHORD_TYPE_FIRST + type.
//
// Every operation that changes a font (colour, size) puts it back and
// deselects it before returning.
// Archive form: the DCctBase head only. Ownership and threads as DCctBase.
#pragma once

#include "notation/display/base.h"

#include <string>

// The name of chord type 0 ("Major"); type t is this + t, for the 19 types.
constexpr unsigned IDS_CHORD_TYPE_FIRST = 14120;

class DCctChordSymbol : public DCctBase {
    DECLARE_SERIAL(DCctChordSymbol)
public:
    // Bits of the chord word that say what is shown.
    static constexpr uint32_t SHOW_NAME = 1u << 24;
    static constexpr uint32_t SHOW_CHART = 1u << 25;
    // The first character of the chart font and the charts a root has.
    static constexpr UINT CHART_FIRST = 33;
    static constexpr UINT CHARTS_PER_ROOT = 18;
    static constexpr int CHORD_TYPE_COUNT = 19;

    DCctChordSymbol();
    // The DCctBase copy and the source's name text.
    DCctChordSymbol(const DCctChordSymbol& other);
    ~DCctChordSymbol() override;

    // A sample centred in `rect`, the chart font's height taken from the
    // rectangle's; the chart font is put back. 1.
    int DrawInRect(CDC* dc, CRect* rect) override;
    // The chart (when shown) and then the name (when shown). 1.
    int Draw(CDC* dc, CPoint point, CRect* clip) override;
    // Centred on its time in its measure, at the space above its staff. 0
    // without a staff, conductor measure or measure display; else 1.
    int Position(ECConductor* conductor, ECStaff* staff, ECMeasure* measure, ECBase* parent) override;
    // The name rebuilt and measured, and the chart's box, when the frame kind
    // is dirty. Measured on `dc`, or on a screen-like context without one.
    void SetSize(CDC* dc) override;
    // The chart font's character of the root and type.
    UINT GetFontFromType() override;

    // The name as last built by SetSize.
    const std::string& GetName() const { return m_name; }
    // The name of chord type `type` (string IDS_CHORD_TYPE_FIRST + type);
    // empty outside the 19 types.
    static std::string GetTypeName(int type);

protected:
    // The parts of the name, from the owner's chord word; empty strings for
    // codes outside the tables.
    std::string GetRoot();
    std::string GetRootAccidental();
    std::string GetFlavor();
    std::string GetExtension();
    std::string GetBass();
    std::string GetBassAccidental();
    // Draw's two steps: `height` accumulates what is drawn above the
    // position, `width` receives the width drawn.
    void DrawName(CDC* dc, CPoint point, int& height, int& width);
    void DrawGrid(CDC* dc, CPoint point, int& height, int& width);

private:
    // The owner's chord word; 0 without an owner.
    uint32_t GetChordWord();

    std::string m_name;
};
