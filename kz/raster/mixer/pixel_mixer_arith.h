// The arithmetic mixers: KzPixelMixerAddAndSubtract (add or subtract the weighted source) and
// KzPixelMixerDarkenAndLighten (keep the larger or the smaller value).
//
// Both act on the 8- and 32-bit slots; their 2- and 24-bit slots copy. The mode selects the
// direction: 0 adds / keeps the larger, any other value subtracts / keeps the smaller.
#pragma once

#include "kz/raster/mixer/pixel_mixer.h"

class KzPixelMixerAddAndSubtract : public KzPixelMixerWithMode<0> {
 public:
  // Mode 0 adds (the default); any other mode subtracts.
  // v = s * alpha / 255; mode 0: min(d + v, max), other modes: max(d - v, min). alpha 0
  // leaves the pixel (even one outside the channel range).
  void Do8Bit(unsigned char* dst, unsigned char src, unsigned char alpha) override;
  // The 8-bit rule on R, G and B; the source's A is unused and the destination's A kept.
  void Do32Bit(TQCOLORREF* dst, TQCOLORREF src, unsigned char alpha) override;
};

class KzPixelMixerDarkenAndLighten : public KzPixelMixerWithMode<0> {
 public:
  // Mode 0 keeps the larger value (the default); any other mode the smaller.
  // v = s * alpha / 255 replaces d when it is larger (mode 0) or smaller (other modes).
  void Do8Bit(unsigned char* dst, unsigned char src, unsigned char alpha) override;
  // v = sA * alpha / 255 against the destination's A; when it wins, the pixel becomes the
  // source's R, G, B with A v. Otherwise the pixel is unchanged.
  void Do32Bit(TQCOLORREF* dst, TQCOLORREF src, unsigned char alpha) override;
};
