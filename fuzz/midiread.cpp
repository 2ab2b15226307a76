// Fuzz target of the Standard MIDI File reader: loads outside bytes into a
// document. Whatever the bytes, the reader may only answer 0 or 1, or refuse
// a time-code division with CUserException; it must never read past a chunk,
// crash or leak, and must give the file position and the score manager's
// loading mode back.
//
// Each input is read into the engine's one document, which is emptied again
// before the next (document_engine.h).
#include "fuzz/document_engine.h"
#include "interface/document/midiread.h"
#include "platform/core/archive.h"
#include "platform/core/exceptions.h"
#include "platform/core/file.h"
#include "sequencer/scoremgr.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MCOpusDoc& doc = *fuzz_support::GetDocumentEngine().doc;
    {
        CMemFile file(std::vector<uint8_t>(data, data + size));
        CArchive ar(&file, CArchive::load | CArchive::bNoFlushOnDelete);
        MCMidiRead reader;
        int result = -1;
        try {
            result = reader.LoadMidiFile(ar, &doc);
        } catch (const CUserException&) {
            result = 0;   // a time-code division, refused with its message
        }
        if (result == 0 && file.GetPosition() != 0)
            __builtin_trap();   // a refused file must stand where it stood
        if (doc.GetBaseEvent() && doc.GetSequence()->GetMidiScoreMgr()->GetFileLoading())
            __builtin_trap();   // the score manager was left loading
    }
    fuzz_support::ReleaseInput(doc);
    return 0;
}
