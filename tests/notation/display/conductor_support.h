// What the conductor tests share: a piece (performance, conductor, staves and
// measures) whose display objects come from the conductor classes, with
// stand-ins for the staff measure and mirror displays installed through the
// conductor measure's links, and the data registry and links put back
// afterwards.
#pragma once

#include "model/eventtypes.h"
#include "model/plugin.h"
#include "notation/display/conductor.h"
#include "notation/display/conductormeasure.h"
#include "notation/layout/ruler.h"
#include "tests/model/piece_support.h"

#include <utility>
#include <vector>

// A staff measure's display as the conductor measure sees it: a ruler, an end,
// a multi-measure count and the ledger room below its staff.
class FakeMeasureDisplay : public DCctBase {
    DECLARE_DYNCREATE(FakeMeasureDisplay)
public:
    FakeMeasureDisplay();
    MCRuler ruler;
    int measureEnd = -1;
    int collapsed = -1;
    int legerBelow = 0;
};

// A mirror's display: what it was told to show.
class FakeMirrorDisplay : public DCctBase {
    DECLARE_DYNCREATE(FakeMirrorDisplay)
public:
    DCctBase* shown = nullptr;
    int prolog = -1;
    int location = -1;
    bool told = false;
};

// One registry cell set for a scope.
class RegistryCell {
public:
    RegistryCell(int type, const CRuntimeClass* cls)
        : m_cell(CPluginData::GetDataClass(DK_NOTATION, type)), m_previous(m_cell) {
        m_cell = cls;
    }
    ~RegistryCell() { m_cell = m_previous; }
    RegistryCell(const RegistryCell&) = delete;
    RegistryCell& operator=(const RegistryCell&) = delete;

private:
    const CRuntimeClass*& m_cell;
    const CRuntimeClass* m_previous;
};

class ConductorPieceTest : public piece::PieceTest {
protected:
    // Each ruler the measure ruler's mirror handler was given, with the mirror.
    struct MirrorEntry {
        MCRuler* ruler;
        ECBase* mirror;
    };
    static std::vector<MirrorEntry>& MirrorEntries();

    void SetUp() override;
    void TearDown() override;

    // Staves 1..count, of the given kinds (0 when not given), with `measures`
    // measures each; the staff ruler sized to them, staff i at -2000 x i.
    void MakePiece(int staves, int measures, std::vector<int> kinds = {});

    ECConductorMeasure* Column(int number) {
        return static_cast<ECConductorMeasure*>(ConductorStaff()->GetMeasure(0, number));
    }
    DCctConductorMeasure* Display(int number) {
        return dynamic_cast<DCctConductorMeasure*>(Column(number)->GetData(DK_NOTATION, 1));
    }
    DCctConductorStaff* StaffDisplay() {
        return dynamic_cast<DCctConductorStaff*>(ConductorStaff()->GetData(DK_NOTATION, 1));
    }
    ECMeasure* Measure(int staff, int number) { return Column(number)->GetMeasureOnTrack(staff); }
    FakeMeasureDisplay* MeasureDisplay(int staff, int number) {
        return dynamic_cast<FakeMeasureDisplay*>(Measure(staff, number)->GetData(DK_NOTATION, 1));
    }

private:
    std::vector<std::unique_ptr<RegistryCell>> m_cells;
    DCctConductorMeasure::ExternalLinks m_links;
};
