// CImageList: a row of small images of one size, for the list and tree
// controls (normal, small and state images).
//
// Create(nBitmapID, cx, nGrow, crMask) cuts the bitmap resource of that id
// (an image file's bytes, resources.h) into images cx pixels wide; pixels of
// the mask colour become transparent (CLR_NONE: none). User-interface thread
// only.
#pragma once

#include "platform/ui/geometry.h"
#include "platform/ui/messages.h"

#include <QImage>
#include <QPixmap>

#include <vector>

inline constexpr COLORREF CLR_NONE = 0xFFFFFFFF;

// The state bits of list and tree items that hold their state image's
// 1-based index (0: none).
constexpr UINT INDEXTOSTATEIMAGEMASK(UINT i) { return i << 12; }

enum : UINT {
    ILC_MASK = 0x0001,
    ILC_COLOR = 0x0000,
    ILC_COLOR4 = 0x0004,
    ILC_COLOR8 = 0x0008,
    ILC_COLOR16 = 0x0010,
    ILC_COLOR24 = 0x0018,
    ILC_COLOR32 = 0x0020,
};

class CImageList {
public:
    CImageList() = default;
    CImageList(const CImageList&) = delete;
    CImageList& operator=(const CImageList&) = delete;

    BOOL Create(int cx, int cy, UINT nFlags, int nInitial, int nGrow);
    BOOL Create(UINT nBitmapID, int cx, int nGrow, COLORREF crMask);
    BOOL DeleteImageList();
    // Whether the list was made.
    explicit operator bool() const { return m_bCreated; }

    int GetImageCount() const { return static_cast<int>(m_images.size()); }
    BOOL GetIconSize(int* cx, int* cy) const;
    // Adds the strip's images (as many as its width holds); answers the index
    // of the first, or -1.
    int Add(const QImage& strip, COLORREF crMask = CLR_NONE);
    BOOL Remove(int nImage);   // -1: all
    // The image (null for an index out of range).
    QPixmap GetImage(int nImage) const;

private:
    bool m_bCreated = false;
    int m_cx = 0;
    int m_cy = 0;
    std::vector<QPixmap> m_images;
};

// ---- the pictures of list and tree items ----------------------------------------------

// The size of one image of a list; empty for a null list or one not made.
QSize ImageSizeOf(const CImageList* images);
// The size of an item's picture: the state image and the image side by side.
QSize ItemPictureSize(const CImageList* stateImages, const CImageList* images);
// An item's picture: state image `nStateImage` (1-based, 0 for none) and then
// image `nImage`. A null pixmap when neither list has a size.
QPixmap ItemPicture(const CImageList* stateImages, int nStateImage, const CImageList* images, int nImage);
