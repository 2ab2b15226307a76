// What the clef and key tools share: the hand a new clef or key is for, the
// one in force where it would go, and the marks of its hand that it replaces.
//
// A grand staff (staff type 1) draws two staves for one track: voices 0-3
// stand on the upper one (hand 0), voices 4 and up on the lower one (hand 1).
// Every other staff has hand 0 only. UI thread; the lookups take the
// performance's lock.
#pragma once

#include "model/time.h"

#include <vector>

class CCantrel;
class ECBase;
class ECConductorStaff;
class ECMeasure;
class ECPerformance;
class ECStaff;

// The staff of the measure's track on the conductor staff; null when none.
ECStaff* StaffOfMeasure(ECConductorStaff* conductorStaff, ECBase* measure);

// 1 (the lower staff) on a grand staff for a voice above 3; else 0.
unsigned char HandForVoice(const ECStaff* staff, int voice);

// The clef or key (`type` ET_CLEF or ET_KEY) in force at `time` for the hand,
// one standing exactly there included: what a new one at that time would
// follow or replace. Null when none is in force.
ECBase* MarkInForce(ECPerformance* performance, ECStaff* staff, int type, const MCTime& time, unsigned char hand);

// Takes out the clefs or keys of the hand standing exactly at `time` in the
// measures (a measure listed twice is searched once), before a new one goes
// there: one synchronous remove command without state notification, the
// view's engine told first that the next clef or key added replaces them.
// Marks of the other hand stay. Nothing is sent when none stands there. The
// number taken out.
int RemoveMarksAt(CCantrel& view, ECPerformance* performance, const std::vector<ECMeasure*>& measures, int type,
                  const MCTime& time, unsigned char hand);
