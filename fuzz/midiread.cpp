// Fuzz target of the Standard MIDI File reader: loads outside bytes into a
// document. Whatever the bytes, the reader may only answer 0 or 1, or refuse
// a time-code division with CUserException; it must never read past a chunk,
// crash or leak, and must give the file position and the score manager's
// loading mode back.
//
// The engine is started once (the capture backend's devices, the performers
// registered); each input gets an emptied document, and the tree it made is
// released before the next input, so the inputs stay cheap and independent.
#include "interface/document/midiread.h"
#include "interface/document/opusdoc.h"
#include "platform/core/archive.h"
#include "platform/core/exceptions.h"
#include "platform/core/file.h"
#include "platform/devices/capture.h"
#include "platform/devices/portavel.h"
#include "platform/ui/prompt.h"
#include "sequencer/performers.h"
#include "sequencer/scoremgr.h"

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
    char name[16] = "fuzz_midiread";
    char* argv[2] = {name, nullptr};
    std::unique_ptr<QCoreApplication> app;
    std::unique_ptr<QTemporaryDir> folder;
    std::unique_ptr<CPortavel> devices;
    SilentPrompts prompts;
    std::unique_ptr<MCOpusDoc> doc;

    Engine() {
        app = std::make_unique<QCoreApplication>(argc, argv);
        // The profile in a folder of its own. The working folder stays: the
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
    // Commands posted by the load (wave clips) run before the tree goes.
    QCoreApplication::processEvents();
    doc.DeleteContents();
    MCOpusDoc::WaitThreadsFinished(0);
    return 0;
}
