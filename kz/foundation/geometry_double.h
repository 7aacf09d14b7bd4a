// Double-precision geometry: KzPointD, KzSizeD and KzRectD on the records tagPOINTD, tagSIZED
// and tagRECTD, with the same layout.
//
// Differences from the integer family: coordinates are equal within 1e-08 (strictly inside the
// interval), intersection accepts touching edges and leaves the target unchanged on failure,
// divisions multiply by the reciprocal, and PolygonBox starts left and top at
// 999999999999999.0. The operations themselves live in geometry_base.h.
#pragma once

#include <cstddef>
#include <type_traits>

#include "kz/foundation/geometry_base.h"
#include "tqwutl/types.h"

class KzPointD;
class KzSizeD;
class KzRectD;

namespace kz::geometry_detail {
struct DoubleFamily {
  using Value = double;
  using PlainPoint = tagPOINTD;
  using PlainSize = tagSIZED;
  using PlainRect = tagRECTD;
  using PointClass = KzPointD;
  using SizeClass = KzSizeD;
  using RectClass = KzRectD;
  static constexpr double kTolerance = 1e-08;
  static constexpr bool kStrictIntersect = false;
  static constexpr Value kBoxStart = 999999999999999.0;
};

// Rounds half away from zero (add 0.5 from 0 up, else subtract 0.5, then truncate).
inline int RoundHalfAway(double v) { return kzTruncToInt(v >= 0.0 ? v + 0.5 : v - 0.5); }
}  // namespace kz::geometry_detail

// A point of double coordinates; `*=` and `/=` take a double, `/=` multiplies by 1.0 / divisor.
// Rotate(radians) turns it about the origin.
class [[gnu::may_alias]] KzPointD
    : public tagPOINTD,
      public kz::geometry_detail::PairOps<KzPointD, tagPOINTD, kz::geometry_detail::DoubleFamily> {
 public:
  KzPointD() : tagPOINTD{0.0, 0.0} {}
  KzPointD(double x, double y) : tagPOINTD{x, y} {}
  KzPointD(const tagPOINTD& p) : tagPOINTD(p) {}

  // True when both points land on the same whole numbers after each coordinate is rounded half
  // away from zero: IsEqual of (0.5, 0) and (1.4, 0) holds, of (-0.5, 0) and (0, 0) does not.
  int IsEqual(const tagPOINTD* other) const {
    using kz::geometry_detail::RoundHalfAway;
    return RoundHalfAway(x) == RoundHalfAway(other->x) &&
           RoundHalfAway(y) == RoundHalfAway(other->y);
  }
};

// A size of double extents; the same operations as KzPointD (except Rotate, IsEqual).
class KzSizeD
    : public tagSIZED,
      public kz::geometry_detail::PairOps<KzSizeD, tagSIZED, kz::geometry_detail::DoubleFamily> {
 public:
  KzSizeD() : tagSIZED{0.0, 0.0} {}
  KzSizeD(double cx, double cy) : tagSIZED{cx, cy} {}
  KzSizeD(const tagSIZED& s) : tagSIZED(s) {}
  KzSizeD(const tagPOINTD& p) : tagSIZED{p.x, p.y} {}
};

// A rectangle of double coordinates; see geometry_base.h (RectOps) for the shared operations.
class KzRectD : public tagRECTD,
                public kz::geometry_detail::RectOps<KzRectD, kz::geometry_detail::DoubleFamily> {
  using Ops = kz::geometry_detail::RectOps<KzRectD, kz::geometry_detail::DoubleFamily>;

 public:
  // The null rectangle (0, 0, 0, 0).
  KzRectD() : tagRECTD{0.0, 0.0, 0.0, 0.0} {}
  KzRectD(double l, double t, double r, double b) : tagRECTD{l, t, r, b} {}
  KzRectD(const tagPOINTD& topLeft, const tagPOINTD& bottomRight)
      : tagRECTD{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y} {}
  KzRectD(const tagRECTD& r) : tagRECTD(r) {}
  KzRectD(const KzRectD& r) = default;
  // Copies the pointed-to rectangle.
  KzRectD(const tagRECTD* r) : tagRECTD(*r) {}
  // (p.x, p.y, p.x + s.cx, p.y + s.cy).
  KzRectD(const tagPOINTD& p, const tagSIZED& s) : tagRECTD{p.x, p.y, p.x + s.cx, p.y + s.cy} {}

  KzRectD& operator=(const KzRectD& r) = default;
  using Ops::operator=;
  using Ops::UnionPoint;
  // UnionPoint with an integer point, as with the point's coordinates in double.
  void UnionPoint(const tagPOINT& p) { UnionPoint(tagPOINTD{double(p.x), double(p.y)}); }
};

static_assert(sizeof(KzPointD) == sizeof(tagPOINTD) && std::is_standard_layout_v<KzPointD> &&
              std::is_trivially_copyable_v<KzPointD>);
static_assert(sizeof(KzSizeD) == sizeof(tagSIZED) && std::is_standard_layout_v<KzSizeD> &&
              std::is_trivially_copyable_v<KzSizeD>);
static_assert(sizeof(KzRectD) == sizeof(tagRECTD) && std::is_standard_layout_v<KzRectD> &&
              std::is_trivially_copyable_v<KzRectD> && offsetof(KzRectD, bottom) == 24);
