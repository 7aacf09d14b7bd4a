// Test support for the pixel mixer: the process-wide virtual memory (created once for the test
// program by a global environment), images owned by a smart pointer, and block and pixel
// inspection.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "kz/raster/voffscreen.h"

namespace voff_mixer_testing {

struct ImageDeleter {
  void operator()(KzVOffscreen* image) const { KzVOffscreen::DeleteOffscreen(image); }
};
using ImagePtr = std::unique_ptr<KzVOffscreen, ImageDeleter>;

// A created image of `bits` on the process-wide virtual memory.
ImagePtr MakeImage(int bits, int width, int height, double resolution = 72.0);

// The indices of the blocks that exist.
std::vector<int> ExistingBlocks(const KzVOffscreen& image);
// The bytes of block `index` (empty when it is absent).
std::vector<BYTE> BlockBytes(KzVOffscreen* image, int index);
// Calls fill(bytes, count) on the memory of block `index`, creating it.
template <class Fill>
void FillBlock(KzVOffscreen* image, int index, Fill fill);

// The pixel at (x, y) read through the image's getter of a depth (8, 24 or 32) under a read
// lock of its own.
TQCOLORREF ReadPixel(KzVOffscreen* image, int x, int y, int bits);
// Writes `value` at (x, y) through the setter of a depth (8, 24 or 32) under a write lock.
void WritePixel(KzVOffscreen* image, int x, int y, int bits, TQCOLORREF value);

}  // namespace voff_mixer_testing

#include "kz/raster/block_access.h"

template <class Fill>
void voff_mixer_testing::FillBlock(KzVOffscreen* image, int index, Fill fill) {
  const KzRect rect = image->GetBlockRect(index);
  KzVOffscreenAutoLock lock(image, rect.left, rect.top, 1);
  fill(image->GetBaseAddress(), static_cast<std::size_t>(image->GetBlockBytes()));
}
