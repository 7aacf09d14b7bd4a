#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <numbers>

#include "tqwutl/tqwutl.h"

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(Rounding, HalvesAwayFromZeroAndSaturates) {
  const struct {
    double value;
    int asInt;
    short asShort;
  } cases[] = {
      {0.4, 0, 0},
      {0.5, 1, 1},
      {-0.5, -1, -1},
      {2.5, 3, 3},
      {-2.5, -3, -3},
      {-1.4, -1, -1},
      {0.49999999999999994, 0, 0},  // adding 0.5 first would give 1
      {32766.5, 32767, 32767},
      {-32768.6, -32769, -32768},
      {2147483647.4, INT_MAX, 32767},
      {2147483647.5, INT_MAX, 32767},
      {-2147483648.4, INT_MIN, -32768},
      {-2147483648.6, INT_MIN, -32768},
      {kInf, INT_MAX, 32767},
      {-kInf, INT_MIN, -32768},
      {kNaN, 0, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(tqDouble2Int(c.value), c.asInt) << "at value=" << c.value;
    EXPECT_EQ(tqDouble2Short(c.value), c.asShort) << "at value=" << c.value;
  }
}

TEST(Distance, PointLengthDoesNotOverflow) {
  EXPECT_DOUBLE_EQ(tqPointLength(3, 4, 0, 0), 5);
  EXPECT_DOUBLE_EQ(tqPointLength(0, 0, 3e200, 4e200), 5e200);
}

TEST(Angles, RotCalcFollowsTheScreenOrientation) {
  const struct {
    const char* label;
    double x1, y1, x2, y2;
    double expected;
  } cases[] = {
      {"right", 0, 0, 1, 0, 0},
      {"up", 0, 0, 0, -1, kPi / 2},
      {"left", 0, 0, -1, 0, kPi},
      {"down", 0, 0, 0, 1, 3 * kPi / 2},
      {"down right", 0, 0, 1, 1, 7 * kPi / 4},
      {"up right from elsewhere", 10, 10, 13, 7, kPi / 4},
      {"equal points", 5, 5, 5, 5, 0},
      {"left with negative zero", 0, -0.0, -1, 0, kPi},
  };
  for (const auto& c : cases) {
    EXPECT_NEAR(tqRotCalc(c.x1, c.y1, c.x2, c.y2), c.expected, 1e-12) << c.label;
  }
}

TEST(Angles, RotNormalRows) {
  const struct {
    double radians;
    double expected;
  } cases[] = {
      {0, 0},         {2 * kPi, 0},    {-kPi / 2, 3 * kPi / 2},
      {7 * kPi, kPi}, {-7 * kPi, kPi}, {-1e-300, 0} /* plus 2 pi this rounds to 2 pi itself */,
      {kNaN, 0},      {kInf, 0},
  };
  for (const auto& c : cases) {
    EXPECT_NEAR(tqRotNormal(c.radians), c.expected, 1e-12) << "at radians=" << c.radians;
  }
  EXPECT_FALSE(std::signbit(tqRotNormal(-0.0))) << "no negative zero";
}

TEST(Angles, RotNormalStaysBelowTwoPiBesideWholeTurns) {
  for (int turns = -50; turns <= 50; ++turns) {
    double turn = turns * 2 * kPi;
    for (double radians :
         {std::nextafter(turn, -kInf), turn, std::nextafter(turn, kInf), turn + 1.0}) {
      double angle = tqRotNormal(radians);
      ASSERT_GE(angle, 0) << "at radians=" << radians;
      ASSERT_LT(angle, 2 * kPi) << "at radians=" << radians;
      EXPECT_NEAR(std::sin(angle), std::sin(radians), 1e-9) << "at radians=" << radians;
    }
  }
}

TEST(Angles, RotatePointDTurnsCounterClockwiseOnScreen) {
  const struct {
    tagPOINTD point, center;
    double degrees;
    tagPOINTD expected;
  } cases[] = {
      {{5, 0}, {0, 0}, 90, {0, -5}},     {{5, 0}, {0, 0}, 180, {-5, 0}},
      {{5, 0}, {0, 0}, -90, {0, 5}},     {{5, 0}, {0, 0}, 450, {0, -5}},
      {{20, 10}, {10, 10}, 90, {10, 0}}, {{10, 0}, {10, 10}, 90, {0, 10}},
  };
  for (const auto& c : cases) {
    tagPOINTD point = c.point;
    tqRotatePointD(&point, &c.center, c.degrees);
    // Quarter turns are exact.
    EXPECT_EQ(point.x, c.expected.x) << "at degrees=" << c.degrees;
    EXPECT_EQ(point.y, c.expected.y) << "at degrees=" << c.degrees;
  }
  tagPOINTD point{2, 0};
  const tagPOINTD origin{0, 0};
  tqRotatePointD(&point, &origin, 45);
  tqRotatePointD(&point, &origin, 30);
  EXPECT_NEAR(point.x, 2 * std::cos(75 * kPi / 180), 1e-12);
  EXPECT_NEAR(point.y, -2 * std::sin(75 * kPi / 180), 1e-12);
  tqRotatePointD(&point, &origin, kNaN);
  EXPECT_NEAR(point.x, 2 * std::cos(75 * kPi / 180), 1e-12) << "a NaN angle changes nothing";
}

}  // namespace
