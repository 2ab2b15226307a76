// Measures laid out into systems as pagination lays them out, for the display
// tests that need systems before pagination exists. No system object is made:
// a system is known, as the display classes know it, only through its
// measures' display objects (one y per system; its left edge the first
// measure's position, its right edge the last one's position plus width).
//
// For the layout a test chooses (measures per system, system tops, one width
// for every measure), Apply makes pagination's own calls:
//   - the conductor staff's staff ruler sized to the staves, staff i's top
//     line `staffDistance` x i below the system top, with two staff spaces
//     above it and -(staff height + two spaces) below it;
//   - per conductor measure, in order: head of system (first of its system
//     or not), mediation made due and run (SetMediateRulers, MediateRulers),
//     the width forced (SetWidth), handed to its staff measures
//     (UpdateWidth), and its position (the system's running x, its top);
//   - at the head of a system the clef and key in force repeated in its
//     staff measures (AddClefToMeasures, AddKeyToMeasures), before mediation;
//   - then every staff measure places itself under its conductor measure
//     (DCctMeasure::Position), its position no longer dirty.
// PrepareNotes then does for the notes, chords and rests what the view's
// walk does before it draws: each is sized (no device context), assembled
// and placed in its measure.
// Notes, rests and their rulers come from the engine, as for a loaded file:
// lay out after the engine has notated the piece. Applying another layout
// relays the same measures out; what was placed against them keeps its
// place until it is positioned again (set its position dirty).
//
// Coordinates are page coordinates (logical units, y up). The conductor is
// borrowed. User-interface thread (the test's).
#pragma once

#include "platform/ui/geometry.h"

#include <vector>

class DCctConductorMeasure;
class DCctMeasure;
class ECConductor;

namespace notation_test {

struct SystemLayout {
    std::vector<int> measuresPerSystem;   // {2, 2, 1}: five measures in three systems
    std::vector<int> systemTops;          // one per system; missing ones each `systemStep` below the last
    int left = 1440;                      // x of every system's first measure
    int measureWidth = 2400;
    int firstTop = -1440;                 // the first system's top when no top is given
    int systemStep = 4000;                // distance of systems whose tops are not given
    int staffDistance = 1200;             // top line to top line of neighbouring staves
};

class MeasureLayout {
public:
    explicit MeasureLayout(ECConductor* conductor) : m_pConductor(conductor) {}

    // Lays the measures 1 .. sum(measuresPerSystem) out; measures past them
    // are left alone. The number of measures placed (fewer when the piece has
    // fewer measures or a display object is missing).
    int Apply(const SystemLayout& layout);
    // Every note, chord and rest below the laid-out staff measures sized,
    // assembled and positioned (its position no longer dirty when placed).
    void PrepareNotes();

    int SystemCount() const { return static_cast<int>(m_systems.size()); }
    // The system (from 0) measure `number` (from 1) lies in; -1 outside.
    int SystemOf(int number) const;
    // A system's top (its measures' conductor y) and edges.
    int Top(int system) const { return m_systems.at(system).top; }
    int LeftEdge(int system) const { return m_systems.at(system).left; }
    int RightEdge(int system) const { return m_systems.at(system).right; }
    // The y of a staff's (from 1) top line in a system.
    int StaffTop(int system, int staff) const;

    DCctConductorMeasure* Column(int number) const;
    DCctMeasure* StaffMeasure(int staff, int number) const;

private:
    struct System {
        int first = 0;   // measure numbers, from 1
        int last = 0;
        int top = 0;
        int left = 0;
        int right = 0;
    };

    ECConductor* m_pConductor;   // borrowed
    SystemLayout m_layout;
    std::vector<System> m_systems;
};

}  // namespace notation_test
