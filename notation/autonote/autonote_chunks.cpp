// The engine's renotation walks: Process, the chunked walk over the prepared
// range, the system and per-staff walks, and the passes run on one measure.
#include "notation/autonote/autonote.h"

// FIXME: placeholder bodies, being written.
int CAutoNote::Process(CCBase*) { return 0; }
int CAutoNote::NotateNextChunk() { return 1; }
int CAutoNote::NotateSystemBetween() { return 1; }
int CAutoNote::NotateStaffBetween(ECStaff*, const MCTime&, const MCTime&) { return 1; }
ECBase* CAutoNote::GetNextMeasure(const MCEventList&, POSITION& pos) {
    pos = nullptr;
    return nullptr;
}
void CAutoNote::AutoNotateMeasure(ECConductor*, ECBase*, ECBase*) {}
