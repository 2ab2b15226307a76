// Making embedded objects from files and offered data.
#include "interface/document/embedding.h"

#include "interface/document/pathhelpers.h"
#include "model/frame.h"
#include "platform/core/mimetypes.h"
#include "platform/gdi/imageinfo.h"
#include "platform/ui/clipboard.h"

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

namespace {

// The largest object taken in: a document holding more could no longer be
// read back (its compound file has a 2 GB ceiling), and the object is held
// in memory whole.
constexpr uint64_t kMaxObjectBytes = 256u * 1024 * 1024;

// HIMETRIC (hundredths of a millimetre) per inch.
constexpr double kHimetricPerInch = 2540.0;
// The resolution of an image that states none.
constexpr double kDefaultDpi = 96.0;

// The file's bytes, or nothing when it cannot be read whole (no such file,
// a folder, unreadable, too large).
std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return std::nullopt;
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in)
        return std::nullopt;
    const std::streamoff length = in.tellg();
    if (length < 0 || static_cast<uint64_t>(length) > kMaxObjectBytes)
        return std::nullopt;
    std::vector<uint8_t> bytes(static_cast<size_t>(length));
    in.seekg(0);
    if (length > 0 && !in.read(reinterpret_cast<char*>(bytes.data()), length))
        return std::nullopt;
    return bytes;
}

int32_t PixelsToHimetric(int pixels, double dpi) {
    return static_cast<int32_t>(std::lround(pixels * kHimetricPerInch / (dpi > 0 ? dpi : kDefaultDpi)));
}

// The item takes the object; everything it held of another object goes.
void Fill(CScoreCntrItem& item, std::vector<uint8_t> bytes, std::string mimeType, std::string fileName,
          std::string linkPath) {
    item.SetData(std::move(bytes));
    item.SetMimeType(std::move(mimeType));
    item.SetFileName(std::move(fileName));
    item.SetLinkPath(std::move(linkPath));
    item.SetForeignClassName({});
    item.SetCachedPicture({});
    SetExtentFromData(item);
}

}  // namespace

void SetExtentFromData(CScoreCntrItem& item) {
    if (!item.GetForeignClassName().empty())
        return;
    ImageInfo image;
    if (ReadImageInfo(item.GetData(), image))
        item.SetExtent(PixelsToHimetric(image.width, image.dpiX), PixelsToHimetric(image.height, image.dpiY));
    else
        item.SetExtent(kIconExtentX, kIconExtentY);
}

int CreateItemFromFile(CScoreCntrItem& item, const std::string& path, int link) {
    std::optional<std::vector<uint8_t>> bytes = ReadWholeFile(path);
    if (!bytes)
        return 0;
    std::string type = MimeTypeOfFile(path);
    // A link is kept by its absolute path: the document may be opened from
    // another folder than the one the program ran in.
    std::string linkPath;
    if (link) {
        std::error_code error;
        const std::filesystem::path absolute = std::filesystem::absolute(path, error);
        linkPath = error ? path : absolute.lexically_normal().string();
    }
    Fill(item, std::move(*bytes), std::move(type), MCGetFileName(path), std::move(linkPath));
    return 1;
}

namespace {

bool IsReadableFile(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error) && std::ifstream(path, std::ios::binary);
}

int CreateItemFromImage(CScoreCntrItem& item, COleDataObject& data) {
    std::vector<uint8_t> png = data.GetImageAsPng();
    if (png.empty())
        return 0;
    Fill(item, std::move(png), "image/png", kPastedImageName, {});
    return 1;
}

}  // namespace

int CreateItemFromData(CScoreCntrItem& item, COleDataObject& data, int link) {
    for (const std::string& path : data.GetFilePaths()) {
        if (CreateItemFromFile(item, path, link))
            return 1;
    }
    return CreateItemFromImage(item, data);
}

int CanCreateItemFromData(COleDataObject& data) {
    for (const std::string& path : data.GetFilePaths()) {
        if (IsReadableFile(path))
            return 1;
    }
    return data.HasImage();
}

std::vector<EmbeddableSource> ListEmbeddableSources(COleDataObject& data) {
    std::vector<EmbeddableSource> sources;
    for (const std::string& path : data.GetFilePaths()) {
        if (IsReadableFile(path))
            sources.push_back({path, "File " + MCGetFileName(path)});
    }
    if (data.HasImage())
        sources.push_back({{}, "Picture"});
    return sources;
}

int CreateItemFromSource(CScoreCntrItem& item, COleDataObject& data, const EmbeddableSource& source, int link) {
    if (source.path.empty())
        return CreateItemFromImage(item, data);
    return CreateItemFromFile(item, source.path, link);
}
