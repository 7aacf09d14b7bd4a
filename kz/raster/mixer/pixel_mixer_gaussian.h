// KzPixelMixerGaussian: the soft edge of round brush tips.
//
// It sits at the front of a chain and forwards every 8-, 24- and 32-bit call to the next mixer
// with the opacity lowered by a Gaussian fall-off around a centre. The position is the cursor
// of a map image (the image being painted), so the fall-off follows the pixel being mixed.
// Its 2-bit slot copies. The fall-off table is built once (CreateGaussTbl) and shared by copies.
#pragma once

#include <cstdint>
#include <memory>

#include "kz/raster/mixer/pixel_mixer.h"
#include "tqwutl/types.h"

class KzVOffscreen;

class KzPixelMixerGaussian : public KzPixelMixer {
 public:
  // The largest sigma CreateGaussTbl accepts.
  static constexpr int kMaxGaussSigma = 65536;

  KzPixelMixerGaussian() = default;
  // Copies share the table; it lives until the last of them lets it go.
  KzPixelMixerGaussian(const KzPixelMixerGaussian& other) = default;
  KzPixelMixerGaussian& operator=(const KzPixelMixerGaussian& other) = default;
  virtual ~KzPixelMixerGaussian();

  // The next mixer's slot with alpha replaced by GetGaussValue(alpha); nothing without a next
  // mixer. Throws kKzErrorParameter when a base-up is set but no table or no map image is.
  void Do8Bit(unsigned char* dst, unsigned char src, unsigned char alpha) override;
  void Do24Bit(TQCOLORREF* dst, TQCOLORREF src, unsigned char alpha) override;
  void Do32Bit(TQCOLORREF* dst, TQCOLORREF src, unsigned char alpha) override;

  // Builds the table of 3 sigma + 1 entries, trunc(4096 * e^(-i^2 / (2 sigma^2))), unless one
  // exists (then nothing happens). Throws kKzErrorParameter for sigma outside 1..kMaxGaussSigma.
  void CreateGaussTbl(int sigma);
  // Lets the table go; the last index becomes 0.
  void DestroyGaussTbl();
  // Stores the map image (not owned), the centre and the radii, each truncated; a radius below
  // 1 becomes 1. The scale becomes max(radius x, radius y) / 16, at most 1.
  void SetMapInfo(KzVOffscreen* map, const tagPOINTD& centre, double radiusX, double radiusY);
  // 0 (the default) turns the fall-off off: the opacity passes unchanged.
  void SetBaseup(unsigned char baseup) { m_baseup = baseup; }

  // The opacity GetGaussValue gives with the map cursor at (x, y): alpha near the centre,
  // falling off outward, never above alpha. Positions beyond radius / 2 from the centre read
  // the table's last entry. Throws kKzErrorParameter when a base-up is set without a table.
  unsigned char GetGaussValueAt(int x, int y, unsigned char alpha) const;

 protected:
  // alpha modulated at the map image's cursor; alpha itself with base-up 0.
  unsigned char GetGaussValue(unsigned char alpha);

 private:
  std::shared_ptr<const std::uint32_t[]> m_gaussTbl;
  int m_gaussLast = 0;
  KzVOffscreen* m_map = nullptr;
  int m_centerX = 0;
  int m_centerY = 0;
  int m_radiusX = 1;
  int m_radiusY = 1;
  unsigned char m_baseup = 0;
  float m_scale = 1.0f;
  unsigned char m_level = 127;
};
