#pragma once
// Points, sizes and rectangles as the class library and the window system count them: a rectangle
// covers [Left, Right) x [Top, Bottom), so Right and Bottom are the first pixels outside it.
#include <algorithm>
#include <initializer_list>

struct TPoint {
    int X = 0, Y = 0;
    constexpr TPoint() = default;
    constexpr TPoint(int x, int y) : X(x), Y(y) {}
    friend constexpr bool operator==(const TPoint& a, const TPoint& b) { return a.X == b.X && a.Y == b.Y; }
    friend constexpr bool operator!=(const TPoint& a, const TPoint& b) { return !(a == b); }
};

struct TSize {
    int cx = 0, cy = 0;
    constexpr TSize() = default;
    constexpr TSize(int w, int h) : cx(w), cy(h) {}
    friend constexpr bool operator==(const TSize& a, const TSize& b) { return a.cx == b.cx && a.cy == b.cy; }
    friend constexpr bool operator!=(const TSize& a, const TSize& b) { return !(a == b); }
};

struct TRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    constexpr TRect() = default;
    constexpr TRect(int l, int t, int r, int b) : Left(l), Top(t), Right(r), Bottom(b) {}
    constexpr TRect(TPoint topLeft, TPoint bottomRight)
        : Left(topLeft.X), Top(topLeft.Y), Right(bottomRight.X), Bottom(bottomRight.Y) {}

    constexpr int Width() const { return Right - Left; }
    constexpr int Height() const { return Bottom - Top; }
    constexpr TPoint TopLeft() const { return {Left, Top}; }
    constexpr TPoint BottomRight() const { return {Right, Bottom}; }
    constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    constexpr bool Contains(TPoint p) const { return p.X >= Left && p.X < Right && p.Y >= Top && p.Y < Bottom; }

    friend constexpr bool operator==(const TRect& a, const TRect& b) {
        return a.Left == b.Left && a.Top == b.Top && a.Right == b.Right && a.Bottom == b.Bottom;
    }
    friend constexpr bool operator!=(const TRect& a, const TRect& b) { return !(a == b); }
};

namespace Types {

constexpr TRect Rect(int left, int top, int right, int bottom) { return {left, top, right, bottom}; }
constexpr TPoint Point(int x, int y) { return {x, y}; }
constexpr TRect Bounds(int left, int top, int width, int height) {
    return {left, top, left + width, top + height};
}

} // namespace Types

// The window system's rectangle helpers, under their own names.
inline bool SetRect(TRect& r, int left, int top, int right, int bottom) {
    r = {left, top, right, bottom};
    return true;
}
inline bool SetRectEmpty(TRect& r) { r = {}; return true; }
inline bool IsRectEmpty(const TRect& r) { return r.IsEmpty(); }
inline bool EqualRect(const TRect& a, const TRect& b) { return a == b; }
inline bool InflateRect(TRect& r, int dx, int dy) {
    r.Left -= dx; r.Top -= dy; r.Right += dx; r.Bottom += dy;
    return true;
}
inline bool OffsetRect(TRect& r, int dx, int dy) {
    r.Left += dx; r.Top += dy; r.Right += dx; r.Bottom += dy;
    return true;
}
inline bool PtInRect(const TRect& r, TPoint p) { return r.Contains(p); }
// An empty intersection leaves dst all zero and answers false, as the window system does.
inline bool IntersectRect(TRect& dst, const TRect& a, const TRect& b) {
    TRect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
            std::min(a.Bottom, b.Bottom)};
    if (r.IsEmpty()) { dst = {}; return false; }
    dst = r;
    return true;
}
// An empty source does not widen the union.
inline bool UnionRect(TRect& dst, const TRect& a, const TRect& b) {
    if (a.IsEmpty() && b.IsEmpty()) { dst = {}; return false; }
    if (a.IsEmpty()) { dst = b; return true; }
    if (b.IsEmpty()) { dst = a; return true; }
    dst = {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
           std::max(a.Bottom, b.Bottom)};
    return true;
}

// A small set over an enumeration, for the class library's set properties ([fsBold, fsItalic]).
template <typename E>
class TEnumSet {
public:
    constexpr TEnumSet() = default;
    constexpr TEnumSet(std::initializer_list<E> items) {
        for (E e : items) bits_ |= Bit(e);
    }
    constexpr bool Contains(E e) const { return (bits_ & Bit(e)) != 0; }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr TEnumSet& operator<<(E e) { bits_ |= Bit(e); return *this; }
    constexpr TEnumSet& operator>>(E e) { bits_ &= ~Bit(e); return *this; }
    constexpr TEnumSet operator+(const TEnumSet& o) const { return FromBits(bits_ | o.bits_); }
    constexpr TEnumSet operator-(const TEnumSet& o) const { return FromBits(bits_ & ~o.bits_); }
    constexpr TEnumSet operator*(const TEnumSet& o) const { return FromBits(bits_ & o.bits_); }
    constexpr unsigned long long Bits() const { return bits_; }
    static constexpr TEnumSet FromBits(unsigned long long bits) { TEnumSet s; s.bits_ = bits; return s; }
    friend constexpr bool operator==(const TEnumSet& a, const TEnumSet& b) { return a.bits_ == b.bits_; }
    friend constexpr bool operator!=(const TEnumSet& a, const TEnumSet& b) { return a.bits_ != b.bits_; }
private:
    static constexpr unsigned long long Bit(E e) { return 1ull << static_cast<unsigned>(e); }
    unsigned long long bits_ = 0;
};
