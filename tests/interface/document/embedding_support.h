// Test support for embedded objects: PNG files of a known size and
// resolution (or none), and offered data carrying files or an image.
#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QMimeData>
#include <QUrl>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace embedding_test {

using Bytes = std::vector<uint8_t>;

// A PNG of `width` x `height` pixels, red, stating `dpi` (none when 0: the
// resolution chunk is taken out of what the writer made).
inline Bytes Png(int width, int height, double dpi) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::red);
    if (dpi > 0) {
        image.setDotsPerMeterX(static_cast<int>(dpi / 0.0254 + 0.5));
        image.setDotsPerMeterY(static_cast<int>(dpi / 0.0254 + 0.5));
    }
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    Bytes png(data.begin(), data.end());
    if (dpi > 0)
        return png;
    // Chunks after the 8-byte signature: length (4, big-endian), type (4),
    // data, CRC (4).
    Bytes out(png.begin(), png.begin() + 8);
    for (size_t at = 8; at + 12 <= png.size();) {
        const size_t length = (size_t{png[at]} << 24) | (size_t{png[at + 1]} << 16) | (size_t{png[at + 2]} << 8) |
                              png[at + 3];
        const std::string type(png.begin() + at + 4, png.begin() + at + 8);
        if (type != "pHYs")
            out.insert(out.end(), png.begin() + at, png.begin() + at + 12 + length);
        at += 12 + length;
    }
    return out;
}

inline std::unique_ptr<QMimeData> OfferFiles(const std::vector<std::string>& urls) {
    auto data = std::make_unique<QMimeData>();
    QList<QUrl> list;
    for (const std::string& url : urls)
        list.append(url.find("://") == std::string::npos ? QUrl::fromLocalFile(QString::fromStdString(url))
                                                          : QUrl(QString::fromStdString(url)));
    data->setUrls(list);
    return data;
}

inline std::unique_ptr<QMimeData> OfferImage(int width, int height) {
    auto data = std::make_unique<QMimeData>();
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::blue);
    data->setImageData(image);
    return data;
}

}   // namespace embedding_test
