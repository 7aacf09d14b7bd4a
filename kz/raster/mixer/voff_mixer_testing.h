// Test support for the pixel mixer, on top of the raster tests' helpers (the process-wide
// virtual memory, images owned by a smart pointer): images of a chosen resolution, whole-image
// block bytes and single pixels.
#pragma once

#include <vector>

#include "kz/raster/raster_testing.h"
#include "kz/raster/voffscreen.h"

namespace voff_mixer_testing {

using raster_testing::ExistingBlocks;
using raster_testing::ImagePtr;

// A created image of `bits` on the process-wide virtual memory.
inline ImagePtr MakeImage(int bits, int width, int height, double resolution = 72.0) {
  return raster_testing::MakeImage(bits, width, height, nullptr, resolution);
}

// The bytes of every block (none for an absent block).
std::vector<std::vector<BYTE>> BlockBytes(KzVOffscreen* image);

// The pixel at (x, y) through the image's 8-bit getter (`bits` 8) or 32-bit one (else), under
// a read lock of its own; WritePixel likewise through a setter under a write lock.
TQCOLORREF ReadPixel(KzVOffscreen* image, int x, int y, int bits);
void WritePixel(KzVOffscreen* image, int x, int y, int bits, TQCOLORREF value);

}  // namespace voff_mixer_testing
