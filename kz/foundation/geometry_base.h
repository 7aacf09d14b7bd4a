// Shared machinery of the three geometry families: 32-bit integer (KzPoint, KzSize, KzRect),
// float (KzPointF, ...) and double (KzPointD, ...).
//
// Every point, size and rectangle class derives from its plain record (tagPOINT, tagRECTD, ...)
// and from one of the empty operation templates below, so it keeps the record's layout. A
// family traits struct supplies the number type and what differs between the families: the
// equality tolerance, strict or non-strict intersection and the start value of PolygonBox.
// Nothing here allocates and nothing is virtual; the raster code calls these per block and row.
#pragma once

#include <cmath>
#include <cstdint>
#include <type_traits>

#include "kz/foundation/error.h"

// Truncates toward zero as the original platform's conversion does: NaN and values outside the
// int range give INT_MIN (0x80000000) instead of undefined behaviour.
inline int kzTruncToInt(double value) {
  if (value > -2147483649.0 && value < 2147483648.0) return static_cast<int>(value);
  return INT32_MIN;
}

namespace kz::geometry_detail {

// The two coordinates of a point (x, y) or a size (cx, cy).
template <class P>
constexpr auto& First(P& p) {
  if constexpr (requires { p.cx; }) {
    return p.cx;
  } else {
    return p.x;
  }
}
template <class P>
constexpr auto& Second(P& p) {
  if constexpr (requires { p.cy; }) {
    return p.cy;
  } else {
    return p.y;
  }
}

// Integers compare exactly; floating values when `a` lies strictly inside b +- tolerance,
// compared in double precision.
template <class V>
constexpr bool CoordEqual(V a, V b, double tolerance) {
  if constexpr (std::is_integral_v<V>) {
    return a == b;
  } else {
    const double da = a;
    const double db = b;
    return da > db - tolerance && da < db + tolerance;
  }
}

// v * m: integers by integers exactly, integers by a floating factor truncated toward zero,
// floating values in their own precision.
template <class V, class M>
constexpr V Multiply(V v, M m) {
  if constexpr (std::is_integral_v<V> && std::is_floating_point_v<M>) {
    return kzTruncToInt(v * static_cast<double>(m));
  } else {
    return static_cast<V>(v * static_cast<V>(m));
  }
}

// v / d: integers by integers with C division (a zero divisor throws 0x20010008 instead of
// faulting), anything else as v * (1.0 / d), truncated toward zero for integers.
template <class V, class D>
constexpr V Divide(V v, D d) {
  if constexpr (std::is_integral_v<V> && std::is_integral_v<D>) {
    if (d == 0) kzThrowError(kKzErrorParameter);
    return static_cast<V>(v / d);
  } else if constexpr (std::is_integral_v<V>) {
    return kzTruncToInt(v * (1.0 / d));
  } else {
    return static_cast<V>(v * (1.0 / d));
  }
}

// v + 1: in double precision for the floating families.
template <class V>
constexpr V PlusOne(V v) {
  if constexpr (std::is_integral_v<V>) {
    return v + 1;
  } else {
    return static_cast<V>(v + 1.0);
  }
}

// (a + b) / 2: integers with C division (the sum in 64 bits), floating values as (a + b) * 0.5.
template <class V>
constexpr V Middle(V a, V b) {
  if constexpr (std::is_integral_v<V>) {
    return static_cast<V>((std::int64_t{a} + b) / 2);
  } else {
    return static_cast<V>((a + b) * 0.5);
  }
}

// Operations shared by points and sizes. `Plain` is the class's own record (tagPOINT for a
// point, tagSIZE for a size); `F` is the family's traits.
template <class Derived, class Plain, class F>
class PairOps {
  using V = typename F::Value;
  using PlainPoint = typename F::PlainPoint;
  using PlainSize = typename F::PlainSize;
  using PlainRect = typename F::PlainRect;
  using PointClass = typename F::PointClass;
  using RectClass = typename F::RectClass;
  static constexpr bool kIsPoint = std::is_same_v<Plain, PlainPoint>;

 public:
  void SetPt(V a, V b) {
    First(self()) = a;
    Second(self()) = b;
  }
  void SetPt(const Plain& p) { SetPt(First(p), Second(p)); }

  void Offset(V da, V db) {
    First(self()) += da;
    Second(self()) += db;
  }
  void Offset(const PlainPoint& p) { Offset(p.x, p.y); }
  void Offset(const PlainSize& s) { Offset(s.cx, s.cy); }

  Derived& operator+=(const PlainPoint& p) { return Add(p.x, p.y); }
  Derived& operator+=(const PlainSize& s) { return Add(s.cx, s.cy); }
  Derived& operator-=(const PlainPoint& p) { return Add(-p.x, -p.y); }
  Derived& operator-=(const PlainSize& s) { return Add(-s.cx, -s.cy); }

  // Scaling by the family's own number type; integer division by 0 throws 0x20010008.
  Derived& operator*=(V m) { return Scale(m); }
  Derived& operator/=(V d) { return Shrink(d); }
  // Integer family only: each coordinate becomes trunc(c * m), resp. trunc(c * (1.0 / d)).
  Derived& operator*=(double m) requires std::is_integral_v<V> { return Scale(m); }
  Derived& operator/=(double d) requires std::is_integral_v<V> { return Shrink(d); }

  // Exact for integers; within the family's tolerance (per coordinate) for float and double.
  bool operator==(const Plain& o) const {
    return CoordEqual(First(self()), First(o), F::kTolerance) &&
           CoordEqual(Second(self()), Second(o), F::kTolerance);
  }
  bool operator!=(const Plain& o) const { return !(*this == o); }

  Derived operator-() const { return Derived(-First(self()), -Second(self())); }
  // With a point operand the result is a point; with a size operand it has this class's type.
  PointClass operator+(const PlainPoint& p) const {
    return PointClass(First(self()) + p.x, Second(self()) + p.y);
  }
  PointClass operator-(const PlainPoint& p) const {
    return PointClass(First(self()) - p.x, Second(self()) - p.y);
  }
  Derived operator+(const PlainSize& s) const {
    return Derived(First(self()) + s.cx, Second(self()) + s.cy);
  }
  Derived operator-(const PlainSize& s) const {
    return Derived(First(self()) - s.cx, Second(self()) - s.cy);
  }
  Derived operator*(V m) const { return Derived(self()).Scale(m); }
  Derived operator/(V d) const { return Derived(self()).Shrink(d); }
  Derived operator*(double m) const requires std::is_integral_v<V> {
    return Derived(self()).Scale(m);
  }
  Derived operator/(double d) const requires std::is_integral_v<V> {
    return Derived(self()).Shrink(d);
  }

  // The rectangle offset by this value, resp. by its negation.
  RectClass operator+(const PlainRect* r) const {
    RectClass out(*r);
    out.OffsetRect(First(self()), Second(self()));
    return out;
  }
  RectClass operator-(const PlainRect* r) const {
    RectClass out(*r);
    out.OffsetRect(-First(self()), -Second(self()));
    return out;
  }

  // Points of the float and double families: rotation about the origin by `radians`, both
  // results from the old coordinates.
  void Rotate(double radians) requires(std::is_floating_point_v<V>&& kIsPoint) {
    const double c = std::cos(radians);
    const double s = std::sin(radians);
    const double x = self().x;
    const double y = self().y;
    self().x = static_cast<V>(x * c - y * s);
    self().y = static_cast<V>(x * s + y * c);
  }

  operator Plain*() { return &self(); }
  operator const Plain*() const { return &self(); }

 private:
  Derived& self() { return static_cast<Derived&>(*this); }
  const Derived& self() const { return static_cast<const Derived&>(*this); }
  Derived& Add(V da, V db) {
    Offset(da, db);
    return self();
  }
  template <class M>
  Derived& Scale(M m) {
    SetPt(Multiply(First(self()), m), Multiply(Second(self()), m));
    return self();
  }
  template <class D>
  Derived& Shrink(D d) {
    SetPt(Divide(First(self()), d), Divide(Second(self()), d));
    return self();
  }
};

// Rectangle operations. Right and bottom are exclusive; a rectangle is empty when
// left >= right or top >= bottom, null when all four fields are 0. Nothing normalises a
// rectangle implicitly.
template <class Derived, class F>
class RectOps {
  using V = typename F::Value;
  using PlainPoint = typename F::PlainPoint;
  using PlainSize = typename F::PlainSize;
  using PlainRect = typename F::PlainRect;
  using PointClass = typename F::PointClass;
  using SizeClass = typename F::SizeClass;

 public:
  void SetRect(V l, V t, V r, V b) {
    self().left = l;
    self().top = t;
    self().right = r;
    self().bottom = b;
  }
  void SetRect(const PlainPoint& topLeft, const PlainPoint& bottomRight) {
    SetRect(topLeft.x, topLeft.y, bottomRight.x, bottomRight.y);
  }
  // (p.x, p.y, p.x + s.cx, p.y + s.cy).
  void SetRect(const PlainPoint& p, const PlainSize& s) {
    SetRect(p.x, p.y, p.x + s.cx, p.y + s.cy);
  }
  // The null rectangle (0, 0, 0, 0).
  void SetRectEmpty() { SetRect(V{}, V{}, V{}, V{}); }
  // Copies `*source` into this rectangle.
  void CopyRect(const PlainRect* source) { Assign(*source); }
  Derived& operator=(const PlainRect& source) {
    Assign(source);
    return self();
  }

  V Width() const { return self().right - self().left; }
  V Height() const { return self().bottom - self().top; }
  SizeClass Size() const { return SizeClass(Width(), Height()); }
  // Integer family: (left + right) / 2 truncating toward zero; float and double: (a + b) * 0.5.
  PointClass CenterPoint() const {
    return PointClass(Middle(self().left, self().right), Middle(self().top, self().bottom));
  }
  // `left`, `top`, resp. `right`, `bottom` viewed in place as a point (the point classes may
  // alias the rectangle's fields).
  PointClass& TopLeft() { return *reinterpret_cast<PointClass*>(&self().left); }
  const PointClass& TopLeft() const { return *reinterpret_cast<const PointClass*>(&self().left); }
  PointClass& BottomRight() { return *reinterpret_cast<PointClass*>(&self().right); }
  const PointClass& BottomRight() const {
    return *reinterpret_cast<const PointClass*>(&self().right);
  }

  int IsRectEmpty() const { return IsEmpty(self()); }
  // All four fields exactly 0.
  int IsRectNull() const {
    return self().left == 0 && self().top == 0 && self().right == 0 && self().bottom == 0;
  }
  // left <= x < right and top <= y < bottom.
  int PtInRect(const PlainPoint& p) const {
    return p.x >= self().left && p.x < self().right && p.y >= self().top && p.y < self().bottom;
  }
  // Exact for integers; within the family's tolerance per field for float and double.
  int EqualRect(const PlainRect* o) const {
    return CoordEqual(self().left, o->left, F::kTolerance) &&
           CoordEqual(self().top, o->top, F::kTolerance) &&
           CoordEqual(self().right, o->right, F::kTolerance) &&
           CoordEqual(self().bottom, o->bottom, F::kTolerance);
  }
  bool operator==(const PlainRect& o) const { return EqualRect(&o) != 0; }
  bool operator!=(const PlainRect& o) const { return EqualRect(&o) == 0; }

  void SwapLeftRight() { Swap(self().left, self().right); }
  // Orders left <= right and top <= bottom.
  void NormalizeRect() {
    if (self().left > self().right) Swap(self().left, self().right);
    if (self().top > self().bottom) Swap(self().top, self().bottom);
  }

  // Grows by dx on the left and right and by dy on the top and bottom.
  void InflateRect(V dx, V dy) { InflateRect(dx, dy, dx, dy); }
  void InflateRect(const PlainSize& s) { InflateRect(s.cx, s.cy, s.cx, s.cy); }
  // Grows each side by the matching field of `*r`.
  void InflateRect(const PlainRect* r) { InflateRect(r->left, r->top, r->right, r->bottom); }
  void InflateRect(V l, V t, V r, V b) {
    self().left -= l;
    self().top -= t;
    self().right += r;
    self().bottom += b;
  }
  void DeflateRect(V dx, V dy) { InflateRect(-dx, -dy, -dx, -dy); }
  void DeflateRect(const PlainSize& s) { InflateRect(-s.cx, -s.cy, -s.cx, -s.cy); }
  void DeflateRect(const PlainRect* r) { InflateRect(-r->left, -r->top, -r->right, -r->bottom); }
  void DeflateRect(V l, V t, V r, V b) { InflateRect(-l, -t, -r, -b); }
  Derived& operator+=(const PlainRect* r) {
    InflateRect(r);
    return self();
  }
  Derived& operator-=(const PlainRect* r) {
    DeflateRect(r);
    return self();
  }

  void OffsetRect(V dx, V dy) {
    self().left += dx;
    self().top += dy;
    self().right += dx;
    self().bottom += dy;
  }
  void OffsetRect(const PlainPoint& p) { OffsetRect(p.x, p.y); }
  void OffsetRect(const PlainSize& s) { OffsetRect(s.cx, s.cy); }
  Derived& operator+=(const PlainPoint& p) { return Moved(p.x, p.y); }
  Derived& operator+=(const PlainSize& s) { return Moved(s.cx, s.cy); }
  Derived& operator-=(const PlainPoint& p) { return Moved(-p.x, -p.y); }
  Derived& operator-=(const PlainSize& s) { return Moved(-s.cx, -s.cy); }

  // This becomes the overlap of `*a` and `*b` (either may be this rectangle); returns 1. When
  // they do not overlap: the integer family requires a non-empty overlap and clears this to the
  // null rectangle; the float and double families accept touching edges (zero width or height)
  // and leave this unchanged. Both return 0 then.
  int IntersectRect(const PlainRect* a, const PlainRect* b) {
    const V l = Max(a->left, b->left);
    const V t = Max(a->top, b->top);
    const V r = Min(a->right, b->right);
    const V bo = Min(a->bottom, b->bottom);
    if constexpr (F::kStrictIntersect) {
      if (l < r && t < bo) {
        SetRect(l, t, r, bo);
        return 1;
      }
      SetRectEmpty();
      return 0;
    } else {
      if (l <= r && t <= bo) {
        SetRect(l, t, r, bo);
        return 1;
      }
      return 0;
    }
  }
  int IntersectRect(const PlainRect* other) { return IntersectRect(&self(), other); }
  Derived& operator&=(const PlainRect& other) {
    IntersectRect(&self(), &other);
    return self();
  }
  // True when the two overlap with a non-empty area.
  int IsIntersectRect(const PlainRect* o) const {
    return o->left < self().right && o->right > self().left && o->top < self().bottom &&
           o->bottom > self().top;
  }
  // This becomes the overlap of `a` with `b` moved by (-dx, -dy); returns IntersectRect's result.
  int IntersectWithOffset(PlainRect a, PlainRect b, V dx, V dy) {
    b.left -= dx;
    b.top -= dy;
    b.right -= dx;
    b.bottom -= dy;
    return IntersectRect(&a, &b);
  }

  // This becomes the smallest rectangle holding `*a` and `*b` (either may be this); an empty
  // operand does not count. Two empty operands return 0 and leave this unchanged; else 1.
  int UnionRect(const PlainRect* a, const PlainRect* b) {
    const bool emptyA = IsEmpty(*a);
    const bool emptyB = IsEmpty(*b);
    if (emptyA && emptyB) return 0;
    if (emptyA) {
      Assign(*b);
    } else if (emptyB) {
      Assign(*a);
    } else {
      SetRect(Min(a->left, b->left), Min(a->top, b->top), Max(a->right, b->right),
              Max(a->bottom, b->bottom));
    }
    return 1;
  }
  int UnionRect(const PlainRect* other) { return UnionRect(&self(), other); }
  Derived& operator|=(const PlainRect& other) {
    UnionRect(&self(), &other);
    return self();
  }
  // Union with the one-unit rectangle (x, y, x + 1, y + 1).
  int UnionRect(const PlainPoint* p) {
    const PlainRect unit{p->x, p->y, PlusOne(p->x), PlusOne(p->y)};
    return UnionRect(&self(), &unit);
  }
  // Grows to include `p` without treating an empty rectangle specially: left and top lower to
  // the point, right and bottom rise to one past it. A bounding box built from points starts
  // with large left and top and small right and bottom.
  void UnionPoint(const PlainPoint& p) {
    if (p.x < self().left) self().left = p.x;
    if (p.y < self().top) self().top = p.y;
    if (self().right <= p.x) self().right = PlusOne(p.x);
    if (self().bottom <= p.y) self().bottom = PlusOne(p.y);
  }

  // The rectangle spanned by two corners in any order. The larger coordinate itself becomes
  // right (bottom), not one past it, except when the two are equal (within the family's
  // tolerance): then right = a.x + 1. The result never has a zero width or height.
  void Pt2Rect(const PlainPoint& a, const PlainPoint& b) {
    Span(a.x, b.x, self().left, self().right);
    Span(a.y, b.y, self().top, self().bottom);
  }
  // Bounding box of `count` points: left and top start at the family's large value, right and
  // bottom at 0, and each point lowers or raises them to its coordinates (the largest
  // coordinates themselves, not one past them). Points at negative coordinates therefore leave
  // right or bottom at 0; a count below 1 leaves the start values.
  void PolygonBox(const PlainPoint* points, int count) {
    SetRect(F::kBoxStart, F::kBoxStart, V{}, V{});
    for (int i = 0; i < count; ++i) {
      const PlainPoint& p = points[i];
      if (p.x < self().left) self().left = p.x;
      if (p.y < self().top) self().top = p.y;
      if (p.x > self().right) self().right = p.x;
      if (p.y > self().bottom) self().bottom = p.y;
    }
  }
  // Writes the corners top-left, top-right, bottom-right, bottom-left to corners[0..3].
  void SetPoint(PlainPoint* corners) const {
    corners[0] = PlainPoint{self().left, self().top};
    corners[1] = PlainPoint{self().right, self().top};
    corners[2] = PlainPoint{self().right, self().bottom};
    corners[3] = PlainPoint{self().left, self().bottom};
  }

  // Copies moved, inflated (+ rect), deflated (- rect), scaled field by field (integer family:
  // C division, a divisor of 0 throws 0x20010008; float and double: * (1.0 / n)).
  Derived operator+(const PlainPoint& p) const { return Derived(self()).Moved(p.x, p.y); }
  Derived operator+(const PlainSize& s) const { return Derived(self()).Moved(s.cx, s.cy); }
  Derived operator-(const PlainPoint& p) const { return Derived(self()).Moved(-p.x, -p.y); }
  Derived operator-(const PlainSize& s) const { return Derived(self()).Moved(-s.cx, -s.cy); }
  Derived operator+(const PlainRect* r) const { return Derived(self()) += r; }
  Derived operator-(const PlainRect* r) const { return Derived(self()) -= r; }
  Derived operator*(int n) const {
    const Derived& s = self();
    const V m = static_cast<V>(n);
    return Derived(Multiply(s.left, m), Multiply(s.top, m), Multiply(s.right, m),
                   Multiply(s.bottom, m));
  }
  Derived operator/(int n) const {
    const Derived& s = self();
    return Derived(Divide(s.left, n), Divide(s.top, n), Divide(s.right, n), Divide(s.bottom, n));
  }
  // Intersection and union into a null rectangle: a failed intersection or the union of two
  // empty rectangles gives (0, 0, 0, 0).
  Derived operator&(const PlainRect& other) const {
    Derived out;
    out.IntersectRect(&self(), &other);
    return out;
  }
  Derived operator|(const PlainRect& other) const {
    Derived out;
    out.UnionRect(&self(), &other);
    return out;
  }

  operator PlainRect*() { return &self(); }
  operator const PlainRect*() const { return &self(); }

 protected:
  static bool IsEmpty(const PlainRect& r) { return r.left >= r.right || r.top >= r.bottom; }

 private:
  Derived& self() { return static_cast<Derived&>(*this); }
  const Derived& self() const { return static_cast<const Derived&>(*this); }
  static V Min(V a, V b) { return b < a ? b : a; }
  static V Max(V a, V b) { return a < b ? b : a; }
  static void Swap(V& a, V& b) {
    const V t = a;
    a = b;
    b = t;
  }
  static void Span(V a, V b, V& low, V& high) {
    if (CoordEqual(a, b, F::kTolerance)) {
      low = a;
      high = PlusOne(a);
    } else if (a > b) {
      low = b;
      high = a;
    } else {
      low = a;
      high = b;
    }
  }
  void Assign(const PlainRect& r) { SetRect(r.left, r.top, r.right, r.bottom); }
  Derived& Moved(V dx, V dy) {
    OffsetRect(dx, dy);
    return self();
  }
};

}  // namespace kz::geometry_detail
