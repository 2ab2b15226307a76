// Laying out measures: 10,000 measures of four staves with sixteenth-note
// content (40,000 staff measures), each staff measure's ruler built for 4/4 at
// resolution 64 (from the template table after the first), its marks entered,
// and the four mediated into the measure's conductor ruler (the first taken
// over, each later one spaced by the spacing pass and merged), which is then
// set to its width. Staff measures per second are the items per second; the whole
// must stay under 100 ms.
#include "model/meter.h"
#include "notation/layout/rulerruler.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

constexpr int MEASURES = 10000;
constexpr int STAVES = 4;

NoteheadMetrics ScreenNotehead() { return {156, 120}; }

// Sixteenths on every mark, entered as the notes enter them: occupied, a
// sixteenth's length, a notehead's extent to the right.
void EnterSixteenths(MCRuler& ruler) {
    const auto count = static_cast<MCRuler::WORD>(ruler.GetRulerGroup()[0].marks.size());
    for (MCRuler::WORD mark = 0; mark < count; ++mark)
        ruler.SetDivOccupied(mark, 1, 0, 156, 64, 256);
}

void BM_RulersOf40000StaffMeasures(benchmark::State& state) {
    const NoteheadMetricsSource previous = SetNoteheadMetricsSource(ScreenNotehead);
    ECMeter meter(4, 4, 0);
    std::vector<MCRuler> staves(static_cast<size_t>(MEASURES) * STAVES);
    std::vector<MCRulerRuler> conductors(MEASURES);
    for (auto _ : state) {
        for (int m = 0; m < MEASURES; ++m) {
            MCRulerRuler& conductor = conductors[m];
            conductor.ReInitRuler();
            for (int s = 0; s < STAVES; ++s) {
                MCRuler& staff = staves[static_cast<size_t>(m) * STAVES + s];
                staff.ReInitRuler();
                staff.CreateDivMarks(&meter, 64);
                EnterSixteenths(staff);
                if (conductor.GetNumberOfRulerGroups() == 0)
                    conductor = staff;
                else
                    conductor.MediateRulers(staff);
            }
            conductor.SetWidth(static_cast<short>(conductor.GetMediatedWidth() + 100), 0);
        }
        benchmark::DoNotOptimize(conductors.back().GetWidth());
    }
    state.SetItemsProcessed(state.iterations() * MEASURES * STAVES);
    SetNoteheadMetricsSource(previous);
}
BENCHMARK(BM_RulersOf40000StaffMeasures)->Unit(benchmark::kMillisecond);

}  // namespace
