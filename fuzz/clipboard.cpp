// Fuzz target of the clipboard readers: another process's copy, as dropped
// data offering both private formats. The input is split in two: a 16-bit
// little-endian length, that many bytes of event data (fewer when the input
// ends first), and the rest as the description block. Whatever the bytes,
// the read answers 0 or 1 without crashing or leaking, a failed read adds
// nothing, and what was read can be written again.
#include "interface/document/oledata.h"
#include "interface/document/oledatainfo.h"
#include "model/event.h"
#include "platform/core/archive.h"
#include "sequencer/performers.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QMimeData>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

struct Setup {
    int argc = 1;
    char name[16] = "fuzz_clipboard";
    char* argv[2] = {name, nullptr};
    std::unique_ptr<QCoreApplication> app;

    Setup() {
        app = std::make_unique<QCoreApplication>(argc, argv);
        RegisterPerformers();
    }
};

void Offer(QMimeData& data, const char* name, const uint8_t* bytes, size_t size) {
    const std::string mimeType = GetClipboardFormatMimeType(RegisterClipboardFormat(name));
    data.setData(QString::fromStdString(mimeType),
                 QByteArray(reinterpret_cast<const char*>(bytes), static_cast<qsizetype>(size)));
}

// Events read from outside have no parent; those with children hold them and
// are held by them, so they are detached before the list lets go.
void Release(MCEventList& events) {
    for (POSITION pos = events.GetHeadPosition(); pos;)
        events.GetNext(pos)->RemoveChildren(1);
    events.RemoveAll();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Setup setup;
    if (size < 2)
        return 0;
    size_t musicSize = static_cast<size_t>(data[0]) | (static_cast<size_t>(data[1]) << 8);
    data += 2;
    size -= 2;
    if (musicSize > size)
        musicSize = size;

    QMimeData dropped;
    Offer(dropped, CF_MUSICFORMAT_NAME, data, musicSize);
    Offer(dropped, CF_OBJECTINFO_NAME, data + musicSize, size - musicSize);

    COleDataIn in(nullptr);
    in.GetDataObject().Attach(&dropped);
    MCEventList events;
    COleDataInfo info;
    const int result = in.GetOurData(&events, &info, OLEDATA_EVENTS | OLEDATA_INFO);
    if (result != 0 && result != 1)
        std::abort();
    if (result == 0 && info.GetItemCount() != 0)
        std::abort();   // a failed description read changed the block

    // Whatever was read writes again.
    COleDataOut out;
    if (!events.IsEmpty() && !out.SetEvents(events))
        std::abort();
    if (!out.SetInfo(&info))
        std::abort();
    Release(events);
    Release(*out.GetEvents());
    return 0;
}
