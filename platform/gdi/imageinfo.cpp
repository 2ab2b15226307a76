#include "platform/gdi/imageinfo.h"

#include "platform/gdi/imagedecode_private.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>

namespace platform_detail {

bool DecodeImage(const std::vector<uint8_t>& bytes, bool autoTransform, QImage& image) {
    if (bytes.empty())
        return false;
    QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(autoTransform);
    return reader.read(&image) && !image.isNull();
}

}  // namespace platform_detail

bool ReadImageInfo(const std::vector<uint8_t>& bytes, ImageInfo& info) {
    QImage image;
    if (!platform_detail::DecodeImage(bytes, false, image) || image.width() <= 0 || image.height() <= 0)
        return false;
    // A reader leaves an image that states no resolution at the toolkit's
    // default; a new image shows what that default is. FIXME: an image that
    // states exactly that default reads as stating none (the readers do not
    // tell the two apart).
    const QImage fresh(1, 1, QImage::Format_RGB32);
    const bool stated = image.dotsPerMeterX() != fresh.dotsPerMeterX() ||
                        image.dotsPerMeterY() != fresh.dotsPerMeterY();
    info.width = image.width();
    info.height = image.height();
    info.dpiX = stated && image.dotsPerMeterX() > 0 ? image.dotsPerMeterX() * 0.0254 : 0.0;
    info.dpiY = stated && image.dotsPerMeterY() > 0 ? image.dotsPerMeterY() * 0.0254 : 0.0;
    return true;
}
