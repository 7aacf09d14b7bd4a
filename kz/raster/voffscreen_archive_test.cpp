#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <vector>

#include "kz/foundation/exception_testing.h"
#include "kz/raster/raster_testing.h"
#include "kz/raster/voffscreen.h"

namespace {

using raster_testing::BlockBytes;
using raster_testing::Bytes;
using raster_testing::ExistingBlocks;
using raster_testing::FillBlock;
using raster_testing::ImagePtr;
using raster_testing::MakeImage;
using raster_testing::ProcessVM;
using raster_testing::VectorArchive;

constexpr int kDepths[] = {1, 2, 8, 16, 24, 32};

// Offsets in the big-endian form of an image with one stored block (see the golden layout).
enum Offset : std::size_t {
  kVersion = 8,
  kWidth = 10,
  kHeight = 14,
  kBits = 18,
  kCount = 30,
  kOrder = 34,
  kLeft = 39,
  kTop = 43,
  kRight = 47,
  kBottom = 51,
  kCompressed = 55,
  kPresent = 60,
  kByteCount = 61,
  kBlockData = 65,
};

Bytes Store(KzVOffscreen* image, int compress, bool littleEndian = false) {
  VectorArchive archive(littleEndian);
  KzVOffscreen::Write(archive, image, compress);
  archive << 0x5A5A5A5A;  // the stream goes on after the image
  archive.DoFlush();
  return archive.bytes();
}

ImagePtr Load(const Bytes& bytes, bool littleEndian = false) {
  VectorArchive archive(bytes, littleEndian);
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

// A raw 256 x 256 image of `bits` with one filled block.
Bytes OneBlockForm(int bits) {
  ImagePtr image = MakeImage(bits, 256, 256);
  FillBlock(image.get(), 0, 0, 4);
  return Store(image.get(), 0);
}

TEST(VOffscreenArchive, RoundTripKeepsEveryDepthAndTheAbsentBlocks) {
  for (int bits : kDepths) {
    for (int compress : {0, 1}) {
      for (bool littleEndian : {false, true}) {
        ImagePtr image = MakeImage(bits, 600, 600, nullptr, 350.5);
        FillBlock(image.get(), 300, 0, 1);    // block 1
        FillBlock(image.get(), 599, 300, 2);  // block 5, cut by the right edge
        FillBlock(image.get(), 0, 599, 3);    // block 6, cut by the bottom edge
        const int before = ProcessVM()->GetUsedBlockCount();
        ImagePtr copy = Load(Store(image.get(), compress, littleEndian), littleEndian);
        const auto label = ::testing::Message() << "bits=" << bits << " compress=" << compress
                                                << " littleEndian=" << littleEndian;
        ASSERT_TRUE(copy) << label;
        EXPECT_EQ(ProcessVM()->GetUsedBlockCount(), before + 3) << label;
        EXPECT_EQ(copy->GetBitCount(), bits) << label;
        EXPECT_EQ(copy->GetRect(), image->GetRect()) << label;
        EXPECT_EQ(copy->GetResolution(), 350.5) << label;
        EXPECT_EQ(ExistingBlocks(*copy), ExistingBlocks(*image)) << label;
        for (int index : ExistingBlocks(*image)) {
          const KzRect block = image->GetBlockRect(index);
          EXPECT_EQ(BlockBytes(copy.get(), block.left, block.top),
                    BlockBytes(image.get(), block.left, block.top))
              << label << " block " << index;
        }
      }
    }
  }
}

TEST(VOffscreenArchive, OnlyTheExtentIsStored) {
  ImagePtr image = MakeImage(8, 512, 512);
  FillBlock(image.get(), 300, 300, 1);  // block 3 of 2 x 2: the extent is that block
  const Bytes bytes = Store(image.get(), 0);
  EXPECT_EQ(bytes[4 + 4 + 25], 1) << "N, low byte";
  EXPECT_EQ(bytes.size(), 4u + (4 + 27) + (4 + 17) + (4 + 1 + 4 + 65536) + 4);
  EXPECT_EQ(ExistingBlocks(*Load(bytes)), std::vector<int>{3});
  // An image without blocks stores neither the extent nor the blocks section.
  ImagePtr empty = MakeImage(32, 700, 10);
  const Bytes none = Store(empty.get(), 1);
  EXPECT_EQ(none.size(), 4u + (4 + 27) + 4);
  EXPECT_EQ(Load(none)->GetRect(), KzRect(0, 0, 700, 10));
}

TEST(VOffscreenArchive, HeaderLayoutIsByteExact) {
  ImagePtr image = MakeImage(8, 300, 200, nullptr, 72.0);
  FillBlock(image.get(), 0, 0, 9);
  const std::vector<BYTE> block = BlockBytes(image.get(), 0, 0);
  const Bytes golden = {
      0x00, 0x01, 0x00, 0x3D,                          // outer section: 65,597 bytes
      0x00, 0x00, 0x00, 0x1B,                          // header section: 27 bytes
      0x01, 0x00,                                      // version 256
      0x00, 0x00, 0x01, 0x2C,                          // width 300
      0x00, 0x00, 0x00, 0xC8,                          // height 200
      0x00, 0x00, 0x00, 0x08,                          // 8 bits
      0x40, 0x52, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // resolution 72.0
      0x00, 0x00, 0x00, 0x01,                          // one block
      0x00,                                            // pixel order
      0x00, 0x00, 0x00, 0x11,                          // extent section: 17 bytes
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // left, top
      0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0xC8,  // right 256, bottom 200
      0x00,                                            // raw
      0x00, 0x01, 0x00, 0x05,                          // blocks section: 65,541 bytes
      0x01,                                            // present
      0x00, 0x01, 0x00, 0x00,                          // 65,536 bytes
  };
  const Bytes raw = Store(image.get(), 0);
  ASSERT_EQ(raw.size(), golden.size() + block.size() + 4);
  EXPECT_TRUE(std::equal(golden.begin(), golden.end(), raw.begin()));
  EXPECT_TRUE(std::equal(block.begin(), block.end(), raw.begin() + golden.size()));

  // Compressed: the flag is 1 and the block is a length and a zlib stream of its bytes.
  const Bytes packed = Store(image.get(), 1);
  EXPECT_EQ(packed[kCompressed], 1);
  EXPECT_TRUE(std::equal(golden.begin() + kPresent, golden.end(), packed.begin() + kPresent));
  const std::uint32_t length = packed[kBlockData] << 24 | packed[kBlockData + 1] << 16 |
                               packed[kBlockData + 2] << 8 | packed[kBlockData + 3];
  std::vector<BYTE> inflated(block.size());
  uLongf inflatedLength = static_cast<uLongf>(inflated.size());
  ASSERT_EQ(uncompress(inflated.data(), &inflatedLength, &packed[kBlockData + 4], length), Z_OK);
  EXPECT_EQ(inflated, block);
}

TEST(VOffscreenArchive, OlderPixelOrdersAreReversedOnRead) {
  const struct {
    int bits, order, reversedBytes;
  } cases[] = {{32, 1, 4}, {24, 2, 3}, {32, 3, 0}, {24, 4, 0}, {32, 0, 0}};
  for (const auto& c : cases) {
    Bytes bytes = OneBlockForm(c.bits);
    EXPECT_EQ(bytes[kOrder], c.bits == 32 ? 3 : 4) << "the writer's code, bits=" << c.bits;
    const std::vector<BYTE> block(bytes.begin() + kBlockData,
                                  bytes.begin() + kBlockData + c.bits * 8192);
    Patch(bytes, kOrder, c.order, 1);
    for (std::size_t at = kBlockData; c.reversedBytes != 0 && at < kBlockData + block.size();
         at += c.reversedBytes) {
      std::reverse(bytes.begin() + at, bytes.begin() + at + c.reversedBytes);
    }
    EXPECT_EQ(BlockBytes(Load(bytes).get(), 0, 0), block) << "order " << c.order;
  }
}

TEST(VOffscreenArchive, NullImageStoresVersionZero) {
  const Bytes bytes = Store(nullptr, 1);
  EXPECT_EQ(bytes, (Bytes{0, 0, 0, 6, 0, 0, 0, 2, 0, 0, 0x5A, 0x5A, 0x5A, 0x5A}));
  EXPECT_FALSE(Load(bytes));
}

TEST(VOffscreenArchive, ImpossibleHeadersAreRejectedBeforeAnythingIsAllocated) {
  const struct {
    const char* label;
    std::size_t at;
    std::uint32_t value;
    int code;
    int size = 4;
  } cases[] = {
      {"3 bits", kBits, 3, 0x2001000B},
      {"64 bits", kBits, 64, 0x2001000B},
      {"negative bits", kBits, 0xFFFFFFF8, 0x2001000B},
      {"negative width", kWidth, 0xFFFFFFFF, 0x2001000B},
      {"width past the limit", kWidth, 0x7FFFFFFF, 0x2001000B},
      {"block table past its bound", kHeight, 0x10000100, 0x2001000B},
      {"negative block count", kCount, 0xFFFFFFFF, 0x2001000B},
      {"count does not match the extent", kCount, 2, 0x2001000B},
      {"extent past the right edge", kRight, 257, 0x2001000B},
      {"extent before the left edge", kLeft, 0xFFFFFFFF, 0x2001000B},
      {"empty extent", kBottom, 0, 0x2001000B},
      {"extent below the image", kTop, 300, 0x2001000B},
      {"unknown compression flag", kCompressed, 2, 0x2001000B, 1},
      {"block one byte short", kByteCount, 65535, 0x2001000B},
      {"block of a 32-bit size", kByteCount, 262144, 0x2001000B},
      {"unknown present flag", kPresent, 2, 0x2001000B, 1},
      {"newer major version", kVersion, 0x0200, 0x2001000C, 2},
      {"truncated block", 0, 0, 0x20010008},
  };
  const Bytes good = OneBlockForm(8);
  for (const auto& c : cases) {
    Bytes bytes = good;
    if (c.at != 0) {
      Patch(bytes, c.at, c.value, c.size);
    } else {
      bytes.resize(kBlockData + 1000);
    }
    const int blocks = ProcessVM()->GetUsedBlockCount();
    const DWORD memory = ProcessVM()->GetUsedPhysicalMemorySize();
    VectorArchive archive(bytes);
    EXPECT_EQ(kzThrownCode([&] { ImagePtr image(KzVOffscreen::Read(archive)); }), c.code)
        << c.label;
    EXPECT_EQ(ProcessVM()->GetUsedBlockCount(), blocks) << c.label;
    EXPECT_EQ(ProcessVM()->GetUsedPhysicalMemorySize(), memory) << c.label;
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
  Bytes bytes = Store(image.get(), 1);
  // Replace the block's stream by a valid zlib stream of one byte less than the block.
  const std::vector<BYTE> block = BlockBytes(image.get(), 0, 0);
  std::vector<BYTE> packed(compressBound(static_cast<uLong>(block.size())));
  uLongf packedLength = static_cast<uLongf>(packed.size());
  ASSERT_EQ(compress(packed.data(), &packedLength, block.data(),
                     static_cast<uLong>(block.size() - 1)),
            Z_OK);
  const std::uint32_t oldLength = bytes[kBlockData] << 24 | bytes[kBlockData + 1] << 16 |
                                  bytes[kBlockData + 2] << 8 | bytes[kBlockData + 3];
  Bytes patched(bytes.begin(), bytes.begin() + kBlockData);
  for (int i = 3; i >= 0; --i) patched.push_back(static_cast<BYTE>(packedLength >> (8 * i)));
  patched.insert(patched.end(), packed.begin(), packed.begin() + packedLength);
  patched.insert(patched.end(), bytes.begin() + kBlockData + 4 + oldLength, bytes.end());
  // The section lengths no longer match; the reader must still refuse the short block.
  VectorArchive archive(patched);
  EXPECT_EQ(kzThrownCode([&] { ImagePtr loaded(KzVOffscreen::Read(archive)); }), 0x2001000B);
}

}  // namespace
