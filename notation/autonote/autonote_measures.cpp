// The engine's preparation and renotation of inserted and removed measures.
#include "notation/autonote/autonote.h"

// FIXME: placeholder bodies, being written.
int CAutoNote::AddMeasure(CCAddMeasure*) { return 0; }
int CAutoNote::RemoveMeasure(CCRemoveMeasure*) { return 0; }
int CAutoNote::ProcessAddMeasure(CCAddMeasure*) { return 0; }
int CAutoNote::ProcessRemoveMeasure(CCRemoveMeasure*) { return 0; }
