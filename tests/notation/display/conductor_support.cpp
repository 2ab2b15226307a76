// The conductor tests' piece and stand-ins.
#include "tests/notation/display/conductor_support.h"

IMPLEMENT_DYNCREATE(FakeMeasureDisplay, DCctBase)
IMPLEMENT_DYNCREATE(FakeMirrorDisplay, DCctBase)

FakeMeasureDisplay::FakeMeasureDisplay() {
    MCMusicFont::MusicFontMetrics box;
    box.SetHeight(480);   // four spaces of 120
    SetMetrics(box);
}

std::vector<ConductorPieceTest::MirrorEntry>& ConductorPieceTest::MirrorEntries() {
    static std::vector<MirrorEntry> entries;
    return entries;
}

void ConductorPieceTest::SetUp() {
    PieceTest::SetUp();
    const std::pair<int, const CRuntimeClass*> cells[] = {
        {ET_CONDUCTOR, RUNTIME_CLASS(DCctConductor)},
        {ET_CONDUCTORMEASURE, RUNTIME_CLASS(DCctConductorMeasure)},
        {ET_CONDUCTORSTAFF, RUNTIME_CLASS(DCctConductorStaff)},
        {ET_MEASURE, RUNTIME_CLASS(FakeMeasureDisplay)},
        {ET_MIRROR, RUNTIME_CLASS(FakeMirrorDisplay)},
        {ET_REST, RUNTIME_CLASS(DCctBase)},
        {ET_KEY, RUNTIME_CLASS(DCctBase)},
        {ET_CLEF, RUNTIME_CLASS(DCctBase)},
    };
    for (const auto& [type, cls] : cells)
        m_cells.push_back(std::make_unique<RegistryCell>(type, cls));
    m_links = DCctConductorMeasure::Links();
    MirrorEntries().clear();
    auto& links = DCctConductorMeasure::Links();
    links.measureRuler = [](DCctBase* d) -> MCRuler* { return &static_cast<FakeMeasureDisplay*>(d)->ruler; };
    links.setMeasureEnd = [](DCctBase* d, int w) { static_cast<FakeMeasureDisplay*>(d)->measureEnd = w; };
    links.setCollapsedMeasure = [](DCctBase* d, int n) { static_cast<FakeMeasureDisplay*>(d)->collapsed = n; };
    links.legerHeightBelow = [](DCctBase* d) { return static_cast<FakeMeasureDisplay*>(d)->legerBelow; };
    links.setMirror = [](DCctBase* d, DCctBase* shown, int prolog, int location) {
        auto* mirror = static_cast<FakeMirrorDisplay*>(d);
        mirror->told = true;
        mirror->shown = shown;
        mirror->prolog = prolog;
        mirror->location = location;
    };
    links.doMirror = [](MCRuler& ruler, ECBase* mirror, int) {
        MirrorEntries().push_back({&ruler, mirror});
        return 1;
    };
}

void ConductorPieceTest::TearDown() {
    PieceTest::TearDown();
    DCctConductorMeasure::Links() = m_links;
    m_cells.clear();
}

void ConductorPieceTest::MakePiece(int staves, int measures, std::vector<int> kinds) {
    MakeStaves(staves);
    MakeMeasures(measures);
    for (int i = 0; i < static_cast<int>(kinds.size()); ++i)
        Staff(i + 1)->SetStaffType(static_cast<unsigned char>(kinds[i]));
    MCStaffRuler& ruler = StaffDisplay()->GetRuler();
    ruler.Init(staves);
    for (int i = 0; i < staves; ++i)
        ruler.SetStaffY(i, -2000 * i);
}
