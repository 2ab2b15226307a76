// POSITION: a place in a list, as list walks pass it (GetHeadPosition,
// GetNext ...); null past the end. One type for every list of the system,
// whatever stands behind it (a node of the model's lists, an index of a
// template's documents), so that code using several kinds of lists sees a
// single POSITION. Each list says how it makes and reads its positions.
#pragma once

struct AfxPosition {};
using POSITION = AfxPosition*;
