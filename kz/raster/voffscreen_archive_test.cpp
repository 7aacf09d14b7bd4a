#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <tuple>
#include <vector>

#include "kz/foundation/exception_testing.h"
#include "kz/persistence/archive_mem.h"
#include "kz/raster/raster_testing.h"
#include "kz/raster/voffscreen.h"
#include "tqwutl/tqwutl.h"

namespace {

using namespace raster_testing;

// Offsets in the big-endian form of an image with one stored block (see the golden layout).
constexpr std::size_t kVersion = 8, kWidth = 10, kHeight = 14, kBits = 18, kCount = 30, kOrder = 34,
                      kLeft = 39, kTop = 43, kRight = 47, kBottom = 51, kCompressed = 55,
                      kPresent = 60, kByteCount = 61, kBlockData = 65;

using Bytes = std::vector<BYTE>;

DWORD Mode(DWORD direction, bool littleEndian) {
  return direction | (littleEndian ? KzArchive::kModeLittleEndian : KzArchive::kModeBigEndian);
}

// A memory archive in load mode over a copy of `bytes`.
struct LoadArchive : KzArchiveMem {
  explicit LoadArchive(const Bytes& bytes, bool littleEndian = false) {
    int error = 0;
    TQHANDLE handle = tqAlloc(static_cast<DWORD>(bytes.size()), 0, &error);
    std::copy(bytes.begin(), bytes.end(), static_cast<BYTE*>(tqLock(handle)));
    tqUnlock(handle);
    Attach(handle, static_cast<DWORD>(bytes.size()));
    SetMode(static_cast<int>(Mode(kModeLoad, littleEndian)));
  }
};

Bytes Store(KzVOffscreen* image, int compress, bool littleEndian = false) {
  KzArchiveMem archive(Mode(KzArchive::kModeStore, littleEndian), 0);
  KzVOffscreen::Write(archive, image, compress);
  archive << 0x5A5A5A5A;  // the stream goes on after the image
  const auto* data = static_cast<const BYTE*>(archive.Lock());
  Bytes bytes(data, data + archive.GetUsedSize());
  archive.Unlock();
  return bytes;
}

ImagePtr Load(const Bytes& bytes, bool littleEndian = false) {
  LoadArchive archive(bytes, littleEndian);
  ImagePtr image(KzVOffscreen::Read(archive));
  int marker = 0;
  archive >> marker;
  EXPECT_EQ(marker, 0x5A5A5A5A) << "the reader stops right after the image";
  return image;
}

// Overwrites `size` bytes at `at` with `value`, most significant byte first.
void Patch(Bytes& bytes, std::size_t at, std::uint32_t value, int size = 4) {
  for (int i = 0; i < size; ++i) bytes[at + i] = static_cast<BYTE>(value >> (8 * (size - 1 - i)));
}

std::uint32_t Read32(const Bytes& bytes, std::size_t at) {
  return bytes[at] << 24 | bytes[at + 1] << 16 | bytes[at + 2] << 8 | bytes[at + 3];
}

// A raw 256 x 256 image of `bits` with one filled block.
Bytes OneBlockForm(int bits) {
  ImagePtr image = MakeImage(bits, 256, 256);
  FillBlock(image.get(), 0, 0, 4);
  return Store(image.get(), 0);
}

TEST(VOffscreenArchive, RoundTripKeepsEveryDepthAndTheAbsentBlocks) {
  for (int bits : {1, 2, 8, 16, 24, 32}) {
    ImagePtr image = MakeImage(bits, 600, 600, nullptr, 350.5);
    FillBlock(image.get(), 300, 0, 1);    // block 1
    FillBlock(image.get(), 599, 300, 2);  // block 5, cut by the right edge
    FillBlock(image.get(), 0, 599, 3);    // block 6, cut by the bottom edge
    for (int form = 0; form < 4; ++form) {
      const int compress = form & 1;
      const bool littleEndian = form >= 2;
      const auto label = ::testing::Message() << bits << "-bit, compress " << compress
                                              << ", little-endian " << littleEndian;
      ImagePtr copy = Load(Store(image.get(), compress, littleEndian), littleEndian);
      ASSERT_TRUE(copy) << label;
      EXPECT_EQ(copy->GetRect(), image->GetRect()) << label;
      EXPECT_EQ(copy->GetResolution(), 350.5) << label;
      EXPECT_EQ(ExistingBlocks(*copy), (std::vector<int>{1, 5, 6})) << label;
      for (KzPoint at : {KzPoint(300, 0), KzPoint(599, 300), KzPoint(0, 599)}) {
        EXPECT_EQ(BlockBytes(copy.get(), at.x, at.y), BlockBytes(image.get(), at.x, at.y)) << label;
      }
    }
  }
}

// A null image stores version 0 and reads back as null; an image without blocks stores neither
// the extent nor the blocks section.
TEST(VOffscreenArchive, NullAndEmptyImagesStoreOnlyAHeader) {
  const Bytes none = Store(nullptr, 1);
  EXPECT_EQ(none, (Bytes{0, 0, 0, 6, 0, 0, 0, 2, 0, 0, 0x5A, 0x5A, 0x5A, 0x5A}));
  EXPECT_FALSE(Load(none));
  ImagePtr empty = MakeImage(32, 700, 10);
  const Bytes header = Store(empty.get(), 1);
  EXPECT_EQ(header.size(), 4u + (4 + 27) + 4);
  EXPECT_EQ(Load(header)->GetRect(), KzRect(0, 0, 700, 10));
}

TEST(VOffscreenArchive, HeaderLayoutIsByteExact) {
  ImagePtr image = MakeImage(8, 300, 200, nullptr, 72.0);
  FillBlock(image.get(), 0, 0, 9);
  const std::vector<BYTE> block = BlockBytes(image.get(), 0, 0);
  const Bytes golden = {
      // clang-format off
      0x00, 0x01, 0x00, 0x3D, 0x00, 0x00, 0x00, 0x1B,  // sections: outer 65,597 bytes, header 27
      0x01, 0x00, 0x00, 0x00, 0x01, 0x2C,              // version 256, width 300
      0x00, 0x00, 0x00, 0xC8, 0x00, 0x00, 0x00, 0x08,  // height 200, 8 bits
      0x40, 0x52, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // resolution 72.0
      0x00, 0x00, 0x00, 0x01, 0x00,                    // one block, pixel order 0
      0x00, 0x00, 0x00, 0x11,                          // extent section: 17 bytes
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // left, top
      0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0xC8,  // right 256, bottom 200
      0x00, 0x00, 0x01, 0x00, 0x05,                    // raw; blocks section: 65,541 bytes
      0x01, 0x00, 0x01, 0x00, 0x00,                    // present, 65,536 bytes
      // clang-format on
  };
  const Bytes raw = Store(image.get(), 0);
  ASSERT_EQ(raw.size(), golden.size() + block.size() + 4);
  EXPECT_TRUE(std::equal(golden.begin(), golden.end(), raw.begin()));
  EXPECT_TRUE(std::equal(block.begin(), block.end(), raw.begin() + golden.size()));

  // Compressed: the flag is 1 and the block is a length and a zlib stream of its bytes.
  const Bytes packed = Store(image.get(), 1);
  EXPECT_EQ(packed[kCompressed], 1);
  EXPECT_TRUE(std::equal(golden.begin() + kPresent, golden.end(), packed.begin() + kPresent));
  const std::uint32_t length = Read32(packed, kBlockData);
  std::vector<BYTE> inflated(block.size());
  uLongf inflatedLength = static_cast<uLongf>(inflated.size());
  ASSERT_EQ(uncompress(inflated.data(), &inflatedLength, &packed[kBlockData + 4], length), Z_OK);
  EXPECT_EQ(inflated, block);
}

TEST(VOffscreenArchive, OlderPixelOrdersAreReversedOnRead) {
  // Bits, the pixel order code and how many bytes of each pixel it stores reversed.
  const int cases[][3] = {{32, 1, 4}, {24, 2, 3}, {32, 3, 0}, {24, 4, 0}, {32, 0, 0}};
  for (const auto& [bits, order, reversedBytes] : cases) {
    Bytes bytes = OneBlockForm(bits);
    EXPECT_EQ(bytes[kOrder], bits == 32 ? 3 : 4) << "the writer's code, bits=" << bits;
    const std::vector<BYTE> block(bytes.begin() + kBlockData,
                                  bytes.begin() + kBlockData + bits * 8192);
    Patch(bytes, kOrder, order, 1);
    for (std::size_t at = kBlockData; reversedBytes != 0 && at < kBlockData + block.size();
         at += reversedBytes) {
      std::reverse(bytes.begin() + at, bytes.begin() + at + reversedBytes);
    }
    EXPECT_EQ(BlockBytes(Load(bytes).get(), 0, 0), block) << "order " << order;
  }
}

TEST(VOffscreenArchive, ImpossibleHeadersAreRejectedBeforeAnythingIsAllocated) {
  // What is patched (at, value, byte count; at 0: the form is cut inside the block) and the
  // error expected.
  const std::tuple<const char*, std::size_t, std::uint32_t, int, int> cases[] = {
      // clang-format off
      {"3 bits", kBits, 3, 4, 0x2001000B},
      {"negative bits", kBits, 0xFFFFFFF8, 4, 0x2001000B},
      {"negative width", kWidth, 0xFFFFFFFF, 4, 0x2001000B},
      {"block table past its bound", kHeight, 0x10000100, 4, 0x2001000B},
      {"negative block count", kCount, 0xFFFFFFFF, 4, 0x2001000B},
      {"count does not match the extent", kCount, 2, 4, 0x2001000B},
      {"extent past the right edge", kRight, 257, 4, 0x2001000B},
      {"extent before the left edge", kLeft, 0xFFFFFFFF, 4, 0x2001000B},
      {"empty extent", kBottom, 0, 4, 0x2001000B},
      {"extent below the image", kTop, 300, 4, 0x2001000B},
      {"unknown compression flag", kCompressed, 2, 1, 0x2001000B},
      {"block one byte short", kByteCount, 65535, 4, 0x2001000B},
      {"block of a 32-bit size", kByteCount, 262144, 4, 0x2001000B},
      {"unknown present flag", kPresent, 2, 1, 0x2001000B},
      {"newer major version", kVersion, 0x0200, 2, 0x2001000C},
      {"truncated block", 0, 0, 0, 0x20010008},
      // clang-format on
  };
  const Bytes good = OneBlockForm(8);
  for (const auto& [label, at, value, size, code] : cases) {
    Bytes bytes = good;
    if (at != 0) {
      Patch(bytes, at, value, size);
    } else {
      bytes.resize(kBlockData + 1000);
    }
    const int blocks = ProcessVM()->GetUsedBlockCount();
    const DWORD memory = ProcessVM()->GetUsedPhysicalMemorySize();
    LoadArchive archive(bytes);
    EXPECT_EQ(kzThrownCode([&] { ImagePtr image(KzVOffscreen::Read(archive)); }), code) << label;
    EXPECT_EQ(ProcessVM()->GetUsedBlockCount(), blocks) << label;
    EXPECT_EQ(ProcessVM()->GetUsedPhysicalMemorySize(), memory) << label;
  }
  for (std::uint32_t version : {0x0100, 0x01FF, 0x0001}) {  // any minor version reads
    Bytes bytes = good;
    Patch(bytes, kVersion, version, 2);
    EXPECT_EQ(BlockBytes(Load(bytes).get(), 0, 0), BlockBytes(Load(good).get(), 0, 0));
  }
}

TEST(VOffscreenArchive, CompressedBlockThatEndsEarlyIsRejected) {
  ImagePtr image = MakeImage(8, 256, 256);
  FillBlock(image.get(), 0, 0, 7);
  const Bytes bytes = Store(image.get(), 1);
  // The block's stream becomes a valid zlib stream one byte short of the block, and the outer
  // and blocks section lengths follow, so only the block's own length is wrong.
  const Bytes block = BlockBytes(image.get(), 0, 0);
  uLongf length = compressBound(static_cast<uLong>(block.size()));
  Bytes packed(length);
  ASSERT_EQ(compress(packed.data(), &length, block.data(), static_cast<uLong>(block.size() - 1)),
            Z_OK);
  const std::uint32_t oldLength = Read32(bytes, kBlockData);
  Bytes patched(bytes.begin(), bytes.begin() + kBlockData + 4);
  patched.insert(patched.end(), packed.begin(), packed.begin() + length);
  patched.insert(patched.end(), bytes.begin() + kBlockData + 4 + oldLength, bytes.end());
  for (std::size_t at : {std::size_t{0}, kPresent - 4, kBlockData}) {
    Patch(patched, at, Read32(bytes, at) - oldLength + static_cast<std::uint32_t>(length));
  }
  LoadArchive archive(patched);
  EXPECT_EQ(kzThrownCode([&] { ImagePtr loaded(KzVOffscreen::Read(archive)); }), 0x2001000B);
}

}  // namespace
