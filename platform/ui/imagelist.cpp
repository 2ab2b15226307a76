#include "platform/ui/imagelist.h"

#include "platform/core/resources.h"
#include "platform/gdi/dib.h"

#include <QColor>
#include <QPainter>

#include <algorithm>

BOOL CImageList::Create(int cx, int cy, UINT, int, int) {
    if (cx <= 0 || cy <= 0)
        return FALSE;
    m_cx = cx;
    m_cy = cy;
    m_images.clear();
    m_bCreated = true;
    return TRUE;
}

BOOL CImageList::Create(UINT nBitmapID, int cx, int nGrow, COLORREF crMask) {
    const ResourceBlock block = FindResource(RT_BITMAP, nBitmapID);
    if (!block)
        return FALSE;
    QImage strip;
    if (!DecodeBitmapResource(block.data, block.size, &strip) || !Create(cx, strip.height(), ILC_MASK, 0, nGrow))
        return FALSE;
    Add(strip, crMask);
    return TRUE;
}

BOOL CImageList::DeleteImageList() {
    const BOOL was = m_bCreated ? TRUE : FALSE;
    m_images.clear();
    m_bCreated = false;
    return was;
}

BOOL CImageList::GetIconSize(int* cx, int* cy) const {
    if (!m_bCreated)
        return FALSE;
    if (cx)
        *cx = m_cx;
    if (cy)
        *cy = m_cy;
    return TRUE;
}

int CImageList::Add(const QImage& strip, COLORREF crMask) {
    if (!m_bCreated || strip.isNull() || strip.width() < m_cx)
        return -1;
    QImage image = strip.convertToFormat(QImage::Format_ARGB32);
    if (crMask != CLR_NONE) {
        const QRgb mask = qRgb(GetRValue(crMask), GetGValue(crMask), GetBValue(crMask));
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if ((image.pixel(x, y) & 0xFFFFFF) == (mask & 0xFFFFFF))
                    image.setPixel(x, y, qRgba(0, 0, 0, 0));
    }
    const int first = GetImageCount();
    for (int left = 0; left + m_cx <= image.width(); left += m_cx)
        m_images.push_back(QPixmap::fromImage(image.copy(left, 0, m_cx, std::min(m_cy, image.height()))));
    return first;
}

BOOL CImageList::Remove(int nImage) {
    if (nImage == -1) {
        m_images.clear();
        return TRUE;
    }
    if (nImage < 0 || nImage >= GetImageCount())
        return FALSE;
    m_images.erase(m_images.begin() + nImage);
    return TRUE;
}

QPixmap CImageList::GetImage(int nImage) const {
    if (nImage < 0 || nImage >= GetImageCount())
        return {};
    return m_images[static_cast<std::size_t>(nImage)];
}

QSize ImageSizeOf(const CImageList* images) {
    int cx = 0;
    int cy = 0;
    if (images && images->GetIconSize(&cx, &cy))
        return {cx, cy};
    return {0, 0};
}

QSize ItemPictureSize(const CImageList* stateImages, const CImageList* images) {
    const QSize state = ImageSizeOf(stateImages);
    const QSize image = ImageSizeOf(images);
    return {state.width() + image.width(), std::max(state.height(), image.height())};
}

QPixmap ItemPicture(const CImageList* stateImages, int nStateImage, const CImageList* images, int nImage) {
    const QSize whole = ItemPictureSize(stateImages, images);
    if (whole.isEmpty())
        return {};
    QPixmap picture(whole);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    if (stateImages && nStateImage > 0)
        painter.drawPixmap(0, 0, stateImages->GetImage(nStateImage - 1));
    if (images)
        painter.drawPixmap(ImageSizeOf(stateImages).width(), 0, images->GetImage(nImage));
    return picture;
}
