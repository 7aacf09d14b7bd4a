#include "tools/kzpaint/picture.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "kz/foundation/abort.h"
#include "kz/raster/block_access.h"
#include "kz/raster/voffscreen_32bit.h"
#include "kz/raster/voffscreen_8bit.h"

namespace kzpaint {
namespace {

constexpr double kPi = 3.14159265358979323846;

struct Rgb {
  double r, g, b;
};

Rgb Mix(const Rgb& a, const Rgb& b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

double Clamp01(double t) { return std::clamp(t, 0.0, 1.0); }

int ToByte(double v) { return static_cast<int>(std::clamp(v + 0.5, 0.0, 255.0)); }

TQCOLORREF Pack(const Rgb& c, double alpha) {
  return static_cast<TQCOLORREF>(ToByte(c.r)) | static_cast<TQCOLORREF>(ToByte(c.g)) << 8 |
         static_cast<TQCOLORREF>(ToByte(c.b)) << 16 |
         static_cast<TQCOLORREF>(ToByte(alpha * 255.0)) << 24;
}

// 0 at whole numbers, 1 halfway between: the teeth of the mountain ranges.
double Triangle(double t) { return 1.0 - std::abs(2.0 * (t - std::floor(t)) - 1.0); }

bool Inside(const KzRect& r, int x, int y) {
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

// Position of the pixel centre across a panel, 0..1.
double Across(const KzRect& r, int x) { return (x - r.left + 0.5) / (r.right - r.left); }
double Down(const KzRect& r, int y) { return (y - r.top + 0.5) / (r.bottom - r.top); }

// A saturated, light colour of hue `degrees`.
Rgb Hue(double degrees, double saturation) {
  const double h = std::fmod(degrees, 360.0) / 60.0;
  const double x = 1.0 - std::abs(std::fmod(h, 2.0) - 1.0);
  Rgb c{0, 0, 0};
  switch (static_cast<int>(h)) {
    case 0:
      c = {1, x, 0};
      break;
    case 1:
      c = {x, 1, 0};
      break;
    case 2:
      c = {0, 1, x};
      break;
    case 3:
      c = {0, x, 1};
      break;
    case 4:
      c = {x, 0, 1};
      break;
    default:
      c = {1, 0, x};
      break;
  }
  const double low = 1.0 - saturation;
  return {255.0 * (low + saturation * c.r), 255.0 * (low + saturation * c.g),
          255.0 * (low + saturation * c.b)};
}

// Straight-alpha `top` (alpha 0..1) over `bottom` (alpha 0..1).
TQCOLORREF Over(const Rgb& top, double topAlpha, const Rgb& bottom, double bottomAlpha) {
  const double alpha = topAlpha + bottomAlpha * (1.0 - topAlpha);
  if (alpha <= 0.0) return 0;
  const double wb = bottomAlpha * (1.0 - topAlpha);
  return Pack(
      {(top.r * topAlpha + bottom.r * wb) / alpha, (top.g * topAlpha + bottom.g * wb) / alpha,
       (top.b * topAlpha + bottom.b * wb) / alpha},
      alpha);
}

// Sky colours from the top of the panel down to the horizon.
struct SkyStop {
  double at;
  Rgb color;
};
constexpr SkyStop kSky[] = {
    {0.0, {20, 24, 84}}, {0.5, {186, 84, 130}}, {0.78, {255, 168, 84}}, {1.0, {255, 214, 140}}};

constexpr Rgb kFarTop{128, 80, 146}, kFarFoot{84, 50, 110};
constexpr Rgb kNearTop{46, 28, 64}, kNearFoot{18, 10, 28};
constexpr Rgb kSun{255, 242, 176}, kGlow{255, 222, 150};
constexpr Rgb kChecker{38, 132, 146};

// Soft ink blobs of the bottom-right panel: centre across, down, radius (of the panel's
// shorter side).
struct Blob {
  double u, v, radius;
};
constexpr Blob kBlobs[] = {{0.24, 0.76, 0.17}, {0.55, 0.86, 0.11}, {0.80, 0.68, 0.15}};

}  // namespace

DemoPicture::DemoPicture(int width, int height)
    : m_width(std::max(width, 1)), m_height(std::max(height, 1)) {
  const double side = std::min(m_width, m_height);
  const int margin = static_cast<int>(std::lround(0.035 * side));
  const int gutter = std::max(1, static_cast<int>(std::lround(0.022 * side)));
  m_border = std::max(1, static_cast<int>(std::lround(0.0045 * side)));
  m_hatchPeriod = std::max(3, static_cast<int>(std::lround(0.009 * side)));
  m_hatchWidth = std::max(1, m_hatchPeriod / 4);
  m_checkerCell = std::max(2, static_cast<int>(std::lround(0.045 * side)));
  m_toneCell = std::max(4, static_cast<int>(std::lround(0.028 * side)));

  const int ySplit = static_cast<int>(std::lround(0.55 * m_height));
  const int xSplit = static_cast<int>(std::lround(0.43 * m_width));
  const int before = gutter / 2, after = gutter - gutter / 2;
  m_panels[0] = KzRect(margin, margin, m_width - margin, ySplit - before);
  m_panels[1] = KzRect(margin, ySplit + after, xSplit - before, m_height - margin);
  m_panels[2] = KzRect(xSplit + after, ySplit + after, m_width - margin, m_height - margin);

  const KzRect& top = m_panels[0];
  const int columns = std::max(0, top.right - top.left);
  const double rows = top.bottom - top.top;
  m_farRidge.resize(columns);
  m_nearRidge.resize(columns);
  for (int i = 0; i < columns; ++i) {
    const double u = (i + 0.5) / columns;
    const double far = 0.74 - 0.22 * Triangle(u * 2.6 + 0.1) - 0.018 * std::sin(71.0 * u) -
                       0.008 * std::sin(173.0 * u);
    const double near = 0.90 - 0.17 * Triangle(u * 4.1 + 0.6) - 0.014 * std::sin(97.0 * u + 1.0) -
                        0.006 * std::sin(211.0 * u);
    m_farRidge[i] = static_cast<float>(top.top + far * rows);
    m_nearRidge[i] = static_cast<float>(top.top + near * rows);
  }
}

TQCOLORREF DemoPicture::SunsetAt(int x, int y) const {
  const KzRect& r = m_panels[0];
  const int column = x - r.left;
  const double row = y + 0.5;
  const double foot = r.bottom;
  if (row >= m_nearRidge[column]) {
    return Pack(Mix(kNearTop, kNearFoot,
                    Clamp01((row - m_nearRidge[column]) / (foot - m_nearRidge[column]))),
                1.0);
  }
  if (row >= m_farRidge[column]) {
    return Pack(
        Mix(kFarTop, kFarFoot, Clamp01((row - m_farRidge[column]) / (foot - m_farRidge[column]))),
        1.0);
  }
  const double v = Down(r, y);
  Rgb sky = kSky[0].color;
  for (std::size_t i = 1; i < std::size(kSky); ++i) {
    if (v <= kSky[i].at) {
      sky = Mix(kSky[i - 1].color, kSky[i].color,
                (v - kSky[i - 1].at) / (kSky[i].at - kSky[i - 1].at));
      break;
    }
  }
  const double height = r.bottom - r.top;
  const double radius = std::max(1.0, 0.12 * height);
  const double d =
      std::hypot(x + 0.5 - (r.left + 0.70 * (r.right - r.left)), row - (r.top + 0.56 * height));
  const double glow = Clamp01(1.0 - (d - radius) / (2.2 * radius));
  sky = Mix(sky, kGlow, 0.75 * glow * glow);
  const double edge = std::max(1.0, 0.04 * radius);
  return Pack(Mix(sky, kSun, Clamp01((radius - d) / edge + 0.5)), 1.0);
}

TQCOLORREF DemoPicture::RingsAt(int x, int y) const {
  const KzRect& r = m_panels[1];
  const bool filled = (((x - r.left) / m_checkerCell + (y - r.top) / m_checkerCell) & 1) == 0;
  const double under = filled ? 1.0 : 0.0;
  const double outer = 0.4 * std::min(r.right - r.left, r.bottom - r.top);
  const double d =
      std::hypot(x + 0.5 - 0.5 * (r.left + r.right), y + 0.5 - 0.5 * (r.top + r.bottom));
  if (d >= outer) return filled ? Pack(kChecker, 1.0) : 0;
  const double phase = d / (outer / 5.5);
  const double band = std::sin(kPi * phase);
  const double fade = Clamp01((outer - d) / (0.1 * outer));
  const Rgb ring = Hue(60.0 * static_cast<int>(phase), 0.85);
  return Over(ring, 0.92 * band * band * fade, kChecker, under);
}

TQCOLORREF DemoPicture::RainbowAt(int x, int y) const {
  const KzRect& r = m_panels[2];
  return Pack(Hue(330.0 * Across(r, x), 0.6), 1.0 - 0.7 * Down(r, y));
}

BYTE DemoPicture::ToneAt(int x, int y) const {
  const KzRect& r = m_panels[2];
  const double u = Across(r, x), v = Down(r, y);
  double ink = 0.0;
  // A screen at 45 degrees whose dots grow to the right and fade out downwards.
  const double radius = (0.06 + 0.36 * u) * Clamp01((0.6 - v) / 0.25);
  if (radius > 0.0) {
    const double p = (x - y) * 0.70710678118654752 / m_toneCell;
    const double q = (x + y) * 0.70710678118654752 / m_toneCell;
    if (std::hypot(p - std::floor(p) - 0.5, q - std::floor(q) - 0.5) < radius) ink = 255.0;
  }
  const double side = std::min(r.right - r.left, r.bottom - r.top);
  for (const Blob& blob : kBlobs) {
    const double radius = blob.radius * side;
    const double dx = x + 0.5 - (r.left + blob.u * (r.right - r.left));
    const double dy = y + 0.5 - (r.top + blob.v * (r.bottom - r.top));
    const double t = (dx * dx + dy * dy) / (radius * radius);
    if (t < 1.0) ink = std::max(ink, 255.0 * (1.0 - t) * (1.0 - t));
  }
  return static_cast<BYTE>(ToByte(ink));
}

TQCOLORREF DemoPicture::ColorAt(int x, int y) const {
  if (Inside(m_panels[0], x, y)) return SunsetAt(x, y);
  if (Inside(m_panels[1], x, y)) return RingsAt(x, y);
  if (Inside(m_panels[2], x, y)) return RainbowAt(x, y);
  return 0;
}

BYTE DemoPicture::InkAt(int x, int y) const {
  for (int i = 0; i < 3; ++i) {
    const KzRect& r = m_panels[i];
    if (!Inside(r, x, y)) continue;
    if (x - r.left < m_border || r.right - 1 - x < m_border || y - r.top < m_border ||
        r.bottom - 1 - y < m_border) {
      return 255;
    }
    if (i == 0) {
      const int column = x - r.left;
      const bool far = y + 0.5 >= m_farRidge[column] && y + 0.5 < m_nearRidge[column];
      return far && (x + y) % m_hatchPeriod < m_hatchWidth ? 160 : 0;
    }
    if (i == 1) {
      const double outer = 0.4 * std::min(r.right - r.left, r.bottom - r.top);
      const double d =
          std::hypot(x + 0.5 - 0.5 * (r.left + r.right), y + 0.5 - 0.5 * (r.top + r.bottom));
      return std::abs(d - outer) <= m_border || d < 0.05 * outer ? 255 : 0;
    }
    return ToneAt(x, y);
  }
  return 0;
}

void DemoPicture::Draw(KzVOffscreen32Bit& color, KzVOffscreen8Bit& ink,
                       const ProgressFn& progress) const {
  for (const KzVOffscreen* image :
       {static_cast<const KzVOffscreen*>(&color), static_cast<const KzVOffscreen*>(&ink)}) {
    if (!image->IsCreated() || image->GetWidth() != m_width || image->GetHeight() != m_height) {
      throw std::invalid_argument("the images are not of the picture's size");
    }
  }
  KzVOffscreenAutoLock colorLock(&color, 1);
  KzVOffscreenAutoLock inkLock(&ink, 1);
  KzAbort abort(1, 0);
  int across = 0, down = 0;
  const std::int64_t total = 2 * static_cast<std::int64_t>(color.GetBlockCount(&across, &down));
  std::int64_t done = 0;

  // Block by block, so that each image holds one block in memory while the others swap.
  KzBlockGetter blocks(&color, color.GetRect(), 1);
  KzRect block;
  while (blocks.GetNextBlock(block)) {
    for (int y = block.top; y < block.bottom; ++y) {
      abort.CheckAbort();
      color.MoveCursor(block.left, y);
      for (int x = block.left; x < block.right; ++x) {
        color.Set32BitColor(ColorAt(x, y));
        color.NextCursorXFastest();
      }
    }
    if (progress) progress(++done, total);
    for (int y = block.top; y < block.bottom; ++y) {
      abort.CheckAbort();
      ink.MoveCursor(block.left, y);
      for (int x = block.left; x < block.right; ++x) {
        ink.Set8BitColor(InkAt(x, y));
        ink.NextCursorXFastest();
      }
    }
    if (progress) progress(++done, total);
  }
}

}  // namespace kzpaint
