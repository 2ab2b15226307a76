// Embedded objects made from files and from offered data.
//
// This platform has no object servers: an embedded object is a file's bytes
// with their MIME type and the file's name, kept in the item (model/frame.h)
// and saved in the item's storage "Embedding n" beside "Contents". A linked
// object keeps the file's path as well, with the bytes read when it was made.
//
// The extent given to a new item: an image the toolkit reads, its pixel size
// at its resolution (96 dpi when it has none), in HIMETRIC; anything else
// the box of an icon above the file name, 2540 x 1693 HIMETRIC (96 x 64
// pixels at 96 dpi).
//
// Files and offered data are trusted in nothing: a file that cannot be read
// makes no object, and the item is then left as it was.
//
// User-interface thread only (offered data is the clipboard's or a drop's).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CScoreCntrItem;
class COleDataObject;

// The extent of an object drawn as an icon above its file name (HIMETRIC).
inline constexpr int32_t kIconExtentX = 2540;
inline constexpr int32_t kIconExtentY = 1693;
// The file name an image offered without a file is kept under.
inline constexpr const char* kPastedImageName = "Picture.png";

// The extent `item` takes from its bytes (see above), as when it was made;
// an object stored by another program keeps the extent it has.
void SetExtentFromData(CScoreCntrItem& item);
// Makes `item` the object of the file at `path` (embedded, or with `link`
// linked to it): 1, or 0 when the file cannot be read.
int CreateItemFromFile(CScoreCntrItem& item, const std::string& path, int link);
// Makes `item` an object from offered data: the first readable local file
// among the offered file URLs, else an offered image (kept as PNG bytes;
// such an object cannot be linked, `link` then does not apply). 1, or 0 when
// nothing offered can become an object.
int CreateItemFromData(CScoreCntrItem& item, COleDataObject& data, int link);
// Whether the data offers something an object can be made from: a local
// file URL or an image.
int CanCreateItemFromData(COleDataObject& data);

// One thing offered data holds that can become an object, as a choice for
// the user: a local file, or the offered image.
struct EmbeddableSource {
    std::string path;    // the file; empty for the offered image
    std::string label;   // what the user is shown
};
// What the data offers that can become an object: each readable local file
// offered as a URL, in the order offered, then the image, when there is one.
std::vector<EmbeddableSource> ListEmbeddableSources(COleDataObject& data);
// Makes `item` the object of one of them (a file linked with `link`; an image
// is always embedded): 1, or 0 when it cannot be read now.
int CreateItemFromSource(CScoreCntrItem& item, COleDataObject& data, const EmbeddableSource& source, int link);
