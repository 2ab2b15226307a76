// Fuzz target of the song-file reader: loads outside bytes into a document.
// Whatever the bytes, the reader may only answer 0 or 1; it must never read
// past a block, loop, crash or leak, must put the file position back, and a
// file it refuses must leave the document as it was (here: empty), since every
// check runs before the piece is built.
//
// Each input is read into the engine's one document, which is emptied again
// before the next (document_engine.h).
#include "fuzz/document_engine.h"
#include "interface/document/quilletfile.h"
#include "platform/core/archive.h"
#include "platform/core/file.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MCOpusDoc& doc = *fuzz_support::GetDocumentEngine().doc;
    {
        CMemFile file(std::vector<uint8_t>(data, data + size));
        CArchive ar(&file, CArchive::load | CArchive::bNoFlushOnDelete);
        MCQuilletFile reader;
        const int result = reader.LoadQuilletFile(ar, &doc);
        if (result != 0 && result != 1)
            __builtin_trap();
        if (file.GetPosition() != 0)
            __builtin_trap();   // the position goes back in every case
        if (result == 0 && doc.GetBaseEvent())
            __builtin_trap();   // a refused file touched the document
    }
    fuzz_support::ReleaseInput(doc);
    return 0;
}
