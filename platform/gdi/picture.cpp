// CPicture: decoding through the toolkit's readers, drawing through the DC's painter.
#include "platform/gdi/picture.h"

#include "platform/gdi/dc.h"
#include "platform/gdi/dib.h"

#include <QBuffer>
#include <QIcon>
#include <QImageReader>
#include <QMimeDatabase>

#include <cmath>

namespace {

// A stated resolution (dots per metre) as pixels per inch; none when unset or absurd.
int DotsPerInch(int dotsPerMeter) {
    const int dpi = static_cast<int>(std::lround(dotsPerMeter * 0.0254));
    return dpi >= 1 && dpi <= 100000 ? dpi : CPicture::kDefaultDotsPerInch;
}

}  // namespace

bool CPicture::LoadImage(const std::vector<uint8_t>& bytes) {
    Clear();
    if (bytes.empty())
        return false;
    QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    QImage image;
    if (!reader.read(&image) || image.isNull())
        return false;
    // The reader fills in the screen's resolution when the file states
    // none; a file that states one keeps it.
    m_dotsPerInch = CSize(DotsPerInch(image.dotsPerMeterX()), DotsPerInch(image.dotsPerMeterY()));
    m_image = std::move(image);
    return true;
}

bool CPicture::LoadBitmap(const std::vector<uint8_t>& bytes) {
    Clear();
    QImage image;
    if (bytes.empty() || !DecodeBitmapResource(bytes.data(), bytes.size(), &image) || image.isNull())
        return false;
    m_dotsPerInch = CSize(kDefaultDotsPerInch, kDefaultDotsPerInch);
    m_image = std::move(image);
    return true;
}

bool CPicture::LoadFileTypeIcon(const std::string& mimeType, int size) {
    Clear();
    const QMimeType type = QMimeDatabase().mimeTypeForName(QString::fromStdString(mimeType));
    QIcon icon;
    if (type.isValid()) {
        icon = QIcon::fromTheme(type.iconName());
        if (icon.isNull())
            icon = QIcon::fromTheme(type.genericIconName());
    }
    if (icon.isNull() || size <= 0)
        return false;
    m_image = icon.pixmap(size, size).toImage();
    m_dotsPerInch = CSize(kDefaultDotsPerInch, kDefaultDotsPerInch);
    return !m_image.isNull();
}

bool CPicture::Draw(CDC* dc, const RECT& bounds) const {
    if (IsEmpty() || !dc)
        return false;
    CRect device(bounds);
    dc->LPtoDP(&device);
    device.NormalizeRect();
    QPainter* painter = dc->GetPainter();
    if (!painter || device.IsRectEmpty())
        return false;
    painter->save();
    painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter->setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter->drawImage(QRect(device.left, device.top, device.Width(), device.Height()), m_image);
    painter->restore();
    return true;
}

int PixelsToHimetric(int pixels, int dotsPerInch) {
    if (dotsPerInch <= 0)
        dotsPerInch = CPicture::kDefaultDotsPerInch;
    return static_cast<int>(std::lround(pixels * 2540.0 / dotsPerInch));
}
