// CPicture: decoding through the toolkit's readers, drawing through the DC's painter.
#include "platform/gdi/picture.h"

#include "platform/gdi/dc.h"
#include "platform/gdi/dib.h"
#include "platform/gdi/imagedecode_private.h"

#include <QIcon>
#include <QMimeDatabase>

bool CPicture::LoadImage(const std::vector<uint8_t>& bytes) {
    Clear();
    QImage image;
    if (!platform_detail::DecodeImage(bytes, true, image))
        return false;
    m_image = std::move(image);
    return true;
}

bool CPicture::LoadBitmap(const std::vector<uint8_t>& bytes) {
    Clear();
    QImage image;
    if (bytes.empty() || !DecodeBitmapResource(bytes.data(), bytes.size(), &image) || image.isNull())
        return false;
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
