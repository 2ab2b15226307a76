// Fuzz target of the song-file reader: loads outside bytes into a document.
// Whatever the bytes, the reader may only answer 0 or 1; it must never read
// past a block, loop, crash or leak, must put the file position back, and a
// file it refuses must leave the document as it was (here: empty), since every
// check runs before the piece is built.
//
// The engine is started once (the capture backend's devices, the performers
// registered); each input gets an emptied document, and the tree it made is
// released before the next input.
#include "interface/document/opusdoc.h"
#include "interface/document/quilletfile.h"
#include "platform/core/archive.h"
#include "platform/core/file.h"
#include "platform/devices/capture.h"
#include "platform/devices/portavel.h"
#include "platform/ui/prompt.h"
#include "sequencer/performers.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace {

// Answers every prompt at once, without a word on the terminal.
class SilentPrompts : public CPromptHandler {
public:
    int Show(const PromptRequest& request) override { return DefaultPromptAnswer(request.flags); }
};

struct Engine {
    int argc = 1;
    char name[16] = "fuzz_songfile";
    char* argv[2] = {name, nullptr};
    std::unique_ptr<QCoreApplication> app;
    std::unique_ptr<QTemporaryDir> folder;
    std::unique_ptr<CPortavel> devices;
    SilentPrompts prompts;
    std::unique_ptr<MCOpusDoc> doc;

    Engine() {
        app = std::make_unique<QCoreApplication>(argc, argv);
        // The profile in a folder of its own; the working folder stays, the
        // fuzzer reads its corpus through it.
        folder = std::make_unique<QTemporaryDir>();
        qputenv("STAFFWRIGHT_CONFIG_DIR", folder->path().toLocal8Bit());
        devices = std::make_unique<CPortavel>(std::make_unique<CCaptureBackend>());
        SetPromptHandler(&prompts);
        RegisterPerformers();
        doc = std::make_unique<MCOpusDoc>();
        doc->m_bAutoDelete = false;
    }
};

Engine& GetEngine() {
    static Engine* engine = new Engine;   // lives to the end of the process
    return *engine;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Engine& engine = GetEngine();
    MCOpusDoc& doc = *engine.doc;
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
    QCoreApplication::processEvents();
    doc.DeleteContents();
    MCOpusDoc::WaitThreadsFinished(0);
    return 0;
}
