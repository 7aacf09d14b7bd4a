#include "kz/raster/pixel_format.h"

#include <algorithm>
#include <cstring>

namespace kz::pixel {

namespace {

// True when every byte of [p, p + n) is `value`.
bool AllBytesAre(const BYTE* p, std::size_t n, BYTE value) {
  // Eight bytes at a time through memcpy (no alignment assumption), then the tail.
  const std::uint64_t pattern = value * 0x0101010101010101ull;
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    std::uint64_t word;
    std::memcpy(&word, p + i, sizeof word);
    if (word != pattern) return false;
  }
  for (; i < n; ++i) {
    if (p[i] != value) return false;
  }
  return true;
}

// True when bits [first, last) of the row (bit 0 = top bit of byte 0) are all 0.
bool BitsClear(const BYTE* row, int first, int last) {
  if (first >= last) return true;
  const int firstByte = first >> 3;
  const int lastByte = (last - 1) >> 3;
  const auto headMask = static_cast<BYTE>(0xFFu >> (first & 7));
  const auto tailMask = static_cast<BYTE>(0xFFu << (7 - ((last - 1) & 7)));
  if (firstByte == lastByte) return (row[firstByte] & headMask & tailMask) == 0;
  if ((row[firstByte] & headMask) != 0 || (row[lastByte] & tailMask) != 0) return false;
  return AllBytesAre(row + firstByte + 1, static_cast<std::size_t>(lastByte - firstByte - 1), 0);
}

// True when byte `offset` of every `stride`-byte pixel in [x0, x1) is 0.
bool StridedClear(const BYTE* row, int stride, int offset, int x0, int x1) {
  for (int x = x0; x < x1; ++x) {
    if (row[x * stride + offset] != 0) return false;
  }
  return true;
}

}  // namespace

void FillPixels(BYTE* p, std::size_t bytes, const BYTE* pattern, std::size_t size) {
  if (bytes == 0 || size == 0) return;
  if (std::all_of(pattern, pattern + size, [&](BYTE b) { return b == pattern[0]; })) {
    std::memset(p, pattern[0], bytes);
    return;
  }
  // One pixel, then doubling copies of what is already written.
  const std::size_t first = std::min(bytes, size);
  std::memcpy(p, pattern, first);
  std::size_t done = first;
  while (done < bytes) {
    const std::size_t n = std::min(done, bytes - done);
    std::memcpy(p + done, p, n);
    done += n;
  }
}

bool IsAreaClear(const BYTE* block, int rowBytes, int bitsPerPixel, int x0, int y0, int x1,
                 int y1) {
  if (x0 >= x1 || y0 >= y1) return true;
  for (int y = y0; y < y1; ++y) {
    const BYTE* row = block + static_cast<std::ptrdiff_t>(y) * rowBytes;
    bool clear = true;
    switch (bitsPerPixel) {
      case 1:
      case 2:
        clear = BitsClear(row, x0 * bitsPerPixel, x1 * bitsPerPixel);
        break;
      case 8:
        clear = AllBytesAre(row + x0, static_cast<std::size_t>(x1 - x0), 0);
        break;
      case 24:  // white, the colour an absent 24-bit pixel reads as
        clear = AllBytesAre(row + x0 * 3, static_cast<std::size_t>(x1 - x0) * 3, 0xFF);
        break;
      case 16:
        clear = StridedClear(row, 2, 0, x0, x1);  // alpha is byte 0
        break;
      case 32:
        clear = StridedClear(row, 4, 3, x0, x1);  // alpha is byte 3
        break;
      default:
        return false;
    }
    if (!clear) return false;
  }
  return true;
}

}  // namespace kz::pixel
