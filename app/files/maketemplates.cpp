// Writes the document templates that lie beside the program, in the folder
// given: "Empty Track.mmt" (one normal staff) and "Piano.mmt" (one grand
// staff), each a new document with its staff added by command and saved by
// the document's own code. Run by the build; exits 1 when a file could not be
// written.
//
//     maketemplates <folder>
#include "interface/document/opusdoc.h"
#include "interface/document/opusheader.h"
#include "model/basiccommands.h"
#include "platform/core/filesys.h"
#include "sequencer/performers.h"

#include <QCoreApplication>

#include <cstdio>
#include <memory>

namespace {

// The staff type bytes of the add-staff choices: a normal staff, a grand staff.
constexpr unsigned char kNormalStaff = 0;
constexpr unsigned char kGrandStaff = 1;

bool WriteTemplate(const std::string& path, unsigned char staffType) {
    auto doc = std::make_unique<MCOpusDoc>();
    doc->m_bAutoDelete = false;
    if (!doc->OnNewDocument())
        return false;
    auto* add = new CCAddTrack;   // the command manager's once applied
    add->AddMidiTrack(staffType, 1);
    add->SetSynchronous(1);
    add->Apply(doc->GetBaseEvent());
    doc->GetHeader()->SetFormat(DF_NATIVE);
    const bool saved = doc->OnSaveDocument(path.c_str()) != 0;
    doc->OnCloseDocument();
    return saved;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: maketemplates <folder>\n");
        return 2;
    }
    // The state and command managers are hidden windows: they need the event loop's object.
    QCoreApplication app(argc, argv);
    RegisterPerformers();
    const std::string folder = argv[1];
    const struct { const char* file; unsigned char staffType; } templates[] = {
        {"Empty Track.mmt", kNormalStaff},
        {"Piano.mmt", kGrandStaff},
    };
    int status = 0;
    for (const auto& t : templates) {
        const std::string path = PathJoin(folder, t.file);
        if (!WriteTemplate(path, t.staffType)) {
            std::fprintf(stderr, "maketemplates: %s could not be written\n", path.c_str());
            status = 1;
        }
    }
    MCOpusDoc::WaitThreadsFinished(0);
    return status;
}
