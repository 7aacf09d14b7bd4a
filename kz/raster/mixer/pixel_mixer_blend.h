// The copying mixers: KzPixelMixerBlend (coverage accumulation and "over" compositing) and
// KzPixelMixerWeightCopy (a plain move toward the source by the opacity).
//
// Neither uses the channel minimum; Blend caps its 8-bit result at the channel maximum. The
// 2-bit slot copies in both, and WeightCopy's 24-bit slot copies too.
#pragma once

#include "kz/raster/mixer/pixel_mixer.h"

class KzPixelMixerBlend : public KzPixelMixer {
 public:
  // d + (255 - d) * (s * alpha / 255) / 255, capped at the channel maximum: painting never
  // lowers a density that lies within the range.
  void Do8Bit(unsigned char* dst, unsigned char src, unsigned char alpha) override;
  // Each colour channel moves toward the source by sA * alpha / 255; the result's A is 0.
  void Do24Bit(TQCOLORREF* dst, TQCOLORREF src, unsigned char alpha) override;
  // "Over" compositing with colours premultiplied against white. An opaque source at full
  // opacity replaces the pixel (with A 255); a transparent result is white with A 0.
  void Do32Bit(TQCOLORREF* dst, TQCOLORREF src, unsigned char alpha) override;
};

class KzPixelMixerWeightCopy : public KzPixelMixer {
 public:
  // alpha 255 copies; otherwise d + (s - d) * alpha / 255.
  void Do8Bit(unsigned char* dst, unsigned char src, unsigned char alpha) override;
  // The 8-bit rule on all four bytes, A included; the source's A does not weight it.
  void Do32Bit(TQCOLORREF* dst, TQCOLORREF src, unsigned char alpha) override;
};
