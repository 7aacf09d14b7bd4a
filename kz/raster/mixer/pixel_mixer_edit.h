// The editing mixers, which ignore the source value: KzPixelMixerCorrect (erase, darken,
// lighten) and KzPixelMixerAlphaEdit (raise or lower the density or A).
//
// Both act on the 8- and 32-bit slots; their 2- and 24-bit slots copy. alpha 0 leaves the
// pixel in every mode.
#pragma once

#include "kz/raster/mixer/pixel_mixer.h"

class KzPixelMixerCorrect : public KzPixelMixerWithMode<0> {
 public:
  // 0 erases (the default), 1 darkens, 2 lightens; other modes leave the pixel.
  // Mode 0: d = max(d - alpha, 0). On d > 0 only, with step = alpha / 5: mode 1
  // d = min(d + step, 255), mode 2 d = max(d - step, 0).
  void Do8Bit(unsigned char* dst, unsigned char src, unsigned char alpha) override;
  // Mode 0 lowers A by alpha (not below 0), keeping the colour. On pixels with A > 0, with
  // step = alpha / 5: mode 1 lowers each of R, G, B by step (not below 0), mode 2 raises
  // them (not above 255); A is kept.
  void Do32Bit(TQCOLORREF* dst, TQCOLORREF src, unsigned char alpha) override;
};

class KzPixelMixerAlphaEdit : public KzPixelMixerWithMode<1> {
 public:
  // 0 raises, 1 lowers (the default); other modes leave the pixel.
  // Mode 0: d = min(d + alpha, 255); mode 1: d = max(d - alpha, 0).
  void Do8Bit(unsigned char* dst, unsigned char src, unsigned char alpha) override;
  // The 8-bit rule on the A byte; R, G and B are kept.
  void Do32Bit(TQCOLORREF* dst, TQCOLORREF src, unsigned char alpha) override;
};
