// What the fuzz targets of the document's readers share: the engine started
// once (an application object, a profile folder of its own, the capture
// backend's devices, prompts answered silently, the performers registered)
// and one document the inputs are read into. Each input ends with
// ReleaseInput, which empties the document and waits for its tree to go, so
// inputs stay cheap and independent.
#pragma once

#include "interface/document/opusdoc.h"
#include "platform/devices/capture.h"
#include "platform/devices/portavel.h"
#include "platform/ui/prompt.h"
#include "sequencer/performers.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <memory>

namespace fuzz_support {

// Answers every prompt at once, without a word on the terminal.
class SilentPrompts : public CPromptHandler {
public:
    int Show(const PromptRequest& request) override { return DefaultPromptAnswer(request.flags); }
};

struct DocumentEngine {
    int argc = 1;
    char name[32] = "fuzz_document";
    char* argv[2] = {name, nullptr};
    std::unique_ptr<QCoreApplication> app;
    std::unique_ptr<QTemporaryDir> folder;
    std::unique_ptr<CPortavel> devices;
    SilentPrompts prompts;
    std::unique_ptr<MCOpusDoc> doc;

    DocumentEngine() {
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

// The engine of this process, made on first use; it lives to the end.
inline DocumentEngine& GetDocumentEngine() {
    static DocumentEngine* engine = new DocumentEngine;
    return *engine;
}

// Runs what the input posted (commands of the load), then empties the
// document and waits for its tree to be released.
inline void ReleaseInput(MCOpusDoc& doc) {
    QCoreApplication::processEvents();
    doc.DeleteContents();
    MCOpusDoc::WaitThreadsFinished(0);
}

}  // namespace fuzz_support
