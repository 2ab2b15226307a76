// What the tempo and flow-control tests share: one system laid out by hand,
// as pagination would leave it. Staves of given kinds with 4/4 measures side
// by side; every display object of its own class; the conductor measures
// MEASURE_WIDTH wide from x LEFT, their rulers divided, their y SYSTEM_Y;
// staff n's top line STAFF_STEP x (n - 1) below the system's; room above
// the first staff and below each one. Drawn on a canvas of ten logical units
// a pixel whose row 0 is logical y 0.
#pragma once

#include "model/conductor.h"
#include "model/conductorstaff.h"
#include "model/eventtypes.h"
#include "model/meter.h"
#include "notation/display/conductor.h"
#include "notation/display/conductormeasure.h"
#include "notation/display/flowcontrol.h"
#include "notation/display/measure.h"
#include "notation/display/tempo.h"
#include "notation/layout/staffruler.h"
#include "tests/model/piece_support.h"
#include "tests/notation/display/marks_support.h"
#include "tests/notation/display/measure_support.h"

#include <memory>
#include <vector>

namespace system_test {

using namespace marks_test;
using measure_test::RegistryCell;

constexpr int LEFT = 1000;
constexpr int MEASURE_WIDTH = 2400;
constexpr int SYSTEM_Y = -2000;
constexpr int STAFF_STEP = -2400;     // room for a grand staff (14 spaces) and a gap
constexpr int SPACE_ABOVE = 700;      // over the first staff's top line
constexpr int SPACE_BELOW = -1100;    // the area below a staff, from its top line

class SystemTest : public piece::PieceTest {
protected:
    // Lays out `staves` staves (of `kinds`, 0 where not given) with
    // `measures` measures.
    void Lay(int staves, int measures, const std::vector<int>& kinds = {}) {
        MakeStaves(staves);
        MakeMeasures(measures);
        for (size_t i = 0; i < kinds.size(); ++i)
            Staff(static_cast<int>(i) + 1)->SetStaffType(static_cast<unsigned char>(kinds[i]));
        MCStaffRuler& ruler = StaffDisplay()->GetRuler();
        ruler.Init(staves);
        for (int i = 0; i < staves; ++i) {
            ruler.SetStaffY(i, STAFF_STEP * i);
            ruler.SetSpaceBelow(i, SPACE_BELOW);
        }
        ruler.SetSpaceAbove(0, SPACE_ABOVE);
        ECMeter meter{4, 4, 255};
        for (int number = 1; number <= measures; ++number) {
            DCctConductorMeasure* column = ColumnDisplay(number);
            column->CreateDivMarks(&meter, 64);
            column->SetWidth(MEASURE_WIDTH, 1);
            column->SetPosition(ColumnX(number), SYSTEM_Y);
            for (int n = 1; n <= staves; ++n) {
                DCctMeasure* measure = MeasureDisplay(n, number);
                measure->SetFrameDirty(1);
                measure->SetSize(nullptr);
                measure->SetWidth(MEASURE_WIDTH);
                measure->SetPosition(ColumnX(number), StaffTop(n));
            }
        }
    }

    static int ColumnX(int number) { return LEFT + MEASURE_WIDTH * (number - 1); }
    static int StaffTop(int n) { return SYSTEM_Y + STAFF_STEP * (n - 1); }
    MCTime MeasureTime(int number) { return *Column(number)->GetTime(); }

    ECConductorMeasure* Column(int number) {
        return static_cast<ECConductorMeasure*>(ConductorStaff()->GetMeasure(0, number));
    }
    DCctConductorStaff* StaffDisplay() {
        return dynamic_cast<DCctConductorStaff*>(ConductorStaff()->GetData(DK_NOTATION, 1));
    }
    DCctConductorMeasure* ColumnDisplay(int number) {
        return dynamic_cast<DCctConductorMeasure*>(Column(number)->GetData(DK_NOTATION, 1));
    }
    DCctMeasure* MeasureDisplay(int staff, int number) {
        return dynamic_cast<DCctMeasure*>(Column(number)->GetMeasureOnTrack(staff)->GetData(DK_NOTATION, 1));
    }

    // A canvas over the whole system: logical (0, 0) at device (0, 0).
    static std::unique_ptr<TenthCanvas> SystemCanvas(int measures, int staves) {
        const int width = (LEFT + MEASURE_WIDTH * measures) / SCALE + 60;
        const int height = (-StaffTop(staves) + 4000) / SCALE;
        return std::make_unique<TenthCanvas>(width, height, 0, 0);
    }

    MusicFontScope font{NOTEHEAD};
    RegistryCell condStaffCell{ET_CONDUCTORSTAFF, RUNTIME_CLASS(DCctConductorStaff)};
    RegistryCell columnCell{ET_CONDUCTORMEASURE, RUNTIME_CLASS(DCctConductorMeasure)};
    RegistryCell measureCell{ET_MEASURE, RUNTIME_CLASS(DCctMeasure)};
    RegistryCell tempoCell{ET_TEMPO, RUNTIME_CLASS(DCctTempo)};
    RegistryCell flowCell{ET_FLOWCONTROL, RUNTIME_CLASS(DCctFlowControl)};
};

}  // namespace system_test
