#include "kz/brush/stroke.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace {

KzStrokePoint At(double x, double y, double pressure = 1.0) {
  KzStrokePoint p;
  p.x = x;
  p.y = y;
  p.pressure = pressure;
  return p;
}

std::vector<KzStrokePoint> Vertices(KzStroke& stroke, double* length, int keepLast) {
  KzTArray<KzStrokePoint> out;
  stroke.CreateVertex(out, length, keepLast);
  return std::vector<KzStrokePoint>(out.begin(), out.end());
}

void ExpectAt(const KzStrokePoint& p, double x, double y, const char* label) {
  EXPECT_NEAR(p.x, x, 1e-9) << label;
  EXPECT_NEAR(p.y, y, 1e-9) << label;
}

TEST(Stroke, Statics) {
  const KzStrokePoint neutral;
  EXPECT_TRUE(neutral.pressure == 1.0 && neutral.tilt == 90.0 && neutral.tiltDirection == 0.0 &&
              neutral.rotation == 0.0);
  const KzStrokePoint a{0, 0, 0.2, 10, 30, -40};
  const KzStrokePoint b{8, -4, 0.6, 30, 90, 40};
  KzStrokePoint mid;
  KzStroke::GetInterlatePoint(&mid, 0.25, &a, &b);
  const double expected[] = {2, -1, 0.3, 15, 45, -20};
  const double got[] = {mid.x, mid.y, mid.pressure, mid.tiltDirection, mid.tilt, mid.rotation};
  for (int i = 0; i < 6; ++i) EXPECT_NEAR(got[i], expected[i], 1e-12) << "channel " << i;
  EXPECT_DOUBLE_EQ(KzStroke::GetPointLength(&a, &b), std::sqrt(80.0));

  const struct {
    const char* label;
    double x, y, direction;
  } directions[] = {{"up", 0, -5, 0},
                    {"right", 5, 0, std::numbers::pi / 2},
                    {"left", -5, 0, 3 * std::numbers::pi / 2},
                    {"standing still", 0, 0, 1.25}};
  for (const auto& d : directions) {
    const KzStrokePoint to = At(d.x, d.y);
    EXPECT_NEAR(KzStroke::GetStrokeDirection(&neutral, &to, 1.25), d.direction, 1e-12) << d.label;
  }
  const struct {
    double distance;
    int time;
    double velocity;
  } velocities[] = {{30, 10, 1.0}, {-3, 10, 0.0}, {5, 10, 0.5}, {1, 0, 1.0}, {0, 0, 0.0}};
  for (const auto& v : velocities) {
    EXPECT_EQ(KzStroke::GetStrokeVelocity(v.distance, v.time), v.velocity) << v.distance;
  }
}

TEST(LinerStroke, BatchesJoinThroughTheCarriedVertex) {
  KzLinerStroke stroke;
  double length = -1;
  stroke.FirstStore(At(0, 0, 0.1));
  stroke.Store(At(3, 4, 0.5));
  stroke.Store(At(3, 10, 0.9));
  for (int pass = 0; pass < 2; ++pass) {  // keepLast 0 renders the same samples again
    const auto v = Vertices(stroke, &length, 0);
    ASSERT_EQ(v.size(), 3u) << "pass " << pass;
    EXPECT_EQ(length, 11.0) << "pass " << pass;
    EXPECT_EQ(v[2].pressure, 0.9);
  }
  Vertices(stroke, &length, 1);
  stroke.Store(At(7, 13));
  auto v = Vertices(stroke, &length, 1);
  ASSERT_EQ(v.size(), 2u);
  ExpectAt(v[0], 3, 10, "carried");
  EXPECT_EQ(length, 0.0);  // only between stored samples

  v = Vertices(stroke, &length, 1);  // nothing stored: the carried vertex alone
  ASSERT_EQ(v.size(), 1u);
  ExpectAt(v[0], 7, 13, "still carried");
  stroke.Clear();
  EXPECT_TRUE(Vertices(stroke, nullptr, 1).empty());
}

TEST(BezierStroke, PendingControlSamples) {
  KzBezierStroke stroke;
  stroke.FirstStore(At(1, 2));
  stroke.Store(At(5, 2));
  stroke.Store(At(9, 2));
  double length = -1;
  auto v = Vertices(stroke, &length, 0);
  ASSERT_EQ(v.size(), 1u);  // the degenerate first segment only
  ExpectAt(v[0], 1, 2, "start");
  stroke.Store(At(13, 2));  // the pending controls stayed: this closes a segment of length 12
  v = Vertices(stroke, &length, 0);
  EXPECT_EQ(v.size(), 1u + 3u);
  EXPECT_NEAR(length, 12.0, 1e-9);

  KzBezierStroke dropped;
  dropped.FirstStore(At(1, 2));
  dropped.Store(At(5, 2));
  dropped.Store(At(9, 2));
  Vertices(dropped, nullptr, 1);  // keepLast drops the pending controls
  dropped.Store(At(13, 2));       // ... so this is only a new pending control
  v = Vertices(dropped, &length, 1);
  ASSERT_EQ(v.size(), 1u);
  EXPECT_EQ(length, 0.0);
}

TEST(BezierStroke, VerticesFollowTheParameter) {
  const struct {
    const char* label;
    double c1, c2, endX, endY;  // controls at c1, c2 of the way to the end
    int vertices;               // along the segment, after the degenerate start
  } rows[] = {
      {"length 20", 1 / 3.0, 2 / 3.0, 20, 0, 4},
      {"length 30", 1 / 3.0, 2 / 3.0, 0, 30, 6},  // 6 * (5 / 30) must not creep below 1
      {"length 100 diagonal", 1 / 3.0, 2 / 3.0, 60, 80, 20},
      {"length 4", 1 / 3.0, 2 / 3.0, 4, 0, 1},
      {"controls bunched at the start", 0, 0, 40, 0, 8},  // x = 40 t^3
      {"no movement", 0.5, 0.5, 0, 0, 1},
  };
  for (const auto& r : rows) {
    KzBezierStroke stroke;
    stroke.FirstStore(At(0, 0, 0.2));
    stroke.Store(At(r.endX * r.c1, r.endY * r.c1, 0.4));
    stroke.Store(At(r.endX * r.c2, r.endY * r.c2, 0.6));
    stroke.Store(At(r.endX, r.endY, 0.8));
    double length = -1;
    const auto v = Vertices(stroke, &length, 0);
    const double segment = std::hypot(r.endX, r.endY);
    EXPECT_NEAR(length, segment, 1e-9) << r.label;
    ASSERT_EQ(static_cast<int>(v.size()), 1 + r.vertices) << r.label;
    for (int k = 0; k < r.vertices; ++k) {
      const double t = segment == 0 ? 0 : k * 5.0 / segment;
      const double along = r.c1 == 0 ? t * t * t : t;  // evenly spaced controls: linear
      const KzStrokePoint& p = v[1 + k];
      ExpectAt(p, r.endX * along, r.endY * along, r.label);
      EXPECT_NEAR(p.pressure, 0.2 + 0.6 * t, 1e-12) << r.label << " at k=" << k;
      EXPECT_EQ(p.tilt, 90.0) << r.label << " at k=" << k;
    }
  }
}

TEST(BezierStroke, BatchesContinueFromTheLastOnCurvePoint) {
  KzBezierStroke stroke;
  stroke.FirstStore(At(0, 0));
  for (double x : {10.0, 20.0, 30.0}) stroke.Store(At(x, 0));
  double length = -1;
  const auto first = Vertices(stroke, &length, 1);
  ASSERT_EQ(first.size(), 1u + 6u);
  ExpectAt(first.back(), 25, 0, "last of the first batch");

  for (double y : {10.0, 20.0, 30.0}) stroke.Store(At(30, y));
  const auto second = Vertices(stroke, &length, 1);
  ASSERT_EQ(second.size(), 1u + 6u);
  ExpectAt(second[0], 25, 0, "carried over");
  ExpectAt(second[1], 30, 0, "segment starts at the last on-curve point");
  EXPECT_NEAR(length, 30.0, 1e-9);

  const auto idle = Vertices(stroke, &length, 1);
  ASSERT_EQ(idle.size(), 1u);
  ExpectAt(idle[0], 30, 25, "carried again");
  stroke.Clear();
  EXPECT_TRUE(Vertices(stroke, nullptr, 1).empty());
}

TEST(BezierStroke, PreviewIsTwoSegmentsThroughTheCentre) {
  KzBezierStroke stroke;
  stroke.CreatePreview(KzRect(0, 0, 200, 100));  // q = (25, 25, 175, 75), centre (100, 50)
  const auto v = Vertices(stroke, nullptr, 0);
  ASSERT_GT(v.size(), 3u);
  ExpectAt(v[0], 25, 75, "start");
  EXPECT_EQ(v[0].pressure, 0.01);
  int centres = 0;
  for (const KzStrokePoint& p : v) {
    EXPECT_TRUE(p.pressure <= 1.0 && p.tilt == 90.0 && p.tiltDirection == 0 && p.rotation == 0);
    if (p.x == 100 && p.y == 50) {
      ++centres;
      EXPECT_EQ(p.pressure, 1.0);  // the second segment starts at the centre at full pressure
    }
  }
  EXPECT_EQ(centres, 1);
}

}  // namespace
