#include "kz/raster/mixer/voff_mixer_testing.h"

#include "kz/raster/block_access.h"

namespace voff_mixer_testing {

std::vector<std::vector<BYTE>> BlockBytes(KzVOffscreen* image) {
  std::vector<std::vector<BYTE>> blocks;
  for (int i = 0; i < static_cast<int>(image->GetBlockTable().size()); ++i) {
    const KzRect rect = image->GetBlockRect(i);
    KzVOffscreenAutoLock lock(image, rect.left, rect.top, 0);
    const BYTE* base = image->GetBaseAddress();
    blocks.emplace_back(base, base == nullptr ? base : base + image->GetBlockBytes());
  }
  return blocks;
}

TQCOLORREF ReadPixel(KzVOffscreen* image, int x, int y, int bits) {
  KzVOffscreenAutoLock lock(image, x, y, 0);
  return bits == 8 ? image->Get8BitColor() : image->Get32BitColor();
}

void WritePixel(KzVOffscreen* image, int x, int y, int bits, TQCOLORREF value) {
  KzVOffscreenAutoLock lock(image, x, y, 1);
  if (bits == 8) {
    image->Set8BitColor(static_cast<BYTE>(value));
  } else {
    image->Set32BitColor(value);
  }
}

}  // namespace voff_mixer_testing
