// What the staff measure's tests share: a small score (a performance with a
// conductor and one staff of a given kind, the active performance while it
// lives), a stand-in for the conductor measure's display (a ruler and an x),
// and the measure's links set to answer from those stand-ins and from a
// table of clef line pitches.
#pragma once

#include "model/conductor.h"
#include "model/event.h"
#include "model/eventtypes.h"
#include "model/markings.h"
#include "model/measure.h"
#include "model/performance.h"
#include "model/plugin.h"
#include "model/staff.h"
#include "notation/display/base.h"
#include "notation/display/measure.h"
#include "notation/display/measurelinks.h"
#include "notation/layout/rulerruler.h"

namespace measure_test {

// The conductor measure's display as the staff measure sees it: an x and a
// ruler; it gives staff n's measure the y -1000 x (n - 1).
class StandInColumn : public DCctBase {
    DECLARE_DYNCREATE(StandInColumn)
public:
    MCRulerRuler ruler;
};

// Lines of the clef types the tests use: treble, bass, drum (top, middle,
// bottom); -1 for any other type.
inline int LinePitch(ECClef* clef, int which) {
    static constexpr int lines[][3] = {{77, 71, 64}, {57, 50, 44}, {29, 23, 16}};
    switch (clef->GetClefType()) {
    case 0:
        return lines[0][which];
    case 3:
        return lines[1][which];
    case 8:
        return lines[2][which];
    default:
        return -1;
    }
}

// Sets the links for a test and puts the earlier ones back afterwards. The
// pitch at a staff position is the clef's top line plus the position, enough
// to see which clef answered.
class LinksScope {
public:
    LinksScope() : m_saved(GetMeasureLinks()) {
        MeasureLinks& links = GetMeasureLinks();
        links.conductorRuler = [](DCBase* display) -> MCRulerRuler* {
            auto* column = dynamic_cast<StandInColumn*>(display);
            return column ? &column->ruler : nullptr;
        };
        links.measureY = [](DCBase* display, ECMeasure* measure, int& y) {
            if (!dynamic_cast<StandInColumn*>(display))
                return 0;
            y = -1000 * (measure->GetVoiceTrack()->GetTrack() - 1);
            return 1;
        };
        links.topLinePitch = [](ECClef* clef) { return LinePitch(clef, 0); };
        links.middleLinePitch = [](ECClef* clef) { return LinePitch(clef, 1); };
        links.bottomLinePitch = [](ECClef* clef) { return LinePitch(clef, 2); };
        links.staffLineToMidiPitch = [](ECClef* clef, short position, ECKey*) {
            const int top = LinePitch(clef, 0);
            return top < 0 ? -1 : top + position;
        };
    }
    ~LinksScope() { GetMeasureLinks() = m_saved; }
    LinksScope(const LinksScope&) = delete;
    LinksScope& operator=(const LinksScope&) = delete;

private:
    MeasureLinks m_saved;
};

// Registers a class for an event type's notation display while it lives.
class RegistryCell {
public:
    RegistryCell(int type, const CRuntimeClass* cls)
        : m_cell(CPluginData::GetDataClass(DK_NOTATION, type)), m_saved(m_cell) {
        m_cell = cls;
    }
    ~RegistryCell() { m_cell = m_saved; }
    RegistryCell(const RegistryCell&) = delete;
    RegistryCell& operator=(const RegistryCell&) = delete;

private:
    const CRuntimeClass*& m_cell;
    const CRuntimeClass* m_saved;
};

// A performance with a conductor, staff 1 of `kind` and `measures` 4/4
// measures; the active performance while it lives.
class Score {
public:
    Score(int kind, int measures) : m_performance(new ECPerformance) {
        m_performance->Ref();
        m_performance->SetVersion(ECPerformance::CURRENT_VERSION);
        m_previous = ECPerformance::SetActivePerformance(m_performance);
        conductor = new ECConductor;
        m_performance->AddChild(conductor, 1);
        staff = static_cast<ECStaff*>(conductor->GetTrack(1, 1, 1));
        staff->SetStaffType(static_cast<unsigned char>(kind));
        conductor->GetMeasure(1, MCTime(4.0f * static_cast<float>(measures) - 0.5f), 1, 1);
    }
    ~Score() {
        ECPerformance::SetActivePerformance(m_previous);
        m_performance->RemoveChildren(1);
        m_performance->Unref(1);
    }
    Score(const Score&) = delete;
    Score& operator=(const Score&) = delete;

    ECMeasure* Measure(int number) { return conductor->GetMeasure(1, number); }
    ECMeasure* Column(int number) { return conductor->GetMeasure(0, number); }
    // The measure's display, made for it (the class registered or not).
    DCctMeasure* Display(int number) {
        ECMeasure* measure = Measure(number);
        RegistryCell cell(ET_MEASURE, RUNTIME_CLASS(DCctMeasure));
        return dynamic_cast<DCctMeasure*>(measure->GetData(DK_NOTATION, 1));
    }
    // The stand-in for a conductor measure's display, made for it.
    StandInColumn* ColumnDisplay(int number) {
        RegistryCell cell(ET_CONDUCTORMEASURE, RUNTIME_CLASS(StandInColumn));
        return dynamic_cast<StandInColumn*>(Column(number)->GetData(DK_NOTATION, 1));
    }
    // A clef of `type` at the start of measure `number` for `hand`.
    ECClef* AddClef(int number, unsigned char type, unsigned char hand) {
        auto* clef = new ECClef(type);
        clef->SetHand(hand);
        clef->SetTime(Measure(number)->GetTime());
        Measure(number)->AddChild(clef, 1);
        return clef;
    }

    ECConductor* conductor = nullptr;   // held by the performance
    ECStaff* staff = nullptr;           // held by the conductor

private:
    ECPerformance* m_performance;   // held
    ECPerformance* m_previous = nullptr;
};

}  // namespace measure_test
