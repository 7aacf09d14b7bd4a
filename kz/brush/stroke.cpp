// Strokes: polyline and cubic Bezier vertex generation.
#include "kz/brush/stroke.h"

#include <limits>
#include <numbers>

#include "kz/foundation/error.h"
#include "tqwutl/tqwutl.h"

namespace {

// The channels of a stroke point by index, in field order.
constexpr double KzStrokePoint::*kFields[] = {
    &KzStrokePoint::x,        &KzStrokePoint::y,
    &KzStrokePoint::pressure, &KzStrokePoint::tiltDirection,
    &KzStrokePoint::tilt,     &KzStrokePoint::rotation};

// Vertex spacing along a Bezier segment, in pixels.
constexpr double kVertexSpacing = 5.0;
// Chords per segment for its length.
constexpr int kLengthChords = 8;

}  // namespace

// --- KzStroke -----------------------------------------------------------------------------------

KzStroke::~KzStroke() = default;

void KzStroke::GetInterlatePoint(KzStrokePoint* out, double t, const KzStrokePoint* a,
                                 const KzStrokePoint* b) {
  for (const auto field : kFields) out->*field = a->*field + (b->*field - a->*field) * t;
}

double KzStroke::GetPointLength(const KzStrokePoint* a, const KzStrokePoint* b) {
  return tqPointLength(a->x, a->y, b->x, b->y);
}

double KzStroke::GetStrokeDirection(const KzStrokePoint* a, const KzStrokePoint* b, double previous,
                                    int /*unused*/) {
  if (a->x == b->x && a->y == b->y) return previous;
  return tqRotNormal(std::numbers::pi / 2 - tqRotCalc(a->x, a->y, b->x, b->y));
}

double KzStroke::GetStrokeVelocity(double distance, int time) {
  const double velocity = distance / time;
  if (!(velocity > 0.0)) return 0.0;
  return velocity > 1.0 ? 1.0 : velocity;
}

// --- KzLinerStroke ------------------------------------------------------------------------------

KzLinerStroke::KzLinerStroke() : m_count(0), m_hasCarried(0) {}

void KzLinerStroke::FirstStore(const KzStrokePoint& p) {
  Clear();
  Store(p);
}

void KzLinerStroke::Store(const KzStrokePoint& p) {
  if (m_count < m_samples.GetSize()) {
    m_samples[m_count] = p;
  } else {
    m_samples.Add(p);
  }
  ++m_count;
}

void KzLinerStroke::Clear() {
  m_count = 0;
  m_hasCarried = 0;
}

void KzLinerStroke::CreateVertex(KzTArray<KzStrokePoint>& out, double* length, int keepLast) {
  if (m_hasCarried) out.Add(m_carried);
  double total = 0.0;
  for (int i = 0; i < m_count; ++i) {
    out.Add(m_samples[i]);
    if (i > 0) total += GetPointLength(&m_samples[i - 1], &m_samples[i]);
  }
  if (length != nullptr) *length = total;
  if (keepLast && m_count > 0) {
    m_carried = out[out.GetSize() - 1];
    m_hasCarried = 1;
    m_count = 0;
  }
}

// --- KzBezierStroke -----------------------------------------------------------------------------

KzBezierStroke::KzBezierStroke() : m_pendingCount(0), m_hasCarried(0) {
  const KzStrokePoint neutral;
  for (int c = 0; c < kChannels; ++c) m_channels[c].last = neutral.*kFields[c];
}

void KzBezierStroke::FirstStore(const KzStrokePoint& p) {
  Clear();
  for (int c = 0; c < kChannels; ++c) {
    const double v = p.*kFields[c];
    m_channels[c].last = v;
    m_channels[c].segments.Add(Segment{v, v, v, v});
  }
}

void KzBezierStroke::Store(const KzStrokePoint& p) {
  if (m_pendingCount < 2) {
    m_pending[m_pendingCount++] = p;
    return;
  }
  for (int c = 0; c < kChannels; ++c) {
    const auto field = kFields[c];
    Channel& channel = m_channels[c];
    channel.segments.Add(Segment{channel.last, m_pending[0].*field, m_pending[1].*field, p.*field});
    channel.last = p.*field;
  }
  m_pendingCount = 0;
}

void KzBezierStroke::Clear() {
  for (Channel& channel : m_channels) channel.segments.Clear();
  m_pendingCount = 0;
  m_hasCarried = 0;
}

KzStrokePoint KzBezierStroke::Evaluate(int segment, double t) const {
  KzStrokePoint out;
  const double u = 1.0 - t;
  for (int c = 0; c < kChannels; ++c) {
    const Segment& s = m_channels[c].segments[segment];
    double v = s.p0;
    if (!(s.p0 == s.p1 && s.p1 == s.p2 && s.p2 == s.p3)) {
      v = u * u * u * s.p0 + 3.0 * u * u * t * s.p1 + 3.0 * u * t * t * s.p2 + t * t * t * s.p3;
    }
    out.*kFields[c] = v;
  }
  return out;
}

double KzBezierStroke::ArcLength(int segment) const {
  double length = 0.0;
  KzStrokePoint from = Evaluate(segment, 0.0);
  for (int i = 0; i < kLengthChords; ++i) {
    const KzStrokePoint to = Evaluate(segment, static_cast<double>(i + 1) / kLengthChords);
    length += GetPointLength(&from, &to);
    from = to;
  }
  return length;
}

void KzBezierStroke::CreateVertex(KzTArray<KzStrokePoint>& out, double* length, int keepLast) {
  if (m_hasCarried) out.Add(m_carried);
  const int segments = m_channels[0].segments.GetSize();
  double total = 0.0;
  for (int s = 0; s < segments; ++s) {
    const double segmentLength = ArcLength(s);
    total += segmentLength;
    if (segmentLength == 0.0) {
      out.Add(Evaluate(s, 0.0));
      continue;
    }
    // Vertices past the array's range (or an infinite length) cannot be produced.
    if (!(segmentLength / kVertexSpacing <
          static_cast<double>(std::numeric_limits<int>::max() - out.GetSize()))) {
      kzThrowError(kKzErrorNotEnoughMemory);
    }
    // t = k * dt rather than a running sum, which can creep up to just below 1 and emit the
    // end point, the next segment's start, twice.
    const double dt = kVertexSpacing / segmentLength;
    for (int k = 0; k * dt < 1.0; ++k) out.Add(Evaluate(s, k * dt));
  }
  if (length != nullptr) *length = total;
  if (keepLast && segments > 0) {
    m_carried = out[out.GetSize() - 1];
    m_hasCarried = 1;
    for (Channel& channel : m_channels) channel.segments.Clear();
    m_pendingCount = 0;
  }
}

void KzBezierStroke::CreatePreview(const KzRect& r) {
  KzRect q = r;
  const int margin = r.Height() / 4;
  q.DeflateRect(margin, margin);
  const KzPoint centre = q.CenterPoint();
  const auto scaled = [](double factor, int v) { return double(kzTruncToInt(factor * v)); };
  const auto sample = [](double x, double y, double pressure) {
    KzStrokePoint p;
    p.x = x;
    p.y = y;
    p.pressure = pressure;
    return p;
  };
  FirstStore(sample(q.left, scaled(1.5, centre.y), 0.01));
  Store(sample(scaled(0.4, centre.x), scaled(0.5, centre.y), 0.4));
  Store(sample(scaled(0.7, centre.x), q.top, 0.8));
  Store(sample(centre.x, centre.y, 1.0));
  Store(sample(scaled(1.3, centre.x), q.bottom, 0.8));
  Store(sample(scaled(1.6, centre.x), scaled(1.5, centre.y), 0.4));
  Store(sample(q.right, scaled(0.5, centre.y), 0.01));
}
