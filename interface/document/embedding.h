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

class CScoreCntrItem;
class COleDataObject;

// The extent of an object drawn as an icon above its file name (HIMETRIC).
inline constexpr int32_t kIconExtentX = 2540;
inline constexpr int32_t kIconExtentY = 1693;
// The file name an image offered without a file is kept under.
inline constexpr const char* kPastedImageName = "Picture.png";

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
