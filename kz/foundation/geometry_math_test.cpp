#include "kz/foundation/geometry_math.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <numeric>
#include <tuple>
#include <vector>

namespace {

void ExpectPoint(const tagPOINTD& p, double x, double y, const char* label) {
  EXPECT_NEAR(p.x, x, 1e-9) << label;
  EXPECT_NEAR(p.y, y, 1e-9) << label;
}

TEST(GeometryMath, IntegerLengthsAnglesAndTurns) {
  const std::tuple<int, int, int, int, double> lengths[] = {
      {-3, -4, 0, 0, 5.0},
      {0, 0, 46341, 0, 46341.0},  // 46341^2 no longer fits in 32 bits
      {0, 0, 40000, 40000, 40000.0 * std::numbers::sqrt2},
      {INT_MIN, 0, INT_MAX, 0, 4294967295.0}};
  for (const auto& [x1, y1, x2, y2, length] : lengths)
    EXPECT_DOUBLE_EQ(tqPointLengthInteger(x1, y1, x2, y2), length) << "to " << x2;
  // From (0, 0), y growing downwards; (1000, 1) lies just below a full turn.
  const std::tuple<int, int, int> angles[] = {
      {0, 0, 0},    {0, -5, 1024}, {0, 5, 3072},   {-5, 0, 2048},   {5, 0, 0},
      {5, 5, 3584}, {5, -5, 512},  {-5, -5, 1536}, {1000, 1, 4095}, {1000, -1, 0}};
  for (const auto& [x, y, angle] : angles)
    EXPECT_EQ(tqRotCalcInteger(0, 0, x, y), angle) << "to " << x << "," << y;
  const std::pair<int, int> normals[] = {
      {-1, 4095}, {4097, 1}, {-4096, 4096}, {4096, 0}, {INT_MIN, 4096}};
  for (const auto& [a, normal] : normals) EXPECT_EQ(tqRotNormalInteger(a), normal) << "at " << a;
  const std::tuple<int, int, int> turns[] = {{4000, 100, 196}, {100, 4000, -196}, {0, 2048, 2048},
                                             {2048, 0, -2048}, {0, 2049, -2047},  {4095, 0, 1}};
  for (const auto& [a, b, turn] : turns)
    EXPECT_EQ(tqRotOffCalcInteger(a, b), turn) << a << " -> " << b;
  EXPECT_NEAR(tqRotOffCalc(0.1, 2 * std::numbers::pi - 0.1), -0.2, 1e-12);
  EXPECT_NEAR(tqRotOffCalc(2 * std::numbers::pi - 0.1, 0.1), 0.2, 1e-12);
  EXPECT_NEAR(tqRotOffCalc(std::numbers::pi, 0), -std::numbers::pi, 1e-12);
  const std::tuple<int, int, int, int> averages[] = {
      {4000, 100, 2, 2}, {100, 4000, 2, 2}, {0, 1024, 4, 256}, {4090, 10, 3, 4095}};
  for (const auto& [a, b, n, average] : averages)
    EXPECT_EQ(tqRotAverageInteger(a, b, n), average) << a << " -> " << b << " /" << n;
  EXPECT_ANY_THROW(tqRotAverageInteger(1, 2, 0));
}

TEST(GeometryMath, DegreesSignsAndRounding) {
  const std::tuple<double, double, double> degrees[] = {
      {-90, -1, 0}, {450, 1, 0}, {750, 0.5, std::sqrt(3.0) / 2}};
  for (const auto& [angle, sine, cosine] : degrees) {
    double s = 9, c = 9;
    tqDegreeSinCos(angle, &s, &c);
    EXPECT_NEAR(s, sine, 1e-12) << "at " << angle;
    EXPECT_NEAR(c, cosine, 1e-12) << "at " << angle;
  }
  EXPECT_DOUBLE_EQ(tqDegreeGap(350, 10), 20);
  EXPECT_DOUBLE_EQ(tqDegreeGap(-90, 90), 180);
  EXPECT_DOUBLE_EQ(tqDegreeGap(400, 10), 30);
  EXPECT_EQ(tqSgnf(std::nan("")), 0.0);
  EXPECT_EQ(tqSgn(INT_MIN), -1);
  // Out of range gives the platform's indefinite integer.
  const std::tuple<double, int, int> rounding[] = {
      {2.5, 3, 2},         {-2.5, -3, -2}, {2.9999, 3, 2},           {2.999995, 3, 3},
      {-2.999995, -3, -3}, {-0.4, 0, 0},   {1e300, INT_MIN, INT_MIN}};
  for (const auto& [value, up, nudged] : rounding) {
    EXPECT_EQ(tqDoubleToIntRoundingUp(value), up) << "at " << value;
    EXPECT_EQ(tqDoubleToInt(value), nudged) << "at " << value;
  }
}

TEST(GeometryMath, Projections) {
  using Projection = double (*)(tagPOINTD, tagPOINTD, tagPOINTD, tagPOINTD*, double*);
  const Projection segment = tqPtPosOnLine;
  const Projection line = tqPtPosOnLine2;
  // Point, segment or line, the foot, its parameter and the distance.
  const std::tuple<const char*, Projection, tagPOINTD, tagPOINTD, tagPOINTD, tagPOINTD, double,
                   double>
      rows[] = {
          {"inside", segment, {5, 5}, {0, 0}, {10, 0}, {5, 0}, 0.5, 5},
          {"before a", segment, {-3, 4}, {0, 0}, {10, 0}, {0, 0}, 0, 5},
          {"past b", segment, {13, 4}, {0, 0}, {10, 0}, {10, 0}, 1, 5},
          {"degenerate", segment, {4, 5}, {1, 1}, {1, 1}, {1, 1}, 0, 5},
          {"line: inside", line, {5, 5}, {0, 0}, {10, 0}, {5, 0}, 0.5, 5},
          {"line: horizontal, before a", line, {-3, 4}, {0, 0}, {10, 0}, {-3, 0}, -0.3, 4},
          {"line: horizontal, past b", line, {13, 4}, {0, 0}, {10, 0}, {13, 0}, 1.3, 4},
          {"line: vertical, before a", line, {4, -2}, {0, 0}, {0, 10}, {0, -2}, -0.2, 4},
          {"line: diagonal", line, {-2, 0}, {0, 0}, {10, 10}, {-1, -1}, -0.1, std::numbers::sqrt2},
      };
  for (const auto& [label, f, p, a, b, expectedFoot, expectedT, distance] : rows) {
    tagPOINTD foot{99, 99};
    double t = 99;
    EXPECT_NEAR(f(p, a, b, &foot, &t), distance, 1e-9) << label;
    ExpectPoint(foot, expectedFoot.x, expectedFoot.y, label);
    EXPECT_NEAR(t, expectedT, 1e-12) << label;
  }
  double t = 99;  // without a foot the segment result stands
  EXPECT_DOUBLE_EQ(tqPtPosOnLine2({-3, 4}, {0, 0}, {10, 0}, nullptr, &t), 5.0);
  EXPECT_EQ(t, 0.0);
}

TEST(GeometryMath, Crossings) {
  using Crossing = int (*)(tagPOINTD, tagPOINTD, tagPOINTD, tagPOINTD, tagPOINTD*);
  const Crossing segment = tqCrossLinePoint;
  const Crossing axis = tqCrossLinePoint2;
  const Crossing line = tqCrossLinePoint3;
  // Two segments or lines, whether they cross and where.
  const std::tuple<const char*, Crossing, tagPOINTD, tagPOINTD, tagPOINTD, tagPOINTD, int,
                   tagPOINTD>
      rows[] = {
          {"shared end point", segment, {0, 0}, {5, 5}, {5, 5}, {10, 0}, 1, {5, 5}},
          {"end on the other", segment, {0, 0}, {10, 0}, {5, 0}, {5, 5}, 1, {5, 0}},
          {"parallel", segment, {0, 0}, {10, 0}, {0, 1}, {10, 1}, 0, {0, 0}},
          {"collinear overlap", segment, {0, 0}, {10, 0}, {5, 0}, {15, 0}, 0, {0, 0}},
          {"lines cross outside", segment, {0, 0}, {1, 1}, {3, 0}, {2, 1}, 0, {0, 0}},
          {"vertical across horizontal", axis, {5, 0}, {5, 10}, {0, 3}, {10, 3}, 1, {5, 3}},
          // Only the second segment's extent is checked here: the first counts as its line.
          {"vertical, horizontal beyond", axis, {5, 0}, {5, 10}, {0, 30}, {10, 30}, 1, {5, 30}},
          {"vertical beside horizontal", axis, {5, 0}, {5, 10}, {6, 3}, {10, 3}, 0, {0, 0}},
          {"diagonal across vertical", axis, {0, 0}, {10, 10}, {4, 0}, {4, 10}, 1, {4, 4}},
          {"lines beyond segments", line, {0, 0}, {1, 1}, {0, 10}, {1, 9}, 1, {5, 5}},
          {"slopes equal in 1/1000", line, {0, 0}, {1, 1}, {0, 5}, {1, 6.0004}, 0, {0, 0}},
          {"vertical and horizontal", line, {2, 0}, {2, 5}, {0, 7}, {1, 7}, 1, {2, 7}},
      };
  for (const auto& [label, f, p1, p2, p3, p4, crosses, at] : rows) {
    tagPOINTD out{-7, -7};
    EXPECT_EQ(f(p1, p2, p3, p4, &out), crosses) << label;
    ExpectPoint(out, crosses ? at.x : -7, crosses ? at.y : -7, label);
  }
  EXPECT_EQ(tqCrossLinePoint3({0, 0}, {1, 1}, {0, 10}, {1, 9}, nullptr), 1);
}

TEST(GeometryMath, SegmentAgainstPolygon) {
  const tagPOINT square[] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
  // Segment, guards, whether it crosses and the last crossing tested.
  const std::tuple<const char*, tagPOINTD, tagPOINTD, int, int, int, tagPOINTD> rows[] = {
      {"out through the right edge", {5, 5}, {15, 5}, 0, 0, 1, {10, 5}},
      {"crossing too near p1", {5, 5}, {15, 5}, 1, 0, 0, {10, 5}},
      {"guard value other than 1", {5, 5}, {15, 5}, 2, 2, 1, {10, 5}},
      {"near crossing skipped, next counts", {-20, 5}, {12, 5}, 0, 1, 1, {0, 5}},
      {"outside", {20, 20}, {30, 30}, 0, 0, 0, {-7, -7}},
  };
  for (const auto& [label, p1, p2, guard1, guard2, crosses, at] : rows) {
    tagPOINTD out{-7, -7};
    EXPECT_EQ(tqCrossSegmentAndPoly(square, 4, p1, p2, guard1, guard2, &out), crosses) << label;
    ExpectPoint(out, at.x, at.y, label);
  }
  tagPOINTD out{};
  EXPECT_ANY_THROW(tqCrossSegmentAndPoly(nullptr, 4, {5, 5}, {15, 5}, 0, 0, &out));
}

TEST(GeometryMath, StepLinesAndEllipses) {
  // Snapped to the nearest eighth of a turn, the length kept.
  const std::tuple<int, int, int, int, int, int> steps[] = {
      {0, 0, 10, -9, 10, -10}, {0, 0, 10, 1, 10, 0}, {5, 5, -3, 6, -3, 5}, {4, 4, 4, 4, 4, 4}};
  for (const auto& [x1, y1, x2, y2, x, y] : steps) {
    const tagPOINT p = tqStepLineCalc(x1, y1, x2, y2);
    EXPECT_TRUE(p.x == x && p.y == y) << "to " << x2 << "," << y2 << ": " << p.x << "," << p.y;
  }
  EXPECT_DOUBLE_EQ(tqGet2PointsToLineY(4, 0, 1, 2, 5), 9.0);
  EXPECT_DOUBLE_EQ(tqGet2PointsToLineY(4, 3, 1, 3, 5), 1.0);

  tagPOINT points[5] = {{}, {}, {}, {}, {-9, -9}};
  tqGetEllipsePoint(20, 10, 0, 0, 0.0, points, 4);  // corners in either order; nothing beyond n
  const tagPOINT expected[5] = {{20, 5}, {10, 0}, {0, 5}, {10, 10}, {-9, -9}};
  EXPECT_EQ(std::memcmp(points, expected, sizeof points), 0);
  tqGetEllipsePoint(0, 0, 20, 10, 90.0, points, 1);
  EXPECT_TRUE(points[0].x == 10 && points[0].y == -5) << "the right end turned up";
  EXPECT_ANY_THROW(tqGetEllipsePoint(0, 0, 20, 10, 0.0, nullptr, 3));
}

TEST(GeometryMath, GaussNoiseHasMeanZeroAndSpreadOneSixth) {
  std::srand(12345);
  std::vector<double> draws(20000);
  for (double& g : draws) g = tqGetGaussRand();
  EXPECT_TRUE(std::all_of(draws.begin(), draws.end(), [](double g) { return g >= -1 && g <= 1; }));
  const double n = static_cast<double>(draws.size());
  const double mean = std::accumulate(draws.begin(), draws.end(), 0.0) / n;
  const double squares = std::inner_product(draws.begin(), draws.end(), draws.begin(), 0.0) / n;
  EXPECT_NEAR(mean, 0.0, 0.01);
  EXPECT_NEAR(std::sqrt(squares - mean * mean), 1.0 / 6.0, 0.01);
}

TEST(GeometryMath, JacobiEigenvalues) {
  const double m[3][3] = {{2, 1, 0}, {1, 2, 1}, {0, 1, 2}};
  double a[3][3] = {{2, 1, 0}, {1, 2, 1}, {0, 1, 2}};
  double v[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  double* aRows[] = {a[0], a[1], a[2]};
  double* vRows[] = {v[0], v[1], v[2]};
  tqJacobiEigenvalue(3, aRows, vRows, 1e-12);
  // The diagonal holds 2 - sqrt 2, 2 and 2 + sqrt 2; each column of v is an eigenvector of m.
  double values[] = {a[0][0], a[1][1], a[2][2]};
  std::sort(values, values + 3);
  const double expected[] = {2 - std::numbers::sqrt2, 2, 2 + std::numbers::sqrt2};
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(values[i], expected[i], 1e-9) << "value " << i;
  for (int c = 0; c < 3; ++c) {
    for (int r = 0; r < 3; ++r) {
      const double product = m[r][0] * v[0][c] + m[r][1] * v[1][c] + m[r][2] * v[2][c];
      EXPECT_NEAR(product, a[c][c] * v[r][c], 1e-9) << "row " << r << " column " << c;
    }
  }
}

TEST(GeometryMath, BsplineTable) {
  std::vector<int> table(256, -1);
  // With two points the table's x runs from 0, whatever the first point's x.
  const tagPOINT line[] = {{10, 20}, {30, 60}};
  ASSERT_EQ(tqGetBsplineIntTable(line, 2, table.data(), 4), 1);
  EXPECT_EQ(std::vector<int>(table.begin(), table.begin() + 4), (std::vector<int>{0, 10, 20, 30}));

  // Mirrored end points make (0,0),(100,100),(200,0) the parabola y = x - x^2 / 200.
  std::vector<int> hump(200, -1);
  const tagPOINT arch[] = {{0, 0}, {100, 100}, {200, 0}};
  ASSERT_EQ(tqGetBsplineIntTable(arch, 3, hump.data(), 200), 1);
  EXPECT_EQ(hump[100], 50);
  for (int i = 0; i < 200; ++i) EXPECT_NEAR(hump[i], i - i * i / 200.0, 1.0) << "at i=" << i;

  // Many points: a monotone tone curve from the first to the last point, every entry reached.
  const tagPOINT s[] = {{0, 0}, {40, 8}, {90, 60}, {128, 128}, {170, 200}, {215, 248}, {256, 255}};
  table.assign(256, -1);
  ASSERT_EQ(tqGetBsplineIntTable(s, 7, table.data(), 256), 1);
  EXPECT_EQ(table[0], 0);
  EXPECT_NEAR(table[255], 255, 1);
  for (int i = 1; i < 256; ++i) EXPECT_GE(table[i], table[i - 1]) << "at i=" << i;

  std::vector<int> untouched(8, -1);  // unusable input leaves the table alone
  const tagPOINT one[] = {{0, 0}};
  const tagPOINT sameX[] = {{5, 0}, {9, 3}, {5, 9}};
  EXPECT_EQ(tqGetBsplineIntTable(one, 1, untouched.data(), 8), 0);
  EXPECT_EQ(tqGetBsplineIntTable(sameX, 3, untouched.data(), 8), 0);
  EXPECT_EQ(tqGetBsplineIntTable(line, 2, untouched.data(), 0), 0);
  EXPECT_EQ(untouched, std::vector<int>(8, -1));
  // A curve that turns far back left of its start and far past its end finishes promptly.
  const tagPOINT wild[] = {{0, 0}, {-2000000000, 5}, {2000000000, 5}, {1, 9}};
  EXPECT_EQ(tqGetBsplineIntTable(wild, 4, table.data(), 8), 1);
}

}  // namespace
