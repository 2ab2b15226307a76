// What the clef and key tests share: display objects over events the test
// holds, the ink box of a canvas in logical units, and the bytes an object
// archives.
#pragma once

#include "model/markings.h"
#include "platform/core/archive.h"
#include "tests/notation/display/display_support.h"

#include <QImage>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

namespace clefkey {

using Bytes = std::vector<uint8_t>;

inline Bytes Store(CObject* object) {
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    object->Serialize(ar);
    ar.Close();
    return file.Detach();
}

inline void Load(CObject* object, const Bytes& bytes) {
    CMemFile file(bytes);
    CArchive ar(&file, CArchive::load);
    object->Serialize(ar);
    ar.Close();
}

// A display object of class D over an event E of its own. The test holds
// both: the display is not in the event's view data.
template <class E, class D>
struct Displayed {
    E* event;   // held here
    D display;
    template <class... Args>
    explicit Displayed(Args&&... args) : event(new E(std::forward<Args>(args)...)) {
        event->Ref();
        display.SetOwner(event);
    }
    ~Displayed() { event->Unref(1); }
    Displayed(const Displayed&) = delete;
    Displayed& operator=(const Displayed&) = delete;
};

// Where the ink of a canvas lies, in logical units of a DisplayCanvas whose
// origin is (originX, originY): left/right and top/bottom (top the larger
// y), each the outermost inked pixel. Empty when nothing was drawn.
struct InkBox {
    int left, top, right, bottom;
};

inline std::optional<InkBox> InkIn(const QImage& image, int originX, int originY, int fromX = 0, int toX = -1) {
    if (toX < 0)
        toX = image.width();
    std::optional<InkBox> box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = std::max(fromX, 0); x < std::min(toX, image.width()); ++x) {
            if ((image.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF)
                continue;
            const int lx = x - originX;
            const int ly = originY - y;
            if (!box)
                box = InkBox{lx, ly, lx, ly};
            box->left = std::min(box->left, lx);
            box->right = std::max(box->right, lx);
            box->top = std::max(box->top, ly);
            box->bottom = std::min(box->bottom, ly);
        }
    return box;
}

}  // namespace clefkey
