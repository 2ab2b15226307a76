// The engine's preparation and renotation of added and removed meters.
#include "notation/autonote/autonote.h"

// FIXME: placeholder bodies, being written.
int CAutoNote::AddMeter(CCAddMeter*) { return 0; }
int CAutoNote::RemoveMeter(CCRemoveMeter*) { return 0; }
int CAutoNote::_PrepareMeter(CCBase*, ECConductor*, MCTime&, MCTime&) { return 0; }
int CAutoNote::ProcessAddMeter(CCAddMeter*) { return 0; }
int CAutoNote::ProcessRemoveMeter(CCRemoveMeter*) { return 0; }
int CAutoNote::_ProcessMeter(CCBase*, ECConductor*, ECMeter*, MCTime&, MCTime&, MCTime*, MCTime*) { return 0; }
