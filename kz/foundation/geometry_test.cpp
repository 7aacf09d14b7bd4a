#include "kz/foundation/geometry.h"

#include <gtest/gtest.h>

#include <array>
#include <numbers>
#include <type_traits>

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

TYPED_TEST(GeometryFamily, IntersectionStrictOnlyForIntegers) {
  using R = typename TypeParam::Rect;
  const Quad kTarget{7, 7, 8, 8};
  const Quad kNull{0, 0, 0, 0};
  struct Row {
    const char* label;
    Quad a, b;
    bool strictOk;  // integer family
    bool looseOk;   // float and double families
    Quad result;    // when successful
  };
  const Row rows[] = {
      {"overlap", {0, 0, 10, 10}, {5, 5, 20, 20}, true, true, {5, 5, 10, 10}},
      {"negative", {-10, -10, -2, -2}, {-5, -20, 5, -4}, true, true, {-5, -10, -2, -4}},
      {"touching vertical edge", {0, 0, 10, 10}, {10, 0, 20, 10}, false, true, {10, 0, 10, 10}},
      {"touching horizontal edge", {0, 0, 10, 10}, {0, 10, 10, 20}, false, true, {0, 10, 10, 10}},
      {"touching corner", {0, 0, 10, 10}, {10, 10, 20, 20}, false, true, {10, 10, 10, 10}},
      {"apart", {0, 0, 10, 10}, {11, 0, 20, 10}, false, false, {}},
  };
  for (const Row& row : rows) {
    const bool ok = TypeParam::kStrict ? row.strictOk : row.looseOk;
    const Quad failed = TypeParam::kStrict ? kNull : kTarget;
    const R a = Make<R>(row.a);
    const R b = Make<R>(row.b);
    R target = Make<R>(kTarget);
    EXPECT_EQ(target.IntersectRect(&a, &b), ok ? 1 : 0) << row.label;
    EXPECT_EQ(Fields(target), ok ? row.result : failed) << row.label;
    EXPECT_EQ(Fields(a & b), ok ? row.result : kNull) << row.label;
    R self = a;  // the target as one of the operands
    self &= b;
    EXPECT_EQ(Fields(self), ok ? row.result : (TypeParam::kStrict ? kNull : row.a)) << row.label;
    // A shared edge is never a real overlap.
    const bool overlaps = row.strictOk;
    EXPECT_EQ(a.IsIntersectRect(&b), overlaps ? 1 : 0) << row.label;
  }
}

TYPED_TEST(GeometryFamily, UnionIgnoresEmptyOperands) {
  using R = typename TypeParam::Rect;
  const Quad kTarget{7, 7, 8, 8};
  struct Row {
    const char* label;
    Quad a, b;
    int result;
    Quad expected;
  };
  const Row rows[] = {
      {"both empty", {0, 0, 0, 0}, {5, 5, 5, 9}, 0, kTarget},
      {"first null", {0, 0, 0, 0}, {2, 3, 5, 7}, 1, {2, 3, 5, 7}},
      {"second inverted", {2, 3, 5, 7}, {9, 9, 1, 1}, 1, {2, 3, 5, 7}},
      {"disjoint", {-4, 2, -1, 3}, {2, 3, 5, 7}, 1, {-4, 2, 5, 7}},
  };
  for (const Row& row : rows) {
    const R a = Make<R>(row.a);
    const R b = Make<R>(row.b);
    R target = Make<R>(kTarget);
    EXPECT_EQ(target.UnionRect(&a, &b), row.result) << row.label;
    EXPECT_EQ(Fields(target), row.expected) << row.label;
    EXPECT_EQ(Fields(a | b), row.result ? row.expected : Quad{}) << row.label;
  }
}

TYPED_TEST(GeometryFamily, BoundingBoxesFromPoints) {
  using R = typename TypeParam::Rect;
  using P = typename TypeParam::Point;
  // UnionPoint does not special-case emptiness: start from large left/top, small right/bottom.
  R box = Make<R>({100, 100, -100, -100});
  box.UnionPoint(P(3, -2));
  box.UnionPoint(P(-1, 4));
  EXPECT_EQ(Fields(box), (Quad{-1, -2, 4, 5}));
  // UnionRect with a point: a one-unit rectangle, so an empty start is ignored.
  R grown;
  const P p(3, -2);
  EXPECT_EQ(grown.UnionRect(&p), 1);
  EXPECT_EQ(Fields(grown), (Quad{3, -2, 4, -1}));
}

TYPED_TEST(GeometryFamily, Pt2RectOrdersCorners) {
  using R = typename TypeParam::Rect;
  using P = typename TypeParam::Point;
  struct Row {
    const char* label;
    double ax, ay, bx, by;
    Quad expected;
  };
  const Row rows[] = {
      {"equal x", 5, 5, 5, 9, {5, 5, 6, 9}},
      {"equal y, reversed x", 9, 1, 2, 1, {2, 1, 9, 2}},
      {"both reversed", 3, 7, 1, 2, {1, 2, 3, 7}},
      {"negative equal", -4, -4, -4, -4, {-4, -4, -3, -3}},
  };
  for (const Row& row : rows) {
    R r;
    r.Pt2Rect(P(row.ax, row.ay), P(row.bx, row.by));
    EXPECT_EQ(Fields(r), row.expected) << row.label;
  }
}

TYPED_TEST(GeometryFamily, EdgeOperations) {
  using R = typename TypeParam::Rect;
  using P = typename TypeParam::Point;
  R r = Make<R>({10, 10, 20, 20});
  r.InflateRect(1, 2);
  EXPECT_EQ(Fields(r), (Quad{9, 8, 21, 22}));
  const R margins = Make<R>({1, 2, 3, 4});
  EXPECT_EQ(Fields(r + margins), (Quad{8, 6, 24, 26}));
  EXPECT_EQ(Fields(r - margins), (Quad{10, 10, 18, 18}));
  r.DeflateRect(1, 2, 3, 4);
  EXPECT_EQ(Fields(r), (Quad{10, 10, 18, 18}));
  EXPECT_EQ(Fields(r - P(10, 5)), (Quad{0, 5, 8, 13}));
  EXPECT_EQ(Fields(r * 3), (Quad{30, 30, 54, 54}));
  r.SwapLeftRight();
  EXPECT_EQ(Fields(r), (Quad{18, 10, 10, 18}));
  R inverted = Make<R>({5, 7, 1, 2});
  inverted.NormalizeRect();
  EXPECT_EQ(Fields(inverted), (Quad{1, 2, 5, 7}));

  P corners[4];
  inverted.SetPoint(corners);
  EXPECT_TRUE(corners[0] == P(1, 2) && corners[1] == P(5, 2) && corners[2] == P(5, 7) &&
              corners[3] == P(1, 7));
  R moved;  // the second operand moved back by the offset
  EXPECT_EQ(moved.IntersectWithOffset(Make<R>({0, 0, 10, 10}), Make<R>({15, 15, 25, 25}), 10, 10),
            1);
  EXPECT_EQ(Fields(moved), (Quad{5, 5, 10, 10}));
  // TopLeft and BottomRight are the rectangle's own fields.
  inverted.TopLeft() = P(-1, -2);
  inverted.BottomRight().x = 9;
  EXPECT_EQ(Fields(inverted), (Quad{-1, -2, 9, 7}));
}

TEST(GeometryRect, PtInRectExcludesRightAndBottom) {
  const KzRect r(0, 0, 10, 10);
  const struct {
    int x, y, inside;
  } rows[] = {{0, 0, 1}, {9, 9, 1}, {10, 5, 0}, {5, 10, 0}, {-1, 5, 0}, {5, -1, 0}};
  for (const auto& row : rows) {
    EXPECT_EQ(r.PtInRect(KzPoint(row.x, row.y)), row.inside) << "at " << row.x << "," << row.y;
  }
  EXPECT_TRUE(KzRect(3, 3, 3, 9).IsRectEmpty());
  EXPECT_FALSE(KzRect(3, 3, 3, 9).IsRectNull());
}

TEST(GeometryRect, PolygonBoxStartValuesPerFamily) {
  const tagPOINT negative[] = {{-5, -5}, {-2, -3}};
  const tagPOINT positive[] = {{2, 3}, {7, 1}, {4, 9}};
  KzRect r;
  r.PolygonBox(negative, 2);
  EXPECT_EQ(Fields(r), (Quad{-5, -5, 0, 0}));  // right and bottom start at 0
  r.PolygonBox(positive, 3);
  EXPECT_EQ(Fields(r), (Quad{2, 1, 7, 9}));  // the largest coordinates, not one past
  r.PolygonBox(positive, 0);
  EXPECT_EQ(Fields(r), (Quad{2147483647.0, 2147483647.0, 0, 0}));
  KzRectF f;
  f.PolygonBox(nullptr, 0);
  EXPECT_EQ(Fields(f), (Quad{9999999.0, 9999999.0, 0, 0}));
  const tagPOINTD points[] = {{-1.5, 2.5}, {0.5, -3.0}};
  KzRectD d;
  d.PolygonBox(points, 2);
  EXPECT_EQ(Fields(d), (Quad{-1.5, -3.0, 0.5, 2.5}));
  d.PolygonBox(points, -1);
  EXPECT_EQ(Fields(d), (Quad{999999999999999.0, 999999999999999.0, 0, 0}));
}

TEST(GeometryRect, CalcDestRectLetterboxes) {
  struct Row {
    const char* label;
    tagRECT src, dst;
    Quad expected;
  };
  const Row rows[] = {
      {"wide into square", {0, 0, 200, 100}, {0, 0, 100, 100}, {0, 25, 100, 75}},
      {"tall into square", {0, 0, 100, 300}, {0, 0, 100, 100}, {33, 0, 67, 100}},
      {"same size elsewhere", {5, 5, 15, 25}, {100, 200, 110, 220}, {100, 200, 110, 220}},
      {"odd margin", {0, 0, 3, 1}, {0, 0, 10, 10}, {0, 3, 10, 7}},
      {"square into wide", {0, 0, 100, 100}, {0, 0, 300, 100}, {100, 0, 200, 100}},
      {"tall into taller", {0, 0, 100, 200}, {0, 0, 100, 400}, {0, 100, 100, 300}},
      {"sliver keeps one row", {0, 0, 1000, 1}, {0, 0, 10, 10}, {0, 4, 10, 6}},
      {"empty source", {0, 0, 0, 0}, {0, 0, 10, 10}, {4, 0, 6, 10}},
  };
  for (const Row& row : rows) {
    KzRect r;
    r.CalcDestRect(row.src, row.dst);
    EXPECT_EQ(Fields(r), row.expected) << row.label;
  }
}

TEST(GeometryRect, IntegerArithmeticTruncatesTowardZero) {
  EXPECT_EQ(KzRect(-3, -3, 0, 0).CenterPoint(), KzPoint(-1, -1));
  EXPECT_EQ(KzRect(-5, -5, 0, 0).CenterPoint(), KzPoint(-2, -2));
  EXPECT_EQ(KzRect(2000000000, 0, 2100000000, 1).CenterPoint(), KzPoint(2050000000, 0));
  EXPECT_EQ(Fields(KzRect(-3, -3, 5, 7) / 2), (Quad{-1, -1, 2, 3}));
  EXPECT_EQ(Fields(KzRectF(1, 2, 3, 5) / 4), (Quad{0.25, 0.5, 0.75, 1.25}));
  EXPECT_EQ(KzRectD(0, 0, 5, 3).CenterPoint(), KzPointD(2.5, 1.5));

  // UnionPoint with a double point truncates, it does not floor.
  KzRect box(100, 100, -100, -100);
  box.UnionPoint(tagPOINTD{-1.5, 2.7});
  EXPECT_EQ(Fields(box), (Quad{-1, 2, 0, 3}));
  KzRectD boxD(100, 100, -100, -100);
  boxD.UnionPoint(tagPOINT{-2, 3});
  EXPECT_EQ(Fields(boxD), (Quad{-2, 3, -1, 4}));
}

TEST(GeometryPoint, ScalingTruncatesTowardZero) {
  struct Row {
    const char* label;
    KzPoint result;
    KzPoint expected;
  };
  const Row rows[] = {
      {"*= 0.5", KzPoint(7, -7) *= 0.5, KzPoint(3, -3)},
      {"/= 2", KzPoint(7, -7) /= 2, KzPoint(3, -3)},
      {"/ 3.0", KzPoint(10, -10) / 3.0, KzPoint(3, -3)},
      {"* 1.9", KzPoint(1, -1) * 1.9, KzPoint(1, -1)},
  };
  for (const Row& row : rows) EXPECT_EQ(row.result, row.expected) << row.label;
  EXPECT_ANY_THROW(KzPoint(1, 1) / 0);
  EXPECT_ANY_THROW(KzRect(1, 1, 2, 2) / 0);
  EXPECT_EQ(KzPointF(1, 3) / 4.0f, KzPointF(0.25f, 0.75f));
}

TEST(GeometryPoint, MixedOperandsChooseResultType) {
  static_assert(std::is_same_v<decltype(KzSize() + KzPoint()), KzPoint>);
  static_assert(std::is_same_v<decltype(KzSize() + KzSize()), KzSize>);
  static_assert(std::is_same_v<decltype(KzPoint() - KzPoint()), KzPoint>);
  EXPECT_EQ(KzSize(5, 6) - KzPoint(1, 1), KzPoint(4, 5));
  const KzRect r(0, 0, 2, 2);
  EXPECT_EQ(KzPoint(3, 4) + &r, KzRect(3, 4, 5, 6));
  EXPECT_EQ(KzSize(3, 4) - &r, KzRect(-3, -4, -1, -2));
  EXPECT_EQ(-KzPointD(1.5, -2), KzPointD(-1.5, 2));
}

TEST(GeometryTolerance, FloatAndDoubleEqualityBoundaries) {
  const struct {
    const char* label;
    bool equal, expected;
  } rows[] = {
      {"float 5e-5 apart", KzPointF(1, 1) == KzPointF(1.00005f, 1), true},
      {"float 2e-4 apart", KzPointF(1, 1) == KzPointF(1, 0.9998f), false},
      // 0.0001f is slightly below 1e-4 once widened to double, where the comparison is made.
      {"float 0.0001f", KzPointF(0, 0) == KzPointF(0.0001f, 0), true},
      {"float 0.00011f", KzSizeF(0, 0) == KzSizeF(0.00011f, 0), false},
      {"double 5e-9 apart", KzPointD(1, 1) == KzPointD(1, 1 + 5e-9), true},
      {"double exactly 1e-8", KzSizeD(0, 0) == KzSizeD(1e-8, 0), false},
      {"float rect", KzRectF(0, 0, 1, 1) == KzRectF(0, 0, 1, 1.00005f), true},
      {"double rect", KzRectD(0, 0, 1, 1) != KzRectD(0, 0, 1.00001, 1), true},
  };
  for (const auto& row : rows) EXPECT_EQ(row.equal, row.expected) << row.label;
  KzRectF f;  // Pt2Rect treats coordinates within the tolerance as equal
  f.Pt2Rect(KzPointF(5, 1), KzPointF(5.00005f, 3));
  EXPECT_EQ(Fields(f), (Quad{5, 1, 6, 3}));
  KzRectD d;
  d.Pt2Rect(KzPointD(5, 1), KzPointD(5 + 2e-8, 3));
  EXPECT_EQ(Fields(d), (Quad{5, 1, 5 + 2e-8, 3}));
}

TEST(GeometryPoint, RotateUsesOldCoordinates) {
  KzPointF f(1, 1);
  f.Rotate(std::numbers::pi / 2);
  EXPECT_TRUE(f == KzPointF(-1, 1)) << f.x << "," << f.y;
  KzPointD d(2, 3);
  d.Rotate(std::numbers::pi);
  EXPECT_TRUE(d == KzPointD(-2, -3)) << d.x << "," << d.y;
}

TEST(GeometryPoint, IsEqualRoundsHalfAwayFromZero) {
  const struct {
    tagPOINTD a, b;
    int equal;
  } rows[] = {
      {{0.5, 0}, {1.4, 0}, 1},  {{-0.5, 0}, {0, 0}, 0},     {{-0.5, 0}, {-1.4, 0}, 1},
      {{2.5, 7}, {3, 7.49}, 1}, {{0.49, 0}, {0, -0.49}, 1}, {{0, 2.5}, {0, 2.4}, 0},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(KzPointD(row.a).IsEqual(&row.b), row.equal) << row.a.x << "," << row.a.y;
  }
}

}  // namespace
