// Fuzz target of the document's stream: the bytes of a "Contents" stream read
// as the document reads them (a MIDI file first, then the native layout: the
// header, the event tree, the after-load pass and the sequence). Whatever the
// bytes, the read either loads or throws one of the system's exceptions; it
// must never crash, read past the data or leak. What loads is written again.
//
// Each input is read into the engine's one document, which is emptied again
// before the next (document_engine.h). The notation plug-in's display classes
// are registered, so their data in a tree is read and written as well.
#include "fuzz/document_engine.h"
#include "notation/view/startup.h"
#include "platform/core/archive.h"
#include "platform/core/exceptions.h"
#include "platform/core/file.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MCOpusDoc& doc = *fuzz_support::GetDocumentEngine().doc;
    static const int displays = InitPlugins();
    (void)displays;
    bool loaded = false;
    try {
        CMemFile file(std::vector<uint8_t>(data, data + size));
        CArchive ar(&file, CArchive::load | CArchive::bNoFlushOnDelete);
        ar.m_pDocument = &doc;
        doc.Serialize(ar);
        loaded = true;
    } catch (const CException&) {
    }
    if (loaded && doc.GetBaseEvent()) {
        // What was read can be written: natively, whatever it was read as.
        doc.GetHeader()->SetFormat(DF_NATIVE);
        CMemFile out;
        CArchive ar(&out, CArchive::store | CArchive::bNoFlushOnDelete);
        ar.m_pDocument = &doc;
        doc.Serialize(ar);
        ar.Close();
    }
    fuzz_support::ReleaseInput(doc);
    return 0;
}
