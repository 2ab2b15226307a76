// Points, sizes, rectangles and colours as the window layer measures them.
//
// POINT, SIZE and RECT are the plain records; CPoint, CSize and CRect add the
// arithmetic. A rectangle holds its left and top edges and lies *before* its
// right and bottom ones: {0, 0, 10, 5} covers x 0..9 and y 0..4, is 10 wide,
// and PtInRect answers false on its right and bottom edges. A rectangle whose
// width or height is not positive is empty: it contains no point, an
// intersection with it is empty, and a union ignores it (the union of two
// empty rectangles is the null rectangle {0, 0, 0, 0}). NormalizeRect swaps
// the edges of a rectangle given the wrong way round.
//
// COLORREF is a colour as 0x00BBGGRR (RGB, GetRValue ...). Plain data; any thread.
#pragma once

#include <cstdint>

using LONG = std::int32_t;
using BYTE = std::uint8_t;
using COLORREF = std::uint32_t;

constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) {
    return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) | (static_cast<COLORREF>(b) << 16);
}
constexpr BYTE GetRValue(COLORREF c) { return static_cast<BYTE>(c & 0xFF); }
constexpr BYTE GetGValue(COLORREF c) { return static_cast<BYTE>((c >> 8) & 0xFF); }
constexpr BYTE GetBValue(COLORREF c) { return static_cast<BYTE>((c >> 16) & 0xFF); }

struct POINT {
    LONG x = 0;
    LONG y = 0;
};

struct SIZE {
    LONG cx = 0;
    LONG cy = 0;
};

struct RECT {
    LONG left = 0;
    LONG top = 0;
    LONG right = 0;
    LONG bottom = 0;
};

// The rectangle functions on plain records. The ones that answer a BOOL answer
// it as an int: non-zero for true.
int SetRect(RECT* rect, int left, int top, int right, int bottom);
int SetRectEmpty(RECT* rect);
int IsRectEmpty(const RECT* rect);
int EqualRect(const RECT* a, const RECT* b);
int PtInRect(const RECT* rect, POINT point);
int OffsetRect(RECT* rect, int dx, int dy);
int InflateRect(RECT* rect, int dx, int dy);
// `out` becomes the common part of `a` and `b`; when there is none (or either
// is empty) it becomes {0, 0, 0, 0} and the answer is 0.
int IntersectRect(RECT* out, const RECT* a, const RECT* b);
// `out` becomes the smallest rectangle holding both; an empty one is left out.
// Both empty: {0, 0, 0, 0} and the answer 0.
int UnionRect(RECT* out, const RECT* a, const RECT* b);

class CSize : public SIZE {
public:
    constexpr CSize() = default;
    constexpr CSize(int x, int y) : SIZE{x, y} {}
    constexpr CSize(SIZE size) : SIZE(size) {}

    constexpr bool operator==(const SIZE& other) const { return cx == other.cx && cy == other.cy; }
    constexpr CSize operator+(SIZE other) const { return {cx + other.cx, cy + other.cy}; }
    constexpr CSize operator-(SIZE other) const { return {cx - other.cx, cy - other.cy}; }
    constexpr CSize operator-() const { return {-cx, -cy}; }
    CSize& operator+=(SIZE other) { cx += other.cx; cy += other.cy; return *this; }
    CSize& operator-=(SIZE other) { cx -= other.cx; cy -= other.cy; return *this; }
};

class CPoint : public POINT {
public:
    constexpr CPoint() = default;
    constexpr CPoint(int x0, int y0) : POINT{x0, y0} {}
    constexpr CPoint(POINT point) : POINT(point) {}

    void Offset(int dx, int dy) { x += dx; y += dy; }
    void Offset(SIZE size) { Offset(size.cx, size.cy); }

    constexpr bool operator==(const POINT& other) const { return x == other.x && y == other.y; }
    constexpr CPoint operator+(SIZE size) const { return {x + size.cx, y + size.cy}; }
    constexpr CPoint operator-(SIZE size) const { return {x - size.cx, y - size.cy}; }
    // The distance between two points.
    constexpr CSize operator-(POINT other) const { return {x - other.x, y - other.y}; }
    constexpr CPoint operator-() const { return {-x, -y}; }
    CPoint& operator+=(SIZE size) { Offset(size); return *this; }
    CPoint& operator-=(SIZE size) { Offset(-size.cx, -size.cy); return *this; }
};

class CRect : public RECT {
public:
    constexpr CRect() = default;
    constexpr CRect(int l, int t, int r, int b) : RECT{l, t, r, b} {}
    constexpr CRect(const RECT& rect) : RECT(rect) {}
    constexpr CRect(POINT topLeft, SIZE size)
        : RECT{topLeft.x, topLeft.y, topLeft.x + size.cx, topLeft.y + size.cy} {}
    constexpr CRect(POINT topLeft, POINT bottomRight)
        : RECT{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y} {}

    constexpr int Width() const { return right - left; }
    constexpr int Height() const { return bottom - top; }
    constexpr CSize Size() const { return {Width(), Height()}; }
    constexpr CPoint TopLeft() const { return {left, top}; }
    constexpr CPoint BottomRight() const { return {right, bottom}; }
    constexpr CPoint CenterPoint() const { return {(left + right) / 2, (top + bottom) / 2}; }

    bool IsRectEmpty() const { return ::IsRectEmpty(this) != 0; }
    // All four edges zero.
    constexpr bool IsRectNull() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
    bool PtInRect(POINT point) const { return ::PtInRect(this, point) != 0; }
    bool EqualRect(const RECT& other) const { return ::EqualRect(this, &other) != 0; }

    void SetRect(int l, int t, int r, int b) { ::SetRect(this, l, t, r, b); }
    void SetRectEmpty() { ::SetRectEmpty(this); }
    void CopyRect(const RECT& other) { *static_cast<RECT*>(this) = other; }
    void OffsetRect(int dx, int dy) { ::OffsetRect(this, dx, dy); }
    void OffsetRect(SIZE size) { OffsetRect(size.cx, size.cy); }
    void OffsetRect(POINT point) { OffsetRect(point.x, point.y); }
    void InflateRect(int dx, int dy) { ::InflateRect(this, dx, dy); }
    void InflateRect(SIZE size) { InflateRect(size.cx, size.cy); }
    void InflateRect(int l, int t, int r, int b);
    void DeflateRect(int dx, int dy) { InflateRect(-dx, -dy); }
    void DeflateRect(SIZE size) { InflateRect(-size.cx, -size.cy); }
    void DeflateRect(int l, int t, int r, int b) { InflateRect(-l, -t, -r, -b); }
    // Swaps left and right, top and bottom where they stand the wrong way round.
    void NormalizeRect();

    bool IntersectRect(const RECT& a, const RECT& b) { return ::IntersectRect(this, &a, &b) != 0; }
    bool UnionRect(const RECT& a, const RECT& b) { return ::UnionRect(this, &a, &b) != 0; }

    bool operator==(const RECT& other) const { return EqualRect(other); }
    CRect operator&(const RECT& other) const { CRect r; r.IntersectRect(*this, other); return r; }
    CRect operator|(const RECT& other) const { CRect r; r.UnionRect(*this, other); return r; }
    CRect& operator&=(const RECT& other) { IntersectRect(*this, other); return *this; }
    CRect& operator|=(const RECT& other) { UnionRect(*this, other); return *this; }
    CRect operator+(POINT point) const { CRect r(*this); r.OffsetRect(point); return r; }
    CRect operator-(POINT point) const { CRect r(*this); r.OffsetRect(-point.x, -point.y); return r; }
    CRect& operator+=(POINT point) { OffsetRect(point); return *this; }
    CRect& operator-=(POINT point) { OffsetRect(-point.x, -point.y); return *this; }
};
