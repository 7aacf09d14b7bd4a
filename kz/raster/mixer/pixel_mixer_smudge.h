// KzPixelMixerSmudge: samples the pixels it passes over into a running average colour, and in
// mode 0 blends the source onto them as KzPixelMixerBlend does.
//
// Only the 32-bit slot samples; the others copy. The brush engine reads the average back
// (GetAverageColor) to carry the picked-up colour along the stroke. Every 16843009 samples the
// sums are folded into one averaged sample, so the average follows the recent pixels.
#pragma once

#include <cstdint>

#include "kz/raster/mixer/pixel_mixer.h"
#include "kz/raster/mixer/pixel_mixer_blend.h"

class KzPixelMixerSmudge : public KzPixelMixerWithMode<0> {
 public:
  // The sample count at which the sums are folded (the most 8-bit samples a 32-bit sum holds).
  static constexpr std::uint32_t kFoldCount = 16843009;  // 0x01010101

  // Mode 0 (the default) samples and blends; any other mode only samples.
  // Adds the destination pixel as it stands as a sample, then in mode 0 blends the source onto
  // it with the embedded blend mixer's 32-bit rule.
  void Do32Bit(TQCOLORREF* dst, TQCOLORREF src, unsigned char alpha) override;

  // Forgets every sample.
  void ClearAverageColor();
  // Add one sample from a packed colour: A bits 24-31 / 48-63, R 0-7 / 0-15, G 8-15 / 16-31,
  // B 16-23 / 32-47.
  void AddColorChannel32(TQCOLORREF color);
  void AddColorChannel64(std::uint64_t color);
  // The average of the samples since the last fold, packed A<<24 | B<<16 | G<<8 | R (or with
  // 16-bit fields, A<<48 | B<<32 | G<<16 | R). Returns 0 and leaves `color` when no sample was
  // added since the last clear. The sums are not changed.
  int GetAverageColor(TQCOLORREF& color) const;
  int GetAverageColor64(std::uint64_t& color) const;

 protected:
  using KzPixelMixer::AddColorChannel;
  // Adds one sample: each sum grows by its channel, both counts by 1; on reaching kFoldCount
  // the sums are divided by it and the count since the fold becomes 1.
  void AddColorChannel(unsigned int a, unsigned int r, unsigned int g, unsigned int b);

 private:
  // The averages of A, R, G, B (in this order); false when there is no sample.
  bool GetAverages(std::uint64_t (&average)[4]) const;

  KzPixelMixerBlend m_blend;
  // Sums of A, R, G, B. 64 bits wide, so that 16-bit samples cannot wrap them before the fold.
  std::uint64_t m_sums[4] = {0, 0, 0, 0};
  std::uint32_t m_countSinceFold = 0;
  std::uint32_t m_totalCount = 0;  // saturates instead of wrapping back to "no sample"
};
