#include "platform/ui/geometry.h"

#include <algorithm>
#include <utility>

int SetRect(RECT* rect, int left, int top, int right, int bottom) {
    if (!rect)
        return 0;
    *rect = RECT{left, top, right, bottom};
    return 1;
}

int SetRectEmpty(RECT* rect) {
    return SetRect(rect, 0, 0, 0, 0);
}

int IsRectEmpty(const RECT* rect) {
    return !rect || rect->right <= rect->left || rect->bottom <= rect->top;
}

int EqualRect(const RECT* a, const RECT* b) {
    if (!a || !b)
        return 0;
    return a->left == b->left && a->top == b->top && a->right == b->right && a->bottom == b->bottom;
}

int PtInRect(const RECT* rect, POINT point) {
    // Right and bottom lie outside.
    return rect && point.x >= rect->left && point.x < rect->right && point.y >= rect->top &&
           point.y < rect->bottom;
}

int OffsetRect(RECT* rect, int dx, int dy) {
    if (!rect)
        return 0;
    rect->left += dx;
    rect->right += dx;
    rect->top += dy;
    rect->bottom += dy;
    return 1;
}

int InflateRect(RECT* rect, int dx, int dy) {
    if (!rect)
        return 0;
    rect->left -= dx;
    rect->right += dx;
    rect->top -= dy;
    rect->bottom += dy;
    return 1;
}

int IntersectRect(RECT* out, const RECT* a, const RECT* b) {
    if (!out || !a || !b)
        return 0;
    RECT common{std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
                std::min(a->bottom, b->bottom)};
    if (IsRectEmpty(a) || IsRectEmpty(b) || IsRectEmpty(&common)) {
        SetRectEmpty(out);
        return 0;
    }
    *out = common;
    return 1;
}

int UnionRect(RECT* out, const RECT* a, const RECT* b) {
    if (!out || !a || !b)
        return 0;
    const bool aEmpty = IsRectEmpty(a) != 0;
    const bool bEmpty = IsRectEmpty(b) != 0;
    if (aEmpty && bEmpty) {
        SetRectEmpty(out);
        return 0;
    }
    if (aEmpty || bEmpty) {
        *out = aEmpty ? *b : *a;
        return 1;
    }
    *out = RECT{std::min(a->left, b->left), std::min(a->top, b->top), std::max(a->right, b->right),
                std::max(a->bottom, b->bottom)};
    return 1;
}

void CRect::InflateRect(int l, int t, int r, int b) {
    left -= l;
    top -= t;
    right += r;
    bottom += b;
}

void CRect::NormalizeRect() {
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
}
