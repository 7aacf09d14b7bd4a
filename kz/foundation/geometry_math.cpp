// Geometry math: angles, crossings, projections, ellipses, noise and numeric tools.
#include "kz/foundation/geometry_math.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <numbers>

#include "kz/foundation/error.h"
#include "kz/foundation/geometry_base.h"
#include "tqwutl/tqwutl.h"

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr int kTurn = 4096;
constexpr int kHalfTurn = 2048;
// Integer angle units per radian, 4096 / 2 pi.
constexpr double kUnitsPerRadian = 651.8986469044033;

bool Between(double v, double a, double b) { return a <= b ? a <= v && v <= b : b <= v && v <= a; }

// Slope and intercept of the non-vertical line through p and q.
struct Line {
  double m;
  double c;
};
Line LineThrough(tagPOINTD p, tagPOINTD q) {
  const double m = (q.y - p.y) / (q.x - p.x);
  return Line{m, p.y - m * p.x};
}

// Compares in thousandths, as tqCrossLinePoint3 does.
int Milli(double v) { return tqDouble2Int(v * 1000.0); }

// One sample step of the tone curve table: fills the entries whose x lie between the previous
// sample (px, py) and this one (x, y), interpolating linearly.
void FillTableInterval(int* table, unsigned count, double step, double x0, double px, double py,
                       double x, double y) {
  const double low = px < x ? px : x;
  const double high = px < x ? x : px;
  double xx = low;
  // A curve that turns back left of its start can reach no entry until it returns near x0
  // (entries within 1.5 steps left of x0 still round to index 0); skip that stretch whole.
  if (xx < x0 - 3.0 * step) xx += std::floor((x0 - 3.0 * step - xx) / step) * step;
  do {
    const double position = (xx - x0) / step + 0.5;
    if (position >= static_cast<double>(count)) break;  // every later entry is past the table
    const int index = kzTruncToInt(position);
    if (index >= 0) {
      const double yLin = x == px ? py : py + (y - py) * (xx - px) / (x - px);
      table[index] = kzTruncToInt(yLin + 0.5);
    }
    const double next = xx + step;
    if (next <= xx) break;  // the step vanishes against xx: nothing further is reachable
    xx = next;
  } while (xx <= high);
}

}  // namespace

extern "C" {

double tqPointLengthInteger(int x1, int y1, int x2, int y2) {
  // Each square fits in 64 unsigned bits; their sum is exact in double while the original's
  // 32-bit sum was, and merely rounded beyond.
  const std::int64_t dx = std::int64_t{x1} - x2;
  const std::int64_t dy = std::int64_t{y1} - y2;
  const auto sx = static_cast<std::uint64_t>(dx < 0 ? -dx : dx);
  const auto sy = static_cast<std::uint64_t>(dy < 0 ? -dy : dy);
  return std::sqrt(static_cast<double>(sx * sx) + static_cast<double>(sy * sy));
}

int tqRotCalcInteger(int x1, int y1, int x2, int y2) {
  if (x1 == x2 && y1 == y2) return 0;
  if (x1 == x2) return y2 < y1 ? 1024 : 3072;
  if (y1 == y2) return x2 > x1 ? 0 : kHalfTurn;
  const double angle = std::atan2(static_cast<double>(y1) - y2, static_cast<double>(x2) - x1);
  return kzTruncToInt(tqRotNormal(angle) * kUnitsPerRadian);
}

int tqRotNormalInteger(int a) {
  if (a >= 0) return a & 0xFFF;
  return kTurn - static_cast<int>((0u - static_cast<unsigned>(a)) & 0xFFFu);
}

double tqRotOffCalc(double a, double b) {
  const double d = b - a;
  const double alt = kTwoPi - std::fabs(d);
  if (alt >= std::fabs(d)) return d;
  return d > 0 ? -alt : alt;
}

int tqRotOffCalcInteger(int a, int b) {
  const std::int64_t d = std::int64_t{b} - a;
  const std::int64_t size = d < 0 ? -d : d;
  const std::int64_t alt = kTurn - size;
  if (size <= alt) return static_cast<int>(d);
  return static_cast<int>(d > 0 ? -alt : alt);
}

int tqRotAverageInteger(int a, int b, int n) {
  if (n == 0) kzThrowError(kKzErrorParameter);
  std::int64_t from = a;
  if (from - b < -kHalfTurn) {
    from += kTurn;
  } else if (from - b > kHalfTurn) {
    from -= kTurn;
  }
  return tqRotNormalInteger(static_cast<int>(from + (b - from) / n));
}

void tqRadianSinCos(double angle, double* sinOut, double* cosOut) {
  const double r = tqRotNormal(angle);
  if (sinOut != nullptr) *sinOut = std::sin(r);
  if (cosOut != nullptr) *cosOut = std::cos(r);
}

void tqDegreeSinCos(double degrees, double* sinOut, double* cosOut) {
  const double turns = std::trunc(degrees * (1.0 / 360.0));
  double r = degrees - turns * 360.0;
  if (r < 0) r += 360.0;
  r = r * kPi / 180.0;
  if (sinOut != nullptr) *sinOut = std::sin(r);
  if (cosOut != nullptr) *cosOut = std::cos(r);
}

double tqDegreeGap(double a, double b) {
  const auto inRange = [](double v) { return v >= 360.0 ? v - 360.0 : v < 0.0 ? v + 360.0 : v; };
  const double d = std::fabs(inRange(a) - inRange(b));
  return d > 180.0 ? 360.0 - d : d;
}

int tqSgn(int value) { return value > 0 ? 1 : value < 0 ? -1 : 0; }

double tqSgnf(double value) { return value > 0 ? 1.0 : value < 0 ? -1.0 : 0.0; }

double tqPtPosOnLine(tagPOINTD p, tagPOINTD a, tagPOINTD b, tagPOINTD* foot, double* t) {
  const double dx = b.x - a.x;
  const double dy = b.y - a.y;
  const double len2 = dx * dx + dy * dy;
  tagPOINTD f = a;
  double param = 0.0;
  if (len2 > 1e-08) {
    param = ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2;
    if (param <= 0.0) {
      param = 0.0;
    } else if (param >= 1.0) {
      param = 1.0;
      f = b;
    } else {
      f = tagPOINTD{a.x + param * dx, a.y + param * dy};
    }
  }
  if (foot != nullptr) *foot = f;
  if (t != nullptr) *t = param;
  return tqPointLength(f.x, f.y, p.x, p.y);
}

double tqPtPosOnLine2(tagPOINTD p, tagPOINTD a, tagPOINTD b, tagPOINTD* foot, double* t) {
  double param = 0.0;
  const double distance = tqPtPosOnLine(p, a, b, foot, &param);
  const double dx = b.x - a.x;
  const double dy = b.y - a.y;
  const bool vertical = std::fabs(dx) < 1e-08;
  const bool horizontal = std::fabs(dy) < 1e-08;
  const auto keepFirst = [&] {
    if (t != nullptr) *t = param;
    return distance;
  };
  if ((param > 0.0 && param < 1.0) || foot == nullptr || (vertical && horizontal)) {
    return keepFirst();
  }
  tagPOINTD f;
  if (vertical) {
    f = tagPOINTD{a.x, p.y};
  } else if (horizontal) {
    f = tagPOINTD{p.x, a.y};
  } else {
    // The perpendicular through p, as a line through p and a second point on it.
    const tagPOINTD q{p.x + 100.0, p.y - 100.0 * dx / dy};
    if (!tqCrossLinePoint3(a, b, p, q, &f)) return keepFirst();
  }
  *foot = f;
  double along = tqPointLength(f.x, f.y, a.x, a.y) / tqPointLength(b.x, b.y, a.x, a.y);
  if (param <= 0.0) along = -along;  // the foot lies before a
  if (t != nullptr) *t = along;
  return tqPointLength(f.x, f.y, p.x, p.y);
}

int tqCrossLinePoint(tagPOINTD p1, tagPOINTD p2, tagPOINTD p3, tagPOINTD p4, tagPOINTD* out) {
  const double den = (p2.x - p1.x) * (p4.y - p3.y) - (p2.y - p1.y) * (p4.x - p3.x);
  if (den == 0.0 || std::fabs(den) == 1e-08) return 0;
  const double s = ((p1.y - p3.y) * (p4.x - p3.x) - (p1.x - p3.x) * (p4.y - p3.y)) / den;
  const double u = ((p1.y - p3.y) * (p2.x - p1.x) - (p1.x - p3.x) * (p2.y - p1.y)) / den;
  if (!(u >= 0.0 && u <= 1.0 && s >= 0.0 && s <= 1.0)) return 0;
  if (out != nullptr) *out = tagPOINTD{s * p2.x + (1.0 - s) * p1.x, s * p2.y + (1.0 - s) * p1.y};
  return 1;
}

int tqCrossLinePoint2(tagPOINTD p1, tagPOINTD p2, tagPOINTD p3, tagPOINTD p4, tagPOINTD* out) {
  const auto found = [out](tagPOINTD at) {
    if (out != nullptr) *out = at;
    return 1;
  };
  if (tqDouble2Int(p1.x) == tqDouble2Int(p2.x)) {  // first segment vertical
    if (!Between(p1.x, p3.x, p4.x)) return 0;
    if (p3.y != p4.y) return tqCrossLinePoint(p1, p2, p3, p4, out);
    return found(tagPOINTD{p1.x, p3.y});
  }
  if (tqDouble2Int(p1.y) == tqDouble2Int(p2.y)) {  // first segment horizontal
    if (!Between(p1.y, p3.y, p4.y)) return 0;
    if (p3.x != p4.x) return tqCrossLinePoint(p1, p2, p3, p4, out);
    return found(tagPOINTD{p3.x, p1.y});
  }
  if (p3.x != p4.x) return tqCrossLinePoint(p1, p2, p3, p4, out);
  const Line first = LineThrough(p1, p2);
  const double y = first.m * p3.x + first.c;
  if (!Between(y, p3.y, p4.y)) return 0;
  return found(tagPOINTD{p3.x, y});
}

int tqCrossLinePoint3(tagPOINTD p1, tagPOINTD p2, tagPOINTD p3, tagPOINTD p4, tagPOINTD* out) {
  const bool vertical1 = Milli(p1.x) == Milli(p2.x);
  const bool vertical2 = Milli(p3.x) == Milli(p4.x);
  const bool horizontal1 = Milli(p1.y) == Milli(p2.y);
  const bool horizontal2 = Milli(p3.y) == Milli(p4.y);
  if ((vertical1 && vertical2) || (horizontal1 && horizontal2)) return 0;
  // The other line's y at the x of a vertical one: its mean y when it is horizontal.
  const auto otherAt = [](double x, bool horizontal, tagPOINTD a, tagPOINTD b) {
    if (horizontal) return (a.y + b.y) / 2.0;
    const Line line = LineThrough(a, b);
    return line.m * x + line.c;
  };
  double x;
  double y;
  if (vertical1) {
    x = (p1.x + p2.x) / 2.0;
    y = otherAt(x, horizontal2, p3, p4);
  } else if (vertical2) {
    x = (p3.x + p4.x) / 2.0;
    y = otherAt(x, horizontal1, p1, p2);
  } else if (horizontal1) {
    const Line second = LineThrough(p3, p4);
    y = (p1.y + p2.y) / 2.0;
    x = (p1.y - second.c) / second.m;
  } else if (horizontal2) {
    const Line first = LineThrough(p1, p2);
    y = (p3.y + p4.y) / 2.0;
    x = (p3.y - first.c) / first.m;
  } else {
    const Line first = LineThrough(p1, p2);
    const Line second = LineThrough(p3, p4);
    if (Milli(first.m) == Milli(second.m)) return 0;
    x = (second.c - first.c) / (first.m - second.m);
    y = ((first.m * x + first.c) + (second.m * x + second.c)) / 2.0;
  }
  if (out != nullptr) *out = tagPOINTD{x, y};
  return 1;
}

int tqCrossSegmentAndPoly(const tagPOINT* poly, int n, tagPOINTD p1, tagPOINTD p2, int guard1,
                          int guard2, tagPOINTD* out) {
  if (n > 0 && poly == nullptr) kzThrowError(kKzErrorParameter);
  for (int i = 0; i < n; ++i) {
    const tagPOINT& from = poly[i];
    const tagPOINT& to = poly[(i + 1) % n];
    const tagPOINTD a{static_cast<double>(from.x), static_cast<double>(from.y)};
    const tagPOINTD b{static_cast<double>(to.x), static_cast<double>(to.y)};
    tagPOINTD x;
    if (!tqCrossLinePoint(a, b, p1, p2, &x)) continue;
    if (out != nullptr) *out = x;
    const double edge = tqPointLength(a.x, a.y, b.x, b.y);
    const bool clearOfP1 = guard1 != 1 || tqPointLength(p1.x, p1.y, x.x, x.y) > edge;
    const bool clearOfP2 = guard2 != 1 || tqPointLength(p2.x, p2.y, x.x, x.y) > edge;
    if (clearOfP1 && clearOfP2) return 1;
  }
  return 0;
}

tagPOINT tqStepLineCalc(int x1, int y1, int x2, int y2) {
  const double angle = tqRotCalc(x1, y1, x2, y2);
  const int degrees = tqDouble2Int((angle + kPi / 8.0) * 57.29577951308232);
  const double snapped = (degrees / 45) * 45 * kPi / 180.0;
  const double length = tqPointLength(x1, y1, x2, y2);
  return tagPOINT{x1 + tqDouble2Int(std::cos(snapped) * length),
                  y1 - tqDouble2Int(std::sin(snapped) * length)};
}

double tqGet2PointsToLineY(double x, double x1, double y1, double x2, double y2) {
  if (x2 - x1 == 0.0) return y1;
  return (x - x1) * ((y2 - y1) / (x2 - x1)) + y1;
}

void tqGetEllipsePoint(int x1, int y1, int x2, int y2, double degrees, tagPOINT* out, int n) {
  if (n <= 0) return;
  if (out == nullptr) kzThrowError(kKzErrorParameter);
  const double minX = x1 < x2 ? x1 : x2;
  const double maxX = x1 < x2 ? x2 : x1;
  const double minY = y1 < y2 ? y1 : y2;
  const double maxY = y1 < y2 ? y2 : y1;
  const double cx = (minX + maxX) / 2.0;
  const double cy = (minY + maxY) / 2.0;
  const double rx = (maxX - minX) / 2.0;
  const double ry = (maxY - minY) / 2.0;
  const double r = -degrees * kPi / 180.0;
  const double cosR = std::cos(r);
  const double sinR = std::sin(r);
  for (int i = 0; i < n; ++i) {
    const double theta = i * 360.0 / n * kPi / 180.0;
    const double ex = std::cos(theta) * rx;
    const double ey = -std::sin(theta) * ry;
    out[i] = tagPOINT{tqDouble2Int(ex * cosR - ey * sinR + cx),
                      tqDouble2Int(ey * cosR + ex * sinR + cy)};
  }
}

double tqGetGaussRand() {
  // The sum of twelve uniform values in 0..1 has the variance 1; the draws are brought to the
  // 15-bit range the formula was made for, whatever RAND_MAX this C library has.
  constexpr unsigned kDivisor = (static_cast<unsigned>(RAND_MAX) + 1u) / 32768u;
  double sum = 0.0;
  for (int i = 0; i < 12; ++i) {
    const unsigned draw = static_cast<unsigned>(std::rand()) / kDivisor;
    sum += draw * (1.0 / 32767.0);
  }
  return (sum - 6.0) * (1.0 / 6.0);
}

int tqDoubleToIntRoundingUp(double value) {
  return kzTruncToInt(value >= 0.0 ? value + 0.5 : value - 0.5);
}

int tqDoubleToInt(double value) {
  return kzTruncToInt(value >= 0.0 ? value + 1e-05 : value - 1e-05);
}

void tqJacobiEigenvalue(int n, double** a, double** v, double eps) {
  if (n <= 0) return;
  if (a == nullptr || v == nullptr) kzThrowError(kKzErrorParameter);
  for (int sweep = 0; sweep < 10; ++sweep) {
    bool rotated = false;
    for (int i = 0; i < n - 1; ++i) {
      for (int j = i + 1; j < n; ++j) {
        const double aij = a[i][j];
        if (!(std::fabs(aij) >= eps)) continue;
        rotated = true;
        const double h = (a[i][i] - a[j][j]) / 2.0;
        double t = h / aij;
        double g = 1.0 / std::sqrt(t * t + 1.0);
        if (aij < 0) g = -g;
        t *= g;
        double s;
        double c;
        if (t <= 0) {
          s = std::sqrt((1.0 - t) / 2.0);
          c = g / s / 2.0;
        } else {
          c = std::sqrt((1.0 + t) / 2.0);
          s = g / c / 2.0;
        }
        const double sum = a[i][i] + a[j][j];
        a[i][i] = sum / 2.0 + t * h + g * aij;
        a[j][j] = sum - a[i][i];
        a[i][j] = a[j][i] = 0.0;
        for (int k = 0; k < n; ++k) {
          if (k != i && k != j) {
            const double aki = a[k][i];
            const double akj = a[k][j];
            a[i][k] = a[k][i] = c * aki + s * akj;
            a[j][k] = a[k][j] = c * akj - s * aki;
          }
          const double vki = v[k][i];
          const double vkj = v[k][j];
          v[k][i] = c * vki + s * vkj;
          v[k][j] = c * vkj - s * vki;
        }
      }
    }
    if (!rotated) break;
  }
}

int tqGetBsplineIntTable(const tagPOINT* points, unsigned n, int* table, unsigned count) {
  if (n < 2 || count == 0) return 0;
  if (points == nullptr || table == nullptr) kzThrowError(kKzErrorParameter);
  const double firstX = points[0].x;
  const double firstY = points[0].y;
  const double step = std::fabs(static_cast<double>(points[n - 1].x) - firstX) / count;
  if (!(step > 0.0)) return 0;

  if (n == 2) {
    const double lastX = points[1].x;
    const double lastY = points[1].y;
    for (unsigned i = 0; i < count; ++i) {
      const double x = i * step;
      double y = firstY;
      if (firstX != lastX) y += (lastY - firstY) / (lastX - firstX) * (x - firstX);
      table[i] = kzTruncToInt(y + 0.5);
    }
    return 1;
  }

  // Uniform quadratic B-spline; the outer control points are mirrored so that the curve starts
  // at the first point and ends at the last.
  const auto at = [points](unsigned i) {
    return tagPOINTD{static_cast<double>(points[i].x), static_cast<double>(points[i].y)};
  };
  const auto mirror = [](tagPOINTD end, tagPOINTD next) {
    return tagPOINTD{2.0 * end.x - next.x, 2.0 * end.y - next.y};
  };
  bool started = false;
  double x0 = 0.0;
  double px = 0.0;
  double py = 0.0;
  for (unsigned k = 1; k + 1 < n; ++k) {
    const tagPOINTD c0 = k == 1 ? mirror(at(0), at(1)) : at(k - 1);
    const tagPOINTD c1 = at(k);
    const tagPOINTD c2 = k == n - 2 ? mirror(at(n - 1), at(n - 2)) : at(k + 1);
    for (int j = 0; j <= 32; ++j) {
      const double t = j / 32.0;
      const double w0 = (1.0 - t) * (1.0 - t) / 2.0;
      const double w1 = t - t * t + 0.5;
      const double w2 = t * t / 2.0;
      const double x = w0 * c0.x + w1 * c1.x + w2 * c2.x;
      const double y = w0 * c0.y + w1 * c1.y + w2 * c2.y;
      if (!started) {
        started = true;
        x0 = x;
      } else {
        FillTableInterval(table, count, step, x0, px, py, x, y);
      }
      px = x;
      py = y;
    }
  }
  return 1;
}

}  // extern "C"
