#include "kz/raster/mixer/pixel_mixer_smudge.h"

#include <limits>

namespace {

enum Channel { kA, kR, kG, kB };

}  // namespace

void KzPixelMixerSmudge::Do32Bit(TQCOLORREF* dst, TQCOLORREF src, unsigned char alpha) {
  AddColorChannel32(*dst);
  if (m_mode == 0) m_blend.Do32Bit(dst, src, alpha);
}

void KzPixelMixerSmudge::ClearAverageColor() {
  for (auto& sum : m_sums) sum = 0;
  m_countSinceFold = 0;
  m_totalCount = 0;
}

void KzPixelMixerSmudge::AddColorChannel32(TQCOLORREF color) {
  AddColorChannel(color >> 24, color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

void KzPixelMixerSmudge::AddColorChannel64(std::uint64_t color) {
  const auto field = [color](int shift) {
    return static_cast<unsigned int>((color >> shift) & 0xFFFF);
  };
  AddColorChannel(field(48), field(0), field(16), field(32));
}

void KzPixelMixerSmudge::AddColorChannel(unsigned int a, unsigned int r, unsigned int g,
                                         unsigned int b) {
  m_sums[kA] += a;
  m_sums[kR] += r;
  m_sums[kG] += g;
  m_sums[kB] += b;
  if (m_totalCount != std::numeric_limits<std::uint32_t>::max()) ++m_totalCount;
  if (++m_countSinceFold == kFoldCount) {
    for (auto& sum : m_sums) sum /= kFoldCount;
    m_countSinceFold = 1;
  }
}

bool KzPixelMixerSmudge::GetAverages(std::uint64_t (&average)[4]) const {
  if (m_totalCount == 0) return false;
  const std::uint32_t n =
      m_countSinceFold != 0 && m_countSinceFold < kFoldCount ? m_countSinceFold : 1;
  for (int c = 0; c < 4; ++c) average[c] = m_sums[c] / n;
  return true;
}

int KzPixelMixerSmudge::GetAverageColor(TQCOLORREF& color) const {
  std::uint64_t average[4];
  if (!GetAverages(average)) return 0;
  const auto byte = [&average](Channel c) { return static_cast<TQCOLORREF>(average[c] & 0xFF); };
  color = byte(kA) << 24 | byte(kB) << 16 | byte(kG) << 8 | byte(kR);
  return 1;
}

int KzPixelMixerSmudge::GetAverageColor64(std::uint64_t& color) const {
  std::uint64_t average[4];
  if (!GetAverages(average)) return 0;
  const auto word = [&average](Channel c) { return average[c] & 0xFFFF; };
  color = word(kA) << 48 | word(kB) << 32 | word(kG) << 16 | word(kR);
  return 1;
}
