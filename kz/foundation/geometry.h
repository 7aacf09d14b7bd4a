// Integer geometry: KzPoint, KzSize and KzRect on the 32-bit records tagPOINT, tagSIZE and
// tagRECT, with the same layout (a pointer to one is a pointer to the other).
//
// KzRect is the currency of the block raster images and every drawing operation: right and
// bottom are exclusive, a rectangle is empty when left >= right or top >= bottom, intersection
// is strict (an empty overlap clears the target) and equality is exact. Conversions from
// floating values truncate toward zero. The operations themselves live in geometry_base.h.
#pragma once

#include <cstddef>
#include <type_traits>

#include "kz/foundation/geometry_base.h"
#include "tqwutl/types.h"

class KzPoint;
class KzSize;
class KzRect;

namespace kz::geometry_detail {
struct IntFamily {
  using Value = LONG;
  using PlainPoint = tagPOINT;
  using PlainSize = tagSIZE;
  using PlainRect = tagRECT;
  using PointClass = KzPoint;
  using SizeClass = KzSize;
  using RectClass = KzRect;
  static constexpr double kTolerance = 0.0;  // exact
  static constexpr bool kStrictIntersect = true;
  static constexpr Value kBoxStart = 0x7FFFFFFF;
};
}  // namespace kz::geometry_detail

// A point of 32-bit coordinates. `*=` and `/=` take an int (C division; 0 throws 0x20010008)
// or a double (each coordinate becomes trunc(c * m), resp. trunc(c * (1.0 / d))).
class [[gnu::may_alias]] KzPoint
    : public tagPOINT,
      public kz::geometry_detail::PairOps<KzPoint, tagPOINT, kz::geometry_detail::IntFamily> {
 public:
  KzPoint() : tagPOINT{0, 0} {}
  KzPoint(int x, int y) : tagPOINT{x, y} {}
  KzPoint(const tagPOINT& p) : tagPOINT(p) {}
};

// A size of 32-bit extents; the same operations as KzPoint on cx and cy. KzSize +/- a point
// gives a KzPoint.
class KzSize
    : public tagSIZE,
      public kz::geometry_detail::PairOps<KzSize, tagSIZE, kz::geometry_detail::IntFamily> {
 public:
  KzSize() : tagSIZE{0, 0} {}
  KzSize(int cx, int cy) : tagSIZE{cx, cy} {}
  KzSize(const tagSIZE& s) : tagSIZE(s) {}
  KzSize(const tagPOINT& p) : tagSIZE{p.x, p.y} {}
};

// A rectangle of 32-bit coordinates; see geometry_base.h (RectOps) for the shared operations.
class KzRect : public tagRECT,
               public kz::geometry_detail::RectOps<KzRect, kz::geometry_detail::IntFamily> {
  using Ops = kz::geometry_detail::RectOps<KzRect, kz::geometry_detail::IntFamily>;

 public:
  // The null rectangle (0, 0, 0, 0).
  KzRect() : tagRECT{0, 0, 0, 0} {}
  KzRect(int l, int t, int r, int b) : tagRECT{l, t, r, b} {}
  KzRect(const tagPOINT& topLeft, const tagPOINT& bottomRight)
      : tagRECT{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y} {}
  KzRect(const tagRECT& r) : tagRECT(r) {}
  // Copies the pointed-to rectangle.
  KzRect(const tagRECT* r) : tagRECT(*r) {}
  // (p.x, p.y, p.x + s.cx, p.y + s.cy).
  KzRect(const tagPOINT& p, const tagSIZE& s) : tagRECT{p.x, p.y, p.x + s.cx, p.y + s.cy} {}

  using Ops::operator=;
  using Ops::UnionPoint;
  // UnionPoint with a double point: compares with trunc(p.x), trunc(p.y) and sets right to
  // trunc(p.x + 1.0), bottom to trunc(p.y + 1.0) where they do not reach past the point.
  void UnionPoint(const tagPOINTD& p) {
    const int x = kzTruncToInt(p.x);
    const int y = kzTruncToInt(p.y);
    if (x < left) left = x;
    if (y < top) top = y;
    if (right <= x) right = kzTruncToInt(p.x + 1.0);
    if (bottom <= y) bottom = kzTruncToInt(p.y + 1.0);
  }

  // Fits the shape of `src` into `dst` keeping its aspect ratio, centred with equal margins on
  // both sides (so the result can be one wider or higher than the exact fit). Equal sizes give
  // `dst` itself; a fitted width or height below 1 becomes 1.
  void CalcDestRect(tagRECT src, tagRECT dst);
};

static_assert(sizeof(KzPoint) == sizeof(tagPOINT) && std::is_standard_layout_v<KzPoint> &&
              std::is_trivially_copyable_v<KzPoint>);
static_assert(sizeof(KzSize) == sizeof(tagSIZE) && std::is_standard_layout_v<KzSize> &&
              std::is_trivially_copyable_v<KzSize>);
static_assert(sizeof(KzRect) == sizeof(tagRECT) && std::is_standard_layout_v<KzRect> &&
              std::is_trivially_copyable_v<KzRect> && offsetof(KzRect, bottom) == 12);
