#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <numbers>

#include "tqwutl/tqwutl.h"

constexpr double kPi = std::numbers::pi, kInf = HUGE_VAL, kNaN = NAN;

TEST(Rounding, HalvesAwayFromZeroAndSaturates) {
  // Adding 0.5 to kBelowHalf before cutting would give 1.
  constexpr double kBelowHalf = 0.49999999999999994, kMax = INT_MAX, kMin = INT_MIN;
  // Rows: value and the int; the short is that int saturated to the short range.
  const double cases[][2] = {{0.4, 0},           {0.5, 1},           {-2.5, -3},
                             {kBelowHalf, 0},    {32767.5, 32768},   {-32768.6, -32769},
                             {kMax + 0.5, kMax}, {kMin - 0.6, kMin}, {kInf, kMax},
                             {-kInf, kMin},      {kNaN, 0}};
  for (const auto& c : cases) {
    EXPECT_EQ(tqDouble2Int(c[0]), static_cast<int>(c[1])) << "at value=" << c[0];
    EXPECT_EQ(tqDouble2Short(c[0]), std::clamp(c[1], -32768.0, 32767.0)) << "at value=" << c[0];
  }
}

TEST(Geometry, RotNormalStaysInHalfOpenTurn) {
  for (double radians :
       {-kPi / 2, 7 * kPi, -7 * kPi, -100 * kPi, 2 * kPi, std::nextafter(2 * kPi, 0),
        std::nextafter(-2 * kPi, 0), -1e-300, -0.0, kNaN, kInf}) {
    const double angle = tqRotNormal(radians);
    const double same = std::isfinite(radians) ? radians : 0;  // where the angle must point
    EXPECT_TRUE(angle >= 0 && angle < 2 * kPi && !std::signbit(angle)) << "at " << radians;
    EXPECT_NEAR(std::sin(angle), std::sin(same), 1e-9) << "at radians=" << radians;
    EXPECT_NEAR(std::cos(angle), std::cos(same), 1e-9) << "at radians=" << radians;
  }
}

TEST(Geometry, DirectionAndRotationFollowTheScreen) {
  EXPECT_DOUBLE_EQ(tqPointLength(0, 0, 3e200, 4e200), 5e200) << "no overflow";
  // Rows: x1, y1, x2, y2 and the angle; y points down, angles grow counter-clockwise.
  const double cases[][5] = {{0, 0, 1, 0, 0},          {0, 0, 0, -1, kPi / 2},
                             {0, 0, -1, 0, kPi},       {0, 0, 0, 1, 3 * kPi / 2},
                             {10, 10, 13, 7, kPi / 4}, {0, 0, 1, 1, 7 * kPi / 4},
                             {5, 5, 5, 5, 0},          {0, -0.0, -1, 0, kPi}};
  for (const auto& c : cases) {
    EXPECT_NEAR(tqRotCalc(c[0], c[1], c[2], c[3]), c[4], 1e-12) << "at row " << &c - cases;
  }
  // Rows: point, center, degrees, expected point; quarter turns are exact.
  const double x75 = 2 * std::cos(75 * kPi / 180), y75 = -2 * std::sin(75 * kPi / 180);
  const double turns[][7] = {{5, 0, 0, 0, 90, 0, -5},     {5, 0, 0, 0, 180, -5, 0},
                             {5, 0, 0, 0, -90, 0, 5},     {5, 0, 0, 0, 450, 0, -5},
                             {20, 10, 10, 10, 90, 10, 0}, {10, 0, 10, 10, 90, 0, 10},
                             {2, 0, 0, 0, 75, x75, y75},  {3, 4, 0, 0, kNaN, 3, 4}};
  for (const auto& c : turns) {
    tagPOINTD point{c[0], c[1]};
    const tagPOINTD center{c[2], c[3]};
    tqRotatePointD(&point, &center, c[4]);
    EXPECT_NEAR(point.x, c[5], std::fmod(c[4], 90) == 0 ? 0 : 1e-12) << "at row " << &c - turns;
    EXPECT_NEAR(point.y, c[6], std::fmod(c[4], 90) == 0 ? 0 : 1e-12) << "at row " << &c - turns;
  }
}
