// Strokes: the input samples of one pen movement turned into a dense list of vertices along the
// path, each carrying position and pen state, for pattern drawing to stamp along.
//
// KzLinerStroke passes the samples through as a polyline; KzBezierStroke reads them as the
// control points of consecutive cubic Bezier segments (on-curve, control, control, on-curve,
// ...) and samples each segment about every 5 pixels. Vertices are made per batch: the caller
// stores samples as they arrive and asks for the vertices made so far; with keepLast the last
// vertex carries over and starts the next batch, so consecutive batches join.
#pragma once

#include "kz/foundation/geometry.h"
#include "kz/foundation/tarray.h"

// One stroke sample or vertex: position in image pixels and pen state. A default point is at
// (0, 0) with the neutral pen state.
struct KzStrokePoint {
  double x = 0.0;
  double y = 0.0;
  double pressure = 1.0;       // 0 to 1
  double tiltDirection = 0.0;  // degrees
  double tilt = 90.0;          // 90 is upright
  double rotation = 0.0;       // degrees
};

// A stroke: FirstStore begins it, Store adds samples, CreateVertex appends the vertices made
// from what is stored. The arrays grow in steps of 256 elements and throw on exhaustion.
class KzStroke {
 public:
  virtual ~KzStroke();
  // Starts a stroke at `p`, forgetting what was stored and any carried-over vertex.
  virtual void FirstStore(const KzStrokePoint& p) = 0;
  // Adds the next sample.
  virtual void Store(const KzStrokePoint& p) = 0;
  // Forgets the stored samples and the carried-over vertex.
  virtual void Clear() = 0;
  // Appends to `out` the carried-over vertex (when there is one), then the vertices made from
  // what is stored; `*length` (when not null) receives the path length of the stored part.
  // With keepLast non-zero and something stored, the last vertex of `out` carries over to the
  // next call and the stored samples are consumed; with 0 they stay and render again.
  virtual void CreateVertex(KzTArray<KzStrokePoint>& out, double* length, int keepLast) = 0;

  // Every channel of `*out` becomes a + (b - a) * t.
  static void GetInterlatePoint(KzStrokePoint* out, double t, const KzStrokePoint* a,
                                const KzStrokePoint* b);
  // Distance of the two positions.
  static double GetPointLength(const KzStrokePoint* a, const KzStrokePoint* b);
  // Direction of travel from a to b in radians, 0 to below 2 pi (0 pointing up on screen, a
  // quarter turn to the right); equal positions keep `previous`. The last argument is unused.
  static double GetStrokeDirection(const KzStrokePoint* a, const KzStrokePoint* b, double previous,
                                   int unused = 0);
  // distance / time clamped to 0..1 (a NaN gives 0).
  static double GetStrokeVelocity(double distance, int time);
};

// The samples as a polyline; the length is the sum of the distances between consecutive stored
// samples (a carried-over vertex does not count).
class KzLinerStroke : public KzStroke {
 public:
  KzLinerStroke();
  void FirstStore(const KzStrokePoint& p) override;
  void Store(const KzStrokePoint& p) override;
  void Clear() override;
  void CreateVertex(KzTArray<KzStrokePoint>& out, double* length, int keepLast) override;

 private:
  KzTArray<KzStrokePoint> m_samples;  // holds at least m_count elements
  int m_count;
  int m_hasCarried;
  KzStrokePoint m_carried;
};

// The samples as consecutive cubic Bezier segments, every channel interpolated alike. A
// segment's length is the sum of 8 chords; it yields vertices at t = k * dt below 1 with
// dt = 5 / length (one vertex at t = 0 for a segment of length 0), evenly in the parameter, not
// exactly in arc length; its end point is the next segment's start. A batch that would exceed
// the array's int range throws 8.
class KzBezierStroke : public KzStroke {
 public:
  KzBezierStroke();
  // Forgets everything, then starts at `p` with a degenerate segment (p, p, p, p).
  void FirstStore(const KzStrokePoint& p) override;
  // Buffers up to two control samples; the third sample closes a segment from the last
  // on-curve point and becomes the new one.
  void Store(const KzStrokePoint& p) override;
  // Empties the segments and the pending control samples; the carried-over vertex is forgotten.
  void Clear() override;
  // keepLast with at least one segment stored also drops pending control samples; the last
  // on-curve point stays so that the next segment starts there.
  void CreateVertex(KzTArray<KzStrokePoint>& out, double* length, int keepLast) override;

  // Stores a fixed S-shaped sample stroke for preview images, swelling toward its middle,
  // laid out in `r` deflated by a quarter of its height (meant for a rectangle at the origin).
  void CreatePreview(const KzRect& r);

 private:
  static constexpr int kChannels = 6;  // the fields of KzStrokePoint, in order
  struct Segment {
    double p0, p1, p2, p3;  // start, control 1, control 2, end
  };
  struct Channel {
    double last;  // value at the last on-curve point
    KzTArray<Segment> segments;
  };

  double ArcLength(int segment) const;
  KzStrokePoint Evaluate(int segment, double t) const;

  Channel m_channels[kChannels];
  KzStrokePoint m_pending[2];
  int m_pendingCount;
  int m_hasCarried;
  KzStrokePoint m_carried;
};
