// The archive form of KzVOffscreen.
//
// Outer section {
//   header section { version (u16) = 256, width, height, bits (i32), resolution (double),
//                    stored block count N (i32), pixel order (u8: 3 for 32-bit, 4 for 24-bit,
//                    else 0) }
//   when N > 0: extent section { left, top, right, bottom (i32), compressed (u8) }
//   when N > 0: blocks section { per block of the extent, row by row: present (u8), and when
//                                present the byte count (u32) and the bytes, raw or as one
//                                compressed block }
// }
// Pixel orders 1 (32-bit) and 2 (24-bit) are an older layout with each pixel's bytes reversed.
#include <algorithm>
#include <cstdint>
#include <memory>

#include "kz/foundation/error.h"
#include "kz/persistence/archive.h"
#include "kz/persistence/zlib_codec.h"
#include "kz/raster/block_access.h"
#include "kz/raster/voffscreen.h"
#include "kz/vmem/virtual_memory.h"

namespace {

constexpr unsigned short kArchiveVersion = 256;
constexpr unsigned char kOrderReversed32 = 1;
constexpr unsigned char kOrderReversed24 = 2;
constexpr unsigned char kOrder32 = 3;
constexpr unsigned char kOrder24 = 4;

unsigned char PixelOrderOf(int bits) {
  if (bits == 32) return kOrder32;
  if (bits == 24) return kOrder24;
  return 0;
}

// Reverses the bytes of every `pixelBytes`-byte pixel of a block.
void ReversePixels(BYTE* bytes, std::size_t count, int pixelBytes) {
  for (std::size_t i = 0; i + pixelBytes <= count; i += pixelBytes) {
    std::reverse(bytes + i, bytes + i + pixelBytes);
  }
}

// Blocks of the extent; the extent must lie inside a `width` x `height` image.
std::int64_t BlocksInExtent(const tagRECT& extent, int width, int height) {
  if (extent.left < 0 || extent.top < 0 || extent.left >= extent.right ||
      extent.top >= extent.bottom || extent.right > width || extent.bottom > height) {
    return -1;
  }
  constexpr int kShift = KzVOffscreen::kBlockShift;
  const std::int64_t columns = ((extent.right - 1) >> kShift) - (extent.left >> kShift) + 1;
  const std::int64_t rows = ((extent.bottom - 1) >> kShift) - (extent.top >> kShift) + 1;
  return columns * rows;
}

using ImagePtr = std::unique_ptr<KzVOffscreen, void (*)(KzVOffscreen*)>;

}  // namespace

void KzVOffscreen::Write(KzArchive& archive, KzVOffscreen* image, int compress) {
  archive.BeginSection();
  archive.BeginSection();
  if (image == nullptr) {
    archive << static_cast<unsigned short>(0);
    archive.EndSection();
    archive.EndSection();
    return;
  }
  tagRECT extent{};
  KzTArray<tagRECT> blocks;
  const int count = image->GetExtentBlock(extent) ? image->GetBlockArea(extent, blocks, 0) : 0;
  archive << kArchiveVersion << image->m_width << image->m_height << image->m_bitCount
          << image->m_resolution << count << PixelOrderOf(image->m_bitCount);
  archive.EndSection();
  if (count > 0) {
    archive.BeginSection();
    archive << extent.left << extent.top << extent.right << extent.bottom
            << static_cast<unsigned char>(compress != 0 ? 1 : 0);
    archive.EndSection();

    archive.BeginSection();
    KzVOffscreenAutoLock lock(image, 0);
    KzZLib zlib;
    const DWORD bytes = image->GetBlockBytes();
    for (const tagRECT& block : blocks) {
      if (!image->GetBlockExist(block.left, block.top)) {
        archive << static_cast<unsigned char>(0);
        continue;
      }
      image->MoveCursor(block.left, block.top);
      // A block that exists but cannot be brought back must not be stored as absent.
      if (image->m_cursor.base == nullptr) kzThrowError(kKzErrorSwapSpace);
      archive << static_cast<unsigned char>(1) << bytes;
      if (compress != 0) {
        zlib.Compress(archive, image->m_cursor.base, bytes);
      } else {
        archive.Write(image->m_cursor.base, bytes);
      }
    }
    archive.EndSection();
  }
  archive.EndSection();
}

KzVOffscreen* KzVOffscreen::Read(KzArchive& archive) {
  archive.BeginSection();
  archive.BeginSection();
  unsigned short version = 0;
  archive >> version;
  if (version == 0) {
    archive.EndSection();
    archive.EndSection();
    return nullptr;
  }
  int width = 0;
  int height = 0;
  int bits = 0;
  double resolution = 0.0;
  int count = 0;
  unsigned char order = 0;
  archive >> width >> height >> bits >> resolution >> count >> order;
  archive.EndSection();
  if ((version >> 8) > 1) kzThrowError(kKzErrorFileVersion);
  // Everything about the image is checked before any of it is allocated.
  if (!IsValidBitCount(bits) || !IsValidSize(width, height) || count < 0) {
    kzThrowError(kKzErrorFileFormat);
  }
  tagRECT extent{};
  unsigned char compressed = 0;
  if (count > 0) {
    archive.BeginSection();
    archive >> extent.left >> extent.top >> extent.right >> extent.bottom >> compressed;
    archive.EndSection();
    if (compressed > 1 || BlocksInExtent(extent, width, height) != count) {
      kzThrowError(kKzErrorFileFormat);
    }
  }

  ImagePtr image(CreateOffscreen(bits), &DeleteOffscreen);
  image->Create(kzGetVirtualMemory(), width, height, resolution);
  if (count > 0) {
    archive.BeginSection();
    KzVOffscreenAutoLock lock(image.get(), 1);
    KzTArray<tagRECT> blocks;
    image->GetBlockArea(extent, blocks, 0);
    const DWORD bytes = image->GetBlockBytes();
    const int reverse = (order == kOrderReversed32 && bits == 32)   ? 4
                        : (order == kOrderReversed24 && bits == 24) ? 3
                                                                    : 0;
    KzZLib zlib;
    for (const tagRECT& block : blocks) {
      unsigned char present = 0;
      archive >> present;
      if (present == 0) continue;
      DWORD stored = 0;
      archive >> stored;
      // Reading any other size into a block would corrupt it or the memory beside it.
      if (present != 1 || stored != bytes) kzThrowError(kKzErrorFileFormat);
      // Raw bytes overwrite the whole block, and a compressed stream must fill it: a shorter
      // one is a damaged file.
      image->m_enableClear = 0;
      image->MoveCursor(block.left, block.top);
      BYTE* base = image->m_cursor.base;
      if (base == nullptr) kzThrowError(kKzErrorSwapSpace);
      if (compressed != 0) {
        if (zlib.Decompress(archive, base, bytes) != bytes) kzThrowError(kKzErrorFileFormat);
      } else if (archive.Read(base, bytes) != bytes) {
        kzThrowError(kKzErrorParameter);
      }
      if (reverse != 0) ReversePixels(base, bytes, reverse);
    }
    image->m_enableClear = 1;
    archive.EndSection();
  }
  archive.EndSection();
  return image.release();
}
