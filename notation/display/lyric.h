// DCctLyric: the notation display object of one lyric syllable (ECLyric),
// hanging under its measure at a time (or, in an older document, under its
// note in the measure): drawn in the lyric font, centred under the note at
// its time, on the lyric line of its staff.
//
// A lyric is a text (its text, style flags and box bit are the text
// display's); it adds no field. The measure's ruler gives the syllable room
// (MCRuler::DoLyric, defined here): the mark nearest its time is kept clear
// for half its width, and half a notehead, on each side.
//
// The lyric font is set to the event's colour and style for one operation
// and put back afterwards.
// Archive form: the DCctBase head only. Ownership and threads as DCctBase.
#pragma once

#include "notation/display/text.h"

class DCctLyric : public DCctText {
    DECLARE_SERIAL(DCctLyric)
public:
    DCctLyric();
    DCctLyric(const DCctLyric& other);
    ~DCctLyric() override;

    // The syllable (boxed first when its box bit is set). 1.
    int Draw(CDC* dc, CPoint point, CRect* clip) override;
    // Centred under the head at the ruler mark nearest its time, on the
    // measure's lyric line; 0 without a measure, its conductor measure or
    // that one's display.
    int Position(ECConductor* conductor, ECStaff* staff, ECMeasure* measure, ECBase* parent) override;
    // The text's extent in the lyric font.
    void SetSize(CDC* dc) override;

    // The lyric's time less its measure's, at 256 ticks a quarter; 0
    // without a measure.
    WORD GetTickStart(int mode);
    // A lyric's tick start is its time's: nothing to set.
    void SetTickStart(WORD) {}

protected:
    // The first measure among the owner's parents, else the measure its
    // note parent stands in; null when neither.
    ECMeasure* FindMeasureParent();
};
