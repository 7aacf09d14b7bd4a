// Test support for the pixel mixer: the process-wide virtual memory (created once for the test
// program by a global environment), images owned by a smart pointer, and block and pixel access.
#pragma once

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
// The bytes of every block (none for an absent block).
std::vector<std::vector<BYTE>> BlockBytes(KzVOffscreen* image);

// The pixel at (x, y) through the image's 8-bit getter (`bits` 8) or 32-bit one (else), under
// a read lock of its own; WritePixel likewise through a setter under a write lock.
TQCOLORREF ReadPixel(KzVOffscreen* image, int x, int y, int bits);
void WritePixel(KzVOffscreen* image, int x, int y, int bits, TQCOLORREF value);

}  // namespace voff_mixer_testing
