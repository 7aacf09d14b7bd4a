// KzVOffscreen2Bit: black, white and transparent images. Two bits a pixel (0 transparent,
// 1 not defined, 2 white, 3 black), leftmost pixel in the top bits of a byte. Index colours
// [2] (white) and [3] (black) are what the 32-bit getter gives for those values.
//
// Every per-pixel operation comes from KzVOffscreenDepth (kz/raster/voffscreen_depth.h) with
// the rules of kz::pixel::Format2Bit.
#pragma once

#include "kz/raster/voffscreen_depth.h"

extern template class KzVOffscreenDepth<kz::pixel::Format2Bit>;

class KzVOffscreen2Bit : public KzVOffscreenDepth<kz::pixel::Format2Bit> {
 public:
  // An image that is not yet created (KzVOffscreen::Create gives it its size).
  KzVOffscreen2Bit() = default;
  ~KzVOffscreen2Bit() override;
};
