// Single-precision geometry: KzPointF, KzSizeF and KzRectF on the records tagPOINTF, tagSIZEF
// and tagRECTF, with the same layout.
//
// Differences from the integer family: coordinates are equal within 0.0001 (compared in double
// precision, strictly inside the interval), intersection accepts touching edges and leaves the
// target unchanged on failure, divisions multiply by the reciprocal, and PolygonBox starts
// left and top at 9999999.0. The operations themselves live in geometry_base.h.
#pragma once

#include <cstddef>
#include <type_traits>

#include "kz/foundation/geometry_base.h"
#include "tqwutl/types.h"

class KzPointF;
class KzSizeF;
class KzRectF;

namespace kz::geometry_detail {
struct FloatFamily {
  using Value = float;
  using PlainPoint = tagPOINTF;
  using PlainSize = tagSIZEF;
  using PlainRect = tagRECTF;
  using PointClass = KzPointF;
  using SizeClass = KzSizeF;
  using RectClass = KzRectF;
  static constexpr double kTolerance = 0.0001;
  static constexpr bool kStrictIntersect = false;
  static constexpr Value kBoxStart = 9999999.0f;
};
}  // namespace kz::geometry_detail

// A point of float coordinates; `*=` and `/=` take a float, `/=` multiplies by 1.0 / divisor.
// Rotate(radians) turns it about the origin.
class [[gnu::may_alias]] KzPointF
    : public tagPOINTF,
      public kz::geometry_detail::PairOps<KzPointF, tagPOINTF, kz::geometry_detail::FloatFamily> {
 public:
  KzPointF() : tagPOINTF{0.0f, 0.0f} {}
  KzPointF(float x, float y) : tagPOINTF{x, y} {}
  KzPointF(const tagPOINTF& p) : tagPOINTF(p) {}
};

// A size of float extents; the same operations as KzPointF (except Rotate) on cx and cy.
class KzSizeF
    : public tagSIZEF,
      public kz::geometry_detail::PairOps<KzSizeF, tagSIZEF, kz::geometry_detail::FloatFamily> {
 public:
  KzSizeF() : tagSIZEF{0.0f, 0.0f} {}
  KzSizeF(float cx, float cy) : tagSIZEF{cx, cy} {}
  KzSizeF(const tagSIZEF& s) : tagSIZEF(s) {}
  KzSizeF(const tagPOINTF& p) : tagSIZEF{p.x, p.y} {}
};

// A rectangle of float coordinates; see geometry_base.h (RectOps) for the shared operations.
class KzRectF : public tagRECTF,
                public kz::geometry_detail::RectOps<KzRectF, kz::geometry_detail::FloatFamily> {
  using Ops = kz::geometry_detail::RectOps<KzRectF, kz::geometry_detail::FloatFamily>;

 public:
  // The null rectangle (0, 0, 0, 0).
  KzRectF() : tagRECTF{0.0f, 0.0f, 0.0f, 0.0f} {}
  KzRectF(float l, float t, float r, float b) : tagRECTF{l, t, r, b} {}
  KzRectF(const tagPOINTF& topLeft, const tagPOINTF& bottomRight)
      : tagRECTF{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y} {}
  KzRectF(const tagRECTF& r) : tagRECTF(r) {}
  // Copies the pointed-to rectangle.
  KzRectF(const tagRECTF* r) : tagRECTF(*r) {}
  // (p.x, p.y, p.x + s.cx, p.y + s.cy).
  KzRectF(const tagPOINTF& p, const tagSIZEF& s) : tagRECTF{p.x, p.y, p.x + s.cx, p.y + s.cy} {}

  using Ops::operator=;
};

static_assert(sizeof(KzPointF) == sizeof(tagPOINTF) && std::is_standard_layout_v<KzPointF> &&
              std::is_trivially_copyable_v<KzPointF>);
static_assert(sizeof(KzSizeF) == sizeof(tagSIZEF) && std::is_standard_layout_v<KzSizeF> &&
              std::is_trivially_copyable_v<KzSizeF>);
static_assert(sizeof(KzRectF) == sizeof(tagRECTF) && std::is_standard_layout_v<KzRectF> &&
              std::is_trivially_copyable_v<KzRectF> && offsetof(KzRectF, bottom) == 12);
