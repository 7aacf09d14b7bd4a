// Rounding, distances and angles on the screen's coordinate system (y pointing down, angles
// growing counter-clockwise).
#include <cmath>
#include <limits>
#include <numbers>

#include "tqwutl/tqwutl.h"

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

// Nearest integer of type T, halves away from zero, saturating; NaN gives 0.
template <typename T>
T RoundSaturated(double value) {
  if (std::isnan(value)) return 0;
  double rounded = std::round(value);
  if (rounded >= static_cast<double>(std::numeric_limits<T>::max())) {
    return std::numeric_limits<T>::max();
  }
  if (rounded <= static_cast<double>(std::numeric_limits<T>::min())) {
    return std::numeric_limits<T>::min();
  }
  return static_cast<T>(rounded);
}

// Sine and cosine of an angle in degrees, exact at multiples of 90: the angle is reduced to
// the nearest quarter turn and a remainder of at most 45 degrees.
void SinCosDegrees(double degrees, double* sine, double* cosine) {
  double reduced = std::fmod(degrees, 360.0);
  if (reduced < 0) reduced += 360.0;
  double quarter = std::round(reduced / 90.0);  // 0 to 4
  double rest = (reduced - quarter * 90.0) * (std::numbers::pi / 180.0);
  double s = std::sin(rest);
  double c = std::cos(rest);
  switch (static_cast<int>(quarter) & 3) {
    case 0:
      *sine = s, *cosine = c;
      break;
    case 1:
      *sine = c, *cosine = -s;
      break;
    case 2:
      *sine = -s, *cosine = -c;
      break;
    default:
      *sine = -c, *cosine = s;
      break;
  }
}

}  // namespace

extern "C" {

int tqDouble2Int(double value) { return RoundSaturated<int>(value); }

short tqDouble2Short(double value) { return RoundSaturated<short>(value); }

double tqPointLength(double x1, double y1, double x2, double y2) {
  return std::hypot(x1 - x2, y1 - y2);
}

double tqRotCalc(double x1, double y1, double x2, double y2) {
  return tqRotNormal(std::atan2(y1 - y2, x2 - x1));
}

double tqRotNormal(double radians) {
  if (!std::isfinite(radians)) return 0.0;
  double angle = std::fmod(radians, kTwoPi);
  if (angle < 0) angle += kTwoPi;
  // A tiny negative angle plus 2 pi rounds to 2 pi itself, which is the direction 0.
  if (angle >= kTwoPi) angle = 0.0;
  return angle + 0.0;  // no negative zero
}

void tqRotatePointD(tagPOINTD* point, const tagPOINTD* center, double degrees) {
  if (point == nullptr || center == nullptr || !std::isfinite(degrees)) return;
  double sine = 0;
  double cosine = 0;
  SinCosDegrees(degrees, &sine, &cosine);
  double dx = point->x - center->x;
  double dy = point->y - center->y;
  // Counter-clockwise with y down is clockwise in the usual mathematical frame.
  point->x = center->x + dx * cosine + dy * sine;
  point->y = center->y - dx * sine + dy * cosine;
}

void tqSetRect(tagRECT* rect, int left, int top, int right, int bottom) {
  if (rect == nullptr) return;
  rect->left = left;
  rect->top = top;
  rect->right = right;
  rect->bottom = bottom;
}

}  // extern "C"
