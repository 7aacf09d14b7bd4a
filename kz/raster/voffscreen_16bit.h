// KzVOffscreen16Bit: grey images with alpha. Two bytes a pixel, alpha then grey (255 white);
// the clear colour defaults to 0 (transparent).
//
// Every per-pixel operation comes from KzVOffscreenDepth (kz/raster/voffscreen_depth.h) with
// the rules of kz::pixel::Format16Bit.
#pragma once

#include "kz/raster/voffscreen_depth.h"

extern template class KzVOffscreenDepth<kz::pixel::Format16Bit>;

class KzVOffscreen16Bit : public KzVOffscreenDepth<kz::pixel::Format16Bit> {
 public:
  // An image that is not yet created (KzVOffscreen::Create gives it its size).
  KzVOffscreen16Bit() = default;
  ~KzVOffscreen16Bit() override;
};
