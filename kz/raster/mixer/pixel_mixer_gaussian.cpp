#include "kz/raster/mixer/pixel_mixer_gaussian.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "kz/foundation/error.h"
#include "kz/raster/voffscreen.h"

namespace {

// Truncates toward zero, saturating at the int range; NaN gives 0.
int TruncToInt(double value) {
  if (std::isnan(value)) return 0;
  return static_cast<int>(
      std::clamp(value, static_cast<double>(INT_MIN), static_cast<double>(INT_MAX)));
}

// Table index for one axis: last * (2|pos - centre|, less 1 when positive) / radius, held to the
// table. Wide arithmetic so that far positions cannot overflow.
int AxisIndex(int pos, int centre, int radius, int last) {
  std::int64_t distance = 2 * std::llabs(std::int64_t{pos} - centre);
  if (distance > 0) --distance;
  return static_cast<int>(std::min<std::int64_t>(std::int64_t{last} * distance / radius, last));
}

}  // namespace

KzPixelMixerGaussian::~KzPixelMixerGaussian() = default;

void KzPixelMixerGaussian::Do8Bit(unsigned char* dst, unsigned char src, unsigned char alpha) {
  if (GetNext()) Do8BitNext(dst, src, GetGaussValue(alpha));
}

void KzPixelMixerGaussian::Do24Bit(TQCOLORREF* dst, TQCOLORREF src, unsigned char alpha) {
  if (GetNext()) Do24BitNext(dst, src, GetGaussValue(alpha));
}

void KzPixelMixerGaussian::Do32Bit(TQCOLORREF* dst, TQCOLORREF src, unsigned char alpha) {
  if (GetNext()) Do32BitNext(dst, src, GetGaussValue(alpha));
}

void KzPixelMixerGaussian::CreateGaussTbl(int sigma) {
  if (m_gaussTbl) return;
  if (sigma < 1 || sigma > kMaxGaussSigma) kzThrowError(kKzErrorParameter);
  const int last = 3 * sigma;
  auto table = std::make_unique<std::uint32_t[]>(static_cast<std::size_t>(last) + 1);
  const double twoSigmaSquared = 2.0 * sigma * sigma;
  for (int i = 0; i <= last; ++i) {
    const double i2 = static_cast<double>(i) * i;
    table[i] = static_cast<std::uint32_t>(4096.0 * std::exp(-i2 / twoSigmaSquared));
  }
  m_gaussTbl = std::move(table);
  m_gaussLast = last;
}

void KzPixelMixerGaussian::DestroyGaussTbl() {
  m_gaussTbl.reset();
  m_gaussLast = 0;
}

void KzPixelMixerGaussian::SetMapInfo(KzVOffscreen* map, const tagPOINTD& centre, double radiusX,
                                      double radiusY) {
  m_map = map;
  m_centerX = TruncToInt(centre.x);
  m_centerY = TruncToInt(centre.y);
  // A radius of 0 would divide by zero, a negative one index before the table.
  m_radiusX = std::max(TruncToInt(radiusX), 1);
  m_radiusY = std::max(TruncToInt(radiusY), 1);
  m_scale = static_cast<float>(std::min(std::max(m_radiusX, m_radiusY) * 0.0625, 1.0));
}

unsigned char KzPixelMixerGaussian::GetGaussValueAt(int x, int y, unsigned char alpha) const {
  if (m_baseup == 0) return alpha;
  if (!m_gaussTbl) kzThrowError(kKzErrorParameter);
  const std::uint32_t gx = m_gaussTbl[AxisIndex(x, m_centerX, m_radiusX, m_gaussLast)];
  const std::uint32_t gy = m_gaussTbl[AxisIndex(y, m_centerY, m_radiusY, m_gaussLast)];
  const std::uint32_t g = (gy * gx) >> 12;
  const std::uint32_t h =
      static_cast<std::uint32_t>(static_cast<float>(g * m_level) * m_scale) >> 12;
  const std::uint32_t v = h * alpha / m_baseup;
  return static_cast<unsigned char>(std::min<std::uint32_t>(alpha, v));
}

unsigned char KzPixelMixerGaussian::GetGaussValue(unsigned char alpha) {
  if (m_baseup == 0) return alpha;
  if (!m_map) kzThrowError(kKzErrorParameter);
  return GetGaussValueAt(m_map->GetCursorPosX(), m_map->GetCursorPosY(), alpha);
}
