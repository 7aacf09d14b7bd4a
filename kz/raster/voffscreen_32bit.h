// KzVOffscreen32Bit: colour images with alpha. Four bytes a pixel, blue, green, red, alpha.
//
// Every per-pixel operation comes from KzVOffscreenDepth (kz/raster/voffscreen_depth.h) with
// the rules of kz::pixel::Format32Bit.
#pragma once

#include "kz/raster/voffscreen_depth.h"

extern template class KzVOffscreenDepth<kz::pixel::Format32Bit>;

class KzVOffscreen32Bit : public KzVOffscreenDepth<kz::pixel::Format32Bit> {
 public:
  // An image that is not yet created (KzVOffscreen::Create gives it its size).
  KzVOffscreen32Bit() = default;
  ~KzVOffscreen32Bit() override;
};
