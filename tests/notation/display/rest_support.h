// What the rest tests share: a one-measure score (4/4 unless given) whose
// conductor measure holds a spaced ruler (its beats entered, then spaced), the music font at a
// known notehead height, and rests of a voice added to the measure with their
// display objects.
#pragma once

#include "model/meter.h"
#include "model/notes.h"
#include "notation/display/rest.h"
#include "tests/notation/display/display_support.h"
#include "tests/notation/display/measure_support.h"

namespace rest_test {

constexpr int NOTEHEAD = 12;

class RestScore {
public:
    explicit RestScore(int kind = 0, int numerator = 4, int denominator = 4)
        : m_font(NOTEHEAD), m_score(kind, 1), m_meter(static_cast<unsigned char>(numerator),
                                                      static_cast<unsigned char>(denominator), 255) {
        m_column = m_score.ColumnDisplay(1);
        m_measure = m_score.Display(1);
        m_measure->SetPosition(0, 0);
        m_measure->SetSize(nullptr);
        MCRuler& ruler = m_column->ruler;
        ruler.CreateDivMarks(&m_meter, 64);
        pulse = ruler.GetGroupPulse(0);
        for (WORD tick = 0; tick < m_meter.GetTicksPerMeasure(256); tick = static_cast<WORD>(tick + pulse))
            ruler.SetDivOccupied(ruler.GetDivMarkForTick(tick, pulse), 1, 0, 0, pulse, pulse);
        ruler.CleanUpRuler();
        h = MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_CURRENT);
    }

    // A rest of `ticks` at `start` in `voice` of staff 1, its display made.
    DCctRest* Add(int ticks, int start = 0, int voice = 0) {
        ECMeasure* measure = m_score.Measure(1);
        auto* rest = new ECRest;
        rest->SetVoiceTrack(voice, 1);
        rest->SetTime(measure->GetTime());
        measure->AddChild(rest, 1);
        measure_test::RegistryCell cell(ET_REST, RUNTIME_CLASS(DCctRest));
        auto* display = dynamic_cast<DCctRest*>(rest->GetData(DK_NOTATION, 1));
        display->SetValue(static_cast<WORD>(ticks));
        display->SetBase(pulse, pulse);
        display->SetTickStart(static_cast<WORD>(start));
        display->SetTickDuration(static_cast<WORD>(ticks));
        return display;
    }

    MCRulerRuler& Ruler() { return m_column->ruler; }
    DCctMeasure* Measure() { return m_measure; }
    measure_test::Score& Score() { return m_score; }

    int h = 0;
    WORD pulse = 256;   // the meter's beat: the rests' base

private:
    MusicFontScope m_font;
    measure_test::LinksScope m_links;
    measure_test::Score m_score;
    ECMeter m_meter;
    measure_test::StandInColumn* m_column = nullptr;
    DCctMeasure* m_measure = nullptr;
};

}  // namespace rest_test
