// What the ruler tests share: the music font's notehead as the font measures
// it at 96 dpi in mode 0 on a one-unit-per-pixel DC (width 156, height 120),
// installed for the test's lifetime, a meter by fraction, and a 32/4 bar
// whose notes are entered by span of time.
#pragma once

#include "model/meter.h"
#include "notation/layout/ruler.h"
#include "notation/layout/rulermetrics.h"

inline NoteheadMetrics ScreenNotehead() { return {156, 120}; }

class NoteheadScope {
public:
    explicit NoteheadScope(NoteheadMetricsSource source = ScreenNotehead)
        : m_previous(SetNoteheadMetricsSource(source)) {}
    ~NoteheadScope() { SetNoteheadMetricsSource(m_previous); }
    NoteheadScope(const NoteheadScope&) = delete;
    NoteheadScope& operator=(const NoteheadScope&) = delete;

private:
    NoteheadMetricsSource m_previous;
};

// Notehead width 156: the division unit is 39 and the prologue's slots start at 78.
constexpr int kUnit = 39;
constexpr int kPrologEnd = 78;

// A staff's 32/4 bar at resolution 64 (128 marks, a sixteenth apart): notes
// of `ticks` each from `from` up to `to` (ticks at 256 a quarter), marked
// as the rulers action marks them. The notehead source must be installed first.
struct LongBar {
    static constexpr int MARKS = 128;
    static constexpr int TICKS = 32 * 256;
    ECMeter meter{32, 4, 255};
    MCRuler ruler;
    LongBar() { ruler.CreateDivMarks(&meter, 64); }
    LongBar& Notes(int ticks, int from = 0, int to = TICKS) {
        for (int tick = from; tick < to; tick += ticks)
            ruler.SetDivOccupied(static_cast<MCRuler::WORD>(tick / 64), 1, 0, 0, static_cast<MCRuler::WORD>(ticks),
                                 256);
        return *this;
    }
};
