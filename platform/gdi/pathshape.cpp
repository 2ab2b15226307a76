#include "platform/gdi/pathshape.h"

#include <QPainterPath>

QRectF TracedRectangle(const QPainterPath& path) {
    const int count = path.elementCount();
    if (count != 5 || !path.elementAt(0).isMoveTo())
        return {};
    for (int i = 1; i < count; ++i) {
        const QPainterPath::Element& corner = path.elementAt(i);
        const QPointF previous = path.elementAt(i - 1);
        if (!corner.isLineTo() || (corner.x != previous.x() && corner.y != previous.y()))
            return {};
    }
    if (QPointF(path.elementAt(count - 1)) != QPointF(path.elementAt(0)))
        return {};
    const QRectF box = path.boundingRect();
    return box.width() > 0 && box.height() > 0 ? box : QRectF();
}
