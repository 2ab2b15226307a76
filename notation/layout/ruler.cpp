// MCRuler: construction, the marks of group 0 and their template table, meter
// and resolution changes, and the borrowed (tuplet) groups. Prologue,
// postlogue and the queries are in rulerquery.cpp.
#include "notation/layout/ruler.h"

#include "model/meter.h"
#include "notation/display/tuplet.h"
#include "notation/layout/digits.h"

#include <algorithm>

std::vector<MCRuler::RulerTemplate> MCRuler::s_template;

namespace {
NoteheadMetrics ZeroMetrics() { return {}; }
NoteheadMetricsSource g_metricsSource = ZeroMetrics;
}  // namespace

NoteheadMetricsSource SetNoteheadMetricsSource(NoteheadMetricsSource source) {
    NoteheadMetricsSource previous = g_metricsSource;
    g_metricsSource = source ? source : ZeroMetrics;
    return previous;
}

NoteheadMetrics GetRulerNoteheadMetrics() {
    return g_metricsSource();
}

// The group's end tick: one mark step past the last mark.
int MCRuler::EndTick(const RulerGroup& group) {
    if (group.marks.empty())
        return 0;
    const int step = group.marks.size() > 1 ? group.marks[1].tick : group.resolution;
    return group.marks.back().tick + step;
}

// ---- construction and reset -------------------------------------------------------

MCRuler::MCRuler() {
    const int w = GetNoteheadWidth();
    ResetSlots(m_prolog, 4);
    m_divisionUnit = static_cast<short>(w / 4);
    m_width = m_prolog[PROLOG_END].x + 3 * w;
}

MCRuler::MCRuler(const MCRuler& other) {
    AssignLayout(other);
}

MCRuler& MCRuler::operator=(const MCRuler& other) {
    if (this != &other)
        AssignLayout(other);
    return *this;
}

MCRuler::~MCRuler() = default;

void MCRuler::Serialize(CArchive&) {}

void MCRuler::AssignLayout(const MCRuler& other) {
    m_groups = other.m_groups;
    std::copy(std::begin(other.m_prolog), std::end(other.m_prolog), m_prolog);
    m_divisionUnit = other.m_divisionUnit;
    m_borrowedMultiple = other.m_borrowedMultiple;
    m_width = other.m_width;
    m_minimumWidth = other.m_minimumWidth;
}

void MCRuler::ResetSlots(PrologDiv* slots, int count) {
    const short half = static_cast<short>(GetNoteheadWidth() / 2);
    for (int i = 0; i < count; ++i)
        slots[i] = PrologDiv{static_cast<BYTE>(i), half, 0};
}

void MCRuler::ReInitRuler() {
    const int w = GetNoteheadWidth();
    m_groups.clear();
    ResetSlots(m_prolog, 4);
    m_divisionUnit = static_cast<short>(w / 2);
    m_borrowedMultiple = 1;
    m_width = m_minimumWidth = m_prolog[PROLOG_END].x + 3 * w;
    m_postlog.reset();
    m_clefGroup.reset();
    m_flags = kEmpty | kDirty;
    m_collapseCount = 0;
}

void MCRuler::ResetRuler() {
    if (m_groups.empty())
        return;
    ResetSlots(m_prolog, 4);
    RulerGroup& main = m_groups[0];
    for (size_t i = 0; i < main.marks.size(); ++i) {
        main.marks[i].x = static_cast<int>(i) * m_divisionUnit;
        main.marks[i].ClearMarking();
    }
    main.width = (main.marks.empty() ? 0 : main.marks.back().x) + m_divisionUnit;
    m_width = m_prolog[PROLOG_END].x + main.width;
    m_clefGroup.reset();
    for (size_t g = 1; g < m_groups.size(); ++g) {
        RulerGroup& group = m_groups[g];
        if (group.marks.empty())
            continue;
        for (RulerDiv& mark : group.marks)
            mark.ClearMarking();
        WORD L = 0, e = 0, f = 0;
        PrepareForUpdateBorrowed(group, L, e, f);
        UpdateBorrowedGroup(group, L, e, f, 0);
    }
    m_flags |= kEmpty | kDirty;
}

void MCRuler::ResetProlog() {
    const int before = m_prolog[PROLOG_END].x;
    ResetSlots(m_prolog, 4);
    m_width += m_prolog[PROLOG_END].x - before;
}

// ---- group lookup ------------------------------------------------------------------

MCRuler::RulerGroup* MCRuler::FindPulseGroup(WORD pulse) {
    if (pulse == ACTIVE_GROUP)
        return m_activeGroup < m_groups.size() ? &m_groups[m_activeGroup] : nullptr;
    for (RulerGroup& group : m_groups)
        if (group.pulse == pulse)
            return &group;
    return nullptr;
}

int MCRuler::FindPulseGroupIndex(WORD pulse) {
    if (pulse == ACTIVE_GROUP)
        return m_activeGroup;
    for (size_t i = 0; i < m_groups.size(); ++i)
        if (m_groups[i].pulse == pulse)
            return static_cast<int>(i);
    return 0;
}

// ---- group 0 and the template table --------------------------------------------------

void MCRuler::CreateDivMarks(ECMeter* meter, WORD resolution) {
    if (!meter || (!m_groups.empty() && !m_groups[0].marks.empty()))
        return;
    m_groups.resize(1);
    RulerGroup& main = m_groups[0];
    main.pulse = main.basePulse = GetPulse(meter);
    main.resolution = resolution;
    // A grid must divide its pulse: 48 in a 256-tick pulse becomes 16.
    if (resolution != 0 && main.pulse % resolution != 0)
        main.resolution = GreatestCommonDivisor(main.pulse, resolution);
    int index = 0;
    if (TemplateExists(meter, main.resolution, index)) {
        CopyTemplate(index);
        return;
    }
    _CreateDivMarks(meter, main.resolution, main.marks);
    InitDivPositions(main);
    main.width = static_cast<int>(main.marks.size()) * m_divisionUnit;
    m_width = m_minimumWidth = m_prolog[PROLOG_END].x + main.width;
    AddToTemplate(meter, main.resolution);
}

void MCRuler::_CreateDivMarks(ECMeter* meter, WORD resolution, std::vector<RulerDiv>& marks) {
    if (!meter || resolution == 0)
        return;
    if (marks.empty())
        marks.resize(meter->GetPulseTicks(256) / resolution * meter->GetNumerator());
    size_t index = 0;
    int tick = 0;
    for (int stress = 0; stress < meter->GetStressPulsesPerMeasure(); ++stress) {
        const int ticks = meter->GetStressTicks(stress, 256);
        const int pulses = meter->GetPulsesPerStress(stress);
        if (pulses == 0)
            return;
        const int perPulse = ticks / pulses / resolution;
        if (perPulse == 0)
            return;
        const int step = ticks / pulses / perPulse;
        for (int pulse = 0; pulse < pulses; ++pulse) {
            for (int m = 0; m < perPulse; ++m) {
                // A meter whose stresses outlast numerator x pulse (a composite
                // of mixed denominators) stops at the array's end.
                if (index >= marks.size())
                    return;
                RulerDiv& mark = marks[index++];
                mark.SetLevel(m != 0 ? 2 : pulse == 0 ? 0 : 1);
                mark.tick = static_cast<short>(tick);
                tick += step;
            }
        }
    }
}

void MCRuler::InitDivPositions(RulerGroup& group) {
    for (size_t i = 0; i < group.marks.size(); ++i) {
        group.marks[i].x = static_cast<int>(i) * m_divisionUnit;
        group.marks[i].SetRightExtent(m_divisionUnit);
    }
}

bool MCRuler::TemplateExists(ECMeter* meter, WORD resolution, int& index) const {
    for (size_t i = 0; i < s_template.size(); ++i) {
        const RulerTemplate& t = s_template[i];
        if (t.numerator == meter->GetNumerator() && t.denominator == meter->GetDenominator() &&
            t.resolution == resolution && t.divisionUnit == m_divisionUnit) {
            index = static_cast<int>(i);
            return true;
        }
    }
    return false;
}

void MCRuler::CopyTemplate(int index) {
    const RulerTemplate& t = s_template[index];
    RulerGroup& main = m_groups[0];
    main.marks = t.marks;
    std::copy(std::begin(t.prolog), std::end(t.prolog), m_prolog);
    m_divisionUnit = t.divisionUnit;
    m_borrowedMultiple = t.borrowedMultiple;
    m_width = t.width;
    m_minimumWidth = t.minimumWidth;
    // The table does not keep the group's width; it is what building gives,
    // so a ruler from the table spaces exactly as the one that filled it.
    main.width = static_cast<int>(main.marks.size()) * m_divisionUnit;
}

void MCRuler::AddToTemplate(ECMeter* meter, WORD resolution) {
    // The table is indexed by a byte: past 255 entries rulers are built each time.
    if (s_template.size() >= MAX_TEMPLATES)
        return;
    RulerTemplate t;
    t.marks = m_groups[0].marks;
    std::copy(std::begin(m_prolog), std::end(m_prolog), t.prolog);
    t.divisionUnit = m_divisionUnit;
    t.borrowedMultiple = m_borrowedMultiple;
    t.width = m_width;
    t.minimumWidth = m_minimumWidth;
    t.numerator = meter->GetNumerator();
    t.denominator = meter->GetDenominator();
    t.resolution = resolution;
    s_template.push_back(std::move(t));
}

int MCRuler::GetTemplateCount() {
    return static_cast<int>(s_template.size());
}

// ---- meter and resolution ------------------------------------------------------------

MCRuler::WORD MCRuler::GetPulse(ECMeter* meter) {
    if (!meter)
        return 0;
    switch (meter->GetMeterType()) {
    case 0:
    case 1:
    case 2: {
        const int pulses = meter->GetPulsesPerStress(0);
        return pulses ? static_cast<WORD>(meter->GetStressTicks(0, 256) / pulses) : 0;
    }
    case 3:
        return meter->GetStressTicks(0, 256);
    case 4:
    case 5:
        return meter->GetPulseTicks(256);
    case 6: {
        const int count = meter->GetStressPulsesPerMeasure();
        const WORD first = meter->GetStressTicks(0, 256);
        for (int i = 1; i < count; ++i)
            if (meter->GetStressTicks(i, 256) != first)
                return meter->GetPulseTicks(256);
        return count ? first : meter->GetPulseTicks(256);
    }
    default:
        return 256;
    }
}

int MCRuler::IsMeterSame(ECMeter* meter) {
    if (m_groups.empty())
        return 1;
    const RulerGroup& main = m_groups[0];
    if (main.resolution == 0 || main.pulse != GetPulse(meter))
        return 0;
    return main.marks.size() == size_t(meter->GetNumerator()) * (meter->GetPulseTicks(256) / main.resolution);
}

void MCRuler::ChangeMeter(ECMeter* meter, int keep) {
    const WORD pulse = GetPulse(meter);
    for (RulerGroup& group : m_groups)
        group.marks.clear();
    ResetProlog();
    if (!m_groups.empty()) {
        const WORD oldBase = m_groups[0].basePulse;
        if (keep == 1 && oldBase != 0) {
            for (RulerGroup& group : m_groups) {
                group.pulse = static_cast<WORD>(group.pulse * pulse / oldBase);
                group.basePulse = pulse;
                if (group.resolution != 0 && group.pulse % group.resolution != 0)
                    group.resolution = GreatestCommonDivisor(group.pulse, group.resolution);
            }
        } else {
            m_groups[0].pulse = m_groups[0].basePulse = pulse;
        }
    }
    CreateDivMarks(meter, m_groups.empty() ? 64 : m_groups[0].resolution);
}

void MCRuler::SetResolution(WORD resolution, WORD pulse) {
    RulerGroup* group = FindPulseGroup(pulse);
    if (!group || group->resolution == resolution || resolution == 0 || group->resolution == 0)
        return;
    const int r = group->resolution;
    const int oldCount = static_cast<int>(group->marks.size());
    const int newCount = oldCount * r / resolution;
    std::vector<RulerDiv>& marks = group->marks;
    if (r < resolution) {
        // Coarser: keep every (resolution / r)th mark.
        const int step = resolution / r;
        for (int c = 0; c < newCount && c * step < oldCount; ++c)
            marks[c] = marks[c * step];
        marks.resize(newCount);
    } else {
        // Finer: k new marks for each old one, the inserted ones spread
        // between their old neighbours (after the last, towards the measure end).
        const int k = r / resolution;
        std::vector<RulerDiv> finer(newCount);
        const int end = GetMarksEnd();
        for (int d = 0; d < oldCount; ++d) {
            if (k * d < newCount)
                finer[k * d] = marks[d];
            const int from = marks[d].x;
            const int to = d + 1 < oldCount ? marks[d + 1].x : end;
            for (int e = k * d + 1; e < k * (d + 1) && e < newCount; ++e) {
                RulerDiv& mark = finer[e];
                mark.x = from + Scale(e % k, k, to - from);
                mark.tick = static_cast<short>(e * resolution);
                mark.SetLevel(2);
            }
        }
        marks = std::move(finer);
    }
    group->resolution = resolution;
}

MCRuler::WORD MCRuler::GetResolution(WORD pulse) {
    const RulerGroup* group = FindPulseGroup(pulse);
    return group ? group->resolution : 64;
}

void MCRuler::SetActiveRuler(WORD pulse) {
    m_activeGroup = 0;
    if (pulse == 0)
        return;
    for (size_t i = 0; i < m_groups.size(); ++i) {
        if (m_groups[i].pulse == pulse) {
            m_activeGroup = static_cast<BYTE>(i);
            return;
        }
    }
}

// ---- borrowed groups -------------------------------------------------------------------

MCRuler::WORD MCRuler::GetBorrowedPulse(ECMeter* meter, int count) {
    if (m_groups.empty() || !meter)
        return 0;
    const int q = HighestPowerOfTwo(count, 0);
    // In a compound meter the pulse is a dotted value: q notes fill a third of it.
    const int divisor = meter->GetMeterType() == 3 ? 3 * (q / 2) : q;
    if (divisor == 0)
        return 0;
    return static_cast<WORD>(count * m_groups[0].pulse / divisor);
}

void MCRuler::AddBorrowedDivMarks(ECMeter* meter, int count, WORD resolution) {
    if (m_groups.empty())
        return;
    const WORD pulse = GetBorrowedPulse(meter, count);
    const WORD base = m_groups[0].pulse;
    const WORD passed = m_groups[0].resolution < resolution ? static_cast<WORD>(resolution / 2) : resolution;
    AddBorrowedDivMarks(meter, pulse, base, passed);
}

void MCRuler::AddBorrowedDivMarks(ECMeter* meter, WORD pulse, WORD base, WORD resolution) {
    if (m_groups.empty() || !meter || pulse == 0 || resolution == 0)
        return;
    if (RulerGroup* existing = FindPulseGroup(pulse)) {
        if (existing->resolution != resolution)
            SetResolution(resolution, pulse);
        return;
    }
    // Double the pulse with its base until the grid divides it; a grid with an
    // odd factor the pulse lacks never does, and adds no group.
    int d = pulse, e = base;
    while (d % resolution != 0) {
        d *= 2;
        e *= 2;
        if (d > 0xFFFF)
            return;
    }
    ECMeter borrowed;
    if (!DCctTuplet::GetBorrowedMeter(meter, &borrowed, e, d, resolution, -1))
        return;
    const int f = borrowed.GetDenominator();
    if (f == 0)
        return;
    int g = GetResolution(base);
    g = std::min(g, 1024 / f);
    const int h0 = m_groups[0].resolution;
    if (g == 0 || h0 == 0)
        return;
    const int l = (pulse % g == 0 ? pulse : d) / g;   // marks per borrowed pulse
    const int h = base / h0;                          // marks of group 0 per pulse
    if (h == 0)
        return;
    m_borrowedMultiple = static_cast<short>(
        LeastCommonMultiple(LeastCommonMultiple(m_borrowedMultiple, h), LeastCommonMultiple(m_borrowedMultiple, l)));
    RulerGroup added;
    added.pulse = pulse;
    added.basePulse = base;
    added.resolution = static_cast<WORD>(g);
    added.marks.resize(l * m_groups[0].marks.size() / h);
    _CreateDivMarks(&borrowed, added.resolution, added.marks);
    m_groups.push_back(std::move(added));
    UpdateBorrowedGroup(m_groups.back(), m_borrowedMultiple, h, l, 0);
    if (resolution != g)
        SetResolution(resolution, pulse);
}

void MCRuler::UpdateBorrowedGroup(RulerGroup& group, WORD L, WORD e, WORD f, WORD start) {
    if (e == 0 || f == 0 || m_groups.empty())
        return;
    const std::vector<RulerDiv>& main = m_groups[0].marks;
    const int stepMain = L / e;    // group 0's marks, in common units
    const int stepOwn = L / f;     // the borrowed marks, in common units
    if (stepMain == 0)
        return;
    std::vector<RulerDiv>& marks = group.marks;
    const int count = static_cast<int>(marks.size());
    int j = 0;
    for (size_t i = start; i < main.size() && j < count; ++i) {
        const int previous = i > 0 ? main[i - 1].x : 0;
        if (main[i].x == 0) {
            marks[j].x = 0;
            marks[j].tick = 0;
            ++j;
            continue;
        }
        for (; j < count && stepOwn * j < stepMain * static_cast<int>(i); ++j) {
            marks[j].x = previous + Scale(stepOwn * j % stepMain, stepMain, main[i].x - previous);
            marks[j].tick = static_cast<short>(j * group.resolution);
        }
    }
    if (main.empty())
        return;
    // Past group 0's last mark the rest run on towards the measure end.
    const int last = static_cast<int>(main.size()) - 1;
    const int from = main[last].x;
    const int end = GetMarksEnd();
    for (; j < count; ++j) {
        marks[j].x = from + Scale(stepOwn * j - stepMain * last, stepMain, end - from);
        marks[j].tick = static_cast<short>(j * group.resolution);
    }
}

void MCRuler::PrepareForUpdateBorrowed(RulerGroup& group, WORD& L, WORD& e, WORD& f) {
    L = e = f = 0;
    if (group.resolution == 0 || m_groups.empty() || m_groups[0].resolution == 0)
        return;
    int c = 1;
    while (c * group.pulse % group.resolution != 0) {
        c *= 2;
        if (c * group.pulse > 0xFFFF)
            return;
    }
    f = static_cast<WORD>(c * group.pulse / group.resolution);
    e = static_cast<WORD>(c * (group.basePulse / m_groups[0].resolution));
    L = LeastCommonMultiple(f, e);
    if (e != 0)
        group.marks.resize(m_groups[0].marks.size() * f / e);
}

void MCRuler::RemoveBorrowedDivMarks(WORD pulse) {
    // Group 0 is the meter's own and is never removed here.
    for (size_t i = 1; i < m_groups.size(); ++i) {
        if (m_groups[i].pulse != pulse)
            continue;
        m_groups.erase(m_groups.begin() + static_cast<long>(i));
        if (m_activeGroup >= m_groups.size())
            m_activeGroup = 0;
        WORD multiple = 1;
        for (const RulerGroup& group : m_groups) {
            if (group.resolution == 0)
                return;
            multiple = LeastCommonMultiple(multiple, static_cast<WORD>(group.pulse / group.resolution));
        }
        m_borrowedMultiple = static_cast<short>(multiple);
        return;
    }
}

// ---- arithmetic ---------------------------------------------------------------------------

int MCRuler::Scale(int a, int b, int c) {
    return ScaleValue(a, b, c);
}

MCRuler::WORD MCRuler::GreatestCommonDivisor(WORD a, WORD b) {
    while (b != 0) {
        const WORD r = a % b;
        a = b;
        b = r;
    }
    return a;
}

MCRuler::WORD MCRuler::LeastCommonMultiple(WORD a, WORD b) {
    const WORD gcd = GreatestCommonDivisor(a, b);
    return gcd == 0 ? 1 : static_cast<WORD>(a * b / gcd);
}
