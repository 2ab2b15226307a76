// What the clef and key displays read of the measure displays around them:
// the conductor measure at a staff measure's time with its ruler, and the
// left-hand offset of a staff measure (where a grand staff's lower staff
// lies below the upper one).
//
// Every look-up answers null or 0 when an event or display object is
// missing (a half-built or damaged score); callers then do nothing.
// UI thread only, like the display objects.
#pragma once

class ECBase;
class ECConductor;
class ECMeasure;
class MCRuler;

// The first parent of `event` that is a measure (ET_MEASURE), or null.
ECMeasure* MeasureParent(ECBase* event);
// The measure a Position call works in: `measure`, else `parent` when it is
// a measure, else the first measure parent of `event`.
ECMeasure* PositioningMeasure(ECMeasure* measure, ECBase* parent, ECBase* event);
// The ruler of the display object of the conductor measure at `measure`'s
// time (the conductor given, else the measure's own), or null.
MCRuler* ConductorRulerAt(ECConductor* conductor, ECMeasure* measure);
// The left-hand offset of the display object of `measure`; 0 without one.
int MeasureLeftHandOffset(ECBase* measure);
