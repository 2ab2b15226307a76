// What the tools share to change the selection: a selection state applied
// to the performance, and the elements a rubber band gathers.
// UI thread only.
#pragma once

#include <vector>

class CCantrel;
class ECPerformance;
class MCEventList;

// A selection state of `code` with `events` (null: none) applied to the
// performance, `dynamic` passed on to its receivers (a band's changes come
// one after another). Sent: done on return. Nothing without a performance.
void ApplySelection(ECPerformance* performance, unsigned code, const MCEventList* events, int dynamic);

// The elements of `types` inside the view's drag rectangle, appended to
// `found`: among `among` when given, else in the whole performance.
void FindInBand(CCantrel& view, const std::vector<int>& types, MCEventList& found,
                MCEventList* among = nullptr);
