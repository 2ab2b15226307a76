// The engine's whole-piece runs: notating a performance when the view
// attaches it, and preparing a renotation after a recording.
#include "notation/autonote/autonote.h"

// FIXME: placeholder bodies, being written.
int CAutoNote::ProcessFileLoad() { return 0; }
void CAutoNote::PrepareForLoad() {}
void CAutoNote::PrepareAfterRecord() {}
