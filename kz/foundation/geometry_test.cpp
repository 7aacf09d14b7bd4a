#include "kz/foundation/geometry.h"

#include <gtest/gtest.h>

#include <array>
#include <numbers>
#include <tuple>
#include <type_traits>

#include "kz/foundation/exception_testing.h"
#include "kz/foundation/geometry_double.h"
#include "kz/foundation/geometry_float.h"

namespace {

using Quad = std::array<double, 4>;

template <class R>
R Make(const Quad& q) {
  using V = decltype(R().left);
  return R(static_cast<V>(q[0]), static_cast<V>(q[1]), static_cast<V>(q[2]), static_cast<V>(q[3]));
}
template <class R>
Quad Fields(const R& r) {
  return Quad{double(r.left), double(r.top), double(r.right), double(r.bottom)};
}

// The rectangle Pt2Rect makes of two corners.
template <class R, class P>
Quad Corners(const P& a, const P& b) {
  R r;
  r.Pt2Rect(a, b);
  return Fields(r);
}

// The three rectangle classes with their point class, for the rules they share.
template <class R, class P>
struct Family {
  using Rect = R;
  using Point = P;
  static constexpr bool kStrict = std::is_same_v<R, KzRect>;
};
using Families =
    ::testing::Types<Family<KzRect, KzPoint>, Family<KzRectF, KzPointF>, Family<KzRectD, KzPointD>>;
template <class T>
class GeometryFamily : public ::testing::Test {};
TYPED_TEST_SUITE(GeometryFamily, Families);

// Only the integer family's intersection is strict: a shared edge or corner is no overlap. An
// empty operand does not count in a union; two of them give 0 and leave the target alone.
TYPED_TEST(GeometryFamily, IntersectionAndUnion) {
  using R = typename TypeParam::Rect;
  const bool strict = TypeParam::kStrict;
  const Quad kTarget{7, 7, 8, 8};
  const Quad kNull{};
  // Operands, success in the integer and in the other families, the intersection when it
  // succeeds and the union ({}: fails).
  const std::tuple<const char*, Quad, Quad, bool, bool, Quad, Quad> rows[] = {
      {"overlap", {0, 0, 10, 10}, {5, 5, 20, 20}, 1, 1, {5, 5, 10, 10}, {0, 0, 20, 20}},
      {"edge x", {0, 0, 10, 10}, {10, 0, 20, 10}, 0, 1, {10, 0, 10, 10}, {0, 0, 20, 10}},
      {"edge y", {0, 0, 10, 10}, {0, 10, 10, 20}, 0, 1, {0, 10, 10, 10}, {0, 0, 10, 20}},
      {"corner", {0, 0, 10, 10}, {10, 10, 20, 20}, 0, 1, {10, 10, 10, 10}, {0, 0, 20, 20}},
      {"apart", {-4, 2, -1, 3}, {2, 3, 5, 7}, 0, 0, {}, {-4, 2, 5, 7}},
      {"both empty", {0, 0, 0, 0}, {5, 5, 5, 9}, 0, 0, {}, {}},
      {"first null", {0, 0, 0, 0}, {2, 3, 5, 7}, 0, 0, {}, {2, 3, 5, 7}},
      {"second inverted", {2, 3, 5, 7}, {9, 9, 1, 1}, 0, 0, {}, {2, 3, 5, 7}},
  };
  for (const auto& [label, quadA, quadB, strictOk, looseOk, both, either] : rows) {
    const bool ok = strict ? strictOk : looseOk;
    const R a = Make<R>(quadA);
    const R b = Make<R>(quadB);
    R target = Make<R>(kTarget);
    EXPECT_EQ(target.IntersectRect(&a, &b), ok ? 1 : 0) << label;
    EXPECT_EQ(Fields(target), ok ? both : (strict ? kNull : kTarget)) << label;
    EXPECT_EQ(Fields(a & b), ok ? both : kNull) << label;
    R self = a;  // the target as one of the operands
    self &= b;
    EXPECT_EQ(Fields(self), ok ? both : (strict ? kNull : quadA)) << label;
    EXPECT_EQ(a.IsIntersectRect(&b), strictOk ? 1 : 0) << label;
    const bool joined = either != kNull;
    target = Make<R>(kTarget);
    EXPECT_EQ(target.UnionRect(&a, &b), joined ? 1 : 0) << label;
    EXPECT_EQ(Fields(target), joined ? either : kTarget) << label;
    EXPECT_EQ(Fields(a | b), either) << label;
  }
}

TYPED_TEST(GeometryFamily, Pt2RectAndPointUnion) {
  using R = typename TypeParam::Rect;
  using P = typename TypeParam::Point;
  // Pt2Rect orders the corners; an equal coordinate gives width 1.
  EXPECT_EQ(Corners<R>(P(5, 5), P(5, 9)), (Quad{5, 5, 6, 9}));
  EXPECT_EQ(Corners<R>(P(9, 1), P(2, 1)), (Quad{2, 1, 9, 2}));
  EXPECT_EQ(Corners<R>(P(3, 7), P(1, 2)), (Quad{1, 2, 3, 7}));
  R grown;  // a point is a one-unit rectangle, so the empty start does not count
  const P p(3, -2);
  EXPECT_EQ(grown.UnionRect(&p), 1);
  EXPECT_EQ(Fields(grown), (Quad{3, -2, 4, -1}));
}

// PolygonBox starts from large left and top and from 0 right and bottom; it keeps the largest
// coordinates, not one past them.
template <class R, class Pt>
Quad Box(const Pt* points, int n) {
  R r;
  r.PolygonBox(points, n);
  return Fields(r);
}

TEST(GeometryRect, PolygonBoxStartValuesPerFamily) {
  const tagPOINT negative[] = {{-5, -5}, {-2, -3}};
  const tagPOINT positive[] = {{2, 3}, {7, 1}, {4, 9}};
  const tagPOINTD points[] = {{-1.5, 2.5}, {0.5, -3.0}};
  EXPECT_EQ(Box<KzRect>(negative, 2), (Quad{-5, -5, 0, 0}));
  EXPECT_EQ(Box<KzRect>(positive, 3), (Quad{2, 1, 7, 9}));
  EXPECT_EQ(Box<KzRect>(positive, 0), (Quad{2147483647.0, 2147483647.0, 0, 0}));
  EXPECT_EQ((Box<KzRectF, tagPOINTF>(nullptr, 0)), (Quad{9999999.0, 9999999.0, 0, 0}));
  EXPECT_EQ(Box<KzRectD>(points, 2), (Quad{-1.5, -3.0, 0.5, 2.5}));
  EXPECT_EQ(Box<KzRectD>(points, -1), (Quad{999999999999999.0, 999999999999999.0, 0, 0}));
}

TEST(GeometryRect, CalcDestRectLetterboxes) {
  const std::tuple<const char*, tagRECT, tagRECT, Quad> rows[] = {
      {"wide into square", {0, 0, 200, 100}, {0, 0, 100, 100}, {0, 25, 100, 75}},
      {"tall into square", {0, 0, 100, 300}, {0, 0, 100, 100}, {33, 0, 67, 100}},
      {"same size elsewhere", {5, 5, 15, 25}, {100, 200, 110, 220}, {100, 200, 110, 220}},
      {"odd margin", {0, 0, 3, 1}, {0, 0, 10, 10}, {0, 3, 10, 7}},
      {"sliver keeps one row", {0, 0, 1000, 1}, {0, 0, 10, 10}, {0, 4, 10, 6}},
      {"empty source", {0, 0, 0, 0}, {0, 0, 10, 10}, {4, 0, 6, 10}},
  };
  for (const auto& [label, src, dst, expected] : rows) {
    KzRect r;
    r.CalcDestRect(src, dst);
    EXPECT_EQ(Fields(r), expected) << label;
  }
}

TEST(GeometryRect, IntegerArithmeticTruncatesTowardZero) {
  EXPECT_EQ(KzRect(-3, -3, 0, 0).CenterPoint(), KzPoint(-1, -1));
  EXPECT_EQ(KzRect(2000000000, 0, 2100000000, 1).CenterPoint(), KzPoint(2050000000, 0));
  EXPECT_EQ(Fields(KzRect(-3, -3, 5, 7) / 2), (Quad{-1, -1, 2, 3}));
  KzRect box(100, 100, -100, -100);
  box.UnionPoint(tagPOINTD{-1.5, 2.7});  // truncated, not floored
  EXPECT_EQ(Fields(box), (Quad{-1, 2, 0, 3}));

  EXPECT_EQ(KzPoint(7, -7) *= 0.5, KzPoint(3, -3));
  EXPECT_EQ(KzPoint(7, -7) /= 2, KzPoint(3, -3));
  EXPECT_EQ(KzPoint(10, -10) / 3.0, KzPoint(3, -3));
  EXPECT_EQ(KzPoint(1, -1) * 1.9, KzPoint(1, -1));
  EXPECT_EQ(KzSize(5, 6) - KzPoint(1, 1), KzPoint(4, 5));  // a point, not a size
  EXPECT_EQ(kzThrownCode([] { KzPoint(1, 1) / 0; }), kKzErrorParameter);
  EXPECT_EQ(kzThrownCode([] { KzRect(1, 1, 2, 2) / 0; }), kKzErrorParameter);
  const KzRect r(0, 0, 2, 2);
  EXPECT_EQ(KzSize(3, 4) - &r, KzRect(-3, -4, -1, -2));
}

TEST(GeometryTolerance, FloatAndDoubleEquality) {
  EXPECT_TRUE(KzPointF(1, 1) == KzPointF(1.00005f, 1));
  EXPECT_FALSE(KzPointF(1, 1) == KzPointF(1, 0.9998f));
  // 0.0001f is slightly below 1e-4 once widened to double, where the comparison is made.
  EXPECT_TRUE(KzPointF(0, 0) == KzPointF(0.0001f, 0));
  EXPECT_FALSE(KzSizeF(0, 0) == KzSizeF(0.00011f, 0));
  EXPECT_TRUE(KzPointD(1, 1) == KzPointD(1, 1 + 5e-9));
  EXPECT_FALSE(KzSizeD(0, 0) == KzSizeD(1e-8, 0));
  EXPECT_TRUE(KzRectD(0, 0, 1, 1) != KzRectD(0, 0, 1.00001, 1));
  // Pt2Rect treats coordinates within the tolerance as equal.
  EXPECT_EQ(Corners<KzRectF>(KzPointF(5, 1), KzPointF(5.00005f, 3)), (Quad{5, 1, 6, 3}));
  EXPECT_EQ(Corners<KzRectD>(KzPointD(5, 1), KzPointD(5 + 2e-8, 3)), (Quad{5, 1, 5 + 2e-8, 3}));
  KzPointD rotated(2, 3);  // both results from the old coordinates
  rotated.Rotate(std::numbers::pi / 2);
  EXPECT_TRUE(rotated == KzPointD(-3, 2)) << rotated.x << "," << rotated.y;
}

}  // namespace
