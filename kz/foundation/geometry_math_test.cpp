#include "kz/foundation/geometry_math.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <vector>

namespace {

constexpr double kPi = std::numbers::pi;

void ExpectPoint(const tagPOINTD& p, double x, double y, const char* label) {
  EXPECT_NEAR(p.x, x, 1e-9) << label;
  EXPECT_NEAR(p.y, y, 1e-9) << label;
}

TEST(GeometryMath, PointLengthIntegerDoesNotOverflow) {
  const struct {
    int x1, y1, x2, y2;
    double expected;
  } rows[] = {
      {-3, -4, 0, 0, 5.0},
      {0, 0, 46341, 0, 46341.0},  // 46341^2 no longer fits in 32 bits
      {0, 0, 40000, 40000, 40000.0 * std::numbers::sqrt2},
      {INT_MIN, 0, INT_MAX, 0, 4294967295.0},
  };
  for (const auto& r : rows) {
    EXPECT_DOUBLE_EQ(tqPointLengthInteger(r.x1, r.y1, r.x2, r.y2), r.expected) << "to " << r.x2;
  }
}

TEST(GeometryMath, IntegerAngles) {
  const struct {
    int x2, y2, angle;  // from (0, 0)
  } rows[] = {{0, 0, 0},     {0, -5, 1024},  {0, 5, 3072},
              {-5, 0, 2048}, {5, 0, 0},      {5, 5, 3584},
              {5, -5, 512},  {-5, -5, 1536}, {1000, 1, 4095} /* just below a full turn */,
              {1000, -1, 0}};
  for (const auto& r : rows) {
    EXPECT_EQ(tqRotCalcInteger(0, 0, r.x2, r.y2), r.angle) << "to " << r.x2 << "," << r.y2;
  }
  const struct {
    int a, normal;
  } normals[] = {{-1, 4095}, {4097, 1}, {-4096, 4096}, {4096, 0}, {INT_MIN, 4096}};
  for (const auto& r : normals) EXPECT_EQ(tqRotNormalInteger(r.a), r.normal) << "at a=" << r.a;
}

TEST(GeometryMath, ShortestTurns) {
  const struct {
    int a, b, turn;
  } rows[] = {{4000, 100, 196}, {100, 4000, -196}, {0, 2048, 2048},
              {2048, 0, -2048}, {0, 2049, -2047},  {4095, 0, 1}};
  for (const auto& r : rows) {
    EXPECT_EQ(tqRotOffCalcInteger(r.a, r.b), r.turn) << r.a << " -> " << r.b;
  }
  EXPECT_NEAR(tqRotOffCalc(0.1, 2 * kPi - 0.1), -0.2, 1e-12);
  EXPECT_NEAR(tqRotOffCalc(2 * kPi - 0.1, 0.1), 0.2, 1e-12);
  EXPECT_NEAR(tqRotOffCalc(kPi, 0), -kPi, 1e-12);
  const struct {
    int a, b, n, result;
  } averages[] = {{4000, 100, 2, 2}, {100, 4000, 2, 2}, {0, 1024, 4, 256}, {4090, 10, 3, 4095}};
  for (const auto& r : averages) {
    EXPECT_EQ(tqRotAverageInteger(r.a, r.b, r.n), r.result) << r.a << " -> " << r.b << " /" << r.n;
  }
  EXPECT_ANY_THROW(tqRotAverageInteger(1, 2, 0));
}

TEST(GeometryMath, DegreesSignsAndRounding) {
  const struct {
    double degrees, sine, cosine;
  } rows[] = {{-90, -1, 0}, {450, 1, 0}, {750, 0.5, std::sqrt(3.0) / 2}};
  for (const auto& r : rows) {
    double s = 9;
    double c = 9;
    tqDegreeSinCos(r.degrees, &s, &c);
    EXPECT_NEAR(s, r.sine, 1e-12) << "at " << r.degrees;
    EXPECT_NEAR(c, r.cosine, 1e-12) << "at " << r.degrees;
  }
  EXPECT_DOUBLE_EQ(tqDegreeGap(350, 10), 20);
  EXPECT_DOUBLE_EQ(tqDegreeGap(-90, 90), 180);
  EXPECT_DOUBLE_EQ(tqDegreeGap(400, 10), 30);
  EXPECT_EQ(tqSgnf(std::nan("")), 0.0);
  EXPECT_EQ(tqSgn(INT_MIN), -1);

  const struct {
    double value;
    int up, nudged;
  } rounding[] = {
      {2.5, 3, 2},         {-2.5, -3, -2}, {2.9999, 3, 2},           {2.999995, 3, 3},
      {-2.999995, -3, -3}, {-0.4, 0, 0},   {1e300, INT_MIN, INT_MIN}};  // out of range: the
                                                                        // platform's indefinite
                                                                        // integer
  for (const auto& r : rounding) {
    EXPECT_EQ(tqDoubleToIntRoundingUp(r.value), r.up) << "at " << r.value;
    EXPECT_EQ(tqDoubleToInt(r.value), r.nudged) << "at " << r.value;
  }
}

TEST(GeometryMath, Projections) {
  using Projection = double (*)(tagPOINTD, tagPOINTD, tagPOINTD, tagPOINTD*, double*);
  const struct {
    const char* label;
    Projection f;
    tagPOINTD p, a, b;
    double fx, fy, t, distance;
  } rows[] = {
      {"inside", tqPtPosOnLine, {5, 5}, {0, 0}, {10, 0}, 5, 0, 0.5, 5},
      {"before a", tqPtPosOnLine, {-3, 4}, {0, 0}, {10, 0}, 0, 0, 0, 5},
      {"past b", tqPtPosOnLine, {13, 4}, {0, 0}, {10, 0}, 10, 0, 1, 5},
      {"degenerate", tqPtPosOnLine, {4, 5}, {1, 1}, {1, 1}, 1, 1, 0, 5},
      {"line: horizontal, before a", tqPtPosOnLine2, {-3, 4}, {0, 0}, {10, 0}, -3, 0, -0.3, 4},
      {"line: horizontal, past b", tqPtPosOnLine2, {13, 4}, {0, 0}, {10, 0}, 13, 0, 1.3, 4},
      {"line: vertical, before a", tqPtPosOnLine2, {4, -2}, {0, 0}, {0, 10}, 0, -2, -0.2, 4},
      {"line: diagonal",
       tqPtPosOnLine2,
       {-2, 0},
       {0, 0},
       {10, 10},
       -1,
       -1,
       -0.1,
       1.4142135623730951},
      {"line: inside", tqPtPosOnLine2, {5, 5}, {0, 0}, {10, 0}, 5, 0, 0.5, 5},
  };
  for (const auto& r : rows) {
    tagPOINTD foot{99, 99};
    double t = 99;
    EXPECT_NEAR(r.f(r.p, r.a, r.b, &foot, &t), r.distance, 1e-9) << r.label;
    ExpectPoint(foot, r.fx, r.fy, r.label);
    EXPECT_NEAR(t, r.t, 1e-12) << r.label;
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
  const struct {
    const char* label;
    Crossing f;
    tagPOINTD p1, p2, p3, p4;
    int crosses;
    double x, y;
  } rows[] = {
      {"X", segment, {0, 0}, {10, 10}, {0, 10}, {10, 0}, 1, 5, 5},
      {"shared end point", segment, {0, 0}, {5, 5}, {5, 5}, {10, 0}, 1, 5, 5},
      {"end on the other", segment, {0, 0}, {10, 0}, {5, 0}, {5, 5}, 1, 5, 0},
      {"parallel", segment, {0, 0}, {10, 0}, {0, 1}, {10, 1}, 0, 0, 0},
      {"collinear overlap", segment, {0, 0}, {10, 0}, {5, 0}, {15, 0}, 0, 0, 0},
      {"lines cross outside", segment, {0, 0}, {1, 1}, {3, 0}, {2, 1}, 0, 0, 0},
      {"vertical across horizontal", axis, {5, 0}, {5, 10}, {0, 3}, {10, 3}, 1, 5, 3},
      // Only the second segment's extent is checked here: the first counts as its line.
      {"vertical, horizontal beyond", axis, {5, 0}, {5, 10}, {0, 30}, {10, 30}, 1, 5, 30},
      {"vertical beside horizontal", axis, {5, 0}, {5, 10}, {6, 3}, {10, 3}, 0, 0, 0},
      {"horizontal across vertical", axis, {0, 3}, {10, 3}, {5, 0}, {5, 10}, 1, 5, 3},
      {"diagonal across vertical", axis, {0, 0}, {10, 10}, {4, 0}, {4, 10}, 1, 4, 4},
      {"diagonal misses vertical", axis, {0, 0}, {10, 10}, {4, 5}, {4, 10}, 0, 0, 0},
      {"two verticals", axis, {5, 0}, {5, 10}, {5, 2}, {5, 8}, 0, 0, 0},
      {"lines beyond segments", line, {0, 0}, {1, 1}, {0, 10}, {1, 9}, 1, 5, 5},
      {"parallel lines", line, {0, 0}, {1, 1}, {0, 1}, {1, 2}, 0, 0, 0},
      {"slopes equal in 1/1000", line, {0, 0}, {1, 1}, {0, 5}, {1, 6.0004}, 0, 0, 0},
      {"vertical and horizontal", line, {2, 0}, {2, 5}, {0, 7}, {1, 7}, 1, 2, 7},
      {"diagonal and vertical", line, {0, 0}, {1, 1}, {3, 0}, {3, 1}, 1, 3, 3},
      {"horizontal and diagonal", line, {0, 3}, {1, 3}, {0, 0}, {1, 2}, 1, 1.5, 3},
      {"two horizontals", line, {0, 2}, {1, 2}, {0, 3}, {1, 3}, 0, 0, 0},
  };
  for (const auto& r : rows) {
    tagPOINTD out{-7, -7};
    EXPECT_EQ(r.f(r.p1, r.p2, r.p3, r.p4, &out), r.crosses) << r.label;
    ExpectPoint(out, r.crosses ? r.x : -7, r.crosses ? r.y : -7, r.label);
  }
  EXPECT_EQ(tqCrossLinePoint3({0, 0}, {1, 1}, {0, 10}, {1, 9}, nullptr), 1);
}

TEST(GeometryMath, SegmentAgainstPolygon) {
  const tagPOINT square[] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
  const struct {
    const char* label;
    tagPOINTD p1, p2;
    int guard1, guard2, crosses;
    double x, y;  // the last crossing tested
  } rows[] = {
      {"out through the right edge", {5, 5}, {15, 5}, 0, 0, 1, 10, 5},
      {"crossing too near p1", {5, 5}, {15, 5}, 1, 0, 0, 10, 5},
      {"guard value other than 1", {5, 5}, {15, 5}, 2, 2, 1, 10, 5},
      {"near crossing skipped, next counts", {-20, 5}, {12, 5}, 0, 1, 1, 0, 5},
      {"outside", {20, 20}, {30, 30}, 0, 0, 0, -7, -7},
  };
  for (const auto& r : rows) {
    tagPOINTD out{-7, -7};
    EXPECT_EQ(tqCrossSegmentAndPoly(square, 4, r.p1, r.p2, r.guard1, r.guard2, &out), r.crosses)
        << r.label;
    ExpectPoint(out, r.x, r.y, r.label);
  }
  tagPOINTD out{};
  EXPECT_ANY_THROW(tqCrossSegmentAndPoly(nullptr, 4, {5, 5}, {15, 5}, 0, 0, &out));
}

TEST(GeometryMath, StepLineSnapsToEighths) {
  const struct {
    int x1, y1, x2, y2, x, y;
  } rows[] = {
      {0, 0, 10, -9, 10, -10},  // 42 degrees up: 45, length 13.45
      {0, 0, 10, 1, 10, 0},
      {5, 5, -3, 6, -3, 5},
      {4, 4, 4, 4, 4, 4},
  };
  for (const auto& r : rows) {
    const tagPOINT p = tqStepLineCalc(r.x1, r.y1, r.x2, r.y2);
    EXPECT_EQ(p.x, r.x) << "to " << r.x2 << "," << r.y2;
    EXPECT_EQ(p.y, r.y) << "to " << r.x2 << "," << r.y2;
  }
  EXPECT_DOUBLE_EQ(tqGet2PointsToLineY(4, 0, 1, 2, 5), 9.0);
  EXPECT_DOUBLE_EQ(tqGet2PointsToLineY(4, 3, 1, 3, 5), 1.0);
}

TEST(GeometryMath, EllipsePoints) {
  tagPOINT points[5] = {};
  points[4] = tagPOINT{-9, -9};
  tqGetEllipsePoint(20, 10, 0, 0, 0.0, points, 4);  // corners in either order
  const int expected[4][2] = {{20, 5}, {10, 0}, {0, 5}, {10, 10}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(points[i].x, expected[i][0]) << "point " << i;
    EXPECT_EQ(points[i].y, expected[i][1]) << "point " << i;
  }
  EXPECT_EQ(points[4].x, -9);  // nothing beyond n
  tqGetEllipsePoint(0, 0, 20, 10, 90.0, points, 1);
  EXPECT_EQ(points[0].x, 10);  // the right end turned up
  EXPECT_EQ(points[0].y, -5);
  EXPECT_ANY_THROW(tqGetEllipsePoint(0, 0, 20, 10, 0.0, nullptr, 3));
}

TEST(GeometryMath, GaussNoiseHasMeanZeroAndSpreadOneSixth) {
  std::srand(12345);
  constexpr int kDraws = 20000;
  double sum = 0;
  double squares = 0;
  for (int i = 0; i < kDraws; ++i) {
    const double g = tqGetGaussRand();
    ASSERT_GE(g, -1.0);
    ASSERT_LE(g, 1.0);
    sum += g;
    squares += g * g;
  }
  const double mean = sum / kDraws;
  EXPECT_NEAR(mean, 0.0, 0.01);
  EXPECT_NEAR(std::sqrt(squares / kDraws - mean * mean), 1.0 / 6.0, 0.01);
}

TEST(GeometryMath, JacobiEigenvalues) {
  const struct {
    const char* label;
    std::vector<std::vector<double>> matrix;
    std::vector<double> eigenvalues;
  } rows[] = {
      {"unequal diagonal", {{4, 1}, {1, 2}}, {3 - std::numbers::sqrt2, 3 + std::numbers::sqrt2}},
      {"negative coupling", {{2, -1}, {-1, 2}}, {1, 3}},
      {"block of three", {{2, 0, 0}, {0, 3, 4}, {0, 4, 9}}, {1, 2, 11}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.label);
    const int n = static_cast<int>(r.matrix.size());
    std::vector<std::vector<double>> a = r.matrix;
    std::vector<std::vector<double>> v(n, std::vector<double>(n, 0.0));
    std::vector<double*> aRows;
    std::vector<double*> vRows;
    for (int i = 0; i < n; ++i) {
      v[i][i] = 1.0;
      aRows.push_back(a[i].data());
      vRows.push_back(v[i].data());
    }
    tqJacobiEigenvalue(n, aRows.data(), vRows.data(), 1e-12);
    // Each column of v is an eigenvector of the original matrix for the value on a's diagonal.
    std::vector<double> values;
    for (int col = 0; col < n; ++col) {
      values.push_back(a[col][col]);
      for (int row = 0; row < n; ++row) {
        double product = 0;
        for (int k = 0; k < n; ++k) product += r.matrix[row][k] * v[k][col];
        EXPECT_NEAR(product, a[col][col] * v[row][col], 1e-9) << "column " << col;
      }
    }
    std::sort(values.begin(), values.end());
    for (int i = 0; i < n; ++i) EXPECT_NEAR(values[i], r.eigenvalues[i], 1e-9) << "value " << i;
  }
}

TEST(GeometryMath, BsplineTable) {
  std::vector<int> table(256, -1);
  const tagPOINT identity[] = {{0, 0}, {255, 255}};
  ASSERT_EQ(tqGetBsplineIntTable(identity, 2, table.data(), 256), 1);
  for (int i = 0; i < 256; ++i) {
    EXPECT_EQ(table[i], static_cast<int>(i * 255.0 / 256.0 + 0.5)) << "at i=" << i;
  }
  // With two points the table's x runs from 0, whatever the first point's x.
  const tagPOINT line[] = {{10, 20}, {30, 60}};
  ASSERT_EQ(tqGetBsplineIntTable(line, 2, table.data(), 4), 1);
  EXPECT_EQ(std::vector<int>(table.begin(), table.begin() + 4), (std::vector<int>{0, 10, 20, 30}));

  // Mirrored end points make (0,0),(100,100),(200,0) the parabola y = x - x^2 / 200.
  std::vector<int> hump(200, -1);
  const tagPOINT arch[] = {{0, 0}, {100, 100}, {200, 0}};
  ASSERT_EQ(tqGetBsplineIntTable(arch, 3, hump.data(), 200), 1);
  EXPECT_EQ(hump[0], 0);
  EXPECT_EQ(hump[100], 50);
  for (int i = 0; i < 200; ++i) EXPECT_NEAR(hump[i], i - i * i / 200.0, 1.0) << "at i=" << i;

  // Many points: a monotone tone curve from the first to the last point, every entry reached.
  const tagPOINT s[] = {{0, 0}, {40, 8}, {90, 60}, {128, 128}, {170, 200}, {215, 248}, {256, 255}};
  table.assign(256, -1);
  ASSERT_EQ(tqGetBsplineIntTable(s, 7, table.data(), 256), 1);
  EXPECT_EQ(table[0], 0);
  EXPECT_NEAR(table[255], 255, 1);
  for (int i = 1; i < 256; ++i) EXPECT_GE(table[i], table[i - 1]) << "at i=" << i;
}

TEST(GeometryMath, BsplineTableRejectsUnusableInput) {
  std::vector<int> table(8, -1);
  const tagPOINT one[] = {{0, 0}};
  const tagPOINT sameX[] = {{5, 0}, {9, 3}, {5, 9}};
  const tagPOINT ok[] = {{0, 0}, {8, 8}};
  EXPECT_EQ(tqGetBsplineIntTable(one, 1, table.data(), 8), 0);
  EXPECT_EQ(tqGetBsplineIntTable(sameX, 3, table.data(), 8), 0);
  EXPECT_EQ(tqGetBsplineIntTable(ok, 2, table.data(), 0), 0);
  EXPECT_EQ(table, std::vector<int>(8, -1));
  // A curve that turns far back left of its start and far past its end finishes promptly.
  const tagPOINT wild[] = {{0, 0}, {-2000000000, 5}, {2000000000, 5}, {1, 9}};
  EXPECT_EQ(tqGetBsplineIntTable(wild, 4, table.data(), 8), 1);
}

}  // namespace
