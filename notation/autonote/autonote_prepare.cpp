// The engine's preparation of added and removed elements and staves, and the
// batch's renotation bucket by bucket.
#include "notation/autonote/autonote.h"

// FIXME: placeholder bodies, being written.
int CAutoNote::Add(CCAdd*) { return 0; }
int CAutoNote::Remove(CCRemove*) { return 0; }
int CAutoNote::AddStaff(CCAddTrack*) { return 0; }
int CAutoNote::RemoveStaff(CCRemoveTrack*) { return 0; }
int CAutoNote::Edit(CCBase*) { return 0; }
int CAutoNote::BatchProcess(MCCommandList&) { return 1; }
int CAutoNote::ProcessAddStaff(MCCommandList&) { return 0; }
