// KzVOffscreen8Bit: ink masks. One byte of ink density a pixel (0 none .. 255 full). Index
// colour [1] is the ink colour the 32-bit getter puts under the density.
//
// Every per-pixel operation comes from KzVOffscreenDepth (kz/raster/voffscreen_depth.h) with
// the rules of kz::pixel::Format8Bit.
#pragma once

#include "kz/raster/voffscreen_depth.h"

extern template class KzVOffscreenDepth<kz::pixel::Format8Bit>;

class KzVOffscreen8Bit : public KzVOffscreenDepth<kz::pixel::Format8Bit> {
 public:
  // An image that is not yet created (KzVOffscreen::Create gives it its size).
  KzVOffscreen8Bit() = default;
  ~KzVOffscreen8Bit() override;
};
