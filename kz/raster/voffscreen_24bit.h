// KzVOffscreen24Bit: colour images. Three bytes a pixel, blue, green, red; every pixel is
// opaque.
//
// Every per-pixel operation comes from KzVOffscreenDepth (kz/raster/voffscreen_depth.h) with
// the rules of kz::pixel::Format24Bit.
#pragma once

#include "kz/raster/voffscreen_depth.h"

extern template class KzVOffscreenDepth<kz::pixel::Format24Bit>;

class KzVOffscreen24Bit : public KzVOffscreenDepth<kz::pixel::Format24Bit> {
 public:
  // An image that is not yet created (KzVOffscreen::Create gives it its size).
  KzVOffscreen24Bit() = default;
  ~KzVOffscreen24Bit() override;
};
