// The clipboard and data objects: how the program offers bytes to the
// clipboard or to a drag, and how it reads bytes back from the clipboard or
// from something dropped on one of its windows.
//
// Formats. A format is a 16-bit id. RegisterClipboardFormat numbers private
// formats from 0xC000 up in the order their names are first registered; the
// same name always gets the same id in one process, and the name is kept,
// because between processes a format travels by its name alone: the data is
// offered under the MIME type
//     application/x-qt-windows-mime;value="NAME"
// with NAME the registered name exactly as given. That is the toolkit's own
// spelling of a named private format: on Windows the toolkit maps it to the
// native format registered under NAME, and on X11 and Wayland it is a target
// name that carries NAME unchanged, so every instance of the program on one
// desktop finds the others' data by the name.
//
// COleDataSource holds bytes offered under formats. Handed to the clipboard
// (SetClipboard) it belongs to the clipboard; CreateMimeData gives the same
// bytes as toolkit data for a drag.
//
// COleDataObject reads: attached to the clipboard (AttachClipboard) or to
// dropped data (Attach), it tells which formats are offered and hands a
// format's bytes out as a memory file. Attaching keeps no copy: the bytes are
// fetched when asked for. Besides the registered formats it reads what other
// programs commonly offer: files as URLs, and images.
//
// Without a GUI application object (a program of the core alone) there is no
// clipboard: attaching it answers 0 and handing a source to it fails, without
// harm. The clipboard is the user-interface thread's; on any other thread the
// same holds. Format registration may be called from any thread.
#pragma once

#include "platform/core/file.h"
#include "platform/ui/dragdrop.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class QMimeData;

// A clipboard format id; 0 is no format.
using CLIPFORMAT = uint16_t;

// The id of a private format by its name: the same id for the same name (case
// counts), new ids from 0xC000 up. 0 for an empty name, or when all 16384
// private ids are taken.
CLIPFORMAT RegisterClipboardFormat(std::string_view name);
// The name a format was registered under; empty for an id never registered.
std::string GetClipboardFormatName(CLIPFORMAT format);
// The MIME type the format's bytes travel under (see above); empty for an id
// never registered.
std::string GetClipboardFormatMimeType(CLIPFORMAT format);

// Bytes offered under formats, for the clipboard or a drag.
class COleDataSource {
public:
    COleDataSource();
    virtual ~COleDataSource();
    COleDataSource(const COleDataSource&) = delete;
    COleDataSource& operator=(const COleDataSource&) = delete;

    // Offers `bytes` under `format`, in place of what was offered under it
    // before. A format 0 is ignored.
    void CacheData(CLIPFORMAT format, std::vector<uint8_t> bytes);
    // The bytes offered under a format, or null.
    const std::vector<uint8_t>* GetCachedData(CLIPFORMAT format) const;
    // Offers `bytes` under a public MIME type ("image/png"), as other
    // programs read them, in place of what was offered under it before. An
    // empty type is ignored.
    void CacheMimeData(const std::string& mimeType, std::vector<uint8_t> bytes);
    // The bytes offered under a MIME type, or null.
    const std::vector<uint8_t>* GetCachedMimeData(const std::string& mimeType) const;
    // Offers nothing any more.
    void Empty();

    // Puts the offered bytes on the clipboard. The source must have been made
    // with new: from this call on it belongs to the clipboard, which keeps
    // the bytes and lets the source go at once, so the caller must not touch
    // it again, whatever the answer. 1 when the clipboard took the bytes; 0
    // without a clipboard (see above).
    int SetClipboard();

    // New toolkit data carrying the offered bytes under their MIME types, for
    // a drag; the caller owns it.
    QMimeData* CreateMimeData() const;

    // Drags the offered bytes (dragdrop.h) until they are dropped or the drag
    // ends; answers the effect the drop had, one of `allowedEffects`, or none.
    // The source stays the caller's.
    DROPEFFECT DoDragDrop(DROPEFFECT allowedEffects = DROPEFFECT_COPY | DROPEFFECT_MOVE);

private:
    // In the order first offered.
    std::vector<std::pair<CLIPFORMAT, std::vector<uint8_t>>> m_data;
    // Under public MIME types, in the order first offered.
    std::vector<std::pair<std::string, std::vector<uint8_t>>> m_mimeData;
};

// Reads offered data: the clipboard's or a drop's.
class COleDataObject {
public:
    COleDataObject();
    // Releases what is attached.
    ~COleDataObject();
    COleDataObject(const COleDataObject&) = delete;
    COleDataObject& operator=(const COleDataObject&) = delete;

    // Attaches the clipboard's data (releasing anything attached before).
    // 1, or 0 without a clipboard.
    int AttachClipboard();
    // Attaches dropped data (releasing anything attached before). `data` is
    // borrowed: the drop event owns it, and it must outlive the reads. Should
    // it be destroyed first, the object reads as if nothing were offered.
    void Attach(const QMimeData* data);
    // Attaches what `other` has attached, borrowed as `other` holds it (a
    // dropped data object lent to a reader for one call). Nothing attached
    // when `other` has nothing.
    void Attach(const COleDataObject& other);
    // Lets go of the attached data. Harmless when nothing is attached.
    void Release();
    int IsAttached() const;

    // Whether the attached data offers the format (0 when nothing is attached).
    int IsDataAvailable(CLIPFORMAT format) const;
    // The bytes offered under the format as a memory file positioned at its
    // start, or null when the format is not offered.
    std::unique_ptr<CMemFile> GetFileData(CLIPFORMAT format) const;

    // The local files among the offered URLs, as paths, in the order
    // offered; URLs of anything but a local file are left out.
    std::vector<std::string> GetFilePaths() const;
    // Whether an image is offered: the toolkit's image, or bytes under an
    // "image/..." type that an image reader takes.
    int HasImage() const;
    // The offered image as the bytes of a PNG file; empty when none is.
    std::vector<uint8_t> GetImageAsPng() const;

private:
    struct Attached;
    std::unique_ptr<Attached> m_attached;   // owned; null while nothing is attached
};
