// What the ruler tests share: the music font's notehead as the font measures
// it at 96 dpi in mode 0 on a one-unit-per-pixel DC (width 156, height 120),
// installed for the test's lifetime, and a meter by fraction.
#pragma once

#include "model/meter.h"
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
